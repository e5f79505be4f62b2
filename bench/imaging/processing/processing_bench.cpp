// Hot paths of the processing routines: resampling a large picture and a
// video frame, and quantizing a large picture to 256 colours. With
// TESSARO_BENCH_PPM_DIR set, the two source pictures are also written there as
// big.ppm and frame.ppm, so that compare_imagemagick.sh can time the same work.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/bwconvert.h"
#include "imaging/processing/resample.h"

namespace {

// Smooth gradients, a few shapes and a little noise: photo-like, with far
// more than 256 colours.
std::unique_ptr<TIEBitmap> Picture(int w, int h) {
    auto b = std::make_unique<TIEBitmap>();
    b->Allocate(w, h, ieRGB24);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<TRGB*>(b->GetScanline(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = static_cast<int>((seed >> 24) & 15) - 8;
            const double fx = static_cast<double>(x) / w, fy = static_cast<double>(y) / h;
            const bool disc = (fx - 0.6) * (fx - 0.6) + (fy - 0.4) * (fy - 0.4) < 0.04;
            int r = static_cast<int>(255 * fx) + n, g = static_cast<int>(200 * fy + 40 * std::sin(fx * 20)) + n,
                bl = disc ? 230 + n : static_cast<int>(128 + 100 * std::cos(fy * 9)) + n;
            auto c = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
            row[x] = TRGB{c(bl), c(g), c(r)};
        }
    }
    return b;
}

void WritePPM(TIEBitmap* b, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", b->Width(), b->Height());
    std::string line(static_cast<size_t>(b->Width()) * 3, '\0');
    for (int y = 0; y < b->Height(); ++y) {
        const auto* row = reinterpret_cast<const TRGB*>(b->GetScanline(y));
        for (int x = 0; x < b->Width(); ++x) {
            line[3 * x] = static_cast<char>(row[x].r);
            line[3 * x + 1] = static_cast<char>(row[x].g);
            line[3 * x + 2] = static_cast<char>(row[x].b);
        }
        std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fclose(f);
}

TIEBitmap* Big() {
    static std::unique_ptr<TIEBitmap> b = Picture(4000, 3000);
    return b.get();
}
TIEBitmap* Frame() {
    static std::unique_ptr<TIEBitmap> b = Picture(720, 576);
    return b.get();
}

void Resample(benchmark::State& state, TIEBitmap* (*src)(), int w, int h, TResampleFilter f) {
    TIEBitmap* s = src();
    TIEBitmap d;
    d.Allocate(w, h, ieRGB24);
    for (auto _ : state) {
        ResampleBitmap(s, &d, f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(s->Width()) * s->Height());
}

void Quantize256(benchmark::State& state) {
    TIEBitmap work;
    for (auto _ : state) {
        state.PauseTiming();
        work.Assign(Big());
        state.ResumeTiming();
        QuantizeBitmap(&work, 256, nullptr, nullptr, nullptr);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK_CAPTURE(Resample, Lanczos3_4000x3000_to_800x600, Big, 800, 600, rfLanczos3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Resample, Lanczos3_4000x3000_to_742x520, Big, 742, 520, rfLanczos3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Resample, Triangle_4000x3000_to_742x520, Big, 742, 520, rfTriangle)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Resample, Bilinear_4000x3000_to_800x600, Big, 800, 600, rfBilinear)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Resample, FastLinear_4000x3000_to_800x600, Big, 800, 600, rfFastLinear)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Resample, Lanczos3_720x576_to_150x114, Frame, 150, 114, rfLanczos3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Resample, Bilinear_720x576_to_150x114, Frame, 150, 114, rfBilinear)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Quantize256)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    if (const char* dir = std::getenv("TESSARO_BENCH_PPM_DIR")) {
        WritePPM(Big(), std::string(dir) + "/big.ppm");
        WritePPM(Frame(), std::string(dir) + "/frame.ppm");
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
