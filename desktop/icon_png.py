#!/usr/bin/env python3
"""Writes the largest image of a Windows icon file as a PNG file.

The desktop icon theme wants PNG, while the program icon is an .ico with
uncompressed bitmaps in it. Only the standard library is used, so the build
needs nothing beyond Python to produce the theme's 32x32 icon.

    icon_png.py INPUT.ico OUTPUT.png
"""

import struct
import sys
import zlib

ICO_HEADER = struct.Struct("<HHH")
ICO_ENTRY = struct.Struct("<BBBBHHII")
BITMAP_INFO = struct.Struct("<IiiHHIIiiII")
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
BI_RGB = 0


class IconError(Exception):
    pass


def icon_entries(data):
    reserved, kind, count = ICO_HEADER.unpack_from(data, 0)
    if reserved != 0 or kind != 1 or count == 0:
        raise IconError("not an icon file")
    entries = []
    for index in range(count):
        width, height, _, _, _, bits, size, offset = ICO_ENTRY.unpack_from(
            data, ICO_HEADER.size + index * ICO_ENTRY.size)
        if offset + size > len(data):
            raise IconError(f"image {index} runs past the end of the file")
        # A stored 0 means 256 pixels.
        entries.append((width or 256, height or 256, bits, data[offset:offset + size]))
    return entries


def row_bytes(width, bits):
    return (width * bits + 31) // 32 * 4


def bitmap_rgba(image):
    (header_size, width, height, planes, bits, compression,
     *_unused) = BITMAP_INFO.unpack_from(image, 0)
    if compression != BI_RGB or bits not in (24, 32) or planes != 1:
        raise IconError(f"unsupported bitmap: {bits} bits, compression {compression}")
    # An icon bitmap's height counts the color rows and the mask rows.
    height //= 2
    color_stride = row_bytes(width, bits)
    mask_stride = row_bytes(width, 1)
    color_start = header_size
    mask_start = color_start + color_stride * height
    if mask_start + mask_stride * height > len(image):
        raise IconError("bitmap data is truncated")

    step = bits // 8
    has_alpha = bits == 32 and any(
        image[color_start + y * color_stride + x * step + 3]
        for y in range(height) for x in range(width))
    rows = []
    # Bitmap rows are stored bottom-up.
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            pixel = color_start + y * color_stride + x * step
            blue, green, red = image[pixel:pixel + 3]
            if has_alpha:
                alpha = image[pixel + 3]
            else:
                mask_byte = image[mask_start + y * mask_stride + x // 8]
                alpha = 0 if mask_byte & (0x80 >> (x % 8)) else 255
            row += bytes((red, green, blue, alpha))
        rows.append(bytes(row))
    return width, height, rows


def png_chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))


def png_file(width, height, rows):
    eight_bit_rgba = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    scanlines = b"".join(b"\x00" + row for row in rows)
    return (PNG_SIGNATURE + png_chunk(b"IHDR", eight_bit_rgba)
            + png_chunk(b"IDAT", zlib.compress(scanlines, 9)) + png_chunk(b"IEND", b""))


def icon_as_png(data):
    width, height, _, image = max(icon_entries(data), key=lambda e: (e[0] * e[1], e[2]))
    if image.startswith(PNG_SIGNATURE):
        return image
    bitmap_width, bitmap_height, rows = bitmap_rgba(image)
    if (bitmap_width, bitmap_height) != (width, height):
        raise IconError("directory and bitmap disagree on the size")
    return png_file(bitmap_width, bitmap_height, rows)


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    try:
        with open(argv[1], "rb") as source:
            png = icon_as_png(source.read())
    except (OSError, IconError, struct.error) as error:
        print(f"icon_png.py: {argv[1]}: {error}", file=sys.stderr)
        return 1
    with open(argv[2], "wb") as target:
        target.write(png)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
