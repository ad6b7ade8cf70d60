// The tool's only path to the drive: binds ZOVEVIV.DLL on the first request
// and hands it DriverRequest records through its entry MSD_IOControl.
#pragma once

#include "device/driver_request.h"

#include <cstddef>

// The drive addressed by every request for the whole run: 0.
extern DriveIndex driveIndex;

// Loads "ZOVEVIV.DLL" and finds "MSD_IOControl". A library without the
// entry is released again. True when bound; a bound transport stays bound.
bool bindDriver();

// Request 101: mount the disk again; readable false puts 0xFF at offset 13.
bool sendRemount(DriveIndex drive, bool readable);

// The driver answers at most 32 bytes (16 characters), which may lack a
// terminator: the answer buffer has room for one more.
constexpr std::size_t mountFolderCapacity = 17;

// Request 102: the mount folder's name, UTF-16, at most 16 characters, into
// answer (mountFolderCapacity characters). The name is emptied first, so a
// failed query leaves it empty; an answer without terminator ends after 16
// characters.
bool queryMountFolder(DriveIndex drive, char16_t (&answer)[mountFolderCapacity]);

// Request 103: completes the caller's record (commandLength, status and
// sense presets) and sends it. True when the driver reports status 0;
// without a driver the status is left at 14.
bool executeCommand(DriverRequest& request);

// TEST UNIT READY. False only when no drive answered (sense then 0xFF 0xFF);
// true with sense (0, 0) for a ready drive, or the driver's sense bytes for
// a failed command (0x3A: no disk).
bool probeDrive(DriveIndex drive, std::uint8_t sense[2]);

// Forgets the binding and releases the library. The program never calls it
// (the library stays loaded until the process ends); tests use it to start
// each case unbound.
void releaseDriverBinding();
