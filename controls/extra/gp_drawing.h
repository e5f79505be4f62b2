// Drawing vocabulary of the gradient progress bar and the panel: lightness on
// a 240-step HSL scale, the colour scheme, frames in twelve styles, two-colour
// gradients in ten directions and a parent's picture behind a control.
#pragma once

#include <cstdint>

#include "platform/classlib/controls.h"
#include "platform/classlib/graphics.h"
#include "platform/rtl/sets.h"

enum TFrameStyleEx {
    fsNone,
    fsFlat,
    fsGroove,
    fsBump,
    fsLowered,
    fsButtonDown,
    fsRaised,
    fsButtonUp,
    fsStatus,
    fsPopup,
    fsFlatBold,
    fsFlatRounded
};
using TFrameStyle = TFrameStyleEx;  // fsNone .. fsFlatBold

// Bit values 1, 2, 4, 8 as the set's members 0..3.
enum TSide { sdLeft, sdTop, sdRight, sdBottom };
using TSides = TSet<TSide>;
inline TSides AllSides() { return TSides{sdLeft, sdTop, sdRight, sdBottom}; }

enum TGradientDirection {
    gdDiagonalUp,
    gdDiagonalDown,
    gdHorizontalEnd,
    gdHorizontalCenter,
    gdHorizontalBox,
    gdVerticalEnd,
    gdVerticalCenter,
    gdVerticalBox,
    gdSquareBox,
    gdBigSquareBox
};
enum TGpGradientColorStyle { gcsSystem, gcsMSOffice, gcsCustom };
enum TGpVisualStyle { vsClassic, vsWinXP, vsGradient };
enum TAlignmentVertical { avTop, avCenter, avBottom };
enum TGpGridStyle { gsDots, gsDottedLines, gsSolidLines };

// ---- Colours ----------------------------------------------------------------------
void ColorToHSL240(TColor Color, int& H, int& S, int& L);
// Hue 239 and 240 both fall on the red sector (the sector count is 6 per 239).
TColor HSL240ToColor(int H, int S, int L);
TColor DarkenColor(TColor Color, int N);
TColor LightenColor(TColor Color, int N);
TColor AdjustColorLightness(TColor Color, int N);

enum TXPColorScheme { xpcsBlue, xpcsOlive, xpcsSilver };
struct TXPSchemeColors {
    TColor GradientStart, GradientStop, Frame;
};
extern const TXPSchemeColors XPSchemeColors[3];
// Reads "ColorName" under the theme manager's key of the registry store.
TXPColorScheme ReadXPColorScheme();
// The process-wide scheme, read at start-up and on WM_THEMECHANGED.
TXPColorScheme CurrentXPColorScheme();
void RereadXPColorScheme();
// No visual styles on this platform: always false, the themed branches never run.
bool ThemeServicesEnabled();

void GetGradientColorsForStyle(TGpGradientColorStyle Style, TColor& Start, TColor& Stop);
TColor GetGradientFrameColorForStyle(TGpGradientColorStyle Style);

// ---- Frames (each returns the rectangle left inside) -------------------------------
TRect DrawFrameSides(TCanvas& Canvas, const TRect& R, TColor ULColor, TColor LRColor, TSides Sides);
TRect DrawFrameBevel(TCanvas& Canvas, const TRect& R, TColor ULColor, TColor LRColor, TSides Sides, int Count);
TRect DrawFrameStyleBorder(TCanvas& Canvas, const TRect& R, TFrameStyleEx Style, TSides Sides);
TRect DrawRoundedFrame(TCanvas& Canvas, const TRect& R, TColor Color, TSides Sides);

struct TBorderFrameSetup {
    TFrameStyleEx Outer = fsNone, Inner = fsNone;
    TSides Sides = AllSides();
    bool ProgressBarMode = false;
    bool Transparent = false;
    TColor ParentColor = clBtnFace, Color = clBtnFace;
    TColor FlatColor = clBtnShadow;
    int FlatAdjustment = 30;
    TColor Shadow = clBtnShadow, Highlight = clBtnHighlight, BorderColor = clBtnFace;
    int BevelWidth = 1, BorderWidth = 0;
};
TRect PaintBorderFrames(TCanvas& Canvas, const TRect& R, const TBorderFrameSetup& F);
// The width a frame style takes on each side it is drawn on.
int FrameStyleWidth(TFrameStyleEx Style, int BevelWidth);

// ---- Gradients and pictures ------------------------------------------------------
// StartColor at the edge the direction starts from, StopColor where it ends;
// nothing for a rectangle of width or height 0.
void DrawGradientRect(TCanvas& Canvas, const TRect& R, TGradientDirection Direction, TColor StopColor,
                      TColor StartColor);
void FlipBitmapVertically(TBitmap& Bitmap);
// The parent's background and painting into DC behind Control.
void PaintParentIntoDC(TControl& Control, HDC DC, bool InvalidateParent);
// A control with a Transparent setting that a panel's background shows through.
class IGpTransparentControl {
public:
    virtual ~IGpTransparentControl() = default;
    virtual bool IsTransparent() const = 0;
};
void InvalidateTransparentChildren(TWinControl& Panel);
HFONT CreateRotatedFontHandle(TFont& Font, int Angle);
