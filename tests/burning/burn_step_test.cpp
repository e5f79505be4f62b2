// The disc checks of the burn step with a scripted window (boxes, rescans,
// erase dialog) and the scripted library.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "burning/burn_step.h"
#include "core/globals.h"
#include "core/ui_texts.h"
#include "fake_burnlib.h"
#include "platform/commctl/commctrl.h"

namespace fs = std::filesystem;

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { InitUITexts(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

struct TDisc {
    DISC_TYPE Type;
    int64_t Free, Used;
};

class DiscCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeburn::Install();
        sbCallBackEventer = std::make_unique<TsbCallBackEventer>();
        sbCallBackEventer->OnMessage = [this](const std::string& Text, int) { Log.push_back("status: " + Text); };
        Burner.TransportType = ttSpti;
        Burner.DeviceName = "CDROM0";
        Burner.OpenDevice();
        Host.MessageBox = [this](const std::string& Text, const std::string& Caption, unsigned Flags) {
            Log.push_back("box " + Caption + ": " + Text);
            BoxFlags.push_back(Flags);
            if (Answers.empty()) return IDOK;
            int A = Answers.front();
            Answers.pop_front();
            return A;
        };
        Host.Rescan = [this] {
            Log.push_back("rescan");
            if (!AfterRescan.empty()) {
                Put(AfterRescan.front());
                AfterRescan.pop_front();
            }
        };
        Host.RunEraseDialog = [this] {
            Log.push_back("erase dialog");
            if (EraseEmpties) Put({Type, Space.TotalBytes, 0});
        };
    }
    void TearDown() override {
        sbCallBackEventer.reset();
        fakeburn::Remove();
    }
    void Put(const TDisc& D) {
        Type = D.Type;
        Space.FreeBytes = D.Free;
        Space.UsedBytes = D.Used;
        Space.TotalBytes = D.Free + D.Used;
    }
    bool Present(int64_t Need) { return CheckDiscPresent(Burner, {Space, Type}, Need, Host); }

    TsbBurner Burner;
    TsbDiscCheckHost Host;
    TsbDiscSpace Space;
    DISC_TYPE Type = DISC_TYPE_UNKNOWN;
    std::deque<int> Answers;
    std::deque<TDisc> AfterRescan;
    bool EraseEmpties = true;
    std::vector<std::string> Log;
    std::vector<unsigned> BoxFlags;
};

constexpr int64_t GB = 1'000'000'000;

TEST_F(DiscCheckTest, AnEmptyDiscWithRoomPassesWithoutAsking) {
    Put({DISC_TYPE_DVDPLUSR, 4 * GB, 0});
    EXPECT_TRUE(Present(GB));
    EXPECT_TRUE(Log.empty());
}

TEST_F(DiscCheckTest, NoDiscEjectsAsksAndRescans) {
    Put({DISC_TYPE_NO_MEDIA, 0, 0});
    AfterRescan = {{DISC_TYPE_NO_MEDIA, 0, 0}};
    EXPECT_FALSE(Present(GB));
    const std::string T = "There is no disc in the writable drive! Please insert an empty DVD disc before continuing!";
    EXPECT_EQ(Log, (std::vector<std::string>{"status: Eject!", "status: " + T, "box Hint: " + T, "rescan"}));
    EXPECT_EQ(BoxFlags, std::vector<unsigned>{MB_OK | MB_ICONERROR});
    // A disc inserted meanwhile goes on through the other checks.
    Log.clear();
    Put({DISC_TYPE_UNKNOWN, 0, 0});
    AfterRescan = {{DISC_TYPE_DVDR, 4 * GB, 0}};
    EXPECT_TRUE(Present(GB));
}

TEST_F(DiscCheckTest, ANonWritableDiscIsRefused) {
    Put({DISC_TYPE_DVDROM, 0, 4 * GB});
    AfterRescan = {{DISC_TYPE_DVDROM, 0, 4 * GB}};
    EXPECT_FALSE(Present(GB));
    const std::string T = "Find no writable media, please insert a writable media!";
    EXPECT_EQ(Log, (std::vector<std::string>{"status: " + T, "status: Eject!", "box Hint: " + T, "rescan"}));
}

TEST_F(DiscCheckTest, NotEmptyRewritableErasedAfterYes) {
    Put({DISC_TYPE_DVDPLUSRW, 3 * GB, GB});
    Answers = {IDOK};
    EXPECT_TRUE(Present(GB));
    EXPECT_EQ(Log, (std::vector<std::string>{
                       "box Hint: The destined disc is not empty, erasing media to get space?",
                       "status: The destined disc is not empty, erasing media to get space?->Yes!",
                       "status: Erasing disc, please wait...", "erase dialog", "rescan"}));
    EXPECT_EQ(BoxFlags, std::vector<unsigned>{MB_OKCANCEL});
}

TEST_F(DiscCheckTest, NotEmptyRewritableDeclined) {
    Put({DISC_TYPE_DVDPLUSRW, 3 * GB, GB});
    Answers = {IDCANCEL};
    EXPECT_FALSE(Present(GB));
    EXPECT_EQ(Log, (std::vector<std::string>{
                       "box Hint: The destined disc is not empty, erasing media to get space?", "status: Eject!",
                       "status: The destined disc is not empty! Please insert an empty disc before continuing!"}));
    EXPECT_EQ(fakeburn::CountOf("BurnLib_Recorder_Eject"), 1);
}

TEST_F(DiscCheckTest, AnEraseThatLeavesTheDiscFullFails) {
    Put({DISC_TYPE_DVDRWSR, 3 * GB, GB});
    EraseEmpties = false;
    Answers = {IDOK, IDOK};
    EXPECT_FALSE(Present(GB));
    const std::string T = "Erasing failed! It may caused by unexpected error or no execution!";
    ASSERT_GE(Log.size(), 8u);
    EXPECT_EQ(Log[5], "status: " + T);
    EXPECT_EQ(Log[6], "box Hint: " + T);
    EXPECT_EQ(Log[7], "status: Eject!");
}

TEST_F(DiscCheckTest, NotEmptyWriteOnceIsRefusedUnlessSwapped) {
    Put({DISC_TYPE_DVDR, 3 * GB, GB});
    AfterRescan = {{DISC_TYPE_DVDR, 3 * GB, GB}};
    EXPECT_FALSE(Present(GB));
    const std::string T = "The destined disc is not empty! Please insert an empty disc before continuing!";
    EXPECT_EQ(Log, (std::vector<std::string>{"status: Eject!", "box Error: " + T, "rescan", "status: " + T}));
}

TEST_F(DiscCheckTest, FreeSpaceEqualToTheNeedIsTooSmall) {
    Put({DISC_TYPE_DVDPLUSR, GB, 0});
    AfterRescan = {{DISC_TYPE_DVDPLUSR, GB, 0}};
    EXPECT_FALSE(Present(GB));
    const std::string T = "The free space in destined disc is too little to continue! Please inserting other disc";
    EXPECT_EQ(Log, (std::vector<std::string>{"status: Eject!", "status: " + T, "box Error: " + T, "rescan"}));
    Log.clear();
    Put({DISC_TYPE_DVDPLUSR, GB, 0});
    EXPECT_TRUE(Present(GB - 1));
}

TEST(BurnStepSpace, MegabyteTextsAndStatuses) {
    struct {
        int64_t Bytes;
        const char* Text;
    } Cases[] = {{4700000000LL, "4482.27"}, {1572864, "1.5"}, {0, "0"}, {131072, "0.12"}, {393216, "0.38"}};
    for (const auto& C : Cases) EXPECT_EQ(sbBytesToMBText(C.Bytes), C.Text) << C.Bytes;
    TsbDiscSpace S{4700000000LL - 1572864, 4700000000LL, 1572864, 0};
    EXPECT_EQ(DiscSpaceText(DISC_TYPE_DVDPLUSR, S), "DVD+R, Used Space:1.5 MB, Free Space:4480.77 MB");

    std::vector<std::string> Statuses;
    sbCallBackEventer = std::make_unique<TsbCallBackEventer>();
    sbCallBackEventer->OnMessage = [&](const std::string& T, int K) {
        EXPECT_EQ(K, 0);
        Statuses.push_back(T);
    };
    ReportBurnSpace(3 * 1048576 / 2, S);
    sbCallBackEventer.reset();
    EXPECT_EQ(Statuses, (std::vector<std::string>{"Need Space: 1.50 MB", "Total Space: 4482.27 MB",
                                                  "Free Space: 4480.77 MB", "Used Space: 1.50 MB"}));

    TsbVideoBurnOptions O = DvdVideoBurnOptions("/d/VIDEO_TS", "Trip", EncodeDate(2026, 12, 10) + EncodeTime(9, 5, 3, 7));
    EXPECT_TRUE(O.Used);
    EXPECT_EQ(O.VideoKind, 2);
    EXPECT_EQ(O.VideoTsFolder, "/d/VIDEO_TS");
    EXPECT_EQ(O.VolumeLabel, "Trip");
    EXPECT_EQ(std::vector<int>({O.Year, O.Month, O.Day, O.Hour, O.Minute, O.Second, O.Millisecond}),
              std::vector<int>({2026, 12, 10, 9, 5, 3, 7}));
}

TEST(BurnStepSpace, CountsTheVideoFoldersOnly) {
    fs::path D = fs::temp_directory_path() / ("sbstep-" + std::to_string(getpid()));
    fs::create_directories(D / "video_ts");
    fs::create_directories(D / "AUDIO_TS");
    std::ofstream(D / "video_ts" / "VIDEO_TS.IFO") << std::string(3000, 'v');
    std::ofstream(D / "AUDIO_TS" / "x") << std::string(7, 'a');
    std::ofstream(D / "clip.mpg") << std::string(50000, 'c');
    EXPECT_EQ(GetVideoFolderSize(D.string()), 3007);
    EXPECT_EQ(GetFolderSize(D.string()), 53007);
    fs::remove_all(D);
}

}  // namespace
