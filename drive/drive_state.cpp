#include "drive/drive_state.h"

#include "drive/drive_files.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

namespace {

// A decimal number from lowest to highest.
template <typename Number>
bool parseNumber(const std::string& text, Number& out, Number lowest, Number highest)
{
    Number value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < lowest ||
        value > highest)
        return false;
    out = value;
    return true;
}

bool parseFlag(const std::string& text, bool& out)
{
    if (text != "yes" && text != "no")
        return false;
    out = text == "yes";
    return true;
}

bool parseSense(const std::string& text, std::optional<SenseData>& out)
{
    if (text == "none") {
        out.reset();
        return true;
    }
    // 18 two-digit hexadecimal numbers, separated by white space.
    const char* const blanks = " \t\r\v\f";
    SenseData sense{};
    std::size_t at = 0;
    for (std::uint8_t& byte : sense) {
        std::size_t start = text.find_first_not_of(blanks, at);
        if (start == std::string::npos)
            return false;
        std::size_t end = std::min(text.find_first_of(blanks, start), text.size());
        unsigned value = 0;
        if (end - start != 2 || std::from_chars(text.data() + start, text.data() + end, value, 16).ptr !=
                                    text.data() + end)
            return false;
        byte = std::uint8_t(value);
        at = end;
    }
    if (text.find_first_not_of(blanks, at) != std::string::npos)
        return false;
    out = sense;
    return true;
}

const char* flag(bool value) { return value ? "yes" : "no"; }

} // namespace

std::optional<DriveState> loadDriveStateIn(FileHandle folder, const std::string& name)
{
    std::optional<std::string> text = readWholeFileIn(folder, name);
    if (!text)
        return std::nullopt;
    return parseDriveState(*text);
}

DriveState parseDriveState(const std::string& text)
{
    DriveState state;
    std::string line;
    for (std::size_t at = 0; nextLine(text, at, line);) {
        std::string::size_type space = line.find(' ');
        if (space == std::string::npos || line[0] == '#')
            continue;
        std::string name = line.substr(0, space);
        std::string value = line.substr(space + 1);
        if (name == "plugged")
            parseFlag(value, state.plugged);
        else if (name == "disk")
            state.disk = isValidDiskName(value) ? value : std::string();
        else if (name == "protection-mode")
            parseFlag(value, state.protectionMode);
        else if (name == "medium-changed")
            parseFlag(value, state.mediumChanged);
        else if (name == "format-time-ms")
            parseNumber(value, state.formatTimeMs, std::uint32_t(0), longestFormatTimeMs);
        else if (name == "formatting")
            parseFlag(value, state.formatting);
        else if (name == "format-start-ms")
            parseNumber(value, state.formatStartMs, std::int64_t(0), std::numeric_limits<std::int64_t>::max());
        else if (name == "format-duration-ms")
            parseNumber(value, state.formatDurationMs, std::uint32_t(0), longestFormatTimeMs);
        else if (name == "mount-folder")
            state.mountFolder = value;
        else if (name == "sense")
            parseSense(value, state.pendingSense);
        else if (name == "generation")
            parseNumber(value, state.generation, std::uint64_t(0), std::numeric_limits<std::uint64_t>::max());
    }
    return state;
}

bool differsOnlyInPoweredState(const DriveState& a, const DriveState& b)
{
    DriveState lasting = b;
    lasting.protectionMode = a.protectionMode;
    lasting.mediumChanged = a.mediumChanged;
    lasting.pendingSense = a.pendingSense;
    return lasting == a;
}

bool saveDriveStateIn(FileHandle folder, const std::string& name, const DriveState& state, bool flushFolder)
{
    std::string sense = "none";
    if (state.pendingSense) {
        sense.clear();
        for (std::uint8_t byte : *state.pendingSense) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", byte);
            sense += sense.empty() ? hex : std::string(" ") + hex;
        }
    }
    std::string text = "# The Quib! virtual drive, as ZOVEVIV.DLL and quibdrive share it.\n";
    text += std::string("plugged ") + flag(state.plugged) + "\n";
    text += "disk " + state.disk + "\n";
    text += std::string("protection-mode ") + flag(state.protectionMode) + "\n";
    text += std::string("medium-changed ") + flag(state.mediumChanged) + "\n";
    text += "format-time-ms " + std::to_string(state.formatTimeMs) + "\n";
    text += std::string("formatting ") + flag(state.formatting) + "\n";
    text += "format-start-ms " + std::to_string(state.formatStartMs) + "\n";
    text += "format-duration-ms " + std::to_string(state.formatDurationMs) + "\n";
    text += "mount-folder " + state.mountFolder + "\n";
    text += "sense " + sense + "\n";
    text += "generation " + std::to_string(state.generation) + "\n";
    return replaceFileIn(folder, name, text, flushFolder);
}
