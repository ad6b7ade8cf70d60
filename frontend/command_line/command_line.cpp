#include "frontend/command_line/command_line.h"

#include "frontend/command_line/job.h"
#include "frontend/command_line/job_front_end.h"
#include "frontend/command_line/person_terminal.h"
#include "os/whole_options.h"

#include <cstdio>
#include <cstring>

namespace {

const char statusUsage[] =
    "Usage: quibtools status [--json]\n"
    "Shows the drive line, the disk's volume label and its protection, as the\n"
    "Status dialog does.\n"
    "\n"
    "  --json   one JSON object: driveLine, volumeLabel, status, drive, disk\n";

const char formatUsage[] =
    "Usage: quibtools format [--long] [--label TEXT] [--yes]\n"
    "Formats the disk in the drive, as the Format dialog does: a Simple Format\n"
    "writes a fresh FAT16 file system; a Long Format lets the drive erase the\n"
    "whole disk first (some minutes) and then writes it.\n"
    "\n"
    "  --long        a Long Format (the only way to format a disk that is\n"
    "                protected with a password you no longer know)\n"
    "  --label TEXT  the volume label, at most 11 bytes; without it the disk\n"
    "                keeps the label it has\n"
    "  --yes         answer Yes to the confirmations (needed when standard\n"
    "                input is not a terminal)\n";

const char protectUsage[] =
    "Usage: quibtools protect MODE [--yes] [--password-stdin]\n"
    "Sets or lifts the disk's protection, as the Protect Setting dialog does.\n"
    "\n"
    "MODE is one of:\n"
    "  write                  write protect, without a password\n"
    "  write-password         write protect with a new password\n"
    "  read-write-password    read/write protect with a new password\n"
    "  unprotect              remove the protection (asks the password if any)\n"
    "  unprotect-until-eject  lift the protection until the disk is ejected\n"
    "\n"
    "  --yes             answer Yes to the caution before a password protection\n"
    "  --password-stdin  read the password from the first line of standard\n"
    "                    input (a new one: a second line, when given, must\n"
    "                    repeat it); otherwise it is typed at the terminal,\n"
    "                    without echo, twice for a new one\n"
    "Passwords are never taken from the command line or the environment.\n";

const char folderUsage[] =
    "Usage: quibtools folder auto|fixed N|linked\n"
    "Sets how the driver names the disk's mount folder, as the Folder Setting\n"
    "dialog does, and mounts the disk again under the new name.\n"
    "\n"
    "  auto      named automatically\n"
    "  fixed N   always \"Storage Card\" and N, a number from 2 to 9\n"
    "  linked    named after the disk's volume label\n";

const char exitCodes[] =
    "\n"
    "Exit status: 0 done, 1 the drive, the disk or the tool refused or failed,\n"
    "2 wrong usage, 3 no drive or no disk, 4 a host folder that cannot be used.\n";

// The sub-commands' options. Each sub-command knows only its own: another's
// is an unknown option there.
enum JobOption { jobJson = 256, jobLong, jobLabel, jobPasswordStdin };

const option statusOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"json", no_argument, nullptr, jobJson},
    {nullptr, 0, nullptr, 0},
};

const option formatOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"long", no_argument, nullptr, jobLong},
    {"label", required_argument, nullptr, jobLabel},
    {"yes", no_argument, nullptr, 'y'},
    {nullptr, 0, nullptr, 0},
};

const option protectOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"yes", no_argument, nullptr, 'y'},
    {"password-stdin", no_argument, nullptr, jobPasswordStdin},
    {nullptr, 0, nullptr, 0},
};

const option folderOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

struct SubCommand {
    const char* name;
    JobKind kind;
    const char* usage;
    // For getopt_long; the leading '-' hands over the operands in their
    // place among the options, so that the first wrong word is the one told.
    const char* shortOptions;
    const option* longOptions;
};

const SubCommand subCommands[] = {
    {"status", JobKind::Status, statusUsage, "-:h", statusOptions},
    {"format", JobKind::Format, formatUsage, "-:hy", formatOptions},
    {"protect", JobKind::Protect, protectUsage, "-:hy", protectOptions},
    {"folder", JobKind::Folder, folderUsage, "-:h", folderOptions},
};

struct NamedMode {
    const char* name;
    ProtectMode mode;
};

const NamedMode protectModes[] = {
    {"write", ProtectMode::Write},
    {"write-password", ProtectMode::WritePassword},
    {"read-write-password", ProtectMode::ReadWritePassword},
    {"unprotect", ProtectMode::Unprotect},
    {"unprotect-until-eject", ProtectMode::UnprotectUntilEject},
};

const SubCommand* findSubCommand(const char* name)
{
    for (const SubCommand& command : subCommands) {
        if (std::strcmp(command.name, name) == 0)
            return &command;
    }
    return nullptr;
}

int wrongUsage(const SubCommand& command, const char* what, const char* value)
{
    if (value != nullptr)
        std::fprintf(stderr, "quibtools %s: %s '%s'\n", command.name, what, value);
    else
        std::fprintf(stderr, "quibtools %s: %s\n", command.name, what);
    std::fprintf(stderr, "Try 'quibtools %s --help'.\n", command.name);
    return jobWrongUsage;
}

// Reads the sub-command's words into job. Returns -1 to go on, else the
// exit code to end with (0 after --help).
int parseJob(const SubCommand& command, int argc, char** argv, Job& job)
{
    job.kind = command.kind;
    int operands = 0;
    optind = 0;
    opterr = 0;
    for (;;) {
        const char* word = nullptr;
        int found = nextWholeOption(argc, argv, command.shortOptions, command.longOptions, &word);
        if (found == -1)
            break;
        if (found == 'h') {
            std::printf("%s%s", command.usage, exitCodes);
            return 0;
        }
        if (found == jobJson) {
            job.json = true;
        } else if (found == jobLong) {
            job.longFormat = true;
        } else if (found == ':') {
            return wrongUsage(command, "--label needs the label", nullptr);
        } else if (found == jobLabel) {
            const char* label = optarg;
            if (std::strlen(label) >= sizeof job.label)
                return wrongUsage(command, "the label is far too long", nullptr);
            std::strcpy(job.label, label);
            job.labelGiven = true;
        } else if (found == 'y') {
            job.assumeYes = true;
        } else if (found == jobPasswordStdin) {
            job.passwordFromStdin = true;
        } else if (found == '?') {
            return wrongUsage(command, "unknown option", word);
        } else if (command.kind == JobKind::Protect && operands == 0) {
            const NamedMode* named = nullptr;
            for (const NamedMode& mode : protectModes) {
                if (std::strcmp(mode.name, word) == 0)
                    named = &mode;
            }
            if (named == nullptr)
                return wrongUsage(command, "unknown protection", word);
            job.protectMode = named->mode;
            ++operands;
        } else if (command.kind == JobKind::Folder && operands == 0) {
            if (std::strcmp(word, "auto") == 0)
                job.folderMode = FolderMode::Automated;
            else if (std::strcmp(word, "fixed") == 0)
                job.folderMode = FolderMode::Fixed;
            else if (std::strcmp(word, "linked") == 0)
                job.folderMode = FolderMode::Linked;
            else
                return wrongUsage(command, "unknown folder naming", word);
            ++operands;
        } else if (command.kind == JobKind::Folder && operands == 1 && job.folderMode == FolderMode::Fixed) {
            if (word[0] < '2' || word[0] > '9' || word[1] != '\0')
                return wrongUsage(command, "the folder number must be 2 to 9, not", word);
            job.folderNumber = word[0] - '0';
            ++operands;
        } else {
            return wrongUsage(command, "unexpected word", word);
        }
    }
    if (command.kind == JobKind::Protect && operands == 0)
        return wrongUsage(command, "which protection? write, write-password, read-write-password, unprotect "
                                   "or unprotect-until-eject", nullptr);
    if (command.kind == JobKind::Folder && operands == 0)
        return wrongUsage(command, "which naming? auto, fixed N or linked", nullptr);
    if (command.kind == JobKind::Folder && job.folderMode == FolderMode::Fixed && operands < 2)
        return wrongUsage(command, "fixed needs the folder number, 2 to 9", nullptr);
    // A question that nobody can answer would refuse the job half-way.
    bool asks = command.kind == JobKind::Format ||
                (command.kind == JobKind::Protect && (job.protectMode == ProtectMode::WritePassword ||
                                                      job.protectMode == ProtectMode::ReadWritePassword));
    if (asks && !job.assumeYes && !personAtTerminal())
        return wrongUsage(command,
                          "standard input is not a terminal, so the job's question cannot be asked: give --yes to "
                          "answer Yes",
                          nullptr);
    return -1;
}

} // namespace

bool isSubCommand(const char* word) { return findSubCommand(word) != nullptr; }

const char subCommandSummary[] =
    "Commands for the common jobs (each has --help):\n"
    "  quibtools status [--json]\n"
    "  quibtools format [--long] [--label TEXT] [--yes]\n"
    "  quibtools protect write|write-password|read-write-password|unprotect|unprotect-until-eject\n"
    "  quibtools folder auto|fixed N|linked\n";

int openJob(int argc, char** argv, JobFrontEnd** job)
{
    static Job words;
    int ended = parseJob(*findSubCommand(argv[0]), argc, argv, words);
    if (ended >= 0)
        return ended;
    static JobFrontEnd frontEnd(words);
    *job = &frontEnd;
    return -1;
}
