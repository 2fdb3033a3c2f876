// libFuzzer target: any bytes at all, read as a simulator state file, are either refused with
// one printable line that names the file, or give a state whose saved form reads back to
// exactly itself. Nothing else may come of the reader: no exception, no crash, no hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/sim_camera.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlix::sim;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const vorlix::io::Expected<SimState> state = parseSimState(text, "f.json");
    if (!state) {
        const std::string& line = state.why();
        if (line.rfind("f.json", 0) != 0) __builtin_trap();
        for (char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
        }
        return 0;
    }
    const std::string saved = formatSimState(*state);
    const vorlix::io::Expected<SimState> again = parseSimState(saved, "f.json");
    if (!again || formatSimState(*again) != saved) __builtin_trap();
    return 0;
}
