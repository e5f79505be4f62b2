// Unicode labels, buttons, images and the wide clipboard on the headless screen.
#include "unicode/unistdctrls.h"

#include "platform/classlib/formload.h"
#include "platform/classlib/formwrite.h"
#include "platform/win/winscreen.h"
#include "unicode/uniactnlist.h"
#include "uni_test_env.h"
#include "unicode/uniforms.h"
#include "unicode/unimenus.h"

#include <gtest/gtest.h>

#include <climits>
#include <typeinfo>

namespace {

// Where each colour was drawn in a picture of the label.
struct Ink {
    int count = 0, minX = INT_MAX, minY = INT_MAX;
};
std::map<COLORREF, Ink> InkOf(TUniLabel* label) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, label->Width() + 2, label->Height() + 2);
    HGDIOBJ old = SelectObject(dc, bmp);
    label->PaintTo(dc);
    std::map<COLORREF, Ink> ink;
    for (int y = 0; y < label->Height(); ++y)
        for (int x = 0; x < label->Width(); ++x) {
            Ink& i = ink[GetPixel(dc, x, y)];
            ++i.count;
            i.minX = std::min(i.minX, x);
            i.minY = std::min(i.minY, y);
        }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return ink;
}

class UniStdCtrls : public testing::Test {
protected:
    void SetUp() override {
        Form = new TUniForm(Application);
        Form->SetBounds(0, 0, 400, 200);
    }
    void TearDown() override { Form->Free(); }
    TUniLabel* Label(const WideString& caption) {
        auto* l = new TUniLabel(Form);
        l->SetParent(Form);
        l->SetColor(clBtnFace);
        l->Font().SetColor(clBlack);
        l->SetCaption(caption);
        return l;
    }
    TUniForm* Form = nullptr;
};

TEST_F(UniStdCtrls, ADisabledLabelDrawsItsTextTwiceInTheButtonColours) {
    const COLORREF black = 0, light = ColorToCOLORREF(clBtnHighlight), dark = ColorToCOLORREF(clBtnShadow);
    auto* l = Label(u"M" + kMixed);
    EXPECT_EQ(l->Caption(), u"M" + kMixed);
    EXPECT_EQ(l->TControl::Caption(), WideToUtf8(u"M" + kMixed));
    auto enabled = InkOf(l);
    EXPECT_GT(enabled[black].count, 0);
    EXPECT_EQ(enabled[light].count, 0);
    EXPECT_EQ(enabled[dark].count, 0);
    l->SetEnabled(false);
    auto disabled = InkOf(l);
    EXPECT_EQ(disabled[black].count, 0);
    ASSERT_GT(disabled[light].count, 0);
    ASSERT_GT(disabled[dark].count, 0);
    // The light copy lies one pixel right of and below the dark one.
    EXPECT_EQ(disabled[light].minX, disabled[dark].minX + 1);
    EXPECT_EQ(disabled[dark].minX, enabled[black].minX);
}

TEST_F(UniStdCtrls, MeasuringKeepsALineForEmptyCaptionsAndDrawsAmpersandsWhenAsked) {
    auto* x = Label(u"x");
    auto* empty = Label(u"");
    EXPECT_GT(empty->Height(), 0);
    EXPECT_EQ(empty->Height(), x->Height());
    auto* amp = Label(u"&x");
    const int withAccel = amp->Width();
    amp->ShowAccelChar = false;
    amp->SetCaption(u"&y");
    amp->SetCaption(u"&x");  // measured again with the sign drawn
    EXPECT_GT(amp->Width(), withAccel);
    EXPECT_EQ(withAccel, x->Width());
}

TEST_F(UniStdCtrls, AButtonsWindowCarriesItsWideCaptionAcrossRecreation) {
    auto* b = new TUniButton(Form);
    b->SetParent(Form);
    b->SetBounds(8, 40, 200, 28);
    b->SetCaption(kMixed);
    b->SetHint(kGreek);
    Form->SetCaption(kJapanese);
    Form->Show();
    ASSERT_TRUE(b->HandleAllocated());
    EXPECT_TRUE(IsWindowUnicode(b->Handle()));
    EXPECT_EQ(WindowTextW(b->Handle()), kMixed);
    EXPECT_EQ(WindowTextW(Form->Handle()), kJapanese);
    EXPECT_EQ(b->TControl::Caption(), WideToUtf8(kMixed));
    b->RecreateWnd();
    EXPECT_EQ(WindowTextW(b->Handle()), kMixed);
    EXPECT_EQ(b->Hint(), kGreek);
}

TEST_F(UniStdCtrls, TextExtents) {
    TCanvas& c = Form->Canvas();
    Form->Show();
    EXPECT_EQ(WideTextWidth(c, u""), 0);
    EXPECT_GT(WideTextWidth(c, u"ab"), WideTextWidth(c, u"a"));
    EXPECT_GT(WideTextHeight(c, kJapanese), 0);
}

TEST_F(UniStdCtrls, LinkedControlsShowTheActionsWideTexts) {
    auto* uni = new TUniAction(Form);
    uni->SetCaption(kMixed);
    uni->SetHint(kGreek);
    EXPECT_EQ(uni->TAction::Caption(), WideToUtf8(kMixed));
    auto* plain = new TAction(Form);
    plain->SetCaption(WideToUtf8(kJapanese));
    auto* b = new TUniButton(Form);
    b->SetName("btnLinked");
    b->SetParent(Form);
    Form->Show();
    b->SetAction(uni);
    EXPECT_EQ(WindowTextW(b->Handle()), kMixed);
    EXPECT_EQ(b->Hint(), kGreek);
    uni->SetCaption(kEmoji);  // a change reaches the linked button
    EXPECT_EQ(WindowTextW(b->Handle()), kEmoji);
    b->SetAction(plain);  // an ordinary action's UTF-8 caption, converted
    EXPECT_EQ(b->Caption(), kJapanese);

    // Under check defaults only a caption that is empty or the Name is taken over.
    struct Case {
        WideString caption;
        WideString expected;
    } cases[] = {{u"lblCheck", kEmoji}, {u"", kEmoji}, {u"mine", u"mine"}};
    for (const auto& c : cases) {
        auto* l = new TUniLabel(Form);
        l->SetName("lblCheck");
        l->SetCaption(c.caption);
        ApplyActionWideTexts(l, uni, true);
        EXPECT_EQ(l->Caption(), c.expected) << WideToUtf8(c.caption);
        l->Free();
    }
    EXPECT_EQ(GetActionHelper(plain), nullptr);
    EXPECT_THROW(GetActionHelper(nullptr), EUniInternalError);
}

// The Unicode link of each control kind stands in for the library's link of
// that kind; a link for another kind fails the assertion.
TEST_F(UniStdCtrls, EachControlKindGetsItsUnicodeActionLink) {
    struct Case {
        TControl* library;  // a control of the kind, as the library makes it
        const std::type_info& link;
    } cases[] = {{new TListView(Form), typeid(TUniListViewActionLink)},
                 {new TSpeedButton(Form), typeid(TUniSpeedButtonActionLink)},
                 {new TToolButton(Form), typeid(TUniToolButtonActionLink)},
                 {new TButton(Form), typeid(TUniButtonActionLink)},
                 {new TPanel(Form), typeid(TUniWinControlActionLink)},
                 {new TLabel(Form), typeid(TUniControlActionLink)}};
    for (const Case& c : cases) {
        auto link = UniActionLinkFor(c.library, *c.library->ActionLink());
        EXPECT_EQ(typeid(*link), c.link) << c.link.name();
    }
    TButton button(nullptr);
    TControlActionLink other(&button);
    EXPECT_THROW(UniActionLinkFor(&button, other), EUniInternalError);
    // The layer's own controls and menu items use them.
    auto* b = new TUniButton(Form);
    auto* l = new TUniLabel(Form);
    auto* i = new TUniImage(Form);
    auto* m = new TUniMenuItem(Form);
    EXPECT_EQ(typeid(*b->ActionLink()), typeid(TUniButtonActionLink));
    EXPECT_EQ(typeid(*l->ActionLink()), typeid(TUniControlActionLink));
    EXPECT_EQ(typeid(*i->ActionLink()), typeid(TUniControlActionLink));
    EXPECT_EQ(typeid(*m->ActionLink()), typeid(TUniMenuActionLink));
    m->Free();
}

// A change of a Unicode action's caption and hint reaches a linked button,
// label and menu item through their links as wide text.
TEST_F(UniStdCtrls, ActionChangesReachEveryKindOfLinkedClient) {
    const WideString first = kJapanese, second = kEmoji + u" " + kGreek;
    auto* uni = new TUniAction(Form);
    uni->SetCaption(first);
    uni->SetHint(first);
    auto* b = new TUniButton(Form);
    b->SetParent(Form);
    auto* l = Label(u"");
    auto* menu = new TPopupMenu(Form);
    auto* item = new TUniMenuItem(Form);
    menu->Items()->Add(item);
    Form->Show();
    b->SetAction(uni);
    l->SetAction(uni);
    item->SetAction(uni);
    uni->SetCaption(second);
    uni->SetHint(second);
    EXPECT_EQ(b->Caption(), second);
    EXPECT_EQ(l->Caption(), second);
    EXPECT_EQ(item->Caption(), second);
    EXPECT_EQ(b->Hint(), second);
    EXPECT_EQ(l->Hint(), second);
    EXPECT_EQ(item->Hint(), second);
}

TEST_F(UniStdCtrls, AssigningCopiesTheWideTexts) {
    auto* from = new TUniAction(Form);
    from->SetCaption(kJapanese);
    from->SetHint(kEmoji);
    from->SetEnabled(false);
    auto* to = new TUniAction(Form);
    to->Assign(from);
    EXPECT_EQ(to->Caption(), kJapanese);
    EXPECT_EQ(to->Hint(), kEmoji);
    EXPECT_FALSE(to->Enabled());
    auto* l = Label(kGreek);
    to->Assign(l);
    EXPECT_EQ(to->Caption(), kGreek);
}

// A button that answers the hint question itself.
class THintAskingButton : public TUniButton {
public:
    using TUniButton::TUniButton;
    bool Refuse = false;
    void WndProc(TMessage& M) override {
        if (M.Msg == CM_HINTSHOW && Refuse) {
            M.Result = 1;
            return;
        }
        TUniButton::WndProc(M);
    }
};

TEST_F(UniStdCtrls, HintsOfUnicodeControlsShowTheirShortWideHint) {
    auto* b = new THintAskingButton(Form);
    b->SetParent(Form);
    b->SetBounds(8, 8, 150, 28);
    b->SetHint(kGreek + u"|" + kJapanese);
    b->ShowHint = true;
    b->ParentShowHint = false;
    auto* l = Label(u"label");
    l->SetBounds(8, 60, 150, 20);
    l->SetHint(kEmoji + u" " + kJapanese);
    l->ShowHint = true;
    l->ParentShowHint = false;
    auto* plain = new TPanel(Form);  // a library control: its hint stays the library's
    plain->SetParent(Form);
    plain->SetBounds(200, 60, 100, 30);
    plain->Hint = "plain";
    plain->ShowHint = true;
    plain->ParentShowHint = false;
    Form->Show();
    TestHooks::PumpPending();
    Application->HintPause = 30;
    const TClassInfo* wide = &TUniCustomHintWindow::StaticClassInfo();
    struct Case {
        TControl* control;
        bool refuse;
        WideString shown;
        const TClassInfo* window;
    } cases[] = {{b, false, kGreek, wide},
                 {plain, false, u"plain", &THintWindow::StaticClassInfo()},
                 {l, false, kEmoji + u" " + kJapanese, wide},
                 {b, true, u"", nullptr}};
    for (const auto& c : cases) {
        b->Refuse = c.refuse;
        WinHeadlessScreen()->MouseMove(POINT{390, 190});
        TestHooks::PumpUntil([] { return Application->HintWindow() == nullptr; }, 2000, "no hint");
        WinHeadlessScreen()->MouseMove(TestHooks::ControlCenter(c.control));
        const bool shown = static_cast<bool>(
            TestHooks::PumpUntil([] { return Application->HintWindow() != nullptr; }, c.refuse ? 300 : 2000, "the hint"));
        EXPECT_EQ(shown, !c.refuse);
        if (!shown) continue;
        EXPECT_EQ(Application->HintText(), WideToUtf8(c.shown));
        EXPECT_EQ(Application->HintWindowControl()->ClassInfo(), c.window);
        EXPECT_EQ(WindowTextW(Application->HintWindow()), c.shown);
        EXPECT_EQ(IsUnicodeControlSubclassed(Application->HintWindowControl()), c.window == wide);
    }
    EXPECT_EQ(Application->Hint(), WideToUtf8(kJapanese));  // the long part, told by the library
    Application->HintPause = 500;
}

TEST(UniClipboard, WideTextReadsBackAsUtf16AndAsUtf8) {
    ASSERT_TRUE(GetUniClipboard().SetAsWideText(kMixed));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE w = GetClipboardData(CF_UNICODETEXT);
    HANDLE a = GetClipboardData(CF_TEXT);
    ASSERT_NE(w, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(WideString(static_cast<const char16_t*>(WinGlobalLock(w))), kMixed);
    EXPECT_EQ(WinGlobalSize(w), 2 * kMixed.size() + 2);
    EXPECT_EQ(std::string(static_cast<const char*>(WinGlobalLock(a))), WideToUtf8(kMixed));
    CloseClipboard();
    EXPECT_EQ(GetUniClipboard().AsWideText(), kMixed);
}

TEST(UniFormFile, AFormOfUnicodeControlsIsWrittenAndReadBackEqual) {
    RegisterClasses({&TUniForm::StaticClassInfo(), &TUniLabel::StaticClassInfo(), &TUniButton::StaticClassInfo(),
                     &TUniImage::StaticClassInfo(), &TUniAction::StaticClassInfo()});
    auto* f = new TUniForm(Application);
    f->SetName("frmWide");
    f->SetCaption(kJapanese);
    auto* l = new TUniLabel(f);
    l->SetName("lblWide");
    l->SetParent(f);
    l->SetCaption(kGreek);
    l->SetHint(kEmoji);
    auto* b = new TUniButton(f);
    b->SetName("btnWide");
    b->SetParent(f);
    b->SetCaption(kMixed);
    auto* i = new TUniImage(f);
    i->SetName("imgWide");
    i->SetParent(f);
    i->SetHint(kGreek + u"|" + kJapanese);
    auto* plain = new TUniLabel(f);
    plain->SetName("lblPlain");
    plain->SetParent(f);
    plain->SetCaption(u"ascii");
    auto* act = new TUniAction(f);
    act->SetName("actWide");
    act->SetCaption(kEmoji + kGreek);
    const std::string text = WriteFormText(f);
    f->Free();
    EXPECT_EQ(text.find("'ascii'"), text.rfind("'ascii'")) << text;  // no UTF-7 copy of ASCII text

    auto* g = new TUniForm(Application);
    ReadFormText(g, text, "frmWide.dfm");
    EXPECT_EQ(g->Caption(), kJapanese);
    auto* l2 = g->Find<TUniLabel>("lblWide");
    auto* b2 = g->Find<TUniButton>("btnWide");
    auto* i2 = g->Find<TUniImage>("imgWide");
    ASSERT_TRUE(l2 && b2 && i2) << text;
    EXPECT_EQ(l2->Caption(), kGreek);
    EXPECT_EQ(l2->Hint(), kEmoji);
    EXPECT_EQ(l2->Parent(), g);
    EXPECT_EQ(b2->Caption(), kMixed);
    EXPECT_EQ(i2->Hint(), kGreek + u"|" + kJapanese);
    ASSERT_NE(g->Find<TUniAction>("actWide"), nullptr);
    EXPECT_EQ(g->Find<TUniAction>("actWide")->Caption(), kEmoji + kGreek);
    g->Free();
}

}  // namespace
