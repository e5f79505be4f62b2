#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "converter_args.h"

namespace {

struct Case {
    const char* what;
    std::vector<std::string> args;
    bool ok;
    std::vector<std::string> out;
};

TEST(ConverterArgs, AccessCodeIsCheckedAndRemoved) {
    const std::vector<Case> cases = {
        {"code first", {"-p", "4702385", "-i", "a b.avi", "-target", "pal-dvd", "o.mpg"}, true,
         {"ffmpeg", "-nostdin", "-i", "a b.avi", "-target", "pal-dvd", "o.mpg"}},
        {"code in the middle", {"-i", "x", "-p", "4702385", "y"}, true, {"ffmpeg", "-nostdin", "-i", "x", "y"}},
        {"no code", {"-i", "x", "y"}, false, {}},
        {"wrong code", {"-p", "1234", "-i", "x", "y"}, false, {}},
        {"code option without value", {"-i", "x", "-p"}, false, {}},
        {"nothing at all", {}, false, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> out;
        std::string error;
        EXPECT_EQ(converter::PrepareArguments(c.args, out, error), c.ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(out, c.out) << c.what;
        } else {
            EXPECT_FALSE(error.empty()) << c.what;
        }
    }
}

TEST(ConverterArgs, ScriptInputIsReplacedByItsSource) {
    auto dir = std::filesystem::temp_directory_path() / ("conv_args_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto script = (dir / "DirectShow.AVS").string();
    std::ofstream(script, std::ios::binary) << "DirectShowSource(\"/videos/my clip (1).wmv\")\r\n";
    std::vector<std::string> out;
    std::string error;
    ASSERT_TRUE(converter::PrepareArguments({"-p", "4702385", "-i", script, "o.mpg"}, out, error)) << error;
    EXPECT_EQ(out, (std::vector<std::string>{"ffmpeg", "-nostdin", "-i", "/videos/my clip (1).wmv", "o.mpg"}));

    std::ofstream(script, std::ios::binary | std::ios::trunc) << "Version()\r\n";
    EXPECT_FALSE(converter::PrepareArguments({"-p", "4702385", "-i", script, "o.mpg"}, out, error));
    std::filesystem::remove_all(dir);
}

}  // namespace
