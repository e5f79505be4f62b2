#include "controls/extra/ag_gifanimator.h"

#include <algorithm>

#include "controls/extra/ag_drawhelpers.h"
#include "platform/classlib/formload.h"
#include "platform/gdi/gdi.h"
#include "platform/system/process.h"

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

bool OnMainThread() { return GetCurrentThreadId() == MainThreadID.load(); }
}  // namespace

// ---- TAgImageControl --------------------------------------------------------------------

TAgImageControl::TAgImageControl(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 105, 105);
    SetParentColor(true);
    ControlStyle.Include(csOpaque);
}

void TAgImageControl::PaintImage() {
    TCanvas& C = Canvas();
    C.Brush().SetColor(Color());
    C.FillRect(TRect(0, 0, Width(), Height()));
    const bool Was = InPaint;
    InPaint = true;
    DrawImage();
    InPaint = Was;
}

void TAgImageControl::PaintNow() {
    if (OnMainThread()) Repaint();
}

void TAgImageControl::GraphicChanged() {
    if (ComponentState().Contains(csDestroying)) return;
    AdjustSize();
    if (!InPaint) Invalidate();
}

// ---- TAgGIFAnimator ----------------------------------------------------------------------

TAgGIFAnimator::TAgGIFAnimator(TComponent* AOwner)
    : TAgImageControl(AOwner), FTimer(new TAgTimer(this)), FImage(std::make_unique<TGIFImage>()) {
    ShownGraphic = FImage.get();
    FImage->OnChange = [this](TObject* Sender) { ImageChanged(Sender); };
}

TAgGIFAnimator::~TAgGIFAnimator() {
    // The timer's thread is joined first: a tick running on it still reads
    // the frames and the events; a tick handed to this thread is skipped.
    delete FTimer;
    FTimer = nullptr;
    OnChange = OnFrameChanged = OnStart = OnStop = nullptr;
    FAnimate = false;
    FCacheBitmap.reset();
    FImage->OnChange = nullptr;
}

void TAgGIFAnimator::SetAsyncDrawing(bool Value) {
    if (Value == FAsyncDrawing) return;
    std::lock_guard<std::recursive_mutex> L(PaintLock);
    FAsyncDrawing = Value;
    FTimer->SyncEvent = !Value;
    // Frames are then composed on the timer thread while the GUI thread draws.
    if (Value) InstallLockedBitmapDraw();
}

void TAgGIFAnimator::SetAnimate(bool Value) {
    if (Value == FAnimate || !FTimer) return;
    if (Value) {
        FTimer->SetOnTimer([this](TObject* Sender) { NextFrameTick(Sender); });
        FTimer->SetEnabled(true);
        FAnimate = FTimer->Enabled();
        if (OnStart) OnStart(this);
    } else {
        FTimer->SetEnabled(false);
        FTimer->SetOnTimer(nullptr);
        FAnimate = false;
        if (OnStop) OnStop(this);
        GraphicChanged();
    }
}

void TAgGIFAnimator::SetAutoSize(bool Value) {
    if (Value == FAutoSize) return;
    FAutoSize = Value;
    AdjustSize();
}

void TAgGIFAnimator::SetCenter(bool Value) {
    if (Value == FCenter) return;
    {
        std::lock_guard<std::recursive_mutex> L(PaintLock);
        FCenter = Value;
    }
    GraphicChanged();
}

void TAgGIFAnimator::SetStretch(bool Value) {
    if (Value == FStretch) return;
    {
        std::lock_guard<std::recursive_mutex> L(PaintLock);
        FStretch = Value;
    }
    GraphicChanged();
}

void TAgGIFAnimator::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    {
        std::lock_guard<std::recursive_mutex> L(PaintLock);
        FTransparent = Value;
        // The composed picture carries the transparency it was made with.
        FCacheBitmap.reset();
        FCacheIndex = -1;
    }
    GraphicChanged();
}

void TAgGIFAnimator::SetImage(TGIFImage* Value) {
    std::lock_guard<std::recursive_mutex> L(PaintLock);
    FImage->Assign(Value);
}

uint32_t TAgGIFAnimator::FrameDelay(int Index) const {
    if (FImage->GetCount() < 2 || Index < 0 || Index >= FImage->GetCount()) return 0;
    return std::clamp<uint32_t>(FImage->Frames[Index]->DelayMs, 50, 10000);
}

void TAgGIFAnimator::ImageChanged(TObject*) {
    {
        std::lock_guard<std::recursive_mutex> L(PaintLock);
        FCacheIndex = -1;
        FCacheBitmap.reset();
        FCacheTransparent = clGIFNone;
        FFrameIndex = FImage->CurrentFrame;
        if (FFrameIndex >= 0 && FImage->GetCount() > 0) FTimer->SetInterval(FrameDelay(FFrameIndex));
    }
    GraphicChanged();
    if (OnChange) OnChange(this);
}

void TAgGIFAnimator::SetFrameIndex(int Value) {
    if (Value == FFrameIndex || Value < 0 || Value >= FImage->GetCount()) return;
    {
        std::lock_guard<std::recursive_mutex> L(PaintLock);
        FFrameIndex = Value;
        FTimer->SetInterval(FrameDelay(Value));
    }
    if (OnFrameChanged) OnFrameChanged(this);
    GraphicChanged();
}

void TAgGIFAnimator::NextFrameTick(TObject*) {
    // Drawn as a copy behind a sibling: the frame stays until the control's own paint.
    if (PaintingCopy() || !Visible() || FImage->GetCount() < 2 || !Parent() || !Parent()->HandleAllocated()) return;
    {
        std::lock_guard<std::recursive_mutex> L(PaintLock);
        FFrameIndex = FFrameIndex + 1 < FImage->GetCount() ? FFrameIndex + 1 : 0;
    }
    if (FAsyncDrawing && OnFrameChanged)
        FTimer->Synchronize([this] {
            if (!FTimer->Destroying() && OnFrameChanged) OnFrameChanged(this);
        });
    else if (OnFrameChanged)
        OnFrameChanged(this);
    if (OnMainThread()) {
        PaintNow();
    } else {
        // Composed here; shown by the GUI thread, the only one that paints windows.
        TColor T;
        {
            std::lock_guard<std::recursive_mutex> L(PaintLock);
            ComposeFrame(FFrameIndex, T);
        }
        FTimer->Synchronize([this] {
            if (!FTimer->Destroying()) Repaint();
        });
    }
    FTimer->SetInterval(FrameDelay(FFrameIndex));
    if (!Loop && FFrameIndex == 0) {
        if (FAsyncDrawing)
            FTimer->Synchronize([this] {
                if (!FTimer->Destroying()) StopAnimation();
            });
        else
            StopAnimation();
    }
}

TBitmap* TAgGIFAnimator::ComposeFrame(int Index, TColor& TransparentColour) {
    std::lock_guard<std::recursive_mutex> L(PaintLock);
    TGIFImage& G = *FImage;
    const int Count = G.GetCount();
    TransparentColour = clGIFNone;
    if (Count == 0) return nullptr;
    Index = std::clamp(Index, 0, Count - 1);
    if (FCacheBitmap && FCacheIndex == Index) {
        TransparentColour = FCacheTransparent;
        return FCacheBitmap.get();
    }
    auto RectOf = [&](int I) {
        const TGIFFrame& F = *G.Frames[I];
        return TRect(F.Origin.x, F.Origin.y, F.Origin.x + F.Item->Width, F.Origin.y + F.Item->Height);
    };
    const bool Incremental =
        FCacheBitmap && FCacheIndex >= 0 && FCacheIndex == Index - 1 && G.Frames[Index - 1]->Disposal != 3;
    std::unique_ptr<TBitmap> Made;
    TBitmap* B;
    if (Incremental) {
        B = FCacheBitmap.get();
        TransparentColour = FCacheTransparent;
    } else {
        FCacheBitmap.reset();
        FCacheIndex = -1;
        Made = std::make_unique<TBitmap>(std::max<int>(G.LogicalWidth, 1), std::max<int>(G.LogicalHeight, 1), pf24bit);
        B = Made.get();
        ++FFullCompositions;
    }
    TCanvas& C = B->Canvas();
    C.Lock();
    if (Incremental) {
        if (G.Frames[Index - 1]->Disposal == 2) C.FillRect(RectOf(Index - 1));
    } else {
        const TGIFFrame* Current = G.GetFrame(std::max(G.CurrentFrame, 0));
        if (Current && Current->TransparentColour != clGIFNone) {
            TransparentColour = Current->TransparentColour;
            C.Brush().SetColor(TransparentColour);
        } else if (G.BackgroundColour != clGIFNone && G.Transparent) {
            C.Brush().SetColor(G.BackgroundColour);
        } else {
            C.Brush().SetColor(clWindow);
        }
        C.FillRect(TRect(0, 0, B->Width(), B->Height()));
        // Replay from the last frame that covers the whole screen by itself.
        int Start = 0;
        for (int K = Index; K >= 1; --K) {
            const TGIFFrame& F = *G.Frames[K];
            const bool Full = F.Item->Width == G.LogicalWidth && F.Item->Height == G.LogicalHeight;
            if (Full && (F.TransparentColour == clGIFNone || (F.Disposal == 2 && K < Index))) {
                Start = K;
                break;
            }
        }
        for (int J = Start; J < Index; ++J) {
            TGIFFrame& F = *G.Frames[J];
            if (F.Disposal <= 1)
                F.Draw(C, RectOf(J), /*Transparent=*/true);
            else if (F.Disposal == 2 && J > Start)
                C.FillRect(RectOf(J));
        }
    }
    G.Frames[Index]->Draw(C, RectOf(Index), /*Transparent=*/true);
    if (!Incremental && TransparentColour != clGIFNone && FTransparent) {
        B->TransparentColor = TransparentColour;
        B->Transparent = true;
    }
    C.Unlock();
    if (Made) FCacheBitmap = std::move(Made);
    FCacheIndex = Index;
    FCacheTransparent = TransparentColour;
    return B;
}

void TAgGIFAnimator::DrawImage() {
    std::lock_guard<std::recursive_mutex> L(PaintLock);
    TGIFImage& G = *FImage;
    if (G.GetTransparent() || G.Empty()) PaintParentImageBehind(*this, Canvas());
    if (G.Empty() || G.LogicalWidth == 0 || G.LogicalHeight == 0) return;
    TColor T;
    TBitmap* B = ComposeFrame(FFrameIndex, T);
    if (!B) return;
    TRect R(0, 0, B->Width(), B->Height());
    if (FStretch) {
        R = TRect(0, 0, Width(), Height());
    } else if (FCenter) {
        const int X = (Width() - B->Width()) / 2, Y = (Height() - B->Height()) / 2;
        R = TRect(X, Y, X + B->Width(), Y + B->Height());
    }
    B->Canvas().Lock();
    if (T != clGIFNone && FTransparent)
        StretchDrawRectTransparent(Canvas(), R.left, R.top, R.Width(), R.Height(), *B, TRect(), T);
    else
        Canvas().StretchDraw(R, *B);
    B->Canvas().Unlock();
}

void TAgGIFAnimator::AdjustSize() {
    if (!FAutoSize || FImage->Empty() || ComponentState().Contains(csLoading)) return;
    int W = Width(), H = Height();
    if (Align() == alNone || Align() == alLeft || Align() == alRight) W = FImage->LogicalWidth;
    if (Align() == alNone || Align() == alTop || Align() == alBottom) H = FImage->LogicalHeight;
    if (W != Width() || H != Height()) SetBounds(Left(), Top(), W, H);
}

void TAgGIFAnimator::Loaded() {
    TAgImageControl::Loaded();
    AdjustSize();
}

TClassInfo& TAgGIFAnimator::StaticClassInfo() {
    static TClassInfo CI("TAgGIFAnimator", &TGraphicControl::StaticClassInfo(), CreateComponentOf<TAgGIFAnimator>,
                         [](TClassInfo& C) {
                             using S = TSetter<TAgGIFAnimator>;
                             using A = TAgGIFAnimator;
                             C.Define<A>("Animate", S([](A& O, const TFormValue& V, TFormReader& R) {
                                             O.SetAnimate(R.Bool(V));
                                         }));
                             C.Define<A>("AsyncDrawing", S([](A& O, const TFormValue& V, TFormReader& R) {
                                             O.SetAsyncDrawing(R.Bool(V));
                                         }));
                             C.Define<A>("AutoSize", S([](A& O, const TFormValue& V, TFormReader& R) {
                                             O.SetAutoSize(R.Bool(V));
                                         }));
                             C.Define<A>("Center", S([](A& O, const TFormValue& V, TFormReader& R) {
                                             O.SetCenter(R.Bool(V));
                                         }));
                             C.Define<A>("Stretch", S([](A& O, const TFormValue& V, TFormReader& R) {
                                             O.SetStretch(R.Bool(V));
                                         }));
                             C.Define<A>("Transparent", S([](A& O, const TFormValue& V, TFormReader& R) {
                                             O.SetTransparent(R.Bool(V));
                                         }));
                             C.Define<A>("Loop", S([](A& O, const TFormValue& V, TFormReader& R) { O.Loop = R.Bool(V); }));
                             C.Define<A>("FrameIndex", S([](A& O, const TFormValue& V, TFormReader& R) {
                                             O.SetFrameIndex(static_cast<int>(R.Int(V)));
                                         }));
                             C.Define<A>("Image.Data", S([](A& O, const TFormValue& V, TFormReader& R) {
                                             const auto& Bytes = R.Binary(V);
                                             TMemoryStream M;
                                             if (!Bytes.empty()) M.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
                                             M.SetPosition(0);
                                             O.Image().ReadData(M);
                                         }));
                             for (const char* Event : {"OnChange", "OnFrameChanged", "OnStart", "OnStop"})
                                 C.Define<A>(Event, S([Event](A& O, const TFormValue& V, TFormReader& R) {
                                                 TNotifyEvent E = R.Method<TNotifyEvent>(V);
                                                 std::string N = Event;
                                                 if (N == "OnChange") O.OnChange = E;
                                                 else if (N == "OnFrameChanged") O.OnFrameChanged = E;
                                                 else if (N == "OnStart") O.OnStart = E;
                                                 else O.OnStop = E;
                                             }));
                         });
    return CI;
}

void RegisterAgGIFAnimator() {
    RegisterAgGIF();
    RegisterAgCursors();
    RegisterClasses({&TAgGIFAnimator::StaticClassInfo()});
}
