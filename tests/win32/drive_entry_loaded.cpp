// The Windows virtual drive reached as the tool reaches it: the built
// ZOVEVIV.DLL, copied beside the test program, loaded by its whole path
// with LoadLibraryExW and MSD_IOControl looked up in it. The program's own
// transport (a Simple Format run here) loads the same copy from the same
// folder, so both reach one drive library.
#include "tests/drive/drive_client.h"
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <windows.h>

namespace {

using IoControl = int (*)(std::uint32_t, std::uint32_t, void*, std::uint32_t, void*, std::uint32_t, std::uint32_t*);

IoControl load(const std::filesystem::path& path)
{
    HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_NE(library, nullptr) << "cannot load " << path.string() << ": error " << GetLastError();
    return library ? reinterpret_cast<IoControl>(GetProcAddress(library, "MSD_IOControl")) : nullptr;
}

std::filesystem::path besideTheProgram()
{
    wchar_t program[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    return std::filesystem::path(std::wstring(program, length)).parent_path() / "ZOVEVIV.DLL";
}

IoControl& entry()
{
    static IoControl found = load(besideTheProgram());
    return found;
}

} // namespace

int callDriveEntry(std::uint32_t code, void* input, std::uint32_t inputSize, std::uint32_t* returned)
{
    IoControl call = entry();
    if (call == nullptr) {
        ADD_FAILURE() << "ZOVEVIV.DLL has no MSD_IOControl";
        return -1;
    }
    return call(0, code, input, inputSize, nullptr, 0, returned);
}

// A program that has just started: a fresh copy of the library (another
// name, so the system loads it anew), which finds the drive's files afresh.
void startAsANewProgram()
{
    static int copies = 0;
    std::filesystem::path copy = std::filesystem::path(testHostFolder()) /
                                 ("ZOVEVIV-copy" + std::to_string(++copies) + ".DLL");
    std::error_code error;
    std::filesystem::copy_file(besideTheProgram(), copy,
                               std::filesystem::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << error.message();
    entry() = load(copy);
}
