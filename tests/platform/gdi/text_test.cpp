// Fonts and text: the face table, metrics, extents against drawn pixels, and a
// golden image of one line in each mapped face.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "gdi_test_util.h"

namespace {

const char* const Faces[] = {"Tahoma", "MS Sans Serif", "Arial", "Verdana", "Courier New"};

struct TFontScope {
    HDC Dc;
    HFONT Font;
    HGDIOBJ Old;
    TFontScope(HDC D, const char* Face, int Height, int Weight = FW_NORMAL, DWORD Quality = DEFAULT_QUALITY)
        : Dc(D) {
        Font = CreateFontA(Height, 0, 0, 0, Weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, Quality, 0, Face);
        Old = SelectObject(Dc, Font);
    }
    ~TFontScope() {
        SelectObject(Dc, Old);
        DeleteObject(Font);
    }
};

TEST(GdiFonts, FaceTableMapsRequestedFacesToFreeFaces) {
    struct TCase {
        const char* Face;
        LONG Weight;
        const char* FilePart;
    };
    const TCase Cases[] = {
        {"Arial", FW_NORMAL, "LiberationSans-Regular"},   {"arial", FW_BOLD, "LiberationSans-Bold"},
        {"MS Sans Serif", FW_NORMAL, "LiberationSans-"},  {"Courier New", FW_BOLD, "LiberationMono-Bold"},
        {"Verdana", FW_NORMAL, "DejaVuSans.ttf"},         {"Tahoma", FW_NORMAL, "DejaVuSansCondensed.ttf"},
        {"No Such Face At All", FW_NORMAL, "LiberationSans-Regular"},
    };
    for (const TCase& C : Cases) {
        char File[512];
        ASSERT_TRUE(GdiMappedFontFile(C.Face, C.Weight, false, File, sizeof(File))) << C.Face;
        EXPECT_NE(std::string(File).find(C.FilePart), std::string::npos) << C.Face << " -> " << File;
    }
}

TEST(GdiFonts, MetricsFollowTheRequestedHeight) {
    TCanvas C(10, 10);
    for (const char* Face : Faces) {
        SCOPED_TRACE(Face);
        {
            TFontScope F(C.Dc, Face, -11);  // 8 points at 96 dpi: an 11-pixel em
            TEXTMETRICA Tm;
            ASSERT_TRUE(GetTextMetrics(C.Dc, &Tm));
            EXPECT_EQ(Tm.tmHeight, Tm.tmAscent + Tm.tmDescent);
            EXPECT_EQ(Tm.tmHeight - Tm.tmInternalLeading, 11);
            EXPECT_GT(Tm.tmAveCharWidth, 2);
            char Name[LF_FACESIZE];
            ASSERT_GT(GetTextFace(C.Dc, LF_FACESIZE, Name), 0);
            EXPECT_STREQ(Name, Face);
        }
        {
            TFontScope F(C.Dc, Face, 20);  // positive: the cell height
            TEXTMETRICW Tm;
            ASSERT_TRUE(GetTextMetrics(C.Dc, &Tm));
            EXPECT_NEAR(Tm.tmHeight, 20, 1);
        }
    }
    {
        TFontScope F(C.Dc, "Courier New", -13);
        TEXTMETRICA Tm;
        GetTextMetrics(C.Dc, &Tm);
        EXPECT_EQ(Tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);  // the bit means variable pitch
        INT W[3];
        ASSERT_TRUE(GetCharWidth32(C.Dc, 'i', 'k', W));
        EXPECT_EQ(W[0], W[2]);
    }
}

// Columns [First, Last] that hold ink of Colour, or false.
bool InkColumns(const TCanvas& C, COLORREF Ink, int& First, int& Last) {
    First = C.W;
    Last = -1;
    for (int Y = 0; Y < C.H; ++Y)
        for (int X = 0; X < C.W; ++X)
            if (C.At(X, Y) == Ink) {
                First = std::min(First, X);
                Last = std::max(Last, X);
            }
    return Last >= 0;
}

TEST(GdiText, ExtentsMatchTheDrawnCell) {
    const char* Text = "Burn VIDEO_TS, 4.7 GB!";
    for (const char* Face : Faces) {
        SCOPED_TRACE(Face);
        TCanvas C(240, 30);
        TFontScope F(C.Dc, Face, -11);
        SIZE Ext;
        ASSERT_TRUE(GetTextExtentPoint32(C.Dc, Text, static_cast<int>(strlen(Text)), &Ext));
        TEXTMETRICA Tm;
        GetTextMetrics(C.Dc, &Tm);
        EXPECT_EQ(Ext.cy, Tm.tmHeight);
        // The opaque background covers exactly the extent.
        SetBkMode(C.Dc, OPAQUE);
        SetBkColor(C.Dc, RGB(255, 255, 0));
        SetTextColor(C.Dc, RGB(0, 0, 0));
        ASSERT_TRUE(TextOut(C.Dc, 7, 3, Text, static_cast<int>(strlen(Text))));
        int Lo, Hi;
        ASSERT_TRUE(InkColumns(C, RGB(255, 255, 0), Lo, Hi));
        EXPECT_EQ(Lo, 7);
        EXPECT_EQ(Hi, 7 + Ext.cx - 1);
        // And the glyphs lie inside it, reaching near its end.
        int GLo, GHi;
        ASSERT_TRUE(InkColumns(C, RGB(0, 0, 0), GLo, GHi));
        EXPECT_GE(GLo, 7);
        EXPECT_LE(GHi, 7 + Ext.cx - 1);
        EXPECT_GE(GHi, 7 + Ext.cx - 1 - Tm.tmAveCharWidth);
        // The wide call measures the same.
        SIZE W;
        ASSERT_TRUE(GetTextExtentPoint32(C.Dc, u"Burn VIDEO_TS, 4.7 GB!", 22, &W));
        EXPECT_EQ(W.cx, Ext.cx);
        // Right alignment ends the text at x.
        TCanvas R(240, 30);
        TFontScope F2(R.Dc, Face, -11);
        SetBkColor(R.Dc, RGB(255, 255, 0));
        SetTextAlign(R.Dc, TA_RIGHT | TA_TOP);
        TextOut(R.Dc, 230, 3, Text, static_cast<int>(strlen(Text)));
        ASSERT_TRUE(InkColumns(R, RGB(255, 255, 0), Lo, Hi));
        EXPECT_EQ(Hi, 229);
        EXPECT_EQ(Lo, 230 - Ext.cx);
    }
}

TEST(GdiText, ExtTextOutClipsToItsRectangle) {
    TCanvas C(60, 20);
    TFontScope F(C.Dc, "Arial", -14);
    SetBkMode(C.Dc, TRANSPARENT);
    RECT R{0, 0, 12, 20};
    ASSERT_TRUE(ExtTextOut(C.Dc, 2, 2, ETO_CLIPPED | ETO_OPAQUE, &R, "WWWWWW", 6, nullptr));
    int Lo, Hi;
    ASSERT_TRUE(InkColumns(C, RGB(0, 0, 0), Lo, Hi));
    EXPECT_LT(Hi, 12);
    // Without text, ETO_OPAQUE just fills the rectangle with the background colour.
    SetBkColor(C.Dc, RGB(9, 8, 7));
    RECT Fill{50, 5, 55, 8};
    ASSERT_TRUE(ExtTextOut(C.Dc, 0, 0, ETO_OPAQUE, &Fill, static_cast<LPCSTR>(nullptr), 0, nullptr));
    EXPECT_EQ(C.At(52, 6), RGB(9, 8, 7));
    EXPECT_EQ(C.At(55, 6), RGB(255, 255, 255));
    INT Fit = 0;
    SIZE S;
    ASSERT_TRUE(GetTextExtentExPointA(C.Dc, "WWWWWW", 6, 25, &Fit, nullptr, &S));
    SIZE One;
    GetTextExtentPoint32(C.Dc, "W", 1, &One);
    EXPECT_EQ(Fit, 25 / One.cx);
}

TEST(GdiText, GoldenLineInEachMappedFace) {
    const char* Line = "Tessaro: Burn 4.7 GB DVD-Video (\xC3\xA9t\xC3\xA9) &Ww";
    const int RowH = 18;
    TCanvas C(320, RowH * 2 * 5);
    SetBkMode(C.Dc, TRANSPARENT);
    SetTextColor(C.Dc, RGB(0, 0, 0));
    int Y = 2;
    for (const char* Face : Faces)
        for (int Bold = 0; Bold < 2; ++Bold) {
            TFontScope F(C.Dc, Face, -11, Bold ? FW_BOLD : FW_NORMAL);
            ASSERT_TRUE(TextOut(C.Dc, 3, Y, Line, static_cast<int>(strlen(Line))));
            Y += RowH;
        }
    std::string Golden = std::string(TESSARO_TEST_DATA) + "/gdi/text_faces.png";
    TGdiSurface* Drawn = GdiBitmapSurface(C.Bitmap);
    std::ifstream Probe(Golden);
    if (!Probe || std::getenv("TESSARO_UPDATE_GOLDEN")) {
        ASSERT_TRUE(GdiSaveSurfacePng(Drawn, Golden.c_str()));
        GTEST_SKIP() << "golden image written to " << Golden << "; commit it";
    }
    TGdiSurface* Want = GdiLoadSurfacePng(Golden.c_str());
    ASSERT_NE(Want, nullptr);
    ASSERT_EQ(GdiSurfaceWidth(Want), C.W);
    ASSERT_EQ(GdiSurfaceHeight(Want), C.H);
    int Diff = 0;
    for (int Yy = 0; Yy < C.H; ++Yy)
        for (int X = 0; X < C.W; ++X)
            if ((GdiSurfacePixels(Want)[Yy * GdiSurfaceStride(Want) + X] & 0xFFFFFF) !=
                (GdiSurfacePixels(Drawn)[Yy * GdiSurfaceStride(Drawn) + X] & 0xFFFFFF))
                ++Diff;
    if (Diff) {
        std::string Actual = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/text_faces.actual.png";
        GdiSaveSurfacePng(Drawn, Actual.c_str());
        ADD_FAILURE() << Diff << " pixels differ from " << Golden << "; drawn: " << Actual;
    }
    GdiDestroySurface(Want);
}

}  // namespace

namespace {

TEST(GdiText, EscapementTurnsTheLineCounterClockwise) {
    TCanvas C(60, 120);
    HFONT Up = CreateFontA(-13, 0, 900, 900, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    HGDIOBJ Old = SelectObject(C.Dc, Up);
    SetBkMode(C.Dc, TRANSPARENT);
    SetTextAlign(C.Dc, TA_BASELINE | TA_LEFT);
    const char* Text = "Grabber";
    SIZE Ext;
    GetTextExtentPoint32(C.Dc, Text, 7, &Ext);
    TEXTMETRICA Tm;
    GetTextMetrics(C.Dc, &Tm);
    ASSERT_TRUE(TextOut(C.Dc, 30, 110, Text, 7));
    int X0 = C.W, X1 = -1, Y0 = C.H, Y1 = -1;
    for (int Y = 0; Y < C.H; ++Y)
        for (int X = 0; X < C.W; ++X)
            if (C.At(X, Y) == RGB(0, 0, 0)) {
                X0 = std::min(X0, X);
                X1 = std::max(X1, X);
                Y0 = std::min(Y0, Y);
                Y1 = std::max(Y1, Y);
            }
    ASSERT_GE(X1, 0);
    // Reading upwards from (30, 110): the ink runs up the page, its glyph tops to the left of x = 30.
    EXPECT_LE(Y1, 111);
    EXPECT_NEAR(Y1 - Y0 + 1, Ext.cx, 3);
    EXPECT_GE(X0, 30 - Tm.tmAscent - 1);
    EXPECT_LE(X1, 30 + Tm.tmDescent + 1);
    EXPECT_LT(X0, 30);
    SelectObject(C.Dc, Old);
    DeleteObject(Up);
}

}  // namespace

namespace {

std::string DrawingFile(HDC Dc, uint32_t Code) {
    char File[512] = {};
    if (!GdiGlyphFontFile(Dc, Code, File, sizeof File)) return "?";
    return File;
}

// Characters the requested face lacks come from the fixed chain, so Japanese,
// Greek and emoji never draw as boxes, and each draws from the same face on
// every machine.
TEST(GdiText, MissingCharactersComeFromTheFallbackChain) {
    TCanvas C(10, 10);
    struct TCase {
        const char* Face;
        uint32_t Code;
        const char* FilePart;
    };
    const TCase Cases[] = {
        {"MS Sans Serif", 'A', "LiberationSans-Regular"},
        {"MS Sans Serif", 0x03BB, "LiberationSans-Regular"},  // Greek: the face has it
        {"MS Sans Serif", 0x2620, "DejaVuSans.ttf"},          // a symbol Liberation lacks
        {"MS Sans Serif", 0x65E5, "DroidSansFallback"},       // Japanese
        {"MS Sans Serif", 0x30D3, "DroidSansFallback"},       // katakana
        {"Verdana", 0x672C, "DroidSansFallback"},             // the face is the chain's first
        {"MS Sans Serif", 0x1F4C0, "Symbola"},                // an emoji above U+FFFF
        {"MS Sans Serif", 0x10FFFD, "LiberationSans-Regular"},  // nobody has it: the face's own box
    };
    for (const TCase& Case : Cases) {
        TFontScope F(C.Dc, Case.Face, -11);
        EXPECT_NE(DrawingFile(C.Dc, Case.Code).find(Case.FilePart), std::string::npos)
            << Case.Face << " U+" << std::hex << Case.Code << " -> " << DrawingFile(C.Dc, Case.Code);
    }
}

// What the chain draws is a real glyph: two different CJK characters give
// different pictures, and neither is the missing-character box.
TEST(GdiText, FallbackGlyphsAreDrawnNotBoxes) {
    auto Picture = [](const std::u16string& Text) {
        TCanvas C(40, 24);
        TFontScope F(C.Dc, "MS Sans Serif", -16);
        SetBkMode(C.Dc, TRANSPARENT);
        SetTextColor(C.Dc, RGB(0, 0, 0));
        TextOutW(C.Dc, 2, 2, reinterpret_cast<LPCWSTR>(Text.c_str()), static_cast<int>(Text.size()));
        SIZE Sz{};
        GetTextExtentPoint32W(C.Dc, reinterpret_cast<LPCWSTR>(Text.c_str()), static_cast<int>(Text.size()), &Sz);
        return std::make_pair(C.Map({{'.', RGB(255, 255, 255)}, {'#', RGB(0, 0, 0)}}), Sz.cx);
    };
    const auto Box = Picture(u"\U0010FFFD");
    const auto Sun = Picture(u"\u65E5");
    const auto Book = Picture(u"\u672C");
    const auto Disc = Picture(u"\U0001F4C0");
    EXPECT_NE(Sun.first, Box.first);
    EXPECT_NE(Book.first, Box.first);
    EXPECT_NE(Sun.first, Book.first);
    EXPECT_NE(Disc.first, Box.first);
    // CJK glyphs are full width: about the em.
    EXPECT_NEAR(Sun.second, 16, 2);
    EXPECT_GT(static_cast<int>(std::count(Sun.first.begin(), Sun.first.end(), '#')), 10);
}

}  // namespace
