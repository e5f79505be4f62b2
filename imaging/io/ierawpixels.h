// Headerless pixel data whose layout the caller describes in the parameters.
#pragma once

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

// Fills the already allocated Bitmap (its size and pixel format give the layout) from the
// stream: RawDataHeaderSize bytes skipped, rows aligned to RawDataRowAlign bits, samples
// interleaved or planar (RawDataPlanar), red first unless RawDataBGR.
void ReadRawPixelStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);
