#!/usr/bin/env python3
# Makes the fuzz targets' seed folders from the conformance fixtures in ../io:
# each file cut at a quarter, half and 85 %, and with a header claiming
# 65535 x 65535 pixels; TIFF files also with their directory first and their
# image data cut at 60 %. Metadata seeds are blocks cut from JPEG files tagged by
# exiftool (EXIF, IPTC, ICC) and real profiles of the icc-profiles-free package.
# Needs ImageMagick's convert, exiftool and icc-profiles-free. Run from this folder.
import glob
import os
import shutil
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
IO = os.path.join(HERE, "..", "io")
ICC_DIR = "/usr/share/color/icc"


def out(folder, name, data):
    os.makedirs(os.path.join(HERE, folder), exist_ok=True)
    with open(os.path.join(HERE, folder, name), "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def cuts(folder, name, data, points=(25, 50, 85)):
    for p in points:
        out(folder, "%s-cut%d" % (name, p), data[: len(data) * p // 100])


# ---- huge headers -------------------------------------------------------------------
def huge_bmp(d):
    d = bytearray(d)
    if struct.unpack_from("<I", d, 14)[0] == 12:  # OS/2 core header: 16-bit sizes
        struct.pack_into("<HH", d, 18, 65535, 65535)
    else:
        struct.pack_into("<ii", d, 18, 65535, 65535)
    return bytes(d)


def huge_png(d):
    d = bytearray(d)
    struct.pack_into(">II", d, 16, 65535, 65535)
    struct.pack_into(">I", d, 29, zlib.crc32(bytes(d[12:29])))  # a correct CRC
    return bytes(d)


def huge_gif(d):
    d = bytearray(d)
    struct.pack_into("<HH", d, 6, 65535, 65535)
    i = 13 + (3 << ((d[10] & 7) + 1) if d[10] & 0x80 else 0)
    while i < len(d) and d[i] == 0x21:  # extensions up to the first image
        i += 2
        while i < len(d) and d[i]:
            i += d[i] + 1
        i += 1
    if i + 9 <= len(d) and d[i] == 0x2C:
        struct.pack_into("<HH", d, i + 5, 65535, 65535)
    return bytes(d)


def huge_jpeg(d):
    d = bytearray(d)
    i = 2
    while i + 9 < len(d) and d[i] == 0xFF:
        m = d[i + 1]
        if 0xC0 <= m <= 0xCF and m not in (0xC4, 0xC8, 0xCC):
            struct.pack_into(">HH", d, i + 5, 65535, 65535)
            break
        i += 2 + struct.unpack_from(">H", d, i + 2)[0]
    return bytes(d)


class Tiff:
    """The first directory of a classic TIFF: its entries and where their values lie."""

    UNIT = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 6: 1, 7: 1, 8: 2, 9: 4, 10: 8, 11: 4, 12: 8}

    def __init__(self, d):
        self.e = "<" if d[:2] == b"II" else ">"
        self.d = bytearray(d)
        self.ifd = self.get("I", 4)

    def get(self, f, at):
        return struct.unpack_from(self.e + f, self.d, at)[0]

    def put(self, f, at, v):
        struct.pack_into(self.e + f, self.d, at, v)

    def entries(self):
        n = self.get("H", self.ifd)
        for k in range(n):
            at = self.ifd + 2 + 12 * k
            tag, typ, count = self.get("H", at), self.get("H", at + 2), self.get("I", at + 4)
            size = self.UNIT.get(typ, 1) * count
            yield at, tag, typ, count, size


def huge_tiff(d):
    t = Tiff(d)
    for at, tag, typ, count, size in t.entries():
        if tag in (256, 257) and count == 1:
            t.put("H" if typ == 3 else "I", at + 8, 65535)
    return bytes(t.d)


def directory_first(d):
    """The directory (written last) and its values moved in front of the image data;
    answers the file and where its image data starts."""
    t = Tiff(d)
    region = len(d) - t.ifd
    n = bytearray(d[:8]) + d[t.ifd:] + d[8:t.ifd]
    m = Tiff(bytes(n[:4]) + struct.pack(t.e + "I", 8) + bytes(n[8:]))
    for at, tag, typ, count, size in m.entries():
        where = at + 8
        if size > 4:
            m.put("I", where, m.get("I", where) - t.ifd + 8)
            where = m.get("I", where)
        if tag in (273, 324, 513):
            f = "H" if typ == 3 else "I"
            for k in range(count):
                p = where + Tiff.UNIT[typ] * k
                m.put(f, p, m.get(f, p) + region)
    return bytes(m.d), 8 + region


def huge_pcx(d):
    d = bytearray(d)
    struct.pack_into("<HHHH", d, 4, 0, 0, 65534, 65534)
    return bytes(d)


def huge_tga(d):
    d = bytearray(d)
    struct.pack_into("<HH", d, 12, 65535, 65535)
    return bytes(d)


def huge_pnm(d):
    # The first two numbers after the magic number are the width and height.
    import re
    m = re.match(rb"(P[1-6](?:\s|#[^\n]*\n)+)(\d+)(\s+(?:#[^\n]*\n\s*)*)(\d+)", d)
    return d[:m.start(2)] + b"65535" + m.group(3) + b"65535" + d[m.end(4):] if m else d


def fixtures(pattern):
    return sorted(p for p in glob.glob(os.path.join(IO, pattern)) if not p.endswith(".rgba"))


def image_seeds():
    kinds = [("bmp", "*.bmp", huge_bmp), ("png", "*.png", huge_png), ("jpeg", "*.jpg", huge_jpeg),
             ("gif", "*.gif", huge_gif), ("tiff", "*.tif", huge_tiff),
             ("pcx", "pcx*.pcx", huge_pcx), ("tga", "tga*.tga", huge_tga), ("pnm", "pnm*.p?m", huge_pnm),
             ("ico", "ico*.ico", None), ("dcx", "*.dcx", None), ("j2k", "j2k*.j*", None)]
    for folder, pattern, huge in kinds:
        for path in fixtures(pattern):
            name = os.path.basename(path)
            data = read(path)
            cuts(folder, name, data)
            if huge:
                out(folder, name + "-65535", huge(data))
            if folder == "tiff":
                moved, start = directory_first(data)
                out(folder, name + "-dirfirst", moved)
                out(folder, name + "-dirfirst-cut60", moved[: start + (len(moved) - start) * 60 // 100])


def dib_seeds(tmp):
    # Packed DIBs: BMP files without their 14-byte file header, 16-bit bit fields too.
    for path in fixtures("bmp*.bmp"):
        out("dib", os.path.basename(path)[:-4] + ".dib", read(path)[14:])
    for sub in ("RGB565", "RGB555", "ARGB4444"):
        f = os.path.join(tmp, sub + ".bmp")
        subprocess.run(["convert", "rose:", "-resize", "12x8!", "-define", "bmp:subtype=" + sub, f], check=True)
        data = read(f)[14:]
        out("dib", "bmp16-%s.dib" % sub.lower(), data)
        cuts("dib", "bmp16-%s.dib" % sub.lower(), data, (50,))


def segments(jpeg):
    """(marker, payload) of a JPEG's segments before its scan."""
    i = 2
    while i + 4 <= len(jpeg) and jpeg[i] == 0xFF and jpeg[i + 1] != 0xDA:
        n = struct.unpack_from(">H", jpeg, i + 2)[0]
        yield jpeg[i + 1], jpeg[i + 4:i + 2 + n]
        i += 2 + n


def metadata_seeds(tmp):
    base = os.path.join(tmp, "base.jpg")
    thumb = os.path.join(tmp, "thumb.jpg")
    subprocess.run(["convert", "rose:", "-resize", "32x24!", "-quality", "85", base], check=True)
    subprocess.run(["convert", "rose:", "-resize", "16x12!", "-quality", "60", thumb], check=True)
    tags = {
        "le": ["-ExifByteOrder=II"],
        "be": ["-ExifByteOrder=MM"],
    }
    for order, extra in tags.items():
        f = os.path.join(tmp, "tagged-%s.jpg" % order)
        shutil.copy(base, f)
        subprocess.run(["exiftool", "-q", "-overwrite_original"] + extra + [
            "-Make=Camera Maker", "-Model=Model 7", "-Orientation#=6", "-XResolution=300", "-YResolution=300",
            "-ResolutionUnit=inches", "-DateTimeOriginal=2024:05:06 07:08:09", "-ExposureTime=1/125",
            "-FNumber=4.5", "-ISO=200", "-FocalLength=35", "-Flash#=16", "-UserComment=a comment",
            "-ImageDescription=seed", "-Artist=someone", "-Copyright=none", "-GPSLatitude=48.85",
            "-GPSLatitudeRef=N", "-GPSLongitude=2.35", "-GPSLongitudeRef=E", "-GPSAltitude=35",
            "-ThumbnailImage<=" + thumb,
            "-IPTC:Keywords=first", "-IPTC:Keywords=second", "-IPTC:Caption-Abstract=a caption",
            "-IPTC:By-line=someone", "-IPTC:City=Paris", "-IPTC:ObjectName=seed",
            "-IPTC:DateCreated=2024:05:06", "-IPTC:Urgency=5",
            "-ICC_Profile<=" + os.path.join(ICC_DIR, "sRGB.icc"), f], check=True)
        jpeg = read(f)
        out("jpeg", "tagged-%s.jpg" % order, jpeg)
        for marker, payload in segments(jpeg):
            if marker == 0xE1 and payload.startswith(b"Exif\0\0"):
                out("exif", "app1-%s.bin" % order, payload)
                out("exif", "app1-%s-cut50.bin" % order, payload[: len(payload) // 2])
                out("exif", "tiff-%s.bin" % order, payload[6:])
            elif marker == 0xED and payload.startswith(b"Photoshop 3.0\0"):
                out("iptc", "app13-%s.bin" % order, payload)
                i = payload.find(b"\x1c")
                out("iptc", "records-%s.bin" % order, payload[i:])
                out("iptc", "records-%s-cut50.bin" % order, payload[i:i + (len(payload) - i) // 2])
            elif marker == 0xE2 and payload.startswith(b"ICC_PROFILE\0") and order == "le":
                out("icc", "from-jpeg-srgb.icc", payload[14:])
    for name in ("sRGB.icc", "compatibleWithAdobeRGB1998.icc", "Gray.icc", "Gray-CIE_L.icc", "LStar-RGB.icc",
                 "CineonLog_M.icc", "CineLogCurve.icc"):
        data = read(os.path.join(ICC_DIR, name))
        out("icc", name, data)
    out("icc", "sRGB.icc-cut50", read(os.path.join(ICC_DIR, "sRGB.icc"))[:3461])
    for name in ("srgb.icc", "gray22.icc", "lab.icc"):
        out("icc", "lcms-" + name, read(os.path.join(HERE, "..", "bitmaps", name)))


# ---- annotation blocks (TIFF tag 32932) ---------------------------------------------------
def annot_seeds():
    # No other program here writes them: they are laid out by the block format,
    # one per kind of mark, in the four-byte and eight-byte size variants.
    def i32(v):
        return struct.pack("<i", v)

    def named(kind, name, data, wide):
        return i32(kind) + i32(12 + (4 if wide else 0)) + name.ljust(8, b"\0")[:8] + \
            i32(len(data)) + (i32(0) if wide else b"") + data

    def mark(kind, left, top, right, bottom, font_height=0):
        a = bytearray(164)
        struct.pack_into("<iiiii", a, 0, kind, left, top, right, bottom)
        struct.pack_into("<i", a, 48, font_height)
        a[20:23] = b"\xff\x00\x00"
        return i32(5) + i32(164) + bytes(a)

    dib = read(os.path.join(IO, "bmp4.bmp"))[14:]
    for wide in (False, True):
        head = i32(0) + i32(0 if wide else 1)
        group = named(2, b"OiGroup", b"0\0", wide) + named(2, b"OiIndex", b"1\0", wide)
        points = i32(3) + i32(3) + i32(0) + i32(0) + i32(40) + i32(10) + i32(80) + i32(60)
        text = i32(0) + i32(1000) + i32(750) + i32(11) + b"a note here"
        image = i32(1) + i32(1000) + i32(96) * 4 + i32(0) * 2
        image = image.ljust(56, b"\0")
        blocks = {
            "line": mark(3, 10, 10, 90, 70) + named(6, b"OiAnoDat", points, wide),
            "freehand": mark(4, 0, 0, 80, 60) + named(6, b"OiAnoDat", points, wide),
            "text": mark(7, 5, 5, 120, 40, 12) + named(6, b"OiAnText", text, wide),
            "note": mark(10, 5, 5, 120, 40, 10) + named(6, b"OiAnText", text, wide),
            "image": mark(1, 0, 0, 24, 16) + named(6, b"OiAnoDat", image, wide) + named(6, b"OiDIB", dib, wide),
            "rect": mark(5, 1, 2, 30, 40),
        }
        size = "8" if wide else "4"
        for name, block in blocks.items():
            out("annot", "%s-%s.bin" % (name, size), head + group + block)
        every = head + group + b"".join(blocks.values())
        out("annot", "all-%s.bin" % size, every)
        out("annot", "all-%s-cut60.bin" % size, every[: len(every) * 60 // 100])


def main():
    for folder in ("bmp", "png", "jpeg", "gif", "tiff", "pcx", "tga", "pnm", "ico", "dcx", "j2k", "dib", "exif", "iptc",
                   "icc", "annot"):
        shutil.rmtree(os.path.join(HERE, folder), ignore_errors=True)
    image_seeds()
    with tempfile.TemporaryDirectory() as tmp:
        dib_seeds(tmp)
        metadata_seeds(tmp)
    annot_seeds()


if __name__ == "__main__":
    main()
