// The drive-scan window: shown by FindDevices(true) on the image recorder while
// the scan runs, its strip animating; closed when the scan ends; its Cancel
// stops the scan from adding drives.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "burning/burn_engine.h"
#include "burning/scan_dialog.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/classlib/extctrls.h"
#include "controls/golden_png.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/win/winscreen.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The library's calls with the drive probe held at a gate, so the test can act
// while the scan is running.
TBurnLibCalls GatedCalls;
std::atomic<bool> GateOpen{true};
std::atomic<int> GatedProbes{0};

uint8_t GatedCreateEx(BURNLIB_HANDLE* Handle, BURNLIB_ERROR_ARGS, const char* DeviceName, BURNLIB_CALLBACK Callback,
                      void* Context, int32_t ProbeOnly) {
    if (std::string(DeviceName) == "CDROM0") {
        ++GatedProbes;
        for (int I = 0; I < 1000 && !GateOpen; ++I) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return BurnLibEntryPoints().BurnLib_Recorder_CreateEx(Handle, ExceptionText, ExceptionTextSize, SystemError,
                                                          FailureInfo, DeviceName, Callback, Context, ProbeOnly);
}

TfrmOperationProgress* FindScanDialog() {
    for (int I = 0; I < Screen->FormCount(); ++I)
        if (auto* F = dynamic_cast<TfrmOperationProgress*>(Screen->Forms(I))) return F;
    return nullptr;
}

class ScanDialog : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = Scratch.Path();
        setenv("TESSARO_RECORDER_DIR", (Dir / "images").c_str(), 1);
        TestHooks::Start();
        InitUITexts();
        GatedCalls = BurnLibEntryPoints();
        GatedCalls.BurnLib_Recorder_CreateEx = GatedCreateEx;
        SetBurnLibCalls(&GatedCalls);
        GateOpen = true;
        GatedProbes = 0;
        ASSERT_EQ(BurnLibDll->BurnLib_UpStartEx(), 1);
    }
    void TearDown() override {
        GateOpen = true;
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        SetBurnLibCalls(nullptr);
        TestHooks::Stop();
    }
    // Runs Step on the GUI thread every 20 ms while FindDevices waits.
    void ScanWith(TsbDeviceFinder& Finder, std::function<void()> Step) {
        TTimer T(nullptr);
        T.SetInterval(20);
        T.SetOnTimer([&](TObject*) { Step(); });
        T.SetEnabled(true);
        Finder.FindDevices(true);
        T.SetEnabled(false);
    }
    static bool HasRecorder(const TsbDeviceFinder& Finder) {
        for (int I = 0; I < Finder.Devices->Count(); ++I)
            if (Finder.Devices->GetItem(I)->DeviceName == "CDROM0") return true;
        return false;
    }
    TTempFolder Scratch{"scandlg"};
    fs::path Dir;
};

TEST_F(ScanDialog, ShownWhileScanningWithItsStripMovingAndGoneAfter) {
    TsbDeviceFinder Finder;
    Finder.Transport = ttSpti;
    Finder.InfoText = IDS_Main_Info_FindDevice;
    GateOpen = false;
    std::string Caption, Info;
    bool Visible = false, CancelShown = false, StayOnTop = false;
    int FirstFrame = -1, Frames = 0, Last = -1;
    ScanWith(Finder, [&] {
        TfrmOperationProgress* D = FindScanDialog();
        if (!D || GateOpen || GatedProbes == 0) return;
        if (FirstFrame < 0) {
            Caption = D->Caption();
            Info = D->lblInfo->Caption();
            Visible = D->Visible() && D->Shown();
            CancelShown = D->btnCancel->Visible();
            StayOnTop = D->FormStyle == fsStayOnTop;
            FirstFrame = Last = D->gifPregress->FrameIndex();
        }
        if (D->gifPregress->FrameIndex() != Last) {
            Last = D->gifPregress->FrameIndex();
            ++Frames;
        }
        // Two frame changes show the strip animating; the scan may go on.
        if (Frames >= 2) GateOpen = true;
    });
    EXPECT_EQ(Caption, "Scanning Devices!");
    EXPECT_EQ(Info, "Finding DVD device to burn DVD!");
    EXPECT_TRUE(Visible);
    EXPECT_TRUE(CancelShown);
    EXPECT_TRUE(StayOnTop);
    EXPECT_GE(Frames, 2) << "the strip did not move while the scan waited";
    EXPECT_EQ(FindScanDialog(), nullptr) << "the scan window outlived the scan";
    EXPECT_TRUE(HasRecorder(Finder));
}

TEST_F(ScanDialog, CancelShowsCancellingAndStopsAddingDrives) {
    TsbDeviceFinder Finder;
    Finder.Transport = ttSpti;
    GateOpen = false;
    bool Clicked = false, CancellingShown = false, ButtonGreyed = false;
    ScanWith(Finder, [&] {
        TfrmOperationProgress* D = FindScanDialog();
        if (!D || Clicked || GatedProbes == 0) return;
        EXPECT_FALSE(D->lblCancelling->Visible());
        TestHooks::Click(D->btnCancel);
        TestHooks::PumpUntil([&] { return Finder.Devices->Cancelled.load(); }, 3000, "the scan to be cancelled");
        Clicked = true;
        CancellingShown = D->lblCancelling->Visible();
        ButtonGreyed = !D->btnCancel->Enabled();
        GateOpen = true;
    });
    EXPECT_TRUE(Clicked);
    EXPECT_TRUE(CancellingShown);
    EXPECT_TRUE(ButtonGreyed);
    EXPECT_FALSE(HasRecorder(Finder)) << "a drive was added after Cancel";
    EXPECT_EQ(FindScanDialog(), nullptr);

    // The next scan starts afresh and finds the recorder again.
    Finder.FindDevices(true);
    EXPECT_TRUE(HasRecorder(Finder));
}

TEST_F(ScanDialog, StripIsCentredBesideCancelAndAnimatesOnlyWhileShown) {
    auto* D = new TfrmOperationProgress(Application);
    EXPECT_EQ(D->ClientWidth(), 298);
    EXPECT_EQ(D->ClientHeight(), 73);
    EXPECT_EQ(D->lblInfo->Caption(), "");
    EXPECT_EQ(D->Caption(), "OperationProgress");
    // The strip from the form is stretched into the 217 x 13 control.
    EXPECT_EQ(D->gifPregress->Image().GetScreenWidth(), 220);
    EXPECT_EQ(D->gifPregress->Image().GetScreenHeight(), 13);
    EXPECT_EQ(D->gifPregress->Image().GetCount(), 22);
    EXPECT_EQ(D->gifPregress->Width(), 217);
    EXPECT_EQ(D->gifPregress->Height(), 13);
    EXPECT_TRUE(D->gifPregress->Stretch());
    EXPECT_FALSE(D->gifPregress->Transparent());
    EXPECT_FALSE(D->gifPregress->Animate());

    D->Show();
    EXPECT_TRUE(D->Shown());
    EXPECT_TRUE(D->gifPregress->Animate());
    EXPECT_EQ(D->gifPregress->Left(), (D->btnCancel->Left() - 217) / 2);
    D->Hide();
    EXPECT_FALSE(D->Shown());
    EXPECT_FALSE(D->gifPregress->Animate());

    D->SetCancelVisible(false);
    D->Show();
    EXPECT_EQ(D->gifPregress->Left(), (298 - 217) / 2);

    // Without a cancel handler the button does nothing.
    D->SetCancelVisible(true);
    D->btnCancelClick(D->btnCancel);
    EXPECT_FALSE(D->lblCancelling->Visible());
    EXPECT_TRUE(D->btnCancel->Enabled());
    D->Hide();
    D->Free();
}

TEST_F(ScanDialog, DraggingTheInfoPanelMovesTheWindow) {
    auto* D = new TfrmOperationProgress(Application);
    D->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return D->Showing(); }, 2000, "the scan window"));
    int L = D->Left(), T = D->Top();
    POINT From = D->lblInfo->ClientToScreen(POINT{30, 20});
    WinHeadlessScreen()->Drag(From, POINT{From.x + 40, From.y + 25}, 5);
    EXPECT_TRUE(TestHooks::PumpUntil([&] { return D->Left() == L + 40 && D->Top() == T + 25; }, 3000, "the move"));
    D->Free();
}

TEST_F(ScanDialog, StripShowsTheStoredFramesEveryFiftyMilliseconds) {
    auto* D = new TfrmOperationProgress(Application);
    TAgGIFAnimator* G = D->gifPregress;
    // Every frame of the stored strip has delay 0, shown for 50 ms.
    for (int F = 0; F < G->Image().GetCount(); ++F) EXPECT_EQ(G->FrameDelay(F), 50u) << F;
    for (int F : {0, 11}) {
        G->SetFrameIndex(F);
        D->Show();
        D->gifPregress->SetAnimate(false);
        TestHooks::PumpPending();
        ExpectWindowMatchesGolden(D->Handle(), "dialogs/scan_dialog_frame" + std::to_string(F) + ".png");
    }
    D->Free();
}

}  // namespace
