// Finding a dialog template in the module's table, through the host's
// template choice: the same on every platform, since the table is the one
// list of the program's templates (on Windows it also names the RT_DIALOG
// resource the system's dialog manager runs).
#include "dialogs/dialogs.h"

namespace {

TemplateChoice templateChoice = nullptr;

} // namespace

void setTemplateChoice(TemplateChoice choice) { templateChoice = choice; }

const DialogTemplate* findDialogTemplate(ModuleHandle module, std::uint16_t id)
{
    if (module == nullptr)
        return nullptr;
    if (templateChoice != nullptr)
        id = templateChoice(id);
    for (std::size_t i = 0; i < module->dialogCount; ++i)
        if (module->dialogs[i] != nullptr && module->dialogs[i]->id == id)
            return module->dialogs[i];
    return nullptr;
}
