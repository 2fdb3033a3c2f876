#include "app/station.h"

#include <cstdlib>
#include <streambuf>

#include "app/command_run.h"
#include "app/interrupts.h"
#include "camera/camera_map.h"
#include "io/printable.h"
#include "link/i2c_link.h"

#ifdef _WIN32
#include <io.h>

#include "win32/process.h"
#else
#include <unistd.h>
#endif

namespace vorlix::app {

namespace {

// A search about twice a second while the socket is watched; searches in a row that must
// agree before a module counts as put in or taken out.
constexpr unsigned kSearchPauseMs = 500;
constexpr unsigned kSettledSearches = 2;

// Passes a stream on and keeps its last whole line, so that a unit's result line can give the
// reason the command itself gave. Only lines that start with prefix count (the progress bar's
// lines do not).
class LastLine : public std::streambuf {
public:
    LastLine(std::streambuf* target, std::string prefix)
        : target_(target), prefix_(std::move(prefix)) {}

    std::string take() {
        std::string line = std::move(last_);
        last_.clear();
        return line;
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        if (ch == '\n' || ch == '\r') {
            if (current_.rfind(prefix_, 0) == 0 && current_.size() > prefix_.size())
                last_ = current_.substr(prefix_.size());
            current_.clear();
        } else {
            current_ += ch;
        }
        return target_->sputc(ch);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        for (std::streamsize i = 0; i < n; ++i) {
            if (traits_type::eq_int_type(overflow(traits_type::to_int_type(s[i])),
                                         traits_type::eof()))
                return i;
        }
        return n;
    }
    int sync() override { return target_->pubsync(); }

private:
    std::streambuf* target_;
    std::string prefix_;
    std::string current_, last_;
};

// The search's "no camera" box is what the station waits through: it goes nowhere.
class QuietNotifier : public Notifier {
public:
    void messageBox(const std::string&) override {}
};

class Station {
public:
    Station(const CommandEntry& entry, const Options& options, CommandInput& input,
            const CommandIo& io)
        : entry_(entry),
          options_(options),
          input_(input),
          io_(io),
          out_(io.out.rdbuf(), ""),
          err_(io.err.rdbuf(), "vorlix: "),
          unitOut_(&out_),
          unitErr_(&err_),
          unitIo_{io.adapter, io.pacer, io.trace, unitOut_, unitErr_, unitLastWords_},
          colour_(standardOutputTakesColour()) {}

    int operator()() {
        io_.lastWords = [this](int status) { return interrupted(status); };
        say("station: " + std::string(entry_.name) + " " + io::printable(options_.command.file) +
            " on each module put in; Ctrl-C ends the shift");
        while (true) {
            say("station: waiting for unit " + std::to_string(unit_ + 1));
            if (!waitFor(true)) break;
            runUnit();
            say("station: take the module out");
            if (!waitFor(false)) break;
        }
        return endShift();
    }

private:
    void say(const std::string& line) {
        if (!options_.quiet) io_.err << line << std::endl;
    }

    // Searches until kSettledSearches in a row find a camera (present) or none; false when a
    // signal ends the shift first.
    bool waitFor(bool present) {
        QuietNotifier quiet;
        const Bus bus{io_.adapter, io_.pacer, quiet};
        unsigned agreeing = 0;
        while (pendingInterrupt() == 0) {
            I2cLink link(bus);
            agreeing = namesCamera(link.findCamera()) == present ? agreeing + 1 : 0;
            if (agreeing == kSettledSearches) return true;
            io_.pacer.sleepMs(kSearchPauseMs);
        }
        return false;
    }

    void runUnit() {
        ++unit_;
        out_.take();
        err_.take();
        CommandRun run(options_, input_, unitIo_);
        run.record().setUnit(unit_);
        const int status = run(entry_);
        unitIo_.out.flush();
        const bool passed = status == kCommandDone || status == kOutputFailed;
        if (status == kOutputFailed) recordLost_ = true;
        ++(passed ? tally_.passed : tally_.failed);
        std::string reason = err_.take();
        if (passed || reason.empty()) reason = out_.take();
        if (reason.empty()) reason = run.record().line().value("result", "");
        tellResult(passed, reason);
    }

    void tellResult(bool passed, const std::string& reason) {
        io_.out << unitLine(passed, unit_, reason, tally_, colour_) << std::endl;
    }

    // A signal at a safe point: during a unit the unit ends as a command does and counts as
    // interrupted; between units the shift ends with its tally.
    int interrupted(int status) {
        if (!unitLastWords_) return endShift();
        unitLastWords_(status);
        ++tally_.interrupted;
        tellResult(false, err_.take());
        endShift();
        return status;
    }

    int endShift() {
        io_.out << "shift ended: " << tally_.units() << (tally_.units() == 1 ? " unit, " : " units, ")
                << tally_.text() << std::endl;
        if (tally_.failed + tally_.interrupted > 0) return kCameraFailed;
        return recordLost_ ? kOutputFailed : kCommandDone;
    }

    const CommandEntry& entry_;
    const Options& options_;
    CommandInput& input_;
    const CommandIo& io_;
    LastLine out_, err_;
    std::ostream unitOut_, unitErr_;
    std::function<int(int status)> unitLastWords_;  // set by the unit's run while it runs
    const CommandIo unitIo_;
    bool colour_;
    unsigned unit_ = 0;
    ShiftTally tally_;
    bool recordLost_ = false;
};

}  // namespace

std::string ShiftTally::text() const {
    std::string text = std::to_string(passed) + " passed, " + std::to_string(failed) + " failed";
    if (interrupted > 0) text += ", " + std::to_string(interrupted) + " interrupted";
    if (units() == 0) return text;
    const unsigned long long tenths = passed * 1000ULL / units();
    return text + ", yield " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) +
           "%";
}

std::string unitLine(bool passed, unsigned unit, const std::string& reason,
                     const ShiftTally& tally, bool colour) {
    std::string verdict = passed ? "PASS" : "FAIL";
    if (colour) verdict = (passed ? "\x1b[1;32m" : "\x1b[1;31m") + verdict + "\x1b[0m";
    return verdict + " unit " + std::to_string(unit) + ": " + reason + "; shift: " + tally.text();
}

bool standardOutputTakesColour() {
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour != nullptr && *noColour != '\0') return false;
#ifdef _WIN32
    return _isatty(1) != 0 && win32::consoleTakesColour();
#else
    return ::isatty(1) != 0;
#endif
}

int runStation(const CommandEntry& entry, const Options& options, CommandInput& input,
               const CommandIo& io) {
    Station station(entry, options, input, io);
    return station();
}

}  // namespace vorlix::app
