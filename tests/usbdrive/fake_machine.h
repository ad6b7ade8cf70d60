// A whole Linux machine for the real-drive library, held in tables: links,
// sysfs files and folders, device nodes, and a drive that answers each
// SG_IO call as the test scripts it and records what it was sent.
#pragma once

#include "usbdrive/usb_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// One SG_IO call as the library made it.
struct SentCommand {
    std::string node;
    std::vector<std::uint8_t> block; // cmd_len bytes
    int direction = 0;
    unsigned length = 0;
    unsigned timeout = 0;
    std::vector<std::uint8_t> dataOut; // what a write carried
};

// How the drive answers one command.
struct DriveAnswer {
    int error = 0;              // the ioctl's errno
    unsigned char status = 0;   // SCSI status
    unsigned short hostStatus = 0;
    unsigned short driverStatus = 0;
    std::vector<std::uint8_t> sense;
    std::vector<std::uint8_t> data; // data in
};

struct FakeMachine {
    FakeMachine() = default;
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;
    ~FakeMachine();
    std::map<std::string, std::string> links; // path -> resolved path
    std::set<std::string> paths;               // paths that resolve to themselves
    std::map<std::string, std::string> files;
    std::map<std::string, std::vector<std::string>> folders;
    std::map<std::string, int> openErrors;  // node -> errno its open fails with
    std::map<std::string, int> claimErrors; // disk node -> errno its exclusive open fails with
    std::map<std::string, unsigned long long> numbers; // node -> device number
    std::set<std::string> goneNodes; // unplugged: SG_IO through a node opened before answers ENODEV
    std::function<DriveAnswer(const std::vector<std::uint8_t>& block)> drive;
    int rereadError = 0;

    std::vector<SentCommand> sent;
    std::vector<std::string> reread; // nodes BLKRRPART went to
    std::vector<std::string> opened;
    std::vector<std::string> openedReadOnly;
    int openNodes = 0;
    std::vector<std::string> claimed; // disk nodes opened exclusively
    int openClaims = 0;
    // Every call the library made to the host, in order: "sg 2A",
    // "open /dev/sdb", "claim /dev/sdb", "close /dev/sdb", "read PATH",
    // "resolve PATH", "list PATH", "number PATH", "reread /dev/sdb".
    std::vector<std::string> calls;

    // A Quib! drive, disk sdb with one partition sdb1 and generic node sg1, on
    // a USB bus, named by QUIB_DEVICE through its stable path, holding a disk of 78848
    // blocks of 512 bytes, nothing mounted; every other command succeeds.
    void plugQuibDrive();
    // Installs this machine as the host and sets QUIB_DEVICE to path.
    void install(const char* quibDevice);

    // The commands sent, by operation code.
    std::vector<std::uint8_t> operationCodes() const;
    // The host calls made from the index'th on.
    std::vector<std::string> callsSince(std::size_t index) const;
};

// Removes the fake machine and QUIB_DEVICE again.
void uninstallFakeMachine();

extern const char* const quibStablePath;
extern const char* const quibScsiDevice;

// A test on a machine where a Quib! drive is plugged in and named.
class QuibDrivePlugged : public testing::Test {
protected:
    void SetUp() override
    {
        machine.plugQuibDrive();
        machine.install(quibStablePath);
    }
    void TearDown() override { uninstallFakeMachine(); }
    FakeMachine machine;
};
