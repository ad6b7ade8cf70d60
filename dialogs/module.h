// The program's module: what the platform hands the program's entry, and
// through which dialog templates and other resources are found.
#pragma once

#include <cstddef>
#include <cstdint>

struct DialogTemplate;   // dialogs/dialog_template.h
struct BitmapResource;   // dialogs/dialog_template.h

// The program's resources, linked into it as constant data by resources/.
struct ModuleResources {
    const DialogTemplate* const* dialogs;
    std::size_t dialogCount;
    const BitmapResource* const* bitmaps;
    std::size_t bitmapCount;
};

using ModuleHandle = const ModuleResources*;

// The program's own resource table (defined in resources/).
extern const ModuleResources programResources;

// The program's entry, as the platform's GUI entry: module instance,
// previous instance (never one here), command line and show state. The
// result is the process exit code.
int programEntry(ModuleHandle instance, ModuleHandle previousInstance, const char16_t* commandLine, int showState);
