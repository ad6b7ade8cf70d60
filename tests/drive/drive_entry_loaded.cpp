// The drive reached as the tool reaches it: the built ZOVEVIV.DLL loaded by
// its full path, MSD_IOControl looked up in it.
#include "tests/drive/drive_client.h"
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <string>

namespace {

using IoControl = int (*)(std::uint32_t, std::uint32_t, void*, std::uint32_t, void*, std::uint32_t, std::uint32_t*);

IoControl load(const std::string& path)
{
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library, nullptr) << dlerror();
    return library ? reinterpret_cast<IoControl>(dlsym(library, "MSD_IOControl")) : nullptr;
}

IoControl& entry()
{
    static IoControl found = load(QUIB_BIN_DIR "/ZOVEVIV.DLL");
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

// A library loaded from another file is another copy, with nothing kept:
// what a program starting now loads. The copies loaded before stay loaded,
// unused, as a program that ended leaves nothing behind either.
void startAsANewProgram()
{
    static int copies = 0;
    std::string copy = testHostFolder() + "/ZOVEVIV-copy" + std::to_string(++copies) + ".DLL";
    std::error_code error;
    std::filesystem::copy_file(QUIB_BIN_DIR "/ZOVEVIV.DLL", copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    ASSERT_FALSE(error) << error.message();
    entry() = load(copy);
}
