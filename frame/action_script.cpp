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

// What a keyword takes after it.
enum class Takes {
    Nothing,           // the keyword alone
    Control,           // ID
    ControlText,       // ID TEXT, the text not empty
    ControlMaybeText,  // ID [TEXT]
    ControlScroll,     // ID CODE [TRACK]
    Path,              // PATH, the rest of the line
    SysCommand,        // a system command identifier
};

// The controls an action is aimed at, for checkActionScript.
enum class Aims { Nowhere, Clickable, Editable, ScrollBar };

struct Keyword {
    std::string_view word;
    Action::Kind kind;
    Takes takes = Takes::Nothing;
    Aims aims = Aims::Nowhere;
};

// The action script's language: one row a keyword.
constexpr Keyword kKeywords[] = {
    {.word = "click",
     .kind = Action::Kind::Click,
     .takes = Takes::Control,
     .aims = Aims::Clickable},
    {.word = "type",
     .kind = Action::Kind::Type,
     .takes = Takes::ControlText,
     .aims = Aims::Editable},
    {.word = "paste",
     .kind = Action::Kind::Paste,
     .takes = Takes::ControlMaybeText,
     .aims = Aims::Editable},
    {.word = "scroll",
     .kind = Action::Kind::Scroll,
     .takes = Takes::ControlScroll,
     .aims = Aims::ScrollBar},
    {.word = "file", .kind = Action::Kind::File, .takes = Takes::Path},
    {.word = "cancel", .kind = Action::Kind::Cancel},
    {.word = "sys", .kind = Action::Kind::Sys, .takes = Takes::SysCommand},
    {.word = "repower", .kind = Action::Kind::Repower},
    {.word = "buslog", .kind = Action::Kind::BusLog},
    {.word = "enter", .kind = Action::Kind::Enter},
    {.word = "escape", .kind = Action::Kind::Escape},
};

const Keyword* keywordOf(Action::Kind kind) {
    for (const Keyword& k : kKeywords)
        if (k.kind == kind) return &k;
    return nullptr;
}

// "click, type, ... escape": the keywords, as the refusal of an unknown one lists them.
std::string keywordList() {
    std::string list;
    for (const Keyword& k : kKeywords) {
        if (!list.empty()) list += ", ";
        list += k.word;
    }
    return list;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// What is wrong with a line, thrown from wherever in the line it is found and caught at
// parseActionScript, which fails with it.
struct LineProblem {
    std::string line;
};

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
        throw LineProblem{io::printable(file_ + ":" + std::to_string(number_) + ": " + what)};
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

    const std::string_view word = in.word();
    const auto keyword = std::find_if(std::begin(kKeywords), std::end(kKeywords),
                                      [word](const Keyword& k) { return k.word == word; });
    if (keyword == std::end(kKeywords))
        in.fail("unknown action '" + std::string(word) + "' (" + keywordList() + ")");
    action.kind = keyword->kind;
    switch (keyword->takes) {
        case Takes::Nothing:
            in.end();
            break;
        case Takes::Control:
            action.id = in.controlId(word);
            in.end();
            break;
        case Takes::ControlText:
            action.id = in.controlId(word);
            action.text = in.rest();
            if (action.text.empty())
                in.fail(std::string(word) + " needs the text to type after the control id");
            break;
        case Takes::ControlMaybeText:
            action.id = in.controlId(word);
            action.text = in.rest();
            break;
        case Takes::ControlScroll:
            action.id = in.controlId(word);
            action.code = scrollCode(in);
            if (!in.atEnd()) {
                const std::string_view w = in.word();
                int track = 0;
                if (!LineReader::parseDecimal(w, track))
                    in.fail("track position '" + std::string(w) + "' is not a decimal number");
                action.track = track;
            }
            in.end();
            break;
        case Takes::Path:
            action.text = in.rest();
            if (action.text.empty()) in.fail(std::string(word) + " needs a path");
            break;
        case Takes::SysCommand:
            action.code = sysCommandId(in);
            in.end();
            break;
    }
    return action;
}

}  // namespace

io::Expected<ActionScript> parseActionScript(const std::string& text, const std::string& fileName) {
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
        try {
            script.push_back(parseLine(line, fileName, number));
        } catch (const LineProblem& problem) {
            return io::Failure{problem.line};
        }
    }
    return script;
}

io::Expected<ActionScript> loadActionScript(const std::string& path) {
    const io::Expected<std::string, io::ReadFailure> text =
        io::readWholeFile(path, kMaxScriptBytes);
    if (!text) {
        const io::ReadFailure& failure = text.failure();
        return io::Failure{io::printable(path) +
                           (failure.opening ? ": cannot open the action script: "
                                            : ": cannot read the action script: ") +
                           failure.reason};
    }
    return parseActionScript(*text, path);
}

namespace {

// The controls a person can aim each kind of action at.
bool aimedRight(Aims aims, const ControlTemplate& control) {
    switch (aims) {
        case Aims::Clickable:
            return control.kind == ControlKind::Button || control.kind == ControlKind::Check ||
                   control.kind == ControlKind::Radio;
        case Aims::Editable:
            return control.kind == ControlKind::Edit && (control.style & kReadOnly) == 0;
        case Aims::ScrollBar:
            return control.kind == ControlKind::Scroll;
        case Aims::Nowhere:
            break;
    }
    return true;
}

const char* worksOn(Aims aims) {
    switch (aims) {
        case Aims::Clickable:
            return "buttons, check boxes and radio buttons";
        case Aims::Editable:
            return "edits that are not read-only";
        case Aims::ScrollBar:
            return "scroll bars";
        case Aims::Nowhere:
            break;
    }
    return "nothing";
}

const char* kindWithArticle(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::Button:
            return "a button";
        case ControlKind::Check:
            return "a check box";
        case ControlKind::Radio:
            return "a radio button";
        case ControlKind::Edit:
            return (control.style & kReadOnly) != 0 ? "a read-only edit" : "an edit";
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

io::Expected<> checkActionScript(const ActionScript& script, const DialogTemplate& dialog,
                                 const std::string& fileName) {
    for (const Action& action : script) {
        const Keyword* keyword = keywordOf(action.kind);
        if (keyword == nullptr || keyword->aims == Aims::Nowhere) continue;
        const auto fail = [&](const std::string& problem) {
            return io::Failure{
                io::printable(fileName + ":" + std::to_string(action.line) + ": " + problem)};
        };
        const auto ctl = std::find_if(dialog.controls.begin(), dialog.controls.end(),
                                      [&](const ControlTemplate& c) { return c.id == action.id; });
        if (ctl == dialog.controls.end())
            return fail("the dialog has no control " + std::to_string(action.id));
        if (!aimedRight(keyword->aims, *ctl))
            return fail("control " + std::to_string(action.id) + " is " + kindWithArticle(*ctl) +
                        "; " + std::string(keyword->word) + " works on " + worksOn(keyword->aims));
    }
    return io::Ok{};
}

}  // namespace vorlix::frame
