// The drawing routines the control skins share.
#include <gtest/gtest.h>

#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "skin/skin_control_paint.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

constexpr TColor White = 0xFFFFFF, Magenta = 0xFF00FF;

TColor At(TBitmap& B, int X, int Y) { return B.Canvas().Pixel(X, Y); }

void Fill(TBitmap& B, TColor C) {
    B.Canvas().Brush().SetColor(C);
    B.Canvas().FillRect(TRect(0, 0, B.Width(), B.Height()));
}

// A strip of Count frames, each Fw wide, filled with Colors[i].
std::unique_ptr<TBitmap> Strip(std::initializer_list<TColor> Colors, int Fw, int H) {
    auto B = std::make_unique<TBitmap>(Fw * static_cast<int>(Colors.size()), H);
    int X = 0;
    for (TColor C : Colors) {
        B->Canvas().Brush().SetColor(C);
        B->Canvas().FillRect(TRect(X, 0, X + Fw, H));
        X += Fw;
    }
    return B;
}

// The columns that hold any pixel other than the background.
std::pair<int, int> InkColumns(TBitmap& B, TColor Background) {
    int First = -1, Last = -1;
    for (int X = 0; X < B.Width(); ++X)
        for (int Y = 0; Y < B.Height(); ++Y)
            if (At(B, X, Y) != Background) {
                if (First < 0) First = X;
                Last = X;
                break;
            }
    return {First, Last};
}

bool HasColor(TBitmap& B, TColor C) {
    for (int X = 0; X < B.Width(); ++X)
        for (int Y = 0; Y < B.Height(); ++Y)
            if (At(B, X, Y) == C) return true;
    return false;
}

TEST(SkinPaint, ReplaceFirstReplacesOnlyTheFirstOccurrence) {
    struct Case {
        std::u16string text, want;
    } Cases[] = {
        {u"One||Two||Three", u"One\r\nTwo||Three"},
        {u"||", u"\r\n"},
        {u"No break", u"No break"},
        {u"", u""},
        {u"|", u"|"},
    };
    for (const auto& C : Cases) EXPECT_EQ(ReplaceFirst(C.text, u"||", u"\r\n"), C.want);
    EXPECT_EQ(ReplaceFirst(u"abc", u"", u"x"), u"abc");
}

TEST(SkinPaint, PartAndStripFramesDrawTheChosenFrameAndNothingForBadInput) {
    auto S = Strip({0x0000FF, 0x00FF00, Magenta}, 4, 4);
    TDataSkinObject Part("Buttons");
    Part.Bitmap = std::make_unique<TBitmap>();
    Part.Bitmap->Assign(*S);
    struct Case {
        const char* what;
        TRect r;
        int count, index, trans;
        TColor want;  // at (5, 5)
    } Cases[] = {
        {"second frame", TRect(2, 2, 12, 10), 3, 2, 0, 0x00FF00},
        {"first frame", TRect(2, 2, 12, 10), 3, 1, 0, 0x0000FF},
        {"magenta frame, transparent", TRect(2, 2, 12, 10), 3, 3, 1, White},
        {"magenta frame, opaque", TRect(2, 2, 12, 10), 3, 3, 0, Magenta},
        {"inverted rectangle", TRect(12, 2, 2, 10), 3, 2, 0, White},
        {"no frames", TRect(2, 2, 12, 10), 0, 1, 0, White},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        Part.Trans = C.trans;
        TBitmap Dst(16, 12);
        Fill(Dst, White);
        DrawSkinPartFrame(Dst.Canvas().Handle(), C.r, C.count, C.index, Part);
        EXPECT_EQ(At(Dst, 5, 5), C.want);
        EXPECT_EQ(At(Dst, 13, 11), White);  // outside
        // The strip routines key magenta always.
        for (int Way = 0; Way < 3; ++Way) {
            TBitmap D2(16, 12);
            Fill(D2, White);
            if (Way == 0) DrawStripFrameOnDC(D2.Canvas().Handle(), C.r, C.count, C.index, *S);
            if (Way == 1) DrawStripFrameOnCanvas(D2.Canvas(), C.r, C.count, C.index, *S);
            if (Way == 2) DrawStripFrameKeyed(D2.Canvas().Handle(), C.r, C.count, C.index, *S);
            EXPECT_EQ(At(D2, 5, 5), C.want == Magenta ? White : C.want) << "strip way " << Way;
        }
    }
}

TEST(SkinPaint, ArrowGlyphsDrawTheirPointsInThePen) {
    struct Case {
        int kind;
        std::vector<POINT> on, off;
    } Cases[] = {
        {0, {{10, 10}, {11, 11}, {13, 13}, {9, 11}, {7, 13}}, {{10, 9}, {14, 14}, {10, 14}}},
        {1, {{10, 13}, {11, 12}, {13, 10}, {9, 12}, {7, 10}}, {{10, 14}, {14, 9}}},
        {2, {{10, 10}, {11, 12}, {11, 8}, {9, 10}}, {{12, 10}, {8, 10}}},
        {3, {{10, 10}, {9, 12}, {9, 8}, {11, 10}}, {{8, 10}, {12, 10}}},
        {4, {}, {{10, 10}}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.kind);
        TBitmap B(20, 20);
        Fill(B, White);
        B.Canvas().Pen().SetColor(clBlack);
        DrawArrowGlyph(B.Canvas(), 10, 10, C.kind);
        for (POINT P : C.on) EXPECT_EQ(At(B, P.x, P.y), clBlack) << P.x << "," << P.y;
        for (POINT P : C.off) EXPECT_EQ(At(B, P.x, P.y), White) << P.x << "," << P.y;
    }
}

struct TSkinOnButton {
    TForm* F = new TForm(Application);
    TButton* B = new TButton(F);
    TSkinControl* S = new TSkinControl(B);
    TSkinOnButton() {
        B->SetParent(F);
        B->SetBounds(4, 4, 100, 30);
        S->Control = B;
        S->Enabled = true;
    }
    ~TSkinOnButton() { F->Free(); }
};

TEST(SkinPaint, CaptionWithImageStartsThreePixelsInWithoutAnImage) {
    TSkinOnButton T;
    HIMAGELIST Wide = ImageList_Create(200, 16, ILC_COLOR24, 1, 1);
    HIMAGELIST Small = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
    TBitmap Red(16, 16);
    Fill(Red, 0x0000FF);
    ImageList_Add(Small, Red.Handle(), nullptr);
    struct Case {
        const char* what;
        int index;
        HIMAGELIST list;
        int firstInk;  // first column not white
        bool red;
    } Cases[] = {
        {"no image", -1, nullptr, 3, false},
        {"index -1", -1, Small, 3, false},
        {"image wider than the rectangle", 0, Wide, 3, false},
        {"image", 0, Small, 3, true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TBitmap Dst(120, 24);
        Fill(Dst, White);
        Dst.Canvas().Font().SetColor(clBlack);
        DrawCaptionWithImage(*T.S, Dst.Canvas(), TRect(0, 0, 120, 24), 0, u"Mjölk", C.index, C.list);
        EXPECT_GE(InkColumns(Dst, White).first, C.firstInk);
        EXPECT_LE(InkColumns(Dst, White).first, C.firstInk + 1);
        EXPECT_EQ(HasColor(Dst, 0x0000FF), C.red);
    }
    ImageList_Destroy(Wide);
    ImageList_Destroy(Small);
}

TEST(SkinPaint, DisabledCaptionsAreDrawnInTheShadowColour) {
    TSkinOnButton T;
    TColor Shadow = ColorToRGB(clBtnShadow);
    for (bool Enabled : {true, false}) {
        SCOPED_TRACE(Enabled);
        T.S->Enabled = Enabled;
        TBitmap A(120, 24), B(120, 24), C(120, 24);
        for (TBitmap* X : {&A, &B, &C}) {
            Fill(*X, White);
            X->Canvas().Font().SetColor(0x0000FF);
        }
        DrawCaptionWithImage(*T.S, A.Canvas(), TRect(0, 0, 120, 24), 1, u"Text", -1, nullptr);
        DrawButtonCaption(*T.S, B.Canvas(), TRect(0, 0, 120, 24), DT_CENTER, Enabled, u"Text");
        DrawMenuItemText(C.Canvas(), TRect(0, 0, 120, 24), u"Text", 2, Enabled);
        for (TBitmap* X : {&A, &B, &C}) {
            EXPECT_EQ(HasColor(*X, 0x0000FF), Enabled);
            EXPECT_EQ(HasColor(*X, Shadow), !Enabled);
        }
    }
}

TEST(SkinPaint, FocusRectangleSurroundsTheMeasuredCaption) {
    TSkinOnButton T;
    T.S->Caption = u"Wide caption";
    TBitmap Dst(120, 30);
    Fill(Dst, White);
    DrawFocusAroundText(*T.S, Dst.Canvas().Handle(), DT_CENTER, TRect(0, 0, 120, 30));
    auto [First, Last] = InkColumns(Dst, White);
    ASSERT_GE(First, 0);
    // Centred, narrower than the rectangle, and symmetric within a pixel.
    EXPECT_GT(First, 5);
    EXPECT_LE(std::abs((119 - Last) - First), 1);
}

TEST(SkinPaint, PaintMessageDrawsIntoTheGivenDcWithoutBeginningAPaint) {
    TSkinOnButton T;
    T.F->Show();
    TestHooks::PumpPending();
    struct TDrawSkin : TSkinControl {
        using TSkinControl::TSkinControl;
        HDC Got = nullptr;
        TRect R;
        void Draw(HDC Dc, const TRect& Rect) override {
            Got = Dc;
            R = Rect;
        }
    };
    auto* S = new TDrawSkin(T.B);
    S->Handle = T.B->Handle();
    TBitmap Dst(10, 10);
    InvalidateRect(S->Handle, nullptr, FALSE);
    TMessage M{WM_PAINT, reinterpret_cast<WPARAM>(Dst.Canvas().Handle()), 0, 0};
    HandlePaintMessage(*S, M);
    EXPECT_EQ(S->Got, Dst.Canvas().Handle());
    EXPECT_EQ(S->R.Width(), 100);
    EXPECT_EQ(S->R.Height(), 30);
    EXPECT_EQ(S->R.left, 0);
    RECT U;
    EXPECT_TRUE(GetUpdateRect(S->Handle, &U, FALSE));  // no BeginPaint validated it
    TMessage M2{WM_PAINT, 0, 0, 0};
    HandlePaintMessage(*S, M2);
    EXPECT_NE(S->Got, Dst.Canvas().Handle());
    EXPECT_FALSE(GetUpdateRect(S->Handle, &U, FALSE));
}

}  // namespace
