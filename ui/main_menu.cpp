#include "ui/main_menu.h"

#include "dialogs/dialogs.h"
#include "dialogs/message_box.h"
#include "protection/protection_status.h"
#include "resources/dialog_ids.h"
#include "settings/folder_name_dialog.h"
#include "ui/framework/dialog_framework.h"
#include "ui/format_dialog.h"
#include "ui/framework/message_catalogue.h"
#include "ui/protect_dialog.h"
#include "ui/status_dialog.h"

namespace {

constexpr const char16_t* helpTopic = u"QuibUSB.htc";

// Format and Protect need a disk: without a drive or a disk the menu says
// so and stays; with any protection state the dialog opens and deals with
// the protection itself.
void openWhenDiskPresent(DialogHandle menu, void (*opener)(DialogHandle))
{
    ProtectionState state = queryProtectionState(nullptr);
    if (state == NoDrive)
        showMessageBox(menu, messageCatalogue.noDriveText, messageCatalogue.errorCaption, messageIconStop);
    else if (state == NoDisk)
        showMessageBox(menu, messageCatalogue.noDiskText, messageCatalogue.errorCaption, messageIconStop);
    else
        opener(menu);
}

bool mainMenuProcedure(DialogHandle menu, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    switch (message) {
    case messageInitDialog:
        setFocusToControl(menu, controlId::close);
        return false;
    case messageHelp:
        showHelp(helpTopic);
        return true;
    case messageCommand:
        // The whole parameter is compared, so only clicks (notification 0) act.
        switch (first) {
        case controlId::menuStatus:
            openStatusDialog(menu);
            return true;
        case controlId::menuFormat:
            openWhenDiskPresent(menu, openFormatDialog);
            return true;
        case controlId::menuProtect:
            openWhenDiskPresent(menu, openProtectDialog);
            return true;
        case controlId::menuFolderName:
            openFolderNameDialog(menu);
            return true;
        case controlId::close:
            endDialog(menu, 1);
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

} // namespace

void openMainMenu(DialogHandle owner)
{
    openDialog(owner, templateId::mainMenuJapanese, templateId::mainMenuEnglish, mainMenuProcedure);
}
