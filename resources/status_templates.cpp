// The Status dialog: Close at the top right, and the "Status" group with the
// drive line, the volume label and the protection status, all read-only.
#include "resources/dialog_ids.h"
#include "resources/template_common.h"
#include "resources/templates.h"

#include <iterator>

namespace templates {
namespace {

constexpr ControlTemplate japaneseControls[] = {
    defaultButton(controlId::close, u"閉じる", 143, 9, 50, 14),
    groupBox(u"ステータス", 6, 21, 194, 69),
    field(controlId::statusDriveLine, 15, 35, 177, 12),
    text(u"ボリュームラベル：", 14, 49, 57, 14),
    field(controlId::statusLabel, 74, 49, 117, 13),
    field(controlId::statusState, 15, 68, 177, 12),
};

constexpr ControlTemplate englishControls[] = {
    defaultButton(controlId::close, u"Close", 143, 9, 50, 14),
    groupBox(u"Status", 6, 21, 194, 69),
    field(controlId::statusDriveLine, 15, 35, 177, 12),
    text(u"Volume Label :", 14, 51, 59, 13),
    field(controlId::statusLabel, 74, 51, 117, 13),
    field(controlId::statusState, 15, 68, 177, 12),
};

} // namespace

extern const DialogTemplate statusJapanese = {
    templateId::statusJapanese, languageJapanese, dialogStyle, 0, 0, 0, 207, 97, u"ステータス",
    fontPointSize, japaneseFace, japaneseControls, std::size(japaneseControls)};

// This template names its face "MS P????", not "Arial".
extern const DialogTemplate statusEnglish = {
    templateId::statusEnglish, languageEnglish, dialogStyle, 0, 0, 0, 207, 97, u"Status",
    fontPointSize, u"MS P????", englishControls, std::size(englishControls)};

} // namespace templates
