// Message boxes on Windows: the system's MessageBoxW with the program's
// flags and owner. With a front end installed (a script, a job) the front
// end answers the box as a person would, with a click on its button.
#include "dialogs/message_box.h"

#include "dialogs/win32/system_dialogs.h"

int showMessageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags)
{
    if (activeFrontEnd() != nullptr)
        messageBoxShowing(owner, text, caption, flags);
    int answer = MessageBoxW(windowOfDialog(owner), reinterpret_cast<const wchar_t*>(text),
                             reinterpret_cast<const wchar_t*>(caption), flags);
    if (activeFrontEnd() != nullptr)
        messageBoxGone();
    // A box the system could not show is answered as no box at all.
    if (answer == 0)
        return isYesNoBox(flags) ? answerNo : answerOk;
    return answer;
}
