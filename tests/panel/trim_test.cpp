// The "Image trim" group: steps uploaded straight into the sensor, limits, STORE.
#include <gtest/gtest.h>

#include <cstdio>

#include "panel/control_ids.h"
#include "panel_rig.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;

// A camera whose trim block is easy to read on the bus: every EEPROM byte holds its own
// offset, so block byte i is i & 0xff, except the stored offsets at block bytes 0 and 1.
sim::SimState trimCamera(std::uint8_t x, std::uint8_t y, unsigned busyReads = 0) {
    sim::SimState s = sim::SimState::builtInDefault();
    for (std::size_t bank = 1; bank < 4; ++bank)
        for (std::size_t i = 0; i < 256; ++i) s.eeprom[bank][i] = static_cast<std::uint8_t>(i);
    s.eeprom[3][0x50] = 0xFF;  // no stored camera address
    s.eeprom[1][0] = x;
    s.eeprom[1][1] = y;
    s.busyReads = busyReads;
    return s;
}

std::string sensorWrite(std::uint16_t reg, std::uint8_t hi, std::uint8_t lo) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "W ba %02x %02x %02x %02x", reg >> 8, reg & 0xFF, hi, lo);
    return buf;
}

bool isParameterWrite(const std::string& line) {
    return line.rfind("W ba fc 0", 0) == 0;
}
bool isCommand(const std::string& line) {
    return line.rfind("W ba 00 40 ", 0) == 0;
}
bool isBusyRead(const std::string& line) {
    return line.rfind("WR bb 00 40 :", 0) == 0;
}

std::vector<std::string> slice(const std::vector<std::string>& v, std::size_t from,
                               std::size_t count) {
    return {v.begin() + static_cast<std::ptrdiff_t>(from),
            v.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

// The words sent before each host command, as (parameter writes, busy reads) pairs.
struct CommandRun {
    int parameterWrites = 0;
    int busyReads = 0;
    std::string command;
};
std::vector<CommandRun> commandRuns(const std::vector<std::string>& trace) {
    std::vector<CommandRun> runs;
    CommandRun current;
    for (const auto& line : trace) {
        if (isParameterWrite(line)) {
            if (!current.command.empty()) runs.push_back(current), current = {};
            ++current.parameterWrites;
        } else if (isCommand(line)) {
            if (!current.command.empty()) runs.push_back(current), current = {};
            current.command = line;
        } else if (isBusyRead(line)) {
            ++current.busyReads;
        }
    }
    if (!current.command.empty()) runs.push_back(current);
    return runs;
}

TEST(TrimUpload, SendsOffsetsWindowWordsAndTheWholeBlockInChunks) {
    PanelRig rig(trimCamera(0x10, 0x0C));
    rig.start();
    rig.takeTrace();

    rig.dlg->click(IDC_TRIM_LEFT);
    const auto trace = rig.takeTrace();

    // Offsets, the window words (the word of block bytes 6/7 goes to c824 after c826 got
    // bytes 4/5), then the first parameter chunk from block byte 32 and its load command.
    const std::vector<std::string> head = {
        "W ba c8 92 00 12",    "W ba c8 94 00 0c", "W ba 09 8e 48 24", "W ba c8 22 02 03",
        "W ba c8 26 04 05",    "W ba c8 24 06 07", "W ba c8 28 08 09", "W ba c8 2e 0a 0b",
        "W ba c8 30 0c 0d",    "W ba c8 2a 0e 0f", "W ba c8 2c 10 11", "W ba fc 00 20 21",
        "W ba fc 02 22 23",    "W ba fc 04 24 25", "W ba fc 06 26 27", "W ba fc 08 28 29",
        "W ba fc 0a 2a 2b",    "W ba fc 0c 2c 2d", "W ba fc 0e 2e 2f", "W ba 00 40 83 04",
        "WR bb 00 40 : 03 04",
    };
    ASSERT_GE(trace.size(), head.size());
    EXPECT_EQ(slice(trace, 0, head.size()), head);

    // The last full chunk (block bytes 560..575), the two words of bytes 576..579 closed by a
    // zero word and loaded once, then the closing command. Nothing past byte 579 is sent.
    const std::vector<std::string> tail = {
        "W ba fc 00 30 31",    "W ba fc 02 32 33",    "W ba fc 04 34 35",    "W ba fc 06 36 37",
        "W ba fc 08 38 39",    "W ba fc 0a 3a 3b",    "W ba fc 0c 3c 3d",    "W ba fc 0e 3e 3f",
        "W ba 00 40 83 04",    "WR bb 00 40 : 03 04", "W ba fc 00 40 41",    "W ba fc 02 42 43",
        "W ba fc 04 00 00",    "W ba 00 40 83 04",    "WR bb 00 40 : 03 04", "W ba 00 40 83 05",
        "WR bb 00 40 : 03 05",
    };
    ASSERT_GE(trace.size(), tail.size());
    EXPECT_EQ(slice(trace, trace.size() - tail.size(), tail.size()), tail);

    // 34 full chunks of eight words, the partial one of three, the closing command alone.
    const auto runs = commandRuns(trace);
    ASSERT_EQ(runs.size(), 36u);
    for (std::size_t i = 0; i < 34; ++i) {
        EXPECT_EQ(runs[i].parameterWrites, 8) << "chunk " << i;
        EXPECT_EQ(runs[i].command, "W ba 00 40 83 04") << "chunk " << i;
    }
    EXPECT_EQ(runs[34].parameterWrites, 3);
    EXPECT_EQ(runs[35].parameterWrites, 0);
    EXPECT_EQ(runs[35].command, "W ba 00 40 83 05");
    EXPECT_EQ(trace.size(), 11u + 34 * 10 + 5 + 2);

    // Chunk k carries block bytes k..k+15 in register order.
    for (std::size_t k = 32; k < 576; k += 16)
        for (std::size_t j = 0; j < 16; j += 2) {
            const std::size_t line = 11 + (k - 32) / 16 * 10 + j / 2;
            EXPECT_EQ(trace[line], sensorWrite(static_cast<std::uint16_t>(0xFC00 + j),
                                               static_cast<std::uint8_t>(k + j),
                                               static_cast<std::uint8_t>(k + j + 1)));
        }

    // The camera itself is not addressed and nothing waits.
    EXPECT_EQ(countLines(trace, "W 70"), 0);
    EXPECT_EQ(countLines(trace, "P "), 0);
    EXPECT_EQ(rig.text(IDC_TRIM_X), "12");
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "c");
}

TEST(TrimUpload, EachCommandWaitsForTheBusyBitAtMostSixteenReads) {
    struct Case {
        unsigned busyReads;
        int readsPerCommand;
    };
    for (const Case c : {Case{0, 1}, Case{1, 2}, Case{15, 16}}) {
        PanelRig rig(trimCamera(0x10, 0x0C, c.busyReads));
        rig.start();
        rig.takeTrace();
        rig.dlg->click(IDC_TRIM_UP);
        const auto trace = rig.takeTrace();
        const auto runs = commandRuns(trace);
        ASSERT_EQ(runs.size(), 36u) << c.busyReads;
        for (const auto& run : runs) EXPECT_EQ(run.busyReads, c.readsPerCommand) << c.busyReads;
        EXPECT_TRUE(rig.host.boxes().empty());
        EXPECT_EQ(trace[trace.size() - 1 - c.readsPerCommand], "W ba 00 40 83 05");
        EXPECT_EQ(rig.text(IDC_TRIM_Y), "e");
    }
}

TEST(TrimUpload, ASensorStillBusyAfterSixteenReadsStopsTheUploadAndTheStepIsNotShown) {
    for (unsigned busyReads : {16u, 1000u}) {
        PanelRig rig(trimCamera(0x10, 0x0C, busyReads));
        rig.start();
        rig.takeTrace();
        rig.dlg->click(IDC_TRIM_UP);
        const auto trace = rig.takeTrace();
        // The first chunk's load command is the last thing sent.
        EXPECT_EQ(countLines(trace, "W ba 00 40 "), 1) << busyReads;
        EXPECT_EQ(countLines(trace, "WR bb 00 40 :"), 16) << busyReads;
        EXPECT_EQ(trace.back(),
                  "B The sensor stayed busy after a command: the trim upload was stopped, the "
                  "rest of it was not sent, and the offset was not changed.");
        EXPECT_EQ(rig.dlg->m_trimY, 0x0C);
        EXPECT_EQ(rig.text(IDC_TRIM_Y), "c");
        EXPECT_TRUE(rig.enabled(IDC_TRIM_UP));
    }
}

TEST(TrimSteps, EachButtonMovesItsOffsetByTwoAndStopsAtItsLimit) {
    struct Case {
        int button;
        std::uint8_t x, y;
        const char* firstWrite;  // the offset register as uploaded
        int trimText;
        const char* shown;
    };
    const Case cases[] = {
        {IDC_TRIM_LEFT, 44, 8, "W ba c8 92 00 2e", IDC_TRIM_X, "Max Left"},
        {IDC_TRIM_RIGHT, 2, 8, "W ba c8 92 00 00", IDC_TRIM_X, "Max Right"},
        {IDC_TRIM_UP, 8, 44, "W ba c8 94 00 2e", IDC_TRIM_Y, "Max up"},
        {IDC_TRIM_DOWN, 8, 2, "W ba c8 94 00 00", IDC_TRIM_Y, "Max down"},
    };
    for (const Case& c : cases) {
        PanelRig rig(trimCamera(c.x, c.y));
        rig.start();
        rig.takeTrace();

        rig.dlg->click(c.button);
        auto trace = rig.takeTrace();
        ASSERT_GE(trace.size(), 2u);
        EXPECT_EQ(c.trimText == IDC_TRIM_X ? trace[0] : trace[1], c.firstWrite) << c.button;
        EXPECT_EQ(rig.text(c.trimText), c.shown) << c.button;

        // At the limit a further step sends and shows nothing.
        rig.dlg->click(c.button);
        EXPECT_TRUE(rig.takeTrace().empty()) << c.button;
        EXPECT_EQ(rig.text(c.trimText), c.shown) << c.button;
        EXPECT_TRUE(rig.enabled(c.button));
    }
}

TEST(TrimSteps, OppositeButtonsWalkBackAndTheOtherOffsetIsSentUnchanged) {
    PanelRig rig(trimCamera(0x10, 0x0C));
    rig.start();
    rig.takeTrace();

    rig.dlg->click(IDC_TRIM_RIGHT);
    auto trace = rig.takeTrace();
    EXPECT_EQ(slice(trace, 0, 2),
              (std::vector<std::string>{"W ba c8 92 00 0e", "W ba c8 94 00 0c"}));
    rig.dlg->click(IDC_TRIM_DOWN);
    trace = rig.takeTrace();
    EXPECT_EQ(slice(trace, 0, 2),
              (std::vector<std::string>{"W ba c8 92 00 0e", "W ba c8 94 00 0a"}));
    EXPECT_EQ(rig.text(IDC_TRIM_X), "e");
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "a");
    // The camera keeps its stored offsets until STORE.
    EXPECT_EQ(rig.camera.eeprom(0xA2, 0), 0x10);
    EXPECT_EQ(rig.camera.eeprom(0xA2, 1), 0x0C);
}

TEST(TrimSteps, AnOddOffsetIsMadeEvenAlsoWhenTheStepGoesNoFurther) {
    PanelRig rig(trimCamera(0x10, 0x0C));
    rig.start();
    rig.takeTrace();

    rig.dlg->m_trimX = 47;
    rig.dlg->click(IDC_TRIM_LEFT);
    EXPECT_TRUE(rig.takeTrace().empty());
    EXPECT_EQ(rig.dlg->m_trimX, 46);

    rig.dlg->m_trimY = 0x13;
    rig.dlg->click(IDC_TRIM_DOWN);
    const auto trace = rig.takeTrace();
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace[1], "W ba c8 94 00 10");
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "10");

    // An offset far beyond the range is brought back into it, never uploaded as it stands.
    rig.dlg->m_trimX = 0xFE;
    rig.dlg->click(IDC_TRIM_RIGHT);
    const auto back = rig.takeTrace();
    ASSERT_FALSE(back.empty());
    EXPECT_EQ(back[0], "W ba c8 92 00 2e");
    EXPECT_EQ(rig.text(IDC_TRIM_X), "Max Left");
}

TEST(TrimSteps, ButtonsAreGreyedWhileTheUploadRunsAndItsBoxesAreOpen) {
    sim::SimState s = trimCamera(0x10, 0x0C);
    s.faults.push_back(sim::Fault{std::nullopt, std::uint8_t{0xBA}, 15});
    PanelRig rig(std::move(s));
    rig.start();
    rig.takeTrace();

    const int buttons[] = {IDC_TRIM_DOWN, IDC_TRIM_UP, IDC_TRIM_LEFT, IDC_TRIM_RIGHT,
                           IDC_TRIM_STORE};
    int boxesSeen = 0;
    int enabledWhileBoxOpen = 0;
    rig.host.setEventHook([&](const std::string& line) {
        rig.trace.line(line);
        if (line.rfind("B ", 0) != 0) return;
        ++boxesSeen;
        for (int id : buttons) enabledWhileBoxOpen += rig.enabled(id);
    });

    rig.dlg->click(IDC_TRIM_LEFT);
    // An absent sensor: every write and every busy read fails with its own box (a failed
    // read shows no busy bit, so each command costs one read), and the upload still ends.
    const int writes = 11 + 34 * 8 + 3 + 36;
    const int reads = 36;
    EXPECT_EQ(boxesSeen, writes + reads);
    EXPECT_EQ(enabledWhileBoxOpen, 0);
    for (int id : buttons) EXPECT_TRUE(rig.enabled(id)) << id;
    EXPECT_EQ(rig.host.boxes().back(), "error: device not present");
    EXPECT_EQ(rig.text(IDC_TRIM_X), "12");
}

TEST(TrimSteps, AnAbsentCameraGivesOneBoxPerFailureAndTheNextStepStillWorks) {
    PanelRig rig(trimCamera(0x10, 0x0C));
    rig.start();
    rig.camera.state().present = false;
    rig.takeTrace();

    rig.dlg->click(IDC_TRIM_UP);
    rig.dlg->click(IDC_TRIM_STORE);
    const auto trace = rig.takeTrace();
    EXPECT_EQ(countLines(trace, "B error: device not present"),
              static_cast<int>(rig.host.boxes().size()));
    // The upload's transfers each, and STORE's two commands, whose data phases never follow
    // their failed headers.
    EXPECT_EQ(rig.host.boxes().size(), 11u + 34 * 8 + 3 + 36 + 36 + 2);
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "e");

    rig.camera.state().present = true;
    rig.dlg->click(IDC_TRIM_UP);
    const auto after = rig.takeTrace();
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after[1], "W ba c8 94 00 10");
    EXPECT_EQ(countLines(after, "B "), 0);
}

TEST(TrimStore, WritesBothEvenOffsetsToTheEepromAndConnectLoadsThemAgain) {
    PanelRig rig(trimCamera(0x0E, 0x08));
    rig.start();
    rig.dlg->click(IDC_TRIM_RIGHT);
    rig.dlg->click(IDC_TRIM_DOWN);
    rig.takeTrace();

    rig.dlg->click(IDC_TRIM_STORE);
    EXPECT_EQ(rig.takeTrace(),
              (std::vector<std::string>{"W 70 00 a2 00", "W 70 0c", "W 70 00 a2 01", "W 70 06"}));
    EXPECT_EQ(rig.camera.eeprom(0xA2, 0), 0x0C);
    EXPECT_EQ(rig.camera.eeprom(0xA2, 1), 0x06);
    for (int id : {IDC_TRIM_DOWN, IDC_TRIM_UP, IDC_TRIM_LEFT, IDC_TRIM_RIGHT, IDC_TRIM_STORE})
        EXPECT_TRUE(rig.enabled(id)) << id;

    rig.dlg->m_trimX = 0x20;
    rig.dlg->m_trimY = 0x20;
    rig.dlg->click(IDC_CONNECT);
    EXPECT_EQ(rig.dlg->m_trimX, 0x0C);
    EXPECT_EQ(rig.dlg->m_trimY, 0x06);
    EXPECT_EQ(rig.text(IDC_TRIM_X), "c");
    EXPECT_EQ(rig.text(IDC_TRIM_Y), "6");
}

TEST(TrimStore, StoresOddOffsetsEvenThroughTheCurrentCameraAddress) {
    sim::SimState s = trimCamera(0x10, 0x0C);
    s.eeprom[3][0x50] = 0x42;
    PanelRig rig(std::move(s));
    rig.start();
    rig.takeTrace();

    rig.dlg->m_trimX = 0x0D;
    rig.dlg->m_trimY = 0x07;
    rig.dlg->click(IDC_TRIM_STORE);
    EXPECT_EQ(rig.takeTrace(),
              (std::vector<std::string>{"W 42 00 a2 00", "W 42 0c", "W 42 00 a2 01", "W 42 06"}));
    EXPECT_EQ(rig.dlg->m_trimX, 0x0C);
    EXPECT_EQ(rig.dlg->m_trimY, 0x06);
}

TEST(TrimSteps, NothingIsSentWithoutTrimDataReadInTheLatestReadBack) {
    constexpr char kNotRead[] =
        "B The trim data was not read from the camera: press Connect first. Nothing was sent.";
    // STORE writes through the camera's address, which a failed read-back leaves at "none".
    constexpr char kNoCamera[] = "B No camera is connected: press Connect first. Nothing was sent.";
    struct Case {
        const char* what;
        bool present;
        std::uint32_t failing;  // 0: no fault
    };
    // No camera at start; the trim marker's read failed; a block byte's read failed.
    for (const Case c : {Case{"no camera", false, 0}, Case{"marker", true, 28},
                         Case{"block", true, 32 + 2 * 579}}) {
        sim::SimState s = trimCamera(0x10, 0x0C);
        s.present = c.present;
        if (c.failing) s.faults.push_back({c.failing, std::nullopt, kStatusNack});
        PanelRig rig(std::move(s));
        rig.start();
        rig.takeTrace();
        for (int id : {IDC_TRIM_LEFT, IDC_TRIM_RIGHT, IDC_TRIM_UP, IDC_TRIM_DOWN, IDC_TRIM_STORE}) {
            rig.dlg->click(id);
            EXPECT_EQ(rig.takeTrace(),
                      std::vector<std::string>{id == IDC_TRIM_STORE ? kNoCamera : kNotRead})
                << c.what << " " << id;
        }
        EXPECT_EQ(rig.camera.eeprom(0xA2, 0), 0x10);
    }
}

}  // namespace
}  // namespace vorlix::test
