// Standard controls on a form loaded from a form file, driven by synthetic input.
#include <gtest/gtest.h>

#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

class TdlgTest : public TForm {
public:
    explicit TdlgTest(TComponent* Owner) : TForm(Owner) {
        DefineMethod("txtNameChange", &TdlgTest::txtNameChange);
        DefineMethod("chkOneClick", &TdlgTest::chkOneClick);
        DefineMethod("cmbKindChange", &TdlgTest::cmbKindChange);
        DefineField("btnOk", btnOk);
        DefineField("btnCancel", btnCancel);
        DefineField("txtName", txtName);
        DefineField("chkOne", chkOne);
        DefineField("rbA", rbA);
        DefineField("rbB", rbB);
        DefineField("cmbKind", cmbKind);
        DefineField("lstItems", lstItems);
        DefineField("mmoNotes", mmoNotes);
        DefineField("lblName", lblName);
        DefineField("grpBox", grpBox);
        LoadFromText(Text, "dlgTest.frm");
    }
    void txtNameChange(TObject*) { ++Changes; }
    void chkOneClick(TObject*) { ++CheckClicks; }
    void cmbKindChange(TObject*) { ++ComboChanges; }
    static const char* const Text;
    TButton *btnOk = nullptr, *btnCancel = nullptr;
    TEdit* txtName = nullptr;
    TCheckBox* chkOne = nullptr;
    TRadioButton *rbA = nullptr, *rbB = nullptr;
    TComboBox* cmbKind = nullptr;
    TListBox* lstItems = nullptr;
    TMemo* mmoNotes = nullptr;
    TLabel* lblName = nullptr;
    TGroupBox* grpBox = nullptr;
    int Changes = 0, CheckClicks = 0, ComboChanges = 0;
};

const char* const TdlgTest::Text = R"(object dlgTest: TdlgTest
  BorderStyle = bsDialog
  Caption = 'Dialog'
  ClientHeight = 260
  ClientWidth = 320
  Position = poScreenCenter
  object lblName: TLabel
    Left = 8
    Top = 12
    Caption = 'Name:'
  end
  object txtName: TEdit
    Left = 60
    Top = 8
    Width = 150
    Height = 21
    Text = 'first'
    OnChange = txtNameChange
  end
  object chkOne: TCheckBox
    Left = 8
    Top = 40
    Width = 100
    Height = 17
    Caption = 'One'
    Checked = True
    OnClick = chkOneClick
  end
  object grpBox: TGroupBox
    Left = 8
    Top = 64
    Width = 150
    Height = 70
    Caption = 'Choice'
    object rbA: TRadioButton
      Left = 8
      Top = 20
      Width = 60
      Height = 17
      Caption = 'A'
      Checked = True
    end
    object rbB: TRadioButton
      Left = 8
      Top = 42
      Width = 60
      Height = 17
      Caption = 'B'
    end
  end
  object cmbKind: TComboBox
    Left = 170
    Top = 40
    Width = 140
    Height = 21
    Style = csDropDownList
    Items.Strings = (
      'Alpha'
      'Beta'
      'Gamma')
    ItemIndex = 1
    OnChange = cmbKindChange
  end
  object lstItems: TListBox
    Left = 170
    Top = 70
    Width = 140
    Height = 60
    Items.Strings = (
      'x'
      'y')
  end
  object mmoNotes: TMemo
    Left = 8
    Top = 140
    Width = 300
    Height = 60
    Lines.Strings = (
      'line 1'
      'line 2')
  end
  object btnOk: TButton
    Left = 150
    Top = 220
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
  end
  object btnCancel: TButton
    Left = 235
    Top = 220
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
  end
end
)";

TEST(StdCtrls, ValuesFromTheFormFileReachTheWindows) {
    auto* D = new TdlgTest(Application);
    D->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->Showing(); }, 2000, "the dialog"));
    char Class[64] = {};
    GetClassNameA(D->btnOk->Handle(), Class, sizeof Class);
    EXPECT_STREQ(Class, "TButton");
    EXPECT_EQ(D->txtName->Text(), "first");
    EXPECT_TRUE(D->chkOne->Checked());
    EXPECT_EQ(SendMessageA(D->chkOne->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(D->CheckClicks, 0);  // set while loading: no click
    EXPECT_TRUE(D->rbA->Checked());
    EXPECT_EQ(D->cmbKind->Text(), "Beta");
    EXPECT_EQ(SendMessageA(D->cmbKind->Handle(), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(D->cmbKind->Handle(), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(D->lstItems->Handle(), LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(D->mmoNotes->Lines().Count(), 2);
    EXPECT_EQ(D->mmoNotes->Lines().Get(1), "line 2");
    D->mmoNotes->Lines().Add("line 3");
    EXPECT_EQ(D->mmoNotes->Text(), "line 1\r\nline 2\r\nline 3\r\n");
    // The label sized itself to its text.
    EXPECT_GT(D->lblName->Width(), 10);
    EXPECT_LT(D->lblName->Width(), 60);
    // The group box's children sit inside it.
    EXPECT_EQ(D->rbA->Parent(), D->grpBox);
    D->Free();
}

TEST(StdCtrls, ParentFontAndParentColorFollowTheParentUntilSetOwnValues) {
    auto* D = new TdlgTest(Application);
    D->Font().SetHeight(-15);
    EXPECT_EQ(D->lblName->Font().Height(), -15);
    EXPECT_EQ(D->rbA->Font().Height(), -15);  // through the group box
    D->grpBox->Font().SetStyle({fsBold});      // its own font from now on
    EXPECT_FALSE(D->grpBox->ParentFont());
    D->Font().SetHeight(-13);
    EXPECT_EQ(D->grpBox->Font().Height(), -15);
    EXPECT_EQ(D->lblName->Font().Height(), -13);
    // A label takes its parent's colour.
    D->SetColor(clYellow);
    EXPECT_EQ(D->lblName->Color(), clYellow);
    D->lblName->SetColor(clRed);
    D->SetColor(clWhite);
    EXPECT_EQ(D->lblName->Color(), clRed);
    D->Free();
}

TEST(StdCtrls, UserInputRunsTheEvents) {
    auto* D = new TdlgTest(Application);
    D->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->Showing(); }, 2000, "the dialog"));
    D->txtName->SelectAll();
    TestHooks::TypeText(D->txtName, "xyz");
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->txtName->Text() == "xyz"; }, 2000, "typing into txtName"));
    EXPECT_GE(D->Changes, 1);
    TestHooks::Click(D->chkOne);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->CheckClicks == 1; }, 2000, "the check box click"));
    EXPECT_FALSE(D->chkOne->Checked());
    TestHooks::Click(D->rbB);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->rbB->Checked(); }, 2000, "the radio button"));
    EXPECT_FALSE(D->rbA->Checked());
    TestHooks::Choose(D->cmbKind, 2);
    EXPECT_EQ(D->cmbKind->ItemIndex(), 2);
    EXPECT_EQ(D->cmbKind->Text(), "Gamma");
    EXPECT_EQ(D->ComboChanges, 1);
    TestHooks::Choose(D->lstItems, 1);
    EXPECT_EQ(D->lstItems->ItemIndex(), 1);
    D->Free();
}

TEST(StdCtrls, ShowModalReturnsTheModalResultOfTheClickedButton) {
    TestHooks::SetModalWatchdog(5000);
    struct Case {
        const char* Name;
        std::function<void(TdlgTest*)> Act;
        TModalResult Expected;
    } Cases[] = {
        {"click OK", [](TdlgTest* D) { TestHooks::Click(D->btnOk); }, mrOk},
        {"click Cancel", [](TdlgTest* D) { TestHooks::Click(D->btnCancel); }, mrCancel},
        {"Enter in the edit", [](TdlgTest* D) { D->txtName->SetFocus(); TestHooks::PressKey(VK_RETURN); }, mrOk},
        {"Escape", [](TdlgTest* D) { D->txtName->SetFocus(); TestHooks::PressKey(VK_ESCAPE); }, mrCancel},
    };
    for (const Case& C : Cases) {
        auto* D = new TdlgTest(Application);
        TestHooks::OnNextModal([&C](TCustomForm* F) { C.Act(static_cast<TdlgTest*>(F)); });
        EXPECT_EQ(D->ShowModal(), C.Expected) << C.Name;
        D->Free();
    }
    EXPECT_TRUE(TestHooks::Failures().empty());
    TestHooks::SetModalWatchdog(0);
}

TEST(StdCtrls, TabMovesTheFocusInTabOrder) {
    auto* D = new TdlgTest(Application);
    D->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->Showing(); }, 2000, "the dialog"));
    D->txtName->SetFocus();
    TestHooks::PumpPending();
    EXPECT_TRUE(D->txtName->Focused());
    TestHooks::PressKey(VK_TAB);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->chkOne->Focused(); }, 2000, "Tab to chkOne"));
    TestHooks::PressKey(VK_TAB, true);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->txtName->Focused(); }, 2000, "Shift+Tab back"));
    D->Free();
}

}  // namespace
