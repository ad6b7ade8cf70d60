// The front end shows dialogs and message boxes and reports what a person
// does. Four exist: the terminal (ncursesw) and the desktop (windows) for
// people, the script front end that reads actions from a script and writes
// a transcript, and the command line's job front end that plays the person
// for one job.
#pragma once

#include <cstdint>

struct DialogWindow; // a running dialog, private to the dialog manager
struct ControlState; // a control of it as the person sees it (dialogs/dialog_window.h)
using DialogHandle = DialogWindow*;

// What changed in the control that controlChanged reports.
enum class ControlChange : std::uint8_t {
    Text, Enabled, Check, Focus, DefaultButton, ProgressRange, ProgressPosition
};

// Why the dialog manager refused an action of the person.
enum class Refusal : std::uint8_t {
    NoSuchControl,   // a missing or hidden control
    DisabledControl, // a disabled control
    DisabledDefault, // Enter, with the default button disabled
    ReadOnlyEdit,    // typing into a read-only edit field
    NotAnEditField,  // typing into a control that is no edit field
    TakesNoClicks,   // a click on a control that takes none (a static text)
    NoMessageBox,    // an answer with no message box showing
};

// The refusal in words, as the script's transcript writes it.
const char* refusalText(Refusal why);

enum class UserActionKind { Click, Type, Key, Command, Answer, Dump };
enum class DialogKey { Enter, Escape, Tab, BackTab, F1 };

// Answers of a message box, as the platform numbers them.
constexpr int answerOk = 1;
constexpr int answerYes = 6;
constexpr int answerNo = 7;

struct UserAction {
    UserActionKind kind;
    int controlId;        // Click, Type, Command
    DialogKey key;        // Key
    int answer;           // Answer: answerOk, answerYes or answerNo
    char16_t text[256];   // Type: the new text of the edit field
};

class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // A dialog has opened, or is about to disappear.
    virtual void dialogOpened(DialogHandle dialog) = 0;
    virtual void dialogClosed(DialogHandle dialog) = 0;

    // Something visible in control changed (what: text, enabled, check,
    // focus or progress). The screen must show it at once, even while the
    // program blocks its thread with long work.
    virtual void controlChanged(DialogHandle dialog, const ControlState& control, ControlChange what) = 0;

    // The next thing the person does in the active dialog. Returns only with
    // an action; a front end whose input has run out ends the run itself.
    virtual void nextAction(DialogHandle active, UserAction* action) = 0;

    // Something a person tried that the dialog could not take (a disabled or
    // missing control), so the person can be told.
    virtual void actionRefused(const UserAction& action, Refusal why) = 0;

    // A message box owned by owner (or none); returns answerOk, answerYes or answerNo.
    virtual int messageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags) = 0;

    // The program starts another program (the help viewer). Returns true
    // when the platform should really start it as well.
    virtual bool processStarting(const char* program, const char16_t* commandLine) = 0;

    // The program ends with this exit code; the front end lets go of the screen.
    virtual void programEnded(int exitCode) = 0;
};

// The front end of this run; null until the launcher installs one.
FrontEnd* activeFrontEnd();
void installFrontEnd(FrontEnd* frontEnd);
