// The five operations that change the inserted disk's protection. Each
// sends the vendor protection command between a switch-on and a switch-off
// of the protection mode, reads the new state and has the disk mounted
// again. True when the drive accepted the command and the driver the re-mount.
#pragma once

// Passwords are wide text ended by a zero character; they go to the drive
// as 8-bit text of the language's code page, cut after 32 bytes.
bool writeProtectDisk();
bool unprotectDisk(const char16_t* password);
bool writeProtectWithPassword(const char16_t* password);
bool readWriteProtectWithPassword(const char16_t* password);
bool unprotectUntilEject(const char16_t* password);
