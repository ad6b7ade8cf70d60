#!/usr/bin/env python3
"""Writes the desktop icons from the program's own icon, resources/quibtools.ico:
icons/NxN.png for the hicolor theme at 16, 32, 48, 64, 128 and 256 pixels.

Each size is one of the icon's two pictures (32 x 32 and 16 x 16, 16 colours)
scaled by a whole number with every pixel kept square, so the drawing stays as
sharp as on the handheld. The PNGs are committed; run this again after the
icon changes (python3 packaging/desktop/make_icons.py). With --check it writes
nothing and fails when a committed PNG differs from what it would write.
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ICON = os.path.join(HERE, '..', '..', 'resources', 'quibtools.ico')

# Size in the theme -> which picture of the icon, and by how much it is scaled.
SIZES = {16: (16, 1), 32: (32, 1), 48: (16, 3), 64: (32, 2), 128: (32, 4), 256: (32, 8)}


def read_icon(path):
    """The icon's pictures by width, each a list of rows of (r, g, b, a)."""
    data = open(path, 'rb').read()
    _, kind, count = struct.unpack_from('<HHH', data, 0)
    if kind != 1:
        raise SystemExit(path + ': not an icon')
    pictures = {}
    for index in range(count):
        width, height, _, _, _, bits, _, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * index)
        width, height = width or 256, height or 256
        header_size, _, _, _, bit_count = struct.unpack_from('<IiiHH', data, offset)
        if bit_count != 4:
            raise SystemExit(path + ': only 16-colour pictures are read')
        palette_at = offset + header_size
        palette = [struct.unpack_from('<BBBB', data, palette_at + 4 * i)[2::-1] for i in range(16)]
        colour_stride = ((width * 4 + 31) // 32) * 4
        mask_stride = ((width + 31) // 32) * 4
        colours_at = palette_at + 16 * 4
        mask_at = colours_at + colour_stride * height
        rows = []
        for y in range(height):
            source_row = height - 1 - y  # the bitmap is stored bottom-up
            row = []
            for x in range(width):
                byte = data[colours_at + source_row * colour_stride + x // 2]
                colour = byte >> 4 if x % 2 == 0 else byte & 0x0F
                masked = data[mask_at + source_row * mask_stride + x // 8] >> (7 - x % 8) & 1
                r, g, b = palette[colour]
                row.append((r, g, b, 0 if masked else 255))
            rows.append(row)
        pictures[width] = rows
    return pictures


def scaled(rows, factor):
    return [[pixel for pixel in row for _ in range(factor)] for row in rows for _ in range(factor)]


def png(rows):
    """An 8-bit RGBA PNG, the same bytes for the same pixels."""
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    height, width = len(rows), len(rows[0])
    raw = b''.join(b'\0' + bytes(value for pixel in row for value in pixel) for row in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    check = sys.argv[1:] == ['--check']
    pictures = read_icon(ICON)
    stale = []
    for size, (picture, factor) in SIZES.items():
        target = os.path.join(HERE, 'icons', '%dx%d.png' % (size, size))
        content = png(scaled(pictures[picture], factor))
        if check:
            if not os.path.exists(target) or open(target, 'rb').read() != content:
                stale.append(target)
        else:
            with open(target, 'wb') as out:
                out.write(content)
    for target in stale:
        print('not what make_icons.py writes from the icon: ' + target)
    return 1 if stale else 0


if __name__ == '__main__':
    sys.exit(main())
