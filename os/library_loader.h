// Loading a library by file name and looking up its exports.
#pragma once

// An opaque handle to a loaded library; null when nothing is loaded.
using LibraryHandle = void*;

// Loads the library by its file name alone, so the platform's search applies:
// the program's own folder (run path $ORIGIN), then LD_LIBRARY_PATH and the
// system folders. Returns null when it cannot be found or loaded, with the
// loader's reason in lastSystemError() (os/system_error.h).
LibraryHandle loadLibrary(const char* fileName);

// The address of the named export, or null when the library lacks it (the
// reason likewise).
void* findExport(LibraryHandle library, const char* exportName);

// Releases a library loaded by loadLibrary; a null handle is ignored.
void releaseLibrary(LibraryHandle library);
