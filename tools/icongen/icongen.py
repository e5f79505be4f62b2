#!/usr/bin/env python3
"""Draws the program's two small pictures: the source list's video-file image
(a film frame, 20 x 18, kept in frmMain.frm as ImgListIcon's Bitmap) and the
program icon (a disc with a play button; 16, 32 and 48 pixels, 32-bit, kept
as resources/icons/MAINICON.ico).

  icongen.py hex         prints the image list's "Bitmap = {...}" block
  icongen.py ico FILE    writes the program icon
  icongen.py update      rewrites both in the source tree
  icongen.py check       exit status 1 when the tree differs from what is drawn

Plain Python without packages, so the output is the same wherever it runs.
"""

import math
import os
import re
import struct
import sys

SUB = 8  # samples per pixel along each axis


# ---- Drawing -----------------------------------------------------------------------
# A picture is a list of layers painted in order; each layer is a shape (a test
# for a point) with a paint (a colour for a point), or a cut that clears what is
# under it. Coverage comes from SUB x SUB samples in every pixel.

def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        s1, s2, s3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)
    return inside


def mix(c0, c1, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def solid(c):
    return lambda x, y: c


def linear(x0, y0, c0, x1, y1, c1):
    dx, dy = x1 - x0, y1 - y0
    d2 = dx * dx + dy * dy
    return lambda x, y: mix(c0, c1, ((x - x0) * dx + (y - y0) * dy) / d2)


def rgb(h):
    return tuple(int(h[i:i + 2], 16) for i in (0, 2, 4))


def render(w, h, layers):
    """Rows from the top of (r, g, b, a), colours not premultiplied."""
    rows = []
    n = SUB * SUB
    for py in range(h):
        row = []
        for px in range(w):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied sums
            for sy in range(SUB):
                for sx in range(SUB):
                    x = px + (sx + 0.5) / SUB
                    y = py + (sy + 0.5) / SUB
                    r = g = b = a = 0.0
                    for kind, shape, paint in layers:
                        if not shape(x, y):
                            continue
                        if kind == 'cut':
                            r = g = b = a = 0.0
                        else:
                            c = paint(x, y)
                            r, g, b, a = c[0], c[1], c[2], 1.0
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / n
            if alpha > 0:
                col = tuple(int(round(acc[i] / acc[3])) for i in range(3))
            else:
                col = (0, 0, 0)
            row.append(col + (int(round(alpha * 255)),))
        rows.append(row)
    return rows


# ---- The pictures ------------------------------------------------------------------

def film_frame():
    """The source list's picture: a strip of film with one frame and a play mark.
    The list keeps only opaque or clear pixels, so the edges are decided here."""
    w, h = 20, 18
    layers = [
        ('paint', rounded_rect(1, 1, 19, 17, 2.0), linear(0, 1, rgb('4b5563'), 0, 17, rgb('1f242b'))),
    ]
    for x in (3, 7, 11, 15):  # sprocket holes along both edges
        layers.append(('cut', rect(x, 2, x + 2, 4), None))
        layers.append(('cut', rect(x, 14, x + 2, 16), None))
    layers += [
        ('paint', rect(3, 5, 17, 13), linear(0, 5, rgb('8fd3ff'), 0, 13, rgb('2a6fd1'))),
        ('paint', triangle((8.0, 6.0), (8.0, 12.0), (13.0, 9.0)), solid(rgb('ffffff'))),
    ]
    rows = render(w, h, layers)
    return [[(r, g, b, 255 if a >= 128 else 0) for r, g, b, a in row] for row in rows]


def disc_icon(size):
    """The program icon: a silver-blue disc with a hole and an orange play button."""
    s = float(size)
    c = s / 2

    def disc_paint(x, y):
        # Light that turns with the angle, as on a disc's surface.
        ang = math.atan2(y - c, x - c)
        t = 0.5 + 0.5 * math.cos(2 * ang + 0.6)
        base = mix(rgb('dfe8f4'), rgb('7f9cc4'), ((x + y) / (2 * s)))
        return mix(base, rgb('ffffff'), 0.45 * t * t)

    # The play button; larger on the smallest icon, where it would be lost.
    f = 0.34 if size < 24 else 0.28
    bx = by = s - f * s - 0.03 * s
    br = f * s
    tri = triangle((bx - 0.34 * br, by - 0.5 * br), (bx - 0.34 * br, by + 0.5 * br), (bx + 0.56 * br, by))
    layers = [
        ('paint', circle(c, c, 0.47 * s), solid(rgb('4a6690'))),
        ('paint', circle(c, c, 0.47 * s - max(1.0, s / 32)), disc_paint),
        ('paint', ring(c, c, 0.15 * s, 0.18 * s), solid(rgb('9fb3cf'))),
        ('paint', circle(c, c, 0.15 * s), solid(rgb('f4f7fb'))),
        ('cut', circle(c, c, 0.065 * s), None),
        ('paint', circle(bx, by, br), solid(rgb('ffffff'))),
        ('paint', circle(bx, by, br - max(0.8, s / 28)),
         linear(bx, by - br, rgb('ffb347'), bx, by + br, rgb('e0560b'))),
        ('paint', tri, solid(rgb('ffffff'))),
    ]
    return render(size, size, layers)


# ---- Files -------------------------------------------------------------------------

def bgra_bottom_up(rows):
    out = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            out += bytes((b, g, r, a))
    return bytes(out)


def bmp_file(rows):
    h, w = len(rows), len(rows[0])
    bits = bgra_bottom_up(rows)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 32, 0, len(bits), 3780, 3780, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    return head + info + bits


def ico_image(rows):
    h, w = len(rows), len(rows[0])
    bits = bgra_bottom_up(rows)
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):  # 1 where the icon is clear
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 32, 0, len(bits) + len(mask), 0, 0, 0, 0)
    return info + bits + bytes(mask)


def ico_file(images):
    head = struct.pack('<HHH', 0, 1, len(images))
    entries, data = b'', b''
    offset = 6 + 16 * len(images)
    for rows in images:
        img = ico_image(rows)
        w, h = len(rows[0]), len(rows)
        entries += struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32, len(img), offset + len(data))
        data += img
    return head + entries + data


def program_icon():
    return ico_file([disc_icon(16), disc_icon(32), disc_icon(48)])


def hex_block(data, indent='      '):
    hx = data.hex().upper()
    lines = [indent + hx[i:i + 64] for i in range(0, len(hx), 64)]
    return '    Bitmap = {\n' + '\n'.join(lines) + '}\n'


# ---- The source tree ---------------------------------------------------------------

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
FORM = os.path.join(ROOT, 'resources', 'forms', 'frmMain.frm')
ICON = os.path.join(ROOT, 'resources', 'icons', 'MAINICON.ico')
IMAGE_LIST = re.compile(r'(  object ImgListIcon: TImageList\n)(.*?)(  end\n)', re.S)


def form_with_bitmap(text, block):
    m = IMAGE_LIST.search(text)
    if not m:
        raise SystemExit('ImgListIcon is not in ' + FORM)
    body = re.sub(r'    Bitmap = \{.*?\}\n', '', m.group(2), flags=re.S) + block
    return text[:m.start(2)] + body + text[m.end(2):]


def main(argv):
    cmd = argv[1] if len(argv) > 1 else 'hex'
    if cmd == 'hex':
        sys.stdout.write(hex_block(bmp_file(film_frame())))
    elif cmd == 'ico' and len(argv) == 3:
        with open(argv[2], 'wb') as f:
            f.write(program_icon())
    elif cmd in ('update', 'check'):
        # Form files keep CRLF or LF as they were written; keep the file's own.
        with open(FORM, 'rb') as f:
            raw = f.read().decode('utf-8')
        crlf = '\r\n' in raw
        text = raw.replace('\r\n', '\n')
        new_text = form_with_bitmap(text, hex_block(bmp_file(film_frame())))
        if crlf:
            new_text = new_text.replace('\n', '\r\n')
        icon = program_icon()
        if cmd == 'update':
            with open(FORM, 'wb') as f:
                f.write(new_text.encode('utf-8'))
            os.makedirs(os.path.dirname(ICON), exist_ok=True)
            with open(ICON, 'wb') as f:
                f.write(icon)
        else:
            old_icon = open(ICON, 'rb').read() if os.path.exists(ICON) else b''
            if new_text != raw or old_icon != icon:
                print('the pictures in the tree are not the ones drawn here')
                return 1
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
