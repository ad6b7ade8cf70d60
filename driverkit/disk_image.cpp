#include "driverkit/disk_image.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr off_t imageSize = off_t(diskSectorCount) * diskSectorSize;

} // namespace

bool createBlankImageIn(int folder, const std::string& name)
{
    int fd = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool sized = ftruncate(fd, imageSize) == 0;
    if (close(fd) != 0 || !sized) {
        unlinkat(folder, name.c_str(), 0);
        return false;
    }
    return true;
}

bool readSectorsFrom(int fd, std::uint32_t block, std::uint32_t count, std::uint8_t* out)
{
    std::size_t wanted = std::size_t(count) * diskSectorSize;
    off_t offset = off_t(block) * diskSectorSize;
    std::size_t done = 0;
    while (done < wanted) {
        ssize_t n = pread(fd, out + done, wanted - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break; // beyond the end of a short image
        done += std::size_t(n);
    }
    std::memset(out + done, 0, wanted - done);
    return true;
}

bool writeSectorsTo(int fd, std::uint32_t block, std::uint32_t count, const std::uint8_t* data)
{
    std::size_t wanted = std::size_t(count) * diskSectorSize;
    off_t offset = off_t(block) * diskSectorSize;
    std::size_t done = 0;
    while (done < wanted) {
        ssize_t n = pwrite(fd, data + done, wanted - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

bool eraseImage(int fd)
{
    // Cutting the file to nothing and back leaves a sparse image of zeros.
    return fd >= 0 && ftruncate(fd, 0) == 0 && ftruncate(fd, imageSize) == 0;
}
