// Window classes of this process, and finding a top-level window by class.
#pragma once

#include <cstdint>

using ClassAtom = std::uint16_t;
#include "dialogs/module.h"

// What start-up registers: no window of the class is ever created.
struct WindowClassInfo {
    const char16_t* className;
    std::uint32_t style;
    int classExtraBytes;
    int windowExtraBytes;
    ModuleHandle instance;
    int backgroundStockObject; // 0: the white stock brush
};

// Registers the class; 0 when a class of that name exists or the table is full.
ClassAtom registerWindowClass(const WindowClassInfo& info);

// Unregisters the class registered for that instance; false when unknown.
bool unregisterWindowClass(const char16_t* className, ModuleHandle instance);

// True when a top-level window of the class exists. Every window the tool
// shows is a dialog of the platform's dialog class, so this finds none; the
// caller then has nothing to bring to the foreground.
bool findTopLevelWindow(const char16_t* className);
