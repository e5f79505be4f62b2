// Steps 1 and 2 of a run with the real converter: clips made here are
// converted one by one in the conversion dialog, then the menu page is
// composed under the step dialog; failures and cancelling stop the run.
#include "tests/ui/main_convert_fixture.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <map>
#include <random>
#include <set>

#include "core/ui_texts.h"
#include "pipeline/progress_dialogs.h"
#include "pipeline/redirect.h"

namespace {

std::string ReadAll(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// Running (not zombie) processes named moxilon.dll below this process.
std::set<int> ConverterDescendants() {
    std::map<int, int> Parent;
    std::map<int, std::string> Name;
    std::map<int, char> State;
    DIR* D = opendir("/proc");
    if (!D) return {};
    while (dirent* E = readdir(D)) {
        const int Pid = atoi(E->d_name);
        if (Pid <= 0) continue;
        const std::string Stat = ReadAll("/proc/" + std::to_string(Pid) + "/stat");
        const size_t Open = Stat.find('('), Close = Stat.rfind(')');
        if (Open == std::string::npos || Close == std::string::npos || Close + 4 > Stat.size()) continue;
        Name[Pid] = Stat.substr(Open + 1, Close - Open - 1);
        State[Pid] = Stat[Close + 2];
        Parent[Pid] = atoi(Stat.c_str() + Close + 4);
    }
    closedir(D);
    std::set<int> Out;
    for (const auto& [Pid, N] : Name) {
        if (N != "moxilon.dll" || State[Pid] == 'Z') continue;
        for (int P = Parent[Pid], Guard = 0; P > 1 && Guard < 64; P = Parent[P], ++Guard)
            if (P == getpid()) {
                Out.insert(Pid);
                break;
            }
    }
    return Out;
}

bool Alive(int Pid) {
    const std::string Stat = ReadAll("/proc/" + std::to_string(Pid) + "/stat");
    const size_t Close = Stat.rfind(')');
    return Close != std::string::npos && Close + 2 < Stat.size() && Stat[Close + 2] != 'Z';
}

class MainConvertE2E : public MainConvert {
protected:
    void SetUp() override {
        MainConvert::SetUp();
        if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
        ForceDirectories(Root + "src");
    }
    // Counts the step messages the window handles, optionally acting on them.
    void WatchMessages(std::function<bool(TMessage&)> Before = nullptr) {
        Old = F->WindowProc;
        F->WindowProc = [this, Before](TMessage& M) {
            ++Handled[M.Msg];
            if (Before && !Before(M)) return;
            Old(M);
        };
    }
    void TearDown() override {
        if (F && Old) F->WindowProc = Old;
        MainConvert::TearDown();
    }
    // Runs Burn until the continue question after a failed file: the error
    // lines are answered with OK, the question with Cancel, and the dialog,
    // which stays open after the stop, is closed as the user would.
    void BurnUntilTheContinueQuestion() {
        TestHookSetModalWindowHook([&](HWND Box) {
            std::string Text;
            for (HWND C = GetWindow(Box, GW_CHILD); C; C = GetWindow(C, GW_HWNDNEXT)) {
                char Buf[1024] = {};
                GetWindowTextA(C, Buf, sizeof Buf);
                Text += std::string(Buf) + "\n";
            }
            const bool Question = Text.find("still continue?") != std::string::npos;
            if (Question) Asked = true;
            EndDialog(Box, Question ? IDCANCEL : IDOK);
        });
        WatchMessages();
        TestHooks::OnNextModal([&](TCustomForm* Form) {
            TestHooks::PumpUntil([&] { return Asked && F->actBurn->Enabled(); }, 60000, "the question and the unlock");
            Form->Close();
        });
        F->actBurn->Execute();
        TestHookSetModalWindowHook(nullptr);
        TestHooks::PumpPending();
    }
    TWndMethod Old;
    std::map<UINT, int> Handled;
    bool Asked = false;
};

TEST_F(MainConvertE2E, TwoClipsAreConvertedAndTheMenuPageComposed) {
    for (const char* N : {"a clip.mp4", "b.mp4"}) {
        ASSERT_TRUE(MakeClip(Root + "src/" + N, 2));
        AddSource(Root + "src/" + N);
    }
    bool OutputsBeforeMenu = false, StatusOnMenuStep = false, LockedBeforeMenu = false;
    std::string Pack;
    WatchMessages([&](TMessage& M) {
        if (M.Msg == WM_BUILD_MENU_IMAGES) {
            OutputsBeforeMenu = FileExists(Temp + "0.mpg") && FileExists(Temp + "1.mpg") &&
                                FileExists(Temp + "0.jpg") && FileExists(Temp + "1.jpg");
            Pack = ReadAll(Temp + "1.mpg").substr(0, 4);
            LockedBeforeMenu = !F->actBurn->Enabled();
        }
        if (M.Msg == WM_BUILD_MENU_XML) {
            // The later steps are not part of this test: the step dialog is closed here.
            StatusOnMenuStep = F->StatusBar->Panels().Items(0)->Text() == STR_PROCESSOTHER_BurnDVDStep2;
            ForceDirectories(Temp + "VIDEO_TS");
            WriteFileText(Temp + "VIDEO_TS/VIDEO_TS.IFO", "x");
            frmProgressOther->ModalResult = mrOk;
            return false;
        }
        return true;
    });
    TestHooks::ScriptMessageBoxes({});
    F->actBurn->Execute();
    // The conversion dialog has closed by itself with both files done.
    EXPECT_EQ(Options.DoneCount, 2);
    EXPECT_EQ(Options.FailedCount, 0);
    EXPECT_FALSE(Options.HadError);
    EXPECT_EQ(frmProgress->Caption(), STR_MAIN_EncodingFinished);
    EXPECT_EQ(frmProgress->lblBatch->Caption(), STR_PROCESS_lblBatch + " 100%");
    EXPECT_EQ(frmProgress->lblWorking->Caption(), Format(STR_PROCESS_lblWorking, {2, 2, std::string("b.mp4")}));
    EXPECT_NE(frmProgress->lblElapsedTimeText->Caption().find(':'), std::string::npos);
    EXPECT_GT(frmProgress->prgBatch->Percent(), 0);
    EXPECT_EQ(Options.BatchBytes, FileSizeOf(Root + "src/a clip.mp4") + FileSizeOf(Root + "src/b.mp4"));
    EXPECT_EQ(Options.OutputNumber, 1);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Handled[WM_BUILD_MENU_XML] == 1 && F->actBurn->Enabled(); }, 60000,
                                     "the menu pictures and the step dialog's end"));
    EXPECT_TRUE(OutputsBeforeMenu);
    EXPECT_TRUE(LockedBeforeMenu) << "the run goes on: the window stays locked";
    EXPECT_EQ(Pack, std::string("\x00\x00\x01\xBA", 4));
    EXPECT_TRUE(StatusOnMenuStep);
    EXPECT_EQ(Handled[WM_CONVERT_NEXT], 1);
    // One page for two titles with both masks; the thumbnails are used up.
    for (const char* Out : {"menu_0.jpg", "menu_0_mask_blue.png", "menu_0_mask_red.png", "0.mpg", "1.mpg"})
        EXPECT_TRUE(FileExists(Temp + Out)) << Out;
    for (const char* Gone : {"menu_1.jpg", "0.jpg", "1.jpg", "~convert.bat", "DirectShow.avs"})
        EXPECT_FALSE(FileExists(Temp + Gone)) << Gone;
    EXPECT_EQ(ReadAll(Temp + "menu_0.jpg").substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(ReadAll(Temp + "menu_0_mask_red.png").substr(1, 3), "PNG");
    EXPECT_FALSE(DirectoryExists(Temp + "VIDEO_TS"));
    EXPECT_TRUE(F->lsvFiles->Enabled());
    EXPECT_EQ(TestHooks::MessageBoxesShown().size(), 0u);
}

TEST_F(MainConvertE2E, AClipOfRandomBytesFailsAndCancelOnTheQuestionStopsTheBatch) {
    std::mt19937 Gen(7);
    std::string Noise(200000, '\0');
    for (char& C : Noise) C = static_cast<char>(Gen() & 0xFF);
    WriteFileText(Root + "src/noise.mp4", Noise);
    AddSource(Root + "src/noise.mp4");
    ASSERT_TRUE(MakeClip(Root + "src/good.mp4", 2));
    AddSource(Root + "src/good.mp4");
    BurnUntilTheContinueQuestion();
    EXPECT_TRUE(Asked);
    EXPECT_TRUE(F->actBurn->Enabled());
    EXPECT_EQ(Options.FailedCount, 1);
    EXPECT_EQ(Options.DoneCount, 0);
    EXPECT_EQ(F->ConvertQueue->Count(), 0);
    EXPECT_EQ(Handled[WM_CONVERT_NEXT], 0);
    EXPECT_EQ(Handled[WM_BUILD_MENU_IMAGES], 0);
    EXPECT_FALSE(FileExists(Temp + "1.mpg"));
    EXPECT_FALSE(FileExists(Temp + "~convert.bat"));
    // The converter's own error line was shown, naming the source.
    const auto Boxes = TestHookMessageBoxLog();
    bool LineShown = false, QuestionShown = false;
    for (const auto& B : Boxes) {
        if (B.Caption == STR_Error && B.Text.find(Root + "src/noise.mp4") != std::string::npos &&
            B.Text.find("still continue?") == std::string::npos && (B.Type & 0xF0u) == MB_ICONINFORMATION)
            LineShown = true;
        if (B.Text == Format(IDS_main_MSG_ConverFileError, {Root + "src/noise.mp4"}) && B.Caption == IDS_main_MSG_Error)
            QuestionShown = true;
    }
    EXPECT_TRUE(LineShown);
    EXPECT_TRUE(QuestionShown);
}

TEST_F(MainConvertE2E, ASourceRemovedAfterItWasAddedFailsAtTheConversionStep) {
    // Whatever the converter prints, no program stream means the file failed:
    // its lines and the question come, and the run never reaches step 2.
    ASSERT_TRUE(MakeClip(Root + "src/gone é.mp4", 1));
    AddSource(Root + "src/gone é.mp4");
    ASSERT_EQ(F->lsvFiles->Items().Count(), 1);
    DeleteFile(Root + "src/gone é.mp4");
    BurnUntilTheContinueQuestion();
    EXPECT_TRUE(Asked);
    EXPECT_EQ(Options.FailedCount, 1);
    EXPECT_EQ(Options.DoneCount, 0);
    EXPECT_EQ(Handled[WM_BUILD_MENU_IMAGES], 0);
    bool QuestionShown = false;
    for (const auto& B : TestHookMessageBoxLog())
        if (B.Text == Format(IDS_main_MSG_ConverFileError, {Root + "src/gone é.mp4"})) QuestionShown = true;
    EXPECT_TRUE(QuestionShown);
}

TEST_F(MainConvertE2E, CancellingTheDialogEndsTheConverterAndPostsNothing) {
    for (const char* N : {"long1.mp4", "long2.mp4"}) {
        ASSERT_TRUE(MakeClip(Root + "src/" + N, 60));
        AddSource(Root + "src/" + N);
    }
    WatchMessages();
    std::set<int> Running;
    TestHooks::OnNextModal([&](TCustomForm* Form) {
        TestHooks::PumpUntil([&] { return !(Running = ConverterDescendants()).empty(); }, 30000, "the converter to run");
        TestHooks::ScriptMessageBoxes({IDOK});
        TestHooks::Click(TestHooks::FindControlByName(Form, "btnCancel"));
    });
    F->actBurn->Execute();
    ASSERT_FALSE(Running.empty());
    EXPECT_TRUE(F->PipelineCancelled);
    EXPECT_TRUE(F->actBurn->Enabled());
    EXPECT_FALSE(frmProgress->Visible());
    EXPECT_TRUE(TestHooks::PumpUntil(
        [&] {
            for (int Pid : Running)
                if (Alive(Pid)) return false;
            return ConverterDescendants().empty();
        },
        10000, "the converter to end"));
    // Let the terminated child's end arrive; it must start nothing.
    TestHooks::PumpUntil([&] { return !F->ConvertRedirector->Running(); }, 5000, "the runner to end");
    TestHooks::PumpPending();
    EXPECT_EQ(Handled[WM_CONVERT_NEXT], 0);
    EXPECT_EQ(Handled[WM_BUILD_MENU_IMAGES], 0);
    EXPECT_FALSE(FileExists(Temp + "~convert.bat"));
    EXPECT_FALSE(FileExists(Temp + "1.mpg"));
    EXPECT_EQ(TestHooks::MessageBoxesShown().size(), 1u) << "only the cancel question";
}

}  // namespace
