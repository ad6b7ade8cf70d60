// A job of the command line: one common task (status, format, protect,
// folder) carried out through the program's own dialogs, without a person
// clicking through them.
#pragma once

#include <cstddef>

enum class JobKind { Status, Format, Protect, Folder };

// The five protection changes the Protect Setting dialog offers.
enum class ProtectMode { Write, WritePassword, ReadWritePassword, Unprotect, UnprotectUntilEject };

// The three ways the driver names the mount folder.
enum class FolderMode { Automated, Fixed, Linked };

constexpr std::size_t jobLabelCapacity = 256;

struct Job {
    JobKind kind = JobKind::Status;
    bool json = false;             // status: one JSON object on standard output
    bool longFormat = false;       // format: the drive's low-level format first
    bool labelGiven = false;       // format: --label was given (else the disk's label is kept)
    char label[jobLabelCapacity] = {};  // format: the label, UTF-8
    bool assumeYes = false;        // answer Yes to every confirmation
    ProtectMode protectMode = ProtectMode::Write;
    bool passwordFromStdin = false; // protect: read passwords from standard input
    FolderMode folderMode = FolderMode::Automated;
    int folderNumber = 0;          // folder fixed: 2 to 9
};

// Exit codes of every job.
constexpr int jobSucceeded = 0;
constexpr int jobRefused = 1;     // the drive, the disk or the program refused, or the job failed
constexpr int jobWrongUsage = 2;
constexpr int jobNoDriveOrDisk = 3;
// 4, a host folder that cannot be used, and 1 when another copy runs, the
// launcher gives as for every run of the tool.
