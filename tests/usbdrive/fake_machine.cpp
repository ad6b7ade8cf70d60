#include "tests/usbdrive/fake_machine.h"

#include "usbdrive/real_drive.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

const char* const quibStablePath = "/dev/disk/by-id/usb-Quib_Drive_0001-0:0";
const char* const quibScsiDevice = "/sys/devices/pci0000:00/0000:00:04.0/usb2/2-1/2-1:1.0/host0/target0:0:0/0:0:0:0";

namespace {

FakeMachine* installed = nullptr;
std::map<int, std::string> nodeOfHandle;
int nextHandle = 100;
std::set<int> claimHandles;
// An open node keeps the number it had when it was opened.
std::map<int, unsigned long long> numberOfHandle;

std::string hex(std::uint8_t byte)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0xF]};
}

unsigned long long numberOf(const std::string& path)
{
    auto number = installed->numbers.find(path);
    return number != installed->numbers.end() && installed->paths.count(path) != 0 ? number->second : 0;
}

std::string resolve(const std::string& path)
{
    installed->calls.push_back("resolve " + path);
    auto link = installed->links.find(path);
    if (link != installed->links.end())
        return link->second;
    return installed->paths.count(path) != 0 ? path : std::string();
}

bool readText(const std::string& path, std::string& text)
{
    installed->calls.push_back("read " + path);
    auto file = installed->files.find(path);
    if (file == installed->files.end())
        return false;
    text = file->second;
    return true;
}

std::vector<std::string> listFolder(const std::string& path)
{
    installed->calls.push_back("list " + path);
    auto folder = installed->folders.find(path);
    return folder == installed->folders.end() ? std::vector<std::string>() : folder->second;
}

int openNode(const std::string& path, bool forCommands, int& error)
{
    installed->calls.push_back("open " + path);
    installed->opened.push_back(path);
    if (!forCommands)
        installed->openedReadOnly.push_back(path);
    auto failure = installed->openErrors.find(path);
    if (failure != installed->openErrors.end()) {
        error = failure->second;
        return -1;
    }
    if (installed->paths.count(path) == 0) {
        error = ENOENT;
        return -1;
    }
    int handle = nextHandle++;
    nodeOfHandle[handle] = path;
    numberOfHandle[handle] = numberOf(path);
    ++installed->openNodes;
    return handle;
}

int claimDisk(const std::string& path, int& error)
{
    installed->calls.push_back("claim " + path);
    auto failure = installed->claimErrors.find(path);
    if (failure != installed->claimErrors.end()) {
        error = failure->second;
        return -1;
    }
    if (installed->paths.count(path) == 0) {
        error = ENOENT;
        return -1;
    }
    int handle = nextHandle++;
    nodeOfHandle[handle] = path;
    claimHandles.insert(handle);
    installed->claimed.push_back(path);
    ++installed->openClaims;
    return handle;
}

void closeNode(int handle)
{
    installed->calls.push_back("close " + nodeOfHandle[handle]);
    nodeOfHandle.erase(handle);
    if (claimHandles.erase(handle) != 0)
        --installed->openClaims;
    else
        --installed->openNodes;
}

unsigned long long numberOfPath(const std::string& path)
{
    installed->calls.push_back("number " + path);
    return numberOf(path);
}

unsigned long long numberOfNode(int handle)
{
    installed->calls.push_back("number of open " + nodeOfHandle[handle]);
    return numberOfHandle[handle];
}

int sendScsi(int handle, sg_io_hdr_t& header)
{
    SentCommand command;
    command.node = nodeOfHandle[handle];
    command.block.assign(header.cmdp, header.cmdp + header.cmd_len);
    command.direction = header.dxfer_direction;
    command.length = header.dxfer_len;
    command.timeout = header.timeout;
    if (header.dxfer_direction == SG_DXFER_TO_DEV)
        command.dataOut.assign(static_cast<std::uint8_t*>(header.dxferp),
                               static_cast<std::uint8_t*>(header.dxferp) + header.dxfer_len);
    installed->sent.push_back(command);
    installed->calls.push_back("sg " + hex(command.block.empty() ? 0 : command.block[0]));

    if (installed->goneNodes.count(command.node) != 0)
        return ENODEV;
    DriveAnswer answer = installed->drive ? installed->drive(command.block) : DriveAnswer();
    if (answer.error != 0)
        return answer.error;
    header.status = answer.status;
    header.masked_status = answer.status >> 1;
    header.host_status = answer.hostStatus;
    header.driver_status = answer.driverStatus;
    header.sb_len_wr = std::uint8_t(std::min<std::size_t>(answer.sense.size(), header.mx_sb_len));
    if (header.sb_len_wr > 0)
        std::memcpy(header.sbp, answer.sense.data(), header.sb_len_wr);
    header.resid = int(header.dxfer_len);
    if (header.dxfer_direction == SG_DXFER_FROM_DEV) {
        std::size_t moved = std::min<std::size_t>(answer.data.size(), header.dxfer_len);
        if (moved > 0)
            std::memcpy(header.dxferp, answer.data.data(), moved);
        header.resid = int(header.dxfer_len - moved);
    } else if (header.dxfer_direction == SG_DXFER_TO_DEV && answer.status == 0) {
        header.resid = 0;
    }
    return 0;
}

int rereadPartitions(int handle)
{
    installed->reread.push_back(nodeOfHandle[handle]);
    installed->calls.push_back("reread " + nodeOfHandle[handle]);
    return installed->rereadError;
}

// READ CAPACITY's answer for a disk of 78848 blocks of 512 bytes.
DriveAnswer quibDiskAnswer(const std::vector<std::uint8_t>& block)
{
    DriveAnswer answer;
    if (block[0] == 0x25)
        answer.data = {0x00, 0x01, 0x33, 0xFF, 0x00, 0x00, 0x02, 0x00};
    return answer;
}

} // namespace

void FakeMachine::plugQuibDrive()
{
    links[quibStablePath] = "/dev/sdb";
    paths.insert({"/dev/sg1", "/dev/sdb", "/dev/sdb1"});
    links["/sys/class/scsi_generic/sg1/device"] = quibScsiDevice;
    links["/sys/class/block/sdb/device"] = quibScsiDevice;
    links["/sys/class/block/sdb1/partition"] = "/sys/devices/.../sdb/sdb1/partition";
    folders[std::string(quibScsiDevice) + "/block"] = {"sdb"};
    folders["/sys/class/block/sdb"] = {"device", "queue", "sdb1", "removable", "dev", "size"};
    files["/sys/class/block/sdb/removable"] = "1\n";
    files["/sys/class/block/sdb/dev"] = "8:16\n";
    files["/sys/class/block/sdb/diskseq"] = "9\n";
    files["/sys/class/block/sdb/sdb1/dev"] = "8:17\n";
    numbers = {{"/dev/sdb", 0x0810}, {"/dev/sdb1", 0x0811}, {"/dev/sg1", 0x1501}};
    files["/proc/self/mountinfo"] = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                    "23 22 0:21 / /proc rw shared:2 - proc proc rw\n";
    drive = quibDiskAnswer;
}

void FakeMachine::install(const char* quibDevice)
{
    // What the library still holds belongs to the machine installed before.
    if (installed != nullptr)
        forgetRealDriveState();
    installed = this;
    nodeOfHandle.clear();
    claimHandles.clear();
    numberOfHandle.clear();
    replaceUsbHost({resolve, readText, listFolder, openNode, claimDisk, closeNode, numberOfPath, numberOfNode, sendScsi,
                    rereadPartitions});
    forgetRealDriveState();
    if (quibDevice != nullptr)
        setenv("QUIB_DEVICE", quibDevice, 1);
    else
        unsetenv("QUIB_DEVICE");
}

std::vector<std::uint8_t> FakeMachine::operationCodes() const
{
    std::vector<std::uint8_t> codes;
    for (const SentCommand& command : sent)
        codes.push_back(command.block.empty() ? 0xFF : command.block[0]);
    return codes;
}

std::vector<std::string> FakeMachine::callsSince(std::size_t index) const
{
    return std::vector<std::string>(calls.begin() + std::ptrdiff_t(std::min(index, calls.size())), calls.end());
}

FakeMachine::~FakeMachine()
{
    if (installed == this)
        uninstallFakeMachine();
}

void uninstallFakeMachine()
{
    if (installed != nullptr)
        forgetRealDriveState();
    restoreUsbHost();
    unsetenv("QUIB_DEVICE");
    installed = nullptr;
}
