// Reading and answering the 48-byte request record of MSD_IOControl, shared
// by every driver library of this project: the checks made before a request
// is carried out, the buffer's 64-bit address, the mount-folder answer and
// the fields written back. The record comes from outside, so nothing in it
// is trusted: only the status and sense fields are ever written.
#pragma once

#include "device/driver_request.h"

#include <cstdint>
#include <string>

// The record's copy when input holds exactly one record; false otherwise.
bool readRequestRecord(const void* input, std::uint32_t inputSize, DriverRequest& request);

// The data buffer the record names, rebuilt from both halves of its address.
void* requestBuffer(const DriverRequest& request);

// statusSuccess when the request may be carried out; otherwise the status
// that refuses it: an unknown code or a malformed command or buffer is not
// carried out (14), any drive but drive 0 is not there (5).
std::uint32_t checkRequest(std::uint32_t code, const DriverRequest& request);

// Writes the folder name (UTF-8) into the request's buffer as UTF-16 ended
// by a zero character, in at most 32 bytes and at most transferLength
// bytes, cut at a whole character. The number of bytes written.
std::uint32_t answerMountFolder(const std::string& folder, const DriverRequest& request);

// Writes status and sense code and qualifier into the caller's record.
void answerRecord(void* input, std::uint32_t status, std::uint8_t senseCode, std::uint8_t senseQualifier);
