// tessaro-cmd: runs one batch file (see platform/system/batch.h). Started by
// CreateProcess for a command line whose program is a .bat or .cmd file:
//   tessaro-cmd <batch file> [arguments...]
#include <cstdio>
#include <string>
#include <vector>

#include "platform/system/batch.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tessaro-cmd <batch file> [arguments...]\n");
        return 1;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    return batch::RunBatchFile(argv[1], args);
}
