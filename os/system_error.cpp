// The record of the last failure: the same on every platform (the Windows
// build adds the system's error codes, os/win32/system_error.cpp).
#include "os/system_error.h"

#include <cstdio>
#include <cstring>

namespace {
SystemError last;
}

bool systemFailureInWords(const char* doing, const char* reason)
{
    last.code = 0;
    std::snprintf(last.doing, sizeof last.doing, "%s", doing != nullptr ? doing : "");
    std::snprintf(last.reason, sizeof last.reason, "%s", reason != nullptr ? reason : "unknown reason");
    return false;
}

bool systemFailure(const char* doing, int code)
{
    systemFailureInWords(doing, std::strerror(code));
    last.code = code;
    return false;
}

const SystemError& lastSystemError() { return last; }
