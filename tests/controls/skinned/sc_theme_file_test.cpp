// Theme files: the reader over well-formed and broken files, the manager and
// the theme component's search, load and failure rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "controls/skinned/sc_file_theme.h"
#include "controls/skinned/sc_form.h"
#include "platform/classlib/forms.h"
#include "sc_test_env.h"

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new ScTestEnv);
namespace fs = std::filesystem;

int KeyOf(const std::string& Name) {
    for (int K = 1; K <= scStyleKeyCount; ++K)
        if (Name == StyleKeyName(K)) return K;
    return 0;
}

// Every key the generator wrote reads back as written.
TEST(ThemeFile, GeneratedFileReadsBackEveryKey) {
    TscFileTheme T(nullptr);
    T.SetThemeFile(TESSARO_SC_THEME_FILE);
    ASSERT_TRUE(T.CanUse());
    std::ifstream List(std::string(TESSARO_SC_THEME_FILE) + ".txt");
    std::string Line;
    int Keys = 0;
    while (std::getline(List, Line)) {
        std::istringstream In(Line);
        std::string Name, Note;
        int Type;
        In >> Name >> Type;
        std::getline(In >> std::ws, Note);
        SCOPED_TRACE(Line);
        int Key = KeyOf(Name);
        if (Type == 3) {
            EXPECT_EQ(T.Mgr().Reader()->GetText(Name), Note);
            continue;
        }
        ASSERT_NE(Key, 0);
        ++Keys;
        switch (StyleKeyKind(Key)) {
            case skInteger: EXPECT_EQ(T.GetInteger(Key), std::stoi(Note)); break;
            case skColor: EXPECT_EQ(T.GetColor(Key), TColor(std::stoi(Note))); break;
            case skBool: EXPECT_EQ(T.GetBool(Key), Note == "1"); break;
            case skImage: {
                TBitmap B;
                T.GetImage(Key, &B);
                EXPECT_EQ(std::to_string(B.Width()) + "x" + std::to_string(B.Height()), Note);
                break;
            }
        }
    }
    EXPECT_EQ(Keys, scStyleKeyCount);
    // Frames of the theme's strips: the check box's 56 columns in four frames of 14.
    TBitmap Frame;
    T.GetImageFrame(skCheckBoxImage, &Frame, 4, 3);
    EXPECT_EQ(Frame.Width(), 14);
}

// Builds theme files entry by entry.
struct TFileBuilder {
    std::vector<uint8_t> Bytes;
    explicit TFileBuilder(int32_t HeaderLength = 24, int32_t First = 24) {
        const char* Magic = "SCPack_TB";
        Bytes.assign(24, 0);
        std::copy(Magic, Magic + 9, Bytes.begin());
        Put(12, HeaderLength);
        Put(20, First);
    }
    void Put(size_t At, int32_t V) {
        if (Bytes.size() < At + 4) Bytes.resize(At + 4, 0);
        for (int I = 0; I < 4; ++I) Bytes[At + I] = uint8_t(uint32_t(V) >> (8 * I));
    }
    // An entry at the end; its next offset points right after it unless given.
    size_t Entry(const std::string& Name, uint8_t Type, int32_t DataAt, int32_t Size, int32_t Next = -1) {
        size_t At = Bytes.size();
        Bytes.resize(At + 77, 0);
        std::copy(Name.begin(), Name.end(), Bytes.begin() + ptrdiff_t(At));
        Bytes[At + 64] = Type;
        Put(At + 65, DataAt);
        Put(At + 69, Size);
        Put(At + 73, Next < 0 ? int32_t(At + 77) : Next);
        return At;
    }
    int32_t Data(std::vector<uint8_t> D) {
        size_t At = Bytes.size();
        Bytes.insert(Bytes.end(), D.begin(), D.end());
        return int32_t(At);
    }
    void End() { Entry("", 0, 0, 0, 0); }
    std::string Save(const std::string& Name) const {
        std::string P = (fs::temp_directory_path() / Name).string();
        std::ofstream(P, std::ios::binary).write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
        return P;
    }
};

std::vector<uint8_t> Le(int32_t V) { return {uint8_t(V), uint8_t(V >> 8), uint8_t(V >> 16), uint8_t(uint32_t(V) >> 24)}; }

TEST(ThemeFile, ReaderEdgeCases) {
    // Data first, then the entries pointing back at it.
    {
        SCOPED_TRACE("one entry: nothing read");
        TFileBuilder F;
        F.Entry("MenuFontColor", 1, 0, 4, 0);
        TscThemeFileReader R(F.Bytes.data(), F.Bytes.size());
        EXPECT_TRUE(R.Integers.empty());
        EXPECT_EQ(R.GetInteger("MenuFontColor"), -1);
        EXPECT_FALSE(R.GetBool("ButtonTransparentBool"));
        EXPECT_EQ(R.GetStream("CheckBoxImage"), nullptr);
    }
    {
        SCOPED_TRACE("type 7 skipped, names case-blind, the first wins");
        TFileBuilder F(24, 0);
        int32_t A = F.Data(Le(11)), B = F.Data(Le(22)), Flag = F.Data({1});
        F.Put(20, int32_t(F.Bytes.size()));
        F.Entry("FormMinWidthInt", 7, A, 4);
        F.Entry("formminwidthint", 1, A, 4);
        F.Entry("FORMMINWIDTHINT", 1, B, 4);
        F.Entry("ButtonTransparentBool", 2, Flag, 1);
        F.End();
        TscThemeFileReader R(F.Bytes.data(), F.Bytes.size());
        EXPECT_EQ(R.Integers.size(), 2u);
        EXPECT_EQ(R.GetInteger("FormMinWidthInt"), 11);
        EXPECT_TRUE(R.GetBool("buttontransparentbool"));
    }
    {
        SCOPED_TRACE("offsets and sizes outside the file are skipped; the chain goes on");
        TFileBuilder F(24, 0);
        int32_t Good = F.Data(Le(5));
        F.Put(20, int32_t(F.Bytes.size()));
        F.Entry("A", 0, -10, 4);
        F.Entry("B", 0, Good, 0x7FFFFFFF);
        F.Entry("C", 3, Good, -1);
        F.Entry("D", 1, 0x7FFFFFF0, 4);
        F.Entry("E", 2, -1, 1);
        F.Entry("F", 1, Good, 4);
        F.Entry("G", 1, Good, 4, 0x7FFFFF00);  // next entry beyond the end: the chain stops
        TscThemeFileReader R(F.Bytes.data(), F.Bytes.size());
        EXPECT_TRUE(R.Streams.empty());
        EXPECT_TRUE(R.Texts.empty());
        EXPECT_TRUE(R.Booleans.empty());
        ASSERT_EQ(R.Integers.size(), 2u);
        EXPECT_EQ(R.GetInteger("F"), 5);
    }
    {
        SCOPED_TRACE("a chain returning to an earlier entry ends");
        TFileBuilder F(24, 0);
        int32_t V = F.Data(Le(3));
        size_t A = F.Bytes.size();
        F.Put(20, int32_t(A));
        F.Entry("A", 1, V, 4);
        F.Entry("B", 1, V, 4, int32_t(A));
        TscThemeFileReader R(F.Bytes.data(), F.Bytes.size());
        EXPECT_EQ(R.Integers.size(), 2u);
    }
    {
        SCOPED_TRACE("header lengths");
        TFileBuilder Long(4000);
        Long.Entry("X", 2, 0, 1);
        Long.End();
        TscThemeFileReader R(Long.Bytes.data(), Long.Bytes.size());
        EXPECT_EQ(R.Booleans.size(), 1u);
        TFileBuilder Short(16);
        EXPECT_THROW(TscThemeFileReader(Short.Bytes.data(), Short.Bytes.size()), EscInvalidThemeFile);
        EXPECT_THROW(TscThemeFileReader(nullptr, 0), EscInvalidThemeFile);
    }
    {
        SCOPED_TRACE("a truncated file reads as far as it goes");
        std::ifstream In(TESSARO_SC_THEME_FILE, std::ios::binary);
        std::vector<uint8_t> All((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
        for (size_t Cut : {size_t(30), All.size() / 3, All.size() / 2, All.size() - 40}) {
            TscThemeFileReader R(All.data(), Cut);
            for (auto& [N, S] : R.Streams) EXPECT_LE(S->Size(), int64_t(Cut));
        }
    }
}

TEST(ThemeFile, MagicCheck) {
    TFileBuilder Good;
    Good.End();
    TFileBuilder Bad = Good;
    Bad.Bytes[9] = 'X';  // the text runs on past the magic
    TFileBuilder Other = Good;
    Other.Bytes[0] = 's';
    EXPECT_TRUE(IsValidThemeFile(Good.Save("sc_magic_good.sctheme")));
    EXPECT_FALSE(IsValidThemeFile(Bad.Save("sc_magic_bad.sctheme")));
    EXPECT_FALSE(IsValidThemeFile(Other.Save("sc_magic_other.sctheme")));
    EXPECT_FALSE(IsValidThemeFile((fs::temp_directory_path() / "sc_no_such.sctheme").string()));
}

TEST(ThemeFile, SettingTheThemeFile) {
    std::string Program = GetWindowsFolder();
    std::string Copy = Program + "sc_bare_theme.sctheme";
    fs::copy_file(TESSARO_SC_THEME_FILE, Copy, fs::copy_options::overwrite_existing);
    fs::path OldDir = fs::current_path();
    fs::current_path(fs::temp_directory_path());  // the bare name is not found as it is
    TscFileTheme T(nullptr);
    T.SetThemeFile("sc_bare_theme.sctheme");
    fs::current_path(OldDir);
    EXPECT_EQ(T.ThemeFile(), Copy);
    ASSERT_TRUE(T.CanUse());
    TscThemeFileReader* First = T.Mgr().Reader();
    // The same text again: nothing; another file: loaded.
    T.SetThemeFile(Copy);
    EXPECT_EQ(T.Mgr().Reader(), First);
    T.SetThemeFile(TESSARO_SC_THEME_FILE);
    EXPECT_NE(T.Mgr().Reader(), First);
    EXPECT_EQ(T.ThemeFile(), TESSARO_SC_THEME_FILE);
    TscThemeFileReader* Second = T.Mgr().Reader();
    // Nowhere to be found: nothing changes.
    T.SetThemeFile("/no/such/folder/sc_missing.sctheme");
    EXPECT_EQ(T.ThemeFile(), TESSARO_SC_THEME_FILE);
    // Not a theme file: the message, nothing changes.
    TFileBuilder Bad;
    Bad.Bytes[3] = 'x';
    try {
        T.SetThemeFile(Bad.Save("sc_wrong_magic.sctheme"));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message, "Invalid skin file for SCPack!");
    }
    // A file with the magic whose header is too short does not load: the
    // previous file stays in force under its name.
    TFileBuilder Short(8);
    EXPECT_THROW(T.SetThemeFile(Short.Save("sc_short_header.sctheme")), EscInvalidThemeFile);
    EXPECT_EQ(T.ThemeFile(), TESSARO_SC_THEME_FILE);
    EXPECT_EQ(T.Mgr().Reader(), Second);
    EXPECT_TRUE(T.CanUse());
    fs::remove(Copy);
}

TEST(ThemeFile, ManagerWithoutFile) {
    TscFileThemeMgr M;
    EXPECT_FALSE(M.LoadThemeFile("/no/such/file.sctheme"));
    EXPECT_EQ(M.GetInteger(7), 0);
    EXPECT_EQ(M.GetColor(15), TColor(0));
    EXPECT_FALSE(M.GetBool(2));
    TBitmap B;
    M.GetImage(3, &B);
    EXPECT_TRUE(B.Empty());
    ASSERT_TRUE(M.LoadThemeFile(TESSARO_SC_THEME_FILE));
    EXPECT_EQ(M.GetInteger(0), -1);  // no such key: no entry
}

// A theme removed from its form: the skinned controls pointing at it fall back.
TEST(ThemeFile, RemovingTheThemeRevertsItsControls) {
    TForm* F = new TForm(Application);
    auto* Theme = new TscFileTheme(F);
    Theme->SetName("Theme");
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    Skin->SetFileTheme(Theme);
    Skin->SetUIStyle(FromThemeFile);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    EXPECT_EQ(Skin->FileTheme(), Theme);
    Theme->Free();
    EXPECT_EQ(Skin->FileTheme(), nullptr);
    EXPECT_EQ(Skin->UIStyle(), DeepBlue);
    F->Free();
}

}  // namespace
