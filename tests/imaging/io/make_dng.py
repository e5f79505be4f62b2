#!/usr/bin/python3
"""Writes a small DNG of a known image for the camera raw tests.

make_dng.py cfa|linear OUT.dng WIDTH HEIGHT [preview]
With "preview" the first page is a 16 x 12 8-bit RGB preview (left half red, right
half blue) and the raw image lies in its sub-IFD, as cameras write DNGs.  The image is four flat blocks of 12-bit colours; OUT.dng.rgb16 receives it as
little-endian 16-bit red, green, blue samples, top row first.  The camera space is
linear sRGB (ColorMatrix1 is the XYZ to sRGB matrix) under a neutral AsShotNeutral.
"""
import sys

import numpy as np
import tifffile

mode, out, w, h = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
preview = len(sys.argv) > 5 and sys.argv[5] == 'preview'
colours = [(3000, 1000, 500), (800, 2500, 1200), (1500, 1500, 1500), (400, 700, 3600)]
img = np.zeros((h, w, 3), np.uint16)
for i, c in enumerate(colours):
    ys = slice(0, h // 2) if i < 2 else slice(h // 2, h)
    xs = slice(0, w // 2) if i % 2 == 0 else slice(w // 2, w)
    img[ys, xs] = c
img.astype('<u2').tofile(out + '.rgb16')

xyz_to_srgb = [3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570]
matrix = []
for v in xyz_to_srgb:
    matrix += [int(round(v * 10000)), 10000]
tags = [
    (50706, 'B', 4, (1, 4, 0, 0), True),
    (50707, 'B', 4, (1, 1, 0, 0), True),
    (50708, 's', 0, 'Tessaro Test', True),
    (271, 's', 0, 'TessaroCam', True),
    (272, 's', 0, 'T1', True),
    (50721, '2i', 9, matrix, True),
    (50778, 'H', 1, 21, True),
    (50728, '2I', 3, (1, 1, 1, 1, 1, 1), True),
    (50717, 'I', 1, 4095, True),
]
if mode == 'cfa':
    mosaic = np.zeros((h, w), np.uint16)
    mosaic[0::2, 0::2] = img[0::2, 0::2, 0]
    mosaic[0::2, 1::2] = img[0::2, 1::2, 1]
    mosaic[1::2, 0::2] = img[1::2, 0::2, 1]
    mosaic[1::2, 1::2] = img[1::2, 1::2, 2]
    cfa_tags = [(33421, 'H', 2, (2, 2), True), (33422, 'B', 4, (0, 1, 1, 2), True),
                (50710, 'B', 3, (0, 1, 2), True), (50711, 'H', 1, 1, True)]
    if preview:
        small = np.zeros((12, 16, 3), np.uint8)
        small[:, :8] = (250, 10, 10)
        small[:, 8:] = (10, 10, 250)
        with tifffile.TiffWriter(out) as t:
            t.write(small, photometric='rgb', subfiletype=1, subifds=1, extratags=tags)
            t.write(mosaic, photometric=32803, subfiletype=0, extratags=cfa_tags + [(50717, 'I', 1, 4095, True)])
    else:
        tifffile.imwrite(out, mosaic, photometric=32803, extratags=tags + cfa_tags, subfiletype=0)
else:
    tifffile.imwrite(out, img, photometric=34892, planarconfig='contig', extratags=tags, subfiletype=0)
