// The dialog toolkit on Windows: each dialog is the system's own, made from
// the program's RT_DIALOG resource and run modally by the system's dialog
// manager (DialogBoxIndirectParamW), with the program's procedure behind a
// system dialog procedure. The calls of dialogs.h go to the system's
// controls; what front ends read of a control (dialog_window.h) is read
// back from the system's control each time, so a transcript shows what the
// real controls hold.
#include "dialogs/win32/system_dialogs.h"

#include "os/secret.h"
#include "os/wide_format.h"

#include <commctrl.h>

// A running dialog: the system's window and, for front ends, the last
// reading of each control.
struct DialogWindow {
    const DialogTemplate* source;
    DialogHandle owner;
    DialogProcedure procedure;
    std::intptr_t initParam;
    HWND window;
    HWND controlWindows[maxDialogControls];
    ControlState controls[maxDialogControls];
    std::size_t controlCount;
    bool running;
    bool shown;
    bool ended;
};

namespace {

DialogWindow pool[maxNestedDialogs];
std::size_t openCount = 0;

bool isRunning(DialogHandle dialog) { return dialog != nullptr && dialog->running; }

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

int indexOf(DialogHandle dialog, int id)
{
    for (std::size_t i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].source->id == id)
            return int(i);
    return -1;
}

// Reads the control at index from its system window.
ControlState& readControl(DialogHandle dialog, std::size_t index)
{
    ControlState& control = dialog->controls[index];
    HWND window = dialog->controlWindows[index];
    if (window == nullptr)
        return control;
    LONG style = GetWindowLongW(window, GWL_STYLE);
    control.text[0] = u'\0';
    if (control.kind != ControlKind::Bitmap && control.kind != ControlKind::ProgressBar)
        GetWindowTextW(window, reinterpret_cast<wchar_t*>(control.text), int(controlTextCapacity));
    control.enabled = IsWindowEnabled(window) != 0;
    control.tabStop = (style & WS_TABSTOP) != 0;
    if (control.kind == ControlKind::RadioButton || control.kind == ControlKind::CheckBox)
        control.checked = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    control.isDefault = control.kind == ControlKind::PushButton && (style & 0x0F) == BS_DEFPUSHBUTTON;
    if (control.kind == ControlKind::ProgressBar) {
        PBRANGE range{};
        SendMessageW(window, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&range));
        control.rangeLow = std::uint16_t(range.iLow);
        control.rangeHigh = std::uint16_t(range.iHigh);
        control.position = std::uint16_t(SendMessageW(window, PBM_GETPOS, 0, 0));
    }
    return control;
}

void report(DialogHandle dialog, int index, ControlChange what)
{
    FrontEnd* frontEnd = activeFrontEnd();
    if (!dialog->shown || frontEnd == nullptr)
        return;
    frontEnd->controlChanged(dialog, readControl(dialog, std::size_t(index)), what);
}

// A control's text is told when it differs from the last reading: an edit
// field tells each change itself (EN_CHANGE, also for the person's typing),
// the other controls change only when the program sets them; an edit the
// program sets may tell it twice, and is reported once.
void reportText(DialogHandle dialog, int index)
{
    if (!dialog->shown || activeFrontEnd() == nullptr)
        return;
    char16_t before[controlTextCapacity];
    copyWide(before, controlTextCapacity, dialog->controls[index].text);
    bool changed = !wideEqual(before, readControl(dialog, std::size_t(index)).text);
    clearSecret(before, sizeof before);
    if (changed)
        report(dialog, index, ControlChange::Text);
}

int indexOfWindow(DialogHandle dialog, HWND window)
{
    for (std::size_t i = 0; i < dialog->controlCount; ++i)
        if (dialog->controlWindows[i] == window)
            return int(i);
    return -1;
}

DialogHandle dialogOfWindow(HWND window)
{
    return reinterpret_cast<DialogHandle>(GetWindowLongPtrW(window, DWLP_USER));
}

// The controls' windows in template order: the system creates them in that
// order, and that is their order among the dialog's children.
void findControlWindows(DialogHandle dialog)
{
    HWND child = GetWindow(dialog->window, GW_CHILD);
    for (std::size_t i = 0; i < dialog->controlCount; ++i) {
        dialog->controlWindows[i] = child;
        if (child != nullptr)
            child = GetWindow(child, GW_HWNDNEXT);
    }
}

// A push button is the one Enter presses while it has the focus; with the
// focus anywhere else that role goes back to the dialog's default button
// (the template's, else OK). The system's dialog manager keeps the look in
// step when the keyboard moves the focus (WM_NEXTDLGCTL) but not when a
// click or the typing into a field does: there the last push button would
// go on looking like the one Enter presses while Enter presses another.
void showDefaultButton(DialogHandle dialog)
{
    HWND focus = GetFocus();
    bool onPushButton = false;
    if (focus != nullptr && IsChild(dialog->window, focus))
        onPushButton = (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
    if (onPushButton)
        return;
    LRESULT found = SendMessageW(dialog->window, DM_GETDEFID, 0, 0);
    int defaultId = HIWORD(found) == DC_HASDEFID ? LOWORD(found) : IDOK;
    for (std::size_t i = 0; i < dialog->controlCount; ++i) {
        if (dialog->controls[i].kind != ControlKind::PushButton)
            continue;
        HWND button = dialog->controlWindows[i];
        LONG style = GetWindowLongW(button, GWL_STYLE) & 0x0F;
        LONG wanted = dialog->controls[i].source->id == defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if (style != wanted)
            SendMessageW(button, BM_SETSTYLE, WPARAM(wanted), TRUE);
    }
}

// The system's dialog procedure for every dialog of the program: it hands
// the messages the program's procedures know (initialisation, commands,
// help) to the procedure of the dialog, and leaves the rest to the system.
INT_PTR CALLBACK systemDialogProcedure(HWND window, UINT message, WPARAM first, LPARAM second)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<DialogWindow*>(second);
        dialog->window = window;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        findControlWindows(dialog);
        bool focusFirst = dialog->procedure(dialog, messageInitDialog, 0, dialog->initParam);
        // A dialog ended during its initialisation is never shown.
        if (!dialog->ended) {
            dialog->shown = true;
            for (std::size_t i = 0; i < dialog->controlCount; ++i)
                readControl(dialog, i);
            if (FrontEnd* frontEnd = activeFrontEnd()) {
                frontEnd->dialogOpened(dialog);
                queuePersonStep();
            }
        }
        return focusFirst ? TRUE : FALSE;
    }
    DialogHandle dialog = dialogOfWindow(window);
    if (!isRunning(dialog))
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(first) == EN_CHANGE) {
            int index = indexOfWindow(dialog, reinterpret_cast<HWND>(second));
            if (index >= 0)
                reportText(dialog, index);
        }
        if (HIWORD(first) == EN_SETFOCUS || HIWORD(first) == BN_CLICKED)
            showDefaultButton(dialog);
        // The program's procedures read the id and the notification; the
        // control's window is the system's business.
        return dialog->procedure(dialog, messageCommand, first, 0) ? TRUE : FALSE;
    case WM_HELP:
        return dialog->procedure(dialog, messageHelp, 0, 0) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

bool commonControlsReady()
{
    static bool ready = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    return ready;
}

} // namespace

HWND windowOfDialog(DialogHandle dialog) { return isRunning(dialog) ? dialog->window : nullptr; }

HWND controlWindowAt(DialogHandle dialog, std::size_t index)
{
    return isRunning(dialog) && index < dialog->controlCount ? dialog->controlWindows[index] : nullptr;
}

bool dialogTakesInput(DialogHandle dialog) { return isRunning(dialog) && dialog->shown && !dialog->ended; }

std::intptr_t runModalDialog(const DialogTemplate* dialogTemplate, DialogHandle owner, DialogProcedure procedure,
                             std::intptr_t initParam)
{
    if (dialogTemplate == nullptr || procedure == nullptr || !commonControlsReady())
        return -1;
    if (openCount == maxNestedDialogs || dialogTemplate->controlCount > maxDialogControls)
        return -1;
    // The template's own resource, in its language: the table and the
    // resources are made from the same templates.
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(dialogTemplate->id),
                                  dialogTemplate->resourceLanguage);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    auto* resource = loaded != nullptr ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
    if (resource == nullptr)
        return -1;

    DialogWindow* dialog = &pool[openCount++];
    *dialog = DialogWindow{};
    dialog->source = dialogTemplate;
    dialog->owner = owner;
    dialog->procedure = procedure;
    dialog->initParam = initParam;
    dialog->controlCount = dialogTemplate->controlCount;
    dialog->running = true;
    for (std::size_t i = 0; i < dialog->controlCount; ++i) {
        dialog->controls[i].source = &dialogTemplate->controls[i];
        dialog->controls[i].kind = controlKindOf(dialogTemplate->controls[i]);
    }

    INT_PTR result = DialogBoxIndirectParamW(module, resource, windowOfDialog(owner), systemDialogProcedure,
                                             reinterpret_cast<LPARAM>(dialog));
    if (dialog->shown) {
        if (FrontEnd* frontEnd = activeFrontEnd())
            frontEnd->dialogClosed(dialog);
    }
    // The last readings of a password field go with the dialog.
    clearSecret(dialog->controls, sizeof dialog->controls);
    dialog->running = false;
    --openCount;
    // The owner takes input again: a step for it, should the front end
    // have given none while the dialog ran to its end.
    if (openCount > 0 && activeFrontEnd() != nullptr)
        queuePersonStep();
    return result;
}

bool sendDialogMessage(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second)
{
    return isRunning(dialog) && SendMessageW(dialog->window, message, first, second) != 0;
}

bool endDialog(DialogHandle dialog, std::intptr_t result)
{
    if (!isRunning(dialog))
        return false;
    dialog->ended = true;
    return EndDialog(dialog->window, result) != 0;
}

DialogHandle dialogOwner(DialogHandle dialog) { return isRunning(dialog) ? dialog->owner : nullptr; }

bool setControlText(DialogHandle dialog, int id, const char16_t* text)
{
    if (!isRunning(dialog))
        return false;
    int index = indexOf(dialog, id);
    if (index < 0)
        return false;
    HWND window = dialog->controlWindows[index];
    wchar_t shown[controlTextCapacity];
    GetWindowTextW(window, shown, int(controlTextCapacity));
    const char16_t* fresh = text != nullptr ? text : u"";
    if (wideEqual(reinterpret_cast<const char16_t*>(shown), fresh))
        return true;
    if (!SetWindowTextW(window, wide(fresh)))
        return false;
    // A multi-line edit tells no change made this way (no EN_CHANGE).
    reportText(dialog, index);
    return true;
}

std::size_t getControlText(DialogHandle dialog, int id, char16_t* buffer, std::size_t capacity)
{
    if (capacity == 0)
        return 0;
    buffer[0] = u'\0';
    if (!isRunning(dialog))
        return 0;
    int index = indexOf(dialog, id);
    if (index < 0)
        return 0;
    return std::size_t(GetWindowTextW(dialog->controlWindows[index], reinterpret_cast<wchar_t*>(buffer),
                                      int(capacity)));
}

bool setControlNumber(DialogHandle dialog, int id, unsigned value)
{
    char16_t text[16];
    formatWide(text, 16, u"%u", value);
    return setControlText(dialog, id, text);
}

std::intptr_t sendControlMessage(DialogHandle dialog, int id, std::uint32_t message, std::uintptr_t first,
                                 std::intptr_t second)
{
    if (!isRunning(dialog))
        return 0;
    int index = indexOf(dialog, id);
    if (index < 0)
        return 0;
    HWND window = dialog->controlWindows[index];
    ControlState& control = dialog->controls[index];
    switch (message) {
    case buttonGetCheck:
        return SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    case progressSetRange:
    case progressSetPosition: {
        if (control.kind != ControlKind::ProgressBar)
            return 0;
        auto before = std::uint16_t(SendMessageW(window, PBM_GETPOS, 0, 0));
        LRESULT old = SendMessageW(window, message, first, second);
        if (message == progressSetRange)
            report(dialog, index, ControlChange::ProgressRange);
        if (std::uint16_t(SendMessageW(window, PBM_GETPOS, 0, 0)) != before)
            report(dialog, index, ControlChange::ProgressPosition);
        return old;
    }
    default:
        return 0;
    }
}

bool checkRadioButton(DialogHandle dialog, int firstId, int lastId, int checkedId)
{
    if (!isRunning(dialog) || !CheckRadioButton(dialog->window, firstId, lastId, checkedId))
        return false;
    for (std::size_t i = 0; i < dialog->controlCount; ++i) {
        int id = dialog->controls[i].source->id;
        if (id >= firstId && id <= lastId)
            report(dialog, int(i), ControlChange::Check);
    }
    return true;
}

bool enableControl(DialogHandle dialog, int id, bool enable)
{
    if (!isRunning(dialog))
        return false;
    int index = indexOf(dialog, id);
    if (index < 0)
        return false;
    HWND window = dialog->controlWindows[index];
    if ((IsWindowEnabled(window) != 0) == enable)
        return true;
    // The system takes the focus from a control it disables and gives it to
    // nobody, which leaves the person's keys going nowhere: the focus moves
    // on first, through the dialog, to the next control that can take it.
    if (!enable && GetFocus() == window)
        SendMessageW(dialog->window, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(window, enable ? TRUE : FALSE);
    report(dialog, index, ControlChange::Enabled);
    // A dialog whose controls were all disabled (during long work) has lost
    // the focus; the first tab stop enabled again takes it back.
    HWND focus = GetFocus();
    bool focusInDialog = focus != nullptr && (focus == dialog->window || IsChild(dialog->window, focus));
    if (enable && dialog->shown && !focusInDialog && (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) != 0)
        SendMessageW(dialog->window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window), TRUE);
    return true;
}

// As the person's Tab does: through the dialog, which also makes a push
// button it lands on the default one and selects an edit field's text.
bool setFocusToControl(DialogHandle dialog, int id)
{
    if (!isRunning(dialog))
        return false;
    int index = indexOf(dialog, id);
    if (index < 0)
        return false;
    HWND window = dialog->controlWindows[index];
    if (!IsWindowVisible(window) && (dialog->source->controls[index].style & styleVisible) == 0)
        return false;
    if (!IsWindowEnabled(window))
        return false;
    SendMessageW(dialog->window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window), TRUE);
    return true;
}

DialogHandle activeDialog() { return openCount == 0 ? nullptr : &pool[openCount - 1]; }

const DialogTemplate* dialogTemplateOf(DialogHandle dialog) { return isRunning(dialog) ? dialog->source : nullptr; }

std::size_t dialogControlCount(DialogHandle dialog) { return isRunning(dialog) ? dialog->controlCount : 0; }

const ControlState* dialogControlAt(DialogHandle dialog, std::size_t index)
{
    if (!isRunning(dialog) || index >= dialog->controlCount)
        return nullptr;
    return &readControl(dialog, index);
}

const ControlState* findControl(DialogHandle dialog, int id)
{
    if (!isRunning(dialog))
        return nullptr;
    int index = indexOf(dialog, id);
    return index < 0 ? nullptr : &readControl(dialog, std::size_t(index));
}

const ControlState* focusedControl(DialogHandle dialog)
{
    if (!isRunning(dialog))
        return nullptr;
    HWND focus = GetFocus();
    for (std::size_t i = 0; i < dialog->controlCount; ++i)
        if (focus != nullptr && dialog->controlWindows[i] == focus)
            return &readControl(dialog, i);
    return nullptr;
}
