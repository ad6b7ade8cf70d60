#include "tests/support/run_program.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

std::string builtProgram(const std::string& name) { return std::string(QUIB_BIN_DIR) + "/" + name; }

namespace {

// The machine an ELF file was built for (its e_machine field), or 0 when it
// is no ELF file.
std::uint16_t elfMachine(const std::string& path)
{
    unsigned char header[20] = {};
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header) || std::memcmp(header, "\x7f" "ELF", 4) != 0)
        return 0;
    return std::uint16_t(header[18] | header[19] << 8); // little-endian on every machine we build for
}

// The command line that starts program. A cross build's tests run under an
// emulator (QUIB_TEST_EMULATOR, e.g. "/usr/bin/qemu-arm"),
// which does not carry over to the programs a test starts: those built for
// the test's own machine are started through the emulator too, while the
// host's programs (tmux, the disk tools) run as they are.
std::vector<std::string> commandFor(const std::string& program)
{
    std::vector<std::string> command;
#ifdef QUIB_TEST_EMULATOR
    std::uint16_t machine = elfMachine(program);
    if (machine != 0 && machine == elfMachine("/proc/self/exe")) {
        std::istringstream words(QUIB_TEST_EMULATOR);
        for (std::string word; words >> word;)
            command.push_back(word);
    }
#endif
    command.push_back(program);
    return command;
}

} // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const ProgramOptions& options)
{
    ProgramRun run;
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        return run;
    std::string path = options.programPath.empty() ? program : options.programPath;
    std::vector<std::string> command = commandFor(path);
    pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        for (const std::string& setting : options.environment)
            putenv(strdup(setting.c_str()));
        std::vector<char*> argv;
        for (const std::string& word : command)
            argv.push_back(const_cast<char*>(word.c_str()));
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(command[0].c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!options.input.empty()) {
        ssize_t ignored = write(in[1], options.input.data(), options.input.size());
        (void)ignored;
    }
    close(in[1]);

    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        int ready = poll(fds, 2, 200);
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec - start.tv_sec > options.timeoutSeconds) {
            kill(child, SIGKILL);
            break;
        }
        if (ready <= 0)
            continue;
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                (i == 0 ? outOpen : errOpen) = false;
                continue;
            }
            (i == 0 ? run.output : run.errors).append(buffer, std::size_t(n));
        }
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ProgramRun runScript(const std::string& script, const ProgramOptions& options)
{
    ProgramOptions withInput = options;
    withInput.input = script;
    return runProgram(builtProgram("quibtools"), {"--script", "-"}, withInput);
}
