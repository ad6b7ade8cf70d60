// The drive's code linked into the test itself, so the test can read the
// drive's own counters (driveFileCounts) alongside the answers.
#include "drive/kept_drive.h"
#include "tests/drive/drive_client.h"

extern "C" int MSD_IOControl(std::uint32_t openContext, std::uint32_t code, void* input, std::uint32_t inputSize,
                             void* output, std::uint32_t outputSize, std::uint32_t* returned);

int callDriveEntry(std::uint32_t code, void* input, std::uint32_t inputSize, std::uint32_t* returned)
{
    return MSD_IOControl(0, code, input, inputSize, nullptr, 0, returned);
}

void startAsANewProgram() { startDriveAfresh(); }
