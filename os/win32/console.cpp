#include "os/console.h"

#include <cstdio>
#include <windows.h>

namespace {

DWORD savedMode = 0;
bool silenced = false;

bool isConsole(DWORD stream)
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

} // namespace

bool standardInputIsTerminal() { return isConsole(STD_INPUT_HANDLE); }
bool standardErrorIsTerminal() { return isConsole(STD_ERROR_HANDLE); }

// A console's input is read as UTF-16 and handed on in UTF-8, one
// character at a time, so no typed character waits in a buffer of ours
// longer than its read; a pipe or a file is read as it is.
long readStandardInput(char* buffer, std::size_t size)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD read = 0;
    if (!standardInputIsTerminal()) {
        if (!ReadFile(input, buffer, DWORD(size), &read, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
        return long(read);
    }
    static char pending[4];
    static int pendingCount = 0;
    static int pendingAt = 0;
    while (pendingAt == pendingCount) {
        wchar_t typed[1];
        if (!ReadConsoleW(input, typed, 1, &read, nullptr))
            return -1;
        if (read == 0 || typed[0] == 0x1A) // Ctrl-Z ends a console's input
            return 0;
        if (typed[0] == L'\r') // the console's line end is "\r\n"
            continue;
        pendingCount = WideCharToMultiByte(CP_UTF8, 0, typed, 1, pending, sizeof pending, nullptr, nullptr);
        pendingAt = 0;
        if (pendingCount <= 0)
            return -1;
    }
    std::size_t n = 0;
    while (n < size && pendingAt < pendingCount)
        buffer[n++] = pending[pendingAt++];
    return long(n);
}

// The console does not echo the line end either while echo is off: it is
// written when echo comes back, so the next output starts on a new line.
bool silenceTerminalEcho(bool silent)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!silent) {
        if (!silenced)
            return false;
        silenced = false;
        std::fputc('\n', stderr);
        return SetConsoleMode(input, savedMode) != 0;
    }
    if (silenced || !GetConsoleMode(input, &savedMode))
        return false;
    silenced = SetConsoleMode(input, savedMode & ~DWORD(ENABLE_ECHO_INPUT)) != 0;
    return silenced;
}
