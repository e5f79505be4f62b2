// PNG files through libpng.
#pragma once

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// The class library's EInvalidGraphic is not available below it yet; the writer raises this.
TESSARO_DECLARE_EXCEPTION(EIEPNGError, Exception)

void ReadPNGStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress);
// AlphaMask: the bitmap's alpha as a mask, or nullptr. Raises EIEPNGError
// "Error on creating PNG" when the codec fails.
void WritePNGStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEMask* AlphaMask,
                    TIEProgressRecord& Progress);
bool IsPNGStream(TStream& Stream);
