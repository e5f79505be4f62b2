#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "pipeline/converter_parser.h"
#include "pipeline/line_building.h"

namespace {

TEST(ConverterParser, DurationToMs) {
    struct {
        const char* text;
        int64_t ms;
    } cases[] = {
        {"00:01:00.00", 60000}, {"01:02:03.45", 3723450}, {"00:00:00.0005", 0}, {"00:00:00.0015", 2},
        {"x:01:00", 60000},     {"00:00", 0},             {"", 0},               {"00:00:02.50", 2500},
    };
    for (const auto& c : cases) EXPECT_EQ(DurationToMs(c.text), c.ms) << c.text;
}

TEST(ConverterParser, TextBetween) {
    struct {
        const char* text;
        const char* open;
        const char* close;
        const char* want;
    } cases[] = {
        {"Input #0, avi, from 'a b.avi':", "from '", "':", "a b.avi"},
        {"frame= 1 time=00:00:30.00 bitrate=1", " time=", " ", "00:00:30.00"},
        {"time= 12.5 x", " time=", " ", ""},  // a closing right after the opening is passed over
        {"x time=  3.0  y", " time=", " ", ""},
        {"no opening here", "from '", "':", ""},
        {"from 'unclosed", "from '", "':", ""},
        {"from '':", "from '", "':", ""},
        {"from 'x':", "from '", "':", "x"},
    };
    for (const auto& c : cases) EXPECT_EQ(TextBetween(c.text, c.open, c.close), c.want) << c.text;
}

TEST(ConverterParser, TimeValues) {
    struct {
        const char* text;
        bool ok;
        int64_t ms;
    } cases[] = {
        {"30.00", true, 30000},         {"00:00:30.00", true, 30000}, {"N/A", false, 0},
        {"10000000000.0", true, 0},     {"", false, 0},               {"1.0005", true, 1000},
        {"00:01:02.50", true, 62500},   {"abc", false, 0},
    };
    for (const auto& c : cases) {
        int64_t ms = -1;
        EXPECT_EQ(ReadTimeValue(c.text, ms), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(ms, c.ms) << c.text;
        }
    }
}

TEST(ConverterParser, ErrorRules) {
    struct {
        const char* line;
        const char* predecessor;
        bool error;
    } cases[] = {
        {"x: No audio or video streams available", "", true},
        {"av_interleaved_write_frame(): I/O error occured", "", true},
        {"Could not open file", "", true},
        {"Error while opening encoder", "", true},
        {"Error while decoding stream #0:0: Invalid data", "", false},
        {"  Error inside", "", false},
        {"error lower case", "", false},
        {"Conversion failed!", "  Stream #0:0 -> #0:0 (h264 -> mpeg2video)", true},
        {"[mpeg2video @ 0x55] too many threads", "  Stream #0:0 -> #0:0 (h264 -> mpeg2video)", false},
        {"Output #0, dvd, to 'out.mpg':", "  Stream #0:1 -> #0:1 (aac (native) -> ac3 (native))", false},
        {"  Stream #0:1 -> #0:1 (aac -> ac3)", "  Stream #0:0 -> #0:0 (h264 -> mpeg2video)", false},
        {"frame= 1 size= 0kB time=00:00:01.00", "  Stream #0:0 -> #0:0 (h264 -> mpeg2video)", false},
        {"Conversion failed!", "Stream mapping:", false},
        {"in clip.avi: Invalid data found when processing input", "", true},
        {"other.avi: Invalid data found when processing input", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsConverterErrorLine(c.line, c.predecessor, "in clip.avi"), c.error) << c.line;
}

std::string ReadFixture(const char* name) {
    std::ifstream in(std::string(TESSARO_TEST_DATA) + "/pipeline/" + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Output captured from the installed converter, parsed as one chunk so that every
// line has its predecessor: healthy runs never fail, broken inputs always do.
TEST(ConverterParser, CapturedOutputOfTheInstalledConverter) {
    struct {
        const char* file;
        const char* source;
        bool fails;
    } cases[] = {
        {"ffmpeg5_convert_ok.txt", "clip.mp4", false},
        {"ffmpeg5_thumbnail_ok.txt", "clip.mp4", false},
        {"ffmpeg5_convert_invalid_data.txt", "broken.mp4", true},
        {"ffmpeg5_convert_missing.txt", "missing file.avi", true},
    };
    for (const auto& c : cases) {
        std::string text = ReadFixture(c.file);
        ASSERT_FALSE(text.empty()) << c.file;
        std::string pending;
        bool failed = false;
        for (const auto& l : BuildOutputLines(text.data(), static_cast<int>(text.size()), true, pending))
            failed |= IsConverterErrorLine(l.Line, l.Predecessor, c.source);
        EXPECT_EQ(failed, c.fails) << c.file;
    }
}

}  // namespace
