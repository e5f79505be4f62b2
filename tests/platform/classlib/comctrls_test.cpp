// Common controls of the class library over the platform's windows.
#include <gtest/gtest.h>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "platform/gdi/surface.h"
#include "platform/win/winscreen.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

class TfrmLists : public TForm {
public:
    explicit TfrmLists(TComponent* Owner) : TForm(Owner) {
        DefineMethod("lsvFilesSelectItem", &TfrmLists::lsvFilesSelectItem);
        DefineMethod("trkLevelChange", &TfrmLists::trkLevelChange);
        DefineField("lsvFiles", lsvFiles);
        DefineField("StatusBar", StatusBar);
        DefineField("prgSize", prgSize);
        DefineField("trkLevel", trkLevel);
        DefineField("udnCount", udnCount);
        DefineField("txtCount", txtCount);
        DefineField("pgcMain", pgcMain);
        DefineField("tabOne", tabOne);
        DefineField("tabTwo", tabTwo);
        DefineField("ImgListIcon", ImgListIcon);
        LoadFromText(R"(object frmLists: TfrmLists
  Caption = 'Lists'
  ClientHeight = 300
  ClientWidth = 400
  object lsvFiles: TListView
    Left = 0
    Top = 0
    Width = 400
    Height = 120
    Columns = <
      item
        Caption = 'File Name'
        Width = 300
      end
      item
        Caption = 'Format'
        Width = 80
      end>
    MultiSelect = True
    ReadOnly = True
    RowSelect = True
    SmallImages = ImgListIcon
    ViewStyle = vsReport
    OnSelectItem = lsvFilesSelectItem
  end
  object prgSize: TProgressBar
    Left = 8
    Top = 130
    Width = 200
    Height = 16
    Max = 50
    Position = 20
  end
  object trkLevel: TTrackBar
    Left = 8
    Top = 150
    Width = 150
    Height = 30
    Max = 8
    Position = 3
    OnChange = trkLevelChange
  end
  object txtCount: TEdit
    Left = 200
    Top = 150
    Width = 50
    Height = 21
  end
  object udnCount: TUpDown
    Left = 250
    Top = 150
    Width = 16
    Height = 21
    Associate = txtCount
    Min = 1
    Max = 9
    Position = 4
  end
  object pgcMain: TPageControl
    Left = 8
    Top = 185
    Width = 300
    Height = 90
    ActivePage = tabTwo
    object tabOne: TTabSheet
      Caption = 'One'
    end
    object tabTwo: TTabSheet
      Caption = 'Two'
    end
  end
  object StatusBar: TStatusBar
    Panels = <
      item
        Width = 250
        Text = 'Ready'
      end
      item
        Width = 50
      end>
  end
  object ImgListIcon: TImageList
    Height = 18
    Width = 20
  end
end
)",
                     "frmLists.frm");
    }
    void lsvFilesSelectItem(TObject*, TListItem* Item, bool Selected) {
        if (Selected) LastSelected = Item;
    }
    void trkLevelChange(TObject*) { ++TrackChanges; }
    TListView* lsvFiles = nullptr;
    TStatusBar* StatusBar = nullptr;
    TProgressBar* prgSize = nullptr;
    TTrackBar* trkLevel = nullptr;
    TUpDown* udnCount = nullptr;
    TEdit* txtCount = nullptr;
    TPageControl* pgcMain = nullptr;
    TTabSheet *tabOne = nullptr, *tabTwo = nullptr;
    TImageList* ImgListIcon = nullptr;
    TListItem* LastSelected = nullptr;
    int TrackChanges = 0;
};

std::string LvText(HWND W, int Item, int Sub) {
    char16_t Buf[256] = {};
    LVITEMW It{};
    It.iSubItem = Sub;
    It.pszText = reinterpret_cast<LPWSTR>(Buf);
    It.cchTextMax = 256;
    SendMessageW(W, LVM_GETITEMTEXTW, Item, reinterpret_cast<LPARAM>(&It));
    std::string S;
    for (char16_t* P = Buf; *P; ++P) S += static_cast<char>(*P);
    return S;
}

TEST(ComCtrls, ListViewKeepsItemsInStepWithItsWindow) {
    auto* F = new TfrmLists(Application);
    EXPECT_EQ(F->ImgListIcon->Width(), 20);
    EXPECT_EQ(F->lsvFiles->SmallImages(), F->ImgListIcon);
    ASSERT_EQ(F->lsvFiles->Columns().Count(), 2);
    EXPECT_EQ(F->lsvFiles->Columns().Items(0)->Caption(), "File Name");
    // Items made before the window exists reach it with their selection.
    TListItem* A = F->lsvFiles->Items().Add();
    A->SetCaption("b.avi");
    A->SubItems().Add("AVI");
    A->Data = F;
    TListItem* B = F->lsvFiles->Items().Add();
    B->SetCaption("a.mpg");
    B->SubItems().Add("MPEG");
    B->SetSelected(true);
    F->Show();
    HWND W = F->lsvFiles->Handle();
    EXPECT_EQ(SendMessageW(W, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(LvText(W, 0, 0), "b.avi");
    EXPECT_EQ(LvText(W, 1, 1), "MPEG");
    EXPECT_EQ(F->lsvFiles->Selected(), B);
    EXPECT_EQ(F->lsvFiles->SelCount(), 1);
    // Sub-items changed later, sorting, deleting.
    A->SubItems().Put(0, "AVI 2");
    EXPECT_EQ(LvText(W, 0, 1), "AVI 2");
    F->lsvFiles->AlphaSort();
    EXPECT_EQ(F->lsvFiles->Items()[0], B);
    EXPECT_EQ(LvText(W, 0, 0), "a.mpg");
    EXPECT_TRUE(B->Selected());
    EXPECT_EQ(A->Data, F);
    B->Delete();
    EXPECT_EQ(SendMessageW(W, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(F->lsvFiles->Items().Count(), 1);
    // A click on the remaining row selects it.
    TestHooks::PumpPending();
    RECT R{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(W, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&R));
    TestHooks::Click(F->lsvFiles->ClientToScreen(POINT{R.left + 20, (R.top + R.bottom) / 2}));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->LastSelected == A; }, 2000, "the row click"));
    F->Free();
}

TEST(ComCtrls, AutomaticDragInAListViewDropsOnAnItem) {
    auto* F = new TfrmLists(Application);
    for (const char* N : {"one.avi", "two.avi", "three.avi"}) F->lsvFiles->Items().Add()->SetCaption(N);
    F->lsvFiles->DragMode = dmAutomatic;
    TListItem* DroppedOn = nullptr;
    TObject* DropSource = nullptr;
    F->lsvFiles->OnDragOver = [&](TObject*, TObject* Source, int, int, TDragState, bool& Accept) {
        Accept = Source == F->lsvFiles;
    };
    F->lsvFiles->OnDragDrop = [&](TObject*, TObject* Source, int X, int Y) {
        DropSource = Source;
        DroppedOn = F->lsvFiles->GetItemAt(X, Y);
    };
    F->Show();
    TestHooks::PumpPending();
    HWND W = F->lsvFiles->Handle();
    auto Center = [&](int I) {
        RECT R{LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(W, LVM_GETITEMRECT, I, reinterpret_cast<LPARAM>(&R));
        return F->lsvFiles->ClientToScreen(POINT{R.left + 30, (R.top + R.bottom) / 2});
    };
    WinHeadlessScreen()->Drag(Center(0), Center(2), 8);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return DroppedOn != nullptr; }, 3000, "the drop"));
    EXPECT_EQ(DropSource, F->lsvFiles);
    EXPECT_EQ(DroppedOn, F->lsvFiles->Items()[2]);
    F->Free();
}

TEST(ComCtrls, DraggedItemsPictureFollowsTheMouseWithTheDropCursor) {
    auto* F = new TfrmLists(Application);
    TBitmap Green(20, 18, pf24bit);
    Green.Canvas().Brush().SetColor(clLime);
    Green.Canvas().FillRect(TRect(0, 0, 20, 18));
    ASSERT_EQ(F->ImgListIcon->Add(&Green, nullptr), 0);
    for (const char* N : {"one.avi", "two.avi", "three.avi"}) F->lsvFiles->Items().Add()->SetCaption(N);
    F->lsvFiles->Items()[0]->SetImageIndex(0);
    F->lsvFiles->DragMode = dmAutomatic;
    ASSERT_TRUE(SetPropValue(F->lsvFiles, "DragCursor", ParseFormValue("crHandPoint")));
    ASSERT_NE(Screen->Cursors(crHandPoint), Screen->Cursors(crNoDrop));
    int Drops = 0, Ends = 0;
    TObject* EndTarget = F;
    F->lsvFiles->OnDragOver = [&](TObject*, TObject* Source, int, int, TDragState, bool& Accept) {
        Accept = Source == F->lsvFiles;
    };
    F->lsvFiles->OnDragDrop = [&](TObject*, TObject*, int, int) { ++Drops; };
    F->lsvFiles->OnEndDrag = [&](TObject*, TObject* Target, int, int) {
        ++Ends;
        EndTarget = Target;
    };
    F->Show();
    TestHooks::PumpPending();
    HWND W = F->lsvFiles->Handle();
    auto At = [&](int I, int X) {
        RECT R{LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(W, LVM_GETITEMRECT, I, reinterpret_cast<LPARAM>(&R));
        return F->lsvFiles->ClientToScreen(POINT{X, (R.top + R.bottom) / 2});
    };
    RECT Icon{LVIR_ICON, 0, 0, 0};
    SendMessageW(W, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&Icon));
    POINT IconTopLeft = F->lsvFiles->ClientToScreen(POINT{Icon.left, Icon.top});
    auto* S = WinHeadlessScreen();
    POINT Press = At(0, 40);
    S->MouseDown(Press);
    TestHooks::PumpPending();
    for (int Step = 1; Step <= 4; ++Step) {
        S->MouseMove(POINT{Press.x + 5 * Step, Press.y + 6 * Step});
        TestHooks::PumpPending();
    }
    ASSERT_TRUE(F->lsvFiles->Dragging());
    EXPECT_EQ(GetCapture(), W);
    HWND Image = WinDragImageWindow();
    ASSERT_NE(Image, nullptr);
    // The picture is held where the item was pressed.
    POINT Now{Press.x + 20, Press.y + 24};
    RECT R{};
    GetWindowRect(Image, &R);
    EXPECT_EQ(Now.x - R.left, Press.x - IconTopLeft.x);
    EXPECT_EQ(Now.y - R.top, Press.y - IconTopLeft.y);
    {
        TGdiSurface* D = S->ComposeDesktop();
        uint32_t P = GdiSurfacePixels(D)[(R.top + 5) * GdiSurfaceStride(D) + R.left + 5] & 0xFFFFFF;
        EXPECT_EQ(P, 0x00FF00u);  // the item's green image
    }
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));  // the drag cursor over the list, which accepts
    // Over the status bar nobody accepts: the no-drop cursor.
    POINT Bar = F->StatusBar->ClientToScreen(POINT{20, 5});
    S->MouseMove(Bar);
    TestHooks::PumpPending();
    EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop));
    // Released there: no drop, the drag ends and its picture and capture go.
    S->MouseUp(Bar);
    TestHooks::PumpPending();
    EXPECT_FALSE(F->lsvFiles->Dragging());
    EXPECT_EQ(Drops, 0);
    EXPECT_EQ(Ends, 1);
    EXPECT_EQ(EndTarget, nullptr);
    EXPECT_EQ(WinDragImageWindow(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    // A second drag onto the list drops there.
    S->Drag(At(0, 40), At(2, 40), 8);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Ends == 2; }, 3000, "the second drag"));
    EXPECT_EQ(Drops, 1);
    EXPECT_EQ(EndTarget, F->lsvFiles);
    EXPECT_EQ(WinDragImageWindow(), nullptr);
    F->Free();
}

TEST(ComCtrls, BarsAndPagesTakeTheirValues) {
    auto* F = new TfrmLists(Application);
    F->Show();
    TestHooks::PumpPending();
    // The status bar sits at the bottom with its panels.
    EXPECT_EQ(F->StatusBar->Top() + F->StatusBar->Height(), F->ClientHeight());
    EXPECT_EQ(F->StatusBar->Width(), F->ClientWidth());
    char16_t Buf[64] = {};
    SendMessageW(F->StatusBar->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(Buf));
    EXPECT_EQ(std::u16string(Buf), u"Ready");
    F->StatusBar->Panels().Items(1)->SetText("42%");
    SendMessageW(F->StatusBar->Handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(Buf));
    EXPECT_EQ(std::u16string(Buf), u"42%");
    EXPECT_EQ(SendMessageW(F->prgSize->Handle(), PBM_GETPOS, 0, 0), 20);
    F->prgSize->SetPosition(80);  // beyond Max: kept at Max
    EXPECT_EQ(F->prgSize->Position(), 50);
    EXPECT_EQ(SendMessageW(F->prgSize->Handle(), PBM_GETPOS, 0, 0), 50);
    EXPECT_EQ(F->trkLevel->Position(), 3);
    EXPECT_EQ(F->TrackChanges, 0);
    F->trkLevel->SetPosition(5);
    EXPECT_EQ(F->TrackChanges, 1);
    EXPECT_EQ(SendMessageW(F->trkLevel->Handle(), TBM_GETPOS, 0, 0), 5);
    EXPECT_EQ(F->txtCount->Text(), "4");
    EXPECT_EQ(F->udnCount->Left(), F->txtCount->Left() + F->txtCount->Width());
    F->udnCount->SetPosition(12);
    EXPECT_EQ(F->udnCount->Position(), 9);
    EXPECT_EQ(F->txtCount->Text(), "9");
    EXPECT_EQ(F->pgcMain->ActivePage(), F->tabTwo);
    EXPECT_TRUE(F->tabTwo->Visible());
    EXPECT_FALSE(F->tabOne->Visible());
    EXPECT_EQ(SendMessageW(F->pgcMain->Handle(), TCM_GETCURSEL, 0, 0), 1);
    F->pgcMain->SetActivePageIndex(0);
    EXPECT_TRUE(F->tabOne->Visible());
    EXPECT_FALSE(F->tabTwo->Visible());
    F->Free();
}

}  // namespace
