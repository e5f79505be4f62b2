// Push-button skins: the frame for each state, the click the skin makes, raw
// buttons of a message box, captions, the focus rectangle and the glyph
// layout arithmetic.
#include <gtest/gtest.h>

#include "platform/classlib/buttons.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_buttons.h"

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

// One colour per button frame: normal, pressed, disabled, hot, focused.
constexpr TColor FrameColor[] = {0, 0x0000FF, 0x00FF00, 0x808000, 0xFF0000, 0x00FFFF};
constexpr TColor Face = 0xC0C0C0, White = 0xFFFFFF;

struct TSkinFixture {
    TSkinData Data{nullptr};
    THost Host;
    TSkinFixture() {
        Data.ColButtonFace = Face;
        Data.ColButtonText = 0x000000;
        auto B = std::make_unique<TDataSkinButton>("Buttons");
        B->Bitmap = std::make_unique<TBitmap>(50, 10);
        for (int F = 1; F <= 5; ++F) {
            B->Bitmap->Canvas().Brush().SetColor(FrameColor[F]);
            B->Bitmap->Canvas().FillRect(TRect((F - 1) * 10, 0, F * 10, 10));
        }
        B->FrameCount = 5;
        Data.Button = std::move(B);
    }
};

struct TButtonForm : TSkinFixture {
    TForm* F = new TForm(Application);
    TButton* B = new TButton(F);
    TButton* Other = new TButton(F);
    TSkinButton* S = nullptr;
    int Clicks = 0;
    TButtonForm() {
        for (TButton* X : {B, Other}) X->SetParent(F);
        B->SetBounds(10, 10, 90, 30);
        Other->SetBounds(10, 60, 90, 30);
        B->SetCaption("Go");
        B->OnClick = [this](TObject*) { ++Clicks; };
        F->Show();
        TestHooks::PumpPending();
        S = new TSkinButton(B);
        S->AttachControl(&Host, &Data, nullptr, false);
        Other->SetFocus();
        TestHooks::PumpPending();
    }
    ~TButtonForm() { F->Free(); }
    std::unique_ptr<TBitmap> Drawn() {
        auto Bmp = std::make_unique<TBitmap>(90, 30);
        S->Draw(Bmp->Canvas().Handle(), TRect(0, 0, 90, 30));
        return Bmp;
    }
};

TEST(SkinButton, EachStateDrawsItsFrame) {
    TButtonForm T;
    struct Case {
        const char* what;
        std::function<void(TButtonForm&)> set;
        int frame;
    } Cases[] = {
        {"normal", [](TButtonForm&) {}, bfNormal},
        {"hot", [](TButtonForm& X) { X.S->MouseState = {msHot}; }, bfHot},
        {"pressed beats hot", [](TButtonForm& X) { X.S->MouseState = {msHot, msPressed}; }, bfPressed},
        {"focused", [](TButtonForm& X) { X.B->SetFocus(); }, bfFocused},
        {"default", [](TButtonForm& X) { X.B->SetDefault(true); }, bfFocused},
        {"hot beats default", [](TButtonForm& X) { X.B->SetDefault(true); X.S->MouseState = {msHot}; }, bfHot},
        {"disabled beats all", [](TButtonForm& X) { X.S->MouseState = {msPressed}; X.B->SetEnabled(false); },
         bfDisabled},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        T.S->MouseState = {};
        T.B->SetDefault(false);
        T.B->SetEnabled(true);
        T.Other->SetFocus();
        C.set(T);
        TestHooks::PumpPending();
        auto Bmp = T.Drawn();
        EXPECT_EQ(Bmp->Canvas().Pixel(1, 1), FrameColor[C.frame]);
        EXPECT_EQ(Bmp->Canvas().Pixel(88, 28), FrameColor[C.frame]);
    }
}

TEST(SkinButton, ClickComesOnceFromAReleaseInsideAndSpaceClicksToo) {
    TButtonForm T;
    TestHooks::Click(T.B);
    TestHooks::PumpPending();
    EXPECT_EQ(T.Clicks, 1);
    EXPECT_EQ(GetFocus(), T.B->Handle());  // the press focused it
    EXPECT_FALSE(T.S->MouseState.Contains(msPressed));
    // Pressed inside, released outside: no click.
    SendMessageW(T.B->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(T.S->MouseState.Contains(msPressed));
    SendMessageW(T.B->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-20), 5));
    TestHooks::PumpPending();
    EXPECT_EQ(T.Clicks, 1);
    EXPECT_FALSE(T.S->MouseState.Contains(msPressed));
    // A release without a press is no click either.
    SendMessageW(T.B->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(T.Clicks, 1);
    TestHooks::PressKey(VK_SPACE);
    TestHooks::PumpPending();
    EXPECT_EQ(T.Clicks, 2);
}

TEST(SkinButton, MessageBoxButtonPostsItsCommandAndTheBoxAnswersIt) {
    TSkinFixture X;
    TComponent Holder(nullptr);
    TSkinButton* S = nullptr;
    bool Clicked = false;
    TestHooks::OnNextModalWindow([&](HWND Box) {
        HWND No = nullptr;
        for (HWND C = GetWindow(Box, GW_CHILD); C; C = GetWindow(C, GW_HWNDNEXT)) {
            char Text[32] = {};
            GetWindowTextA(C, Text, sizeof Text);
            if (std::string(Text) == "&No") No = C;
        }
        if (!No) return;
        S = new TSkinButton(&Holder);
        S->AttachWindow(No, &X.Data, &X.Host, nullptr);
        RECT R;
        GetWindowRect(No, &R);
        TestHooks::Click(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2});
        Clicked = true;
    });
    int Answer = MessageBoxA(nullptr, "Keep it?", "Question", MB_YESNO);
    EXPECT_TRUE(Clicked);
    EXPECT_EQ(Answer, IDNO);
    ASSERT_NE(S, nullptr);
    EXPECT_EQ(S->LifeState, 6);  // the box is gone; the skin waits for its purge
}

TEST(SkinButton, DoubleBarBreaksTheCaptionOnce) {
    TButtonForm T;
    T.B->SetHeight(60);
    // The caption's lines: bands of rows with ink, parted by rows without.
    auto Lines = [&](const char* Caption) {
        T.B->SetCaption(Caption);
        TBitmap Bmp(90, 60);
        T.S->Draw(Bmp.Canvas().Handle(), TRect(0, 0, 90, 60));
        int Bands = 0;
        bool In = false;
        for (int Y = 0; Y < 60; ++Y) {
            bool Ink = false;
            for (int X = 4; X < 86 && !Ink; ++X) Ink = Bmp.Canvas().Pixel(X, Y) != FrameColor[bfNormal];
            if (Ink && !In) ++Bands;
            In = Ink;
        }
        return Bands;
    };
    EXPECT_EQ(Lines("Go on"), 1);
    EXPECT_EQ(Lines("Go||on"), 2);
    EXPECT_EQ(Lines("Go||on||x"), 2);  // only the first pair breaks
}

TEST(SkinButton, FocusRectangleUnlessTheSkinSaysNone) {
    TButtonForm T;
    T.B->SetDefault(true);
    auto Default = T.Drawn();  // frame 5, no focus
    T.B->SetDefault(false);
    T.B->SetFocus();
    TestHooks::PumpPending();
    auto Focused = T.Drawn();
    T.Data.Options.Include(xoNoFocusRect);
    auto NoRect = T.Drawn();
    auto Differ = [](TBitmap& A, TBitmap& B) {
        int N = 0;
        for (int Y = 0; Y < A.Height(); ++Y)
            for (int X = 0; X < A.Width(); ++X) N += A.Canvas().Pixel(X, Y) != B.Canvas().Pixel(X, Y);
        return N;
    };
    EXPECT_GT(Differ(*Focused, *Default), 20);
    EXPECT_EQ(Differ(*NoRect, *Default), 0);
}

TEST(SkinButton, ClassesListedAsPressingThemselvesGetModeOne) {
    TButtonForm T;
    EXPECT_EQ(T.S->Mode, 0);
    SkinButtonSelfPressPrefixes() = {"TBU"};  // case-blind prefix of "TButton"
    auto* S2 = new TSkinButton(T.Other);
    S2->AttachControl(&T.Host, &T.Data, nullptr, false);
    EXPECT_EQ(S2->Mode, 1);
    SkinButtonSelfPressPrefixes() = {"TButtonX"};
    auto* Third = new TButton(T.F);
    Third->SetParent(T.F);
    auto* S3 = new TSkinButton(Third);
    S3->AttachControl(&T.Host, &T.Data, nullptr, false);
    EXPECT_EQ(S3->Mode, 0);
    SkinButtonSelfPressPrefixes().clear();
}

TEST(GlyphLayout, MarginAndSpacingArithmetic) {
    struct Case {
        const char* what;
        TGlyphLayoutIn in;
        POINT glyph;
        TRect text;
        UINT flag;
    } Cases[] = {
        // W H gw gh tw th Margin Spacing Layout
        {"all computed, left", {100, 30, 16, 16, 40, 13, -1, -1, 0}, {14, 7}, TRect(44, 9, 84, 22), 0},
        {"spacing given", {100, 30, 16, 16, 40, 13, -1, 4, 0}, {20, 7}, TRect(40, 9, 80, 22), 0},
        {"spacing given, speed button", {100, 30, 16, 16, 40, 13, -1, 4, 0, false, true}, {21, 7},
         TRect(41, 9, 81, 22), 0},
        {"margin given", {100, 30, 16, 16, 40, 13, 5, -1, 0}, {5, 7}, TRect(40, 9, 80, 22), 0},
        {"centred alignment overrides a margin", {100, 30, 16, 16, 40, 13, 5, -1, 0, true}, {14, 7},
         TRect(44, 9, 84, 22), 0},
        {"right", {100, 30, 16, 16, 40, 13, 4, 2, 1}, {80, 7}, TRect(38, 9, 78, 22), DT_RIGHT},
        {"top", {60, 80, 16, 16, 30, 13, -1, -1, 2}, {22, 17}, TRect(15, 50, 45, 63), DT_CENTER},
        {"bottom", {60, 80, 16, 16, 30, 13, 3, 2, 3}, {22, 61}, TRect(15, 46, 45, 59), DT_CENTER},
        {"no caption: no spacing", {100, 30, 16, 16, 0, 0, -1, 8, 0}, {42, 7}, TRect(58, 15, 58, 15), 0},
        {"no glyph: no spacing", {100, 30, 0, 0, 40, 13, -1, 8, 0}, {30, 15}, TRect(30, 9, 70, 22), 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        TGlyphLayoutOut Out = LayoutGlyphAndText(C.in);
        EXPECT_EQ(Out.Glyph.x, C.glyph.x);
        EXPECT_EQ(Out.Glyph.y, C.glyph.y);
        EXPECT_EQ(Out.Text.left, C.text.left);
        EXPECT_EQ(Out.Text.top, C.text.top);
        EXPECT_EQ(Out.Text.right, C.text.right);
        EXPECT_EQ(Out.Text.bottom, C.text.bottom);
        EXPECT_EQ(Out.TextFlag, C.flag);
    }
    EXPECT_EQ(LayoutFromName("blGlyphTop"), 2);
    EXPECT_EQ(LayoutFromName("BLGLYPHRIGHT"), 1);
    EXPECT_EQ(LayoutFromName("blGlyphBottom"), 3);
    EXPECT_EQ(LayoutFromName("somethingElse"), 0);
}

}  // namespace

namespace {

// A glyph button as a program would register it.
class TBitBtn : public TButton {
    TESSARO_CLASSINFO
public:
    explicit TBitBtn(TComponent* AOwner) : TButton(AOwner) {}
    TBitmap Glyph;
    int NumGlyphs = 3, Margin = 4, Spacing = 2;
};
TClassInfo& TBitBtn::StaticClassInfo() {
    static TClassInfo CI("TBitBtn", &TButton::StaticClassInfo(), CreateComponentOf<TBitBtn>, [](TClassInfo& C) {
        C.PublishObject<TBitBtn>("Glyph", [](TBitBtn& O) -> TObject* { return &O.Glyph; });
        C.PublishInteger<TBitBtn>("NumGlyphs", [](TBitBtn& O) -> int64_t { return O.NumGlyphs; });
        C.PublishInteger<TBitBtn>("Margin", [](TBitBtn& O) -> int64_t { return O.Margin; });
        C.PublishInteger<TBitBtn>("Spacing", [](TBitBtn& O) -> int64_t { return O.Spacing; });
    });
    return CI;
}

TEST(SkinBitButton, GlyphFrameFollowsTheStateAndSitsAtTheMargin) {
    TSkinFixture X;
    TForm* F = new TForm(Application);
    auto* B = new TBitBtn(F);
    B->SetParent(F);
    B->SetBounds(10, 10, 120, 30);
    B->SetCaption("");
    // Three 10 x 10 frames: red, green, blue; the bottom-left pixel of each is white (transparent).
    B->Glyph.SetWidth(30);
    B->Glyph.SetHeight(10);
    const TColor Glyphs[] = {0x0000FF, 0x00FF00, 0xFF0000};
    for (int K = 0; K < 3; ++K) {
        B->Glyph.Canvas().Brush().SetColor(Glyphs[K]);
        B->Glyph.Canvas().FillRect(TRect(K * 10, 0, K * 10 + 10, 10));
        B->Glyph.Canvas().SetPixel(K * 10, 9, 0xFFFFFF);
    }
    F->Show();
    TestHooks::PumpPending();
    auto* S = new TSkinBitButton(B);
    S->AttachControl(&X.Host, &X.Data, nullptr, false);
    auto GlyphAt = [&](int Px, int Py) {
        TBitmap Bmp(120, 30);
        S->Draw(Bmp.Canvas().Handle(), TRect(0, 0, 120, 30));
        return Bmp.Canvas().Pixel(Px, Py);
    };
    // No caption: no spacing; the glyph starts at the margin, centred across.
    EXPECT_EQ(GlyphAt(4 + 5, 10 + 5), Glyphs[0]);
    EXPECT_EQ(GlyphAt(3, 15), FrameColor[bfNormal]);
    EXPECT_EQ(GlyphAt(4, 10 + 9), FrameColor[bfNormal]);  // the transparent corner
    S->MouseState = {msPressed};
    EXPECT_EQ(GlyphAt(9, 15), Glyphs[2]);
    S->MouseState = {};
    B->SetEnabled(false);
    TColor Grey = GlyphAt(9, 15);
    EXPECT_EQ(Grey & 0xFF, (Grey >> 8) & 0xFF);  // the disabled glyph in grey
    EXPECT_EQ(Grey & 0xFF, (Grey >> 16) & 0xFF);
    EXPECT_NE(Grey, FrameColor[bfDisabled]);
    F->Free();
}

}  // namespace

namespace {

TEST(SkinMenuButton, ArrowAtTheRightEndAndFocusedShowsTheHotFrame) {
    TButtonForm T;
    auto* S = new TSkinMenuButton(T.Other);
    S->AttachControl(&T.Host, &T.Data, nullptr, false);
    T.Other->SetCaption("Menu");
    auto Drawn = [&] {
        auto B = std::make_unique<TBitmap>(90, 30);
        S->Draw(B->Canvas().Handle(), TRect(0, 0, 90, 30));
        return B;
    };
    T.B->SetFocus();
    TestHooks::PumpPending();
    auto B = Drawn();
    EXPECT_EQ(B->Canvas().Pixel(1, 1), FrameColor[bfNormal]);
    int M = 30 / 2 + 2;
    EXPECT_EQ(B->Canvas().Pixel(90 - 12, M - 1), ColorToRGB(clWindowText));  // inside the arrow
    EXPECT_EQ(B->Canvas().Pixel(90 - 12, M + 2), FrameColor[bfNormal]);       // below it
    T.Other->SetFocus();
    TestHooks::PumpPending();
    EXPECT_EQ(Drawn()->Canvas().Pixel(1, 1), FrameColor[bfHot]);  // a focused menu button shows frame 4
    T.Other->SetEnabled(false);
    auto D = Drawn();
    EXPECT_EQ(D->Canvas().Pixel(1, 1), FrameColor[bfDisabled]);
    EXPECT_EQ(D->Canvas().Pixel(90 - 12, M - 1), ColorToRGB(clBtnShadow));
}

}  // namespace

namespace {

// Speed buttons: drawn through their parent's painting, by state.
struct TSpeedForm : TSkinFixture {
    TForm* F = new TForm(Application);
    TSpeedButton* B = new TSpeedButton(F);
    TSkinSpeedButton* S = nullptr;
    TSpeedForm() {
        F->SetBounds(0, 0, 200, 120);
        B->SetParent(F);
        B->SetBounds(10, 10, 60, 24);
        B->SetCaption("Go");
        F->Show();
        TestHooks::PumpPending();
        S = new TSkinSpeedButton(B);
        S->AttachGraphicControl(&Host, &Data, nullptr);
    }
    ~TSpeedForm() { F->Free(); }
    TColor Corner() {
        F->Repaint();
        TestHooks::PumpPending();
        HDC Dc = GetDC(F->Handle());
        auto C = static_cast<TColor>(GetPixel(Dc, 11, 11));
        ReleaseDC(F->Handle(), Dc);
        return C;
    }
};

TEST(SkinSpeedButton, DrawnThroughTheParentsPaintingByState) {
    TSpeedForm T;
    EXPECT_EQ(T.B->Perform(SKIN_QUERY, 0, 0), 1);
    EXPECT_EQ(T.Corner(), FrameColor[bfNormal]);
    T.B->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(T.Corner(), FrameColor[bfHot]);
    T.B->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(T.Corner(), FrameColor[bfNormal]);
    T.B->GroupIndex = 1;
    T.B->SetDown(true);
    EXPECT_EQ(T.Corner(), FrameColor[bfPressed]);
    T.B->AllowAllUp = true;  // so the grouped button can come up again
    T.B->SetDown(false);
    T.B->SetEnabled(false);
    EXPECT_EQ(T.Corner(), FrameColor[bfDisabled]);
    T.B->SetEnabled(true);
    // Flat: only the background until the mouse is over it.
    T.B->Flat = true;
    EXPECT_EQ(T.Corner(), Face);
    T.B->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(T.Corner(), FrameColor[bfHot]);
    // Switched off, the button paints itself again.
    T.B->Perform(SKIN_SWITCHCONTROL, 0, 0);
    EXPECT_NE(T.Corner(), FrameColor[bfHot]);
    // Freed: the button's own handling is back.
    T.S->Free();
    EXPECT_EQ(T.B->Perform(SKIN_QUERY, 0, 0), 0);
    EXPECT_NE(T.Corner(), FrameColor[bfHot]);
}

TEST(SkinSpeedButton, ClickStillReachesTheButton) {
    TSpeedForm T;
    int Clicks = 0;
    T.B->OnClick = [&](TObject*) { ++Clicks; };
    TestHooks::Click(T.B);
    TestHooks::PumpPending();
    EXPECT_EQ(Clicks, 1);
    EXPECT_FALSE(T.S->MouseState.Contains(msPressed));
}

}  // namespace

namespace {

// A button of another library with an image list, as a program would register it.
class TImageButton : public TButton {
    TESSARO_CLASSINFO
public:
    explicit TImageButton(TComponent* AOwner) : TButton(AOwner) {}
    TImageList* Images = nullptr;
    int ImageIndex = -1, DisabledIndex = -1, Margin = 4;
};
TClassInfo& TImageButton::StaticClassInfo() {
    static TClassInfo CI("TImageButton", &TButton::StaticClassInfo(), CreateComponentOf<TImageButton>,
                         [](TClassInfo& C) {
                             C.PublishObject<TImageButton>("Images", [](TImageButton& O) -> TObject* { return O.Images; });
                             C.PublishInteger<TImageButton>("ImageIndex", [](TImageButton& O) -> int64_t { return O.ImageIndex; });
                             C.PublishInteger<TImageButton>("DisabledIndex",
                                                            [](TImageButton& O) -> int64_t { return O.DisabledIndex; });
                             C.PublishInteger<TImageButton>("Margin", [](TImageButton& O) -> int64_t { return O.Margin; });
                         });
    return CI;
}

// A button whose glyph is a whole picture in a graphic property.
class TPictureButton : public TButton {
    TESSARO_CLASSINFO
public:
    explicit TPictureButton(TComponent* AOwner) : TButton(AOwner) {}
    TBitmap Picture;
    int Margin = 4;
};
TClassInfo& TPictureButton::StaticClassInfo() {
    static TClassInfo CI("TPictureButton", &TButton::StaticClassInfo(), CreateComponentOf<TPictureButton>,
                         [](TClassInfo& C) {
                             C.PublishObject<TPictureButton>("PngImage", [](TPictureButton& O) -> TObject* { return &O.Picture; });
                             C.PublishInteger<TPictureButton>("Margin", [](TPictureButton& O) -> int64_t { return O.Margin; });
                         });
    return CI;
}

constexpr TColor Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000;

TEST(SkinBitButton, ImageListImageByStateWithTheDisabledIndex) {
    TSkinFixture X;
    TForm* F = new TForm(Application);
    auto* Images = new TImageList(F);
    Images->SetSize(10, 10);
    for (TColor C : {Red, Green, Blue}) {
        TBitmap Cell(10, 10);
        Cell.Canvas().Brush().SetColor(C);
        Cell.Canvas().FillRect(TRect(0, 0, 10, 10));
        Images->Add(&Cell, nullptr);
    }
    auto* B = new TImageButton(F);
    B->SetParent(F);
    B->SetBounds(10, 10, 120, 30);
    B->SetCaption("");
    B->Images = Images;
    F->Show();
    TestHooks::PumpPending();
    auto* S = new TSkinBitButton(B);
    S->AttachControl(&X.Host, &X.Data, nullptr, false);
    // The image at the margin (4), centred across: (9, 16) is its pixel (5, 6),
    // one the disabled drawing's dither leaves in the image's colour.
    auto Middle = [&] {
        TBitmap Bmp(120, 30);
        S->Draw(Bmp.Canvas().Handle(), TRect(0, 0, 120, 30));
        return Bmp.Canvas().Pixel(9, 16);
    };
    // A disabled image as the list draws it on the disabled frame.
    auto Disabled = [&](int Index) {
        TBitmap Ref(10, 10);
        Ref.Canvas().Brush().SetColor(FrameColor[bfDisabled]);
        Ref.Canvas().FillRect(TRect(0, 0, 10, 10));
        Images->Draw(Ref.Canvas(), 0, 0, Index, false);
        return Ref.Canvas().Pixel(5, 6);
    };
    EXPECT_NE(Disabled(2), Disabled(0));
    struct Case {
        const char* what;
        bool enabled;
        int index, disabledIndex;
        TColor want;
    } Cases[] = {
        {"enabled", true, 1, 2, Green},
        {"no image", true, -1, 2, FrameColor[bfNormal]},
        {"disabled with a disabled index", false, 1, 2, Disabled(2)},
        {"disabled without one", false, 0, -1, Disabled(0)},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        B->SetEnabled(C.enabled);
        B->ImageIndex = C.index;
        B->DisabledIndex = C.disabledIndex;
        EXPECT_EQ(Middle(), C.want);
    }
    F->Free();
}

TEST(SkinBitButton, PictureFromItsPropertyIsDrawnWholeAndDefaultHasNoLook) {
    TSkinFixture X;
    TForm* F = new TForm(Application);
    auto* B = new TPictureButton(F);
    B->SetParent(F);
    B->SetBounds(10, 10, 120, 30);
    B->SetCaption("");
    B->SetDefault(true);
    B->Picture.SetSize(20, 10);
    B->Picture.Canvas().Brush().SetColor(Red);
    B->Picture.Canvas().FillRect(TRect(0, 0, 10, 10));
    B->Picture.Canvas().Brush().SetColor(Green);
    B->Picture.Canvas().FillRect(TRect(10, 0, 20, 10));
    auto* Other = new TButton(F);
    Other->SetParent(F);
    Other->SetBounds(10, 60, 120, 30);
    F->Show();
    TestHooks::PumpPending();
    Other->SetFocus();
    TestHooks::PumpPending();
    auto Drawn = [&](TSkinBitButton* S) {
        auto Bmp = std::make_unique<TBitmap>(120, 30);
        S->Draw(Bmp->Canvas().Handle(), TRect(0, 0, 120, 30));
        return Bmp;
    };
    auto* Strip = new TSkinBitButton(B);
    Strip->AttachControl(&X.Host, &X.Data, nullptr, false);
    EXPECT_EQ(Drawn(Strip)->Canvas().Pixel(1, 1), FrameColor[bfFocused]);  // a default glyph-strip button
    Strip->Free();
    auto* S = new TSkinBitButton(B);
    S->GlyphProperty = "PngImage";
    S->AttachControl(&X.Host, &X.Data, nullptr, false);
    auto Bmp = Drawn(S);
    EXPECT_EQ(Bmp->Canvas().Pixel(1, 1), FrameColor[bfNormal]);
    // Both halves of the picture, from the margin on.
    EXPECT_EQ(Bmp->Canvas().Pixel(4 + 5, 15), Red);
    EXPECT_EQ(Bmp->Canvas().Pixel(4 + 15, 15), Green);
    EXPECT_EQ(Bmp->Canvas().Pixel(4 + 21, 15), FrameColor[bfNormal]);
    B->SetEnabled(false);
    Bmp = Drawn(S);
    EXPECT_EQ(Bmp->Canvas().Pixel(1, 1), FrameColor[bfDisabled]);
    EXPECT_EQ(Bmp->Canvas().Pixel(4 + 5, 15), Red);  // a picture is not greyed
    F->Free();
}

// A speed button of another library with its picture in a graphic property.
class TPictureSpeedButton : public TSpeedButton {
    TESSARO_CLASSINFO
public:
    explicit TPictureSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {}
    TBitmap Picture;
};
TClassInfo& TPictureSpeedButton::StaticClassInfo() {
    static TClassInfo CI("TPictureSpeedButton", &TSpeedButton::StaticClassInfo(), CreateComponentOf<TPictureSpeedButton>,
                         [](TClassInfo& C) {
                             C.PublishObject<TPictureSpeedButton>("PngImage",
                                                                  [](TPictureSpeedButton& O) -> TObject* { return &O.Picture; });
                         });
    return CI;
}

TEST(SkinSpeedButton, PictureFromItsPropertyIsDrawnWhole) {
    TSkinFixture X;
    TForm* F = new TForm(Application);
    auto* B = new TPictureSpeedButton(F);
    B->SetParent(F);
    B->SetBounds(10, 10, 60, 24);
    B->SetCaption("");
    B->Margin = 3;
    B->Picture.SetSize(20, 10);
    B->Picture.Canvas().Brush().SetColor(Red);
    B->Picture.Canvas().FillRect(TRect(0, 0, 10, 10));
    B->Picture.Canvas().Brush().SetColor(Blue);
    B->Picture.Canvas().FillRect(TRect(10, 0, 20, 10));
    F->Show();
    TestHooks::PumpPending();
    auto* S = new TSkinSpeedButton(B);
    S->GlyphProperty = "PngImage";
    S->AttachGraphicControl(&X.Host, &X.Data, nullptr);
    TBitmap Bmp(60, 24);
    S->DrawSpeedButton(Bmp.Canvas(), TRect(0, 0, 60, 24));
    EXPECT_EQ(Bmp.Canvas().Pixel(1, 1), FrameColor[bfNormal]);
    EXPECT_EQ(Bmp.Canvas().Pixel(3 + 5, 12), Red);
    EXPECT_EQ(Bmp.Canvas().Pixel(3 + 15, 12), Blue);
    F->Free();
}

}  // namespace
