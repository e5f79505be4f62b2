// Menu pages composed from the program's first template and made-up thumbnails.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <set>

#include "core/globals.h"
#include "pipeline/authoring.h"
#include "pipeline/menu_images.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/pngimage.h"

namespace fs = std::filesystem;

namespace {

class MenuImages : public ::testing::Test {
protected:
    void SetUp() override {
        saved = Options;
        dir = fs::temp_directory_path() / ("menu images " + std::to_string(::getpid()));
        fs::create_directories(dir);
        Options.TempDir = dir.string() + "/";
        Options.TemplateDir = std::string(TESSARO_APP_DIR) + "/template1/";
        Options.VideoFormat = 0;
        layout = ReadTemplateLayout(Options.TemplateDir + "dat.dat");
    }
    void TearDown() override {
        Options = saved;
        fs::remove_all(dir);
    }
    // A thumbnail of one flat colour, as the converter would leave it.
    void Thumb(int t, int r, int g, int b) {
        TBitmap bmp(150, 114, pf24bit);
        for (int y = 0; y < 114; ++y) {
            auto* p = static_cast<unsigned char*>(bmp.ScanLine(y));
            for (int x = 0; x < 150; ++x) {
                p[x * 3] = static_cast<unsigned char>(b);
                p[x * 3 + 1] = static_cast<unsigned char>(g);
                p[x * 3 + 2] = static_cast<unsigned char>(r);
            }
        }
        TJPEGImage j;
        j.Assign(bmp);
        j.SaveToFile(Options.TempDir + std::to_string(t) + ".jpg");
    }
    std::array<int, 3> JpegPixel(const std::string& file, int x, int y) {
        TJPEGImage j;
        j.LoadFromFile(file);
        TBitmap b;
        j.AssignTo(b);
        auto* p = static_cast<unsigned char*>(b.ScanLine(y)) + x * 3;
        return {p[2], p[1], p[0]};
    }
    static uint32_t PngRgb(const TPngImage& p, int x, int y) {
        const unsigned char* c = p.Pixel(x, y);
        return static_cast<uint32_t>(c[2]) << 16 | c[1] << 8 | c[0];
    }
    TOptions saved;
    fs::path dir;
    TTemplateLayout layout;
};

TEST_F(MenuImages, ThreeTitlesMakeTwoPagesWithButtonsAndMasks) {
    Thumb(0, 250, 10, 10);
    Thumb(1, 10, 250, 10);
    Thumb(2, 10, 10, 250);
    Options.TitleCount = 3;
    std::vector<int> progress;
    int waits = 0;
    ASSERT_TRUE(BuildMenuImages([&](int v) { progress.push_back(v); }, [&](int ms) { waits += ms; }));
    EXPECT_EQ(progress, (std::vector<int>{0, 10, 20, 30, 40, 50, 40, 80, 60, 70, 80, 90, 100}));
    EXPECT_EQ(waits, 8 * 500);
    for (int t = 0; t < 3; ++t) EXPECT_FALSE(fs::exists(dir / (std::to_string(t) + ".jpg"))) << "thumbnail " << t;

    // Page 0 carries titles 0 and 1 at the template's button places, page 1 title 2 only.
    auto near = [](std::array<int, 3> got, std::array<int, 3> want) {
        for (int i = 0; i < 3; ++i)
            if (std::abs(got[i] - want[i]) > 12) return false;
        return true;
    };
    EXPECT_TRUE(near(JpegPixel(Options.TempDir + "menu_0.jpg", layout.Button1X + 75, layout.Button1Y + 57), {250, 10, 10}));
    EXPECT_TRUE(near(JpegPixel(Options.TempDir + "menu_0.jpg", layout.Button2X + 75, layout.Button2Y + 57), {10, 250, 10}));
    EXPECT_TRUE(near(JpegPixel(Options.TempDir + "menu_1.jpg", layout.Button1X + 75, layout.Button1Y + 57), {10, 10, 250}));
    EXPECT_FALSE(near(JpegPixel(Options.TempDir + "menu_1.jpg", layout.Button2X + 75, layout.Button2Y + 57), {10, 250, 10}));

    // Masks: black everywhere but the button shapes, blue in the select mask and red in the highlight mask.
    for (const char* kind : {"blue", "red"}) {
        uint32_t colour = std::string(kind) == "blue" ? 0x0000FF : 0xFF0000;
        TPngImage m0, m1;
        m0.LoadFromFile(Options.TempDir + "menu_0_mask_" + kind + ".png");
        m1.LoadFromFile(Options.TempDir + "menu_1_mask_" + kind + ".png");
        ASSERT_EQ(m0.Width(), 720);
        ASSERT_EQ(m0.Height(), 576);
        EXPECT_EQ(m0.TransparencyMode(), ptmNone);
        int fx = layout.Button1X - layout.DiffX, fy = layout.Button1Y - layout.DiffY;
        EXPECT_EQ(PngRgb(m0, fx, fy), colour) << kind;              // frame ring
        EXPECT_EQ(PngRgb(m0, fx + 80, fy + 60), 0u) << kind;        // inside the ring
        EXPECT_EQ(PngRgb(m0, layout.Button2X - layout.DiffX, layout.Button2Y - layout.DiffY), colour) << kind;
        EXPECT_EQ(PngRgb(m1, layout.Button2X - layout.DiffX, layout.Button2Y - layout.DiffY), 0u) << kind;
        EXPECT_EQ(PngRgb(m1, 0, 0), 0u) << kind;
        // every page gets the three navigation buttons' marks
        for (int x : {layout.FirstX, layout.PreX, layout.NextX})
            EXPECT_EQ(PngRgb(m1, x + layout.FirstWidth / 2, layout.FirstY + layout.FirstHeight - 4), colour) << kind;
        std::set<uint32_t> colours;
        for (int y = 0; y < 576; y += 3)
            for (int x = 0; x < 720; x += 3) colours.insert(PngRgb(m0, x, y));
        EXPECT_EQ(colours, (std::set<uint32_t>{0u, colour})) << kind;
    }
}

TEST_F(MenuImages, AMissingThumbnailFailsAndStillDeletesTheOthers) {
    Thumb(0, 200, 200, 200);
    Thumb(2, 200, 200, 200);
    Options.TitleCount = 3;
    EXPECT_FALSE(BuildMenuImages(nullptr, nullptr));
    EXPECT_FALSE(fs::exists(dir / "0.jpg"));
    EXPECT_FALSE(fs::exists(dir / "2.jpg"));
    EXPECT_FALSE(fs::exists(dir / "menu_1.jpg"));
}

TEST_F(MenuImages, NtscUsesItsOwnBackgroundsAndOtherFormatsNone) {
    Options.VideoFormat = 1;
    EXPECT_EQ(MenuBackgroundFile(), Options.TemplateDir + "bg_ntsc.jpg");
    EXPECT_EQ(MenuBackgroundMaskFile(), Options.TemplateDir + "bg_ntsc_mask.png");
    Thumb(0, 1, 2, 3);
    Options.TitleCount = 1;
    ASSERT_TRUE(BuildMenuImages(nullptr, nullptr));
    TJPEGImage page;
    page.LoadFromFile(Options.TempDir + "menu_0.jpg");
    EXPECT_EQ(page.Height(), 480);
    Options.VideoFormat = 3;
    EXPECT_EQ(MenuBackgroundFile(), "");
    Thumb(0, 1, 2, 3);
    EXPECT_FALSE(BuildMenuImages(nullptr, nullptr));
}

}  // namespace
