// Requests to the real-drive library, built as the tool builds them.
#pragma once

#include "device/driver_request.h"

#include <cstdint>
#include <vector>

struct RequestResult {
    DriverRequest record{};
    std::uint32_t returned = 0;
};

// Request 103 with the given command bytes (the rest of the 12 are zero).
RequestResult sendCommand(const std::vector<std::uint8_t>& command, bool dataIn, void* buffer,
                          std::uint32_t length);
// Request 101 with the readable flag byte.
RequestResult sendRemountRequest(std::uint8_t flag);
// Request 102 into a 40-byte buffer; transferLength 32.
RequestResult sendMountFolderRequest(char16_t* answer);
