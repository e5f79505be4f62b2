#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/globals.h"
#include "core/multi_languages.h"
#include "core/ui_texts.h"
#include "core_fixture.h"

namespace fs = std::filesystem;
using coretest::IniValue;
using coretest::ReadFile;
using coretest::WriteFile;

class UITextsTest : public coretest::CoreFixture {
protected:
    std::string Lang(const std::string& Name) { return App + "langs/" + Name; }
};

TEST(UITextTable, KeysAreUniqueAndNamedLikeTheirTexts) {
    InitUITexts();
    std::set<std::string> Keys;
    const TUIText* T = UITextTable();
    for (int I = 0; I < UITextCount(); ++I) {
        EXPECT_TRUE(Keys.insert(T[I].Key).second) << T[I].Key;
        EXPECT_EQ(*T[I].Text, T[I].Default) << T[I].Key;
        EXPECT_NE(std::string(T[I].Default), "") << T[I].Key;
    }
    EXPECT_EQ(UITextCount(), 368);  // the 367 keys and the closing-session text's own
    EXPECT_EQ(T[0].Text, &STR_OK);
    EXPECT_EQ(STR_MAIN_mnuSettings, "Tools");
    EXPECT_EQ(IDS_Main_DVDLabel, "My DVD");
    EXPECT_EQ(STR_MAIN_AddingError4, "An error occurred while adding file:\r\n\r\nFile\"%s\" has no audio and video.");
    EXPECT_EQ(IDS_main_MSG_FileWarning, "File Warning (%d): %s\\r%s.");  // backslash and r, as they stand
    EXPECT_EQ(IDS_main_MSG_Warning, "Warning");
    EXPECT_EQ(IDS_Burn_CloseSession, "Closing Session!");
}

TEST_F(UITextsTest, MissingFileIsWrittenFromMemoryThenRead) {
    STR_Cancel = "Abbrechen";
    FilterList->Add("stale=*.x");
    AvsExtList->Add(".stale");
    LoadLanguageTexts(Lang("Deutsch.ini"));
    EXPECT_EQ(IniValue(Lang("Deutsch.ini"), "Quillmake", "LanguageName"), "Deutsch");
    EXPECT_EQ(IniValue(Lang("Deutsch.ini"), "Quillmake", "STR_Cancel"), "Abbrechen");
    EXPECT_EQ(STR_Cancel, "Abbrechen");
    // A file the program writes has no filter or extension sections.
    EXPECT_EQ(FilterList->Count(), 0);
    EXPECT_EQ(AvsExtList->Count(), 0);
}

TEST_F(UITextsTest, ValuesAreDecodedAndWrittenBackUnchanged) {
    WriteFile(Lang("Test.ini"),
              "[Quillmake]\r\n"
              "LanguageName=Test\r\n"
              "STR_OK=Line one#13Line two\r\n"
              "STR_Cancel=a##13b\r\n"
              "STR_Yes=   Ja bitte   \r\n"
              "STR_Hint=\r\n"
              "STR_Error=Größe#13Ärger\r\n");
    LoadLanguageTexts(Lang("Test.ini"));
    EXPECT_EQ(STR_OK, "Line one\r\nLine two");
    EXPECT_EQ(STR_Cancel, "a#\r\nb");
    EXPECT_EQ(STR_Yes, "Ja bitte");
    EXPECT_EQ(STR_Hint, "");  // an empty value gives an empty text
    EXPECT_EQ(STR_Error, "Größe\r\nÄrger");
    EXPECT_EQ(STR_Question, "Question");  // missing key: the text in memory stays

    SaveLanguageTexts(Lang("Test.ini"));
    EXPECT_EQ(IniValue(Lang("Test.ini"), "Quillmake", "STR_OK"), "Line one#13Line two");
    EXPECT_EQ(IniValue(Lang("Test.ini"), "Quillmake", "STR_Cancel"), "a##13b");
    EXPECT_EQ(IniValue(Lang("Test.ini"), "Quillmake", "STR_Yes"), "Ja bitte");
    EXPECT_EQ(IniValue(Lang("Test.ini"), "Quillmake", "STR_Error"), "Größe#13Ärger");
    EXPECT_EQ(ReadFile(Lang("Test.ini")).find("\nLine two"), std::string::npos);
}

TEST_F(UITextsTest, KeysAreFoundAsTheIniFileFindsThem) {
    // Any case; the first of two wins; the section may come in two blocks; quotes
    // around a value go.
    WriteFile(Lang("Test.ini"),
              "[quillmake]\r\n"
              "str_ok=Jawohl\r\n"
              "STR_Cancel=first\r\n"
              "STR_CANCEL=second\r\n"
              "[Other]\r\nSTR_Yes=not this one\r\n"
              "[Quillmake]\r\n"
              "  STR_Yes  = \"Ja = ja\" \r\n"
              "STR_OK=later block\r\n");
    LoadLanguageTexts(Lang("Test.ini"));
    EXPECT_EQ(STR_OK, "Jawohl");
    EXPECT_EQ(STR_Cancel, "first");
    EXPECT_EQ(STR_Yes, "Ja = ja");
    EXPECT_EQ(STR_Question, "Question");
}

TEST_F(UITextsTest, TheLoadedFileIsKnownUntilItOrTheTextsChange) {
    WriteFile(Lang("Test.ini"), "[Quillmake]\nSTR_OK=Gut\n");
    WriteFile(Lang("Other.ini"), "[Quillmake]\nSTR_OK=Bon\n");
    EXPECT_FALSE(LanguageTextsLoadedFrom(Lang("Test.ini")));
    LoadLanguageTexts(Lang("Test.ini"));
    EXPECT_TRUE(LanguageTextsLoadedFrom(Lang("Test.ini")));
    EXPECT_FALSE(LanguageTextsLoadedFrom(Lang("Other.ini")));
    // Rewritten with another length: a new load would read other texts.
    WriteFile(Lang("Test.ini"), "[Quillmake]\nSTR_OK=Sehr gut\n");
    EXPECT_FALSE(LanguageTextsLoadedFrom(Lang("Test.ini")));
    LoadLanguageTexts(Lang("Test.ini"));
    EXPECT_TRUE(LanguageTextsLoadedFrom(Lang("Test.ini")));
    // The defaults put back: the texts are no longer the file's.
    InitUITexts();
    EXPECT_FALSE(LanguageTextsLoadedFrom(Lang("Test.ini")));
    // Gone from the disk.
    LoadLanguageTexts(Lang("Other.ini"));
    fs::remove(Lang("Other.ini"));
    EXPECT_FALSE(LanguageTextsLoadedFrom(Lang("Other.ini")));
}

TEST_F(UITextsTest, AvsExtensionsStopAtTheFirstGap) {
    WriteFile(Lang("Test.ini"),
              "[Quillmake]\nLanguageName=Test\n"
              "[QZAPP_AVSExt]\n1=.rm\n2= .rmvb \n4=.qt\n"
              "[QZAPP_Filters]\nVideo Files=*.avi;*.mpg\nAVI Files = *.avi\nAll Movies=*.mkv;*.ts\n");
    LoadLanguageTexts(Lang("Test.ini"));
    ASSERT_EQ(AvsExtList->Count(), 2);
    EXPECT_EQ(AvsExtList->Get(0), ".rm");
    EXPECT_EQ(AvsExtList->Get(1), ".rmvb");
    ASSERT_EQ(FilterList->Count(), 3);  // in file order
    EXPECT_EQ(FilterList->Names(0), "Video Files");
    EXPECT_EQ(FilterList->ValueFromIndex(0), "*.avi;*.mpg");
    EXPECT_EQ(FilterList->Names(1), "AVI Files");
    EXPECT_EQ(FilterList->ValueFromIndex(1), "*.avi");
    EXPECT_EQ(FilterList->Names(2), "All Movies");

    // An empty extension counts as one; the next load replaces the lists.
    WriteFile(Lang("Test.ini"), "[QZAPP_AVSExt]\n1=\n2=.rm\n");
    LoadLanguageTexts(Lang("Test.ini"));
    ASSERT_EQ(AvsExtList->Count(), 2);
    EXPECT_EQ(AvsExtList->Get(0), "");
    EXPECT_EQ(FilterList->Count(), 0);
}

TEST_F(UITextsTest, MissingKeysAreAddedAfterARun) {
    ASSERT_TRUE(InitApplicationPaths(App));
    ASSERT_TRUE(LoadOptions());
    // A language loaded before leaves its text for a key the next file lacks.
    WriteFile(Lang("First.ini"), "[Quillmake]\nSTR_Information=Auskunft\n");
    LoadLanguageTexts(Lang("First.ini"));
    WriteFile(CurrentLanguageFile,
              "[Quillmake]\nLanguageName=Britisch\nSTR_OK=Okay\nOwnKey=kept\n"
              "[QZAPP_AVSExt]\n1=.rm\n[QZAPP_Filters]\nVideo=*.avi\n");
    LoadLanguageTexts(CurrentLanguageFile);
    ASSERT_TRUE(SaveOptions());

    const std::string F = CurrentLanguageFile;
    EXPECT_EQ(IniValue(F, "Quillmake", "STR_OK"), "Okay");
    EXPECT_EQ(IniValue(F, "Quillmake", "STR_Information"), "Auskunft");
    EXPECT_EQ(IniValue(F, "Quillmake", "STR_MAIN_Oops"), "Oops, something wasn't as expected!");
    EXPECT_EQ(IniValue(F, "Quillmake", "STR_MAIN_AddingError1"),
              "An error occurred while adding file:#13#13Can not get file \"%s\" complete name.");
    // Rewritten to the base name, so the Languages menu shows it from now on.
    EXPECT_EQ(IniValue(F, "Quillmake", "LanguageName"), "English");
    TQemMultiLanguages Menu(LangsDir, "Quillmake", "LanguageName");
    int Shown = 0;
    for (int I = 0; I < Menu.GetCount(); ++I)
        if (Menu.GetFileName(I) == F) {
            EXPECT_EQ(Menu.GetLanguageName(I), "English");
            ++Shown;
        }
    EXPECT_EQ(Shown, 1);
    // Other keys and the two sections stay as they were.
    EXPECT_EQ(IniValue(F, "Quillmake", "OwnKey"), "kept");
    EXPECT_EQ(IniValue(F, "QZAPP_AVSExt", "1"), ".rm");
    EXPECT_EQ(IniValue(F, "QZAPP_Filters", "Video"), "*.avi");
    for (int I = 0; I < UITextCount(); ++I) {
        bool Found = false;
        IniValue(F, "Quillmake", UITextTable()[I].Key, &Found);
        EXPECT_TRUE(Found) << UITextTable()[I].Key;
    }
}

TEST_F(UITextsTest, ClosingSessionHasAKeyOfItsOwn) {
    // A file from before the closing text had its own key.
    WriteFile(Lang("Alt.ini"), "[Quillmake]\nIDS_main_MSG_Warning=Achtung\n");
    LoadLanguageTexts(Lang("Alt.ini"));
    EXPECT_EQ(IDS_main_MSG_Warning, "Achtung");
    EXPECT_EQ(IDS_Burn_CloseSession, "Closing Session!");
    IDS_Burn_CloseSession = "Sitzung wird geschlossen!";
    SaveLanguageTexts(Lang("Alt.ini"));
    InitUITexts();
    LoadLanguageTexts(Lang("Alt.ini"));
    EXPECT_EQ(IDS_main_MSG_Warning, "Achtung");
    EXPECT_EQ(IDS_Burn_CloseSession, "Sitzung wird geschlossen!");
}
