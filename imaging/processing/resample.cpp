#include "imaging/processing/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procmath.h"
#include "imaging/processing/resample_internal.h"

using improc::RoundEven;

// ---- Kernels ----------------------------------------------------------------------

namespace {

double Sinc(double x) {
    if (x == 0) return 1;
    const double px = M_PI * x;
    return std::sin(px) / px;
}

}  // namespace

double ResampleKernel(TResampleFilter filter, double x) {
    const double a = std::fabs(x);
    switch (filter) {
        case rfTriangle:
            return a < 1 ? 1 - a : 0;
        case rfHermite:
            return a < 1 ? (2 * a - 3) * a * a + 1 : 0;
        case rfBell:
            if (a < 0.5) return 0.75 - a * a;
            if (a < 1.5) return 0.5 * (a - 1.5) * (a - 1.5);
            return 0;
        case rfBSpline:
            if (a < 1) return 0.5 * a * a * a - a * a + 2.0 / 3;
            if (a < 2) return (2 - a) * (2 - a) * (2 - a) / 6;
            return 0;
        case rfLanczos3:
            return a < 3 ? Sinc(x) * Sinc(x / 3) : 0;
        case rfMitchell:
            if (a < 1) return (7 * a * a * a - 12 * a * a + 16.0 / 3) / 6;
            if (a < 2) return (-7.0 / 3 * a * a * a + 12 * a * a - 20 * a + 32.0 / 3) / 6;
            return 0;
        case rfNearest:
            return (x > -0.5 && x <= 0.5) ? 1 : 0;
        case rfLinear:
            if (x >= -1 && x < 0) return x + 1;
            if (x >= 0 && x < 1) return 1 - x;
            return 0;
        default:
            return 0;
    }
}

double ResampleSupport(TResampleFilter filter) {
    switch (filter) {
        case rfTriangle:
        case rfHermite:
        case rfNearest:
        case rfLinear:
            return 1.0;
        case rfBell:
            return 1.5;
        case rfBSpline:
        case rfMitchell:
            return 2.0;
        case rfLanczos3:
            return 3.0;
        default:
            return 0;
    }
}

// ---- Contributor lists ------------------------------------------------------------

namespace improc {

// Weights are the kernel value scaled by 256 and rounded. When reducing, the
// kernel is stretched by 1/scale; its height is not multiplied by scale, as the
// engine divides by the sum of the weights anyway: the product used to round
// every weight to 0 for strong reductions (4000 to 8 pixels gave black).
Contributors BuildContributors(int32_t srcSize, int32_t dstSize, TResampleFilter filter) {
    Contributors c;
    c.start.resize(static_cast<size_t>(dstSize) + 1);
    c.weightSum.resize(static_cast<size_t>(dstSize));
    const double support = ResampleSupport(filter);
    const double scale = (srcSize == 1 || dstSize == 1) ? static_cast<double>(dstSize) / srcSize
                                                         : static_cast<double>(dstSize - 1) / (srcSize - 1);
    const bool enlarge = scale >= 1;
    const double width = enlarge ? support : support / scale;
    for (int32_t i = 0; i < dstSize; ++i) {
        c.start[static_cast<size_t>(i)] = static_cast<int32_t>(c.index.size());
        const double center = i / scale;
        const int32_t lo = FloorToInt(center - width), hi = CeilToInt(center + width);
        int64_t sum = 0, absSum = 0;
        for (int32_t j = lo; j <= hi; ++j) {
            const double k = enlarge ? ResampleKernel(filter, center - j) : ResampleKernel(filter, (center - j) * scale);
            const auto w = static_cast<int32_t>(RoundEven(k * 256));
            if (w == 0) continue;
            int32_t n = j < 0 ? -j : (j >= srcSize ? 2 * srcSize - 1 - j : j);
            n = IClamp(n, 0, srcSize - 1);
            c.index.push_back(n);
            c.weight.push_back(w);
            sum += w;
            absSum += w < 0 ? -w : w;
        }
        c.weightSum[static_cast<size_t>(i)] = sum;
        c.maxAbsSum = std::max(c.maxAbsSum, absSum);
    }
    c.start[static_cast<size_t>(dstSize)] = static_cast<int32_t>(c.index.size());
    return c;
}

int32_t WorkerCount(int64_t work) {
    // Below a few million operations a pass takes a millisecond or two, less
    // than waking threads costs on a busy machine.
    if (work < 4000000) return 1;
    const unsigned hw = std::thread::hardware_concurrency();
    const int32_t n = hw == 0 ? 1 : static_cast<int32_t>(std::min(hw, 8u));
    return std::max<int32_t>(1, std::min<int64_t>(n, work / 2000000));
}

namespace {

template <typename Acc>
inline uint8_t Finish(Acc acc, int64_t sum) {
    const Acc v = sum != 0 ? acc / static_cast<Acc>(sum) : acc / 256;
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

template <int CH, typename Acc>
void HorizontalRows(const Contributors& cx, const KernelIO& io, std::vector<uint8_t>& work, int32_t dW, int32_t y0,
                    int32_t y1, bool reportProgress, double per, const KernelProgress& progress) {
    std::vector<uint8_t> rowBuf(static_cast<size_t>(io.srcWidth) * CH);
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* row = io.getRow(y, rowBuf.data());
        uint8_t* out = work.data() + static_cast<size_t>(y) * dW * CH;
        for (int32_t x = 0; x < dW; ++x) {
            const int32_t s = cx.start[static_cast<size_t>(x)], e = cx.start[static_cast<size_t>(x) + 1];
            Acc a[CH] = {};
            for (int32_t k = s; k < e; ++k) {
                const uint8_t* p = row + static_cast<size_t>(cx.index[static_cast<size_t>(k)]) * CH;
                const Acc w = cx.weight[static_cast<size_t>(k)];
                for (int c = 0; c < CH; ++c) a[c] += w * p[c];
            }
            const int64_t sum = cx.weightSum[static_cast<size_t>(x)];
            for (int c = 0; c < CH; ++c) out[x * CH + c] = Finish<Acc>(a[c], sum);
        }
        if (reportProgress) progress(static_cast<int>(Trunc64((y + 1) * per)));
    }
}

template <int CH, typename Acc>
void VerticalRows(const Contributors& cy, const KernelIO& io, const std::vector<uint8_t>& work, int32_t dW,
                  int32_t j0, int32_t j1, std::vector<uint8_t>& outRows) {
    const size_t n = static_cast<size_t>(dW) * CH;
    std::vector<Acc> acc(n);
    for (int32_t j = j0; j < j1; ++j) {
        std::fill(acc.begin(), acc.end(), Acc{0});
        const int32_t s = cy.start[static_cast<size_t>(j)], e = cy.start[static_cast<size_t>(j) + 1];
        for (int32_t k = s; k < e; ++k) {
            const uint8_t* wr = work.data() + static_cast<size_t>(cy.index[static_cast<size_t>(k)]) * n;
            const Acc w = cy.weight[static_cast<size_t>(k)];
            Acc* a = acc.data();
            for (size_t i = 0; i < n; ++i) a[i] += w * wr[i];
        }
        const int64_t sum = cy.weightSum[static_cast<size_t>(j)];
        uint8_t* out = outRows.data() + static_cast<size_t>(j - j0) * n;
        for (size_t i = 0; i < n; ++i) out[i] = Finish<Acc>(acc[i], sum);
    }
}

template <int CH, typename Acc>
void RunKernel(const Contributors& cx, const Contributors& cy, const KernelIO& io, int32_t dW, int32_t dH,
               const KernelProgress& progress) {
    const int32_t sH = io.srcHeight;
    std::vector<uint8_t> work(static_cast<size_t>(dW) * sH * CH);
    const double per = 100.0 / (sH + dW + 0.5);

    // Horizontal pass: rows are independent, so large images share them out
    // among a few threads when every row of the source is addressable at once.
    const int32_t threads = io.parallel ? WorkerCount(static_cast<int64_t>(sH) * dW * (cx.index.size() / std::max(dW, 1) + 1)) : 1;
    if (threads <= 1) {
        HorizontalRows<CH, Acc>(cx, io, work, dW, 0, sH, static_cast<bool>(progress), per, progress);
    } else {
        std::vector<std::thread> pool;
        const int32_t chunk = (sH + threads - 1) / threads;
        for (int32_t t = 1; t < threads; ++t) {
            const int32_t a = t * chunk, b = std::min(sH, (t + 1) * chunk);
            if (a < b)
                pool.emplace_back([&, a, b] {
                    HorizontalRows<CH, Acc>(cx, io, work, dW, a, b, /*reportProgress=*/false, per, progress);
                });
        }
        HorizontalRows<CH, Acc>(cx, io, work, dW, 0, std::min(chunk, sH), /*reportProgress=*/false, per, progress);
        for (auto& th : pool) th.join();
        if (progress) progress(static_cast<int>(Trunc64(sH * per)));
    }

    // Vertical pass, row by row (the same sums as column by column, read in
    // memory order). Rows are handed to the destination in order.
    const int32_t vthreads = io.parallel ? WorkerCount(static_cast<int64_t>(dH) * dW * (cy.index.size() / std::max(dH, 1) + 1)) : 1;
    const int32_t band = vthreads <= 1 ? 16 : std::max<int32_t>(16, (dH + vthreads - 1) / vthreads);
    for (int32_t j0 = 0; j0 < dH;) {
        const int32_t bandRows = std::min(dH - j0, vthreads <= 1 ? band : band * vthreads);
        std::vector<uint8_t> rows(static_cast<size_t>(bandRows) * dW * CH);
        if (vthreads <= 1) {
            VerticalRows<CH, Acc>(cy, io, work, dW, j0, j0 + bandRows, rows);
        } else {
            std::vector<std::thread> pool;
            const int32_t chunk = (bandRows + vthreads - 1) / vthreads;
            std::vector<std::vector<uint8_t>> parts(static_cast<size_t>(vthreads));
            for (int32_t t = 0; t < vthreads; ++t) {
                const int32_t a = j0 + t * chunk, b = std::min(j0 + bandRows, j0 + (t + 1) * chunk);
                if (a >= b) continue;
                pool.emplace_back([&, a, b, t] {
                    parts[static_cast<size_t>(t)].resize(static_cast<size_t>(b - a) * dW * CH);
                    VerticalRows<CH, Acc>(cy, io, work, dW, a, b, parts[static_cast<size_t>(t)]);
                });
            }
            for (auto& th : pool) th.join();
            size_t off = 0;
            for (auto& p : parts) {
                std::memcpy(rows.data() + off, p.data(), p.size());
                off += p.size();
            }
        }
        for (int32_t j = j0; j < j0 + bandRows; ++j)
            io.putRow(j, rows.data() + static_cast<size_t>(j - j0) * dW * CH);
        j0 += bandRows;
        if (progress) progress(static_cast<int>(Trunc64((sH + static_cast<double>(dW) * j0 / dH) * per)));
    }
}

}  // namespace

void KernelResample(const KernelIO& io, int32_t channels, int32_t dW, int32_t dH, TResampleFilter filter,
                    const KernelProgress& progress) {
    if (io.srcWidth <= 0 || io.srcHeight <= 0 || dW <= 0 || dH <= 0) return;
    if (io.srcWidth < 2 && io.srcHeight < 2) return;
    const Contributors cx = BuildContributors(io.srcWidth, dW, filter);
    const Contributors cy = BuildContributors(io.srcHeight, dH, filter);
    // 32-bit sums while they cannot overflow, else 64-bit.
    const bool wide = std::max(cx.maxAbsSum, cy.maxAbsSum) * 255 > 0x7FFFFFFFLL;
    if (channels == 3)
        wide ? RunKernel<3, int64_t>(cx, cy, io, dW, dH, progress) : RunKernel<3, int32_t>(cx, cy, io, dW, dH, progress);
    else
        wide ? RunKernel<1, int64_t>(cx, cy, io, dW, dH, progress) : RunKernel<1, int32_t>(cx, cy, io, dW, dH, progress);
}

// Narrows a bitmap's access for the duration of a resampling. Only rows of
// temporary-file storage care, so memory bitmaps (which several threads may
// read at once) are left untouched.
AccessGuard::AccessGuard(TIEBitmap* b, TIEDataAccess a) : bmp(b), old(b->Access) {
    if (bmp->Location() == ieTempFile && bmp->Access != a) {
        bmp->Access = a;
        changed = true;
    }
}
AccessGuard::~AccessGuard() {
    if (changed) bmp->Access = old;
}

bool RowsAddressable(TIEBitmap* b) { return b->Location() == ieMemory; }

}  // namespace improc

using namespace improc;

// ---- Engines -------------------------------------------------------------------------

void ResampleRGB24(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter, TObject* Sender,
                   const TIEProgressEvent& OnProgress) {
    if (source->PixelFormat() != ieRGB24 || source == dest) return;
    switch (filter) {
        case rfFastLinear:
            ResampleFastLinearRGB24(source, dest, Sender, OnProgress);
            return;
        case rfBilinear:
        case rfBicubic:
            ResampleAreaRGB24(source, dest, filter == rfBicubic, Sender, OnProgress);
            return;
        case rfProjectBW:
        case rfProjectWB:
            ProjectRGB24(source, dest, filter == rfProjectWB, Sender, OnProgress);
            return;
        default:
            break;
    }
    if (filter < rfTriangle || filter > rfLinear) return;
    if (dest->PixelFormat() != ieRGB24) dest->Allocate(dest->Width(), dest->Height(), ieRGB24);
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    KernelIO io;
    io.srcWidth = source->Width();
    io.srcHeight = source->Height();
    io.parallel = RowsAddressable(source) && RowsAddressable(dest);
    io.getRow = [source](int32_t y, uint8_t*) { return static_cast<const uint8_t*>(source->GetScanline(y)); };
    const int32_t dW = dest->Width();
    io.putRow = [dest, dW](int32_t y, const uint8_t* row) { std::memcpy(dest->GetScanline(y), row, static_cast<size_t>(dW) * 3); };
    KernelProgress progress;
    if (OnProgress) progress = [&](int p) { OnProgress(Sender, p); };
    KernelResample(io, 3, dW, dest->Height(), filter, progress);
}

void ResampleGray8(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter) {
    if (source->BitCount() != 8 || dest->BitCount() != 8 || source == dest) return;
    if (filter >= rfFastLinear) {
        ResampleFastLinearGray8(source, dest);
        return;
    }
    if (filter < rfTriangle) return;
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    KernelIO io;
    io.srcWidth = source->Width();
    io.srcHeight = source->Height();
    io.parallel = RowsAddressable(source) && RowsAddressable(dest);
    io.getRow = [source](int32_t y, uint8_t*) { return static_cast<const uint8_t*>(source->GetScanline(y)); };
    const int32_t dW = dest->Width();
    io.putRow = [dest, dW](int32_t y, const uint8_t* row) { std::memcpy(dest->GetScanline(y), row, static_cast<size_t>(dW)); };
    KernelResample(io, 1, dW, dest->Height(), filter, {});
}

void ResampleBW(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter) {
    if (source->PixelFormat() != ie1g || source == dest) return;
    if (filter == rfProjectBW || filter == rfProjectWB) {
        ProjectBW(source, dest, filter == rfProjectWB);
        return;
    }
    if (filter >= rfFastLinear && filter <= rfBicubic) {
        ResampleFastBW(source, dest);
        return;
    }
    if (filter < rfTriangle || filter > rfLinear) return;
    if (dest->PixelFormat() != ieRGB24) dest->Allocate(dest->Width(), dest->Height(), ieRGB24);
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    KernelIO io;
    const int32_t sW = source->Width();
    io.srcWidth = sW;
    io.srcHeight = source->Height();
    io.parallel = RowsAddressable(source) && RowsAddressable(dest);
    io.getRow = [source, sW](int32_t y, uint8_t* buf) {
        const uint8_t* bits = source->Scanline(y);
        for (int32_t x = 0; x < sW; ++x) buf[x] = (bits[x >> 3] & (128 >> (x & 7))) ? 255 : 0;
        return static_cast<const uint8_t*>(buf);
    };
    const int32_t dW = dest->Width();
    io.putRow = [dest, dW](int32_t y, const uint8_t* row) {
        uint8_t* out = dest->Scanline(y);
        for (int32_t x = 0; x < dW; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[x];
    };
    KernelResample(io, 1, dW, dest->Height(), filter, {});
}

void FillTransparentPixels(TIEBitmap* bitmap, TRGB colour) {
    if (bitmap->PixelFormat() != ieRGB24 || !bitmap->HasAlphaChannel()) return;
    TIEBitmap* alpha = bitmap->GetAlphaChannel();
    const int32_t w = IMin(bitmap->Width(), alpha->Width()), h = IMin(bitmap->Height(), alpha->Height());
    for (int32_t y = 0; y < h; ++y) {
        // Copy the alpha row first: with temporary-file storage each request
        // invalidates the previous row of the same bitmap, not of another.
        const uint8_t* a = alpha->Scanline(y);
        auto* p = reinterpret_cast<TRGB*>(bitmap->GetScanline(y));
        for (int32_t x = 0; x < w; ++x)
            if (a[x] == 0) p[x] = colour;
    }
}

void ResampleNearest(TIEBitmap* source, TIEBitmap* dest, TObject* Sender, const TIEProgressEvent& OnProgress) {
    const TIEPixelFormat pf = source->PixelFormat();
    if (pf == ieNoFormat || source == dest) return;
    const int32_t sW = source->Width(), sH = source->Height();
    const int32_t dW = dest->Width(), dH = dest->Height();
    if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0) return;
    // The destination must hold the source's format, else rows would overrun.
    if (dest->PixelFormat() != pf) dest->Allocate(dW, dH, pf);
    if (pf == ie8p)
        for (int32_t i = 0; i < IMin(source->GetPaletteLength(), dest->GetPaletteLength()); ++i)
            dest->SetPalette(i, source->GetPalette(i));
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    std::vector<int32_t> sx(static_cast<size_t>(dW));
    const double rx = static_cast<double>(sW) / dW, ry = static_cast<double>(sH) / dH;
    for (int32_t i = 0; i < dW; ++i) sx[static_cast<size_t>(i)] = IMin(Trunc32(rx * i), sW - 1);
    const int32_t bpp = pf == ie1g ? 0 : source->BitCount() / 8;
    const bool direct = RowsAddressable(source);
    std::vector<uint8_t> rowCopy(direct ? 0 : static_cast<size_t>(source->RowLen()));
    int32_t lastSy = -1;
    const uint8_t* srow = nullptr;
    for (int32_t y = 0; y < dH; ++y) {
        const int32_t sy = IMin(Trunc32(ry * y), sH - 1);
        if (direct) {
            srow = source->Scanline(sy);
        } else if (sy != lastSy) {
            std::memcpy(rowCopy.data(), source->GetScanline(sy), rowCopy.size());
            srow = rowCopy.data();
        }
        lastSy = sy;
        uint8_t* drow = dest->Scanline(y);
        if (pf == ie1g) {
            std::memset(drow, 0, static_cast<size_t>(dest->RowLen()));
            for (int32_t x = 0; x < dW; ++x) {
                const int32_t s = sx[static_cast<size_t>(x)];
                if (srow[s >> 3] & (128 >> (s & 7))) drow[x >> 3] |= static_cast<uint8_t>(128 >> (x & 7));
            }
        } else if (bpp == 3) {
            for (int32_t x = 0; x < dW; ++x) {
                const uint8_t* p = srow + sx[static_cast<size_t>(x)] * 3;
                drow[3 * x] = p[0];
                drow[3 * x + 1] = p[1];
                drow[3 * x + 2] = p[2];
            }
        } else if (bpp == 1) {
            for (int32_t x = 0; x < dW; ++x) drow[x] = srow[sx[static_cast<size_t>(x)]];
        } else {
            for (int32_t x = 0; x < dW; ++x)
                std::memcpy(drow + static_cast<size_t>(x) * bpp, srow + static_cast<size_t>(sx[static_cast<size_t>(x)]) * bpp,
                            static_cast<size_t>(bpp));
        }
        if (OnProgress) OnProgress(Sender, ProgressPercent(y, dH));
    }
}

// ---- Dispatcher --------------------------------------------------------------------

void ResampleBitmap(TIEBitmap* source, TIEBitmap* dest, TResampleFilter filter, TObject* Sender,
                    const TIEProgressEvent& OnProgress) {
    if (source == dest || source->IsEmpty() || dest->Width() <= 0 || dest->Height() <= 0) return;
    TIEBitmap* src = source;
    // Fully transparent pixels count as mid grey while resampling, so that
    // their arbitrary colours do not bleed into the visible edge. The caller's
    // bitmap keeps its pixels: the grey goes into a copy.
    TIEBitmap greyed;
    if (source->HasAlphaChannel() && source->PixelFormat() == ieRGB24 && filter != rfNone) {
        TIEBitmap* a = source->GetAlphaChannel();
        bool anyClear = false;
        for (int32_t y = 0; y < a->Height() && !anyClear; ++y) {
            const uint8_t* row = a->Scanline(y);
            anyClear = std::memchr(row, 0, static_cast<size_t>(a->Width())) != nullptr;
        }
        if (anyClear) {
            greyed.Assign(source);
            FillTransparentPixels(&greyed, MakeRGB(128, 128, 128));
            greyed.RemoveAlphaChannel();
            src = &greyed;
        }
    }

    const TIEPixelFormat pf = src->PixelFormat();
    if (filter == rfNone) {
        ResampleNearest(src, dest, Sender, OnProgress);
    } else if (pf == ie1g) {
        const TIEPixelFormat want = (filter == rfProjectBW || filter == rfProjectWB) ? ie1g : ieRGB24;
        if (dest->PixelFormat() != want) dest->Allocate(dest->Width(), dest->Height(), want);
        ResampleBW(src, dest, filter);
    } else if (pf == ieRGB24) {
        ResampleRGB24(src, dest, filter, Sender, OnProgress);
    } else if (pf == ie8g) {
        if (dest->PixelFormat() != ie8g) dest->Allocate(dest->Width(), dest->Height(), ie8g);
        ResampleGray8(src, dest, filter);
    } else {
        // Palette, 16-bit, float, CMYK, Lab and 48-bit images keep their format:
        // the nearest pixel.
        ResampleNearest(src, dest, Sender, OnProgress);
    }

    if (source->HasAlphaChannel()) {
        TIEBitmap* sa = source->GetAlphaChannel();
        TIEBitmap* da = dest->GetAlphaChannel();
        if (filter == rfNone)
            ResampleNearest(sa, da);
        else
            ResampleGray8(sa, da, filter);
        da->Full = sa->Full;
    }
}
