// The device clock, read as a broken-down local date and time.
#pragma once

#include <cstdint>

struct ClockReading {
    std::uint16_t year;   // the full year, such as 1999
    std::uint16_t month;  // 1 to 12
    std::uint16_t day;    // 1 to 31
    std::uint16_t hour;   // 0 to 23
    std::uint16_t minute;
    std::uint16_t second;
    std::uint16_t millisecond;
};

// Reads the clock (local time). When QUIB_CLOCK is set to
// "YYYY-MM-DD hh:mm:ss.mmm" that reading is returned instead, so a run can be
// repeated with the same stamps.
ClockReading readClock();

// Replaces the clock for this process (a test stands in its own); null
// restores the real one.
using ClockSource = ClockReading (*)();
// The platform's own reading of the local time (os/linux/, os/win32/).
ClockReading systemClockReading();
void replaceClock(ClockSource source);
