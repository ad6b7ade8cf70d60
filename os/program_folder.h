// Files that ship beside the running program: the driver library, the
// help viewer.
#pragma once

#include <cstddef>

// Puts the path of fileName in the running program's folder into path
// (capacity bytes). False when fileName is not a plain name (it holds a
// '/'), the folder cannot be read or the path does not fit. Whether the
// file exists is not looked at.
bool pathInProgramFolder(const char* fileName, char* path, std::size_t capacity);
