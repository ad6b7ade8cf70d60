#include "os/system_error.h"

#include "os/win32/text.h"

#include <cstdio>

// A Windows error code (GetLastError) is told in the system's own words,
// without the line end it adds; the record keeps no errno value for it.
bool systemCodeFailure(const char* doing, unsigned long code)
{
    wchar_t words[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), words, 256, nullptr);
    while (n > 0 && (words[n - 1] == L'\r' || words[n - 1] == L'\n' || words[n - 1] == L' '))
        words[--n] = L'\0';
    char reason[sizeof SystemError::reason];
    if (n == 0 || !fromSystemText(words, reason, sizeof reason))
        std::snprintf(reason, sizeof reason, "system error %lu", code);
    return systemFailureInWords(doing, reason);
}
