// Pictures of the Unicode controls on the headless screen, each carrying
// Japanese, Greek and an emoji: a form with labels, a button and a menu bar,
// an opened popup of wide menu items, the wide message dialogs and a wide
// hint. Every pixel is compared with the golden image.
#include "controls/golden_png.h"
#include "platform/win/winscreen.h"
#include "uni_test_env.h"
#include "unicode/unidialogs.h"
#include "unicode/uniforms.h"
#include "unicode/unimenus.h"
#include "unicode/unistdctrls.h"

#include <gtest/gtest.h>

namespace {

TUniLabel* AddLabel(TWinControl* parent, const WideString& caption, int top, bool enabled) {
    auto* l = new TUniLabel(parent);
    l->SetParent(parent);
    l->SetLeft(12);
    l->SetTop(top);
    l->SetCaption(caption);
    l->SetEnabled(enabled);
    return l;
}

TEST(UniGoldens, AFormWithLabelsAButtonAndAMenuBar) {
    auto* form = new TUniForm(Application);
    form->SetBounds(40, 40, 360, 200);
    form->SetCaption(kMixed);
    auto* menu = new TMainMenu(form);
    const WideString tops[] = {kJapanese + u"(&F)", u"&" + kGreek, kEmoji + u" &x"};
    for (const WideString& t : tops) {
        auto* item = new TUniMenuItem(form);
        item->SetCaption(t);
        menu->Items()->Add(item);
    }
    form->SetMenu(menu);
    AddLabel(form, kMixed, 12, true);
    AddLabel(form, kMixed, 40, false);
    auto* button = new TUniButton(form);
    button->SetParent(form);
    button->SetBounds(12, 76, 200, 28);
    button->SetCaption(u"&" + kMixed);
    form->Show();
    TestHooks::PumpPending();
    EXPECT_EQ(WindowTextW(form->Handle()), kMixed);
    EXPECT_EQ(WindowTextW(button->Handle()), u"&" + kMixed);
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ExpectWindowMatchesGolden(form->Handle(), "unicode/form_labels_button_menubar.png");
    form->Free();
}

TEST(UniGoldens, AnOpenedPopupOfWideMenuItems) {
    auto* form = new TUniForm(Application);
    form->SetBounds(40, 40, 300, 200);
    form->Show();
    auto* popup = new TPopupMenu(form);
    struct Item {
        WideString caption;
        TShortCut shortcut;
    } items[] = {{u"&" + kGreek, ShortCut('A', true, true, false)},
                 {kJapanese + u"(&F)", 0},
                 {u"-", 0},
                 {kEmoji + u" &x " + kJapanese, ShortCut(0x74, false, false, false)}};
    for (const Item& i : items) {
        auto* item = new TUniMenuItem(form);
        item->SetCaption(i.caption);
        item->SetShortCut(i.shortcut);
        popup->Items()->Add(item);
    }
    bool seen = false;
    TestHooks::OnNextModalWindow([&](HWND w) {
        seen = true;
        UpdateWindow(w);
        ExpectWindowMatchesGolden(w, "unicode/popup_menu.png");
        WinHeadlessScreen()->KeyPress(VK_ESCAPE);
    });
    popup->Popup(60, 60);
    EXPECT_TRUE(seen);
    form->Free();
}

TEST(UniGoldens, TheWideMessageDialogs) {
    UniApplication->SetTitle(kMixed);
    WideString longText;
    for (int i = 0; i < 12; ++i) longText += kGreek + u" " + kJapanese + u" " + kEmoji + u" ";
    struct Case {
        const char* golden;
        std::function<void()> show;
        WideString caption;
    } cases[] = {
        {"unicode/show_wide_message.png", [] { ShowWideMessage(kMixed); }, kMixed},
        {"unicode/warning_yes_no_cancel.png",
         [&] { WideMessageDlgPosHelp(longText, mtWarning, mbYesNoCancel, 0, -1, -1, u""); }, u"Warning"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        bool seen = false;
        TestHooks::OnNextModal([&](TCustomForm* f) {
            seen = true;
            EXPECT_EQ(WindowTextW(f->Handle()), c.caption);
            TestHooks::PumpPending();
            RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            ExpectWindowMatchesGolden(f->Handle(), c.golden);
            f->ModalResult = mrCancel;
        });
        c.show();
        EXPECT_TRUE(seen);
    }
    UniApplication->SetTitle(u"");
}

}  // namespace

namespace {

TEST(UniGoldens, AWideHint) {
    auto* form = new TUniForm(Application);
    form->SetBounds(40, 40, 300, 120);
    auto* label = AddLabel(form, u"hint", 12, true);
    label->SetHint(kMixed + u"|" + kGreek);
    label->ShowHint = true;
    label->ParentShowHint = false;
    form->Show();
    TestHooks::PumpPending();
    Application->HintPause = 30;
    WinHeadlessScreen()->MouseMove(TestHooks::ControlCenter(label));
    ASSERT_TRUE(TestHooks::PumpUntil([] { return Application->HintWindow() != nullptr; }, 2000, "the hint"));
    HWND hint = Application->HintWindow();
    EXPECT_EQ(WindowTextW(hint), kMixed);
    UpdateWindow(hint);
    ExpectWindowMatchesGolden(hint, "unicode/wide_hint.png");
    Application->CancelHint();
    Application->HintPause = 500;
    form->Free();
}

}  // namespace
