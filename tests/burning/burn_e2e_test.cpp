// A VIDEO_TS folder made by dvdauthor burnt through the engine (scan, open,
// speeds, preparation, burn worker) to the burning library's image recorder,
// then read back with lsdvd and erased again; the engine log holds the
// designed lines.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <regex>

#include "burning/burn_engine.h"
#include "burning/burn_step.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/system/process.h"
#include "platform/system/registry.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& S) {
    std::string R = "'";
    for (char C : S) R += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return R + "'";
}

// Output and exit code of a shell command, with a time limit.
std::string RunShell(const std::string& Command, int& Code, int Seconds = 240) {
    std::string Full = "timeout " + std::to_string(Seconds) + " sh -c " + Quote(Command) + " 2>&1";
    std::FILE* P = popen(Full.c_str(), "r");
    std::string Out;
    char Buf[4096];
    size_t N;
    while (P && (N = std::fread(Buf, 1, sizeof Buf, P)) > 0) Out.append(Buf, N);
    int Status = P ? pclose(P) : -1;
    Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    return Out;
}

bool HaveTool(const std::string& Name) {
    int Code;
    RunShell("command -v " + Name, Code, 10);
    return Code == 0;
}

class BurnEngineE2E : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* Tool : {"ffmpeg", "dvdauthor", "lsdvd"})
            if (!HaveTool(Tool)) GTEST_SKIP() << Tool << " is not installed";
        Dir = Scratch.Path();
        setenv("TESSARO_RECORDER_DIR", (Dir / "images").c_str(), 1);
        unsetenv("TESSARO_RECORDER_CAPACITY");
        const char* Old = std::getenv("XDG_CONFIG_HOME");
        if (Old) SavedConfig = Old;
        HadConfig = Old != nullptr;
        setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
        HKEY K = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\BurnLib\\Sample", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &K, nullptr),
                  ERROR_SUCCESS);
        DWORD One = 1;
        RegSetValueExA(K, "LogEnabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&One), 4);
        RegCloseKey(K);

        InitUITexts();
        FormsStartup();
        sbCallBackEventer = std::make_unique<TsbCallBackEventer>();
        sbCallBackEventer->OnMessage = [this](const std::string& Text, int) {
            std::lock_guard<std::mutex> G(Lock);
            Statuses.push_back(Text);
        };
        sbCallBackEventer->OnProgress = [this](TObject*, int P) { LastProgress = P; };
        sbCallBackEventer->OnEraseProgress = [this](TObject*, int P) { EraseProgress.push_back(P); };
        sbCallBackEventer->OnEraseDone = [this](TObject*, bool S) { EraseDone.push_back(S); };
        BurnEngineStartup();
        sbLogger->LogFile = (Dir / "engine.log").string();
    }
    void TearDown() override {
        BurnEngineShutdown();
        sbCallBackEventer.reset();
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        FormsShutdown();
        unsetenv("TESSARO_RECORDER_DIR");
        if (HadConfig)
            setenv("XDG_CONFIG_HOME", SavedConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    // A test clip made DVD-ready by ffmpeg, authored by dvdauthor without menus.
    std::string MakeVideoTs() {
        fs::path Work = Dir / "work";
        fs::create_directories(Work);
        int Code;
        std::string Log = RunShell("cd " + Quote(Work.string()) +
                                  " && ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                                  "testsrc=size=720x576:rate=25:duration=2 -f lavfi -i "
                                  "sine=frequency=440:sample_rate=48000:duration=2 -target pal-dvd -aspect 4:3 clip.mpg",
                              Code);
        EXPECT_EQ(Code, 0) << Log;
        std::ofstream(Work / "dvd.xml") << "<dvdauthor dest=\"Trip\">\n <vmgm />\n <titleset>\n  <titles>\n"
                                           "   <video format=\"pal\" aspect=\"4:3\"/>\n"
                                           "   <pgc><vob file=\"clip.mpg\"/></pgc>\n  </titles>\n </titleset>\n"
                                           "</dvdauthor>\n";
        Log = RunShell("cd " + Quote(Work.string()) + " && VIDEO_FORMAT=PAL dvdauthor -x dvd.xml", Code);
        EXPECT_EQ(Code, 0) << Log;
        return (Work / "Trip").string();
    }

    TTempFolder Scratch{"sbe2e"};
    fs::path Dir;
    std::string SavedConfig;
    bool HadConfig = false;
    std::mutex Lock;
    std::vector<std::string> Statuses;
    std::atomic<int> LastProgress{-1};
    std::vector<int> EraseProgress;
    std::vector<bool> EraseDone;
};

TEST_F(BurnEngineE2E, VideoTsFolderBurntToTheImageRecorderReadsBackWithLsdvd) {
    std::string Output = MakeVideoTs();
    std::string VideoTs = Output + "/" + FindNameNoCase(Output, "VIDEO_TS");
    ASSERT_TRUE(fs::exists(VideoTs + "/VIDEO_TS.IFO"));
    // Without menus dvdauthor writes no VIDEO_TS.VOB: the check calls such a
    // folder abnormal (the burn step asks whether to go on).
    EXPECT_EQ(CheckVideoTsFolder(VideoTs), fs::exists(VideoTs + "/VIDEO_TS.VOB"));
    int64_t NeedSpace = GetFolderSize(Output);
    ASSERT_GT(NeedSpace, 0);

    TsbBurner Burner;
    ASSERT_EQ(BurnLibDll->BurnLib_UpStartEx(), 1);
    TsbDeviceFinder& Finder = *Burner.DeviceFinder;
    Finder.Transport = ttSpti;
    Finder.FindDevices(false);
    TsbDeviceItem* Recorder = nullptr;
    for (int I = 0; I < Finder.Devices->Count(); ++I)
        if (Finder.Devices->GetItem(I)->DeviceName == "CDROM0") Recorder = Finder.Devices->GetItem(I);
    ASSERT_NE(Recorder, nullptr);
    EXPECT_TRUE(Recorder->MediaFormats[6]) << "the recorder writes DVDs";
    ASSERT_TRUE(IsWritableMedia(Recorder->DiscType));
    TsbDiscSpace Space = Finder.GetDiscSpace(*Recorder);
    EXPECT_GT(Space.FreeBytes, NeedSpace);

    Burner.TransportType = Recorder->TransportType;
    Burner.DeviceName = Recorder->DeviceName;
    Burner.DiscType = Recorder->DiscType;
    Burner.DiscSpace = Space;
    Burner.OpenDevice();
    Burner.WriteSpeeds->FillWriteSpeeds(Burner);
    ASSERT_GT(Burner.WriteSpeeds->Count(), 0);
    Burner.BurnOptions.Speed = Burner.WriteSpeeds->GetItem(0)->SpeedInSize;
    ASSERT_TRUE(PrepareBurner(Burner)) << Burner.LastError;

    Burner.VideoBurnOptions.Used = true;
    Burner.VideoBurnOptions.VideoKind = 2;
    Burner.VideoBurnOptions.VideoTsFolder = VideoTs;
    Burner.VideoBurnOptions.VolumeLabel = "Engine Trip";
    Burner.VideoBurnOptions.Year = 2026;
    Burner.VideoBurnOptions.Month = 12;
    Burner.VideoBurnOptions.Day = 10;
    Burner.Cancelled = false;
    Burner.BurnOptions.EjectAfterBurn = false;  // the disc keeps the image until erased
    Burner.LockTray();
    Burner.BurnVideo();
    ASSERT_TRUE(Burner.Success) << Burner.LastError;
    EXPECT_EQ(LastProgress.load(), 100);
    {
        std::lock_guard<std::mutex> G(Lock);
        auto Has = [&](const std::string& S) { return std::find(Statuses.begin(), Statuses.end(), S) != Statuses.end(); };
        EXPECT_TRUE(Has("Start to burn...!"));
        EXPECT_TRUE(Has("Closing Session!"));
        EXPECT_FALSE(Has("Eject!"));
    }

    fs::path Iso = Dir / "images" / "Engine Trip.iso";
    ASSERT_TRUE(fs::exists(Iso));
    int Code;
    std::string L = RunShell("lsdvd " + Quote(Iso.string()), Code, 60);
    ASSERT_EQ(Code, 0) << L;
    EXPECT_NE(L.find("Title: 01"), std::string::npos) << L;
    EXPECT_EQ(L.find("Title: 02"), std::string::npos) << L;

    // The recorder's disc now holds the image; a quick erase empties it again.
    TsbDiscSpace Burnt = Finder.GetDiscSpace(*Recorder);
    EXPECT_GT(Burnt.UsedBytes, 0);
    Burner.DiscSpace = Burnt;
    Burner.EraseOptions.FullErase = false;
    Burner.Erase();
    EXPECT_TRUE(Burner.Success) << Burner.LastError;
    ASSERT_FALSE(EraseProgress.empty());
    EXPECT_EQ(EraseProgress.front(), 0);
    EXPECT_EQ(EraseProgress.back(), 100);
    EXPECT_EQ(EraseDone, std::vector<bool>{true});
    TsbDiscSpace Erased = Finder.GetDiscSpace(*Recorder);
    EXPECT_EQ(Erased.UsedBytes, 0);
    EXPECT_EQ(Erased.FreeBytes, Erased.TotalBytes);
    EXPECT_TRUE(fs::exists(Iso)) << "erasing leaves the image file";

    std::ifstream F(sbLogger->LogFile);
    std::string Log((std::istreambuf_iterator<char>(F)), std::istreambuf_iterator<char>());
    for (const char* Line : {"BurnLib_Recorder_Create (after create): PortID:0,BusID:0,TargetID:0,LUN:0",
                             "BurnLib_Recorder_GetSpeeds", "BurnLib_DVDVideo_Create", "BurnLib_DVDVideo_GetTreePointer",
                             "BurnLib_Recorder_Blank: EraseType: ERASE_TYPE_BLANK_DISC_FAST"})
        EXPECT_TRUE(std::regex_search(Log, std::regex("(^|\n)\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d: " +
                                                      std::regex_replace(Line, std::regex(R"([().])"), R"(\$&)") +
                                                      "\n")))
            << Line << "\n"
            << Log;
}

TEST_F(BurnEngineE2E, CancelFromTheGuiThreadEndsTheBurnAndLeavesNoImage) {
    std::string VideoTs = MakeVideoTs() + "/VIDEO_TS";
    // A stray file: the library leaves it out and says so from inside its
    // burn call, where the handler below holds the worker (a slow drive)
    // until the GUI thread's Cancel has gone out, at most 5 s.
    std::ofstream(VideoTs + "/notes.txt") << "not for the disc";
    TsbBurner Burner;
    ASSERT_EQ(BurnLibDll->BurnLib_UpStartEx(), 1);
    Burner.TransportType = ttSpti;
    Burner.DeviceName = "CDROM0";
    Burner.OpenDevice();
    Burner.VideoBurnOptions = DvdVideoBurnOptions(VideoTs, "Cancelled", Now());

    std::atomic<bool> InBurn{false}, CancelSent{false};
    sbCallBackEventer->OnMessage = [&](const std::string& Text, int) {
        {
            std::lock_guard<std::mutex> G(Lock);
            Statuses.push_back(Text);
        }
        if (Text.rfind("Ignoring name", 0) != 0) return;
        InBurn = true;
        for (int I = 0; I < 500 && !CancelSent; ++I) Sleep(10);
    };
    TTimer Timer(nullptr);
    Timer.SetInterval(1);
    Timer.SetOnTimer([&](TObject*) {
        if (!InBurn) return;
        Timer.SetEnabled(false);
        Burner.CancelBurn();
        CancelSent = true;
    });
    Burner.BurnVideo();
    Timer.SetEnabled(false);
    ASSERT_TRUE(CancelSent) << "the library reported no left-out name";
    EXPECT_FALSE(Burner.Success);
    EXPECT_FALSE(Burner.Cancelled);
    EXPECT_EQ(Burner.LastError, "");
    {
        std::lock_guard<std::mutex> G(Lock);
        EXPECT_NE(std::find(Statuses.begin(), Statuses.end(), "Burning Cancelled!"), Statuses.end());
        EXPECT_EQ(std::find(Statuses.begin(), Statuses.end(), "Closing Session!"), Statuses.end());
    }
    std::error_code E;
    EXPECT_TRUE(!fs::exists(Dir / "images", E) || fs::is_empty(Dir / "images", E)) << "an image was left";
}

}  // namespace
