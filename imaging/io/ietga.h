// TGA pictures, with the version-2 footer and its extension area.
#pragma once

#include <memory>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// A known image type and depth, a colour map type of 0 or 1 and a size (position kept).
bool IsTGAStream(TStream& Stream);
// AlphaMask receives the alpha of 32-bit pictures and colour maps (nullptr when all 0).
void ReadTGAStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress,
                   bool Preview, std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha);
// A mask that is not full makes a 32-bit picture; the mask stays the caller's.
void WriteTGAStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress,
                    TIEMask* AlphaMask);
