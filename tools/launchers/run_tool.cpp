#include "run_tool.h"

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

pid_t child = -1;

void Forward(int sig) {
    if (child > 0) kill(child, sig);
}

}  // namespace

int RunTool(char* const* Argv) {
    pid_t parent = getpid();
    child = fork();
    if (child < 0) {
        std::fprintf(stderr, "launcher: cannot start %s: %s\n", Argv[0], std::strerror(errno));
        return 127;
    }
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(137);  // the launcher is already gone
        execvp(Argv[0], Argv);
        std::fprintf(stderr, "launcher: cannot run %s: %s\n", Argv[0], std::strerror(errno));
        _exit(127);
    }
    struct sigaction sa {};
    sa.sa_handler = Forward;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaction(sig, &sa, nullptr);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return 127;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 127;
}
