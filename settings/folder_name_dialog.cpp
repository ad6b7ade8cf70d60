#include "settings/folder_name_dialog.h"

#include "device/driver_transport.h"
#include "dialogs/dialogs.h"
#include "dialogs/message_box.h"
#include "os/wide_format.h"
#include "protection/protection_status.h"
#include "resources/dialog_ids.h"
#include "settings/driver_settings.h"
#include "ui/framework/dialog_framework.h"
#include "ui/framework/message_catalogue.h"

namespace {

constexpr const char16_t* helpTopic = u"QuibUSBFolder.htp";

// The number field is read into 3 characters: only its first two count.
constexpr std::size_t numberCapacity = 3;
// "Storage Card" and one digit with its NUL fit; so does the Japanese name.
constexpr std::size_t folderNameCapacity = 16;

constexpr std::uint32_t lowestFolderNumber = 2;
constexpr std::uint32_t highestFolderNumber = 9;

void fillFolderNameDialog(DialogHandle dialog)
{
    // Both values or nothing: a half-read setting shows no mode and no number.
    std::uint32_t mode = 0;
    std::uint32_t number = 0;
    if (!readRegistryNumber(u"Fixed", &mode, DriverSettingsKey) ||
        !readRegistryNumber(u"FolderNum", &number, DriverSettingsKey))
        return;
    setControlNumber(dialog, controlId::folderNumber, number);
    int checked = controlId::folderFixed;   // Fixed also stands for a mode the tool does not know
    if (mode == FolderNameAutomated)
        checked = controlId::folderAutomated;
    else if (mode == FolderNameLinked)
        checked = controlId::folderLinked;
    checkRadioButton(dialog, controlId::folderAutomated, controlId::folderLinked, checked);
}

bool isChecked(DialogHandle dialog, int id) { return sendControlMessage(dialog, id, buttonGetCheck, 0, 0) == 1; }

// With no radio checked the mode is Linked.
std::uint32_t chosenMode(DialogHandle dialog)
{
    if (isChecked(dialog, controlId::folderAutomated))
        return FolderNameAutomated;
    if (isChecked(dialog, controlId::folderFixed))
        return FolderNameFixed;
    return FolderNameLinked;
}

// Stores the folder number and name of the Fixed mode, or tells the person
// that the number is out of range and stores neither.
void applyFixedFolder(DialogHandle dialog)
{
    char16_t text[numberCapacity];
    getControlText(dialog, controlId::folderNumber, text, numberCapacity);
    // Taken as unsigned, a negative number lies above the range too.
    std::uint32_t number = std::uint32_t(parseWideDecimal(text));
    if (number < lowestFolderNumber || number > highestFolderNumber) {
        showMessageBox(dialog, messageCatalogue.fixedRangeText, messageCatalogue.folderErrorCaption,
                       messageIconStop);
        return;
    }
    char16_t folderName[folderNameCapacity];
    formatWide(folderName, folderNameCapacity, messageCatalogue.storageCardFormat, int(number));
    writeRegistryNumber(u"FolderNum", number, DriverSettingsKey);
    writeRegistryString(u"Folder", folderName, DriverSettingsKey);
}

// Stores the chosen mode, then has the driver mount the disk again so that
// it takes the new name; a read/write protected disk is mounted unreadable.
void applyFolderSetting(DialogHandle dialog)
{
    std::uint32_t mode = chosenMode(dialog);
    writeRegistryNumber(u"Fixed", mode, DriverSettingsKey);
    if (mode == FolderNameFixed)
        applyFixedFolder(dialog);

    ProtectionState state = queryProtectionState(nullptr);
    sendRemount(driveIndex, state != stateReadWriteProtectedPassword);
    // The status query may have switched the protection mode on.
    switchProtectionMode(false);
}

bool folderNameProcedure(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t)
{
    switch (message) {
    case messageInitDialog:
        fillFolderNameDialog(dialog);
        setFocusToControl(dialog, controlId::close);
        return false;
    case messageHelp:
        showHelp(helpTopic);
        return true;
    case messageCommand:
        // The whole parameter is compared, so only clicks (notification 0) act.
        switch (first) {
        case controlId::ok:
            applyFolderSetting(dialog);
            endDialog(dialog, 1);
            return true;
        case controlId::close:
            endDialog(dialog, 1);
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

} // namespace

void openFolderNameDialog(DialogHandle owner)
{
    openDialog(owner, templateId::folderSettingJapanese, templateId::folderSettingEnglish, folderNameProcedure);
}
