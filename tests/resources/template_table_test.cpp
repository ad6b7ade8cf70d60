// The dialog templates as the program carries them: every dialog in both
// languages with its title, size, window style, help button and font; the
// controls each one holds; texts character for character; control styles.
#include "tests/resources/resource_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

constexpr char16_t japaneseFace[] = u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"; // full-width "MS P" and Gothic
constexpr std::uint32_t withSystemMenu = 0x80C808C0;
constexpr std::uint32_t withoutSystemMenu = 0x80C008C0;

struct DialogCase {
    std::uint16_t id;
    std::uint16_t language;
    const char16_t* title;
    std::int16_t width, height;
    std::uint32_t style;
    bool helpButton;
    const char16_t* face;
    std::vector<std::uint16_t> controlIds;   // every control that is not a static or group box, in order
};

const DialogCase dialogCases[] = {
    {113, 1041, u"Quib! Tools", 155, 101, withSystemMenu, true, japaneseFace, {1024, 1023, 1026, 2}},
    {126, 1033, u"Quib! Tools", 155, 84, withSystemMenu, true, u"Arial", {1024, 1023, 1026, 2}},
    {134, 1033, u"Quib! Tools", 155, 105, withSystemMenu, true, u"Arial", {1024, 1023, 1025, 1026, 2}},
    {135, 1041, u"Quib! Tools", 155, 127, withSystemMenu, true, japaneseFace, {1024, 1023, 1025, 1026, 2}},
    {118, 1041, u"ステータス", 207, 97, withSystemMenu, false, japaneseFace, {2, 1045, 1031, 1021}},
    {132, 1033, u"Status", 207, 97, withSystemMenu, false, u"MS P\?\?\?\?", {2, 1045, 1031, 1021}},
    {108, 1041, u"フォルダ名設定", 267, 107, withSystemMenu, true, japaneseFace, {1034, 1035, 1036, 1044, 1, 2}},
    {125, 1033, u"Folder Setting", 266, 107, withSystemMenu, true, u"Arial", {1034, 1035, 1036, 1044, 1, 2}},
    {116, 1041, u"フォーマット", 207, 187, withSystemMenu, true, japaneseFace, {1037, 1038, 1039, 1040, 1041, 1, 2}},
    {128, 1033, u"Format", 207, 187, withSystemMenu, true, u"Arial", {1037, 1038, 1039, 1040, 1041, 1, 2}},
    {117, 1041, u"フォーマットの実行", 191, 71, withoutSystemMenu, false, japaneseFace, {1046, 1030, 1, 2}},
    {133, 1033, u"Format Execute", 191, 69, withoutSystemMenu, false, u"Arial", {1046, 1, 2}},
    {124, 1033, u"Format Execute", 191, 69, withoutSystemMenu, false, u"Arial", {1046, 1030, 1, 2}},
    {112, 1041, u"プロテクトの設定・解除", 210, 209, withSystemMenu, true, japaneseFace,
     {1016, 1019, 1017, 1018, 1015, 1042, 1043, 2}},
    {131, 1033, u"Protect Setting", 210, 209, withSystemMenu, true, u"Arial",
     {1016, 1019, 1017, 1018, 1015, 1042, 1043, 2}},
    {115, 1041, u"パスワードの入力", 223, 89, withSystemMenu, false, japaneseFace, {1027, 1, 2}},
    {129, 1033, u"Password", 223, 89, withSystemMenu, false, u"Arial", {1027, 1, 2}},
    {114, 1041, u"パスワードの入力", 223, 95, withSystemMenu, false, japaneseFace, {1027, 1022, 1, 2}},
    {130, 1033, u"New Password", 223, 95, withSystemMenu, false, u"Arial", {1027, 1022, 1, 2}},
};

TEST(DialogTemplates, TheModuleHoldsEachDialogOnceAndNothingElse)
{
    std::multiset<std::uint16_t> held;
    for (std::size_t i = 0; i < programResources.dialogCount; ++i)
        held.insert(programResources.dialogs[i]->id);
    std::multiset<std::uint16_t> expected;
    for (const DialogCase& c : dialogCases)
        expected.insert(c.id);
    EXPECT_EQ(held, expected);
}

TEST(DialogTemplates, EachDialogHasItsTitleSizeStyleFontAndControls)
{
    for (const DialogCase& c : dialogCases) {
        SCOPED_TRACE(c.id);
        const DialogTemplate* dialog = templateById(c.id);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->resourceLanguage, c.language);
        EXPECT_EQ(std::u16string(dialog->title), c.title);
        EXPECT_EQ(dialog->width, c.width);
        EXPECT_EQ(dialog->height, c.height);
        EXPECT_EQ(dialog->style, c.style);
        EXPECT_EQ(dialog->extendedStyle, c.helpButton ? 0x400u : 0u);
        EXPECT_EQ(dialog->pointSize, 9);
        EXPECT_EQ(std::u16string(dialog->typeface), c.face);

        std::vector<std::uint16_t> ids;
        for (std::size_t i = 0; i < dialog->controlCount; ++i)
            if (dialog->controls[i].id != staticControlId)
                ids.push_back(dialog->controls[i].id);
        EXPECT_EQ(ids, c.controlIds);
    }
}

struct TextCase {
    std::uint16_t dialog;
    std::uint16_t control;   // 65535: some static text or group box carries the text
    const char16_t* text;
};

const TextCase textCases[] = {
    {113, 1026, u"フォルダ名"},
    {126, 1026, u"Folder Name"},
    {113, staticControlId, u"ツール"},
    {126, staticControlId, u"Tool Menu"},
    {134, 1025, u"Protect"},
    {135, 1025, u"プロテクト"},
    {118, staticControlId, u"ボリュームラベル\uFF1A"},
    {132, staticControlId, u"Volume Label :"},
    {125, staticControlId, u"  Storage Card"},
    {108, staticControlId, u"  \uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E"},
    {125, staticControlId,
     u" Automated - Folder Name is automatically Generated.\n"
     u" Fixed - Folder Name is Fixed as same as Storage Card3.\r\n"
     u" Linked - Folder Name is Linked with Volume Label."},
    {108, staticControlId,
     u" 自動\uFF1A フォルダ名を自動的に作ります。\n"
     u" 固定\uFF1A フォルダ名を \uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E3 のように固定します。\r\n"
     u" 連動\uFF1A フォルダ名はボリュームラベルと連動します。"},
    {108, 1, u"決定"},
    {125, staticControlId, u"Quib! Folder Name Setting"},
    {108, staticControlId, u"Quib! フォルダ名"},
    {128, staticControlId, u"Estimate time : 6 Minuits"},
    {116, staticControlId, u"予定時間\uFF1A\u3000約\uFF11\uFF10秒"},
    {116, staticControlId, u"予定時間\uFF1A\u3000約\uFF16分"},
    {116, staticControlId, u"注意\uFF1A 日本語文字は使用できません。"},
    {116, 1038, u"ベリファイつきフォーマット"},
    {116, 1, u"開始"},
    {117, 1, u"フォーマット開始"},
    {133, 1, u"Start"},
    {131, staticControlId, u"Remove Protecttion"},
    {131, staticControlId, u"Protect switch"},
    {112, staticControlId, u"プロテクト設定\uFF08パスワードつき\uFF09"},
    {112, 1017, u"リード\u30FBライトプロテクト"},
    {131, 1019, u"Write Protect"},
    {115, 2, u"\uFF77\uFF6C\uFF9D\uFF7E\uFF99"},
    {114, 2, u"\uFF77\uFF6C\uFF9D\uFF7E\uFF99"},
    {129, 2, u"Cancel"},
    {130, staticControlId, u"Password(Verify):"},
    {114, staticControlId, u"パスワード\uFF08再確認\uFF09\uFF1A"},
    {129, staticControlId,
     u"Please type password to remove protect.\r\nPassword entry is CASE sensitive. The way you enter the password "
     u"(upper or lower case) is the way it must be entered each way."},
    {115, staticControlId,
     u"プロテクトしたときと同じパスワードを入力してください。\r\nパスワードを忘れてしまった場合\uFF0C"
     u"ベリファイつきフォーマットにより\uFF0Cデータごとプロテクトを消去することになります。"},
    {114, staticControlId,
     u"パスワードは\uFF0C文字数\uFF13\uFF12文字まで\uFF0C英数字のみを設定可能です。\r\n"
     u"大文字\uFF0F小文字は別の文字と認識されます。"},
};

TEST(DialogTemplates, ControlTextsAreExact)
{
    for (const TextCase& c : textCases) {
        SCOPED_TRACE(testing::Message() << c.dialog << " " << c.control << " " << utf8(c.text));
        const DialogTemplate* dialog = templateById(c.dialog);
        ASSERT_NE(dialog, nullptr);
        if (c.control != staticControlId) {
            const ControlTemplate* control = controlById(*dialog, c.control);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(std::u16string(control->text), c.text);
        } else {
            bool found = std::any_of(dialog->controls, dialog->controls + dialog->controlCount,
                                     [&](const ControlTemplate& control) {
                                         return control.id == staticControlId && std::u16string(control.text) == c.text;
                                     });
            EXPECT_TRUE(found);
        }
    }
}

TEST(DialogTemplates, TheJapaneseLabelNoteIsInTheJapaneseFormatDialogOnly)
{
    for (std::uint16_t id : {116, 128}) {
        const DialogTemplate* dialog = templateById(id);
        ASSERT_NE(dialog, nullptr);
        int notes = int(std::count_if(dialog->controls, dialog->controls + dialog->controlCount,
                                      [](const ControlTemplate& c) { return std::u16string(c.text).starts_with(u"注意"); }));
        EXPECT_EQ(notes, id == 116 ? 1 : 0) << id;
    }
}

// The styles the menus and the Status dialog are known by.
TEST(DialogTemplates, MenuAndStatusControlsHaveTheirStyles)
{
    for (std::uint16_t id : {113, 126, 134, 135}) {
        SCOPED_TRACE(id);
        const DialogTemplate* dialog = templateById(id);
        ASSERT_NE(dialog, nullptr);
        int bitmaps = 0;
        for (std::size_t i = 0; i < dialog->controlCount; ++i) {
            const ControlTemplate& c = dialog->controls[i];
            if (c.controlClass == ControlClass::Static) {
                EXPECT_EQ(c.style, 0x5000000Eu);
                EXPECT_EQ(c.bitmapId, 121);
                ++bitmaps;
            } else if (c.id == staticControlId) {
                EXPECT_EQ(c.style, 0x50000007u);
            } else {
                EXPECT_EQ(c.style, 0x50010000u) << c.id;
            }
        }
        EXPECT_EQ(bitmaps, 1);
    }
    for (std::uint16_t id : {118, 132}) {
        SCOPED_TRACE(id);
        const DialogTemplate* dialog = templateById(id);
        ASSERT_NE(dialog, nullptr);
        for (std::size_t i = 0; i < dialog->controlCount; ++i) {
            const ControlTemplate& c = dialog->controls[i];
            std::uint32_t expected = c.id == 2                                   ? 0x50010001u
                                     : c.id != staticControlId                   ? 0x50000880u
                                     : c.controlClass == ControlClass::Static    ? 0x50020000u
                                                                                 : 0x50000007u;
            EXPECT_EQ(c.style, expected) << c.id;
        }
    }
}

struct StyleCase {
    std::vector<std::uint16_t> dialogs;
    std::uint16_t control;
    ControlClass controlClass;
    std::uint32_t required;   // bits that must be set
    std::uint32_t forbidden;  // bits that must be clear
};

constexpr std::uint32_t kindMask = 0xF;
const std::vector<std::uint16_t> formatDialogs = {116, 128};
const std::vector<std::uint16_t> executeDialogs = {117, 133, 124};
const std::vector<std::uint16_t> passwordDialogs = {115, 129, 114, 130};

const StyleCase styleCases[] = {
    // Default push buttons where the dialogs have them, plain ones elsewhere.
    {{108, 125, 116, 128, 115, 129, 114, 130}, 1, ControlClass::Button, 0x50010001, 0xE},
    {{117, 133, 124}, 1, ControlClass::Button, 0x50010000, kindMask},
    {{108, 125, 116, 128, 117, 133, 124, 112, 131, 115, 129, 114, 130}, 2, ControlClass::Button, 0x50010000, kindMask},
    {{112, 131}, 1016, ControlClass::Button, 0x50010000, kindMask},
    {{112, 131}, 1015, ControlClass::Button, 0x50010000, kindMask},
    // Radio groups: the first radio starts the group and takes the tab stop.
    {{108, 125}, 1034, ControlClass::Button, 0x50030009, 0x6},
    {{108, 125}, 1035, ControlClass::Button, 0x50000009, styleGroup | 0x6},
    {{108, 125}, 1036, ControlClass::Button, 0x50000009, styleGroup | 0x6},
    {formatDialogs, 1037, ControlClass::Button, 0x50030009, 0x6},
    {formatDialogs, 1038, ControlClass::Button, 0x50000009, styleGroup | 0x6},
    // Edit fields.
    {{108, 125}, 1044, ControlClass::Edit, 0x50810000, editReadOnly | editPassword},
    {formatDialogs, 1039, ControlClass::Edit, 0x50830000, editReadOnly | editPassword},
    {formatDialogs, 1040, ControlClass::Edit, 0x50000800, styleBorder | styleTabStop | editMultiLine},
    {formatDialogs, 1041, ControlClass::Edit, 0x50000800, styleBorder | styleTabStop | editMultiLine},
    {{112, 131}, 1042, ControlClass::Edit, 0x50000800, styleBorder | styleTabStop | editMultiLine},
    {{112, 131}, 1043, ControlClass::Edit, 0x50000800, styleBorder | styleTabStop | editMultiLine},
    {executeDialogs, 1046, ControlClass::Edit, 0x50000804, styleBorder | styleTabStop},
    {passwordDialogs, 1027, ControlClass::Edit, 0x50810020, editReadOnly | editMultiLine},
    {{114, 130}, 1022, ControlClass::Edit, 0x50810020, editReadOnly | editMultiLine},
    // The progress bar.
    {{117, 124}, 1030, ControlClass::ProgressBar, 0x50000000, 0},
};

TEST(DialogTemplates, ControlsHaveTheStylesOfTheirKind)
{
    for (const StyleCase& c : styleCases)
        for (std::uint16_t id : c.dialogs) {
            SCOPED_TRACE(testing::Message() << id << " " << c.control);
            const DialogTemplate* dialog = templateById(id);
            ASSERT_NE(dialog, nullptr);
            const ControlTemplate* control = controlById(*dialog, c.control);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(control->controlClass, c.controlClass);
            EXPECT_EQ(control->style & c.required, c.required);
            EXPECT_EQ(control->style & c.forbidden, 0u);
        }
}

// A radio group runs from its first radio to the next control that starts
// a group: the control right after the last radio must start one.
TEST(DialogTemplates, RadioGroupsEndRightAfterTheirLastRadio)
{
    struct GroupCase {
        std::uint16_t dialog, firstRadio, lastRadio;
    };
    for (GroupCase c : {GroupCase{108, 1034, 1036}, {125, 1034, 1036}, {116, 1037, 1038}, {128, 1037, 1038}}) {
        SCOPED_TRACE(c.dialog);
        const DialogTemplate* dialog = templateById(c.dialog);
        ASSERT_NE(dialog, nullptr);
        std::size_t first = controlById(*dialog, c.firstRadio) - dialog->controls;
        std::size_t last = controlById(*dialog, c.lastRadio) - dialog->controls;
        ASSERT_LT(last + 1, dialog->controlCount);
        for (std::size_t i = first; i <= last; ++i)
            EXPECT_EQ(dialog->controls[i].style & kindMask, buttonAutoRadio) << i;
        EXPECT_NE(dialog->controls[last + 1].style & styleGroup, 0u);
    }
}

TEST(DialogTemplates, OnlyTheFolderExplanationHasASunkenEdge)
{
    for (std::size_t d = 0; d < programResources.dialogCount; ++d) {
        const DialogTemplate& dialog = *programResources.dialogs[d];
        for (std::size_t i = 0; i < dialog.controlCount; ++i) {
            const ControlTemplate& c = dialog.controls[i];
            bool explanation = (dialog.id == 108 || dialog.id == 125) && c.controlClass == ControlClass::Static &&
                               std::u16string(c.text).find(u'\n') != std::u16string::npos;
            EXPECT_EQ(c.extendedStyle, explanation ? extendedStaticEdge : 0u) << dialog.id << " " << i;
            EXPECT_EQ(c.style & (styleVisible | styleChild), styleVisible | styleChild) << dialog.id << " " << i;
        }
    }
}

} // namespace
