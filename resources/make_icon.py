#!/usr/bin/env python3
"""Draws the tool's icon: a 32 x 32, 16-colour converter housing with its display and a probe
dipped into a solution, and writes it as a Windows .ico (one image, 4 bits per pixel with an AND
mask for the transparent parts).

    python3 resources/make_icon.py resources/zr3config.ico
"""
import struct
import sys

SIZE = 32

# The 16 standard colours, in the usual order of a 4-bit palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, TEAL, SILVER, GREY, RED, LIME, BLUE, AQUA, WHITE = 0, 4, 6, 7, 8, 9, 10, 12, 14, 15

CLEAR = None  # transparent


def draw():
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                pixels[y][x] = colour

    # Housing: a rounded navy box with a grey rim.
    rect(4, 1, 27, 19, GREY)
    rect(5, 2, 26, 18, NAVY)
    for x, y in ((4, 1), (27, 1), (4, 19), (27, 19)):
        pixels[y][x] = CLEAR
    # Display: black glass with a lime trace rising like a measured value.
    rect(7, 4, 24, 11, BLACK)
    trace = [10, 10, 9, 9, 9, 8, 8, 7, 7, 7, 6, 6, 6, 6, 5, 5]
    for i, y in enumerate(trace):
        pixels[y][8 + i] = LIME
    # Relay lamp and two keys.
    rect(7, 14, 8, 15, RED)
    rect(17, 14, 19, 15, SILVER)
    rect(22, 14, 24, 15, SILVER)
    # Cable down to the probe.
    rect(15, 20, 16, 22, GREY)
    # Probe body with its two electrodes.
    rect(12, 23, 19, 25, TEAL)
    rect(12, 26, 13, 30, SILVER)
    rect(18, 26, 19, 30, SILVER)
    # The solution: a blue bath with a light wave, the electrodes standing in it.
    for y in range(27, 32):
        for x in range(6, 26):
            if pixels[y][x] is CLEAR:
                pixels[y][x] = BLUE
    for x in range(6, 26):
        if pixels[27][x] == BLUE and x % 4 in (0, 1):
            pixels[27][x] = AQUA
    return pixels


def ico_bytes(pixels):
    row_bytes = SIZE // 2  # 4 bits per pixel; 16 bytes is already a multiple of 4
    mask_row_bytes = 4  # 32 bits per row
    xor = bytearray()
    mask = bytearray()
    # Bitmaps are stored bottom row first.
    for y in range(SIZE - 1, -1, -1):
        row = pixels[y]
        for x in range(0, SIZE, 2):
            high = row[x] if row[x] is not CLEAR else 0
            low = row[x + 1] if row[x + 1] is not CLEAR else 0
            xor.append((high << 4) | low)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is CLEAR else 0)
        mask += bits.to_bytes(mask_row_bytes, "big")
    assert len(xor) == row_bytes * SIZE

    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    # BITMAPINFOHEADER: the height counts the image and its mask.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_icon.py OUTPUT.ico\n")
        return 2
    with open(sys.argv[1], "wb") as out:
        out.write(ico_bytes(draw()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
