// The least work any Simple Format by Quib! Tools has to do, and nothing
// else: a program that uses SQLite (linked as the tool links it), opens the
// registry store and reads from it, loads the
// driver library, and writes the 219 sectors of a quick format one request
// each, with a plain pwrite. No dialog, no drive state, no transcript.
// scripts/benchmark.sh times it beside the tool and mkfs.fat: what the tool
// takes beyond this is its own; what this takes is the price of how the
// tool is built.
//
//   least_work HOST_FOLDER LIBRARY FILE
//
// HOST_FOLDER is a host folder the tool has used (its registry.db), LIBRARY
// the driver library, FILE a file of at least 251 sectors, written over
// with zeros from its sector 32 on. Exit status 1 when a step fails, 2 for
// a wrong command line.
#include <cstdio>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr int sectorBytes = 512;
constexpr int sectorsWritten = 219; // the quick format's WRITE(10) requests
constexpr off_t firstSector = 32;   // the partition's start on the disk

bool fail(const char* what)
{
    std::fprintf(stderr, "least_work: %s\n", what);
    return false;
}

// Paths are made in fixed buffers: no C++ library to load, as the tool
// loads none (it links the C++ runtime in).
bool pathIn(char (&path)[PATH_MAX], const char* folder, const char* name)
{
    int n = std::snprintf(path, sizeof path, "%s/%s", folder, name);
    return (n > 0 && std::size_t(n) < sizeof path) || fail("a path is too long");
}

bool readRegistry(const char* hostFolder)
{
    char path[PATH_MAX];
    if (!pathIn(path, hostFolder, "registry.db"))
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return fail("the registry store cannot be opened");
    }
    sqlite3_stmt* statement = nullptr;
    bool read = sqlite3_prepare_v2(db, "SELECT count(*) FROM registry_value", -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return read || fail("the registry store cannot be read");
}

bool loadLibrary(const char* path)
{
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    return (library != nullptr && dlsym(library, "MSD_IOControl") != nullptr) ||
           fail("the driver library cannot be loaded");
}

bool writeSectors(const char* path)
{
    int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return fail("the file cannot be opened");
    unsigned char sector[sectorBytes];
    std::memset(sector, 0, sizeof sector);
    bool written = true;
    for (int i = 0; i < sectorsWritten && written; ++i)
        written = pwrite(fd, sector, sizeof sector, (firstSector + i) * sectorBytes) == sectorBytes;
    close(fd);
    return written || fail("a sector cannot be written");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: least_work HOST_FOLDER LIBRARY FILE\n");
        return 2;
    }
    return readRegistry(argv[1]) && loadLibrary(argv[2]) && writeSectors(argv[3]) ? 0 : 1;
}
