// Runs a built Windows program (quibdrive.exe, quibtools.com) as a person at
// a console would, with CreateProcessW: standard input from a file holding
// the given input, standard output and error into files read back after it
// ended (files rather than pipes, so a program that writes much never waits
// on a test that is not reading yet).
#include "tests/support/run_program.h"

#include "tests/support/host_folder_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <windows.h>

std::string builtProgram(const std::string& name) { return std::string(QUIB_BIN_DIR) + "/" + name + ".exe"; }

namespace {

std::wstring wide(const std::string& text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(std::size_t(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
    out.resize(out.size() - 1);
    return out;
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring quotedArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

HANDLE inheritedFile(const std::filesystem::path& path, bool forWriting)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string contentOf(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const ProgramOptions& options)
{
    ProgramRun run;
    static unsigned runs = 0;
    std::filesystem::path base = std::filesystem::temp_directory_path() /
                                 ("quibrun-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs));
    std::filesystem::path inPath = base.string() + ".in", outPath = base.string() + ".out",
                          errPath = base.string() + ".err";
    std::ofstream(inPath, std::ios::binary) << options.input;

    std::wstring command = quotedArgument(wide(options.programPath.empty() ? program : options.programPath));
    for (const std::string& argument : arguments)
        command += L" " + quotedArgument(wide(argument));
    for (const std::string& variable : options.environment)
        _putenv(variable.c_str()); // the child inherits the test's environment
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritedFile(inPath, false);
    startup.hStdOutput = inheritedFile(outPath, true);
    startup.hStdError = inheritedFile(errPath, true);
    PROCESS_INFORMATION process{};
    bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (started) {
        DWORD code = 0;
        if (WaitForSingleObject(process.hProcess, DWORD(options.timeoutSeconds) * 1000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process.hProcess, &code))
            run.exitCode = int(code);
        else
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (const std::string& variable : options.environment)
        _putenv((variable.substr(0, variable.find('=') + 1)).c_str()); // taken away again
    run.output = contentOf(outPath);
    run.errors = contentOf(errPath);
    std::error_code ignored;
    for (const auto& path : {inPath, outPath, errPath})
        std::filesystem::remove(path, ignored);
    return run;
}

ProgramRun runScript(const std::string& script, const ProgramOptions& options)
{
    ProgramOptions withInput = options;
    withInput.input = script;
    return runProgram(builtProgram("quibtools"), {"--script", "-"}, withInput);
}
