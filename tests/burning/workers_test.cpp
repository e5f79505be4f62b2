// The engine's workers against the scripted library, with the application's
// message processing on the GUI thread: burning (with the library callback on
// the worker), cancelling from the GUI thread while the burn waits, erasing
// with its progress timer, scanning drives, and workers joined before their
// engine goes.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "burning/burn_engine.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "fake_burnlib.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/system/process.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("TESSARO_SCREEN", "headless", 1);
        InitUITexts();
        FormsStartup();
    }
    void TearDown() override {
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        FormsShutdown();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

struct TStatus {
    std::string Text;
    int Kind;
    bool OnGui;
};

class WorkersTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeburn::Install();
        sbResetCallbackState();
        Gui = GetCurrentThreadId();
        sbCallBackEventer = std::make_unique<TsbCallBackEventer>();
        sbCallBackEventer->OnMessage = [this](const std::string& Text, int Kind) {
            std::lock_guard<std::mutex> G(Lock);
            Statuses.push_back({Text, Kind, GetCurrentThreadId() == Gui});
        };
        sbCallBackEventer->OnProgress = [this](TObject*, int P) {
            std::lock_guard<std::mutex> G(Lock);
            Progress.push_back(P);
        };
        sbCallBackEventer->OnBuffer = [this](TObject*, int P) {
            std::lock_guard<std::mutex> G(Lock);
            Buffer.push_back(P);
        };
        sbCallBackEventer->OnEraseProgress = [this](TObject*, int P) { EraseProgress.push_back(P); };
        sbCallBackEventer->OnEraseDone = [this](TObject*, bool S) { EraseDone.push_back(S); };
        sbCallBackEventer->OnError = [this](TObject*, const std::string& T) {
            std::lock_guard<std::mutex> G(Lock);
            Errors.push_back(T);
        };
        Burner = std::make_unique<TsbBurner>();
        Burner->TransportType = ttSpti;
        Burner->DeviceName = "CDROM0";
        Burner->OpenDevice();
        Burner->VideoBurnOptions.VideoKind = 2;
        Burner->VideoBurnOptions.VideoTsFolder = "/discs/Trip/VIDEO_TS";
        Burner->VideoBurnOptions.VolumeLabel = "TRIP";
    }
    void TearDown() override {
        Burner.reset();
        sbCallBackEventer.reset();
        fakeburn::Remove();
    }
    std::vector<std::string> StatusTexts() {
        std::vector<std::string> R;
        for (const auto& S : Statuses) R.push_back(S.Text);
        return R;
    }

    DWORD Gui = 0;
    std::mutex Lock;
    std::vector<TStatus> Statuses;
    std::vector<int> Progress, Buffer, EraseProgress;
    std::vector<bool> EraseDone;
    std::vector<std::string> Errors;
    std::unique_ptr<TsbBurner> Burner;
};

// Sends what a burn of 2 GB sends: a skipped name, progress, buffer fill.
void ScriptedBurnCallbacks(BURNLIB_CALLBACK Callback, void* Context) {
    char Name[] = "Thumbs.db";
    int32_t Nodes = 1;
    Callback(BURNLIB_CB_IGNORED_NAME, Context, Name, &Nodes);
    int64_t Total = 2'000'000'000LL;
    for (int64_t Done : {0LL, 1'000'000'000LL, 1'000'000'000LL, 2'000'000'000LL}) {
        Callback(BURNLIB_CB_PROGRESS, Context, &Total, &Done);
        uint32_t Size = 4194304, Free = 1048576;
        Callback(BURNLIB_CB_BUFFER, Context, &Size, &Free);
    }
}

TEST_F(WorkersTest, BurnVideoRunsOnAWorkerAndFinishesTheDisc) {
    fakeburn::Script().DuringBurn = ScriptedBurnCallbacks;
    Burner->BurnVideo();
    EXPECT_TRUE(Burner->Success);
    EXPECT_EQ(Burner->LastError, "");
    EXPECT_EQ(fakeburn::State().LastVideoTsFolder, "/discs/Trip/VIDEO_TS");
    EXPECT_EQ(fakeburn::State().LastVolumeLabel, "TRIP");
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"Start to burn...!", "Ignoring name \"Thumbs.db\", tree node(s) 1",
                                                       "Closing Session!", "Eject!"}));
    // The worker's statuses come on the worker, the engine's own on the GUI thread.
    EXPECT_FALSE(Statuses[0].OnGui);
    EXPECT_FALSE(Statuses[1].OnGui);
    EXPECT_TRUE(Statuses[2].OnGui);
    EXPECT_EQ(Progress, (std::vector<int>{0, 50, 100, 100, 100}));
    EXPECT_EQ(Buffer, (std::vector<int>{75, 75, 75, 75}));
    EXPECT_EQ(fakeburn::CountOf("BurnLib_DVDVideo_Destroy"), 1);
    EXPECT_EQ(Burner->BurnThread.load(), nullptr);
    EXPECT_EQ(Burner->BurnThreadHandle, INVALID_HANDLE_VALUE);
}

TEST_F(WorkersTest, ATestBurnNeitherClosesNorEjects) {
    Burner->BurnOptions.TestMode = true;
    Burner->BurnVideo();
    EXPECT_TRUE(Burner->Success);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_CloseSession"), 0);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Eject"), 0);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_ReleaseMedium"), 1);
}

TEST_F(WorkersTest, AFailedBurnKeepsTheTextAndStillFinishes) {
    fakeburn::Script().Fail["BurnLib_Recorder_TrackAtOnceFromTree"] = BURNLIB_ERROR_WRITE;
    Burner->BurnVideo();
    EXPECT_FALSE(Burner->Success);
    EXPECT_EQ(Burner->LastError,
              "BurnLib_Recorder_TrackAtOnceFromTree() failed, exception 8, status 5, text \"scripted failure\"");
    EXPECT_EQ(fakeburn::CountOf("BurnLib_DVDVideo_Destroy"), 1);
}

TEST_F(WorkersTest, VideoKindAboveTwoDoesNothing) {
    Burner->VideoBurnOptions.VideoKind = 3;
    size_t Before = fakeburn::Calls().size();
    Burner->BurnVideo();
    EXPECT_EQ(fakeburn::Calls().size(), Before);
    EXPECT_TRUE(Statuses.empty());
    EXPECT_TRUE(Progress.empty());
}

TEST_F(WorkersTest, CancelFromTheGuiThreadWhileBurnVideoWaits) {
    // The library holds the burn until it is cancelled; a timer on the GUI
    // thread, served by the wait loop, presses Cancel.
    fakeburn::Script().BurnWaitsForCancel = true;
    TTimer Timer(nullptr);
    Timer.SetInterval(30);
    DWORD CancelledOn = 0;
    Timer.SetOnTimer([&](TObject*) {
        if (!fakeburn::State().Burning) return;
        Timer.SetEnabled(false);
        CancelledOn = GetCurrentThreadId();
        Burner->CancelBurn();
    });
    Burner->BurnVideo();
    Timer.SetEnabled(false);
    EXPECT_EQ(CancelledOn, Gui);
    EXPECT_FALSE(Burner->Success);
    EXPECT_FALSE(Burner->Cancelled);
    EXPECT_EQ(Burner->LastError, "");
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"Start to burn...!", "Burning Cancelled!"}));
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_CloseSession"), 0);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Eject"), 0);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_ReleaseMedium"), 1);
}

TEST_F(WorkersTest, ACancelConfirmedAfterTheWriteEndedLeavesTheBurnFinished) {
    // The library holds the burn; the GUI thread lets it write the whole disc,
    // and only once the write has its result is the cancel confirmed (as when
    // the write ends under the cancel question).
    fakeburn::Script().BurnHeld = true;
    TTimer Timer(nullptr);
    Timer.SetInterval(30);
    Timer.SetOnTimer([&](TObject*) {
        if (!fakeburn::State().Burning) return;
        Timer.SetEnabled(false);
        fakeburn::ReleaseBurn();
        while (fakeburn::State().Burning) std::this_thread::yield();
        Burner->CancelBurn();
    });
    Burner->BurnVideo();
    Timer.SetEnabled(false);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Cancel"), 1);
    EXPECT_TRUE(Burner->Success);
    EXPECT_FALSE(Burner->Cancelled);
    EXPECT_EQ(Burner->LastError, "");
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"Start to burn...!", "Closing Session!", "Eject!"}));
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_CloseSession"), 1);
}

TEST_F(WorkersTest, ACancelBeforeTheWorkerStartsBurnsNothing) {
    Burner->Cancelled = true;
    Burner->BurnVideo();
    EXPECT_FALSE(Burner->Success);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_DVDVideo_Create"), 0);
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"Start to burn...!", "Burning Cancelled!"}));
}

TEST_F(WorkersTest, EraseTicksOnTheGuiThreadAndEndsAtHundred) {
    Burner->DiscType = DISC_TYPE_CDRW;
    Burner->EraseOptions.Speed = 9152;
    // 45 MiB at 9152 KB/s: a tick every 50 ms while the blank takes 600 ms.
    fakeburn::Script().BlankMs = 600;
    Burner->Erase();
    EXPECT_TRUE(Burner->Success);
    EXPECT_EQ(fakeburn::State().LastBlankType, ERASE_TYPE_BLANK_DISC_FAST);
    ASSERT_GE(EraseProgress.size(), 3u);
    EXPECT_EQ(EraseProgress.front(), 0);
    EXPECT_EQ(EraseProgress.back(), 100);
    for (size_t I = 1; I + 1 < EraseProgress.size(); ++I) EXPECT_EQ(EraseProgress[I], static_cast<int>(I));
    EXPECT_EQ(EraseDone, std::vector<bool>{true});
}

TEST_F(WorkersTest, EraseWithoutAReportedSpeedStillProgressesAndEnds) {
    // A full erase of an empty disc on a drive that reports speed 0: the
    // timer ticks every millisecond and stops at 100.
    fakeburn::Script().WriteSpeedFor = [](uint32_t) -> uint32_t { return 0; };
    fakeburn::Script().BlankMs = 400;
    Burner->EraseOptions.FullErase = true;
    Burner->DiscType = DISC_TYPE_DVDPLUSRW;
    Burner->Erase();
    EXPECT_EQ(fakeburn::State().LastBlankType, ERASE_TYPE_BLANK_DISC_FULL);
    ASSERT_GE(EraseProgress.size(), 3u);
    for (int P : EraseProgress) {
        EXPECT_GE(P, 0);
        EXPECT_LE(P, 100);
    }
    EXPECT_EQ(EraseProgress.back(), 100);
    EXPECT_EQ(EraseDone, std::vector<bool>{true});
}

TEST_F(WorkersTest, AFailedEraseReportsThroughOnErrorAndEraseDone) {
    fakeburn::Script().Fail["BurnLib_Recorder_Blank"] = BURNLIB_ERROR_MEDIUM_NOT_WRITABLE;
    Burner->EraseOptions.ShowEraseProgress = false;
    Burner->EraseOptions.EjectAfterErase = true;
    Burner->Erase();
    EXPECT_FALSE(Burner->Success);
    const std::string Text = "BurnLib_Recorder_Blank failed, exception 6, status 5, text \"scripted failure\"";
    EXPECT_EQ(Burner->LastError, Text);
    EXPECT_EQ(Errors, std::vector<std::string>{Text});
    EXPECT_EQ(EraseProgress, std::vector<int>{0});
    EXPECT_EQ(EraseDone, std::vector<bool>{false});
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Eject"), 1);
}

TEST_F(WorkersTest, EnginesGoRightAfterTheirWorkersWithoutRaces) {
    // Each worker frees itself; the wait joins it, so the engine can go at once.
    fakeburn::Script().DuringBurn = ScriptedBurnCallbacks;
    for (int I = 0; I < 20; ++I) {
        auto B = std::make_unique<TsbBurner>();
        B->TransportType = ttSpti;
        B->DeviceName = "CDROM0";
        B->OpenDevice();
        B->VideoBurnOptions.VideoKind = 2;
        B->EraseOptions.ShowEraseProgress = false;
        if (I % 2)
            B->BurnVideo();
        else
            B->Erase();
        EXPECT_TRUE(B->Success);
    }
    EXPECT_TRUE(TThread::WaitForAllEnded(5000));
}

TEST_F(WorkersTest, ScanByNameProbesEveryDrive) {
    auto& S = fakeburn::Script();
    S.Drives.push_back(fakeburn::TDrive{"CDROM3"});
    S.Drives.back().DiscType = DISC_TYPE_CDRW;
    S.Drives.back().Product = "Burner3";
    S.Drives.back().MediaFormats[2] = 0;  // no region
    TsbDeviceFinder& F = *Burner->DeviceFinder;
    F.Transport = ttSpti;
    size_t CreateBefore = fakeburn::CountOf("BurnLib_Recorder_CreateEx");
    F.FindDevices(false);
    // 21 names tried, then each found drive opened once more for its probe.
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_CreateEx") - CreateBefore, 21u + 2u);
    ASSERT_EQ(F.Devices->Count(), 2);
    TsbDeviceItem* A = F.Devices->GetItem(0);
    TsbDeviceItem* B = F.Devices->GetItem(1);
    EXPECT_EQ(A->DeviceName, "CDROM0");
    EXPECT_EQ(A->TransportType, ttSpti);
    EXPECT_EQ(A->Vendor, "Fake");
    EXPECT_EQ(A->DiscType, DISC_TYPE_DVDPLUSR);
    EXPECT_TRUE(A->WriteModes.TrackAtOnce);
    EXPECT_FALSE(A->WriteModes.SessionAtOnce);
    EXPECT_TRUE(A->DVDRPC.Present);
    EXPECT_EQ(A->DVDRPC.Values[1], "5");
    EXPECT_EQ(A->DriveLetter, "");
    EXPECT_EQ(B->DeviceName, "CDROM3");
    EXPECT_EQ(B->Product, "Burner3");
    EXPECT_EQ(B->DiscType, DISC_TYPE_CDRW);
    EXPECT_FALSE(B->DVDRPC.Present);
    EXPECT_EQ(F.Devices->LastError, "");
    // Every probe handle was freed again (the engine's own stays).
    EXPECT_EQ(fakeburn::State().OpenHandles.load(), 1);

    TsbDiscSpace Space = F.GetDiscSpace(*A);
    EXPECT_EQ(Space.FreeBytes, 4700000000LL);
    EXPECT_EQ(Space.TotalBytes, 4700000000LL);
    EXPECT_EQ(Space.FreeCount, 2294921);
}

TEST_F(WorkersTest, ScanByAddressAndAFailedOpen) {
    auto& S = fakeburn::Script();
    S.Drives[0].Address = {1, 2, 0, 1, 0};
    TsbDeviceFinder& F = *Burner->DeviceFinder;
    F.Transport = ttAspi;
    F.FindDevices(false);
    ASSERT_EQ(F.Devices->Count(), 1);
    EXPECT_EQ(F.Devices->GetItem(0)->Address.BusID, 0);
    EXPECT_EQ(F.Devices->GetItem(0)->Address.PortID, 2);
    EXPECT_EQ(F.Devices->GetItem(0)->Address.TargetID, 1);
    EXPECT_EQ(F.Devices->GetItem(0)->TransportType, ttAspi);

    // A drive that cannot be opened keeps an entry with its address only and
    // reports a status of kind 1.
    S.Fail["BurnLib_Recorder_Create"] = BURNLIB_ERROR_NO_DRIVE;
    F.FindDevices(false);
    ASSERT_EQ(F.Devices->Count(), 1);
    EXPECT_EQ(F.Devices->GetItem(0)->Vendor, "");
    ASSERT_FALSE(Statuses.empty());
    EXPECT_EQ(Statuses.back().Text,
              "BurnLib_Recorder_Create() failed, exception 4, status 5, text \"scripted failure\"");
    EXPECT_EQ(Statuses.back().Kind, 1);
}

TEST_F(WorkersTest, CancellingAScanDropsTheEntryBeingProbed) {
    TsbDeviceFinder& F = *Burner->DeviceFinder;
    F.Transport = ttSpti;
    fakeburn::Script().OnTestUnitReady = [&F] { F.CancelScan(nullptr); };
    F.FindDevices(false);
    EXPECT_EQ(F.Devices->Count(), 0);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_GetInsertedDiscType"), 0);
}

}  // namespace
