// Edit and combo-box skins.
#include <gtest/gtest.h>

#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "skin/skin_edits.h"
#include "skin/skin_range_controls.h"

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

constexpr TColor Face = 0xC0C0C0, Shadow = 0x102030, Mirrored = 0x777700;
TColor ButtonColor(int K) { return static_cast<TColor>(0x000010 * K | 0x00A000); }

struct TFixture {
    THost Host;
    TSkinData Data{nullptr};
    TForm* F = new TForm(Application);
    TFixture() {
        Data.ColButtonFace = Face;
        Data.ColButtonShadow = Shadow;
        auto B = std::make_unique<TDataSkinBorder>("ComboButton");
        B->Bitmap = std::make_unique<TBitmap>(40, 16);
        for (int K = 1; K <= 4; ++K) {
            B->Bitmap->Canvas().Brush().SetColor(ButtonColor(K));
            B->Bitmap->Canvas().FillRect(TRect((K - 1) * 10, 0, K * 10, 16));
        }
        B->Bitmap2 = std::make_unique<TBitmap>(40, 16);
        B->Bitmap2->Canvas().Brush().SetColor(Mirrored);
        B->Bitmap2->Canvas().FillRect(TRect(0, 0, 40, 16));
        B->FrameCount = 4;
        Data.ComboButton = std::move(B);
        auto E = std::make_unique<TDataSkinObject>("SunkEdge");
        E->Bitmap = std::make_unique<TBitmap>(16, 4);
        E->Bitmap->Canvas().Brush().SetColor(0x404040);
        E->Bitmap->Canvas().FillRect(TRect(0, 0, 16, 4));
        E->FrameCount = 4;
        Data.SunkEdge = std::move(E);
        F->SetBounds(0, 0, 400, 300);
        F->Show();
        TestHooks::PumpPending();
    }
    ~TFixture() { F->Free(); }
};

TEST(SkinEdit, BorderedEditIsFramedAndABorderlessOneIsNot) {
    TFixture T;
    for (bool Border : {true, false}) {
        SCOPED_TRACE(Border ? "border" : "no border");
        auto* E = new TEdit(T.F);
        E->BorderStyle = Border ? bsSingleBorder : bsNoBorder;
        E->SetParent(T.F);
        E->SetBounds(10, 10, 120, 22);
        auto* S = new TSkinEdit(E);
        S->AttachControl(&T.Host, &T.Data, nullptr, false);
        TBitmap B(120, 22);
        B.Canvas().Brush().SetColor(0x00FF00);
        B.Canvas().FillRect(TRect(0, 0, 120, 22));
        S->Draw(B.Canvas().Handle(), TRect(0, 0, 120, 22));
        EXPECT_EQ(B.Canvas().Pixel(0, 10), Border ? Shadow : 0x00FF00);
        EXPECT_EQ(B.Canvas().Pixel(1, 10), Border ? 0xFFFFFF : 0x00FF00);
        EXPECT_EQ(B.Canvas().Pixel(2, 10), Border ? 0xFFFFFF : 0x00FF00);
        EXPECT_EQ(B.Canvas().Pixel(3, 10), 0x00FF00);
        E->Free();
    }
}

// The form skin's paint request: the edit's client area in the given DC, and
// the private answer; a request without the answer's mark is not taken.
TEST(SkinEdit, PaintRequestOfTheFormSkinDrawsTheClientIntoItsDc) {
    TFixture T;
    auto* E = new TEdit(T.F);
    E->SetParent(T.F);
    E->SetBounds(10, 10, 160, 24);
    E->SetText("MMMMMMMM");
    TestHooks::PumpPending();
    auto* S = new TSkinEdit(E);
    S->AttachControl(&T.Host, &T.Data, nullptr, false);
    auto Ink = [](TBitmap& B) {
        int N = 0;
        for (int Y = 0; Y < B.Height(); ++Y)
            for (int X = 0; X < B.Width(); ++X) N += B.Canvas().Pixel(X, Y) == ColorToRGB(clWindowText);
        return N;
    };
    for (LPARAM Mark : {SKIN_FORM_ANSWER, LPARAM{0}}) {
        SCOPED_TRACE(Mark);
        TBitmap B(160, 24);
        B.Canvas().Brush().SetColor(0x00FF00);
        B.Canvas().FillRect(TRect(0, 0, 160, 24));
        LRESULT R = E->Perform(SKIN_PAINTCONTROL, reinterpret_cast<WPARAM>(B.Canvas().Handle()), Mark);
        EXPECT_EQ(R == SKIN_FORM_ANSWER, Mark == SKIN_FORM_ANSWER);
        EXPECT_EQ(Ink(B) > 20, Mark == SKIN_FORM_ANSWER);
    }
    EXPECT_EQ(E->Perform(SKIN_PAINTCONTROL, 0, SKIN_FORM_ANSWER), SKIN_FORM_ANSWER);  // no DC: only the answer
}

TEST(SkinEdit, SpinChildGetsAnEmbeddedUpDownSkinOnlyWithSpinSkinning) {
    TFixture T;
    for (bool Spin : {false, true}) {
        SCOPED_TRACE(Spin ? "xcSpin" : "without xcSpin");
        T.Data.SkinControls = Spin ? TSkinControlTypes{xcEdit, xcSpin} : TSkinControlTypes{xcEdit};
        auto* E = new TEdit(T.F);
        E->SetParent(T.F);
        E->SetBounds(10, 40, 120, 22);
        HWND Up = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"msctls_updown32"), nullptr, WS_CHILD | WS_VISIBLE,
                                  100, 0, 16, 18, E->Handle(), nullptr, nullptr, nullptr);
        ASSERT_TRUE(Up);
        auto* S = new TSkinEdit(E);
        S->AttachControl(&T.Host, &T.Data, nullptr, false);
        S->PaintFrame(nullptr);
        ASSERT_EQ(S->UpDown != nullptr, Spin);
        if (Spin) {
            EXPECT_TRUE(S->UpDown->Embedded);
            EXPECT_EQ(S->UpDown->Handle, Up);
            EXPECT_EQ(SendMessageW(Up, SKIN_QUERY, 0, 0), 1);
            S->PaintFrame(nullptr);  // found once
            EXPECT_EQ(T.Host.ControlSkins.size(), 2u);
        }
        E->Free();
        T.Host.ControlSkins.clear();
    }
}

struct TComboFixture : TFixture {
    TComboBox* C = new TComboBox(F);
    TSkinComBox* S = nullptr;
    explicit TComboFixture(bool LeftButton = false) {
        C->SetParent(F);
        C->SetBounds(10, 10, 150, 22);
        C->Items().Add("One");
        if (LeftButton) SetWindowLongW(C->Handle(), GWL_EXSTYLE, GetWindowLongW(C->Handle(), GWL_EXSTYLE) | WS_EX_LEFTSCROLLBAR);
        S = new TSkinComBox(C);
        S->AttachControl(&Host, &Data, nullptr, false);
        TestHooks::PumpPending();
    }
    TColor At(int X) {
        RECT W;
        GetWindowRect(C->Handle(), &W);
        TBitmap B(W.right - W.left, W.bottom - W.top);
        S->Draw(B.Canvas().Handle(), TRect(0, 0, B.Width(), B.Height()));
        return B.Canvas().Pixel(X < 0 ? B.Width() + X : X, B.Height() / 2);
    }
};

TEST(SkinComBox, HoverOverTheButtonShowsStateFourAndLeavingGoesBack) {
    TComboFixture T;
    EXPECT_EQ(T.At(-6), ButtonColor(1));
    TRect B = T.S->ButtonRect;
    ASSERT_GT(B.Width(), 0);
    SendMessageW(T.C->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(B.left + 2, B.top + 2));
    EXPECT_TRUE(T.S->MouseState.Contains(msHot));
    EXPECT_EQ(T.At(-6), ButtonColor(4));
    SendMessageW(T.C->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));  // onto the text part
    EXPECT_EQ(T.At(-6), ButtonColor(1));
    SendMessageW(T.C->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(B.left + 2, B.top + 2));
    T.C->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(T.At(-6), ButtonColor(1));
    T.C->SetFocus();
    TestHooks::PumpPending();
    EXPECT_EQ(T.At(-6), ButtonColor(4));  // focused
    T.C->SetEnabled(false);
    EXPECT_EQ(T.At(-6), ButtonColor(3));
}

TEST(SkinComBox, LeftScrollBarLayoutDrawsTheMirroredButtonAtTheLeft) {
    TComboFixture T(true);
    EXPECT_EQ(T.At(5), Mirrored);
    EXPECT_EQ(T.S->ButtonRect.left, 0);
    TComboFixture R;
    EXPECT_NE(R.At(5), Mirrored);
    EXPECT_EQ(R.At(-6), ButtonColor(1));
}

}  // namespace

namespace {

// A date-time picker as a program would register it, over the platform's picker window.
class TDateTimePicker : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {}

protected:
    void CreateParams(TCreateParams& P) override {
        TWinControl::CreateParams(P);
        P.BaseClassName = "SysDateTimePick32";
        P.ExStyle |= WS_EX_CLIENTEDGE;
    }
};
TClassInfo& TDateTimePicker::StaticClassInfo() {
    static TClassInfo CI("TDateTimePicker", &TWinControl::StaticClassInfo(), CreateComponentOf<TDateTimePicker>);
    return CI;
}

TEST(SkinDateTime, ArrowButtonSitsOverThePickersButtonAndClicksIt) {
    TFixture T;
    auto Arrow = std::make_unique<TDataSkinObject>("ComboArrow");
    Arrow->Bitmap = std::make_unique<TBitmap>(40, 10);
    for (int K = 1; K <= 4; ++K) {
        Arrow->Bitmap->Canvas().Brush().SetColor(ButtonColor(K));
        Arrow->Bitmap->Canvas().FillRect(TRect((K - 1) * 10, 0, K * 10, 10));
    }
    Arrow->FrameCount = 4;
    T.Data.ComboArrow = std::move(Arrow);
    auto* P = new TDateTimePicker(T.F);
    P->SetParent(T.F);
    P->SetBounds(20, 20, 160, 24);
    TestHooks::PumpPending();
    std::vector<std::pair<UINT, LPARAM>> Heard;
    TWndMethod Real = P->WindowProc;
    P->WindowProc = [&](TMessage& M) {
        if (M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONUP) Heard.emplace_back(M.Msg, M.LParam);
        Real(M);
    };
    auto* S = new TSkinDateTime(P);
    S->AttachControl(&T.Host, &T.Data, nullptr, false);
    TArrowButton* A = S->ArrowButton;
    ASSERT_NE(A, nullptr);
    RECT W;
    GetWindowRect(P->Handle(), &W);
    EXPECT_EQ(GetParent(A->Handle()), P->Handle());
    EXPECT_EQ(A->Left(), (W.right - W.left) - A->ArrowWidth - 4);
    EXPECT_EQ(A->Top(), 0);
    EXPECT_EQ(A->Height(), 20);
    EXPECT_NE(GetWindowLongW(P->Handle(), GWL_STYLE) & WS_CLIPCHILDREN, 0);
    auto ArrowPixel = [&] {
        A->Repaint();
        HDC Dc = GetDC(A->Handle());
        auto C = static_cast<TColor>(GetPixel(Dc, A->Width() / 2, A->Height() / 2));
        ReleaseDC(A->Handle(), Dc);
        return C;
    };
    EXPECT_EQ(ArrowPixel(), ButtonColor(1));
    A->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(ArrowPixel(), ButtonColor(4));
    A->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ArrowPixel(), ButtonColor(1));
    // A press on the arrow is a press and release at the same place on the picker.
    SendMessageW(A->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    TestHooks::PumpPending();
    ASSERT_GE(Heard.size(), 2u);
    EXPECT_EQ(Heard[0].first, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(Heard[1].first, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(LOWORD(Heard[0].second), A->Left() + 3);
    EXPECT_EQ(HIWORD(Heard[0].second), 4);
    EXPECT_EQ(Heard[1].second, Heard[0].second);
    S->Free();
    P->WindowProc = Real;
}

}  // namespace
