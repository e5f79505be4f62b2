// Burn VIDEO_TS from the main window onto the burning library's image
// recorder, with a folder made by the real authoring tool: the image, read back
// with lsdvd and isoinfo, the statuses and the engine log; a refused folder; a
// burn cancelled from its dialog.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "burning/sb_logger.h"
#include "core/ui_texts.h"
#include "platform/system/process.h"
#include "tests/ui/burn_step_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& S) { return "'" + S + "'"; }

std::string RunShell(const std::string& Command, int& Code) {
    FILE* P = popen((Command + " 2>&1").c_str(), "r");
    std::string Out;
    char Buf[4096];
    size_t N;
    while (P && (N = std::fread(Buf, 1, sizeof Buf, P)) > 0) Out.append(Buf, N);
    int Status = P ? pclose(P) : -1;
    Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    return Out;
}

bool HaveTool(const std::string& Name) { return std::system(("command -v " + Name + " >/dev/null 2>&1").c_str()) == 0; }

class BurnWindowE2E : public BurnStepFixture {
public:
    void SetUp() override {
        for (const char* Tool : {"ffmpeg", "dvdauthor", "lsdvd", "isoinfo"})
            if (!HaveTool(Tool)) GTEST_SKIP() << Tool << " is not installed";
        BurnStepFixture::SetUp();
        if (HasFatalFailure()) return;
        sbLogger->LogFile = Root + "tessaro.log";
    }

    // A two-second clip authored without menus into Root/Trip; a note lies
    // beside its VIDEO_TS folder.
    std::string MakeTrip() {
        const std::string Work = Root + "work/";
        ForceDirectories(Work);
        int Code;
        std::string Log = RunShell("cd " + Quote(Work) +
                                       " && ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                                       "testsrc=size=720x576:rate=25:duration=2 -f lavfi -i "
                                       "sine=frequency=440:sample_rate=48000:duration=2 -target pal-dvd -aspect 4:3 "
                                       "clip.mpg",
                                   Code);
        EXPECT_EQ(Code, 0) << Log;
        std::ofstream(Work + "dvd.xml") << "<dvdauthor dest=\"" << Root
                                         << "Trip\">\n <vmgm />\n <titleset>\n  <titles>\n"
                                            "   <video format=\"pal\" aspect=\"4:3\"/>\n"
                                            "   <pgc><vob file=\"clip.mpg\"/></pgc>\n  </titles>\n </titleset>\n"
                                            "</dvdauthor>\n";
        Log = RunShell("cd " + Quote(Work) + " && VIDEO_FORMAT=PAL dvdauthor -x dvd.xml", Code);
        EXPECT_EQ(Code, 0) << Log;
        std::ofstream(Root + "Trip/notes.txt") << "not for the disc";
        return Root + "Trip/VIDEO_TS";
    }
    std::vector<std::string> Images() const {
        std::vector<std::string> Names;
        std::error_code E;
        if (fs::exists(Root + "images", E))
            for (const auto& Entry : fs::directory_iterator(Root + "images")) Names.push_back(Entry.path().filename());
        return Names;
    }

protected:
    // The image recorder writes into the test's folder; the engine log is on.
    void BeforeStart() override {
        setenv("TESSARO_RECORDER_DIR", (Root + "images").c_str(), 1);
        unsetenv("TESSARO_RECORDER_CAPACITY");
        EnableEngineLog();
    }
    // The recorder's disc lives as long as the process: the next test gets an
    // empty one.
    void BeforeShutdown() override {
        if (F && F->Burner) F->Burner->Eject();
    }
    void AfterShutdown() override { unsetenv("TESSARO_RECORDER_DIR"); }
};

}  // namespace

TEST_F(BurnWindowE2E, BurnVideoTsWritesExactlyThatFolderToAnImage) {
    const std::string VideoTs = MakeTrip();
    F->txtDiscLabel->SetText("Trip");
    // Without menus the authoring tool writes no VIDEO_TS.VOB: the folder is
    // called abnormal and the user goes on.
    BurnVideoTs(VideoTs, {IDOK, IDOK});
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{IDS_main_MSG_DVDFile, IDS_Main_MSG_Finished}));
    ASSERT_EQ(Images(), std::vector<std::string>{"Trip.iso"});
    const std::string Iso = Root + "images/Trip.iso";

    int Code;
    std::string L = RunShell("lsdvd " + Quote(Iso), Code);
    ASSERT_EQ(Code, 0) << L;
    EXPECT_NE(L.find("Title: 01"), std::string::npos) << L;
    EXPECT_EQ(L.find("Title: 02"), std::string::npos) << L;

    // The image holds the VIDEO_TS folder (and AUDIO_TS when the tool made
    // one), file for file, and nothing that lay beside them.
    std::vector<std::string> Expected;
    for (const char* Sub : {"VIDEO_TS", "AUDIO_TS"}) {
        if (!fs::exists(Root + "Trip/" + Sub)) continue;
        Expected.push_back(std::string("/") + Sub);
        for (const auto& Entry : fs::directory_iterator(Root + "Trip/" + Sub))
            Expected.push_back(std::string("/") + Sub + "/" + Entry.path().filename().string());
    }
    std::vector<std::string> OnImage;
    std::string Listing = RunShell("isoinfo -f -i " + Quote(Iso), Code);
    ASSERT_EQ(Code, 0) << Listing;
    std::istringstream Lines(Listing);
    for (std::string Line; std::getline(Lines, Line);) {
        if (auto Semi = Line.rfind(";1"); Semi != std::string::npos) Line.erase(Semi);
        if (!Line.empty()) OnImage.push_back(Line);
    }
    std::sort(Expected.begin(), Expected.end());
    std::sort(OnImage.begin(), OnImage.end());
    EXPECT_EQ(OnImage, Expected) << Listing;

    const std::vector<std::string> S = StatusTexts();
    EXPECT_TRUE(InOrder(S, {IDS_Main_Info_RefreshDevice, "Start to burn...!", "Closing Session!",
                            IDS_Main_MSG_Finished}));
    EXPECT_EQ(S.back(), IDS_Main_MSG_Finished);
    EXPECT_EQ(F->StatusBar->Panels().Items(0)->Text(), IDS_Main_MSG_Finished);
    ExpectStepEnded();

    // The engine log: "hh:nn:ss.zzz: " and the call.
    for (const char* Line : {"BurnLib_Recorder_TestUnitReady", "BurnLib_DVDVideo_Create",
                             "BurnLib_DVDVideo_GetTreePointer", "BurnLib_Recorder_CloseSession"})
        EXPECT_TRUE(LogHasLine(Root + "tessaro.log", Line)) << Line;
}

TEST_F(BurnWindowE2E, AFolderWithoutItsInformationFileIsRefused) {
    const std::string VideoTs = MakeTrip();
    // The menu file is there, its information file is not.
    std::ofstream(VideoTs + "/VIDEO_TS.VOB") << std::string(2048, '\0');
    ASSERT_TRUE(DeleteFile(VideoTs + "/VIDEO_TS.IFO"));
    BurnVideoTs(VideoTs, {IDCANCEL});
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{IDS_main_MSG_DVDFile});
    EXPECT_TRUE(Images().empty());
    ExpectStepEnded();
}

TEST_F(BurnWindowE2E, CancelInTheDialogStopsTheBurnAndLeavesNoImage) {
    const std::string VideoTs = MakeTrip();
    // A stray file inside the folder: the library says it leaves it out from
    // inside its burn call, where the worker is held (a slow drive) until the
    // dialog's Cancel has been pressed, at most 5 s.
    std::ofstream(VideoTs + "/notes.txt") << "not for the disc";
    std::atomic<bool> InBurn{false}, Pressed{false};
    Statuses.OnStatus = [&](const std::string& Text) {
        if (Text.rfind("Ignoring name", 0) != 0) return;
        InBurn = true;
        for (int I = 0; I < 500 && !Pressed; ++I) Sleep(10);
    };
    TTimer Press(nullptr);
    Press.SetInterval(10);
    std::chrono::steady_clock::time_point PressedAt;
    Press.SetOnTimer([&](TObject*) {
        if (!InBurn) return;
        Press.SetEnabled(false);
        frmProgressOther->btnCancel->Click();
        PressedAt = std::chrono::steady_clock::now();
        Pressed = true;
    });
    BurnVideoTs(VideoTs, {IDOK, IDOK});
    Press.SetEnabled(false);
    // For the record, not a limit: how long the step took to end after Cancel.
    if (Pressed)
        std::printf("[ cancel ] the burn step ended %.0f ms after Cancel\n",
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - PressedAt).count());
    Statuses.OnStatus = nullptr;
    ASSERT_TRUE(Pressed) << "the library reported no left-out name";
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{IDS_main_MSG_DVDFile, STR_PROCESSOTHER_AbortProc}));
    const std::vector<std::string> S = StatusTexts();
    ASSERT_FALSE(S.empty());
    EXPECT_EQ(S.back(), IDS_Main_BurnCancel);
    EXPECT_EQ(std::find(S.begin(), S.end(), IDS_Main_MSG_Faile), S.end());
    EXPECT_TRUE(Images().empty()) << "an image was left";
    ExpectStepEnded();
}
