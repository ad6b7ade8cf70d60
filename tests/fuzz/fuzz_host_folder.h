// The host folder of a fuzz target's process: one temporary folder, made on
// first use and removed when the process ends, so a fuzz run never touches
// a person's files. Each target empties what it needs between inputs.
#pragma once

#include <string>

// Makes the folder (on the memory file system when there is one), points
// QUIB_HOME at it and returns its path. The same path for the whole run.
const std::string& fuzzHostFolder();

// Removes everything inside the folder at path, keeping the folder itself.
void emptyFolder(const std::string& path);
