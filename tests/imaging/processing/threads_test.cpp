// The routines keep no shared state: eight threads resampling and quantizing
// the same source at once get what one thread gets alone.
#include <gtest/gtest.h>

#include <thread>

#include "imaging/processing/bwconvert.h"
#include "imaging/processing/quantizer.h"
#include "imaging/processing/resample.h"
#include "testimg.h"

namespace {

std::unique_ptr<TIEBitmap> Pattern(int w, int h) {
    std::vector<TRGB> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(MakeRGB(static_cast<uint8_t>(x * 255 / w), static_cast<uint8_t>((x * y) % 256),
                                 static_cast<uint8_t>(y * 255 / h)));
    return testimg::RGB24(w, h, px);
}

struct Result {
    std::vector<TRGB> lanczos, bilinear, fast, quantized;
    std::vector<TRGB> palette;
};

// src is shared and only read; own is the thread's copy to quantize.
Result Work(TIEBitmap* src, TIEBitmap* own) {
    Result r;
    TIEBitmap d;
    d.Allocate(97, 61, ieRGB24);
    ResampleBitmap(src, &d, rfLanczos3);
    r.lanczos = testimg::Pixels(&d);
    ResampleBitmap(src, &d, rfBilinear);
    r.bilinear = testimg::Pixels(&d);
    ResampleBitmap(src, &d, rfFastLinear);
    r.fast = testimg::Pixels(&d);
    r.palette.assign(256, TRGB{0, 0, 0});
    QuantizeBitmap(own, 256, r.palette.data(), nullptr, nullptr);
    r.quantized = testimg::Pixels(own);
    return r;
}

}  // namespace

TEST(Threads, EightAtOnceMatchOneAlone) {
    auto src = Pattern(1280, 960);  // large enough for the engines' own worker threads too
    // Copies made before the threads start (copying reads the source's state).
    std::vector<std::unique_ptr<TIEBitmap>> copies;
    for (int i = 0; i < 9; ++i) {
        copies.push_back(std::make_unique<TIEBitmap>());
        copies.back()->Assign(src.get());
    }
    const Result alone = Work(src.get(), copies[8].get());
    std::vector<Result> results(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] { results[static_cast<size_t>(i)] = Work(src.get(), copies[static_cast<size_t>(i)].get()); });
    for (auto& t : threads) t.join();
    for (const Result& r : results) {
        EXPECT_EQ(r.lanczos, alone.lanczos);
        EXPECT_EQ(r.bilinear, alone.bilinear);
        EXPECT_EQ(r.fast, alone.fast);
        EXPECT_EQ(r.palette, alone.palette);
        EXPECT_EQ(r.quantized, alone.quantized);
    }
}
