// The headless front end: reads what a person does from a script, one
// action per line, and writes a transcript of what the tool shows.
#pragma once

#include "platform/front_end.h"

#include <cstdio>

class ScriptFrontEnd : public FrontEnd {
public:
    // Reads actions from script and writes the transcript to transcript.
    ScriptFrontEnd(std::FILE* script, std::FILE* transcript);

    void dialogOpened(DialogHandle dialog) override;
    void dialogClosed(DialogHandle dialog) override;
    void controlChanged(DialogHandle dialog, int controlId) override;
    void nextAction(DialogHandle active, UserAction* action) override;
    void actionRefused(const UserAction& action, const char* why) override;
    int messageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags) override;
    bool processStarting(const char* program, const char16_t* commandLine) override;
    void programEnded(int exitCode) override;

    // Exit status of a run whose script ran out while the tool waited.
    static constexpr int stalledExitCode = 3;

private:
    // Reads the next action line; a script that has run out ends the run
    // with "stalled". Lines that are no action are refused and skipped.
    void readAction(UserAction* action);
    [[noreturn]] void stall();
    void writeQuoted(const char16_t* text);
    void writeQuotedUtf8(const char* text);
    void describe(const UserAction& action, char* out, std::size_t capacity);
    void dump(DialogHandle dialog);

    std::FILE* script_;
    std::FILE* transcript_;
    char line_[1024];
};
