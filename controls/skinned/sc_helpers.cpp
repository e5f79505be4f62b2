#include "controls/skinned/sc_helpers.h"

#include <algorithm>

#include "controls/skinned/sc_file_theme.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/win/winuser.h"

void DrawParentBackgroundOnCanvas(TCanvas& Canvas, TControl* Control) {
    TWinControl* Parent = Control ? Control->Parent() : nullptr;
    if (!Parent || !Parent->HandleAllocated()) return;
    HDC DC = Canvas.Handle();
    int Saved = SaveDC(DC);
    POINT Org;
    GetViewportOrgEx(DC, &Org);
    SetViewportOrgEx(DC, Org.x - Control->Left(), Org.y - Control->Top(), /*Old=*/nullptr);
    TRect PR = Parent->ClientRect();
    IntersectClipRect(DC, 0, 0, PR.Width(), PR.Height());
    Parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    Parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, Saved);
}

void TilePicture(TCanvas& Canvas, TGraphic* Picture, const TRect& R) {
    // A picture without width or height would never advance.
    if (!Picture || Picture->Width() <= 0 || Picture->Height() <= 0) return;
    int W = Picture->Width(), H = Picture->Height();
    for (int X = 0; X < W + R.Width(); X += W)
        for (int Y = 0; Y < H + R.Height(); Y += H) Canvas.Draw(X, Y, *Picture);
}

void DrawThreePartImage(TBitmap* Bitmap, TCanvas& Canvas, const TRect& R, bool UsePixelColor, bool TopPixel) {
    if (!Bitmap || Bitmap->Empty()) return;
    int FW = Bitmap->Width() / 3, H = Bitmap->Height();
    if (FW <= 0) return;
    TColor Key = clFuchsia;
    if (UsePixelColor) Key = Bitmap->Canvas().Pixel(0, TopPixel ? 0 : H - 1);
    HDC Src = Bitmap->Canvas().Handle(), Dst = Canvas.Handle();
    UINT K = static_cast<UINT>(ColorToRGB(Key));
    TransparentBlt(Dst, R.left, R.top, FW, H, Src, 0, 0, FW, H, K);
    TransparentBlt(Dst, R.right - FW, R.top, FW, H, Src, 2 * FW, 0, FW, H, K);
    int MW = R.Width() - 2 * FW;
    if (MW > 0 && R.Height() > 0) TransparentBlt(Dst, R.left + FW, R.top, MW, R.Height(), Src, FW, 0, FW, H, K);
}

void CutImageFrame(TBitmap* Source, TBitmap* Dest, int Count, int Index) {
    if (!Source || !Dest || Count <= 0) return;
    int FW = Source->Width() / Count, H = Source->Height();
    TBitmap Frame;
    Frame.SetSize(FW, H);
    Frame.Canvas().CopyRect(TRect(0, 0, FW, H), Source->Canvas(), TRect(FW * (Index - 1), 0, FW * Index, H));
    Dest->SetSize(FW, H);
    Dest->Canvas().CopyRect(TRect(0, 0, FW, H), Frame.Canvas(), TRect(0, 0, FW, H));
}

namespace {
// Pixels of a 24-bit copy, then written back turned.
template <class Map>
void Turn(TBitmap* B, bool Swap, Map M) {
    if (!B || B->Empty()) return;
    B->SetPixelFormat(pf24bit);
    int W = B->Width(), H = B->Height();
    std::vector<uint8_t> Src(size_t(W) * H * 3);
    for (int Y = 0; Y < H; ++Y) {
        auto* Row = static_cast<uint8_t*>(B->ScanLine(Y));
        std::copy(Row, Row + W * 3, Src.begin() + ptrdiff_t(Y) * W * 3);
    }
    int NW = Swap ? H : W, NH = Swap ? W : H;
    B->SetSize(NW, NH);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            POINT P = M(X, Y, W, H);
            auto* D = static_cast<uint8_t*>(B->ScanLine(P.y)) + P.x * 3;
            std::copy_n(Src.begin() + (ptrdiff_t(Y) * W + X) * 3, 3, D);
        }
}
}  // namespace

void RotateBitmapCounterClockwise(TBitmap* Bitmap) {
    Turn(Bitmap, /*Swap=*/true, [](int X, int Y, int W, int) { return POINT{Y, W - 1 - X}; });
}

void RotateBitmapHalfTurn(TBitmap* Bitmap) {
    Turn(Bitmap, /*Swap=*/false, [](int X, int Y, int W, int H) { return POINT{W - 1 - X, H - 1 - Y}; });
}

bool PtInRectInclusive(POINT P, const TRect& R) {
    return P.x >= R.left && P.x <= R.right && P.y >= R.top && P.y <= R.bottom;
}

void MoveControlTo(TControl* Control, POINT P) {
    Control->SetLeft(P.x);
    Control->SetTop(P.y);
}

void SetControlBoundsRect(TControl* Control, const TRect& R) {
    Control->SetLeft(R.left);
    Control->SetTop(R.top);
    Control->SetWidth(R.Width());
    Control->SetHeight(R.Height());
}

void GetWorkAreaRect(TRect& R) {
    // One screen: the main form's monitor is the primary one.
    RECT W{0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &W, 0);
    R = TRect(W);
}

std::string PCharToStr(const char* Text) { return Text ? std::string(Text) : std::string(); }

bool HasPublishedProperty(TComponent* Component, const std::string& Name) {
    return Component && IsPublishedProp(Component, Name);
}

namespace {
const char* const StyleNames[] = {"FromThemeFile", "MacOS", "WinXP", "DeepBlue", "Protein", "BlueGlass"};
}

void SetChildrenTheme(TWinControl* Form, TscUIStyle Style, TscFileTheme* Theme) {
    if (!Form || Style < FromThemeFile || Style > BlueGlass) return;
    TFormValue Name;
    Name.kind = TFormValue::vaIdent;
    Name.Str = StyleNames[Style];
    // By the published properties, whatever class the child is.
    std::vector<TControl*> Children;
    for (int I = 0; I < Form->ControlCount(); ++I) Children.push_back(Form->Controls(I));
    for (TControl* C : Children) {
        if (!HasPublishedProperty(C, "FileTheme") || !HasPublishedProperty(C, "UIStyle")) continue;
        SetObjectProp(C, "FileTheme", Theme);
        SetPropValue(C, "UIStyle", Name);
    }
}

bool IsFormActive(TCustomForm* Form) {
    if (!Form) return false;
    TForm* Main = Application ? Application->MainForm() : nullptr;
    if (!Main) return Form->Active();
    // The application is active while one of its windows is.
    if (!GetActiveWindow()) return false;
    if (Form == Main) return true;
    return Form->Active();
}

TscUIStyle ReadUIStyle(const TFormValue& V, TFormReader& R) {
    return R.Enum<TscUIStyle>(V, {StyleNames[0], StyleNames[1], StyleNames[2], StyleNames[3], StyleNames[4], StyleNames[5]});
}

void ReadFileTheme(TscThemeClient& Client, const TFormValue& V, TFormReader& R) {
    R.Reference(V, [&Client](TComponent* C) { Client.SetFileTheme(dynamic_cast<TscFileTheme*>(C)); });
}
