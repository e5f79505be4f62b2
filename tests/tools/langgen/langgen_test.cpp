#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/globals.h"
#include "core/ui_texts.h"
#include "tools/langgen/english_file.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

class EnglishFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = Scratch.Slashed();
        GlobalsStartup();
        InitUITexts();
    }
    void TearDown() override {
        GlobalsShutdown();
        InitUITexts();
    }
    TTempFolder Scratch{"langgen_test"};
    std::string Dir;
};

// What the source list accepts: the extension, lower-cased, inside a mask.
static bool Supported(const TStringList& Filters, const std::string& Ext) {
    for (int I = 0; I < Filters.Count(); ++I)
        if (!Ext.empty() && LowerCase(Filters.ValueFromIndex(I)).find(LowerCase(Ext)) != std::string::npos) return true;
    return false;
}

TEST_F(EnglishFileTest, ShipsTheDefaultsAndTheVideoTypes) {
    const std::string F = Dir + "English.ini";
    std::ofstream(F) << "[Quillmake]\nSTR_OK=stale\n";  // replaced, not merged
    ASSERT_TRUE(WriteEnglishLanguageFile(F));

    STR_OK = "changed";
    LoadLanguageTexts(F);
    // Every default survives the trip through the file unchanged.
    for (int I = 0; I < UITextCount(); ++I)
        EXPECT_EQ(*UITextTable()[I].Text, UITextTable()[I].Default) << UITextTable()[I].Key;
    EXPECT_EQ(STR_OK, "OK");
    EXPECT_EQ(AvsExtList->Count(), 0);
    ASSERT_GE(FilterList->Count(), 1);
    for (const char* Ext : {".avi", ".mpg", ".mpeg", ".vob", ".mp4", ".m4v", ".mkv", ".mov", ".wmv", ".asf", ".flv",
                            ".webm", ".ts", ".m2ts", ".3gp", ".dv", ".AVI", ".Mkv"})
        EXPECT_TRUE(Supported(*FilterList, Ext)) << Ext;
    EXPECT_FALSE(Supported(*FilterList, ".txt"));
    EXPECT_FALSE(Supported(*FilterList, ""));

    // The program rewrites the file at exit; the two sections stay.
    SaveLanguageTexts(F);
    const int Filters = FilterList->Count();
    LoadLanguageTexts(F);
    EXPECT_EQ(FilterList->Count(), Filters);
    std::stringstream S;
    S << std::ifstream(F).rdbuf();
    EXPECT_NE(S.str().find("[QZAPP_AVSExt]"), std::string::npos);
    EXPECT_NE(S.str().find("LanguageName=English"), std::string::npos);
}
