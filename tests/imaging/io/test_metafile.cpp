// Metafiles played into the component's target: sizes, mapping, shapes, paths,
// the alpha key, and a drawing converted by pstoedit against gs's rendering.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "platform/classlib/testhooks.h"
#include "tests/imaging/io/iotest_util.h"

namespace {

using iotest::TempDir;

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEIOStartup();
    }
    void TearDown() override {
        IEIOShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// Records of an enhanced metafile, the header first.
struct TEmf {
    std::vector<uint8_t> B;
    void U32(uint32_t V) {
        for (int i = 0; i < 4; ++i) B.push_back(static_cast<uint8_t>(V >> (8 * i)));
    }
    void F32(float F) {
        uint32_t u;
        std::memcpy(&u, &F, 4);
        U32(u);
    }
    void Rec(uint32_t Type, std::initializer_list<int32_t> Data) {
        U32(Type);
        U32(static_cast<uint32_t>(8 + 4 * Data.size()));
        for (int32_t v : Data) U32(static_cast<uint32_t>(v));
    }
    // A frame of W x H pixels at 96 dpi on a 96 dpi reference device.
    TEmf(double W, double H) {
        U32(1);
        U32(88);
        for (int i = 0; i < 4; ++i) U32(0);  // bounds
        U32(0);
        U32(0);
        U32(static_cast<uint32_t>(W * 2540 / 96 + 0.5));
        U32(static_cast<uint32_t>(H * 2540 / 96 + 0.5));
        U32(0x464D4520);
        U32(0x10000);
        U32(0);  // size, patched at the end
        U32(0);
        U32(1);  // handles and reserved
        U32(0);
        U32(0);
        U32(0);
        U32(1920);  // a 96 dpi reference device: 1920 x 960 px over 508 x 254 mm
        U32(960);
        U32(508);
        U32(254);
    }
    std::vector<uint8_t> Done() {
        Rec(14, {0, 0, 20});
        const auto n = static_cast<uint32_t>(B.size());
        std::memcpy(&B[48], &n, 4);
        return B;
    }
};

std::string Write(const TempDir& D, const std::string& Name, const std::vector<uint8_t>& Data) {
    iotest::WriteAll(D / Name, Data);
    return D / Name;
}

TEST(ImportMetafile, SizesFromTheArgumentsAndTheFrame) {
    TempDir d;
    const std::string big = Write(d, "big.emf", TEmf(32000, 8000).Done());
    const std::string wide = Write(d, "wide.emf", TEmf(400, 100).Done());
    const std::string flat = Write(d, "flat.emf", TEmf(400, 0).Done());
    struct {
        std::string File;
        int W, H, OutW, OutH;
        bool Aborted;
    } cases[] = {
        {big, -1, -1, 16000, 4000, false}, {wide, 200, -1, 200, 50, false}, {wide, -1, 50, 200, 50, false},
        {wide, -1, -1, 400, 100, false},   {wide, 30, 70, 30, 70, false},   {flat, 200, -1, 0, 0, true},
        {flat, -1, 200, 0, 0, true},       {flat, -1, -1, 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File + " " + std::to_string(c.W) + "x" + std::to_string(c.H));
        TIEImageIO io;
        int finished = 0;
        io.OnFinishWork = [&](TObject*) { ++finished; };
        io.ImportMetafile(c.File, c.W, false, c.H);
        EXPECT_EQ(io.Aborting, c.Aborted);
        EXPECT_EQ(finished, 1);
        if (!c.Aborted) {
            EXPECT_EQ(io.IEBitmap()->Width(), c.OutW);
            EXPECT_EQ(io.IEBitmap()->Height(), c.OutH);
            EXPECT_EQ(io.Params->FileType, ioEMF);
            EXPECT_EQ(io.Params->Width, c.OutW);
        }
    }
    // A zero side asked for does nothing but notify.
    TIEImageIO io;
    int finished = 0;
    io.OnFinishWork = [&](TObject*) { ++finished; };
    io.ImportMetafile(wide, 0, false, 10);
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(io.IEBitmap()->IsEmpty());
    EXPECT_THROW(io.ImportMetafile(d / "missing.emf", -1, false, -1), Exception);
    EXPECT_EQ(finished, 2);
}

// A 200 x 100 picture in anisotropic units (window 2000 x 1000), a world
// transform halving x for the second shape, a path and a clip.
std::vector<uint8_t> Drawing() {
    TEmf e(200, 100);
    e.Rec(17, {8});               // MM_ANISOTROPIC
    e.Rec(9, {2000, 1000});       // window extent
    e.Rec(11, {200, 100});        // viewport extent
    e.Rec(39, {1, 0, 0x0000FF, 0});  // brush 1: red
    e.Rec(38, {2, 5, 0, 0, 0});      // pen 2: none
    e.Rec(37, {1});
    e.Rec(37, {2});
    e.Rec(43, {100, 100, 900, 900});  // red square 10..90 px
    e.Rec(39, {3, 0, 0x00FF00, 0});   // brush 3: green
    e.Rec(37, {3});
    // SETWORLDTRANSFORM: x halved, moved right by 1200 units.
    e.U32(35);
    e.U32(32);
    for (float f : {0.5f, 0.0f, 0.0f, 1.0f, 1200.0f, 0.0f}) e.F32(f);
    e.Rec(42, {0, 100, 1200, 900});  // ellipse: 120..180 px wide, 10..90 px high
    e.U32(36);  // MODIFYWORLDTRANSFORM to identity
    e.U32(36);
    for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) e.F32(f);
    e.U32(1);
    // A blue triangle as a path, clipped to y < 50 px.
    e.Rec(39, {4, 0, 0xFF0000, 0});
    e.Rec(37, {4});
    e.Rec(30, {0, 0, 2000, 500});
    e.Rec(59, {});
    e.Rec(27, {1000, 100});
    e.Rec(54, {1100, 900});
    e.Rec(54, {900, 900});
    e.Rec(61, {});
    e.Rec(60, {});
    e.Rec(62, {0, 0, 0, 0});
    return e.Done();
}

TEST(ImportMetafile, MappingShapesPathsAndClipping) {
    TempDir d;
    const std::string f = Write(d, "drawing.emf", Drawing());
    TIEImageIO io;
    io.SetBackground(0xFFFFFF);
    io.ImportMetafile(f, -1, true, -1);
    ASSERT_FALSE(io.Aborting);
    TIEBitmap* b = io.IEBitmap();
    ASSERT_EQ(b->Width(), 200);
    ASSERT_EQ(b->Height(), 100);
    auto at = [&](int x, int y) {
        const TRGB p = b->GetPixelRGB(x, y);
        return (p.r << 16) | (p.g << 8) | p.b;
    };
    EXPECT_EQ(at(30, 30), 0xFF0000);  // red square
    EXPECT_EQ(at(85, 85), 0xFF0000);
    EXPECT_EQ(at(150, 50), 0x00FF00);  // ellipse centre
    EXPECT_EQ(at(125, 50), 0x00FF00);
    EXPECT_EQ(at(119, 50), 0xFFFFFF);  // left of the halved ellipse
    EXPECT_EQ(at(185, 50), 0xFFFFFF);
    EXPECT_EQ(at(100, 40), 0x0000FF);  // triangle above the clip line
    EXPECT_EQ(at(100, 70), 0xFFFFFF);  // below it nothing
    EXPECT_EQ(at(5, 5), 0xFFFFFF);
    // The alpha key: untouched background is transparent, drawing opaque.
    ASSERT_TRUE(b->HasAlphaChannel());
    EXPECT_EQ(b->GetAlpha(5, 5), 0);
    EXPECT_EQ(b->GetAlpha(195, 95), 0);
    EXPECT_EQ(b->GetAlpha(30, 30), 255);
    EXPECT_EQ(b->GetAlpha(150, 50), 255);

    // Through LoadFromFile as well, at its own size.
    TIEImageIO io2;
    io2.LoadFromFile(f);
    EXPECT_EQ(io2.IEBitmap()->Width(), 200);
    EXPECT_EQ(io2.Params->FileType, ioEMF);
}

// A placeable 16-bit metafile: a box of 0..1000 units at 1000 units an inch.
TEST(ImportMetafile, SixteenBitMetafiles) {
    std::vector<uint8_t> w;
    auto u16 = [&](int v) {
        w.push_back(static_cast<uint8_t>(v));
        w.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(static_cast<int>(v & 0xFFFF));
        u16(static_cast<int>(v >> 16));
    };
    u32(0x9AC6CDD7);
    u16(0);
    for (int v : {0, 0, 1000, 500, 1000}) u16(v);
    u32(0);
    u16(0);  // checksum (unchecked)
    for (int v : {1, 9, 0x300}) u16(v);
    u32(0);
    u16(1);
    u32(0);
    u16(0);
    auto rec = [&](int fn, std::initializer_list<int> p) {
        u32(static_cast<uint32_t>(3 + p.size()));
        u16(fn);
        for (int v : p) u16(v);
    };
    rec(0x020C, {500, 1000});                 // window extent
    rec(0x02FC, {0, 0x00FF, 0x0000, 0});      // brush: red (BS_SOLID, COLORREF low, high, hatch)
    rec(0x012D, {0});
    rec(0x0324, {3, 100, 100, 900, 100, 500, 400});  // triangle
    rec(0, {});
    TempDir d;
    const std::string f = d / "tri.wmf";
    iotest::WriteAll(f, w);
    TIEImageIO io;
    io.SetBackground(0xFFFFFF);
    io.ImportMetafile(f, -1, false, -1);
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->FileType, ioWMF);
    ASSERT_EQ(io.IEBitmap()->Width(), 96);
    ASSERT_EQ(io.IEBitmap()->Height(), 48);
    const TRGB in = io.IEBitmap()->GetPixelRGB(48, 15), out = io.IEBitmap()->GetPixelRGB(5, 40);
    EXPECT_EQ(in.r, 255);
    EXPECT_EQ(in.g, 0);
    EXPECT_EQ(out.g, 255);
}

// pstoedit's enhanced metafile of a PostScript drawing against gs's rendering:
// flat interiors match exactly, edges (2 px) are not compared.
TEST(ImportMetafile, PstoeditDrawingMatchesGhostscript) {
    if (iotest::Run("pstoedit -help") != 0 && iotest::Run("which pstoedit") != 0) GTEST_SKIP() << "no pstoedit";
    TempDir d;
    const std::string ps = d / "drawing.ps";
    std::ofstream(ps) << "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 144 96\n"
                         "0 0 0 setrgbcolor newpath 0 0 moveto 144 0 lineto 144 96 lineto 0 96 lineto closepath fill\n"
                         "1 0 0 setrgbcolor newpath 12 12 moveto 60 12 lineto 60 60 lineto 12 60 lineto closepath fill\n"
                         "0 0 1 setrgbcolor newpath 100 48 30 0 360 arc closepath fill\n"
                         "0 1 0 setrgbcolor newpath 70 70 moveto 90 90 100 70 130 88 curveto 130 92 lineto 70 92 lineto"
                         " closepath fill\nshowpage\n";
    ASSERT_EQ(iotest::Run("pstoedit -f emf:-OO '" + ps + "' '" + d / "drawing.emf" + "'"), 0);
    ASSERT_EQ(iotest::Run("gs -q -dBATCH -dNOPAUSE -dSAFER -dEPSCrop -sDEVICE=ppmraw -r96 -dGraphicsAlphaBits=1 "
                          "-sOutputFile='" + d / "gs.ppm" + "' '" + ps + "'"),
              0);
    // gs at 96 dpi: 192 x 128.
    const std::vector<uint8_t> ppm = iotest::ReadAll(d / "gs.ppm");
    ASSERT_GT(ppm.size(), 192u * 128 * 3);
    const uint8_t* px = ppm.data() + ppm.size() - 192 * 128 * 3;
    TIEImageIO io;
    io.SetBackground(0x808080);
    io.ImportMetafile(d / "drawing.emf", 192, false, 128);
    ASSERT_FALSE(io.Aborting);
    TIEBitmap* b = io.IEBitmap();
    ASSERT_EQ(b->Width(), 192);
    ASSERT_EQ(b->Height(), 128);
    // Pixels whose 5 x 5 neighbourhood in gs's image is one colour are interior.
    auto gs = [&](int x, int y) {
        const uint8_t* p = px + (y * 192 + x) * 3;
        return (p[0] << 16) | (p[1] << 8) | p[2];
    };
    int compared = 0, wrong = 0;
    for (int y = 2; y < 126; ++y)
        for (int x = 2; x < 190; ++x) {
            const int c = gs(x, y);
            bool flat = true;
            for (int dy = -2; dy <= 2 && flat; ++dy)
                for (int dx = -2; dx <= 2 && flat; ++dx) flat = gs(x + dx, y + dy) == c;
            if (!flat) continue;
            ++compared;
            const TRGB p = b->GetPixelRGB(x, y);
            if (((p.r << 16) | (p.g << 8) | p.b) != c) ++wrong;
        }
    EXPECT_GT(compared, 192 * 128 / 2);
    EXPECT_EQ(wrong, 0) << "of " << compared;
}

}  // namespace
