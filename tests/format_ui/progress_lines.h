// Picks the progress a format showed out of a script transcript.
#pragma once

#include <string>
#include <vector>

namespace format_test {

// The transcript lines that start with prefix, in order.
inline std::vector<std::string> linesStartingWith(const std::string& transcript, const std::string& prefix)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < transcript.size()) {
        std::size_t end = transcript.find('\n', at);
        if (end == std::string::npos)
            end = transcript.size();
        std::string line = transcript.substr(at, end - at);
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

// The percentages the English progress text showed, in order.
inline std::vector<int> shownPercentages(const std::string& transcript)
{
    std::vector<int> percentages;
    for (const std::string& line : linesStartingWith(transcript, "text 1046 \"Formatting...")) {
        std::size_t end = line.find("% Complete");
        std::size_t start = line.rfind("\\n", end) + 2;
        percentages.push_back(std::stoi(line.substr(start, end - start)));
    }
    return percentages;
}

} // namespace format_test
