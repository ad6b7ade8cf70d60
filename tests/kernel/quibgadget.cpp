// quibgadget: the virtual drive as a USB mass-storage device, through the
// kernel's FunctionFS. It speaks bulk-only transport on the endpoints of a
// mounted FunctionFS instance and hands each command block to the virtual
// drive's own ZOVEVIV.DLL (request 103), so one implementation of the drive
// serves both the tool's direct calls and a real USB bus. The few commands
// a USB host asks of every disk and the tool never sends (INQUIRY, READ
// CAPACITY, medium removal, start/stop, cache flush) are answered here.
//
// It counts the command blocks it receives by operation code: on SIGUSR1
// it prints the counts since the last time as one line,
//   quibgadget: count N: 00=3 25=1 2A=219 (total 223)
// and starts again from zero; it prints "quibgadget: FORMAT UNIT" when one
// arrives. The kernel test reads both.
//
// Usage: quibgadget FUNCTIONFS_FOLDER DRIVE_LIBRARY
#include "device/driver_request.h"
#include "device/operation_codes.h"

#include <dlfcn.h>
#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using IOControl = int (*)(std::uint32_t, std::uint32_t, void*, std::uint32_t, void*, std::uint32_t, std::uint32_t*);
IOControl driveEntry = nullptr;

// The command blocks received since the last count, by operation code.
unsigned received[256] = {};
unsigned countsPrinted = 0;
volatile sig_atomic_t countAsked = 0;

void askForCount(int) { countAsked = 1; }

void printCount()
{
    countAsked = 0;
    unsigned total = 0;
    std::printf("quibgadget: count %u:", ++countsPrinted);
    for (unsigned code = 0; code < 256; ++code)
        if (received[code] != 0) {
            std::printf(" %02X=%u", code, received[code]);
            total += received[code];
            received[code] = 0;
        }
    std::printf(" (total %u)\n", total);
    std::fflush(stdout);
}

struct __attribute__((packed)) InterfaceDescriptors {
    usb_interface_descriptor interface;
    usb_endpoint_descriptor_no_audio in, out;
};

struct __attribute__((packed)) Descriptors {
    usb_functionfs_descs_head_v2 header;
    std::uint32_t fullSpeedCount, highSpeedCount;
    InterfaceDescriptors fullSpeed, highSpeed;
};

InterfaceDescriptors interfaceWith(std::uint16_t packetSize)
{
    InterfaceDescriptors d{};
    d.interface.bLength = sizeof d.interface;
    d.interface.bDescriptorType = USB_DT_INTERFACE;
    d.interface.bNumEndpoints = 2;
    d.interface.bInterfaceClass = USB_CLASS_MASS_STORAGE;
    d.interface.bInterfaceSubClass = 6;    // SCSI command set
    d.interface.bInterfaceProtocol = 0x50; // bulk-only transport
    d.interface.iInterface = 1;
    for (auto* endpoint : {&d.in, &d.out}) {
        endpoint->bLength = sizeof *endpoint;
        endpoint->bDescriptorType = USB_DT_ENDPOINT;
        endpoint->bmAttributes = USB_ENDPOINT_XFER_BULK;
        endpoint->wMaxPacketSize = htole16(packetSize);
    }
    d.in.bEndpointAddress = 1 | USB_DIR_IN;
    d.out.bEndpointAddress = 2 | USB_DIR_OUT;
    return d;
}

struct __attribute__((packed)) Strings {
    usb_functionfs_strings_head header;
    std::uint16_t language;
    char interfaceName[12];
};

bool writeAll(int fd, const void* data, std::size_t size)
{
    return write(fd, data, size) == ssize_t(size);
}

// Answers the class requests of bulk-only transport on endpoint 0: Get Max
// LUN (one unit, number 0) and the reset, which needs no data.
void serveControl(int ep0)
{
    usb_functionfs_event events[4];
    for (;;) {
        ssize_t got = read(ep0, events, sizeof events);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        for (std::size_t i = 0; i < std::size_t(got) / sizeof events[0]; ++i) {
            if (events[i].type != FUNCTIONFS_SETUP)
                continue;
            const usb_ctrlrequest& setup = events[i].u.setup;
            if (setup.bRequest == 0xFE && (setup.bRequestType & USB_DIR_IN)) {
                std::uint8_t maxLun = 0;
                (void)write(ep0, &maxLun, 1);
            } else if (setup.bRequest == 0xFF && !(setup.bRequestType & USB_DIR_IN)) {
                (void)read(ep0, nullptr, 0);
            } else if (setup.bRequestType & USB_DIR_IN) {
                (void)read(ep0, nullptr, 0); // the wrong direction stalls the request
            } else {
                (void)write(ep0, nullptr, 0);
            }
        }
    }
}

// One command to the virtual drive: the status it answered.
std::uint32_t askDrive(const std::uint8_t* block, bool dataIn, std::uint8_t* buffer, std::uint32_t length,
                       std::uint32_t& moved)
{
    DriverRequest request{};
    request.driverParam = 5;
    request.dataIn = dataIn ? 1 : 0;
    request.commandLength = 12;
    std::memcpy(request.command, block, 12);
    setDataBuffer(request, length > 0 ? buffer : nullptr);
    request.transferLength = length;
    request.status = statusNotCarriedOut;
    moved = 0;
    driveEntry(0, RequestCommand, &request, sizeof request, nullptr, 0, &moved);
    return request.status;
}

// Carries out one command block; true when it succeeded. moved: the bytes
// of data produced (data in) for the host.
bool carryOut(const std::uint8_t* block, bool dataIn, std::uint8_t* buffer, std::uint32_t length,
              std::uint32_t& moved)
{
    moved = 0;
    switch (block[0]) {
    case operationCode::inquiry: { // a removable direct-access device
        static const std::uint8_t inquiry[36] = {0x00, 0x80, 0x04, 0x02, 31, 0, 0, 0,
                                                 'Q', 'U', 'I', 'B', ' ', ' ', ' ', ' ',
                                                 'D', 'r', 'i', 'v', 'e', ' ', ' ', ' ',
                                                 ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                                 '1', '.', '0', '0'};
        moved = std::min<std::uint32_t>(length, sizeof inquiry);
        std::memcpy(buffer, inquiry, moved);
        return true;
    }
    case operationCode::readCapacity10: { // the drive says whether a disk is ready
        std::uint8_t ready[12] = {};
        std::uint32_t none = 0;
        if (askDrive(ready, false, nullptr, 0, none) != statusSuccess)
            return false;
        static const std::uint8_t capacity[8] = {0x00, 0x01, 0x33, 0xFF, 0x00, 0x00, 0x02, 0x00};
        moved = std::min<std::uint32_t>(length, sizeof capacity);
        std::memcpy(buffer, capacity, moved);
        return true;
    }
    case operationCode::startStopUnit:
    case operationCode::preventAllowRemoval:
    case operationCode::synchronizeCache10: // every write is already in the image
        return true;
    default:
        return askDrive(block, dataIn, buffer, length, moved) == statusSuccess;
    }
}

bool readFull(int fd, std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = read(fd, data + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += std::size_t(got);
    }
    return true;
}

// Bulk-only transport: a 31-byte command wrapper, the data, a 13-byte status.
void serveBulk(int in, int out)
{
    std::vector<std::uint8_t> buffer(256 * 1024);
    for (;;) {
        if (countAsked)
            printCount();
        std::uint8_t wrapper[31];
        ssize_t got = read(out, wrapper, sizeof wrapper);
        if (got < 0 && (errno == EINTR || errno == ESHUTDOWN || errno == EAGAIN)) {
            usleep(10000);
            continue;
        }
        if (got < 0)
            return;
        if (got != 31 || std::memcmp(wrapper, "USBC", 4) != 0)
            continue; // not a command wrapper: wait for the host's reset
        std::uint32_t length = wrapper[8] | wrapper[9] << 8 | wrapper[10] << 16 | std::uint32_t(wrapper[11]) << 24;
        bool dataIn = wrapper[12] & 0x80;
        std::uint8_t block[16] = {};
        std::memcpy(block, wrapper + 15, std::min<std::uint8_t>(wrapper[14] & 0x1F, 16));
        ++received[block[0]];
        if (block[0] == operationCode::formatUnit) {
            std::printf("quibgadget: FORMAT UNIT\n");
            std::fflush(stdout);
        }
        if (length > buffer.size())
            buffer.resize(length);

        if (!dataIn && length > 0 && !readFull(out, buffer.data(), length))
            continue;
        std::uint32_t moved = 0;
        bool good = carryOut(block, dataIn, buffer.data(), length, moved);
        std::uint32_t residue = length;
        if (dataIn && length > 0) {
            // The host expects length bytes; a shorter answer is padded and
            // the padding counted in the residue.
            std::memset(buffer.data() + moved, 0, length - moved);
            if (!writeAll(in, buffer.data(), length))
                continue;
            residue = length - moved;
        } else if (!dataIn) {
            residue = good ? 0 : length;
        }
        std::uint8_t status[13] = {'U', 'S', 'B', 'S'};
        std::memcpy(status + 4, wrapper + 4, 4); // the tag
        status[8] = std::uint8_t(residue);
        status[9] = std::uint8_t(residue >> 8);
        status[10] = std::uint8_t(residue >> 16);
        status[11] = std::uint8_t(residue >> 24);
        status[12] = good ? 0 : 1;
        writeAll(in, status, sizeof status);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quibgadget FUNCTIONFS_FOLDER DRIVE_LIBRARY\n");
        return 2;
    }
    std::string folder = argv[1];
    void* library = dlopen(argv[2], RTLD_NOW | RTLD_LOCAL);
    driveEntry = library != nullptr ? reinterpret_cast<IOControl>(dlsym(library, "MSD_IOControl")) : nullptr;
    if (driveEntry == nullptr) {
        std::fprintf(stderr, "quibgadget: cannot load %s: %s\n", argv[2], dlerror());
        return 1;
    }

    int ep0 = open((folder + "/ep0").c_str(), O_RDWR);
    if (ep0 < 0) {
        std::perror("quibgadget: ep0");
        return 1;
    }
    Descriptors descriptors{};
    descriptors.header.magic = htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    descriptors.header.flags = htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
    descriptors.header.length = htole32(sizeof descriptors);
    descriptors.fullSpeedCount = htole32(3);
    descriptors.highSpeedCount = htole32(3);
    descriptors.fullSpeed = interfaceWith(64);
    descriptors.highSpeed = interfaceWith(512);
    Strings strings{};
    strings.header.magic = htole32(FUNCTIONFS_STRINGS_MAGIC);
    strings.header.length = htole32(sizeof strings);
    strings.header.str_count = htole32(1);
    strings.header.lang_count = htole32(1);
    strings.language = htole16(0x0409);
    std::memcpy(strings.interfaceName, "Quib! Drive", 12);
    if (!writeAll(ep0, &descriptors, sizeof descriptors) || !writeAll(ep0, &strings, sizeof strings)) {
        std::perror("quibgadget: descriptors");
        return 1;
    }
    int in = open((folder + "/ep1").c_str(), O_RDWR);
    int out = open((folder + "/ep2").c_str(), O_RDWR);
    if (in < 0 || out < 0) {
        std::perror("quibgadget: endpoints");
        return 1;
    }
    // SIGUSR1 asks for the counts: it interrupts the wait for the next
    // command wrapper, so only this thread may take it.
    struct sigaction count = {};
    count.sa_handler = askForCount;
    sigaction(SIGUSR1, &count, nullptr);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, nullptr);
    std::thread control(serveControl, ep0);
    control.detach();
    pthread_sigmask(SIG_UNBLOCK, &usr1, nullptr);
    std::printf("quibgadget: ready\n");
    std::fflush(stdout);
    serveBulk(in, out);
    return 0;
}
