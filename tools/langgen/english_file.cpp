#include "tools/langgen/english_file.h"

#include <fstream>

#include "core/ui_texts.h"
#include "platform/rtl/sysutils.h"

const char* const EnglishFilters[] = {
    "All Video Files=*.avi;*.mpg;*.mpeg;*.vob;*.mp4;*.m4v;*.mkv;*.mov;*.wmv;*.asf;*.flv;*.webm;*.ts;*.m2ts;*.3gp;*.dv",
    "AVI Files=*.avi",
    "MPEG Files=*.mpg;*.mpeg;*.vob;*.ts;*.m2ts",
    "MP4 and QuickTime Files=*.mp4;*.m4v;*.mov;*.3gp",
    "Matroska and WebM Files=*.mkv;*.webm",
    "Windows Media Files=*.wmv;*.asf",
    "Flash Video Files=*.flv",
    "DV Files=*.dv",
    nullptr,
};

bool WriteEnglishLanguageFile(const std::string& FileName) {
    if (FileExists(FileName) && !DeleteFile(FileName)) return false;
    InitUITexts();
    SaveLanguageTexts(FileName);

    // The program never writes these two sections; append them with the
    // line end the INI class used.
    std::string Eol = "\n";
    {
        std::ifstream In(FileName, std::ios::binary);
        std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
        if (Text.find("\r\n") != std::string::npos) Eol = "\r\n";
    }
    std::ofstream Out(FileName, std::ios::binary | std::ios::app);
    Out << Eol << "[QZAPP_Filters]" << Eol;
    for (const char* const* F = EnglishFilters; *F; ++F) Out << *F << Eol;
    Out << Eol << "[QZAPP_AVSExt]" << Eol;
    return static_cast<bool>(Out.flush());
}
