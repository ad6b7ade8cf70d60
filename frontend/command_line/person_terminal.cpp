#include "frontend/command_line/person_terminal.h"

#include "frontend/command_line/job_report.h"

#include "os/console.h"

#include <cstdio>

namespace {

int shownPercent = -1;
bool barOnScreen = false;

// Reads one line from standard input without stdio's buffering, so nothing
// typed after it (a second password) is swallowed. The rest of a line that
// does not fit into capacity - 1 bytes is read and dropped.
LineRead readLine(char* out, std::size_t capacity)
{
    std::size_t used = 0;
    bool fits = true;
    bool nul = false;
    bool any = false;
    for (;;) {
        char c;
        long n = readStandardInput(&c, 1);
        if (n < 0)
            return LineRead::failed;
        if (n == 0) {
            if (!any)
                return LineRead::ended;
            break;
        }
        any = true;
        if (c == '\n')
            break;
        if (c == '\0')
            nul = true;
        if (used + 1 < capacity)
            out[used++] = c;
        else
            fits = false;
    }
    if (used > 0 && out[used - 1] == '\r')
        --used;
    out[used] = '\0';
    if (!fits)
        return LineRead::tooLong;
    return nul ? LineRead::holdsNul : LineRead::read;
}

// "y" or "yes" in any case.
bool isYes(const char* answer)
{
    const char* yes = "yes";
    std::size_t n = 0;
    for (; answer[n] != '\0'; ++n) {
        char c = answer[n] >= 'A' && answer[n] <= 'Z' ? char(answer[n] - 'A' + 'a') : answer[n];
        if (n >= 3 || c != yes[n])
            return false;
    }
    return n == 1 || n == 3;
}

} // namespace

bool personAtTerminal() { return standardInputIsTerminal(); }

bool askYesNo(const char* question)
{
    std::fprintf(stderr, "%s [y/N] ", question);
    std::fflush(stderr);
    char answer[16];
    if (readLine(answer, sizeof answer) != LineRead::read)
        return false;
    return isYes(answer);
}

LineRead readSecretLine(const char* prompt, char* out, std::size_t capacity)
{
    if (standardInputIsTerminal()) {
        std::fprintf(stderr, "%s ", prompt);
        std::fflush(stderr);
    }
    bool quiet = silenceTerminalEcho(true);
    LineRead got = readLine(out, capacity);
    if (quiet)
        silenceTerminalEcho(false);
    return got;
}

void showProgress(int percent)
{
    if (percent == shownPercent)
        return;
    shownPercent = percent;
    if (!standardErrorIsTerminal()) {
        std::printf("%d%%\n", percent);
        flushOutput(stdout);
        return;
    }
    constexpr int width = 40;
    char bar[width + 1];
    int filled = percent * width / 100;
    for (int i = 0; i < width; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[width] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
    std::fflush(stderr);
    barOnScreen = true;
}

void endProgress()
{
    if (barOnScreen)
        std::fputc('\n', stderr);
    barOnScreen = false;
    shownPercent = -1;
}
