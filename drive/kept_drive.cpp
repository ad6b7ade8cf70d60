#include "drive/kept_drive.h"

#include "drive/drive_files.h"
#include "drive/drive_lock.h"

#include <algorithm>
#ifndef _WIN32
#include <pthread.h>
#endif

namespace {

struct KeptDrive {
    unsigned folderGeneration = 0;
    std::uint64_t seenChange = 0; // the drive's change count when what is kept was read or written
    bool stateKept = false;
    DriveState state;
    std::string protectionDisk;
    ProtectionRecord protection;
    std::string imageDisk;
    FileHandle image = noFile;

    void forgetImage()
    {
        closeFile(image);
        imageDisk.clear();
    }

    void letGoOfFiles()
    {
        stateKept = false;
        protectionDisk.clear();
        forgetImage();
    }
} kept;

#ifndef _WIN32
// A child made by fork shares its parent's open files: it starts afresh.
[[maybe_unused]] const int forkHandler = pthread_atfork(nullptr, nullptr, startDriveAfresh);
#endif

// Puts the powered fields into a state read from the state file: those of
// the record when it is whole and belongs to this state file; otherwise
// (a record torn by a crash, left from a state file since replaced by
// other means, or never written) those of a drive just powered on, which
// reports a disk in its slot as possibly changed.
DriveState withPoweredFields(DriveState state)
{
    std::optional<PoweredFields> record = readPoweredFields();
    if (record && record->generation == state.generation) {
        state.protectionMode = record->protectionMode;
        state.mediumChanged = record->mediumChanged;
        state.pendingSense = record->sense;
    } else {
        state.protectionMode = false;
        state.mediumChanged = state.plugged && !state.disk.empty();
        state.pendingSense.reset();
    }
    return state;
}

void writePoweredRecord(const DriveState& state)
{
    writePoweredFields({state.generation, state.protectionMode, state.mediumChanged, state.pendingSense});
}

// This program's own lasting change: what it kept is what it wrote.
void noteOwnChange() { kept.seenChange = noteDriveChange(); }

} // namespace

void keepForFolders(unsigned folderGeneration)
{
    if (kept.folderGeneration != folderGeneration) {
        kept.letGoOfFiles();
        closeDriveLock();
    }
    kept.folderGeneration = folderGeneration;
}

void startDriveAfresh()
{
    kept.letGoOfFiles();
    closeDriveLock();
    forgetDriveFolders();
    kept.folderGeneration = driveFolderGeneration();
}

bool keepUpWithDrive()
{
    if (kept.stateKept && driveChangeCount() == kept.seenChange)
        return true;
    kept.letGoOfFiles();
    kept.seenChange = driveChangeCount();
    return heldFoldersStillPrivate();
}

std::optional<DriveState> keptDriveState()
{
    if (kept.stateKept)
        return withPoweredFields(kept.state);
    std::optional<std::string> text = readWholeFileIn(driveFolderFd(), driveStateName);
    if (!text)
        return std::nullopt;
    kept.state = parseDriveState(*text);
    kept.stateKept = true;
    return withPoweredFields(kept.state);
}

bool saveKeptDriveState(DriveState& state, bool lastingChanged)
{
    // Only the powered fields changed, and the state file read at the
    // request's start is still the one in place: the record alone.
    if (!lastingChanged && kept.stateKept && kept.state.generation == state.generation) {
        writePoweredRecord(state);
        return true;
    }
    // A new generation, beyond both the file's and the record's, so that a
    // record left from any earlier state file never counts for this one.
    DriveState next = state;
    std::optional<PoweredFields> record = readPoweredFields();
    next.generation = std::max(state.generation, record ? record->generation : 0) + 1;
    // A crash before the record is written leaves it naming the old
    // generation: the new state then reads as just powered on.
    if (!saveDriveStateIn(driveFolderFd(), driveStateName, next, lastingChanged)) {
        kept.stateKept = false;
        return false;
    }
    kept.state = next;
    kept.stateKept = true;
    state.generation = next.generation;
    writePoweredRecord(next);
    noteOwnChange();
    return true;
}

ProtectionRecord keptProtection(const std::string& disk)
{
    if (kept.protectionDisk == disk)
        return kept.protection;
    std::optional<std::string> text = readWholeFileIn(disksFolderFd(), protectionRecordName(disk));
    kept.protection = text ? parseProtectionRecord(*text) : ProtectionRecord{stateBroken, {}};
    kept.protectionDisk = disk;
    return kept.protection;
}

bool saveKeptProtection(const std::string& disk, const ProtectionRecord& record)
{
    kept.protectionDisk.clear();
    if (!saveProtectionRecordIn(disksFolderFd(), protectionRecordName(disk), record))
        return false;
    kept.protectionDisk = disk;
    kept.protection = record;
    noteOwnChange();
    return true;
}

bool checkImage(const std::string& disk)
{
    if (kept.imageDisk == disk && kept.image != noFile)
        return true;
    forgetImage();
    // An image that cannot be written (a read-only file) still reads. A
    // FIFO or a device in the image's place is opened without waiting,
    // and is no disk.
    OpenFailure failure = OpenFailure::none;
    FileHandle image = openDriveFileIn(disksFolderFd(), diskImageName(disk), FileAccess::readWrite, &failure);
    if (image == noFile && failure == OpenFailure::refused)
        image = openDriveFileIn(disksFolderFd(), diskImageName(disk), FileAccess::read);
    if (image == noFile) {
        // A plain file that cannot be opened is still the disk in the slot:
        // its reads and writes fail.
        bool plain = kindOfNameIn(disksFolderFd(), diskImageName(disk)) == FileKind::plain;
        if (plain)
            kept.imageDisk = disk;
        return plain;
    }
    if (kindOf(image) != FileKind::plain) {
        closeFile(image);
        return false;
    }
    kept.image = image;
    kept.imageDisk = disk;
    return true;
}

FileHandle imageOf(const std::string& disk)
{
    if (kept.imageDisk != disk && !checkImage(disk))
        return noFile;
    return kept.image;
}
void forgetImage() { kept.forgetImage(); }
