// The QEF script reader.
#include "eeprom/script_reader.h"

#include <functional>
#include <vector>

#include "io/input_file.h"
#include "io/printable.h"

namespace vorlix::eeprom {

namespace {

constexpr int kEnd = -1;
constexpr std::uint8_t kCtrlZ = 0x1A;
constexpr std::uint8_t kEndByte = 0xFF;  // how the end of the text compares as a byte
constexpr std::size_t kChunkBytes = 65536;

// The bytes of a script as the C library's text mode on the tool's home platform delivers
// them, done by hand so that every platform reads a script the same way. The bytes come in
// chunks from refill (an empty chunk is the end), so a file is read only as far as the
// parser goes and never held whole.
class TextStream {
public:
    using Refill = std::function<std::string_view()>;
    explicit TextStream(Refill refill) : refill_(std::move(refill)) {}

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

    // The next character as a byte: the end of the text reads as 0xFF.
    std::uint8_t nextByte() {
        const int c = next();
        return c == kEnd ? kEndByte : static_cast<std::uint8_t>(c);
    }

    // The newlines read so far: the line of the next character is one more.
    std::size_t newlines() const { return newlines_; }

    // Discards characters up to and including the next newline, or up to the end.
    void skipLine() {
        for (int c = next(); c != '\n' && c != kEnd; c = next()) {
        }
    }

private:
    int peek() {
        if (ended_) return kEnd;
        if (at_ == chunk_.size()) {
            chunk_ = refill_();
            at_ = 0;
            if (chunk_.empty()) {
                ended_ = true;
                return kEnd;
            }
        }
        return static_cast<std::uint8_t>(chunk_[at_]);
    }
    int take() {
        const int c = peek();
        if (c != kEnd) ++at_;
        return c;
    }

    Refill refill_;
    std::string_view chunk_;
    std::size_t at_ = 0;
    bool ended_ = false;
    std::size_t newlines_ = 0;
};

bool isSeparator(std::uint8_t c) {
    return c == ' ' || c == '\n';
}

// Called with each pair's entry, its two characters and the line it starts on; false stops
// the reading after that pair.
using PairVisitor = std::function<bool(std::size_t, std::uint8_t, std::uint8_t, std::size_t)>;

std::size_t parse(TextStream& in, ScriptImage& image, const PairVisitor& visit = nullptr) {
    std::size_t i = 0;
    for (; i < image.size(); ++i) {
        // Separators and comment lines, in any order, until a pair starts: a comment line
        // after a blank line or indented by spaces is still a comment.
        std::uint8_t high = in.nextByte();
        for (;;) {
            if (isSeparator(high)) {
                high = in.nextByte();
            } else if (high == '/') {
                in.skipLine();
                high = in.nextByte();
            } else {
                break;
            }
        }
        if (high == kEndByte) break;
        // The first character was just read, and it is no newline: its line is this one.
        const std::size_t line = in.newlines() + 1;
        const std::uint8_t low = in.nextByte();
        image[i] = static_cast<std::uint16_t>(hexDigitValue(low) +
                                              static_cast<std::uint8_t>(hexDigitValue(high) * 16));
        if (visit && !visit(i, high, low, line)) return i + 1;
    }
    return i;
}

}  // namespace

std::uint8_t hexDigitValue(std::uint8_t x) {
    if (x >= '0' && x <= '9') return static_cast<std::uint8_t>(x - 48);
    if (x < 'H') return static_cast<std::uint8_t>(x - 55);
    return static_cast<std::uint8_t>(x - 87);
}

std::size_t parseScript(std::string_view fileBytes, ScriptImage& image) {
    bool given = false;
    TextStream in([&]() -> std::string_view {
        if (given) return {};
        given = true;
        return fileBytes;
    });
    return parse(in, image);
}

std::optional<PairPlace> firstNonHexPair(std::string_view fileBytes, std::size_t count) {
    bool given = false;
    TextStream in([&]() -> std::string_view {
        if (given) return {};
        given = true;
        return fileBytes;
    });
    const auto isHex = [](std::uint8_t c) {
        return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
    };
    std::optional<PairPlace> found;
    ScriptImage scratch{};
    parse(in, scratch, [&](std::size_t i, std::uint8_t high, std::uint8_t low, std::size_t line) {
        if (i >= count) return false;
        if (isHex(high) && isHex(low)) return true;
        found = PairPlace{i, line};
        return false;
    });
    return found;
}

bool readScriptFile(const std::string& path, ScriptImage& image, std::string& whyNot,
                    std::size_t* stored) {
    io::InputFile file;
    const std::string name = io::printable(path);
    if (!file.open(path)) {
        whyNot = (file.failure().opening ? "cannot open " : "cannot read ") + name + ": " +
                 file.failure().reason;
        return false;
    }
    std::vector<char> chunk(kChunkBytes);
    bool readFailed = false;
    TextStream in([&]() -> std::string_view {
        const long n = readFailed ? 0 : file.read(chunk.data(), chunk.size());
        readFailed = n < 0;
        return {chunk.data(), n > 0 ? static_cast<std::size_t>(n) : 0};
    });
    // Parsed into a copy, so that a file that fails part-way leaves the image as it was.
    ScriptImage parsed = image;
    const std::size_t count = parse(in, parsed);
    if (readFailed) {
        whyNot = "cannot read " + name + ": " + file.failure().reason;
        return false;
    }
    image = parsed;
    if (stored) *stored = count;
    return true;
}

}  // namespace vorlix::eeprom
