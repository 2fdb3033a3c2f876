// Long work shows the wait cursor and the progress bar through every transfer it makes, the
// run's backup read before the first EEPROM write included, and the windows drop what the person
// does meanwhile; a quick handler shows neither, so input made during it still counts.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "camera/eeprom_image.h"
#include "link/adapter_decorator.h"
#include "panel/control_ids.h"
#include "panel_rig.h"
#include "tests/support/scratch_dir.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;

// Counts the transactions made with and without the wait cursor up, and keeps the progress bar
// as each transaction finds it.
class CursorAtEachTransfer : public AdapterDecorator {
public:
    using AdapterDecorator::AdapterDecorator;
    AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) override {
        ++(host->waitCursorDepth() > 0 ? waiting : quick);
        const frame::ProgressInfo bar = model->progress(IDC_PROGRESS);
        if (!firstBar) firstBar = bar;
        barMoved += bar.pos > 0;
        barOverran += bar.pos > bar.max;
        return AdapterDecorator::open(slave, timeout, speed);
    }
    void reset() {
        waiting = quick = barMoved = barOverran = 0;
        firstBar.reset();
    }
    const frame::HeadlessHost* host = nullptr;
    const frame::DialogModel* model = nullptr;
    int waiting = 0;
    int quick = 0;
    int barMoved = 0;    // transactions that found the bar past its start
    int barOverran = 0;  // transactions that found it past its end
    std::optional<frame::ProgressInfo> firstBar;
};

// The run's backup as the program's guard makes it: read once, before the first EEPROM write.
struct BackupOnce {
    bool made = false;
    camera::GateAnswer operator()(I2cLink& link, std::uint8_t camAddr,
                                  const GuardProgress& progress) {
        if (made) return {};
        progress(0);
        made = camera::readEeprom(link, camAddr, progress).done();
        return {};
    }
};

struct Rig : SimulatedCamera {
    Rig() : SimulatedCamera(sim::SimState::builtInDefault()) {
        counted.host = &dialog.host;
        counted.model = &dialog.dlg->model();
    }
    CursorAtEachTransfer counted{simAdapter};
    DialogRig dialog{counted};
};

bool operator==(const frame::ProgressInfo& a, const frame::ProgressInfo& b) {
    return a.min == b.min && a.max == b.max && a.pos == b.pos && a.step == b.step;
}

struct Work {
    const char* what;
    std::function<void(CVorlixDlg&)> act;
    bool isLong;
    bool ownsTheBar;  // leaves the bar as its own progress ends it, not as it found it
};

const Work kWorks[] = {
    {"Connect", [](CVorlixDlg& d) { d.click(IDC_CONNECT); }, true, false},
    {"Ld EEpr file", [](CVorlixDlg& d) { d.click(IDC_LOAD_EEPROM); }, true, true},
    {"Save", [](CVorlixDlg& d) { d.click(IDC_SAVE); }, true, true},
    {"Erase EEpr, pressed twice", [](CVorlixDlg& d) { d.click(IDC_ERASE), d.click(IDC_ERASE); },
     true, false},
    {"a trim step", [](CVorlixDlg& d) { d.click(IDC_TRIM_LEFT); }, true, false},
    {"Mirror", [](CVorlixDlg& d) { d.click(IDC_MIRROR); }, false, false},
    {"Flip", [](CVorlixDlg& d) { d.click(IDC_FLIP); }, false, false},
};

// Each work on a camera whose backup was made already (a guard that reads nothing), then
// with the run's backup still to be read.
TEST(LongWork, ShowsTheWaitCursorAndTheBarFromTheFirstTransferAndQuickWorkShowsNone) {
    ScratchDir scratch;
    std::string script;
    for (int i = 0; i < 1024; ++i) script += "ff ";
    const std::string path = scratch.write("ff.qef", script);

    Rig start;
    start.dialog.start();
    EXPECT_GT(start.counted.waiting, 0) << "the start-up read-back";
    EXPECT_EQ(start.counted.quick, 0) << "the start-up read-back";
    EXPECT_GT(start.counted.barMoved, 0) << "the start-up read-back";
    for (const bool backupMade : {true, false}) {
        for (const Work& work : kWorks) {
            SCOPED_TRACE(std::string(work.what) + (backupMade ? "" : ", reading the backup"));
            Rig rig;
            BackupOnce guard{.made = backupMade};
            rig.dialog.dlg->setEepromWriteGuard(std::ref(guard));
            rig.dialog.start();
            rig.dialog.host.queueFileAnswer(path);
            rig.dialog.dlg->click(IDC_BROWSE);
            const frame::ProgressInfo before = rig.dialog.model().progress(IDC_PROGRESS);
            // Whether the bar lent to the work was ever full (the default camera makes every
            // read of a read-back).
            bool filled = false;
            rig.dialog.dlg->model().setObserver([&](int id) {
                const frame::ProgressInfo& bar = rig.dialog.model().progress(IDC_PROGRESS);
                filled |= id == IDC_PROGRESS && bar.pos == bar.max && !(bar == before);
            });
            rig.counted.reset();
            work.act(*rig.dialog.dlg);
            rig.dialog.dlg->model().setObserver(nullptr);
            EXPECT_EQ(rig.dialog.host.waitCursorDepth(), 0);
            EXPECT_EQ(rig.counted.waiting > 0, work.isLong || guard.made != backupMade);
            EXPECT_EQ(rig.counted.quick > 0, !work.isLong);
            EXPECT_EQ(rig.counted.barMoved > 0, work.isLong || guard.made != backupMade);
            EXPECT_EQ(rig.counted.barOverran, 0);
            if (work.isLong) {
                ASSERT_TRUE(rig.counted.firstBar.has_value());
                EXPECT_FALSE(*rig.counted.firstBar == before) << "the bar is set up first";
            }
            if (!work.ownsTheBar) {
                EXPECT_TRUE(rig.dialog.model().progress(IDC_PROGRESS) == before)
                    << "the bar is given back as it was found";
                EXPECT_EQ(filled, work.isLong || guard.made != backupMade);
            }
        }
    }
}

// While the backup is read the notice line says so; once it is made, Mirror is quick again,
// so a quick second click on it is never taken for input made during long work.
TEST(LongWork, TheBackupsReadIsToldOnTheNoticeLineAndMadeOnce) {
    Rig rig;
    BackupOnce guard;
    rig.dialog.dlg->setEepromWriteGuard(std::ref(guard));
    rig.dialog.start();
    // The line halfway through the read.
    std::vector<std::string> lines;
    rig.dialog.dlg->model().setObserver([&](int id) {
        if (id == IDC_PROGRESS && rig.dialog.model().progress(IDC_PROGRESS).pos == 512)
            lines.push_back(rig.dialog.dlg->outcome_);
    });
    rig.counted.reset();
    rig.dialog.dlg->click(IDC_MIRROR);
    rig.dialog.dlg->model().setObserver(nullptr);
    EXPECT_EQ(lines, std::vector<std::string>{camera::kReadingForBackupText});
    EXPECT_EQ(rig.dialog.dlg->outcome_, "");
    EXPECT_EQ(rig.counted.waiting, 2 * 1024);
    EXPECT_GT(rig.counted.quick, 0);

    rig.counted.reset();
    rig.dialog.dlg->click(IDC_MIRROR);
    EXPECT_EQ(rig.counted.waiting, 0);
    EXPECT_EQ(rig.counted.barMoved, 0);
    EXPECT_GT(rig.counted.quick, 0);
}

}  // namespace
}  // namespace vorlix::test
