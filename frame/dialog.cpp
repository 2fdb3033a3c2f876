#include "frame/dialog.h"

namespace vorlix::frame {

void DataExchange::text(int id, std::string& member) {
    if (save_)
        member = model_.text(id);
    else
        model_.setText(id, member);
}

void DataExchange::check(int id, int& member) {
    if (save_)
        member = model_.check(id);
    else
        model_.setCheck(id, member);
}

void DataExchange::control(int id, CWndRef& wrapper) {
    if (!wrapper.attached()) wrapper.attach(model_, id);
}

CDialog::CDialog(const DialogTemplate& tmpl, Host& host) : model_(tmpl), host_(host) {}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
}

bool CDialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(model_, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

void CDialog::DoDataExchange(DataExchange&) {}

void CDialog::dumpMembers(MemberWriter&) const {}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

bool CDialog::acceptsInput(int id, ControlKind kind) const {
    return model_.has(id) && model_.control(id).kind == kind && model_.isEnabled(id);
}

bool CDialog::acceptsKeys(int id) const {
    return acceptsInput(id, ControlKind::Edit) && (model_.control(id).style & kReadOnly) == 0;
}

void CDialog::click(int id) {
    if (!model_.has(id) || !model_.isEnabled(id)) return;
    switch (model_.control(id).kind) {
        case ControlKind::Button:
            break;
        case ControlKind::Check:
            model_.setCheck(id, model_.check(id) == 0 ? 1 : 0);
            break;
        case ControlKind::Radio:
            checkInGroup(id);
            break;
        default:
            return;  // only buttons report clicks
    }
    command(id);
}

void CDialog::checkInGroup(int id) {
    const std::vector<ControlTemplate>& controls = dialogTemplate().controls;
    const auto isRadio = [&](std::size_t i) { return controls[i].kind == ControlKind::Radio; };
    const auto startsGroup = [&](std::size_t i) { return (controls[i].style & kGroupStart) != 0; };

    const std::size_t at = static_cast<std::size_t>(&model_.control(id) - controls.data());
    std::size_t first = at;
    while (first > 0 && !startsGroup(first) && isRadio(first - 1)) --first;
    std::size_t last = at;
    while (last + 1 < controls.size() && isRadio(last + 1) && !startsGroup(last + 1)) ++last;

    for (std::size_t i = first; i <= last; ++i) {
        if (controls[i].id != kNoId) model_.setCheck(controls[i].id, i == at ? 1 : 0);
    }
}

void CDialog::command(int id) {
    if (dispatch(Message::BnClicked, id)) return;
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
}

void CDialog::type(int id, const std::string& keys) {
    if (!acceptsKeys(id)) return;
    for (char key : keys) {
        // Each key lands at the end of whatever the edit holds now, also after a handler
        // rewrote the text.
        model_.appendText(id, key);
        dispatch(Message::EnChange, id);
    }
}

void CDialog::paste(int id, const std::string& text) {
    if (!acceptsKeys(id)) return;
    model_.setText(id, text);
    dispatch(Message::EnChange, id);
}

void CDialog::scroll(int id, unsigned code, std::optional<int> track) {
    if (!acceptsInput(id, ControlKind::Scroll)) return;
    if (track) {
        ScrollInfo info = model_.scrollInfo(id);
        info.trackPos = *track;
        model_.setScrollInfo(id, info);
    }
    MessageParams params;
    params.code = code;
    params.pos = track ? static_cast<unsigned>(model_.scrollInfo(id).trackPos) : 0;
    params.scrollBar = id;
    dispatch(Message::HScroll, id, params);
}

void CDialog::sysCommand(unsigned id, std::intptr_t param) {
    // The bus log belongs to the host's window, not to any dialog: no handler sees its entry.
    if ((id & 0xFFF0u) == kBusLogCommand) {
        host_.openBusLog();
        return;
    }
    MessageParams params;
    params.code = id;
    params.param = param;
    if (!dispatch(Message::SysCommand, 0, params)) defaultSysCommand(id);
}

void CDialog::defaultSysCommand(unsigned id) {
    // Close from the system menu or the close box: the dialog gets IDCANCEL, like Escape.
    if ((id & 0xFFF0u) == SC_CLOSE) command(IDCANCEL);
}

void CDialog::enter() {
    int id = IDOK;
    for (const ControlTemplate& ctl : dialogTemplate().controls) {
        if (ctl.kind == ControlKind::Button && (ctl.style & kDefault) != 0 && ctl.id != kNoId) {
            id = ctl.id;
            break;
        }
    }
    // A greyed default button swallows Enter.
    if (model_.has(id) && !model_.isEnabled(id)) return;
    command(id);
}

void CDialog::escape() {
    command(IDCANCEL);
}

bool CDialog::dispatch(Message message, int id, const MessageParams& params) {
    const bool byControl = message == Message::BnClicked || message == Message::EnChange;
    for (const MessageMapEntry& entry : messageMap_) {
        if (entry.message != message || (byControl && entry.id != id)) continue;
        entry.handler(params);
        return true;
    }
    return false;
}

}  // namespace vorlix::frame
