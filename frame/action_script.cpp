#include "frame/action_script.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "io/input_file.h"
#include "io/printable.h"

namespace vorlix::frame {

namespace {

// A script may type a megabyte of text into an edit, and then some.
constexpr std::size_t kMaxScriptBytes = 16u << 20;

constexpr std::array<std::string_view, 9> kScrollCodeNames = {
    "SB_LINELEFT",   "SB_LINERIGHT", "SB_PAGELEFT", "SB_PAGERIGHT", "SB_THUMBPOSITION",
    "SB_THUMBTRACK", "SB_LEFT",      "SB_RIGHT",    "SB_ENDSCROLL",
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads one line of a script word by word. Words are separated by spaces or tabs; the rest
// of the line after the one separator that follows a word can be taken as it stands.
class LineReader {
public:
    LineReader(std::string_view line, const std::string& file, int number)
        : line_(line), file_(file), number_(number) {}

    bool atEnd() {
        skipBlanks();
        return pos_ == line_.size();
    }

    std::string_view word() {
        skipBlanks();
        const std::size_t start = pos_;
        while (pos_ < line_.size() && !isBlank(line_[pos_])) ++pos_;
        return line_.substr(start, pos_ - start);
    }

    // After a word: the rest of the line behind the one separator that follows it.
    std::string rest() {
        if (pos_ < line_.size()) ++pos_;
        std::string text(line_.substr(pos_));
        pos_ = line_.size();
        return text;
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw ScriptError(io::printable(file_ + ":" + std::to_string(number_) + ": " + what));
    }

    int controlId(std::string_view keyword) {
        const std::string_view w = word();
        if (w.empty()) fail(std::string(keyword) + " needs a control id");
        int id = 0;
        if (!parseDecimal(w, id) || id < 0)
            fail("'" + std::string(w) + "' is not a decimal control id");
        return id;
    }

    void end() {
        if (!atEnd()) fail("unexpected '" + std::string(word()) + "' at the end of the line");
    }

    static bool parseDecimal(std::string_view w, int& value) {
        const char* last = w.data() + w.size();
        auto [ptr, ec] = std::from_chars(w.data(), last, value);
        return ec == std::errc() && ptr == last;
    }

private:
    void skipBlanks() {
        while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
    }

    std::string_view line_;
    const std::string& file_;
    int number_;
    std::size_t pos_ = 0;
};

unsigned scrollCode(LineReader& in) {
    const std::string_view w = in.word();
    if (w.empty()) in.fail("scroll needs a scroll code");
    for (std::size_t code = 0; code < kScrollCodeNames.size(); ++code) {
        if (w == kScrollCodeNames[code]) return static_cast<unsigned>(code);
    }
    int code = 0;
    if (!LineReader::parseDecimal(w, code) || code < 0 ||
        code >= static_cast<int>(kScrollCodeNames.size()))
        in.fail("scroll code '" + std::string(w) +
                "' is neither 0..8 nor SB_LINELEFT..SB_ENDSCROLL");
    return static_cast<unsigned>(code);
}

// A system command identifier: decimal (16) or hexadecimal with a 0x prefix (0xF060), as
// the platform's headers write them.
unsigned sysCommandId(LineReader& in) {
    const std::string_view w = in.word();
    if (w.empty()) in.fail("sys needs a command identifier");
    std::string_view digits = w;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    unsigned id = 0;
    const char* last = digits.data() + digits.size();
    auto [ptr, ec] = std::from_chars(digits.data(), last, id, base);
    if (ec != std::errc() || ptr != last)
        in.fail("'" + std::string(w) + "' is not a command identifier (decimal or 0x hex)");
    return id;
}

Action parseLine(std::string_view line, const std::string& file, int number) {
    LineReader in(line, file, number);
    Action action;
    action.source = std::string(line);
    action.line = number;

    const std::string_view keyword = in.word();
    if (keyword == "click") {
        action.kind = Action::Kind::Click;
        action.id = in.controlId(keyword);
        in.end();
    } else if (keyword == "type") {
        action.kind = Action::Kind::Type;
        action.id = in.controlId(keyword);
        action.text = in.rest();
        if (action.text.empty()) in.fail("type needs the text to type after the control id");
    } else if (keyword == "paste") {
        action.kind = Action::Kind::Paste;
        action.id = in.controlId(keyword);
        action.text = in.rest();
    } else if (keyword == "scroll") {
        action.kind = Action::Kind::Scroll;
        action.id = in.controlId(keyword);
        action.code = scrollCode(in);
        if (!in.atEnd()) {
            const std::string_view w = in.word();
            int track = 0;
            if (!LineReader::parseDecimal(w, track))
                in.fail("track position '" + std::string(w) + "' is not a decimal number");
            action.track = track;
        }
        in.end();
    } else if (keyword == "file") {
        action.kind = Action::Kind::File;
        action.text = in.rest();
        if (action.text.empty()) in.fail("file needs a path");
    } else if (keyword == "cancel") {
        action.kind = Action::Kind::Cancel;
        in.end();
    } else if (keyword == "sys") {
        action.kind = Action::Kind::Sys;
        action.code = sysCommandId(in);
        in.end();
    } else if (keyword == "repower") {
        action.kind = Action::Kind::Repower;
        in.end();
    } else if (keyword == "buslog") {
        action.kind = Action::Kind::BusLog;
        in.end();
    } else if (keyword == "enter") {
        action.kind = Action::Kind::Enter;
        in.end();
    } else if (keyword == "escape") {
        action.kind = Action::Kind::Escape;
        in.end();
    } else {
        in.fail(
            "unknown action '" + std::string(keyword) +
            "' (click, type, paste, scroll, file, cancel, sys, repower, buslog, enter, escape)");
    }
    return action;
}

}  // namespace

ActionScript parseActionScript(const std::string& text, const std::string& fileName) {
    ActionScript script;
    std::string_view rest = text;
    int number = 0;
    while (!rest.empty()) {
        const std::size_t eol = rest.find('\n');
        std::string_view line = rest.substr(0, eol);
        rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;
        script.push_back(parseLine(line, fileName, number));
    }
    return script;
}

ActionScript loadActionScript(const std::string& path) {
    io::ReadFailure failure;
    const std::optional<std::string> text = io::readWholeFile(path, kMaxScriptBytes, failure);
    if (!text) {
        throw ScriptError(io::printable(path) +
                          (failure.opening ? ": cannot open the action script: "
                                           : ": cannot read the action script: ") +
                          failure.reason);
    }
    return parseActionScript(*text, path);
}

namespace {

// The controls a person can aim each kind of action at.
bool clickable(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::Check || kind == ControlKind::Radio;
}

const char* kindWithArticle(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            return "a button";
        case ControlKind::Check:
            return "a check box";
        case ControlKind::Radio:
            return "a radio button";
        case ControlKind::Edit:
            return "an edit";
        case ControlKind::Static:
            return "a text";
        case ControlKind::Group:
            return "a group box";
        case ControlKind::Scroll:
            return "a scroll bar";
        case ControlKind::Progress:
            return "a progress bar";
        case ControlKind::Picture:
            return "a picture";
    }
    return "a control";
}

}  // namespace

void checkActionScript(const ActionScript& script, const DialogTemplate& dialog,
                       const std::string& fileName) {
    for (const Action& action : script) {
        const char* verb = nullptr;
        const char* works = nullptr;
        switch (action.kind) {
            case Action::Kind::Click:
                verb = "click";
                works = "buttons, check boxes and radio buttons";
                break;
            case Action::Kind::Type:
            case Action::Kind::Paste:
                verb = action.kind == Action::Kind::Type ? "type" : "paste";
                works = "edits that are not read-only";
                break;
            case Action::Kind::Scroll:
                verb = "scroll";
                works = "scroll bars";
                break;
            default:
                continue;
        }
        const auto fail = [&](const std::string& problem) {
            throw ScriptError(
                io::printable(fileName + ":" + std::to_string(action.line) + ": " + problem));
        };
        const auto ctl = std::find_if(dialog.controls.begin(), dialog.controls.end(),
                                      [&](const ControlTemplate& c) { return c.id == action.id; });
        if (ctl == dialog.controls.end())
            fail("the dialog has no control " + std::to_string(action.id));
        const bool fits = action.kind == Action::Kind::Click ? clickable(ctl->kind)
                          : action.kind == Action::Kind::Scroll
                              ? ctl->kind == ControlKind::Scroll
                              : ctl->kind == ControlKind::Edit && (ctl->style & kReadOnly) == 0;
        if (!fits) {
            const bool readOnlyEdit =
                ctl->kind == ControlKind::Edit && (ctl->style & kReadOnly) != 0;
            const std::string what = readOnlyEdit ? "a read-only edit" : kindWithArticle(ctl->kind);
            fail("control " + std::to_string(action.id) + " is " + what + "; " + verb +
                 " works on " + works);
        }
    }
}

}  // namespace vorlix::frame
