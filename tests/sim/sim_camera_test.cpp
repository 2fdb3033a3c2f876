// The simulated module is never more forgiving than the hardware: bytes in, status out.
#include <gtest/gtest.h>

#include <csignal>

#include "tests/support/bench.h"

namespace vorlix::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

std::uint16_t write(SimCamera& camera, std::uint8_t slave, const Bytes& bytes) {
    return camera.writeTransaction(slave, bytes.data(), bytes.size());
}

// Reads into a buffer preset to 0xee, so an untouched buffer shows.
std::pair<std::uint16_t, Bytes> read(SimCamera& camera, std::uint8_t slave, std::size_t count) {
    Bytes buffer(count, 0xEE);
    const std::uint16_t status = camera.readTransaction(slave, buffer.data(), count);
    return {status, buffer};
}

std::pair<std::uint16_t, Bytes> writeRead(SimCamera& camera, std::uint8_t slave, const Bytes& sub,
                                          std::size_t count) {
    Bytes buffer(count, 0xEE);
    const std::uint16_t status =
        camera.writeReadTransaction(slave, sub.data(), sub.size(), buffer.data(), count);
    return {status, buffer};
}

TEST(SimCamera, DataPhaseWithoutAHeaderIsRefusedAndChangesNothing) {
    SimCamera camera;
    const SimState before = camera.state();
    EXPECT_EQ(write(camera, 0x70, {0x72}), kStatusNack);
    EXPECT_EQ(write(camera, 0x70, {0x80, 0x00}), kStatusNack);
    EXPECT_EQ(write(camera, 0x70, Bytes(16, 0x00)), kStatusNack);
    EXPECT_EQ(read(camera, 0x71, 2), std::make_pair(kStatusNack, Bytes{0xEE, 0xEE}));
    EXPECT_EQ(formatSimState(camera.state()), formatSimState(before));
}

TEST(SimCamera, WrongLengthIsRefusedAndTheHeaderWaitsForOneThatFits) {
    SimCamera camera;
    ASSERT_EQ(write(camera, 0x70, {0x24, 0xA0, 0x00}), kStatusOk);
    EXPECT_EQ(write(camera, 0x70, Bytes(15, 0x11)), kStatusNack);
    EXPECT_EQ(write(camera, 0x70, Bytes(17, 0x11)), kStatusNack);
    EXPECT_EQ(camera.eeprom(0xA0, 0x00), 0xFF);
    EXPECT_EQ(write(camera, 0x70, Bytes(16, 0x11)), kStatusOk);
    EXPECT_EQ(camera.eeprom(0xA0, 0x0F), 0x11);
    EXPECT_EQ(camera.eeprom(0xA0, 0x10), 0xFF);

    ASSERT_EQ(write(camera, 0x70, {0x03, 0x30, 0x12}), kStatusOk);
    EXPECT_EQ(read(camera, 0x71, 1).first, kStatusNack);
    EXPECT_EQ(read(camera, 0x71, 2), std::make_pair(kStatusOk, Bytes{0x01, 0x20}));
    EXPECT_EQ(read(camera, 0x71, 2).first, kStatusNack) << "a header serves one data phase";

    ASSERT_EQ(write(camera, 0x70, {0x00, 0xA6, 0x50}), kStatusOk);
    EXPECT_EQ(write(camera, 0x70, {0x72, 0x00}), kStatusNack);
    EXPECT_EQ(read(camera, 0x71, 1).first, kStatusNack) << "a write header takes no read";
    EXPECT_EQ(camera.eeprom(0xA6, 0x50), 0xFF);
}

TEST(SimCamera, ANewerHeaderReplacesThePendingOne) {
    SimCamera camera;
    ASSERT_EQ(write(camera, 0x70, {0x01, 0xA3, 0x00}), kStatusOk);
    ASSERT_EQ(write(camera, 0x70, {0x03, 0x30, 0x12}), kStatusOk);
    EXPECT_EQ(read(camera, 0x71, 1).first, kStatusNack);
    EXPECT_EQ(read(camera, 0x71, 2).second, (Bytes{0x01, 0x20}));
}

TEST(SimCamera, PagePastTheLastOffsetWrapsWithinItsBank) {
    SimCamera camera;
    const std::uint8_t nextBankFirst = camera.eeprom(0xA4, 0x00);
    Bytes page;
    for (std::uint8_t i = 0; i < 16; ++i) {
        page.push_back(static_cast<std::uint8_t>(0xC0 + i));
    }
    ASSERT_EQ(write(camera, 0x70, {0x24, 0xA2, 0xF8}), kStatusOk);
    ASSERT_EQ(write(camera, 0x70, page), kStatusOk);
    EXPECT_EQ(camera.eeprom(0xA2, 0xF8), 0xC0);
    EXPECT_EQ(camera.eeprom(0xA2, 0xFF), 0xC7);
    EXPECT_EQ(camera.eeprom(0xA2, 0x00), 0xC8);
    EXPECT_EQ(camera.eeprom(0xA2, 0x07), 0xCF);
    EXPECT_EQ(camera.eeprom(0xA4, 0x00), nextBankFirst);
}

TEST(SimCamera, EepromCommandsOutsideTheFourBanksAreRefused) {
    SimCamera camera;
    ASSERT_EQ(write(camera, 0x70, {0x00, 0xA8, 0x00}), kStatusOk);
    EXPECT_EQ(write(camera, 0x70, {0x55}), kStatusNack);
    ASSERT_EQ(write(camera, 0x70, {0x01, 0x9F, 0x00}), kStatusOk);
    EXPECT_EQ(read(camera, 0x71, 1).first, kStatusNack);
    ASSERT_EQ(write(camera, 0x70, {0x01, 0xA7, 0x50}), kStatusOk);
    EXPECT_EQ(read(camera, 0x71, 1), std::make_pair(kStatusOk, Bytes{0xFF}));
}

TEST(SimCamera, SensorAcknowledgesEveryWriteButActsOnlyOnWholeRegisterWrites) {
    SimCamera camera;
    EXPECT_EQ(write(camera, 0xBA, {0xC8, 0x92, 0x00}), kStatusOk);
    EXPECT_EQ(camera.reg(0xC892), 0x0000);
    EXPECT_EQ(write(camera, 0xBA, {0xC8, 0x92, 0x00, 0x2E}), kStatusOk);
    EXPECT_EQ(writeRead(camera, 0xBB, {0xC8, 0x92}, 2),
              std::make_pair(kStatusOk, Bytes{0x00, 0x2E}));
    EXPECT_EQ(writeRead(camera, 0xBB, {0x92}, 2).first, kStatusNack);
    EXPECT_EQ(writeRead(camera, 0xBB, {0xC8, 0x92}, 1).first, kStatusNack);
    EXPECT_EQ(read(camera, 0xBB, 2).first, kStatusNack);

    ASSERT_EQ(write(camera, 0x70, {0x03, 0xC8, 0x92}), kStatusOk);
    EXPECT_EQ(read(camera, 0x71, 2).second, (Bytes{0x00, 0x2E})) << "one register file, two paths";
}

TEST(SimCamera, HostCommandShowsBusyForTheConfiguredNumberOfReads) {
    SimState state = SimState::builtInDefault();
    state.busyReads = 2;
    test::SimBench bench(state);
    I2cLink link(bench.bus);
    link.writeSub16Word(kSensorWrite, 0x00, 0x40, 0x83, 0x04);
    for (int i = 0; i < 3; ++i) {
        link.readSub16Word(kSensorRead, 0x00, 0x40);
    }
    link.camWrite16(0x70, 0x00, 0x40, 0x83, 0x05);
    link.camRead16(0x70, 0x00, 0x40);
    link.camRead16(0x70, 0x00, 0x40);
    link.readSub16Word(kSensorRead, 0x00, 0x40);
    EXPECT_EQ(
        bench.lines(),
        (Lines{"W ba 00 40 83 04", "WR bb 00 40 : 83 04", "WR bb 00 40 : 83 04",
               "WR bb 00 40 : 03 04", "W 70 02 00 40", "W 70 83 05", "W 70 03 00 40", "P 2",
               "R 71 2 : 83 05", "W 70 03 00 40", "P 2", "R 71 2 : 83 05", "WR bb 00 40 : 03 05"}));
    EXPECT_EQ(bench.camera.reg(kHostCommandRegister), 0x0305);
}

TEST(SimCamera, HostCommandWithManyBusyReadsNeverClearsInPractice) {
    SimState state = SimState::builtInDefault();
    state.busyReads = 1000;
    SimCamera camera(state);
    ASSERT_EQ(write(camera, 0xBA, {0x00, 0x40, 0x83, 0x04}), kStatusOk);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(writeRead(camera, 0xBB, {0x00, 0x40}, 2).second, (Bytes{0x83, 0x04}));
    }
}

TEST(SimCamera, FaultAtTheNthTransactionFailsItWithoutEffect) {
    SimState state = SimState::builtInDefault();
    state.faults.push_back(Fault{2, std::nullopt, 6});
    SimCamera camera(state);
    EXPECT_EQ(write(camera, 0x70, {0x00, 0xA2, 0x00}), kStatusOk);
    EXPECT_EQ(write(camera, 0x70, {0x20}), 6);
    EXPECT_EQ(camera.eeprom(0xA2, 0x00), 0x10);
    EXPECT_EQ(write(camera, 0x70, {0x20}), kStatusOk) << "the header is still pending";
    EXPECT_EQ(camera.eeprom(0xA2, 0x00), 0x20);
    EXPECT_EQ(camera.transactions(), 3u);
}

volatile std::sig_atomic_t g_raised = 0;

// A fault with a signal and no status: the signal arrives during that one transaction, which
// goes through as usual; with a status too, the transaction fails as well.
TEST(SimCamera, FaultWithASignalRaisesItDuringTheNthTransaction) {
    // Installed before each raise: Windows resets a handler to the default once it ran.
    const auto note = [](int signal) { g_raised = signal; };
    const auto previous = std::signal(SIGINT, note);
    SimState state = SimState::builtInDefault();
    state.faults = {Fault{2, std::nullopt, kStatusOk, SIGINT},
                    Fault{3, std::nullopt, kStatusBusy, SIGINT}};
    SimCamera camera(state);
    EXPECT_EQ(write(camera, 0x70, {0x00, 0xA2, 0x00}), kStatusOk);
    EXPECT_EQ(g_raised, 0);
    EXPECT_EQ(write(camera, 0x70, {0x20}), kStatusOk);
    EXPECT_EQ(g_raised, SIGINT);
    EXPECT_EQ(camera.eeprom(0xA2, 0x00), 0x20);
    g_raised = 0;
    std::signal(SIGINT, note);
    EXPECT_EQ(write(camera, 0x70, {0x00, 0xA2, 0x01}), kStatusBusy);
    EXPECT_EQ(g_raised, SIGINT);
    std::signal(SIGINT, previous);
}

TEST(SimCamera, FaultOnASlaveFailsEveryTransactionToThatAddress) {
    SimState state = SimState::builtInDefault();
    state.faults.push_back(Fault{std::nullopt, 0xBB, kStatusNotPresent});
    SimCamera camera(state);
    EXPECT_EQ(write(camera, 0xBA, {0x00, 0x40, 0x83, 0x04}), kStatusOk);
    EXPECT_EQ(writeRead(camera, 0xBB, {0x00, 0x40}, 2).first, kStatusNotPresent);
    EXPECT_EQ(writeRead(camera, 0xBB, {0x00, 0x40}, 2).first, kStatusNotPresent);
    EXPECT_EQ(write(camera, 0x70, {0x03, 0x30, 0x12}), kStatusOk);
    EXPECT_EQ(read(camera, 0x71, 2).first, kStatusOk);
}

TEST(SimCamera, AbsentModuleAndEmptyAddressesAnswerNotPresent) {
    SimState state = SimState::builtInDefault();
    state.present = false;
    SimCamera absent(state);
    EXPECT_EQ(write(absent, 0x70, {0x00, 0xA2, 0x00}), kStatusNotPresent);
    EXPECT_EQ(write(absent, 0xBA, {0xC8, 0x92, 0x00, 0x2E}), kStatusNotPresent);
    EXPECT_EQ(writeRead(absent, 0xBB, {0xC8, 0x92}, 2).first, kStatusNotPresent);
    EXPECT_EQ(absent.reg(0xC892), 0x0000);

    SimCamera camera;
    EXPECT_EQ(write(camera, 0x72, {0x00, 0xA2, 0x00}), kStatusNotPresent);
    EXPECT_EQ(write(camera, 0x71, {0x00, 0xA2, 0x00}), kStatusNotPresent);
    EXPECT_EQ(read(camera, 0x70, 1).first, kStatusNotPresent);
    EXPECT_EQ(write(camera, 0x70, {}), kStatusOk) << "an address-only write is acknowledged";
}

TEST(SimCamera, AddressComesFromTheEepromAtPowerUpOnly) {
    SimState state = SimState::builtInDefault();
    state.eeprom[3][kAddressOffset] = 0x43;
    SimCamera camera(state);
    EXPECT_EQ(camera.address(), 0x42) << "bit 0 is the read/write bit";

    ASSERT_EQ(write(camera, 0x42, {0x00, 0xA6, 0x50}), kStatusOk);
    ASSERT_EQ(write(camera, 0x42, {0xFF}), kStatusOk);
    ASSERT_EQ(write(camera, 0x42, {0x03, 0x30, 0x12}), kStatusOk);
    EXPECT_EQ(camera.address(), 0x42);
    camera.repower();
    EXPECT_EQ(camera.address(), 0x70);
    EXPECT_EQ(read(camera, 0x71, 2).first, kStatusNack) << "a repower forgets the pending header";
}

// A scripted bench: the socket empty, a module at 40 for three transactions (what it is
// given stays with it), the socket empty again, a module at 70 whose own fault counts from its
// first transaction, then nothing; a bench fault counts from the run's start.
TEST(SimCamera, ScriptedModulesComeAndGoByTheCountOfTransactions) {
    const std::string a6 = std::string(0x50 * 2, 'f') + "40" + std::string(175 * 2, 'f');
    SimCamera camera(*parseSimState(R"({"present": false, "faults": [{"at": 10, "status": 4}],
        "modules": [{"gap": 2, "stays": 3, "eeprom": {"a6": ")" +
                                        a6 + R"("}},
                    {"gap": 1, "stays": 2, "faults": [{"at": 2, "status": 5}]}]})",
                                    "s.json"));
    const Bytes probe = {0x01, 0xA0, 0xFE};
    const std::vector<std::pair<std::uint8_t, Bytes>> transactions = {
        {0x40, probe},  {0x70, probe}, {0x40, probe}, {0x40, {0x00, 0xA0, 0x00}},
        {0x40, {0x55}}, {0x40, probe}, {0x70, probe}, {0x70, probe},
        {0x70, probe},  {0x70, probe}};
    const std::vector<std::uint16_t> expected = {15, 15, 0, 0, 0, 15, 0, 5, 15, 4};
    std::vector<std::uint16_t> statuses;
    for (const auto& [slave, bytes] : transactions) statuses.push_back(write(camera, slave, bytes));
    EXPECT_EQ(statuses, expected);
    EXPECT_FALSE(camera.moduleIn());
    EXPECT_EQ(camera.state().modules[0].state.eeprom[0][0], 0x55);
    EXPECT_EQ(camera.eeprom(0xA0, 0x00), 0xFF);  // the empty socket's camera is untouched
    const std::string saved = formatSimState(camera.state());
    EXPECT_EQ(formatSimState(*parseSimState(saved, "s.json")), saved);
    EXPECT_NE(saved.find("\"gap\": 1,\n      \"stays\": 2"), std::string::npos) << saved;
}

TEST(SimAdapter, TransferOnAHandleThatIsNotOpenReachesNoDevice) {
    SimCamera camera;
    SimAdapter adapter(camera);
    const std::uint8_t data[1] = {0};
    const AdapterHandle h = adapter.open(0x70, kOpenTimeout, kOpenSpeed);
    adapter.close(h);
    EXPECT_EQ(adapter.write(h, data, 0, 1), kStatusNoAdapter);
    EXPECT_EQ(camera.transactions(), 0u);
}

}  // namespace
}  // namespace vorlix::sim
