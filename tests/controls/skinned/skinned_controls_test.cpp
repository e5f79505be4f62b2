// The skinned check box and track bar on a form loaded from a form file.
#include <gtest/gtest.h>

#include "controls/golden_png.h"
#include "controls/skinned/sc_controls.h"
#include "platform/classlib/testhooks.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        RegisterSkinnedControls();
    }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

const char* const FormText = R"(object frmSkinned: TfrmSkinned
  Left = 100
  Top = 100
  BorderStyle = bsSingle
  Caption = 'Skinned'
  ClientHeight = 100
  ClientWidth = 260
  Color = clWhite
  object chkCreateNoMenuDVD: TscCheckBox
    Left = 8
    Top = 8
    Width = 161
    Height = 19
    Caption = 'Create DVD without menu'
    Checked = True
    OnClick = chkCreateNoMenuDVDClick
  end
  object chkTestMode: TscCheckBox
    Left = 8
    Top = 32
    Width = 161
    Height = 19
    Caption = 'Test mode'
  end
  object TrackBarVideoQuality: TscTrackBar
    Left = 8
    Top = 56
    Width = 200
    Height = 36
    Min = 64
    Max = 9600
    PageSize = 2
    LineSize = 1
    Frequency = 1
    Position = 5000
    Style = WinXP
    OnChange = TrackBarVideoQualityChange
  end
end
)";

class TfrmSkinned : public TForm {
public:
    explicit TfrmSkinned(TComponent* Owner) : TForm(Owner) {
        DefineMethod("chkCreateNoMenuDVDClick", &TfrmSkinned::chkCreateNoMenuDVDClick);
        DefineMethod("TrackBarVideoQualityChange", &TfrmSkinned::TrackBarVideoQualityChange);
        DefineField("chkCreateNoMenuDVD", chkCreateNoMenuDVD);
        DefineField("chkTestMode", chkTestMode);
        DefineField("TrackBarVideoQuality", TrackBarVideoQuality);
        LoadFromText(FormText, "frmSkinned.frm");
    }
    void chkCreateNoMenuDVDClick(TObject*) { ++Clicks; }
    void TrackBarVideoQualityChange(TObject*) { Changes.push_back(TrackBarVideoQuality->Position()); }
    TscCheckBox *chkCreateNoMenuDVD = nullptr, *chkTestMode = nullptr;
    TscTrackBar* TrackBarVideoQuality = nullptr;
    int Clicks = 0;
    std::vector<int> Changes;
};

class SkinnedControls : public ::testing::Test {
protected:
    void SetUp() override {
        F = new TfrmSkinned(Application);
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
    }
    void TearDown() override {
        F->Free();
        TestHooks::PumpPending();
    }
    TfrmSkinned* F = nullptr;
};

// Stored checked while loading: no click; afterwards every change clicks once.
TEST_F(SkinnedControls, CheckBoxClicksOnChangesAfterLoading) {
    TscCheckBox* C = F->chkCreateNoMenuDVD;
    EXPECT_TRUE(C->Checked());
    EXPECT_EQ(F->Clicks, 0);
    C->SetChecked(true);
    EXPECT_EQ(F->Clicks, 0);
    C->SetChecked(false);
    EXPECT_EQ(F->Clicks, 1);
    EXPECT_FALSE(C->Checked());
    C->SetChecked(false);
    EXPECT_EQ(F->Clicks, 1);
    // The user's click toggles through the same path; Space too.
    TestHooks::Click(C);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Clicks == 2; }, 2000, "the click"));
    EXPECT_TRUE(C->Checked());
    TestHooks::PressKey(VK_SPACE);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Clicks == 3; }, 2000, "Space"));
    EXPECT_FALSE(C->Checked());
    // Disabled: drawn greyed, clicks do nothing.
    C->SetChecked(true);
    F->chkTestMode->SetEnabled(false);
    TestHooks::PumpPending();
    ExpectWindowMatchesGolden(F->Handle(), "controls/skinned_form.png");
    C->SetEnabled(false);
    TestHooks::Click(C);
    TestHooks::PumpPending();
    EXPECT_EQ(F->Clicks, 4);
    EXPECT_TRUE(C->Checked());
}

TEST_F(SkinnedControls, TrackBarLimitsPositionAndReportsChanges) {
    TscTrackBar* T = F->TrackBarVideoQuality;
    EXPECT_EQ(T->Min(), 64);
    EXPECT_EQ(T->Max(), 9600);
    EXPECT_EQ(T->Position(), 5000);
    F->Changes.clear();
    struct TCase {
        int Set, Expect;
        bool Fires;
    };
    const TCase Cases[] = {{10, 64, true}, {64, 64, false}, {99999, 9600, true}, {9600, 9600, false},
                           {-5, 64, true}, {4000, 4000, true}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Set);
        size_t Before = F->Changes.size();
        T->SetPosition(C.Set);
        EXPECT_EQ(T->Position(), C.Expect);
        EXPECT_EQ(F->Changes.size(), Before + (C.Fires ? 1 : 0));
    }
    // Keys move by the line step and page step.
    T->SetFocus();
    TestHooks::PressKey(VK_RIGHT);
    TestHooks::PumpPending();
    EXPECT_EQ(T->Position(), 4001);
    TestHooks::PressKey(VK_NEXT);
    TestHooks::PumpPending();
    EXPECT_EQ(T->Position(), 4003);
    TestHooks::PressKey(VK_END);
    TestHooks::PumpPending();
    EXPECT_EQ(T->Position(), 9600);
    // Dragging the thumb to the left end.
    TRect Thumb = T->ThumbRect();
    POINT From = T->ClientToScreen(POINT{(Thumb.left + Thumb.right) / 2, 10});
    WinHeadlessScreen()->Drag(From, T->ClientToScreen(POINT{-20, 10}), 4);
    TestHooks::PumpPending();
    EXPECT_EQ(T->Position(), 64);
    EXPECT_EQ(F->Changes.back(), 64);
}

}  // namespace
