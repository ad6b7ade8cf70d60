#include "os/system_error.h"

#include "os/win32/text.h"

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

// The system's own words for its error code, without the line end it adds.
bool systemCodeFailure(const char* doing, unsigned long code)
{
    wchar_t words[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), words, 256, nullptr);
    while (n > 0 && (words[n - 1] == L'\r' || words[n - 1] == L'\n' || words[n - 1] == L' '))
        words[--n] = L'\0';
    char reason[sizeof last.reason];
    if (n == 0 || !fromSystemText(words, reason, sizeof reason))
        std::snprintf(reason, sizeof reason, "system error %lu", code);
    systemFailureInWords(doing, reason);
    last.code = int(code);
    return false;
}

const SystemError& lastSystemError() { return last; }
