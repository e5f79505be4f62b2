// Drawing helpers shared by the GIF codec, the colour reduction and the
// animated GIF control.
#pragma once

#include "platform/classlib/graphics.h"

inline int IntMax(int A, int B) { return A > B ? A : B; }
inline int IntMin(int A, int B) { return A < B ? A : B; }
inline int RectWidth(const TRect& R) { return R.right - R.left; }
inline int RectHeight(const TRect& R) { return R.bottom - R.top; }

// Key colours of StretchDrawRectTransparent: none (a plain stretch) and the
// bitmap's bottom-left pixel.
constexpr TColor clKeyNone = static_cast<TColor>(0x1FFFFFFF);
constexpr TColor clKeyBottomLeft = clDefault;

// Draws the Source rectangle of Bitmap into (X, Y, Width, Height), leaving the
// target's pixels where the bitmap has the key colour. A width or height
// below 1 takes the bitmap's; an empty Source takes the whole bitmap. A
// monochrome bitmap always keys white.
void StretchDrawRectTransparent(TCanvas& Canvas, int X, int Y, int Width, int Height, TBitmap& Bitmap,
                                const TRect& Source, TColor Key);

class TGraphicControl;
// Paints what lies behind a graphic control into its canvas: the parent's
// background and the visible graphic controls below it that overlap it.
void PaintParentImageBehind(TGraphicControl& Control, TCanvas& Canvas);

// The information box "Function not yet implemented", then a silent abort.
[[noreturn]] void ShowNotImplemented();

// The hand cursors of the extra components, drawn by tools/icongen and kept as
// resources/cursors/AG_HANDCUR.cur and AG_DRAGCUR.cur.
constexpr int crAgHand = 14000;  // pointing hand, hot spot (6, 16) at the finger tip
constexpr int crAgDrag = 14001;  // grasping hand, hot spot (15, 16)
// Loads both and registers them with the screen object under their numbers
// (the animated picture control's registration does it); later calls do nothing. Without a screen object nothing is registered.
void RegisterAgCursors();

// Switches on, for the whole process, the canvas lock around every bitmap draw
// (TBitmap::LockedDraw), so that a bitmap drawn on one thread is not changed by
// another meanwhile. True for the call that switched it on; later calls do nothing.
bool InstallLockedBitmapDraw();
