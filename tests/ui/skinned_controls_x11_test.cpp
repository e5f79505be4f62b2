// The program's skinned controls on a real X server (an Xvfb of the test's
// own), driven with the X pointer through xdotool, with the settings of a new
// user: in the settings dialog a click on the skinned check box toggles it
// and a click on the skinned OK button closes the dialog; in the main window,
// with more files than the list shows, a click on the skinned scroll bar's
// down arrow scrolls the list one line.
// Skips when Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "platform/classlib/extctrls.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/rtl/sysutils.h"
#include "platform/screen/screen.h"
#include "platform/win/winscreen.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"
#include "skin/skin_scrollbars.h"
#include "tests/platform/xvfb_server.h"
#include "tests/ui/timed_steps.h"
#include "tests/ui/x11_program.h"
#include "temp_folder.h"
#include "ui/main_form.h"
#include "ui/program.h"
#include "ui/settings_wnd.h"

namespace {

using xvfbtest::OnScreen;
using xvfbtest::PumpUntil;

bool Skinned(TControl* C) { return C && C->Perform(SKIN_QUERY, 0, 0) == 1; }

class SkinnedControlsX11 : public xvfbtest::TProgramOnX11 {
protected:
    SkinnedControlsX11() : TProgramOnX11("tessaro_skin_x11") {}
    void SetUp() override {
        TProgramOnX11::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(ShowMainWindow([] { return Skinned(frmMain->lsvFiles); }))
            << "the main window was not shown with its controls skinned";
    }
};

TEST_F(SkinnedControlsX11, SettingsDialogCheckBoxToggledAndClosedWithOk) {
    ASSERT_NE(frmSettings, nullptr);
    // The dialog is modal: its steps run from a timer inside its loop, each
    // once what the previous click did can be seen.
    int Step = 0;
    bool Before = false, Toggled = false, ClickedOk = false;
    std::string Problem;
    // Bounds a failure: the dialog's own loop would otherwise never end.
    const auto GiveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    TTimedSteps Steps(30, [&] {
        TCheckBox* Box = frmSettings->chkDirectShow;
        if (std::chrono::steady_clock::now() > GiveUp) Problem = "the dialog did not go through its steps";
        if (Step == 0 && OnScreen(frmSettings->Handle()) && Skinned(Box) && Skinned(frmSettings->btnOK)) {
            Step = 1;
            Before = Box->Checked();
            if (!ClickOn(Box)) Problem = "xdotool could not click the check box";
        } else if (Step == 1 && Box->Checked() != Before) {
            Step = 2;
            Toggled = true;
            ClickedOk = ClickOn(frmSettings->btnOK);
            if (!ClickedOk) Problem = "xdotool could not click OK";
        }
        if (!Problem.empty() && frmSettings->Showing()) frmSettings->ModalResult = mrCancel;
    });
    // Opened as a user does: the Settings button of the main window.
    ASSERT_TRUE(ClickOn(frmMain->btnSettings));
    bool Closed = PumpUntil([&] { return (Step == 2 || !Problem.empty()) && !frmSettings->Showing(); }, 90000);
    Steps.Stop();
    EXPECT_TRUE(Problem.empty()) << Problem;
    EXPECT_TRUE(Toggled) << "the click on the skinned check box did not toggle it (step " << Step << ")";
    EXPECT_TRUE(ClickedOk);
    EXPECT_TRUE(Closed) << "the click on the skinned OK button did not close the dialog";
    EXPECT_EQ(frmSettings->ModalResult, mrOk);
    EXPECT_EQ(frmSettings->chkDirectShow->Checked(), !Before);
}

TEST_F(SkinnedControlsX11, MainListScrollsALineFromTheSkinnedDownArrow) {
    TListView* List = frmMain->lsvFiles;
    for (int I = 0; I < 60; ++I) List->Items().Add()->SetCaption("clip" + std::to_string(I) + ".mpg");
    TSkinListView* Skin = nullptr;
    for (int I = 0; I < List->ComponentCount() && !Skin; ++I) Skin = dynamic_cast<TSkinListView*>(List->Components(I));
    ASSERT_NE(Skin, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Skin->VertBar && Skin->VertBar->BarVisible; }, 10000))
        << "the list's skinned scroll bar did not show";
    ASSERT_EQ(SendMessageW(List->Handle(), LVM_GETTOPINDEX, 0, 0), 0);
    RECT Bar;
    GetWindowRect(Skin->VertBar->Handle(), &Bar);
    int Arrow = GetSystemMetrics(SM_CYVSCROLL);
    ASSERT_TRUE(ClickAt(POINT{(Bar.left + Bar.right) / 2, Bar.bottom - Arrow / 2}));
    EXPECT_TRUE(PumpUntil([&] { return SendMessageW(List->Handle(), LVM_GETTOPINDEX, 0, 0) != 0; }, 10000));
    EXPECT_EQ(SendMessageW(List->Handle(), LVM_GETTOPINDEX, 0, 0), 1);
}

}  // namespace
