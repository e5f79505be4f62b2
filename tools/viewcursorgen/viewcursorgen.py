#!/usr/bin/env python3
"""Draws the cursors the single-image view shows (32 x 32 monochrome .cur files in
resources/cursors, looked up by name when a view is made): the grasping hand for
scrolling, the default and selection crosses with their adding variants, the four
resize arrows and the move arrows.

  viewcursorgen.py update   rewrites the cursor files in the source tree
  viewcursorgen.py check    exit status 1 when the tree differs from what is drawn

Plain Python without packages; the hand and the file layout come from icongen.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'icongen'))
import icongen  # noqa: E402

N = 32


def blank():
    return [[False] * N for _ in range(N)]


def put(ink, x, y):
    if 0 <= x < N and 0 <= y < N:
        ink[y][x] = True


def line(ink, x0, y0, x1, y1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        put(ink, round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps))


def head(ink, x, y, dx, dy, size=4):
    """An arrow head with its tip at (x, y) pointing along (dx, dy): a filled
    triangle along an axis, two legs on a diagonal."""
    if dx and dy:
        for k in range(size + 2):
            put(ink, x - dx * k, y)
            put(ink, x, y - dy * k)
        return
    for k in range(size + 1):
        for s in range(-k, k + 1):
            put(ink, x - dx * k - dy * s, y - dy * k + dx * s)


def arrow(ink, x0, y0, x1, y1):
    """A double-headed arrow from (x0, y0) to (x1, y1)."""
    line(ink, x0, y0, x1, y1)
    sx = (x1 > x0) - (x1 < x0)
    sy = (y1 > y0) - (y1 < y0)
    head(ink, x1, y1, sx, sy)
    head(ink, x0, y0, -sx, -sy)


def cross(ink, cx=15, cy=15, r=10):
    line(ink, cx - r, cy, cx - 2, cy)
    line(ink, cx + 2, cy, cx + r, cy)
    line(ink, cx, cy - r, cx, cy - 2)
    line(ink, cx, cy + 2, cx, cy + r)
    put(ink, cx, cy)


def plus(ink):
    line(ink, 3, 27, 9, 27)
    line(ink, 6, 24, 6, 30)


def frame(ink):
    for x in range(20, 29, 2):
        put(ink, x, 20)
        put(ink, x, 26)
    for y in range(20, 27, 2):
        put(ink, 20, y)
        put(ink, 28, y)


def outlined(ink):
    """Black ink with a white edge around it, clear elsewhere."""
    rows = []
    for y in range(N):
        row = []
        for x in range(N):
            if ink[y][x]:
                row.append('k')
            elif any(0 <= x + dx < N and 0 <= y + dy < N and ink[y + dy][x + dx]
                     for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                row.append('w')
            else:
                row.append(None)
        rows.append(row)
    return rows


def drawn(*parts):
    ink = blank()
    for p in parts:
        p(ink)
    return outlined(ink)


CURSORS = {
    # name: (pixels, hot spot)
    'CROCE3': (lambda: drawn(cross), (15, 15)),
    'CROCE3+': (lambda: drawn(cross, plus), (15, 15)),
    'CROCE2': (lambda: drawn(cross, frame), (15, 15)),
    'CROCE2+': (lambda: drawn(cross, frame, plus), (15, 15)),
    'MOVE2': (lambda: drawn(lambda i: arrow(i, 7, 7, 23, 23)), (15, 15)),
    'MOVEY': (lambda: drawn(lambda i: arrow(i, 15, 4, 15, 26)), (15, 15)),
    'MOVE1': (lambda: drawn(lambda i: arrow(i, 23, 7, 7, 23)), (15, 15)),
    'MOVEX': (lambda: drawn(lambda i: arrow(i, 4, 15, 26, 15)), (15, 15)),
    'MOVE': (lambda: drawn(lambda i: arrow(i, 15, 3, 15, 27), lambda i: arrow(i, 3, 15, 27, 15)), (15, 15)),
    'MANO': (lambda: icongen.hand_mask(True), (15, 16)),
}


def files():
    return {name: icongen.cur_file(draw(), hot) for name, (draw, hot) in CURSORS.items()}


def main():
    out = os.path.join(HERE, '..', '..', 'resources', 'cursors')
    mode = sys.argv[1] if len(sys.argv) > 1 else 'check'
    differs = False
    for name, data in files().items():
        path = os.path.join(out, name + '.cur')
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
        print('view cursors differ from what viewcursorgen.py draws')
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
