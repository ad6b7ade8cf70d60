#include "os/program_folder.h"

#include "os/win32/text.h"

#include <cstdio>
#include <cstring>

bool pathInProgramFolder(const char* fileName, char* path, std::size_t capacity)
{
    if (std::strchr(fileName, '/') != nullptr || std::strchr(fileName, '\\') != nullptr)
        return false;
    wchar_t program[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    wchar_t* slash = wcsrchr(program, L'\\');
    if (slash == nullptr)
        return false;
    *slash = L'\0';
    char folder[MAX_PATH * 3];
    if (!fromSystemText(program, folder, sizeof folder))
        return false;
    int n = std::snprintf(path, capacity, "%s\\%s", folder, fileName);
    return n >= 0 && std::size_t(n) < capacity;
}
