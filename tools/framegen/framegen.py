#!/usr/bin/env python3
"""Draws the thumbnail grid's four preset frames as PNG files in resources/frames
(FRAME0.png to FRAME3.png), at the sizes and pixel layouts the grid expects:

  0  162 x 159  a white card with rounded corners and a soft shadow  RGB with alpha
  1  112 x 100  a blue film strip with white perforations             RGB
  2  163 x 108  a spiral-bound notebook page, rings at the left       8-bit palette, transparency
  3  150 x 150  a bevelled metallic square frame                      8-bit palette

  framegen.py update   rewrites the files in the source tree
  framegen.py check    exit status 1 when the tree differs from what is drawn

Plain Python without packages, so the output is the same wherever it runs.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', '..', 'resources', 'frames')


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)


def png(width, height, color_type, rows, palette=None, trns=None):
    raw = b''.join(b'\x00' + bytes(r) for r in rows)
    out = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, color_type, 0, 0, 0))
    if palette is not None:
        out += chunk(b'PLTE', b''.join(bytes(c) for c in palette))
    if trns is not None:
        out += chunk(b'tRNS', bytes(trns))
    return out + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')


def rounded_depth(x, y, w, h, r):
    """Distance inside a rounded rectangle (0, 0)-(w, h), negative outside."""
    cx = min(max(x, r), w - r)
    cy = min(max(y, r), h - r)
    if (x, y) != (cx, cy) and (x < r or x > w - r) and (y < r or y > h - r):
        return r - math.hypot(x - cx, y - cy)
    return min(x, y, w - x, h - y)


def card():
    w, h, shadow = 162, 159, 7
    fw, fh = w - shadow, h - shadow
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            d = rounded_depth(x + 0.5, y + 0.5, fw, fh, 12)
            if d > 0:
                a = min(255, int(d * 255))
                g = 170 if d <= 1.5 else 255
                row += [g, g, g, a]
            else:
                s = rounded_depth(x + 0.5 - shadow, y + 0.5 - shadow, fw, fh, 12)
                a = int(max(0.0, min(1.0, s / shadow)) * 90) if s > 0 else 0
                row += [0, 0, 0, a]
        rows.append(row)
    return png(w, h, 6, rows)


def film():
    w, h = 112, 100
    blue, dark, white = (30, 60, 150), (15, 30, 90), (250, 250, 250)
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            c = blue
            if 13 <= x < 95 and 1 <= y < 98:
                c = dark
            for left in (3, 99):
                if left <= x < left + 8 and (y - 4) % 14 < 7 and 2 <= y < h - 2:
                    c = white
            row += list(c)
        rows.append(row)
    return png(w, h, 2, rows)


def notebook():
    w, h = 163, 108
    # 0 clear, 1 page, 2 line, 3 margin, 4 ring dark, 5 ring light, 6 page edge, 7 hole
    palette = [(255, 255, 255), (252, 252, 246), (190, 205, 235), (220, 90, 90), (90, 90, 100), (200, 200, 210),
               (150, 150, 150), (60, 60, 60)]
    trns = [0]
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            i = 0
            if 12 <= x < w - 1 and 1 <= y < h - 1:
                i = 1
                if x in (12, w - 2) or y in (1, h - 2):
                    i = 6
                elif x == 26:
                    i = 3
                elif (y - 6) % 10 == 0:
                    i = 2
            # rings every 12 pixels down the left edge, holes punched in the page
            cy = ((y - 6) // 12) * 12 + 12
            if 6 <= y < h - 6:
                if math.hypot(x - 18, y - cy) < 2.2:
                    i = 7
                d = math.hypot((x - 12) / 1.6, y - cy)
                if 3.2 <= d < 5.2 and x < 18:
                    i = 4 if d > 4.4 else 5
            row.append(i)
        rows.append(row)
    return png(w, h, 3, rows, palette, trns)


def metal():
    w = h = 150
    greys = [(v, v, v + 6 if v < 250 else v) for v in range(0, 256)]
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            edge = min(x, y, w - 1 - x, h - 1 - y)
            if edge >= 17:
                v = 40  # the opening, covered by the picture
            else:
                # light from the top left: upper and left faces bright, the others dark
                t = edge / 17.0
                shine = 60 * math.sin(t * math.pi)
                upper_left = (x < w - 1 - x and x <= y) or (y < h - 1 - y and y < x)
                v = int((200 if upper_left else 120) + shine + 20 * math.sin((x + y) / 9.0))
                if edge in (0, 16):
                    v = 70
            row.append(max(0, min(255, v)))
        rows.append(row)
    return png(w, h, 3, rows, greys)


FRAMES = {'FRAME0': card, 'FRAME1': film, 'FRAME2': notebook, 'FRAME3': metal}


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else 'check'
    differs = False
    for name, draw in FRAMES.items():
        data = draw()
        path = os.path.join(OUT, name + '.png')
        if mode == 'update':
            with open(path, 'wb') as f:
                f.write(data)
        else:
            try:
                with open(path, 'rb') as f:
                    differs |= f.read() != data
            except OSError:
                differs = True
    if mode == 'check' and differs:
        print('preset frames differ from what framegen.py draws')
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
