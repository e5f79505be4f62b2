// LZW codecs of the GIF and TIFF filters.
#pragma once

#include <cstdint>

#include "platform/rtl/classes.h"

void GIFLZWDecompress(TStream& Stream, int32_t Height, int32_t Width, uint8_t* Pixels, bool Interlaced);
void GIFLZWCompress(TStream& Stream, int32_t Height, int32_t Width, int32_t BitsPerPixel, const uint8_t* Pixels,
                    bool Interlaced);
