// The dialog manager: modal dialogs from the program's templates, each with
// a nested input loop, and the platform's default handling of keys, clicks
// and typing. Dialogs nest strictly, so the running ones form a stack in a
// fixed pool and the top of it is the one that takes input.
#include "dialogs/dialog_window.h"

#include "os/secret.h"
#include "os/wide_format.h"

// A running dialog as the dialog manager keeps it.
struct DialogWindow {
    const DialogTemplate* source;
    DialogHandle owner;
    DialogProcedure procedure;
    ControlState controls[maxDialogControls];
    std::size_t controlCount;
    int focus;              // index into controls, -1 for none
    int defaultId;          // the template's default push button, else 1
    bool running;
    bool shown;             // initialisation is over and the front end shows it
    bool ended;
    std::intptr_t result;
};

namespace {

DialogWindow pool[maxNestedDialogs];
std::size_t openCount = 0;

constexpr int noFocus = -1;
constexpr int okId = 1;
constexpr int cancelId = 2;
constexpr std::uint16_t clickNotification = 0;

bool isRunning(DialogHandle dialog) { return dialog != nullptr && dialog->running; }

bool isVisible(const ControlState& control) { return (control.source->style & styleVisible) != 0; }
bool isAutoRadio(const ControlState& control)
{
    return control.kind == ControlKind::RadioButton && (control.source->style & 0x0F) == buttonAutoRadio;
}
bool isAutoCheckBox(const ControlState& control)
{
    std::uint32_t type = control.source->style & 0x0F;
    return control.kind == ControlKind::CheckBox && (type == 0x3 || type == 0x6);
}

int indexOf(DialogHandle dialog, int id)
{
    for (std::size_t i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].source->id == id)
            return int(i);
    return -1;
}

// Tells the front end about a change it must show; a dialog that is still
// being initialised is shown whole once it opens.
void report(DialogHandle dialog, int index, ControlChange what)
{
    FrontEnd* frontEnd = activeFrontEnd();
    if (!dialog->shown || frontEnd == nullptr)
        return;
    frontEnd->controlChanged(dialog, dialog->controls[index], what);
}

void setChecked(DialogHandle dialog, int index, bool checked)
{
    ControlState& control = dialog->controls[index];
    if (control.kind != ControlKind::RadioButton && control.kind != ControlKind::CheckBox)
        return;
    // A radio button is its group's tab stop while it holds the check.
    if (control.kind == ControlKind::RadioButton)
        control.tabStop = checked;
    if (control.checked == checked)
        return;
    control.checked = checked;
    report(dialog, index, ControlChange::Check);
}

// A push button is the one Enter presses while it has the focus, whoever
// put it there; with the focus anywhere else that role goes back to the
// button of the dialog's default id. So the button drawn as the one Enter
// presses is always the one it does press.
void updateDefaultButton(DialogHandle dialog, int focusIndex)
{
    bool onPushButton = focusIndex != noFocus && dialog->controls[focusIndex].kind == ControlKind::PushButton;
    for (std::size_t i = 0; i < dialog->controlCount; ++i) {
        ControlState& control = dialog->controls[i];
        if (control.kind != ControlKind::PushButton)
            continue;
        bool isDefault = onPushButton ? int(i) == focusIndex : control.source->id == dialog->defaultId;
        if (control.isDefault != isDefault) {
            control.isDefault = isDefault;
            report(dialog, int(i), ControlChange::DefaultButton);
        }
    }
}

void moveFocus(DialogHandle dialog, int index)
{
    int old = dialog->focus;
    if (old == index)
        return;
    dialog->focus = index;
    if (old != noFocus)
        report(dialog, old, ControlChange::Focus);
    if (index != noFocus)
        report(dialog, index, ControlChange::Focus);
    updateDefaultButton(dialog, index);
}

bool takesInput(const ControlState& control) { return control.enabled && isVisible(control); }

bool isTabStop(const ControlState& control) { return control.tabStop && takesInput(control); }

int firstTabStop(DialogHandle dialog)
{
    for (std::size_t i = 0; i < dialog->controlCount; ++i)
        if (isTabStop(dialog->controls[i]))
            return int(i);
    return noFocus;
}

// The next tab stop after the focus (forward) or before it, wrapping round.
int nextTabStop(DialogHandle dialog, bool forward)
{
    int count = int(dialog->controlCount);
    if (count == 0)
        return noFocus;
    int start = dialog->focus;
    if (start == noFocus)
        start = forward ? count - 1 : 0;
    for (int step = 1; step <= count; ++step) {
        int i = forward ? (start + step) % count : (start - step + count) % count;
        if (isTabStop(dialog->controls[i]))
            return i;
    }
    return noFocus;
}

void sendCommand(DialogHandle dialog, int id, std::uint16_t notification)
{
    std::uintptr_t first = std::uintptr_t(std::uint16_t(id)) | std::uintptr_t(notification) << 16;
    dialog->procedure(dialog, messageCommand, first, 0);
}

// An automatic radio button's group runs from the nearest control at or
// before it that starts a group up to the next control that starts one.
void checkInGroup(DialogHandle dialog, int index)
{
    int first = index;
    while (first > 0 && (dialog->controls[first].source->style & styleGroup) == 0)
        --first;
    int end = index + 1;
    while (end < int(dialog->controlCount) && (dialog->controls[end].source->style & styleGroup) == 0)
        ++end;
    for (int i = first; i < end; ++i)
        if (dialog->controls[i].kind == ControlKind::RadioButton)
            setChecked(dialog, i, i == index);
}

void refuse(const UserAction& action, Refusal why)
{
    if (FrontEnd* frontEnd = activeFrontEnd())
        frontEnd->actionRefused(action, why);
}

// The control an action names, or null after refusing the action.
ControlState* controlForInput(DialogHandle dialog, const UserAction& action)
{
    int index = indexOf(dialog, action.controlId);
    if (index < 0 || !isVisible(dialog->controls[index])) {
        refuse(action, Refusal::NoSuchControl);
        return nullptr;
    }
    ControlState& control = dialog->controls[index];
    if (!control.enabled) {
        refuse(action, Refusal::DisabledControl);
        return nullptr;
    }
    return &control;
}

void click(DialogHandle dialog, const UserAction& action)
{
    ControlState* control = controlForInput(dialog, action);
    if (control == nullptr)
        return;
    int index = int(control - dialog->controls);
    switch (control->kind) {
    case ControlKind::PushButton:
        moveFocus(dialog, index);
        break;
    case ControlKind::RadioButton:
        moveFocus(dialog, index);
        if (isAutoRadio(*control))
            checkInGroup(dialog, index);
        break;
    case ControlKind::CheckBox:
        moveFocus(dialog, index);
        if (isAutoCheckBox(*control))
            setChecked(dialog, index, !control->checked);
        break;
    case ControlKind::Edit:
        // A click into a field only gives it the focus.
        moveFocus(dialog, index);
        return;
    default:
        refuse(action, Refusal::TakesNoClicks);
        return;
    }
    sendCommand(dialog, control->source->id, clickNotification);
}

void type(DialogHandle dialog, const UserAction& action)
{
    ControlState* control = controlForInput(dialog, action);
    if (control == nullptr)
        return;
    if (control->kind != ControlKind::Edit) {
        refuse(action, Refusal::NotAnEditField);
        return;
    }
    if (isReadOnlyEdit(control)) {
        refuse(action, Refusal::ReadOnlyEdit);
        return;
    }
    moveFocus(dialog, int(control - dialog->controls));
    setControlText(dialog, control->source->id, action.text);
    sendCommand(dialog, control->source->id, editChangeNotification);
}

void pressEnter(DialogHandle dialog, const UserAction& action)
{
    if (dialog->focus != noFocus) {
        const ControlState& focused = dialog->controls[dialog->focus];
        if (focused.kind == ControlKind::PushButton) {
            sendCommand(dialog, focused.source->id, clickNotification);
            return;
        }
    }
    int index = indexOf(dialog, dialog->defaultId);
    if (index >= 0 && !dialog->controls[index].enabled) {
        refuse(action, Refusal::DisabledDefault);
        return;
    }
    sendCommand(dialog, dialog->defaultId, clickNotification);
}

void pressKey(DialogHandle dialog, const UserAction& action)
{
    switch (action.key) {
    case DialogKey::Enter:
        pressEnter(dialog, action);
        break;
    case DialogKey::Escape:
        sendCommand(dialog, cancelId, clickNotification);
        break;
    case DialogKey::Tab:
    case DialogKey::BackTab: {
        int next = nextTabStop(dialog, action.key == DialogKey::Tab);
        if (next != noFocus)
            moveFocus(dialog, next);
        break;
    }
    case DialogKey::F1:
        dialog->procedure(dialog, messageHelp, 0, 0);
        break;
    }
}

void handle(DialogHandle dialog, const UserAction& action)
{
    switch (action.kind) {
    case UserActionKind::Click: click(dialog, action); break;
    case UserActionKind::Type: type(dialog, action); break;
    case UserActionKind::Key: pressKey(dialog, action); break;
    case UserActionKind::Command: sendCommand(dialog, action.controlId, clickNotification); break;
    case UserActionKind::Answer:
        refuse(action, Refusal::NoMessageBox);
        break;
    case UserActionKind::Dump:
        break; // the front end writes it itself
    }
}

void build(DialogWindow* dialog, const DialogTemplate* dialogTemplate, DialogHandle owner, DialogProcedure procedure)
{
    *dialog = DialogWindow{};
    dialog->source = dialogTemplate;
    dialog->owner = owner;
    dialog->procedure = procedure;
    dialog->controlCount = dialogTemplate->controlCount;
    dialog->focus = noFocus;
    dialog->defaultId = okId;
    dialog->running = true;
    bool defaultFound = false;
    for (std::size_t i = 0; i < dialog->controlCount; ++i) {
        const ControlTemplate& source = dialogTemplate->controls[i];
        ControlState& control = dialog->controls[i];
        control.source = &source;
        control.kind = controlKindOf(source);
        copyWide(control.text, controlTextCapacity, source.text != nullptr ? source.text : u"");
        control.enabled = (source.style & styleDisabled) == 0;
        control.tabStop = (source.style & styleTabStop) != 0;
        control.rangeHigh = 100;
        if (control.kind == ControlKind::PushButton && (source.style & 0x0F) == buttonDefaultPush && !defaultFound) {
            control.isDefault = true;
            dialog->defaultId = source.id;
            defaultFound = true;
        }
    }
}

} // namespace

std::intptr_t runModalDialog(const DialogTemplate* dialogTemplate, DialogHandle owner, DialogProcedure procedure,
                             std::intptr_t initParam)
{
    if (dialogTemplate == nullptr || procedure == nullptr || activeFrontEnd() == nullptr)
        return -1;
    if (openCount == maxNestedDialogs || dialogTemplate->controlCount > maxDialogControls)
        return -1;
    DialogWindow* dialog = &pool[openCount++];
    build(dialog, dialogTemplate, owner, procedure);

    if (procedure(dialog, messageInitDialog, 0, initParam))
        moveFocus(dialog, firstTabStop(dialog));

    // A dialog ended during its initialisation is never shown.
    if (!dialog->ended) {
        dialog->shown = true;
        activeFrontEnd()->dialogOpened(dialog);
        while (!dialog->ended) {
            UserAction action{};
            activeFrontEnd()->nextAction(dialog, &action);
            handle(dialog, action);
            clearSecret(&action, sizeof action); // typed text may be a password
        }
        activeFrontEnd()->dialogClosed(dialog);
    }
    // What a password field held goes with its dialog: the procedure has
    // taken what it needs, and nobody reads the field afterwards.
    for (std::size_t i = 0; i < dialog->controlCount; ++i) {
        if (isPasswordEdit(&dialog->controls[i]))
            clearSecret(dialog->controls[i].text, sizeof dialog->controls[i].text);
    }

    std::intptr_t result = dialog->result;
    dialog->running = false;
    --openCount;
    return result;
}

bool sendDialogMessage(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second)
{
    return isRunning(dialog) && dialog->procedure(dialog, message, first, second);
}

bool endDialog(DialogHandle dialog, std::intptr_t result)
{
    if (!isRunning(dialog))
        return false;
    dialog->ended = true;
    dialog->result = result;
    return true;
}

DialogHandle dialogOwner(DialogHandle dialog) { return isRunning(dialog) ? dialog->owner : nullptr; }

bool setControlText(DialogHandle dialog, int id, const char16_t* text)
{
    if (!isRunning(dialog))
        return false;
    int index = indexOf(dialog, id);
    if (index < 0)
        return false;
    char16_t fresh[controlTextCapacity];
    copyWide(fresh, controlTextCapacity, text != nullptr ? text : u"");
    ControlState& control = dialog->controls[index];
    if (wideEqual(control.text, fresh))
        return true;
    copyWide(control.text, controlTextCapacity, fresh);
    report(dialog, index, ControlChange::Text);
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
    copyWide(buffer, capacity, dialog->controls[index].text);
    return wideLength(buffer);
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
    ControlState& control = dialog->controls[index];
    switch (message) {
    case buttonGetCheck:
        return control.checked ? 1 : 0;
    case progressSetRange: {
        if (control.kind != ControlKind::ProgressBar)
            return 0;
        std::intptr_t old = std::intptr_t(control.rangeLow) | std::intptr_t(control.rangeHigh) << 16;
        auto packed = std::uint32_t(second);
        control.rangeLow = std::uint16_t(packed & 0xFFFF);
        control.rangeHigh = std::uint16_t(packed >> 16);
        report(dialog, index, ControlChange::ProgressRange);
        // The position stays within the new range.
        std::uint16_t high = control.rangeHigh < control.rangeLow ? control.rangeLow : control.rangeHigh;
        std::uint16_t kept = control.position < control.rangeLow ? control.rangeLow
                           : control.position > high            ? high
                                                                 : control.position;
        if (kept != control.position) {
            control.position = kept;
            report(dialog, index, ControlChange::ProgressPosition);
        }
        return old;
    }
    case progressSetPosition: {
        if (control.kind != ControlKind::ProgressBar)
            return 0;
        std::intptr_t old = control.position;
        std::uintptr_t wanted = first;
        std::uint16_t high = control.rangeHigh < control.rangeLow ? control.rangeLow : control.rangeHigh;
        std::uint16_t kept = wanted < control.rangeLow ? control.rangeLow
                           : wanted > high             ? high
                                                       : std::uint16_t(wanted);
        if (kept != control.position) {
            control.position = kept;
            report(dialog, index, ControlChange::ProgressPosition);
        }
        return old;
    }
    default:
        return 0;
    }
}

bool checkRadioButton(DialogHandle dialog, int firstId, int lastId, int checkedId)
{
    if (!isRunning(dialog))
        return false;
    for (std::size_t i = 0; i < dialog->controlCount; ++i) {
        int id = dialog->controls[i].source->id;
        if (id >= firstId && id <= lastId)
            setChecked(dialog, int(i), id == checkedId);
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
    ControlState& control = dialog->controls[index];
    if (control.enabled == enable)
        return true;
    control.enabled = enable;
    report(dialog, index, ControlChange::Enabled);
    // A disabled control cannot keep the focus: it moves on to the next
    // control in tab order that can take it.
    if (!enable && dialog->focus == index)
        moveFocus(dialog, nextTabStop(dialog, true));
    // A dialog whose controls were all disabled (during long work) has lost
    // the focus; the first tab stop enabled again takes it back.
    if (enable && dialog->focus == noFocus && dialog->shown && isTabStop(control))
        moveFocus(dialog, index);
    return true;
}

bool setFocusToControl(DialogHandle dialog, int id)
{
    if (!isRunning(dialog))
        return false;
    int index = indexOf(dialog, id);
    if (index < 0 || !takesInput(dialog->controls[index]))
        return false;
    moveFocus(dialog, index);
    return true;
}

DialogHandle activeDialog() { return openCount == 0 ? nullptr : &pool[openCount - 1]; }

const DialogTemplate* dialogTemplateOf(DialogHandle dialog) { return isRunning(dialog) ? dialog->source : nullptr; }

std::size_t dialogControlCount(DialogHandle dialog) { return isRunning(dialog) ? dialog->controlCount : 0; }

const ControlState* dialogControlAt(DialogHandle dialog, std::size_t index)
{
    if (!isRunning(dialog) || index >= dialog->controlCount)
        return nullptr;
    return &dialog->controls[index];
}

const ControlState* findControl(DialogHandle dialog, int id)
{
    if (!isRunning(dialog))
        return nullptr;
    int index = indexOf(dialog, id);
    return index < 0 ? nullptr : &dialog->controls[index];
}

const ControlState* focusedControl(DialogHandle dialog)
{
    if (!isRunning(dialog) || dialog->focus == noFocus)
        return nullptr;
    return &dialog->controls[dialog->focus];
}
