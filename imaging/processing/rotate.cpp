#include "imaging/processing/rotate.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procmath.h"

using improc::Round32;
using improc::Trunc32;

namespace {

// Pixels of a bitmap in plain top-down rows (whole bytes per row, 1-bit rows
// most significant bit first). Working on a copy keeps every storage kind and
// every format on one path.
struct Raster {
    int32_t w = 0, h = 0, bits = 0;
    size_t stride = 0;
    std::vector<uint8_t> data;

    void Init(int32_t W, int32_t H, int32_t B) {
        w = W;
        h = H;
        bits = B;
        stride = (static_cast<size_t>(W) * B + 7) / 8;
        data.assign(stride * static_cast<size_t>(H), 0);
    }
    uint8_t* Row(int32_t y) { return data.data() + stride * static_cast<size_t>(y); }
    const uint8_t* Row(int32_t y) const { return data.data() + stride * static_cast<size_t>(y); }
    int32_t Bpp() const { return bits / 8; }
};

Raster Extract(TIEBitmap* b) {
    Raster r;
    r.Init(b->Width(), b->Height(), b->BitCount());
    for (int32_t y = 0; y < r.h; ++y) std::memcpy(r.Row(y), b->GetScanline(y), r.stride);
    return r;
}

// Writes the raster into the bitmap, reallocating it (format pf) when asked;
// a reallocation keeps the palette and drops the alpha channel.
void Store(TIEBitmap* b, const Raster& r, TIEPixelFormat pf, bool realloc) {
    if (realloc) {
        std::vector<TRGB> pal;
        for (int32_t i = 0; i < b->GetPaletteLength(); ++i) pal.push_back(b->GetPalette(i));
        b->Allocate(r.w, r.h, pf);
        for (size_t i = 0; i < pal.size() && static_cast<int32_t>(i) < b->GetPaletteLength(); ++i)
            b->SetPalette(static_cast<int32_t>(i), pal[i]);
    }
    const size_t rowLen = static_cast<size_t>(b->RowLen());
    std::vector<uint8_t> line(rowLen, 0);
    for (int32_t y = 0; y < r.h; ++y) {
        std::memcpy(line.data(), r.Row(y), r.stride);
        std::memcpy(b->GetScanline(y), line.data(), rowLen);
    }
}

inline bool GetPx1(const Raster& r, int32_t x, int32_t y) { return (r.Row(y)[x >> 3] & (128 >> (x & 7))) != 0; }
inline void SetPx1(Raster& r, int32_t x, int32_t y) { r.Row(y)[x >> 3] |= static_cast<uint8_t>(128 >> (x & 7)); }

// dest(x, y) = src(map(x, y)) over a w x h destination.
Raster Remap(const Raster& s, int32_t w, int32_t h, const std::function<void(int32_t, int32_t, int32_t&, int32_t&)>& map) {
    Raster d;
    d.Init(w, h, s.bits);
    const int32_t bpp = s.Bpp();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            int32_t sx, sy;
            map(x, y, sx, sy);
            if (s.bits == 1) {
                if (GetPx1(s, sx, sy)) SetPx1(d, x, y);
            } else {
                std::memcpy(d.Row(y) + static_cast<size_t>(x) * bpp, s.Row(sy) + static_cast<size_t>(sx) * bpp,
                            static_cast<size_t>(bpp));
            }
        }
    return d;
}

Raster TurnCCW(const Raster& s) {
    return Remap(s, s.h, s.w, [&](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = s.w - 1 - y;
        sy = x;
    });
}
Raster TurnCW(const Raster& s) {
    return Remap(s, s.h, s.w, [&](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = y;
        sy = s.h - 1 - x;
    });
}
Raster Mirror(const Raster& s, bool horizontal) {
    return Remap(s, s.w, s.h, [&](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = horizontal ? s.w - 1 - x : x;
        sy = horizontal ? y : s.h - 1 - y;
    });
}
Raster HalfTurn(const Raster& s) {
    return Remap(s, s.w, s.h, [&](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = s.w - 1 - x;
        sy = s.h - 1 - y;
    });
}

Raster Turn(const Raster& s, int32_t turns) {
    Raster r = s;
    for (; turns > 0; --turns) r = TurnCCW(r);
    for (; turns < 0; ++turns) r = TurnCW(r);
    return r;
}

// Angle in thousandths of a degree, remainder with the angle's sign.
double NormaliseAngle(double angle) {
    const int64_t m = static_cast<int64_t>(angle * 1000) % 360000;
    return static_cast<double>(m) / 1000;
}

inline uint8_t Blend(int32_t prev, int32_t cur, int32_t A, int32_t B) {
    return static_cast<uint8_t>(ClampToByte(static_cast<int32_t>(improc::RoundEven((prev * A + cur * B + 2048) / 4096.0))));
}

struct ShearSizes {
    double t, s;
    int32_t W1, d2, H2, d3, W3;
};

ShearSizes Sizes(int32_t w0, int32_t h0, double theta) {
    ShearSizes z;
    z.t = std::fabs(std::sin(theta / 2) / std::cos(theta / 2));
    z.s = std::fabs(std::sin(theta));
    z.W1 = Round32(h0 * z.t + w0 + 1);
    z.d2 = Round32((z.W1 - w0) * z.s);
    const int32_t H2p = Round32(z.s * z.W1 + h0 + 1);
    z.d3 = Round32(z.t * (H2p - h0 - z.d2));
    z.H2 = std::max(1, Round32(H2p - 2.0 * z.d2));
    z.W3 = std::max(1, Round32(z.t * z.H2 + z.W1 + 1 - 2.0 * z.d3));
    return z;
}

// Writes a run of n pixels (CH channels) at positions off..off+n-1 of a line of
// len pixels, blended toward the previous pixel by A/4096 when antialiased,
// plus the trailing blend of the last pixel with the background.
void PlaceRun(const uint8_t* const* px, int32_t n, uint8_t* const* line, int32_t len, int32_t off, int32_t CH,
              bool aa, int32_t A, const uint8_t* bg) {
    // A negative fraction means the run sits one pixel further left with the
    // complementary fraction; blending by it as it stands would extrapolate
    // (a uniform 200 came out as 255 along the edges).
    if (aa && A < 0) {
        --off;
        A += 4096;
    }
    const int32_t B = 4096 - A;
    const uint8_t* prev = bg;
    for (int32_t k = 0; k < n; ++k) {
        const int32_t p = off + k;
        const uint8_t* cur = px[k];
        if (p >= 0 && p < len)
            for (int32_t c = 0; c < CH; ++c) line[p][c] = aa ? Blend(prev[c], cur[c], A, B) : cur[c];
        prev = cur;
    }
    const int32_t p = off + n;
    if (aa && A > 0 && n > 0 && p >= 0 && p < len)
        for (int32_t c = 0; c < CH; ++c) line[p][c] = Blend(prev[c], bg[c], A, B);
}

// Three-shear rotation by c degrees (|c| <= 45) of a raster of CH channels.
Raster ThreeShear(const Raster& src, double c, bool aa, const uint8_t* bg, const std::function<void(int)>& progress) {
    const int32_t CH = src.Bpp();
    const int32_t w0 = src.w, h0 = src.h;
    const double theta = c * M_PI / 180;
    const ShearSizes z = Sizes(w0, h0, theta);
    const double per = 100.0 / (h0 + z.W1 + z.H2);
    const bool pos = theta > 0;
    std::vector<const uint8_t*> run;
    std::vector<uint8_t*> line;

    // Shear 1: rows into W1 x h0.
    Raster b1;
    b1.Init(z.W1, h0, src.bits);
    for (int32_t r = 0; r < h0; ++r) {
        uint8_t* row = b1.Row(r);
        for (int32_t x = 0; x < z.W1; ++x) std::memcpy(row + x * CH, bg, static_cast<size_t>(CH));
        const double F = (pos ? r : h0 - r) * z.t;
        const int32_t off = Round32(F);
        const int32_t A = Trunc32((F - off) * 4096);
        run.resize(static_cast<size_t>(w0));
        for (int32_t k = 0; k < w0; ++k) run[static_cast<size_t>(k)] = src.Row(r) + k * CH;
        line.resize(static_cast<size_t>(z.W1));
        for (int32_t x = 0; x < z.W1; ++x) line[static_cast<size_t>(x)] = row + x * CH;
        PlaceRun(run.data(), w0, line.data(), z.W1, off, CH, aa, A, bg);
        if (progress) progress(Trunc32(r * per));
    }

    // Shear 2: columns into W1 x H2.
    Raster b2;
    b2.Init(z.W1, z.H2, src.bits);
    for (int32_t y = 0; y < z.H2; ++y)
        for (int32_t x = 0; x < z.W1; ++x) std::memcpy(b2.Row(y) + x * CH, bg, static_cast<size_t>(CH));
    run.resize(static_cast<size_t>(h0));
    line.resize(static_cast<size_t>(z.H2));
    for (int32_t e = 0; e < z.W1; ++e) {
        const double G = (pos ? z.W1 - e : e) * z.s;
        const int32_t off = Round32(G) - z.d2;
        const int32_t A = Round32((G - Round32(G)) * 4096);
        for (int32_t k = 0; k < h0; ++k) run[static_cast<size_t>(k)] = b1.Row(k) + e * CH;
        for (int32_t y = 0; y < z.H2; ++y) line[static_cast<size_t>(y)] = b2.Row(y) + e * CH;
        PlaceRun(run.data(), h0, line.data(), z.H2, off, CH, aa, A, bg);
        if (progress) progress(Trunc32((h0 + e) * per));
    }

    // Shear 3: rows into W3 x H2.
    Raster out;
    out.Init(z.W3, z.H2, src.bits);
    run.resize(static_cast<size_t>(z.W1));
    line.resize(static_cast<size_t>(z.W3));
    for (int32_t r = 0; r < z.H2; ++r) {
        uint8_t* row = out.Row(r);
        for (int32_t x = 0; x < z.W3; ++x) std::memcpy(row + x * CH, bg, static_cast<size_t>(CH));
        const double J = (pos ? r : z.H2 - r) * z.t;
        const int32_t off = Round32(J) - z.d3;
        const int32_t A = Round32((J - Round32(J)) * 4096);
        for (int32_t k = 0; k < z.W1; ++k) run[static_cast<size_t>(k)] = b2.Row(r) + k * CH;
        for (int32_t x = 0; x < z.W3; ++x) line[static_cast<size_t>(x)] = row + x * CH;
        PlaceRun(run.data(), z.W1, line.data(), z.W3, off, CH, aa, A, bg);
        if (progress) progress(Trunc32((h0 + z.W1 + r) * per));
    }
    return out;
}

// Inverse-mapping rotation of 1-bit or 8-bit rasters (the 1-bit rotation and
// its alpha channel).
Raster InverseMap(const Raster& s, double angle, int32_t background, const std::function<void(int)>& progress) {
    const double phi = -angle / 57.295779513082320877;
    const double cs = Trunc32(std::cos(phi) * 10000) / 10000.0, sn = Trunc32(std::sin(phi) * 10000) / 10000.0;
    const int32_t W = s.w, H = s.h;
    const int32_t Wn = std::max(1, Trunc32(std::fabs(W * cs) + std::fabs(H * sn)));
    const int32_t Hn = std::max(1, Trunc32(std::fabs(W * sn) + std::fabs(H * cs)));
    Raster d;
    d.Init(Wn, Hn, s.bits);
    std::vector<int32_t> px(static_cast<size_t>(Wn)), py(static_cast<size_t>(Wn));
    for (int32_t k = 0; k < Wn; ++k) {
        const double o = k - (Wn / 2.0 - 0.5);
        px[static_cast<size_t>(k)] = Trunc32(cs * o);
        py[static_cast<size_t>(k)] = Trunc32(-sn * o);
    }
    const double per = 100.0 / Hn;
    for (int32_t j = 0; j < Hn; ++j) {
        const double u = j - (Hn / 2.0 - 0.5);
        const int32_t bx = Trunc32((W / 2.0 - 0.5) + sn * u), by = Trunc32((H / 2.0 - 0.5) + cs * u);
        for (int32_t k = 0; k < Wn; ++k) {
            const int32_t sx = bx + px[static_cast<size_t>(k)], sy = by + py[static_cast<size_t>(k)];
            const bool inside = sx >= 0 && sx < W && sy >= 0 && sy < H;
            if (s.bits == 1) {
                if (inside ? GetPx1(s, sx, sy) : background != 0) SetPx1(d, k, j);
            } else {
                d.Row(j)[k] = inside ? s.Row(sy)[sx] : static_cast<uint8_t>(background);
            }
        }
        if (progress) progress(Trunc32(j * per));
    }
    return d;
}

struct AlphaCopy {
    bool present = false;
    bool full = false;
    Raster r;
};

AlphaCopy TakeAlpha(TIEBitmap* b) {
    AlphaCopy a;
    if (!b->HasAlphaChannel()) return a;
    TIEBitmap* ch = b->GetAlphaChannel();
    a.present = true;
    a.full = ch->Full;
    a.r = Extract(ch);
    return a;
}

void PutAlpha(TIEBitmap* b, AlphaCopy& a) {
    if (!a.present) return;
    TIEBitmap* ch = b->GetAlphaChannel();  // made at the new size, all 255
    if (a.full) {
        ch->Full = true;
        return;
    }
    if (ch->Width() == a.r.w && ch->Height() == a.r.h) Store(ch, a.r, ie8g, /*realloc=*/false);
    ch->SyncFull();
}

}  // namespace

void FlipBitmap(TIEBitmap* bitmap, int32_t direction) {
    if (bitmap->IsEmpty() || bitmap->PixelFormat() == ieNoFormat) return;
    Raster r = Extract(bitmap);
    Store(bitmap, Mirror(r, direction == 0), bitmap->PixelFormat(), /*realloc=*/false);
    if (bitmap->HasAlphaChannel()) FlipBitmap(bitmap->GetAlphaChannel(), direction);
}

void Rotate90CW(TIEBitmap* source, TIEBitmap* dest) {
    if (source == dest || source->IsEmpty()) return;
    Store(dest, TurnCW(Extract(source)), source->PixelFormat(), /*realloc=*/true);
    if (source->PixelFormat() == ie8p)
        for (int32_t i = 0; i < source->GetPaletteLength(); ++i) dest->SetPalette(i, source->GetPalette(i));
}

void Rotate90CCW(TIEBitmap* source, TIEBitmap* dest) {
    if (source == dest || source->IsEmpty()) return;
    Store(dest, TurnCCW(Extract(source)), source->PixelFormat(), /*realloc=*/true);
    if (source->PixelFormat() == ie8p)
        for (int32_t i = 0; i < source->GetPaletteLength(); ++i) dest->SetPalette(i, source->GetPalette(i));
}

void RotateBW(TIEBitmap* bitmap, bool backgroundBit, TIEProgressRecord& progress, double angle) {
    if (bitmap->PixelFormat() != ie1g || bitmap->IsEmpty()) return;
    const double c = NormaliseAngle(angle);
    if (c == 0) return;
    AlphaCopy alpha = TakeAlpha(bitmap);
    Raster r = Extract(bitmap);
    Raster out;
    if (c == 90 || c == -270) {
        out = TurnCCW(r);
        if (alpha.present) alpha.r = TurnCCW(alpha.r);
    } else if (c == -90 || c == 270) {
        out = TurnCW(r);
        if (alpha.present) alpha.r = TurnCW(alpha.r);
    } else if (c == 180 || c == -180) {
        out = HalfTurn(r);
        if (alpha.present) alpha.r = HalfTurn(alpha.r);
    } else {
        std::function<void(int)> pf;
        if (progress.OnProgress) pf = [&](int p) { progress.Report(p); };
        progress.Per1 = 100.0;
        out = InverseMap(r, c, backgroundBit ? 1 : 0, pf);
        if (alpha.present) alpha.r = InverseMap(alpha.r, c, 0, {});
    }
    Store(bitmap, out, ie1g, /*realloc=*/true);
    PutAlpha(bitmap, alpha);
}

void RotateBitmap(TIEBitmap* bitmap, double angle, bool antialias, TRGB background, TObject* Sender,
                  const TIEProgressEvent& OnProgress) {
    if (angle == 0 || bitmap->IsEmpty()) return;
    const TIEPixelFormat pf = bitmap->PixelFormat();
    if (pf == ieNoFormat) return;
    if (pf == ie1g) {
        TIEProgressRecord pr;
        pr.OnProgress = OnProgress;
        pr.Sender = Sender;
        RotateBW(bitmap, background.r != 0 && background.g != 0 && background.b != 0, pr, angle);
        return;
    }
    double c = NormaliseAngle(angle);
    int32_t turns = 0;
    while (c > 45) {
        ++turns;
        c -= 90;
    }
    while (c < -45) {
        --turns;
        c += 90;
    }
    if (turns == 0 && c == 0) return;  // a whole number of turns: nothing to do
    if (pf != ieRGB24 && c != 0) {
        // Shears blend 24-bit pixels: other formats go through a 24-bit copy.
        TIEBitmap tmp;
        tmp.Assign(bitmap);
        tmp.SetPixelFormat(ieRGB24);
        RotateBitmap(&tmp, angle, antialias, background, Sender, OnProgress);
        tmp.SetPixelFormat(pf);
        bitmap->Assign(&tmp);
        return;
    }
    AlphaCopy alpha = TakeAlpha(bitmap);
    Raster r = Turn(Extract(bitmap), turns);
    if (alpha.present) alpha.r = Turn(alpha.r, turns);
    if (c != 0) {
        const uint8_t bg[3] = {background.b, background.g, background.r};
        std::function<void(int)> progress;
        if (OnProgress) progress = [&](int p) { OnProgress(Sender, p); };
        r = ThreeShear(r, c, antialias, bg, progress);
        if (alpha.present && !alpha.full) {
            const uint8_t clear = 0;
            alpha.r = ThreeShear(alpha.r, c, antialias, &clear, {});
        }
    }
    Store(bitmap, r, pf, /*realloc=*/true);
    PutAlpha(bitmap, alpha);
}
