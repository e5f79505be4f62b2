// Bitmap and colour helpers of the skin engine: grey conversion, recolouring
// the magenta key, mirrors and quarter turns of 24-bit bitmaps, colour mixing,
// the cache of two-colour gradient tables with the line-by-line gradient
// painter, and a colour's saturation level.
#pragma once

#include <vector>

#include "platform/classlib/graphics.h"

// The bitmap becomes 24 bits per pixel, each pixel grey ((r + g + b) div 3).
void ConvertBitmapToGray(TBitmap& Bitmap);
// Pure magenta (255, 0, 255) becomes the colour's three low bytes as they are
// (a system colour is not resolved); the bitmap becomes 24 bits per pixel.
void ReplaceFuchsiaPixels(TBitmap& Bitmap, TColor Color);
// Mirrors and quarter turns; callers pass 24-bit bitmaps, others are made 24-bit first.
void MirrorBitmapHorizontally(TBitmap& Bitmap);
void MirrorBitmapVertically(TBitmap& Bitmap);
void RotateBitmapLeft(TBitmap& Bitmap);   // counter-clockwise
void RotateBitmapRight(TBitmap& Bitmap);  // clockwise

// Weight below 100: percent of C1; from 100 up: per mille of C1. System
// colours are resolved first.
TColor MixColors(TColor C1, TColor C2, int Weight);

// The cache slot (0..15) holding the Count-entry gradient from Start to End,
// found or made in the next slot. Count must be above 0 (EInvalidArgument).
// A decreasing channel ends one step short of End, so such a table is never
// found again and each call takes a new slot.
int GetGradientTable(int Count, TColor Start, TColor End);
// The table a slot holds (empty until made).
const std::vector<TColor>& GradientTableOf(int Slot);
// Paints Rect line by line from Start (top or left) to End, only the lines
// inside the clip box, one solid brush per line.
void FillGradientLines(HDC Dc, const RECT& Rect, TColor Start, TColor End, bool Vertical);

// (max - min) / max of the three channels scaled to 0..255, rounded half to
// even, when a channel is above 159; 200 otherwise.
int ColorSaturationLevel(TColor Color);
