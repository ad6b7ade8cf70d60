#include "platform/library_loader.h"

#include <dlfcn.h>

LibraryHandle loadLibrary(const char* fileName)
{
    return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
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
