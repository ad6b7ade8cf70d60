// The console's Ctrl-C, Ctrl-Break and close on Windows: the system runs
// the handler on a thread of its own, so while the file system's writes are
// held the handler waits for their release, and the tool ends after them.
#include "os/ending_signals.h"

#include "os/work_in_hand.h"

#include <windows.h>

namespace {

constexpr char driveFormattingNotice[] =
    "quibtools: the Long Format was cut short: the drive goes on erasing; the disk will have no file "
    "system until it is formatted again\n";

// Signalled while nothing is held.
HANDLE released = nullptr;

BOOL WINAPI onConsoleEnd(DWORD)
{
    if (released != nullptr)
        WaitForSingleObject(released, INFINITE);
    if (workInHand() == WorkInHand::driveFormatting) {
        DWORD written;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), driveFormattingNotice, sizeof driveFormattingNotice - 1, &written,
                  nullptr);
    }
    // As a program ended by Ctrl-C ends: with STATUS_CONTROL_C_EXIT.
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

} // namespace

void installEndingSignalNotice()
{
    if (released == nullptr)
        released = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    SetConsoleCtrlHandler(onConsoleEnd, TRUE);
}

void holdEndingSignals()
{
    if (released != nullptr)
        ResetEvent(released);
}

void releaseEndingSignals()
{
    if (released != nullptr)
        SetEvent(released);
}
