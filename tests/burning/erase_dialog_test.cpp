// The erase dialog on the burning library's image recorder: a burnt disc is
// erased to empty with the progress reaching 100, the success box or the
// closing by itself, the failure box, and a drive that reports write speed 0.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "burning/burn_engine.h"
#include "burning/burn_step.h"
#include "burning/erase_dialog.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "controls/golden_png.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The library's calls with the erase and the speed query changeable by a test.
TBurnLibCalls Calls;
std::atomic<bool> FailBlank{false}, ZeroWriteSpeed{false}, NoDrives{false};
std::atomic<int> BlankWaitsForPercent{-1};  // the erase holds until the bar shows this
std::atomic<int> ShownPercent{0};
std::atomic<int32_t> LastEraseType{-1};

uint8_t TestBlank(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, int32_t EraseType) {
    LastEraseType = EraseType;
    for (int I = 0; I < 1000 && BlankWaitsForPercent >= 0 && ShownPercent < BlankWaitsForPercent; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (FailBlank) {
        std::snprintf(ExceptionText, ExceptionTextSize, "%s", "medium error");
        *SystemError = 5;
        return BURNLIB_ERROR_GENERAL;
    }
    return BurnLibEntryPoints().BurnLib_Recorder_Blank(Handle, ExceptionText, ExceptionTextSize, SystemError,
                                                       FailureInfo, EraseType);
}

uint8_t TestGetSpeeds(BURNLIB_HANDLE Handle, BURNLIB_ERROR_ARGS, uint32_t* CurrentRead, uint32_t* MaximumRead,
                      uint32_t* CurrentWrite, uint32_t* MaximumWrite) {
    uint8_t R = BurnLibEntryPoints().BurnLib_Recorder_GetSpeeds(Handle, ExceptionText, ExceptionTextSize, SystemError,
                                                                FailureInfo, CurrentRead, MaximumRead, CurrentWrite,
                                                                MaximumWrite);
    if (ZeroWriteSpeed) *CurrentWrite = 0;
    return R;
}

uint8_t TestCreateEx(BURNLIB_HANDLE* Handle, BURNLIB_ERROR_ARGS, const char* DeviceName, BURNLIB_CALLBACK Callback,
                     void* Context, int32_t ProbeOnly) {
    if (NoDrives) return BURNLIB_ERROR_NO_DRIVE;
    return BurnLibEntryPoints().BurnLib_Recorder_CreateEx(Handle, ExceptionText, ExceptionTextSize, SystemError,
                                                          FailureInfo, DeviceName, Callback, Context, ProbeOnly);
}

class EraseDialog : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = Scratch.Path();
        setenv("TESSARO_RECORDER_DIR", (Dir / "images").c_str(), 1);
        unsetenv("TESSARO_RECORDER_CAPACITY");
        TestHooks::Start();
        TestHooks::SetModalWatchdog(60000);
        InitUITexts();
        Calls = BurnLibEntryPoints();
        Calls.BurnLib_Recorder_Blank = TestBlank;
        Calls.BurnLib_Recorder_GetSpeeds = TestGetSpeeds;
        Calls.BurnLib_Recorder_CreateEx = TestCreateEx;
        SetBurnLibCalls(&Calls);
        FailBlank = false;
        ZeroWriteSpeed = false;
        NoDrives = false;
        BlankWaitsForPercent = -1;
        ShownPercent = 0;
        LastEraseType = -1;
        sbCallBackEventer = std::make_unique<TsbCallBackEventer>();
        sbCallBackEventer->OnMessage = [this](const std::string& Text, int Kind) {
            Messages.push_back(Text + "|" + std::to_string(Kind));
        };
        ASSERT_EQ(BurnLibDll->BurnLib_UpStartEx(), 1);
    }
    void TearDown() override {
        if (Dialog) Dialog->Free();
        TestHooks::PumpPending();
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        EXPECT_TRUE(TestHooks::Failures().empty()) << TestHooks::Failures().front();
        sbCallBackEventer.reset();
        SetBurnLibCalls(nullptr);
        TestHooks::SetModalWatchdog(0);
        TestHooks::Stop();
    }

    // Burns a small VIDEO_TS folder onto the recorder's disc.
    void BurnSomething() {
        fs::path V = Dir / "dvd" / "VIDEO_TS";
        fs::create_directories(V);
        for (const char* N : {"VIDEO_TS.IFO", "VIDEO_TS.VOB", "VIDEO_TS.BUP"}) {
            std::ofstream F(V / N, std::ios::binary);
            F << std::string(300000, 'x');
        }
        TsbBurner B;
        B.DeviceFinder->Transport = ttSpti;
        B.DeviceFinder->FindDevices(false);
        ASSERT_GT(B.DeviceFinder->Devices->Count(), 0);
        TsbDeviceItem* E = B.DeviceFinder->Devices->GetItem(0);
        B.TransportType = E->TransportType;
        B.DeviceName = E->DeviceName;
        B.DiscType = E->DiscType;
        B.DiscSpace = B.DeviceFinder->GetDiscSpace(*E);
        B.OpenDevice();
        B.WriteSpeeds->FillWriteSpeeds(B);
        ASSERT_GT(B.WriteSpeeds->Count(), 0);
        B.BurnOptions.Speed = B.WriteSpeeds->GetItem(0)->SpeedInSize;
        ASSERT_TRUE(PrepareBurner(B)) << B.LastError;
        B.VideoBurnOptions = DvdVideoBurnOptions(V.string(), "ERASE ME", Now());
        B.BurnOptions.EjectAfterBurn = false;
        B.Cancelled = false;
        B.BurnVideo();
        ASSERT_TRUE(B.Success) << B.LastError;
    }

    TsbDiscSpace RecorderSpace() {
        TsbDeviceFinder F;
        F.Transport = ttSpti;
        F.FindDevices(false);
        EXPECT_GT(F.Devices->Count(), 0);
        return F.Devices->Count() ? F.GetDiscSpace(*F.Devices->GetItem(0)) : TsbDiscSpace{};
    }

    void MakeDialog() {
        Dialog = new TfrmEraseDisc(Application);
        Dialog->prgTotal->OnChange = [this](TObject*, int32_t P) {
            Progress.push_back(P);
            ShownPercent = P;
        };
    }

    void ExpectControlsEnabled(bool Enabled) {
        for (TControl* C : std::initializer_list<TControl*>{Dialog->cmbDevice, Dialog->cmbEraseSpeed, Dialog->btnRefresh,
                                                             Dialog->chkEjectAfterErase, Dialog->chkQuickErase,
                                                             Dialog->btnErase})
            EXPECT_EQ(C->Enabled(), Enabled) << C->Name();
    }

    // Shows the dialog, clicks Erase and waits for the box that ends the erase.
    void EraseAndWaitForBox() {
        TestHooks::ScriptMessageBoxes({IDOK});
        Dialog->Show();
        TestHooks::Click(Dialog->btnErase);
        auto R = TestHooks::PumpUntil([] { return !TestHooks::MessageBoxesShown().empty(); }, 30000,
                                      "the box at the end of the erase");
        ASSERT_TRUE(R) << R.What;
    }

    static void ExpectRisesTo100(const std::vector<int32_t>& P) {
        ASSERT_FALSE(P.empty());
        EXPECT_EQ(P.back(), 100);
        for (size_t I = 1; I < P.size(); ++I) EXPECT_GE(P[I], P[I - 1]) << "at " << I;
    }

    TTempFolder Scratch{"erasedlg"};
    fs::path Dir;
    TfrmEraseDisc* Dialog = nullptr;
    std::vector<int32_t> Progress;
    std::vector<std::string> Messages;
};

TEST_F(EraseDialog, ErasesABurntDiscToEmptyWithProgressTo100) {
    BurnSomething();
    if (HasFatalFailure()) return;
    TsbDiscSpace Burnt = RecorderSpace();
    ASSERT_GT(Burnt.UsedBytes, 0);

    Messages.clear();
    MakeDialog();
    EXPECT_EQ(Dialog->Caption(), "Erase Disc");
    EXPECT_EQ(Dialog->lblDevice->Caption(), "Driver:");
    EXPECT_EQ(Dialog->lblDescription->Caption(), IDS_ERASEDISC_LABEL_Description);
    EXPECT_EQ(Dialog->chkQuickErase->Caption(), "Quick erase");
    EXPECT_EQ(Dialog->chkEjectAfterErase->Caption(), "Eject after erasing");
    EXPECT_EQ(Dialog->btnErase->Caption(), "Erase");
    EXPECT_EQ(Dialog->lblStatus->Caption(), "");
    EXPECT_FALSE(Dialog->CloseOnSuccess);
    ASSERT_GE(Dialog->cmbDevice->Items().Count(), 1);
    EXPECT_EQ(Dialog->DeviceNumber, Dialog->cmbDevice->Items().Count());
    EXPECT_EQ(Dialog->cmbDevice->ItemIndex(), Dialog->DeviceNumber - 1);
    EXPECT_EQ(Dialog->lblDiscSyteSource1->Caption(), DiscTypeName(Dialog->SelectedDiscType));
    EXPECT_EQ(Dialog->lblOnDiscSource1->Caption(), sbBytesToMBText(Burnt.UsedBytes) + " MB");
    EXPECT_EQ(Dialog->lblFreeSource1->Caption(), sbBytesToMBText(Burnt.FreeBytes) + " MB");
    EXPECT_GT(Dialog->cmbEraseSpeed->Items().Count(), 0);
    EXPECT_EQ(Dialog->cmbEraseSpeed->ItemIndex(), 0);
    EXPECT_TRUE(Dialog->chkQuickErase->Checked());
    EXPECT_EQ(Messages.front(), "Refresh Device!|0");

    EraseAndWaitForBox();
    EXPECT_FALSE(Dialog->Burner->EraseOptions.FullErase);
    EXPECT_EQ(LastEraseType.load(), ERASE_TYPE_BLANK_DISC_FAST);
    ExpectRisesTo100(Progress);
    EXPECT_EQ(Dialog->lblPencent->Caption(), "100%");
    EXPECT_EQ(Dialog->lblStatus->Caption(), "It may take few minutes to close disc, please wait....");
    const auto& Box = TestHooks::MessageBoxesShown().front();
    EXPECT_EQ(Box.Text, "Erasing completely!");
    EXPECT_EQ(Box.Caption, "Hint");
    EXPECT_EQ(Box.Flags & 0xF0, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
    ExpectControlsEnabled(true);
    EXPECT_TRUE(Dialog->Visible()) << "the dialog stays open after an erase";

    TsbDiscSpace Erased = RecorderSpace();
    EXPECT_EQ(Erased.UsedBytes, 0);
    EXPECT_EQ(Erased.FreeBytes, Erased.TotalBytes);
}

TEST_F(EraseDialog, FromTheBurnStepASuccessfulEraseClosesTheDialog) {
    BurnSomething();
    if (HasFatalFailure()) return;
    MakeDialog();
    Dialog->CloseOnSuccess = true;
    Dialog->chkEjectAfterErase->SetChecked(false);
    Dialog->chkEjectAfterErase->SetEnabled(false);
    TestHooks::OnNextModal([this](TCustomForm*) { TestHooks::Click(Dialog->btnErase); });
    Messages.clear();
    EXPECT_EQ(Dialog->ShowModal(), mrOk);
    EXPECT_TRUE(TestHooks::MessageBoxesShown().empty());
    EXPECT_EQ(Messages, std::vector<std::string>{"Erasing completely!|0"});
    ExpectRisesTo100(Progress);
    EXPECT_FALSE(Dialog->Burner->EraseOptions.EjectAfterErase);
    EXPECT_EQ(RecorderSpace().UsedBytes, 0);
}

TEST_F(EraseDialog, AFailedEraseShowsTheErrorBoxAndEnablesTheControls) {
    MakeDialog();
    FailBlank = true;
    EraseAndWaitForBox();
    const auto& Box = TestHooks::MessageBoxesShown().front();
    EXPECT_EQ(Box.Text, "An error occurred when erasing disc!");
    EXPECT_EQ(Box.Caption, "Error");
    EXPECT_EQ(Box.Flags & 0xF0, static_cast<UINT>(MB_ICONERROR));
    EXPECT_NE(Dialog->Burner->LastError.find("medium error"), std::string::npos) << Dialog->Burner->LastError;
    EXPECT_TRUE(Progress.empty() || Progress.back() < 100) << "a failed erase does not report 100";
    EXPECT_NE(Dialog->lblPencent->Caption(), "100%");
    ExpectControlsEnabled(true);
    EXPECT_TRUE(Dialog->Visible());
}

TEST_F(EraseDialog, WriteSpeedZeroKeepsTheProgressMoving) {
    ZeroWriteSpeed = true;
    MakeDialog();
    // The erase holds until the bar has moved on by itself: a stalled timer
    // would leave it at 0 until the erase gave up waiting.
    BlankWaitsForPercent = 1;
    EraseAndWaitForBox();
    EXPECT_EQ(TestHooks::MessageBoxesShown().front().Text, "Erasing completely!");
    bool Between = false;
    for (int32_t P : Progress) Between |= P > 0 && P < 100;
    EXPECT_TRUE(Between) << "the bar did not move before the erase ended";
    ExpectRisesTo100(Progress);
    EXPECT_EQ(Dialog->lblPencent->Caption(), "100%");
}

TEST_F(EraseDialog, WithoutAWriterTheDialogSaysSoAndSelectsNothing) {
    NoDrives = true;
    TestHooks::ScriptMessageBoxes({IDOK});
    MakeDialog();
    ASSERT_EQ(TestHooks::MessageBoxesShown().size(), 1u);
    EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Text, "Find no writable device!");
    EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Caption, "Hint");
    EXPECT_EQ(Dialog->cmbDevice->Items().Count(), 0);
    EXPECT_EQ(Dialog->cmbEraseSpeed->Items().Count(), 0);
    EXPECT_EQ(Dialog->lblDiscSyteSource1->Caption(), DiscTypeName(DISC_TYPE_UNKNOWN));
    EXPECT_EQ(Dialog->lblOnDiscSource1->Caption(), "0 MB");
    // The two skinned boxes in their stored look.
    Dialog->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Dialog->Showing(); }, 2000, "the dialog to show"));
    TestHooks::PumpPending();
    EXPECT_EQ(Dialog->chkQuickErase->Height(), 19);
    ExpectWindowMatchesGolden(Dialog->Handle(), "dialogs/erase_dialog_no_writer.png");
    // A writer plugged in later is found by Refresh.
    NoDrives = false;
    Dialog->btnRefreshClick(nullptr);
    EXPECT_EQ(Dialog->cmbDevice->Items().Count(), 1);
    EXPECT_EQ(Dialog->DeviceNumber, 1);
    EXPECT_GT(Dialog->cmbEraseSpeed->Items().Count(), 0);
    EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
}

TEST_F(EraseDialog, ChosenSpeedAndEraseKindGoToTheEngine) {
    MakeDialog();
    ASSERT_GT(Dialog->cmbEraseSpeed->Items().Count(), 0);
    int Last = Dialog->cmbEraseSpeed->Items().Count() - 1;
    Dialog->cmbEraseSpeed->SetItemIndex(Last);
    Dialog->chkQuickErase->SetChecked(false);
    Dialog->chkEjectAfterErase->SetChecked(true);
    Dialog->ApplyEraseOptions();
    const TsbEraseOptions& O = Dialog->Burner->EraseOptions;
    EXPECT_TRUE(O.FullErase);
    EXPECT_TRUE(O.EjectAfterErase);
    EXPECT_TRUE(O.ShowEraseProgress);
    EXPECT_EQ(O.Speed, Dialog->Burner->WriteSpeeds->GetItem(Last)->SpeedInSize);
    EXPECT_EQ(O.SpeedFactor, Dialog->Burner->WriteSpeeds->GetItem(Last)->SpeedInPoint);
    // The hub now drives this dialog.
    sbCallBackEventer->DoEraseProgress(nullptr, 42);
    EXPECT_EQ(Dialog->lblPencent->Caption(), "42%");
    EXPECT_EQ(Dialog->lblStatus->Caption(), "Erasing disc, please wait...");
    // A refresh keeps the chosen speed position while it is still in range.
    Dialog->btnRefreshClick(nullptr);
    EXPECT_EQ(Dialog->cmbEraseSpeed->ItemIndex(), Last);
    // Once the dialog is freed the hub no longer calls into it.
    Dialog->Free();
    Dialog = nullptr;
    EXPECT_FALSE(sbCallBackEventer->OnEraseProgress);
    EXPECT_FALSE(sbCallBackEventer->OnEraseDone);
    EXPECT_FALSE(sbCallBackEventer->OnError);
    sbCallBackEventer->DoEraseProgress(nullptr, 50);
}

}  // namespace
