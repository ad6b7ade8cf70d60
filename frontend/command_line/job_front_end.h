// The front end of a command-line job: it plays the person at the
// program's dialogs, choosing each action from the dialog that waits and
// the job, and tells the person at the terminal what came of it. Every
// check, message and drive command is the program's own.
#pragma once

#include "frontend/command_line/job.h"
#include "dialogs/front_end.h"

class JobFrontEnd : public FrontEnd {
public:
    explicit JobFrontEnd(const Job& job);
    ~JobFrontEnd() override;

    void dialogOpened(DialogHandle dialog) override;
    void dialogClosed(DialogHandle dialog) override;
    void controlChanged(DialogHandle dialog, const ControlState& control, ControlChange what) override;
    void nextAction(DialogHandle active, UserAction* action) override;
    void actionRefused(const UserAction& action, Refusal why) override;
    int messageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags) override;
    bool processStarting(const char* program, const char16_t* commandLine) override;
    void programEnded(int exitCode) override;

    // The job's exit code, once the program has ended.
    int outcome() const;

private:
    void fail(int code);
    void queueClick(int id);
    void queueCommand(int id);
    void clearQueue();
    bool queueTypeUtf8(int id, const char* text);
    void planMenu();
    void planFormat();
    void planProtect();
    void planFolder();
    bool planPassword(bool twice);
    void reportStatus(DialogHandle status);
    void checkLabelAfterOk(DialogHandle format);
    bool nameForbiddenLabelCharacter();
    bool folderSettingStored();

    const Job& job_;
    int failure_ = -1;         // the first failure's exit code; -1 for none
    bool succeeded_ = false;   // the job's own success was seen
    int visited_[9] = {}; // waits seen per kind of dialog (see screenOf)
    bool messageSinceOk_ = false;
    int actionsGiven_ = 0;
    int lastDialog_ = 0;       // the template id the plan below was made for
    UserAction queue_[6];
    int queued_ = 0;
    int next_ = 0;
};
