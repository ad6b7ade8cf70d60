// Every template of the program as the terminal lays it out, in both
// languages: it fits a 100 x 30 terminal, the controls' drawn cells never
// overlap (Japanese labels wider than their rectangles included), and each
// caption, title and fixed text shows whole. Plus the placement rules
// themselves and the message box.
#include "dialogs/dialog_window.h"
#include "dialogs/dialogs.h"
#include "dialogs/module.h"
#include "frontend/terminal/terminal_layout.h"
#include "tests/support/longest_texts.h"
#include "ui/framework/message_catalogue.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

constexpr int screenRows = 30;
constexpr int screenCols = 100;
// The screen checkLayout lays a dialog out on.
int checkedRows = screenRows;
int checkedCols = screenCols;

// Opens each dialog with a procedure that only ends it, and lets a check
// look at it while it shows.
class LayoutProbe : public FrontEnd {
public:
    void (*check)(DialogHandle dialog) = nullptr;
    void dialogOpened(DialogHandle dialog) override { check(dialog); }
    void dialogClosed(DialogHandle) override {}
    void controlChanged(DialogHandle, const ControlState&, ControlChange) override {}
    void nextAction(DialogHandle, UserAction* action) override
    {
        *action = UserAction{};
        action->kind = UserActionKind::Command;
        action->controlId = 2;
    }
    void actionRefused(const UserAction&, Refusal) override {}
    int messageBox(DialogHandle, const char16_t*, const char16_t*, unsigned) override { return answerOk; }
    bool processStarting(const char*, const char16_t*) override { return false; }
    void programEnded(int) override {}
};

bool endOnClose(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    if (message == messageCommand && first == 2)
        endDialog(dialog, 1);
    return false;
}

void showWith(const DialogTemplate* dialogTemplate, void (*check)(DialogHandle))
{
    LayoutProbe probe;
    probe.check = check;
    installFrontEnd(&probe);
    runModalDialog(dialogTemplate, nullptr, endOnClose, 0);
    installFrontEnd(nullptr);
}

std::string utf8(const char16_t* text)
{
    std::string out;
    for (std::size_t i = 0; text[i] != u'\0';) {
        char32_t c = nextCharacter(text, &i);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

int cellsOf(const char16_t* text)
{
    std::size_t n = 0;
    while (text[n] != u'\0')
        ++n;
    return textCells(text, n);
}

std::string describe(const ControlState& control)
{
    return "control " + std::to_string(control.source->id) + " \"" + utf8(control.text) + "\"";
}

bool isShown(const ControlState& control) { return (control.source->style & styleVisible) != 0; }

// The cells a control draws on: a group box its frame, a one-line text or
// choice the cells its text may take, anything else its whole rectangle.
std::vector<std::pair<int, int>> drawnCells(const ControlState& control, const CellRect& r, int textCols)
{
    std::vector<std::pair<int, int>> cells;
    if (control.kind == ControlKind::GroupBox) {
        for (int col = r.col; col < r.col + r.cols; ++col) {
            cells.emplace_back(r.row, col);
            if (r.rows > 1)
                cells.emplace_back(r.row + r.rows - 1, col);
        }
        for (int row = r.row + 1; row < r.row + r.rows - 1; ++row) {
            cells.emplace_back(row, r.col);
            cells.emplace_back(row, r.col + r.cols - 1);
        }
        return cells;
    }
    // Texts and choices are drawn as far as their text may go; buttons
    // and fields that take typing fill their rectangle.
    bool textOnly = control.kind == ControlKind::StaticText || control.kind == ControlKind::RadioButton ||
                    control.kind == ControlKind::CheckBox || isReadOnlyEdit(&control);
    int cols = r.rows == 1 && textOnly ? textCols : r.cols;
    for (int row = r.row; row < r.row + r.rows; ++row)
        for (int col = r.col; col < r.col + cols; ++col)
            cells.emplace_back(row, col);
    return cells;
}

void checkLayout(DialogHandle dialog)
{
    const DialogTemplate* source = dialogTemplateOf(dialog);
    SCOPED_TRACE("template " + std::to_string(source->id));
    SCOPED_TRACE("screen " + std::to_string(checkedCols) + " x " + std::to_string(checkedRows));
    DialogLayout layout;
    ASSERT_TRUE(layoutDialog(dialog, checkedRows, checkedCols, &layout));
    int clientRows = layout.frame.rows - 2;
    int clientCols = layout.frame.cols - 2;
    EXPECT_LE(cellsOf(source->title), layout.frame.cols - 4 - (layout.helpMark ? 4 : 0)) << "title";

    std::vector<std::vector<int>> owner(std::size_t(clientRows), std::vector<int>(std::size_t(clientCols), -1));
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        const ControlState& control = *dialogControlAt(dialog, i);
        if (!isShown(control))
            continue;
        const CellRect& r = layout.controls[i];
        for (auto [row, col] : drawnCells(control, r, layout.textCols[i])) {
            ASSERT_TRUE(row >= 0 && row < clientRows && col >= 0 && col < clientCols)
                << describe(control) << " leaves the dialog at " << row << "," << col;
            int& taken = owner[std::size_t(row)][std::size_t(col)];
            if (taken >= 0)
                ADD_FAILURE() << describe(control) << " overlaps " << describe(*dialogControlAt(dialog, std::size_t(taken)))
                              << " at " << row << "," << col;
            taken = int(i);
        }

        int caption = cellsOf(control.text);
        switch (control.kind) {
        case ControlKind::PushButton:
            // Room for "[ Caption ]": the brackets always show.
            EXPECT_LE(caption + 4, r.cols) << describe(control);
            break;
        case ControlKind::RadioButton:
        case ControlKind::CheckBox:
            EXPECT_LE(caption + 4, layout.textCols[i]) << describe(control);
            break;
        case ControlKind::GroupBox:
            EXPECT_LE(caption, r.cols - 4) << describe(control);
            break;
        case ControlKind::StaticText:
            if (r.rows == 1) {
                EXPECT_LE(caption, layout.textCols[i]) << describe(control);
            } else {
                bool edged = (control.source->extendedStyle & extendedStaticEdge) != 0;
                TextLine lines[16];
                std::size_t count = wrapText(control.text, edged ? r.cols - 2 : r.cols, lines, 16);
                EXPECT_LE(int(count), edged ? r.rows - 2 : r.rows) << describe(control);
            }
            break;
        case ControlKind::Edit:
            if (isReadOnlyEdit(&control)) {
                TextLine lines[16];
                std::size_t count = wrapText(control.text, r.rows == 1 ? layout.textCols[i] : r.cols, lines, 16);
                EXPECT_LE(int(count), r.rows) << describe(control) << " is cut";
            }
            break;
        default:
            break;
        }
    }
    // A one-line text keeps a blank before whatever follows on its row
    // (a frame's border, another control).
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        const ControlState& control = *dialogControlAt(dialog, i);
        const CellRect& r = layout.controls[i];
        if (!isShown(control) || control.kind != ControlKind::StaticText || r.rows != 1)
            continue;
        int after = r.col + cellsOf(control.text);
        if (after >= clientCols)
            continue;
        int next = owner[std::size_t(r.row)][std::size_t(after)];
        EXPECT_TRUE(next == -1 || next == int(i)) << describe(control) << " touches what follows";
    }
}

class TerminalLayout : public testing::TestWithParam<std::size_t> {
protected:
    static void SetUpTestSuite() { std::setlocale(LC_CTYPE, "C.UTF-8"); }
};

// On 100 x 30 as the templates say; on 80 x 24, the common size, with the
// empty rows of the tall dialogs left out.
TEST_P(TerminalLayout, FitsWithoutOverlapsAndShowsEveryText)
{
    for (auto [rows, cols] : {std::pair{screenRows, screenCols}, std::pair{24, 80}}) {
        checkedRows = rows;
        checkedCols = cols;
        showWith(programResources.dialogs[GetParam()], checkLayout);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTemplate, TerminalLayout, testing::Range<std::size_t>(0, programResources.dialogCount));

const char16_t* const englishStatus = longestEnglishStatus;

std::uint16_t longestTemplate = 0;

bool fillsLongestTexts(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second)
{
    if (message == messageInitDialog) {
        for (const LongestText& t : longestTexts)
            if (t.templateId == longestTemplate)
                setControlText(dialog, t.controlId, t.text);
        return false;
    }
    return endOnClose(dialog, message, first, second);
}

// With the longest texts in its fields each dialog still shows every text
// whole, on the common 80 x 24 screen as on 100 x 30: the fields wrap and
// grow, and nothing overlaps.
TEST(TerminalLongestTexts, EveryFieldShowsItsLongestTextWhole)
{
    std::setlocale(LC_CTYPE, "C.UTF-8");
    // Every template: those without fields the program fills show their own texts.
    for (std::size_t t = 0; t < programResources.dialogCount; ++t) {
        std::uint16_t id = programResources.dialogs[t]->id;
        longestTemplate = id;
        for (auto [rows, cols] : {std::pair{screenRows, screenCols}, std::pair{24, 80}}) {
            checkedRows = rows;
            checkedCols = cols;
            LayoutProbe probe;
            probe.check = checkLayout;
            installFrontEnd(&probe);
            runModalDialog(findDialogTemplate(&programResources, id), nullptr, fillsLongestTexts, 0);
            installFrontEnd(nullptr);
        }
    }
}

// The Status dialog grows by the row its status lacks: the status wraps
// onto two rows, the group box and the dialog grow by one row, and Close
// and the other fields stay where they were.
TEST(TerminalLongestTexts, StatusGrowsByTheRowItsStatusLacks)
{
    std::setlocale(LC_CTYPE, "C.UTF-8");
    longestTemplate = 132;
    LayoutProbe probe;
    probe.check = [](DialogHandle dialog) {
        DialogLayout before, after;
        ASSERT_TRUE(layoutDialog(dialog, screenRows, screenCols, &before));
        setControlText(dialog, 1021, englishStatus);
        ASSERT_TRUE(layoutDialog(dialog, screenRows, screenCols, &after));
        EXPECT_EQ(after.frame.rows, before.frame.rows + 1);
        EXPECT_EQ(after.controls[5].rows, 2);      // the status field
        EXPECT_EQ(after.controls[1].rows, before.controls[1].rows + 1); // its group box
        for (std::size_t i : {0u, 2u, 3u, 4u}) {
            EXPECT_EQ(after.controls[i].row, before.controls[i].row) << i;
            EXPECT_EQ(after.controls[i].rows, before.controls[i].rows) << i;
        }
    };
    installFrontEnd(&probe);
    runModalDialog(findDialogTemplate(&programResources, 132), nullptr, endOnClose, 0);
    installFrontEnd(nullptr);
}

// Every message of both catalogues fits its box on 80 x 24, whole.
TEST(TerminalLongestTexts, EveryMessageBoxShowsItsTextWhole)
{
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const char16_t* labels[] = {u"はい(Y)", u"いいえ(N)"};
    for (std::uint16_t language : {std::uint16_t(1033), std::uint16_t(1041)}) {
        selectCatalogue(language);
        const auto* entries = reinterpret_cast<const char16_t* const*>(&messageCatalogue);
        for (std::size_t i = 0; i < sizeof(MessageCatalogue) / sizeof(const char16_t*); ++i) {
            MessageBoxLayout box;
            EXPECT_TRUE(layoutMessageBox(entries[i], messageCatalogue.errorCaption, true, labels, 2, nullptr, 24, 80,
                                         &box))
                << language << " entry " << i;
            TextLine lines[maxMessageLines];
            std::size_t needed = wrapText(entries[i], messageTextMaxCols, lines, maxMessageLines);
            EXPECT_EQ(box.lineCount, needed) << language << " entry " << i;
            for (std::size_t l = 0; l < box.lineCount; ++l)
                EXPECT_LE(box.textCol + box.lines[l].width, box.frame.col + box.frame.cols - 2);
        }
    }
    selectCatalogue(1033);
}

const DialogTemplate* templateById(std::uint16_t id) { return findDialogTemplate(&programResources, id); }

class TerminalPlacement : public testing::Test {
protected:
    static void SetUpTestSuite() { std::setlocale(LC_CTYPE, "C.UTF-8"); }
};

// 4 x 8 dialog units to a cell, the frame around the client area, the
// dialog centred, `[?]` at the right of the top line.
TEST_F(TerminalPlacement, EnglishMenuIsCentredAtFourByEightUnitsACell)
{
    showWith(templateById(126), [](DialogHandle dialog) {
        DialogLayout layout;
        ASSERT_TRUE(layoutDialog(dialog, screenRows, screenCols, &layout));
        // 155 x 84 units: 39 x 11 cells inside the frame.
        EXPECT_EQ(layout.frame.cols, 41);
        EXPECT_EQ(layout.frame.rows, 13);
        EXPECT_EQ(layout.frame.col, (screenCols - 41) / 2);
        EXPECT_EQ(layout.frame.row, (screenRows - 13) / 2);
        EXPECT_TRUE(layout.helpMark);
        EXPECT_EQ(layout.helpCells.row, layout.frame.row);
        EXPECT_EQ(layout.helpCells.col + layout.helpCells.cols, layout.frame.col + layout.frame.cols - 2);
        // Close: 95, 13, 54, 14 units.
        const CellRect& close = layout.controls[4];
        EXPECT_EQ(close.col, 23);
        EXPECT_EQ(close.cols, 14);
        EXPECT_EQ(close.row, 2);
        EXPECT_EQ(close.rows, 1);
        // The group box, 7, 0, 82, 78: its top line through the title.
        const CellRect& group = layout.controls[0];
        EXPECT_EQ(group.row, 0);
        EXPECT_EQ(group.col, 1);
        EXPECT_EQ(group.rows, 10);
        EXPECT_EQ(group.cols, 21);
    });
}

// The Japanese volume label (18 cells for a 14-cell rectangle) pushes the
// read-only field beside it along rather than being cut.
TEST_F(TerminalPlacement, JapaneseStatusLabelMovesTheFieldBesideIt)
{
    showWith(templateById(118), [](DialogHandle dialog) {
        DialogLayout layout;
        ASSERT_TRUE(layoutDialog(dialog, screenRows, screenCols, &layout));
        const CellRect& label = layout.controls[3];
        const CellRect& field = layout.controls[4];
        EXPECT_EQ(label.row, field.row);
        EXPECT_EQ(layout.textCols[3], 18);
        EXPECT_EQ(field.col, label.col + 18 + 1);
        EXPECT_EQ(field.col + field.cols, (74 + 117) / 4); // its right edge stays
    });
}

// Protect Setting, 210 x 209 units: 29 rows with its frame, 17 without
// its 12 empty rows; the rows of texts and of group box lines stay.
TEST_F(TerminalPlacement, ShortScreenLeavesOutEmptyRowsOnly)
{
    showWith(templateById(131), [](DialogHandle dialog) {
        DialogLayout layout;
        ASSERT_TRUE(layoutDialog(dialog, 30, 100, &layout));
        EXPECT_EQ(layout.frame.rows, 29);
        DialogLayout full = layout;

        ASSERT_TRUE(layoutDialog(dialog, 24, 80, &layout));
        EXPECT_EQ(layout.frame.rows, 24);
        ASSERT_TRUE(layoutDialog(dialog, 17, 80, &layout));
        EXPECT_EQ(layout.frame.rows, 17);
        // Every control keeps its order from top to bottom and its height
        // less the empty rows inside it.
        for (std::size_t i = 0; i < layout.controlCount; ++i) {
            for (std::size_t j = 0; j < layout.controlCount; ++j) {
                if (full.controls[i].row < full.controls[j].row) {
                    EXPECT_LT(layout.controls[i].row, layout.controls[j].row) << i << " " << j;
                }
            }
        }

        EXPECT_FALSE(layoutDialog(dialog, 16, 80, &layout));
        EXPECT_FALSE(layout.fits);
        EXPECT_FALSE(layoutDialog(dialog, 30, 54, &layout)); // 53 columns and the frame
        EXPECT_EQ(layout.frame.cols, 55);
    });
}

TEST_F(TerminalPlacement, MessageBoxIsCentredOnItsOwnerWithItsButtons)
{
    const char16_t* labels[] = {u"Yes", u"No"};
    CellRect owner{5, 30, 13, 41};
    MessageBoxLayout box;
    ASSERT_TRUE(layoutMessageBox(u"You may lose datas on the Quib! disk. Do you want to format ?",
                                 u"Format Confirmation", true, labels, 2, &owner, screenRows, screenCols, &box));
    EXPECT_EQ(box.frame.row + box.frame.rows / 2, owner.row + owner.rows / 2);
    EXPECT_EQ(box.frame.col + box.frame.cols / 2, owner.col + owner.cols / 2);
    EXPECT_EQ(box.lineCount, 2u); // 61 cells wrap at 60
    EXPECT_EQ(box.textCol, box.frame.col + 2 + messageIconCols);
    ASSERT_EQ(box.buttonCount, 2);
    EXPECT_EQ(box.buttons[0].row, box.frame.row + box.frame.rows - 2);
    EXPECT_EQ(box.buttons[0].cols, 7);             // "[ Yes ]"
    EXPECT_EQ(box.buttons[1].col, box.buttons[0].col + 7 + 2);
    // Without an owner, on the screen; a screen narrower than the box gets
    // a narrower wrap.
    ASSERT_TRUE(layoutMessageBox(u"No Quib! Disk.", u"Error", true, labels, 1, nullptr, screenRows, screenCols, &box));
    EXPECT_EQ(box.frame.col + box.frame.cols / 2, screenCols / 2);
    ASSERT_TRUE(layoutMessageBox(u"You may lose datas on the Quib! disk. Do you want to format ?", u"Format", true,
                                 labels, 2, nullptr, 20, 40, &box));
    EXPECT_LE(box.frame.cols, 40);
    EXPECT_GE(box.frame.col, 0);
}

} // namespace
