// Blend operations of rendering (the rendering calls themselves are TIEBitmap's).
#pragma once

#include "imaging/bitmaps/iedefs.h"

// Combines one source pixel into Dest by Operation; operations above the last leave Dest.
void BlendPixel(TRGB Source, TRGB& Dest, TIEBlendOperation Operation);
