// Ending leftover tools by name finds the program folder's launchers by file name
// and by full path.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "pipeline/conversion.h"

extern char** environ;

namespace {

pid_t StartWaitingEncoder(int& WriteEnd) {
    int in[2];
    if (pipe(in) != 0) return -1;
    static std::string encoder = std::string(TESSARO_APP_DIR) + "/vidpack.dll";
    char* argv[] = {encoder.data(), const_cast<char*>("-f"), const_cast<char*>("8"), const_cast<char*>("-o"),
                    const_cast<char*>("/dev/null"), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_addclose(&fa, in[1]);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    WriteEnd = in[1];
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return pid;
}

bool EndsWithin(pid_t pid, int ms) {
    for (int i = 0; i < ms / 10; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(KillProcessesByName, FindsLaunchersByFileNameAndFullPath) {
    for (std::string name : {std::string("VIDPACK.DLL"), std::string(TESSARO_APP_DIR) + "/vidpack.dll"}) {
        int w = -1;
        pid_t pid = StartWaitingEncoder(w);
        ASSERT_GT(pid, 0);
        EXPECT_FALSE(KillProcessesByName("no-such-tool.dll"));
        EXPECT_TRUE(KillProcessesByName(name)) << name;
        EXPECT_TRUE(EndsWithin(pid, 5000)) << name;
        close(w);
    }
}

}  // namespace
