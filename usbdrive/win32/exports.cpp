// The real-drive library's one entry on Windows. The open context and the
// output buffer carry nothing for this driver.
#include "usbdrive/real_drive.h"

#include <windows.h>

extern "C" int MSD_IOControl(std::uint32_t openContext, std::uint32_t code, void* input, std::uint32_t inputSize,
                             void* output, std::uint32_t outputSize, std::uint32_t* returned)
{
    (void)openContext;
    (void)output;
    (void)outputSize;
    return realDriveIOControl(code, input, inputSize, returned);
}

// The claim on the disk (its locked volumes) ends with the library, so the
// system can use the disk again. When the process itself ends (reserved is
// not null), the system lets go of every handle anyway.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        forgetRealDriveState();
    return TRUE;
}
