#pragma once
// Wrapper objects that a control binding attaches to a control of the model, so that a
// handler drives a scroll bar or the progress bar the way the platform's wrappers do.
#include "frame/dialog_model.h"

namespace vorlix::frame {

class CWndRef {
public:
    void attach(DialogModel& model, int id) {
        model_ = &model;
        id_ = id;
    }
    bool attached() const { return model_ != nullptr; }
    int id() const { return id_; }

protected:
    DialogModel* model_ = nullptr;
    int id_ = kNoId;
};

class CScrollBar : public CWndRef {
public:
    // Full scroll information (minimum, maximum, page, position, track position).
    void GetScrollInfo(ScrollInfo& info) const;
    // Writes it back; the model keeps the position within the range. Sends no scroll message.
    void SetScrollInfo(const ScrollInfo& info, bool redraw = true);
    void SetScrollRange(int min, int max, bool redraw = true);
    int GetScrollPos() const;
    void SetScrollPos(int pos, bool redraw = true);
};

class CProgressCtrl : public CWndRef {
public:
    void SetRange(short lower, short upper);
    void SetPos(int pos);
    void SetStep(int step);
    void StepIt();
};

}  // namespace vorlix::frame
