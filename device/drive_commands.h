// One operation per drive command the tool sends. Each builds its own
// DriverRequest carrying a 12-byte command block (big-endian numbers) and
// returns true when the driver reported success. Sense bytes of a failed
// command are not passed on; a caller that needs them sends requestSense.
#pragma once

#include "device/driver_request.h"

#include <cstdint>

// Vendor protection command modes (low 4 bits of command byte 1).
using ProtectionCommandMode = std::uint8_t;
constexpr ProtectionCommandMode modeUnprotect = 0;
constexpr ProtectionCommandMode modeWriteProtect = 2;
constexpr ProtectionCommandMode modeWriteProtectPassword = 3;
constexpr ProtectionCommandMode modeReadWriteProtectPassword = 5;
constexpr ProtectionCommandMode modeUnprotectUntilEject = 8;

// REQUEST SENSE (0x03): fixed-format sense data into buffer (allocationLength bytes).
bool requestSense(DriveIndex drive, std::uint8_t* buffer, std::uint8_t allocationLength);

// FORMAT UNIT (0x04) with its own 4-byte parameter list; certify picks the variant.
bool formatUnit(DriveIndex drive, bool certify);

// Vendor status command (0x06): the page's answer into buffer.
bool readVendorStatus(DriveIndex drive, std::uint8_t* buffer, std::uint16_t page);

// Vendor protection command (0x0C): password is 8-bit text ended by a zero
// byte, or null for none; its bytes without the zero are sent.
bool sendProtectionCommand(DriveIndex drive, const char* password, ProtectionCommandMode mode);

// MODE SENSE(6) (0x1A) of page into buffer (the page's allocation length).
bool modeSense(DriveIndex drive, std::uint8_t* buffer, std::uint16_t page);

// MODE SELECT(6) (0x15) of parameterList, with the page's list length.
bool modeSelect(DriveIndex drive, const std::uint8_t* parameterList, std::uint16_t page);

// READ(10) / WRITE(10) of one 512-byte block.
bool readBlock(DriveIndex drive, std::uint8_t* buffer, std::uint32_t block);
bool writeBlock(DriveIndex drive, const std::uint8_t* buffer, std::uint32_t block);
