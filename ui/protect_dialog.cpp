#include "ui/protect_dialog.h"

#include "dialogs/dialogs.h"
#include "dialogs/message_box.h"
#include "protection/protection_commands.h"
#include "protection/protection_status.h"
#include "resources/dialog_ids.h"
#include "ui/framework/dialog_framework.h"
#include "ui/drive_line.h"
#include "ui/framework/message_catalogue.h"
#include "ui/password_dialogs.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr const char16_t* helpTopic = u"QuibUSBProtect.htp";

constexpr unsigned messagePlain = 0x00;

// The protection buttons, in the order in which they are enabled.
constexpr int protectionButtons[] = {controlId::protectWrite, controlId::protectWriteWithPassword,
                                     controlId::protectReadWriteWithPassword, controlId::protectRemoveUntilEject,
                                     controlId::protectRemove};
constexpr std::size_t protectionButtonCount = sizeof protectionButtons / sizeof protectionButtons[0];

// Which changes fit a state: a protection can only be lifted where there is
// one, a password can only be set where none is. States missing here
// (unknown codes, NoDisk, NoDrive) offer nothing.
struct ButtonEnabling {
    ProtectionState state;
    bool enabled[protectionButtonCount];
};

constexpr ButtonEnabling enablingTable[] = {
    {stateNotProtected, {true, true, true, false, false}},
    {stateWriteProtected, {false, true, true, true, true}},
    {stateWriteProtectedPassword, {false, false, false, true, true}},
    {stateReadWriteProtectedPassword, {false, false, false, true, true}},
    {stateTempUnprotectedWrite, {false, true, true, false, true}},
    {stateTempUnprotectedWritePassword, {false, false, false, false, true}},
    {stateTempUnprotectedReadWritePassword, {false, false, false, false, true}},
};

const ButtonEnabling* enablingFor(ProtectionState state)
{
    for (const ButtonEnabling& row : enablingTable)
        if (row.state == state)
            return &row;
    return nullptr;
}

// Every way of closing switches the drive's protection mode off first.
void closeProtectDialog(DialogHandle dialog)
{
    switchProtectionMode(false);
    endDialog(dialog, 1);
}

// Write Protect: no question; success closes, failure stays as it is.
void writeProtect(DialogHandle dialog)
{
    const char16_t* caption = messageCatalogue.writeProtectCaption;
    if (writeProtectDisk()) {
        showMessageBox(dialog, messageCatalogue.writeProtectDoneText, caption, messagePlain);
        closeProtectDialog(dialog);
    } else {
        showMessageBox(dialog, messageCatalogue.protectFailedText, caption, messageIconStop);
    }
}

// The two protections with a password: a caution to confirm, the new
// password typed twice, then the command. "No", Cancel and a failure stay.
void protectWithPassword(DialogHandle dialog, const char16_t* caution, bool (*command)(const char16_t* password),
                         const char16_t* doneText, const char16_t* caption)
{
    if (showMessageBox(dialog, caution, messageCatalogue.passwordWarningCaption,
                       messageIconExclamation | messageBoxYesNo) != answerYes)
        return;
    askNewPassword(dialog);
    if (PasswordBuffer[0] == u'\0')
        return;
    bool done = command(PasswordBuffer);
    forgetPassword();
    if (done) {
        showMessageBox(dialog, doneText, caption, messagePlain);
        closeProtectDialog(dialog);
    } else {
        showMessageBox(dialog, messageCatalogue.protectFailedText, caption, messageIconStop);
    }
}

bool protectProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    switch (message) {
    case messageInitDialog:
        refreshProtectDialog(dialog);
        setFocusToControl(dialog, controlId::close);
        return false;
    case messageHelp:
        showHelp(helpTopic);
        return true;
    case messageCommand:
        break;
    default:
        return false;
    }

    // The whole parameter is compared, so only clicks (notification 0) act.
    switch (first) {
    case controlId::close:
        closeProtectDialog(dialog);
        return true;
    case controlId::protectWrite:
        writeProtect(dialog);
        return true;
    case controlId::protectWriteWithPassword:
        protectWithPassword(dialog, messageCatalogue.writeProtectPasswordWarningText, writeProtectWithPassword,
                            messageCatalogue.writeProtectPasswordDoneText, messageCatalogue.writeProtectCaption);
        return true;
    case controlId::protectReadWriteWithPassword:
        protectWithPassword(dialog, messageCatalogue.readWriteProtectPasswordWarningText,
                            readWriteProtectWithPassword, messageCatalogue.readWriteProtectPasswordDoneText,
                            messageCatalogue.readWriteProtectCaption);
        return true;
    case controlId::protectRemove:
    case controlId::protectRemoveUntilEject:
        // What stays open shows the disk as it is now.
        if (removeProtection(dialog, int(first)))
            closeProtectDialog(dialog);
        else
            refreshProtectDialog(dialog);
        return true;
    default:
        return false;
    }
}

} // namespace

void openProtectDialog(DialogHandle owner)
{
    openDialog(owner, templateId::protectSettingJapanese, templateId::protectSettingEnglish, protectProcedure);
}

void refreshProtectDialog(DialogHandle dialog)
{
    showStatusAndDriveLine(dialog, controlId::protectStatusLine, controlId::protectDriveLine);

    const ButtonEnabling* row = enablingFor(queryProtectionState(nullptr));
    for (std::size_t i = 0; i < protectionButtonCount; ++i)
        enableControl(dialog, protectionButtons[i], row != nullptr && row->enabled[i]);
}

bool removeProtection(DialogHandle dialog, int button)
{
    const char16_t* caption = messageCatalogue.unprotectCaption;
    // A disk protected without a password is unprotected with the empty one.
    const char16_t* password = u"";
    switch (queryProtectionState(nullptr)) {
    case stateNotProtected:
        showMessageBox(dialog, messageCatalogue.notProtectedText, caption, messageIconExclamation);
        return true;
    case stateWriteProtected:
    case stateTempUnprotectedWrite:
        break;
    case stateWriteProtectedPassword:
    case stateReadWriteProtectedPassword:
    case stateTempUnprotectedWritePassword:
    case stateTempUnprotectedReadWritePassword:
        askPassword(dialog);
        // Cancelled: the dialog closes without a word.
        if (PasswordBuffer[0] == u'\0')
            return true;
        password = PasswordBuffer;
        break;
    case NoDisk:
        showMessageBox(dialog, messageCatalogue.noDiskText, caption, messageIconStop);
        setFocusToControl(dialog, controlId::close);
        return false;
    case NoDrive:
        showMessageBox(dialog, messageCatalogue.noDriveText, caption, messageIconStop);
        return true;
    default:
        // The enabling offers neither button for such a code: the disk was
        // changed since the last refresh, and its state makes no sense.
        showMessageBox(dialog, messageCatalogue.protectInfoBrokenText, caption, messageIconStop);
        return false;
    }

    bool forGood = button == controlId::protectRemove;
    if (!forGood)
        caption = messageCatalogue.tempUnprotectCaption;
    bool done = forGood ? unprotectDisk(password) : unprotectUntilEject(password);
    forgetPassword();
    if (done) {
        showMessageBox(dialog, forGood ? messageCatalogue.unprotectDoneText : messageCatalogue.tempUnprotectDoneText,
                       caption, messagePlain);
        return true;
    }
    showMessageBox(dialog, messageCatalogue.unprotectFailedText, caption, messageIconStop);
    return false;
}
