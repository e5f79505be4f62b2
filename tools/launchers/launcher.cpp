// Stands in the program folder under the file name the options record expects and
// becomes the real tool (same process, so the runner can wait for and kill it).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#ifndef TOOL_NAME
#error TOOL_NAME must name the tool this launcher runs
#endif

int main(int argc, char** argv) {
    (void)argc;
    argv[0] = const_cast<char*>(TOOL_NAME);
    execvp(TOOL_NAME, argv);
    std::fprintf(stderr, "%s: cannot run %s: %s\n", "launcher", TOOL_NAME, std::strerror(errno));
    return 127;
}
