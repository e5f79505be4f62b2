// Portable bitmap, greymap and pixmap files (P1-P6) and wireless bitmaps (WBMP type 0).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

// Content test: a "P1".."P6" kind after any comments, then a positive width and height.
// The position is restored.
bool IsPNMStream(TStream& Stream);
void ReadPNMStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress);
// Takes ie1g, ieRGB24 or ieRGB48; the kind follows BitsPerSample/SamplesPerPixel and the bitmap.
void WritePNMStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);

void ReadWBMPStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                    TIEProgressRecord& Progress);
void WriteWBMPStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);
