#include "imaging/views/iemultiview.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/bitmaps/ievirtual.h"
#include "imaging/processing/imageproc.h"
#include "imaging/processing/resample.h"
#include "imaging/views/iemultiview_io.h"
#include "platform/rtl/scope.h"
#include "platform/classlib/formload.h"

namespace {

template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

// The preset frames: pictures of our own (resources/frames, drawn by tools/framegen)
// and the rectangle inside each where the thumbnail goes.
struct TFramePreset {
    const char* Name;
    TRect Inner;
};
const TFramePreset Presets[] = {{"FRAME0", TRect(18, 29, 140, 119)},
                                {"FRAME1", TRect(13, 1, 95, 98)},
                                {"FRAME2", TRect(30, 14, 147, 92)},
                                {"FRAME3", TRect(17, 17, 131, 131)}};

TIEBackgroundStyle ReadBackgroundStyle(TFormReader& R, const TFormValue& V) {
    return R.Enum<TIEBackgroundStyle>(V, {"iebsSolid", "iebsHorizontal", "iebsVertical", "iebsFDiagonal",
                                          "iebsBDiagonal", "iebsCross", "iebsDiagCross", "iebsChessboard",
                                          "iebsDiagonals", "iebsCropped", "iebsCropShadow", "iebsGradient"});
}

// Every channel lowered by what Colour lacks of white: white keeps the frame.
void TintFrame(TIEBitmap* B, TColor Colour) {
    const int32_t C = ColorToRGB(Colour);
    TIEImageProc Proc(nullptr);
    Proc.AutoUndo = false;
    Proc.SetAttachedBitmap(B);
    Proc.IntensityRGBall((C & 0xFF) - 255, ((C >> 8) & 0xFF) - 255, ((C >> 16) & 0xFF) - 255);
}


// The leading run of digits of S at I as a number text without leading zeros.
std::string DigitRun(const std::string& S, size_t& I) {
    size_t Start = I;
    while (I < S.size() && std::isdigit(static_cast<unsigned char>(S[I]))) ++I;
    std::string Run = S.substr(Start, I - Start);
    size_t NZ = Run.find_first_not_of('0');
    return NZ == std::string::npos ? std::string("0") : Run.substr(NZ);
}

}  // namespace

bool IENaturalLess(const std::string& A, const std::string& B) {
    size_t i = 0, j = 0;
    while (i < A.size() && j < B.size()) {
        bool Da = std::isdigit(static_cast<unsigned char>(A[i])), Db = std::isdigit(static_cast<unsigned char>(B[j]));
        if (Da && Db) {
            std::string Na = DigitRun(A, i), Nb = DigitRun(B, j);
            if (Na.size() != Nb.size()) return Na.size() < Nb.size();
            if (Na != Nb) return Na < Nb;
            continue;
        }
        if (A[i] != B[j]) return static_cast<unsigned char>(A[i]) < static_cast<unsigned char>(B[j]);
        ++i;
        ++j;
    }
    if ((A.size() - i) != (B.size() - j)) return (A.size() - i) < (B.size() - j);
    return A < B;  // "01" and "1": still one order
}

TIEMultiView::TIEMultiView(TComponent* AOwner) : TIEView(AOwner) {
    FBackground = clWhite;
    TabStop = true;
    FBackBuffer = std::make_unique<TIEBitmap>();
    FBackBuffer->SetLocation(ieTBitmap);
    FWallPaper = std::make_unique<TPicture>();
    FIO = std::make_unique<TIEImageIO>(this);
    FList = std::make_unique<TIEVirtualImageList>("ILIST");
    FList->MaxMapped = FImageCacheSize;
    FCache = std::make_unique<TIEVirtualImageList>("ICACHE");
    FStarter = std::make_unique<TIEStarter>(this);
    FStarter->Start();
}

TIEMultiView::~TIEMultiView() {
    // Completions from now on only give back their slot; the loader stops before the
    // readers go, and every reader's worker has ended before the images go.
    FGone = true;
    Destroying();
    if (HandleAllocated()) KillTimer(Handle(), 1);
    ClearSelection();
    StopLoader();
    CancelLoads();
    std::vector<std::unique_ptr<TIEMViewReader>> Readers;
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        Readers.swap(FRunning);
    }
    Readers.clear();  // each waits for its worker, outside the lock the worker may want
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    FFrameReaders.clear();
    FImages.clear();
    FList.reset();
    FCache.reset();
}

void TIEMultiView::ReportChange(int32_t Kind, int32_t Index, int32_t Index2) {
    // The companion's records change with the list; completions fill them under this lock.
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    FLastChangeKind = Kind;
    FLastChangeIndex = Index;
    FLastChangeIndex2 = Index2;
    CallBitmapChangeCallbacks();
    FLastChangeKind = iectNone;
}

TIEMultiIO* TIEMultiView::GetMIO() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (!FMIO) {
        FMIO = new TIEMultiIO(this);
        FMIO->SetAttachedMView(this);
        FMIO->OnProgress = OnProgress;
    }
    return FMIO;
}

void TIEMultiView::KeepParams(int32_t Index, TIEImageIO* Reader) {
    if (TIOParamsVals* P = GetMIO()->GetParams(Index)) P->Assign(Reader->Params.get());
}

void TIEMultiView::Clear() {
    DeselectAll();
    CancelLoads();
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        while (GetImageCount() > 0) DeleteImage(GetImageCount() - 1);
        FList = std::make_unique<TIEVirtualImageList>("ILIST");
        FList->MaxMapped = FImageCacheSize;
        FFrameReaders.clear();
        FCache = std::make_unique<TIEVirtualImageList>("ICACHE");
        FViewX = FViewY = 0;
    }
    CallBitmapChangeCallbacks();
    UpdateLayout();
    Invalidate();
}

void TIEMultiView::FillFromDirectory(const std::string& Folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> Names;
    std::error_code Ec;
    for (fs::directory_iterator It(Folder, Ec), End; !Ec && It != End; It.increment(Ec)) {
        std::error_code E2;
        if (It->is_directory(E2)) continue;
        std::string Name = It->path().filename().string();
        if (IEMultiViewIsImageFile(Name)) Names.push_back(Name);
    }
    // The folder's listing order is arbitrary on Linux: the numbers decide.
    std::sort(Names.begin(), Names.end(), IENaturalLess);
    std::string Dir = Folder;
    if (!Dir.empty() && Dir.back() != '/') Dir += '/';
    LockPaint();
    for (const std::string& Name : Names) {
        const int32_t I = AppendImage();
        SetImageFileName(I, Dir + Name);
        FImages[I]->BottomText->SetCaption(Name);
    }
    UnlockPaint();
    UpdateLayout(false);
}

int32_t TIEMultiView::AppendImage() {
    const int32_t I = GetImageCount();
    InsertImage(I);
    SelectImageInternal(I);
    return I;
}

void TIEMultiView::SetImageFileName(int32_t Index, const std::string& FileName) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (Index < 0 || Index >= GetImageCount()) return;
    FImages[Index]->FileName = FileName;
    FImages[Index]->ID = -1;
}

void TIEMultiView::DoImageSelect(int32_t Index) {
    if (FUserAction && OnImageSelect) OnImageSelect(this, Index);
}

void TIEMultiView::DoImageDeselect(int32_t Index) {
    if (FUserAction && OnImageDeselect && !ComponentState().Contains(csDestroying)) OnImageDeselect(this, Index);
}

bool TIEMultiView::IsImageSelected(int32_t Index) const {
    return std::find(FMulti.begin(), FMulti.end(), Index) != FMulti.end();
}

void TIEMultiView::ForgetLent() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (FLent && FSelected >= 0 && FSelected < GetImageCount() && FImages[FSelected]->Image)
        FList->ReleaseBitmapOf(FImages[FSelected]->Image, /*WriteBack=*/true);
    FLent = nullptr;
}

void TIEMultiView::SelectImageInternal(int32_t Index) {
    FSelectionChanged = false;
    if (FPlaying || Index < 0 || Index >= GetImageCount()) return;
    ForgetLent();
    if (FEnableMultiSelect) {
        if (!FAdditive) {
            for (int32_t I : std::vector<int32_t>(FMulti)) DoImageDeselect(I);
            FMulti.clear();
        } else if (IsImageSelected(Index)) {
            DoImageDeselect(Index);
            FMulti.erase(std::find(FMulti.begin(), FMulti.end(), Index));
            if (!FKeep) {
                // A toggle: the image leaves the selection.
                FSelected = -1;
                FSelectionChanged = true;
                CallBitmapChangeCallbacks();
                return;
            }
        }
        FMulti.push_back(Index);
        FSelectionChanged = true;
    }
    FSelected = Index;
    CallBitmapChangeCallbacks();
    DoImageSelect(Index);
    ImageChange();
    Invalidate();
}

void TIEMultiView::SetSelectedImage(int32_t Index) {
    if (FPlaying || Index < 0 || Index >= GetImageCount() || (Index == FSelected && !FAdditive)) return;
    SelectImageInternal(Index);
}

void TIEMultiView::ClearSelection() {
    ForgetLent();
    if (FEnableMultiSelect) {
        for (int32_t I : std::vector<int32_t>(FMulti)) DoImageDeselect(I);
        FMulti.clear();
    } else if (FSelected >= 0) {
        DoImageDeselect(FSelected);
    }
    FSelected = -1;
}

void TIEMultiView::DeselectAll() {
    ClearSelection();
    Invalidate();
}

void TIEMultiView::SelectAtPos(int X, int Y, TShiftState Shift) {
    const bool SavedAdditive = FAdditive;
    if (Shift.Contains(ssCtrl) || Shift.Contains(ssShift)) FAdditive = true;
    const int32_t I = ImageAtPos(X, Y);
    if (I >= 0) {
        const int32_t S = FSelected;
        if (Shift.Contains(ssShift) && S >= 0 && (I != S || (FAdditive && FEnableMultiSelect))) {
            std::vector<int32_t> Range;
            if (MultiSelectionOptions.Contains(iemoRegion)) {
                const int32_t R0 = std::min(GetImageRow(S), GetImageRow(I)), R1 = std::max(GetImageRow(S), GetImageRow(I));
                const int32_t C0 = std::min(GetImageCol(S), GetImageCol(I)), C1 = std::max(GetImageCol(S), GetImageCol(I));
                for (int32_t K = 0; K < GetImageCount(); ++K)
                    if (K != S && K != I && GetImageRow(K) >= R0 && GetImageRow(K) <= R1 && GetImageCol(K) >= C0 &&
                        GetImageCol(K) <= C1)
                        Range.push_back(K);
            } else {
                for (int32_t K = S + (I > S ? 1 : -1); K != I; K += I > S ? 1 : -1) Range.push_back(K);
            }
            for (int32_t K : Range)
                if (!IsImageSelected(K)) SelectImageInternal(K);
        }
        SelectImageInternal(I);
        if (VisibleSelection)
            UpdateLayout(false);
        else
            Invalidate();
        CallBitmapChangeCallbacks();
    }
    FAdditive = SavedAdditive;
}

void TIEMultiView::InsertImage(int32_t Index) {
    SetPlaying(false);
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        Index = std::clamp<int32_t>(Index, 0, GetImageCount());
        // The selected index stays; the lent bitmap went with the image that was there.
        ForgetLent();
        auto Img = std::make_unique<TImage>();
        Img->TopText = std::make_unique<TIEMText>(this, 0);
        Img->BottomText = std::make_unique<TIEMText>(this, 1);
        Img->InfoText = std::make_unique<TIEMText>(this, 2);
        Img->Background = FBackground;
        FImages.insert(FImages.begin() + Index, std::move(Img));
        // Queued and running reads keep naming their own images.
        for (int32_t& Q : FQueue)
            if (Q >= Index) ++Q;
        for (int32_t& Q : FLookAhead)
            if (Q >= Index) ++Q;
        ShiftReaderTags(Index, +1);
    }
    ReportChange(iectInsert, Index, -1);
    UpdateLayout(false);
}

bool TIEMultiView::DeleteImage(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return false;
    SetPlaying(false);
    const int32_t S = FSelected;
    ClearSelection();
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        DropStored(*FImages[Index]);
        DropCachedThumbnail(*FImages[Index]);
        FImages.erase(FImages.begin() + Index);
        auto Renumber = [Index](auto& List) {
            List.erase(std::remove(List.begin(), List.end(), Index), List.end());
            for (int32_t& Q : List)
                if (Q > Index) --Q;
        };
        Renumber(FQueue);
        Renumber(FLookAhead);
        ShiftReaderTags(Index, -1);
    }
    if (Index == S && Index >= GetImageCount())
        SelectImageInternal(GetImageCount() - 1);
    else if (Index < S)
        SelectImageInternal(S - 1);
    else
        SelectImageInternal(S);
    ReportChange(iectDelete, Index, -1);
    return true;
}

void TIEMultiView::DropStored(TImage& Img) {
    if (!Img.Image) return;
    FList->Delete(Img.Image);
    Img.Image = nullptr;
}

void TIEMultiView::DropCachedThumbnail(TImage& Img) {
    if (!Img.Cache) return;
    FCache->Delete(Img.Cache);
    Img.Cache = nullptr;
}

void TIEMultiView::DropAllCachedThumbnails() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    for (auto& Img : FImages) DropCachedThumbnail(*Img);
}

std::unique_ptr<TIEBitmap> IEMakeThumbnail(TIEBitmap* Bitmap, int32_t TW, int32_t TH, bool FillTransparent) {
    auto Stored = std::make_unique<TIEBitmap>();
    const int32_t BW = Bitmap->Width(), BH = Bitmap->Height();
    if (BW == TW && BH == TH) {
        Stored->Assign(Bitmap);
        return Stored;
    }
    // The caller's bitmap is never changed: transparent pixels are greyed on a copy.
    TIEBitmap Copy;
    TIEBitmap* Work = Bitmap;
    const bool Alpha = Bitmap->HasAlphaChannel();
    if (Alpha && FillTransparent) {
        Copy.Assign(Bitmap);
        FillTransparentPixels(&Copy, TRGB{128, 128, 128});
        Work = &Copy;
    }
    if (Work->PixelFormat() == ie1g) {
        Stored->Allocate(TW, TH, ieRGB24);
        ResampleBWToRGB24(Work, 0, 0, BW - 1, BH - 1, Stored.get());
    } else if (Work->PixelFormat() == ieRGB24) {
        Stored->Allocate(TW, TH, ieRGB24);
        ResampleRGB24(Work, Stored.get(), rfFastLinear);
    } else {
        // Every other format by nearest pixel into its own format, on either path.
        Stored->Allocate(TW, TH, Work->PixelFormat());
        ResampleNearest(Work, Stored.get());
    }
    if (Alpha) {
        ResampleGray8(Work->GetAlphaChannel(), Stored->GetAlphaChannel(), rfFastLinear);
        Stored->GetAlphaChannel()->Full = Work->GetAlphaChannel()->Full;
    }
    return Stored;
}

void TIEMultiView::StoreBitmap(int32_t Index, TIEBitmap* Bitmap, bool FillTransparent, int32_t SourceW,
                               int32_t SourceH) {
    TImage& Img = *FImages[Index];
    DropStored(Img);
    DropCachedThumbnail(Img);
    Img.Wrong = false;
    const int32_t BW = Bitmap->Width(), BH = Bitmap->Height();
    if (StoreType == ietNormal) {
        Img.Image = FList->AddBitmap(Bitmap);
    } else {
        int32_t TW = ThumbWidth, TH = ThumbHeight;
        if (BW > 0 && BH > 0) ScaleToFit(BW, BH, ThumbWidth, ThumbHeight, TW, TH);
        std::unique_ptr<TIEBitmap> Thumb = IEMakeThumbnail(Bitmap, TW, TH, FillTransparent);
        Img.Image = FList->AddBitmap(Thumb.get());
    }
    FList->SetSourceWidth(Img.Image, SourceW);
    FList->SetSourceHeight(Img.Image, SourceH);
}

void TIEMultiView::SetImageBitmap(int32_t Index, TIEBitmap* Bitmap) {
    if (Index < 0 || Index >= GetImageCount() || !Bitmap) return;
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        if (Index == FSelected) ForgetLent();
        StoreBitmap(Index, Bitmap, /*FillTransparent=*/true, Bitmap->Width(), Bitmap->Height());
    }
    if (Index == FSelected) CallBitmapChangeCallbacks();
    Invalidate();
}

int32_t TIEMultiView::ImageSourceWidth(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    return Index >= 0 && Index < GetImageCount() && FImages[Index]->Image ? FList->GetSourceWidth(FImages[Index]->Image)
                                                                          : 0;
}

int32_t TIEMultiView::ImageSourceHeight(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    return Index >= 0 && Index < GetImageCount() && FImages[Index]->Image
               ? FList->GetSourceHeight(FImages[Index]->Image)
               : 0;
}

void TIEMultiView::SetImageSourceWidth(int32_t Index, int32_t Value) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (Index >= 0 && Index < GetImageCount() && FImages[Index]->Image) FList->SetSourceWidth(FImages[Index]->Image, Value);
}

void TIEMultiView::SetImageSourceHeight(int32_t Index, int32_t Value) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (Index >= 0 && Index < GetImageCount() && FImages[Index]->Image)
        FList->SetSourceHeight(FImages[Index]->Image, Value);
}

bool TIEMultiView::IsImageStored(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    return Index >= 0 && Index < GetImageCount() && FImages[Index]->Image != nullptr;
}

bool TIEMultiView::IsImageCached(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    return Index >= 0 && Index < GetImageCount() && FImages[Index]->Cache != nullptr;
}

void TIEMultiView::SetImageCacheSize(int32_t Value) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    FImageCacheSize = Value;
    FList->MaxMapped = Value;
}

void TIEMultiView::SetImageDelayTime(int32_t Index, int32_t Milliseconds) {
    if (Index >= 0 && Index < GetImageCount()) FImages[Index]->DelayTime = Milliseconds;
}

int32_t TIEMultiView::ImageDelayTime(int32_t Index) const {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index]->DelayTime : 0;
}

std::string TIEMultiView::ImageFileName(int32_t Index) const {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index]->FileName : std::string();
}

TIEMText* TIEMultiView::GetImageTopText(int32_t Index) {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index]->TopText.get() : nullptr;
}

TIEMText* TIEMultiView::GetImageBottomText(int32_t Index) {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index]->BottomText.get() : nullptr;
}

TIEMText* TIEMultiView::GetImageInfoText(int32_t Index) {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index]->InfoText.get() : nullptr;
}

TRect TIEMultiView::DrawnImageRect(int32_t Index) const {
    return Index >= 0 && Index < GetImageCount() ? FImages[Index]->Drawn : TRect(0, 0, 0, 0);
}

TIEBitmap* TIEMultiView::GetImageBitmap(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (Index < 0 || Index >= GetImageCount()) return nullptr;
    if (!FImages[Index]->Image) LoadImageNow(Index);
    return FImages[Index]->Image ? FList->GetBitmap(FImages[Index]->Image) : nullptr;
}

TBitmap* TIEMultiView::GetBitmap() {
    TIEBitmap* B = GetIEBitmap();
    return B ? B->GetWndBitmap() : nullptr;
}

TIEImageProc* TIEMultiView::GetProc() {
    if (!FProc) {
        FProc = new TIEImageProc(this);
        FProc->SetAttachedIEView(this);
        FProc->OnProgress = OnProgress;
    }
    return FProc;
}

void TIEMultiView::SetOnProgress(TIEViewProgressEvent Value) {
    OnProgress = std::move(Value);
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (FMIO) FMIO->OnProgress = OnProgress;
    if (FProc) FProc->OnProgress = OnProgress;
}

TIEBitmap* TIEMultiView::GetIEBitmap() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (FSelected < 0 || FSelected >= GetImageCount()) return nullptr;
    // One lent bitmap for the selection, given back when the selection changes.
    if (!FLent || !FImages[FSelected]->Image) {
        if (!FImages[FSelected]->Image) LoadImageNow(FSelected);
        FLent = FImages[FSelected]->Image ? FList->GetBitmap(FImages[FSelected]->Image) : nullptr;
    }
    return FLent;
}

int32_t TIEMultiView::PresetThumbnailFrameCount() { return static_cast<int32_t>(std::size(Presets)); }

void TIEMultiView::SetPresetThumbnailFrame(int32_t Index, TColor NormalColour, TColor SelectedColour) {
    if (Index < 0 || Index >= PresetThumbnailFrameCount()) return;
    auto Normal = std::make_unique<TIEBitmap>();
    if (!IEMultiViewLoadFrame(Normal.get(), Presets[Index].Name)) return;
    auto Selected = std::make_unique<TIEBitmap>();
    Selected->Assign(Normal.get());
    TintFrame(Selected.get(), SelectedColour);
    TintFrame(Normal.get(), NormalColour);
    FFrame = Index;
    FFrameNormal = NormalColour;
    FFrameSelected = SelectedColour;
    FFrameNormalBitmap = std::move(Normal);
    FFrameSelectedBitmap = std::move(Selected);
    FFrameInner = Presets[Index].Inner;
    LockPaint();
    EnableAlphaChannel = true;
    SetShowCellBackground(false);
    SelectionWidth = 0;
    SetShowCaptions(false);
    SetStyle(iemsFlat);
    DrawImageBackground = false;
    ThumbWidth = FFrameNormalBitmap->Width();
    ThumbHeight = FFrameNormalBitmap->Height();
    UnlockPaint();
}

void TIEMultiView::SetViewXY(int32_t X, int32_t Y) {
    int32_t MX, MY;
    GetMaxViewXY(MX, MY);
    X = std::clamp<int32_t>(X, 0, MX);
    Y = std::clamp<int32_t>(Y, 0, MY);
    if (X == FViewX && Y == FViewY) return;
    const bool MovedX = X != FViewX, MovedY = Y != FViewY;
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        FViewX = X;
        FViewY = Y;
    }
    Invalidate();
    if (!HandleAllocated()) return;
    if (MovedX && (FScrollBars == ssHorizontal || FScrollBars == ssBoth))
        IESetScrollPos(Handle(), SB_HORZ, static_cast<int>(FViewX / FScaleX), TRUE, FFlatScrollBars);
    if (MovedY && (FScrollBars == ssVertical || FScrollBars == ssBoth))
        IESetScrollPos(Handle(), SB_VERT, static_cast<int>(FViewY / FScaleY), TRUE, FFlatScrollBars);
}

void TIEMultiView::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    // The layout only sets up the bars the style allows: one it leaves out would
    // stay shown unless hidden here.
    if (HandleAllocated()) {
        if (Value == ssNone || Value == ssVertical) IEShowScrollBar(Handle(), SB_HORZ, FALSE, FFlatScrollBars);
        if (Value == ssNone || Value == ssHorizontal) IEShowScrollBar(Handle(), SB_VERT, FALSE, FFlatScrollBars);
    }
    UpdateLayout(false);
}

int32_t TIEMultiView::GetImageRow(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return 0;
    ArrangeCells();
    return FImages[Index]->Row;
}

int32_t TIEMultiView::GetImageCol(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return 0;
    ArrangeCells();
    return FImages[Index]->Col;
}

TRect TIEMultiView::ThumbRect(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return TRect(0, 0, 0, 0);
    ArrangeCells();
    return Bounds(FImages[Index]->X - FViewX, FImages[Index]->Y - FViewY, ThumbWidth, ThumbHeight);
}

int32_t TIEMultiView::GetImageVisibility(int32_t Index) {
    if (Index < 0 || Index >= GetImageCount()) return 0;
    const TRect R = ThumbRect(Index);
    const int32_t CW = ClientWidth(), CH = ClientHeight();
    // The cell's last pixel is (right - 1, bottom - 1).
    if (R.right - 1 < 0 || R.bottom - 1 < 0 || R.left > CW - 1 || R.top > CH - 1) return 0;
    if (R.left >= 0 && R.top >= 0 && R.right - 1 <= CW - 1 && R.bottom - 1 <= CH - 1) return 2;
    return 1;
}

int32_t TIEMultiView::ImageAtGridPos(int32_t Row, int32_t Col) { return Row * Columns() + Col; }

int32_t TIEMultiView::ImageAtPos(int X, int Y) {
    ArrangeCells();
    const int32_t Row = (Y + FViewY) / (ThumbHeight + VertBorder);
    const int32_t Col = (X + FViewX) / (ThumbWidth + HorizBorder);
    // One strip (no columns): the column alone names the image.
    const int32_t I = Columns() == 0 ? (Row == 0 ? Col : GetImageCount()) : ImageAtGridPos(Row, Col);
    if (I >= GetImageCount()) return -1;
    if (I < 0) return I;
    const int32_t L = FImages[I]->X - FViewX, T = FImages[I]->Y - FViewY;
    if (X - L < 0 || X - L > ThumbWidth - 1 || Y - T < 0 || Y - T > ThumbHeight - 1) return -1;
    return I;
}

void TIEMultiView::MoveSelection(int32_t Direction) {
    const int32_t N = GetImageCount();
    if (N == 0) return;
    ArrangeCells();
    const int32_t S = FSelected, C = Columns();
    const int32_t P = C * ((ClientHeight() - VertBorder) / (VertBorder + ThumbHeight));
    int32_t New = S;
    switch (Direction) {
        case 0: if (S >= 0) New = S - 1; break;
        case 1: New = S + 1; break;
        case 2: if (S >= 0) New = GridWidth != 0 ? std::max(S - C, 0) : S - 1; break;
        case 3: New = GridWidth != 0 ? std::min(S + C, N - 1) : S + 1; break;
        case 4: New = 0; break;
        case 5: New = N - 1; break;
        case 6: New = std::min(S + P, N - 1); break;
        case 7: if (S >= 0) New = std::max(S - P, 0); break;
        default: return;
    }
    SetSelectedImage(New);
    if (FSelected < 0 || GetImageVisibility(FSelected) == 2) return;
    const int32_t X = FImages[FSelected]->X, Y = FImages[FSelected]->Y;
    const int32_t CW = ClientWidth(), CH = ClientHeight();
    auto TopEdge = [&] {
        SetViewY(Y - VertBorder);
        if (GetImageVisibility(FSelected) != 2) SetViewX(X - HorizBorder);
    };
    auto BottomEdge = [&] {
        SetViewY(Y + ThumbHeight + VertBorder - CH);
        if (GetImageVisibility(FSelected) != 2) SetViewX(X + ThumbWidth + HorizBorder - CW);
    };
    switch (Direction) {
        case 0: SetViewXY(X - HorizBorder, Y - VertBorder); break;
        case 1: SetViewXY(X + ThumbWidth + HorizBorder - CW, Y + ThumbHeight + VertBorder - CH); break;
        case 2:
        case 7: TopEdge(); break;
        case 4: SetViewXY(0, 0); break;
        default: BottomEdge(); break;
    }
}

void TIEMultiView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TIEView::MouseDown(Button, Shift, X, Y);
    // The press the windowing library reports for a double click selects nothing.
    if (FDblClickPending) {
        FDblClickPending = false;
        return;
    }
    FUserAction = true;
    if (CanFocus()) SetFocus();
    FDownX = X;
    FDownY = Y;
    FDownViewX = FViewX;
    FDownViewY = FViewY;
    FMouseDownPending = true;
    FSelectedAtDown = FSelectionChanged = false;
    if (HandleAllocated()) SetCapture(Handle());
    const int32_t I = ImageAtPos(X, Y);
    FDownIndex = FDragIndex = I;
    if (MultiSelectionOptions.Contains(iemoSelectOnMouseUp) || Button != mbLeft || !MouseInteract.Contains(mmiSelect)) {
        FUserAction = false;
        return;
    }
    if (Shift.Contains(ssShift)) {
        SelectRangeTo(FAnchor, X, Y);
    } else if (I >= 0 && IsImageSelected(I)) {
        FAnchor = I;  // a drag may start with the whole selection
    } else {
        FAnchor = I;
        SelectAtPos(X, Y, Shift);
    }
    FUserAction = false;
}

void TIEMultiView::SelectRangeTo(int32_t From, int X, int Y) {
    // The range replaces the selection; its first image stays selected when the range
    // comes back to it.
    const bool A = FAdditive, K = FKeep;
    FAdditive = false;
    FKeep = true;
    ClearSelection();
    SelectImageInternal(From < 0 ? 0 : From);
    FAdditive = A;
    SelectAtPos(X, Y, TShiftState{ssShift});
    FKeep = K;
    FSelectedAtDown = true;
}

void TIEMultiView::ViewChange(int32_t Change) {
    if (FUserAction && OnViewChange) OnViewChange(this, Change);
}

void TIEMultiView::MouseMove(TShiftState Shift, int X, int Y) {
    TIEView::MouseMove(Shift, X, Y);
    if (!FMouseDownPending) return;
    const bool User = FUserAction;
    FUserAction = true;
    if (MouseInteract.Contains(mmiSelect) && FEnableMultiSelect) {
        // Dragging over the images selects the range from the one pressed on. The
        // border between cells, a point beyond the grid (the hit test may give any
        // negative number there) or the image reached last changes nothing.
        const int32_t I = ImageAtPos(X, Y);
        if (I >= 0 && I != FDragIndex) {
            FDragIndex = I;
            SelectRangeTo(FDownIndex, X, Y);
        }
    }
    if (MouseInteract.Contains(mmiScroll)) {
        SetViewXY(FDownViewX + FDownX - X, FDownViewY + FDownY - Y);
        ViewChange(0);
    }
    FUserAction = User;
}

void TIEMultiView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TIEView::MouseUp(Button, Shift, X, Y);
    if (!FMouseDownPending) return;
    FMouseDownPending = false;
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
    if (Button != mbLeft) return;
    FUserAction = true;
    if (MouseInteract.Contains(mmiSelect)) {
        // A click on an image of a multiple selection reduces the selection to it.
        if (MultiSelectionOptions.Contains(iemoSelectOnMouseUp) ? !FSelectedAtDown : !FSelectionChanged)
            SelectAtPos(X, Y, Shift);
    }
    if (MouseInteract.Contains(mmiScroll)) SetViewXY(FDownViewX + FDownX - X, FDownViewY + FDownY - Y);
    FUserAction = false;
}

bool TIEMultiView::DoKeyDown(WORD& Key, TShiftState Shift) {
    const bool R = TIEView::DoKeyDown(Key, Shift);
    if (FPlaying || !KeyInteract.Contains(mkiMoveSelected)) return R;
    static const struct {
        WORD Key;
        int32_t Direction;
    } Keys[] = {{VK_PRIOR, 7}, {VK_NEXT, 6}, {VK_END, 5}, {VK_HOME, 4},
                {VK_LEFT, 0},  {VK_UP, 2},   {VK_RIGHT, 1}, {VK_DOWN, 3}};
    for (const auto& K : Keys)
        if (K.Key == Key) {
            const bool User = FUserAction, Additive = FAdditive, Keep = FKeep;
            FUserAction = true;
            // Ctrl or Shift adds each image moved to.
            if (FEnableMultiSelect && (Shift.Contains(ssCtrl) || Shift.Contains(ssShift))) FAdditive = FKeep = true;
            MoveSelection(K.Direction);
            ViewChange(0);
            FAdditive = Additive;
            FKeep = Keep;
            UpdateLayout(false);
            FUserAction = User;
            return true;
        }
    return R;
}

void TIEMultiView::WndProc(TMessage& Message) {
    switch (Message.Msg) {
        case WM_MOUSEWHEEL: {
            // One row per message, whatever the delta.
            const int Delta = static_cast<int16_t>(HIWORD(Message.WParam));
            const bool User = FUserAction;
            FUserAction = true;
            SetViewY(FViewY + (Delta > 0 ? -1 : 1) * (ThumbHeight + VertBorder));
            ViewChange(0);
            FUserAction = User;
            Message.Result = 0;
            return;
        }
        case CM_WANTSPECIALKEY:
            TIEView::WndProc(Message);
            if (Message.WParam >= 33 && Message.WParam <= 40) Message.Result = 1;
            return;
        case WM_LBUTTONDBLCLK:
            FDblClickPending = true;
            break;
        case WM_TIMER:
            if (Message.WParam == 1) {
                PlayNext();
                return;
            }
            break;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            TIEView::WndProc(Message);
            const bool H = Message.Msg == WM_HSCROLL;
            const TIEScrollBarParams& P = H ? HScrollBarParams : VScrollBarParams;
            const int32_t V = H ? FViewX : FViewY;
            const int32_t Line = P.LineStep == -1 ? (H ? ThumbWidth + HorizBorder : ThumbHeight + VertBorder) : P.LineStep;
            const int32_t Page = P.PageStep == -1 ? (H ? ClientWidth() : ClientHeight()) : P.PageStep;
            const int32_t Pos = HIWORD(Message.WParam);
            int32_t MX, MY;
            GetMaxViewXY(MX, MY);
            int32_t N = V;
            switch (LOWORD(Message.WParam)) {
                case SB_LINEUP: N = V - Line; break;
                case SB_LINEDOWN: N = V + Line; break;
                case SB_PAGEUP: N = V - Page; break;
                case SB_PAGEDOWN: N = V + Page; break;
                case SB_TOP: N = 0; break;
                case SB_BOTTOM: N = H ? MX : MY; break;
                case SB_THUMBTRACK:
                    if (!P.Tracking) return;
                    [[fallthrough]];
                case SB_THUMBPOSITION: N = static_cast<int32_t>(Pos * (H ? FScaleX : FScaleY)); break;
                default: break;
            }
            if (H)
                SetViewX(N);
            else
                SetViewY(N);
            ViewChange(0);  // scroll-bar messages are no user action: silent unless inside one
            return;
        }
        case IEM_LOADED:
            Invalidate();  // a background read stored its image
            return;
        case WM_ERASEBKGND:
            Message.Result = 0;  // the paint covers the whole client area
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TIEView::WndProc(Message);
            Invalidate();
            return;
        default: break;
    }
    TIEView::WndProc(Message);
}

void TIEMultiView::SetDisplayMode(TIEMDisplayMode Value) {
    if (FPlaying) {
        FSavedDisplayMode = Value;  // taken back when playback ends
        return;
    }
    FDisplayMode = Value;
    UpdateLayout();
}

void TIEMultiView::SetPlaying(bool Value) {
    if (Value == FPlaying) return;
    if (Value) {
        FSavedDisplayMode = FDisplayMode;
        FSavedSelected = FSelected;
        DeselectAll();
    }
    FPlaying = Value;
    PlayNext();
    if (!FPlaying) {
        if (HandleAllocated()) KillTimer(Handle(), 1);
        FDisplayMode = FSavedDisplayMode;
        UpdateLayout();
        SetSelectedImage(FSavedSelected);
    }
}

void TIEMultiView::PlayNext() {
    if (FInPlayStep || ComponentState().Contains(csDestroying)) return;
    FInPlayStep = true;
    if (HandleAllocated()) KillTimer(Handle(), 1);
    if (FPlaying) {
        if (FDisplayMode != mdSingle) {
            FDisplayMode = mdSingle;
            UpdateLayout();
        }
        const int32_t N = GetImageCount();
        if (N > 0) {
            FPlayIndex = std::min(FPlayIndex, N - 1);
            const int32_t Shown = FPlayIndex;
            if (HandleAllocated()) {
                Invalidate();
                TIEView::Update();  // paints at once
            }
            if (Shown == N - 1) {
                FPlayIndex = 0;
                CallBitmapChangeCallbacks();
                if (!PlayLoop) {
                    FInPlayStep = false;
                    SetPlaying(false);
                    return;
                }
            } else {
                FPlayIndex = Shown + 1;
            }
            if (HandleAllocated())
                SetTimer(Handle(), 1, static_cast<UINT>(std::max(FImages[Shown]->DelayTime, 10)),
                         /*lpTimerFunc=*/nullptr);
        }
    }
    FInPlayStep = false;
}

TClassInfo& TIEMultiView::StaticClassInfo() {
    static TClassInfo CI("TIEMultiView", &TIEView::StaticClassInfo(), CreateComponentOf<TIEMultiView>, [](TClassInfo& C) {
        using S = TSetter<TIEMultiView>;
        auto Prop = [&C](const char* Name, std::function<void(TIEMultiView&, const TFormValue&, TFormReader&)> Set) {
            C.Define<TIEMultiView>(Name, S(std::move(Set)));
        };
        auto Int = [&Prop](const char* Name, int32_t TIEMultiView::*Field) {
            Prop(Name, [Field](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
                O.*Field = static_cast<int32_t>(R.Int(V));
            });
        };
        auto Bool = [&Prop](const char* Name, bool TIEMultiView::*Field) {
            Prop(Name, [Field](TIEMultiView& O, const TFormValue& V, TFormReader& R) { O.*Field = R.Bool(V); });
        };
        auto Colour = [&Prop](const char* Name, TColor TIEMultiView::*Field) {
            Prop(Name, [Field](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
                O.*Field = ControlProps::ReadColor(R, V);
            });
        };
        Int("ThumbWidth", &TIEMultiView::ThumbWidth);
        Int("ThumbHeight", &TIEMultiView::ThumbHeight);
        Int("HorizBorder", &TIEMultiView::HorizBorder);
        Int("VertBorder", &TIEMultiView::VertBorder);
        Int("SelectionWidth", &TIEMultiView::SelectionWidth);
        Int("GridWidth", &TIEMultiView::GridWidth);
        Int("ThreadPoolSize", &TIEMultiView::ThreadPoolSize);
        Int("TransitionDuration", &TIEMultiView::TransitionDuration);
        Bool("VisibleSelection", &TIEMultiView::VisibleSelection);
        Bool("RemoveCorrupted", &TIEMultiView::RemoveCorrupted);
        Bool("DrawImageBackground", &TIEMultiView::DrawImageBackground);
        Bool("EnableAlphaChannel", &TIEMultiView::EnableAlphaChannel);
        Colour("SelectionColor", &TIEMultiView::SelectionColor);
        Colour("ThumbnailsBackground", &TIEMultiView::ThumbnailsBackground);
        Prop("UpperGap", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetUpperGap(static_cast<int32_t>(R.Int(V)));
        });
        Prop("BottomGap", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetBottomGap(static_cast<int32_t>(R.Int(V)));
        });
        Prop("ImageCacheSize", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetImageCacheSize(static_cast<int32_t>(R.Int(V)));
        });
        Prop("ThumbnailsBorderWidth", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetThumbnailsBorderWidth(static_cast<int32_t>(R.Int(V)));
        });
        Prop("ThumbnailsBorderColor", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetThumbnailsBorderColor(ControlProps::ReadColor(R, V));
        });
        Prop("ThumbnailsInternalBorder", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetThumbnailsInternalBorder(R.Bool(V));
        });
        Prop("ThumbnailsInternalBorderColor", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetThumbnailsInternalBorderColor(ControlProps::ReadColor(R, V));
        });
        Prop("EnableMultiSelect", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetEnableMultiSelect(R.Bool(V));
        });
        Prop("FlatScrollBars", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetFlatScrollBars(R.Bool(V));
        });
        Prop("StoreType", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.StoreType = R.Enum<TIEStoreType>(V, {"ietNormal", "ietThumb"});
        });
        Prop("MouseInteract", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.MouseInteract = R.Set<TIEMMouseInteractItem>(V, {"mmiScroll", "mmiSelect"});
        });
        Prop("KeyInteract", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.KeyInteract = R.Set<TIEMKeyInteractItem>(V, {"mkiMoveSelected"});
        });
        Prop("MultiSelectionOptions", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.MultiSelectionOptions = R.Set<TIEMultiSelectionOption>(V, {"iemoRegion", "iemoSelectOnMouseUp"});
        });
        Prop("DisplayMode", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetDisplayMode(R.Enum<TIEMDisplayMode>(V, {"mdGrid", "mdSingle"}));
        });
        Prop("Style", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetStyle(R.Enum<TIEMStyle>(V, {"iemsFlat", "iemsBox"}));
        });
        Prop("SelectionStyle", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetSelectionStyle(R.Enum<TIESStyle>(V, {"iessAround", "iessBox"}));
        });
        Prop("WallPaperStyle", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetWallPaperStyle(R.Enum<TIEWallPaperStyle>(V, {"iewoNormal", "iewoStretch", "iewoTile"}));
        });
        Prop("BackgroundStyle", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.BackgroundStyle = ReadBackgroundStyle(R, V);
        });
        Prop("ThumbnailsBackgroundStyle", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.ThumbnailsBackgroundStyle = ReadBackgroundStyle(R, V);
        });
        Prop("ScrollBars", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.SetScrollBars(R.Enum<TScrollStyle>(V, {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}));
        });
        Prop("OnViewChange", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.OnViewChange = R.Method<TViewChangeEvent>(V);
        });
        Prop("OnAllDisplayed", [](TIEMultiView& O, const TFormValue& V, TFormReader& R) {
            O.OnAllDisplayed = R.Method<TNotifyEvent>(V);
        });
    });
    return CI;
}

void RegisterMultiView() {
    static bool Done = false;
    if (Done) return;
    Done = true;
    RegisterClass(TIEMultiView::StaticClassInfo());
}
