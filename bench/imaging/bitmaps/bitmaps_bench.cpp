// Pixel-format conversion and scaled rendering of a 4000 x 3000 picture.
// With --write-ppm=FILE the picture is also written as a binary PPM, so that
// compare_convert.sh can give ImageMagick the same pixels.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"

namespace {
constexpr int W = 4000, H = 3000;

// A photo-like picture: smooth gradients with some texture, many distinct colours.
std::unique_ptr<TIEBitmap> MakePicture() {
    auto b = std::make_unique<TIEBitmap>();
    b->MinFileSize = INT64_MAX;
    b->SetLocation(ieMemory);
    b->Allocate(W, H, ieRGB24);
    for (int y = 0; y < H; ++y) {
        auto* row = reinterpret_cast<TRGB*>(b->Scanline(y));
        for (int x = 0; x < W; ++x) {
            double t = std::sin(x * 0.003) * std::cos(y * 0.004);
            row[x].r = static_cast<uint8_t>(128 + 100 * t + (x * 7 + y * 3) % 23);
            row[x].g = static_cast<uint8_t>(x * 255 / W);
            row[x].b = static_cast<uint8_t>(y * 255 / H ^ ((x >> 4) & 15));
        }
    }
    return b;
}

const TIEBitmap& Picture() {
    static std::unique_ptr<TIEBitmap> p = MakePicture();
    return *p;
}

void Copy(TIEBitmap& dst) {
    dst.MinFileSize = INT64_MAX;
    dst.SetLocation(ieMemory);
    dst.Assign(const_cast<TIEBitmap*>(&Picture()));
}

void BM_RGB24ToGray8(benchmark::State& state) {
    TIEBitmap src;
    Copy(src);
    for (auto _ : state) {
        TIEBitmap dst;
        dst.MinFileSize = INT64_MAX;
        dst.SetLocation(ieMemory);
        dst.Allocate(W, H, ie8g);
        dst.ConvertFrom(&src);
        benchmark::DoNotOptimize(dst.Scanline(0));
    }
}
BENCHMARK(BM_RGB24ToGray8)->Unit(benchmark::kMillisecond);

void BM_RGB24ToPalette(benchmark::State& state) {
    TIEBitmap src;
    Copy(src);
    for (auto _ : state) {
        TIEBitmap dst;
        dst.MinFileSize = INT64_MAX;
        dst.SetLocation(ieMemory);
        dst.Allocate(W, H, ie8p);
        dst.ConvertFrom(&src);
        benchmark::DoNotOptimize(dst.Scanline(0));
    }
}
BENCHMARK(BM_RGB24ToPalette)->Unit(benchmark::kMillisecond);

// Scaled into 742 x 520 as a view draws a preview: zoom tables (rfNone) or a filter.
void BM_RenderScaled(benchmark::State& state) {
    TIEBitmap src;
    Copy(src);
    TIEBitmap dst;
    dst.SetLocation(ieMemory);
    dst.Allocate(742, 520, ieRGB24);
    auto filter = static_cast<TResampleFilter>(state.range(0));
    for (auto _ : state) {
        bool ok = src.RenderToTIEBitmap(&dst, 0, 0, 742, 520, 0, 0, W, H, 255, filter);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_RenderScaled)->Arg(rfNone)->Arg(rfTriangle)->Unit(benchmark::kMillisecond);

bool WritePPM(const char* path) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", W, H);
    TIEBitmap& p = const_cast<TIEBitmap&>(Picture());
    std::string row(static_cast<size_t>(W) * 3, '\0');
    for (int y = 0; y < H; ++y) {
        auto* s = reinterpret_cast<const TRGB*>(p.Scanline(y));
        for (int x = 0; x < W; ++x) {
            row[3 * x] = static_cast<char>(s[x].r);
            row[3 * x + 1] = static_cast<char>(s[x].g);
            row[3 * x + 2] = static_cast<char>(s[x].b);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}
}  // namespace

int main(int argc, char** argv) {
    IEBitmapsStartup();
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--write-ppm=", 12) == 0) return WritePPM(argv[i] + 12) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
