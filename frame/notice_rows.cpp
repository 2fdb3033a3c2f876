// Fitting a status line into rows.
#include "frame/notice_rows.h"

#include <algorithm>
#include <optional>

namespace vorlix::frame {

namespace {

constexpr char kEllipsis[] = "\u2026";
constexpr char kSeparators[] = "/\\";

using Fits = std::function<bool(const std::string&)>;

std::vector<std::string> wordsOf(const std::string& line) {
    std::vector<std::string> words;
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find(' ', start);
        words.push_back(line.substr(start, end - start));
        if (end == std::string::npos) return words;
        start = end + 1;
    }
}

std::string joined(const std::vector<std::string>& words) {
    std::string line;
    for (std::size_t i = 0; i < words.size(); ++i) line += (i == 0 ? "" : " ") + words[i];
    return line;
}

// Whether a UTF-8 text may be cut before its byte at: never inside a character.
bool startsCharacter(const std::string& text, std::size_t at) {
    return at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
}

// word with an ellipsis for as much of its middle as fits needs: the end from its last separator
// on (a path's file name) stays whole, and as much of its start as fits. Nothing when not even
// the ellipsis and that end fit.
std::optional<std::string> shortened(const std::string& word, const Fits& fits) {
    const std::size_t separator = word.find_last_of(kSeparators);
    const std::size_t kept = separator == std::string::npos ? word.size() : separator;
    const std::string end = word.substr(kept);
    for (std::size_t length = kept;; --length) {
        if (startsCharacter(word, length)) {
            std::string candidate = word.substr(0, length) + kEllipsis + end;
            if (fits(candidate)) return candidate;
        }
        if (length == 0) return std::nullopt;
    }
}

bool isPath(const std::string& word) {
    return word.find_first_of(kSeparators) != std::string::npos;
}

// The line on one row with its paths shortened, the longest first, as far as that needs;
// nothing when it does not fit one row even so.
std::optional<std::string> withPathsShortened(std::vector<std::string> words, const Fits& fits) {
    std::vector<std::size_t> paths;
    for (std::size_t i = 0; i < words.size(); ++i)
        if (isPath(words[i])) paths.push_back(i);
    std::stable_sort(paths.begin(), paths.end(), [&](std::size_t a, std::size_t b) {
        return words[a].size() > words[b].size();
    });
    for (const std::size_t i : paths) {
        const Fits lineFits = [&](const std::string& word) {
            std::vector<std::string> trial = words;
            trial[i] = word;
            return fits(joined(trial));
        };
        if (const std::optional<std::string> word = shortened(words[i], lineFits)) {
            words[i] = *word;
            return joined(words);
        }
        // As short as it goes; the next path gives way as well.
        words[i] = kEllipsis + words[i].substr(words[i].find_last_of(kSeparators));
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> noticeRows(const std::string& line, int width, const TextWidth& measure) {
    const Fits fits = [&](const std::string& text) { return measure(text) <= width; };
    if (fits(line)) return {line};
    const std::vector<std::string> words = wordsOf(line);
    if (std::optional<std::string> row = withPathsShortened(words, fits)) return {*row};

    std::vector<std::string> rows;
    std::string row;
    for (const std::string& word : words) {
        const std::string longer = row.empty() ? word : row + ' ' + word;
        if (fits(longer)) {
            row = longer;
            continue;
        }
        if (!row.empty()) rows.push_back(row);
        row = fits(word) ? word : shortened(word, fits).value_or(word);
    }
    rows.push_back(row);
    return rows;
}

}  // namespace vorlix::frame
