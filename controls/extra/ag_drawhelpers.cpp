#include "controls/extra/ag_drawhelpers.h"

#include "platform/classlib/controls.h"
#include "platform/classlib/dialogs.h"
#include "platform/classlib/forms.h"
#include "platform/gdi/gdi.h"
#include "platform/rtl/scope.h"

namespace {

// Target = target where the source has the key, else the source: the key's
// pixels become a mask that ANDs the target, the rest is ORed in.
void StretchBltMasked(HDC Target, int X, int Y, int W, int H, HDC Source, const TRect& S, COLORREF Key) {
    const int SW = S.Width(), SH = S.Height();
    HDC ColourDC = CreateCompatibleDC(Target), MaskADC = CreateCompatibleDC(Target),
        MaskBDC = CreateCompatibleDC(Target), WorkDC = CreateCompatibleDC(Target);
    HBITMAP Colour = CreateCompatibleBitmap(Target, SW, SH), MaskA = CreateBitmap(SW, SH, 1, 1, /*Bits=*/nullptr),
            MaskB = CreateBitmap(SW, SH, 1, 1, /*Bits=*/nullptr), Work = CreateCompatibleBitmap(Target, W, H);
    HGDIOBJ OldColour = SelectObject(ColourDC, Colour), OldA = SelectObject(MaskADC, MaskA),
            OldB = SelectObject(MaskBDC, MaskB), OldWork = SelectObject(WorkDC, Work);
    SetStretchBltMode(WorkDC, COLORONCOLOR);

    BitBlt(ColourDC, 0, 0, SW, SH, Source, S.left, S.top, SRCCOPY);
    const COLORREF OldBk = SetBkColor(ColourDC, Key);
    BitBlt(MaskADC, 0, 0, SW, SH, ColourDC, 0, 0, SRCCOPY);  // key pixels white
    SetBkColor(ColourDC, OldBk);
    BitBlt(MaskBDC, 0, 0, SW, SH, MaskADC, 0, 0, NOTSRCCOPY);
    BitBlt(WorkDC, 0, 0, W, H, Target, X, Y, SRCCOPY);
    StretchBlt(WorkDC, 0, 0, W, H, MaskADC, 0, 0, SW, SH, SRCAND);
    BitBlt(ColourDC, 0, 0, SW, SH, MaskBDC, 0, 0, SRCAND);  // key pixels black
    StretchBlt(WorkDC, 0, 0, W, H, ColourDC, 0, 0, SW, SH, SRCPAINT);
    BitBlt(Target, X, Y, W, H, WorkDC, 0, 0, SRCCOPY);

    SelectObject(ColourDC, OldColour);
    SelectObject(MaskADC, OldA);
    SelectObject(MaskBDC, OldB);
    SelectObject(WorkDC, OldWork);
    for (HBITMAP B : {Colour, MaskA, MaskB, Work}) DeleteObject(B);
    for (HDC D : {ColourDC, MaskADC, MaskBDC, WorkDC}) DeleteDC(D);
}

}  // namespace

void StretchDrawRectTransparent(TCanvas& Canvas, int X, int Y, int Width, int Height, TBitmap& Bitmap,
                                const TRect& Source, TColor Key) {
    if (Width < 1) Width = Bitmap.Width();
    if (Height < 1) Height = Bitmap.Height();
    TRect S = Source;
    if (S.Width() < 1 || S.Height() < 1) S = TRect(0, 0, Bitmap.Width(), Bitmap.Height());
    if (S.Width() < 1 || S.Height() < 1) return;
    HDC Target = Canvas.Handle();
    if (!Bitmap.Monochrome()) SetStretchBltMode(Target, COLORONCOLOR);

    TCanvas& From = Bitmap.Canvas();
    From.Lock();
    // Drawing from the bitmap must not report it as changed.
    auto SavedOnChange = std::move(Bitmap.OnChange);
    Bitmap.OnChange = nullptr;
    // The blits below are plain drawing calls that do not throw.
    if (Key == clKeyNone) {
        StretchBlt(Target, X, Y, Width, Height, From.Handle(), S.left, S.top, S.Width(), S.Height(), Canvas.CopyMode);
    } else {
        COLORREF KeyRGB;
        if (Bitmap.Monochrome())
            KeyRGB = RGB(255, 255, 255);
        else if (Key == clKeyBottomLeft)
            KeyRGB = static_cast<COLORREF>(From.Pixel(0, Bitmap.Height() - 1)) & 0xFFFFFF;
        else
            KeyRGB = static_cast<COLORREF>(Key) & 0xFFFFFF;
        StretchBltMasked(Target, X, Y, Width, Height, From.Handle(), S, KeyRGB);
    }
    Bitmap.OnChange = std::move(SavedOnChange);
    From.Unlock();
}

void PaintParentImageBehind(TGraphicControl& Control, TCanvas& Canvas) {
    TWinControl* Parent = Control.Parent();
    if (!Parent || !Parent->HandleAllocated()) return;
    // The paint-copy state for as long as a copy is drawn, also when drawing raises.
    Parent->BeginPaintCopy();
    rtl::TScopeExit ParentCopyEnds([Parent] { Parent->EndPaintCopy(); });
    HDC DC = Canvas.Handle();
    // The parent paints only its background here: its own paint would draw
    // this control again.
    int Saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, -Control.Left(), -Control.Top(), /*Old=*/nullptr);
    IntersectClipRect(DC, 0, 0, Parent->ClientWidth(), Parent->ClientHeight());
    SendMessageA(Parent->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, Saved);
    const TRect Mine = Control.BoundsRect();
    for (int I = 0; I < Parent->ControlCount(); ++I) {
        TControl* C = Parent->Controls(I);
        if (C == &Control) break;
        auto* G = dynamic_cast<TGraphicControl*>(C);
        if (!G || !G->Visible()) continue;
        RECT Overlap;
        const TRect Theirs = G->BoundsRect();
        if (!IntersectRect(&Overlap, &Mine, &Theirs)) continue;
        G->BeginPaintCopy();
        Saved = SaveDC(DC);
        rtl::TScopeExit CopyEnds([G, DC, Saved] {
            RestoreDC(DC, Saved);
            G->EndPaintCopy();
        });
        OffsetViewportOrgEx(DC, G->Left() - Control.Left(), G->Top() - Control.Top(), /*Old=*/nullptr);
        IntersectClipRect(DC, 0, 0, G->Width(), G->Height());
        G->PaintTo(DC);
    }
}

void ShowNotImplemented() {
    if (Screen) Screen->SetCursor(crDefault);
    MessageDlg("Function not yet implemented", mtInformation, TMsgDlgButtons{mbOK}, 0);
    Abort();
}

void RegisterAgCursors() {
    // A screen object made anew (tests) has the plain arrow there again.
    if (!Screen || Screen->Cursors(crAgHand) != Screen->Cursors(crArrow)) return;
    HCURSOR Hand = LoadCursorFromResource("AG_HANDCUR");
    HCURSOR Drag = LoadCursorFromResource("AG_DRAGCUR");
    if (Hand) Screen->SetCursors(crAgHand, Hand);
    if (Drag) Screen->SetCursors(crAgDrag, Drag);
}

bool InstallLockedBitmapDraw() {
    bool Expected = false;
    return TBitmap::LockedDraw.compare_exchange_strong(Expected, true);
}
