// The built-in style table, its pictures and the shared drawing helpers.
#include <gtest/gtest.h>

#include "controls/skinned/sc_file_theme.h"
#include "controls/skinned/sc_form.h"
#include "controls/skinned/sc_helpers.h"
#include "controls/skinned/sc_style_table.h"
#include "platform/classlib/forms.h"
#include "sc_test_env.h"

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new ScTestEnv);

TEST(StyleTable, GettersAnswerByKindWithFallbacks) {
    struct TCase {
        TscUIStyle Style;
        int Key;
        int Integer;
        TColor Color;
        bool Bool;
    };
    // Integer, colour and flag getters over keys of each kind; a getter asked
    // for a key of another kind answers -1, 0 or false.
    const TCase Cases[] = {
        {WinXP, 7, 2, 0, false},             {BlueGlass, 8, -3, 0, false},
        {BlueGlass, 13, 270, 0, false},      {WinXP, 15, -1, TColor(0xDEEBEF), false},
        {WinXP, 16, -1, TColor(0xC82C00), false}, {MacOS, 21, -1, TColor(0), false},
        {Protein, 19, -1, TColor(0xC4302D), false}, {MacOS, 2, -1, 0, true},
        {WinXP, 2, -1, 0, false},            {Protein, 6, -1, 0, true},
        {DeepBlue, 47, 0, 0, false},         {WinXP, 3, -1, 0, false},
        {FromThemeFile, 7, -1, 0, false},    {FromThemeFile, 15, -1, 0, false},
        {FromThemeFile, 2, -1, 0, false},    {WinXP, 0, -1, 0, false},
        {WinXP, 49, -1, 0, false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "style " << int(C.Style) << " key " << C.Key);
        EXPECT_EQ(GetBuiltInStyleInteger(C.Style, C.Key), C.Integer);
        EXPECT_EQ(GetBuiltInStyleColor(C.Style, C.Key), C.Color);
        EXPECT_EQ(GetBuiltInStyleBool(C.Style, C.Key), C.Bool);
    }
    int Kind = 5;
    EXPECT_EQ(GetBuiltInStyleValue(FromThemeFile, 15, Kind), -1);
    EXPECT_EQ(Kind, skInteger);
    EXPECT_STREQ(GetBuiltInStyleImageName(DeepBlue, 38), "MORE_SCROLLBUTTON");
    EXPECT_STREQ(GetBuiltInStyleImageName(WinXP, 41), "WINXP_SIDECHENNEL_HANDLE");
    EXPECT_STREQ(StyleKeyName(29), "TrackBarSliderImage");
}

TEST(StyleTable, ResolvingTheLook) {
    TscFileTheme Loaded(nullptr), Unloaded(nullptr);
    Loaded.SetThemeFile(TESSARO_SC_THEME_FILE);
    ASSERT_TRUE(Loaded.CanUse());
    struct TCase {
        TscFileTheme* Theme;
        TscUIStyle Style;
        bool FromFile;
        TscUIStyle Effective;
    };
    const TCase Cases[] = {{nullptr, WinXP, false, WinXP},
                           {&Loaded, WinXP, false, WinXP},  // a theme set on a built-in look is ignored
                           {nullptr, FromThemeFile, false, DeepBlue},
                           {&Unloaded, FromThemeFile, false, DeepBlue},
                           {&Loaded, FromThemeFile, true, FromThemeFile}};
    for (const TCase& C : Cases) {
        TscUIStyle E = MacOS;
        EXPECT_EQ(TscFileTheme::ResolveUIStyle(C.Theme, C.Style, E), C.FromFile);
        EXPECT_EQ(E, C.Effective);
    }
}

TEST(StyleTable, OwnerFormGivesTheDefaultLook) {
    TForm* F = new TForm(Application);
    EXPECT_EQ(GetOwnerUIStyle(F), DeepBlue);
    EXPECT_EQ(GetOwnerUIStyle(nullptr), DeepBlue);
    auto* Panel = new TscForm(F);  // owned but not a child yet
    Panel->SetUIStyle(Protein);
    EXPECT_EQ(GetOwnerUIStyle(F), DeepBlue);
    Panel->SetParent(F);
    EXPECT_EQ(GetOwnerUIStyle(F), Protein);
    TComponent Plain(nullptr);
    EXPECT_EQ(GetOwnerUIStyle(&Plain), DeepBlue);
    F->Free();
}

// Every generated picture has the size the controls cut it by.
TEST(StyleTable, EveryBuiltInPictureHasItsSize) {
    struct TSizes {
        int Key;
        int Size[5][2];
    };
    const TSizes Table[] = {
        {1, {{252, 23}, {54, 21}, {222, 21}, {222, 21}, {231, 27}}},
        {3, {{60, 17}, {52, 13}, {52, 13}, {52, 13}, {52, 13}}},
        {4, {{64, 17}, {52, 13}, {52, 13}, {52, 13}, {52, 13}}},
        {5, {{306, 17}, {378, 21}, {342, 19}, {342, 19}, {342, 19}}},
        {10, {{48, 23}, {35, 29}, {97, 32}, {441, 23}, {162, 33}}},
        {11, {{49, 23}, {37, 29}, {98, 32}, {1, 23}, {179, 33}}},
        {12, {{48, 23}, {35, 29}, {97, 32}, {1, 23}, {101, 33}}},
        {24, {{13, 10}, {6, 10}, {1, 10}, {1, 10}, {1, 10}}},
        {28, {{45, 5}, {45, 8}, {45, 4}, {45, 4}, {45, 4}}},
        {29, {{11, 20}, {11, 21}, {11, 20}, {11, 20}, {11, 20}}},
        {30, {{19, 11}, {22, 11}, {18, 11}, {18, 11}, {18, 11}}},
        {32, {{96, 22}, {96, 17}, {96, 16}, {96, 16}, {102, 16}}},
        {33, {{33, 16}, {21, 16}, {21, 16}, {21, 16}, {21, 16}}},
        {34, {{40, 11}, {44, 11}, {44, 11}, {44, 11}, {44, 11}}},
        {38, {{72, 18}, {72, 18}, {72, 17}, {72, 17}, {72, 17}}},
        {39, {{36, 27}, {18, 18}, {12, 17}, {18, 17}, {18, 17}}},
        {40, {{17, 7}, {8, 1}, {5, 5}, {10, 5}, {10, 5}}},
        {41, {{7, 84}, {8, 86}, {8, 83}, {8, 83}, {8, 86}}},
        {42, {{1, 21}, {1, 21}, {1, 20}, {1, 21}, {1, 21}}},
    };
    for (const TSizes& T : Table)
        for (int S = 0; S < 5; ++S) {
            auto Style = static_cast<TscUIStyle>(S + 1);
            SCOPED_TRACE(GetBuiltInStyleImageName(Style, T.Key));
            TBitmap B;
            LoadBuiltInStyleImage(Style, T.Key, &B);
            EXPECT_EQ(B.Width(), T.Size[S][0]);
            EXPECT_EQ(B.Height(), T.Size[S][1]);
        }
    const struct {
        const char* Name;
        int W, H;
    } Fixed[] = {{"MENU_CHECKED", 16, 16},
                 {"MACOS_MENU_BAR", 1, 22},
                 {"MACOS_MENU_SELECT", 1, 21},
                 {"MACOS_FORM_BACKGROUND", 8, 8},
                 {"PROTEIN_FORM_BACKGROUND", 8, 8}};
    for (const auto& F : Fixed) {
        TBitmap B;
        B.LoadFromResourceName(nullptr, F.Name);
        EXPECT_EQ(B.Width(), F.W) << F.Name;
        EXPECT_EQ(B.Height(), F.H) << F.Name;
    }
    // The pictures that exist only in theme files have no name: a missing resource.
    TBitmap B;
    EXPECT_THROW(LoadBuiltInStyleImage(WinXP, 45, &B), EResNotFound);
    EXPECT_THROW(B.LoadFromResourceName(nullptr, "WINXP_NO_SUCH_PICTURE"), EResNotFound);
    // Another kind or no bitmap: nothing.
    LoadBuiltInStyleImage(WinXP, 15, &B);
    LoadBuiltInStyleImage(WinXP, 3, nullptr);
    EXPECT_TRUE(B.Empty());
}

// A strip whose column x has the colour x.
TBitmap* ColumnStrip(int W, int H) {
    auto* B = new TBitmap(W, H);
    for (int X = 0; X < W; ++X)
        for (int Y = 0; Y < H; ++Y) B->Canvas().SetPixel(X, Y, TColor(X));
    return B;
}

TEST(StyleTable, CuttingFrames) {
    std::unique_ptr<TBitmap> S52(ColumnStrip(52, 3)), S50(ColumnStrip(50, 3));
    TBitmap D;
    CutImageFrame(S52.get(), &D, 4, 2);
    ASSERT_EQ(D.Width(), 13);
    ASSERT_EQ(D.Height(), 3);
    for (int X = 0; X < 13; ++X) EXPECT_EQ(D.Canvas().Pixel(X, 1), TColor(13 + X));
    // 50 columns in 4 frames of 12: the last frame ends at column 47.
    CutImageFrame(S50.get(), &D, 4, 4);
    ASSERT_EQ(D.Width(), 12);
    EXPECT_EQ(D.Canvas().Pixel(0, 0), TColor(36));
    EXPECT_EQ(D.Canvas().Pixel(11, 2), TColor(47));
    // The built-in strip: frame 2 of WinXP's check box.
    TBitmap Strip, Frame;
    LoadBuiltInStyleImage(WinXP, 3, &Strip);
    GetBuiltInStyleImage(WinXP, 3, &Frame, 4, 2);
    ASSERT_EQ(Frame.Width(), 13);
    for (int X = 0; X < 13; ++X)
        for (int Y = 0; Y < 13; ++Y) ASSERT_EQ(Frame.Canvas().Pixel(X, Y), Strip.Canvas().Pixel(13 + X, Y));
}

TEST(Helpers, RotationsAndInclusiveRectangles) {
    TBitmap B(45, 8);
    B.Canvas().Brush().SetColor(clWhite);
    B.Canvas().FillRect(TRect(0, 0, 45, 8));
    B.Canvas().SetPixel(0, 0, clRed);
    B.Canvas().SetPixel(44, 0, clBlue);
    B.Canvas().SetPixel(44, 7, clLime);
    TBitmap C;
    C.Assign(B);
    RotateBitmapCounterClockwise(&C);
    ASSERT_EQ(C.Width(), 8);
    ASSERT_EQ(C.Height(), 45);
    EXPECT_EQ(C.Canvas().Pixel(0, 0), clBlue);   // the former top-right corner
    EXPECT_EQ(C.Canvas().Pixel(0, 44), clRed);   // the former top-left
    EXPECT_EQ(C.Canvas().Pixel(7, 0), clLime);   // the former bottom-right
    RotateBitmapHalfTurn(&B);
    ASSERT_EQ(B.Width(), 45);
    ASSERT_EQ(B.Height(), 8);
    EXPECT_EQ(B.Canvas().Pixel(44, 7), clRed);
    EXPECT_EQ(B.Canvas().Pixel(0, 7), clBlue);
    EXPECT_EQ(B.Canvas().Pixel(0, 0), clLime);

    TRect R(10, 20, 30, 40);
    const struct {
        POINT P;
        bool In;
    } Points[] = {{{30, 40}, true}, {{10, 20}, true}, {{31, 40}, false}, {{30, 41}, false}, {{9, 25}, false}};
    for (const auto& P : Points) EXPECT_EQ(PtInRectInclusive(P.P, R), P.In) << P.P.x << "," << P.P.y;
}

TEST(Helpers, TilingAndThreePartPictures) {
    TBitmap Canvas(20, 10);
    Canvas.Canvas().Brush().SetColor(clWhite);
    Canvas.Canvas().FillRect(TRect(0, 0, 20, 10));
    // An empty picture draws nothing (and ends).
    TBitmap Empty;
    TilePicture(Canvas.Canvas(), &Empty, TRect(0, 0, 20, 10));
    TilePicture(Canvas.Canvas(), nullptr, TRect(0, 0, 20, 10));
    EXPECT_EQ(Canvas.Canvas().Pixel(5, 5), clWhite);
    // A 3x3 tile with a red top-left pixel repeats from the canvas origin.
    TBitmap Tile(3, 3);
    Tile.Canvas().Brush().SetColor(clNavy);
    Tile.Canvas().FillRect(TRect(0, 0, 3, 3));
    Tile.Canvas().SetPixel(0, 0, clRed);
    TilePicture(Canvas.Canvas(), &Tile, TRect(5, 5, 10, 8));
    EXPECT_EQ(Canvas.Canvas().Pixel(0, 0), clRed);
    // Tiles start at x 0, 3, 6 (below 3 + 5) and y 0, 3 (below 3 + 3).
    EXPECT_EQ(Canvas.Canvas().Pixel(6, 3), clRed);
    EXPECT_EQ(Canvas.Canvas().Pixel(8, 5), clNavy);
    EXPECT_EQ(Canvas.Canvas().Pixel(9, 3), clWhite);
    EXPECT_EQ(Canvas.Canvas().Pixel(3, 6), clWhite);

    // Thirds of 15: red, green, blue, with magenta columns at both ends left out.
    TBitmap Bar(45, 4);
    const TColor Thirds[3] = {clRed, clLime, clBlue};
    for (int T = 0; T < 3; ++T) {
        Bar.Canvas().Brush().SetColor(Thirds[T]);
        Bar.Canvas().FillRect(TRect(T * 15, 0, T * 15 + 15, 4));
    }
    Bar.Canvas().Brush().SetColor(clFuchsia);
    Bar.Canvas().FillRect(TRect(0, 0, 2, 4));
    Bar.Canvas().FillRect(TRect(43, 0, 45, 4));
    struct TCase {
        int Width;
        std::vector<std::pair<int, TColor>> Expect;  // column, colour
    };
    const TCase Cases[] = {
        {100, {{0, clWhite}, {2, clRed}, {14, clRed}, {15, clLime}, {84, clLime}, {85, clBlue}, {97, clBlue}, {98, clWhite}}},
        // Narrower than two thirds: the ends overlap, no middle.
        {20, {{2, clRed}, {4, clRed}, {5, clBlue}, {17, clBlue}, {18, clWhite}}},
    };
    for (const TCase& C : Cases) {
        TBitmap Out(C.Width, 4);
        Out.Canvas().Brush().SetColor(clWhite);
        Out.Canvas().FillRect(TRect(0, 0, C.Width, 4));
        DrawThreePartImage(&Bar, Out.Canvas(), TRect(0, 0, C.Width, 4), false, false);
        for (const auto& [X, Colour] : C.Expect) EXPECT_EQ(Out.Canvas().Pixel(X, 2), Colour) << C.Width << " at " << X;
    }
}

}  // namespace
