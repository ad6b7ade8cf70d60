// Text in terminal cells: widths from wcwidth (Japanese two cells,
// half-width katakana one), cutting at whole characters, wrapping for
// message boxes and multi-line texts, and scrolling an edit field so that
// its cursor stays in view.
#include "frontend/terminal/terminal_text.h"
#include "ui/framework/message_catalogue.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

class TerminalText : public testing::Test {
protected:
    static void SetUpTestSuite() { std::setlocale(LC_CTYPE, "C.UTF-8"); }
};

std::size_t length(const char16_t* text) { return std::u16string(text).size(); }

TEST_F(TerminalText, CellsFollowTheCharactersWidth)
{
    struct Case {
        const char16_t* text;
        int cells;
    } cases[] = {
        {u"Close", 5},
        {u"閉じる", 6},
        {u"ﾒﾓﾘ ｶｰﾄﾞ", 8},          // half-width katakana: one cell each
        {u"ボリュームラベル：", 18},
        {u"a\U0001F600b", 4},       // a surrogate pair is one wide character
        {u"a\r\nb", 4},             // line breaks show as blanks
        {u"a\x1b[2J", 5},          // other control characters as their pictures
        {u"\xD800x", 2},            // a lone surrogate shows as one replacement
        {u"\u0301a", 2},            // a combining mark shows as its own '?'
        {u"a\u200Bb", 3},           // so does a zero-width space
        {u"\u202Eab", 3},           // and a direction control
    };
    for (const Case& c : cases)
        EXPECT_EQ(textCells(c.text, length(c.text)), c.cells) << std::u16string(c.text).size();
}

// Nothing typed into a field may join the cell before it or reorder the
// line: such characters are drawn as '?'.
TEST_F(TerminalText, CharactersWithoutAWidthOfTheirOwnShowAsQuestionMarks)
{
    for (char32_t c : {U'\u0301', U'\u200B', U'\u200F', U'\u202A', U'\u202E', U'\u2066', U'\u2069'})
        EXPECT_EQ(shownCharacter(c), U'?') << std::hex << std::uint32_t(c);
    EXPECT_EQ(shownCharacter(U'\t'), U'\u2409');   // control characters show as their pictures
    EXPECT_EQ(shownCharacter(U'\x1b'), U'\u241b');
    EXPECT_EQ(shownCharacter(U'\x7f'), U'\u2421');
    EXPECT_EQ(shownCharacter(U'\n'), U' ');
    EXPECT_EQ(shownCharacter(U'閉'), U'閉');
    EXPECT_EQ(shownCharacter(U'ﾞ'), U'ﾞ'); // half-width sound mark: a character of its own
}

TEST_F(TerminalText, FittingNeverSplitsACharacter)
{
    int used = -1;
    EXPECT_EQ(unitsFitting(u"閉じる", 3, 5, &used), 2u); // the third would need cells 5 and 6
    EXPECT_EQ(used, 4);
    EXPECT_EQ(unitsFitting(u"a\U0001F600", 3, 2, &used), 1u); // nor a surrogate pair
    EXPECT_EQ(used, 1);
    EXPECT_EQ(unitsFitting(u"abc", 3, 10, &used), 3u);
    EXPECT_EQ(used, 3);
    EXPECT_EQ(unitsFitting(u"abc", 3, 0, &used), 0u);
}

using Lines = std::vector<std::u16string>;

std::vector<std::u16string> wrapped(const char16_t* text, int cols)
{
    TextLine lines[64];
    std::size_t count = wrapText(text, cols, lines, 64);
    std::vector<std::u16string> out;
    for (std::size_t i = 0; i < count && i < 64; ++i)
        out.emplace_back(text + lines[i].start, lines[i].length);
    return out;
}

// Unicode's line-breaking rules: a "?" or "。" never starts a line, Latin
// text breaks at blanks, Japanese between characters where the rules allow.
TEST_F(TerminalText, WrapsByUnicodeLineBreakingRules)
{
    struct Case {
        const char16_t* text;
        int cols;
        Lines lines;
    } cases[] = {
        // The English confirmation in a 60-cell message box.
        {u"You may lose datas on the Quib! disk. Do you want to format ?", 60,
         {u"You may lose datas on the Quib! disk. Do you want to", u"format ?"}},
        {u"No Drive is Connected. Do you want to continue ?", 24,
         {u"No Drive is Connected.", u"Do you want to", u"continue ?"}},
        {u"This Disk is Write Protected with Password.\r\nDo you really format this Disk ?", 60,
         {u"This Disk is Write Protected with Password.", u"Do you really format this Disk ?"}},
        // A Japanese error box: the line takes its "。" along rather than
        // leave it to start the next.
        {u"このディスクは，ライトプロテクトされています。高速フォーマットではフォーマットできません。", 46,
         {u"このディスクは，ライトプロテクトされています。", u"高速フォーマットではフォーマットできません。"}},
        // "，" stays at the end of its line; an opening bracket never ends one.
        {u"フォーマットを行うと，ディスク", 22, {u"フォーマットを行うと，", u"ディスク"}},
        {u"パスワード（再確認）：", 12, {u"パスワード", u"（再確認）："}},
        {u" Automated\n Fixed\r\n", 20, {u" Automated", u" Fixed"}},
        {u"Drive 日本語", 9, {u"Drive 日", u"本語"}},
        {u"abcdefghij", 4, {u"abcd", u"efgh", u"ij"}}, // a word too long for a line
        {u" Automated", 5, {u" Auto", u"mated"}},      // never a line of the leading blank alone
        {u"", 10, {u""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrapped(c.text, c.cols), c.lines) << c.cols;
}

// Every message of both catalogues and the password dialogs' explanations,
// at every width from 16 cells (wide enough for their longest word) to 60:
// no line starts with a character the rules keep at the end of the one
// before, and nothing is lost.
TEST_F(TerminalText, NoLineStartsWithClosingPunctuation)
{
    std::vector<const char16_t*> texts = {
        u"プロテクトしたときと同じパスワードを入力してください。\r\n"
        u"パスワードを忘れてしまった場合，ベリファイつきフォーマットにより，データごとプロテクトを消去することになります。",
        u"パスワードは，文字数３２文字まで，英数字のみを設定可能です。\r\n大文字／小文字は別の文字と認識されます。",
        u"Password entry is CASE sensitive. The way you enter the password (upper or lower case) is the way it "
        u"must be entered each way.",
    };
    for (std::uint16_t language : {std::uint16_t(1033), std::uint16_t(1041)}) {
        selectCatalogue(language);
        const auto* entries = reinterpret_cast<const char16_t* const*>(&messageCatalogue);
        for (std::size_t i = 0; i < sizeof(MessageCatalogue) / sizeof(const char16_t*); ++i)
            texts.push_back(entries[i]);
    }
    selectCatalogue(1033);
    const std::u16string closing = u"?!.,)。、，．？！）」』ー";
    for (const char16_t* text : texts) {
        for (int cols = 16; cols <= 60; ++cols) {
            Lines lines = wrapped(text, cols);
            std::u16string joined;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_LE(textCells(lines[i].c_str(), lines[i].size()), cols);
                if (i > 0 && !lines[i].empty()) {
                    EXPECT_EQ(closing.find(lines[i][0]), std::u16string::npos)
                        << "line " << i << " at " << cols << " cells starts with punctuation";
                }
                joined += lines[i];
            }
            std::u16string kept;
            for (const char16_t* c = text; *c != u'\0'; ++c)
                if (*c != u' ' && *c != u'\r' && *c != u'\n')
                    kept += *c;
            std::u16string shown;
            for (char16_t c : joined)
                if (c != u' ')
                    shown += c;
            EXPECT_EQ(shown, kept) << cols;
        }
    }
}

TEST_F(TerminalText, WrapCountsLinesBeyondItsCapacity)
{
    TextLine lines[2];
    EXPECT_EQ(wrapText(u"a b c d", 1, lines, 2), 4u);
    EXPECT_EQ(lines[1].start, 2u);
}

TEST_F(TerminalText, FieldScrollsToKeepTheCursorInView)
{
    const char16_t* text = u"abcdefghij";
    struct Case {
        std::size_t cursor, firstShown;
        int width;
        bool masked;
        std::size_t expected;
    } cases[] = {
        {10, 0, 20, false, 0},  // all fits
        {10, 0, 5, false, 6},   // the end: four characters and the cursor cell
        {3, 6, 5, false, 3},    // moving left scrolls back to the cursor
        {8, 6, 5, false, 6},    // inside the view: no scrolling
        {10, 9, 20, false, 0},  // shortened or widened: the whole text again
    };
    for (const Case& c : cases)
        EXPECT_EQ(scrollForCursor(text, c.cursor, c.firstShown, c.width, c.masked), c.expected) << c.cursor;
    // Wide characters take two cells each; a masked field shows one '*' each.
    EXPECT_EQ(scrollForCursor(u"日本語テキスト", 7, 0, 7, false), 4u);
    EXPECT_EQ(scrollForCursor(u"日本語テキスト", 7, 0, 7, true), 1u);
}

} // namespace
