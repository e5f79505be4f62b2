// Blits and raster operations: BitBlt, StretchBlt (with HALFTONE area
// averaging), PatBlt, MaskBlt, the DIB transfers to devices, AlphaBlend,
// TransparentBlt, GradientFill and single pixels.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/gdi_private.h"

using namespace gdi;

namespace {

bool UsesPattern(uint8_t C) { return ((C >> 4) & 0x0F) != (C & 0x0F); }
bool UsesSource(uint8_t C) { return ((C >> 2) & 0x33) != (C & 0x33); }

uint8_t RopCode(DWORD Rop) { return static_cast<uint8_t>((Rop >> 16) & 0xFF); }

// Copies a rectangle of a DC's surface (surface coordinates, inside it) into a
// new surface, converting between monochrome and colour for the destination.
std::unique_ptr<TGdiSurface> GrabSource(TTarget& Src, RECT R, const TTarget& Dst) {
    auto Out = NewSurface(R.right - R.left, R.bottom - R.top);
    Src.Reads(R);
    bool FromMono = Src.Mono && !Dst.Mono;
    bool ToMono = !Src.Mono && Dst.Mono;
    uint32_t Fore = Dst.MapColor(Dst.Dc->S.TextColor), Back = Dst.MapColor(Dst.Dc->S.BkColor);
    uint32_t SrcBk = ToPixel(ResolveColor(*Src.Dc, Src.Dc->S.BkColor));
    for (int Y = R.top; Y < R.bottom; ++Y) {
        const uint32_t* In = Src.Surf->Row(Y) + R.left;
        uint32_t* O = Out->Row(Y - R.top);
        int W = R.right - R.left;
        if (FromMono)
            for (int X = 0; X < W; ++X) O[X] = (In[X] & 0xFFFFFF) ? Back : Fore;
        else if (ToMono)
            for (int X = 0; X < W; ++X) O[X] = ((In[X] & 0xFFFFFF) == SrcBk) ? 0xFFFFFFu : 0u;
        else
            std::memcpy(O, In, static_cast<size_t>(W) * 4);
    }
    return Out;
}

// One destination index's share of the source, for area averaging.
struct TTap {
    int First = 0;
    std::vector<uint32_t> Weights;  // in units of 1/DstLen source pixels; they sum to SrcLen
};

TTap TapOf(int I, int SrcLen, int DstLen) {
    TTap T;
    int64_t A = int64_t(I) * SrcLen, B = int64_t(I + 1) * SrcLen;  // the span in 1/DstLen units
    T.First = static_cast<int>(A / DstLen);
    int Last = static_cast<int>((B - 1) / DstLen);
    for (int J = T.First; J <= Last; ++J) {
        int64_t Lo = std::max<int64_t>(A, int64_t(J) * DstLen), Hi = std::min<int64_t>(B, int64_t(J + 1) * DstLen);
        T.Weights.push_back(static_cast<uint32_t>(Hi - Lo));
    }
    return T;
}

// One axis of a stretch of SrcLen source pixels onto DstLen destination pixels.
struct TAxis {
    int SrcLen = 1;
    int DstLen = 1;
    bool Mirror = false;
    enum { Nearest, Area, Combine } Kind = Nearest;
    int Logical(int C) const { return Mirror ? DstLen - 1 - C : C; }
    // The source range [A, B) destination index I reads.
    void Span(int I, int& A, int& B) const {
        if (Kind == Area) {
            A = static_cast<int>(int64_t(I) * SrcLen / DstLen);
            B = static_cast<int>((int64_t(I + 1) * SrcLen + DstLen - 1) / DstLen);
        } else if (Kind == Combine && DstLen < SrcLen) {
            A = static_cast<int>(int64_t(I) * SrcLen / DstLen);
            B = std::max(A + 1, static_cast<int>(int64_t(I + 1) * SrcLen / DstLen));
        } else {
            A = static_cast<int>((int64_t(2 * I + 1) * SrcLen) / (2 * int64_t(DstLen)));
            B = A + 1;
        }
    }
    // The source range destination columns [C0, C1) read.
    void Need(int C0, int C1, int& A, int& B) const {
        int L0 = Mirror ? DstLen - C1 : C0, L1 = Mirror ? DstLen - C0 : C1, Unused;
        Span(L0, A, Unused);
        Span(L1 - 1, Unused, B);
    }
};

// The two axes of a stretch in a stretch mode: HALFTONE averages the covered
// area; when reducing, BLACKONWHITE ANDs and WHITEONBLACK ORs the pixels it
// drops; otherwise the nearest pixel is taken.
void MakeAxes(int SrcW, int SrcH, int W, int H, bool FlipX, bool FlipY, int Mode, TAxis& Ax, TAxis& Ay) {
    Ax = {SrcW, W, FlipX, TAxis::Nearest};
    Ay = {SrcH, H, FlipY, TAxis::Nearest};
    if (Mode == HALFTONE && (SrcW != W || SrcH != H))
        Ax.Kind = Ay.Kind = TAxis::Area;
    else if ((Mode == BLACKONWHITE || Mode == WHITEONBLACK) && (W < SrcW || H < SrcH))
        Ax.Kind = Ay.Kind = TAxis::Combine;
}

// Scales the part Win (destination-rectangle coordinates) of a stretch from
// Sub, which holds the source pixels from (SubX, SubY) of the source rectangle
// on, covering what Win reads. Only the visible part is ever computed.
std::unique_ptr<TGdiSurface> ScaleWindow(const TGdiSurface& Sub, int SubX, int SubY, const TAxis& Ax, const TAxis& Ay,
                                         bool And, RECT Win) {
    int Ww = Win.right - Win.left, Wh = Win.bottom - Win.top;
    auto Out = NewSurface(Ww, Wh);
    if (Ww <= 0 || Wh <= 0) return Out;
    if (Ax.Kind == TAxis::Area) {
        std::vector<TTap> Tx(static_cast<size_t>(Ww));
        // A destination pixel inside one source pixel on both axes (most of an
        // enlargement, all of an axis kept at its size) averages that pixel
        // alone: its weight product is the whole total, so it is copied.
        std::vector<char> SingleX(static_cast<size_t>(Ww));
        bool AllSingleX = true;
        for (int C = 0; C < Ww; ++C) {
            Tx[C] = TapOf(Ax.Logical(Win.left + C), Ax.SrcLen, Ax.DstLen);
            Tx[C].First -= SubX;
            SingleX[C] = Tx[C].Weights.size() == 1;
            AllSingleX = AllSingleX && SingleX[C];
        }
        int Ya, Yb;
        Ay.Need(Win.top, Win.bottom, Ya, Yb);
        // Horizontal pass: channel sums (weights total SrcLen) for the source rows read.
        std::vector<uint32_t> Mid(static_cast<size_t>(Ww) * (Yb - Ya) * 4);
        for (int Y = Ya; Y < Yb; ++Y) {
            const uint32_t* In = Sub.Row(Y - SubY);
            uint32_t* M = &Mid[static_cast<size_t>(Y - Ya) * Ww * 4];
            for (int X = 0; X < Ww; ++X) {
                const TTap& T = Tx[X];
                uint32_t C0 = 0, C1 = 0, C2 = 0, C3 = 0;
                for (size_t K = 0; K < T.Weights.size(); ++K) {
                    uint32_t P = In[T.First + K], Wt = T.Weights[K];
                    C0 += (P & 0xFF) * Wt;
                    C1 += ((P >> 8) & 0xFF) * Wt;
                    C2 += ((P >> 16) & 0xFF) * Wt;
                    C3 += (P >> 24) * Wt;
                }
                M[4 * X] = C0;
                M[4 * X + 1] = C1;
                M[4 * X + 2] = C2;
                M[4 * X + 3] = C3;
            }
        }
        uint64_t Total = uint64_t(Ax.SrcLen) * Ay.SrcLen, Half = Total / 2;
        // Division by Total rounded half up, by a reciprocal and one exact correction.
        double Inv = 1.0 / static_cast<double>(Total);
        auto Div = [&](uint64_t V) {
            V += Half;
            uint64_t Q = static_cast<uint64_t>(static_cast<double>(V) * Inv);
            if (Q * Total > V)
                --Q;
            else if ((Q + 1) * Total <= V)
                ++Q;
            return static_cast<uint32_t>(Q);
        };
        std::vector<uint64_t> Acc(static_cast<size_t>(Ww) * 4);
        for (int R = 0; R < Wh; ++R) {
            TTap T = TapOf(Ay.Logical(Win.top + R), Ay.SrcLen, Ay.DstLen);
            uint32_t* O = Out->Row(R);
            const bool SingleY = T.Weights.size() == 1;
            const uint32_t* In = SingleY ? Sub.Row(T.First - SubY) : nullptr;  // the one source row
            if (SingleY) {
                // One source row: its sums times the row's weight, for the pixels not copied.
                const uint32_t* M = &Mid[static_cast<size_t>(T.First - Ya) * Ww * 4];
                const uint64_t Wt = T.Weights[0];
                for (int X = 0; X < Ww; ++X) {
                    if (SingleX[X]) {
                        O[X] = In[Tx[X].First];
                        continue;
                    }
                    uint32_t P = 0;
                    for (int C = 0; C < 4; ++C) P |= Div(M[4 * X + C] * Wt) << (8 * C);
                    O[X] = P;
                }
                continue;
            }
            std::fill(Acc.begin(), Acc.end(), 0);
            for (size_t K = 0; K < T.Weights.size(); ++K) {
                const uint32_t* M = &Mid[static_cast<size_t>(T.First + static_cast<int>(K) - Ya) * Ww * 4];
                uint64_t Wt = T.Weights[K];
                for (int I = 0; I < Ww * 4; ++I) Acc[I] += M[I] * Wt;
            }
            for (int X = 0; X < Ww; ++X) {
                uint32_t P = 0;
                for (int C = 0; C < 4; ++C) P |= Div(Acc[4 * X + C]) << (8 * C);
                O[X] = P;
            }
        }
        return Out;
    }
    // Nearest pixel, or the AND / OR of the span each destination pixel covers.
    std::vector<int> X0(static_cast<size_t>(Ww)), X1(static_cast<size_t>(Ww));
    for (int C = 0; C < Ww; ++C) {
        Ax.Span(Ax.Logical(Win.left + C), X0[C], X1[C]);
        X0[C] -= SubX;
        X1[C] -= SubX;
    }
    for (int R = 0; R < Wh; ++R) {
        int Y0, Y1;
        Ay.Span(Ay.Logical(Win.top + R), Y0, Y1);
        uint32_t* O = Out->Row(R);
        if (Ax.Kind == TAxis::Nearest) {
            const uint32_t* In = Sub.Row(Y0 - SubY);
            for (int C = 0; C < Ww; ++C) O[C] = In[X0[C]];
            continue;
        }
        for (int C = 0; C < Ww; ++C) {
            uint32_t P = And ? 0xFFFFFFFFu : 0u;
            for (int Y = Y0; Y < Y1; ++Y) {
                const uint32_t* In = Sub.Row(Y - SubY);
                for (int X = X0[C]; X < X1[C]; ++X) P = And ? (P & In[X]) : (P | In[X]);
            }
            O[C] = P;
        }
    }
    return Out;
}

// Applies Rop (or the mask's two ROPs) over Dst (surface coordinates) of the
// target, with Src laid out over Dst shifted by (SrcX, SrcY) into Src.
void Compose(TTarget& T, RECT Dst, const TGdiSurface* Src, int SrcX, int SrcY, DWORD Rop,
             const TGdiSurface* Mask = nullptr, int MaskX = 0, int MaskY = 0) {
    uint8_t Fore = RopCode(Rop), Back = Mask ? static_cast<uint8_t>(Rop >> 24) : Fore;
    TPaint Paint;
    if (UsesPattern(Fore) || UsesPattern(Back)) {
        Paint = MakePaint(T, T.Dc->S.Brush.get());
        if (Paint.Null) return;  // nothing to paint with
    }
    for (const RECT& C : *T.Clip) {
        RECT I{std::max(Dst.left, C.left), std::max(Dst.top, C.top), std::min(Dst.right, C.right),
               std::min(Dst.bottom, C.bottom)};
        if (I.left >= I.right || I.top >= I.bottom) continue;
        if (!Mask && Fore == 0xCC && Src)
            T.Overwrite(I);  // every pixel of I is copied over below
        else
            T.Touch(I);
        for (int Y = I.top; Y < I.bottom; ++Y) {
            uint32_t* Row = T.Surf->Row(Y);
            const uint32_t* S = Src ? Src->Row(Y - Dst.top + SrcY) + (SrcX - Dst.left) : nullptr;
            const uint32_t* M = Mask ? Mask->Row(Y - Dst.top + MaskY) + (MaskX - Dst.left) : nullptr;
            if (!Mask && Fore == 0xCC && S) {  // plain copy
                std::memcpy(Row + I.left, S + I.left, static_cast<size_t>(I.right - I.left) * 4);
                continue;
            }
            for (int X = I.left; X < I.right; ++X) {
                uint8_t Code = M ? ((M[X] & 0xFFFFFF) ? Fore : Back) : Fore;
                uint32_t P = 0;
                if (UsesPattern(Code) && !Paint.At(X, Y, P)) continue;
                Row[X] = ApplyRop3(Code, P, S ? S[X] : 0, Row[X]);
            }
        }
    }
}

RECT Normalize(int X, int Y, int W, int H) {
    RECT R{X, Y, X + W, Y + H};
    if (R.right < R.left) std::swap(R.left, R.right);
    if (R.bottom < R.top) std::swap(R.top, R.bottom);
    return R;
}

// A stretch rectangle: a negative extent runs from the pixel at X (or Y)
// backwards, so (W - 1, 0, -W, H) mirrors into [0, W).
RECT Mirrored(int X, int Y, int W, int H) {
    RECT R{X, Y, X + W, Y + H};
    if (W < 0) R = {X + W + 1, R.top, X + 1, R.bottom};
    if (H < 0) R = {R.left, Y + H + 1, R.right, Y + 1};
    return R;
}

// BitBlt and MaskBlt: one-to-one, the source clamped to its surface.
BOOL Blit(HDC Dest, int X, int Y, int W, int H, HDC Src, int XSrc, int YSrc, DWORD Rop, HBITMAP MaskBm, int XMask,
          int YMask) {
    TTarget D;
    if (!D.Begin(Dest)) return FALSE;
    if (W < 0) {
        X += W;
        XSrc += W;
        W = -W;
    }
    if (H < 0) {
        Y += H;
        YSrc += H;
        H = -H;
    }
    uint8_t Fore = RopCode(Rop), Back = MaskBm ? static_cast<uint8_t>(Rop >> 24) : Fore;
    bool NeedSource = UsesSource(Fore) || UsesSource(Back);
    RECT Dst{X + D.Dx, Y + D.Dy, X + D.Dx + W, Y + D.Dy + H};
    std::unique_ptr<TGdiSurface> Grab;
    std::unique_ptr<TGdiSurface> MaskCopy;
    if (NeedSource) {
        TTarget S;
        if (!S.Begin(Src)) return FALSE;
        // The part of the source that exists decides what is drawn.
        RECT Sr{XSrc + S.Dx, YSrc + S.Dy, XSrc + S.Dx + W, YSrc + S.Dy + H};
        RECT In{std::max<LONG>(Sr.left, 0), std::max<LONG>(Sr.top, 0), std::min<LONG>(Sr.right, S.Surf->Width),
                std::min<LONG>(Sr.bottom, S.Surf->Height)};
        if (In.left >= In.right || In.top >= In.bottom) return TRUE;
        Dst = {Dst.left + (In.left - Sr.left), Dst.top + (In.top - Sr.top), Dst.right - (Sr.right - In.right),
               Dst.bottom - (Sr.bottom - In.bottom)};
        XMask += In.left - Sr.left;
        YMask += In.top - Sr.top;
        Grab = GrabSource(S, In, D);  // a copy, so overlapping blits on one surface work
    }
    const TGdiSurface* Mask = nullptr;
    if (MaskBm) {
        auto Mb = FindBitmap(MaskBm);
        if (!Mb || !Mb->Mono()) return FALSE;
        const TGdiSurface& Ms = *Mb->Surface;
        // Clamp to the mask as well.
        int L = std::max<int>(Dst.left, Dst.left - XMask), Tp = std::max<int>(Dst.top, Dst.top - YMask);
        int R = std::min<int>(Dst.right, Dst.left - XMask + Ms.Width), B = std::min<int>(Dst.bottom, Dst.top - YMask + Ms.Height);
        if (L >= R || Tp >= B) return TRUE;
        int Sx = static_cast<int>(L - Dst.left), Sy = static_cast<int>(Tp - Dst.top);
        MaskCopy = NewSurface(R - L, B - Tp);
        for (int Yy = 0; Yy < B - Tp; ++Yy)
            std::memcpy(MaskCopy->Row(Yy), Ms.Row(YMask + Sy + Yy) + XMask + Sx, static_cast<size_t>(R - L) * 4);
        if (Grab) {
            auto G2 = NewSurface(R - L, B - Tp);
            for (int Yy = 0; Yy < B - Tp; ++Yy)
                std::memcpy(G2->Row(Yy), Grab->Row(Sy + Yy) + Sx, static_cast<size_t>(R - L) * 4);
            Grab = std::move(G2);
        }
        Dst = {L, Tp, R, B};
        Mask = MaskCopy.get();
    }
    Compose(D, Dst, Grab.get(), 0, 0, Rop, Mask, 0, 0);
    return TRUE;
}

}  // namespace

BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, DWORD Rop) {
    return Blit(Dest, X, Y, Width, Height, Src, XSrc, YSrc, Rop, /*MaskBm=*/nullptr, 0, 0);
}

BOOL MaskBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, HBITMAP Mask, int XMask,
             int YMask, DWORD Rop) {
    if (!Mask) return Blit(Dest, X, Y, Width, Height, Src, XSrc, YSrc, Rop & 0x00FFFFFFu, /*MaskBm=*/nullptr, 0, 0);
    return Blit(Dest, X, Y, Width, Height, Src, XSrc, YSrc, Rop, Mask, XMask, YMask);
}

BOOL PatBlt(HDC Dc, int X, int Y, int Width, int Height, DWORD Rop) {
    if (UsesSource(RopCode(Rop))) return FALSE;
    TTarget T;
    if (!T.Begin(Dc)) return FALSE;
    RECT R = Normalize(X + T.Dx, Y + T.Dy, Width, Height);
    Compose(T, R, /*Src=*/nullptr, 0, 0, Rop);
    return TRUE;
}

namespace {
// The visible part of a stretch's destination: Vis in surface coordinates and
// Win, the same relative to the destination rectangle R. False when nothing shows.
bool VisiblePart(const TTarget& D, RECT R, RECT& Vis, RECT& Win) {
    Vis = {std::max(R.left, D.ClipBox.left), std::max(R.top, D.ClipBox.top), std::min(R.right, D.ClipBox.right),
           std::min(R.bottom, D.ClipBox.bottom)};
    if (Vis.left >= Vis.right || Vis.top >= Vis.bottom) return false;
    Win = {Vis.left - R.left, Vis.top - R.top, Vis.right - R.left, Vis.bottom - R.top};
    return true;
}

// The window Win of the stretch of source rectangle Sr (surface coordinates of DC S)
// in the destination's colours; source pixels outside S's surface read as black.
std::unique_ptr<TGdiSurface> StretchFromDC(TTarget& S, const TTarget& D, RECT Sr, const TAxis& Ax, const TAxis& Ay,
                                           int Mode, RECT Win) {
    int Xa, Xb, Ya, Yb;
    Ax.Need(Win.left, Win.right, Xa, Xb);
    Ay.Need(Win.top, Win.bottom, Ya, Yb);
    RECT Need{Sr.left + Xa, Sr.top + Ya, Sr.left + Xb, Sr.top + Yb};
    RECT In{std::max<LONG>(Need.left, 0), std::max<LONG>(Need.top, 0), std::min<LONG>(Need.right, S.Surf->Width),
            std::min<LONG>(Need.bottom, S.Surf->Height)};
    std::unique_ptr<TGdiSurface> Sub;
    if (In.left == Need.left && In.top == Need.top && In.right == Need.right && In.bottom == Need.bottom) {
        Sub = GrabSource(S, Need, D);
    } else {
        Sub = NewSurface(Need.right - Need.left, Need.bottom - Need.top);
        if (In.left < In.right && In.top < In.bottom) {
            auto Inside = GrabSource(S, In, D);
            for (int Y = 0; Y < Inside->Height; ++Y)
                std::memcpy(Sub->Row(Y + In.top - Need.top) + (In.left - Need.left), Inside->Row(Y),
                            static_cast<size_t>(Inside->Width) * 4);
        }
    }
    return ScaleWindow(*Sub, Xa, Ya, Ax, Ay, Mode == BLACKONWHITE, Win);
}

// A stretch between two DCs in Mode: the destination rectangle R (surface
// coordinates), its visible part Vis and that part of the scaled source.
bool StretchDCs(TTarget& D, TTarget& S, int X, int Y, int Width, int Height, int XSrc, int YSrc, int SrcWidth,
                int SrcHeight, int Mode, RECT& Vis, std::unique_ptr<TGdiSurface>& Scaled, bool Convert = true) {
    RECT R = Mirrored(X + D.Dx, Y + D.Dy, Width, Height), Win;
    if (!VisiblePart(D, R, Vis, Win)) return false;
    RECT Sr = Mirrored(XSrc + S.Dx, YSrc + S.Dy, SrcWidth, SrcHeight);
    TAxis Ax, Ay;
    MakeAxes(std::abs(SrcWidth), std::abs(SrcHeight), std::abs(Width), std::abs(Height),
             (SrcWidth < 0) != (Width < 0), (SrcHeight < 0) != (Height < 0), Mode, Ax, Ay);
    Scaled = StretchFromDC(S, Convert ? D : S, Sr, Ax, Ay, Mode, Win);
    return true;
}
}  // namespace

BOOL StretchBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                int SrcHeight, DWORD Rop) {
    if (!UsesSource(RopCode(Rop))) return PatBlt(Dest, X, Y, Width, Height, Rop);
    if (SrcWidth == 0 || SrcHeight == 0) return FALSE;
    TTarget D, S;
    if (!D.Begin(Dest) || !S.Begin(Src)) return FALSE;
    if (Width == 0 || Height == 0) return TRUE;
    RECT Vis;
    std::unique_ptr<TGdiSurface> Scaled;
    if (StretchDCs(D, S, X, Y, Width, Height, XSrc, YSrc, SrcWidth, SrcHeight, D.Dc->S.StretchMode, Vis, Scaled))
        Compose(D, Vis, Scaled.get(), 0, 0, Rop);
    return TRUE;
}

namespace {
// The rows [Top, Bottom) (top-down numbering) of a packed DIB as a surface.
std::unique_ptr<TGdiSurface> DecodeRows(const TDibFormat& F, const void* Bits, UINT StartScan, UINT Lines, int Top,
                                        int Bottom) {
    auto Out = NewSurface(F.Width, std::max(Bottom - Top, 0));
    const auto* Src = static_cast<const uint8_t*>(Bits);
    for (int Y = Top; Y < Bottom; ++Y) {
        if (Y < 0 || Y >= F.Height) continue;
        int Scan = F.TopDown ? Y : F.Height - 1 - Y;
        if (Scan < static_cast<int>(StartScan) || Scan >= static_cast<int>(StartScan + Lines)) continue;
        DecodeDibRow(Src + static_cast<size_t>(Scan - StartScan) * F.Stride, F.Bpp, F.Width, F.Table.data(),
                     static_cast<int>(F.Table.size()), F.Masks, Out->Row(Y - Top));
    }
    return Out;
}
}  // namespace

int SetDIBitsToDevice(HDC Dc, int XDest, int YDest, DWORD Width, DWORD Height, int XSrc, int YSrc, UINT StartScan,
                      UINT Lines, const void* Bits, const BITMAPINFO* Info, UINT Usage) {
    TTarget T;
    if (!T.Begin(Dc) || !Bits) return 0;
    TDibFormat F;
    if (!ParseDib(Info, Usage, T.Dc.get(), F)) return 0;
    int W = static_cast<int>(Width), H = static_cast<int>(Height);
    // The source rectangle's origin is the DIB's lower-left corner for bottom-up DIBs.
    int Top = F.TopDown ? YSrc : F.Height - (YSrc + H);
    RECT Sr{XSrc, Top, XSrc + W, Top + H};
    RECT In{std::max<LONG>(Sr.left, 0), std::max<LONG>(Sr.top, 0), std::min<LONG>(Sr.right, F.Width),
            std::min<LONG>(Sr.bottom, F.Height)};
    if (In.left >= In.right || In.top >= In.bottom) return static_cast<int>(Lines);
    auto Rows = DecodeRows(F, Bits, StartScan, Lines, In.top, In.bottom);
    if (T.Mono)
        for (int Y = 0; Y < Rows->Height; ++Y)
            for (int X = 0; X < Rows->Width; ++X) Rows->Row(Y)[X] = MonoPixel(ToColor(Rows->Row(Y)[X]));
    RECT Dst{XDest + T.Dx + (In.left - Sr.left), YDest + T.Dy + (In.top - Sr.top), 0, 0};
    Dst.right = Dst.left + (In.right - In.left);
    Dst.bottom = Dst.top + (In.bottom - In.top);
    Compose(T, Dst, Rows.get(), In.left, 0, SRCCOPY);
    return static_cast<int>(Lines);
}

int StretchDIBits(HDC Dc, int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc, int SrcWidth,
                  int SrcHeight, const void* Bits, const BITMAPINFO* Info, UINT Usage, DWORD Rop) {
    TTarget T;
    if (!T.Begin(Dc)) return 0;
    TDibFormat F;
    if (!ParseDib(Info, Usage, T.Dc.get(), F)) return 0;
    if (!UsesSource(RopCode(Rop))) return PatBlt(Dc, XDest, YDest, DestWidth, DestHeight, Rop) ? F.Height : 0;
    if (!Bits || SrcWidth == 0 || SrcHeight == 0) return 0;
    if (DestWidth == 0 || DestHeight == 0) return F.Height;
    RECT R = Mirrored(XDest + T.Dx, YDest + T.Dy, DestWidth, DestHeight), Vis, Win;
    if (!VisiblePart(T, R, Vis, Win)) return F.Height;
    // The source rectangle in top-down rows: bottom-up DIBs count YSrc from the bottom.
    RECT Sn = Mirrored(XSrc, YSrc, SrcWidth, SrcHeight);
    int Top = F.TopDown ? Sn.top : F.Height - Sn.bottom;
    int Mode = T.Dc->S.StretchMode;
    TAxis Ax, Ay;
    MakeAxes(std::abs(SrcWidth), std::abs(SrcHeight), std::abs(DestWidth), std::abs(DestHeight),
             (SrcWidth < 0) != (DestWidth < 0), (SrcHeight < 0) != (DestHeight < 0), Mode, Ax, Ay);
    int Xa, Xb, Ya, Yb;
    Ax.Need(Win.left, Win.right, Xa, Xb);
    Ay.Need(Win.top, Win.bottom, Ya, Yb);
    auto Rows = DecodeRows(F, Bits, 0, static_cast<UINT>(F.Height), Top + Ya, Top + Yb);
    // Crop the columns read (outside the DIB: black).
    auto Sub = NewSurface(Xb - Xa, Rows->Height);
    for (int Y = 0; Y < Rows->Height; ++Y)
        for (int X = 0; X < Sub->Width; ++X) {
            int Sx = Sn.left + Xa + X;
            uint32_t P = (Sx >= 0 && Sx < F.Width) ? Rows->Row(Y)[Sx] : 0u;
            Sub->Row(Y)[X] = T.Mono ? MonoPixel(ToColor(P)) : P;
        }
    auto Scaled = ScaleWindow(*Sub, Xa, Ya, Ax, Ay, Mode == BLACKONWHITE, Win);
    Compose(T, Vis, Scaled.get(), 0, 0, Rop);
    return F.Height;
}

BOOL AlphaBlend(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                int SrcHeight, BLENDFUNCTION Blend) {
    if (Width < 0 || Height < 0 || SrcWidth < 0 || SrcHeight < 0 || Blend.BlendOp != AC_SRC_OVER) return FALSE;
    TTarget D, S;
    if (!D.Begin(Dest) || !S.Begin(Src)) return FALSE;
    RECT Sr{XSrc + S.Dx, YSrc + S.Dy, XSrc + S.Dx + SrcWidth, YSrc + S.Dy + SrcHeight};
    if (Sr.left < 0 || Sr.top < 0 || Sr.right > S.Surf->Width || Sr.bottom > S.Surf->Height) return FALSE;
    if (Width == 0 || Height == 0 || SrcWidth == 0 || SrcHeight == 0) return TRUE;
    RECT Dst;
    std::unique_ptr<TGdiSurface> Scaled;
    if (!StretchDCs(D, S, X, Y, Width, Height, XSrc, YSrc, SrcWidth, SrcHeight, COLORONCOLOR, Dst, Scaled)) return TRUE;
    uint32_t Sca = Blend.SourceConstantAlpha;
    bool PerPixel = (Blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    for (const RECT& C : *D.Clip) {
        RECT I{std::max(Dst.left, C.left), std::max(Dst.top, C.top), std::min(Dst.right, C.right),
               std::min(Dst.bottom, C.bottom)};
        if (I.left >= I.right || I.top >= I.bottom) continue;
        D.Touch(I);
        for (int Yy = I.top; Yy < I.bottom; ++Yy) {
            uint32_t* Row = D.Surf->Row(Yy);
            const uint32_t* Sp = Scaled->Row(Yy - Dst.top) - Dst.left;
            for (int Xx = I.left; Xx < I.right; ++Xx) {
                uint32_t Sv = Sp[Xx], Dv = Row[Xx], Out = 0;
                uint32_t Sa = PerPixel ? ((Sv >> 24) * Sca + 127) / 255 : Sca;
                for (int Ch = 0; Ch < 32; Ch += 8) {
                    uint32_t Sc = (Sv >> Ch) & 0xFF, Dcv = (Dv >> Ch) & 0xFF;
                    if (Ch == 24 && !PerPixel) Sc = 0;
                    uint32_t V = PerPixel ? (Sc * Sca + 127) / 255 + (Dcv * (255 - Sa) + 127) / 255
                                          : (Sc * Sca + Dcv * (255 - Sca) + 127) / 255;
                    if (Ch == 24 && PerPixel) V = Sa + (Dcv * (255 - Sa) + 127) / 255;
                    Out |= std::min<uint32_t>(V, 255) << Ch;
                }
                Row[Xx] = Out;
            }
        }
    }
    return TRUE;
}

BOOL TransparentBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, int SrcWidth,
                    int SrcHeight, UINT TransparentColor) {
    if (Width <= 0 || Height <= 0 || SrcWidth <= 0 || SrcHeight <= 0) return FALSE;
    TTarget D, S;
    if (!D.Begin(Dest) || !S.Begin(Src)) return FALSE;
    // Compare in the source's colours, before any conversion.
    RECT Dst;
    std::unique_ptr<TGdiSurface> Scaled;
    if (!StretchDCs(D, S, X, Y, Width, Height, XSrc, YSrc, SrcWidth, SrcHeight, COLORONCOLOR, Dst, Scaled,
                    /*Convert=*/false))
        return TRUE;
    uint32_t Key = S.MapColor(TransparentColor) & 0xFFFFFF;
    bool FromMono = S.Mono && !D.Mono;
    uint32_t Fore = D.MapColor(D.Dc->S.TextColor), Back = D.MapColor(D.Dc->S.BkColor);
    for (const RECT& C : *D.Clip) {
        RECT I{std::max(Dst.left, C.left), std::max(Dst.top, C.top), std::min(Dst.right, C.right),
               std::min(Dst.bottom, C.bottom)};
        if (I.left >= I.right || I.top >= I.bottom) continue;
        D.Touch(I);
        for (int Yy = I.top; Yy < I.bottom; ++Yy) {
            uint32_t* Row = D.Surf->Row(Yy);
            const uint32_t* Sp = Scaled->Row(Yy - Dst.top) - Dst.left;
            for (int Xx = I.left; Xx < I.right; ++Xx) {
                uint32_t P = Sp[Xx];
                if ((P & 0xFFFFFF) == Key) continue;
                Row[Xx] = FromMono ? ((P & 0xFFFFFF) ? Back : Fore) : (P & 0xFFFFFF);
            }
        }
    }
    return TRUE;
}

BOOL GradientFill(HDC Dc, TRIVERTEX* Vertices, ULONG VertexCount, void* Mesh, ULONG MeshCount, ULONG Mode) {
    TTarget T;
    if (!T.Begin(Dc) || !Vertices || !Mesh) return FALSE;
    auto Pixel = [&](double R, double G, double B) {
        auto C8 = [](double V) { return static_cast<uint32_t>(std::clamp(V, 0.0, 65535.0)) >> 8; };
        COLORREF C = RGB(BYTE(C8(R)), BYTE(C8(G)), BYTE(C8(B)));
        return T.Mono ? MonoPixel(C) : ToPixel(C);
    };
    if (Mode == GRADIENT_FILL_RECT_H || Mode == GRADIENT_FILL_RECT_V) {
        auto* Rects = static_cast<GRADIENT_RECT*>(Mesh);
        for (ULONG M = 0; M < MeshCount; ++M) {
            if (Rects[M].UpperLeft >= VertexCount || Rects[M].LowerRight >= VertexCount) return FALSE;
            TRIVERTEX A = Vertices[Rects[M].UpperLeft], B = Vertices[Rects[M].LowerRight];
            if (A.x > B.x) std::swap(A.x, B.x);
            if (A.y > B.y) std::swap(A.y, B.y);
            bool Horizontal = Mode == GRADIENT_FILL_RECT_H;
            int Len = Horizontal ? B.x - A.x : B.y - A.y;
            for (int I = 0; I < Len; ++I) {
                // Integer interpolation of the 16-bit channels: exact and repeatable.
                auto Lerp = [&](COLOR16 C0, COLOR16 C1) {
                    return double(int64_t(C0) + (int64_t(C1) - int64_t(C0)) * I / Len);
                };
                uint32_t P = Pixel(Lerp(A.Red, B.Red), Lerp(A.Green, B.Green), Lerp(A.Blue, B.Blue));
                RECT R = Horizontal ? RECT{A.x + I, A.y, A.x + I + 1, B.y} : RECT{A.x, A.y + I, B.x, A.y + I + 1};
                OffsetRect(&R, T.Dx, T.Dy);
                FillRectSolid(T, R, P);
            }
        }
        return TRUE;
    }
    if (Mode != GRADIENT_FILL_TRIANGLE) return FALSE;
    auto* Tris = static_cast<GRADIENT_TRIANGLE*>(Mesh);
    for (ULONG M = 0; M < MeshCount; ++M) {
        if (Tris[M].Vertex1 >= VertexCount || Tris[M].Vertex2 >= VertexCount || Tris[M].Vertex3 >= VertexCount)
            return FALSE;
        const TRIVERTEX& V1 = Vertices[Tris[M].Vertex1];
        const TRIVERTEX& V2 = Vertices[Tris[M].Vertex2];
        const TRIVERTEX& V3 = Vertices[Tris[M].Vertex3];
        POINT Pts[3] = {{V1.x + T.Dx, V1.y + T.Dy}, {V2.x + T.Dx, V2.y + T.Dy}, {V3.x + T.Dx, V3.y + T.Dy}};
        INT Three = 3;
        TRegion Shape = PolygonRegion(Pts, &Three, 1, ALTERNATE);
        Shape.Intersect(*T.ClipRgn);
        double X1 = Pts[0].x, Y1 = Pts[0].y, X2 = Pts[1].x, Y2 = Pts[1].y, X3 = Pts[2].x, Y3 = Pts[2].y;
        double Den = (Y2 - Y3) * (X1 - X3) + (X3 - X2) * (Y1 - Y3);
        if (Den == 0) continue;
        for (const RECT& R : Shape.Rects()) {
            T.Touch(R);
            for (int Y = R.top; Y < R.bottom; ++Y)
                for (int X = R.left; X < R.right; ++X) {
                    double Px = X + 0.5, Py = Y + 0.5;
                    double L1 = ((Y2 - Y3) * (Px - X3) + (X3 - X2) * (Py - Y3)) / Den;
                    double L2 = ((Y3 - Y1) * (Px - X3) + (X1 - X3) * (Py - Y3)) / Den;
                    double L3 = 1 - L1 - L2;
                    T.Surf->Row(Y)[X] = Pixel(L1 * V1.Red + L2 * V2.Red + L3 * V3.Red,
                                              L1 * V1.Green + L2 * V2.Green + L3 * V3.Green,
                                              L1 * V1.Blue + L2 * V2.Blue + L3 * V3.Blue);
                }
        }
    }
    return TRUE;
}

// ---- Pixels ----------------------------------------------------------------------------

COLORREF GetPixel(HDC Dc, int X, int Y) {
    TTarget T;
    if (!T.Begin(Dc)) return CLR_INVALID;
    int Sx = X + T.Dx, Sy = Y + T.Dy;
    if (!T.Visible(Sx, Sy)) return CLR_INVALID;
    T.Rows(Sy, Sy + 1);
    return ToColor(T.Surf->Row(Sy)[Sx]);
}

COLORREF SetPixel(HDC Dc, int X, int Y, COLORREF Color) {
    TTarget T;
    if (!T.Begin(Dc)) return CLR_INVALID;
    int Sx = X + T.Dx, Sy = Y + T.Dy;
    if (!T.Visible(Sx, Sy)) return CLR_INVALID;
    uint32_t P = T.MapColor(Color);
    T.Touch({Sx, Sy, Sx + 1, Sy + 1});
    T.Surf->Row(Sy)[Sx] = P;
    return ToColor(P);
}

BOOL SetPixelV(HDC Dc, int X, int Y, COLORREF Color) { return SetPixel(Dc, X, Y, Color) != CLR_INVALID; }
