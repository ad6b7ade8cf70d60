// The host folder on Windows: QUIB_HOME when set, else QuibTools in the
// user's local application data folder (%LOCALAPPDATA%). It holds what the
// tool keeps in files (the protect-menu choice; the virtual drive's files).
// A folder that is a link or junction (a reparse point) is refused: a link
// planted there could redirect a write.
#include "os/host_folder.h"

#include "os/system_error.h"
#include "os/win32/text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char problemFolder[MAX_PATH * 3];
char problemReason[128];

bool noteProblem(const char* folder, const char* reason)
{
    std::snprintf(problemFolder, sizeof problemFolder, "%s", folder);
    std::snprintf(problemReason, sizeof problemReason, "%s", reason);
    return false;
}

bool noteError(const char* folder, int error) { return noteProblem(folder, std::strerror(error)); }

bool noteSystemError(const char* folder, DWORD code)
{
    char reason[sizeof problemReason];
    systemCodeWords(code, reason, sizeof reason);
    return noteProblem(folder, reason);
}

bool isSet(const char* value) { return value != nullptr && value[0] != '\0'; }

// Creates each missing level, like mkdir -p.
bool makeFolders(wchar_t* path, const char* name)
{
    for (wchar_t* p = path + 1; *p != L'\0'; ++p) {
        if (*p != L'\\' && *p != L'/')
            continue;
        if (p[-1] == L':')
            continue; // a drive's root
        wchar_t kept = *p;
        *p = L'\0';
        DWORD error = CreateDirectoryW(path, nullptr) ? 0 : GetLastError();
        *p = kept;
        if (error != 0 && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED)
            return noteSystemError(name, error);
    }
    if (!CreateDirectoryW(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return noteSystemError(name, GetLastError());
    return true;
}

} // namespace

bool hostFolderName(char* out, std::size_t capacity)
{
    const char* home = std::getenv("QUIB_HOME");
    const char* local = std::getenv("LOCALAPPDATA");
    int n;
    if (isSet(home))
        n = std::snprintf(out, capacity, "%s", home);
    else if (isSet(local))
        n = std::snprintf(out, capacity, "%s\\QuibTools", local);
    else
        return noteProblem("", "neither QUIB_HOME nor LOCALAPPDATA is set");
    if (n <= 0 || static_cast<std::size_t>(n) >= capacity) {
        if (capacity > 0)
            out[capacity - 1] = '\0';
        return noteError(out, ENAMETOOLONG);
    }
    return true;
}

bool hostFolderPath(char* out, std::size_t capacity)
{
    if (!hostFolderName(out, capacity))
        return false;
    wchar_t path[MAX_PATH];
    if (!toSystemText(out, path, MAX_PATH))
        return noteError(out, ENAMETOOLONG);
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!makeFolders(path, out))
            return false;
        attributes = GetFileAttributesW(path);
    }
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return noteSystemError(out, GetLastError());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return noteError(out, ENOTDIR);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return noteProblem(out, "it is a link or junction to another folder");
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return noteError(out, EACCES);
    return true;
}

bool hostFilePath(const char* fileName, char* out, std::size_t capacity)
{
    if (!hostFolderPath(out, capacity))
        return false;
    std::size_t used = std::strlen(out);
    int n = std::snprintf(out + used, capacity - used, "\\%s", fileName);
    if (n > 0 && static_cast<std::size_t>(n) < capacity - used)
        return true;
    out[used] = '\0';
    return noteError(out, ENAMETOOLONG);
}

HostFolderProblem hostFolderProblem() { return HostFolderProblem{problemFolder, problemReason}; }

void noteHostFileProblem(const char* path, int error) { noteError(path, error); }

void writeHostFolderProblem()
{
    HostFolderProblem problem = hostFolderProblem();
    if (problem.folder[0] == '\0')
        std::fprintf(stderr, "quibtools: no host folder: %s\n", problem.reason);
    else
        std::fprintf(stderr, "quibtools: cannot use the host folder '%s': %s\n", problem.folder, problem.reason);
}
