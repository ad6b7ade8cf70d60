// The registry: a hierarchical key/value store under the local-machine
// root, kept in one SQLite database in the host folder ("registry.db");
// on Windows the system's own registry under HKEY_LOCAL_MACHINE.
//
// Key paths are backslash-separated without a leading backslash; the empty
// path is the root itself. Key and value names compare without regard to
// case (ASCII and the other letters of the Basic Multilingual Plane, one
// UTF-16 unit at a time); a name keeps the case it was created with. Values
// keep their type: registryTypeNumber (a 32-bit number, 4 bytes
// little-endian) or registryTypeString (UTF-16 text stored with its NUL),
// or any other type a caller stores. Every write is one transaction, and
// several processes may use the store at once: a busy store is waited for.
//
// Every call reports success as true/false; lastRegistryStatus() tells why
// the last one failed. A store that cannot be used (a damaged file, a file
// that is not a registry database, a host folder that cannot be written)
// makes every call return false; its file is never overwritten or deleted.
#pragma once

#include <cstddef>
#include <cstdint>

struct RegistryKeyHandle;
using RegistryKey = RegistryKeyHandle*;

constexpr std::uint32_t registryTypeString = 1;
constexpr std::uint32_t registryTypeNumber = 4;
constexpr std::uint32_t registryAllAccess = 0xF003F;

// Longest key path and longest key or value name, in UTF-16 units with the NUL.
constexpr std::size_t registryMaxPath = 512;
constexpr std::size_t registryMaxName = 256;
// Largest value data, in bytes.
constexpr std::uint32_t registryMaxData = 1u << 20;

// Opens an existing key. False when it does not exist or the store fails.
// The access mask is accepted as given; every handle may read and write.
bool openRegistryKey(const char16_t* path, std::uint32_t access, RegistryKey* key);

// Creates the key (and any missing parent), or opens it when it exists.
bool createRegistryKey(const char16_t* path, RegistryKey* key);

// Reads a value: *type receives its type; data receives at most *size bytes
// and *size the stored size. False when the value is missing, or when data
// is given and the stored size is larger than *size (nothing is copied then).
// type may be null; size may be null when data is.
bool queryRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t* type, void* data, std::uint32_t* size);

// Sets a value with its type and size (a string's size includes its NUL).
// A value of the same name (in any case) is replaced and keeps its name.
bool setRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t type, const void* data, std::uint32_t size);

// Closes a key handle; a null handle is ignored.
void closeRegistryKey(RegistryKey key);

// The index-th sub-key's name (in name order, without regard to case) into
// name (capacity units with the NUL). False past the last one or when the
// name does not fit.
bool enumRegistrySubKey(RegistryKey key, std::uint32_t index, char16_t* name, std::size_t capacity);

// The index-th value (in the order the values were first set; on Windows in
// the system's order, which Wine gives by name): its name as
// for enumRegistrySubKey, type and data as for queryRegistryValue.
bool enumRegistryValue(RegistryKey key, std::uint32_t index, char16_t* name, std::size_t capacity,
                       std::uint32_t* type, void* data, std::uint32_t* size);

// Deletes one value. False when it does not exist.
bool deleteRegistryValue(RegistryKey key, const char16_t* name);

// Deletes a key with all its sub-keys and values, in one transaction. The
// root cannot be deleted. Handles to deleted keys fail from then on.
bool deleteRegistryKey(const char16_t* path);

// True when two key or value names are the same name to the store.
bool registryNamesEqual(const char16_t* a, const char16_t* b);

// Why the last registry call failed.
enum class RegistryStatus {
    ok,
    notFound,   // no such key or value (or no more to enumerate)
    moreData,   // the value is larger than the buffer; *size tells its size
    invalid,    // an over-long name, a path with an empty part, a bad handle or argument
    noStore,    // the host folder or the database file cannot be made or opened
    damaged,    // the file is damaged, truncated or not a registry database
    busy,       // another process kept the store locked for too long
    failed,     // the store could not be read or written (disk full, read-only, I/O error)
    refused,    // the system does not let this user write there (Windows: a user without
                // administrator rights, under the local-machine root)
};
RegistryStatus lastRegistryStatus();

// True once the system has refused a write of this process (status
// refused), whatever the calls after it gave: for the message that tells
// why a setting read back is not the one written. The Linux store never
// refuses.
bool registryRefusedAWrite();

// The database file's name in the host folder.
constexpr char registryFileName[] = "registry.db";

// The path of the database file, for messages. False when the host folder
// cannot be found or created.
bool registryFilePath(char* out, std::size_t capacity);
