#include "frame/controls.h"

namespace vorlix::frame {

// The platform ignores a track position handed to SetScrollInfo: outside a person's drag
// the track position is the position, so every write through the wrapper lets it follow.

void CScrollBar::GetScrollInfo(ScrollInfo& info) const {
    info = model_->scrollInfo(id_);
}

void CScrollBar::SetScrollInfo(const ScrollInfo& info, bool /*redraw*/) {
    ScrollInfo next = info;
    next.trackPos = next.pos;
    model_->setScrollInfo(id_, next);
}

void CScrollBar::SetScrollRange(int min, int max, bool /*redraw*/) {
    ScrollInfo next = model_->scrollInfo(id_);
    next.min = min;
    next.max = max;
    next.trackPos = next.pos;
    model_->setScrollInfo(id_, next);
}

int CScrollBar::GetScrollPos() const {
    return model_->scrollInfo(id_).pos;
}

void CScrollBar::SetScrollPos(int pos, bool /*redraw*/) {
    ScrollInfo next = model_->scrollInfo(id_);
    next.pos = pos;
    next.trackPos = pos;
    model_->setScrollInfo(id_, next);
}

void CProgressCtrl::SetRange(short lower, short upper) {
    model_->setProgressRange(id_, lower, upper);
}

void CProgressCtrl::SetPos(int pos) {
    model_->setProgressPos(id_, pos);
}

void CProgressCtrl::SetStep(int step) {
    model_->setProgressStep(id_, step);
}

void CProgressCtrl::StepIt() {
    model_->progressStepIt(id_);
}

}  // namespace vorlix::frame
