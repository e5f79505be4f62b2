// The conversion dialog's close question, the step dialog's presets, timers
// and burn cancel, on the headless screen with scripted answers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/golden_png.h"
#include "burning/burn_engine.h"
#include "core/ui_texts.h"
#include "pipeline/progress_dialogs.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/win/winuser.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        InitUITexts();
        TestHooks::Start();
        TestHooks::SetModalWatchdog(20000);
    }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Conv = new TfrmProgress(Application);
        Step = new TfrmProgressOther(Application);
        Conv->OnCancel = [this](TObject*) { ++Cancels; };
        TestHooks::ScriptMessageBoxes({});
    }
    void TearDown() override {
        Conv->Free();
        Step->Free();
        EXPECT_EQ(TestHooks::UnexpectedMessageBoxes(), 0);
        EXPECT_TRUE(TestHooks::Failures().empty());
    }
    // Every box since the last ScriptMessageBoxes.
    std::vector<TestHooks::TMessageBoxRecord> BoxesSinceStart() const { return TestHooks::MessageBoxesShown(); }
    TfrmProgress* Conv = nullptr;
    TfrmProgressOther* Step = nullptr;
    int Cancels = 0;
};

TEST_F(DialogsTest, ConversionDialogStartsWithItsTextsAndResetsItsLabels) {
    EXPECT_FALSE(Conv->Finished);
    EXPECT_EQ(Conv->Caption(), "Burn DVD Step 1 - Converting files ...");
    EXPECT_EQ(Conv->lblRemainingTime->Caption(), "Remaining time:");
    EXPECT_EQ(Conv->lblSingleRemainingTime->Caption(), "Remaining time:");
    EXPECT_EQ(Conv->lblElapsedTime->Caption(), "Elapsed time:");
    EXPECT_EQ(Conv->lblEstimatedTime->Caption(), "Estimated time:");
    EXPECT_EQ(Conv->btnCancel->Caption(), "Cancel");
    EXPECT_EQ(Conv->ClientWidth(), 534);
    EXPECT_EQ(Conv->ClientHeight(), 257);
    EXPECT_FALSE(Conv->lblWorking->ShowAccelChar);

    // A run left its values behind; the next batch starts from zero.
    for (TLabel* L : {Conv->lblSingleRemainingTimeText, Conv->lblRemainingTimeText, Conv->lblElapsedTimeText,
                      Conv->lblEstimatedTimeText})
        L->SetCaption("1:23:45");
    Conv->lblWorking->SetCaption("Working on file 2 of 2: a&b.avi");
    Conv->prgStatus->SetPercent(70);
    Conv->prgBatch->SetPercent(40);
    Conv->ResetLabels();
    for (TLabel* L : {Conv->lblSingleRemainingTimeText, Conv->lblRemainingTimeText, Conv->lblElapsedTimeText,
                      Conv->lblEstimatedTimeText})
        EXPECT_EQ(L->Caption(), "0:00:00");
    EXPECT_EQ(Conv->lblStatus->Caption(), "Status = 0%");
    EXPECT_EQ(Conv->lblBatch->Caption(), "Batch = 0%");
    EXPECT_EQ(Conv->lblWorking->Caption(), "Please wait...");
    EXPECT_EQ(Conv->prgStatus->Percent(), 70);
    EXPECT_EQ(Conv->prgBatch->Percent(), 40);
}

TEST_F(DialogsTest, CloseQuestionTable) {
    struct Row {
        bool Finished;
        std::vector<int> Answers;  // scripted; empty: no question expected
        bool CanClose;
        int Cancels;
        TModalResult Result;
    };
    const Row Rows[] = {
        {true, {}, true, 0, mrNone},            // batch ended: closes without asking
        {false, {IDOK}, true, 1, mrCancel},     // Yes: OnCancel, closes with Cancel
        {false, {IDCANCEL}, false, 0, mrNone},  // Cancel: stays, the run goes on
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(testing::Message() << "finished " << R.Finished << " answers " << R.Answers.size());
        Cancels = 0;
        Conv->Finished = R.Finished;
        Conv->ModalResult = mrNone;
        TestHooks::ScriptMessageBoxes(R.Answers);
        EXPECT_EQ(Conv->CloseQuery(), R.CanClose);
        EXPECT_EQ(Cancels, R.Cancels);
        EXPECT_EQ(Conv->ModalResult, R.Result);
        auto Boxes = BoxesSinceStart();
        ASSERT_EQ(Boxes.size(), R.Answers.size());
        if (!R.Answers.empty()) {
            EXPECT_EQ(Boxes.back().Text, "Do you want to cancel encoding now?");
            EXPECT_EQ(Boxes.back().Caption, "Question");
            EXPECT_EQ(Boxes.back().Flags & MB_TYPEMASK, static_cast<UINT>(MB_OKCANCEL));
            EXPECT_EQ(Boxes.back().Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONQUESTION));
        }
    }
}

// The question's buttons read Yes and Cancel, each at least 88 wide; a batch
// that ends while the question is open closes the dialog with Cancel although
// the user answered Cancel.
TEST_F(DialogsTest, FinishedWhileTheQuestionIsOpenClosesWithCancel) {
    std::vector<std::string> Captions;
    std::vector<int> Widths;
    TestHooks::OnNextModalWindow([&](HWND Box) {
        for (HWND C = GetWindow(Box, GW_CHILD); C; C = GetWindow(C, GW_HWNDNEXT)) {
            char Cls[32] = {}, Text[64] = {};
            GetClassNameA(C, Cls, sizeof Cls);
            if (std::string(Cls) != "Button") continue;
            GetWindowTextA(C, Text, sizeof Text);
            Captions.push_back(Text);
            RECT R{};
            GetWindowRect(C, &R);
            Widths.push_back(R.right - R.left);
        }
        Conv->Finished = true;  // the last file ended meanwhile
        SendMessageA(Box, WM_COMMAND, IDCANCEL, 0);
    });
    Conv->Finished = false;
    Conv->ModalResult = mrNone;
    EXPECT_TRUE(Conv->CloseQuery());
    EXPECT_EQ(Conv->ModalResult, mrCancel);
    EXPECT_EQ(Cancels, 0);
    EXPECT_EQ(Captions, (std::vector<std::string>{"Yes", "Cancel"}));
    ASSERT_EQ(Widths.size(), 2u);
    EXPECT_EQ(Widths[0], 88);
    EXPECT_EQ(Widths[1], 88);
    ASSERT_EQ(BoxesSinceStart().size(), 1u);
    EXPECT_EQ(BoxesSinceStart()[0].Answer, IDCANCEL);
    TestHooks::ScriptMessageBoxes({});  // answered by the hook, not by script
}

// Cancel answered to the first question keeps the modal dialog open; the Esc
// key asks again, and Yes closes it with Cancel after firing OnCancel once.
TEST_F(DialogsTest, ModalConversionDialogStaysOnNoAndClosesOnYes) {
    Conv->Finished = false;
    TestHooks::ScriptMessageBoxes({IDCANCEL, IDOK});
    TestHooks::OnNextModal([&](TCustomForm* F) {
        TestHooks::Click(TestHooks::FindControlByName(F, "btnCancel"));
        TestHooks::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Conv->ShowModal(), mrCancel);
    EXPECT_EQ(Cancels, 1);
    auto Boxes = BoxesSinceStart();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Answer, IDCANCEL);
    EXPECT_EQ(Boxes[1].Answer, IDOK);
    EXPECT_FALSE(Conv->Visible());

    // The step closes a finished batch with OK without a question.
    TestHooks::OnNextModal([&](TCustomForm* F) {
        Conv->Finished = true;
        F->ModalResult = mrOk;
    });
    EXPECT_EQ(Conv->ShowModal(), mrOk);
    EXPECT_EQ(BoxesSinceStart().size(), 2u);
}

TEST_F(DialogsTest, DialogsMatchTheirGoldenImages) {
    Conv->ResetLabels();
    Conv->prgStatus->SetPercent(45);
    Conv->prgBatch->SetPercent(20);
    Conv->lblStatus->SetCaption("Status =45%");
    Conv->lblWorking->SetCaption("Working on file 1 of 2: Tom & Jerry.avi");
    Conv->Show();
    Step->SetupBurnStep();
    Step->Show();
    Step->prgStatus->SetPercent(42);
    Step->tmTimeTimer(Step->tmTime);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Conv->Showing() && Step->Showing(); }, 2000, "both dialogs"));
    TestHooks::PumpPending();
    ExpectWindowMatchesGolden(Conv->Handle(), "dialogs/conversion_dialog.png");
    ExpectWindowMatchesGolden(Step->Handle(), "dialogs/step_dialog_burn.png");
    Conv->Finished = true;
    Conv->Close();
    Step->Hide();
}

TEST(FormatElapsed, Table) {
    struct Row {
        int64_t Ms;
        const char* Text;
    };
    const Row Rows[] = {
        {0, "0:00:00.000"},
        {999, "0:00:00.999"},
        {1000, "0:00:01.000"},
        {59999, "0:00:59.999"},
        {3599999, "0:59:59.999"},
        {3600000, "1:00:00.000"},
        {3725000, "1:02:05.000"},
        {36000000 + 61001, "10:01:01.001"},
        {int64_t(2147483647) * 1000, "596523:14:07.000"},  // past 32 bits of milliseconds
    };
    for (const Row& R : Rows) EXPECT_EQ(TfrmProgressOther::FormatElapsed(R.Ms), R.Text) << R.Ms;
    auto P = TfrmProgressOther::SplitMilliseconds(3725042);
    EXPECT_EQ(P.Hours, 1);
    EXPECT_EQ(P.Minutes, 2);
    EXPECT_EQ(P.Seconds, 5);
    EXPECT_EQ(P.Milliseconds, 42);
}

TEST_F(DialogsTest, ElapsedCounterTicksAndRestartsWhenShown) {
    EXPECT_EQ(Step->ElapsedSeconds, 0);
    EXPECT_EQ(Step->lblTime->Caption(), "");
    for (int i = 0; i < 3725; ++i) Step->tmTimeTimer(Step->tmTime);
    EXPECT_EQ(Step->lblTime->Caption(), "1:02:05.000 s");
    Step->Show();
    EXPECT_EQ(Step->ElapsedSeconds, 0);
    EXPECT_EQ(Step->lblTime->Caption(), "");
    Step->Hide();
}

TEST_F(DialogsTest, StepPresetTable) {
    EXPECT_EQ(Step->ClientWidth(), 534);
    EXPECT_EQ(Step->ClientHeight(), 139);
    EXPECT_EQ(Step->Timer->Interval(), 80u);
    EXPECT_EQ(Step->tmTime->Interval(), 1000u);
    EXPECT_FALSE(Step->Timer->Enabled());
    EXPECT_FALSE(Step->tmTime->Enabled());
    struct Row {
        std::function<void(TfrmProgressOther*)> Preset;
        const char *Caption, *Info;
        bool CancelEnabled, TimerOn;
    };
    const Row Rows[] = {
        {&TfrmProgressOther::SetupMenuImageStep, "Burn DVD Step 2 - Buliding menu images...",
         "Buliding menu images, please wait...", false, false},
        {&TfrmProgressOther::SetupMenuXmlStep, "Burn DVD Step 3 - Buliding menu style XML files...",
         "Buliding menu style XML files..., please wait...", false, false},
        {&TfrmProgressOther::SetupMenuVideoStep, "Burn DVD Step 4 - Buliding menu video files...",
         "Buliding menu video files..., please wait...", false, true},
        {&TfrmProgressOther::SetupAuthoringStep, "Burn DVD Step 5 - Buliding DVD, please wait...",
         "Burning DVD disc...", false, false},
        {&TfrmProgressOther::SetupBurnStep, "Burn DVD Step 6 - Burning DVD disc...", "Burning DVD disc...", true,
         false},
    };
    // Each preset from the state the one before left, both ways round.
    for (int Pass = 0; Pass < 2; ++Pass) {
        for (int k = 0; k < 5; ++k) {
            const Row& R = Rows[Pass == 0 ? k : 4 - k];
            SCOPED_TRACE(R.Caption);
            Step->prgStatus->SetPercent(37);
            Step->ElapsedSeconds = 5;
            Step->tmTime->SetEnabled(Pass == 1);
            Step->btnCancel->SetCaption("x");
            R.Preset(Step);
            EXPECT_EQ(Step->Caption(), R.Caption);
            EXPECT_EQ(Step->lblInfo->Caption(), R.Info);
            EXPECT_EQ(Step->btnCancel->Caption(), "Cancel");
            EXPECT_EQ(Step->btnCancel->Enabled(), R.CancelEnabled);
            EXPECT_EQ(Step->Timer->Enabled(), R.TimerOn);
            // Not touched: the bar, the counter, the elapsed-time timer.
            EXPECT_EQ(Step->prgStatus->Percent(), 37);
            EXPECT_EQ(Step->ElapsedSeconds, 5);
            EXPECT_EQ(Step->tmTime->Enabled(), Pass == 1);
        }
    }
    Step->tmTime->SetEnabled(false);
    Step->Timer->SetEnabled(false);
}

// The menu-video preset's timer adds 1 % per tick up to 100 and the percent
// label follows every change.
TEST_F(DialogsTest, MenuVideoTimerRunsTheBarUpToHundred) {
    // A step moving the bar itself.
    Step->prgStatus->SetPercent(42);
    EXPECT_EQ(Step->lblPercent->Caption(), "42%");
    Step->prgStatus->SetPercent(0);
    EXPECT_EQ(Step->lblPercent->Caption(), "0%");
    Step->SetupMenuVideoStep();
    Step->Show();
    int Mismatches = 0, Highest = 0;
    bool FellBack = false;
    auto Done = [&] {
        if (Step->lblPercent->Caption() != std::to_string(Step->prgStatus->Percent()) + "%") ++Mismatches;
        if (Step->prgStatus->Percent() < Highest) FellBack = true;
        Highest = std::max<int>(Highest, Step->prgStatus->Percent());
        return Step->prgStatus->Percent() == 100;
    };
    ASSERT_TRUE(TestHooks::PumpUntil(Done, 60000, "bar at 100"));
    EXPECT_EQ(Mismatches, 0);
    EXPECT_FALSE(FellBack);
    EXPECT_EQ(Step->lblPercent->Caption(), "100%");
    // Further ticks leave it at 100.
    Step->TimerTimer(Step->Timer);
    Step->TimerTimer(Step->Timer);
    EXPECT_EQ(Step->prgStatus->Percent(), 100);
    EXPECT_EQ(Step->lblPercent->Caption(), "100%");
    Step->Timer->SetEnabled(false);
    Step->Hide();
}

// Stopping the burn: Cancel to the question keeps the dialog and the burn;
// OK shows "Aborting", disables Cancel and closes the dialog with Cancel.
TEST_F(DialogsTest, BurnCancelQuestion) {
    TsbBurner Burner;  // no drive opened: cancelling only raises its flag
    Step->Burner = &Burner;
    Step->SetupBurnStep();
    TestHooks::ScriptMessageBoxes({IDCANCEL, IDOK});
    std::string InfoAfterNo;
    bool EnabledAfterNo = false, CancelledAfterNo = true;
    TestHooks::OnNextModal([&](TCustomForm* F) {
        auto* Btn = TestHooks::FindControlByName(F, "btnCancel");
        TestHooks::Click(Btn);
        TestHooks::PumpUntil([&] { return BoxesSinceStart().size() >= 1; }, 5000, "first question");
        InfoAfterNo = Step->lblInfo->Caption();
        EnabledAfterNo = Step->btnCancel->Enabled();
        CancelledAfterNo = Burner.Cancelled;
        TestHooks::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Step->ShowModal(), mrCancel);
    EXPECT_EQ(InfoAfterNo, "Burning DVD disc...");
    EXPECT_TRUE(EnabledAfterNo);
    EXPECT_FALSE(CancelledAfterNo);
    EXPECT_TRUE(Burner.Cancelled);
    auto Boxes = BoxesSinceStart();
    ASSERT_EQ(Boxes.size(), 2u);
    for (auto& B : Boxes) {
        EXPECT_EQ(B.Text, "Do you really want to stop burning now?");
        EXPECT_EQ(B.Caption, "Question");
        EXPECT_EQ(B.Flags & MB_TYPEMASK, static_cast<UINT>(MB_OKCANCEL));
        EXPECT_EQ(B.Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    }
    EXPECT_EQ(Step->lblInfo->Caption(), "Aborting, please wait...");
    EXPECT_FALSE(Step->btnCancel->Enabled());

    // Burn VIDEO_TS shows the dialog modeless: OK hides it.
    Step->SetupBurnStep();
    Step->Show();
    TestHooks::ScriptMessageBoxes({IDOK});
    Step->btnCancelClick(Step->btnCancel);
    EXPECT_FALSE(Step->Visible());
    Step->Burner = nullptr;
}

}  // namespace
