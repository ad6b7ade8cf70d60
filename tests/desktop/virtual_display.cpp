#include "tests/desktop/virtual_display.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char xvfb[] = "/usr/bin/Xvfb";

bool socketExists(int number)
{
    struct stat info;
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    return stat(socket.c_str(), &info) == 0;
}

bool lockExists(int number)
{
    return access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0;
}

} // namespace

VirtualDisplay::VirtualDisplay()
{
    if (access(xvfb, X_OK) != 0)
        return;
    // A display number no other test process uses at the same time.
    int number = 100 + getpid() % 800;
    while (lockExists(number) || socketExists(number))
        ++number;
    std::string display = ":" + std::to_string(number);
    const char* argv[] = {xvfb, display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    int failed = posix_spawn(&server_, xvfb, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        server_ = -1;
        return;
    }
    for (int i = 0; i < 100 && !socketExists(number); ++i)
        usleep(50 * 1000);
    if (socketExists(number))
        name_ = display;
}

VirtualDisplay::~VirtualDisplay()
{
    if (server_ <= 0)
        return;
    kill(server_, SIGTERM);
    int status;
    waitpid(server_, &status, 0);
}

VirtualDisplay* OnVirtualDisplay::display_ = nullptr;

void OnVirtualDisplay::SetUpTestSuite()
{
    display_ = new VirtualDisplay;
    if (!display_->name().empty())
        setenv("DISPLAY", display_->name().c_str(), 1);
}

void OnVirtualDisplay::TearDownTestSuite()
{
    delete display_;
    display_ = nullptr;
}

std::string OnVirtualDisplay::displayName() { return display_ != nullptr ? display_->name() : std::string(); }
