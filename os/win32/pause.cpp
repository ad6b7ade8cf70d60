#include "os/pause.h"

#include <windows.h>

namespace {
SleepFunction replacement = nullptr;
}

void sleepMilliseconds(std::uint32_t milliseconds)
{
    if (replacement != nullptr) {
        replacement(milliseconds);
        return;
    }
    Sleep(milliseconds);
}

void replaceSleep(SleepFunction function) { replacement = function; }
