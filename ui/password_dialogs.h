// The Password and New Password dialogs, which collect a disk password for
// the Protect Setting dialog. Neither talks to the drive.
#pragma once

#include "dialogs/front_end.h"

#include <cstddef>

// Up to 32 characters of password and the NUL.
constexpr std::size_t passwordCapacity = 33;

// The answer of the last password dialog: a non-empty password, or a NUL
// first character when the person cancelled. Zero at start; the next
// password dialog overwrites it.
extern char16_t PasswordBuffer[passwordCapacity];

// Clears PasswordBuffer once the command that needed the password has
// returned, so that the password does not stay in memory; its first
// character is then NUL as after a cancel.
void forgetPassword();

// Asks once for the disk's current password (Password dialog) over owner.
void askPassword(DialogHandle owner);

// Asks twice for a new password (New Password dialog) over owner; only two
// equal, non-empty entries are taken.
void askNewPassword(DialogHandle owner);
