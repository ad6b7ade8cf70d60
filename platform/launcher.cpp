// The host launcher: reads the host's own options, prepares the front end
// and calls the program's entry with its module instance.

#include "cli/command_line.h"
#include "platform/front_end.h"
#include "platform/module.h"
#include "platform/script_front_end.h"
#include "platform/terminal_front_end.h"

#include <cstdio>
#include <cstring>

namespace {

const char usage[] =
    "Usage: quibtools [--script FILE]\n"
    "       quibtools status|format|protect|folder ...\n"
    "The maintenance tool for the Quib! USB removable-disk drive.\n"
    "\n"
    "  --script FILE  run headless: read a person's actions from FILE (- for\n"
    "                 standard input) and write a transcript to standard output\n"
    "  --help         show this help and end\n"
    "  --version      show the version and end\n"
    "\n"
    "Without --script the tool runs in the terminal (UTF-8; see docs/terminal.md).\n"
    "Environment: QUIB_HOME (the host folder), QUIB_LANGID (1041 Japanese,\n"
    "otherwise English; by default taken from LC_ALL, LC_MESSAGES or LANG),\n"
    "QUIB_ASCII_LINES=1 (frames drawn with + - | in the terminal).\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && isSubCommand(argv[1]))
        return runSubCommand(argc - 1, argv + 1);

    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            std::fputs("\n", stdout);
            std::fputs(subCommandSummary, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("quibtools 1.0.0");
            return 0;
        }
        if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            scriptPath = argv[++i];
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
