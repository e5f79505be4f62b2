#!/usr/bin/env python3
"""Draws the program's small pictures: the source list's video-file image
(a film frame, 20 x 18, kept in frmMain.frm as ImgListIcon's Bitmap), the
program icon (a disc with a play button; 16, 32 and 48 pixels, 32-bit, kept
as resources/icons/MAINICON.ico), the two hand cursors of the animated
picture control (32 x 32 monochrome, resources/cursors/AG_HANDCUR.cur and
AG_DRAGCUR.cur) and the folder picker's namespace icons (16 and 32 pixels,
resources/icons/NS_*.ico).

  icongen.py hex         prints the image list's "Bitmap = {...}" block
  icongen.py ico FILE    writes the program icon
  icongen.py update      rewrites all of them in the source tree
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


# ---- Cursors -----------------------------------------------------------------------

def hand_shapes(grasp):
    """A right hand seen from the back. Pointing: the index finger stretched to
    the left at mid height, its tip at (6, 16). Grasping: the fingers curled
    into a fist around (15, 16)."""
    palm = rounded_rect(14, 10, 27, 24, 3.0)
    cuff = rect(26, 12, 30, 22)
    if grasp:
        knuckles = [rounded_rect(9, 11 + 3.4 * i, 17, 14.6 + 3.4 * i, 1.6) for i in range(4)]
        thumb = rounded_rect(13, 21, 22, 25, 1.8)
        return [palm, cuff, thumb] + knuckles
    finger = rounded_rect(5, 14, 18, 18, 2.0)
    curled = [rounded_rect(12, 18 + 2.6 * i, 17, 20.8 + 2.6 * i, 1.3) for i in range(2)]
    thumb = rounded_rect(15, 7, 20, 13, 2.0)
    return [palm, cuff, finger, thumb] + curled


def hand_mask(grasp):
    shapes = hand_shapes(grasp)
    layers = [('paint', sh, solid((255, 255, 255))) for sh in shapes]
    rows = render(32, 32, layers)
    inside = [[a >= 128 for (_, _, _, a) in row] for row in rows]
    # Each shape's own outline, so the fingers stay apart on the palm.
    edge = [[False] * 32 for _ in range(32)]
    for sh in shapes:
        cov = render(32, 32, [('paint', sh, solid((0, 0, 0)))])
        mine = [[a >= 128 for (_, _, _, a) in row] for row in cov]
        for y in range(32):
            for x in range(32):
                if not mine[y][x]:
                    continue
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    nx, ny = x + dx, y + dy
                    if not (0 <= nx < 32 and 0 <= ny < 32) or not mine[ny][nx]:
                        edge[y][x] = True
    # 'w' white, 'k' black, None clear.
    return [[('k' if edge[y][x] else 'w') if inside[y][x] else None for x in range(32)] for y in range(32)]


def cur_file(pixels, hot):
    """A one-image monochrome cursor: XOR bits (black 0, white 1) and AND mask."""
    h, w = len(pixels), len(pixels[0])
    stride = ((w + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(pixels):
        xl, ml = bytearray(stride), bytearray(stride)
        for x, p in enumerate(row):
            if p is None:
                ml[x // 8] |= 0x80 >> (x % 8)
            elif p == 'w':
                xl[x // 8] |= 0x80 >> (x % 8)
        xor += xl
        mask += ml
    info = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    image = info + bytes((0, 0, 0, 0, 255, 255, 255, 0)) + bytes(xor) + bytes(mask)
    head = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', w % 256, h % 256, 2, 0, hot[0], hot[1], len(image), 6 + 16)
    return head + entry + image


CURSORS = {'AG_HANDCUR': (False, (6, 16)), 'AG_DRAGCUR': (True, (15, 16))}


def cursor_files():
    return {name: cur_file(hand_mask(grasp), hot) for name, (grasp, hot) in CURSORS.items()}


# ---- Namespace icons ---------------------------------------------------------------

def folder_layers(s, front='f2c25a', back='d9a235'):
    k = s / 32.0
    return [
        ('paint', rounded_rect(2 * k, 6 * k, 14 * k, 11 * k, 1.5 * k), solid(rgb(back))),
        ('paint', rounded_rect(2 * k, 8 * k, 30 * k, 27 * k, 2 * k), solid(rgb(back))),
        ('paint', rounded_rect(2 * k, 11 * k, 30 * k, 27 * k, 2 * k),
         linear(0, 11 * k, rgb(front), 0, 27 * k, rgb(back))),
    ]


def emblem(kind, s):
    """A small white sign on a folder's front, telling the folder's kind."""
    k = s / 32.0
    w = solid(rgb('ffffff'))
    cx, cy = 16 * k, 19 * k
    if kind == 'documents':
        return [('paint', rect(10 * k, (14 + 3 * i) * k, 22 * k, (15.5 + 3 * i) * k), w) for i in range(4)]
    if kind == 'download':
        return [('paint', rect(14.5 * k, 13 * k, 17.5 * k, 19 * k), w),
                ('paint', triangle((10 * k, 18 * k), (22 * k, 18 * k), (16 * k, 24 * k)), w)]
    if kind == 'music':
        return [('paint', circle(13 * k, 22 * k, 2.6 * k), w), ('paint', rect(14.4 * k, 13 * k, 16 * k, 22 * k), w),
                ('paint', triangle((14.4 * k, 13 * k), (21 * k, 15 * k), (14.4 * k, 17 * k)), w)]
    if kind == 'pictures':
        return [('paint', triangle((9 * k, 24 * k), (15 * k, 15 * k), (21 * k, 24 * k)), w),
                ('paint', triangle((16 * k, 24 * k), (20 * k, 18 * k), (24 * k, 24 * k)), w),
                ('paint', circle(21 * k, 14 * k, 1.8 * k), w)]
    if kind == 'videos':
        return [('paint', triangle((12 * k, 13 * k), (12 * k, 25 * k), (22 * k, 19 * k)), w)]
    if kind == 'desktop':
        return [('paint', rect(9 * k, 13 * k, 23 * k, 22 * k), w), ('paint', rect(14 * k, 22 * k, 18 * k, 25 * k), w)]
    if kind == 'templates':
        return [('paint', rect(11 * k, 13 * k, 21 * k, 25 * k), w),
                ('cut', rect(12.5 * k, 14.5 * k, 19.5 * k, 23.5 * k), None),
                ('paint', rect(12.5 * k, 14.5 * k, 19.5 * k, 23.5 * k), solid(rgb('e8b24a')))]
    if kind == 'public':
        return [('paint', circle(cx, 15 * k, 2.8 * k), w),
                ('paint', rounded_rect(10.5 * k, 19 * k, 21.5 * k, 25 * k, 3 * k), w)]
    return []


def drive_layers(s, face='9aa5b1', light='3ad16b'):
    k = s / 32.0
    return [
        ('paint', rounded_rect(2 * k, 10 * k, 30 * k, 24 * k, 2.5 * k), solid(rgb('4b5563'))),
        ('paint', rounded_rect(3 * k, 11 * k, 29 * k, 23 * k, 2 * k),
         linear(0, 11 * k, rgb('e5e9ee'), 0, 23 * k, rgb(face))),
        ('paint', rect(5 * k, 18 * k, 20 * k, 19.5 * k), solid(rgb('6b7280'))),
        ('paint', circle(25 * k, 18.5 * k, 1.6 * k), solid(rgb(light))),
    ]


def namespace_icon(name, s):
    k = s / 32.0
    if name == 'NS_FOLDER':
        layers = folder_layers(s)
    elif name.startswith('NS_FOLDER_'):
        layers = folder_layers(s) + emblem(name[len('NS_FOLDER_'):].lower(), s)
    elif name == 'NS_FILE':
        layers = [
            ('paint', triangle((7 * k, 2 * k), (25 * k, 30 * k), (7 * k, 30 * k)), solid(rgb('8a94a3'))),
            ('paint', rect(6 * k, 2 * k, 20 * k, 30 * k), solid(rgb('8a94a3'))),
            ('paint', triangle((19 * k, 2 * k), (26 * k, 9 * k), (19 * k, 9 * k)), solid(rgb('8a94a3'))),
            ('paint', rect(19 * k, 9 * k, 26 * k, 30 * k), solid(rgb('8a94a3'))),
            ('paint', rect(7 * k, 3 * k, 19 * k, 29 * k), solid(rgb('ffffff'))),
            ('paint', rect(19 * k, 10 * k, 25 * k, 29 * k), solid(rgb('ffffff'))),
            ('paint', triangle((19 * k, 3 * k), (25 * k, 9 * k), (19 * k, 9 * k)), solid(rgb('dfe3e8'))),
        ]
    elif name == 'NS_HOME':
        layers = [
            ('paint', triangle((2 * k, 16 * k), (16 * k, 3 * k), (30 * k, 16 * k)), solid(rgb('c2412d'))),
            ('paint', rect(6 * k, 15 * k, 26 * k, 29 * k), solid(rgb('f1e4c8'))),
            ('paint', rect(13 * k, 19 * k, 19 * k, 29 * k), solid(rgb('7c4a23'))),
        ]
    elif name in ('NS_DESKTOP', 'NS_COMPUTER'):
        layers = [
            ('paint', rounded_rect(2 * k, 4 * k, 30 * k, 23 * k, 2 * k), solid(rgb('374151'))),
            ('paint', rect(4 * k, 6 * k, 28 * k, 21 * k),
             linear(0, 6 * k, rgb('7cc4f2'), 0, 21 * k, rgb('2563c9'))),
            ('paint', rect(13 * k, 23 * k, 19 * k, 27 * k), solid(rgb('6b7280'))),
            ('paint', rounded_rect(8 * k, 27 * k, 24 * k, 30 * k, 1 * k), solid(rgb('4b5563'))),
        ]
        if name == 'NS_DESKTOP':  # a few icons on the screen
            for i in range(3):
                layers.append(('paint', rect(6 * k, (8 + 4 * i) * k, 9 * k, (10.5 + 4 * i) * k),
                               solid(rgb('ffffff'))))
    elif name == 'NS_ROOT':
        layers = drive_layers(s, face='b8c0ca', light='f59e0b') + [
            ('paint', triangle((11 * k, 16.5 * k), (13 * k, 16.5 * k), (9 * k, 12.5 * k)), solid(rgb('1f2937')))]
    elif name == 'NS_VOLUME':
        layers = drive_layers(s)
    elif name == 'NS_REMOVABLE':
        layers = [
            ('paint', rect(20 * k, 12 * k, 29 * k, 20 * k), solid(rgb('9ca3af'))),
            ('paint', rect(22 * k, 14 * k, 24 * k, 16 * k), solid(rgb('374151'))),
            ('paint', rect(25 * k, 14 * k, 27 * k, 16 * k), solid(rgb('374151'))),
            ('paint', rounded_rect(3 * k, 10 * k, 21 * k, 22 * k, 2.5 * k),
             linear(0, 10 * k, rgb('5b8def'), 0, 22 * k, rgb('1d4ed8'))),
        ]
    elif name == 'NS_OPTICAL':
        layers = [
            ('paint', circle(16 * k, 16 * k, 14 * k), solid(rgb('6b7f99'))),
            ('paint', circle(16 * k, 16 * k, 13 * k - 0.5),
             linear(2 * k, 2 * k, rgb('f8fafc'), 30 * k, 30 * k, rgb('a5b4c8'))),
            ('paint', ring(16 * k, 16 * k, 4 * k, 5 * k), solid(rgb('94a3b8'))),
            ('cut', circle(16 * k, 16 * k, 2 * k), None),
        ]
    else:
        raise SystemExit('no picture for ' + name)
    return render(s, s, layers)


NAMESPACE_ICONS = ['NS_DESKTOP', 'NS_COMPUTER', 'NS_ROOT', 'NS_VOLUME', 'NS_REMOVABLE', 'NS_OPTICAL', 'NS_FOLDER',
                   'NS_HOME', 'NS_FOLDER_DESKTOP', 'NS_FOLDER_DOWNLOAD', 'NS_FOLDER_TEMPLATES', 'NS_FOLDER_PUBLIC',
                   'NS_FOLDER_DOCUMENTS', 'NS_FOLDER_MUSIC', 'NS_FOLDER_PICTURES', 'NS_FOLDER_VIDEOS', 'NS_FILE']


def resource_files():
    """Every drawn file under resources/, by its path there."""
    files = {os.path.join('icons', 'MAINICON.ico'): program_icon()}
    for name, data in cursor_files().items():
        files[os.path.join('cursors', name + '.cur')] = data
    for name in NAMESPACE_ICONS:
        files[os.path.join('icons', name + '.ico')] = ico_file([namespace_icon(name, 16), namespace_icon(name, 32)])
    return files


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
        files = resource_files()
        if cmd == 'update':
            with open(FORM, 'wb') as f:
                f.write(new_text.encode('utf-8'))
            for rel, data in files.items():
                path = os.path.join(ROOT, 'resources', rel)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, 'wb') as f:
                    f.write(data)
        else:
            differ = new_text != raw
            for rel, data in files.items():
                path = os.path.join(ROOT, 'resources', rel)
                if not os.path.exists(path) or open(path, 'rb').read() != data:
                    print('differs: resources/' + rel)
                    differ = True
            if differ:
                print('the pictures in the tree are not the ones drawn here')
                return 1
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
