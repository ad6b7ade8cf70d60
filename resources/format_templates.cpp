// The Format dialog: the "Style" group at the top left with the two styles,
// each with its estimated time below it; the "Label" group under it; the
// "Status" group across the bottom with the drive line above the status
// line; OK above Close at the top right.
#include "resources/dialog_ids.h"
#include "resources/template_common.h"
#include "resources/templates.h"

#include <iterator>

namespace templates {
namespace {

// Both radios come before the estimates, so the two form one group; the
// label field starts a group of its own.
constexpr ControlTemplate japaneseControls[] = {
    groupBox(u"フォーマットの種類", 7, 4, 136, 64),
    firstRadio(controlId::formatSimple, u"高速フォーマット", 15, 16, 124, 10),
    radio(controlId::formatLong, u"ベリファイつきフォーマット", 15, 40, 124, 10),
    text(u"予定時間：　約１０秒", 27, 26, 112, 8),
    text(u"予定時間：　約６分", 27, 50, 112, 8),
    groupBox(u"ラベル", 7, 72, 193, 48),
    text(u"ボリュームラベル", 15, 88, 66, 8),
    edit(controlId::formatLabel, 85, 86, 80, 12, styleGroup),
    text(u"注意： 日本語文字は使用できません。", 15, 104, 176, 8),
    groupBox(u"ステータス", 7, 128, 193, 52),
    field(controlId::formatDriveLine, 15, 144, 177, 10),
    field(controlId::formatStatusLine, 15, 160, 177, 10),
    defaultButton(controlId::ok, u"開始", 150, 8, 50, 14),
    pushButton(controlId::close, u"閉じる", 150, 26, 50, 14),
};

constexpr ControlTemplate englishControls[] = {
    groupBox(u"Style", 7, 4, 136, 64),
    firstRadio(controlId::formatSimple, u"Simple Format", 15, 16, 124, 10),
    radio(controlId::formatLong, u"Long Format", 15, 40, 124, 10),
    text(u"Estimate time : 10 Seconds", 27, 26, 112, 8),
    text(u"Estimate time : 6 Minuits", 27, 50, 112, 8),
    groupBox(u"Label", 7, 72, 193, 48),
    text(u"Volume Label:", 15, 88, 66, 8),
    edit(controlId::formatLabel, 85, 86, 80, 12, styleGroup),
    groupBox(u"Status", 7, 128, 193, 52),
    field(controlId::formatDriveLine, 15, 144, 177, 10),
    field(controlId::formatStatusLine, 15, 160, 177, 10),
    defaultButton(controlId::ok, u"OK", 150, 8, 50, 14),
    pushButton(controlId::close, u"Close", 150, 26, 50, 14),
};

} // namespace

extern const DialogTemplate formatJapanese = {
    templateId::formatJapanese, languageJapanese, dialogStyle, extendedContextHelp, 0, 0, 207, 187, u"フォーマット",
    fontPointSize, japaneseFace, japaneseControls, std::size(japaneseControls)};

extern const DialogTemplate formatEnglish = {
    templateId::formatEnglish, languageEnglish, dialogStyle, extendedContextHelp, 0, 0, 207, 187, u"Format",
    fontPointSize, englishFace, englishControls, std::size(englishControls)};

} // namespace templates
