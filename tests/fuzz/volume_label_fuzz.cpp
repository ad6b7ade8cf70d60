// The volume label reader over any disk: the input is the disk's first
// sectors, served by a drive that holds it in memory (the rest of the disk
// reads as zeros). The label must come back NUL-ended within its capacity.
// The code page is CP932 unless QUIB_LANGID says otherwise: its double-byte
// characters give the label conversion the most to parse.
#include "format/volume_label.h"
#include "tests/fuzz/memory_disk.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("QUIB_LANGID", "1041", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    memoryDiskInsert(data, size);
    char16_t label[volumeLabelCapacity + 4];
    for (char16_t& c : label)
        c = u'?';
    bool found = readVolumeLabel(label);
    std::size_t length = 0;
    while (length < volumeLabelCapacity && label[length] != u'\0')
        ++length;
    // A label is at most 11 characters and always ended; nothing beyond
    // the capacity is touched; no boot sector leaves the text empty.
    if (length >= volumeLabelCapacity || label[volumeLabelCapacity] != u'?' || (!found && length != 0))
        std::abort();
    memoryDiskInsert(nullptr, 0);
    return 0;
}
