#include "ui/drive_line.h"

#include "device/driver_transport.h"
#include "dialogs/dialogs.h"
#include "os/wide_format.h"
#include "ui/framework/message_catalogue.h"

void composeDriveLine(ProtectionState state, char16_t* line, std::size_t capacity)
{
    char16_t folder[mountFolderCapacity];
    folder[0] = u'\0';
    if (state < NoDisk)
        queryMountFolder(driveIndex, folder);
    int number = driveIndex + 1;
    if (folder[0] != u'\0')
        formatWide(line, capacity, messageCatalogue.driveFolderLineFormat, number, folder);
    else
        formatWide(line, capacity, messageCatalogue.driveLineFormat, number);
}

ProtectionState showStatusAndDriveLine(DialogHandle dialog, int statusField, int driveLineField)
{
    char16_t text[statusTextCapacity];
    text[0] = u'\0';
    ProtectionState state = queryProtectionState(text);
    setControlText(dialog, statusField, text);
    composeDriveLine(state, text, statusTextCapacity);
    setControlText(dialog, driveLineField, text);
    return state;
}
