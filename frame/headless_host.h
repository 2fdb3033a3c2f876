#pragma once
// The headless host: no window. It answers every message box with OK (and records it),
// answers open-file dialogs from a queue, and runs a modal dialog by playing an action
// script against it. Nested dialogs (the About box) close at once with OK.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "frame/action_script.h"
#include "frame/host.h"

namespace vorlix::frame {

class HeadlessHost : public Host {
public:
    std::optional<std::string> openFileDialog(const std::string& filter,
                                              bool allowMultiSelect) override;
    void beginWaitCursor() override {
        ++waitCursorDepth_;
        ++waitCursorShown_;
    }
    void endWaitCursor() override { --waitCursorDepth_; }
    void pump() override {}
    // The shell calls are recorded as "separator", "menu <id hex> <text>", "icon big|small <id>".
    void appendMenuSeparator() override { shellCalls_.push_back("separator"); }
    void appendMenuItem(unsigned commandId, const std::string& text) override;
    void setIcon(bool big, int iconId) override;
    const std::vector<std::string>& shellCalls() const { return shellCalls_; }

    // The actions the outermost modal dialog plays; without a script it ends at once
    // after its initialisation, as if the person pressed Enter.
    void setScript(ActionScript script) { script_ = std::move(script); }
    // Called for the "repower" action.
    void setRepowerHook(std::function<void()> hook) { repower_ = std::move(hook); }
    // Called before each action of the script is played: where a run may be ended between
    // two actions.
    void setBeforeAction(std::function<void()> hook) { beforeAction_ = std::move(hook); }
    // Queues the answer of the next open-file dialog (nothing: cancelled).
    void queueFileAnswer(std::optional<std::string> path) {
        fileAnswers_.push_back(std::move(path));
    }

    const std::vector<std::string>& boxes() const { return boxes_; }
    const std::vector<std::string>& fileFilters() const { return fileFilters_; }
    int waitCursorDepth() const { return waitCursorDepth_; }
    int waitCursorShown() const { return waitCursorShown_; }
    int nestedDialogsRun() const { return nestedDialogs_; }
    // How often the bus log was opened: there is no window to show it, the trace has the line.
    int busLogOpened() const { return busLogOpened_; }

    // Plays one action against a running dialog (also used by tests action by action).
    void perform(CDialog& dialog, const Action& action);

protected:
    void showMessageBox(const std::string& text) override { boxes_.push_back(text); }
    int doModal(CDialog& dialog, bool nested) override;
    void showBusLog() override { ++busLogOpened_; }

private:
    ActionScript script_;
    std::function<void()> repower_;
    std::function<void()> beforeAction_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::vector<std::string> boxes_;
    std::vector<std::string> shellCalls_;
    std::vector<std::string> fileFilters_;
    int waitCursorDepth_ = 0;
    int waitCursorShown_ = 0;
    int nestedDialogs_ = 0;
    int busLogOpened_ = 0;
};

}  // namespace vorlix::frame
