// A real VIDEO_TS folder (ffmpeg test clip -> dvdauthor) burnt through the
// library's calls to the image recorder, then read back by lsdvd, isoinfo and
// udfinfo; and a burn of a larger folder cancelled from another thread.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "burnlib_test_util.h"
#include "platform/burnlib/burnlib.h"

using namespace burntest;

namespace {

struct TProgress {
    std::atomic<int64_t> Done{0}, Total{0};
    std::atomic<int> Calls{0};
};

void OnProgress(int32_t Kind, void* Context, void* S1, void* S2) {
    auto* p = static_cast<TProgress*>(Context);
    if (Kind == BURNLIB_CB_PROGRESS) {
        p->Total = *static_cast<int64_t*>(S1);
        p->Done = *static_cast<int64_t*>(S2);
        ++p->Calls;
    }
}

// The error arguments, in the order the calls take them.
#define ERRARGS text, sizeof text, &sys, &failure

class BurnE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"ffmpeg", "dvdauthor", "lsdvd", "isoinfo", "udfinfo"})
            if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
        out = dir.Path() + "/images";
        setenv("TESSARO_RECORDER_DIR", out.c_str(), 1);
        unsetenv("TESSARO_RECORDER_CAPACITY");
        ASSERT_EQ(BurnLib_UpStartEx(), 1);
        ASSERT_EQ(BurnLib_Recorder_CreateEx(&drive, ERRARGS, "CDROM0", OnProgress, &progress, 0), BURNLIB_OK) << text;
        ASSERT_EQ(BurnLib_Recorder_Eject(drive, ERRARGS), BURNLIB_OK);
    }
    void TearDown() override {
        if (drive) BurnLib_Destroy(drive);
        unsetenv("TESSARO_RECORDER_DIR");
    }

    // ffmpeg test clip of Seconds -> MPEG-2 for DVD -> dvdauthor without menus.
    std::string MakeVideoTs(int seconds) {
        std::string work = dir.Path() + "/work";
        int rc;
        std::string log =
            RunTool("mkdir -p " + Quote(work) + " && cd " + Quote(work) +
                        " && ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=720x576:rate=25:duration=" +
                        std::to_string(seconds) + " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" +
                        std::to_string(seconds) + " -target pal-dvd -aspect 4:3 clip.mpg",
                    rc, 240);
        EXPECT_EQ(rc, 0) << log;
        WriteFile(work + "/dvd.xml", [] {
            std::string x =
                "<dvdauthor dest=\"dvd\">\n <vmgm />\n <titleset>\n  <titles>\n"
                "   <video format=\"pal\" aspect=\"4:3\"/>\n   <pgc><vob file=\"clip.mpg\"/></pgc>\n"
                "  </titles>\n </titleset>\n</dvdauthor>\n";
            return std::vector<uint8_t>(x.begin(), x.end());
        }());
        log = RunTool("cd " + Quote(work) + " && VIDEO_FORMAT=PAL dvdauthor -x dvd.xml", rc, 240);
        EXPECT_EQ(rc, 0) << log;
        return work + "/dvd/VIDEO_TS";
    }

    uint8_t Burn(const std::string& folder, const char* label, BURNLIB_HANDLE& dvd) {
        uint8_t r = BurnLib_DVDVideo_Create(&dvd, folder.c_str(), 1, text, sizeof text, &sys, label, "",
                                            "/usr/bin/tessaro", 2026, 12, 10, 9, 5, 3, 7);
        if (r) return r;
        BURNLIB_HANDLE tree = BurnLib_DVDVideo_GetTreePointer(dvd);
        return BurnLib_Recorder_TrackAtOnceFromTree(drive, ERRARGS, tree, 0, 0, 1, 1, 5);
    }

    TempDir dir;
    std::string out;
    BURNLIB_HANDLE drive = 0;
    TProgress progress;
    char text[BURNLIB_EXCEPTION_TEXT_SIZE] = "";
    uint32_t sys = 0;
    BURNLIB_FAILURE_INFO failure{};
};

TEST_F(BurnE2ETest, BurntImageReadsBackAsTheDvdThatWasAuthored) {
    std::string videoTs = MakeVideoTs(3);
    ASSERT_TRUE(Exists(videoTs + "/VIDEO_TS.IFO"));
    ASSERT_EQ(BurnLib_Recorder_LockMedium(drive, ERRARGS), BURNLIB_OK) << text;
    BURNLIB_HANDLE dvd = 0;
    ASSERT_EQ(Burn(videoTs, "E2E Trip", dvd), BURNLIB_OK) << text;
    EXPECT_EQ(BurnLib_Recorder_CloseSession(drive, ERRARGS), BURNLIB_OK) << text;
    BurnLib_DVDVideo_Destroy(dvd);
    EXPECT_EQ(BurnLib_Recorder_Eject(drive, ERRARGS), BURNLIB_OK);
    EXPECT_EQ(progress.Done.load(), progress.Total.load());
    const std::string iso = out + "/E2E Trip.iso";
    ASSERT_TRUE(Exists(iso)) << "images: " << ListDir(out).size();

    int rc;
    std::string l = RunTool("lsdvd " + Quote(iso), rc);
    ASSERT_EQ(rc, 0) << l;
    std::vector<double> lengths;
    for (size_t at = l.find("Title: "); at != std::string::npos; at = l.find("Title: ", at + 1)) {
        int n, h, m;
        double s;
        if (std::sscanf(l.c_str() + at, "Title: %d, Length: %d:%d:%lf", &n, &h, &m, &s) == 4)
            lengths.push_back(h * 3600 + m * 60 + s);
    }
    ASSERT_EQ(lengths.size(), 1u) << l;
    EXPECT_NEAR(lengths[0], 3.0, 0.5) << l;

    std::string d = RunTool("isoinfo -d -i " + Quote(iso), rc);
    EXPECT_NE(d.find("Volume id: E2E_TRIP"), std::string::npos) << d;
    std::string u = RunTool("udfinfo " + Quote(iso), rc);
    EXPECT_EQ(rc, 0) << u;
    EXPECT_NE(u.find("udfrev=1.02"), std::string::npos) << u;
    EXPECT_NE(u.find("label=E2E Trip"), std::string::npos) << u;

    // Players find the title set and its parts by the sector numbers dvdauthor wrote
    // into the IFO files, counted from each IFO on: the layout must match them.
    std::map<std::string, uint32_t> at = IsoExtents(RunTool("isoinfo -l -i " + Quote(iso), rc));
    auto be32 = [](const std::vector<uint8_t>& b, size_t o) {
        return uint32_t(b[o]) << 24 | uint32_t(b[o + 1]) << 16 | uint32_t(b[o + 2]) << 8 | b[o + 3];
    };
    auto vmg = ReadFile(videoTs + "/VIDEO_TS.IFO");
    auto vts = ReadFile(videoTs + "/VTS_01_0.IFO");
    ASSERT_GE(vmg.size(), 2048u);
    ASSERT_GE(vts.size(), 2048u);
    EXPECT_EQ(at["VIDEO_TS.BUP"] + ReadFile(videoTs + "/VIDEO_TS.BUP").size() / 2048 - 1 - at["VIDEO_TS.IFO"],
              be32(vmg, 0x0C))
        << "last sector of the video manager";
    uint32_t ttSrpt = be32(vmg, 0xC4) * 2048;
    ASSERT_LT(ttSrpt + 20, vmg.size());
    EXPECT_EQ(at["VTS_01_0.IFO"] - at["VIDEO_TS.IFO"], be32(vmg, ttSrpt + 8 + 8)) << "title set start";
    EXPECT_EQ(at["VTS_01_1.VOB"] - at["VTS_01_0.IFO"], be32(vts, 0xC4)) << "title VOB start";
    EXPECT_EQ(at["VTS_01_0.BUP"] + ReadFile(videoTs + "/VTS_01_0.BUP").size() / 2048 - 1 - at["VTS_01_0.IFO"],
              be32(vts, 0x0C))
        << "last sector of the title set";

    // Every file comes back with its bytes, through ISO 9660 and through UDF.
    auto udf = ReadUdfFolder(iso, "VIDEO_TS");
    std::vector<std::string> names = ListDir(videoTs);
    ASSERT_GE(names.size(), 4u);
    for (const std::string& name : names) {
        std::string x = dir.Path() + "/x_" + name;
        RunTool("isoinfo -i " + Quote(iso) + " -x " + Quote("/VIDEO_TS/" + name + ";1") + " > " + Quote(x), rc);
        auto original = ReadFile(videoTs + "/" + name);
        EXPECT_TRUE(ReadFile(x) == original) << name << " differs through ISO 9660";
        EXPECT_TRUE(udf[name] == original) << name << " differs through UDF";
    }
}

TEST_F(BurnE2ETest, CancelDuringALargerBurnReturnsPromptlyAndLeavesNoImage) {
    std::string videoTs = MakeVideoTs(3);
    // Pad the title set with a large second title file, made by copying.
    {
        auto vob = ReadFile(videoTs + "/VTS_01_1.VOB");
        ASSERT_FALSE(vob.empty());
        std::vector<uint8_t> big;
        while (big.size() < 60u * 1024 * 1024) big.insert(big.end(), vob.begin(), vob.end());
        WriteFile(videoTs + "/VTS_01_2.VOB", big);
    }
    BURNLIB_HANDLE dvd = 0;
    std::atomic<bool> stop{false};
    std::chrono::steady_clock::time_point cancelledAt{};
    std::thread canceller([&] {
        // Cancel once data is being written, or shortly after the burn has started.
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::chrono::steady_clock::time_point started{};
        while (!stop && std::chrono::steady_clock::now() < until) {
            int64_t total = progress.Total, done = progress.Done;
            auto now = std::chrono::steady_clock::now();
            if (total && started == std::chrono::steady_clock::time_point{}) started = now;
            if (total && done < total && (done > 0 || now - started > std::chrono::milliseconds(30))) {
                cancelledAt = std::chrono::steady_clock::now();
                BurnLib_Recorder_Cancel(drive);
                return;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    uint8_t r = Burn(videoTs, "Cancelled", dvd);
    auto returned = std::chrono::steady_clock::now();
    stop = true;
    canceller.join();
    BurnLib_DVDVideo_Destroy(dvd);
    if (cancelledAt == std::chrono::steady_clock::time_point{})
        GTEST_SKIP() << "the burn ended before the cancel could come (result " << int(r) << ")";
    EXPECT_EQ(r, BURNLIB_ERROR_CANCELLED) << text;
    double ms = std::chrono::duration<double, std::milli>(returned - cancelledAt).count();
    std::printf("cancel: the burn returned %.1f ms after BurnLib_Recorder_Cancel\n", ms);
    EXPECT_LT(ms, 5000) << "hang guard only";
    EXPECT_TRUE(ListDir(out).empty()) << "an image was left";
}

}  // namespace
