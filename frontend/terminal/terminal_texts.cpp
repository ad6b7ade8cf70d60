#include "frontend/terminal/terminal_texts.h"

#include "dialogs/front_end.h"
#include "os/language.h"

#include <cstring>

namespace {

const TerminalTexts english = {
    u"Enter: %ls",
    u"Tab/Shift-Tab: move",
    u"Arrows: choose",
    u"Space: press",
    u"Esc: close",
    u"F1: help",
    u"Type to edit",
    u"Y: Yes  N: No",
    u"Enter: OK",
    u"Tab: Yes/No",
    u"The terminal is too small for this dialog: it needs %d x %d characters, it has %d x %d. "
    u"Please make the window larger.",
    u"The control is disabled.",
    u"The default button is disabled.",
    u"The edit field is read-only.",
    u"This does nothing here.",
};

const TerminalTexts japanese = {
    u"Enter: %ls",
    u"Tab/Shift-Tab: 移動",
    u"矢印: 選択",
    u"Space: 押す",
    u"Esc: 閉じる",
    u"F1: ヘルプ",
    u"文字を入力",
    u"Y: はい  N: いいえ",
    u"Enter: OK",
    u"Tab: はい/いいえ",
    u"端末が小さすぎます。このダイアログには %d x %d 文字が必要です（今は %d x %d）。"
    u"ウィンドウを大きくしてください。",
    u"このコントロールは使えません。",
    u"既定のボタンは使えません。",
    u"この欄は書き換えられません。",
    u"ここでは何もしません。",
};

} // namespace

const TerminalTexts& terminalTexts() { return defaultLanguageId() == languageJapanese ? japanese : english; }

const char16_t* refusalNotice(Refusal why)
{
    const TerminalTexts& texts = terminalTexts();
    switch (why) {
    case Refusal::DisabledControl: return texts.refusedDisabled;
    case Refusal::DisabledDefault: return texts.refusedDefaultDisabled;
    case Refusal::ReadOnlyEdit: return texts.refusedReadOnly;
    case Refusal::NoSuchControl:
    case Refusal::NotAnEditField:
    case Refusal::TakesNoClicks:
    case Refusal::NoMessageBox: return texts.refusedOther;
    }
    return texts.refusedOther;
}
