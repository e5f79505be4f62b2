// Shared definitions of the image library: pixel formats and pixel records,
// storage kinds, progress record, resampling filters and blend operations.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

class TObject;

// Pixel formats; bits per pixel and channels come from IEBitsPerPixel / IEChannelsPerPixel.
enum TIEPixelFormat : uint8_t {
    ieNoFormat = 0,
    ie1g = 1,      // 1 = white, bit 7 of each byte is the leftmost pixel
    ie8p = 2,      // index into the 256-entry palette
    ie8g = 3,      // grey 0..255; also every alpha channel (0 transparent, 255 opaque)
    ie16g = 4,     // grey word
    ieRGB24 = 5,   // TRGB
    ie32f = 6,     // grey float 0.0 .. 1.0
    ieCMYK = 7,    // TCMYK
    ieRGB48 = 8,   // TRGB48
    ieCIELab = 9,  // TCIELab
};

constexpr int IEBitsPerPixel[10] = {0, 1, 8, 8, 16, 24, 32, 32, 48, 24};
constexpr int IEChannelsPerPixel[10] = {0, 1, 1, 1, 1, 3, 1, 4, 3, 3};

#pragma pack(push, 1)
// Blue, green, red. As one integer: blue bits 0-7, green 8-15, red 16-23.
struct TRGB {
    uint8_t b;
    uint8_t g;
    uint8_t r;
    friend bool operator==(const TRGB&, const TRGB&) = default;
};
// Red, green, blue words (the reverse order of TRGB).
struct TRGB48 {
    uint16_t r;
    uint16_t g;
    uint16_t b;
    friend bool operator==(const TRGB48&, const TRGB48&) = default;
};
// Complements of the inks: 255 means no ink.
struct TCMYK {
    uint8_t c;
    uint8_t m;
    uint8_t y;
    uint8_t k;
    friend bool operator==(const TCMYK&, const TCMYK&) = default;
};
// L = L* x 255 / 100; a and b hold a* and b* directly.
struct TCIELab {
    uint8_t l;
    int8_t a;
    int8_t b;
    friend bool operator==(const TCIELab&, const TCIELab&) = default;
};
#pragma pack(pop)
static_assert(sizeof(TRGB) == 3 && sizeof(TRGB48) == 6 && sizeof(TCMYK) == 4 && sizeof(TCIELab) == 3);

inline int32_t TRGBToInt(TRGB c) { return c.b | (c.g << 8) | (c.r << 16); }
inline TRGB IntToTRGB(int32_t v) {
    return TRGB{static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF),
                static_cast<uint8_t>((v >> 16) & 0xFF)};
}

// Where a bitmap keeps its pixels.
enum TIELocation : uint8_t { ieMemory = 0, ieTempFile = 1, ieTBitmap = 2 };

// How conversions to ie1g decide black and white.
enum TIEBWConversion : uint8_t { ieBWOrderedDither = 0, ieBWThreshold = 1 };

// Access set of a bitmap: read, write.
constexpr uint8_t iebRead = 1;
constexpr uint8_t iebWrite = 2;
using TIEDataAccess = uint8_t;

// Resampling filters (rendering treats rfNone as zooming by lookup tables).
enum TResampleFilter : uint8_t {
    rfNone,
    rfTriangle,
    rfHermite,
    rfBell,
    rfBSpline,
    rfLanczos3,
    rfMitchell,
    rfNearest,
    rfLinear,
    rfFastLinear,
    rfBilinear,
    rfBicubic,
    rfProjectBW,
    rfProjectWB,
};

// How a source pixel combines with the destination when rendering.
enum TIEBlendOperation : uint8_t {
    ieBlendNormal, ieBlendAdd, ieBlendDifference, ieBlendDivide, ieBlendMultiply, ieBlendOr, ieBlendAnd,
    ieBlendXor, ieBlendLighten, ieBlendDarken, ieBlendAverage, ieBlendScreen, ieBlendNegation,
    ieBlendExclusion, ieBlendOverlay, ieBlendHardLight, ieBlendSoftLight, ieBlendSoftLightAlt,
    ieBlendColorDodge, ieBlendColorBurn, ieBlendInverseColorDodge, ieBlendInverseColorBurn,
    ieBlendSoftDodge, ieBlendSoftBurn, ieBlendReflect, ieBlendGlow, ieBlendFreeze, ieBlendHeat,
    ieBlendLinearBurn, ieBlendInterpolation, ieBlendStamp, ieBlendRed, ieBlendGreen, ieBlendBlue,
    ieBlendHue, ieBlendSaturation, ieBlendColor, ieBlendLuminosity,
};

// Progress in whole percent, (Sender, percent).
using TIEProgressEvent = std::function<void(TObject* Sender, int Percent)>;

// What a long routine reports progress and checks abortion through.
struct TIEProgressRecord {
    TIEProgressEvent OnProgress;   // empty: no reports
    TObject* Sender = nullptr;
    int32_t Val = 0;               // work done (rows)
    int32_t Tot = 0;               // working counters of the routine
    int32_t Val2 = 0;
    double Per1 = 0;               // 100 / total work
    double Per2 = 0;
    std::atomic<bool>* Aborting = nullptr;  // the caller's abort flag (set from any thread), or nullptr

    void Report(int Percent) const {
        if (OnProgress) OnProgress(Sender, Percent);
    }
    bool Aborted() const { return Aborting != nullptr && *Aborting; }
};
