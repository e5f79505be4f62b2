#include "imaging/processing/effects.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procmath.h"

int32_t GaussianKernel(double sigma, int32_t weights[201]) {
    double g[201];
    double sum = 0;
    for (int32_t k = -100; k <= 100; ++k) {
        const double q = k / sigma;
        g[k + 100] = std::exp(-(q * q) / 2);
        sum += g[k + 100];
    }
    for (int32_t i = 0; i < 201; ++i) weights[i] = static_cast<int32_t>(improc::RoundEven(g[i] * 65536 / sum));
    int32_t r = 100;
    while (r > 1 && weights[100 + r] == 0 && weights[100 - r] == 0) --r;
    return r;
}

namespace {

// Convolves n pixels of CH channels spaced step bytes apart, in place.
void Convolve(uint8_t* line, int32_t n, int32_t CH, const int32_t* w, int32_t r, std::vector<uint8_t>& tmp) {
    tmp.assign(line, line + static_cast<size_t>(n) * CH);
    for (int32_t x = 0; x < n; ++x)
        for (int32_t c = 0; c < CH; ++c) {
            int64_t s = 32768;
            for (int32_t k = -r; k <= r; ++k) {
                const int32_t p = IClamp(x + k, 0, n - 1);
                s += static_cast<int64_t>(w[100 + k]) * tmp[static_cast<size_t>(p) * CH + c];
            }
            line[static_cast<size_t>(x) * CH + c] = static_cast<uint8_t>(ClampToByte(static_cast<int32_t>(s >> 16)));
        }
}

}  // namespace

void GaussianBlur(TIEBitmap* bitmap, TObject* Sender, const TIEProgressEvent& OnProgress, double sigma) {
    const TIEPixelFormat pf = bitmap->PixelFormat();
    if ((pf != ie8g && pf != ieRGB24) || sigma <= 0 || bitmap->IsEmpty()) return;
    const int32_t W = bitmap->Width(), H = bitmap->Height(), CH = pf == ieRGB24 ? 3 : 1;
    int32_t w[201];
    const int32_t r = GaussianKernel(sigma, w);
    const double per = 100.0 / (H + W);
    std::vector<uint8_t> line, tmp;
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* row = bitmap->Scanline(y);
        Convolve(row, W, CH, w, r, tmp);
        if (OnProgress) OnProgress(Sender, improc::Trunc32(y * per));
    }
    // Columns: gather, convolve, scatter (rows one at a time, as temporary-file
    // storage hands out one row pointer at a time).
    std::vector<uint8_t> all(static_cast<size_t>(W) * H * CH);
    for (int32_t y = 0; y < H; ++y)
        std::memcpy(all.data() + static_cast<size_t>(y) * W * CH, bitmap->GetScanline(y), static_cast<size_t>(W) * CH);
    line.resize(static_cast<size_t>(H) * CH);
    for (int32_t x = 0; x < W; ++x) {
        for (int32_t y = 0; y < H; ++y)
            std::memcpy(&line[static_cast<size_t>(y) * CH], &all[(static_cast<size_t>(y) * W + x) * CH], static_cast<size_t>(CH));
        Convolve(line.data(), H, CH, w, r, tmp);
        for (int32_t y = 0; y < H; ++y)
            std::memcpy(&all[(static_cast<size_t>(y) * W + x) * CH], &line[static_cast<size_t>(y) * CH], static_cast<size_t>(CH));
        if (OnProgress) OnProgress(Sender, improc::Trunc32((H + x) * per));
    }
    for (int32_t y = 0; y < H; ++y)
        std::memcpy(bitmap->GetScanline(y), all.data() + static_cast<size_t>(y) * W * CH, static_cast<size_t>(W) * CH);
}

void AddSoftShadow(TIEBitmap* bitmap, int32_t offsetX, int32_t offsetY, double radius, TRGB shadowColour, bool enlarge,
                   TObject* Sender, const TIEProgressEvent& OnProgress) {
    const TIEPixelFormat pf = bitmap->PixelFormat();
    if ((pf != ie1g && pf != ieRGB24) || bitmap->IsEmpty()) return;
    bitmap->GetAlphaChannel()->Full = false;
    if (enlarge) {
        const int32_t h = IMax(2 * IMax(std::abs(offsetX), std::abs(offsetY)) + improc::Trunc32(radius * 5), 1);
        bitmap->Resize(bitmap->Width() + h, bitmap->Height() + h, 0, 0, 1, 1);
    }
    TIEBitmap* alpha = bitmap->GetAlphaChannel();
    const int32_t W = bitmap->Width(), H = bitmap->Height();
    std::vector<uint8_t> prev(static_cast<size_t>(W) * H);
    for (int32_t y = 0; y < H; ++y) std::memcpy(&prev[static_cast<size_t>(y) * W], alpha->GetScanline(y), static_cast<size_t>(W));
    GaussianBlur(alpha, Sender, OnProgress, radius);
    if (offsetX != 0 || offsetY != 0) alpha->MoveRect(0, 0, W - 1, H - 1, offsetX, offsetY, 0);
    std::vector<uint8_t> arow(static_cast<size_t>(W));
    for (int32_t y = 0; y < H; ++y) {
        std::memcpy(arow.data(), alpha->GetScanline(y), arow.size());
        uint8_t* px = bitmap->Scanline(y);
        for (int32_t x = 0; x < W; ++x) {
            const uint8_t before = prev[static_cast<size_t>(y) * W + x];
            if (before != 0 || before == arow[static_cast<size_t>(x)]) {
                arow[static_cast<size_t>(x)] = before;
            } else if (pf == ie1g) {
                SetBit(px, static_cast<uint32_t>(x), /*value=*/false);
            } else {
                px[3 * x] = shadowColour.b;
                px[3 * x + 1] = shadowColour.g;
                px[3 * x + 2] = shadowColour.r;
            }
        }
        std::memcpy(alpha->GetScanline(y), arow.data(), arow.size());
    }
    alpha->SyncFull();
}

void RoundAlphaCorners(TIEBitmap* bitmap, int32_t w, int32_t h) {
    if (bitmap->IsEmpty() || w <= 0 || h <= 0) return;
    TIEBitmap* alpha = bitmap->GetAlphaChannel();
    const int32_t W = bitmap->Width(), H = bitmap->Height();
    auto clear = [&](int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
        x0 = IMax(x0, 0);
        y0 = IMax(y0, 0);
        x1 = IMin(x1, W - 1);
        y1 = IMin(y1, H - 1);
        for (int32_t y = y0; y <= y1; ++y) {
            uint8_t* row = alpha->Scanline(y);
            for (int32_t x = x0; x <= x1; ++x) row[x] = 0;
        }
    };
    std::vector<POINT> pts;
    // Top corners. Columns are limited by the width and rows by the height
    // (the other way round wrote outside narrow or short images).
    ComputeBezier(POINT{0, h}, POINT{0, 0}, POINT{w, 0}, POINT{w, 0}, w + h, pts);
    for (const POINT& p : pts) {
        const int32_t x = IMin(p.x, W - 1), y = IMin(p.y, H - 1);
        if (x < 0 || y < 0) continue;
        clear(0, x, 0, y);
        clear(W - 1 - x, W - 1, 0, y);
    }
    // Bottom corners.
    ComputeBezier(POINT{W, H - h}, POINT{W, H}, POINT{W - w, H}, POINT{W - w, H}, w + h, pts);
    for (const POINT& p : pts) {
        const int32_t x = IMax(p.x, 0), y = IMax(p.y, 0);
        if (x > W - 1 || y > H - 1) continue;
        clear(x, W - 1, y, H - 1);
        clear(0, W - 1 - x, y, H - 1);
    }
    alpha->SyncFull();
}

void MatchChannel(TIEBitmap* target, int32_t channel, const int32_t referenceHistogram[256], int64_t referenceCount) {
    const TIEPixelFormat pf = target->PixelFormat();
    if ((pf != ieRGB24 && pf != ieRGB48) || target->IsEmpty() || referenceCount <= 0 || channel < 0 || channel > 2) return;
    const int32_t W = target->Width(), H = target->Height();
    const int64_t total = static_cast<int64_t>(W) * H;
    // Byte offset of the channel's (high) byte in a pixel: TRGB is b, g, r;
    // TRGB48 is r, g, b words, little-endian.
    const int32_t bpp = pf == ieRGB24 ? 3 : 6;
    const int32_t off = pf == ieRGB24 ? channel : (2 - channel) * 2 + 1;
    int64_t hist[256] = {};
    for (int32_t y = 0; y < H; ++y) {
        const uint8_t* row = target->Scanline(y);
        for (int32_t x = 0; x < W; ++x) ++hist[row[x * bpp + off]];
    }
    int32_t eq[256];
    int64_t c = 0;
    for (int32_t i = 0; i < 256; ++i) {
        c += hist[i];
        eq[i] = static_cast<int32_t>(c * 255 / total);
    }
    double R[256];
    int64_t rc = 0;
    for (int32_t j = 0; j < 256; ++j) {
        rc += referenceHistogram[j];
        R[j] = static_cast<double>(rc) * 255 / static_cast<double>(referenceCount);
    }
    int32_t s[256];
    for (int32_t i = 0; i < 256; ++i) {
        int32_t best = 0;
        double bestD = std::fabs(i - R[0]);
        for (int32_t j = 1; j < 256; ++j)
            if (std::fabs(i - R[j]) < bestD) {
                bestD = std::fabs(i - R[j]);
                best = j;
            }
        s[i] = best;
    }
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* row = target->Scanline(y);
        for (int32_t x = 0; x < W; ++x) {
            uint8_t* p = row + x * bpp + off;
            const int32_t v = s[eq[*p]];
            if (pf == ieRGB24) {
                *p = static_cast<uint8_t>(v);
            } else {
                const uint16_t word = static_cast<uint16_t>(v * 257);
                p[-1] = static_cast<uint8_t>(word & 0xFF);
                p[0] = static_cast<uint8_t>(word >> 8);
            }
        }
    }
}

void MatchHistogram(TIEBitmap* reference, TIEBitmap* target) {
    if (reference->PixelFormat() != ieRGB24 || reference->IsEmpty() || target->IsEmpty()) return;
    int32_t hist[3][256] = {};
    const int32_t W = reference->Width(), H = reference->Height();
    for (int32_t y = 0; y < H; ++y) {
        const uint8_t* row = reference->Scanline(y);
        for (int32_t x = 0; x < W; ++x)
            for (int32_t c = 0; c < 3; ++c) ++hist[c][row[3 * x + c]];
    }
    const int64_t count = static_cast<int64_t>(W) * H;
    for (int32_t c = 0; c < 3; ++c) MatchChannel(target, c, hist[c], count);
}
