#include "os/wide_format.h"

#include <climits>
#include <cstdarg>

namespace {

struct Output {
    char16_t* out;
    std::size_t capacity;
    std::size_t used;
    void put(char16_t c)
    {
        if (used + 1 < capacity)
            out[used++] = c;
    }
};

void putPadded(Output& o, const char16_t* text, std::size_t length, unsigned width)
{
    for (std::size_t pad = length; pad < width; ++pad)
        o.put(u' ');
    for (std::size_t i = 0; i < length; ++i)
        o.put(text[i]);
}

void putNumber(Output& o, unsigned long long magnitude, bool negative, unsigned width)
{
    char16_t digits[24];
    std::size_t n = 0;
    do {
        digits[n++] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    char16_t text[24];
    std::size_t length = 0;
    if (negative)
        text[length++] = u'-';
    while (n > 0)
        text[length++] = digits[--n];
    putPadded(o, text, length, width);
}

} // namespace

std::size_t formatWide(char16_t* out, std::size_t capacity, const char16_t* format, ...)
{
    Output o{out, capacity, 0};
    va_list args;
    va_start(args, format);
    for (const char16_t* p = format; *p != u'\0'; ++p) {
        if (*p != u'%') {
            o.put(*p);
            continue;
        }
        ++p;
        if (*p == u'%') {
            o.put(u'%');
            continue;
        }
        unsigned width = 0;
        while (*p >= u'0' && *p <= u'9')
            width = width * 10 + unsigned(*p++ - u'0');
        if (*p == u'd') {
            int value = va_arg(args, int);
            long long wide = value;
            putNumber(o, static_cast<unsigned long long>(wide < 0 ? -wide : wide), wide < 0, width);
        } else if (*p == u'u') {
            putNumber(o, va_arg(args, unsigned), false, width);
        } else if (*p == u'l' && p[1] == u's') {
            ++p;
            const char16_t* text = va_arg(args, const char16_t*);
            if (text == nullptr)
                text = u"(null)";
            putPadded(o, text, wideLength(text), width);
        } else {
            // An unknown conversion is shown as written.
            o.put(u'%');
            if (*p == u'\0')
                break;
            o.put(*p);
        }
    }
    va_end(args);
    if (capacity > 0)
        out[o.used] = u'\0';
    return o.used;
}

long parseWideDecimal(const char16_t* text)
{
    const char16_t* p = text;
    while (*p == u' ' || (*p >= u'\t' && *p <= u'\r'))
        ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-')
        negative = *p++ == u'-';
    unsigned long long value = 0;
    bool clamped = false;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        value = value * 10 + unsigned(*p - u'0');
        if (value > static_cast<unsigned long long>(LONG_MAX)) {
            clamped = true;
            value = static_cast<unsigned long long>(LONG_MAX);
        }
    }
    if (clamped)
        return negative ? LONG_MIN : LONG_MAX;
    return negative ? -static_cast<long>(value) : static_cast<long>(value);
}

std::size_t wideLength(const char16_t* text)
{
    std::size_t n = 0;
    while (text[n] != u'\0')
        ++n;
    return n;
}

void copyWide(char16_t* out, std::size_t capacity, const char16_t* text)
{
    if (capacity == 0)
        return;
    std::size_t i = 0;
    for (; i + 1 < capacity && text[i] != u'\0'; ++i)
        out[i] = text[i];
    out[i] = u'\0';
}

bool wideEqual(const char16_t* a, const char16_t* b)
{
    for (; *a != u'\0' && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}
