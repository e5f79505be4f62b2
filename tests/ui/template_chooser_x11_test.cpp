// The template chooser on a real X server (an Xvfb of the test's own), driven
// with the X pointer through xdotool: opened with the main window's Choose
// button, its grid reads the previews, a click on the third thumbnail selects
// it, OK closes the chooser, and the main window shows the third preview.
// Skips when Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "core/globals.h"
#include "imaging/bitmaps/iebitmap.h"
#include "imaging/views/ieimageview.h"
#include "imaging/views/iemultiview.h"
#include "pipeline/template_chooser.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/scope.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/winscreen.h"
#include "tests/platform/xvfb_server.h"
#include "tests/ui/x11_program.h"
#include "temp_folder.h"
#include "ui/main_form.h"
#include "ui/program.h"

namespace {

using xvfbtest::PumpUntil;

// A preview picture: one colour, a size that tells it apart.
void WritePreview(const std::string& Path, int W, int H, TColor Colour) {
    TBitmap B(W, H, pf24bit);
    B.Canvas().Brush().SetColor(Colour);
    B.Canvas().FillRect(Bounds(0, 0, W, H));
    TJPEGImage J;
    J.Assign(B);
    J.SaveToFile(Path);
}

class TemplateChooserX11 : public ::testing::Test {
protected:
    void SetUp() override {
        std::string Why;
        Xdotool = xvfbtest::FindProgram("xdotool");
        if (Xdotool.empty()) GTEST_SKIP() << "xdotool is not installed";
        if (!Xvfb.Start(Why)) GTEST_SKIP() << Why;
        Root = Tmp.Slashed();
        ForceDirectories(Root + "app/langs");
        ForceDirectories(Root + "app/preview");
        WritePreview(Root + "app/preview/1.jpg", 64, 48, clBlue);
        WritePreview(Root + "app/preview/2.jpg", 80, 40, clGreen);
        WritePreview(Root + "app/preview/3.jpg", 40, 40, clRed);
        setenv("XDG_DATA_HOME", (Root + "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root + "config").c_str(), 1);
        setenv("TESSARO_SCREEN", "x11", 1);
        Started = ProgramStartup(Root + "app/");
        ScreenOpened = true;
        ASSERT_TRUE(Started);
        ASSERT_STREQ(WinCurrentScreen()->Name(), "x11");
        frmMain->Show();
        ASSERT_TRUE(PumpUntil([] { return frmMain->Showing(); }, 10000));
    }
    void TearDown() override {
        if (Started) ProgramShutdown();
        TThread::WaitForAllEnded(5000);
        // The screen lets go of the X server before the server goes.
        if (ScreenOpened) WinShutdown();
        Xvfb.Stop();
    }
    // The X pointer to a point of the screen, then a left click there.
    bool ClickAt(POINT P) {
        return Run({"mousemove", "--sync", std::to_string(P.x), std::to_string(P.y)}) == 0 && Run({"click", "1"}) == 0;
    }
    bool ClickOn(TControl* C) { return ClickAt(C->ClientToScreen(POINT{C->Width() / 2, C->Height() / 2})); }
    int Run(const std::vector<std::string>& Args) { return xvfbtest::RunXdotool(Xdotool, Args); }
    xvfbtest::TXvfb Xvfb;
    TTempFolder Tmp{"tessaro_chooser_x11"};
    std::string Xdotool, Root;
    bool Started = false, ScreenOpened = false;
};

TEST_F(TemplateChooserX11, AClickedThumbnailAndOkShowTheChosenPreview) {
    ASSERT_NE(frmTemplate, nullptr);
    ASSERT_EQ(frmMain->imgViewer->IEBitmap()->Width(), 64);  // template 1 at the start
    // The chooser is modal: its steps run from a timer inside its loop, each
    // once what the previous click did can be seen.
    int Step = 0;
    std::string Problem;
    bool AllShown = false;
    auto* Steps = new TTimer(frmMain);
    // Its handler uses this test's locals: it must not outlive them, also when an assertion returns early.
    rtl::TScopeExit FreeSteps([&] {
        Steps->SetEnabled(false);
        Steps->Free();
    });
    Steps->SetInterval(30);
    const auto GiveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    Steps->SetOnTimer([&](TObject*) {
        TIEMultiView* V = frmTemplate->imvView;
        if (std::chrono::steady_clock::now() > GiveUp) Problem = "the chooser did not go through its steps";
        if (Step == 0 && frmTemplate->Showing() && V->GetImageCount() == 3) {
            AllShown = true;
            for (int I = 0; I < 3; ++I) AllShown = AllShown && (V->IsImageStored(I) || V->IsImageCached(I));
            if (AllShown) {
                Step = 1;
                const TRect R = V->ThumbRect(2);
                if (!ClickAt(V->ClientToScreen(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2})))
                    Problem = "xdotool could not click the thumbnail";
            }
        } else if (Step == 1 && V->SelectedImage() == 2) {
            Step = 2;
            if (!ClickOn(frmTemplate->btnOK)) Problem = "xdotool could not click OK";
        }
        if (!Problem.empty() && frmTemplate->Showing()) frmTemplate->ModalResult = mrCancel;
    });
    // Opened as a user does: the main window's Choose button.
    ASSERT_TRUE(ClickOn(frmMain->btnChooseAnotherTemplate));
    const bool Closed = PumpUntil([&] { return (Step == 2 || !Problem.empty()) && !frmTemplate->Showing(); }, 90000);
    EXPECT_TRUE(Problem.empty()) << Problem;
    EXPECT_TRUE(AllShown) << "the grid did not read the previews";
    EXPECT_TRUE(Closed) << "the chooser did not close (step " << Step << ")";
    EXPECT_EQ(Options.TemplateIndex, 3);
    EXPECT_EQ(frmMain->imgViewer->IEBitmap()->Width(), 40);  // the chosen preview
}

}  // namespace
