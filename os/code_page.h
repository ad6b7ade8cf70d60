// Conversion between UTF-16 wide text and 8-bit text.
//
// The 8-bit code page goes with the platform's language: CP932 when the
// default language id is 1041, CP1252 otherwise. UTF-8 is used only at the
// edges (terminal, files, transcripts).
#pragma once

#include <cstddef>

// 932 or 1252, fixed for the run.
unsigned activeCodePage();

// Converts text (up to its NUL) into at most capacity bytes of the active
// code page, whole characters only: what does not fit is cut off. No NUL is
// added. *written receives the byte count. False when a character has no
// 8-bit form (nothing useful is left in out then).
bool wideToCodePage(const char16_t* text, char* out, std::size_t capacity, std::size_t* written);

// Converts bytes of the active code page, stopping at a zero byte or after
// byteCount bytes, into at most capacity - 1 wide characters and a NUL.
// False for a sequence that is not valid in the code page (out is then
// empty). capacity must be at least 1.
bool codePageToWide(const char* bytes, std::size_t byteCount, char16_t* out, std::size_t capacity);

// UTF-16 to UTF-8 and back, for the edges. Both always NUL-terminate within
// capacity and cut at a whole character; false for input that is not valid.
bool wideToUtf8(const char16_t* text, char* out, std::size_t capacity);
bool utf8ToWide(const char* text, char16_t* out, std::size_t capacity);

// The program's text as UTF-8 for a host's screen: its "\r\n" line breaks
// (and the odd bare "\n") become "\n". False as for wideToUtf8.
bool programTextToUtf8(const char16_t* text, char* out, std::size_t capacity);
