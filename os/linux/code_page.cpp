#include "os/code_page.h"

#include "os/language.h"
#include "os/wide_format.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// Each descriptor is opened at its first use and kept for the run: a run
// that never meets the code page (most dialogs) loads no converter for it.
unsigned codePageInForce()
{
    static unsigned codePage = defaultLanguageId() == languageJapanese ? 932 : 1252;
    return codePage;
}

const char* codePageName() { return codePageInForce() == 932 ? "CP932" : "CP1252"; }

iconv_t toCodePage()
{
    static iconv_t cd = iconv_open(codePageName(), "UTF-16LE");
    return cd;
}

iconv_t fromCodePage()
{
    static iconv_t cd = iconv_open("UTF-16LE", codePageName());
    return cd;
}

iconv_t toUtf8()
{
    static iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
    return cd;
}

iconv_t fromUtf8()
{
    static iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    return cd;
}

// Converts one UTF-16 character (one or two units) with cd into out.
// Returns the bytes written, 0 when it does not fit, -1 when it cannot be converted.
long convertOne(iconv_t cd, const char16_t* unit, std::size_t units, char* out, std::size_t room)
{
    char source[4];
    for (std::size_t i = 0; i < units; ++i) {
        source[2 * i] = char(unit[i] & 0xFF);
        source[2 * i + 1] = char(unit[i] >> 8);
    }
    char* in = source;
    std::size_t inLeft = units * 2;
    char target[8];
    char* outPtr = target;
    std::size_t outLeft = sizeof target;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == std::size_t(-1) || inLeft != 0)
        return -1;
    std::size_t made = sizeof target - outLeft;
    if (made > room)
        return 0;
    std::memcpy(out, target, made);
    return long(made);
}

// Wide text to an 8-bit encoding, whole characters, cut at capacity.
// The whole text in one conversion: false when it is too long for one
// go, does not fit, or holds a character that cannot be converted. The
// encodings in use carry no state from one character to the next, so this
// gives the same bytes as converting it a character at a time.
bool encodeWhole(iconv_t cd, const char16_t* text, std::size_t length, char* out, std::size_t capacity,
                 std::size_t* written)
{
    char source[1024];
    if (length > sizeof source / 2)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        source[2 * i] = char(text[i] & 0xFF);
        source[2 * i + 1] = char(text[i] >> 8);
    }
    char* in = source;
    std::size_t inLeft = length * 2;
    char* outPtr = out;
    std::size_t outLeft = capacity;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == std::size_t(-1) || inLeft != 0)
        return false;
    *written = capacity - outLeft;
    return true;
}

bool encodeWide(iconv_t cd, const char16_t* text, char* out, std::size_t capacity, std::size_t* written)
{
    *written = 0;
    if (cd == iconv_t(-1))
        return false;
    std::size_t length = wideLength(text);
    // Mostly the whole text fits: one call. Otherwise a character at a
    // time, so that the text is cut at a whole character, or stops at the
    // one that cannot be converted.
    if (encodeWhole(cd, text, length, out, capacity, written))
        return true;
    *written = 0;
    for (std::size_t i = 0; i < length;) {
        std::size_t units = 1;
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            units = 2;
        long made = convertOne(cd, text + i, units, out + *written, capacity - *written);
        if (made < 0)
            return false;
        if (made == 0)
            break; // does not fit: cut here
        *written += std::size_t(made);
        i += units;
    }
    return true;
}

// 8-bit text to wide text, cut at a whole character.
bool decodeToWide(iconv_t cd, const char* bytes, std::size_t byteCount, char16_t* out, std::size_t capacity)
{
    out[0] = u'\0';
    if (cd == iconv_t(-1))
        return false;
    std::size_t length = 0;
    while (length < byteCount && bytes[length] != '\0')
        ++length;
    char target[1024];
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    char* outPtr = target;
    std::size_t outLeft = sizeof target;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != std::size_t(-1))
            break;
        if (errno == E2BIG)
            break; // longer than any text this tool converts: keep what fits
        return false;
    }
    std::size_t units = (sizeof target - outLeft) / 2;
    std::size_t keep = 0;
    while (keep < units && keep + 1 < capacity) {
        char16_t unit = char16_t((unsigned char)target[2 * keep] | ((unsigned char)target[2 * keep + 1] << 8));
        bool lead = unit >= 0xD800 && unit <= 0xDBFF;
        if (lead && keep + 2 >= capacity)
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
    return encodeWide(toCodePage(), text, out, capacity, written);
}

bool codePageToWide(const char* bytes, std::size_t byteCount, char16_t* out, std::size_t capacity)
{
    if (capacity == 0)
        return false;
    return decodeToWide(fromCodePage(), bytes, byteCount, out, capacity);
}

bool wideToUtf8(const char16_t* text, char* out, std::size_t capacity)
{
    if (capacity == 0)
        return false;
    std::size_t written = 0;
    bool ok = encodeWide(toUtf8(), text, out, capacity - 1, &written);
    out[written] = '\0';
    return ok;
}

bool utf8ToWide(const char* text, char16_t* out, std::size_t capacity)
{
    if (capacity == 0)
        return false;
    return decodeToWide(fromUtf8(), text, std::strlen(text), out, capacity);
}
