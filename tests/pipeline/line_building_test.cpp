#include <gtest/gtest.h>

#include "pipeline/line_building.h"

namespace {

struct Chunk {
    std::string bytes;
    bool exited;
};

struct Case {
    const char* what;
    std::vector<Chunk> chunks;
    std::vector<std::pair<std::string, std::string>> lines;  // line, predecessor
    std::string pending;
};

TEST(LineBuilding, ChunkSequences) {
    using namespace std::string_literals;
    const std::vector<Case> cases = {
        {"lone CR ends lines", {{"frame=1\rframe=2\r", false}}, {{"frame=1", ""}, {"frame=2", "frame=1"}}, ""},
        {"lone LF", {{"a\nb\n", false}}, {{"a", ""}, {"b", "a"}}, ""},
        {"LF CR is one break", {{"a\n\rb\n\r", false}}, {{"a", ""}, {"b", "a"}}, ""},
        {"CR LF kept", {{"a\r\nb\r\n", false}}, {{"a", ""}, {"b", "a"}}, ""},
        {"NUL cuts the chunk", {{"a\r\nb\0c\r\n"s, false}}, {{"a", ""}}, "b"},
        {"line split across chunks", {{"Dura", false}, {"tion: 1\r\nnext", false}}, {{"Duration: 1", ""}}, "next"},
        {"held-back tail flushed once exited", {{"x\r\ntail", false}, {"", true}}, {{"x", ""}, {"tail", ""}}, ""},
        {"exited chunk parsed whole", {{"a\r\nb", true}}, {{"a", ""}, {"b", "a"}}, ""},
        {"blank lines dropped but are predecessors",
         {{"Stream #0 -> x\r\n  \r\nError\r\n", false}},
         {{"Stream #0 -> x", ""}, {"Error", "  "}},
         ""},
        {"predecessor does not cross chunks", {{"Stream -> a\r\n", false}, {"b\r\n", false}}, {{"Stream -> a", ""}, {"b", ""}}, ""},
        {"no line end holds everything", {{"abc", false}, {"def", false}}, {}, "abcdef"},
        {"CR then LF in the next chunk gives one empty line", {{"a\r", false}, {"\nb\r\n", false}}, {{"a", ""}, {"b", ""}}, ""},
    };
    for (const auto& c : cases) {
        std::string pending;
        std::vector<std::pair<std::string, std::string>> got;
        for (const auto& ch : c.chunks)
            for (const auto& l : BuildOutputLines(ch.bytes.data(), static_cast<int>(ch.bytes.size()), ch.exited, pending))
                got.emplace_back(l.Line, l.Predecessor);
        EXPECT_EQ(got, c.lines) << c.what;
        EXPECT_EQ(pending, c.pending) << c.what;
    }
}

}  // namespace
