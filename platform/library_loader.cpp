#include "platform/library_loader.h"

#include "platform/program_folder.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>

namespace {

// The library in the program's own folder, when it is there. The run path
// $ORIGIN says the same, but a dlopen that passes through an interposed
// dlopen (the sanitizer runtime's) is searched from the interposer's run
// path, so the folder is looked at here as well.
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
