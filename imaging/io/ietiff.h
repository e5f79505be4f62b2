// TIFF files: reading one page of a multi-page file, writing a page as a new
// file or inserted into an existing one.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// Reads page Params.TIFFImageIndex. ThumbnailMode refuses pages over 400 pixels; NoAlpha
// makes no mask; BaseAtPosition counts offsets from the current position; AlphaMask gets
// the page's alpha (the caller moves it into the bitmap); Preview reads parameters only.
void ReadTIFFStream(TIEBitmap* Bitmap, TStream& Stream, int32_t& ImageCount, bool ThumbnailMode, bool NoAlpha,
                    bool BaseAtPosition, std::unique_ptr<TIEMask>& AlphaMask, bool Preview,
                    TIEProgressRecord& Progress, TIOParamsVals& Params);
// Answers the pages in the file afterwards (0 on failure). Insert: Stream holds a
// little-endian TIFF file and the page goes in at Params.TIFFImageIndex (appended past
// the end). Bitmap nullptr writes a directory of tags only.
int32_t WriteTIFFStream(TStream& Stream, bool Insert, TIEBitmap* Bitmap, TIEProgressRecord& Progress,
                        TIOParamsVals& Params);
bool IsRawCameraTIFF(TStream& Stream);
