// The virtual drive's request handling: MSD_IOControl with any request
// records, one after another on a drive that starts each input new (a
// plugged drive holding a blank disk). Each request in the input is
//   1 byte   the request code: 101, 102, 103, or the byte itself
//   48 bytes the request record, as the caller fills it
//   2 bytes  how many of the following bytes fill the data buffer
// The buffer is the caller's own, exactly the record's transfer length
// (cut to 8 KiB, 16 sectors) long, so the sanitizer sees any access past it. The
// record's buffer address is set to it; every other field is the input's.
#include "device/driver_request.h"
#include "drive/drive_files.h"
#include "drive/kept_drive.h"
#include "tests/fuzz/fuzz_host_folder.h"

#include <algorithm>
#include <crypt.h>
#include <dlfcn.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int MSD_IOControl(std::uint32_t openContext, std::uint32_t code, void* input, std::uint32_t inputSize,
                             void* output, std::uint32_t outputSize, std::uint32_t* returned);

namespace {

constexpr std::uint32_t largestTransfer = 1u << 13;
constexpr std::size_t requestsPerInput = 8;

std::uint32_t requestCode(std::uint8_t byte)
{
    switch (byte % 4) {
    case 0: return RequestRemount;
    case 1: return RequestMountFolder;
    case 2: return RequestCommand;
    default: return byte;
    }
}

// Only the status and the two sense bytes of a record may change.
bool onlyAnswerFieldsChanged(const std::uint8_t* before, const std::uint8_t* after)
{
    for (std::size_t i = 0; i < sizeof(DriverRequest); ++i) {
        bool answerField = (i >= offsetof(DriverRequest, status) && i < offsetof(DriverRequest, status) + 4) ||
                           i == offsetof(DriverRequest, senseCode) || i == offsetof(DriverRequest, senseQualifier);
        if (!answerField && before[i] != after[i])
            return false;
    }
    return true;
}

} // namespace

// The drive hashes a new password with libcrypt's preferred method, which
// is slow on purpose and would take most of each run. Here the salt asks
// for the cheapest method libcrypt has, with fixed salt bytes so a run
// repeats exactly; how the drive keeps and checks the hash is unchanged.
extern "C" char* crypt_gensalt_rn(const char*, unsigned long, const char*, int, char* output, int outputSize)
{
    using Gensalt = char* (*)(const char*, unsigned long, const char*, int, char*, int);
    static const auto next = reinterpret_cast<Gensalt>(dlsym(RTLD_NEXT, "crypt_gensalt_rn"));
    static const char saltBytes[16] = "quibfuzzquibfuz";
    return next("$1$", 0, saltBytes, sizeof saltBytes, output, outputSize);
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzHostFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The drive starts new, as a program starting on an empty folder finds
    // it; the registry, which the drive only reads, stays.
    emptyFolder(driveFolder());
    startDriveAfresh();
    std::size_t at = 0;
    for (std::size_t n = 0; n < requestsPerInput && size - at >= 1 + sizeof(DriverRequest) + 2; ++n) {
        std::uint32_t code = requestCode(data[at]);
        DriverRequest request;
        std::memcpy(&request, data + at + 1, sizeof request);
        at += 1 + sizeof request;
        std::size_t supplied = data[at] | data[at + 1] << 8;
        at += 2;

        request.transferLength %= largestTransfer + 1;
        std::uint32_t length = request.transferLength;
        // make_unique of an empty array still gives a distinct address.
        auto buffer = std::make_unique<std::uint8_t[]>(length);
        supplied = std::min({supplied, std::size_t(length), size - at});
        std::memcpy(buffer.get(), data + at, supplied);
        at += supplied;
        setDataBuffer(request, buffer.get());

        std::uint8_t before[sizeof request];
        std::memcpy(before, &request, sizeof request);
        std::uint32_t returned = 0;
        MSD_IOControl(0, code, &request, sizeof request, nullptr, 0, &returned);
        if (!onlyAnswerFieldsChanged(before, reinterpret_cast<const std::uint8_t*>(&request)) || returned > length)
            std::abort();
    }
    return 0;
}
