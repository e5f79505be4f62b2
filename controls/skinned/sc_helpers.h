// Small routines the skinned controls share: the parent drawn behind a
// control, tiled, three-part and rotated pictures, frame cutting, rectangle
// and bounds helpers, the work area, and looks at published properties.
#pragma once

#include <string>

#include "controls/skinned/sc_style_table.h"
#include "platform/classlib/controls.h"
#include "platform/classlib/formload.h"

class TCustomForm;
class TscFileTheme;

// The parent draws itself into Canvas, shifted so that the part behind Control
// lands at (0, 0); nothing without a parent.
void DrawParentBackgroundOnCanvas(TCanvas& Canvas, TControl* Control);
// Tiles from the canvas origin over R plus one tile; nothing for an empty picture.
void TilePicture(TCanvas& Canvas, TGraphic* Picture, const TRect& R);
// The bitmap cut in thirds: the first at R's left end, the last at its right
// end, the middle stretched between. Transparent colour: clFuchsia, or with
// UsePixelColor the top-left (TopPixel) or bottom-left pixel.
void DrawThreePartImage(TBitmap* Bitmap, TCanvas& Canvas, const TRect& R, bool UsePixelColor, bool TopPixel);
// Frame Index (from 1) of Count side-by-side frames of Source into Dest; the
// remainder columns of a strip not divisible by Count are lost.
void CutImageFrame(TBitmap* Source, TBitmap* Dest, int Count, int Index);
// A quarter turn counter-clockwise: (x, y) goes to (y, width - 1 - x).
void RotateBitmapCounterClockwise(TBitmap* Bitmap);
// Half a turn: (x, y) goes to (width - 1 - x, height - 1 - y).
void RotateBitmapHalfTurn(TBitmap* Bitmap);
// Right and bottom edges included.
bool PtInRectInclusive(POINT P, const TRect& R);
void MoveControlTo(TControl* Control, POINT P);
void SetControlBoundsRect(TControl* Control, const TRect& R);
void GetWorkAreaRect(TRect& R);
std::string PCharToStr(const char* Text);
bool HasPublishedProperty(TComponent* Component, const std::string& Name);

// A skinned control that takes a theme component and a look from its form.
class TscThemeClient {
public:
    virtual ~TscThemeClient() = default;
    virtual TscFileTheme* FileTheme() const = 0;
    virtual void SetFileTheme(TscFileTheme* Value) = 0;
    virtual TscUIStyle UIStyle() const = 0;
    virtual void SetUIStyle(TscUIStyle Value) = 0;
};
// Every direct child control of Form publishing "FileTheme" and "UIStyle"
// gets Theme, then Style.
void SetChildrenTheme(TWinControl* Form, TscUIStyle Style, TscFileTheme* Theme);
// Whether a skinned form draws its caption as active (no MDI forms here).
bool IsFormActive(TCustomForm* Form);

// The published "UIStyle" and "FileTheme" of a skinned control class C.
TscUIStyle ReadUIStyle(const TFormValue& V, TFormReader& R);
void ReadFileTheme(TscThemeClient& Client, const TFormValue& V, TFormReader& R);
template <class C>
void DefineThemeProperties(TClassInfo& Info) {
    using S = std::function<void(C&, const TFormValue&, TFormReader&)>;
    Info.Define<C>("UIStyle", S([](C& O, const TFormValue& V, TFormReader& R) { O.SetUIStyle(ReadUIStyle(V, R)); }));
    Info.Define<C>("FileTheme", S([](C& O, const TFormValue& V, TFormReader& R) { ReadFileTheme(O, V, R); }));
}
