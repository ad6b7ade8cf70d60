// UTF-8 and UTF-16 at the system's edge, for the Win32 services: the system
// takes wide text, the services' callers give and take UTF-8.
#pragma once

#include <cstddef>
#include <windows.h>

// False when text is not UTF-8 or does not fit.
inline bool toSystemText(const char* text, wchar_t* out, std::size_t capacity)
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out, int(capacity)) > 0;
}

inline bool fromSystemText(const wchar_t* text, char* out, std::size_t capacity)
{
    return WideCharToMultiByte(CP_UTF8, 0, text, -1, out, int(capacity), nullptr, nullptr) > 0;
}
