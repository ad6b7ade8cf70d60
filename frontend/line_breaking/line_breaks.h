// Where a text may break into lines, by Unicode's line-breaking rules
// (UAX #14, from libunibreak), and a text filled into lines of a width.
// The rules keep "?" and "。" off the start of a line, break Japanese
// between characters where that is allowed, and break Latin text at blanks.
// Widths are the caller's: terminal cells or pixels.
#pragma once

#include <cstddef>

// One line of a broken text: units [start, start + length) of the text,
// without the line break or the blanks that end it.
struct TextLine {
    std::size_t start;
    std::size_t length;
    int width;
};

// The width of units [start, start + length) of text, in the caller's measure.
using TextWidth = int (*)(const char16_t* text, std::size_t start, std::size_t length, void* context);

// The language the rules are tailored for: "ja" for a Japanese run, "en" otherwise.
void setLineBreakLanguage(const char* language);

// Longest text breakLines takes; past it the text is cut.
constexpr std::size_t maxBrokenTextLength = 4096;

// Fills the text into lines of at most maxWidth: a line ends at a line
// break (CR LF, LF, CR and the other mandatory breaks) or at the last
// break opportunity that still fits; a stretch with no opportunity that
// fits is broken between characters, at least one a line. Writes at most
// capacity lines and returns the number the text needs (1 for an empty
// text; a closing line break opens no empty line).
std::size_t breakLines(const char16_t* text, int maxWidth, TextWidth width, void* context, TextLine* lines,
                       std::size_t capacity);
