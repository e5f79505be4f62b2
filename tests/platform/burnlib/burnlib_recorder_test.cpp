// The burning library's calls on the image recorder: discovery, disc and speed
// queries, burning with progress, cancel from another thread, a disc too small,
// and the result codes and texts of failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include "burnlib_test_util.h"
#include "platform/burnlib/burnlib.h"
#include "platform/burnlib/burnlib_rules.h"
#include "platform/burnlib/dvdvideo_image.h"
#include "platform/system/registry.h"

using namespace burntest;

namespace {

// What the callback saw; the callback runs on the burning thread.
struct TSeen {
    std::mutex Lock;
    std::vector<int64_t> Percents;
    std::vector<int64_t> Buffers;
    std::vector<std::string> Ignored;
    std::vector<std::pair<BURNLIB_DEVICE_ADDRESS, std::string>> Devices;
    std::thread::id Thread;
    // Optional: hold the burn at its first real progress until released.
    bool HoldAtProgress = false;
    bool Reached = false, Released = false;
    std::condition_variable Cv;
};

void Callback(int32_t Kind, void* Context, void* S1, void* S2) {
    auto* seen = static_cast<TSeen*>(Context);
    std::unique_lock<std::mutex> lock(seen->Lock);
    seen->Thread = std::this_thread::get_id();
    if (Kind == BURNLIB_CB_PROGRESS) {
        int64_t total = *static_cast<int64_t*>(S1), done = *static_cast<int64_t*>(S2);
        if (total) seen->Percents.push_back(done * 100 / total);
        if (seen->HoldAtProgress && done > 0 && !seen->Reached) {
            seen->Reached = true;
            seen->Cv.notify_all();
            seen->Cv.wait_for(lock, std::chrono::seconds(10), [&] { return seen->Released; });
        }
    } else if (Kind == BURNLIB_CB_BUFFER) {
        uint32_t size = *static_cast<uint32_t*>(S1), free = *static_cast<uint32_t*>(S2);
        if (size) seen->Buffers.push_back(100 - int64_t(free) * 100 / size);
    } else if (Kind == BURNLIB_CB_IGNORED_NAME) {
        seen->Ignored.push_back(static_cast<const char*>(S1));
    } else if (Kind == BURNLIB_CB_DEVICE_FOUND) {
        seen->Devices.push_back({*static_cast<BURNLIB_DEVICE_ADDRESS*>(S1), S2 ? static_cast<const char*>(S2) : ""});
    }
}

// The error arguments of one call.
struct TErr {
    char Text[BURNLIB_EXCEPTION_TEXT_SIZE];
    uint32_t System = 12345;
    BURNLIB_FAILURE_INFO Failure;
    TErr() {
        std::memset(Text, 'x', sizeof Text);
        std::memset(&Failure, 0xAB, sizeof Failure);
    }
    std::string text() const { return Text; }
};
#define ERR(e) (e).Text, BURNLIB_EXCEPTION_TEXT_SIZE, &(e).System, &(e).Failure

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        out = dir.Path() + "/out";
        setenv("TESSARO_RECORDER_DIR", out.c_str(), 1);
        unsetenv("TESSARO_RECORDER_CAPACITY");
        ASSERT_EQ(BurnLib_UpStartEx(), 1);
        TErr e;
        ASSERT_EQ(BurnLib_Recorder_CreateEx(&drive, ERR(e), "CDROM0", Callback, &seen, 0), BURNLIB_OK) << e.text();
        ASSERT_NE(drive, 0u);
        ASSERT_EQ(BurnLib_Recorder_Eject(drive, ERR(e)), BURNLIB_OK);  // a fresh empty disc
    }
    void TearDown() override {
        for (auto h : dvds) BurnLib_DVDVideo_Destroy(h);
        if (drive) BurnLib_Destroy(drive);
        unsetenv("TESSARO_RECORDER_DIR");
        unsetenv("TESSARO_RECORDER_CAPACITY");
    }

    // A VIDEO_TS folder of pattern files; Big adds that many MB of title data.
    std::string MakeFolder(const std::string& name, size_t bigMb = 0) {
        std::string vts = dir.Path() + "/" + name + "/VIDEO_TS";
        int rc;
        RunTool("mkdir -p " + Quote(vts), rc);
        WriteFile(vts + "/VIDEO_TS.IFO", Pattern(6144, 1));
        WriteFile(vts + "/VIDEO_TS.BUP", Pattern(6144, 1));
        WriteFile(vts + "/VTS_01_0.IFO", Pattern(12288, 2));
        WriteFile(vts + "/VTS_01_0.BUP", Pattern(12288, 2));
        WriteFile(vts + "/VTS_01_1.VOB", Pattern(300000 + bigMb * 1024 * 1024, 3));
        WriteFile(vts + "/readme.txt", Pattern(10, 4));
        return vts;
    }

    BURNLIB_HANDLE Tree(const std::string& folder, const char* label) {
        BURNLIB_HANDLE dvd = 0;
        TErr e;
        EXPECT_EQ(BurnLib_DVDVideo_Create(&dvd, folder.c_str(), 1, e.Text, BURNLIB_EXCEPTION_TEXT_SIZE, &e.System,
                                          label, "", "/usr/bin/tessaro", 2025, 6, 1, 12, 30, 15, 500),
                  BURNLIB_OK)
            << e.text();
        dvds.push_back(dvd);
        return BurnLib_DVDVideo_GetTreePointer(dvd);
    }

    uint8_t Burn(BURNLIB_HANDLE tree, TErr& e, int32_t testMode = 0) {
        return BurnLib_Recorder_TrackAtOnceFromTree(drive, ERR(e), tree, 0, testMode, 1, 1, 5);
    }

    std::vector<std::string> Images() {
        std::vector<std::string> v = ListDir(out);
        std::sort(v.begin(), v.end());
        return v;
    }

    TempDir dir;
    std::string out;
    BURNLIB_HANDLE drive = 0;
    std::vector<BURNLIB_HANDLE> dvds;
    TSeen seen;
};

TEST(BurnLibTest, VersionAndDiscoveryListTheRecorderFirst) {
    EXPECT_EQ(BurnLib_GetVersion(), 0x20080820u);
    EXPECT_EQ(BurnLib_UpStartEx(), 1);
    EXPECT_EQ(BurnLib_UpStartEx(), 1);  // once per engine object, any number of objects
    TSeen seen;
    int32_t n = BurnLib_FindDevice(5, 0, Callback, &seen);
    ASSERT_GE(n, 1);
    ASSERT_EQ(seen.Devices.size(), size_t(n));
    EXPECT_EQ(seen.Devices[0].second, "CDROM0");
    const BURNLIB_DEVICE_ADDRESS a = seen.Devices[0].first;
    EXPECT_EQ(a.Flag, 1);
    // The address opens the same drive as the name.
    TErr e;
    BURNLIB_HANDLE h = 0;
    ASSERT_EQ(BurnLib_Recorder_Create(&h, ERR(e), a.PortID, a.BusID, a.TargetID, a.LUN, nullptr, nullptr, 1),
              BURNLIB_OK);
    char vendor[1024], product[1024], revision[1024];
    uint32_t buffer = 0;
    EXPECT_EQ(BurnLib_Recorder_GetDeviceInformation(h, vendor, product, revision, &buffer), BURNLIB_OK);
    EXPECT_STREQ(product, "Image Recorder  ");
    char name[1024];
    EXPECT_EQ(BurnLib_GetDeviceNameByDeviceAddress(a.PortID, a.BusID, a.TargetID, a.LUN, name, sizeof name),
              BURNLIB_OK);
    EXPECT_EQ(std::string(name).substr(0, 4), "\\\\.\\");
    BurnLib_Destroy(h);
}

TEST(BurnLibTest, BadHandlesAndNamesFailWithTextsAndNoCrash) {
    TErr e;
    EXPECT_EQ(BurnLib_Recorder_TestUnitReady(0xDEAD0, ERR(e)), BURNLIB_ERROR_INVALID_HANDLE);
    EXPECT_NE(e.text().find("handle"), std::string::npos) << e.text();
    EXPECT_EQ(e.System, 0u);
    EXPECT_EQ(e.Failure.ExceptionNumber, BURNLIB_ERROR_INVALID_HANDLE);
    EXPECT_STREQ(e.Failure.Function, "BurnLib_Recorder_TestUnitReady");

    BURNLIB_HANDLE h = 77;
    EXPECT_EQ(BurnLib_Recorder_CreateEx(&h, ERR(e), "CDROM21", nullptr, nullptr, 1), BURNLIB_ERROR_NO_DRIVE);
    EXPECT_EQ(h, 0u);
    EXPECT_NE(e.text().find("CDROM21"), std::string::npos) << e.text();

    // A destroyed handle is detected, not used.
    ASSERT_EQ(BurnLib_Recorder_CreateEx(&h, ERR(e), "CDROM0", nullptr, nullptr, 1), BURNLIB_OK);
    BurnLib_Destroy(h);
    EXPECT_EQ(BurnLib_Recorder_Eject(h, ERR(e)), BURNLIB_ERROR_INVALID_HANDLE);
    BurnLib_Destroy(h);  // twice: harmless
    EXPECT_EQ(BurnLib_DVDVideo_GetTreePointer(h), 0u);

    // The text is cut to the buffer size given and stays terminated.
    char small[8];
    uint32_t sys = 0;
    EXPECT_EQ(BurnLib_Recorder_TestUnitReady(0xDEAD0, small, sizeof small, &sys, nullptr),
              BURNLIB_ERROR_INVALID_HANDLE);
    EXPECT_EQ(std::strlen(small), 7u);
}

TEST_F(RecorderTest, PresentsAnEmptyWritable47GbDvdWithSpeeds) {
    uint8_t formats[10], ex[6];
    ASSERT_EQ(BurnLib_Recorder_GetSupportedMediaFormats(drive, formats), BURNLIB_OK);
    EXPECT_EQ(formats[6], 1) << "flag 7: writes DVD";
    ASSERT_EQ(BurnLib_Recorder_GetSupportedMediaFormatsExEx(drive, ex), BURNLIB_OK);
    TErr e;
    EXPECT_EQ(BurnLib_Recorder_TestUnitReady(drive, ERR(e)), BURNLIB_OK);
    EXPECT_EQ(e.text(), "");
    EXPECT_EQ(e.System, 0u);
    EXPECT_EQ(BurnLib_Recorder_GetInsertedDiscType(drive), DISC_TYPE_DVDPLUSR);
    uint32_t count = 0;
    int64_t free = 0, used = -1;
    ASSERT_EQ(BurnLib_Recorder_GetDiscFreeSpace(drive, 3, &count, &free), BURNLIB_OK);
    EXPECT_EQ(free, 4700372992LL);
    EXPECT_EQ(count, 2295104u);
    ASSERT_EQ(BurnLib_Recorder_GetDiscUsedSpace(drive, ERR(e), &used), BURNLIB_OK);
    EXPECT_EQ(used, 0);
    BURNLIB_DISC_INFO di;
    ASSERT_EQ(BurnLib_Recorder_GetDiscInformation(drive, ERR(e), &di), BURNLIB_OK);
    EXPECT_EQ(int{di.DiscStatus}, 0);
    EXPECT_EQ(int32_t{di.DiscType}, DISC_TYPE_DVDPLUSR);
    uint8_t modes[4];
    ASSERT_EQ(BurnLib_Recorder_ProbeSupportedWriteModes(drive, ERR(e), modes), BURNLIB_OK);
    EXPECT_EQ(modes[0], 1) << "track-at-once";

    // The engine's DVD speed probe: set each table value, read back the current speed.
    const uint32_t table[] = {1385, 2770, 3324, 4155, 5540, 6925, 8310, 11080, 16620, 22160};
    std::vector<uint32_t> found;
    for (uint32_t t : table) {
        ASSERT_EQ(BurnLib_Recorder_SetSpeeds(drive, ERR(e), BURNLIB_SPEED_DEFAULT, t), BURNLIB_OK);
        uint32_t cr, mr, cw, mw;
        ASSERT_EQ(BurnLib_Recorder_GetSpeeds(drive, ERR(e), &cr, &mr, &cw, &mw), BURNLIB_OK);
        EXPECT_EQ(mw, 22160u);
        if (std::find(found.begin(), found.end(), cw) == found.end()) found.push_back(cw);
    }
    EXPECT_EQ(found, (std::vector<uint32_t>{1385, 2770, 5540, 11080, 22160}));
}

TEST(BurnLibRulesTest, SpeedChoiceAndProfiles) {
    const std::vector<uint32_t> s{1385, 2770, 5540};
    EXPECT_EQ(burnlib::ChooseSpeed(s, BURNLIB_SPEED_DEFAULT), 5540u);
    EXPECT_EQ(burnlib::ChooseSpeed(s, 0), 5540u);
    EXPECT_EQ(burnlib::ChooseSpeed(s, 4155), 2770u);
    EXPECT_EQ(burnlib::ChooseSpeed(s, 100), 1385u);  // below every speed: the slowest
    EXPECT_EQ(burnlib::ChooseSpeed({}, 100), 0u);
    const std::pair<int, DISC_TYPE> profiles[] = {
        {0x00, DISC_TYPE_NO_MEDIA}, {0x09, DISC_TYPE_CDR},         {0x11, DISC_TYPE_DVDR},
        {0x13, DISC_TYPE_DVDRWRO},  {0x14, DISC_TYPE_DVDRWSR},     {0x1A, DISC_TYPE_DVDPLUSRW},
        {0x1B, DISC_TYPE_DVDPLUSR}, {0x2B, DISC_TYPE_DVDPLUSR_DL}, {0x15, DISC_TYPE_DVDR_DL},
        {0x43, DISC_TYPE_BDRE},     {0x40, DISC_TYPE_UNKNOWN},     {0xFFFF, DISC_TYPE_UNKNOWN}};
    for (auto [p, t] : profiles) EXPECT_EQ(burnlib::DiscTypeOfProfile(p), t) << std::hex << p;
}

TEST_F(RecorderTest, BurnWritesTheImageWithProgressAndNumbersTheNextOne) {
    std::string folder = MakeFolder("a");
    BURNLIB_HANDLE tree = Tree(folder, "Summer 2025");
    TErr e;
    ASSERT_EQ(Burn(tree, e), BURNLIB_OK) << e.text();
    EXPECT_EQ(e.text(), "");
    ASSERT_EQ(Images(), std::vector<std::string>{"Summer 2025.iso"});

    // The bytes are our writer's image of that folder.
    burnlib::TDiscTime t{2025, 6, 1, 12, 30, 15, 500};
    burnlib::TDvdVideoImage reference(folder, "Summer 2025", t);
    std::string ref = dir.Path() + "/ref.iso";
    reference.WriteToFile(ref);
    EXPECT_TRUE(ReadFile(out + "/Summer 2025.iso") == ReadFile(ref));

    {
        std::lock_guard<std::mutex> lock(seen.Lock);
        ASSERT_FALSE(seen.Percents.empty());
        EXPECT_TRUE(std::is_sorted(seen.Percents.begin(), seen.Percents.end()));
        EXPECT_EQ(seen.Percents.back(), 100);
        for (int64_t b : seen.Buffers) {
            EXPECT_GE(b, 0);
            EXPECT_LE(b, 100);
        }
        EXPECT_EQ(seen.Ignored, std::vector<std::string>{"readme.txt"});
        EXPECT_EQ(seen.Thread, std::this_thread::get_id()) << "callbacks come on the burning thread";
    }

    // The disc now holds that image: no second burn on it, until it is ejected.
    int64_t used = 0;
    ASSERT_EQ(BurnLib_Recorder_GetDiscUsedSpace(drive, ERR(e), &used), BURNLIB_OK);
    EXPECT_EQ(used, reference.ByteSize());
    EXPECT_EQ(Burn(tree, e), BURNLIB_ERROR_MEDIUM_NOT_WRITABLE);
    EXPECT_NE(e.text().find("Eject"), std::string::npos) << e.text();
    ASSERT_EQ(BurnLib_Recorder_Eject(drive, ERR(e)), BURNLIB_OK);
    ASSERT_EQ(Burn(tree, e), BURNLIB_OK) << e.text();
    EXPECT_EQ(Images(), (std::vector<std::string>{"Summer 2025 (2).iso", "Summer 2025.iso"}));

    // Erasing empties the disc and keeps the images.
    ASSERT_EQ(BurnLib_Recorder_Blank(drive, ERR(e), ERASE_TYPE_BLANK_DISC_FAST), BURNLIB_OK);
    ASSERT_EQ(BurnLib_Recorder_GetDiscUsedSpace(drive, ERR(e), &used), BURNLIB_OK);
    EXPECT_EQ(used, 0);
    EXPECT_EQ(Images().size(), 2u);
}

TEST_F(RecorderTest, DiscTooSmallFailsBeforeWriting) {
    setenv("TESSARO_RECORDER_CAPACITY", "200000", 1);
    BURNLIB_HANDLE tree = Tree(MakeFolder("small"), "Small");
    int64_t free = 0;
    uint32_t count = 0;
    ASSERT_EQ(BurnLib_Recorder_GetDiscFreeSpace(drive, 3, &count, &free), BURNLIB_OK);
    EXPECT_EQ(free, 200000);
    TErr e;
    EXPECT_EQ(Burn(tree, e), BURNLIB_ERROR_MEDIUM_TOO_SMALL);
    EXPECT_NE(e.text().find("too small"), std::string::npos) << e.text();
    EXPECT_EQ(e.Failure.ExceptionNumber, BURNLIB_ERROR_MEDIUM_TOO_SMALL);
    EXPECT_TRUE(Images().empty());
    std::lock_guard<std::mutex> lock(seen.Lock);
    EXPECT_TRUE(seen.Percents.empty()) << "nothing was written, so no progress";
}

TEST_F(RecorderTest, CancelFromAnotherThreadStopsTheBurnAndRemovesTheImage) {
    BURNLIB_HANDLE tree = Tree(MakeFolder("big", 48), "Big");
    seen.HoldAtProgress = true;
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread canceller([&] {
        std::unique_lock<std::mutex> lock(seen.Lock);
        if (!seen.Cv.wait_for(lock, std::chrono::seconds(20), [&] { return seen.Reached; })) return;
        cancelledAt = std::chrono::steady_clock::now();
        BurnLib_Recorder_Cancel(drive);
        seen.Released = true;
        seen.Cv.notify_all();
    });
    TErr e;
    uint8_t rc = Burn(tree, e);
    auto returned = std::chrono::steady_clock::now();
    canceller.join();
    ASSERT_TRUE(seen.Reached) << "the burn never reported progress";
    EXPECT_EQ(rc, BURNLIB_ERROR_CANCELLED) << e.text();
    EXPECT_NE(e.text().find("cancelled"), std::string::npos) << e.text();
    double ms = std::chrono::duration<double, std::milli>(returned - cancelledAt).count();
    std::printf("burn returned %.1f ms after the cancel\n", ms);
    EXPECT_LT(ms, 5000) << "hang guard only";
    EXPECT_TRUE(Images().empty()) << "the partial image is left";
    {
        std::lock_guard<std::mutex> lock(seen.Lock);
        EXPECT_LT(seen.Percents.back(), 100);
        ASSERT_FALSE(seen.Buffers.empty()) << "no buffer report during a burn of 48 MB";
        for (int64_t b : seen.Buffers) {
            EXPECT_GE(b, 0);
            EXPECT_LE(b, 100);
        }
    }
    // The next burn is not affected by the old cancel.
    ASSERT_EQ(BurnLib_Recorder_LockMedium(drive, ERR(e)), BURNLIB_OK);
    seen.HoldAtProgress = false;
    EXPECT_EQ(Burn(Tree(MakeFolder("after"), "After"), e), BURNLIB_OK) << e.text();
}

TEST_F(RecorderTest, CancelBeforeTheBurnStartsCancelsIt) {
    BURNLIB_HANDLE tree = Tree(MakeFolder("early"), "Early");
    BurnLib_Recorder_Cancel(drive);
    TErr e;
    EXPECT_EQ(Burn(tree, e), BURNLIB_ERROR_CANCELLED);
    EXPECT_TRUE(Images().empty());
    // A cancel left over from an earlier burn is dropped when the tray is locked.
    BurnLib_Recorder_Cancel(drive);
    ASSERT_EQ(BurnLib_Recorder_LockMedium(drive, ERR(e)), BURNLIB_OK);
    EXPECT_EQ(Burn(tree, e), BURNLIB_OK) << e.text();
}

TEST_F(RecorderTest, TestModeWritesNothingAndLeavesTheDiscEmpty) {
    BURNLIB_HANDLE tree = Tree(MakeFolder("t"), "Test");
    TErr e;
    ASSERT_EQ(Burn(tree, e, 1), BURNLIB_OK) << e.text();
    EXPECT_TRUE(Images().empty());
    int64_t used = -1;
    ASSERT_EQ(BurnLib_Recorder_GetDiscUsedSpace(drive, ERR(e), &used), BURNLIB_OK);
    EXPECT_EQ(used, 0);
}

TEST_F(RecorderTest, UnwritableFolderFailsWithTheSystemsReason) {
    std::string blocker = dir.Path() + "/file";
    WriteFile(blocker, {1});
    setenv("TESSARO_RECORDER_DIR", (blocker + "/sub").c_str(), 1);  // a folder below a file
    BURNLIB_HANDLE tree = Tree(MakeFolder("w"), "W");
    TErr e;
    EXPECT_EQ(Burn(tree, e), BURNLIB_ERROR_WRITE);
    EXPECT_EQ(e.System, uint32_t(ENOTDIR)) << e.text();
    EXPECT_NE(e.text().find(std::strerror(ENOTDIR)), std::string::npos) << e.text();
}

// Restores environment variables at the end of a test.
class TEnvGuard {
public:
    explicit TEnvGuard(std::vector<std::string> names) {
        for (auto& n : names) {
            const char* v = std::getenv(n.c_str());
            saved.push_back({n, v ? std::optional<std::string>(v) : std::nullopt});
        }
    }
    ~TEnvGuard() {
        for (auto& [n, v] : saved) {
            if (v)
                setenv(n.c_str(), v->c_str(), 1);
            else
                unsetenv(n.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST(BurnLibRulesTest, RecorderFolderFromEnvironmentRegistryVideosOrHome) {
    TempDir dir;
    TEnvGuard guard({"TESSARO_RECORDER_DIR", "TESSARO_RECORDER_CAPACITY", "XDG_CONFIG_HOME", "XDG_VIDEOS_DIR", "HOME"});
    unsetenv("TESSARO_RECORDER_DIR");
    unsetenv("TESSARO_RECORDER_CAPACITY");
    setenv("XDG_CONFIG_HOME", (dir.Path() + "/config").c_str(), 1);  // an empty registry store
    setenv("HOME", dir.Path().c_str(), 1);
    setenv("XDG_VIDEOS_DIR", (dir.Path() + "/Vids").c_str(), 1);

    // No Videos folder yet: home. Then the Videos folder once it exists.
    EXPECT_EQ(burnlib::RecorderSettings().Folder, dir.Path() + "/");
    EXPECT_EQ(burnlib::RecorderSettings().Capacity, 4700372992LL);
    ASSERT_EQ(mkdir((dir.Path() + "/Vids").c_str(), 0755), 0);
    EXPECT_EQ(burnlib::RecorderSettings().Folder, dir.Path() + "/Vids/");

    // The registry value wins over both; the environment wins over the registry.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, burnlib::RecorderRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    std::string folder = dir.Path() + "/isos";
    RegSetValueExA(key, "Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()), DWORD(folder.size() + 1));
    uint32_t cap = 123456;
    RegSetValueExA(key, "Capacity", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&cap), 4);
    RegCloseKey(key);
    EXPECT_EQ(burnlib::RecorderSettings().Folder, folder + "/");
    EXPECT_EQ(burnlib::RecorderSettings().Capacity, 123456);
    setenv("TESSARO_RECORDER_DIR", "/somewhere/else", 1);
    EXPECT_EQ(burnlib::RecorderSettings().Folder, "/somewhere/else/");
}

TEST(BurnLibRulesTest, ImageNamesAreNumberedAndSafe) {
    TempDir dir;
    const std::string f = dir.Path() + "/new/sub";  // made when missing
    EXPECT_EQ(burnlib::ReserveImageFile(f, "Trip"), f + "/Trip.iso");
    EXPECT_EQ(burnlib::ReserveImageFile(f, "Trip"), f + "/Trip (2).iso");
    EXPECT_EQ(burnlib::ReserveImageFile(f, "Trip"), f + "/Trip (3).iso");
    EXPECT_EQ(burnlib::ReserveImageFile(f, "a/b\tc"), f + "/a_b_c.iso");
    EXPECT_EQ(burnlib::ReserveImageFile(f, "Q: \"why?\" <1|2>*"), f + "/Q_ _why__ _1_2__.iso");
    EXPECT_EQ(burnlib::ReserveImageFile(f, ".."), f + "/DVD.iso");
    EXPECT_EQ(burnlib::ReserveImageFile(f, ""), f + "/DVD (2).iso");
}

TEST(BurnLibTest, DvdVideoCreateReportsAFolderThatIsNoDvd) {
    TempDir dir;
    BURNLIB_HANDLE dvd = 99;
    char text[BURNLIB_EXCEPTION_TEXT_SIZE];
    uint32_t sys = 0;
    EXPECT_EQ(BurnLib_DVDVideo_Create(&dvd, dir.Path().c_str(), 1, text, sizeof text, &sys, "L", "", "", 2025, 1, 1, 0,
                                      0, 0, 0),
              BURNLIB_ERROR_SOURCE);
    EXPECT_EQ(dvd, 0u);
    EXPECT_NE(std::string(text).find("VIDEO_TS.IFO"), std::string::npos) << text;
    EXPECT_EQ(BurnLib_DVDVideo_Create(&dvd, (dir.Path() + "/none").c_str(), 1, text, sizeof text, &sys, "L", "", "",
                                      2025, 1, 1, 0, 0, 0, 0),
              BURNLIB_ERROR_SOURCE);
    EXPECT_EQ(sys, uint32_t(ENOENT));
}

}  // namespace
