// Drawing of skin images. A skin image is a strip of Count equal frames side
// by side (horizontal) or stacked (vertical); frame numbers start at 1. The
// routines cut frame N out of a strip and draw it nine-grid scaled, in three
// slices, stretched or centred, opaque or with magenta as the transparent
// colour, and build a window region from a colour-keyed bitmap.
//
// Margins are a rectangle of widths kept unscaled: left, top, right, bottom.
// Every routine but RegionFromColorKey and PaintControlParentBackground draws
// nothing for an inverted rectangle (right < left or bottom < top) and for a
// frame count below 1, which a skin may state and which must never divide.
#pragma once

#include <memory>

#include "platform/classlib/controls.h"
#include "platform/classlib/graphics.h"

// Frame N of the strip scaled to Target's size by the nine-grid rule: corners
// and edges stretched, the centre stretched or, with Tile, repeated. A target
// narrower (lower) than two opposite margins drops those margins. An inverted
// target or a count below 1 gives an empty bitmap.
std::unique_ptr<TBitmap> RenderNineGridFrame(const TRect& Target, TBitmap& Strip, const TRect& Margins, bool Vertical,
                                             bool Tile, int Count, int N);
// RenderNineGridFrame drawn at R, keyed on magenta with Transparent, else copied.
void DrawSkinImage(HDC Dc, const TRect& R, TBitmap& Strip, bool Vertical, bool Tile, bool Transparent, int Count,
                   int N, const TRect& Margins);
// DrawSkinImage that keeps its last picture: a control repainted at the same
// size and state copies it instead of stretching the strip again. Clear it
// when the skin changes (a new strip may take a freed one's address).
class TKeptSkinImage {
public:
    void Draw(HDC Dc, const TRect& R, TBitmap& Strip, bool Vertical, bool Tile, bool Transparent, int Count, int N,
              const TRect& Margins);
    // The kept RenderNineGridFrame picture at R's size, rendered again when
    // anything it came from differs; null for an inverted R or a count below 1.
    TBitmap* Picture(const TRect& R, TBitmap& Strip, bool Vertical, bool Tile, int Count, int N, const TRect& Margins);
    void Clear() { Image.reset(); }

private:
    const TBitmap* Strip = nullptr;
    int W = 0, H = 0, Count = 0, N = 0;
    bool Vertical = false, Tile = false;
    TRect Margins;
    std::unique_ptr<TBitmap> Image;
};
// Frame N in three slices across R: the left and right margins (Margins.left,
// Margins.right) stretched to R's height, the middle repeated between them.
// A frame without a middle (width minus both margins 0 or less) has the whole
// frame stretched between the margins instead.
void TileFrameKeepingMargins(TCanvas& Canvas, const TRect& R, TBitmap& Strip, bool Vertical, bool Transparent,
                             int Count, int N, const TRect& Margins);
// Frame N in three stretched slices across R; a frame wider than R is
// stretched whole over it.
void StretchFrameKeepingMargins(HDC Dc, const TRect& R, TBitmap& Strip, bool Vertical, int Count, int N,
                                const TRect& Margins);
// Frame N of a horizontal strip stretched over R.
void DrawStretchedFrame(HDC Dc, const TRect& R, TBitmap& Strip, bool Transparent, int Count, int N);
// Frame N of a horizontal strip at its own size, centred in R.
void DrawCenteredFrame(HDC Dc, const TRect& R, TBitmap& Strip, bool Transparent, int Count, int N);
// The bitmap at R's top-left corner over R's size, leaving the DC's pixels
// where the bitmap has TransparentColour.
void DrawBitmapTransparent(HDC Dc, const TRect& R, TBitmap& Bitmap, TColor TransparentColour);
// The Source piece of the bitmap repeated over Target from its top-left
// corner; the last column and row may run past Target.
void TileBitmapRect(TCanvas& Canvas, const TRect& Target, TBitmap& Bitmap, const TRect& Source);
// A region of every pixel that is not key-coloured (each channel from the
// key's value up to the tolerance above it), moved by the offsets; the caller
// owns it. The bitmap is converted to 32 bits per pixel.
HRGN RegionFromColorKey(TBitmap& Bitmap, int XOffset, int YOffset, int BlueTolerance, int GreenTolerance,
                        int RedTolerance, TColor Key);
// The control's parent erases and paints into Dc behind the control (Dc's
// origin at the control's top-left corner, clipped to its client area).
// FromControlSkin is what the control skins pass; the painting is the same.
void PaintControlParentBackground(TControl* Control, HDC Dc, bool FromControlSkin = false);
