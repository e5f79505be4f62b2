#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace {

TEST(Numbers, RoundHalvesToEvenAndTruncTowardZero) {
    struct Case {
        double x;
        int64_t round, trunc;
    };
    const Case cases[] = {
        {0.5, 0, 0},      {1.5, 2, 1},     {2.5, 2, 2},       {3.5, 4, 3},        {-0.5, 0, 0},
        {-1.5, -2, -1},   {-2.5, -2, -2},  {0.49999, 0, 0},   {0.50001, 1, 0},    {-0.50001, -1, 0},
        {2.7, 3, 2},      {-2.7, -3, -2},  {0.0, 0, 0},       {1e12 + 0.5, 1000000000000, 1000000000000},
        {-7.0, -7, -7},   {4294967296.5, 4294967296, 4294967296},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Round(c.x), c.round) << c.x;
        EXPECT_EQ(Trunc(c.x), c.trunc) << c.x;
    }
}

TEST(Numbers, RandomIsRepeatableAndInRange) {
    RandSeed = 12345;
    std::vector<int> first;
    for (int i = 0; i < 50; ++i) first.push_back(Random(7));
    RandSeed = 12345;
    std::vector<int> again;
    for (int i = 0; i < 50; ++i) again.push_back(Random(7));
    EXPECT_EQ(first, again);
    int seen[7] = {};
    for (int i = 0; i < 7000; ++i) {
        int r = Random(7);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 7);
        ++seen[r];
    }
    for (int n : seen) EXPECT_GT(n, 700);  // roughly uniform
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-3), 0);
    for (int i = 0; i < 100; ++i) {
        double d = Random();
        ASSERT_GE(d, 0.0);
        ASSERT_LT(d, 1.0);
    }
}

struct FormatCase {
    const char* fmt;
    std::vector<TVarRec> args;
    const char* want;
};

TEST(Format, Specifiers) {
    const FormatCase cases[] = {
        {"%d", {42}, "42"},
        {"%d", {-42}, "-42"},
        {"%5d|", {42}, "   42|"},
        {"%-5d|", {42}, "42   |"},
        {"%.3d", {7}, "007"},
        {"%.3d", {-7}, "-007"},
        {"%.2d", {123}, "123"},
        {"%d", {int64_t(1) << 40}, "1099511627776"},
        {"%u", {-1}, "4294967295"},
        {"%x", {255}, "ff"},
        {"%X", {255}, "FF"},
        {"%.8X", {0xBEEF}, "0000BEEF"},
        {"%x", {-1}, "ffffffff"},
        {"%s", {"abc"}, "abc"},
        {"%5s|", {"ab"}, "   ab|"},
        {"%-5s|", {"ab"}, "ab   |"},
        {"%.2s", {"abcdef"}, "ab"},
        {"%s", {std::string("äö ü")}, "äö ü"},
        {"%s", {'c'}, "c"},
        {"%f", {3.14159}, "3.14"},
        {"%5.2f", {3.14159}, " 3.14"},
        {"%0.2f", {2.5}, "2.50"},
        {"%.0f", {2.5}, "2"},
        {"%.1f", {-0.04}, "0.0"},
        {"%.3f", {-1.0}, "-1.000"},
        {"%n", {1234567.891}, "1,234,567.89"},
        {"%.0n", {999.0}, "999"},
        {"%.0n", {-1000.0}, "-1,000"},
        {"%m", {1234.5}, "1,234.50"},
        {"%e", {1234.5}, "1.23450000000000E+003"},
        {"%.3e", {-0.00012345}, "-1.23E-004"},
        {"%g", {0.1}, "0.1"},
        {"%g", {1234.5}, "1234.5"},
        {"%g", {1e20}, "1E20"},
        {"%g", {0.00001}, "1E-5"},
        {"%.3g", {3.14159}, "3.14"},
        {"%%", {}, "%"},
        {"100%% %d", {5}, "100% 5"},
        {"%1:s %0:s", {"a", "b"}, "b a"},
        {"%0:s %s %0:s", {"a", "b"}, "a b a"},
        {"%*d|", {4, 7}, "   7|"},
        {"%-*d|", {4, 7}, "7   |"},
        {"%.*f", {1, 2.25}, "2.2"},
        {"%d.0x", {8}, "8.0x"},
        {"Used Space:%s MB", {"12"}, "Used Space:12 MB"},
        {"%d %s", {true, "x"}, "1 x"},
        {"%p", {static_cast<const void*>(nullptr)}, sizeof(void*) == 8 ? "0000000000000000" : "00000000"},
        {"no specifiers", {}, "no specifiers"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Format(c.fmt, c.args), c.want) << c.fmt;
    }
    // Decimal separator is '.' whatever the numbers look like.
    EXPECT_EQ(Fmt("%.2f MB", 1.5), "1.50 MB");
}

TEST(Format, MismatchOrMissingArgumentRaises) {
    const FormatCase bad[] = {
        {"%d", {"abc"}, "Format '%d' invalid or incompatible with argument"},
        {"%f", {3}, "Format '%f' invalid or incompatible with argument"},
        {"%s", {3}, "Format '%s' invalid or incompatible with argument"},
        {"%x", {2.5}, "Format '%x' invalid or incompatible with argument"},
        {"%k", {3}, "Format '%k' invalid or incompatible with argument"},
        {"abc %", {}, "Format 'abc %' invalid or incompatible with argument"},
        {"%d %d", {1}, "No argument for format '%d %d'"},
        {"%3:d", {1}, "No argument for format '%3:d'"},
    };
    for (const auto& c : bad) {
        try {
            Format(c.fmt, c.args);
            ADD_FAILURE() << "no exception for " << c.fmt;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, c.want);
        }
    }
}

TEST(Strings, IntegerConversions) {
    struct Case {
        const char* s;
        bool valid;
        int value;
    };
    const Case cases[] = {
        {"0", true, 0},         {"5", true, 5},          {"-5", true, -5},      {"+5", true, 5},
        {"$10", true, 16},      {"$ff", true, 255},      {"0x1F", true, 31},    {"-$10", true, -16},
        {"$FFFFFFFF", true, -1}, {"2147483647", true, INT_MAX}, {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0}, {" 5", false, 0},      {"5 ", false, 0},      {"", false, 0},
        {"abc", false, 0},      {"5a", false, 0},        {"$", false, 0},       {"-", false, 0},
        {"1.5", false, 0},      {"$1G", false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrToIntDef(c.s, -99), c.valid ? c.value : -99) << '"' << c.s << '"';
        int v = 0;
        EXPECT_EQ(TryStrToInt(c.s, v), c.valid) << c.s;
        if (!c.valid) {
            try {
                StrToInt(c.s);
                ADD_FAILURE() << c.s;
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message, std::string("'") + c.s + "' is not a valid integer value");
            }
        }
    }
    EXPECT_EQ(StrToInt64Def("9000000000", 0), 9000000000LL);
    EXPECT_EQ(StrToInt64Def("x", 3), 3);
    EXPECT_EQ(IntToStr(-1234567890123LL), "-1234567890123");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 8), "FFFFFFFF");
    EXPECT_EQ(IntToHex(0x123456789LL, 2), "123456789");
}

TEST(Strings, FloatsAndBooleans) {
    EXPECT_EQ(FloatToStr(1.5), "1.5");
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(-0.0001), "-0.0001");
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
    EXPECT_DOUBLE_EQ(StrToFloat("29.97"), 29.97);
    EXPECT_DOUBLE_EQ(StrToFloat(" -1e3 "), -1000);
    EXPECT_DOUBLE_EQ(StrToFloatDef("1,5", 7), 7);
    EXPECT_DOUBLE_EQ(StrToFloatDef("", 7), 7);
    EXPECT_THROW(StrToFloat("abc"), EConvertError);
    EXPECT_TRUE(StrToBoolDef("2", false));
    EXPECT_TRUE(StrToBoolDef("TRUE", false));
    EXPECT_FALSE(StrToBoolDef("0", true));
    EXPECT_FALSE(StrToBoolDef("False", true));
    EXPECT_TRUE(StrToBoolDef("maybe", true));
    EXPECT_EQ(BoolToStr(true), "-1");
    EXPECT_EQ(BoolToStr(false, true), "False");
}

TEST(Strings, DecimalSeparatorIsHonouredEverywhere) {
    ASSERT_EQ(DecimalSeparator, '.');
    DecimalSeparator = ',';
    std::string f = Fmt("%.2f %n %e %g", 1.5, 1234.5, 1.5, 0.25);
    std::string s = FloatToStr(2.5);
    double back = StrToFloatDef("3,25", 0);
    double dotted = StrToFloatDef("3.25", -1);
    DecimalSeparator = '.';
    EXPECT_EQ(f, "1,50 1,234,50 1,50000000000000E+000 0,25");
    EXPECT_EQ(s, "2,5");
    EXPECT_DOUBLE_EQ(back, 3.25);
    EXPECT_DOUBLE_EQ(dotted, -1);
}

TEST(Strings, TrimCaseAndCompare) {
    EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(Trim("\xC3\xA9 "), "\xC3\xA9");  // UTF-8 bytes are not blanks
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x "), "  x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(UpperCase("abc-é"), "ABC-é");
    EXPECT_EQ(LowerCase("ABC-É"), "abc-É");
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
    EXPECT_EQ(CompareText("ABC", "abc"), 0);
    EXPECT_EQ(CompareText("ab", "abc"), -1);
    EXPECT_EQ(CompareStr("B", "a"), -1);
    EXPECT_TRUE(SameText("Video_TS", "VIDEO_ts"));
    EXPECT_FALSE(SameText("a", "ab"));
    EXPECT_TRUE(StartsText("vid", "VIDEO"));
    EXPECT_TRUE(EndsText(".MPG", "x.mpg"));
    EXPECT_FALSE(EndsText("long.mpg", "g"));
}

TEST(Strings, OneBasedPositions) {
    EXPECT_EQ(Pos("b", "abc"), 2);
    EXPECT_EQ(Pos("a", "abc"), 1);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Copy("abcdef", 1, 2), "ab");
    EXPECT_EQ(Copy("abcdef", 5, 10), "ef");
    EXPECT_EQ(Copy("abcdef", 6, 1), "f");
    EXPECT_EQ(Copy("abcdef", 7, 1), "");
    EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
    EXPECT_EQ(Copy("abcdef", 2, -1), "");
    std::string s = "abcdef";
    Delete(s, 2, 2);
    EXPECT_EQ(s, "adef");
    Delete(s, 4, 9);
    EXPECT_EQ(s, "ade");
    Delete(s, 0, 1);
    EXPECT_EQ(s, "ade");
    Insert("XY", s, 2);
    EXPECT_EQ(s, "aXYde");
    Insert("!", s, 99);
    EXPECT_EQ(s, "aXYde!");
}

TEST(Strings, ReplaceAndQuotes) {
    EXPECT_EQ(StringReplace("a.b.c", ".", "/", rfReplaceAll), "a/b/c");
    EXPECT_EQ(StringReplace("a.b.c", ".", "/", 0), "a/b.c");
    EXPECT_EQ(StringReplace("Ab ab AB", "ab", "x", rfReplaceAll | rfIgnoreCase), "x x x");
    EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");
    EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(AnsiDequotedStr("\"say \"\"hi\"\"\"", '"'), "say \"hi\"");
    EXPECT_EQ(AnsiDequotedStr("plain", '"'), "plain");
    EXPECT_EQ(AnsiDequotedStr("\"open", '"'), "\"open");
}

}  // namespace
