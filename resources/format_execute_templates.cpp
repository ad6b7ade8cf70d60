// The Format Execute dialog: the prompt and progress text in an untitled
// group at the top, room for three lines; the progress bar under the group
// where the template has one; Start and Close in a row at the bottom right.
// No system menu, so no close box.
#include "resources/dialog_ids.h"
#include "resources/template_common.h"
#include "resources/templates.h"

#include <iterator>

namespace templates {
namespace {

constexpr ControlTemplate japaneseControls[] = {
    groupBox(u"", 7, 2, 177, 40),
    multiLineField(controlId::executeText, 13, 11, 165, 28),
    progressBar(controlId::executeProgressBar, 7, 46, 177, 8),
    pushButton(controlId::ok, u"フォーマット開始", 64, 56, 72, 14),
    pushButton(controlId::close, u"閉じる", 140, 56, 44, 14),
};

constexpr ControlTemplate englishControls[] = {
    groupBox(u"", 7, 2, 177, 40),
    multiLineField(controlId::executeText, 13, 11, 165, 28),
    pushButton(controlId::ok, u"Start", 80, 50, 50, 14),
    pushButton(controlId::close, u"Close", 134, 50, 50, 14),
};

constexpr ControlTemplate englishWithProgressControls[] = {
    groupBox(u"", 7, 2, 177, 40),
    multiLineField(controlId::executeText, 13, 11, 165, 28),
    progressBar(controlId::executeProgressBar, 7, 44, 177, 8),
    pushButton(controlId::ok, u"Start", 80, 54, 50, 14),
    pushButton(controlId::close, u"Close", 134, 54, 50, 14),
};

} // namespace

extern const DialogTemplate formatExecuteJapanese = {
    templateId::formatExecuteJapanese, languageJapanese, dialogStyleNoSystemMenu, 0, 0, 0, 191, 71, u"フォーマットの実行",
    fontPointSize, japaneseFace, japaneseControls, std::size(japaneseControls)};

extern const DialogTemplate formatExecuteEnglish = {
    templateId::formatExecuteEnglish, languageEnglish, dialogStyleNoSystemMenu, 0, 0, 0, 191, 69, u"Format Execute",
    fontPointSize, englishFace, englishControls, std::size(englishControls)};

extern const DialogTemplate formatExecuteWithProgressEnglish = {
    templateId::formatExecuteWithProgressEnglish, languageEnglish, dialogStyleNoSystemMenu, 0, 0, 0, 191, 69, u"Format Execute",
    fontPointSize, englishFace, englishWithProgressControls, std::size(englishWithProgressControls)};

} // namespace templates
