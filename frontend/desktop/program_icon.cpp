#include "frontend/desktop/program_icon.h"

#include <FL/Fl_RGB_Image.H>

#include <cstddef>
#include <cstdint>

extern const unsigned char programIconFile[];
extern const std::size_t programIconFileSize;

namespace {

std::uint32_t little(const unsigned char* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// Decodes one 16-colour image of the icon file: a bitmap header, the
// palette, the colour rows and the transparency mask, both bottom-up.
Fl_RGB_Image* decodeImage(const unsigned char* image, std::size_t length, int size)
{
    constexpr std::size_t headerSize = 40, paletteSize = 16 * 4;
    if (length < headerSize + paletteSize || little(image, 4) != headerSize || little(image + 14, 2) != 4)
        return nullptr;
    std::size_t colourStride = ((size * 4 + 31) / 32) * 4;
    std::size_t maskStride = ((size + 31) / 32) * 4;
    const unsigned char* palette = image + headerSize;
    const unsigned char* colours = palette + paletteSize;
    const unsigned char* mask = colours + colourStride * size;
    if (mask + maskStride * size > image + length)
        return nullptr;
    auto* rgba = new unsigned char[std::size_t(size) * size * 4];
    for (int row = 0; row < size; ++row) {
        int from = size - 1 - row; // rows are stored bottom-up
        for (int col = 0; col < size; ++col) {
            unsigned char pair = colours[from * colourStride + col / 2];
            const unsigned char* bgr = palette + 4 * (col % 2 == 0 ? pair >> 4 : pair & 0x0F);
            bool transparent = (mask[from * maskStride + col / 8] >> (7 - col % 8)) & 1;
            unsigned char* out = rgba + (std::size_t(row) * size + col) * 4;
            out[0] = bgr[2];
            out[1] = bgr[1];
            out[2] = bgr[0];
            out[3] = transparent ? 0 : 255;
        }
    }
    auto* decoded = new Fl_RGB_Image(rgba, size, size, 4);
    decoded->alloc_array = 1;
    return decoded;
}

} // namespace

const Fl_RGB_Image* programIcon(int size)
{
    const unsigned char* file = programIconFile;
    if (programIconFileSize < 6 || little(file + 2, 2) != 1)
        return nullptr;
    std::uint32_t count = little(file + 4, 2);
    for (std::uint32_t i = 0; i < count && 6 + 16 * (i + 1) <= programIconFileSize; ++i) {
        const unsigned char* entry = file + 6 + 16 * i;
        int width = entry[0] == 0 ? 256 : entry[0];
        std::uint32_t bytes = little(entry + 8, 4), offset = little(entry + 12, 4);
        if (width != size || offset > programIconFileSize || bytes > programIconFileSize - offset)
            continue;
        static Fl_RGB_Image* decoded[2] = {};
        Fl_RGB_Image*& kept = decoded[size == 32 ? 0 : 1];
        if (kept == nullptr)
            kept = decodeImage(file + offset, bytes, size);
        return kept;
    }
    return nullptr;
}
