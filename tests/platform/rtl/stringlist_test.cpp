#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "platform/rtl/classes.h"
#include "rtl_test_util.h"

namespace {

std::vector<std::string> Items(const TStrings& L) {
    std::vector<std::string> r;
    for (int i = 0; i < L.Count(); ++i) r.push_back(L[i]);
    return r;
}

using V = std::vector<std::string>;

TEST(StringList, CommaTextRoundTrips) {
    struct Case {
        V items;
        const char* text;
    };
    const Case cases[] = {
        {{"a", "b", "c"}, "a,b,c"},
        {{"with blank", "x"}, "\"with blank\",x"},
        {{"a,b", "say \"hi\""}, "\"a,b\",\"say \"\"hi\"\"\""},
        {{"a", "", "b"}, "a,,b"},
        {{""}, "\"\""},
        {{}, ""},
        {{"héllo wörld", "ü"}, "\"héllo wörld\",ü"},
        {{"tab\there"}, "\"tab\there\""},
    };
    for (const auto& c : cases) {
        TStringList l;
        for (const auto& s : c.items) l.Add(s);
        EXPECT_EQ(l.CommaText(), c.text);
        TStringList back;
        back.SetCommaText(c.text);
        EXPECT_EQ(Items(back), c.items) << c.text;
    }
}

TEST(StringList, CommaTextParsing) {
    struct Case {
        const char* text;
        V items;
    };
    const Case cases[] = {
        {"a b c", {"a", "b", "c"}},                 // blanks separate unless quoted
        {"  a ,  b  ", {"a", "b"}},
        {"a,", {"a", ""}},                          // trailing comma gives an empty item
        {",", {"", ""}},
        {"\"x y\",z", {"x y", "z"}},
        {"\"unterminated", {"unterminated"}},
        {"\"a\"\"b\"", {"a\"b"}},
    };
    for (const auto& c : cases) {
        TStringList l;
        l.SetCommaText(c.text);
        EXPECT_EQ(Items(l), c.items) << c.text;
    }
}

TEST(StringList, DelimitedTextWithStrictDelimiter) {
    TStringList l;
    l.Delimiter = ';';
    l.SetDelimitedText("a b;c");
    EXPECT_EQ(Items(l), (V{"a", "b", "c"}));
    l.StrictDelimiter = true;
    l.SetDelimitedText(" a b ;c;;'");
    EXPECT_EQ(Items(l), (V{" a b ", "c", "", "'"}));
    EXPECT_EQ(l.DelimitedText(), " a b ;c;;'");
    l.Clear();
    l.Add("x;y");
    l.Add("z");
    EXPECT_EQ(l.DelimitedText(), "\"x;y\";z");
    // CommaText is independent of the list's delimiter settings and leaves them alone.
    EXPECT_EQ(l.CommaText(), "x;y,z");
    EXPECT_EQ(l.Delimiter, ';');
    EXPECT_TRUE(l.StrictDelimiter);
}

TEST(StringList, TextSplitsAnyLineEndAndJoinsWithCrLf) {
    struct Case {
        const char* text;
        V items;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"", {}},
        {"\r\n", {""}},
    };
    for (const auto& c : cases) {
        TStringList l;
        l.SetText(c.text);
        EXPECT_EQ(Items(l), c.items) << testing::PrintToString(std::string(c.text));
    }
    TStringList l;
    l.SetText("x\ny");
    EXPECT_EQ(l.Text(), "x\r\ny\r\n");
}

TEST(StringList, SortedWithDuplicates) {
    TStringList l;
    l.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "apple"}) l.Add(s);
    EXPECT_EQ(Items(l), (V{"Apple", "fig", "pear"}));  // dupIgnore, case-blind
    EXPECT_EQ(l.Add("APPLE"), 0);
    EXPECT_EQ(l.IndexOf("PEAR"), 2);
    int at = -1;
    EXPECT_FALSE(l.Find("grape", at));
    EXPECT_EQ(at, 2);

    l.Duplicates = dupError;
    try {
        l.Add("FIG");
        ADD_FAILURE() << "duplicate accepted";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message, "String list does not allow duplicates");
    }
    EXPECT_EQ(l.Count(), 3);

    l.Duplicates = dupAccept;
    l.Add("fig");
    EXPECT_EQ(Items(l), (V{"Apple", "fig", "fig", "pear"}));
    EXPECT_THROW(l.Insert(0, "z"), EStringListError);
    EXPECT_THROW(l.Put(0, "z"), EStringListError);

    TStringList c;
    c.SetCaseSensitive(true);
    c.SetSorted(true);
    c.Add("b");
    c.Add("B");
    c.Add("a");
    EXPECT_EQ(Items(c), (V{"B", "a", "b"}));  // byte order when case counts

    TStringList u;
    for (const char* s : {"c", "a", "b"}) u.Add(s);
    u.SetSorted(true);
    EXPECT_EQ(Items(u), (V{"a", "b", "c"}));
}

TEST(StringList, NameValuePairs) {
    TStringList l;
    l.SetText("Width=720\nheight = 576\nnoequals\nEmpty=\nA=b=c");
    EXPECT_EQ(l.Values("WIDTH"), "720");
    EXPECT_EQ(l.Values("height "), " 576");
    EXPECT_EQ(l.Values("height"), "");
    EXPECT_EQ(l.Values("noequals"), "");
    EXPECT_EQ(l.Values("a"), "b=c");
    EXPECT_EQ(l.Names(0), "Width");
    EXPECT_EQ(l.Names(2), "");
    EXPECT_EQ(l.ValueFromIndex(4), "b=c");
    EXPECT_EQ(l.IndexOfName("empty"), 3);
    l.SetValue("width", "704");
    EXPECT_EQ(l[0], "width=704");
    l.SetValue("New", "1");
    EXPECT_EQ(l[l.Count() - 1], "New=1");
    l.SetValue("Width", "");
    EXPECT_EQ(l.IndexOfName("Width"), -1);
    EXPECT_EQ(l.Count(), 5);
}

TEST(StringList, IndexErrorsAndEditing) {
    TStringList l;
    l.Add("a");
    l.Add("b");
    l.Add("c");
    struct Bad {
        std::function<void()> call;
        int index;
    };
    const Bad bad[] = {
        {[&] { l.Get(3); }, 3},
        {[&] { l.Get(-1); }, -1},
        {[&] { l.Put(5, "x"); }, 5},
        {[&] { l.Delete(3); }, 3},
        {[&] { l.Insert(4, "x"); }, 4},
        {[&] { l.GetObject(7); }, 7},
    };
    for (const auto& b : bad) {
        try {
            b.call();
            ADD_FAILURE() << b.index;
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message, "List index out of bounds (" + std::to_string(b.index) + ")");
        }
    }
    l.Insert(3, "d");  // at the end is allowed
    l.Move(0, 3);
    EXPECT_EQ(Items(l), (V{"b", "c", "d", "a"}));
    l.Exchange(0, 3);
    EXPECT_EQ(Items(l), (V{"a", "c", "d", "b"}));
    l.Delete(1);
    EXPECT_EQ(l.IndexOf("D"), 1);
    EXPECT_EQ(l.IndexOf("zz"), -1);

    TStringList copy = l;
    l.Clear();
    EXPECT_EQ(Items(copy), (V{"a", "d", "b"}));
    copy.AddStrings(copy);
    EXPECT_EQ(copy.Count(), 6);
}

struct Counted : TObject {
    explicit Counted(int& n) : live(n) { ++live; }
    ~Counted() override { --live; }
    int& live;
};

TEST(StringList, OwnedObjectsAreFreedAndCustomSortSeesIndexes) {
    int live = 0;
    {
        TStringList l;
        l.OwnsObjects = true;
        l.AddObject("one", new Counted(live));
        l.AddObject("two", new Counted(live));
        l.AddObject("three", new Counted(live));
        EXPECT_EQ(live, 3);
        l.Delete(0);
        EXPECT_EQ(live, 2);
        EXPECT_EQ(l.IndexOfObject(l.GetObject(1)), 1);
    }
    EXPECT_EQ(live, 0);

    TStringList l;
    for (const char* s : {"10", "9", "100", "1"}) l.Add(s);
    l.CustomSort([](TStringList& L, int A, int B) {
        int a = StrToInt(L[A]), b = StrToInt(L[B]);
        return a < b ? -1 : a > b ? 1 : 0;
    });
    EXPECT_EQ(Items(l), (V{"1", "9", "10", "100"}));
}

TEST(StringList, FilesAcceptAnyLineEndAndAreWrittenWithCrLf) {
    TempFolder tmp;
    struct Case {
        const char* bytes;
        V items;
    };
    const Case cases[] = {
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\ntwo", {"one", "two"}},
        {"one\rtwo\r", {"one", "two"}},
        {"\xEF\xBB\xBFone\n", {"one"}},
    };
    const std::string name = tmp.Path + "liste à lire.txt";
    for (const auto& c : cases) {
        {
            std::ofstream f(name, std::ios::binary);
            f << c.bytes;
        }
        TStringList l;
        l.LoadFromFile(name);
        EXPECT_EQ(Items(l), c.items);
    }
    TStringList l;
    l.Add("ä");
    l.Add("");
    l.Add("b");
    l.SaveToFile(name);
    std::ifstream f(name, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), "ä\r\n\r\nb\r\n");
    try {
        l.LoadFromFile(tmp.Path + "missing.txt");
        ADD_FAILURE() << "missing file loaded";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + tmp.Path + "missing.txt\". ", 0), 0u);
    }
}

}  // namespace
