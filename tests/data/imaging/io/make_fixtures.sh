#!/bin/sh
# Makes the conformance fixtures of the image I/O tests with ImageMagick (and
# the .rgba files: ImageMagick's own decoding, 8-bit RGBA rows, top row first).
# Run from this folder: sh make_fixtures.sh
set -e
C=convert
SRC="-size 13x7 gradient:red-blue -fill lime -draw 'point 3,3' -fill yellow -draw 'rectangle 8,1 11,2'"
mk() { # output, writer prefix, source, options
  eval "$C $3 $4 '$2$1'"
  $C "$1" -depth 8 "rgba:$1.rgba"
}
# BMP
mk bmp24.bmp BMP3: "$SRC" ""
ROSE="rose: -resize 24x16!"
mk bmp8.bmp BMP3: "$ROSE" "-colors 100 -type palette -compress None"
mk bmp8rle.bmp BMP3: "$ROSE" "-colors 100 -type palette -compress RLE"
mk bmp4.bmp BMP3: "$SRC" "-colors 12 -type palette"
mk bmp1.bmp BMP3: "$SRC" "-monochrome"
mk bmp32a.bmp BMP: "$SRC" "-alpha set -channel A -fx 'i/w' +channel"
mk bmpos2.bmp BMP2: "$SRC" ""
# PNG
mk png24.png PNG24: "$SRC" ""
mk png8.png PNG8: "$ROSE" "-colors 100"
mk png32.png PNG32: "$SRC" "-alpha set -channel A -fx 'i/w' +channel"
mk png48.png PNG48: "$SRC" "-depth 16"
mk pnggrey4.png PNG: "$SRC" "-colorspace gray -depth 4"
mk png1pal.png PNG8: "-size 13x7 xc:navy -fill orange -draw 'rectangle 2,2 6,4'" "-colors 2 -define png:bit-depth=1"
mk pnginter.png PNG24: "$SRC" "-interlace PNG"
# JPEG
mk jpeg420.jpg JPEG: "$SRC" "-quality 90 -sampling-factor 2x2"
mk jpeggrey.jpg JPEG: "$SRC" "-colorspace gray -quality 90"
mk jpegprog.jpg JPEG: "$SRC" "-quality 90 -interlace JPEG"
mk jpegcmyk.jpg JPEG: "$SRC" "-colorspace cmyk -quality 95"
# GIF
mk gif8.gif GIF: "$ROSE" "-colors 100"
mk gifinter.gif GIF: "$SRC" "-colors 20 -interlace GIF"
mk giftrans.gif GIF: "$SRC" "-colors 16 -transparent yellow"
# A 3-frame animation: frames 1 and 2 are small patches over frame 0.
$C -size 10x8 xc:white \( -size 4x3 xc:red -repage +1+1 \) \( -size 3x3 xc:blue -repage +5+4 \) \
   -set dispose none -loop 0 anim3.gif
$C anim3.gif -coalesce -depth 8 "rgba:anim3.gif.rgba"
# Frame 1 is disposed by restoring what was there before it ("previous").
$C -size 10x8 xc:white \( -size 4x3 xc:red -repage +1+1 -set dispose previous \) \
   \( -size 3x3 xc:blue -repage +5+4 \) -loop 0 animprev.gif
$C animprev.gif -coalesce -depth 8 "rgba:animprev.gif.rgba"
# TIFF: ImageMagick writes the plain files, libtiff's tiffcp recodes them.
mk tif_rgb.tif TIFF: "$ROSE" "-compress none"
mk tif_grey8.tif TIFF: "$ROSE" "-colorspace gray -compress none"
mk tif_grey16.tif TIFF: "$ROSE" "-colorspace gray -depth 16 -compress none"
mk tif_grey4.tif TIFF: "$ROSE" "-colorspace gray -depth 4 -compress none"
mk tif_1bit.tif TIFF: "$ROSE" "-monochrome -depth 1 -compress none"
mk tif_palette.tif TIFF: "$ROSE" "-colors 40 -type palette -compress none"
mk tif_cmyk.tif TIFF: "$ROSE" "-colorspace cmyk -compress none"
mk tif_rgba.tif TIFF: "$ROSE" "-alpha set -channel A -fx 'i/w' +channel -compress none"
mk tif_rgb16.tif TIFF: "$ROSE" "-depth 16 -compress none"
mk tif_be.tif TIFF: "$ROSE" "-endian MSB -compress lzw"
tc() { # output, tiffcp options, input
  tiffcp $2 "$3" "$1"
  $C "$1" -depth 8 "rgba:$1.rgba"
}
tc tif_lzw.tif "-c lzw" tif_rgb.tif
tc tif_lzwpred.tif "-c lzw:2" tif_rgb.tif
tc tif_zip.tif "-c zip:2" tif_rgb.tif
tc tif_packbits.tif "-c packbits" tif_rgb.tif
tc tif_jpeg.tif "-c jpeg:r:90" tif_rgb.tif
tc tif_ycbcrjpeg.tif "-c jpeg:90" tif_rgb.tif
tc tif_planar.tif "-p separate -c lzw" tif_rgb.tif
tc tif_tiled.tif "-t -w 16 -l 16 -c lzw" tif_rgb.tif
tc tif_palette_lzw.tif "-c lzw" tif_palette.tif
tc tif_g3.tif "-c g3" tif_1bit.tif
tc tif_g4.tif "-c g4" tif_1bit.tif
tiffcp tif_rgb.tif tif_grey8.tif tif_1bit.tif tif_3pages.tif
# Netpbm's writers.
$C rose: -resize 24x16! netpbm_src.ppm
ppmtobmp netpbm_src.ppm > netpbm.bmp
pnmtopng netpbm_src.ppm > netpbm.png
pnmquant 64 netpbm_src.ppm | pamtogif > netpbm.gif
pnmtotiff -lzw netpbm_src.ppm > netpbm.tif
pnmtojpeg --quality=90 netpbm_src.ppm > netpbm.jpg
for f in netpbm.bmp netpbm.png netpbm.gif netpbm.tif netpbm.jpg; do $C "$f" -depth 8 "rgba:$f.rgba"; done
rm -f netpbm_src.ppm
# PNM and WBMP: netpbm's converters over one ImageMagick image.
$C rose: -resize 24x16! -depth 8 ppm:pnm_p6.ppm
pnmtoplainpnm pnm_p6.ppm > pnm_p3.ppm
ppmtopgm pnm_p6.ppm > pnm_p5.pgm
pnmtoplainpnm pnm_p5.pgm > pnm_p2.pgm
pgmtopbm -threshold pnm_p5.pgm > pnm_p4.pbm
pnmtoplainpnm pnm_p4.pbm > pnm_p1.pbm
pamdepth 15 pnm_p5.pgm > pnm_max15.pgm
pamdepth 15 pnm_p6.ppm > pnm_max15.ppm
pamdepth 4095 pnm_p6.ppm > pnm_max4095.ppm
$C rose: -resize 24x16! -depth 16 ppm:pnm_16.ppm
$C rose: -resize 24x16! -colorspace gray -depth 16 pgm:pnm_16.pgm
# Comments before and between the numbers.
{ printf 'P6\n# made by hand \n24 # width\n#  height next\n16\n255\n'; tail -c 1152 pnm_p6.ppm; } > pnm_comments.ppm
pbmtowbmp pnm_p4.pbm > pnm.wbmp
for f in pnm_p6.ppm pnm_p3.ppm pnm_p5.pgm pnm_p2.pgm pnm_p4.pbm pnm_p1.pbm pnm_max15.pgm pnm_max15.ppm \
         pnm_max4095.ppm pnm_16.ppm pnm_16.pgm pnm_comments.ppm pnm.wbmp; do
  $C "$f" -depth 8 "rgba:$f.rgba"
done
# PCX and DCX: ImageMagick's and netpbm's writers.
mk pcx24.pcx PCX: "$ROSE" ""
mk pcx24raw.pcx PCX: "$ROSE" "-compress None"
mk pcx8.pcx PCX: "$ROSE" "-colors 100 -type palette"
$C $ROSE -depth 8 ppm:pcx_src.ppm
pnmquant 200 pcx_src.ppm 2>/dev/null | ppmtopcx -8bit > netpbm8.pcx 2>/dev/null
ppmtopcx -24bit pcx_src.ppm > netpbm24.pcx 2>/dev/null
pnmquant 16 pcx_src.ppm 2>/dev/null | ppmtopcx -planes 4 > netpbm4planes.pcx 2>/dev/null
rm pcx_src.ppm
# (ImageMagick's own 1-bit PCX carries an all-black palette: netpbm's is used instead.)
pgmtopbm -threshold pnm_p5.pgm | ppmtopcx > netpbm1.pcx 2>/dev/null
# ImageMagick shows 1-bit PCX pixels without their palette: netpbm decodes this one.
pcxtoppm netpbm1.pcx | $C - -depth 8 rgba:netpbm1.pcx.rgba
for f in netpbm8.pcx netpbm24.pcx netpbm4planes.pcx; do $C "$f" -depth 8 "rgba:$f.rgba"; done
eval "$C $ROSE \( $SRC \) \( $ROSE -flop \) DCX:dcx3.dcx"
for i in 0 1 2; do $C "dcx3.dcx[$i]" -depth 8 "rgba:dcx3.dcx.$i.rgba"; done
# TGA: ImageMagick's and netpbm's writers. ImageMagick reports the row order of a TGA as
# its orientation instead of applying it: the .rgba files are made with -auto-orient
# (netpbm's tgatoppm gives the same pixels, except that it ignores right-to-left rows).
mk tga24.tga TGA: "$ROSE" "-compress None"
mk tga24rle.tga TGA: "$ROSE" "-compress RLE"
mk tga32.tga TGA: "$SRC" "-alpha set -channel A -fx 'i/w' +channel -compress None"
mk tga32rle.tga TGA: "$SRC" "-alpha set -channel A -fx 'i/w' +channel -compress RLE"
mk tga8pal.tga TGA: "$ROSE" "-colors 60 -type palette -compress None"
mk tga8palrle.tga TGA: "$ROSE" "-colors 60 -type palette -compress RLE"
mk tgagrey.tga TGA: "$ROSE" "-colorspace gray -compress None"
mk tgagreyrle.tga TGA: "$ROSE" "-colorspace gray -compress RLE"
mk tgatopleft.tga TGA: "$ROSE" "-orient TopLeft -compress None"
mk tgatopright.tga TGA: "$ROSE" "-orient TopRight -compress None"
$C $ROSE -depth 8 ppm:tga_src.ppm
pnmquant 50 tga_src.ppm 2>/dev/null | pamtotga -cmap > netpbm_cmap.tga
pnmquant 50 tga_src.ppm 2>/dev/null | pamtotga -cmap -norle > netpbm_cmapraw.tga
ppmtopgm tga_src.ppm | pgmtopbm -threshold | pamtotga -mono > netpbm_mono.tga
ppmtopgm tga_src.ppm | pgmtopbm -threshold | pamtotga -mono -norle > netpbm_monoraw.tga
pamtotga tga_src.ppm > netpbm_rgb.tga
rm tga_src.ppm
for f in *.tga; do $C "$f" -auto-orient -depth 8 "rgba:$f.rgba"; done
# ICO: ImageMagick's (with a 256-pixel PNG entry) and netpbm's writers (1, 4 and 8 bits,
# with a transparency mask from a grey map).
$C rose: -resize 16x16! \( +clone -alpha set -channel A -fx 'i<4?0:1' +channel \) -delete 0 \
   -define icon:auto-resize=256,32,16 ico_im.ico
for i in 0 1 2; do $C "ico_im.ico[$i]" -depth 8 "rgba:ico_im.ico.$i.rgba"; done
$C rose: -resize 16x16! -depth 8 ppm:ico_src.ppm
$C -size 16x16 xc:white -fill black -draw 'rectangle 0,0 3,15' -depth 8 pgm:ico_and.pgm
pnmquant 2 ico_src.ppm 2>/dev/null | ppmtowinicon -andpgms - ico_and.pgm > ico_nb1.ico
pnmquant 16 ico_src.ppm 2>/dev/null | ppmtowinicon -andpgms - ico_and.pgm > ico_nb4.ico
pnmquant 200 ico_src.ppm 2>/dev/null | ppmtowinicon -andpgms - ico_and.pgm > ico_nb8.ico
rm ico_src.ppm ico_and.pgm
for f in ico_nb1.ico ico_nb4.ico ico_nb8.ico; do $C "$f" -depth 8 "rgba:$f.rgba"; done
# JPEG 2000: OpenJPEG's opj_compress and ImageMagick; the .rgba files are opj_decompress's
# decoding (chroma planes upsampled).
$C rose: -resize 24x16! -depth 8 ppm:j2k_src.ppm
ppmtopgm j2k_src.ppm > j2k_src.pgm
pamdepth 4095 j2k_src.pgm > j2k_src12.pgm
opj_compress -n 4 -i j2k_src.pgm -o j2k_grey.j2k >/dev/null
opj_compress -n 4 -i j2k_src.ppm -o j2k_rgb.jp2 >/dev/null
opj_compress -n 4 -i j2k_src.ppm -o j2k_rlcp.j2k -p RLCP -r 8 >/dev/null
opj_compress -n 4 -i j2k_src12.pgm -o j2k_grey12.j2k >/dev/null
# A Y plane at full size and Cb and Cr planes of half width and height.
$C rose: -resize 24x16! -colorspace YCbCr -channel R -separate -depth 8 gray:j2k_y.raw
$C rose: -resize 12x8! -colorspace YCbCr -channel G -separate -depth 8 gray:j2k_u.raw
$C rose: -resize 12x8! -colorspace YCbCr -channel B -separate -depth 8 gray:j2k_v.raw
cat j2k_y.raw j2k_u.raw j2k_v.raw > j2k_sub.raw
opj_compress -n 4 -i j2k_sub.raw -F 24,16,3,8,u@1x1:2x2:2x2 -o j2k_sub.j2k >/dev/null
$C rose: -resize 24x16! j2k_im.jp2
for f in j2k_grey.j2k j2k_rgb.jp2 j2k_rlcp.j2k j2k_grey12.j2k j2k_sub.j2k j2k_im.jp2; do
  case $f in *grey*) o=j2k_out.pgm ;; *) o=j2k_out.ppm ;; esac
  opj_decompress -upsample -i "$f" -o "$o" >/dev/null
  $C "$o" -depth 8 "rgba:$f.rgba"
  rm "$o"
done
rm j2k_src.ppm j2k_src.pgm j2k_src12.pgm j2k_y.raw j2k_u.raw j2k_v.raw j2k_sub.raw
# Camera raw seeds: DNGs of the tests' known image and a CRW-shaped heap file.
/usr/bin/python3 ../../../imaging/io/make_dng.py cfa raw_cfa.nef 16 12
/usr/bin/python3 ../../../imaging/io/make_dng.py linear raw_linear.nef 16 12
rm raw_cfa.nef.rgb16 raw_linear.nef.rgb16
# (raw_ciff.crw: the CIFF heaps of the unit test, written once by hand.)
