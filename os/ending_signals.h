// The signals that end the tool at a person's or the system's request:
// SIGINT (Ctrl-C), SIGTERM and SIGHUP. They still end it with their own
// status, but never in the middle of writing a file system, and a run cut
// short while the drive erases the disk says what state it leaves.
#pragma once

// Installed once at start: an ending signal that arrives while the drive's
// low-level format runs (WorkInHand::driveFormatting) writes one line on
// standard error saying what state the disk is left in, then ends the tool
// as the signal would have. Signals the tool was started to ignore stay
// ignored. A front end that installs handlers of its own later passes the
// signal on to this one.
void installEndingSignalNotice();

// Holds the ending signals back while work runs that must not be cut in
// the middle (the file system's writes); releasing acts on one that came
// meanwhile at once. SIGKILL cannot be held.
void holdEndingSignals();
void releaseEndingSignals();
