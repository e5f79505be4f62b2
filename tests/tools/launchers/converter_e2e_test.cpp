// Runs the converter launcher of the program folder on a real clip.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

int RunProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ConverterLauncher : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("conv e2e ü " + std::to_string(::getpid()));
        fs::create_directories(dir);
        clip = (dir / "in clip.mp4").string();
        ASSERT_EQ(RunProgram({"ffmpeg", "-nostdin", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2", "-f",
                       "lavfi", "-i", "sine=frequency=440:duration=2", "-c:v", "mpeg4", "-c:a", "aac", "-shortest",
                       clip}),
                  0);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string clip;
    std::string converter = std::string(TESSARO_APP_DIR) + "/moxilon.dll";
};

TEST_F(ConverterLauncher, ConvertsWithTheBatchLineShape) {
    std::string out = (dir / "0.mpg").string();
    ASSERT_EQ(RunProgram({converter, "-p", "4702385", "-i", clip, "-target", "pal-dvd", "-b", "6400k", "-aspect", "4:3", out}), 0);
    std::ifstream in(out, std::ios::binary);
    unsigned char head[4] = {};
    in.read(reinterpret_cast<char*>(head), 4);
    // An MPEG program stream starts with a pack header.
    EXPECT_EQ(head[0], 0x00);
    EXPECT_EQ(head[1], 0x00);
    EXPECT_EQ(head[2], 0x01);
    EXPECT_EQ(head[3], 0xBA);
    EXPECT_GT(fs::file_size(out), 100000u);
}

TEST_F(ConverterLauncher, RefusesMissingOrWrongCodeAndRunsNothing) {
    std::string out = (dir / "1.mpg").string();
    EXPECT_EQ(RunProgram({converter, "-i", clip, "-target", "pal-dvd", out}), 1);
    EXPECT_EQ(RunProgram({converter, "-p", "1111111", "-i", clip, "-target", "pal-dvd", out}), 1);
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace

namespace {

// The launcher stays the parent of its tool under its own file name, and the tool
// dies with it: ending leftover tools by name must not leave the real tool running.
TEST(Launchers, ToolDiesWithItsLauncherAndTheLauncherKeepsItsName) {
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    std::string encoder = std::string(TESSARO_APP_DIR) + "/vidpack.dll";
    char* argv[] = {const_cast<char*>(encoder.c_str()), const_cast<char*>("-f"), const_cast<char*>("8"),
                    const_cast<char*>("-o"), const_cast<char*>("/dev/null"), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_addclose(&fa, in[1]);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t launcher = 0;
    ASSERT_EQ(posix_spawn(&launcher, argv[0], &fa, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);

    // The tool is the launcher's child, waiting for input.
    pid_t tool = 0;
    for (int i = 0; i < 100 && tool == 0; ++i) {
        std::ifstream children("/proc/" + std::to_string(launcher) + "/task/" + std::to_string(launcher) + "/children");
        children >> tool;
        if (tool == 0) usleep(20000);
    }
    ASSERT_GT(tool, 0);
    char exe[4096] = {};
    ASSERT_GT(readlink(("/proc/" + std::to_string(launcher) + "/exe").c_str(), exe, sizeof exe - 1), 0);
    EXPECT_EQ(fs::path(exe).filename(), "vidpack.dll");

    kill(launcher, SIGKILL);
    waitpid(launcher, nullptr, 0);
    bool gone = false;
    for (int i = 0; i < 250 && !gone; ++i) {
        std::ifstream stat("/proc/" + std::to_string(tool) + "/stat");
        std::string pid, name, state;
        stat >> pid >> name >> state;
        gone = !stat || state == "Z";
        if (!gone) usleep(20000);
    }
    EXPECT_TRUE(gone) << "the tool outlived its launcher";
    close(in[1]);
}

}  // namespace
