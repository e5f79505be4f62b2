// Helpers around the class library's windowing bitmap TBitmap, which the image
// bitmap uses as one of its storage kinds.
#pragma once

#include <memory>

#include "imaging/bitmaps/iedefs.h"

class TBitmap;

// dest becomes a copy of source: size, pixel format, palette and pixels. An
// empty source leaves dest 1x1 in the source's pixel format.
void CopyTBitmap(TBitmap* source, TBitmap* dest);
// A new copy of source.
std::unique_ptr<TBitmap> DuplicateTBitmap(TBitmap* source);
// dest becomes a 24-bit copy of the 1-bit source: set bits white, clear bits black.
void ExpandTBitmap1To24(TBitmap* source, TBitmap* dest, TIEProgressRecord& progress);
