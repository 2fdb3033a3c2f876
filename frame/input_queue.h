#pragma once
// The person's input for a dialog shown in a real window, one piece at a time. A handler runs
// to its end before the next piece, but input can arrive while one is still running (a long
// operation lets its window repaint, a box runs its own loop). What arrives during long work
// (the wait cursor is up) was made while the window said it was busy: it is dropped, never run
// afterwards, so that three clicks on Mirror during a programming run do not become three
// Mirror changes once it has ended. Anything else is held and runs afterwards, in order, as
// the platform queues it. Input that comes after the dialog ended goes nowhere.
#include <deque>
#include <functional>
#include <utility>

#include "frame/dialog.h"

namespace vorlix::frame {

class InputQueue {
public:
    // longWork tells whether long work runs now.
    InputQueue(CDialog& dialog, std::function<bool()> longWork)
        : dialog_(dialog), longWork_(std::move(longWork)) {}

    // Runs input now, or after the input that is running, or drops it during long work.
    // shown(sourceId) follows each piece, a dropped one at once, so that the view shows its
    // source control as the model has it now (a check box that a dropped click ticked on screen
    // goes back). True for the call that ran the queue to its end: the caller then looks at
    // whether the dialog ended.
    bool deliver(std::function<void()> input, int sourceId, const std::function<void(int)>& shown) {
        if (busy_ && longWork_()) {
            shown(sourceId);
            return false;
        }
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
    std::function<bool()> longWork_;
    std::deque<std::pair<std::function<void()>, int>> held_;
    bool busy_ = false;
};

}  // namespace vorlix::frame
