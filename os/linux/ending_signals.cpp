#include "os/ending_signals.h"

#include "os/work_in_hand.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP};

constexpr char driveFormattingNotice[] =
    "quibtools: the Long Format was cut short: the drive goes on erasing; the disk will have no file "
    "system until it is formatted again\n";

sigset_t heldBefore;
bool holding = false;

void onEndingSignal(int signal)
{
    if (workInHand() == WorkInHand::driveFormatting) {
        ssize_t ignored = write(STDERR_FILENO, driveFormattingNotice, sizeof driveFormattingNotice - 1);
        (void)ignored;
    }
    // The signal is blocked while this handler runs: raised again with the
    // default action, it ends the tool as soon as the handler returns.
    struct sigaction standard{};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    raise(signal);
}

void endingSignalSet(sigset_t* set)
{
    sigemptyset(set);
    for (int signal : endingSignals)
        sigaddset(set, signal);
}

} // namespace

void installEndingSignalNotice()
{
    for (int signal : endingSignals) {
        struct sigaction old;
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action{};
        action.sa_handler = onEndingSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

void holdEndingSignals()
{
    if (holding)
        return;
    sigset_t set;
    endingSignalSet(&set);
    if (sigprocmask(SIG_BLOCK, &set, &heldBefore) == 0)
        holding = true;
}

void releaseEndingSignals()
{
    if (!holding)
        return;
    holding = false;
    sigprocmask(SIG_SETMASK, &heldBefore, nullptr);
}
