// PNG files through libpng.
#pragma once

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIEMask;
class TIOParamsVals;

void ReadPNGStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress);
// AlphaMask: the bitmap's alpha as a mask, or nullptr. Raises the class library's EInvalidGraphic
// "Error on creating PNG" when the codec fails.
void WritePNGStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEMask* AlphaMask,
                    TIEProgressRecord& Progress);
bool IsPNGStream(TStream& Stream);
