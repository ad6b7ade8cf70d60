// The geometry of every template: controls lie inside their dialog, do not
// overlap one another (a group box holds its controls whole), and have room
// for their texts where the terminal front end draws them: 4 horizontal and
// 8 vertical dialog units to a character cell, East Asian characters two
// cells wide.
#include "tests/resources/resource_lookup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Rect {
    int left, top, right, bottom;
};

Rect rectOf(const ControlTemplate& c) { return {c.x, c.y, c.x + c.width, c.y + c.height}; }

bool overlap(Rect a, Rect b) { return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom; }

bool inside(Rect inner, Rect outer)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

bool isGroupBox(const ControlTemplate& c)
{
    return c.controlClass == ControlClass::Button && (c.style & 0xF) == buttonGroupBox;
}

std::string describe(const DialogTemplate& dialog, std::size_t index)
{
    const ControlTemplate& c = dialog.controls[index];
    return std::to_string(dialog.id) + " control #" + std::to_string(index) + " (" + std::to_string(c.id) + " \"" +
           utf8(c.text) + "\")";
}

template <typename Check>
void forEachDialog(Check check)
{
    for (std::size_t d = 0; d < programResources.dialogCount; ++d)
        check(*programResources.dialogs[d]);
}

TEST(TemplateLayout, EveryControlLiesInsideItsDialog)
{
    forEachDialog([](const DialogTemplate& dialog) {
        Rect client{0, 0, dialog.width, dialog.height};
        for (std::size_t i = 0; i < dialog.controlCount; ++i) {
            const ControlTemplate& c = dialog.controls[i];
            EXPECT_GT(c.width, 0) << describe(dialog, i);
            EXPECT_GT(c.height, 0) << describe(dialog, i);
            EXPECT_TRUE(inside(rectOf(c), client)) << describe(dialog, i);
        }
    });
}

// The Status dialog's Close button is placed to reach 2 units into the top
// of the "Status" group box, above the group's frame line in a proportional
// font; its rectangles are fixed as they are.
bool knownOverlap(const DialogTemplate& dialog, const ControlTemplate& a, const ControlTemplate& b)
{
    return (dialog.id == 118 || dialog.id == 132) && a.id == 2 && isGroupBox(b) && a.y + a.height - b.y == 2;
}

TEST(TemplateLayout, ControlsDoNotOverlapExceptInsideTheirGroupBox)
{
    forEachDialog([](const DialogTemplate& dialog) {
        for (std::size_t i = 0; i < dialog.controlCount; ++i)
            for (std::size_t j = i + 1; j < dialog.controlCount; ++j) {
                const ControlTemplate& a = dialog.controls[i];
                const ControlTemplate& b = dialog.controls[j];
                if (!overlap(rectOf(a), rectOf(b)))
                    continue;
                bool held = (isGroupBox(a) && !isGroupBox(b) && inside(rectOf(b), rectOf(a))) ||
                            (isGroupBox(b) && !isGroupBox(a) && inside(rectOf(a), rectOf(b))) ||
                            knownOverlap(dialog, a, b) || knownOverlap(dialog, b, a);
                EXPECT_TRUE(held) << describe(dialog, i) << " overlaps " << describe(dialog, j);
            }
    });
}

// Lines a text takes when wrapped at `columns` cells: at blanks between
// words, anywhere between East Asian characters, and at each line break
// ("\r\n" or a bare "\n").
int wrappedLines(const std::u16string& text, int columns)
{
    int lines = 1, column = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
            ++lines;
            column = 0;
            continue;
        }
        if (c == u' ') {
            if (column < columns)
                ++column;
            ++i;
            continue;
        }
        // A word of narrow characters, or one wide character.
        std::size_t end = i + 1;
        int width = cellWidth(c);
        if (width == 1)
            while (end < text.size() && text[end] != u' ' && text[end] != u'\r' && text[end] != u'\n' &&
                   cellWidth(text[end]) == 1)
                ++end, ++width;
        if (column > 0 && column + width > columns) {
            ++lines;
            column = 0;
        }
        while (width > columns) {   // a word longer than the line is broken
            ++lines;
            width -= columns;
        }
        column += width;
        i = end;
    }
    return lines;
}

int textWidth(const std::u16string& text)
{
    int width = 0;
    for (char16_t c : text)
        width += cellWidth(c);
    return width;
}

// The Japanese Status label's rectangle is given as 57 units, so the
// terminal shows 14 of its 18 cells; it is the one text known not to fit.
bool knownNotToFit(const DialogTemplate& dialog, const ControlTemplate& c)
{
    return dialog.id == 118 && c.controlClass == ControlClass::Static && c.x == 14 && c.y == 49;
}

TEST(TemplateLayout, TextsFitTheirControlsOnTheTerminal)
{
    forEachDialog([](const DialogTemplate& dialog) {
        for (std::size_t i = 0; i < dialog.controlCount; ++i) {
            const ControlTemplate& c = dialog.controls[i];
            std::u16string text = c.text;
            if (text.empty() || knownNotToFit(dialog, c))
                continue;
            int columns = c.width / 4, rows = c.height / 8;
            if (c.controlClass == ControlClass::Static) {
                EXPECT_LE(wrappedLines(text, columns), rows) << describe(dialog, i);
                continue;
            }
            ASSERT_EQ(c.controlClass, ControlClass::Button) << describe(dialog, i);
            EXPECT_GE(rows, 1) << describe(dialog, i);
            switch (c.style & 0xF) {
            case buttonGroupBox:   // a corner and a blank before the title
                EXPECT_LE(textWidth(text) + 2, columns) << describe(dialog, i);
                break;
            case buttonAutoRadio:  // "(*) " before the text
                EXPECT_LE(textWidth(text) + 4, columns) << describe(dialog, i);
                break;
            default:               // "[" and "]" around the text
                EXPECT_LE(textWidth(text) + 2, columns) << describe(dialog, i);
            }
        }
    });
}

TEST(TemplateLayout, WrappingCountsBreaksWordsAndWideCharacters)
{
    struct Case {
        const char16_t* text;
        int columns, lines;
    };
    const Case cases[] = {
        {u"one two three", 13, 1},
        {u"one two three", 12, 2},
        {u"a\nb\r\nc", 10, 3},
        {u"ステータス", 10, 1},
        {u"ステータス", 9, 2},
        {u"\uFF92\uFF93\uFF98", 3, 1},   // half-width katakana take one cell each
        {u"abcdefghij", 4, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrappedLines(c.text, c.columns), c.lines) << utf8(c.text) << " in " << c.columns;
}

} // namespace
