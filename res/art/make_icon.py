#!/usr/bin/env python3
"""Draws the program icon and writes res/pellis.ico.

Six images, as the window icon needs them: 16, 32 and 48 pixels square, each
in 256 colours and in 32-bit colour with alpha. The artwork is geometric (a
bank-red shield with a white key) so it needs no fonts and is reproducible:
    python3 res/art/make_icon.py res/pellis.ico
"""
import math
import struct
import sys

RED = (200, 16, 46)
DARK_RED = (140, 10, 30)
WHITE = (255, 255, 255)
GOLD = (232, 182, 60)
SAMPLES = 4  # supersampling per axis for smooth edges


def inside_shield(x, y):
    """Shield in unit coordinates: flat top, straight sides, pointed bottom."""
    if y < 0.06 or x < 0.12 or x > 0.88:
        return False
    if y <= 0.55:
        return True
    # Lower half narrows along two arcs to a point at (0.5, 0.96).
    t = (y - 0.55) / 0.41
    if t >= 1.0:
        return False
    half = 0.38 * math.cos(t * math.pi / 2)
    return abs(x - 0.5) <= half


def inside_rim(x, y):
    """The shield shrunk a little; the band between it and the shield is the rim."""
    cx, cy, k = 0.5, 0.48, 0.86
    return inside_shield(cx + (x - cx) / k, cy + (y - cy) / k)


def inside_key(x, y):
    """A key: ring at the top, shaft downwards, two teeth."""
    ring = math.hypot(x - 0.5, y - 0.34)
    if 0.07 <= ring <= 0.15:
        return True
    if abs(x - 0.5) <= 0.04 and 0.48 <= y <= 0.80:
        return True
    if 0.5 <= x <= 0.64 and (0.62 <= y <= 0.67 or 0.72 <= y <= 0.77):
        return True
    return False


def colour_at(x, y):
    if not inside_shield(x, y):
        return None
    if inside_key(x, y):
        return WHITE
    if not inside_rim(x, y):
        return GOLD
    # A light vertical gradient gives the face some depth.
    f = min(1.0, max(0.0, (y - 0.1) / 0.8))
    return tuple(round(a + (b - a) * f) for a, b in zip(RED, DARK_RED))


def render(size):
    """Returns rows (top first) of (r, g, b, a) pixels."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row.append(tuple(round(v / hits) for v in acc) + (round(255 * hits / SAMPLES ** 2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def palette():
    """6x6x6 colour cube, then a grey ramp, then the artwork's own colours."""
    pal = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    pal += [(round(i * 255 / 29),) * 3 for i in range(30)]
    for c in (RED, DARK_RED, WHITE, GOLD):
        if c not in pal:
            pal.append(c)
    pal += [(0, 0, 0)] * (256 - len(pal))
    return pal[:256]


def nearest(pal, c):
    return min(range(len(pal)), key=lambda i: sum((a - b) ** 2 for a, b in zip(pal[i], c)))


def and_mask(rows, size):
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def dib(size, bit_count, pixels, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0, len(pixels), 0, 0, colours, 0)


def image_32(rows, size):
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask = and_mask(rows, size)
    return dib(size, 32, xor + mask) + xor + mask


def image_8(rows, size, pal):
    stride = (size + 3) // 4 * 4
    cache = {}
    xor = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            key = (r, g, b) if a >= 128 else (0, 0, 0)
            if key not in cache:
                cache[key] = nearest(pal, key)
            line[x] = cache[key]
        xor += bytes(line)
    mask = and_mask(rows, size)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in pal)
    return dib(size, 8, xor + mask, 256) + table + xor + mask


def main(path):
    pal = palette()
    images = []
    for size in (16, 32, 48):
        rows = render(size)
        images.append((size, 8, image_8(rows, size, pal)))
        images.append((size, 32, image_32(rows, size)))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    data = b""
    for size, bits, blob in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(blob), offset + len(data))
        data += blob
    with open(path, "wb") as f:
        f.write(header + entries + data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/pellis.ico")
