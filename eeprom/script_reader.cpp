// The QEF script reader.
#include "eeprom/script_reader.h"

namespace vorlix::eeprom {

namespace {

constexpr int kEnd = -1;
constexpr std::uint8_t kCtrlZ = 0x1A;
constexpr std::uint8_t kEndByte = 0xFF;  // how the end of the text compares as a byte
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The bytes of a script as the C library's text mode on the tool's home platform delivers
// them, done by hand so that every platform reads a script the same way.
class TextStream {
public:
    explicit TextStream(std::string_view bytes) : bytes_(bytes) {
        if (bytes_.substr(0, kByteOrderMark.size()) == kByteOrderMark) at_ = kByteOrderMark.size();
    }

    // The next character (0..255), or kEnd from the end of the text on, for good.
    int next() {
        const int c = take();
        if (c == kCtrlZ) {
            ended_ = true;
            return kEnd;
        }
        if (c == '\r' && peek() == '\n') {
            ++newlines_;
            return take();
        }
        if (c == '\n') ++newlines_;
        return c;
    }

    // The newlines read so far: the line of the next character is one more.
    std::size_t newlines() const { return newlines_; }

    // Discards characters up to and including the next newline, or up to the end.
    void skipLine() {
        for (int c = next(); c != '\n' && c != kEnd; c = next()) {
        }
    }

private:
    int peek() const {
        if (ended_ || at_ == bytes_.size()) return kEnd;
        return static_cast<std::uint8_t>(bytes_[at_]);
    }
    int take() {
        const int c = peek();
        if (c != kEnd) ++at_;
        return c;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ended_ = false;
    std::size_t newlines_ = 0;
};

// The end of the text reads as 0xFF.
std::uint8_t asByte(int c) {
    return c == kEnd ? kEndByte : static_cast<std::uint8_t>(c);
}

bool isSeparator(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool isHexDigit(int c) {
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

}  // namespace

std::uint8_t hexDigitValue(std::uint8_t x) {
    if (x >= '0' && x <= '9') return static_cast<std::uint8_t>(x - 48);
    if (x < 'H') return static_cast<std::uint8_t>(x - 55);
    return static_cast<std::uint8_t>(x - 87);
}

ParsedScript parseScript(std::string_view fileBytes, ScriptImage& image) {
    TextStream in(fileBytes);
    ParsedScript parsed;
    for (std::size_t& i = parsed.given;; ++i) {
        // Separators and comment lines, in any order, until a pair starts: a comment line
        // after a blank line or indented by spaces is still a comment.
        int high = in.next();
        for (;;) {
            if (high != kEnd && isSeparator(static_cast<std::uint8_t>(high))) {
                high = in.next();
            } else if (high == '/') {
                in.skipLine();
                high = in.next();
            } else {
                break;
            }
        }
        if (asByte(high) == kEndByte) break;
        // The first character was just read, and it is no newline: its line is this one.
        const std::size_t line = in.newlines() + 1;
        const int low = in.next();
        if (i == kEepromSize) parsed.firstSpareLine = line;
        if (i >= image.size()) continue;
        image[i] =
            static_cast<std::uint16_t>(hexDigitValue(asByte(low)) +
                                       static_cast<std::uint8_t>(hexDigitValue(asByte(high)) * 16));
        parsed.pairs = i + 1;
        if (!parsed.firstNonHex && !(isHexDigit(high) && isHexDigit(low))) {
            NonHexPair pair{i, line, std::string(1, static_cast<char>(high))};
            if (low != kEnd) pair.chars += static_cast<char>(low);
            parsed.firstNonHex = pair;
        }
    }
    return parsed;
}

}  // namespace vorlix::eeprom
