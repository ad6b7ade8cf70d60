// The one folder under which the host keeps everything: the registry
// database, the virtual drive's state and disks, the single-instance lock.
#pragma once

#include <cstddef>

// Writes the host folder's path into out (capacity bytes, NUL-terminated):
// $QUIB_HOME when set, else $XDG_STATE_HOME/quibtools, else
// ~/.local/state/quibtools. Creates the folder (mode 0700) when missing.
// False when the path does not fit, the folder cannot be created or
// written, or it is not safe to keep the person's files in: a folder owned
// by another user, or one that group or others may write, is refused as
// ssh refuses such a ~/.ssh. The reason is kept for hostFolderProblem.
bool hostFolderPath(char* out, std::size_t capacity);

// The host folder's path by the same rules, without creating or checking
// it: for queries that must leave nothing behind.
bool hostFolderName(char* out, std::size_t capacity);

// The path of a file inside the host folder, under the same rules.
bool hostFilePath(const char* fileName, char* out, std::size_t capacity);

// Why the host folder could not be used the last time it was asked for,
// in words for the person: the folder (empty when none could be named) and
// the reason. Both empty while no request has failed.
struct HostFolderProblem {
    const char* folder;
    const char* reason;
};
HostFolderProblem hostFolderProblem();

// Records that a file in the host folder could not be opened, with the
// system's error number, so that the person can be told.
void noteHostFileProblem(const char* path, int error);

// Says on standard error why the host folder cannot be used, as
// "quibtools: cannot use the host folder 'F': WHY".
void writeHostFolderProblem();
