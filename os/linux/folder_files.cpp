#include "os/folder_files.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int lastError = 0;

bool failed()
{
    lastError = errno;
    return false;
}

FileKind kindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return FileKind::plain;
    if (S_ISDIR(mode))
        return FileKind::folder;
    return FileKind::other;
}

} // namespace

FileHandle openHostFolder(const std::string& path, std::string& why)
{
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        why = std::string("cannot be used: ") + std::strerror(errno);
    return fd < 0 ? noFile : fd;
}

FileHandle openFolderIn(FileHandle parent, const std::string& name, std::string& why)
{
    if (mkdirat(int(parent), name.c_str(), 0700) != 0 && errno != EEXIST) {
        why = std::string("cannot be made: ") + std::strerror(errno);
        return noFile;
    }
    int fd = openat(int(parent), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == ELOOP || error == ENOTDIR)
            why = "is not a folder (a link or a file is in its place)";
        else
            why = std::string("cannot be used: ") + std::strerror(error);
        return noFile;
    }
    return fd;
}

bool folderIsPrivate(FileHandle folder, const std::string& path, std::string& why)
{
    struct stat info;
    if (fstat(int(folder), &info) != 0) {
        why = std::string("cannot be used: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode))
        why = "is not a folder (a link or a file is in its place)";
    else if (info.st_uid != geteuid())
        why = "belongs to another user; the drive uses only folders of its own user";
    else if (info.st_mode & (S_IWGRP | S_IWOTH))
        why = "is one that others may write to; make it private: chmod 700 " + path;
    else
        return true;
    return false;
}

FileHandle openFileIn(FileHandle folder, const std::string& name, FileAccess access, OpenFailure* failure)
{
    // Never blocks on a FIFO planted in a file's place, never follows a link.
    int flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    switch (access) {
    case FileAccess::read: flags |= O_RDONLY; break;
    case FileAccess::readWrite: flags |= O_RDWR; break;
    case FileAccess::createNew: flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC; break;
    case FileAccess::openOrCreate: flags |= O_RDWR | O_CREAT; break;
    }
    int fd = folder < 0 ? -1 : openat(int(folder), name.c_str(), flags, 0600);
    if (fd < 0) {
        lastError = folder < 0 ? EBADF : errno;
        if (failure != nullptr) {
            switch (lastError) {
            case ENOENT: *failure = OpenFailure::missing; break;
            case EEXIST: *failure = OpenFailure::exists; break;
            case ELOOP: *failure = OpenFailure::isLink; break;
            case EACCES: case EROFS: case EPERM: *failure = OpenFailure::refused; break;
            default: *failure = OpenFailure::other; break;
            }
        }
        return noFile;
    }
    if (failure != nullptr)
        *failure = OpenFailure::none;
    return fd;
}

void closeFile(FileHandle& file)
{
    if (file >= 0)
        close(int(file));
    file = noFile;
}

FileKind kindOf(FileHandle file)
{
    struct stat info;
    if (fstat(int(file), &info) != 0)
        return failed(), FileKind::missing;
    return kindOfMode(info.st_mode);
}

FileKind kindOfNameIn(FileHandle folder, const std::string& name)
{
    struct stat info;
    if (folder < 0 || fstatat(int(folder), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return failed(), FileKind::missing;
    return kindOfMode(info.st_mode);
}

std::uint64_t fileSize(FileHandle file)
{
    struct stat info;
    return fstat(int(file), &info) == 0 ? std::uint64_t(info.st_size) : 0;
}

bool readAt(FileHandle file, void* out, std::size_t count, std::uint64_t offset, std::size_t& got)
{
    got = 0;
    while (got < count) {
        ssize_t n = pread(int(file), static_cast<char*>(out) + got, count - got, off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed();
        if (n == 0)
            break; // the end of the file
        got += std::size_t(n);
    }
    return true;
}

bool writeAt(FileHandle file, const void* data, std::size_t count, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = pwrite(int(file), static_cast<const char*>(data) + done, count - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return failed();
        done += std::size_t(n);
    }
    return true;
}

bool setFileSize(FileHandle file, std::uint64_t size) { return ftruncate(int(file), off_t(size)) == 0 || failed(); }

bool flushFile(FileHandle file) { return fsync(int(file)) == 0 || failed(); }

void flushFolder(FileHandle folder) { fsync(int(folder)); }

bool removeFileIn(FileHandle folder, const std::string& name)
{
    return unlinkat(int(folder), name.c_str(), 0) == 0 || failed();
}

bool renameIn(FileHandle folder, const std::string& from, const std::string& to)
{
    return renameat(int(folder), from.c_str(), int(folder), to.c_str()) == 0 || failed();
}

bool somethingAt(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

bool listFolder(FileHandle folder, void (*each)(const std::string& name, void* context), void* context)
{
    // A descriptor of its own, so that the folder held stays as it is.
    int listed = openat(int(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listed >= 0 ? fdopendir(listed) : nullptr;
    if (dir == nullptr) {
        lastError = errno;
        if (listed >= 0)
            close(listed);
        return false;
    }
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            each(name, context);
    }
    closedir(dir);
    return true;
}

std::string lastFileError() { return lastError != 0 ? std::strerror(lastError) : std::string(); }

void clearFileError() { lastError = 0; }
