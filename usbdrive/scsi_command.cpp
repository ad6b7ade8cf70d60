#include "usbdrive/scsi_command.h"

#include "device/operation_codes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

std::uint8_t commandBlockLength(const std::uint8_t* command)
{
    std::uint8_t group = command[0] >> 5;
    static constexpr std::uint8_t groupLength[8] = {6, 10, 10, 12, 16, 12, 12, 12};
    std::uint8_t length = groupLength[group];
    for (std::uint8_t i = length; i < 12; ++i)
        if (command[i] != 0)
            return 12; // never drop a byte the tool set
    return length;
}

unsigned commandTimeoutMs(std::uint8_t operationCode)
{
    switch (operationCode) {
    case operationCode::formatUnit: return 120'000; // the drive answers at once, but allow one that does not
    case operationCode::vendorProtection: return 60'000; // rewrites the disk's protection
    case operationCode::read10:
    case operationCode::write10: return 30'000; // one block
    default: return 10'000;    // status, sense and mode commands answer from the drive's memory
    }
}

bool senseCodes(const std::uint8_t* sense, std::uint8_t length, std::uint8_t& key, std::uint8_t& code,
                std::uint8_t& qualifier)
{
    if (length < 1)
        return false;
    std::uint8_t format = sense[0] & 0x7F;
    if ((format == 0x70 || format == 0x71) && length >= 14) {
        key = sense[2] & 0x0F;
        code = sense[12];
        qualifier = sense[13];
        return true;
    }
    if ((format == 0x72 || format == 0x73) && length >= 4) {
        key = sense[1] & 0x0F;
        code = sense[2];
        qualifier = sense[3];
        return true;
    }
    return false;
}

bool isUnitAttention(const ScsiOutcome& outcome)
{
    std::uint8_t key = 0, code = 0, qualifier = 0;
    return outcome.result == ScsiResult::checkCondition &&
           senseCodes(outcome.sense, outcome.senseLength, key, code, qualifier) && key == 0x6;
}

bool meansDiskChanged(const ScsiOutcome& outcome)
{
    std::uint8_t key = 0, code = 0, qualifier = 0;
    return outcome.result == ScsiResult::checkCondition &&
           senseCodes(outcome.sense, outcome.senseLength, key, code, qualifier) &&
           (key == 0x6 || code == 0x28 || code == 0x3A);
}

void fixedFormatSense(const std::uint8_t* sense, std::uint8_t length, std::uint8_t* fixed)
{
    std::memset(fixed, 0, 18);
    std::uint8_t format = length > 0 ? sense[0] & 0x7F : 0;
    if (format == 0x70 || format == 0x71) {
        std::memcpy(fixed, sense, std::min<std::uint8_t>(length, 18));
        return;
    }
    std::uint8_t key = 0, code = 0, qualifier = 0;
    fixed[0] = 0x70;
    fixed[7] = 10;
    if (!senseCodes(sense, length, key, code, qualifier))
        return;
    fixed[2] = key;
    fixed[12] = code;
    fixed[13] = qualifier;
    // Descriptors follow the 8-byte header; the sense-key specific one (type 2)
    // carries the bytes the fixed format holds at 15 to 17.
    unsigned end = std::min<unsigned>(length, 8u + sense[7]);
    for (unsigned at = 8; at + 1 < end; at += 2u + sense[at + 1])
        if (sense[at] == 0x02 && at + 7 <= end) {
            std::memcpy(fixed + 15, sense + at + 4, 3);
            break;
        }
}

void readCapacityCommand(std::uint8_t* command12)
{
    std::memset(command12, 0, 12);
    command12[0] = operationCode::readCapacity10;
}

void capacityFromAnswer(const std::uint8_t* answer, std::uint32_t& blocks, std::uint32_t& blockSize)
{
    std::uint32_t lastBlock = std::uint32_t(answer[0]) << 24 | answer[1] << 16 | answer[2] << 8 | answer[3];
    blockSize = std::uint32_t(answer[4]) << 24 | answer[5] << 16 | answer[6] << 8 | answer[7];
    blocks = lastBlock + 1; // 0xFFFFFFFF (a disk too large for this command) wraps to 0: no Quib! disk
}

void reportDeviceProblem(const char* message)
{
    static std::string lastMessage;
    if (message == lastMessage)
        return;
    lastMessage = message;
    std::fprintf(stderr, "ZOVEVIV.DLL: %s\n", message);
}
