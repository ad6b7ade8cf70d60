#!/usr/bin/env python3
"""Draws the program's pictures and writes them next to this script:

  logo.bmp       bitmap 121, 62 x 17 pixels, 4 bits per pixel
  quibtools.ico  icon group 106: 32 x 32 and 16 x 16, 16 colours each

Both use the standard 16-colour palette. The files are committed; run this
again only to change the pictures (python3 resources/make_images.py).
"""

import os
import struct

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, SILVER, GRAY, RED, BLUE, WHITE = 0, 4, 7, 8, 9, 12, 15

# Glyphs of the logo's lettering, 9 rows each; row 7 is the base line.
GLYPHS = {
    'Q': [".XXXXXX.",
          "XX....XX",
          "XX....XX",
          "XX....XX",
          "XX....XX",
          "XX..X.XX",
          "XX...XXX",
          ".XXXXXX.",
          "......XX"],
    'u': ["......",
          "......",
          "XX..XX",
          "XX..XX",
          "XX..XX",
          "XX..XX",
          "XX.XXX",
          ".XX.XX",
          "......"],
    'i': ["XX",
          "..",
          "XX",
          "XX",
          "XX",
          "XX",
          "XX",
          "XX",
          ".."],
    'b': ["XX....",
          "XX....",
          "XXXXX.",
          "XX..XX",
          "XX..XX",
          "XX..XX",
          "XX..XX",
          "XXXXX.",
          "......"],
    '!': ["XX",
          "XX",
          "XX",
          "XX",
          "XX",
          "..",
          "XX",
          "XX",
          ".."],
}

# The small "Q" on the 16 x 16 icon.
TINY_Q = [".XXX.",
          "X...X",
          "X.X.X",
          "X..X.",
          ".XX.X"]


def canvas(width, height, colour):
    return [[colour] * width for _ in range(height)]


def fill(image, x, y, width, height, colour):
    for row in range(y, y + height):
        for column in range(x, x + width):
            image[row][column] = colour


def stamp(image, x, y, rows, colour):
    for dy, line in enumerate(rows):
        for dx, mark in enumerate(line):
            if mark == 'X':
                image[y + dy][x + dx] = colour


def draw_logo():
    """A white plaque with a grey frame: a small disk cartridge and "Quib!"."""
    image = canvas(62, 17, WHITE)
    fill(image, 0, 0, 62, 1, GRAY)
    fill(image, 0, 16, 62, 1, GRAY)
    fill(image, 0, 0, 1, 17, GRAY)
    fill(image, 61, 0, 1, 17, GRAY)
    # The cartridge: navy body, white label, silver shutter.
    fill(image, 6, 3, 12, 11, NAVY)
    for x, y in ((6, 3), (17, 3), (6, 13), (17, 13)):
        image[y][x] = WHITE
    fill(image, 8, 4, 8, 3, WHITE)
    fill(image, 9, 5, 6, 1, BLUE)
    fill(image, 9, 9, 6, 4, SILVER)
    fill(image, 12, 10, 2, 2, GRAY)
    # The lettering with a silver shadow.
    x = 23
    for letter in "Quib!":
        rows = GLYPHS[letter]
        colour = RED if letter == '!' else BLUE
        stamp(image, x + 1, 5, rows, SILVER)
        stamp(image, x, 4, rows, colour)
        x += len(rows[0]) + 2
    return image


def draw_icon(size):
    """A disk cartridge with a white label and a silver shutter; None marks
    the transparent pixels."""
    image = canvas(size, size, None)
    if size == 32:
        fill(image, 3, 2, 26, 28, NAVY)
        # Rounded lower corners and a cut upper right corner.
        for x, y in ((3, 2), (3, 29), (28, 29)):
            image[y][x] = None
        for step in range(4):
            for x in range(28 - 3 + step + 1, 29):
                image[2 + step][x] = None
        fill(image, 4, 3, 1, 26, BLUE)          # light on the left edge
        fill(image, 7, 4, 17, 12, WHITE)        # label
        stamp(image, 11, 5, GLYPHS['Q'], BLUE)
        fill(image, 8, 19, 16, 10, SILVER)      # shutter
        fill(image, 17, 21, 3, 6, GRAY)         # its window
        fill(image, 5, 25, 2, 2, RED)           # the drive's lamp
    else:
        fill(image, 1, 1, 14, 14, NAVY)
        for x, y in ((1, 1), (1, 14), (14, 14)):
            image[y][x] = None
        for step in range(2):
            for x in range(14 - 1 + step, 15):
                image[1 + step][x] = None
        fill(image, 3, 2, 9, 7, WHITE)
        stamp(image, 5, 3, TINY_Q, BLUE)
        fill(image, 4, 10, 8, 5, SILVER)
        fill(image, 9, 11, 2, 3, GRAY)
    return image


def palette_bytes():
    return b"".join(struct.pack("<BBBB", blue, green, red, 0) for red, green, blue in PALETTE)


def pixel_rows(image):
    """4-bit rows, bottom row first, each padded to 4 bytes."""
    width = len(image[0])
    stride = (width * 4 + 31) // 32 * 4
    data = b""
    for row in reversed(image):
        indices = [BLACK if colour is None else colour for colour in row]
        if width % 2:
            indices.append(0)
        packed = bytes(indices[i] << 4 | indices[i + 1] for i in range(0, len(indices), 2))
        data += packed.ljust(stride, b"\0")
    return data


def mask_rows(image):
    """1-bit transparency rows (1 = transparent), bottom row first, padded to 4 bytes."""
    width = len(image[0])
    stride = (width + 31) // 32 * 4
    data = b""
    for row in reversed(image):
        bits = 0
        for column, colour in enumerate(row):
            if colour is None:
                bits |= 1 << (len(row) - 1 - column)
        packed = bits.to_bytes((width + 7) // 8, "big")
        data += packed.ljust(stride, b"\0")
    return data


def info_header(width, height, image_size, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 2835, 2835, colours_used, 0)


def write_bmp(path, image):
    pixels = pixel_rows(image)
    offset = 14 + 40 + 64
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info_header(len(image[0]), len(image), len(pixels), 16) + palette_bytes() + pixels)


def write_ico(path, images):
    entries = b""
    bodies = b""
    offset = 6 + 16 * len(images)
    for image in images:
        size = len(image)
        xor, mask = pixel_rows(image), mask_rows(image)
        body = info_header(size, size * 2, len(xor) + len(mask), 0) + palette_bytes() + xor + mask
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(body), offset + len(bodies))
        bodies += body
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, len(images)) + entries + bodies)


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(folder, "logo.bmp"), draw_logo())
    write_ico(os.path.join(folder, "quibtools.ico"), [draw_icon(32), draw_icon(16)])


if __name__ == "__main__":
    main()
