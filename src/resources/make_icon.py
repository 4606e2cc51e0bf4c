#!/usr/bin/env python3
"""Writes a 16-colour .ico from a text pixel map (see mainicon.txt).

    make_icon.py MAP.txt OUT.ico

Each "size N" section holds N rows of N characters: '.' is transparent, 0-f index
the standard 16-colour palette. Images are stored as 4-bit DIBs with an AND mask,
the form every Windows version reads.
"""
import struct
import sys

PALETTE = [  # (red, green, blue)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def read_maps(path):
    maps, rows, size = [], None, 0
    for line in open(path, encoding="ascii").read().splitlines():
        if line.startswith("#") or not line.strip():
            continue
        if line.startswith("size "):
            size = int(line.split()[1])
            rows = []
            maps.append((size, rows))
            continue
        if len(line) != size:
            sys.exit(f"{path}: row of {len(line)} characters in a {size}-pixel map: {line!r}")
        rows.append(line)
    for size, rows in maps:
        if len(rows) != size:
            sys.exit(f"{path}: {len(rows)} rows in a {size}-pixel map")
    return maps


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def image(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colours, mask = b"", b""
    for row in reversed(rows):  # DIBs run bottom-up
        indices = [0 if c == "." else int(c, 16) for c in row]
        colours += padded(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2)))
        bits = [1 if c == "." else 0 for c in row]
        mask += padded(bytes(sum(bits[i + j] << (7 - j) for j in range(8)) for i in range(0, size, 8)))
    return header + palette + colours + mask


def main():
    maps = read_maps(sys.argv[1])
    images = [image(size, rows) for size, rows in maps]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, _), data in zip(maps, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[2], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
