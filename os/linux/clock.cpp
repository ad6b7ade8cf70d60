#include "os/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/time.h>

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
    struct timeval now;
    gettimeofday(&now, nullptr);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    reading.year = std::uint16_t(local.tm_year + 1900);
    reading.month = std::uint16_t(local.tm_mon + 1);
    reading.day = std::uint16_t(local.tm_mday);
    reading.hour = std::uint16_t(local.tm_hour);
    reading.minute = std::uint16_t(local.tm_min);
    reading.second = std::uint16_t(local.tm_sec > 59 ? 59 : local.tm_sec);
    reading.millisecond = std::uint16_t(now.tv_usec / 1000);
    return reading;
}

void replaceClock(ClockSource source) { replacement = source; }
