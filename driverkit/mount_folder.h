// The name of the folder under which the drive mounts its disk, chosen by
// the folder-name settings that the tool keeps in the registry.
#pragma once

#include "driverkit/volume_label.h"
#include "os/folder_files.h"

#include <string>

// The generated name, also the name whenever the settings or the disk give none.
constexpr const char* generatedFolderName = "Storage Card";

// The folder name (UTF-8) for the disk whose image is open as image (as
// the drive keeps it), by the "Fixed" value of the driver's settings key:
//   1: the "Folder" value;
//   2: the disk's volume label without trailing blanks;
//   0, any other number, or no readable value: the generated name.
// An image that cannot be read (noFile) has no label.
std::string chooseMountFolder(FileHandle image);

// The same choice for a disk whose sectors readSector reaches.
std::string chooseMountFolderWith(const SectorReader& readSector);
