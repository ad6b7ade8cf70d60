// The host launcher: reads the host's own options, prepares the front end
// and calls the program's entry with its module instance.

#include "frontend/desktop/desktop_front_end.h"
#include "platform/front_end.h"
#include "platform/library_loader.h"
#include "platform/module.h"
#include "platform/script_front_end.h"
#include "platform/terminal_front_end.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char usage[] =
    "Usage: quibtools [--desktop | --terminal | --script FILE]\n"
    "The maintenance tool for the Quib! USB removable-disk drive.\n"
    "\n"
    "  --desktop      show the dialogs as windows (the default on a desktop:\n"
    "                 DISPLAY or WAYLAND_DISPLAY set)\n"
    "  --terminal     show the dialogs in the terminal (the default elsewhere)\n"
    "  --script FILE  run headless: read a person's actions from FILE (- for\n"
    "                 standard input) and write a transcript to standard output\n"
    "  --help         show this help and end\n"
    "  --version      show the version and end\n"
    "\n"
    "The terminal needs UTF-8 (see docs/terminal.md); windows need an X display.\n"
    "Environment: QUIB_HOME (the host folder), QUIB_LANGID (1041 Japanese,\n"
    "otherwise English; by default taken from LC_ALL, LC_MESSAGES or LANG),\n"
    "QUIB_ASCII_LINES=1 (frames drawn with + - | in the terminal).\n";

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// The desktop front end lives in a module of its own beside the program, so
// that runs without windows never load the window system's libraries.
FrontEnd* openDesktop()
{
    LibraryHandle module = loadLibrary(desktopModuleName);
    if (module == nullptr)
        return nullptr;
    auto open = reinterpret_cast<OpenDesktopFrontEnd>(findExport(module, desktopEntryName));
    return open != nullptr ? open() : nullptr;
}

enum class FrontEndChoice { Automatic, Desktop, Terminal, Script };

} // namespace

int main(int argc, char** argv)
{
    const char* scriptPath = nullptr;
    FrontEndChoice choice = FrontEndChoice::Automatic;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("quibtools 1.0.0");
            return 0;
        }
        if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            scriptPath = argv[++i];
            choice = FrontEndChoice::Script;
            continue;
        }
        if (std::strcmp(argv[i], "--desktop") == 0 || std::strcmp(argv[i], "--terminal") == 0) {
            choice = argv[i][2] == 'd' ? FrontEndChoice::Desktop : FrontEndChoice::Terminal;
            continue;
        }
        if (std::strcmp(argv[i], "--script") == 0)
            std::fprintf(stderr, "quibtools: --script needs a file name (- for standard input)\n");
        else
            std::fprintf(stderr, "quibtools: unknown option '%s'\n", argv[i]);
        std::fputs("Try 'quibtools --help'.\n", stderr);
        return 2;
    }

    FrontEnd* frontEnd = nullptr;
    std::FILE* script = nullptr;
    if (scriptPath != nullptr) {
        script = std::strcmp(scriptPath, "-") == 0 ? stdin : std::fopen(scriptPath, "r");
        if (script == nullptr) {
            std::fprintf(stderr, "quibtools: cannot read the script '%s'\n", scriptPath);
            return 2;
        }
        static ScriptFrontEnd scriptFrontEnd(script, stdout);
        frontEnd = &scriptFrontEnd;
    } else {
        bool desktop = choice == FrontEndChoice::Desktop ||
                       (choice == FrontEndChoice::Automatic && (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")));
        if (desktop)
            frontEnd = openDesktop();
        if (frontEnd == nullptr && choice == FrontEndChoice::Desktop) {
            std::fprintf(stderr, "quibtools: no desktop to show windows on (DISPLAY names no X display "
                                 "that can be reached); try --terminal\n");
            return 2;
        }
    }
    if (frontEnd == nullptr && scriptPath == nullptr) {
        frontEnd = openTerminalFrontEnd();
        if (frontEnd == nullptr) {
            std::fprintf(stderr, "quibtools: the terminal cannot show the tool; try --script -\n");
            return 2;
        }
    }
    installFrontEnd(frontEnd);

    // The entry ignores its command line; the host passes an empty one.
    int exitCode = programEntry(&programResources, nullptr, u"", 1);
    frontEnd->programEnded(exitCode);
    installFrontEnd(nullptr);
    closeTerminalFrontEnd();
    return exitCode;
}
