// Published properties by name, class tests by name, the tab controls' class
// chain and the control notices (CM_) the library sends.
#include <gtest/gtest.h>

#include "platform/classlib/buttons.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/toolbar.h"
#include "platform/commctl/commctrl.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// A class the library lacks, registered the way a test or a program would.
class TBitBtn : public TButton {
    TESSARO_CLASSINFO
public:
    explicit TBitBtn(TComponent* AOwner) : TButton(AOwner) {}
    int Margin = -1;
};
TClassInfo& TBitBtn::StaticClassInfo() {
    static TClassInfo CI("TBitBtn", &TButton::StaticClassInfo(), CreateComponentOf<TBitBtn>, [](TClassInfo& C) {
        C.PublishInteger<TBitBtn>("Margin", [](TBitBtn& O) -> int64_t { return O.Margin; },
                                  [](TBitBtn& O, int64_t V) { O.Margin = static_cast<int>(V); });
    });
    return CI;
}
// A form class of the program: no table of its own.
class TfrmPlain : public TForm {
public:
    using TForm::TForm;
};

std::string Text(TComponent& O, const char* Name) {
    const TPropInfo* P = GetPropInfo(&O, Name);
    if (!P) return "<none>";
    switch (P->Kind) {
        case tkInteger: return "int " + std::to_string(GetOrdProp(O, *P));
        case tkEnumeration: return "enum " + GetEnumProp(O, *P);
        case tkString:
        case tkWString: return "str " + GetStrProp(O, *P);
        case tkClass: return GetObjectProp(O, *P) ? "object" : "nil";
        case tkUnknown: return "form only";
    }
    return "?";
}

// A property "Level" whose form-file setter and typed accessors are given in
// either order, or split between a class and its ancestor: the form file sets
// the value times Scale, the reader gives it plus Bias.
class TLevels : public TComponent {
    TESSARO_CLASSINFO
public:
    using TComponent::TComponent;
    int64_t Level = 0;
};
template <int Scale>
void FormLevel(TClassInfo& C) {
    C.Define<TLevels>("Level", std::function<void(TLevels&, const TFormValue&, TFormReader&)>(
                                   [](TLevels& O, const TFormValue& V, TFormReader& R) { O.Level = R.Int(V) * Scale; }));
}
template <int Bias>
void TypedLevel(TClassInfo& C) {
    C.PublishInteger<TLevels>("level", [](TLevels& O) { return O.Level + Bias; },
                              [](TLevels& O, int64_t V) { O.Level = V - Bias; });
}
TClassInfo& TLevels::StaticClassInfo() {
    static TClassInfo CI("TLevels", &TComponent::StaticClassInfo(), CreateComponentOf<TLevels>, [](TClassInfo& C) {
        TypedLevel<0>(C);
        FormLevel<10>(C);
    });
    return CI;
}
#define LEVEL_CLASS(Name, Parent, Fill)                                                                   \
    class Name : public Parent {                                                                          \
        TESSARO_CLASSINFO                                                                                 \
    public:                                                                                               \
        using Parent::Parent;                                                                             \
    };                                                                                                    \
    TClassInfo& Name::StaticClassInfo() {                                                                 \
        static TClassInfo CI(#Name, &Parent::StaticClassInfo(), CreateComponentOf<Name>, Fill);           \
        return CI;                                                                                        \
    }
LEVEL_CLASS(TFormFirst, TLevels, [](TClassInfo& C) {
    FormLevel<10>(C);
    TypedLevel<0>(C);
})
LEVEL_CLASS(TFormOnlyChild, TLevels, FormLevel<100>)
LEVEL_CLASS(TTypedOnlyChild, TLevels, TypedLevel<1>)
#undef LEVEL_CLASS

TEST(PublishedProperties, FormFilesAndTypedAccessShareOneEntryAlongTheChain) {
    struct Case {
        const char* what;
        TComponent* (*make)();
        int64_t stored, read;  // after a form file's 3, then what the reader gives
    } Cases[] = {
        {"accessors first, then the form-file setter", [] { return static_cast<TComponent*>(new TLevels(nullptr)); },
         30, 30},
        {"form-file setter first", [] { return static_cast<TComponent*>(new TFormFirst(nullptr)); }, 30, 30},
        {"a subclass with its own form-file setter keeps the inherited reader",
         [] { return static_cast<TComponent*>(new TFormOnlyChild(nullptr)); }, 300, 300},
        {"a subclass with its own reader keeps the inherited form-file setter",
         [] { return static_cast<TComponent*>(new TTypedOnlyChild(nullptr)); }, 30, 31},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TComponent* O = C.make();
        TFormValue V;
        V.kind = TFormValue::vaInt;
        V.Int = 3;
        ASSERT_TRUE(SetPropValue(O, "LEVEL", V));
        EXPECT_EQ(static_cast<TLevels*>(O)->Level, C.stored);
        const TPropInfo* P = GetPropInfo(O, "Level");
        ASSERT_NE(P, nullptr);
        EXPECT_EQ(P->Kind, tkInteger);
        EXPECT_EQ(GetOrdProp(*O, *P), C.read);
        // Text goes through the typed writer, not the form-file setter.
        ASSERT_TRUE(SetPropFromText(*O, *P, "5"));
        EXPECT_EQ(GetOrdProp(*O, *P), 5);
        O->Free();
    }
}

TEST(PublishedProperties, EachClassReadsItsPropertiesByNameAndLacksTheOthers) {
    auto* F = new TForm(Application);
    auto* B = new TButton(F);
    B->SetCaption("Go");
    B->SetDefault(true);
    auto* Chk = new TCheckBox(F);
    Chk->SetState(cbGrayed);
    auto* E = new TEdit(F);
    E->BorderStyle = bsNoBorder;
    auto* P = new TPanel(F);
    auto* Sb = new TSpeedButton(F);
    Sb->Layout = blGlyphTop;
    Sb->GroupIndex = 1;  // only a grouped speed button stays down
    Sb->SetDown(true);
    auto* St = new TStatusBar(F);
    St->SetSimpleText("ready");
    auto* Pc = new TPageControl(F);
    Pc->SetTabPosition(tpRight);
    auto* Bb = new TBitBtn(F);
    Bb->Margin = 7;
    struct Case {
        TComponent* Obj;
        const char* Name;
        std::string Want;
    } Cases[] = {
        {B, "caption", "str Go"},
        {B, "Default", "enum True"},
        {B, "Enabled", "enum True"},  // from TControl
        {B, "Color", "int " + std::to_string(B->Color())},
        {B, "Font", "object"},
        {B, "State", "<none>"},
        {B, "NoSuchThing", "<none>"},
        {Chk, "State", "enum cbGrayed"},
        {Chk, "Checked", "enum False"},
        {Chk, "Alignment", "enum taRightJustify"},
        {E, "BorderStyle", "enum bsNone"},
        {E, "Caption", "<none>"},  // an edit shows Text, not a caption
        {P, "ParentBackground", "enum True"},
        {P, "Alignment", "enum taCenter"},
        {Sb, "Layout", "enum blGlyphTop"},
        {Sb, "Down", "enum True"},
        {Sb, "Glyph", "object"},
        {Sb, "NumGlyphs", "int 1"},
        {Sb, "ParentBackground", "<none>"},  // a graphic control has no window
        {St, "SimpleText", "str ready"},
        {Pc, "TabPosition", "enum tpRight"},
        {Bb, "Margin", "int 7"},
        {Bb, "Default", "enum False"},  // inherited from TButton's table
        {F, "BorderStyle", "enum bsSizeable"},
        {F, "AutoScroll", "<none>"},  // forms do not scroll here
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Obj->ClassName() + "." + C.Name);
        EXPECT_EQ(Text(*C.Obj, C.Name), C.Want);
    }
    // The object property is the control's own font; no property on non-components.
    EXPECT_EQ(GetObjectProp(*B, *GetPropInfo(B, "Font")), &B->Font());
    TFont Font;
    EXPECT_EQ(GetPropInfo(&Font, "Color"), nullptr);
    EXPECT_EQ(GetPropInfo(nullptr, "Color"), nullptr);
    // Wide reading of a string property.
    B->SetCaption("Ünï");
    EXPECT_EQ(GetWideStrProp(*B, *GetPropInfo(B, "Caption")), u"Ünï");
    F->Free();
}

TEST(PublishedProperties, SettingFromTextConvertsByKindAndRefusesWhatItCannot) {
    auto* F = new TForm(Application);
    auto* B = new TButton(F);
    auto* Chk = new TCheckBox(F);
    auto* P = new TPanel(F);
    auto* Bb = new TBitBtn(F);
    auto* Sb = new TSpeedButton(F);
    auto Set = [](TComponent* O, const char* Name, const std::string& V) {
        return SetPropFromText(*O, *GetPropInfo(O, Name), V);
    };
    EXPECT_TRUE(Set(Chk, "State", "cbchecked"));  // value names are case-blind
    EXPECT_EQ(Chk->State(), cbChecked);
    EXPECT_TRUE(Set(P, "ParentBackground", "False"));
    EXPECT_FALSE(P->ParentBackground);
    EXPECT_TRUE(Set(B, "Caption", "Later"));
    EXPECT_EQ(B->Caption(), "Later");
    EXPECT_TRUE(Set(Bb, "Margin", "-3"));
    EXPECT_EQ(Bb->Margin, -3);
    EXPECT_TRUE(Set(B, "Color", "255"));
    EXPECT_EQ(B->Color(), 255);
    EXPECT_THROW(Set(Bb, "Margin", "wide"), EConvertError);
    EXPECT_EQ(Bb->Margin, -3);
    EXPECT_THROW(Set(Chk, "State", "cbMaybe"), EConvertError);
    EXPECT_EQ(Chk->State(), cbChecked);
    // Read-only and object properties are left alone.
    EXPECT_FALSE(Set(Sb, "NumGlyphs", "2"));
    EXPECT_EQ(Sb->NumGlyphs, 1);
    EXPECT_FALSE(Set(B, "Font", "Arial"));
    F->Free();
}

TEST(ClassTests, NamesAreMatchedAlongTheClassTableChain) {
    auto* F = new TfrmPlain(Application);
    auto* Bb = new TBitBtn(F);
    auto* Pc = new TPageControl(F);
    auto* Sh = new TTabSheet(F);
    struct Case {
        TComponent* Obj;
        const char* Name;
        bool Want;
    } Cases[] = {
        {Bb, "TBitBtn", true},         {Bb, "tbutton", true},          {Bb, "TButtonControl", true},
        {Bb, "TWinControl", true},     {Bb, "TCustomCheckBox", false}, {Pc, "TCustomTabControl", true},
        {Pc, "TPageControl", true},    {Sh, "TCustomTabControl", false}, {Sh, "TCustomControl", true},
        {F, "TForm", true},            {F, "TfrmPlain", false},        {F, "TCustomForm", true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.Obj->ClassName()) + " is " + C.Name);
        EXPECT_EQ(ObjectInheritsFrom(C.Obj, C.Name), C.Want);
    }
    EXPECT_FALSE(ObjectInheritsFrom(nullptr, "TObject"));
    EXPECT_NE(dynamic_cast<TCustomTabControl*>(static_cast<TWinControl*>(Pc)), nullptr);
    F->Free();
}

TEST(TabControls, PositionAndStyleBecomeTheWindowsTabStyles) {
    auto* F = new TForm(Application);
    auto* Pc = new TPageControl(F);
    Pc->SetParent(F);
    Pc->SetTabPosition(tpBottom);
    Pc->SetStyle(tsButtons);
    F->Show();
    TestHooks::PumpPending();
    auto Style = [&] { return static_cast<DWORD>(GetWindowLongW(Pc->Handle(), GWL_STYLE)); };
    EXPECT_EQ(Style() & (TCS_BOTTOM | TCS_VERTICAL | TCS_BUTTONS | TCS_FLATBUTTONS), TCS_BOTTOM | TCS_BUTTONS);
    Pc->SetTabPosition(tpLeft);
    Pc->SetStyle(tsFlatButtons);
    EXPECT_EQ(Style() & (TCS_BOTTOM | TCS_VERTICAL | TCS_BUTTONS | TCS_FLATBUTTONS),
              TCS_VERTICAL | TCS_BUTTONS | TCS_FLATBUTTONS);
    Pc->SetTabPosition(tpRight);
    EXPECT_EQ(Style() & (TCS_RIGHT | TCS_VERTICAL), TCS_RIGHT | TCS_VERTICAL);
    EXPECT_NE(Style() & WS_CLIPCHILDREN, 0u);
    F->Free();
}

// ---- Control notices -------------------------------------------------------------
// Records the notices a control hears through its WindowProc, the way the
// skins listen; Answer is the result given to one message number.
struct TListener {
    TControl* Control;
    TWndMethod Saved;
    std::vector<TMessage> Heard;
    UINT Answer = 0;
    explicit TListener(TControl* C) : Control(C), Saved(C->WindowProc) {
        C->WindowProc = [this](TMessage& M) {
            if (M.Msg >= CM_BASE && M.Msg < CM_BASE + 0x100) Heard.push_back(M);
            if (Answer && M.Msg == Answer) {
                M.Result = 1;
                return;
            }
            Saved(M);
        };
    }
    ~TListener() { Control->WindowProc = Saved; }
    int Count(UINT Msg) const {
        int N = 0;
        for (const auto& M : Heard) N += M.Msg == Msg;
        return N;
    }
    const TMessage* Last(UINT Msg) const {
        for (auto It = Heard.rbegin(); It != Heard.rend(); ++It)
            if (It->Msg == Msg) return &*It;
        return nullptr;
    }
};

struct TNoticeForm {
    TForm* F = new TForm(Application);
    TEdit* A = new TEdit(F);
    TEdit* B = new TEdit(F);
    TButton* Ok = new TButton(F);
    TPanel* P = new TPanel(F);
    TButton* Inner = new TButton(F);
    int Clicks = 0, Exits = 0;
    TNoticeForm() {
        for (TControl* C : std::initializer_list<TControl*>{A, B, Ok, P}) C->SetParent(F);
        Inner->SetParent(P);
        A->SetBounds(8, 8, 100, 21);
        B->SetBounds(8, 40, 100, 21);
        Ok->SetBounds(8, 70, 75, 25);
        P->SetBounds(120, 8, 100, 80);
        Inner->SetBounds(4, 4, 60, 25);
        A->TabStop = B->TabStop = Ok->TabStop = true;
        Ok->SetDefault(true);
        Ok->OnClick = [this](TObject*) { ++Clicks; };
        A->OnExit = [this](TObject*) { ++Exits; };
        F->Show();
        TestHooks::PumpPending();
    }
    ~TNoticeForm() { F->Free(); }
};

TEST(ControlNotices, NumbersAreDistinctAndWhereTheControlsExpectThem) {
    EXPECT_EQ(CM_DIALOGKEY, 0xB005u);
    EXPECT_EQ(CM_FOCUSCHANGED, 0xB007u);
    EXPECT_EQ(CM_VISIBLECHANGED, 0xB00Bu);
    EXPECT_EQ(CM_ENABLEDCHANGED, 0xB00Cu);
    EXPECT_EQ(CM_MOUSEENTER, 0xB013u);
    EXPECT_EQ(CM_MOUSELEAVE, 0xB014u);
    EXPECT_EQ(CM_EXIT, 0xB01Bu);
    EXPECT_EQ(CM_RELEASE, 0xB021u);
    EXPECT_EQ(CM_RECREATEWND, 0xB033u);
    std::vector<UINT> All{CM_DIALOGKEY, CM_DIALOGCHAR,  CM_FOCUSCHANGED, CM_VISIBLECHANGED, CM_ENABLEDCHANGED,
                          CM_COLORCHANGED, CM_FONTCHANGED, CM_TEXTCHANGED, CM_MOUSEENTER,   CM_MOUSELEAVE,
                          CM_EXIT,      CM_RELEASE,     CM_RECREATEWND,  CM_HINTSHOW};
    std::sort(All.begin(), All.end());
    EXPECT_EQ(std::adjacent_find(All.begin(), All.end()), All.end());
}

TEST(ControlNotices, EnabledAndVisibleChangesAreAnnouncedOnlyWhenTheyChange) {
    TNoticeForm T;
    TListener L(T.Ok);
    T.Ok->SetEnabled(false);
    T.Ok->SetEnabled(false);
    EXPECT_EQ(L.Count(CM_ENABLEDCHANGED), 1);
    EXPECT_FALSE(IsWindowEnabled(T.Ok->Handle()));
    T.Ok->SetVisible(false);
    ASSERT_NE(L.Last(CM_VISIBLECHANGED), nullptr);
    EXPECT_EQ(L.Last(CM_VISIBLECHANGED)->WParam, 0u);
    T.Ok->SetVisible(true);
    EXPECT_EQ(L.Last(CM_VISIBLECHANGED)->WParam, 1u);
    EXPECT_EQ(L.Count(CM_VISIBLECHANGED), 2);
}

TEST(ControlNotices, FocusChangesReachEveryControlAndTheLeavingOneHearsExit) {
    TNoticeForm T;
    T.F->FocusControl(T.A);
    TestHooks::PumpPending();
    TListener La(T.A), Lok(T.Ok), Linner(T.Inner);
    T.F->FocusControl(T.B);
    TestHooks::PumpPending();
    EXPECT_EQ(GetFocus(), T.B->Handle());
    EXPECT_EQ(La.Count(CM_EXIT), 1);
    EXPECT_EQ(T.Exits, 1);  // OnExit still runs, from the exit notice
    for (const TListener* L : {&La, &Lok, &Linner}) {
        SCOPED_TRACE(L->Control->ClassName());
        ASSERT_NE(L->Last(CM_FOCUSCHANGED), nullptr);
        EXPECT_EQ(L->Last(CM_FOCUSCHANGED)->LParam, reinterpret_cast<LPARAM>(T.B));
    }
    EXPECT_EQ(Lok.Count(CM_EXIT), 0);
}

TEST(ControlNotices, DialogKeysAreOfferedToTheControlsBeforeTheFormActs) {
    TNoticeForm T;
    T.F->FocusControl(T.A);
    TestHooks::PumpPending();
    {
        TListener Linner(T.Inner);
        TestHooks::PressKey(VK_RETURN);
        TestHooks::PumpPending();
        ASSERT_NE(Linner.Last(CM_DIALOGKEY), nullptr);
        EXPECT_EQ(Linner.Last(CM_DIALOGKEY)->WParam, static_cast<WPARAM>(VK_RETURN));
        EXPECT_EQ(T.Clicks, 1);  // nobody took it: the default button clicks
    }
    {
        TListener Linner(T.Inner);
        Linner.Answer = CM_DIALOGKEY;
        TestHooks::PressKey(VK_RETURN);
        TestHooks::PumpPending();
        EXPECT_EQ(Linner.Count(CM_DIALOGKEY), 1);
        EXPECT_EQ(T.Clicks, 1);  // taken by the inner button
    }
    TListener La(T.A);
    TestHooks::PressKey('X');
    TestHooks::PumpPending();
    EXPECT_EQ(La.Count(CM_DIALOGKEY), 0);  // a plain key is no dialog key
}

TEST(ControlNotices, RecreatingAWindowGoesThroughItsNotice) {
    TNoticeForm T;
    TListener L(T.P);
    int Destroyed = 0;
    TWndMethod Inner = T.P->WindowProc;
    T.P->WindowProc = [&](TMessage& M) {
        Destroyed += M.Msg == WM_DESTROY;
        Inner(M);
    };
    T.P->RecreateWnd();
    EXPECT_EQ(L.Count(CM_RECREATEWND), 1);
    EXPECT_EQ(Destroyed, 1);
    EXPECT_TRUE(IsWindow(T.P->Handle()));
    EXPECT_TRUE(T.Inner->HandleAllocated());
    EXPECT_EQ(GetParent(T.Inner->Handle()), T.P->Handle());
    // A listener that keeps the notice keeps the window.
    L.Answer = CM_RECREATEWND;
    T.P->RecreateWnd();
    EXPECT_EQ(Destroyed, 1);
    T.P->WindowProc = Inner;
}

}  // namespace
