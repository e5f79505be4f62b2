#include "skin/skin_buttons.h"

#include <algorithm>

#include "platform/classlib/comctrls.h"
#include "platform/rtl/sysutils.h"
#include "skin/skin_control_paint.h"
#include "skin/skin_bitmaps.h"
#include "skin/skin_frames.h"

namespace {

bool IsTrue(const std::string& ValueName) { return LowerCase(ValueName) == "true"; }

// The raw window's font on a canvas font: face, height and style.
void AssignWindowFont(TFont& Font, HWND Window) {
    auto F = reinterpret_cast<HFONT>(SendMessageW(Window, WM_GETFONT, 0, 0));
    LOGFONTA Lf{};
    if (!F || !GetObjectA(F, sizeof Lf, &Lf)) return;
    Font.SetName(Lf.lfFaceName);
    if (Lf.lfHeight) Font.SetHeight(Lf.lfHeight);
    TFontStyles S;
    if (Lf.lfWeight >= FW_BOLD) S.Include(fsBold);
    if (Lf.lfItalic) S.Include(fsItalic);
    if (Lf.lfUnderline) S.Include(fsUnderline);
    Font.SetStyle(S);
}

// The canvas's DC with its font, text colour and background mode in force.
HDC TextDc(TCanvas& Canvas) {
    HDC Dc = Canvas.Handle();
    SelectObject(Dc, Canvas.Font().Handle());
    SetTextColor(Dc, static_cast<COLORREF>(ColorToRGB(Canvas.Font().Color())));
    return Dc;
}

}  // namespace

TSkinButton::TSkinButton(TComponent* AOwner) : TSkinControl(AOwner), Buffer(std::make_unique<TBitmap>()) {}

TSkinButton::~TSkinButton() = default;

void TSkinButton::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) {
    bool Was = Attached;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    if (Was || !Control) return;
    // Mode 1: the button class handles its own press, so it is not forwarded.
    Mode = 0;
    std::string Name = LowerCase(Control->ClassName());
    for (const std::string& P : SkinButtonSelfPressPrefixes())
        if (!P.empty() && Name.compare(0, P.size(), LowerCase(P)) == 0) Mode = 1;
    Transparent = Control->Tag == 5555 || (SkinData && SkinData->Options.Contains(xoTransparent));
}

int TSkinButton::ButtonFrame() {
    Focused = Handle && GetFocus() == Handle;
    Enabled = !Handle || !(static_cast<DWORD>(GetWindowLongW(Handle, GWL_STYLE)) & WS_DISABLED);
    bool Default = Control && IsTrue(GetEnumPropName(Control, "Default"));
    int F = MouseState.Contains(msPressed) ? bfPressed
            : MouseState.Contains(msHot)   ? bfHot
            : Focused || Default           ? bfFocused
                                           : bfNormal;
    return Enabled ? F : bfDisabled;
}

void TSkinButton::PrepareText(TCanvas& Canvas, int Frame) {
    TDataSkinButton& B = *SkinData->Button;
    if (Control) {
        if (auto* F = GetObjectPropByName<TFont>(Control, "Font")) Canvas.Font().Assign(*F);
    } else {
        AssignWindowFont(Canvas.Font(), Handle);
        Canvas.Font().SetColor(SkinData->ColButtonText);
    }
    if (Frame == bfNormal && B.HasNormalColour2) Canvas.Font().SetColor(B.NormalColour2);
    if (Frame == bfHot && B.HasMouseOverColour2) Canvas.Font().SetColor(B.MouseOverColour2);
    if (Frame == bfPressed && B.HasPressedColour2) Canvas.Font().SetColor(B.PressedColour2);
    if (!Enabled) Canvas.Font().SetColor(clBtnShadow);
}

void TSkinButton::Draw(HDC Dc, const TRect& R) {
    if (!SkinData || !SkinData->Button || !SkinData->Button->Bitmap || SkinData->Button->Bitmap->Empty()) return;
    int Frame = ButtonFrame();
    Caption = Control ? GetStrPropWide(Control, "Caption") : GetWindowTextWide(Handle);
    TRect R0(0, 0, R.Width(), R.Height());
    if (R0.Width() <= 0 || R0.Height() <= 0) return;
    Buffer->SetWidth(R0.Width());
    Buffer->SetHeight(R0.Height());
    TCanvas& C = Buffer->Canvas();
    HDC B = C.Handle();
    if (Transparent && Control)
        PaintControlParentBackground(Control, B, /*FromControlSkin=*/true);
    else
        FillFace(*this, B, R0);
    DrawSkinPartFrame(B, R0, SkinData->Button->FrameCount, Frame, *SkinData->Button);
    PrepareText(C, Frame);
    DrawCaption(C, R0, DT_CENTER, Caption);
    BitBlt(Dc, R.left, R.top, R0.Width(), R0.Height(), B, 0, 0, SRCCOPY);
}

void TSkinButton::DrawCaption(TCanvas& Canvas, const TRect& R, UINT Alignment, const std::u16string& Text) {
    std::u16string S = ReplaceFirst(Text, u"||", u"\r\n");
    HDC Dc = TextDc(Canvas);
    SetBkMode(Dc, TRANSPARENT);
    RECT T = R;
    InflateRect(&T, -2, -2);
    DrawWideText(Dc, S, &T, Alignment | DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP);
    OffsetRect(&T, -T.left, -T.top);
    int Tw = T.right - T.left, Th = T.bottom - T.top;
    if (Alignment & DT_CENTER) {
        OffsetRect(&T, (R.Width() - Tw) / 2, (R.Height() - Th) / 2 - 1);
    } else {
        OffsetRect(&T, 0, (R.Height() - Th) / 2 - 1);
        T.left = R.left;
        T.right = R.right;
    }
    DrawWideText(Dc, S, &T, AddRtlFlag(*this, Alignment | DT_WORDBREAK | DT_EXPANDTABS));
    SetBkMode(Dc, OPAQUE);
    if (Focused && !(SkinData && SkinData->Options.Contains(xoNoFocusRect))) {
        InflateRect(&T, 2, 2);
        DrawFocusRect(Dc, &T);
    }
}

bool TSkinButton::BeforeMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_PAINT:
            HandlePaintMessage(*this, M);
            return false;
        case WM_ERASEBKGND: M.Result = 1; return false;
        case WM_TIMER:
            // The native button's own timer; the skin draws every state itself.
            KillTimer(Handle, 1);
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (!Focused) SetFocus(Handle);
            MouseState.Include(msPressed);
            PaintFrame(nullptr);
            if (Mode == 0 && Control) ForwardMouseDown(M);
            return false;
        default: return TSkinControl::BeforeMessage(M);
    }
}

void TSkinButton::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_SETTEXT: PaintFrame(nullptr); break;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (M.WParam == VK_SPACE) {
                if (M.Msg == WM_KEYDOWN)
                    MouseState.Include(msPressed);
                else
                    MouseState.Exclude(msPressed);
                Redraw();
            }
            break;
        case WM_MOUSEMOVE:
            if (Enabled && !MouseState.Contains(msHot)) {
                MouseState.Include(msHot);
                Redraw();
            }
            TrackMouseLeave(Handle);
            break;
        case WM_LBUTTONUP: {
            if (!MouseState.Contains(msPressed)) break;
            MouseState.Exclude(msPressed);
            Redraw();
            // Only a release over the button is a click.
            POINT P{static_cast<int16_t>(LOWORD(M.LParam)), static_cast<int16_t>(HIWORD(M.LParam))};
            RECT Client;
            GetClientRect(Handle, &Client);
            if (!PtInRect(&Client, P)) break;
            if (Control) {
                Control->Click();
            } else {
                char Class[101] = {};
                GetClassNameA(Handle, Class, 100);
                WPARAM Id = LowerCase(Class) == "tbutton" ? 0 : static_cast<WPARAM>(GetDlgCtrlID(Handle));
                PostMessageA(GetParent(Handle), WM_COMMAND, Id, reinterpret_cast<LPARAM>(Handle));
            }
            break;
        }
        case WM_MOUSELEAVE:
            MouseState.Exclude(msHot);
            MouseState.Exclude(msPressed);
            Redraw();
            break;
        case CM_DIALOGKEY:
        case CM_FOCUSCHANGED: Redraw(); break;
        default: TSkinControl::AfterMessage(M); break;
    }
}

std::vector<std::string>& SkinButtonSelfPressPrefixes() {
    static std::vector<std::string> Prefixes;
    return Prefixes;
}

void DrawGlyphFrame(TCanvas& Canvas, POINT Pos, int Count, int Index, TBitmap& Glyph) {
    if (Count < 1 || Glyph.Empty()) return;
    int Fw = Glyph.Width() / Count;
    if (Fw <= 0) return;
    int Frame = Count < Index ? 1 : Index;
    TBitmap Copy(Fw, Glyph.Height());
    Copy.Canvas().CopyRect(TRect(0, 0, Fw, Glyph.Height()), Glyph.Canvas(),
                           TRect((Frame - 1) * Fw, 0, Frame * Fw, Glyph.Height()));
    if (Index == 2) ConvertBitmapToGray(Copy);
    Copy.Transparent = true;  // the bottom-left pixel's colour
    Canvas.Draw(Pos.x, Pos.y, Copy);
}

void TSkinBitButton::Draw(HDC Dc, const TRect& R) {
    if (!SkinData || !SkinData->Button || !SkinData->Button->Bitmap || SkinData->Button->Bitmap->Empty()) return;
    bool Graphic = !GlyphProperty.empty();
    int Frame = ButtonFrame();
    // The graphic variant has no default look.
    if (Graphic && Frame == bfFocused && !Focused) Frame = bfNormal;
    int GlyphIndex = Frame == bfPressed ? 3 : Frame == bfDisabled ? 2 : 1;
    Caption = Control ? GetStrPropWide(Control, "Caption") : GetWindowTextWide(Handle);
    TRect R0(0, 0, R.Width(), R.Height());
    if (R0.Width() <= 0 || R0.Height() <= 0) return;
    Buffer->SetWidth(R0.Width());
    Buffer->SetHeight(R0.Height());
    TCanvas& C = Buffer->Canvas();
    if (Transparent && Control)
        PaintControlParentBackground(Control, C.Handle(), /*FromControlSkin=*/true);
    else
        FillFace(*this, C.Handle(), R0);
    DrawSkinPartFrame(C.Handle(), R0, SkinData->Button->FrameCount, Frame, *SkinData->Button);
    PrepareText(C, Frame);
    TGraphic* Whole = Graphic ? GetObjectPropByName<TGraphic>(Control, GlyphProperty) : nullptr;
    TBitmap* Glyph = Graphic ? nullptr : GetObjectPropByName<TBitmap>(Control, "Glyph");
    auto* Images = Graphic ? nullptr : GetObjectPropByName<TCustomImageList>(Control, "Images");
    int ImageIndex = GetIntegerPropValue(Control, "ImageIndex");
    int DisabledIndex = GetIntegerPropValue(Control, "DisabledIndex");
    int Num = std::max(1, GetIntegerPropValue(Control, "NumGlyphs"));
    TGlyphLayoutIn In;
    In.W = R0.Width();
    In.H = R0.Height();
    if (Whole && !Whole->Empty()) {
        In.Gw = Whole->Width();
        In.Gh = Whole->Height();
    } else if (Glyph && !Glyph->Empty()) {
        In.Gw = Glyph->Width() / Num;
        In.Gh = Glyph->Height();
    } else if (Images && ImageIndex != -1) {
        In.Gw = Images->Width();
        In.Gh = Images->Height();
    }
    In.Margin = GetIntegerPropValue(Control, "Margin");
    In.Spacing = GetIntegerPropValue(Control, "Spacing");
    In.Layout = LayoutFromName(GetEnumPropName(Control, "Layout"));
    In.Centered = LowerCase(GetEnumPropName(Control, "Alignment")) == "tacenter";
    std::u16string Text = ReplaceFirst(Caption, u"||", u"\r\n");
    HDC Tdc = TextDc(C);
    if (!Text.empty()) {
        RECT T = R0;
        InflateRect(&T, -2, -2);
        if (In.Layout <= 1)
            T.right -= In.Gw + 2;
        else
            T.bottom -= In.Gh + 2;
        DrawWideText(Tdc, Text, &T, DT_CALCRECT | DT_WORDBREAK);
        In.Tw = T.right - T.left;
        In.Th = T.bottom - T.top;
    }
    TGlyphLayoutOut Out = LayoutGlyphAndText(In);
    if (Whole && !Whole->Empty()) {
        C.Draw(Out.Glyph.x, Out.Glyph.y, *Whole);
    } else if (Glyph && !Glyph->Empty()) {
        DrawGlyphFrame(C, Out.Glyph, Num, GlyphIndex, *Glyph);
    } else if (Images) {
        if (Enabled) {
            if (ImageIndex != -1) Images->Draw(C, Out.Glyph.x, Out.Glyph.y, ImageIndex, /*Enabled=*/true);
        } else {
            Images->Draw(C, Out.Glyph.x, Out.Glyph.y, DisabledIndex != -1 ? DisabledIndex : ImageIndex,
                         /*Enabled=*/false);
        }
    }
    if (!Text.empty()) {
        Tdc = TextDc(C);
        SetBkMode(Tdc, TRANSPARENT);
        RECT T = Out.Text;
        UINT Flags = DT_WORDBREAK | Out.TextFlag;
        DrawWideText(Tdc, Text, &T, Graphic ? Flags : AddRtlFlag(*this, Flags));
        if (Focused && !SkinData->Options.Contains(xoNoFocusRect)) {
            RECT F = Out.Text;
            InflateRect(&F, 2, 2);
            DrawFocusRect(Tdc, &F);
        }
    }
    BitBlt(Dc, R.left, R.top, R0.Width(), R0.Height(), C.Handle(), 0, 0, SRCCOPY);
}

// ---- Speed buttons ----------------------------------------------------------------------------
TSkinSpeedButton::~TSkinSpeedButton() { GiveBack(); }

void TSkinSpeedButton::GiveBack() {
    if (!OldWindowProc) return;
    if (GraphicControl && !(Owner() == GraphicControl && GraphicControl->ComponentState().Contains(csDestroying)))
        GraphicControl->WindowProc = OldWindowProc;
    OldWindowProc = nullptr;
}

void TSkinSpeedButton::AttachGraphicControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas) {
    if (Attached) return;
    auto* G = dynamic_cast<TControl*>(Owner());
    if (!G) return;
    SkinData = ASkinData;
    Canvas = ACanvas;
    SkinForm = ASkinForm;
    GraphicControl = G;
    OldWindowProc = G->WindowProc;
    G->WindowProc = [this](TMessage& M) { SkinWndProc(M); };
    if (SkinForm) SkinForm->AddControlSkin(this);
    Attached = true;
    LifeState = 1;
    Transparent = G->Tag == 5555 || (SkinData && SkinData->Options.Contains(xoTransparent));
    G->Invalidate();
}

void TSkinSpeedButton::PaintFrame(HDC) {
    // The button has no window of its own: its parent paints it again.
    if (GraphicControl) GraphicControl->Invalidate();
}

bool TSkinSpeedButton::BeforeMessage(TMessage& M) {
    auto* G = dynamic_cast<TGraphicControl*>(GraphicControl);
    switch (M.Msg) {
        case WM_PAINT:
            if (G && M.WParam) {
                TCanvas& C = G->Canvas();
                C.Lock();
                C.SetHandle(reinterpret_cast<HDC>(M.WParam));
                try {
                    DrawSpeedButton(C, TRect(0, 0, G->Width(), G->Height()));
                } catch (...) {
                }
                C.SetHandle(nullptr);
                C.Unlock();
            }
            M.Result = 1;
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            CallPrevious(M);
            MouseState.Include(msPressed);
            PaintFrame(nullptr);
            return false;
        case WM_LBUTTONUP: return true;
        default: return TSkinButton::BeforeMessage(M);
    }
}

void TSkinSpeedButton::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_ENABLE:
        case CM_FOCUSCHANGED:
        case CM_ENABLEDCHANGED: break;
        case WM_NCDESTROY:
        case CM_RELEASE: GiveBack(); break;
        case WM_KEYDOWN:
            if (M.WParam == VK_SPACE) {
                MouseState.Include(msPressed);
                PaintFrame(nullptr);
            }
            break;
        case WM_KEYUP:
        case WM_LBUTTONUP:
            if (M.Msg == WM_LBUTTONUP || M.WParam == VK_SPACE) {
                MouseState.Exclude(msPressed);
                PaintFrame(nullptr);
            }
            break;
        case CM_MOUSEENTER:
            MouseState.Include(msHot);
            PaintFrame(nullptr);
            break;
        case CM_MOUSELEAVE:
            MouseState.Exclude(msHot);
            MouseState.Exclude(msPressed);
            if (GraphicControl && GraphicControl->Visible()) PaintFrame(nullptr);
            break;
        case WM_MOUSEMOVE: break;  // hot comes with the enter and leave notices
        default: TSkinButton::AfterMessage(M); break;
    }
}

void TSkinSpeedButton::DrawSpeedButton(TCanvas& Target, const TRect& R) {
    if (!SkinData || !SkinData->Button || !SkinData->Button->Bitmap || SkinData->Button->Bitmap->Empty()) return;
    if (Painting || R.Width() < 1 || R.Height() < 1) return;
    Painting = true;
    struct TDone {
        bool& P;
        ~TDone() { P = false; }
    } Done{Painting};
    TControl* G = GraphicControl;
    int S = MouseState.Contains(msPressed) ? bfPressed : MouseState.Contains(msHot) ? bfHot : bfNormal;
    Enabled = LowerCase(GetEnumPropName(G, "Enabled")) == "true";
    bool Down = LowerCase(GetEnumPropName(G, "Down")) == "true";
    int Frame = Down ? bfPressed : Enabled ? S : bfDisabled;
    int GlyphIndex = Frame == bfPressed ? 3 : Frame == bfDisabled ? 2 : 1;
    if (Down) GlyphIndex = 4;
    Caption = GetStrPropWide(G, "Caption");
    // The graphic variant: the glyph is the graphic its property holds, drawn whole.
    TGraphic* Whole = GlyphProperty.empty() ? nullptr : GetObjectPropByName<TGraphic>(G, GlyphProperty);
    TGraphic* Glyph = GlyphProperty.empty() ? GetObjectPropByName<TBitmap>(G, "Glyph") : Whole;
    int Num = std::max(1, GetIntegerPropValue(G, "NumGlyphs"));
    bool Flat = LowerCase(GetEnumPropName(G, "Flat")) == "true";
    Buffer->SetWidth(R.Width());
    Buffer->SetHeight(R.Height());
    TCanvas& C = Buffer->Canvas();
    if (auto* F = GetObjectPropByName<TFont>(G, "Font")) C.Font().Assign(*F);
    TRect R0(0, 0, R.Width(), R.Height());
    if (Transparent)
        PaintControlParentBackground(G, C.Handle(), /*FromControlSkin=*/true);
    else
        FillFace(*this, C.Handle(), R0);
    // A flat button shows only its background unless down, pressed or hot.
    if (Frame == bfPressed || Frame == bfHot || !Flat)
        DrawSkinPartFrame(C.Handle(), R0, SkinData->Button->FrameCount, Frame, *SkinData->Button);
    TDataSkinButton& B = *SkinData->Button;
    if (Frame == bfNormal && B.HasNormalColour2) C.Font().SetColor(B.NormalColour2);
    if (Frame == bfHot && B.HasMouseOverColour2) C.Font().SetColor(B.MouseOverColour2);
    if (Frame == bfPressed && B.HasPressedColour2) C.Font().SetColor(B.PressedColour2);
    if (!Enabled) C.Font().SetColor(clBtnShadow);
    std::u16string Text = ReplaceFirst(Caption, u"||", u"\r\n");
    if (Glyph && !Glyph->Empty() && Glyph->Width() / Num > 0) {
        TGlyphLayoutIn In;
        In.W = R0.Width();
        In.H = R0.Height();
        In.Gw = Glyph->Width() / Num;
        In.Gh = Glyph->Height();
        In.Margin = GetIntegerPropValue(G, "Margin");
        In.Spacing = GetIntegerPropValue(G, "Spacing");
        In.Layout = LayoutFromName(GetEnumPropName(G, "Layout"));
        In.SpeedButton = true;
        HDC Tdc = TextDc(C);
        if (!Text.empty()) {
            RECT T = R0;
            InflateRect(&T, -2, -2);
            if (In.Layout <= 1)
                T.right -= In.Gw + 2;
            else
                T.bottom -= In.Gh + 2;
            DrawWideText(Tdc, Text, &T, DT_CALCRECT | DT_WORDBREAK);
            In.Tw = T.right - T.left;
            In.Th = T.bottom - T.top;
        }
        TGlyphLayoutOut Out = LayoutGlyphAndText(In);
        if (Whole)
            C.Draw(Out.Glyph.x, Out.Glyph.y, *Whole);
        else
            DrawGlyphFrame(C, Out.Glyph, Num, GlyphIndex, static_cast<TBitmap&>(*Glyph));
        if (!Text.empty()) {
            Tdc = TextDc(C);
            SetBkMode(Tdc, TRANSPARENT);
            RECT T = Out.Text;
            DrawWideText(Tdc, Text, &T, AddRtlFlag(*this, DT_WORDBREAK | Out.TextFlag));
        }
    } else {
        Focused = false;
        DrawCaption(C, R0, DT_CENTER, Caption);
    }
    Target.Draw(R.left, R.top, *Buffer);
}

void TSkinMenuButton::Draw(HDC Dc, const TRect& R) {
    if (!SkinData || !SkinData->Button || !SkinData->Button->Bitmap || SkinData->Button->Bitmap->Empty()) return;
    Focused = Handle && GetFocus() == Handle;
    Enabled = !Handle || !(static_cast<DWORD>(GetWindowLongW(Handle, GWL_STYLE)) & WS_DISABLED);
    int Frame = MouseState.Contains(msPressed)                      ? bfPressed
                : Focused || MouseState.Contains(msHot)             ? bfHot
                                                                    : bfNormal;
    if (!Enabled) Frame = bfDisabled;
    Caption = Control ? GetStrPropWide(Control, "Caption") : GetWindowTextWide(Handle);
    int W = R.Width(), H = R.Height();
    if (W <= 0 || H <= 0) return;
    Buffer->SetWidth(W);
    Buffer->SetHeight(H);
    TCanvas& C = Buffer->Canvas();
    TRect R0(0, 0, W, H);
    if (Transparent && Control)
        PaintControlParentBackground(Control, C.Handle(), /*FromControlSkin=*/true);
    else
        FillFace(*this, C.Handle(), R0);
    DrawSkinPartFrame(C.Handle(), R0, SkinData->Button->FrameCount, Frame, *SkinData->Button);
    PrepareText(C, Frame);
    std::u16string Text = ReplaceFirst(Caption, u"||", u"\r\n");
    HDC Tdc = TextDc(C);
    RECT T{2, 2, W - 17 - 2, H - 2};
    int Tw = 0, Th = 0;
    if (!Text.empty()) {
        DrawWideText(Tdc, Text, &T, DT_CALCRECT | DT_WORDBREAK);
        Tw = T.right - T.left;
        Th = T.bottom - T.top;
    }
    int Ty = (H - Th + 1) / 2, Tx = (W - 17 - Tw) / 2 + 2;
    TColor Ink = Enabled ? clWindowText : clBtnShadow;
    C.Brush().SetColor(Ink);
    C.Pen().SetColor(Ink);
    int M = H / 2 + 2;
    // The filled triangle through (W - 12, M), (W - 15, M - 3) and (W - 9, M - 3), row by row.
    for (int K = 0; K <= 3; ++K) C.FillRect(TRect(W - 15 + K, M - 3 + K, W - 9 - K + 1, M - 2 + K));
    Tdc = TextDc(C);
    SetBkMode(Tdc, TRANSPARENT);
    RECT Tr{Tx, Ty, Tx + Tw, Ty + Th};
    DrawWideText(Tdc, Text, &Tr, DT_WORDBREAK);
    if (Focused && !SkinData->Options.Contains(xoNoFocusRect)) {
        RECT F = Tr;
        InflateRect(&F, 2, 2);
        DrawFocusRect(Tdc, &F);
    }
    BitBlt(Dc, R.left, R.top, W, H, C.Handle(), 0, 0, SRCCOPY);
}

int LayoutFromName(const std::string& Name) {
    std::string L = LowerCase(Name);
    if (L == "blglyphright") return 1;
    if (L == "blglyphtop") return 2;
    if (L == "blglyphbottom") return 3;
    return 0;
}

TGlyphLayoutOut LayoutGlyphAndText(const TGlyphLayoutIn& In) {
    TGlyphLayoutOut Out;
    bool Across = In.Layout == 0 || In.Layout == 1;  // glyph and text side by side
    int Gx = 0, Gy = 0, Tx = 0, Ty = 0;
    if (Across) {
        Gy = (In.H - In.Gh + 1) / 2;
        Ty = (In.H - In.Th + 1) / 2;
    } else {
        Gx = (In.W - In.Gw + 1) / 2;
        Tx = (In.W - In.Tw + 1) / 2;
    }
    int Margin = In.Margin, Spacing = In.Spacing;
    if (In.Tw == 0 || In.Gw == 0) Spacing = 0;
    int S = Across ? In.W : In.H;
    int G = Across ? In.Gw : In.Gh;
    int T = Across ? In.Tw : In.Th;
    if (Margin == -1 || In.Centered) {
        if (Spacing == -1) {
            Margin = (S - G - T) / 3;
            Spacing = Margin;
        } else {
            Margin = (S - G - Spacing - T) / 2 + (In.SpeedButton ? 1 : 0);
        }
    } else if (Spacing == -1) {
        Spacing = (S - Margin - G - T) / 2;
    }
    switch (In.Layout) {
        case 1:
            Gx = In.W - Margin - In.Gw;
            Tx = Gx - Spacing - In.Tw;
            Out.TextFlag = DT_RIGHT;
            break;
        case 2:
            Gy = Margin;
            Ty = Margin + In.Gh + Spacing;
            Out.TextFlag = DT_CENTER;
            break;
        case 3:
            Gy = In.H - Margin - In.Gh;
            Ty = Gy - Spacing - In.Th;
            Out.TextFlag = DT_CENTER;
            break;
        default:
            Gx = Margin;
            Tx = Margin + In.Gw + Spacing;
            break;
    }
    Out.Glyph = POINT{Gx, Gy};
    Out.Text = TRect(Tx, Ty, Tx + In.Tw, Ty + In.Th);
    return Out;
}
