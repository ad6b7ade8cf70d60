// A driver library (ZOVEVIV.DLL) whose drive holds a disk in memory: READ(10)
// answers from the bytes it was given, sector by sector, and every other
// command succeeds without data. Sectors past the given bytes read as
// zeros up to the disk's capacity; a read past the capacity fails.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
// The disk's bytes, kept by reference until the next call.
void memoryDiskInsert(const std::uint8_t* bytes, std::size_t size);
}
