#include "app/station.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <thread>
#include <vector>

#include "app/bench_clock.h"
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

// A search about twice a second while the socket is watched (and a look-up of an adapter that
// is gone); searches in a row that must agree before a module counts as put in or taken out.
constexpr unsigned kSearchPauseMs = 500;
constexpr unsigned kSettledSearches = 2;

// The search's "no camera" box is what the station waits through: it goes nowhere.
class QuietNotifier : public Notifier {
public:
    void messageBox(const std::string&) override {}
};

// What the station says first, once.
void introduce(const CommandEntry& entry, const Options& options, std::ostream& err) {
    if (!options.quiet)
        err << "station: " << entry.name << " " << io::printable(options.command.file)
            << " on each module put in; Ctrl-C ends the shift" << std::endl;
}

// One socket's shift: its units one after another, its counts, its adapter found again.
class Station {
public:
    Station(const CommandEntry& entry, const Options& options, CommandInput& input,
            const CommandIo& io, bool colour)
        : entry_(entry),
          options_(options),
          input_(input),
          io_(io),
          resolved_(io.resolved),
          colour_(colour) {}

    // Watches the socket, unit after unit, until a signal ends the shift between two units.
    void shift() {
        while (true) {
            say("station: waiting for unit " + std::to_string(unit_ + 1));
            if (!waitFor(true)) return;
            runUnit();
            say("station: take the module out");
            if (!waitFor(false)) return;
        }
    }

    // A signal at a safe point: during a unit the unit ends as a command does and counts as
    // interrupted (true); between units there is nothing to end (false).
    bool interruptUnit(int status) {
        if (!unitLastWords_ || unitRun_ == nullptr) return false;
        unitLastWords_(status);
        ++tally_.interrupted;
        tellResult(false, unitRun_->verdict());
        return true;
    }

    void tellTally() { io_.out << tally_.endLine() << std::endl; }

    // The status of the shift as it ended between units.
    int status() const {
        if (tally_.failed + tally_.interrupted > 0) return kCameraFailed;
        return recordLost_ ? kOutputFailed : kCommandDone;
    }
    const ShiftTally& tally() const { return tally_; }

private:
    void say(const std::string& line) {
        if (!options_.quiet) io_.err << line << std::endl;
    }

    // Searches until kSettledSearches in a row find a camera (present) or none; false when a
    // signal ends the shift first. A search that finds nothing on a bus that can be found
    // again first makes sure the adapter is still there.
    bool waitFor(bool present) {
        QuietNotifier quiet;
        const Bus bus{io_.adapter, io_.pacer, quiet};
        unsigned agreeing = 0;
        while (pendingInterrupt() == 0) {
            I2cLink link(bus);
            const bool found = namesCamera(link.findCamera());
            if (!found && io_.findAgain && !adapterThere()) {
                agreeing = 0;
                continue;
            }
            agreeing = found == present ? agreeing + 1 : 0;
            if (agreeing == kSettledSearches) return true;
            io_.pacer.sleepMs(kSearchPauseMs);
        }
        return false;
    }

    // Whether the adapter is where it was; when it is gone, waits until it is back (or a
    // signal ends the wait) and says where it is now: false then, the searches start over.
    bool adapterThere() {
        BusPlace place = io_.findAgain();
        if (place.kind == BusPlace::Kind::Same) return true;
        if (place.kind == BusPlace::Kind::Gone) {
            say("station: the adapter " + io::printable(options_.bus) + " is gone (" +
                io::printable(place.node) + " went away); waiting for it to come back");
            while (place.kind == BusPlace::Kind::Gone) {
                io_.pacer.sleepMs(kSearchPauseMs);
                if (pendingInterrupt() != 0) return false;
                place = io_.findAgain();
            }
        }
        resolved_ = place.node;
        say("station: the adapter " + io::printable(options_.bus) + " is back as " +
            io::printable(place.node));
        return false;
    }

    // The unit's result line gives the line its run ended with: what its camera operation's
    // result says, as the command run alone says it.
    void runUnit() {
        ++unit_;
        const CommandIo unitIo{io_.adapter,   io_.pacer,      io_.trace,  io_.out,
                               io_.err,       unitLastWords_, io_.settle, resolved_,
                               io_.findAgain, io_.progressBar};
        CommandRun run(options_, input_, unitIo);
        run.record().setUnit(unit_);
        unitRun_ = &run;
        const int status = run(entry_);
        unitRun_ = nullptr;
        io_.out.flush();
        const bool passed = status == kCommandDone || status == kOutputFailed;
        if (status == kOutputFailed) recordLost_ = true;
        ++(passed ? tally_.passed : tally_.failed);
        tellResult(passed, run.verdict());
    }

    void tellResult(bool passed, const std::string& reason) {
        io_.out << unitLine(passed, unit_, reason, tally_, colour_) << std::endl;
    }

    const CommandEntry& entry_;
    const Options& options_;
    CommandInput& input_;
    const CommandIo& io_;
    std::string resolved_;                          // the node the adapter uses now
    std::function<int(int status)> unitLastWords_;  // set by the unit's run while it runs
    CommandRun* unitRun_ = nullptr;                 // the unit's run while it runs
    bool colour_;
    unsigned unit_ = 0;
    ShiftTally tally_;
    bool recordLost_ = false;
};

// A socket's standard output or error on a bench: whole lines only, each with the socket's bus
// in front, one at a time under the bench's lock, so that a shared screen or log never shows
// part of one socket's line inside another's.
class SocketLines : public std::streambuf {
public:
    SocketLines(std::ostream& target, std::string prefix, std::mutex& lock)
        : target_(target), prefix_(std::move(prefix)), lock_(lock) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        put(traits_type::to_char_type(c));
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        for (std::streamsize i = 0; i < n; ++i) put(s[i]);
        return n;
    }

private:
    void put(char c) {
        line_ += c;
        if (c != '\n') return;
        const std::lock_guard<std::mutex> turn(lock_);
        target_ << prefix_ + line_;
        target_.flush();
        line_.clear();
    }

    std::ostream& target_;
    std::string prefix_;
    std::mutex& lock_;
    std::string line_;
};

// Several sockets, a thread each. A socket's shift ends either in its own thread, when it sees
// the signal between two units, or at the safe point of its adapter, where the run's last words
// end its unit and the thread stays parked for good (the process ends without returning to it);
// once every socket has ended, the bench says its tally.
class Bench {
public:
    Bench(const CommandEntry& entry, const Options& options, CommandInput& input,
          std::span<const CommandIo> buses)
        : entry_(entry), options_(options), buses_(buses), colour_(standardOutputTakesColour()) {
        if (options.virtualTime) clock_ = std::make_unique<BenchClock>(buses.size());
        const std::vector<std::string> names = allBuses(options);
        for (std::size_t k = 0; k < buses.size(); ++k) {
            sockets_.push_back(std::make_unique<Socket>(*this, entry, input, k, names[k]));
            buses[k].lastWords = [this, k](int status) -> int { stopAtSafePoint(k, status); };
        }
    }

    int operator()() {
        introduce(entry_, options_, buses_.front().err);
        for (std::size_t k = 0; k < sockets_.size(); ++k)
            sockets_[k]->thread = std::thread([this, k] { run(k); });
        {
            std::unique_lock<std::mutex> lock(mutex_);
            allEnded_.wait(lock, [this] { return ended_ == sockets_.size(); });
        }
        ShiftTally bench;
        int status = kCommandDone;
        for (const auto& socket : sockets_) {
            if (socket->parked)
                socket->thread.detach();
            else
                socket->thread.join();
            bench += socket->station.tally();
            const int shift = socket->station.status();
            if (shift == kCameraFailed || status == kCommandDone) status = shift;
        }
        buses_.front().out << bench.endLine("bench") << std::endl;
        return interrupted_ != 0 ? interrupted_.load() : status;
    }

private:
    struct Socket {
        Socket(Bench& bench, const CommandEntry& entry, CommandInput& input, std::size_t k,
               const std::string& bus)
            : options(withBus(bench.options_, bus)),
              outLines(bench.buses_[k].out, "[" + io::printable(bus) + "] ", bench.console_),
              errLines(bench.buses_[k].err, "[" + io::printable(bus) + "] ", bench.console_),
              out(&outLines),
              err(&errLines),
              io{*this, bench, k},
              station(entry, options, input, io, bench.colour_) {}

        static Options withBus(const Options& options, const std::string& bus) {
            Options own = options;
            own.bus = bus;
            own.moreBuses.clear();
            return own;
        }

        // The socket's own side of the bus it was given: its lines, its turns, its outputs
        // written out under the bench's lock.
        struct Io {
            Io(Socket& socket, Bench& bench, std::size_t k)
                : given(bench.buses_[k]),
                  turns(bench.clock_ ? std::make_unique<TurnPacer>(given.pacer, *bench.clock_, k)
                                     : nullptr),
                  io{given.adapter,
                     turns ? static_cast<Pacer&>(*turns) : given.pacer,
                     given.trace,
                     socket.out,
                     socket.err,
                     given.lastWords,
                     [&bench, settle = given.settle](int status) {
                         if (!settle) return status;
                         const std::lock_guard<std::mutex> turn(bench.console_);
                         return settle(status);
                     },
                     given.resolved,
                     given.findAgain,
                     false} {}
            operator const CommandIo&() const { return io; }

            const CommandIo& given;
            std::unique_ptr<TurnPacer> turns;
            CommandIo io;
        };

        Options options;
        SocketLines outLines, errLines;
        std::ostream out, err;
        Io io;
        Station station;
        std::thread thread;
        bool parked = false;
    };

    void run(std::size_t k) {
        Socket& socket = *sockets_[k];
        if (clock_) clock_->start(k);
        socket.station.shift();
        socket.station.tellTally();
        ended(k, false);
    }

    // The signal seen at socket k's safe point: its unit, if one is under way, ends as an
    // interrupted command does; the socket says its tally and never goes on.
    [[noreturn]] void stopAtSafePoint(std::size_t k, int status) {
        Socket& socket = *sockets_[k];
        if (socket.station.interruptUnit(status)) interrupted_ = status;
        socket.station.tellTally();
        ended(k, true);
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }

    void ended(std::size_t k, bool parked) {
        if (clock_) clock_->leave(k);
        const std::lock_guard<std::mutex> lock(mutex_);
        sockets_[k]->parked = parked;
        ++ended_;
        allEnded_.notify_all();
    }

    const CommandEntry& entry_;
    const Options& options_;
    std::span<const CommandIo> buses_;
    bool colour_;
    std::unique_ptr<BenchClock> clock_;
    std::mutex console_;  // one line at a time on standard output and error, and their flushes
    std::vector<std::unique_ptr<Socket>> sockets_;
    std::mutex mutex_;
    std::condition_variable allEnded_;
    std::size_t ended_ = 0;
    std::atomic<int> interrupted_{0};  // the status of a signal that interrupted a unit
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

std::string ShiftTally::endLine(const char* what) const {
    return std::string(what) + " ended: " + std::to_string(units()) +
           (units() == 1 ? " unit, " : " units, ") + text();
}

ShiftTally& ShiftTally::operator+=(const ShiftTally& other) {
    passed += other.passed;
    failed += other.failed;
    interrupted += other.interrupted;
    return *this;
}

std::string unitLine(bool passed, unsigned unit, const std::string& reason, const ShiftTally& tally,
                     bool colour) {
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
               std::span<const CommandIo> buses) {
    if (buses.size() > 1) {
        Bench bench(entry, options, input, buses);
        return bench();
    }
    const CommandIo& io = buses.front();
    Station station(entry, options, input, io, standardOutputTakesColour());
    io.lastWords = [&station](int status) {
        const bool unit = station.interruptUnit(status);
        station.tellTally();
        return unit ? status : station.status();
    };
    introduce(entry, options, io.err);
    station.shift();
    station.tellTally();
    return station.status();
}

}  // namespace vorlix::app
