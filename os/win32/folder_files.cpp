// Files in held folders on Windows. Every name is opened relative to the
// held folder's handle (NtCreateFile with a root directory, Windows' own
// openat), never following a link: FILE_OPEN_REPARSE_POINT opens a
// symbolic link or junction itself, which is then refused as no file or
// folder of the drive's. Where opening reached a link's target all the same
// (Wine opens the target of a Unix link), the folder's own entry for the
// name tells: it shows the link as a reparse point, and names another file
// than the one opened. A held folder is opened without FILE_SHARE_DELETE,
// so nobody can rename it or put a junction in its place while it is held.
#include "os/folder_files.h"

#include "os/system_error.h"
#include "os/win32/text.h"

#include <aclapi.h>
#include <winioctl.h>
#include <winternl.h>

#include <algorithm>
#include <string>

extern "C" NTSYSAPI NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE folder, HANDLE event, PIO_APC_ROUTINE apc,
                                                        PVOID apcContext, PIO_STATUS_BLOCK io, PVOID out, ULONG length,
                                                        FILE_INFORMATION_CLASS kind, BOOLEAN single,
                                                        PUNICODE_STRING name, BOOLEAN restart);

namespace {

DWORD lastError = 0;

bool failedWith(DWORD error)
{
    lastError = error;
    return false;
}

bool failed() { return failedWith(GetLastError()); }

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle fileOf(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

std::wstring wideOf(const std::string& text)
{
    int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring wide(std::size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, wide.data(), size);
    wide.resize(std::size_t(size - 1));
    return wide;
}

// The system's counted form of a wide name (it stays in wide).
UNICODE_STRING countedName(std::wstring& wide)
{
    UNICODE_STRING name;
    name.Buffer = wide.data();
    name.Length = USHORT(wide.size() * sizeof(wchar_t));
    name.MaximumLength = name.Length;
    return name;
}

// Where a read or write of a synchronous handle starts.
OVERLAPPED overlappedAt(std::uint64_t offset)
{
    OVERLAPPED at{};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    return at;
}

// Opens name relative to the folder; the NTSTATUS, and the system's error
// code kept for lastFileError().
NTSTATUS openRelative(FileHandle folder, const std::string& name, ACCESS_MASK access, ULONG share,
                      ULONG disposition, ULONG options, HANDLE& opened)
{
    opened = INVALID_HANDLE_VALUE;
    std::wstring wide = wideOf(name);
    if (folder == noFile || wide.empty() || wide.find_first_of(L"\\/:") != std::wstring::npos) {
        lastError = ERROR_INVALID_NAME;
        return NTSTATUS(0xC0000033L); // STATUS_OBJECT_NAME_INVALID
    }
    UNICODE_STRING unicodeName = countedName(wide);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, handleOf(folder), nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    NTSTATUS status = NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                   share, disposition, options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT,
                                   nullptr, 0);
    if (!NT_SUCCESS(status)) {
        lastError = RtlNtStatusToDosError(status);
        return status;
    }
    opened = handle;
    return status;
}

// The opened file is the very one that the folder's entry for name is,
// and that entry is no link: a link opened as its target fails here.
bool isOwnEntry(FileHandle folder, const std::string& name, HANDLE opened)
{
    std::wstring wide = wideOf(name);
    UNICODE_STRING mask = countedName(wide);
    // A folder takes the name to look for only at its first listing: the
    // question is asked through a handle of its own, the held folder
    // opened again by itself (an empty name relative to it).
    UNICODE_STRING itself{};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &itself, 0, handleOf(folder), nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE listing = nullptr;
    NTSTATUS status = NtCreateFile(&listing, FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &io, nullptr, 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                   FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (!NT_SUCCESS(status))
        return failedWith(RtlNtStatusToDosError(status));
    alignas(8) char buffer[sizeof(FILE_ID_BOTH_DIR_INFO) + 512 * sizeof(wchar_t)];
    status = NtQueryDirectoryFile(listing, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                  FileIdBothDirectoryInformation, TRUE, &mask, TRUE);
    CloseHandle(listing);
    BY_HANDLE_FILE_INFORMATION info;
    if (!NT_SUCCESS(status) || !GetFileInformationByHandle(opened, &info))
        return failedWith(ERROR_CANT_ACCESS_FILE);
    const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer);
    ULONGLONG openedId = (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if ((entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        ULONGLONG(entry->FileId.QuadPart) != openedId)
        return failedWith(ERROR_CANT_ACCESS_FILE);
    return true;
}

constexpr NTSTATUS statusNameNotFound = NTSTATUS(0xC0000034L);
constexpr NTSTATUS statusPathNotFound = NTSTATUS(0xC000003AL);
constexpr NTSTATUS statusNameCollision = NTSTATUS(0xC0000035L);
constexpr NTSTATUS statusAccessDenied = NTSTATUS(0xC0000022L);
constexpr NTSTATUS statusNotADirectory = NTSTATUS(0xC0000103L);

DWORD attributesOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return INVALID_FILE_ATTRIBUTES;
    return info.dwFileAttributes;
}

std::string wordsFor(DWORD code)
{
    char words[768];
    systemCodeWords(code, words, sizeof words);
    return words;
}

// The SIDs that may change a private folder besides its user: the system
// and the administrators, who can change anything anyway.
bool isTrustedSid(PSID sid, PSID user)
{
    if (EqualSid(sid, user))
        return true;
    for (WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid, WinCreatorOwnerSid}) {
        BYTE known[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof known;
        if (CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known))
            return true;
    }
    return false;
}

// The rights that let someone plant or replace a name in a folder.
constexpr ACCESS_MASK changingRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                       WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

} // namespace

FileHandle openHostFolder(const std::string& path, std::string& why)
{
    std::wstring wide = wideOf(path);
    HANDLE handle = CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        why = "cannot be used: " + wordsFor(GetLastError());
        return noFile;
    }
    DWORD attributes = attributesOf(handle);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        why = "is not a folder (a link or a file is in its place)";
        return noFile;
    }
    return fileOf(handle);
}

FileHandle openFolderIn(FileHandle parent, const std::string& name, std::string& why)
{
    HANDLE handle;
    NTSTATUS status = openRelative(parent, name,
                                   FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN_IF, FILE_DIRECTORY_FILE, handle);
    if (status == statusNotADirectory) {
        why = "is not a folder (a link or a file is in its place)";
        return noFile;
    }
    if (!NT_SUCCESS(status)) {
        why = "cannot be used: " + wordsFor(lastError);
        return noFile;
    }
    if (!isOwnEntry(parent, name, handle)) {
        CloseHandle(handle);
        why = "is not a folder (a link or a file is in its place)";
        return noFile;
    }
    return fileOf(handle);
}

bool folderIsPrivate(FileHandle folder, const std::string& path, std::string& why)
{
    DWORD attributes = attributesOf(handleOf(folder));
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        why = "is not a folder (a link or a file is in its place)";
        return false;
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = GetSecurityInfo(handleOf(folder), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                  &owner, nullptr, &dacl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) {
        why = "cannot be used: " + wordsFor(error);
        return false;
    }
    BYTE userBuffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    HANDLE token = nullptr;
    bool known = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                 GetTokenInformation(token, TokenUser, userBuffer, sizeof userBuffer, &size);
    if (token != nullptr)
        CloseHandle(token);
    PSID user = known ? reinterpret_cast<TOKEN_USER*>(userBuffer)->User.Sid : nullptr;
    bool result = true;
    if (user == nullptr) {
        why = "cannot be used: " + wordsFor(GetLastError());
        result = false;
    } else if (owner == nullptr || !isTrustedSid(owner, user)) {
        why = "belongs to another user; the drive uses only folders of its own user";
        result = false;
    } else if (dacl == nullptr) {
        // No list at all lets everybody do everything.
        why = "is one that others may write to; make it private: icacls \"" + path +
              "\" /inheritance:r /grant:r \"%USERNAME%:(OI)(CI)F\"";
        result = false;
    } else {
        for (DWORD i = 0; result && i < dacl->AceCount; ++i) {
            ACE_HEADER* header = nullptr;
            if (!GetAce(dacl, i, reinterpret_cast<void**>(&header)) || header->AceType != ACCESS_ALLOWED_ACE_TYPE ||
                (header->AceFlags & INHERIT_ONLY_ACE))
                continue;
            auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            if ((ace->Mask & changingRights) && !isTrustedSid(&ace->SidStart, user)) {
                why = "is one that others may write to; make it private: icacls \"" + path +
                      "\" /inheritance:r /grant:r \"%USERNAME%:(OI)(CI)F\"";
                result = false;
            }
        }
    }
    LocalFree(descriptor);
    return result;
}

FileHandle openFileIn(FileHandle folder, const std::string& name, FileAccess access, OpenFailure* failure)
{
    ACCESS_MASK rights = GENERIC_READ;
    ULONG disposition = FILE_OPEN;
    switch (access) {
    case FileAccess::read: break;
    case FileAccess::readWrite: rights = GENERIC_READ | GENERIC_WRITE; break;
    case FileAccess::createNew: rights = GENERIC_WRITE; disposition = FILE_CREATE; break;
    case FileAccess::openOrCreate: rights = GENERIC_READ | GENERIC_WRITE; disposition = FILE_OPEN_IF; break;
    }
    // Other processes may read, write and replace the file meanwhile, as on
    // Linux; the drive's lock keeps them in turn.
    HANDLE handle;
    NTSTATUS status = openRelative(folder, name, rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   disposition, FILE_NON_DIRECTORY_FILE, handle);
    OpenFailure why = OpenFailure::none;
    if (!NT_SUCCESS(status)) {
        switch (status) {
        case statusNameNotFound: case statusPathNotFound: why = OpenFailure::missing; break;
        case statusNameCollision: why = OpenFailure::exists; break;
        case statusAccessDenied: why = OpenFailure::refused; break;
        default: why = OpenFailure::other; break;
        }
    } else if (!isOwnEntry(folder, name, handle)) {
        // A link, opened as itself or as its target: never read or
        // written through.
        CloseHandle(handle);
        why = OpenFailure::isLink;
    }
    if (failure != nullptr)
        *failure = why;
    return why == OpenFailure::none ? fileOf(handle) : noFile;
}

void closeFile(FileHandle& file)
{
    if (file != noFile)
        CloseHandle(handleOf(file));
    file = noFile;
}

FileKind kindOf(FileHandle file)
{
    DWORD attributes = attributesOf(handleOf(file));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return failed(), FileKind::missing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return FileKind::other;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return FileKind::folder;
    return GetFileType(handleOf(file)) == FILE_TYPE_DISK ? FileKind::plain : FileKind::other;
}

FileKind kindOfNameIn(FileHandle folder, const std::string& name)
{
    HANDLE handle;
    if (!NT_SUCCESS(openRelative(folder, name, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 FILE_OPEN, 0, handle)))
        return FileKind::missing;
    FileHandle file = fileOf(handle);
    FileKind kind = isOwnEntry(folder, name, handle) ? kindOf(file) : FileKind::other;
    closeFile(file);
    return kind;
}

std::uint64_t fileSize(FileHandle file)
{
    LARGE_INTEGER size;
    return GetFileSizeEx(handleOf(file), &size) ? std::uint64_t(size.QuadPart) : 0;
}

bool readAt(FileHandle file, void* out, std::size_t count, std::uint64_t offset, std::size_t& got)
{
    got = 0;
    while (got < count) {
        OVERLAPPED at = overlappedAt(offset + got);
        DWORD wanted = DWORD(std::min<std::size_t>(count - got, 1u << 30)), n = 0;
        if (!ReadFile(handleOf(file), static_cast<char*>(out) + got, wanted, &n, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            return failed();
        }
        if (n == 0)
            break; // the end of the file
        got += n;
    }
    return true;
}

bool writeAt(FileHandle file, const void* data, std::size_t count, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < count) {
        OVERLAPPED at = overlappedAt(offset + done);
        DWORD wanted = DWORD(std::min<std::size_t>(count - done, 1u << 30)), n = 0;
        if (!WriteFile(handleOf(file), static_cast<const char*>(data) + done, wanted, &n, &at))
            return failed();
        if (n == 0)
            return failedWith(ERROR_WRITE_FAULT);
        done += n;
    }
    return true;
}

bool setFileSize(FileHandle file, std::uint64_t size)
{
    // A sparse file takes no room for the zeros it grows by.
    DWORD returned = 0;
    if (size > fileSize(file))
        DeviceIoControl(handleOf(file), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = LONGLONG(size);
    return SetFileInformationByHandle(handleOf(file), FileEndOfFileInfo, &end, sizeof end) || failed();
}

bool flushFile(FileHandle file) { return FlushFileBuffers(handleOf(file)) || failed(); }

void flushFolder(FileHandle)
{
    // NTFS writes a rename to its journal itself; a folder has no buffers
    // of its own to flush.
}

bool removeFileIn(FileHandle folder, const std::string& name)
{
    HANDLE handle;
    if (!NT_SUCCESS(openRelative(folder, name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                 FILE_NON_DIRECTORY_FILE, handle)))
        return false;
    FILE_DISPOSITION_INFO disposition{TRUE};
    bool removed = SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) || failed();
    CloseHandle(handle);
    return removed;
}

bool renameIn(FileHandle folder, const std::string& from, const std::string& to)
{
    std::wstring target = wideOf(to);
    if (target.empty() || target.find_first_of(L"\\/:") != std::wstring::npos)
        return failedWith(ERROR_INVALID_NAME);
    HANDLE handle;
    if (!NT_SUCCESS(openRelative(folder, from, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                 FILE_NON_DIRECTORY_FILE, handle)))
        return false;
    // The new name relative to the same held folder, given to the system
    // as it is (the Win32 call would make a whole path of it).
    std::size_t size = sizeof(FILE_RENAME_INFORMATION) + target.size() * sizeof(wchar_t);
    std::string buffer(size, '\0');
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = handleOf(folder);
    rename->FileNameLength = ULONG(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    IO_STATUS_BLOCK io{};
    NTSTATUS status = NtSetInformationFile(handle, &io, rename, ULONG(size), FileRenameInformation);
    CloseHandle(handle);
    return NT_SUCCESS(status) || failedWith(RtlNtStatusToDosError(status));
}

bool somethingAt(const std::string& path)
{
    std::wstring wide = wideOf(path);
    if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool listFolder(FileHandle folder, void (*each)(const std::string& name, void* context), void* context)
{
    alignas(8) char buffer[16384];
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo; // from the start, on the held handle
    for (;;) {
        if (!GetFileInformationByHandleEx(handleOf(folder), kind, buffer, sizeof buffer))
            return GetLastError() == ERROR_NO_MORE_FILES || failed();
        kind = FileIdBothDirectoryInfo;
        for (char* at = buffer;;) {
            auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(at);
            std::wstring wide(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            char name[MAX_PATH * 3];
            if (wide != L"." && wide != L".." && fromSystemText(wide.c_str(), name, sizeof name))
                each(name, context);
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
}

std::string lastFileError() { return lastError != 0 ? wordsFor(lastError) : std::string(); }

void clearFileError() { lastError = 0; }
