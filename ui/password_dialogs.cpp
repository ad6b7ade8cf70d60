#include "ui/password_dialogs.h"

#include "dialogs/dialogs.h"
#include "dialogs/message_box.h"
#include "os/secret.h"
#include "os/wide_format.h"
#include "resources/dialog_ids.h"
#include "ui/framework/dialog_framework.h"
#include "ui/framework/message_catalogue.h"

#include <cstdint>

char16_t PasswordBuffer[passwordCapacity] = {};

namespace {

// Empties the fields and puts the focus back on the first one, after the
// message that says what was wrong; the dialog stays open.
void askAgain(DialogHandle dialog, const char16_t* text, bool withVerifyField)
{
    showMessageBox(dialog, text, messageCatalogue.passwordCaption, messageIconExclamation);
    setControlText(dialog, controlId::passwordField, u"");
    if (withVerifyField)
        setControlText(dialog, controlId::passwordVerify, u"");
    setFocusToControl(dialog, controlId::passwordField);
}

// Cancel leaves an empty answer, whatever the first field held.
void cancel(DialogHandle dialog)
{
    clearSecret(PasswordBuffer, sizeof PasswordBuffer);
    endDialog(dialog, 1);
}

// At most 32 characters of each field are taken; the rest is cut off.
void acceptPassword(DialogHandle dialog)
{
    getControlText(dialog, controlId::passwordField, PasswordBuffer, passwordCapacity);
    if (PasswordBuffer[0] == u'\0')
        askAgain(dialog, messageCatalogue.noPasswordText, false);
    else
        endDialog(dialog, 1);
}

void acceptNewPassword(DialogHandle dialog)
{
    char16_t verify[passwordCapacity];
    getControlText(dialog, controlId::passwordField, PasswordBuffer, passwordCapacity);
    getControlText(dialog, controlId::passwordVerify, verify, passwordCapacity);
    // The comparison comes first and is exact (case matters), so one empty
    // and one filled field count as differing entries.
    bool same = wideEqual(PasswordBuffer, verify);
    clearSecret(verify, sizeof verify);
    if (!same)
        askAgain(dialog, messageCatalogue.passwordMismatchText, true);
    else if (PasswordBuffer[0] == u'\0')
        askAgain(dialog, messageCatalogue.noPasswordText, true);
    else
        endDialog(dialog, 1);
}

// Both dialogs share their handling but for OK; neither has a help topic,
// so a help request is left unhandled.
bool handlePasswordMessage(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, bool newPassword)
{
    switch (message) {
    case messageInitDialog:
        setControlText(dialog, controlId::passwordField, u"");
        if (newPassword)
            setControlText(dialog, controlId::passwordVerify, u"");
        setFocusToControl(dialog, controlId::passwordField);
        return false;
    case messageCommand:
        // The whole parameter is compared, so only clicks (notification 0) act.
        switch (first) {
        case controlId::ok:
            if (newPassword)
                acceptNewPassword(dialog);
            else
                acceptPassword(dialog);
            return true;
        case controlId::close:
            cancel(dialog);
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

bool passwordProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    return handlePasswordMessage(dialog, message, first, false);
}

bool newPasswordProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    return handlePasswordMessage(dialog, message, first, true);
}

} // namespace

void forgetPassword() { clearSecret(PasswordBuffer, sizeof PasswordBuffer); }

void askPassword(DialogHandle owner)
{
    openDialog(owner, templateId::passwordJapanese, templateId::passwordEnglish, passwordProcedure);
}

void askNewPassword(DialogHandle owner)
{
    openDialog(owner, templateId::newPasswordJapanese, templateId::newPasswordEnglish, newPasswordProcedure);
}
