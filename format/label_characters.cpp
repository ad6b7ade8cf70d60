#include "format/label_characters.h"

#include "os/code_page.h"

#include <cstring>

namespace {

// Printable single-byte characters that a short name, and so a volume
// label, may not hold.
constexpr char forbiddenPrintable[] = "\"*+,./:;<=>?[\\]|";

bool leadsDoubleByte(unsigned char byte)
{
    return activeCodePage() == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

bool forbiddenSingleByte(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7F || std::strchr(forbiddenPrintable, byte) != nullptr;
}

} // namespace

std::size_t forbiddenLabelByte(const char* bytes, std::size_t length)
{
    if (length > 0 && bytes[0] == ' ')
        return 0;
    for (std::size_t i = 0; i < length; ++i) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        if (leadsDoubleByte(byte) && i + 1 < length) {
            ++i; // the trail byte belongs to the character
            continue;
        }
        if (forbiddenSingleByte(byte))
            return i;
    }
    return length;
}
