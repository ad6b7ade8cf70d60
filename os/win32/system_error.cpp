#include "os/system_error.h"

#include "os/win32/text.h"

#include <cstdio>

void systemCodeWords(unsigned long code, char* out, std::size_t capacity)
{
    wchar_t words[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), words, 256, nullptr);
    while (n > 0 && (words[n - 1] == L'\r' || words[n - 1] == L'\n' || words[n - 1] == L' ' || words[n - 1] == L'.'))
        words[--n] = L'\0';
    if (n == 0 || !fromSystemText(words, out, capacity))
        std::snprintf(out, capacity, "system error %lu", code);
}

// A Windows error code (GetLastError) is told in the system's own words;
// the record keeps no errno value for it.
bool systemCodeFailure(const char* doing, unsigned long code)
{
    char reason[sizeof SystemError::reason];
    systemCodeWords(code, reason, sizeof reason);
    return systemFailureInWords(doing, reason);
}
