#include "imaging/views/ieview.h"

#include <vector>

#include "imaging/bitmaps/iemisc.h"
#include "imaging/views/iemultiview.h"
#include "platform/commctl/commctrl.h"
#include "platform/classlib/formload.h"

// DefaultDpiX and DefaultDpiY are defined beside the I/O parameters record,
// which reads them; the views' start-up sets them.
int32_t ScreenDpiX = 0, ScreenDpiY = 0;

TIEView::TIEView(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks,
                                csCustomPaint,     csOpaque,       csReplicatable};
    FBackground = clBtnFace;
    FBorderStyle = bsSingleBorder;
    FCtl3D = true;
}

TIEView::~TIEView() {
    // Each registered component hears of the end once, in registration order, and the
    // entry is gone before the next one is called.
    while (!FCallbacks.empty()) {
        auto It = FCallbacks.begin();
        TIEBitmapChangeEvent E = std::move(It->second.Event);
        FCallbacks.erase(It);
        if (E) E(true);
    }
    ReleaseWindowCanvas();
}

void TIEView::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (FBorderStyle == bsSingleBorder) {
        if (Ctl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
    // A resize repaints only what the view composes itself.
    Params.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TIEView::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TIEView::ReleaseWindowCanvas() {
    if (FWindowCanvas) FWindowCanvas->SetHandle(nullptr);
    if (FWindowDC) ReleaseDC(FWindowDCOwner, FWindowDC);
    FWindowDC = nullptr;
    FWindowDCOwner = nullptr;
}

TCanvas* TIEView::ViewCanvas() {
    if (Canvas().HandleAllocated()) return &Canvas();
    ReleaseWindowCanvas();
    if (!HandleAllocated()) return nullptr;
    FWindowDCOwner = Handle();
    FWindowDC = GetDC(FWindowDCOwner);
    if (!FWindowDC) return nullptr;
    if (!FWindowCanvas) FWindowCanvas = std::make_unique<TCanvas>();
    FWindowCanvas->SetHandle(FWindowDC);
    return FWindowCanvas.get();
}

int32_t TIEView::AddBitmapChangeCallback(TIEBitmapChangeEvent Callback, TObject* Owner) {
    int32_t H = FNextHandle++;
    FCallbacks[H] = TCallback{std::move(Callback), Owner};
    return H;
}

void TIEView::RemoveBitmapChangeCallback(int32_t Handle) { FCallbacks.erase(Handle); }

void TIEView::CallBitmapChangeCallbacks() {
    std::vector<int32_t> Handles;
    for (auto& [H, C] : FCallbacks) Handles.push_back(H);
    for (int32_t H : Handles) {
        auto It = FCallbacks.find(H);
        if (It == FCallbacks.end() || !It->second.Event) continue;
        TIEBitmapChangeEvent E = It->second.Event;  // the callback may remove its own entry
        E(false);
    }
}

void TIEView::SetDpi(int32_t DpiX, int32_t DpiY) {
    SetDpiX(DpiX);
    SetDpiY(DpiY);
}

void TIEView::SetDpiX(int32_t Value) {
    if (Value != 0) FDpiX = Value;
}

void TIEView::SetDpiY(int32_t Value) {
    if (Value != 0) FDpiY = Value;
}

bool TIEView::IsThumbnailView() const { return dynamic_cast<const TIEMultiView*>(this) != nullptr; }

void TIEView::UnlockPaint() {
    if (FPaintLock > 0) --FPaintLock;
    if (FPaintLock == 0) Invalidate();
}

void TIEView::DrawBackgroundTo(TCanvas* C) {
    C->Brush().SetStyle(bsSolid);
    C->Brush().SetColor(FBackground);
    C->FillRect(TRect(0, 0, Width(), Height()));
}

void TIEView::SetBackground(TColor Value) {
    FBackground = Value;
    Invalidate();
}

void TIEView::WndProc(TMessage& M) {
    switch (M.Msg) {
        case IEM_UPDATE:
            // From an I/O worker, with the loaded image's resolution (0: unchanged).
            if (M.WParam != 0 || M.LParam != 0)
                SetDpi(M.WParam != 0 ? static_cast<int32_t>(M.WParam) : DpiX(),
                       M.LParam != 0 ? static_cast<int32_t>(M.LParam) : DpiY());
            UpdateFromMessage();
            ImageChange();
            return;
        case IEM_PROGRESS:
            if (OnProgress) OnProgress(this, static_cast<int32_t>(M.WParam));
            return;
        case IEM_FINWORK:
            if (OnFinishWork) OnFinishWork(this);
            return;
        case CM_MOUSEENTER:
            TCustomControl::WndProc(M);
            if (OnMouseEnter) OnMouseEnter(this);
            return;
        case CM_MOUSELEAVE:
            TCustomControl::WndProc(M);
            if (OnMouseLeave) OnMouseLeave(this);
            return;
        default: break;
    }
    TCustomControl::WndProc(M);
}

void TIEView::SwitchFlatScrollBars(bool Flat) {
    if (Flat) {
        SetScrollRange(Handle(), SB_HORZ, 0, 65535, FALSE);
        SetScrollRange(Handle(), SB_VERT, 0, 65535, FALSE);
        InitializeFlatSB(Handle());
        IEShowScrollBar(Handle(), SB_HORZ, FALSE, /*Flat=*/true);
        IEShowScrollBar(Handle(), SB_VERT, FALSE, /*Flat=*/true);
    } else {
        UninitializeFlatSB(Handle());
    }
}
