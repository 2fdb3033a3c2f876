#pragma once
// The action script of the headless host: one action a line, '#' starts a comment line.
//
//   click ID                 paste ID [TEXT]          file PATH | cancel      repower
//   type ID TEXT             scroll ID CODE [TRACK]   sys ID                  enter | escape
//   buslog                   the window menu's "Bus log" entry: the bus log opens
//
// ID is a decimal control id; TEXT is the rest of the line after the one space that follows
// ID, taken as it stands; CODE is 0..8 or SB_LINELEFT..SB_ENDSCROLL. The ID of sys is a system
// command identifier, decimal (16) or hexadecimal with a 0x prefix (0xF060). A '\r' ending a
// line (a file saved with CRLF line ends) is no part of it.
#include <optional>
#include <string>
#include <vector>

#include "frame/dialog_template.h"
#include "io/expected.h"

namespace vorlix::frame {

struct Action {
    enum class Kind {
        Click,
        Type,
        Paste,
        Scroll,
        File,
        Cancel,
        Sys,
        Repower,
        BusLog,
        Enter,
        Escape
    };
    Kind kind = Kind::Enter;
    int id = 0;
    std::string text;          // type/paste text, file path
    unsigned code = 0;         // scroll code or system command id
    std::optional<int> track;  // scroll track position
    std::string source;        // the line as written, for the trace ("# " + source)
    int line = 0;              // 1-based line number in its file
};

using ActionScript = std::vector<Action>;

// A malformed script fails with one line naming the file and the line.
io::Expected<ActionScript> parseActionScript(const std::string& text, const std::string& fileName);
// Also fails when the file cannot be read: missing, no regular file, larger than 16 MiB.
io::Expected<ActionScript> loadActionScript(const std::string& path);

// Refuses, with the file and line, an action aimed at a control the dialog does not have or
// at one a person could not act on that way: click needs a button, check box or radio button;
// type and paste an edit that is not read-only; scroll a scroll bar. A typo in an id then stops
// the run before anything is sent, instead of silently doing nothing.
io::Expected<> checkActionScript(const ActionScript& script, const DialogTemplate& dialog,
                                 const std::string& fileName);

}  // namespace vorlix::frame
