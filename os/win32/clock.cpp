#include "os/clock.h"

#include <windows.h>

ClockReading systemClockReading()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ClockReading{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}
