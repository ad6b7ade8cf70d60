// The clock as the program reads it: a test's stand-in, a fixed reading
// from QUIB_CLOCK, or the platform's own (systemClockReading).
#include "os/clock.h"

#include <cstdio>
#include <cstdlib>

namespace {

ClockSource replacement = nullptr;

bool fixedReading(ClockReading* out)
{
    const char* fixed = std::getenv("QUIB_CLOCK");
    if (fixed == nullptr || fixed[0] == '\0')
        return false;
    unsigned y, mo, d, h, mi, s, ms;
    if (std::sscanf(fixed, "%u-%u-%u %u:%u:%u.%u", &y, &mo, &d, &h, &mi, &s, &ms) != 7)
        return false;
    *out = ClockReading{std::uint16_t(y), std::uint16_t(mo), std::uint16_t(d), std::uint16_t(h),
                        std::uint16_t(mi), std::uint16_t(s), std::uint16_t(ms)};
    return true;
}

} // namespace

ClockReading readClock()
{
    if (replacement != nullptr)
        return replacement();
    ClockReading reading{};
    if (fixedReading(&reading))
        return reading;
    return systemClockReading();
}

void replaceClock(ClockSource source) { replacement = source; }
