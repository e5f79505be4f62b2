// The drawing layer's hooks for the window and screen layers: pixel surfaces
// and device contexts over them. Callers above the platform use the GDI calls
// of gdi.h instead.
#pragma once

#include <cstdint>

#include "platform/rtl/windef.h"

// 32-bit pixels, rows top-down, each pixel a uint32_t 0xAARRGGBB (bytes B, G, R, A
// in memory, as a 32-bit DIB and X11's 24-bit visuals have them). GDI drawing
// leaves the alpha byte 0 unless an operation sets it on purpose.
struct TGdiSurface;

TGdiSurface* GdiCreateSurface(int Width, int Height);  // cleared to 0
void GdiDestroySurface(TGdiSurface* Surface);
void GdiResizeSurface(TGdiSurface* Surface, int Width, int Height);  // keeps the overlapping pixels
int GdiSurfaceWidth(const TGdiSurface* Surface);
int GdiSurfaceHeight(const TGdiSurface* Surface);
// In pixels; row Y starts at Pixels + Y * Stride. Negative for the surface of a
// bottom-up 32-bit DIB section (GdiBitmapSurface), whose rows run backwards in memory.
int GdiSurfaceStride(const TGdiSurface* Surface);
uint32_t* GdiSurfacePixels(TGdiSurface* Surface);

// A device context drawing into Surface with its logical origin at Origin (in
// surface pixels), clipped to VisibleClip (a region in surface coordinates,
// copied; nullptr for the whole surface). The window layer makes one per
// GetDC/BeginPaint; ReleaseSurfaceDC frees it and every object it created.
// A window DC is typically GdiCreateSurfaceDC(TopLevelSurface, client origin
// within it, visible part of the client minus clipped children and siblings).
// SelectClipRgn and friends then clip further, in device units relative to
// Origin, as callers expect. The surface must outlive the DC; resizing it with
// GdiResizeSurface while a DC is alive is allowed (the DC's clip follows).
HDC GdiCreateSurfaceDC(TGdiSurface* Surface, POINT Origin, HRGN VisibleClip);
void GdiReleaseSurfaceDC(HDC Dc);
// The surface and origin a DC draws into (memory DCs: their selected bitmap).
TGdiSurface* GdiDCSurface(HDC Dc, POINT* Origin);
// The pixels of a bitmap (DDB or DIB section) as a surface, for composition.
// Read it right away: DIB sections of other than 32 bits are converted on
// each call, and the caller's writes to DIB bits show only after the next call.
// Composition should copy rows (Pixels + Y * Stride) and ignore the alpha byte
// unless the window is layered.
TGdiSurface* GdiBitmapSurface(HBITMAP Bitmap);
