// Long work shows the wait cursor through every transfer it makes, and the windows drop what
// the person does meanwhile; a quick handler shows none, so input made during it still counts.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "link/adapter_decorator.h"
#include "panel/control_ids.h"
#include "panel_rig.h"
#include "tests/support/scratch_dir.h"

namespace vorlix::test {
namespace {

using namespace vorlix::panel;

// Counts the transactions made with and without the wait cursor up.
class CursorAtEachTransfer : public AdapterDecorator {
public:
    using AdapterDecorator::AdapterDecorator;
    AdapterHandle open(std::uint8_t slave, std::uint32_t timeout, std::uint32_t speed) override {
        ++(host->waitCursorDepth() > 0 ? waiting : quick);
        return AdapterDecorator::open(slave, timeout, speed);
    }
    const frame::HeadlessHost* host = nullptr;
    int waiting = 0;
    int quick = 0;
};

struct Rig : SimulatedCamera {
    Rig() : SimulatedCamera(sim::SimState::builtInDefault()) { counted.host = &dialog.host; }
    CursorAtEachTransfer counted{simAdapter};
    DialogRig dialog{counted};
};

TEST(LongWork, ShowsTheWaitCursorThroughEveryTransferAndQuickWorkShowsNone) {
    ScratchDir scratch;
    std::string script;
    for (int i = 0; i < 1024; ++i) script += "ff ";
    const std::string path = scratch.write("ff.qef", script);

    struct Work {
        const char* what;
        std::function<void(CVorlixDlg&)> act;
        bool isLong;
    };
    const Work works[] = {
        {"Connect", [](CVorlixDlg& d) { d.click(IDC_CONNECT); }, true},
        {"Ld EEpr file", [](CVorlixDlg& d) { d.click(IDC_LOAD_EEPROM); }, true},
        {"Save", [](CVorlixDlg& d) { d.click(IDC_SAVE); }, true},
        {"Erase EEpr, pressed twice", [](CVorlixDlg& d) { d.click(IDC_ERASE), d.click(IDC_ERASE); },
         true},
        {"a trim step", [](CVorlixDlg& d) { d.click(IDC_TRIM_LEFT); }, true},
        {"Mirror", [](CVorlixDlg& d) { d.click(IDC_MIRROR); }, false},
        {"Flip", [](CVorlixDlg& d) { d.click(IDC_FLIP); }, false},
    };
    Rig start;
    start.dialog.start();
    EXPECT_GT(start.counted.waiting, 0) << "the start-up read-back";
    EXPECT_EQ(start.counted.quick, 0) << "the start-up read-back";
    for (const Work& work : works) {
        Rig rig;
        rig.dialog.start();
        rig.dialog.host.queueFileAnswer(path);
        rig.dialog.dlg->click(IDC_BROWSE);
        rig.counted.waiting = rig.counted.quick = 0;
        work.act(*rig.dialog.dlg);
        EXPECT_EQ(rig.dialog.host.waitCursorDepth(), 0) << work.what;
        EXPECT_EQ(rig.counted.waiting > 0, work.isLong) << work.what;
        EXPECT_EQ(rig.counted.quick > 0, !work.isLong) << work.what;
    }
}

}  // namespace
}  // namespace vorlix::test
