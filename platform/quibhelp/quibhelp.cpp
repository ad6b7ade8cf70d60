// quibhelp: the help viewer of Quib! Tools. Shows one help topic from the
// "help" folder beside the program: through the pager when standard output
// is a terminal, otherwise printed as it stands.

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char usage[] =
    "Usage: quibhelp TOPIC\n"
    "Shows a help topic of Quib! Tools.\n"
    "\n"
    "Topics: QuibUSB.htc (the tool menu), QuibUSBStatus.htp, QuibUSBFolder.htp,\n"
    "QuibUSBFormat.htp, QuibUSBProtect.htp. They are read from the folder\n"
    "'help' beside this program.\n"
    "\n"
    "On a terminal the topic is shown through $PAGER (less when unset);\n"
    "otherwise it is written to standard output.\n"
    "\n"
    "  --help  show this help and end\n";

// The folder of this program.
std::string ownFolder()
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    path[n] = '\0';
    char* slash = std::strrchr(path, '/');
    if (slash == nullptr)
        return ".";
    *slash = '\0';
    return path;
}

// A topic names a file of the help folder itself, never a path.
bool plainName(const char* topic)
{
    return topic[0] != '\0' && std::strchr(topic, '/') == nullptr && std::strcmp(topic, ".") != 0 &&
           std::strcmp(topic, "..") != 0;
}

bool readTopic(const std::string& path, std::string* text)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
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

// Shows the text through the pager; false when no pager could run it.
bool page(const std::string& text)
{
    const char* pager = std::getenv("PAGER");
    if (pager == nullptr || pager[0] == '\0')
        pager = "less";
    // The topics are UTF-8; less would otherwise guess from the locale.
    setenv("LESSCHARSET", "utf-8", 0);
    std::signal(SIGPIPE, SIG_IGN);   // the person may quit the pager early
    std::FILE* pipe = popen(pager, "w");
    if (pipe == nullptr)
        return false;
    std::fwrite(text.data(), 1, text.size(), pipe);
    int status = pclose(pipe);
    // 127: the shell found no such pager.
    return !(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs("quibhelp: give one help topic, for example QuibUSB.htc\n"
                   "Try 'quibhelp --help'.\n",
                   stderr);
        return 2;
    }
    const char* topic = argv[1];
    std::string folder = ownFolder() + "/help";
    std::string text;
    if (!plainName(topic) || !readTopic(folder + "/" + topic, &text)) {
        std::fprintf(stderr, "quibhelp: no help topic '%s' in %s\nTry 'quibhelp --help' for the topics.\n", topic,
                     folder.c_str());
        return 1;
    }
    if (isatty(STDOUT_FILENO) && page(text))
        return 0;
    if (!print(text)) {
        std::fprintf(stderr, "quibhelp: cannot write the topic: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
