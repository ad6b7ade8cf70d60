#include "ui/format_dialog.h"

#include "format/format_run.h"
#include "format/label_characters.h"
#include "format/volume_label.h"
#include "os/code_page.h"
#include "dialogs/dialogs.h"
#include "dialogs/message_box.h"
#include "protection/protection_status.h"
#include "resources/dialog_ids.h"
#include "ui/framework/dialog_framework.h"
#include "ui/drive_line.h"
#include "ui/framework/message_catalogue.h"

#include <cstring>

namespace {

constexpr std::size_t labelBytes = 11;

// What a state means for each style: refuse with a message, re-confirm
// with a message, or go ahead.
struct StyleRule {
    ProtectionState state;
    const char16_t* const* simpleRefusal;
    const char16_t* const* longReconfirmation;
};

const StyleRule styleRules[] = {
    {stateWriteProtected, &messageCatalogue.simpleFormatWriteProtectedText,
     &messageCatalogue.formatWriteProtectedConfirmText},
    {stateTempUnprotectedWrite, &messageCatalogue.simpleFormatWriteProtectedText,
     &messageCatalogue.formatWriteProtectedConfirmText},
    {stateWriteProtectedPassword, &messageCatalogue.simpleFormatWriteProtectedPasswordText,
     &messageCatalogue.formatWriteProtectedPasswordConfirmText},
    {stateTempUnprotectedWritePassword, &messageCatalogue.simpleFormatWriteProtectedPasswordText,
     &messageCatalogue.formatWriteProtectedPasswordConfirmText},
    {stateReadWriteProtectedPassword, &messageCatalogue.simpleFormatReadWriteProtectedPasswordText,
     &messageCatalogue.formatReadWriteProtectedPasswordConfirmText},
    {stateTempUnprotectedReadWritePassword, &messageCatalogue.simpleFormatReadWriteProtectedPasswordText,
     &messageCatalogue.formatReadWriteProtectedPasswordConfirmText},
};

bool refuse(DialogHandle dialog, const char16_t* text)
{
    showMessageBox(dialog, text, messageCatalogue.errorCaption, messageIconStop);
    setFocusToControl(dialog, controlId::close);
    return false;
}

bool reconfirm(DialogHandle dialog, const char16_t* text)
{
    if (showMessageBox(dialog, text, messageCatalogue.formatReconfirmCaption,
                       messageIconExclamation | messageBoxYesNo) == answerYes)
        return true;
    setFocusToControl(dialog, controlId::close);
    return false;
}

// Reads the label field and turns it into the 11 label bytes. False when
// the field was corrected in place (emptied or shortened) and the person
// should look again.
bool takeLabel(DialogHandle dialog, std::uint8_t* label)
{
    // Room for the whole field in the code page (12 characters of up to two
    // bytes), so a label too long is always noticed and shortened.
    char bytes[2 * 12];
    char16_t text[13];
    getControlText(dialog, controlId::formatLabel, text, 13);
    if (text[0] == u'\0') {
        std::memset(label, 0, labelBytes);
        return true;
    }
    std::size_t length = 0;
    // A character without an 8-bit form, or one that a FAT volume label may
    // not hold, empties the field: the file system would be invalid.
    if (!wideToCodePage(text, bytes, sizeof bytes, &length) || forbiddenLabelByte(bytes, length) < length) {
        setControlText(dialog, controlId::formatLabel, u"");
        return false;
    }
    if (length > labelBytes) {
        // Show the label cut to 11 bytes and let the person press OK again.
        // The cut keeps whole characters, so a double-byte character that
        // would be split is left out rather than turned into garbage.
        char16_t shortened[13];
        if (!wideToCodePage(text, bytes, labelBytes, &length) ||
            !codePageToWide(bytes, length, shortened, 13))
            shortened[0] = u'\0';
        setControlText(dialog, controlId::formatLabel, shortened);
        return false;
    }
    std::memset(label, ' ', labelBytes);
    std::memcpy(label, bytes, length);
    return true;
}

// Both dialogs end with the protection mode switched off, undoing the
// switch-on of the status queries made while they were open.
void endWithProtectionModeOff(DialogHandle dialog)
{
    switchProtectionMode(false);
    endDialog(dialog, 1);
}

bool formatProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    if (message == messageInitDialog) {
        showStatusAndDriveLine(dialog, controlId::formatStatusLine, controlId::formatDriveLine);
        char16_t text[volumeLabelCapacity];
        readVolumeLabel(text);
        setControlText(dialog, controlId::formatLabel, text);
        checkRadioButton(dialog, controlId::formatSimple, controlId::formatLong, controlId::formatSimple);
        setFocusToControl(dialog, controlId::close);
        return false;
    }
    if (message == messageHelp) {
        showHelp(u"QuibUSBFormat.htp");
        return true;
    }
    if (message != messageCommand)
        return false;
    if (first == controlId::ok) {
        if (!checkFormatRequest(dialog, FormatLabel)) {
            setFocusToControl(dialog, controlId::close);
            return true;
        }
        openFormatExecuteDialog(dialog);
        endWithProtectionModeOff(dialog);
        return true;
    }
    if (first == controlId::close) {
        endWithProtectionModeOff(dialog);
        return true;
    }
    return false;
}

bool formatExecuteProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    if (message == messageInitDialog) {
        setFocusToControl(dialog, controlId::close);
        setControlText(dialog, controlId::executeText, messageCatalogue.formatStartPromptText);
        return false;
    }
    if (message != messageCommand)
        return false;
    if (first == controlId::ok) {
        bool formatted = runFormat(dialog);
        setControlText(dialog, controlId::executeText,
                       formatted ? messageCatalogue.formatCompletedText : messageCatalogue.formatStartPromptText);
        // Start works once per opening, whatever the outcome.
        enableControl(dialog, controlId::ok, false);
        enableControl(dialog, controlId::close, true);
        return true;
    }
    if (first == controlId::close) {
        endWithProtectionModeOff(dialog);
        return true;
    }
    return false;
}

} // namespace

bool checkFormatRequest(DialogHandle dialog, std::uint8_t* label)
{
    if (!takeLabel(dialog, label))
        return false;

    if (showMessageBox(dialog, messageCatalogue.formatConfirmText, messageCatalogue.formatConfirmCaption,
                       messageIconExclamation | messageBoxYesNo) != answerYes) {
        setFocusToControl(dialog, controlId::close);
        return false;
    }

    bool simple = sendControlMessage(dialog, controlId::formatSimple, buttonGetCheck, 0, 0) == 1;
    ProtectionState state = queryProtectionState(nullptr);
    if (state == NoDisk)
        return refuse(dialog, messageCatalogue.noDiskText);
    if (state == NoDrive)
        return refuse(dialog, messageCatalogue.noDriveText);
    for (const StyleRule& rule : styleRules) {
        if (rule.state == state)
            return simple ? refuse(dialog, *rule.simpleRefusal) : reconfirm(dialog, *rule.longReconfirmation);
    }
    return true;
}

void openFormatDialog(DialogHandle owner)
{
    openDialog(owner, templateId::formatJapanese, templateId::formatEnglish, formatProcedure);
}

void openFormatExecuteDialog(DialogHandle owner)
{
    openDialog(owner, templateId::formatExecuteJapanese, templateId::formatExecuteEnglish, formatExecuteProcedure);
}
