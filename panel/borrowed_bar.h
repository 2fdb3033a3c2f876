#pragma once
// The progress bar lent to long work that has no bar of its own (the backup's read, the
// read-back, Erase EEpr, the trim upload): it counts that work from 0 to its total, and is given
// back as it was found, range, position and step, when the work ends. So Ld EEpr file and Save
// find the bar as they left it, and the bar shows every long work from its first transaction.
#include <algorithm>
#include <cstddef>

#include "frame/controls.h"
#include "frame/dialog_model.h"

namespace vorlix::panel {

class BorrowedBar {
public:
    BorrowedBar(frame::CProgressCtrl& bar, const frame::DialogModel& model, std::size_t total)
        : bar_(bar), before_(model.progress(bar.id())) {
        // An empty range would show a bar that never moves (or a busy one, on some platforms).
        bar_.SetRange(0, static_cast<short>(std::max<std::size_t>(total, 1)));
        bar_.SetStep(1);
        bar_.SetPos(0);
    }
    ~BorrowedBar() {
        bar_.SetRange(static_cast<short>(before_.min), static_cast<short>(before_.max));
        bar_.SetStep(before_.step);
        bar_.SetPos(before_.pos);
    }
    BorrowedBar(const BorrowedBar&) = delete;
    BorrowedBar& operator=(const BorrowedBar&) = delete;

    // done of the total are done.
    void show(std::size_t done) { bar_.SetPos(static_cast<int>(done)); }

private:
    frame::CProgressCtrl& bar_;
    frame::ProgressInfo before_;
};

}  // namespace vorlix::panel
