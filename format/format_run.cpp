#include "format/format_run.h"

#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "format/quick_format.h"
#include "dialogs/dialogs.h"
#include "os/ending_signals.h"
#include "dialogs/message_box.h"
#include "os/pause.h"
#include "os/wide_format.h"
#include "os/work_in_hand.h"
#include "protection/protection_status.h"
#include "resources/dialog_ids.h"
#include "ui/framework/message_catalogue.h"

std::uint8_t FormatLabel[12] = {};

namespace {

// The run's progress scale: the drive's low-level format counts up to
// 25600 units, the file-system image the last 100 (all of them for a
// Simple Format).
constexpr std::uint32_t unitsTotal = 25700;
constexpr std::uint32_t driveFormatUnits = 25600;
constexpr std::uint32_t pollPause = 500;

// The drive's longest low-level format takes some six minutes. A drive
// still reporting progress after 30 minutes of pauses between polls is
// taken as stuck: that counts as a failed poll, so the buttons come back.
constexpr std::uint32_t pollTimeLimit = 30 * 60 * 1000;

constexpr std::size_t senseLength = 18;

// Sense byte 15 not 0: the drive reports progress, its byte 16 in 256ths.
bool reportsProgress(const std::uint8_t* sense) { return sense[15] != 0; }

// Additional sense codes (byte 12) that end the drive's format early: the
// disk left the drive (0x3A), a disk was inserted or the drive plugged in
// again (0x28), or the drive was reset (0x29). The format was cut short,
// and the disk now in the drive may not be the one the user chose, so the
// run fails without writing a file system. Any sense key goes.
constexpr std::uint8_t formatEndingCodes[] = {0x3A, 0x28, 0x29};

bool reportsFormatCutShort(const std::uint8_t* sense)
{
    for (std::uint8_t code : formatEndingCodes)
        if (sense[12] == code)
            return true;
    return false;
}

// One REQUEST SENSE of the polls: false when it failed or when the drive
// reports that its format was cut short.
bool pollSense(std::uint8_t* sense)
{
    return requestSense(driveIndex, sense, senseLength) && !reportsFormatCutShort(sense);
}

// The quick format's reports go to the Format Execute dialog.
void reportToExecuteDialog(void* executeDialog, std::uint32_t done, std::uint32_t total)
{
    showFormatProgress(static_cast<DialogHandle>(executeDialog), done, total);
}

void reportFailure(DialogHandle executeDialog, DialogHandle formatDialog)
{
    setControlText(formatDialog, controlId::formatStatusLine, messageCatalogue.unformattedText);
    showMessageBox(executeDialog, messageCatalogue.formatFailedText, messageCatalogue.formatResultCaption,
                   messageIconStop);
}

// The drive phase of a Long Format: the low-level format and its polls.
// False for a refused format, a failed poll, a format cut short or a drive
// that never finishes.
bool runDriveFormat(DialogHandle executeDialog)
{
    if (!formatUnit(driveIndex, true))
        return false;
    std::uint8_t sense[senseLength] = {};
    std::uint32_t units = 0;
    for (std::uint32_t waited = 0; waited < pollTimeLimit; waited += pollPause) {
        if (!pollSense(sense))
            return false;
        if (reportsProgress(sense)) {
            units = std::uint32_t(sense[16]) * 100;
        } else {
            // No progress reported: ask once more before taking the format
            // as finished; progress on the second read keeps the last value.
            if (!pollSense(sense))
                return false;
            if (!reportsProgress(sense))
                units = driveFormatUnits;
        }
        showFormatProgress(executeDialog, units, unitsTotal);
        pause(pollPause);
        if (units == driveFormatUnits)
            return true;
    }
    return false;
}

} // namespace

void pause(std::uint32_t milliseconds) { sleepMilliseconds(milliseconds); }

void showFormatProgress(DialogHandle executeDialog, std::uint32_t done, std::uint32_t total)
{
    unsigned percent = unsigned(std::uint64_t(done) * 100 / total);
    char16_t text[80];
    formatWide(text, 80, messageCatalogue.formatProgressFormat, int(percent));
    setControlText(executeDialog, controlId::executeText, text);
    sendControlMessage(executeDialog, controlId::executeProgressBar, progressSetPosition, percent, 0);
}

bool runFormat(DialogHandle executeDialog)
{
    enableControl(executeDialog, controlId::ok, false);
    enableControl(executeDialog, controlId::close, false);
    sendControlMessage(executeDialog, controlId::executeProgressBar, progressSetRange, 0, 0x640000);
    showFormatProgress(executeDialog, 0, unitsTotal);

    DialogHandle formatDialog = dialogOwner(executeDialog);
    setControlText(formatDialog, controlId::formatStatusLine, messageCatalogue.formattingText);

    std::uint32_t startUnits = 0;
    if (sendControlMessage(formatDialog, controlId::formatSimple, buttonGetCheck, 0, 0) != 1) {
        // From the format command on, a run cut short leaves the drive
        // erasing the disk: the host says so if a signal ends the tool.
        noteWorkInHand(WorkInHand::driveFormatting);
        if (!runDriveFormat(executeDialog)) {
            noteWorkInHand(WorkInHand::none);
            reportFailure(executeDialog, formatDialog);
            return false;
        }
        startUnits = driveFormatUnits;
    }

    // A signal that would end the tool waits for the 219 writes, so that it
    // never leaves a half-written file system behind.
    holdEndingSignals();
    noteWorkInHand(WorkInHand::none);
    ProgressSink progress{reportToExecuteDialog, executeDialog};
    bool written = quickFormat(progress, startUnits, unitsTotal, FormatLabel);
    releaseEndingSignals();
    if (written)
        setControlText(formatDialog, controlId::formatStatusLine, messageCatalogue.formatCompletedText);
    else
        reportFailure(executeDialog, formatDialog);
    showFormatProgress(executeDialog, unitsTotal, unitsTotal);

    ProtectionState state = queryProtectionState(nullptr);
    sendRemount(driveIndex, state != stateReadWriteProtectedPassword);
    return written;
}
