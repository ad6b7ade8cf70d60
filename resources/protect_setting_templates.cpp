// The Protect Setting dialog: three titled groups stacked down the left
// (plain protection, protection with a password, removal), Close at the top
// right, and the "Status" group across the bottom with the drive line above
// the status line. No button is the default.
#include "resources/dialog_ids.h"
#include "resources/template_common.h"
#include "resources/templates.h"

#include <iterator>

namespace templates {
namespace {

constexpr ControlTemplate japaneseControls[] = {
    groupBox(u"プロテクト設定", 7, 4, 143, 36),
    pushButton(controlId::protectWrite, u"ライトプロテクト", 22, 18, 112, 14),
    groupBox(u"プロテクト設定（パスワードつき）", 7, 46, 143, 58),
    pushButton(controlId::protectWriteWithPassword, u"ライトプロテクト", 22, 60, 112, 14),
    pushButton(controlId::protectReadWriteWithPassword, u"リード・ライトプロテクト", 22, 82, 112, 14),
    groupBox(u"プロテクトの解除", 7, 110, 143, 54),
    pushButton(controlId::protectRemoveUntilEject, u"一時的なプロテクト解除", 22, 124, 112, 14),
    pushButton(controlId::protectRemove, u"プロテクト解除", 22, 144, 112, 14),
    groupBox(u"ステータス", 7, 168, 196, 36),
    field(controlId::protectDriveLine, 15, 178, 181, 10),
    field(controlId::protectStatusLine, 15, 190, 181, 10),
    pushButton(controlId::close, u"閉じる", 155, 8, 48, 14),
};

constexpr ControlTemplate englishControls[] = {
    groupBox(u"Protect switch", 7, 4, 143, 36),
    pushButton(controlId::protectWrite, u"Write Protect", 22, 18, 112, 14),
    groupBox(u"Protect with Password", 7, 46, 143, 58),
    pushButton(controlId::protectWriteWithPassword, u"Write Protect", 22, 60, 112, 14),
    pushButton(controlId::protectReadWriteWithPassword, u"Read/Write Protect", 22, 82, 112, 14),
    groupBox(u"Remove Protecttion", 7, 110, 143, 54),
    pushButton(controlId::protectRemoveUntilEject, u"Temporary Remove", 22, 124, 112, 14),
    pushButton(controlId::protectRemove, u"Remove Protection", 22, 144, 112, 14),
    groupBox(u"Status", 7, 168, 196, 36),
    field(controlId::protectDriveLine, 15, 178, 181, 10),
    field(controlId::protectStatusLine, 15, 190, 181, 10),
    pushButton(controlId::close, u"Close", 155, 8, 48, 14),
};

} // namespace

extern const DialogTemplate protectSettingJapanese = {
    templateId::protectSettingJapanese, languageJapanese, dialogStyle, extendedContextHelp, 0, 0, 210, 209, u"プロテクトの設定・解除",
    fontPointSize, japaneseFace, japaneseControls, std::size(japaneseControls)};

extern const DialogTemplate protectSettingEnglish = {
    templateId::protectSettingEnglish, languageEnglish, dialogStyle, extendedContextHelp, 0, 0, 210, 209, u"Protect Setting",
    fontPointSize, englishFace, englishControls, std::size(englishControls)};

} // namespace templates
