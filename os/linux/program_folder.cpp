#include "os/program_folder.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

bool pathInProgramFolder(const char* fileName, char* path, std::size_t capacity)
{
    if (std::strchr(fileName, '/') != nullptr)
        return false;
    char program[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0)
        return false;
    program[length] = '\0';
    char* slash = std::strrchr(program, '/');
    if (slash == nullptr)
        return false;
    *slash = '\0';
    int n = std::snprintf(path, capacity, "%s/%s", program, fileName);
    return n >= 0 && std::size_t(n) < capacity;
}
