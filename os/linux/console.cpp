#include "os/console.h"

#include <termios.h>
#include <unistd.h>

namespace {

termios saved;
bool silenced = false;

} // namespace

bool standardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }
bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

long readStandardInput(char* buffer, std::size_t size) { return long(read(STDIN_FILENO, buffer, size)); }

// The typed line's newline is still echoed, so the next output starts on
// a line of its own.
bool silenceTerminalEcho(bool silent)
{
    if (!silent) {
        if (!silenced)
            return false;
        silenced = false;
        return tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved) == 0;
    }
    if (silenced || isatty(STDIN_FILENO) != 1 || tcgetattr(STDIN_FILENO, &saved) != 0)
        return false;
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    quiet.c_lflag |= ECHONL;
    silenced = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    return silenced;
}
