// The registry's functions in a driver library: each goes to the store the
// process offers (see process_registry.h). In a process that offers none,
// every call fails as a store that cannot be opened does, so the library
// reads its settings' defaults.
#include "os/process_registry.h"

#include <dlfcn.h>

namespace {

bool noOpen(const char16_t*, std::uint32_t, RegistryKey* key)
{
    if (key != nullptr)
        *key = nullptr;
    return false;
}
bool noCreate(const char16_t*, RegistryKey* key) { return noOpen(nullptr, 0, key); }
bool noQuery(RegistryKey, const char16_t*, std::uint32_t*, void*, std::uint32_t*) { return false; }
bool noSet(RegistryKey, const char16_t*, std::uint32_t, const void*, std::uint32_t) { return false; }
void noClose(RegistryKey) {}
bool noEnumSubKey(RegistryKey, std::uint32_t, char16_t*, std::size_t) { return false; }
bool noEnumValue(RegistryKey, std::uint32_t, char16_t*, std::size_t, std::uint32_t*, void*, std::uint32_t*)
{
    return false;
}
bool noDeleteValue(RegistryKey, const char16_t*) { return false; }
bool noDeleteKey(const char16_t*) { return false; }
// Without the store's case folding, names are the same when their units are.
bool sameUnits(const char16_t* a, const char16_t* b)
{
    while (*a != u'\0' && *a == *b)
        ++a, ++b;
    return *a == *b;
}
RegistryStatus noStore() { return RegistryStatus::noStore; }

const ProcessRegistry noRegistry = {
    sizeof(ProcessRegistry), noOpen, noCreate, noQuery, noSet, noClose, noEnumSubKey, noEnumValue,
    noDeleteValue, noDeleteKey, sameUnits, noStore,
};

// The process's store, looked up at the first call.
const ProcessRegistry& registry()
{
    static const ProcessRegistry* chosen = [] {
        auto offered = static_cast<const ProcessRegistry*>(dlsym(RTLD_DEFAULT, "quibProcessRegistry"));
        return offered != nullptr && offered->layout == sizeof(ProcessRegistry) ? offered : &noRegistry;
    }();
    return *chosen;
}

} // namespace

bool openRegistryKey(const char16_t* path, std::uint32_t access, RegistryKey* key)
{
    return registry().open(path, access, key);
}
bool createRegistryKey(const char16_t* path, RegistryKey* key) { return registry().create(path, key); }
bool queryRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t* type, void* data, std::uint32_t* size)
{
    return registry().query(key, name, type, data, size);
}
bool setRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t type, const void* data, std::uint32_t size)
{
    return registry().set(key, name, type, data, size);
}
void closeRegistryKey(RegistryKey key) { registry().close(key); }
bool enumRegistrySubKey(RegistryKey key, std::uint32_t index, char16_t* name, std::size_t capacity)
{
    return registry().enumSubKey(key, index, name, capacity);
}
bool enumRegistryValue(RegistryKey key, std::uint32_t index, char16_t* name, std::size_t capacity,
                       std::uint32_t* type, void* data, std::uint32_t* size)
{
    return registry().enumValue(key, index, name, capacity, type, data, size);
}
bool deleteRegistryValue(RegistryKey key, const char16_t* name) { return registry().deleteValue(key, name); }
bool deleteRegistryKey(const char16_t* path) { return registry().deleteKey(path); }
bool registryNamesEqual(const char16_t* a, const char16_t* b) { return registry().namesEqual(a, b); }
RegistryStatus lastRegistryStatus() { return registry().lastStatus(); }
