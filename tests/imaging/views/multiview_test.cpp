// The thumbnail grid: filling from a folder in the order of the numbers in the
// file names, selection by program and by mouse, the preset frame, captions
// and the change callbacks, on the headless screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include <unistd.h>

#include "controls/golden_png.h"
#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieformats.h"
#include "imaging/views/iemultiview.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/testhooks.h"
#include "platform/win/winscreen.h"

namespace fs = std::filesystem;

namespace {

// The indexes of the selected images, in order.
std::vector<int> SelectedImages(TIEMultiView& View) {
    std::vector<int> Selected;
    for (int I = 0; I < View.GetImageCount(); ++I)
        if (View.IsImageSelected(I)) Selected.push_back(I);
    return Selected;
}

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEIOStartup();
        IEViewsStartup();
        RegisterMultiView();
    }
    void TearDown() override {
        IEViewsShutdown();
        IEIOShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

const char* const FormText = R"(object frmGrid: TfrmGrid
  Left = 100
  Top = 100
  BorderStyle = bsSingle
  Caption = 'Grid'
  ClientHeight = 250
  ClientWidth = 544
  Color = clBtnFace
  object imvView: TIEMultiView
    Left = 8
    Top = 8
    Width = 528
    Height = 236
    Background = clWhite
    StoreType = ietThumb
    ThumbWidth = 150
    ThumbHeight = 150
    MouseInteract = [mmiScroll, mmiSelect]
    GridWidth = -1
    SelectionWidth = 3
    SelectionColor = clRed
    ThumbnailsBorderColor = clBlack
    OnDblClick = imvViewDblClick
  end
end
)";

class TfrmGrid : public TForm {
public:
    explicit TfrmGrid(TComponent* Owner) : TForm(Owner) {
        DefineMethod("imvViewDblClick", &TfrmGrid::imvViewDblClick);
        DefineField("imvView", imvView);
        LoadFromText(FormText, "frmGrid.frm");
    }
    void imvViewDblClick(TObject*) { ++DblClicks; }
    TIEMultiView* imvView = nullptr;
    int DblClicks = 0;
};

// 40 x 30 pictures of flat colours; the file name's number picks the colour.
TColor ColourOf(int N) { return static_cast<TColor>(((N * 23) % 256) | (((N * 71) % 256) << 8) | (((N * 131) % 256) << 16)); }

void WriteJpeg(const fs::path& Path, TColor Colour, int W = 40, int H = 30) {
    TBitmap B(W, H, pf24bit);
    B.Canvas().Brush().SetColor(Colour);
    B.Canvas().FillRect(Bounds(0, 0, W, H));
    TJPEGImage J;
    J.Assign(B);
    J.SaveToFile(Path.string());
}

class MultiViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("multiview_" + std::to_string(::getpid()));
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        // Written out of order, so that neither creation nor listing order helps.
        for (int N : {10, 3, 1, 7, 2, 9, 5, 4, 8, 6}) WriteJpeg(Dir / (std::to_string(N) + ".jpg"), ColourOf(N));
        std::ofstream(Dir / "notes.txt") << "not a picture";
        fs::create_directories(Dir / "11.jpg");  // a folder: skipped
        std::ofstream(Dir / "12.jpg") << "broken";  // listed, shown as the placeholder
        Form = new TfrmGrid(Application);
        View = Form->imvView;
    }
    void TearDown() override {
        Form->Free();
        TestHooks::PumpPending();
        fs::remove_all(Dir);
    }
    fs::path Dir;
    TfrmGrid* Form = nullptr;
    TIEMultiView* View = nullptr;
};

bool Near(uint32_t A, uint32_t B, int Tol) {
    for (int S = 0; S < 24; S += 8)
        if (std::abs(static_cast<int>((A >> S) & 0xFF) - static_cast<int>((B >> S) & 0xFF)) > Tol) return false;
    return true;
}

TEST(MultiViewOrder, NaturalOrderTable) {
    struct Row {
        const char *A, *B;
        bool Less;
    };
    const Row Rows[] = {
        {"2.jpg", "10.jpg", true},   {"10.jpg", "2.jpg", false}, {"1.jpg", "1.jpg", false},
        {"9.jpg", "10.jpg", true},   {"a2.png", "a10.png", true}, {"b1.jpg", "a10.jpg", false},
        {"1.jpg", "1.png", true},    {"010.jpg", "10.jpg", true}, {"10.jpg", "010.jpg", false},
        {"1.jpg", "1a.jpg", true},   {"99999999999999999999.jpg", "100000000000000000000.jpg", true},
    };
    for (const Row& R : Rows) EXPECT_EQ(IENaturalLess(R.A, R.B), R.Less) << R.A << " < " << R.B;
}

TEST_F(MultiViewTest, FillsInTheOrderOfTheNumbers) {
    std::vector<int32_t> Inserted;
    View->AddBitmapChangeCallback(
        [&](bool Destroying) {
            if (!Destroying && View->GetLastChangeKind() == iectInsert) Inserted.push_back(View->GetLastChangeIndex());
        },
        nullptr);
    View->FillFromDirectory(Dir.string() + "/");
    ASSERT_EQ(View->GetImageCount(), 11);
    // Nothing is read while filling; each appended image was selected in turn.
    for (int i = 0; i < 11; ++i) EXPECT_FALSE(View->IsImageStored(i)) << i;
    EXPECT_EQ(View->SelectedImage(), 10);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        std::string Name = std::to_string(i + 1) + ".jpg";
        ASSERT_NE(View->GetImageBottomText(i), nullptr);
        EXPECT_EQ(View->GetImageBottomText(i)->Text, Name);
        EXPECT_EQ(View->GetImageBottomText(i)->BackgroundStyle, 0);
        EXPECT_EQ(View->ImageFileName(i), Dir.string() + "/" + Name);
        TIEBitmap* B = View->GetImageBitmap(i);
        // The form keeps thumbnails: 40 x 30 read, scaled to fit 150 x 150.
        EXPECT_EQ(View->ImageSourceWidth(i), 40);
        EXPECT_EQ(View->ImageSourceHeight(i), 30);
        ASSERT_EQ(B->Width(), 150);
        ASSERT_GE(B->Height(), 112);
        ASSERT_LE(B->Height(), 113);
        TRGB P = *static_cast<TRGB*>(B->GetScanline(15));
        uint32_t Got = P.r | (P.g << 8) | (P.b << 16);
        EXPECT_TRUE(Near(Got, ColourOf(i + 1), 8)) << std::hex << Got;
    }
    EXPECT_EQ(View->GetImageBottomText(10)->Text, "12.jpg");
    // The unreadable file: the white placeholder of the cell's size with its blue "?".
    TIEBitmap* Wrong = View->GetImageBitmap(10);
    ASSERT_NE(Wrong, nullptr);
    EXPECT_EQ(Wrong->Width(), 150);
    EXPECT_EQ(Wrong->Height(), 150);
    EXPECT_EQ(Wrong->GetPixelRGB24(2, 2).r, 255);
    int Blue = 0;
    for (int Y = 0; Y < 150; ++Y)
        for (int X = 0; X < 150; ++X) {
            TRGB P = Wrong->GetPixelRGB24(X, Y);
            Blue += P.b == 255 && P.r == 0 && P.g == 0;
        }
    EXPECT_GT(Blue, 100);
    EXPECT_EQ(View->GetImageBottomText(11), nullptr);
    EXPECT_EQ(View->GetImageBottomText(-1), nullptr);
    EXPECT_EQ(Inserted, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(View->GetLastChangeKind(), iectNone);  // back to 0 after the callbacks

    // A second fill appends; Clear empties.
    View->Clear();
    EXPECT_EQ(View->GetImageCount(), 0);
    EXPECT_EQ(View->SelectedImage(), -1);
    View->FillFromDirectory(Dir.string());  // without the trailing separator
    EXPECT_EQ(View->GetImageCount(), 11);
    View->FillFromDirectory((Dir / "missing").string());
    EXPECT_EQ(View->GetImageCount(), 11);
}

TEST_F(MultiViewTest, SelectionPresetFrameAndEdits) {
    View->FillFromDirectory(Dir.string());
    View->DeselectAll();
    EXPECT_EQ(View->SelectedImage(), -1);
    EXPECT_EQ(View->GetIEBitmap(), nullptr);
    View->SetSelectedImage(3);
    EXPECT_EQ(View->SelectedImage(), 3);
    for (int Bad : {-1, 11, 100}) {
        View->SetSelectedImage(Bad);
        EXPECT_EQ(View->SelectedImage(), 3);
    }
    EXPECT_EQ(View->GetIEBitmap(), View->GetImageBitmap(3));

    const int32_t W = View->ThumbWidth, H = View->ThumbHeight;
    for (int Bad : {-1, TIEMultiView::PresetThumbnailFrameCount()}) {
        View->SetPresetThumbnailFrame(Bad, clWhite, clRed);
        EXPECT_EQ(View->PresetThumbnailFrame(), -1);
        EXPECT_EQ(View->ThumbWidth, W);
        EXPECT_EQ(View->ThumbHeight, H);
        EXPECT_EQ(View->SelectionWidth, 3);
    }
    View->SetPresetThumbnailFrame(2, clWhite, static_cast<TColor>(0x808000));
    EXPECT_EQ(View->PresetThumbnailFrame(), 2);
    // The notebook page: 163 x 108; captions go, and the selection shows through the frame.
    EXPECT_EQ(View->ThumbWidth, 163);
    EXPECT_EQ(View->ThumbHeight, 108);
    EXPECT_EQ(View->SelectionWidth, 0);
    EXPECT_EQ(View->Style(), iemsFlat);
    EXPECT_FALSE(View->ShowCaptions());
    EXPECT_FALSE(View->ShowCellBackground());

    // Insert reports to the callbacks and keeps the selection on its picture.
    std::vector<int32_t> Kinds;
    View->AddBitmapChangeCallback([&](bool D) { if (!D) Kinds.push_back(View->GetLastChangeKind()); }, nullptr);
    View->InsertImage(0);
    EXPECT_EQ(Kinds, (std::vector<int32_t>{iectInsert}));
    EXPECT_EQ(View->GetLastChangeKind(), iectNone);
    // The selected index stays and names the image now there, the former image 2.
    EXPECT_EQ(View->SelectedImage(), 3);
    EXPECT_EQ(View->GetIEBitmap(), View->GetImageBitmap(3));
    EXPECT_EQ(View->GetImageBottomText(4)->Text, "4.jpg");
    TIEBitmap Src;
    Src.Allocate(7, 5, ieRGB24);
    View->SetImageBitmap(0, &Src);
    EXPECT_NE(View->GetImageBitmap(0), &Src);
    EXPECT_EQ(View->ImageSourceWidth(0), 7);
    EXPECT_EQ(View->GetImageBitmap(0)->Width(), 151);  // scaled up to fit 163 x 108
    View->SetImageDelayTime(0, 250);
    EXPECT_EQ(View->ImageDelayTime(0), 250);
}

// A screen pixel as a colour value (blue in the high byte).
uint32_t At(TControl* C, int X, int Y) {
    uint32_t P = WinHeadlessScreen()->DesktopPixel(C->ClientToScreen(POINT{X, Y}));
    return ((P >> 16) & 0xFF) | (P & 0xFF00) | ((P & 0xFF) << 16);
}

// The selected thumbnail's frame is teal, the others white; captions are not
// filled; a click selects, a double click fires OnDblClick.
TEST_F(MultiViewTest, MouseSelectsAndTheFrameShowsTheSelection) {
    View->FillFromDirectory(Dir.string());
    View->SetSelectedImage(0);
    View->SetPresetThumbnailFrame(2, clWhite, static_cast<TColor>(0x808000));
    for (int i = 0; i < View->GetImageCount(); ++i) View->GetImageBottomText(i)->BackgroundStyle = 1;
    bool Shown = false;
    View->OnAllDisplayed = [&](TObject*) { Shown = true; };
    Form->Show();
    // The selected picture is read at once, the others in the background.
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Shown; }, 20000, "every visible thumbnail"));
    TestHooks::PumpPending();
    // Three columns of 163 with 4 between.
    TRect R0 = View->ThumbRect(0), R1 = View->ThumbRect(1), R4 = View->ThumbRect(4);
    EXPECT_EQ(R0.left, 4);
    EXPECT_EQ(R1.left, 171);
    EXPECT_EQ(R4.top, 4 + 108 + 4);
    // The page below the picture: the selected frame tinted teal (red gone, green and
    // blue lowered by 127), the others untouched.
    const uint32_t Teal = 0x777D00, Page = 0xF6FCFC;
    EXPECT_TRUE(Near(At(View, R0.left + 60, R0.top + 100), Teal, 4)) << std::hex << At(View, R0.left + 60, R0.top + 100);
    EXPECT_TRUE(Near(At(View, R1.left + 60, R1.top + 100), Page, 4)) << std::hex << At(View, R1.left + 60, R1.top + 100);
    // The picture of 2.jpg sits in the middle of the frame's inner rectangle.
    EXPECT_TRUE(Near(At(View, R1.left + 88, R1.top + 53), ColourOf(2), 10)) << std::hex << At(View, R1.left + 88, R1.top + 53);
    // Outside any thumbnail: the white background.
    EXPECT_EQ(At(View, 4, 4), 0xFFFFFFu);
    ExpectWindowMatchesGolden(View->Handle(), "dialogs/multiview_frames.png");

    TestHooks::Click(View->ClientToScreen(POINT{(R1.left + R1.right) / 2, (R1.top + R1.bottom) / 2}));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return View->SelectedImage() == 1; }, 2000, "click selects"));
    TestHooks::PumpPending();
    EXPECT_TRUE(Near(At(View, R1.left + 60, R1.top + 100), Teal, 4));
    EXPECT_TRUE(Near(At(View, R0.left + 60, R0.top + 100), Page, 4));

    WinHeadlessScreen()->DoubleClick(View->ClientToScreen(POINT{(R4.left + R4.right) / 2, (R4.top + R4.bottom) / 2}));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->DblClicks == 1; }, 2000, "double click"));
    EXPECT_EQ(View->SelectedImage(), 4);

    // The wheel moves one row per message, whatever the delta, within the maximum.
    int32_t MX, MY;
    View->GetMaxViewXY(MX, MY);
    ASSERT_GT(MY, 0);
    EXPECT_EQ(View->ViewY(), 0);
    const int Row = 108 + 4;
    View->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-1200)), 0);
    const int E1 = std::min(MY, Row);
    EXPECT_EQ(View->ViewY(), E1);
    View->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    const int E2 = std::min(MY, E1 + Row);
    EXPECT_EQ(View->ViewY(), E2);
    View->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(View->ViewY(), std::max(0, E2 - Row));
}

// Cells on the virtual grid: columns from GridWidth, positions, rows and columns,
// the extent, and the hit test at borders and last pixels.
TEST_F(MultiViewTest, GridGeometryAndHitTest) {
    for (int I = 0; I < 10; ++I) View->InsertImage(I);
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    View->ThumbWidth = View->ThumbHeight = 100;
    View->HorizBorder = View->VertBorder = 4;
    View->GridWidth = 3;
    // Image 4: row 1, column 1 at (108, 108); the extent 316 x 420.
    EXPECT_EQ(View->GetImageRow(4), 1);
    EXPECT_EQ(View->GetImageCol(4), 1);
    EXPECT_EQ(View->ThumbRect(4).left, 108);
    EXPECT_EQ(View->ThumbRect(4).top, 108);
    EXPECT_EQ(View->ExtentWidth(), 316);
    EXPECT_EQ(View->ExtentHeight(), 420);
    struct {
        int X, Y, Image;
    } const Hits[] = {{4, 4, 0}, {103, 103, 0}, {104, 50, -1}, {107, 50, -1}, {108, 50, 1}, {50, 104, -1},
                      {50, 107, -1}, {50, 108, 3}, {207, 207, 4}, {208, 150, -1}, {150, 208, -1}, {1, 1, -1}, {320, 10, -1}, {10, 430, -1}};
    for (const auto& H : Hits) EXPECT_EQ(View->ImageAtPos(H.X, H.Y), H.Image) << H.X << "," << H.Y;
    // GridWidth -1: as many columns as the client width holds; 0: one row.
    struct {
        int GridWidth, ClientW, Columns;
    } const Cols[] = {{-1, 537, 3}, {-1, 100, 0}, {0, 537, 0}, {5, 100, 5}};
    for (const auto& C : Cols) {
        View->GridWidth = C.GridWidth;
        View->ThumbWidth = 163;
        View->SetClientWidth(C.ClientW);
        EXPECT_EQ(View->Columns(), C.Columns) << C.GridWidth << " in " << C.ClientW;
    }
    View->GridWidth = 0;
    View->ThumbWidth = 100;
    EXPECT_EQ(View->GetImageRow(9), 0);
    EXPECT_EQ(View->GetImageCol(9), 9);
    EXPECT_EQ(View->ImageAtPos(108 + 50, 50), 1);
}

// Navigation keys in a 3-column grid: Up, Down, Right, past the end, Home, End, pages,
// and the new selection scrolled into view.
TEST_F(MultiViewTest, NavigationKeysMoveTheSelection) {
    for (int I = 0; I < 30; ++I) View->InsertImage(I);
    View->ThumbWidth = View->ThumbHeight = 100;
    View->HorizBorder = View->VertBorder = 4;
    View->GridWidth = 3;
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    View->SetClientHeight(212);  // two whole rows: a page is 6 images
    View->SetFocus();
    TestHooks::PumpPending();
    auto Key = [&](int VK) {
        WinHeadlessScreen()->KeyPress(VK);
        TestHooks::PumpPending();
        return View->SelectedImage();
    };
    View->SetSelectedImage(4);
    EXPECT_EQ(Key(VK_UP), 1);
    EXPECT_EQ(Key(VK_DOWN), 4);
    EXPECT_EQ(Key(VK_DOWN), 7);
    EXPECT_EQ(Key(VK_RIGHT), 8);
    EXPECT_EQ(Key(VK_LEFT), 7);
    EXPECT_EQ(Key(VK_NEXT), 13);
    EXPECT_EQ(View->GetImageVisibility(13), 2) << "scrolled into view";
    EXPECT_GT(View->ViewY(), 0);
    EXPECT_EQ(Key(VK_END), 29);
    EXPECT_EQ(View->GetImageVisibility(29), 2);
    EXPECT_EQ(Key(VK_RIGHT), 29) << "past the last image the selection stays";
    EXPECT_EQ(Key(VK_PRIOR), 23);
    EXPECT_EQ(Key(VK_HOME), 0);
    EXPECT_EQ(View->ViewY(), 0);
    // With one row (GridWidth 0) Up and Down act as Left and Right.
    View->GridWidth = 0;
    View->SetSelectedImage(5);
    EXPECT_EQ(Key(VK_UP), 4);
    EXPECT_EQ(Key(VK_DOWN), 5);
}

TEST_F(MultiViewTest, ADoubleClickSelectsOnItsFirstPressOnly) {
    for (int I = 0; I < 6; ++I) View->InsertImage(I);
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    View->SetSelectedImage(0);
    const TRect R = View->ThumbRect(2);
    WinHeadlessScreen()->DoubleClick(View->ClientToScreen(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2}));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->DblClicks == 1; }, 2000, "double click"));
    EXPECT_EQ(View->SelectedImage(), 2);
    // A click in the border between cells selects nothing.
    const TRect R3 = View->ThumbRect(3);
    TestHooks::Click(View->ClientToScreen(POINT{R3.left - 2, R3.top + 10}));
    TestHooks::PumpPending();
    EXPECT_EQ(View->SelectedImage(), 2);
}

// The scroll bars: set up for what does not fit, each code moves the offset, and bar
// messages are no user action (no OnViewChange).
TEST_F(MultiViewTest, ScrollBarMessagesAndMouseScrolling) {
    for (int I = 0; I < 30; ++I) View->InsertImage(I);
    View->ThumbWidth = View->ThumbHeight = 100;
    View->HorizBorder = View->VertBorder = 4;
    View->GridWidth = 3;
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    View->UpdateLayout();
    TestHooks::PumpPending();
    EXPECT_TRUE(GetWindowLongW(View->Handle(), GWL_STYLE) & WS_VSCROLL);
    int32_t MX, MY;
    View->GetMaxViewXY(MX, MY);
    ASSERT_GT(MY, 300);
    int Changes = 0;
    View->OnViewChange = [&](TObject*, int32_t) { ++Changes; };
    const int CH = View->ClientHeight();
    struct {
        int Code, Pos, Start, Expected;
        bool Tracking;
    } const Cases[] = {
        {SB_LINEDOWN, 0, 100, 204, true},  {SB_LINEUP, 0, 100, 0, true},      {SB_PAGEDOWN, 0, 100, 100 + CH, true},
        {SB_PAGEUP, 0, 100, 0, true},      {SB_TOP, 0, 100, 0, true},         {SB_BOTTOM, 0, 100, MY, true},
        {SB_ENDSCROLL, 0, 100, 100, true}, {SB_THUMBTRACK, 20000, 100, 100, false},
        {SB_THUMBTRACK, 20000, 100, static_cast<int>(20000 * View->ScrollRatioY()), true},
    };
    for (const auto& C : Cases) {
        View->SetViewY(C.Start);
        View->VScrollBarParams.Tracking = C.Tracking;
        View->Perform(WM_VSCROLL, MAKEWPARAM(C.Code, C.Pos), 0);
        EXPECT_EQ(View->ViewY(), C.Expected) << "code " << C.Code;
    }
    EXPECT_DOUBLE_EQ(View->ScrollRatioY(), (CH + MY - 1) / 65536.0);
    EXPECT_EQ(Changes, 0);
    // With mmiScroll alone a drag scrolls by the distance and a click selects nothing.
    View->MouseInteract = TIEMMouseInteract{mmiScroll};
    View->SetSelectedImage(0);
    View->SetViewY(0);
    WinHeadlessScreen()->Drag(View->ClientToScreen(POINT{50, 150}), View->ClientToScreen(POINT{40, 60}), 4);
    TestHooks::PumpPending();
    EXPECT_EQ(View->ViewY(), 90);
    EXPECT_EQ(View->SelectedImage(), 0);
    EXPECT_GT(Changes, 0);
}

// Changing ScrollBars shows exactly the bars the new style allows, from every style to
// every other, on a grid too wide and too tall for its client area: a bar the style
// leaves out is hidden at once, one it takes in comes back.
TEST_F(MultiViewTest, ScrollBarsShowTheBarsTheStyleAllows) {
    for (int I = 0; I < 30; ++I) View->InsertImage(I);
    View->ThumbWidth = View->ThumbHeight = 100;
    View->HorizBorder = View->VertBorder = 4;
    View->GridWidth = 8;  // 836 pixels wide, four rows
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    TestHooks::PumpPending();
    const struct {
        TScrollStyle Style;
        bool Horz, Vert;
    } Styles[] = {{ssNone, false, false}, {ssHorizontal, true, false}, {ssVertical, false, true}, {ssBoth, true, true}};
    auto Bars = [&] {
        const LONG S = GetWindowLongW(View->Handle(), GWL_STYLE);
        return std::make_pair((S & WS_HSCROLL) != 0, (S & WS_VSCROLL) != 0);
    };
    for (const auto& From : Styles)
        for (const auto& To : Styles) {
            View->SetScrollBars(From.Style);
            TestHooks::PumpPending();
            EXPECT_EQ(Bars(), std::make_pair(From.Horz, From.Vert)) << "style " << From.Style;
            View->SetScrollBars(To.Style);
            TestHooks::PumpPending();
            EXPECT_EQ(Bars(), std::make_pair(To.Horz, To.Vert)) << "style " << From.Style << " to " << To.Style;
        }
}

// Every layout pass ends by calling the bitmap-change callbacks (kind 0, the selected
// image's bitmap in place); a pass held back by the paint lock calls them when it runs.
// Keeping the offset in range reports a view change only inside a user action.
TEST_F(MultiViewTest, LayoutPassesNotifyTheAttachedComponents) {
    for (int I = 0; I < 30; ++I) View->InsertImage(I);
    View->ThumbWidth = View->ThumbHeight = 100;
    View->HorizBorder = View->VertBorder = 4;
    View->GridWidth = 3;
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    View->SetSelectedImage(4);
    View->SetFocus();
    TestHooks::PumpPending();
    int Calls = 0;
    bool KindsZero = true, BitmapCurrent = true;
    View->AddBitmapChangeCallback(
        [&](bool Destroying) {
            if (Destroying) return;
            ++Calls;
            KindsZero = KindsZero && View->GetLastChangeKind() == iectNone;
            const int32_t S = View->SelectedImage();
            BitmapCurrent = BitmapCurrent && View->GetIEBitmap() == (S >= 0 ? View->GetImageBitmap(S) : nullptr);
        },
        nullptr);
    int ViewChanges = 0;
    View->OnViewChange = [&](TObject*, int32_t) { ++ViewChanges; };
    struct {
        const char* What;
        std::function<void()> Act;
        bool Notifies;
    } const Cases[] = {
        {"UpdateLayout", [&] { View->UpdateLayout(false); }, true},
        {"Update", [&] { View->Update(); }, true},
        {"new size", [&] { View->SetClientHeight(View->ClientHeight() - 30); }, true},
        {"cell size", [&] { View->ThumbHeight = 90; View->UpdateLayout(); }, true},
        {"locked", [&] { View->LockPaint(); View->UpdateLayout(false); }, false},
        {"unlocked", [&] { View->UnlockPaint(); }, true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        Calls = 0;
        C.Act();
        TestHooks::PumpPending();
        EXPECT_EQ(Calls > 0, C.Notifies);
    }
    EXPECT_TRUE(KindsZero);
    EXPECT_TRUE(BitmapCurrent);
    EXPECT_EQ(ViewChanges, 0);
    // Smaller cells shrink the grid below the offset: the layout pulls it back, silently.
    int32_t MX, MY;
    View->GetMaxViewXY(MX, MY);
    View->SetViewY(MY);
    View->ThumbHeight = 40;
    View->UpdateLayout();
    View->GetMaxViewXY(MX, MY);
    EXPECT_EQ(View->ViewY(), MY);
    EXPECT_EQ(ViewChanges, 0);
    // A key is a user action: its move reports, and its closing layout notifies.
    Calls = 0;
    WinHeadlessScreen()->KeyPress(VK_HOME);
    TestHooks::PumpPending();
    EXPECT_EQ(View->SelectedImage(), 0);
    EXPECT_GT(ViewChanges, 0);
    EXPECT_GT(Calls, 0);
    EXPECT_TRUE(KindsZero);
    EXPECT_TRUE(BitmapCurrent);
}

// Over-long captions keep their end ("..." in front) or their start ("..." after),
// as long a part as fits; other cut sides leave them whole.
TEST_F(MultiViewTest, CaptionsAreCutToTheCell) {
    TBitmap B(10, 10, pf24bit);
    TCanvas& C = B.Canvas();
    const std::string Long = "a-rather-long-file-name-of-a-template.jpg";
    const int W = C.TextWidth(Long) / 2;
    const std::string End = IECutCaption(C, Long, W, 1), Start = IECutCaption(C, Long, W, 0);
    ASSERT_EQ(End.substr(0, 3), "...");
    EXPECT_LE(C.TextWidth(End), W);
    EXPECT_EQ(Long.substr(Long.size() - (End.size() - 3)), End.substr(3));
    EXPECT_GT(C.TextWidth("..." + Long.substr(Long.size() - (End.size() - 2))), W) << "the longest tail that fits";
    ASSERT_EQ(Start.substr(Start.size() - 3), "...");
    EXPECT_LE(C.TextWidth(Start), W);
    EXPECT_EQ(Long.substr(0, Start.size() - 3), Start.substr(0, Start.size() - 3));
    EXPECT_GT(C.TextWidth(Long.substr(0, Start.size() - 2) + "..."), W) << "the longest head that fits";
    EXPECT_EQ(IECutCaption(C, Long, W, 2), Long);
    EXPECT_EQ(IECutCaption(C, "short", 1000, 1), "short");
    EXPECT_EQ(IECutCaption(C, Long, 1, 1), "...");
    // Whole characters: a two-byte letter is never split.
    const std::string Accented = "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9.jpg";
    const std::string Cut = IECutCaption(C, Accented, C.TextWidth(Accented) / 2, 1);
    EXPECT_NE(static_cast<unsigned char>(Cut[3]) & 0xC0, 0x80u);
}

TEST_F(MultiViewTest, DeletingMovesTheSelectionWithTheImages) {
    for (int I = 0; I < 5; ++I) View->InsertImage(I);
    struct {
        int Selected, Delete, After;
        bool Deleted;
    } const Cases[] = {{4, 4, 3, true}, {3, 1, 2, true}, {1, 3, 1, true}, {2, 2, 2, true}, {2, 5, 2, false},
                       {2, -1, 2, false}};
    for (const auto& C : Cases) {
        while (View->GetImageCount() < 5) View->InsertImage(View->GetImageCount());
        View->SetSelectedImage(C.Selected);
        EXPECT_EQ(View->DeleteImage(C.Delete), C.Deleted) << C.Delete;
        EXPECT_EQ(View->SelectedImage(), C.After) << C.Selected << " " << C.Delete;
    }
}

// With EnableMultiSelect: Ctrl-click adds and removes, Shift-click takes the range from
// the anchor, with iemoRegion the rectangle of rows and columns; events for user clicks.
TEST_F(MultiViewTest, MultipleSelectionByClicks) {
    for (int I = 0; I < 12; ++I) View->InsertImage(I);
    View->ThumbWidth = View->ThumbHeight = 100;
    View->HorizBorder = View->VertBorder = 4;
    View->GridWidth = 4;
    View->SetEnableMultiSelect(true);
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    std::vector<int> Selects, Deselects;
    View->OnImageSelect = [&](TObject*, int32_t I) { Selects.push_back(I); };
    View->OnImageDeselect = [&](TObject*, int32_t I) { Deselects.push_back(I); };
    auto Click = [&](int Index, std::initializer_list<int> Keys) {
        const TRect R = View->ThumbRect(Index);
        for (int K : Keys) WinHeadlessScreen()->KeyDown(K);
        WinHeadlessScreen()->Click(View->ClientToScreen(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2}));
        for (int K : Keys) WinHeadlessScreen()->KeyUp(K);
        TestHooks::PumpPending();
        return SelectedImages(*View);
    };
    EXPECT_EQ(Click(1, {}), (std::vector<int>{1}));
    EXPECT_EQ(Click(6, {VK_CONTROL}), (std::vector<int>{1, 6}));
    // (Two clicks in a row on one image would make a double click.)
    EXPECT_EQ(Click(3, {VK_CONTROL}), (std::vector<int>{1, 3, 6}));
    Deselects.clear();
    EXPECT_EQ(Click(6, {VK_CONTROL}), (std::vector<int>{1, 3}));
    EXPECT_EQ(Deselects, (std::vector<int>{6}));
    EXPECT_EQ(Click(1, {}), (std::vector<int>{1}));
    EXPECT_EQ(Click(4, {VK_SHIFT}), (std::vector<int>{1, 2, 3, 4}));
    View->MultiSelectionOptions = TIEMultiSelectionOptions{iemoRegion};
    EXPECT_EQ(Click(7, {}), (std::vector<int>{7}));
    EXPECT_EQ(Click(1, {}), (std::vector<int>{1}));
    EXPECT_EQ(Click(6, {VK_SHIFT}), (std::vector<int>{1, 2, 5, 6}));  // rows 0-1, columns 1-2
    EXPECT_FALSE(Selects.empty());
    // Keys with Shift or Ctrl add each image moved to; without, the selection moves alone.
    auto Key = [&](int VK, std::initializer_list<int> Keys) {
        for (int K : Keys) WinHeadlessScreen()->KeyDown(K);
        WinHeadlessScreen()->KeyPress(VK);
        for (int K : Keys) WinHeadlessScreen()->KeyUp(K);
        TestHooks::PumpPending();
        return SelectedImages(*View);
    };
    EXPECT_EQ(Click(4, {}), (std::vector<int>{4}));
    EXPECT_EQ(Key(VK_RIGHT, {VK_SHIFT}), (std::vector<int>{4, 5}));
    EXPECT_EQ(Key(VK_RIGHT, {VK_CONTROL}), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(Key(VK_LEFT, {}), (std::vector<int>{5}));
    // The program's own selections fire no events.
    Selects.clear();
    View->SetSelectedImage(0);
    EXPECT_TRUE(Selects.empty());
}

// With EnableMultiSelect, pressing on an image and dragging selects the range from it
// to the image under the mouse (with iemoRegion the rectangle of rows and columns), in
// place of the selection; the border between cells, the image reached last and points
// beyond the grid change nothing, and the release keeps the range. The events follow
// every change, so a handler that tracks them ends with the view's selection.
TEST_F(MultiViewTest, DraggingSelectsTheRangeFromThePressedImage) {
    for (int I = 0; I < 12; ++I) View->InsertImage(I);
    View->ThumbWidth = View->ThumbHeight = 100;
    View->HorizBorder = View->VertBorder = 4;
    View->GridWidth = 4;
    View->MouseInteract = TIEMMouseInteract{mmiSelect};
    Form->SetBounds(300, 300, Form->Width(), Form->Height());  // room above and left of the grid
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    TestHooks::PumpPending();
    // Pseudo cells: the border between images 5 and 6, and a point above and left of
    // the grid, where the hit test gives a negative number other than -1.
    const int Border = -1, Beyond = -2;
    ASSERT_LT(View->ImageAtPos(-150, -150), -1);
    POINT LastPress{-1000, -1000};
    auto PointOf = [&](int Cell) {
        if (Cell == Beyond) return View->ClientToScreen(POINT{-150, -150});
        if (Cell == Border) {
            const TRect R6 = View->ThumbRect(6);
            return View->ClientToScreen(POINT{R6.left - 2, R6.top + 30});
        }
        const TRect R = View->ThumbRect(Cell);
        return View->ClientToScreen(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2});
    };
    // Two presses at one point in a row would make a double click.
    auto PressPoint = [&](int Cell) {
        POINT P = PointOf(Cell);
        if (std::abs(P.x - LastPress.x) <= 10 && std::abs(P.y - LastPress.y) <= 10) P.x += 25;
        LastPress = P;
        return P;
    };
    std::set<int> Tracked;
    int Events = 0;
    View->OnImageSelect = [&](TObject*, int32_t I) { Tracked.insert(I), ++Events; };
    View->OnImageDeselect = [&](TObject*, int32_t I) { Tracked.erase(I), ++Events; };
    auto Selection = [&] {
        if (!View->EnableMultiSelect())
            return View->SelectedImage() < 0 ? std::vector<int>{} : std::vector<int>{View->SelectedImage()};
        return SelectedImages(*View);
    };
    using Sel = std::vector<int>;
    struct TMove {
        int Cell;
        Sel Expected;
    };
    struct {
        const char* Name;
        bool Multi;
        TIEMultiSelectionOptions Options;
        std::vector<std::pair<int, int>> Clicks;  // (cell, key held) before the drag
        int Key;                                  // held while pressing
        int Down;
        Sel AfterDown;
        std::vector<TMove> Moves;
        int Up;
        Sel AfterUp;
    } const Cases[] = {
        {"list order, over a border, back, beyond the grid", true, {}, {}, 0, 1, {1},
         {{2, {1, 2}}, {2, {1, 2}}, {6, {1, 2, 3, 4, 5, 6}}, {Border, {1, 2, 3, 4, 5, 6}}, {0, {0, 1}},
          {Beyond, {0, 1}}},
         Beyond, {0, 1}},
        {"rectangle of rows and columns", true, {iemoRegion}, {}, 0, 1, {1},
         {{6, {1, 2, 5, 6}}, {4, {0, 1, 4, 5}}, {11, {1, 2, 3, 5, 6, 7, 9, 10, 11}}},
         11, {1, 2, 3, 5, 6, 7, 9, 10, 11}},
        {"pressed on the border: from the first image", true, {}, {}, 0, Border, {}, {{2, {0, 1, 2}}}, 2, {0, 1, 2}},
        {"Ctrl: the drag replaces the selection", true, {}, {{0, 0}}, VK_CONTROL, 5, {0, 5}, {{6, {5, 6}}}, 6, {5, 6}},
        {"Shift: the press takes the range from the anchor, the drag from the pressed image", true, {},
         {{1, 0}}, VK_SHIFT, 3, {1, 2, 3}, {{7, {3, 4, 5, 6, 7}}}, 7, {3, 4, 5, 6, 7}},
        {"pressed on a selected image: the drag starts from it", true, {}, {{1, 0}, {3, VK_SHIFT}}, 0, 2,
         {1, 2, 3}, {{5, {2, 3, 4, 5}}}, 5, {2, 3, 4, 5}},
        {"pressed on a selected image and released: only it stays", true, {}, {{1, 0}, {3, VK_SHIFT}}, 0, 2,
         {1, 2, 3}, {}, 2, {2}},
        {"iemoSelectOnMouseUp: the press selects nothing, the release keeps the range", true,
         {iemoSelectOnMouseUp}, {{0, 0}}, 0, 5, {0}, {{6, {5, 6}}}, 6, {5, 6}},
        {"without EnableMultiSelect no range", false, {}, {}, 0, 1, {1}, {{3, {1}}}, 3, {3}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        View->SetEnableMultiSelect(C.Multi);
        View->MultiSelectionOptions = C.Options;
        View->DeselectAll();
        TestHooks::PumpPending();
        Tracked.clear();
        for (const auto& [Cell, Key] : C.Clicks) {
            if (Key) WinHeadlessScreen()->KeyDown(Key);
            WinHeadlessScreen()->Click(PressPoint(Cell));
            if (Key) WinHeadlessScreen()->KeyUp(Key);
            TestHooks::PumpPending();
        }
        if (C.Key) WinHeadlessScreen()->KeyDown(C.Key);
        WinHeadlessScreen()->MouseDown(PressPoint(C.Down));
        TestHooks::PumpPending();
        EXPECT_EQ(Selection(), C.AfterDown) << "after the press";
        Sel Before = Selection();
        for (const TMove& M : C.Moves) {
            const int EventsBefore = Events;
            WinHeadlessScreen()->MouseMove(PointOf(M.Cell));
            TestHooks::PumpPending();
            EXPECT_EQ(Selection(), M.Expected) << "moved to " << M.Cell;
            if (M.Expected == Before) {
                EXPECT_EQ(Events, EventsBefore) << "moved to " << M.Cell;
            }
            Before = Selection();
        }
        WinHeadlessScreen()->MouseUp(PointOf(C.Up));
        if (C.Key) WinHeadlessScreen()->KeyUp(C.Key);
        TestHooks::PumpPending();
        EXPECT_EQ(Selection(), C.AfterUp) << "after the release";
        if (C.Multi) {
            EXPECT_EQ(Sel(Tracked.begin(), Tracked.end()), C.AfterUp) << "as the events tell";
        }
    }
}

// Each preset frame, ordinary and selected (tinted teal), at its own size.
TEST_F(MultiViewTest, EachPresetFrameTinted) {
    const struct {
        int W, H;
    } Sizes[] = {{162, 159}, {112, 100}, {163, 108}, {150, 150}};
    for (int I = 0; I < 2; ++I) View->InsertImage(I);
    TIEBitmap Pic;
    Pic.Allocate(40, 30, ieRGB24);
    Pic.Fill(0x3060C0);
    for (int I = 0; I < 2; ++I) View->SetImageBitmap(I, &Pic);
    View->SetSelectedImage(1);
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    for (int F = 0; F < 4; ++F) {
        SCOPED_TRACE(F);
        View->SetPresetThumbnailFrame(F, clWhite, static_cast<TColor>(0x808000));
        EXPECT_EQ(View->ThumbWidth, Sizes[F].W);
        EXPECT_EQ(View->ThumbHeight, Sizes[F].H);
        TestHooks::PumpPending();
        ExpectWindowMatchesGolden(View->Handle(), "imaging/views/preset_frame" + std::to_string(F) + ".png");
    }
}

// Playback shows the images one by one in one cell on the window's timer, loops, and
// gives back the display mode and the selection when it stops; inserting stops it.
TEST_F(MultiViewTest, PlaybackStepsThroughTheImages) {
    for (int I = 0; I < 3; ++I) {
        View->InsertImage(I);
        View->SetImageDelayTime(I, 20);
    }
    Form->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the grid"));
    View->SetSelectedImage(2);
    std::vector<int> Seen;
    View->OnImageDraw = [&](TObject*, int32_t I, int32_t, int32_t, TCanvas*) {
        if (Seen.empty() || Seen.back() != I) Seen.push_back(I);
    };
    View->SetPlaying(true);
    EXPECT_TRUE(View->Playing());
    EXPECT_EQ(View->DisplayMode(), mdSingle);
    EXPECT_EQ(View->SelectedImage(), -1);
    View->SetSelectedImage(1);  // ignored while playing
    EXPECT_EQ(View->SelectedImage(), -1);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Seen.size() >= 5; }, 3000, "five steps"));
    EXPECT_EQ((std::vector<int>(Seen.begin(), Seen.begin() + 5)), (std::vector<int>{0, 1, 2, 0, 1}));
    View->SetPlaying(false);
    EXPECT_EQ(View->DisplayMode(), mdGrid);
    EXPECT_EQ(View->SelectedImage(), 2);
    // Without the loop flag playback ends after the last image; inserting stops it too.
    View->PlayLoop = false;
    View->SetPlaying(true);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !View->Playing(); }, 3000, "the end of playback"));
    View->PlayLoop = true;
    View->SetPlaying(true);
    View->InsertImage(0);
    EXPECT_FALSE(View->Playing());
}

// Stored as thumbnails: scaled to fit the cell size up or down, the source size kept,
// the caller's bitmap (with its transparent pixels) untouched.
TEST_F(MultiViewTest, ThumbnailStoreScalesToFit) {
    View->InsertImage(0);
    View->StoreType = ietThumb;
    View->ThumbWidth = View->ThumbHeight = 150;
    struct {
        int W, H;
        TIEPixelFormat Format;
        int TW, TH;
    } const Cases[] = {{400, 200, ieRGB24, 150, 75}, {50, 50, ieRGB24, 150, 150}, {300, 600, ie8g, 75, 150},
                       {150, 100, ieRGB24, 150, 100}, {64, 32, ie1g, 150, 75}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.W << "x" << C.H);
        TIEBitmap Src;
        Src.Allocate(C.W, C.H, C.Format);
        Src.Fill(0);
        View->SetImageBitmap(0, &Src);
        ASSERT_NE(View->GetImageBitmap(0), nullptr);
        EXPECT_EQ(View->GetImageBitmap(0)->Width(), C.TW);
        EXPECT_EQ(View->GetImageBitmap(0)->Height(), C.TH);
        EXPECT_EQ(View->ImageSourceWidth(0), C.W);
        EXPECT_EQ(View->ImageSourceHeight(0), C.H);
    }
    TIEBitmap Alpha;
    Alpha.Allocate(300, 300, ieRGB24);
    Alpha.Fill(0x0000FF);
    Alpha.GetAlphaChannel()->Fill(0);
    Alpha.GetAlphaChannel()->Full = false;
    View->SetImageBitmap(0, &Alpha);
    EXPECT_EQ(Alpha.GetPixelRGB24(5, 5).r, 255) << "the caller's pixels stay";
    EXPECT_TRUE(View->GetImageBitmap(0)->HasAlphaChannel());
    EXPECT_EQ(View->GetImageBitmap(0)->Width(), 150);
}

}  // namespace

namespace {

// The multi-image I/O companion follows the grid through the attached-view interface:
// one record per image, kept in step with inserts and deletes, filled by each read.
TEST_F(MultiViewTest, TheIOCompanionKeepsOneRecordPerImage) {
    View->FillFromDirectory(Dir.string());
    TIEMultiIO* MIO = View->GetMIO();
    ASSERT_NE(MIO, nullptr);
    EXPECT_EQ(View->GetMIO(), MIO);
    EXPECT_EQ(MIO->AttachedMView(), static_cast<TIEAttachedMView*>(View));
    EXPECT_EQ(MIO->GetParamsCount(), 11);
    View->InsertImage(0);
    EXPECT_EQ(MIO->GetParamsCount(), 12);
    ASSERT_NE(View->GetImageBitmap(3), nullptr);  // 3.jpg, now at 3
    EXPECT_EQ(MIO->GetParams(3)->FileType, ioJPEG);
    EXPECT_EQ(MIO->GetParams(3)->OriginalWidth, 40);
    EXPECT_EQ(MIO->GetParams(2)->FileType, 0);  // not read yet
    View->DeleteImage(0);
    EXPECT_EQ(MIO->GetParamsCount(), 11);
    EXPECT_EQ(MIO->GetParams(2)->FileType, ioJPEG);
}

}  // namespace
