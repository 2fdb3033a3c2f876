#pragma once
// The person's input for a dialog shown in a real window, one piece at a time. A long handler
// lets its window repaint (and a box runs its own loop), so input can arrive while a handler
// is still running: it is held and runs afterwards, in order, as the platform queues it, and
// never enters a handler that has not returned. Input that comes after the dialog ended goes
// nowhere.
#include <deque>
#include <functional>
#include <utility>

#include "frame/dialog.h"

namespace vorlix::frame {

class InputQueue {
public:
    explicit InputQueue(CDialog& dialog) : dialog_(dialog) {}

    // Runs input now, or after the input that is running. shown(sourceId) follows each piece,
    // so that the view shows its source control as the model has it now. True for the call
    // that ran the queue to its end: the caller then looks at whether the dialog ended.
    bool deliver(std::function<void()> input, int sourceId, const std::function<void(int)>& shown) {
        held_.emplace_back(std::move(input), sourceId);
        if (busy_) return false;
        busy_ = true;
        while (!held_.empty()) {
            auto [run, source] = std::move(held_.front());
            held_.pop_front();
            if (!dialog_.ended()) run();
            shown(source);
        }
        busy_ = false;
        return true;
    }

private:
    CDialog& dialog_;
    std::deque<std::pair<std::function<void()>, int>> held_;
    bool busy_ = false;
};

}  // namespace vorlix::frame
