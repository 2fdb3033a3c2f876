#pragma once
// The dialog model owns every control's state; it is the single source of truth and a view
// only shows it. Changes the program makes here never reach a handler: notifications come
// only from CDialog's person-input entry points. A view subscribes to learn what to repaint.
#include <functional>
#include <map>
#include <string>

#include "frame/dialog_template.h"

namespace vorlix::frame {

// Full scroll information of a scroll bar control. A fresh scroll bar control has an empty
// range (0..0) and page 0.
struct ScrollInfo {
    int min = 0;
    int max = 0;
    unsigned page = 0;
    int pos = 0;
    int trackPos = 0;
};

// A progress bar's state; the platform's defaults are range 0..100 and step 10.
struct ProgressInfo {
    int min = 0;
    int max = 100;
    int pos = 0;
    int step = 10;
};

struct ControlState {
    std::string text;
    int check = 0;  // 0 unchecked, 1 checked
    bool enabled = true;
    ScrollInfo scroll;
    ProgressInfo progress;
};

class DialogModel {
public:
    explicit DialogModel(const DialogTemplate& tmpl);

    const DialogTemplate& dialogTemplate() const { return tmpl_; }
    bool has(int id) const { return states_.count(id) != 0; }
    // The template entry of a control with an identifier.
    const ControlTemplate& control(int id) const;

    const std::string& text(int id) const;
    void setText(int id, const std::string& text);
    void appendText(int id, char key);
    int check(int id) const;
    void setCheck(int id, int check);
    // Checks id and unchecks the other radios of [first, last].
    void checkRadio(int first, int last, int id);
    bool isEnabled(int id) const;
    void enable(int id, bool on);

    const ScrollInfo& scrollInfo(int id) const;
    void setScrollInfo(int id, const ScrollInfo& info);  // pos and trackPos kept within range

    const ProgressInfo& progress(int id) const;
    void setProgressRange(int id, int min, int max);
    void setProgressPos(int id, int pos);
    void setProgressStep(int id, int step);
    // Advances by the step; past the maximum the bar starts over from its minimum.
    void progressStepIt(int id);

    // Called with the control id after every change (a view repaints that control).
    using Observer = std::function<void(int id)>;
    void setObserver(Observer observer) { observer_ = std::move(observer); }

private:
    ControlState& at(int id);
    const ControlState& at(int id) const;
    void changed(int id);

    const DialogTemplate& tmpl_;
    std::map<int, ControlState> states_;
    std::map<int, int> index_;  // id -> template index
    Observer observer_;
};

}  // namespace vorlix::frame
