// The main window's burn step against a scripted burning library: Burn
// VIDEO_TS from the folder picker to the last box, its early ends, a failed
// and a cancelled burn.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../burning/fake_burnlib.h"
#include "core/ui_texts.h"
#include "tests/ui/burn_step_fixture.h"

namespace {

void WriteFile(const std::string& Path, size_t Bytes) {
    std::ofstream Out(Path, std::ios::binary);
    Out << std::string(Bytes, 'x');
}

class BurnStepWindow : public BurnStepFixture {
public:
    // A complete title set, its folder named as given.
    std::string MakeVideoTs(const std::string& Name = "VIDEO_TS") {
        const std::string Folder = Root + "Trip/" + Name + "/";
        ForceDirectories(Folder);
        for (const char* File : {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VIDEO_TS.VOB", "VTS_01_0.IFO", "VTS_01_0.BUP",
                                 "VTS_01_0.VOB", "VTS_01_1.VOB"})
            WriteFile(Folder + File, 4096);
        return Folder;
    }

protected:
    void BeforeStart() override { fakeburn::Install(); }
    void AfterShutdown() override { fakeburn::Remove(); }
};

}  // namespace

TEST_F(BurnStepWindow, AVideoTsFolderIsBurntAndTheRunEndsWithItsBox) {
    struct Case {
        bool TestMode;
        std::string Finished;
        int Ejects;  // the engine's own eject after the burn and the step's
    };
    for (const Case& C : {Case{false, IDS_Main_MSG_Finished, 2}, Case{true, IDS_Main_MSG_TestModeFinished, 0}}) {
        SCOPED_TRACE(C.TestMode);
        fakeburn::State().Calls.clear();
        TestHooks::ScriptMessageBoxes({});
        Statuses.Clear();
        // A folder picked in lower case is burnt as it is named on disk.
        const std::string Folder = MakeVideoTs("video_ts");
        F->chkTestMode->SetChecked(C.TestMode);
        F->chkEjectAfter->SetChecked(true);
        F->txtDiscLabel->SetText("HOLIDAY");
        // A cancel left over from an earlier conversion must not stop it.
        F->PipelineCancelled = true;
        BurnVideoTs(Folder, {IDOK});
        EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_TrackAtOnceFromTree"), 1);
        EXPECT_EQ(fakeburn::State().LastVideoTsFolder, ExcludeTrailingPathDelimiter(Folder));
        EXPECT_EQ(fakeburn::State().LastVolumeLabel, "HOLIDAY");
        EXPECT_EQ(Options.DVDLabel, "HOLIDAY");
        EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Eject"), C.Ejects);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{C.Finished});
        // The space statuses come first, the end last; only the VIDEO_TS
        // folder counts (7 files of 4 KiB).
        std::vector<std::string> S = StatusTexts();
        ASSERT_GE(S.size(), 5u);
        EXPECT_NE(std::find(S.begin(), S.end(), "Need Space: 0.03 MB"), S.end());
        EXPECT_EQ(S.back(), C.Finished);
        EXPECT_EQ(F->StatusBar->Panels().Items(0)->Text(), C.Finished);
        ExpectStepEnded();
        { std::error_code Ec; std::filesystem::remove_all(Root + "Trip", Ec); }
    }
}

TEST_F(BurnStepWindow, EarlyEndsCloseTheDialogAndUnlockTheWindow) {
    struct Case {
        const char* Name;
        std::function<std::string(BurnStepWindow&)> Prepare;  // returns the folder to pick
        std::vector<int> Answers;
        std::vector<std::string> Boxes;
        std::string LastStatus;  // empty: not checked
    };
    const std::vector<Case> Cases = {
        {"a folder without its menu file, the question declined",
         [](BurnStepWindow& T) {
             std::string Folder = T.MakeVideoTs();
             DeleteFile(Folder + "VIDEO_TS.VOB");
             return Folder;
         },
         {IDCANCEL},
         {IDS_main_MSG_DVDFile},
         ""},
        {"an empty folder",
         [](BurnStepWindow& T) {
             std::string Folder = T.Root + "Trip/VIDEO_TS/";
             ForceDirectories(Folder);
             return Folder;
         },
         {IDOK, IDOK},
         {IDS_main_MSG_DVDFile, "Directory file is under the size of 0 byte!"},
         ""},
        {"no disc, then Cancel",
         [](BurnStepWindow& T) {
             fakeburn::Script().Drives[0].DiscType = DISC_TYPE_NO_MEDIA;
             return T.MakeVideoTs();
         },
         {IDOK, IDCANCEL},
         {IDS_Main_MSG_InsertDesDisc, IDS_main_MSG_PleaseCheckWriteDevice},
         IDS_Main_BurnCancel},
        {"a disc whose free space equals the need, then Cancel",
         [](BurnStepWindow& T) {
             fakeburn::Script().FreeBytes = 7 * 4096;
             fakeburn::Script().FreeCount = 7 * 2;
             return T.MakeVideoTs();
         },
         {IDOK, IDCANCEL},
         {IDS_Main_MSG_DiscSpaceNotEnough, IDS_main_MSG_PleaseCheckWriteDevice},
         IDS_Main_BurnCancel},
        {"a writer whose speed cannot be set",
         [](BurnStepWindow& T) {
             fakeburn::Script().Fail["BurnLib_Recorder_SetSpeeds"] = BURNLIB_ERROR_WRITE;
             return T.MakeVideoTs();
         },
         {},
         {},
         IDS_Main_SetSpeedFaile},
        {"a writer that cannot be opened",
         [](BurnStepWindow& T) {
             // The scan still sees the writer; opening it for the burn fails.
             fakeburn::Script().OnTestUnitReady = [] {
                 fakeburn::Script().Fail["BurnLib_Recorder_CreateEx"] = BURNLIB_ERROR_WRITE;
                 fakeburn::Script().Fail["BurnLib_Recorder_Create"] = BURNLIB_ERROR_WRITE;
             };
             return T.MakeVideoTs();
         },
         {IDOK},
         {},  // the failure text, checked below
         ""},
        {"no writer any more",
         [](BurnStepWindow& T) {
             fakeburn::Script().Drives.clear();
             return T.MakeVideoTs();
         },
         {IDOK},
         {IDS_Main_MSG_NoFindDevice},
         ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const fakeburn::TScript Saved = fakeburn::Script();
        fakeburn::State().Calls.clear();
        Statuses.Clear();
        const std::string Folder = C.Prepare(*this);
        BurnVideoTs(Folder, C.Answers);
        EXPECT_EQ(fakeburn::CountOf("BurnLib_DVDVideo_Create"), 0);
        if (std::string(C.Name) == "a writer that cannot be opened") {
            ASSERT_EQ(TestHooks::MessageBoxesShown().size(), 1u);
            EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Caption, IDS_main_MSG_Error);
            EXPECT_NE(TestHooks::MessageBoxesShown()[0].Text.find("BurnLib_Recorder_Create"), std::string::npos);
        } else {
            EXPECT_EQ(BoxTexts(), C.Boxes);
        }
        EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
        if (!C.LastStatus.empty()) {
            ASSERT_FALSE(StatusTexts().empty());
            EXPECT_EQ(StatusTexts().back(), C.LastStatus);
            // The tray is given back and closed.
            EXPECT_GE(fakeburn::CountOf("BurnLib_Recorder_ReleaseMedium"), 1);
            EXPECT_GE(fakeburn::CountOf("BurnLib_Recorder_Load"), 1);
        }
        ExpectStepEnded();
        fakeburn::Script() = Saved;
        { std::error_code Ec; std::filesystem::remove_all(Root + "Trip", Ec); }
    }
}

TEST_F(BurnStepWindow, AFailedBurnSaysSoInItsMode) {
    for (bool TestMode : {false, true}) {
        SCOPED_TRACE(TestMode);
        fakeburn::Script().Fail["BurnLib_Recorder_TrackAtOnceFromTree"] = BURNLIB_ERROR_WRITE;
        fakeburn::State().Calls.clear();
        F->chkTestMode->SetChecked(TestMode);
        const std::string Text = TestMode ? IDS_Main_MSG_TestModeFaile : IDS_Main_MSG_Faile;
        BurnVideoTs(MakeVideoTs(), {IDOK});
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text});
        EXPECT_EQ(StatusTexts().back(), Text);
        // Only the engine's own eject after a real burn; a test burn never ejects.
        EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Eject"), TestMode ? 0 : 1);
        EXPECT_EQ(frmProgressOther->prgStatus->Percent(), 0);
        ExpectStepEnded();
        { std::error_code Ec; std::filesystem::remove_all(Root + "Trip", Ec); }
    }
}

TEST_F(BurnStepWindow, CancelInTheStepDialogEndsTheBurnAsCancelled) {
    fakeburn::Script().BurnWaitsForCancel = true;
    const std::string Folder = MakeVideoTs();
    // Once the library burns, the step dialog's Cancel is pressed and its
    // question answered Yes.
    TTimer Press(nullptr);
    Press.SetInterval(20);
    Press.SetOnTimer([&](TObject*) {
        if (!fakeburn::State().Burning) return;
        Press.SetEnabled(false);
        frmProgressOther->btnCancel->Click();
    });
    BurnVideoTs(Folder, {IDOK});
    Press.SetEnabled(false);
    EXPECT_TRUE(fakeburn::State().Cancelled);
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{STR_PROCESSOTHER_AbortProc});
    std::vector<std::string> S = StatusTexts();
    ASSERT_FALSE(S.empty());
    EXPECT_EQ(S.back(), IDS_Main_BurnCancel);
    EXPECT_EQ(std::find(S.begin(), S.end(), IDS_Main_MSG_Faile), S.end());
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Eject"), 0);
    ExpectStepEnded();
}

TEST_F(BurnStepWindow, ACancelConfirmedAfterTheWriteEndedEndsTheStepAsFinished) {
    // The write ends while the cancel question is up: the library is let go
    // and its write has its result before Cancel is pressed and answered OK.
    fakeburn::Script().BurnHeld = true;
    const std::string Folder = MakeVideoTs();
    TTimer Press(nullptr);
    Press.SetInterval(20);
    Press.SetOnTimer([&](TObject*) {
        if (!fakeburn::State().Burning) return;
        Press.SetEnabled(false);
        fakeburn::ReleaseBurn();
        while (fakeburn::State().Burning) std::this_thread::yield();
        frmProgressOther->btnCancel->Click();
    });
    BurnVideoTs(Folder, {IDOK, IDOK});
    Press.SetEnabled(false);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Cancel"), 1);
    // What the user is told is what happened: the disc was written.
    ASSERT_EQ(BoxTexts(), (std::vector<std::string>{STR_PROCESSOTHER_AbortProc, IDS_Main_MSG_Finished}));
    std::vector<std::string> S = StatusTexts();
    ASSERT_FALSE(S.empty());
    EXPECT_EQ(S.back(), IDS_Main_MSG_Finished);
    EXPECT_EQ(std::find(S.begin(), S.end(), IDS_Main_BurnCancel), S.end());
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_CloseSession"), 1);
    ExpectStepEnded();
}

TEST_F(BurnStepWindow, ACancelBeforeTheStepStartsBurnsNothing) {
    // The run's dialog was cancelled while the burn step was still on its way.
    F->OutputFolder = ExcludeTrailingPathDelimiter(ExtractFilePath(ExcludeTrailingPathDelimiter(MakeVideoTs())));
    F->PipelineCancelled = false;
    F->SetRunningState(true);
    frmProgressOther->Hide();
    SendMessageA(F->Handle(), WM_BURN_DISC, 0, 0);
    EXPECT_EQ(fakeburn::CountOf("BurnLib_DVDVideo_Create"), 0);
    EXPECT_TRUE(BoxTexts().empty());
    ASSERT_FALSE(StatusTexts().empty());
    EXPECT_EQ(StatusTexts().back(), IDS_Main_BurnCancel);
    ExpectStepEnded();
}

TEST_F(BurnStepWindow, TheSpeedListShownIsTheOneTheBurnUsesAfterARescan) {
    TsbBurner& B = *F->Burner;
    const int Before = F->cmbBurnSpeed->Items().Count();
    ASSERT_GT(Before, 1);
    // The user picks the slowest speed; the disc put in then is slower: the
    // step's rescan finds fewer speeds.
    F->cmbBurnSpeed->SetItemIndex(Before - 1);
    fakeburn::Script().WriteSpeedFor = [](uint32_t Requested) { return std::min<uint32_t>(Requested, 5540); };
    BurnVideoTs(MakeVideoTs(), {IDOK});
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{IDS_Main_MSG_Finished});
    ASSERT_LT(B.WriteSpeeds->Count(), Before);
    ASSERT_EQ(F->cmbBurnSpeed->Items().Count(), B.WriteSpeeds->Count());
    for (int I = 0; I < B.WriteSpeeds->Count(); ++I)
        EXPECT_EQ(F->cmbBurnSpeed->Items()[I], B.WriteSpeeds->GetItem(I)->StrSpeed);
    const int Shown = F->cmbBurnSpeed->ItemIndex();
    ASSERT_GE(Shown, 0);
    EXPECT_EQ(fakeburn::State().LastSetWrite, B.WriteSpeeds->GetItem(Shown)->SpeedInSize);
}
