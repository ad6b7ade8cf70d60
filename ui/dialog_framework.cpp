#include "ui/dialog_framework.h"

#include "platform/language.h"
#include "platform/process_start.h"
#include "ui/startup.h"

void openDialog(DialogHandle owner, std::uint16_t japaneseId, std::uint16_t englishId, DialogProcedure procedure)
{
    std::uint16_t id = languageId == languageJapanese ? japaneseId : englishId;
    runModalDialog(findDialogTemplate(instanceHandle, id), owner, procedure, 0);
}

void showHelp(const char16_t* topic) { startProcess("PegHelp.exe", topic); }
