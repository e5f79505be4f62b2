// PCX pictures and DCX files (several PCX pictures behind a table of offsets).
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

// Reads the picture at the position, which occupies Size bytes.
void ReadPCXStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int64_t Size,
                   TIEProgressRecord& Progress, bool Preview);
// Depth from BitsPerSample x SamplesPerPixel: 1, 4 and 8 (palette) or 24.
void WritePCXStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);

// The DCX magic and a page table whose offsets lie inside the stream (position kept).
bool IsDCXStream(TStream& Stream);
// Reads page DCXImageIndex (clamped to the pages there are).
void ReadDCXStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                   TIEProgressRecord& Progress);
// Inserts the bitmap as page DCXImageIndex into the DCX file the stream holds (empty: a new one).
void WriteDCXStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);

constexpr int32_t DCXMaxPages = 1024;
