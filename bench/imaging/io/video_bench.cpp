// Grabbing frame 1000 of a 1080p H.264 clip through the I/O component (open,
// frame-exact seek from the key frame before, conversion), beside ffmpeg's own
// "-ss <time> -frames:v 1" extraction of the same frame. The clip (60 s at
// 25 fps, a key frame every 250 frames) is made once in the temporary folder.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"

namespace {

std::string Clip() {
    const char* t = std::getenv("TMPDIR");
    static const std::string path = std::string(t && *t ? t : "/tmp") + "/tessaro_video_bench_1080p.mp4";
    static bool made = false;
    if (!made) {
        const std::string cmd = "test -s '" + path +
                                "' || ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 "
                                "-t 60 -c:v libx264 -preset veryfast -g 250 -pix_fmt yuv420p '" + path + "'";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not make %s\n", path.c_str());
        made = true;
    }
    return path;
}

void BM_ComponentFrame1000(benchmark::State& state) {
    const std::string clip = Clip();
    for (auto _ : state) {
        TIEImageIO io;
        if (io.OpenVideoFile(clip) < 1001) state.SkipWithError("no clip");
        io.LoadVideoFrame(1000);
        benchmark::DoNotOptimize(io.IEBitmap()->Scanline(0));
    }
}
BENCHMARK(BM_ComponentFrame1000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FfmpegFrame1000(benchmark::State& state) {
    const std::string clip = Clip();
    const std::string cmd = "ffmpeg -nostdin -loglevel error -y -ss 40 -i '" + clip +
                            "' -frames:v 1 -f rawvideo -pix_fmt bgr24 /dev/null";
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("ffmpeg failed");
}
BENCHMARK(BM_FfmpegFrame1000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
