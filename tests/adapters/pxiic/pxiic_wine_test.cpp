// The pxiic backend against a stand-in library that exports the seven entries by ordinal only
// and records every call. Runs on Windows or under wine; argument 1 is the folder holding
// PXIICDLL.dll (the stand-in) and pxiic_without_11.dll (the same without entry 11).
// Prints one line per failed check and exits 1 if there was one.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "adapters/pxiic_adapter.h"

namespace {

using Lines = std::vector<std::string>;
using vorlix::AdapterHandle;
using vorlix::PxiicAdapter;

int g_failures = 0;

void check(bool ok, const std::string& what) {
    if (ok) return;
    ++g_failures;
    std::printf("FAILED: %s\n", what.c_str());
}

std::string joined(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += "    " + line + "\n";
    return text;
}

void checkLines(const Lines& got, const Lines& expected, const std::string& what) {
    check(got == expected, what + "\n  got:\n" + joined(got) + "  expected:\n" + joined(expected));
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct Recorder {
    std::string path;
    explicit Recorder(const std::string& folder) : path(folder + "\\standin.log") {
        DeleteFileA(path.c_str());
        SetEnvironmentVariableA("VORLIX_STANDIN_LOG", path.c_str());
    }
    Lines lines() const {
        Lines result;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) result.push_back(line);
        return result;
    }
};

// The transactions as the link runs them: open, select for writes, one transfer, close.
std::uint16_t writeSub(PxiicAdapter& adapter, std::uint8_t slave, std::uint32_t subLength,
                       std::uint32_t sub, const std::vector<std::uint8_t>& data) {
    const AdapterHandle h = adapter.open(slave, vorlix::kOpenTimeout, vorlix::kOpenSpeed);
    adapter.select(h, slave);
    const std::uint16_t status = adapter.writeSub(h, subLength, sub, data.data(),
                                                  static_cast<std::uint32_t>(data.size()), 0);
    adapter.close(h);
    return status;
}

std::uint16_t writeByte(PxiicAdapter& adapter, std::uint8_t slave, std::uint8_t b) {
    const AdapterHandle h = adapter.open(slave, vorlix::kOpenTimeout, vorlix::kOpenSpeed);
    adapter.select(h, slave);
    const std::uint16_t status = adapter.write(h, &b, 0, 1);
    adapter.close(h);
    return status;
}

std::uint16_t read(PxiicAdapter& adapter, std::uint8_t slave, std::uint8_t* buffer,
                   std::uint32_t count) {
    const AdapterHandle h = adapter.open(slave, vorlix::kOpenTimeout, vorlix::kOpenSpeed);
    const std::uint16_t status = adapter.read(h, buffer, 0, count);
    adapter.close(h);
    return status;
}

std::uint16_t readSub(PxiicAdapter& adapter, std::uint8_t slave, std::uint32_t sub,
                      std::uint8_t* buffer) {
    const AdapterHandle h = adapter.open(slave, vorlix::kOpenTimeout, vorlix::kOpenSpeed);
    const std::uint16_t status = adapter.readSub(h, 2, sub, buffer, 2, 0);
    adapter.close(h);
    return status;
}

void cameraCommandsReachTheLibraryByOrdinalWithTheirArgumentsInOrder(const std::string& folder) {
    Recorder recorder(folder);
    Lines hints;
    PxiicAdapter adapter(folder + "\\PXIICDLL.dll",
                         [&](const std::string& l) { hints.push_back(l); });

    // A sensor register read through the camera: header [03][30][12], then two bytes.
    const std::uint16_t header = writeSub(adapter, 0x70, 2, 0x0330, {0x12});
    std::uint8_t value[2] = {};
    const std::uint16_t data = read(adapter, 0x71, value, 2);
    // A page write, an EEPROM byte, the direct sensor path.
    std::vector<std::uint8_t> page(15);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(0xf1 + i);
    const std::uint16_t pageStatus = writeSub(adapter, 0x70, 1, 0x1f0, page);
    const std::uint16_t byteStatus = writeByte(adapter, 0x70, 0x72);
    std::uint8_t sensor[2] = {};
    const std::uint16_t sensorStatus = readSub(adapter, 0xbb, 0x3012, sensor);

    check(hints.empty(), "the stand-in binds without a hint");
    check(header == 0 && data == 0 && pageStatus == 0 && byteStatus == 0 && sensorStatus == 0,
          "every transfer succeeds");
    check(value[0] == 0x01 && value[1] == 0x3b, "the read fills the buffer in arrival order");
    check(sensor[0] == 0xab && sensor[1] == 0xcd, "the read with sub-address fills the buffer");
    checkLines(recorder.lines(),
               {"5 70 20000 1000", "13 h1 70", "8 h1 2 0330 1 0 : 12", "6 h1", "5 71 20000 1000",
                "10 h2 0 2", "6 h2", "5 70 20000 1000", "13 h3 70",
                "8 h3 1 01f0 15 0 : f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff", "6 h3",
                "5 70 20000 1000", "13 h4 70", "7 h4 0 1 : 72", "6 h4", "5 bb 20000 1000",
                "11 h5 2 3012 2 0", "6 h5"},
               "the calls the stand-in recorded");
}

void theStatusIsTheLow16BitsOfTheResult(const std::string& folder) {
    Recorder recorder(folder);
    PxiicAdapter adapter(folder + "\\PXIICDLL.dll", nullptr);
    std::uint8_t value[2] = {};
    check(writeByte(adapter, 0x42, 0x00) == vorlix::kStatusNack, "a refused write gives 5");
    check(read(adapter, 0x43, value, 1) == 0, "another slave's read succeeds");
    check(readSub(adapter, 0x42, 0x0040, value) == vorlix::kStatusNack, "a refused read gives 5");
}

void theEntriesHaveNoNames(const std::string& folder) {
    const HMODULE module = LoadLibraryA((folder + "\\PXIICDLL.dll").c_str());
    check(module != nullptr, "the stand-in loads");
    check(GetProcAddress(module, "standinOpen") == nullptr,
          "the stand-in exports its entries by number only");
    FreeLibrary(module);
}

// A library that cannot be used: one hint naming the cause, then every transfer reports 22
// and nothing else happens.
void checkUnusable(const std::string& path, const std::string& expectedPart) {
    Lines hints;
    PxiicAdapter adapter(path, [&](const std::string& l) { hints.push_back(l); });
    std::uint8_t value[2] = {0xee, 0xee};
    check(writeSub(adapter, 0x70, 2, 0x0330, {0x12}) == vorlix::kStatusNoAdapter &&
              writeByte(adapter, 0x70, 0x00) == vorlix::kStatusNoAdapter &&
              read(adapter, 0x71, value, 2) == vorlix::kStatusNoAdapter &&
              readSub(adapter, 0xbb, 0x3012, value) == vorlix::kStatusNoAdapter,
          path + ": every transfer reports 22");
    check(value[0] == 0xee, path + ": the buffer is left alone");
    check(hints.size() == 1 && contains(hints[0], path) && contains(hints[0], expectedPart),
          path + ": one hint containing \"" + expectedPart + "\", got:\n" + joined(hints));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: pxiic_wine_test FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    cameraCommandsReachTheLibraryByOrdinalWithTheirArgumentsInOrder(folder);
    theStatusIsTheLow16BitsOfTheResult(folder);
    theEntriesHaveNoNames(folder);

    checkUnusable(folder + "\\absent\\PXIICDLL.dll", "was not found");
    checkUnusable(folder + "\\pxiic_without_11.dll", "lacks the entry numbered 11;");
    const std::string foreign = folder + "\\not_a_library.dll";
    std::ofstream(foreign) << "this is text, not a Windows library\n";
    checkUnusable(foreign, "is not a 64-bit Windows library");

    std::printf("%s\n", g_failures == 0 ? "all checks passed" : "some checks failed");
    return g_failures == 0 ? 0 : 1;
}
