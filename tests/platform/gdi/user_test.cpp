// DrawEdge bevels, focus rectangles, frame controls and DrawText layout.
#include <gtest/gtest.h>

#include <cstring>

#include "gdi_test_util.h"

namespace {

// Distinct system colours, so each pixel tells which colour drew it.
COLORREF TestSysColor(int Index) { return RGB(10 + Index * 7, 3, 5); }

class GdiUser : public testing::Test {
protected:
    void SetUp() override { GdiSetSysColorSource(TestSysColor); }
    void TearDown() override { GdiSetSysColorSource(nullptr); }
    static std::vector<std::pair<char, COLORREF>> Legend() {
        return {{'l', TestSysColor(COLOR_3DLIGHT)},     {'d', TestSysColor(COLOR_3DDKSHADOW)},
                {'h', TestSysColor(COLOR_BTNHIGHLIGHT)}, {'s', TestSysColor(COLOR_BTNSHADOW)},
                {'f', TestSysColor(COLOR_BTNFACE)},      {'.', RGB(255, 255, 255)},
                {'w', TestSysColor(COLOR_WINDOW)},       {'k', TestSysColor(COLOR_WINDOWFRAME)}};
    }
};

TEST_F(GdiUser, DrawEdgeBevelsOfEachEdgeKind) {
    struct TCase {
        UINT Edge;
        UINT Flags;
        const char* Map;
    };
    const TCase Cases[] = {
        {EDGE_RAISED, BF_RECT | BF_MIDDLE, "lllld\nlhhsd\nlhfsd\nlsssd\nddddd\n"},
        {EDGE_SUNKEN, BF_RECT | BF_MIDDLE, "ssssh\nsddlh\nsdflh\nslllh\nhhhhh\n"},
        {EDGE_ETCHED, BF_RECT | BF_MIDDLE, "ssssh\nshhsh\nshfsh\nssssh\nhhhhh\n"},
        {EDGE_BUMP, BF_RECT | BF_MIDDLE, "lllld\nlddld\nldfld\nlllld\nddddd\n"},
        {EDGE_RAISED, BF_RECT, "lllld\nlhhsd\nlh.sd\nlsssd\nddddd\n"},
        {BDR_RAISEDOUTER, BF_TOPLEFT, "lllll\nl....\nl....\nl....\nl....\n"},
        {BDR_SUNKENINNER, BF_BOTTOMRIGHT, "....l\n....l\n....l\n....l\nlllll\n"},
        {EDGE_SUNKEN, BF_RECT | BF_FLAT, "sssss\nsfffs\nsf.fs\nsfffs\nsssss\n"},
        {BDR_OUTER, BF_RECT | BF_MONO | BF_MIDDLE, "kkkkk\nkwwwk\nkwwwk\nkwwwk\nkkkkk\n"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "edge " << C.Edge << " flags " << C.Flags);
        TCanvas Cv(5, 5);
        RECT R{0, 0, 5, 5};
        ASSERT_TRUE(DrawEdge(Cv.Dc, &R, C.Edge, C.Flags));
        EXPECT_EQ(Cv.Map(Legend()), C.Map);
    }
    TCanvas Cv(8, 8);
    RECT R{1, 1, 7, 7};
    DrawEdge(Cv.Dc, &R, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(R.left, 3);
    EXPECT_EQ(R.bottom, 5);
    RECT Top{0, 0, 8, 8};
    DrawEdge(Cv.Dc, &Top, BDR_RAISEDOUTER, BF_TOP | BF_ADJUST);
    EXPECT_EQ(Top.top, 1);
    EXPECT_EQ(Top.left, 0);
}

TEST_F(GdiUser, FocusRectangleDrawnTwiceVanishes) {
    TCanvas Cv(6, 4);
    RECT R{0, 0, 6, 4};
    ASSERT_TRUE(DrawFocusRect(Cv.Dc, &R));
    EXPECT_EQ(Cv.Map({{'#', RGB(0, 0, 0)}, {'.', RGB(255, 255, 255)}}), "#.#.#.\n.....#\n#.....\n.#.#.#\n");
    DrawFocusRect(Cv.Dc, &R);
    EXPECT_EQ(Cv.Map({{'#', RGB(0, 0, 0)}, {'.', RGB(255, 255, 255)}}), "......\n......\n......\n......\n");
}

TEST_F(GdiUser, FrameControlsDrawTheirStates) {
    TCanvas Cv(13, 13);
    RECT R{0, 0, 13, 13};
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &R, DFC_BUTTON, DFCS_BUTTONCHECK));
    EXPECT_EQ(Cv.At(6, 6), TestSysColor(COLOR_WINDOW));
    EXPECT_EQ(Cv.At(0, 0), TestSysColor(COLOR_BTNSHADOW));
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &R, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED));
    EXPECT_EQ(Cv.At(5, 8), TestSysColor(COLOR_WINDOWTEXT));  // bottom of the tick
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &R, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE));
    EXPECT_EQ(Cv.At(5, 8), TestSysColor(COLOR_GRAYTEXT));
    EXPECT_EQ(Cv.At(10, 10), TestSysColor(COLOR_BTNFACE));
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &R, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED));
    EXPECT_EQ(Cv.At(5, 6), TestSysColor(COLOR_WINDOWTEXT));
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &R, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT));
    EXPECT_EQ(R.left, 2);
    EXPECT_EQ(Cv.At(0, 0), TestSysColor(COLOR_BTNHIGHLIGHT));  // soft raised edge
    RECT S{0, 0, 13, 13};
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &S, DFC_SCROLL, DFCS_SCROLLUP));
    EXPECT_EQ(Cv.At(6, 5), TestSysColor(COLOR_BTNTEXT));  // the arrow's tip
    EXPECT_EQ(Cv.At(6, 4), TestSysColor(COLOR_BTNFACE));
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &S, DFC_SCROLL, DFCS_SCROLLUP | DFCS_PUSHED));
    EXPECT_EQ(Cv.At(7, 6), TestSysColor(COLOR_BTNTEXT));  // pushed: one pixel down and right
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &S, DFC_CAPTION, DFCS_CAPTIONCLOSE));
    EXPECT_EQ(Cv.At(3, 3), TestSysColor(COLOR_BTNTEXT));
    ASSERT_TRUE(DrawFrameControl(Cv.Dc, &S, DFC_MENU, DFCS_MENUCHECK));
    EXPECT_EQ(Cv.At(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(Cv.At(5, 8), RGB(0, 0, 0));
    EXPECT_FALSE(DrawFrameControl(Cv.Dc, &S, 99, 0));
}

class GdiDrawText : public testing::Test {
protected:
    TCanvas Cv{200, 80};
    HFONT Font = nullptr;
    HGDIOBJ Old = nullptr;
    TEXTMETRICA Tm{};
    void SetUp() override {
        Font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
        Old = SelectObject(Cv.Dc, Font);
        SetBkMode(Cv.Dc, TRANSPARENT);
        GetTextMetrics(Cv.Dc, &Tm);
    }
    void TearDown() override {
        SelectObject(Cv.Dc, Old);
        DeleteObject(Font);
    }
    int Extent(const char* S) {
        SIZE Sz{};
        GetTextExtentPoint32(Cv.Dc, S, static_cast<int>(strlen(S)), &Sz);
        return Sz.cx;
    }
    RECT Calc(const char* S, UINT Format, int Width = 200) {
        RECT R{0, 0, Width, 0};
        DrawText(Cv.Dc, S, -1, &R, Format | DT_CALCRECT);
        return R;
    }
    bool InkIn(int X0, int Y0, int X1, int Y1) {
        for (int Y = Y0; Y < Y1; ++Y)
            for (int X = X0; X < X1; ++X)
                if (Cv.At(X, Y) == RGB(0, 0, 0)) return true;
        return false;
    }
};

TEST_F(GdiDrawText, CalcRectMeasuresLinesPrefixesAndTabs) {
    RECT R = Calc("Open file", DT_SINGLELINE);
    EXPECT_EQ(R.right, Extent("Open file"));
    EXPECT_EQ(R.bottom, Tm.tmHeight);
    EXPECT_EQ(Calc("&Open", DT_SINGLELINE).right, Extent("Open"));
    EXPECT_EQ(Calc("A&&B", DT_SINGLELINE).right, Extent("A&B"));
    EXPECT_EQ(Calc("&Open", DT_SINGLELINE | DT_NOPREFIX).right, Extent("&Open"));
    R = Calc("one\r\ntwo two\nthree", 0);
    EXPECT_EQ(R.bottom, 3 * Tm.tmHeight);
    EXPECT_EQ(R.right, std::max(Extent("two two"), Extent("three")));
    EXPECT_EQ(Calc("a\tb", DT_EXPANDTABS).right, 8 * Tm.tmAveCharWidth + Extent("b"));
    // Tab length from DRAWTEXTPARAMS (DT_TABSTOP's bits would clash with DT_CALCRECT).
    DRAWTEXTPARAMS P{sizeof(DRAWTEXTPARAMS), 4, 3, 0, 0};
    char Tab[] = "a\tb";
    RECT Rp{0, 0, 200, 0};
    DrawTextEx(Cv.Dc, Tab, -1, &Rp, DT_EXPANDTABS | DT_CALCRECT, &P);
    EXPECT_EQ(Rp.right, 3 + 4 * Tm.tmAveCharWidth + Extent("b"));
    EXPECT_EQ(P.uiLengthDrawn, 3u);
    // Word wrapping: each word on its own line in a narrow box.
    int W = Extent("three") + 2;
    R = Calc("one two three", DT_WORDBREAK, W);
    EXPECT_EQ(R.bottom, 3 * Tm.tmHeight);
    EXPECT_EQ(R.right, W);  // wrapped text keeps the width it was given
    EXPECT_EQ(Calc("one", DT_WORDBREAK, 150).right, Extent("one"));
    R = Calc("one two three", DT_WORDBREAK, Extent("one two") + 1);
    EXPECT_EQ(R.bottom, 2 * Tm.tmHeight);
}

TEST_F(GdiDrawText, AlignmentAndVerticalCentring) {
    RECT R{0, 0, 200, 40};
    int Height = DrawText(Cv.Dc, "Right", -1, &R, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
    int Top = (40 - Tm.tmHeight) / 2;
    EXPECT_EQ(Height, Top + Tm.tmHeight);
    EXPECT_FALSE(InkIn(0, 0, 200 - Extent("Right"), 80));
    EXPECT_TRUE(InkIn(200 - Extent("Right"), Top, 200, Top + Tm.tmHeight));
    EXPECT_FALSE(InkIn(0, 0, 200, Top));
    Cv.Fill_(RGB(255, 255, 255));
    RECT C{0, 0, 200, 40};
    DrawText(Cv.Dc, "Mid", -1, &C, DT_SINGLELINE | DT_CENTER);
    int L = (200 - Extent("Mid")) / 2;
    EXPECT_FALSE(InkIn(0, 0, L, 40));
    EXPECT_FALSE(InkIn(L + Extent("Mid"), 0, 200, 40));
}

TEST_F(GdiDrawText, PrefixUnderlinesOneCharacterAndHidePrefixDoesNot) {
    RECT R{10, 10, 200, 40};
    DrawText(Cv.Dc, "&Burn", -1, &R, DT_SINGLELINE);
    int Uy = 10 + Tm.tmAscent + 1;
    int Bw = Extent("B");
    for (int X = 10; X < 10 + Bw; ++X) EXPECT_EQ(Cv.At(X, Uy), RGB(0, 0, 0)) << X;
    EXPECT_FALSE(InkIn(10 + Bw, Uy, 10 + Extent("Burn"), Uy + 1));
    Cv.Fill_(RGB(255, 255, 255));
    DrawText(Cv.Dc, "&Burn", -1, &R, DT_SINGLELINE | DT_HIDEPREFIX);
    EXPECT_FALSE(InkIn(10, Uy, 10 + Bw, Uy + 1));
}

TEST_F(GdiDrawText, EllipsesKeepTheTextInsideTheBox) {
    const char* Long = "A rather long caption that cannot fit";
    int Max = 60;
    RECT R{0, 0, Max, 20};
    DrawText(Cv.Dc, Long, -1, &R, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_FALSE(InkIn(Max, 0, 200, 20));
    EXPECT_TRUE(InkIn(Max - Extent("..."), 0, Max, 20));
    RECT P = Calc("/home/user/Videos/holiday/file.mpg", DT_SINGLELINE | DT_PATH_ELLIPSIS, 110);
    EXPECT_LE(P.right, 110);
    EXPECT_GE(P.right, Extent(".../file.mpg"));
    // Short text is left alone.
    EXPECT_EQ(Calc("Ok", DT_SINGLELINE | DT_END_ELLIPSIS, 60).right, Extent("Ok"));
}

TEST_F(GdiDrawText, ClipsToTheRectangleUnlessNoClip) {
    RECT R{0, 0, 20, 20};
    DrawText(Cv.Dc, "WWWWWWWW", -1, &R, DT_SINGLELINE);
    EXPECT_FALSE(InkIn(20, 0, 200, 20));
    DrawText(Cv.Dc, "WWWWWWWW", -1, &R, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_TRUE(InkIn(20, 0, 200, 20));
    std::u16string Wide = u"\u00C9t\u00E9";
    RECT Rw{0, 0, 200, 0};
    RECT Ra{0, 0, 200, 0};
    DrawText(Cv.Dc, Wide.c_str(), -1, &Rw, DT_CALCRECT | DT_SINGLELINE);
    DrawText(Cv.Dc, "\xC3\x89t\xC3\xA9", -1, &Ra, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(Rw.right, Ra.right);
}

}  // namespace
