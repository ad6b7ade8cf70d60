#include "os/process_start.h"

#include "os/code_page.h"
#include "os/program_folder.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// Only a program that ships beside the tool is started.
bool shippedProgram(const char* program, const char16_t* commandLine, char* path, std::size_t pathSize,
                    char (&argument)[processArgumentSize])
{
    return pathInProgramFolder(program, path, pathSize) && access(path, X_OK) == 0 &&
           wideToUtf8(commandLine, argument, sizeof argument);
}

namespace {
ProcessStartNotice processStartNotice = nullptr;
}

void setProcessStartNotice(ProcessStartNotice notice) { processStartNotice = notice; }

void startProcess(const char* program, const char16_t* commandLine)
{
    if (processStartNotice != nullptr && !processStartNotice(program, commandLine))
        return;

    char path[PATH_MAX];
    char argument[processArgumentSize];
    if (!shippedProgram(program, commandLine, path, sizeof path, argument))
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
    // A resize signal may interrupt the wait; the middle child is reaped all the same.
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
}
