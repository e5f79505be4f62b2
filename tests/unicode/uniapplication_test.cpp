// The wide application title on the hidden application window: each test starts
// as the program does (the Unicode layer before Application->Initialize), so
// the window does not exist until the test makes it.
#define UNI_TEST_NO_SCREEN
#include "uni_test_env.h"

#include "platform/classlib/testhooks.h"
#include "unicode/unicodestartup.h"
#include "unicode/uniforms.h"

#include <gtest/gtest.h>

namespace {

WideString WindowTextW(HWND h) {
    const int len = GetWindowTextLengthW(h);
    std::u16string buf(static_cast<size_t>(len > 0 ? len : 0) + 1, u'\0');
    const int n = GetWindowTextW(h, buf.data(), static_cast<int>(buf.size()));
    buf.resize(static_cast<size_t>(n > 0 ? n : 0));
    return buf;
}

class UniApplicationTitle : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    void TearDown() override { Stop(); }
    static void Start() {
        TestHooks::Start();
        UnicodeStartup();
        ASSERT_NE(UniApplication, nullptr);
        ASSERT_EQ(Application->ApplicationWindow(), nullptr);
    }
    static void Stop() {
        UnicodeShutdown();
        TestHooks::Stop();
    }
};

// A wide title set before the window exists is given to it at WM_CREATE whole:
// scripts of no single code page, a surrogate pair, and a lone surrogate that
// no UTF-8 title could carry (only WM_CREATE's wide text puts it there).
TEST_F(UniApplicationTitle, AWideTitleSetBeforeTheWindowIsItsTextFromCreation) {
    struct Case {
        const char* Name;
        WideString Title;
        bool Utf8Exact;  // the title has a UTF-8 form
    };
    const Case Cases[] = {
        {"three scripts", kMixed, true},
        {"a pair alone", kEmoji, true},
        {"a lone surrogate", WideString(u"Tessaro ") + char16_t(0xD83D) + u"!", false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Stop();
        Start();
        UniApplication->SetTitle(C.Title);
        EXPECT_EQ(UniApplication->Title(), C.Title);
        Application->Initialize();
        const HWND W = Application->ApplicationWindow();
        ASSERT_NE(W, nullptr);
        // The window's own text (the application window is an ANSI window, so
        // other readers get it through UTF-8).
        EXPECT_EQ(UniApplication->Title(), C.Title);
        if (C.Utf8Exact) {
            EXPECT_EQ(WindowTextW(W), C.Title);
            EXPECT_EQ(Application->Title(), WideToUtf8(C.Title));
        }
    }
}

// The library's title set after the wide one, before the window exists, is
// the one the window keeps.
TEST_F(UniApplicationTitle, ALaterLibraryTitleWinsOverAStoredWideOne) {
    UniApplication->SetTitle(kMixed);
    Application->SetTitle("Later \xC3\xA9");
    Application->Initialize();
    ASSERT_NE(Application->ApplicationWindow(), nullptr);
    EXPECT_EQ(WindowTextW(Application->ApplicationWindow()), u"Later \u00E9");
    EXPECT_EQ(UniApplication->Title(), u"Later \u00E9");
}

// With the window made: the wide title is its text both ways, the class
// library reads the UTF-8 form, and an ANSI title set afterwards wins.
TEST_F(UniApplicationTitle, TheWindowIsTheWideTitlesStoreOnceMade) {
    Application->SetTitle("Tessaro");
    Application->Initialize();
    const HWND W = Application->ApplicationWindow();
    ASSERT_NE(W, nullptr);
    EXPECT_EQ(WindowTextW(W), u"Tessaro");
    EXPECT_EQ(UniApplication->Title(), u"Tessaro");

    UniApplication->SetTitle(kMixed);
    EXPECT_EQ(WindowTextW(W), kMixed);
    EXPECT_EQ(Application->Title(), WideToUtf8(kMixed));
    char Narrow[128]{};
    GetWindowTextA(W, Narrow, sizeof Narrow);
    EXPECT_EQ(std::string(Narrow), WideToUtf8(kMixed));

    SetWindowTextW(W, (kGreek + kEmoji).c_str());
    EXPECT_EQ(UniApplication->Title(), kGreek + kEmoji);
    Application->SetTitle("plain");
    EXPECT_EQ(UniApplication->Title(), u"plain");
    EXPECT_EQ(WindowTextW(W), u"plain");
}

}  // namespace
