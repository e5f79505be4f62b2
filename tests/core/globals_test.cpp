#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "core/globals.h"
#include "core/qem_utils.h"
#include "core/ui_texts.h"
#include "core_fixture.h"

namespace fs = std::filesystem;
using coretest::IniValue;
using coretest::ReadFile;
using coretest::WriteFile;

class GlobalsTest : public coretest::CoreFixture {};

TEST_F(GlobalsTest, NoConfigFileGivesEnglishAndWritesTitle) {
    DecimalSeparator = ',';
    ASSERT_TRUE(InitApplicationPaths(App));
    EXPECT_EQ(DecimalSeparator, '.');
    EXPECT_EQ(AppDir, App);
    EXPECT_EQ(ConfigFile, App + "config.ini");
    EXPECT_EQ(OptionsFile, App + "options.ini");
    EXPECT_EQ(LangsDir, App + "langs/");
    EXPECT_EQ(CurrentLanguageFile, App + "langs/English.ini");
    EXPECT_EQ(HelpFile, App + "langs/English_help.chm");
    EXPECT_EQ(ProfileDir, App + "langs/English_Profile/");
    EXPECT_EQ(ApplicationTitle, "Tessaro");
    EXPECT_EQ(IniValue(App + "config.ini", "VideoAPP_Form", "AppTitle"), "Tessaro");
}

TEST_F(GlobalsTest, AnotherTitleHoldsForOneRun) {
    WriteFile(App + "config.ini", "[VideoAPP_Form]\nLanguageFile=German.ini\nAppTitle=Mein Brenner\n");
    ASSERT_TRUE(InitApplicationPaths(App));
    EXPECT_EQ(ApplicationTitle, "Mein Brenner");
    EXPECT_EQ(CurrentLanguageFile, App + "langs/German.ini");
    EXPECT_EQ(HelpFile, App + "langs/German_help.chm");
    EXPECT_EQ(ProfileDir, App + "langs/German_Profile/");
    EXPECT_EQ(IniValue(App + "config.ini", "VideoAPP_Form", "AppTitle"), "Tessaro");
    EXPECT_EQ(IniValue(App + "config.ini", "VideoAPP_Form", "LanguageFile"), "German.ini");
    ASSERT_TRUE(InitApplicationPaths(App));
    EXPECT_EQ(ApplicationTitle, "Tessaro");
}

TEST_F(GlobalsTest, LanguageFileOutsideTheLanguageFolderCountsAsMissing) {
    struct Case {
        const char* Value;
        const char* File;
    } Cases[] = {
        {"Deutsch Ä.ini", "Deutsch Ä.ini"},
        {"  French.ini  ", "French.ini"},  // blanks around the value carry no meaning
        {"../x.ini", "English.ini"},
        {"/etc/x", "English.ini"},
        {"sub/x.ini", "English.ini"},
        {"..", "English.ini"},
        {".", "English.ini"},
        {"", "English.ini"},
    };
    for (const Case& C : Cases) {
        WriteFile(App + "config.ini", std::string("[VideoAPP_Form]\nLanguageFile=") + C.Value + "\n");
        ASSERT_TRUE(InitApplicationPaths(App));
        EXPECT_EQ(CurrentLanguageFile, LangsDir + C.File) << C.Value;
        EXPECT_EQ(ExtractFilePath(HelpFile), LangsDir) << C.Value;
        EXPECT_EQ(ExtractFilePath(RemoveTrailingBackslash(ProfileDir)), LangsDir) << C.Value;
    }
}

TEST_F(GlobalsTest, NoOptionsFileGivesDefaults) {
    ASSERT_TRUE(InitApplicationPaths(App));
    IDS_Main_DVDLabel = "Meine DVD";  // the label default follows the loaded language
    NoMenuDvd = true;
    ASSERT_TRUE(LoadOptions());
    EXPECT_EQ(Options.LastOpenDir, "");
    EXPECT_EQ(Options.VideoFormat, 0);
    EXPECT_EQ(Options.Quality, 6400);
    EXPECT_EQ(Options.VideoAspect, 0);
    EXPECT_EQ(Options.TempDir, AppData + "/Quillon/");
    EXPECT_TRUE(fs::is_directory(AppData + "/Quillon"));
    EXPECT_TRUE(Options.ShowWindow);
    EXPECT_FALSE(Options.UseDirectShow);
    EXPECT_EQ(Options.ProcessPriority, 1);
    EXPECT_EQ(Options.ConverterFile, App + "moxilon.dll");
    EXPECT_EQ(Options.StillEncoderFile, App + "stillpress.dll");
    EXPECT_EQ(Options.VideoEncoderFile, App + "vidpack.dll");
    EXPECT_EQ(Options.MultiplexerFile, App + "plexora.dll");
    EXPECT_EQ(Options.SubpictureMuxerFile, App + "plexora2.dll");
    EXPECT_EQ(Options.AuthoringToolFile, App + "authora.dll");
    EXPECT_EQ(Options.ResourcesDir, App + "resources/");
    EXPECT_EQ(Options.DVDLabel, "Meine DVD");
    EXPECT_EQ(Options.TemplateIndex, 1);
    EXPECT_EQ(Options.TemplateDir, App + "template1/");
    EXPECT_FALSE(NoMenuDvd);
    EXPECT_FALSE(Options.IsWin9x);
}

TEST_F(GlobalsTest, OptionsFileValues) {
    struct Case {
        const char* Line;
        std::function<void()> Check;
    } Cases[] = {
        {"TemplateIndex=3", [&] { EXPECT_EQ(Options.TemplateDir, App + "template3/"); }},
        {"TemplateIndex= 3 ", [&] { EXPECT_EQ(Options.TemplateDir, App + "template3/"); }},
        {"VideoFormat=257", [] { EXPECT_EQ(Options.VideoFormat, 1); }},
        {"VideoAspect=1", [] { EXPECT_EQ(Options.VideoAspect, 1); }},
        {"Quality=abc", [] { EXPECT_EQ(Options.Quality, 6400); }},
        {"Quality=  8000  ", [] { EXPECT_EQ(Options.Quality, 8000); }},
        {"ShowWindow=0", [] { EXPECT_FALSE(Options.ShowWindow); }},
        {"ShowWindow=1", [] { EXPECT_TRUE(Options.ShowWindow); }},
        {"UseDirectShow=1", [] { EXPECT_TRUE(Options.UseDirectShow); }},
        {"UseDirectShow=2", [] { EXPECT_TRUE(Options.UseDirectShow); }},
        {"UseDirectShow=0", [] { EXPECT_FALSE(Options.UseDirectShow); }},
        {"TempDir= /srv/work dir ü/ ", [] { EXPECT_EQ(Options.TempDir, "/srv/work dir ü/"); }},
        {"LastOpenDir=/home/ä b", [] { EXPECT_EQ(Options.LastOpenDir, "/home/ä b"); }},
        {"DVDLabel=Urlaub 2026", [] { EXPECT_EQ(Options.DVDLabel, "Urlaub 2026"); }},
    };
    ASSERT_TRUE(InitApplicationPaths(App));
    for (const Case& C : Cases) {
        WriteFile(App + "options.ini", std::string("[QZOptions]\n") + C.Line + "\n");
        ASSERT_TRUE(LoadOptions());
        SCOPED_TRACE(C.Line);
        C.Check();
    }
}

TEST_F(GlobalsTest, SaveOptionsWritesNineKeysAndTheLanguageFile) {
    ASSERT_TRUE(InitApplicationPaths(App));
    ASSERT_TRUE(LoadOptions());
    Options.VideoFormat = 1;
    Options.Quality = 4000;
    Options.VideoAspect = 1;
    Options.LastOpenDir = "/home/ü ser/Videos";
    Options.TempDir = "/tmp/work dir/";
    Options.DVDLabel = "Ferien";
    Options.TemplateIndex = 3;
    Options.ShowWindow = false;
    Options.UseDirectShow = true;
    ASSERT_FALSE(fs::exists(CurrentLanguageFile));
    ASSERT_TRUE(SaveOptions());

    const std::string F = OptionsFile;
    EXPECT_EQ(IniValue(F, "QZOptions", "LastOpenDir"), "/home/ü ser/Videos");
    EXPECT_EQ(IniValue(F, "QZOptions", "VideoFormat"), "1");
    EXPECT_EQ(IniValue(F, "QZOptions", "Quality"), "4000");
    EXPECT_EQ(IniValue(F, "QZOptions", "VideoAspect"), "1");
    EXPECT_EQ(IniValue(F, "QZOptions", "TempDir"), "/tmp/work dir/");
    EXPECT_EQ(IniValue(F, "QZOptions", "DVDLabel"), "Ferien");
    EXPECT_EQ(IniValue(F, "QZOptions", "TemplateIndex"), "3");
    EXPECT_EQ(IniValue(F, "QZOptions", "ShowWindow"), "0");
    EXPECT_EQ(IniValue(F, "QZOptions", "UseDirectShow"), "1");
    // The language file did not exist: it is made from the texts in memory.
    EXPECT_EQ(IniValue(CurrentLanguageFile, "Quillmake", "LanguageName"), "English");
    EXPECT_EQ(IniValue(CurrentLanguageFile, "Quillmake", "STR_OK"), "OK");

    ASSERT_TRUE(LoadOptions());
    EXPECT_EQ(Options.TemplateDir, App + "template3/");
    EXPECT_EQ(Options.Quality, 4000);
    EXPECT_FALSE(Options.ShowWindow);
    EXPECT_TRUE(Options.UseDirectShow);
}

TEST_F(GlobalsTest, UnwritableLanguageFileRaisesWithItsName) {
    ASSERT_TRUE(InitApplicationPaths(App));
    ASSERT_TRUE(LoadOptions());
    // Root writes into read-only folders, so the language file is made
    // unwritable for everyone by being a folder: the open for writing fails.
    fs::create_directories(CurrentLanguageFile);
    try {
        SaveOptions();
        FAIL() << "no exception";
    } catch (const EIniFileException& E) {
        EXPECT_EQ(E.Message, "Unable to write to " + CurrentLanguageFile);
    }
    // options.ini was written before the language file was tried.
    EXPECT_EQ(IniValue(OptionsFile, "QZOptions", "Quality"), "6400");
}

TEST_F(GlobalsTest, ReadOnlyLanguageFolderRaisesWithTheFileName) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; see UnwritableLanguageFileRaisesWithItsName";
    ASSERT_TRUE(InitApplicationPaths(App));
    ASSERT_TRUE(LoadOptions());
    ::chmod(LangsDir.c_str(), 0500);
    try {
        SaveOptions();
        ADD_FAILURE() << "no exception";
    } catch (const EIniFileException& E) {
        EXPECT_EQ(E.Message, "Unable to write to " + CurrentLanguageFile);
    }
    ::chmod(LangsDir.c_str(), 0700);
}

TEST_F(GlobalsTest, SaveLanguageChoice) {
    ASSERT_TRUE(InitApplicationPaths(App));
    CurrentLanguageFile = LangsDir + "Deutsch ä.ini";
    ASSERT_TRUE(SaveLanguageChoice());  // not there: the default is stored
    EXPECT_EQ(IniValue(ConfigFile, "VideoAPP_Form", "LanguageFile"), "English.ini");
    WriteFile(CurrentLanguageFile, "[Quillmake]\n");
    ASSERT_TRUE(SaveLanguageChoice());
    EXPECT_EQ(IniValue(ConfigFile, "VideoAPP_Form", "LanguageFile"), "Deutsch ä.ini");
    ASSERT_TRUE(InitApplicationPaths(App));
    EXPECT_EQ(CurrentLanguageFile, LangsDir + "Deutsch ä.ini");
}

TEST(DefaultTempDir, UnknownApplicationDataFolderGivesNoFolder) {
    EXPECT_EQ(DefaultTempDir(""), "");
    EXPECT_EQ(DefaultTempDir("/home/u/.local/share"), "/home/u/.local/share/Quillon/");
    EXPECT_EQ(DefaultTempDir("/home/u/.local/share/"), "/home/u/.local/share/Quillon/");
}

TEST(WindowsVersion, Table) {
    struct Case {
        uint32_t Platform, Major, Minor;
        const char* Csd;
        int Code;
    } Cases[] = {
        {1, 4, 0, "", 1},      {1, 4, 10, " A ", 3}, {1, 4, 10, "", 2},   {1, 4, 10, "A", 2},
        {1, 4, 90, "", 4},     {1, 5, 0, "", 0},     {2, 3, 51, "", 5},   {2, 4, 0, "", 5},
        {2, 5, 0, "", 6},      {2, 5, 1, "", 7},     {2, 5, 2, "", 0},    {2, 6, 1, "", 0},
        {2, 10, 0, "", 0},     {0, 3, 10, "", 0},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(WindowsVersionCode(C.Platform, C.Major, C.Minor, C.Csd), C.Code)
            << C.Platform << " " << C.Major << "." << C.Minor << " '" << C.Csd << "'";
    EXPECT_EQ(GetWindowsVersion(), 0);  // newer than XP: not the 9x family
}

TEST_F(GlobalsTest, StartupAndShutdown) {
    EXPECT_NE(FilterList, nullptr);
    EXPECT_NE(AvsExtList, nullptr);
    EXPECT_NE(sbCallBackEventer, nullptr);
    ASSERT_TRUE(InitApplicationPaths(App));
    ProductTitle = ApplicationTitle;
    GlobalsShutdown();
    EXPECT_EQ(FilterList, nullptr);
    EXPECT_EQ(sbCallBackEventer, nullptr);
    EXPECT_EQ(AppDir, "");
    EXPECT_EQ(ProductTitle, "");
    GlobalsStartup();
}
