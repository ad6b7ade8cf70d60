#include "tests/usbdrive/real_drive_client.h"

#include "usbdrive/real_drive.h"

#include <algorithm>

namespace {

RequestResult carry(std::uint32_t code, DriverRequest record)
{
    RequestResult result;
    record.status = statusNotCarriedOut;
    result.record = record;
    realDriveIOControl(code, &result.record, sizeof result.record, &result.returned);
    return result;
}

} // namespace

RequestResult sendCommand(const std::vector<std::uint8_t>& command, bool dataIn, void* buffer,
                          std::uint32_t length)
{
    DriverRequest record{};
    record.driverParam = 5;
    record.dataIn = dataIn ? 1 : 0;
    record.commandLength = 12;
    std::copy(command.begin(), command.end(), record.command);
    setDataBuffer(record, buffer);
    record.transferLength = length;
    return carry(RequestCommand, record);
}

RequestResult sendRemountRequest(std::uint8_t flag)
{
    DriverRequest record{};
    record.driverParam = 5;
    record.dataIn = 1;
    record.command[0] = flag;
    return carry(RequestRemount, record);
}

RequestResult sendMountFolderRequest(char16_t* answer)
{
    DriverRequest record{};
    record.driverParam = 5;
    record.dataIn = 1;
    setDataBuffer(record, answer);
    record.transferLength = 32;
    return carry(RequestMountFolder, record);
}
