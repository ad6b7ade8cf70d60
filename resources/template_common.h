// What every dialog template of the program shares: window styles, fonts,
// the control styles in use, and short constructors that keep the control
// tables readable. Rectangles are in dialog units (x, y, width, height).
#pragma once

#include "dialogs/dialog_template.h"

#include <cstdint>

namespace templates {

constexpr std::uint16_t languageEnglish = 1033;
constexpr std::uint16_t languageJapanese = 1041;

// Pop-up window with caption and system menu, centred, modal frame, own font.
constexpr std::uint32_t dialogStyle = 0x80C808C0;
// The same without the system menu (no close box): Format Execute.
constexpr std::uint32_t dialogStyleNoSystemMenu = 0x80C008C0;

constexpr std::uint16_t fontPointSize = 9;
inline constexpr char16_t japaneseFace[] = u"ＭＳ Ｐゴシック";
inline constexpr char16_t englishFace[] = u"Arial";

constexpr std::uint32_t visibleChild = styleVisible | styleChild;

constexpr std::uint32_t pushButtonStyle = visibleChild | styleTabStop | buttonPush;               // 0x50010000
constexpr std::uint32_t defaultButtonStyle = visibleChild | styleTabStop | buttonDefaultPush;     // 0x50010001
constexpr std::uint32_t groupBoxStyle = visibleChild | buttonGroupBox;                            // 0x50000007
constexpr std::uint32_t firstRadioStyle = visibleChild | styleGroup | styleTabStop | buttonAutoRadio; // 0x50030009
constexpr std::uint32_t radioStyle = visibleChild | buttonAutoRadio;                              // 0x50000009
constexpr std::uint32_t textStyle = visibleChild | styleGroup | staticLeft;                       // 0x50020000
constexpr std::uint32_t bitmapStyle = visibleChild | staticBitmap;                                // 0x5000000E
constexpr std::uint32_t editStyle = visibleChild | styleBorder | styleTabStop | editAutoHorizontalScroll; // 0x50810080
constexpr std::uint32_t passwordEditStyle = editStyle | editPassword;                             // 0x508100A0
constexpr std::uint32_t fieldStyle = visibleChild | editReadOnly | editAutoHorizontalScroll;      // 0x50000880
constexpr std::uint32_t multiLineFieldStyle = visibleChild | editReadOnly | editMultiLine;        // 0x50000804
constexpr std::uint32_t progressBarStyle = visibleChild | styleBorder;                            // 0x50800000

constexpr ControlTemplate pushButton(std::uint16_t id, const char16_t* text, std::int16_t x, std::int16_t y,
                                     std::int16_t width, std::int16_t height)
{
    return {ControlClass::Button, id, pushButtonStyle, 0, x, y, width, height, text, 0};
}

constexpr ControlTemplate defaultButton(std::uint16_t id, const char16_t* text, std::int16_t x, std::int16_t y,
                                        std::int16_t width, std::int16_t height)
{
    return {ControlClass::Button, id, defaultButtonStyle, 0, x, y, width, height, text, 0};
}

constexpr ControlTemplate groupBox(const char16_t* title, std::int16_t x, std::int16_t y, std::int16_t width,
                                   std::int16_t height)
{
    return {ControlClass::Button, staticControlId, groupBoxStyle, 0, x, y, width, height, title, 0};
}

// The first radio button of a group carries the group start and the tab stop.
constexpr ControlTemplate firstRadio(std::uint16_t id, const char16_t* text, std::int16_t x, std::int16_t y,
                                     std::int16_t width, std::int16_t height)
{
    return {ControlClass::Button, id, firstRadioStyle, 0, x, y, width, height, text, 0};
}

constexpr ControlTemplate radio(std::uint16_t id, const char16_t* text, std::int16_t x, std::int16_t y,
                                std::int16_t width, std::int16_t height)
{
    return {ControlClass::Button, id, radioStyle, 0, x, y, width, height, text, 0};
}

constexpr ControlTemplate text(const char16_t* caption, std::int16_t x, std::int16_t y, std::int16_t width,
                               std::int16_t height)
{
    return {ControlClass::Static, staticControlId, textStyle, 0, x, y, width, height, caption, 0};
}

// A static text with a sunken edge, for explanations set off from the rest.
constexpr ControlTemplate sunkenText(const char16_t* caption, std::int16_t x, std::int16_t y, std::int16_t width,
                                     std::int16_t height)
{
    return {ControlClass::Static, staticControlId, textStyle, extendedStaticEdge, x, y, width, height, caption, 0};
}

constexpr ControlTemplate bitmap(std::uint16_t bitmapId, std::int16_t x, std::int16_t y, std::int16_t width,
                                 std::int16_t height)
{
    return {ControlClass::Static, staticControlId, bitmapStyle, 0, x, y, width, height, u"", bitmapId};
}

// A one-line edit with border; extraStyle adds e.g. styleGroup.
constexpr ControlTemplate edit(std::uint16_t id, std::int16_t x, std::int16_t y, std::int16_t width,
                               std::int16_t height, std::uint32_t extraStyle = 0)
{
    return {ControlClass::Edit, id, editStyle | extraStyle, 0, x, y, width, height, u"", 0};
}

constexpr ControlTemplate passwordEdit(std::uint16_t id, std::int16_t x, std::int16_t y, std::int16_t width,
                                       std::int16_t height)
{
    return {ControlClass::Edit, id, passwordEditStyle, 0, x, y, width, height, u"", 0};
}

// A read-only one-line field without border, filled by the program.
constexpr ControlTemplate field(std::uint16_t id, std::int16_t x, std::int16_t y, std::int16_t width,
                                std::int16_t height)
{
    return {ControlClass::Edit, id, fieldStyle, 0, x, y, width, height, u"", 0};
}

constexpr ControlTemplate multiLineField(std::uint16_t id, std::int16_t x, std::int16_t y, std::int16_t width,
                                         std::int16_t height)
{
    return {ControlClass::Edit, id, multiLineFieldStyle, 0, x, y, width, height, u"", 0};
}

constexpr ControlTemplate progressBar(std::uint16_t id, std::int16_t x, std::int16_t y, std::int16_t width,
                                      std::int16_t height)
{
    return {ControlClass::ProgressBar, id, progressBarStyle, 0, x, y, width, height, u"", 0};
}

} // namespace templates
