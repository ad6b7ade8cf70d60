#include "os/library_loader.h"

#include "os/program_folder.h"
#include "os/system_error.h"
#include "os/win32/text.h"

#include <cstdio>

// The library is loaded from the program's own folder only, by its whole
// path: the system's search would also look in the working folder and
// along PATH, where another file of that name may lie.
LibraryHandle loadLibrary(const char* fileName)
{
    char doing[96];
    std::snprintf(doing, sizeof doing, "load %s", fileName);
    char path[MAX_PATH * 3];
    wchar_t widePath[MAX_PATH];
    if (!pathInProgramFolder(fileName, path, sizeof path) || !toSystemText(path, widePath, MAX_PATH)) {
        systemFailureInWords(doing, "the name is no file of the program's folder");
        return nullptr;
    }
    HMODULE library = LoadLibraryExW(widePath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr)
        systemCodeFailure(doing, GetLastError());
    return reinterpret_cast<LibraryHandle>(library);
}

void* findExport(LibraryHandle library, const char* exportName)
{
    if (library == nullptr)
        return nullptr;
    FARPROC found = GetProcAddress(static_cast<HMODULE>(library), exportName);
    if (found == nullptr) {
        char doing[96];
        std::snprintf(doing, sizeof doing, "find %s", exportName);
        systemCodeFailure(doing, GetLastError());
    }
    return reinterpret_cast<void*>(found);
}

void releaseLibrary(LibraryHandle library)
{
    if (library != nullptr)
        FreeLibrary(static_cast<HMODULE>(library));
}
