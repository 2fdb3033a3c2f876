// What several commands check alike.
#include <filesystem>

#include "app/command_bodies.h"
#include "camera/script_programming.h"
#include "eeprom/script_file.h"

namespace vorlix::app {

std::optional<std::string> checkFileNamed(const Command& command) {
    if (!command.file.empty()) return std::nullopt;
    return command.name + " needs the name of a QEF file; \"\" names none";
}

std::optional<std::string> readWholeScript(const std::string& path, bool programming,
                                           CommandInput& input) {
    std::string whyNot;
    std::optional<eeprom::ScriptFile> file = eeprom::loadScript(path, {}, whyNot);
    if (!file) return whyNot;
    if (file->pairs < eeprom::kEepromSize) return eeprom::tooShortText(path, file->pairs);
    if (programming) {
        if (const std::optional<std::string> problem = camera::imageProblem(file->image))
            return eeprom::scriptLine(path, *problem);
    }
    input.script = file->image;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    input.scriptPath = ec ? path : absolute.string();
    input.scriptSha256 = file->sha256;
    return std::nullopt;
}

}  // namespace vorlix::app
