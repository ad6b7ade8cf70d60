// The one folder under which the host keeps everything: the registry
// database, the virtual drive's state and disks, the single-instance lock.
#pragma once

#include <cstddef>

// Writes the host folder's path into out (capacity bytes, NUL-terminated):
// $QUIB_HOME when set, else $XDG_STATE_HOME/quibtools, else
// ~/.local/state/quibtools. Creates the folder (mode 0700) when missing.
// False when the path does not fit or the folder cannot be created.
bool hostFolderPath(char* out, std::size_t capacity);

// The path of a file inside the host folder, under the same rules.
bool hostFilePath(const char* fileName, char* out, std::size_t capacity);
