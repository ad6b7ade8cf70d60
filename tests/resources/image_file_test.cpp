// The picture files: logo.bmp is bitmap 121 as the program carries it,
// quibtools.ico holds the two icon images, all in the standard 16 colours.
#include "tests/resources/resource_lookup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::string& name)
{
    std::ifstream in(std::string(QUIB_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t number(const Bytes& data, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | data.at(at + i);
    return value;
}

const std::uint32_t standardPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// A 4-bit bitmap header at `at` with its palette: width, height as stored,
// depth, and the palette in the standard colours.
void expectFourBitImage(const Bytes& data, std::size_t at, std::uint32_t width, std::uint32_t storedHeight)
{
    EXPECT_EQ(number(data, at, 4), 40u);
    EXPECT_EQ(number(data, at + 4, 4), width);
    EXPECT_EQ(number(data, at + 8, 4), storedHeight);
    EXPECT_EQ(number(data, at + 12, 2), 1u);   // planes
    EXPECT_EQ(number(data, at + 14, 2), 4u);   // bits per pixel
    EXPECT_EQ(number(data, at + 16, 4), 0u);   // uncompressed
    for (int i = 0; i < 16; ++i) {
        std::size_t entry = at + 40 + 4 * i;
        std::uint32_t rgb = data.at(entry + 2) << 16 | data.at(entry + 1) << 8 | data.at(entry);
        EXPECT_EQ(rgb, standardPalette[i]) << "palette entry " << i;
    }
}

const BitmapResource* bitmapById(std::uint16_t id)
{
    for (std::size_t i = 0; i < programResources.bitmapCount; ++i)
        if (programResources.bitmaps[i]->id == id)
            return programResources.bitmaps[i];
    return nullptr;
}

TEST(Pictures, TheLogoFileIsA62By17FourBitBitmap)
{
    Bytes file = readFile("logo.bmp");
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(number(file, 2, 4), file.size());
    expectFourBitImage(file, 14, 62, 17);
    std::uint32_t pixelOffset = number(file, 10, 4);
    EXPECT_EQ(pixelOffset + 32u * 17u, file.size());   // 62 pixels make 31 bytes, padded to 32
}

TEST(Pictures, Bitmap121IsTheLogoFile)
{
    const BitmapResource* logo = bitmapById(121);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(programResources.bitmapCount, 1u);
    EXPECT_EQ(logo->resourceLanguage, 1041);
    EXPECT_EQ(logo->width, 62);
    EXPECT_EQ(logo->height, 17);
    EXPECT_EQ(logo->bitsPerPixel, 4);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(logo->palette[i], standardPalette[i]) << i;

    // The file stores its rows bottom up; the resource top down.
    Bytes file = readFile("logo.bmp");
    ASSERT_GE(file.size(), 14u);
    std::uint32_t pixelOffset = number(file, 10, 4);
    ASSERT_EQ(file.size(), pixelOffset + 32u * 17u);
    for (int row = 0; row < 17; ++row) {
        Bytes fromFile(file.begin() + pixelOffset + (16 - row) * 32, file.begin() + pixelOffset + (17 - row) * 32);
        Bytes fromResource(logo->pixels + row * 32, logo->pixels + (row + 1) * 32);
        EXPECT_EQ(fromResource, fromFile) << "row " << row;
    }
}

TEST(Pictures, TheMainMenusShowTheLogo)
{
    for (std::uint16_t id : {113, 126, 134, 135}) {
        const DialogTemplate* dialog = templateById(id);
        ASSERT_NE(dialog, nullptr);
        int shown = 0;
        for (std::size_t i = 0; i < dialog->controlCount; ++i)
            if (dialog->controls[i].controlClass == ControlClass::Static && dialog->controls[i].bitmapId != 0)
                shown += bitmapById(dialog->controls[i].bitmapId) != nullptr;
        EXPECT_EQ(shown, 1) << id;
    }
}

TEST(Pictures, TheIconFileHolds32And16PixelImagesIn16Colours)
{
    Bytes file = readFile("quibtools.ico");
    ASSERT_GE(file.size(), 6u + 2 * 16);
    EXPECT_EQ(number(file, 0, 2), 0u);
    EXPECT_EQ(number(file, 2, 2), 1u);   // an icon
    ASSERT_EQ(number(file, 4, 2), 2u);
    const std::uint32_t sizes[] = {32, 16};
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(sizes[k]);
        std::size_t entry = 6 + 16 * k;
        std::uint32_t size = sizes[k];
        EXPECT_EQ(file[entry], size);
        EXPECT_EQ(file[entry + 1], size);
        EXPECT_EQ(file[entry + 2], 16);   // colours
        EXPECT_EQ(number(file, entry + 4, 2), 1u);
        EXPECT_EQ(number(file, entry + 6, 2), 4u);
        // Header, palette, 4-bit colour rows and 1-bit mask rows, each row padded to 4 bytes.
        std::uint32_t colourRow = (size * 4 + 31) / 32 * 4, maskRow = (size + 31) / 32 * 4;
        std::uint32_t bytes = 40 + 64 + (colourRow + maskRow) * size;
        EXPECT_EQ(number(file, entry + 8, 4), bytes);
        std::uint32_t offset = number(file, entry + 12, 4);
        ASSERT_LE(offset + bytes, file.size());
        expectFourBitImage(file, offset, size, 2 * size);   // colour and mask stacked
    }
}

} // namespace
