// The 48-byte request record handed to the driver library's MSD_IOControl
// for every request, and the drive number every request carries.
#pragma once

#include <cstddef>
#include <cstdint>

// The drive addressed by every request; dialogs show it plus one.
using DriveIndex = std::uint16_t;

// Little-endian, every field at its fixed offset. dataBuffer holds the low
// 32 bits of the buffer's address; on hosts with 64-bit addresses
// dataBufferHigh (inside the range the tool otherwise leaves unset) holds the
// high 32 bits, so the driver can rebuild the address from both halves.
struct DriverRequest {
    std::uint32_t dataBuffer;       // 0
    std::uint16_t driverParam;      // 4: 5, or 0 for the drive probe
    std::uint8_t unset6[2];         // 6
    std::uint32_t dataIn;           // 8: 1 when data moves from the drive
    std::uint8_t commandLength;     // 12: 12 for command requests
    std::uint8_t command[12];       // 13: the DriveCommand; 101 puts the readable flag in byte 0
    std::uint8_t unset25[3];        // 25
    std::uint32_t dataBufferHigh;   // 28: high half of the buffer's address
    std::uint32_t transferLength;   // 32
    std::uint32_t status;           // 36: preset 14, 0 for success
    std::uint8_t senseCode;         // 40
    std::uint8_t senseQualifier;    // 41
    std::uint16_t driveIndex;       // 42
    std::uint32_t reserved;         // 44
};

static_assert(sizeof(DriverRequest) == 48);
static_assert(offsetof(DriverRequest, dataBuffer) == 0);
static_assert(offsetof(DriverRequest, driverParam) == 4);
static_assert(offsetof(DriverRequest, dataIn) == 8);
static_assert(offsetof(DriverRequest, commandLength) == 12);
static_assert(offsetof(DriverRequest, command) == 13);
static_assert(offsetof(DriverRequest, dataBufferHigh) == 28);
static_assert(offsetof(DriverRequest, transferLength) == 32);
static_assert(offsetof(DriverRequest, status) == 36);
static_assert(offsetof(DriverRequest, senseCode) == 40);
static_assert(offsetof(DriverRequest, senseQualifier) == 41);
static_assert(offsetof(DriverRequest, driveIndex) == 42);
static_assert(offsetof(DriverRequest, reserved) == 44);

// Request codes of MSD_IOControl.
constexpr std::uint32_t RequestRemount = 101;
constexpr std::uint32_t RequestMountFolder = 102;
constexpr std::uint32_t RequestCommand = 103;

// Status values as the tool reads them.
constexpr std::uint32_t statusSuccess = 0;
constexpr std::uint32_t statusCheckCondition = 2; // the drive refused the command: see its sense
constexpr std::uint32_t statusNoDrive = 5;
constexpr std::uint32_t statusNotCarriedOut = 14;

// Puts a buffer's address into the record's two halves.
inline void setDataBuffer(DriverRequest& request, const void* buffer)
{
    std::uint64_t address = reinterpret_cast<std::uintptr_t>(buffer);
    request.dataBuffer = static_cast<std::uint32_t>(address);
    request.dataBufferHigh = static_cast<std::uint32_t>(address >> 32);
}
