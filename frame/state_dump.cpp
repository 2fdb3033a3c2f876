#include "frame/state_dump.h"

#include <string>

#include "io/hex.h"

namespace vorlix::frame {

namespace {

// A negative number keeps its sign in front of its magnitude: "-1", never "ffffffff".
std::string hex(std::int64_t value) {
    const auto magnitude = static_cast<std::uint64_t>(value);
    return value < 0 ? "-" + io::formatHex(0 - magnitude) : io::formatHex(magnitude);
}

// Quotes a text so that it stays on its one line: '"' and '\' get a backslash, and so do
// the line breaks and tabs of multi-line edits; other control characters become \xHH.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    out += "\\x" + io::hexByte(static_cast<std::uint8_t>(c));
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

class DumpWriter : public MemberWriter {
public:
    explicit DumpWriter(std::ostream& out) : out_(out) {}

    void number(const std::string& name, std::int64_t value) override {
        out_ << "mem " << name << ' ' << hex(value) << '\n';
    }
    void numbers(const std::string& name, const std::vector<std::int64_t>& values) override {
        out_ << "mem " << name;
        for (std::int64_t value : values) out_ << ' ' << hex(value);
        out_ << '\n';
    }
    void text(const std::string& name, const std::string& value) override {
        out_ << "mem " << name << ' ' << quoted(value) << '\n';
    }

private:
    std::ostream& out_;
};

}  // namespace

void writeStateDump(const CDialog& dialog, std::ostream& out) {
    const DialogModel& model = dialog.model();
    for (const ControlTemplate& ctl : dialog.dialogTemplate().controls) {
        if (ctl.id == kNoId) continue;
        // Control ids stay decimal, as the template and the action script write them.
        out << "ctl " << ctl.id << ' ' << kindName(ctl.kind)
            << " en=" << (model.isEnabled(ctl.id) ? 1 : 0);
        switch (ctl.kind) {
            case ControlKind::Check:
            case ControlKind::Radio:
                out << " chk=" << hex(model.check(ctl.id));
                break;
            case ControlKind::Edit:
            case ControlKind::Static:
                out << " txt=" << quoted(model.text(ctl.id));
                break;
            case ControlKind::Scroll: {
                const ScrollInfo& sb = model.scrollInfo(ctl.id);
                out << " sb=" << hex(sb.min) << ',' << hex(sb.max) << ',' << hex(sb.pos);
                break;
            }
            case ControlKind::Progress: {
                const ProgressInfo& pb = model.progress(ctl.id);
                out << " pb=" << hex(pb.min) << ',' << hex(pb.max) << ',' << hex(pb.pos) << ','
                    << hex(pb.step);
                break;
            }
            case ControlKind::Button:
            case ControlKind::Group:
            case ControlKind::Picture:
                break;
        }
        out << '\n';
    }
    DumpWriter members(out);
    dialog.dumpMembers(members);
}

}  // namespace vorlix::frame
