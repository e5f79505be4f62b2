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
#include "platform/rtl/sysutils.h"
#include "platform/screen/screen.h"
#include "platform/win/winscreen.h"
#include "skin/skin_manager.h"
#include "skin/skin_window.h"
#include "tests/platform/xvfb_server.h"
#include "tests/ui/timed_steps.h"
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

class TemplateChooserX11 : public xvfbtest::TProgramOnX11 {
protected:
    TemplateChooserX11() : TProgramOnX11("tessaro_chooser_x11") {}
    void PrepareAppFolder() override {
        ForceDirectories(AppFolder + "preview");
        WritePreview(AppFolder + "preview/1.jpg", 64, 48, clBlue);
        WritePreview(AppFolder + "preview/2.jpg", 80, 40, clGreen);
        WritePreview(AppFolder + "preview/3.jpg", 40, 40, clRed);
    }
    void SetUp() override {
        TProgramOnX11::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // A click lands once the X window is viewable and the skin has given
        // it its frame (which resizes it).
        ASSERT_TRUE(ShowMainWindow([] {
            TSkinnedWindow* S = SkinManager ? SkinManager->FindSkinForm(frmMain->Handle()) : nullptr;
            return S && S->State == 1;
        }));
    }
};

TEST_F(TemplateChooserX11, AClickedThumbnailAndOkShowTheChosenPreview) {
    ASSERT_NE(frmTemplate, nullptr);
    ASSERT_EQ(frmMain->imgViewer->IEBitmap()->Width(), 64);  // template 1 at the start
    // The chooser is modal: its steps run from a timer inside its loop, each
    // once what the previous click did can be seen.
    int Step = 0;
    std::string Problem;
    bool AllShown = false;
    const auto GiveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    // Its handler uses this test's locals: it must not outlive them, also when an assertion returns early.
    TTimedSteps Steps(30, [&] {
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
