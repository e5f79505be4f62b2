// tessaro_langgen <file>: writes the English language file.
#include <cstdio>

#include "core/globals.h"
#include "platform/rtl/sysutils.h"
#include "tools/langgen/english_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <English.ini>\n", argv[0]);
        return 2;
    }
    GlobalsStartup();
    int Code = 0;
    try {
        ForceDirectories(ExtractFilePath(argv[1]));
        if (!WriteEnglishLanguageFile(argv[1])) Code = 1;
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", E.Message.c_str());
        Code = 1;
    }
    GlobalsShutdown();
    return Code;
}
