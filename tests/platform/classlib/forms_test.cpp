// Forms, the application loop, modal loops, actions, menus and threads, on the
// headless screen.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <typeinfo>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/appevnts.h"
#include "platform/classlib/buttons.h"
#include "platform/classlib/clipboard.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/toolbar.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/win/winscreen.h"
#include "platform/system/process.h"

inline bool operator==(const TRect& A, const TRect& B) {
    return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom;
}
inline std::ostream& operator<<(std::ostream& O, const TRect& R) {
    return O << "(" << R.left << "," << R.top << "," << R.right << "," << R.bottom << ")";
}

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override {
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// A form with handlers bound by name, as the program's forms are.
class TfrmTest : public TForm {
public:
    explicit TfrmTest(TComponent* Owner) : TForm(Owner) {
        DefineMethod("FormCreate", &TfrmTest::FormCreate);
        DefineMethod("actGoExecute", &TfrmTest::actGoExecute);
        DefineMethod("actGoUpdate", &TfrmTest::actGoUpdate);
        DefineMethod("aclMainUpdate", &TfrmTest::aclMainUpdate);
        DefineMethod("pnlTopMouseDown", &TfrmTest::pnlTopMouseDown);
        DefineMethod("tmrTickTimer", &TfrmTest::tmrTickTimer);
        DefineField("actGo", actGo);
        DefineField("pnlTop", pnlTop);
        DefineField("pnlClient", pnlClient);
        DefineField("pnlBottom", pnlBottom);
        DefineField("pnlGo", pnlGo);
        DefineField("mniGo", mniGo);
        DefineField("tmrTick", tmrTick);
    }
    void FormCreate(TObject*) { ++Created; }
    void actGoExecute(TObject*) { ++Executed; }
    void actGoUpdate(TObject*) { actGo->SetEnabled(GoAllowed); }
    void aclMainUpdate(TBasicAction*, bool& Handled) { ++ListUpdates; Handled = false; }
    void pnlTopMouseDown(TObject*, TMouseButton B, TShiftState, int X, int Y) { LastDown = POINT{X, Y}; (void)B; }
    void tmrTickTimer(TObject*) { ++Ticks; }
    TAction* actGo = nullptr;
    TPanel *pnlTop = nullptr, *pnlClient = nullptr, *pnlBottom = nullptr, *pnlGo = nullptr;
    TMenuItem* mniGo = nullptr;
    TTimer* tmrTick = nullptr;
    int Created = 0, Executed = 0, ListUpdates = 0, Ticks = 0;
    bool GoAllowed = true;
    POINT LastDown{-1, -1};
};

const char* const TestForm = R"(object frmTest: TfrmTest
  Left = 100
  Top = 80
  BorderStyle = bsSingle
  Caption = 'Test'
  ClientHeight = 200
  ClientWidth = 300
  Color = clBtnFace
  Font.Name = 'Tahoma'
  Font.Height = -11
  Menu = mnuMain
  KeyPreview = True
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object pnlTop: TPanel
    Left = 0
    Top = 0
    Width = 300
    Height = 40
    Align = alTop
    Caption = 'Top'
    OnMouseDown = pnlTopMouseDown
    object pnlGo: TPanel
      Left = 200
      Top = 5
      Width = 90
      Height = 30
      Anchors = [akTop, akRight]
      Action = actGo
    end
  end
  object pnlBottom: TPanel
    Left = 0
    Top = 170
    Width = 300
    Height = 30
    Align = alBottom
  end
  object pnlClient: TPanel
    Left = 0
    Top = 40
    Width = 300
    Height = 130
    Align = alClient
    BevelOuter = bvLowered
  end
  object aclMain: TActionList
    OnUpdate = aclMainUpdate
    Left = 8
    Top = 8
    object actGo: TAction
      Caption = 'Go'
      ShortCut = 16455
      OnExecute = actGoExecute
      OnUpdate = actGoUpdate
    end
  end
  object mnuMain: TMainMenu
    object mniFile: TMenuItem
      Caption = 'File'
      object mniGo: TMenuItem
        Action = actGo
      end
    end
  end
  object tmrTick: TTimer
    Interval = 20
    OnTimer = tmrTickTimer
  end
end
)";

TfrmTest* MakeForm() {
    auto* F = new TfrmTest(Application);
    F->LoadFromText(TestForm, "test.frm");
    return F;
}

TEST(Forms, LoadedFormAlignsPanelsAnchorsAndLinksActions) {
    TfrmTest* F = MakeForm();
    EXPECT_EQ(F->Created, 1);
    EXPECT_EQ(F->ClientWidth(), 300);
    EXPECT_EQ(F->ClientHeight(), 200);
    EXPECT_EQ(F->pnlTop->BoundsRect(), TRect(0, 0, 300, 40));
    EXPECT_EQ(F->pnlBottom->BoundsRect(), TRect(0, 170, 300, 200));
    EXPECT_EQ(F->pnlClient->BoundsRect(), TRect(0, 40, 300, 170));
    EXPECT_EQ(F->pnlGo->Caption(), "Go");
    EXPECT_EQ(F->mniGo->Caption(), "Go");
    EXPECT_EQ(F->mniGo->ShortCut(), TextToShortCut("Ctrl+G"));
    bool Idled = false;
    Application->OnIdle = [&](TObject*, bool& Done) {
        Idled = true;
        Done = true;
    };
    F->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
    EXPECT_EQ(Screen->ActiveForm(), F);
    PostMessageA(F->Handle(), WM_NULL, 0, 0);
    Application->HandleMessage();  // the posted message
    Application->HandleMessage();  // nothing waiting: idle, then wait (the form's 20 ms timer ends it)
    EXPECT_TRUE(Idled);
    Application->OnIdle = nullptr;
    // Wider by 100: aligned panels follow, the right-anchored one moves.
    F->SetClientWidth(400);
    EXPECT_EQ(F->pnlTop->Width(), 400);
    EXPECT_EQ(F->pnlClient->BoundsRect(), TRect(0, 40, 400, 170));
    EXPECT_EQ(F->pnlGo->Left(), 300);
    F->Free();
}

TEST(Forms, ClickShortcutAndUpdateRunTheAction) {
    TfrmTest* F = MakeForm();
    F->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form"));
    TestHooks::Click(F->pnlGo);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Executed == 1; }, 2000, "the click to run actGo"));
    // The mouse event of the panel under the button got client coordinates.
    TestHooks::Click(F->pnlTop->ClientToScreen(POINT{10, 12}));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->LastDown.x == 10 && F->LastDown.y == 12; }, 2000, "OnMouseDown"));
    TestHooks::PressKey('G', false, true);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Executed == 2; }, 2000, "Ctrl+G to run actGo"));
    EXPECT_GT(F->ListUpdates, 0);
    // OnUpdate disables: the panel and the menu item follow, the shortcut does nothing.
    F->GoAllowed = false;
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !F->actGo->Enabled(); }, 2000, "the idle update"));
    EXPECT_FALSE(F->pnlGo->Enabled());
    EXPECT_FALSE(F->mniGo->Enabled());
    EXPECT_FALSE(IsWindowEnabled(F->pnlGo->Handle()));
    UINT State = GetMenuState(F->Menu()->Handle(), F->mniGo->Command(), MF_BYCOMMAND);
    EXPECT_NE(State, static_cast<UINT>(-1));
    EXPECT_TRUE(State & MF_GRAYED);
    TestHooks::PressKey('G', false, true);
    TestHooks::PumpPending();
    EXPECT_EQ(F->Executed, 2);
    F->GoAllowed = true;
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->mniGo->Enabled(); }, 2000, "re-enabling"));
    // A menu command runs the item's action.
    SendMessageA(F->Handle(), WM_COMMAND, F->mniGo->Command(), 0);
    EXPECT_EQ(F->Executed, 3);
    F->Free();
}

// A form's controls and menu items show their actions' state in the window's
// first picture: the update runs when the form is shown, not only once the
// program is idle, and an update that throws is reported, not let through.
TEST(Forms, ActionsAreUpToDateWhenTheWindowFirstShows) {
    TfrmTest* F = MakeForm();
    F->GoAllowed = false;
    F->Show();
    EXPECT_TRUE(IsWindowVisible(F->Handle()));
    EXPECT_FALSE(F->actGo->Enabled());
    EXPECT_FALSE(F->pnlGo->Enabled());
    EXPECT_FALSE(F->mniGo->Enabled());
    EXPECT_FALSE(IsWindowEnabled(F->pnlGo->Handle()));
    F->Free();

    TfrmTest* G = MakeForm();
    std::string Reported;
    Application->OnException = [&](TObject*, const std::exception& E) { Reported = E.what(); };
    G->actGo->OnUpdate = [](TObject*) { throw std::runtime_error("update failed"); };
    G->Show();
    EXPECT_TRUE(IsWindowVisible(G->Handle()));
    EXPECT_EQ(Reported, "update failed");
    Application->OnException = nullptr;
    G->Free();
}

TEST(Forms, ShowModalReturnsTheResultSetFromInsideItsLoopWhileTimersRun) {
    TfrmTest* F = MakeForm();
    TestHooks::SetModalWatchdog(5000);
    TestHooks::OnNextModal([](TCustomForm* M) {
        auto* T = static_cast<TfrmTest*>(M);
        // Let the form's timer tick a few times, then answer.
        T->tmrTick->OnTimer = [T](TObject*) {
            if (++T->Ticks == 3) T->ModalResult = mrOk;
        };
    });
    EXPECT_EQ(F->ShowModal(), mrOk);
    EXPECT_EQ(F->Ticks, 3);
    EXPECT_FALSE(F->Visible());
    EXPECT_TRUE(TestHooks::Failures().empty());
    TestHooks::SetModalWatchdog(0);
    F->Free();
}

TEST(Forms, NestedModalLoopsKeepTimersPostedMessagesAndSynchronizeFlowing) {
    TfrmTest* Outer = MakeForm();
    Outer->SetName("frmOuter");
    TfrmTest* Inner = MakeForm();
    Inner->SetName("frmInner");
    TestHooks::SetModalWatchdog(5000);
    std::atomic<DWORD> SyncThread{0};
    DWORD Gui = GetCurrentThreadId();
    int OuterTicksSeenInside = -1;
    bool PostedArrived = false;
    struct TWorker : TThread {
        std::function<void()> Body;
        void Execute() override { Body(); }
    };
    TWorker W;
    TestHooks::OnNextModal([&](TCustomForm*) {
        TestHooks::OnNextModal([&](TCustomForm*) {
            int Before = Outer->Ticks;
            PostMessageA(Inner->Handle(), WM_NULL, 0, 0);
            W.Body = [&] { W.Synchronize([&] { SyncThread = GetCurrentThreadId(); }); };
            W.Start();
            Inner->tmrTick->OnTimer = [&, Before](TObject*) {
                ++Inner->Ticks;
                PostedArrived = true;
                // The outer form's timer keeps ticking under the inner loop.
                if (Outer->Ticks >= Before + 2 && SyncThread != 0) {
                    OuterTicksSeenInside = Outer->Ticks - Before;
                    Inner->ModalResult = mrYes;
                }
            };
        });
        EXPECT_EQ(Inner->ShowModal(), mrYes);
        Outer->ModalResult = mrNo;
    });
    EXPECT_EQ(Outer->ShowModal(), mrNo);
    W.WaitFor();
    EXPECT_TRUE(PostedArrived);
    EXPECT_GE(OuterTicksSeenInside, 2);
    EXPECT_EQ(SyncThread.load(), Gui);
    EXPECT_TRUE(TestHooks::Failures().empty()) << TestHooks::Failures().front();
    TestHooks::SetModalWatchdog(0);
    Inner->Free();
    Outer->Free();
}

TEST(Forms, CloseQueryCanRefuseAModalClose) {
    TfrmTest* F = MakeForm();
    int Asked = 0;
    F->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++Asked > 1; };
    TestHooks::OnNextModal([](TCustomForm* M) { M->ModalResult = mrOk; });
    TestHooks::SetModalWatchdog(5000);
    // The first answer is refused; the timer's later one is taken.
    F->tmrTick->OnTimer = [F](TObject*) {
        if (F->Modal() && F->ModalResult == mrNone) F->ModalResult = mrCancel;
    };
    EXPECT_EQ(F->ShowModal(), mrCancel);
    EXPECT_EQ(Asked, 2);
    TestHooks::SetModalWatchdog(0);
    F->Free();
}

TEST(Forms, ExceptionsFromHandlersGoToAMessageBoxWithTheText) {
    TestHooks::ScriptMessageBoxes({IDOK});
    TfrmTest* F = MakeForm();
    F->Show();
    F->pnlTop->OnClick = [](TObject*) { throw EConvertError("'x' is not a valid integer value"); };
    TestHooks::Click(F->pnlTop);
    ASSERT_TRUE(TestHooks::PumpUntil([] { return !TestHooks::MessageBoxesShown().empty(); }, 2000, "the error box"));
    EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Text, "'x' is not a valid integer value.");
    EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Caption, Application->Title());
    EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
    // EAbort is silent.
    F->pnlTop->OnClick = [](TObject*) { Abort(); };
    TestHooks::Click(F->pnlTop);
    TestHooks::PumpPending();
    EXPECT_EQ(TestHooks::MessageBoxesShown().size(), 1u);
    F->Free();
}

TEST(Forms, MessageBoxAnsweredByScriptReturnsTheScriptedButton) {
    TestHooks::ScriptMessageBoxes({IDNO, IDYES});
    EXPECT_EQ(Application->MessageBox("Delete?", "Ask", MB_YESNO), IDNO);
    EXPECT_EQ(Application->MessageBox("Sure?", "Ask", MB_YESNO), IDYES);
    EXPECT_EQ(Application->MessageBox("More?", "Ask", MB_YESNO), IDYES);  // the default button
    EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 1);
    EXPECT_EQ(TestHooks::MessageBoxesShown()[1].Text, "Sure?");
}

TEST(Forms, ThreadEndingDuringAModalLoopRunsOnTerminateOnTheGuiThread) {
    TfrmTest* F = MakeForm();
    DWORD Gui = GetCurrentThreadId();
    std::atomic<DWORD> TerminatedOn{0};
    struct TWorker : TThread {
        void Execute() override { Sleep(20); }
    };
    auto* W = new TWorker;
    W->FreeOnTerminate = true;
    W->OnTerminate = [&](TObject*) {
        TerminatedOn = GetCurrentThreadId();
        F->ModalResult = mrOk;
    };
    TestHooks::SetModalWatchdog(5000);
    TestHooks::OnNextModal([W](TCustomForm*) { W->Start(); });
    EXPECT_EQ(F->ShowModal(), mrOk);
    EXPECT_EQ(TerminatedOn.load(), Gui);
    TestHooks::SetModalWatchdog(0);
    F->Free();
}

TEST(Forms, MouseDownOnAPanelDragsTheWindowBySystemMove) {
    TfrmTest* F = MakeForm();
    F->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form"));
    // As the program's handler: a press anywhere moves the window.
    F->pnlClient->OnMouseDown = [F](TObject*, TMouseButton Button, TShiftState, int, int) {
        if (Button != mbLeft) return;
        ReleaseCapture();
        F->Perform(WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    };
    int L = F->Left(), T = F->Top();
    POINT From = F->pnlClient->ClientToScreen(POINT{20, 20});
    WinHeadlessScreen()->Drag(From, POINT{From.x + 40, From.y + 25}, 5);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Left() == L + 40 && F->Top() == T + 25; }, 3000, "the move"));
    F->Free();
}

TEST(Forms, ControlsHearTheMouseEnterAndLeave) {
    TfrmTest* F = MakeForm();
    F->Show();
    TestHooks::PumpPending();
    std::vector<std::string> Seen;
    for (TControl* C : {static_cast<TControl*>(F->pnlGo), static_cast<TControl*>(F->pnlClient)}) {
        C->WindowProc = [C, &Seen, Old = C->WindowProc](TMessage& M) {
            if (M.Msg == CM_MOUSEENTER) Seen.push_back("enter " + C->Name());
            if (M.Msg == CM_MOUSELEAVE) Seen.push_back("leave " + C->Name());
            Old(M);
        };
    }
    WinHeadlessScreen()->MouseMove(TestHooks::ControlCenter(F->pnlGo));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !Seen.empty(); }, 2000, "entering pnlGo"));
    WinHeadlessScreen()->MouseMove(TestHooks::ControlCenter(F->pnlClient));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Seen.size() >= 3; }, 2000, "moving to pnlClient"));
    EXPECT_EQ(Seen, (std::vector<std::string>{"enter pnlGo", "leave pnlGo", "enter pnlClient"}));
    F->Free();
}

TEST(Forms, HintsShowTheShortTextAndTellTheLongOne) {
    TfrmTest* F = MakeForm();
    F->Show();
    TestHooks::PumpPending();
    F->pnlGo->Hint = "Go on|Runs the next step";
    F->pnlGo->ShowHint = true;
    F->pnlGo->ParentShowHint = false;
    F->pnlClient->Hint = "No hint shown";  // ShowHint is off for it
    std::vector<std::string> Told;
    Application->OnHint = [&](TObject*) { Told.push_back(Application->Hint()); };
    Application->HintPause = 30;
    WinHeadlessScreen()->MouseMove(TestHooks::ControlCenter(F->pnlGo));
    ASSERT_TRUE(TestHooks::PumpUntil([] { return Application->HintWindow() != nullptr; }, 2000, "the hint window"));
    EXPECT_EQ(Application->HintText(), "Go on");
    EXPECT_TRUE(IsWindowVisible(Application->HintWindow()));
    WinHeadlessScreen()->MouseMove(TestHooks::ControlCenter(F->pnlClient));
    ASSERT_TRUE(TestHooks::PumpUntil([] { return Application->HintWindow() == nullptr; }, 2000, "the hint to go"));
    TestHooks::PumpPending();
    EXPECT_EQ(Application->HintWindow(), nullptr);
    ASSERT_GE(Told.size(), 2u);
    EXPECT_EQ(Told[0], "Runs the next step");
    EXPECT_EQ(Told.back(), "No hint shown");
    Application->OnHint = nullptr;
    Application->HintPause = 500;
    F->Free();
}

TEST(Forms, ScrollBoxMovesItsChildren) {
    auto* F = new TForm(Application);
    auto* S = new TScrollBox(F);
    S->SetParent(F);
    S->SetBounds(0, 0, 100, 100);
    S->BorderStyle = bsNoBorder;
    auto* P = new TPanel(F);
    P->SetParent(S);
    P->SetBounds(0, 150, 80, 30);
    F->Show();
    TestHooks::PumpPending();
    S->ScrollTo(SB_VERT, 50);
    EXPECT_EQ(S->VertPosition(), 50);
    EXPECT_EQ(P->Top(), 100);
    S->ScrollTo(SB_VERT, 1000);  // no further than the content
    EXPECT_EQ(S->VertPosition(), 180 - S->ClientHeight());
    S->ScrollTo(SB_VERT, 0);
    S->ScrollInView(P);
    EXPECT_EQ(P->Top() + P->Height(), S->ClientHeight());
    S->Perform(WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(P->Top(), 150);
    F->Free();
}

TEST(Forms, MenuItemsAddedAtRunTimeRadioGroupsAndOwnerDrawnPopups) {
    TfrmTest* F = MakeForm();
    F->Show();
    TestHooks::PumpPending();
    // A submenu filled at run time, as the Languages menu is.
    TMenuItem* File = F->mniGo->Parent();
    auto* Lang = new TMenuItem(F);
    Lang->SetCaption("Language");
    File->Add(Lang);
    std::string Chosen;
    for (const char* L : {"English", "Deutsch", "Francais"}) {
        auto* I = new TMenuItem(F);
        I->SetCaption(L);
        I->SetRadioItem(true);
        I->OnClick = [&Chosen, I](TObject*) {
            Chosen = I->Caption();
            I->SetChecked(true);
        };
        Lang->Add(I);
    }
    EXPECT_EQ(GetMenuItemCount(Lang->Handle()), 3);
    SendMessageA(F->Handle(), WM_COMMAND, Lang->Items(1)->Command(), 0);
    EXPECT_EQ(Chosen, "Deutsch");
    SendMessageA(F->Handle(), WM_COMMAND, Lang->Items(2)->Command(), 0);
    EXPECT_FALSE(Lang->Items(1)->Checked());
    EXPECT_TRUE(Lang->Items(2)->Checked());
    EXPECT_TRUE(GetMenuState(Lang->Handle(), Lang->Items(2)->Command(), MF_BYCOMMAND) & MF_CHECKED);
    Lang->Delete(0);
    EXPECT_EQ(GetMenuItemCount(Lang->Handle()), 2);

    // An owner-drawn popup asks its items for their size and drawing.
    auto* PM = new TPopupMenu(F);
    int Measured = 0, Drawn = 0;
    for (const char* C : {"One", "Two"}) {
        auto* I = new TMenuItem(F);
        I->SetCaption(C);
        I->OnMeasureItem = [&](TObject*, TCanvas*, int& W, int& H) {
            ++Measured;
            W = 80;
            H = 20;
        };
        I->OnDrawItem = [&](TObject*, TCanvas* Canvas, TRect R, bool) {
            ++Drawn;
            Canvas->Brush().SetColor(clYellow);
            Canvas->FillRect(R);
        };
        PM->Items()->Add(I);
    }
    PM->PopupComponent = F->pnlClient;
    TestHooks::OnNextModalWindow([](HWND) { TestHooks::PressKey(VK_ESCAPE); });
    POINT P = F->pnlClient->ClientToScreen(POINT{10, 10});
    PM->Popup(P.x, P.y);
    EXPECT_EQ(Measured, 2);
    EXPECT_GE(Drawn, 2);
    F->Free();
}

// A frame that draws the bar itself hears of caption and item changes of the
// main menu through the form's window.
WNDPROC gFormProc = nullptr;
std::vector<LPARAM> gMenuChanges;
LRESULT CALLBACK MenuChangeSpy(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == CM_MENUCHANGED) gMenuChanges.push_back(l);
    return CallWindowProcW(gFormProc, h, m, w, l);
}

TEST(Forms, MainMenuChangesAreSentToTheFormsWindow) {
    TfrmTest* F = MakeForm();
    F->Show();
    TestHooks::PumpPending();
    gMenuChanges.clear();
    gFormProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(F->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuChangeSpy)));
    TMenuItem* File = F->mniGo->Parent();
    File->SetCaption("Datei");
    ASSERT_FALSE(gMenuChanges.empty());
    EXPECT_EQ(gMenuChanges.back(), reinterpret_cast<LPARAM>(F->Menu()));
    char Text[16] = {};
    GetMenuStringA(GetMenu(F->Handle()), 0, Text, 16, MF_BYPOSITION);
    EXPECT_STREQ(Text, "Datei");  // the bar holds the new caption when the form hears of it
    std::size_t Before = gMenuChanges.size();
    auto* Extra = new TMenuItem(F);
    Extra->SetCaption("Extra");
    F->Menu()->Items()->Add(Extra);
    EXPECT_GT(gMenuChanges.size(), Before);
    SetWindowLongPtrW(F->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gFormProc));
    F->Free();
}

TEST(Forms, ReleaseFromAHandlerFreesTheFormAfterwardsAndCloseCanFree) {
    std::vector<std::string> Gone;
    TfrmTest* F = MakeForm();
    F->OnDestroy = [&](TObject*) { Gone.push_back("first"); };
    F->Show();
    F->pnlTop->OnClick = [F](TObject*) { F->Release(); };
    TestHooks::Click(F->pnlTop);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Gone.size() == 1; }, 2000, "the released form to go"));
    // caFree from OnClose.
    TfrmTest* G = MakeForm();
    G->OnDestroy = [&](TObject*) { Gone.push_back("second"); };
    G->OnClose = [](TObject*, TCloseAction& A) { A = caFree; };
    G->Show();
    PostMessageA(G->Handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Gone.size() == 2; }, 2000, "the closed form to go"));
    EXPECT_EQ(Gone, (std::vector<std::string>{"first", "second"}));
}

// Application events objects hear the queue newest first until one handles a
// message; the application's own handler hears what none handled; a freed
// object hears nothing, even when freed by another's handler of that message.
TEST(Forms, ApplicationEventsHearTheQueueNewestFirst) {
    const UINT Probe = WM_APP + 77;
    std::vector<std::string> Heard;
    TMessageEvent Before = Application->OnMessage;
    Application->OnMessage = [&Heard, Before](MSG& Msg, bool& Handled) {
        if (Msg.message == Probe) Heard.push_back("application " + std::to_string(Msg.wParam));
        if (Before) Before(Msg, Handled);
    };
    auto First = std::make_unique<TApplicationEvents>(nullptr);
    auto Second = std::make_unique<TApplicationEvents>(nullptr);
    auto Hear = [&](const char* Who, WPARAM Takes) {
        return [&Heard, Who, Takes, Probe](MSG& Msg, bool& Handled) {
            if (Msg.message != Probe) return;
            Heard.push_back(std::string(Who) + " " + std::to_string(Msg.wParam));
            Handled = Msg.wParam == Takes;
        };
    };
    First->OnMessage = Hear("first", 2);
    Second->OnMessage = Hear("second", 1);
    auto* F = new TForm(Application);
    F->Show();
    auto Send = [&](WPARAM N) {
        PostMessageA(F->Handle(), Probe, N, 0);
        TestHooks::PumpPending();
    };
    Send(1);
    Send(2);
    Send(3);
    EXPECT_EQ(Heard, (std::vector<std::string>{"second 1", "second 2", "first 2", "second 3", "first 3",
                                               "application 3"}));
    Heard.clear();
    Second->OnMessage = [&](MSG& Msg, bool&) {
        if (Msg.message == Probe) First.reset();
    };
    Send(4);
    EXPECT_EQ(Heard, std::vector<std::string>{"application 4"});
    Second.reset();
    F->Free();
    Application->OnMessage = Before;
}

TEST(Forms, ScreenListsFormsAndKeepsTheBusyCursor) {
    int Before = Screen->FormCount();
    TfrmTest* F = MakeForm();
    EXPECT_EQ(Screen->FormCount(), Before + 1);
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
    Screen->SetCursor(crDefault);
    F->Free();
    EXPECT_EQ(Screen->FormCount(), Before);
}

}  // namespace

namespace {
std::string MenuTextA(HMENU Menu, UINT Command) {
    char Text[64] = {};
    GetMenuStringA(Menu, Command, Text, sizeof Text, MF_BYCOMMAND);
    return Text;
}
}  // namespace

// A main menu's bar shows no shortcuts; its drop-downs and every level of a
// popup menu do, also after the shortcut changes.
TEST(Forms, ShortcutTextsShowEverywhereButOnTheMenuBar) {
    TfrmTest* F = MakeForm();
    F->Show();
    TestHooks::PumpPending();
    TMenuItem* File = F->mniGo->Parent();
    File->SetShortCut(TextToShortCut("Ctrl+F"));
    EXPECT_EQ(MenuTextA(GetMenu(F->Handle()), File->Command()), File->Caption());
    EXPECT_EQ(MenuTextA(File->Handle(), F->mniGo->Command()), F->mniGo->Caption() + "\tCtrl+G");
    auto* Popup = new TPopupMenu(F);
    auto* Top = new TMenuItem(F);
    Top->SetCaption("Save");
    Top->SetShortCut(TextToShortCut("Ctrl+S"));
    Popup->Items()->Add(Top);
    auto* Sub = new TMenuItem(F);
    Sub->SetCaption("More");
    Popup->Items()->Add(Sub);
    auto* Deep = new TMenuItem(F);
    Deep->SetCaption("Deep");
    Deep->SetShortCut(TextToShortCut("F5"));
    Sub->Add(Deep);
    HMENU H = Popup->Handle();
    EXPECT_EQ(MenuTextA(H, Top->Command()), "Save\tCtrl+S");
    EXPECT_EQ(MenuTextA(Sub->Handle(), Deep->Command()), "Deep\tF5");
    Top->SetShortCut(TextToShortCut("Ctrl+D"));
    EXPECT_EQ(MenuTextA(H, Top->Command()), "Save\tCtrl+D");
    F->Free();
}

namespace {
// A hint window that notes what it was asked to show.
class TNotingHintWindow : public THintWindow {
    TESSARO_CLASSINFO
public:
    explicit TNotingHintWindow(TComponent* Owner) : THintWindow(Owner) {}
    static inline std::vector<std::pair<std::string, void*>> Shown;
    void ActivateHintData(const TRect& Rect, const std::string& AHint, void* AData) override {
        Shown.emplace_back(AHint, AData);
        THintWindow::ActivateHintData(Rect, AHint, AData);
    }
};
// A panel whose hints show in a TNotingHintWindow, with a datum and another text.
class TChoosingPanel : public TPanel {
public:
    explicit TChoosingPanel(TComponent* Owner) : TPanel(Owner) {}
    int Datum = 0;
    void WndProc(TMessage& M) override {
        TPanel::WndProc(M);
        if (M.Msg == CM_HINTSHOW) {
            auto* Info = reinterpret_cast<THintInfo*>(M.LParam);
            Info->HintWindowClass = &TNotingHintWindow::StaticClassInfo();
            Info->HintData = &Datum;
            Info->HintStr = "chosen: " + Info->HintStr;
        }
    }
};
}  // namespace

TClassInfo& TNotingHintWindow::StaticClassInfo() {
    static TClassInfo CI("TNotingHintWindow", &THintWindow::StaticClassInfo(), CreateComponentOf<TNotingHintWindow>);
    return CI;
}

// CM_HINTSHOW may choose the hint window's class; the next hint of another
// control is back in a THintWindow.
TEST(Forms, AControlMayChooseTheHintWindowClass) {
    TfrmTest* F = MakeForm();
    auto* P = new TChoosingPanel(F);
    P->SetParent(F->pnlClient);
    P->SetBounds(10, 10, 60, 40);
    P->Hint = "mine";
    P->ShowHint = true;
    P->ParentShowHint = false;
    F->pnlGo->Hint = "plain";
    F->pnlGo->ShowHint = true;
    F->pnlGo->ParentShowHint = false;
    F->Show();
    TestHooks::PumpPending();
    Application->HintPause = 30;
    TNotingHintWindow::Shown.clear();
    struct Case {
        TControl* Over;
        const char* Text;
        const TClassInfo* Class;
    } Cases[] = {{P, "chosen: mine", &TNotingHintWindow::StaticClassInfo()},
                 {F->pnlGo, "plain", &THintWindow::StaticClassInfo()},
                 {P, "chosen: mine", &TNotingHintWindow::StaticClassInfo()}};
    for (const Case& C : Cases) {
        Application->CancelHint();
        WinHeadlessScreen()->MouseMove(TestHooks::ControlCenter(C.Over));
        ASSERT_TRUE(TestHooks::PumpUntil([] { return Application->HintWindow() != nullptr; }, 2000, "the hint"));
        EXPECT_EQ(Application->HintText(), C.Text);
        ASSERT_NE(Application->HintWindowControl(), nullptr);
        EXPECT_EQ(Application->HintWindowControl()->ClassInfo(), C.Class);
        EXPECT_EQ(Application->HintWindowControl()->Caption(), C.Text);
        EXPECT_TRUE(IsWindowVisible(Application->HintWindow()));
        WinHeadlessScreen()->MouseMove(POINT{2, 2});
        TestHooks::PumpUntil([] { return Application->HintWindow() == nullptr; }, 2000, "no hint");
    }
    ASSERT_EQ(TNotingHintWindow::Shown.size(), 2u);
    EXPECT_EQ(TNotingHintWindow::Shown[0], std::make_pair(std::string("chosen: mine"), static_cast<void*>(&P->Datum)));
    Application->HintPause = 500;
    F->Free();
}

namespace {
// A label whose link keeps the caption the program gave it.
class TStubbornLink : public TControlActionLink {
public:
    using TControlActionLink::TControlActionLink;
    bool IsCaptionLinked(TCustomAction*) override { return false; }
    void SetHint(const std::string& Value) override { FClient->Hint = "[" + Value + "]"; }
};
class TStubbornLabel : public TLabel {
public:
    explicit TStubbornLabel(TComponent* Owner) : TLabel(Owner) {}

protected:
    std::unique_ptr<TControlActionLink> CreateActionLink() override { return std::make_unique<TStubbornLink>(this); }
};
}  // namespace

// Each control kind has its link class; ActionChange asks the link whether a
// changed caption or hint reaches the control and lets it set them.
TEST(Forms, ActionLinksByControlKind) {
    auto* F = new TForm(Application);
    struct Case {
        TControl* Control;
        const std::type_info& Link;
    } Cases[] = {{new TButton(F), typeid(TButtonActionLink)},          {new TSpeedButton(F), typeid(TSpeedButtonActionLink)},
                 {new TToolButton(F), typeid(TToolButtonActionLink)},  {new TListView(F), typeid(TListViewActionLink)},
                 {new TPanel(F), typeid(TWinControlActionLink)},       {new TLabel(F), typeid(TControlActionLink)}};
    for (const Case& C : Cases) EXPECT_EQ(typeid(*C.Control->ActionLink()), C.Link) << C.Link.name();
    auto* Item = new TMenuItem(F);
    EXPECT_EQ(typeid(*Item->ActionLink()), typeid(TMenuActionLink));

    auto* Action = new TAction(F);
    Action->SetCaption("First");
    Action->SetHint("tip");
    auto* Plain = new TLabel(F);
    auto* Stubborn = new TStubbornLabel(F);
    for (TControl* C : {static_cast<TControl*>(Plain), static_cast<TControl*>(Stubborn)}) {
        C->SetParent(F);
        C->SetAction(Action);
        EXPECT_EQ(C->Caption(), "First");  // the first link takes everything
    }
    EXPECT_EQ(Stubborn->Hint, "[tip]");
    Action->SetCaption("Second");
    Action->SetHint("more");
    EXPECT_EQ(Plain->Caption(), "Second");
    EXPECT_EQ(Stubborn->Caption(), "First");
    EXPECT_EQ(Plain->Hint, "more");
    EXPECT_EQ(Stubborn->Hint, "[more]");
    F->Free();
}

// The library's clipboard object: nested opening keeps one session, so text
// and another format set inside it stay together; a new text replaces both.
TEST(Forms, TheClipboardObjectNestsItsOpeningAndKeepsFormatsTogether) {
    TClipboard& C = Clipboard();
    const UINT Private = RegisterClipboardFormatA("Tessaro test data");
    C.Open();
    C.SetAsText("\xCE\xBA\xCE\xB1\xCE\xBB\xCE\xB7 \xE6\x97\xA5");
    HGLOBAL Block = WinGlobalAlloc(4);
    std::memcpy(WinGlobalLock(Block), "abc", 4);
    C.SetAsHandle(Private, Block);
    C.Close();
    EXPECT_TRUE(C.HasFormat(CF_TEXT));
    EXPECT_TRUE(C.HasFormat(Private));
    EXPECT_TRUE(C.HasFormat(CF_UNICODETEXT));  // text is offered in both kinds
    EXPECT_EQ(C.AsText(), "\xCE\xBA\xCE\xB1\xCE\xBB\xCE\xB7 \xE6\x97\xA5");
    EXPECT_EQ(C.GetAsHandle(Private), Block);
    C.SetAsText("next");
    EXPECT_FALSE(C.HasFormat(Private));
    EXPECT_EQ(C.AsText(), "next");
    C.Clear();
    EXPECT_FALSE(C.HasFormat(CF_TEXT));
    EXPECT_EQ(C.AsText(), "");
    C.Close();  // unbalanced: nothing happens
    // Another thread cannot open it while this one holds it open.
    C.Open();
    bool OtherOpened = true;
    std::thread([&] { OtherOpened = OpenClipboard(nullptr) != 0; }).join();
    EXPECT_FALSE(OtherOpened);
    C.Close();
    std::thread([&] {
        OtherOpened = OpenClipboard(nullptr) != 0;
        if (OtherOpened) CloseClipboard();
    }).join();
    EXPECT_TRUE(OtherOpened);
}

// A hint nobody takes through OnHint goes out as a THintAction to the hooks
// of the application's messages; a hook that handles it answers 1.
TEST(Forms, AnUnclaimedHintGoesOutAsAHintActionThroughTheHooks) {
    std::vector<std::string> Seen;
    const int Id = Application->HookMainWindow([&](TMessage& M) {
        if (M.Msg != CM_ACTIONEXECUTE) return false;
        auto* A = dynamic_cast<THintAction*>(reinterpret_cast<TBasicAction*>(M.LParam));
        if (A) Seen.push_back(A->Hint());
        M.Result = 1;
        return true;
    });
    TNotifyEvent Saved = Application->OnHint;
    Application->OnHint = nullptr;
    Application->SetHint("first hint");
    Application->OnHint = [](TObject*) {};
    Application->SetHint("told to OnHint");
    Application->OnHint = nullptr;
    Application->UnhookMainWindow(Id);
    Application->SetHint("after unhooking");
    EXPECT_EQ(Seen, (std::vector<std::string>{"first hint"}));
    THintAction Direct(nullptr);
    EXPECT_FALSE(Application->ExecuteAction(&Direct));  // nobody hooked: not executed
    Application->OnHint = Saved;
    Application->SetHint("");
}
