// Tab and header skins: the header's hot item, tab frames by focus, the close
// boxes of page-control tabs and the form window's veto.
#include <gtest/gtest.h>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_scrollbars.h"
#include "skin/skin_tabs.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

LRESULT Veto = 0;
std::vector<LPARAM> CloseAsked;
LRESULT CALLBACK FormProc(HWND W, UINT M, WPARAM Wp, LPARAM Lp) {
    if (M == SKIN_TABCLOSE) {
        CloseAsked.push_back(Lp);
        return Veto;
    }
    return DefWindowProcW(W, M, Wp, Lp);
}

class THost : public TControlSkinHost {
public:
    HWND Window = nullptr;
    HWND HostWindow() const override { return Window; }
};

constexpr TColor Normal = 0x0000C0, Hot = 0x00C000, Face = 0xC0C0C0;

std::unique_ptr<TBitmap> TwoFrames(int W, int H) {
    auto B = std::make_unique<TBitmap>(2 * W, H);
    B->Canvas().Brush().SetColor(Normal);
    B->Canvas().FillRect(TRect(0, 0, W, H));
    B->Canvas().Brush().SetColor(Hot);
    B->Canvas().FillRect(TRect(W, 0, 2 * W, H));
    return B;
}

struct TFixture {
    THost Host;
    TSkinData Data{nullptr};
    TForm* F = new TForm(Application);
    TFixture() {
        Data.ColButtonFace = Face;
        F->SetBounds(0, 0, 420, 320);
        F->Show();
        TestHooks::PumpPending();
    }
    ~TFixture() { F->Free(); }
};

TEST(SkinHeader, ItemUnderTheMouseIsDrawnHotUntilTheMouseLeaves) {
    TFixture T;
    auto Bar = std::make_unique<TDataSkinObject>("Header");
    Bar->Bitmap = TwoFrames(10, 10);
    Bar->FrameCount = 2;
    T.Data.Headerbar = std::move(Bar);
    auto* L = new TListView(T.F);
    L->SetParent(T.F);
    L->SetBounds(10, 10, 300, 150);
    L->SetViewStyle(vsReport);
    L->Columns().Add()->SetCaption("Name");
    L->Columns().Add()->SetCaption("Format");
    TestHooks::PumpPending();
    auto* S = new TSkinListView(L);
    S->AttachScrolling(L, &T.Data, &T.Host, nullptr);
    ASSERT_NE(S->Header, nullptr);
    TSkinHeader* H = S->Header;
    RECT W;
    GetWindowRect(H->Handle, &W);
    auto Corner = [&](int Item) {
        TBitmap B(W.right - W.left, W.bottom - W.top);
        H->Draw(B.Canvas().Handle(), TRect(0, 0, B.Width(), B.Height()));
        RECT Ir;
        SendMessageW(H->Handle, HDM_GETITEMRECT, static_cast<WPARAM>(Item), reinterpret_cast<LPARAM>(&Ir));
        return B.Canvas().Pixel(Ir.left + 1, Ir.top + 1);
    };
    EXPECT_EQ(Corner(0), Normal);
    EXPECT_EQ(Corner(1), Normal);
    ASSERT_EQ(H->ItemRects.size(), 2u);
    TRect Second = H->ItemRects[1];
    SendMessageW(H->Handle, WM_MOUSEMOVE, 0, MAKELPARAM(Second.left + 2, Second.top + 2));
    EXPECT_EQ(H->HotItem, 1);
    EXPECT_EQ(Corner(0), Normal);
    EXPECT_EQ(Corner(1), Hot);
    SendMessageW(H->Handle, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(H->HotItem, -1);
    EXPECT_EQ(Corner(1), Normal);
}

struct TPagesFixture : TFixture {
    TPageControl* P = new TPageControl(F);
    TSkinTab* S = nullptr;
    explicit TPagesFixture(int Tag = 0) {
        auto Tabs = std::make_unique<TDataSkinBorder>("Tabs");
        Tabs->Bitmap = TwoFrames(20, 20);
        Tabs->FrameCount = 2;
        Tabs->NormalColour2 = 0x000000;
        Tabs->MouseOverColour2 = 0x000000;
        Data.Tabs = std::move(Tabs);
        P->Tag = Tag;
        P->SetParent(F);
        P->SetBounds(10, 10, 380, 250);
        for (const char* Name : {"One", "Two", "Three"}) {
            auto* Sheet = new TTabSheet(F);
            Sheet->SetPageControl(P);
            Sheet->SetCaption(Name);
        }
        P->SetActivePageIndex(0);
        TestHooks::PumpPending();
        S = new TSkinTab(P);
        S->AttachControl(&Host, &Data, nullptr, false);
    }
    std::unique_ptr<TBitmap> Drawn() {
        RECT W;
        GetWindowRect(P->Handle(), &W);
        auto B = std::make_unique<TBitmap>(W.right - W.left, W.bottom - W.top);
        S->Draw(B->Canvas().Handle(), TRect(0, 0, B->Width(), B->Height()));
        return B;
    }
    RECT TabRect(int I) {
        RECT R;
        SendMessageW(P->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&R));
        return R;
    }
};

TEST(SkinTab, FocusedTabTakesTheSecondFrame) {
    TPagesFixture T;
    EXPECT_EQ(T.S->Orientation, 0);
    EXPECT_FALSE(T.S->CloseButtons);
    SendMessageW(T.P->Handle(), TCM_SETCURFOCUS, 1, 0);
    auto B = T.Drawn();
    for (int I = 0; I < 3; ++I) {
        RECT R = T.TabRect(I);
        EXPECT_EQ(B->Canvas().Pixel(R.left + 2, R.top + 3), I == 1 ? Hot : Normal) << I;
    }
}

TEST(SkinTab, CloseBoxFreesThePageUnlessTheFormWindowVetoes) {
    WNDCLASSW C{};
    C.lpfnWndProc = FormProc;
    C.lpszClassName = reinterpret_cast<LPCWSTR>(u"SkinTabForm");
    RegisterClassW(&C);
    TPagesFixture T(7777);
    T.Host.Window = CreateWindowExW(0, C.lpszClassName, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                    nullptr);
    ASSERT_TRUE(T.S->CloseButtons);
    auto B = T.Drawn();
    ASSERT_EQ(T.S->CloseRects.size(), 3u);
    TRect Box = T.S->CloseRects[1];
    EXPECT_EQ(Box.Width(), 6);
    EXPECT_EQ(Box.Height(), 6);
    // The strip is one pixel lower than the window's tab rectangles.
    POINT At{Box.left + 3, Box.top + 2};
    CloseAsked.clear();
    Veto = 1;
    SendMessageW(T.P->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(At.x, At.y));
    EXPECT_EQ(CloseAsked, std::vector<LPARAM>{1});
    EXPECT_EQ(T.P->PageCount(), 3);
    Veto = 0;
    SendMessageW(T.P->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(At.x, At.y));
    EXPECT_EQ(T.P->PageCount(), 2);
    EXPECT_EQ(T.P->Pages(1)->Caption(), "Three");
    // Outside every close box the tab control has the press.
    CloseAsked.clear();
    RECT R = T.TabRect(0);
    SendMessageW(T.P->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(R.left + 3, R.top + 5));
    EXPECT_TRUE(CloseAsked.empty());
    DestroyWindow(T.Host.Window);
}

// Tabs on each side: the tab frames hang outwards from the pane (the tab
// image mirrored at the bottom, the strip turned on the left and the right),
// the focused tab in the second frame, and the pane image turned so that its
// top edge faces the tabs.
TEST(SkinTab, TabsAndPaneOnEachSide) {
    constexpr TColor Edge = 0x800000, Pane = 0x008080, PaneEdge = 0x808000;
    struct Case {
        TTabPosition position;
        int orientation;
    } Cases[] = {{tpTop, 0}, {tpBottom, 1}, {tpLeft, 2}, {tpRight, 3}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.orientation);
        TFixture T;
        auto Tabs = std::make_unique<TDataSkinBorder>("Tabs");
        Tabs->Bitmap = TwoFrames(20, 20);
        // The tab's outer edge: the top four rows of both frames.
        Tabs->Bitmap->Canvas().Brush().SetColor(Edge);
        Tabs->Bitmap->Canvas().FillRect(TRect(0, 0, 40, 4));
        Tabs->FrameCount = 2;
        Tabs->Bitmap2 = std::make_unique<TBitmap>(30, 30);
        Tabs->Bitmap2->Canvas().Brush().SetColor(Pane);
        Tabs->Bitmap2->Canvas().FillRect(TRect(0, 0, 30, 30));
        Tabs->Bitmap2->Canvas().Brush().SetColor(PaneEdge);
        Tabs->Bitmap2->Canvas().FillRect(TRect(0, 0, 30, 3));
        T.Data.Tabs = std::move(Tabs);
        auto* P = new TPageControl(T.F);
        P->SetTabPosition(C.position);
        P->SetParent(T.F);
        P->SetBounds(10, 10, 380, 250);
        for (const char* Name : {"One", "Two", "Three"}) {
            auto* Sheet = new TTabSheet(T.F);
            Sheet->SetPageControl(P);
            Sheet->SetCaption(Name);
        }
        TestHooks::PumpPending();
        auto* S = new TSkinTab(P);
        S->AttachControl(&T.Host, &T.Data, nullptr, false);
        EXPECT_EQ(S->Orientation, C.orientation);
        SendMessageW(P->Handle(), TCM_SETCURFOCUS, 1, 0);
        RECT W;
        GetWindowRect(P->Handle(), &W);
        TBitmap B(W.right - W.left, W.bottom - W.top);
        S->Draw(B.Canvas().Handle(), TRect(0, 0, B.Width(), B.Height()));
        auto Px = [&](int X, int Y) { return B.Canvas().Pixel(X, Y); };
        for (int I = 0; I < 3; ++I) {
            SCOPED_TRACE(I);
            RECT R;
            SendMessageW(P->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&R));
            TColor Body = I == 1 ? Hot : Normal;
            int My = (R.top + R.bottom) / 2;
            switch (C.orientation) {
                case 0:  // drawn one pixel lower, edge up
                    EXPECT_EQ(Px(R.left + 2, R.top + 2), Edge);
                    EXPECT_EQ(Px(R.left + 2, R.bottom - 1), Body);
                    break;
                case 1:  // drawn one pixel higher, edge down
                    EXPECT_EQ(Px(R.left + 2, R.bottom - 2), Edge);
                    EXPECT_EQ(Px(R.left + 2, R.top), Body);
                    break;
                case 2:
                    EXPECT_EQ(Px(R.left + 1, My), Edge);
                    EXPECT_EQ(Px(R.right - 2, R.top + 2), Body);
                    break;
                default:
                    EXPECT_EQ(Px(R.right - 2, My), Edge);
                    EXPECT_EQ(Px(R.left + 1, R.top + 2), Body);
                    break;
            }
        }
        // The pane: the display area grown by 4 and moved a pixel towards the tabs.
        RECT D{0, 0, B.Width(), B.Height()};
        SendMessageW(P->Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&D));
        InflateRect(&D, 4, 4);
        int Cx = (D.left + D.right) / 2, Cy = (D.top + D.bottom) / 2;
        EXPECT_EQ(Px(Cx, Cy), Pane);
        POINT Facing[] = {{Cx, D.top + 2}, {Cx, D.bottom - 3}, {D.left + 2, Cy}, {D.right - 3, Cy}};
        // The far side of the pane lies past the window's edge.
        POINT Away[] = {{Cx, B.Height() - 2}, {Cx, 1}, {B.Width() - 2, Cy}, {1, Cy}};
        EXPECT_EQ(Px(Facing[C.orientation].x, Facing[C.orientation].y), PaneEdge);
        EXPECT_EQ(Px(Away[C.orientation].x, Away[C.orientation].y), Pane);
    }
}

TEST(SkinTabBtn, ButtonStyleTabsUseTheButtonFrames) {
    TFixture T;
    auto Button = std::make_unique<TDataSkinButton>("Buttons");
    Button->Bitmap = TwoFrames(20, 20);
    Button->FrameCount = 2;
    T.Data.Button = std::move(Button);
    auto* P = new TPageControl(T.F);
    P->SetStyle(tsButtons);
    P->SetParent(T.F);
    P->SetBounds(10, 10, 380, 200);
    for (const char* Name : {"One", "Two"}) {
        auto* Sheet = new TTabSheet(T.F);
        Sheet->SetPageControl(P);
        Sheet->SetCaption(Name);
    }
    TestHooks::PumpPending();
    auto* S = new TSkinTabBtn(P);
    S->AttachControl(&T.Host, &T.Data, nullptr, false);
    SendMessageW(P->Handle(), TCM_SETCURFOCUS, 1, 0);
    RECT W;
    GetWindowRect(P->Handle(), &W);
    TBitmap B(W.right - W.left, W.bottom - W.top);
    S->Draw(B.Canvas().Handle(), TRect(0, 0, B.Width(), B.Height()));
    for (int I = 0; I < 2; ++I) {
        RECT R;
        SendMessageW(P->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&R));
        EXPECT_EQ(B.Canvas().Pixel(R.left + 2, R.top + 3), I == 1 ? Hot : Normal) << I;
    }
}

// A page control of another library that takes its tab images by property.
class TForeignPages : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TForeignPages(TComponent* AOwner) : TCustomControl(AOwner) {}
    TBitmap TabBackGround, TabBackGroundActive;
};
TClassInfo& TForeignPages::StaticClassInfo() {
    static TClassInfo CI("TForeignPages", &TCustomControl::StaticClassInfo(), CreateComponentOf<TForeignPages>,
                         [](TClassInfo& C) {
                             C.PublishObject<TForeignPages>("TabBackGround", [](TForeignPages& O) -> TObject* { return &O.TabBackGround; });
                             C.PublishObject<TForeignPages>("TabBackGroundActive",
                                                            [](TForeignPages& O) -> TObject* { return &O.TabBackGroundActive; });
                         });
    return CI;
}

TEST(SkinAdvPage, TabImagesAreHandedOverOnlyForItsVariantAndTakenBack) {
    for (int Variant : {4, 0}) {
        SCOPED_TRACE(Variant);
        TFixture T;
        auto Tabs = std::make_unique<TDataSkinBorder>("Tabs");
        Tabs->Bitmap = TwoFrames(20, 20);
        Tabs->FrameCount = 2;
        T.Data.Tabs = std::move(Tabs);
        auto* P = new TForeignPages(T.F);
        P->SetParent(T.F);
        auto* S = new TSkinAdvPage(P);
        S->Variant = Variant;
        S->AttachControl(&T.Host, &T.Data, nullptr, true);
        if (Variant != 4) {
            EXPECT_TRUE(P->TabBackGround.Empty());
            continue;
        }
        ASSERT_EQ(P->TabBackGround.Width(), 100);
        ASSERT_EQ(P->TabBackGround.Height(), 21);
        EXPECT_EQ(P->TabBackGround.Canvas().Pixel(50, 10), Normal);
        EXPECT_EQ(P->TabBackGroundActive.Canvas().Pixel(50, 10), Hot);
        S->Detach();
        EXPECT_TRUE(P->TabBackGround.Empty());
        EXPECT_TRUE(P->TabBackGroundActive.Empty());
    }
}

// A tab set as a program would register it.
class TTabSet : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TTabSet(TComponent* AOwner) : TCustomControl(AOwner) {}
    TStringList Tabs;
    int TabIndex = 0, FirstIndex = 0, StartMargin = 5, EndMargin = 5;
};
TClassInfo& TTabSet::StaticClassInfo() {
    static TClassInfo CI("TTabSet", &TCustomControl::StaticClassInfo(), CreateComponentOf<TTabSet>, [](TClassInfo& C) {
        C.PublishObject<TTabSet>("Tabs", [](TTabSet& O) -> TObject* { return &O.Tabs; });
        C.PublishInteger<TTabSet>("TabIndex", [](TTabSet& O) -> int64_t { return O.TabIndex; });
        C.PublishInteger<TTabSet>("FirstIndex", [](TTabSet& O) -> int64_t { return O.FirstIndex; });
        C.PublishInteger<TTabSet>("StartMargin", [](TTabSet& O) -> int64_t { return O.StartMargin; });
        C.PublishInteger<TTabSet>("EndMargin", [](TTabSet& O) -> int64_t { return O.EndMargin; });
    });
    return CI;
}

TEST(SkinTab31, TabsThatFitAreDrawnAndAWiderOneIsSkipped) {
    TFixture T;
    auto Tabs = std::make_unique<TDataSkinBorder>("Tabs");
    Tabs->Bitmap = TwoFrames(20, 20);
    Tabs->FrameCount = 2;
    T.Data.Tabs = std::move(Tabs);
    auto* Set = new TTabSet(T.F);
    Set->SetParent(T.F);
    Set->SetBounds(10, 10, 200, 22);
    Set->Tabs.Add("A");
    Set->Tabs.Add("A much wider tab than there is room for");
    Set->Tabs.Add("B");
    Set->TabIndex = 2;
    TestHooks::PumpPending();
    auto* S = new TSkinTab31(Set);
    S->AttachControl(&T.Host, &T.Data, nullptr, false);
    TBitmap B(200, 22);
    S->Draw(B.Canvas().Handle(), TRect(0, 0, 200, 22));
    // The first tab at the start margin, the wide one left out, the third (selected) right after the first.
    TBitmap Probe(1, 1);
    Probe.Canvas().Font().Assign(Set->Font());
    int Wa = Probe.Canvas().TextWidth("A"), Wb = Probe.Canvas().TextWidth("B");
    EXPECT_EQ(B.Canvas().Pixel(4, 2), Face);
    EXPECT_EQ(B.Canvas().Pixel(6, 1), Normal);
    EXPECT_EQ(B.Canvas().Pixel(5 + Wa + 9 + 1, 1), Hot);
    EXPECT_EQ(B.Canvas().Pixel(5 + Wa + 9 + Wb + 9 + 1, 1), Face);
    EXPECT_EQ(SendMessageW(Set->Handle(), SKIN_QUERY, 0, 0), 1);
}

}  // namespace
