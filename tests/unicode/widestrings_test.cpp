#include "unicode/widestrings.h"

#include <gtest/gtest.h>
#include "unicode/iconv_helper.h"

#include <clocale>
#include <cstring>

namespace {

const WideString kJapanese = u"日本語のフォルダ";
const WideString kGreek = u"Καλημέρα κόσμε";
const WideString kEmoji = u"disc \U0001F4C0 menu";

TEST(Utf7, VectorsBothWays) {
    struct Case {
        WideString wide;
        std::string utf7;
    } cases[] = {
        {u"", ""},
        {u"+", "+-"},
        {u"Hi Mom -\u263A-!", "Hi Mom -+Jjo--!"},
        {u"\u65E5\u672C\u8A9E", "+ZeVnLIqe"},
        {u"A\u2262\u0391.", "A+ImIDkQ."},
        {u"Item 3 is \u00A31.", "Item 3 is +AKM-1."},
        {u"abc123", "abc123"},
        {u"\\", "+AFw"},
        {u"~x", "+AH4-x"},
        {u"~ x", "+AH4 x"},
        {u"~!", "+AH4!"},
        {u"~-", "+AH4--"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideToUtf7(c.wide), c.utf7);
        EXPECT_EQ(Utf7ToWide(c.utf7), c.wide) << c.utf7;
    }
}

TEST(Utf7, DecodesRunsEndedByMinus) {
    EXPECT_EQ(Utf7ToWide("+AKM-1"), u"\u00A31");
    EXPECT_EQ(Utf7ToWide("a+-b"), u"a+b");
}

TEST(Utf7, MalformedInputRaises) {
    for (const char* bad : {"+!", "+", "+AK-", "caf\xE9", "+AKN-"}) {
        try {
            Utf7ToWide(bad);
            ADD_FAILURE() << bad;
        } catch (const EUniGeneralError& e) {
            EXPECT_STREQ(e.what(), "Invalid UTF7");
        }
    }
}

TEST(Utf7, AgreesWithIconvEachWay) {
    for (const WideString& w : {kJapanese, kGreek, kEmoji, WideString(u"a+b"), WideString(u"~/x"),
                                WideString(u"back\\slash"), WideString(u"\u65E5+~\\\U0001F600!")}) {
        const std::string ours = WideToUtf7(w);
        EXPECT_EQ(FromUtf16Bytes(Iconv("UTF-16LE", "UTF-7", ours)), w) << ours;
        const std::string theirs = Iconv("UTF-7", "UTF-16LE", ToUtf16Bytes(w));
        EXPECT_EQ(Utf7ToWide(theirs), w) << theirs;
    }
}

TEST(Utf8, AgreesWithIconvIncludingFourByteSequences) {
    for (const WideString& w : {kJapanese, kGreek, kEmoji, WideString(u"\u007F\u0080\u07FF\u0800\uFFFF"),
                                WideString(u"\U00010000\U0010FFFF")}) {
        bool ok = false;
        const std::string reference = Iconv("UTF-8", "UTF-16LE", ToUtf16Bytes(w), &ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(WideToUtf8(w), reference);
        EXPECT_EQ(Utf8ToWide(reference), w);
    }
    EXPECT_EQ(WideToUtf8(u"\U0001F4C0"), "\xF0\x9F\x93\x80");
}

TEST(Utf8, SurrogatesAsTwoThreeByteSequencesStillRead) {
    EXPECT_EQ(Utf8ToWide("\xED\xA0\xBD\xED\xB3\x80"), u"\U0001F4C0");
}

TEST(Utf8, MalformedSequencesBecomeReplacementAndTheRestSurvives) {
    struct Case {
        std::string in;
        WideString out;
    } cases[] = {
        {"", u""},
        {"ab\xE6\x97", u"ab\uFFFD"},                 // cut short at the end
        {"a\xE6\x97" "b", u"a\uFFFDb"},              // cut short before ASCII
        {"\x80x", u"\uFFFDx"},                        // stray continuation
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                // overlong lead
        {"\xE0\x80\xAF", u"\uFFFD"},                  // overlong three-byte form
        {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", u"\uFFFD"},              // above U+10FFFF
        {"\xFFok\xCE\xBA", u"\uFFFDok\u03BA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToWide(c.in), c.out) << testing::PrintToString(c.in);
}

TEST(WideStr, BufferRoutines) {
    const char16_t text[] = u"abc\u00E9";
    EXPECT_EQ(WideStrLen(text), 4u);
    EXPECT_EQ(WideStrEnd(text), text + 4);
    EXPECT_EQ(WideStrScan(text, 0), text + 4);
    EXPECT_EQ(WideStrScan(text, u'c'), text + 2);
    EXPECT_EQ(WideStrScan(text, u'z'), nullptr);

    char16_t dest[8];
    std::fill(std::begin(dest), std::end(dest), u'#');
    WideStrLCopy(dest, text, 2);
    EXPECT_EQ(WideString(dest), u"ab");
    EXPECT_EQ(dest[3], u'#');
    WideStrLCopy(dest, text, 100);
    EXPECT_EQ(WideString(dest), u"abc\u00E9");

    char16_t overlap[] = u"123456";
    WideStrMove(overlap + 1, overlap, 4);
    EXPECT_EQ(WideString(overlap), u"112346");

    char16_t* copy = WideStrNew(text);
    EXPECT_EQ(WideString(copy), WideString(text));
    EXPECT_EQ(WideStrBufSize(copy), 4u + 5 * 2);
    WideStrDispose(copy);
    EXPECT_EQ(WideStrNew(nullptr), nullptr);
}

TEST(WidePath, SlashPaths) {
    struct Case {
        WideString path, dir, name;
    } cases[] = {
        {u"/home/\u65E5\u672C/clip.mpg", u"/home/\u65E5\u672C/", u"clip.mpg"},
        {u"/", u"/", u""},
        {u"clip.mpg", u"", u"clip.mpg"},
        {u"a:b/c:d", u"a:b/", u"c:d"},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideExtractFilePath(c.path), c.dir);
        EXPECT_EQ(WideExtractFileName(c.path), c.name);
        EXPECT_EQ(WideExtractFileDrive(c.path), u"");
    }
    EXPECT_EQ(WideIncludeTrailingBackslash(u""), u"/");
    EXPECT_EQ(WideIncludeTrailingBackslash(u"/tmp"), u"/tmp/");
    EXPECT_EQ(WideIncludeTrailingBackslash(u"/tmp/"), u"/tmp/");
    EXPECT_TRUE(WideIsPathDelimiter(u"a/b", 2));
    EXPECT_FALSE(WideIsPathDelimiter(u"a/b", 0));
    EXPECT_FALSE(WideIsPathDelimiter(u"a/b", 4));
    EXPECT_EQ(WideLastDelimiter(u"/.", u"/a/b.c"), 5);
    EXPECT_EQ(WideLastDelimiter(WideString(u"\0", 1), WideString(u"a\0b", 3)), 0);
}

class ReplaceWideTextTest : public testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_ALL, "C.UTF-8"); }
};

TEST_F(ReplaceWideTextTest, Table) {
    struct Case {
        WideString s, oldP, newP;
        unsigned flags;
        bool whole;
        WideString want;
    } cases[] = {
        {u"cat catalog cat", u"cat", u"dog", rfReplaceAll, true, u"dog catalog dog"},
        {u"cat catalog cat", u"cat", u"dog", rfReplaceAll, false, u"dog dogalog dog"},
        {u"cat catalog cat", u"cat", u"dog", 0, false, u"dog catalog cat"},
        {u"catalog cat", u"cat", u"dog", 0, true, u"catalog dog"},
        {u"CAT Cat cat", u"cat", u"x", rfReplaceAll | rfIgnoreCase, false, u"x x x"},
        {u"\u039A\u0391\u039B\u0397 \u03BA\u03B1\u03BB\u03B7", u"\u03BA\u03B1\u03BB\u03B7", u"-",
         rfReplaceAll | rfIgnoreCase, true, u"- -"},
        {u"a.cat,b", u"cat", u"dog", rfReplaceAll, true, u"a.dog,b"},
        {u"no match", u"zz", u"y", rfReplaceAll, false, u"no match"},
        {u"abc", u"", u"y", rfReplaceAll, false, u"abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceWideText(c.s, c.oldP, c.newP, c.flags, c.whole), c.want);
}

TEST(WideParamStr, CraftedCommandLines) {
    const WideString longParam(5000, u'\u00E9');
    const WideString cmd = u"/usr/bin/tessaro \"two words\" \"\"  a\"b c\"d " + longParam + u" last";
    struct Case {
        int n;
        WideString want;
    } cases[] = {
        {0, u"/usr/bin/tessaro"}, {1, u"two words"}, {2, u"ab cd"}, {3, longParam}, {4, u"last"}, {5, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideParamStrOf(cmd, c.n), c.want) << c.n;
    EXPECT_EQ(WideParamStrOf(u"prog \"unclosed part", 1), u"unclosed part");
    EXPECT_EQ(WideParamStrOf(u"", 1), u"");
}

} // namespace
