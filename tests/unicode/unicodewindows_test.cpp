// Unicode windows and wide control text on forms of the headless screen.
#include "unicode/unicodewindows.h"

#include "platform/classlib/stdctrls.h"
#include "uni_test_env.h"
#include "unicode/uni_test_edit.h"

#include <gtest/gtest.h>

namespace {

class UnicodeWindows : public testing::Test {
protected:
    void SetUp() override {
        Form = new TForm(Application);
        Form->SetBounds(0, 0, 300, 200);
        Edit = new TUniTestEdit(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(8, 8, 200, 24);
    }
    void TearDown() override { Form->Free(); }
    TForm* Form = nullptr;
    TUniTestEdit* Edit = nullptr;
};

TEST(WideWithAnsi, SyncAndSetFollowTheAnsiValue) {
    WideString wide = u"old";
    EXPECT_EQ(SyncWideWithAnsi(wide, "old"), u"old");
    EXPECT_EQ(SyncWideWithAnsi(wide, "\xCE\xBA"), u"\u03BA");  // the ANSI value changed beside it
    EXPECT_EQ(wide, u"\u03BA");

    struct Case {
        WideString current;
        std::string ansi;
        WideString next;
        std::vector<std::string> setterCalls;
    } cases[] = {
        {u"a", "a", u"a", {}},
        {u"a", "a", kGreek, {WideToUtf8(kGreek)}},
        // The wide value first follows an ANSI value changed beside it.
        {u"a", "\xCE\xBA", u"\u03BA", {}},
        {u"a", "\xCE\xBA", kEmoji, {WideToUtf8(kEmoji)}},
    };
    for (const auto& c : cases) {
        WideString w = c.current;
        std::string ansi = c.ansi;
        std::vector<std::string> calls;
        SetWideWithAnsi(c.next, w, ansi, [&](const std::string& s) {
            calls.push_back(s);
            ansi = s;
        });
        EXPECT_EQ(calls, c.setterCalls);
        EXPECT_EQ(w, c.next);
    }
}

TEST_F(UnicodeWindows, AWindowlessLabelKeepsItsWideCaptionAndFollowsItsAnsiOne) {
    auto* label = new TLabel(Form);
    label->SetParent(Form);
    SetWideControlText(label, kMixed);
    EXPECT_EQ(GetWideControlText(label), kMixed);
    EXPECT_EQ(label->Caption(), WideToUtf8(kMixed));
    label->SetCaption("plain");
    EXPECT_EQ(GetWideControlText(label), u"plain");
    SetWideControlHint(label, kGreek + u"|" + kJapanese);
    EXPECT_EQ(label->Hint, WideToUtf8(kGreek + u"|" + kJapanese));
    EXPECT_EQ(GetShortWideHint(FindWideHintUpwards(label)), kGreek);
    EXPECT_EQ(GetLongWideHint(GetWideControlHint(label)), kJapanese);
    SetWideControlHint(Form, kEmoji);
    EXPECT_EQ(FindWideHintUpwards(Edit), kEmoji);  // from the parent
}

TEST_F(UnicodeWindows, AWindowMadeAsUnicodeCarriesTheWideText) {
    SetWideControlText(Edit, kMixed);  // before the window exists: held
    EXPECT_FALSE(Edit->HandleAllocated());
    Form->Show();
    ASSERT_TRUE(Edit->HandleAllocated());
    HWND h = Edit->Handle();
    EXPECT_TRUE(IsWindowUnicode(h));
    EXPECT_TRUE(IsUnicodeControlSubclassed(Edit));
    EXPECT_EQ(FindControl(h), Edit);  // the library finds the control behind the window
    EXPECT_EQ(WindowTextW(h), kMixed);
    EXPECT_EQ(GetWideControlText(Edit), kMixed);
    // The library reads UTF-8, by the system call and by its own message.
    EXPECT_EQ(Edit->Text(), WideToUtf8(kMixed));
    char buf[128] = {};
    const LRESULT n = Edit->Perform(WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), WideToUtf8(kMixed));
    EXPECT_EQ(static_cast<size_t>(Edit->Perform(WM_GETTEXTLENGTH, 0, 0)), WideToUtf8(kMixed).size());

    const int changes = Edit->TextChanges;
    SetWideControlText(Edit, kGreek);
    EXPECT_EQ(WindowTextW(h), kGreek);
    EXPECT_GT(Edit->TextChanges, changes);
    const int same = Edit->TextChanges;
    SetWideControlText(Edit, kGreek);
    EXPECT_EQ(Edit->TextChanges, same);  // no change, no notice

    // A re-created window keeps the wide text, bound to the same control.
    Edit->RecreateWnd();
    EXPECT_NE(Edit->Handle(), nullptr);
    EXPECT_TRUE(IsUnicodeControlSubclassed(Edit));
    EXPECT_EQ(WindowTextW(Edit->Handle()), kGreek);
}

TEST_F(UnicodeWindows, AWideCharacterPassesTheLibraryAs255AndArrivesWhole) {
    Form->Show();
    HWND h = Edit->Handle();
    SetWindowTextW(h, u"");
    struct Case {
        WPARAM sent, library, atDefault;
    } cases[] = {
        {0x4E2D, (0x4E2Du << 16) | 255u, 0x4E2D},
        {u'a', u'a', u'a'},
        {0xE9, 0xE9, 0xE9},  // below 256: unchanged
    };
    WideString expected;
    for (const auto& c : cases) {
        Edit->LibraryChars.clear();
        Edit->DefaultChars.clear();
        SendMessageW(h, WM_CHAR, c.sent, 1);
        ASSERT_EQ(Edit->LibraryChars.size(), 1u);
        EXPECT_EQ(Edit->LibraryChars[0], c.library);
        ASSERT_EQ(Edit->DefaultChars.size(), 1u);
        EXPECT_EQ(Edit->DefaultChars[0], c.library);  // the trap restores it below the library
        expected += static_cast<WideChar>(c.atDefault);
    }
    EXPECT_EQ(WindowTextW(h), expected);
}

TEST_F(UnicodeWindows, AWindowThatIsNotUnicodeIsRefused) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "AnsiOnlyTestClass";
    ASSERT_TRUE(RegisterClassA(&wc));
    HWND h = CreateWindowExA(0, "AnsiOnlyTestClass", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(h, nullptr);
    ASSERT_FALSE(IsWindowUnicode(h));
    auto* other = new TWinControl(Form);
    other->SetHandleFromLayer(h);
    try {
        SubClassUnicodeControl(other, "x");
        ADD_FAILURE();
    } catch (const EUniInternalError& e) {
        EXPECT_STREQ(e.what(), "Internal Error: SubClassUnicodeControl.Control is not Unicode.");
    }
    other->SetHandleFromLayer(nullptr);
    DestroyWindow(h);
}

TEST(CharMessages, SafeForAnsiAndBack) {
    struct Case {
        WPARAM in, safe;
    } cases[] = {{0x41, 0x41}, {0xFF, 0xFF}, {0x100, (0x100u << 16) | 255u}, {0xD83D, (0xD83Du << 16) | 255u}};
    for (const auto& c : cases) {
        TMessage m{WM_CHAR, c.in, 0, 0};
        MakeCharMessageSafeForAnsi(m);
        EXPECT_EQ(m.WParam, c.safe);
        RestoreCharMessage(m);
        EXPECT_EQ(m.WParam, c.in);
    }
}

}  // namespace
