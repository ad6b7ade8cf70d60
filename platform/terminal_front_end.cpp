#include "platform/terminal_front_end.h"

#include "platform/script_front_end.h"

#include <cstdio>

// SCAFFOLD until the terminal front end is built: the tool reads a person's
// actions from standard input in the script protocol and writes the
// transcript to standard output.
FrontEnd* openTerminalFrontEnd()
{
    static ScriptFrontEnd stand_in(stdin, stdout);
    std::fputs("# The terminal screen is not built yet: type script actions "
               "(see docs/scripting.md).\n", stdout);
    return &stand_in;
}

void closeTerminalFrontEnd() {}
