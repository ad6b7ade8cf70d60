// A disk's protection: its state and, for the states with a password, the
// password's salted hash. Kept in a file beside the disk's image, so a disk
// keeps its protection when it is ejected and inserted again.
#pragma once

#include "os/folder_files.h"

#include <cstdint>
#include <string>
#include <string_view>

// The state as the vendor status page reports it (0 to 15).
using DiskState = std::uint8_t;
constexpr DiskState stateUnprotected = 0;
constexpr DiskState stateWriteProtected = 2;
constexpr DiskState stateWriteProtectedPassword = 3;
constexpr DiskState stateReadWriteProtectedPassword = 5;
// A protection lifted until eject reads as the protected state plus 8.
constexpr DiskState liftedUntilEject = 8;
// A protection record that cannot be read or understood: nothing may lift
// it, and a low-level format is the way out.
constexpr DiskState stateBroken = 15;

struct ProtectionRecord {
    DiskState state = stateUnprotected;
    std::string passwordHash; // the system's hash (os/password_hash.h); empty for states without a password
    bool operator==(const ProtectionRecord&) const = default;
};

// Every disk has a record from its creation on (createDisk writes one, a
// low-level format writes a fresh one), so a record that is missing has been
// taken away: like one that cannot be read (no permission, a folder or a
// link in its place, a read error) or understood, it reads as stateBroken.
// A protection never fails open.
// The file is name in folder (drive_files.h).
ProtectionRecord loadProtectionRecordIn(FileHandle folder, const std::string& name);
ProtectionRecord parseProtectionRecord(const std::string& text);
// Replaces the file atomically.
bool saveProtectionRecordIn(FileHandle folder, const std::string& name, const ProtectionRecord& record);

bool allowsReading(DiskState state);
bool allowsWriting(DiskState state);

// The vendor protection command's outcome.
enum class ProtectionChange {
    done,
    unknownMode,          // not one of 0, 2, 3, 5, 8
    doesNotFitState,      // a mode the disk's present state does not allow
    badPasswordField,     // a password where none belongs, none where one is needed, or a zero byte in it
    wrongPassword,
    hashFailed,           // the new password could not be hashed
};

// Carries out protection command mode with the password bytes:
//   2 (write protect)                 from 0
//   3, 5 (protect with a password)    from 0, 2 and 10; the password becomes the disk's
//   8 (lift until eject)              from 2, 3 and 5, giving 10, 11 and 13
//   0 (remove the protection)         from 2, 3, 5, 10, 11 and 13
// Modes 0 and 8 need the disk's password where it has one, the empty one otherwise.
ProtectionChange changeProtection(ProtectionRecord& record, std::uint8_t mode, std::string_view password);

// Ejecting the disk ends a lift: 10, 11 and 13 become 2, 3 and 5 again.
void endLiftUntilEject(ProtectionRecord& record);
