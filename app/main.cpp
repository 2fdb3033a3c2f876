// vorlix: the camera control tool. Parses the command line, checks everything the run reads,
// opens the session (the chosen backend under the trace, the outputs) and runs it: a command,
// the headless player or the window.
//
//   vorlix [--bus sim[:STATE]|i2c:/dev/i2c-N|pxiic[:PATH]|list] [--sim-state FILE]
//          [--virtual-time] [--trace FILE|-] [--headless [--actions FILE] [--dump FILE|-]]
//          [--help] [--version] [--no-backup] [--record FILE] [--quiet] [--retries N]
//          [COMMAND [ARGS]]
//
// A COMMAND (app/commands.h) runs without a window: exit status 0 done and verified, 1 the
// camera failed or differs; "station program|verify FILE" runs it on one module after another,
// in one socket or (--bus given for each) several side by side (app/station.h). Exit status
// otherwise: 0 done; 2 bad options, unreadable files, malformed scripts or states (one line on
// standard error, before anything is sent on the bus); 74 an output could not be written (the
// trace, the dump or the state; the run itself went on); 128 + the signal's number when SIGINT,
// SIGTERM or SIGHUP ended the run (the state saved all the same).
#include <iostream>

#include "app/cli.h"
#include "app/commands.h"
#include "app/session.h"
#include "io/printable.h"

#ifdef _WIN32
#include "win32/process.h"
#endif

int main(int argc, char** argv) {
    using namespace vorlix;
#ifdef _WIN32
    win32::prepareProcess();
#endif
    app::Options options;
    if (const std::optional<int> ended = app::parseCommandLine(argc, argv, options)) return *ended;

    app::Session session(options);
    if (options.bus == "list") {
        session.listBuses(std::cout);
        return 0;
    }
    const auto refuse = [](const std::string& line) {
        std::cerr << "vorlix: " << io::printable(line) << std::endl;
        return app::kBadInput;
    };
    if (const io::Expected<> checked = session.check(); !checked) return refuse(checked.why());
    if (const io::Expected<> opened = session.open(); !opened) return refuse(opened.why());
    return session.run(argc, argv);
}
