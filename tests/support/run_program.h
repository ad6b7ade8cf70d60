// Runs one of the built programs (quibtools, quibdrive, quibreg) as a person
// would, and collects what it printed and its exit status.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exitCode = -1;     // -1 when it did not end normally
    std::string output;    // standard output (the transcript for --script)
    std::string errors;    // standard error
};

struct ProgramOptions {
    std::string input;                        // written to standard input, then closed
    std::vector<std::string> environment;     // NAME=VALUE, added to the test's own
    std::string programPath;                  // overrides the built program's path
    int timeoutSeconds = 60;                  // the run is killed after this
};

// The path of a built program in build/bin.
std::string builtProgram(const std::string& name);

// Runs program with the arguments; QUIB_HOME is the test's host folder.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const ProgramOptions& options = {});

// Runs quibtools --script - with the script on standard input.
ProgramRun runScript(const std::string& script, const ProgramOptions& options = {});
