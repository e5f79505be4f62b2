// Drawing routines the control skins share: fills, caption text with or
// without an image, a focus rectangle around text, frames of skin parts and
// bitmap strips, a small arrow, and the paint and erase messages of skins
// that draw the whole window. Text goes through DrawWideText.
#pragma once

#include <string>

#include "platform/classlib/graphics.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_control.h"
#include "skin/skin_parts.h"

void FillRectColor(HDC Dc, const TRect& R, TColor Color);
void FillFace(TSkinControl& Skin, HDC Dc, const TRect& R);
// With the Color of the control's parent (ColButtonFace when it has none).
void FillParentColor(TSkinControl& Skin, HDC Dc, const TRect& R);

// Flags plus DT_RTLREADING when the skin's control reads right to left.
UINT AddRtlFlag(const TSkinControl& Skin, UINT Flags);
// A focus rectangle around the skin's Caption as drawn with Flags in R.
void DrawFocusAroundText(TSkinControl& Skin, HDC Dc, UINT Flags, const TRect& R);
void DrawButtonCaption(TSkinControl& Skin, TCanvas& Canvas, const TRect& R, UINT Alignment, bool Enabled,
                       const std::u16string& Text);
// Alignment 0 left, 1 centre, 2 right; ImageList may be null, ImageIndex -1.
void DrawCaptionWithImage(TSkinControl& Skin, TCanvas& Canvas, const TRect& R, int Alignment,
                          const std::u16string& Text, int ImageIndex, HIMAGELIST ImageList);
// Index 0 left, 1 right, 2 centre; one line centred in R.
void DrawMenuItemText(TCanvas& Canvas, const TRect& R, const std::u16string& Text, int Index, bool Enabled);
// Text with the first Pattern replaced.
std::u16string ReplaceFirst(const std::u16string& Text, const std::u16string& Pattern,
                            const std::u16string& Replacement);

// Frame Index of Count of the part, nine-grid sized to R; magenta-keyed when
// the part is transparent. Nothing for an inverted R.
void DrawSkinPartFrame(HDC Dc, const TRect& R, int Count, int Index, TDataSkinObject& Part);
// Frame Index of Count of a horizontal strip stretched over R with magenta
// transparent: on a DC, on a canvas, or keyed by DrawBitmapTransparent.
void DrawStripFrameOnDC(HDC Dc, const TRect& R, int Count, int Index, TBitmap& Strip);
void DrawStripFrameOnCanvas(TCanvas& Canvas, const TRect& R, int Count, int Index, TBitmap& Strip);
void DrawStripFrameKeyed(HDC Dc, const TRect& R, int Count, int Index, TBitmap& Strip);
// Kind 0 up, 1 down, 2 left, 3 right, in the canvas's pen around (X, Y).
void DrawArrowGlyph(TCanvas& Canvas, int X, int Y, int Kind);

// WM_PAINT of a skin that draws the whole window: its Draw into the message's
// DC, or between BeginPaint and EndPaint when there is none.
void HandlePaintMessage(TSkinControl& Skin, TMessage& Message);
// WM_ERASEBKGND: the parent's background behind the control (a raw window:
// the parent's colour); Result 1.
void EraseWithParent(TSkinControl& Skin, TMessage& Message);
