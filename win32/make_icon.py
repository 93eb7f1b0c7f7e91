#!/usr/bin/env python3
"""Writes the program's icon, the picture of data/quorrix.svg, as a 16-colour Windows icon of 32 x 32 and
16 x 16 pixels: a white sheet of paper, grey outline, folded top right corner, blue lines of text.
    make_icon.py OUTPUT.ico"""
import struct
import sys

# The 16 colours of the VGA palette, as the icon format stores them (blue, green, red, 0).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
SILVER, GREY, BLUE, WHITE = 7, 8, 12, 15


def picture(size):
    """Rows of palette indices, None where the icon is transparent."""
    if size == 32:
        left, top, right, bottom, fold = 6, 1, 26, 30, 6
        lines = [(5, 9), (10, 15), (13, 13), (16, 15), (19, 11), (22, 15), (25, 8)]
        first = 9
    else:
        left, top, right, bottom, fold = 3, 0, 13, 15, 3
        lines = [(2, 4), (5, 7), (7, 6), (9, 7), (11, 5), (13, 7)]
        first = 5
    corner = right - fold  # where the cut corner starts on the top edge
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            colour = None
            if left <= x <= right and top <= y <= bottom and y - top >= x - corner:
                outline = x in (left, right) or y in (top, bottom) or y - top == x - corner
                colour = GREY if outline else WHITE
                if x >= corner and y <= top + fold:
                    # The folded corner: a grey fold line, silver behind it.
                    if x == corner or y == top + fold:
                        colour = GREY
                    elif not outline:
                        colour = SILVER
            for line_y, length in lines:
                if y == line_y and first <= x < first + length and colour == WHITE:
                    colour = BLUE
            row.append(colour)
        rows.append(row)
    return rows


def image(size):
    rows = picture(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    colours = b''
    mask = b''
    for row in reversed(rows):  # bottom-up
        indices = [0 if c is None else c for c in row]
        line = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        colours += line + b'\0' * (-len(line) % 4)
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is None else 0)
        line = bits.to_bytes(size // 8, 'big')
        mask += line + b'\0' * (-len(line) % 4)
    return header + palette + colours + mask


def main():
    sizes = [32, 16]
    images = [image(size) for size in sizes]
    offset = 6 + 16 * len(sizes)
    out = struct.pack('<HHH', 0, 1, len(sizes))
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], 'wb') as file:
        file.write(out + b''.join(images))


if __name__ == '__main__':
    main()
