// The host launcher: reads the host's own options, prepares the front end
// and calls the program's entry with its module instance.

#include "frontend/command_line/command_line.h"
#include "frontend/command_line/job_front_end.h"
#include "frontend/command_line/job_report.h"
#include "frontend/desktop/desktop_front_end.h"
#include "os/ending_signals.h"
#include "dialogs/front_end.h"
#include "host/drive_chooser.h"
#include "os/host_folder.h"
#include "os/library_loader.h"
#include "dialogs/module.h"
#include "os/named_event.h"
#include "host/protect_menu.h"
#include "os/work_in_hand.h"
#include "os/program_folder.h"
#include "os/system_error.h"
#include "os/whole_options.h"
#include "frontend/script/script_front_end.h"
#include "frontend/terminal/terminal_front_end.h"

#include "program_version.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdio_ext.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Exit statuses of the host's own; the program itself ends with 0 or 1.
constexpr int exitBadCommandLine = 2;
constexpr int exitHostFolderUnusable = 4;
// Cancelling the chooser of the real drive ends the tool as its Close does.
constexpr int exitChooserCancelled = 1;

const char usage[] =
    "Usage: quibtools [--desktop | --terminal | --script FILE] [--protect]\n"
    "       quibtools status|format|protect|folder ...\n"
    "The maintenance tool for the Quib! USB removable-disk drive.\n"
    "\n"
    "  --desktop      show the dialogs as windows (the default on a desktop:\n"
    "                 DISPLAY or WAYLAND_DISPLAY set)\n"
    "  --terminal     show the dialogs in the terminal (the default elsewhere)\n"
    "  --script FILE  run headless: read a person's actions from FILE (- for\n"
    "                 standard input) and write a transcript to standard output\n"
    "  --protect      menus with the Protect button, for Protect Setting (also\n"
    "                 on while the host folder holds a file named protect-menu)\n"
    "  --help         show this help and end\n"
    "  --version      show the version and end\n"
    "\n"
    "The terminal needs UTF-8 (see docs/terminal.md); windows need an X display.\n"
    "Environment: QUIB_HOME (the host folder), QUIB_LANGID (1041 Japanese,\n"
    "otherwise English; by default taken from LC_ALL, LC_MESSAGES or LANG),\n"
    "QUIB_ASCII_LINES=1 (frames drawn with + - | in the terminal).\n"
    "\n"
    "Exit status: 0 or 1 as the tool ends (1 also when another copy is running),\n"
    "2 a wrong command line, 3 a script that ran out while the tool waited,\n"
    "4 a host folder that cannot be used, 5 a transcript that cannot be written,\n"
    "6 the desktop's X display went away during a format.\n";

// The script is opened here so that a wrong one is a wrong command line.
std::FILE* openScript(const char* path)
{
    std::FILE* script = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "r");
    int error = script == nullptr ? errno : 0;
    struct stat info;
    if (script != nullptr && fstat(fileno(script), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(script);
        script = nullptr;
        error = EISDIR;
    }
    if (script == nullptr) {
        std::fprintf(stderr, "quibtools: cannot read the script '%s': %s\n", path, std::strerror(error));
        return nullptr;
    }
    // Unbuffered, so that no read-ahead copy of a typed password stays in
    // memory after its line has been used.
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

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// The desktop front end lives in a module of its own beside the program, so
// that runs without windows never load the window system's libraries.
// A module that does not load (a library it needs is missing) is told
// apart from one that loads and finds no display or terminal: the person
// reads the loader's reason.
bool moduleMissing = false;

FrontEnd* openDesktop()
{
    LibraryHandle module = loadLibrary(desktopModuleName);
    auto open = reinterpret_cast<OpenDesktopFrontEnd>(findExport(module, desktopEntryName));
    moduleMissing = open == nullptr;
    return open != nullptr ? open() : nullptr;
}

// The terminal front end, likewise, so that headless runs never load
// ncursesw.
LibraryHandle terminalModule = nullptr;

FrontEnd* openTerminal()
{
    terminalModule = loadLibrary(terminalModuleName);
    auto open = reinterpret_cast<OpenTerminalFrontEnd>(findExport(terminalModule, terminalOpenEntryName));
    moduleMissing = open == nullptr;
    return open != nullptr ? open() : nullptr;
}

// Gives the terminal back; nothing to do when the module was never loaded.
void closeTerminal()
{
    auto close = reinterpret_cast<CloseTerminalFrontEnd>(findExport(terminalModule, terminalCloseEntryName));
    if (close != nullptr)
        close();
}

enum class FrontEndChoice { Automatic, Desktop, Terminal, Script };

// The host's options, long ones only.
enum HostOption { hostDesktop = 256, hostTerminal, hostScript, hostProtect, hostHelp, hostVersion };
const option hostOptions[] = {
    {"desktop", no_argument, nullptr, hostDesktop},
    {"terminal", no_argument, nullptr, hostTerminal},
    {"script", required_argument, nullptr, hostScript},
    {"protect", no_argument, nullptr, hostProtect},
    {"help", no_argument, nullptr, hostHelp},
    {"version", no_argument, nullptr, hostVersion},
    {nullptr, 0, nullptr, 0},
};

// A job's person waits at a terminal or a script for its answer: a query
// that waits for a drive still formatting says why it takes long.
void tellJobsWork(WorkInHand work)
{
    if (work == WorkInHand::waitingForFormattingDrive)
        std::fputs("quibtools: the drive is still formatting the disk (a Long Format was cut short); "
                   "waiting up to 30 seconds for it to finish\n", stderr);
}

// A standard stream closed when the tool starts would hand its number to
// the first file the tool opens (the registry, a disk image), and the
// report would be written into that file. Each closed one is held by
// /dev/null opened the other way round, so that its use fails (EBADF) and
// touches nothing.
void holdClosedStandardStreams()
{
    const int streams[] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
    for (int stream : streams) {
        if (fcntl(stream, F_GETFD) != -1 || errno != EBADF)
            continue;
        int held = open("/dev/null", stream == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != stream) {
            dup2(held, stream);
            close(held);
        }
    }
}

// As GNU tools do, output that could not be written ends the run with 1 and
// "write error" and the reason on standard error, checked when standard
// output is closed. A standard output that was closed before the start and
// never written to is no error.
int withStandardOutputClosed(int exitCode)
{
    bool pending = __fpending(stdout) != 0;
    bool failedBefore = std::ferror(stdout) != 0;
    errno = 0;
    bool closeFailed = std::fclose(stdout) != 0;
    int error = closeFailed ? errno : standardOutputError();
    if (!failedBefore && !(closeFailed && (pending || error != EBADF)))
        return exitCode;
    if (error != 0)
        std::fprintf(stderr, "quibtools: write error: %s\n", std::strerror(error));
    else
        std::fputs("quibtools: write error\n", stderr);
    return 1;
}

// Why the terminal front end could not start, in the person's terms: the
// usual case is output sent into a pipe or a file (scripts/run.sh | tee log).
void tellNoTerminal()
{
    if (!isatty(STDOUT_FILENO))
        std::fputs("quibtools: standard output is not a terminal (it goes to a pipe or a file), so the dialogs "
                   "cannot be shown; run the tool with its output on a terminal, or use --script FILE for a run "
                   "without dialogs\n",
                   stderr);
    else if (!isatty(STDIN_FILENO))
        std::fputs("quibtools: standard input is not a terminal, so nobody can answer the dialogs; run the tool "
                   "from a terminal, or use --script FILE for a run without dialogs\n",
                   stderr);
    else
        std::fputs("quibtools: this terminal cannot show the tool (its TERM names no terminal that can place "
                   "the cursor); try another terminal, or --script FILE for a run without dialogs\n",
                   stderr);
}

// The copy of the tool beside the real-drive library lives in a folder
// named real-drive (build/real-drive, the installed one too).
bool isRealDriveCopy()
{
    char path[PATH_MAX];
    if (!pathInProgramFolder("x", path, sizeof path))
        return false;
    std::size_t n = std::strlen(path);
    const char tail[] = "/real-drive/x";
    return n >= sizeof tail - 1 && std::strcmp(path + n - (sizeof tail - 1), tail) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    // A transcript reader that goes away must not end the tool in the middle
    // of drive work; the script front end notices the failed write instead.
    std::signal(SIGPIPE, SIG_IGN);
    holdClosedStandardStreams();
    // Before any front end installs its own handlers, which pass the
    // signal on to this one.
    installEndingSignalNotice();

    // A sub-command's words are its own: the host's options are not read.
    JobFrontEnd* job = nullptr;
    if (argc > 1 && isSubCommand(argv[1])) {
        int ended = openJob(argc - 1, argv + 1, &job);
        if (ended >= 0)
            return withStandardOutputClosed(ended);
    }

    const char* scriptPath = nullptr;
    bool protectOption = false;
    FrontEndChoice choice = FrontEndChoice::Automatic;
    // In the order given: the first word that is wrong is the one told. A
    // word that is no option (there are no operands) is an unknown option.
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
            choice = FrontEndChoice::Script;
            continue;
        }
        if (found == hostDesktop || found == hostTerminal) {
            choice = found == hostDesktop ? FrontEndChoice::Desktop : FrontEndChoice::Terminal;
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

    // Everything the tool keeps lives in the host folder: without it the
    // program cannot even tell whether another copy runs.
    char folder[PATH_MAX];
    if (!hostFolderPath(folder, sizeof folder)) {
        tellHostFolderProblem(scriptFrontEnd);
        if (scriptFrontEnd != nullptr)
            scriptFrontEnd->programEnded(exitHostFolderUnusable);
        return exitHostFolderUnusable;
    }

    // Windows on a desktop, unless the person chose otherwise; the terminal
    // when there is no desktop, or no display the windows can reach.
    bool desktop = choice == FrontEndChoice::Desktop ||
                   (choice == FrontEndChoice::Automatic && (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")));
    if (frontEnd == nullptr && desktop) {
        frontEnd = openDesktop();
        if (frontEnd == nullptr && choice == FrontEndChoice::Desktop) {
            if (moduleMissing)
                std::fprintf(stderr, "quibtools: the desktop front end cannot be loaded: %s; try --terminal\n",
                             lastSystemError().reason);
            else
                std::fprintf(stderr, "quibtools: no desktop to show windows on (DISPLAY names no X display "
                                     "that can be reached); try --terminal\n");
            return exitBadCommandLine;
        }
    }

    if (frontEnd == nullptr) {
        frontEnd = openTerminal();
        if (frontEnd == nullptr) {
            if (moduleMissing)
                std::fprintf(stderr, "quibtools: the terminal front end cannot be loaded: %s; use --script FILE "
                                     "for a run without dialogs\n",
                             lastSystemError().reason);
            else
                tellNoTerminal();
            return exitBadCommandLine;
        }
    }
    installFrontEnd(frontEnd);
    bool realDriveCopy = isRealDriveCopy();
    // On the real drive with no drive named, the person at a terminal or a
    // desktop picks it; a script or a job has nobody to ask.
    if (job == nullptr && scriptFrontEnd == nullptr && realDriveCopy && !isSet("QUIB_DEVICE") &&
        chooseRealDrive() == DriveChoice::cancelled) {
        frontEnd->programEnded(exitChooserCancelled);
        installFrontEnd(nullptr);
        closeTerminal();
        return exitChooserCancelled;
    }
    if (job != nullptr)
        listenToWork(tellJobsWork);
    // A job opens its dialogs by their commands, from the program's own menu.
    if (job == nullptr)
        chooseProtectMenu(protectOption);

    // The entry ignores its command line; the host passes an empty one.
    int exitCode = programEntry(&programResources, nullptr, u"", 1);
    bool alreadyRunning = eventFoundHeldByAnother();
    bool folderFailed = !alreadyRunning && eventFileWasUnusable();
    if (folderFailed)
        exitCode = exitHostFolderUnusable;
    else if (job != nullptr && !alreadyRunning)
        exitCode = job->outcome();
    if (scriptFrontEnd != nullptr && alreadyRunning)
        scriptFrontEnd->alreadyRunning();
    if (scriptFrontEnd != nullptr && folderFailed)
        scriptFrontEnd->hostFolderUnusable(hostFolderProblem().folder, hostFolderProblem().reason);
    frontEnd->programEnded(exitCode);
    installFrontEnd(nullptr);
    closeTerminal();

    // Told once the terminal is given back, so that the words stay on it.
    if (alreadyRunning)
        std::fputs("quibtools: Quib! Tools is already running, with its dialogs open in another terminal or "
                   "window (or a job of it is at work): close it there, or let the job end, then try again\n",
                   stderr);
    if (realDriveCopy && !isSet("QUIB_DEVICE"))
        std::fputs("quibtools: no Quib! drive is named: set QUIB_DEVICE to the drive's device, for example\n"
                   "  QUIB_DEVICE=/dev/disk/by-id/usb-... quibtools-real-drive\n"
                   "('quibusb list' shows the USB disks present)\n",
                   stderr);
    if (folderFailed)
        tellHostFolderProblem(nullptr);
    // A job's report is its output; the script front end tells a transcript
    // that could not be written with a status of its own.
    if (job != nullptr)
        return withStandardOutputClosed(exitCode);
    return exitCode;
}
