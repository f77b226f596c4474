#!/usr/bin/env python3
"""Adds the larger images of the program's icon to win32/res/q836.ico.

   make_icon.py ICO

The icon is a white disc in an orange ring with a red dot at its centre: a
circle and the point it becomes. The 16 and 32 px images stay as they are;
48 px (a 32-bit DIB) and 256 px (PNG, as Windows stores large icons) are
drawn from the same geometry, anti-aliased by 8 x 8 supersampling.
"""
import struct, sys, zlib

WHITE, RING, DOT = (255, 255, 255), (192, 96, 48), (208, 32, 32)
# Radii on the 32 px design, from the centre.
OUTER, INNER, CENTRE = 16.0, 13.0, 4.0


def render(size):
    """Rows of (r, g, b, a), top row first."""
    scale, n = size / 32.0, 8
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    dx = (x + (sx + 0.5) / n) / scale - 16
                    dy = (y + (sy + 0.5) / n) / scale - 16
                    d = (dx * dx + dy * dy) ** 0.5
                    if d >= OUTER:
                        continue
                    colour = DOT if d < CENTRE else WHITE if d < INNER else RING
                    for i in range(3):
                        acc[i] += colour[i]
                    acc[3] += 1
            covered = acc[3]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / covered) for c in acc[:3]) + (round(255 * covered / n / n),))
        rows.append(row)
    return rows


def dib(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    path = sys.argv[1]
    data = open(path, "rb").read()
    count = struct.unpack("<HHH", data[:6])[2]
    images = []
    for i in range(count):
        w, h, colours, _, planes, bpp, size, offset = struct.unpack(
            "<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        if (w or 256) in (16, 32):
            images.append(((w or 256), data[offset:offset + size], bpp))
    images.append((48, dib(render(48)), 32))
    images.append((256, png(render(256)), 32))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, image, bpp in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bpp, len(image), offset)
        offset += len(image)
        body += image
    open(path, "wb").write(out + body)


if __name__ == "__main__":
    main()
