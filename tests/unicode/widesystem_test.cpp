#include "unicode/widestrings.h"
#include "unicode/widewrappers.h"

#include "platform/system/codepages.h"
#include "platform/system/sysdefs.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

class WideSystemTest : public testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_ALL, "C.UTF-8"); }
};

TEST_F(WideSystemTest, StartUpValues) {
    IsUnicodePlatform = false;
    IsXPPlatform = false;
    DefaultCodePage = 0;
    InitWideStrings();
    EXPECT_TRUE(IsUnicodePlatform);
    EXPECT_TRUE(IsXPPlatform);
    EXPECT_EQ(DefaultCodePage, 3u);
}

TEST_F(WideSystemTest, CodePageConversions) {
    struct Case {
        std::uint32_t cp;
        std::string ansi;
        WideString wide;
    } cases[] = {
        {CP_UTF8, "\xF0\x9F\x93\x80\xCE\xBA", u"\U0001F4C0\u03BA"},
        {CP_UTF7, "+2D3cwA-x", u"\U0001F4C0x"},
        {CP_THREAD_ACP, "\xE6\x97\xA5", u"\u65E5"},
        {1253, "\xEA\xE1\xEB", u"\u03BA\u03B1\u03BB"},
        {932, "\x93\xFA", u"\u65E5"},
        {1252, "", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiToWideCodePage(c.ansi, c.cp), c.wide) << c.cp;
        EXPECT_EQ(WideToAnsiCodePage(c.wide, c.cp), c.ansi) << c.cp;
    }
    EXPECT_EQ(AnsiToWideCodePage("a\xFF", CP_UTF8), Utf8ToWide("a\xFF"));
    EXPECT_THROW(AnsiToWideCodePage("+!", CP_UTF7), EUniGeneralError);
    EXPECT_EQ(CodePageOfLocale(LOCALE_USER_DEFAULT), 65001u);
    EXPECT_TRUE(WideCharFitsCodePage(u'\u65E5'));
    EXPECT_EQ(CharCodeToWideChar(0x4E2D), u'\u4E2D');
    EXPECT_EQ(CharCodeToWideChar('a'), u'a');
    EXPECT_EQ(CharCodeToWideChar(0xE9), u'\u00E9');
}

TEST_F(WideSystemTest, ResourceStringsFromConstants) {
    static const char plain[] = "Caf\xC3\xA9";
    static const char signed_[] = "\xEF\xBB\xBF\xCE\xBA\xCE\xB1";
    const TResStringRec a{nullptr, reinterpret_cast<std::uintptr_t>(plain)};
    const TResStringRec b{nullptr, reinterpret_cast<std::uintptr_t>(signed_)};
    const TResStringRec table{nullptr, 42};
    EXPECT_EQ(LoadResStringWide(&a), u"Caf\u00E9");
    EXPECT_EQ(LoadResStringWide(&b), u"\u03BA\u03B1");
    EXPECT_EQ(LoadResStringWide(&table), u"");
    EXPECT_EQ(LoadResStringWide(nullptr), u"");
}

TEST_F(WideSystemTest, ProgramNameFilesAndErrors) {
    const WideString self = WideParamStr(0);
    EXPECT_EQ(WideExtractFileName(self), u"unicode_test");
    EXPECT_EQ(WideModuleFileName(), self);
    EXPECT_TRUE(WideDirExists(WideExtractFilePath(self)));
    EXPECT_FALSE(WideDirExists(self));
    EXPECT_EQ(WideFileGetAttr(self + u".none"), 0xFFFFFFFFu);

    SetLastError(ERROR_FILE_NOT_FOUND);
    try {
        RaiseLastErrorIfZero(0);
        ADD_FAILURE();
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode, ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(RaiseLastErrorIfZero(7), 7u);
    int x;
    EXPECT_EQ(RaiseLastErrorIfNil(&x), &x);
    EXPECT_THROW(RaiseLastErrorIfNil(nullptr), EOSError);

    char16_t buf[8];
    WideStrPCopy(buf, "\xCE\xBA\xCE\xB1");
    EXPECT_EQ(WideString(buf), u"\u03BA\u03B1");
    WideStrPLCopy(buf, "abcdef", 3);
    EXPECT_EQ(WideString(buf), u"abc");
}

TEST_F(WideSystemTest, CharacterTypesAndUpperCase) {
    EXPECT_TRUE(IsWideWordDelimiter(u'\u3000'));
    EXPECT_TRUE(IsWideWordDelimiter(u'\u3002'));
    EXPECT_TRUE(IsWideWordDelimiter(0));
    EXPECT_FALSE(IsWideWordDelimiter(u'\u65E5'));
    EXPECT_EQ(GetWideCharType(u'\u03BA', CT_CTYPE1) & C1_LOWER, C1_LOWER);
    EXPECT_THROW(GetWideCharType(u'a', 99), EOSError);

    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(CharUpperWide(reinterpret_cast<LPWSTR>(std::uintptr_t{0x03BA}))), 0x039Au);
    char16_t text[] = u"\u03BA\u03B1\u03BB\u03B7 x";
    EXPECT_EQ(CharUpperWide(text), text);
    EXPECT_EQ(WideString(text), u"\u039A\u0391\u039B\u0397 X");
    EXPECT_EQ(WideUpperCase(u"\u00E9t\u00E9"), u"\u00C9T\u00C9");
    EXPECT_TRUE(IsIntResourceValue(0xFFFF));
    EXPECT_FALSE(IsIntResourceValue(0x10000));
}

} // namespace
