// The drive reached as the tool reaches it: the built ZOVEVIV.DLL loaded by
// its full path, MSD_IOControl looked up in it.
#include "tests/drive/drive_client.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

using IoControl = int (*)(std::uint32_t, std::uint32_t, void*, std::uint32_t, void*, std::uint32_t, std::uint32_t*);

IoControl entry()
{
    static IoControl found = [] {
        void* library = dlopen(QUIB_BIN_DIR "/ZOVEVIV.DLL", RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(library, nullptr) << dlerror();
        return library ? reinterpret_cast<IoControl>(dlsym(library, "MSD_IOControl")) : nullptr;
    }();
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
