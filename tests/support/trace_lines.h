#pragma once
// The trace lines a test's trace stream received since the last look; the stream is emptied.
#include <sstream>
#include <string>
#include <vector>

namespace vorlix::test {

inline std::vector<std::string> takeLines(std::ostringstream& text) {
    std::vector<std::string> lines;
    std::istringstream in(text.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    text.str("");
    text.clear();
    return lines;
}

}  // namespace vorlix::test
