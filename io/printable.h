#pragma once
// Text that came from outside (a file name, a key, a line of a script) echoed in a message or a
// trace line: control characters are escaped, so the message stays one clean line, nothing
// reaches a terminal as a control sequence, and a NUL cannot cut it short.
#include <string>
#include <string_view>

namespace vorlix::io {

// Newline, carriage return and tab as \n, \r, \t; any other byte below 0x20 and DEL as \xHH; the
// C1 controls in UTF-8 (U+0080..U+009F) as \u0080..\u009f. Everything else stays as it is.
std::string printable(std::string_view text);

}  // namespace vorlix::io
