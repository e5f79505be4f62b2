// The bitmap resources the skin engine loads by name: the committed files are
// what the generator draws, and they load with their sizes and pixels through
// LoadBitmapA and TBitmap::LoadFromResourceName.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/classlib/formload.h"
#include "platform/classlib/graphics.h"
#include "platform/system/module.h"
#include "platform/win/winuser.h"
#include "tools/skingen/resource_bitmaps.h"

namespace {

COLORREF ColourOf(char C) {
    switch (C) {
        case 'S': return RGB(0xC0, 0xC0, 0xC0);
        case 'G': return RGB(0x80, 0x80, 0x80);
        case '#': return RGB(0, 0, 0);
        default: return RGB(0xFF, 0xFF, 0xFF);
    }
}

struct TCase {
    const char* Name;
    TPixelRows Rows;
    int Bits;
    TPixelFormat Format;
};

std::vector<TCase> Cases() {
    return {{"SKINMENU", SkinMenuRows(), 1, pf1bit},
            {"TRACK", TrackRows(), 4, pf4bit},
            {"TRACKVERT", TrackVertRows(), 4, pf4bit}};
}

TEST(SkinResourceBitmaps, CommittedFilesAreTheGeneratorsDrawings) {
    for (const auto& B : ResourceBitmaps()) {
        SCOPED_TRACE(B.FileName);
        std::ifstream In(std::string(TESSARO_SOURCE_DIR) + "/resources/bitmaps/" + B.FileName, std::ios::binary);
        ASSERT_TRUE(In.good());
        std::vector<uint8_t> Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
        EXPECT_EQ(Bytes, B.Data);
    }
}

TEST(SkinResourceBitmaps, TrackRowsAreTheBuiltInChannel) {
    // The channel pictures, rows from the top.
    EXPECT_EQ(TrackRows().Rows,
              (std::vector<std::string>{"SSGGGGGGGGGGGGWW", "SSWWWWWWWWWWWWWW", "GSWWWWWWWWWWWWWW", "SSWWWWWWWWWWWWWW"}));
    std::vector<std::string> Vert = {"SSGS", "SSSS"};
    Vert.insert(Vert.end(), 12, "GWWW");
    Vert.insert(Vert.end(), 2, "WWWW");
    EXPECT_EQ(TrackVertRows().Rows, Vert);
    // Four 16 x 16 glyphs, each with ink and none alike.
    TPixelRows Menu = SkinMenuRows();
    ASSERT_EQ(Menu.Rows.size(), 16u);
    std::vector<std::string> Glyphs(4);
    for (const auto& Row : Menu.Rows) {
        ASSERT_EQ(Row.size(), 64u);
        for (int G = 0; G < 4; ++G) Glyphs[G] += Row.substr(16 * G, 16);
    }
    for (int G = 0; G < 4; ++G) {
        EXPECT_NE(Glyphs[G].find('#'), std::string::npos) << G;
        for (int H = G + 1; H < 4; ++H) EXPECT_NE(Glyphs[G], Glyphs[H]);
    }
}

TEST(SkinResourceBitmaps, LoadBitmapGivesEachPictureItsSizeAndPixels) {
    for (const auto& C : Cases()) {
        SCOPED_TRACE(C.Name);
        HBITMAP H = LoadBitmapA(GetModuleHandleA(nullptr), C.Name);
        ASSERT_NE(H, nullptr);
        BITMAP Bm{};
        ASSERT_EQ(GetObjectA(H, sizeof Bm, &Bm), static_cast<int>(sizeof Bm));
        EXPECT_EQ(Bm.bmWidth, C.Rows.Width);
        EXPECT_EQ(Bm.bmHeight, static_cast<LONG>(C.Rows.Rows.size()));
        EXPECT_EQ(Bm.bmBitsPixel, C.Bits == 1 ? 1 : 32);  // a 1-bit file stays monochrome
        HDC Dc = CreateCompatibleDC(nullptr);
        HGDIOBJ Old = SelectObject(Dc, H);
        for (int Y = 0; Y < Bm.bmHeight; ++Y)
            for (int X = 0; X < Bm.bmWidth; ++X)
                ASSERT_EQ(GetPixel(Dc, X, Y), ColourOf(C.Rows.Rows[Y][X])) << X << "," << Y;
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        DeleteObject(H);
    }
    // Case-blind names, with or without the extension; the wide call too.
    for (const char* Name : {"track", "TrackVert.bmp"}) {
        HBITMAP H = LoadBitmapA(nullptr, Name);
        EXPECT_NE(H, nullptr) << Name;
        DeleteObject(H);
    }
    HBITMAP W = LoadBitmapW(nullptr, u"SKINMENU");
    EXPECT_NE(W, nullptr);
    DeleteObject(W);
    for (const char* Missing : {"NOSUCHBITMAP", ""}) EXPECT_EQ(LoadBitmapA(nullptr, Missing), nullptr) << Missing;
    EXPECT_EQ(LoadBitmapA(nullptr, reinterpret_cast<LPCSTR>(32754)), nullptr);  // numbered: none here
}

TEST(SkinResourceBitmaps, LoadFromResourceNameKeepsTheFilesPixelFormat) {
    for (const auto& C : Cases()) {
        SCOPED_TRACE(C.Name);
        TBitmap B;
        B.LoadFromResourceName(GetModuleHandleA(nullptr), C.Name);
        EXPECT_EQ(B.Width(), C.Rows.Width);
        EXPECT_EQ(B.Height(), static_cast<int>(C.Rows.Rows.size()));
        EXPECT_EQ(B.PixelFormat(), C.Format);
        for (int Y = 0; Y < B.Height(); ++Y)
            for (int X = 0; X < B.Width(); ++X)
                ASSERT_EQ(static_cast<COLORREF>(B.Canvas().Pixel(X, Y)), ColourOf(C.Rows.Rows[Y][X])) << X << "," << Y;
    }
    TBitmap B;
    EXPECT_THROW(B.LoadFromResourceName(nullptr, "NOSUCHBITMAP"), EResNotFound);
    EXPECT_THROW(B.LoadFromResourceName(nullptr, ""), EResNotFound);
}

}  // namespace
