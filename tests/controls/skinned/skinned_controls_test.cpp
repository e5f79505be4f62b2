// The skinned check box and track bar on a form loaded from a form file, with
// the values the program's forms store.
#include <gtest/gtest.h>

#include "controls/golden_png.h"
#include "sc_test_env.h"

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new ScTestEnv);

const char* const FormText = R"(object frmSkinned: TfrmSkinned
  Left = 100
  Top = 100
  BorderStyle = bsSingle
  Caption = 'Skinned'
  ClientHeight = 100
  ClientWidth = 280
  Color = clWhite
  Font.Height = -11
  Font.Name = 'Tahoma'
  object chkCreateNoMenuDVD: TscCheckBox
    Left = 8
    Top = 8
    Width = 161
    Height = 19
    UIStyle = WinXP
    AutoSize = True
    Transparent = True
    Caption = 'Create DVD without menu'
    Checked = True
    OnClick = chkCreateNoMenuDVDClick
  end
  object chkTestMode: TscCheckBox
    Left = 8
    Top = 32
    Width = 161
    Height = 19
    UIStyle = WinXP
    AutoSize = True
    Transparent = True
    Caption = 'Test mode'
    State = cbChecked
    Checked = True
  end
  object TrackBarVideoQuality: TscTrackBar
    Left = 8
    Top = 64
    Width = 257
    Height = 21
    UIStyle = WinXP
    Max = 9600
    Min = 64
    Position = 64
    PageSize = 2
    LineSize = 1
    Frequency = 1
    ShowTick = False
    Transparent = True
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
        TestHooks::PumpPending();
    }
    void TearDown() override {
        F->Free();
        TestHooks::PumpPending();
    }
    TfrmSkinned* F = nullptr;
};

// Stored values: no click while loading, the settings dialog's bar at 64
// (moved there from 0 while Min was set), the WinXP sizes.
TEST_F(SkinnedControls, StoredValuesLoad) {
    TscCheckBox* C = F->chkCreateNoMenuDVD;
    EXPECT_TRUE(C->Checked());
    EXPECT_TRUE(F->chkTestMode->Checked());
    EXPECT_EQ(F->Clicks, 0);
    EXPECT_EQ(C->UIStyle(), WinXP);
    EXPECT_TRUE(C->Transparent());
    EXPECT_EQ(C->Height(), 19);
    TscTrackBar* T = F->TrackBarVideoQuality;
    EXPECT_EQ(T->Min(), 64);
    EXPECT_EQ(T->Max(), 9600);
    EXPECT_EQ(T->Position(), 64);
    EXPECT_TRUE(F->Changes.empty());
    EXPECT_EQ(T->Width(), 257);
    EXPECT_EQ(T->Height(), 21);
    EXPECT_EQ(T->Thumb()->Width(), 11);
    EXPECT_EQ(T->Thumb()->Height(), 21);
    EXPECT_FALSE(T->ShowTick());
    // The worked example: 4832 puts the thumb at x 123.
    T->SetPosition(4832);
    EXPECT_EQ(T->GetThumbPosition().x, 123);
    EXPECT_EQ(T->Thumb()->Left(), 123);
    EXPECT_EQ(F->Changes, std::vector<int>{4832});
    C->SetChecked(false);
    F->chkTestMode->SetEnabled(false);
    TestHooks::PumpPending();
    ExpectWindowMatchesGolden(F->Handle(), "controls/skinned_form.png");
}

}  // namespace
