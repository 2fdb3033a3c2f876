// A stand-in for the adapter maker's library that answers like the simulated camera: the
// seven entries, exported by ordinal only (standin_camera.def), pass every call to the built-in
// simulated camera in its default state. A read-back through it with --bus pxiic:PATH gives
// the same bus traffic as --bus sim.
#include "sim/sim_backend.h"

// After the headers of the project (windows.h's macros would replace some of their names).
#include <windows.h>

namespace {

vorlix::sim::OwningSimAdapter& camera() {
    static vorlix::sim::OwningSimAdapter adapter;
    return adapter;
}

}  // namespace

extern "C" {

UINT_PTR WINAPI cameraOpen(DWORD slave, DWORD timeout, DWORD speed) {
    return camera().open(static_cast<std::uint8_t>(slave), timeout, speed);
}

void WINAPI cameraSelect(UINT_PTR handle, DWORD slave) {
    camera().select(handle, static_cast<std::uint8_t>(slave));
}

DWORD WINAPI cameraWrite(UINT_PTR handle, const BYTE* data, DWORD zero, DWORD count) {
    return camera().write(handle, data, zero, count);
}

DWORD WINAPI cameraWriteSub(UINT_PTR handle, DWORD subLength, DWORD subAddress, const BYTE* data,
                            DWORD count, DWORD zero) {
    return camera().writeSub(handle, subLength, subAddress, data, count, zero);
}

DWORD WINAPI cameraRead(UINT_PTR handle, BYTE* buffer, DWORD zero, DWORD count) {
    return camera().read(handle, buffer, zero, count);
}

DWORD WINAPI cameraReadSub(UINT_PTR handle, DWORD subLength, DWORD subAddress, BYTE* buffer,
                           DWORD count, DWORD zero) {
    return camera().readSub(handle, subLength, subAddress, buffer, count, zero);
}

void WINAPI cameraClose(UINT_PTR handle) {
    camera().close(handle);
}

}  // extern "C"
