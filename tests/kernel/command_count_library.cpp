// A driver library for the kernel test that counts what the tool asks of
// the drive: it loads the driver library that QUIB_COUNTED_LIBRARY names,
// hands every request on to it unchanged, and when it is unloaded prints
// on standard error one line with the requests 101 and 102 and the command
// blocks of request 103 by operation code:
//   tool asked: 101=1 102=4 00=12 2A=219 (commands 231)
// The test compares these with what reaches the USB device.
#include "device/driver_request.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using IOControl = int (*)(std::uint32_t, std::uint32_t, void*, std::uint32_t, void*, std::uint32_t, std::uint32_t*);
IOControl counted = nullptr;
unsigned commands[256] = {};
unsigned remounts = 0, mountFolders = 0;

bool loadCounted()
{
    if (counted != nullptr)
        return true;
    const char* path = std::getenv("QUIB_COUNTED_LIBRARY");
    void* library = path != nullptr ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (library == nullptr) {
        std::fprintf(stderr, "command count: cannot load QUIB_COUNTED_LIBRARY: %s\n", dlerror());
        return false;
    }
    counted = reinterpret_cast<IOControl>(dlsym(library, "MSD_IOControl"));
    return counted != nullptr;
}

__attribute__((destructor)) void printCounts()
{
    unsigned total = 0;
    std::fprintf(stderr, "tool asked: 101=%u 102=%u", remounts, mountFolders);
    for (unsigned code = 0; code < 256; ++code)
        if (commands[code] != 0) {
            std::fprintf(stderr, " %02X=%u", code, commands[code]);
            total += commands[code];
        }
    std::fprintf(stderr, " (commands %u)\n", total);
}

} // namespace

extern "C" __attribute__((visibility("default"))) int MSD_IOControl(std::uint32_t openContext, std::uint32_t code,
                                                                     void* input, std::uint32_t inputSize, void* output,
                                                                     std::uint32_t outputSize, std::uint32_t* returned)
{
    if (!loadCounted())
        return 0;
    if (code == RequestCommand && input != nullptr && inputSize >= sizeof(DriverRequest))
        ++commands[static_cast<const DriverRequest*>(input)->command[0]];
    else if (code == RequestRemount)
        ++remounts;
    else if (code == RequestMountFolder)
        ++mountFolders;
    return counted(openContext, code, input, inputSize, output, outputSize, returned);
}
