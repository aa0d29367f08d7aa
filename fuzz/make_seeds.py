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
IMAGES_DIR = os.path.join(HERE, "..", "tests", "fixtures", "images")


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


def picture_import_seeds(add, picture):
    """The picture followed by image files Insert reads into it: its export,
    its palette reversed, true colour, and a new palette."""
    pixels, stored = picture[:64000], picture[64000:]
    rgb = bytes((v & 63) * 255 // 63 for v in stored)
    rows = [pixels[y * 320:(y + 1) * 320] for y in range(200)]
    export = bmp(40, 8, 0, 320, 200, [rgb[i * 3:i * 3 + 3] for i in range(256)],
                 b"".join(reversed(rows)))
    add("picture", picture + SPLIT + export)
    reversed_rgb = b"".join(rgb[(255 - k) * 3:(255 - k) * 3 + 3] for k in range(256))
    def scanlines(rows):
        return b"".join(b"\x00" + r for r in rows)
    add("picture", picture + SPLIT + png(320, 200, 8, 3,
                                         scanlines(bytes(255 - v for v in r) for r in rows),
                                         chunks=[(b"PLTE", reversed_rgb)]))
    add("picture", picture + SPLIT + png(320, 200, 8, 2, scanlines(
        b"".join(rgb[v * 3:v * 3 + 3] for v in r) for r in rows)))
    add("picture", picture + SPLIT + png(320, 200, 8, 3, scanlines(rows),
                                         chunks=[(b"PLTE", bytes((i * 7) & 255 for i in range(768)))]))
    # Refused: a colour the picture lacks (its first pixel), and numbers past
    # a palette of 16.
    off = bytearray(b"".join(rgb[v * 3:v * 3 + 3] for v in pixels))
    off[0:3] = bytes((off[0] ^ 0x80, off[1] ^ 0x40, off[2] ^ 0x20))
    add("picture", picture + SPLIT + png(320, 200, 8, 2, scanlines(
        bytes(off[y * 960:(y + 1) * 960]) for y in range(200))))
    add("picture", picture + SPLIT + png(320, 200, 8, 3, scanlines(rows),
                                         chunks=[(b"PLTE", rgb[:48])]))


def corrupt_sprite_header(image):
    """Sprite 1's pixel data made to run far past the end of the file."""
    out = bytearray(image)
    if len(out) >= 48:
        struct.pack_into("<hh", out, 24 + 8, 0x7FFF, 0x7FFF)
    return bytes(out)


def bmp(header, bits, compression, width, height, palette, pixels, masks=()):
    """A BMP with an information header of `header` bytes."""
    entry = 3 if header == 12 else 4
    after = 14 + header + (4 * len(masks) if header == 40 else 0)
    offset = after + entry * len(palette)
    info = bytearray(header)
    if header == 12:
        struct.pack_into("<IHHHH", info, 0, 12, width, height & 0xFFFF, 1, bits)
    else:
        struct.pack_into("<IiiHHIIiiII", info, 0, header, width, height, 1, bits, compression,
                         len(pixels), 0, 0, len(palette), 0)
        for i, m in enumerate(masks):
            if header > 40:
                struct.pack_into("<I", info, 40 + 4 * i, m)
    extra = b"".join(struct.pack("<I", m) for m in masks) if header == 40 else b""
    pal = b"".join(bytes((b, g, r)) + (b"" if entry == 3 else b"\0") for r, g, b in palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + bytes(info) + extra + pal + bytes(pixels)


def png(width, height, depth, colour_type, raw, interlace=0, chunks=()):
    """A PNG of filtered scanlines `raw`, with extra chunks before IDAT."""
    import zlib

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
    for kind, data in chunks:
        out += chunk(kind, data)
    return out + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")


def image_seeds(add):
    """The image harnesses: every fixture, and the variants no program here
    writes (RLE4, 1 bit, top-down, bit fields, 16-bit and grey PNGs)."""
    for d in (IMAGES_DIR, BMP_DIR):
        for n in sorted(os.listdir(d)):
            data = read(os.path.join(d, n))
            if n.endswith(".bmp") and len(data) < 80000:
                add("bmp_image", data)
            elif n.endswith(".png") and (len(data) < 80000 or n == "im-pitch-png8.png"):
                add("png_image", data)
    grey = [(i * 16, i * 16, i * 16) for i in range(16)]
    add("bmp_image", bmp(40, 4, 2, 8, 3, grey, [3, 0x12, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 1, 1,
                                               2, 0x77, 0, 1]))
    add("bmp_image", bmp(124, 8, 1, 5, 2, grey, [2, 1, 0, 3, 1, 2, 3, 0, 0, 0, 5, 9, 0, 1]))
    # A whole pitch in a few bytes: RLE8 rows of tiles, the rest left 0.
    rows = []
    for y in range(32):
        rows += [16, y % 4, 16, 9, 255, 1, 255, 2, 0, 0]
    add("bmp_image", bmp(40, 8, 1, 672, 848, grey * 16, rows + [0, 1]))
    add("bmp_image", bmp(40, 1, 0, 17, -3, grey[:2], [0xA5, 0x5A, 0x80, 0] * 3))
    add("bmp_image", bmp(12, 4, 0, 5, 2, grey, [0x01, 0x23, 0x40, 0, 0xFE, 0xDC, 0xB0, 0]))
    add("bmp_image", bmp(40, 16, 0, 2, -2, [], [0xFF, 0x7F, 0x1F, 0x7C] * 2))
    add("bmp_image", bmp(40, 16, 3, 3, 1, [], [0xFF, 0xFF, 0xE0, 0x07, 0x1F, 0, 0, 0],
                         (0xF800, 0x07E0, 0x001F)))
    add("bmp_image", bmp(56, 32, 3, 2, 2, [], [0x4D, 0xC8, 0x0D, 0x80] * 4,
                         (0xFF0000, 0xFF00, 0xFF, 0xFF000000)))
    add("bmp_image", bmp(108, 24, 0, 3, 2, [], [1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0] * 2))
    # 4x3: grey 2-bit, 16-bit grey+alpha interlaced, 16-bit RGB with tRNS,
    # 4-bit indexed with tRNS.
    add("png_image", png(4, 3, 2, 0, [0, 0x1B] * 3))
    # Adam7 rows of a 4x3 picture: 1, 1, 2, 2, 2 and 4 pixels.
    add("png_image", png(4, 3, 16, 4, b"".join(bytes([0] + [0x12, 0x34, 0xFF, 0xFF] * n)
                                              for n in (1, 1, 2, 2, 2, 4)), interlace=1))
    add("png_image", png(2, 2, 16, 2, ([0] + [1, 2, 3, 4, 5, 6] * 2) * 2,
                         chunks=[(b"tRNS", bytes([1, 2, 3, 4, 5, 6]))]))
    add("png_image", png(4, 2, 4, 3, [0, 0x01, 0x23, 0, 0x45, 0x10],
                         chunks=[(b"PLTE", bytes(range(18))), (b"tRNS", bytes([0, 128]))]))


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
    picture_import_seeds(add, read(os.path.join(demo, "stad.256")))
    # A dark picture: its label entry made white, in the export too.
    stad = read(os.path.join(demo, "stad.256"))
    picture_import_seeds(add, stad[:64000] + bytes(v // 8 for v in stad[64000:]))

    for pick, n in ((0, "team4.dat"), (7, "TEAM2.DAT"), (130, "TEAM3.DAT")):
        add("team_sprites", bytes([pick]) + read(os.path.join(demo, n)))

    for text in (b"Saved spr0001.bmp OK", b"AB\tC\rD\nE\vF", b"0123456789 -+:.,!?",
                 b"\x80\xff\xfe\x7f abc", b"Long line " * 40):
        add("text", b"\x10\xf0\x00\x07" + text)
        add("text", b"\x80\x7f\x01\x00" + text)

    image_seeds(add)

    for harness, items in seeds.items():
        d = os.path.join(out, harness)
        os.makedirs(d, exist_ok=True)
        for data in items:
            with open(os.path.join(d, hashlib.sha1(data).hexdigest()), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
