// The skinned check box: its looks, its size, its keys, mouse and accelerator.
#include <gtest/gtest.h>

#include "controls/golden_png.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/win/winscreen.h"
#include "platform/screen/headless.h"
#include "sc_test_env.h"

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new ScTestEnv);

class TBoxForm : public TForm {
public:
    explicit TBoxForm(TComponent* Owner) : TForm(Owner) {
        SetBounds(50, 50, 260, 150);
        SetColor(TColor(0xE0F0FF));
        Font().SetName("Tahoma");
        Font().SetHeight(-11);
    }
    TscCheckBox* Add(const std::string& Caption, int X, int Y) {
        auto* B = new TscCheckBox(this);
        B->SetLeft(X);
        B->SetTop(Y);
        B->SetCaption(Caption);
        B->SetParent(this);
        B->OnClick = [this](TObject*) { ++Clicks; };
        return B;
    }
    int Clicks = 0;
};

class CheckBox : public ::testing::Test {
protected:
    void SetUp() override {
        F = new TBoxForm(Application);
        SysLocale = SysLocaleFromName("en_US.UTF-8");
    }
    void TearDown() override {
        F->Free();
        TestHooks::PumpPending();
        SysLocale = SysLocaleFromName("en_US.UTF-8");
    }
    void ShowForm() {
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
        TestHooks::PumpPending();
    }
    TBoxForm* F = nullptr;
};

// Each look: the four frames (checked, unchecked, both disabled), captions,
// the focus rectangle, a transparent box on a coloured form and, on a
// Middle-East locale, one right-to-left box.
TEST_F(CheckBox, EveryLookDrawn) {
    struct TLook {
        TscUIStyle Style;
        const char* Golden;
    } Looks[] = {{MacOS, "macos"}, {WinXP, "winxp"}, {DeepBlue, "deepblue"}, {Protein, "protein"},
                 {BlueGlass, "blueglass"}, {FromThemeFile, "themefile"}};
    SysLocale = SysLocaleFromName("ar_EG.UTF-8");
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    TscCheckBox* Boxes[6] = {F->Add("Checked", 8, 8), F->Add("Unchecked", 8, 30), F->Add("Disabled checked", 8, 52),
                             F->Add("Disabled unchecked", 8, 74), F->Add("Transparent", 130, 8),
                             F->Add("Right to left", 130, 30)};
    Boxes[0]->SetChecked(true);
    Boxes[2]->SetChecked(true);
    Boxes[2]->SetEnabled(false);
    Boxes[3]->SetEnabled(false);
    Boxes[4]->SetTransparent(true);
    // Lines of the form behind the transparent box show through it.
    auto* Behind = new TBevel(F);
    Behind->SetBounds(128, 4, 120, 24);
    Behind->SetParent(F);
    Boxes[5]->SetBiDiMode(bdRightToLeft);
    Boxes[5]->SetChecked(true);
    ShowForm();
    Boxes[1]->SetFocus();
    for (const TLook& L : Looks) {
        SCOPED_TRACE(L.Golden);
        for (TscCheckBox* B : Boxes) {
            B->SetFileTheme(Theme);
            B->SetUIStyle(L.Style);
        }
        TestHooks::PumpPending();
        EXPECT_EQ(Boxes[2]->FrameIndex(), 3);
        EXPECT_EQ(Boxes[3]->FrameIndex(), 4);
        ExpectWindowMatchesGolden(F->Handle(), std::string("controls/skinned/check_box_") + L.Golden + ".png");
    }
}

// The WinXP box of the forms: 19 high with a Tahoma caption, 21 wide without one.
TEST_F(CheckBox, AutoSizeFollowsPictureAndCaption) {
    TscCheckBox* Empty = F->Add("", 8, 8);
    TscCheckBox* Long = F->Add("Create DVD without menu", 8, 40);
    TscCheckBox* Fixed = F->Add("Fixed", 8, 80);
    for (TscCheckBox* B : {Empty, Long, Fixed}) B->SetUIStyle(WinXP);
    Fixed->SetAutoSize(false);
    Fixed->SetBounds(8, 80, 150, 30);
    EXPECT_EQ(Empty->Width(), 93);  // the constructor's size until painted
    ShowForm();
    EXPECT_EQ(Empty->Width(), 21);
    EXPECT_EQ(Empty->Height(), 19);
    EXPECT_EQ(Long->Height(), 19);
    EXPECT_GT(Long->Width(), 21 + 60);
    EXPECT_EQ(Fixed->Width(), 150);
    EXPECT_EQ(Fixed->Height(), 30);
    // MacOS frames are 15 x 17: 17 + 4.
    Empty->SetUIStyle(MacOS);
    TestHooks::PumpPending();
    EXPECT_EQ(Empty->Width(), 23);
    EXPECT_EQ(Empty->Height(), 21);
}

TEST_F(CheckBox, CheckedStateAndClickEvent) {
    TscCheckBox* B = F->Add("Box", 8, 8);
    B->SetChecked(false);
    EXPECT_EQ(F->Clicks, 0);  // unchanged: no click
    B->SetChecked(true);
    EXPECT_EQ(F->Clicks, 1);
    EXPECT_EQ(B->State(), cbChecked);
    B->SetState(cbGrayed);  // greyed is unchecked
    EXPECT_FALSE(B->Checked());
    EXPECT_EQ(F->Clicks, 2);
    B->SetState(cbUnchecked);
    EXPECT_EQ(F->Clicks, 2);
    // The user's double click is two clicks.
    ShowForm();
    WinHeadlessScreen()->DoubleClick(TestHooks::ControlCenter(B));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Clicks == 4; }, 2000, "two toggles"));
    EXPECT_FALSE(B->Checked());
    EXPECT_TRUE(B->Focused());
}

// Space and Enter toggle a focused, enabled box; nothing else does.
TEST_F(CheckBox, KeyTable) {
    TscCheckBox* B = F->Add("Box", 8, 8);
    TscCheckBox* Other = F->Add("Other", 8, 40);
    ShowForm();
    struct TCase {
        int Key;
        bool Focused, Enabled, Toggles;
    };
    const TCase Cases[] = {
        {VK_SPACE, true, true, true},    {VK_RETURN, true, true, true},   {'A', true, true, false},
        {VK_SPACE, false, true, false},  {VK_RETURN, false, true, false}, {VK_SPACE, true, false, false},
        {VK_RETURN, true, false, false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Key << " focused " << C.Focused << " enabled " << C.Enabled);
        B->SetEnabled(true);
        if (C.Focused) B->SetFocus(); else Other->SetFocus();
        TestHooks::PumpPending();
        B->SetEnabled(C.Enabled);
        // A disabled box keeps the focus message-wise: send the key to it directly.
        bool Before = B->Checked();
        if (C.Enabled) {
            TestHooks::PressKey(C.Key);
            TestHooks::PumpPending();
        } else {
            B->Perform(WM_KEYDOWN, C.Key, 0);
            B->Perform(WM_KEYUP, C.Key, 0);
        }
        EXPECT_EQ(B->Checked() != Before, C.Toggles);
    }
}

TEST_F(CheckBox, AcceleratorClicksTheBox) {
    TscCheckBox* B = F->Add("&Quick erase", 8, 8);
    TscCheckBox* Other = F->Add("&Eject after erasing", 8, 40);
    ShowForm();
    Other->SetFocus();
    TestHooks::PumpPending();
    TestHooks::PressKey('Q', false, false, true);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return B->Checked(); }, 2000, "Alt+Q"));
    EXPECT_TRUE(B->Focused());
    EXPECT_FALSE(Other->Checked());
    // A disabled box does not take it.
    B->SetEnabled(false);
    TestHooks::PressKey('Q', false, false, true);
    TestHooks::PumpPending();
    EXPECT_TRUE(B->Checked());
    EXPECT_TRUE(IsAccel('q', "&Quick"));
    EXPECT_FALSE(IsAccel('q', "&&Quick"));
    EXPECT_FALSE(IsAccel('x', "Box"));
}

TEST_F(CheckBox, RemovingTheThemeRevertsToDeepBlue) {
    auto* Theme = new TscFileTheme(F);
    TscCheckBox* B = F->Add("Box", 8, 8);
    B->SetFileTheme(Theme);
    B->SetUIStyle(FromThemeFile);
    Theme->Free();
    EXPECT_EQ(B->FileTheme(), nullptr);
    EXPECT_EQ(B->UIStyle(), DeepBlue);
    // A box made on a form with a skinned form takes that one's look.
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    Skin->SetUIStyle(BlueGlass);
    EXPECT_EQ(F->Add("Later", 8, 40)->UIStyle(), BlueGlass);
}

}  // namespace
