#include "imaging/processing/imageproc.h"

#include <algorithm>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/processing/bwconvert.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procstartup.h"
#include "imaging/processing/resample.h"
#include "platform/classlib/extctrls.h"

namespace {

const TIEFormatPreference Preferences[10] = {
    {{}, 0},                                                    // ieNoFormat
    {{ie8g, ie16g, ie32f, ieRGB24}, 4},                         // ie1g
    {{ieRGB24, ieCMYK, ieRGB48, ieCIELab}, 4},                  // ie8p
    {{ie16g, ie32f, ieRGB24, ieCMYK, ieRGB48}, 5},              // ie8g
    {{ie32f, ie8g, ieRGB48, ieRGB24, ieCMYK}, 5},               // ie16g
    {{ieCMYK, ieCIELab, ieRGB48, ie8p, ie16g, ie8g}, 6},        // ieRGB24
    {{ie16g, ie8g, ieRGB24, ieRGB48, ieCIELab}, 5},             // ie32f
    {{ieRGB24, ieRGB48, ieCIELab, ie8g}, 4},                    // ieCMYK
    {{ieRGB24, ieCMYK, ieCIELab, ie16g}, 4},                    // ieRGB48
    {{ieRGB24, ieCMYK, ieRGB48, ie8g}, 4},                      // ieCIELab
};

// Progress after row Done of Total rows: below 100 until the finish reports 100.
void RowProgress(TObject* Sender, const TIEProgressEvent& OnProgress, int32_t Done, int32_t Total) {
    if (OnProgress) OnProgress(Sender, static_cast<int>(Done * 100.0 / (Total + 0.5)));
}

void ConvertToGrayRect(TIEBitmap* B, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TObject* Sender,
                       const TIEProgressEvent& OnProgress) {
    if (B->PixelFormat() != ieRGB24) return;
    X1 = std::max(X1, 0);
    Y1 = std::max(Y1, 0);
    X2 = std::min(X2, B->Width());
    Y2 = std::min(Y2, B->Height());
    for (int32_t Y = Y1; Y < Y2; ++Y) {
        auto* Row = reinterpret_cast<TRGB*>(B->Scanline(Y));
        for (int32_t X = X1; X < X2; ++X) {
            TRGB& P = Row[X];
            auto G = static_cast<uint8_t>(RGBToGray(P));
            P.r = P.g = P.b = G;
        }
        RowProgress(Sender, OnProgress, Y - Y1 + 1, Y2 - Y1);
    }
    B->ReleaseMappedRows();
}

void IntensityRect(TIEBitmap* B, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t R, int32_t G, int32_t Bl,
                   TObject* Sender, const TIEProgressEvent& OnProgress) {
    if (B->PixelFormat() != ieRGB24) return;
    uint8_t TR[256], TG[256], TB[256];
    for (int32_t I = 0; I < 256; ++I) {
        TR[I] = static_cast<uint8_t>(ClampToByte(I + R));
        TG[I] = static_cast<uint8_t>(ClampToByte(I + G));
        TB[I] = static_cast<uint8_t>(ClampToByte(I + Bl));
    }
    X1 = std::max(X1, 0);
    Y1 = std::max(Y1, 0);
    X2 = std::min(X2, B->Width());
    Y2 = std::min(Y2, B->Height());
    for (int32_t Y = Y1; Y < Y2; ++Y) {
        auto* Row = reinterpret_cast<TRGB*>(B->Scanline(Y));
        for (int32_t X = X1; X < X2; ++X) {
            TRGB& P = Row[X];
            P.r = TR[P.r];
            P.g = TG[P.g];
            P.b = TB[P.b];
        }
        RowProgress(Sender, OnProgress, Y - Y1 + 1, Y2 - Y1);
    }
    B->ReleaseMappedRows();
}

}  // namespace

const TIEFormatPreference& IEFormatPreference(TIEPixelFormat Current) {
    return Preferences[static_cast<unsigned>(Current) < 10 ? Current : 0];
}

// ---- Life and attachment ----------------------------------------------------------------

TIEImageProc::TIEImageProc(TComponent* AOwner)
    : TComponent(AOwner), FPreviewFont(std::make_unique<TFont>()), FDialogParams(std::make_unique<TIPDialogParams>()) {
    NewOwnBitmap();
}

TIEImageProc::~TIEImageProc() {
    RemoveViewCallback();
    if (FViewComponent) FViewComponent->RemoveFreeNotification(this);
    ForgetTImage();
    ClearAllUndo();
    ClearAllRedo();
}

void TIEImageProc::RemoveViewCallback() {
    if (FView && FCallback >= 0) FView->RemoveBitmapChangeCallback(FCallback);
    FCallback = -1;
}

void TIEImageProc::NewOwnBitmap() {
    FWrapped = nullptr;
    FOwnBitmap.reset();
    FOwnBitmap = std::make_unique<TIEBitmap>();
    FBitmap = FOwnBitmap.get();
}

void TIEImageProc::ForgetView() {
    if (FViewComponent) FViewComponent->RemoveFreeNotification(this);
    FViewComponent = nullptr;
    FView = nullptr;
}

void TIEImageProc::ForgetTImage() {
    if (FTImage) FTImage->RemoveFreeNotification(this);
    FTImage = nullptr;
}

void TIEImageProc::ReadViewBitmaps() {
    // The view's TIEBitmap first: asking for its TBitmap may move the pixels there.
    if (TIEBitmap* IE = FView->GetIEBitmap()) {
        FWrapped = nullptr;
        FOwnBitmap.reset();
        FBitmap = IE;
        return;
    }
    TBitmap* B = FView->GetBitmap();
    if (!FOwnBitmap) NewOwnBitmap();
    // A view with neither bitmap (a thumbnail view with nothing selected) leaves an
    // own empty work bitmap rather than a wrapper around nothing.
    FWrapped = B;
    if (B)
        FBitmap->WrapTBitmap(B, /*Reread=*/true);
    else
        FBitmap->FreeImage(true);
}

void TIEImageProc::SetAttachedIEView(TIEAttachedView* View) {
    RemoveViewCallback();
    ForgetView();
    if (!View) {
        NewOwnBitmap();
        return;
    }
    FView = View;
    FOwnBitmap.reset();
    FBitmap = nullptr;
    ReadViewBitmaps();
    FViewComponent = View->ViewComponent();
    if (FViewComponent) FViewComponent->FreeNotification(this);
    ForgetTImage();
    FCallback = View->AddBitmapChangeCallback([this](bool Destroying) { ViewBitmapChanged(Destroying); }, this);
}

void TIEImageProc::ViewBitmapChanged(bool Destroying) {
    if (!FView) return;
    if (Destroying) {
        // The view's bitmaps go with it: an own bitmap rather than pointers into a dead view.
        FCallback = -1;
        ForgetView();
        NewOwnBitmap();
        return;
    }
    ReadViewBitmaps();
}

void TIEImageProc::SetAttachedTImage(TImage* Image) {
    if (Image) {
        RemoveViewCallback();
        ForgetView();
        if (FTImage != Image) ForgetTImage();
        if (!FOwnBitmap) NewOwnBitmap();
        FWrapped = &Image->Picture().Bitmap();
        FBitmap->WrapTBitmap(FWrapped, /*Reread=*/true);
        FTImage = Image;
        Image->FreeNotification(this);
        return;
    }
    // Nothing to let go of: an attached view stays attached and keeps its callback.
    if (!FTImage) return;
    ForgetTImage();
    // The picture's bitmap is not the component's: the wrapper only lets go of it.
    if (FOwnBitmap) {
        FWrapped = nullptr;
        FOwnBitmap->FreeImage(true);
    }
}

void TIEImageProc::SetAttachedBitmap(TIEBitmap* Bitmap) {
    if (!Bitmap && (FView || FTImage)) return;
    RemoveViewCallback();
    if (!Bitmap) {
        NewOwnBitmap();
        return;
    }
    AssignTargetBitmap(Bitmap);
    ForgetView();
    ForgetTImage();
}

void TIEImageProc::AssignTargetBitmap(TIEBitmap* Bitmap) {
    FWrapped = nullptr;
    FOwnBitmap.reset();
    FBitmap = Bitmap;
    if (!FBitmap) NewOwnBitmap();
}

void TIEImageProc::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    if (AComponent == FViewComponent) {
        // Normally the view's destroying callback came first; this covers a view that
        // is removed without one.
        FCallback = -1;
        FViewComponent = nullptr;
        FView = nullptr;
        NewOwnBitmap();
    } else if (AComponent == static_cast<TComponent*>(FTImage)) {
        FTImage = nullptr;
        if (FOwnBitmap) {
            FWrapped = nullptr;
            FOwnBitmap->FreeImage(true);
        }
    }
}

void TIEImageProc::SetUndoLimit(int32_t Value) { FUndoLimit = std::max(1, Value); }

TColor TIEImageProc::Background() const { return FView ? FView->Background() : FBackground; }

void TIEImageProc::SetBackground(TColor Value) {
    if (FView)
        FView->SetBackground(Value);
    else
        FBackground = Value;
}

// ---- Consistency ---------------------------------------------------------------------------

bool TIEImageProc::CheckPixelFormat(TIEPixelFormatSet Allowed) {
    TIEPixelFormat Current = FBitmap->PixelFormat();
    if (Allowed.Empty() || Allowed.Contains(Current)) return true;
    if (!AutoConvertFormat) return false;
    const TIEFormatPreference& P = IEFormatPreference(Current);
    for (int32_t I = 0; I < P.Count; ++I)
        if (Allowed.Contains(P.Formats[I])) {
            FBitmap->SetPixelFormat(P.Formats[I]);
            return true;
        }
    for (int F = ieCIELab; F >= 0; --F)
        if (Allowed.Contains(static_cast<TIEPixelFormat>(F))) {
            FBitmap->SetPixelFormat(static_cast<TIEPixelFormat>(F));
            return true;
        }
    return false;
}

bool TIEImageProc::MakeConsistentBitmap(TIEPixelFormatSet Allowed) {
    if (!FBitmap) return false;
    // The windowing bitmap may have been resized or drawn on since.
    if (FWrapped) FBitmap->WrapTBitmap(FWrapped, /*Reread=*/false);
    return CheckPixelFormat(Allowed);
}

// ---- Undo and redo -------------------------------------------------------------------------

bool TIEImageProc::PushStep(std::vector<TStep>& Steps, std::vector<std::string>& Captions, TIEUndoSource Source) {
    TStep S;
    if (Source == ieuImage) {
        if (!MakeConsistentBitmap({}) || FBitmap->Width() < 2 || FBitmap->Height() < 2) return false;
        S.Bitmap = std::make_unique<TIEBitmap>();
        S.Bitmap->MinFileSize = 0;
        S.Bitmap->SetLocation(UndoLocation);
        S.Bitmap->Assign(FBitmap);
    } else if (Source == ieuSelection) {
        // Only the single-image view has a selection to keep; without one nothing is saved.
        if (!FView || !FView->IsSingleImageView()) return false;
        S.Stream = std::make_unique<TMemoryStream>();
        FView->SaveSelectionToStream(S.Stream.get());
    } else {
        return false;
    }
    while (!Steps.empty() && static_cast<int32_t>(Steps.size()) >= FUndoLimit) {
        Steps.erase(Steps.begin());
        Captions.erase(Captions.begin());
    }
    Steps.push_back(std::move(S));
    Captions.emplace_back();
    return true;
}

void TIEImageProc::SaveUndo(TIEUndoSource Source) { FPushed = PushStep(FUndo, FUndoCaptions, Source); }

void TIEImageProc::SaveRedo(TIEUndoSource Source) { FPushed = PushStep(FRedo, FRedoCaptions, Source); }

void TIEImageProc::SaveUndoCaptioned(const std::string& Caption, TIEUndoSource Source) {
    if (!MakeConsistentBitmap({}) || FBitmap->Width() < 2 || FBitmap->Height() < 2) return;
    FPushed = false;
    SaveUndo(Source);
    // A step that was not made takes no caption: an older step keeps its own.
    if (FPushed && !FUndoCaptions.empty()) FUndoCaptions.back() = Caption;
}

void TIEImageProc::SaveRedoCaptioned(const std::string& Caption, TIEUndoSource Source) {
    if (!MakeConsistentBitmap({}) || FBitmap->Width() < 2 || FBitmap->Height() < 2) return;
    FPushed = false;
    SaveRedo(Source);
    if (FPushed && !FRedoCaptions.empty()) FRedoCaptions.back() = Caption;
}

void TIEImageProc::RestoreStep(std::vector<TStep>& Steps, int32_t Index) {
    if (Index < 0 || Index >= static_cast<int32_t>(Steps.size())) return;
    MakeConsistentBitmap({});
    TStep& S = Steps[Steps.size() - 1 - Index];
    if (S.Bitmap) {
        FBitmap->Assign(S.Bitmap.get());
        Update();
    } else if (S.Stream && FView && FView->IsSingleImageView()) {
        S.Stream->SetPosition(0);
        FView->LoadSelectionFromStream(S.Stream.get());
    }
}

void TIEImageProc::UndoAt(int32_t Index) { RestoreStep(FUndo, Index); }

void TIEImageProc::RedoAt(int32_t Index) { RestoreStep(FRedo, Index); }

void TIEImageProc::ClearLastRedo() {
    if (FRedo.empty()) return;
    FRedo.pop_back();
    FRedoCaptions.pop_back();
}

void TIEImageProc::ClearAllUndo() {
    FUndo.clear();
    FUndoCaptions.clear();
}

void TIEImageProc::ClearAllRedo() {
    FRedo.clear();
    FRedoCaptions.clear();
}

// ---- Notifications ---------------------------------------------------------------------------

void TIEImageProc::Update() {
    if (FWrapped) FBitmap->RemoveAlphaChannel();
    if (FView) {
        FView->Update();
        FView->ImageChange();
    } else if (FWrapped && FWrapped->OnChange) {
        // The bitmap's owner (a picture control) hears that its pixels changed.
        FWrapped->OnChange(FWrapped);
    }
}

void TIEImageProc::DoFinishWork() {
    if (OnProgress) OnProgress(this, 100);
    if (OnFinishWork) OnFinishWork(this);
}

bool TIEImageProc::GetSelectionArea(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2, const POINT*& Polygon,
                                    int32_t& PolygonCount, TIEMask*& Mask) {
    if (FWrapped) FBitmap->WrapTBitmap(FWrapped, /*Reread=*/false);
    X1 = Y1 = 0;
    X2 = FBitmap->Width();
    Y2 = FBitmap->Height();
    Polygon = nullptr;
    PolygonCount = 0;
    Mask = nullptr;
    if (!FView || !FView->IsSingleImageView()) return false;
    Mask = FView->SelectionMask();
    if (!FView->Selected()) return false;
    if (Mask && !Mask->IsEmpty()) {
        X1 = Mask->X1;
        Y1 = Mask->Y1;
        X2 = Mask->X2 + 1;
        Y2 = Mask->Y2 + 1;
    }
    Polygon = FView->SelectionPolygon(PolygonCount);
    return true;
}

// ---- The operation frame ---------------------------------------------------------------------

bool TIEImageProc::BeginOperation(TIEPixelFormatSet Allowed, const std::string& Caption) {
    // The step holds the bitmap as it was before any format conversion.
    if (AutoUndo) SaveUndoCaptioned(Caption, ieuImage);
    return MakeConsistentBitmap(Allowed);
}

TIEBitmap* TIEImageProc::OperationBitmap(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2) {
    const POINT* Polygon;
    int32_t Count;
    TIEMask* Mask;
    bool Selection = GetSelectionArea(X1, Y1, X2, Y2, Polygon, Count, Mask);
    // A mask left over from an earlier selection restricts nothing once the view has none.
    if (!Selection || !Mask || Mask->IsEmpty()) return FBitmap;
    int32_t W = Mask->X2 - Mask->X1 + 1, H = Mask->Y2 - Mask->Y1 + 1;
    FBoxCopy = std::make_unique<TIEBitmap>();
    FBoxCopy->SetLocation(ieMemory);
    FBoxCopy->Allocate(W, H, FBitmap->PixelFormat());
    FBitmap->CopyRectTo(FBoxCopy.get(), Mask->X1, Mask->Y1, 0, 0, W, H);
    FOpMask = Mask;
    X1 = Y1 = 0;
    X2 = W;
    Y2 = H;
    return FBoxCopy.get();
}

void TIEImageProc::EndOperation() {
    if (FBoxCopy) {
        // Only the pixels go back: the operations here leave the alpha channel alone, and
        // the box copy carries none.
        FOpMask->CopyBitmap(FBitmap, FBoxCopy.get(), /*DestRelative=*/false, /*SourceRelative=*/true,
                            /*CopyAlpha=*/false);
        FBoxCopy.reset();
        FOpMask = nullptr;
    }
    Update();
}

// ---- Operations -------------------------------------------------------------------------------

void TIEImageProc::ConvertToGray() {
    if (!BeginOperation({}, "ConvertToGray")) return;
    int32_t X1, Y1, X2, Y2;
    TIEBitmap* B = OperationBitmap(X1, Y1, X2, Y2);
    ConvertToGrayRect(B, X1, Y1, X2, Y2, this, OnProgress);
    EndOperation();
    DoFinishWork();
}

void TIEImageProc::IntensityRGBall(int32_t R, int32_t G, int32_t B) {
    if (!BeginOperation({ieRGB24},
                        "IntensityRGBall " + std::to_string(R) + "," + std::to_string(G) + "," + std::to_string(B)))
        return;
    int32_t X1, Y1, X2, Y2;
    TIEBitmap* W = OperationBitmap(X1, Y1, X2, Y2);
    IntensityRect(W, X1, Y1, X2, Y2, R, G, B, this, OnProgress);
    EndOperation();
    DoFinishWork();
}

void TIEImageProc::ResampleTo(TIEBitmap* Dest, int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter) {
    if (!Dest || !MakeConsistentBitmap({}) || FBitmap->Width() == 0 || FBitmap->Height() == 0) return;
    if (AutoUndo) SaveUndoCaptioned("Resample " + std::to_string(NewWidth) + "," + std::to_string(NewHeight), ieuImage);
    if (NewWidth < 0 && NewHeight < 0) return;
    int32_t SW = FBitmap->Width(), SH = FBitmap->Height();
    int32_t W = NewWidth == -1 ? static_cast<int32_t>(static_cast<int64_t>(NewHeight) * SW / SH)
                : NewWidth != 0 ? std::abs(NewWidth)
                                : SW;
    W = std::max(W, 1);
    int32_t H = NewHeight == -1 ? static_cast<int32_t>(static_cast<int64_t>(W) * SH / SW)
                : NewHeight != 0 ? std::abs(NewHeight)
                                 : SH;
    H = std::max(H, 1);
    Dest->Allocate(W, H, FBitmap->PixelFormat());
    ResampleBitmap(FBitmap, Dest, Filter, this, OnProgress);
    DoFinishWork();
}

void TIEImageProc::Resample(int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter) {
    if (!FBitmap || FBitmap->Width() == 0 || FBitmap->Height() == 0) return;
    TIEBitmap Temp;
    Temp.SetLocation(ieMemory);
    ResampleTo(&Temp, NewWidth, NewHeight, Filter);
    if (!Temp.IsEmpty()) FBitmap->Assign(&Temp);
    Update();
    DoFinishWork();
}

void TIEImageProc::ReduceColors(int32_t NumColors, TRGB* Palette, TIEBWConversion Conversion) {
    if (NumColors < 3) {
        TIEProgressRecord P;
        P.OnProgress = OnProgress;
        P.Sender = this;
        if (Conversion == ieBWThreshold)
            ThresholdTo1Bit(FBitmap, -1, P);
        else
            OrderedDitherTo1Bit(FBitmap, P);
    } else if (NumColors <= 1024) {
        QuantizeBitmap(FBitmap, NumColors, Palette, this, OnProgress);
    }
}

void TIEImageProc::ConvertTo(int32_t NumColors, TIEBWConversion Conversion) {
    if (!MakeConsistentBitmap({ieRGB24})) return;
    if (AutoUndo) SaveUndoCaptioned("ConvertTo " + std::to_string(NumColors), ieuImage);
    ReduceColors(NumColors, /*Palette=*/nullptr, Conversion);
    Update();
    DoFinishWork();
}

void TIEImageProc::ConvertToPalette(int32_t NumColors, std::span<TRGB> Palette, TIEBWConversion Conversion) {
    if (NumColors == 0 || !MakeConsistentBitmap({ieRGB24})) return;
    if (AutoUndo) SaveUndoCaptioned("ConvertToPalette", ieuImage);
    if (NumColors < 3) {
        ReduceColors(NumColors, /*Palette=*/nullptr, Conversion);
        if (Palette.size() > 0) Palette[0] = TRGB{0, 0, 0};
        if (Palette.size() > 1) Palette[1] = TRGB{255, 255, 255};
    } else if (NumColors <= 1024) {
        // The quantizer fills NumColors entries; the caller gets as many as its palette holds.
        std::vector<TRGB> Used(static_cast<size_t>(NumColors));
        ReduceColors(NumColors, Used.data(), Conversion);
        std::copy_n(Used.begin(), std::min(Used.size(), Palette.size()), Palette.begin());
    }
    Update();
    DoFinishWork();
}
