#include "drive/drive_commands.h"

#include "device/operation_codes.h"
#include "driverkit/disk_image.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t protectionModePage = 0x2F;
constexpr std::uint8_t allModePages = 0x3F;
constexpr std::uint8_t protectionModeBit = 0x20;
constexpr std::uint8_t protectionStatusPage = 2;
constexpr std::size_t protectionStatusLength = 64;
constexpr std::size_t protectionStateByte = 21;

CommandOutcome fail(const Failure& why) { return {why, 0}; }
CommandOutcome succeed(std::uint32_t moved = 0) { return {std::nullopt, moved}; }

std::uint32_t bigEndian(const std::uint8_t* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// Data that the drive answers: at most the allocation length of the command
// and at most what the caller's buffer holds.
CommandOutcome answer(const CommandData& data, const std::uint8_t* bytes, std::size_t length, std::size_t allocation)
{
    std::size_t count = std::min({length, allocation, std::size_t(data.transferLength)});
    if (count > 0 && !data.dataIn)
        return fail(failure::invalidFieldInCommand); // the caller's buffer is not meant to be written
    if (count > 0)
        std::memcpy(data.buffer, bytes, count);
    return succeed(std::uint32_t(count));
}

// Data sent to the drive must be exactly as long as the command says.
bool fitsDataOut(const CommandData& data, std::uint32_t length)
{
    return data.transferLength == length && (length == 0 || !data.dataIn);
}

// Why a command that needs the disk cannot run now, if it cannot.
std::optional<Failure> mediumNotReady(const DriveSession& drive)
{
    if (!drive.hasDisk())
        return failure::mediumNotPresent;
    if (drive.state.formatting)
        return failure::formatInProgress;
    return std::nullopt;
}

CommandOutcome testUnitReady(DriveSession& drive)
{
    if (auto why = mediumNotReady(drive))
        return fail(*why);
    return succeed();
}

// What REQUEST SENSE reports, most pressing first: a disk change not yet
// reported, a running format's progress, the last failure's sense, an empty
// slot, and otherwise no sense at all.
CommandOutcome requestSense(DriveSession& drive, const CommandData& data)
{
    if (data.command[1] & 0x01)
        return fail(failure::invalidFieldInCommand); // descriptor format: only the fixed one is kept
    SenseData sense;
    bool reportsChange = drive.state.mediumChanged;
    if (reportsChange) {
        sense = fixedSense(failure::mediumChanged);
    } else if (drive.state.formatting) {
        // Sense-key specific bytes: valid bit, then the progress in 65536ths.
        std::uint16_t progress = formatProgress(drive);
        sense = fixedSense(failure::formatInProgress, 0x80, std::uint8_t(progress >> 8), std::uint8_t(progress));
    } else if (drive.state.pendingSense) {
        sense = *drive.state.pendingSense;
    } else if (!drive.hasDisk()) {
        sense = fixedSense(failure::mediumNotPresent);
    } else {
        sense = fixedSense({senseKey::noSense, 0, 0});
    }
    CommandOutcome outcome = answer(data, sense.data(), sense.size(), data.command[4]);
    if (!outcome.failure) {
        drive.state.mediumChanged = false; // reported
        drive.state.pendingSense.reset();
    }
    return outcome;
}

CommandOutcome formatUnit(DriveSession& drive, const CommandData& data)
{
    // A parameter list must follow (FmtData), in defect list format 0
    // without protection information.
    std::uint8_t flags = data.command[1];
    if (!(flags & 0x10) || (flags & 0xC7) != 0 || !fitsDataOut(data, 4))
        return fail(failure::invalidFieldInCommand);
    if (auto why = mediumNotReady(drive))
        return fail(*why);
    // The header must ask for an immediate answer (the format then runs on
    // its own while the caller polls REQUEST SENSE) and carry no defect list.
    const std::uint8_t* header = data.buffer;
    constexpr std::uint8_t immediate = 0x02, knownOptions = 0x80 | 0x20 | immediate;
    if (header[0] != 0 || !(header[1] & immediate) || (header[1] & ~knownOptions) != 0 || header[2] != 0 ||
        header[3] != 0)
        return fail(failure::invalidFieldInParameters);
    if (!startFormat(drive))
        return fail(failure::formatFailed);
    return succeed();
}

CommandOutcome modeSense(DriveSession& drive, const CommandData& data)
{
    bool withoutBlockDescriptor = data.command[1] & 0x08;
    std::uint8_t page = data.command[2] & 0x3F;
    std::uint8_t pageControl = data.command[2] >> 6;
    if ((page != protectionModePage && page != allModePages) || data.command[3] != 0)
        return fail(failure::invalidFieldInCommand);
    if (pageControl == 3)
        return fail(failure::savingNotSupported);

    std::uint8_t reply[18] = {};
    std::size_t at = 4;
    reply[2] = drive.hasDisk() && !allowsWriting(drive.protection.state) ? 0x80 : 0x00; // write-protected
    if (!withoutBlockDescriptor) {
        reply[3] = 8;
        std::uint32_t blocks = drive.hasDisk() ? diskSectorCount : 0;
        reply[4] = std::uint8_t(blocks >> 24);
        reply[5] = std::uint8_t(blocks >> 16);
        reply[6] = std::uint8_t(blocks >> 8);
        reply[7] = std::uint8_t(blocks);
        reply[10] = std::uint8_t(diskSectorSize >> 8);
        reply[11] = std::uint8_t(diskSectorSize);
        at = 12;
    }
    reply[at] = protectionModePage;
    reply[at + 1] = 4;
    // Current value, the changeable bits, or the default (off).
    if (pageControl == 0)
        reply[at + 2] = drive.state.protectionMode ? protectionModeBit : 0;
    else if (pageControl == 1)
        reply[at + 2] = protectionModeBit;
    std::size_t length = at + 6;
    reply[0] = std::uint8_t(length - 1);
    return answer(data, reply, length, data.command[4]);
}

CommandOutcome modeSelect(DriveSession& drive, const CommandData& data)
{
    std::uint8_t length = data.command[4];
    // Page format only, and nothing can be saved.
    if (!(data.command[1] & 0x10) || (data.command[1] & 0x01) || !fitsDataOut(data, length))
        return fail(failure::invalidFieldInCommand);
    if (length == 0)
        return succeed(); // nothing to change
    const std::uint8_t* list = data.buffer;
    if (length < 4)
        return fail(failure::invalidFieldInParameters);
    std::uint8_t descriptorLength = list[3];
    if (descriptorLength != 0 && descriptorLength != 8)
        return fail(failure::invalidFieldInParameters);
    // The block descriptor must lie inside the list before it is read.
    if (length < 4 + descriptorLength)
        return fail(failure::invalidFieldInParameters);
    if (descriptorLength == 8 && bigEndian(list + 9, 3) != diskSectorSize)
        return fail(failure::invalidFieldInParameters);
    std::size_t at = 4 + descriptorLength;
    // Exactly page 0x2F, in which only the protection mode bit can change.
    if (length != at + 6 || (list[at] & 0x3F) != protectionModePage || list[at + 1] != 4 ||
        (list[at + 2] & ~protectionModeBit) != 0 || list[at + 3] != 0 || list[at + 4] != 0 || list[at + 5] != 0)
        return fail(failure::invalidFieldInParameters);
    drive.state.protectionMode = list[at + 2] & protectionModeBit;
    return succeed();
}

CommandOutcome vendorStatus(DriveSession& drive, const CommandData& data)
{
    if (data.command[2] != protectionStatusPage)
        return fail(failure::invalidFieldInCommand);
    if (!drive.state.protectionMode)
        return fail(failure::commandSequenceError);
    if (auto why = mediumNotReady(drive))
        return fail(*why);
    std::uint8_t page[protectionStatusLength] = {};
    page[0] = protectionStatusPage;
    page[1] = protectionStatusLength - 2;
    page[protectionStateByte] = drive.protection.state & 0x0F;
    return answer(data, page, sizeof page, data.command[4]);
}

CommandOutcome vendorProtection(DriveSession& drive, const CommandData& data)
{
    std::uint8_t passwordLength = data.command[4];
    if ((data.command[1] & 0xF0) != 0 || !fitsDataOut(data, passwordLength))
        return fail(failure::invalidFieldInCommand);
    if (!drive.state.protectionMode)
        return fail(failure::commandSequenceError);
    if (auto why = mediumNotReady(drive))
        return fail(*why);
    std::string_view password(reinterpret_cast<const char*>(data.buffer), passwordLength);
    switch (changeProtection(drive.protection, data.command[1] & 0x0F, password)) {
    case ProtectionChange::done: return succeed();
    case ProtectionChange::unknownMode: return fail(failure::invalidFieldInCommand);
    case ProtectionChange::doesNotFitState: return fail(failure::commandSequenceError);
    case ProtectionChange::badPasswordField: return fail(failure::invalidFieldInParameters);
    case ProtectionChange::wrongPassword: return fail(failure::accessNotAuthorized);
    case ProtectionChange::hashFailed: break;
    }
    return fail(failure::internalFailure);
}

CommandOutcome readOrWrite(DriveSession& drive, const CommandData& data, bool reading)
{
    std::uint32_t block = bigEndian(data.command + 2, 4);
    std::uint32_t count = bigEndian(data.command + 7, 2);
    std::uint32_t bytes = count * diskSectorSize;
    bool lengthFits = reading ? data.transferLength >= bytes && (bytes == 0 || data.dataIn) : fitsDataOut(data, bytes);
    if (!lengthFits)
        return fail(failure::invalidFieldInCommand);
    if (auto why = mediumNotReady(drive))
        return fail(*why);
    if (std::uint64_t(block) + count > diskSectorCount)
        return fail(failure::blockOutOfRange);
    if (reading && !allowsReading(drive.protection.state))
        return fail(failure::accessNotAuthorized);
    if (!reading && !allowsWriting(drive.protection.state))
        return fail(failure::writeProtected);
    if (count == 0)
        return succeed();
    if (reading)
        return readSectorsFrom(drive.imageFd(), block, count, data.buffer) ? succeed(bytes) : fail(failure::readError);
    return writeSectorsTo(drive.imageFd(), block, count, data.buffer) ? succeed() : fail(failure::writeError);
}

} // namespace

CommandOutcome carryOutCommand(DriveSession& drive, const CommandData& data)
{
    // A disk change (or a reset) fails the next command once, whatever it
    // is, so nothing meant for the disk that was there reaches another;
    // REQUEST SENSE alone reports the change instead.
    if (drive.state.mediumChanged && data.command[0] != operationCode::requestSense) {
        drive.state.mediumChanged = false;
        return fail(failure::mediumChanged);
    }
    switch (data.command[0]) {
    case operationCode::testUnitReady: return testUnitReady(drive);
    case operationCode::requestSense: return requestSense(drive, data);
    case operationCode::formatUnit: return formatUnit(drive, data);
    case operationCode::vendorStatus: return vendorStatus(drive, data);
    case operationCode::vendorProtection: return vendorProtection(drive, data);
    case operationCode::modeSelect6: return modeSelect(drive, data);
    case operationCode::modeSense6: return modeSense(drive, data);
    case operationCode::read10: return readOrWrite(drive, data, true);
    case operationCode::write10: return readOrWrite(drive, data, false);
    default: return fail(failure::invalidOperationCode);
    }
}
