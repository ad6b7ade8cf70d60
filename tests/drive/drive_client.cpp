#include "tests/drive/drive_client.h"

#include "os/code_page.h"

#include <gtest/gtest.h>

#include <cstring>

DriverRequest commandRecord(const CommandBlock& command, void* buffer, std::uint32_t length, bool dataIn)
{
    DriverRequest r{};
    setDataBuffer(r, buffer);
    r.driverParam = 5;
    r.dataIn = dataIn ? 1 : 0;
    r.commandLength = 12;
    std::memcpy(r.command, command.data(), 12);
    r.transferLength = length;
    return r;
}

DriverRequest mountFolderRecord(char16_t* name)
{
    DriverRequest r{};
    setDataBuffer(r, name);
    r.driverParam = 5;
    r.dataIn = 1;
    r.transferLength = 32;
    return r;
}

DriveAnswer sendRecord(std::uint32_t code, DriverRequest& record)
{
    record.status = statusNotCarriedOut;
    record.senseCode = 0;
    record.senseQualifier = 0;
    DriveAnswer a;
    a.returned = 0xDEADBEEF;
    a.result = callDriveEntry(code, &record, sizeof record, &a.returned);
    a.status = record.status;
    a.senseCode = record.senseCode;
    a.senseQualifier = record.senseQualifier;
    return a;
}

DriveAnswer sendCommand(const CommandBlock& command, void* buffer, std::uint32_t length, bool dataIn)
{
    DriverRequest r = commandRecord(command, buffer, length, dataIn);
    return sendRecord(RequestCommand, r);
}

DriveAnswer testUnitReady() { return sendCommand({0x00}); }

DriveAnswer requestSense(std::uint8_t* sense18) { return sendCommand({0x03, 0, 0, 0, 18}, sense18, 18, true); }

DriveAnswer switchProtectionMode(bool on)
{
    std::uint8_t list[10] = {0, 0, 0, 0, 0x2F, 4, std::uint8_t(on ? 0x20 : 0), 0, 0, 0};
    return sendCommand({0x15, 0x10, 0, 0, 10}, list, sizeof list, false);
}

DriveAnswer readProtectionState(std::uint8_t* state)
{
    std::uint8_t page[64] = {};
    DriveAnswer a = sendCommand({0x06, 0, 2, 0, 64}, page, sizeof page, true);
    *state = page[21] & 0x0F;
    return a;
}

DriveAnswer sendProtection(std::uint8_t mode, const std::string& password)
{
    std::vector<std::uint8_t> bytes(password.begin(), password.end());
    return sendCommand({0x0C, mode, 0, 0, std::uint8_t(bytes.size())}, bytes.empty() ? nullptr : bytes.data(),
                       std::uint32_t(bytes.size()), false);
}

DriveAnswer readBlock(std::uint32_t block, std::uint8_t* sector512)
{
    return sendCommand({0x28, 0, std::uint8_t(block >> 24), std::uint8_t(block >> 16), std::uint8_t(block >> 8),
                        std::uint8_t(block), 0, 0, 1},
                       sector512, 512, true);
}

DriveAnswer writeBlock(std::uint32_t block, const std::uint8_t* sector512)
{
    return sendCommand({0x2A, 0, std::uint8_t(block >> 24), std::uint8_t(block >> 16), std::uint8_t(block >> 8),
                        std::uint8_t(block), 0, 0, 1},
                       const_cast<std::uint8_t*>(sector512), 512, false);
}

DriveAnswer formatUnit()
{
    std::uint8_t list[4] = {0x00, 0x02, 0x00, 0x00};
    return sendCommand({0x04, 0x18, 0x20}, list, sizeof list, false);
}

DriveAnswer remount(std::uint8_t flag)
{
    DriverRequest r{};
    r.driverParam = 5;
    r.dataIn = 1;
    r.command[0] = flag;
    return sendRecord(RequestRemount, r);
}

std::string mountFolder(DriveAnswer* answer)
{
    char16_t name[20];
    std::memset(name, 0xCC, sizeof name);
    DriverRequest r = mountFolderRecord(name);
    DriveAnswer a = sendRecord(RequestMountFolder, r);
    if (answer != nullptr)
        *answer = a;
    if (a.status != statusSuccess)
        return "(failed)";
    char utf8[80];
    name[16] = u'\0'; // the answer never goes past 32 bytes
    return wideToUtf8(name, utf8, sizeof utf8) ? utf8 : "(not UTF-16)";
}

ProgramRun quibdrive(const std::vector<std::string>& arguments)
{
    return runProgram(builtProgram("quibdrive"), arguments);
}
