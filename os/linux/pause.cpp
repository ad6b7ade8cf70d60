#include "os/pause.h"

#include <cerrno>
#include <ctime>

namespace {
SleepFunction replacement = nullptr;
}

void sleepMilliseconds(std::uint32_t milliseconds)
{
    if (replacement != nullptr) {
        replacement(milliseconds);
        return;
    }
    struct timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void replaceSleep(SleepFunction function) { replacement = function; }
