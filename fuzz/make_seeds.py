#!/usr/bin/env python3
"""Seed inputs for the fuzz harnesses from the demo game directory, the
tests' broken variants and the paint-program bitmaps.

  fuzz/make_seeds.py DEMO_DIR OUT_DIR   (DEMO_DIR written by tavu-demo-data)

Each harness gets OUT_DIR/<harness>/; the inputs follow the harness's own
layout (a leading selector byte, parts joined by the split marker).
"""
import hashlib
import os
import struct
import sys

SPLIT = b"\x01TAVU-SPLIT\x01"
SPRITE_FILES = ["CHARSET.DAT", "SCORE.DAT", "TEAM1.DAT", "TEAM3.DAT", "GOAL1.DAT", "BENCH.DAT"]
HEADER = 3626
SLOT = 19000
HERE = os.path.dirname(os.path.abspath(__file__))
BMP_DIR = os.path.join(HERE, "..", "tests", "fixtures", "bmp")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def with_info_header(bmp, size):
    """The bitmap with its 40-byte information header grown to `size`."""
    old = struct.unpack_from("<I", bmp, 14)[0]
    if old != 40:
        return None
    pad = size - old
    out = bytearray(bmp[:14 + old]) + bytes(pad) + bmp[14 + old:]
    struct.pack_into("<I", out, 2, len(out))
    struct.pack_into("<I", out, 10, struct.unpack_from("<I", bmp, 10)[0] + pad)
    struct.pack_into("<I", out, 14, size)
    return bytes(out)


def corrupt_sprite_header(image):
    """Sprite 1's pixel data made to run far past the end of the file."""
    out = bytearray(image)
    if len(out) >= 48:
        struct.pack_into("<hh", out, 24 + 8, 0x7FFF, 0x7FFF)
    return bytes(out)


def main():
    demo, out = sys.argv[1], sys.argv[2]
    seeds = {}

    def add(harness, data):
        seeds.setdefault(harness, []).append(data)

    index = read(os.path.join(demo, "SPRITE.DAT"))
    for i, name in enumerate(SPRITE_FILES):
        image = read(os.path.join(demo, name))
        add("sprite_files", bytes([i]) + index + SPLIT + image)
    charset = read(os.path.join(demo, "CHARSET.DAT"))
    add("sprite_files", bytes([0]) + index[:-1] + SPLIT + charset)
    add("sprite_files", bytes([0]) + index + SPLIT + charset[:-1])
    add("sprite_files", bytes([0]) + index + SPLIT + charset + b"\0")
    add("sprite_files", bytes([0]) + index + SPLIT + corrupt_sprite_header(charset))

    bitmaps = {n: read(os.path.join(BMP_DIR, n)) for n in sorted(os.listdir(BMP_DIR)) if n.endswith(".bmp")}
    for n, b in bitmaps.items():
        if "spr_" in n:
            add("sprite_bitmap", b)
            for size in (108, 124):
                grown = with_info_header(b, size)
                if grown:
                    add("sprite_bitmap", grown)
        else:
            add("pitch_bitmaps", b)
    grown = with_info_header(bitmaps["pattern.bmp"], 108)
    add("pitch_bitmaps", grown)

    for p in range(6):
        cells = read(os.path.join(demo, "pitch%d.dat" % (p + 1)))
        patterns = read(os.path.join(demo, "pitch%d.blk" % (p + 1)))
        add("pitch_files", bytes([p]) + cells + SPLIT + patterns)
    add("pitch_files", bytes([0]) + cells[:-4] + SPLIT + patterns)
    add("pitch_files", bytes([1]) + cells + SPLIT + patterns[:-1])

    for n in sorted(os.listdir(demo)):
        path = os.path.join(demo, n)
        if n.endswith(".256"):
            add("picture", read(path))
        elif n.endswith(".rpl"):
            # Whole matches play slowly; a few hundred words reach every
            # kind of frame.
            data = read(path)
            add("recordings", data[:HEADER + 4000])
            add("recordings", data[:HEADER + 4001])
        elif n.endswith(".hil"):
            data = bytearray(read(path)[:HEADER + SLOT])
            struct.pack_into("<H", data, 3616, 1)
            add("recordings", bytes(data))
            add("recordings", bytes(data[:-1]))
    add("picture", read(os.path.join(demo, "stad.256"))[:-1])

    for pick, n in ((0, "team4.dat"), (7, "TEAM2.DAT"), (130, "TEAM3.DAT")):
        add("team_sprites", bytes([pick]) + read(os.path.join(demo, n)))

    for text in (b"Saved spr0001.bmp OK", b"AB\tC\rD\nE\vF", b"0123456789 -+:.,!?",
                 b"\x80\xff\xfe\x7f abc", b"Long line " * 40):
        add("text", b"\x10\xf0\x00\x07" + text)
        add("text", b"\x80\x7f\x01\x00" + text)

    for harness, items in seeds.items():
        d = os.path.join(out, harness)
        os.makedirs(d, exist_ok=True)
        for data in items:
            with open(os.path.join(d, hashlib.sha1(data).hexdigest()), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
