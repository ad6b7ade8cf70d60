// The tool menu: Status, Format and Folder Name in the "Tool Menu" group,
// Close at the right and the logo below it. Templates 134 and 135 add a
// Protect button between Format and Folder Name; the program never opens
// them.
#include "resources/dialog_ids.h"
#include "resources/template_common.h"
#include "resources/templates.h"

#include <iterator>

namespace templates {
namespace {

constexpr std::uint16_t logoBitmapId = 121;

constexpr ControlTemplate japaneseControls[] = {
    groupBox(u"ツール", 7, 2, 82, 93),
    pushButton(controlId::menuStatus, u"ステータス", 14, 17, 66, 14),
    pushButton(controlId::menuFormat, u"フォーマット", 14, 43, 66, 14),
    pushButton(controlId::menuFolderName, u"フォルダ名", 14, 69, 66, 14),
    pushButton(controlId::close, u"閉じる", 95, 13, 54, 14),
    bitmap(logoBitmapId, 103, 61, 35, 11),
};

constexpr ControlTemplate englishControls[] = {
    groupBox(u"Tool Menu", 7, 0, 82, 78),
    pushButton(controlId::menuStatus, u"Status", 14, 15, 66, 11),
    pushButton(controlId::menuFormat, u"Format", 14, 36, 66, 11),
    pushButton(controlId::menuFolderName, u"Folder Name", 14, 57, 66, 11),
    pushButton(controlId::close, u"Close", 95, 13, 54, 14),
    bitmap(logoBitmapId, 102, 53, 35, 11),
};

// The same rhythm as the opened menus, one button row longer.
constexpr ControlTemplate englishWithProtectControls[] = {
    groupBox(u"Tool Menu", 7, 0, 82, 99),
    pushButton(controlId::menuStatus, u"Status", 14, 15, 66, 11),
    pushButton(controlId::menuFormat, u"Format", 14, 36, 66, 11),
    pushButton(controlId::menuProtect, u"Protect", 14, 57, 66, 11),
    pushButton(controlId::menuFolderName, u"Folder Name", 14, 78, 66, 11),
    pushButton(controlId::close, u"Close", 95, 13, 54, 14),
    bitmap(logoBitmapId, 102, 74, 35, 11),
};

constexpr ControlTemplate japaneseWithProtectControls[] = {
    groupBox(u"ツール", 7, 2, 82, 119),
    pushButton(controlId::menuStatus, u"ステータス", 14, 17, 66, 14),
    pushButton(controlId::menuFormat, u"フォーマット", 14, 43, 66, 14),
    pushButton(controlId::menuProtect, u"プロテクト", 14, 69, 66, 14),
    pushButton(controlId::menuFolderName, u"フォルダ名", 14, 95, 66, 14),
    pushButton(controlId::close, u"閉じる", 95, 13, 54, 14),
    bitmap(logoBitmapId, 103, 87, 35, 11),
};

} // namespace

extern const DialogTemplate mainMenuJapanese = {
    templateId::mainMenuJapanese, languageJapanese, dialogStyle, extendedContextHelp, 0, 0, 155, 101, u"Quib! Tools",
    fontPointSize, japaneseFace, japaneseControls, std::size(japaneseControls)};

extern const DialogTemplate mainMenuEnglish = {
    templateId::mainMenuEnglish, languageEnglish, dialogStyle, extendedContextHelp, 0, 0, 155, 84, u"Quib! Tools",
    fontPointSize, englishFace, englishControls, std::size(englishControls)};

extern const DialogTemplate mainMenuWithProtectEnglish = {
    templateId::mainMenuWithProtectEnglish, languageEnglish, dialogStyle, extendedContextHelp, 0, 0, 155, 105, u"Quib! Tools",
    fontPointSize, englishFace, englishWithProtectControls, std::size(englishWithProtectControls)};

extern const DialogTemplate mainMenuWithProtectJapanese = {
    templateId::mainMenuWithProtectJapanese, languageJapanese, dialogStyle, extendedContextHelp, 0, 0, 155, 127, u"Quib! Tools",
    fontPointSize, japaneseFace, japaneseWithProtectControls, std::size(japaneseWithProtectControls)};

} // namespace templates
