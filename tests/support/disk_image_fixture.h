// The virtual drive's disk image as a test looks at it and tampers with it:
// the FAT partition that fsck.fat checks, and a boot sector label written
// by hand, as another program could have written it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace disk_image {

// The image of the disk the virtual drive holds on a first run.
inline std::string firstDisk(const std::string& hostFolder) { return hostFolder + "/drive/disks/disk1.img"; }

// The full path of a system tool, or "" when it is not installed.
inline std::string toolPath(const std::string& name)
{
    for (const char* folder : {"/usr/sbin", "/sbin", "/usr/bin", "/bin"}) {
        std::string path = std::string(folder) + "/" + name;
        if (std::filesystem::exists(path))
            return path;
    }
    return "";
}

inline std::uint32_t little32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

// The first sector and sector count of partition slot 4 of the boot record;
// false when the image has none.
inline bool partitionOfSlot4(const std::string& image, std::uint32_t* start, std::uint32_t* count)
{
    std::ifstream in(image, std::ios::binary);
    unsigned char record[512];
    if (!in.read(reinterpret_cast<char*>(record), 512))
        return false;
    *start = little32(record + 0x1EE + 8);
    *count = little32(record + 0x1EE + 12);
    return *start != 0 && *count != 0;
}

// Copies the partition of slot 4 out of the image, as fsck.fat wants a file
// system of its own.
inline bool extractPartition(const std::string& image, const std::string& partition)
{
    std::uint32_t start = 0, count = 0;
    if (!partitionOfSlot4(image, &start, &count))
        return false;
    std::ifstream in(image, std::ios::binary);
    std::vector<char> sectors(std::size_t(count) * 512);
    in.seekg(std::streamoff(start) * 512);
    if (!in.read(sectors.data(), std::streamsize(sectors.size())))
        return false;
    std::ofstream out(partition, std::ios::binary | std::ios::trunc);
    return bool(out.write(sectors.data(), std::streamsize(sectors.size())));
}

// Overwrites the 11 label bytes (offset 43) of the partition's boot sector,
// padded with spaces.
inline bool writeBootSectorLabel(const std::string& image, const std::string& label)
{
    std::uint32_t start = 0, count = 0;
    if (!partitionOfSlot4(image, &start, &count))
        return false;
    std::string bytes = label.substr(0, 11);
    bytes.resize(11, ' ');
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(std::streamoff(start) * 512 + 43);
    return bool(file.write(bytes.data(), 11));
}

} // namespace disk_image
