#include "unicode/widepropertyfilers.h"

#include "iconv_helper.h"
#define UNI_TEST_NO_SCREEN
#include "uni_test_env.h"
#include "platform/classlib/formfile.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/formwrite.h"

#include <gtest/gtest.h>

// A component with a wide caption, a wide character with a default, a wide
// character without one, and a wide list.
class TWidePropsComponent : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TWidePropsComponent(TComponent* Owner) : TComponent(Owner) {}
    WideString Caption;
    WideChar Accel = u'A';
    WideChar Mark = 0;
    bool CaptionStored = true;
    TUniStringList Lines;
};

TClassInfo& TWidePropsComponent::StaticClassInfo() {
    static TClassInfo CI("TWidePropsComponent", &TComponent::StaticClassInfo(),
                         CreateComponentOf<TWidePropsComponent>, [](TClassInfo& C) {
                             using T = TWidePropsComponent;
                             auto self = [](TPersistent& O) -> T& { return static_cast<T&>(O); };
                             auto cself = [](const TPersistent& O) -> const T& { return static_cast<const T&>(O); };
                             TWideProperty caption{"Caption", TWidePropertyKind::String,
                                                   [cself](const TPersistent& O) { return cself(O).Caption; },
                                                   [self](TPersistent& O, const WideString& S) { self(O).Caption = S; },
                                                   [cself](const TPersistent& O) { return cself(O).CaptionStored; }};
                             TWideProperty accel{"Accel", TWidePropertyKind::Char,
                                                 [cself](const TPersistent& O) { return WideString(1, cself(O).Accel); },
                                                 [self](TPersistent& O, const WideString& S) {
                                                     self(O).Accel = S.empty() ? 0 : S[0];
                                                 },
                                                 {}, u'A'};
                             TWideProperty mark{"Mark", TWidePropertyKind::Char,
                                                [cself](const TPersistent& O) { return WideString(1, cself(O).Mark); },
                                                [self](TPersistent& O, const WideString& S) {
                                                    self(O).Mark = S.empty() ? 0 : S[0];
                                                }};
                             DefineWidePropertyFilers(C, {caption, accel, mark});
                             DefineWideStringsFilers(C, "Lines", [self](TPersistent& O) -> TUniStrings& {
                                 return self(O).Lines;
                             });
                         });
    return CI;
}

namespace {

class WidePropertyFilersTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterClass(TWidePropsComponent::StaticClassInfo());
        ApplyWideStringsSwitch = false;
    }
    void TearDown() override {
        ApplyWideStringsSwitch = false;
        for (TComponent* c : {static_cast<TComponent*>(Root), static_cast<TComponent*>(Copy)})
            delete c;
    }
    // The form text of a root holding one component C.
    static std::string Form(const std::string& props) {
        return "object Root: TComponent\n  object C: TWidePropsComponent\n" + props + "  end\nend\n";
    }
    TWidePropsComponent* Read(const std::string& text, bool designing = false) {
        Copy = new TComponent(nullptr);
        if (designing) Copy->SetDesigning(true);
        ReadFormText(Copy, text, "test.dfm");
        auto* c = Copy->Find<TWidePropsComponent>("C");
        EXPECT_NE(c, nullptr);
        return c;
    }
    TWidePropsComponent* Make() {
        Root = new TComponent(nullptr);
        Root->SetName("Root");
        auto* c = new TWidePropsComponent(Root);
        c->SetName("C");
        return c;
    }
    TComponent* Root = nullptr;
    TComponent* Copy = nullptr;
};

// The value of Key in the written text, as the parser reads it.
const TFormValue* ValueOf(const TFormObject& tree, const std::string& key) {
    const TFormProperty* p = tree.Children.at(0)->Find(key);
    return p ? &p->Value : nullptr;
}

TEST_F(WidePropertyFilersTest, CaptionsInThreeScriptsAreWrittenAndReadBackEqual) {
    for (const WideString& caption : {kJapanese, kGreek, kEmoji, kMixed, WideString(u"it's\r\nplain")}) {
        auto* c = Make();
        c->Caption = caption;
        c->Lines.Add(kJapanese);
        c->Lines.Add(u"");
        c->Lines.Add(kGreek + u"'" + kEmoji);
        const std::string text = WriteFormText(Root);
        auto tree = ParseFormFile(text, "written");
        const bool ascii = WideTextSurvivesUtf8(caption);
        const TFormValue* utf7 = ValueOf(*tree, "Caption_UTF7");
        // The UTF-7 key is there for non-ASCII texts only, and glibc reads it as the caption.
        ASSERT_EQ(utf7 != nullptr, !ascii) << text;
        if (utf7) {
            bool ok = false;
            EXPECT_EQ(FromUtf16Bytes(Iconv("UTF-16LE", "UTF-7", utf7->Str, &ok)), caption);
            EXPECT_TRUE(ok);
        }
        ASSERT_NE(ValueOf(*tree, "Lines.WideStrings_UTF7"), nullptr);
        auto* back = Read(text);
        EXPECT_EQ(back->Caption, caption);
        ASSERT_EQ(back->Lines.Count(), 3);
        EXPECT_EQ(back->Lines[0], kJapanese);
        EXPECT_EQ(back->Lines[1], u"");
        EXPECT_EQ(back->Lines[2], kGreek + u"'" + kEmoji);
        delete Root;
        delete Copy;
        Root = nullptr;
        Copy = nullptr;
    }
}

TEST_F(WidePropertyFilersTest, KeysAreWrittenOnlyWhenTheirRulesAsk) {
    auto* c = Make();
    c->Lines.Add(u"plain");
    auto tree = ParseFormFile(WriteFormText(Root), "written");
    EXPECT_EQ(ValueOf(*tree, "Caption"), nullptr);  // empty
    EXPECT_EQ(ValueOf(*tree, "Caption_UTF7"), nullptr);
    EXPECT_EQ(ValueOf(*tree, "AccelW"), nullptr);  // at its default
    ASSERT_NE(ValueOf(*tree, "MarkW"), nullptr);    // no default declared: always written
    EXPECT_EQ(ValueOf(*tree, "MarkW")->Str, std::string(1, '\0'));
    ASSERT_NE(ValueOf(*tree, "Lines.WideStrings"), nullptr);
    EXPECT_EQ(ValueOf(*tree, "Lines.WideStrings_UTF7"), nullptr);  // only 7-bit lines
    EXPECT_EQ(ValueOf(*tree, "CaptionW"), nullptr);                  // never written

    c->Accel = u'\u03BB';
    c->Caption = kGreek;
    c->CaptionStored = false;
    c->Lines.Clear();
    tree = ParseFormFile(WriteFormText(Root), "written");
    ASSERT_NE(ValueOf(*tree, "AccelW"), nullptr);
    EXPECT_EQ(ValueOf(*tree, "AccelW")->Str, "\xCE\xBB");
    EXPECT_EQ(ValueOf(*tree, "Caption"), nullptr);  // not stored
    EXPECT_EQ(ValueOf(*tree, "Caption_UTF7"), nullptr);
    EXPECT_EQ(ValueOf(*tree, "Lines.WideStrings"), nullptr);  // empty list
    EXPECT_EQ(Read(WriteFormText(Root))->Accel, u'\u03BB');
}

TEST_F(WidePropertyFilersTest, GatedKeysApplyOnlyWhileDesigningOrWithTheSwitch) {
    const std::string utf7 = WideToUtf7(kJapanese);
    const std::string onlyUtf7 = Form("    Caption_UTF7 = '" + utf7 + "'\n");
    const std::string onlyW = Form("    CaptionW = '" + WideToUtf8(kGreek) + "'\n");
    const std::string accelUtf7 = Form("    Accel_UTF7 = '" + WideToUtf7(kGreek) + "'\n");
    struct Case {
        bool designing, sw;
        bool applied;
    } cases[] = {{false, false, false}, {true, false, true}, {false, true, true}};
    for (const auto& k : cases) {
        ApplyWideStringsSwitch = k.sw;
        EXPECT_EQ(Read(onlyUtf7, k.designing)->Caption, k.applied ? kJapanese : u"");
        delete Copy;
        EXPECT_EQ(Read(onlyW, k.designing)->Caption, k.applied ? kGreek : u"");
        delete Copy;
        EXPECT_EQ(Read(accelUtf7, k.designing)->Accel, k.applied ? kGreek[0] : u'A');
        delete Copy;
        Copy = nullptr;
    }
    // At run time bad UTF-7 is dropped unread; applied, it raises.
    const std::string bad = Form("    Caption_UTF7 = '+!'\n");
    ApplyWideStringsSwitch = false;
    EXPECT_EQ(Read(bad)->Caption, u"");
    delete Copy;
    Copy = nullptr;
    ApplyWideStringsSwitch = true;
    Copy = new TComponent(nullptr);
    try {
        ReadFormText(Copy, bad, "bad.dfm");
        ADD_FAILURE();
    } catch (const EUniGeneralError& e) {
        EXPECT_STREQ(e.what(), "Invalid UTF7");
    }
}

TEST_F(WidePropertyFilersTest, WideStringsWFillsAnEmptyListOnly) {
    const std::string w = "    Lines.WideStringsW = ('" + WideToUtf8(kGreek) + "' 'b')\n";
    auto* empty = Read(Form(w));
    ASSERT_EQ(empty->Lines.Count(), 2);
    EXPECT_EQ(empty->Lines[0], kGreek);
    delete Copy;
    auto* filled = Read(Form("    Lines.Strings = ('x')\n" + w));
    ASSERT_EQ(filled->Lines.Count(), 1);
    EXPECT_EQ(filled->Lines[0], u"x");
    delete Copy;
    // One string is the whole text: its line breaks make the lines.
    auto* text = Read(Form("    Lines.WideStrings = 'a'#13#10'" + WideToUtf8(kJapanese) + "'\n"));
    ASSERT_EQ(text->Lines.Count(), 2);
    EXPECT_EQ(text->Lines[1], kJapanese);
    delete Copy;
    // The UTF-7 list applies while designing only, replacing what was read.
    const std::string utf7 = "    Lines.Strings = ('x')\n    Lines.WideStrings_UTF7 = ('" + WideToUtf7(kEmoji) + "')\n";
    EXPECT_EQ(Read(Form(utf7))->Lines[0], u"x");
    delete Copy;
    auto* designed = Read(Form(utf7), true);
    ASSERT_EQ(designed->Lines.Count(), 1);
    EXPECT_EQ(designed->Lines[0], kEmoji);
}

TEST_F(WidePropertyFilersTest, WideCharacterValues) {
    struct Case {
        std::string value;
        bool raises;
        WideChar expected;
    } cases[] = {
        {"'\xCE\xBB'", false, u'\u03BB'},
        {"''", false, 0},
        {"#955", false, u'\u03BB'},
        {"'ab'", true, 0},
        {"'" + WideToUtf8(kEmoji) + "'", true, 0},  // two units
        {"12", true, 0},
        {"True", true, 0},
    };
    for (const auto& k : cases) {
        Copy = new TComponent(nullptr);
        const std::string text = Form("    AccelW = " + k.value + "\n");
        if (k.raises) {
            try {
                ReadFormText(Copy, text, "c.dfm");
                ADD_FAILURE() << k.value;
            } catch (const EFormFileError& e) {
                EXPECT_NE(std::string(e.what()).find("Invalid property value"), std::string::npos) << e.what();
            }
        } else {
            ReadFormText(Copy, text, "c.dfm");
            EXPECT_EQ(Copy->Find<TWidePropsComponent>("C")->Accel, k.expected) << k.value;
        }
        delete Copy;
        Copy = nullptr;
    }
}

TEST_F(WidePropertyFilersTest, ASurrogatePairGivenAsTwoCodesIsOneCharacter) {
    auto* c = Read(Form("    Caption = 'a'#55357#56512'b'\n"));
    EXPECT_EQ(c->Caption, u"a\U0001F4C0b");
    auto tree = ParseFormFile("object X: T\n  V = #55357#56512\nend\n", "x");
    EXPECT_EQ(tree->Properties[0].Value.Str, "\xF0\x9F\x93\x80");  // four-byte UTF-8, readable elsewhere
}

}  // namespace
