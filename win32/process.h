#pragma once
// What the program does first on Windows, before it reads its options.
namespace vorlix::win32 {

// vorlix.exe is a GUI program (double-clicked, it opens its window without a console). Started
// from a console, it writes to that console; started with its output redirected (a pipe, a
// file), it writes there. Standard output and standard error are binary on Windows as on Linux:
// a trace or dump written to "-" has the same bytes everywhere, "\n" never becomes "\r\n".
void prepareProcess();

// Whether standard output is a console that shows colour sequences: its virtual-terminal mode
// is turned on for that (Windows 10 on); false for a file, a pipe or an older console.
bool consoleTakesColour();

}  // namespace vorlix::win32
