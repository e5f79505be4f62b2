// Magic-wand selection: the pixels whose colour lies within a tolerance of a
// seed pixel's colour (each of red, green and blue by at most Tolerance), read
// through TIEBitmap::GetPixelRGB so that every pixel format works. A seed
// outside the bitmap selects nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/windef.h"

class TIEBitmap;
class TIEMask;

// The 4-connected region around (X, Y) into Mask (SetPixel with Value); with
// MaxFilter each region pixel also sets its 3 x 3 neighbourhood within the image.
void MagicWandFill(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, bool MaxFilter, TIEMask* Mask,
                   int32_t Value);
// Every similar pixel of the image, connected or not.
void MagicWandGlobal(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, TIEMask* Mask, int32_t Value);
// The closed outline of the region (pixel corners, the first vertex not repeated).
std::vector<POINT> MagicWandPolygon(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, bool MaxFilter);
