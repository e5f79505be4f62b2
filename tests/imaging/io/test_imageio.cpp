#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "imaging/io/ieimageio.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {
struct Counter {
    int finished = 0;
    std::vector<int> progress;
    void Attach(TIEImageIO& io) {
        io.OnFinishWork = [this](TObject*) { ++finished; };
        io.OnProgress = [this](TObject*, int p) { progress.push_back(p); };
    }
};
}  // namespace

TEST(ImageIO, EveryLoadEndsWithOneFinishNotification) {
    TempDir dir;
    WriteAll(dir / "x.unknownext", {1, 2, 3});
    WriteAll(dir / "x.pcx", {1, 2, 3});
    struct Case {
        std::string name;
        bool aborted;
    } cases[] = {
        {DataDir() + "bmp24.bmp", false},  {DataDir() + "png24.png", false}, {DataDir() + "jpeg420.jpg", false},
        {DataDir() + "gif8.gif", false},   {dir / "x.unknownext", true},     {dir / "x.pcx", true},
        {"http://127.0.0.1:1/a.jpg", true}, {"HTTP://127.0.0.1:1/a.png", true}, {dir / "movie.avi", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIEImageIO io;
        Counter n;
        n.Attach(io);
        io.LoadFromFile(c.name);
        EXPECT_EQ(n.finished, 1);
        EXPECT_EQ(io.Aborting, c.aborted);
        ASSERT_FALSE(n.progress.empty());
        EXPECT_EQ(n.progress.back(), 100);
    }
    // A missing file raises after the notification, with the flag set.
    TIEImageIO io;
    Counter n;
    n.Attach(io);
    EXPECT_THROW(io.LoadFromFile(dir / "missing.png"), EFOpenError);
    EXPECT_EQ(n.finished, 1);
    EXPECT_TRUE(io.Aborting);
    EXPECT_THROW(io.LoadFromFile(dir / "missing.gif"), EFOpenError);
    EXPECT_EQ(n.finished, 2);
}

TEST(ImageIO, LoadByContentAndFromBuffers) {
    TempDir dir;
    // A PNG named .jpg loads by content.
    std::filesystem::copy_file(DataDir() + "png24.png", dir / "really_png.jpg");
    TIEImageIO io;
    io.LoadFromFileAuto(dir / "really_png.jpg");
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->FileType, ioPNG);
    EXPECT_EQ(io.Params->FileName, dir / "really_png.jpg");
    EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + "png24.png.rgba"), 0), 0);
    // Streams: the format comes from the content and the name is cleared.
    auto gif = ReadAll(DataDir() + "gif8.gif");
    io.LoadFromBuffer(gif.data(), static_cast<int64_t>(gif.size()), 0);
    EXPECT_EQ(io.Params->FileType, ioGIF);
    EXPECT_TRUE(io.Params->FileName.empty());
    // Unknown content.
    std::vector<uint8_t> junk(50, 'q');
    Counter n;
    n.Attach(io);
    io.LoadFromBuffer(junk.data(), 50, 0);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(n.finished, 1);
}

TEST(ImageIO, HeaderOnlyReadsMatchIdentify) {
    struct Case {
        const char* file;
        TIOFormatCode type;
        int w, h, bits;
    } cases[] = {{"bmp8.bmp", ioBMP, 24, 16, 8}, {"png48.png", ioPNG, 13, 7, 16}, {"jpeg420.jpg", ioJPEG, 13, 7, 8},
                 {"gif8.gif", ioGIF, 24, 16, 7}, {"bmp1.bmp", ioBMP, 13, 7, 1},
                 {"tif_rgb.tif", ioTIFF, 24, 16, 8}, {"bmp24.bmp", ioBMP, 13, 7, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.ParamsFromFile(DataDir() + c.file);
        EXPECT_EQ(io.Params->FileType, c.type);
        EXPECT_EQ(io.Params->Width, c.w);
        EXPECT_EQ(io.Params->Height, c.h);
        EXPECT_EQ(io.Params->BitsPerSample, c.bits);
        EXPECT_TRUE(io.IEBitmap()->IsEmpty());
        if (HaveConvert()) {
            TempDir dir;
            std::string cmd = "identify -format '%w %h %x %U' '" + DataDir() + c.file + "[0]' > '" + (dir / "id") + "'";
            ASSERT_EQ(std::system(cmd.c_str()), 0);
            auto id = ReadAll(dir / "id");
            std::string s(id.begin(), id.end());
            int w = 0, h = 0;
            double x = 0;
            char unit[64] = {};
            ASSERT_EQ(std::sscanf(s.c_str(), "%d %d %lf %63s", &w, &h, &x, unit), 4) << s;
            EXPECT_EQ(w, c.w);
            EXPECT_EQ(h, c.h);
            // These files state no resolution: identify shows its default, we take 300.
            EXPECT_EQ(io.Params->DpiX, 300);
        }
    }
    TIEImageIO io;
    io.ParamsFromFile("/nonexistent/file.png");  // never raises
    EXPECT_EQ(io.Params->FileType, 0);
    auto junk = std::vector<uint8_t>(30, 'z');
    TIEMemStream ms(junk.data(), 30);
    io.ParamsFromStreamFormat(ms, ioPNG);
    EXPECT_EQ(io.Params->FileType, 0);
}

TEST(ImageIO, SavesByExtensionAndFailedSavesLeaveNoFile) {
    TempDir dir;
    TIEImageIO io;
    FillPattern(*io.IEBitmap(), 8, 6);
    for (const char* name : {"a.bmp", "a.dib", "a.png", "a.jpg", "a.JPEG", "a.gif", "a.tif", "a.xif", "a.pcx",
                             "a.dcx", "a.tga", "a.pix", "a.win", "a.ppm", "a.pbm", "a.wbmp"}) {
        SCOPED_TRACE(name);
        io.SaveToFile(dir / name);
        EXPECT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileName, dir / name);
        TIEImageIO r;
        r.LoadFromFileAuto(dir / name);
        EXPECT_FALSE(r.Aborting);
        EXPECT_EQ(r.IEBitmap()->Width(), 8);
    }
    // No writer (cursor, unknown extension): the save reports failure and creates no empty file.
    Counter n;
    n.Attach(io);
    for (const char* name : {"a.cur", "a.unknownext"}) {
        SCOPED_TRACE(name);
        n.finished = 0;
        io.SaveToFile(dir / name);
        EXPECT_TRUE(io.Aborting);
        EXPECT_EQ(n.finished, 1);
        EXPECT_FALSE(std::filesystem::exists(dir / name));
    }
    io.OnFinishWork = nullptr;
    io.OnProgress = nullptr;
    io.SaveToFile("");  // nothing
    TMemoryStream ms;
    io.SaveToStream(ms, ioPNG);
    EXPECT_FALSE(io.Aborting);
    EXPECT_GT(ms.Size(), 0);
    io.SaveToStream(ms, ioCUR);
    EXPECT_TRUE(io.Aborting);
}

TEST(ImageIO, TargetsAndAdjustDPI) {
    TIEBitmap mine;
    TIEImageIO io;
    io.SetAttachedBitmap(&mine);
    EXPECT_FALSE(io.IEBitmapOwned());
    io.LoadFromFile(DataDir() + "bmp24.bmp");
    EXPECT_EQ(mine.Width(), 13);
    // 100 x 50 at 200 x 100 dpi becomes 100 x 100 at 200 dpi.
    mine.Allocate(100, 50, ieRGB24);
    mine.Fill(0);
    io.Params->DpiX = 200;
    io.Params->DpiY = 100;
    io.AdjustDPI();
    EXPECT_EQ(mine.Width(), 100);
    EXPECT_EQ(mine.Height(), 100);
    EXPECT_EQ(io.Params->DpiY, 200);
    io.SetTargetBitmap(nullptr);
    Counter n;
    n.Attach(io);
    io.LoadFromFile(DataDir() + "bmp24.bmp");
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(n.finished, 1);
}

TEST(ImageIO, AbortFromTheProgressHandlerStopsALoad) {
    TIEBitmap big;
    FillPattern(big, 64, 200);
    TIEImageIO w;
    w.SetTargetBitmap(&big);
    TMemoryStream ms;
    w.SaveToStreamBMP(ms);
    ms.SetPosition(0);
    TIEImageIO r;
    int calls = 0;
    r.OnProgress = [&](TObject*, int p) {
        ++calls;
        if (p >= 10 && p < 100) r.Aborting = true;
    };
    r.LoadFromStream(ms);
    EXPECT_TRUE(r.Aborting);
    EXPECT_LT(calls, 100);
}

// Inputs the fuzzers found: each loads as a failure, without a crash or a huge allocation.
TEST(ImageIO, FuzzerFindingsLoadAsFailures) {
    for (const char* f : {"bmp-offset-past-end.bmp", "gif-huge-screen-1.gif", "gif-huge-screen-2.gif",
                          "tiff-huge-count-unknown-type.tif"}) {
        SCOPED_TRACE(f);
        auto data = ReadAll(DataDir() + "fuzz/" + f);
        ASSERT_FALSE(data.empty());
        TIEImageIO io;
        int finished = 0;
        io.OnFinishWork = [&](TObject*) { ++finished; };
        io.LoadFromBuffer(data.data(), static_cast<int64_t>(data.size()), 0);
        EXPECT_EQ(finished, 1);
        EXPECT_LT(static_cast<int64_t>(io.IEBitmap()->Width()) * io.IEBitmap()->Height(), 10000000);
    }
}

// Files written by netpbm's tools, compared with ImageMagick's reading of the same files.
TEST(ImageIO, FilesWrittenByNetpbm) {
    for (const char* f : {"netpbm.bmp", "netpbm.png", "netpbm.gif", "netpbm.tif", "netpbm.jpg"}) {
        SCOPED_TRACE(f);
        TIEImageIO io;
        io.LoadFromFileAuto(DataDir() + f);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.IEBitmap()->Width(), 24);
        const int tol = std::string(f).find(".jpg") != std::string::npos ? 2 : 0;
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + std::string(f) + ".rgba"), tol), 0);
    }
}

// A TIFF-structured camera file (DNG version tag) is not taken for a TIFF image.
TEST(ImageIO, CameraTIFFIsNotPlainTIFF) {
    std::vector<uint8_t> f = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0xC6, 1, 0, 4, 0, 0, 0, 1, 4, 0, 0, 0, 0, 0, 0};
    f.resize(40, 0);
    TIEMemStream ms(f.data(), static_cast<int64_t>(f.size()));
    EXPECT_NE(FindStreamFormat(ms), ioTIFF);
    EXPECT_EQ(ms.Position(), 0);
}

TEST(ImageIO, HeaderOnlyResolutionMatchesIdentify) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    for (const char* name : {"d.bmp", "d.png", "d.jpg", "d.tif"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(iotest::Run("convert rose: -units PixelsPerInch -density 150x96 '" + (dir / name) + "'"), 0);
        TIEImageIO io;
        io.ParamsFromFile(dir / name);
        std::string cmd = "identify -units PixelsPerInch -format '%x %y' '" + (dir / name) + "' > '" + (dir / "id") + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        auto id = ReadAll(dir / "id");
        double x = 0, y = 0;
        ASSERT_EQ(std::sscanf(std::string(id.begin(), id.end()).c_str(), "%lf %lf", &x, &y), 2);
        EXPECT_NEAR(io.Params->DpiX, x, 1.0);
        EXPECT_NEAR(io.Params->DpiY, y, 1.0);
        EXPECT_EQ(io.Params->Width, 70);
    }
}

// The orientation switches of the JPEG and TIFF readers against ImageMagick's
// -auto-orient: off, the pixels stay as stored; on, every orientation 1..8 turns
// the image as ImageMagick turns it. A grid of 3 x 2 flat cells tells each of the
// eight apart; JPEG is compared at the cells' centres only.
TEST(ImageIO, OrientationSwitchesTurnTheImageAsTheFileSays) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    constexpr int Cell = 16, W = 3 * Cell, H = 2 * Cell;
    const TRGB Colours[6] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200},
                             {220, 220, 40}, {40, 220, 220}, {220, 40, 220}};
    TIEBitmap grid;
    grid.Allocate(W, H, ieRGB24);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) grid.SetPixelRGB24(x, y, Colours[(y / Cell) * 3 + x / Cell]);
    TempDir dir;
    struct {
        const char* Ext;
        std::function<void(TIOParamsVals&, bool)> Switch;
    } const formats[] = {
        {".jpg", [](TIOParamsVals& p, bool on) { p.EnableAdjustOrientation = on; }},
        {".tif", [](TIOParamsVals& p, bool on) { p.TIFFEnableAdjustOrientation = on; }},
    };
    for (const auto& f : formats) {
        const bool lossy = std::string(f.Ext) == ".jpg";
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(testing::Message() << f.Ext << " orientation " << orientation);
            const std::string file = dir / ("o" + std::to_string(orientation) + f.Ext);
            TIEImageIO w;
            w.SetTargetBitmap(&grid);
            w.Params->HasEXIFData = true;
            w.Params->SetExifOrientation(orientation);
            w.Params->JPEGQuality = 95;
            w.SaveToFile(file);
            ASSERT_FALSE(w.Aborting);

            for (bool on : {false, true}) {
                TIEImageIO r;
                f.Switch(*r.Params, on);
                r.LoadFromFile(file);
                ASSERT_FALSE(r.Aborting);
                TIEBitmap& got = *r.IEBitmap();
                const bool turned = on && orientation >= 5;
                ASSERT_EQ(got.Width(), turned ? H : W) << "switch " << on;
                ASSERT_EQ(got.Height(), turned ? W : H) << "switch " << on;
                std::vector<uint8_t> want;
                if (on) {
                    const std::string out = dir / "want.rgba";
                    ASSERT_EQ(iotest::Run("convert '" + file + "' -auto-orient -depth 8 rgba:'" + out + "'"), 0);
                    want = ReadAll(out);
                } else {
                    for (int y = 0; y < H; ++y)
                        for (int x = 0; x < W; ++x) {
                            TRGB c = grid.GetPixelRGB(x, y);
                            want.insert(want.end(), {c.r, c.g, c.b, 255});
                        }
                }
                ASSERT_EQ(want.size(), static_cast<size_t>(got.Width()) * got.Height() * 4);
                if (!lossy) {
                    EXPECT_EQ(CountDiffs(got, want, 0), 0) << "switch " << on;
                    continue;
                }
                for (int cy = Cell / 2; cy < got.Height(); cy += Cell)
                    for (int cx = Cell / 2; cx < got.Width(); cx += Cell) {
                        const uint8_t* p = &want[(static_cast<size_t>(cy) * got.Width() + cx) * 4];
                        TRGB c = got.GetPixelRGB(cx, cy);
                        EXPECT_NEAR(c.r, p[0], 8) << cx << "," << cy << " switch " << on;
                        EXPECT_NEAR(c.g, p[1], 8) << cx << "," << cy << " switch " << on;
                        EXPECT_NEAR(c.b, p[2], 8) << cx << "," << cy << " switch " << on;
                    }
            }
        }
    }
}

// One index for every multi-image format: a file of unknown extension, loaded by its
// content, gives the page or frame SetImageIndex names.
TEST(ImageIO, SetImageIndexPicksThePageOfEveryMultiImageFormat) {
    TempDir dir;
    const auto gifFrames = ReadAll(DataDir() + "anim3.gif.rgba");
    struct {
        const char* File;
        TIOFormatCode Type;
        std::function<void(TIEBitmap&, int)> Check;
    } const cases[] = {
        {"anim3.gif", ioGIF,
         [&](TIEBitmap& b, int i) {
             const size_t n = 320;  // 10 x 8 RGBA
             EXPECT_EQ(CountDiffs(b, std::vector<uint8_t>(gifFrames.begin() + i * n, gifFrames.begin() + (i + 1) * n), 0), 0);
         }},
        {"dcx3.dcx", ioDCX,
         [](TIEBitmap& b, int i) {
             EXPECT_EQ(CountDiffs(b, ReadAll(DataDir() + "dcx3.dcx." + std::to_string(i) + ".rgba"), 0), 0);
         }},
        {"ico_im.ico", ioICO,
         [](TIEBitmap& b, int i) {
             const int sizes[] = {256, 32, 16};
             EXPECT_EQ(b.Width(), sizes[i]);
         }},
        {"tif_3pages.tif", ioTIFF,
         [&](TIEBitmap& b, int i) {
             if (!HaveConvert()) return;
             EXPECT_EQ(CountDiffs(b, DecodeWithConvert(DataDir() + "tif_3pages.tif", dir / "t", i), 0), 0);
         }},
    };
    for (const auto& c : cases) {
        const std::string unnamed = dir / (std::string(c.File) + ".dat");
        std::filesystem::copy_file(DataDir() + c.File, unnamed);
        for (int index = 0; index < 3; ++index) {
            SCOPED_TRACE(testing::Message() << c.File << " image " << index);
            TIEImageIO io;
            io.Params->SetImageIndex(index);
            io.LoadFromFileAuto(unnamed);
            ASSERT_FALSE(io.Aborting);
            EXPECT_EQ(io.Params->FileType, c.Type);
            EXPECT_EQ(io.Params->ImageIndex, index);
            c.Check(*io.IEBitmap(), index);
        }
    }
}

// The reader's background: a GIF load takes the file's own; a PNG load keeps the one
// the component had (its bKGD chunk is written, not read).
TEST(ImageIO, BackgroundAfterALoad) {
    TempDir dir;
    const TRGB fill{0x30, 0x20, 0x10};  // blue, green, red
    TIEImageIO w;
    w.IEBitmap()->Allocate(4, 3, ieRGB24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) w.IEBitmap()->SetPixelRGB24(x, y, fill);
    w.Params->PNGBackground = TRGB{0x60, 0x50, 0x40};
    w.SaveToFile(dir / "bg.png");
    w.Params->GIFBackground = fill;
    w.SaveToFile(dir / "bg.gif");
    ASSERT_FALSE(w.Aborting);
    const TColor mine = static_cast<TColor>(0x0A0B0C);
    const std::pair<std::string, TColor> files[] = {{"bg.png", mine}, {"bg.gif", static_cast<TColor>(0x302010)}};
    for (const auto& [file, want] : files) {
        TIEImageIO r;
        r.SetBackground(mine);
        r.LoadFromFile(dir / file);
        ASSERT_FALSE(r.Aborting) << file;
        EXPECT_EQ(r.GetBackground(), want) << file;
    }
}
