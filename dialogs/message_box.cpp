#include "dialogs/message_box.h"

int showMessageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags)
{
    FrontEnd* frontEnd = activeFrontEnd();
    if (frontEnd == nullptr)
        return (flags & 0x0F) == messageBoxYesNo ? answerNo : answerOk;
    return frontEnd->messageBox(owner, text, caption, flags);
}
