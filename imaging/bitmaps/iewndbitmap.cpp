// Storage in a windowing-library TBitmap: pf1bit, pf8bit (with a colour table) and
// pf24bit rows reached through a table of row addresses.
#include <algorithm>
#include <cstring>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/bitmaps/iewndutil.h"
#include "platform/classlib/controls.h"
#include "platform/classlib/graphics.h"

namespace {
std::vector<RGBQUAD> GreyTable() {
    std::vector<RGBQUAD> t(256);
    for (int i = 0; i < 256; ++i) t[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    return t;
}

bool IsGreyTable(const std::vector<RGBQUAD>& t) {
    for (size_t i = 0; i < t.size(); ++i)
        if (t[i].rgbRed != i || t[i].rgbGreen != i || t[i].rgbBlue != i) return false;
    return true;
}
}  // namespace

void TIEBitmap::FreeWndBitmap() {
    if (FWndBitmap && !FWndBitmapIsExternal) delete FWndBitmap;
    FWndBitmap = nullptr;
    FRowCache.clear();
}

void TIEBitmap::BuildRowCache() {
    FRowCache.resize(static_cast<size_t>(std::max(FHeight, 0)));
    for (int32_t y = 0; y < FHeight; ++y) FRowCache[y] = static_cast<uint8_t*>(FWndBitmap->ScanLine(y));
}

void TIEBitmap::AllocateWndBitmap() {
    if (!FWndBitmap) {
        FWndBitmap = new TBitmap;
        FWndBitmapIsExternal = false;
    }
    // ie16g cannot be held: it becomes ie8g.
    if (FPixelFormat == ie16g) FPixelFormat = ie8g;
    TPixelFormat pf = FPixelFormat == ie1g ? pf1bit : FPixelFormat == ieRGB24 ? pf24bit : pf8bit;
    FWndBitmap->SetSize(1, 1);
    FWndBitmap->SetPixelFormat(pf);
    FWndBitmap->SetSize(FWidth, FHeight);
    if (FPixelFormat == ie8g) FWndBitmap->SetPalette(GreyTable());
    FBitCount = IEBitsPerPixel[FPixelFormat];
    FChannelCount = IEChannelsPerPixel[FPixelFormat];
    FRowLen = CalcRowLength(FWidth, FBitCount, 32);
    if (FPixelFormat == ie8p) {
        FPalette.reset(new TRGB[256]());
        FPaletteLength = 256;
        SyncPaletteToTBitmap();
    }
    BuildRowCache();
}

void TIEBitmap::WndBitmapSetSize(int32_t Width, int32_t Height) {
    FWndBitmap->SetSize(std::max(Width, 0), std::max(Height, 0));
    FWidth = FWndBitmap->Width();
    FHeight = FWndBitmap->Height();
    FRowLen = CalcRowLength(FWidth, FBitCount, 32);
    BuildRowCache();
    Full = false;
}

void TIEBitmap::SyncFromTBitmap() {
    if (FLocation != ieTBitmap || !FWndBitmap) return;
    TBitmap& b = *FWndBitmap;
    TPixelFormat pf = b.PixelFormat();
    if (pf != pf1bit && pf != pf8bit && pf != pf24bit && b.Width() > 0 && b.Height() > 0) {
        // Drawn into another depth: the rows are brought back to 24 bits.
        b.SetPixelFormat(pf24bit);
        pf = pf24bit;
    }
    TIEPixelFormat f = pf == pf1bit ? ie1g : pf == pf24bit ? ieRGB24 : (FIsAlpha || IsGreyTable(b.Palette()) ? ie8g : ie8p);
    bool changed = b.Width() != FWidth || b.Height() != FHeight || f != FPixelFormat;
    if (changed) {
        FWidth = b.Width();
        FHeight = b.Height();
        FPixelFormat = f;
        FBitCount = IEBitsPerPixel[f];
        FChannelCount = IEChannelsPerPixel[f];
        FRowLen = CalcRowLength(FWidth, FBitCount, 32);
        if (FAlphaChannel && (FAlphaChannel->FWidth != FWidth || FAlphaChannel->FHeight != FHeight))
            FAlphaChannel->Allocate(FWidth, FHeight, ie8g);
    }
    if (changed || (FHeight > 0 && (FRowCache.empty() || FRowCache[0] != b.ScanLine(0)))) BuildRowCache();
    if (f == ie8p) {
        if (!FPalette) FPalette.reset(new TRGB[256]());
        FPaletteLength = 256;
        auto t = b.Palette();
        for (size_t i = 0; i < t.size() && i < 256; ++i) FPalette[i] = TRGB{t[i].rgbBlue, t[i].rgbGreen, t[i].rgbRed};
    } else if (f != ie8p && FPaletteLength) {
        FPalette.reset();
        FPaletteLength = 0;
    }
}

void TIEBitmap::SyncPaletteToTBitmap() {
    if (FLocation != ieTBitmap || !FWndBitmap || !FPalette || FPixelFormat != ie8p) return;
    std::vector<RGBQUAD> t(static_cast<size_t>(FPaletteLength));
    for (int32_t i = 0; i < FPaletteLength; ++i) t[i] = RGBQUAD{FPalette[i].b, FPalette[i].g, FPalette[i].r, 0};
    FWndBitmap->SetPalette(t);
}

void TIEBitmap::WrapTBitmap(TBitmap* Bitmap, bool Reread) {
    if (!Bitmap) return;
    if (Reread || Bitmap != FWndBitmap) FreeImage(true);
    FreeMemoryBlock();
    FFileBuffer->DeAllocate();
    FMappedRow = nullptr;
    FWndBitmap = Bitmap;
    FWndBitmapIsExternal = true;
    FLocation = ieTBitmap;
    if (Bitmap->PixelFormat() != pf1bit && Bitmap->PixelFormat() != pf24bit && Bitmap->Width() > 0)
        Bitmap->SetPixelFormat(pf24bit);
    FWidth = FHeight = -1;  // forces the fields to be read from the bitmap
    FPixelFormat = ieNoFormat;
    SyncFromTBitmap();
    if (FWidth < 0) FWidth = 0;
    if (FHeight < 0) FHeight = 0;
}

void TIEBitmap::CopyFromTBitmap(TBitmap* Bitmap) {
    if (!Bitmap) return;
    TBitmap& b = *Bitmap;
    if (FLocation == ieTBitmap) {
        if (!FWndBitmap) {
            FWndBitmap = new TBitmap;
            FWndBitmapIsExternal = false;
        }
        FWndBitmap->Assign(b);
        if (FWndBitmap->PixelFormat() != pf1bit && FWndBitmap->PixelFormat() != pf24bit)
            FWndBitmap->SetPixelFormat(pf24bit);
        FPixelFormat = ieNoFormat;
        SyncFromTBitmap();
        Full = false;
        return;
    }
    const int W = b.Width(), H = b.Height();
    auto pal = b.Palette();
    auto palEntry = [&](size_t i) {
        return i < pal.size() ? TRGB{pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed} : TRGB{0, 0, 0};
    };
    switch (b.PixelFormat()) {
        case pf1bit: {
            bool mono = pal.size() < 2 || (palEntry(0) == TRGB{0, 0, 0} && palEntry(1) == TRGB{255, 255, 255});
            Allocate(W, H, mono ? ie1g : ie8p);
            for (int y = 0; y < H; ++y) {
                auto* s = static_cast<const uint8_t*>(b.ScanLine(y));
                uint8_t* d = Scanline(y);
                if (mono)
                    std::memcpy(d, s, static_cast<size_t>(std::min(FRowLen, b.RowBytes())));
                else
                    for (int x = 0; x < W; ++x) d[x] = (s[x >> 3] & (0x80 >> (x & 7))) ? 1 : 0;
            }
            if (!mono) {
                SetPalette(0, palEntry(0));
                SetPalette(1, palEntry(1));
            }
            break;
        }
        case pf4bit:
            Allocate(W, H, ie8p);
            for (int y = 0; y < H; ++y) {
                auto* s = static_cast<const uint8_t*>(b.ScanLine(y));
                uint8_t* d = Scanline(y);
                for (int x = 0; x < W; ++x) d[x] = (x & 1) ? (s[x >> 1] & 15) : (s[x >> 1] >> 4);
            }
            for (int i = 0; i < 16; ++i) SetPalette(i, palEntry(i));
            break;
        case pf8bit:
            Allocate(W, H, ie8p);
            for (int y = 0; y < H; ++y)
                std::memcpy(Scanline(y), b.ScanLine(y), static_cast<size_t>(std::min(FRowLen, b.RowBytes())));
            for (size_t i = 0; i < pal.size() && i < 256; ++i) SetPalette(static_cast<int32_t>(i), palEntry(i));
            break;
        case pf15bit:
        case pf16bit: {
            bool five = b.PixelFormat() == pf15bit;
            Allocate(W, H, ieRGB24);
            for (int y = 0; y < H; ++y) {
                auto* s = static_cast<const uint8_t*>(b.ScanLine(y));
                auto* d = reinterpret_cast<TRGB*>(Scanline(y));
                for (int x = 0; x < W; ++x) {
                    unsigned w = s[2 * x] | (s[2 * x + 1] << 8);
                    if (five)
                        d[x] = TRGB{uint8_t((w & 31) << 3), uint8_t(((w >> 5) & 31) << 3), uint8_t(((w >> 10) & 31) << 3)};
                    else
                        d[x] = TRGB{uint8_t((w & 31) << 3), uint8_t(((w >> 5) & 63) << 2), uint8_t((w >> 11) << 3)};
                }
            }
            break;
        }
        case pf24bit:
            Allocate(W, H, ieRGB24);
            for (int y = 0; y < H; ++y)
                std::memcpy(Scanline(y), b.ScanLine(y), static_cast<size_t>(std::min(FRowLen, b.RowBytes())));
            break;
        case pf32bit:
            Allocate(W, H, ieRGB24);
            for (int y = 0; y < H; ++y) {
                auto* s = static_cast<const uint8_t*>(b.ScanLine(y));
                uint8_t* d = Scanline(y);
                for (int x = 0; x < W; ++x) std::memcpy(d + 3 * x, s + 4 * x, 3);
            }
            break;
        default:
            return;
    }
    ReleaseMappedRows();
    Full = false;
}

TBitmap* TIEBitmap::GetWndBitmap() {
    SetLocation(ieTBitmap);
    return FWndBitmap;
}

TCanvas* TIEBitmap::GetCanvas() {
    TBitmap* b = GetWndBitmap();
    return b ? &b->Canvas() : nullptr;
}

bool TIEBitmap::RenderToTBitmapEx(TBitmap* Dest, TIERenderTables* Tables, const RECT* ClipRect, int32_t xDst,
                                  int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc, int32_t ySrc,
                                  int32_t dxSrc, int32_t dySrc, bool EnableAlpha, bool RowCopy, int32_t Transparency,
                                  TResampleFilter Filter, TIEBlendOperation BlendOp) {
    if (!Dest || Dest->PixelFormat() != pf24bit) return false;
    TIEBitmap wrap;
    wrap.WrapTBitmap(Dest, /*Reread=*/false);
    return RenderToTIEBitmapEx(&wrap, Tables, ClipRect, xDst, yDst, dxDst, dyDst, xSrc, ySrc, dxSrc, dySrc,
                               EnableAlpha, RowCopy, Transparency, Filter, BlendOp);
}

int32_t PixelFormatToBitCount(TPixelFormat Format) {
    switch (Format) {
        case pf1bit: return 1;
        case pf4bit: return 4;
        case pf8bit: return 8;
        case pf15bit: return 15;
        case pf16bit: return 16;
        case pf24bit: return 24;
        case pf32bit: return 32;
        default: return 0;
    }
}

int32_t PixelFormatRowLength(int32_t Width, TPixelFormat Format) {
    return CalcRowLength(Width, PixelFormatToBitCount(Format), 32);
}

void GrayPaletteToTBitmap(TBitmap* Bitmap) {
    if (Bitmap && Bitmap->PixelFormat() == pf8bit) Bitmap->SetPalette(GreyTable());
}

bool IsGrayPaletteTBitmap(TBitmap* Bitmap) { return !Bitmap || IsGreyTable(Bitmap->Palette()); }

void CopyTBitmapPalette(TBitmap* Bitmap, TIEBitmap* Dest) {
    if (!Bitmap || !Dest || Bitmap->PixelFormat() != pf8bit || Dest->PixelFormat() != ie8p) return;
    auto t = Bitmap->Palette();
    for (size_t i = 0; i < t.size() && i < 256; ++i)
        Dest->SetPalette(static_cast<int32_t>(i), TRGB{t[i].rgbBlue, t[i].rgbGreen, t[i].rgbRed});
}

HWND FindOwnerWindowHandle(TComponent* Component) {
    for (TComponent* c = Component; c; c = c->Owner())
        if (auto* w = dynamic_cast<TWinControl*>(c)) return w->HandleAllocated() ? w->Handle() : nullptr;
    return nullptr;
}
