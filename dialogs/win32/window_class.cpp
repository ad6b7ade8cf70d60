// Window classes on Windows: the system's own, registered for the program's
// module (the executable), with the system's default window procedure and
// the white stock brush. Finding a window of a class is the system's
// FindWindowW; one that is found is brought to the foreground, as the
// running copy of the tool should come to the front.
#include "dialogs/window_class.h"

#include <windows.h>

ClassAtom registerWindowClass(const WindowClassInfo& info)
{
    if (info.className == nullptr || info.className[0] == u'\0')
        return 0;
    WNDCLASSW windowClass{};
    windowClass.style = info.style;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.cbClsExtra = info.classExtraBytes;
    windowClass.cbWndExtra = info.windowExtraBytes;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(info.backgroundStockObject));
    windowClass.lpszClassName = reinterpret_cast<const wchar_t*>(info.className);
    return RegisterClassW(&windowClass);
}

bool unregisterWindowClass(const char16_t* className, ModuleHandle)
{
    return UnregisterClassW(reinterpret_cast<const wchar_t*>(className), GetModuleHandleW(nullptr)) != 0;
}

bool findTopLevelWindow(const char16_t* className)
{
    HWND found = FindWindowW(reinterpret_cast<const wchar_t*>(className), nullptr);
    if (found == nullptr)
        return false;
    SetForegroundWindow(found);
    return true;
}
