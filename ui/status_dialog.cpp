#include "ui/status_dialog.h"

#include "format/volume_label.h"
#include "dialogs/dialogs.h"
#include "os/wide_format.h"
#include "protection/protection_status.h"
#include "resources/dialog_ids.h"
#include "ui/framework/dialog_framework.h"
#include "ui/drive_line.h"

namespace {

constexpr const char16_t* helpTopic = u"QuibUSBStatus.htp";

// The label field's text: the volume label (at most 11 characters) in
// brackets.
constexpr std::size_t textCapacity = 16;
constexpr std::size_t answerCapacity = volumeLabelCapacity;

bool statusProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    switch (message) {
    case messageInitDialog:
        fillStatusDialog(dialog);
        setFocusToControl(dialog, controlId::close);
        return false;
    case messageHelp:
        // The caption shows no help button, but a help request still gets the topic.
        showHelp(helpTopic);
        return true;
    case messageCommand:
        if (first != controlId::close)
            return false;
        endDialog(dialog, 1);
        return true;
    default:
        return false;
    }
}

} // namespace

void openStatusDialog(DialogHandle owner)
{
    openDialog(owner, templateId::statusJapanese, templateId::statusEnglish, statusProcedure);
}

void fillStatusDialog(DialogHandle dialog)
{
    showStatusAndDriveLine(dialog, controlId::statusState, controlId::statusDriveLine);

    // Read in every state: without a drive or a disk the label is empty.
    char16_t answer[answerCapacity];
    readVolumeLabel(answer);
    char16_t text[textCapacity];
    formatWide(text, textCapacity, u"[%ls]", answer);
    setControlText(dialog, controlId::statusLabel, text);
}
