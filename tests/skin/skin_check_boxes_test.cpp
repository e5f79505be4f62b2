// Check-box and radio-button skins: the strip frame for each state and strip
// size, whole-control painting of class-library controls, the box alone over
// a raw window, transparency and a skin without boxes.
#include <gtest/gtest.h>

#include "platform/classlib/extctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_check_boxes.h"

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

constexpr TColor Face = 0xC0C0C0;
// Frame k of a strip is (k * 16, 0, 255 - k * 16): distinct, never magenta.
TColor FrameColor(int K) { return static_cast<TColor>((K * 16) | ((255 - K * 16) << 16)); }

std::unique_ptr<TBitmap> Strip(int N) {
    auto B = std::make_unique<TBitmap>(13 * N, 13);
    for (int K = 1; K <= N; ++K) {
        B->Canvas().Brush().SetColor(FrameColor(K));
        B->Canvas().FillRect(TRect((K - 1) * 13, 0, K * 13, 13));
    }
    return B;
}

struct TFixture {
    THost Host;
    TSkinData Data{nullptr};
    TForm* F = new TForm(Application);
    explicit TFixture(int CheckFrames = 4, int RadioFrames = 4) {
        Data.ColButtonFace = Face;
        auto B = std::make_unique<TDataSkinButton>("Buttons");
        B->CheckBitmap = Strip(CheckFrames);
        B->CheckFrameCount = CheckFrames;
        B->RadioBitmap = Strip(RadioFrames);
        B->RadioFrameCount = RadioFrames;
        Data.Button = std::move(B);
        F->SetColor(0x00FFFF);
        F->Show();
    }
    ~TFixture() { F->Free(); }
    template <class S, class C>
    S* Skin(C* Control) {
        Control->SetParent(F);
        Control->SetBounds(10, 10, 120, 21);
        Control->SetCaption("Choice");
        auto* X = new S(Control);
        X->AttachControl(&Host, &Data, nullptr, false);
        TestHooks::PumpPending();
        return X;
    }
};

// The box's centre colour as the skin draws the control into a bitmap.
template <class S>
TColor BoxColor(S* Skin, int X = 6) {
    TBitmap B(120, 21);
    Skin->Draw(B.Canvas().Handle(), TRect(0, 0, 120, 21));
    return B.Canvas().Pixel(X, 10);
}

TEST(SkinCheckBox, FrameFollowsStateAndTheStripsFrameCount) {
    struct Case {
        const char* what;
        int frames;
        TCheckBoxState state;
        bool enabled;
        int want;
    } Cases[] = {
        {"4: unchecked", 4, cbUnchecked, true, 1},
        {"4: checked", 4, cbChecked, true, 2},
        {"4: unchecked, disabled", 4, cbUnchecked, false, 3},
        {"4: checked, disabled", 4, cbChecked, false, 4},
        {"4: grayed", 4, cbGrayed, true, 4},
        {"4: grayed, disabled", 4, cbGrayed, false, 4},
        {"12: unchecked", 12, cbUnchecked, true, 1},
        {"12: checked", 12, cbChecked, true, 5},
        {"12: unchecked, disabled (3 to 4, not on to 8)", 12, cbUnchecked, false, 4},
        {"12: checked, disabled", 12, cbChecked, false, 8},
        {"12: grayed", 12, cbGrayed, true, 9},
        {"12: grayed, disabled", 12, cbGrayed, false, 12},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TFixture T(C.frames);
        auto* Box = new TCheckBox(T.F);
        auto* S = T.Skin<TSkinCheckBox>(Box);
        EXPECT_EQ(S->Mode, 1);
        Box->SetState(C.state);
        Box->SetEnabled(C.enabled);
        EXPECT_EQ(BoxColor(S), FrameColor(C.want));
    }
}

TEST(SkinCheckBox, IndeterminateByMessageAndTheBoxOnTheRight) {
    TFixture T;
    auto* Box = new TCheckBox(T.F);
    auto* S = T.Skin<TSkinCheckBox>(Box);
    SendMessageW(Box->Handle(), BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(S->CheckState, 3);
    // The class library's State is not told; the window's state wins.
    EXPECT_EQ(BoxColor(S), FrameColor(4));
    auto* Right = new TCheckBox(T.F);
    Right->Alignment = taLeftJustify;  // caption left, box right
    auto* S2 = T.Skin<TSkinCheckBox>(Right);
    SendMessageW(Right->Handle(), BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(BoxColor(S2, 120 - 6), FrameColor(4));
    EXPECT_EQ(BoxColor(S2, 3), Face);
}

// A foreign data-aware check box, as another library would publish it.
class TDataCheck : public TCheckBox {
    TESSARO_CLASSINFO
public:
    using TCheckBox::TCheckBox;
    std::string DataField = "Flag";
    bool Bound = false;
};
TClassInfo& TDataCheck::StaticClassInfo() {
    static TClassInfo CI("TDataCheck", &TCheckBox::StaticClassInfo(), CreateComponentOf<TDataCheck>, [](TClassInfo& C) {
        C.PublishString<TDataCheck>("DataField", [](TDataCheck& O) { return O.DataField; });
    });
    return CI;
}
class TBoundCheck : public TCheckBox {
    TESSARO_CLASSINFO
public:
    using TCheckBox::TCheckBox;
};
TClassInfo& TBoundCheck::StaticClassInfo() {
    static TClassInfo CI("TBoundCheck", &TCheckBox::StaticClassInfo(), CreateComponentOf<TBoundCheck>, [](TClassInfo& C) {
        C.PublishObject<TBoundCheck>("DataBinding", [](TBoundCheck& O) -> TObject* { return &O; });
    });
    return CI;
}

TEST(SkinCheckBox, DataAwareBoxesFollowTheLastCheckMessage) {
    TFixture T;
    auto* D = new TDataCheck(T.F);
    auto* S = T.Skin<TSkinCheckBox>(D);
    D->SetState(cbChecked);  // BM_SETCHECK 1: CheckState 2
    EXPECT_EQ(BoxColor(S), FrameColor(2));
    SendMessageW(D->Handle(), BM_SETCHECK, 2, 0);  // CheckState 3 shows 4
    EXPECT_EQ(BoxColor(S), FrameColor(4));
    auto* B = new TBoundCheck(T.F);
    auto* S2 = T.Skin<TSkinCheckBox>(B);
    B->SetState(cbChecked);
    EXPECT_EQ(BoxColor(S2), FrameColor(1));  // a data-binding box always shows frame 1
}

TEST(SkinRadioButton, EightFrameStripIsMappedAtOnce) {
    struct Case {
        int frames;
        bool checked, enabled;
        int want;
    } Cases[] = {
        {4, false, true, 1}, {4, true, true, 2}, {4, false, false, 3}, {4, true, false, 4},
        {8, false, true, 1}, {8, true, true, 5}, {8, false, false, 4}, {8, true, false, 8},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::to_string(C.frames) + (C.checked ? " checked" : " unchecked") +
                     (C.enabled ? "" : " disabled"));
        TFixture T(4, C.frames);
        auto* R = new TRadioButton(T.F);
        auto* S = T.Skin<TSkinRadioButton>(R);
        R->SetChecked(C.checked);
        R->SetEnabled(C.enabled);
        EXPECT_EQ(BoxColor(S), FrameColor(C.want));
    }
}

TEST(SkinCheckBox, ControlIsPaintedWholeAndARawWindowKeepsItsCaption) {
    TFixture T;
    auto* Box = new TCheckBox(T.F);
    T.Skin<TSkinCheckBox>(Box);
    Box->Repaint();
    TestHooks::PumpPending();
    // Painted by the skin: face colour beside the caption, the box from the strip.
    HDC Dc = GetDC(Box->Handle());
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 117, 2)), Face);
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 6, 10)), FrameColor(1));
    ReleaseDC(Box->Handle(), Dc);
    // A raw check box: native drawing, the skin's box over it.
    HWND Raw = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"Button"), reinterpret_cast<LPCWSTR>(u"Raw"),
                               WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 40, 120, 21, T.F->Handle(), nullptr,
                               nullptr, nullptr);
    TComponent Holder(nullptr);
    auto* S = new TSkinCheckBox(&Holder);
    S->AttachWindow(Raw, &T.Data, &T.Host, nullptr);
    EXPECT_EQ(S->Mode, 0);
    InvalidateRect(Raw, nullptr, TRUE);
    UpdateWindow(Raw);
    Dc = GetDC(Raw);
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 6, 10)), FrameColor(1));
    EXPECT_NE(static_cast<TColor>(GetPixel(Dc, 117, 2)), Face);  // the native background stays
    ReleaseDC(Raw, Dc);
    SendMessageW(Raw, BM_SETCHECK, BST_CHECKED, 0);
    Dc = GetDC(Raw);
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 6, 10)), FrameColor(2));
    ReleaseDC(Raw, Dc);
    DestroyWindow(Raw);
}

TEST(SkinCheckBox, TransparentBoxShowsTheParentAndNoSkinMeansNativePainting) {
    TFixture T;
    auto* P = new TPanel(T.F);
    P->SetParent(T.F);
    P->SetBounds(0, 0, 200, 60);
    P->SetColor(0x3366CC);
    P->BevelOuter = bvNone;
    auto* Box = new TCheckBox(T.F);
    Box->Tag = 5555;
    Box->SetParent(P);
    Box->SetBounds(10, 10, 120, 21);
    auto* S = new TSkinCheckBox(Box);
    S->AttachControl(&T.Host, &T.Data, nullptr, false);
    EXPECT_TRUE(S->Transparent);
    Box->Repaint();
    TestHooks::PumpPending();
    HDC Dc = GetDC(Box->Handle());
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 117, 2)), 0x3366CC);
    ReleaseDC(Box->Handle(), Dc);
    // A skin without box strips leaves the control to its own painting.
    TSkinData Empty(nullptr);
    Empty.ColButtonFace = Face;
    auto* Plain = new TCheckBox(T.F);
    Plain->SetParent(T.F);
    Plain->SetBounds(10, 80, 120, 21);
    auto* S2 = new TSkinCheckBox(Plain);
    S2->AttachControl(&T.Host, &Empty, nullptr, false);
    EXPECT_EQ(S2->Mode, 0);
    Plain->Repaint();
    TestHooks::PumpPending();
    Dc = GetDC(Plain->Handle());
    EXPECT_NE(static_cast<TColor>(GetPixel(Dc, 6, 10)), FrameColor(1));
    ReleaseDC(Plain->Handle(), Dc);
}

}  // namespace

namespace {

// Boxes of another library that take glyph strips through their properties.
class TForeignCheck : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TForeignCheck(TComponent* AOwner) : TCustomControl(AOwner) {}
    TBitmap CustomGlyphs;
    int TransparentColor = 0;
    std::vector<bool> UseCustomGlyphs;  // every value set, in order
};
TClassInfo& TForeignCheck::StaticClassInfo() {
    static TClassInfo CI("TForeignCheck", &TCustomControl::StaticClassInfo(), CreateComponentOf<TForeignCheck>,
                         [](TClassInfo& C) {
                             C.PublishObject<TForeignCheck>("CustomGlyphs", [](TForeignCheck& O) -> TObject* { return &O.CustomGlyphs; });
                             C.PublishInteger<TForeignCheck>("TransparentColor",
                                                             [](TForeignCheck& O) -> int64_t { return O.TransparentColor; },
                                                             [](TForeignCheck& O, int64_t V) { O.TransparentColor = static_cast<int>(V); });
                             C.PublishBool<TForeignCheck>("UseCustomGlyphs",
                                                          [](TForeignCheck& O) { return !O.UseCustomGlyphs.empty() && O.UseCustomGlyphs.back(); },
                                                          [](TForeignCheck& O, bool V) { O.UseCustomGlyphs.push_back(V); });
                         });
    return CI;
}
class TBoxProperties : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TBoxProperties(TComponent* AOwner) : TComponent(AOwner) {}
    TBitmap Glyph;
};
TClassInfo& TBoxProperties::StaticClassInfo() {
    static TClassInfo CI("TBoxProperties", &TComponent::StaticClassInfo(), nullptr, [](TClassInfo& C) {
        C.PublishObject<TBoxProperties>("Glyph", [](TBoxProperties& O) -> TObject* { return &O.Glyph; });
    });
    return CI;
}
class TForeignCheck3 : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TForeignCheck3(TComponent* AOwner) : TCustomControl(AOwner), Props(this) {}
    TBoxProperties Props;
};
TClassInfo& TForeignCheck3::StaticClassInfo() {
    static TClassInfo CI("TForeignCheck3", &TCustomControl::StaticClassInfo(), CreateComponentOf<TForeignCheck3>,
                         [](TClassInfo& C) {
                             C.PublishObject<TForeignCheck3>("Properties", [](TForeignCheck3& O) -> TObject* { return &O.Props; });
                         });
    return CI;
}

TEST(SkinObjImage, StripsAreBuiltByKindAndHandedOverThroughProperties) {
    struct Case {
        int kind, sourceFrames;
        std::vector<int> want;  // source frame per target frame, 0: left as made
    } Cases[] = {
        {1, 4, {1, 2, 0, 1, 2, 0, 3, 4, 0}},
        {1, 5, {1, 2, 5, 1, 2, 5, 3, 4, 5}},
        {2, 4, {1, 2, 1, 2, 3, 4}},
        {3, 4, {1, 2, 0, 1, 2, 0}},
        {3, 5, {1, 2, 5, 1, 2, 5}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::to_string(C.kind) + " from " + std::to_string(C.sourceFrames));
        TFixture T(C.sourceFrames, C.sourceFrames);
        TControl* X = C.kind == 3 ? static_cast<TControl*>(new TForeignCheck3(T.F)) : new TForeignCheck(T.F);
        X->SetParent(T.F);
        auto* S = new TSkinObjImage(X);
        S->Kind = C.kind;
        S->AttachControl(&T.Host, &T.Data, nullptr, false);
        EXPECT_EQ(X->Perform(SKIN_QUERY, 0, 0), 0);  // no message reaches the skin
        TBitmap& Got = C.kind == 3 ? static_cast<TForeignCheck3*>(X)->Props.Glyph : static_cast<TForeignCheck*>(X)->CustomGlyphs;
        ASSERT_EQ(Got.Width(), 13 * static_cast<int>(C.want.size()));
        for (size_t K = 0; K < C.want.size(); ++K)
            if (C.want[K]) EXPECT_EQ(Got.Canvas().Pixel(static_cast<int>(K) * 13 + 6, 6), FrameColor(C.want[K])) << K + 1;
        if (C.kind != 3) {
            auto* F = static_cast<TForeignCheck*>(X);
            EXPECT_EQ(F->TransparentColor, 0xFF00FF);
            EXPECT_EQ(F->UseCustomGlyphs, (std::vector<bool>{false, true}));
            S->Detach();
            EXPECT_EQ(F->UseCustomGlyphs.back(), false);
        } else {
            EXPECT_EQ(Got.TransparentColor, clFuchsia);
            S->Detach();
            EXPECT_TRUE(Got.Empty());
        }
    }
}

}  // namespace
