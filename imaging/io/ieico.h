// Windows icon and cursor files: a directory of bitmaps (or PNG images), each with a
// 1-bit transparency mask.
#pragma once

#include <memory>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "imaging/io/ieioparams.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIEMask;

// Header and directory of an icon (type 1) or cursor (type 2) file (position kept).
bool IsICOStream(TStream& Stream);
bool IsCURStream(TStream& Stream);
// Image ICOImageIndex / CURImageIndex; AlphaMask receives the transparency.
void ReadICOStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress, std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha);
void ReadCURStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress, std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha);
// One image per size, at the depth of the same index of BitCounts (0: from the parameters).
void WriteICOStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress,
                    const std::vector<TIOICOSize>& Sizes, const std::vector<int32_t>& BitCounts);
