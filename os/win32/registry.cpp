// The registry on Windows is the system's own: the tool's and the driver's
// keys ("Drivers\USB\...") live under HKEY_LOCAL_MACHINE\SOFTWARE\QuibTools,
// which stands for the handheld's whole HKEY_LOCAL_MACHINE (Windows lets
// no program make a key of its own directly under HKEY_LOCAL_MACHINE). The
// installer makes that key and lets users read and write it. Key handles
// are the system's; the root itself (the empty path) is opened once and
// never closed. Keys are opened for reading and writing, or for reading
// alone where the system refuses writing, so a user without the right
// still reads the settings. Where the system refuses a write, the call
// fails with the status refused, and the caller tells the person
// (docs/windows.md).
#include "os/registry.h"

#include "os/win32/registry_calls.h"

#include <cstdio>

namespace {

const RegistryCalls systemCalls = {RegCreateKeyExW, RegOpenKeyExW, RegSetValueExW, RegDeleteValueW, RegDeleteTreeW};
const RegistryCalls* calls = &systemCalls;

RegistryStatus status = RegistryStatus::ok;
bool refusedAWrite = false;

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

HKEY systemKey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }
RegistryKey ourKey(HKEY key) { return reinterpret_cast<RegistryKey>(key); }

bool noted(LSTATUS result)
{
    switch (result) {
    case ERROR_SUCCESS: status = RegistryStatus::ok; return true;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_ITEMS: status = RegistryStatus::notFound; return false;
    case ERROR_MORE_DATA: status = RegistryStatus::moreData; return false;
    case ERROR_ACCESS_DENIED:
        status = RegistryStatus::refused;
        refusedAWrite = true;
        return false;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_HANDLE:
    case ERROR_BADKEY: status = RegistryStatus::invalid; return false;
    default: status = RegistryStatus::failed; return false;
    }
}

bool invalid()
{
    status = RegistryStatus::invalid;
    return false;
}

bool isRoot(const char16_t* path) { return path == nullptr || path[0] == u'\0'; }

constexpr const wchar_t* rootPath = L"SOFTWARE\\QuibTools";
constexpr REGSAM readAndWrite = KEY_READ | KEY_WRITE;

// Opens key below parent for reading and writing, else for reading alone.
LSTATUS openKeyAsAllowed(HKEY parent, const wchar_t* path, HKEY* opened)
{
    LSTATUS result = calls->openKey(parent, path, 0, readAndWrite, opened);
    if (result == ERROR_ACCESS_DENIED)
        result = calls->openKey(parent, path, 0, KEY_READ, opened);
    return result;
}

HKEY root = nullptr;

// The tool's root key, made when missing (where the system lets this user).
bool openRoot()
{
    if (root != nullptr)
        return true;
    HKEY opened = nullptr;
    LSTATUS result = calls->createKey(HKEY_LOCAL_MACHINE, rootPath, 0, nullptr, REG_OPTION_NON_VOLATILE, readAndWrite,
                                      nullptr, &opened, nullptr);
    if (result == ERROR_ACCESS_DENIED)
        result = openKeyAsAllowed(HKEY_LOCAL_MACHINE, rootPath, &opened);
    if (result != ERROR_SUCCESS) {
        // Not made, and not there: a write was refused only if one was meant.
        status = result == ERROR_FILE_NOT_FOUND || result == ERROR_ACCESS_DENIED ? RegistryStatus::notFound
                                                                                 : RegistryStatus::failed;
        return false;
    }
    root = opened;
    return true;
}

} // namespace

void replaceRegistryCalls(const RegistryCalls* replacement)
{
    calls = replacement != nullptr ? replacement : &systemCalls;
}

bool openRegistryKey(const char16_t* path, std::uint32_t access, RegistryKey* key)
{
    if (key == nullptr)
        return invalid();
    *key = nullptr;
    (void)access; // the handheld's rights; here what the system allows this user
    if (!openRoot())
        return false;
    if (isRoot(path)) {
        *key = ourKey(root);
        return noted(ERROR_SUCCESS);
    }
    HKEY opened = nullptr;
    if (!noted(openKeyAsAllowed(root, wide(path), &opened)))
        return false;
    *key = ourKey(opened);
    return true;
}

bool createRegistryKey(const char16_t* path, RegistryKey* key)
{
    if (key == nullptr)
        return invalid();
    *key = nullptr;
    if (!openRoot()) {
        status = RegistryStatus::refused; // the root could not be made
        refusedAWrite = true;
        return false;
    }
    if (isRoot(path)) {
        *key = ourKey(root);
        return noted(ERROR_SUCCESS);
    }
    HKEY created = nullptr;
    if (!noted(calls->createKey(root, wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, readAndWrite, nullptr, &created,
                                nullptr)))
        return false;
    *key = ourKey(created);
    return true;
}

bool queryRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t* type, void* data, std::uint32_t* size)
{
    if (key == nullptr || (data != nullptr && size == nullptr))
        return invalid();
    DWORD storedType = 0;
    DWORD storedSize = size != nullptr ? *size : 0;
    LSTATUS result = RegQueryValueExW(systemKey(key), wide(name), nullptr, &storedType, static_cast<BYTE*>(data),
                                      size != nullptr ? &storedSize : nullptr);
    if (type != nullptr && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA))
        *type = storedType;
    if (size != nullptr && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA))
        *size = storedSize;
    return noted(result);
}

bool setRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t type, const void* data, std::uint32_t size)
{
    if (key == nullptr || size > registryMaxData)
        return invalid();
    return noted(calls->setValue(systemKey(key), wide(name), 0, type, static_cast<const BYTE*>(data), size));
}

void closeRegistryKey(RegistryKey key)
{
    if (key != nullptr && systemKey(key) != root)
        RegCloseKey(systemKey(key));
}

bool enumRegistrySubKey(RegistryKey key, std::uint32_t index, char16_t* name, std::size_t capacity)
{
    if (key == nullptr || name == nullptr || capacity == 0)
        return invalid();
    DWORD length = DWORD(capacity);
    return noted(RegEnumKeyExW(systemKey(key), index, reinterpret_cast<wchar_t*>(name), &length, nullptr, nullptr,
                               nullptr, nullptr));
}

bool enumRegistryValue(RegistryKey key, std::uint32_t index, char16_t* name, std::size_t capacity,
                       std::uint32_t* type, void* data, std::uint32_t* size)
{
    if (key == nullptr || name == nullptr || capacity == 0 || (data != nullptr && size == nullptr))
        return invalid();
    DWORD length = DWORD(capacity);
    DWORD storedType = 0;
    DWORD storedSize = size != nullptr ? *size : 0;
    LSTATUS result = RegEnumValueW(systemKey(key), index, reinterpret_cast<wchar_t*>(name), &length, nullptr,
                                   &storedType, static_cast<BYTE*>(data), size != nullptr ? &storedSize : nullptr);
    if (type != nullptr && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA))
        *type = storedType;
    if (size != nullptr && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA))
        *size = storedSize;
    return noted(result);
}

bool deleteRegistryValue(RegistryKey key, const char16_t* name)
{
    if (key == nullptr)
        return invalid();
    return noted(calls->deleteValue(systemKey(key), wide(name)));
}

// The key with its sub-keys and values (RegDeleteTreeW named by its path
// takes the key itself too); the root cannot go.
bool deleteRegistryKey(const char16_t* path)
{
    if (isRoot(path))
        return invalid();
    if (!openRoot())
        return false;
    return noted(calls->deleteTree(root, wide(path)));
}

bool registryNamesEqual(const char16_t* a, const char16_t* b)
{
    return CompareStringOrdinal(wide(a), -1, wide(b), -1, TRUE) == CSTR_EQUAL;
}

RegistryStatus lastRegistryStatus() { return status; }

bool registryRefusedAWrite() { return refusedAWrite; }

// There is no file: the messages name the system's registry key.
bool registryFilePath(char* out, std::size_t capacity)
{
    int n = std::snprintf(out, capacity, "%s", "HKEY_LOCAL_MACHINE\\SOFTWARE\\QuibTools");
    return n > 0 && std::size_t(n) < capacity;
}
