#include "imaging/processing/pixelutils.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/processing/procmath.h"
#include "platform/win/winuser.h"

int32_t GreyWeightRed = 21;
int32_t GreyWeightGreen = 71;
int32_t GreyWeightBlue = 8;

const uint8_t IEBitMask[8] = {128, 64, 32, 16, 8, 4, 2, 1};

int32_t CeilToInt(long double x) {
    auto t = static_cast<int32_t>(x);
    if (x - t > 0) t += 1;
    return t;
}

int32_t FloorToInt(long double x) {
    auto t = static_cast<int32_t>(x);
    if (x - t < 0) t -= 1;
    return t;
}

void OrderCorners(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    if (x1 > x2) ISwap(x1, x2);
    if (y1 > y2) ISwap(y1, y2);
}

void ColorToRGBTriple(uint32_t color, TRGB& out) {
    uint32_t c = color;
    if ((c & 0xFF000000u) == 0xFF000000u) c = GetSysColor(static_cast<int>(c & 0xFF));
    out.r = static_cast<uint8_t>(c & 0xFF);
    out.g = static_cast<uint8_t>((c >> 8) & 0xFF);
    out.b = static_cast<uint8_t>((c >> 16) & 0xFF);
}

TRGB ColorToRGBTriple(uint32_t color) {
    TRGB r{};
    ColorToRGBTriple(color, r);
    return r;
}

void RGBToHSL(TRGB c, double& H, double& S, double& L) {
    const double R = c.r / 255.0, G = c.g / 255.0, B = c.b / 255.0;
    const double mx = DMax(DMax(R, G), B);
    const double mn = DMin(DMin(R, G), B);
    L = (mx + mn) / 2;
    if (mx == mn) {
        S = 0;
        H = 0;
        return;
    }
    S = L < 0.5 ? (mx - mn) / (mx + mn) : (mx - mn) / (2 - mx - mn);
    const double delta = mx - mn;
    if (R == mx)
        H = (G - B) / delta;
    else if (G == mx)
        H = 2 + (B - R) / delta;
    else
        H = 4 + (R - G) / delta;
    H = H / 6;
    if (H < 0) H = H + 1;
}

double HueToRGB(double m1, double m2, double h) {
    if (h < 0)
        h += 1;
    else if (h > 1)
        h -= 1;
    if (6 * h < 1) return m1 + (m2 - m1) * h * 6;
    if (2 * h < 1) return m2;
    if (3 * h < 2) return m1 + (m2 - m1) * (2.0 / 3 - h) * 6;
    return m1;
}

TRGB HSLToRGB(double H, double S, double L) {
    if (H < 0)
        H += 1;
    else if (H > 1)
        H -= 1;
    S = S < 0 ? 0 : (S > 1 ? 1 : S);
    L = L < 0 ? 0 : (L > 1 ? 1 : L);
    double R, G, B;
    if (S == 0) {
        R = G = B = L;
    } else {
        const double m2 = L <= 0.5 ? L * (1 + S) : L + S - L * S;
        const double m1 = 2 * L - m2;
        R = HueToRGB(m1, m2, H + 1.0 / 3);
        G = HueToRGB(m1, m2, H);
        B = HueToRGB(m1, m2, H - 1.0 / 3);
    }
    auto ch = [](double v) { return static_cast<uint8_t>(ClampToByte(static_cast<int32_t>(improc::RoundEven(v * 255)))); };
    return MakeRGB(ch(R), ch(G), ch(B));
}

int32_t NearestPaletteIndex(const TRGB* palette, int32_t count, TRGB c) {
    int32_t best = 0;
    int32_t bestDist = 0x7FFFFFFF;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t d = std::abs(palette[i].r - c.r) + std::abs(palette[i].g - c.g) + std::abs(palette[i].b - c.b);
        if (d < bestDist) {
            bestDist = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

void CopyBits(void* dest, const void* source, int32_t destBit, int32_t sourceBit, int32_t count, int32_t sourceSize) {
    if (count < 1 || destBit < 0 || sourceBit < 0) return;
    auto* dst = static_cast<uint8_t*>(dest) + destBit / 8;
    const auto* src = static_cast<const uint8_t*>(source) + sourceBit / 8;
    sourceSize -= sourceBit / 8;
    const int32_t d = destBit % 8, s = sourceBit % 8;
    const int32_t destLen = (count + d + 7) / 8;
    const int32_t srcLen = (count + s + 7) / 8;
    const int32_t t = 8 * destLen - d - count;
    const uint8_t keepFirst = static_cast<uint8_t>(dst[0] & (0xFF00 >> d));
    const uint8_t keepLast = static_cast<uint8_t>(dst[destLen - 1] & ((1 << t) - 1));

    // Room for whichever is longer, so that the right shift below has bytes to
    // write into when the destination run spans one byte more than the source.
    std::vector<uint8_t> buf(static_cast<size_t>(IMax(srcLen, destLen)) + 8, 0);
    const int32_t take = IMin(srcLen + 8, sourceSize);
    if (take > 0) std::memcpy(buf.data(), src, static_cast<size_t>(take));

    if (count % 8 != 0 || d > 0 || s > 0) {
        if (s > 0)
            for (int32_t i = 0; i < srcLen; ++i)
                buf[i] = static_cast<uint8_t>((buf[i] << s) | (buf[i + 1] >> (8 - s)));
        if (d > 0)
            for (int32_t i = destLen - 1; i >= 0; --i)
                buf[i] = static_cast<uint8_t>((buf[i] >> d) | (i > 0 ? (buf[i - 1] << (8 - d)) : 0));
        buf[0] = static_cast<uint8_t>((buf[0] & (0xFF >> d)) | keepFirst);
        buf[destLen - 1] = static_cast<uint8_t>((buf[destLen - 1] & ~((1 << t) - 1)) | keepLast);
    }
    std::memcpy(dst, buf.data(), static_cast<size_t>(destLen));
}

void SwapRedBlueBytes(void* data, int32_t n) {
    auto* p = static_cast<uint8_t*>(data);
    for (int32_t i = 0; i < n; ++i, p += 3) ExchangeBytes(p[0], p[2]);
}

void CopySwapRedBlue(void* dest, const void* source, int32_t n) {
    if (n <= 0) return;
    std::memcpy(dest, source, static_cast<size_t>(n) * 3);
    SwapRedBlueBytes(dest, n);
}

void SwapRedBlueTriples(TRGB* data, int32_t n) {
    for (int32_t i = 0; i < n; ++i) ExchangeBytes(data[i].b, data[i].r);
}

void* SwapRedBlue48(void* data, int32_t n) {
    auto* p = static_cast<uint8_t*>(data);
    for (int32_t i = 0; i < n; ++i, p += 6) {
        uint16_t a, c;
        std::memcpy(&a, p, 2);
        std::memcpy(&c, p + 4, 2);
        std::memcpy(p, &c, 2);
        std::memcpy(p + 4, &a, 2);
    }
    return p;
}
