// Unicode forms, the wide application object and the wide character hook.
#include "unicode/uniforms.h"

#include "platform/classlib/formload.h"
#include "platform/classlib/formwrite.h"
#include "uni_test_env.h"
#include "unicode/uniactnlist.h"
#include "unicode/uni_test_edit.h"

#include <gtest/gtest.h>

namespace {

int IdleControlsOn(TWinControl* form) {
    int n = 0;
    for (int i = 0; i < form->ControlCount(); ++i)
        if (dynamic_cast<TUniAppIdleEventControl*>(form->Controls(i))) ++n;
    return n;
}

class UniForms : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(UniApplication, nullptr);
        ASSERT_TRUE(WideCharHookInstalled());
        Form = new TForm(Application);
        Form->SetBounds(0, 0, 300, 200);
        Edit = new TUniTestEdit(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(8, 8, 200, 24);
        Form->Show();
        SetWindowTextW(Edit->Handle(), u"");
    }
    void TearDown() override {
        Application->OnMessage = nullptr;
        Form->Free();
    }
    // Posts the characters to the edit and lets the library's loop take them;
    // answers the message numbers the library's loop saw.
    std::vector<UINT> Type(const std::vector<WPARAM>& chars, bool handle = false) {
        std::vector<UINT> seen;
        Application->OnMessage = [&](MSG& m, bool& handled) {
            if (m.message == WM_CHAR || m.message == WM_NULL) seen.push_back(m.message);
            if (handle && m.message == WM_CHAR) handled = true;
        };
        for (WPARAM c : chars) PostMessageW(Edit->Handle(), WM_CHAR, c, 1);
        Application->ProcessMessages();
        Application->OnMessage = nullptr;
        return seen;
    }
    TForm* Form = nullptr;
    TUniTestEdit* Edit = nullptr;
};

TEST_F(UniForms, TheHookDeliversWideCharactersWholeAndTheLibrarySeesNull) {
    struct Case {
        std::vector<WPARAM> chars;
        WideString text;
        std::vector<UINT> seen;  // by OnMessage: the hook's look, then the library's loop
    } cases[] = {
        {{0x4E2D}, u"\u4E2D", {WM_CHAR, WM_NULL}},
        {{0xD83D, 0xDCC0}, kEmoji, {WM_CHAR, WM_NULL, WM_CHAR, WM_NULL}},
        {{0xE9, u'a'}, u"\u00E9a", {WM_CHAR, WM_CHAR}},  // below 256: the library's own loop
    };
    for (const auto& c : cases) {
        SetWindowTextW(Edit->Handle(), u"");
        Edit->LibraryChars.clear();
        EXPECT_EQ(Type(c.chars), c.seen);
        EXPECT_EQ(WindowTextW(Edit->Handle()), c.text);
    }
}

TEST_F(UniForms, AnOnMessageHandlerThatHandlesStopsTheWideDispatch) {
    EXPECT_EQ(Type({0x4E2D}, true), (std::vector<UINT>{WM_CHAR, WM_NULL}));
    EXPECT_EQ(WindowTextW(Edit->Handle()), u"");
    EXPECT_TRUE(Edit->LibraryChars.empty());
}

TEST_F(UniForms, TheMainFormGetsOneIdleControlOnTheFirstHookedMessage) {
    TForm* saved = Application->MainForm();
    Application->SetMainForm(Form);
    Type({u'x'});
    EXPECT_EQ(IdleControlsOn(Form), 1);
    ASSERT_NE(UniApplication->IdleControl(), nullptr);
    Type({0x4E2D});
    EXPECT_EQ(IdleControlsOn(Form), 1);
    Application->SetMainForm(saved);
}

TEST_F(UniForms, WideHintAndTitleLiveBesideTheLibrarysOwn) {
    UniApplication->SetHint(kMixed);
    EXPECT_EQ(Application->Hint(), WideToUtf8(kMixed));
    EXPECT_EQ(UniApplication->Hint(), kMixed);
    Application->SetHint("plain");
    EXPECT_EQ(UniApplication->Hint(), u"plain");
    const std::string savedTitle = Application->Title();
    UniApplication->SetTitle(kJapanese);
    EXPECT_EQ(Application->Title(), WideToUtf8(kJapanese));
    EXPECT_EQ(UniApplication->Title(), kJapanese);
    Application->SetTitle(savedTitle);
}

TEST(UniForm, AWideCaptionIsTheWindowsTextAndSurvivesTheFormFile) {
    auto* f = new TUniForm(Application);
    f->SetName("frmWide");
    f->SetCaption(kMixed);
    f->SetHint(kGreek);
    f->Show();
    ASSERT_TRUE(f->HandleAllocated());
    EXPECT_TRUE(IsWindowUnicode(f->Handle()));
    EXPECT_EQ(WindowTextW(f->Handle()), kMixed);
    EXPECT_EQ(f->TForm::Caption(), WideToUtf8(kMixed));  // the library's view is UTF-8
    const std::string text = WriteFormText(f);
    EXPECT_NE(text.find("Caption_UTF7 = '" + WideToUtf7(kMixed) + "'"), std::string::npos) << text;
    f->Free();

    RegisterClass(TUniForm::StaticClassInfo());
    auto* g = new TUniForm(Application);
    ReadFormText(g, text, "frmWide.dfm");
    EXPECT_EQ(g->Caption(), kMixed);
    EXPECT_EQ(g->Hint(), kGreek);
    g->Show();
    EXPECT_EQ(WindowTextW(g->Handle()), kMixed);
    g->Free();
}

}  // namespace

namespace {

// The library's hint action carrying the wide application hint is replaced by
// a Unicode hint action with the wide hint; other actions pass the hook.
TEST(UniApplicationHook, TheHintGoesOutAsAUnicodeHintAction) {
    struct Seen {
        bool unicode;
        WideString hint;
    };
    std::vector<Seen> seen;
    const int id = Application->HookMainWindow([&](TMessage& m) {
        if (m.Msg != CM_ACTIONEXECUTE) return false;
        auto* a = reinterpret_cast<TBasicAction*>(m.LParam);
        if (auto* u = dynamic_cast<TUniHintAction*>(a)) seen.push_back({true, u->Hint()});
        else if (auto* h = dynamic_cast<THintAction*>(a)) seen.push_back({false, Utf8ToWide(h->Hint())});
        return false;
    });
    TNotifyEvent saved = Application->OnHint;
    Application->OnHint = nullptr;
    UniApplication->SetHint(kMixed);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].unicode);
    EXPECT_EQ(seen[0].hint, kMixed);
    // A hint action whose text is not the application's passes on as it is.
    seen.clear();
    THintAction other(nullptr);
    other.SetHint("other");
    TMessage m{CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(&other), 0};
    EXPECT_FALSE(UniApplication->AppWindowHook(m));
    EXPECT_EQ(m.Result, 0);
    Application->UnhookMainWindow(id);
    Application->OnHint = saved;
    UniApplication->SetHint(u"");
}

}  // namespace
