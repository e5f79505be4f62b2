// The skin sheet: every part of the shipped skin, as the skin data holds it
// after parsing (composed and derived parts included), drawn frame by frame
// through DrawSkinImage at the frame's own size and at a larger one, compared
// with a golden picture. The first run writes the golden picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/classlib/pngimage.h"
#include "platform/classlib/testhooks.h"
#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

constexpr TColor Backdrop = 0x707070;

struct TSheetPart {
    std::string Name;
    TBitmap* Strip;
    int Frames;
    bool Vertical;
    TRect Margins;
    bool Tile, Trans;
};

void AddPart(std::vector<TSheetPart>& Out, const std::string& Name, TDataSkinObject* P, bool Vertical = false,
             bool Border = false) {
    if (!P || !P->Bitmap || P->Bitmap->Empty()) return;
    // A border's centre is tiled unless its Tile is 1; other parts tile with 1.
    bool Tile = Border ? P->Tile != 1 : P->Tile == 1;
    Out.push_back({Name, P->Bitmap.get(), P->FrameCount, Vertical, P->Margins(), Tile, P->Trans == 1});
}

std::vector<TSheetPart> PartsOf(TSkinData& S) {
    std::vector<TSheetPart> Out;
    const char* Sides[] = {"Left", "Right", "Top", "Bottom"};
    for (int I = 0; I < 4; ++I) AddPart(Out, Sides[I], S.Borders[static_cast<size_t>(I)].get(), I >= 2, true);
    if (S.Title && S.Title->Bitmap && !S.Title->Bitmap->Empty())
        Out.push_back({"Title", S.Title->Bitmap.get(), 2, true,
                       TRect(S.Title->TextBackLeft, 0, S.Title->TextBackRight, 0), false, true});
    for (size_t I = 0; I < S.SysButtons.size(); ++I) {
        auto* B = S.SysButtons[I].get();
        if (B->Bitmap && !B->Bitmap->Empty())
            Out.push_back({B->Name, B->Bitmap.get(), B->FrameCount, false, TRect(), false, true});
    }
    if (S.Button) {
        AddPart(Out, "Button", S.Button.get());
        if (S.Button->CheckBitmap && !S.Button->CheckBitmap->Empty())
            Out.push_back({"Check", S.Button->CheckBitmap.get(), S.Button->CheckFrameCount, false, TRect(), false, true});
        if (S.Button->RadioBitmap && !S.Button->RadioBitmap->Empty())
            Out.push_back({"Radio", S.Button->RadioBitmap.get(), S.Button->RadioFrameCount, false, TRect(), false, true});
    }
    auto WithSecond = [&](const std::string& Name, TDataSkinBorder* P) {
        AddPart(Out, Name, P);
        if (P && P->Bitmap2 && !P->Bitmap2->Empty())
            Out.push_back({Name + ".2", P->Bitmap2.get(), P == S.Tabs.get() ? 1 : P->FrameCount, false, P->Margins(),
                           false, P->Trans == 1});
    };
    WithSecond("Tabs", S.Tabs.get());
    WithSecond("UpDownHorz", S.UpDownHorz.get());
    WithSecond("UpDownVert", S.UpDownVert.get());
    AddPart(Out, "ComboButton", S.ComboButton.get());
    AddPart(Out, "Progress", S.Progress.get());
    AddPart(Out, "GroupBox", S.GroupBox.get());
    const std::pair<const char*, TDataSkinObject*> Plain[] = {
        {"SunkEdge", S.SunkEdge.get()},
        {"ExtraImages", S.ExtraImages.get()},
        {"GroupBoxEdge", S.GroupBoxEdge.get()},
        {"ToolBars", S.ToolBars.get()},
        {"ProgressChunk", S.ProgressChunk.get()},
        {"StatusBarEdges", S.StatusBarEdges.get()},
        {"TabPane", S.TabPane.get()},
        {"Headerbar", S.Headerbar.get()},
        {"MenuItem", S.MenuItem.get()},
        {"MenuBackground", S.MenuBackground.get()},
        {"Scrollbar", S.Scrollbar.get()},
        {"HorzScroll", S.HorzScroll.get()},
        {"VertScroll", S.VertScroll.get()},
        {"HorzScrollThumb", S.HorzScrollThumb.get()},
        {"VertScrollThumb", S.VertScrollThumb.get()},
        {"TrackThumbHorz", S.TrackThumbHorz.get()},
        {"TrackThumbVert", S.TrackThumbVert.get()},
        {"TrackThumbLeft", S.TrackThumbLeft.get()},
        {"TrackThumbRight", S.TrackThumbRight.get()},
        {"TrackThumbUp", S.TrackThumbUp.get()},
        {"TrackThumbDown", S.TrackThumbDown.get()},
        {"Track", S.Track.get()},
        {"TrackVert", S.TrackVert.get()},
        {"ComboArrow", S.ComboArrow.get()},
        {"Toolbar", S.Toolbar.get()},
    };
    for (const auto& [Name, P] : Plain) AddPart(Out, Name, P);
    AddPart(Out, "MenuBar", S.MenuBar.get(), true);  // active over inactive
    return Out;
}

// Row by row: each part's frames at their own size, then at a larger size.
std::unique_ptr<TBitmap> DrawSheet(const std::vector<TSheetPart>& Parts) {
    struct TPlaced {
        const TSheetPart* P;
        int FW, FH, BW, BH, Y;
    };
    std::vector<TPlaced> Rows;
    int W = 0, Y = 4;
    for (const auto& P : Parts) {
        int FW = P.Vertical ? P.Strip->Width() : P.Strip->Width() / P.Frames;
        int FH = P.Vertical ? P.Strip->Height() / P.Frames : P.Strip->Height();
        int BW = FW * 2 + 7, BH = FH + FH / 2 + 5;
        Rows.push_back({&P, FW, FH, BW, BH, Y});
        W = std::max(W, 4 + P.Frames * (FW + 4) + 8 + P.Frames * (BW + 4));
        Y += std::max(FH, BH) + 6;
    }
    auto Sheet = std::make_unique<TBitmap>(W, Y, pf24bit);
    Sheet->Canvas().Brush().SetColor(Backdrop);
    Sheet->Canvas().FillRect(TRect(0, 0, W, Y));
    HDC Dc = Sheet->Canvas().Handle();
    for (const auto& R : Rows) {
        const TSheetPart& P = *R.P;
        int X = 4;
        for (int Pass = 0; Pass < 2; ++Pass) {
            int FW = Pass ? R.BW : R.FW, FH = Pass ? R.BH : R.FH;
            for (int F = 1; F <= P.Frames; ++F) {
                DrawSkinImage(Dc, Bounds(X, R.Y, FW, FH), *P.Strip, P.Vertical, P.Tile, P.Trans, P.Frames, F,
                              P.Margins);
                X += FW + 4;
            }
            X += 8;
        }
    }
    return Sheet;
}

uint32_t RgbAt(TBitmap& B, int X, int Y) {
    auto* P = static_cast<uint8_t*>(B.ScanLine(Y)) + 3 * X;
    return static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[1]) << 8 | P[0];
}

class SkinSheetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestHooks::Start(); }
    static void TearDownTestSuite() { TestHooks::Stop(); }
};

TEST_F(SkinSheetTest, EveryPartOfTheShippedSkinFrameByFrame) {
    TSkinData S(nullptr);
    const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(SkinVariants().front()));
    S.SkinStream().WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
    S.SkinStream().SetPosition(0);
    ASSERT_TRUE(S.LoadSkin());
    std::vector<TSheetPart> Parts = PartsOf(S);
    // Every part the skin has.
    std::set<std::string> Names;
    for (const auto& P : Parts) {
        Names.insert(P.Name);
        ASSERT_GE(P.Frames, 1) << P.Name;
    }
    for (const char* Must : {"Left", "Top", "Title", "Button", "Check", "Radio", "Tabs", "Tabs.2", "ComboButton",
                             "SunkEdge", "ComboArrow", "Toolbar", "Track", "TrackVert", "Scrollbar", "MenuItem",
                             "UpDownVert.2", "TrackThumbDown"})
        EXPECT_TRUE(Names.count(Must)) << Must;

    auto Sheet = DrawSheet(Parts);
    // Each row shows something besides the backdrop.
    std::set<uint32_t> Colours;
    for (int Y = 0; Y < Sheet->Height(); ++Y)
        for (int X = 0; X < Sheet->Width(); ++X) Colours.insert(RgbAt(*Sheet, X, Y));
    EXPECT_GT(Colours.size(), 100u);

    const std::string Golden = std::string(TESSARO_TEST_DATA) + "/skin/skin_sheet.png";
    if (!std::filesystem::exists(Golden)) {
        std::filesystem::create_directories(std::filesystem::path(Golden).parent_path());
        TPngImage Png;
        Png.Assign(*Sheet);
        Png.SaveToFile(Golden);
        std::printf("golden image written: %s\n", Golden.c_str());
        return;
    }
    TPngImage Png;
    Png.LoadFromFile(Golden);
    TBitmap Want;
    Png.AssignTo(Want);
    ASSERT_EQ(Want.Width(), Sheet->Width());
    ASSERT_EQ(Want.Height(), Sheet->Height());
    ASSERT_EQ(Want.PixelFormat(), pf24bit);
    size_t Diff = 0;
    for (int Y = 0; Y < Want.Height(); ++Y)
        for (int X = 0; X < Want.Width(); ++X) Diff += RgbAt(Want, X, Y) != RgbAt(*Sheet, X, Y);
    EXPECT_EQ(Diff, 0u) << "the skin sheet differs from tests/data/skin/skin_sheet.png";
}

}  // namespace
