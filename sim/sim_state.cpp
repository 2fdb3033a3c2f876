// The simulated camera's state file: plain JSON, hexadecimal in lower case.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/sim_camera.h"

namespace vorlix::sim {

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

constexpr std::size_t kBankBytes = 256;

std::string hex(std::uint32_t value, int digits) {
    char text[9];
    std::snprintf(text, sizeof text, "%0*x", digits, static_cast<unsigned>(value));
    return text;
}

// Exactly `digits` hex digits (either case).
std::optional<std::uint32_t> hexValue(const std::string& text, std::size_t digits) {
    if (text.size() != digits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Reports a file that is valid JSON but not a camera state, naming the key at fault.
class StateReader {
public:
    explicit StateReader(const std::string& fileName) : fileName_(fileName) {}

    [[noreturn]] void fail(const std::string& where, const std::string& problem) const {
        throw SimStateError(fileName_ + ": " + where + ": " + problem);
    }

    std::uint32_t hexString(const Json& value, const std::string& where, std::size_t digits) const {
        if (value.is_string()) {
            if (const auto parsed = hexValue(value.get<std::string>(), digits)) {
                return *parsed;
            }
        }
        fail(where, "expected a string of " + std::to_string(digits) + " hex digits");
    }

    std::uint64_t integer(const Json& value, const std::string& where, std::uint64_t min,
                          std::uint64_t max) const {
        if (value.is_number_unsigned()) {
            const auto n = value.get<std::uint64_t>();
            if (n >= min && n <= max) {
                return n;
            }
        }
        fail(where,
             "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max));
    }

    void readRegisters(const Json& value, SimState& state) const {
        if (!value.is_object()) {
            fail("registers", "expected an object of \"address\": \"value\" pairs");
        }
        for (const auto& [key, entry] : value.items()) {
            const auto address = hexValue(key, 4);
            if (!address) {
                fail("registers." + key, "a register address is 4 hex digits");
            }
            state.registers[static_cast<std::uint16_t>(*address)] =
                static_cast<std::uint16_t>(hexString(entry, "registers." + key, 4));
        }
    }

    void readEeprom(const Json& value, SimState& state) const {
        if (!value.is_object()) {
            fail("eeprom", "expected an object with the banks a0, a2, a4, a6");
        }
        for (const auto& [key, entry] : value.items()) {
            const auto bank = hexValue(key, 2);
            const std::uint8_t* known =
                std::find(std::begin(kEepromBanks), std::end(kEepromBanks), bank.value_or(0));
            if (!bank || known == std::end(kEepromBanks)) {
                fail("eeprom." + key, "the banks are a0, a2, a4 and a6");
            }
            const std::string where = "eeprom." + key;
            if (!entry.is_string() || entry.get<std::string>().size() != 2 * kBankBytes) {
                fail(where, "expected a string of 512 hex digits");
            }
            const std::string digits = entry.get<std::string>();
            auto& bytes = state.eeprom[static_cast<std::size_t>(known - std::begin(kEepromBanks))];
            for (std::size_t i = 0; i < kBankBytes; ++i) {
                const auto byte = hexValue(digits.substr(2 * i, 2), 2);
                if (!byte) {
                    fail(where, "\"" + digits.substr(2 * i, 2) + "\" at offset " + hex(i, 2) +
                                    " is not a hex byte");
                }
                bytes[i] = static_cast<std::uint8_t>(*byte);
            }
        }
    }

    void readFaults(const Json& value, SimState& state) const {
        if (!value.is_array()) {
            fail("faults", "expected an array of faults");
        }
        for (std::size_t i = 0; i < value.size(); ++i) {
            const std::string where = "faults[" + std::to_string(i) + "]";
            const Json& entry = value[i];
            if (!entry.is_object()) {
                fail(where, "expected an object with \"at\" or \"slave\", and \"status\"");
            }
            Fault fault;
            for (const auto& [key, field] : entry.items()) {
                if (key == "at") {
                    fault.at = static_cast<std::uint32_t>(integer(
                        field, where + ".at", 1, std::numeric_limits<std::uint32_t>::max()));
                } else if (key == "slave") {
                    fault.slave = static_cast<std::uint8_t>(hexString(field, where + ".slave", 2));
                } else if (key == "status") {
                    fault.status =
                        static_cast<std::uint16_t>(integer(field, where + ".status", 1, 0xFFFF));
                } else {
                    fail(where + "." + key, "unknown key (a fault has at, slave and status)");
                }
            }
            if (!fault.at && !fault.slave) {
                fail(where, "a fault needs \"at\" or \"slave\"");
            }
            state.faults.push_back(fault);
        }
    }

private:
    std::string fileName_;
};

// The line of the character nlohmann stopped at (its byte count includes that character).
// An error at the end of the input names the last line that holds text.
std::size_t lineOf(const std::string& text, std::size_t byte) {
    std::size_t end = byte == 0 ? 0 : byte - 1;
    if (end >= text.size()) {
        end = text.find_last_not_of(" \t\r\n");
        end = end == std::string::npos ? 0 : end;
    }
    std::size_t line = 1;
    for (std::size_t i = 0; i < end; ++i) {
        line += text[i] == '\n' ? 1 : 0;
    }
    return line;
}

// nlohmann's reason without its own "[json.exception...] parse error at line L, column C: "
// prefix, kept on one line.
std::string reasonOf(const std::exception& e) {
    std::string reason = e.what();
    if (const std::size_t colon = reason.find(": "); colon != std::string::npos) {
        reason.erase(0, colon + 2);
    }
    for (char& c : reason) {
        c = (c == '\n' || c == '\r') ? ' ' : c;
    }
    return reason;
}

}  // namespace

// A key left out takes its empty value: present, no registers, banks all ff, busyReads 1, no
// faults. Unknown keys are refused, so a misspelt key never silently does nothing.
SimState parseSimState(const std::string& json, const std::string& fileName) {
    Json doc;
    try {
        doc = Json::parse(json);
    } catch (const Json::parse_error& e) {
        throw SimStateError(fileName + ":" + std::to_string(lineOf(json, e.byte)) +
                            ": not valid JSON: " + reasonOf(e));
    }

    const StateReader reader(fileName);
    if (!doc.is_object()) {
        reader.fail("top level", "expected a JSON object");
    }
    SimState state;
    for (auto& bank : state.eeprom) {
        bank.fill(0xFF);
    }
    for (const auto& [key, value] : doc.items()) {
        if (key == "present") {
            if (!value.is_boolean()) {
                reader.fail(key, "expected true or false");
            }
            state.present = value.get<bool>();
        } else if (key == "registers") {
            reader.readRegisters(value, state);
        } else if (key == "eeprom") {
            reader.readEeprom(value, state);
        } else if (key == "busyReads") {
            state.busyReads = static_cast<unsigned>(
                reader.integer(value, key, 0, std::numeric_limits<unsigned>::max()));
        } else if (key == "faults") {
            reader.readFaults(value, state);
        } else {
            reader.fail(key,
                        "unknown key (expected present, registers, eeprom, busyReads, faults)");
        }
    }
    return state;
}

std::string formatSimState(const SimState& state) {
    OrderedJson doc;
    doc["present"] = state.present;

    OrderedJson registers = OrderedJson::object();
    for (const auto& [address, value] : state.registers) {
        registers[hex(address, 4)] = hex(value, 4);
    }
    doc["registers"] = std::move(registers);

    OrderedJson eeprom = OrderedJson::object();
    for (std::size_t b = 0; b < state.eeprom.size(); ++b) {
        std::string digits;
        for (std::uint8_t byte : state.eeprom[b]) {
            digits += hex(byte, 2);
        }
        eeprom[hex(kEepromBanks[b], 2)] = std::move(digits);
    }
    doc["eeprom"] = std::move(eeprom);

    doc["busyReads"] = state.busyReads;

    OrderedJson faults = OrderedJson::array();
    for (const Fault& fault : state.faults) {
        OrderedJson entry = OrderedJson::object();
        if (fault.at) {
            entry["at"] = *fault.at;
        }
        if (fault.slave) {
            entry["slave"] = hex(*fault.slave, 2);
        }
        entry["status"] = fault.status;
        faults.push_back(std::move(entry));
    }
    doc["faults"] = std::move(faults);
    return doc.dump(2) + "\n";
}

SimState loadSimState(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throw SimStateError(path + ": cannot read the state: it is a directory");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw SimStateError(path + ": cannot read the state: " + std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        throw SimStateError(path + ": cannot read the state: " + std::strerror(errno));
    }
    return parseSimState(text.str(), path);
}

// Written beside the target and renamed over it, so an interrupted save never leaves a
// half-written EEPROM behind.
void saveSimState(const SimState& state, const std::string& path) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw SimStateError(path + ": cannot write the state: " + std::strerror(errno));
        }
        out << formatSimState(state);
        out.close();
        if (!out) {
            throw SimStateError(path + ": cannot write the state: " + std::strerror(errno));
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        const std::string reason = ec.message();
        std::filesystem::remove(temporary, ec);
        throw SimStateError(path + ": cannot write the state: " + reason);
    }
}

}  // namespace vorlix::sim
