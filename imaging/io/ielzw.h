// LZW codecs of the GIF and TIFF filters.
#pragma once

#include <cstdint>

#include "platform/rtl/classes.h"

void GIFLZWDecompress(TStream& Stream, int32_t Height, int32_t Width, uint8_t* Pixels, bool Interlaced);
void GIFLZWCompress(TStream& Stream, int32_t Height, int32_t Width, int32_t BitsPerPixel, const uint8_t* Pixels,
                    bool Interlaced);

// TIFF (compression 5): one call per row of RowLength bytes. State nullptr starts a strip of
// DataSize bytes; Data nullptr frees the state. nullptr when the data cannot be decoded.
uint8_t* TIFFLZWDecompress(const uint8_t* Data, int32_t DataSize, int32_t RowLength, void*& State);
// Row nullptr ends the strip (pending code, end of information, last bits) and frees the state.
void TIFFLZWCompress(const uint8_t* Row, int32_t Count, TStream& Stream, void*& State);
