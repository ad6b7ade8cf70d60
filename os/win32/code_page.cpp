// Code pages on Windows: the system's own conversions (932 for a Japanese
// run, 1252 otherwise), with no best-fit replacements: a character without
// an 8-bit form is refused, as it is on Linux.
#include "os/code_page.h"

#include "os/language.h"
#include "os/wide_format.h"

#include <cstring>
#include <windows.h>

namespace {

unsigned codePageInForce()
{
    static unsigned codePage = defaultLanguageId() == languageJapanese ? 932 : 1252;
    return codePage;
}

// The five bytes code page 1252 leaves unassigned: the system passes them
// through as C1 controls, Linux's conversion refuses them, and so does
// this one, so a label reads the same on both.
bool unassignedIn1252(unsigned value) { return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D; }

bool isLead(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isTrail(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// One character (one or two units) into out: the bytes written, 0 when they
// do not fit in room, -1 when it has no form in the code page.
int encodeOne(unsigned codePage, const char16_t* unit, int units, char* out, std::size_t room)
{
    if (codePage == 1252 && units == 1 && unassignedIn1252(unit[0]))
        return -1;
    char target[8];
    BOOL defaulted = FALSE;
    bool utf8 = codePage == CP_UTF8;
    int made = WideCharToMultiByte(codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS,
                                   reinterpret_cast<const wchar_t*>(unit), units, target, sizeof target, nullptr,
                                   utf8 ? nullptr : &defaulted);
    if (made <= 0 || defaulted)
        return -1;
    if (std::size_t(made) > room)
        return 0;
    std::memcpy(out, target, std::size_t(made));
    return made;
}

// Wide text a character at a time, so that it is cut at a whole character
// or stops at one that cannot be converted.
bool encodeWide(unsigned codePage, const char16_t* text, char* out, std::size_t capacity, std::size_t* written)
{
    *written = 0;
    std::size_t length = wideLength(text);
    for (std::size_t i = 0; i < length;) {
        int units = isLead(text[i]) && i + 1 < length && isTrail(text[i + 1]) ? 2 : 1;
        int made = encodeOne(codePage, text + i, units, out + *written, capacity - *written);
        if (made < 0)
            return false;
        if (made == 0)
            break; // does not fit: cut here
        *written += std::size_t(made);
        i += std::size_t(units);
    }
    return true;
}

// 8-bit text to wide text, cut at a whole character.
bool decodeToWide(unsigned codePage, const char* bytes, std::size_t byteCount, char16_t* out, std::size_t capacity)
{
    out[0] = u'\0';
    std::size_t length = 0;
    while (length < byteCount && bytes[length] != '\0')
        ++length;
    if (length == 0)
        return true;
    for (std::size_t i = 0; codePage == 1252 && i < length; ++i)
        if (unassignedIn1252((unsigned char)bytes[i]))
            return false;
    wchar_t target[512];
    int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, int(length), target, 512);
    if (units <= 0)
        return false;
    std::size_t keep = 0;
    while (keep < std::size_t(units) && keep + 1 < capacity) {
        char16_t unit = char16_t(target[keep]);
        if (isLead(unit) && keep + 2 >= capacity)
            break; // never split a surrogate pair
        out[keep++] = unit;
    }
    out[keep] = u'\0';
    return true;
}

} // namespace

unsigned activeCodePage() { return codePageInForce(); }

bool wideToCodePage(const char16_t* text, char* out, std::size_t capacity, std::size_t* written)
{
    return encodeWide(codePageInForce(), text, out, capacity, written);
}

bool codePageToWide(const char* bytes, std::size_t byteCount, char16_t* out, std::size_t capacity)
{
    if (capacity == 0)
        return false;
    return decodeToWide(codePageInForce(), bytes, byteCount, out, capacity);
}

bool wideToUtf8(const char16_t* text, char* out, std::size_t capacity)
{
    if (capacity == 0)
        return false;
    std::size_t written = 0;
    bool ok = encodeWide(CP_UTF8, text, out, capacity - 1, &written);
    out[written] = '\0';
    return ok;
}

bool utf8ToWide(const char* text, char16_t* out, std::size_t capacity)
{
    if (capacity == 0)
        return false;
    return decodeToWide(CP_UTF8, text, std::strlen(text), out, capacity);
}
