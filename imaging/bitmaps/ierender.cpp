// Rendering a rectangle of a TIEBitmap scaled into a 24-bit destination, with
// display adjustments, blend operations, global transparency and alpha.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ierender.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/resample.h"

namespace {
inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

uint8_t BlendChannel(int S, int D, TIEBlendOperation Op) {
    switch (Op) {
        case ieBlendNormal: return static_cast<uint8_t>(S);
        case ieBlendAdd: return static_cast<uint8_t>(std::min(D + S, 255));
        case ieBlendDifference: return static_cast<uint8_t>(std::abs(D - S));
        case ieBlendDivide: return static_cast<uint8_t>(D / std::max(S, 1));
        case ieBlendMultiply: return static_cast<uint8_t>((S * D) >> 8);
        case ieBlendOr: return static_cast<uint8_t>(D | S);
        case ieBlendAnd: return static_cast<uint8_t>(D & S);
        case ieBlendXor: return static_cast<uint8_t>(D ^ S);
        case ieBlendLighten: return static_cast<uint8_t>(std::max(D, S));
        case ieBlendDarken: return static_cast<uint8_t>(std::min(D, S));
        case ieBlendAverage: return static_cast<uint8_t>((D + S) >> 1);
        case ieBlendScreen: return static_cast<uint8_t>(255 - (((255 - D) * (255 - S)) >> 8));
        case ieBlendNegation: return static_cast<uint8_t>(255 - std::abs(255 - S - D));
        case ieBlendExclusion: return static_cast<uint8_t>(Clamp255(D + S - (S * D) / 128));
        case ieBlendOverlay:
            return static_cast<uint8_t>(D >= 128 ? Clamp255(255 - (((255 - D) * (255 - S)) >> 7)) : Clamp255((S * D) >> 7));
        case ieBlendHardLight:
            return static_cast<uint8_t>(S >= 128 ? Clamp255(255 - (((255 - D) * (255 - S)) >> 7)) : Clamp255((S * D) >> 7));
        case ieBlendSoftLight: {
            double s = S / 255.0, d = D / 255.0, r;
            if (s >= 0.5)
                r = std::sqrt(d) * (2 * s - 1) + 2 * d * (1 - s);
            else
                r = d * d * (1 - 2 * s) + 2 * s * d;
            return static_cast<uint8_t>(Clamp255(static_cast<int>(r * 255)));
        }
        case ieBlendSoftLightAlt: {
            int m = (S * D) >> 8, c = 255 - (((255 - D) * (255 - S)) >> 8);
            return static_cast<uint8_t>(Clamp255(m + ((D * (c - m)) >> 8)));
        }
        case ieBlendColorDodge: return static_cast<uint8_t>(S == 255 ? 255 : std::min((D * 256) / (255 - S), 255));
        case ieBlendColorBurn: return static_cast<uint8_t>(S == 0 ? 0 : std::max(255 - ((255 - D) * 256) / S, 0));
        case ieBlendInverseColorDodge:
            return static_cast<uint8_t>(D == 255 ? 255 : std::min((S * 256) / (255 - D), 255));
        case ieBlendInverseColorBurn: return static_cast<uint8_t>(D == 0 ? 0 : std::max(255 - ((255 - S) * 256) / D, 0));
        case ieBlendSoftDodge:
            if (S + D < 256) return static_cast<uint8_t>(S == 255 ? 255 : std::min((D * 128) / (255 - S), 255));
            return static_cast<uint8_t>(std::max(255 - ((255 - S) * 128) / D, 0));
        case ieBlendSoftBurn:
            if (S + D < 256) return static_cast<uint8_t>(D == 255 ? 255 : std::min((S * 128) / (255 - D), 255));
            return static_cast<uint8_t>(std::max(255 - ((255 - D) * 128) / S, 0));
        case ieBlendReflect: return static_cast<uint8_t>(S == 255 ? 255 : std::min((D * D) / (255 - S), 255));
        case ieBlendGlow: return static_cast<uint8_t>(D == 255 ? 255 : std::min((S * S) / (255 - D), 255));
        case ieBlendFreeze: return static_cast<uint8_t>(S == 0 ? 0 : std::max(255 - (255 - D) * (255 - D) / S, 0));
        case ieBlendHeat: return static_cast<uint8_t>(D == 0 ? 0 : std::max(255 - (255 - S) * (255 - S) / D, 0));
        case ieBlendLinearBurn: return static_cast<uint8_t>(Clamp255(D + S - 256));
        case ieBlendInterpolation: {
            // Built at start-up; made here too for callers that draw before it.
            static const bool ready = (IECosineTable[255] == 128 || (InitCosineTable(), true));
            (void)ready;
            return static_cast<uint8_t>(std::min(IECosineTable[S] + IECosineTable[D], 255));
        }
        case ieBlendStamp: return static_cast<uint8_t>(Clamp255(D + 2 * S - 256));
        default: return static_cast<uint8_t>(D);
    }
}
}  // namespace

void BlendPixel(TRGB Source, TRGB& Dest, TIEBlendOperation Operation) {
    if (Operation > ieBlendLuminosity) return;
    switch (Operation) {
        case ieBlendRed: Dest.r = Source.r; return;
        case ieBlendGreen: Dest.g = Source.g; return;
        case ieBlendBlue: Dest.b = Source.b; return;
        case ieBlendHue:
        case ieBlendSaturation:
        case ieBlendColor:
        case ieBlendLuminosity: {
            double sh, ss, sl, dh, ds, dl;
            RGBToHSL(Source, sh, ss, sl);
            RGBToHSL(Dest, dh, ds, dl);
            if (Operation == ieBlendHue) Dest = HSLToRGB(sh, ds, dl);
            else if (Operation == ieBlendSaturation) Dest = HSLToRGB(dh, ss, dl);
            else if (Operation == ieBlendColor) Dest = HSLToRGB(sh, ss, dl);
            else Dest = HSLToRGB(sh, ds, sl);
            return;
        }
        default:
            Dest.r = BlendChannel(Source.r, Dest.r, Operation);
            Dest.g = BlendChannel(Source.g, Dest.g, Operation);
            Dest.b = BlendChannel(Source.b, Dest.b, Operation);
    }
}

namespace {

// D + floor((P - D) * a / 256); a fully opaque pixel (a = 255) takes P itself.
inline uint8_t Mix(int P, int D, int a) {
    if (a >= 255) return static_cast<uint8_t>(P);
    return static_cast<uint8_t>(D + ((P - D) * a >> 8));
}

struct SourceReader {
    TIEBitmap* B;
    TIEPixelFormat F;
    const TRGB* Pal;
    double GMin, GMax;
    bool Range;
    // Display adjustments of colour sources.
    bool Adjust;
    int Factor;        // 16.16 contrast factor
    double FactorF;    // the same for 48-bit sources
    int OffR, OffG, OffB;

    TRGB Pixel(const uint8_t* row, int32_t c) const {
        switch (F) {
            case ie1g: return (row[c >> 3] & (0x80 >> (c & 7))) ? TRGB{255, 255, 255} : TRGB{0, 0, 0};
            case ie8p: return Pal[row[c]];
            case ie8g: {
                int v = row[c];
                if (Range) {
                    auto lo = static_cast<int>(GMin), hi = static_cast<int>(GMax);
                    v = static_cast<int>((std::clamp(v, lo, hi) - lo) / (GMax - GMin) * 255);
                    v = Clamp255(v);
                }
                return TRGB{uint8_t(v), uint8_t(v), uint8_t(v)};
            }
            case ie16g: {
                uint16_t w;
                std::memcpy(&w, row + 2 * static_cast<size_t>(c), 2);
                int v = w >> 8;
                if (Range) {
                    auto lo = static_cast<int>(GMin), hi = static_cast<int>(GMax);
                    v = Clamp255(static_cast<int>((std::clamp<int>(w, lo, hi) - lo) / (GMax - GMin) * 255));
                }
                return TRGB{uint8_t(v), uint8_t(v), uint8_t(v)};
            }
            case ie32f: {
                float f;
                std::memcpy(&f, row + 4 * static_cast<size_t>(c), 4);
                double v = f;
                if (Range) v = (std::clamp(v, GMin, GMax) - GMin) / (GMax - GMin);
                // Limited to 0..1 so that values out of range do not wrap round.
                int g = static_cast<int>(std::clamp(v, 0.0, 1.0) * 255);
                return TRGB{uint8_t(g), uint8_t(g), uint8_t(g)};
            }
            case ieCMYK: {
                TCMYK k;
                std::memcpy(&k, row + 4 * static_cast<size_t>(c), 4);
                return TRGB{uint8_t(k.y * k.k / 255), uint8_t(k.m * k.k / 255), uint8_t(k.c * k.k / 255)};
            }
            case ieCIELab: {
                TCIELab l;
                std::memcpy(&l, row + 3 * static_cast<size_t>(c), 3);
                return CIELabToRGB(l);
            }
            case ieRGB24: {
                TRGB p;
                std::memcpy(&p, row + 3 * static_cast<size_t>(c), 3);
                if (Adjust) {
                    auto adj = [&](int v, int off) { return uint8_t(Clamp255((Factor * (v + off - 128)) / 65536 + 128)); };
                    p = TRGB{adj(p.b, OffB), adj(p.g, OffG), adj(p.r, OffR)};
                }
                return p;
            }
            case ieRGB48: {
                TRGB48 w;
                std::memcpy(&w, row + 6 * static_cast<size_t>(c), 6);
                if (Adjust) {
                    auto adj = [&](int v, int off) {
                        return uint8_t(Clamp255(static_cast<int>((v + off - 32768) * FactorF + 32768) >> 8));
                    };
                    return TRGB{adj(w.b, OffB), adj(w.g, OffG), adj(w.r, OffR)};
                }
                return TRGB{uint8_t(w.b >> 8), uint8_t(w.g >> 8), uint8_t(w.r >> 8)};
            }
            default: return TRGB{0, 0, 0};
        }
    }
};

}  // namespace

bool TIEBitmap::RenderToTIEBitmap(TIEBitmap* Dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                                  int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t Transparency,
                                  TResampleFilter Filter, TIEBlendOperation BlendOp) {
    return RenderToTIEBitmapEx(Dest, /*Tables=*/nullptr, /*ClipRect=*/nullptr, xDst, yDst, dxDst, dyDst, xSrc, ySrc,
                               dxSrc, dySrc, /*EnableAlpha=*/true,
                               /*RowCopy=*/false, Transparency, Filter, BlendOp);
}

bool TIEBitmap::RenderToTIEBitmapEx(TIEBitmap* Dest, TIERenderTables* Tables, const RECT* ClipRect, int32_t xDst,
                                    int32_t yDst, int32_t dxDst, int32_t dyDst, int32_t xSrc, int32_t ySrc,
                                    int32_t dxSrc, int32_t dySrc, bool EnableAlpha, bool RowCopy,
                                    int32_t Transparency, TResampleFilter Filter, TIEBlendOperation BlendOp) {
    // The destination's rows are all addressed at once: a temporary file cannot serve.
    if (!Dest || Dest->PixelFormat() != ieRGB24 || Dest->Location() == ieTempFile) return false;
    if (dxDst == 0 || dyDst == 0 || dxSrc == 0 || dySrc == 0) return true;
    const int32_t DW = Dest->Width(), DH = Dest->Height();
    if (yDst > DH - 1 || xDst > DW - 1) return true;
    TIEDataAccess savedAccess = Access;
    Access = iebRead;
    bool ok = true;
    try {
        double ry = static_cast<double>(dySrc) / dyDst, rx = static_cast<double>(dxSrc) / dxDst;
        if (yDst < 0) {
            int32_t d = -yDst;
            dyDst -= d;
            auto t = static_cast<int32_t>(d * ry);
            ySrc += t;
            dySrc -= t;
            yDst = 0;
        }
        if (xDst < 0) {
            int32_t d = -xDst;
            dxDst -= d;
            auto t = static_cast<int32_t>(d * rx);
            xSrc += t;
            dxSrc -= t;
            xDst = 0;
        }
        if (yDst + dyDst > DH) {
            int32_t e = yDst + dyDst - DH;
            dySrc -= static_cast<int32_t>(e * ry);
            dyDst = DH - yDst;
        }
        if (xDst + dxDst > DW) {
            int32_t e = xDst + dxDst - DW;
            dxSrc -= static_cast<int32_t>(e * rx);
            dxDst = DW - xDst;
        }
        int32_t xd = std::clamp(xDst, 0, DW - 1), yd = std::clamp(yDst, 0, DH - 1);
        int32_t dw = std::clamp(dxDst, 0, DW), dh = std::clamp(dyDst, 0, DH);
        int32_t xs = std::clamp(xSrc, 0, std::max(FWidth - 1, 0)), ys = std::clamp(ySrc, 0, std::max(FHeight - 1, 0));
        int32_t sw = std::clamp(dxSrc, 0, FWidth), sh = std::clamp(dySrc, 0, FHeight);
        bool alphaTakesPart = EnableAlpha && FAlphaChannel;

        if (Filter != rfNone && (dw != sw || dh != sh) && (FPixelFormat == ie1g || FPixelFormat == ieRGB24)) {
            std::unique_ptr<TIEBitmap> G;
            if (sw < dw || FPixelFormat != ie1g || alphaTakesPart || Filter == rfProjectBW || Filter == rfProjectWB) {
                if (FPixelFormat == ieRGB24 || (sw >= 1 && sh >= 1)) {
                    TIEBitmap F;
                    F.SetLocation(ieMemory);
                    F.Allocate(sw, sh, FPixelFormat);
                    CopyRectTo(&F, xs, ys, 0, 0, sw, sh);
                    if (alphaTakesPart) {
                        FAlphaChannel->CopyRectTo(F.GetAlphaChannel(), xs, ys, 0, 0, sw, sh);
                        F.GetAlphaChannel()->Full = FAlphaChannel->Full;
                    }
                    G = std::make_unique<TIEBitmap>();
                    G->SetLocation(ieMemory);
                    bool project = FPixelFormat == ie1g && (Filter == rfProjectBW || Filter == rfProjectWB);
                    G->Allocate(dw, dh, project ? ie1g : ieRGB24);
                    if (FPixelFormat == ie1g)
                        ResampleBW(&F, G.get(), Filter);
                    else
                        ResampleRGB24(&F, G.get(), Filter);
                    if (alphaTakesPart) {
                        ResampleGray8(F.GetAlphaChannel(), G->GetAlphaChannel(), Filter);
                        G->GetAlphaChannel()->Full = F.GetAlphaChannel()->Full;
                    }
                }
            } else if (dw > 0 && dh > 0) {
                G = std::make_unique<TIEBitmap>();
                G->SetLocation(ieMemory);
                G->Allocate(dw, dh, ieRGB24);
                ResampleBWToRGB24(this, xs, ys, xs + sw - 1, ys + sh - 1, G.get());
            }
            if (G) {
                G->GrayRangeMin = GrayRangeMin;
                G->GrayRangeMax = GrayRangeMax;
                G->ChannelOffsetR = ChannelOffsetR;
                G->ChannelOffsetG = ChannelOffsetG;
                G->ChannelOffsetB = ChannelOffsetB;
                G->EnableChannelOffset = EnableChannelOffset;
                G->Contrast = Contrast;
                ok = G->RenderToTIEBitmapEx(Dest, /*Tables=*/nullptr, ClipRect, xd, yd, dw, dh, 0, 0, dw, dh,
                                            EnableAlpha, RowCopy, Transparency, rfNone, BlendOp);
            }
        } else if (dw != 0 && dh != 0 && sw != 0 && sh != 0) {
            ok = RenderDirect(Dest, Tables, ClipRect, xd, yd, dw, dh, xs, ys, sw, sh, rx, ry, EnableAlpha, RowCopy,
                              Transparency, BlendOp);
        }
    } catch (...) {
        // Drawing stopped part way: what was drawn stays drawn, and the caller hears of it.
        ok = false;
    }
    try {
        ReleaseMappedRows();
    } catch (...) {
        ok = false;
    }
    Access = savedAccess;
    return ok;
}

bool TIEBitmap::RenderDirect(TIEBitmap* Dest, TIERenderTables* Tables, const RECT* ClipRect, int32_t xd,
                             int32_t yd, int32_t dw, int32_t dh, int32_t xs, int32_t ys, int32_t sw, int32_t sh,
                             double rx, double ry, bool EnableAlpha, bool RowCopy, int32_t Transparency,
                             TIEBlendOperation BlendOp) {
    if (FPixelFormat == ieNoFormat || IsEmpty()) return true;
    const int32_t DW = Dest->Width(), DH = Dest->Height();
    TIERenderTables local;
    TIERenderTables& T = Tables ? *Tables : local;
    if (T.DestRows.size() != static_cast<size_t>(DH)) {
        T.DestRows.resize(static_cast<size_t>(DH));
        for (int32_t y = 0; y < DH; ++y) T.DestRows[y] = Dest->Scanline(y);
    }
    int32_t ystep = static_cast<int32_t>(static_cast<double>(sh) / dh * 16384);
    int32_t xstep = static_cast<int32_t>(static_cast<double>(sw) / dw * 16384);
    int32_t y2 = std::min(yd + dh - 1, DH - 1), x2 = std::min(xd + dw - 1, DW - 1);
    int32_t left = ClipRect ? ClipRect->left : -2147483646, top = ClipRect ? ClipRect->top : -2147483646;
    int32_t right = ClipRect ? ClipRect->right : 2147483646, bottom = ClipRect ? ClipRect->bottom : 2147483646;
    int32_t x1 = std::clamp(std::max(left, xd), 0, DW - 1);
    x2 = std::clamp(std::min(right, x2), 0, DW - 1);
    int32_t y1 = std::clamp(std::max(top, yd), 0, DH - 1);
    y2 = std::clamp(std::min(bottom, y2), 0, DH - 1);
    if (x1 > x2 || y1 > y2) return true;
    bool useAlpha = EnableAlpha && FAlphaChannel && !FAlphaChannel->Full;
    bool adjust = EnableChannelOffset || Contrast != 0 || BlendOp != ieBlendNormal;
    if (BlendOp > ieBlendLuminosity && (FPixelFormat == ieRGB24 || FPixelFormat == ieRGB48)) return true;

    // Fast path: 1:1 opaque RGB24 rows copied as blocks.
    if (xstep == 16384 && ystep == 16384 && FPixelFormat == ieRGB24 && Transparency >= 255 && !useAlpha &&
        !adjust) {
        for (int32_t y = y1; y <= y2; ++y) {
            const uint8_t* s = Scanline(y - yd + ys);
            std::memcpy(T.DestRows[y] + 3 * static_cast<size_t>(x1), s + 3 * static_cast<size_t>(x1 - xd + xs),
                        3 * static_cast<size_t>(x2 - x1 + 1));
        }
        return true;
    }
    // Lookup tables indexed from the destination rectangle's origin.
    if (T.ColumnTable.size() != static_cast<size_t>(dw)) {
        T.ColumnTable.resize(static_cast<size_t>(dw));
        for (int32_t x = 0; x < dw; ++x) T.ColumnTable[x] = static_cast<int32_t>(x * rx + xs);
    }
    if (T.RowTable.size() != static_cast<size_t>(dh)) {
        T.RowTable.resize(static_cast<size_t>(dh));
        for (int32_t y = 0; y < dh; ++y) T.RowTable[y] = static_cast<int32_t>(y * ry + ys);
    }
    // Entries that fall outside the source (tables from another geometry) end the area.
    while (x2 >= x1 && (T.ColumnTable[x2 - xd] < 0 || T.ColumnTable[x2 - xd] >= FWidth)) --x2;
    while (y2 >= y1 && (T.RowTable[y2 - yd] < 0 || T.RowTable[y2 - yd] >= FHeight)) --y2;
    if (x1 > x2 || y1 > y2) return true;

    SourceReader rd{this, FPixelFormat, FPalette.get(), GrayRangeMin, GrayRangeMax, GrayRangeMax != GrayRangeMin,
                    false, 65536, 1.0, ChannelOffsetR, ChannelOffsetG, ChannelOffsetB};
    if (FPixelFormat == ie8p && !rd.Pal) return true;
    if ((FPixelFormat == ieRGB24 || FPixelFormat == ieRGB48) && adjust) {
        double f = Contrast >= 0 ? 1 + Contrast / 10.0 : 1 - std::sqrt(static_cast<double>(-Contrast)) / 10.0;
        rd.Adjust = true;
        rd.Factor = static_cast<int>(f * 65536);
        rd.FactorF = f;
    }
    bool blend = (FPixelFormat == ieRGB24 || FPixelFormat == ieRGB48) && adjust;
    bool mixing = Transparency < 255 || useAlpha;
    TIEBitmap* alpha = useAlpha ? FAlphaChannel.get() : nullptr;
    std::vector<uint8_t> srow(static_cast<size_t>(FRowLen)), arow(alpha ? static_cast<size_t>(alpha->FRowLen) : 0);
    int32_t lastRow = -1;
    const bool rowCopyOk = RowCopy && (FPixelFormat == ie1g || FPixelFormat == ieRGB24) && !mixing;
    for (int32_t y = y1; y <= y2; ++y) {
        int32_t r = T.RowTable[y - yd];
        uint8_t* d = T.DestRows[y];
        if (rowCopyOk && y > y1 && r == lastRow) {
            std::memcpy(d, T.DestRows[y - 1], static_cast<size_t>(Dest->RowLen()));
            continue;
        }
        if (r != lastRow) {
            std::memcpy(srow.data(), GetScanline(r), srow.size());
            if (alpha) std::memcpy(arow.data(), alpha->GetScanline(r), arow.size());
        }
        lastRow = r;
        for (int32_t x = x1; x <= x2; ++x) {
            int32_t c = T.ColumnTable[x - xd];
            TRGB p = rd.Pixel(srow.data(), c);
            TRGB* dp = reinterpret_cast<TRGB*>(d + 3 * static_cast<size_t>(x));
            if (blend) {
                TRGB q = *dp;
                BlendPixel(p, q, BlendOp);
                p = q;
            }
            if (mixing) {
                int a = alpha ? std::min<int>(Transparency, arow[c]) : Transparency;
                dp->r = Mix(p.r, dp->r, a);
                dp->g = Mix(p.g, dp->g, a);
                dp->b = Mix(p.b, dp->b, a);
            } else {
                *dp = p;
            }
        }
    }
    if (alpha) alpha->ReleaseMappedRows();
    return true;
}

bool TIEBitmap::RenderToTBitmap(TBitmap* Dest, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                                int32_t xSrc, int32_t ySrc, int32_t dxSrc, int32_t dySrc, int32_t Transparency,
                                TResampleFilter Filter, TIEBlendOperation BlendOp) {
    return RenderToTBitmapEx(Dest, /*Tables=*/nullptr, /*ClipRect=*/nullptr, xDst, yDst, dxDst, dyDst, xSrc, ySrc,
                             dxSrc, dySrc, /*EnableAlpha=*/true, /*RowCopy=*/false, Transparency, Filter, BlendOp);
}
