#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/globals.h"
#include "core/ui_texts.h"
#include "pipeline/source_list.h"

namespace fs = std::filesystem;

namespace {

class SourceList : public ::testing::Test {
protected:
    void SetUp() override {
        InitUITexts();
        FilterList = std::make_unique<TStringList>();
        FilterList->Add("Video Files=*.avi;*.mpg; *.MP4");
        FilterList->Add("Transport=*.ts");
    }
    void TearDown() override { FilterList.reset(); }
};

TEST_F(SourceList, ExtensionsMatchWholePatterns) {
    struct {
        const char* ext;
        bool ok;
    } cases[] = {{".avi", true}, {".AVI", true}, {".mp4", true}, {".ts", true},   {".a", false},
                 {".mp", false}, {".pg", false}, {"", false},    {".avi2", false}, {".t", false}};
    for (const auto& c : cases) EXPECT_EQ(IsSupportedExtension(c.ext), c.ok) << c.ext;
    FilterList->Clear();
    EXPECT_FALSE(IsSupportedExtension(".avi"));
    EXPECT_EQ(BuildOpenFilterText(), "All Files|*.*");
}

TEST_F(SourceList, OpenFilterListsEveryMask) {
    EXPECT_EQ(BuildOpenFilterText(), "Video Files|*.avi;*.mpg; *.MP4|Transport|*.ts|All Files|*.*");
}

TEST_F(SourceList, PlayTimes) {
    struct {
        const char* text;
        int64_t ms;
    } cases[] = {{"1:00:00.000", 3600000}, {"0:01:30.000", 90000}, {"00:00:03.040", 3040},
                 {"x:01:00.5", 60005},     {"", 0},                 {"2:00:00", 7200000}};
    for (const auto& c : cases) EXPECT_EQ(PlayTimeToMs(c.text), c.ms) << c.text;
}

TEST_F(SourceList, SizeMeterBoundaries) {
    struct {
        int64_t ms;
        int32_t quality;
        int64_t mb;
        TColor colour;
        bool warn;
        int width;
    } cases[] = {
        {3600000, 6400, 2304, static_cast<TColor>(RGB(35, 126, 216)), false, 175},
        {4249000, 10000, 4249, static_cast<TColor>(RGB(35, 126, 216)), false, 322},
        {4250000, 10000, 4250, static_cast<TColor>(RGB(255, 128, 0)), false, 323},
        {4482000, 10000, 4482, static_cast<TColor>(RGB(255, 128, 0)), false, 340},
        {4483000, 10000, 4483, static_cast<TColor>(RGB(218, 17, 5)), true, 340},
        {9000000, 10000, 9000, static_cast<TColor>(RGB(218, 17, 5)), true, 380},
        {1000, 64, 0, static_cast<TColor>(RGB(35, 126, 216)), false, 1},
    };
    for (const auto& c : cases) {
        TSizeEstimate e = EstimateSize(c.ms, c.quality);
        EXPECT_EQ(e.SizeMB, c.mb) << c.ms;
        EXPECT_EQ(e.BarColor, c.colour) << c.ms;
        EXPECT_EQ(e.Warn, c.warn) << c.ms;
        EXPECT_EQ(e.BarWidth, c.width) << c.ms;
    }
}

TEST_F(SourceList, ProbingNamesOfEveryKind) {
    fs::path dir = fs::temp_directory_path() / ("probe names " + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path clip = dir / "clip.mp4";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=25:duration=1 "
                           "-c:v mpeg4 \"" + clip.string() + "\"").c_str()), 0);
    const std::string names[] = {
        "é.mp4", "日本語.mp4", "Ελληνικά.mp4", "\xF0\x9F\x8E\xAC clip.mp4", "$(touch x).mp4", "a'b.mp4", "50%.mp4",
        ";&|.mp4", "-leading.mp4", "a\"b.mp4", std::string(196, 'n') + ".mp4",
    };
    for (const std::string& name : names) {
        fs::path p = dir / name;
        fs::copy_file(clip, p, fs::copy_options::overwrite_existing);
        TFileItem item;
        ProbeMediaFile(p.string(), item);
        EXPECT_EQ(item.CompleteName, p.string()) << name;
        EXPECT_EQ(item.Width, "160") << name;
        EXPECT_EQ(ProbeRefusal(item), nullptr) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "x"));
    EXPECT_FALSE(fs::exists("x"));
    fs::remove_all(dir);
}

TEST_F(SourceList, ProbingRealFilesAndTheRefusalsInOrder) {
    fs::path dir = fs::temp_directory_path() / ("probe " + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string q = "\"" + dir.string() + "/";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=2 "
                           "-f lavfi -i sine=duration=2 -shortest -c:v mpeg4 -c:a aac " + q + "clip.mp4\"").c_str()), 0);
    ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=duration=2 -c:a mp2 " + q + "tone.mpg\"").c_str()), 0);
    std::ofstream(dir / "text.avi") << "just some text, not a video\n";

    TFileItem v;
    ProbeMediaFile((dir / "clip.mp4").string(), v);
    EXPECT_EQ(v.CompleteName, (dir / "clip.mp4").string());
    EXPECT_EQ(v.FileSize, std::to_string(fs::file_size(dir / "clip.mp4")));
    EXPECT_EQ(v.Format, "MPEG-4");
    EXPECT_EQ(v.PlayTime.substr(0, 8), "00:00:02");
    EXPECT_EQ(v.VideoCount, "1");
    EXPECT_EQ(v.AudioCount, "1");
    EXPECT_EQ(v.Width, "320");
    EXPECT_EQ(v.Height, "240");
    EXPECT_EQ(ProbeRefusal(v), nullptr);

    TFileItem a;
    ProbeMediaFile((dir / "tone.mpg").string(), a);
    EXPECT_EQ(ProbeRefusal(a), nullptr) << "audio only is accepted";

    TFileItem t;
    ProbeMediaFile((dir / "text.avi").string(), t);
    EXPECT_EQ(ProbeRefusal(t), &STR_MAIN_AddingError3);

    TFileItem m;
    ProbeMediaFile((dir / "missing.avi").string(), m);
    EXPECT_EQ(ProbeRefusal(m), &STR_MAIN_AddingError1);

    TFileItem none;
    none.CompleteName = "x";
    none.FileSize = "1";
    none.PlayTime = "00:00:01.000";
    none.VideoCount = "0";
    none.AudioCount = "0";
    EXPECT_EQ(ProbeRefusal(none), &STR_MAIN_AddingError4);
    none.VideoCount = "";  // how the library reports a missing stream kind
    none.AudioCount = "";
    EXPECT_EQ(ProbeRefusal(none), &STR_MAIN_AddingError4);
    none.AudioCount = "1";
    EXPECT_EQ(ProbeRefusal(none), nullptr);
    fs::remove_all(dir);
}

}  // namespace
