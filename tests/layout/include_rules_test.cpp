// The layering of the source tree, read off its include lines: each folder
// includes only the folders below it (the table), no two folders include
// each other, and the program's own folders include no header of the
// operating system or of a library, only the C++ standard library's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The program's own subsystems; they may include one another (never both
// ways) and what lies below them.
const std::vector<std::string> programFolders = {"device", "protection", "format", "settings",
                                                 "ui", "ui/framework", "resources"};
const std::vector<std::string> frontEnds = {"frontend/script", "frontend/terminal", "frontend/desktop",
                                            "frontend/command_line"};
// The header generated into the build folder with the project's version.
const std::string generated = "(generated)";

std::vector<std::string> with(std::vector<std::string> folders, const std::vector<std::string>& more)
{
    folders.insert(folders.end(), more.begin(), more.end());
    return folders;
}

// What each folder may include besides itself: folders, or single headers.
std::map<std::string, std::vector<std::string>> layerRules()
{
    std::map<std::string, std::vector<std::string>> rules;
    rules["os"] = {};
    rules["os/linux"] = {"os"};
    rules["os/win32"] = {"os"};
    rules["dialogs"] = {"os"};
    // On Windows the toolkit's calls go to the system's dialogs.
    rules["dialogs/win32"] = {"os", "dialogs"};
    for (const std::string& folder : programFolders)
        rules[folder] = with(programFolders, {"os", "dialogs"});
    rules["frontend/line_breaking"] = {};
    for (const std::string& frontEnd : frontEnds)
        rules[frontEnd] = with(programFolders, {"os", "dialogs", "frontend/line_breaking"});
    rules["host"] = with(with(programFolders, frontEnds), {"os", "dialogs", generated});
    rules["host/win32"] = with(rules["host"], {"host"});
    // The drivers share with the program the request record's layout, the
    // names of the drive's operation codes and where a disk's label lies,
    // and nothing else of it.
    const std::vector<std::string> shared = {"device/driver_request.h", "device/operation_codes.h",
                                             "device/boot_sector.h"};
    rules["driverkit"] = with(shared, {"os"});
    rules["drive"] = with(shared, {"os", "driverkit"});
    rules["usbdrive"] = with(shared, {"os", "driverkit"});
    rules["usbdrive/win32"] = with(shared, {"os", "driverkit", "usbdrive"});
    for (const char* tool : {"tools/quibreg", "tools/quibhelp", "tools/quibdrive", "tools/quibusb"})
        rules[tool] = {"os", "driverkit", "drive", "usbdrive", "frontend/line_breaking", generated};
    return rules;
}

struct Include {
    std::string file;   // the including file, from the top of the tree
    std::string header; // as written
    bool quoted;        // "..." rather than <...>
};

std::string folderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? generated : path.substr(0, slash);
}

// Every include line of the tree's sources outside tests/ and the build.
std::vector<Include> readIncludes()
{
    const fs::path root = QUIB_SOURCE_DIR;
    const std::regex includeLine(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<Include> includes;
    for (auto entry = fs::recursive_directory_iterator(root); entry != fs::recursive_directory_iterator(); ++entry) {
        std::string relative = fs::relative(entry->path(), root).generic_string();
        std::string top = relative.substr(0, relative.find('/'));
        if (entry->is_directory() && (top == "tests" || top[0] == '.' || top.compare(0, 5, "build") == 0 ||
                                      top == "debian" || top == "docs")) {
            entry.disable_recursion_pending();
            continue;
        }
        std::string extension = entry->path().extension().string();
        if (!entry->is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        std::ifstream file(entry->path());
        std::string line;
        std::smatch match;
        while (std::getline(file, line))
            if (std::regex_search(line, match, includeLine))
                includes.push_back({relative, match[2], match[1] == "\""});
    }
    return includes;
}

bool mayInclude(const std::vector<std::string>& allowed, const std::string& folder, const std::string& header)
{
    return std::find(allowed.begin(), allowed.end(), folder) != allowed.end() ||
           std::find(allowed.begin(), allowed.end(), header) != allowed.end();
}

class IncludeRules : public testing::Test {
protected:
    static void SetUpTestSuite() { includes = new std::vector<Include>(readIncludes()); }
    static void TearDownTestSuite() { delete includes; }
    static std::vector<Include>* includes;
};

std::vector<Include>* IncludeRules::includes = nullptr;

TEST_F(IncludeRules, EveryFolderIncludesOnlyTheLayersBelowIt)
{
    const auto rules = layerRules();
    std::set<std::string> foldersSeen;
    std::vector<std::string> wrong;
    for (const Include& include : *includes) {
        std::string folder = folderOf(include.file);
        foldersSeen.insert(folder);
        auto rule = rules.find(folder);
        if (rule == rules.end()) {
            wrong.push_back(include.file + ": its folder has no rule here; add one to the table");
            continue;
        }
        std::string target = folderOf(include.header);
        if (include.quoted && target != folder && !mayInclude(rule->second, target, include.header))
            wrong.push_back(include.file + " includes \"" + include.header + "\"");
    }
    // A table that matched nothing would pass whatever the tree holds.
    for (const auto& rule : rules)
        EXPECT_TRUE(foldersSeen.count(rule.first)) << "no source read in " << rule.first;
    EXPECT_TRUE(wrong.empty()) << testing::PrintToString(wrong);
}

TEST_F(IncludeRules, NoTwoFoldersIncludeEachOther)
{
    std::map<std::string, std::set<std::string>> reaches;
    for (const Include& include : *includes)
        if (include.quoted && folderOf(include.header) != folderOf(include.file))
            reaches[folderOf(include.file)].insert(folderOf(include.header));
    ASSERT_FALSE(reaches.empty());
    std::vector<std::string> cycles;
    for (const auto& [folder, targets] : reaches)
        for (const std::string& target : targets)
            if (folder < target && reaches[target].count(folder))
                cycles.push_back(folder + " <-> " + target);
    EXPECT_TRUE(cycles.empty()) << testing::PrintToString(cycles);
}

// Only the C++ standard library's headers (<cstdint>, <string>, ...): no
// <unistd.h>, <sys/...>, <iconv.h>, <sqlite3.h>, <curses.h>.
TEST_F(IncludeRules, TheProgramIncludesNoOperatingSystemOrLibraryHeader)
{
    std::vector<std::string> wrong;
    std::size_t read = 0;
    for (const Include& include : *includes) {
        if (include.quoted ||
            std::find(programFolders.begin(), programFolders.end(), folderOf(include.file)) == programFolders.end())
            continue;
        ++read;
        if (include.header.find('/') != std::string::npos || include.header.find('.') != std::string::npos)
            wrong.push_back(include.file + " includes <" + include.header + ">");
    }
    EXPECT_GT(read, 0u);
    EXPECT_TRUE(wrong.empty()) << testing::PrintToString(wrong);
}

} // namespace
