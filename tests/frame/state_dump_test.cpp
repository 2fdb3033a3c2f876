#include "frame/state_dump.h"

#include <gtest/gtest.h>

#include <sstream>

#include "frame/headless_host.h"
#include "test_dialog.h"

namespace vorlix::frame::testing {
namespace {

std::string dump(const CDialog& dialog) {
    std::ostringstream out;
    writeStateDump(dialog, out);
    return out.str();
}

TEST(StateDump, ListsControlsInTemplateOrderThenMembers) {
    HeadlessHost host;
    CTestDlg dlg(host);
    dlg.OnInitDialog();
    dlg.click(1000);
    dlg.click(1022);
    dlg.type(1003, "c0");
    dlg.setItemText(1004, "say \"hi\" C:\\dir");
    dlg.scroll(1050, SB_THUMBTRACK, 0xc0);
    dlg.enableControl(1050, false);
    dlg.m_progress.SetRange(1, 242);
    dlg.m_progress.SetStep(1);
    dlg.m_progress.SetPos(0);
    dlg.m_path = "/tmp/a.qef";

    EXPECT_EQ(dump(dlg),
              "ctl 1 button en=1\n"
              "ctl 2 button en=1\n"
              "ctl 1000 check en=1 chk=1\n"
              "ctl 1001 check en=0 chk=1\n"
              "ctl 1003 edit en=1 txt=\"c0\"\n"
              "ctl 1004 edit en=1 txt=\"say \\\"hi\\\" C:\\\\dir\"\n"
              "ctl 1005 edit en=1 txt=\"\"\n"
              "ctl 1020 radio en=1 chk=0\n"
              "ctl 1021 radio en=1 chk=0\n"
              "ctl 1022 radio en=1 chk=1\n"
              "ctl 1023 radio en=1 chk=0\n"
              "ctl 1030 radio en=1 chk=0\n"
              "ctl 1031 radio en=1 chk=0\n"
              "ctl 1040 static en=1 txt=\"idle\"\n"
              "ctl 1050 scroll en=0 sb=0,c0,c0\n"
              "ctl 1066 progress en=1 pb=1,f2,0,1\n"
              "ctl 1076 group en=1\n"
              "ctl 1080 picture en=1\n"
              "ctl 1010 button en=1\n"
              "ctl 1032 button en=1\n"
              "mem m_value c0\n"
              "mem m_regs ff 0 -2 1a5\n"
              "mem m_path \"/tmp/a.qef\"\n");
}

TEST(StateDump, MultiLineTextStaysOnItsLine) {
    HeadlessHost host;
    CAboutTestDlg about(host);
    CTestDlg dlg(host);
    dlg.setItemText(1004, "a\r\nb\tc\x01");
    const std::string text = dump(dlg);
    EXPECT_NE(text.find("ctl 1004 edit en=1 txt=\"a\\r\\nb\\tc\\x01\"\n"), std::string::npos);
    EXPECT_EQ(dump(about), "ctl 1 button en=1\n");
}

TEST(StateDump, ExtremeNumbers) {
    class Extremes : public CDialog {
    public:
        explicit Extremes(Host& host) : CDialog(aboutTemplate(), host) {}
        void dumpMembers(MemberWriter& out) const override {
            out.number("lo", INT64_MIN);
            out.number("hi", INT64_MAX);
            out.numbers("none", {});
        }
    };
    HeadlessHost host;
    Extremes dlg(host);
    EXPECT_EQ(dump(dlg),
              "ctl 1 button en=1\n"
              "mem lo -8000000000000000\n"
              "mem hi 7fffffffffffffff\n"
              "mem none\n");
}

}  // namespace
}  // namespace vorlix::frame::testing
