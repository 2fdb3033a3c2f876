#include "io/hex.h"

#include <cctype>
#include <cstdio>

namespace vorlix::io {

namespace {

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool hasHexPrefix(std::string_view text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

}  // namespace

std::string formatHex(std::uint64_t value, int width) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llx", width, static_cast<unsigned long long>(value));
    return text;
}

std::string hexByte(std::uint8_t b) {
    return formatHex(b, 2);
}

std::optional<std::uint32_t> parseHexDigits(std::string_view text, std::size_t digits) {
    if (text.size() != digits || digits > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = digitValue(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<std::uint32_t> parseHexNumber(std::string_view text, std::size_t maxDigits) {
    if (hasHexPrefix(text)) text.remove_prefix(2);
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    return parseHexDigits(text, text.size());
}

std::optional<std::uint8_t> parseHexByte(std::string_view text) {
    const std::optional<std::uint32_t> value = parseHexNumber(text, 2);
    if (!value) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

std::uint32_t parseHex(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (hasHexPrefix(text.substr(i)) && digitValue(text[i + 2]) >= 0) i += 2;
    std::uint64_t value = 0;
    for (; i < text.size() && digitValue(text[i]) >= 0; ++i) {
        value = value * 16 + static_cast<unsigned>(digitValue(text[i]));
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

}  // namespace vorlix::io
