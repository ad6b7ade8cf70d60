// A front end's actions given to the system's dialogs as a person gives
// them. Each action is taken at a step: a message posted to a window of our
// own behind everything the system's dialog manager still has to handle,
// so an action starts only once the one before has had all its effects
// (a dialog it opened is open, one it ended has gone). Keys are posted to
// the focused control as the keyboard posts them, and go through the
// system's dialog handling (IsDialogMessage in the modal loop); clicks are
// the button's own click (BM_CLICK, which sends the mouse's button-down and
// button-up), or the mouse's press for an edit field; typed text replaces
// the field's selection, as a paste does, after the dialog has moved the
// focus there and selected the whole text. What the dialog cannot take (a
// missing, hidden or disabled control) is refused here, from the state of
// the system's control, and the front end is told.
#include "dialogs/win32/system_dialogs.h"

#include "dialogs/message_box.h"
#include "os/secret.h"

namespace {

constexpr UINT stepMessage = WM_APP + 1;
// The help key's message, which the system posts after F1's key-down.
constexpr UINT WM_KEYF1 = 0x004D;
constexpr wchar_t personClassName[] = L"QuibToolsPerson";

HWND personWindow = nullptr;
bool stepQueued = false;

struct ShowingBox {
    bool showing;
    DialogHandle owner;
    const char16_t* text;
    const char16_t* caption;
    unsigned flags;
};
ShowingBox box{};

// A typed text waits here while the edit field takes it.
UserAction action{};

void refuse(Refusal why)
{
    if (FrontEnd* frontEnd = activeFrontEnd())
        frontEnd->actionRefused(action, why);
}

// The window of control id in the dialog (the first with that id) and its
// kind; null when the dialog has none or does not show it.
HWND controlFor(DialogHandle dialog, int id, const ControlState** state)
{
    for (std::size_t i = 0; i < dialogControlCount(dialog); ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        if (control->source->id != id)
            continue;
        if (!isVisibleControl(control))
            return nullptr;
        *state = control;
        return controlWindowAt(dialog, i);
    }
    return nullptr;
}

// The control for a click or typing, or null after refusing the action.
HWND controlForInput(DialogHandle dialog, const ControlState** state)
{
    HWND window = controlFor(dialog, action.controlId, state);
    if (window == nullptr) {
        refuse(Refusal::NoSuchControl);
        return nullptr;
    }
    if (!IsWindowEnabled(window)) {
        refuse(Refusal::DisabledControl);
        return nullptr;
    }
    return window;
}

void postKey(HWND dialogWindow, WPARAM key)
{
    HWND focus = GetFocus();
    HWND target = focus != nullptr && (focus == dialogWindow || IsChild(dialogWindow, focus)) ? focus : dialogWindow;
    UINT scan = MapVirtualKeyW(UINT(key), MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, key, LPARAM(1 | scan << 16));
    PostMessageW(target, WM_KEYUP, key, LPARAM(1 | scan << 16 | 3u << 30));
}

void click(DialogHandle dialog)
{
    const ControlState* control = nullptr;
    HWND window = controlForInput(dialog, &control);
    if (window == nullptr)
        return;
    switch (control->kind) {
    case ControlKind::PushButton:
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
        PostMessageW(window, BM_CLICK, 0, 0);
        return;
    case ControlKind::Edit:
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        return;
    default:
        refuse(Refusal::TakesNoClicks);
        return;
    }
}

void type(DialogHandle dialog)
{
    const ControlState* control = nullptr;
    HWND window = controlForInput(dialog, &control);
    if (window == nullptr)
        return;
    if (control->kind != ControlKind::Edit) {
        refuse(Refusal::NotAnEditField);
        return;
    }
    if (isReadOnlyEdit(control)) {
        refuse(Refusal::ReadOnlyEdit);
        return;
    }
    SendMessageW(windowOfDialog(dialog), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window), TRUE);
    SendMessageW(window, EM_SETSEL, 0, -1);
    SendMessageW(window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(action.text));
}

// Enter presses the focused push button, else the dialog's default one;
// with that one disabled nothing happens, and the person is told.
void pressEnter(DialogHandle dialog)
{
    HWND dialogWindow = windowOfDialog(dialog);
    HWND focus = GetFocus();
    bool onPushButton = false;
    if (focus != nullptr && IsChild(dialogWindow, focus)) {
        LRESULT code = SendMessageW(focus, WM_GETDLGCODE, 0, 0);
        onPushButton = (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
    }
    if (!onPushButton) {
        LRESULT found = SendMessageW(dialogWindow, DM_GETDEFID, 0, 0);
        int id = HIWORD(found) == DC_HASDEFID ? LOWORD(found) : IDOK;
        HWND defaultButton = GetDlgItem(dialogWindow, id);
        if (defaultButton != nullptr && !IsWindowEnabled(defaultButton)) {
            refuse(Refusal::DisabledDefault);
            return;
        }
    }
    postKey(dialogWindow, VK_RETURN);
}

void pressKey(DialogHandle dialog)
{
    HWND dialogWindow = windowOfDialog(dialog);
    switch (action.key) {
    case DialogKey::Enter: pressEnter(dialog); return;
    case DialogKey::Escape: postKey(dialogWindow, VK_ESCAPE); return;
    case DialogKey::Tab: postKey(dialogWindow, VK_TAB); return;
    // Shift-Tab, as the dialog's keyboard handling takes it.
    case DialogKey::BackTab: PostMessageW(dialogWindow, WM_NEXTDLGCTL, 1, FALSE); return;
    // F1 as the system's keyboard handling gives it: the key and the help
    // key message (WM_KEYF1) the system posts for it, which the focused
    // window's default handling turns into WM_HELP for the dialog.
    case DialogKey::F1: {
        postKey(dialogWindow, VK_F1);
        HWND focus = GetFocus();
        PostMessageW(focus != nullptr && IsChild(dialogWindow, focus) ? focus : dialogWindow, WM_KEYF1, 0, 0);
        return;
    }
    }
}

void take(DialogHandle dialog)
{
    switch (action.kind) {
    case UserActionKind::Click: click(dialog); break;
    case UserActionKind::Type: type(dialog); break;
    case UserActionKind::Key: pressKey(dialog); break;
    case UserActionKind::Command:
        PostMessageW(windowOfDialog(dialog), WM_COMMAND, MAKEWPARAM(action.controlId, 0), 0);
        break;
    case UserActionKind::Answer: refuse(Refusal::NoMessageBox); break;
    case UserActionKind::Dump: break; // the front end writes it itself
    }
}

// The system's window of the showing message box: a dialog of this thread
// that is none of the program's.
BOOL CALLBACK findBox(HWND window, LPARAM found)
{
    wchar_t className[16];
    if (GetClassNameW(window, className, 16) == 0 || lstrcmpW(className, L"#32770") != 0)
        return TRUE;
    for (DialogHandle dialog = activeDialog(); dialog != nullptr; dialog = dialogOwner(dialog))
        if (windowOfDialog(dialog) == window)
            return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void answerBox()
{
    ShowingBox shown = box;
    int answer = activeFrontEnd()->messageBox(shown.owner, shown.text, shown.caption, shown.flags);
    HWND boxWindow = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&boxWindow));
    HWND button = boxWindow != nullptr ? GetDlgItem(boxWindow, answer) : nullptr;
    if (button != nullptr)
        PostMessageW(button, BM_CLICK, 0, 0);
    else if (boxWindow != nullptr)
        PostMessageW(boxWindow, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

void step()
{
    stepQueued = false;
    FrontEnd* frontEnd = activeFrontEnd();
    if (frontEnd == nullptr)
        return;
    if (box.showing) {
        answerBox();
        return;
    }
    DialogHandle dialog = activeDialog();
    if (!dialogTakesInput(dialog))
        return;
    action = UserAction{};
    frontEnd->nextAction(dialog, &action);
    take(dialog);
    clearSecret(&action, sizeof action); // typed text may be a password
    queuePersonStep();
}

LRESULT CALLBACK personProcedure(HWND window, UINT message, WPARAM first, LPARAM second)
{
    if (message == stepMessage) {
        step();
        return 0;
    }
    return DefWindowProcW(window, message, first, second);
}

bool personWindowReady()
{
    if (personWindow != nullptr)
        return true;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = personProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = personClassName;
    RegisterClassW(&windowClass);
    // A message-only window: never shown, never found by FindWindowW.
    personWindow = CreateWindowExW(0, personClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    return personWindow != nullptr;
}

} // namespace

void queuePersonStep()
{
    if (stepQueued || !personWindowReady())
        return;
    stepQueued = PostMessageW(personWindow, stepMessage, 0, 0) != 0;
}

void messageBoxShowing(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags)
{
    box = ShowingBox{true, owner, text, caption, flags};
    queuePersonStep();
}

void messageBoxGone()
{
    box = ShowingBox{};
    queuePersonStep();
}
