// The skin description's INI reader: which line answers, what counts as a
// section, and how numbers read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/skin_ini.h"

namespace {

TQuickIni Loaded(const std::string& Text) {
    TQuickIni Ini;
    TStringStream S(Text);
    Ini.LoadFromStream(&S);
    return Ini;
}

const std::string Sample =
    "; a comment\r\n"
    "[Tabs]\r\n"
    "Image = Tab.bmp  \r\n"
    "Trans=\r\n"
    "Trans=1\r\n"
    "   ; indented comment=1\r\n"
    "no equals sign\r\n"
    "Hex=0x1A\r\n"
    "Dollar=$1A\r\n"
    "Upper=0X1a\r\n"
    "Bare=0x\r\n"
    "Word=abc\r\n"
    "Neg=-12\r\n"
    "Spaced=12 34\r\n"
    "Big=99999999999\r\n"
    "Eq=a=b\r\n"
    "Name=Fenêtre\r\n"
    "[ Inner ]\r\n"
    "Key=inner\n"
    "[tabs]\r"
    "Image=second.bmp\r"
    "Later=only in the second\r\n"
    "[Other]\n"
    "image=other.bmp\n"
    "[Empty]\r\n"
    "[Last]\r\n"
    "Key = last";

TEST(QuickIni, ReadStringCases) {
    struct Case {
        std::string Section, Key, Default, Want;
    };
    const std::vector<Case> Cases = {
        {"tabs", "IMAGE", "-", "Tab.bmp"},           // spaces around "=" and after the value
        {"TABS", "image", "-", "Tab.bmp"},           // section names ignore case
        {"Tabs", "Trans", "def", "def"},             // the first "Trans=" (empty) stops the search
        {"Tabs", "comment", "def", "def"},           // an indented comment is dropped
        {"Tabs", ";", "def", "def"},
        {"Tabs", "", "def", "def"},                  // a line without "=" has the empty key, which matches nothing
        {"Tabs", "no equals sign", "def", "def"},
        {"Tabs", "Eq", "-", "a=b"},                  // the value is everything after the first "="
        {"Tabs", "Name", "-", "Fenêtre"},            // UTF-8 passes through
        {"Tabs", "Later", "def", "def"},             // only the first [tabs] is read
        {"Tabs", "Key", "def", "def"},               // the walk ends at the next header
        {"Inner", "Key", "def", "def"},              // "[ Inner ]" is stored as written
        {" Inner ", "Key", "def", "inner"},
        {"Other", "IMAGE", "-", "other.bmp"},
        {"Empty", "Image", "def", "def"},
        {"Last", "key", "-", "last"},                // no final line end
        {"Missing", "Image", "def", "def"},
    };
    TQuickIni Ini = Loaded(Sample);
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Section + " / " + C.Key);
        EXPECT_EQ(Ini.ReadString(C.Section, C.Key, C.Default), C.Want);
    }
}

TEST(QuickIni, ReadIntegerCases) {
    struct Case {
        std::string Key;
        int Want;
    };
    const std::vector<Case> Cases = {
        {"Hex", 26}, {"Dollar", 26}, {"Upper", 26}, {"Bare", -7},   {"Word", -7},    {"Neg", -12},
        {"Spaced", -7}, {"Big", -7}, {"Image", -7}, {"Trans", -7}, {"Missing", -7},
    };
    TQuickIni Ini = Loaded(Sample);
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Key);
        EXPECT_EQ(Ini.ReadInteger("Tabs", C.Key, -7), C.Want);
    }
}

TEST(QuickIni, SectionsInFileOrder) {
    TQuickIni Ini = Loaded(Sample);
    TStringList L;
    L.AddObject("stale", &L);
    Ini.ReadSections(&L);
    const std::vector<std::string> Want = {"Tabs", "Inner", "tabs", "Other", "Empty", "Last"};
    ASSERT_EQ(L.Count(), static_cast<int>(Want.size()));
    for (int i = 0; i < L.Count(); ++i) {
        EXPECT_EQ(L[i], Want[static_cast<size_t>(i)]);
        EXPECT_EQ(L.GetObject(i), nullptr);
    }
    EXPECT_EQ(Ini.FindSection("tabs"), 0);  // the line index of the first header (the comment is not kept)
    EXPECT_EQ(Ini.FindSection("OTHER"), 20);
    EXPECT_EQ(Ini.FindSection("Inner"), -1);
    EXPECT_THROW(Ini.ReadSections(nullptr), EAssertionFailed);
}

TEST(QuickIni, LoadingCases) {
    struct Case {
        std::string Name, Text;
        std::vector<std::string> Lines;
    };
    const std::vector<Case> Cases = {
        {"CR, LF and CR LF each end one line", "a=1\rb=2\nc=3\r\n\r\nd=4", {"a=1", "b=2", "c=3", "d=4"}},
        {"a NUL byte ends the text", std::string("[S]\r\nk=v\r\n\0[T]\r\nk=w\r\n", 22), {"[S]", "k=v"}},
        {"blanks and control bytes trimmed", "\t [S] \x01\r\n \tk = v\t", {"[S]", "k = v"}},
        {"comments and empty lines dropped", ";x\r\n  ;y\r\n \r\n[S]", {"[S]"}},
        {"empty text", "", {}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(Loaded(C.Text).Lines(), C.Lines);
    }
    EXPECT_EQ(Loaded(std::string("[S]\r\nk=v\r\n\0[T]\r\nk=w\r\n", 22)).ReadString("T", "k", "none"), "none");
}

TEST(QuickIni, LoadReplacesAndStartsAtThePosition) {
    TQuickIni Ini = Loaded("[Old]\r\nk=old\r\n");
    TStringStream S("[Skipped]\r\n[New]\r\nk=new\r\n");
    S.SetPosition(11);
    Ini.LoadFromStream(&S);
    EXPECT_EQ(Ini.ReadString("Old", "k", "gone"), "gone");
    EXPECT_EQ(Ini.FindSection("Skipped"), -1);
    EXPECT_EQ(Ini.ReadString("New", "k", ""), "new");
    Ini.LoadFromStream(nullptr);
    EXPECT_EQ(Ini.ReadString("New", "k", ""), "new");
}

TEST(QuickIni, LineHelpers) {
    struct Case {
        std::string Line;
        bool Section;
        std::string Key;
    };
    const std::vector<Case> Cases = {
        {"[Tabs]", true, ""},     {" [x] ", true, ""},       {"[]", true, ""},         {"[", false, ""},
        {"[a", false, ""},        {"x]", false, ""},          {"", false, ""},          {" Image = a ", false, "image"},
        {"=v", false, ""},        {"A=b=c", false, "a"},      {"[S]=1", false, "[s]"}, {"k=[v]", false, "k"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Line);
        EXPECT_EQ(TQuickIni::IsSectionLine(C.Line), C.Section);
        EXPECT_EQ(TQuickIni::KeyOfLine(C.Line), C.Key);
    }
    EXPECT_EQ(TQuickIni::ValueOfLine(" Image = a ", "image"), "a");
    EXPECT_EQ(TQuickIni::ValueOfLine(" Image = a ", "Image"), "");  // the key is compared as given
    EXPECT_EQ(TQuickIni::ValueOfLine("=v", ""), "");
    EXPECT_EQ(TQuickIni::ValueOfLine("", "k"), "");
    EXPECT_EQ(TQuickIni::ValueOfLine("k", "k"), "");
}

}  // namespace
