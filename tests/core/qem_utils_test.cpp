#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/qem_utils.h"
#include "core_fixture.h"
#include "platform/system/shell.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using coretest::WriteFile;

TEST(ExtractFileBaseName, Table) {
    struct Case {
        const char* Path;
        const char* Base;
    } Cases[] = {
        {"/a/b.c.ini", "b.c"},
        {"/a/noext", "noext"},
        {"/a/.ini", ""},
        {"name.ini", "name"},
        {"/a.b/noext", "noext"},  // a dot in the folder is not an extension
        {"/x/Mein Ordner ü/Deutsch Ä.ini", "Deutsch Ä"},
        {"", ""},
    };
    for (const Case& C : Cases) EXPECT_EQ(ExtractFileBaseName(C.Path), C.Base) << C.Path;
}

TEST(ConvertLineBreaks, DecodeTable) {
    struct Case {
        const char* Value;
        const char* Text;
    } Cases[] = {
        {"Line one#13Line two", "Line one\r\nLine two"},
        {"##13", "#\r\n"},                      // the first '#' stays
        {"a#1#13b", "a#1\r\nb"},
        {"#13#13", "\r\n\r\n"},
        {"  padded value \t", "padded value"},  // blanks and controls at both ends go
        {"Größe#13Ärger", "Größe\r\nÄrger"},
        {"", ""},
    };
    for (const Case& C : Cases) EXPECT_EQ(ConvertLineBreaks(C.Value, true), C.Text) << C.Value;
}

TEST(ConvertLineBreaks, EncodeTable) {
    struct Case {
        const char* Text;
        const char* Value;
    } Cases[] = {
        {"a\r\nb\nc\rd", "a#13b#13c#13d"},  // CR LF, lone LF, lone CR: three "#13"
        {"\n\rx", "x"},                     // line breaks at the ends are trimmed away
        {"a\n\rb", "a#13#13b"},             // LF CR is not a pair
        {" Größe\r\nÄrger ", "Größe#13Ärger"},
    };
    for (const Case& C : Cases) {
        const std::string V = ConvertLineBreaks(C.Text, false);
        EXPECT_EQ(V, C.Value) << C.Text;
        EXPECT_EQ(V.find_first_of("\r\n"), std::string::npos);
    }
    EXPECT_EQ(ConvertLineBreaks("a#13b#13c#13d", true), "a\r\nb\r\nc\r\nd");
}

TEST(ConvertLineBreaks, ValuesRoundTrip) {
    for (const char* V : {"Line one#13Line two", "a##13b", "50%#13%s", "Ünïcödé#13#13x"})
        EXPECT_EQ(ConvertLineBreaks(ConvertLineBreaks(V, true), false), V) << V;
}

TEST(TrailingBackslash, Table) {
    struct Case {
        const char* Path;
        const char* Added;
        const char* Removed;
    } Cases[] = {
        {"/x/", "/x/", "/x"},
        {"/x", "/x/", "/x"},
        {"/mit Leerzeichen ö", "/mit Leerzeichen ö/", "/mit Leerzeichen ö"},
        {"/mit Leerzeichen ö/", "/mit Leerzeichen ö/", "/mit Leerzeichen ö"},
        {"", "", ""},  // never turns into the root
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(AddTrailingBackslash(C.Path), C.Added) << C.Path;
        EXPECT_EQ(RemoveTrailingBackslash(C.Path), C.Removed) << C.Path;
    }
}

class DeleteFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = Scratch.Slashed();
    }
    TTempFolder Scratch{"core_test"};
    std::string Dir;
};

TEST_F(DeleteFolderTest, RemovesNestedTreeWithBlanksAndNonAsciiNames) {
    for (const char* Name : {"DVD_DISC1", "DVD_DISC1/", "Ordner mit Lücken/"}) {
        const std::string Root = Dir + Name;
        WriteFile(Root + "/VIDEO_TS/VTS_01_1.VOB", "x");
        WriteFile(Root + "/VIDEO_TS/sub dir é/file ñ.txt", "y");
        WriteFile(Root + "/noext", "");
        WriteFile(Root + "/.hidden", "z");
        fs::create_directories(Root + "/AUDIO_TS");
        EXPECT_TRUE(DeleteFolderRecursive(Root)) << Name;
        EXPECT_FALSE(fs::exists(Root)) << Name;
    }
}

TEST_F(DeleteFolderTest, MissingFolderIsFalse) {
    EXPECT_FALSE(DeleteFolderRecursive(Dir + "does not exist"));
    EXPECT_FALSE(DeleteFolderRecursive(""));
}

TEST_F(DeleteFolderTest, LinksAreRemovedNotFollowed) {
    WriteFile(Dir + "outside/keep me.txt", "precious");
    WriteFile(Dir + "tree/file", "x");
    ASSERT_EQ(::symlink((Dir + "outside").c_str(), (Dir + "tree/link to folder").c_str()), 0);
    ASSERT_EQ(::symlink((Dir + "outside/keep me.txt").c_str(), (Dir + "tree/link to file").c_str()), 0);
    EXPECT_TRUE(DeleteFolderRecursive(Dir + "tree"));
    EXPECT_FALSE(fs::exists(Dir + "tree"));
    EXPECT_EQ(coretest::ReadFile(Dir + "outside/keep me.txt"), "precious");
}

TEST_F(DeleteFolderTest, SpecialFolderFollowsXdgAndCreates) {
    const char* Old = std::getenv("XDG_DATA_HOME");
    const std::string Saved = Old ? Old : "";
    const std::string Data = Dir + "daten ä";
    ::setenv("XDG_DATA_HOME", Data.c_str(), 1);
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA, false), Data);
    EXPECT_FALSE(fs::exists(Data));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA, true), Data);
    EXPECT_TRUE(fs::is_directory(Data));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_DRIVES, false), "");  // no file-system path
    if (Old) ::setenv("XDG_DATA_HOME", Saved.c_str(), 1);
    else ::unsetenv("XDG_DATA_HOME");
}
