// The simulated camera's state file: plain JSON, hexadecimal in lower case.
#include <algorithm>
#include <cctype>
#include <iterator>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "io/hex.h"
#include "io/input_file.h"
#include "io/output_file.h"
#include "io/printable.h"
#include "sim/sim_camera.h"

namespace vorlix::sim {

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

constexpr std::size_t kBankBytes = 256;
// Room for every one of the 65536 registers, the four banks and tens of thousands of faults;
// anything larger is no state this tool wrote or a person set up.
constexpr std::size_t kMaxStateBytes = 4u << 20;
// A camera state nests three deep (the faults, a fault, its fields).
constexpr int kMaxDepth = 8;

// Registers and their values have 4 digits, banks, bytes and slaves 2; either case is read.
using io::formatHex;
using io::hexByte;
using io::parseHexDigits;

// What the reader below finds wrong, as the one line parseSimState fails with: thrown from
// wherever in the nesting it is found and caught at parseSimState, so that no layer above
// ever sees it.
struct StateProblem {
    std::string line;
};

// Reports a file that is valid JSON but not a camera state, naming the key at fault.
class StateReader {
public:
    // prefix: where the object read sits in the file ("modules[1]." for a scripted module).
    explicit StateReader(const std::string& fileName, std::string prefix = "")
        : fileName_(fileName), prefix_(std::move(prefix)) {}

    [[noreturn]] void fail(const std::string& where, const std::string& problem) const {
        throw StateProblem{io::printable(fileName_ + ": " + prefix_ + where + ": " + problem)};
    }

    std::uint32_t hexString(const Json& value, const std::string& where, std::size_t digits) const {
        if (value.is_string()) {
            if (const auto parsed = parseHexDigits(value.get<std::string>(), digits)) {
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
            const auto address = parseHexDigits(key, 4);
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
            const auto bank = parseHexDigits(key, 2);
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
                const auto byte = parseHexDigits(digits.substr(2 * i, 2), 2);
                if (!byte) {
                    fail(where, "\"" + digits.substr(2 * i, 2) + "\" at offset " + formatHex(i, 2) +
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
            bool hasStatus = false;
            for (const auto& [key, field] : entry.items()) {
                if (key == "at") {
                    fault.at = static_cast<std::uint32_t>(integer(
                        field, where + ".at", 1, std::numeric_limits<std::uint32_t>::max()));
                } else if (key == "slave") {
                    fault.slave = static_cast<std::uint8_t>(hexString(field, where + ".slave", 2));
                } else if (key == "status") {
                    hasStatus = true;
                    fault.status =
                        static_cast<std::uint16_t>(integer(field, where + ".status", 1, 0xFFFF));
                } else if (key == "signal") {
                    fault.signal = static_cast<int>(integer(field, where + ".signal", 1, 15));
                    if (!endsRun(fault.signal)) {
                        fail(where + ".signal",
                             "expected 1 (hangup), 2 (interrupt), 9 (kill) or 15 (terminate)");
                    }
                } else {
                    fail(where + "." + key,
                         "unknown key (a fault has at, slave, status and signal)");
                }
            }
            if (!fault.at && !fault.slave) {
                fail(where, "a fault needs \"at\" or \"slave\"");
            }
            if (!hasStatus && fault.signal == 0) {
                fail(where, "a fault needs \"status\"");
            }
            if (!hasStatus) {
                fault.status = kStatusOk;  // only the signal: the transaction goes through
            }
            state.faults.push_back(fault);
        }
    }

    // A camera's keys; a left-out key keeps the value state has. The top level may also list
    // scripted modules, a module its gap and stays.
    void readCamera(const Json& doc, SimState& state, ScriptedModule* module) const {
        if (!doc.is_object()) {
            fail("top level", "expected a JSON object");  // a module was checked before
        }
        for (const auto& [key, value] : doc.items()) {
            if (key == "present") {
                if (!value.is_boolean()) {
                    fail(key, "expected true or false");
                }
                state.present = value.get<bool>();
            } else if (key == "registers") {
                readRegisters(value, state);
            } else if (key == "eeprom") {
                readEeprom(value, state);
            } else if (key == "busyReads") {
                state.busyReads = static_cast<unsigned>(
                    integer(value, key, 0, std::numeric_limits<unsigned>::max()));
            } else if (key == "faults") {
                readFaults(value, state);
            } else if (key == "modules" && module == nullptr) {
                readModules(value, state);
            } else if (key == "gap" && module != nullptr) {
                module->gap = integer(value, key, 0, std::numeric_limits<std::uint32_t>::max());
            } else if (key == "stays" && module != nullptr) {
                module->stays = integer(value, key, 1, std::numeric_limits<std::uint32_t>::max());
            } else {
                fail(key, module == nullptr ? "unknown key (expected present, registers, eeprom, "
                                              "busyReads, faults, modules)"
                                            : "unknown key (a module has gap, stays, present, "
                                              "registers, eeprom, busyReads, faults)");
            }
        }
    }

    void readModules(const Json& value, SimState& state) const {
        if (!value.is_array()) {
            fail("modules", "expected an array of modules");
        }
        for (std::size_t i = 0; i < value.size(); ++i) {
            const std::string where = "modules[" + std::to_string(i) + "]";
            if (!value[i].is_object() || !value[i].contains("stays")) {
                fail(where, "expected an object with \"stays\" (and gap, eeprom, ...)");
            }
            ScriptedModule module;
            module.state = emptyCamera();
            StateReader(fileName_, prefix_ + where + ".")
                .readCamera(value[i], module.state, &module);
            state.modules.push_back(std::move(module));
        }
    }

    // What a left-out key leaves: present, no registers, banks all ff, busyReads 1, no faults.
    static SimState emptyCamera() {
        SimState state;
        for (auto& bank : state.eeprom) {
            bank.fill(0xFF);
        }
        return state;
    }

private:
    std::string fileName_;
    std::string prefix_;
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
    } else if (const std::size_t id = reason.find("] "); id != std::string::npos) {
        reason.erase(0, id + 2);
    }
    for (char& c : reason) {
        c = (c == '\n' || c == '\r') ? ' ' : c;
    }
    return reason;
}

// Walks the text for nlohmann and remembers how far it got, so that an error found in the
// middle of parsing (a number too large for any type, a repeated key) names its line.
class CountingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator(const char* at, std::size_t* taken) : at_(at), taken_(taken) {}
    reference operator*() const { return *at_; }
    CountingIterator& operator++() {
        ++at_;
        ++*taken_;
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
    bool operator!=(const CountingIterator& other) const { return at_ != other.at_; }

private:
    const char* at_;
    std::size_t* taken_;
};

// A problem found while parsing; the caller adds the file and the line.
struct Refused {
    std::string problem;
};

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The document, with every key given once per object: keys are compared without regard to
// case, since "301c" and "301C" name one register and the later one would silently win.
Json parseJson(const std::string& json, const std::string& fileName) {
    std::size_t taken = 0;
    std::vector<std::map<std::string, std::string>> keys;  // per open object: lower -> as given
    const auto check = [&](int depth, Json::parse_event_t event, Json& parsed) {
        switch (event) {
            case Json::parse_event_t::object_start:
            case Json::parse_event_t::array_start:
                if (depth >= kMaxDepth) throw Refused{"nested deeper than a camera state"};
                if (event == Json::parse_event_t::object_start) keys.emplace_back();
                break;
            case Json::parse_event_t::object_end:
                keys.pop_back();
                break;
            case Json::parse_event_t::key: {
                const std::string& key = parsed.get_ref<const std::string&>();
                const auto [at, fresh] = keys.back().emplace(lowerCase(key), key);
                if (!fresh) {
                    throw Refused{at->second == key ? "\"" + key + "\" is given twice"
                                                    : "\"" + key + "\" repeats \"" + at->second +
                                                          "\" (keys are not case-sensitive)"};
                }
                break;
            }
            default:
                break;
        }
        return true;
    };
    const auto lineError = [&](std::size_t byte, const std::string& problem) {
        return StateProblem{
            io::printable(fileName + ":" + std::to_string(lineOf(json, byte)) + ": " + problem)};
    };
    try {
        return Json::parse(CountingIterator(json.data(), &taken),
                           CountingIterator(json.data() + json.size(), &taken), check);
    } catch (const Json::parse_error& e) {
        throw lineError(e.byte, "not valid JSON: " + reasonOf(e));
    } catch (const Json::out_of_range& e) {  // a number beyond every type: 1e400
        throw lineError(taken, reasonOf(e));
    } catch (const Refused& e) {
        throw lineError(taken, e.problem);
    }
}

}  // namespace

// A key left out takes its empty value: present, no registers, banks all ff, busyReads 1, no
// faults, no modules. Unknown keys are refused, so a misspelt key never silently does nothing.
io::Expected<SimState> parseSimState(const std::string& json, const std::string& fileName) {
    try {
        const Json doc = parseJson(json, fileName);
        const StateReader reader(fileName);
        SimState state = StateReader::emptyCamera();
        reader.readCamera(doc, state, nullptr);
        return state;
    } catch (const StateProblem& problem) {
        return io::Failure{problem.line};
    }
}

namespace {

void formatCamera(const SimState& state, OrderedJson& doc) {
    doc["present"] = state.present;

    OrderedJson registers = OrderedJson::object();
    for (const auto& [address, value] : state.registers) {
        registers[formatHex(address, 4)] = formatHex(value, 4);
    }
    doc["registers"] = std::move(registers);

    OrderedJson eeprom = OrderedJson::object();
    for (std::size_t b = 0; b < state.eeprom.size(); ++b) {
        std::string digits;
        for (std::uint8_t byte : state.eeprom[b]) {
            digits += hexByte(byte);
        }
        eeprom[hexByte(kEepromBanks[b])] = std::move(digits);
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
            entry["slave"] = hexByte(*fault.slave);
        }
        if (fault.status != kStatusOk) {
            entry["status"] = fault.status;
        }
        if (fault.signal != 0) {
            entry["signal"] = fault.signal;
        }
        faults.push_back(std::move(entry));
    }
    doc["faults"] = std::move(faults);
}

}  // namespace

// A bench without scripted modules has no "modules" key: such a file reads as it always did.
std::string formatSimState(const SimState& state) {
    OrderedJson doc;
    formatCamera(state, doc);
    if (!state.modules.empty()) {
        OrderedJson modules = OrderedJson::array();
        for (const ScriptedModule& module : state.modules) {
            OrderedJson entry = {{"gap", module.gap}, {"stays", module.stays}};
            formatCamera(module.state, entry);
            modules.push_back(std::move(entry));
        }
        doc["modules"] = std::move(modules);
    }
    return doc.dump(2) + "\n";
}

io::Expected<SimState> loadSimState(const std::string& path) {
    const io::Expected<std::string, io::ReadFailure> text = io::readWholeFile(path, kMaxStateBytes);
    if (!text)
        return io::Failure{io::printable(path) +
                           ": cannot read the state: " + text.failure().reason};
    return parseSimState(*text, path);
}

// Written beside the target and renamed over it, so an interrupted save never leaves a
// half-written EEPROM behind; a state file that is a symlink updates the file it leads to.
io::Expected<> saveSimState(const SimState& state, const std::string& path) {
    if (const io::Expected<> replaced = io::replaceFile(path, formatSimState(state)); !replaced)
        return io::Failure{io::printable(path) + ": cannot write the state: " + replaced.why()};
    return io::Ok{};
}

}  // namespace vorlix::sim
