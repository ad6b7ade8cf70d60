// The real drive on Windows, through a stand-in for the system's disk calls
// (Wine has no SCSI pass-through and no USB disks): a machine with the
// drive as \\.\PhysicalDrive2 and volumes on it and on another disk. What
// the library sends, what it checks before a change, which volumes it
// locks, and what it answers.
#include "tests/drive/drive_client.h"

#include "usbdrive/real_drive.h"
#include "usbdrive/win32/disk_calls.h"

#include <gtest/gtest.h>

#include <winioctl.h>
#include <ntddscsi.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct FakeVolume {
    std::wstring name; // as FindFirstVolumeW gives it, with its trailing backslash
    DWORD disk;
    bool inUse = false;
    bool locked = false;
    bool dismounted = false;
};

// The machine the library sees.
struct FakeMachine {
    STORAGE_BUS_TYPE bus = BusTypeUsb;
    bool removable = true;
    std::uint32_t blocks = 78848, blockSize = 512;
    DWORD number = 2;
    DWORD mediaChanges = 1;
    bool plugged = true;
    std::vector<std::uint8_t> refuseNextWith; // sense data for the next command's CHECK CONDITION
    std::vector<FakeVolume> volumes;
    // What reached it.
    std::vector<std::vector<std::uint8_t>> commands;
    std::vector<ULONG> timeouts;
    std::map<std::uint32_t, std::vector<std::uint8_t>> written;
    int partitionsReread = 0;
    int openHandles = 0;
} machine;

HANDLE const deviceHandle = reinterpret_cast<HANDLE>(0x1000);
HANDLE volumeHandle(std::size_t index) { return reinterpret_cast<HANDLE>(0x2000 + index); }
HANDLE const volumeSearch = reinterpret_cast<HANDLE>(0x3000);

FakeVolume* volumeOf(HANDLE handle)
{
    std::size_t index = std::size_t(reinterpret_cast<std::uintptr_t>(handle)) - 0x2000;
    return index < machine.volumes.size() ? &machine.volumes[index] : nullptr;
}

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

HANDLE WINAPI fakeCreateFile(LPCWSTR path, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    std::wstring name = path;
    if (name == L"\\\\.\\PhysicalDrive2") {
        if (!machine.plugged)
            return SetLastError(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
        ++machine.openHandles;
        return deviceHandle;
    }
    for (std::size_t i = 0; i < machine.volumes.size(); ++i)
        if (machine.volumes[i].name == name + L"\\") {
            ++machine.openHandles;
            return volumeHandle(i);
        }
    return SetLastError(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
}

BOOL passThrough(SCSI_PASS_THROUGH_DIRECT& pass)
{
    if (!machine.plugged)
        return fail(ERROR_DEVICE_NOT_CONNECTED);
    std::vector<std::uint8_t> command(pass.Cdb, pass.Cdb + pass.CdbLength);
    machine.commands.push_back(command);
    machine.timeouts.push_back(pass.TimeOutValue);
    auto* data = static_cast<std::uint8_t*>(pass.DataBuffer);
    if (!machine.refuseNextWith.empty()) {
        pass.ScsiStatus = 0x02;
        std::memcpy(reinterpret_cast<std::uint8_t*>(&pass) + pass.SenseInfoOffset, machine.refuseNextWith.data(),
                    machine.refuseNextWith.size());
        pass.SenseInfoLength = UCHAR(machine.refuseNextWith.size());
        pass.DataTransferLength = 0;
        machine.refuseNextWith.clear();
        return TRUE;
    }
    pass.ScsiStatus = 0;
    switch (command[0]) {
    case 0x25: { // READ CAPACITY(10)
        std::uint32_t last = machine.blocks - 1;
        std::uint8_t answer[8] = {std::uint8_t(last >> 24), std::uint8_t(last >> 16), std::uint8_t(last >> 8),
                                  std::uint8_t(last), std::uint8_t(machine.blockSize >> 24),
                                  std::uint8_t(machine.blockSize >> 16), std::uint8_t(machine.blockSize >> 8),
                                  std::uint8_t(machine.blockSize)};
        std::memcpy(data, answer, 8);
        pass.DataTransferLength = 8;
        break;
    }
    case 0x2A: { // WRITE(10)
        std::uint32_t block = std::uint32_t(command[2]) << 24 | command[3] << 16 | command[4] << 8 | command[5];
        machine.written[block].assign(data, data + pass.DataTransferLength);
        break;
    }
    case 0x28: std::memset(data, 0, pass.DataTransferLength); break; // READ(10)
    default: break;
    }
    return TRUE;
}

BOOL WINAPI fakeDeviceIoControl(HANDLE handle, DWORD code, LPVOID in, DWORD, LPVOID out, DWORD outSize,
                                LPDWORD returned, LPOVERLAPPED)
{
    *returned = 0;
    if (handle == deviceHandle) {
        switch (code) {
        case IOCTL_STORAGE_GET_DEVICE_NUMBER: {
            STORAGE_DEVICE_NUMBER number{FILE_DEVICE_DISK, machine.number, 0};
            std::memcpy(out, &number, sizeof number);
            return TRUE;
        }
        case IOCTL_STORAGE_QUERY_PROPERTY: {
            std::memset(out, 0, outSize);
            auto* descriptor = static_cast<STORAGE_DEVICE_DESCRIPTOR*>(out);
            descriptor->Size = sizeof *descriptor;
            descriptor->BusType = machine.bus;
            descriptor->RemovableMedia = machine.removable;
            return TRUE;
        }
        case IOCTL_STORAGE_CHECK_VERIFY2:
            if (!machine.plugged)
                return fail(ERROR_DEVICE_NOT_CONNECTED);
            *static_cast<DWORD*>(out) = machine.mediaChanges;
            return TRUE;
        case IOCTL_SCSI_PASS_THROUGH_DIRECT: return passThrough(*static_cast<SCSI_PASS_THROUGH_DIRECT*>(in));
        case IOCTL_DISK_UPDATE_PROPERTIES: ++machine.partitionsReread; return TRUE;
        default: return fail(ERROR_INVALID_FUNCTION);
        }
    }
    FakeVolume* volume = volumeOf(handle);
    if (volume == nullptr)
        return fail(ERROR_INVALID_HANDLE);
    switch (code) {
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
        std::memset(out, 0, outSize);
        auto* extents = static_cast<VOLUME_DISK_EXTENTS*>(out);
        extents->NumberOfDiskExtents = 1;
        extents->Extents[0].DiskNumber = volume->disk;
        return TRUE;
    }
    case FSCTL_LOCK_VOLUME:
        if (volume->inUse)
            return fail(ERROR_ACCESS_DENIED);
        volume->locked = true;
        return TRUE;
    case FSCTL_UNLOCK_VOLUME: volume->locked = false; return TRUE;
    case FSCTL_DISMOUNT_VOLUME: volume->dismounted = true; return TRUE;
    default: return fail(ERROR_INVALID_FUNCTION);
    }
}

std::size_t nextVolume = 0;

BOOL giveVolume(LPWSTR name, DWORD size)
{
    if (nextVolume >= machine.volumes.size())
        return fail(ERROR_NO_MORE_FILES);
    wcsncpy(name, machine.volumes[nextVolume++].name.c_str(), size);
    return TRUE;
}

HANDLE WINAPI fakeFindFirstVolume(LPWSTR name, DWORD size)
{
    nextVolume = 0;
    return giveVolume(name, size) ? volumeSearch : INVALID_HANDLE_VALUE;
}
BOOL WINAPI fakeFindNextVolume(HANDLE, LPWSTR name, DWORD size) { return giveVolume(name, size); }
BOOL WINAPI fakeFindVolumeClose(HANDLE) { return TRUE; }
BOOL WINAPI fakeCloseHandle(HANDLE)
{
    --machine.openHandles;
    return TRUE;
}

const DiskCalls fakeCalls = {fakeCreateFile, fakeDeviceIoControl, fakeFindFirstVolume, fakeFindNextVolume,
                             fakeFindVolumeClose, fakeCloseHandle};

int count(std::uint8_t operation)
{
    int found = 0;
    for (const auto& command : machine.commands)
        found += command[0] == operation;
    return found;
}

class RealDrive : public testing::Test {
protected:
    void SetUp() override
    {
        machine = FakeMachine{};
        machine.volumes = {{L"\\\\?\\Volume{system}\\", 0}, {L"\\\\?\\Volume{quib}\\", 2}};
        _putenv_s("QUIB_DEVICE", "\\\\.\\PhysicalDrive2");
        replaceDiskCalls(&fakeCalls);
    }
    void TearDown() override
    {
        forgetRealDriveState();
        replaceDiskCalls(nullptr);
        _putenv_s("QUIB_DEVICE", "");
    }
    std::uint8_t sector[512] = {0x55, 0xAA};
};

// A write is checked once (bus, removable, size, the disk's volume locked
// and kept locked), then each write is one pass-through of the 10-byte
// block with the write's time-out; the other disk's volume is left alone.
TEST_F(RealDrive, AWriteIsCheckedOnceThenCarried)
{
    ASSERT_EQ(writeBlock(7, sector).status, 0u);
    ASSERT_EQ(writeBlock(8, sector).status, 0u);
    EXPECT_EQ(count(0x25), 1) << "the size is asked once per disk";
    EXPECT_EQ(count(0x2A), 2);
    ASSERT_EQ(machine.written.count(7), 1u);
    EXPECT_EQ(machine.written[7][0], 0x55);
    EXPECT_EQ(machine.commands.back().size(), 10u);
    EXPECT_EQ(machine.timeouts.back(), 30u);
    EXPECT_TRUE(machine.volumes[1].locked);
    EXPECT_FALSE(machine.volumes[0].locked);

    // Letting go of the library unlocks the volume and closes every handle.
    forgetRealDriveState();
    EXPECT_FALSE(machine.volumes[1].locked);
    EXPECT_EQ(machine.openHandles, 0);
}

struct Refusal {
    const char* name;
    void (*make)();
    std::uint32_t status;
};

class RealDriveRefusal : public RealDrive, public testing::WithParamInterface<Refusal> {};

// Nothing reaches a disk that fails a check: not one WRITE, no volume left
// locked, and a volume in use is never dismounted.
TEST_P(RealDriveRefusal, NothingIsWritten)
{
    GetParam().make();
    EXPECT_EQ(writeBlock(7, sector).status, GetParam().status);
    EXPECT_EQ(count(0x2A), 0);
    EXPECT_TRUE(machine.written.empty());
    for (const FakeVolume& volume : machine.volumes) {
        EXPECT_FALSE(volume.locked);
        EXPECT_FALSE(volume.dismounted);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RealDriveRefusal,
    testing::Values(Refusal{"NotOnTheUsbBus", [] { machine.bus = BusTypeSata; }, statusNotCarriedOut},
                    Refusal{"NotRemovable", [] { machine.removable = false; }, statusNotCarriedOut},
                    Refusal{"AnotherSize", [] { machine.blocks = 2000000; }, statusNotCarriedOut},
                    Refusal{"AnotherBlockSize", [] { machine.blockSize = 4096; }, statusNotCarriedOut},
                    Refusal{"AVolumeInUse", [] { machine.volumes[1].inUse = true; }, statusNotCarriedOut},
                    Refusal{"Unplugged", [] { machine.plugged = false; }, statusNoDrive},
                    Refusal{"NothingNamed", [] { _putenv_s("QUIB_DEVICE", ""); }, statusNoDrive},
                    Refusal{"AVolumeNamed", [] { _putenv_s("QUIB_DEVICE", "\\\\.\\E:"); }, statusNoDrive},
                    Refusal{"APartitionNamed",
                            [] { _putenv_s("QUIB_DEVICE", "\\\\?\\GLOBALROOT\\Device\\Harddisk2\\Partition1"); },
                            statusNoDrive}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

// Reads need no claim: no volume is locked for them.
TEST_F(RealDrive, AReadLocksNothing)
{
    std::uint8_t read[512];
    ASSERT_EQ(readBlock(3, read).status, 0u);
    EXPECT_EQ(count(0x25), 0);
    EXPECT_FALSE(machine.volumes[1].locked);
}

// A refused command's sense is kept for the tool's next REQUEST SENSE,
// which the transport would otherwise find empty.
TEST_F(RealDrive, ARefusedCommandsSenseIsKept)
{
    ASSERT_EQ(writeBlock(7, sector).status, 0u);
    machine.refuseNextWith = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x21, 0x00};
    DriveAnswer refused = writeBlock(99999, sector);
    EXPECT_EQ(refused.status, statusCheckCondition);
    EXPECT_EQ(refused.senseCode, 0x21);
    std::size_t sent = machine.commands.size();
    std::uint8_t sense[18] = {};
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(machine.commands.size(), sent) << "answered from the kept sense";
    EXPECT_EQ(sense[2] & 0x0F, 0x05);
    EXPECT_EQ(sense[12], 0x21);
}

// Windows' disk driver may take the drive's report of a new disk itself: a
// disk swapped while claimed gets "medium may have changed" and nothing is
// written to it; the next write checks the new disk afresh.
TEST_F(RealDrive, ADiskSwappedWhileClaimedIsNotWritten)
{
    ASSERT_EQ(writeBlock(7, sector).status, 0u);
    ++machine.mediaChanges;
    machine.written.clear();
    DriveAnswer swapped = writeBlock(8, sector);
    EXPECT_EQ(swapped.status, statusCheckCondition);
    EXPECT_EQ(swapped.senseCode, 0x28);
    EXPECT_TRUE(machine.written.empty());
    std::uint8_t sense[18] = {};
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(sense[2] & 0x0F, 0x06);
    EXPECT_EQ(sense[12], 0x28);

    ASSERT_EQ(writeBlock(8, sector).status, 0u);
    EXPECT_EQ(count(0x25), 2) << "the new disk's size was asked";
}

// Request 101: the volumes are unlocked, then the system reads the
// partitions again.
TEST_F(RealDrive, RemountUnlocksAndHasThePartitionsReadAgain)
{
    ASSERT_EQ(writeBlock(0, sector).status, 0u);
    ASSERT_TRUE(machine.volumes[1].locked);
    EXPECT_EQ(remount(0x00).status, 0u);
    EXPECT_EQ(machine.partitionsReread, 1);
    EXPECT_FALSE(machine.volumes[1].locked);
}

} // namespace

int callDriveEntry(std::uint32_t code, void* input, std::uint32_t inputSize, std::uint32_t* returned)
{
    return realDriveIOControl(code, input, inputSize, returned);
}

void startAsANewProgram() { forgetRealDriveState(); }
