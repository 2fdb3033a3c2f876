// Reading a bus trace with the camera map.
#include "camera/bus_reading.h"

#include <vector>

#include "camera/camera_map.h"
#include "io/hex.h"

namespace vorlix::camera {

namespace {

// The probe of the address search: the header of an 8-bit read of bank a0 offset fe, sent with
// the bank's write form (a camera read names the read form).
constexpr std::uint8_t kProbe[] = {kCmdRead8, bankWriteForm(0), 0xFE};

// One transfer line: "W 70 03 30 1c", "R 71 2 : 01 3b", "WR bb 00 40 : 80 00", each maybe
// ending in " !5".
struct Transfer {
    std::string kind;
    std::uint8_t slave = 0;
    std::vector<std::uint8_t> sent;      // a write's bytes; a write-then-read's sub-address
    std::vector<std::uint8_t> received;  // what a read brought back
    std::optional<unsigned> status;      // a failed transfer's status
};

std::optional<Transfer> parseTransfer(std::string_view line) {
    std::vector<std::string_view> words;
    while (!line.empty()) {
        const std::size_t space = line.find(' ');
        if (space != 0) words.push_back(line.substr(0, space));
        if (space == std::string_view::npos) break;
        line.remove_prefix(space + 1);
    }
    if (words.size() < 2 || (words[0] != "W" && words[0] != "R" && words[0] != "WR"))
        return std::nullopt;
    Transfer t;
    t.kind = words[0];
    const std::optional<std::uint32_t> slave = io::parseHexDigits(words[1], 2);
    if (!slave) return std::nullopt;
    t.slave = static_cast<std::uint8_t>(*slave);
    std::size_t i = 2;
    if (t.kind == "R") ++i;  // the count: the bytes after ':' say it
    bool afterColon = false;
    for (; i < words.size(); ++i) {
        if (words[i] == ":") {
            afterColon = true;
        } else if (words[i][0] == '!') {
            t.status = static_cast<unsigned>(std::stoul(std::string(words[i].substr(1))));
        } else {
            const std::optional<std::uint32_t> byte = io::parseHexDigits(words[i], 2);
            if (!byte) return std::nullopt;
            (afterColon ? t.received : t.sent).push_back(static_cast<std::uint8_t>(*byte));
        }
    }
    return t;
}

std::string word(std::uint8_t hi, std::uint8_t lo) {
    return io::hexByte(hi) + io::hexByte(lo);
}

std::string eepromPlace(std::uint8_t bankForm, std::uint8_t offset) {
    return io::hexByte(static_cast<std::uint8_t>(bankForm & 0xFE)) + ":" + io::hexByte(offset);
}

// What a command header names: an EEPROM byte (the 8-bit commands and the page) or a sensor
// register.
std::string subjectOf(std::uint8_t code, std::uint8_t p1, std::uint8_t p2) {
    if (code == kCmdWrite16 || code == kCmdRead16) return "sensor " + word(p1, p2);
    return "eeprom " + eepromPlace(p1, p2);
}

// How a command's reading joins its subject and its value: "=" for what came back, "<-" for
// what was written.
const char* arrowOf(std::uint8_t code) {
    return code == kCmdRead8 || code == kCmdRead16 ? " = " : " <- ";
}

bool isCommandCode(std::uint8_t code) {
    return code == kCmdWrite8 || code == kCmdRead8 || code == kCmdWrite16 || code == kCmdRead16 ||
           code == kCmdWritePage;
}

std::string failedSuffix(const Transfer& t) {
    return t.status ? " (failed, status " + std::to_string(*t.status) + ")" : "";
}

std::string bytesText(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) text += (text.empty() ? "" : " ") + io::hexByte(b);
    return text;
}

}  // namespace

std::string BusReader::read(std::string_view line) {
    const std::optional<Transfer> parsed = parseTransfer(line);
    if (!parsed) return "";
    const Transfer& t = *parsed;

    if (t.kind == "WR") {
        pending_.reset();
        if (t.slave != kSensorRead || t.sent.size() != 2) return "";
        if (t.status)
            return "sensor " + word(t.sent[0], t.sent[1]) + " = ? (direct)" + failedSuffix(t);
        if (t.received.size() != 2) return "";
        return "sensor " + word(t.sent[0], t.sent[1]) + " = " + word(t.received[0], t.received[1]) +
               " (direct)";
    }

    if (t.kind == "R") {
        if (probed_ && t.slave == (*probed_ | 1)) {
            probed_.reset();
            return "";
        }
        if (!pending_ || t.slave != (pending_->slave | 1)) return "";
        const Header h = *pending_;
        pending_.reset();
        const std::string subject = subjectOf(h.code, h.p1, h.p2);
        if (t.status) return subject + " = ?" + failedSuffix(t);
        if (h.code == kCmdRead16 && t.received.size() == 2)
            return subject + " = " + word(t.received[0], t.received[1]);
        if (h.code == kCmdRead8 && t.received.size() == 1)
            return subject + " = " + io::hexByte(t.received[0]);
        return "";
    }

    // A write: a probe, a command header, a command's data phase, or the sensor directly.
    probed_.reset();
    const std::vector<std::uint8_t>& b = t.sent;
    if (b.size() == 3 && b[0] == kProbe[0] && b[1] == kProbe[1] && b[2] == kProbe[2]) {
        pending_.reset();
        if (t.status) return "probe " + io::hexByte(t.slave) + ": none";
        probed_ = t.slave;
        return "probe " + io::hexByte(t.slave) + ": found";
    }
    if (pending_ && pending_->slave == t.slave && !(b.size() == 3 && isCommandCode(b[0]))) {
        const Header h = *pending_;
        pending_.reset();
        const std::string subject = subjectOf(h.code, h.p1, h.p2);
        if (h.code == kCmdWrite8 && b.size() == 1)
            return subject + " <- " + io::hexByte(b[0]) + failedSuffix(t);
        if (h.code == kCmdWrite16 && b.size() == 2)
            return subject + " <- " + word(b[0], b[1]) + failedSuffix(t);
        if (h.code == kCmdWritePage && !b.empty())
            return subject + ".." + io::hexByte(static_cast<std::uint8_t>(h.p2 + b.size() - 1)) +
                   " <- " + bytesText(b) + failedSuffix(t);
        return "";
    }
    if (b.size() == 3 && isCommandCode(b[0]) && t.slave != kSensorWrite) {
        pending_.reset();
        if (t.status) return subjectOf(b[0], b[1], b[2]) + arrowOf(b[0]) + "?" + failedSuffix(t);
        pending_ = Header{t.slave, b[0], b[1], b[2]};
        return "";
    }
    pending_.reset();
    if (t.slave == kSensorWrite && b.size() == 4)
        return "sensor " + word(b[0], b[1]) + " <- " + word(b[2], b[3]) + " (direct)" +
               failedSuffix(t);
    return "";
}

}  // namespace vorlix::camera
