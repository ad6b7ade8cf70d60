#include "ui/startup.h"

#include "device/driver_transport.h"
#include "os/language.h"
#include "dialogs/message_box.h"
#include "dialogs/window_class.h"
#include "settings/driver_settings.h"
#include "ui/main_menu.h"
#include "ui/framework/message_catalogue.h"

namespace {

constexpr const char16_t* programClassName = u"QuibTools";

// Exit codes: 1 when the guard fails or the menu was closed; 0 when the
// class cannot be registered or the user chose not to go on without a drive.
constexpr int exitGuardFailed = 1;
constexpr int exitMenuClosed = 1;
constexpr int exitNotStarted = 0;

// The first copy resets the event and keeps it reset for its whole run, so
// every copy started meanwhile finds it non-signalled.
bool passSingleInstanceGuard()
{
    singleInstanceEvent = createNamedEvent("QuibTools");
    if (singleInstanceEvent == nullptr)
        return false;
    if (eventIsSignalled(singleInstanceEvent)) {
        resetEvent(singleInstanceEvent);
        return true;
    }
    // Another copy runs. Its windows are dialogs of the platform's dialog
    // class, so no window of our class is found to bring to the front.
    findTopLevelWindow(programClassName);
    return false;
}

} // namespace

bool startupCheck()
{
    ensureDriverSettings();
    std::uint8_t sense[2];
    if (probeDrive(driveIndex, sense))
        return true;
    int answer = showMessageBox(nullptr, messageCatalogue.noDriveContinueText, messageCatalogue.noDriveText,
                                messageIconQuestion | messageBoxYesNo);
    return answer == answerYes;
}

int programEntry(ModuleHandle instance, ModuleHandle previousInstance, const char16_t*, int)
{
    instanceHandle = instance;
    languageId = defaultLanguageId();
    selectCatalogue(languageId);

    if (!passSingleInstanceGuard())
        return exitGuardFailed; // the event is released with the process

    if (previousInstance == nullptr) {
        WindowClassInfo info{programClassName, 0, 0, 0, instanceHandle, 0};
        if (registerWindowClass(info) == 0) {
            closeEvent(singleInstanceEvent);
            return exitNotStarted;
        }
    }

    if (!startupCheck()) {
        closeEvent(singleInstanceEvent);
        return exitNotStarted;
    }

    openMainMenu(nullptr);

    unregisterWindowClass(programClassName, instanceHandle);
    closeEvent(singleInstanceEvent);
    return exitMenuClosed;
}
