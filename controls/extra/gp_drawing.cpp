#include "controls/extra/gp_drawing.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/classlib/forms.h"
#include "platform/classlib/tregistry.h"

// ---- Colours ----------------------------------------------------------------------
void ColorToHSL240(TColor Color, int& H, int& S, int& L) {
    const int32_t RGBValue = ColorToRGB(Color);
    const double R = GetRValue(RGBValue) / 255.0, G = GetGValue(RGBValue) / 255.0, B = GetBValue(RGBValue) / 255.0;
    const double Max = std::max({R, G, B}), Min = std::min({R, G, B});
    double Hd = 0, Sd = 0;
    const double Ld = (Max + Min) / 2;
    if (Max != Min) {
        const double Delta = Max - Min;
        Sd = Ld < 0.5 ? Delta / (Max + Min) : Delta / (2 - Max - Min);
        if (R == Max)
            Hd = (G - B) / Delta;
        else if (G == Max)
            Hd = (B - R) / Delta + 2;
        else
            Hd = (R - G) / Delta + 4;
        Hd /= 6;
        if (Hd < 0) Hd += 1;
    }
    H = static_cast<int>(std::lround(Hd * 240));
    S = static_cast<int>(std::lround(Sd * 240));
    L = static_cast<int>(std::lround(Ld * 240));
}

TColor HSL240ToColor(int H, int S, int L) {
    const double Lp = std::clamp(L, 0, 240) / 240.0, Sp = std::clamp(S, 0, 240) / 240.0;
    const double M2 = Lp < 0.5 ? Lp * (1 + Sp) : Lp + Sp - Lp * Sp;
    const double M1 = 2 * Lp - M2;
    double R = 0, G = 0, B = 0;
    if (M2 != 0) {
        const double Pos = std::max(H, 0) / 239.0 * 6;
        int Sector = static_cast<int>(Pos);
        const double F = Pos - Sector;
        // Hues 239 and 240 reach sector 6, which is red again.
        if (Sector >= 6) Sector = 0;
        const double Up = M1 + (M2 - M1) * F, Down = M2 - (M2 - M1) * F;
        switch (Sector) {
            case 0: R = M2, G = Up, B = M1; break;
            case 1: R = Down, G = M2, B = M1; break;
            case 2: R = M1, G = M2, B = Up; break;
            case 3: R = M1, G = Down, B = M2; break;
            case 4: R = Up, G = M1, B = M2; break;
            default: R = M2, G = M1, B = Down; break;
        }
    }
    auto Channel = [](double V) { return static_cast<int>(std::lround(std::clamp(V, 0.0, 1.0) * 255)); };
    return static_cast<TColor>(RGB(Channel(R), Channel(G), Channel(B)));
}

TColor DarkenColor(TColor Color, int N) {
    int H, S, L;
    ColorToHSL240(Color, H, S, L);
    return HSL240ToColor(H, S, std::max(0, L - N));
}

TColor LightenColor(TColor Color, int N) {
    int H, S, L;
    ColorToHSL240(Color, H, S, L);
    return HSL240ToColor(H, S, std::min(255, L + N));
}

TColor AdjustColorLightness(TColor Color, int N) {
    if (N < 0) return DarkenColor(Color, -N);
    if (N == 0) return Color;
    return LightenColor(Color, N);
}

const TXPSchemeColors XPSchemeColors[3] = {
    {0xFFEFE3, 0xEABB99, 0xBF7F57},  // blue
    {0xEDFFFF, 0x92C7B8, 0x77A17F},  // olive
    {0xFFF9F9, 0xD0BCBD, 0xB19F9F},  // silver
};

TXPColorScheme ReadXPColorScheme() {
    std::string Name;
    try {
        TRegistry Reg(KEY_READ);
        Reg.RootKey = HKEY_CURRENT_USER;
        if (Reg.OpenKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"))
            Name = Reg.ReadString("ColorName");
    } catch (const std::exception&) {
        // A value of another type is no scheme name.
    }
    std::transform(Name.begin(), Name.end(), Name.begin(), [](unsigned char C) { return std::toupper(C); });
    if (Name == "HOMESTEAD") return xpcsOlive;
    if (Name == "METALLIC") return xpcsSilver;
    return xpcsBlue;
}

namespace {
std::atomic<int>& SchemeValue() {
    static std::atomic<int> Value{static_cast<int>(ReadXPColorScheme())};
    return Value;
}
}  // namespace

TXPColorScheme CurrentXPColorScheme() { return static_cast<TXPColorScheme>(SchemeValue().load()); }
void RereadXPColorScheme() { SchemeValue() = static_cast<int>(ReadXPColorScheme()); }
bool ThemeServicesEnabled() { return false; }

void GetGradientColorsForStyle(TGpGradientColorStyle Style, TColor& Start, TColor& Stop) {
    if (Style == gcsMSOffice && ThemeServicesEnabled()) {
        Start = XPSchemeColors[CurrentXPColorScheme()].GradientStart;
        Stop = XPSchemeColors[CurrentXPColorScheme()].GradientStop;
        return;
    }
    Start = clWindow;
    Stop = DarkenColor(clBtnFace, 10);
}

TColor GetGradientFrameColorForStyle(TGpGradientColorStyle Style) {
    if (Style == gcsMSOffice && ThemeServicesEnabled()) return XPSchemeColors[CurrentXPColorScheme()].Frame;
    return LightenColor(clBtnShadow, 30);
}

// ---- Frames ---------------------------------------------------------------------
namespace {
void Line(TCanvas& C, int X1, int Y1, int X2, int Y2, TColor Color) {
    C.Pen().SetColor(Color);
    C.MoveTo(X1, Y1);
    C.LineTo(X2, Y2);
}

void Dot(TCanvas& C, int X, int Y, TColor Color) { C.SetPixel(X, Y, Color); }

TRect Shrink(TRect R, TSides Sides, int N) {
    if (Sides.Contains(sdLeft)) R.left += N;
    if (Sides.Contains(sdTop)) R.top += N;
    if (Sides.Contains(sdRight)) R.right -= N;
    if (Sides.Contains(sdBottom)) R.bottom -= N;
    return R;
}

struct TFrameColours {
    TColor UL, LR;
};
TFrameColours OnePixelColours(TFrameStyleEx S) {
    switch (S) {
        case fsFlat: return {SysColor(0x15), SysColor(0x15)};
        case fsGroove: return {SysColor(0x10), SysColor(0x14)};
        case fsBump: return {SysColor(0x14), SysColor(0x10)};
        case fsStatus: return {SysColor(0x10), SysColor(0x14)};
        case fsPopup: return {SysColor(0x14), SysColor(0x10)};
        case fsFlatBold: return {SysColor(0x10), SysColor(0x10)};
        default: return {SysColor(0x05), SysColor(0x05)};
    }
}
struct TTwoPixelColours {
    TColor OuterUL, OuterLR, InnerUL, InnerLR;
};
TTwoPixelColours TwoPixelColours(TFrameStyleEx S) {
    switch (S) {
        case fsRaised: return {SysColor(0x16), SysColor(0x15), SysColor(0x14), SysColor(0x10)};
        case fsLowered: return {SysColor(0x10), SysColor(0x14), SysColor(0x15), SysColor(0x16)};
        case fsButtonUp: return {SysColor(0x14), SysColor(0x15), SysColor(0x16), SysColor(0x10)};
        default: return {SysColor(0x12), SysColor(0x12), SysColor(0x10), SysColor(0x10)};  // fsButtonDown
    }
}
}  // namespace

TRect DrawFrameSides(TCanvas& C, const TRect& R, TColor ULColor, TColor LRColor, TSides Sides) {
    if (Sides.Contains(sdLeft) && ULColor != clNone) Line(C, R.left, R.top, R.left, R.bottom, ULColor);
    if (Sides.Contains(sdTop) && ULColor != clNone) Line(C, R.left, R.top, R.right, R.top, ULColor);
    if (Sides.Contains(sdRight) && LRColor != clNone) Line(C, R.right - 1, R.top, R.right - 1, R.bottom, LRColor);
    if (Sides.Contains(sdBottom) && LRColor != clNone) Line(C, R.left, R.bottom - 1, R.right, R.bottom - 1, LRColor);
    return Shrink(R, Sides, 1);
}

TRect DrawFrameBevel(TCanvas& C, const TRect& R, TColor ULColor, TColor LRColor, TSides Sides, int Count) {
    C.Pen().SetWidth(1);
    TRect Inside = R;
    for (int I = 0; I < Count; ++I) Inside = DrawFrameSides(C, Inside, ULColor, LRColor, Sides);
    return Inside;
}

TRect DrawFrameStyleBorder(TCanvas& C, const TRect& R, TFrameStyleEx Style, TSides Sides) {
    C.Pen().SetWidth(1);
    switch (Style) {
        case fsNone: return R;
        case fsFlat:
        case fsStatus:
        case fsPopup: {
            const TFrameColours F = OnePixelColours(Style);
            return DrawFrameSides(C, R, F.UL, F.LR, Sides);
        }
        case fsLowered:
        case fsRaised:
        case fsButtonDown:
        case fsButtonUp: {
            const TTwoPixelColours F = TwoPixelColours(Style);
            return DrawFrameSides(C, DrawFrameSides(C, R, F.OuterUL, F.OuterLR, Sides), F.InnerUL, F.InnerLR, Sides);
        }
        case fsFlatBold: {
            const TFrameColours F = OnePixelColours(Style);
            return DrawFrameBevel(C, R, F.UL, F.LR, Sides, 2);
        }
        case fsGroove:
        case fsBump: {
            const TFrameColours F = OnePixelColours(Style);
            const bool L = Sides.Contains(sdLeft), T = Sides.Contains(sdTop), Rt = Sides.Contains(sdRight),
                       B = Sides.Contains(sdBottom);
            DrawFrameSides(C, TRect(R.left + 1, R.top + 1, R.right, R.bottom), F.LR, F.LR, Sides);
            DrawFrameSides(C, TRect(R.left, R.top, R.right - 1, R.bottom - 1), F.UL, F.UL, Sides);
            if (Rt)
                Dot(C, R.right - 1, R.top, F.LR);
            else if (T)
                Dot(C, R.right - 1, R.top, F.UL);
            if (B)
                Dot(C, R.left, R.bottom - 1, F.LR);
            else if (L)
                Dot(C, R.left, R.bottom - 1, F.UL);
            if (T && !L) Dot(C, R.left, R.top + 1, F.LR);
            if (L && !T) Dot(C, R.left + 1, R.top, F.LR);
            if (B && !Rt) Dot(C, R.right - 1, R.bottom - 2, F.UL);
            if (Rt && !B) Dot(C, R.right - 2, R.bottom - 1, F.UL);
            return Shrink(R, Sides, 2);
        }
        case fsFlatRounded: return R;
    }
    return R;
}

TRect DrawRoundedFrame(TCanvas& C, const TRect& R, TColor Color, TSides Sides) {
    C.Pen().SetWidth(1);
    const bool L = Sides.Contains(sdLeft), T = Sides.Contains(sdTop), Rt = Sides.Contains(sdRight),
               B = Sides.Contains(sdBottom);
    if (L) Line(C, R.left, R.top + (T ? 2 : 0), R.left, R.bottom - (B ? 2 : 0), Color);
    if (T) Line(C, R.left + (L ? 2 : 0), R.top, R.right - (Rt ? 2 : 0), R.top, Color);
    if (Rt) Line(C, R.right - 1, R.top + (T ? 2 : 0), R.right - 1, R.bottom - (B ? 2 : 0), Color);
    if (B) Line(C, R.left + (L ? 2 : 0), R.bottom - 1, R.right - (Rt ? 2 : 0), R.bottom - 1, Color);
    if (L && T) Dot(C, R.left + 1, R.top + 1, Color);
    if (T && Rt) Dot(C, R.right - 2, R.top + 1, Color);
    if (Rt && B) Dot(C, R.right - 2, R.bottom - 2, Color);
    if (B && L) Dot(C, R.left + 1, R.bottom - 2, Color);
    return Shrink(R, Sides, 2);
}

int FrameStyleWidth(TFrameStyleEx Style, int BevelWidth) {
    switch (Style) {
        case fsNone: return 0;
        case fsFlat: return 1;
        case fsStatus:
        case fsPopup: return BevelWidth;
        default: return 2;
    }
}

TRect PaintBorderFrames(TCanvas& C, const TRect& Outer, const TBorderFrameSetup& F) {
    const TColor FC = AdjustColorLightness(F.FlatColor, F.FlatAdjustment);
    const TSides S = F.Sides;
    TRect R = Outer;
    auto StatusOrPopup = [&](TFrameStyleEx Style, TRect Rect) {
        return Style == fsStatus ? DrawFrameBevel(C, Rect, F.Shadow, F.Highlight, S, F.BevelWidth)
                                 : DrawFrameBevel(C, Rect, F.Highlight, F.Shadow, S, F.BevelWidth);
    };
    const bool Banded = F.BorderWidth > 0 || F.Inner != fsNone;
    switch (F.Outer) {
        case fsFlat: R = DrawFrameBevel(C, R, FC, FC, S, 1); break;
        case fsFlatBold: R = DrawFrameBevel(C, R, FC, FC, S, 2); break;
        case fsFlatRounded: {
            TRect Inside = R;
            if (!F.Transparent) Inside = DrawFrameBevel(C, Inside, F.ParentColor, F.ParentColor, S, 1);
            const TColor Band = Banded ? F.BorderColor : F.Color;
            if (!F.Transparent || Banded)
                Inside = DrawFrameBevel(C, Inside, Band, Band, S, 1);
            else
                Inside = Shrink(Inside, S, 1);
            DrawRoundedFrame(C, R, FC, S);
            R = Inside;
            break;
        }
        case fsStatus:
        case fsPopup: R = StatusOrPopup(F.Outer, R); break;
        default: R = DrawFrameStyleBorder(C, R, F.Outer, S); break;
    }
    if (F.BorderWidth > 0) R = DrawFrameBevel(C, R, F.BorderColor, F.BorderColor, S, F.BorderWidth);
    switch (F.Inner) {
        case fsFlat:
            if (F.ProgressBarMode) {
                // Without its corner pixels, so the frame looks rounded.
                if (S.Contains(sdLeft)) Line(C, R.left, R.top + 1, R.left, R.bottom - 1, FC);
                if (S.Contains(sdTop)) Line(C, R.left + 1, R.top, R.right - 1, R.top, FC);
                if (S.Contains(sdRight)) Line(C, R.right - 1, R.top + 1, R.right - 1, R.bottom - 1, FC);
                if (S.Contains(sdBottom)) Line(C, R.left + 1, R.bottom - 1, R.right - 1, R.bottom - 1, FC);
                R = Shrink(R, S, 1);
            } else {
                R = DrawFrameBevel(C, R, FC, FC, S, 1);
            }
            break;
        case fsFlatBold: R = DrawFrameBevel(C, R, FC, FC, S, 2); break;
        case fsFlatRounded: {
            const TRect Start = R;
            if (!F.Transparent) R = DrawFrameBevel(C, R, F.BorderColor, F.BorderColor, S, 1);
            const TColor Second = F.Transparent ? F.BorderColor : F.Color;
            R = DrawFrameBevel(C, R, Second, Second, S, 1);
            DrawRoundedFrame(C, Start, FC, S);
            break;
        }
        case fsStatus:
        case fsPopup: R = StatusOrPopup(F.Inner, R); break;
        default: R = DrawFrameStyleBorder(C, R, F.Inner, S); break;
    }
    return R;
}

// ---- Gradients ------------------------------------------------------------------
namespace {
// Count colours from A to B, both ends exact, in 16.16 fixed point per channel.
std::vector<COLORREF> Ramp(COLORREF A, COLORREF B, int Count) {
    std::vector<COLORREF> Out(static_cast<size_t>(std::max(Count, 1)));
    const int Steps = std::max(Count - 1, 1);
    const int64_t A0[3] = {GetRValue(A), GetGValue(A), GetBValue(A)};
    const int64_t B0[3] = {GetRValue(B), GetGValue(B), GetBValue(B)};
    int64_t Step[3];
    for (int K = 0; K < 3; ++K) Step[K] = (B0[K] - A0[K]) * 65536 / Steps;
    for (int I = 0; I < static_cast<int>(Out.size()); ++I) {
        int V[3];
        for (int K = 0; K < 3; ++K)
            V[K] = static_cast<int>(std::clamp<int64_t>((A0[K] * 65536 + I * Step[K] + 0x8000) >> 16, 0, 255));
        Out[static_cast<size_t>(I)] = RGB(V[0], V[1], V[2]);
    }
    return Out;
}

bool IsBox(TGradientDirection D) {
    return D == gdHorizontalBox || D == gdVerticalBox || D == gdSquareBox || D == gdBigSquareBox;
}
}  // namespace

void DrawGradientRect(TCanvas& C, const TRect& R, TGradientDirection Direction, TColor StopColor, TColor StartColor) {
    const int W = R.right - R.left, H = R.bottom - R.top;
    if (W <= 0 || H <= 0) return;
    const COLORREF Start = static_cast<COLORREF>(ColorToRGB(StartColor)) & 0xFFFFFF;
    const COLORREF Stop = static_cast<COLORREF>(ColorToRGB(StopColor)) & 0xFFFFFF;
    TBitmap Bmp(W, H, pf32bit);
    auto Put = [&](int X, int Y, COLORREF Col) {
        auto* Row = static_cast<uint8_t*>(Bmp.ScanLine(Y));
        Row[X * 4 + 0] = GetBValue(Col);
        Row[X * 4 + 1] = GetGValue(Col);
        Row[X * 4 + 2] = GetRValue(Col);
        Row[X * 4 + 3] = 0;
    };
    const bool Plain = (Start == Stop && (IsBox(Direction) || Direction == gdDiagonalUp || Direction == gdDiagonalDown)) ||
                       (IsBox(Direction) && (W < 5 || H <= 4));
    if (Plain) {
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) Put(X, Y, Start);
    } else {
        switch (Direction) {
            case gdHorizontalEnd: {
                auto Ramped = Ramp(Start, Stop, H);
                for (int Y = 0; Y < H; ++Y)
                    for (int X = 0; X < W; ++X) Put(X, Y, Ramped[Y]);
                break;
            }
            case gdVerticalEnd: {
                auto Ramped = Ramp(Start, Stop, W);
                for (int Y = 0; Y < H; ++Y)
                    for (int X = 0; X < W; ++X) Put(X, Y, Ramped[X]);
                break;
            }
            case gdHorizontalCenter: {
                auto Ramped = Ramp(Start, Stop, (H + 1) / 2);
                for (int Y = 0; Y < H; ++Y)
                    for (int X = 0; X < W; ++X) Put(X, Y, Ramped[std::min(Y, H - 1 - Y)]);
                break;
            }
            case gdVerticalCenter: {
                auto Ramped = Ramp(Start, Stop, (W + 1) / 2);
                for (int Y = 0; Y < H; ++Y)
                    for (int X = 0; X < W; ++X) Put(X, Y, Ramped[std::min(X, W - 1 - X)]);
                break;
            }
            case gdDiagonalUp:
            case gdDiagonalDown: {
                const int Length = static_cast<int>(std::sqrt(double(W) * W + double(H) * H)) + 1;
                auto Ramped = Ramp(Start, Stop, Length);
                const double Norm = double(W) * (W - 1) + double(H) * (H - 1);
                for (int Y = 0; Y < H; ++Y) {
                    const int Yd = Direction == gdDiagonalUp ? H - 1 - Y : Y;
                    for (int X = 0; X < W; ++X) {
                        const double T = Norm > 0 ? (double(X) * W + double(Yd) * H) / Norm : 0;
                        Put(X, Y, Ramped[std::clamp(static_cast<int>(std::lround(T * (Length - 1))), 0, Length - 1)]);
                    }
                }
                break;
            }
            default: {
                // Rings from the edge inward to the centre figure.
                const double DX = Direction == gdSquareBox || Direction == gdVerticalBox ? W / 2.0 : W / 4.0;
                const double DY = Direction == gdSquareBox || Direction == gdHorizontalBox ? H / 2.0 : H / 4.0;
                const int N = static_cast<int>(std::max(DX, DY)) + 1;
                auto Ramped = Ramp(Start, Stop, N);
                for (int Y = 0; Y < H; ++Y)
                    for (int X = 0; X < W; ++X) {
                        const double FX = std::min(X, W - 1 - X) / DX, FY = std::min(Y, H - 1 - Y) / DY;
                        const double F = std::min({FX, FY, 1.0});
                        Put(X, Y, Ramped[std::clamp(static_cast<int>(F * (N - 1) + 0.5), 0, N - 1)]);
                    }
                break;
            }
        }
    }
    C.Draw(R.left, R.top, Bmp);
}

void FlipBitmapVertically(TBitmap& Bitmap) {
    const int H = Bitmap.Height(), Bytes = Bitmap.RowBytes();
    if (H < 2 || Bytes <= 0) return;
    std::vector<uint8_t> Copy(static_cast<size_t>(Bytes));
    for (int Y = 0; Y < H / 2; ++Y) {
        auto* A = static_cast<uint8_t*>(Bitmap.ScanLine(Y));
        auto* B = static_cast<uint8_t*>(Bitmap.ScanLine(H - 1 - Y));
        std::memcpy(Copy.data(), A, Copy.size());
        std::memcpy(A, B, Copy.size());
        std::memcpy(B, Copy.data(), Copy.size());
    }
}

void PaintParentIntoDC(TControl& Control, HDC DC, bool InvalidateParent) {
    TWinControl* Parent = Control.Parent();
    if (!Parent || !Parent->HandleAllocated()) return;
    const int Saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, -Control.Left(), -Control.Top(), /*Old=*/nullptr);
    IntersectClipRect(DC, 0, 0, Parent->ClientWidth(), Parent->ClientHeight());
    SendMessageA(Parent->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    SendMessageA(Parent->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, Saved);
    if (InvalidateParent && !dynamic_cast<TCustomControl*>(Parent) && !dynamic_cast<TCustomForm*>(Parent))
        Parent->Invalidate();
}

void InvalidateTransparentChildren(TWinControl& Panel) {
    for (int I = 0; I < Panel.ControlCount(); ++I) {
        TControl* C = Panel.Controls(I);
        auto* T = dynamic_cast<IGpTransparentControl*>(C);
        if (T && T->IsTransparent()) C->Invalidate();
    }
}

HFONT CreateRotatedFontHandle(TFont& Font, int Angle) {
    const TFontStyles S = Font.Style();
    return CreateFontA(Font.Height(), 0, Angle * 10, Angle * 10, S.Contains(fsBold) ? 700 : 400,
                       S.Contains(fsItalic), S.Contains(fsUnderline), S.Contains(fsStrikeOut), Font.Charset(),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       Font.Pitch() == fpFixed ? FIXED_PITCH : Font.Pitch() == fpVariable ? VARIABLE_PITCH
                                                                                           : DEFAULT_PITCH,
                       Font.Name().c_str());
}
