#include "frame/dialog_model.h"

#include <algorithm>
#include <stdexcept>

namespace vorlix::frame {

namespace {

// The platform keeps the thumb where a whole page still fits: position and track position
// lie in [min, max - (page - 1)], and never below min.
int clampToRange(int value, const ScrollInfo& info) {
    long long hi = info.max;
    if (info.page > 0) hi -= static_cast<long long>(info.page) - 1;
    hi = std::max<long long>(hi, info.min);
    return static_cast<int>(std::clamp<long long>(value, info.min, hi));
}

}  // namespace

DialogModel::DialogModel(const DialogTemplate& tmpl) : tmpl_(tmpl) {
    for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
        const ControlTemplate& ctl = tmpl.controls[i];
        if (ctl.id == kNoId || states_.count(ctl.id) != 0) continue;
        ControlState state;
        state.text = ctl.caption;  // a control's window text starts as its caption
        states_.emplace(ctl.id, std::move(state));
        index_.emplace(ctl.id, static_cast<int>(i));
    }
}

const ControlTemplate& DialogModel::control(int id) const {
    at(id);
    return tmpl_.controls[static_cast<std::size_t>(index_.at(id))];
}

ControlState& DialogModel::at(int id) {
    auto it = states_.find(id);
    if (it == states_.end())
        throw std::out_of_range("dialog " + std::to_string(tmpl_.id) + " has no control " +
                                std::to_string(id));
    return it->second;
}

const ControlState& DialogModel::at(int id) const {
    return const_cast<DialogModel*>(this)->at(id);
}

void DialogModel::changed(int id) {
    if (observer_) observer_(id);
}

const std::string& DialogModel::text(int id) const {
    return at(id).text;
}

void DialogModel::setText(int id, const std::string& text) {
    at(id).text = text;
    changed(id);
}

void DialogModel::appendText(int id, char key) {
    at(id).text.push_back(key);
    changed(id);
}

int DialogModel::check(int id) const {
    return at(id).check;
}

void DialogModel::setCheck(int id, int check) {
    at(id).check = check;
    changed(id);
}

void DialogModel::checkRadio(int first, int last, int id) {
    for (auto it = states_.lower_bound(first); it != states_.end() && it->first <= last; ++it) {
        if (control(it->first).kind != ControlKind::Radio) continue;
        setCheck(it->first, it->first == id ? 1 : 0);
    }
}

bool DialogModel::isEnabled(int id) const {
    return at(id).enabled;
}

void DialogModel::enable(int id, bool on) {
    at(id).enabled = on;
    changed(id);
}

const ScrollInfo& DialogModel::scrollInfo(int id) const {
    return at(id).scroll;
}

void DialogModel::setScrollInfo(int id, const ScrollInfo& info) {
    ScrollInfo& sb = at(id).scroll;
    sb = info;
    sb.pos = clampToRange(info.pos, info);
    sb.trackPos = clampToRange(info.trackPos, info);
    changed(id);
}

const ProgressInfo& DialogModel::progress(int id) const {
    return at(id).progress;
}

void DialogModel::setProgressRange(int id, int min, int max) {
    ProgressInfo& pb = at(id).progress;
    pb.min = min;
    pb.max = max;
    changed(id);
}

void DialogModel::setProgressPos(int id, int pos) {
    at(id).progress.pos = pos;
    changed(id);
}

void DialogModel::setProgressStep(int id, int step) {
    at(id).progress.step = step;
    changed(id);
}

void DialogModel::progressStepIt(int id) {
    ProgressInfo& pb = at(id).progress;
    long long pos = static_cast<long long>(pb.pos) + pb.step;
    if (pos > pb.max) {
        // Like the platform's control: the bar starts over from its minimum, carrying what
        // went past the maximum (modulo the span of the range).
        long long span = static_cast<long long>(pb.max) - pb.min;
        pos = span > 0 ? pb.min + (pos - pb.min) % span : pb.min;
    }
    pb.pos = static_cast<int>(pos);
    changed(id);
}

}  // namespace vorlix::frame
