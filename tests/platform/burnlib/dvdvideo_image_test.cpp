// The DVD-Video image writer, checked with independent readers: isoinfo for the
// ISO 9660 side, udfinfo for the UDF side, and the layout rules of DVD-Video.
#include "platform/burnlib/dvdvideo_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "burnlib_test_util.h"
#include "platform/burnlib/burnlib.h"

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
    EXPECT_EQ(NumberAfter(d, "Volume size is: ") * 2048, int64_t(ReadFile(iso).size())) << d;

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
    std::map<std::string, uint32_t> extent = IsoExtents(l);
    for (const auto& f : image.Files())
        if (f.Size) {
            EXPECT_EQ(extent[f.Name], f.Sector) << f.Name << "\n" << l;
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

TEST_F(DvdVideoImageTest, LabelsBecomeIsoIdentifiersAndStayWholeInUdf) {
    struct Case {
        std::string label, iso, udf;
    };
    const Case cases[] = {
        {"Holiday 2024", "HOLIDAY_2024", "Holiday 2024"},
        {"\xE6\x9D\xB1\xE4\xBA\xAC Trip", "___TRIP", "\xE6\x9D\xB1\xE4\xBA\xAC Trip"},  // 16-bit UDF names
        {"Caf\xC3\xA9", "CAF_", "Caf\xC3\xA9"},
        {"A very long disc label that does not fit", "A_VERY_LONG_DISC_LABEL_THAT_DOES",
         "A very long disc label that does not fit"},
        {"", "DVD_VIDEO", "DVD_VIDEO"},
    };
    for (const Case& c : cases) {
        std::string iso = MakeImage(c.label);
        int rc;
        std::string d = RunTool("isoinfo -d -i " + Quote(iso), rc);
        EXPECT_NE(d.find("Volume id: " + c.iso + "\n"), std::string::npos) << c.label << "\n" << d;
        std::string u = RunTool("udfinfo " + Quote(iso), rc);
        EXPECT_NE(u.find("lvid=" + c.udf + "\n"), std::string::npos) << c.label << "\n" << u;
    }
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

// Files go where their IFO files say (players seek by those sector numbers);
// positions that cannot be right are not followed.
TEST(DvdVideoPlacementTest, FollowsTheIfoSectorNumbers) {
    TempDir dir;
    const std::string v = dir.Path() + "/VIDEO_TS";
    ASSERT_EQ(mkdir(v.c_str(), 0755), 0);
    auto put32 = [](std::vector<uint8_t>& b, size_t o, uint32_t x) {
        for (int i = 0; i < 4; ++i) b[o + i] = uint8_t(x >> (24 - 8 * i));
    };
    std::vector<uint8_t> vmg(4096, 0);
    std::memcpy(vmg.data(), "DVDVIDEO-VMG", 12);
    put32(vmg, 0x0C, 20);  // last sector of the video manager
    put32(vmg, 0xC4, 1);   // title search table in sector 1
    vmg[2048 + 1] = 2;     // two titles
    vmg[2048 + 8 + 6] = 1;
    put32(vmg, 2048 + 8 + 8, 24);  // title set 1 starts 24 sectors after VIDEO_TS.IFO
    vmg[2048 + 20 + 6] = 2;
    put32(vmg, 2048 + 20 + 8, 9999999);  // not believable
    std::vector<uint8_t> vts(4096, 0);
    std::memcpy(vts.data(), "DVDVIDEO-VTS", 12);
    put32(vts, 0x0C, 40);  // last sector of the title set
    put32(vts, 0xC4, 5);   // title VOBs 5 sectors after the IFO
    const std::pair<const char*, std::vector<uint8_t>> files[] = {{"VIDEO_TS.IFO", vmg},
                                                                  {"VIDEO_TS.BUP", vmg},
                                                                  {"VTS_01_0.IFO", vts},
                                                                  {"VTS_01_1.VOB", Pattern(20480, 1)},
                                                                  {"VTS_01_2.VOB", Pattern(5000, 2)},
                                                                  {"VTS_01_0.BUP", vts},
                                                                  {"VTS_02_0.IFO", Pattern(4096, 3)},
                                                                  {"VTS_02_1.VOB", Pattern(100, 4)}};
    for (auto& [name, data] : files) WriteFile(v + "/" + name, data);

    TDiscTime t;
    TDvdVideoImage image(v, "PLACED", t);
    std::map<std::string, uint32_t> at;
    for (auto& f : image.Files()) at[f.Name] = f.Sector - image.Files()[0].Sector;
    const std::pair<const char*, uint32_t> expected[] = {
        {"VIDEO_TS.IFO", 0},  {"VIDEO_TS.BUP", 19}, {"VTS_01_0.IFO", 24}, {"VTS_01_1.VOB", 29},
        {"VTS_01_2.VOB", 39}, {"VTS_01_0.BUP", 63}, {"VTS_02_0.IFO", 65}, {"VTS_02_1.VOB", 67}};
    for (auto& [name, sector] : expected) EXPECT_EQ(at[name], sector) << name;

    // The gaps are zeros and every file still reads back whole.
    std::string iso = dir.Path() + "/p.iso";
    image.WriteToFile(iso);
    auto bytes = ReadFile(iso);
    const size_t gap = size_t(image.Files()[0].Sector + 2) * 2048;  // after VIDEO_TS.IFO
    EXPECT_TRUE(std::all_of(bytes.begin() + gap, bytes.begin() + gap + 17 * 2048, [](uint8_t b) { return b == 0; }));
    auto udf = ReadUdfFolder(iso, "VIDEO_TS");
    for (auto& [name, data] : files) EXPECT_TRUE(udf[name] == data) << name;
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
