// The two password dialogs: the entry fields at the top right with their
// labels to the left, the explanation in an untitled group below on the
// left, OK above Cancel on the right under the fields. Neither has help.
#include "resources/dialog_ids.h"
#include "resources/template_common.h"
#include "resources/templates.h"

#include <iterator>

namespace templates {
namespace {

constexpr ControlTemplate passwordJapaneseControls[] = {
    text(u"パスワード：", 7, 9, 56, 8),
    passwordEdit(controlId::passwordField, 66, 7, 152, 12),
    defaultButton(controlId::ok, u"OK", 180, 26, 38, 14),
    pushButton(controlId::close, u"ｷｬﾝｾﾙ", 180, 44, 38, 14),
    groupBox(u"", 4, 22, 172, 62),
    text(u"プロテクトしたときと同じパスワードを入力してください。\r\n"
         u"パスワードを忘れてしまった場合，ベリファイつきフォーマットにより，データごとプロテクトを消去することになります。",
         10, 32, 160, 48),
};

constexpr ControlTemplate passwordEnglishControls[] = {
    text(u"Password:", 7, 9, 56, 8),
    passwordEdit(controlId::passwordField, 66, 7, 152, 12),
    defaultButton(controlId::ok, u"OK", 180, 26, 38, 14),
    pushButton(controlId::close, u"Cancel", 180, 44, 38, 14),
    groupBox(u"", 4, 22, 172, 62),
    text(u"Please type password to remove protect.\r\n"
         u"Password entry is CASE sensitive. The way you enter the password (upper or lower case) is the way it "
         u"must be entered each way.",
         10, 32, 160, 48),
};

constexpr ControlTemplate newPasswordJapaneseControls[] = {
    text(u"パスワード：", 7, 9, 90, 8),
    passwordEdit(controlId::passwordField, 98, 7, 120, 12),
    text(u"パスワード（再確認）：", 7, 25, 90, 8),
    passwordEdit(controlId::passwordVerify, 98, 23, 120, 12),
    defaultButton(controlId::ok, u"OK", 180, 44, 38, 14),
    pushButton(controlId::close, u"ｷｬﾝｾﾙ", 180, 62, 38, 14),
    groupBox(u"", 4, 40, 172, 50),
    text(u"パスワードは，文字数３２文字まで，英数字のみを設定可能です。\r\n"
         u"大文字／小文字は別の文字と認識されます。",
         10, 50, 160, 36),
};

constexpr ControlTemplate newPasswordEnglishControls[] = {
    text(u"Password:", 7, 9, 90, 8),
    passwordEdit(controlId::passwordField, 98, 7, 120, 12),
    text(u"Password(Verify):", 7, 25, 90, 8),
    passwordEdit(controlId::passwordVerify, 98, 23, 120, 12),
    defaultButton(controlId::ok, u"OK", 180, 44, 38, 14),
    pushButton(controlId::close, u"Cancel", 180, 62, 38, 14),
    groupBox(u"", 4, 40, 172, 50),
    text(u"Password entry is CASE sensitive. The way you enter the password (upper or lower case) is the way it "
         u"must be entered each way.",
         10, 50, 160, 36),
};

} // namespace

extern const DialogTemplate passwordJapanese = {
    templateId::passwordJapanese, languageJapanese, dialogStyle, 0, 0, 0, 223, 89, u"パスワードの入力",
    fontPointSize, japaneseFace, passwordJapaneseControls, std::size(passwordJapaneseControls)};

extern const DialogTemplate passwordEnglish = {
    templateId::passwordEnglish, languageEnglish, dialogStyle, 0, 0, 0, 223, 89, u"Password",
    fontPointSize, englishFace, passwordEnglishControls, std::size(passwordEnglishControls)};

extern const DialogTemplate newPasswordJapanese = {
    templateId::newPasswordJapanese, languageJapanese, dialogStyle, 0, 0, 0, 223, 95, u"パスワードの入力",
    fontPointSize, japaneseFace, newPasswordJapaneseControls, std::size(newPasswordJapaneseControls)};

extern const DialogTemplate newPasswordEnglish = {
    templateId::newPasswordEnglish, languageEnglish, dialogStyle, 0, 0, 0, 223, 95, u"New Password",
    fontPointSize, englishFace, newPasswordEnglishControls, std::size(newPasswordEnglishControls)};

} // namespace templates
