#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/bitmaps/iemask.h"
#include "imaging/io/iegif.h"
#include "imaging/io/ielzw.h"
#include "imaging/io/ieimageio.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {
std::vector<uint8_t> Bytes(TMemoryStream& ms) {
    auto* p = static_cast<uint8_t*>(ms.Memory());
    return std::vector<uint8_t>(p, p + ms.Size());
}
std::vector<uint8_t> Frame(const std::vector<uint8_t>& all, size_t index, size_t frameBytes) {
    return std::vector<uint8_t>(all.begin() + static_cast<std::ptrdiff_t>(index * frameBytes),
                                all.begin() + static_cast<std::ptrdiff_t>((index + 1) * frameBytes));
}
}  // namespace

TEST(GIFLZW, RoundTripsAtEveryCodeSize) {
    std::mt19937 rng(7);
    for (int bits = 1; bits <= 8; ++bits)
        for (bool interlaced : {false, true})
            for (auto [w, h] : {std::pair{1, 1}, std::pair{37, 10}, std::pair{300, 200}}) {
                SCOPED_TRACE(testing::Message() << bits << " " << interlaced << " " << w << "x" << h);
                std::vector<uint8_t> px(static_cast<size_t>(w) * h);
                // Runs and noise: long strings fill the table and force clear codes.
                for (size_t i = 0; i < px.size(); ++i)
                    px[i] = static_cast<uint8_t>((i % 97 < 40 ? (i / 13) : rng()) & ((1 << bits) - 1));
                TMemoryStream ms;
                GIFLZWCompress(ms, h, w, bits, px.data(), interlaced);
                auto data = Bytes(ms);
                // Sub-blocks hold at most 254 bytes.
                for (size_t at = 1; at < data.size() && data[at] != 0; at += data[at] + 1) EXPECT_LE(data[at], 254);
                EXPECT_EQ(data.back(), 0);
                ms.SetPosition(0);
                std::vector<uint8_t> out(px.size(), 0xEE);
                GIFLZWDecompress(ms, h, w, out.data(), interlaced);
                EXPECT_EQ(ms.Position(), ms.Size());
                EXPECT_EQ(out, px);
            }
}

TEST(GIFLZW, InterlacedRowOrderAndBadData) {
    // Ten rows, one pixel each, valued by their order in the file.
    std::vector<uint8_t> stored = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    TMemoryStream ms;
    GIFLZWCompress(ms, 10, 1, 4, stored.data(), false);  // coded plainly ...
    ms.SetPosition(0);
    std::vector<uint8_t> out(10);
    GIFLZWDecompress(ms, 10, 1, out.data(), true);       // ... placed as interlaced rows
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 5, 3, 6, 2, 7, 4, 8, 1, 9}));
    // A code beyond the next free one fails and puts the position back.
    std::vector<uint8_t> bad = {2, 2, 0xCC, 0x01, 0};  // 3-bit codes: clear, 1, then 7 (next free is 6)
    TIEMemStream bs(bad.data(), static_cast<int64_t>(bad.size()));
    GIFLZWDecompress(bs, 2, 2, out.data(), false);
    EXPECT_EQ(bs.Position(), 0);
    std::vector<uint8_t> badSize = {12, 1, 0, 0};
    TIEMemStream bs2(badSize.data(), 4);
    GIFLZWDecompress(bs2, 1, 1, out.data(), false);
    EXPECT_EQ(bs2.Position(), 0);
}

TEST(GIFReader, FilesWrittenByImageMagick) {
    for (const char* f : {"gif8.gif", "gifinter.gif", "giftrans.gif"}) {
        SCOPED_TRACE(f);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + f);
        ASSERT_FALSE(io.Aborting);
        bool trans = std::string(f) == "giftrans.gif";
        EXPECT_EQ(io.IEBitmap()->HasAlphaChannel(), trans);
        EXPECT_EQ(io.Params->GIFTransparent, trans);
        EXPECT_EQ(io.Params->GIFInterlaced, std::string(f) == "gifinter.gif");
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + std::string(f) + ".rgba"), 0, trans), 0);
    }
    TIEImageIO io;
    io.SetNativePixelFormat(true);
    io.LoadFromFile(DataDir() + "gif8.gif");
    EXPECT_EQ(io.IEBitmap()->PixelFormat(), ie8p);
    EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + "gif8.gif.rgba"), 0), 0);
}

TEST(GIFReader, FramesAndComposition) {
    // One frame as stored.
    TFileStream fs(DataDir() + "anim3.gif", fmOpenRead);
    TIOParamsVals p(nullptr);
    p.GIFImageIndex = 1;
    TIEBitmap frame;
    std::unique_ptr<TIEMask> mask;
    int32_t count = 0;
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    ReadGIFStream(fs, &frame, count, false, mask, false, pr, p);
    EXPECT_FALSE(abort);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(p.GIFImageCount, 3);
    EXPECT_EQ(frame.Width(), 4);
    EXPECT_EQ(frame.Height(), 3);
    EXPECT_EQ(p.GIFXPos, 1);
    EXPECT_EQ(p.GIFYPos, 1);
    // Composed frames, also with "restore to previous".
    for (const char* f : {"anim3.gif", "animprev.gif"}) {
        auto all = ReadAll(DataDir() + std::string(f) + ".rgba");
        for (int index : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << f << " frame " << index);
            TIEImageIO io;
            io.Params->GIFImageIndex = index;
            EXPECT_EQ(io.LoadFromFileGIF(DataDir() + f), 3);
            ASSERT_FALSE(io.Aborting);
            ASSERT_EQ(io.IEBitmap()->Width(), 10);
            EXPECT_EQ(CountDiffs(*io.IEBitmap(), Frame(all, static_cast<size_t>(index), 320), 0), 0);
            EXPECT_EQ(io.Params->GIFImageIndex, index);
        }
    }
}

TEST(GIFReader, UnsafeInput) {
    // A 2-entry table, but the data codes index 200 with 8-bit codes.
    TIEBitmap src;
    src.Allocate(4, 1, ie8p);
    for (int x = 0; x < 4; ++x) src.SetPixel8(x, 0, static_cast<uint8_t>(x * 60 + 20));
    std::vector<uint8_t> px = {0, 200, 1, 255};
    TMemoryStream ms;
    const uint8_t head[] = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 1, 0, 0x80, 0, 0, 10, 20, 30, 40, 50, 60,
                            ',', 0, 0, 0, 0, 4, 0, 1, 0, 0};
    ms.WriteBuffer(head, sizeof head);
    GIFLZWCompress(ms, 1, 4, 8, px.data(), false);
    ms.WriteBuffer(";", 1);
    ms.SetPosition(0);
    TIEImageIO io;
    io.LoadFromStream(ms);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(0, 0), (TRGB{30, 20, 10}));
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(1, 0), (TRGB{0, 0, 0}));
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(2, 0), (TRGB{60, 50, 40}));
    // A frame claiming 65535 x 65535 pixels with a few bytes of data is refused before allocating.
    std::vector<uint8_t> big = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                                ',', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x4C, 0x01, 0, ';'};
    io.LoadFromBuffer(big.data(), static_cast<int64_t>(big.size()), ioGIF);
    EXPECT_TRUE(io.Aborting);
    // Only a header.
    io.LoadFromBuffer(big.data(), 13, ioGIF);
    EXPECT_TRUE(io.Aborting);
}

TEST(GIFWriter, RoundTripsTransparencyAndComments) {
    TIEBitmap few;
    few.Allocate(9, 5, ieRGB24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) few.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>(x * 25), static_cast<uint8_t>(y * 50), 99});
    for (bool interlaced : {false, true}) {
        TIEImageIO w;
        w.SetTargetBitmap(&few);
        w.Params->GIFInterlaced = interlaced;
        w.Params->GIFComments.Add(std::string(300, 'c'));
        TMemoryStream ms;
        w.SaveToStreamGIF(ms);
        ASSERT_FALSE(w.Aborting);
        ms.SetPosition(0);
        TIEImageIO r;
        r.LoadFromStream(ms);
        ASSERT_FALSE(r.Aborting);
        EXPECT_TRUE(SameRGB(few, *r.IEBitmap()));
        // A long comment is split over sub-blocks, not cut.
        std::string joined;
        for (int i = 0; i < r.Params->GIFComments.Count(); ++i) joined += r.Params->GIFComments.Get(i);
        EXPECT_EQ(joined, std::string(300, 'c'));
    }
    // 24 bits with alpha at 8 bits: 255 colours, index 255 transparent, 256-entry table.
    TIEBitmap a;
    FillPattern(a, 20, 20);
    a.SetAlpha(3, 4, 0);
    TIEImageIO w;
    w.SetTargetBitmap(&a);
    TMemoryStream ms;
    w.SaveToStreamGIF(ms);
    auto bytes = Bytes(ms);
    EXPECT_EQ(bytes[10] & 7, 7);
    const size_t gce = 13 + 256 * 3;
    EXPECT_EQ(bytes[gce], 0x21);
    EXPECT_EQ(bytes[gce + 3] & 1, 1);
    EXPECT_EQ(bytes[gce + 6], 255);
    ms.SetPosition(0);
    TIEImageIO r;
    r.LoadFromStream(ms);
    ASSERT_TRUE(r.IEBitmap()->HasAlphaChannel());
    EXPECT_EQ(r.IEBitmap()->GetAlpha(3, 4), 0);
    EXPECT_EQ(r.IEBitmap()->GetAlpha(4, 4), 255);
    // Bits per sample above 8 are written as 8.
    w.Params->BitsPerSample = 12;
    TMemoryStream ms2;
    w.SaveToStreamGIF(ms2);
    EXPECT_FALSE(w.Aborting);
    EXPECT_EQ(Bytes(ms2)[10] & 7, 7);
}

// The frame delay in hundredths of a second, per frame, as ImageMagick writes and reads it.
TEST(GIFReader, FrameDelayFromTheFileAndBack) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    ASSERT_EQ(iotest::Run("convert -size 6x4 -delay 37 xc:red -delay 12 xc:blue -delay 0 xc:lime '" + (dir / "d.gif") + "'"), 0);
    for (auto [index, delay] : {std::pair{0, 37}, {1, 12}, {2, 0}}) {
        TIEImageIO io;
        io.Params->SetImageIndex(index);
        io.LoadFromFile(dir / "d.gif");
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->GIFDelayTime, delay) << index;
    }
    TIEImageIO w;
    w.IEBitmap()->Allocate(6, 4, ieRGB24);
    w.Params->GIFDelayTime = 55;
    w.SaveToFile(dir / "w.gif");
    const std::string cmd = "identify -format %T '" + (dir / "w.gif") + "' > '" + (dir / "t") + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto t = ReadAll(dir / "t");
    EXPECT_EQ(std::string(t.begin(), t.end()), "55");
}

TEST(GIFWriter, ImageMagickReadsWhatWeWrite) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    TIEBitmap few;
    few.Allocate(33, 17, ieRGB24);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x) few.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>((x % 8) * 30), static_cast<uint8_t>(y * 15), 7});
    for (int bits : {8, 4, 1}) {
        TIEImageIO io;
        io.SetTargetBitmap(&few);
        io.Params->BitsPerSample = bits;
        io.SaveToFile(dir / "w.gif");
        ASSERT_FALSE(io.Aborting);
        TIEImageIO back;
        back.LoadFromFile(dir / "w.gif");
        EXPECT_EQ(CountDiffs(*back.IEBitmap(), DecodeWithConvert(dir / "w.gif", dir / "t"), 0), 0) << bits;
        if (bits == 8) {
            EXPECT_TRUE(SameRGB(few, *back.IEBitmap()));
        }
    }
}

namespace {

TEST(GIFReader, CutFilesKeepTheirRowsAndReportFailure) {
    if (!iotest::HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    iotest::TempDir dir;
    const std::string file = dir / "inter.gif";
    ASSERT_EQ(iotest::Run("convert -size 120x80 plasma:fractal -seed 3 -colors 64 -interlace GIF '" + file + "'"), 0);
    const std::vector<uint8_t> whole = iotest::ReadAll(file);
    {
        TIEImageIO io;
        io.LoadFromBuffer(whole.data(), static_cast<int64_t>(whole.size()), ioGIF);
        EXPECT_FALSE(io.Aborting);
    }
    for (int percent : {50, 85}) {
        SCOPED_TRACE(percent);
        const size_t n = whole.size() * percent / 100;
        TIEImageIO io;
        io.LoadFromBuffer(whole.data(), static_cast<int64_t>(n), ioGIF);
        EXPECT_TRUE(io.Aborting);
        EXPECT_EQ(io.IEBitmap()->Width(), 120);
        EXPECT_EQ(io.IEBitmap()->Height(), 80);
    }
}

}  // namespace
