// PegHelp.exe: the help viewer of Quib! Tools. The tool starts it with a
// help topic as its whole command line, detached and with standard input
// and output on /dev/null. It shows the topic where it fits: inside tmux in
// a new window that pages it, on a desktop in a window of its own (the HTML
// rendering the build puts beside the topic, or the browser when no window
// can be opened), and otherwise not at all. It
// never writes on the terminal it was started from, and a viewer that
// cannot start ends without a word.

#include "tools/quibhelp/help_window.h"
#include "tools/quibhelp/topic_text.h"
#include "os/language.h"
#include "frontend/line_breaking/line_breaks.h"
#include "os/whole_options.h"
#include "program_version.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char usage[] =
    "Usage: PegHelp.exe TOPIC\n"
    "       PegHelp.exe --print TOPIC\n"
    "Shows a help topic of Quib! Tools.\n"
    "\n"
    "Topics: QuibUSB.htc (the tool menu), QuibUSBStatus.htp, QuibUSBFolder.htp,\n"
    "QuibUSBFormat.htp, QuibUSBProtect.htp. They are read from the folder\n"
    "'help' beside this program.\n"
    "\n"
    "PegHelp.exe TOPIC shows the topic away from the terminal it runs on:\n"
    "  inside tmux ($TMUX set)      in a new tmux window named Help, paged by\n"
    "                               $PAGER (less when unset); quit it to close\n"
    "                               the window;\n"
    "  on a desktop ($DISPLAY or    in a window of its own, else in the browser\n"
    "   $WAYLAND_DISPLAY set)       through xdg-open, from the HTML copy of the\n"
    "                               topic in the help folder (a desktop run of\n"
    "                               the tool, QUIB_HELP_ON=desktop, shows it there\n"
    "                               even inside tmux);\n"
    "  otherwise                    not at all.\n"
    "It writes nothing on its own terminal; when the window or the browser\n"
    "cannot be started it ends with status 1 and says nothing.\n"
    "\n"
    "  --print TOPIC  write the topic on standard output (through $PAGER, less\n"
    "                 when unset, when that is a terminal), to read it here\n"
    "  --page TOPIC   page the topic on this terminal and wait until the pager\n"
    "                 ends: what the tmux window runs\n"
    "  --help         show this help and end\n"
    "  --version      show the version and end\n"
    "\n"
    "Exit status: 0 shown (or nothing to show it on), 1 an unknown topic or a\n"
    "viewer that could not start, 2 wrong usage.\n";

// The path of this program, as the kernel knows it.
std::string ownPath()
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "";
    path[n] = '\0';
    return path;
}

std::string folderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool endsWith(const char* text, const char* tail)
{
    std::size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && std::strcmp(text + n - m, tail) == 0;
}

// A topic is the plain name of a topic file (.htp or .htc) of the help
// folder: letters, digits, '.', '_' and '-', never a path.
bool plainTopicName(const char* topic)
{
    if (topic[0] == '\0' || topic[0] == '.' || std::strlen(topic) > NAME_MAX)
        return false;
    for (const char* c = topic; *c != '\0'; ++c) {
        bool allowed = (*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9') ||
                       *c == '.' || *c == '_' || *c == '-';
        if (!allowed)
            return false;
    }
    return endsWith(topic, ".htp") || endsWith(topic, ".htc");
}

bool isRegularFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool readTopic(const std::string& path, std::string* text)
{
    if (!isRegularFile(path))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text->append(chunk, n);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool print(const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

// The run's language (the tool's QUIB_LANGID or locale, which the viewer inherits).
bool japaneseRun() { return defaultLanguageId() == languageJapanese; }

// Columns of the terminal on standard output; 0 when it is none.
int terminalColumns()
{
    struct winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

// Shows the text through the pager; false when no pager could run it.
bool page(const std::string& text)
{
    const char* pager = std::getenv("PAGER");
    if (pager == nullptr || pager[0] == '\0')
        pager = "less";
    // The topics are UTF-8; less would otherwise guess from the locale.
    setenv("LESSCHARSET", "utf-8", 0);
    std::FILE* pipe = popen(pager, "w");
    if (pipe == nullptr)
        return false;
    // The person may quit the pager early. Ignored only now: an ignored
    // signal would stay ignored in the pager too.
    std::signal(SIGPIPE, SIG_IGN);
    std::fwrite(text.data(), 1, text.size(), pipe);
    int status = pclose(pipe);
    // 127: the shell found no such pager.
    return !(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Runs program (looked up on PATH) with its output on /dev/null and waits
// for it; true when it ended with status 0.
bool runQuietly(const char* const* argv)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child;
    int failed = posix_spawnp(&child, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A new window of the tmux session this runs in, paging the topic with
// this viewer; the window closes when the pager ends.
bool showInTmuxWindow(const std::string& self, const char* topic)
{
    const char* argv[] = {"tmux", "new-window", "-n", "Help", self.c_str(), "--page", topic, nullptr};
    return runQuietly(argv);
}

bool showInBrowser(const std::string& renderedPage)
{
    if (!isRegularFile(renderedPage))
        return false;
    const char* argv[] = {"xdg-open", renderedPage.c_str(), nullptr};
    return runQuietly(argv);
}

int refuseTopic(const char* topic, const std::string& folder)
{
    std::fprintf(stderr, "PegHelp.exe: no help topic '%s' in %s\nTry 'PegHelp.exe --help' for the topics.\n", topic,
                 folder.c_str());
    return 1;
}

// --help and --version stand alone; --print and --page come before the
// topic, the only other word.
enum HelpOption { helpHelp = 256, helpVersion, helpPrint, helpPage };
const option helpOptions[] = {
    {"help", no_argument, nullptr, helpHelp},
    {"version", no_argument, nullptr, helpVersion},
    {"print", no_argument, nullptr, helpPrint},
    {"page", no_argument, nullptr, helpPage},
    {nullptr, 0, nullptr, 0},
};

} // namespace

int main(int argc, char** argv)
{
    // Cells of the topics' characters for wrapping (Japanese takes two).
    if (std::setlocale(LC_CTYPE, "") == nullptr || MB_CUR_MAX < 2)
        std::setlocale(LC_CTYPE, "C.UTF-8");
    setLineBreakLanguage(japaneseRun() ? "ja" : "en");
    optind = 0;
    opterr = 0;
    const char* word = nullptr;
    int found = nextWholeOption(argc, argv, "+", helpOptions, &word);
    if (argc == 2 && found == helpHelp) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc == 2 && found == helpVersion) {
        std::puts("PegHelp.exe " QUIB_VERSION);
        return 0;
    }
    bool printing = argc == 3 && found == helpPrint;
    bool paging = argc == 3 && found == helpPage;
    if (argc >= 2 && argv[1][0] == '-' && !printing && !paging) {
        std::fprintf(stderr, "PegHelp.exe: unknown option '%s'\nTry 'PegHelp.exe --help'.\n", argv[1]);
        return 2;
    }
    if (!(argc == 2 && argv[1][0] != '-') && !printing && !paging) {
        std::fputs("PegHelp.exe: give one help topic, for example QuibUSB.htc\n"
                   "Try 'PegHelp.exe --help'.\n",
                   stderr);
        return 2;
    }
    const char* topic = argv[argc - 1];
    std::string self = ownPath();
    std::string folder = folderOf(self) + "/help";
    std::string topicPath = folder + "/" + topic;
    if (!plainTopicName(topic) || !isRegularFile(topicPath))
        return refuseTopic(topic, folder);

    if (printing || paging) {
        std::string text;
        if (!readTopic(topicPath, &text))
            return refuseTopic(topic, folder);
        text = topicInLanguage(text, japaneseRun());
        // On a terminal narrower than a line, the line breaks by Unicode's
        // rules rather than wherever the pager cuts it.
        int columns = terminalColumns();
        if ((paging || isatty(STDOUT_FILENO)) && columns > 0)
            text = wrapToWidth(text, columns);
        if (paging || isatty(STDOUT_FILENO)) {
            if (page(text))
                return 0;
            if (paging) {
                // No pager: show the text and keep the window until the person is done.
                print(text);
                std::fputs("\n-- Press Enter to close --", stdout);
                std::fflush(stdout);
                std::getchar();
                return 0;
            }
        }
        if (!print(text)) {
            std::fprintf(stderr, "PegHelp.exe: cannot write the topic: %s\n", std::strerror(errno));
            return 1;
        }
        return 0;
    }

    // The tool's desktop front end asks for the desktop even inside tmux.
    const char* shownOn = std::getenv("QUIB_HELP_ON");
    bool desktopFirst = shownOn != nullptr && std::strcmp(shownOn, "desktop") == 0;
    if (isSet("TMUX") && !desktopFirst)
        return showInTmuxWindow(self, topic) ? 0 : 1;
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")) {
        std::string page = topicPath + ".html", text;
        if (!readTopic(topicPath, &text))
            return refuseTopic(topic, folder);
        std::string title = text.substr(0, text.find('\n'));
        if (showInWindow(title.c_str(), topicToHtml(topicInLanguage(text, japaneseRun()))))
            return 0;
        return showInBrowser(page) ? 0 : 1;
    }
    if (isSet("TMUX"))
        return showInTmuxWindow(self, topic) ? 0 : 1;
    // No place to show it that is not the caller's own terminal.
    return 0;
}
