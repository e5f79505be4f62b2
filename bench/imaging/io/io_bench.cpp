// Loading and saving a 4000x3000 picture as JPEG and PNG through the I/O
// component, and the same JPEG decoded and encoded by the codec alone, so that
// the component's own share shows. The pictures are written to
// $TESSARO_BENCH_DIR (default: the temporary folder) for compare.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"

namespace {

std::string Dir() {
    const char* d = std::getenv("TESSARO_BENCH_DIR");
    if (d && *d) return std::string(d) + "/";
    const char* t = std::getenv("TMPDIR");
    return std::string(t && *t ? t : "/tmp") + "/";
}

// A photo-like picture: gradients with texture, so that both codecs have work.
TIEBitmap& Picture() {
    static TIEBitmap b;
    if (b.IsEmpty()) {
        b.SetLocation(ieMemory);
        b.Allocate(4000, 3000, ieRGB24);
        uint32_t seed = 12345;
        for (int y = 0; y < 3000; ++y) {
            uint8_t* r = b.Scanline(y);
            for (int x = 0; x < 4000; ++x) {
                seed = seed * 1103515245 + 12345;
                int n = static_cast<int>((seed >> 16) & 15);
                r[x * 3] = static_cast<uint8_t>((x * 255 / 4000 + n) & 255);
                r[x * 3 + 1] = static_cast<uint8_t>((y * 255 / 3000 + n) & 255);
                r[x * 3 + 2] = static_cast<uint8_t>(((x + y) / 30 + n) & 255);
            }
        }
    }
    return b;
}

const std::string& Written(const char* ext) {
    static std::string jpg, png;
    std::string& s = ext[1] == 'j' ? jpg : png;
    if (s.empty()) {
        IEIOStartup();
        s = Dir() + "tessaro_bench_4000x3000" + ext;
        TIEImageIO io;
        io.SetTargetBitmap(&Picture());
        io.Params->JPEGQuality = 90;
        io.SaveToFile(s);
    }
    return s;
}

void BM_LoadJPEG(benchmark::State& st) {
    const std::string& f = Written(".jpg");
    TIEImageIO io;
    io.IEBitmap()->SetLocation(ieMemory);
    // Once outside the timing, so that the bitmap is allocated and touched as the
    // codec's buffer below is: the loop then times decoding alone.
    io.LoadFromFile(f);
    for (auto _ : st) io.LoadFromFile(f);
}

void BM_SaveJPEG(benchmark::State& st) {
    Written(".jpg");
    TIEImageIO io;
    io.SetTargetBitmap(&Picture());
    io.Params->JPEGQuality = 90;
    std::string out = Dir() + "tessaro_bench_out.jpg";
    for (auto _ : st) io.SaveToFile(out);
    std::remove(out.c_str());
}

void BM_LoadPNG(benchmark::State& st) {
    const std::string& f = Written(".png");
    TIEImageIO io;
    io.IEBitmap()->SetLocation(ieMemory);
    // Once outside the timing, so that the bitmap is allocated and touched as the
    // codec's buffer below is: the loop then times decoding alone.
    io.LoadFromFile(f);
    for (auto _ : st) io.LoadFromFile(f);
}

void BM_SavePNG(benchmark::State& st) {
    Written(".png");
    TIEImageIO io;
    io.SetTargetBitmap(&Picture());
    std::string out = Dir() + "tessaro_bench_out.png";
    for (auto _ : st) io.SaveToFile(out);
    std::remove(out.c_str());
}

// The codec alone: file to BGR rows in one buffer.
void BM_CodecDecodeJPEG(benchmark::State& st) {
    const std::string& f = Written(".jpg");
    std::vector<uint8_t> rows(static_cast<size_t>(4000) * 3000 * 3);
    for (auto _ : st) {
        FILE* fp = std::fopen(f.c_str(), "rb");
        jpeg_decompress_struct c{};
        jpeg_error_mgr e{};
        c.err = jpeg_std_error(&e);
        jpeg_create_decompress(&c);
        jpeg_stdio_src(&c, fp);
        jpeg_read_header(&c, TRUE);
        c.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&c);
        while (c.output_scanline < c.output_height) {
            JSAMPROW r = rows.data() + static_cast<size_t>(c.output_scanline) * c.output_width * 3;
            jpeg_read_scanlines(&c, &r, 1);
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
        std::fclose(fp);
    }
}

void BM_CodecEncodeJPEG(benchmark::State& st) {
    TIEBitmap& b = Picture();
    std::string out = Dir() + "tessaro_bench_codec.jpg";
    for (auto _ : st) {
        FILE* fp = std::fopen(out.c_str(), "wb");
        jpeg_compress_struct c{};
        jpeg_error_mgr e{};
        c.err = jpeg_std_error(&e);
        jpeg_create_compress(&c);
        jpeg_stdio_dest(&c, fp);
        c.image_width = 4000;
        c.image_height = 3000;
        c.input_components = 3;
        c.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 90, TRUE);
        jpeg_start_compress(&c, TRUE);
        for (int y = 0; y < 3000; ++y) {
            JSAMPROW r = b.Scanline(y);
            jpeg_write_scanlines(&c, &r, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        std::fclose(fp);
    }
    std::remove(out.c_str());
}

}  // namespace

BENCHMARK(BM_LoadJPEG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecDecodeJPEG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveJPEG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecEncodeJPEG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePNG)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
