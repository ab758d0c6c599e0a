#!/usr/bin/env python3
"""Writes the two start-up textures into data/: "D.bmp" (a 128 x 128 tiled diffuse map, 24-bit bitmap) and
"dirty-wicker-weave1-albedo.dds" (a 256 x 256 woven albedo map, R8G8B8A8 with its full mip chain).
Both are drawn procedurally here, so the files can be rebuilt at any time; it reads nothing and needs only Python 3."""
import math
import os
import struct
import sys


def clamp(v):
    return max(0, min(255, int(round(v))))


def noise(x, y, seed):
    # A cheap hash in 0..1, stable across runs, for grime and fibre variation.
    n = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


def tiles(size):
    """Rows of (r, g, b), top row first: stone-coloured tiles with darker grout and some speckle."""
    rows = []
    tile = 32
    for y in range(size):
        row = []
        for x in range(size):
            grout = (x % tile) < 2 or (y % tile) < 2
            shade = 0.85 + 0.15 * noise(x // tile, y // tile, 7) - 0.08 * noise(x, y, 3)
            base = (70, 66, 60) if grout else (178, 168, 150)
            row.append(tuple(clamp(c * shade) for c in base))
        rows.append(row)
    return rows


def wicker(size):
    """Rows of (r, g, b, a): over-and-under strands in straw colours, darkened in the gaps and by grime."""
    rows = []
    strand = 16
    for y in range(size):
        row = []
        for x in range(size):
            cx, cy = x // strand, y // strand
            horizontal = (cx + cy) % 2 == 0
            along = (x % strand) if horizontal else (y % strand)
            across = (y % strand) if horizontal else (x % strand)
            # Strands are round: brightest along their middle, dark at the edges where they meet.
            profile = math.sin(math.pi * (across + 0.5) / strand)
            fibre = 0.9 + 0.1 * math.sin(along * 1.7 + noise(cx, cy, 11) * 6.0)
            grime = 1.0 - 0.25 * noise(x // 4, y // 4, 5)
            k = (0.35 + 0.65 * profile) * fibre * grime
            row.append((clamp(196 * k), clamp(160 * k), clamp(104 * k), 255))
        rows.append(row)
    return rows


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    row_bytes = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bitmaps store the bottom row first
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(row_bytes - len(line))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


def halve(rows):
    h, w = len(rows), len(rows[0])
    out = []
    for y in range(0, h, 2):
        line = []
        for x in range(0, w, 2):
            quad = [rows[y][x], rows[y][min(x + 1, w - 1)], rows[min(y + 1, h - 1)][x],
                    rows[min(y + 1, h - 1)][min(x + 1, w - 1)]]
            line.append(tuple(clamp(sum(p[c] for p in quad) / 4.0) for c in range(4)))
        out.append(line)
    return out


def write_dds(path, rows):
    height, width = len(rows), len(rows[0])
    levels = [rows]
    while len(levels[-1]) > 1 or len(levels[-1][0]) > 1:
        levels.append(halve(levels[-1]))
    flags = 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x8  # caps, height, width, pixel format, mip count, pitch
    pixel_format = struct.pack('<IIIIIIII', 32, 0x40 | 0x1, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000)
    caps = 0x1000 | 0x8 | 0x400000  # texture, complex, mip map
    header = struct.pack('<IIIIIII', 124, flags, height, width, width * 4, 0, len(levels))
    header += bytes(44) + pixel_format + struct.pack('<IIIII', caps, 0, 0, 0, 0)
    data = bytearray()
    for level in levels:
        for row in level:
            for pixel in row:
                data += bytes(pixel)
    with open(path, 'wb') as f:
        f.write(b'DDS ' + header + data)


def main():
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data')
    if len(sys.argv) > 1:
        data = sys.argv[1]
    write_bmp(os.path.join(data, 'D.bmp'), tiles(128))
    write_dds(os.path.join(data, 'dirty-wicker-weave1-albedo.dds'), wicker(256))


if __name__ == '__main__':
    main()
