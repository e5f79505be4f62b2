// Helpers between the class library's TBitmap and the image library.
#pragma once

#include <cstdint>

#include "platform/classlib/graphics.h"

class TIEBitmap;

// pf1bit 1, pf4bit 4, pf8bit 8, pf15bit 15, pf16bit 16, pf24bit 24, pf32bit 32, others 0.
int32_t PixelFormatToBitCount(TPixelFormat Format);
int32_t PixelFormatRowLength(int32_t Width, TPixelFormat Format);
// Gives an 8-bit TBitmap the 256-entry grey colour table (entry i = (i, i, i)).
void GrayPaletteToTBitmap(TBitmap* Bitmap);
// Every colour-table entry i is (i, i, i) (also when there are none).
bool IsGrayPaletteTBitmap(TBitmap* Bitmap);
// A pf8bit bitmap's colour table into an ie8p bitmap's palette.
void CopyTBitmapPalette(TBitmap* Bitmap, TIEBitmap* Dest);

class TComponent;
// The window of the first windowed control met from Component up its Owner chain;
// nullptr when none, or when that control has no window yet.
HWND FindOwnerWindowHandle(TComponent* Component);
