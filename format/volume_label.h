// Reads the volume label of the inserted disk back from its FAT boot sector.
#pragma once

// At least this many characters in the caller's buffer: 11 and a NUL.
constexpr unsigned volumeLabelCapacity = 12;

// The label exactly as the boot sector holds it, trailing blanks included,
// as wide text of at most 11 characters. True when a boot sector was found
// (the label may be empty); false with an empty text when none could be
// read. Finds the boot sector in sector 0, or through partition slot 4 of
// the boot record there, as the quick format writes it.
bool readVolumeLabel(char16_t* text);
