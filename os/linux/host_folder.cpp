#include "os/host_folder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The last failure, for hostFolderProblem.
char problemFolder[PATH_MAX];
char problemReason[128];

bool noteProblem(const char* folder, const char* reason)
{
    std::snprintf(problemFolder, sizeof problemFolder, "%s", folder);
    std::snprintf(problemReason, sizeof problemReason, "%s", reason);
    return false;
}

bool noteError(const char* folder, int error) { return noteProblem(folder, std::strerror(error)); }

bool makeFolders(char* path)
{
    // Create each missing level, like mkdir -p.
    for (char* p = path + 1; *p != '\0'; ++p) {
        if (*p != '/')
            continue;
        *p = '\0';
        int error = mkdir(path, 0700) == 0 ? 0 : errno;
        *p = '/';
        if (error != 0 && error != EEXIST)
            return noteError(path, error);
    }
    if (mkdir(path, 0700) != 0 && errno != EEXIST)
        return noteError(path, errno);
    return true;
}

// The folder holds the registry and the disk images: only its owner may
// change what is in it, or a link planted there could redirect a write.
bool checkFolder(const char* path)
{
    struct stat info;
    if (stat(path, &info) != 0)
        return noteError(path, errno);
    if (!S_ISDIR(info.st_mode))
        return noteError(path, ENOTDIR);
    if (info.st_uid != geteuid() && info.st_uid != 0) {
        char reason[sizeof problemReason];
        std::snprintf(reason, sizeof reason, "owned by another user (uid %u)", unsigned(info.st_uid));
        return noteProblem(path, reason);
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char reason[sizeof problemReason];
        std::snprintf(reason, sizeof reason, "group or others may write it (mode %04o)",
                      unsigned(info.st_mode & 07777));
        return noteProblem(path, reason);
    }
    if (access(path, W_OK | X_OK) != 0)
        return noteError(path, errno);
    return true;
}

bool isSet(const char* value) { return value != nullptr && value[0] != '\0'; }

} // namespace

bool hostFolderName(char* out, std::size_t capacity)
{
    const char* home = std::getenv("QUIB_HOME");
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* user = std::getenv("HOME");
    int n;
    if (isSet(home))
        n = std::snprintf(out, capacity, "%s", home);
    else if (isSet(state))
        n = std::snprintf(out, capacity, "%s/quibtools", state);
    else if (isSet(user))
        n = std::snprintf(out, capacity, "%s/.local/state/quibtools", user);
    else
        return noteProblem("", "none of QUIB_HOME, XDG_STATE_HOME or HOME is set");
    if (n <= 0 || static_cast<std::size_t>(n) >= capacity) {
        // What fits of it names it well enough.
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
    // Made only when it is not there yet: most runs find it, and then
    // need no mkdir for each level of its path.
    struct stat info;
    if (stat(out, &info) != 0 && errno == ENOENT && !makeFolders(out))
        return false;
    return checkFolder(out);
}

bool hostFilePath(const char* fileName, char* out, std::size_t capacity)
{
    if (!hostFolderPath(out, capacity))
        return false;
    std::size_t used = std::strlen(out);
    int n = std::snprintf(out + used, capacity - used, "/%s", fileName);
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
