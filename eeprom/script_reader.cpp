// The QEF script reader.
#include "eeprom/script_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vorlix::eeprom {

namespace {

constexpr int kEnd = -1;
constexpr std::uint8_t kCtrlZ = 0x1A;
constexpr std::uint8_t kEndByte = 0xFF;  // how the end of the text compares as a byte

// The file's bytes as the C library's text mode on the tool's home platform delivers them,
// done by hand so that every platform reads a script the same way.
class TextStream {
public:
    explicit TextStream(std::string_view bytes) : bytes_(bytes) {}

    // The next character (0..255), or kEnd from the end of the text on, for good.
    int next() {
        if (at_ >= bytes_.size()) return kEnd;
        const auto c = static_cast<std::uint8_t>(bytes_[at_++]);
        if (c == kCtrlZ) {
            at_ = bytes_.size();
            return kEnd;
        }
        if (c == '\r' && at_ < bytes_.size() && bytes_[at_] == '\n') {
            ++at_;
            return '\n';
        }
        return c;
    }

    // The next character as a byte: the end of the text reads as 0xFF.
    std::uint8_t nextByte() {
        const int c = next();
        return c == kEnd ? kEndByte : static_cast<std::uint8_t>(c);
    }

    // Discards characters up to and including the next newline, or up to the end.
    void skipLine() {
        for (int c = next(); c != '\n' && c != kEnd; c = next()) {
        }
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

bool isSeparator(std::uint8_t c) {
    return c == ' ' || c == '\n';
}

}  // namespace

std::uint8_t hexDigitValue(std::uint8_t x) {
    if (x >= '0' && x <= '9') return static_cast<std::uint8_t>(x - 48);
    if (x < 'H') return static_cast<std::uint8_t>(x - 55);
    return static_cast<std::uint8_t>(x - 87);
}

std::size_t parseScript(std::string_view fileBytes, ScriptImage& image) {
    TextStream in(fileBytes);
    std::size_t i = 0;
    for (; i < image.size(); ++i) {
        std::uint8_t high = in.nextByte();
        while (isSeparator(high)) high = in.nextByte();
        while (high == '/') {
            in.skipLine();
            high = in.nextByte();
        }
        while (isSeparator(high)) high = in.nextByte();
        if (high == kEndByte) break;
        const std::uint8_t low = in.nextByte();
        image[i] = static_cast<std::uint16_t>(hexDigitValue(low) +
                                              static_cast<std::uint8_t>(hexDigitValue(high) * 16));
    }
    return i;
}

bool readScriptFile(const std::string& path, ScriptImage& image, std::string& whyNot,
                    std::size_t* entries) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    errno = 0;
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        whyNot = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string bytes;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
        bytes.append(chunk, n);
    if (std::ferror(file.get())) {
        // A directory opens fine on some systems and fails only here.
        whyNot = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::size_t stored = parseScript(bytes, image);
    if (entries) *entries = stored;
    return true;
}

}  // namespace vorlix::eeprom
