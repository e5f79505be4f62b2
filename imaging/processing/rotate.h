// Mirroring and rotation of a TIEBitmap in place. Angles are in degrees,
// positive counter-clockwise. Every pixel format is handled, and the alpha
// channel always follows the pixels.
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"

class TIEBitmap;
class TObject;

// direction 0: left-right mirror; 1: top-bottom.
void FlipBitmap(TIEBitmap* bitmap, int32_t direction);

// Quarter turns are exact for every format. Other angles: ieRGB24 by three
// shears (antialiased on request) with background in the uncovered corners;
// ie1g by inverse mapping (white corners when every channel of background is
// non-zero); other formats through a 24-bit copy, converted back afterwards.
// The bitmap grows to hold the whole rotated image. The alpha channel turns
// with the pixels; its uncovered corners are transparent unless it was fully
// opaque.
void RotateBitmap(TIEBitmap* bitmap, double angle, bool antialias, TRGB background, TObject* Sender = nullptr,
                  const TIEProgressEvent& OnProgress = {});
inline void RotateBitmap(TIEBitmap* bitmap, double angle, TRGB background) {
    RotateBitmap(bitmap, angle, /*antialias=*/false, background);
}

// dest := source turned a quarter clockwise / counter-clockwise (dest is
// allocated height x width in the source's format).
void Rotate90CW(TIEBitmap* source, TIEBitmap* dest);
void Rotate90CCW(TIEBitmap* source, TIEBitmap* dest);
// Rotation of an ie1g bitmap.
void RotateBW(TIEBitmap* bitmap, bool backgroundBit, TIEProgressRecord& progress, double angle);
