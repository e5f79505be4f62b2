// Where the program runs and how it is set up: the application folder and the
// paths derived from it, the settings record and its INI files, the lists read
// from the language file and the burning engine's event hub.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/sb_eventer.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/sysutils.h"

// The one settings record. Fields marked "state" belong to a conversion run:
// the steps reset and fill them, LoadOptions leaves them alone.
struct TOptions {
    uint8_t VideoFormat = 0;      // 0 PAL, 1 NTSC
    uint8_t ProcessPriority = 0;  // children's priority option (1..3)
    int32_t Quality = 0;          // kbit/s
    uint8_t VideoAspect = 0;      // 0 4:3, 1 16:9
    std::string LastOpenDir;
    std::string TempDir;
    bool ShowWindow = false;
    bool UseDirectShow = false;
    std::string ConverterFile;
    std::string StillEncoderFile;
    std::string VideoEncoderFile;
    std::string MultiplexerFile;
    std::string SubpictureMuxerFile;
    std::string AuthoringToolFile;
    std::string ResourcesDir;
    std::string DVDLabel;
    int32_t TemplateIndex = 0;  // 1-based
    std::string TemplateDir;
    int32_t OutputNumber = 0;  // state from here on
    bool HadError = false;
    int32_t FailedCount = 0;
    int32_t DoneCount = 0;
    int32_t TitleCount = 0;
    int64_t BatchBytes = 0;
    int64_t FileBytes = 0;
    int64_t BatchDoneBytes = 0;
    int64_t BatchProgressBytes = 0;
    int32_t BatchPercent = 0;
    TDateTime BatchStartTime = 0;
    bool FileFailed = false;
    TDateTime FileStartTime = 0;
    int32_t FilePercent = 0;
    std::string PendingOutput;
    std::string CurrentSource;
    int32_t DurationMs = 0;
    int32_t PositionMs = 0;
    std::string InputName;
    bool IsWin9x = false;  // selects the burning engine's ASPI transport
};

// Folders end with '/'.
extern std::string AppDir;
extern std::string ConfigFile;
extern std::string OptionsFile;
extern std::string LangsDir;
extern std::string CurrentLanguageFile;
extern std::string HelpFile;
extern std::string ProfileDir;
extern std::string ApplicationTitle;
extern std::string ProductTitle;

extern TOptions Options;
extern bool MainFormShown;
extern bool NoMenuDvd;  // never saved
extern std::unique_ptr<TStringList> FilterList;  // name=mask lines of [QZAPP_Filters]
extern std::unique_ptr<TStringList> AvsExtList;  // extensions of [QZAPP_AVSExt]
extern std::unique_ptr<TsbCallBackEventer> sbCallBackEventer;

// Sets the paths from the executable's folder and reads and rewrites
// config.ini. The second form takes the application folder from the caller.
bool InitApplicationPaths();
bool InitApplicationPaths(const std::string& ApplicationDir);
// Defaults of Options, the default temporary folder, then options.ini.
bool LoadOptions();
// Stores the current language file's name in config.ini.
bool SaveLanguageChoice();
// Writes options.ini, then the texts into the current language file.
bool SaveOptions();

// The running Windows version as a code: 1 95, 2 98, 3 98 SE, 4 ME, 5 NT 4 or
// older, 6 2000, 7 XP, 0 anything else (every newer version).
int GetWindowsVersion();
// The code for a version record (platform 1 the 95 family, 2 the NT family).
int WindowsVersionCode(uint32_t PlatformId, uint32_t Major, uint32_t Minor, const std::string& CSDVersion);

// The default temporary folder under an application-data folder; empty when
// that folder is unknown, so that no working folder lands at the root or in
// the current folder.
std::string DefaultTempDir(const std::string& AppDataDir);

// Unit start-up and shut-down.
void GlobalsStartup();
void GlobalsShutdown();
