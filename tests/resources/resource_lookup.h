// Finding templates and controls in the program's module table, and the
// width of text in terminal cells.
#pragma once

#include "dialogs/dialog_template.h"
#include "dialogs/module.h"

#include <cstdint>
#include <string>

inline const DialogTemplate* templateById(std::uint16_t id)
{
    const DialogTemplate* found = nullptr;
    for (std::size_t i = 0; i < programResources.dialogCount; ++i)
        if (programResources.dialogs[i]->id == id)
            found = programResources.dialogs[i];
    return found;
}

inline const ControlTemplate* controlById(const DialogTemplate& dialog, std::uint16_t id)
{
    for (std::size_t i = 0; i < dialog.controlCount; ++i)
        if (dialog.controls[i].id == id)
            return &dialog.controls[i];
    return nullptr;
}

// Columns a character takes in a terminal: 2 for East Asian wide and
// full-width characters, 1 for the rest (half-width katakana included).
inline int cellWidth(char16_t c)
{
    bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
                (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                (c >= 0xFFE0 && c <= 0xFFE6);
    return wide ? 2 : 1;
}

// UTF-8 for messages of failed checks.
inline std::string utf8(const char16_t* text)
{
    std::string out;
    for (const char16_t* p = text; *p != 0; ++p) {
        char32_t c = *p;
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}
