// Reading and answering the 48-byte request record of MSD_IOControl, shared
// by every driver library of this project: the checks made before a request
// is carried out, the buffer's 64-bit address, the mount-folder answer and
// the fields written back. The record comes from outside, so nothing in it
// is trusted: only the status and sense fields are ever written.
#pragma once

#include "device/driver_request.h"

#include <cstdint>
#include <string>

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

// What a driver library's carrying out of one request comes to: the status,
// the sense code and qualifier of a refused command, the bytes moved.
struct RequestAnswer {
    std::uint32_t status = statusSuccess;
    std::uint8_t senseCode = 0;
    std::uint8_t senseQualifier = 0;
    std::uint32_t moved = 0;
};

inline RequestAnswer refusedRequest(std::uint32_t status)
{
    RequestAnswer answer;
    answer.status = status;
    return answer;
}

// MSD_IOControl's work around the request, the same in every driver
// library: reads the record (0 when input holds none), has carryOut carry
// it out (running out of memory, the one thing that throws, refuses it
// with 14: nothing was done), writes status and sense back into the
// record, gives the bytes moved in *returned (when not null), and returns
// 1 on success, 0 otherwise.
int serveRequest(std::uint32_t code, void* input, std::uint32_t inputSize, std::uint32_t* returned,
                 RequestAnswer (*carryOut)(std::uint32_t code, const DriverRequest& request));
