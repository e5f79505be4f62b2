// Drawing helpers of the maker's controls: the parent's background under a
// control, colour conversions between the class library and GDI+, and fonts
// and pictures turned into their GDI+ forms.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/controls.h"
#include "platform/gdiplus/gdiplus.h"

// Paints Control's parent into DC at the control's place; nothing without a parent.
void DrawParentBackground(HDC DC, TControl* Control);
// A class-library colour (system colours resolved) with Alpha as 0xAARRGGBB.
ARGB ColorToARGB(TColor Color, uint8_t Alpha = 255);
// The reverse; the alpha is dropped.
TColor ARGBToColor(ARGB Color);
// A GDI+ font of the same family, size in points and style; nullptr for none.
// The caller deletes it with GdipDeleteFont.
GpFont* FontToGPFont(TFont* Font);
// The picture's graphic as a GDI+ bitmap, through its stored form; nullptr when
// there is no picture, it is empty or it cannot be read. The caller disposes it.
GpBitmap* PictureToGPBitmap(TPicture* Picture);
// Sends the window-move command (SC_MOVE + HTCAPTION) to the top of the chain
// of parent windows of Window, so the user drags that window.
void MoveWindowByMouse(HWND Window);
// UTF-8 to UTF-16 for the GDI+ text calls.
std::u16string QemWide(const std::string& Text);

// GDI+ is started by the program's start-up and shut down at its end.
void QemGdiplusStartup();
void QemGdiplusShutdown();
