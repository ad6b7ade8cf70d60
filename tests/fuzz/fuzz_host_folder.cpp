#include "tests/fuzz/fuzz_host_folder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

std::string folder;

void removeFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace

const std::string& fuzzHostFolder()
{
    if (!folder.empty())
        return folder;
    // The targets make and change the drive's files at nearly every input,
    // and each change of state is flushed: on a memory file system that
    // costs nothing, so the targets run many times faster.
    for (const char* base : {"/dev/shm", "/tmp"}) {
        std::string pattern = std::string(base) + "/quibfuzz.XXXXXX";
        if (access(base, W_OK) == 0 && mkdtemp(pattern.data()) != nullptr) {
            folder = pattern;
            break;
        }
    }
    if (folder.empty()) {
        std::perror("quibfuzz: no temporary host folder");
        std::abort();
    }
    setenv("QUIB_HOME", folder.c_str(), 1);
    std::atexit(removeFolder);
    return folder;
}

void emptyFolder(const std::string& path)
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}
