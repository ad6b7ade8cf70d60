#include "os/process_start.h"

#include "os/code_page.h"
#include "os/program_folder.h"
#include "os/win32/text.h"

// Only a program that ships beside the tool is started.
bool shippedProgram(const char* program, const char16_t* commandLine, char* path, std::size_t pathSize,
                    char (&argument)[processArgumentSize])
{
    wchar_t widePath[MAX_PATH];
    if (!pathInProgramFolder(program, path, pathSize) || !toSystemText(path, widePath, MAX_PATH))
        return false;
    DWORD attributes = GetFileAttributesW(widePath);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           wideToUtf8(commandLine, argument, sizeof argument);
}

namespace {
ProcessStartNotice processStartNotice = nullptr;
}

void setProcessStartNotice(ProcessStartNotice notice) { processStartNotice = notice; }

// The program's quoted path, a blank and the command line, as the system
// hands a program its whole command line; detached: both handles are closed
// at once, and nothing waits for it.
void startProcess(const char* program, const char16_t* commandLine)
{
    if (processStartNotice != nullptr && !processStartNotice(program, commandLine))
        return;
    char path[MAX_PATH * 3];
    char argument[processArgumentSize];
    if (!shippedProgram(program, commandLine, path, sizeof path, argument))
        return;
    wchar_t widePath[MAX_PATH];
    wchar_t line[MAX_PATH + processArgumentSize + 4];
    if (!toSystemText(path, widePath, MAX_PATH))
        return;
    int n = wsprintfW(line, L"\"%s\" ", widePath);
    lstrcpynW(line + n, reinterpret_cast<const wchar_t*>(commandLine), int(processArgumentSize));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(widePath, line, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                       &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}
