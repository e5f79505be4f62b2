// The child-control dispatch as tables: class-library controls by class chain,
// name, SkinControls bits, Tag and Skin3rd lines; raw windows by class and
// style.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/classlib/buttons.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/classlib/toolbar.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_buttons.h"
#include "skin/skin_check_boxes.h"
#include "skin/skin_containers.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_edits.h"
#include "skin/skin_tabs.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

class THost : public TControlSkinHost {
public:
    HWND HostWindow() const override { return nullptr; }
};

// Classes the class library lacks, registered as a program would.
#define TEST_CLASS(Name, Base)                                                                     \
    class Name : public Base {                                                                     \
        TESSARO_CLASSINFO                                                                          \
    public:                                                                                        \
        explicit Name(TComponent* AOwner) : Base(AOwner) {}                                        \
    };                                                                                             \
    TClassInfo& Name::StaticClassInfo() {                                                          \
        static TClassInfo CI(#Name, &Base::StaticClassInfo(), CreateComponentOf<Name>);            \
        return CI;                                                                                 \
    }
TEST_CLASS(TBitBtn, TButton)
TEST_CLASS(TRichEdit, TMemo)
TEST_CLASS(TNilEdit, TEdit)
TEST_CLASS(TOddButton, TButton)
TEST_CLASS(TTestCheckGroup, TPanel)
TEST_CLASS(TTestRadioGroup, TPanel)
TEST_CLASS(TPictureView, TCustomControl)
TEST_CLASS(TPictureButton, TButton)
TEST_CLASS(TPictureSpeedButton, TSpeedButton)
TEST_CLASS(TStripRadioGroup, TPanel)
TEST_CLASS(TStripCheckGroup, TPanel)
TEST_CLASS(TTabbedNotebook, TCustomControl)
TEST_CLASS(TTabControl, TCustomTabControl)
TEST_CLASS(TTabSet, TCustomControl)
TEST_CLASS(TMediaPlayer, TCustomControl)
TEST_CLASS(TSpinButton, TCustomControl)
TEST_CLASS(TDBNavigator, TCustomControl)
TEST_CLASS(TUniComboBox, TCustomControl)
// Classes of another library, each registered below for the row that skins
// it (a glyph-strip skin hands its strips over and keeps the control's colour).
TEST_CLASS(TTestPassedOver, TButton)
TEST_CLASS(TTestContainer, TCustomControl)
TEST_CLASS(TTestGlyphCheck, TCustomControl)
TEST_CLASS(TTestGlyphRadio, TCustomControl)
TEST_CLASS(TTestPropertiesCheck, TCustomControl)
TEST_CLASS(TTestScrollEditor, TBitBtn)
TEST_CLASS(TTestScrollGrid, TCustomControl)
TEST_CLASS(TTestPanelGrid, TPanel)
TEST_CLASS(TTestFormEdit, TForm)

// A glyph button of another library with a drop-down kind; the second class
// has the same kind but is not listed as a drop-down button.
class TTestDropButton : public TButton {
    TESSARO_CLASSINFO
public:
    explicit TTestDropButton(TComponent* AOwner) : TButton(AOwner) {}
    int KindValue = 0;
};
TClassInfo& TTestDropButton::StaticClassInfo() {
    static TClassInfo CI("TTestDropButton", &TButton::StaticClassInfo(), CreateComponentOf<TTestDropButton>,
                         [](TClassInfo& C) {
                             C.PublishEnum<TTestDropButton>("Kind", {"dbkPush", "dbkDropDown"},
                                                            [](TTestDropButton& O) -> int64_t { return O.KindValue; });
                         });
    return CI;
}
TEST_CLASS(TUnlistedDropButton, TTestDropButton)

// An edit of another library whose published NumButtons says whether it is a combo box.
class TTestButtonEdit : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TTestButtonEdit(TComponent* AOwner) : TCustomControl(AOwner) {}
    int Buttons = 0;
};
TClassInfo& TTestButtonEdit::StaticClassInfo() {
    static TClassInfo CI("TTestButtonEdit", &TCustomControl::StaticClassInfo(), CreateComponentOf<TTestButtonEdit>,
                         [](TClassInfo& C) {
                             C.PublishInteger<TTestButtonEdit>("NumButtons",
                                                               [](TTestButtonEdit& O) -> int64_t { return O.Buttons; });
                         });
    return CI;
}

// A control of another library that can be made see-through.
class TTestSeeThrough : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TTestSeeThrough(TComponent* AOwner) : TCustomControl(AOwner) {}
    bool SeeThrough = false;
};
TClassInfo& TTestSeeThrough::StaticClassInfo() {
    static TClassInfo CI("TTestSeeThrough", &TCustomControl::StaticClassInfo(), CreateComponentOf<TTestSeeThrough>,
                         [](TClassInfo& C) {
                             C.PublishBool<TTestSeeThrough>("Transparent", [](TTestSeeThrough& O) { return O.SeeThrough; },
                                                            [](TTestSeeThrough& O, bool V) { O.SeeThrough = V; });
                         });
    return CI;
}

// A tool bar of another library that publishes the menu it shows.
class TTestMenuBar : public TToolBar {
    TESSARO_CLASSINFO
public:
    explicit TTestMenuBar(TComponent* AOwner) : TToolBar(AOwner) {}
    TMainMenu* Shown = nullptr;
};
TClassInfo& TTestMenuBar::StaticClassInfo() {
    static TClassInfo CI("TTestMenuBar", &TToolBar::StaticClassInfo(), CreateComponentOf<TTestMenuBar>,
                         [](TClassInfo& C) {
                             C.PublishObject<TTestMenuBar>("Menu", [](TTestMenuBar& O) -> TObject* { return O.Shown; });
                         });
    return CI;
}
#undef TEST_CLASS

// Listed as a program lists the classes it places.
const bool Listed = [] {
    RegisterDropDownButtonKind("TTestDropButton", "dbkDropDown");
    RegisterGlyphStripGroup("Strip");
    RegisterDispatchKind("TTestPassedOver", dkPassOver);
    RegisterDispatchKind("TTestContainer", dkContainerOnly);
    RegisterDispatchKind("TTestGlyphCheck", dkGlyphCheckBox);
    RegisterDispatchKind("TTestGlyphRadio", dkGlyphRadioButton);
    RegisterDispatchKind("TTestPropertiesCheck", dkPropertiesGlyphCheckBox);
    RegisterDispatchKind("TTestScrollEditor", dkScrollingEditor);
    RegisterDispatchKind("TTestScrollGrid", dkScrollingGrid);
    RegisterDispatchKind("TTestPanelGrid", dkScrollingGrid);
    RegisterDispatchKind("TTestButtonEdit", dkButtonEdit);
    RegisterDispatchKind("TTestFormEdit", dkButtonEdit);
    return true;
}();

template <class B>
B* DropButton(TWinControl* Parent, TComponent* Owner, int Kind) {
    auto* X = new B(Owner);
    X->KindValue = Kind;
    X->SetParent(Parent);
    X->SetBounds(10, 10, 150, 40);
    return X;
}

const TSkinControlTypes All{xcPopupMenu, xcToolbar, xcCombo,     xcCheckBox, xcRadioButton, xcProgress,
                            xcScrollbar, xcEdit,    xcButton,    xcBitBtn,   xcSpeedButton, xcSpin,
                            xcPanel,     xcGroupBox, xcStatusBar, xcTab,     xcTrackBar};
TSkinControlTypes Without(TSkinControlTypes S, std::initializer_list<TSkinControlType> Off) {
    for (auto X : Off) S.Exclude(X);
    return S;
}

struct TFixture {
    THost Host;
    TSkinData Data{nullptr};
    TComponent RawOwner{nullptr};
    TForm* F = new TForm(Application);
    TControlDispatch D{Host, Data, &RawOwner};
    TFixture() {
        F->SetBounds(0, 0, 500, 400);
        F->Show();
        TestHooks::PumpPending();
    }
    ~TFixture() {
        D.DetachControlSkins();
        F->Free();
    }
    // The skin a control owns (a windowless control's, or one attached to its window, too).
    TSkinControl* SkinOf(TControl* C) {
        for (TSkinControl* S : Host.ControlSkins)
            if (S->Control == C) return S;
        for (TSkinControl* S : Host.ControlSkins)
            if (S->Owner() == C) return S;
        return nullptr;
    }
    TSkinControl* SkinOf(HWND W) {
        for (TSkinControl* S : Host.ControlSkins)
            if (S->Handle == W) return S;
        return nullptr;
    }
};

std::string ClassOf(TSkinControl* S) { return S ? S->ClassName() : "none"; }

template <class T>
T* Place(TWinControl* Parent, TComponent* Owner, int Y) {
    auto* C = new T(Owner);
    C->SetParent(Parent);
    C->SetBounds(10, Y, 150, 40);
    return C;
}

TEST(SkinDispatch, ControlsGetTheSkinTheTableGives) {
    struct Case {
        const char* what;
        std::function<TControl*(TFixture&)> make;
        TSkinControlTypes bits;
        std::vector<std::string> skin3rd;
        std::string want;
        int mode = 0;
        bool setColor = false;
        int glyphKind = 0;  // TSkinObjImage's Kind
        std::function<void(TSkinControl*, TControl*)> also = nullptr;
    } Cases[] = {
        {"button", [](TFixture& T) { return Place<TButton>(T.F, T.F, 10); }, All, {}, "TSkinButton"},
        {"button without its bit", [](TFixture& T) { return Place<TButton>(T.F, T.F, 10); },
         Without(All, {xcButton}), {}, "none"},
        {"bit button without its bit ends the search", [](TFixture& T) { return Place<TBitBtn>(T.F, T.F, 10); },
         Without(All, {xcBitBtn}), {}, "none"},
        {"bit button", [](TFixture& T) { return Place<TBitBtn>(T.F, T.F, 10); }, All, {}, "TSkinBitButton"},
        {"a memo row whose bit is off lets the edit row take it",
         [](TFixture& T) { return Place<TMemo>(T.F, T.F, 10); }, Without(All, {xcScrollbar}), {}, "TSkinEdit"},
        {"memo", [](TFixture& T) { return Place<TMemo>(T.F, T.F, 10); }, All, {}, "TSkinScrollbar"},
        {"rich edit by name", [](TFixture& T) { return Place<TRichEdit>(T.F, T.F, 10); }, All, {},
         "TSkinScrollbar"},
        {"list view", [](TFixture& T) { return Place<TListView>(T.F, T.F, 10); }, All, {}, "TSkinListView"},
        {"edit", [](TFixture& T) { return Place<TEdit>(T.F, T.F, 10); }, All, {}, "TSkinEdit"},
        {"combo box", [](TFixture& T) { return Place<TComboBox>(T.F, T.F, 10); }, All, {}, "TSkinComBox"},
        {"check box", [](TFixture& T) { return Place<TCheckBox>(T.F, T.F, 10); }, All, {}, "TSkinCheckBox"},
        {"status bar", [](TFixture& T) { return Place<TStatusBar>(T.F, T.F, 10); }, All, {}, "TSkinStatusBar"},
        {"progress bar", [](TFixture& T) { return Place<TProgressBar>(T.F, T.F, 10); }, All, {}, "TSkinProgress"},
        {"track bar", [](TFixture& T) { return Place<TTrackBar>(T.F, T.F, 10); }, All, {}, "TSkinTrackBar"},
        {"up-down by name", [](TFixture& T) { return Place<TUpDown>(T.F, T.F, 10); }, All, {}, "TSkinUpDown"},
        {"up-down without spin", [](TFixture& T) { return Place<TUpDown>(T.F, T.F, 10); }, Without(All, {xcSpin}),
         {}, "none"},
        {"panel", [](TFixture& T) { return Place<TPanel>(T.F, T.F, 10); }, All, {}, "TSkinBox", 0, true},
        {"panel without its bit", [](TFixture& T) { return Place<TPanel>(T.F, T.F, 10); },
         Without(All, {xcPanel}), {}, "none"},
        {"group box follows the panel bit", [](TFixture& T) { return Place<TGroupBox>(T.F, T.F, 10); },
         Without(All, {xcPanel}), {}, "none"},
        {"group box", [](TFixture& T) { return Place<TGroupBox>(T.F, T.F, 10); }, All, {}, "TSkinGroupBox", 1},
        {"Skin3rd nil on an edit", [](TFixture& T) { return Place<TNilEdit>(T.F, T.F, 10); }, All,
         {"TNilEdit=nil"}, "none"},
        {"an unknown kind stops the dispatch", [](TFixture& T) { return Place<TOddButton>(T.F, T.F, 10); }, All,
         {"TOddButton=sparkle"}, "none"},
        {"Skin3rd scrollbar", [](TFixture& T) {
             auto* P = Place<TPictureView>(T.F, T.F, 10);
             SetWindowLongW(P->Handle(), GWL_STYLE, GetWindowLongW(P->Handle(), GWL_STYLE) | WS_VSCROLL);
             return P;
         }, All, {"tpictureview=scrollbar"}, "TSkinScrollbar"},
        {"Skin3rd singlescrollbar", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=singlescrollbar"}, "TSkinScrollbar", 1},
        {"Skin3rd kind with its bit off", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); },
         Without(All, {xcScrollbar}), {"TPictureView=scrollbar"}, "none"},
        {"Skin3rd panel", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=panel"}, "TSkinBox", 0, true},
        {"checkgroup without the panel bit falls through to nothing",
         [](TFixture& T) { return Place<TTestCheckGroup>(T.F, T.F, 10); }, Without(All, {xcPanel}),
         {"TTestCheckGroup=checkgroup"}, "none"},
        {"page control with a tab part", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             return Place<TPageControl>(T.F, T.F, 10);
         }, All, {}, "TSkinTab"},
        {"page control in button style", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             auto* P = Place<TPageControl>(T.F, T.F, 10);
             P->SetStyle(tsButtons);
             return P;
         }, All, {}, "TSkinTabBtn"},
        {"Skin3rd menubtn", [](TFixture& T) { return Place<TOddButton>(T.F, T.F, 10); }, All,
         {"TOddButton=menubtn"}, "TSkinMenuButton"},
        {"Skin3rd bitbtn", [](TFixture& T) { return DropButton<TTestDropButton>(T.F, T.F, 0); }, All,
         {"TTestDropButton=bitbtn"}, "TSkinBitButton"},
        {"Skin3rd bitbtn of a listed class in its drop-down kind",
         [](TFixture& T) { return DropButton<TTestDropButton>(T.F, T.F, 1); }, All, {"TTestDropButton=bitbtn"},
         "TSkinMenuButton"},
        {"Skin3rd bitbtn in a drop-down kind of a class not listed",
         [](TFixture& T) { return DropButton<TUnlistedDropButton>(T.F, T.F, 1); }, All,
         {"TUnlistedDropButton=bitbtn"}, "TSkinBitButton"},
        {"Skin3rd bitbtn in its drop-down kind without the button bit",
         [](TFixture& T) { return DropButton<TTestDropButton>(T.F, T.F, 1); }, Without(All, {xcButton}),
         {"TTestDropButton=bitbtn"}, "none"},
        {"page control without a tab part", [](TFixture& T) { return Place<TPageControl>(T.F, T.F, 10); }, All, {},
         "none"},
        {"tab control with a tab part", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             return Place<TTabControl>(T.F, T.F, 10);
         }, All, {}, "TSkinTab", 2},
        {"tab control without the tab bit", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             return Place<TTabControl>(T.F, T.F, 10);
         }, Without(All, {xcTab}), {}, "none"},
        {"tab sheet", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             auto* P = Place<TPageControl>(T.F, T.F, 10);
             P->SetHeight(200);
             auto* Sheet = new TTabSheet(T.F);
             Sheet->SetPageControl(P);
             return Sheet;
         }, All, {}, "TSkinTabSheet"},
        {"tab set by name", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             return Place<TTabSet>(T.F, T.F, 10);
         }, All, {}, "TSkinTab31"},
        {"media player by name", [](TFixture& T) { return Place<TMediaPlayer>(T.F, T.F, 10); }, All, {}, "TSkinMP"},
        {"media player without the button bit", [](TFixture& T) { return Place<TMediaPlayer>(T.F, T.F, 10); },
         Without(All, {xcButton}), {}, "none"},
        {"speed button", [](TFixture& T) { return Place<TSpeedButton>(T.F, T.F, 10); }, All, {},
         "TSkinSpeedButton"},
        {"speed button without its bit", [](TFixture& T) { return Place<TSpeedButton>(T.F, T.F, 10); },
         Without(All, {xcSpeedButton}), {}, "none"},
        {"any control with a scroll bar", [](TFixture& T) {
             auto* P = Place<TPictureView>(T.F, T.F, 10);
             SetWindowLongW(P->Handle(), GWL_STYLE, GetWindowLongW(P->Handle(), GWL_STYLE) | WS_HSCROLL);
             return P;
         }, All, {}, "TSkinScrollbar"},
        {"a control without scroll bars has no row", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); },
         All, {}, "none"},
        {"a class-library radio button has no row", [](TFixture& T) { return Place<TRadioButton>(T.F, T.F, 10); },
         All, {}, "none"},
        // Rows by name of classes the class library lacks.
        {"tabbed notebook by name", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             return Place<TTabbedNotebook>(T.F, T.F, 10);
         }, All, {}, "TSkinTab"},
        {"tabbed notebook without a tab part", [](TFixture& T) { return Place<TTabbedNotebook>(T.F, T.F, 10); }, All,
         {}, "none"},
        {"spin button by name", [](TFixture& T) { return Place<TSpinButton>(T.F, T.F, 10); }, All, {},
         "TSkinUpDown"},
        {"spin button without spin", [](TFixture& T) { return Place<TSpinButton>(T.F, T.F, 10); },
         Without(All, {xcSpin}), {}, "none"},
        {"navigator by name", [](TFixture& T) { return Place<TDBNavigator>(T.F, T.F, 10); }, All, {}, "TSkinBox", 0,
         true},
        {"navigator without the panel bit", [](TFixture& T) { return Place<TDBNavigator>(T.F, T.F, 10); },
         Without(All, {xcPanel}), {}, "none"},
        {"combo box of the Unicode layer by name", [](TFixture& T) { return Place<TUniComboBox>(T.F, T.F, 10); },
         All, {}, "TSkinComBox"},
        {"combo box of the Unicode layer without its bit",
         [](TFixture& T) { return Place<TUniComboBox>(T.F, T.F, 10); }, Without(All, {xcCombo}), {}, "none"},
        // Rows of registered classes.
        {"a passed-over class", [](TFixture& T) { return Place<TTestPassedOver>(T.F, T.F, 10); }, All, {}, "none"},
        {"a passed-over class still follows its Skin3rd line",
         [](TFixture& T) { return Place<TTestPassedOver>(T.F, T.F, 10); }, All, {"TTestPassedOver=menubtn"},
         "TSkinMenuButton"},
        {"a container-only class", [](TFixture& T) { return Place<TTestContainer>(T.F, T.F, 10); }, All, {},
         "none"},
        {"glyph check box", [](TFixture& T) { return Place<TTestGlyphCheck>(T.F, T.F, 10); }, All, {},
         "TSkinObjImage", 0, false, 1},
        {"glyph check box without its bit", [](TFixture& T) { return Place<TTestGlyphCheck>(T.F, T.F, 10); },
         Without(All, {xcCheckBox}), {}, "none"},
        {"glyph radio button", [](TFixture& T) { return Place<TTestGlyphRadio>(T.F, T.F, 10); }, All, {},
         "TSkinObjImage", 0, false, 2},
        {"glyph radio button without its bit", [](TFixture& T) { return Place<TTestGlyphRadio>(T.F, T.F, 10); },
         Without(All, {xcRadioButton}), {}, "none"},
        {"check box with its glyph in its Properties",
         [](TFixture& T) { return Place<TTestPropertiesCheck>(T.F, T.F, 10); }, All, {}, "TSkinObjImage", 0, false, 3},
        {"a scrolling editor comes before the glyph-button row",
         [](TFixture& T) { return Place<TTestScrollEditor>(T.F, T.F, 10); }, All, {}, "TSkinScrollbar"},
        {"a scrolling editor without the scroll-bar bit meets the glyph-button row",
         [](TFixture& T) { return Place<TTestScrollEditor>(T.F, T.F, 10); }, Without(All, {xcScrollbar}), {},
         "TSkinBitButton"},
        {"a scrolling grid", [](TFixture& T) { return Place<TTestScrollGrid>(T.F, T.F, 10); }, All, {},
         "TSkinScrollbar"},
        {"a scrolling grid that is a panel meets the panel row first",
         [](TFixture& T) { return Place<TTestPanelGrid>(T.F, T.F, 10); }, All, {}, "TSkinBox", 0, true},
        {"a scrolling grid that is a panel without the panel bit",
         [](TFixture& T) { return Place<TTestPanelGrid>(T.F, T.F, 10); }, Without(All, {xcPanel}), {},
         "TSkinScrollbar"},
        {"a button edit with one button is a combo box", [](TFixture& T) {
             auto* E = Place<TTestButtonEdit>(T.F, T.F, 10);
             E->Buttons = 1;
             return E;
         }, All, {}, "TSkinComBox"},
        {"a button edit with one button without the combo bit", [](TFixture& T) {
             auto* E = Place<TTestButtonEdit>(T.F, T.F, 10);
             E->Buttons = 1;
             return E;
         }, Without(All, {xcCombo}), {}, "none"},
        {"a button edit without buttons is an edit on its window",
         [](TFixture& T) { return Place<TTestButtonEdit>(T.F, T.F, 10); }, All, {}, "TSkinEdit", 0, false, 0,
         [](TSkinControl* S, TControl* X) {
             EXPECT_EQ(S->Control, nullptr);
             EXPECT_EQ(S->Handle, static_cast<TWinControl*>(X)->Handle());
             EXPECT_NE(S->OldWndProc, nullptr);
         }},
        {"a button edit without buttons without the edit bit",
         [](TFixture& T) { return Place<TTestButtonEdit>(T.F, T.F, 10); }, Without(All, {xcEdit}), {}, "none"},
        {"a button edit with two buttons", [](TFixture& T) {
             auto* E = Place<TTestButtonEdit>(T.F, T.F, 10);
             E->Buttons = 2;
             return E;
         }, All, {}, "none"},
        {"a form registered as a button edit is not taken as a form",
         [](TFixture& T) { return Place<TTestFormEdit>(T.F, T.F, 10); }, All, {}, "none"},
        {"an inner form", [](TFixture& T) { return Place<TForm>(T.F, T.F, 10); }, All, {}, "TSkinBox", 0, true},
        // Every Skin3rd kind.
        {"Skin3rd combobox", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=combobox"}, "TSkinComBox"},
        {"Skin3rd comboboxex draws a frame only", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=comboboxex"}, "TSkinComBox", 0, false, 0,
         [](TSkinControl* S, TControl*) { EXPECT_TRUE(static_cast<TSkinComBox*>(S)->SimpleFrame); }},
        {"Skin3rd edit with a border", [](TFixture& T) { return Place<TNilEdit>(T.F, T.F, 10); }, All,
         {"TNilEdit=edit"}, "TSkinEdit"},
        {"Skin3rd edit without a border", [](TFixture& T) {
             auto* E = new TNilEdit(T.F);
             E->BorderStyle = bsNoBorder;
             E->SetParent(T.F);
             E->SetBounds(10, 10, 150, 24);
             return E;
         }, All, {"TNilEdit=edit"}, "none"},
        {"Skin3rd radiobutton", [](TFixture& T) { return Place<TOddButton>(T.F, T.F, 10); }, All,
         {"TOddButton=radiobutton"}, "TSkinRadioButton"},
        {"Skin3rd panel makes the control see-through",
         [](TFixture& T) { return Place<TTestSeeThrough>(T.F, T.F, 10); }, All, {"TTestSeeThrough=panel"},
         "TSkinBox", 0, true, 0,
         [](TSkinControl*, TControl* X) { EXPECT_TRUE(static_cast<TTestSeeThrough*>(X)->SeeThrough); }},
        {"Skin3rd trackbar makes the control see-through",
         [](TFixture& T) { return Place<TTestSeeThrough>(T.F, T.F, 10); }, All, {"TTestSeeThrough=trackbar"},
         "TSkinTrackBar", 0, false, 0,
         [](TSkinControl*, TControl* X) { EXPECT_TRUE(static_cast<TTestSeeThrough*>(X)->SeeThrough); }},
        {"Skin3rd trackbar follows the button bit", [](TFixture& T) { return Place<TTestSeeThrough>(T.F, T.F, 10); },
         Without(All, {xcButton}), {"TTestSeeThrough=trackbar"}, "none"},
        {"Skin3rd button", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=button"}, "TSkinButton"},
        {"Skin3rd datetimepicker", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=datetimepicker"}, "TSkinDateTime"},
        {"Skin3rd mediaplayer", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=mediaplayer"}, "TSkinMP"},
        {"Skin3rd speedbutton", [](TFixture& T) { return Place<TPictureSpeedButton>(T.F, T.F, 10); }, All,
         {"TPictureSpeedButton=speedbutton"}, "TSkinSpeedButton"},
        {"Skin3rd speedbutton without its bit", [](TFixture& T) { return Place<TPictureSpeedButton>(T.F, T.F, 10); },
         Without(All, {xcSpeedButton}), {"TPictureSpeedButton=speedbutton"}, "none"},
        {"Skin3rd tab", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             return Place<TPictureView>(T.F, T.F, 10);
         }, All, {"TPictureView=tab"}, "TSkinTab"},
        {"Skin3rd tab without a tab part", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=tab"}, "none"},
        {"Skin3rd progress", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=progress"}, "TSkinProgress"},
        {"Skin3rd container", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=container"}, "none"},
        {"Skin3rd groupbox", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=groupbox"}, "TSkinGroupBox", 1, true},
        {"Skin3rd groupbox without its bit", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); },
         Without(All, {xcGroupBox}), {"TPictureView=groupbox"}, "none"},
        {"Skin3rd advpagecontrol", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=advpagecontrol"}, "TSkinAdvPage", 0, true, 0,
         [](TSkinControl* S, TControl*) { EXPECT_EQ(static_cast<TSkinAdvPage*>(S)->Variant, 4); }},
        {"Skin3rd checkbox", [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPictureView=checkbox"}, "TSkinCheckBox"},
        {"Skin3rd lines are matched case-blind on the whole class name",
         [](TFixture& T) { return Place<TPictureView>(T.F, T.F, 10); }, All,
         {"TPicture=button", "tpictureVIEWX=button", "TPICTUREVIEW=checkbox"}, "TSkinCheckBox"},

        {"Tag 99", [](TFixture& T) {
             auto* B = Place<TButton>(T.F, T.F, 10);
             B->Tag = 99;
             return B;
         }, All, {}, "none"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TFixture T;
        T.Data.SkinControls = C.bits;
        T.Data.Skin3rd().Clear();
        for (const auto& L : C.skin3rd) T.Data.Skin3rd().Add(L);
        TControl* X = C.make(T);
        TestHooks::PumpPending();
        T.D.SkinFormControls(T.F);
        TSkinControl* S = T.SkinOf(X);
        EXPECT_EQ(ClassOf(S), C.want);
        if (!S) continue;
        EXPECT_EQ(S->Mode, C.mode);
        EXPECT_EQ(S->SetColor, C.setColor);
        auto* O = dynamic_cast<TSkinObjImage*>(S);
        EXPECT_EQ(O ? O->Kind : 0, C.glyphKind);
        if (C.also) C.also(S, X);
        EXPECT_EQ(S->Owner(), X);  // the control frees its skin
        EXPECT_EQ(S->SkinForm, &T.Host);
        // Skinning again makes no second skin.
        size_t N = T.Host.ControlSkins.size();
        T.D.SkinFormControls(T.F);
        EXPECT_EQ(T.Host.ControlSkins.size(), N);
    }
}

// The skin data's handler may hand over a skin of its own: it is attached
// and listed instead of the table's (a panel's children are skinned too);
// when it hands over none, the table decides.
TEST(SkinDispatch, TheSkinControlHandlerMayGiveTheSkin) {
    for (bool Given : {true, false}) {
        SCOPED_TRACE(Given ? "handler gives a skin" : "handler gives none");
        TFixture T;
        T.Data.SkinControls = All;
        std::vector<std::string> Names;
        std::vector<TControl*> Forms;
        T.Data.OnSkinControl = [&](TComponent*, TSkinData* D, TControl* Form, TControl* Control,
                                   const std::string& ControlClass, TComponent*& Skin) {
            EXPECT_EQ(D, &T.Data);
            Names.push_back(ControlClass);
            Forms.push_back(Form);
            if (Given) {
                auto* S = new TSkinBox(Control);
                S->SetColor = true;
                Skin = S;
            }
        };
        auto* P = Place<TPanel>(T.F, T.F, 10);
        P->SetHeight(100);
        auto* B = Place<TButton>(P, T.F, 5);
        TestHooks::PumpPending();
        T.D.SkinControl(P, T.F);
        ASSERT_GE(Names.size(), 2u);
        EXPECT_EQ(Names[0], "TPANEL");
        EXPECT_EQ(Forms[0], T.F);
        EXPECT_EQ(Names[1], "TBUTTON");
        EXPECT_EQ(Forms[1], P);  // the panel is its children's container
        EXPECT_EQ(ClassOf(T.SkinOf(P)), "TSkinBox");
        EXPECT_EQ(ClassOf(T.SkinOf(B)), Given ? "TSkinBox" : "TSkinButton");
        EXPECT_TRUE(T.SkinOf(P)->Attached);
        EXPECT_TRUE(T.SkinOf(P)->SetColor);
        EXPECT_EQ(T.Host.ControlSkins.size(), 2u);
    }
}

TEST(SkinDispatch, GroupsPassTheirTagAndTheirButtonsFollowTheKind) {
    {
        TFixture T;
        T.Data.SkinControls = All;
        auto* G = Place<TTestRadioGroup>(T.F, T.F, 10);
        G->Tag = 99;
        auto* A = Place<TRadioButton>(G, T.F, 5);
        auto* B = Place<TRadioButton>(G, T.F, 20);
        T.D.SkinComponents(T.F);
        EXPECT_EQ(A->Tag, 99);
        EXPECT_EQ(B->Tag, 99);
        EXPECT_TRUE(T.Host.ControlSkins.empty());
    }
    {
        TFixture T;
        T.Data.SkinControls = All;
        T.Data.Skin3rd().Clear();
        T.Data.Skin3rd().Add("TTestCheckGroup=checkgroup");
        auto* G = Place<TTestCheckGroup>(T.F, T.F, 10);
        auto* A = Place<TCheckBox>(G, T.F, 5);
        T.D.SkinControl(G, T.F);
        EXPECT_EQ(ClassOf(T.SkinOf(A)), "TSkinCheckBox");
        EXPECT_EQ(ClassOf(T.SkinOf(G)), "TSkinGroupBox");
        EXPECT_TRUE(T.SkinOf(G)->SetColor);
    }
    {
        // A panel's children are skinned with it; without the panel bit they are reached on their own.
        for (bool PanelBit : {true, false}) {
            TFixture T;
            T.Data.SkinControls = PanelBit ? All : Without(All, {xcPanel});
            auto* P = Place<TPanel>(T.F, T.F, 10);
            P->SetHeight(100);
            auto* B = Place<TButton>(P, T.F, 5);
            T.D.SkinFormControls(T.F);
            EXPECT_EQ(ClassOf(T.SkinOf(B)), "TSkinButton");
            EXPECT_EQ(ClassOf(T.SkinOf(P)), PanelBit ? "TSkinBox" : "none");
        }
    }
}

// An "embedscrollbar" container gets no skin itself; skinning it again gives
// its scrolling children no second skin.
TEST(SkinDispatch, EmbeddedScrollBarsAreSkinnedOnce) {
    TFixture T;
    T.Data.SkinControls = All;
    T.Data.Skin3rd().Clear();
    T.Data.Skin3rd().Add("TPictureView=embedscrollbar");
    auto* P = Place<TPictureView>(T.F, T.F, 10);
    P->SetHeight(150);
    auto* M = Place<TMemo>(P, T.F, 5);
    TestHooks::PumpPending();
    for (int Pass = 0; Pass < 2; ++Pass) {
        SCOPED_TRACE(Pass);
        T.D.SkinControl(P, T.F);
        EXPECT_EQ(ClassOf(T.SkinOf(P)), "none");
        EXPECT_EQ(ClassOf(T.SkinOf(M)), "TSkinScrollbar");
        EXPECT_EQ(T.Host.ControlSkins.size(), 1u);
    }
}

// The buttons inside a Skin3rd radio or check group: the skin each gets, and
// the glyph-strip variant for the groups listed as showing strips.
TEST(SkinDispatch, GroupKindsSkinTheirButtonsByVariant) {
    struct Case {
        const char* what;
        std::function<TWinControl*(TFixture&)> group;
        std::string line;
        TSkinControlTypes bits;
        std::string button, group_skin;
        int glyph_kind = 0;  // TSkinObjImage's Kind
    } Cases[] = {
        {"radio group", [](TFixture& T) { return Place<TTestRadioGroup>(T.F, T.F, 10); },
         "TTestRadioGroup=radiogroup", All, "TSkinRadioButton", "TSkinGroupBox"},
        {"radio group with glyph strips", [](TFixture& T) { return Place<TStripRadioGroup>(T.F, T.F, 10); },
         "TStripRadioGroup=radiogroup", All, "TSkinObjImage", "TSkinGroupBox", 2},
        {"check group", [](TFixture& T) { return Place<TTestCheckGroup>(T.F, T.F, 10); },
         "TTestCheckGroup=checkgroup", All, "TSkinCheckBox", "TSkinGroupBox"},
        {"check group with glyph strips", [](TFixture& T) { return Place<TStripCheckGroup>(T.F, T.F, 10); },
         "TStripCheckGroup=checkgroup", All, "TSkinObjImage", "TSkinGroupBox", 1},
        {"a strip group's buttons follow the radio-button bit",
         [](TFixture& T) { return Place<TStripRadioGroup>(T.F, T.F, 10); }, "TStripRadioGroup=radiogroup",
         Without(All, {xcRadioButton}), "none", "TSkinGroupBox"},
        {"a strip check group without the group-box bit",
         [](TFixture& T) { return Place<TStripCheckGroup>(T.F, T.F, 10); }, "TStripCheckGroup=checkgroup",
         Without(All, {xcGroupBox}), "TSkinObjImage", "none", 1},
        {"a strip radio group without the group-box bit",
         [](TFixture& T) { return Place<TStripRadioGroup>(T.F, T.F, 10); }, "TStripRadioGroup=radiogroup",
         Without(All, {xcGroupBox}), "none", "none"},
        {"a check group without the group-box bit",
         [](TFixture& T) { return Place<TTestCheckGroup>(T.F, T.F, 10); }, "TTestCheckGroup=checkgroup",
         Without(All, {xcGroupBox}), "TSkinCheckBox", "none"},
        {"the strip mark is the group's, not the kind's",
         [](TFixture& T) { return Place<TTestCheckGroup>(T.F, T.F, 10); }, "TTestCheckGroup=checkgroup", All,
         "TSkinCheckBox", "TSkinGroupBox"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TFixture T;
        T.Data.SkinControls = C.bits;
        T.Data.Skin3rd().Clear();
        T.Data.Skin3rd().Add(C.line);
        TWinControl* G = C.group(T);
        G->SetHeight(120);
        TControl* Buttons[] = {Place<TRadioButton>(G, T.F, 5), Place<TCheckBox>(G, T.F, 50)};
        TestHooks::PumpPending();
        T.D.SkinControl(G, T.F);
        TSkinControl* GS = T.SkinOf(G);
        EXPECT_EQ(ClassOf(GS), C.group_skin);
        if (GS) EXPECT_TRUE(GS->SetColor);
        for (TControl* B : Buttons) {
            TSkinControl* S = T.SkinOf(B);
            EXPECT_EQ(ClassOf(S), C.button);
            if (!S) continue;
            EXPECT_EQ(S->Owner(), B);
            auto* O = dynamic_cast<TSkinObjImage*>(S);
            EXPECT_EQ(O ? O->Kind : 0, C.glyph_kind);
        }
        // Skinning again makes no second skin for the group or its buttons,
        // also when the group itself got none.
        size_t N = T.Host.ControlSkins.size();
        T.D.SkinControl(G, T.F);
        EXPECT_EQ(T.Host.ControlSkins.size(), N);
    }
}

TEST(SkinDispatch, RawWindowsByClassAndStyle) {
    struct Case {
        const char16_t* cls;
        DWORD style;
        std::string want;
    } Cases[] = {
        {u"Button", BS_PUSHBUTTON, "TSkinButton"},        {u"Button", BS_DEFPUSHBUTTON, "TSkinButton"},
        {u"Button", BS_CHECKBOX, "TSkinCheckBox"},         {u"Button", BS_AUTOCHECKBOX, "TSkinCheckBox"},
        {u"Button", BS_RADIOBUTTON, "TSkinRadioButton"},   {u"Button", BS_3STATE, "TSkinCheckBox"},
        {u"Button", BS_AUTO3STATE, "TSkinCheckBox"},       {u"Button", BS_GROUPBOX, "none"},
        {u"Button", BS_AUTORADIOBUTTON, "TSkinRadioButton"}, {u"Button", BS_OWNERDRAW, "none"},
        {u"Button", 0xA, "TSkinButton"},                   {u"Button", 0xC, "TSkinButton"},
        {u"ScrollBar", SBS_VERT, "none"},                  {u"ScrollBar", SBS_SIZEGRIP, "TSkinSizer"},
        {u"Edit", 0, "TSkinEdit"},                         {u"ComboBox", CBS_DROPDOWNLIST, "TSkinComBox"},
        {u"ComboBox", CBS_SIMPLE, "none"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.cls[0] == u'B' ? "Button " : "") + std::to_string(C.style));
        TFixture T;
        T.Data.SkinControls = All;
        HWND W = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(C.cls), nullptr, WS_CHILD | WS_VISIBLE | C.style, 10,
                                 10, 100, 24, T.F->Handle(), nullptr, nullptr, nullptr);
        ASSERT_TRUE(W);
        T.D.SkinChildWindows(T.F->Handle());
        TSkinControl* S = T.SkinOf(W);
        EXPECT_EQ(ClassOf(S), C.want);
        if (S) EXPECT_EQ(S->Owner(), &T.RawOwner);
        T.D.SkinWindowByClassName(W);  // once only
        EXPECT_EQ(std::count_if(T.Host.ControlSkins.begin(), T.Host.ControlSkins.end(),
                                [&](TSkinControl* X) { return X->Handle == W; }),
                  S ? 1 : 0);
    }
    // A child dialog has its children skinned, then gets its face colour.
    TFixture T;
    T.Data.SkinControls = All;
    HWND Dlg = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"#32770"), nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 200,
                               100, T.F->Handle(), nullptr, nullptr, nullptr);
    ASSERT_TRUE(Dlg);
    HWND Btn = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"Button"), nullptr, WS_CHILD | WS_VISIBLE, 5, 5, 60, 22,
                               Dlg, nullptr, nullptr, nullptr);
    T.D.SkinChildWindows(T.F->Handle());
    ASSERT_EQ(T.Host.ControlSkins.size(), 2u);
    EXPECT_EQ(T.Host.ControlSkins[0]->Handle, Btn);
    EXPECT_EQ(ClassOf(T.Host.ControlSkins[1]), "TSkinBoxH");
}

// Window classes of other libraries' raw windows, made with the default procedure.
HWND RawWindow(const char16_t* Class, DWORD Style, HWND Parent) {
    WNDCLASSW C{};
    C.lpfnWndProc = DefWindowProcW;
    C.lpszClassName = reinterpret_cast<LPCWSTR>(Class);
    RegisterClassW(&C);  // fails harmlessly when the class exists
    return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(Class), nullptr, WS_CHILD | WS_VISIBLE | Style, 10, 10, 200,
                           100, Parent, nullptr, nullptr, nullptr);
}

HWND RawButton(HWND Parent) {
    return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"Button"), nullptr, WS_CHILD | WS_VISIBLE, 5, 5, 60, 22,
                           Parent, nullptr, nullptr, nullptr);
}

// Raw windows of the class library's controls, of panels and of the common
// controls: the skin, the window it is attached to, and what happens to the
// children.
TEST(SkinDispatch, RawWindowsOfControlsPanelsAndCommonControls) {
    struct Case {
        const char* what;
        std::function<HWND(TFixture&)> make;
        TSkinControlTypes bits;
        std::string want;
        std::string child = "none";  // the skin of a raw button inside, when there is one
        std::function<void(TFixture&, HWND)> also = nullptr;
    } Cases[] = {
        {"a class-library check box", [](TFixture& T) { return Place<TCheckBox>(T.F, T.F, 10)->Handle(); }, All,
         "TSkinCheckBox"},
        {"a class-library check box without its bit",
         [](TFixture& T) { return Place<TCheckBox>(T.F, T.F, 10)->Handle(); }, Without(All, {xcCheckBox}), "none"},
        {"a class-library combo box", [](TFixture& T) { return Place<TComboBox>(T.F, T.F, 10)->Handle(); }, All,
         "TSkinComBox"},
        {"a class-library combo box without its bit",
         [](TFixture& T) { return Place<TComboBox>(T.F, T.F, 10)->Handle(); }, Without(All, {xcCombo}), "none"},
        {"a class-library button", [](TFixture& T) { return Place<TButton>(T.F, T.F, 10)->Handle(); }, All,
         "TSkinButton"},
        {"a class-library button without its bit", [](TFixture& T) { return Place<TButton>(T.F, T.F, 10)->Handle(); },
         Without(All, {xcButton}), "none"},
        {"a class-library progress bar needs no bit",
         [](TFixture& T) { return Place<TProgressBar>(T.F, T.F, 10)->Handle(); }, Without(All, {xcProgress}),
         "TSkinProgress"},
        {"a class-library panel: children skinned, the object on the face colour", [](TFixture& T) {
             auto* P = Place<TPanel>(T.F, T.F, 10);
             P->SetColor(0x00FF00);
             RawButton(P->Handle());
             return P->Handle();
         }, All, "none", "TSkinButton",
         [](TFixture& T, HWND W) { EXPECT_EQ(ControlFromWindowProp(W)->Color(), T.Data.ColButtonFace); }},
        {"a Unicode panel's children", [](TFixture& T) {
             HWND W = RawWindow(u"TUniPanel.UnicodeClass", 0, T.F->Handle());
             RawButton(W);
             return W;
         }, All, "none", "TSkinButton"},
        {"a Unicode silent-paint panel's children", [](TFixture& T) {
             HWND W = RawWindow(u"TUniSilentPaintPanel.UnicodeClass", 0, T.F->Handle());
             RawButton(W);
             return W;
         }, All, "none", "TSkinButton"},
        {"a silent-paint panel keeps its children as they are", [](TFixture& T) {
             HWND W = RawWindow(u"TSilentPaintPanel", 0, T.F->Handle());
             RawButton(W);
             return W;
         }, All, "none", "none"},
        {"a tab control", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             return RawWindow(u"SysTabControl32", 0, T.F->Handle());
         }, All, "TSkinTab"},
        {"an owner-drawn tab control", [](TFixture& T) {
             T.Data.Tabs = std::make_unique<TDataSkinBorder>("Tabs");
             return RawWindow(u"SysTabControl32", TCS_OWNERDRAWFIXED, T.F->Handle());
         }, All, "none"},
        {"a tab control without a tab part",
         [](TFixture& T) { return RawWindow(u"SysTabControl32", 0, T.F->Handle()); }, All, "none"},
        {"a tool bar", [](TFixture& T) { return RawWindow(u"ToolbarWindow32", 0, T.F->Handle()); }, All,
         "TSkinBoxH"},
        {"a tree view", [](TFixture& T) { return RawWindow(u"SysTreeView32", 0, T.F->Handle()); }, All, "none"},
        {"an extended combo box is skinned on its inner combo box", [](TFixture& T) {
             HWND W = RawWindow(u"ComboBoxEx32", 0, T.F->Handle());
             CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"ComboBox"), nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWN,
                             0, 0, 200, 24, W, nullptr, nullptr, nullptr);
             return W;
         }, All, "none", "none",
         [](TFixture& T, HWND W) { EXPECT_EQ(ClassOf(T.SkinOf(GetTopWindow(W))), "TSkinComBox"); }},
        {"an extended combo box without an inner one",
         [](TFixture& T) { return RawWindow(u"ComboBoxEx32", 0, T.F->Handle()); }, All, "TSkinComBox"},
        {"a child dialog placed as a tab stop is left alone", [](TFixture& T) {
             HWND W = RawWindow(u"#32770", WS_TABSTOP, T.F->Handle());
             RawButton(W);
             return W;
         }, All, "none", "none"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TFixture T;
        T.Data.SkinControls = C.bits;
        T.Data.ColButtonFace = 0x123456;
        HWND W = C.make(T);
        ASSERT_TRUE(W);
        TestHooks::PumpPending();
        T.D.SkinWindowByClassName(W);
        TSkinControl* S = T.SkinOf(W);
        EXPECT_EQ(ClassOf(S), C.want);
        if (S) EXPECT_EQ(S->Owner(), &T.RawOwner);
        if (HWND Child = GetTopWindow(W); Child && C.want == "none") {
            if (C.child != "none" || !C.also) EXPECT_EQ(ClassOf(T.SkinOf(Child)), C.child);
        }
        if (C.also) C.also(T, W);
        size_t N = T.Host.ControlSkins.size();
        T.D.SkinWindowByClassName(W);  // once only
        EXPECT_EQ(T.Host.ControlSkins.size(), N);
    }
}

// A container-only class and a navigator reach their children through their
// own rows; the skins the children get do not depend on the container's.
TEST(SkinDispatch, ContainerRowsSkinTheirChildren) {
    struct Case {
        const char* what;
        std::function<TWinControl*(TFixture&)> make;
        TSkinControlTypes bits;
        std::string container, child;
    } Cases[] = {
        {"container-only class", [](TFixture& T) { return Place<TTestContainer>(T.F, T.F, 10); }, All, "none",
         "TSkinButton"},
        {"container-only class without the panel bit",
         [](TFixture& T) { return Place<TTestContainer>(T.F, T.F, 10); }, Without(All, {xcPanel}), "none",
         "TSkinButton"},
        {"navigator", [](TFixture& T) { return Place<TDBNavigator>(T.F, T.F, 10); }, All, "TSkinBox", "TSkinButton"},
        {"navigator without the panel bit", [](TFixture& T) { return Place<TDBNavigator>(T.F, T.F, 10); },
         Without(All, {xcPanel}), "none", "none"},
        {"Skin3rd container", [](TFixture& T) {
             T.Data.Skin3rd().Add("TPictureView=container");
             return Place<TPictureView>(T.F, T.F, 10);
         }, All, "none", "TSkinButton"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TFixture T;
        T.Data.SkinControls = C.bits;
        T.Data.Skin3rd().Clear();
        TWinControl* P = C.make(T);
        P->SetHeight(120);
        auto* B = Place<TButton>(P, T.F, 5);
        TestHooks::PumpPending();
        T.D.SkinControl(P, T.F);
        EXPECT_EQ(ClassOf(T.SkinOf(P)), C.container);
        EXPECT_EQ(ClassOf(T.SkinOf(B)), C.child);
        size_t N = T.Host.ControlSkins.size();
        T.D.SkinControl(P, T.F);
        EXPECT_EQ(T.Host.ControlSkins.size(), N);
    }
}

// The menus of tool buttons get the skinned item handlers only on a window
// whose frame is skinned; those of a tool bar that publishes its menu with the
// bar's own skin.
TEST(SkinDispatch, ToolButtonAndToolBarMenusGetTheSkinnedItemHandlers) {
    for (bool Frame : {true, false}) {
        for (bool BarBit : {true, false}) {
            SCOPED_TRACE(std::string(Frame ? "frame skinned" : "frame not skinned") + (BarBit ? ", tool bars on" : ""));
            TFixture T;
            T.Data.SkinControls = BarBit ? All : Without(All, {xcToolbar});
            std::vector<TMenuItem*> Given;
            T.D.FrameSkinned = [Frame] { return Frame; };
            T.D.SkinMenuItemTree = [&](TMenuItem* I) { Given.push_back(I); };
            auto* Bar = Place<TToolBar>(T.F, T.F, 10);
            auto* Item = new TMenuItem(T.F);
            Item->Add(new TMenuItem(T.F));
            auto* B = new TToolButton(T.F);
            B->SetParent(Bar);
            B->SetMenuItem(Item);
            auto* Plain = new TToolButton(T.F);  // no menu
            Plain->SetParent(Bar);
            auto* Menu = new TMainMenu(T.F);
            TMenuItem* Shown[] = {new TMenuItem(T.F), new TMenuItem(T.F)};
            for (TMenuItem* I : Shown) Menu->Items()->Add(I);
            auto* MenuBar = Place<TTestMenuBar>(T.F, T.F, 60);
            MenuBar->Shown = Menu;
            TestHooks::PumpPending();
            T.D.SkinComponents(T.F);
            std::vector<TMenuItem*> Want;
            if (Frame) Want.push_back(Item);
            if (BarBit) Want.insert(Want.end(), std::begin(Shown), std::end(Shown));
            std::sort(Want.begin(), Want.end());
            std::sort(Given.begin(), Given.end());
            EXPECT_EQ(Given, Want);
            EXPECT_EQ(ClassOf(T.SkinOf(B)), "none");
            EXPECT_EQ(ClassOf(T.SkinOf(MenuBar)), BarBit ? "TSkinBox" : "none");
        }
    }
}

TEST(SkinDispatch, RecreatedScrollingWindowGetsANewSkinOfTheSameKind) {
    TFixture T;
    T.Data.SkinControls = All;
    auto* L = Place<TListView>(T.F, T.F, 10);
    auto* M = Place<TMemo>(T.F, T.F, 60);
    T.D.SkinFormControls(T.F);
    for (TWinControl* C : std::initializer_list<TWinControl*>{L, M}) {
        TSkinControl* Old = T.SkinOf(C);
        ASSERT_NE(Old, nullptr);
        std::string Kind = ClassOf(Old);
        HWND OldWindow = C->Handle();
        C->RecreateWnd();
        EXPECT_EQ(Old->LifeState, 6);
        T.D.RecreateScrollbarSkin(OldWindow);
        TSkinControl* New = T.SkinOf(C);
        ASSERT_NE(New, nullptr);
        EXPECT_EQ(ClassOf(New), Kind);
        EXPECT_EQ(New->Handle, C->Handle());
        EXPECT_EQ(New->LifeState, 1);
    }
}

TEST(SkinDispatch, DetachingGivesEveryControlBackAndFreesTheSkins) {
    TFixture T;
    T.Data.SkinControls = All;
    T.Data.ColButtonFace = 0x123456;
    auto* P = Place<TPanel>(T.F, T.F, 10);
    P->SetColor(0x00FF00);
    auto* B = Place<TButton>(T.F, T.F, 60);
    T.D.SkinFormControls(T.F);
    EXPECT_EQ(P->Color(), 0x123456);
    EXPECT_EQ(B->Perform(SKIN_QUERY, 0, 0), 1);
    T.D.DetachControlSkins();
    EXPECT_TRUE(T.Host.ControlSkins.empty());
    EXPECT_EQ(P->Color(), 0x00FF00);
    EXPECT_EQ(B->Perform(SKIN_QUERY, 0, 0), 0);
}

TEST(SkinDispatch, PictureButtonKindsTakeTheirGlyphFromThePngImageProperty) {
    for (bool ButtonBit : {true, false}) {
        SCOPED_TRACE(ButtonBit);
        TFixture T;
        T.Data.SkinControls = ButtonBit ? All : Without(All, {xcButton});
        T.Data.Skin3rd().Clear();
        T.Data.Skin3rd().Add("TPictureButton=pngbitbtn");
        T.Data.Skin3rd().Add("TPictureSpeedButton=pngspeedbutton");
        auto* B = Place<TPictureButton>(T.F, T.F, 10);
        auto* Speed = new TPictureSpeedButton(T.F);
        Speed->SetParent(T.F);
        Speed->SetBounds(10, 60, 60, 24);
        TestHooks::PumpPending();
        T.D.SkinComponents(T.F);
        auto* Bs = dynamic_cast<TSkinBitButton*>(T.SkinOf(B));
        TSkinSpeedButton* Ss = nullptr;
        for (TSkinControl* X : T.Host.ControlSkins)
            if (X->GraphicControl == Speed) Ss = dynamic_cast<TSkinSpeedButton*>(X);
        if (!ButtonBit) {
            EXPECT_EQ(Bs, nullptr);
            EXPECT_EQ(Ss, nullptr);
            continue;
        }
        ASSERT_NE(Bs, nullptr);
        EXPECT_EQ(Bs->ClassName(), "TSkinBitButton");
        EXPECT_EQ(Bs->GlyphProperty, "PngImage");
        ASSERT_NE(Ss, nullptr);
        EXPECT_EQ(Ss->GlyphProperty, "PngImage");
        EXPECT_EQ(Ss->Owner(), Speed);
    }
}

// ---- Tool bars ------------------------------------------------------------------------------------
constexpr TColor FrameColours[] = {0x0000C0, 0x00C000, 0xC00000, 0xC0C000, 0xC000C0};  // frames 1 to 5

// The Button part as a strip of five plain frames.
std::unique_ptr<TDataSkinButton> FiveFrames() {
    auto P = std::make_unique<TDataSkinButton>("Buttons");
    P->Bitmap = std::make_unique<TBitmap>(50, 10);
    for (int K = 0; K < 5; ++K) {
        P->Bitmap->Canvas().Brush().SetColor(FrameColours[K]);
        P->Bitmap->Canvas().FillRect(TRect(K * 10, 0, K * 10 + 10, 10));
    }
    P->FrameCount = 5;
    return P;
}

TEST(SkinToolbar, DispatchInstallsTheHandlersWhereTheBarHasNoneAndDetachingClearsThem) {
    TFixture T;
    T.Data.SkinControls = All;
    auto* Plain = Place<TToolBar>(T.F, T.F, 10);
    Plain->Flat = false;
    auto* Own = Place<TToolBar>(T.F, T.F, 60);
    bool OwnCalled = false;
    Own->OnCustomDraw = [&](TToolBar*, TCanvas&, const TRect&, bool&) { OwnCalled = true; };
    T.D.SkinFormControls(T.F);
    EXPECT_EQ(ClassOf(T.SkinOf(Plain)), "TSkinBox");
    EXPECT_TRUE(Plain->Flat);
    EXPECT_TRUE(Plain->OnCustomDraw);
    EXPECT_TRUE(Plain->OnCustomDrawButton);
    EXPECT_TRUE(Own->OnCustomDrawButton);
    TRect R(0, 0, 10, 10);
    bool Default = true;
    Own->OnCustomDraw(Own, Own->Canvas(), R, Default);
    EXPECT_TRUE(OwnCalled);  // its own handler is kept
    T.D.DetachControlSkins();
    EXPECT_FALSE(Plain->OnCustomDraw);
    EXPECT_FALSE(Plain->OnCustomDrawButton);
}

TEST(SkinToolbar, BackgroundIsTheToolbarImageStretchedUnlessTheSkinKeepsTheBarsOwn) {
    constexpr TColor Red = 0x0000FF, Blue = 0xFF0000, Before = 0x00FF00;
    struct Case {
        const char* what;
        bool part;
        TSkinOptions options;
        bool drawn;
    } Cases[] = {
        {"the component's default options keep the bar's background", true, {xoPreview, xoToolbarBK}, false},
        {"stretched", true, {xoPreview}, true},
        {"no Toolbar part", false, {xoPreview}, false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TFixture T;
        T.Data.Options = C.options;
        if (C.part) {
            auto P = std::make_unique<TDataSkinObject>("Toolbar");
            P->Bitmap = std::make_unique<TBitmap>(20, 4);
            P->Bitmap->Canvas().Brush().SetColor(Red);
            P->Bitmap->Canvas().FillRect(TRect(0, 0, 10, 4));
            P->Bitmap->Canvas().Brush().SetColor(Blue);
            P->Bitmap->Canvas().FillRect(TRect(10, 0, 20, 4));
            T.Data.Toolbar = std::move(P);
        }
        TBitmap B(120, 40);
        B.Canvas().Brush().SetColor(Before);
        B.Canvas().FillRect(TRect(0, 0, 120, 40));
        SetStretchBltMode(B.Canvas().Handle(), COLORONCOLOR);
        bool Default = true;
        T.D.ToolbarBackground(nullptr, B.Canvas(), TRect(10, 5, 110, 35), Default);
        EXPECT_TRUE(Default);
        EXPECT_EQ(GetStretchBltMode(B.Canvas().Handle()), COLORONCOLOR);  // the mode is given back
        EXPECT_EQ(B.Canvas().Pixel(5, 20), Before);  // outside the rectangle
        EXPECT_EQ(B.Canvas().Pixel(20, 20), C.drawn ? Red : Before);
        EXPECT_EQ(B.Canvas().Pixel(100, 20), C.drawn ? Blue : Before);
    }
}

// The button handler on a real bar: the button's canvas, its state from the
// mouse and the press, the frame inside the button by one pixel.
TEST(SkinToolbar, ButtonFrameByStateInsideTheButton) {
    constexpr TColor Before = 0x404040, NormalText = 0x00FF00, HotText = 0x00FFFF, PressedText = 0xFFFF00;
    struct Case {
        const char* what;
        bool hot, down, enabled, dflt;
        TCustomDrawState extra;  // states the bar itself never reports
        int frame;               // 0: nothing drawn
        std::function<void(TFixture&)> setup;
    } Cases[] = {
        {"normal", false, false, true, false, {}, 0, nullptr},
        {"hot", true, false, true, false, {}, 4, nullptr},
        {"pressed", false, true, true, false, {}, 2, nullptr},
        {"pressed and hot", true, true, true, false, {}, 2, nullptr},
        {"disabled under the mouse", true, false, false, false, {}, 4, nullptr},
        {"the default button", false, false, true, true, {}, 1, nullptr},
        {"the default button hot", true, false, true, true, {}, 4, nullptr},
        {"the default button pressed", false, true, true, true, {}, 2, nullptr},
        {"a disabled default button", false, false, false, true, {}, 0, nullptr},
        {"a grayed default button", false, false, true, true, TCustomDrawState{cdsGrayed}, 0, nullptr},
        {"focused", false, false, true, false, TCustomDrawState{cdsFocused}, 4, nullptr},
        {"focused default button", false, false, true, true, TCustomDrawState{cdsFocused}, 4, nullptr},
        {"the skin keeps the bar's buttons", true, false, true, false, {}, 0,
         [](TFixture& T) { T.Data.Options.Include(xoToolbarButton); }},
        {"the default button when the skin keeps them", false, false, true, true, {}, 0,
         [](TFixture& T) { T.Data.Options.Include(xoToolbarButton); }},
        {"the window is still being skinned", true, false, true, false, {}, 0,
         [](TFixture& T) { T.D.HostState = [] { return 3; }; }},
        {"no Button part", true, false, true, false, {}, 0, [](TFixture& T) { T.Data.Button.reset(); }},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TFixture T;
        T.Data.SkinControls = All;
        T.Data.Button = FiveFrames();
        T.Data.Button->HasNormalColour2 = true;
        T.Data.Button->NormalColour2 = NormalText;
        T.Data.Button->HasMouseOverColour2 = true;
        T.Data.Button->MouseOverColour2 = HotText;
        T.Data.Button->HasPressedColour2 = true;
        T.Data.Button->PressedColour2 = PressedText;
        T.D.HostState = [] { return 1; };
        auto* Bar = Place<TToolBar>(T.F, T.F, 10);
        Bar->ShowCaptions = false;
        TToolButton* Buttons[2];
        for (auto*& B : Buttons) {
            B = new TToolButton(T.F);
            B->SetWidth(40);
            B->SetParent(Bar);
        }
        Bar->ArrangeButtons();
        TToolButton* B = Buttons[1];
        ASSERT_EQ(B->Left(), 40);  // the handler draws in the button's own coordinates
        T.D.SkinFormControls(T.F);
        if (C.setup) C.setup(T);
        B->SetEnabled(C.enabled);
        B->Default = C.dflt;
        if (C.hot) B->Perform(CM_MOUSEENTER, 0, 0);
        if (C.down) B->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ASSERT_EQ(B->Hot(), C.hot);
        ASSERT_EQ(B->Down(), C.down && C.enabled);
        std::vector<TColor> FontColours;
        std::vector<TCustomDrawState> States;
        auto Skinned = Bar->OnCustomDrawButton;
        Bar->OnCustomDrawButton = [&](TToolBar* S, TToolButton* X, TCanvas& Cv, TCustomDrawState St, bool& D) {
            States.push_back(St);
            for (auto Item : {cdsFocused, cdsGrayed})
                if (C.extra.Contains(Item)) St.Include(Item);
            Cv.Font().SetColor(Before);
            Skinned(S, X, Cv, St, D);
            EXPECT_TRUE(D);  // the bar's own drawing follows
            FontColours.push_back(Cv.Font().Color());
        };
        TBitmap Pic(B->Width(), B->Height());
        Pic.Canvas().Brush().SetColor(Before);
        Pic.Canvas().FillRect(TRect(0, 0, Pic.Width(), Pic.Height()));
        B->PaintTo(Pic.Canvas().Handle());
        ASSERT_EQ(FontColours.size(), 1u);
        // The bar's own report of the button.
        EXPECT_EQ(States[0].Contains(cdsDefault), C.dflt);
        EXPECT_EQ(States[0].Contains(cdsHot), C.hot);
        EXPECT_EQ(States[0].Contains(cdsDisabled), !C.enabled);
        EXPECT_FALSE(States[0].Contains(cdsFocused) || States[0].Contains(cdsGrayed));
        TColor Inside = Pic.Canvas().Pixel(3, B->Height() / 2), Corner = Pic.Canvas().Pixel(0, 0);
        if (C.frame == 0) {
            for (TColor F : FrameColours) EXPECT_NE(Inside, F);
            EXPECT_EQ(FontColours[0], Before);
        } else {
            EXPECT_EQ(Inside, FrameColours[C.frame - 1]);
            EXPECT_EQ(Pic.Canvas().Pixel(1, 1), FrameColours[C.frame - 1]);
            EXPECT_NE(Corner, FrameColours[C.frame - 1]);  // one pixel in from the bounds
            EXPECT_EQ(FontColours[0], C.frame == 4 ? HotText : C.frame == 2 ? PressedText : NormalText);
        }
    }
}

}  // namespace
