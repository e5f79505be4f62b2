// The skin manager and skinned frames on real headless windows: which windows
// are taken, the commands, the non-client geometry, the style readings, the
// client size across skinning, skin changes and unskinning, the caption
// buttons and the mouse on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/forms.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "platform/screen/headless.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
#include "skin/skin_menubar.h"
#include "skin/skin_popup.h"
#include "skin/skin_frames.h"
#include "skin/skin_window.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

// What the test windows answer to the skin's questions.
LRESULT gQueryAnswer = 0;
std::function<LRESULT(WPARAM, LPARAM)> gButtonVisible;
std::vector<UINT> gSeen;

LRESULT CALLBACK TestWndProc(HWND H, UINT M, WPARAM W, LPARAM L) {
    if (M == SKIN_QUERY && gQueryAnswer) return gQueryAnswer;
    if (M == SKIN_BUTTONVISIBLE) return gButtonVisible ? gButtonVisible(W, L) : 0;
    if (M == WM_CLOSE || M == SKIN_CUSTOMBUTTON) gSeen.push_back(M);
    return DefWindowProcW(H, M, W, L);
}

void RegisterClasses() {
    for (const char16_t* Name : {u"SkinTestWnd", u"TApplication", u"TqsRenderSurface", u"ThePreviewPane"}) {
        WNDCLASSW C{};
        C.lpfnWndProc = TestWndProc;
        C.lpszClassName = Name;
        C.style = CS_DBLCLKS;
        C.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
        RegisterClassW(&C);
    }
}

TSkinVariant Variant(const std::string& Name) {
    for (const auto& V : SkinVariants())
        if (V.Name == Name) return V;
    ADD_FAILURE() << "no variant " << Name;
    return {};
}

void LoadVariant(TSkinData& S, const std::string& Name) {
    const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(Variant(Name)));
    S.SkinStream().Clear();
    S.SkinStream().WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
    S.SkinStream().SetPosition(0);
    ASSERT_TRUE(S.LoadSkin());
}

class SkinManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        TestHooks::Start();
        SkinManagerStartup();
        RegisterClasses();
    }
    static void TearDownTestSuite() {
        SkinManagerShutdown();
        TestHooks::Stop();
    }
    void SetUp() override {
        gQueryAnswer = 0;
        gButtonVisible = nullptr;
        gSeen.clear();
        Data = std::make_unique<TSkinData>(nullptr);
        LoadVariant(*Data, "main");
        Manager = EnsureSkinManager();
        Manager->InstallHook();
        Manager->AddSkinData(Data.get());
        Manager->SkinningOn = true;
    }
    void TearDown() override {
        for (HWND H : Made)
            if (IsWindow(H)) DestroyWindow(H);
        for (TForm* F : Forms) F->Free();
        Data.reset();  // lets go of every window it dressed
        Manager->SkinningOn = false;
        Manager->State = 1;
        TestHooks::PumpPending();
    }
    HWND Make(DWORD Style, const char16_t* Class = u"SkinTestWnd", int W = 300, int H = 200, DWORD Ex = 0,
              HINSTANCE Instance = nullptr, HWND Parent = nullptr, const char16_t* Text = u"Window") {
        HWND Hw = CreateWindowExW(Ex, Class, Text, Style, 100, 100, W, H, Parent, nullptr, Instance, nullptr);
        Made.push_back(Hw);
        return Hw;
    }
    // Skins the window and runs its start.
    TSkinnedWindow* Skin(HWND H) {
        // A window shown active was taken by the hook already.
        TSkinnedWindow* S = Manager->FindSkinForm(H);
        if (!S && Manager->TrySkinWindow(H)) S = Manager->FindSkinForm(H);
        if (!S) return nullptr;
        EXPECT_TRUE(TestHooks::PumpUntil([S] { return S->State == 1; }, 3000, "the start of skinning"));
        TestHooks::PumpPending();
        return S;
    }
    static SIZE ClientSize(HWND H) {
        RECT R;
        GetClientRect(H, &R);
        return SIZE{R.right, R.bottom};
    }
    static POINT FrameToScreen(HWND H, POINT P) {
        RECT R;
        GetWindowRect(H, &R);
        return POINT{R.left + P.x, R.top + P.y};
    }
    std::unique_ptr<TSkinData> Data;
    TSkinManage* Manager = nullptr;
    std::vector<HWND> Made;
    std::vector<TForm*> Forms;
};

// ---- Which windows are skinned -------------------------------------------------------------
TEST_F(SkinManagerTest, TrySkinWindowFollowsItsRulesInOrder) {
    auto* Tagged = new TForm(Application);
    Tagged->Tag = 99;
    Forms.push_back(Tagged);
    const HINSTANCE Foreign = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x5000));
    HWND Parent = Make(WS_OVERLAPPEDWINDOW);
    struct Case {
        std::string What;
        std::function<HWND()> Window;
        std::function<void()> Before;
        bool Taken;
    } Cases[] = {
        {"a window of this program", [&] { return Make(WS_OVERLAPPEDWINDOW); }, nullptr, true},
        {"class TApplication", [&] { return Make(WS_POPUP | WS_CAPTION, u"TApplication"); }, nullptr, false},
        {"a class registered to be passed over",
         [&] { return Make(WS_POPUP | WS_CAPTION, u"TqsRenderSurface"); }, [] { RegisterPassOverWindowClass("RenderSurface"); },
         false},
        {"a plain child", [&] { return Make(WS_CHILD | WS_CAPTION, u"SkinTestWnd", 100, 50, 0, nullptr, Parent); },
         nullptr, false},
        {"another module", [&] { return Make(WS_OVERLAPPEDWINDOW, u"SkinTestWnd", 300, 200, 0, Foreign); }, nullptr,
         false},
        {"a standard dialog of another module",
         [&] { return Make(WS_POPUP | WS_CAPTION | WS_SYSMENU, u"#32770", 300, 200, 0, Foreign); }, nullptr, true},
        {"a dialog with DS_SETFOREGROUND",
         [&] { return Make(WS_POPUP | WS_CAPTION | 0x200, u"#32770", 300, 200, 0, Foreign); }, nullptr, false},
        {"zero size", [&] { return Make(WS_OVERLAPPEDWINDOW, u"SkinTestWnd", 0, 0); }, nullptr, false},
        {"a form with Tag 99", [&] { return Tagged->Handle(); }, nullptr, false},
        {"a preview class with xoPreview", [&] { return Make(WS_OVERLAPPEDWINDOW, u"ThePreviewPane"); }, nullptr,
         true},
        {"a preview class without xoPreview", [&] { return Make(WS_OVERLAPPEDWINDOW, u"ThePreviewPane"); },
         [&] { Data->Options.Exclude(xoPreview); }, false},
        {"a window answering the skin query", [&] { return Make(WS_OVERLAPPEDWINDOW); }, [] { gQueryAnswer = 1; },
         false},
        {"no skin loaded", [&] { return Make(WS_OVERLAPPEDWINDOW); }, [&] { Data->SkinEmpty = true; }, false},
        {"skinning off", [&] { return Make(WS_OVERLAPPEDWINDOW); }, [&] { Manager->SkinningOn = false; }, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        gQueryAnswer = 0;
        Data->Options.Include(xoPreview);
        Data->SkinEmpty = false;
        Manager->SkinningOn = true;
        HWND H = C.Window();
        ASSERT_TRUE(IsWindow(H));
        const auto Proc = GetWindowLongPtrW(H, GWLP_WNDPROC);
        if (C.Before) C.Before();
        EXPECT_EQ(Manager->TrySkinWindow(H), C.Taken);
        EXPECT_EQ(Manager->FindSkinForm(H) != nullptr, C.Taken);
        EXPECT_EQ(GetWindowLongPtrW(H, GWLP_WNDPROC) != Proc, C.Taken);
        gQueryAnswer = 0;
        if (C.Taken) {
            EXPECT_EQ(SendMessageW(H, SKIN_QUERY, 0, 0), 1);  // now it answers for itself
            EXPECT_FALSE(Manager->TrySkinWindow(H));          // and is not taken twice
        }
    }
    Data->SkinEmpty = false;
}

TEST_F(SkinManagerTest, CommandsWaitForTheFirstWindowThenRunFromTheTimer) {
    Manager->SkinningOn = false;
    auto* F = new TForm(Application);
    Forms.push_back(F);
    F->SetBounds(50, 60, 320, 240);
    F->Show();
    TestHooks::PumpPending();
    // Nothing skinned yet: commands only switch skinning, no timer runs.
    Manager->State = 0;
    Manager->SkinningOn = false;
    Manager->CommandSkinData = Data.get();
    struct Step {
        int Command;
        bool SkinningOn;
    } Idle[] = {{1, true}, {3, true}, {2, false}, {3, false}};
    for (const Step& S : Idle) {
        Manager->QueueCommand(S.Command, 250);
        EXPECT_EQ(Manager->SkinningOn, S.SkinningOn) << S.Command;
        EXPECT_FALSE(Manager->CommandTimer->Enabled()) << S.Command;
    }
    EXPECT_TRUE(Manager->SkinForms.empty());

    // Running: command 1 skins every visible form from the timer.
    Manager->State = 1;
    const SIZE Before = ClientSize(F->Handle());
    Manager->CommandSkinData = Data.get();
    Manager->QueueCommand(1, 10);
    EXPECT_TRUE(Manager->CommandTimer->Enabled());
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Manager->FindSkinForm(F->Handle()) != nullptr; }, 3000, "command 1"));
    TSkinnedWindow* S = Manager->FindSkinForm(F->Handle());
    ASSERT_TRUE(TestHooks::PumpUntil([S] { return S->State == 1; }, 3000, "the start"));
    EXPECT_TRUE(Manager->SkinningOn);
    EXPECT_EQ(Manager->CommandSkinData, nullptr);
    EXPECT_EQ(ClientSize(F->Handle()).cx, Before.cx);
    EXPECT_EQ(ClientSize(F->Handle()).cy, Before.cy);
    RECT W;
    GetWindowRect(F->Handle(), &W);
    EXPECT_EQ(W.right - W.left, Before.cx + S->BorderLeft + S->BorderRight);
    EXPECT_EQ(W.bottom - W.top, Before.cy + S->BorderTop + S->BorderBottom);

    // Command 3: another skin, the frame rebuilt from it, the client kept.
    LoadVariant(*Data, "colours");
    Manager->CommandSkinData = Data.get();
    Manager->FreeSysButtonsOfSkin();
    const int OldTop = S->BorderTop;
    Manager->QueueCommand(3, 10);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !Manager->CommandTimer->Enabled(); }, 3000, "command 3"));
    TestHooks::PumpPending();
    const int NewTop = Data->Borders[TSkinData::bsTop]->Bitmap->Height() /
                       std::max(1, static_cast<int>(Data->Borders[TSkinData::bsTop]->FrameCount));
    EXPECT_EQ(S->BorderTop, NewTop);
    EXPECT_NE(NewTop, OldTop);
    EXPECT_FALSE(S->CaptionButtons.empty());
    EXPECT_EQ(ClientSize(F->Handle()).cx, Before.cx);
    EXPECT_EQ(ClientSize(F->Handle()).cy, Before.cy);

    // Command 2: every window back as it was, the list empty.
    Manager->CommandSkinData = Data.get();
    Manager->QueueCommand(2, 10);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Manager->SkinForms.empty(); }, 3000, "command 2"));
    EXPECT_FALSE(Manager->SkinningOn);
    EXPECT_NE(SendMessageW(F->Handle(), SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(ClientSize(F->Handle()).cx, Before.cx);
    EXPECT_EQ(ClientSize(F->Handle()).cy, Before.cy);
}

// ---- Non-client geometry ----------------------------------------------------------------------
TEST_F(SkinManagerTest, ClientRectangleAndHitTestsFollowTheSkinnedBorders) {
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, u"SkinTestWnd", 320, 240);
    const SIZE Classic = ClientSize(H);
    TSkinnedWindow* S = Skin(H);
    ASSERT_NE(S, nullptr);
    ASSERT_GT(S->BorderTop, 10);
    RECT W;
    GetWindowRect(H, &W);
    POINT Origin{0, 0};
    ClientToScreen(H, &Origin);
    EXPECT_EQ(Origin.x - W.left, S->BorderLeft);
    EXPECT_EQ(Origin.y - W.top, S->BorderTop);
    EXPECT_EQ(ClientSize(H).cx, Classic.cx);
    EXPECT_EQ(ClientSize(H).cy, Classic.cy);
    // The default's answer, then the remap of its "nowhere" and "caption" answers.
    auto Hit = [&](int X, int Y) {
        return SendMessageW(H, WM_NCHITTEST, 0, MAKELPARAM(W.left + X, W.top + Y));
    };
    const int Mid = (W.right - W.left) / 2;
    struct Case {
        int X, Y;
        LRESULT Expected;
    } Cases[] = {
        {Mid, 1, HTTOP},                          // the top rows keep the default's answer
        {Mid, S->BorderTop - 2, HTCAPTION},       // the skin's title is caption all the way down
        {1, (W.bottom - W.top) / 2, HTLEFT},      // sizing edges stand
        {Mid, S->BorderTop + 5, HTCLIENT},
        {(W.right - W.left) - 1, (W.bottom - W.top) - 1, HTBOTTOMRIGHT},
    };
    for (const Case& C : Cases) EXPECT_EQ(Hit(C.X, C.Y), C.Expected) << C.X << "," << C.Y;
    // WM_NCCALCSIZE with a new position gives the inner rectangle of that position.
    NCCALCSIZE_PARAMS P{};
    WINDOWPOS Pos{H, nullptr, 10, 20, 200, 150, 0};
    P.rgrc[0] = RECT{10, 20, 210, 170};
    P.lppos = &Pos;
    EXPECT_EQ(SendMessageW(H, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&P)), WVR_VALIDRECTS);
    const RECT Expected{10 + S->BorderLeft, 20 + S->BorderTop, 210 - S->BorderRight, 170 - S->BorderBottom};
    EXPECT_TRUE(EqualRect(&P.rgrc[0], &Expected));
    EXPECT_TRUE(EqualRect(&P.rgrc[1], &Expected));
}

TEST_F(SkinManagerTest, BorderKindStyleFlagsAndStateComeFromTheStyles) {
    struct Case {
        DWORD Style, Ex;
        const char16_t* Class;
        int BorderKind, StyleFlags, WindowState;
        int Show = 0;
    } Cases[] = {
        {WS_OVERLAPPEDWINDOW, 0, u"SkinTestWnd", 0, 8 | 2 | 1, 0},
        {WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, u"SkinTestWnd", 1, 8, 0},
        {WS_POPUP | WS_BORDER, 0, u"SkinTestWnd", 2, 0, 0},
        {WS_POPUP | WS_CAPTION | 0x80, 0, u"SkinTestWnd", 3, 0, 0},
        {WS_POPUP | WS_CAPTION | WS_THICKFRAME, WS_EX_DLGMODALFRAME, u"SkinTestWnd", 3, 0, 0},
        {WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU, WS_EX_CONTEXTHELP, u"#32770", 3, 8 | 4, 0},
        {WS_OVERLAPPEDWINDOW, 0, u"SkinTestWnd", 0, 11, 1, SW_MAXIMIZE},
        {WS_OVERLAPPEDWINDOW, 0, u"SkinTestWnd", 0, 11, 2, SW_MINIMIZE},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Style);
        Manager->SkinningOn = false;
        HWND H = Make(C.Style, C.Class, 300, 200, C.Ex);
        if (C.Show) ShowWindow(H, C.Show);
        Manager->SkinningOn = true;
        ASSERT_TRUE(Manager->TrySkinWindow(H));
        TSkinnedWindow* S = Manager->FindSkinForm(H);
        EXPECT_EQ(S->BorderKind, C.BorderKind);
        EXPECT_EQ(S->StyleFlags, C.StyleFlags);
        EXPECT_EQ(S->WindowState, C.WindowState);
        EXPECT_EQ(S->DialogClass, std::u16string(C.Class) == u"#32770");
    }
}

// ---- Client size, pixels, dialogs ------------------------------------------------------------
TEST_F(SkinManagerTest, UnskinningGivesBackTheClassicWindowPixelForPixel) {
    Manager->SkinningOn = false;
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, u"SkinTestWnd", 300, 220);
    TestHooks::PumpPending();
    Manager->SkinningOn = true;
    const std::string Before = ::testing::TempDir() + "skin_before_" + std::to_string(getpid()) + ".png";
    const std::string After = ::testing::TempDir() + "skin_after_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(WinSaveWindowPng(H, Before));
    RECT Classic;
    GetWindowRect(H, &Classic);
    TSkinnedWindow* S = Skin(H);
    ASSERT_NE(S, nullptr);
    RECT Skinned;
    GetWindowRect(H, &Skinned);
    EXPECT_FALSE(EqualRect(&Skinned, &Classic));
    S->Unskin();
    S->Free();
    TestHooks::PumpPending();
    RECT Back;
    GetWindowRect(H, &Back);
    EXPECT_TRUE(EqualRect(&Back, &Classic));
    ASSERT_TRUE(WinSaveWindowPng(H, After));
    std::vector<uint32_t> A, B;
    int AW = 0, AH = 0, BW = 0, BH = 0;
    ASSERT_TRUE(LoadPixelsPng(Before, A, AW, AH));
    ASSERT_TRUE(LoadPixelsPng(After, B, BW, BH));
    std::remove(Before.c_str());
    std::remove(After.c_str());
    ASSERT_EQ(AW, BW);
    ASSERT_EQ(AH, BH);
    EXPECT_TRUE(A == B);
}

TEST_F(SkinManagerTest, ADialogWhoseCaptionIsWiderGrowsAndMovesItsChildren) {
    HWND D = Make(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, u"#32770", 120, 100, 0, nullptr, nullptr,
                  u"A caption much wider than the little dialog under it");
    HWND Child = CreateWindowExW(0, u"SkinTestWnd", u"", WS_CHILD | WS_VISIBLE, 10, 10, 30, 20, D, nullptr, nullptr,
                                 nullptr);
    const SIZE Client = ClientSize(D);
    TSkinnedWindow* S = Skin(D);
    ASSERT_NE(S, nullptr);
    const int Plain = Client.cx + S->BorderLeft + S->BorderRight;
    const int Need = Data->Title->LeftWidth + S->CaptionTextWidth + Data->Title->RightWidth;
    ASSERT_GT(Need, Plain);
    RECT W;
    GetWindowRect(D, &W);
    EXPECT_EQ(W.right - W.left, Need);
    EXPECT_EQ(ClientSize(D).cy, Client.cy);
    RECT CR;
    GetWindowRect(Child, &CR);
    POINT P{CR.left, CR.top};
    ScreenToClient(D, &P);
    EXPECT_EQ(P.x, 10 + (Need - Plain) / 2);
    EXPECT_EQ(P.y, 10);
}

TEST_F(SkinManagerTest, TransparentBordersCutTheCornersAndOpaqueOnesGiveARectangle) {
    for (const char* Name : {"main", "colours"})
        for (int Trans : {1, 0}) {
            SCOPED_TRACE(std::string(Name) + " " + std::to_string(Trans));
            LoadVariant(*Data, Name);
            for (auto& B : Data->Borders) B->Trans = Trans;
            HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, u"SkinTestWnd", 300, 200);
            TSkinnedWindow* S = Skin(H);
            ASSERT_NE(S, nullptr);
            HRGN R = CreateRectRgn(0, 0, 0, 0);
            ASSERT_NE(GetWindowRgn(H, R), ERROR);
            RECT W;
            GetWindowRect(H, &W);
            const int Wd = W.right - W.left, Ht = W.bottom - W.top;
            // The window's own four corners are cut, rounder on top than below.
            for (POINT P : {POINT{0, 0}, POINT{Wd - 1, 0}, POINT{0, Ht - 1}, POINT{Wd - 1, Ht - 1}, POINT{3, 0},
                            POINT{Wd - 4, 0}, POINT{0, 3}, POINT{Wd - 1, 3}, POINT{1, Ht - 1}})
                EXPECT_EQ(PtInRegion(R, P.x, P.y) != FALSE, Trans == 0) << P.x << "," << P.y;
            // Edges away from the corners and the borders' joins stay.
            for (POINT P : {POINT{4, 0}, POINT{Wd - 5, 0}, POINT{0, 4}, POINT{Wd - 1, 4}, POINT{2, Ht - 1},
                            POINT{S->BorderLeft, 0}, POINT{Wd - S->BorderRight - 1, 0}, POINT{Wd / 2, 0},
                            POINT{0, Ht / 2}, POINT{Wd - 1, Ht / 2}, POINT{Wd / 2, Ht - 1}, POINT{Wd / 2, Ht / 2}})
                EXPECT_TRUE(PtInRegion(R, P.x, P.y)) << P.x << "," << P.y;
            DeleteObject(R);
            S->Unskin();
            S->Free();
            DestroyWindow(H);
        }
}

// ---- Caption buttons ----------------------------------------------------------------------------
TEST_F(SkinManagerTest, CaptionButtonVisibilityFollowsTheWindowFlags) {
    HWND Full = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, u"SkinTestWnd", 300, 200, WS_EX_CONTEXTHELP);
    HWND Bare = Make(WS_POPUP | WS_CAPTION | WS_VISIBLE);
    TSkinnedWindow* F = Skin(Full);
    TSkinnedWindow* B = Skin(Bare);
    ASSERT_NE(F, nullptr);
    ASSERT_NE(B, nullptr);
    TDataSkinSysButton Rec("Button");
    TWinSysButton FB(F, &Rec), BB(B, &Rec);
    struct Case {
        int Visibility, Visibility1, Action;
        bool OnFull, OnBare;
    } Cases[] = {
        {0, 0, 5, true, true},        {-1, 0, 5, false, false},  {5, 0, 5, false, false},
        {1, 0, 5, false, false},      {2, 0, 5, true, true},     {6, 0, 5, true, false},
        {0, 6, 5, true, false},       {7, 0, 5, false, true},    {9, 9, 5, false, true},
        {10, 0, 5, false, false},     {0, 10, 5, true, false},   {300, 0, 5, true, true},
        {0, 0, 0, true, false},       // close needs the system menu
        {5000, 0, 5, false, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Visibility) + "/" + std::to_string(C.Visibility1) + " action " +
                     std::to_string(C.Action));
        Rec.Visibility = C.Visibility;
        Rec.Visibility1 = C.Visibility1;
        Rec.Action = C.Action;
        EXPECT_EQ(F->IsSysButtonVisible(FB), C.OnFull);
        EXPECT_EQ(B->IsSysButtonVisible(BB), C.OnBare);
    }
    // Buttons 1000 to 2000 ask the window, with the value and the action.
    Rec.Visibility = 1500;
    Rec.Visibility1 = 0;
    Rec.Action = 42;
    std::vector<std::pair<WPARAM, LPARAM>> Asked;
    gButtonVisible = [&](WPARAM W, LPARAM L) {
        Asked.emplace_back(W, L);
        return W == 1500 ? 1 : 0;
    };
    EXPECT_TRUE(F->IsSysButtonVisible(FB));
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0], std::make_pair(WPARAM(1500), LPARAM(42)));
    gButtonVisible = [](WPARAM, LPARAM) -> LRESULT { return 0; };
    EXPECT_FALSE(F->IsSysButtonVisible(FB));
    // Maximise and minimise are enabled by their boxes.
    Rec.Visibility = 0;
    for (int Action : {1, 2}) {
        Rec.Action = Action;
        F->IsSysButtonVisible(FB);
        B->IsSysButtonVisible(BB);
        EXPECT_TRUE(FB.Enabled) << Action;
        EXPECT_FALSE(BB.Enabled) << Action;
    }
}

TEST_F(SkinManagerTest, CaptionButtonsArePlacedByTheirAlignment) {
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, u"SkinTestWnd", 300, 200);
    TSkinnedWindow* S = Skin(H);
    ASSERT_NE(S, nullptr);
    S->FreeSysButtons();
    std::vector<std::unique_ptr<TDataSkinSysButton>> Recs;
    const int Aligns[] = {0, 1, 2, 3, 8, 9, 100, 7};
    for (int A : Aligns) {
        auto R = std::make_unique<TDataSkinSysButton>("B");
        R->Align = A;
        R->XCoord = 30;
        R->YCoord = 4;
        R->Action = 5;
        R->FrameCount = 3;
        R->Bitmap = std::make_unique<TBitmap>(36, 10, pf24bit);
        S->CaptionButtons.push_back(std::make_unique<TWinSysButton>(S, R.get()));
        Recs.push_back(std::move(R));
    }
    S->FrameWidth = 300;
    S->TextRect = TRect(50, 2, 150, 20);
    S->MenuHeight = 20;
    for (auto& B : S->CaptionButtons) B->Rect = TRect(-1, -1, -1, -1);
    S->PlaceSysButtons();
    const int MenuMargin = Data->MenuBar ? Data->MenuBar->LeftWidth : 0;
    const TRect Expected[] = {
        TRect(30, 4, 42, 14),                   // 0: at the coordinates
        TRect(270, 4, 282, 14),                 // 1: from the right edge
        TRect(50 - 12 - 30, 4, 50 - 30, 14),    // 2: left of the text
        TRect(180, 4, 192, 14),                 // 3: right of the text
        TRect(50 - 12 - 30, 4, 50 - 30, 14),    // 8
        TRect(180, 4, 192, 14),                 // 9
        TRect(300 - 30 - S->BorderRight - MenuMargin, S->BorderTop + 5, 300 - 30 - S->BorderRight - MenuMargin + 12,
              S->BorderTop + 15),               // 100: in the menu band
        TRect(-1, -1, -1, -1),                  // other: not moved
    };
    for (std::size_t I = 0; I < S->CaptionButtons.size(); ++I)
        EXPECT_TRUE(EqualRect(&S->CaptionButtons[I]->Rect, &Expected[I]))
            << "Align " << Aligns[I] << ": " << S->CaptionButtons[I]->Rect.left << "," << S->CaptionButtons[I]->Rect.top;
    S->FreeSysButtons();
}

// ---- The mouse on the frame ---------------------------------------------------------------------
class SkinInputTest : public SkinManagerTest {
protected:
    TWinSysButton* ButtonOf(TSkinnedWindow* S, int Action) {
        for (auto& B : S->CaptionButtons)
            if (B->Button->Action == Action && B->Visible) return B.get();
        return nullptr;
    }
    POINT Centre(TSkinnedWindow* S, TWinSysButton* B) {
        return FrameToScreen(S->Window, POINT{(B->Rect.left + B->Rect.right) / 2, (B->Rect.top + B->Rect.bottom) / 2});
    }
    THeadlessScreen* Screen() { return WinHeadlessScreen(); }
};

TEST_F(SkinInputTest, MinimiseMinimisesAndAReleaseElsewhereDoesNothing) {
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetForegroundWindow(H);
    TSkinnedWindow* S = Skin(H);
    ASSERT_NE(S, nullptr);
    S->PaintFrame();
    TWinSysButton* Min = ButtonOf(S, 2);
    TWinSysButton* Max = ButtonOf(S, 1);
    ASSERT_NE(Min, nullptr);
    ASSERT_NE(Max, nullptr);
    // Pressed on minimise, released on maximise: nothing happens.
    Screen()->MouseMove(Centre(S, Min));
    Screen()->MouseDown(Centre(S, Min));
    Screen()->MouseMove(Centre(S, Max));
    Screen()->MouseUp(Centre(S, Max));
    TestHooks::PumpPending();
    EXPECT_FALSE(IsIconic(H));
    EXPECT_FALSE(IsZoomed(H));
    S->PaintFrame();
    TestHooks::Click(Centre(S, Min));
    ASSERT_TRUE(TestHooks::PumpUntil([H] { return IsIconic(H) != FALSE; }, 3000, "the window to minimise"));
    EXPECT_EQ(S->WindowState, 2);
}

TEST_F(SkinInputTest, ADisabledMaximiseShowsItsDisabledFrameAndDoesNothing) {
    HWND H = Make(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE);
    SetForegroundWindow(H);
    TSkinnedWindow* S = Skin(H);
    ASSERT_NE(S, nullptr);
    S->PaintFrame();
    TWinSysButton* Max = ButtonOf(S, 1);
    ASSERT_NE(Max, nullptr);
    ASSERT_FALSE(Max->Enabled);
    ASSERT_GE(Max->Button->FrameCount, 4);
    TestHooks::Click(Centre(S, Max));
    TestHooks::PumpPending();
    EXPECT_FALSE(IsZoomed(H));
    // The pressed disabled button shows frame 4 of its strip.
    const int FW = Max->Button->Bitmap->Width() / Max->Button->FrameCount;
    TBitmap Frame4(FW, Max->Button->Bitmap->Height(), pf24bit);
    BitBlt(Frame4.Canvas().Handle(), 0, 0, FW, Frame4.Height(), Max->Button->Bitmap->Canvas().Handle(), 3 * FW, 0,
           SRCCOPY);
    HDC DC = GetWindowDC(H);
    int Same = 0, Opaque = 0;
    for (int Y = 0; Y < Frame4.Height(); ++Y)
        for (int X = 0; X < FW; ++X) {
            const TColor C = Frame4.Canvas().Pixel(X, Y);
            if (C == clFuchsia) continue;
            ++Opaque;
            Same += GetPixel(DC, Max->Rect.left + X, Max->Rect.top + Y) == static_cast<COLORREF>(C);
        }
    ReleaseDC(H, DC);
    EXPECT_GT(Opaque, 0);
    EXPECT_EQ(Same, Opaque);
}

TEST_F(SkinInputTest, DoubleClicksOnTheIconCloseAndOnTheCaptionMaximise) {
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetForegroundWindow(H);
    TSkinnedWindow* S = Skin(H);
    ASSERT_NE(S, nullptr);
    S->PaintFrame();
    POINT Caption = FrameToScreen(H, POINT{S->TextRect.right + 10, S->BorderTop / 2});
    Screen()->DoubleClick(Caption);
    ASSERT_TRUE(TestHooks::PumpUntil([H] { return IsZoomed(H) != FALSE; }, 3000, "the window to maximise"));
    ShowWindow(H, SW_RESTORE);
    TestHooks::PumpPending();
    S->PaintFrame();
    TWinSysButton* IconButton = ButtonOf(S, 3);
    ASSERT_NE(IconButton, nullptr);
    gSeen.clear();
    Screen()->DoubleClick(Centre(S, IconButton));
    EXPECT_TRUE(TestHooks::PumpUntil([] { return !gSeen.empty() && gSeen.back() == WM_CLOSE; }, 3000, "WM_CLOSE"));
}

TEST_F(SkinInputTest, AnInactiveFrameDoesNotLightUpAndTheCaptionDragsTheWindow) {
    HWND Other = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    TSkinnedWindow* S = Skin(H);
    ASSERT_NE(S, nullptr);
    SetForegroundWindow(Other);
    TestHooks::PumpPending();
    ASSERT_FALSE(S->WindowActive);
    TWinSysButton* Close = ButtonOf(S, 0);
    ASSERT_NE(Close, nullptr);
    Screen()->MouseMove(Centre(S, Close));
    TestHooks::PumpPending();
    EXPECT_EQ(S->HotObject, nullptr);
    EXPECT_EQ(Close->ButtonState, 1);
    // Active, the same move lights it.
    SetForegroundWindow(H);
    TestHooks::PumpPending();
    Screen()->MouseMove(POINT{0, 0});
    Screen()->MouseMove(Centre(S, Close));
    TestHooks::PumpPending();
    EXPECT_EQ(S->HotObject, Close);
    EXPECT_EQ(Close->ButtonState, 3);
    // A drag on the caption moves the window.
    RECT Before;
    GetWindowRect(H, &Before);
    POINT From = FrameToScreen(H, POINT{S->TextRect.right + 10, S->BorderTop / 2});
    Screen()->MouseMove(From);
    Screen()->MouseDown(From);
    Screen()->MouseMove(POINT{From.x + 40, From.y + 25});
    Screen()->MouseUp(POINT{From.x + 40, From.y + 25});
    ASSERT_TRUE(TestHooks::PumpUntil(
        [&] {
            RECT R;
            GetWindowRect(H, &R);
            return R.left == Before.left + 40 && R.top == Before.top + 25;
        },
        3000, "the window to move"));
}

}  // namespace

namespace {

// ---- The menu bar ------------------------------------------------------------------------------
class SkinMenuBarTest : public SkinInputTest {
protected:
    void SetUp() override {
        SkinInputTest::SetUp();
        File = CreatePopupMenu();
        AppendMenuW(File, MF_STRING, 101, u"&Open");
        AppendMenuW(File, MF_STRING, 102, u"&Save");
        Edit = CreatePopupMenu();
        AppendMenuW(Edit, MF_STRING, 201, u"&Copy");
        Help = CreatePopupMenu();
        AppendMenuW(Help, MF_STRING, 301, u"About");
        Bar = CreateMenu();
        AppendMenuW(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(File), u"&File");
        AppendMenuW(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Edit), u"&Edit");
        AppendMenuW(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Help), u"Help");
    }
    // The bar item whose popup each menu loop showed, then Escape.
    void FollowLoops(std::vector<int> Keys) {
        Opened.clear();
        KeysLeft = std::move(Keys);
        Step = [this](HWND) {
            Opened.push_back(Skinned->OpenSubMenu);
            if (KeysLeft.empty()) {
                TestHooks::PressKey(VK_ESCAPE);
                return;
            }
            const int K = KeysLeft.front();
            KeysLeft.erase(KeysLeft.begin());
            TestHooks::OnNextModalWindow(Step);
            TestHooks::PressKey(K);
        };
        TestHooks::OnNextModalWindow(Step);
    }
    std::vector<int> KeysLeft;
    std::function<void(HWND)> Step;
    HMENU File = nullptr, Edit = nullptr, Help = nullptr, Bar = nullptr;
    TSkinnedWindow* Skinned = nullptr;
    std::vector<HMENU> Opened;
};

TEST_F(SkinMenuBarTest, TheBarReplacesTheWindowMenuAndKeepsTheClientSize) {
    Manager->SkinningOn = false;
    HWND H = CreateWindowExW(0, u"SkinTestWnd", u"Menu", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 400, 300, nullptr,
                             Bar, nullptr, nullptr);
    Made.push_back(H);
    TestHooks::PumpPending();
    const SIZE Classic = ClientSize(H);
    Manager->SkinningOn = true;
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    ASSERT_NE(Skinned->MenuBar, nullptr);
    EXPECT_EQ(GetMenu(H), nullptr);
    EXPECT_EQ(Skinned->MenuHeight, GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(ClientSize(H).cx, Classic.cx);
    EXPECT_EQ(ClientSize(H).cy, Classic.cy);
    RECT W;
    GetWindowRect(H, &W);
    POINT InBand{W.left + Skinned->BorderLeft + 8, W.top + Skinned->BorderTop + Skinned->MenuHeight / 2};
    EXPECT_EQ(SendMessageW(H, WM_NCHITTEST, 0, MAKELPARAM(InBand.x, InBand.y)), HTMENU);
    // Items laid out from the left, in order, the captions as the menu has them.
    ASSERT_EQ(Skinned->MenuBar->Items.size(), 3u);
    EXPECT_EQ(Skinned->MenuBar->Items[0]->Caption, u"&File");
    EXPECT_LT(Skinned->MenuBar->Items[0]->Rect.right, Skinned->MenuBar->Items[1]->Rect.left + 1);
    // Unskinned, the window has its menu and its classic client back.
    Skinned->Unskin();
    Skinned->Free();
    TestHooks::PumpPending();
    EXPECT_EQ(GetMenu(H), Bar);
    EXPECT_EQ(ClientSize(H).cx, Classic.cx);
    EXPECT_EQ(ClientSize(H).cy, Classic.cy);
}

// The frame as the screen shows it: no pixel of the skin's magenta key is left
// (the text background drawn at its own size, the corners cut away), the
// caption in the title's text colour over its background, and the bar's
// background even along the bar in both states.
TEST_F(SkinMenuBarTest, TheFrameShowsNoKeyColourAndAnEvenBar) {
    auto NearKey = [](uint32_t C) {
        const int R = (C >> 16) & 0xFF, G = (C >> 8) & 0xFF, B = C & 0xFF;
        return R >= 150 && B >= 150 && std::abs(R - B) <= 60 && G + 80 < std::min(R, B);
    };
    for (const char* Name : {"main", "colours"}) {
        SCOPED_TRACE(Name);
        LoadVariant(*Data, Name);
        HWND H = CreateWindowExW(0, u"SkinTestWnd", u"A caption of some length", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80,
                                 80, 400, 300, nullptr, Bar, nullptr, nullptr);
        Made.push_back(H);
        SetForegroundWindow(H);
        Skinned = Skin(H);
        ASSERT_NE(Skinned, nullptr);
        std::vector<uint32_t> Band[2];
        for (int Active : {1, 0}) {
            SCOPED_TRACE(Active);
            SendMessageW(H, WM_NCACTIVATE, Active, 0);
            RECT W;
            GetWindowRect(H, &W);
            const int Wd = W.right - W.left, Ht = W.bottom - W.top;
            const std::string Path = ::testing::TempDir() + "skin_shown_" + std::to_string(getpid()) + ".png";
            ASSERT_TRUE(Screen()->SaveRectPng(W, Path));
            std::vector<uint32_t> P;
            int PW = 0, PH = 0;
            ASSERT_TRUE(LoadPixelsPng(Path, P, PW, PH));
            std::remove(Path.c_str());
            ASSERT_EQ(PW, Wd);
            ASSERT_EQ(PH, Ht);
            auto At = [&](int X, int Y) { return P[static_cast<size_t>(Y) * Wd + X] & 0xFFFFFF; };
            int Keyed = 0;
            for (uint32_t C : P) Keyed += NearKey(C & 0xFFFFFF);
            EXPECT_EQ(Keyed, 0);
            // The caption: letters in the text colour, the rest the background's.
            const TRect& T = Skinned->TextRect;
            const uint32_t Ink = static_cast<uint32_t>(ColorToRGB(Active ? Data->ColTitleTextActive
                                                                         : Data->ColTitleTextNoActive));
            const uint32_t InkRgb = (Ink & 0xFF) << 16 | (Ink & 0xFF00) | (Ink >> 16 & 0xFF);
            int Letters = 0, Area = 0;
            for (int Y = T.top; Y < T.bottom; ++Y)
                for (int X = T.left + Data->Title->TextBackLeft; X < T.right - Data->Title->TextBackRight; ++X) {
                    ++Area;
                    Letters += At(X, Y) == InkRgb;
                }
            EXPECT_GT(Letters, 20);
            EXPECT_LT(Letters * 3, Area);
            // Right of the last item the bar repeats one colour along each row.
            const int From = Skinned->MenuBar->Items.back()->Rect.right + 2, To = Wd - Skinned->BorderRight - 3;
            ASSERT_LT(From, To);
            for (int Y = Skinned->BorderTop; Y < Skinned->BorderTop + Skinned->MenuHeight; ++Y) {
                for (int X = From; X < To; ++X) ASSERT_EQ(At(X, Y), At(From, Y)) << X << "," << Y;
                Band[Active].push_back(At(From, Y));
            }
        }
        EXPECT_NE(Band[0], Band[1]);
        DestroyWindow(H);
    }
}

TEST_F(SkinMenuBarTest, AltOpensTheFirstItemAndArrowsWalkTheBarRoundAndRound) {
    HWND H = CreateWindowExW(0, u"SkinTestWnd", u"Menu", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 400, 300, nullptr,
                             Bar, nullptr, nullptr);
    Made.push_back(H);
    SetForegroundWindow(H);
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    SetFocus(H);
    struct Case {
        std::vector<int> Keys;
        std::vector<HMENU> Expected;
    } Cases[] = {
        {{}, {File}},
        {{VK_RIGHT, VK_RIGHT, VK_RIGHT}, {File, Edit, Help, File}},
        {{VK_LEFT, VK_LEFT}, {File, Help, Edit}},
    };
    for (const Case& C : Cases) {
        FollowLoops(C.Keys);
        TestHooks::PressKey(VK_MENU);
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return Opened.size() == C.Expected.size() && !Skinned->InMenuLoop; },
                                         5000, "the loops"));
        TestHooks::PumpPending();
        EXPECT_EQ(Opened, C.Expected);
    }
}

TEST_F(SkinMenuBarTest, AltWithAMarkedLetterOpensItsItemAndOtherLettersGoOn) {
    HWND H = CreateWindowExW(0, u"SkinTestWnd", u"Menu", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 400, 300, nullptr,
                             Bar, nullptr, nullptr);
    Made.push_back(H);
    SetForegroundWindow(H);
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    LRESULT R = 0;
    FollowLoops({});
    EXPECT_TRUE(Skinned->KeyMenu('e', R));
    EXPECT_EQ(R, 1);
    EXPECT_EQ(Opened, std::vector<HMENU>{Edit});
    // "Help" marks no letter: h is not the bar's, the default gets it.
    TestHooks::OnNextModalWindow(nullptr);
    EXPECT_FALSE(Skinned->KeyMenu('h', R));
    EXPECT_FALSE(Skinned->KeyMenu(' ', R));  // the system menu's key
}

TEST_F(SkinMenuBarTest, MovingTheMouseAlongTheBarSwitchesPopups) {
    HWND H = CreateWindowExW(0, u"SkinTestWnd", u"Menu", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 400, 300, nullptr,
                             Bar, nullptr, nullptr);
    Made.push_back(H);
    SetForegroundWindow(H);
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    Skinned->PaintFrame();
    auto Centre = [&](int I) {
        const TRect& R = Skinned->MenuBar->Items[static_cast<std::size_t>(I)]->Rect;
        return FrameToScreen(H, POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2});
    };
    Opened.clear();
    auto Second = [this, Centre](HWND) {
        Opened.push_back(Skinned->OpenSubMenu);
        TestHooks::PressKey(VK_ESCAPE);
    };
    TestHooks::OnNextModalWindow([this, Centre, Second](HWND) {
        Opened.push_back(Skinned->OpenSubMenu);
        TestHooks::OnNextModalWindow(Second);
        Screen()->MouseMove(Centre(2));
    });
    TestHooks::Click(Centre(0));
    EXPECT_TRUE(TestHooks::PumpUntil([&] { return Opened.size() == 2 && !Skinned->InMenuLoop; }, 5000, "two popups"));
    EXPECT_EQ(Opened, (std::vector<HMENU>{File, Help}));
}

TEST_F(SkinMenuBarTest, TheSystemMenuOpensFromAltSpaceAndTheIcon) {
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetForegroundWindow(H);
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    Skinned->PaintFrame();
    int Shown = 0;
    std::vector<std::string> Captions;
    auto Look = [&](HWND W) {
        ++Shown;
        EXPECT_EQ(Manager->PopupKind, 2);
        EXPECT_TRUE(Manager->IsPopupSubclassed(W));  // dressed by the skin
        ASSERT_NE(Skinned->SystemMenuPopup, nullptr);
        EXPECT_EQ(Skinned->SystemMenuPopup->Tag, 33333);
        Captions.clear();
        for (int I = 0; I < Skinned->SystemMenuPopup->Items()->Count(); ++I)
            Captions.push_back(Skinned->SystemMenuPopup->Items()->Items(I)->Caption());
        TestHooks::PressKey(VK_ESCAPE);
    };
    SetFocus(H);
    TestHooks::OnNextModalWindow(Look);
    TestHooks::PressKey(VK_SPACE, false, false, true);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Shown == 1; }, 3000, "Alt+Space"));
    EXPECT_EQ(Captions.size(), 7u);
    EXPECT_EQ(Manager->PopupKind, 0);  // back once the last popup is gone
    Skinned->LastMenuTick = 0;
    TWinSysButton* IconButton = ButtonOf(Skinned, 3);
    ASSERT_NE(IconButton, nullptr);
    TestHooks::OnNextModalWindow(Look);
    TestHooks::Click(Centre(Skinned, IconButton));
    EXPECT_TRUE(TestHooks::PumpUntil([&] { return Shown == 2; }, 3000, "a click on the icon"));
}

}  // namespace

namespace {

// ---- Popup-menu windows -------------------------------------------------------------------------
using SkinPopupTest = SkinMenuBarTest;

TEST_F(SkinPopupTest, EachKindOfMenuIsDressedOnlyWhenItsSwitchIsOn) {
    HWND H = CreateWindowExW(0, u"SkinTestWnd", u"Menu", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 400, 300, nullptr,
                             Bar, nullptr, nullptr);
    Made.push_back(H);
    SetForegroundWindow(H);
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    Skinned->PaintFrame();
    auto Dressed = [&](const std::function<void()>& Open) {
        int Seen = -1;
        TestHooks::OnNextModalWindow([&](HWND W) {
            Seen = Manager->IsPopupSubclassed(W) ? 1 : 0;
            TestHooks::PressKey(VK_ESCAPE);
        });
        Open();
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return Seen >= 0 && !Skinned->InMenuLoop; }, 3000, "the popup"));
        TestHooks::PumpPending();
        EXPECT_EQ(Manager->PopupKind, 0);  // the last popup gone
        EXPECT_TRUE(Manager->PopupMenus.empty());
        return Seen == 1;
    };
    HMENU Ctx = CreatePopupMenu();  // a context menu, of no bar
    AppendMenuW(Ctx, MF_STRING, 401, u"Remove");
    auto Context = [&] { TrackPopupMenu(Ctx, TPM_RETURNCMD, 200, 200, 0, H, nullptr); };
    auto FromBar = [&] { Skinned->TrackMenuItem(Skinned->MenuBar->Items[0].get()); };
    auto System = [&] {
        Skinned->LastMenuTick = 0;
        Skinned->ShowSystemMenu(POINT{150, 150});
    };
    EXPECT_TRUE(Dressed(Context));
    EXPECT_TRUE(Dressed(FromBar));
    EXPECT_TRUE(Dressed(System));
    Data->SkinControls.Exclude(xcPopupMenu);
    EXPECT_FALSE(Dressed(Context));
    EXPECT_TRUE(Dressed(FromBar));
    Data->SkinControls.Exclude(xcSystemMenu);
    EXPECT_FALSE(Dressed(System));
    EXPECT_TRUE(Dressed(FromBar));
    DestroyMenu(Ctx);
}

TEST_F(SkinPopupTest, ThePopupPrintsItsBackgroundAndItemsAndMenuBGKeepsTheErase) {
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetForegroundWindow(H);
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    bool Done = false;
    TestHooks::OnNextModalWindow([&](HWND W) {
        RECT R;
        GetWindowRect(W, &R);
        const int Wd = R.right - R.left, Ht = R.bottom - R.top;
        TBitmap Print(Wd, Ht, pf24bit);
        Print.Canvas().Brush().SetColor(clBlack);
        Print.Canvas().FillRect(TRect(0, 0, Wd, Ht));
        SendMessageW(W, WM_PRINT, reinterpret_cast<WPARAM>(Print.Canvas().Handle()), PRF_NONCLIENT | PRF_CLIENT);
        TBitmap* Back = nullptr;
        for (auto& P : Manager->PopupMenus)
            if (P->Window == W) Back = P->Background.get();
        ASSERT_NE(Back, nullptr);
        ASSERT_EQ(Back->Width(), Wd);
        // The border is the skin's background; the items are drawn over the inside.
        int BorderSame = 0, Inside = 0, InsideDiffer = 0;
        for (int Y = 0; Y < Ht; ++Y)
            for (int X = 0; X < Wd; ++X) {
                const bool Border = X < 3 || Y < 3 || X >= Wd - 3 || Y >= Ht - 3;
                const bool Same = Print.Canvas().Pixel(X, Y) == Back->Canvas().Pixel(X, Y);
                if (Border) BorderSame += Same ? 1 : 0;
                else {
                    ++Inside;
                    InsideDiffer += Same ? 0 : 1;
                }
            }
        EXPECT_EQ(BorderSame, 2 * (Wd + Ht) * 3 - 36);
        EXPECT_GT(InsideDiffer, 0);
        // The erase: the menu colour, or nothing with xoMenuBG.
        for (bool MenuBG : {false, true}) {
            if (MenuBG) Data->Options.Include(xoMenuBG);
            else Data->Options.Exclude(xoMenuBG);
            TBitmap E(Wd, Ht, pf24bit);
            E.Canvas().Brush().SetColor(clBlack);
            E.Canvas().FillRect(TRect(0, 0, Wd, Ht));
            EXPECT_EQ(SendMessageW(W, WM_ERASEBKGND, reinterpret_cast<WPARAM>(E.Canvas().Handle()), 0), 1);
            EXPECT_EQ(E.Canvas().Pixel(5, 5) == clBlack, MenuBG);
        }
        Data->Options.Exclude(xoMenuBG);
        Done = true;
        TestHooks::PressKey(VK_ESCAPE);
    });
    TrackPopupMenu(File, TPM_RETURNCMD, 200, 200, 0, H, nullptr);
    EXPECT_TRUE(Done);
}

}  // namespace

namespace {

// ---- Menu items ---------------------------------------------------------------------------------
class SkinMenuItemTest : public SkinManagerTest {
protected:
    void SetUp() override {
        SkinManagerTest::SetUp();
        Manager->SkinningOn = false;
        F = new TForm(Application);
        Forms.push_back(F);
        F->SetBounds(60, 60, 300, 200);
        F->Show();
        TestHooks::PumpPending();
        Manager->SkinningOn = true;
        ASSERT_TRUE(Manager->TrySkinWindow(F->Handle()));
        S = Manager->FindSkinForm(F->Handle());
        ASSERT_TRUE(TestHooks::PumpUntil([this] { return S->State == 1; }, 3000, "the start"));
    }
    TMenuItem* Item(TComponent* Owner, const std::string& Caption) {
        auto* I = new TMenuItem(Owner);
        I->SetCaption(Caption);
        return I;
    }
    // The item drawn alone into a bitmap of its size.
    std::unique_ptr<TBitmap> Draw(TMenuItem* I, bool Selected, bool Rtl = false, int W = 120, int H = 20) {
        auto B = std::make_unique<TBitmap>(W, H, pf24bit);
        B->Canvas().Brush().SetColor(clBlack);
        B->Canvas().FillRect(TRect(0, 0, W, H));
        S->DrawMenuItemOn(B->Canvas().Handle(), I, nullptr, TRect(0, 0, W, H), Selected, Rtl, true);
        return B;
    }
    TForm* F = nullptr;
    TSkinnedWindow* S = nullptr;
};

TEST_F(SkinMenuItemTest, HandlersGoOnlyWhereTheyBelong) {
    auto* Plain = new TPopupMenu(F);
    auto* Tagged = new TPopupMenu(F);
    Tagged->Tag = Data->DisableTag;
    TMenuItem* A = Item(F, "One");
    TMenuItem* B = Item(F, "Two");
    bool OwnMeasure = false;
    B->OnMeasureItem = [&](TObject*, TCanvas*, int&, int&) { OwnMeasure = true; };
    Plain->Items()->Add(A);
    Plain->Items()->Add(B);
    TMenuItem* C = Item(F, "Three");
    Tagged->Items()->Add(C);
    S->SkinPopupMenus(F, true);
    EXPECT_TRUE(Plain->OwnerDraw);
    EXPECT_TRUE(A->OnDrawItem && A->OnMeasureItem);
    EXPECT_TRUE(B->OnDrawItem);
    int W = 0, H = 0;
    B->OnMeasureItem(B, nullptr, W, H);
    EXPECT_TRUE(OwnMeasure);  // its own measuring kept
    EXPECT_FALSE(Tagged->OwnerDraw);
    EXPECT_FALSE(C->OnDrawItem);
    // A main menu item that draws itself is left alone.
    auto* Main = new TMainMenu(F);
    TMenuItem* Top = Item(F, "File");
    TMenuItem* Own = Item(F, "Own");
    TMenuItem* Other = Item(F, "Other");
    bool OwnDraw = false;
    Own->OnDrawItem = [&](TObject*, TCanvas*, TRect, bool) { OwnDraw = true; };
    Main->Items()->Add(Top);
    Top->Add(Own);
    Top->Add(Other);
    S->SkinMainMenus(F, true);
    EXPECT_FALSE(Top->OnDrawItem);  // the bar's own items are not items of a popup
    EXPECT_TRUE(Other->OnDrawItem && Other->OnMeasureItem);
    Own->OnDrawItem(Own, nullptr, TRect(0, 0, 1, 1), false);
    EXPECT_TRUE(OwnDraw);
    EXPECT_FALSE(Own->OnMeasureItem);
    S->SkinPopupMenus(F, false);
    EXPECT_FALSE(A->OnDrawItem || A->OnMeasureItem);
    // The popups of a window class registered to draw its own menus keep that drawing.
    RegisterOwnMenuDrawingWindowClass("TqsOwnMenuForm");
    const std::string Saved = S->WindowClassName;
    S->WindowClassName = "TqsOwnMenuForm";
    S->SkinPopupMenus(F, true);
    EXPECT_FALSE(A->OnDrawItem || A->OnMeasureItem);
    S->WindowClassName = Saved;
}

TEST_F(SkinMenuItemTest, WidthsGrowByTheSkinsMarginAndTheImageRoom) {
    auto* Menu = new TPopupMenu(F);
    TMenuItem* I = Item(F, "Open");
    Menu->Items()->Add(I);
    const int Margin = Data->MenuItem->LeftWidth;
    int Base = 0, H = 0;
    S->MenuItemMeasure(I, nullptr, Base, H);
    const int Text = Base - Margin - 35;
    ASSERT_GT(Text, 0);
    auto* Images = new TImageList(F);
    Menu->Images = Images;
    struct Case {
        bool Bar;
        int Extra;
    } Cases[] = {{false, 12}, {true, 10}};
    for (const Case& C : Cases) {
        int W = 0;
        H = 0;
        if (C.Bar)
            S->MenuItemMeasureBar(I, nullptr, W, H);
        else
            S->MenuItemMeasure(I, nullptr, W, H);
        EXPECT_EQ(W, Text + Margin + C.Extra) << C.Bar;
    }
}

TEST_F(SkinMenuItemTest, SelectionDisabledTextAndSeparatorFollowTheSkin) {
    TDataSkinObject& P = *Data->MenuItem;
    auto* Menu = new TPopupMenu(F);
    TMenuItem* I = Item(F, "Paste");
    Menu->Items()->Add(I);
    // Normal and selected: frames 1 and 4 of the strip at the item's right end.
    for (bool Selected : {false, true}) {
        auto B = Draw(I, Selected);
        TBitmap Ref(120, 20, pf24bit);
        Ref.Canvas().Brush().SetColor(Data->ColMenu);
        Ref.Canvas().FillRect(TRect(0, 0, 120, 20));
        DrawSkinImage(Ref.Canvas().Handle(), TRect(0, 0, 120, 20), *P.Bitmap, false, P.Tile != 0, P.Trans != 0, 5,
                      Selected ? 4 : 1, P.Margins());
        EXPECT_EQ(B->Canvas().Pixel(118, 10), Ref.Canvas().Pixel(118, 10)) << Selected;
    }
    // A disabled caption where the skin's shadow is its text colour: the system shadow.
    Data->ColButtonShadow = Data->ColMenuText;
    I->SetEnabled(false);
    auto D = Draw(I, false);
    int Shadow = 0, MenuText = 0;
    for (int Y = 0; Y < 20; ++Y)
        for (int X = 0; X < 120; ++X) {
            const TColor C = D->Canvas().Pixel(X, Y);
            Shadow += C == static_cast<TColor>(ColorToRGB(clBtnShadow));
            MenuText += C == static_cast<TColor>(ColorToRGB(Data->ColMenuText));
        }
    EXPECT_GT(Shadow, 0);
    EXPECT_EQ(MenuText, 0);
    // A separator: frame 2 of the strip, cut to the item's height from the image's bottom.
    TMenuItem* Line = Item(F, "-");
    Menu->Items()->Add(Line);
    const int H = 6;
    auto L = Draw(Line, false, false, 120, H);
    const int FW = P.Bitmap->Width() / 5, IH = P.Bitmap->Height();
    int Compared = 0;
    for (int Y = 0; Y < H; ++Y) {
        const TColor Src = P.Bitmap->Canvas().Pixel(FW, IH - H + Y);
        if (Src == clFuchsia) continue;
        ++Compared;
        EXPECT_EQ(L->Canvas().Pixel(0, Y), Src) << Y;
    }
    EXPECT_GT(Compared, 0);
}

TEST_F(SkinMenuItemTest, RightToLeftMirrorsTheCheckMarkAndTheText) {
    auto* Menu = new TPopupMenu(F);
    TMenuItem* I = Item(F, "Wrap");
    I->SetChecked(true);
    Menu->Items()->Add(I);
    Data->MenuItem.reset();  // the plain drawing shows the layout alone
    auto Dark = [&](TBitmap& B, int From, int To) {
        int N = 0;
        for (int Y = 0; Y < 20; ++Y)
            for (int X = From; X < To; ++X) N += B.Canvas().Pixel(X, Y) != Data->ColMenu;
        return N;
    };
    auto L = Draw(I, false, false);
    auto R = Draw(I, false, true);
    // The tick sits in the first 18 pixels on its reading side; the text beside it.
    EXPECT_GT(Dark(*L, 0, 18), 0);
    EXPECT_EQ(Dark(*L, 102, 120), 0);
    EXPECT_GT(Dark(*R, 102, 120), 0);
    EXPECT_EQ(Dark(*R, 0, 18), 0);
    EXPECT_GT(Dark(*R, 18, 102), 0);
}

}  // namespace

namespace {

std::vector<uint32_t> WindowPixels(HWND H) {
    const std::string Path = ::testing::TempDir() + "skin_frame_" + std::to_string(getpid()) + ".png";
    std::vector<uint32_t> P;
    int W = 0, Ht = 0;
    if (!WinSaveWindowPng(H, Path) || !LoadPixelsPng(Path, P, W, Ht)) P.clear();
    std::remove(Path.c_str());
    return P;
}

// A frame copied from the pictures kept is the frame drawn anew.
TEST_F(SkinMenuBarTest, KeptFramePicturesEqualFreshlyDrawnOnes) {
    HWND H = CreateWindowExW(0, u"SkinTestWnd", u"Kept", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 400, 300, nullptr,
                             Bar, nullptr, nullptr);
    Made.push_back(H);
    SetForegroundWindow(H);
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    for (WPARAM Active : {WPARAM(0), WPARAM(1)}) {
        SendMessageW(H, WM_NCACTIVATE, Active, 0);
        SendMessageW(H, WM_NCACTIVATE, !Active, 0);
        SendMessageW(H, WM_NCACTIVATE, Active, 0);  // from the kept picture
        const auto Kept = WindowPixels(H);
        Skinned->FrameCache.reset();
        Skinned->FrameCacheOther.reset();
        Skinned->PaintFrame();
        const auto Fresh = WindowPixels(H);
        ASSERT_FALSE(Kept.empty());
        EXPECT_TRUE(Kept == Fresh) << Active;
    }
    // A new caption is drawn, not copied.
    const auto Before = WindowPixels(H);
    SetWindowTextW(H, u"Another caption");
    Skinned->PaintFrame();
    EXPECT_FALSE(WindowPixels(H) == Before);
}

}  // namespace

namespace {

// ---- MDI -------------------------------------------------------------------------------------------
// A small MDI client of the test's own: it reports its active child and
// whether that one is maximised, destroys children on request and restores
// them all to cascade or tile.
HWND gActiveChild = nullptr;
bool gActiveMaximized = false;  // the platform does not maximise child windows: the client says so itself
LRESULT CALLBACK TestMDIClientProc(HWND H, UINT M, WPARAM W, LPARAM L) {
    switch (M) {
    case WM_MDIGETACTIVE:
        if (gActiveChild && !IsWindow(gActiveChild)) gActiveChild = nullptr;
        if (L) *reinterpret_cast<BOOL*>(L) = gActiveChild && gActiveMaximized;
        return reinterpret_cast<LRESULT>(gActiveChild);
    case WM_MDIDESTROY: {
        HWND Child = reinterpret_cast<HWND>(W);
        DestroyWindow(Child);
        if (Child == gActiveChild) gActiveChild = GetWindow(H, GW_CHILD);
        return 0;
    }
    case WM_MDICASCADE:
    case WM_MDITILE:
        gActiveMaximized = false;
        return 1;
    case WM_MDICREATE: return 0;
    default: return DefWindowProcW(H, M, W, L);
    }
}

class SkinMDITest : public SkinMenuBarTest {
protected:
    void SetUp() override {
        SkinMenuBarTest::SetUp();
        WNDCLASSW C{};
        C.lpfnWndProc = TestMDIClientProc;
        C.lpszClassName = u"MDIClient";
        RegisterClassW(&C);
        gActiveChild = nullptr;
        gActiveMaximized = false;
    }
    void MakeFrame() {
        Manager->SkinningOn = false;
        Frame = CreateWindowExW(0, u"SkinTestWnd", u"Frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 40,
                                40, 600, 450, nullptr, Bar, nullptr, nullptr);
        Made.push_back(Frame);
        Client = CreateWindowExW(0, u"MDIClient", u"", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 0, 0, 580, 380,
                                 Frame, nullptr, nullptr, nullptr);
        Manager->SkinningOn = true;
        FrameSkin = Skin(Frame);
        ASSERT_NE(FrameSkin, nullptr);
        ASSERT_EQ(FrameSkin->WindowKind, 1);
        for (int I = 0; I < 2; ++I) {
            HWND Child = CreateWindowExW(WS_EX_MDICHILD, u"SkinTestWnd", u"Child",
                                         WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, 10 + 30 * I, 10 + 30 * I, 250,
                                         180, Client, nullptr, nullptr, nullptr);
            Children.push_back(Child);
            TSkinnedWindow* S = Manager->FindSkinForm(Child);
            ASSERT_NE(S, nullptr);  // taken at its creation
            ASSERT_TRUE(TestHooks::PumpUntil([S] { return S->State == 1; }, 3000, "the child's start"));
            ChildSkins.push_back(S);
        }
        gActiveChild = Children[0];
        TestHooks::PumpPending();
    }
    HWND Frame = nullptr, Client = nullptr;
    TSkinnedWindow* FrameSkin = nullptr;
    std::vector<HWND> Children;
    std::vector<TSkinnedWindow*> ChildSkins;
};

TEST_F(SkinMDITest, AMaximisedChildTakesTheRegionsAwayAndCascadingBringsThemBack) {
    MakeFrame();
    Manager->SetMDIMaximized(false);
    for (TSkinnedWindow* S : ChildSkins) {
        EXPECT_EQ(S->WindowKind, 2);
        EXPECT_TRUE(S->HasRegion);
    }
    gActiveMaximized = true;
    ChildSkins[0]->WindowState = 1;
    ASSERT_TRUE(FrameSkin->IsMDIChildMaximized());
    FrameSkin->PaintFrame();  // the bar sees the maximised child
    EXPECT_TRUE(Manager->MDIMaximized);
    EXPECT_FALSE(ChildSkins[1]->HasRegion);
    RECT Box;
    EXPECT_EQ(GetWindowRgnBox(Children[1], &Box), ERROR);
    SendMessageW(Client, WM_MDICASCADE, 0, 0);
    TestHooks::PumpPending();
    EXPECT_FALSE(Manager->MDIMaximized);
    EXPECT_TRUE(ChildSkins[1]->HasRegion);
    EXPECT_NE(GetWindowRgnBox(Children[1], &Box), ERROR);
}

TEST_F(SkinMDITest, ClosingTheLastChildGivesTheBarItsMenuUpdateBack) {
    Data->MenuUpdate = true;
    MakeFrame();
    SendMessageW(Client, WM_MDICREATE, 0, 0);
    EXPECT_FALSE(Data->MenuUpdate);
    SendMessageW(Client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(Children[0]), 0);
    EXPECT_FALSE(Data->MenuUpdate);  // one child left
    SendMessageW(Client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(Children[1]), 0);
    EXPECT_TRUE(Data->MenuUpdate);
    ASSERT_NE(FrameSkin->MenuBar, nullptr);
    EXPECT_EQ(FrameSkin->MenuBar->Items.size(), 3u);
}

TEST_F(SkinMDITest, TheClientShowsNoScrollBarsUnlessTheSkinAllowsThem) {
    for (bool Allowed : {false, true}) {
        if (Allowed) Data->Options.Include(xoMDIScrollbar);
        MakeFrame();
        SetWindowPos(Client, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        const LONG_PTR Style = GetWindowLongPtrW(Client, GWL_STYLE);
        EXPECT_EQ((Style & (WS_HSCROLL | WS_VSCROLL)) != 0, Allowed);
    }
}

TEST_F(SkinMDITest, ChildrenWithTheSystemBorderAreLeftAloneByTheMaximisedState) {
    Data->Options.Include(xoMDIChildBorder);
    MakeFrame();
    for (TSkinnedWindow* S : ChildSkins) {
        EXPECT_FALSE(S->FrameSkinned);
        EXPECT_FALSE(S->HasRegion);
    }
    RECT Before;
    GetWindowRect(Children[1], &Before);
    Manager->SetMDIMaximized(true);
    Manager->SetMDIMaximized(false);
    RECT After;
    GetWindowRect(Children[1], &After);
    EXPECT_TRUE(EqualRect(&Before, &After));
    EXPECT_FALSE(ChildSkins[1]->HasRegion);
    Data->Options.Exclude(xoMDIChildBorder);
}

}  // namespace

namespace {

// ---- A form's main menu on the skinned bar --------------------------------------------------------
class SkinFormMenuTest : public SkinManagerTest {
protected:
    void SetUp() override {
        SkinManagerTest::SetUp();
        Manager->SkinningOn = false;
        F = new TForm(Application);
        Forms.push_back(F);
        F->SetBounds(60, 60, 420, 300);
        auto* Main = new TMainMenu(F);
        File = Add(Main->Items(), "&File");
        Add(File, "Open");
        Settings = Add(Main->Items(), "&Settings");
        Languages = Add(Settings, "Languages");
        Add(Languages, "English");
        Add(Languages, "Deutsch");
        Add(Settings, "Options");
        Help = Add(Main->Items(), "&Help");
        Add(Help, "About");
        F->SetMenu(Main);
        F->Show();
        TestHooks::PumpPending();
        Manager->SkinningOn = true;
        ASSERT_TRUE(Manager->TrySkinWindow(F->Handle()));
        S = Manager->FindSkinForm(F->Handle());
        ASSERT_TRUE(TestHooks::PumpUntil([this] { return S->State == 1; }, 3000, "the start"));
        ASSERT_NE(S->MenuBar, nullptr);
    }
    TMenuItem* Add(TMenuItem* Parent, const std::string& Caption) {
        auto* I = new TMenuItem(F);
        I->SetCaption(Caption);
        Parent->Add(I);
        return I;
    }
    TForm* F = nullptr;
    TSkinnedWindow* S = nullptr;
    TMenuItem *File = nullptr, *Settings = nullptr, *Languages = nullptr, *Help = nullptr;
};

TEST_F(SkinFormMenuTest, TheBarShowsTheCurrentCaptionsAfterALanguageSwitch) {
    Data->MenuUpdate = false;  // as the main window keeps it
    ASSERT_EQ(S->MenuBar->Items[0]->Caption, u"&File");
    File->SetCaption("&Datei");
    Settings->SetCaption("&Einstellungen");
    EXPECT_EQ(S->MenuBar->Items[0]->Caption, u"&Datei");
    EXPECT_EQ(S->MenuBar->Items[1]->Caption, u"&Einstellungen");
    EXPECT_EQ(GetMenu(F->Handle()), nullptr);  // still the skin's bar alone
}

TEST_F(SkinFormMenuTest, LeftInANestedPopupGoesBackBeforeItSwitches) {
    SetForegroundWindow(F->Handle());
    std::vector<HMENU> Opened;
    auto Third = [&](HWND) {
        Opened.push_back(S->OpenSubMenu);
        TestHooks::PressKey(VK_ESCAPE);
    };
    auto Second = [&](HWND) {
        Opened.push_back(S->OpenSubMenu);
        TestHooks::OnNextModalWindow(Third);
        // Right opens Languages, Left closes it, Left again goes to the bar's previous item.
        TestHooks::PressKey(VK_RIGHT);
        TestHooks::PressKey(VK_LEFT);
        TestHooks::PressKey(VK_LEFT);
    };
    TestHooks::OnNextModalWindow([&](HWND) {
        Opened.push_back(S->OpenSubMenu);
        TestHooks::OnNextModalWindow(Second);
        TestHooks::PressKey(VK_RIGHT);
    });
    SetFocus(F->Handle());
    TestHooks::PressKey(VK_MENU);
    EXPECT_TRUE(TestHooks::PumpUntil([&] { return Opened.size() == 3 && !S->InMenuLoop; }, 5000, "three loops"));
    EXPECT_EQ(Opened, (std::vector<HMENU>{File->Handle(), Settings->Handle(), File->Handle()}));
}

}  // namespace

namespace {

// A caption that fits is drawn whole: its rectangle holds the text and the
// two margins of the text background, which come off before drawing.
TEST_F(SkinMenuBarTest, ACaptionThatFitsIsNotCutShort) {
    HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, u"SkinTestWnd", 360, 240);
    SetWindowTextW(H, u"Skinned frame");
    Skinned = Skin(H);
    ASSERT_NE(Skinned, nullptr);
    ASSERT_GT(Data->Title->TextBackLeft + Data->Title->TextBackRight, 0);
    Skinned->PaintFrame();
    HDC DC = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Skinned->TitleFont);
    RECT T{0, 0, 0, 0};
    const std::u16string Text = Skinned->CaptionPrefix + u"Skinned frame" + Skinned->CaptionSuffix;
    DrawTextW(DC, Text.c_str(), static_cast<int>(Text.size()), &T, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    SelectObject(DC, Old);
    DeleteDC(DC);
    EXPECT_EQ(Skinned->TextRect.Width(), (T.right - T.left) + Data->Title->TextBackLeft + Data->Title->TextBackRight);
}

}  // namespace

namespace {

// The region from each band's picture painted over the key colour and scanned,
// as the frame at this size and activation would show it.
HRGN PaintedRegion(TSkinData& D, TSkinnedWindow& S, int W, int H) {
    HRGN Region = CreateRectRgn(S.BorderLeft, S.BorderTop, W - S.BorderRight, H - S.BorderBottom);
    const int Inner = W - S.BorderLeft - S.BorderRight;
    const TRect Bands[4] = {TRect(0, 0, S.BorderLeft, H), TRect(W - S.BorderRight, 0, W, H),
                            TRect(S.BorderLeft, 0, S.BorderLeft + Inner, S.BorderTop),
                            TRect(S.BorderLeft, H - S.BorderBottom, S.BorderLeft + Inner, H)};
    for (int Side = 0; Side < 4; ++Side) {
        const TRect& R = Bands[Side];
        TDataSkinBorder& B = *D.Borders[static_cast<std::size_t>(Side)];
        HRGN Part;
        if (B.Trans == 1 && R.Width() > 0 && R.Height() > 0) {
            TBitmap Scratch(R.Width(), R.Height(), pf24bit);
            Scratch.Canvas().Brush().SetColor(clFuchsia);
            Scratch.Canvas().FillRect(TRect(0, 0, R.Width(), R.Height()));
            const int Count = std::max(1, static_cast<int>(B.FrameCount));
            DrawSkinImage(Scratch.Canvas().Handle(), TRect(0, 0, R.Width(), R.Height()), *B.Bitmap,
                          /*Vertical=*/Side >= 2, B.Tile != 1, /*Transparent=*/false, Count,
                          S.WindowActive || Count == 1 ? 1 : 2, B.Margins());
            Part = RegionFromColorKey(Scratch, R.left, R.top, 1, 1, 1, clFuchsia);
        } else {
            Part = CreateRectRgn(R.left, R.top, R.right, R.bottom);
        }
        if (Part) {
            CombineRgn(Region, Region, Part, RGN_OR);
            DeleteObject(Part);
        }
    }
    return Region;
}

}  // namespace

TEST_F(SkinManagerTest, RegionEqualsTheBordersPaintedAndScannedThroughResizesAndActivation) {
    for (const auto& V : SkinVariants()) {
        SCOPED_TRACE(V.Name);
        LoadVariant(*Data, V.Name);
        HWND H = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, u"SkinTestWnd", 300, 200);
        TSkinnedWindow* S = Skin(H);
        ASSERT_NE(S, nullptr);
        // Sizes met again, a size one pixel off, and an activation change
        // between resizes: a kept band picture must never stand for another.
        const SIZE Sizes[] = {{300, 200}, {420, 260}, {181, 121}, {420, 260}, {421, 261}, {300, 200}};
        for (std::size_t I = 0; I < std::size(Sizes); ++I) {
            SCOPED_TRACE(std::to_string(Sizes[I].cx) + "x" + std::to_string(Sizes[I].cy));
            if (I % 2) SendMessageW(H, WM_NCACTIVATE, S->WindowActive ? FALSE : TRUE, 0);
            SetWindowPos(H, nullptr, 0, 0, Sizes[I].cx, Sizes[I].cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            RECT W;
            GetWindowRect(H, &W);
            HRGN Got = CreateRectRgn(0, 0, 0, 0);
            ASSERT_NE(GetWindowRgn(H, Got), ERROR);
            HRGN Want = PaintedRegion(*Data, *S, W.right - W.left, W.bottom - W.top);
            EXPECT_TRUE(EqualRgn(Got, Want));
            DeleteObject(Got);
            DeleteObject(Want);
        }
        S->Unskin();
        S->Free();
        DestroyWindow(H);
    }
}
