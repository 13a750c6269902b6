#!/usr/bin/env python3
"""Makes the two pictures carried inside the program.

  qr.jpg    the About window's QR code: 258 x 258 baseline JPEG, 3 colour
            components, no pixel density; 29 modules + 7 quiet modules each
            side = 43 modules of 6 pixels. Needs qrencode and ImageMagick.
  hand.cur  the hand pointer: one 32 x 32 monochrome cursor image, hot spot
            at the fingertip (5, 0).

The build turns both files into hexadecimal text (embed_hex.cmake); after
remaking them, update kQrImageBytes / kHandCursorBytes in
src/ui/about/embedded_assets.h (the build stops with a clear error otherwise).
Run from any folder: python3 assets/make_assets.py
"""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
QR_TEXT = "https://qinghesoft.cn/chart"
SIZE = 32
HOT_SPOT = (5, 0)


def make_qr(path):
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "qr.png")
        subprocess.run(["qrencode", "-l", "M", "-v", "3", "-s", "6", "-m", "7",
                        "-o", png, QR_TEXT], check=True)
        # -strip drops the density and profile chunks; TrueColor with 1x1
        # sampling keeps three full-resolution components and crisp modules.
        subprocess.run(["convert", png, "-strip", "-colorspace", "sRGB",
                        "-type", "TrueColor", "-sampling-factor", "1x1",
                        "-interlace", "none", "-units", "Undefined", "-density", "1x1",
                        "-quality", "92", path], check=True)


def hand_fill():
    """White (inside) pixels of the hand, as a set of (x, y)."""
    inside = set()

    def box(x0, y0, x1, y1):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                inside.add((x, y))

    box(4, 1, 6, 17)      # index finger, tip at the hot spot
    box(8, 8, 10, 17)     # middle finger
    box(12, 9, 14, 17)    # ring finger
    box(16, 11, 18, 17)   # little finger
    box(4, 15, 18, 24)    # palm
    box(5, 25, 17, 27)    # heel of the hand
    box(6, 28, 16, 29)    # wrist
    for step in range(5):  # thumb, slanting up and out to the left
        box(3 - min(step, 2), 15 + step, 3, 17 + step)
    inside.discard((4, 1))  # round the fingertip
    inside.discard((6, 1))
    return inside


def hand_pixels():
    """Rows of 'o' (white), 'X' (black outline) and '.' (transparent)."""
    inside = hand_fill()
    rows = []
    for y in range(SIZE):
        row = ""
        for x in range(SIZE):
            if (x, y) in inside:
                row += "o"
            elif any((x + dx, y + dy) in inside
                     for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                row += "X"
            else:
                row += "."
        rows.append(row)
    assert rows[HOT_SPOT[1]][HOT_SPOT[0]] == "X", "hot spot must be on the fingertip"
    return rows


def pack_rows(rows, bit_for):
    data = b""
    for row in reversed(rows):  # bottom-up, as in every BMP
        bits = 0
        for ch in row:
            bits = (bits << 1) | bit_for(ch)
        data += struct.pack(">I", bits)
    return data


def make_cursor(path):
    rows = hand_pixels()
    xor = pack_rows(rows, lambda ch: 1 if ch == "o" else 0)
    mask = pack_rows(rows, lambda ch: 1 if ch == "." else 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0,
                       len(xor) + len(mask), 0, 0, 2, 0)
    image = info + palette + xor + mask
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOT_SPOT[0], HOT_SPOT[1],
                        len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + image)
    return rows


if __name__ == "__main__":
    make_qr(os.path.join(HERE, "qr.jpg"))
    for row in make_cursor(os.path.join(HERE, "hand.cur")):
        print(row)
    for name in ("qr.jpg", "hand.cur"):
        print(name, os.path.getsize(os.path.join(HERE, name)), "bytes")
