// Dialog templates and bitmaps as the program carries them among its
// resources: constant data, in the platform's own terms (ids, styles,
// rectangles in dialog units, texts, fonts).
#pragma once

#include <cstddef>
#include <cstdint>

// The control classes of the platform that templates use.
enum class ControlClass : std::uint8_t { Button, Edit, Static, ProgressBar };

// Window and control style bits, as the platform numbers them.
constexpr std::uint32_t styleVisible = 0x10000000;
constexpr std::uint32_t styleChild = 0x40000000;
constexpr std::uint32_t styleDisabled = 0x08000000;
constexpr std::uint32_t styleGroup = 0x00020000;
constexpr std::uint32_t styleTabStop = 0x00010000;
constexpr std::uint32_t styleBorder = 0x00800000;
// Button kinds (low 4 bits of a button's style).
constexpr std::uint32_t buttonPush = 0x0;
constexpr std::uint32_t buttonDefaultPush = 0x1;
constexpr std::uint32_t buttonGroupBox = 0x7;
constexpr std::uint32_t buttonAutoRadio = 0x9;
// Edit styles.
constexpr std::uint32_t editMultiLine = 0x0004;
constexpr std::uint32_t editPassword = 0x0020;
constexpr std::uint32_t editAutoHorizontalScroll = 0x0080;
constexpr std::uint32_t editReadOnly = 0x0800;
// Static kinds (low 5 bits of a static's style).
constexpr std::uint32_t staticLeft = 0x00;
constexpr std::uint32_t staticBitmap = 0x0E;
// Extended styles.
constexpr std::uint32_t extendedContextHelp = 0x400;   // help button in the caption
constexpr std::uint32_t extendedClientEdge = 0x200;
constexpr std::uint32_t extendedStaticEdge = 0x20000;  // sunken edge

constexpr std::uint16_t staticControlId = 65535;

struct ControlTemplate {
    ControlClass controlClass;
    std::uint16_t id;
    std::uint32_t style;
    std::uint32_t extendedStyle;
    std::int16_t x, y, width, height;  // dialog units
    const char16_t* text;              // caption; empty for none
    std::uint16_t bitmapId;            // a bitmap static names its bitmap by number; else 0
};

struct DialogTemplate {
    std::uint16_t id;
    std::uint16_t resourceLanguage;    // 1033 English, 1041 Japanese
    std::uint32_t style;
    std::uint32_t extendedStyle;
    std::int16_t x, y, width, height;  // dialog units
    const char16_t* title;
    std::uint16_t pointSize;
    const char16_t* typeface;
    const ControlTemplate* controls;
    std::size_t controlCount;
};

// A device-independent bitmap: 4 bits per pixel with its 16-colour palette.
struct BitmapResource {
    std::uint16_t id;
    std::uint16_t resourceLanguage;
    std::uint16_t width, height;
    std::uint16_t bitsPerPixel;
    const std::uint32_t* palette;      // 0x00RRGGBB, 1 << bitsPerPixel entries
    const std::uint8_t* pixels;        // rows top to bottom, each padded to 4 bytes
};
