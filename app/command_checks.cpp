// What several commands check alike.
#include <filesystem>

#include "app/command_bodies.h"
#include "camera/script_programming.h"
#include "eeprom/script_file.h"
#include "io/printable.h"

namespace vorlix::app {

io::Expected<> checkFileNamed(const Command& command) {
    if (!command.file.empty()) return io::Ok{};
    return io::Failure{command.name + " needs the name of a QEF file; \"\" names none"};
}

io::Expected<> readWholeScript(const std::string& path, bool programming, CommandInput& input) {
    io::Expected<eeprom::ScriptFile> file = eeprom::loadScript(path, {});
    if (!file) return file.failure();
    if (file->pairs < eeprom::kEepromSize)
        return io::Failure{eeprom::tooShortText(path, file->pairs)};
    if (programming) {
        if (const std::string problem = camera::imageProblem(file->image); !problem.empty())
            return io::Failure{eeprom::scriptLine(path, problem)};
    }
    input.script = file->image;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    input.scriptPath = ec ? path : absolute.string();
    input.scriptSha256 = file->sha256;
    return io::Ok{};
}

std::string scriptName(const CommandRun& run) {
    return io::printable(run.command().file);
}

}  // namespace vorlix::app
