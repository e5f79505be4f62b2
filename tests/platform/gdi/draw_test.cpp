// Exact pixels of blits, raster operations, regions, clipping, shapes and DIBs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "gdi_test_util.h"

namespace {

// Distinct per-pixel values so that every bit combination of P, S and D occurs.
uint32_t DestAt(int X, int Y) { return 0x00AA55F0u ^ static_cast<uint32_t>((X * 37 + Y * 91) * 0x010203); }
uint32_t SrcAt(int X, int Y) { return 0x00CC33A5u ^ static_cast<uint32_t>((X * 53 + Y * 17) * 0x030102); }
uint32_t PatAt(int X, int Y) { return ((X + Y) & 1) ? 0x00F00F3Cu : 0x000FF0C3u; }

COLORREF ToRef(uint32_t P) { return RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF); }

void Paint(TCanvas& C, uint32_t (*F)(int, int)) {
    for (int Y = 0; Y < C.H; ++Y)
        for (int X = 0; X < C.W; ++X) SetPixelV(C.Dc, X, Y, ToRef(F(X, Y)));
}

HBRUSH PatternBrush() {
    // (A compatible bitmap of a fresh memory DC would be monochrome.)
    TCanvas Pattern(4, 4);
    Paint(Pattern, PatAt);
    return CreatePatternBrush(Pattern.Bitmap);  // copies the bitmap
}

struct TRopCase {
    const char* Name;
    DWORD Rop;
    std::function<uint32_t(uint32_t P, uint32_t S, uint32_t D)> Expect;
};

TEST(GdiRop, EachNamedTernaryOperationOnA4x4Pattern) {
    const TRopCase Cases[] = {
        {"SRCCOPY", SRCCOPY, [](uint32_t, uint32_t S, uint32_t) { return S; }},
        {"SRCPAINT", SRCPAINT, [](uint32_t, uint32_t S, uint32_t D) { return S | D; }},
        {"SRCAND", SRCAND, [](uint32_t, uint32_t S, uint32_t D) { return S & D; }},
        {"SRCINVERT", SRCINVERT, [](uint32_t, uint32_t S, uint32_t D) { return S ^ D; }},
        {"SRCERASE", SRCERASE, [](uint32_t, uint32_t S, uint32_t D) { return S & ~D; }},
        {"NOTSRCCOPY", NOTSRCCOPY, [](uint32_t, uint32_t S, uint32_t) { return ~S; }},
        {"NOTSRCERASE", NOTSRCERASE, [](uint32_t, uint32_t S, uint32_t D) { return ~(S | D); }},
        {"MERGECOPY", MERGECOPY, [](uint32_t P, uint32_t S, uint32_t) { return P & S; }},
        {"MERGEPAINT", MERGEPAINT, [](uint32_t, uint32_t S, uint32_t D) { return ~S | D; }},
        {"PATCOPY", PATCOPY, [](uint32_t P, uint32_t, uint32_t) { return P; }},
        {"PATPAINT", PATPAINT, [](uint32_t P, uint32_t S, uint32_t D) { return P | ~S | D; }},
        {"PATINVERT", PATINVERT, [](uint32_t P, uint32_t, uint32_t D) { return P ^ D; }},
        {"DSTINVERT", DSTINVERT, [](uint32_t, uint32_t, uint32_t D) { return ~D; }},
        {"BLACKNESS", BLACKNESS, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
        {"WHITENESS", WHITENESS, [](uint32_t, uint32_t, uint32_t) { return 0xFFFFFFu; }},
    };
    HBRUSH Brush = PatternBrush();
    for (const TRopCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TCanvas Dst(4, 4), Src(4, 4);
        Paint(Dst, DestAt);
        Paint(Src, SrcAt);
        HGDIOBJ Old = SelectObject(Dst.Dc, Brush);
        ASSERT_TRUE(BitBlt(Dst.Dc, 0, 0, 4, 4, Src.Dc, 0, 0, Case.Rop));
        SelectObject(Dst.Dc, Old);
        for (int Y = 0; Y < 4; ++Y)
            for (int X = 0; X < 4; ++X)
                EXPECT_EQ(Dst.At(X, Y), ToRef(Case.Expect(PatAt(X, Y), SrcAt(X, Y), DestAt(X, Y)) & 0xFFFFFF))
                    << X << "," << Y;
    }
    DeleteObject(Brush);
}

TEST(GdiRop, AnyOf256TernaryCodesFollowsItsTruthTable) {
    // With P = F0, S = CC, D = AA in every channel the result byte is the code itself.
    HBRUSH Brush = CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0));
    TCanvas Src(1, 1, RGB(0xCC, 0xCC, 0xCC));
    for (int Code = 0; Code < 256; ++Code) {
        TCanvas Dst(1, 1, RGB(0xAA, 0xAA, 0xAA));
        SelectObject(Dst.Dc, Brush);
        ASSERT_TRUE(BitBlt(Dst.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, static_cast<DWORD>(Code) << 16));
        EXPECT_EQ(Dst.At(0, 0), RGB(Code, Code, Code)) << "code " << Code;
        SelectObject(Dst.Dc, GetStockObject(WHITE_BRUSH));
    }
    DeleteObject(Brush);
}

TEST(GdiRop, EachBinaryRasterOperationOfPaintRgn) {
    const std::function<uint32_t(uint32_t, uint32_t)> Expect[16] = {
        [](uint32_t, uint32_t) { return 0u; },                  // R2_BLACK
        [](uint32_t P, uint32_t D) { return ~(P | D); },        // R2_NOTMERGEPEN
        [](uint32_t P, uint32_t D) { return ~P & D; },          // R2_MASKNOTPEN
        [](uint32_t P, uint32_t) { return ~P; },                // R2_NOTCOPYPEN
        [](uint32_t P, uint32_t D) { return P & ~D; },          // R2_MASKPENNOT
        [](uint32_t, uint32_t D) { return ~D; },                // R2_NOT
        [](uint32_t P, uint32_t D) { return P ^ D; },           // R2_XORPEN
        [](uint32_t P, uint32_t D) { return ~(P & D); },        // R2_NOTMASKPEN
        [](uint32_t P, uint32_t D) { return P & D; },           // R2_MASKPEN
        [](uint32_t P, uint32_t D) { return ~(P ^ D); },        // R2_NOTXORPEN
        [](uint32_t, uint32_t D) { return D; },                 // R2_NOP
        [](uint32_t P, uint32_t D) { return ~P | D; },          // R2_MERGENOTPEN
        [](uint32_t P, uint32_t) { return P; },                 // R2_COPYPEN
        [](uint32_t P, uint32_t D) { return P | ~D; },          // R2_MERGEPENNOT
        [](uint32_t P, uint32_t D) { return P | D; },           // R2_MERGEPEN
        [](uint32_t, uint32_t) { return 0xFFFFFFu; },           // R2_WHITE
    };
    const uint32_t Pen = 0x3C5AF0;
    HBRUSH Brush = CreateSolidBrush(ToRef(Pen));
    HRGN All = CreateRectRgn(0, 0, 4, 4);
    for (int Mode = R2_BLACK; Mode <= R2_WHITE; ++Mode) {
        SCOPED_TRACE(Mode);
        TCanvas Dst(4, 4);
        Paint(Dst, DestAt);
        SelectObject(Dst.Dc, Brush);
        SetROP2(Dst.Dc, Mode);
        ASSERT_TRUE(PaintRgn(Dst.Dc, All));
        for (int Y = 0; Y < 4; ++Y)
            for (int X = 0; X < 4; ++X)
                EXPECT_EQ(Dst.At(X, Y), ToRef(Expect[Mode - 1](Pen, DestAt(X, Y)) & 0xFFFFFF)) << X << "," << Y;
        SelectObject(Dst.Dc, GetStockObject(WHITE_BRUSH));
    }
    DeleteObject(All);
    DeleteObject(Brush);
}

TEST(GdiBlit, MaskBltTakesForegroundWhereTheMaskIsSetAndBackgroundElsewhere) {
    // Rows of 16-bit words: 1001, 0110, 1111, 0000.
    const uint8_t Bits[8] = {0x90, 0, 0x60, 0, 0xF0, 0, 0x00, 0};
    HBITMAP Mask = CreateBitmap(4, 4, 1, 1, Bits);
    ASSERT_NE(Mask, nullptr);
    TCanvas Dst(4, 4, RGB(0, 0, 255)), Src(4, 4, RGB(255, 0, 0));
    HBRUSH Green = CreateSolidBrush(RGB(0, 255, 0));
    SelectObject(Dst.Dc, Green);
    ASSERT_TRUE(MaskBlt(Dst.Dc, 0, 0, 4, 4, Src.Dc, 0, 0, Mask, 0, 0, MAKEROP4(SRCCOPY, PATCOPY)));
    EXPECT_EQ(Dst.Map({{'S', RGB(255, 0, 0)}, {'P', RGB(0, 255, 0)}}), "SPPS\nPSSP\nSSSS\nPPPP\n");
    // Background "leave the destination": only the masked pixels change.
    TCanvas Dst2(4, 4, RGB(0, 0, 255));
    ASSERT_TRUE(MaskBlt(Dst2.Dc, 0, 0, 4, 4, Src.Dc, 0, 0, Mask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029)));
    EXPECT_EQ(Dst2.Map({{'S', RGB(255, 0, 0)}, {'D', RGB(0, 0, 255)}}), "SDDS\nDSSD\nSSSS\nDDDD\n");
    // With a mask offset the mask's rows shift.
    TCanvas Dst3(4, 2, RGB(0, 0, 255));
    ASSERT_TRUE(MaskBlt(Dst3.Dc, 0, 0, 4, 2, Src.Dc, 0, 0, Mask, 0, 1, MAKEROP4(SRCCOPY, 0x00AA0029)));
    EXPECT_EQ(Dst3.Map({{'S', RGB(255, 0, 0)}, {'D', RGB(0, 0, 255)}}), "DSSD\nSSSS\n");
    // A colour bitmap is no mask.
    EXPECT_FALSE(MaskBlt(Dst.Dc, 0, 0, 4, 4, Src.Dc, 0, 0, Dst.Bitmap, 0, 0, MAKEROP4(SRCCOPY, PATCOPY)));
    DeleteObject(Green);
    DeleteObject(Mask);
}

TEST(GdiBlit, MonochromeSourceTakesTextAndBackgroundColours) {
    const uint8_t Bits[4] = {0x80, 0, 0x40, 0};  // row 0: 10, row 1: 01
    HBITMAP Mono = CreateBitmap(2, 2, 1, 1, Bits);
    HDC MonoDc = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(MonoDc, Mono);
    TCanvas Dst(2, 2);
    SetTextColor(Dst.Dc, RGB(1, 2, 3));
    SetBkColor(Dst.Dc, RGB(200, 100, 50));
    ASSERT_TRUE(BitBlt(Dst.Dc, 0, 0, 2, 2, MonoDc, 0, 0, SRCCOPY));
    EXPECT_EQ(Dst.Map({{'B', RGB(200, 100, 50)}, {'T', RGB(1, 2, 3)}}), "BT\nTB\n");
    // Colour to monochrome: the source's background colour becomes white.
    SetBkColor(Dst.Dc, RGB(200, 100, 50));
    ASSERT_TRUE(BitBlt(MonoDc, 0, 0, 2, 2, Dst.Dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(MonoDc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(MonoDc, 1, 0), RGB(0, 0, 0));
    SelectObject(MonoDc, Old);
    DeleteDC(MonoDc);
    DeleteObject(Mono);
}

TEST(GdiBlit, OverlappingCopyWithinOneSurfaceScrollsCorrectly) {
    TCanvas C(4, 1);
    for (int X = 0; X < 4; ++X) SetPixelV(C.Dc, X, 0, RGB(X * 10, 0, 0));
    ASSERT_TRUE(BitBlt(C.Dc, 1, 0, 3, 1, C.Dc, 0, 0, SRCCOPY));
    EXPECT_EQ(C.At(1, 0), RGB(0, 0, 0));
    EXPECT_EQ(C.At(2, 0), RGB(10, 0, 0));
    EXPECT_EQ(C.At(3, 0), RGB(20, 0, 0));
}

TEST(GdiStretch, HalftoneReducesA2x2CheckerToItsAverage) {
    TCanvas Src(2, 2, RGB(0, 0, 0));
    SetPixelV(Src.Dc, 1, 0, RGB(255, 255, 255));
    SetPixelV(Src.Dc, 0, 1, RGB(255, 255, 255));
    TCanvas Dst(1, 1, RGB(1, 1, 1));
    EXPECT_EQ(SetStretchBltMode(Dst.Dc, HALFTONE), BLACKONWHITE);
    ASSERT_TRUE(StretchBlt(Dst.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Dst.At(0, 0), RGB(128, 128, 128));  // 127.5 rounds up
    // Without HALFTONE one source pixel is picked.
    SetStretchBltMode(Dst.Dc, COLORONCOLOR);
    ASSERT_TRUE(StretchBlt(Dst.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, 2, 2, SRCCOPY));
    COLORREF P = Dst.At(0, 0);
    EXPECT_TRUE(P == RGB(0, 0, 0) || P == RGB(255, 255, 255));
    // The default BLACKONWHITE keeps black when reducing, WHITEONBLACK keeps white.
    SetStretchBltMode(Dst.Dc, BLACKONWHITE);
    ASSERT_TRUE(StretchBlt(Dst.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Dst.At(0, 0), RGB(0, 0, 0));
    SetStretchBltMode(Dst.Dc, WHITEONBLACK);
    ASSERT_TRUE(StretchBlt(Dst.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Dst.At(0, 0), RGB(255, 255, 255));
}

TEST(GdiStretch, HalftoneThirdsWeighPartiallyCoveredPixels) {
    // 3 -> 2: each destination pixel covers one and a half source pixels.
    TCanvas Src(3, 1);
    SetPixelV(Src.Dc, 0, 0, RGB(0, 0, 0));
    SetPixelV(Src.Dc, 1, 0, RGB(90, 90, 90));
    SetPixelV(Src.Dc, 2, 0, RGB(240, 240, 240));
    TCanvas Dst(2, 1);
    SetStretchBltMode(Dst.Dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(Dst.Dc, 0, 0, 2, 1, Src.Dc, 0, 0, 3, 1, SRCCOPY));
    EXPECT_EQ(Dst.At(0, 0), RGB(30, 30, 30));    // (0 * 2 + 90) / 3
    EXPECT_EQ(Dst.At(1, 0), RGB(190, 190, 190));  // (90 + 240 * 2) / 3
}

TEST(GdiStretch, HalftoneEnlargementsAreTheAreaAverage) {
    // Destination pixels inside one source pixel take it as it is, those
    // straddling two average them; each case against the covered-area average
    // worked out here (rounded half up).
    const int SrcW = 3, SrcH = 2;
    TCanvas Src(SrcW, SrcH);
    Paint(Src, SrcAt);
    const SIZE Sizes[] = {{7, 5}, {7, 2}, {3, 5}, {9, 4}, {3, 2}};
    for (const SIZE& D : Sizes) {
        SCOPED_TRACE(testing::Message() << D.cx << "x" << D.cy);
        TCanvas Dst(D.cx, D.cy);
        SetStretchBltMode(Dst.Dc, HALFTONE);
        ASSERT_TRUE(StretchBlt(Dst.Dc, 0, 0, D.cx, D.cy, Src.Dc, 0, 0, SrcW, SrcH, SRCCOPY));
        // The share of source index J in destination index I, in 1/DstLen units.
        auto Share = [](int I, int J, int SrcLen, int DstLen) {
            int Lo = std::max(I * SrcLen, J * DstLen), Hi = std::min((I + 1) * SrcLen, (J + 1) * DstLen);
            return std::max(Hi - Lo, 0);
        };
        for (int Y = 0; Y < D.cy; ++Y)
            for (int X = 0; X < D.cx; ++X) {
                uint32_t Want = 0;
                for (int Shift : {0, 8, 16}) {
                    int Sum = 0;
                    for (int Sy = 0; Sy < SrcH; ++Sy)
                        for (int Sx = 0; Sx < SrcW; ++Sx)
                            Sum += static_cast<int>((SrcAt(Sx, Sy) >> Shift) & 0xFF) * Share(X, Sx, SrcW, D.cx) *
                                   Share(Y, Sy, SrcH, D.cy);
                    const int Total = SrcW * SrcH;
                    Want |= static_cast<uint32_t>((Sum + Total / 2) / Total) << Shift;
                }
                ASSERT_EQ(Dst.At(X, Y), ToRef(Want)) << X << "," << Y;
            }
    }
}

TEST(GdiStretch, NegativeWidthMirrors) {
    TCanvas Src(3, 1);
    for (int X = 0; X < 3; ++X) SetPixelV(Src.Dc, X, 0, RGB(X * 50, 0, 0));
    TCanvas Dst(3, 1);
    ASSERT_TRUE(StretchBlt(Dst.Dc, 2, 0, -3, 1, Src.Dc, 0, 0, 3, 1, SRCCOPY));
    EXPECT_EQ(Dst.At(0, 0), RGB(100, 0, 0));
    EXPECT_EQ(Dst.At(2, 0), RGB(0, 0, 0));
}

TEST(GdiRegion, CombineModesGiveTheExpectedPixelsAndTypes) {
    struct TCase {
        int Mode;
        int Type;
        const char* Map;
    };
    // A = (0,0)-(3,3), B = (1,1)-(4,4) on a 4x4 grid.
    const TCase Cases[] = {
        {RGN_AND, SIMPLEREGION, "....\n.##.\n.##.\n....\n"},
        {RGN_OR, COMPLEXREGION, "###.\n####\n####\n.###\n"},
        {RGN_XOR, COMPLEXREGION, "###.\n#..#\n#..#\n.###\n"},
        {RGN_DIFF, COMPLEXREGION, "###.\n#...\n#...\n....\n"},
        {RGN_COPY, SIMPLEREGION, "###.\n###.\n###.\n....\n"},
    };
    HRGN A = CreateRectRgn(0, 0, 3, 3), B = CreateRectRgn(1, 1, 4, 4);
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Mode);
        HRGN D = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(CombineRgn(D, A, B, C.Mode), C.Type);
        std::string Map;
        for (int Y = 0; Y < 4; ++Y, Map += '\n')
            for (int X = 0; X < 4; ++X) Map += PtInRegion(D, X, Y) ? '#' : '.';
        EXPECT_EQ(Map, C.Map);
        // The same pixels when the region fills a canvas.
        TCanvas Cv(4, 4);
        HBRUSH Black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        ASSERT_TRUE(FillRgn(Cv.Dc, D, Black));
        EXPECT_EQ(Cv.Map({{'#', RGB(0, 0, 0)}, {'.', RGB(255, 255, 255)}}), C.Map);
        DeleteObject(D);
    }
    HRGN Empty = CreateRectRgn(0, 0, 0, 0);
    HRGN D = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(D, A, Empty, RGN_AND), NULLREGION);
    RECT Box;
    EXPECT_EQ(GetRgnBox(B, &Box), SIMPLEREGION);
    EXPECT_EQ(Box.left, 1);
    EXPECT_EQ(Box.bottom, 4);
    EXPECT_EQ(CombineRgn(D, A, B, 9), ERROR);
    DeleteObject(D);
    DeleteObject(Empty);
    DeleteObject(A);
    DeleteObject(B);
}

TEST(GdiRegion, RegionDataRoundTripsThroughExtCreateRegion) {
    HRGN A = CreateEllipticRgn(0, 0, 20, 12);
    DWORD Size = GetRegionData(A, 0, nullptr);
    ASSERT_GT(Size, sizeof(RGNDATAHEADER));
    std::vector<char> Buffer(Size);
    auto* Data = reinterpret_cast<RGNDATA*>(Buffer.data());
    EXPECT_EQ(GetRegionData(A, Size - 1, Data), 0u);  // too small
    ASSERT_EQ(GetRegionData(A, Size, Data), Size);
    EXPECT_EQ(Data->rdh.iType, static_cast<DWORD>(RDH_RECTANGLES));
    HRGN B = ExtCreateRegion(nullptr, Size, Data);
    ASSERT_NE(B, nullptr);
    EXPECT_TRUE(EqualRgn(A, B));
    OffsetRgn(B, 1, 0);
    EXPECT_FALSE(EqualRgn(A, B));
    // A count that promises more rectangles than the buffer holds is refused.
    Data->rdh.nCount += 5;
    EXPECT_EQ(ExtCreateRegion(nullptr, Size, Data), nullptr);
    DeleteObject(A);
    DeleteObject(B);
}

TEST(GdiRegion, EllipseAndRoundRectRegionsAreSymmetric) {
    HRGN E = CreateEllipticRgn(0, 0, 10, 6);
    HRGN R = CreateRoundRectRgn(0, 0, 10, 8, 4, 4);
    for (HRGN Rg : {E, R}) {
        RECT Box;
        GetRgnBox(Rg, &Box);
        for (int Y = Box.top; Y < Box.bottom; ++Y)
            for (int X = Box.left; X < Box.right; ++X) {
                EXPECT_EQ(PtInRegion(Rg, X, Y), PtInRegion(Rg, Box.right - 1 - (X - Box.left), Y)) << X << "," << Y;
                EXPECT_EQ(PtInRegion(Rg, X, Y), PtInRegion(Rg, X, Box.bottom - 1 - (Y - Box.top))) << X << "," << Y;
            }
    }
    EXPECT_FALSE(PtInRegion(R, 0, 0));  // rounded corner
    EXPECT_TRUE(PtInRegion(R, 0, 4));
    EXPECT_TRUE(PtInRegion(E, 5, 3));
    EXPECT_FALSE(PtInRegion(E, 0, 0));
    DeleteObject(E);
    DeleteObject(R);
}

TEST(GdiClip, ClipRegionsLimitDrawingAndSaveDCRestoresThem) {
    TCanvas C(6, 4);
    HBRUSH Black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RECT All{0, 0, 6, 4};
    HRGN Clip = CreateRectRgn(1, 1, 5, 3);
    EXPECT_EQ(SelectClipRgn(C.Dc, Clip), SIMPLEREGION);
    int Saved = SaveDC(C.Dc);
    EXPECT_EQ(ExcludeClipRect(C.Dc, 2, 0, 4, 2), COMPLEXREGION);
    FillRect(C.Dc, &All, Black);
    const std::vector<std::pair<char, COLORREF>> L{{'#', RGB(0, 0, 0)}, {'.', RGB(255, 255, 255)}};
    EXPECT_EQ(C.Map(L), "......\n.#..#.\n.####.\n......\n");
    RECT Box;
    EXPECT_EQ(GetClipBox(C.Dc, &Box), COMPLEXREGION);
    EXPECT_EQ(Box.left, 1);
    EXPECT_EQ(Box.right, 5);
    ASSERT_TRUE(RestoreDC(C.Dc, Saved));
    C.Fill_(RGB(255, 255, 255));  // still clipped to (1,1)-(5,3)
    FillRect(C.Dc, &All, Black);
    EXPECT_EQ(C.Map(L), "......\n.####.\n.####.\n......\n");
    // The clip region is in device units: the window origin does not move it.
    SetWindowOrgEx(C.Dc, 1, 0, nullptr);
    EXPECT_EQ(IntersectClipRect(C.Dc, 0, 0, 3, 4), SIMPLEREGION);  // logical (0..3) = device (-1..2)
    GetClipBox(C.Dc, &Box);
    EXPECT_EQ(Box.left, 2);  // device 1 in logical units
    EXPECT_EQ(Box.right, 3);
    EXPECT_EQ(GetPixel(C.Dc, 4, 1), CLR_INVALID);  // outside the clip
    EXPECT_EQ(SelectClipRgn(C.Dc, nullptr), SIMPLEREGION);
    HRGN Out = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(C.Dc, Out), 0);
    DeleteObject(Out);
    DeleteObject(Clip);
}

TEST(GdiClip, SurfaceDCsClipToTheirVisibleRegionAndOffsetByTheirOrigin) {
    TGdiSurface* S = GdiCreateSurface(8, 4);
    HRGN Vis = CreateRectRgn(2, 0, 6, 4);
    HDC Dc = GdiCreateSurfaceDC(S, POINT{3, 1}, Vis);
    DeleteObject(Vis);  // the DC keeps its own copy
    RECT R{-10, -10, 10, 10};
    FillRect(Dc, &R, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPixelV(Dc, 0, 0, RGB(255, 0, 0));
    POINT Origin;
    EXPECT_EQ(GdiDCSurface(Dc, &Origin), S);
    EXPECT_EQ(Origin.x, 3);
    GdiReleaseSurfaceDC(Dc);
    EXPECT_EQ(GetObjectType(Dc), 0u);  // released: the handle is stale
    const uint32_t* P = GdiSurfacePixels(S);
    std::string Map;
    for (int Y = 0; Y < 4; ++Y, Map += '\n')
        for (int X = 0; X < 8; ++X) {
            uint32_t V = P[Y * GdiSurfaceStride(S) + X];
            Map += V == 0x00FF0000u ? 'R' : V == 0 ? '#' : '?';
        }
    // Cleared surface pixels are 0 too; only the red pixel at origin (3,1) tells where drawing landed.
    EXPECT_EQ(Map.substr(9 + 3, 1), "R");
    GdiDestroySurface(S);
}

TEST(GdiShapes, PolygonFillModesDifferInsideAStar) {
    const POINT Star[5] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
    for (int Mode : {ALTERNATE, WINDING}) {
        TCanvas C(21, 21);
        SelectObject(C.Dc, GetStockObject(NULL_PEN));
        SelectObject(C.Dc, GetStockObject(BLACK_BRUSH));
        SetPolyFillMode(C.Dc, Mode);
        ASSERT_TRUE(Polygon(C.Dc, Star, 5));
        EXPECT_EQ(C.At(10, 10), Mode == WINDING ? RGB(0, 0, 0) : RGB(255, 255, 255)) << Mode;
        EXPECT_EQ(C.At(10, 3), RGB(0, 0, 0));  // a point of the star
        EXPECT_EQ(C.At(1, 18), RGB(255, 255, 255));
        // The region of the same polygon covers the same pixels.
        HRGN Rg = CreatePolygonRgn(Star, 5, Mode);
        for (int Y = 0; Y < 21; ++Y)
            for (int X = 0; X < 21; ++X)
                ASSERT_EQ(PtInRegion(Rg, X, Y) != 0, C.At(X, Y) == RGB(0, 0, 0)) << X << "," << Y;
        DeleteObject(Rg);
    }
}

TEST(GdiShapes, RectangleOutlineInteriorAndNullPen) {
    TCanvas C(6, 5);
    HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(C.Dc, Red);
    ASSERT_TRUE(Rectangle(C.Dc, 0, 0, 5, 4));
    const std::vector<std::pair<char, COLORREF>> L{
        {'#', RGB(0, 0, 0)}, {'r', RGB(255, 0, 0)}, {'.', RGB(255, 255, 255)}};
    EXPECT_EQ(C.Map(L), "#####.\n#rrr#.\n#rrr#.\n#####.\n......\n");
    TCanvas N(6, 5);
    SelectObject(N.Dc, Red);
    SelectObject(N.Dc, GetStockObject(NULL_PEN));
    ASSERT_TRUE(Rectangle(N.Dc, 0, 0, 5, 4));
    EXPECT_EQ(N.Map(L), "rrrr..\nrrrr..\nrrrr..\n......\n......\n");
    SelectObject(C.Dc, GetStockObject(WHITE_BRUSH));
    SelectObject(N.Dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(Red);
}

TEST(GdiShapes, LinesLeaveOutTheirLastPixelAndXorTwiceRestores) {
    TCanvas C(5, 3);
    MoveToEx(C.Dc, 0, 1, nullptr);
    ASSERT_TRUE(LineTo(C.Dc, 4, 1));
    const std::vector<std::pair<char, COLORREF>> L{{'#', RGB(0, 0, 0)}, {'.', RGB(255, 255, 255)}};
    EXPECT_EQ(C.Map(L), ".....\n####.\n.....\n");
    POINT P;
    GetCurrentPositionEx(C.Dc, &P);
    EXPECT_EQ(P.x, 4);
    SetROP2(C.Dc, R2_NOT);
    const POINT Diag[3] = {{0, 0}, {4, 2}, {0, 2}};
    Polyline(C.Dc, Diag, 3);
    Polyline(C.Dc, Diag, 3);
    EXPECT_EQ(C.Map(L), ".....\n####.\n.....\n");
    int Calls = 0;
    LineDDA(0, 0, 3, 0, [](int, int, LPARAM D) { ++*reinterpret_cast<int*>(D); }, reinterpret_cast<LPARAM>(&Calls));
    EXPECT_EQ(Calls, 3);
}

TEST(GdiShapes, DashedPenLeavesGapsInTransparentMode) {
    TCanvas C(30, 1);
    HPEN Dash = CreatePen(PS_DASH, 1, RGB(0, 0, 0));
    SelectObject(C.Dc, Dash);
    SetBkMode(C.Dc, TRANSPARENT);
    MoveToEx(C.Dc, 0, 0, nullptr);
    LineTo(C.Dc, 30, 0);
    EXPECT_EQ(C.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(C.At(17, 0), RGB(0, 0, 0));
    EXPECT_EQ(C.At(18, 0), RGB(255, 255, 255));
    EXPECT_EQ(C.At(24, 0), RGB(0, 0, 0));
    SelectObject(C.Dc, GetStockObject(BLACK_PEN));
    DeleteObject(Dash);
}

TEST(GdiShapes, HatchBrushFollowsTheBrushOrigin) {
    TCanvas C(8, 8);
    HBRUSH H = CreateHatchBrush(HS_VERTICAL, RGB(0, 0, 0));
    SetBkMode(C.Dc, TRANSPARENT);
    RECT R{0, 0, 8, 8};
    FillRect(C.Dc, &R, H);
    int Col = -1;
    for (int X = 0; X < 8; ++X)
        if (C.At(X, 0) == RGB(0, 0, 0)) Col = X;
    ASSERT_GE(Col, 0);
    C.Fill_(RGB(255, 255, 255));
    SetBrushOrgEx(C.Dc, 2, 0, nullptr);
    FillRect(C.Dc, &R, H);
    EXPECT_EQ(C.At((Col + 2) % 8, 5), RGB(0, 0, 0));
    DeleteObject(H);
}

TEST(GdiHandles, StaleAndWrongKindHandlesAreRejected) {
    HBRUSH B = CreateSolidBrush(RGB(1, 2, 3));
    HPEN P = CreatePen(PS_SOLID, 1, 0);
    TCanvas C(2, 2);
    EXPECT_EQ(GetObjectType(B), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_TRUE(DeleteObject(B));
    EXPECT_EQ(GetObjectType(B), 0u);
    EXPECT_EQ(SelectObject(C.Dc, B), nullptr);
    EXPECT_FALSE(DeleteObject(B));
    RECT R{0, 0, 2, 2};
    EXPECT_EQ(FillRect(C.Dc, &R, B), 0);
    EXPECT_EQ(FillRect(C.Dc, &R, P), 0);  // a pen is no brush
    EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(P), 0, 0), CLR_INVALID);
    EXPECT_EQ(CombineRgn(P, P, P, RGN_OR), ERROR);
    // A selected object deleted by its owner stays usable by the DC until deselected.
    HGDIOBJ Old = SelectObject(C.Dc, P);
    EXPECT_TRUE(DeleteObject(P));
    MoveToEx(C.Dc, 0, 0, nullptr);
    EXPECT_TRUE(LineTo(C.Dc, 2, 0));
    SelectObject(C.Dc, Old);
    // A bitmap selected into a DC is not deleted.
    EXPECT_FALSE(DeleteObject(C.Bitmap));
    EXPECT_EQ(GetObjectType(GetStockObject(NULL_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_TRUE(DeleteObject(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(GetObjectType(GetStockObject(NULL_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
}

BITMAPINFO* DibInfo(std::vector<uint8_t>& Store, int W, int H, int Bpp, std::vector<RGBQUAD> Table = {}) {
    Store.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* Info = reinterpret_cast<BITMAPINFO*>(Store.data());
    Info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info->bmiHeader.biWidth = W;
    Info->bmiHeader.biHeight = H;
    Info->bmiHeader.biPlanes = 1;
    Info->bmiHeader.biBitCount = static_cast<WORD>(Bpp);
    Info->bmiHeader.biClrUsed = static_cast<DWORD>(Table.size());
    if (!Table.empty()) std::memcpy(Info->bmiColors, Table.data(), Table.size() * sizeof(RGBQUAD));
    return Info;
}

TEST(GdiDib, SectionsKeepTheCallersBitsInEveryFormat) {
    struct TCase {
        int Bpp;
        int Height;  // negative: top-down
    };
    const TCase Cases[] = {{1, 2}, {4, 2}, {8, -2}, {16, 2}, {24, 2}, {24, -2}, {32, 2}, {32, -2}};
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(testing::Message() << Case.Bpp << " bits, height " << Case.Height);
        std::vector<uint8_t> Store;
        BITMAPINFO* Info =
            DibInfo(Store, 3, Case.Height, Case.Bpp, Case.Bpp <= 8 ? std::vector<RGBQUAD>{{0, 0, 0, 0}, {0, 0, 255, 0}}
                                                                   : std::vector<RGBQUAD>{});
        void* Bits = nullptr;
        HBITMAP Bm = CreateDIBSection(nullptr, Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
        ASSERT_NE(Bm, nullptr);
        ASSERT_NE(Bits, nullptr);
        DIBSECTION Ds;
        ASSERT_EQ(GetObject(Bm, sizeof(Ds), &Ds), static_cast<int>(sizeof(Ds)));
        EXPECT_EQ(Ds.dsBm.bmBits, Bits);
        EXPECT_EQ(Ds.dsBm.bmBitsPixel, Case.Bpp);
        HDC Dc = CreateCompatibleDC(nullptr);
        HGDIOBJ Old = SelectObject(Dc, Bm);
        ASSERT_EQ(SetPixel(Dc, 2, 0, RGB(255, 0, 0)), RGB(255, 0, 0));  // top row, right pixel
        // The top row is the last row in memory for bottom-up DIBs.
        int Stride = ((3 * Case.Bpp + 31) / 32) * 4;
        const auto* Row = static_cast<const uint8_t*>(Bits) + (Case.Height > 0 ? Stride : 0);
        const auto* Other = static_cast<const uint8_t*>(Bits) + (Case.Height > 0 ? 0 : Stride);
        switch (Case.Bpp) {
            case 1: EXPECT_EQ(Row[0], 0x20); break;
            case 4: EXPECT_EQ(Row[1], 0x10); break;  // pixel 2: high nibble of byte 1
            case 8: EXPECT_EQ(Row[2], 1); break;
            case 16: EXPECT_EQ(Row[4] | (Row[5] << 8), 0x7C00); break;
            case 24: EXPECT_EQ(Row[8], 255); break;
            case 32: EXPECT_EQ(Row[10], 255); break;
        }
        EXPECT_EQ(Other[0], 0);
        // Bits written by the caller show up in drawing.
        if (Case.Bpp == 24) {
            const_cast<uint8_t*>(Other)[0] = 77;  // blue of the bottom-left (or second row) pixel
            EXPECT_EQ(GetPixel(Dc, 0, 1), RGB(0, 0, 77));
        }
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        DeleteObject(Bm);
    }
}

// What the caller wrote into a section's bits since the last drawing call stays,
// except where a call draws: also between the parts of one call (two bands of a
// region, the edges of a hollow rectangle) and beside a one-pixel line.
TEST(GdiDib, DrawingLeavesTheCallersBitsBesideWhatItDraws) {
    const int W = 20, H = 20;
    std::vector<uint8_t> Store;
    BITMAPINFO* Info = DibInfo(Store, W, H, 24);
    void* Bits = nullptr;
    HBITMAP Bm = CreateDIBSection(nullptr, Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    ASSERT_NE(Bm, nullptr);
    HDC Dc = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(Dc, Bm);
    HBRUSH Blue = CreateSolidBrush(RGB(0, 0, 255));
    HPEN BluePen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    const int Stride = ((W * 24 + 31) / 32) * 4;
    auto Px = [&](int X, int Y) {
        const uint8_t* P = static_cast<const uint8_t*>(Bits) + static_cast<size_t>(H - 1 - Y) * Stride + 3 * X;
        return RGB(P[2], P[1], P[0]);
    };
    HDC SrcDc = CreateCompatibleDC(nullptr);
    HBITMAP SrcBm = CreateCompatibleBitmap(Dc, W, H);
    HGDIOBJ OldSrc = SelectObject(SrcDc, SrcBm);
    RECT All{0, 0, W, H};
    FillRect(SrcDc, &All, Blue);
    auto CopyThroughPieces = [&](bool Stretch) {
        HRGN Clip = CreateRectRgn(0, 0, 4, H);
        for (RECT R : {RECT{6, 5, 9, 8}, RECT{12, 3, 16, 14}}) {
            HRGN Piece = CreateRectRgn(R.left, R.top, R.right, R.bottom);
            CombineRgn(Clip, Clip, Piece, RGN_OR);
            DeleteObject(Piece);
        }
        SelectClipRgn(Dc, Clip);
        if (Stretch)
            StretchBlt(Dc, 0, 0, W, H, SrcDc, 0, 0, W / 2, H / 2, SRCCOPY);
        else
            BitBlt(Dc, 0, 0, W, H, SrcDc, 0, 0, SRCCOPY);
        SelectClipRgn(Dc, nullptr);
        DeleteObject(Clip);
    };
    struct {
        const char* What;
        std::function<void()> Draw;
    } const Cases[] = {
        {"two bands of a region",
         [&] {
             HRGN A = CreateRectRgn(0, 0, W, 2), B = CreateRectRgn(0, 10, W, 12);
             CombineRgn(A, A, B, RGN_OR);
             FillRgn(Dc, A, Blue);
             DeleteObject(A);
             DeleteObject(B);
         }},
        {"a hollow rectangle",
         [&] {
             SelectObject(Dc, BluePen);
             SelectObject(Dc, GetStockObject(NULL_BRUSH));
             Rectangle(Dc, 2, 2, 18, 18);
         }},
        {"a line",
         [&] {
             SelectObject(Dc, BluePen);
             MoveToEx(Dc, 5, 0, nullptr);
             LineTo(Dc, 5, H);
         }},
        // Copies overwrite without reading: the gaps between the clip's
        // pieces of a row must still come back as the caller left them.
        {"a copy through three pieces of some rows", [&] { CopyThroughPieces(false); }},
        {"a stretch through three pieces of some rows", [&] { CopyThroughPieces(true); }},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        PatBlt(Dc, 0, 0, W, H, WHITENESS);  // what drawing last saw
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) {
                uint8_t* P = static_cast<uint8_t*>(Bits) + static_cast<size_t>(Y) * Stride + 3 * X;
                P[0] = 0;
                P[1] = 0;
                P[2] = 200;  // the caller's red
            }
        C.Draw();
        int Drawn = 0, Stale = 0;
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) {
                Drawn += Px(X, Y) == RGB(0, 0, 255);
                Stale += Px(X, Y) != RGB(0, 0, 255) && Px(X, Y) != RGB(200, 0, 0);
            }
        EXPECT_GT(Drawn, 0);
        EXPECT_EQ(Stale, 0);
    }
    SelectObject(SrcDc, OldSrc);
    DeleteObject(SrcBm);
    DeleteDC(SrcDc);
    SelectObject(Dc, Old);
    DeleteObject(Blue);
    DeleteObject(BluePen);
    DeleteDC(Dc);
    DeleteObject(Bm);
}

TEST(GdiDib, GetDIBitsAndSetDIBitsToDeviceAgreeOnBottomUpOrder) {
    TCanvas C(2, 2);
    SetPixelV(C.Dc, 0, 0, RGB(10, 20, 30));
    SetPixelV(C.Dc, 1, 1, RGB(40, 50, 60));
    std::vector<uint8_t> Store;
    BITMAPINFO* Info = DibInfo(Store, 2, 2, 24);
    std::vector<uint8_t> Bits(16, 0xEE);
    SelectObject(C.Dc, C.OldBitmap);  // GetDIBits wants the bitmap unselected... or at least works either way
    ASSERT_EQ(GetDIBits(C.Dc, C.Bitmap, 0, 2, Bits.data(), Info, DIB_RGB_COLORS), 2);
    SelectObject(C.Dc, C.Bitmap);
    // Bottom row first: (0,1) white, (1,1) = 40,50,60 as B,G,R.
    EXPECT_EQ(Bits[3], 60);
    EXPECT_EQ(Bits[4], 50);
    EXPECT_EQ(Bits[5], 40);
    EXPECT_EQ(Bits[8], 30);  // second scan line = top row
    TCanvas D(2, 2, RGB(0, 0, 0));
    ASSERT_EQ(SetDIBitsToDevice(D.Dc, 0, 0, 2, 2, 0, 0, 0, 2, Bits.data(), Info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(D.At(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(D.At(1, 1), RGB(40, 50, 60));
    // StretchDIBits doubles it.
    TCanvas E(4, 4, RGB(0, 0, 0));
    ASSERT_EQ(StretchDIBits(E.Dc, 0, 0, 4, 4, 0, 0, 2, 2, Bits.data(), Info, DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(E.At(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(E.At(3, 2), RGB(40, 50, 60));
    EXPECT_EQ(E.At(3, 0), RGB(255, 255, 255));
}

TEST(GdiGradient, HorizontalRectangleRunsFromColourToColour) {
    TCanvas C(4, 2);
    TRIVERTEX V[2] = {{0, 0, 0, 0, 0, 0}, {4, 2, 0xFF00, 0x8000, 0, 0}};
    GRADIENT_RECT R{0, 1};
    ASSERT_TRUE(GradientFill(C.Dc, V, 2, &R, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(C.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(C.At(2, 1), RGB(0x7F, 0x40, 0));
    EXPECT_EQ(C.At(3, 0), RGB(0xBF, 0x60, 0));
    GRADIENT_RECT Bad{0, 7};
    EXPECT_FALSE(GradientFill(C.Dc, V, 2, &Bad, 1, GRADIENT_FILL_RECT_V));
}

TEST(GdiAlpha, ConstantAlphaBlendsHalfway) {
    TCanvas Src(1, 1, RGB(200, 0, 100)), Dst(1, 1, RGB(0, 100, 100));
    BLENDFUNCTION F{AC_SRC_OVER, 0, 128, 0};
    ASSERT_TRUE(AlphaBlend(Dst.Dc, 0, 0, 1, 1, Src.Dc, 0, 0, 1, 1, F));
    EXPECT_EQ(Dst.At(0, 0), RGB(100, 50, 100));
}

TEST(GdiSurface, PngRoundTripKeepsPixels) {
    TGdiSurface* S = GdiCreateSurface(3, 2);
    uint32_t* P = GdiSurfacePixels(S);
    P[0] = 0x00102030;
    P[4] = 0x00FFEEDD;
    std::string File = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/gdi_png_roundtrip.png";
    ASSERT_TRUE(GdiSaveSurfacePng(S, File.c_str()));
    TGdiSurface* L = GdiLoadSurfacePng(File.c_str());
    ASSERT_NE(L, nullptr);
    EXPECT_EQ(GdiSurfaceWidth(L), 3);
    EXPECT_EQ(GdiSurfacePixels(L)[0], 0x00102030u);
    EXPECT_EQ(GdiSurfacePixels(L)[4], 0x00FFEEDDu);
    EXPECT_EQ(GdiLoadSurfacePng("/nonexistent/x.png"), nullptr);
    GdiDestroySurface(L);
    GdiDestroySurface(S);
    std::remove(File.c_str());
}

}  // namespace

namespace {

TEST(GdiThreads, WorkerThreadsCreateDrawAndDeleteObjectsTogether) {
    // The image library makes bitmaps and DCs on worker threads.
    std::atomic<int> Bad{0};
    std::vector<std::thread> Workers;
    for (int W = 0; W < 4; ++W)
        Workers.emplace_back([W, &Bad] {
            for (int I = 0; I < 100; ++I) {
                TCanvas C(16, 8);
                HBRUSH B = CreateSolidBrush(RGB(W * 40, I, 7));
                RECT R{0, 0, 16, 8};
                FillRect(C.Dc, &R, B);
                HFONT F = CreateFontA(-9, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
                HGDIOBJ Old = SelectObject(C.Dc, F);
                SetBkMode(C.Dc, TRANSPARENT);
                TextOutA(C.Dc, 0, 0, "x", 1);
                SelectObject(C.Dc, Old);
                DeleteObject(F);
                if (C.At(15, 7) != RGB(W * 40, I, 7)) ++Bad;
                DeleteObject(B);
                if (GetObjectType(B) != 0) ++Bad;
            }
        });
    for (auto& T : Workers) T.join();
    EXPECT_EQ(Bad.load(), 0);
}

}  // namespace

namespace {

TEST(GdiSurface, ADCFollowsItsSurfaceWhenTheWindowLayerResizesIt) {
    TGdiSurface* S = GdiCreateSurface(4, 4);
    GdiSurfacePixels(S)[5] = 0x00123456;
    HDC Dc = GdiCreateSurfaceDC(S, POINT{0, 0}, nullptr);
    RECT Big{0, 0, 100, 100};
    FillRect(Dc, &Big, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));  // builds the clip for 4x4
    GdiResizeSurface(S, 2, 8);
    EXPECT_EQ(GdiSurfaceWidth(S), 2);
    EXPECT_EQ(GdiSurfacePixels(S)[1], 0x00FFFFFFu);  // overlapping pixels kept
    FillRect(Dc, &Big, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));  // must not write past 2x8
    EXPECT_EQ(GdiSurfacePixels(S)[2 * 8 - 1], 0u);
    RECT Box;
    GetClipBox(Dc, &Box);
    EXPECT_EQ(Box.right, 2);
    EXPECT_EQ(Box.bottom, 8);
    GdiReleaseSurfaceDC(Dc);
    GdiDestroySurface(S);
}

}  // namespace

namespace {

TEST(GdiShapes, EllipseOutlineAndInteriorAreSymmetric) {
    TCanvas C(9, 7);
    HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(C.Dc, Red);
    ASSERT_TRUE(Ellipse(C.Dc, 0, 0, 9, 7));
    const std::vector<std::pair<char, COLORREF>> L{
        {'#', RGB(0, 0, 0)}, {'r', RGB(255, 0, 0)}, {'.', RGB(255, 255, 255)}};
    std::string Map = C.Map(L);
    // Mirror images left-right and top-bottom, an outline around a red interior.
    std::vector<std::string> Rows;
    for (size_t P = 0; P < Map.size(); P = Map.find('\n', P) + 1) Rows.push_back(Map.substr(P, Map.find('\n', P) - P));
    ASSERT_EQ(Rows.size(), 7u);
    for (int Y = 0; Y < 7; ++Y) {
        EXPECT_EQ(Rows[Y], std::string(Rows[Y].rbegin(), Rows[Y].rend())) << Map;
        EXPECT_EQ(Rows[Y], Rows[6 - Y]) << Map;
    }
    EXPECT_EQ(Rows[3][0], '#');
    EXPECT_EQ(Rows[3][4], 'r');
    EXPECT_EQ(Rows[0][0], '.');
    EXPECT_EQ(Map.find('?'), std::string::npos);
    SelectObject(C.Dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(Red);
}

TEST(GdiShapes, WidePenCoversItsWidthAcrossTheLine) {
    TCanvas C(12, 9);
    HPEN Wide = CreatePen(PS_SOLID, 3, RGB(0, 0, 255));
    SelectObject(C.Dc, Wide);
    MoveToEx(C.Dc, 2, 4, nullptr);
    LineTo(C.Dc, 9, 4);
    for (int X = 2; X <= 9; ++X)
        for (int Y = 3; Y <= 5; ++Y) EXPECT_EQ(C.At(X, Y), RGB(0, 0, 255)) << X << "," << Y;
    EXPECT_EQ(C.At(5, 2), RGB(255, 255, 255));
    EXPECT_EQ(C.At(5, 6), RGB(255, 255, 255));
    SelectObject(C.Dc, GetStockObject(BLACK_PEN));
    DeleteObject(Wide);
}

TEST(GdiState, SaveDCRestoresObjectsModesAndOrigins) {
    TCanvas C(4, 4);
    HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ OrigBrush = GetCurrentObject(C.Dc, OBJ_BRUSH);
    int Level = SaveDC(C.Dc);
    SelectObject(C.Dc, Red);
    SetROP2(C.Dc, R2_XORPEN);
    SetTextAlign(C.Dc, TA_UPDATECP);
    SetViewportOrgEx(C.Dc, 1, 2, nullptr);
    EXPECT_EQ(SaveDC(C.Dc), Level + 1);
    ASSERT_TRUE(RestoreDC(C.Dc, Level));
    EXPECT_EQ(GetCurrentObject(C.Dc, OBJ_BRUSH), OrigBrush);
    EXPECT_EQ(GetROP2(C.Dc), R2_COPYPEN);
    EXPECT_EQ(GetTextAlign(C.Dc), 0u);
    POINT P;
    GetViewportOrgEx(C.Dc, &P);
    EXPECT_EQ(P.x, 0);
    EXPECT_FALSE(RestoreDC(C.Dc, -1));  // nothing saved any more
    EXPECT_TRUE(DeleteObject(Red));
    // Coordinates: viewport and window origins move drawing in opposite senses.
    SetViewportOrgEx(C.Dc, 2, 0, nullptr);
    SetWindowOrgEx(C.Dc, 1, 0, nullptr);
    SetPixelV(C.Dc, 0, 0, RGB(0, 0, 0));
    EXPECT_EQ(C.At(1, 0), RGB(0, 0, 0));
    POINT Q{0, 0};
    LPtoDP(C.Dc, &Q, 1);
    EXPECT_EQ(Q.x, 1);
    DPtoLP(C.Dc, &Q, 1);
    EXPECT_EQ(Q.x, 0);
    EXPECT_EQ(GetDeviceCaps(C.Dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(C.Dc, HORZRES), 1280);
    HDC Fresh = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(Fresh, BITSPIXEL), 32);  // the display's depth, not the 1x1 bitmap's
    DeleteDC(Fresh);
}

TEST(GdiDib, PaletteIndexesAndEightBitReadBack) {
    HPALETTE Pal;
    {
        std::vector<uint8_t> Store(sizeof(LOGPALETTE) + 4 * sizeof(PALETTEENTRY));
        auto* Lp = reinterpret_cast<LOGPALETTE*>(Store.data());
        Lp->palVersion = 0x300;
        Lp->palNumEntries = 3;
        Lp->palPalEntry[0] = {0, 0, 0, 0};
        Lp->palPalEntry[1] = {10, 200, 30, 0};
        Lp->palPalEntry[2] = {250, 250, 250, 0};
        Pal = CreatePalette(Lp);
    }
    ASSERT_NE(Pal, nullptr);
    EXPECT_EQ(GetNearestPaletteIndex(Pal, RGB(12, 190, 40)), 1u);
    TCanvas C(2, 1);
    SelectPalette(C.Dc, Pal, FALSE);
    RealizePalette(C.Dc);
    SetPixelV(C.Dc, 0, 0, PALETTEINDEX(1));
    EXPECT_EQ(C.At(0, 0), RGB(10, 200, 30));
    // An 8-bit read-back of a 32-bit bitmap uses a standard table and nearest indexes.
    std::vector<uint8_t> Store(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* Info = reinterpret_cast<BITMAPINFO*>(Store.data());
    Info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info->bmiHeader.biWidth = 2;
    Info->bmiHeader.biHeight = -1;
    Info->bmiHeader.biPlanes = 1;
    Info->bmiHeader.biBitCount = 8;
    uint8_t Bits[4] = {};
    SetPixelV(C.Dc, 1, 0, RGB(255, 0, 0));
    ASSERT_EQ(GetDIBits(C.Dc, C.Bitmap, 0, 1, Bits, Info, DIB_RGB_COLORS), 1);
    const RGBQUAD& Q = Info->bmiColors[Bits[1]];
    EXPECT_EQ(Q.rgbRed, 255);
    EXPECT_EQ(Q.rgbGreen, 0);
    SelectPalette(C.Dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    DeleteObject(Pal);
}

}  // namespace

namespace {

TEST(GdiRects, HelpersFollowTheirContracts) {
    RECT A{0, 0, 10, 10}, B{5, 5, 15, 15}, Out;
    EXPECT_TRUE(IntersectRect(&Out, &A, &B));
    const RECT Both{5, 5, 10, 10};
    EXPECT_TRUE(EqualRect(&Out, &Both));
    RECT Far{20, 20, 30, 30};
    EXPECT_FALSE(IntersectRect(&Out, &A, &Far));
    EXPECT_TRUE(IsRectEmpty(&Out));
    EXPECT_TRUE(UnionRect(&Out, &A, &Far));
    EXPECT_EQ(Out.right, 30);
    RECT Empty{3, 3, 3, 9};
    EXPECT_TRUE(UnionRect(&Out, &Empty, &A));
    EXPECT_EQ(Out.left, 0);  // an empty rectangle adds nothing
    // SubtractRect only cuts when the rest stays a rectangle.
    RECT Left{0, 0, 4, 10};
    EXPECT_TRUE(SubtractRect(&Out, &A, &Left));
    EXPECT_EQ(Out.left, 4);
    EXPECT_EQ(Out.right, 10);
    RECT Middle{3, 3, 6, 6};
    EXPECT_TRUE(SubtractRect(&Out, &A, &Middle));
    EXPECT_TRUE(EqualRect(&Out, &A));
    EXPECT_FALSE(SubtractRect(&Out, &A, &A));
    EXPECT_TRUE(PtInRect(&A, POINT{0, 9}));
    EXPECT_FALSE(PtInRect(&A, POINT{10, 0}));  // right and bottom are outside
    InflateRect(&A, 1, 2);
    EXPECT_EQ(A.top, -2);
    OffsetRect(&A, 1, 1);
    EXPECT_EQ(A.left, 0);
}

TEST(GdiBlit, TransparentBltSkipsTheKeyColour) {
    TCanvas Src(2, 1, RGB(255, 0, 255)), Dst(4, 2, RGB(0, 0, 255));
    SetPixelV(Src.Dc, 1, 0, RGB(0, 255, 0));
    ASSERT_TRUE(TransparentBlt(Dst.Dc, 0, 0, 4, 2, Src.Dc, 0, 0, 2, 1, RGB(255, 0, 255)));
    EXPECT_EQ(Dst.Map({{'b', RGB(0, 0, 255)}, {'g', RGB(0, 255, 0)}}), "bbgg\nbbgg\n");
}

TEST(GdiHandles, GetObjectDescribesEachKind) {
    HPEN P = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
    LOGPEN Lp;
    ASSERT_EQ(GetObject(P, sizeof(Lp), &Lp), static_cast<int>(sizeof(Lp)));
    EXPECT_EQ(Lp.lopnStyle, static_cast<UINT>(PS_DASH));
    EXPECT_EQ(Lp.lopnColor, RGB(1, 2, 3));
    HBRUSH B = CreateHatchBrush(HS_CROSS, RGB(4, 5, 6));
    LOGBRUSH Lb;
    GetObject(B, sizeof(Lb), &Lb);
    EXPECT_EQ(Lb.lbStyle, static_cast<UINT>(BS_HATCHED));
    EXPECT_EQ(Lb.lbHatch, static_cast<ULONG_PTR>(HS_CROSS));
    HFONT F = CreateFontW(-12, 0, 0, 0, FW_BOLD, 1, 0, 0, 0, 0, 0, 0, 0, u"Verdana");
    LOGFONTA La;
    LOGFONTW Lw;
    GetObjectA(F, sizeof(La), &La);
    GetObjectW(F, sizeof(Lw), &Lw);
    EXPECT_STREQ(La.lfFaceName, "Verdana");
    EXPECT_EQ(std::u16string(Lw.lfFaceName), u"Verdana");
    EXPECT_EQ(La.lfWeight, FW_BOLD);
    EXPECT_EQ(La.lfItalic, 1);
    EXPECT_EQ(GetObject(F, 0, nullptr), static_cast<int>(sizeof(LOGFONTA)));
    HBITMAP Bm = CreateBitmap(9, 3, 1, 1, nullptr);
    BITMAP Info;
    GetObject(Bm, sizeof(Info), &Info);
    EXPECT_EQ(Info.bmBitsPixel, 1);
    EXPECT_EQ(Info.bmWidthBytes, 2);
    HDC Mem = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetObjectType(Mem), static_cast<DWORD>(OBJ_MEMDC));
    DeleteDC(Mem);
    for (HGDIOBJ O : {HGDIOBJ(P), HGDIOBJ(B), HGDIOBJ(F), HGDIOBJ(Bm)}) EXPECT_TRUE(DeleteObject(O));
}

}  // namespace

namespace {

TEST(GdiStretch, ClippedStretchesComputeOnlyWhatShowsAndMatchTheFullOne) {
    TCanvas Src(7, 5);
    for (int Y = 0; Y < 5; ++Y)
        for (int X = 0; X < 7; ++X) SetPixelV(Src.Dc, X, Y, RGB(X * 36, Y * 60, (X * Y * 17) & 0xFF));
    for (int Mode : {HALFTONE, COLORONCOLOR, BLACKONWHITE}) {
        for (int Mirror : {1, -1}) {
            SCOPED_TRACE(testing::Message() << "mode " << Mode << " mirror " << Mirror);
            int X = Mirror > 0 ? 0 : 12, W = 13 * Mirror;
            TCanvas Full(13, 9), Clipped(13, 9);
            SetStretchBltMode(Full.Dc, Mode);
            SetStretchBltMode(Clipped.Dc, Mode);
            ASSERT_TRUE(StretchBlt(Full.Dc, X, 0, W, 9, Src.Dc, 0, 0, 7, 5, SRCCOPY));
            IntersectClipRect(Clipped.Dc, 3, 2, 10, 7);
            ASSERT_TRUE(StretchBlt(Clipped.Dc, X, 0, W, 9, Src.Dc, 0, 0, 7, 5, SRCCOPY));
            for (int Yy = 0; Yy < 9; ++Yy)
                for (int Xx = 0; Xx < 13; ++Xx) {
                    bool Inside = Xx >= 3 && Xx < 10 && Yy >= 2 && Yy < 7;
                    ASSERT_EQ(Clipped.At(Xx, Yy), Inside ? Full.At(Xx, Yy) : RGB(255, 255, 255)) << Xx << "," << Yy;
                }
        }
    }
    // A zoomed view: a huge destination of which a few pixels show.
    TCanvas View(8, 8);
    SetStretchBltMode(View.Dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(View.Dc, -70000, -50000, 70007, 50005, Src.Dc, 0, 0, 7, 5, SRCCOPY));
    EXPECT_EQ(View.At(0, 0), RGB(6 * 36, 4 * 60, (6 * 4 * 17) & 0xFF));
}

}  // namespace

namespace {

TEST(GdiDib, BitfieldsAndBottomUpSurfacesAddressRowsFromTheTop) {
    // 16 bits 5-6-5 through BI_BITFIELDS.
    std::vector<uint8_t> Store(sizeof(BITMAPINFOHEADER) + 3 * sizeof(DWORD));
    auto* Info = reinterpret_cast<BITMAPINFO*>(Store.data());
    Info->bmiHeader = {sizeof(BITMAPINFOHEADER), 2, -1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0};
    const DWORD Masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(Store.data() + sizeof(BITMAPINFOHEADER), Masks, sizeof(Masks));
    void* Bits = nullptr;
    HBITMAP Bm = CreateDIBSection(nullptr, Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    ASSERT_NE(Bm, nullptr);
    auto* P16 = static_cast<uint16_t*>(Bits);
    P16[1] = 0x07E0;  // pure green
    HDC Dc = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(Dc, Bm);
    EXPECT_EQ(GetPixel(Dc, 1, 0), RGB(0, 255, 0));
    SetPixelV(Dc, 0, 0, RGB(255, 0, 0));
    EXPECT_EQ(P16[0], 0xF800);
    SelectObject(Dc, Old);
    DeleteObject(Bm);
    // A bottom-up 32-bit section: its surface runs backwards through the caller's bits.
    std::vector<uint8_t> Store32;
    BITMAPINFO* Info32 = DibInfo(Store32, 3, 2, 32);
    Bm = CreateDIBSection(nullptr, Info32, DIB_RGB_COLORS, &Bits, nullptr, 0);
    SelectObject(Dc, Bm);
    SetPixelV(Dc, 2, 0, RGB(1, 2, 3));  // top row = last row in memory
    TGdiSurface* S = GdiBitmapSurface(Bm);
    EXPECT_EQ(GdiSurfaceStride(S), -3);
    EXPECT_EQ(GdiSurfacePixels(S)[0 * GdiSurfaceStride(S) + 2], 0x00010203u);
    EXPECT_EQ(static_cast<uint32_t*>(Bits)[3 + 2], 0x00010203u);
    SelectObject(Dc, Old);
    DeleteObject(Bm);
    DeleteDC(Dc);
}

}  // namespace
