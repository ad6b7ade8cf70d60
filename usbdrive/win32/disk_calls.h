// Everything the real-drive library asks of Windows, in one table of
// functions: the disk's device and its control codes (SCSI pass-through
// among them) and the list of volumes. The library calls only these, so
// tests stand in for a whole machine with a table of their own: Wine has no
// SCSI pass-through and no USB disks.
#pragma once

#include <windows.h>

struct DiskCalls {
    HANDLE(WINAPI* createFile)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI* deviceIoControl)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    HANDLE(WINAPI* findFirstVolume)(LPWSTR, DWORD);
    BOOL(WINAPI* findNextVolume)(HANDLE, LPWSTR, DWORD);
    BOOL(WINAPI* findVolumeClose)(HANDLE);
    BOOL(WINAPI* closeHandle)(HANDLE);
};

// The calls in force: the system's unless a test replaced them (null
// restores the system's).
const DiskCalls& diskCalls();
void replaceDiskCalls(const DiskCalls* calls);
