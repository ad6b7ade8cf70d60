// The least work any Simple Format by Quib! Tools has to do, and nothing
// else: a program that loads SQLite (as the tool does, from the system's
// shared library), opens the registry store and reads from it, loads the
// driver library, and writes the 219 sectors of a quick format one request
// each, with a plain pwrite. No dialog, no drive state, no lock, no check.
// scripts/benchmark.sh times it beside mkfs.fat: what the tool takes beyond
// this is its own; what this takes is the price of how the tool is built.
//
//   least_work REGISTRY LIBRARY FILE
//
// REGISTRY is a registry store (registry.db of a host folder), LIBRARY the
// driver library, FILE a file of at least 219 sectors, written over with
// zeros from its sector 32 on. Exit status 1 when a step fails.
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr int sectorBytes = 512;
constexpr int sectorsWritten = 219;  // the quick format's WRITE(10) requests
constexpr off_t firstSector = 32;    // the partition's start on the disk

bool fail(const char* what)
{
    std::fprintf(stderr, "least_work: %s\n", what);
    return false;
}

bool readRegistry(const char* path)
{
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
        std::fprintf(stderr, "usage: least_work REGISTRY LIBRARY FILE\n");
        return 2;
    }
    return readRegistry(argv[1]) && loadLibrary(argv[2]) && writeSectors(argv[3]) ? 0 : 1;
}
