// The real-drive library's one entry. The open context and the output
// buffer carry nothing for this driver.
#include "usbdrive/real_drive.h"
#include "usbdrive/usb_disks.h"

#include <cstring>

extern "C" __attribute__((visibility("default"))) int MSD_IOControl(std::uint32_t openContext, std::uint32_t code,
                                                                     void* input, std::uint32_t inputSize, void* output,
                                                                     std::uint32_t outputSize, std::uint32_t* returned)
{
    (void)openContext;
    (void)output;
    (void)outputSize;
    return realDriveIOControl(code, input, inputSize, returned);
}

// The host's second entry, for its chooser of the drive: the USB disks
// present (usbDiskListing). Copies the listing and a NUL into text when it
// fits in capacity bytes, and returns its length either way, so a caller
// with too small a buffer learns the size to ask with.
extern "C" __attribute__((visibility("default"))) std::uint32_t QUIB_ListUsbDisks(char* text, std::uint32_t capacity)
{
    std::string listing = usbDiskListing();
    if (text != nullptr && listing.size() < capacity)
        std::memcpy(text, listing.c_str(), listing.size() + 1);
    return std::uint32_t(listing.size());
}

// The claim on the disk ends with the library (unloaded, or the process
// ending), so the disk can be mounted again.
__attribute__((destructor)) static void releaseOnUnload() { forgetRealDriveState(); }
