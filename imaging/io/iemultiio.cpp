#include "imaging/io/iemultiio.h"

#include <algorithm>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/resample.h"

TIEBitmap* AdjustDPIAspect(TIEBitmap* Bitmap, TIOParamsVals* Params, bool Filtered) {
    if (!Bitmap || !Params || Bitmap->IsEmpty()) return Bitmap;
    const int32_t dx = Params->DpiX, dy = Params->DpiY;
    if (dx == dy || dx <= 0 || dy <= 0) return Bitmap;
    int32_t w = Params->Width, h = Params->Height;
    if (w <= 0 || h <= 0) {
        w = Bitmap->Width();
        h = Bitmap->Height();
    }
    if (h < w) {
        h = static_cast<int32_t>(static_cast<double>(h) / dy * dx);
        Params->SetDpiY(dx);
        Params->Height = h;
    } else {
        w = static_cast<int32_t>(static_cast<double>(w) / dx * dy);
        Params->SetDpiX(dy);
        Params->Width = w;
    }
    w = std::max(1, w);
    h = std::max(1, h);
    auto* out = new TIEBitmap;
    if (Filtered) {
        Bitmap->SetPixelFormat(ieRGB24);
        out->Allocate(w, h, ieRGB24);
        ResampleRGB24(Bitmap, out, rfFastLinear);
    } else {
        out->Allocate(w, h, Bitmap->PixelFormat());
        ResampleNearest(Bitmap, out);
    }
    return out;
}

TIEMultiIO::TIEMultiIO(TComponent* AOwner)
    : TComponent(AOwner),
      TWainParams(std::make_unique<TIETWainParams>(this, true)),
      FPreviewFont(std::make_unique<TFont>()) {}

TIEMultiIO::~TIEMultiIO() { Detach(); }

void TIEMultiIO::Detach() {
    if (!FView) return;
    if (FCallback >= 0) FView->RemoveMViewCallback(FCallback);
    FCallback = -1;
    if (TComponent* c = FView->MViewComponent()) c->RemoveFreeNotification(this);
    FView = nullptr;
}

void TIEMultiIO::SetAttachedMView(TIEAttachedMView* View) {
    Detach();
    if (!View) return;
    FView = View;
    if (TComponent* c = View->MViewComponent()) c->FreeNotification(this);
    FCallback = View->AddMViewCallback([this](bool Destroying) { ViewBitmapChanged(Destroying); }, this);
    while (GetParamsCount() < View->GetImageCount()) InsertParams(GetParamsCount());
}

void TIEMultiIO::ViewBitmapChanged(bool Destroying) {
    if (!FView) return;
    if (Destroying) {
        FView = nullptr;
        FCallback = -1;
        return;
    }
    const int32_t i = FView->GetLastChangeIndex(), j = FView->GetLastChangeIndex2();
    switch (FView->GetLastChangeKind()) {
        case 1: InsertParams(i); break;
        case 2: DeleteParams(i); break;
        case 3: MoveParams(i, j); break;
        case 4: SwapParams(i, j); break;
        default: break;
    }
}

TIOParamsVals* TIEMultiIO::GetParams(int32_t Index) const {
    if (Index < 0 || Index >= GetParamsCount()) return nullptr;
    return FParams[static_cast<size_t>(Index)].get();
}

void TIEMultiIO::InsertParams(int32_t Index) {
    if (Index < 0) return;
    auto p = std::make_unique<TIOParamsVals>(nullptr);
    const int32_t n = GetParamsCount();
    if (n > 0) p->AssignFrom(FParams[static_cast<size_t>(std::min(Index, n - 1))].get());
    if (Index >= n)
        FParams.push_back(std::move(p));
    else
        FParams.insert(FParams.begin() + Index, std::move(p));
}

void TIEMultiIO::DeleteParams(int32_t Index) {
    if (Index < 0 || Index >= GetParamsCount()) return;
    FParams.erase(FParams.begin() + Index);
}

void TIEMultiIO::MoveParams(int32_t From, int32_t To) {
    const int32_t n = GetParamsCount();
    if (From < 0 || From >= n || To < 0 || From == To) return;
    auto p = std::move(FParams[static_cast<size_t>(From)]);
    FParams.erase(FParams.begin() + From);
    if (To >= n)
        FParams.push_back(std::move(p));
    else
        FParams.insert(FParams.begin() + To, std::move(p));
}

void TIEMultiIO::SwapParams(int32_t A, int32_t B) {
    const int32_t n = GetParamsCount();
    if (A < 0 || B < 0 || A >= n || B >= n) return;
    std::swap(FParams[static_cast<size_t>(A)], FParams[static_cast<size_t>(B)]);
}

void TIEMultiIO::DoAcquireBitmap(TIEBitmap* ABitmap, TIOParamsVals*& Params) {
    bool handled = false;
    if (OnAcquireBitmap) OnAcquireBitmap(this, ABitmap, handled);
    if (handled || !FView || !ABitmap) return;
    const int32_t pos = std::clamp(AcquisitionPosition, 0, FView->GetImageCount());
    FView->InsertImage(pos);
    Params = GetParams(pos);
    TIEBitmap* b = ABitmap;
    if (AutoAdjustDPI && Params) b = AdjustDPIAspect(ABitmap, Params, FilteredAdjustDPI);
    FView->SetImageBitmap(pos, b);
    if (b != ABitmap) delete b;
    FView->SetImageDelayTime(pos, 100);
    AcquisitionPosition = pos + 1;
}

void TIEMultiIO::DoFinishWork() {
    if (OnProgress) OnProgress(this, 100);
    if (OnFinishWork) OnFinishWork(this);
}

TIEWia* TIEMultiIO::GetWIA() {
    if (!FWia) FWia = std::make_unique<TIEWia>(this);
    return FWia.get();
}

void TIEMultiIO::SetPreviewFont(TFont* Value) {
    if (Value) FPreviewFont->Assign(*Value);
}

void TIEMultiIO::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && FView && AComponent == FView->MViewComponent()) {
        FCallback = -1;  // the view drops its callbacks as it goes
        FView = nullptr;
    }
}
