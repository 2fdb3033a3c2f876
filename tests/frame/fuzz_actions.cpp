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
    try {
        const ActionScript script = parseActionScript(text, "f.act");
        checkActionScript(script, vorlix::res::mainTemplate(), "f.act");
        int line = 0;
        for (const Action& action : script) {
            if (action.line <= line) __builtin_trap();
            line = action.line;
        }
    } catch (const ScriptError& e) {
        const std::string message = e.what();
        if (message.rfind("f.act:", 0) != 0) __builtin_trap();
        for (char c : message) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
        }
    }
    return 0;
}
