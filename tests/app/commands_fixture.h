#pragma once
// The commands as a production line runs them: vorlix on the test's own camera state with
// virtual time and a trace, standard output kept, and what the camera holds afterwards.
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "program_fixture.h"

namespace vorlix::apptest {

using json = nlohmann::json;

// Whether a trace shows a write into the EEPROM: a page write or an 8-bit write to a bank.
inline bool writesEeprom(const std::string& trace) {
    if (trace.find("W 70 24 ") != std::string::npos) return true;
    for (const char* bank : {"W 70 00 a0 ", "W 70 00 a2 ", "W 70 00 a4 ", "W 70 00 a6 "})
        if (trace.find(bank) != std::string::npos) return true;
    return false;
}

// The data lines of a QEF text (its comments left out).
inline std::string qefData(const std::string& text) {
    std::istringstream in(text);
    std::string line, data;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '/') data += line + "\n";
    return data;
}

class Commands : public Program {
protected:
    // vorlix on the test's state with virtual time and a trace; standard output kept.
    Ran command(const std::vector<std::string>& args) {
        std::vector<std::string> all{"--virtual-time", "--sim-state", state_, "--trace", trace_};
        all.insert(all.end(), args.begin(), args.end());
        fs::remove(trace_);
        return run(all, path("stdout"));
    }
    std::string out() const { return readText(path("stdout")); }
    std::string trace() const { return readText(trace_); }
    // The four banks of the state file, as one hex text.
    std::string eeprom() const {
        const json state = json::parse(readText(state_));
        std::string banks;
        for (const char* bank : {"a0", "a2", "a4", "a6"})
            banks += state["eeprom"][bank].get<std::string>();
        return banks;
    }
    std::vector<fs::path> backups() const {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir_ / "data/vorlix/backups", ec))
            found.push_back(entry.path());
        return found;
    }

    // The default camera backed up into same.qef, and diff.qef with the byte of bank a2
    // offset a5 changed.
    void makeScripts() {
        writeText(state_, "{}");
        ASSERT_EQ(command({"backup", path("same.qef")}).status, 0);
        original_ = eeprom();
        std::string text = readText(path("same.qef"));
        const std::size_t bankA2 = text.find("// bank a2\n") + 11;
        const std::size_t at = bankA2 + 10 * 48 + 5 * 3;  // page a0, entry 5
        before_ = text.substr(at, 2);
        text.replace(at, 2, before_ == "00" ? "01" : "00");
        after_ = text.substr(at, 2);
        writeText(path("diff.qef"), text);
    }

    std::string original_, before_, after_;
};

}  // namespace vorlix::apptest
