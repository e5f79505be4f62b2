// The converter: the program always passes the access code "-p 4702385"; it is
// checked and removed, then ffmpeg runs with the remaining arguments unchanged.
// An input ending in ".avs" is a DirectShow script: its DirectShowSource line
// names the real input, which the platform's decoders read directly.
#include <cstdio>
#include <string>
#include <vector>

#include "converter_args.h"
#include "run_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::vector<std::string> out;
    if (!converter::PrepareArguments(args, out, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::vector<char*> cargv;
    for (auto& a : out) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    return RunTool(cargv.data());
}
