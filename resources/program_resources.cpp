// The program's module table: every dialog template, Japanese and English,
// and the logo bitmap. Templates are found by id alone; each id is unique.
#include "dialogs/module.h"

#include "resources/templates.h"

#include <iterator>

namespace {

const DialogTemplate* const dialogs[] = {
    &templates::mainMenuJapanese,            // 113
    &templates::mainMenuEnglish,             // 126
    &templates::mainMenuWithProtectEnglish,  // 134, never opened
    &templates::mainMenuWithProtectJapanese, // 135, never opened
    &templates::statusJapanese,              // 118
    &templates::statusEnglish,               // 132
    &templates::folderSettingJapanese,       // 108
    &templates::folderSettingEnglish,        // 125
    &templates::formatJapanese,              // 116
    &templates::formatEnglish,               // 128
    &templates::formatExecuteJapanese,       // 117
    &templates::formatExecuteEnglish,        // 133
    &templates::formatExecuteWithProgressEnglish, // 124, never opened
    &templates::protectSettingJapanese,      // 112
    &templates::protectSettingEnglish,       // 131
    &templates::passwordJapanese,            // 115
    &templates::passwordEnglish,             // 129
    &templates::newPasswordJapanese,         // 114
    &templates::newPasswordEnglish,          // 130
};

const BitmapResource* const bitmaps[] = {
    &templates::logoBitmap, // 121
};

} // namespace

const ModuleResources programResources = {dialogs, std::size(dialogs), bitmaps, std::size(bitmaps)};
