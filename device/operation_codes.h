// The SCSI operation codes of the drive's command set, by name: what the
// program sends (device/drive_commands.cpp), what the virtual drive answers
// (drive/), what the real-drive library lets through and times (usbdrive/)
// and what the kernel test's gadget serves.
#pragma once

#include <cstdint>

namespace operationCode {
constexpr std::uint8_t testUnitReady = 0x00;
constexpr std::uint8_t requestSense = 0x03;
constexpr std::uint8_t formatUnit = 0x04;
constexpr std::uint8_t vendorStatus = 0x06;     // the drive's own: protection status page
constexpr std::uint8_t vendorProtection = 0x0C; // the drive's own: set or lift protection
constexpr std::uint8_t inquiry = 0x12;
constexpr std::uint8_t modeSelect6 = 0x15;
constexpr std::uint8_t modeSense6 = 0x1A;
constexpr std::uint8_t startStopUnit = 0x1B;
constexpr std::uint8_t preventAllowRemoval = 0x1E;
constexpr std::uint8_t readCapacity10 = 0x25;
constexpr std::uint8_t read10 = 0x28;
constexpr std::uint8_t write10 = 0x2A;
constexpr std::uint8_t synchronizeCache10 = 0x35;
} // namespace operationCode
