// The skin description read into the skin component's parts: hand-written
// INI texts with small bitmaps, packed by the generator's container writer
// and loaded the way the component loads its stored skin.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/testhooks.h"
#include "platform/gdi/gdi.h"
#include "platform/win/winuser.h"
#include "skin/skin_bitmaps.h"
#include "skin/skin_data.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr TColor Magenta = 0xFF00FF;
constexpr TColor Face = 200 + 190 * 256 + 180 * 65536;

Bytes Bmp(int W, int H, const std::function<TColor(int X, int Y)>& Pixel) {
    TBitmap B(W, H, pf24bit);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) B.Canvas().SetPixel(X, Y, Pixel(X, Y));
    TMemoryStream M;
    B.SaveToStream(M);
    const auto* P = static_cast<const uint8_t*>(M.Memory());
    return Bytes(P, P + M.Size());
}
Bytes Solid(int W, int H, TColor C) {
    return Bmp(W, H, [C](int, int) { return C; });
}
// Frames of FrameWidth, frame i coloured Colours[i].
Bytes Strip(int FrameWidth, int H, const std::vector<TColor>& Colours) {
    return Bmp(FrameWidth * static_cast<int>(Colours.size()), H,
               [&](int X, int) { return Colours[static_cast<size_t>(X / FrameWidth)]; });
}

void Load(TSkinData& S, const std::string& Ini, std::vector<TSkinEntry> Images) {
    Images.push_back({"look.ini", Bytes(Ini.begin(), Ini.end())});
    const Bytes File = WriteSkinFile(Images);
    S.SkinStream().Clear();
    S.SkinStream().WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
    S.SkinStream().SetPosition(0);
    ASSERT_TRUE(S.LoadSkin());
}

TColor Px(TBitmap& B, int X, int Y) { return B.Canvas().Pixel(X, Y); }

std::array<long, 4> Box(const TRect& R) { return {R.left, R.top, R.right, R.bottom}; }

const std::string MainIni = R"(; a hand-written skin
[Personality]
Top=top.bmp
TopTopHeight=5
TopBotHeight=6
TopFrame=2
TopStretch=2
Left=skins\left.bmp
LeftTopHeight=7
LeftBotHeight=8
LeftTrans=0
menuBar=menubar.bmp
TileMenu=3
TextBack=textback.bmp
TextShift=4
TextShiftVert=2
TextRightClip=9
ActiveTextR=300
ActiveTextG=1
ActiveTextB=2
InActiveTextR=5
InActiveTextG=6
[Fonts]
FontHeight=17
[Colours]
ButtonFace=200 190 180
ButtonText=1 2 3
Menu=
[Colour.Alpha]
color=10 20 30
[colour2]
[Buttons]
Bitmap=button.bmp
Tile=2
RadioButton=radio.bmp
CheckButton=check.bmp
NormalColour2=9 9 9
[Button0]
Action=0
ButtonImage=b40.bmp
[Button1]
Action=1
Visibility=2
Xcoord=11
Ycoord=12
ButtonImage=b84.bmp
[Button2]
Action=3
ButtonImage=b40.bmp
[Button3]
Action=4
Xcoord=99
Ycoord=98
frame=2
ButtonImage=b40.bmp
[Button4]
Action=-1
Visibility=1
ButtonImage=b40.bmp
[Button5]
Action=-1
Visibility=0
ButtonImage=b40.bmp
[button.radio]
Action=0
ButtonImage=b40.bmp
[MDICONTROLS]
Image=mdi.bmp
[Progress]
Bitmap=progress.bmp
Style=1
Tile=2
[Progress.Chunk]
Image=chunk.bmp
Frame=3
[Tabs]
Image=tabs.bmp
Border=tabborder.bmp
[Tab.Pane]
Image=pane.bmp
LeftWidth=9
TopHeight=2
RightWidth=5
BottomHeight=4
[ComboButton]
Image=combo.bmp
[Headerbar]
Image=header.bmp
Frame=0
[HorzScrollThumb]
Image=hthumb.bmp
FrameCount=2
[VertScrollThumb]
Image=vthumb.bmp
[Scrollbar]
Image=scroll.bmp
Tile=2
[GroupBox]
Image=gb.bmp
Frame=9
BackgroundAlignment=2
[UpDown.Vert]
Image=updown.bmp
GlyphImage=glyph.bmp
[Track]
Image=track.BMP
)";

std::vector<TSkinEntry> MainImages() {
    const TColor Mark = 0x123456;
    return {
        {"top.bmp", Bmp(30, 20, [&](int X, int Y) { return X == 10 && Y == 3 ? Mark : 0x808080; })},
        {"left.bmp", Solid(4, 30, 0x404040)},
        {"menubar.bmp", Solid(8, 8, 0x111111)},
        {"textback.bmp", Solid(8, 8, 0x222222)},
        {"button.bmp", Solid(50, 20, 0x333333)},
        {"radio.bmp", Solid(26, 13, 0x444444)},
        {"check.bmp", Solid(130, 13, 0x555555)},
        {"b40.bmp", Solid(40, 14, 0x666666)},
        {"b84.bmp", Solid(84, 14, 0x777777)},
        {"mdi.bmp", Strip(40, 10, {0x0000AA, 0x00AA00, 0xAA0000})},
        {"progress.bmp", Solid(10, 10, 0x888888)},
        {"chunk.bmp", Solid(9, 5, 0x999999)},
        {"tabs.bmp", Solid(50, 20, 0xAAAAAA)},
        {"tabborder.bmp", Solid(5, 5, 0xBBBBBB)},
        {"pane.bmp", Solid(12, 12, 0xCCCCCC)},
        {"combo.bmp", Bmp(68, 21, [](int X, int Y) { return (X + Y) % 3 == 0 ? Magenta : 0x010203 * (X / 17 + 1); })},
        {"header.bmp", Solid(50, 20, 0xDDDDDD)},
        {"hthumb.bmp", Solid(30, 10, 0xEEEEEE)},
        {"vthumb.bmp", Solid(10, 30, 0x101010)},
        {"scroll.bmp", Solid(46, 10, 0x202020)},
        {"gb.bmp", Solid(10, 10, 0x303030)},
        {"updown.bmp", Solid(64, 10, 0x505050)},
        {"glyph.bmp", Solid(8, 8, 0x606060)},
        {"track.bmp", Solid(16, 4, 0x707070)},
    };
}

class SkinDescriptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestHooks::Start(); }
    static void TearDownTestSuite() { TestHooks::Stop(); }
};

TEST_F(SkinDescriptionTest, ColourTexts) {
    struct Case {
        std::string Text;
        TColor Want;
    };
    const std::vector<Case> Cases = {
        {"255 255 255", 0xFFFFFF},
        {"12 34", 12},                       // two numbers: the last one is dropped
        {"12 34 ", 12},                      // the text is trimmed first
        {"12 34,", 12 + 34 * 256},           // a separator after it stores it
        {"1,2,3", 1 + 2 * 256 + 3 * 65536},
        {"  1  2  3  ", 1 + 2 * 256 + 3 * 65536},
        {"1 2 3 4", 1 + 2 * 256 + 3 * 65536},
        {"300 0 0", 44},
        {"99999999999 0 1", 99999999999 % 256 + 65536},
        {"r1g2b3", 1 + 2 * 256 + 3 * 65536},
        {"-5 6 7", 5 + 6 * 256 + 7 * 65536},
        {"7", 0},
        {"", 0},
        {"none", 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(ParseSkinColour(C.Text), C.Want);
    }
    TSkinData S(nullptr);
    EXPECT_EQ(S.ReadColourText("", clBtnFace), clBtnFace);
    EXPECT_EQ(S.ReadColourText("7", clBtnFace), 0);
}

TEST_F(SkinDescriptionTest, BordersColoursTitleAndButtons) {
    TSkinData S(nullptr);
    Load(S, MainIni, MainImages());
    EXPECT_FALSE(S.SkinEmpty);

    auto& Top = *S.Borders[TSkinData::bsTop];
    EXPECT_EQ(Box(Top.Margins()), Box(TRect(5, 0, 6, 0)));
    EXPECT_EQ(Top.FrameCount, 2);
    EXPECT_EQ(Top.Tile, 1);  // Stretch 2
    EXPECT_EQ(Top.Trans, 1);
    auto& Left = *S.Borders[TSkinData::bsLeft];
    EXPECT_EQ(Box(Left.Margins()), Box(TRect(0, 7, 0, 8)));
    EXPECT_EQ(Left.Trans, 0);
    EXPECT_EQ(Left.Bitmap->Width(), 4);  // the folder in the INI value is dropped
    EXPECT_TRUE(S.Borders[TSkinData::bsRight]->Bitmap->Empty());
    EXPECT_EQ(S.ColFrame, 0x123456);  // (width div 3, (height div 2) div 3) of the top border

    EXPECT_EQ(S.ColButtonFace, Face);
    EXPECT_EQ(S.ColMenubar, Face);
    EXPECT_EQ(S.ColButtonText, 1 + 2 * 256 + 3 * 65536);
    EXPECT_EQ(S.ColMenu, clMenu);  // an empty text keeps the default
    EXPECT_EQ(S.ColWindowText, clWindowText);
    EXPECT_EQ(S.ColTitleTextNoActive, SysColor(COLOR_INACTIVECAPTIONTEXT));
    EXPECT_EQ(S.SectionColours, (std::vector<TColor>{10 + 20 * 256 + 30 * 65536, clWindowText}));

    auto& T = *S.Title;
    EXPECT_EQ(Box(T.Margins()), Box(TRect(4, 2, 9, 0)));
    EXPECT_EQ(T.FontHeight, 17);
    EXPECT_EQ(T.FrameCount, 2);
    EXPECT_EQ(T.ActiveTextColour, 44 + 1 * 256 + 2 * 65536);
    EXPECT_EQ(T.InactiveTextColour, clNone);  // its blue is missing

    auto& B = *S.Button;
    EXPECT_EQ(B.Tile, 0);
    EXPECT_EQ(B.FrameCount, 5);
    EXPECT_EQ(B.RadioFrameCount, 4);   // 26 div 13 = 2, at least 4
    EXPECT_EQ(B.CheckFrameCount, 10);  // 130 div 13
    EXPECT_TRUE(B.HasNormalColour2);
    EXPECT_FALSE(B.HasMouseOverColour2);
    EXPECT_EQ(B.NormalColour2, 0x090909);
    EXPECT_EQ(B.MouseOverColour2, S.ColButtonText);
    EXPECT_EQ(B.NormalColour, -1);
    EXPECT_NE(S.FaceBrush, nullptr);
}

TEST_F(SkinDescriptionTest, TitleBarButtons) {
    TSkinData S(nullptr);
    Load(S, MainIni, MainImages());
    struct Want {
        std::string Name;
        int Action, Frames, ImageWidth, X, Y, Visibility1;
    };
    const std::vector<Want> Buttons = {
        {"BUTTON0", 0, 3, 40, 0, 0, 0},      // 40 x 14: ratio 2.86
        {"BUTTON1", 1, 6, 84, 11, 12, 0},    // 84 x 14: ratio 6
        {"BUTTON2", 3, 3, 0, 0, 0, 0},       // the window icon: its image is dropped
        {"BUTTON3", 4, 2, 40, 11, 12, 0},    // takes the place of the Action 1 / Visibility 2 button
        {"BUTTON5", -1, 6, 40, 0, 0, -1},    // Action -1 kept with Visibility 0; negative actions get 6
        {"", 7, 4, 40, 42, 0, 100},
        {"", 8, 4, 40, 28, 0, 100},
        {"", 9, 4, 40, 14, 0, 100},
    };
    ASSERT_EQ(S.SysButtons.size(), Buttons.size());
    for (size_t i = 0; i < Buttons.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& B = *S.SysButtons[i];
        const auto& W = Buttons[i];
        EXPECT_EQ(B.Name, W.Name);
        EXPECT_EQ(B.Action, W.Action);
        EXPECT_EQ(B.FrameCount, W.Frames);
        EXPECT_EQ(B.Bitmap->Width(), W.ImageWidth);
        EXPECT_EQ(B.XCoord, W.X);
        EXPECT_EQ(B.YCoord, W.Y);
        EXPECT_EQ(B.Visibility1, W.Visibility1);
        EXPECT_EQ(B.CombineOp, i < 5 ? -1 : 0);
    }
    // The MDI buttons cut 4 x (120 div 12) columns each out of the MDICONTROLS image.
    const TColor Mdi[] = {0x0000AA, 0x00AA00, 0xAA0000};
    for (int i = 0; i < 3; ++i) {
        auto& B = *S.SysButtons[5 + static_cast<size_t>(i)]->Bitmap;
        EXPECT_EQ(B.Height(), 10);
        EXPECT_EQ(Px(B, 0, 0), Mdi[i]);
        EXPECT_EQ(Px(B, 39, 9), Mdi[i]);
    }

    // Without an Action 1 / Visibility 2 button before it, an Action 4 button keeps its place.
    Load(S, "[Button0]\r\nAction=4\r\nXcoord=7\r\nYcoord=8\r\n[Button1]\r\nAction=1\r\nVisibility=2\r\nXcoord=1\r\n", {});
    ASSERT_EQ(S.SysButtons.size(), 5u);
    EXPECT_EQ(S.SysButtons[0]->XCoord, 7);
    EXPECT_EQ(S.SysButtons[0]->YCoord, 8);
    EXPECT_EQ(S.SysButtons[0]->FrameCount, 6);  // no image
    EXPECT_EQ(S.SysButtons[2]->Bitmap->Width(), 0);  // no MDICONTROLS: the MDI buttons have no image
}

TEST_F(SkinDescriptionTest, SectionPartsFramesAndClamps) {
    TSkinData S(nullptr);
    Load(S, MainIni, MainImages());
    struct Want {
        std::string Name;
        TDataSkinObject* Part;
        int Frames;
        int Tile;
    };
    const std::vector<Want> Parts = {
        {"Progress", S.Progress.get(), 1, 1},      // Style 1; Tile 2 gives 1 for this reader
        {"Progress.Chunk", S.ProgressChunk.get(), 3, 0},
        {"Personality", S.MenuBar.get(), 2, 1},    // TileMenu 3 gives 1
        {"Tabs", S.Tabs.get(), 5, 0},
        {"Tab.Pane", S.TabPane.get(), 1, 0},
        {"ComboButton", S.ComboButton.get(), 4, 0},
        {"Headerbar", S.Headerbar.get(), 5, 0},    // Frame 0
        {"HorzScrollThumb", S.HorzScrollThumb.get(), 2, 0},
        {"VertScrollThumb", S.VertScrollThumb.get(), 3, 0},
        {"Scrollbar", S.Scrollbar.get(), 23, 0},   // Tile 2 gives 0
        {"GroupBox", S.GroupBox.get(), 1, 0},
        {"UpDown.Vert", S.UpDownVert.get(), 8, 0},
        {"Track", S.Track.get(), 0, 0},
    };
    for (const auto& W : Parts) {
        SCOPED_TRACE(W.Name);
        ASSERT_NE(W.Part, nullptr);
        EXPECT_EQ(W.Part->Name, W.Name);
        EXPECT_EQ(W.Part->FrameCount, W.Frames);
        EXPECT_EQ(W.Part->Tile, W.Tile);
    }
    for (TDataSkinObject* Absent : {S.SunkEdge.get(), S.ExtraImages.get(), S.GroupBoxEdge.get(), S.ToolBars.get(),
                                    S.StatusBarEdges.get(), S.MenuItem.get(), S.MenuBackground.get(),
                                    S.HorzScroll.get(), S.VertScroll.get(), S.TrackThumbHorz.get(),
                                    static_cast<TDataSkinObject*>(S.UpDownHorz.get())})
        EXPECT_EQ(Absent, nullptr);
    EXPECT_EQ(Box(S.MenuBar->Margins()), Box(TRect(1, 0, 1, 0)));
    EXPECT_EQ(Box(S.TabPane->Margins()), Box(TRect(4, 2, 4, 4)));
    EXPECT_EQ(S.GroupBox->BackgroundAlignment, 2);
    EXPECT_EQ(S.Tabs->Bitmap2->Width(), 5);
    EXPECT_EQ(S.UpDownVert->Bitmap2->Width(), 8);
    EXPECT_EQ(S.Progress->NormalColour2, 0);  // the progress reader reads no colours
    EXPECT_EQ(S.Scrollbar->NormalColour, -1);
    EXPECT_EQ(S.Scrollbar->PressedColour2, S.ColButtonText);
    // The INI names track.BMP: the extension test is exact, so the part has no image.
    EXPECT_TRUE(S.Track->Bitmap->Empty());
}

TEST_F(SkinDescriptionTest, TrackPartsWithoutSectionsAreTheBuiltInPictures) {
    TSkinData S(nullptr);
    Load(S, MainIni, MainImages());  // names a Track image, no TRACKVERT
    ASSERT_NE(S.TrackVert, nullptr);
    Load(S, "[Colours]\r\nButtonFace=1 1 1\r\n", {});
    struct Want {
        TDataSkinObject* Part;
        std::string Name;
        int W, H;
        std::vector<std::array<int, 3>> Pixels;  // x, y, colour
    };
    const int Silver = 0xC0C0C0, Grey = 0x808080, White = 0xFFFFFF;
    const std::vector<Want> Parts = {
        {S.Track.get(), "TRACK", 16, 4, {{0, 0, Silver}, {2, 0, Grey}, {14, 0, White}, {0, 2, Grey}, {1, 3, Silver}}},
        {S.TrackVert.get(), "TRACKVERT", 4, 16, {{2, 0, Grey}, {3, 1, Silver}, {0, 2, Grey}, {1, 13, White}, {0, 14, White}}},
    };
    for (const auto& W : Parts) {
        SCOPED_TRACE(W.Name);
        ASSERT_NE(W.Part, nullptr);
        EXPECT_EQ(W.Part->Name, W.Name);
        EXPECT_EQ(Box(W.Part->Margins()), Box(TRect(3, 3, 3, 3)));
        EXPECT_EQ(W.Part->FrameCount, 1);
        EXPECT_EQ(W.Part->Tile, 0);
        ASSERT_EQ(W.Part->Bitmap->Width(), W.W);
        ASSERT_EQ(W.Part->Bitmap->Height(), W.H);
        for (const auto& P : W.Pixels) EXPECT_EQ(Px(*W.Part->Bitmap, P[0], P[1]), P[2]) << P[0] << "," << P[1];
    }
}

TEST_F(SkinDescriptionTest, ComboArrowWithoutSunkEdgeIsTheButtonWithFaceForMagenta) {
    TSkinData S(nullptr);
    Load(S, MainIni, MainImages());
    auto& Button = *S.ComboButton->Bitmap;
    auto& Arrow = *S.ComboArrow->Bitmap;
    ASSERT_EQ(Arrow.Width(), 68);
    ASSERT_EQ(Arrow.Height(), 21);
    EXPECT_EQ(S.ComboArrow->Name, "ComboxArrow");
    EXPECT_EQ(S.ComboArrow->FrameCount, 4);
    for (int Y = 0; Y < 21; ++Y)
        for (int X = 0; X < 68; ++X) {
            const TColor B = Px(Button, X, Y);
            ASSERT_EQ(Px(Arrow, X, Y), B == Magenta ? Face : B) << X << "," << Y;
            // The second image is the first one mirrored.
            ASSERT_EQ(Px(*S.ComboButton->Bitmap2, 67 - X, Y), B) << X << "," << Y;
        }
}

const std::vector<TColor> SunkColours = {0x100000, 0x200000, 0x300000, 0x400000};
const std::vector<TColor> ButtonColours = {0x000010, 0x000020, 0x000030, 0x000040};
const std::vector<TColor> ExtraColours = {0x001000, 0x002000, 0x003000, 0x004000, 0x005000};

const std::string ComboIni = R"([Personality]
Top=top.bmp
TopFrame=0
[SunkEdge]
Image=sunk.bmp
LeftWidth=3
TopHeight=3
RightWidth=3
BottomHeight=3
[ComboButton]
Image=combo.bmp
[ExtraImages]
Image=extra.bmp
)";

std::vector<TSkinEntry> ComboImages() {
    return {
        {"top.bmp", Bmp(30, 20, [](int X, int Y) { return X == 10 && Y == 6 ? 0x00FF0000 : 0x7F7F7F; })},
        {"sunk.bmp", Strip(10, 21, SunkColours)},
        {"combo.bmp", Strip(17, 21, ButtonColours)},
        {"extra.bmp", Strip(3, 3, ExtraColours)},
    };
}

TEST_F(SkinDescriptionTest, ComboFramesAreComposedFromSunkEdgeButtonAndExtraImages) {
    TSkinData S(nullptr);
    Load(S, ComboIni, ComboImages());
    const int B = GetSystemMetrics(SM_CXHSCROLL) + 2;
    ASSERT_GT(B, 5);
    auto& Combo = *S.ComboButton->Bitmap;
    ASSERT_EQ(Combo.Width(), 200);
    ASSERT_EQ(Combo.Height(), 21);
    EXPECT_EQ(S.ComboButton->Style, 2);
    EXPECT_EQ(Box(S.ComboButton->Margins()), Box(TRect(2, 3, B + 2, 3)));
    EXPECT_EQ(Box(S.SunkEdge->Margins()), Box(TRect(B + 2, 3, 2, 3)));
    for (int F = 0; F < 4; ++F) {
        SCOPED_TRACE(F);
        const int X0 = 50 * F;
        EXPECT_EQ(Px(Combo, X0, 0), SunkColours[F]);
        EXPECT_EQ(Px(Combo, X0 + 1, 20), SunkColours[F]);
        EXPECT_EQ(Px(Combo, X0 + 2, 2), Magenta);
        EXPECT_EQ(Px(Combo, X0 + 48 - B, 17), Magenta);
        EXPECT_EQ(Px(Combo, X0 + 49 - B, 17), SunkColours[F]);
        EXPECT_EQ(Px(Combo, X0 + 50 - B, 0), ButtonColours[F]);
        EXPECT_EQ(Px(Combo, X0 + 49, 20), ButtonColours[F]);
        EXPECT_EQ(Px(Combo, X0 + 50 - B + (B - 3) / 2 + 1, 10), ExtraColours[F]);
    }
    // SunkEdge is the composed strip mirrored; the arrow is cut from each frame's button.
    auto& Sunk = *S.SunkEdge->Bitmap;
    ASSERT_EQ(Sunk.Width(), 200);
    auto& Arrow = *S.ComboArrow->Bitmap;
    ASSERT_EQ(Arrow.Width(), 68);
    ASSERT_EQ(Arrow.Height(), 17);
    EXPECT_EQ(S.ComboArrow->FrameCount, 4);
    for (int Y = 0; Y < 21; ++Y)
        for (int X = 0; X < 200; ++X) {
            ASSERT_EQ(Px(Sunk, 199 - X, Y), Px(Combo, X, Y)) << X << "," << Y;
            if (Y < 17 && X < 68) {
                const int I = X / 17;
                ASSERT_EQ(Px(Arrow, X, Y), Px(Combo, (I + 1) * 50 - 19 + X % 17, 2 + Y)) << X << "," << Y;
            }
        }
    // A top border with Frame 0 is sampled as one frame.
    EXPECT_EQ(S.ColFrame, 0x00FF0000);
}

TEST_F(SkinDescriptionTest, ToolbarGradientRunsFromTheFaceToTheFrameColour) {
    TSkinData S(nullptr);
    Load(S, ComboIni, ComboImages());  // ColFrame pure blue: saturated, so mixed with white
    auto& T = *S.Toolbar->Bitmap;
    ASSERT_EQ(T.Width(), 10);
    ASSERT_EQ(T.Height(), 40);
    EXPECT_EQ(S.Toolbar->FrameCount, 1);
    const TColor Start = MixColors(S.ColButtonFace, clWhite, 150);
    const int V = ColorSaturationLevel(S.ColFrame);
    ASSERT_GT(V, 110);
    const TColor End = MixColors(S.ColFrame, clWhite, (225 - V) * 25 / 140 + 50);
    EXPECT_EQ(Px(T, 0, 0), Start);
    for (int Y = 0; Y < 40; ++Y) EXPECT_EQ(Px(T, 9, Y), Px(T, 0, Y));
    for (int Shift : {0, 8, 16}) {
        const int Got = (Px(T, 0, 39) >> Shift) & 255, Want = (End >> Shift) & 255;
        EXPECT_NEAR(Got, Want, 8) << Shift;
    }
}

TEST_F(SkinDescriptionTest, ReparsingFreesPartsTheNewSkinLacksAndKeepsDerivedOnes) {
    TSkinData S(nullptr);
    Load(S, MainIni, MainImages());
    TDataSkinObject* Arrow = S.ComboArrow.get();
    TDataSkinObject* Toolbar = S.Toolbar.get();
    const TColor ArrowPixel = Px(*Arrow->Bitmap, 1, 0);
    // SunkEdge without ComboButton: the arrow keeps its earlier image.
    Load(S, "[SunkEdge]\r\nImage=sunk.bmp\r\n", {{"sunk.bmp", Strip(10, 21, SunkColours)}});
    EXPECT_EQ(S.Tabs, nullptr);
    EXPECT_EQ(S.ComboButton, nullptr);
    ASSERT_NE(S.SunkEdge, nullptr);
    EXPECT_EQ(S.SunkEdge->Bitmap->Width(), 40);  // not composed without a button
    EXPECT_EQ(S.ComboArrow.get(), Arrow);
    EXPECT_EQ(S.Toolbar.get(), Toolbar);
    EXPECT_EQ(Arrow->Bitmap->Width(), 68);
    EXPECT_EQ(Px(*Arrow->Bitmap, 1, 0), ArrowPixel);
    EXPECT_EQ(S.ColFrame, S.ColButtonFace);  // no top border image
}

}  // namespace
