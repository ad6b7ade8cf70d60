// Measuring and cutting UTF-16 text in terminal cells. A character takes
// as many cells as wcwidth says in the terminal's UTF-8 locale: two for the
// wide (East Asian) ones, one for the rest; control characters show as one
// cell (a blank for a line break, else a control picture), characters
// without a width of their own as one '?'.
#pragma once

#include "frontend/line_breaking/line_breaks.h"

#include <cstddef>

// The character at text[*index]; *index moves past it (a surrogate pair is
// one character, a lone surrogate shows as U+FFFD).
char32_t nextCharacter(const char16_t* text, std::size_t* index);

// The character as the terminal shows it: a line break (CR, LF) as a
// blank, any other control character as its picture (U+2400 to U+241F,
// U+2421 for DEL: ␛ for ESC);
// one the terminal cannot show, one of no width (a combining mark, a
// zero-width space) or a direction control as '?', so that nothing typed
// into a field joins a neighbour's cell or reorders the line.
char32_t shownCharacter(char32_t character);

// Cells the shown character takes: 1 or 2.
int characterCells(char32_t character);

// Cells of the first length units of text (stopping early at a NUL).
int textCells(const char16_t* text, std::size_t length);

// How many units of text, from its start, fit into maxCells cells, taking
// whole characters only; *usedCells (may be null) receives their cells.
// Stops at a NUL or after length units.
std::size_t unitsFitting(const char16_t* text, std::size_t length, int maxCells, int* usedCells);

// Breaks text into lines of at most maxCells cells by Unicode's line-breaking
// rules (frontend/line_breaking): at line breaks (CR LF, LF or CR), where the
// rules allow a break (after blanks, which are dropped, and between Japanese
// characters, never before "?" or "。"), and inside a word too long for a
// line. Writes at most capacity lines (their width in cells) and returns the
// number of lines the text needs.
std::size_t wrapText(const char16_t* text, int maxCells, TextLine* lines, std::size_t capacity);

// The first unit an edit field of width cells shows so that the cursor (a
// unit index) stays visible, moving no further than needed from the unit
// shown first before. Masked fields show one cell per character.
std::size_t scrollForCursor(const char16_t* text, std::size_t cursor, std::size_t firstShown, int width, bool masked);
