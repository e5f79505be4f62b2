// Colour reduction for the GIF writer: a windowing bitmap as BMP file data of
// 1, 4 or 8 bits per pixel, true colour reduced to 256 entries by one of six
// methods.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/classlib/graphics.h"
#include "platform/rtl/classes.h"

enum TColorReduction : int {
    crPopularity = 0,  // the 256 most frequent colours, the rest mapped to the nearest
    crMedianCut = 1,   // 256 boxes over 12-bit colours
    crFixed784 = 2,    // 7 red x 8 green x 4 blue levels
    crFixed666 = 3,    // 6 levels per channel
    crChannelRamps = 4,
    crGreyLevels = 5,
};

// Index of the nearest level of one of the fixed level sets (4, 6, 7 or 8
// levels); ties go to the lower level.
uint8_t NearestLevel(int Levels, uint8_t Value);

// Reduces bottom-up 24-bit rows in place to 8-bit rows (both padded to 4
// bytes): the result rows start at Bits. Palette receives 256 entries. Answers
// the value for the colours-used field (boxes for the median cut, 224 or 216
// for the fixed palettes, else 0).
uint32_t ReduceTo8Bit(uint8_t* Bits, int Width, int Height, TColorReduction Method, RGBQUAD* Palette);

// BMP file data of the bitmap in Format, positioned at 0. The size field of
// the file header counts headers and palette only. Raises EInvalidGraphic
// "Bitmap image is not valid" for a bitmap without a handle; a format other
// than 1, 4, 8 or 24 bits shows "Function not yet implemented" and aborts.
std::unique_ptr<TMemoryStream> BitmapToPixelFormatStream(TBitmap& Bitmap, TPixelFormat Format, TColorReduction Method);
