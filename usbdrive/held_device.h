// The chosen device kept open from one request to the next, and the claim
// on its disk while the tool changes it. The checks before a change are
// made when the claim is taken (the disk's size once per disk in the
// drive), so a run of writes costs one SG_IO call each. The claim is let go
// when the disk changes (a unit attention, "medium may have changed", no
// disk; the size is asked again then) and before the kernel reads the
// partitions again; the claim and the node both when the device goes away
// and when the library is unloaded, after which the next request finds the
// chosen device anew.
#pragma once

#include "usbdrive/scsi_command.h"

#include <cstdint>

// Finds and opens the chosen device unless it is held already:
// statusSuccess; statusNoDrive when nothing is named or it is not there;
// statusNotCarriedOut when it cannot be opened (the reason on standard
// error).
std::uint32_t holdChosenDevice();

// The held device has a disk whose partitions the system reads (on Linux a
// device reached through a generic node alone has none).
bool heldDeviceHasDisk();

// Request 101: the system reads the held disk's partitions again, unless a
// file system of it is in use (it is the user's, never unmounted here).
// The checks before a change are made first (the claim, while held, vouches
// for them). statusSuccess, or the status that refuses, the reason told.
std::uint32_t rereadHeldDisk();

// Sends a command through the held node, opening the chosen device first
// when none is held, and lets everything go when the outcome says the disk
// changed or the device went away.
ScsiOutcome sendToHeldDevice(const std::uint8_t* command, bool dataIn, void* buffer, std::uint32_t length);

// Before a command that changes the disk: statusSuccess when the disk is
// claimed (the checks made and passed when the claim is taken);
// statusCheckCondition when the disk in the drive changed since it was
// claimed and the host's own disk driver may have taken the drive's report
// of it (Windows): the command then gets the drive's unit attention; otherwise
// the status that refuses the command, the reason on standard error.
std::uint32_t claimHeldDisk();

// The claim is held.
bool heldDiskClaimed();

// The checks before a change without taking the claim (the disk is to be
// read again by the kernel, which needs it unclaimed): statusSuccess, or
// the status that refuses.
std::uint32_t checkHeldDisk();

// Lets go of the claim; the node stays open.
void releaseClaim();

// Lets go of the claim and the open node.
void releaseHeldDevice();
