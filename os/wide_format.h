// UTF-16 text helpers: printf-style formatting and decimal parsing.
#pragma once

#include <cstddef>

// Formats into out, at most capacity - 1 characters and a NUL (capacity >= 1).
// Understands %d and %u (an int / unsigned, with an optional width such as
// %3d, right-aligned), %ls (a NUL-terminated char16_t string, optional
// width) and %%. Returns the characters written.
std::size_t formatWide(char16_t* out, std::size_t capacity, const char16_t* format, ...);

// Decimal text to number, as the platform's wide atol: leading white space
// skipped, an optional sign, then digits up to the first non-digit; no
// digits give 0. Values beyond the range of long are clamped.
long parseWideDecimal(const char16_t* text);

// Length of a NUL-terminated wide string.
std::size_t wideLength(const char16_t* text);

// Copies text into out, at most capacity - 1 characters and a NUL.
void copyWide(char16_t* out, std::size_t capacity, const char16_t* text);

// True when both texts are the same, character for character.
bool wideEqual(const char16_t* a, const char16_t* b);
