// The command line's sub-commands: `quibtools status`, `format`, `protect`
// and `folder` run one job through the program's dialogs and end with an
// exit code that says how it went.
#pragma once

// True when word names a sub-command.
bool isSubCommand(const char* word);

// Runs the sub-command argv[0] with its words; returns the exit code.
int runSubCommand(int argc, char** argv);

// The lines that list the sub-commands, for the tool's own --help.
extern const char subCommandSummary[];
