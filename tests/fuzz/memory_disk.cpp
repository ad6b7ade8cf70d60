#include "tests/fuzz/memory_disk.h"

#include "device/driver_request.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t sectorSize = 512;
constexpr std::uint32_t capacitySectors = 78848; // the drive's disks
constexpr std::uint8_t opRead10 = 0x28;

const std::uint8_t* disk = nullptr;
std::size_t diskSize = 0;

std::uint32_t bigEndian(const std::uint8_t* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | p[i];
    return value;
}

// READ(10) into the caller's buffer; false for a range past the capacity
// or a buffer too small for it.
bool read10(const DriverRequest& request)
{
    std::uint32_t block = bigEndian(request.command + 2, 4);
    std::uint32_t count = bigEndian(request.command + 7, 2);
    if (block >= capacitySectors || count > capacitySectors - block ||
        std::uint64_t(count) * sectorSize > request.transferLength || request.dataIn != 1)
        return false;
    auto* buffer = reinterpret_cast<std::uint8_t*>(
        static_cast<std::uintptr_t>(std::uint64_t(request.dataBufferHigh) << 32 | request.dataBuffer));
    std::size_t from = std::size_t(block) * sectorSize;
    std::size_t length = std::size_t(count) * sectorSize;
    std::memset(buffer, 0, length);
    if (from < diskSize)
        std::memcpy(buffer, disk + from, std::min(length, diskSize - from));
    return true;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) void memoryDiskInsert(const std::uint8_t* bytes, std::size_t size)
{
    disk = bytes;
    diskSize = size;
}

__attribute__((visibility("default"))) int MSD_IOControl(std::uint32_t, std::uint32_t code, void* input,
                                                         std::uint32_t inputSize, void*, std::uint32_t,
                                                         std::uint32_t* returned)
{
    if (input == nullptr || inputSize != sizeof(DriverRequest))
        return 0;
    DriverRequest request;
    std::memcpy(&request, input, sizeof request);
    bool done = code != RequestCommand || request.command[0] != opRead10 || read10(request);
    std::uint32_t status = done ? statusSuccess : statusCheckCondition;
    auto* record = static_cast<std::uint8_t*>(input);
    std::memcpy(record + offsetof(DriverRequest, status), &status, sizeof status);
    record[offsetof(DriverRequest, senseCode)] = done ? 0 : 0x21; // block out of range
    record[offsetof(DriverRequest, senseQualifier)] = 0;
    if (returned != nullptr)
        *returned = done && code == RequestCommand && request.command[0] == opRead10 ? request.transferLength : 0;
    return done ? 1 : 0;
}
}
