// The real drive's answer to MSD_IOControl: each request carried to the
// device the user chose, through the host's SCSI pass-through (SG_IO on
// Linux, IOCTL_SCSI_PASS_THROUGH_DIRECT on Windows), and its outcome
// written into the record as the virtual drive writes it. The same on
// every host: what differs is the held device (held_device.h).
#pragma once

#include <cstdint>

// Carries out one request; the entry's result (1 on success).
int realDriveIOControl(std::uint32_t code, void* input, std::uint32_t inputSize, std::uint32_t* returned);

// Forgets the sense kept from the last refused command and lets go of the
// held device and its claim (a new process, the library unloaded).
void forgetRealDriveState();
