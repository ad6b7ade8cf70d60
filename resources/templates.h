// The program's dialog templates and its logo bitmap, one object per
// resource; program_resources.cpp gathers them into the module's table.
#pragma once

#include "dialogs/dialog_template.h"

namespace templates {

// Main menu: 113 Japanese, 126 English; 134 English and 135 Japanese carry a
// Protect button as well and are never opened.
extern const DialogTemplate mainMenuJapanese;
extern const DialogTemplate mainMenuEnglish;
extern const DialogTemplate mainMenuWithProtectEnglish;
extern const DialogTemplate mainMenuWithProtectJapanese;

// Status: 118 Japanese, 132 English.
extern const DialogTemplate statusJapanese;
extern const DialogTemplate statusEnglish;

// Folder Setting: 108 Japanese, 125 English.
extern const DialogTemplate folderSettingJapanese;
extern const DialogTemplate folderSettingEnglish;

// Format: 116 Japanese, 128 English.
extern const DialogTemplate formatJapanese;
extern const DialogTemplate formatEnglish;

// Format Execute: 117 Japanese (with progress bar), 133 English (without);
// 124 is an English one with progress bar that is never opened.
extern const DialogTemplate formatExecuteJapanese;
extern const DialogTemplate formatExecuteEnglish;
extern const DialogTemplate formatExecuteWithProgressEnglish;

// Protect Setting: 112 Japanese, 131 English.
extern const DialogTemplate protectSettingJapanese;
extern const DialogTemplate protectSettingEnglish;

// Password: 115 Japanese, 129 English; New Password: 114 Japanese, 130 English.
extern const DialogTemplate passwordJapanese;
extern const DialogTemplate passwordEnglish;
extern const DialogTemplate newPasswordJapanese;
extern const DialogTemplate newPasswordEnglish;

// Bitmap 121, the logo of the main menu; generated at build time from logo.bmp.
extern const BitmapResource logoBitmap;

} // namespace templates
