#include "protection/protection_status.h"

#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "os/pause.h"
#include "os/work_in_hand.h"
#include "os/wide_format.h"
#include "ui/framework/message_catalogue.h"

#include <cstddef>
#include <cstring>

bool protectionModeOn = false;

namespace {

// The callers' text buffers hold at least this many characters.
constexpr std::size_t textCapacity = 78;

// The drive's first sense byte for "medium not present".
constexpr std::uint8_t senseNoMedium = 0x3A;

// A drive that reports anything else (unit attention after a disk change,
// not ready while spinning up, ...) is probed again. A unit attention is
// reported once and cleared by that report, so the first repeat goes out at
// once; after that the drive is given a pause between probes. A drive
// spinning up is ready within a few seconds; one still not ready after
// 300 repeats (about half a minute of pauses) is taken to hold no usable
// disk, so the query ends with NoDisk instead of waiting for ever.
constexpr unsigned probeRepeatLimit = 300;
constexpr std::uint32_t probePauseMilliseconds = 100;

// Vendor status page 2: the state is the low 4 bits of byte 21.
constexpr std::uint16_t vendorStatusPage = 2;
constexpr std::size_t vendorStatusLength = 64;
constexpr std::size_t stateByte = 21;

// A status page that could not be read gives state 15: a code without a
// text, which the dialogs treat as unknown (no protection change offered,
// the Protect dialog calls the protect information broken). Reading it as 0
// would present an unread disk as a confirmed unprotected one.
constexpr ProtectionState stateUnread = 15;

// Mode page 0x2F as MODE SENSE(6) returns it: 4-byte header, 8-byte block
// descriptor, then the page (code, length, four parameter bytes). The switch
// is bit 0x20 of the page's first parameter byte.
constexpr std::uint16_t protectionModePage = 0x2F;
constexpr std::size_t modeSenseLength = 18;
constexpr std::size_t pageOffset = 12;
constexpr std::size_t pageLength = 6;
constexpr std::size_t headerLength = 4;
constexpr std::size_t switchByte = headerLength + 2;
constexpr std::uint8_t protectionModeBit = 0x20;

// The states that have a text, and the catalogue entry holding it.
struct StateText {
    ProtectionState state;
    const char16_t* MessageCatalogue::*text;
};

constexpr StateText stateTexts[] = {
    {stateNotProtected, &MessageCatalogue::stateNormalText},
    {stateWriteProtected, &MessageCatalogue::stateWriteProtectedText},
    {stateWriteProtectedPassword, &MessageCatalogue::stateWriteProtectedPasswordText},
    {stateReadWriteProtectedPassword, &MessageCatalogue::stateReadWriteProtectedPasswordText},
    {stateTempUnprotectedWrite, &MessageCatalogue::stateTempUnprotectedWriteText},
    {stateTempUnprotectedWritePassword, &MessageCatalogue::stateTempUnprotectedWritePasswordText},
    {stateTempUnprotectedReadWritePassword, &MessageCatalogue::stateTempUnprotectedReadWritePasswordText},
    {NoDisk, &MessageCatalogue::noDiskText},
    {NoDrive, &MessageCatalogue::noDriveText},
};

// Copies the state's text when the caller gave a buffer and the state has
// one; otherwise the buffer keeps what it held.
void copyStateText(char16_t* text, ProtectionState state)
{
    if (text == nullptr)
        return;
    for (const StateText& entry : stateTexts)
        if (entry.state == state) {
            copyWide(text, textCapacity, messageCatalogue.*entry.text);
            return;
        }
}

enum class DriveContent { NoDrive, NoDisk, Disk };

// Not ready, format in progress: a Long Format cut short goes on in the drive.
bool reportsFormatInProgress(const std::uint8_t* sense) { return sense[0] == 0x04 && sense[1] == 0x04; }

DriveContent probeUntilSettled()
{
    std::uint8_t sense[2];
    for (unsigned repeat = 0;; ++repeat) {
        if (!probeDrive(driveIndex, sense))
            return DriveContent::NoDrive;
        if (sense[0] == senseNoMedium)
            return DriveContent::NoDisk;
        if (sense[0] == 0)
            return DriveContent::Disk;
        if (repeat == probeRepeatLimit)
            return DriveContent::NoDisk;
        if (reportsFormatInProgress(sense))
            noteWorkInHand(WorkInHand::waitingForFormattingDrive);
        if (repeat > 0)
            sleepMilliseconds(probePauseMilliseconds);
    }
}

// Probes until the drive reports ready, no disk, or no answer at all. A
// wait for a drive still formatting is noted, so the host can say why the
// query takes long.
DriveContent waitForDrive()
{
    DriveContent content = probeUntilSettled();
    if (workInHand() == WorkInHand::waitingForFormattingDrive)
        noteWorkInHand(WorkInHand::none);
    return content;
}

// Reads the state from vendor status page 2; false when it cannot be read.
bool readState(ProtectionState* state)
{
    // Filled first so that a short answer also reads as unread.
    std::uint8_t answer[vendorStatusLength];
    std::memset(answer, 0xFF, sizeof answer);
    if (!readVendorStatus(driveIndex, answer, vendorStatusPage))
        return false;
    *state = answer[stateByte] & 0x0F;
    return true;
}

} // namespace

ProtectionState queryProtectionState(char16_t* text)
{
    switch (waitForDrive()) {
    case DriveContent::NoDrive:
        copyStateText(text, NoDrive);
        return NoDrive;
    case DriveContent::NoDisk:
        copyStateText(text, NoDisk);
        return NoDisk;
    case DriveContent::Disk:
        break;
    }

    // The drive reports the protection only with the mode on. A switch-on
    // that fails is passed over: the page is read all the same, and the flag
    // stays off so the next query tries again.
    bool flagSaidOn = protectionModeOn;
    if (!protectionModeOn)
        switchProtectionMode(true);

    ProtectionState state = stateUnread;
    // A drive unplugged and plugged in again has its mode off while the flag
    // still says on, and refuses the read: switch the mode on once, read again.
    if (!readState(&state) && flagSaidOn && switchProtectionMode(true))
        readState(&state);

    copyStateText(text, state);
    return state;
}

bool stateOfStatusText(const char16_t* text, ProtectionState* state)
{
    for (const StateText& entry : stateTexts)
        if (wideEqual(text, messageCatalogue.*entry.text)) {
            *state = entry.state;
            return true;
        }
    return false;
}

bool switchProtectionMode(bool on)
{
    // Cleared first, so a short answer never sends stale bytes back.
    std::uint8_t current[modeSenseLength] = {};
    if (!modeSense(driveIndex, current, protectionModePage))
        return false;

    // The page is always taken from behind the header and an 8-byte block
    // descriptor, and sent back behind a header without block descriptor.
    std::uint8_t list[headerLength + pageLength] = {};
    std::memcpy(list + headerLength, current + pageOffset, pageLength);
    if (on)
        list[switchByte] |= protectionModeBit;
    else
        list[switchByte] &= static_cast<std::uint8_t>(~protectionModeBit);

    if (!modeSelect(driveIndex, list, protectionModePage))
        return false;
    protectionModeOn = on;
    return true;
}
