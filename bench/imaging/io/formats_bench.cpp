// Loads and saves of the simpler formats at 4000x3000 (TGA, PCX, PNM), JPEG 2000 at
// 2000x1500, PostScript and PDF saves, and a 4000x3000 DNG load when
// $TESSARO_BENCH_DNG names one. Files go to $TESSARO_BENCH_DIR for compare_formats.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"

namespace {

std::string Dir() {
    const char* d = std::getenv("TESSARO_BENCH_DIR");
    if (d && *d) return std::string(d) + "/";
    const char* t = std::getenv("TMPDIR");
    return std::string(t && *t ? t : "/tmp") + "/";
}

// A photo-like picture: gradients with texture.
TIEBitmap& Picture(int w, int h) {
    static TIEBitmap big, small;
    TIEBitmap& b = w == 4000 ? big : small;
    if (b.IsEmpty()) {
        b.SetLocation(ieMemory);
        b.Allocate(w, h, ieRGB24);
        uint32_t seed = 12345;
        for (int y = 0; y < h; ++y) {
            uint8_t* r = b.Scanline(y);
            for (int x = 0; x < w; ++x) {
                seed = seed * 1103515245 + 12345;
                const int n = static_cast<int>((seed >> 16) & 15);
                r[x * 3] = static_cast<uint8_t>((x * 255 / w + n) & 255);
                r[x * 3 + 1] = static_cast<uint8_t>((y * 255 / h + n) & 255);
                r[x * 3 + 2] = static_cast<uint8_t>(((x + y) / 30 + n) & 255);
            }
        }
    }
    return b;
}

std::string Written(const std::string& ext, int w, int h) {
    IEIOStartup();
    const std::string f = Dir() + "tessaro_bench_" + std::to_string(w) + "x" + std::to_string(h) + ext;
    if (FILE* e = std::fopen(f.c_str(), "rb")) {
        std::fclose(e);
        return f;
    }
    TIEImageIO io;
    io.SetTargetBitmap(&Picture(w, h));
    io.SaveToFile(f);
    return f;
}

void Load(benchmark::State& st, const std::string& ext, int w, int h) {
    const std::string f = Written(ext, w, h);
    TIEImageIO io;
    io.IEBitmap()->SetLocation(ieMemory);
    for (auto _ : st) io.LoadFromFile(f);
}

void Save(benchmark::State& st, const std::string& ext, int w, int h) {
    Written(ext, w, h);
    TIEImageIO io;
    io.SetTargetBitmap(&Picture(w, h));
    const std::string out = Dir() + "tessaro_bench_out" + ext;
    for (auto _ : st) io.SaveToFile(out);
    std::remove(out.c_str());
}

void BM_LoadTGA(benchmark::State& st) { Load(st, ".tga", 4000, 3000); }
void BM_SaveTGA(benchmark::State& st) { Save(st, ".tga", 4000, 3000); }
void BM_LoadPCX(benchmark::State& st) { Load(st, ".pcx", 4000, 3000); }
void BM_SavePCX(benchmark::State& st) { Save(st, ".pcx", 4000, 3000); }
void BM_LoadPNM(benchmark::State& st) { Load(st, ".ppm", 4000, 3000); }
void BM_SavePNM(benchmark::State& st) { Save(st, ".ppm", 4000, 3000); }
void BM_LoadJ2K(benchmark::State& st) { Load(st, ".j2k", 2000, 1500); }
void BM_SaveJ2K(benchmark::State& st) { Save(st, ".j2k", 2000, 1500); }
void BM_SavePS(benchmark::State& st) { Save(st, ".ps", 4000, 3000); }
void BM_SavePDF(benchmark::State& st) { Save(st, ".pdf", 4000, 3000); }

void BM_LoadDNG(benchmark::State& st) {
    const char* f = std::getenv("TESSARO_BENCH_DNG");
    if (!f || !*f) {
        st.SkipWithError("TESSARO_BENCH_DNG not set");
        return;
    }
    IEIOStartup();
    TIEImageIO io;
    io.IEBitmap()->SetLocation(ieMemory);
    for (auto _ : st) io.LoadFromFileRAW(f);
}

}  // namespace

BENCHMARK(BM_LoadTGA)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveTGA)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPCX)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePCX)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPNM)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePNM)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadJ2K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveJ2K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePDF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDNG)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
