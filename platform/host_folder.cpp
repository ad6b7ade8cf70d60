#include "platform/host_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

bool makeFolders(char* path)
{
    // Create each missing level, like mkdir -p.
    for (char* p = path + 1; *p != '\0'; ++p) {
        if (*p != '/')
            continue;
        *p = '\0';
        bool ok = mkdir(path, 0700) == 0 || errno == EEXIST;
        *p = '/';
        if (!ok)
            return false;
    }
    if (mkdir(path, 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool isSet(const char* value) { return value != nullptr && value[0] != '\0'; }

} // namespace

bool hostFolderPath(char* out, std::size_t capacity)
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
        return false;
    if (n <= 0 || static_cast<std::size_t>(n) >= capacity)
        return false;
    return makeFolders(out);
}

bool hostFilePath(const char* fileName, char* out, std::size_t capacity)
{
    if (!hostFolderPath(out, capacity))
        return false;
    std::size_t used = std::strlen(out);
    int n = std::snprintf(out + used, capacity - used, "/%s", fileName);
    return n > 0 && static_cast<std::size_t>(n) < capacity - used;
}
