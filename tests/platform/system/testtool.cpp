// A small program the process tests start:
//   testtool args A B ...   writes each argument on its own line ("[A]")
//   testtool exit N         exits with code N
//   testtool sleep S        sleeps S seconds (bounded by the caller's kill)
//   testtool err TEXT       writes TEXT and a line end to standard error
//   testtool cat            copies standard input to standard output
//   testtool nice           writes its nice value
//   testtool cwd            writes its working folder
//   testtool env NAME       writes the value of NAME, or "(unset)"
//   testtool spawnsleep S   starts "testtool sleep S" and waits for it
// Named xdg-open, it writes its arguments to the file $SYS_OPENER_LOG.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    // Standing in for xdg-open: note each argument in the file $SYS_OPENER_LOG.
    std::string self = argv[0];
    if (self.size() >= 8 && self.compare(self.size() - 8, 8, "xdg-open") == 0) {
        if (FILE* f = std::fopen(std::getenv("SYS_OPENER_LOG") ? std::getenv("SYS_OPENER_LOG") : "/dev/null", "a")) {
            for (int i = 1; i < argc; ++i) std::fprintf(f, "[%s]\n", argv[i]);
            std::fclose(f);
        }
        return 0;
    }
    if (argc < 2) return 2;
    std::string mode = argv[1];
    if (mode == "args") {
        for (int i = 2; i < argc; ++i) std::printf("[%s]\n", argv[i]);
        return 0;
    }
    if (mode == "exit" && argc > 2) return std::atoi(argv[2]);
    if (mode == "sleep" && argc > 2) {
        for (int i = 0; i < std::atoi(argv[2]) * 10; ++i) usleep(100000);
        return 0;
    }
    if (mode == "err" && argc > 2) {
        std::fprintf(stderr, "%s\n", argv[2]);
        return 0;
    }
    if (mode == "cat") {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) std::fwrite(buf, 1, n, stdout);
        return 0;
    }
    if (mode == "nice") {
        std::printf("%d\n", getpriority(PRIO_PROCESS, 0));
        return 0;
    }
    if (mode == "cwd") {
        char buf[4096];
        std::printf("%s\n", getcwd(buf, sizeof buf) ? buf : "?");
        return 0;
    }
    if (mode == "env" && argc > 2) {
        const char* v = std::getenv(argv[2]);
        std::printf("%s\n", v ? v : "(unset)");
        return 0;
    }
    if (mode == "spawnsleep" && argc > 2) {
        pid_t pid = fork();
        if (pid == 0) {
            execl(argv[0], argv[0], "sleep", argv[2], static_cast<char*>(nullptr));
            _exit(127);
        }
        int st;
        waitpid(pid, &st, 0);
        return 0;
    }
    return 2;
}
