#include "os/library_loader.h"

#include "os/program_folder.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>

namespace {

// The library in the program's own folder, when it is there, named by its
// whole path. The program carries no run path: one would be searched first
// for every library it needs at start (SQLite, the C library) in vain.
LibraryHandle loadFromOwnFolder(const char* fileName)
{
    char path[PATH_MAX];
    if (!pathInProgramFolder(fileName, path, sizeof path) || access(path, F_OK) != 0)
        return nullptr;
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

} // namespace

LibraryHandle loadLibrary(const char* fileName)
{
    LibraryHandle library = loadFromOwnFolder(fileName);
    return library != nullptr ? library : dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

void* findExport(LibraryHandle library, const char* exportName)
{
    if (library == nullptr)
        return nullptr;
    return dlsym(library, exportName);
}

void releaseLibrary(LibraryHandle library)
{
    if (library != nullptr)
        dlclose(library);
}
