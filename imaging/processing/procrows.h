// Private to the processing folder: reading a row of any pixel format as TRGB.
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iebitmap.h"

namespace improc {

// Colours of one row, per format: ie1g black or white, ie8p through the palette,
// grey formats as grey (ie16g and ieRGB48 from the high bytes, ie32f as
// Trunc(value x 255) limited to 0..255), CMYK and CIELab through the bitmap's
// own converters.
class RowReader {
public:
    explicit RowReader(TIEBitmap* bitmap);
    void Read(int32_t y, TRGB* out);

private:
    TIEBitmap* bmp;
    TIEPixelFormat pf;
    int32_t width;
    TRGB palette[256];
};

}  // namespace improc
