// libFuzzer target: any bytes at all, read as an action script and checked against the main
// dialog, are either refused with one printable line naming the file and a line, or give
// actions numbered by their lines in order, each aimed at a control of the dialog.
#include <cstddef>
#include <cstdint>
#include <string>

#include "frame/action_script.h"
#include "res/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlix::frame;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto refused = [](const std::string& message) {
        if (message.rfind("f.act:", 0) != 0) __builtin_trap();
        for (char c : message) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
        }
        return 0;
    };
    const vorlix::io::Expected<ActionScript> script = parseActionScript(text, "f.act");
    if (!script) return refused(script.why());
    const vorlix::io::Expected<> fits =
        checkActionScript(*script, vorlix::res::mainTemplate(), "f.act");
    if (!fits) return refused(fits.why());
    int line = 0;
    for (const Action& action : *script) {
        if (action.line <= line) __builtin_trap();
        line = action.line;
    }
    return 0;
}
