// Loading for the thumbnail grid: reads on the calling thread, the loader
// thread with its pool of background readers, their completion, cancelling,
// the keep range after a paint, the placeholder and the preset frame pictures.
#include "imaging/views/iemultiview_io.h"

#include <algorithm>
#include <chrono>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/ievirtual.h"
#include "imaging/io/ieformats.h"
#include "imaging/views/iemultiview.h"
#include "platform/rtl/resources.h"
#include "platform/rtl/scope.h"
#include "platform/rtl/sysutils.h"

namespace {

void ApplyReaderSettings(TIEImageIO* R, TIEStoreType Store, int32_t TW, int32_t TH, TColor Background) {
    TIOParamsVals* P = R->Params.get();
    if (Store == ietThumb) {
        // Decoded at the smallest JPEG scale still as large as the cell.
        P->JPEGScale = 0;
        P->Width = TW;
        P->Height = TH;
        const bool Exif = TW <= 200 && TH <= 200;
        P->SetGetExifThumbnail(Exif);
        P->SetRawGetExifThumbnail(Exif);
    } else {
        P->JPEGScale = 1;
    }
    P->EnableAdjustOrientation = false;
    P->TIFFEnableAdjustOrientation = false;
    R->SetBackground(Background);
}

// The source size of a read: a JPEG's full size, whatever scale it was decoded at.
void ReadSourceSize(TIEImageIO* R, int32_t& W, int32_t& H) {
    const bool Jpeg = R->Params->FileType == ioJPEG && R->Params->OriginalWidth > 0;
    W = Jpeg ? R->Params->OriginalWidth : R->Params->Width;
    H = Jpeg ? R->Params->OriginalHeight : R->Params->Height;
}
}  // namespace

std::recursive_mutex& IEMViewLoaderLock() {
    static std::recursive_mutex Lock;
    return Lock;
}

bool IEMultiViewIsImageFile(const std::string& FileName) {
    // The registry is filled on first use as the I/O component does it.
    if (RegisteredFormatCount() == 0) IEIOStartup();
    return IsReadableImageFile(FileName);
}

bool IEMultiViewLoadFrame(TIEBitmap* Target, const char* Name) {
    if (RegisteredFormatCount() == 0) IEIOStartup();
    TResourceData Data;
    if (!FindEmbeddedResource("frames", Name, Data)) return false;
    try {
        TIEImageIO IO(nullptr);
        IO.SetAttachedBitmap(Target);
        IO.LoadFromBuffer(Data.Data, static_cast<int64_t>(Data.Size), ioPNG);
        return !IO.Aborting && Target->Width() > 0;
    } catch (const std::exception&) {
        return false;
    }
}

// ---- Background readers -----------------------------------------------------------

TIEMViewReader::TIEMViewReader(TIEMultiView* View, int32_t Index)
    : TIEImageIO(nullptr), ReadTag(Index), Target(std::make_unique<TIEBitmap>()), FView(View) {
    SetAttachedBitmap(Target.get());
    OnFinishWork = [this](TObject*) { Complete(); };
}

TIEMViewReader::~TIEMViewReader() { WaitThreads(false); }

void TIEMViewReader::Complete() {
    if (!FCompleted.exchange(true)) FView->LoadFinished(this);
}

template <class F>
void TIEMViewReader::OnWorker(F Read) {
    try {
        Read();
    } catch (...) {
        Aborting = true;
    }
    // A read that ended without its finish notification still gives back its slot.
    if (!FCompleted.load()) {
        if (Target->Width() == 0) Aborting = true;
        Complete();
    }
}

void TIEMViewReader::LoadFromFile(const std::string& FileName) {
    if (IsInsideAsyncThreads())
        OnWorker([&] { TIEImageIO::LoadFromFile(FileName); });
    else
        TIEImageIO::LoadFromFile(FileName);
}

void TIEMViewReader::LoadFromFileFormat(const std::string& FileName, TIOFormatCode Format) {
    if (IsInsideAsyncThreads())
        OnWorker([&] { TIEImageIO::LoadFromFileFormat(FileName, Format); });
    else
        TIEImageIO::LoadFromFileFormat(FileName, Format);
}

void TIEStarter::Execute() {
    while (!Terminated()) {
        bool Idle;
        {
            std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
            FView->PurgeRunningLoads();
            FView->PurgeLoadQueue();
            if (!Terminated()) FView->StartReads();
            Idle = FView->FQueue.empty() && FView->FRunning.empty();
        }
        if (Terminated()) break;
        // Woken by a request or a completion; a wake-up given meanwhile is kept.
        FView->WaitForWake(Idle ? -1 : 50);
    }
}

void TIEMultiView::Wake() {
    std::lock_guard<std::mutex> G(FWakeLock);
    FWake = true;
    FWakeCond.notify_all();
}

void TIEMultiView::WaitForWake(int Ms) {
    std::unique_lock<std::mutex> G(FWakeLock);
    auto Woken = [this] { return FWake || FStarter->Terminated(); };
    if (Ms < 0)
        FWakeCond.wait(G, Woken);
    else
        FWakeCond.wait_for(G, std::chrono::milliseconds(Ms), Woken);
    FWake = false;
}

void TIEMultiView::StopLoader() {
    if (!FStarter) return;
    FStarter->Terminate();
    Wake();
    FStarter->WaitFor();
    FStarter.reset();
}

void TIEMultiView::StartReads() {
    while (!FQueue.empty() && static_cast<int32_t>(FRunning.size()) < ThreadPoolSize) {
        const int32_t Index = FQueue.front();
        FQueue.pop_front();
        if (Index < 0 || Index >= GetImageCount()) continue;
        TImage& Img = *FImages[Index];
        auto R = std::make_unique<TIEMViewReader>(this, Index);
        ApplyReaderSettings(R.get(), StoreType, ThumbWidth, ThumbHeight, Img.Background);
        R->Thumb = StoreType == ietThumb;
        R->ThumbWidth = ThumbWidth;
        R->ThumbHeight = ThumbHeight;
        R->AsyncMode = true;
        TIEMViewReader* P = R.get();
        FRunning.push_back(std::move(R));
        FPeakRunning = std::max(FPeakRunning, static_cast<int32_t>(FRunning.size()));
        try {
            P->LoadFromFileAuto(Img.FileName);
        } catch (...) {
            // Failed before a worker took it (the file could not be opened to detect it).
            P->Aborting = true;
            P->Complete();
        }
    }
}

void TIEMultiView::LoadFinished(TIEMViewReader* Reader) {
    if (FGone || !Reader->Target) {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        Reader->ReadTag = -1;
        Wake();
        return;
    }
    const bool Failed = Reader->Aborting;
    // Scaled outside the lock, like every format on the calling-thread path.
    std::unique_ptr<TIEBitmap> Thumb;
    TIEBitmap* Result = Reader->Target.get();
    if (!Failed && Reader->Thumb) {
        const int32_t BW = Result->Width(), BH = Result->Height();
        int32_t TW = Reader->ThumbWidth, TH = Reader->ThumbHeight;
        if (BW > 0 && BH > 0) ScaleToFit(BW, BH, Reader->ThumbWidth, Reader->ThumbHeight, TW, TH);
        if (BW != TW || BH != TH) {
            Thumb = IEMakeThumbnail(Result, TW, TH, /*FillTransparent=*/false);
            Result = Thumb.get();
        }
    }
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        const int32_t Index = Reader->ReadTag;
        // A cancelled read (tag -2) only gives back its slot. An image stored meanwhile
        // (read at once on the GUI thread) keeps what it has, with any bitmap it lent.
        if (Index >= 0 && Index < GetImageCount() && !FImages[Index]->Image) {
            TImage& Img = *FImages[Index];
            if (Failed) {
                Img.Wrong = true;  // the placeholder is drawn on the GUI thread
            } else {
                int32_t SW, SH;
                ReadSourceSize(Reader, SW, SH);
                if (FMIO) KeepParams(Index, Reader);  // made on the GUI thread only
                Img.Background = Reader->GetBackground();
                StoreBitmap(Index, Result, /*FillTransparent=*/false, SW, SH);
            }
        }
        Reader->ReadTag = -1;
        Wake();
    }
    if (HWND W = FLoadWindow.load()) PostMessageW(W, IEM_LOADED, 0, 0);
}

void TIEMultiView::PurgeRunningLoads() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    for (auto It = FRunning.begin(); It != FRunning.end();) {
        TIEMViewReader* R = It->get();
        if (R->ReadTag == -1) {
            It = FRunning.erase(It);  // its worker is past its last use of the lock
            continue;
        }
        if (R->ReadTag >= 0 && !IsImageVisible(R->ReadTag) && !IsLookAheadImage(R->ReadTag)) {
            R->ReadTag = -2;
            R->Aborting = true;
        }
        ++It;
    }
}

void TIEMultiView::PurgeLoadQueue() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    FQueue.erase(std::remove_if(FQueue.begin(), FQueue.end(),
                                [this](int32_t I) { return !IsImageVisible(I) && !IsLookAheadImage(I); }),
                 FQueue.end());
}

void TIEMultiView::ShiftReaderTags(int32_t Index, int32_t Delta) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    for (auto& R : FRunning) {
        if (R->ReadTag < 0) continue;
        if (Delta < 0 && R->ReadTag == Index) {
            R->ReadTag = -2;  // its image is gone
            R->Aborting = true;
        } else if (R->ReadTag >= Index + (Delta < 0 ? 1 : 0)) {
            R->ReadTag += Delta;
        }
    }
}

bool TIEMultiView::RequestLoad(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (Index < 0 || Index >= GetImageCount()) return false;
    const TImage& Img = *FImages[Index];
    if (Img.FileName.find("::") != std::string::npos) return false;
    bool Result = true;
    if (!Img.Image) {
        PurgeLoadQueue();
        const bool Held = std::find(FQueue.begin(), FQueue.end(), Index) != FQueue.end() ||
                          std::any_of(FRunning.begin(), FRunning.end(),
                                      [Index](const auto& R) { return R->ReadTag == Index; });
        if (!Held) {
            PurgeRunningLoads();
            if (Img.FileName.empty())
                Result = false;
            else
                FQueue.push_back(Index);
        }
    }
    Wake();
    return Result;
}

void TIEMultiView::CancelLoads() {
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        FLookAhead.clear();
        FQueue.clear();
        for (auto& R : FRunning)
            if (R->ReadTag >= 0) {
                R->ReadTag = -2;
                R->Aborting = true;
            }
    }
    // Outside the lock, so that the completions can end; a cancelled read that is still
    // running after that touches no image, only its slot.
    for (int K = 0; K < 100; ++K) {
        {
            std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
            if (std::all_of(FRunning.begin(), FRunning.end(), [](const auto& R) { return R->ReadTag == -1; }))
                return;
        }
        std::unique_lock<std::mutex> W(FWakeLock);
        FWakeCond.wait_for(W, std::chrono::milliseconds(10), [this] { return FWake; });
    }
}

int32_t TIEMultiView::QueuedLoadCount() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    return static_cast<int32_t>(FQueue.size());
}

int32_t TIEMultiView::RunningLoadCount() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    return static_cast<int32_t>(FRunning.size());
}

int32_t TIEMultiView::TakePeakRunningLoads() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    const int32_t P = FPeakRunning;
    FPeakRunning = static_cast<int32_t>(FRunning.size());
    return P;
}

bool TIEMultiView::IsImageVisible(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (Index < 0 || Index >= GetImageCount()) return false;
    const TImage& Img = *FImages[Index];
    const int32_t L = Img.X - FViewX, T = Img.Y - FViewY;
    return L <= FLoadW - 1 && T <= FLoadH - 1 && L + ThumbWidth - 1 >= 0 && T + ThumbHeight - 1 >= 0;
}

bool TIEMultiView::IsLookAheadImage(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    return std::find(FLookAhead.begin(), FLookAhead.end(), Index) != FLookAhead.end();
}

bool TIEMultiView::CanReloadImage(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    return Index >= 0 && Index < GetImageCount() && !FImages[Index]->FileName.empty();
}

void TIEMultiView::KeepLoaded(int32_t First, int32_t Last) {
    if (KeepRange < 0) return;
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    for (int32_t I = 0; I < GetImageCount(); ++I) {
        if (I >= First - KeepRange && I <= Last + KeepRange) continue;
        TImage& Img = *FImages[I];
        // A lent bitmap (the selection's among them) keeps its image.
        if (Img.Image && !Img.Image->Lent && CanReloadImage(I)) DropStored(Img);
    }
}

bool TIEMultiView::LoadForPaint(int32_t Index) {
    bool Now;
    {
        std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
        TImage& Img = *FImages[Index];
        if (Img.Wrong) {
            // A background read failed: its placeholder, made here on the GUI thread.
            TIEBitmap Placeholder;
            DoWrongImage(&Placeholder, Index);
            if (Index < GetImageCount() && FImages[Index].get() == &Img) {
                StoreBitmap(Index, &Placeholder, /*FillTransparent=*/true, Placeholder.Width(), Placeholder.Height());
                return true;
            }
            return false;
        }
        Now = Index == FSelected || ThreadPoolSize == 0 || !RequestLoad(Index);
    }
    if (Now && !LoadImageNow(Index) && RemoveCorrupted) {
        DeleteImage(Index);
        return false;
    }
    return true;
}

bool TIEMultiView::LoadImageNow(int32_t Index) {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    if (Index < 0 || Index >= GetImageCount()) return false;
    TImage& Img = *FImages[Index];
    if (Img.FileName.empty()) return true;
    int32_t Frame = 0;
    const bool IsFrame = Img.FileName.find("::") != std::string::npos;
    TIEImageIO* R = IsFrame ? GetFrameReader(Img.FileName, Frame) : FIO.get();
    TIEBitmap Target;
    R->SetAttachedBitmap(&Target);
    rtl::TScopeExit Detach([&] { R->SetAttachedBitmap(nullptr); });
    ApplyReaderSettings(R, StoreType, ThumbWidth, ThumbHeight, Img.Background);
    if (FMIO) R->AutoAdjustDPI = FMIO->AutoAdjustDPI;
    R->OnProgress = OnIOProgress;
    R->Aborting = false;
    try {
        if (IsFrame)
            Img.DelayTime = LoadFrame(R, Frame);
        else
            R->LoadFromFileAuto(Img.FileName);
    } catch (...) {
        R->Aborting = true;
    }
    const bool Ok = !R->Aborting && Target.Width() > 0;
    int32_t SW, SH;
    ReadSourceSize(R, SW, SH);
    if (!Ok) {
        DoWrongImage(&Target, Index);
        SW = Target.Width();
        SH = Target.Height();
    }
    KeepParams(Index, R);
    Img.Background = R->GetBackground();
    if (Index == FSelected) ForgetLent();
    StoreBitmap(Index, &Target, /*FillTransparent=*/true, SW, SH);
    return Ok;
}

TIEImageIO* TIEMultiView::GetFrameReader(const std::string& Name, int32_t& Frame) {
    const size_t At = Name.find("::");
    const std::string File = Name.substr(0, At);
    Frame = StrToIntDef(Name.substr(At + 2), 0);
    for (auto& R : FFrameReaders)
        if (R->Params->FileName == File) return R.get();
    FFrameReaders.push_back(std::make_unique<TIEImageIO>(this));
    FFrameReaders.back()->Params->FileName = File;
    return FFrameReaders.back().get();
}

int32_t TIEMultiView::LoadFrame(TIEImageIO* Reader, int32_t Frame) {
    const std::string File = Reader->Params->FileName;
    TIEFileFormatEntry* E = FindFormatByExtension(LowerCase(ExtractFileExt(File)));
    if (E && E->FileType != 0 && E->FileType != ioAVI && E->FileType != 22 && E->FileType != 23) {
        Reader->Params->SetImageIndex(Frame);
        Reader->LoadFromFileAuto(File);
        Reader->Params->FileName = File;  // the kept reader is found by it
        return E->FileType == ioGIF ? Reader->Params->GIFDelayTime * 10 : 0;
    }
    // Any other file is a video.
    if (!Reader->IsVideoFileOpen()) Reader->OpenVideoFile(File);
    Reader->LoadVideoFrame(Frame);
    Reader->Params->FileName = File;
    return Reader->Params->MediaFileFrameDelay * 10;
}

void TIEMultiView::FreeFrameReaders() {
    std::lock_guard<std::recursive_mutex> G(IEMViewLoaderLock());
    FFrameReaders.clear();
}

void TIEMultiView::DoWrongImage(TIEBitmap* Bitmap, int32_t Index) {
    if (OnWrongImage) {
        Bitmap->Allocate(ThumbWidth, ThumbHeight, ieRGB24);
        bool Handled = false;
        OnWrongImage(this, Bitmap, Index, Handled);
        if (Handled) return;
    }
    // White with a blue question mark over its grey shadow.
    TBitmap B(std::max(ThumbWidth, 1), std::max(ThumbHeight, 1), pf24bit);
    TCanvas& C = B.Canvas();
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(clWhite);
    C.FillRect(TRect(0, 0, B.Width(), B.Height()));
    C.Font().SetName("Arial");
    C.Font().SetStyle(TFontStyles{fsBold});
    C.Font().SetSize(ThumbHeight);
    const int W = C.TextWidth("?"), H = C.TextHeight("?");
    C.Brush().SetStyle(bsClear);
    C.Font().SetColor(static_cast<TColor>(0x808080));
    C.TextOut((ThumbWidth - W) / 2 + 3, (ThumbHeight - H) / 2 + 3, "?");
    C.Font().SetColor(static_cast<TColor>(0xFF0000));
    C.TextOut((ThumbWidth - W) / 2, (ThumbHeight - H) / 2, "?");
    Bitmap->CopyFromTBitmap(&B);
}
