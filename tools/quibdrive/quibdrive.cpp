// quibdrive: what a person does with the virtual drive by hand. Shows the
// drive, makes blank disks, inserts and ejects them, plugs the drive in and
// out, and sets how long a low-level format takes. Works on the same state
// as ZOVEVIV.DLL, under the same lock, so it can run while the tool does.
#include "driverkit/disk_image.h"
#include "drive/drive_files.h"
#include "drive/virtual_drive.h"
#include "os/host_folder.h"
#include "os/program_arguments.h"
#include "os/whole_options.h"
#include "program_version.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char usage[] =
    "Usage: quibdrive COMMAND [ARGUMENT]\n"
    "Controls the virtual Quib! drive that the tool reaches through ZOVEVIV.DLL.\n"
    "Its state and disks live in the host folder ($QUIB_HOME, by default\n"
    "~/.local/state/quibtools), under drive/.\n"
    "\n"
    "Commands:\n"
    "  status               show the drive, its disk, the disk's protection, the\n"
    "                       protection mode, a running low-level format and the\n"
    "                       mount folder\n"
    "  disks                list the disk images\n"
    "  create NAME          create a blank disk image NAME (78848 sectors of 512 bytes)\n"
    "  insert NAME          insert disk NAME into the empty slot\n"
    "  eject                eject the disk from the slot\n"
    "  plug                 plug the drive in\n"
    "  unplug               unplug the drive: every request then finds no drive\n"
    "  format-time SECONDS  how long a low-level format takes (default 30; 0 ends it at\n"
    "                       once; at most 1500, well within the 30 minutes the tool waits)\n"
    "  --help               show this help and end\n"
    "  --version            show the version and end\n"
    "\n"
    "A disk NAME is made of letters, digits, '-', '_' and '.'. The exit status is\n"
    "0 on success, 1 on failure and 2 on a wrong command line.\n";

constexpr int exitUsage = 2;

int usageError(const std::string& message)
{
    std::fprintf(stderr, "quibdrive: %s\nTry 'quibdrive --help'.\n", message.c_str());
    return exitUsage;
}

int failWith(const std::string& message)
{
    std::fprintf(stderr, "quibdrive: %s\n", message.c_str());
    return 1;
}

const char* stateName(DiskState state)
{
    switch (state) {
    case 0: return "not protected";
    case 2: return "write protected";
    case 3: return "write protected with password";
    case 5: return "read/write protected with password";
    case 10: return "write protected, lifted until eject";
    case 11: return "write protected with password, lifted until eject";
    case 13: return "read/write protected with password, lifted until eject";
    case stateBroken: return "protection record damaged (a low-level format clears it)";
    default: return "unknown";
    }
}

std::string seconds(std::uint32_t ms)
{
    char text[32];
    if (ms % 1000 == 0)
        std::snprintf(text, sizeof text, "%u s", unsigned(ms / 1000));
    else
        std::snprintf(text, sizeof text, "%.3g s", ms / 1000.0);
    return text;
}

// The system's reason for a failure, when the failing call left one: the
// reason is cleared before each operation that reports through it.
std::string systemReason()
{
    std::string reason = lastFileError();
    return reason.empty() ? reason : ": " + reason;
}

// Every change is saved before quibdrive reports it.
int saved(DriveSession& drive, const std::string& message)
{
    clearFileError();
    if (!drive.save())
        return failWith("cannot save the drive's state in " + driveFolder() + systemReason());
    if (!message.empty())
        std::printf("%s\n", message.c_str());
    return 0;
}

int showStatus(DriveSession& drive)
{
    const DriveState& s = drive.state;
    std::printf("Drive:            %s\n", s.plugged ? "plugged" : "unplugged");
    if (drive.hasDisk()) {
        std::printf("Disk:             %s\n", s.disk.c_str());
        std::printf("Image:            %s\n", drive.imagePath().c_str());
        std::printf("Protection:       %u (%s)\n", unsigned(drive.protection.state), stateName(drive.protection.state));
    } else {
        std::printf("Disk:             none (the slot is empty)\n");
    }
    std::printf("Protection mode:  %s\n", s.protectionMode ? "on" : "off");
    if (s.formatting)
        std::printf("Low-level format: running, %u%% done (takes %s)\n", unsigned(formatProgress(drive) * 100u / 65536u),
                    seconds(s.formatDurationMs).c_str());
    else
        std::printf("Low-level format: not running (takes %s)\n", seconds(s.formatTimeMs).c_str());
    std::printf("Mount folder:     %s\n", s.mountFolder.empty() ? "none" : s.mountFolder.c_str());
    return saved(drive, "");
}

int listDisks(DriveSession& drive)
{
    std::string folder = disksFolder();
    clearFileError();
    std::vector<std::string> names;
    auto keepDisk = [](const std::string& file, void* context) {
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".img") == 0 &&
            isValidDiskName(file.substr(0, file.size() - 4)))
            static_cast<std::vector<std::string>*>(context)->push_back(file.substr(0, file.size() - 4));
    };
    if (disksFolderFd() == noFile || !listFolder(disksFolderFd(), keepDisk, &names))
        return failWith("cannot read the disks folder " + folder + systemReason());
    std::sort(names.begin(), names.end());
    if (names.empty())
        std::printf("No disks in %s\n", folder.c_str());
    for (const std::string& name : names) {
        DiskState state = name == drive.state.disk ? drive.protection.state
                                                   : loadProtectionRecordIn(disksFolderFd(), protectionRecordName(name)).state;
        std::printf("%s%s  %s\n", name.c_str(), name == drive.state.disk ? " (in the slot)" : "", stateName(state));
    }
    return saved(drive, "");
}

int create(DriveSession& drive, const std::string& name)
{
    if (!isValidDiskName(name))
        return failWith("'" + name + "' is not a disk name: use letters, digits, '-', '_' and '.', at most 64");
    if (kindOfNameIn(disksFolderFd(), diskImageName(name)) != FileKind::missing)
        return failWith("a disk named '" + name + "' exists already");
    clearFileError();
    if (!createDisk(name))
        return failWith("cannot create the disk image " + diskImagePath(name) + systemReason());
    return saved(drive, "Created the blank disk " + name + ": " + diskImagePath(name));
}

int insert(DriveSession& drive, const std::string& name)
{
    if (!isValidDiskName(name))
        return failWith("'" + name + "' is not a disk name");
    if (drive.hasDisk())
        return failWith("disk " + drive.state.disk + " is in the slot; eject it first");
    if (!isDiskImage(name))
        return failWith("there is no disk named '" + name + "' (its image must be a plain file, not a link); "
                        "create it with: quibdrive create " + name);
    insertDisk(drive, name);
    return saved(drive, "Inserted disk " + name + ".");
}

int eject(DriveSession& drive)
{
    if (!drive.hasDisk())
        return failWith("the slot is empty");
    std::string name = drive.state.disk;
    bool cutShort = drive.state.formatting;
    ejectDisk(drive);
    return saved(drive, "Ejected disk " + name + "." +
                            (cutShort ? " The low-level format was cut short; the disk is left erased." : ""));
}

int plug(DriveSession& drive)
{
    if (drive.state.plugged)
        return saved(drive, "The drive is plugged in already.");
    plugDrive(drive);
    return saved(drive, "Plugged the drive in.");
}

int unplug(DriveSession& drive)
{
    if (!drive.state.plugged)
        return saved(drive, "The drive is unplugged already.");
    bool cutShort = drive.state.formatting;
    unplugDrive(drive);
    return saved(drive, std::string("Unplugged the drive.") +
                            (cutShort ? " The low-level format was cut short; the disk is left erased." : ""));
}

int setFormatTime(DriveSession& drive, const std::string& text)
{
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    bool plainNumber = !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos;
    // The tool polls a format for 30 minutes at the most: a longer one would
    // be reported failed while the drive went on erasing.
    double longest = longestFormatTimeMs / 1000.0;
    if (!plainNumber || end != text.c_str() + text.size() || !(value >= 0) || value > longest)
        return failWith("'" + text + "' is not a time in seconds from 0 to " + seconds(longestFormatTimeMs) +
                        " (the tool waits 30 minutes for a format at the most)");
    drive.state.formatTimeMs = std::uint32_t(std::lround(value * 1000));
    return saved(drive, "A low-level format now takes " + seconds(drive.state.formatTimeMs) + ".");
}

// Whether the host folder is there yet, found without making anything: a
// query on a folder that is not there must leave none behind.
bool hasHostFolder(std::string& hostFolder)
{
    char path[PATH_MAX];
    if (!hostFolderName(path, sizeof path))
        return true; // the drive session names the problem
    hostFolder = path;
    return somethingAt(path);
}

int refuseHostFolder()
{
    if (!folderProblem().empty())
        return failWith(folderProblem());
    HostFolderProblem problem = hostFolderProblem();
    if (problem.folder[0] == '\0')
        return failWith(std::string("no host folder: ") + problem.reason);
    return failWith(std::string("cannot use the host folder '") + problem.folder + "': " + problem.reason);
}

int carryOut(DriveSession& drive, const std::string& command, const std::string& argument)
{
    if (command == "status")
        return showStatus(drive);
    if (command == "disks")
        return listDisks(drive);
    if (command == "create")
        return create(drive, argument);
    if (command == "insert")
        return insert(drive, argument);
    if (command == "eject")
        return eject(drive);
    if (command == "plug")
        return plug(drive);
    if (command == "unplug")
        return unplug(drive);
    return setFormatTime(drive, argument);
}

// Options come only before the command; after it every word is the
// command's argument, --help included.
enum DriveOption { driveVersion = 256 };
const option driveOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, driveVersion},
    {nullptr, 0, nullptr, 0},
};

} // namespace

int main(int argc, char** argv)
{
    argv = programArguments(argc, argv);
    if (argc < 2)
        return usageError("a command is needed");
    optind = 0;
    opterr = 0;
    const char* word = nullptr;
    int found = nextWholeOption(argc, argv, "+h", driveOptions, &word);
    std::string command = argv[1];
    if (found == 'h' || command == "help")
        return std::fputs(usage, stdout), 0;
    if (found == driveVersion)
        return std::puts("quibdrive " QUIB_VERSION), 0;
    // A lone "-" is no option to getopt_long, nor a command here.
    if (found == '?' || command[0] == '-')
        return usageError("unknown option '" + command + "'");

    bool takesArgument = command == "create" || command == "insert" || command == "format-time";
    bool known = takesArgument || command == "status" || command == "disks" || command == "eject" ||
                 command == "plug" || command == "unplug";
    if (!known)
        return usageError("unknown command '" + command + "'");
    if (argc != (takesArgument ? 3 : 2))
        return usageError(command + (takesArgument ? " needs one argument" : " takes no argument"));

    std::string hostFolder;
    if ((command == "status" || command == "disks") && !hasHostFolder(hostFolder)) {
        std::printf("No virtual drive yet in %s: the tool or 'quibdrive plug' makes one.\n", hostFolder.c_str());
        return 0;
    }

    DriveSession drive;
    if (!drive.ready())
        return refuseHostFolder();
    int result = carryOut(drive, command, argc == 3 ? argv[2] : "");
    // A refused command still keeps what opening the drive settled (a disk
    // whose image is gone has left the slot, a format whose time is up has
    // ended), so every program sees it.
    drive.save();
    return result;
}
