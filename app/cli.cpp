#include "app/cli.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>

#include "app/commands.h"
#include "io/hex.h"
#include "io/printable.h"
#include "res/resources.h"

namespace vorlix::app {

namespace {

// More attempts than a passing fault could ever need: a module that fails this often is told.
constexpr unsigned kMaxRetries = 100;

}  // namespace

std::optional<int> parseCommandLine(int argc, char** argv, Options& opt) {
    CLI::App cli{"Halvard K300 camera control " + res::versionText(), "vorlix"};
    std::vector<std::string> buses;
    cli.add_option("--bus", buses,
                   "adapter: sim[:STATE] (built-in simulated camera), i2c:/dev/i2c-N, "
                   "i2c:usb=PORT, i2c:serial=SERIAL, pxiic[:PATH], or list; a station takes "
                   "one --bus per socket")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->default_str(opt.bus);
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
    std::string retries;
    auto* retriesOption =
        cli.add_option("--retries", retries,
                       "program, verify and the station: run a command or unit that failed on a "
                       "transfer again from its start, up to N more times")
            ->type_name("N");
    std::string address;
    auto* addressOption = cli.add_option(
        "--address", address,
        "the camera at this 8-bit address (hex, even), without the search: every command and the "
        "window's read-back go there first");
    cli.set_version_flag("--version", "vorlix " + res::versionText());
    cli.footer(
        "Numbers are hexadecimal, as the window shows them. A command checks all its arguments\n"
        "and files before it sends anything.\n"
        "\n"
        "Exit status:\n"
        "  0       done, and verified where there is something to verify\n"
        "  1       no camera, a failed transfer, a camera that differs, no backup made\n"
        "  2       bad options, names, values or files: one line, nothing sent\n"
        "  74      done, but an output could not be written (the results, trace, record)\n"
        "  128+N   signal N ended the run (129 SIGHUP, 130 SIGINT, 143 SIGTERM)\n"
        "\n"
        "Examples:\n"
        "  vorlix controls                      every control, its value, what it takes\n"
        "  vorlix get --json > profile.json     the settings as one JSON object\n"
        "  vorlix set mirror=on shutter=1a0     changes, as the window's controls make them\n"
        "  vorlix set --from profile.json       another camera's settings onto this one\n"
        "  vorlix reg 301c=0103                 a sensor register through the camera\n"
        "  vorlix eeprom a2:00 20               32 bytes of bank a2 from offset 00\n"
        "  vorlix --address ba info             a camera the search never finds\n"
        "  vorlix decode session.trace          a saved trace in the camera's words\n"
        "  vorlix station program k300.qef --bus i2c:usb=1-1 --bus i2c:usb=1-2 --retries 1\n"
        "                                       a bench of two sockets, a failed transfer retried");

    // The commands, as the table lists them; global options may also follow the command's name.
    cli.require_subcommand(0, 1);
    cli.fallthrough();
    Command& command = opt.command;
    for (const CommandEntry& entry : commands()) cli.add_subcommand(entry.name, entry.summary);
    // The station runs one of the table's commands per module: "station program FILE".
    CLI::App* station = cli.add_subcommand(
        "station",
        "wait for each module in turn and run program or verify on it, one result "
        "line a unit, until Ctrl-C ends the shift");
    station->require_subcommand(1, 1);
    for (const CommandEntry& entry : commands()) {
        if (entry.perUnit) station->add_subcommand(entry.name, entry.summary);
    }
    cli.get_subcommand("info")->add_flag("--json", command.json, "as one JSON object");
    CLI::App* get = cli.get_subcommand("get");
    get->add_option("NAME", command.words, "the controls to print (vorlix controls lists them)");
    get->add_flag("--json", command.json, "as one JSON object: a profile that set --from takes");
    CLI::App* set = cli.get_subcommand("set");
    set->add_option("NAME=VALUE", command.words, "the changes, applied in this order");
    auto* from =
        set->add_option("--from", command.file, "the changes of a profile get --json wrote");
    set->add_flag("--store", command.store,
                  "keep the trim offsets set here in the EEPROM, as STORE does (backed up first)");
    cli.get_subcommand("reg")
        ->add_option("REG[=VALUE]", command.place, "the register (hex), and the value to write")
        ->required();
    CLI::App* eepromCommand = cli.get_subcommand("eeprom");
    eepromCommand
        ->add_option("BANK:OFFSET[=VALUE]", command.place,
                     "the bank (a0, a2, a4, a6) and offset (hex), and the byte to write")
        ->required();
    eepromCommand->add_option("COUNT", command.count, "how many bytes to read from there (hex)");
    cli.get_subcommand("decode")
        ->add_option("TRACE", command.file, "a trace that --trace or the bus log saved")
        ->required();
    cli.get_subcommand("backup")
        ->add_option("FILE", command.file, "the QEF file to create")
        ->required();
    for (CLI::App* parent : {static_cast<CLI::App*>(&cli), station}) {
        for (const char* name : {"program", "verify"})
            parent->get_subcommand(name)
                ->add_option("FILE", command.file, "the QEF file")
                ->required();
        parent->get_subcommand("program")->add_flag(
            "--all-pages", command.allPages,
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
    if (!buses.empty()) {
        opt.bus = buses.front();
        opt.moreBuses.assign(buses.begin() + 1, buses.end());
    }
    if (retriesOption->count() > 0) {
        unsigned n = 0;
        const auto [end, error] =
            std::from_chars(retries.data(), retries.data() + retries.size(), n);
        if (retries.empty() || error != std::errc() || end != retries.data() + retries.size() ||
            n > kMaxRetries) {
            std::cerr << "vorlix: --retries " << io::printable(retries)
                      << ": give how many more times to run, a whole number from 0 to "
                      << kMaxRetries << std::endl;
            return kBadInput;
        }
        opt.retries = n;
    }
    opt.simStateGiven = simState->count() > 0;
    command.fromGiven = from->count() > 0;
    if (addressOption->count() > 0) {
        const std::optional<std::uint8_t> given = io::parseHexByte(address);
        if (!given || *given % 2 != 0) {
            std::cerr << "vorlix: --address " << io::printable(address)
                      << ": give the camera's 8-bit write address as an even hex byte (70, as "
                         "the window shows it)"
                      << std::endl;
            return kBadInput;
        }
        opt.address = *given;
    }
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
