#include "imaging/processing/bwconvert.h"

#include <cmath>
#include <cstring>
#include <algorithm>
#include <thread>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procmath.h"
#include "imaging/processing/procrows.h"
#include "imaging/processing/quantizer.h"
#include "imaging/processing/resample_internal.h"

const uint8_t IEOrderedDitherMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21},
};

namespace {

// Clears the bits after the last pixel of each row so that writers that store
// whole bytes store zeros there.
void ClearPaddingBits(TIEBitmap* bmp) {
    const int32_t w = bmp->Width();
    const int32_t rowLen = bmp->RowLen();
    const int32_t used = (w + 7) / 8;
    for (int32_t y = 0; y < bmp->Height(); ++y) {
        uint8_t* row = bmp->Scanline(y);
        if (w % 8) row[used - 1] &= static_cast<uint8_t>(0xFF00 >> (w % 8));
        if (rowLen > used) std::memset(row + used, 0, static_cast<size_t>(rowLen - used));
    }
}

void EnsureBW(TIEBitmap* source, TIEBitmap* dest) {
    if (dest->PixelFormat() != ie1g || dest->Width() != source->Width() || dest->Height() != source->Height())
        dest->Allocate(source->Width(), source->Height(), ie1g);
}

}  // namespace

void InvertBits(TIEBitmap* bitmap) {
    if (bitmap->PixelFormat() != ie1g) return;
    const int32_t rowLen = bitmap->RowLen();
    for (int32_t y = 0; y < bitmap->Height(); ++y) {
        uint8_t* row = bitmap->Scanline(y);
        for (int32_t i = 0; i < rowLen; ++i) row[i] = static_cast<uint8_t>(~row[i]);
    }
}

void AverageRGB(TIEBitmap* bitmap, int32_t& red, int32_t& green, int32_t& blue) {
    red = green = blue = 0;
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    if (w <= 0 || h <= 0) return;
    improc::RowReader reader(bitmap);
    std::vector<TRGB> row(static_cast<size_t>(w));
    int64_t sr = 0, sg = 0, sb = 0;
    for (int32_t y = 0; y < h; ++y) {
        reader.Read(y, row.data());
        int64_t r = 0, g = 0, b = 0;
        for (const TRGB& c : row) {
            r += c.r;
            g += c.g;
            b += c.b;
        }
        sr += r / w;
        sg += g / w;
        sb += b / w;
    }
    red = static_cast<int32_t>(sr / h);
    green = static_cast<int32_t>(sg / h);
    blue = static_cast<int32_t>(sb / h);
}

void GreyHistogram(TIEBitmap* bitmap, int32_t counts[256]) {
    std::memset(counts, 0, sizeof(int32_t) * 256);
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    if (w <= 0 || h <= 0) return;
    improc::RowReader reader(bitmap);
    std::vector<TRGB> row(static_cast<size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
        reader.Read(y, row.data());
        for (const TRGB& c : row) ++counts[RGBToGray(c)];
    }
}

int32_t MaxEntropyThreshold(const int32_t counts[256]) {
    int64_t total = 0;
    for (int i = 0; i < 256; ++i) total += counts[i];
    if (total == 0) return -2;
    double p[256];
    double H = 0;
    for (int i = 0; i < 256; ++i) {
        p[i] = static_cast<double>(counts[i]) / static_cast<double>(total);
        if (p[i] > 0) H -= p[i] * std::log(p[i]);
    }
    double best = 0;
    int32_t threshold = -2;
    int32_t firstSplit = -2;
    for (int t = 1; t <= 255; ++t) {
        double P = 0, Hb = 0;
        for (int j = 0; j < t; ++j) {
            P += p[j];
            if (p[j] > 0) Hb -= p[j] * std::log(p[j]);
        }
        if (P > 0 && P < 1) {
            if (firstSplit == -2) firstSplit = t;
            const double value = std::log(P - P * P) + Hb / P + (H - Hb) / (1 - P);
            if (value > best) {
                best = value;
                threshold = t;
            }
        }
    }
    // With exactly two grey levels every split scores 0; the first split that
    // parts them keeps the dark level black instead of turning all white.
    if (threshold == -2) threshold = firstSplit;
    return threshold;
}

void ThresholdToBW(TIEBitmap* source, TIEBitmap* dest, int32_t threshold, TIEProgressRecord& progress) {
    if (source == dest) return;
    if (source->PixelFormat() == ie1g) {
        dest->AssignImage(source);
        return;
    }
    const int32_t w = source->Width(), h = source->Height();
    if (w <= 0 || h <= 0 || source->PixelFormat() == ieNoFormat) return;
    EnsureBW(source, dest);
    progress.Per1 = 100.0 / (h + 0.5);
    if (threshold == -2) {
        int32_t counts[256];
        GreyHistogram(source, counts);
        threshold = MaxEntropyThreshold(counts);
    } else if (threshold == -1) {
        int32_t r, g, b;
        AverageRGB(source, r, g, b);
        threshold = (GreyWeightRed * r + GreyWeightGreen * g + GreyWeightBlue * b) / 100;
    }
    improc::RowReader reader(source);
    std::vector<TRGB> row(static_cast<size_t>(w));
    const int32_t rowLen = dest->RowLen();
    for (int32_t y = 0; y < h; ++y) {
        reader.Read(y, row.data());
        uint8_t* out = dest->Scanline(y);
        std::memset(out, 0, static_cast<size_t>(rowLen));
        for (int32_t x = 0; x < w; ++x)
            if (RGBToGray(row[static_cast<size_t>(x)]) >= threshold) out[x >> 3] |= IEBitMask[x & 7];
        progress.Report(static_cast<int>(improc::Trunc64((y + 1) * progress.Per1)));
    }
}

void ThresholdTo1Bit(TIEBitmap* bitmap, int32_t threshold, TIEProgressRecord& progress) {
    if (bitmap->PixelFormat() != ieRGB24 || bitmap->IsEmpty()) return;
    TIEBitmap bw;
    bw.Allocate(bitmap->Width(), bitmap->Height(), ie1g);
    ThresholdToBW(bitmap, &bw, threshold, progress);
    bitmap->AssignImage(&bw);
}

void OrderedDitherTo1Bit(TIEBitmap* bitmap, TIEProgressRecord& progress) {
    if (bitmap->PixelFormat() != ieRGB24 || bitmap->IsEmpty()) return;
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    progress.Per1 = 100.0 / (h + 0.5);
    TIEBitmap bw;
    bw.Allocate(w, h, ie1g);
    const int32_t rowLen = bw.RowLen();
    for (int32_t y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const TRGB*>(bitmap->GetScanline(y));
        uint8_t* out = bw.Scanline(y);
        std::memset(out, 0, static_cast<size_t>(rowLen));
        for (int32_t x = 0; x < w; ++x) {
            const TRGB c = in[x];
            const int32_t d = (c.r >= 251 && c.g >= 251 && c.b >= 251) ? 64 : (RGBToGray(c) >> 2);
            if (d > IEOrderedDitherMatrix[x & 7][y & 7]) out[x >> 3] |= IEBitMask[x & 7];
        }
        progress.Report(static_cast<int>(improc::Trunc64(progress.Per1 * (y + 1))));
    }
    bitmap->AssignImage(&bw);
}

std::unique_ptr<TIEBitmap> TryConvertTo1Bit(TIEBitmap* bitmap, TRGB& colour0, TRGB& colour1) {
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    if (w <= 0 || h <= 0 || bitmap->PixelFormat() == ieNoFormat) return nullptr;
    auto bw = std::make_unique<TIEBitmap>();
    bw->Allocate(w, h, ie1g);
    improc::RowReader reader(bitmap);
    std::vector<TRGB> row(static_cast<size_t>(w));
    int colours = 0;
    const int32_t rowLen = bw->RowLen();
    for (int32_t y = 0; y < h && colours <= 2; ++y) {
        reader.Read(y, row.data());
        uint8_t* out = bw->Scanline(y);
        std::memset(out, 0, static_cast<size_t>(rowLen));
        for (int32_t x = 0; x < w; ++x) {
            const TRGB c = row[static_cast<size_t>(x)];
            if (colours == 0) {
                colour0 = c;
                colours = 1;
            } else if (!(c == colour0)) {
                if (colours == 1) {
                    colour1 = c;
                    colours = 2;
                } else if (!(c == colour1) && colours == 2) {
                    colours = 3;
                }
                out[x >> 3] |= IEBitMask[x & 7];
            }
        }
    }
    if (colours != 2) return nullptr;
    auto greyByte = [](TRGB c) {
        return improc::RoundEven((GreyWeightRed * c.r + GreyWeightGreen * c.g + GreyWeightBlue * c.b) / 100.0);
    };
    if (greyByte(colour1) < greyByte(colour0)) {
        InvertBits(bw.get());
        ClearPaddingBits(bw.get());
        std::swap(colour0, colour1);
    }
    return bw;
}

void QuantizeBitmap(TIEBitmap* bitmap, int32_t N, TRGB* palette, TObject* Sender, const TIEProgressEvent& OnProgress) {
    if (bitmap->PixelFormat() != ieRGB24 || bitmap->IsEmpty() || N <= 0) return;
    std::vector<TRGB> own;
    if (palette == nullptr) {
        own.assign(static_cast<size_t>(N), TRGB{0, 0, 0});
        palette = own.data();
    }
    TIEQuantizer q(bitmap, palette, N, -1, 0);
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    const double per = 100.0 / (h + 0.5);
    // Rows y0..y1-1; each worker keeps its own memory of recent answers.
    auto mapRows = [&](int32_t y0, int32_t y1, bool report) {
        std::vector<uint64_t> cache(size_t{1} << 14, 0);
        for (int32_t y = y0; y < y1; ++y) {
            auto* row = reinterpret_cast<TRGB*>(bitmap->GetScanline(y));
            for (int32_t x = 0; x < w; ++x) {
                const TRGB c = row[x];
                const uint32_t key = static_cast<uint32_t>(TRGBToInt(c)) + 1;
                uint64_t& slot = cache[(key * 0x9E3779B1u) >> 18];
                int32_t i;
                if (static_cast<uint32_t>(slot & 0x1FFFFFF) == key) {
                    i = static_cast<int32_t>(slot >> 32);
                } else {
                    i = IClamp(q.IndexOf(c), 0, N - 1);
                    slot = key | (static_cast<uint64_t>(static_cast<uint32_t>(i)) << 32);
                }
                row[x] = palette[i];
            }
            if (report && OnProgress) OnProgress(Sender, static_cast<int>(improc::Trunc64(per * (y + 1))));
        }
    };
    const int32_t threads = bitmap->Location() == ieMemory && q.Method() == 0
                                ? improc::WorkerCount(static_cast<int64_t>(w) * h * 8)
                                : 1;
    if (threads <= 1) {
        mapRows(0, h, true);
        return;
    }
    std::vector<std::thread> pool;
    const int32_t chunk = (h + threads - 1) / threads;
    for (int32_t t = 1; t < threads; ++t) {
        const int32_t a = t * chunk, b = std::min(h, (t + 1) * chunk);
        if (a < b) pool.emplace_back([&, a, b] { mapRows(a, b, false); });
    }
    mapRows(0, std::min(chunk, h), false);
    for (auto& th : pool) th.join();
    if (OnProgress) OnProgress(Sender, static_cast<int>(improc::Trunc64(per * h)));
}
