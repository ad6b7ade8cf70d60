#include "drive/virtual_drive.h"

#include "driverkit/disk_image.h"
#include "drive/drive_files.h"
#include "drive/drive_lock.h"
#include "drive/kept_drive.h"
#include "driverkit/mount_folder.h"
#include "drive/sense.h"

#include <chrono>

bool isDiskImage(const std::string& name)
{
    return isValidDiskName(name) && disksFolderFd() != noFile &&
           kindOfNameIn(disksFolderFd(), diskImageName(name)) == FileKind::plain;
}

std::int64_t wallClockMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

namespace {

// Requests from threads of one process take turns: they share the kept
// files, and a lock taken through one open file does not keep out another
// holder of the same file.
std::mutex requestTurn;

} // namespace

DriveSession::DriveSession() : turn(requestTurn)
{
    // Both folders must be fit for use before anything is read or written.
    if (!holdDriveFolders())
        return;
    keepForFolders(driveFolderGeneration());
    if (!lockDrive())
        return;
    locked = true;
    // What another program changed since this one's last request is read
    // afresh; otherwise nothing is looked at.
    if (!keepUpWithDrive()) {
        unlockDrive();
        locked = false;
        return;
    }

    savedState = keptDriveState();
    if (savedState) {
        state = *savedState;
    } else {
        // Nothing set up yet: a plugged drive with a blank disk.
        state = DriveState{};
        if (isDiskImage(firstDiskName) || createDisk(firstDiskName))
            state.disk = firstDiskName;
    }
    // A disk whose image is gone, or is a link, has left the drive (seen
    // when the drive's files are read afresh).
    if (hasDisk() && !checkImage(state.disk)) {
        state.disk.clear();
        state.mountFolder.clear();
    }
    if (!hasDisk()) {
        forgetImage();
        state.formatting = false;
        state.mediumChanged = false;
    }
    protectionDisk = state.disk;
    if (hasDisk())
        protection = keptProtection(state.disk);
    savedProtection = protection;

    if (!savedState && hasDisk())
        mountDisk(*this, allowsReading(protection.state));
    // The state file's numbers are in range (0 up to now for the start);
    // a start after now means the clock went back, and the format counts
    // from now, so it still ends within its duration.
    std::int64_t now = wallClockMs();
    if (state.formatting && state.formatStartMs > now)
        state.formatStartMs = now;
    if (state.formatting && now - state.formatStartMs >= std::int64_t(state.formatDurationMs) &&
        !finishFormat(*this))
        state.pendingSense = fixedSense(failure::formatFailed);
}

DriveSession::~DriveSession()
{
    // The lock file stays open for the next request; only the lock goes.
    if (locked)
        unlockDrive();
    releaseDriveFolders();
}

std::string DriveSession::imagePath() const { return hasDisk() ? diskImagePath(state.disk) : std::string(); }

FileHandle DriveSession::imageFd() const { return hasDisk() ? imageOf(state.disk) : noFile; }

bool DriveSession::saveProtection()
{
    if (protectionDisk.empty() || protection == savedProtection)
        return true;
    if (!saveKeptProtection(protectionDisk, protection))
        return false;
    savedProtection = protection;
    return true;
}

void DriveSession::changeDisk(const std::string& name)
{
    saveProtection();
    state.disk = name;
    protectionDisk = name;
    protection = name.empty() ? ProtectionRecord{} : keptProtection(name);
    savedProtection = protection;
}

bool DriveSession::save()
{
    if (!ready() || !saveProtection())
        return false;
    if (savedState && *savedState == state)
        return true;
    // A new state file is flushed before it replaces the old, so a crash
    // leaves one or the other whole. When only what a power loss clears
    // anyway changed (the tool switches the protection mode on and off
    // around every status query), only the lock file's shared record is
    // written: no file replaced, no flush.
    bool lasting = !savedState || !differsOnlyInPoweredState(*savedState, state);
    if (!saveKeptDriveState(state, lasting))
        return false;
    savedState = state;
    return true;
}

bool createDisk(const std::string& name)
{
    FileHandle disks = disksFolderFd();
    if (!isValidDiskName(name) || disks == noFile)
        return false;
    if (!createBlankImageIn(disks, diskImageName(name)))
        return false;
    if (!saveProtectionRecordIn(disks, protectionRecordName(name), ProtectionRecord{})) {
        removeFileIn(disks, diskImageName(name));
        return false;
    }
    return true;
}

void mountDisk(DriveSession& drive, bool readable)
{
    drive.state.mountFolder = drive.hasDisk() && readable ? chooseMountFolder(drive.imageFd()) : std::string();
}

bool startFormat(DriveSession& drive)
{
    drive.state.formatting = true;
    drive.state.formatStartMs = wallClockMs();
    drive.state.formatDurationMs = drive.state.formatTimeMs;
    return drive.state.formatDurationMs > 0 || finishFormat(drive);
}

std::uint16_t formatProgress(const DriveSession& drive)
{
    if (!drive.state.formatting || drive.state.formatDurationMs == 0)
        return 0;
    // The session keeps the start between 0 and the time it began.
    std::int64_t elapsed = wallClockMs() - drive.state.formatStartMs;
    if (elapsed <= 0)
        return 0;
    if (elapsed >= std::int64_t(drive.state.formatDurationMs))
        return 0xFFFF;
    return std::uint16_t(elapsed * 65536 / drive.state.formatDurationMs);
}

bool finishFormat(DriveSession& drive)
{
    drive.state.formatting = false;
    if (!drive.hasDisk() || !eraseImage(drive.imageFd()))
        return false;
    drive.protection = ProtectionRecord{};
    return true;
}

void insertDisk(DriveSession& drive, const std::string& name)
{
    drive.changeDisk(name);
    drive.state.mediumChanged = true;
    if (drive.state.plugged)
        mountDisk(drive, allowsReading(drive.protection.state));
}

void ejectDisk(DriveSession& drive)
{
    if (drive.state.formatting)
        finishFormat(drive);
    endLiftUntilEject(drive.protection);
    drive.changeDisk("");
    drive.state.mediumChanged = false;
    drive.state.mountFolder.clear();
}

void plugDrive(DriveSession& drive)
{
    drive.state.plugged = true;
    drive.state.protectionMode = false;
    drive.state.pendingSense.reset();
    // Without power the drive cannot tell whether its disk was changed, so
    // it reports the disk as possibly changed (0x28), as after an insert.
    drive.state.mediumChanged = drive.hasDisk();
    if (drive.hasDisk())
        mountDisk(drive, allowsReading(drive.protection.state));
}

void unplugDrive(DriveSession& drive)
{
    if (drive.state.formatting)
        finishFormat(drive);
    endLiftUntilEject(drive.protection);
    drive.state.plugged = false;
    drive.state.protectionMode = false;
    drive.state.pendingSense.reset();
    drive.state.mountFolder.clear();
}
