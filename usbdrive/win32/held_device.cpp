// The chosen disk on Windows: the device QUIB_DEVICE names
// (\\.\PhysicalDriveN), kept open from one request to the next, and the
// claim on it while the tool changes it. The checks before a change: the
// disk is on the USB bus and removable (IOCTL_STORAGE_QUERY_PROPERTY), holds
// 78848 blocks of 512 bytes (READ CAPACITY, asked once per disk in the
// drive), and every volume of it can be locked (FSCTL_LOCK_VOLUME), which
// the system refuses while anybody has a file open on it. The volumes stay
// locked while the claim is held; a volume in use is never dismounted.
//
// Windows' disk driver polls a removable disk itself and may take the
// drive's report of a new disk (unit attention) before the tool sees it, so
// the disk's media change count (IOCTL_STORAGE_CHECK_VERIFY2) is compared
// before every command that changes the disk: a disk swapped while claimed
// gets the drive's own answer, "medium may have changed", and nothing.
#include "usbdrive/held_device.h"

#include "driverkit/disk_image.h"
#include "driverkit/request_record.h"
#include "usbdrive/win32/disk_calls.h"
#include "usbdrive/win32/scsi_passthrough.h"

#include <winioctl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* deviceVariable = "QUIB_DEVICE";
constexpr const char* nothingWritten = ": nothing is written to it";

struct HeldDisk {
    std::string name;                   // as QUIB_DEVICE named it
    HANDLE device = INVALID_HANDLE_VALUE;
    DWORD number = 0;                   // the system's disk number
    bool sized = false;                 // READ CAPACITY found a Quib! disk ...
    DWORD sizedChanges = 0;             // ... at this media change count
    bool claimed = false;
    DWORD claimedChanges = 0;           // the media change count when claimed
    std::vector<HANDLE> lockedVolumes;  // the disk's volumes, locked while claimed
} held;

std::uint32_t refusedBecause(const std::string& why)
{
    reportDeviceProblem(why.c_str());
    return statusNotCarriedOut;
}

// QUIB_DEVICE names a whole disk as \\.\PhysicalDriveN: the checks are
// made on a disk, so nothing else is taken.
bool chosenName(std::string& name, std::wstring& path)
{
    const char* named = std::getenv(deviceVariable);
    if (named == nullptr || named[0] == '\0')
        return false;
    std::string text = named, prefix = "\\\\.\\PhysicalDrive";
    bool fits = text.size() > prefix.size() && text.size() <= prefix.size() + 3 &&
                _strnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0 &&
                text.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
    if (!fits) {
        reportDeviceProblem(("QUIB_DEVICE names " + text + ": name the drive's disk as \\\\.\\PhysicalDriveN "
                             "(its number in Disk Management)").c_str());
        return false;
    }
    name = text;
    path.assign(text.begin(), text.end());
    return true;
}

bool control(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, HANDLE on = held.device)
{
    DWORD returned = 0;
    return diskCalls().deviceIoControl(on, code, in, inSize, out, outSize, &returned, nullptr) != 0;
}

// The disk's media change count; false when it cannot be asked (no disk).
bool mediaChanges(DWORD& count)
{
    return control(IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0, &count, sizeof count);
}

void noteOutcome(const ScsiOutcome& outcome)
{
    if (outcome.result == ScsiResult::gone) {
        releaseHeldDevice();
    } else if (meansDiskChanged(outcome)) {
        releaseClaim();
        held.sized = false;
    }
}

std::uint32_t checkBusAndMedia()
{
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    alignas(8) BYTE answer[1024] = {};
    if (!control(IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, answer, sizeof answer))
        return refusedBecause("cannot ask " + held.name + " what it is: " + systemWords(GetLastError()) +
                              nothingWritten);
    const auto* device = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(answer);
    if (device->BusType != BusTypeUsb)
        return refusedBecause(held.name + " is not attached through USB" + nothingWritten);
    if (!device->RemovableMedia)
        return refusedBecause(held.name + " is not a removable disk" + nothingWritten);
    return statusSuccess;
}

// READ CAPACITY, asked once more after a unit attention, which only
// reports a change.
ScsiOutcome heldCapacity(std::uint32_t& blocks, std::uint32_t& blockSize)
{
    ScsiOutcome outcome = readCapacity(held.device, blocks, blockSize);
    if (isUnitAttention(outcome))
        outcome = readCapacity(held.device, blocks, blockSize);
    return outcome;
}

// The checks before a change, all but the volumes: the size is asked once
// per disk in the drive (again whenever the media change count moved).
std::uint32_t checkDisk()
{
    if (std::uint32_t refusal = checkBusAndMedia(); refusal != statusSuccess)
        return refusal;
    DWORD changes = 0;
    bool counted = mediaChanges(changes);
    if (held.sized && counted && changes == held.sizedChanges)
        return statusSuccess;
    std::uint32_t blocks = 0, blockSize = 0;
    ScsiOutcome capacity = heldCapacity(blocks, blockSize);
    if (capacity.result == ScsiResult::gone) {
        releaseHeldDevice();
        return statusNoDrive;
    }
    if (capacity.result != ScsiResult::good || blocks != diskSectorCount || blockSize != diskSectorSize)
        return refusedBecause(held.name + " does not hold a disk of 78848 blocks of 512 bytes" + nothingWritten);
    held.sized = counted;
    held.sizedChanges = changes;
    return statusSuccess;
}

void unlockVolumes()
{
    for (HANDLE volume : held.lockedVolumes) {
        control(FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, volume);
        diskCalls().closeHandle(volume);
    }
    held.lockedVolumes.clear();
}

// The volume lies on the held disk (one of its extents does).
bool isOnHeldDisk(HANDLE volume)
{
    alignas(8) BYTE answer[sizeof(VOLUME_DISK_EXTENTS) + 15 * sizeof(DISK_EXTENT)] = {};
    if (!control(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, answer, sizeof answer, volume))
        return false; // not a volume of disks (a CD, a volume with no disk)
    const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(answer);
    for (DWORD i = 0; i < extents->NumberOfDiskExtents && i < 16; ++i)
        if (extents->Extents[i].DiskNumber == held.number)
            return true;
    return false;
}

// Locks every volume of the held disk; refuses when one is in use. A
// volume that cannot even be opened to ask leaves a doubt, and a doubt
// never lets a write through.
std::uint32_t lockVolumes()
{
    wchar_t name[MAX_PATH];
    HANDLE search = diskCalls().findFirstVolume(name, MAX_PATH);
    if (search == INVALID_HANDLE_VALUE)
        return refusedBecause("cannot list the volumes to check " + held.name + ": " + systemWords(GetLastError()) +
                              nothingWritten);
    std::uint32_t result = statusSuccess;
    do {
        std::wstring path = name;
        if (!path.empty() && path.back() == L'\\')
            path.pop_back(); // the volume itself, not its root folder
        HANDLE volume = diskCalls().createFile(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (volume == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            if (error == ERROR_NOT_READY || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                continue; // no medium, or gone meanwhile: nothing of it can be in use
            result = refusedBecause("cannot check the volumes of " + held.name + ": " + systemWords(error) +
                                    nothingWritten);
            break;
        }
        if (!isOnHeldDisk(volume)) {
            diskCalls().closeHandle(volume);
            continue;
        }
        if (!control(FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, volume)) {
            diskCalls().closeHandle(volume);
            result = refusedBecause("a volume of " + held.name +
                                    " is in use (a program has a file or folder of it open); close it first" +
                                    nothingWritten);
            break;
        }
        held.lockedVolumes.push_back(volume);
    } while (diskCalls().findNextVolume(search, name, MAX_PATH));
    diskCalls().findVolumeClose(search);
    if (result != statusSuccess)
        unlockVolumes();
    return result;
}

} // namespace

std::uint32_t holdChosenDevice()
{
    if (held.device != INVALID_HANDLE_VALUE)
        return statusSuccess;
    std::string name;
    std::wstring path;
    if (!chosenName(name, path))
        return statusNoDrive;
    HANDLE device = diskCalls().createFile(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (meansDeviceGone(error))
            return statusNoDrive;
        std::string hint = error == ERROR_ACCESS_DENIED ? " (run the tool as administrator)" : "";
        return refusedBecause("cannot open " + name + ": " + systemWords(error) + hint);
    }
    STORAGE_DEVICE_NUMBER number{};
    if (!control(IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, device)) {
        DWORD error = GetLastError();
        diskCalls().closeHandle(device);
        return refusedBecause("cannot ask " + name + " for its disk number: " + systemWords(error));
    }
    held = HeldDisk{};
    held.name = name;
    held.device = device;
    held.number = number.DeviceNumber;
    return statusSuccess;
}

ScsiOutcome sendToHeldDevice(const std::uint8_t* command, bool dataIn, void* buffer, std::uint32_t length)
{
    if (std::uint32_t status = holdChosenDevice(); status != statusSuccess) {
        ScsiOutcome failure;
        failure.result = status == statusNoDrive ? ScsiResult::gone : ScsiResult::notCarriedOut;
        return failure;
    }
    ScsiOutcome outcome = sendScsiCommand(held.device, command, dataIn, buffer, length);
    noteOutcome(outcome);
    return outcome;
}

std::uint32_t checkHeldDisk()
{
    if (std::uint32_t status = holdChosenDevice(); status != statusSuccess)
        return status;
    return checkDisk();
}

std::uint32_t claimHeldDisk()
{
    if (held.claimed) {
        // The disk claimed is still the one in the drive.
        DWORD changes = 0;
        if (mediaChanges(changes) && changes == held.claimedChanges)
            return statusSuccess;
        releaseClaim();
        held.sized = false;
        return statusCheckCondition;
    }
    if (std::uint32_t refusal = checkHeldDisk(); refusal != statusSuccess)
        return refusal;
    if (!mediaChanges(held.claimedChanges))
        return refusedBecause("cannot ask " + held.name + " whether its disk changed: " + systemWords(GetLastError()) +
                              nothingWritten);
    if (std::uint32_t refusal = lockVolumes(); refusal != statusSuccess)
        return refusal;
    held.claimed = true;
    return statusSuccess;
}

bool heldDiskClaimed() { return held.claimed; }

void releaseClaim()
{
    unlockVolumes();
    held.claimed = false;
}

void releaseHeldDevice()
{
    releaseClaim();
    if (held.device != INVALID_HANDLE_VALUE)
        diskCalls().closeHandle(held.device);
    held = HeldDisk{};
}

bool heldDeviceHasDisk() { return held.device != INVALID_HANDLE_VALUE; }

// The system reads the partitions again with the volumes unlocked, so it
// can mount what it finds.
std::uint32_t rereadHeldDisk()
{
    if (!held.claimed)
        if (std::uint32_t refusal = checkHeldDisk(); refusal != statusSuccess)
            return refusal;
    releaseClaim();
    if (!control(IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0)) {
        DWORD error = GetLastError();
        if (meansDeviceGone(error)) {
            releaseHeldDevice();
            return statusNoDrive;
        }
        return refusedBecause("the system cannot read the partitions of " + held.name + " again: " + systemWords(error));
    }
    return statusSuccess;
}
