#include "ui/qem_controls.h"

#include <algorithm>
#include <cctype>

#include "platform/classlib/formload.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/pngimage.h"
#include "platform/system/process.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/sysutils.h"
#include "ui/qem_windows_utils.h"

namespace {

// A copy of the picture's graphic, of the same kind.
std::unique_ptr<TPicture> CopyPicture(TPicture& Source) {
    auto P = std::make_unique<TPicture>();
    TGraphic* G = Source.Graphic();
    if (!G) return P;
    std::unique_ptr<TGraphic> Copy;
    if (dynamic_cast<TJPEGImage*>(G))
        Copy = std::make_unique<TJPEGImage>();
    else if (dynamic_cast<TPngImage*>(G))
        Copy = std::make_unique<TPngImage>();
    else
        Copy = std::make_unique<TBitmap>();
    TMemoryStream M;
    G->SaveToStream(M);
    M.SetPosition(0);
    Copy->LoadFromStream(M);
    P->SetGraphic(std::move(Copy));
    return P;
}

// The accelerator of a caption: the character after a single '&'.
char16_t AccelChar(const std::string& Caption) {
    for (size_t I = 0; I + 1 < Caption.size(); ++I) {
        if (Caption[I] != '&') continue;
        if (Caption[I + 1] == '&') {
            ++I;
            continue;
        }
        return static_cast<char16_t>(std::toupper(static_cast<unsigned char>(Caption[I + 1])));
    }
    return 0;
}

}  // namespace

// ---- TQemCustomButton ------------------------------------------------------------------

TQemCustomButton::TQemCustomButton(TComponent* AOwner)
    : TCustomControl(AOwner),
      FFontMouseHover(std::make_unique<TFont>()),
      FFontMouseDown(std::make_unique<TFont>()),
      FFontDisabled(std::make_unique<TFont>()),
      FPicNormal(std::make_unique<TPicture>()),
      FPicMouseHover(std::make_unique<TPicture>()),
      FPicMouseDown(std::make_unique<TPicture>()),
      FPicDisabled(std::make_unique<TPicture>()) {
    // No child controls; a double click is two clicks.
    ControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csCustomPaint};
    FFontMouseHover->Assign(Font());
    FFontMouseDown->Assign(Font());
    FFontDisabled->Assign(Font());
    TabStop = true;
    SetBounds(0, 0, 75, 25);
}

TQemCustomButton::~TQemCustomButton() {
    for (GpBitmap** B : {&FBmpNormal, &FBmpMouseHover, &FBmpMouseDown, &FBmpDisabled})
        if (*B) {
            GdipDisposeImage(*B);
            *B = nullptr;
        }
    FreeBackBuffer();
}

void TQemCustomButton::FreeBackBuffer() {
    if (FGraphics) GdipDeleteGraphics(FGraphics);
    FGraphics = nullptr;
    if (FBufferDC) {
        SelectObject(FBufferDC, FBufferOld);
        DeleteDC(FBufferDC);
    }
    FBufferDC = nullptr;
    if (FBufferBitmap) DeleteObject(FBufferBitmap);
    FBufferBitmap = nullptr;
}

bool TQemCustomButton::CreateBackBuffer() {
    if (Width() <= 0 || Height() <= 0) return false;
    BITMAPINFO Bi{};
    Bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Bi.bmiHeader.biWidth = Width();
    Bi.bmiHeader.biHeight = Height();  // bottom-up
    Bi.bmiHeader.biPlanes = 1;
    Bi.bmiHeader.biBitCount = 32;
    Bi.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    HBITMAP Bmp = CreateDIBSection(/*Dc=*/nullptr, &Bi, DIB_RGB_COLORS, &Bits, /*Section=*/nullptr, 0);
    if (!Bmp) return false;
    HDC Dc = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(Dc, Bmp);
    GpGraphics* G = nullptr;
    if (GdipCreateFromHDC(Dc, &G) != Ok || !G) {
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        DeleteObject(Bmp);
        return false;
    }
    GdipSetTextRenderingHint(G, TextRenderingHintSystemDefault);
    FreeBackBuffer();
    FBufferBitmap = Bmp;
    FBufferDC = Dc;
    FBufferOld = Old;
    FGraphics = G;
    return true;
}

void TQemCustomButton::PaintFace(HDC DC) {
    int W = Width(), H = Height();
    // A buffer of another size than the control is remade.
    if (FBufferBitmap) {
        BITMAP B{};
        GetObjectA(FBufferBitmap, sizeof B, &B);
        if (B.bmWidth != W || B.bmHeight != H) FreeBackBuffer();
    }
    if (!FGraphics) CreateBackBuffer();
    if (!FGraphics) return;
    if (FTransparent) {
        DrawParentBackground(FBufferDC, this);
    } else {
        GpSolidFill* Brush = nullptr;
        if (GdipCreateSolidFill(FBackColor, &Brush) == Ok) {
            GdipFillRectangleI(FGraphics, Brush, 0, 0, W, H);
            GdipDeleteBrush(Brush);
        }
    }
    DrawPicture(FGraphics, GetStatePicture());
    if (FDrawBorder) DrawBorder(FGraphics);
    if (FDrawFocused && FFocused && TabStop) DrawFocusRect(FGraphics);
    std::string Caption = this->Caption();
    if (!Trim(Caption).empty()) DrawCaption(FGraphics, Caption);
    BitBlt(DC, 0, 0, W, H, FBufferDC, 0, 0, SRCCOPY);
}

GpBitmap* TQemCustomButton::GetStatePicture() {
    // Pictures given before GDI+ could read them are converted now.
    if (FPicNormal->Width() && !FBmpNormal) SetPicNormal(FPicNormal.get());
    if (FPicMouseHover->Width() && !FBmpMouseHover) SetPicMouseHover(FPicMouseHover.get());
    if (FPicMouseDown->Width() && !FBmpMouseDown) SetPicMouseDown(FPicMouseDown.get());
    if (FPicDisabled->Width() && !FBmpDisabled) SetPicDisabled(FPicDisabled.get());
    if (!Enabled()) return FBmpDisabled ? FBmpDisabled : FBmpNormal;
    if (FPressed) return FBmpMouseDown ? FBmpMouseDown : FBmpNormal;
    if (FHovered) return FBmpMouseHover ? FBmpMouseHover : FBmpNormal;
    return FBmpNormal;
}

void TQemCustomButton::DrawPicture(GpGraphics* Graphics, GpBitmap* Image) {
    if (!Graphics || !Image) return;
    UINT UW = 0, UH = 0;
    GdipGetImageWidth(Image, &UW);
    GdipGetImageHeight(Image, &UH);
    if (UW == 0 || UH == 0) return;
    int W = Width(), H = Height(), w = static_cast<int>(UW), h = static_cast<int>(UH), m = FFocusedRectMargin;
    // Right and bottom places keep the margin inside the face (W - w - m).
    int Left = m, CenterX = (W - w) / 2 + m, Right = W - w - m;
    int Top = m, MiddleY = (H - h) / 2 + m, Bottom = H - h - m;
    int X = Left, Y = Top;
    switch (FPictureAlign) {
        case TQemAlignment::alTopLeft: X = Left; Y = Top; break;
        case TQemAlignment::alTopCenter: X = CenterX; Y = Top; break;
        case TQemAlignment::alTopRight: X = Right; Y = Top; break;
        case TQemAlignment::alMiddleLeft:
        case TQemAlignment::alLeft: X = Left; Y = MiddleY; break;
        case TQemAlignment::alMiddleCenter:
        case TQemAlignment::alCenter: X = CenterX; Y = MiddleY; break;
        case TQemAlignment::alMiddleRight:
        case TQemAlignment::alRight: X = Right; Y = MiddleY; break;
        case TQemAlignment::alBottomLeft: X = Left; Y = Bottom; break;
        case TQemAlignment::alBottomCenter: X = CenterX; Y = Bottom; break;
        case TQemAlignment::alBottomRight: X = Right; Y = Bottom; break;
        case TQemAlignment::alCustom: X = FPictureX + m; Y = FPictureY + m; break;
    }
    if (FStretch)
        GdipDrawImageRectI(Graphics, Image, X, Y, W - m - X, H - m - Y);
    else
        GdipDrawImageRectI(Graphics, Image, X, Y, w, h);
}

void TQemCustomButton::DrawCaption(GpGraphics* Graphics, const std::string& Text) {
    if (!Visible() || !Graphics) return;
    int W = Width(), H = Height(), m = FFocusedRectMargin;
    RectF R{static_cast<REAL>(m), static_cast<REAL>(m), static_cast<REAL>(W - 2 * m), static_cast<REAL>(H - 2 * m)};
    GpStringAlignment Hz = StringAlignmentCenter, Vt = StringAlignmentCenter;
    switch (FTextAlign) {
        case TQemAlignment::alTopLeft: Hz = StringAlignmentNear; Vt = StringAlignmentNear; break;
        case TQemAlignment::alTopCenter: Hz = StringAlignmentCenter; Vt = StringAlignmentNear; break;
        case TQemAlignment::alTopRight: Hz = StringAlignmentFar; Vt = StringAlignmentNear; break;
        case TQemAlignment::alMiddleLeft:
        case TQemAlignment::alLeft: Hz = StringAlignmentNear; Vt = StringAlignmentCenter; break;
        case TQemAlignment::alMiddleCenter:
        case TQemAlignment::alCenter: Hz = StringAlignmentCenter; Vt = StringAlignmentCenter; break;
        case TQemAlignment::alMiddleRight:
        case TQemAlignment::alRight: Hz = StringAlignmentFar; Vt = StringAlignmentCenter; break;
        case TQemAlignment::alBottomLeft: Hz = StringAlignmentNear; Vt = StringAlignmentFar; break;
        case TQemAlignment::alBottomCenter: Hz = StringAlignmentCenter; Vt = StringAlignmentFar; break;
        case TQemAlignment::alBottomRight: Hz = StringAlignmentFar; Vt = StringAlignmentFar; break;
        case TQemAlignment::alCustom:
            Hz = StringAlignmentNear;
            Vt = StringAlignmentNear;
            R = RectF{static_cast<REAL>(FTextX), static_cast<REAL>(FTextY), static_cast<REAL>(W),
                      static_cast<REAL>(H)};
            break;
    }
    TFont* F = &Font();
    if (Enabled()) {
        if (FPressed && FEnableStatesFont)
            F = FFontMouseDown.get();
        else if (FHovered && FEnableStatesFont)
            F = FFontMouseHover.get();
    } else if (FEnableStatesFont) {
        F = FFontDisabled.get();
    }
    if (FPressed) {
        R.X += 1;
        R.Y += 1;
    }
    GpFont* GF = FontToGPFont(F);
    GpStringFormat* Fmt = nullptr;
    GpSolidFill* Brush = nullptr;
    if (GF && GdipCreateStringFormat(FMultiLines ? 0 : StringFormatFlagsNoWrap, LANG_NEUTRAL, &Fmt) == Ok &&
        GdipCreateSolidFill(ColorToARGB(F->Color(), 255), &Brush) == Ok) {
        GdipSetStringFormatAlign(Fmt, Hz);
        GdipSetStringFormatLineAlign(Fmt, Vt);
        GdipSetStringFormatTrimming(Fmt, StringTrimmingEllipsisWord);
        std::u16string W16 = QemWide(Text);
        GdipDrawString(Graphics, W16.c_str(), static_cast<INT>(W16.size()), GF, &R, Fmt, Brush);
    }
    if (Brush) GdipDeleteBrush(Brush);
    if (Fmt) GdipDeleteStringFormat(Fmt);
    if (GF) GdipDeleteFont(GF);
}

void TQemCustomButton::SetStatePicture(std::unique_ptr<TPicture>& Own, GpBitmap*& State, TPicture* Value) {
    if (Value && Value->Width() > 0) {
        if (Value != Own.get()) Own = CopyPicture(*Value);
        if (GpBitmap* B = PictureToGPBitmap(Own.get())) {
            if (State) GdipDisposeImage(State);
            State = B;
        }
    } else {
        if (State) GdipDisposeImage(State);
        State = nullptr;
        Own = std::make_unique<TPicture>();
    }
    Repaint();
}

void TQemCustomButton::SetPicNormal(TPicture* Value) { SetStatePicture(FPicNormal, FBmpNormal, Value); }
void TQemCustomButton::SetPicMouseHover(TPicture* Value) { SetStatePicture(FPicMouseHover, FBmpMouseHover, Value); }
void TQemCustomButton::SetPicMouseDown(TPicture* Value) { SetStatePicture(FPicMouseDown, FBmpMouseDown, Value); }
void TQemCustomButton::SetPicDisabled(TPicture* Value) { SetStatePicture(FPicDisabled, FBmpDisabled, Value); }

#define QEM_SET_IF_CHANGED(Field, Value) \
    if (Field == Value) return;          \
    Field = Value;                       \
    Repaint();

void TQemCustomButton::SetTransparent(bool Value) { QEM_SET_IF_CHANGED(FTransparent, Value) }
void TQemCustomButton::SetStretch(bool Value) { QEM_SET_IF_CHANGED(FStretch, Value) }
void TQemCustomButton::SetTextAlign(TQemAlignment Value) { QEM_SET_IF_CHANGED(FTextAlign, Value) }
void TQemCustomButton::SetPictureAlign(TQemAlignment Value) { QEM_SET_IF_CHANGED(FPictureAlign, Value) }
void TQemCustomButton::SetTextX(int Value) { QEM_SET_IF_CHANGED(FTextX, Value) }
void TQemCustomButton::SetTextY(int Value) { QEM_SET_IF_CHANGED(FTextY, Value) }
void TQemCustomButton::SetPictureX(int Value) { QEM_SET_IF_CHANGED(FPictureX, Value) }
void TQemCustomButton::SetPictureY(int Value) { QEM_SET_IF_CHANGED(FPictureY, Value) }
void TQemCustomButton::SetMultiLines(bool Value) { QEM_SET_IF_CHANGED(FMultiLines, Value) }
#undef QEM_SET_IF_CHANGED

void TQemCustomButton::SetDrawFocused(bool Value) {
    FDrawFocused = Value;
    Repaint();
}

void TQemCustomButton::SetDrawBorder(bool Value) {
    FDrawBorder = Value;
    Repaint();
}

void TQemCustomButton::SetEnableStatesFont(bool Value) {
    FEnableStatesFont = Value;
    Repaint();
}

TColor TQemCustomButton::BackColor() const { return ARGBToColor(FBackColor); }

void TQemCustomButton::SetBackColor(TColor Value) {
    FBackColor = ColorToARGB(Value, 255);
    Repaint();
}

void TQemCustomButton::SetFontMouseHover(const TFont& Value) {
    FFontMouseHover->Assign(Value);
    Repaint();
}

void TQemCustomButton::SetFontMouseDown(const TFont& Value) {
    FFontMouseDown->Assign(Value);
    Repaint();
}

void TQemCustomButton::SetFontDisabled(const TFont& Value) {
    FFontDisabled->Assign(Value);
    Repaint();
}

void TQemCustomButton::SetEnabled(bool Value) {
    TCustomControl::SetEnabled(Value);
    Repaint();
}

void TQemCustomButton::FontChanged() {
    TCustomControl::FontChanged();
    Repaint();
}

void TQemCustomButton::CreateWnd() {
    TCustomControl::CreateWnd();
    IsActive = false;
}

void TQemCustomButton::Click() {
    if (Parent())
        if (TCustomForm* F = GetParentForm(this)) F->ModalResult = ModalResult;
    TCustomControl::Click();
}

bool TQemCustomButton::DialogChar(char16_t Key) {
    char16_t A = AccelChar(Caption());
    if (!A || A != (Key < 0x80 ? static_cast<char16_t>(std::toupper(Key)) : Key)) return false;
    if (!Enabled()) return false;
    Click();
    return true;
}

void TQemCustomButton::MouseEnter() {
    FHovered = true;
    FPressed = false;
    Repaint();
    if (OnMouseEnter) OnMouseEnter(this);
}

void TQemCustomButton::MouseLeave() {
    if (FPressed) return;  // held down: the state stays until the release
    FHovered = false;
    Repaint();
    if (OnMouseExit) OnMouseExit(this);
}

void TQemCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        FPressed = true;
        FHovered = false;
        if (TabStop && CanFocus()) {
            try {
                SetFocus();
            } catch (const Exception&) {
            }
        }
        // The release must come back here even outside the button.
        if (HandleAllocated()) SetCapture(Handle());
        Repaint();
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TQemCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
    POINT P{};
    GetCursorPos(&P);
    if (Parent()) P = Parent()->ScreenToClient(P);
    TRect R = BoundsRect();
    FHovered = P.x >= R.left && P.x <= R.right && P.y >= R.top && P.y <= R.bottom;
    if (!FHovered) FMouseInside = false;
    FPressed = false;
    Repaint();
}

void TQemCustomButton::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if ((X < 0 || X > Width() || Y < 0 || Y > Height()) && !FPressed) {
        FHovered = false;
        FPressed = false;
        Repaint();
    }
}

void TQemCustomButton::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_ERASEBKGND:
            PaintFace(reinterpret_cast<HDC>(M.WParam));
            M.Result = 1;
            return;
        case WM_MOUSEMOVE: {
            // The window layer reports the way in by the first move and the
            // way out by WM_MOUSELEAVE once asked to track it.
            int X = static_cast<short>(M.LParam & 0xFFFF), Y = static_cast<short>((M.LParam >> 16) & 0xFFFF);
            if (!FMouseInside && X >= 0 && Y >= 0 && X < Width() && Y < Height()) {
                FMouseInside = true;
                TRACKMOUSEEVENT T{};
                T.cbSize = sizeof T;
                T.dwFlags = TME_LEAVE;
                T.hwndTrack = Handle();
                TrackMouseEvent(&T);
                if (!ComponentState().Contains(csDesigning)) MouseEnter();
            }
            break;
        }
        case WM_MOUSELEAVE:
            FMouseInside = false;
            if (!ComponentState().Contains(csDesigning)) MouseLeave();
            M.Result = 0;
            return;
        case WM_SETFOCUS:
            FFocused = true;
            TCustomControl::WndProc(M);
            IsActive = true;
            Repaint();
            return;
        case WM_KILLFOCUS:
            FFocused = false;
            TCustomControl::WndProc(M);
            IsActive = false;
            Repaint();
            return;
        case WM_SIZE:
            TCustomControl::WndProc(M);
            CreateBackBuffer();
            Repaint();
            return;
        case WM_KEYDOWN: {
            WORD Key = static_cast<WORD>(M.WParam);
            TShiftState Shift = KeyDataToShiftState(M.LParam);
            bool Plain = !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt) &&
                         GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
            // Enter is the form's dialog key: the active button clicks at once.
            if (Key == VK_RETURN && IsActive && Plain && CanFocus()) {
                Click();
                M.Result = 0;
                return;
            }
            TCustomControl::WndProc(M);
            if ((Key == VK_SPACE || Key == VK_RETURN) && Enabled() && FFocused) {
                FPressed = true;
                FHovered = false;
                Repaint();
            }
            return;
        }
        case WM_KEYUP: {
            WORD Key = static_cast<WORD>(M.WParam);
            TCustomControl::WndProc(M);
            if ((Key == VK_SPACE || Key == VK_RETURN) && FPressed && Enabled() && FFocused) {
                FPressed = false;
                Repaint();
                Click();
            }
            return;
        }
        default: break;
    }
    TCustomControl::WndProc(M);
}

// ---- TQemButton ----------------------------------------------------------------------------

void TQemButton::SetStyle(TQemButtonStyle Value) {
    FStyle = Value;
    Repaint();
}

void TQemButton::Paint() {
    bool Border = TQemCustomButton::DrawBorder();
    FFocusedRectMargin = Border && DrawFocused() ? 4 : (Border || DrawFocused() ? 2 : 0);
    TQemCustomButton::Paint();
}

namespace {

void Line(GpGraphics* G, ARGB Color, int X1, int Y1, int X2, int Y2) {
    GpPen* P = nullptr;
    if (GdipCreatePen1(Color, 1, UnitPixel, &P) != Ok) return;
    GdipDrawLineI(G, P, X1, Y1, X2, Y2);
    GdipDeletePen(P);
}

// Outer top-left, inner top-left, outer bottom-right, inner bottom-right.
void Frame(GpGraphics* G, int W, int H, ARGB OuterTL, ARGB InnerTL, ARGB OuterBR, ARGB InnerBR) {
    Line(G, OuterTL, 0, H - 1, 0, 0);
    Line(G, OuterTL, 0, 0, W, 0);
    Line(G, InnerTL, 1, H - 1, 1, 1);
    Line(G, InnerTL, 1, 1, W, 1);
    Line(G, OuterBR, 0, H - 1, W - 1, H - 1);
    Line(G, OuterBR, W - 1, -1, W - 1, H - 1);
    Line(G, InnerBR, 1, H - 2, W - 2, H - 2);
    Line(G, InnerBR, W - 2, 0, W - 2, H - 2);
}

}  // namespace

void TQemButton::DrawBorder(GpGraphics* G) {
    if (!Visible() || !G) return;
    int W = Width(), H = Height();
    auto Raised = [&] { Frame(G, W, H, ButtonHighlight, ButtonLight, ButtonShadow, ButtonMidShadow); };
    auto Sunken = [&] { Frame(G, W, H, ButtonShadow, ButtonMidShadow, ButtonHighlight, ButtonLight); };
    if (FStyle == QemButtonStyle_WinFlat) {
        if (!Enabled()) return;
        if (FHovered)
            Raised();
        else if (FPressed)
            Sunken();
    } else {
        if (!Enabled()) {
            Sunken();
        } else if (FPressed) {
            Line(G, ButtonMidShadow, 0, H - 1, 0, 0);
            Line(G, ButtonMidShadow, 0, 0, W, 0);
            Line(G, ButtonMidShadow, 0, H - 1, W - 1, H - 1);
            Line(G, ButtonMidShadow, W - 1, -1, W - 1, H - 1);
        } else {
            Raised();
        }
    }
}

void TQemButton::DrawFocusRect(GpGraphics* G) {
    TQemCustomButton::DrawFocusRect(G);
    if (!Visible() || FPressed || !DrawFocused() || !TabStop || !G) return;
    if (!FFocused) return;
    int W = Width(), H = Height();
    int D = TQemCustomButton::DrawBorder() ? 2 : 0;
    auto Rect = [&](ARGB Color, bool Dotted, int Inset) {
        GpPen* P = nullptr;
        if (GdipCreatePen1(Color, 1, UnitPixel, &P) != Ok) return;
        if (Dotted) GdipSetPenDashStyle(P, DashStyleDot);
        GdipDrawRectangleI(G, P, Inset + D, Inset + D, W - 2 * (Inset + D), H - 2 * (Inset + D));
        GdipDeletePen(P);
    };
    Rect(FocusGlow, false, 1);
    Rect(FocusGlowTranslucent, false, 0);
    Rect(FocusGlowTranslucent, false, 2);
    Rect(FocusDots, true, 1);
}

// ---- TQemLabel -------------------------------------------------------------------------------

namespace {
// The label the mouse is over (one at a time) and the hook that watches the
// thread's messages for the way out: a label has no window to be told.
TQemLabel* HoveredLabel = nullptr;
HHOOK LabelHook = nullptr;

LRESULT CALLBACK LabelHookProc(int Code, WPARAM WParam, LPARAM LParam) {
    HHOOK Self = LabelHook;
    if (Code >= 0 && HoveredLabel) {
        const MSG* M = reinterpret_cast<const MSG*>(LParam);
        if (M && ((M->message >= WM_MOUSEFIRST && M->message <= WM_MOUSELAST) || M->message == WM_MOUSELEAVE ||
                  M->message == WM_NCMOUSEMOVE))
            HoveredLabel->CheckMouse(M->message == WM_MOUSELEAVE);
    }
    return CallNextHookEx(Self, Code, WParam, LParam);
}
}  // namespace

TQemLabel::~TQemLabel() {
    OnMouseLeave = nullptr;
    Leave();
}

void TQemLabel::SetParent(TWinControl* AParent) {
    if (AParent != Parent()) Leave();
    TLabel::SetParent(AParent);
}

void TQemLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TLabel::MouseDown(Button, Shift, X, Y);
    if (!MoveHandler) return;
    ReleaseCapture();
    if (Parent() && Parent()->HandleAllocated()) MoveWindowByMouse(Parent()->Handle());
}

void TQemLabel::MouseMove(TShiftState Shift, int X, int Y) {
    TLabel::MouseMove(Shift, X, Y);
    if (FInside || !Parent() || !Parent()->HandleAllocated()) return;
    if (X < 0 || Y < 0 || X >= Width() || Y >= Height()) return;
    if (HoveredLabel && HoveredLabel != this) HoveredLabel->Leave();
    FInside = true;
    HoveredLabel = this;
    if (!LabelHook) LabelHook = SetWindowsHookExA(WH_GETMESSAGE, LabelHookProc, /*hmod=*/nullptr, GetCurrentThreadId());
    // Leaving the parent window altogether shows as WM_MOUSELEAVE there.
    TRACKMOUSEEVENT T{};
    T.cbSize = sizeof T;
    T.dwFlags = TME_LEAVE;
    T.hwndTrack = Parent()->Handle();
    TrackMouseEvent(&T);
    if (OnMouseEnter) OnMouseEnter(this);
}

void TQemLabel::CheckMouse(bool LeftWindow) {
    if (!FInside) return;
    POINT P{};
    GetCursorPos(&P);
    bool Over = false;
    if (!LeftWindow && Parent() && Visible()) {
        P = Parent()->ScreenToClient(P);
        TRect R = BoundsRect();
        Over = P.x >= R.left && P.y >= R.top && P.x < R.right && P.y < R.bottom;
    }
    if (!Over) Leave();
}

void TQemLabel::Leave() {
    if (!FInside) return;
    FInside = false;
    if (HoveredLabel == this) {
        HoveredLabel = nullptr;
        if (LabelHook) UnhookWindowsHookEx(LabelHook);
        LabelHook = nullptr;
    }
    if (OnMouseLeave) OnMouseLeave(this);
}

// ---- Class tables --------------------------------------------------------------------------------

namespace {

template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

const std::initializer_list<const char*> AlignNames = {
    "alTopLeft",    "alTopCenter",    "alTopRight",    "alMiddleLeft", "alMiddleCenter", "alMiddleRight", "alBottomLeft",
    "alBottomCenter", "alBottomRight", "alCenter",    "alLeft",       "alRight",        "alCustom"};

void DefinePicture(TClassInfo& C, const char* Name, void (TQemCustomButton::*Set)(TPicture*)) {
    C.Define<TQemCustomButton>(std::string(Name) + ".Data",
                               TSetter<TQemCustomButton>([Set](TQemCustomButton& O, const TFormValue& V,
                                                               TFormReader& R) {
                                   TPicture P;
                                   ReadPictureData(P, R.Binary(V));
                                   (O.*Set)(&P);
                               }));
}

}  // namespace

TClassInfo& TQemCustomButton::StaticClassInfo() {
    static TClassInfo CI("TQemCustomButton", &TCustomControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using S = TSetter<TQemCustomButton>;
        auto Bool = [&C](const char* Name, void (TQemCustomButton::*Set)(bool)) {
            C.Define<TQemCustomButton>(Name, S([Set](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                           (O.*Set)(R.Bool(V));
                                       }));
        };
        auto Int = [&C](const char* Name, void (TQemCustomButton::*Set)(int)) {
            C.Define<TQemCustomButton>(Name, S([Set](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                           (O.*Set)(static_cast<int>(R.Int(V)));
                                       }));
        };
        Bool("Transparent", &TQemCustomButton::SetTransparent);
        Bool("Stretch", &TQemCustomButton::SetStretch);
        Bool("DrawFocused", &TQemCustomButton::SetDrawFocused);
        Bool("DrawBorder", &TQemCustomButton::SetDrawBorder);
        Bool("EnableStatesFont", &TQemCustomButton::SetEnableStatesFont);
        Bool("MultiLines", &TQemCustomButton::SetMultiLines);
        Int("TextX", &TQemCustomButton::SetTextX);
        Int("TextY", &TQemCustomButton::SetTextY);
        Int("PictureX", &TQemCustomButton::SetPictureX);
        Int("PictureY", &TQemCustomButton::SetPictureY);
        C.Define<TQemCustomButton>("BackColor", S([](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                       O.SetBackColor(ControlProps::ReadColor(R, V));
                                   }));
        C.Define<TQemCustomButton>("TextAlign", S([](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                       O.SetTextAlign(R.Enum<TQemAlignment>(V, AlignNames));
                                   }));
        C.Define<TQemCustomButton>("PictureAlign", S([](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                       O.SetPictureAlign(R.Enum<TQemAlignment>(V, AlignNames));
                                   }));
        C.Define<TQemCustomButton>("IsActive", S([](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                       O.IsActive = R.Bool(V);
                                   }));
        C.Define<TQemCustomButton>("ModalResult", S([](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                       if (V.kind == TFormValue::vaInt) {
                                           O.ModalResult = static_cast<int>(V.Int);
                                           return;
                                       }
                                       O.ModalResult = R.EnumIndex(
                                           V, {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore", "mrYes",
                                               "mrNo", "mrAll", "mrNoToAll", "mrYesToAll"});
                                   }));
        C.Define<TQemCustomButton>("OnMouseEnter", S([](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                       O.OnMouseEnter = R.Method<TNotifyEvent>(V);
                                   }));
        C.Define<TQemCustomButton>("OnMouseExit", S([](TQemCustomButton& O, const TFormValue& V, TFormReader& R) {
                                       O.OnMouseExit = R.Method<TNotifyEvent>(V);
                                   }));
        ControlProps::DefineFont(
            C, [](TPersistent& O) -> TFont& { return static_cast<TQemCustomButton&>(O).FontMouseHover(); },
            "FontMouseHover");
        ControlProps::DefineFont(
            C, [](TPersistent& O) -> TFont& { return static_cast<TQemCustomButton&>(O).FontMouseDown(); },
            "FontMouseDown");
        ControlProps::DefineFont(
            C, [](TPersistent& O) -> TFont& { return static_cast<TQemCustomButton&>(O).FontDisabled(); },
            "FontDisabled");
        DefinePicture(C, "PicNormal", &TQemCustomButton::SetPicNormal);
        DefinePicture(C, "PicMouseHover", &TQemCustomButton::SetPicMouseHover);
        DefinePicture(C, "PicMouseDown", &TQemCustomButton::SetPicMouseDown);
        DefinePicture(C, "PicDisabled", &TQemCustomButton::SetPicDisabled);
    });
    return CI;
}

TClassInfo& TQemButton::StaticClassInfo() {
    static TClassInfo CI("TQemButton", &TQemCustomButton::StaticClassInfo(), CreateComponentOf<TQemButton>,
                         [](TClassInfo& C) {
                             C.Define<TQemButton>("Style", TSetter<TQemButton>([](TQemButton& O, const TFormValue& V,
                                                                                  TFormReader& R) {
                                                      O.SetStyle(R.Enum<TQemButtonStyle>(
                                                          V, {"QemButtonStyle_WinFlat", "QemButtonStyle_WinNormal"}));
                                                  }));
                         });
    return CI;
}

TClassInfo& TQemLabel::StaticClassInfo() {
    static TClassInfo CI("TQemLabel", &TLabel::StaticClassInfo(), CreateComponentOf<TQemLabel>, [](TClassInfo& C) {
        C.Define<TQemLabel>("MoveHandler", TSetter<TQemLabel>([](TQemLabel& O, const TFormValue& V, TFormReader& R) {
                                O.MoveHandler = R.Bool(V);
                            }));
        C.Define<TQemLabel>("OnMouseEnter", TSetter<TQemLabel>([](TQemLabel& O, const TFormValue& V, TFormReader& R) {
                                O.OnMouseEnter = R.Method<TNotifyEvent>(V);
                            }));
        C.Define<TQemLabel>("OnMouseLeave", TSetter<TQemLabel>([](TQemLabel& O, const TFormValue& V, TFormReader& R) {
                                O.OnMouseLeave = R.Method<TNotifyEvent>(V);
                            }));
    });
    return CI;
}

void RegisterQemControls() {
    RegisterClasses({&TQemButton::StaticClassInfo(), &TQemLabel::StaticClassInfo()});
}
