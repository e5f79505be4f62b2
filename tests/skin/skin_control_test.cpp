// The control-skin base: attaching to controls and raw windows, the message
// flow, detaching, freeing, and the property and window helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/buttons.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "skin/skin_control.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

std::vector<std::string> Log;

class THost : public TControlSkinHost {
public:
    HWND HostWindow() const override { return nullptr; }
};

// A control skin that reports what reaches its hooks.
class TProbeSkin : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    int Befores = 0, Draws = 0;
    bool ThrowInDraw = false;
    bool BeforeMessage(TMessage& M) override {
        ++Befores;
        return TSkinControl::BeforeMessage(M);
    }
    void Detach() override {
        Log.push_back("detach");
        TSkinControl::Detach();
    }
    void Draw(HDC, const TRect&) override {
        ++Draws;
        if (ThrowInDraw) throw Exception("drawing failed");
    }
};

constexpr UINT WM_PROBE = WM_USER + 77;

// What the control heard before the skin came: the previous handling.
struct TPrevious {
    TControl* C;
    TWndMethod Real;
    std::vector<UINT> Heard;
    explicit TPrevious(TControl* Control) : C(Control), Real(Control->WindowProc) {
        C->WindowProc = [this](TMessage& M) {
            if (M.Msg == WM_PROBE || M.Msg == SKIN_QUERY || M.Msg == SKIN_SWITCHCONTROL ||
                M.Msg == WM_NCDESTROY) {
                Heard.push_back(M.Msg);
                if (M.Msg == WM_NCDESTROY) Log.push_back("previous WM_NCDESTROY");
                return;
            }
            Real(M);
        };
    }
    ~TPrevious() { C->WindowProc = Real; }
    int Count(UINT Msg) const { return static_cast<int>(std::count(Heard.begin(), Heard.end(), Msg)); }
};

struct TButtonForm {
    TForm* F = new TForm(Application);
    TButton* B = new TButton(F);
    TButtonForm() {
        B->SetParent(F);
        B->SetBounds(10, 10, 80, 25);
        B->SetCaption("Go");
        F->Show();
        TestHooks::PumpPending();
    }
    ~TButtonForm() { F->Free(); }
};

TEST(SkinControl, SwitchMessageTurnsTheSkinOffAndOnWithoutReachingTheControl) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    TPrevious Prev(T.B);
    auto* S = new TProbeSkin(T.B);
    S->AttachControl(&Host, nullptr, nullptr, false);
    EXPECT_EQ(T.B->Perform(SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(Prev.Count(SKIN_QUERY), 0);  // answered by the skin alone
    // Off: WParam 0, and a negative number (compared as a signed 32-bit value).
    for (WPARAM Off : {WPARAM(0), WPARAM(0xFFFFFFFFu)}) {
        T.B->Perform(SKIN_SWITCHCONTROL, Off, 0);
        EXPECT_FALSE(S->Active);
        int Before = S->Befores;
        EXPECT_EQ(T.B->Perform(SKIN_QUERY, 0, 0), 0);  // straight to the previous handling
        T.B->Perform(WM_PROBE, 0, 0);
        EXPECT_EQ(S->Befores, Before);
        T.B->Perform(SKIN_SWITCHCONTROL, 1, 0);
        EXPECT_TRUE(S->Active);
    }
    EXPECT_EQ(Prev.Count(SKIN_SWITCHCONTROL), 0);
    EXPECT_EQ(Prev.Count(SKIN_QUERY), 2);
    // Switching on repaints at once.
    T.B->Perform(SKIN_SWITCHCONTROL, 0, 0);
    int Draws = S->Draws;
    T.B->Perform(SKIN_SWITCHCONTROL, 5, 0);
    EXPECT_GT(S->Draws, Draws);
    EXPECT_EQ(Host.ControlSkins, std::vector<TSkinControl*>{S});
    S->Free();
    EXPECT_TRUE(Host.ControlSkins.empty());
    // Freed: the control's previous handling is back.
    T.B->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(Prev.Count(WM_PROBE), 3);
}

TEST(SkinControl, DestroyedWindowRunsThePreviousHandlingFirstThenDetaches) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    TPrevious Prev(T.B);
    auto* S = new TProbeSkin(T.B);
    S->AttachControl(&Host, nullptr, nullptr, false);
    Log.clear();
    T.B->Perform(WM_NCDESTROY, 0, 0);
    EXPECT_EQ(Log, (std::vector<std::string>{"previous WM_NCDESTROY", "detach"}));
    EXPECT_EQ(S->LifeState, 6);
    EXPECT_FALSE(S->Active);
    int Before = S->Befores;
    T.B->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(S->Befores, Before);
    EXPECT_EQ(Prev.Count(WM_PROBE), 1);
    S->Free();
}

TEST(SkinControl, AttachingTwiceChangesNothingTheSecondTime) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    TPrevious Prev(T.B);
    auto* S = new TProbeSkin(T.B);
    S->AttachControl(&Host, nullptr, nullptr, false);
    S->AttachControl(&Host, nullptr, nullptr, false);
    T.B->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(Prev.Count(WM_PROBE), 1);
    EXPECT_EQ(S->Befores, 1);
    EXPECT_EQ(Host.ControlSkins.size(), 1u);
    S->Free();
    T.B->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(Prev.Count(WM_PROBE), 2);
}

// ---- Raw windows -------------------------------------------------------------------
std::vector<UINT> RawHeard;
LRESULT CALLBACK RawProc(HWND W, UINT Msg, WPARAM Wp, LPARAM Lp) {
    if (Msg == WM_PROBE || Msg == SKIN_QUERY || Msg == SKIN_SWITCHCONTROL) {
        RawHeard.push_back(Msg);
        return 7;
    }
    if (Msg == WM_NCDESTROY) Log.push_back("previous WM_NCDESTROY");
    return DefWindowProcW(W, Msg, Wp, Lp);
}

HWND MakeRaw(HWND Parent, DWORD Style) {
    static bool Registered = false;
    if (!Registered) {
        WNDCLASSW C{};
        C.lpfnWndProc = RawProc;
        C.lpszClassName = reinterpret_cast<LPCWSTR>(u"SkinTestRaw");
        RegisterClassW(&C);
        Registered = true;
    }
    return CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"SkinTestRaw"), reinterpret_cast<LPCWSTR>(u"Raw ä"),
                           Style, 0, 0, 50, 20, Parent, nullptr, nullptr, nullptr);
}

TEST(SkinControl, RawWindowIsSubclassedOnceAndGivenBackWhenFreed) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    HWND W = MakeRaw(T.F->Handle(), WS_CHILD | WS_VISIBLE);
    ASSERT_TRUE(W);
    LONG_PTR Original = GetWindowLongPtrW(W, GWLP_WNDPROC);
    auto* S = new TProbeSkin(T.F);
    S->AttachWindow(W, nullptr, &Host, nullptr);
    S->AttachWindow(W, nullptr, &Host, nullptr);  // would otherwise call itself without end
    EXPECT_EQ(S->Caption, u"Raw ä");
    EXPECT_TRUE(S->UnicodeWindow);
    RawHeard.clear();
    EXPECT_EQ(SendMessageW(W, WM_PROBE, 0, 0), 7);
    EXPECT_EQ(SendMessageW(W, SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(RawHeard, std::vector<UINT>{WM_PROBE});
    EXPECT_EQ(Host.ControlSkins.size(), 1u);
    S->Free();
    EXPECT_EQ(GetWindowLongPtrW(W, GWLP_WNDPROC), Original);
    EXPECT_EQ(SendMessageW(W, SKIN_QUERY, 0, 0), 7);
    DestroyWindow(W);
}

TEST(SkinControl, RawWindowDestroyedLeavesTheSkinForThePurge) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    HWND W = MakeRaw(T.F->Handle(), WS_CHILD);
    auto* S = new TProbeSkin(T.F);
    S->AttachWindow(W, nullptr, &Host, nullptr);
    Log.clear();
    DestroyWindow(W);
    EXPECT_EQ(Log, (std::vector<std::string>{"previous WM_NCDESTROY", "detach"}));
    EXPECT_EQ(S->LifeState, 6);
    S->Free();  // the window is gone: nothing to give back, no crash
    EXPECT_TRUE(Host.ControlSkins.empty());
}

TEST(SkinControl, PaintingErrorsAreSwallowed) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    auto* S = new TProbeSkin(T.B);
    S->AttachControl(&Host, nullptr, nullptr, false);
    S->ThrowInDraw = true;
    EXPECT_NO_THROW(S->PaintFrame(nullptr));
    EXPECT_EQ(S->WindowRect.Width(), 80);
    EXPECT_NO_THROW(T.B->Repaint());
    EXPECT_GT(S->Draws, 0);
}

TEST(SkinControl, SetColorAndParentBackgroundGoAndComeBack) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    TSkinData Data(nullptr);
    Data.ColButtonFace = 0x123456;
    struct Case {
        const char* what;
        bool parentBackground, optionKeeps;
        bool backgroundWhileSkinned;
        int mode;
    } Cases[] = {
        {"parent background on", true, false, false, 1},
        {"parent background off", false, false, false, 0},
        {"skin keeps parent backgrounds", true, true, true, 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        auto* P = new TPanel(T.F);
        P->SetParent(T.F);
        P->SetColor(clBtnFace);
        P->ParentBackground = C.parentBackground;
        Data.Options = C.optionKeeps ? TSkinOptions{xoParentBackGround} : TSkinOptions{};
        auto* S = new TSkinControl(P);
        S->AttachControl(&Host, &Data, nullptr, true);
        EXPECT_EQ(P->ParentBackground, C.backgroundWhileSkinned);
        EXPECT_EQ(S->Mode, C.mode);
        EXPECT_EQ(P->Color(), 0x123456);
        Data.ColButtonFace = 0x654321;
        S->SkinChanged();
        EXPECT_EQ(P->Color(), 0x654321);
        Data.ColButtonFace = 0x123456;
        S->Detach();
        EXPECT_EQ(P->ParentBackground, C.parentBackground);
        EXPECT_EQ(P->Color(), clBtnFace);
        P->Free();  // frees its skin too
        EXPECT_TRUE(Host.ControlSkins.empty());
    }
    // Without SetColor nothing of the control changes.
    auto* P = new TPanel(T.F);
    P->SetParent(T.F);
    auto* S = new TSkinControl(P);
    S->AttachControl(&Host, &Data, nullptr, false);
    EXPECT_TRUE(P->ParentBackground);
    EXPECT_EQ(P->Color(), clBtnFace);
    EXPECT_EQ(S->Mode, 0);
    P->Free();
}

TEST(SkinControl, ParentColorIsTheParentsPublishedColor) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    auto* P = new TPanel(T.F);
    P->SetParent(T.F);
    P->SetColor(0x0A0B0C);
    auto* B = new TButton(T.F);
    B->SetParent(P);
    TSkinControl S(nullptr);
    EXPECT_EQ(S.ParentColor(0x111111), 0x111111);  // no control
    S.Control = B;
    EXPECT_EQ(S.ParentColor(0x111111), 0x0A0B0C);
    S.Control = T.F;  // no parent
    EXPECT_EQ(S.ParentColor(0x111111), 0x111111);
    S.Control = nullptr;
}

// A control class with properties of every kind, as a class of another
// library would publish them.
class TForeign : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TForeign(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::u16string Wide = u"wïde";
    std::string Narrow = "nàrrow";
    int Count = 4;
    bool Flag = true;
    TFont Font2;
};
TClassInfo& TForeign::StaticClassInfo() {
    static TClassInfo CI("TForeign", &TCustomControl::StaticClassInfo(), CreateComponentOf<TForeign>, [](TClassInfo& C) {
        C.PublishWideString<TForeign>("Wide", [](TForeign& O) { return O.Wide; },
                                      [](TForeign& O, const std::u16string& V) { O.Wide = V; });
        C.PublishString<TForeign>("Narrow", [](TForeign& O) { return O.Narrow; },
                                  [](TForeign& O, const std::string& V) { O.Narrow = V; });
        C.PublishInteger<TForeign>("Count", [](TForeign& O) -> int64_t { return O.Count; },
                                   [](TForeign& O, int64_t V) { O.Count = static_cast<int>(V); });
        C.PublishBool<TForeign>("Flag", [](TForeign& O) { return O.Flag; }, [](TForeign& O, bool V) { O.Flag = V; });
        C.PublishObject<TForeign>("Glyph", [](TForeign& O) -> TObject* { return &O.Font2; });
    });
    return CI;
}

TEST(SkinControl, PropertyHelpersTreatAbsentPropertiesAsAbsent) {
    TForeign O(nullptr);
    struct Case {
        TObject* obj;
        const char* name;
        int32_t integer;
        std::string enumName;
        std::u16string wide;
        bool object;
    } Cases[] = {
        {&O, "count", 4, "", u"", false},
        {&O, "Flag", -1, "True", u"", false},
        {&O, "Wide", -1, "", u"wïde", false},
        {&O, "Narrow", -1, "", u"nàrrow", false},  // an ANSI string converted
        {&O, "Glyph", -1, "", u"", true},
        {&O, "Missing", -1, "", u"", false},
        {nullptr, "Count", -1, "", u"", false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.name);
        EXPECT_EQ(GetIntegerPropValue(C.obj, C.name), C.integer);
        EXPECT_EQ(GetEnumPropName(C.obj, C.name), C.enumName);
        EXPECT_EQ(GetStrPropWide(C.obj, C.name), C.wide);
        EXPECT_EQ(GetObjectPropByName<TFont>(C.obj, C.name) != nullptr, C.object);
    }
    EXPECT_EQ(GetObjectPropByName<TBitmap>(&O, "Glyph"), nullptr);  // of another class
    SetPropFromText(&O, "Count", "12");
    SetPropFromText(&O, "flag", "false");
    SetPropFromText(&O, "Wide", "ünï");
    SetPropFromText(&O, "Narrow", "plain");
    EXPECT_EQ(O.Count, 12);
    EXPECT_FALSE(O.Flag);
    EXPECT_EQ(O.Wide, u"ünï");
    EXPECT_EQ(O.Narrow, "plain");
    EXPECT_THROW(SetPropFromText(&O, "Count", "twelve"), EConvertError);
    EXPECT_NO_THROW(SetPropFromText(&O, "Missing", "1"));
    EXPECT_NO_THROW(SetPropFromText(nullptr, "Count", "1"));
    EXPECT_NO_THROW(SetPropFromText(&O, "Glyph", "x"));  // an object: no change
}

TEST(SkinControl, PopupWindowsAreThoseWithThePopupStyleOrTheDesktopAsParent) {
    THost Host;  // outlives the form and the skins it owns
    TButtonForm T;
    HWND Child = MakeRaw(T.F->Handle(), WS_CHILD);
    HWND Popup = MakeRaw(nullptr, WS_POPUP);
    HWND OnDesktop = MakeRaw(nullptr, WS_OVERLAPPED);  // its parent is the desktop window
    ASSERT_TRUE(Child && Popup && OnDesktop);
    EXPECT_FALSE(IsPopupWindow(Child));
    EXPECT_TRUE(IsPopupWindow(Popup));
    EXPECT_TRUE(IsPopupWindow(OnDesktop));
    for (HWND W : {Child, Popup, OnDesktop}) DestroyWindow(W);
    EXPECT_FALSE(IsPopupWindow(Child));  // no longer a window
}

TEST(SkinControl, CopyBitmapIntoTakesSizeFormatAndPixels) {
    TBitmap Src(3, 2, pf32bit);
    Src.Canvas().SetPixel(2, 1, static_cast<TColor>(0x00FF00));
    TBitmap Dst(1, 1, pf24bit);
    CopyBitmapInto(Src, Dst);
    EXPECT_EQ(Dst.Width(), 3);
    EXPECT_EQ(Dst.Height(), 2);
    EXPECT_EQ(Dst.PixelFormat(), pf32bit);
    EXPECT_EQ(Dst.Canvas().Pixel(2, 1), static_cast<TColor>(0x00FF00));
}

}  // namespace
