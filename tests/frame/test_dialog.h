#pragma once
// A small dialog with a few controls of every kind, two radio groups that touch and a lone
// radio, and a dialog class whose handlers do what real handlers do: rewrite their own edit,
// set checks and sliders, show boxes, open files and run a nested dialog.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "frame/dialog.h"

namespace vorlix::frame::testing {

inline const DialogTemplate& testTemplate() {
    using K = ControlKind;
    static const DialogTemplate tmpl{
        200,
        "Test dialog",
        200,
        120,
        "MS Sans Serif",
        8,
        {
            {IDOK, K::Button, "OK", {5, 100, 24, 14}, kDefault | kTabStop},
            {IDCANCEL, K::Button, "Cancel", {35, 100, 25, 14}, kTabStop},
            {1000, K::Check, "Manual", {5, 5, 60, 10}, kTabStop},
            {1001, K::Check, "Fine", {5, 18, 60, 10}, kTabStop},
            {kNoId, K::Static, "Value:", {5, 30, 30, 9}},
            {1003, K::Edit, "", {40, 30, 20, 12}, kTabStop},
            {1004, K::Edit, "", {65, 30, 40, 12}, kReadOnly | kCentered},
            {1005, K::Edit, "", {110, 30, 40, 12}, kTabStop},
            {1020, K::Radio, "A", {5, 45, 30, 10}, kGroupStart},
            {1021, K::Radio, "B", {5, 55, 30, 10}},
            {1022, K::Radio, "C", {5, 65, 30, 10}},
            {kNoId, K::Static, "or", {40, 45, 20, 9}},
            {1023, K::Radio, "D", {40, 55, 30, 10}},
            {1030, K::Radio, "X", {75, 45, 30, 10}, kGroupStart},
            {1031, K::Radio, "Y", {75, 55, 30, 10}},
            {kNoId, K::Group, "Target", {2, 40, 110, 40}},
            {1040, K::Static, "idle", {120, 45, 60, 9}, kNoPrefix},
            {1050, K::Scroll, "", {5, 82, 60, 9}},
            {1066, K::Progress, "Progress1", {70, 82, 60, 7}},
            {1076, K::Group, "Trim", {135, 60, 60, 30}},
            {1080, K::Picture, "", {140, 5, 50, 20}, kSunken, -1, 133},
            {1010, K::Button, "Apply", {70, 100, 30, 14}, kTabStop},
            {1032, K::Button, "Browse", {105, 100, 30, 14}, kTabStop},
        }};
    return tmpl;
}

inline const DialogTemplate& aboutTemplate() {
    static const DialogTemplate tmpl{
        100,
        "About",
        235,
        55,
        "MS Sans Serif",
        8,
        {{kNoId, ControlKind::Picture, "", {11, 17, 20, 20}, kIcon, -1, 128},
         {IDOK, ControlKind::Button, "OK", {178, 7, 50, 14}, kDefault | kTabStop}}};
    return tmpl;
}

class CAboutTestDlg : public CDialog {
public:
    explicit CAboutTestDlg(Host& host) : CDialog(aboutTemplate(), host) {}
};

class CTestDlg : public CDialog {
public:
    explicit CTestDlg(Host& host) : CDialog(testTemplate(), host) {
        onMessage(Message::SysCommand, &CTestDlg::OnSysCommand);
        onChange(1003, &CTestDlg::OnValueChange);
        onChange(1005, &CTestDlg::OnNoteChange);
        onClicked(1000, &CTestDlg::OnManual);
        onClicked(1001, &CTestDlg::OnFine);
        onClicked(1020, &CTestDlg::OnTargetA);
        onClicked(1021, &CTestDlg::OnTargetB);
        onMessage(Message::HScroll, &CTestDlg::OnHScroll);
        onClicked(1010, &CTestDlg::OnApply);
        onClicked(1032, &CTestDlg::OnBrowse);
    }

    // Bound members.
    std::string m_valueText, m_noteText;
    int m_manual = 0, m_fine = 0;
    CScrollBar m_bar;
    CProgressCtrl m_progress;
    // Unbound members.
    int m_value = 0;
    std::string m_path;

    // What reached the handlers.
    std::map<int, int> notified;  // control id -> BN_CLICKED / EN_CHANGE count
    std::vector<MessageParams> scrolls;
    std::vector<std::string> targets;

    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        m_bar.SetScrollRange(0, 192);
        return true;
    }

    using CDialog::checkButton;
    using CDialog::enableControl;
    using CDialog::setItemText;

protected:
    void DoDataExchange(DataExchange& dx) override {
        dx.control(1050, m_bar);
        dx.control(1066, m_progress);
        dx.text(1003, m_valueText);
        dx.check(1000, m_manual);
        dx.check(1001, m_fine);
        dx.text(1005, m_noteText);
    }

    void dumpMembers(MemberWriter& out) const override {
        out.number("m_value", m_value);
        out.numbers("m_regs", {0xff, 0, -2, 0x1a5});
        out.text("m_path", m_path);
    }

private:
    void OnSysCommand(const MessageParams& p) {
        if ((p.code & 0xFFF0) == 0x10) {
            CAboutTestDlg about(host());
            about.DoModal();
        } else {
            defaultSysCommand(p.code);
        }
    }

    // Reads the edit as hex, clamps to 0..ff and writes the clamped value back into the edit.
    void OnValueChange() {
        ++notified[1003];
        UpdateData(true);
        unsigned long v = std::strtoul(m_valueText.c_str(), nullptr, 16);
        m_value = static_cast<int>(v > 0xff ? 0xff : v);
        char text[16];
        std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(m_value));
        m_valueText = text;
        UpdateData(false);
    }

    void OnNoteChange() { ++notified[1005]; }

    // Ticking Manual ticks Fine directly on the control and greys it; unticking frees it.
    void OnManual() {
        ++notified[1000];
        UpdateData(true);
        checkButton(1001, m_manual);
        enableControl(1001, m_manual == 0);
        UpdateData(true);
        UpdateData(false);
    }

    void OnFine() { ++notified[1001]; }
    void OnTargetA() { targets.push_back("A"); }
    void OnTargetB() { targets.push_back("B"); }

    // A slider step in the panel's manner: the thumb codes take the bar's own track position.
    void OnHScroll(const MessageParams& p) {
        scrolls.push_back(p);
        ScrollInfo info;
        m_bar.GetScrollInfo(info);
        if (p.code == SB_THUMBTRACK || p.code == SB_THUMBPOSITION) info.pos = info.trackPos;
        if (p.code == SB_LINERIGHT) info.pos = info.pos + 1;
        m_bar.SetScrollInfo(info);
        m_bar.SetScrollPos(info.pos);
        m_value = m_bar.GetScrollPos();
    }

    void OnApply() {
        UpdateData(true);
        host().messageBox("value is " + m_valueText);
        host().messageBox("done");
    }

    void OnBrowse() {
        auto path = host().openFileDialog("Text files(.txt)|*.txt||", true);
        m_path = path.value_or("");
        setItemText(1040, path ? "chosen" : "cancelled");
    }
};

}  // namespace vorlix::frame::testing
