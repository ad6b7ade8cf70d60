// What every dialog shares: opening it from the template of the run's
// language, and starting the help viewer.
#pragma once

#include "dialogs/dialogs.h"

#include <cstdint>

// Runs the dialog modally over owner (or none) from the Japanese template
// when the language is Japanese (1041), else from the English one, and
// returns when it has ended. Neither the lookup nor the result is looked at.
void openDialog(DialogHandle owner, std::uint16_t japaneseId, std::uint16_t englishId, DialogProcedure procedure);

// Starts the help viewer with the topic file as its whole command line. A
// viewer that cannot start is not reported; the dialog stays open.
void showHelp(const char16_t* topic);
