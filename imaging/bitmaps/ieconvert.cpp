// Pixel-format conversion of TIEBitmap.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/processing/bwconvert.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/quantizer.h"
#include "platform/rtl/scope.h"

namespace {

// Float grey to an integer level: values outside 0..1 are limited instead of wrapping.
inline int32_t FloatLevel(float v, int32_t Max) {
    double f = v;
    if (!(f > 0)) return 0;  // also NaN
    if (f >= 1) return Max;
    return static_cast<int32_t>(f * Max);
}

inline uint8_t Grey24(TRGB c) { return static_cast<uint8_t>((21 * c.r + 71 * c.g + 8 * c.b) / 100); }
inline uint16_t Grey16Of24(TRGB c) {
    return static_cast<uint16_t>((212 * c.r * 257 + 713 * c.g * 257 + 75 * c.b * 257) / 1000);
}
inline float GreyFOf24(TRGB c) { return static_cast<float>((0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b) / 255); }
inline TRGB48 To48(TRGB c) {
    return TRGB48{static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257), static_cast<uint16_t>(c.b * 257)};
}
inline TCMYK ToCMYK(TRGB c) {
    int k = std::max({c.r, c.g, c.b});
    if (k == 0) k = 1;
    return TCMYK{static_cast<uint8_t>(c.r * 255 / k), static_cast<uint8_t>(c.g * 255 / k),
                 static_cast<uint8_t>(c.b * 255 / k), static_cast<uint8_t>(k)};
}
inline TRGB FromCMYK(TCMYK c) {
    return TRGB{static_cast<uint8_t>(c.y * c.k / 255), static_cast<uint8_t>(c.m * c.k / 255),
                static_cast<uint8_t>(c.c * c.k / 255)};
}

template <typename T>
T Load(const uint8_t* row, int32_t x) {
    T v;
    std::memcpy(&v, row + sizeof(T) * static_cast<size_t>(x), sizeof(T));
    return v;
}
template <typename T>
void Store(uint8_t* row, int32_t x, T v) {
    std::memcpy(row + sizeof(T) * static_cast<size_t>(x), &v, sizeof(T));
}

// Whether a pair is converted directly (else through an ieRGB24 copy of the source).
bool Direct(TIEPixelFormat s, TIEPixelFormat d) {
    switch (s) {
        case ie1g: return d != ieCMYK && d != ieCIELab;
        case ie8p:
        case ie8g:
        case ie16g:
        case ie32f: return d != ieCMYK && d != ieCIELab;
        case ieRGB24: return true;
        case ieCMYK:
        case ieCIELab: return d == ieRGB24;
        case ieRGB48: return d == ie1g || d == ie8g || d == ie16g || d == ieRGB24 || d == ie32f;
        default: return false;
    }
}

// The ordered-dither grey level (0..63) of a source pixel.
int32_t DitherLevel(TIEPixelFormat s, const uint8_t* row, int32_t x, const TRGB* pal) {
    switch (s) {
        case ie8p: return Grey24(pal[row[x]]) >> 2;
        case ie8g: return row[x] >> 2;
        case ie16g: return Load<uint16_t>(row, x) >> 10;
        case ieRGB24: return Grey24(Load<TRGB>(row, x)) >> 2;
        case ie32f: return FloatLevel(Load<float>(row, x), 255) >> 2;
        case ieRGB48: {
            TRGB48 w = Load<TRGB48>(row, x);
            return (((w.r >> 8) * 21 + (w.g >> 8) * 71 + (w.b >> 8) * 8) / 100) >> 2;
        }
        default: return 0;
    }
}

}  // namespace

void TIEBitmap::SetPixelFormat(TIEPixelFormat Value) {
    if (Value != FPixelFormat) ConvertTo(Value);
}

void TIEBitmap::ConvertTo(TIEPixelFormat Target) {
    // Nothing to convert: going through a new buffer would lose the pixels.
    if (Target == FPixelFormat) return;
    if (FLocation == ieTBitmap) {
        // Converted in memory, then held by the windowing bitmap again where its depths allow.
        static const char* const names[10] = {"", "", "", "", "", "", "ie32f", "ieCMYK", "ieRGB48", "ieCIELab"};
        if (Target >= ie32f && Target != ieRGB24)
            throw EIEBitmapError(std::string(names[Target]) + " pixel format not allowed when Location=ieTBitmap");
        SetLocation(ieMemory);
        ConvertTo(Target);
        SetLocation(ieTBitmap);
        return;
    }
    TIEBitmap tmp;
    MoveContentTo(&tmp);
    FLocation = tmp.FLocation;
    FIsAlpha = tmp.FIsAlpha;
    FWidth = tmp.FWidth;
    FHeight = tmp.FHeight;
    FPixelFormat = Target;
    // The old pixels come back instead of being lost with the temporary bitmap.
    rtl::TScopeExit PutPixelsBack([&] {
        FreeImage(true);
        tmp.MoveContentTo(this);
    });
    AllocateImage();
    if (tmp.FPixelFormat != ieNoFormat && !IsEmpty()) ConvertFrom(&tmp);
    PutPixelsBack.Dismiss();
    if (!FAlphaChannel && tmp.FAlphaChannel) FAlphaChannel = std::move(tmp.FAlphaChannel);
}

void TIEBitmap::ConvertFrom(TIEBitmap* Source) {
    if (!Source || Source == this || FLocation == ieTBitmap) return;
    if (Source->FWidth != FWidth || Source->FHeight != FHeight) return;
    TIEPixelFormat sf = Source->FPixelFormat, df = FPixelFormat;
    if (sf != df && sf != ieNoFormat && !IsEmpty()) {
        if (Direct(sf, df)) {
            ConvertRows(Source);
        } else {
            // Through an ieRGB24 copy: the caller's source keeps its pixels and format.
            TIEBitmap rgb;
            rgb.MinFileSize = MinFileSize;
            rgb.Allocate(FWidth, FHeight, ieRGB24);
            rgb.ConvertRows(Source);
            rgb.BWConversion = BWConversion;
            ConvertRows(&rgb);
        }
    }
    if (!FIsAlpha && Source->FAlphaChannel) FAlphaChannel = std::move(Source->FAlphaChannel);
    SyncPaletteToTBitmap();
}

// The direct conversions, row by row (the source row copied out: both may map one row).
void TIEBitmap::ConvertRows(TIEBitmap* Source) {
    TIEPixelFormat sf = Source->FPixelFormat, df = FPixelFormat;
    const TRGB* spal = Source->FPalette.get();
    static const TRGB blackPal[256] = {};
    if (sf == ie8p && !spal) spal = blackPal;

    if (df == ie1g && sf != ie1g && BWConversion == ieBWThreshold) {
        TIEProgressRecord progress;
        if (sf == ieRGB48) {
            TIEBitmap rgb;
            rgb.Allocate(FWidth, FHeight, ieRGB24);
            rgb.ConvertRows(Source);
            ThresholdToBW(&rgb, this, -1, progress);
        } else {
            ThresholdToBW(Source, this, -1, progress);
        }
        return;
    }

    std::unique_ptr<TIEQuantizer> quantizer;
    if (df == ie8p) {
        // Entries not given a colour below stay black (the palette starts zeroed).
        std::fill(FPalette.get(), FPalette.get() + 256, TRGB{0, 0, 0});
        if (sf == ie1g) {
            FPalette[1] = TRGB{255, 255, 255};
        } else if (sf == ieRGB24) {
            quantizer = std::make_unique<TIEQuantizer>(Source, FPalette.get(), std::clamp(PaletteColorCount, 1, 256));
        } else {
            for (int i = 0; i < 256; ++i) FPalette[i] = TRGB{uint8_t(i), uint8_t(i), uint8_t(i)};
        }
    }

    TIEDataAccess sa = Source->Access, da = Access;
    Source->Access = iebRead;
    Access = iebWrite;
    std::vector<uint8_t> srow(static_cast<size_t>(Source->FRowLen));
    const int32_t W = FWidth;
    for (int32_t y = 0; y < FHeight; ++y) {
        std::memcpy(srow.data(), Source->GetScanline(y), srow.size());
        const uint8_t* s = srow.data();
        uint8_t* d = static_cast<uint8_t*>(GetScanline(y));
        if (df == ie1g) std::memset(d, 0, static_cast<size_t>(FRowLen));
        for (int32_t x = 0; x < W; ++x) {
            // The source pixel as colour, grey byte, grey word and float where each is needed.
            switch (df) {
                case ie1g: {
                    int32_t L = DitherLevel(sf, s, x, spal);
                    if (L > IEOrderedDitherMatrix[x & 7][y & 7]) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
                    break;
                }
                case ie8p:
                    switch (sf) {
                        case ie1g: d[x] = GetBit(s, x) ? 1 : 0; break;
                        case ie8g: d[x] = s[x]; break;
                        case ie16g: d[x] = static_cast<uint8_t>(Load<uint16_t>(s, x) >> 8); break;
                        case ie32f: d[x] = static_cast<uint8_t>(FloatLevel(Load<float>(s, x), 255)); break;
                        case ieRGB24: d[x] = static_cast<uint8_t>(quantizer->GetColorIndex(Load<TRGB>(s, x))); break;
                        default: break;
                    }
                    break;
                case ie8g: {
                    uint8_t v = 0;
                    switch (sf) {
                        case ie1g: v = GetBit(s, x) ? 255 : 0; break;
                        case ie8p: v = Grey24(spal[s[x]]); break;
                        case ie16g: v = static_cast<uint8_t>(Load<uint16_t>(s, x) >> 8); break;
                        case ieRGB24: v = Grey24(Load<TRGB>(s, x)); break;
                        case ie32f: v = static_cast<uint8_t>(FloatLevel(Load<float>(s, x), 255)); break;
                        case ieRGB48: {
                            TRGB48 w = Load<TRGB48>(s, x);
                            v = static_cast<uint8_t>(((w.r >> 8) * 21 + (w.g >> 8) * 71 + (w.b >> 8) * 8) / 100);
                            break;
                        }
                        default: break;
                    }
                    d[x] = v;
                    break;
                }
                case ie16g: {
                    uint16_t v = 0;
                    switch (sf) {
                        case ie1g: v = GetBit(s, x) ? 65535 : 0; break;
                        case ie8p: v = Grey16Of24(spal[s[x]]); break;
                        case ie8g: v = static_cast<uint16_t>(s[x] * 257); break;
                        case ieRGB24: v = Grey16Of24(Load<TRGB>(s, x)); break;
                        case ie32f: v = static_cast<uint16_t>(FloatLevel(Load<float>(s, x), 65535)); break;
                        case ieRGB48: {
                            TRGB48 w = Load<TRGB48>(s, x);
                            v = static_cast<uint16_t>((212 * w.r + 713 * w.g + 75 * w.b) / 1000);
                            break;
                        }
                        default: break;
                    }
                    Store(d, x, v);
                    break;
                }
                case ieRGB24: {
                    TRGB c{0, 0, 0};
                    switch (sf) {
                        case ie1g: c = GetBit(s, x) ? TRGB{255, 255, 255} : TRGB{0, 0, 0}; break;
                        case ie8p: c = spal[s[x]]; break;
                        case ie8g: c = TRGB{s[x], s[x], s[x]}; break;
                        case ie16g: {
                            auto v = static_cast<uint8_t>(Load<uint16_t>(s, x) >> 8);
                            c = TRGB{v, v, v};
                            break;
                        }
                        case ie32f: {
                            auto v = static_cast<uint8_t>(FloatLevel(Load<float>(s, x), 255));
                            c = TRGB{v, v, v};
                            break;
                        }
                        case ieCMYK: c = FromCMYK(Load<TCMYK>(s, x)); break;
                        case ieRGB48: {
                            TRGB48 w = Load<TRGB48>(s, x);
                            c = TRGB{static_cast<uint8_t>(w.b >> 8), static_cast<uint8_t>(w.g >> 8),
                                     static_cast<uint8_t>(w.r >> 8)};
                            break;
                        }
                        case ieCIELab: c = CIELabToRGB(Load<TCIELab>(s, x)); break;
                        default: break;
                    }
                    Store(d, x, c);
                    break;
                }
                case ie32f: {
                    float v = 0;
                    switch (sf) {
                        case ie1g: v = GetBit(s, x) ? 1.0f : 0.0f; break;
                        case ie8p: v = GreyFOf24(spal[s[x]]); break;
                        case ie8g: v = static_cast<float>(s[x] / 255.0); break;
                        case ie16g: v = static_cast<float>(Load<uint16_t>(s, x) / 65535.0); break;
                        case ieRGB24: v = GreyFOf24(Load<TRGB>(s, x)); break;
                        case ieRGB48: {
                            // Scaled by the word maximum, so that white is exactly 1.
                            TRGB48 w = Load<TRGB48>(s, x);
                            v = static_cast<float>((0.2126 * w.r + 0.7152 * w.g + 0.0722 * w.b) / 65535);
                            break;
                        }
                        default: break;
                    }
                    Store(d, x, v);
                    break;
                }
                case ieRGB48: {
                    TRGB48 w{0, 0, 0};
                    switch (sf) {
                        case ie1g: w = GetBit(s, x) ? TRGB48{65535, 65535, 65535} : TRGB48{0, 0, 0}; break;
                        case ie8p: w = To48(spal[s[x]]); break;
                        case ie8g: w = To48(TRGB{s[x], s[x], s[x]}); break;
                        case ie16g: {
                            uint16_t v = Load<uint16_t>(s, x);
                            w = TRGB48{v, v, v};
                            break;
                        }
                        case ieRGB24: w = To48(Load<TRGB>(s, x)); break;
                        case ie32f: {
                            auto v = static_cast<uint16_t>(FloatLevel(Load<float>(s, x), 65535));
                            w = TRGB48{v, v, v};
                            break;
                        }
                        default: break;
                    }
                    Store(d, x, w);
                    break;
                }
                case ieCMYK: Store(d, x, ToCMYK(Load<TRGB>(s, x))); break;
                case ieCIELab: Store(d, x, RGBToCIELab(Load<TRGB>(s, x))); break;
                default: break;
            }
        }
    }
    ReleaseMappedRows();
    Source->ReleaseMappedRows();
    Source->Access = sa;
    Access = da;
}
