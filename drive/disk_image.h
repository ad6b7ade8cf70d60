// A disk: a raw image file of 78848 sectors of 512 bytes. An image is never
// reached through a link: every open refuses one, so nothing is read from or
// written into a file that a link planted in the disks folder points at.
#pragma once

#include <cstdint>
#include <string>

constexpr std::uint32_t diskSectorCount = 78848;
constexpr std::uint32_t diskSectorSize = 512;

// Creates a blank (all zero) image at path, sparse so it takes no room
// until written. False when it exists already or cannot be made.
bool createBlankImage(const std::string& path);

// Reads count sectors from block on into out (count * 512 bytes), or writes
// count sectors from data to block on, on the image open as fd (the drive
// keeps the image of the disk in its slot open). Parts of an image shorter
// than the disk read as zeros.
bool readSectorsFrom(int fd, std::uint32_t block, std::uint32_t count, std::uint8_t* out);
bool writeSectorsTo(int fd, std::uint32_t block, std::uint32_t count, const std::uint8_t* data);

// Erases the whole image to zeros, as at the end of a low-level format.
bool eraseImage(const std::string& path);
