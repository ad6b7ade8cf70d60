// The tool menu: Status, Format and Folder Name in the "Tool Menu" group,
// Close at the right and the logo below it. Templates 134 and 135 add a
// Protect button between Format and Folder Name; the program never opens
// them.
#include "resources/template_common.h"
#include "resources/templates.h"

#include <iterator>

namespace templates {
namespace {

constexpr std::uint16_t logoBitmapId = 121;

constexpr ControlTemplate japaneseControls[] = {
    groupBox(u"ツール", 7, 2, 82, 93),
    pushButton(1024, u"ステータス", 14, 17, 66, 14),
    pushButton(1023, u"フォーマット", 14, 43, 66, 14),
    pushButton(1026, u"フォルダ名", 14, 69, 66, 14),
    pushButton(2, u"閉じる", 95, 13, 54, 14),
    bitmap(logoBitmapId, 103, 61, 35, 11),
};

constexpr ControlTemplate englishControls[] = {
    groupBox(u"Tool Menu", 7, 0, 82, 78),
    pushButton(1024, u"Status", 14, 15, 66, 11),
    pushButton(1023, u"Format", 14, 36, 66, 11),
    pushButton(1026, u"Folder Name", 14, 57, 66, 11),
    pushButton(2, u"Close", 95, 13, 54, 14),
    bitmap(logoBitmapId, 102, 53, 35, 11),
};

// The same rhythm as the opened menus, one button row longer.
constexpr ControlTemplate englishWithProtectControls[] = {
    groupBox(u"Tool Menu", 7, 0, 82, 99),
    pushButton(1024, u"Status", 14, 15, 66, 11),
    pushButton(1023, u"Format", 14, 36, 66, 11),
    pushButton(1025, u"Protect", 14, 57, 66, 11),
    pushButton(1026, u"Folder Name", 14, 78, 66, 11),
    pushButton(2, u"Close", 95, 13, 54, 14),
    bitmap(logoBitmapId, 102, 74, 35, 11),
};

constexpr ControlTemplate japaneseWithProtectControls[] = {
    groupBox(u"ツール", 7, 2, 82, 119),
    pushButton(1024, u"ステータス", 14, 17, 66, 14),
    pushButton(1023, u"フォーマット", 14, 43, 66, 14),
    pushButton(1025, u"プロテクト", 14, 69, 66, 14),
    pushButton(1026, u"フォルダ名", 14, 95, 66, 14),
    pushButton(2, u"閉じる", 95, 13, 54, 14),
    bitmap(logoBitmapId, 103, 87, 35, 11),
};

} // namespace

extern const DialogTemplate mainMenuJapanese = {
    113, languageJapanese, dialogStyle, extendedContextHelp, 0, 0, 155, 101, u"Quib! Tools",
    fontPointSize, japaneseFace, japaneseControls, std::size(japaneseControls)};

extern const DialogTemplate mainMenuEnglish = {
    126, languageEnglish, dialogStyle, extendedContextHelp, 0, 0, 155, 84, u"Quib! Tools",
    fontPointSize, englishFace, englishControls, std::size(englishControls)};

extern const DialogTemplate mainMenuWithProtectEnglish = {
    134, languageEnglish, dialogStyle, extendedContextHelp, 0, 0, 155, 105, u"Quib! Tools",
    fontPointSize, englishFace, englishWithProtectControls, std::size(englishWithProtectControls)};

extern const DialogTemplate mainMenuWithProtectJapanese = {
    135, languageJapanese, dialogStyle, extendedContextHelp, 0, 0, 155, 127, u"Quib! Tools",
    fontPointSize, japaneseFace, japaneseWithProtectControls, std::size(japaneseWithProtectControls)};

} // namespace templates
