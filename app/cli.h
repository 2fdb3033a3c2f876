#pragma once
// The command line as the person types it: every option and command with its help text.
#include <optional>

#include "app/run_options.h"

namespace vorlix::app {

// Fills options from the arguments. The exit status when the program ends here: --help and
// --version (0, their text on standard output), an option or argument the parser refuses (2,
// one line on standard error); nothing when the run goes on.
std::optional<int> parseCommandLine(int argc, char** argv, Options& options);

}  // namespace vorlix::app
