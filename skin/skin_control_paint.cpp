#include "skin/skin_control_paint.h"

#include "skin/skin_frames.h"

namespace {

int Width(const RECT& R) { return R.right - R.left; }
int Height(const RECT& R) { return R.bottom - R.top; }

// The canvas's DC with its font, text colour and background mode in force,
// for text drawn on the DC directly.
HDC TextDc(TCanvas& Canvas) {
    HDC Dc = Canvas.Handle();
    SelectObject(Dc, Canvas.Font().Handle());
    SetTextColor(Dc, static_cast<COLORREF>(ColorToRGB(Canvas.Font().Color())));
    SetBkMode(Dc, Canvas.Brush().Style() == bsClear ? TRANSPARENT : OPAQUE);
    return Dc;
}

// Transparent text on a clear brush in the regular style.
void PlainText(TCanvas& Canvas) {
    Canvas.Brush().SetStyle(bsClear);
    Canvas.Font().SetStyle(TFontStyles());
}

}  // namespace

void FillRectColor(HDC Dc, const TRect& R, TColor Color) {
    // A system colour is looked up; a brush of its raw value would be black.
    HBRUSH B = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color)));
    RECT X = R;
    FillRect(Dc, &X, B);
    DeleteObject(B);
}

void FillFace(TSkinControl& Skin, HDC Dc, const TRect& R) {
    FillRectColor(Dc, R, Skin.SkinData ? Skin.SkinData->ColButtonFace : clBtnFace);
}

void FillParentColor(TSkinControl& Skin, HDC Dc, const TRect& R) {
    FillRectColor(Dc, R, Skin.ParentColor(Skin.SkinData ? Skin.SkinData->ColButtonFace : clBtnFace));
}

UINT AddRtlFlag(const TSkinControl& Skin, UINT Flags) {
    const TControl* C = Skin.Control ? Skin.Control : Skin.GraphicControl;
    if (C && C->BiDiMode() == bdRightToLeft) Flags |= DT_RTLREADING;
    return Flags;
}

void DrawFocusAroundText(TSkinControl& Skin, HDC Dc, UINT Flags, const TRect& R) {
    RECT T = R;
    DrawWideText(Dc, Skin.Caption, &T, Flags | DT_CALCRECT | DT_NOCLIP);
    if (Flags & DT_CENTER)
        OffsetRect(&T, (R.Width() - Width(T)) / 2, (R.Height() - Height(T)) / 2 - 1);
    else if (Flags & DT_RIGHT)
        OffsetRect(&T, R.Width() - Width(T), 0);
    InflateRect(&T, 2, 1);
    RECT Clip = R, Out;
    IntersectRect(&Out, &T, &Clip);
    DrawFocusRect(Dc, &Out);
}

void DrawButtonCaption(TSkinControl& Skin, TCanvas& Canvas, const TRect& R, UINT Alignment, bool Enabled,
                       const std::u16string& Text) {
    PlainText(Canvas);
    if (!Enabled) Canvas.Font().SetColor(clBtnShadow);
    HDC Dc = TextDc(Canvas);
    RECT T = R;
    DrawWideText(Dc, Text, &T, Alignment | DT_CALCRECT | DT_EXPANDTABS | DT_NOCLIP);
    if (Alignment & DT_CENTER) {
        OffsetRect(&T, (R.Width() - Width(T)) / 2, (R.Height() - Height(T)) / 2 - 1);
    } else {
        // Left or right alignment applies over the whole width.
        OffsetRect(&T, 0, (R.Height() - Height(T)) / 2 - 1);
        T.left = R.left;
        T.right = R.right;
    }
    DrawWideText(Dc, Text, &T, AddRtlFlag(Skin, Alignment | DT_EXPANDTABS));
}

void DrawCaptionWithImage(TSkinControl& Skin, TCanvas& Canvas, const TRect& R, int Alignment,
                          const std::u16string& Text, int ImageIndex, HIMAGELIST ImageList) {
    int Cx = 0, Cy = 0;
    if (ImageList) ImageList_GetIconSize(ImageList, &Cx, &Cy);
    bool WithImage = ImageList && ImageIndex != -1 && Cx < R.Width();
    RECT Image{0, 0, 0, 0};
    if (WithImage)
        Image = RECT{0, 0, Cx, Cy};
    else
        Cx = 0;
    PlainText(Canvas);
    if (!Skin.Enabled) Canvas.Font().SetColor(clBtnShadow);
    HDC Dc = TextDc(Canvas);
    RECT T = R;
    if (ImageList && ImageIndex != -1) T.right += Cx + 2;  // widens the wrap width
    if (Text.empty())
        T.right = T.left;
    else
        DrawWideText(Dc, Text, &T, DT_END_ELLIPSIS | DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOCLIP);
    OffsetRect(&Image, R.left, R.top);
    int X = 3;
    if (Alignment == 1)
        X = (R.Width() - Cx - Width(T)) / 2;
    else if (Alignment == 2)
        X = R.Width() - Cx - Width(T) - 2;
    if (X < 2) X = 1;
    // The image's width also centres it vertically, as a square image would be.
    OffsetRect(&Image, X, (R.Height() - Cx) / 2);
    OffsetRect(&T, X + Cx, (R.Height() - Height(T)) / 2);
    if (WithImage) ImageList_Draw(ImageList, ImageIndex, Dc, Image.left, Image.top, ILD_TRANSPARENT);
    if (Text.empty()) return;
    if (T.left < R.left) T.left = R.left;
    if (T.right > R.right) T.right = R.right;
    DrawWideText(Dc, Text, &T, AddRtlFlag(Skin, DT_END_ELLIPSIS | DT_EXPANDTABS | DT_WORDBREAK));
}

void DrawMenuItemText(TCanvas& Canvas, const TRect& R, const std::u16string& Text, int Index, bool Enabled) {
    static constexpr UINT Align[] = {0, DT_RIGHT, DT_CENTER};
    UINT A = Index >= 0 && Index <= 2 ? Align[Index] : 0;
    PlainText(Canvas);
    if (!Enabled) Canvas.Font().SetColor(clBtnShadow);
    HDC Dc = TextDc(Canvas);
    RECT T = R;
    DrawWideText(Dc, Text, &T, A | DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE | DT_NOCLIP);
    OffsetRect(&T, (R.Width() - Width(T)) / 2, (R.Height() - Height(T)) / 2);
    DrawWideText(Dc, Text, &T, A | DT_EXPANDTABS | DT_SINGLELINE);
}

std::u16string ReplaceFirst(const std::u16string& Text, const std::u16string& Pattern,
                            const std::u16string& Replacement) {
    if (Pattern.empty()) return Text;
    size_t At = Text.find(Pattern);
    if (At == std::u16string::npos) return Text;
    return Text.substr(0, At) + Replacement + Text.substr(At + Pattern.size());
}

void DrawSkinPartFrame(HDC Dc, const TRect& R, int Count, int Index, TDataSkinObject& Part) {
    if (R.right < R.left || R.bottom < R.top || !Part.Bitmap) return;
    auto Frame = RenderNineGridFrame(R, *Part.Bitmap, Part.Margins(), /*Vertical=*/false, Part.Tile != 0, Count, Index);
    if (!Frame || Frame->Empty()) return;
    if (Part.Trans == 1)
        DrawBitmapTransparent(Dc, R, *Frame, clFuchsia);
    else
        BitBlt(Dc, R.left, R.top, R.Width(), R.Height(), Frame->Canvas().Handle(), 0, 0, SRCCOPY);
}

namespace {
// Frame Index of the strip stretched into a bitmap of R's size; nullptr when
// there is nothing to draw.
std::unique_ptr<TBitmap> StripFrame(const TRect& R, int Count, int Index, TBitmap& Strip) {
    if (R.right < R.left || R.bottom < R.top || Count < 1 || R.Width() == 0 || R.Height() == 0 || Strip.Empty())
        return nullptr;
    int Fw = Strip.Width() / Count;
    auto B = std::make_unique<TBitmap>(R.Width(), R.Height());
    B->Canvas().CopyRect(TRect(0, 0, R.Width(), R.Height()), Strip.Canvas(),
                         TRect((Index - 1) * Fw, 0, Index * Fw, Strip.Height()));
    return B;
}
}  // namespace

void DrawStripFrameOnCanvas(TCanvas& Canvas, const TRect& R, int Count, int Index, TBitmap& Strip) {
    auto B = StripFrame(R, Count, Index, Strip);
    if (!B) return;
    B->Transparent = true;
    B->TransparentColor = clFuchsia;
    Canvas.Draw(R.left, R.top, *B);
}

void DrawStripFrameOnDC(HDC Dc, const TRect& R, int Count, int Index, TBitmap& Strip) {
    TCanvas C;
    C.SetHandle(Dc);
    DrawStripFrameOnCanvas(C, R, Count, Index, Strip);
    C.SetHandle(nullptr);
}

void DrawStripFrameKeyed(HDC Dc, const TRect& R, int Count, int Index, TBitmap& Strip) {
    auto B = StripFrame(R, Count, Index, Strip);
    if (B) DrawBitmapTransparent(Dc, R, *B, clFuchsia);
}

void DrawArrowGlyph(TCanvas& Canvas, int X, int Y, int Kind) {
    struct Seg {
        int x1, y1, x2, y2;
    };
    static constexpr Seg Up[] = {{0, 0, 0, -1}, {1, 1, 4, 4},   {0, 1, 3, 4},  {0, 2, 2, 4},
                                 {-1, 1, -4, 4}, {0, 2, -3, 4}, {0, 1, -2, 4}};
    static constexpr Seg Down[] = {{0, 3, 0, 4},   {1, 2, 4, -1},  {0, 2, 3, -1}, {0, 1, 2, 0},
                                   {-1, 2, -4, -1}, {0, 2, -3, -1}, {0, 1, -2, 0}};
    auto Lines = [&](const Seg* S, int N) {
        for (int I = 0; I < N; ++I) {
            Canvas.MoveTo(X + S[I].x1, Y + S[I].y1);
            Canvas.LineTo(X + S[I].x2, Y + S[I].y2);
        }
    };
    switch (Kind) {
        case 0: Lines(Up, 7); break;
        case 1: Lines(Down, 7); break;
        case 2: Canvas.Polyline({{X, Y}, {X + 1, Y + 2}, {X + 1, Y - 2}, {X - 1, Y}, {X + 1, Y + 2}}); break;
        case 3: Canvas.Polyline({{X, Y}, {X - 1, Y + 2}, {X - 1, Y - 2}, {X + 1, Y}, {X - 1, Y + 2}}); break;
        default: break;
    }
}

void HandlePaintMessage(TSkinControl& Skin, TMessage& M) {
    HDC Dc = reinterpret_cast<HDC>(M.WParam);
    PAINTSTRUCT Ps{};
    bool Began = false;
    if (!Dc) {
        Dc = BeginPaint(Skin.Handle, &Ps);
        Began = true;
    }
    RECT W;
    if (GetWindowRect(Skin.Handle, &W)) {
        Skin.WindowRect = TRect(W);
        Skin.Draw(Dc, TRect(0, 0, W.right - W.left, W.bottom - W.top));
    }
    if (Began) EndPaint(Skin.Handle, &Ps);
}

void EraseWithParent(TSkinControl& Skin, TMessage& M) {
    HDC Dc = reinterpret_cast<HDC>(M.WParam);
    if (Skin.Control) {
        PaintControlParentBackground(Skin.Control, Dc, /*FromControlSkin=*/true);
    } else {
        RECT R;
        GetClientRect(Skin.Handle, &R);
        FillParentColor(Skin, Dc, TRect(R));
    }
    M.Result = 1;
}
