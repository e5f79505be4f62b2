// A main window as the program builds one: a form file with a menu, an action
// list, panels, buttons, a report list view with columns and images, a combo
// box, an edit, check boxes, status bar panels and a popup menu. Its look is
// compared with a golden image; clicks, shortcuts, idle updates and the popup
// menu run the actions. TESSARO_UPDATE_GOLDEN=1 writes the golden file.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "platform/screen/headless.h"
#include "platform/win/winscreen.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

const char* const MainForm = R"(object frmMain: TfrmMain
  Left = 40
  Top = 30
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = 'Tessaro'
  ClientHeight = 300
  ClientWidth = 460
  Color = clWhite
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  Menu = mnuMain
  OldCreateOrder = False
  Position = poDesigned
  PixelsPerInch = 96
  TextHeight = 13
  object PanelTop: TPanel
    Left = 0
    Top = 0
    Width = 460
    Height = 41
    Align = alTop
    BevelOuter = bvNone
    TabOrder = 0
    object btnAdd: TButton
      Left = 8
      Top = 8
      Width = 90
      Height = 25
      Action = actAdd
      TabOrder = 0
    end
    object btnRemove: TButton
      Left = 104
      Top = 8
      Width = 90
      Height = 25
      Action = actRemove
      TabOrder = 1
    end
  end
  object lsvFiles: TListView
    Left = 4
    Top = 44
    Width = 300
    Height = 150
    Columns = <
      item
        Caption = 'File Name'
        Width = 200
      end
      item
        Caption = 'Format'
        Width = 80
      end>
    MultiSelect = True
    ReadOnly = True
    RowSelect = True
    PopupMenu = mnuListView
    SmallImages = ImgListIcon
    TabOrder = 1
    ViewStyle = vsReport
  end
  object pnlBurner: TPanel
    Left = 310
    Top = 44
    Width = 146
    Height = 150
    BevelOuter = bvLowered
    Caption = ''
    TabOrder = 2
    object lblSpeed: TLabel
      Left = 8
      Top = 8
      Caption = 'Speed:'
    end
    object cmbBurnSpeed: TComboBox
      Left = 8
      Top = 24
      Width = 130
      Height = 21
      Style = csDropDownList
      ItemIndex = 0
      Items.Strings = (
        'Max'
        '4x')
      TabOrder = 0
    end
    object txtDiscLabel: TEdit
      Left = 8
      Top = 52
      Width = 130
      Height = 21
      TabOrder = 1
      Text = 'MY_DVD'
    end
    object chkEjectAfter: TCheckBox
      Left = 8
      Top = 82
      Width = 130
      Height = 17
      Caption = 'Eject After Burning'
      Checked = True
      State = cbChecked
      TabOrder = 2
    end
    object chkTestMode: TCheckBox
      Left = 8
      Top = 104
      Width = 130
      Height = 17
      Caption = 'Test Mode'
      TabOrder = 3
    end
  end
  object btnBurn: TButton
    Left = 310
    Top = 204
    Width = 98
    Height = 50
    Action = actBurn
    TabOrder = 3
  end
  object StatusBar: TStatusBar
    Left = 0
    Top = 278
    Width = 460
    Height = 22
    Panels = <
      item
        Text = 'Ready'
        Width = 300
      end
      item
        Text = '0%'
        Width = 50
      end>
  end
  object mnuMain: TMainMenu
    Left = 8
    Top = 200
    object mniFile: TMenuItem
      Caption = '&File'
      object mniAdd: TMenuItem
        Action = actAdd
      end
      object mniRemove: TMenuItem
        Action = actRemove
      end
      object N1: TMenuItem
        Caption = '-'
      end
      object mniBurn: TMenuItem
        Action = actBurn
      end
    end
    object mniHelp: TMenuItem
      Caption = '&Help'
    end
  end
  object mnuListView: TPopupMenu
    Left = 40
    Top = 200
    object pmiAdd: TMenuItem
      Action = actAdd
    end
    object pmiRemove: TMenuItem
      Action = actRemove
    end
  end
  object aclMain: TActionList
    OnUpdate = aclMainUpdate
    Left = 72
    Top = 200
    object actAdd: TAction
      Caption = 'Add'
      ShortCut = 16463
      OnExecute = actAddExecute
    end
    object actRemove: TAction
      Caption = 'Delete'
      ShortCut = 46
      OnExecute = actRemoveExecute
    end
    object actBurn: TAction
      Caption = 'Burn'
      ShortCut = 120
      OnExecute = actBurnExecute
    end
  end
  object ImgListIcon: TImageList
    Height = 18
    Width = 20
    Left = 104
    Top = 200
  end
end
)";

class TfrmMain : public TForm {
public:
    explicit TfrmMain(TComponent* Owner) : TForm(Owner) {
        DefineMethod("actAddExecute", &TfrmMain::actAddExecute);
        DefineMethod("actRemoveExecute", &TfrmMain::actRemoveExecute);
        DefineMethod("actBurnExecute", &TfrmMain::actBurnExecute);
        DefineMethod("aclMainUpdate", &TfrmMain::aclMainUpdate);
        DefineField("btnAdd", btnAdd);
        DefineField("btnBurn", btnBurn);
        DefineField("lsvFiles", lsvFiles);
        DefineField("actRemove", actRemove);
        DefineField("actBurn", actBurn);
        DefineField("mniRemove", mniRemove);
        DefineField("mniBurn", mniBurn);
        DefineField("ImgListIcon", ImgListIcon);
        DefineField("StatusBar", StatusBar);
        LoadFromText(MainForm, "Main.frm");
    }
    void actAddExecute(TObject*) {
        TListItem* I = lsvFiles->Items().Add();
        I->SetCaption("clip" + IntToStr(lsvFiles->Items().Count()) + ".avi");
        I->SubItems().Add("AVI");
        I->SetImageIndex((lsvFiles->Items().Count() - 1) % 2);
        ++Added;
    }
    void actRemoveExecute(TObject*) {
        if (TListItem* S = lsvFiles->Selected()) S->Delete();
        ++Removed;
    }
    void actBurnExecute(TObject*) { ++Burned; }
    // As the program's: nothing to remove or burn without files.
    void aclMainUpdate(TBasicAction* Action, bool& Handled) {
        if (Action == actRemove) {
            actRemove->SetEnabled(lsvFiles->Selected() != nullptr);
            Handled = true;
        } else if (Action == actBurn) {
            actBurn->SetEnabled(lsvFiles->Items().Count() > 0);
            Handled = true;
        }
    }
    TButton *btnAdd = nullptr, *btnBurn = nullptr;
    TListView* lsvFiles = nullptr;
    TAction *actRemove = nullptr, *actBurn = nullptr;
    TMenuItem *mniRemove = nullptr, *mniBurn = nullptr;
    TImageList* ImgListIcon = nullptr;
    TStatusBar* StatusBar = nullptr;
    int Added = 0, Removed = 0, Burned = 0;
};

TfrmMain* ShowMainForm() {
    auto* F = new TfrmMain(Application);
    // Two icons: a red and a blue square on white.
    for (TColor C : {clRed, clBlue}) {
        TBitmap B(20, 18);
        B.Canvas().Brush().SetColor(clWhite);
        B.Canvas().FillRect(TRect(0, 0, 20, 18));
        B.Canvas().Brush().SetColor(C);
        B.Canvas().FillRect(TRect(3, 2, 17, 16));
        F->ImgListIcon->AddMasked(&B, clWhite);
    }
    F->Show();
    TestHooks::PumpPending();
    return F;
}

bool MenuItemGrayed(TfrmMain* F, TMenuItem* I) {
    UINT S = GetMenuState(I->Parent()->Handle(), I->Command(), MF_BYCOMMAND);
    return S != static_cast<UINT>(-1) && (S & MF_GRAYED);
}

TEST(MainForm, LooksAsTheGoldenImage) {
    TfrmMain* F = ShowMainForm();
    F->btnAdd->Click();
    F->btnAdd->Click();
    F->lsvFiles->Items()[0]->SetSelected(true);
    F->StatusBar->Panels().Items(1)->SetText("50%");
    ::SetFocus(F->lsvFiles->Handle());
    TestHooks::PumpPending();
    RedrawWindow(F->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    TestHooks::PumpPending();

    std::string Golden = std::string(TESSARO_TEST_DATA) + "/classlib/main_form.png";
    std::string Shot = TestHooks::Screenshot("main_form_window");
    ASSERT_TRUE(WinSaveWindowPng(F->Handle(), Shot));
    const char* Update = std::getenv("TESSARO_UPDATE_GOLDEN");
    if (Update && *Update == '1') {
        std::filesystem::copy_file(Shot, Golden, std::filesystem::copy_options::overwrite_existing);
        std::remove(Shot.c_str());
        F->Free();
        GTEST_SKIP() << "golden image written: " << Golden;
    }
    std::vector<uint32_t> A, B;
    int AW = 0, AH = 0, BW = 0, BH = 0;
    ASSERT_TRUE(LoadPixelsPng(Shot, A, AW, AH));
    ASSERT_TRUE(LoadPixelsPng(Golden, B, BW, BH)) << "missing golden image " << Golden;
    ASSERT_EQ(AW, BW);
    ASSERT_EQ(AH, BH);
    int Diff = 0;
    POINT First{-1, -1};
    for (int Y = 0; Y < AH; ++Y)
        for (int X = 0; X < AW; ++X)
            if ((A[size_t(Y) * AW + X] & 0xFFFFFF) != (B[size_t(Y) * BW + X] & 0xFFFFFF)) {
                if (!Diff) First = POINT{X, Y};
                ++Diff;
            }
    EXPECT_EQ(Diff, 0) << "first differing pixel at " << First.x << "," << First.y << "; screenshot kept at " << Shot;
    if (!Diff) std::remove(Shot.c_str());
    F->Free();
}

TEST(MainForm, ClickShortcutUpdateAndPopupRunTheActions) {
    TfrmMain* F = ShowMainForm();
    // Nothing in the list: the idle update greys Burn on the button and in the menu.
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !F->actBurn->Enabled(); }, 2000, "actBurn disabled"));
    EXPECT_FALSE(IsWindowEnabled(F->btnBurn->Handle()));
    EXPECT_TRUE(MenuItemGrayed(F, F->mniBurn));
    EXPECT_TRUE(MenuItemGrayed(F, F->mniRemove));
    // F9 does nothing while Burn is disabled.
    TestHooks::PressKey(VK_F9);
    TestHooks::PumpPending();
    EXPECT_EQ(F->Burned, 0);
    // A real click on the Add button runs actAdd.
    TestHooks::Click(F->btnAdd);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Added == 1; }, 2000, "the click on btnAdd"));
    // Ctrl+O runs it too.
    TestHooks::PressKey('O', false, true);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Added == 2; }, 2000, "Ctrl+O"));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->actBurn->Enabled(); }, 2000, "actBurn enabled"));
    EXPECT_TRUE(IsWindowEnabled(F->btnBurn->Handle()));
    EXPECT_FALSE(MenuItemGrayed(F, F->mniBurn));
    TestHooks::PressKey(VK_F9);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Burned == 1; }, 2000, "F9"));
    // The list's popup menu: the second item removes the selected file.
    F->lsvFiles->Items()[1]->SetSelected(true);
    TestHooks::PumpPending();
    TestHooks::OnNextModalWindow([](HWND) {
        TestHooks::PressKey(VK_DOWN);
        TestHooks::PressKey(VK_DOWN);
        TestHooks::PressKey(VK_RETURN);
    });
    RECT R{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(F->lsvFiles->Handle(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&R));
    TestHooks::RightClick(F->lsvFiles->ClientToScreen(POINT{R.left + 30, (R.top + R.bottom) / 2}));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Removed == 1; }, 3000, "the popup menu's Delete"));
    EXPECT_EQ(F->lsvFiles->Items().Count(), 1);
    F->Free();
}

// A caption the program puts on a linked control or menu item stays when the
// action changes something else; a change of the action's own caption still
// reaches them.
TEST(MainForm, ActionChangesPassOnOnlyWhatChanged) {
    TfrmMain* F = ShowMainForm();
    F->btnBurn->SetCaption("Brennen");
    F->mniBurn->SetCaption("&Brennen");
    F->actBurn->SetEnabled(false);
    F->actBurn->SetEnabled(true);
    EXPECT_EQ(F->btnBurn->Caption(), "Brennen");
    EXPECT_EQ(F->mniBurn->Caption(), "&Brennen");
    EXPECT_TRUE(F->btnBurn->Enabled());
    F->actBurn->SetEnabled(false);
    EXPECT_FALSE(F->btnBurn->Enabled());
    EXPECT_FALSE(F->mniBurn->Enabled());
    F->actBurn->SetCaption("Write");
    EXPECT_EQ(F->btnBurn->Caption(), "Write");
    EXPECT_EQ(F->mniBurn->Caption(), "Write");
    F->Free();
}

}  // namespace
