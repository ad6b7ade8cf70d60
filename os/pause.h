// Waiting on the calling thread.
#pragma once

#include <cstdint>

// Waits the given number of milliseconds. While a front end shows the
// screen, the wait keeps it drawn; nothing else runs meanwhile.
void sleepMilliseconds(std::uint32_t milliseconds);

// Replaces the wait for this process (tests record the pauses instead of
// spending them); null restores the real one.
using SleepFunction = void (*)(std::uint32_t milliseconds);
void replaceSleep(SleepFunction function);
