// The resamplers without a convolution kernel: fast linear, area-weighted
// bilinear and bicubic, the two projections, and the box average of 1-bit
// rectangles.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procmath.h"
#include "imaging/processing/resample.h"
#include "imaging/processing/resample_internal.h"

using namespace improc;

namespace {

constexpr int32_t kOne = 131072;  // one source pixel in 17-bit fixed point
constexpr double kSlack = 1e-7;

// Rows of a bitmap, each valid for the whole call: direct pointers for memory
// storage, copies otherwise.
class RowSource {
public:
    explicit RowSource(TIEBitmap* b) : bmp(b), direct(RowsAddressable(b)) {
        if (!direct) copies.resize(static_cast<size_t>(b->Height()));
    }
    const uint8_t* Row(int32_t y) {
        if (direct) return bmp->Scanline(y);
        auto& c = copies[static_cast<size_t>(y)];
        if (c.empty()) {
            c.resize(static_cast<size_t>(bmp->RowLen()));
            std::memcpy(c.data(), bmp->GetScanline(y), c.size());
        }
        return c.data();
    }
    void Drop(int32_t y) {
        if (!direct) std::vector<uint8_t>().swap(copies[static_cast<size_t>(y)]);
    }

private:
    TIEBitmap* bmp;
    bool direct;
    std::vector<std::vector<uint8_t>> copies;
};

inline const uint8_t* BitsToBytes(const uint8_t* bits, int32_t w, uint8_t* buf) {
    for (int32_t x = 0; x < w; ++x) buf[x] = (bits[x >> 3] & (128 >> (x & 7))) ? 255 : 0;
    return buf;
}

struct LinearTables {
    std::vector<int32_t> x0, frac, x1;
};

LinearTables MakeLinearTables(int32_t sN, int32_t dN, double r) {
    LinearTables t;
    t.x0.resize(static_cast<size_t>(dN));
    t.frac.resize(static_cast<size_t>(dN));
    t.x1.resize(static_cast<size_t>(dN));
    for (int32_t i = 0; i < dN; ++i) {
        const double f = i / r;
        const int32_t a = Trunc32(f);
        t.x0[static_cast<size_t>(i)] = IMin(a, sN - 1);
        t.frac[static_cast<size_t>(i)] = Trunc32((f - a) * kOne);
        t.x1[static_cast<size_t>(i)] = IClamp(Trunc32(IMin(i + 1, dN - 1) / r + 1e-10), t.x0[static_cast<size_t>(i)], sN - 1);
    }
    return t;
}

// Fast linear on CH channels of byte rows (getRow returns sW x CH bytes).
template <int CH, typename GetRow, typename PutRow>
void FastLinear(int32_t sW, int32_t sH, int32_t dW, int32_t dH, GetRow getRow, PutRow putRow,
                const std::function<void(int)>& progress) {
    const double rx = static_cast<double>(dW) / sW, ry = static_cast<double>(dH) / sH;
    const LinearTables tx = MakeLinearTables(sW, dW, rx);
    const double per = 100.0 / (sH + dH + 0.5);
    std::vector<uint8_t> work(static_cast<size_t>(dW) * sH * CH);
    for (int32_t y = 0; y < sH; ++y) {
        const uint8_t* row = getRow(y);
        uint8_t* out = work.data() + static_cast<size_t>(y) * dW * CH;
        for (int32_t i = 0; i < dW; ++i) {
            const int32_t x0 = tx.x0[static_cast<size_t>(i)];
            if (rx > 1) {
                const int32_t xb = IMin(x0 + 1, sW - 1), f = tx.frac[static_cast<size_t>(i)];
                for (int c = 0; c < CH; ++c) {
                    const int32_t a = row[x0 * CH + c], b = row[xb * CH + c];
                    out[i * CH + c] = static_cast<uint8_t>(a + static_cast<int32_t>(static_cast<int64_t>(b - a) * f / kOne));
                }
            } else {
                const int32_t x1 = tx.x1[static_cast<size_t>(i)];
                for (int c = 0; c < CH; ++c) {
                    int32_t s = 0;
                    for (int32_t x = x0; x <= x1; ++x) s += row[x * CH + c];
                    out[i * CH + c] = static_cast<uint8_t>(s / (x1 - x0 + 1));
                }
            }
        }
        if (progress) progress(Trunc32(y * per));
    }
    std::vector<uint8_t> line(static_cast<size_t>(dW) * CH);
    const size_t n = line.size();
    for (int32_t j = 0; j < dH; ++j) {
        if (ry > 1) {
            const double fy = j / ry;
            const int32_t y0 = IMin(Trunc32(fy), sH - 1);
            const int32_t f = Trunc32((fy - Trunc32(fy)) * kOne);
            const int32_t y1 = IMin(y0 + 1, sH - 1);
            const uint8_t* a = work.data() + static_cast<size_t>(y0) * n;
            const uint8_t* b = work.data() + static_cast<size_t>(y1) * n;
            for (size_t i = 0; i < n; ++i)
                line[i] = static_cast<uint8_t>(a[i] + static_cast<int32_t>(static_cast<int64_t>(b[i] - a[i]) * f / kOne));
        } else {
            const int32_t ya = IMin(Trunc32(j / ry), sH - 1);
            const int32_t yb = IClamp(Trunc32(IMin(j + 1, dH - 1) / ry), ya, sH - 1);
            std::vector<int32_t> sum(n, 0);
            for (int32_t y = ya; y <= yb; ++y) {
                const uint8_t* r = work.data() + static_cast<size_t>(y) * n;
                for (size_t i = 0; i < n; ++i) sum[i] += r[i];
            }
            const int32_t cnt = yb - ya + 1;
            for (size_t i = 0; i < n; ++i) line[i] = static_cast<uint8_t>(sum[i] / cnt);
        }
        putRow(j, line.data());
        if (progress) progress(Trunc32((sH + j) * per));
    }
}

void CopyRows(TIEBitmap* source, TIEBitmap* dest, int32_t bytes) {
    for (int32_t y = 0; y < source->Height(); ++y) {
        std::vector<uint8_t> tmp(static_cast<size_t>(bytes));
        std::memcpy(tmp.data(), source->GetScanline(y), tmp.size());
        std::memcpy(dest->GetScanline(y), tmp.data(), tmp.size());
    }
}

}  // namespace

void ResampleFastLinearRGB24(TIEBitmap* source, TIEBitmap* dest, TObject* Sender, const TIEProgressEvent& OnProgress) {
    if (source->PixelFormat() != ieRGB24 || source == dest) return;
    const int32_t sW = source->Width(), sH = source->Height(), dW = dest->Width(), dH = dest->Height();
    if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0) return;
    if (dest->PixelFormat() != ieRGB24) dest->Allocate(dW, dH, ieRGB24);
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    if (sW == dW && sH == dH) {
        CopyRows(source, dest, sW * 3);
        return;
    }
    RowSource rows(source);
    std::function<void(int)> progress;
    if (OnProgress) progress = [&](int p) { OnProgress(Sender, p); };
    FastLinear<3>(sW, sH, dW, dH, [&](int32_t y) { return rows.Row(y); },
                  [&](int32_t y, const uint8_t* line) { std::memcpy(dest->GetScanline(y), line, static_cast<size_t>(dW) * 3); },
                  progress);
}

void ResampleFastLinearGray8(TIEBitmap* source, TIEBitmap* dest) {
    if (source->BitCount() != 8 || dest->BitCount() != 8 || source == dest) return;
    const int32_t sW = source->Width(), sH = source->Height(), dW = dest->Width(), dH = dest->Height();
    if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0) return;
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    if (sW == dW && sH == dH) {
        CopyRows(source, dest, sW);
        return;
    }
    RowSource rows(source);
    FastLinear<1>(sW, sH, dW, dH, [&](int32_t y) { return rows.Row(y); },
                  [&](int32_t y, const uint8_t* line) { std::memcpy(dest->GetScanline(y), line, static_cast<size_t>(dW)); },
                  {});
}

void ResampleFastBW(TIEBitmap* source, TIEBitmap* dest) {
    if (source->PixelFormat() != ie1g || source == dest) return;
    const int32_t sW = source->Width(), sH = source->Height(), dW = dest->Width(), dH = dest->Height();
    if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0) return;
    if (dest->PixelFormat() != ieRGB24) dest->Allocate(dW, dH, ieRGB24);
    const double rx = static_cast<double>(dW) / sW, ry = static_cast<double>(dH) / sH;
    if (rx < 1 && ry < 1) {
        ResampleBWToRGB24(source, 0, 0, sW - 1, sH - 1, dest);
        return;
    }
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    RowSource rows(source);
    std::vector<uint8_t> buf(static_cast<size_t>(sW));
    const LinearTables tx = MakeLinearTables(sW, dW, rx);
    std::vector<uint8_t> work(static_cast<size_t>(dW) * sH);
    for (int32_t y = 0; y < sH; ++y) {
        const uint8_t* row = BitsToBytes(rows.Row(y), sW, buf.data());
        uint8_t* out = work.data() + static_cast<size_t>(y) * dW;
        for (int32_t i = 0; i < dW; ++i) {
            const int32_t x0 = tx.x0[static_cast<size_t>(i)];
            const int32_t a = row[x0], b = row[IMin(x0 + 1, sW - 1)];
            out[i] = static_cast<uint8_t>(a + (((b - a) * tx.frac[static_cast<size_t>(i)]) >> 17));
        }
    }
    for (int32_t j = 0; j < dH; ++j) {
        const double fy = j / ry;
        const int32_t y0 = IMin(Trunc32(fy), sH - 1);
        const int32_t f = Trunc32((fy - Trunc32(fy)) * kOne);
        const uint8_t* a = work.data() + static_cast<size_t>(y0) * dW;
        const uint8_t* b = work.data() + static_cast<size_t>(IMin(y0 + 1, sH - 1)) * dW;
        uint8_t* out = dest->Scanline(j);
        for (int32_t i = 0; i < dW; ++i) {
            const auto v = static_cast<uint8_t>(a[i] + (((b[i] - a[i]) * f) >> 17));
            out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = v;
        }
    }
}

// ---- Area-weighted bilinear and bicubic ---------------------------------------------

namespace {

struct Segment {
    int32_t src;
    int32_t dst;
    double len;
    double frac;  // the segment's end inside its source pixel, 0..1
};

// Cuts an axis at every source pixel boundary and every destination boundary.
std::vector<Segment> Segments(int32_t sN, int32_t dN) {
    const double g = static_cast<double>(sN) / dN;
    std::vector<Segment> out;
    out.reserve(static_cast<size_t>(sN + dN));
    double pos = 0;
    int32_t s = 0, d = 0;
    while (s < sN && d < dN) {
        const double a = s + 1;
        const double b = d + 1 == dN ? sN : (d + 1) * g;
        double end;
        bool advS = false, advD = false;
        if (std::fabs(a - b) < 1e-4) {
            end = a;
            advS = advD = true;
        } else if (a < b) {
            end = a;
            advS = true;
        } else {
            end = b;
            advD = true;
        }
        const double len = end - pos;
        if (len > 0) out.push_back({s, d, len, advS ? 1.0 : end - s});
        pos = end;
        if (advS) ++s;
        if (advD) ++d;
    }
    return out;
}

inline double CubicWeight(double a) {
    a = std::fabs(a);
    if (a < 1) return a * a * a - 2 * a * a + 1;
    if (a < 2) return -a * a * a + 5 * a * a - 8 * a + 4;
    return 0;
}

inline double Cubic(double p0, double p1, double p2, double p3, double t) {
    const double v = p0 * CubicWeight(t + 1) + p1 * CubicWeight(t) + p2 * CubicWeight(t - 1) + p3 * CubicWeight(t - 2);
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

}  // namespace

void ResampleAreaRGB24(TIEBitmap* source, TIEBitmap* dest, bool bicubic, TObject* Sender, const TIEProgressEvent& OnProgress) {
    if (source->PixelFormat() != ieRGB24 || source == dest) return;
    const int32_t sW = source->Width(), sH = source->Height(), dW = dest->Width(), dH = dest->Height();
    if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0) return;
    if (dest->PixelFormat() != ieRGB24) dest->Allocate(dW, dH, ieRGB24);
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    const double gx = static_cast<double>(sW) / dW, gy = static_cast<double>(sH) / dH;
    const bool ix = gx < 1, iy = gy < 1;
    const std::vector<Segment> hs = Segments(sW, dW), vs = Segments(sH, dH);
    const double norm = 1.0 / (gx * gy);
    const bool parallel = RowsAddressable(source) && RowsAddressable(dest);

    // Vertical segments vs[s0..s1) make whole destination rows; each call has
    // its own accumulators, so bands of rows can run side by side.
    auto band = [&](size_t s0, size_t s1, bool report) {
        RowSource rows(source);
        auto row = [&](int32_t y) { return rows.Row(IClamp(y, 0, sH - 1)); };
        auto px = [&](const uint8_t* r, int32_t x, int c) -> double { return r[IClamp(x, 0, sW - 1) * 3 + c]; };
        std::vector<double> acc(static_cast<size_t>(dW) * 3, 0.0);
        int32_t curDst = s0 < s1 ? vs[s0].dst : 0;
        auto flush = [&](int32_t dy) {
            uint8_t* out = dest->Scanline(dy);
            for (size_t i = 0; i < acc.size(); ++i) {
                // The sums are exact fractions: a hair of slack keeps 80.999999
                // (meaning 81) from truncating to 80.
                const double v = acc[i] * norm + kSlack;
                out[i] = static_cast<uint8_t>(v <= 0 ? 0 : (v >= 255 ? 255 : Trunc32(v)));
                acc[i] = 0;
            }
            if (report && OnProgress) OnProgress(Sender, Trunc32((dy + 1) / static_cast<double>(dH) * 100));
        };
        int32_t lastSrc = -1;
        for (size_t si = s0; si < s1; ++si) {
            const Segment& v = vs[si];
            if (v.dst != curDst) {
                flush(curDst);
                curDst = v.dst;
            }
            if (lastSrc >= 0 && v.src != lastSrc && lastSrc >= 2) rows.Drop(lastSrc - 2);
            lastSrc = v.src;
            const int32_t y = v.src;
            const double fy = iy ? v.frac : 0;
            const uint8_t* r0 = row(y);
            const uint8_t* r1 = row(y + 1);
            const uint8_t* rm = bicubic ? row(y - 1) : nullptr;
            const uint8_t* r2 = bicubic ? row(y + 2) : nullptr;
            if (!ix && !iy) {
                // Plain area average: the cell value is the source pixel.
                for (const Segment& h : hs) {
                    const double area = h.len * v.len;
                    double* a = &acc[static_cast<size_t>(h.dst) * 3];
                    const uint8_t* p = r0 + h.src * 3;
                    a[0] += p[0] * area;
                    a[1] += p[1] * area;
                    a[2] += p[2] * area;
                }
                continue;
            }
            for (const Segment& h : hs) {
                const int32_t x = h.src;
                const double fx = ix ? h.frac : 0;
                const double area = h.len * v.len;
                double* a = &acc[static_cast<size_t>(h.dst) * 3];
                for (int c = 0; c < 3; ++c) {
                    double val;
                    if (!bicubic) {
                        val = (1 - fx) * (1 - fy) * px(r0, x, c) + fx * (1 - fy) * px(r0, x + 1, c) +
                              (1 - fx) * fy * px(r1, x, c) + fx * fy * px(r1, x + 1, c);
                    } else if (ix && iy) {
                        const uint8_t* rr[4] = {rm, r0, r1, r2};
                        double q[4];
                        for (int k = 0; k < 4; ++k)
                            q[k] = Trunc32(Cubic(px(rr[k], x - 1, c), px(rr[k], x, c), px(rr[k], x + 1, c), px(rr[k], x + 2, c), fx) + kSlack);
                        val = Cubic(q[0], q[1], q[2], q[3], fy);
                    } else if (ix) {
                        val = Cubic(px(r0, x - 1, c), px(r0, x, c), px(r0, x + 1, c), px(r0, x + 2, c), fx);
                    } else {
                        val = Cubic(px(rm, x, c), px(r0, x, c), px(r1, x, c), px(r2, x, c), fy);
                    }
                    a[c] += val * area;
                }
            }
        }
        if (s0 < s1) flush(curDst);
    };

    const int32_t threads = parallel ? WorkerCount(static_cast<int64_t>(hs.size()) * static_cast<int64_t>(vs.size()) * 3) : 1;
    if (threads <= 1) {
        band(0, vs.size(), true);
        return;
    }
    // Split at destination row boundaries.
    std::vector<size_t> cuts = {0};
    for (int32_t t = 1; t < threads; ++t) {
        const int32_t firstRow = static_cast<int32_t>(static_cast<int64_t>(dH) * t / threads);
        size_t i = cuts.back();
        while (i < vs.size() && vs[i].dst < firstRow) ++i;
        cuts.push_back(i);
    }
    cuts.push_back(vs.size());
    std::vector<std::thread> pool;
    for (size_t t = 1; t + 1 < cuts.size(); ++t)
        if (cuts[t] < cuts[t + 1]) pool.emplace_back([&, t] { band(cuts[t], cuts[t + 1], false); });
    band(cuts[0], cuts[1], false);
    for (auto& th : pool) th.join();
    if (OnProgress) OnProgress(Sender, 100);
}

// ---- Projections --------------------------------------------------------------------

namespace {

// Source block of destination index i on an axis of n destination pixels: the
// design's overlapping blocks, with the last block running to the source's end
// so that a line on the last row or column is not lost.
inline void Block(const std::vector<int32_t>& t, int32_t i, int32_t n, int32_t srcN, int32_t& a, int32_t& b) {
    a = i == 0 ? 0 : t[static_cast<size_t>(i - 1)];
    b = i == 0 ? 0 : t[static_cast<size_t>(i)];
    if (i == n - 1) b = srcN - 1;
    a = IClamp(a, 0, srcN - 1);
    b = IClamp(b, a, srcN - 1);
}

template <typename IsHit>
void Project(TIEBitmap* source, TIEBitmap* dest, bool whiteOnBlack, IsHit isHit, const std::function<void(int)>& progress) {
    const int32_t sW = source->Width(), sH = source->Height(), dW = dest->Width(), dH = dest->Height();
    if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0) return;
    if (dest->PixelFormat() != ie1g) dest->Allocate(dW, dH, ie1g);
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    std::vector<int32_t> sx(static_cast<size_t>(dW)), sy(static_cast<size_t>(dH));
    for (int32_t k = 0; k < dW; ++k) sx[static_cast<size_t>(k)] = Trunc32(static_cast<double>(sW) / dW * k);
    const double ry = static_cast<double>(sH) / dH;
    for (int32_t j = 0; j < dH; ++j) sy[static_cast<size_t>(j)] = Trunc32(ry * j);
    RowSource rows(source);
    std::vector<uint8_t> line(static_cast<size_t>(dest->RowLen()));
    std::vector<uint8_t> hit(static_cast<size_t>(dW));
    for (int32_t j = 0; j < dH; ++j) {
        int32_t r0, r1;
        Block(sy, j, dH, sH, r0, r1);
        std::fill(hit.begin(), hit.end(), 0);
        for (int32_t r = r0; r <= r1; ++r) {
            const uint8_t* row = rows.Row(r);
            for (int32_t k = 0; k < dW; ++k) {
                if (hit[static_cast<size_t>(k)]) continue;
                int32_t c0, c1;
                Block(sx, k, dW, sW, c0, c1);
                for (int32_t c = c0; c <= c1; ++c)
                    if (isHit(row, c)) {
                        hit[static_cast<size_t>(k)] = 1;
                        break;
                    }
            }
        }
        // ProjectBW: white unless a black pixel was met; ProjectWB the reverse.
        std::fill(line.begin(), line.end(), 0);
        for (int32_t k = 0; k < dW; ++k)
            if (static_cast<bool>(hit[static_cast<size_t>(k)]) == whiteOnBlack) line[static_cast<size_t>(k >> 3)] |= IEBitMask[k & 7];
        std::memcpy(dest->GetScanline(j), line.data(), line.size());
        if (progress) progress(ProgressPercent(j, dH));
    }
}

}  // namespace

void ProjectRGB24(TIEBitmap* source, TIEBitmap* dest, bool whiteOnBlack, TObject* Sender, const TIEProgressEvent& OnProgress) {
    if (source->PixelFormat() != ieRGB24 || source == dest) return;
    std::function<void(int)> progress;
    if (OnProgress) progress = [&](int p) { OnProgress(Sender, p); };
    if (whiteOnBlack)
        Project(
            source, dest, /*whiteOnBlack=*/true,
            [](const uint8_t* row, int32_t x) {
                const uint8_t* p = row + x * 3;
                return p[0] > 128 && p[1] > 128 && p[2] > 128;
            },
            progress);
    else
        Project(
            source, dest, /*whiteOnBlack=*/false,
            [](const uint8_t* row, int32_t x) {
                const uint8_t* p = row + x * 3;
                return p[0] < 128 && p[1] < 128 && p[2] < 128;
            },
            progress);
}

void ProjectBW(TIEBitmap* source, TIEBitmap* dest, bool whiteOnBlack) {
    if (source->PixelFormat() != ie1g || source == dest) return;
    if (whiteOnBlack)
        Project(source, dest, /*whiteOnBlack=*/true,
                [](const uint8_t* row, int32_t x) { return (row[x >> 3] & (128 >> (x & 7))) != 0; }, {});
    else
        Project(source, dest, /*whiteOnBlack=*/false,
                [](const uint8_t* row, int32_t x) { return (row[x >> 3] & (128 >> (x & 7))) == 0; }, {});
}

void ResampleBWToRGB24(TIEBitmap* source, int32_t x1, int32_t y1, int32_t x2, int32_t y2, TIEBitmap* dest) {
    if (source->PixelFormat() != ie1g || dest->PixelFormat() != ieRGB24) return;
    const int32_t sW = source->Width(), sH = source->Height(), dW = dest->Width(), dH = dest->Height();
    if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0) return;
    AccessGuard gs(source, iebRead), gd(dest, iebWrite);
    const double cx = static_cast<double>(x2 - x1 + 1) / dW, cy = static_cast<double>(y2 - y1 + 1) / dH;
    std::vector<int32_t> ca(static_cast<size_t>(dW)), cb(static_cast<size_t>(dW));
    for (int32_t j = 0; j < dW; ++j) {
        const int32_t a = IClamp(x1 + Trunc32(cx * j - cx / 2), 0, sW - 1);
        ca[static_cast<size_t>(j)] = a;
        cb[static_cast<size_t>(j)] = IClamp(x1 + Trunc32(cx * j + cx / 2), a, sW - 1);
    }
    RowSource rows(source);
    std::vector<int32_t> count(static_cast<size_t>(dW));
    for (int32_t i = 0; i < dH; ++i) {
        const int32_t ra = IClamp(y1 + Trunc32(cy * i - cy / 2), 0, sH - 1);
        const int32_t rb = IClamp(y1 + Trunc32(cy * i + Trunc32(cy) / 2.0), ra, sH - 1);
        std::fill(count.begin(), count.end(), 0);
        for (int32_t r = ra; r <= rb; ++r) {
            const uint8_t* bits = rows.Row(r);
            for (int32_t j = 0; j < dW; ++j)
                for (int32_t x = ca[static_cast<size_t>(j)]; x <= cb[static_cast<size_t>(j)]; ++x)
                    if (bits[x >> 3] & (128 >> (x & 7))) ++count[static_cast<size_t>(j)];
        }
        uint8_t* out = dest->Scanline(i);
        for (int32_t j = 0; j < dW; ++j) {
            const int64_t n = static_cast<int64_t>(rb - ra + 1) * (cb[static_cast<size_t>(j)] - ca[static_cast<size_t>(j)] + 1);
            const auto v = static_cast<uint8_t>(255LL * count[static_cast<size_t>(j)] / n);
            out[3 * j] = out[3 * j + 1] = out[3 * j + 2] = v;
        }
    }
}
