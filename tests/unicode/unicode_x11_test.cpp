// The Unicode layer on a real X server (an Xvfb of the test's own): the wide
// message dialog and an opened popup of wide menu items show exactly the
// pixels of their headless golden images, and Ctrl+C typed into the dialog
// puts its text on the desktop's clipboard, where xclip reads it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/xvfb_server.h"
#include "platform/commctl/testhooks.h"
#include "platform/screen/headless.h"
#include "platform/win/winscreen.h"
#include "unicode/unicodestartup.h"
#include "unicode/unidialogs.h"
#include "unicode/unimenus.h"
#include "unicode/uniforms.h"
#define UNI_TEST_NO_SCREEN
#include "uni_test_env.h"

using namespace xvfbtest;

namespace {

std::string RunTool(const std::string& Command) {
    std::string Out;
    if (FILE* P = popen(Command.c_str(), "r")) {
        char Buf[4096];
        size_t N;
        while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) Out.append(Buf, N);
        pclose(P);
    }
    return Out;
}

// How many pixels of the window, as the X server holds them, differ from the
// golden image; -1 while the window is not shown at the golden's size.
long DiffFromGolden(HWND Window, const std::string& Golden) {
    std::vector<uint32_t> Shown, Want;
    int W = 0, H = 0, GW = 0, GH = 0;
    if (!LoadPixelsPng(std::string(TESSARO_TEST_DATA) + "/" + Golden, Want, GW, GH)) return -2;
    if (!X11ReadBack(WinCurrentScreen(), Window, Shown, W, H) || W != GW || H != GH) return -1;
    long Diff = 0;
    for (size_t I = 0; I < Shown.size(); ++I) Diff += (Shown[I] & 0xFFFFFF) != (Want[I] & 0xFFFFFF);
    return Diff;
}

// Waits (bounded) until the server shows the window at the golden's size.
long WaitAndDiff(HWND Window, const std::string& Golden) {
    long Diff = -1;
    for (auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         std::chrono::steady_clock::now() < End; std::this_thread::yield()) {
        UpdateWindow(Window);
        Diff = DiffFromGolden(Window, Golden);
        if (Diff == 0) break;
    }
    return Diff;
}

class UniX11 : public ::testing::Test {
protected:
    void SetUp() override {
        const char* Given = std::getenv("DISPLAY");
        Saved = Given ? Given : "";
        std::string Why;
        if (!Xvfb.Start(Why)) GTEST_SKIP() << "x11 test skipped: " << Why;
        setenv("TESSARO_SCREEN", "x11", 1);
        WinStartup();
        ASSERT_STREQ(WinCurrentScreen()->Name(), "x11");
        FormsStartup();
        UnicodeStartup();
        Opened = true;
    }
    void TearDown() override {
        if (Opened) {
            ModalLoopHooks.clear();
            UnicodeShutdown();
            FormsShutdown();
            WinShutdown();
        }
        Xvfb.Stop();
        if (Saved.empty()) unsetenv("DISPLAY");
        else setenv("DISPLAY", Saved.c_str(), 1);
    }
    // Runs Action from inside the next modal form's loop.
    void OnNextModal(std::function<void(TCustomForm*)> Action) {
        ModalLoopHooks.push_back([this, Action](TCustomForm* F) {
            ModalLoopHooks.clear();
            Pending = [F, Action] { Action(F); };
            SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR Id, DWORD) {
                KillTimer(nullptr, Id);
                auto Run = std::move(Current->Pending);
                if (Run) Run();
            });
        });
        Current = this;
    }
    static inline UniX11* Current = nullptr;
    std::function<void()> Pending;
    TXvfb Xvfb;
    std::string Saved;
    bool Opened = false;
};

TEST_F(UniX11, TheWarningDialogLooksAsHeadlessAndCtrlCReachesTheDesktopClipboard) {
    WideString longText;
    for (int i = 0; i < 12; ++i) longText += kGreek + u" " + kJapanese + u" " + kEmoji + u" ";
    long Diff = -1;
    bool Typed = false;
    OnNextModal([&](TCustomForm* F) {
        Diff = WaitAndDiff(F->Handle(), "unicode/warning_yes_no_cancel.png");
        // Ctrl+C as the X server delivers it to the focused dialog.
        Typed = std::system("xdotool key ctrl+c") == 0;
        const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < End && !IsClipboardFormatAvailable(CF_UNICODETEXT)) {
            Application->ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        F->ModalResult = mrCancel;
    });
    EXPECT_EQ(WideMessageDlgPosHelp(longText, mtWarning, mbYesNoCancel, 0, -1, -1, u""), mrCancel);
    EXPECT_EQ(Diff, 0) << "the dialog on the X server differs from unicode/warning_yes_no_cancel.png";
    ASSERT_TRUE(Typed);
    const WideString Divider = WideString(27, u'-') + u"\r\n";
    const WideString Expected = Divider + u"Warning\r\n" + Divider + longText + u"\r\n" + Divider +
                                u"Yes   No   Cancel   \r\n" + Divider;
    EXPECT_EQ(RunTool("xclip -o -selection clipboard"), WideToUtf8(Expected));
}

TEST_F(UniX11, AnOpenedPopupOfWideItemsLooksAsHeadless) {
    auto* form = new TUniForm(Application);
    form->SetBounds(40, 40, 300, 200);
    form->Show();
    auto* popup = new TPopupMenu(form);
    struct Item {
        WideString caption;
        TShortCut shortcut;
    } items[] = {{u"&" + kGreek, ShortCut('A', true, true, false)},
                 {kJapanese + u"(&F)", 0},
                 {u"-", 0},
                 {kEmoji + u" &x " + kJapanese, ShortCut(0x74, false, false, false)}};
    for (const Item& i : items) {
        auto* item = new TUniMenuItem(form);
        item->SetCaption(i.caption);
        item->SetShortCut(i.shortcut);
        popup->Items()->Add(item);
    }
    long Diff = -1;
    TestHookSetModalWindowHook([&](HWND w) {
        TestHookSetModalWindowHook(nullptr);
        Diff = WaitAndDiff(w, "unicode/popup_menu.png");
        PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    popup->Popup(60, 60);
    EXPECT_EQ(Diff, 0) << "the popup on the X server differs from unicode/popup_menu.png";
    form->Free();
}

}  // namespace
