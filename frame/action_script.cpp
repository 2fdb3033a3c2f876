#include "frame/action_script.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

namespace vorlix::frame {

namespace {

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
        throw ScriptError(file_ + ":" + std::to_string(number_) + ": " + what);
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
    } else if (keyword == "enter") {
        action.kind = Action::Kind::Enter;
        in.end();
    } else if (keyword == "escape") {
        action.kind = Action::Kind::Escape;
        in.end();
    } else {
        in.fail("unknown action '" + std::string(keyword) +
                "' (click, type, paste, scroll, file, cancel, sys, repower, enter, escape)");
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
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        // Windows refuses to open a directory at all, where Linux opens it and fails the read:
        // the person named a folder either way, and hears so in the same words.
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec))
            throw ScriptError(path + ": cannot read the action script");
        throw ScriptError(path + ": cannot open the action script");
    }
    std::string text;
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) text.append(block, got);
    // A directory opens but does not read: that is no empty script.
    if (std::ferror(file.get())) throw ScriptError(path + ": cannot read the action script");
    return parseActionScript(text, path);
}

}  // namespace vorlix::frame
