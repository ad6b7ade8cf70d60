// The headless front end: reads what a person does from a script, one
// action per line, and writes a transcript of what the tool shows.
#pragma once

#include "dialogs/front_end.h"

#include <cstddef>
#include <cstdio>

// What reading one line of a script gave.
enum class ScriptLineStatus { Line, HoldsNul, End };

// Reads one line of a script into line (capacity bytes, NUL-terminated),
// without its line end (the newline and any carriage returns before it).
// A longer line is cut after capacity - 1 bytes and the rest of it is
// skipped, never read as a line of its own: it may be the tail of a typed
// password. A line holding a NUL byte is read to its end all the same and
// gives HoldsNul, with what came before the NUL in line. End when the script
// has run out (or cannot be read) before the first byte of a line.
ScriptLineStatus readScriptLine(std::FILE* script, char* line, std::size_t capacity);

class ScriptFrontEnd : public FrontEnd {
public:
    // Reads actions from script and writes the transcript to transcript.
    ScriptFrontEnd(std::FILE* script, std::FILE* transcript);

    void dialogOpened(DialogHandle dialog) override;
    void dialogClosed(DialogHandle dialog) override;
    void controlChanged(DialogHandle dialog, const ControlState& control, ControlChange what) override;
    void nextAction(DialogHandle active, UserAction* action) override;
    void actionRefused(const UserAction& action, Refusal why) override;
    int messageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags) override;
    bool processStarting(const char* program, const char16_t* commandLine) override;
    void programEnded(int exitCode) override;

    // The host folder cannot be used: says which and why in the transcript.
    void hostFolderUnusable(const char* folder, const char* why);
    // Another copy of the tool is running.
    void alreadyRunning();
    // Exit status of a run whose script ran out while the tool waited.
    static constexpr int stalledExitCode = 3;
    // Exit status of a run whose transcript could not be written (its reader
    // went away): the work in hand is finished first, then the run ends.
    static constexpr int transcriptLostExitCode = 5;

private:
    // Reads the next action line; a script that has run out ends the run
    // with "stalled". Lines that are no action are refused and skipped.
    void readAction(UserAction* action);
    // Reads one line; true when it is an action, now in *action.
    bool parseLine(UserAction* action);
    [[noreturn]] void stall();
    [[noreturn]] void endWithoutTranscript();
    void refuseLine(const char* line, const char* why);
    // An action refused, by the dialog manager or by this front end itself.
    void writeRefused(const UserAction& action, const char* why);
    void flush();
    void writeQuoted(const char16_t* text);
    void writeQuotedUtf8(const char* text);
    // One transcript line: the event's words and two quoted texts.
    void writeEvent(const char* event, const char* first, const char* second);
    void describe(const UserAction& action, char* out, std::size_t capacity);
    void dump(DialogHandle dialog);

    std::FILE* script_;
    std::FILE* transcript_;
    char line_[1024];
    bool transcriptLost_ = false;
    int transcriptError_ = 0;
};
