// What the thumbnail grid draws: cell arithmetic without a window (arrangement,
// hit test, caption cutting, the gaps captions make), and on the headless screen,
// pixel for pixel against golden pictures, captions, 3-D frames, borders, the
// selection frame with and without the focus, the placeholder, backgrounds and
// wallpapers; the drawing events, the processing component and flat scroll bars.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "controls/golden_png.h"
#include "imaging/processing/imageproc.h"
#include "imaging/views/iemultiview.h"
#include "imaging/views/imageview_fixture.h"
#include "platform/classlib/stdctrls.h"
#include "platform/commctl/commctrl.h"

using namespace viewtest;

namespace {

class GridEnv : public Env {
public:
    void SetUp() override {
        Env::SetUp();
        RegisterMultiView();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new GridEnv);

// A grid without a window: Count empty images in a control of W x H.
struct TLooseGrid {
    TIEMultiView* View;
    TLooseGrid(int W, int H, int Count) : View(new TIEMultiView(nullptr)) {
        View->SetBounds(0, 0, W, H);
        for (int I = 0; I < Count; ++I) View->InsertImage(I);
    }
    ~TLooseGrid() { delete View; }
    TLooseGrid(const TLooseGrid&) = delete;
    TLooseGrid& operator=(const TLooseGrid&) = delete;
};

TEST(MultiViewCells, ArrangeCellsTable) {
    struct {
        int GridWidth, ClientW, Thumb, Border, Count;
        TIEMDisplayMode Mode;
        int Image, X, Y, Row, Col, ExtentW, ExtentH;
    } const Cases[] = {
        // Three columns of 100 with borders of 4: image 4 in row 1, column 1.
        {3, 400, 100, 4, 10, mdGrid, 4, 108, 108, 1, 1, 316, 420},
        {3, 400, 100, 4, 10, mdGrid, 9, 4, 316, 3, 0, 316, 420},
        // As many columns as fit: (537 - 4) div (4 + 163) = 3.
        {-1, 537, 163, 4, 7, mdGrid, 3, 4, 171, 1, 0, 505, 505},
        // Narrower than one cell and its borders: one strip.
        {-1, 100, 163, 4, 3, mdGrid, 2, 338, 4, 0, 2, 505, 171},
        {0, 537, 100, 8, 5, mdGrid, 4, 440, 8, 0, 4, 548, 116},
        // One cell at the origin for every image.
        {3, 400, 100, 4, 10, mdSingle, 7, 0, 0, 0, 0, 104, 104},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << "GridWidth " << C.GridWidth << " in " << C.ClientW << ", image " << C.Image);
        TLooseGrid G(C.ClientW, 300, C.Count);
        G.View->GridWidth = C.GridWidth;
        G.View->ThumbWidth = C.Thumb;
        G.View->ThumbHeight = C.Thumb;
        G.View->HorizBorder = G.View->VertBorder = C.Border;
        G.View->SetDisplayMode(C.Mode);
        const TRect R = G.View->ThumbRect(C.Image);
        EXPECT_EQ(R.left, C.X);
        EXPECT_EQ(R.top, C.Y);
        EXPECT_EQ(G.View->GetImageRow(C.Image), C.Row);
        EXPECT_EQ(G.View->GetImageCol(C.Image), C.Col);
        EXPECT_EQ(G.View->ExtentWidth(), C.ExtentW);
        EXPECT_EQ(G.View->ExtentHeight(), C.ExtentH);
    }
}

// The first and last pixels of a cell hit it; the border between cells hits nothing,
// also scrolled.
TEST(MultiViewCells, HitTestOnBordersAndLastPixels) {
    TLooseGrid G(150, 150, 12);
    TIEMultiView* V = G.View;
    V->GridWidth = 3;
    V->ThumbWidth = 60;
    V->ThumbHeight = 50;
    V->HorizBorder = V->VertBorder = 4;
    struct {
        int ViewX, ViewY, X, Y, Image;
    } const Cases[] = {
        {0, 0, 4, 4, 0},     {0, 0, 63, 53, 0},   {0, 0, 64, 20, -1}, {0, 0, 67, 20, -1},  {0, 0, 68, 20, 1},
        {0, 0, 20, 54, -1},  {0, 0, 20, 57, -1},  {0, 0, 20, 58, 3},  {0, 0, 127, 107, 4}, {0, 0, 3, 3, -1},
        {0, 0, 192, 10, -1}, {0, 0, 10, 216, -1}, {0, 50, 4, 8, 3},   {0, 50, 4, 7, -1},   {0, 50, 63, 61, -1},
        {0, 50, 63, 62, 6},  {0, 50, 63, 111, 6}, {10, 0, 58, 10, 1}, {10, 0, 53, 10, 0},  {10, 0, 54, 10, -1},
    };
    for (const auto& C : Cases) {
        V->SetViewXY(C.ViewX, C.ViewY);
        ASSERT_EQ(V->ViewX(), C.ViewX);
        ASSERT_EQ(V->ViewY(), C.ViewY);
        EXPECT_EQ(V->ImageAtPos(C.X, C.Y), C.Image) << C.X << "," << C.Y << " at " << C.ViewX << "," << C.ViewY;
    }
}

// Over-long captions keep their end ("..." in front) or start ("..." after): as much
// as fits, each step from the whole text; other cut sides and short texts stay whole.
TEST(MultiViewCells, CaptionCuttingTable) {
    TBitmap B(10, 10, pf24bit);
    TCanvas& C = B.Canvas();
    const std::string Long = "a-rather-long-file-name.jpg";
    struct {
        std::string Text, Fits;  // the room is the width of Fits
        int CutSide;
        std::string Expected;
    } const Cases[] = {
        {Long, "...-name.jpg", 1, "...-name.jpg"},
        {Long, "a-rather-l...", 0, "a-rather-l..."},
        {Long, "...", 1, "..."},
        {Long, "..", 1, "..."},  // even the dots alone do not fit: no further
        {Long, "x", 2, Long},
        {Long, Long, 1, Long},
        {"W", "", 1, "W"},  // one character is never cut
        {"\xc3\xa9t\xc3\xa9-\xc3\xa9t\xc3\xa9.png", "...\xc3\xa9t\xc3\xa9.png", 1, "...\xc3\xa9t\xc3\xa9.png"},
        {"\xc3\xa9t\xc3\xa9-\xc3\xa9t\xc3\xa9.png", "\xc3\xa9t\xc3\xa9-...", 0, "\xc3\xa9t\xc3\xa9-..."},
    };
    for (const auto& K : Cases) {
        SCOPED_TRACE(K.Text + " in the width of " + K.Fits);
        EXPECT_EQ(IECutCaption(C, K.Text, C.TextWidth(K.Fits), static_cast<uint8_t>(K.CutSide)), K.Expected);
    }
}

// Captions make room for themselves: a top caption raises UpperGap to its height + 2,
// a bottom one BottomGap to its height + 4 (iemsBox) or + 2 (iemsFlat), never lower;
// the info line raises nothing. Hidden captions give back the gaps last set.
TEST(MultiViewCells, CaptionsRaiseTheGaps) {
    TLooseGrid G(300, 300, 1);
    TIEMultiView* V = G.View;
    TBitmap B(1, 1, pf24bit);
    B.Canvas().Font().Assign(V->Font());
    const int H = B.Canvas().TextHeight("caption");
    EXPECT_EQ(V->Style(), iemsBox);
    V->GetImageBottomText(0)->SetCaption("caption");
    EXPECT_EQ(V->BottomGap(), H + 4);
    V->GetImageInfoText(0)->SetCaption("caption");
    EXPECT_EQ(V->UpperGap(), 0);
    V->GetImageTopText(0)->SetCaption("caption");
    EXPECT_EQ(V->UpperGap(), H + 2);
    EXPECT_EQ(V->GetImageBottomText(0)->Text, "caption");

    V->SetBottomGap(5);
    V->SetUpperGap(40);
    V->SetStyle(iemsFlat);
    V->GetImageBottomText(0)->SetCaption("again");
    EXPECT_EQ(V->BottomGap(), H + 2);
    V->GetImageTopText(0)->SetCaption("again");
    EXPECT_EQ(V->UpperGap(), 40) << "a shorter caption leaves a larger gap";
    V->SetBottomGap(H + 1);
    V->GetImageBottomText(0)->SetCaption("again");
    EXPECT_EQ(V->BottomGap(), H + 2);
    V->SetBottomGap(H + 2);
    V->GetImageBottomText(0)->SetCaption("again");
    EXPECT_EQ(V->BottomGap(), H + 2);
    // A caption of no grid changes no gap and has the button face behind it.
    TIEMText Loose(nullptr, 1);
    Loose.SetCaption("loose");
    EXPECT_EQ(Loose.Text, "loose");
    EXPECT_EQ(Loose.Background, clBtnFace);
    EXPECT_EQ(V->GetImageBottomText(0)->Background, V->Background());
}

TEST(MultiViewCells, PropertyDefaults) {
    TLooseGrid G(180, 90, 0);
    TIEMultiView* V = G.View;
    EXPECT_EQ(V->ScrollBars(), ssBoth);
    EXPECT_EQ(V->StoreType, ietNormal);
    EXPECT_EQ(V->ThumbWidth, 100);
    EXPECT_EQ(V->ThumbHeight, 100);
    EXPECT_EQ(V->HorizBorder, 4);
    EXPECT_EQ(V->VertBorder, 4);
    EXPECT_EQ(V->BottomGap(), 0);
    EXPECT_EQ(V->UpperGap(), 0);
    EXPECT_TRUE(V->VisibleSelection);
    EXPECT_TRUE(V->MouseInteract == TIEMMouseInteract{mmiSelect});
    EXPECT_TRUE(V->KeyInteract == TIEMKeyInteract{mkiMoveSelected});
    EXPECT_EQ(V->DisplayMode(), mdGrid);
    EXPECT_EQ(V->GridWidth, 0);
    EXPECT_EQ(V->SelectionWidth, 3);
    EXPECT_EQ(V->SelectionColor, clRed);
    EXPECT_FALSE(V->RemoveCorrupted);
    EXPECT_FALSE(V->DrawImageBackground);
    EXPECT_EQ(V->ImageCacheSize(), 10);
    EXPECT_EQ(V->TransitionEffect, iettNone);
    EXPECT_EQ(V->TransitionDuration, 1000);
    EXPECT_EQ(V->Style(), iemsBox);
    EXPECT_EQ(V->SelectionStyle(), iessAround);
    EXPECT_EQ(V->ThumbnailsBackground, clBtnFace);
    EXPECT_FALSE(V->EnableMultiSelect());
    EXPECT_TRUE(V->MultiSelectionOptions == TIEMultiSelectionOptions{});
    EXPECT_EQ(V->ThumbnailsBorderWidth(), 0);
    EXPECT_EQ(V->ThumbnailsBorderColor(), clBtnFace);
    EXPECT_FALSE(V->ThumbnailsInternalBorder());
    EXPECT_EQ(V->ThumbnailsInternalBorderColor(), clBlack);
    EXPECT_EQ(V->WallPaper().Graphic(), nullptr);
    EXPECT_EQ(V->WallPaperStyle(), iewoNormal);
    EXPECT_EQ(V->ThreadPoolSize, 5);
    EXPECT_TRUE(V->EnableAlphaChannel);
    EXPECT_EQ(V->BackgroundStyle, iebsSolid);
    EXPECT_EQ(V->ThumbnailsBackgroundStyle, iebsSolid);
    EXPECT_FALSE(V->FlatScrollBars());
    EXPECT_TRUE(V->ShowCaptions());
    EXPECT_TRUE(V->ShowCellBackground());
}

const char* const GridForm = R"(object frmGrid: TForm
  Left = 60
  Top = 60
  BorderStyle = bsSingle
  ClientHeight = 200
  ClientWidth = 300
  object imvView: TIEMultiView
    Left = 0
    Top = 0
    Width = 300
    Height = 200
    ThumbWidth = 70
    ThumbHeight = 60
    HorizBorder = 6
    VertBorder = 7
    UpperGap = 3
    BottomGap = 9
    VisibleSelection = False
    KeyInteract = []
    DisplayMode = mdGrid
    GridWidth = 2
    SelectionWidth = 4
    SelectionColor = clBlue
    RemoveCorrupted = True
    DrawImageBackground = True
    ImageCacheSize = 4
    Style = iemsFlat
    SelectionStyle = iessBox
    ThumbnailsBackground = clYellow
    EnableMultiSelect = True
    MultiSelectionOptions = [iemoRegion]
    ThumbnailsBorderWidth = 2
    ThumbnailsBorderColor = clGreen
    ThumbnailsInternalBorder = True
    ThumbnailsInternalBorderColor = clMaroon
    WallPaperStyle = iewoTile
    ThreadPoolSize = 2
    EnableAlphaChannel = False
    BackgroundStyle = iebsChessboard
    ThumbnailsBackgroundStyle = iebsCross
    FlatScrollBars = True
    TransitionDuration = 500
  end
end
)";

// Every property of the form file reaches the grid, and flat scroll bars asked for
// before the window existed are set up when it is made.
TEST(MultiViewForm, PropertiesFromAFormFile) {
    struct TGridForm : TForm {
        TIEMultiView* imvView = nullptr;
        explicit TGridForm(TComponent* Owner) : TForm(Owner) {
            DefineField("imvView", imvView);
            LoadFromText(GridForm, "grid.frm");
        }
    };
    auto* F = new TGridForm(Application);
    TIEMultiView* V = F->imvView;
    ASSERT_NE(V, nullptr);
    EXPECT_EQ(V->ThumbWidth, 70);
    EXPECT_EQ(V->ThumbHeight, 60);
    EXPECT_EQ(V->HorizBorder, 6);
    EXPECT_EQ(V->VertBorder, 7);
    EXPECT_EQ(V->UpperGap(), 3);
    EXPECT_EQ(V->BottomGap(), 9);
    EXPECT_FALSE(V->VisibleSelection);
    EXPECT_TRUE(V->KeyInteract == TIEMKeyInteract{});
    EXPECT_EQ(V->GridWidth, 2);
    EXPECT_EQ(V->SelectionWidth, 4);
    EXPECT_EQ(V->SelectionColor, clBlue);
    EXPECT_TRUE(V->RemoveCorrupted);
    EXPECT_TRUE(V->DrawImageBackground);
    EXPECT_EQ(V->ImageCacheSize(), 4);
    EXPECT_EQ(V->Style(), iemsFlat);
    EXPECT_EQ(V->SelectionStyle(), iessBox);
    EXPECT_EQ(V->ThumbnailsBackground, clYellow);
    EXPECT_TRUE(V->EnableMultiSelect());
    EXPECT_TRUE(V->MultiSelectionOptions == TIEMultiSelectionOptions{iemoRegion});
    EXPECT_EQ(V->ThumbnailsBorderWidth(), 2);
    EXPECT_EQ(V->ThumbnailsBorderColor(), clGreen);
    EXPECT_TRUE(V->ThumbnailsInternalBorder());
    EXPECT_EQ(V->ThumbnailsInternalBorderColor(), clMaroon);
    EXPECT_EQ(V->WallPaperStyle(), iewoTile);
    EXPECT_EQ(V->ThreadPoolSize, 2);
    EXPECT_FALSE(V->EnableAlphaChannel);
    EXPECT_EQ(V->BackgroundStyle, iebsChessboard);
    EXPECT_EQ(V->ThumbnailsBackgroundStyle, iebsCross);
    EXPECT_EQ(V->TransitionDuration, 500);
    EXPECT_TRUE(V->FlatScrollBars());
    F->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form"));
    EXPECT_TRUE(FlatSBInitialized(V->Handle()));
    // The flat bars work as the others: a grid taller than its window gets its bar.
    for (int I = 0; I < 20; ++I) V->InsertImage(I);
    V->Update();
    TestHooks::PumpPending();
    EXPECT_TRUE(GetWindowLongW(V->Handle(), GWL_STYLE) & WS_VSCROLL);
    V->Perform(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(V->ViewY(), 60 + 7);
    V->SetFlatScrollBars(false);
    EXPECT_FALSE(FlatSBInitialized(V->Handle()));
    V->SetFlatScrollBars(true);
    EXPECT_TRUE(FlatSBInitialized(V->Handle()));
    F->Free();
    TestHooks::PumpPending();
}

// ---- on the screen

// A shown form holding one borderless grid of W x H without scroll bars, and a button
// to take the focus away.
struct TShownGrid {
    TForm* Form = nullptr;
    TIEMultiView* View = nullptr;
    TButton* Other = nullptr;
    TShownGrid(int W, int H) {
        Form = new TForm(Application);
        Form->SetBounds(40, 40, W + 60, H + 100);
        View = new TIEMultiView(Form);
        View->SetBorderStyle(bsNoBorder);
        View->SetScrollBars(ssNone);
        View->SetParent(Form);
        View->SetBounds(10, 10, W, H);
        Other = new TButton(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, H + 30, 60, 24);
        Form->Show();
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the form"));
    }
    ~TShownGrid() {
        Form->Free();
        TestHooks::PumpPending();
    }
    TShownGrid(const TShownGrid&) = delete;
    TShownGrid& operator=(const TShownGrid&) = delete;
    void Settle() {
        View->Invalidate();
        TestHooks::PumpPending();
    }
};

// Six coded pictures of varied shapes in three columns of 90 x 80 cells, each with a
// bottom caption; image 4 selected.
void FillSix(TIEMultiView* V) {
    const struct {
        int W, H;
        const char* Caption;
    } Pics[] = {{80, 60, "one.png"},    {40, 90, "two.jpg"},
                {120, 30, "three.bmp"}, {60, 60, "a-very-long-name-of-a-picture.tif"},
                {30, 20, "five.gif"},   {90, 70, "six.png"}};
    V->ThumbWidth = 90;
    V->ThumbHeight = 80;
    V->GridWidth = 3;
    V->SetBackground(static_cast<TColor>(0xF0E8E0));
    V->ThumbnailsBackground = static_cast<TColor>(0xC8D0D8);
    for (int I = 0; I < 6; ++I) {
        V->InsertImage(I);
        TIEBitmap B;
        FillCoded(B, Pics[I].W, Pics[I].H);
        V->SetImageBitmap(I, &B);
        V->GetImageBottomText(I)->SetCaption(Pics[I].Caption);
    }
    V->SetSelectedImage(4);
    V->Update();
}

constexpr int GridW = 3 * 94 + 4, GridH = 2 * 84 + 4;

// The selection frame: SelectionWidth rings of SelectionColor around the cell while
// the grid has the focus, one ring without it; the long caption is cut at its start.
TEST(MultiViewPaint, CaptionsAndTheSelectionFrameFocusedAndNot) {
    TShownGrid S(GridW, GridH);
    TIEMultiView* V = S.View;
    FillSix(V);
    V->SetFocus();
    S.Settle();
    ASSERT_TRUE(V->Focused());
    const TRect R = V->ThumbRect(4);
    for (int D = 1; D <= 3; ++D)
        EXPECT_EQ(ScreenPixel(V, R.left - D, R.top + 40), 0xFF0000u) << "ring " << D << " with the focus";
    ExpectWindowMatchesGolden(V->Handle(), "imaging/views/grid_captions_focused.png");

    S.Other->SetFocus();
    S.Settle();
    ASSERT_FALSE(V->Focused());
    EXPECT_EQ(ScreenPixel(V, R.left - 1, R.top + 40), 0xFF0000u);
    EXPECT_NE(ScreenPixel(V, R.left - 2, R.top + 40), 0xFF0000u);
    ExpectWindowMatchesGolden(V->Handle(), "imaging/views/grid_captions_unfocused.png");

    // The same picture through the stretched copy a 16-bit screen takes.
    const int32_t Depth = IEScreenBitsPerPixel;
    IEScreenBitsPerPixel = 16;
    S.Settle();
    IEScreenBitsPerPixel = Depth;
    ExpectWindowMatchesGolden(V->Handle(), "imaging/views/grid_captions_unfocused.png");
}

// The two styles with all three captions, borders around cells and images, and the
// selection drawn as a highlighted box.
TEST(MultiViewPaint, BoxAndFlatStylesWithBorders) {
    struct {
        const char* Name;
        TIEMStyle Style;
        TIESStyle Selection;
    } const Cases[] = {{"box", iemsBox, iessAround}, {"flat", iemsFlat, iessAround}, {"box_selbox", iemsBox, iessBox}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TShownGrid S(GridW, 2 * 104 + 4);
        TIEMultiView* V = S.View;
        V->SetStyle(C.Style);
        V->SetSelectionStyle(C.Selection);
        FillSix(V);
        V->ThumbHeight = 100;
        V->SetThumbnailsBorderWidth(2);
        V->SetThumbnailsBorderColor(static_cast<TColor>(0x804000));
        V->SetThumbnailsInternalBorder(true);
        V->SetThumbnailsInternalBorderColor(static_cast<TColor>(0x0000C0));
        for (int I = 0; I < 6; ++I) {
            V->GetImageTopText(I)->SetCaption("top " + std::to_string(I));
            V->GetImageInfoText(I)->SetCaption("info");
            if (I % 2) V->GetImageBottomText(I)->BackgroundStyle = 1;
        }
        V->Update();
        V->SetFocus();
        S.Settle();
        ExpectWindowMatchesGolden(V->Handle(), std::string("imaging/views/grid_style_") + C.Name + ".png");
    }
}

// A file that cannot be read shows the placeholder: white with a blue "?" over its
// grey shadow.
TEST(MultiViewPaint, ThePlaceholder) {
    const std::filesystem::path Bad =
        std::filesystem::temp_directory_path() / ("grid_placeholder_" + std::to_string(::getpid()) + ".png");
    std::ofstream(Bad) << "\x89PNG not really";
    TShownGrid S(2 * 104 + 4, 108);
    TIEMultiView* V = S.View;
    V->SetBackground(static_cast<TColor>(0xF0E8E0));
    V->ThreadPoolSize = 0;  // read while painting
    V->InsertImage(0);
    V->SetImageFileName(0, Bad.string());
    V->InsertImage(1);
    V->SetImageFileName(1, Bad.string());
    V->Update();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return V->IsImageStored(0) && V->IsImageStored(1); }, 5000, "the reads"));
    S.Settle();
    std::filesystem::remove(Bad);
    // The window's pixels in one shot (0x00RRGGBB).
    const std::string Shot =
        (std::filesystem::temp_directory_path() / ("grid_placeholder_shot_" + std::to_string(::getpid()) + ".png"))
            .string();
    ASSERT_TRUE(WinSaveWindowPng(V->Handle(), Shot));
    std::vector<uint32_t> Px;
    int PW = 0, PH = 0;
    ASSERT_TRUE(LoadPixelsPng(Shot, Px, PW, PH));
    std::filesystem::remove(Shot);
    const TRect R = V->ThumbRect(1);
    int Blue = 0, Grey = 0, White = 0;
    for (int Y = R.top; Y < R.bottom; ++Y)
        for (int X = R.left; X < R.right; ++X) {
            const uint32_t P = Px[static_cast<size_t>(Y) * PW + X];
            Blue += P == 0x0000FFu;
            Grey += P == 0x808080u;
            White += P == 0xFFFFFFu;
        }
    EXPECT_GT(Blue, 1000);
    EXPECT_GT(Grey, 100);
    EXPECT_GT(White, 3000);
    ExpectWindowMatchesGolden(V->Handle(), "imaging/views/grid_placeholder.png");
}

// The grid's background styles and wallpapers; a wallpaper without size in tile mode is
// drawn once and the paint ends.
TEST(MultiViewPaint, BackgroundsAndWallpapers) {
    struct {
        const char* Name;
        TIEBackgroundStyle Back, Cells;
        TIEWallPaperStyle Wall;
        int WallW, WallH;
    } const Cases[] = {
        {"chessboard_cross", iebsChessboard, iebsCross, iewoNormal, -1, -1},
        {"gradient_diagonals", iebsGradient, iebsDiagonals, iewoNormal, -1, -1},
        {"wallpaper_normal", iebsSolid, iebsSolid, iewoNormal, 14, 10},
        {"wallpaper_stretch", iebsSolid, iebsSolid, iewoStretch, 14, 10},
        {"wallpaper_tile", iebsSolid, iebsSolid, iewoTile, 14, 10},
        {"wallpaper_tile_empty", iebsSolid, iebsSolid, iewoTile, 0, 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TShownGrid S(2 * 64 + 4, 84 + 30);
        TIEMultiView* V = S.View;
        V->SetBackground(static_cast<TColor>(0x3080C0));
        V->ThumbWidth = V->ThumbHeight = 60;
        V->GridWidth = 2;
        V->BackgroundStyle = C.Back;
        V->ThumbnailsBackgroundStyle = C.Cells;
        V->ThumbnailsBackground = static_cast<TColor>(0x20A020);
        if (C.WallW >= 0) {
            TPicture P;
            TBitmap& B = P.Bitmap();
            B.SetPixelFormat(pf24bit);
            B.SetSize(C.WallW, C.WallH);
            if (C.WallW > 0) {
                B.Canvas().Brush().SetColor(static_cast<TColor>(0x2020C0));
                B.Canvas().FillRect(TRect(0, 0, C.WallW, C.WallH));
                B.Canvas().Brush().SetColor(static_cast<TColor>(0xC02020));
                B.Canvas().FillRect(TRect(0, 0, C.WallW / 2, C.WallH / 2));
            }
            V->SetWallPaper(&P);
            V->SetWallPaperStyle(C.Wall);
        }
        // An image with a transparent half, so the cell's background shows through it.
        for (int I = 0; I < 2; ++I) V->InsertImage(I);
        TIEBitmap B;
        FillCoded(B, 40, 40);
        for (int Y = 0; Y < 40; ++Y)
            for (int X = 20; X < 40; ++X) B.GetAlphaChannel()->Scanline(Y)[X] = 0;
        B.GetAlphaChannel()->Full = false;
        V->SetImageBitmap(1, &B);
        V->DeselectAll();
        V->Update();
        S.Settle();
        ExpectWindowMatchesGolden(V->Handle(), std::string("imaging/views/grid_") + C.Name + ".png");
    }
}

// A cell drawn from its cached thumbnail looks the same among other cells as alone:
// nothing of the cell drawn before it (its alpha, its size) carries over.
TEST(MultiViewPaint, CachedCellsDrawTheSameAloneAndAmongOthers) {
    const struct {
        int W, H;
        bool Alpha;
    } Pics[] = {{40, 40, true}, {40, 40, false}, {40, 40, true}, {30, 50, false}, {30, 50, false}};
    const int N = 5;
    auto Add = [&](TIEMultiView* V, int Pic) {
        const int32_t I = V->GetImageCount();
        V->InsertImage(I);
        TIEBitmap B;
        FillCoded(B, Pics[Pic].W, Pics[Pic].H);
        if (Pics[Pic].Alpha) {
            for (int Y = 0; Y < Pics[Pic].H; ++Y)
                for (int X = Pics[Pic].W / 2; X < Pics[Pic].W; ++X) B.GetAlphaChannel()->Scanline(Y)[X] = 0;
            B.GetAlphaChannel()->Full = false;
        } else {
            B.RemoveAlphaChannel();
        }
        V->SetImageBitmap(I, &B);
    };
    auto Setup = [](TIEMultiView* V) {
        V->ThumbWidth = V->ThumbHeight = 60;
        V->GridWidth = N;
        V->SetBackground(static_cast<TColor>(0x3080C0));
        V->ThumbnailsBackground = static_cast<TColor>(0x20A020);
    };
    // The cell as the grid composes it, the second time from the cached thumbnail.
    auto Cell = [](TIEMultiView* V, int I) {
        TBitmap B(V->ClientWidth(), V->ClientHeight(), pf24bit);
        V->PaintTo(&B);
        V->PaintTo(&B);
        const TRect R = V->ThumbRect(I);
        std::vector<uint8_t> P;
        for (int Y = R.top; Y < R.bottom; ++Y) {
            const auto* Row = static_cast<const uint8_t*>(B.ScanLine(Y));
            P.insert(P.end(), Row + 3 * R.left, Row + 3 * R.right);
        }
        return P;
    };
    std::vector<std::vector<uint8_t>> Among;
    {
        TShownGrid S(N * 64 + 4, 64 + 4);
        Setup(S.View);
        for (int I = 0; I < N; ++I) Add(S.View, I);
        S.View->DeselectAll();
        S.View->Update();
        for (int I = 0; I < N; ++I) Among.push_back(Cell(S.View, I));
    }
    for (int I = 0; I < N; ++I) {
        SCOPED_TRACE(I);
        TShownGrid S(N * 64 + 4, 64 + 4);
        Setup(S.View);
        Add(S.View, I);
        S.View->DeselectAll();
        S.View->Update();
        EXPECT_TRUE(Cell(S.View, 0) == Among[I]);
    }
}

// The drawing events: OnBeforeImageDraw with each cell's corner, OnDrawProgress through
// the cells and (100, 0) at the end, and OnBeforeImageDrawEx moving the image inside the
// cell, which leaves out the selection frame.
TEST(MultiViewPaint, DrawingEvents) {
    TShownGrid S(GridW, GridH);
    TIEMultiView* V = S.View;
    FillSix(V);
    V->SetFocus();
    S.Settle();
    std::vector<std::vector<int>> Before, Progress;
    V->OnBeforeImageDraw = [&](TObject* Sender, int32_t I, int32_t L, int32_t T, TCanvas* C) {
        EXPECT_EQ(Sender, V);
        EXPECT_NE(C, nullptr);
        Before.push_back({I, L, T});
    };
    V->OnDrawProgress = [&](TObject*, int32_t Per, int32_t I) { Progress.push_back({Per, I}); };
    S.Settle();
    ASSERT_EQ(Before.size(), 6u);
    for (int I = 0; I < 6; ++I) {
        EXPECT_EQ(Before[I], (std::vector<int>{I, V->ThumbRect(I).left, V->ThumbRect(I).top}));
    }
    EXPECT_EQ(Progress, (std::vector<std::vector<int>>{{0, 0}, {16, 1}, {33, 2}, {50, 3}, {66, 4}, {83, 5}, {100, 0}}));

    // The image of cell 4 (30 x 20) drawn into a 50 x 40 rectangle at (20, 5) of the cell;
    // the rest of the cell is not painted.
    V->OnBeforeImageDrawEx = [&](TObject*, int32_t I, int32_t, int32_t, TBitmap*, TRect& R) {
        if (I == 4) R = TRect(20, 5, 70, 45);
    };
    V->Update();
    S.Settle();
    const TRect R = V->ThumbRect(4);
    EXPECT_NE(ScreenPixel(V, R.left - 1, R.top + 40), 0xFF0000u) << "no selection frame";
    int32_t Gw, Gh;
    ScaleToFit(30, 20, 50, 40 - V->BottomGap(), Gw, Gh);
    const TRect D = V->DrawnImageRect(4);
    EXPECT_EQ((std::vector<int>{D.left, D.top, D.right, D.bottom}), (std::vector<int>{0, 0, Gw, Gh}));
    const uint32_t Grid = 0xE0E8F0, Cell = 0xD8D0C8;  // the screen's order of the two backgrounds
    EXPECT_EQ(ScreenPixel(V, R.left + 5, R.top + 5), Grid);
    EXPECT_EQ(ScreenPixel(V, R.left + 22, R.top + 7), Cell);
    EXPECT_EQ(ScreenPixel(V, R.left + 80, R.top + 40), Grid);
}

// The processing component comes once, attached to the grid, with the grid's OnProgress.
TEST(MultiViewPaint, TheProcessingComponent) {
    TShownGrid S(GridW, GridH);
    TIEMultiView* V = S.View;
    FillSix(V);
    int Reports = 0;
    V->SetOnProgress([&](TObject*, int32_t) { ++Reports; });
    TIEImageProc* P = V->GetProc();
    ASSERT_NE(P, nullptr);
    EXPECT_EQ(V->GetProc(), P);
    EXPECT_EQ(P->AttachedIEView(), static_cast<TIEAttachedView*>(V));
    EXPECT_EQ(P->AttachedBitmap(), V->GetIEBitmap());
    P->Resample(20, 10, rfTriangle);
    EXPECT_GT(Reports, 0);
    EXPECT_EQ(V->GetImageBitmap(4)->Width(), 20);
}

}  // namespace
