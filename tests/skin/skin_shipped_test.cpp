// The skin the generator draws, read the way the program reads it: its
// container goes round through the reader entry for entry, and its
// description gives every part with the frame counts the parts need.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/testhooks.h"
#include "platform/win/winuser.h"
#include "skin/skin_data.h"
#include "skin/skin_reader.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr TColor Magenta = 0xFF00FF;

TSkinVariant Variant(const std::string& Name) {
    for (const auto& V : SkinVariants())
        if (V.Name == Name) return V;
    ADD_FAILURE() << "no variant " << Name;
    return {};
}

void Load(TSkinData& S, const std::vector<TSkinEntry>& Entries) {
    const Bytes File = WriteSkinFile(Entries);
    S.SkinStream().Clear();
    S.SkinStream().WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
    S.SkinStream().SetPosition(0);
    ASSERT_TRUE(S.LoadSkin());
    ASSERT_FALSE(S.SkinEmpty);
}

TColor Px(TBitmap& B, int X, int Y) { return B.Canvas().Pixel(X, Y); }

class ShippedSkinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestHooks::Start(); }
    static void TearDownTestSuite() { TestHooks::Stop(); }
};

TEST_F(ShippedSkinTest, EveryVariantGoesRoundThroughTheContainer) {
    for (const auto& V : SkinVariants()) {
        SCOPED_TRACE(V.Name);
        const std::vector<TSkinEntry> Entries = DrawSkin(V);
        TMemoryStream Source;
        const Bytes File = WriteSkinFile(Entries);
        Source.WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
        TSkinReader R;
        ASSERT_TRUE(R.LoadFromStream(Source));
        EXPECT_EQ(R.Version(), 40000);
        ASSERT_EQ(R.Count(), static_cast<int>(Entries.size()));
        for (const auto& E : Entries) {
            TMemoryStream T;
            R.ExtractFile(E.Name, T);
            const auto* P = static_cast<const uint8_t*>(T.Memory());
            ASSERT_EQ(Bytes(P, P + T.Size()), E.Data) << E.Name;
        }
        TMemoryStream Ini;
        std::string Name;
        R.FindFileContaining(".ini", Ini, Name);
        EXPECT_EQ(Name, "skin.ini");
    }
}

TEST_F(ShippedSkinTest, EveryPartPresentWithItsFrameCount) {
    TSkinData S(nullptr);
    Load(S, DrawSkin(Variant("main")));
    struct Want {
        std::string Name;
        TDataSkinObject* Part;
        int Frames;
    };
    const std::vector<Want> Parts = {
        {"Progress", S.Progress.get(), 2},  // Style 0
        {"Progress.Chunk", S.ProgressChunk.get(), 1},
        {"Personality", S.MenuBar.get(), 2},
        {"GroupBoxEdge", S.GroupBoxEdge.get(), 2},
        {"GroupBox", S.GroupBox.get(), 1},
        {"Tabs", S.Tabs.get(), 5},
        {"StatusBarEdges", S.StatusBarEdges.get(), 3},
        {"Tab.Pane", S.TabPane.get(), 1},
        {"ToolBars", S.ToolBars.get(), 5},
        {"ComboButton", S.ComboButton.get(), 4},
        {"SunkEdge", S.SunkEdge.get(), 4},
        {"ExtraImages", S.ExtraImages.get(), 5},
        {"Headerbar", S.Headerbar.get(), 5},  // no Frame key
        {"MenuItem", S.MenuItem.get(), 5},
        {"MenuBackground", S.MenuBackground.get(), 1},
        {"Scrollbar", S.Scrollbar.get(), 23},
        {"HorzScroll", S.HorzScroll.get(), 4},
        {"VertScroll", S.VertScroll.get(), 4},
        {"HorzScrollThumb", S.HorzScrollThumb.get(), 3},
        {"VertScrollThumb", S.VertScrollThumb.get(), 3},
        {"Trackbar.ThumbHorz", S.TrackThumbHorz.get(), 5},
        {"Trackbar.ThumbVert", S.TrackThumbVert.get(), 5},
        {"Trackbar.ThumbLeft", S.TrackThumbLeft.get(), 5},
        {"Trackbar.ThumbRight", S.TrackThumbRight.get(), 5},
        {"Trackbar.ThumbUp", S.TrackThumbUp.get(), 5},
        {"Trackbar.ThumbDown", S.TrackThumbDown.get(), 5},
        {"UpDown.Horz", S.UpDownHorz.get(), 8},
        {"UpDown.Vert", S.UpDownVert.get(), 8},
        {"TRACK", S.Track.get(), 1},  // the built-in pictures: the skin has neither section
        {"TRACKVERT", S.TrackVert.get(), 1},
        {"ComboxArrow", S.ComboArrow.get(), 4},
        {"Toolbar", S.Toolbar.get(), 1},
    };
    for (const auto& W : Parts) {
        SCOPED_TRACE(W.Name);
        ASSERT_NE(W.Part, nullptr);
        EXPECT_EQ(W.Part->Name, W.Name);
        EXPECT_EQ(W.Part->FrameCount, W.Frames);
        EXPECT_FALSE(W.Part->Bitmap->Empty());
    }
    EXPECT_FALSE(S.Tabs->Bitmap2->Empty());
    EXPECT_FALSE(S.UpDownHorz->Bitmap2->Empty());
    for (auto& B : S.Borders) {
        SCOPED_TRACE(B->Name);
        EXPECT_FALSE(B->Bitmap->Empty());
        EXPECT_EQ(B->Trans, 1);
    }
    EXPECT_FALSE(S.Title->Bitmap->Empty());
    EXPECT_EQ(S.Button->FrameCount, 5);
    EXPECT_GE(S.Button->RadioFrameCount, 4);
    EXPECT_GE(S.Button->CheckFrameCount, 4);
    EXPECT_NE(S.ColButtonFace, S.ColWindowText);
    EXPECT_GE(S.ColButtonFace, 0);  // the skin gives its colours: no system colour is left
    EXPECT_GE(S.ColMenuText, 0);
}

TEST_F(ShippedSkinTest, TitleBarButtonsByTheFrameCountRuleAndTheMdiButtons) {
    TSkinData S(nullptr);
    Load(S, DrawSkin(Variant("main")));
    struct Want {
        std::string Name;
        int Action, Frames, ImageWidth, X;
    };
    const std::vector<Want> Buttons = {
        {"BUTTON0", 0, 3, 48, 22},  // close, 48 x 14
        {"BUTTON1", 1, 4, 64, 40},  // maximise: Frame 4 as given, the 4th frame disabled
        {"BUTTON2", 2, 3, 40, 57},  // minimise, 40 x 14: ratio 2.86
        {"BUTTON3", 5, 6, 84, 75},  // custom, 84 x 14: ratio 6
        {"BUTTON4", 3, 6, 0, 6},    // the window icon: no image, 6 frames
        {"", 7, 4, 64, 60},         // MDI buttons: 4 x (192 div 12) wide, at (16 + 4) x (3 - i)
        {"", 8, 4, 64, 40},
        {"", 9, 4, 64, 20},
    };
    ASSERT_EQ(S.SysButtons.size(), Buttons.size());
    for (size_t i = 0; i < Buttons.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& B = *S.SysButtons[i];
        EXPECT_EQ(B.Name, Buttons[i].Name);
        EXPECT_EQ(B.Action, Buttons[i].Action);
        EXPECT_EQ(B.FrameCount, Buttons[i].Frames);
        EXPECT_EQ(B.Bitmap->Width(), Buttons[i].ImageWidth);
        EXPECT_EQ(B.XCoord, Buttons[i].X);
    }
    for (size_t i = 5; i < 8; ++i) {
        EXPECT_EQ(S.SysButtons[i]->Bitmap->Height(), 14);
        EXPECT_EQ(S.SysButtons[i]->Visibility, 100);
    }
}

TEST_F(ShippedSkinTest, ComboStripsAreComposed) {
    for (const std::string Name : {"main", "flatcombo"}) {
        SCOPED_TRACE(Name);
        TSkinData S(nullptr);
        Load(S, DrawSkin(Variant(Name)));
        const int B = GetSystemMetrics(SM_CXHSCROLL) + 2;
        auto& Combo = *S.ComboButton->Bitmap;
        auto& Sunk = *S.SunkEdge->Bitmap;
        auto& Arrow = *S.ComboArrow->Bitmap;
        ASSERT_EQ(Combo.Width(), 200);
        ASSERT_EQ(Combo.Height(), 21);
        ASSERT_EQ(Sunk.Width(), 200);
        ASSERT_EQ(Arrow.Width(), 68);
        ASSERT_EQ(Arrow.Height(), 17);
        EXPECT_EQ(S.ComboButton->Style, 2);  // also for the flat button
        EXPECT_EQ(S.ComboButton->LeftWidth, 2);
        EXPECT_EQ(S.ComboButton->RightWidth, B + 2);
        EXPECT_EQ(S.SunkEdge->LeftWidth, B + 2);
        EXPECT_EQ(S.SunkEdge->RightWidth, 2);
        for (int F = 0; F < 4; ++F) {
            // The text area of every frame is keyed out; the button is drawn at the right.
            EXPECT_EQ(Px(Combo, 50 * F + 2, 2), Magenta);
            EXPECT_EQ(Px(Combo, 50 * F + 48 - B, 17), Magenta);
            EXPECT_NE(Px(Combo, 50 * F + 50 - B + B / 2, 10), Magenta);
        }
        for (int Y = 0; Y < 21; ++Y)
            for (int X = 0; X < 200; ++X) {
                ASSERT_EQ(Px(Sunk, 199 - X, Y), Px(Combo, X, Y)) << X << "," << Y;
                if (Y < 17 && X < 68) {
                    ASSERT_EQ(Px(Arrow, X, Y), Px(Combo, (X / 17 + 1) * 50 - 19 + X % 17, 2 + Y)) << X << "," << Y;
                }
            }
    }
}

TEST_F(ShippedSkinTest, WithoutSunkEdgeTheArrowIsTheButtonWithFaceForMagenta) {
    TSkinData S(nullptr);
    Load(S, DrawSkin(Variant("nosunkedge")));
    ASSERT_EQ(S.SunkEdge, nullptr);
    auto& Button = *S.ComboButton->Bitmap;
    auto& Arrow = *S.ComboArrow->Bitmap;
    ASSERT_EQ(Arrow.Width(), Button.Width());
    ASSERT_EQ(Arrow.Height(), Button.Height());
    EXPECT_EQ(S.ComboArrow->FrameCount, 4);
    int Keyed = 0;
    for (int Y = 0; Y < Button.Height(); ++Y)
        for (int X = 0; X < Button.Width(); ++X) {
            const TColor C = Px(Button, X, Y);
            Keyed += C == Magenta;
            ASSERT_EQ(Px(Arrow, X, Y), C == Magenta ? S.ColButtonFace : C) << X << "," << Y;
        }
    EXPECT_GT(Keyed, 0);  // the fixture has key pixels to replace
}

TEST_F(ShippedSkinTest, FrameColourSampledFromTheTopBorder) {
    for (const std::string Name : {"main", "colours", "topframe0"}) {
        SCOPED_TRACE(Name);
        const auto Entries = DrawSkin(Variant(Name));
        TSkinData S(nullptr);
        Load(S, Entries);
        auto& Top = *S.Borders[TSkinData::bsTop];
        const int Frames = Name == "topframe0" ? 1 : 2;  // Frame 0 samples as one frame
        EXPECT_EQ(Top.FrameCount, Name == "topframe0" ? 0 : 2);
        EXPECT_EQ(S.ColFrame, Px(*Top.Bitmap, Top.Bitmap->Width() / 3, (Top.Bitmap->Height() / Frames) / 3));
        EXPECT_NE(S.ColFrame, Magenta);
        // The tool-bar gradient starts at the face mixed with white and leaves it.
        auto& T = *S.Toolbar->Bitmap;
        EXPECT_NE(Px(T, 0, 0), Px(T, 0, 39));
    }
}

}  // namespace
