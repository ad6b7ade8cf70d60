#include "driverkit/disk_image.h"

#include <cstring>

namespace {

constexpr std::uint64_t imageSize = std::uint64_t(diskSectorCount) * diskSectorSize;

} // namespace

bool createBlankImageIn(FileHandle folder, const std::string& name)
{
    FileHandle image = openFileIn(folder, name, FileAccess::createNew);
    if (image == noFile)
        return false;
    bool sized = setFileSize(image, imageSize);
    closeFile(image);
    if (!sized) {
        removeFileIn(folder, name);
        return false;
    }
    return true;
}

bool readSectorsFrom(FileHandle image, std::uint32_t block, std::uint32_t count, std::uint8_t* out)
{
    std::size_t wanted = std::size_t(count) * diskSectorSize, got = 0;
    if (image == noFile || !readAt(image, out, wanted, std::uint64_t(block) * diskSectorSize, got))
        return false;
    std::memset(out + got, 0, wanted - got); // beyond the end of a short image
    return true;
}

bool writeSectorsTo(FileHandle image, std::uint32_t block, std::uint32_t count, const std::uint8_t* data)
{
    return image != noFile && writeAt(image, data, std::size_t(count) * diskSectorSize, std::uint64_t(block) * diskSectorSize);
}

bool eraseImage(FileHandle image)
{
    // Cutting the file to nothing and back leaves a sparse image of zeros.
    return image != noFile && setFileSize(image, 0) && setFileSize(image, imageSize);
}
