// Unicode menu items, wide shortcut texts, hot keys and the accelerators of
// Unicode labels and buttons.
#include "unicode/unimenus.h"

#include "platform/classlib/formload.h"
#include "platform/classlib/formwrite.h"
#include "platform/commctl/commctrl.h"
#include "unicode/uniactnlist.h"
#include "uni_test_env.h"
#include "unicode/uniforms.h"
#include "unicode/unistdctrls.h"

#include <gtest/gtest.h>

namespace {

TEST(WideHotKeys, PositionsCharactersAndStripping) {
    struct Case {
        WideString caption;
        int pos;
        WideString hot;
    } cases[] = {
        {u"Save &As", 7, u"A"},
        {u"Fish && Chips", 0, u""},
        {u"&File &Edit", 8, u"E"},
        {u"ends&", 0, u""},
        {u"&\u03BB" + kGreek, 2, u"\u03BB"},
        {kJapanese + u"(&J)", 6, u"J"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideHotKeyPos(c.caption), c.pos) << WideToUtf8(c.caption);
        EXPECT_EQ(WideHotKeyChar(c.caption), c.hot) << WideToUtf8(c.caption);
    }
    const bool saved = FarEastSystemLocale();
    FarEastSystemLocale() = true;
    EXPECT_EQ(WideStripHotKey(u"File(&F)"), u"File");
    EXPECT_EQ(WideStripHotKey(kJapanese + u"(&J)"), kJapanese);
    FarEastSystemLocale() = false;
    EXPECT_EQ(WideStripHotKey(u"File(&F)"), u"File(F)");
    FarEastSystemLocale() = saved;
    EXPECT_EQ(WideStripHotKey(u"Fish && &Chips"), u"Fish & Chips");
    EXPECT_TRUE(WideSameCaption(u"&open", u"OP&EN"));
    EXPECT_FALSE(WideSameCaptionStr(u"&open", u"OP&EN"));
    EXPECT_TRUE(IsWideAccelChar(0x039B, u"&\u03BBx"));  // capital lambda matches small lambda
    EXPECT_TRUE(IsWideAccelChar('a', u"S&ave"));
    EXPECT_FALSE(IsWideAccelChar('s', u"S&ave"));
}

TEST(WideShortCuts, ModifiersInOrderAndTheFixedKeysFromTheLibrary) {
    EXPECT_EQ(ShortCutToWideText(ShortCut('A', true, true, false)), u"Shift+Ctrl+A");
    EXPECT_EQ(ShortCutToWideText(ShortCut('7', false, true, true)), u"Ctrl+Alt+7");
    for (WORD key : {WORD(0x74), WORD(0x2E), WORD(0x0D), WORD(0x26)}) {
        const TShortCut sc = ShortCut(key, false, true, false);
        EXPECT_EQ(ShortCutToWideText(sc), Utf8ToWide(ShortCutToText(sc))) << key;
    }
    EXPECT_EQ(ShortCutToWideText(ShortCut(0x74, false, false, false)), u"F5");
}

class UniMenus : public testing::Test {
protected:
    void SetUp() override {
        Form = new TUniForm(Application);
        Form->SetBounds(0, 0, 400, 300);
    }
    void TearDown() override { Form->Free(); }
    TUniForm* Form = nullptr;
};

WideString MenuText(HMENU menu, UINT command) {
    char16_t buf[256] = {};
    const int n = GetMenuStringW(menu, command, buf, 256, MF_BYCOMMAND);
    return WideString(buf, static_cast<size_t>(n > 0 ? n : 0));
}

TEST_F(UniMenus, WideCaptionsReachThePlatformMenuWithWideShortcuts) {
    auto* menu = new TMainMenu(Form);
    auto* top = new TUniMenuItem(Form);
    top->SetCaption(kJapanese + u"(&F)");
    menu->Items()->Add(top);
    auto* greek = new TUniMenuItem(Form);
    greek->SetCaption(u"&" + kGreek);
    greek->SetShortCut(ShortCut('A', true, true, false));
    top->Add(greek);
    auto* emoji = new TUniMenuItem(Form);
    emoji->SetCaption(kEmoji + u" &x");
    emoji->SetHint(kGreek + u"|" + kJapanese);
    top->Add(emoji);
    Form->SetMenu(menu);
    Form->Show();
    greek->UpdateMenuString();
    EXPECT_EQ(MenuText(menu->Handle(), top->Command()), kJapanese + u"(&F)");
    EXPECT_EQ(MenuText(top->Handle(), greek->Command()), u"&" + kGreek + u"\tShift+Ctrl+A");
    EXPECT_EQ(MenuText(top->Handle(), emoji->Command()), kEmoji + u" &x");
    EXPECT_EQ(GetMenuItemWideHint(emoji), kGreek + u"|" + kJapanese);
    greek->SetCaption(kEmoji);
    EXPECT_EQ(MenuText(top->Handle(), greek->Command()), kEmoji + u"\tShift+Ctrl+A");
}

TEST_F(UniMenus, ASelectedItemsLongWideHintBecomesTheApplicationHint) {
    auto* menu = new TMainMenu(Form);
    auto* top = new TUniMenuItem(Form);
    top->SetCaption(u"&File");
    top->SetHint(u"short|" + kEmoji);
    menu->Items()->Add(top);
    auto* sub = new TUniMenuItem(Form);
    sub->SetCaption(u"&" + kGreek);
    sub->SetHint(kGreek + u"|" + kJapanese);
    top->Add(sub);
    Form->SetMenu(menu);
    Form->Show();
    HWND h = Form->Handle();
    SendMessageW(h, WM_MENUSELECT, MAKEWPARAM(sub->Command(), MF_HILITE), reinterpret_cast<LPARAM>(top->Handle()));
    EXPECT_EQ(UniApplication->Hint(), kJapanese);
    SendMessageW(h, WM_MENUSELECT, MAKEWPARAM(0, MF_HILITE | MF_POPUP), reinterpret_cast<LPARAM>(menu->Handle()));
    EXPECT_EQ(UniApplication->Hint(), kEmoji);
    SendMessageW(h, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);  // the menu closes
    EXPECT_EQ(UniApplication->Hint(), u"");
}

// The layer's popup list is made at start-up without being made active; when
// a caller routes a popup's messages to it, it turns selections into wide
// hints, puts the library's list back on entering a menu loop and refreshes
// the first item of each popup, and the library's list runs chosen items.
TEST_F(UniMenus, ThePopupListStaysInactiveAndServesWhenMessagesReachIt) {
    ASSERT_NE(UniPopupList, nullptr);
    EXPECT_EQ(PopupList, &LibraryPopupList());
    EXPECT_EQ(UniPopupList->Remembered(), &LibraryPopupList());
    auto* popup = new TPopupMenu(Form);
    auto* first = new TUniMenuItem(Form);
    first->SetCaption(u"&" + kJapanese);
    first->SetHint(u"short|" + kGreek);
    popup->Items()->Add(first);
    auto* more = new TUniMenuItem(Form);
    more->SetCaption(kEmoji);
    more->SetHint(kEmoji + u"|" + kJapanese);
    popup->Items()->Add(more);
    int clicks = 0;
    first->OnClick = [&](TObject*) { ++clicks; };
    HMENU h = popup->Handle();
    struct Case {
        WPARAM wParam;
        LPARAM lParam;
        WideString hint;
    } cases[] = {{MAKEWPARAM(first->Command(), MF_HILITE), reinterpret_cast<LPARAM>(h), kGreek},
                 {MAKEWPARAM(more->Command(), MF_HILITE), reinterpret_cast<LPARAM>(h), kJapanese},
                 {MAKEWPARAM(0, 0xFFFF), 0, u""}};
    for (const Case& c : cases) {
        TMessage m{WM_MENUSELECT, c.wParam, c.lParam, 0};
        UniPopupList->WndProc(m);
        EXPECT_EQ(UniApplication->Hint(), c.hint);
    }
    // Made active by someone: entering a menu loop puts the library's list back
    // and writes the first item's wide caption again.
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_TYPE;
    mi.fType = MFT_STRING;
    char16_t other[] = u"other";
    mi.dwTypeData = other;
    ASSERT_TRUE(SetMenuItemInfoW(h, first->Command(), FALSE, &mi));
    PopupList = UniPopupList;
    TMessage enter{WM_ENTERMENULOOP, TRUE, 0, 0};
    UniPopupList->WndProc(enter);
    EXPECT_EQ(PopupList, &LibraryPopupList());
    EXPECT_EQ(MenuText(h, first->Command()), u"&" + kJapanese);
    TMessage command{WM_COMMAND, first->Command(), 0, 0};
    UniPopupList->WndProc(command);
    EXPECT_EQ(clicks, 1);
    popup->Free();
    for (int i = 0; i < LibraryPopupList().Count(); ++i) EXPECT_NE(LibraryPopupList().Items(i), popup);
}

TEST_F(UniMenus, AUnicodeActionGivesItsWideTextsToLinkedItems) {
    auto* menu = new TMainMenu(Form);
    auto* top = new TUniMenuItem(Form);
    top->SetCaption(u"&File");
    menu->Items()->Add(top);
    auto* item = new TUniMenuItem(Form);
    top->Add(item);
    auto* action = new TUniAction(Form);
    action->SetCaption(u"&" + kGreek);
    action->SetHint(kJapanese);
    action->SetShortCut(ShortCut('A', true, true, false));
    Form->SetMenu(menu);
    Form->Show();
    item->SetAction(action);
    EXPECT_EQ(item->Caption(), u"&" + kGreek);
    EXPECT_EQ(item->Hint(), kJapanese);
    action->SetCaption(kEmoji);
    EXPECT_EQ(item->Caption(), kEmoji);
    EXPECT_EQ(MenuText(top->Handle(), item->Command()), kEmoji + u"\tShift+Ctrl+A");
}

TEST_F(UniMenus, TheWideCaptionFollowsAHotKeyTheLibraryMoved) {
    auto* item = new TUniMenuItem(Form);
    item->SetCaption(u"&" + kGreek);
    item->TMenuItem::SetCaption(WideToUtf8(kGreek.substr(0, 1) + u"&" + kGreek.substr(1)));
    EXPECT_EQ(item->Caption(), kGreek.substr(0, 1) + u"&" + kGreek.substr(1));
    item->TMenuItem::SetCaption("other");  // a new text, not a moved sign
    EXPECT_EQ(item->Caption(), u"other");
}

TEST_F(UniMenus, MenuItemsAreWrittenAndReadBack) {
    RegisterClasses({&TUniForm::StaticClassInfo(), &TUniMenuItem::StaticClassInfo()});
    auto* menu = new TMainMenu(Form);
    menu->SetName("mnuMain");
    auto* top = new TUniMenuItem(Form);
    top->SetName("mniTop");
    top->SetCaption(kJapanese + u"(&F)");
    menu->Items()->Add(top);
    auto* sub = new TUniMenuItem(Form);
    sub->SetName("mniSub");
    sub->SetCaption(kEmoji + kGreek);
    top->Add(sub);
    Form->SetName("frmMenus");
    const std::string text = WriteFormText(Form);
    auto* g = new TUniForm(Application);
    ReadFormText(g, text, "frmMenus.dfm");
    ASSERT_NE(g->Find<TUniMenuItem>("mniSub"), nullptr) << text;
    EXPECT_EQ(g->Find<TUniMenuItem>("mniTop")->Caption(), kJapanese + u"(&F)");
    EXPECT_EQ(g->Find<TUniMenuItem>("mniSub")->Caption(), kEmoji + kGreek);
    EXPECT_EQ(g->Find<TUniMenuItem>("mniSub")->Parent(), g->Find<TUniMenuItem>("mniTop"));
    g->Free();
}

TEST_F(UniMenus, AltWithAHotKeyClicksTheButtonAndFocusesTheLabelsControl) {
    auto* edit = new TEdit(Form);
    edit->SetParent(Form);
    edit->SetBounds(8, 8, 100, 24);
    auto* other = new TEdit(Form);
    other->SetParent(Form);
    other->SetBounds(8, 40, 100, 24);
    auto* label = new TUniLabel(Form);
    label->SetParent(Form);
    label->SetCaption(kJapanese + u"(&J)");
    label->FocusControl = edit;
    auto* button = new TUniButton(Form);
    button->SetParent(Form);
    button->SetBounds(8, 80, 120, 28);
    button->SetCaption(u"&" + kGreek);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    Form->Show();
    other->SetFocus();
    SendMessageW(other->Handle(), WM_SYSCHAR, 0x03B5, 0);  // Alt+epsilon: the button's hot key
    EXPECT_EQ(clicks, 1);
    SendMessageW(other->Handle(), WM_SYSCHAR, u'j', 0);
    EXPECT_TRUE(edit->Focused());
    SendMessageW(edit->Handle(), WM_SYSCHAR, u'q', 0);  // nobody's key
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(edit->Focused());
}

}  // namespace
