// The host launcher on Windows: reads the host's own options, prepares the
// front end (a script's, or a command-line job's; with neither, the person
// uses the system's windows directly) and calls the program's entry with
// its module instance. Built twice from this file: quibtools.exe, a
// windows program for the person, and quibtools.com, a console program
// beside it that cmd.exe and PowerShell start first for `quibtools status`
// and the other sub-commands, so that their output and exit status reach
// the console that asked.
#include "dialogs/front_end.h"
#include "dialogs/module.h"
#include "frontend/command_line/command_line.h"
#include "frontend/command_line/job_front_end.h"
#include "frontend/command_line/job_report.h"
#include "frontend/script/script_front_end.h"
#include "host/protect_menu.h"
#include "os/code_page.h"
#include "os/host_folder.h"
#include "os/named_event.h"
#include "os/program_arguments.h"
#include "os/whole_options.h"
#include "os/work_in_hand.h"

#include "program_version.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

constexpr int exitBadCommandLine = 2;
constexpr int exitHostFolderUnusable = 4;

const char usage[] =
    "Usage: quibtools [--script FILE] [--protect]\n"
    "       quibtools status|format|protect|folder ...\n"
    "The maintenance tool for the Quib! USB removable-disk drive.\n"
    "\n"
    "  --script FILE  run without a person: read a person's actions from FILE\n"
    "                 (- for standard input), give them to the tool's windows\n"
    "                 and write a transcript to standard output\n"
    "  --protect      menus with the Protect button, for Protect Setting (also\n"
    "                 on while the host folder holds a file named protect-menu)\n"
    "  --help         show this help and end\n"
    "  --version      show the version and end\n"
    "\n"
    "Environment: QUIB_HOME (the host folder, by default\n"
    "%LOCALAPPDATA%\\QuibTools), QUIB_LANGID (1041 Japanese, otherwise English;\n"
    "by default the user's language).\n"
    "\n"
    "Exit status: 0 or 1 as the tool ends (1 also when another copy is running),\n"
    "2 a wrong command line, 3 a script that ran out while the tool waited,\n"
    "4 a host folder that cannot be used, 5 a transcript that cannot be written.\n";

enum HostOption { hostScript = 256, hostProtect, hostHelp, hostVersion };
const option hostOptions[] = {
    {"script", required_argument, nullptr, hostScript},
    {"protect", no_argument, nullptr, hostProtect},
    {"help", no_argument, nullptr, hostHelp},
    {"version", no_argument, nullptr, hostVersion},
    {nullptr, 0, nullptr, 0},
};

// The script is opened here so that a wrong one is a wrong command line.
// Read as bytes, unbuffered, so that no read-ahead copy of a typed password
// stays in memory after its line has been used.
std::FILE* openScript(const char* path)
{
    std::FILE* script = nullptr;
    if (std::strcmp(path, "-") == 0) {
        _setmode(_fileno(stdin), _O_BINARY);
        script = stdin;
    } else {
        wchar_t widePath[MAX_PATH];
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, widePath, MAX_PATH) > 0) {
            DWORD attributes = GetFileAttributesW(widePath);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                errno = EISDIR;
            } else {
                script = _wfopen(widePath, L"rb");
            }
        } else {
            errno = ENAMETOOLONG;
        }
    }
    if (script == nullptr) {
        std::fprintf(stderr, "quibtools: cannot read the script '%s': %s\n", path, std::strerror(errno));
        return nullptr;
    }
    std::setvbuf(script, nullptr, _IONBF, 0);
    return script;
}

void tellHostFolderProblem(ScriptFrontEnd* scriptFrontEnd)
{
    HostFolderProblem problem = hostFolderProblem();
    writeHostFolderProblem();
    if (scriptFrontEnd != nullptr)
        scriptFrontEnd->hostFolderUnusable(problem.folder, problem.reason);
}

void tellJobsWork(WorkInHand work)
{
    if (work == WorkInHand::waitingForFormattingDrive)
        std::fputs("quibtools: the drive is still formatting the disk (a Long Format was cut short); "
                   "waiting up to 30 seconds for it to finish\n", stderr);
}

// Output that could not be written ends the run with 1 and "write error".
int withStandardOutputClosed(int exitCode)
{
    bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    int error = failed ? errno : 0;
    if (!failed)
        return exitCode;
    std::fprintf(stderr, "quibtools: write error: %s\n", std::strerror(error));
    return 1;
}

} // namespace

int wmain(int argc, wchar_t**)
{
    char** argv = programArguments(argc, nullptr);
    // The transcript and the reports are the same bytes as on every
    // platform: no "\r\n" in place of "\n".
    _setmode(_fileno(stdout), _O_BINARY);

    JobFrontEnd* job = nullptr;
    if (argc > 1 && isSubCommand(argv[1])) {
        int ended = openJob(argc - 1, argv + 1, &job);
        if (ended >= 0)
            return withStandardOutputClosed(ended);
    }

    const char* scriptPath = nullptr;
    bool protectOption = false;
    optind = 0;
    opterr = 0;
    while (job == nullptr) {
        const char* word = nullptr;
        int found = nextWholeOption(argc, argv, "+:", hostOptions, &word);
        if (found == -1 && word == nullptr)
            break;
        if (found == hostHelp) {
            std::fputs(usage, stdout);
            std::fputs("\n", stdout);
            std::fputs(subCommandSummary, stdout);
            return withStandardOutputClosed(0);
        }
        if (found == hostVersion) {
            std::puts("quibtools " QUIB_VERSION);
            return withStandardOutputClosed(0);
        }
        if (found == hostProtect) {
            protectOption = true;
            continue;
        }
        if (found == hostScript) {
            scriptPath = optarg;
            continue;
        }
        if (found == ':')
            std::fprintf(stderr, "quibtools: --script needs a file name (- for standard input)\n");
        else
            std::fprintf(stderr, "quibtools: unknown option '%s'\n", word);
        std::fputs("Try 'quibtools --help'.\n", stderr);
        return exitBadCommandLine;
    }

    FrontEnd* frontEnd = job;
    ScriptFrontEnd* scriptFrontEnd = nullptr;
    if (scriptPath != nullptr) {
        std::FILE* script = openScript(scriptPath);
        if (script == nullptr)
            return exitBadCommandLine;
        static ScriptFrontEnd scriptFrontEndOfRun(script, stdout);
        scriptFrontEnd = &scriptFrontEndOfRun;
        frontEnd = scriptFrontEnd;
    }

    char folder[MAX_PATH * 3];
    if (!hostFolderPath(folder, sizeof folder)) {
        tellHostFolderProblem(scriptFrontEnd);
        if (scriptFrontEnd != nullptr)
            scriptFrontEnd->programEnded(exitHostFolderUnusable);
        return exitHostFolderUnusable;
    }

    // With no front end the person uses the system's windows themselves.
    installFrontEnd(frontEnd);
    if (job != nullptr)
        listenToWork(tellJobsWork);
    if (job == nullptr)
        chooseProtectMenu(protectOption);

    int exitCode = programEntry(&programResources, nullptr, u"", SW_SHOWNORMAL);
    bool alreadyRunning = eventFoundHeldByAnother();
    if (job != nullptr && !alreadyRunning)
        exitCode = job->outcome();
    if (scriptFrontEnd != nullptr && alreadyRunning)
        scriptFrontEnd->alreadyRunning();
    if (frontEnd != nullptr)
        frontEnd->programEnded(exitCode);
    installFrontEnd(nullptr);
    if (alreadyRunning)
        std::fputs("quibtools: Quib! Tools is already running, with its windows open (or a job of it is at "
                   "work): close it there, or let the job end, then try again\n",
                   stderr);
    if (job != nullptr)
        return withStandardOutputClosed(exitCode);
    return exitCode;
}

// The windows program's entry: the same run, with the command line the C
// runtime has split.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return wmain(__argc, __wargv); }
