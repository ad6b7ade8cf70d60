// The front end shows dialogs and message boxes and reports what a person
// does. Four exist: the terminal (ncursesw) and the desktop (windows) for
// people, the script front end that reads actions from a script and writes
// a transcript, and the command line's job front end that plays the person
// for one job.
#pragma once

#include <cstdint>

struct DialogWindow; // a running dialog, owned by the dialog manager

// Reasons the dialog manager gives a front end for an action it refused
// (the script's transcript writes them as they are).
constexpr const char* refusedDisabledControl = "the control is disabled";
constexpr const char* refusedDisabledDefault = "the default button is disabled";
constexpr const char* refusedReadOnlyEdit = "the edit field is read-only";
using DialogHandle = DialogWindow*;

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

    // Something visible in a control changed: text, enabled, check, focus or
    // progress. The screen must show it at once, even while the program
    // blocks its thread with long work.
    virtual void controlChanged(DialogHandle dialog, int controlId) = 0;

    // The next thing the person does in the active dialog. Returns only with
    // an action; a front end whose input has run out ends the run itself.
    virtual void nextAction(DialogHandle active, UserAction* action) = 0;

    // Something a person tried that the dialog could not take (a disabled or
    // missing control), so the person can be told; why is one of the reasons
    // below, or another for what they do not name.
    virtual void actionRefused(const UserAction& action, const char* why) = 0;

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
