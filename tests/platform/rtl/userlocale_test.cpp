// The user's locale read from the environment.
#include "platform/rtl/userlocale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

TEST(UserLocale, NamesSplitIntoTheirParts) {
    struct Case {
        const char* name;
        const char *language, *territory, *codeset, *modifier;
    } cases[] = {
        {"ja_JP.UTF-8", "ja", "JP", "UTF-8", ""},
        {"el_GR.ISO-8859-7@euro", "el", "GR", "ISO-8859-7", "euro"},
        {"de", "de", "", "", ""},
        {"sr_RS@latin", "sr", "RS", "", "latin"},
        {"pt_BR", "pt", "BR", "", ""},
        {"C", "", "", "", ""},
        {"C.UTF-8", "", "", "", ""},
        {"POSIX", "", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        const TUserLocale l = ParseLocaleName(c.name);
        EXPECT_EQ(l.Language, c.language) << c.name;
        EXPECT_EQ(l.Territory, c.territory) << c.name;
        EXPECT_EQ(l.Codeset, c.codeset) << c.name;
        EXPECT_EQ(l.Modifier, c.modifier) << c.name;
    }
    EXPECT_EQ(ParseLocaleName("").Name, "C");
}

// Sets the three variables for one case and puts the old values back.
class LocaleEnv {
public:
    LocaleEnv(const char* all, const char* messages, const char* lang) {
        for (int i = 0; i < 3; ++i) {
            if (const char* v = std::getenv(kVars[i])) saved_[i] = v;
        }
        Set(0, all);
        Set(1, messages);
        Set(2, lang);
    }
    ~LocaleEnv() {
        for (int i = 0; i < 3; ++i) Set(i, saved_[i] ? saved_[i]->c_str() : nullptr);
    }

private:
    static constexpr const char* kVars[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    static void Set(int i, const char* v) {
        if (v) setenv(kVars[i], v, 1);
        else unsetenv(kVars[i]);
    }
    std::optional<std::string> saved_[3];
};

TEST(UserLocale, FirstNonEmptyOfLcAllLcMessagesAndLang) {
    struct Case {
        const char *all, *messages, *lang;
        const char* expected;
    } cases[] = {
        {"el_GR.UTF-8", "ja_JP.UTF-8", "de_DE.UTF-8", "el_GR.UTF-8"},
        {nullptr, "ja_JP.UTF-8", "de_DE.UTF-8", "ja_JP.UTF-8"},
        {"", "", "de_DE.UTF-8", "de_DE.UTF-8"},
        {nullptr, nullptr, nullptr, "C"},
        {"", "", "", "C"},
    };
    for (const Case& c : cases) {
        LocaleEnv env(c.all, c.messages, c.lang);
        EXPECT_EQ(ReadUserLocale().Name, c.expected);
    }
}

}  // namespace
