// Under a real X server (Xvfb): a skinned check box stored as the main window
// stores its boxes toggles on a click of the X pointer (xdotool). Skips when
// Xvfb or xdotool is missing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "controls/skinned/sc_controls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/threads.h"
#include "platform/win/winscreen.h"
#include "tests/platform/xvfb_server.h"

namespace {

const char* const FormText = R"(object frmBoxes: TForm
  Left = 100
  Top = 120
  Caption = 'skinned x11'
  ClientHeight = 80
  ClientWidth = 260
  Font.Height = -11
  Font.Name = 'Tahoma'
  object chkCreateNoMenuDVD: TscCheckBox
    Left = 20
    Top = 20
    Width = 161
    Height = 19
    UIStyle = WinXP
    AutoSize = True
    Transparent = True
    Caption = 'Create DVD without menu'
  end
end
)";

TEST(SkinnedX11, APointerClickTogglesTheBox) {
    std::string Xdotool = xvfbtest::FindProgram("xdotool");
    if (Xdotool.empty()) GTEST_SKIP() << "xdotool is not installed";
    xvfbtest::TXvfb Xvfb;
    const char* Given = std::getenv("DISPLAY");
    std::string Saved = Given ? Given : "", Why;
    if (!Xvfb.Start(Why)) GTEST_SKIP() << Why;
    setenv("TESSARO_SCREEN", "x11", 1);
    WinStartup();
    if (std::string(WinCurrentScreen()->Name()) != "x11") {
        WinShutdown();
        Xvfb.Stop();
        GTEST_SKIP() << "the X display could not be opened";
    }
    FormsStartup();
    RegisterSkinnedControls();
    auto* F = new TForm(Application);
    ReadFormText(F, FormText, "frmBoxes.frm");
    auto* Box = dynamic_cast<TscCheckBox*>(F->FindComponent("chkCreateNoMenuDVD"));
    ASSERT_NE(Box, nullptr);
    int Clicks = 0;
    Box->OnClick = [&](TObject*) { ++Clicks; };
    F->Show();
    auto PumpFor = [](int Ms, const std::function<bool()>& Done) {
        auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
        while (!Done() && std::chrono::steady_clock::now() < End) {
            Application->ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    };
    PumpFor(2000, [&] { return Box->Height() == 19 && F->Showing(); });
    POINT P = Box->ClientToScreen(POINT{7, Box->Height() / 2});
    EXPECT_EQ(xvfbtest::RunXdotool(Xdotool, {"mousemove", "--sync", std::to_string(P.x), std::to_string(P.y)}), 0);
    EXPECT_EQ(xvfbtest::RunXdotool(Xdotool, {"click", "1"}), 0);
    PumpFor(5000, [&] { return Clicks != 0; });
    EXPECT_EQ(Clicks, 1);
    EXPECT_TRUE(Box->Checked());
    F->Free();
    FormsShutdown();
    WinShutdown();
    Xvfb.Stop();
    if (Saved.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", Saved.c_str(), 1);
}

}  // namespace
