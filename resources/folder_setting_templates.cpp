// The Folder Setting dialog: the "Quib! Folder Name Setting" group with the
// three naming modes stacked and the folder number on the line of "Fixed";
// the explanation of the modes below; OK above Close at the right.
#include "resources/dialog_ids.h"
#include "resources/template_common.h"
#include "resources/templates.h"

#include <iterator>

namespace templates {
namespace {

// The explanation's first break is a bare line feed, its second a carriage
// return and line feed; the texts are shown as they stand.
constexpr ControlTemplate japaneseControls[] = {
    groupBox(u"Quib! フォルダ名", 7, 4, 196, 52),
    firstRadio(controlId::folderAutomated, u"自動", 14, 14, 56, 10),
    radio(controlId::folderFixed, u"固定", 14, 28, 56, 10),
    radio(controlId::folderLinked, u"連動", 14, 42, 56, 10),
    text(u"  ﾒﾓﾘ ｶｰﾄﾞ", 72, 29, 60, 8),
    edit(controlId::folderNumber, 134, 27, 20, 12),
    text(u"( 2 to 9 )", 158, 29, 42, 8),
    sunkenText(u" 自動： フォルダ名を自動的に作ります。\n"
               u" 固定： フォルダ名を ﾒﾓﾘ ｶｰﾄﾞ3 のように固定します。\r\n"
               u" 連動： フォルダ名はボリュームラベルと連動します。",
               7, 60, 253, 42),
    defaultButton(controlId::ok, u"決定", 210, 8, 50, 14),
    pushButton(controlId::close, u"閉じる", 210, 26, 50, 14),
};

constexpr ControlTemplate englishControls[] = {
    groupBox(u"Quib! Folder Name Setting", 7, 4, 196, 52),
    firstRadio(controlId::folderAutomated, u"Automated", 14, 14, 56, 10),
    radio(controlId::folderFixed, u"Fixed", 14, 28, 56, 10),
    radio(controlId::folderLinked, u"Linked", 14, 42, 56, 10),
    text(u"  Storage Card", 72, 29, 60, 8),
    edit(controlId::folderNumber, 134, 27, 20, 12),
    text(u"( 2 to 9 )", 158, 29, 42, 8),
    sunkenText(u" Automated - Folder Name is automatically Generated.\n"
               u" Fixed - Folder Name is Fixed as same as Storage Card3.\r\n"
               u" Linked - Folder Name is Linked with Volume Label.",
               7, 60, 252, 42),
    defaultButton(controlId::ok, u"OK", 209, 8, 50, 14),
    pushButton(controlId::close, u"Close", 209, 26, 50, 14),
};

} // namespace

extern const DialogTemplate folderSettingJapanese = {
    templateId::folderSettingJapanese, languageJapanese, dialogStyle, extendedContextHelp, 0, 0, 267, 107, u"フォルダ名設定",
    fontPointSize, japaneseFace, japaneseControls, std::size(japaneseControls)};

extern const DialogTemplate folderSettingEnglish = {
    templateId::folderSettingEnglish, languageEnglish, dialogStyle, extendedContextHelp, 0, 0, 266, 107, u"Folder Setting",
    fontPointSize, englishFace, englishControls, std::size(englishControls)};

} // namespace templates
