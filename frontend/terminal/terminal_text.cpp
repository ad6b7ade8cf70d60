#include "frontend/terminal/terminal_text.h"

#include <cwchar>

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

int cellsOf(char32_t character, bool masked) { return masked ? 1 : characterCells(character); }

int cellsBetween(const char16_t* text, std::size_t from, std::size_t to, bool masked)
{
    int cells = 0;
    for (std::size_t i = from; i < to && text[i] != u'\0';)
        cells += cellsOf(nextCharacter(text, &i), masked);
    return cells;
}

std::size_t previousCharacter(const char16_t* text, std::size_t index)
{
    if (index == 0)
        return 0;
    --index;
    if (index > 0 && isLowSurrogate(text[index]) && isHighSurrogate(text[index - 1]))
        --index;
    return index;
}

std::size_t lengthOf(const char16_t* text)
{
    std::size_t n = 0;
    while (text[n] != u'\0')
        ++n;
    return n;
}

} // namespace

char32_t nextCharacter(const char16_t* text, std::size_t* index)
{
    char16_t unit = text[*index];
    ++*index;
    if (isHighSurrogate(unit) && isLowSurrogate(text[*index])) {
        char32_t low = text[*index];
        ++*index;
        return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    if (isHighSurrogate(unit) || isLowSurrogate(unit))
        return replacementCharacter;
    return unit;
}

namespace {

bool isDirectionControl(char32_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

char32_t shownCharacter(char32_t character)
{
    // A line break of the program's texts shows as a blank; every other
    // control character (an ESC in a label another program wrote) as its
    // visible picture, so nothing reaches the terminal as a control.
    if (character == U'\r' || character == U'\n')
        return U' ';
    if (character < 0x20)
        return U'\u2400' + character;
    if (character == 0x7F)
        return U'\u2421';
    if (isDirectionControl(character) || ::wcwidth(static_cast<wchar_t>(character)) <= 0)
        return U'?';
    return character;
}

int characterCells(char32_t character)
{
    int width = ::wcwidth(static_cast<wchar_t>(shownCharacter(character)));
    return width >= 2 ? 2 : 1;
}

int textCells(const char16_t* text, std::size_t length) { return cellsBetween(text, 0, length, false); }

std::size_t unitsFitting(const char16_t* text, std::size_t length, int maxCells, int* usedCells)
{
    std::size_t i = 0;
    int cells = 0;
    while (i < length && text[i] != u'\0') {
        std::size_t next = i;
        int width = characterCells(nextCharacter(text, &next));
        if (cells + width > maxCells)
            break;
        cells += width;
        i = next;
    }
    if (usedCells != nullptr)
        *usedCells = cells;
    return i;
}

namespace {

int cellsOfUnits(const char16_t* text, std::size_t start, std::size_t length, void*)
{
    return textCells(text + start, length);
}

} // namespace

std::size_t wrapText(const char16_t* text, int maxCells, TextLine* lines, std::size_t capacity)
{
    return breakLines(text, maxCells, cellsOfUnits, nullptr, lines, capacity);
}

std::size_t scrollForCursor(const char16_t* text, std::size_t cursor, std::size_t firstShown, int width, bool masked)
{
    if (width < 1)
        width = 1;
    std::size_t length = lengthOf(text);
    if (cursor > length)
        cursor = length;
    std::size_t first = firstShown < cursor ? firstShown : cursor;
    // Leave the cursor's own cell inside the field.
    while (first < cursor && cellsBetween(text, first, cursor, masked) + 1 > width)
        nextCharacter(text, &first);
    // Show as much of the text as fits once it has become shorter.
    while (first > 0) {
        std::size_t earlier = previousCharacter(text, first);
        if (cellsBetween(text, earlier, length, masked) + 1 > width)
            break;
        first = earlier;
    }
    return first;
}
