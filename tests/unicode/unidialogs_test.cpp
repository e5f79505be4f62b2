// Wide message dialogs on the headless screen.
#include "unicode/unidialogs.h"

#include "uni_test_env.h"

#include <gtest/gtest.h>

namespace {

TUniButton* ButtonOf(TCustomForm* f, const char* name) { return f->Find<TUniButton>(name); }

TEST(WideMessageTexts, CaptionsOfTypesAndButtons) {
    EXPECT_EQ(GetMessageCaption(mtWarning), u"Warning");
    EXPECT_EQ(GetMessageCaption(mtConfirmation), u"Confirm");
    EXPECT_EQ(GetMessageCaption(mtCustom), u"");
    EXPECT_EQ(GetButtonCaption(mbNoToAll), u"N&o to All");
    EXPECT_EQ(GetButtonCaption(mbHelp), u"&Help");
    EXPECT_THROW(GetMessageCaption(static_cast<TMsgDlgType>(5)), EUniInternalError);
    EXPECT_THROW(GetButtonCaption(static_cast<TMsgDlgBtn>(11)), EUniInternalError);
}

TEST(WideMessageDialog, DefaultAndCancelButtonsFollowTheChoice) {
    struct Case {
        TMsgDlgButtons buttons;
        const char* def;
        const char* cancel;  // nullptr: none
        int count;
    } cases[] = {
        {mbYesNoCancel, "Yes", "Cancel", 3},
        {mbAbortRetryIgnore, "Retry", nullptr, 3},
        {TMsgDlgButtons{mbOK}, "OK", "OK", 1},
        {TMsgDlgButtons{mbYes, mbNo}, "Yes", "No", 2},
    };
    for (const auto& c : cases) {
        TUniMessageForm* f = BuildWideMessageDialog(kMixed, mtWarning, c.buttons);
        int count = 0, defaults = 0, cancels = 0;
        for (int i = 0; i < f->ComponentCount(); ++i)
            if (auto* b = dynamic_cast<TUniButton*>(f->Components(i))) {
                ++count;
                defaults += b->Default();
                cancels += b->Cancel;
            }
        EXPECT_EQ(count, c.count);
        ASSERT_NE(ButtonOf(f, c.def), nullptr);
        EXPECT_TRUE(ButtonOf(f, c.def)->Default());
        EXPECT_EQ(defaults, 1);
        EXPECT_EQ(cancels, c.cancel ? 1 : 0);
        if (c.cancel) EXPECT_TRUE(ButtonOf(f, c.cancel)->Cancel);
        EXPECT_NE(f->Find<TUniImage>("Image"), nullptr);  // a warning has its icon
        f->Free();
    }
}

TEST(WideMessageDialog, ALongMessageWrapsAtHalfTheScreenAndTheDialogGrowsInHeight) {
    WideString longText;
    for (int i = 0; i < 30; ++i) longText += kGreek + u" " + kJapanese + u" ";
    TUniMessageForm* shortOne = BuildWideMessageDialog(kMixed, mtWarning, mbYesNoCancel);
    TUniMessageForm* longOne = BuildWideMessageDialog(longText, mtWarning, mbYesNoCancel);
    const int half = GetSystemMetrics(SM_CXSCREEN) / 2;
    TUniLabel* msg = longOne->Find<TUniLabel>("Message");
    ASSERT_NE(msg, nullptr);
    EXPECT_LE(msg->Width(), half);
    EXPECT_GT(msg->Width(), half * 3 / 4);
    EXPECT_GT(longOne->Height(), shortOne->Height());
    EXPECT_LT(longOne->Width(), half + 200);
    EXPECT_EQ(msg->Caption(), longText);
    // Centred on the screen.
    EXPECT_NEAR(longOne->Left() + longOne->Width() / 2, half, 1);
    shortOne->Free();
    longOne->Free();
}

TEST(WideMessageDialog, ShowWideMessageHasTheTitleNoIconAndOneOk) {
    UniApplication->SetTitle(kJapanese);
    bool checked = false;
    TestHooks::OnNextModal([&](TCustomForm* form) {
        auto* f = dynamic_cast<TUniMessageForm*>(form);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->Caption(), kJapanese);
        EXPECT_EQ(f->Find<TUniImage>("Image"), nullptr);
        ASSERT_NE(ButtonOf(f, "OK"), nullptr);
        EXPECT_TRUE(ButtonOf(f, "OK")->Default());
        EXPECT_EQ(f->Find<TUniLabel>("Message")->Caption(), kMixed);
        checked = true;
        f->ModalResult = mrOk;
    });
    ShowWideMessage(kMixed);
    EXPECT_TRUE(checked);
}

TEST(WideMessageDialog, CtrlCCopiesTheDialogAsTextWithFourDividers) {
    WideString copied;
    TestHooks::OnNextModal([&](TCustomForm* f) {
        TestHooks::PressKey('C', false, true, false);
        TestHooks::PumpPending();
        f->ModalResult = mrCancel;
    });
    EXPECT_EQ(WideMessageDlgPosHelp(kMixed, mtWarning, mbYesNoCancel, 0, 10, 20, u""), mrCancel);
    const WideString divider = WideString(27, u'-') + u"\r\n";
    const WideString expected = divider + u"Warning\r\n" + divider + kMixed + u"\r\n" + divider +
                                u"Yes   No   Cancel   \r\n" + divider;
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE w = GetClipboardData(CF_UNICODETEXT);
    HANDLE a = GetClipboardData(CF_TEXT);
    ASSERT_TRUE(w && a);
    EXPECT_EQ(WideString(static_cast<const char16_t*>(WinGlobalLock(w))), expected);
    EXPECT_EQ(std::string(static_cast<const char*>(WinGlobalLock(a))), WideToUtf8(expected));
    CloseClipboard();
}

}  // namespace
