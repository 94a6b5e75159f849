#!/usr/bin/env python3
"""Writes data/icon.xpm, the program's built-in 48 x 48 icon, and the same
picture as data/lumadrift.png for desktops' icon themes.

Yellow dots stand in rows like lines of text on black: dense and nearly as
wide as the icon at the bottom, sparser and narrower higher up, as if they
were flying away to the horizon. Just above the bottom lines sits a small
picture, 7 x 10 pixels, in greys, browns and dull blues: a framed landscape
with sky, a snowy ridge, a lake and the ground. Deterministic: the same file
every run.
"""
import random
import struct
import zlib
from pathlib import Path

SIZE = 48
BLACK, YELLOW = ".", "Z"
SYMBOLS = "#" + "abcdefghijklmnopqrstuvwxyz" + "ABCDEFGHIJKLMNOPQRSTUVWXY"


def write_png(path, pixels, colours):
    """An 8-bit RGB PNG of the pixel rows, colours named by their symbols."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + bytes(v for c in row for v in colours[c]) for row in pixels)
    header = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 2, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                     chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def palette():
    """The 52 colours besides black and yellow, each group dark to light."""
    colours = []
    for i in range(17):  # greys
        v = 0x30 + i * 0xc0 // 16
        colours.append((v, v, v))
    for i in range(18):  # browns
        t = i / 17
        colours.append((int(0x50 + 0x90 * t), int(0x30 + 0x70 * t), int(0x18 + 0x48 * t)))
    for i in range(17):  # dull blues
        t = i / 16
        colours.append((int(0x30 + 0x80 * t), int(0x40 + 0x88 * t), int(0x60 + 0x90 * t)))
    return dict(zip(SYMBOLS, colours))


def text_rows(pixels, rnd):
    """Lines of dots, from the bottom up, each narrower and sparser."""
    y, line = SIZE - 1, 0
    while y > 2:
        width = max(4, int(46 * (0.86 ** line)))
        density = max(0.2, 0.8 * (0.87 ** line))
        height = 2 if line < 2 else 1
        left = (SIZE - width) // 2
        for row in range(y - height + 1, y + 1):
            for x in range(left, left + width):
                if rnd.random() < density:
                    pixels[row][x] = YELLOW
        gap = 1 if line < 3 else 2
        y -= height + gap
        if line == 1:
            y -= 11  # room for the picture above the bottom lines
        line += 1


def picture(pixels):
    """A framed landscape: sky with a cloud, snowy ridge, a lake, the ground.

    Each colour is an index into its group (0 darkest). Between them the
    frame and the scene use every grey, brown and blue at least once.
    """
    greys, browns, blues = SYMBOLS[:17], SYMBOLS[17:35], SYMBOLS[35:]

    def g(*i): return [greys[k] for k in i]
    def n(*i): return [browns[k] for k in i]
    def b(*i): return [blues[k] for k in i]

    scene = [                      # 5 x 8 inside the frame, top to bottom
        b(4, 5, 6, 7, 8),          # sky, dark overhead
        b(9, 10) + g(15, 16) + b(11),  # a small cloud
        b(12, 13, 14, 15, 16),     # pale toward the horizon
        g(12, 14, 11, 13, 10),     # snow on the ridge
        g(9, 8, 7, 6, 5),          # mountain side
        b(3, 2, 1, 0, 2),          # lake
        g(4, 3, 2, 1, 0),          # shore
        n(5, 4, 6, 3, 5),          # earth
    ]
    width, height = 7, 10
    left, top = (SIZE - width) // 2, SIZE - 6 - height
    # Wooden frame, lit from the top left.
    for x in range(width):
        pixels[top][left + x] = browns[17 - x]
        pixels[top + height - 1][left + x] = browns[x // 3]
    for y in range(1, height - 1):
        pixels[top + y][left] = browns[11 - y]
        pixels[top + y][left + width - 1] = browns[10 - y]
    for y, row in enumerate(scene):
        for x, symbol in enumerate(row):
            pixels[top + 1 + y][left + 1 + x] = symbol


def main():
    rnd = random.Random(1995)
    pixels = [[BLACK] * SIZE for _ in range(SIZE)]
    text_rows(pixels, rnd)
    picture(pixels)
    colours = palette()
    lines = ["/* XPM */", "static const char *icon_xpm[] = {", f'"{SIZE} {SIZE} 54 1",',
             f'"{BLACK} c #000000",', f'"{YELLOW} c #f8fc00",']
    lines += [f'"{s} c #{r:02x}{g:02x}{b:02x}",' for s, (r, g, b) in colours.items()]
    lines += [f'"{"".join(row)}",' for row in pixels]
    lines[-1] = lines[-1].rstrip(",")
    lines.append("};")
    data = Path(__file__).resolve().parent.parent / "data"
    (data / "icon.xpm").write_text("\n".join(lines) + "\n")
    write_png(data / "lumadrift.png", pixels,
              {BLACK: (0, 0, 0), YELLOW: (0xf8, 0xfc, 0x00), **colours})
    used = {c for row in pixels for c in row}
    missing = set(SYMBOLS) | {BLACK, YELLOW}
    missing -= used
    if missing:
        raise SystemExit(f"colours never used: {''.join(sorted(missing))}")


if __name__ == "__main__":
    main()
