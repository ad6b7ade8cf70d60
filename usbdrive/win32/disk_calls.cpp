#include "usbdrive/win32/disk_calls.h"

namespace {

const DiskCalls systemCalls = {CreateFileW, DeviceIoControl, FindFirstVolumeW, FindNextVolumeW, FindVolumeClose,
                               CloseHandle};
const DiskCalls* calls = &systemCalls;

} // namespace

const DiskCalls& diskCalls() { return *calls; }

void replaceDiskCalls(const DiskCalls* replacement) { calls = replacement != nullptr ? replacement : &systemCalls; }
