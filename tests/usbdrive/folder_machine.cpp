// A test build of the real-drive library whose machine is a folder: the
// test lays out /sys and /dev under the folder that QUIB_TEST_MACHINE names
// (files, folders and relative links, as sysfs has them), and the library
// sees that machine in place of the real one. Device nodes there are plain
// files: the library's opens of them are written, one path a line, to the
// file "opened" in that folder and then refused, so a test reads which
// device the tool went to and no command reaches anything.
#include "usbdrive/usb_host.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace {

std::string machineRoot()
{
    const char* root = std::getenv("QUIB_TEST_MACHINE");
    return root != nullptr ? root : "/nonexistent";
}

// The real machine's own functions, each given the path inside the folder.
UsbHost realMachine;

std::string resolveInMachine(const std::string& path)
{
    std::string root = machineRoot();
    std::string full = realMachine.resolve(root + path);
    if (full.empty() || full.compare(0, root.size(), root) != 0)
        return {};
    return full.size() == root.size() ? "/" : full.substr(root.size());
}

bool readInMachine(const std::string& path, std::string& text) { return realMachine.readText(machineRoot() + path, text); }

std::vector<std::string> listInMachine(const std::string& path) { return realMachine.listFolder(machineRoot() + path); }

int refuseOpen(const std::string& path, int& error)
{
    std::ofstream(machineRoot() + "/opened", std::ios::app) << path << '\n';
    error = ENODEV;
    return -1;
}

int openInMachine(const std::string& path, bool, int& error) { return refuseOpen(path, error); }
int claimInMachine(const std::string& path, int& error) { return refuseOpen(path, error); }
void closeInMachine(int) {}
unsigned long long noNumberOfPath(const std::string&) { return 0; }
unsigned long long noNumberOfNode(int) { return 0; }
int noScsi(int, sg_io_hdr_t&) { return ENODEV; }
int noReread(int) { return ENODEV; }

const UsbHost folderMachine{resolveInMachine, readInMachine,  listInMachine,  openInMachine, claimInMachine,
                            closeInMachine,   noNumberOfPath, noNumberOfNode, noScsi,        noReread};

__attribute__((constructor)) void useFolderMachine()
{
    realMachine = usbHost();
    replaceUsbHost(folderMachine);
}

} // namespace
