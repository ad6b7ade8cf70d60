#include "platform/library_loader.h"

#include <climits>
#include <cstdio>
#include <cstring>
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
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return nullptr;
    path[length] = '\0';
    char* slash = std::strrchr(path, '/');
    if (slash == nullptr)
        return nullptr;
    std::size_t used = std::size_t(slash + 1 - path);
    int n = std::snprintf(slash + 1, sizeof path - used, "%s", fileName);
    if (n < 0 || std::size_t(n) >= sizeof path - used || access(path, F_OK) != 0)
        return nullptr;
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

} // namespace

LibraryHandle loadLibrary(const char* fileName)
{
    LibraryHandle library = std::strchr(fileName, '/') == nullptr ? loadFromOwnFolder(fileName) : nullptr;
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
