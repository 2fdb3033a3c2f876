#include "app/cli.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "app/commands.h"
#include "io/printable.h"
#include "res/resources.h"

namespace vorlix::app {

std::optional<int> parseCommandLine(int argc, char** argv, Options& opt) {
    CLI::App cli{"Halvard K300 camera control " + res::versionText(), "vorlix"};
    cli.add_option("--bus", opt.bus,
                   "adapter: sim (built-in simulated camera), i2c:/dev/i2c-N, i2c:usb=PORT, "
                   "i2c:serial=SERIAL, pxiic[:PATH], or list")
        ->capture_default_str();
    auto* simState =
        cli.add_option("--sim-state", opt.simState,
                       "simulated camera state (JSON), loaded at start and written back at exit");
    cli.add_flag("--virtual-time", opt.virtualTime,
                 "simulated camera only: record pauses in the trace without sleeping");
    cli.add_option("--trace", opt.trace, "write the bus trace to FILE (- for standard output)");
    auto* headless = cli.add_flag("--headless", opt.headless, "no window: play an action script");
    cli.add_option("--actions", opt.actions, "action script for --headless")->needs(headless);
    cli.add_option("--dump", opt.dump, "state dump when the dialog ends (- for standard output)")
        ->needs(headless);
    cli.add_flag("--no-backup", opt.noBackup,
                 "no backup of the EEPROM before the first write into it (window and commands)");
    auto* record =
        cli.add_option("--record", opt.record, "append one JSON line per command to FILE");
    cli.add_flag("--quiet", opt.quiet, "commands: no progress bar and no informational lines");
    cli.set_version_flag("--version", "vorlix " + res::versionText());

    // The commands, as the table lists them; global options may also follow the command's name.
    cli.require_subcommand(0, 1);
    cli.fallthrough();
    Command& command = opt.command;
    for (const CommandEntry& entry : commands()) cli.add_subcommand(entry.name, entry.summary);
    // The station runs one of the table's commands per module: "station program FILE".
    CLI::App* station = cli.add_subcommand(
        "station", "wait for each module in turn and run program or verify on it, one result "
                   "line a unit, until Ctrl-C ends the shift");
    station->require_subcommand(1, 1);
    for (const CommandEntry& entry : commands()) {
        if (entry.perUnit) station->add_subcommand(entry.name, entry.summary);
    }
    cli.get_subcommand("info")->add_flag("--json", command.json, "as one JSON object");
    cli.get_subcommand("backup")
        ->add_option("FILE", command.file, "the QEF file to create")
        ->required();
    for (CLI::App* parent : {static_cast<CLI::App*>(&cli), station}) {
        for (const char* name : {"program", "verify"})
            parent->get_subcommand(name)
                ->add_option("FILE", command.file, "the QEF file")
                ->required();
        parent->get_subcommand("program")
            ->add_flag("--all-pages", command.allPages,
                       "write every page, not only the pages that differ from the camera");
    }
    std::vector<CLI::Option*> offsets;
    for (const char* name : {"save-settings", "erase-settings"})
        offsets.push_back(cli.get_subcommand(name)->add_option(
            "--offset", command.offset, "where in bank a0 (hex; 0 when not given)"));
    cli.get_subcommand("erase-settings")->add_flag("--yes", command.yes, "yes, erase");
    cli.get_subcommand("set-address")
        ->add_option("NEW", command.newAddress, "the new address (hex)")
        ->required();
    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return cli.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return cli.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "vorlix: " << io::printable(e.what()) << std::endl;
        return kBadInput;
    }
    opt.simStateGiven = simState->count() > 0;
    opt.recordGiven = record->count() > 0;
    for (const CLI::Option* offset : offsets) command.offsetGiven |= offset->count() > 0;
    for (const CLI::App* sub : cli.get_subcommands()) command.name = sub->get_name();
    for (const CLI::App* sub : station->get_subcommands()) {
        command.name = sub->get_name();
        command.station = true;
    }
    return std::nullopt;
}

}  // namespace vorlix::app
