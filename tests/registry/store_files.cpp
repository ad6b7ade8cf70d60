#include "tests/registry/store_files.h"

#include "os/registry.h"
#include "tests/support/host_folder_fixture.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string registryFile() { return testHostFolder() + "/registry.db"; }

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// A healthy registry with a few keys and values, made in a folder of its
// own so that the test's store never had it open.
std::string healthyRegistry()
{
    std::string scratch = testHostFolder() + "/scratch";
    fs::create_directories(scratch);
    std::string home = testHostFolder();
    setenv("QUIB_HOME", scratch.c_str(), 1);
    RegistryKey key = nullptr;
    if (createRegistryKey(u"Drivers\\USB\\ClientDrivers\\USB_Quib_Driver", &key)) {
        std::uint32_t number = 1;
        setRegistryValue(key, u"Fixed", registryTypeNumber, &number, 4);
        setRegistryValue(key, u"Folder", registryTypeString, u"Storage Card3", 28);
        closeRegistryKey(key);
    }
    for (int i = 0; i < 40; ++i) {
        char16_t path[] = u"Filler\\Kxx";
        path[8] = char16_t(u'A' + i / 26);
        path[9] = char16_t(u'a' + i % 26);
        if (createRegistryKey(path, &key))
            closeRegistryKey(key);
    }
    setenv("QUIB_HOME", home.c_str(), 1);
    std::string bytes = fileBytes(scratch + "/registry.db");
    fs::remove_all(scratch);
    return bytes;
}

std::string otherDatabase()
{
    std::string path = testHostFolder() + "/other.db";
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('mine');", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::string bytes = fileBytes(path);
    fs::remove(path);
    return bytes;
}

} // namespace

const std::vector<std::string>& damageKinds()
{
    static const std::vector<std::string> kinds = {"TextFile",           "HeaderOnly", "TruncatedToHalf",
                                                   "TruncatedByOneByte", "PageWiped",  "AnotherDatabase"};
    return kinds;
}

std::string damagedStore(const std::string& kind)
{
    if (kind == "TextFile")
        return "Fixed=1\nFolderNum=3\n";
    if (kind == "AnotherDatabase")
        return otherDatabase();
    std::string healthy = healthyRegistry();
    if (kind == "HeaderOnly")
        return healthy.substr(0, 100);
    if (kind == "TruncatedToHalf")
        return healthy.substr(0, healthy.size() / 2);
    if (kind == "TruncatedByOneByte")
        return healthy.substr(0, healthy.size() - 1);
    // PageWiped: the last page, a leaf of the keys, zeroed.
    const std::size_t page = 4096;
    if (healthy.size() >= 2 * page)
        std::fill(healthy.end() - long(page), healthy.end(), '\0');
    return healthy;
}

std::string storeWithoutTable(const std::string& table)
{
    std::string path = testHostFolder() + "/without.db";
    writeFile(path, healthyRegistry());
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    int dropped = sqlite3_exec(db, ("DROP TABLE " + table).c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::string bytes = dropped == SQLITE_OK ? fileBytes(path) : std::string();
    fs::remove(path);
    return bytes;
}
