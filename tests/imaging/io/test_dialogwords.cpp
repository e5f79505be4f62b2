// The dialog word table and the user's language id under locales set here.
#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/io/iedialogwords.h"
#include "imaging/io/ieformats.h"
#include "platform/rtl/userlangid.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { IEIOStartup(); }
    void TearDown() override { IEIOShutdown(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// Sets the locale variables for one case and reads the language again.
void UseLocale(const char* All, const char* Messages, const char* Lang) {
    for (auto [var, v] : {std::pair{"LC_ALL", All}, {"LC_MESSAGES", Messages}, {"LANG", Lang}}) {
        if (v)
            setenv(var, v, 1);
        else
            unsetenv(var);
    }
    IEUpdateSystemLanguage();
}

TEST(LangID, FromTheLocaleVariablesInTheirOrder) {
    struct {
        const char *All, *Messages, *Lang;
        LANGID Id;
    } cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", 0x0407},     {nullptr, nullptr, "zh_TW.UTF-8", 0x0404},
        {nullptr, nullptr, "zh_CN.UTF-8", 0x0804},     {nullptr, nullptr, "zh_HK.UTF-8", 0x0C04},
        {nullptr, nullptr, "ko_KR.UTF-8", 0x0412},     {nullptr, nullptr, "C", 0x0409},
        {nullptr, nullptr, nullptr, 0x0409},           {nullptr, nullptr, "pt_BR.UTF-8", 0x0416},
        {nullptr, "pl_PL.UTF-8", "de_DE.UTF-8", 0x0415}, {"fr_FR", "pl_PL.UTF-8", "de_DE", 0x040C},
        {"", "", "ru_RU.UTF-8@euro", 0x0419},          {nullptr, nullptr, "xx_YY", 0x0400},
    };
    for (const auto& c : cases) {
        UseLocale(c.All, c.Messages, c.Lang);
        EXPECT_EQ(GetUserDefaultLangID(), c.Id) << (c.All ? c.All : "-") << " " << (c.Messages ? c.Messages : "-")
                                                << " " << (c.Lang ? c.Lang : "-");
    }
}

TEST(DialogWords, EnglishRowAndFallbacks) {
    UseLocale(nullptr, nullptr, "en_US.UTF-8");
    EXPECT_EQ(GetDialogWord(0, msEnglish), "Preview");
    EXPECT_EQ(GetDialogWord(44, msEnglish), "Compressed size");
    EXPECT_EQ(GetDialogWord(123, msEnglish), "Rate");
    EXPECT_EQ(GetDialogWord(132, msEnglish), "All Files");
    EXPECT_EQ(GetDialogWord(123, msPolish), "Rate");
    EXPECT_EQ(GetDialogWord(0, msUser), "Preview");
    SetDialogWord(msUser, 0, "Vorschau des Benutzers");
    EXPECT_EQ(GetDialogWord(0, msUser), "Vorschau des Benutzers");
    EXPECT_EQ(GetDialogWord(0, msEnglish), "Preview");

    // Out of range: ignored, and empty answers.
    SetDialogWord(19, 0, "x");
    SetDialogWord(1, 133, "x");
    SetDialogWord(-1, -1, "x");
    EXPECT_EQ(GetDialogWord(133, msEnglish), "");
    EXPECT_EQ(GetDialogWord(-1, msEnglish), "");
    EXPECT_EQ(GetDialogWord(3, static_cast<TMsgLanguage>(40)), "OK");

    // A word stored for English shows in every row without a word of its own.
    SetDialogWord(msGerman, 4, "Abbrechen");
    SetDialogWord(msChineseTraditional, 4, "取消");
    SetDialogWord(msEnglish, 3, "Fine");
    EXPECT_EQ(GetDialogWord(3, msGerman), "Fine");
    EXPECT_EQ(GetDialogWord(3, msSystem), "Fine");
    SetDialogWord(msEnglish, 3, "OK");

    // msSystem follows the locale read at start-up or since.
    struct {
        const char* Lang;
        TMsgLanguage Row;
        const char* Word4;
    } systems[] = {
        {"de_DE.UTF-8", msGerman, "Abbrechen"},   {"zh_TW.UTF-8", msChineseTraditional, "取消"},
        {"zh_HK.UTF-8", msEnglish, "Cancel"},     {"ko_KR.UTF-8", msEnglish, "Cancel"},
        {"pl_PL.UTF-8", msPolish, "Cancel"},      {"fa_IR.UTF-8", msFarsi, "Cancel"},
        {"C", msEnglish, "Cancel"},
    };
    for (const auto& s : systems) {
        UseLocale(nullptr, nullptr, s.Lang);
        EXPECT_EQ(IESystemLanguage(), s.Row) << s.Lang;
        EXPECT_EQ(GetDialogWord(4, msSystem), s.Word4) << s.Lang;
    }
    UseLocale(nullptr, nullptr, "pl_PL.UTF-8");
    EXPECT_EQ(GetDialogWord(123, msSystem), "Rate");
}

TEST(DialogWords, EveryLanguageIdMapsToItsRow) {
    struct {
        uint16_t Id;
        TMsgLanguage Row;
    } cases[] = {{0x0404, msChineseTraditional}, {0x0804, msChinese}, {0x1004, msEnglish}, {0x0405, msCzech},
                 {0x0407, msGerman},  {0x0408, msGreek},    {0x0409, msEnglish},  {0x040A, msSpanish},
                 {0x040B, msFinnish}, {0x040C, msFrench},   {0x0410, msItalian},  {0x0411, msJapanese},
                 {0x0413, msDutch},   {0x0415, msPolish},   {0x0416, msPortuguese}, {0x0419, msRussian},
                 {0x041D, msSwedish}, {0x0429, msFarsi},    {0x0412, msEnglish},  {0x0400, msEnglish}};
    for (const auto& c : cases) EXPECT_EQ(MsgLanguageOfLangID(c.Id), c.Row) << std::hex << c.Id;
}

}  // namespace
