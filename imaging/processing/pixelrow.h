// Converting one row of pixels between bit depths through a palette or a
// quantizer (the TGA writer and the bitmap's palette storage use it).
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"

class TIEQuantizer;

// Rows: 1 bit (most significant bit first), 4 bits (high nibble first), 8 bits
// (indices), 24 bits (blue, green, red), 32 bits (blue, green, red, one more).
// Pairs: 24->24, 24->8, 24->4, 32->24, 8->8, 8->24, 8->1, 1->1, 1->4, 1->8,
// 1->24, 4->4, 4->8, 4->24. The conversions into 4 bits OR into the
// destination, so pass it cleared. palette: 256 entries (2 or 16 are read for
// 1- and 4-bit sources); quantizer: for the 24-bit sources into indices.
// Returns the bytes of the destination row ((count + 7) div 8, (count + 1)
// div 2, count or 3 x count), 0 for a pair it does not convert.
int32_t ConvertPixelRow(const void* source, void* dest, int32_t sourceBits, TIEQuantizer* quantizer,
                        const TRGB* palette, uint16_t count, int32_t destBits);
