#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/multi_languages.h"
#include "core_fixture.h"

namespace fs = std::filesystem;
using coretest::WriteFile;

class MultiLanguagesTest : public coretest::CoreFixture {};

TEST_F(MultiLanguagesTest, ListsIniFilesWithTheirDisplayNames) {
    const std::string L = App + "langs/";
    WriteFile(L + "German.ini", "[Quillmake]\nLanguageName=Deutsch\n");
    WriteFile(L + "Français.ini", "[Quillmake]\nLanguageName = Français \n");
    WriteFile(L + "NoName.ini", "[Other]\nLanguageName=wrong section\n");
    WriteFile(L + "Empty Name.ini", "[Quillmake]\nLanguageName=\n");
    WriteFile(L + "readme.txt", "not a language");
    fs::create_directories(L + "x.ini");  // a folder, not a file
    fs::create_directories(L + "English_Profile");

    TQemMultiLanguages List(L, "Quillmake", "LanguageName");
    ASSERT_EQ(List.GetCount(), 4);
    std::map<std::string, std::string> Got;
    for (int I = 0; I < List.GetCount(); ++I) Got[List.GetFileName(I)] = List.GetLanguageName(I);
    const std::map<std::string, std::string> Want = {
        {L + "German.ini", "Deutsch"},
        {L + "Français.ini", "Français"},
        {L + "NoName.ini", "NoName"},
        {L + "Empty Name.ini", "Empty Name"},
    };
    EXPECT_EQ(Got, Want);

    struct Case {
        int Index;
        bool Valid;
    } Cases[] = {{-1, false}, {0, true}, {3, true}, {4, false}};
    for (const Case& C : Cases) {
        EXPECT_EQ(List.GetFileName(C.Index).empty(), !C.Valid) << C.Index;
        EXPECT_EQ(List.GetLanguageName(C.Index).empty(), !C.Valid) << C.Index;
    }
    EXPECT_EQ(List.ItemIndex, 0);
    List.SetItemIndex(3);
    EXPECT_EQ(List.ItemIndex, 3);
    List.SetItemIndex(4);
    List.SetItemIndex(-1);
    EXPECT_EQ(List.ItemIndex, 3);
}

TEST_F(MultiLanguagesTest, MissingFolderGivesAnEmptyList) {
    TQemMultiLanguages List(App + "no langs here/", "Quillmake", "LanguageName");
    EXPECT_EQ(List.GetCount(), 0);
    EXPECT_EQ(List.FileNames, nullptr);
    EXPECT_EQ(List.GetFileName(0), "");
    List.SetItemIndex(0);
    EXPECT_EQ(List.ItemIndex, 0);
}
