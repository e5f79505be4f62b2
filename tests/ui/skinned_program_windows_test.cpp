// The program's own windows with the main form's skin, on the headless
// screen: each, a message box among them, keeps its client size when it is
// skinned, when the skin file changes and when the skin is switched off, and
// is then pixel for pixel its picture from before; each skinned window,
// active and inactive, the main window under opaque borders, and the main
// window with its File popup, its nested Language popup and its system menu
// open match their pictures; a language chosen in the skinned menu renames
// the skinned bar.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "burning/erase_dialog.h"
#include "controls/golden_png.h"
#include "pipeline/progress_dialogs.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/scope.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/winscreen.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
#include "skin/skin_menubar.h"
#include "skin/skin_window.h"
#include "temp_folder.h"
#include "tests/ui/timed_steps.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"
#include "ui/about_wnd.h"
#include "ui/log_wnd.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "ui/settings_wnd.h"
#include "pipeline/template_chooser.h"

namespace {

TSkinnedWindow* SkinOf(HWND H) {
    TSkinnedWindow* S = SkinManager ? SkinManager->FindSkinForm(H) : nullptr;
    return S && S->State == 1 ? S : nullptr;
}

SIZE ClientSize(HWND H) {
    RECT R;
    GetClientRect(H, &R);
    return SIZE{R.right, R.bottom};
}

std::vector<HWND> ShownPopups() {
    std::vector<HWND> Shown;
    for (HWND H = FindWindowExW(nullptr, nullptr, u"#32768", nullptr); H; H = FindWindowExW(nullptr, H, u"#32768", nullptr))
        if (IsWindowVisible(H)) Shown.push_back(H);
    return Shown;
}

// The window and its children painted again from scratch, then its picture.
bool RepaintedPicture(HWND H, const std::string& Path) {
    RedrawWindow(H, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    TestHooks::PumpPending();
    return SaveWindowAsShownPng(H, Path);
}

bool SamePixels(const std::string& A, const std::string& B) {
    std::vector<uint32_t> PA, PB;
    int AW = 0, AH = 0, BW = 0, BH = 0;
    if (!LoadPixelsPng(A, PA, AW, AH) || !LoadPixelsPng(B, PB, BW, BH) || AW != BW || AH != BH) return false;
    for (size_t I = 0; I < PA.size(); ++I)
        if ((PA[I] & 0xFFFFFF) != (PB[I] & 0xFFFFFF)) return false;
    return true;
}

class SkinnedProgramWindows : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Tmp.Slashed();
        ForceDirectories(Root + "app/langs");
        std::ofstream(Root + "app/langs/Deutsch.ini")
            << "[Quillmake]\r\nLanguageName=Deutsch\r\nSTR_MAIN_mnuFile=Datei\r\nSTR_MAIN_mnuSettings=Extras\r\n"
               "STR_MAIN_mnuHelp=Hilfe\r\n";
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        TestHooks::Start();
        Started = ProgramStartup(Root + "app/");
        ASSERT_TRUE(Started);
        Data = frmMain->Find<TSkinData>("SkinData");
        ASSERT_NE(Data, nullptr);
        frmMain->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([] { return frmMain->Showing() && SkinOf(frmMain->Handle()); }, 5000,
                                         "the main window skinned"));
        TestHooks::PumpPending();
    }
    void TearDown() override {
        if (Started) ProgramShutdown();
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        TestHooks::Stop();
    }
    std::string Shot(const std::string& Name) {
        return ::testing::TempDir() + "skinned_" + Name + "_" + std::to_string(getpid()) + ".png";
    }
    // A skin file of another look beside the program.
    std::string VariantFile(const std::string& Name = "colours") {
        for (const auto& V : SkinVariants())
            if (V.Name == Name) {
                const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(V));
                const std::string Path = Root + Name + ".skn";
                std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(File.data()),
                                                            static_cast<std::streamsize>(File.size()));
                return Path;
            }
        ADD_FAILURE() << "no variant " << Name;
        return "";
    }
    struct TNamedForm {
        const char* Name;
        TForm* Form;
    };
    // The program's windows, with an erase dialog the test made.
    static std::vector<TNamedForm> ProgramWindows(TForm* Erase) {
        return {{"main_window", frmMain},         {"settings_dialog", frmSettings},
                {"erase_dialog", Erase},          {"about_dialog", frmAbout},
                {"log_window", frmLog},           {"template_chooser", frmTemplate},
                {"conversion_dialog", frmProgress}, {"step_dialog", frmProgressOther}};
    }
    TTempFolder Tmp{"tessaro_skinwins"};
    std::string Root;
    bool Started = false;
    TSkinData* Data = nullptr;
};

TEST_F(SkinnedProgramWindows, EachWindowKeepsItsClientAndComesBackPixelForPixel) {
    auto* Erase = new TfrmEraseDisc(frmMain);
    rtl::TScopeExit FreeErase([Erase] { Erase->Free(); });
    const std::string Variant = VariantFile(), Shipped = Root + "shipped.skn";
    Data->SkinStream().SaveToFile(Shipped);
    for (const auto& W : ProgramWindows(Erase)) {
        SCOPED_TRACE(W.Name);
        ASSERT_NE(W.Form, nullptr);
        // The classic window first.
        Data->SetActive(false);
        ASSERT_TRUE(TestHooks::PumpUntil([] { return SkinManager->SkinForms.empty(); }, 5000, "unskinning"));
        W.Form->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return W.Form->Showing(); }, 5000, "the window shown"));
        TestHooks::PumpPending();
        const HWND H = W.Form->Handle();
        const SIZE Client = ClientSize(H);
        const std::string Before = Shot(std::string(W.Name) + "_before"), After = Shot(std::string(W.Name) + "_after");
        ASSERT_TRUE(RepaintedPicture(H, Before));

        Data->SetActive(true);
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return SkinOf(H) != nullptr; }, 5000, "skinning"));
        TestHooks::PumpPending();
        EXPECT_EQ(ClientSize(H).cx, Client.cx);
        EXPECT_EQ(ClientSize(H).cy, Client.cy);

        // Another skin file: the frame is built again from it, the client kept.
        const int Top = SkinOf(H)->BorderTop;
        Data->SetSkinFile(Variant);
        ASSERT_TRUE(TestHooks::PumpUntil([] { return !SkinManager->CommandTimer->Enabled(); }, 5000, "the skin change"));
        TestHooks::PumpPending();
        ASSERT_NE(SkinOf(H), nullptr);
        EXPECT_NE(SkinOf(H)->BorderTop, Top);
        EXPECT_EQ(ClientSize(H).cx, Client.cx);
        EXPECT_EQ(ClientSize(H).cy, Client.cy);

        Data->SetActive(false);
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return !SkinManager->FindSkinForm(H); }, 5000, "unskinning"));
        TestHooks::PumpPending();
        EXPECT_EQ(ClientSize(H).cx, Client.cx);
        EXPECT_EQ(ClientSize(H).cy, Client.cy);
        ASSERT_TRUE(RepaintedPicture(H, After));
        EXPECT_TRUE(SamePixels(Before, After)) << "compare " << Before << " with " << After;
        if (!HasFailure()) {
            std::remove(Before.c_str());
            std::remove(After.c_str());
        }
        // The shipped skin again, for the next window.
        Data->SetSkinFile(Shipped);
        if (W.Form != frmMain) W.Form->Hide();
        TestHooks::PumpPending();
    }
}

TEST_F(SkinnedProgramWindows, SkinnedWindowsActiveAndInactiveMatchTheirPictures) {
    auto* Erase = new TfrmEraseDisc(frmMain);
    rtl::TScopeExit FreeErase([Erase] { Erase->Free(); });
    ExpectWindowMatchesGolden(frmMain->Handle(), "ui/skinned_main_window_active.png");
    for (const auto& W : ProgramWindows(Erase)) {
        if (W.Form == frmMain) continue;  // its inactive picture is taken behind the settings dialog
        SCOPED_TRACE(W.Name);
        W.Form->Show();
        const HWND H = W.Form->Handle();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return SkinOf(H) && GetActiveWindow() == H; }, 5000, "skinned"));
        TestHooks::PumpPending();
        ExpectWindowMatchesGolden(H, std::string("ui/skinned_") + W.Name + "_active.png");
        if (W.Form == frmSettings) ExpectWindowMatchesGolden(frmMain->Handle(), "ui/skinned_main_window_inactive.png");
        SetActiveWindow(frmMain->Handle());
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return GetActiveWindow() == frmMain->Handle(); }, 5000, "main active"));
        TestHooks::PumpPending();
        ExpectWindowMatchesGolden(H, std::string("ui/skinned_") + W.Name + "_inactive.png");
        W.Form->Hide();
        TestHooks::PumpPending();
    }
}

// A message box of the program, skinned while it waits for its answer: its
// client is kept through skinning, a skin change and unskinning, after which
// it is its classic picture again; skinned, active and inactive, it matches
// its pictures; a caption wider than the box widens it for good and moves its
// children by half the difference; and the button clicked is its answer.
TEST_F(SkinnedProgramWindows, AMessageBoxIsSkinnedWhileItWaitsAndStillAnswers) {
    const std::string Variant = VariantFile(), Shipped = Root + "shipped.skn";
    Data->SkinStream().SaveToFile(Shipped);
    const struct {
        const char* Name;
        const char* Caption;
        bool Pictures;
    } Cases[] = {
        {"message_box", "Tessaro", true},
        {"wide_caption", "A caption much wider than the little message box under it", false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Data->SetActive(false);
        ASSERT_TRUE(TestHooks::PumpUntil([] { return SkinManager->SkinForms.empty(); }, 5000, "unskinning"));
        HWND Box = nullptr, Other = nullptr;
        int Step = 0, Ticks = 0, BorderTop = 0;
        SIZE Client{};
        RECT Window{};
        POINT Icon{};
        const std::string Before = Shot(std::string(C.Name) + "_before"), After = Shot(std::string(C.Name) + "_after");
        auto ChildAt = [&]() {
            RECT R;
            GetWindowRect(GetWindow(Box, GW_CHILD), &R);
            POINT P{R.left, R.top};
            ScreenToClient(Box, &P);
            return P;
        };
        rtl::TScopeExit CleanUp([&] {
            if (Other) DestroyWindow(Other);
        });
        TTimedSteps Steps(20, [&] {
            if (!Box || Step < 0) return;
            // Bounds a failure: the box's loop would otherwise never end.
            if (++Ticks > 1500) {
                ADD_FAILURE() << "the box stopped at step " << Step;
                Step = -1;
                PostMessageW(Box, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            switch (Step) {
            case 0:  // the classic box
                if (!IsWindowVisible(Box) || GetActiveWindow() != Box) return;
                TestHooks::PumpPending();
                Client = ClientSize(Box);
                GetWindowRect(Box, &Window);
                Icon = ChildAt();
                EXPECT_TRUE(RepaintedPicture(Box, Before));
                Data->SetActive(true);
                Step = 10;
                return;
            case 10:  // the skin switched on reaches a box already shown when it is activated again
                if (SkinManager->CommandTimer->Enabled()) return;
                Other = CreateWindowExW(0, u"Static", u"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                                        nullptr, nullptr);
                SetActiveWindow(Other);
                Step = 11;
                return;
            case 11:
                if (GetActiveWindow() != Other) return;
                SetActiveWindow(Box);
                Step = 1;
                return;
            case 1: {  // skinned
                TSkinnedWindow* S = SkinOf(Box);
                if (!S || GetActiveWindow() != Box) return;
                TestHooks::PumpPending();
                const int Plain = Client.cx + S->BorderLeft + S->BorderRight;
                const int Need = Data->Title->LeftWidth + S->CaptionTextWidth + Data->Title->RightWidth;
                RECT W;
                GetWindowRect(Box, &W);
                if (C.Pictures) {
                    EXPECT_LE(Need, Plain);
                    EXPECT_EQ(W.right - W.left, Plain);
                    EXPECT_EQ(ClientSize(Box).cx, Client.cx);
                    EXPECT_EQ(ChildAt().x, Icon.x);
                    ExpectWindowMatchesGolden(Box, "ui/skinned_message_box_active.png");
                } else {
                    // The box grows to its caption and keeps that width from then on.
                    EXPECT_GT(Need, Plain);
                    EXPECT_EQ(W.right - W.left, Need);
                    EXPECT_EQ(ClientSize(Box).cx, Client.cx + Need - Plain);
                    EXPECT_EQ(ChildAt().x, Icon.x + (Need - Plain) / 2);
                    Client.cx = ClientSize(Box).cx;
                }
                EXPECT_EQ(ClientSize(Box).cy, Client.cy);
                EXPECT_EQ(ChildAt().y, Icon.y);
                BorderTop = S->BorderTop;
                // The other window takes the activation.
                SetActiveWindow(Other);
                Step = 2;
                return;
            }
            case 2:  // inactive
                if (GetActiveWindow() != Other) return;
                TestHooks::PumpPending();
                if (C.Pictures) ExpectWindowMatchesGolden(Box, "ui/skinned_message_box_inactive.png");
                DestroyWindow(Other);
                Other = nullptr;
                SetActiveWindow(Box);
                Data->SetSkinFile(Variant);
                Step = 3;
                return;
            case 3:  // the frame built again from another skin file
                if (SkinManager->CommandTimer->Enabled() || !SkinOf(Box) || GetActiveWindow() != Box) return;
                TestHooks::PumpPending();
                EXPECT_NE(SkinOf(Box)->BorderTop, BorderTop);
                EXPECT_EQ(ClientSize(Box).cx, Client.cx);
                EXPECT_EQ(ClientSize(Box).cy, Client.cy);
                Data->SetActive(false);
                Step = 4;
                return;
            case 4: {  // classic again, then answered with a click
                if (SkinManager->FindSkinForm(Box)) return;
                TestHooks::PumpPending();
                EXPECT_EQ(ClientSize(Box).cx, Client.cx);
                EXPECT_EQ(ClientSize(Box).cy, Client.cy);
                if (C.Pictures) {
                    RECT W;
                    GetWindowRect(Box, &W);
                    EXPECT_EQ(W.right - W.left, Window.right - Window.left);
                    EXPECT_TRUE(RepaintedPicture(Box, After));
                    EXPECT_TRUE(SamePixels(Before, After)) << "compare " << Before << " with " << After;
                }
                RECT B;
                GetWindowRect(GetDlgItem(Box, IDOK), &B);
                TestHooks::Click(POINT{(B.left + B.right) / 2, (B.top + B.bottom) / 2});
                Step = 5;
                return;
            }
            default: return;
            }
        });
        TestHooks::OnNextModalWindow([&](HWND Window) { Box = Window; });
        const int Answer = Application->MessageBox("The DVD was written.", C.Caption, MB_OKCANCEL | MB_ICONINFORMATION);
        EXPECT_EQ(Step, 5);
        EXPECT_EQ(Answer, IDOK);
        if (!HasFailure()) {
            std::remove(Before.c_str());
            std::remove(After.c_str());
        }
        Data->SetSkinFile(Shipped);
        Data->SetActive(true);
        ASSERT_TRUE(TestHooks::PumpUntil([] { return !SkinManager->CommandTimer->Enabled() && SkinOf(frmMain->Handle()); },
                                         5000, "the shipped skin again"));
    }
}

// Under a skin whose borders are opaque the main window is a rectangle.
TEST_F(SkinnedProgramWindows, OpaqueBordersGiveARectangularWindow) {
    const HWND H = frmMain->Handle();
    Data->SetSkinFile(VariantFile("opaque"));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !SkinManager->CommandTimer->Enabled() && SkinOf(H); }, 5000,
                                     "the skin change"));
    TestHooks::PumpPending();
    RECT W;
    GetWindowRect(H, &W);
    HRGN Region = CreateRectRgn(0, 0, 0, 0);
    rtl::TScopeExit FreeRegion([Region] { DeleteObject(Region); });
    if (GetWindowRgn(H, Region) != ERROR) {
        RECT Box;
        EXPECT_EQ(GetRgnBox(Region, &Box), SIMPLEREGION);
        EXPECT_EQ(Box.right - Box.left, W.right - W.left);
        EXPECT_EQ(Box.bottom - Box.top, W.bottom - W.top);
    }
    ExpectWindowMatchesGolden(H, "ui/skinned_main_window_opaque.png");
}

// The main window's skinned menus open as a user opens them; each step runs
// from a timer inside the menu loop. Once the first popup shows, Keys are
// pressed; the popups are taken once Popups of them have shown, with nothing
// left to paint, for a few ticks.
class SkinnedMainMenus : public SkinnedProgramWindows {
protected:
    void OpenAndCompare(const std::function<void()>& Open, const std::vector<int>& Keys, size_t Popups,
                        const std::string& Popup, const std::string& Desktop) {
        bool Done = false, Pressed = false;
        int Ticks = 0, Shown = 0;
        TTimedSteps Steps(20, [&] {
            if (Done) return;
            const std::vector<HWND> P = ShownPopups();
            // Bounds a failure: the menu loop would otherwise never end.
            if (++Ticks > 250) {
                Done = true;
                ADD_FAILURE() << P.size() << " of " << Popups << " popups showed";
                for (size_t I = 0; I <= Popups; ++I) TestHooks::PressKey(VK_ESCAPE);
                return;
            }
            if (P.empty()) return;
            if (!Pressed) {
                Pressed = true;
                for (int K : Keys) TestHooks::PressKey(K);
                return;
            }
            bool Painted = P.size() == Popups;
            for (HWND H : P) Painted = Painted && !GetUpdateRect(H, nullptr, FALSE);
            if (!Painted || ++Shown < 5) return;
            Done = true;
            // The popup opened last lies on top of the others.
            ExpectWindowMatchesGolden(P.front(), Popup);
            RECT U;
            GetWindowRect(frmMain->Handle(), &U);
            for (HWND H : P) {
                RECT B;
                GetWindowRect(H, &B);
                UnionRect(&U, &U, &B);
            }
            ExpectDesktopRectMatchesGolden(U, Desktop);
            for (size_t I = 0; I < Popups; ++I) TestHooks::PressKey(VK_ESCAPE);
        });
        Open();
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return Done && ShownPopups().empty(); }, 10000,
                                         "the popups shown and closed"));
        TestHooks::PumpPending();
    }
    POINT BarItemCentre(int Index) {
        TSkinnedWindow* S = SkinOf(frmMain->Handle());
        RECT W;
        GetWindowRect(frmMain->Handle(), &W);
        const TRect& R = S->MenuBar->Items[static_cast<size_t>(Index)]->Rect;
        return POINT{W.left + (R.left + R.right) / 2, W.top + (R.top + R.bottom) / 2};
    }
};

TEST_F(SkinnedMainMenus, TheFilePopupTheNestedLanguagePopupAndTheSystemMenuMatchTheirPictures) {
    ASSERT_NE(SkinOf(frmMain->Handle())->MenuBar, nullptr);
    OpenAndCompare([&] { TestHooks::Click(BarItemCentre(0)); }, {}, 1, "ui/main_file_popup.png",
                   "ui/main_window_file_open.png");
    // Tools, then its last item (Language) with Up, opened with Right.
    OpenAndCompare([&] { TestHooks::Click(BarItemCentre(1)); }, {VK_UP, VK_RIGHT}, 2, "ui/main_language_popup.png",
                   "ui/main_window_language_open.png");
    OpenAndCompare([] { TestHooks::PressKey(VK_SPACE, /*Shift=*/false, /*Ctrl=*/false, /*Alt=*/true); }, {}, 1,
                   "ui/main_system_menu.png", "ui/main_window_system_menu_open.png");
}

// The language chosen in the skinned Language submenu renames the skinned
// bar's items as well as the menu's.
TEST_F(SkinnedMainMenus, ALanguageChosenInTheSkinnedMenuRenamesTheBar) {
    TSkinnedWindow* S = SkinOf(frmMain->Handle());
    ASSERT_NE(S->MenuBar, nullptr);
    ASSERT_EQ(S->MenuBar->Items[0]->Caption, u"File");
    int German = -1;
    for (int I = 0; I < frmMain->mniSettingsLanguage->Count(); ++I)
        if (frmMain->mniSettingsLanguage->Items(I)->Caption() == "Deutsch") German = I;
    ASSERT_GE(German, 0);
    // Up selects Language, Right opens it on its first item, Down walks to Deutsch.
    std::vector<int> Keys{VK_UP, VK_RIGHT};
    for (int I = 0; I < German; ++I) Keys.push_back(VK_DOWN);
    Keys.push_back(VK_RETURN);
    bool Pressed = false;
    int Ticks = 0;
    TTimedSteps Steps(20, [&] {
        if (Pressed) return;
        if (++Ticks > 250) {
            Pressed = true;
            ADD_FAILURE() << "the Tools popup did not show";
            TestHooks::PressKey(VK_ESCAPE);
            return;
        }
        if (ShownPopups().empty()) return;
        Pressed = true;
        for (int K : Keys) TestHooks::PressKey(K);
    });
    TestHooks::Click(BarItemCentre(1));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Pressed && ShownPopups().empty(); }, 10000, "the menu closed"));
    TestHooks::PumpPending();
    EXPECT_EQ(frmMain->mniFile->Caption(), "Datei");
    S = SkinOf(frmMain->Handle());
    ASSERT_NE(S, nullptr);
    ASSERT_GE(S->MenuBar->Items.size(), 3u);
    EXPECT_EQ(S->MenuBar->Items[0]->Caption, u"Datei");
    EXPECT_EQ(S->MenuBar->Items[1]->Caption, u"Extras");
    EXPECT_EQ(S->MenuBar->Items[2]->Caption, u"Hilfe");
}

}  // namespace
