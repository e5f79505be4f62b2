#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "platform/rtl/inifiles.h"
#include "rtl_test_util.h"

namespace {

void WriteFile(const std::string& Name, const std::string& Data) {
    std::ofstream f(Name, std::ios::binary);
    f << Data;
}

std::string ReadFile(const std::string& Name) {
    std::ifstream f(Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<std::string> Items(const TStrings& L) {
    std::vector<std::string> r;
    for (int i = 0; i < L.Count(); ++i) r.push_back(L[i]);
    return r;
}

// The same hand-written file with either line end.
std::string Sample(const std::string& Eol) {
    const char* lines[] = {
        "; options written by hand",
        "[QZOptions]",
        "Quality = 6400",
        "  TempDir=  /tmp/dvd work/  ",
        "DVDLabel=\"  My Disc  \"",
        "Single='it''s'",
        "Mismatched=\"abc'",
        "quality=1",
        ";Commented=1",
        "NoEquals",
        "Empty=",
        "Hex=$10",
        "Bad=abc",
        "Two=2",
        "",
        "[ Other Section ]",
        "Key=other",
        "[qzoptions]",
        "Later=from second block",
    };
    std::string s;
    for (const char* l : lines) s += std::string(l) + Eol;
    return s;
}

class IniFileTest : public testing::TestWithParam<const char*> {
protected:
    TempFolder tmp;
    std::string Name() const { return tmp.Path + "options été.ini"; }
};

TEST_P(IniFileTest, ReadsHandWrittenFiles) {
    WriteFile(Name(), Sample(GetParam()));
    struct Case {
        const char* section;
        const char* key;
        const char* want;
    };
    const Case cases[] = {
        {"QZOptions", "Quality", "6400"},            // blanks around '='; first duplicate wins
        {"qzoptions", "QUALITY", "6400"},            // case-blind
        {"QZOptions", "TempDir", "/tmp/dvd work/"},  // blanks around names and values dropped
        {"QZOptions", "DVDLabel", "  My Disc  "},    // quotes removed, inside kept
        {"QZOptions", "Single", "it''s"},
        {"QZOptions", "Mismatched", "\"abc'"},
        {"QZOptions", "Commented", "dflt"},          // comment line
        {"QZOptions", ";Commented", "dflt"},
        {"QZOptions", "NoEquals", "dflt"},
        {"QZOptions", "Empty", ""},
        {"QZOptions", "Key", "dflt"},                // belongs to another section
        {"Other Section", "key", "other"},
        {"QZOptions", "Later", "from second block"},
        {"Missing", "Quality", "dflt"},
    };
    TIniFile ini(Name());
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.want) << c.section << "/" << c.key;

    EXPECT_EQ(ini.ReadInteger("QZOptions", "Quality", 0), 6400);
    EXPECT_EQ(ini.ReadInteger("QZOptions", "Hex", 0), 16);
    EXPECT_EQ(ini.ReadInteger("QZOptions", "Bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("QZOptions", "Empty", 7), 7);
    EXPECT_TRUE(ini.ReadBool("QZOptions", "Two", false));
    EXPECT_FALSE(ini.ReadBool("QZOptions", "Bad", false));
    EXPECT_TRUE(ini.ReadBool("QZOptions", "Bad", true));
    EXPECT_TRUE(ini.ReadBool("QZOptions", "Missing", true));
    EXPECT_TRUE(ini.SectionExists("other section"));
    EXPECT_FALSE(ini.SectionExists("Missing"));
    EXPECT_TRUE(ini.ValueExists("QZOptions", "empty"));
    EXPECT_FALSE(ini.ValueExists("QZOptions", "NoEquals"));

    TStringList keys;
    ini.ReadSection("QZOPTIONS", keys);
    EXPECT_EQ(Items(keys), (std::vector<std::string>{"Quality", "TempDir", "DVDLabel", "Single", "Mismatched", "Empty",
                                                      "Hex", "Bad", "Two", "Later"}));
    TStringList values;
    ini.ReadSectionValues("Other Section", values);
    EXPECT_EQ(Items(values), (std::vector<std::string>{"Key=other"}));
    ini.ReadSectionValues("QZOptions", values);
    EXPECT_EQ(values.Values("Quality"), "6400");
    EXPECT_EQ(values.Values("TempDir"), "/tmp/dvd work/");
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(Items(sections), (std::vector<std::string>{"QZOptions", "Other Section"}));
}

TEST_P(IniFileTest, AWriteThatChangesNoTextLeavesTheFileAlone) {
    // The program writes a value back at every start: a file that would get
    // the same bytes is not truncated and written again. With LF line ends
    // the bytes do change (lines are written with CR LF), so that file is.
    const std::string original = Sample(GetParam());
    WriteFile(Name(), original);
    const timespec Old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, Name().c_str(), Old, 0), 0);
    TIniFile ini(Name());
    ini.WriteString("QZOptions", "Two", "2");  // the line as it stands
    struct stat St {};
    ASSERT_EQ(stat(Name().c_str(), &St), 0);
    const bool Crlf = std::string(GetParam()) == "\r\n";
    EXPECT_EQ(St.st_mtim.tv_sec == 1000000000, Crlf);
    EXPECT_EQ(ReadFile(Name()), Sample("\r\n"));
    // A changed value is written.
    ini.WriteString("QZOptions", "Two", "3");
    EXPECT_EQ(TIniFile(Name()).ReadInteger("QZOptions", "Two", 0), 3);
}

TEST_P(IniFileTest, WritesKeepOtherLinesAndReachTheFileAtOnce) {
    const std::string original = Sample(GetParam());
    WriteFile(Name(), original);
    TIniFile ini(Name());
    ini.WriteString("qzoptions", "QUALITY", "8000");  // replaces the first of the duplicates
    ini.WriteString("QZOptions", "NewKey", "new value");
    ini.WriteInteger("Other Section", "Number", -5);
    ini.WriteBool("Fresh", "Flag", true);
    ini.WriteBool("Fresh", "Off", false);

    // Another reader sees every write without any flush.
    std::string expected = Sample("\r\n");
    auto replace = [&](const std::string& from, const std::string& to) {
        size_t p = expected.find(from);
        ASSERT_NE(p, std::string::npos) << from;
        expected.replace(p, from.size(), to);
    };
    replace("Quality = 6400\r\n", "QUALITY=8000\r\n");
    replace("Two=2\r\n", "Two=2\r\nNewKey=new value\r\n");
    replace("Key=other\r\n", "Key=other\r\nNumber=-5\r\n");
    expected += "\r\n[Fresh]\r\nFlag=1\r\nOff=0\r\n";
    EXPECT_EQ(ReadFile(Name()), expected);

    TIniFile again(Name());
    EXPECT_EQ(again.ReadInteger("QZOptions", "Quality", 0), 8000);
    EXPECT_EQ(again.ReadString("QZOptions", "Newkey", ""), "new value");
    EXPECT_TRUE(again.ReadBool("fresh", "flag", false));

    again.DeleteKey("QZOptions", "quality");  // every copy goes
    EXPECT_EQ(again.ReadString("QZOptions", "Quality", "gone"), "gone");
    again.EraseSection("QZOPTIONS");  // both blocks
    EXPECT_FALSE(again.SectionExists("QZOptions"));
    EXPECT_EQ(again.ReadString("Other Section", "Key", ""), "other");
    EXPECT_NE(ReadFile(Name()).find("; options written by hand\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniFileTest, testing::Values("\r\n", "\n"),
                         [](const testing::TestParamInfo<const char*>& i) {
                             return std::string(i.param) == "\n" ? "LF" : "CRLF";
                         });

TEST(IniFile, MissingFileGivesDefaultsAndIsCreatedOnWrite) {
    TempFolder tmp;
    const std::string name = tmp.Path + "config.ini";
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("VideoAPP_Form", "LanguageFile", "English.ini"), "English.ini");
    EXPECT_EQ(ini.ReadInteger("S", "K", 42), 42);
    TStringList l;
    l.Add("stale");
    ini.ReadSection("S", l);
    EXPECT_EQ(l.Count(), 0);
    ini.EraseSection("S");
    ini.DeleteKey("S", "K");
    EXPECT_FALSE(FileExists(name));  // nothing to change, nothing written
    ini.WriteString("VideoAPP_Form", "AppTitle", "Tessaro");
    EXPECT_EQ(ReadFile(name), "[VideoAPP_Form]\r\nAppTitle=Tessaro\r\n");
}

TEST(IniFile, RefusedWriteRaisesWithTheFileName) {
    TempFolder tmp;
    // A regular file standing where a folder should be refuses even root.
    WriteFile(tmp.Path + "notafolder", "x");
    ForceDirectories(tmp.Path + "adir");
    const std::string names[] = {
        tmp.Path + "notafolder/options.ini",
        tmp.Path + "missing folder/options.ini",
        tmp.Path + "adir",
    };
    for (const auto& name : names) {
        TIniFile ini(name);
        EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
        try {
            ini.WriteString("S", "K", "v");
            ADD_FAILURE() << "write succeeded: " << name;
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message, "Unable to write to " + name);
        }
        TMemIniFile mem(name);
        mem.WriteString("S", "K", "v");
        EXPECT_THROW(mem.UpdateFile(), EIniFileException);
    }
    EXPECT_FALSE(DirectoryExists(tmp.Path + "missing folder"));  // the folder is not made
}

TEST(MemIniFile, EditsInMemoryAndWritesOnUpdate) {
    TempFolder tmp;
    const std::string name = tmp.Path + "English.ini";
    WriteFile(name, "[Quillmake]\nLanguageName = English\n; keep me\nIDS_A=Text#13two\n[QZAPP_Filters]\nVideo=*.avi;*.mpg\n");
    TMemIniFile mem(name);
    EXPECT_EQ(mem.ReadString("quillmake", "languagename", ""), "English");
    mem.WriteString("Quillmake", "IDS_A", "changed");
    mem.WriteString("Quillmake", "IDS_B", "added");
    EXPECT_EQ(mem.ReadString("Quillmake", "IDS_B", ""), "added");
    EXPECT_EQ(TIniFile(name).ReadString("Quillmake", "IDS_A", ""), "Text#13two");  // not yet on disk
    TStringList filters;
    mem.ReadSectionValues("QZAPP_Filters", filters);
    EXPECT_EQ(Items(filters), (std::vector<std::string>{"Video=*.avi;*.mpg"}));
    mem.UpdateFile();
    EXPECT_EQ(ReadFile(name),
              "[Quillmake]\r\nLanguageName = English\r\n; keep me\r\nIDS_A=changed\r\nIDS_B=added\r\n"
              "[QZAPP_Filters]\r\nVideo=*.avi;*.mpg\r\n");

    const std::string other = tmp.Path + "German.ini";
    WriteFile(other, "[Quillmake]\r\nLanguageName=Deutsch\r\n");
    mem.Rename(other, true);
    EXPECT_EQ(mem.FileName(), other);
    EXPECT_EQ(mem.ReadString("Quillmake", "LanguageName", ""), "Deutsch");
    mem.Clear();
    EXPECT_EQ(mem.ReadString("Quillmake", "LanguageName", "none"), "none");
}

}  // namespace
