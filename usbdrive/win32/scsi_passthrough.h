// One command block carried to the disk's device with
// IOCTL_SCSI_PASS_THROUGH_DIRECT, and its outcome in the terms the request
// record reports.
#pragma once

#include "usbdrive/scsi_command.h"

#include <string>
#include <windows.h>

// A system error code that means the device is not there (unplugged).
bool meansDeviceGone(DWORD error);

// Sends the command through the open device: one DeviceIoControl call, with
// the command's time-out.
ScsiOutcome sendScsiCommand(HANDLE device, const std::uint8_t* command, bool dataIn, void* buffer, std::uint32_t length);

// READ CAPACITY(10): the number of blocks and the block size.
ScsiOutcome readCapacity(HANDLE device, std::uint32_t& blocks, std::uint32_t& blockSize);

// The system's words for an error code.
std::string systemWords(DWORD error);
