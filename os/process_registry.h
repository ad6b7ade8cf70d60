// The registry as one service of the whole process, as the system's is.
//
// A program links the store (registry.cpp, the SQLite database in the host
// folder) and offers it to the libraries it loads under the name
// quibProcessRegistry, a table of the functions of registry.h. A driver
// library carries no store of its own: it is linked with
// registry_of_process.cpp in place of registry.cpp, whose functions go to
// the table the process offers. So a process opens the database once, and
// the library reads exactly what the program last wrote.
#pragma once

#include "os/registry.h"

struct ProcessRegistry {
    unsigned layout; // sizeof(ProcessRegistry): a table of another build is not used
    bool (*open)(const char16_t*, std::uint32_t, RegistryKey*);
    bool (*create)(const char16_t*, RegistryKey*);
    bool (*query)(RegistryKey, const char16_t*, std::uint32_t*, void*, std::uint32_t*);
    bool (*set)(RegistryKey, const char16_t*, std::uint32_t, const void*, std::uint32_t);
    void (*close)(RegistryKey);
    bool (*enumSubKey)(RegistryKey, std::uint32_t, char16_t*, std::size_t);
    bool (*enumValue)(RegistryKey, std::uint32_t, char16_t*, std::size_t, std::uint32_t*, void*, std::uint32_t*);
    bool (*deleteValue)(RegistryKey, const char16_t*);
    bool (*deleteKey)(const char16_t*);
    bool (*namesEqual)(const char16_t*, const char16_t*);
    RegistryStatus (*lastStatus)();
};

// The store's table, where the store is linked. A program that loads a
// driver library exports it (quibtools exports all its functions; other
// programs link with -Wl,--export-dynamic-symbol=quibProcessRegistry).
extern "C" __attribute__((visibility("default"))) const ProcessRegistry quibProcessRegistry;
