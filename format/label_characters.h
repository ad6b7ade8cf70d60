// Which bytes a FAT volume label may hold. A label the file system checkers
// call invalid must never reach a disk.
#pragma once

#include <cstddef>

// The offset of the first byte of an 8-bit label (length bytes in the
// active code page) that a FAT volume label may not hold: a control
// character (below 0x20, 0x7F), one of " * + , . / : ; < = > ? [ \ ] |, or a
// space as the first byte. length when every byte may stand. Both bytes of
// a double-byte character of code page 932 stand as one character.
std::size_t forbiddenLabelByte(const char* bytes, std::size_t length);
