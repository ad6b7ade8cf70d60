// Talks to the built ZOVEVIV.DLL the way the tool does: the library loaded
// by its full path, every request a 48-byte record built here. The drive
// keeps all its state in the host folder, so each test (with its fresh
// $QUIB_HOME) starts from a first-use drive.
#pragma once

#include "device/driver_request.h"
#include "tests/support/run_program.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using CommandBlock = std::array<std::uint8_t, 12>;

// What came back: the entry's result and the record's answer fields.
struct DriveAnswer {
    int result = -1;
    std::uint32_t status = 0;
    std::uint8_t senseCode = 0;
    std::uint8_t senseQualifier = 0;
    std::uint32_t returned = 0; // the returned-count argument
};

// Calls MSD_IOControl with the given arguments as they are.
int callDriveEntry(std::uint32_t code, void* input, std::uint32_t inputSize, std::uint32_t* returned);

// From now on the requests come from a program that has just started: a
// fresh copy of the driver library (or, with the drive linked in, the
// drive's kept files let go), which finds the drive's files afresh.
void startAsANewProgram();

// A record as the tool builds it for request 103.
DriverRequest commandRecord(const CommandBlock& command, void* buffer, std::uint32_t length, bool dataIn);

// A record as the tool builds it for request 102, answering into name.
DriverRequest mountFolderRecord(char16_t* name);

// Sends a record with code (status preset 14, sense 0) and reads the answer.
DriveAnswer sendRecord(std::uint32_t code, DriverRequest& record);

DriveAnswer sendCommand(const CommandBlock& command, void* buffer = nullptr, std::uint32_t length = 0,
                        bool dataIn = false);

// The commands of the tool, built as the tool builds them.
DriveAnswer testUnitReady();
DriveAnswer requestSense(std::uint8_t* sense18);
DriveAnswer switchProtectionMode(bool on);
DriveAnswer readProtectionState(std::uint8_t* state);
DriveAnswer sendProtection(std::uint8_t mode, const std::string& password);
DriveAnswer readBlock(std::uint32_t block, std::uint8_t* sector512);
DriveAnswer writeBlock(std::uint32_t block, const std::uint8_t* sector512);
DriveAnswer formatUnit();
DriveAnswer remount(std::uint8_t flag);
// The mount folder as UTF-8, through request 102 with a 32-byte answer.
std::string mountFolder(DriveAnswer* answer = nullptr);

// Runs quibdrive with arguments in the test's host folder.
ProgramRun quibdrive(const std::vector<std::string>& arguments);
