#include "os/clock.h"

#include <ctime>
#include <sys/time.h>

// The local time to the millisecond.
ClockReading systemClockReading()
{
    ClockReading reading{};
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
