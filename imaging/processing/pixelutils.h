// Small routines on colours, numbers, bits and pixel runs that the whole image
// library shares. They keep no state (except the grey weights, set once at
// start-up) and allocate nothing beyond a temporary in CopyBits, so they are
// safe on any thread.
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"

class TIEBitmap;

// ---- Grey weights -----------------------------------------------------------
// Percentages summing to 100; every weighted grey level of the image library is
// (GreyWeightRed x red + GreyWeightGreen x green + GreyWeightBlue x blue) div 100.
// Constant-initialised to 21, 71, 8 and set again by IEProcessingStartup.
extern int32_t GreyWeightRed;
extern int32_t GreyWeightGreen;
extern int32_t GreyWeightBlue;

// ---- Rounding and limits ------------------------------------------------------
int32_t CeilToInt(long double x);   // Trunc(x) + 1 when the fraction is > 0
int32_t FloorToInt(long double x);  // Trunc(x) - 1 when the fraction is < 0

inline int32_t IMin(int32_t a, int32_t b) { return a <= b ? a : b; }
inline int32_t IMax(int32_t a, int32_t b) { return b <= a ? a : b; }
inline double DMin(double a, double b) { return a < b ? a : b; }  // ties give b
inline double DMax(double a, double b) { return a > b ? a : b; }  // ties give b
// low when value <= low, else high when value >= high (low wins when low > high).
inline int32_t IClamp(int32_t value, int32_t low, int32_t high) {
    if (value <= low) return low;
    if (value >= high) return high;
    return value;
}
inline int32_t ClampToByte(int32_t value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }
inline void ISwap(int32_t& a, int32_t& b) {
    int32_t t = a;
    a = b;
    b = t;
}
inline void ExchangeBytes(uint8_t& a, uint8_t& b) {
    uint8_t t = a;
    a = b;
    b = t;
}
// Exchanges x1/x2 when x1 > x2, then y1/y2 when y1 > y2.
void OrderCorners(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);

// ---- Colour values ------------------------------------------------------------
inline TRGB MakeRGB(uint8_t red, uint8_t green, uint8_t blue) { return TRGB{blue, green, red}; }
inline bool SameRGB(TRGB a, TRGB b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
// Weighted grey level 0..255.
inline int32_t RGBToGray(TRGB c) {
    return (GreyWeightRed * c.r + GreyWeightGreen * c.g + GreyWeightBlue * c.b) / 100;
}
// The packed-integer form (blue in bits 0-7, green 8-15, red 16-23).
inline int32_t RGBToGray(int32_t packed) { return RGBToGray(IntToTRGB(packed)); }
// The windowing colour red + green x 256 + blue x 65536.
inline int32_t SwapColorRedBlue(TRGB c) { return c.r | (c.g << 8) | (c.b << 16); }
// Exchanges bits 0-7 and 16-23 of a packed value (a packed TRGB to a colour and back).
inline int32_t SwapColorRedBlue(int32_t v) {
    return (v & static_cast<int32_t>(0xFF00FF00u)) | ((v & 0xFF) << 16) | ((v >> 16) & 0xFF);
}
// System colours ($FF000000 + index) are resolved through the windowing layer's
// GetSysColor, then red comes from bits 0-7.
void ColorToRGBTriple(uint32_t color, TRGB& out);
TRGB ColorToRGBTriple(uint32_t color);

// H, S, L in 0..1; hue 0 for grey.
void RGBToHSL(TRGB c, double& H, double& S, double& L);
inline void RGBToHSL(int32_t packed, double& H, double& S, double& L) { RGBToHSL(IntToTRGB(packed), H, S, L); }
double HueToRGB(double m1, double m2, double h);
TRGB HSLToRGB(double H, double S, double L);
// The procedure form some callers use.
inline void HSLToRGB(TRGB& color, double H, double S, double L) { color = HSLToRGB(H, S, L); }

// Entry with the smallest sum of absolute channel differences; the first on
// ties; 0 for an empty palette.
int32_t NearestPaletteIndex(const TRGB* palette, int32_t count, TRGB c);

// ---- Bits and pixel runs ------------------------------------------------------
// Bit n of a row is in byte n div 8 under mask 128 shr (n mod 8).
extern const uint8_t IEBitMask[8];
inline uint8_t GetBit(const void* row, uint32_t n) {
    return static_cast<const uint8_t*>(row)[n >> 3] & IEBitMask[n & 7];
}
inline void SetBit(void* row, uint32_t n, bool value) {
    uint8_t* p = static_cast<uint8_t*>(row) + (n >> 3);
    if (value)
        *p |= IEBitMask[n & 7];
    else
        *p &= static_cast<uint8_t>(~IEBitMask[n & 7]);
}
// Copies count bits from bit sourceBit of source to bit destBit of dest (most
// significant bit first), other dest bits unchanged; never reads more than
// sourceSize bytes from the start of source (bytes beyond count as zero).
void CopyBits(void* dest, const void* source, int32_t destBit, int32_t sourceBit, int32_t count, int32_t sourceSize);
// Inverts every byte of every row of an ie1g bitmap (padding bits included).
void InvertBits(TIEBitmap* bitmap);
void SwapRedBlueBytes(void* data, int32_t n);
void CopySwapRedBlue(void* dest, const void* source, int32_t n);
void SwapRedBlueTriples(TRGB* data, int32_t n);
// Exchanges the first and third 16-bit word of n 6-byte pixels; returns the
// address just past the last pixel (some callers walk on from there).
void* SwapRedBlue48(void* data, int32_t n);
