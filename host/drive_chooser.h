// The chooser of the real drive: when the copy of the tool beside the
// real-drive library starts without QUIB_DEVICE, the person picks the drive
// among the USB disks present, in the front end that runs, before the
// program starts.
#pragma once

enum class DriveChoice {
    chosen,      // QUIB_DEVICE now names the chosen disk, for this run
    cancelled,   // the person ended the tool in the chooser
    unavailable, // the library offers no listing: the program starts as it would
};

// Loads the real-drive library beside the program, lists its USB disks and
// shows the chooser until the person chooses one or cancels; "Look Again"
// lists them anew. Needs an installed front end.
DriveChoice chooseRealDrive();
