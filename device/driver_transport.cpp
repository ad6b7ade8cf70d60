#include "device/driver_transport.h"

#include "os/library_loader.h"

#include <cstring>

DriveIndex driveIndex = 0;

namespace {

// The entry in the argument order of the platform's stream-driver I/O
// control: open context, code, input, input size, output, output size,
// returned count.
using IoControlEntry = int (*)(std::uint32_t, std::uint32_t, void*, std::uint32_t, void*, std::uint32_t, std::uint32_t*);

LibraryHandle driverLibrary = nullptr;
IoControlEntry driverEntry = nullptr;

// Fields every request starts with.
void prepare(DriverRequest& request, DriveIndex drive)
{
    std::memset(&request, 0, sizeof request);
    request.driverParam = 5;
    request.status = statusNotCarriedOut;
    request.driveIndex = drive;
}

void callEntry(std::uint32_t code, DriverRequest& request)
{
    std::uint32_t returned = 0;
    // The open context carries nothing the tool relies on: the entry's own
    // address, truncated to the argument's width.
    auto context = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(driverEntry));
    driverEntry(context, code, &request, sizeof request, nullptr, 0, &returned);
}

bool ensureBound() { return driverLibrary != nullptr || bindDriver(); }

} // namespace

bool bindDriver()
{
    if (driverLibrary != nullptr)
        return true;
    LibraryHandle library = loadLibrary("ZOVEVIV.DLL");
    if (library == nullptr)
        return false;
    void* entry = findExport(library, "MSD_IOControl");
    if (entry == nullptr) {
        releaseLibrary(library);
        return false;
    }
    driverLibrary = library;
    driverEntry = reinterpret_cast<IoControlEntry>(entry);
    return true;
}

bool sendRemount(DriveIndex drive, bool readable)
{
    if (!ensureBound())
        return false;
    DriverRequest request;
    prepare(request, drive);
    request.dataIn = 1;
    request.command[0] = readable ? 0x00 : 0xFF;
    callEntry(RequestRemount, request);
    return request.status == statusSuccess;
}

bool queryMountFolder(DriveIndex drive, char16_t (&answer)[mountFolderCapacity])
{
    answer[0] = u'\0';
    if (!ensureBound())
        return false;
    DriverRequest request;
    prepare(request, drive);
    setDataBuffer(request, answer);
    request.dataIn = 1;
    request.transferLength = 32;
    callEntry(RequestMountFolder, request);
    answer[mountFolderCapacity - 1] = u'\0'; // a full 32-byte answer may carry no terminator
    return request.status == statusSuccess;
}

bool executeCommand(DriverRequest& request)
{
    if (!ensureBound()) {
        request.status = statusNotCarriedOut;
        return false;
    }
    request.commandLength = 12;
    request.status = statusNotCarriedOut;
    request.senseCode = 0;
    request.senseQualifier = 0;
    callEntry(RequestCommand, request);
    return request.status == statusSuccess;
}

bool probeDrive(DriveIndex drive, std::uint8_t sense[2])
{
    DriverRequest request;
    prepare(request, drive);
    request.driverParam = 0; // the probe alone sends 0
    if (executeCommand(request)) {
        sense[0] = 0;
        sense[1] = 0;
        return true;
    }
    if (request.status == statusNoDrive || request.status == statusNotCarriedOut) {
        sense[0] = 0xFF;
        sense[1] = 0xFF;
        return false;
    }
    sense[0] = request.senseCode;
    sense[1] = request.senseQualifier;
    return true;
}

void releaseDriverBinding()
{
    releaseLibrary(driverLibrary);
    driverLibrary = nullptr;
    driverEntry = nullptr;
}
