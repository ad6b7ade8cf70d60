// One command block carried to the device with SG_IO: the header built for
// it, and its outcome in the terms the request record reports.
#pragma once

#include "usbdrive/scsi_command.h"

#include <scsi/sg.h>

#include <cstdint>
#include <string>

// An errno value that means the device is not there (unplugged, node gone).
bool meansDeviceGone(int error);

// Opens a node for commands: the descriptor, or -1 with failure saying
// why (gone when the node is not there; otherwise not carried out, and the
// reason on standard error).
int openCommandNode(const std::string& node, ScsiOutcome& failure);

// Sends the command through an open node: one SG_IO call.
ScsiOutcome sendScsiCommand(int node, const std::uint8_t* command, bool dataIn, void* buffer, std::uint32_t length);

// READ CAPACITY(10): the number of blocks and the block size.
ScsiOutcome readCapacity(int node, std::uint32_t& blocks, std::uint32_t& blockSize);
