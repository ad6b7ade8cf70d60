// The command line's sub-commands: `quibtools status`, `format`, `protect`
// and `folder` run one job through the program's dialogs and end with an
// exit code that says how it went. The launcher runs the program for them
// as for its other front ends.
#pragma once

// True when word names a sub-command.
bool isSubCommand(const char* word);

class JobFrontEnd;

// Reads the sub-command argv[0] (one that isSubCommand names) and its
// words. Returns the exit code when the run ends here (its --help, a wrong
// command line); otherwise -1, with *job the front end that plays the
// person at the program's dialogs, whose outcome() is the run's exit code.
int openJob(int argc, char** argv, JobFrontEnd** job);

// The lines that list the sub-commands, for the tool's own --help.
extern const char subCommandSummary[];
