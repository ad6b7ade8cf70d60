// The virtual drive's own files over any bytes: the input is a state file,
// then, after a line "%%", the protection record of the disk in the slot.
// Both are read as the drive reads them; what was read must come back the
// same after it is written and read again; and a drive session opened on
// the two files (which finishes a format whose time is up) must answer
// its format progress and keep its state.
#include "drive/drive_files.h"
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

void checkStateRoundTrip(const std::string& path)
{
    std::optional<DriveState> read = loadDriveState(path);
    if (!read)
        std::abort(); // the file was just written
    std::string copy = path + ".copy";
    if (!saveDriveState(copy, *read) || loadDriveState(copy) != read)
        std::abort();
}

void checkProtectionRoundTrip(const std::string& path)
{
    ProtectionRecord read = loadProtectionRecord(path);
    std::string copy = path + ".copy";
    if (!saveProtectionRecord(copy, read) || !(loadProtectionRecord(copy) == read))
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

    emptyFolder(fuzzHostFolder());
    std::string statePath = driveStatePath();
    writeFile(statePath, stateText);
    checkStateRoundTrip(statePath);

    // The disk the state names is there (a session forgets a disk whose
    // image is gone); the record, when the input has one, is that disk's.
    std::string disk = loadDriveState(statePath)->disk;
    if (disk.empty())
        disk = firstDiskName;
    createDisk(disk);
    if (split != std::string::npos) {
        writeFile(protectionRecordPath(disk), protectionText);
        checkProtectionRoundTrip(protectionRecordPath(disk));
    }

    DriveSession drive;
    if (!drive.ready())
        std::abort();
    std::uint16_t progress = formatProgress(drive);
    (void)progress;
    drive.save();
    return 0;
}
