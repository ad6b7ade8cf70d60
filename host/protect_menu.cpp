#include "host/protect_menu.h"

#include "dialogs/dialogs.h"
#include "os/host_folder.h"
#include "resources/dialog_ids.h"

#include <climits>
#include <unistd.h>

namespace {

bool protectMenuOn = false;

struct TemplateSwap {
    std::uint16_t programId;
    std::uint16_t hostId;
};

constexpr TemplateSwap protectMenuTemplates[] = {
    // The menus: Protect between Format and Folder Name.
    {templateId::mainMenuEnglish, templateId::mainMenuWithProtectEnglish},
    {templateId::mainMenuJapanese, templateId::mainMenuWithProtectJapanese},
    // The English Format Execute with the progress bar.
    {templateId::formatExecuteEnglish, templateId::formatExecuteWithProgressEnglish},
};

bool settingFilePresent()
{
    char path[PATH_MAX];
    return hostFilePath("protect-menu", path, sizeof path) && access(path, F_OK) == 0;
}

} // namespace

void chooseProtectMenu(bool optionGiven)
{
    protectMenuOn = optionGiven || settingFilePresent();
    setTemplateChoice(hostTemplateId);
}

std::uint16_t hostTemplateId(std::uint16_t id)
{
    if (!protectMenuOn)
        return id;
    for (const TemplateSwap& swap : protectMenuTemplates)
        if (swap.programId == id)
            return swap.hostId;
    return id;
}
