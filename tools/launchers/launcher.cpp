// Stands in the program folder under the file name the options record expects and
// runs the real tool with the same arguments.
#include "run_tool.h"

#ifndef TOOL_NAME
#error TOOL_NAME must name the tool this launcher runs
#endif

int main(int argc, char** argv) {
    (void)argc;
    argv[0] = const_cast<char*>(TOOL_NAME);
    return RunTool(argv);
}
