// The handle table, surfaces, device contexts and their state, stock objects,
// pens, brushes, palettes, clipping and coordinates.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi/gdi_private.h"

namespace gdi {

// ---- Handle table ----------------------------------------------------------------
// Handles are never reused, so a stale handle is simply absent from the table.
// Objects are shared: a DC keeps what it has selected alive after DeleteObject.

namespace {
struct TTable {
    std::recursive_mutex Lock;
    std::unordered_map<uintptr_t, std::shared_ptr<TGdiObject>> Objects;
    uintptr_t Next = 0x10000;
};
TTable& Table() {
    static TTable* T = new TTable;  // lives to the end, as worker threads may still free objects
    return *T;
}
}  // namespace

std::recursive_mutex& TableLock() { return Table().Lock; }

HGDIOBJ Register(std::shared_ptr<TGdiObject> Object) {
    TTable& T = Table();
    std::lock_guard<std::recursive_mutex> G(T.Lock);
    T.Next += 4;
    auto* H = reinterpret_cast<HGDIOBJ>(T.Next);
    Object->Handle = H;
    T.Objects[T.Next] = std::move(Object);
    return H;
}

std::shared_ptr<TGdiObject> Find(HGDIOBJ Handle) {
    TTable& T = Table();
    std::lock_guard<std::recursive_mutex> G(T.Lock);
    auto It = T.Objects.find(reinterpret_cast<uintptr_t>(Handle));
    return It == T.Objects.end() ? nullptr : It->second;
}

std::shared_ptr<TDC> FindDC(HDC Dc) {
    auto Object = Find(Dc);
    if (!Object || (Object->Type != OBJ_DC && Object->Type != OBJ_MEMDC)) return nullptr;
    return std::static_pointer_cast<TDC>(Object);
}

std::shared_ptr<TBitmap> FindBitmap(HBITMAP Bitmap) { return FindAs<TBitmap>(Bitmap, OBJ_BITMAP); }

namespace {
std::shared_ptr<TBrush> SysBrushes[COLOR_MENUBAR + 1];
std::once_flag SysBrushesOnce;
}  // namespace

std::shared_ptr<TBrush> FindBrush(HBRUSH Brush) {
    auto Index = reinterpret_cast<uintptr_t>(Brush);
    if (Index >= 1 && Index <= COLOR_MENUBAR + 1) {
        std::call_once(SysBrushesOnce, [] {
            for (int I = 0; I <= COLOR_MENUBAR; ++I) {
                SysBrushes[I] = std::make_shared<TBrush>();
                SysBrushes[I]->Type = OBJ_BRUSH;
                SysBrushes[I]->Stock = true;
                SysBrushes[I]->SysColorIndex = I;
            }
        });
        return SysBrushes[Index - 1];
    }
    return FindAs<TBrush>(Brush, OBJ_BRUSH);
}

std::unique_ptr<TGdiSurface> NewSurface(int Width, int Height) {
    auto S = std::make_unique<TGdiSurface>();
    S->Width = std::max(Width, 0);
    S->Height = std::max(Height, 0);
    S->Stride = S->Width;
    S->Own.assign(static_cast<size_t>(S->Width) * S->Height, 0);
    S->Pixels = S->Own.data();
    return S;
}

std::shared_ptr<TBitmap> NewBitmap(int Width, int Height, int BitsPixel) {
    auto B = std::make_shared<TBitmap>();
    B->Type = OBJ_BITMAP;
    B->BitsPixel = BitsPixel == 1 ? 1 : 32;
    B->Surface = NewSurface(Width, Height);
    if (B->Mono())  // a new monochrome bitmap is black... as its bits are zero
        std::fill(B->Surface->Own.begin(), B->Surface->Own.end(), 0u);
    return B;
}

// ---- Colours ------------------------------------------------------------------

uint32_t MonoPixel(COLORREF C) {
    unsigned Lum = (GetRValue(C) * 30u + GetGValue(C) * 59u + GetBValue(C) * 11u);
    return Lum >= 12750u ? 0xFFFFFFu : 0u;
}

namespace {
const PALETTEENTRY DefaultPalette[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};
}  // namespace

COLORREF ResolveColor(const TDC& Dc, COLORREF Color) {
    if ((Color & 0xFF000000u) == 0x01000000u) {
        unsigned I = Color & 0xFFFF;
        if (Dc.S.Palette && I < Dc.S.Palette->Entries.size()) {
            const PALETTEENTRY& E = Dc.S.Palette->Entries[I];
            return RGB(E.peRed, E.peGreen, E.peBlue);
        }
        if (I < 20) return RGB(DefaultPalette[I].peRed, DefaultPalette[I].peGreen, DefaultPalette[I].peBlue);
        return 0;
    }
    return Color & 0x00FFFFFFu;
}

uint32_t ApplyRop2(int Rop2, uint32_t P, uint32_t D) {
    uint32_t R;
    switch (Rop2) {
        case R2_BLACK: R = 0; break;
        case R2_NOTMERGEPEN: R = ~(P | D); break;
        case R2_MASKNOTPEN: R = ~P & D; break;
        case R2_NOTCOPYPEN: R = ~P; break;
        case R2_MASKPENNOT: R = P & ~D; break;
        case R2_NOT: R = ~D; break;
        case R2_XORPEN: R = P ^ D; break;
        case R2_NOTMASKPEN: R = ~(P & D); break;
        case R2_MASKPEN: R = P & D; break;
        case R2_NOTXORPEN: R = ~(P ^ D); break;
        case R2_NOP: return D;
        case R2_MERGENOTPEN: R = ~P | D; break;
        case R2_MERGEPENNOT: R = P | ~D; break;
        case R2_MERGEPEN: R = P | D; break;
        case R2_WHITE: R = 0xFFFFFFFFu; break;
        default: R = P; break;  // R2_COPYPEN
    }
    return R & 0x00FFFFFFu;
}

uint32_t ApplyRop3(uint8_t Code, uint32_t P, uint32_t S, uint32_t D) {
    switch (Code) {
        case 0xCC: return S;  // SRCCOPY keeps the source's alpha (32-bit images)
        case 0x00: return 0;
        case 0xFF: return 0x00FFFFFFu;
        case 0xF0: return P & 0x00FFFFFFu;
        case 0x55: return ~D & 0x00FFFFFFu;
        case 0x66: return (S ^ D) & 0x00FFFFFFu;
        case 0x88: return (S & D) & 0x00FFFFFFu;
        case 0xEE: return (S | D) & 0x00FFFFFFu;
        case 0x33: return ~S & 0x00FFFFFFu;
        case 0x5A: return (P ^ D) & 0x00FFFFFFu;
        case 0xAA: return D;
        default: break;
    }
    // Any ternary code: the OR of the minterms its truth table selects.
    uint32_t R = 0;
    for (int I = 0; I < 8; ++I)
        if (Code & (1 << I)) R |= ((I & 4) ? P : ~P) & ((I & 2) ? S : ~S) & ((I & 1) ? D : ~D);
    return R & 0x00FFFFFFu;
}

const uint8_t* HatchPattern(int Hatch) {
    static const uint8_t Patterns[6][8] = {
        {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
        {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
        {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
        {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // HS_CROSS
        {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
    };
    return Patterns[(Hatch >= 0 && Hatch <= 5) ? Hatch : 0];
}

// ---- System colours --------------------------------------------------------------

namespace {
COLORREF (*SysColorSource)(int) = nullptr;
}

COLORREF GdiClassicSysColorImpl(int Index) {
    static const COLORREF Classic[COLOR_MENUBAR + 1] = {
        RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
        RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
        RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
        RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
        RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
        RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(10, 36, 106),
        RGB(212, 208, 200)};
    return (Index >= 0 && Index <= COLOR_MENUBAR) ? Classic[Index] : 0;
}

// ---- Paint ------------------------------------------------------------------------

bool TPaint::At(int X, int Y, uint32_t& Pixel) const {
    switch (Kind) {
        case BS_HATCHED: {
            int Px = ((X - OrgX) % 8 + 8) % 8, Py = ((Y - OrgY) % 8 + 8) % 8;
            if (HatchRows[Py] & (0x80 >> Px)) {
                Pixel = Color;
                return true;
            }
            if (Transparent) return false;
            Pixel = Back;
            return true;
        }
        case BS_PATTERN: {
            int W = Pattern->Width, H = Pattern->Height;
            int Px = ((X - OrgX) % W + W) % W, Py = ((Y - OrgY) % H + H) % H;
            uint32_t P = Pattern->Row(Py)[Px];
            if (PatternMono)
                Pixel = (P & 0xFFFFFF) ? Back : Fore;
            else
                Pixel = P & 0x00FFFFFFu;
            return true;
        }
        default: Pixel = Color; return true;
    }
}

TPaint MakePaint(const TTarget& T, const TBrush* Brush) {
    TPaint P;
    if (!Brush || Brush->Style == BS_NULL) return P;
    const TDC& Dc = *T.Dc;
    P.Null = false;
    P.OrgX = Dc.S.BrushOrg.x + Dc.Origin.x;
    P.OrgY = Dc.S.BrushOrg.y + Dc.Origin.y;
    COLORREF C = Brush->Color;
    if (Brush->DCBrush) C = Dc.S.DCBrushColor;
    if (Brush->SysColorIndex >= 0) C = GdiSysColor(Brush->SysColorIndex);
    P.Color = T.MapColor(C);
    switch (Brush->Style) {
        case BS_HATCHED:
            P.Kind = BS_HATCHED;
            P.HatchRows = HatchPattern(Brush->Hatch);
            P.Back = T.MapColor(Dc.S.BkColor);
            P.Transparent = Dc.S.BkMode == TRANSPARENT;
            break;
        case BS_PATTERN:
            if (Brush->Pattern && Brush->Pattern->Surface->Width > 0 && Brush->Pattern->Surface->Height > 0) {
                P.Kind = BS_PATTERN;
                P.Pattern = Brush->Pattern->Surface.get();
                P.PatternMono = Brush->Pattern->Mono();
                P.Fore = T.MapColor(Dc.S.TextColor);
                P.Back = T.MapColor(Dc.S.BkColor);
            }
            break;
        default: P.Kind = BS_SOLID; break;
    }
    return P;
}

void FillRectRop2(TTarget& T, RECT R, const TPaint& Paint, int Rop2) {
    if (Paint.Null) return;
    for (const RECT& C : *T.Clip) {
        RECT I{std::max(R.left, C.left), std::max(R.top, C.top), std::min(R.right, C.right),
               std::min(R.bottom, C.bottom)};
        if (I.left >= I.right || I.top >= I.bottom) continue;
        T.Touch(I);
        for (int Y = I.top; Y < I.bottom; ++Y) {
            uint32_t* Row = T.Surf->Row(Y);
            if (Paint.Kind == BS_SOLID && Rop2 == R2_COPYPEN) {
                std::fill(Row + I.left, Row + I.right, Paint.Color);
                continue;
            }
            for (int X = I.left; X < I.right; ++X) {
                uint32_t P;
                if (Paint.At(X, Y, P)) Row[X] = ApplyRop2(Rop2, P, Row[X]);
            }
        }
    }
}

void FillRectSolid(TTarget& T, RECT R, uint32_t Pixel) {
    TPaint P;
    P.Null = false;
    P.Color = Pixel;
    FillRectRop2(T, R, P, R2_COPYPEN);
}

void FillRegionRop2(TTarget& T, const TRegion& Shape, const TPaint& Paint, int Rop2) {
    if (Paint.Null) return;
    TRegion Clipped = Shape;
    Clipped.Intersect(*T.ClipRgn);
    std::vector<RECT> Rects = Clipped.Rects();
    // FillRectRop2 clips again; the shape already is inside the clip.
    const std::vector<RECT>* Saved = T.Clip;
    std::vector<RECT> All{T.ClipBox};
    T.Clip = &All;
    for (const RECT& R : Rects) FillRectRop2(T, R, Paint, Rop2);
    T.Clip = Saved;
}

// ---- DIB sections: conversion between the caller's bits and the surface ----------

namespace {
int MaskShift(DWORD Mask) {
    int S = 0;
    if (!Mask) return 0;
    while (!(Mask & 1)) {
        Mask >>= 1;
        ++S;
    }
    return S;
}
int MaskBits(DWORD Mask) {
    Mask >>= MaskShift(Mask);
    int N = 0;
    while (Mask & 1) {
        Mask >>= 1;
        ++N;
    }
    return N;
}
uint32_t Expand(uint32_t V, int Bits) {
    if (Bits <= 0) return 0;
    if (Bits >= 8) return V >> (Bits - 8);
    uint32_t Out = 0;
    int Have = 0;
    while (Have < 8) {
        Out = (Out << Bits) | V;
        Have += Bits;
    }
    return Out >> (Have - 8);
}
}  // namespace

// Reads row Y (top-down numbering) of packed DIB data into pixels.
void DecodeDibRow(const uint8_t* Src, int Bpp, int Width, const RGBQUAD* Table, int TableCount, const DWORD* Masks,
                  uint32_t* Out) {
    DecodeDibSpan(Src, Bpp, 0, Width, Table, TableCount, Masks, Out);
}

void DecodeDibSpan(const uint8_t* Src, int Bpp, int X0, int X1, const RGBQUAD* Table, int TableCount,
                   const DWORD* Masks, uint32_t* Out) {
    auto Lookup = [&](unsigned I) -> uint32_t {
        if (static_cast<int>(I) >= TableCount) return 0;
        const RGBQUAD& Q = Table[I];
        return (uint32_t(Q.rgbRed) << 16) | (uint32_t(Q.rgbGreen) << 8) | Q.rgbBlue;
    };
    switch (Bpp) {
        case 1:
            for (int X = X0; X < X1; ++X) Out[X] = Lookup((Src[X >> 3] >> (7 - (X & 7))) & 1);
            break;
        case 4:
            for (int X = X0; X < X1; ++X) Out[X] = Lookup((X & 1) ? (Src[X >> 1] & 0xF) : (Src[X >> 1] >> 4));
            break;
        case 8:
            for (int X = X0; X < X1; ++X) Out[X] = Lookup(Src[X]);
            break;
        case 16:
        case 32: {
            DWORD Mr = Masks[0], Mg = Masks[1], Mb = Masks[2];
            int Sr = MaskShift(Mr), Sg = MaskShift(Mg), Sb = MaskShift(Mb);
            int Br = MaskBits(Mr), Bg = MaskBits(Mg), Bb = MaskBits(Mb);
            if (Bpp == 32 && Mr == 0xFF0000 && Mg == 0xFF00 && Mb == 0xFF) {
                std::memcpy(Out + X0, Src + 4 * static_cast<size_t>(X0), static_cast<size_t>(X1 - X0) * 4);
                break;
            }
            for (int X = X0; X < X1; ++X) {
                uint32_t V = Bpp == 16 ? uint32_t(Src[2 * X] | (Src[2 * X + 1] << 8))
                                       : uint32_t(Src[4 * X] | (Src[4 * X + 1] << 8) | (Src[4 * X + 2] << 16) |
                                                  (uint32_t(Src[4 * X + 3]) << 24));
                Out[X] = (Expand((V & Mr) >> Sr, Br) << 16) | (Expand((V & Mg) >> Sg, Bg) << 8) |
                         Expand((V & Mb) >> Sb, Bb);
            }
            break;
        }
        case 24:
            for (int X = X0; X < X1; ++X)
                Out[X] = (uint32_t(Src[3 * X + 2]) << 16) | (uint32_t(Src[3 * X + 1]) << 8) | Src[3 * X];
            break;
        default: std::fill(Out + X0, Out + X1, 0u); break;
    }
}

namespace {
unsigned NearestIndex(const RGBQUAD* Table, int Count, uint32_t P) {
    int R = (P >> 16) & 0xFF, G = (P >> 8) & 0xFF, B = P & 0xFF;
    unsigned Best = 0;
    int BestD = 0x7FFFFFFF;
    for (int I = 0; I < Count; ++I) {
        int Dr = Table[I].rgbRed - R, Dg = Table[I].rgbGreen - G, Db = Table[I].rgbBlue - B;
        int D = Dr * Dr + Dg * Dg + Db * Db;
        if (D < BestD) {
            BestD = D;
            Best = static_cast<unsigned>(I);
            if (D == 0) break;
        }
    }
    return Best;
}
}  // namespace

// Writes pixels [X0, X1) of one row into packed DIB data.
void EncodeDibRow(const uint32_t* In, int Bpp, int X0, int X1, const RGBQUAD* Table, int TableCount,
                  const DWORD* Masks, uint8_t* Dst) {
    std::unordered_map<uint32_t, unsigned> Cache;
    auto Index = [&](uint32_t P) {
        P &= 0xFFFFFF;
        auto It = Cache.find(P);
        if (It != Cache.end()) return It->second;
        unsigned I = NearestIndex(Table, TableCount, P);
        Cache[P] = I;
        return I;
    };
    switch (Bpp) {
        case 1:
            for (int X = X0; X < X1; ++X) {
                uint8_t Bit = uint8_t(0x80 >> (X & 7));
                if (Index(In[X]) & 1)
                    Dst[X >> 3] |= Bit;
                else
                    Dst[X >> 3] &= uint8_t(~Bit);
            }
            break;
        case 4:
            for (int X = X0; X < X1; ++X) {
                unsigned I = Index(In[X]) & 0xF;
                uint8_t& B = Dst[X >> 1];
                B = (X & 1) ? uint8_t((B & 0xF0) | I) : uint8_t((B & 0x0F) | (I << 4));
            }
            break;
        case 8:
            for (int X = X0; X < X1; ++X) Dst[X] = uint8_t(Index(In[X]));
            break;
        case 16:
        case 32: {
            DWORD Mr = Masks[0], Mg = Masks[1], Mb = Masks[2];
            if (Bpp == 32 && Mr == 0xFF0000 && Mg == 0xFF00 && Mb == 0xFF) {
                std::memcpy(Dst + 4 * X0, In + X0, static_cast<size_t>(X1 - X0) * 4);
                break;
            }
            int Sr = MaskShift(Mr), Sg = MaskShift(Mg), Sb = MaskShift(Mb);
            int Br = MaskBits(Mr), Bg = MaskBits(Mg), Bb = MaskBits(Mb);
            for (int X = X0; X < X1; ++X) {
                uint32_t P = In[X];
                uint32_t V = (((P >> 16 & 0xFF) >> (8 - std::min(Br, 8))) << Sr) |
                             (((P >> 8 & 0xFF) >> (8 - std::min(Bg, 8))) << Sg) |
                             (((P & 0xFF) >> (8 - std::min(Bb, 8))) << Sb);
                if (Bpp == 16) {
                    Dst[2 * X] = uint8_t(V);
                    Dst[2 * X + 1] = uint8_t(V >> 8);
                } else {
                    std::memcpy(Dst + 4 * X, &V, 4);
                }
            }
            break;
        }
        case 24:
            for (int X = X0; X < X1; ++X) {
                Dst[3 * X] = uint8_t(In[X]);
                Dst[3 * X + 1] = uint8_t(In[X] >> 8);
                Dst[3 * X + 2] = uint8_t(In[X] >> 16);
            }
            break;
        default: break;
    }
}

void DibRowToSurface(TBitmap& B, int Y) { DibSpanToSurface(B, Y, 0, B.Surface->Width); }

void DibSpanToSurface(TBitmap& B, int Y, int X0, int X1) {
    TGdiSurface& S = *B.Surface;
    int SrcRow = B.TopDown ? Y : S.Height - 1 - Y;
    DecodeDibSpan(B.DibBits.get() + static_cast<size_t>(SrcRow) * B.DibStride, B.DibHeader.biBitCount, X0, X1,
                  B.ColorTable.data(), static_cast<int>(B.ColorTable.size()), B.Masks, S.Row(Y));
}

void DibToSurface(TBitmap& B) {
    if (!B.Dib || B.Direct) return;
    for (int Y = 0; Y < B.Surface->Height; ++Y) DibRowToSurface(B, Y);
}

void SurfaceToDib(TBitmap& B, const RECT* Changed) {
    if (!B.Dib || B.Direct) return;
    TGdiSurface& S = *B.Surface;
    RECT R{0, 0, S.Width, S.Height};
    if (Changed) {
        R.left = std::max(R.left, Changed->left);
        R.top = std::max(R.top, Changed->top);
        R.right = std::min(R.right, Changed->right);
        R.bottom = std::min(R.bottom, Changed->bottom);
    }
    for (int Y = R.top; Y < R.bottom; ++Y) {
        int DstRow = B.TopDown ? Y : S.Height - 1 - Y;
        EncodeDibRow(S.Row(Y), B.DibHeader.biBitCount, R.left, R.right, B.ColorTable.data(),
                     static_cast<int>(B.ColorTable.size()), B.Masks,
                     B.DibBits.get() + static_cast<size_t>(DstRow) * B.DibStride);
    }
}

// ---- DCs ------------------------------------------------------------------------

TGdiSurface* DCSurface(TDC& Dc) {
    if (Dc.Memory) return Dc.S.Bitmap ? Dc.S.Bitmap->Surface.get() : nullptr;
    return Dc.Surface;
}

void UpdateClip(TDC& Dc) {
    TGdiSurface* S = DCSurface(Dc);
    if (!Dc.ClipDirty && S && S->Width == Dc.ClipW && S->Height == Dc.ClipH) return;
    Dc.ClipW = S ? S->Width : 0;
    Dc.ClipH = S ? S->Height : 0;
    Dc.Eff.SetRect({0, 0, S ? S->Width : 0, S ? S->Height : 0});
    if (Dc.HasVis) Dc.Eff.Intersect(Dc.Vis);
    if (Dc.S.HasClip) {
        TRegion C = Dc.S.Clip;
        C.Translate(Dc.Origin.x, Dc.Origin.y);
        Dc.Eff.Intersect(C);
    }
    Dc.EffRects = Dc.Eff.Rects();
    Dc.EffBox = Dc.Eff.Extents();
    Dc.ClipDirty = false;
}

bool TTarget::Begin(HDC Handle) {
    Dc = FindDC(Handle);
    if (!Dc) return false;
    Surf = DCSurface(*Dc);
    if (!Surf) return false;
    if (Dc->Memory) {
        Bitmap = Dc->S.Bitmap.get();
        Mono = Bitmap->Mono();
        Lazy = Bitmap->Dib && !Bitmap->Direct;
        if (Lazy) {
            SpanLo.assign(static_cast<size_t>(Surf->Height), 0);
            SpanHi.assign(static_cast<size_t>(Surf->Height), 0);
        }
    }
    UpdateClip(*Dc);
    Clip = &Dc->EffRects;
    ClipRgn = &Dc->Eff;
    ClipBox = Dc->EffBox;
    Dx = Dc->Origin.x - Dc->S.WindowOrg.x + Dc->S.ViewportOrg.x;
    Dy = Dc->Origin.y - Dc->S.WindowOrg.y + Dc->S.ViewportOrg.y;
    return true;
}

void TTarget::End() {
    if (Wrote && Bitmap && Bitmap->Dib && !Bitmap->Direct) {
        if (Lazy) {
            // Only what this call decoded can have changed: every write touched it first.
            TBitmap& B = *Bitmap;
            const int Top = std::max<int>(Changed.top, 0), Bottom = std::min<int>(Changed.bottom, Surf->Height);
            for (int Y = Top; Y < Bottom; ++Y) {
                const int X0 = std::max<int>(Changed.left, SpanLo[static_cast<size_t>(Y)]);
                const int X1 = std::min<int>(Changed.right, SpanHi[static_cast<size_t>(Y)]);
                if (X0 >= X1) continue;
                const int DstRow = B.TopDown ? Y : Surf->Height - 1 - Y;
                EncodeDibRow(Surf->Row(Y), B.DibHeader.biBitCount, X0, X1, B.ColorTable.data(),
                             static_cast<int>(B.ColorTable.size()), B.Masks,
                             B.DibBits.get() + static_cast<size_t>(DstRow) * B.DibStride);
            }
        } else {
            SurfaceToDib(*Bitmap, &Changed);
        }
    }
    Wrote = false;
}

void TTarget::Span(int Y, int X0, int X1) {
    X0 = std::max(X0, 0);
    X1 = std::min(X1, Surf->Width);
    if (X0 >= X1) return;
    int& Lo = SpanLo[static_cast<size_t>(Y)];
    int& Hi = SpanHi[static_cast<size_t>(Y)];
    if (Hi <= Lo) {
        DibSpanToSurface(*Bitmap, Y, X0, X1);
        Lo = X0;
        Hi = X1;
        return;
    }
    // The decoded part of a row stays one run: a gap up to the new part is decoded too.
    if (X0 < Lo) {
        DibSpanToSurface(*Bitmap, Y, X0, Lo);
        Lo = X0;
    }
    if (X1 > Hi) {
        DibSpanToSurface(*Bitmap, Y, Hi, X1);
        Hi = X1;
    }
}

void TTarget::Rows(int Y0, int Y1) {
    if (!Lazy) return;
    Y0 = std::max(Y0, 0);
    Y1 = std::min(Y1, Surf->Height);
    for (int Y = Y0; Y < Y1; ++Y) Span(Y, 0, Surf->Width);
}

void TTarget::Reads(const RECT& R) {
    if (!Lazy) return;
    // A piece of a skin strip reads a frame's corner, not the strip's whole rows.
    const int Y0 = std::max<int>(R.top, 0), Y1 = std::min<int>(R.bottom, Surf->Height);
    for (int Y = Y0; Y < Y1; ++Y) Span(Y, R.left, R.right);
}

void TTarget::Touch(const RECT& R) {
    if (Lazy) {
        // A cell's frame or fill decodes the pixels it draws on, not whole rows.
        const int Y0 = std::max<int>(R.top, 0), Y1 = std::min<int>(R.bottom, Surf->Height);
        for (int Y = Y0; Y < Y1; ++Y) Span(Y, R.left, R.right);
    }
    Mark(R);
}

void TTarget::Overwrite(const RECT& R) {
    if (Lazy) {
        // Pixels about to be replaced need no decoding; only a gap between
        // them and the row's decoded run does, as the run stays one piece.
        const int Y0 = std::max<int>(R.top, 0), Y1 = std::min<int>(R.bottom, Surf->Height);
        const int X0 = std::max<int>(R.left, 0), X1 = std::min<int>(R.right, Surf->Width);
        for (int Y = Y0; Y < Y1 && X0 < X1; ++Y) {
            int& Lo = SpanLo[static_cast<size_t>(Y)];
            int& Hi = SpanHi[static_cast<size_t>(Y)];
            if (Hi <= Lo) {
                Lo = X0;
                Hi = X1;
                continue;
            }
            if (X1 < Lo) DibSpanToSurface(*Bitmap, Y, X1, Lo);
            if (X0 > Hi) DibSpanToSurface(*Bitmap, Y, Hi, X0);
            Lo = std::min(Lo, X0);
            Hi = std::max(Hi, X1);
        }
    }
    Mark(R);
}

void TTarget::Mark(const RECT& R) {
    if (!Wrote) {
        Changed = R;
        Wrote = true;
        return;
    }
    Changed.left = std::min(Changed.left, R.left);
    Changed.top = std::min(Changed.top, R.top);
    Changed.right = std::max(Changed.right, R.right);
    Changed.bottom = std::max(Changed.bottom, R.bottom);
}

bool TTarget::Visible(int X, int Y) const {
    if (X < ClipBox.left || X >= ClipBox.right || Y < ClipBox.top || Y >= ClipBox.bottom) return false;
    return Clip->size() == 1 || ClipRgn->Contains(X, Y);
}

uint32_t TTarget::MapColor(COLORREF Color) const {
    COLORREF C = ResolveColor(*Dc, Color);
    return Mono ? MonoPixel(C) : ToPixel(C);
}

}  // namespace gdi

using namespace gdi;

// ---- Surfaces -------------------------------------------------------------------

TGdiSurface* GdiCreateSurface(int Width, int Height) { return NewSurface(Width, Height).release(); }

void GdiDestroySurface(TGdiSurface* Surface) { delete Surface; }

void GdiResizeSurface(TGdiSurface* Surface, int Width, int Height) {
    if (!Surface || (Surface->Own.empty() && Surface->Pixels)) return;  // not ours to resize
    Width = std::max(Width, 0);
    Height = std::max(Height, 0);
    decltype(Surface->Own) Pixels(static_cast<size_t>(Width) * Height, 0);
    int W = std::min(Width, Surface->Width), H = std::min(Height, Surface->Height);
    for (int Y = 0; Y < H; ++Y) std::copy(Surface->Row(Y), Surface->Row(Y) + W, Pixels.data() + static_cast<size_t>(Y) * Width);
    Surface->Own.swap(Pixels);
    Surface->Pixels = Surface->Own.data();
    Surface->Width = Width;
    Surface->Height = Height;
    Surface->Stride = Width;
}

int GdiSurfaceWidth(const TGdiSurface* Surface) { return Surface ? Surface->Width : 0; }
int GdiSurfaceHeight(const TGdiSurface* Surface) { return Surface ? Surface->Height : 0; }
int GdiSurfaceStride(const TGdiSurface* Surface) { return Surface ? Surface->Stride : 0; }
uint32_t* GdiSurfacePixels(TGdiSurface* Surface) { return Surface ? Surface->Pixels : nullptr; }

// ---- Stock objects ----------------------------------------------------------------

namespace {
HGDIOBJ Stock[DC_PEN + 1];
std::shared_ptr<TBitmap> StockBitmap;
std::once_flag StockOnce;

template <class T>
HGDIOBJ RegisterStock(std::shared_ptr<T> Object, DWORD Type) {
    Object->Type = Type;
    Object->Stock = true;
    return Register(Object);
}

HGDIOBJ StockBrush(int Style, COLORREF Color, bool DCBrush = false) {
    auto B = std::make_shared<TBrush>();
    B->Style = Style;
    B->Color = Color;
    B->DCBrush = DCBrush;
    return RegisterStock(B, OBJ_BRUSH);
}

HGDIOBJ StockPen(int Style, COLORREF Color, bool DCPen = false) {
    auto P = std::make_shared<TPen>();
    P->Style = Style;
    P->Color = Color;
    P->DCPen = DCPen;
    return RegisterStock(P, OBJ_PEN);
}

HGDIOBJ StockFont(const char* Face, LONG Height, LONG Weight, BYTE Pitch) {
    auto F = std::make_shared<TFont>();
    F->Log.lfHeight = Height;
    F->Log.lfWeight = Weight;
    F->Log.lfPitchAndFamily = Pitch;
    for (int I = 0; Face[I] && I < LF_FACESIZE - 1; ++I) F->Log.lfFaceName[I] = static_cast<WCHAR>(Face[I]);
    return RegisterStock(F, OBJ_FONT);
}

void InitStock() {
    std::call_once(StockOnce, [] {
        Stock[WHITE_BRUSH] = StockBrush(BS_SOLID, RGB(255, 255, 255));
        Stock[LTGRAY_BRUSH] = StockBrush(BS_SOLID, RGB(192, 192, 192));
        Stock[GRAY_BRUSH] = StockBrush(BS_SOLID, RGB(128, 128, 128));
        Stock[DKGRAY_BRUSH] = StockBrush(BS_SOLID, RGB(64, 64, 64));
        Stock[BLACK_BRUSH] = StockBrush(BS_SOLID, RGB(0, 0, 0));
        Stock[NULL_BRUSH] = StockBrush(BS_NULL, 0);
        Stock[WHITE_PEN] = StockPen(PS_SOLID, RGB(255, 255, 255));
        Stock[BLACK_PEN] = StockPen(PS_SOLID, RGB(0, 0, 0));
        Stock[NULL_PEN] = StockPen(PS_NULL, 0);
        Stock[OEM_FIXED_FONT] = StockFont("Courier New", 12, FW_NORMAL, FIXED_PITCH | FF_MODERN);
        Stock[ANSI_FIXED_FONT] = StockFont("Courier New", 13, FW_NORMAL, FIXED_PITCH | FF_MODERN);
        Stock[ANSI_VAR_FONT] = StockFont("MS Sans Serif", 13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
        Stock[SYSTEM_FONT] = StockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
        Stock[DEVICE_DEFAULT_FONT] = StockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
        auto Pal = std::make_shared<TPalette>();
        Pal->Entries.assign(std::begin(DefaultPalette), std::end(DefaultPalette));
        Stock[DEFAULT_PALETTE] = RegisterStock(Pal, OBJ_PAL);
        Stock[SYSTEM_FIXED_FONT] = StockFont("Courier New", 16, FW_NORMAL, FIXED_PITCH | FF_MODERN);
        Stock[DEFAULT_GUI_FONT] = StockFont("MS Sans Serif", -11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
        Stock[DC_BRUSH] = StockBrush(BS_SOLID, RGB(255, 255, 255), /*DCBrush=*/true);
        Stock[DC_PEN] = StockPen(PS_SOLID, 0, /*DCPen=*/true);
        StockBitmap = NewBitmap(1, 1, 1);
        StockBitmap->Stock = true;
        Register(StockBitmap);
    });
}

void DefaultState(TDCState& S) {
    InitStock();
    S = TDCState();
    S.Pen = FindAs<TPen>(Stock[BLACK_PEN], OBJ_PEN);
    S.Brush = FindAs<TBrush>(Stock[WHITE_BRUSH], OBJ_BRUSH);
    S.Font = FindAs<TFont>(Stock[SYSTEM_FONT], OBJ_FONT);
    S.Palette = FindAs<TPalette>(Stock[DEFAULT_PALETTE], OBJ_PAL);
}

void Unregister(HGDIOBJ Handle) {
    std::shared_ptr<TGdiObject> Keep;  // destroyed outside the lock
    {
        std::lock_guard<std::recursive_mutex> G(TableLock());
        auto& Objects = Table().Objects;
        auto It = Objects.find(reinterpret_cast<uintptr_t>(Handle));
        if (It == Objects.end()) return;
        Keep = std::move(It->second);
        Objects.erase(It);
    }
}

void ReleaseSelection(TDC& Dc) {
    if (Dc.S.Bitmap && Dc.S.Bitmap->SelectedIn == &Dc) Dc.S.Bitmap->SelectedIn = nullptr;
}
}  // namespace

HGDIOBJ GetStockObject(int Index) {
    InitStock();
    if (Index < 0 || Index > DC_PEN) return nullptr;
    return Stock[Index];
}

// ---- DC management ------------------------------------------------------------------

HDC GdiCreateSurfaceDC(TGdiSurface* Surface, POINT Origin, HRGN VisibleClip) {
    if (!Surface) return nullptr;
    auto Dc = std::make_shared<TDC>();
    Dc->Type = OBJ_DC;
    DefaultState(Dc->S);
    Dc->Surface = Surface;
    Dc->Origin = Origin;
    if (VisibleClip) {
        auto Rg = FindAs<TRgnObject>(VisibleClip, OBJ_REGION);
        if (Rg) {
            Dc->HasVis = true;
            Dc->Vis = Rg->Rgn;
        }
    }
    return static_cast<HDC>(Register(Dc));
}

void GdiReleaseSurfaceDC(HDC Handle) {
    auto Dc = FindDC(Handle);
    if (!Dc || Dc->Memory) return;
    Unregister(Handle);
}

TGdiSurface* GdiDCSurface(HDC Handle, POINT* Origin) {
    auto Dc = FindDC(Handle);
    if (!Dc) return nullptr;
    if (Origin) *Origin = Dc->Origin;
    TGdiSurface* S = DCSurface(*Dc);
    if (Dc->Memory && Dc->S.Bitmap) DibToSurface(*Dc->S.Bitmap);
    return S;
}

TGdiSurface* GdiBitmapSurface(HBITMAP Handle) {
    auto B = FindBitmap(Handle);
    if (!B) return nullptr;
    DibToSurface(*B);
    return B->Surface.get();
}

HDC CreateCompatibleDC(HDC Handle) {
    if (Handle && !FindDC(Handle)) return nullptr;
    auto Dc = std::make_shared<TDC>();
    Dc->Type = OBJ_MEMDC;
    Dc->Memory = true;
    DefaultState(Dc->S);
    Dc->S.Bitmap = StockBitmap;
    return static_cast<HDC>(Register(Dc));
}

BOOL DeleteDC(HDC Handle) {
    auto Dc = FindDC(Handle);
    if (!Dc) return FALSE;
    std::lock_guard<std::recursive_mutex> G(TableLock());  // selections are checked under it
    ReleaseSelection(*Dc);
    for (TDCState& S : Dc->Saved)
        if (S.Bitmap && S.Bitmap->SelectedIn == Dc.get()) S.Bitmap->SelectedIn = nullptr;
    Unregister(Handle);
    return TRUE;
}

int SaveDC(HDC Handle) {
    auto Dc = FindDC(Handle);
    if (!Dc) return 0;
    Dc->Saved.push_back(Dc->S);
    return static_cast<int>(Dc->Saved.size());
}

BOOL RestoreDC(HDC Handle, int Level) {
    auto Dc = FindDC(Handle);
    if (!Dc) return FALSE;
    int Count = static_cast<int>(Dc->Saved.size());
    int Target = Level < 0 ? Count + 1 + Level : Level;
    if (Target < 1 || Target > Count) return FALSE;
    TDCState S = Dc->Saved[static_cast<size_t>(Target - 1)];
    Dc->Saved.resize(static_cast<size_t>(Target - 1));
    std::lock_guard<std::recursive_mutex> G(TableLock());
    if (Dc->S.Bitmap != S.Bitmap) {
        ReleaseSelection(*Dc);
        if (S.Bitmap && !S.Bitmap->Stock) S.Bitmap->SelectedIn = Dc.get();
    }
    Dc->S = std::move(S);
    Dc->ClipDirty = true;
    return TRUE;
}

int SelectClipRgn(HDC Handle, HRGN Region) { return ExtSelectClipRgn(Handle, Region, RGN_COPY); }

HGDIOBJ SelectObject(HDC Handle, HGDIOBJ Object) {
    auto Dc = FindDC(Handle);
    auto Obj = Find(Object);
    if (!Dc || !Obj) return nullptr;
    switch (Obj->Type) {
        case OBJ_PEN:
        case OBJ_EXTPEN: {
            HGDIOBJ Old = Dc->S.Pen ? Dc->S.Pen->Handle : nullptr;
            Dc->S.Pen = std::static_pointer_cast<TPen>(Obj);
            return Old;
        }
        case OBJ_BRUSH: {
            HGDIOBJ Old = Dc->S.Brush ? Dc->S.Brush->Handle : nullptr;
            Dc->S.Brush = std::static_pointer_cast<TBrush>(Obj);
            return Old;
        }
        case OBJ_FONT: {
            HGDIOBJ Old = Dc->S.Font ? Dc->S.Font->Handle : nullptr;
            Dc->S.Font = std::static_pointer_cast<TFont>(Obj);
            return Old;
        }
        case OBJ_BITMAP: {
            if (!Dc->Memory) return nullptr;
            auto B = std::static_pointer_cast<TBitmap>(Obj);
            std::lock_guard<std::recursive_mutex> G(TableLock());
            if (B->SelectedIn && B->SelectedIn != Dc.get()) return nullptr;  // one DC at a time
            HGDIOBJ Old = Dc->S.Bitmap ? Dc->S.Bitmap->Handle : nullptr;
            ReleaseSelection(*Dc);
            Dc->S.Bitmap = B;
            if (!B->Stock) B->SelectedIn = Dc.get();
            Dc->ClipDirty = true;
            return Old;
        }
        case OBJ_REGION: return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(Handle, Object)));
        default: return nullptr;
    }
}

BOOL DeleteObject(HGDIOBJ Object) {
    auto Obj = Find(Object);
    if (!Obj || Obj->Type == OBJ_DC || Obj->Type == OBJ_MEMDC) return FALSE;
    if (Obj->Stock) return TRUE;
    if (Obj->Type == OBJ_BITMAP) {
        std::lock_guard<std::recursive_mutex> G(TableLock());
        if (std::static_pointer_cast<TBitmap>(Obj)->SelectedIn) return FALSE;  // still selected into a DC
    }
    Unregister(Object);
    return TRUE;
}

HGDIOBJ GetCurrentObject(HDC Handle, UINT Type) {
    auto Dc = FindDC(Handle);
    if (!Dc) return nullptr;
    switch (Type) {
        case OBJ_PEN:
        case OBJ_EXTPEN: return Dc->S.Pen ? Dc->S.Pen->Handle : nullptr;
        case OBJ_BRUSH: return Dc->S.Brush ? Dc->S.Brush->Handle : nullptr;
        case OBJ_FONT: return Dc->S.Font ? Dc->S.Font->Handle : nullptr;
        case OBJ_BITMAP: return Dc->S.Bitmap ? Dc->S.Bitmap->Handle : nullptr;
        case OBJ_PAL: return Dc->S.Palette ? Dc->S.Palette->Handle : nullptr;
        default: return nullptr;
    }
}

DWORD GetObjectType(HGDIOBJ Object) {
    auto Obj = Find(Object);
    return Obj ? Obj->Type : 0;
}

namespace {
template <class T>
int CopyOut(const T& Value, int Count, LPVOID Buffer) {
    if (!Buffer) return sizeof(T);
    int N = std::min<int>(Count, sizeof(T));
    if (N <= 0) return 0;
    std::memcpy(Buffer, &Value, static_cast<size_t>(N));
    return N;
}

int GetObjectImpl(HGDIOBJ Object, int Count, LPVOID Buffer, bool Wide) {
    auto Obj = Find(Object);
    if (!Obj) return 0;
    switch (Obj->Type) {
        case OBJ_PEN:
        case OBJ_EXTPEN: {
            auto P = std::static_pointer_cast<TPen>(Obj);
            if (Obj->Type == OBJ_EXTPEN) {
                EXTLOGPEN E{};
                E.elpPenStyle = P->FullStyle;
                E.elpWidth = static_cast<DWORD>(P->Width);
                E.elpBrushStyle = BS_SOLID;
                E.elpColor = P->Color;
                return CopyOut(E, Count, Buffer);
            }
            LOGPEN L{static_cast<UINT>(P->Style), {P->Width, 0}, P->Color};
            return CopyOut(L, Count, Buffer);
        }
        case OBJ_BRUSH: {
            auto B = std::static_pointer_cast<TBrush>(Obj);
            LOGBRUSH L{static_cast<UINT>(B->Style), B->Color, static_cast<ULONG_PTR>(B->Hatch)};
            return CopyOut(L, Count, Buffer);
        }
        case OBJ_FONT: {
            auto F = std::static_pointer_cast<TFont>(Obj);
            if (Wide) return CopyOut(F->Log, Count, Buffer);
            LOGFONTA A{};
            std::memcpy(&A, &F->Log, offsetof(LOGFONTA, lfFaceName));
            std::string Name = Utf16ToUtf8(F->Log.lfFaceName, -1);
            std::strncpy(A.lfFaceName, Name.c_str(), LF_FACESIZE - 1);
            return CopyOut(A, Count, Buffer);
        }
        case OBJ_PAL: {
            auto P = std::static_pointer_cast<TPalette>(Obj);
            WORD N = static_cast<WORD>(P->Entries.size());
            return CopyOut(N, Count, Buffer);
        }
        case OBJ_BITMAP: {
            auto B = std::static_pointer_cast<TBitmap>(Obj);
            BITMAP Bm{};
            Bm.bmWidth = B->Surface->Width;
            Bm.bmHeight = B->Surface->Height;
            Bm.bmPlanes = 1;
            if (B->Dib) {
                Bm.bmBitsPixel = B->DibHeader.biBitCount;
                Bm.bmWidthBytes = B->DibStride;
                Bm.bmBits = B->DibBits.get();
                if (Buffer && Count >= static_cast<int>(sizeof(DIBSECTION))) {
                    DIBSECTION Ds{};
                    Ds.dsBm = Bm;
                    Ds.dsBmih = B->DibHeader;
                    std::memcpy(Ds.dsBitfields, B->Masks, sizeof(Ds.dsBitfields));
                    return CopyOut(Ds, Count, Buffer);
                }
            } else {
                Bm.bmBitsPixel = static_cast<WORD>(B->BitsPixel);
                Bm.bmWidthBytes = B->Mono() ? ((Bm.bmWidth + 15) / 16) * 2 : Bm.bmWidth * 4;
            }
            return CopyOut(Bm, Count, Buffer);
        }
        default: return 0;
    }
}
}  // namespace

int GetObjectA(HGDIOBJ Object, int Count, LPVOID Buffer) {
    return GetObjectImpl(Object, Count, Buffer, /*Wide=*/false);
}
int GetObjectW(HGDIOBJ Object, int Count, LPVOID Buffer) { return GetObjectImpl(Object, Count, Buffer, /*Wide=*/true); }

BOOL GdiFlush() { return TRUE; }

int GetDeviceCaps(HDC Handle, int Index) {
    auto Dc = FindDC(Handle);
    if (!Dc) return 0;
    // A memory DC answers for its device (the display), whatever bitmap it holds.
    switch (Index) {
        case TECHNOLOGY: return DT_RASDISPLAY;
        case HORZRES:
        case DESKTOPHORZRES: return GDI_DESKTOP_WIDTH;
        case VERTRES:
        case DESKTOPVERTRES: return GDI_DESKTOP_HEIGHT;
        case HORZSIZE: return GDI_DESKTOP_WIDTH * 254 / 960;  // millimetres at 96 dpi
        case VERTSIZE: return GDI_DESKTOP_HEIGHT * 254 / 960;
        case BITSPIXEL: return 32;
        case PLANES: return 1;
        case NUMCOLORS: return -1;
        case NUMBRUSHES:
        case NUMPENS: return -1;
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        case ASPECTX:
        case ASPECTY: return 36;
        case ASPECTXY: return 51;
        case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT |
                                RC_STRETCHDIB;
        case SIZEPALETTE: return 0;
        case NUMRESERVED: return 20;
        case COLORRES: return 24;
        case VREFRESH: return 60;
        case BLTALIGNMENT: return 0;
        case SHADEBLENDCAPS: return 0x3;  // SB_CONST_ALPHA | SB_PIXEL_ALPHA
        case CLIPCAPS: return 1;
        case TEXTCAPS: return 0x7E00;
        case CURVECAPS:
        case LINECAPS:
        case POLYGONALCAPS: return 0xFF;
        default: return 0;
    }
}

// ---- Pens and brushes ----------------------------------------------------------------

HPEN CreatePen(int Style, int Width, COLORREF Color) {
    int S = Style & PS_STYLE_MASK;
    if (S > PS_INSIDEFRAME) S = PS_SOLID;
    auto P = std::make_shared<TPen>();
    P->Type = OBJ_PEN;
    P->Style = S;
    P->FullStyle = static_cast<DWORD>(Style);
    P->Width = std::max(Width, 1);
    // Styled lines are cosmetic one-pixel lines; wider ones are drawn solid.
    if (P->Width > 1 && S >= PS_DASH && S <= PS_DASHDOTDOT) P->Style = PS_SOLID;
    P->Color = Color;
    return Register(P);
}

HPEN CreatePenIndirect(const LOGPEN* Pen) {
    if (!Pen) return nullptr;
    return CreatePen(static_cast<int>(Pen->lopnStyle), Pen->lopnWidth.x, Pen->lopnColor);
}

HPEN ExtCreatePen(DWORD Style, DWORD Width, const LOGBRUSH* Brush, DWORD StyleCount, const DWORD* StyleEntries) {
    if (!Brush) return nullptr;
    int S = static_cast<int>(Style & PS_STYLE_MASK);
    if (S == PS_USERSTYLE && (!StyleEntries || StyleCount == 0 || StyleCount > 16)) return nullptr;
    if (S > PS_ALTERNATE) return nullptr;
    auto P = std::make_shared<TPen>();
    P->Type = OBJ_EXTPEN;
    P->Style = Brush->lbStyle == BS_NULL ? PS_NULL : S;
    P->FullStyle = Style;
    P->Width = (Style & PS_TYPE_MASK) == PS_GEOMETRIC ? std::max<int>(static_cast<int>(Width), 1) : 1;
    P->Color = Brush->lbColor;
    if (S == PS_USERSTYLE) P->UserStyle.assign(StyleEntries, StyleEntries + StyleCount);
    return Register(P);
}

HBRUSH CreateSolidBrush(COLORREF Color) {
    auto B = std::make_shared<TBrush>();
    B->Type = OBJ_BRUSH;
    B->Style = BS_SOLID;
    B->Color = Color;
    return Register(B);
}

HBRUSH CreateHatchBrush(int Hatch, COLORREF Color) {
    if (Hatch < HS_HORIZONTAL || Hatch > HS_DIAGCROSS) return nullptr;
    auto B = std::make_shared<TBrush>();
    B->Type = OBJ_BRUSH;
    B->Style = BS_HATCHED;
    B->Hatch = Hatch;
    B->Color = Color;
    return Register(B);
}

HBRUSH CreatePatternBrush(HBITMAP Bitmap) {
    auto Src = FindBitmap(Bitmap);
    if (!Src) return nullptr;
    DibToSurface(*Src);
    auto Copy = NewBitmap(Src->Surface->Width, Src->Surface->Height, Src->Mono() ? 1 : 32);
    for (int Y = 0; Y < Src->Surface->Height; ++Y)
        std::copy(Src->Surface->Row(Y), Src->Surface->Row(Y) + Src->Surface->Width, Copy->Surface->Row(Y));
    auto B = std::make_shared<TBrush>();
    B->Type = OBJ_BRUSH;
    B->Style = BS_PATTERN;
    B->Pattern = Copy;
    B->Hatch = static_cast<int>(reinterpret_cast<intptr_t>(Bitmap));
    return Register(B);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* Brush) {
    if (!Brush) return nullptr;
    switch (Brush->lbStyle) {
        case BS_SOLID: return CreateSolidBrush(Brush->lbColor);
        case BS_HATCHED: return CreateHatchBrush(static_cast<int>(Brush->lbHatch), Brush->lbColor);
        case BS_PATTERN:
        case BS_PATTERN8X8: return CreatePatternBrush(reinterpret_cast<HBITMAP>(Brush->lbHatch));
        case BS_NULL: return GetStockObject(NULL_BRUSH);
        case BS_DIBPATTERNPT:
            return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(Brush->lbHatch), Brush->lbColor);
        default: return nullptr;
    }
}

HBRUSH CreateDIBPatternBrushPt(const void* PackedDib, UINT Usage) {
    if (!PackedDib) return nullptr;
    const auto* Info = static_cast<const BITMAPINFO*>(PackedDib);
    const BITMAPINFOHEADER& H = Info->bmiHeader;
    if (H.biSize < sizeof(BITMAPINFOHEADER) || H.biBitCount == 0) return nullptr;
    size_t Colors = H.biClrUsed ? H.biClrUsed : (H.biBitCount <= 8 ? (1u << H.biBitCount) : 0);
    if (H.biCompression == BI_BITFIELDS) Colors = 3;
    const auto* Bits = reinterpret_cast<const uint8_t*>(Info) + H.biSize +
                       Colors * (Usage == DIB_PAL_COLORS ? sizeof(WORD) : sizeof(RGBQUAD));
    HBITMAP Bm = CreateDIBitmap(/*Dc=*/nullptr, &H, CBM_INIT, Bits, Info, Usage);
    if (!Bm) return nullptr;
    HBRUSH Br = CreatePatternBrush(Bm);
    DeleteObject(Bm);
    return Br;
}

COLORREF SetDCBrushColor(HDC Handle, COLORREF Color) {
    auto Dc = FindDC(Handle);
    if (!Dc) return CLR_INVALID;
    COLORREF Old = Dc->S.DCBrushColor;
    Dc->S.DCBrushColor = Color;
    return Old;
}
COLORREF GetDCBrushColor(HDC Handle) {
    auto Dc = FindDC(Handle);
    return Dc ? Dc->S.DCBrushColor : CLR_INVALID;
}
COLORREF SetDCPenColor(HDC Handle, COLORREF Color) {
    auto Dc = FindDC(Handle);
    if (!Dc) return CLR_INVALID;
    COLORREF Old = Dc->S.DCPenColor;
    Dc->S.DCPenColor = Color;
    return Old;
}
COLORREF GetDCPenColor(HDC Handle) {
    auto Dc = FindDC(Handle);
    return Dc ? Dc->S.DCPenColor : CLR_INVALID;
}

// ---- Palettes -----------------------------------------------------------------------

HPALETTE CreatePalette(const LOGPALETTE* Palette) {
    if (!Palette || Palette->palNumEntries == 0) return nullptr;
    auto P = std::make_shared<TPalette>();
    P->Type = OBJ_PAL;
    P->Entries.assign(Palette->palPalEntry, Palette->palPalEntry + Palette->palNumEntries);
    return Register(P);
}

HPALETTE CreateHalftonePalette(HDC) {
    auto P = std::make_shared<TPalette>();
    P->Type = OBJ_PAL;
    P->Entries.assign(std::begin(DefaultPalette), std::begin(DefaultPalette) + 10);
    for (int R = 0; R < 6; ++R)
        for (int G = 0; G < 6; ++G)
            for (int B = 0; B < 6; ++B)
                P->Entries.push_back({BYTE(R * 51), BYTE(G * 51), BYTE(B * 51), 0});
    P->Entries.insert(P->Entries.end(), std::begin(DefaultPalette) + 10, std::end(DefaultPalette));
    return Register(P);
}

HPALETTE SelectPalette(HDC Handle, HPALETTE Palette, BOOL) {
    auto Dc = FindDC(Handle);
    auto P = FindAs<TPalette>(Palette, OBJ_PAL);
    if (!Dc || !P) return nullptr;
    HPALETTE Old = Dc->S.Palette ? Dc->S.Palette->Handle : nullptr;
    Dc->S.Palette = P;
    return Old;
}

UINT RealizePalette(HDC Handle) {
    // A true-colour display has nothing to realize.
    return FindDC(Handle) ? 0 : GDI_ERROR;
}

UINT GetPaletteEntries(HPALETTE Palette, UINT Start, UINT Count, PALETTEENTRY* Entries) {
    auto P = FindAs<TPalette>(Palette, OBJ_PAL);
    if (!P) return 0;
    if (!Entries) return static_cast<UINT>(P->Entries.size());
    UINT N = 0;
    for (; N < Count && Start + N < P->Entries.size(); ++N) Entries[N] = P->Entries[Start + N];
    return N;
}

UINT SetPaletteEntries(HPALETTE Palette, UINT Start, UINT Count, const PALETTEENTRY* Entries) {
    auto P = FindAs<TPalette>(Palette, OBJ_PAL);
    if (!P || !Entries) return 0;
    UINT N = 0;
    for (; N < Count && Start + N < P->Entries.size(); ++N) P->Entries[Start + N] = Entries[N];
    return N;
}

UINT GetNearestPaletteIndex(HPALETTE Palette, COLORREF Color) {
    auto P = FindAs<TPalette>(Palette, OBJ_PAL);
    if (!P || P->Entries.empty()) return CLR_INVALID;
    UINT Best = 0;
    int BestD = 0x7FFFFFFF;
    for (UINT I = 0; I < P->Entries.size(); ++I) {
        const PALETTEENTRY& E = P->Entries[I];
        int Dr = E.peRed - GetRValue(Color), Dg = E.peGreen - GetGValue(Color), Db = E.peBlue - GetBValue(Color);
        int D = Dr * Dr + Dg * Dg + Db * Db;
        if (D < BestD) {
            BestD = D;
            Best = I;
        }
    }
    return Best;
}

UINT GetSystemPaletteEntries(HDC Handle, UINT Start, UINT Count, PALETTEENTRY* Entries) {
    if (!FindDC(Handle)) return 0;
    if (!Entries) return 0;  // no system palette on a true-colour display
    UINT N = 0;
    for (; N < Count && Start + N < 20; ++N) Entries[N] = DefaultPalette[Start + N];
    return N;
}

COLORREF GetNearestColor(HDC Handle, COLORREF Color) {
    auto Dc = FindDC(Handle);
    if (!Dc) return CLR_INVALID;
    COLORREF C = ResolveColor(*Dc, Color);
    if (Dc->Memory && Dc->S.Bitmap && Dc->S.Bitmap->Mono()) return ToColor(MonoPixel(C));
    return C;
}

// ---- Clipping --------------------------------------------------------------------------

namespace {
RECT DeviceRect(const TDC& Dc, int Left, int Top, int Right, int Bottom) {
    int Dx = Dc.S.ViewportOrg.x - Dc.S.WindowOrg.x, Dy = Dc.S.ViewportOrg.y - Dc.S.WindowOrg.y;
    RECT R{Left + Dx, Top + Dy, Right + Dx, Bottom + Dy};
    if (R.right < R.left) std::swap(R.left, R.right);
    if (R.bottom < R.top) std::swap(R.top, R.bottom);
    return R;
}

// The clip as a region in device units; the whole surface when there is none.
TRegion CurrentClip(TDC& Dc) {
    if (Dc.S.HasClip) return Dc.S.Clip;
    TGdiSurface* S = DCSurface(Dc);
    int W = S ? S->Width : 0, H = S ? S->Height : 0;
    return TRegion(RECT{-Dc.Origin.x, -Dc.Origin.y, W - Dc.Origin.x, H - Dc.Origin.y});
}

int ClipResult(TDC& Dc) {
    Dc.ClipDirty = true;
    UpdateClip(Dc);
    return Dc.Eff.Type();
}
}  // namespace

int ExtSelectClipRgn(HDC Handle, HRGN Region, int Mode) {
    auto Dc = FindDC(Handle);
    if (!Dc) return ERROR;
    if (!Region) {
        if (Mode != RGN_COPY) return ERROR;
        Dc->S.HasClip = false;
        return ClipResult(*Dc);
    }
    auto Rg = FindAs<TRgnObject>(Region, OBJ_REGION);
    if (!Rg || Mode < RGN_AND || Mode > RGN_COPY) return ERROR;
    if (Mode == RGN_COPY) {
        Dc->S.Clip = Rg->Rgn;
    } else {
        TRegion Out;
        Out.Combine(CurrentClip(*Dc), Rg->Rgn, Mode);
        Dc->S.Clip = Out;
    }
    Dc->S.HasClip = true;
    return ClipResult(*Dc);
}

int IntersectClipRect(HDC Handle, int Left, int Top, int Right, int Bottom) {
    auto Dc = FindDC(Handle);
    if (!Dc) return ERROR;
    TRegion C = CurrentClip(*Dc);
    C.IntersectRect(DeviceRect(*Dc, Left, Top, Right, Bottom));
    Dc->S.Clip = C;
    Dc->S.HasClip = true;
    return ClipResult(*Dc);
}

int ExcludeClipRect(HDC Handle, int Left, int Top, int Right, int Bottom) {
    auto Dc = FindDC(Handle);
    if (!Dc) return ERROR;
    TRegion C = CurrentClip(*Dc);
    C.Subtract(TRegion(DeviceRect(*Dc, Left, Top, Right, Bottom)));
    Dc->S.Clip = C;
    Dc->S.HasClip = true;
    return ClipResult(*Dc);
}

int OffsetClipRgn(HDC Handle, int X, int Y) {
    auto Dc = FindDC(Handle);
    if (!Dc) return ERROR;
    if (Dc->S.HasClip) Dc->S.Clip.Translate(X, Y);
    return ClipResult(*Dc);
}

int GetClipBox(HDC Handle, RECT* Rc) {
    auto Dc = FindDC(Handle);
    if (!Dc || !Rc) return ERROR;
    UpdateClip(*Dc);
    if (Dc->Eff.Empty()) {
        *Rc = {0, 0, 0, 0};
        return NULLREGION;
    }
    RECT B = Dc->EffBox;
    int Dx = Dc->Origin.x - Dc->S.WindowOrg.x + Dc->S.ViewportOrg.x;
    int Dy = Dc->Origin.y - Dc->S.WindowOrg.y + Dc->S.ViewportOrg.y;
    *Rc = {B.left - Dx, B.top - Dy, B.right - Dx, B.bottom - Dy};
    return Dc->Eff.Type();
}

int GetClipRgn(HDC Handle, HRGN Region) {
    auto Dc = FindDC(Handle);
    auto Rg = FindAs<TRgnObject>(Region, OBJ_REGION);
    if (!Dc || !Rg) return -1;
    if (!Dc->S.HasClip) return 0;
    Rg->Rgn = Dc->S.Clip;
    return 1;
}

BOOL PtVisible(HDC Handle, int X, int Y) {
    TTarget T;
    if (!T.Begin(Handle)) return FALSE;
    return T.Visible(X + T.Dx, Y + T.Dy);
}

BOOL RectVisible(HDC Handle, const RECT* Rc) {
    TTarget T;
    if (!T.Begin(Handle) || !Rc) return FALSE;
    RECT R{Rc->left + T.Dx, Rc->top + T.Dy, Rc->right + T.Dx, Rc->bottom + T.Dy};
    return T.ClipRgn->Overlaps(R);
}

// ---- Coordinates --------------------------------------------------------------------

int SetMapMode(HDC Handle, int Mode) {
    auto Dc = FindDC(Handle);
    if (!Dc || Mode != MM_TEXT) return 0;  // only pixels are supported
    int Old = Dc->S.MapMode;
    Dc->S.MapMode = Mode;
    return Old;
}

int GetMapMode(HDC Handle) {
    auto Dc = FindDC(Handle);
    return Dc ? Dc->S.MapMode : 0;
}

namespace {
BOOL SetOrg(HDC Handle, POINT TDCState::*Field, int X, int Y, POINT* Old, bool Relative) {
    auto Dc = FindDC(Handle);
    if (!Dc) return FALSE;
    POINT& P = Dc->S.*Field;
    if (Old) *Old = P;
    if (Relative) {
        P.x += X;
        P.y += Y;
    } else {
        P = {X, Y};
    }
    return TRUE;
}
BOOL GetOrg(HDC Handle, POINT TDCState::*Field, POINT* Out) {
    auto Dc = FindDC(Handle);
    if (!Dc || !Out) return FALSE;
    *Out = Dc->S.*Field;
    return TRUE;
}
}  // namespace

BOOL SetViewportOrgEx(HDC Dc, int X, int Y, POINT* Old) {
    return SetOrg(Dc, &TDCState::ViewportOrg, X, Y, Old, /*Relative=*/false);
}
BOOL SetWindowOrgEx(HDC Dc, int X, int Y, POINT* Old) {
    return SetOrg(Dc, &TDCState::WindowOrg, X, Y, Old, /*Relative=*/false);
}
BOOL OffsetViewportOrgEx(HDC Dc, int X, int Y, POINT* Old) {
    return SetOrg(Dc, &TDCState::ViewportOrg, X, Y, Old, /*Relative=*/true);
}
BOOL OffsetWindowOrgEx(HDC Dc, int X, int Y, POINT* Old) {
    return SetOrg(Dc, &TDCState::WindowOrg, X, Y, Old, /*Relative=*/true);
}
BOOL GetViewportOrgEx(HDC Dc, POINT* P) { return GetOrg(Dc, &TDCState::ViewportOrg, P); }
BOOL GetWindowOrgEx(HDC Dc, POINT* P) { return GetOrg(Dc, &TDCState::WindowOrg, P); }
BOOL SetBrushOrgEx(HDC Dc, int X, int Y, POINT* Old) {
    return SetOrg(Dc, &TDCState::BrushOrg, X, Y, Old, /*Relative=*/false);
}
BOOL GetBrushOrgEx(HDC Dc, POINT* P) { return GetOrg(Dc, &TDCState::BrushOrg, P); }

BOOL LPtoDP(HDC Handle, POINT* Points, int Count) {
    auto Dc = FindDC(Handle);
    if (!Dc || (!Points && Count > 0)) return FALSE;
    for (int I = 0; I < Count; ++I) {
        Points[I].x += Dc->S.ViewportOrg.x - Dc->S.WindowOrg.x;
        Points[I].y += Dc->S.ViewportOrg.y - Dc->S.WindowOrg.y;
    }
    return TRUE;
}

BOOL DPtoLP(HDC Handle, POINT* Points, int Count) {
    auto Dc = FindDC(Handle);
    if (!Dc || (!Points && Count > 0)) return FALSE;
    for (int I = 0; I < Count; ++I) {
        Points[I].x -= Dc->S.ViewportOrg.x - Dc->S.WindowOrg.x;
        Points[I].y -= Dc->S.ViewportOrg.y - Dc->S.WindowOrg.y;
    }
    return TRUE;
}

BOOL GetDCOrgEx(HDC Handle, POINT* P) {
    auto Dc = FindDC(Handle);
    if (!Dc || !P) return FALSE;
    *P = Dc->Origin;
    return TRUE;
}

// ---- Modes ---------------------------------------------------------------------------

namespace {
template <class T>
T SetField(HDC Handle, T TDCState::*Field, T Value, T Bad) {
    auto Dc = FindDC(Handle);
    if (!Dc) return Bad;
    T Old = Dc->S.*Field;
    Dc->S.*Field = Value;
    return Old;
}
template <class T>
T GetField(HDC Handle, T TDCState::*Field, T Bad) {
    auto Dc = FindDC(Handle);
    return Dc ? Dc->S.*Field : Bad;
}
}  // namespace

int SetROP2(HDC Dc, int Mode) {
    if (Mode < R2_BLACK || Mode > R2_WHITE) return 0;
    return SetField(Dc, &TDCState::Rop2, Mode, 0);
}
int GetROP2(HDC Dc) { return GetField(Dc, &TDCState::Rop2, 0); }
int SetBkMode(HDC Dc, int Mode) {
    if (Mode != TRANSPARENT && Mode != OPAQUE) return 0;
    return SetField(Dc, &TDCState::BkMode, Mode, 0);
}
int GetBkMode(HDC Dc) { return GetField(Dc, &TDCState::BkMode, 0); }
COLORREF SetBkColor(HDC Dc, COLORREF C) { return SetField<COLORREF>(Dc, &TDCState::BkColor, C, CLR_INVALID); }
COLORREF GetBkColor(HDC Dc) { return GetField<COLORREF>(Dc, &TDCState::BkColor, CLR_INVALID); }
COLORREF SetTextColor(HDC Dc, COLORREF C) { return SetField<COLORREF>(Dc, &TDCState::TextColor, C, CLR_INVALID); }
COLORREF GetTextColor(HDC Dc) { return GetField<COLORREF>(Dc, &TDCState::TextColor, CLR_INVALID); }
UINT SetTextAlign(HDC Dc, UINT Align) { return SetField<UINT>(Dc, &TDCState::TextAlign, Align, GDI_ERROR); }
UINT GetTextAlign(HDC Dc) { return GetField<UINT>(Dc, &TDCState::TextAlign, GDI_ERROR); }
int SetStretchBltMode(HDC Dc, int Mode) {
    if (Mode < BLACKONWHITE || Mode > HALFTONE) return 0;
    return SetField(Dc, &TDCState::StretchMode, Mode, 0);
}
int GetStretchBltMode(HDC Dc) { return GetField(Dc, &TDCState::StretchMode, 0); }
int SetPolyFillMode(HDC Dc, int Mode) {
    if (Mode != ALTERNATE && Mode != WINDING) return 0;
    return SetField(Dc, &TDCState::PolyFillMode, Mode, 0);
}
int GetPolyFillMode(HDC Dc) { return GetField(Dc, &TDCState::PolyFillMode, 0); }
int SetTextCharacterExtra(HDC Dc, int Extra) {
    return SetField(Dc, &TDCState::CharExtra, Extra, static_cast<int>(0x80000000u));
}
int GetTextCharacterExtra(HDC Dc) { return GetField(Dc, &TDCState::CharExtra, static_cast<int>(0x80000000u)); }

// ---- System colours -------------------------------------------------------------------

COLORREF GdiClassicSysColor(int Index) { return GdiClassicSysColorImpl(Index); }
void GdiSetSysColorSource(COLORREF (*Source)(int)) { SysColorSource = Source; }
COLORREF GdiSysColor(int Index) { return SysColorSource ? SysColorSource(Index) : GdiClassicSysColorImpl(Index); }
