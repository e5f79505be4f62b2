// The DVD-Video image writer, checked with independent readers: isoinfo for the
// ISO 9660 side, udfinfo for the UDF side, and the layout rules of DVD-Video.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "burnlib_test_util.h"
#include "platform/burnlib/burnlib.h"
#include "platform/burnlib/dvdvideo_image.h"

using namespace burntest;
using burnlib::TDiscTime;
using burnlib::TDvdVideoImage;

namespace {

struct TFolderFile {
    const char* Name;
    size_t Size;
};

// A VIDEO_TS folder of pattern files (not playable: the layout is what counts here).
// Names are given in a scrambled order and partly in lower case, as a folder may hold them.
const TFolderFile kFolder[] = {
    {"VTS_01_0.BUP", 12288}, {"VIDEO_TS.IFO", 12288}, {"VTS_01_1.VOB", 2048 * 37 + 1000},
    {"vts_02_1.vob", 5000},  {"VIDEO_TS.BUP", 12288}, {"VTS_01_0.IFO", 20480},
    {"VTS_02_0.IFO", 6144},  {"VTS_02_0.BUP", 6144},  {"VIDEO_TS.VOB", 4096},
    {"VTS_01_2.VOB", 1},     {"notes.txt", 10},       {"VTS_01_0.VOB", 0},
};

// The order the files must have on the disc.
const char* const kDiscOrder[] = {"VIDEO_TS.IFO", "VIDEO_TS.VOB", "VIDEO_TS.BUP", "VTS_01_0.IFO",
                                  "VTS_01_0.VOB", "VTS_01_1.VOB", "VTS_01_2.VOB", "VTS_01_0.BUP",
                                  "VTS_02_0.IFO", "VTS_02_1.VOB", "VTS_02_0.BUP"};

class DvdVideoImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"isoinfo", "udfinfo"})
            if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
        videoTs = dir.Path() + "/VIDEO_TS";
        ASSERT_EQ(mkdir(videoTs.c_str(), 0755), 0);
        uint32_t seed = 1;
        for (const auto& f : kFolder) {
            auto data = Pattern(f.Size, seed++);
            WriteFile(videoTs + "/" + f.Name, data);
            contents[f.Name] = data;
        }
        time.Year = 2024, time.Month = 2, time.Day = 29, time.Hour = 13, time.Minute = 5, time.Second = 9;
        time.Millisecond = 250;
    }

    std::string MakeImage(const std::string& label) {
        TDvdVideoImage image(videoTs, label, time);
        std::string iso = dir.Path() + "/out.iso";
        image.WriteToFile(iso);
        return iso;
    }

    TempDir dir;
    std::string videoTs;
    std::map<std::string, std::vector<uint8_t>> contents;
    TDiscTime time;
};

TEST_F(DvdVideoImageTest, IsoSideCarriesLabelAndEveryFileByteForByte) {
    std::string iso = MakeImage("Holiday 2024");
    int rc;
    std::string d = RunTool("isoinfo -d -i " + Quote(iso), rc);
    ASSERT_EQ(rc, 0) << d;
    EXPECT_NE(d.find("Volume id: HOLIDAY_2024"), std::string::npos) << d;
    EXPECT_NE(d.find("Logical block size is: 2048"), std::string::npos) << d;
    // The volume size covers the whole file.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(d, m, std::regex("Volume size is: (\\d+)"))) << d;
    EXPECT_EQ(std::stoll(m[1]) * 2048, int64_t(ReadFile(iso).size()));

    for (const auto& [name, data] : contents) {
        if (name == "notes.txt") continue;
        std::string upper = name;
        for (char& c : upper) c = char(toupper(c));
        std::string out = dir.Path() + "/x_" + upper;
        RunTool("isoinfo -i " + Quote(iso) + " -x " + Quote("/VIDEO_TS/" + upper + ";1") + " > " + Quote(out), rc);
        ASSERT_EQ(rc, 0) << upper;
        EXPECT_EQ(ReadFile(out), data) << upper;
    }
}

TEST_F(DvdVideoImageTest, FilesAreContiguousInDvdOrderAndForeignNamesAreLeftOut) {
    TDvdVideoImage image(videoTs, "ORDER", time);
    ASSERT_EQ(image.Files().size(), std::size(kDiscOrder));
    uint32_t next = 0;
    for (size_t i = 0; i < image.Files().size(); ++i) {
        const auto& f = image.Files()[i];
        EXPECT_EQ(f.Name, kDiscOrder[i]);
        if (f.Size == 0) continue;
        EXPECT_GE(f.Sector, next) << f.Name;
        if (next) {
            EXPECT_EQ(f.Sector, next) << f.Name << " does not follow its predecessor";
        }
        next = f.Sector + uint32_t((f.Size + 2047) / 2048);
    }
    EXPECT_EQ(image.IgnoredNames(), std::vector<std::string>{"notes.txt"});

    // The ISO listing agrees on the extents: VIDEO_TS.IFO is the first data on the disc.
    std::string iso = dir.Path() + "/o.iso";
    image.WriteToFile(iso);
    int rc;
    std::string l = RunTool("isoinfo -l -i " + Quote(iso), rc);
    ASSERT_EQ(rc, 0) << l;
    std::regex rec("\\[\\s*(\\d+)\\s+\\d+\\]\\s+([A-Z0-9_.]+);1");
    std::map<std::string, long> extent;
    for (std::sregex_iterator it(l.begin(), l.end(), rec), end; it != end; ++it) extent[(*it)[2]] = std::stol((*it)[1]);
    for (const auto& f : image.Files())
        if (f.Size) {
            EXPECT_EQ(extent[f.Name], long(f.Sector)) << f.Name << "\n" << l;
        }
}

TEST_F(DvdVideoImageTest, UdfSideIsReadableAsUdf102WithTheLabel) {
    std::string iso = MakeImage("Holiday 2024");
    int rc;
    std::string u = RunTool("udfinfo " + Quote(iso), rc);
    ASSERT_EQ(rc, 0) << u;
    EXPECT_NE(u.find("label=Holiday 2024"), std::string::npos) << u;
    EXPECT_NE(u.find("udfrev=1.02"), std::string::npos) << u;
    EXPECT_NE(u.find("blocksize=2048"), std::string::npos) << u;
}

TEST_F(DvdVideoImageTest, UdfSideGivesEveryFileByteForByte) {
    std::string iso = MakeImage("udf");
    auto files = ReadUdfFolder(iso, "VIDEO_TS");
    EXPECT_EQ(files.size(), std::size(kDiscOrder));
    for (const auto& [name, data] : contents) {
        if (name == "notes.txt") continue;
        std::string upper = name;
        for (char& c : upper) c = char(toupper(c));
        EXPECT_EQ(files[upper], data) << upper;
    }
    EXPECT_TRUE(ReadUdfFolder(iso, "AUDIO_TS").empty());
}

TEST_F(DvdVideoImageTest, FolderWithoutVideoTsIfoIsRefused) {
    ASSERT_EQ(unlink((videoTs + "/VIDEO_TS.IFO").c_str()), 0);
    try {
        TDvdVideoImage image(videoTs, "X", time);
        FAIL() << "no error";
    } catch (const burnlib::EBurnLibError& e) {
        EXPECT_EQ(e.Code, BURNLIB_ERROR_SOURCE);
        EXPECT_NE(std::string(e.what()).find("VIDEO_TS.IFO"), std::string::npos) << e.what();
    }
    try {
        TDvdVideoImage image(dir.Path() + "/missing", "X", time);
        FAIL() << "no error";
    } catch (const burnlib::EBurnLibError& e) {
        EXPECT_EQ(e.Code, BURNLIB_ERROR_SOURCE);
        EXPECT_EQ(e.SysError, ENOENT);
    }
}

TEST_F(DvdVideoImageTest, FileShrinkingDuringTheWriteFailsInsteadOfPadding) {
    TDvdVideoImage image(videoTs, "X", time);
    WriteFile(videoTs + "/VTS_01_1.VOB", Pattern(100, 9));
    std::string iso = dir.Path() + "/short.iso";
    try {
        image.WriteToFile(iso);
        FAIL() << "no error";
    } catch (const burnlib::EBurnLibError& e) {
        EXPECT_EQ(e.Code, BURNLIB_ERROR_SOURCE);
        EXPECT_NE(std::string(e.what()).find("VTS_01_1.VOB"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(Exists(iso)) << "a partial image was left";
}

TEST_F(DvdVideoImageTest, ReadsInAnyChunkSizeGiveTheSameImage) {
    TDvdVideoImage image(videoTs, "Chunks", time);
    std::string iso = dir.Path() + "/whole.iso";
    image.WriteToFile(iso);
    auto whole = ReadFile(iso);
    ASSERT_EQ(int64_t(whole.size()), image.ByteSize());
    image.Rewind();
    std::vector<uint8_t> pieces, buf(7777);
    while (size_t n = image.Read(buf.data(), buf.size())) pieces.insert(pieces.end(), buf.begin(), buf.begin() + n);
    EXPECT_TRUE(pieces == whole);
}

TEST_F(DvdVideoImageTest, CancelMakesTheNextReadFail) {
    TDvdVideoImage image(videoTs, "X", time);
    std::vector<uint8_t> buf(4096);
    image.Read(buf.data(), buf.size());
    image.Cancel();
    try {
        image.Read(buf.data(), buf.size());
        FAIL() << "no error";
    } catch (const burnlib::EBurnLibError& e) {
        EXPECT_EQ(e.Code, BURNLIB_ERROR_CANCELLED);
    }
}

}  // namespace
