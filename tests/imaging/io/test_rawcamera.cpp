#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/ierawcamera.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

bool HaveTifffile() {
    static const int have = iotest::Run("/usr/bin/python3 -c 'import tifffile, numpy'") == 0;
    return have;
}

// Writes a DNG of the known image (see make_dng.py) and answers the image: 12-bit RGB.
std::vector<uint16_t> MakeDNG(const std::string& mode, const std::string& file, int w, int h) {
    const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/imaging/io/make_dng.py";
    if (iotest::Run("/usr/bin/python3 '" + script + "' " + mode + " '" + file + "' " + std::to_string(w) + " " +
                    std::to_string(h)) != 0)
        return {};
    auto bytes = ReadAll(file + ".rgb16");
    std::vector<uint16_t> v(bytes.size() / 2);
    std::memcpy(v.data(), bytes.data(), v.size() * 2);
    return v;
}

// What the reader makes of linear 12-bit samples: scaled to 16 bits by the decoder, then
// the white point of the red histogram and the gamma table.
std::vector<uint8_t> Expected(const std::vector<uint16_t>& img, int w, int h, double gamma) {
    std::vector<int> hist(0x2000, 0);
    auto s16 = [](uint16_t v) { return std::min(65535, static_cast<int>(std::lround(v * 65535.0 / 4095))); };
    for (int i = 0; i < w * h; ++i) ++hist[s16(img[i * 3]) >> 3];
    const int32_t white = RawWhitePoint(hist.data(), 0x2000, w, h, false);
    auto table = RawGammaTable(white, gamma, 1.0);
    std::vector<uint8_t> out(img.size());
    for (size_t i = 0; i < img.size(); ++i) {
        const int s = s16(img[i]);
        out[i] = static_cast<uint8_t>(std::min(255.0, s * table[s]));
    }
    return out;
}

}  // namespace

TEST(RawCamera, DNGOfAKnownImage) {
    if (!HaveTifffile()) GTEST_SKIP() << "python3-tifffile missing";
    TempDir tmp;
    const int w = 40, h = 30;
    for (const char* mode : {"cfa", "linear"}) {
        SCOPED_TRACE(mode);
        const std::string file = tmp / (std::string(mode) + ".nef");
        auto img = MakeDNG(mode, file, w, h);
        ASSERT_EQ(img.size(), static_cast<size_t>(w * h * 3));
        TIEImageIO io;
        io.Params->RAWSwitches[1] = false;  // no automatic white balance
        io.Params->RAWSwitches[2] = true;   // the file's neutral
        io.LoadFromFile(file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioRAW);
        EXPECT_EQ(io.Params->RAWCamera.rfind("TessaroCam T1", 0), 0u) << io.Params->RAWCamera;
        const bool cfa = std::string(mode) == "cfa";
        const int trim = cfa ? 1 : 0;
        TIEBitmap* b = io.IEBitmap();
        ASSERT_EQ(b->Width(), w - 2 * trim);
        ASSERT_EQ(b->Height(), h - 2 * trim);
        auto expect = Expected(img, w, h, io.Params->RAWGamma);
        int diffs = 0, checked = 0;
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x) {
                const int sx = x + trim, sy = y + trim;
                // Away from the borders and the edges of the flat blocks.
                if (std::abs(sx - w / 2) < 3 || std::abs(sy - h / 2) < 3 || sx < 3 || sy < 3 || sx >= w - 3 ||
                    sy >= h - 3)
                    continue;
                ++checked;
                const uint8_t* e = &expect[(static_cast<size_t>(sy) * w + sx) * 3];
                TRGB c = b->GetPixelRGB(x, y);
                if (std::abs(c.r - e[0]) > 3 || std::abs(c.g - e[1]) > 3 || std::abs(c.b - e[2]) > 3) ++diffs;
            }
        EXPECT_GT(checked, 300);
        EXPECT_EQ(diffs, 0);

        // The header-only read gives the size of the decoded bitmap.
        TIEImageIO hdr;
        hdr.ParamsFromFileFormat(file, ioRAW);
        EXPECT_EQ(hdr.Params->Width, b->Width());
        EXPECT_EQ(hdr.Params->Height, b->Height());

        if (iotest::Run("raw-identify -v '" + file + "'") == 0) {
            const std::string out = tmp / "id.txt";
            ASSERT_EQ(std::system(("raw-identify '" + file + "' > '" + out + "'").c_str()), 0);
            auto text = ReadAll(out);
            EXPECT_NE(std::string(text.begin(), text.end()).find("TessaroCam T1"), std::string::npos);
        }
    }
}

// A DNG as cameras write it, a small preview first and the raw image in its sub-IFD:
// the thumbnail switch gives the preview instead of the decoded image.
TEST(RawCamera, EmbeddedPreviewInsteadOfTheImage) {
    if (!HaveTifffile()) GTEST_SKIP() << "python3-tifffile missing";
    TempDir tmp;
    const std::string file = tmp / "preview.nef";
    const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/imaging/io/make_dng.py";
    ASSERT_EQ(iotest::Run("/usr/bin/python3 '" + script + "' cfa '" + file + "' 40 30 preview"), 0);
    for (bool thumbnail : {true, false}) {
        SCOPED_TRACE(thumbnail ? "preview" : "decoded");
        TIEImageIO io;
        io.Params->SetRawGetExifThumbnail(thumbnail);
        io.LoadFromFile(file);
        ASSERT_FALSE(io.Aborting);
        TIEBitmap* b = io.IEBitmap();
        EXPECT_EQ(io.Params->RAWGetExifThumbnail, thumbnail);
        if (!thumbnail) {
            EXPECT_EQ(b->Width(), 38);
            EXPECT_EQ(b->Height(), 28);
            continue;
        }
        ASSERT_EQ(b->Width(), 16);
        ASSERT_EQ(b->Height(), 12);
        EXPECT_EQ(io.Params->Width, 16);
        EXPECT_EQ(b->GetPixelRGB(2, 5), (TRGB{10, 10, 250}));  // blue, green, red: red
        EXPECT_EQ(b->GetPixelRGB(13, 5), (TRGB{250, 10, 10}));
    }
}

TEST(RawCamera, HalfSizeAndWideSamples) {
    if (!HaveTifffile()) GTEST_SKIP() << "python3-tifffile missing";
    TempDir tmp;
    const std::string file = tmp / "odd.nef";
    ASSERT_FALSE(MakeDNG("cfa", file, 41, 31).empty());
    // The decoder's size is the full decoding's plus the trimmed border.
    TIEImageIO full;
    full.LoadFromFileRAW(file);
    ASSERT_FALSE(full.Aborting);
    const int wd = full.IEBitmap()->Width() + 2, hd = full.IEBitmap()->Height() + 2;
    TIEImageIO half;
    half.Params->RAWHalfSize = true;
    half.LoadFromFileRAW(file);
    ASSERT_FALSE(half.Aborting);
    // (The installed decoder halves an odd DNG width rounding down.)
    EXPECT_GE(half.IEBitmap()->Width(), wd / 2);
    EXPECT_LE(half.IEBitmap()->Width(), (wd + 1) / 2);
    EXPECT_GE(half.IEBitmap()->Height(), hd / 2);
    EXPECT_LE(half.IEBitmap()->Height(), (hd + 1) / 2);
    TIEImageIO hdr;
    hdr.Params->RAWHalfSize = true;
    hdr.ParamsFromFileFormat(file, ioRAW);
    EXPECT_EQ(hdr.Params->Width, half.IEBitmap()->Width());
    EXPECT_EQ(hdr.Params->Height, half.IEBitmap()->Height());

    TIEImageIO wide;
    wide.SetNativePixelFormat(true);
    wide.LoadFromFileRAW(file);
    ASSERT_FALSE(wide.Aborting);
    ASSERT_EQ(wide.IEBitmap()->PixelFormat(), ieRGB48);
    EXPECT_EQ(wide.Params->BitsPerSample, 16);
    uint16_t top = 0;
    for (int y = 0; y < wide.IEBitmap()->Height(); ++y)
        for (int x = 0; x < wide.IEBitmap()->Width(); ++x) {
            TRGB48 c = wide.IEBitmap()->GetPixelRGB48(x, y);
            top = std::max({top, c.r, c.g, c.b});
        }
    EXPECT_EQ(top, 65535);
}

TEST(RawCamera, RefusesWhatTheDecoderDoesNotKnow) {
    std::vector<uint8_t> junk(5000, 0x37);
    TIEImageIO io;
    io.LoadFromBuffer(junk.data(), static_cast<int64_t>(junk.size()), ioRAW);
    EXPECT_TRUE(io.Aborting);
    if (!HaveTifffile()) return;
    // A DNG cut inside its strip.
    TempDir tmp;
    ASSERT_FALSE(MakeDNG("cfa", tmp / "a.nef", 40, 30).empty());
    auto bytes = ReadAll(tmp / "a.nef");
    bytes.resize(bytes.size() / 3);
    TIEImageIO cut;
    cut.LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), ioRAW);
    EXPECT_LT(static_cast<int64_t>(cut.IEBitmap()->Width()) * cut.IEBitmap()->Height(), 100000);
}

TEST(RawCamera, WhitePointAndTable) {
    // 100 x 100 pixels: 1% is 100 pixels; the top bins hold 60, then 50.
    std::vector<int> hist(0x2000, 0);
    hist[8000] = 60;
    hist[7000] = 50;
    hist[10] = 9890;
    EXPECT_EQ(RawWhitePoint(hist.data(), 0x2000, 100, 100, false), 7000 * 8);
    // At 0.5% (FUJIFILM) the first bin is enough.
    EXPECT_EQ(RawWhitePoint(hist.data(), 0x2000, 100, 100, true), 8000 * 8);
    std::vector<int> none(0x2000, 0);
    EXPECT_EQ(RawWhitePoint(none.data(), 0x2000, 100, 100, false), 1);
    auto t = RawGammaTable(1000, 0.6, 1.0);
    EXPECT_EQ(t[0], 0);
    EXPECT_NEAR(t[500], 442.0 / 1000, 1e-12);  // (2 x 500 / 1000)^-0.4 = 1
}

TEST(RawCamera, SuperCCDLayoutTurnedUpright) {
    // 6 x 6, first row: one black pixel, four lit, one black: b = 1, e = 4, N = 6, 8 wide.
    TIEBitmap b;
    b.Allocate(6, 6, ieRGB24);
    for (int r = 0; r < 6; ++r)
        for (int k = 0; k < 6; ++k) b.SetPixelRGB24(k, r, TRGB{static_cast<uint8_t>(r * 16 + k + 1), 9, 9});
    b.SetPixelRGB24(0, 0, TRGB{0, 0, 0});
    b.SetPixelRGB24(5, 0, TRGB{0, 0, 0});
    UnrotateSuperCCD(&b);
    ASSERT_EQ(b.Width(), 8);
    ASSERT_EQ(b.Height(), 6);
    // Source (row 1, column 2) lands in grid row 4, column 2: output row 3, column 4.
    EXPECT_EQ(b.GetPixelRGB24(4, 3).b, 1 * 16 + 2 + 1);
    for (int y = 0; y < 6; ++y) EXPECT_EQ(b.GetPixelRGB24(0, y), (TRGB{0, 0, 0})) << y;

    // A first row without a lit pixel has no layout: the bitmap stays.
    TIEBitmap dark;
    dark.Allocate(5, 4, ieRGB24);
    dark.Fill(0);
    dark.SetPixelRGB24(2, 2, TRGB{50, 50, 50});
    UnrotateSuperCCD(&dark);
    EXPECT_EQ(dark.Width(), 5);
    EXPECT_EQ(dark.Height(), 4);
    EXPECT_EQ(dark.GetPixelRGB24(2, 2).r, 50);
}

namespace {

// A CIFF heap at Start holding Records (tag, data) stored one after the other.
struct Rec {
    uint16_t tag;
    std::vector<uint8_t> data;
    int64_t forcedOffset = -1;  // a stored offset of choice (damaged records)
    int64_t forcedSize = -1;
};
std::vector<uint8_t> Heap(const std::vector<Rec>& recs) {
    std::vector<uint8_t> h;
    std::vector<std::pair<uint32_t, uint32_t>> at;
    for (const auto& r : recs) {
        at.emplace_back(static_cast<uint32_t>(h.size()), static_cast<uint32_t>(r.data.size()));
        h.insert(h.end(), r.data.begin(), r.data.end());
    }
    const uint32_t table = static_cast<uint32_t>(h.size());
    h.push_back(static_cast<uint8_t>(recs.size()));
    h.push_back(0);
    for (size_t i = 0; i < recs.size(); ++i) {
        uint8_t r[10];
        ieio::PutLE16(r, recs[i].tag);
        ieio::PutLE32(r + 2, recs[i].forcedSize >= 0 ? static_cast<uint32_t>(recs[i].forcedSize) : at[i].second);
        ieio::PutLE32(r + 6, recs[i].forcedOffset >= 0 ? static_cast<uint32_t>(recs[i].forcedOffset) : at[i].first);
        h.insert(h.end(), r, r + 10);
    }
    uint8_t t[4];
    ieio::PutLE32(t, table);
    h.insert(h.end(), t, t + 4);
    return h;
}
std::vector<uint8_t> Text(const std::string& s) {
    std::vector<uint8_t> v(s.begin(), s.end());
    v.push_back(0);
    return v;
}

}  // namespace

TEST(RawCamera, CIFFHeapsWithNestingAndDamage) {
    std::vector<uint8_t> dims(8);
    ieio::PutLE32(dims.data(), 3000);
    ieio::PutLE32(dims.data() + 4, 2000);
    auto sub = Heap({{0x1810, dims}});
    std::vector<uint8_t> words = {1, 0, 2, 0, 3, 0};
    // The make and model text holds both, zero-separated.
    std::vector<uint8_t> mm = {'M', 'a', 'k', 'e', 'r', 0, 'M', 'o', 'd', 'e', 'l', ' ', '7', 0};
    auto root = Heap({{0x080A, mm}, {0x0805, Text("a picture")}, {0x300A, sub}, {0x102A, words},
                 {0x0805, Text("x"), 1000000, 4}, {0x300B, {}, 0, 100000}});
    std::vector<uint8_t> file = {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'};
    file.resize(26, 0);
    file.insert(file.end(), root.begin(), root.end());
    TIEMemStream ms(file.data(), static_cast<int64_t>(file.size()));
    TIOParamsVals p(nullptr);
    ReadCIFFMetadata(ms, p);
    EXPECT_EQ(ms.Position(), 0);
    EXPECT_EQ(p.ExifMake, "Maker");
    EXPECT_EQ(p.ExifModel, "Model 7");
    EXPECT_EQ(p.ExifImageDescription, "a picture");
    EXPECT_EQ(p.ExifPixelXDimension, 3000);
    EXPECT_EQ(p.ExifPixelYDimension, 2000);
    ASSERT_EQ(p.ExifMakerNote.Entries.size(), 1u);
    EXPECT_EQ(p.ExifMakerNote.Entries[0].Tag, 4);
    EXPECT_EQ(p.ExifMakerNote.Entries[0].Count, 3u);

    // A sub-heap that names its parent again ends after the nesting limit.
    std::vector<uint8_t> loop = {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'};
    loop.resize(26, 0);
    auto self = Heap({{0x300A, std::vector<uint8_t>(30, 0)}});
    loop.insert(loop.end(), self.begin(), self.end());
    TIEMemStream ls(loop.data(), static_cast<int64_t>(loop.size()));
    TIOParamsVals q(nullptr);
    ReadCIFFMetadata(ls, q);
    EXPECT_TRUE(q.ExifMake.empty());
}
