// The virtual drive's own files over any bytes: the input is a state file,
// then, after a line "%%", the protection record of the disk in the slot.
// Both are read as the drive reads them; what was read must come back the
// same after it is written and read again; and a drive session opened on
// the two files (which finishes a format whose time is up) must answer
// its format progress and keep its state.
#include "drive/drive_files.h"
#include "drive/kept_drive.h"
#include "drive/virtual_drive.h"
#include "tests/fuzz/fuzz_host_folder.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const std::string separator = "\n%%\n";

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

void checkStateRoundTrip(int folder)
{
    std::optional<DriveState> read = loadDriveStateIn(folder, driveStateName);
    if (!read)
        std::abort(); // the file was just written
    std::string copy = std::string(driveStateName) + ".copy";
    if (!saveDriveStateIn(folder, copy, *read) || loadDriveStateIn(folder, copy) != read)
        std::abort();
}

void checkProtectionRoundTrip(int folder, const std::string& name)
{
    ProtectionRecord read = loadProtectionRecordIn(folder, name);
    std::string copy = name + ".copy";
    if (!saveProtectionRecordIn(folder, copy, read) || !(loadProtectionRecordIn(folder, copy) == read))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzHostFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find(separator);
    std::string stateText = input.substr(0, split);
    std::string protectionText = split == std::string::npos ? std::string() : input.substr(split + separator.size());

    // A new drive for each input, as a program starting on these files finds it.
    emptyFolder(fuzzHostFolder());
    startDriveAfresh();
    writeFile(driveFolder() + "/" + driveStateName, stateText);
    checkStateRoundTrip(driveFolderFd());

    // The disk the state names is there (a session forgets a disk whose
    // image is gone); the record, when the input has one, is that disk's.
    std::string disk = loadDriveStateIn(driveFolderFd(), driveStateName)->disk;
    if (disk.empty())
        disk = firstDiskName;
    createDisk(disk);
    if (split != std::string::npos) {
        writeFile(disksFolder() + "/" + protectionRecordName(disk), protectionText);
        checkProtectionRoundTrip(disksFolderFd(), protectionRecordName(disk));
    }

    DriveSession drive;
    if (!drive.ready())
        std::abort();
    std::uint16_t progress = formatProgress(drive);
    (void)progress;
    drive.save();
    return 0;
}
