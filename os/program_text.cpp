// The program's text for a host's screen: the same on every platform, on
// top of the platform's UTF-8 conversion.
#include "os/code_page.h"

bool programTextToUtf8(const char16_t* text, char* out, std::size_t capacity)
{
    if (!wideToUtf8(text, out, capacity))
        return false;
    char* to = out;
    for (const char* from = out; *from != '\0'; ++from) {
        if (*from != '\r')
            *to++ = *from;
    }
    *to = '\0';
    return true;
}
