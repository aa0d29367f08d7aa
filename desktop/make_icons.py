#!/usr/bin/env python3
"""Draws the desktop icons from the program's own 32x32 icon (the Windows
build's tavu.ico): 32, 64, 128 and 256 pixels are it enlarged by whole
multiples, pixel for pixel; 16 and 48 are a 16x16 redrawing of it (the pitch
outline, halfway line and centre circle) at one and three times. Nothing is
blurred.

    make_icons.py ICO OUTDIR          write OUTDIR/<size>.png
    make_icons.py --check ICO OUTDIR  exit 1 when OUTDIR differs from that

Needs Pillow (Debian: python3-pil); exits 77 without it.
"""
import sys

try:
    from PIL import Image
except ImportError:
    print("Pillow is not installed", file=sys.stderr)
    sys.exit(77)

SIZES = (16, 32, 48, 64, 128, 256)

# The 16x16 drawing: G grass, W white line, S the shade below and right of
# the outline, as in the large icon.
SMALL = """
GGGGGGGGGGGGGGGG
GWWWWWWWWWWWWWWG
GWGGGGGWWGGGGGWS
GWGGGGGWWGGGGGWS
GWGGGGWWWWGGGGWS
GWGGGWGWWGWGGGWS
GWGGWGGWWGGWGGWS
GWGGWGGWWGGWGGWS
GWGGWGGWWGGWGGWS
GWGGWGGWWGGWGGWS
GWGGGWGWWGWGGGWS
GWGGGGWWWWGGGGWS
GWGGGGGWWGGGGGWS
GWGGGGGWWGGGGGWS
GWWWWWWWWWWWWWWS
GSSSSSSSSSSSSSSG
"""


def small_icon(large):
    # The colours are the large icon's: its corner grass, its lines, and the
    # shade it draws beside them.
    grass = large.getpixel((0, 0))
    white = large.getpixel((2, 2))
    shade = large.getpixel((30, 30))
    colours = {"G": grass, "W": white, "S": shade}
    rows = SMALL.split()
    assert len(rows) == 16 and all(len(r) == 16 for r in rows)
    im = Image.new("RGBA", (16, 16))
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            im.putpixel((x, y), colours[c])
    return im


def icons(ico_path):
    with Image.open(ico_path) as ico:
        ico.size = (32, 32)
        large = ico.convert("RGBA")
    assert large.size == (32, 32), large.size
    small = small_icon(large)
    out = {}
    for size in SIZES:
        base = small if size % 32 else large
        out[size] = base.resize((size, size), Image.NEAREST)
    return out


def main(argv):
    check = argv[1:2] == ["--check"]
    args = argv[2:] if check else argv[1:]
    if len(args) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    ico_path, out_dir = args
    differ = []
    for size, im in icons(ico_path).items():
        path = f"{out_dir}/{size}.png"
        if check:
            try:
                with Image.open(path) as kept:
                    same = kept.size == im.size and list(kept.convert("RGBA").getdata()) == list(im.getdata())
            except OSError:
                same = False
            if not same:
                differ.append(path)
        else:
            im.save(path, optimize=True)
    for path in differ:
        print(f"{path} is not what {argv[0]} draws from {ico_path}", file=sys.stderr)
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
