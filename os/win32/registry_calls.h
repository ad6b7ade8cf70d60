// The Win32 registry calls the store makes, behind a table a test can
// replace: Wine lets every user write under HKEY_LOCAL_MACHINE, so the
// refusal Windows gives a user without administrator rights
// (ERROR_ACCESS_DENIED) is tested by standing in for the system's calls.
#pragma once

#include <windows.h>

struct RegistryCalls {
    LSTATUS(WINAPI* createKey)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                               LPDWORD);
    LSTATUS(WINAPI* openKey)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    LSTATUS(WINAPI* setValue)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
    LSTATUS(WINAPI* deleteValue)(HKEY, LPCWSTR);
    LSTATUS(WINAPI* deleteTree)(HKEY, LPCWSTR);
};

// Replaces the calls for this process; null restores the system's.
void replaceRegistryCalls(const RegistryCalls* calls);
