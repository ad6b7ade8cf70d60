#include "device/drive_commands.h"

#include "device/driver_transport.h"
#include "device/operation_codes.h"

#include <cstring>

namespace {

// Lengths the drive expects for each page: the vendor status command's
// allocation length, MODE SENSE(6)'s allocation length and MODE SELECT(6)'s
// parameter list length. A page missing here gets length 0 and the command
// still goes out.
struct PageLengths {
    std::uint16_t page;
    std::uint8_t vendorStatus;
    std::uint8_t modeSense;
    std::uint8_t modeSelect;
};

constexpr PageLengths pageLengths[] = {
    {0x00, 6, 0, 0},
    {0x01, 88, 20, 12},
    {0x02, 64, 0, 0},
    {0x03, 202, 0, 0},
    {0x05, 0, 44, 36},
    {0x2F, 0, 18, 10},
    {0x3F, 0, 58, 0},
};

constexpr PageLengths unlistedPage = {0, 0, 0, 0};

// The whole 16-bit page number is compared, so 0x102 is not page 2.
const PageLengths& lengthsOf(std::uint16_t page)
{
    for (const PageLengths& entry : pageLengths)
        if (entry.page == page)
            return entry;
    return unlistedPage;
}

constexpr std::uint32_t blockSize = 512;

// The values every command request starts with; the command bytes are all
// cleared, so each operation writes only the bytes it names.
void prepareCommand(DriverRequest& request, DriveIndex drive, const void* buffer, bool dataIn,
                    std::uint32_t transferLength)
{
    std::memset(&request, 0, sizeof request);
    request.driveIndex = drive;
    request.driverParam = 5;
    request.reserved = 0;
    setDataBuffer(request, buffer);
    request.dataIn = dataIn ? 1 : 0;
    request.transferLength = transferLength;
}

// READ(10) and WRITE(10): the block address big-endian in bytes 2 to 5 and a
// block count of one (bytes 7 and 8).
void putBlockAddress(DriverRequest& request, std::uint32_t block)
{
    request.command[2] = static_cast<std::uint8_t>(block >> 24);
    request.command[3] = static_cast<std::uint8_t>(block >> 16);
    request.command[4] = static_cast<std::uint8_t>(block >> 8);
    request.command[5] = static_cast<std::uint8_t>(block);
    request.command[8] = 1;
}

} // namespace

bool requestSense(DriveIndex drive, std::uint8_t* buffer, std::uint8_t allocationLength)
{
    DriverRequest request;
    prepareCommand(request, drive, buffer, true, allocationLength);
    request.command[0] = operationCode::requestSense;
    request.command[4] = allocationLength;
    return executeCommand(request);
}

bool formatUnit(DriveIndex drive, bool certify)
{
    // A defect list header with an empty list. Both variants set the
    // immediate bit, so the drive accepts the command at once and formats on
    // its own while the caller polls with REQUEST SENSE; without certify the
    // header also marks its options valid and disables certification.
    std::uint8_t parameterList[4] = {0x00, static_cast<std::uint8_t>(certify ? 0x02 : 0xA2), 0x00, 0x00};
    DriverRequest request;
    prepareCommand(request, drive, parameterList, false, sizeof parameterList);
    request.command[0] = operationCode::formatUnit;
    request.command[1] = 0x18; // a parameter list follows: the complete defect list
    request.command[2] = certify ? 0x20 : 0x00;
    return executeCommand(request);
}

bool readVendorStatus(DriveIndex drive, std::uint8_t* buffer, std::uint16_t page)
{
    std::uint8_t length = lengthsOf(page).vendorStatus;
    DriverRequest request;
    prepareCommand(request, drive, buffer, true, length);
    request.command[0] = operationCode::vendorStatus;
    request.command[2] = static_cast<std::uint8_t>(page);
    request.command[4] = length;
    return executeCommand(request);
}

bool sendProtectionCommand(DriveIndex drive, const char* password, ProtectionCommandMode mode)
{
    // Only the low 8 bits of the password's length fit the command byte, and
    // the drive is told to take exactly that many bytes.
    std::uint8_t length = password != nullptr ? static_cast<std::uint8_t>(std::strlen(password)) : 0;
    DriverRequest request;
    prepareCommand(request, drive, password, false, length);
    request.command[0] = operationCode::vendorProtection;
    request.command[1] = mode & 0x0F;
    request.command[4] = length;
    return executeCommand(request);
}

bool modeSense(DriveIndex drive, std::uint8_t* buffer, std::uint16_t page)
{
    // Byte 1 stays 0, so the drive puts its block descriptor before the page;
    // the page-control bits stay 0 for the current values.
    std::uint8_t length = lengthsOf(page).modeSense;
    DriverRequest request;
    prepareCommand(request, drive, buffer, true, length);
    request.command[0] = operationCode::modeSense6;
    request.command[2] = static_cast<std::uint8_t>(page);
    request.command[4] = length;
    return executeCommand(request);
}

bool modeSelect(DriveIndex drive, const std::uint8_t* parameterList, std::uint16_t page)
{
    // The page only picks the length: the list carries the page itself.
    std::uint8_t length = lengthsOf(page).modeSelect;
    DriverRequest request;
    prepareCommand(request, drive, parameterList, false, length);
    request.command[0] = operationCode::modeSelect6;
    request.command[1] = 0x10; // page format
    request.command[4] = length;
    return executeCommand(request);
}

bool readBlock(DriveIndex drive, std::uint8_t* buffer, std::uint32_t block)
{
    DriverRequest request;
    prepareCommand(request, drive, buffer, true, blockSize);
    request.command[0] = operationCode::read10;
    putBlockAddress(request, block);
    return executeCommand(request);
}

bool writeBlock(DriveIndex drive, const std::uint8_t* buffer, std::uint32_t block)
{
    DriverRequest request;
    prepareCommand(request, drive, buffer, false, blockSize);
    request.command[0] = operationCode::write10;
    putBlockAddress(request, block);
    return executeCommand(request);
}
