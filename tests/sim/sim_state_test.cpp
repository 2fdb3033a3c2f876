// The state file: the default camera, the exact format, round trips and one-line errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "sim/sim_backend.h"
#include "tests/support/bench.h"

namespace vorlix::sim {
namespace {

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "vorlix_sim_" + name + ".json";
}

std::string banksJson(const std::string& a2) {
    const std::string ff(512, 'f');
    return "  \"eeprom\": {\n    \"a0\": \"" + ff + "\",\n    \"a2\": \"" + a2 +
           "\",\n    \"a4\": \"" + ff + "\",\n    \"a6\": \"" + ff + "\"\n  },\n";
}

TEST(SimState, DefaultCameraHasTrimDataAndNoStoredAddress) {
    const SimCamera camera;
    EXPECT_EQ(camera.address(), 0x70);
    EXPECT_EQ(camera.eeprom(0xA6, kAddressOffset), 0xFF);
    EXPECT_NE(camera.eeprom(0xA2, 0x00), 0xFF);
    EXPECT_EQ(camera.eeprom(0xA2, 0x00) % 2, 0);
    EXPECT_LE(camera.eeprom(0xA2, 0x01), 46);
    EXPECT_EQ(camera.eeprom(0xA4, 0xFE), 0x00);
    EXPECT_EQ(camera.eeprom(0xA4, 0xFF), 0x00);
    for (unsigned offset = 0; offset < 256; ++offset) {
        EXPECT_EQ(camera.eeprom(0xA0, static_cast<std::uint8_t>(offset)), 0xFF);
    }
    EXPECT_EQ(camera.reg(0xA804) & 0x0F, 0x0F);
    EXPECT_EQ(camera.reg(0xAC04), 0x00FF);
    EXPECT_EQ(camera.reg(0x4000) & 0x0002, 0x0002);
}

TEST(SimState, FormatIsPlainJsonInLowerCaseHexWithEveryBank) {
    SimState state;
    for (auto& bank : state.eeprom) {
        bank.fill(0xFF);
    }
    state.eeprom[1][0] = 0xAB;
    state.registers = {{0x301C, 0x0003}, {0xAC04, 0x00FF}};
    state.faults = {Fault{17, std::nullopt, 5}, Fault{std::nullopt, 0xBA, 15},
                    Fault{40, std::nullopt, kStatusOk, 2}};
    const std::string a2 = "ab" + std::string(510, 'f');
    const std::string expected =
        "{\n  \"present\": true,\n  \"registers\": {\n    \"301c\": \"0003\",\n    \"ac04\": "
        "\"00ff\"\n"
        "  },\n" +
        banksJson(a2) +
        "  \"busyReads\": 1,\n  \"faults\": [\n    {\n      \"at\": 17,\n      \"status\": 5\n    "
        "},\n"
        "    {\n      \"slave\": \"ba\",\n      \"status\": 15\n    },\n"
        "    {\n      \"at\": 40,\n      \"signal\": 2\n    }\n  ]\n}\n";
    EXPECT_EQ(formatSimState(state), expected);
    EXPECT_EQ(formatSimState(*parseSimState(expected, "s.json")), expected);
}

TEST(SimState, UnlistedBanksReadAllFf) {
    const SimState state =
        *parseSimState(R"({"eeprom": {"a2": ")" + std::string(512, '0') + "\"}}", "s.json");
    EXPECT_EQ(state.eeprom[0][0x10], 0xFF);
    EXPECT_EQ(state.eeprom[1][0x10], 0x00);
    EXPECT_EQ(state.eeprom[3][kAddressOffset], 0xFF);
    EXPECT_TRUE(state.present);
    EXPECT_EQ(state.busyReads, 1u);
}

TEST(SimState, SavedStateLoadsBackWithEverythingTheTrafficChanged) {
    const std::string path = tempPath("roundtrip");
    ASSERT_TRUE(saveSimState(SimState::builtInDefault(), path));

    test::SimBench bench(*loadSimState(path));
    I2cLink link(bench.bus);
    link.camWrite8(0x70, 0xA6, 0x50, 0x72);
    link.camWrite16(0x70, 0x30, 0x1C, 0x00, 0x03);
    link.writeSub16Word(kSensorWrite, 0xC8, 0x92, 0x00, 0x2E);
    std::uint16_t page[kPageEntries] = {};
    link.camWritePage(0x70, 0xA0, 0xF0, page, kPageEntries);
    ASSERT_TRUE(saveSimState(bench.camera.state(), path));

    const SimState loaded = *loadSimState(path);
    EXPECT_EQ(formatSimState(loaded), formatSimState(bench.camera.state()));
    EXPECT_EQ(loaded.eeprom[3][kAddressOffset], 0x72);
    EXPECT_EQ(loaded.registers.at(0x301C), 0x0003);
    EXPECT_EQ(loaded.registers.at(0xC892), 0x002E);
    EXPECT_EQ(loaded.eeprom[0][0xFF], 0x00);
    EXPECT_EQ(SimCamera(loaded).address(), 0x72);
    std::remove(path.c_str());
}

TEST(SimState, MalformedFilesGiveOneLineNamingTheFileAndTheLineOrKey) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{\n  \"present\": true,\n  \"registers\": { \"301c\": \"0003\", }\n}\n", "s.json:3: "},
        {"{\n  \"present\": true,\n  \"busyReads\": 1\n\n", "s.json:3: "},
        {"", "s.json:1: "},
        {"[1, 2]", "s.json: top level: expected a JSON object"},
        {R"({"present": 1})", "s.json: present: expected true or false"},
        {R"({"registers": {"301c": "12g4"}})",
         "s.json: registers.301c: expected a string of 4 hex digits"},
        {R"({"registers": {"31c": "0003"}})",
         "s.json: registers.31c: a register address is 4 hex digits"},
        {R"({"eeprom": {"a8": "00"}})", "s.json: eeprom.a8: the banks are a0, a2, a4 and a6"},
        {R"({"eeprom": {"a0": "00"}})", "s.json: eeprom.a0: expected a string of 512 hex digits"},
        {R"({"busyReads": -1})", "s.json: busyReads: expected a whole number from 0 to 4294967295"},
        {R"({"faults": [{"status": 5}]})", "s.json: faults[0]: a fault needs \"at\" or \"slave\""},
        {R"({"faults": [{"at": 3, "status": 0}]})",
         "s.json: faults[0].status: expected a whole number from 1 to 65535"},
        {R"({"faults": [{"at": 1, "status": 5}, {"slave": "bah"}]})",
         "s.json: faults[1].slave: expected a string of 2 hex digits"},
        {R"({"faults": [{"at": 1}]})", "s.json: faults[0]: a fault needs \"status\""},
        {R"({"faults": [{"at": 1, "signal": 3}]})",
         "s.json: faults[0].signal: expected 1 (hangup), 2 (interrupt), 9 (kill) or 15 "
         "(terminate)"},
        {"{\n  \"busyReads\": 1e400\n}", "s.json:2: number overflow parsing '1e400'"},
        {"{\"busyReads\":\n" + std::string(400, '9') + "}", "s.json:2: number overflow"},
        {"{\"present\": true,\n\"present\": false}", "s.json:2: \"present\" is given twice"},
        {R"({"registers": {"301c": "0003", "301C": "0000"}})",
         "s.json:1: \"301C\" repeats \"301c\" (keys are not case-sensitive)"},
        {"{\"faults\": [[[[[[[[[]]]]]]]]]}", "s.json:1: nested deeper than a camera state"},
        // Keys come back as they were given, control characters escaped: one clean line.
        {R"({"a\nb\u001b[31m\u0000": 1})", "s.json: a\\nb\\x1b[31m\\x00: unknown key"},
        {R"({"busyread": 3})",
         "s.json: busyread: unknown key (expected present, registers, eeprom, busyReads, faults, "
         "modules)"},
        {R"({"modules": [{"gap": 3}]})", "s.json: modules[0]: expected an object with \"stays\""},
        {R"({"modules": [{"stays": 0}]})",
         "s.json: modules[0].stays: expected a whole number from 1 to 4294967295"},
        {R"({"modules": [{"stays": 1, "modules": []}]})",
         "s.json: modules[0].modules: unknown key (a module has gap, stays, present,"},
        {R"({"modules": [{"stays": 1, "eeprom": {"a1": ""}}]})",
         "s.json: modules[0].eeprom.a1: the banks are a0, a2, a4 and a6"},
    };
    for (const auto& [text, expected] : cases) {
        const io::Expected<SimState> state = parseSimState(text, "s.json");
        ASSERT_FALSE(state) << "accepted: " << text;
        const std::string& message = state.why();
        EXPECT_EQ(message.substr(0, expected.size()), expected) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

TEST(SimState, BadHexInsideABankNamesTheOffset) {
    std::string digits(512, 'f');
    digits[0x21 * 2] = 'x';
    EXPECT_EQ(parseSimState(R"({"eeprom": {"a6": ")" + digits + "\"}}", "s.json").why(),
              "s.json: eeprom.a6: \"xf\" at offset 21 is not a hex byte");
}

TEST(SimState, MissingFileIsNamedWithTheReason) {
    EXPECT_EQ(loadSimState("/nonexistent/state.json").why(),
              "/nonexistent/state.json: cannot read the state: No such file or directory");
    EXPECT_FALSE(saveSimState(SimState{}, "/nonexistent/state.json"));
}

TEST(SimBackend, RegistersSimWhichBuildsItsCameraFromTheStateFileAndSavesItBack) {
    AdapterRegistry registry;
    registerSimBackend(registry);
    ASSERT_NE(registry.find("sim"), nullptr);
    EXPECT_EQ(registry.find("sim")->summary, "built-in simulated camera");
    const BackendTraits traits = registry.traitsOf("sim");
    EXPECT_TRUE(traits.simulated && traits.virtualTime && traits.stateFile && traits.repower);

    // Without a file (or with one not made yet) the default camera, which nothing saves.
    const std::string path = tempPath("backend");
    std::remove(path.c_str());
    io::Expected<OpenedBus> opened = registry.create("sim", "");
    ASSERT_TRUE(opened) << opened.why();
    OpenedBus& fresh = *opened;
    EXPECT_FALSE(fresh.saveState);
    VirtualPacer pacer;
    test::RecordingNotifier notifier;
    I2cLink link(Bus{*fresh.adapter, pacer, notifier});
    EXPECT_EQ(link.findCamera(), 0x70);

    // From a file: the camera it holds, switched off and on by the hook, saved back to it.
    {
        std::ofstream(path) << "{\"eeprom\": {\"a6\": \"" << std::string(160, 'f') << "42"
                            << std::string(350, 'f') << "\"}, \"registers\": {\"3012\": \"0001\"}}";
    }
    io::Expected<OpenedBus> fromPath = registry.create("sim", path);
    ASSERT_TRUE(fromPath) << fromPath.why();
    OpenedBus& bus = *fromPath;
    I2cLink fromFile(Bus{*bus.adapter, pacer, notifier});
    EXPECT_EQ(fromFile.findCamera(), 0x42);
    fromFile.camWrite16(0x42, 0x30, 0x12, 0x02, 0x00);
    ASSERT_TRUE(bus.repower && bus.saveState);
    bus.repower();
    EXPECT_TRUE(bus.saveState());
    EXPECT_EQ(loadSimState(path)->registers.at(0x3012), 0x0200);

    // The bus value may name the file instead (a station's socket); a malformed file, and a file
    // named both ways, are refused with their one line.
    { std::ofstream(path) << "{\"present\": 1}"; }
    EXPECT_EQ(registry.create("sim", path).why(), path + ": present: expected true or false");
    EXPECT_EQ(registry.create("sim:" + path, "").why(), path + ": present: expected true or false");
    EXPECT_EQ(registry.create("sim:a.json", "b.json").why(),
              "--bus sim:a.json and --sim-state b.json both name the state file; give it once");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace vorlix::sim
