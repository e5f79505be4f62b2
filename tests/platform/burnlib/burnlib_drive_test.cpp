// The drive side of the library (libburn drives, not the image recorder), run on
// libburn pseudo-drives ("stdio:" files) that the test adds to the drive list,
// as this machine has no optical writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "burnlib_test_util.h"
#include "platform/burnlib/burnlib.h"
#include "platform/burnlib/dvdvideo_image.h"

using namespace burntest;

namespace {

struct TSeen {
    std::vector<std::pair<BURNLIB_DEVICE_ADDRESS, std::string>> Devices;
    int64_t Done = -1, Total = -1;
};

void Callback(int32_t Kind, void* Context, void* S1, void* S2) {
    auto* seen = static_cast<TSeen*>(Context);
    if (Kind == BURNLIB_CB_DEVICE_FOUND)
        seen->Devices.push_back({*static_cast<BURNLIB_DEVICE_ADDRESS*>(S1), static_cast<const char*>(S2)});
    if (Kind == BURNLIB_CB_PROGRESS) {
        seen->Total = *static_cast<int64_t*>(S1);
        seen->Done = *static_cast<int64_t*>(S2);
    }
}

#define ERRARGS text, sizeof text, &sys, &failure

class PseudoDriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        disc = dir.Path() + "/disc.img";
        setenv("TESSARO_BURNLIB_TEST_DRIVES", ("stdio:" + disc + ",stdio:" + dir.Path() + "/no/such/dir/x.img").c_str(),
               1);
        ASSERT_EQ(BurnLib_UpStartEx(), 1);
        BurnLib_FindDevice(5, 0, Callback, &seen);
        ASSERT_GE(seen.Devices.size(), 3u);
        name = seen.Devices[seen.Devices.size() - 2].second;  // our pseudo-drive
        broken = seen.Devices.back().second;
    }
    void TearDown() override {
        if (drive) BurnLib_Destroy(drive);
        unsetenv("TESSARO_BURNLIB_TEST_DRIVES");
    }

    TempDir dir;
    std::string disc, name, broken;
    TSeen seen;
    BURNLIB_HANDLE drive = 0;
    char text[BURNLIB_EXCEPTION_TEXT_SIZE] = "";
    uint32_t sys = 0;
    BURNLIB_FAILURE_INFO failure{};
};

TEST_F(PseudoDriveTest, QueriesAndATrackAtOnceBurnThroughLibburn) {
    ASSERT_EQ(BurnLib_Recorder_CreateEx(&drive, ERRARGS, name.c_str(), Callback, &seen, 0), BURNLIB_OK) << text;
    // The same drive answers at the address discovery reported.
    const BURNLIB_DEVICE_ADDRESS a = seen.Devices[seen.Devices.size() - 2].first;
    BURNLIB_HANDLE probe = 0;
    ASSERT_EQ(BurnLib_Recorder_Create(&probe, ERRARGS, a.PortID, a.BusID, a.TargetID, a.LUN, nullptr, nullptr, 1),
              BURNLIB_OK)
        << text;
    BurnLib_Destroy(probe);

    char vendor[1024], product[1024], revision[1024];
    uint32_t buffer = 0;
    EXPECT_EQ(BurnLib_Recorder_GetDeviceInformation(drive, vendor, product, revision, &buffer), BURNLIB_OK);
    EXPECT_EQ(BurnLib_Recorder_TestUnitReady(drive, ERRARGS), BURNLIB_OK) << text;
    BURNLIB_DISC_INFO info;
    ASSERT_EQ(BurnLib_Recorder_GetDiscInformation(drive, ERRARGS, &info), BURNLIB_OK) << text;
    EXPECT_EQ(int{info.DiscStatus}, 0) << "a new file is a blank disc";
    uint32_t count = 0;
    int64_t free = 0;
    ASSERT_EQ(BurnLib_Recorder_GetDiscFreeSpace(drive, 3, &count, &free), BURNLIB_OK);
    EXPECT_GT(free, 1 << 20);
    uint32_t cr, mr, cw, mw;
    EXPECT_EQ(BurnLib_Recorder_SetSpeeds(drive, ERRARGS, BURNLIB_SPEED_DEFAULT, 2770), BURNLIB_OK) << text;
    EXPECT_EQ(BurnLib_Recorder_GetSpeeds(drive, ERRARGS, &cr, &mr, &cw, &mw), BURNLIB_OK) << text;
    uint8_t enabled = 0, supported = 0;
    EXPECT_EQ(BurnLib_Recorder_GetBUP(drive, ERRARGS, &enabled, &supported), BURNLIB_OK);
    EXPECT_EQ(supported, 0) << "a file has no buffer to protect: not claimed";
    EXPECT_EQ(BurnLib_Recorder_SetBUP(drive, ERRARGS, 1), BURNLIB_OK);
    EXPECT_EQ(BurnLib_Recorder_SendOPC(drive, ERRARGS), BURNLIB_OK) << text;
    EXPECT_EQ(BurnLib_Recorder_LockMedium(drive, ERRARGS), BURNLIB_OK) << text;

    // Burn a folder: the drive's file holds exactly our image.
    const std::string vts = dir.Path() + "/DVD/VIDEO_TS";
    int rc;
    RunTool("mkdir -p " + Quote(vts), rc);
    WriteFile(vts + "/VIDEO_TS.IFO", Pattern(6144, 1));
    WriteFile(vts + "/VIDEO_TS.BUP", Pattern(6144, 1));
    WriteFile(vts + "/VTS_01_0.IFO", Pattern(8192, 2));
    WriteFile(vts + "/VTS_01_1.VOB", Pattern(3 << 20, 3));
    WriteFile(vts + "/VTS_01_0.BUP", Pattern(8192, 2));
    BURNLIB_HANDLE dvd = 0;
    ASSERT_EQ(
        BurnLib_DVDVideo_Create(&dvd, vts.c_str(), 1, text, sizeof text, &sys, "Drive", "", "", 2025, 3, 4, 5, 6, 7, 8),
        BURNLIB_OK)
        << text;
    ASSERT_EQ(BurnLib_Recorder_TrackAtOnceFromTree(drive, ERRARGS, BurnLib_DVDVideo_GetTreePointer(dvd), 0, 0, 0, 1, 5),
              BURNLIB_OK)
        << text;
    BurnLib_DVDVideo_Destroy(dvd);
    EXPECT_EQ(seen.Done, seen.Total);
    EXPECT_EQ(BurnLib_Recorder_CloseSession(drive, ERRARGS), BURNLIB_OK) << text;
    burnlib::TDvdVideoImage reference(vts, "Drive", burnlib::TDiscTime{2025, 3, 4, 5, 6, 7, 8});
    reference.WriteToFile(dir.Path() + "/ref.iso");
    EXPECT_TRUE(ReadFile(disc) == ReadFile(dir.Path() + "/ref.iso"));

    // A file cannot be blanked: said so, nothing claimed.
    EXPECT_EQ(BurnLib_Recorder_Blank(drive, ERRARGS, ERASE_TYPE_BLANK_DISC_FAST), BURNLIB_ERROR_MEDIUM_NOT_WRITABLE);
    EXPECT_NE(std::string(text).find("erased"), std::string::npos) << text;
    EXPECT_EQ(BurnLib_Recorder_Eject(drive, ERRARGS), BURNLIB_OK) << text;
    EXPECT_EQ(BurnLib_Recorder_Load(drive, ERRARGS), BURNLIB_OK) << text;
    EXPECT_EQ(BurnLib_Recorder_ReleaseMedium(drive, ERRARGS), BURNLIB_OK) << text;
    EXPECT_EQ(BurnLib_Recorder_TestUnitReady(drive, ERRARGS), BURNLIB_OK) << text;  // grabbed again on use
}

TEST_F(PseudoDriveTest, ADriveThatCannotBeOpenedSaysSo) {
    EXPECT_EQ(BurnLib_Recorder_CreateEx(&drive, ERRARGS, broken.c_str(), nullptr, nullptr, 1), BURNLIB_ERROR_NO_DRIVE);
    EXPECT_EQ(drive, 0u);
    EXPECT_NE(std::string(text).find("cannot be opened"), std::string::npos) << text;
    EXPECT_EQ(failure.ExceptionNumber, BURNLIB_ERROR_NO_DRIVE);
    EXPECT_STREQ(failure.Function, "BurnLib_Recorder_CreateEx");
}

}  // namespace
