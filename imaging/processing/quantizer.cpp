#include "imaging/processing/quantizer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procmath.h"

using improc::RoundEven;

// ---- Exact colour list ------------------------------------------------------

namespace {

inline uint32_t HashRGB(TRGB c) {
    uint32_t k = static_cast<uint32_t>(TRGBToInt(c));
    k *= 0x9E3779B1u;
    return k >> 16;
}

// Open-addressing table over a colour list: finds the first index of a colour.
struct ColourIndexTable {
    std::vector<int32_t> slots;
    uint32_t mask = 0;
    explicit ColourIndexTable(int32_t capacity) {
        uint32_t n = 16;
        while (n < static_cast<uint32_t>(capacity) * 2 + 2) n <<= 1;
        slots.assign(n, -1);
        mask = n - 1;
    }
    // Index of c in list, or -1; Insert adds idx for c when absent.
    int32_t Find(const std::vector<TRGB>& list, TRGB c) const {
        for (uint32_t h = HashRGB(c) & mask;; h = (h + 1) & mask) {
            const int32_t i = slots[h];
            if (i < 0) return -1;
            if (list[static_cast<size_t>(i)] == c) return i;
        }
    }
    void Insert(const std::vector<TRGB>& list, int32_t idx) {
        uint32_t h = HashRGB(list[static_cast<size_t>(idx)]) & mask;
        while (slots[h] >= 0) h = (h + 1) & mask;
        slots[h] = idx;
    }
};

}  // namespace

std::vector<TRGB> ExactPalette(TIEBitmap* bitmap, int32_t N) {
    std::vector<TRGB> list;
    if (N <= 0 || bitmap->PixelFormat() != ieRGB24) return list;
    list.reserve(static_cast<size_t>(N));
    ColourIndexTable table(N);
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    TRGB last{};
    bool haveLast = false;
    for (int32_t y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const TRGB*>(bitmap->GetScanline(y));
        for (int32_t x = 0; x < w; ++x) {
            const TRGB c = row[x];
            if (haveLast && c == last) continue;  // runs of one colour are common
            last = c;
            haveLast = true;
            if (table.Find(list, c) >= 0) continue;
            if (static_cast<int32_t>(list.size()) >= N) return {};
            list.push_back(c);
            table.Insert(list, static_cast<int32_t>(list.size()) - 1);
        }
    }
    return list;
}

int32_t IndexOfRGB(const TRGB* list, int32_t length, TRGB colour) {
    for (int32_t i = 0; i < length; ++i)
        if (list[i] == colour) return i;
    return -1;
}

// ---- NeuQuant -----------------------------------------------------------------

struct TIENeuQuant {
    int32_t netsize = 0;
    int32_t maxnetpos = 0;
    int32_t initrad = 0;
    int32_t initradius = 0;
    int32_t alphadec = 0;
    int64_t lengthcount = 0;
    int32_t samplefac = 1;
    std::vector<int32_t> network;  // 4 per neuron: blue, green, red, position before sorting
    int32_t netindex[256] = {};
    std::vector<int32_t> bias, freq, radweight;
    int32_t width = 0, height = 0;

    int32_t* Neuron(int32_t i) { return &network[static_cast<size_t>(i) * 4]; }
    const int32_t* Neuron(int32_t i) const { return &network[static_cast<size_t>(i) * 4]; }
};

int32_t NeuQuantSampleFactor(int64_t pixels, int32_t quality) {
    if (quality == -1) {
        if (pixels < 2000) return 1;
        return IClamp(static_cast<int32_t>(RoundEven(static_cast<double>(pixels - 2000) * 13 / 148000 + 2)), 1, 30);
    }
    return static_cast<int32_t>((100 - quality) / 100.0 * 29) + 1;
}

namespace {

int32_t Contest(TIENeuQuant& q, int32_t b, int32_t g, int32_t r) {
    int32_t bestd = 0x7FFFFFFF, bestbiasd = 0x7FFFFFFF;
    int32_t bestpos = 0, bestbiaspos = 0;
    int32_t* net = q.network.data();
    int32_t* bias = q.bias.data();
    int32_t* freq = q.freq.data();
    for (int32_t i = 0; i < q.netsize; ++i) {
        const int32_t* n = net + i * 4;
        const int32_t dist = std::abs(n[0] - b) + std::abs(n[1] - g) + std::abs(n[2] - r);
        if (dist < bestd) {
            bestd = dist;
            bestpos = i;
        }
        const int32_t biasdist = dist - (bias[i] >> 12);
        if (biasdist < bestbiasd) {
            bestbiasd = biasdist;
            bestbiaspos = i;
        }
        const int32_t betafreq = freq[i] >> 10;
        freq[i] -= betafreq;
        bias[i] += betafreq << 10;
    }
    freq[bestpos] += 64;
    bias[bestpos] -= 65536;
    return bestbiaspos;
}

void AlterNeighbours(TIENeuQuant& q, int32_t rad, int32_t i, int32_t b, int32_t g, int32_t r) {
    const int32_t lo = IMax(i - rad, -1);
    const int32_t hi = IMin(i + rad, q.netsize);
    int32_t j = i + 1, k = i - 1, m = 1;
    while (j < hi || k > lo) {
        const int64_t a = q.radweight[static_cast<size_t>(m++)];
        if (j < hi) {
            int32_t* p = q.Neuron(j++);
            p[0] -= static_cast<int32_t>(a * (p[0] - b) / 262144);
            p[1] -= static_cast<int32_t>(a * (p[1] - g) / 262144);
            p[2] -= static_cast<int32_t>(a * (p[2] - r) / 262144);
        }
        if (k > lo) {
            int32_t* p = q.Neuron(k--);
            p[0] -= static_cast<int32_t>(a * (p[0] - b) / 262144);
            p[1] -= static_cast<int32_t>(a * (p[1] - g) / 262144);
            p[2] -= static_cast<int32_t>(a * (p[2] - r) / 262144);
        }
    }
}

void SetRadWeights(TIENeuQuant& q, int32_t rad, int32_t alpha) {
    for (int32_t i = 0; i < rad; ++i)
        q.radweight[static_cast<size_t>(i)] = alpha * (((rad * rad - i * i) * 256) / (rad * rad));
}

void Learn(TIENeuQuant& q, TIEBitmap* bitmap) {
    const int64_t pixels = static_cast<int64_t>(q.width) * q.height;
    q.alphadec = 30 + (q.samplefac - 1) / 3;
    const int64_t samplepixels = q.lengthcount / (3 * q.samplefac);
    int64_t delta = samplepixels / 100;
    if (delta == 0) delta = 1;
    int32_t alpha = 1024;
    int32_t radius = q.initradius;
    int32_t rad = radius >= 128 ? radius >> 6 : 0;
    SetRadWeights(q, rad, alpha);

    int64_t step;
    if ((3 * pixels) % 499 != 0)
        step = 499;
    else if ((3 * pixels) % 491 != 0)
        step = 491;
    else if ((3 * pixels) % 487 != 0)
        step = 487;
    else
        step = 503;

    int64_t pos = 0;
    for (int64_t i = 0; i < samplepixels;) {
        const int32_t y = static_cast<int32_t>(pos / q.width), x = static_cast<int32_t>(pos % q.width);
        const TRGB c = reinterpret_cast<const TRGB*>(bitmap->GetScanline(y))[x];
        const int32_t b = c.b << 4, g = c.g << 4, r = c.r << 4;
        const int32_t j = Contest(q, b, g, r);
        int32_t* n = q.Neuron(j);
        n[0] -= alpha * (n[0] - b) / 1024;
        n[1] -= alpha * (n[1] - g) / 1024;
        n[2] -= alpha * (n[2] - r) / 1024;
        if (rad > 0) AlterNeighbours(q, rad, j, b, g, r);
        pos += step;
        while (pos >= pixels) pos -= pixels;
        ++i;
        if (i % delta == 0) {
            alpha -= alpha / q.alphadec;
            radius -= radius / 30;
            rad = radius >= 128 ? radius >> 6 : 0;
            SetRadWeights(q, rad, alpha);
        }
    }
}

void BuildIndex(TIENeuQuant& q) {
    int32_t previouscol = 0, startpos = 0;
    for (int32_t i = 0; i < q.netsize; ++i) {
        int32_t smallpos = i;
        int32_t smallval = q.Neuron(i)[1];
        for (int32_t j = i + 1; j < q.netsize; ++j)
            if (q.Neuron(j)[1] < smallval) {
                smallpos = j;
                smallval = q.Neuron(j)[1];
            }
        if (smallpos != i)
            for (int c = 0; c < 4; ++c) std::swap(q.Neuron(i)[c], q.Neuron(smallpos)[c]);
        if (smallval != previouscol) {
            q.netindex[previouscol] = (startpos + i) >> 1;
            for (int32_t j = previouscol + 1; j < smallval; ++j) q.netindex[j] = i;
            previouscol = smallval;
            startpos = i;
        }
    }
    q.netindex[previouscol] = (startpos + q.maxnetpos) >> 1;
    for (int32_t j = previouscol + 1; j < 256; ++j) q.netindex[j] = q.maxnetpos;
}

}  // namespace

TIENeuQuant* NeuQuantCreate(TIEBitmap* bitmap, TRGB* palette, int32_t quality, int32_t N) {
    if (N <= 0) return nullptr;
    auto q = std::make_unique<TIENeuQuant>();
    q->width = bitmap->Width();
    q->height = bitmap->Height();
    q->netsize = N;
    q->maxnetpos = N - 1;
    q->initrad = N / 8;
    q->initradius = q->initrad * 64;
    q->lengthcount = 3LL * q->width * q->height;
    q->samplefac = NeuQuantSampleFactor(static_cast<int64_t>(q->width) * q->height, quality);
    q->network.assign(static_cast<size_t>(N) * 4, 0);
    q->bias.assign(static_cast<size_t>(N), 0);
    q->freq.assign(static_cast<size_t>(N), 65536 / N);
    // Room for the largest radius (initrad) plus the one-past entry the neighbour walk reads.
    q->radweight.assign(static_cast<size_t>(q->initrad) + 2, 0);
    for (int32_t i = 0; i < N; ++i) {
        int32_t* n = q->Neuron(i);
        n[0] = n[1] = n[2] = static_cast<int32_t>((static_cast<int64_t>(i) << 12) / N);
    }
    if (q->width > 0 && q->height > 0) Learn(*q, bitmap);
    for (int32_t i = 0; i < N; ++i) {
        int32_t* n = q->Neuron(i);
        for (int c = 0; c < 3; ++c) n[c] = ClampToByte(n[c] >> 4);
        n[3] = i;
        palette[i] = TRGB{static_cast<uint8_t>(n[0]), static_cast<uint8_t>(n[1]), static_cast<uint8_t>(n[2])};
    }
    BuildIndex(*q);
    return q.release();
}

int32_t NeuQuantIndex(const TIENeuQuant* q, TRGB colour) {
    const int32_t b = colour.b, g = colour.g, r = colour.r;
    int32_t bestd = 1000, best = -1;
    int32_t i = q->netindex[g], j = i - 1;
    while (i < q->netsize || j >= 0) {
        if (i < q->netsize) {
            const int32_t* p = q->Neuron(i);
            int32_t dist = p[1] - g;
            if (dist >= bestd)
                i = q->netsize;
            else {
                ++i;
                dist = std::abs(dist) + std::abs(p[0] - b);
                if (dist < bestd) {
                    dist += std::abs(p[2] - r);
                    if (dist < bestd) {
                        bestd = dist;
                        best = p[3];
                    }
                }
            }
        }
        if (j >= 0) {
            const int32_t* p = q->Neuron(j);
            int32_t dist = g - p[1];
            if (dist >= bestd)
                j = -1;
            else {
                --j;
                dist = std::abs(dist) + std::abs(p[0] - b);
                if (dist < bestd) {
                    dist += std::abs(p[2] - r);
                    if (dist < bestd) {
                        bestd = dist;
                        best = p[3];
                    }
                }
            }
        }
    }
    return best;
}

void NeuQuantFree(TIENeuQuant* context) { delete context; }

// ---- Variance split -------------------------------------------------------------

namespace {

struct VBox {
    double variance = 0;
    double mean[3] = {0, 0, 0};
    int32_t count = 0;
    int32_t hist[3][32] = {};
    int32_t low[3] = {0, 0, 0};    // inclusive
    int32_t high[3] = {32, 32, 32};  // exclusive
};

constexpr double kFailedSplit = 17523.6;

inline int32_t Cell(int32_t r, int32_t g, int32_t b) { return (r << 10) + (g << 5) + b; }

}  // namespace

struct TIEVarianceQuantizer {
    std::vector<int32_t> histogram = std::vector<int32_t>(32768, 0);
    VBox boxes[256];
    std::vector<uint8_t> index = std::vector<uint8_t>(32768, 0);
    int64_t pixels = 0;
    int32_t wanted = 0;
    int32_t made = 0;
    uint16_t width = 0, height = 0;

    void Stats(VBox& box) const {
        if (box.count == 0) {
            box.variance = 0;
            return;
        }
        double var = 0;
        for (int a = 0; a < 3; ++a) {
            double sum = 0, sum2 = 0;
            for (int32_t k = box.low[a]; k < box.high[a]; ++k) {
                sum += static_cast<double>(k) * box.hist[a][k];
                sum2 += static_cast<double>(k) * k * box.hist[a][k];
            }
            box.mean[a] = sum / box.count;
            var += sum2 - box.mean[a] * box.mean[a] * box.count;
        }
        box.variance = var / static_cast<double>(pixels);
    }

    // Rebuilds a box's marginals from the 3-D histogram within its bounds and
    // shrinks the bounds to the occupied bins.
    void Rebuild(VBox& box) const {
        std::memset(box.hist, 0, sizeof box.hist);
        box.count = 0;
        for (int32_t r = box.low[0]; r < box.high[0]; ++r)
            for (int32_t g = box.low[1]; g < box.high[1]; ++g)
                for (int32_t b = box.low[2]; b < box.high[2]; ++b) {
                    const int32_t n = histogram[static_cast<size_t>(Cell(r, g, b))];
                    if (n == 0) continue;
                    box.hist[0][r] += n;
                    box.hist[1][g] += n;
                    box.hist[2][b] += n;
                    box.count += n;
                }
        for (int a = 0; a < 3; ++a) {
            int32_t lo = box.low[a], hi = box.high[a];
            while (lo < hi && box.hist[a][lo] == 0) ++lo;
            while (hi > lo && box.hist[a][hi - 1] == 0) --hi;
            if (lo < hi) {
                box.low[a] = lo;
                box.high[a] = hi;
            }
        }
        Stats(box);
    }

    bool TrySplit(const VBox& box, int axis, VBox& lowHalf, VBox& highHalf) const {
        const int32_t low = box.low[axis], high = box.high[axis];
        if (high - low <= 1) return false;
        const double mean = box.mean[axis];
        const int32_t start = static_cast<int32_t>(RoundEven((low + mean) / 2));
        const int32_t stop = IMin(static_cast<int32_t>(RoundEven((mean + high) / 2)), high - 1);
        int64_t cum = 0;
        for (int32_t k = low; k < start; ++k) cum += box.hist[axis][k];
        double total = 0, best = -1;
        int32_t cut = start;
        for (int32_t e = start; e <= stop; ++e) {
            cum += box.hist[axis][e];
            if (cum >= box.count) break;
            total += static_cast<double>(box.hist[axis][e]) * e / box.count;
            const double d = mean - total;
            const double crit = static_cast<double>(cum) / static_cast<double>(box.count - cum) * d * d;
            if (crit > best) {
                best = crit;
                cut = e;
            }
        }
        lowHalf = box;
        highHalf = box;
        lowHalf.high[axis] = cut + 1;
        highHalf.low[axis] = cut + 1;
        if (lowHalf.high[axis] <= lowHalf.low[axis] || highHalf.low[axis] >= highHalf.high[axis]) return false;
        Rebuild(lowHalf);
        Rebuild(highHalf);
        return lowHalf.count > 0 && highHalf.count > 0;
    }
};

TIEVarianceQuantizer* CreateVarianceQuantizer(TIEBitmap* bitmap, TRGB* palette, int32_t N, int32_t* boxesMade) {
    auto s = std::make_unique<TIEVarianceQuantizer>();
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    s->width = static_cast<uint16_t>(w);
    s->height = static_cast<uint16_t>(h);
    s->pixels = static_cast<int64_t>(w) * h;
    s->wanted = IMin(N, 256);
    VBox& first = s->boxes[0];
    for (int32_t y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const TRGB*>(bitmap->GetScanline(y));
        for (int32_t x = 0; x < w; ++x) {
            const int32_t r = row[x].r >> 3, g = row[x].g >> 3, b = row[x].b >> 3;
            ++s->histogram[static_cast<size_t>(Cell(r, g, b))];
            ++first.hist[0][r];
            ++first.hist[1][g];
            ++first.hist[2][b];
        }
    }
    first.count = static_cast<int32_t>(s->pixels);
    s->made = s->pixels > 0 ? 1 : 0;
    if (s->made) s->Stats(first);

    while (s->made > 0 && s->made < s->wanted) {
        int32_t pick = -1;
        double greatest = 0;
        for (int32_t i = 0; i < s->made; ++i)
            if (s->boxes[i].variance > greatest) {
                greatest = s->boxes[i].variance;
                pick = i;
            }
        if (pick < 0) break;
        VBox& box = s->boxes[pick];
        VBox lows[3], highs[3];
        double scores[3];
        for (int a = 0; a < 3; ++a) {
            const bool ok = box.count > 0 && s->TrySplit(box, a, lows[a], highs[a]);
            scores[a] = ok ? lows[a].variance + highs[a].variance : kFailedSplit;
        }
        int axis = -1;
        double bestScore = kFailedSplit;
        for (int a = 0; a < 3; ++a)
            if (scores[a] < bestScore) {
                bestScore = scores[a];
                axis = a;
            }
        if (axis < 0) {
            box.variance = 0;
            continue;
        }
        s->boxes[s->made] = highs[axis];
        box = lows[axis];
        ++s->made;
    }

    for (int32_t i = 0; i < s->made; ++i) {
        const VBox& box = s->boxes[i];
        auto chan = [&](int a) { return static_cast<uint8_t>(static_cast<int32_t>(RoundEven(box.mean[a])) << 3); };
        palette[i] = MakeRGB(chan(0), chan(1), chan(2));
        for (int32_t r = box.low[0]; r < box.high[0]; ++r)
            for (int32_t g = box.low[1]; g < box.high[1]; ++g)
                for (int32_t b = box.low[2]; b < box.high[2]; ++b)
                    s->index[static_cast<size_t>(Cell(r, g, b))] = static_cast<uint8_t>(i);
    }
    if (boxesMade) *boxesMade = s->made;
    return s.release();
}

int32_t VarianceQuantizerIndex(const TIEVarianceQuantizer* s, TRGB c) {
    return s->index[static_cast<size_t>(Cell(c.r >> 3, c.g >> 3, c.b >> 3))];
}

void FreeVarianceQuantizer(TIEVarianceQuantizer* state) { delete state; }

// ---- TIEQuantizer --------------------------------------------------------------

TIEQuantizer::TIEQuantizer(TIEBitmap* bitmap, TRGB* palette, int32_t N, int32_t quality, int32_t /*method*/)
    : FCount(N), FBitmap(bitmap) {
    if (N <= 0 || bitmap == nullptr) return;
    FGrey = bitmap->IsGrayScale();
    const TIEPixelFormat pf = bitmap->PixelFormat();
    if (!FGrey && pf == ieRGB24) {
        if (BuildExactPalette(palette)) return;
        if (bitmap->Width() == 0 || bitmap->Height() == 0) return;
        if (N < 128) {
            FMethod = 1;
            FVariance.reset(CreateVarianceQuantizer(bitmap, palette, N));
        } else {
            FMethod = 0;
            FNeuQuant.reset(NeuQuantCreate(bitmap, palette, quality, N));
        }
    } else if (pf == ie8p) {
        // Its own entries, looked up through the entries themselves even when they
        // are all grey: a grey palette need not be the ramp.
        FIsPalette = true;
        const int32_t n = IMin(N, bitmap->GetPaletteLength());
        FPalette.resize(static_cast<size_t>(IMax(n, 0)));
        for (int32_t i = 0; i < N; ++i) {
            palette[i] = bitmap->GetPalette(i);
            if (i < n) FPalette[static_cast<size_t>(i)] = palette[i];
        }
    } else if (FGrey) {
        for (int32_t i = 0; i < N; ++i) {
            const auto v = static_cast<uint8_t>(static_cast<int32_t>(256.0 / N * i));
            palette[i] = MakeRGB(v, v, v);
        }
    }
}

TIEQuantizer::~TIEQuantizer() = default;

bool TIEQuantizer::BuildExactPalette(TRGB* palette) {
    FExact = ExactPalette(FBitmap, FCount);
    if (FExact.empty()) return false;
    ColourIndexTable table(static_cast<int32_t>(FExact.size()));
    for (size_t i = 0; i < FExact.size(); ++i) {
        palette[i] = FExact[i];
        table.Insert(FExact, static_cast<int32_t>(i));
    }
    FExactHash = std::move(table.slots);
    return true;
}

int32_t TIEQuantizer::IndexOf(TRGB color) const {
    if (!FExact.empty()) {
        const uint32_t mask = static_cast<uint32_t>(FExactHash.size()) - 1;
        for (uint32_t h = HashRGB(color) & mask;; h = (h + 1) & mask) {
            const int32_t i = FExactHash[h];
            if (i < 0) break;
            if (FExact[static_cast<size_t>(i)] == color) return i;
        }
        // A colour the image does not hold (a writer's background, say): the
        // nearest of its colours rather than an index that is no index.
        return NearestPaletteIndex(FExact.data(), static_cast<int32_t>(FExact.size()), color);
    }
    if (FIsPalette)
        return NearestPaletteIndex(FPalette.data(), static_cast<int32_t>(FPalette.size()), color);
    if (FGrey) return IMin(color.r * FCount / 256, FCount - 1);
    if (FMethod == 0 && FNeuQuant) return IMax(NeuQuantIndex(FNeuQuant.get(), color), 0);
    if (FMethod == 1 && FVariance) return VarianceQuantizerIndex(FVariance.get(), color);
    return 0;
}

int32_t TIEQuantizer::GetColorIndex(TRGB color) {
    // The NeuQuant search walks many neurons: remember recent answers.
    if (FMethod != 0 || !FNeuQuant || !FExact.empty()) return IndexOf(color);
    if (FCache.empty()) FCache.assign(size_t{1} << 16, 0);
    const uint32_t key = static_cast<uint32_t>(TRGBToInt(color)) + 1;
    uint64_t& slot = FCache[HashRGB(color) & 0xFFFF];
    if (static_cast<uint32_t>(slot & 0x1FFFFFF) == key) return static_cast<int32_t>(slot >> 32);
    const int32_t i = IndexOf(color);
    slot = key | (static_cast<uint64_t>(static_cast<uint32_t>(i)) << 32);
    return i;
}
