#include "frontend/desktop/dialog_geometry.h"

#include "os/wide_format.h"

#include <cstring>

namespace {

// The templates' typefaces and the installed fonts that take their place:
// the Japanese face needs a font with kana and kanji; the English ones a
// plain sans-serif face. A face not listed gets the sans-serif one.
struct FontChoice {
    const char16_t* typeface;
    const char* family;
};

const FontChoice fontChoices[] = {
    {u"ＭＳ Ｐゴシック", "Noto Sans CJK JP"},
    {u"Arial", "DejaVu Sans"},
};
const char defaultFamily[] = "DejaVu Sans";

bool sameFace(const char16_t* a, const char16_t* b) { return a != nullptr && b != nullptr && wideEqual(a, b); }

// The platform's rounding of value * numerator / denominator.
int scale(int value, int numerator, int denominator)
{
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

DesktopFont desktopFontFor(const DialogTemplate& dialog)
{
    const char* family = defaultFamily;
    for (const FontChoice& choice : fontChoices) {
        if (sameFace(choice.typeface, dialog.typeface))
            family = choice.family;
    }
    // Points to pixels at 96 dots per inch.
    return {family, scale(dialog.pointSize, 96, 72)};
}

PixelRect toPixels(const FontUnits& units, int x, int y, int width, int height)
{
    return {scale(x, units.averageWidth, 4), scale(y, units.height, 8), scale(width, units.averageWidth, 4),
            scale(height, units.height, 8)};
}

PixelRect controlRect(const FontUnits& units, const ControlTemplate& control)
{
    return toPixels(units, control.x, control.y, control.width, control.height);
}

PixelRect clientRect(const FontUnits& units, const DialogTemplate& dialog)
{
    return toPixels(units, 0, 0, dialog.width, dialog.height);
}

int growRect(PixelRect* rects, const bool* groupBoxes, std::size_t count, std::size_t grown, int height)
{
    int extra = height - rects[grown].height;
    if (extra <= 0)
        return 0;
    int bottom = rects[grown].y + rects[grown].height;
    for (std::size_t i = 0; i < count; ++i) {
        if (i == grown)
            continue;
        if (rects[i].y >= bottom)
            rects[i].y += extra;
        else if (groupBoxes[i] && rects[i].y + rects[i].height > bottom)
            rects[i].height += extra;
    }
    rects[grown].height = height;
    return extra;
}
