// Dialogs as windows: dialog units become pixels by the font's measured
// average width and height, and every control of a template stands in its
// window at its converted rectangle, in both languages.
#include "frontend/desktop/desktop_front_end.h"
#include "frontend/desktop/dialog_geometry.h"
#include "frontend/desktop/font_units.h"
#include "dialogs/dialogs.h"
#include "dialogs/module.h"
#include "tests/desktop/virtual_display.h"
#include "tests/support/longest_texts.h"
#include "frontend/desktop/control_widgets.h"
#include "frontend/desktop/message_window.h"
#include "frontend/desktop/text_lines.h"
#include "dialogs/message_box.h"
#include "ui/framework/message_catalogue.h"

#include <FL/Fl.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(DialogUnits, AQuarterOfTheAverageWidthAcrossAndAnEighthOfTheHeightDown)
{
    struct Case {
        FontUnits units;
        int x, y, width, height;
        PixelRect expected;
    };
    const Case cases[] = {
        // 14*6/4 = 21, 15*15/8 = 28.1, 66*6/4 = 99, 11*15/8 = 20.6
        {{6, 15}, 14, 15, 66, 11, {21, 28, 99, 21}},
        // 95*7/4 = 166.25, 13*16/8 = 26, 54*7/4 = 94.5 (halves round up), 14*16/8 = 28
        {{7, 16}, 95, 13, 54, 14, {166, 26, 95, 28}},
        // 7*5/4 = 8.75, 0, 82*5/4 = 102.5, 78*13/8 = 126.75
        {{5, 13}, 7, 0, 82, 78, {9, 0, 103, 127}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(toPixels(c.units, c.x, c.y, c.width, c.height), c.expected)
            << c.x << "," << c.y << "," << c.width << "," << c.height;
}

TEST(DialogUnits, EachTypefaceHasAnInstalledStandIn)
{
    const DialogTemplate* english = findDialogTemplate(&programResources, 126);
    const DialogTemplate* japanese = findDialogTemplate(&programResources, 113);
    ASSERT_NE(english, nullptr);
    ASSERT_NE(japanese, nullptr);
    EXPECT_STREQ(desktopFontFor(*english).name, "DejaVu Sans");
    EXPECT_STREQ(desktopFontFor(*japanese).name, "Noto Sans CJK JP");
    EXPECT_EQ(desktopFontFor(*english).pixelSize, 12); // 9 points at 96 dots per inch
}

class DialogWindows : public OnVirtualDisplay {
protected:
    void SetUp() override
    {
        if (displayName().empty())
            GTEST_SKIP() << "Xvfb is not installed (scripts/install-packages.sh installs it)";
        frontEnd_ = openDesktopFrontEnd();
        ASSERT_NE(frontEnd_, nullptr);
        installFrontEnd(frontEnd_);
    }
    void TearDown() override { installFrontEnd(nullptr); }

    FrontEnd* frontEnd_ = nullptr;
};

bool closesOnTwo(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    if (message == messageCommand && first == 2)
        return endDialog(dialog, 1);
    return false;
}

// Looks at the window that shows, then presses its Close button (id 2) as
// a click would.
struct Inspection {
    const DialogTemplate* source;
    bool looked = false;
    std::string problems = "";
};

void pressClose(Fl_Window* window, const DialogTemplate& source)
{
    for (std::size_t i = 0; i < source.controlCount && i < std::size_t(window->children()); ++i) {
        if (source.controls[i].id == 2)
            window->child(int(i))->do_callback();
    }
}

void inspectAndClose(void* data)
{
    auto* inspection = static_cast<Inspection*>(data);
    Fl_Window* window = Fl::first_window();
    if (window == nullptr) {
        Fl::repeat_timeout(0.05, inspectAndClose, data);
        return;
    }
    // A click counts only once the window waits for the person: until the
    // dialog has gone, look again and press again.
    Fl::repeat_timeout(0.1, inspectAndClose, data);
    if (inspection->looked) {
        pressClose(window, *inspection->source);
        return;
    }
    inspection->looked = true;
    const DialogTemplate& source = *inspection->source;
    DesktopFont font = desktopFontFor(source);
    FontUnits units = measureFontUnits(fontSlotFor(font.name), font.pixelSize);
    if (units.averageWidth < 4 || units.averageWidth > 10 || units.height < 10 || units.height > 24)
        inspection->problems += "implausible font units\n";
    PixelRect client = clientRect(units, source);
    if (window->w() != client.width || window->h() != client.height)
        inspection->problems += "window size\n";
    if (window->children() != int(source.controlCount)) {
        inspection->problems += "one widget per control\n";
    } else {
        for (std::size_t i = 0; i < source.controlCount; ++i) {
            Fl_Widget* widget = window->child(int(i));
            PixelRect expected = controlRect(units, source.controls[i]);
            PixelRect shown{widget->x(), widget->y(), widget->w(), widget->h()};
            // The Japanese volume label is wider than its rectangle: it runs
            // on, and the field beside it starts later, its right edge kept.
            bool pushedAlong = source.id == 118 && source.controls[i].id == 1031 && shown.y == expected.y &&
                               shown.x + shown.width == expected.x + expected.width && shown.x > expected.x &&
                               window->child(int(i) - 1)->x() + window->child(int(i) - 1)->w() <= shown.x;
            bool ranOn = source.id == 118 && i == 3 && shown.x == expected.x && shown.y == expected.y &&
                         shown.height == expected.height && shown.width > expected.width;
            if (!(shown == expected) && !pushedAlong && !ranOn)
                inspection->problems += "control " + std::to_string(i) + " (id " +
                                        std::to_string(source.controls[i].id) + ")\n";
        }
    }
    pressClose(window, source);
}

TEST_F(DialogWindows, EveryControlStandsAtItsTemplateRectangleInPixels)
{
    // Menus, Status, Format, Format Execute and Protect Setting, in English and Japanese.
    for (int id : {126, 113, 132, 118, 128, 116, 133, 117, 131, 112}) {
        Inspection inspection{findDialogTemplate(&programResources, std::uint16_t(id)), false, ""};
        ASSERT_NE(inspection.source, nullptr) << id;
        Fl::add_timeout(0.05, inspectAndClose, &inspection);
        runModalDialog(inspection.source, nullptr, closesOnTwo, 0);
        Fl::remove_timeout(inspectAndClose, &inspection);
        EXPECT_TRUE(inspection.looked) << id;
        EXPECT_EQ(inspection.problems, "") << "template " << id;
    }
}

// The Status dialog's fields as the program fills them: the window shows
// each text as it is, Japanese included.
const char16_t* shownDriveLine = nullptr;

bool fillsTheDriveLine(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second)
{
    if (message == messageInitDialog) {
        setControlText(dialog, 1045, shownDriveLine);
        setControlText(dialog, 1021, u"No Error.");
        return false;
    }
    return closesOnTwo(dialog, message, first, second);
}

struct ReadBack {
    std::string driveLine, status;
};

void readFieldsAndClose(void* data)
{
    auto* read = static_cast<ReadBack*>(data);
    Fl_Window* window = Fl::first_window();
    Fl::repeat_timeout(0.1, readFieldsAndClose, data);
    if (window == nullptr)
        return;
    for (int i = 0; i < window->children(); ++i) {
        auto* field = dynamic_cast<Fl_Input_*>(window->child(i));
        if (field != nullptr && read->driveLine.empty())
            read->driveLine = field->value();
        else if (field != nullptr && i > 0 && read->status.empty() && std::string(field->value()) == "No Error.")
            read->status = field->value();
    }
    // Close is the first control of the Status templates.
    window->child(0)->do_callback();
}

TEST_F(DialogWindows, FieldsShowTheTextsTheDialogSets)
{
    struct Case {
        int templateId;
        const char16_t* driveLine;
        const char* shown;
    };
    const Case cases[] = {
        {132, u"Drive #1 : Folder Name = Storage Card3", "Drive #1 : Folder Name = Storage Card3"},
        {118, u"Drive #1 : フォルダ名 = Storage Card3", "Drive #1 : フォルダ名 = Storage Card3"},
    };
    for (const Case& c : cases) {
        shownDriveLine = c.driveLine;
        ReadBack read;
        Fl::add_timeout(0.1, readFieldsAndClose, &read);
        runModalDialog(findDialogTemplate(&programResources, std::uint16_t(c.templateId)), nullptr,
                       fillsTheDriveLine, 0);
        Fl::remove_timeout(readFieldsAndClose, &read);
        EXPECT_EQ(read.driveLine, c.shown) << c.templateId;
        EXPECT_EQ(read.status, "No Error.") << c.templateId;
    }
}

// With the longest texts in its fields, each dialog's window shows every
// text whole: each static text and field is as high as its wrapped lines
// need, stays inside the window and inside the group box that holds it in
// the template, and overlaps no other control.
DialogHandle filledDialog = nullptr;
std::uint16_t filledTemplate = 0;

bool fillsLongestTexts(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second)
{
    if (message == messageInitDialog) {
        filledDialog = dialog;
        for (const LongestText& t : longestTexts)
            if (t.templateId == filledTemplate)
                setControlText(dialog, t.controlId, t.text);
        return false;
    }
    return closesOnTwo(dialog, message, first, second);
}

bool inside(const PixelRect& inner, const PixelRect& outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

bool overlap(const PixelRect& a, const PixelRect& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

void inspectWholeTexts(void* data)
{
    auto* inspection = static_cast<Inspection*>(data);
    Fl_Window* window = Fl::first_window();
    Fl::repeat_timeout(0.1, inspectWholeTexts, data);
    if (window == nullptr || filledDialog == nullptr)
        return;
    if (inspection->looked) {
        pressClose(window, *inspection->source);
        return;
    }
    inspection->looked = true;
    const DialogTemplate& source = *inspection->source;
    std::size_t count = std::size_t(window->children());
    PixelRect shown[maxDialogControls];
    PixelRect client{0, 0, window->w(), window->h()};
    for (std::size_t i = 0; i < count; ++i) {
        Fl_Widget* widget = window->child(int(i));
        shown[i] = PixelRect{widget->x(), widget->y(), widget->w(), widget->h()};
        const ControlState& control = *dialogControlAt(filledDialog, i);
        std::string name = "control " + std::to_string(i) + " (id " + std::to_string(source.controls[i].id) + ")";
        if (!inside(shown[i], client))
            inspection->problems += name + " leaves the window\n";
        if (controlTextHeight(widget, control, widget->w()) > widget->h())
            inspection->problems += name + " is cut\n";
    }
    DesktopFont font = desktopFontFor(source);
    FontUnits units = measureFontUnits(fontSlotFor(font.name), font.pixelSize);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = 0; j < count; ++j) {
            bool groupI = dialogControlAt(filledDialog, i)->kind == ControlKind::GroupBox;
            bool groupJ = dialogControlAt(filledDialog, j)->kind == ControlKind::GroupBox;
            bool heldInTemplate = inside(controlRect(units, source.controls[j]), controlRect(units, source.controls[i]));
            if (groupI && !groupJ && heldInTemplate && !inside(shown[j], shown[i]))
                inspection->problems += "control " + std::to_string(j) + " leaves its group box\n";
            if (i < j && !groupI && !groupJ && overlap(shown[i], shown[j]))
                inspection->problems += "controls " + std::to_string(i) + " and " + std::to_string(j) + " overlap\n";
        }
    }
    pressClose(window, source);
}

TEST_F(DialogWindows, EveryFieldShowsItsLongestTextWhole)
{
    // Every template: those without fields the program fills show their own texts.
    for (std::size_t t = 0; t < programResources.dialogCount; ++t) {
        std::uint16_t id = programResources.dialogs[t]->id;
        filledTemplate = id;
        filledDialog = nullptr;
        Inspection inspection{programResources.dialogs[t], false, ""};
        Fl::add_timeout(0.05, inspectWholeTexts, &inspection);
        runModalDialog(inspection.source, nullptr, fillsLongestTexts, 0);
        Fl::remove_timeout(inspectWholeTexts, &inspection);
        EXPECT_TRUE(inspection.looked) << id;
        EXPECT_EQ(inspection.problems, "") << "template " << id;
    }
}

struct Heights {
    int window = 0, status = 0, close = 0;
};
Heights seen[2];
int statusRun = 0;

void measureStatusAndClose(void*)
{
    Fl::repeat_timeout(0.1, measureStatusAndClose);
    Fl_Window* window = Fl::first_window();
    if (window == nullptr)
        return;
    seen[statusRun] = Heights{window->h(), window->child(5)->h(), window->child(0)->y()};
    window->child(0)->do_callback(); // Close
}

// The Status window grows by what its longest status lacks, and the
// controls above the status stay where the template puts them.
TEST_F(DialogWindows, StatusWindowGrowsForTheLongestStatus)
{
    const DialogTemplate* status = findDialogTemplate(&programResources, 132);
    for (statusRun = 0; statusRun < 2; ++statusRun) {
        filledTemplate = statusRun == 0 ? 0 : 132; // the first run leaves the fields empty
        Fl::add_timeout(0.1, measureStatusAndClose);
        runModalDialog(status, nullptr, fillsLongestTexts, 0);
        Fl::remove_timeout(measureStatusAndClose);
    }
    EXPECT_GT(seen[1].status, seen[0].status);
    EXPECT_EQ(seen[1].window - seen[0].window, seen[1].status - seen[0].status);
    EXPECT_EQ(seen[1].close, seen[0].close);
}

// Every message of both catalogues: the box wraps at five eighths of the
// screen's width, every line fits the text's column, and the box is as
// high as its lines.
TEST_F(DialogWindows, MessageBoxesWrapAtFiveEighthsOfTheScreen)
{
    for (std::uint16_t language : {std::uint16_t(1033), std::uint16_t(1041)}) {
        selectCatalogue(language);
        bool japanese = language == 1041;
        int slot = fontSlotFor(japanese ? "Noto Sans CJK JP" : "DejaVu Sans");
        const auto* entries = reinterpret_cast<const char16_t* const*>(&messageCatalogue);
        for (std::size_t i = 0; i < sizeof(MessageCatalogue) / sizeof(const char16_t*); ++i) {
            TextLine lines[maxShownLines];
            MessageWindowLayout box = layoutMessageWindow(entries[i], 0x34, japanese, slot, 12, lines);
            EXPECT_LE(box.width, Fl::w() * 5 / 8) << language << " entry " << i;
            EXPECT_LT(box.lineCount, maxShownLines);
            for (std::size_t l = 0; l < box.lineCount; ++l)
                EXPECT_LE(lines[l].width, box.textWidth);
            fl_font(slot, 12);
            EXPECT_EQ(box.textHeight, int(box.lineCount) * fl_height());
            EXPECT_GE(box.height, box.textHeight + 3 * 12 + 26);
        }
        // The read/write caution in Japanese has no blank to break at: it
        // still wraps, onto several lines.
        TextLine lines[maxShownLines];
        MessageWindowLayout caution = layoutMessageWindow(messageCatalogue.readWriteProtectPasswordWarningText, 0x34,
                                                          japanese, slot, 12, lines);
        EXPECT_GE(caution.lineCount, 2u) << language;
    }
    selectCatalogue(1033);
}

// Y and N answer a Yes/No box, with Alt or without.
int pressedKey = 0, pressedState = 0;

void pressKey(void*)
{
    Fl::repeat_timeout(0.1, pressKey);
    Fl_Window* box = Fl::first_window();
    if (box == nullptr)
        return;
    static char text[2];
    text[0] = char(pressedKey);
    Fl::e_keysym = pressedKey;
    Fl::e_state = pressedState;
    Fl::e_text = text;
    Fl::e_length = 1;
    Fl::handle(FL_KEYBOARD, box);
}

int answerBy(int key, int state)
{
    pressedKey = key;
    pressedState = state;
    Fl::add_timeout(0.2, pressKey);
    int answer = runMessageWindow(nullptr, u"You may lose datas on the Quib! disk. Do you want to format ?",
                                  "Format Confirmation", 0x24, false, FL_HELVETICA, 12);
    Fl::remove_timeout(pressKey);
    return answer;
}

TEST_F(DialogWindows, YesAndNoAnswerWithTheirLetters)
{
    EXPECT_EQ(answerBy('y', 0), answerYes);
    EXPECT_EQ(answerBy('n', 0), answerNo);
    EXPECT_EQ(answerBy('y', FL_ALT), answerYes);
    EXPECT_EQ(answerBy('n', FL_ALT), answerNo);
}

// Lines in pixels break by the same rules as in the terminal: at every
// width from 100 to 600 pixels no line of the confirmation, the Japanese
// error box or the password explanations starts with "?" or "。" (or any
// other character the rules keep at a line's end), and each fits.
TEST_F(DialogWindows, PixelLinesBreakByUnicodeRules)
{
    struct Case {
        const char16_t* text;
        const char* family;
    } cases[] = {
        {u"You may lose datas on the Quib! disk. Do you want to format ?", "DejaVu Sans"},
        {u"このディスクは，パスワード付きでリード・ライトプロテクトされています。高速フォーマットではフォーマットできません。",
         "Noto Sans CJK JP"},
        {u"プロテクトしたときと同じパスワードを入力してください。\r\n"
         u"パスワードを忘れてしまった場合，ベリファイつきフォーマットにより，データごとプロテクトを消去することになります。",
         "Noto Sans CJK JP"},
        {u"パスワードは，文字数３２文字まで，英数字のみを設定可能です。\r\n大文字／小文字は別の文字と認識されます。",
         "Noto Sans CJK JP"},
    };
    const std::u16string closing = u"?!.,)。、，？！）」ー";
    for (const Case& c : cases) {
        fl_font(fontSlotFor(c.family), 12);
        for (int width = 100; width <= 600; width += 25) {
            TextLine lines[maxShownLines];
            std::size_t count = wrapInPixels(c.text, width, lines, maxShownLines);
            ASSERT_LT(count, maxShownLines);
            for (std::size_t i = 0; i < count; ++i) {
                EXPECT_LE(lines[i].width, width);
                if (i > 0 && lines[i].length > 0) {
                    EXPECT_EQ(closing.find(c.text[lines[i].start]), std::u16string::npos)
                        << c.family << " at " << width << " px, line " << i;
                }
            }
        }
    }
}

// A control character in a text from a disk (an ESC in a label another
// program wrote) is measured, and so drawn, in caret notation: as wide as
// "^[" in its place, and wider than the text without it.
TEST_F(DialogWindows, ControlCharactersAreDrawnInCaretNotation)
{
    fl_font(fontSlotFor("DejaVu Sans"), 12);
    TextLine escaped[4], caret[4], without[4];
    ASSERT_EQ(wrapInPixels(u"Volume Label : [A\x1b[2JB\x7f]", 600, escaped, 4), 1u);
    ASSERT_EQ(wrapInPixels(u"Volume Label : [A^[[2JB^?]", 600, caret, 4), 1u);
    ASSERT_EQ(wrapInPixels(u"Volume Label : [A[2JB]", 600, without, 4), 1u);
    EXPECT_EQ(escaped[0].width, caret[0].width);
    EXPECT_GT(escaped[0].width, without[0].width);
}

// The window as it shows, read back from the display: RGB rows.
std::vector<unsigned char> windowPixels(Fl_Window* window)
{
    Fl::flush();
    window->make_current();
    std::vector<unsigned char> rgb(std::size_t(window->w()) * std::size_t(window->h()) * 3);
    fl_read_image(rgb.data(), 0, 0, window->w(), window->h());
    return rgb;
}

bool isDark(const std::vector<unsigned char>& rgb, int width, int x, int y)
{
    const unsigned char* p = &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
    return p[0] + p[1] + p[2] < 3 * 100;
}

// The first row, from the top of the rectangle, that holds text (dark pixels).
int firstInkRow(const std::vector<unsigned char>& rgb, int width, const PixelRect& r)
{
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x)
            if (isDark(rgb, width, x, y))
                return y;
    return -1;
}

struct Seen {
    int phase = 0;
    std::vector<unsigned char> before;
    std::vector<unsigned char> pixels;
    int width = 0;
    PixelRect a{}, b{}; // where the two widgets looked at stood
};

PixelRect rectOf(Fl_Widget* widget) { return PixelRect{widget->x(), widget->y(), widget->w(), widget->h()}; }
Seen seenOnScreen;
std::size_t firstLooked = 0, secondLooked = 0;
int closeIndex = 0;

void readCaptionAndValue(void*)
{
    Fl::repeat_timeout(0.1, readCaptionAndValue);
    Fl_Window* window = Fl::first_window();
    if (window == nullptr)
        return;
    if (seenOnScreen.phase++ == 0)
        return; // one round for the window to be drawn
    seenOnScreen.pixels = windowPixels(window);
    seenOnScreen.width = window->w();
    seenOnScreen.a = rectOf(window->child(int(firstLooked)));
    seenOnScreen.b = rectOf(window->child(int(secondLooked)));
    window->child(closeIndex)->do_callback();
}

// "Volume Label :" and its value start on the same row of pixels, in both
// languages: the value's field draws its text from the top as the caption
// beside it does, not centred in its taller box.
TEST_F(DialogWindows, CaptionsStandOnTheLineOfTheirValues)
{
    for (std::uint16_t id : {std::uint16_t(132), std::uint16_t(118)}) {
        filledTemplate = id;
        seenOnScreen = Seen{};
        firstLooked = 3;  // the caption
        secondLooked = 4; // the volume label's field
        closeIndex = 0;
        Fl::add_timeout(0.1, readCaptionAndValue);
        runModalDialog(findDialogTemplate(&programResources, id), nullptr, fillsLongestTexts, 0);
        Fl::remove_timeout(readCaptionAndValue);
        ASSERT_FALSE(seenOnScreen.pixels.empty()) << id;
        int caption = firstInkRow(seenOnScreen.pixels, seenOnScreen.width, seenOnScreen.a);
        int value = firstInkRow(seenOnScreen.pixels, seenOnScreen.width, seenOnScreen.b);
        ASSERT_GE(caption, 0) << id;
        ASSERT_GE(value, 0) << id;
        EXPECT_LE(std::abs(caption - value), 2) << "template " << id << ": caption at " << caption << ", value at "
                                                << value;
    }
}

// After Tab moves the focus from Close to Status, Status is the button
// Enter presses and Close has lost its dark frame, corners included.
void tabThenRead(void*)
{
    Fl::repeat_timeout(0.1, tabThenRead);
    Fl_Window* window = Fl::first_window();
    if (window == nullptr)
        return;
    int phase = seenOnScreen.phase++;
    if (phase == 2) {
        seenOnScreen.before = windowPixels(window); // Close with its frame
    } else if (phase == 3) {
        Fl::e_keysym = FL_Tab;
        Fl::e_state = 0;
        Fl::e_text = const_cast<char*>("\t");
        Fl::e_length = 1;
        Fl::handle(FL_KEYBOARD, window);
    } else if (phase == 5) {
        seenOnScreen.pixels = windowPixels(window);
        seenOnScreen.width = window->w();
        seenOnScreen.a = rectOf(window->child(int(firstLooked)));
        seenOnScreen.b = rectOf(window->child(int(secondLooked)));
        window->child(closeIndex)->do_callback();
    }
}

// As the menu's own procedure does: the focus on Close at the start.
bool focusesClose(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second)
{
    if (message == messageInitDialog) {
        setFocusToControl(dialog, 2);
        return false;
    }
    return closesOnTwo(dialog, message, first, second);
}

TEST_F(DialogWindows, AButtonThatLostTheFrameKeepsNoCornerOfIt)
{
    seenOnScreen = Seen{};
    firstLooked = 4;  // Close, the default button at first
    secondLooked = 1; // Status, which Tab gives the focus
    closeIndex = 4;
    filledTemplate = 0;
    Fl::add_timeout(0.1, tabThenRead);
    runModalDialog(findDialogTemplate(&programResources, 126), nullptr, focusesClose, 0);
    Fl::remove_timeout(tabThenRead);
    ASSERT_FALSE(seenOnScreen.pixels.empty());
    auto corners = [](const PixelRect& r) {
        return std::vector<std::pair<int, int>>{{r.x, r.y},
                                                {r.x + r.width - 1, r.y},
                                                {r.x, r.y + r.height - 1},
                                                {r.x + r.width - 1, r.y + r.height - 1}};
    };
    for (auto [x, y] : corners(seenOnScreen.a)) {
        EXPECT_TRUE(isDark(seenOnScreen.before, seenOnScreen.width, x, y)) << "Close's frame " << x << "," << y;
        EXPECT_FALSE(isDark(seenOnScreen.pixels, seenOnScreen.width, x, y)) << "Close's corner " << x << "," << y;
    }
    for (auto [x, y] : corners(seenOnScreen.b))
        EXPECT_TRUE(isDark(seenOnScreen.pixels, seenOnScreen.width, x, y)) << "Status's frame " << x << "," << y;
}

} // namespace
