// Work of the program that the host may have to tell the person about: a
// drive formatting the disk on its own when a signal ends the tool, or a
// long wait for such a drive. The program says what it has in hand; the
// host chooses the words.
#pragma once

enum class WorkInHand {
    none,
    driveFormatting,          // the drive's low-level format runs: the disk is being erased
    waitingForFormattingDrive // a status query waits for a drive still formatting
};

// The program begins or ends a piece of work (none when it has ended).
void noteWorkInHand(WorkInHand work);

// What the program has in hand now; safe to read in a signal handler.
WorkInHand workInHand();

// The host's listener, told of each change (null for none).
using WorkListener = void (*)(WorkInHand work);
void listenToWork(WorkListener listener);
