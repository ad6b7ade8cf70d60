// Every dialog template id and control id of the program, by name, in one
// place: the templates carry them; the dialogs, the format run, the host,
// the command line's jobs and the tests use them.
#pragma once

#include <cstdint>

namespace templateId {
constexpr std::uint16_t mainMenuJapanese = 113;
constexpr std::uint16_t mainMenuEnglish = 126;
// The menus with the Protect button, which the host opens in place of the
// program's (host/protect_menu.h).
constexpr std::uint16_t mainMenuWithProtectEnglish = 134;
constexpr std::uint16_t mainMenuWithProtectJapanese = 135;
constexpr std::uint16_t statusJapanese = 118;
constexpr std::uint16_t statusEnglish = 132;
constexpr std::uint16_t folderSettingJapanese = 108;
constexpr std::uint16_t folderSettingEnglish = 125;
constexpr std::uint16_t formatJapanese = 116;
constexpr std::uint16_t formatEnglish = 128;
constexpr std::uint16_t formatExecuteJapanese = 117;
constexpr std::uint16_t formatExecuteEnglish = 133;
// An English Format Execute with the progress bar (the host's, likewise).
constexpr std::uint16_t formatExecuteWithProgressEnglish = 124;
constexpr std::uint16_t protectSettingJapanese = 112;
constexpr std::uint16_t protectSettingEnglish = 131;
constexpr std::uint16_t passwordJapanese = 115;
constexpr std::uint16_t passwordEnglish = 129;
constexpr std::uint16_t newPasswordJapanese = 114;
constexpr std::uint16_t newPasswordEnglish = 130;
} // namespace templateId

namespace controlId {
// The platform's own: OK (also Start, Yes) and Close (also Cancel, Escape).
constexpr int ok = 1;
constexpr int close = 2;

// Main menu.
constexpr int menuFormat = 1023;
constexpr int menuStatus = 1024;
constexpr int menuProtect = 1025; // only in the menus with the Protect button
constexpr int menuFolderName = 1026;

// Status.
constexpr int statusState = 1021;
constexpr int statusLabel = 1031;
constexpr int statusDriveLine = 1045;

// Format.
constexpr int formatSimple = 1037;
constexpr int formatLong = 1038;
constexpr int formatLabel = 1039;
constexpr int formatDriveLine = 1040;
constexpr int formatStatusLine = 1041;

// Format Execute.
constexpr int executeText = 1046;
constexpr int executeProgressBar = 1030;

// Protect Setting.
constexpr int protectRemove = 1015;
constexpr int protectWrite = 1016;
constexpr int protectReadWriteWithPassword = 1017;
constexpr int protectRemoveUntilEject = 1018;
constexpr int protectWriteWithPassword = 1019;
constexpr int protectDriveLine = 1042;
constexpr int protectStatusLine = 1043;

// Password and New Password.
constexpr int passwordField = 1027;
constexpr int passwordVerify = 1022; // New Password only

// Folder Setting.
constexpr int folderAutomated = 1034;
constexpr int folderFixed = 1035;
constexpr int folderLinked = 1036;
constexpr int folderNumber = 1044;
} // namespace controlId
