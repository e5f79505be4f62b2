#include "unicode/unistrings.h"

#include "unicode/iconv_helper.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <clocale>
#include <fstream>
#include <sstream>

namespace {

const WideString kLines[] = {u"日本語のフォルダ", u"Καλημέρα κόσμε", u"disc \U0001F4C0 menu", u""};

class UniStringsTest : public testing::Test {
protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "C.UTF-8");
        dir_ = Scratch.Path();
    }

    std::string ReadFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::vector<WideString> Lines(const TUniStrings& s) {
        std::vector<WideString> out;
        for (int i = 0; i < s.Count(); ++i)
            out.push_back(s[i]);
        return out;
    }
    TTempFolder Scratch{"unistrings"};
    std::string dir_;
};

TEST_F(UniStringsTest, TextBreaks) {
    struct Case {
        WideString text;
        std::vector<WideString> lines;
    } cases[] = {
        {u"a\r\nb\rc\n\u2028d", {u"a", u"b", u"c", u"d"}},
        {u"a\r\n", {u"a"}},
        {u"a\r\n\r\nb", {u"a", u"", u"b"}},
        {u"a\n\rb", {u"a", u"", u"b"}},
        {WideString(u"a\nb\0c\nd", 7), {u"a", u"b"}}, // text after a NUL is not read
        {u"", {}},
    };
    TUniStringList list;
    for (const auto& c : cases) {
        list.SetTextStr(c.text);
        EXPECT_EQ(Lines(list), c.lines);
    }
}

TEST_F(UniStringsTest, SavedFileIsUtf16LEWithSignatureAndLoadsBack) {
    const std::string path = dir_ + "/\u65E5\u672C.txt";
    const WideString wpath = Utf8ToWide(path);
    for (const WideString& brk : {WideString(u"\r"), WideString(u"\n"), WideString(u"\r\n"), WideString(u"\u2028")}) {
        TUniStringList list;
        list.SetTextStr(kLines[0] + brk + kLines[1] + brk + kLines[2] + brk + kLines[3] + brk + u"end");
        ASSERT_EQ(list.Count(), 5);
        list.SaveToFile(wpath);

        const std::string bytes = ReadFile(path);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        EXPECT_EQ(Iconv("UTF-8", "UTF-16LE", bytes.substr(2)),
                  WideToUtf8(kLines[0]) + "\r\n" + WideToUtf8(kLines[1]) + "\r\n" + WideToUtf8(kLines[2]) + "\r\n\r\nend\r\n");

        TUniStringList back;
        back.LoadFromFile(wpath);
        EXPECT_TRUE(back.Equals(list));
        EXPECT_EQ(back.LastFileCharSet(), boUtf16LE);
    }
}

TEST_F(UniStringsTest, OtherEncodingsLoadToTheSameLines) {
    const std::string utf8 = WideToUtf8(kLines[0]) + "\n" + WideToUtf8(kLines[1]) + "\r\n" + WideToUtf8(kLines[2]) + "\n";
    const std::vector<WideString> want = {kLines[0], kLines[1], kLines[2]};
    struct Case {
        const char* name;
        std::string bytes;
        unsigned char kind;
    } cases[] = {
        {"utf16be", "\xFE\xFF" + Iconv("UTF-16BE", "UTF-8", utf8), boUtf16BE},
        {"utf16le", "\xFF\xFE" + Iconv("UTF-16LE", "UTF-8", utf8), boUtf16LE},
        {"utf8sig", "\xEF\xBB\xBF" + utf8, boUtf8},
        {"utf8", utf8, boNone},
    };
    for (const auto& c : cases) {
        const std::string path = dir_ + "/" + c.name;
        WriteFile(path, c.bytes);
        TUniStringList list;
        list.LoadFromFile(Utf8ToWide(path));
        EXPECT_EQ(Lines(list), want) << c.name;
        EXPECT_EQ(list.LastFileCharSet(), c.kind) << c.name;
    }
}

TEST_F(UniStringsTest, StreamLoadingEdges) {
    TUniStringList list;
    TStringStream one("x");
    list.LoadFromStream(one);
    EXPECT_EQ(Lines(list), std::vector<WideString>{u"x"});

    // One bad byte spoils only its own line.
    TStringStream bad("good\n\xCE\xBA\xFF\xCE\xBA\nalso good\n");
    list.LoadFromStream(bad);
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"good", u"\u03BA\uFFFD\u03BA", u"also good"}));

    // Without detection the bytes are UTF-16LE whatever they begin with; an odd last byte is unused.
    TStringStream raw(std::string("\xEF\xBB\x41\x00\x42", 5));
    list.LoadFromStream(raw, false);
    EXPECT_EQ(Lines(list), std::vector<WideString>{u"\uBBEFA"});

    TUniStringList missing;
    EXPECT_THROW(missing.LoadFromFile(Utf8ToWide(dir_ + "/none")), EFOpenError);
    EXPECT_THROW(missing.SaveToFile(Utf8ToWide(dir_ + "/no/dir")), EFCreateError);
}

TEST_F(UniStringsTest, SortedDuplicatesAndCase) {
    struct Case {
        TDuplicates dup;
        bool caseSensitive;
        std::vector<WideString> adds;
        std::vector<WideString> want;
        bool raises;
    } cases[] = {
        {dupIgnore, false, {u"b", u"A", u"a", u"B"}, {u"A", u"b"}, false},
        {dupIgnore, true, {u"b", u"a", u"B", u"A"}, {u"A", u"B", u"a", u"b"}, false},
        {dupAccept, false, {u"\u03B2", u"x", u"\u0392"}, {u"x", u"\u0392", u"\u03B2"}, false},
        {dupError, false, {u"k", u"K"}, {u"k"}, true},
        // Code-point order: an emoji (surrogates) sorts after U+FFxx.
        {dupIgnore, true, {u"\U0001F4C0", u"\uFF21", u"\u65E5"}, {u"\u65E5", u"\uFF21", u"\U0001F4C0"}, false},
    };
    for (const auto& c : cases) {
        TUniStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.dup);
        list.SetCaseSensitive(c.caseSensitive);
        bool raised = false;
        for (const auto& s : c.adds) {
            try {
                list.Add(s);
            } catch (const EStringListError& e) {
                raised = true;
                EXPECT_STREQ(e.what(), "String list does not allow duplicates");
            }
        }
        EXPECT_EQ(Lines(list), c.want);
        EXPECT_EQ(raised, c.raises);
    }

    TUniStringList list;
    list.SetSorted(true);
    const int first = list.Add(u"abc");
    list.Add(u"zzz");
    EXPECT_EQ(list.Add(u"ABC"), first);
    EXPECT_EQ(list.IndexOf(u"ABC"), first);
    EXPECT_EQ(list.IndexOf(u"abd"), -1);
    list.Add(u"name=value");
    EXPECT_EQ(list.IndexOfName(u"NAME"), 1);
    EXPECT_EQ(list.IndexOfName(u"nam"), -1);
}

TEST_F(UniStringsTest, DupAcceptInsertsBeforeEqualOnes) {
    TUniStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    TObject first, second;
    list.AddObject(u"same", &first);
    EXPECT_EQ(list.AddObject(u"SAME", &second), 0);
    EXPECT_EQ(list.GetObject(0), &second);
    EXPECT_EQ(list.GetObject(1), &first);
}

TEST_F(UniStringsTest, ErrorsAndEvents) {
    TUniStringList list;
    int changing = 0, changed = 0;
    list.OnChanging = [&](TObject*) { ++changing; };
    list.OnChange = [&](TObject*) { ++changed; };
    list.SetTextStr(u"c\nb\na");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    list.Sort();
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"a", u"b", u"c"}));
    list.Move(0, 2);
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"b", u"c", u"a"}));
    list.Exchange(0, 2);
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"a", u"c", u"b"}));

    for (int bad : {-1, 3}) {
        try {
            list.Delete(bad);
            ADD_FAILURE();
        } catch (const EStringListError& e) {
            EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(bad) + ")");
        }
    }
    EXPECT_THROW(list.Insert(4, u"x"), EStringListError);
    EXPECT_THROW(list.Exchange(0, 7), EStringListError);
    list.Insert(3, u"end");
    EXPECT_EQ(list[3], u"end");
    list.SetSorted(true);
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"a", u"b", u"c", u"end"}));
    EXPECT_THROW(list.Insert(0, u"x"), EStringListError);
    EXPECT_THROW(list.Put(0, u"x"), EStringListError);

    TUniStringList copy;
    copy.Assign(&list);
    EXPECT_TRUE(copy.Equals(list));
    WideChar* text = copy.GetText();
    EXPECT_EQ(WideString(text), u"a\r\nb\r\nc\r\nend\r\n");
    WideStrDispose(text);
}

TEST(WideFileOpen, UnknownModesAnswerTheInvalidHandle) {
    for (unsigned mode : {3u, 0x50u, 0xF2u})
        EXPECT_EQ(WideFileOpen(u"/dev/null", mode), kInvalidWideHandle) << mode;
    const int fd = WideFileOpen(u"/dev/null", 0x40u);
    EXPECT_GE(fd, 0);
    if (fd >= 0)
        close(fd);
}

} // namespace

namespace {

TEST(UniStringsAnsi, AdapterConvertsInItsCodePage) {
    std::setlocale(LC_ALL, "C.UTF-8");
    TUniStringList list;
    TStringList ansi;
    ansi.Add("caf\xC3\xA9");
    ansi.Add("\xCE\xBA");
    list.SetAnsiStrings(ansi);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], u"caf\u00E9");
    EXPECT_EQ(list.AnsiStrings().Get(1), "\xCE\xBA");

    TAnsiStringsForWideStringsAdapter greek(list, 1253);
    EXPECT_EQ(greek.AdapterCodePage(), 1253u);
    EXPECT_EQ(greek.Get(1), "\xEA");
    greek.Insert(0, "\xE1");
    EXPECT_EQ(list[0], u"\u03B1");

    TStringStream out;
    greek.SaveToStreamEx(out, 1253);
    EXPECT_EQ(out.DataString(), "\xE1\r\ncaf?\r\n\xEA\r\n");  // no e-acute in the Greek page
    TStringStream in("\x93\xFA\r\n\x96\x7B");
    greek.LoadFromStreamEx(in, 932);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], u"\u65E5");
    EXPECT_EQ(list[1], u"\u672C");
}

TEST(SortedListFind, MatchesAndInsertionPoints) {
    std::vector<int> values = {10, 20, 20, 30};
    std::vector<TObject*> list;
    std::vector<TObject> objects(values.size());
    for (auto& o : objects)
        list.push_back(&o);
    auto cmp = [&](TObject* item, const void* key) {
        const int v = values[static_cast<std::size_t>(item - &objects[0])];
        const int k = *static_cast<const int*>(key);
        return v < k ? -1 : v > k ? 1 : 0;
    };
    struct Case {
        int key;
        bool found;
        int index;
    } cases[] = {{5, false, 0}, {10, true, 0}, {25, false, 3}, {30, true, 3}, {40, false, 4}};
    for (const auto& c : cases) {
        int index = -1;
        EXPECT_EQ(SortedListFind(list, cmp, &c.key, index), c.found) << c.key;
        EXPECT_EQ(index, c.index) << c.key;
    }
    int index = -1;
    const int twenty = 20;
    EXPECT_TRUE(SortedListFind(list, cmp, &twenty, index));
    EXPECT_EQ(values[static_cast<std::size_t>(index)], 20);
    EXPECT_FALSE(SortedListFind({}, cmp, &twenty, index));
    EXPECT_EQ(index, 0);
}

} // namespace
