#include "core/globals.h"

#include <cstring>

#include "core/qem_utils.h"
#include "core/ui_texts.h"
#include "platform/rtl/inifiles.h"
#include "platform/system/module.h"
#include "platform/system/shell.h"

std::string AppDir;
std::string ConfigFile;
std::string OptionsFile;
std::string LangsDir;
std::string CurrentLanguageFile;
std::string HelpFile;
std::string ProfileDir;
std::string ApplicationTitle;
std::string ProductTitle;

TOptions Options;
bool MainFormShown = false;
bool NoMenuDvd = false;
std::unique_ptr<TStringList> FilterList;
std::unique_ptr<TStringList> AvsExtList;
std::unique_ptr<TsbCallBackEventer> sbCallBackEventer;

namespace {

const char* const FormSection = "VideoAPP_Form";
const char* const OptionsSection = "QZOptions";
const char* const DefaultLanguageFile = "English.ini";
const char* const DefaultTitle = "Tessaro";

// config.ini names a file in the language folder. A value that is empty or
// reaches outside that folder would make the program read and rewrite some
// other file or folder: such a value counts as missing.
std::string LanguageFileName(const std::string& Value) {
    if (Value.empty() || Value == "." || Value == ".." || Value.find('/') != std::string::npos)
        return DefaultLanguageFile;
    return Value;
}

}  // namespace

bool InitApplicationPaths() { return InitApplicationPaths(ExtractFilePath(GetModuleFileNameStr())); }

bool InitApplicationPaths(const std::string& ApplicationDir) {
    DecimalSeparator = '.';  // all floating-point text of the program uses a point
    AppDir = AddTrailingBackslash(ApplicationDir);
    ConfigFile = AppDir + "config.ini";
    OptionsFile = AppDir + "options.ini";

    TIniFile Config(ConfigFile);
    LangsDir = AddTrailingBackslash(AppDir + "langs");
    const std::string Language = LanguageFileName(Config.ReadString(FormSection, "LanguageFile", DefaultLanguageFile));
    CurrentLanguageFile = LangsDir + Language;
    HelpFile = LangsDir + ExtractFileBaseName(Language) + "_help.chm";
    ProfileDir = LangsDir + ExtractFileBaseName(Language) + "_Profile/";

    // An edited title holds for this run only: the file gets the default back.
    ApplicationTitle = Config.ReadString(FormSection, "AppTitle", DefaultTitle);
    Config.WriteString(FormSection, "AppTitle", DefaultTitle);
    return true;
}

std::string DefaultTempDir(const std::string& AppDataDir) {
    if (AppDataDir.empty()) return "";
    return AddTrailingBackslash(AddTrailingBackslash(AppDataDir) + "Quillon");
}

bool LoadOptions() {
    Options.LastOpenDir.clear();
    Options.VideoFormat = 0;
    Options.Quality = 6400;
    Options.VideoAspect = 0;

    Options.TempDir = DefaultTempDir(GetSpecialFolderPath(CSIDL_APPDATA, /*Create=*/true));
    // A failure shows later, when Burn tests the temporary folder.
    if (!Options.TempDir.empty() && !DirectoryExists(Options.TempDir)) ForceDirectories(Options.TempDir);

    Options.ShowWindow = true;
    Options.UseDirectShow = false;
    Options.ProcessPriority = 1;

    Options.ConverterFile = AppDir + "moxilon.dll";
    Options.StillEncoderFile = AppDir + "stillpress.dll";
    Options.VideoEncoderFile = AppDir + "vidpack.dll";
    Options.MultiplexerFile = AppDir + "plexora.dll";
    Options.SubpictureMuxerFile = AppDir + "plexora2.dll";
    Options.AuthoringToolFile = AppDir + "authora.dll";
    Options.ResourcesDir = AppDir + "resources/";
    Options.DVDLabel = IDS_Main_DVDLabel;
    Options.TemplateIndex = 1;
    NoMenuDvd = false;

    const int Version = GetWindowsVersion();
    Options.IsWin9x = Version >= 1 && Version <= 4;

    TIniFile Ini(OptionsFile);
    Options.LastOpenDir = Ini.ReadString(OptionsSection, "LastOpenDir", Options.LastOpenDir);
    // Only the low byte of the byte-sized fields counts.
    Options.VideoFormat = static_cast<uint8_t>(Ini.ReadInteger(OptionsSection, "VideoFormat", Options.VideoFormat));
    Options.Quality = Ini.ReadInteger(OptionsSection, "Quality", Options.Quality);
    Options.VideoAspect = static_cast<uint8_t>(Ini.ReadInteger(OptionsSection, "VideoAspect", Options.VideoAspect));
    Options.TempDir = Ini.ReadString(OptionsSection, "TempDir", Options.TempDir);
    Options.DVDLabel = Ini.ReadString(OptionsSection, "DVDLabel", Options.DVDLabel);
    Options.TemplateIndex = Ini.ReadInteger(OptionsSection, "TemplateIndex", Options.TemplateIndex);
    Options.ShowWindow = Ini.ReadBool(OptionsSection, "ShowWindow", Options.ShowWindow);
    Options.UseDirectShow = Ini.ReadBool(OptionsSection, "UseDirectShow", Options.UseDirectShow);

    // After reading, so that the saved template counts.
    Options.TemplateDir = AppDir + "template" + IntToStr(Options.TemplateIndex) + "/";
    return true;
}

bool SaveLanguageChoice() {
    TIniFile Config(ConfigFile);
    Config.WriteString(FormSection, "LanguageFile",
                       FileExists(CurrentLanguageFile) ? ExtractFileName(CurrentLanguageFile) : DefaultLanguageFile);
    return true;
}

bool SaveOptions() {
    {
        TIniFile Ini(OptionsFile);
        Ini.WriteString(OptionsSection, "LastOpenDir", Options.LastOpenDir);
        Ini.WriteInteger(OptionsSection, "VideoFormat", Options.VideoFormat);
        Ini.WriteInteger(OptionsSection, "Quality", Options.Quality);
        Ini.WriteInteger(OptionsSection, "VideoAspect", Options.VideoAspect);
        Ini.WriteString(OptionsSection, "TempDir", Options.TempDir);
        Ini.WriteString(OptionsSection, "DVDLabel", Options.DVDLabel);
        Ini.WriteInteger(OptionsSection, "TemplateIndex", Options.TemplateIndex);
        Ini.WriteBool(OptionsSection, "ShowWindow", Options.ShowWindow);
        Ini.WriteBool(OptionsSection, "UseDirectShow", Options.UseDirectShow);
    }
    SaveLanguageTexts(CurrentLanguageFile);
    return true;
}

int GetWindowsVersion() {
    OSVERSIONINFOA Info{};
    Info.dwOSVersionInfoSize = sizeof Info;
    if (!GetVersionExA(&Info)) return 0;
    return WindowsVersionCode(Info.dwPlatformId, Info.dwMajorVersion, Info.dwMinorVersion,
                              std::string(Info.szCSDVersion, ::strnlen(Info.szCSDVersion, sizeof Info.szCSDVersion)));
}

int WindowsVersionCode(uint32_t PlatformId, uint32_t Major, uint32_t Minor, const std::string& CSDVersion) {
    if (PlatformId == 1) {  // the 95 family
        if (Major != 4) return 0;
        if (Minor == 0) return 1;
        if (Minor == 10) return CSDVersion.size() >= 2 && CSDVersion[1] == 'A' ? 3 : 2;
        if (Minor == 90) return 4;
        return 0;
    }
    if (PlatformId == 2) {  // the NT family
        if (Major <= 4) return 5;
        if (Major == 5 && Minor == 0) return 6;
        if (Major == 5 && Minor == 1) return 7;
    }
    return 0;
}

void GlobalsStartup() {
    MainFormShown = false;
    FilterList = std::make_unique<TStringList>();
    AvsExtList = std::make_unique<TStringList>();
    sbCallBackEventer = std::make_unique<TsbCallBackEventer>();
}

void GlobalsShutdown() {
    FilterList.reset();
    AvsExtList.reset();
    sbCallBackEventer.reset();
    for (std::string* S : {&AppDir, &ConfigFile, &OptionsFile, &LangsDir, &CurrentLanguageFile, &HelpFile, &ProfileDir,
                           &ApplicationTitle, &ProductTitle})
        S->clear();
    for (std::string* S : {&Options.LastOpenDir, &Options.TempDir, &Options.ConverterFile, &Options.StillEncoderFile,
                           &Options.VideoEncoderFile, &Options.MultiplexerFile, &Options.SubpictureMuxerFile,
                           &Options.AuthoringToolFile, &Options.ResourcesDir, &Options.DVDLabel, &Options.TemplateDir,
                           &Options.PendingOutput, &Options.CurrentSource, &Options.InputName})
        S->clear();
}
