// Puts a fresh FAT16 file system on the inserted disk: 219 sectors written
// one at a time, the same for every disk except the volume label, the volume
// serial number and the label's date and time.
#pragma once

#include <cstdint>

// Receives formatting progress as units done of units total. report is
// called synchronously; the writing goes on when it returns.
struct ProgressSink {
    void (*report)(void* context, std::uint32_t unitsDone, std::uint32_t unitsTotal);
    void* context;
};

// Both values come from one reading of the device clock.
struct ClockStamps {
    std::uint32_t serialNumber;   // the volume serial number
    std::uint32_t dateTimeStamp;  // FAT date in the high 16 bits, FAT time in the low 16 bits
};

ClockStamps readClockStamps();

// Writes the image to the current drive, counting it as unitsDone up to
// unitsTotal on the caller's progress scale; reports five times and never
// more than unitsTotal. label is 11 bytes of 8-bit text, padded with spaces,
// or a first byte of 0 for no label. True when all 219 writes succeeded; the
// first failed write ends the run with false.
bool quickFormat(const ProgressSink& sink, std::uint32_t unitsDone, std::uint32_t unitsTotal,
                 const std::uint8_t label[11]);
