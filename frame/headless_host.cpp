#include "frame/headless_host.h"

#include "frame/dialog.h"
#include "io/hex.h"

namespace vorlix::frame {

namespace {

// The person presses Enter; should that not close the dialog (a greyed default button, a
// default button whose handler keeps the dialog open), the dialog still ends with OK, so a
// headless run always comes to an end.
void closeWithEnter(CDialog& dialog) {
    if (dialog.ended()) return;
    dialog.enter();
    if (!dialog.ended()) dialog.EndDialog(IDOK);
}

}  // namespace

std::optional<std::string> HeadlessHost::openFileDialog(const std::string& filter,
                                                        bool /*allowMultiSelect*/) {
    fileFilters_.push_back(filter);
    if (fileAnswers_.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

void HeadlessHost::appendMenuItem(unsigned commandId, const std::string& text) {
    shellCalls_.push_back("menu " + io::formatHex(commandId) + " " + text);
}

void HeadlessHost::setIcon(bool big, int iconId) {
    shellCalls_.push_back(std::string("icon ") + (big ? "big " : "small ") +
                          std::to_string(iconId));
}

int HeadlessHost::doModal(CDialog& dialog, bool nested) {
    dialog.OnInitDialog();
    if (nested) {
        ++nestedDialogs_;
    } else {
        for (const Action& action : script_) {
            if (dialog.ended()) break;
            if (beforeAction_) beforeAction_();
            event("# " + action.source);
            perform(dialog, action);
        }
    }
    closeWithEnter(dialog);
    return dialog.result();
}

void HeadlessHost::perform(CDialog& dialog, const Action& action) {
    switch (action.kind) {
        case Action::Kind::Click:
            dialog.click(action.id);
            break;
        case Action::Kind::Type:
            dialog.type(action.id, action.text);
            break;
        case Action::Kind::Paste:
            dialog.paste(action.id, action.text);
            break;
        case Action::Kind::Scroll:
            dialog.scroll(action.id, action.code, action.track);
            break;
        case Action::Kind::File:
            queueFileAnswer(action.text);
            break;
        case Action::Kind::Cancel:
            queueFileAnswer(std::nullopt);
            break;
        case Action::Kind::Sys:
            dialog.sysCommand(action.code);
            break;
        case Action::Kind::Repower:
            if (repower_) repower_();
            break;
        case Action::Kind::BusLog:
            dialog.sysCommand(kBusLogCommand);
            break;
        case Action::Kind::Enter:
            dialog.enter();
            break;
        case Action::Kind::Escape:
            dialog.escape();
            break;
    }
}

}  // namespace vorlix::frame
