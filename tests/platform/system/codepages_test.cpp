#include "platform/system/codepages.h"
#include "platform/system/sysdefs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::u16string ToWide(UINT cp, const std::string& in) {
    const int n = MultiByteToWideChar(cp, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    EXPECT_EQ(MultiByteToWideChar(cp, 0, in.data(), static_cast<int>(in.size()), out.data(), n), n);
    return out;
}

std::string ToBytes(UINT cp, const std::u16string& in, BOOL* usedDefault = nullptr) {
    const int n = WideCharToMultiByte(cp, 0, in.data(), static_cast<int>(in.size()), nullptr, 0, nullptr, usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    EXPECT_EQ(WideCharToMultiByte(cp, 0, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr, usedDefault), n);
    return out;
}

TEST(CodePages, PagesBothWays) {
    struct Case {
        UINT cp;
        std::string bytes;
        std::u16string wide;
    } cases[] = {
        {CP_ACP, "caf\xC3\xA9 \xF0\x9F\x93\x80", u"caf\u00E9 \U0001F4C0"},
        {CP_THREAD_ACP, "\xCE\xBA", u"\u03BA"},
        {CP_UTF8, "\xE6\x97\xA5", u"\u65E5"},
        {1252, "caf\xE9 \x80", u"caf\u00E9 \u20AC"},
        {1253, "\xEA\xE1", u"\u03BA\u03B1"},
        {932, "\x93\xFA\x96\x7B", u"\u65E5\u672C"},
        {CP_UTF7, "+ZeVnLA-", u"\u65E5\u672C"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToWide(c.cp, c.bytes), c.wide) << c.cp;
        EXPECT_EQ(ToBytes(c.cp, c.wide), c.bytes) << c.cp;
    }
}

TEST(CodePages, UnmappableAndUndecodable) {
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(1252, u"a\u65E5\U0001F4C0b", &used), "a??b");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToBytes(1252, u"ab", &used), "ab");
    EXPECT_FALSE(used);
    char16_t buf[8];
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"x\u65E5", 2, reinterpret_cast<char*>(buf), 8, "#", nullptr), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 2), "x#");
    EXPECT_EQ(ToWide(932, "a\x81"), u"a\uFFFD");  // a lead byte cut off at the end
    EXPECT_EQ(ToWide(CP_UTF8, "a\xFF" "b"), u"a\uFFFDb");
}

TEST(CodePages, LengthsTerminatorsAndErrors) {
    // -1 counts the terminator.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xC3\xA9", -1, nullptr, 0), 2);
    char16_t w[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xC3\xA9", -1, w, 4), 2);
    EXPECT_EQ(w[0], u'\u00E9');
    EXPECT_EQ(w[1], u'\0');
    EXPECT_EQ(w[2], u'#');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00E9", -1, nullptr, 0, nullptr, nullptr), 3);

    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, w, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    char small[2];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u65E5", 1, small, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(99999, 0, "a", 1, w, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 1, w, 4), 0);
}

TEST(CodePages, AnsiPageAndLocale) {
    EXPECT_EQ(GetACP(), CP_UTF8);
    char buf[6];
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buf, 6), 6);
    EXPECT_STREQ(buf, "65001");
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, nullptr, 0), 6);
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buf, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, 0x2, buf, 6), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

// The ISO names follow the environment's locale, read as the language id is.
TEST(CodePages, LocaleNamesFollowTheEnvironment) {
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    struct Case {
        const char* lcAll;
        const char *language, *country;
    } cases[] = {{"ja_JP.UTF-8", "ja", "JP"}, {"el_GR.UTF-8", "el", "GR"}, {"C", "en", "US"}, {"de", "de", ""}};
    for (const Case& c : cases) {
        setenv("LC_ALL", c.lcAll, 1);
        char buf[16];
        ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, buf, 16), 0) << c.lcAll;
        EXPECT_STREQ(buf, c.language) << c.lcAll;
        ASSERT_GT(GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SISO3166CTRYNAME, buf, 16), 0) << c.lcAll;
        EXPECT_STREQ(buf, c.country) << c.lcAll;
        // The code page is UTF-8 whatever the locale.
        ASSERT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buf, 16), 6);
        EXPECT_STREQ(buf, "65001");
    }
    char buf[16];
    EXPECT_EQ(GetLocaleInfoA(0x0411, LOCALE_SISO639LANGNAME, buf, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    if (old) setenv("LC_ALL", saved.c_str(), 1);
    else unsetenv("LC_ALL");
}

}  // namespace
