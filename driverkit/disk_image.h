// A disk: a raw image file of 78848 sectors of 512 bytes. An image is never
// reached through a link: it is opened by name in the disks folder held,
// refusing a link, and then used through its descriptor alone.
#pragma once

#include "os/folder_files.h"

#include <cstdint>
#include <string>

constexpr std::uint32_t diskSectorCount = 78848;
constexpr std::uint32_t diskSectorSize = 512;

// Creates a blank (all zero) image, the file name in folder, sparse so it
// takes no room until written. False when it exists already (a link too)
// or cannot be made.
bool createBlankImageIn(FileHandle folder, const std::string& name);

// Reads count sectors from block on into out (count * 512 bytes), or writes
// count sectors from data to block on, on the open image (the drive keeps
// the image of the disk in its slot open). Parts of an image shorter than
// the disk read as zeros.
bool readSectorsFrom(FileHandle image, std::uint32_t block, std::uint32_t count, std::uint8_t* out);
bool writeSectorsTo(FileHandle image, std::uint32_t block, std::uint32_t count, const std::uint8_t* data);

// Erases the whole open image to zeros, as at the end of a low-level
// format.
bool eraseImage(FileHandle image);
