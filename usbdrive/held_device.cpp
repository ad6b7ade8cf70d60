#include "usbdrive/held_device.h"

#include "driverkit/disk_image.h"
#include "driverkit/request_record.h"
#include "usbdrive/chosen_device.h"
#include "usbdrive/scsi_passthrough.h"
#include "usbdrive/usb_host.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace {

ChosenDevice held;
int heldNode = -1;  // the node the commands go through
int claimNode = -1; // the whole-disk node opened with O_EXCL: the checks passed
// The kernel's sequence number of the disk in the drive (sysfs "diskseq",
// which it counts up at each medium change it sees, also through its own
// TEST UNIT READY) when READ CAPACITY last found a Quib! disk; empty when
// none was found since the disk may have changed.
std::string sizedDisk;

std::string diskSequence()
{
    return held.disk.empty() ? std::string() : sysText("/sys/class/block/" + held.disk + "/diskseq");
}

void closeIfOpen(int& node)
{
    if (node >= 0)
        usbHost().closeNode(node);
    node = -1;
}

// Lets go of the claim, and forgets the disk's size, when the disk changed;
// of everything when the device went away.
void noteOutcome(const ScsiOutcome& outcome)
{
    if (outcome.result == ScsiResult::gone) {
        releaseHeldDevice();
    } else if (meansDiskChanged(outcome)) {
        releaseClaim();
        sizedDisk.clear();
    }
}

std::uint32_t refusedBecause(const std::string& why)
{
    reportDeviceProblem(why);
    return statusNotCarriedOut;
}

// The claim is taken on the device behind the chosen path as it is now: a
// new node name or device number there (the drive plugged in again, or
// another drive) starts over with the device found now.
std::uint32_t followChosenPath()
{
    ChosenDevice now;
    if (!findChosenDevice(now)) {
        releaseHeldDevice();
        return statusNoDrive;
    }
    if (heldNode >= 0 && now.node == held.node) {
        unsigned long long number = usbHost().numberOfNode(heldNode);
        if (number != 0 && number == usbHost().numberOfPath(now.node)) {
            held = now;
            return statusSuccess;
        }
    }
    releaseHeldDevice();
    return holdChosenDevice();
}

// READ CAPACITY, asked once more after a unit attention, which only
// reports a change.
ScsiOutcome heldCapacity(std::uint32_t& blocks, std::uint32_t& blockSize)
{
    ScsiOutcome outcome = readCapacity(heldNode, blocks, blockSize);
    if (isUnitAttention(outcome))
        outcome = readCapacity(heldNode, blocks, blockSize);
    return outcome;
}

// The checks before a change: a USB-attached, removable disk with nothing
// of it mounted, of 78848 blocks of 512 bytes. The mount table is read
// before anything is sent, so a mounted disk gets no command at all; the
// size is asked once per disk in the drive.
std::uint32_t checkDisk()
{
    const std::string nothingWritten = ": nothing is written to it";
    if (!isUsbAttached(held))
        return refusedBecause(held.node + " is not attached through USB" + nothingWritten);
    if (!isRemovable(held))
        return refusedBecause(held.node + " is not a removable disk" + nothingWritten);
    if (hasMountedPartition(held))
        return refusedBecause(held.node + " has a mounted file system; unmount it first");
    // The size is asked once per disk: again when the kernel counted a new
    // disk, and every time where it does not count them.
    std::string sequence = diskSequence();
    if (!sequence.empty() && sequence == sizedDisk)
        return statusSuccess;
    std::uint32_t blocks = 0, blockSize = 0;
    ScsiOutcome capacity = heldCapacity(blocks, blockSize);
    if (capacity.result == ScsiResult::gone) {
        releaseHeldDevice();
        return statusNoDrive;
    }
    if (capacity.result != ScsiResult::good || blocks != diskSectorCount || blockSize != diskSectorSize)
        return refusedBecause(held.node + " does not hold a disk of 78848 blocks of 512 bytes" + nothingWritten);
    sizedDisk = sequence;
    return statusSuccess;
}

} // namespace

std::uint32_t holdChosenDevice()
{
    if (heldNode >= 0)
        return statusSuccess;
    ChosenDevice device;
    if (!findChosenDevice(device))
        return statusNoDrive;
    ScsiOutcome failure;
    int node = openCommandNode(device.node, failure);
    if (node < 0)
        return failure.result == ScsiResult::gone ? statusNoDrive : statusNotCarriedOut;
    held = device;
    heldNode = node;
    return statusSuccess;
}

bool heldDeviceHasDisk() { return !held.disk.empty(); }

// The kernel needs the disk unclaimed to read its partitions (BLKRRPART),
// so the claim is let go first.
std::uint32_t rereadHeldDisk()
{
    if (!heldDiskClaimed()) {
        if (hasMountedPartition(held)) {
            reportDeviceProblem(diskNode(held) + " has a mounted file system: unmount it, then the disk is read again");
            return statusNotCarriedOut;
        }
        if (std::uint32_t refusal = checkHeldDisk(); refusal != statusSuccess)
            return refusal;
    }
    releaseClaim();
    std::string disk = diskNode(held);
    int error = 0;
    int node = usbHost().openNode(disk, false, error);
    if (node < 0) {
        if (meansDeviceGone(error))
            return statusNoDrive;
        reportDeviceProblem("cannot open " + disk + ": " + std::strerror(error));
        return statusNotCarriedOut;
    }
    error = usbHost().rereadPartitions(node);
    usbHost().closeNode(node);
    if (error != 0) {
        reportDeviceProblem("the kernel cannot read the partitions of " + disk + " again: " + std::strerror(error));
        return statusNotCarriedOut;
    }
    return statusSuccess;
}

ScsiOutcome sendToHeldDevice(const std::uint8_t* command, bool dataIn, void* buffer, std::uint32_t length)
{
    if (std::uint32_t status = holdChosenDevice(); status != statusSuccess) {
        ScsiOutcome failure;
        failure.result = status == statusNoDrive ? ScsiResult::gone : ScsiResult::notCarriedOut;
        return failure;
    }
    ScsiOutcome outcome = sendScsiCommand(heldNode, command, dataIn, buffer, length);
    noteOutcome(outcome);
    return outcome;
}

std::uint32_t checkHeldDisk()
{
    if (std::uint32_t status = followChosenPath(); status != statusSuccess)
        return status;
    return checkDisk();
}

std::uint32_t claimHeldDisk()
{
    if (claimNode >= 0)
        return statusSuccess;
    if (std::uint32_t refusal = checkHeldDisk(); refusal != statusSuccess)
        return refusal;
    std::string disk = diskNode(held);
    int error = 0;
    claimNode = usbHost().claimDisk(disk, error);
    if (claimNode >= 0)
        return statusSuccess;
    if (meansDeviceGone(error)) {
        releaseHeldDevice();
        return statusNoDrive;
    }
    // EBUSY: mounted where this process's mount table does not show it, or
    // held by another program.
    if (error == EBUSY)
        return refusedBecause(disk + " is in use by a mounted file system or another program" +
                              ": nothing is written to it");
    return refusedBecause("cannot claim " + disk + ": " + std::strerror(error));
}

bool heldDiskClaimed() { return claimNode >= 0; }

void releaseClaim() { closeIfOpen(claimNode); }

void releaseHeldDevice()
{
    closeIfOpen(claimNode);
    closeIfOpen(heldNode);
    held = {};
    sizedDisk.clear();
}
