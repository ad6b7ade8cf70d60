#include "ui/framework/dialog_framework.h"

#include "os/language.h"
#include "os/process_start.h"
#include "ui/framework/program_values.h"

void openDialog(DialogHandle owner, std::uint16_t japaneseId, std::uint16_t englishId, DialogProcedure procedure)
{
    std::uint16_t id = languageId == languageJapanese ? japaneseId : englishId;
    runModalDialog(findDialogTemplate(instanceHandle, id), owner, procedure, 0);
}

void showHelp(const char16_t* topic) { startProcess("PegHelp.exe", topic); }
