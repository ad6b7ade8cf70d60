// The real-drive library's one entry. The open context and the output
// buffer carry nothing for this driver.
#include "usbdrive/real_drive.h"

extern "C" __attribute__((visibility("default"))) int MSD_IOControl(std::uint32_t openContext, std::uint32_t code,
                                                                     void* input, std::uint32_t inputSize, void* output,
                                                                     std::uint32_t outputSize, std::uint32_t* returned)
{
    (void)openContext;
    (void)output;
    (void)outputSize;
    return realDriveIOControl(code, input, inputSize, returned);
}

// The claim on the disk ends with the library (unloaded, or the process
// ending), so the disk can be mounted again.
__attribute__((destructor)) static void releaseOnUnload() { forgetRealDriveState(); }
