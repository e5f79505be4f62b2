#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/classlib/graphics.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/pngimage.h"

namespace {

std::string Data(const char* name) { return std::string(TESSARO_TEST_DATA) + "/classlib/" + name; }

// Blue, green, red of a 24-bit bitmap's pixel.
std::array<int, 3> Px(TBitmap& b, int x, int y) {
    auto* p = static_cast<unsigned char*>(b.ScanLine(y)) + x * 3;
    return {p[0], p[1], p[2]};
}

void Fill(TBitmap& b, int blue, int green, int red) {
    for (int y = 0; y < b.Height(); ++y) {
        auto* p = static_cast<unsigned char*>(b.ScanLine(y));
        for (int x = 0; x < b.Width(); ++x) {
            p[x * 3] = static_cast<unsigned char>(blue);
            p[x * 3 + 1] = static_cast<unsigned char>(green);
            p[x * 3 + 2] = static_cast<unsigned char>(red);
        }
    }
}

TEST(Bitmap, NewPixelsAreWhiteAndResizingKeepsTheOverlap) {
    TBitmap b(3, 2, pf24bit);
    EXPECT_EQ(Px(b, 2, 1), (std::array<int, 3>{255, 255, 255}));
    auto* row = static_cast<unsigned char*>(b.ScanLine(1));
    row[0] = 10;
    row[1] = 20;
    row[2] = 30;
    b.SetSize(5, 4);
    EXPECT_EQ(Px(b, 0, 1), (std::array<int, 3>{10, 20, 30}));
    EXPECT_EQ(Px(b, 4, 3), (std::array<int, 3>{255, 255, 255}));
    EXPECT_THROW(b.ScanLine(4), ERangeError);
}

TEST(Bitmap, CanvasDrawsIntoTheRows) {
    TBitmap b(4, 4, pf24bit);
    b.Canvas().Brush().SetColor(RGB(200, 100, 50));
    b.Canvas().FillRect(Rect(1, 1, 3, 3));
    EXPECT_EQ(Px(b, 1, 1), (std::array<int, 3>{50, 100, 200}));
    EXPECT_EQ(Px(b, 2, 2), (std::array<int, 3>{50, 100, 200}));
    EXPECT_EQ(Px(b, 3, 3), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(b.Canvas().Pixel(1, 1), static_cast<TColor>(RGB(200, 100, 50)));
}

TEST(Bitmap, FilesRoundTripInEveryFormat) {
    auto dir = std::filesystem::temp_directory_path() / ("bmp rt " + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
        TBitmap b(5, 3, f);
        for (int y = 0; y < 3; ++y) {
            auto* p = static_cast<unsigned char*>(b.ScanLine(y));
            for (int i = 0; i < b.RowBytes(); ++i) p[i] = static_cast<unsigned char>(i * 37 + y * 11);
        }
        std::string file = (dir / ("f" + std::to_string(f) + ".bmp")).string();
        b.SaveToFile(file);
        TBitmap c;
        c.LoadFromFile(file);
        ASSERT_EQ(c.Width(), 5) << f;
        ASSERT_EQ(c.Height(), 3) << f;
        EXPECT_EQ(c.PixelFormat(), f);
        int used = (5 * (f == pf1bit ? 1 : f == pf4bit ? 4 : f == pf8bit ? 8 : f == pf16bit ? 16 : f == pf24bit ? 24 : 32) + 7) / 8;
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(0, std::memcmp(b.ScanLine(y), c.ScanLine(y), used)) << "format " << f << " row " << y;
        EXPECT_EQ(b.Palette().size(), c.Palette().size()) << f;
    }
    std::filesystem::remove_all(dir);
}

TEST(Bitmap, BadFilesAreRefused) {
    TBitmap good(4, 4, pf24bit);
    TMemoryStream ms;
    good.SaveToStream(ms);
    std::string bytes(static_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
    struct {
        const char* what;
        std::string data;
    } cases[] = {
        {"truncated rows", bytes.substr(0, bytes.size() - 10)},
        {"no signature", "XX" + bytes.substr(2)},
        {"too short", bytes.substr(0, 20)},
        {"huge width", bytes.substr(0, 18) + std::string("\xff\xff\xff\x7f", 4) + bytes.substr(22)},
    };
    for (const auto& c : cases) {
        TStringStream s(c.data);
        TBitmap b;
        EXPECT_THROW(b.LoadFromStream(s), EInvalidGraphic) << c.what;
    }
}

TEST(Jpeg, CompressesAtQuality90AndDecodesBack) {
    TBitmap b(32, 16, pf24bit);
    Fill(b, 40, 120, 200);
    TJPEGImage j;
    EXPECT_EQ(j.CompressionQuality, 90);
    j.Assign(b);
    TMemoryStream ms;
    j.SaveToStream(ms);
    ASSERT_GT(ms.Size(), 100);
    ms.SetPosition(0);
    TJPEGImage k;
    k.LoadFromStream(ms);
    EXPECT_EQ(k.Width(), 32);
    EXPECT_EQ(k.Height(), 16);
    TBitmap out;
    k.AssignTo(out);
    auto p = Px(out, 10, 8);
    EXPECT_NEAR(p[0], 40, 3);
    EXPECT_NEAR(p[1], 120, 3);
    EXPECT_NEAR(p[2], 200, 3);

    TStringStream bad(std::string("\xff\xd8\xff\xe0garbage", 11));
    TJPEGImage broken;
    EXPECT_THROW(broken.LoadFromStream(bad), EJPEG);
}

TEST(Png, TransparencyModesAndTheBlendFormula) {
    struct {
        const char* file;
        TPNGTransparencyMode mode;
    } modes[] = {{"alpha_2x2.png", ptmPartial}, {"colorkey_2x1.png", ptmBit}, {"palette_3x1.png", ptmBit}};
    for (const auto& m : modes) {
        TPngImage p;
        p.LoadFromFile(Data(m.file));
        EXPECT_EQ(p.TransparencyMode(), m.mode) << m.file;
    }

    // Alpha: every channel (o*a + (255-a)*b + 255) >> 8 over a background of (10, 20, 30).
    TPngImage a;
    a.LoadFromFile(Data("alpha_2x2.png"));
    TBitmap bg(4, 4, pf24bit);
    Fill(bg, 10, 20, 30);
    bg.Canvas().Draw(1, 1, a);
    auto blend = [](int o, int al, int b) { return (o * al + (255 - al) * b + 255) >> 8; };
    EXPECT_EQ(Px(bg, 0, 0), (std::array<int, 3>{10, 20, 30}));
    EXPECT_EQ(Px(bg, 1, 1), (std::array<int, 3>{blend(0, 255, 10), blend(0, 255, 20), blend(255, 255, 30)}));
    EXPECT_EQ(Px(bg, 2, 1), (std::array<int, 3>{blend(0, 128, 10), blend(255, 128, 20), blend(0, 128, 30)}));
    EXPECT_EQ(Px(bg, 1, 2), (std::array<int, 3>{10, 20, 30}));
    EXPECT_EQ(Px(bg, 2, 2), (std::array<int, 3>{blend(255, 64, 10), blend(255, 64, 20), blend(255, 64, 30)}));

    // A transparent colour leaves the background; other pixels replace it.
    TPngImage k;
    k.LoadFromFile(Data("colorkey_2x1.png"));
    TBitmap bg2(2, 1, pf24bit);
    Fill(bg2, 1, 2, 3);
    bg2.Canvas().Draw(0, 0, k);
    EXPECT_EQ(Px(bg2, 0, 0), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(Px(bg2, 1, 0), (std::array<int, 3>{1, 2, 3}));

    TPngImage t;
    EXPECT_THROW(t.LoadFromFile(Data("truncated.png")), EPNGError);
}

TEST(Png, BitmapRoundTripIsExact) {
    TBitmap b(3, 2, pf24bit);
    for (int y = 0; y < 2; ++y) {
        auto* p = static_cast<unsigned char*>(b.ScanLine(y));
        for (int i = 0; i < 9; ++i) p[i] = static_cast<unsigned char>(i * 29 + y);
    }
    TPngImage p;
    p.Assign(b);
    TMemoryStream ms;
    p.SaveToStream(ms);
    ms.SetPosition(0);
    TPngImage q;
    q.LoadFromStream(ms);
    EXPECT_EQ(q.TransparencyMode(), ptmNone);
    TBitmap out;
    q.AssignTo(out);
    for (int y = 0; y < 2; ++y) EXPECT_EQ(0, std::memcmp(b.ScanLine(y), out.ScanLine(y), 9));
}

TEST(Picture, ChoosesTheGraphicByExtension) {
    TPicture pic;
    pic.LoadFromFile(Data("alpha_2x2.png"));
    EXPECT_NE(dynamic_cast<TPngImage*>(pic.Graphic()), nullptr);
    EXPECT_EQ(pic.Width(), 2);
    EXPECT_THROW(pic.LoadFromFile(Data("alpha_2x2.xyz")), EInvalidGraphic);
}

}  // namespace

// BrushCopy: the key colour shows the brush (or, with a clear brush, what was
// there), every other pixel is copied, and a smaller target shrinks the source.
TEST(Canvas, BrushCopyReplacesTheKeyColourWithTheBrush) {
    TBitmap Src(4, 2);
    Fill(Src, 0x00, 0x80, 0x80);  // olive, the key
    Src.Canvas().SetPixel(1, 0, static_cast<TColor>(0x0000FF));  // red
    Src.Canvas().SetPixel(2, 1, static_cast<TColor>(0xFF0000));  // blue
    struct Case {
        const char* what;
        bool clear;
        TRect dest;
        std::array<int, 3> keyPixel;  // blue, green, red where the key was
    } Cases[] = {
        {"solid brush", false, TRect(0, 0, 4, 2), {0xFF, 0xFF, 0x00}},  // aqua brush
        {"clear brush", true, TRect(0, 0, 4, 2), {0x11, 0x22, 0x33}},   // the target's own colour
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TBitmap Dst(6, 4);
        Fill(Dst, 0x11, 0x22, 0x33);
        if (C.clear)
            Dst.Canvas().Brush().SetStyle(bsClear);
        else
            Dst.Canvas().Brush().SetColor(static_cast<TColor>(0xFFFF00));
        Dst.Canvas().BrushCopy(C.dest, Src, TRect(0, 0, 4, 2), static_cast<TColor>(0x008080));
        EXPECT_EQ(Px(Dst, 0, 0), C.keyPixel);
        EXPECT_EQ(Px(Dst, 3, 1), C.keyPixel);
        EXPECT_EQ(Px(Dst, 1, 0), (std::array<int, 3>{0x00, 0x00, 0xFF}));
        EXPECT_EQ(Px(Dst, 2, 1), (std::array<int, 3>{0xFF, 0x00, 0x00}));
        EXPECT_EQ(Px(Dst, 4, 0), (std::array<int, 3>{0x11, 0x22, 0x33}));  // outside the target
    }
    // A part of the source, stretched to twice its size.
    TBitmap Dst(6, 4);
    Fill(Dst, 0x11, 0x22, 0x33);
    Dst.Canvas().Brush().SetColor(static_cast<TColor>(0x00FF00));
    Dst.Canvas().BrushCopy(TRect(0, 0, 4, 2), Src, TRect(1, 0, 3, 1), static_cast<TColor>(0x008080));
    EXPECT_EQ(Px(Dst, 0, 0), (std::array<int, 3>{0x00, 0x00, 0xFF}));
    EXPECT_EQ(Px(Dst, 1, 1), (std::array<int, 3>{0x00, 0x00, 0xFF}));
    EXPECT_EQ(Px(Dst, 2, 0), (std::array<int, 3>{0x00, 0xFF, 0x00}));
    EXPECT_EQ(Px(Dst, 3, 1), (std::array<int, 3>{0x00, 0xFF, 0x00}));
}

// A caller that set up the canvas's DC for its own text (font, colours, brush)
// draws a graphic through the canvas in between: its text and fills come out
// as if the graphic had not been drawn, and the canvas keeps its own font.
TEST(Canvas, DrawingAGraphicLeavesTheCallersFontColoursAndBrush) {
    TBitmap Tile(4, 4);
    Fill(Tile, 0x00, 0xFF, 0x00);
    TBitmap Keyed(4, 4);
    Fill(Keyed, 0xFF, 0x00, 0xFF);
    Keyed.Canvas().SetPixel(1, 1, static_cast<TColor>(0x0000FF));
    Keyed.Transparent = true;
    Keyed.TransparentColor = static_cast<TColor>(0xFF00FF);
    TPngImage Png;
    Png.Assign(Tile);
    struct Case {
        const char* what;
        std::function<void(TCanvas&)> draw;
    } Cases[] = {
        {"nothing drawn", [](TCanvas&) {}},
        {"Draw", [&](TCanvas& C) { C.Draw(70, 2, Tile); }},
        {"StretchDraw", [&](TCanvas& C) { C.StretchDraw(TRect(70, 2, 78, 10), Tile); }},
        {"transparent bitmap", [&](TCanvas& C) { C.Draw(70, 12, Keyed); }},
        {"PNG", [&](TCanvas& C) { C.Draw(70, 12, Png); }},
    };
    std::vector<std::vector<std::array<int, 3>>> Pictures;
    for (const auto& Cs : Cases) {
        SCOPED_TRACE(Cs.what);
        TBitmap B(80, 24, pf24bit);
        TCanvas& C = B.Canvas();
        C.Font().SetSize(20);
        C.Font().SetColor(static_cast<TColor>(0x0000FF));
        C.Brush().SetColor(static_cast<TColor>(0x00FFFF));
        C.FillRect(TRect(0, 0, 80, 24));  // the canvas's objects are in the DC now
        const int CanvasTextHeight = C.TextHeight("Mg");
        HDC Dc = C.Handle();
        HGDIOBJ Font = GetStockObject(DEFAULT_GUI_FONT);
        HBRUSH Brush = CreateSolidBrush(RGB(0, 128, 0));
        SelectObject(Dc, Font);
        SelectObject(Dc, Brush);
        SetTextColor(Dc, RGB(0, 0, 255));
        SetBkColor(Dc, RGB(200, 200, 200));
        SetBkMode(Dc, TRANSPARENT);
        Cs.draw(C);
        EXPECT_EQ(GetCurrentObject(Dc, OBJ_FONT), Font);
        EXPECT_EQ(GetCurrentObject(Dc, OBJ_BRUSH), Brush);
        EXPECT_EQ(GetTextColor(Dc), RGB(0, 0, 255));
        EXPECT_EQ(GetBkColor(Dc), RGB(200, 200, 200));
        EXPECT_EQ(GetBkMode(Dc), TRANSPARENT);
        ::TextOutA(Dc, 2, 2, "Caption", 7);
        PatBlt(Dc, 56, 2, 8, 8, PATCOPY);
        std::vector<std::array<int, 3>> Left;  // what the caller drew, left of the graphics
        for (int Y = 0; Y < 24; ++Y)
            for (int X = 0; X < 70; ++X) Left.push_back(Px(B, X, Y));
        Pictures.push_back(Left);
        EXPECT_EQ(Px(B, 60, 5), (std::array<int, 3>{0x00, 0x80, 0x00}));
        SelectObject(Dc, GetStockObject(WHITE_BRUSH));
        DeleteObject(Brush);
        // The canvas's own text still uses its own font.
        EXPECT_EQ(C.TextHeight("Mg"), CanvasTextHeight);
        EXPECT_TRUE(Pictures.back() == Pictures.front()) << "the caller's text or fill changed";
    }
}

// A hatched brush draws only its lines: the ground between them, and behind
// text drawn with it, stays as it was. Solid and clear brushes are unchanged.
TEST(Canvas, HatchedBrushesLeaveTheGroundBetweenTheirLines) {
    const std::array<int, 3> Ground{0x11, 0x22, 0x33}, Red{0x00, 0x00, 0xFF};
    struct Case {
        TBrushStyle style;
        bool lines;   // some pixels take the brush colour
        bool ground;  // some pixels keep the ground
    } Cases[] = {
        {bsSolid, true, false},      {bsClear, false, true},     {bsHorizontal, true, true}, {bsVertical, true, true},
        {bsFDiagonal, true, true},   {bsBDiagonal, true, true},  {bsCross, true, true},      {bsDiagCross, true, true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(static_cast<int>(C.style));
        TBitmap B(16, 16, pf24bit);
        Fill(B, Ground[0], Ground[1], Ground[2]);
        B.Canvas().Brush().SetColor(static_cast<TColor>(0x0000FF));
        B.Canvas().Brush().SetStyle(C.style);
        B.Canvas().FillRect(TRect(0, 0, 16, 16));
        int Lines = 0, Kept = 0;
        for (int Y = 0; Y < 16; ++Y)
            for (int X = 0; X < 16; ++X) {
                auto P = Px(B, X, Y);
                if (P == Red)
                    ++Lines;
                else if (P == Ground)
                    ++Kept;
                else
                    ADD_FAILURE() << "pixel " << X << "," << Y << " is neither the brush nor the ground";
            }
        EXPECT_EQ(Lines > 0, C.lines);
        EXPECT_EQ(Kept > 0, C.ground);
    }
    // Text over a hatched brush has no box behind it.
    TBitmap B(60, 24, pf24bit);
    Fill(B, Ground[0], Ground[1], Ground[2]);
    B.Canvas().Brush().SetColor(static_cast<TColor>(0x0000FF));
    B.Canvas().Brush().SetStyle(bsCross);
    B.Canvas().Font().SetColor(static_cast<TColor>(0xFF0000));
    B.Canvas().TextOut(0, 0, "i");
    int Red2 = 0;
    for (int Y = 0; Y < 24; ++Y)
        for (int X = 0; X < 60; ++X) Red2 += Px(B, X, Y) == Red;
    EXPECT_EQ(Red2, 0);
}

// Assigning a font that differs at most in colour keeps the font handle (no new
// font lookup); any other difference makes a new one, which text measures with.
TEST(Font, AssigningTheSameFaceKeepsTheHandle) {
    TFont Base;
    Base.SetName("Tahoma");
    Base.SetSize(10);
    struct Case {
        const char* what;
        std::function<void(TFont&)> change;
        bool keeps;
    } Cases[] = {
        {"the same font", [](TFont&) {}, true},
        {"another colour", [](TFont& F) { F.SetColor(static_cast<TColor>(0x0000FF)); }, true},
        {"another size", [](TFont& F) { F.SetSize(12); }, false},
        {"bold", [](TFont& F) { F.SetStyle(TFontStyles{fsBold}); }, false},
        {"another name", [](TFont& F) { F.SetName("Courier New"); }, false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TBitmap B(80, 24, pf24bit);
        TCanvas& Cv = B.Canvas();
        Cv.Font().Assign(Base);
        const int Width = Cv.TextWidth("Caption");
        HFONT Before = Cv.Font().Handle();
        TFont Other;
        Other.Assign(Base);
        C.change(Other);
        int Notified = 0;
        auto Saved = Cv.Font().OnChange;
        Cv.Font().OnChange = [&](TObject* O) {
            ++Notified;
            Saved(O);
        };
        Cv.Font().Assign(Other);
        EXPECT_EQ(Notified, 1);
        EXPECT_EQ(Cv.Font().Color(), Other.Color());
        if (C.keeps) {
            EXPECT_EQ(Cv.Font().Handle(), Before);
            EXPECT_EQ(Cv.TextWidth("Caption"), Width);
        } else {
            EXPECT_NE(Cv.TextWidth("Caption"), Width) << "measured with the old face";
        }
        Cv.Font().OnChange = Saved;
    }
    // The colour of a kept handle reaches the text.
    TBitmap B(40, 24, pf24bit);
    Fill(B, 0xFF, 0xFF, 0xFF);
    B.Canvas().Font().Assign(Base);
    B.Canvas().Brush().SetStyle(bsClear);
    B.Canvas().TextOut(0, 0, "M");
    TFont Red;
    Red.Assign(Base);
    Red.SetColor(static_cast<TColor>(0x0000FF));
    B.Canvas().Font().Assign(Red);
    B.Canvas().TextOut(20, 0, "M");
    int RedPixels = 0;
    for (int Y = 0; Y < 24; ++Y)
        for (int X = 20; X < 40; ++X) RedPixels += Px(B, X, Y) == std::array<int, 3>{0x00, 0x00, 0xFF};
    EXPECT_GT(RedPixels, 5);
}
