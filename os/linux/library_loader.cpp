#include "os/library_loader.h"

#include "os/program_folder.h"
#include "os/system_error.h"

#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <unistd.h>

namespace {

// The library in the program's own folder, when it is there, named by its
// whole path. The program carries no run path: one would be searched first
// for every library it needs at start (SQLite, the C library) in vain.
// found tells whether the file is there, whether or not it loaded.
LibraryHandle loadFromOwnFolder(const char* fileName, bool& found)
{
    char path[PATH_MAX];
    found = pathInProgramFolder(fileName, path, sizeof path) && access(path, F_OK) == 0;
    return found ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
}

} // namespace

LibraryHandle loadLibrary(const char* fileName)
{
    bool inOwnFolder = false;
    LibraryHandle library = loadFromOwnFolder(fileName, inOwnFolder);
    if (library != nullptr)
        return library;
    // The reason of a library beside the program that would not load (a
    // library it needs is missing) is the one to tell, not the search's.
    char ownReason[384] = "";
    if (inOwnFolder)
        std::snprintf(ownReason, sizeof ownReason, "%s", dlerror());
    library = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        char doing[96];
        std::snprintf(doing, sizeof doing, "load %s", fileName);
        systemFailureInWords(doing, inOwnFolder ? ownReason : dlerror());
    }
    return library;
}

void* findExport(LibraryHandle library, const char* exportName)
{
    if (library == nullptr)
        return nullptr;
    dlerror();
    void* found = dlsym(library, exportName);
    if (found == nullptr) {
        char doing[96];
        std::snprintf(doing, sizeof doing, "find %s", exportName);
        systemFailureInWords(doing, dlerror());
    }
    return found;
}

void releaseLibrary(LibraryHandle library)
{
    if (library != nullptr)
        dlclose(library);
}
