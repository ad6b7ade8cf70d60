#include "usbdrive/usb_host.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string resolvePath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

bool readTextFile(const std::string& path, std::string& text)
{
    std::ifstream file(path);
    if (!file)
        return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

std::vector<std::string> listFolderNames(const std::string& path)
{
    std::vector<std::string> names;
    DIR* folder = opendir(path.c_str());
    if (folder == nullptr)
        return names;
    while (dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(folder);
    return names;
}

int openDeviceNode(const std::string& path, bool forCommands, int& error)
{
    int node = open(path.c_str(), (forCommands ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (node < 0 && forCommands && errno == EROFS)
        node = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    error = node < 0 ? errno : 0;
    return node;
}

int claimWholeDisk(const std::string& path, int& error)
{
    int node = open(path.c_str(), O_RDONLY | O_EXCL | O_NONBLOCK | O_CLOEXEC);
    error = node < 0 ? errno : 0;
    return node;
}

void closeDeviceNode(int node) { close(node); }

unsigned long long deviceNumberOfPath(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? status.st_rdev : 0;
}

unsigned long long deviceNumberOfNode(int node)
{
    struct stat status;
    return fstat(node, &status) == 0 ? status.st_rdev : 0;
}

int sendScsiCommand(int node, sg_io_hdr_t& header)
{
    int result;
    do
        result = ioctl(node, SG_IO, &header);
    while (result < 0 && errno == EINTR);
    return result < 0 ? errno : 0;
}

int rereadPartitionTable(int node) { return ioctl(node, BLKRRPART) < 0 ? errno : 0; }

// Constant data, so that the host in force is set before any code of the
// library runs (a test's replacement, made at load, is never overwritten).
constexpr UsbHost realHost{resolvePath,        readTextFile,       listFolderNames,
                       openDeviceNode,     claimWholeDisk,     closeDeviceNode,
                       deviceNumberOfPath, deviceNumberOfNode, sendScsiCommand,
                       rereadPartitionTable};

UsbHost currentHost = realHost;

} // namespace

const UsbHost& usbHost() { return currentHost; }
void replaceUsbHost(const UsbHost& host) { currentHost = host; }
void restoreUsbHost() { currentHost = realHost; }
