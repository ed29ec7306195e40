#!/usr/bin/env python3
"""Writes the Windows program file's icon: the images of the program icon as
they are, followed by PNG images of other sizes (Windows reads PNG images in
icon files), so that a scaled desktop finds each size it asks for.

    windows_icon.py PROGRAM.ico OUTPUT.ico IMAGE.png...
"""

import struct
import sys

HEADER = struct.Struct("<HHH")
ENTRY = struct.Struct("<BBBBHHII")
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def icon_images(data):
    """(width, height, colours, planes, bits, image bytes) of each image."""
    reserved, kind, count = HEADER.unpack_from(data, 0)
    if reserved != 0 or kind != 1:
        raise SystemExit("not an icon file")
    images = []
    for index in range(count):
        width, height, colours, _, planes, bits, size, offset = ENTRY.unpack_from(
            data, HEADER.size + index * ENTRY.size)
        images.append((width, height, colours, planes, bits, data[offset:offset + size]))
    return images


def png_image(data):
    if data[:8] != PNG_SIGNATURE:
        raise SystemExit("not a PNG file")
    width, height = struct.unpack_from(">II", data, 16)
    # A directory entry stores 256 as 0.
    return (width % 256, height % 256, 0, 1, 32, data)


def icon_file(images):
    offset = HEADER.size + ENTRY.size * len(images)
    directory = [HEADER.pack(0, 1, len(images))]
    for width, height, colours, planes, bits, data in images:
        directory.append(ENTRY.pack(width, height, colours, 0, planes, bits, len(data), offset))
        offset += len(data)
    return b"".join(directory + [image[-1] for image in images])


def main(argv):
    program, output, *pngs = argv[1:]
    with open(program, "rb") as source:
        images = icon_images(source.read())
    for path in pngs:
        with open(path, "rb") as png:
            images.append(png_image(png.read()))
    with open(output, "wb") as target:
        target.write(icon_file(images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
