// The commands of single settings: controls, get, set (and set --from a profile), reg and
// eeprom. Every name and value is checked before the first transaction; each change goes
// through the control's camera rule (camera/controls.h), the same as the window's control.
#include <nlohmann/json.hpp>

#include "app/command_bodies.h"
#include "camera/controls.h"
#include "camera/direct_access.h"
#include "camera/readback.h"
#include "io/hex.h"
#include "io/input_file.h"
#include "io/printable.h"

namespace vorlix::app {

namespace {

using json = nlohmann::ordered_json;

// A profile is one small JSON object: anything larger is no profile.
constexpr std::size_t kProfileMax = std::size_t{1} << 16;
constexpr std::size_t kBytesPerLine = 16;

io::Expected<const camera::ControlSpec*> namedControl(const std::string& name) {
    if (const camera::ControlSpec* control = camera::findControl(name)) return control;
    return io::Failure{"no control \"" + io::printable(name) + "\" (vorlix controls lists them)"};
}

// "a2:10", "a6:50=72": a bank (its write form) and an offset, and the byte after '='.
io::Expected<> readPlace(const std::string& text, CommandInput& input) {
    const std::string place = text.substr(0, text.find('='));
    const std::size_t colon = place.find(':');
    const std::optional<std::uint8_t> bank =
        colon == std::string::npos ? std::nullopt : io::parseHexByte(place.substr(0, colon));
    const std::optional<std::uint8_t> offset =
        colon == std::string::npos ? std::nullopt : io::parseHexByte(place.substr(colon + 1));
    if (!bank || !offset || *bank < bankWriteForm(0) || *bank > bankWriteForm(kBankCount - 1) ||
        *bank % 2 != 0)
        return io::Failure{"eeprom " + io::printable(text) +
                           ": give the place as BANK:OFFSET, a bank a0, a2, a4 or a6 and an "
                           "offset 00 to ff (as in a6:50)"};
    input.bank = *bank;
    input.byteOffset = *offset;
    if (place.size() == text.size()) return io::Ok{};
    const std::optional<std::uint8_t> value = io::parseHexByte(text.substr(place.size() + 1));
    if (!value)
        return io::Failure{"eeprom " + io::printable(text) +
                           ": give the byte to write as one or two hex digits"};
    input.byteValue = *value;
    return io::Ok{};
}

// Where a byte lies, counted from the start of bank a0.
std::size_t startOf(const CommandInput& input) {
    return static_cast<std::size_t>(input.bank - bankWriteForm(0)) / 2 * kBankSize +
           input.byteOffset;
}

// The bank (write form) and offset of the byte at, as a run of bytes goes on into the next
// bank; and "a2:f0", that place as the person types it.
struct BytePlace {
    std::uint8_t bank, offset;
    std::string text() const { return io::hexByte(bank) + ":" + io::hexByte(offset); }
};
BytePlace placeAt(std::size_t at) {
    return {bankWriteForm(at / kBankSize), static_cast<std::uint8_t>(at % kBankSize)};
}

// The changes of a profile, in the table's order: every control it names with a value, the
// read-only ones (and the unknowns a camera without trim gives) left out.
io::Expected<> readProfile(const std::string& path, CommandInput& input) {
    const std::string name = io::printable(path);
    const io::Expected<std::string, io::ReadFailure> text = io::readWholeFile(path, kProfileMax);
    if (!text)
        return io::Failure{(text.failure().opening ? "cannot open " : "cannot read ") + name +
                           ": " + text.failure().reason};
    const json profile = json::parse(*text, nullptr, false);
    if (!profile.is_object())
        return io::Failure{name + ": not a profile: give what vorlix get --json printed"};
    for (const auto& [key, value] : profile.items()) {
        io::Expected<const camera::ControlSpec*> control = namedControl(key);
        if (!control) return io::Failure{name + ": " + control.why()};
        if (!value.is_string() && !value.is_null())
            return io::Failure{name + ": " + io::printable(key) + ": expected a value in quotes"};
    }
    for (const camera::ControlSpec& control : camera::controlTable()) {
        const auto given = profile.find(control.name);
        if (given == profile.end() || given->is_null() || control.readOnly) continue;
        io::Expected<camera::ControlValue> value =
            camera::parseValue(control, given->get<std::string>());
        if (!value) return io::Failure{name + ": " + value.why()};
        input.changes.emplace_back(&control, *value);
    }
    return io::Ok{};
}

bool storesTrim(const CommandInput& input) {
    for (const auto& [control, value] : input.changes)
        if (control->id == camera::ControlId::TrimX || control->id == camera::ControlId::TrimY)
            return true;
    return false;
}

// Each control's value as the camera has it, in order; the read that failed ends them.
struct Readings {
    std::vector<std::pair<const camera::ControlSpec*, std::optional<camera::ControlValue>>> values;
    camera::Result<> end;
};

Readings readControls(CommandRun& run, const std::vector<const camera::ControlSpec*>& which) {
    I2cLink link(run.bus());
    camera::ControlSession session(link, run.camAddr());
    Readings readings;
    for (const camera::ControlSpec* control : which) {
        const camera::Result<std::optional<camera::ControlValue>> read = session.read(*control);
        if (!read) {
            readings.end = camera::endedBy<io::Ok>(read);
            break;
        }
        readings.values.emplace_back(control, read.value);
    }
    return readings;
}

std::string shown(const camera::ControlSpec& control,
                  const std::optional<camera::ControlValue>& value) {
    return value ? camera::valueText(control, *value) : camera::kTrimNotActiveText;
}

std::vector<const camera::ControlSpec*> everyControl() {
    std::vector<const camera::ControlSpec*> all;
    for (const camera::ControlSpec& control : camera::controlTable()) all.push_back(&control);
    return all;
}

}  // namespace

io::Expected<> checkGet(const Options& options, CommandInput& input) {
    for (const std::string& name : options.command.words) {
        io::Expected<const camera::ControlSpec*> control = namedControl(name);
        if (!control) return control.failure();
        input.controls.push_back(*control);
    }
    if (input.controls.empty()) input.controls = everyControl();
    return io::Ok{};
}

io::Expected<> checkSet(const Options& options, CommandInput& input) {
    const Command& command = options.command;
    if (command.fromGiven) {
        if (!command.words.empty())
            return io::Failure{"set takes NAME=VALUE... or --from FILE, not both"};
        if (command.file.empty())
            return io::Failure{"set --from needs the name of a file that vorlix get --json wrote"};
        if (io::Expected<> profile = readProfile(command.file, input); !profile) return profile;
    } else {
        if (command.words.empty())
            return io::Failure{
                "set needs NAME=VALUE (vorlix controls lists the names) or --from "
                "FILE"};
        for (const std::string& word : command.words) {
            const std::size_t equals = word.find('=');
            if (equals == std::string::npos)
                return io::Failure{"set " + io::printable(word) + ": give NAME=VALUE"};
            io::Expected<const camera::ControlSpec*> control = namedControl(word.substr(0, equals));
            if (!control) return control.failure();
            io::Expected<camera::ControlValue> value =
                camera::parseValue(**control, word.substr(equals + 1));
            if (!value) return value.failure();
            input.changes.emplace_back(*control, *value);
        }
    }
    if (command.store && !storesTrim(input))
        return io::Failure{
            "--store keeps the trim offsets that set changes: give trim-x or "
            "trim-y"};
    return io::Ok{};
}

io::Expected<> checkReg(const Options& options, CommandInput& input) {
    const std::string& text = options.command.place;
    const std::size_t equals = text.find('=');
    const std::optional<std::uint32_t> reg = io::parseHexNumber(text.substr(0, equals), 4);
    if (!reg)
        return io::Failure{"reg " + io::printable(text) +
                           ": give the sensor register as 1 to 4 hex digits (as in 301c), and "
                           "a value to write after = (as in 301c=0103)"};
    input.reg = static_cast<std::uint16_t>(*reg);
    if (equals == std::string::npos) return io::Ok{};
    const std::optional<std::uint32_t> value = io::parseHexNumber(text.substr(equals + 1), 4);
    if (!value)
        return io::Failure{"reg " + io::printable(text) +
                           ": give the value to write as 1 to 4 hex digits"};
    input.regValue = static_cast<std::uint16_t>(*value);
    return io::Ok{};
}

// A byte whose write the window refuses is refused here in the window's words, before the
// bus: a stored camera address the search could never find.
io::Expected<> checkEeprom(const Options& options, CommandInput& input) {
    if (io::Expected<> place = readPlace(options.command.place, input); !place) return place;
    const std::size_t left = eeprom::kEepromSize - startOf(input);
    if (!options.command.count.empty()) {
        if (input.byteValue)
            return io::Failure{"eeprom writes one byte; a count goes with a read only"};
        const std::optional<std::uint32_t> count = io::parseHexNumber(options.command.count, 3);
        if (!count || *count == 0 || *count > left)
            return io::Failure{"eeprom " + io::printable(options.command.place) + " " +
                               io::printable(options.command.count) +
                               ": give how many bytes to read as hex, 1 to " + io::formatHex(left) +
                               " from there"};
        input.byteCount = *count;
    }
    if (input.byteValue) {
        const std::string problem =
            camera::eepromByteProblem(input.bank, input.byteOffset, *input.byteValue);
        if (!problem.empty()) return io::Failure{problem};
    }
    return io::Ok{};
}

int runControls(CommandRun& run) {
    const Readings readings = readControls(run, everyControl());
    for (const auto& [control, value] : readings.values) {
        char line[256];
        std::snprintf(line, sizeof line, "%-14s %-10s %-25s %s", control->name,
                      shown(*control, value).c_str(), camera::acceptedText(*control).c_str(),
                      control->summary);
        run.out() << line << '\n';
    }
    return run.conclude(readings.end);
}

int runGet(CommandRun& run) {
    const Readings readings = readControls(run, run.input().controls);
    if (run.command().json) {
        json profile = json::object();
        for (const auto& [control, value] : readings.values) {
            if (value)
                profile[control->name] = camera::valueText(*control, *value);
            else
                profile[control->name] = nullptr;
        }
        run.out() << profile.dump(2) << '\n';
    } else {
        for (const auto& [control, value] : readings.values)
            run.out() << control->name << ": " << shown(*control, value) << '\n';
    }
    return run.conclude(readings.end);
}

// The changes in order, each by its control's camera rule; then, with --store, the trim
// offsets into the EEPROM. The first one that fails ends the command: the ones before it are
// made.
int runSet(CommandRun& run) {
    const auto& changes = run.input().changes;
    std::size_t applied = 0;
    run.whenInterrupted([&applied, &changes] {
        return applied == 0 ? std::string(camera::kInterruptedBeforeWriting)
                            : "interrupted after " + std::to_string(applied) + " of " +
                                  std::to_string(changes.size()) + " settings";
    });
    I2cLink link(run.bus());
    camera::ControlSession session(link, run.camAddr(), run.backupGate());
    for (const auto& [control, value] : changes) {
        const camera::Result<bool> changed = session.change(*control, value);
        if (!changed) return run.conclude(changed);
        ++applied;
    }
    if (run.command().store) {
        const camera::Result<bool> stored = session.storeTrim();
        if (!stored) return run.conclude(stored);
    }
    return run.conclude(camera::Result<>{});
}

int runReg(CommandRun& run) {
    I2cLink link(run.bus());
    const CommandInput& input = run.input();
    if (input.regValue)
        return run.conclude(
            camera::writeSensorRegister(link, run.camAddr(), input.reg, *input.regValue));
    const camera::Result<std::uint16_t> read =
        camera::readSensorRegister(link, run.camAddr(), input.reg);
    if (read) run.out() << io::formatHex(read.value, 4) << '\n';
    return run.conclude(read);
}

// A byte is written after the backup; a run of bytes is read one by one, sixteen to a line
// after the place of the line's first byte, up to the first failed read.
int runEeprom(CommandRun& run) {
    I2cLink link(run.bus());
    const CommandInput& input = run.input();
    if (input.byteValue)
        return run.conclude(camera::writeEepromByte(
            link, run.camAddr(), input.bank, input.byteOffset, *input.byteValue, run.backupGate()));
    std::string line;
    for (std::size_t n = 0; n < input.byteCount; ++n) {
        const BytePlace place = placeAt(startOf(input) + n);
        const camera::Result<std::uint16_t> read =
            camera::readEepromByte(link, run.camAddr(), place.bank, place.offset);
        if (!read) {
            if (!line.empty()) run.out() << line << '\n';
            return run.conclude(read);
        }
        const std::string byte = io::hexByte(static_cast<std::uint8_t>(read.value));
        if (input.byteCount == 1) {
            line = byte;
        } else {
            line += n % kBytesPerLine == 0 ? place.text() + ":" : "";
            line += " " + byte;
        }
        if (n % kBytesPerLine == kBytesPerLine - 1 || n + 1 == input.byteCount) {
            run.out() << line << '\n';
            line.clear();
        }
    }
    return run.conclude(camera::Result<>{});
}

}  // namespace vorlix::app
