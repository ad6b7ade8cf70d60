#include "platform/process_start.h"

#include "platform/code_page.h"
#include "platform/front_end.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The folder of the running program, for programs that ship beside it.
bool ownFolder(char* out, std::size_t capacity)
{
    ssize_t n = readlink("/proc/self/exe", out, capacity - 1);
    if (n <= 0)
        return false;
    out[n] = '\0';
    char* slash = std::strrchr(out, '/');
    if (slash == nullptr)
        return false;
    *slash = '\0';
    return true;
}

} // namespace

void startProcess(const char* program, const char16_t* commandLine)
{
    FrontEnd* frontEnd = activeFrontEnd();
    if (frontEnd != nullptr && !frontEnd->processStarting(program, commandLine))
        return;

    if (std::strchr(program, '/') != nullptr)
        return;
    char folder[PATH_MAX];
    char path[PATH_MAX + 64];
    if (!ownFolder(folder, sizeof folder))
        return;
    int length = std::snprintf(path, sizeof path, "%s/%s", folder, program);
    if (length < 0 || std::size_t(length) >= sizeof path || access(path, X_OK) != 0)
        return;

    char argument[1024];
    if (!wideToUtf8(commandLine, argument, sizeof argument))
        return;
    char* argv[] = {path, argument, nullptr};

    // Detach: a child forks the viewer and exits at once, so the viewer is
    // never our child and nothing is left to wait for.
    pid_t middle = fork();
    if (middle < 0)
        return;
    if (middle == 0) {
        setsid();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t viewer;
        posix_spawn(&viewer, path, &actions, nullptr, argv, environ);
        _exit(0);
    }
    waitpid(middle, nullptr, 0);
}
