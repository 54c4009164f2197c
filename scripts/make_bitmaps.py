#!/usr/bin/env python3
"""Draws the transport button pictures (4 bits per pixel, the standard 16
colours, light grey background) and the 32 x 32, 16-colour program icon, and
writes them as .bmp and .ico files into ui/resources/.

    scripts/make_bitmaps.py [output folder]

Uses the standard library only. Rerun it after changing a picture and commit
the script together with its output.
"""
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, DARK_GREEN, DARK_BLUE = 0, 1, 2, 4
LIGHT_GREY, GREY, RED, GREEN, YELLOW, WHITE = 7, 8, 9, 10, 11, 15


def canvas(width, height, colour=LIGHT_GREY):
    return [[colour] * width for _ in range(height)]


def triangle_span(row, first_row, last_row, tip, base):
    """Columns covered in row by a triangle whose base column spans
    first_row..last_row and whose tip (two rows in the middle) is at tip."""
    middle = (first_row + last_row) / 2.0
    half = (last_row - first_row + 1) / 2.0
    steps = half - 1  # rows from the middle pair to the outermost row
    d = abs(row - middle) - 0.5
    reach = int(round((abs(tip - base)) * d / steps))
    end = tip + reach if tip < base else tip - reach
    return (min(end, base), max(end, base))


def solid_triangle(pixels, tip, base, first_row=2, last_row=13):
    for row in range(first_row, last_row + 1):
        left, right = triangle_span(row, first_row, last_row, tip, base)
        for col in range(left, right + 1):
            pixels[row][col] = BLACK


def bar(pixels, col, first_row=2, last_row=13):
    for row in range(first_row, last_row + 1):
        pixels[row][col] = BLACK


def stop_picture(fill):
    p = canvas(16, 16)
    for row in range(3, 13):
        for col in range(2, 14):
            edge = row in (3, 12) or col in (2, 13)
            p[row][col] = BLACK if edge else fill
    return p


def play_picture(fill):
    p = canvas(16, 16)
    for row in range(2, 14):
        left, right = triangle_span(row, 2, 13, 12, 2)
        for col in range(left, right + 1):
            edge = col == 2 or col >= right - 1
            p[row][col] = BLACK if edge else fill
    return p


def disc(size, first, last, fill, outline=BLACK):
    p = canvas(size, size)
    centre = (first + last) / 2.0
    radius = (last - first + 1) / 2.0

    def inside(r, c):
        return (r - centre) ** 2 + (c - centre) ** 2 <= radius * radius - radius / 2.0

    for row in range(first, last + 1):
        for col in range(first, last + 1):
            if not inside(row, col):
                continue
            border = any(not inside(row + dr, col + dc)
                         for dr, dc in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            p[row][col] = outline if border else fill
    return p


def to_start_picture():
    p = canvas(16, 16)
    bar(p, 3)
    solid_triangle(p, tip=4, base=13)
    return p


def step_back_picture():
    p = canvas(26, 16)
    solid_triangle(p, tip=2, base=12)
    solid_triangle(p, tip=13, base=23)
    return p


def step_forward_picture():
    p = canvas(26, 16)
    solid_triangle(p, tip=12, base=2)
    solid_triangle(p, tip=23, base=13)
    return p


def to_end_picture():
    p = canvas(16, 16)
    solid_triangle(p, tip=12, base=2)
    bar(p, 12)
    return p


def palette_bytes():
    # Each entry as stored in a DIB: blue, green, red, 0.
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def pixel_rows_4bpp(pixels):
    """Bottom-up rows, two pixels a byte (left one in the high nibble), each
    row padded to a multiple of 4 bytes."""
    out = bytearray()
    for row in reversed(pixels):
        packed = bytearray()
        for col in range(0, len(row), 2):
            high = row[col]
            low = row[col + 1] if col + 1 < len(row) else 0
            packed.append((high << 4) | low)
        while len(packed) % 4:
            packed.append(0)
        out += packed
    return bytes(out)


def info_header(width, height, image_bytes):
    # BITMAPINFOHEADER: 40 bytes, 1 plane, 4 bits per pixel, no compression.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_bytes, 0, 0, 16, 0)


def bmp_bytes(pixels):
    height, width = len(pixels), len(pixels[0])
    bits = pixel_rows_4bpp(pixels)
    header = info_header(width, height, len(bits))
    offset = 14 + len(header) + 64
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return file_header + header + palette_bytes() + bits


def icon_picture():
    """The program's own icon: a silver disc with a dark centre, a green play
    mark on it and a red record dot at the lower right. None is transparent."""
    size = 32
    p = [[None] * size for _ in range(size)]
    centre, radius = 14.5, 13.5
    for row in range(size):
        for col in range(size):
            d2 = (row - centre) ** 2 + (col - centre) ** 2
            if d2 <= radius * radius:
                p[row][col] = BLACK if d2 > (radius - 1.2) ** 2 else LIGHT_GREY
                if (radius - 1.2) ** 2 >= d2 > (radius - 3.5) ** 2 and row > col:
                    p[row][col] = GREY
                if d2 <= 3.2 * 3.2:
                    p[row][col] = DARK_BLUE
                if d2 <= 1.5 * 1.5:
                    p[row][col] = BLACK
    # Play mark in the upper left of the disc: a triangle pointing right.
    inside = set()
    for row in range(3, 14):
        reach = int(round((5 - abs(row - 8)) * 1.4))
        for col in range(7, 7 + reach + 1):
            inside.add((row, col))
    for row, col in inside:
        edge = any((row + dr, col + dc) not in inside
                   for dr, dc in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        p[row][col] = BLACK if edge else GREEN
    # Record dot, overlapping the rim.
    for row in range(19, 31):
        for col in range(19, 31):
            d2 = (row - 24.5) ** 2 + (col - 24.5) ** 2
            if d2 <= 5.8 * 5.8:
                p[row][col] = BLACK if d2 > 4.8 * 4.8 else RED
    return p


def ico_bytes(pixels):
    size = len(pixels)
    colours = [[BLACK if c is None else c for c in row] for row in pixels]
    xor_bits = pixel_rows_4bpp(colours)
    and_rows = bytearray()
    for row in reversed(pixels):
        packed = bytearray()
        for col in range(0, size, 8):
            byte = 0
            for bit in range(8):
                if row[col + bit] is None:
                    byte |= 0x80 >> bit
            packed.append(byte)
        while len(packed) % 4:
            packed.append(0)
        and_rows += packed
    # In an icon the header's height counts the colour and the mask rows.
    header = info_header(size, size * 2, len(xor_bits) + len(and_rows))
    image = header + palette_bytes() + xor_bits + bytes(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


PICTURES = {
    "stop.bmp": stop_picture(DARK_GREEN),
    "stop_active.bmp": stop_picture(GREEN),
    "play.bmp": play_picture(DARK_GREEN),
    "play_active.bmp": play_picture(GREEN),
    "record.bmp": disc(16, 2, 13, DARK_RED),
    "record_active.bmp": disc(16, 2, 13, RED),
    "to_start.bmp": to_start_picture(),
    "step_back.bmp": step_back_picture(),
    "step_forward.bmp": step_forward_picture(),
    "to_end.bmp": to_end_picture(),
}


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "ui", "resources")
    os.makedirs(folder, exist_ok=True)
    for name, pixels in PICTURES.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bmp_bytes(pixels))
    with open(os.path.join(folder, "bitdek.ico"), "wb") as f:
        f.write(ico_bytes(icon_picture()))


if __name__ == "__main__":
    main()
