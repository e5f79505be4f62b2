#include "imaging/io/ieimageio.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/iebmp.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iegif.h"
#include "imaging/io/ieico.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/ieiothread.h"
#include "imaging/io/iej2000.h"
#include "imaging/io/iejpeg.h"
#include "imaging/io/iepcx.h"
#include "imaging/io/iepdfwriter.h"
#include "imaging/io/iepnm.h"
#include "imaging/io/iepostscript.h"
#include "imaging/io/ierawcamera.h"
#include "imaging/io/ietga.h"
#include "imaging/io/ierawpixels.h"
#include "imaging/io/iepng.h"
#include "imaging/io/ietiff.h"
#include "imaging/processing/resample.h"
#include "platform/classlib/extctrls.h"
#include "platform/rtl/sysutils.h"
#include "platform/system/process.h"
#include "platform/win/winuser.h"
#include "platform/rtl/scope.h"

using namespace ieio;

namespace {

TColor TRGBToColor(TRGB c) { return static_cast<TColor>(c.r | (c.g << 8) | (c.b << 16)); }
TRGB ColorToTRGB(TColor c) {
    const auto v = static_cast<uint32_t>(c);
    return TRGB{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

// Formats this component reads and writes itself.
bool HasBuiltinSave(TIOFormatCode f) {
    switch (f) {
        case ioGIF: case ioJPEG: case ioBMP: case ioPNG: case ioTIFF: case ioPXM: case ioWBMP: case ioPCX: case ioDCX: case ioTGA: case ioICO: case ioJP2: case ioJ2K: case ioPS: case ioPDF:
            return true;
        default:
            return false;
    }
}

// Formats whose loads tell an attached view the resolution.
bool LoadSetsViewDpi(TIOFormatCode f) { return f != ioWBMP && f != ioPXM; }

TIOFormatCode SaveFormatByExtension(const std::string& FileName) {
    std::string e = LowerCase(ExtractFileExt(FileName));
    static const struct {
        const char* ext;
        TIOFormatCode code;
    } table[] = {
        {".jpg", ioJPEG}, {".jpeg", ioJPEG}, {".jpe", ioJPEG}, {".jif", ioJPEG}, {".jp2", ioJP2},
        {".j2k", ioJ2K},  {".jpc", ioJ2K},   {".j2c", ioJ2K},  {".pcx", ioPCX},  {".dcx", ioDCX},
        {".gif", ioGIF},  {".tif", ioTIFF},  {".tiff", ioTIFF}, {".fax", ioTIFF}, {".g3f", ioTIFF},
        {".g3n", ioTIFF}, {".png", ioPNG},   {".bmp", ioBMP},  {".dib", ioBMP},  {".rle", ioBMP},
        {".tga", ioTGA},  {".targa", ioTGA}, {".vda", ioTGA},  {".icb", ioTGA},  {".vst", ioTGA},
        {".win", ioTGA},  {".pxm", ioPXM},   {".pbm", ioPXM},  {".pgm", ioPXM},  {".ppm", ioPXM},
        {".ico", ioICO},  {".wbmp", ioWBMP}, {".ps", ioPS},    {".eps", ioPS},   {".pdf", ioPDF},
    };
    for (const auto& t : table)
        if (e == t.ext) return t.code;
    return 0;
}

}  // namespace

TIEImageIO::TIEImageIO(TComponent* AOwner) : TComponent(AOwner) {
    FOwnBitmap = std::make_unique<TIEBitmap>();
    FIEBitmap = FOwnBitmap.get();
    FIEBitmapOwned = true;
    Params = std::make_unique<TIOParamsVals>(this);
    TWainParams = std::make_unique<TIETWainParams>(this, false);
}

TIEImageIO::~TIEImageIO() {
    WaitThreads(false);
    CloseVideoFile();
    CloseAVIFile();
    FDShow.reset();
    RemoveViewCallback();
}

// ---- Attachment ------------------------------------------------------------------------

void TIEImageIO::RemoveViewCallback() {
    if (FAttachedView && FViewCallback >= 0) FAttachedView->RemoveBitmapChangeCallback(FViewCallback);
    FViewCallback = -1;
}

void TIEImageIO::NewOwnTarget() {
    FOwnBitmap = std::make_unique<TIEBitmap>();
    FIEBitmap = FOwnBitmap.get();
    FIEBitmapOwned = true;
    FIEBitmap->BWConversion = BWConversion;
}

void TIEImageIO::ForgetTImage() {
    if (FAttachedTImage) FAttachedTImage->RemoveFreeNotification(this);
    FAttachedTImage = nullptr;
}

void TIEImageIO::ReadViewBitmaps() {
    // The view's TIEBitmap first: asking for its TBitmap would move its pixels there.
    if (TIEBitmap* ie = FAttachedView->GetIEBitmap()) {
        FBitmap = nullptr;
        FOwnBitmap.reset();
        FIEBitmapOwned = false;
        FIEBitmap = ie;
        return;
    }
    FBitmap = FAttachedView->GetBitmap();
    if (!FIEBitmapOwned || !FOwnBitmap) NewOwnTarget();
    if (FBitmap)
        FIEBitmap->WrapTBitmap(FBitmap, /*Reread=*/true);
    else
        FIEBitmap->FreeImage(true);
}

void TIEImageIO::SetAttachedIEView(TIEAttachedView* View) {
    RemoveViewCallback();
    FAttachedView = View;
    if (!View) {
        FBitmap = nullptr;
        NewOwnTarget();
        return;
    }
    FOwnBitmap.reset();
    FIEBitmapOwned = false;
    FIEBitmap = nullptr;
    ReadViewBitmaps();
    ForgetTImage();
    FViewCallback = View->AddBitmapChangeCallback([this](bool Destroying) { ViewBitmapChanged(Destroying); }, this);
}

void TIEImageIO::ViewBitmapChanged(bool Destroying) {
    if (!FAttachedView) return;
    if (Destroying) {
        // The view's bitmaps go with it: the component falls back to a target of its own
        // rather than keep pointers into a dead view.
        FAttachedView = nullptr;
        FViewCallback = -1;
        FBitmap = nullptr;
        NewOwnTarget();
        return;
    }
    ReadViewBitmaps();
    Params->SetDpiX(FAttachedView->DpiX());
    Params->SetDpiY(FAttachedView->DpiY());
}

void TIEImageIO::SetAttachedTImage(TImage* Image) {
    RemoveViewCallback();
    if (Image) {
        FAttachedView = nullptr;
        if (FAttachedTImage != Image) ForgetTImage();
        FBitmap = &Image->Picture().Bitmap();
        if (!FIEBitmapOwned || !FOwnBitmap) NewOwnTarget();
        FIEBitmap->WrapTBitmap(FBitmap, /*Reread=*/true);
        FAttachedTImage = Image;
        Image->FreeNotification(this);
        return;
    }
    ForgetTImage();
    // The picture's bitmap is not the component's: the wrapper only lets go of it.
    FBitmap = nullptr;
    if (FIEBitmapOwned && FOwnBitmap) FOwnBitmap->FreeImage(true);
}

void TIEImageIO::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent != nullptr && AComponent == static_cast<TComponent*>(FAttachedTImage)) {
        FAttachedTImage = nullptr;  // it is going: no free notification to remove
        FBitmap = nullptr;
        if (FIEBitmapOwned && FOwnBitmap) FOwnBitmap->FreeImage(true);
    }
}

void TIEImageIO::SetTargetBitmap(TIEBitmap* Bitmap) {
    FBitmap = nullptr;
    FOwnBitmap.reset();
    FIEBitmapOwned = false;
    FIEBitmap = Bitmap;
}

void TIEImageIO::SetAttachedBitmap(TIEBitmap* Bitmap) {
    // Checked before the view's callback goes: a view that stays attached keeps it.
    if (!Bitmap && (FAttachedView || FAttachedTImage)) return;
    RemoveViewCallback();
    SetTargetBitmap(Bitmap);
    if (Bitmap) {
        FAttachedView = nullptr;
        ForgetTImage();
    }
}

TBitmap* TIEImageIO::GetBitmap() {
    if (FIEBitmap && FIEBitmap->Location() == ieTBitmap) return FIEBitmap->GetWndBitmap();
    return FBitmap;
}

TColor TIEImageIO::GetBackground() const { return FAttachedView ? FAttachedView->Background() : FBackground; }

void TIEImageIO::SetBackground(TColor Value) {
    if (!FAttachedView)
        FBackground = Value;
    else if (ChangeBackground && !FAttachedView->IsThumbnailView())
        FAttachedView->SetBackground(Value);
}

// ---- Asynchronous mode ----------------------------------------------------------------

thread_local int TIEImageIO::FSyncDepth = 0;

void TIEImageIO::AddAsyncThread(TIEIOThread* T) {
    std::lock_guard<std::mutex> g(FAsyncLock);
    FAsyncThreads.push_back({T, 0});
}

void TIEImageIO::SetAsyncThreadId(TIEIOThread* T, DWORD Id) {
    std::lock_guard<std::mutex> g(FAsyncLock);
    for (TAsyncEntry& e : FAsyncThreads)
        if (e.Thread == T) e.Id = Id;
}

void TIEImageIO::RemoveAsyncThread(TIEIOThread* T) {
    std::lock_guard<std::mutex> g(FAsyncLock);
    FAsyncThreads.erase(std::remove_if(FAsyncThreads.begin(), FAsyncThreads.end(),
                                       [T](const TAsyncEntry& e) { return e.Thread == T; }),
                        FAsyncThreads.end());
    FAsyncEnded.notify_all();
}

bool TIEImageIO::IsInsideAsyncThreads() {
    const DWORD me = GetCurrentThreadId();
    std::lock_guard<std::mutex> g(FAsyncLock);
    return std::any_of(FAsyncThreads.begin(), FAsyncThreads.end(), [me](const TAsyncEntry& e) { return e.Id == me; });
}

void TIEImageIO::WaitThreads(bool SetAborting) {
    std::unique_lock<std::mutex> g(FAsyncLock);
    if (SetAborting) Aborting = true;
    FAsyncEnded.wait(g, [this] { return FAsyncThreads.empty(); });
}

bool TIEImageIO::AsyncApplies() {
    return AsyncMode && !FIEBitmapOwned && FSyncDepth == 0 && !IsInsideAsyncThreads();
}

bool TIEImageIO::StartAsyncURL(const std::string& URL) {
    if (!AsyncApplies()) return false;
    new TIEIOThread(TIEIOThread::URLTag{}, this, &TIEImageIO::LoadFromURL, URL);
    return true;
}

void TIEImageIO::TellViewDpi() {
    if (!FAttachedView) return;
    if (IsInsideAsyncThreads()) {
        FPendingDpiX = Params->DpiX;
        FPendingDpiY = Params->DpiY;
    } else {
        FAttachedView->SetDpi(Params->DpiX, Params->DpiY);
    }
}

void TIEImageIO::SetBWConversion(TIEBWConversion Value) {
    BWConversion = Value;
    if (FIEBitmap) FIEBitmap->BWConversion = Value;
}

TIEProgressRecord TIEImageIO::MakeProgress(bool Silent) {
    TIEProgressRecord p;
    if (!Silent) p.OnProgress = [this](TObject* Sender, int Percent) { DoProgress(Sender, Percent); };
    p.Sender = this;
    p.Aborting = &Aborting;
    return p;
}

void TIEImageIO::CallAcquireBitmap(TIEBitmap* ABitmap, bool& Handled) {
    if (OnAcquireBitmap) OnAcquireBitmap(this, ABitmap, Handled);
}

void TIEImageIO::DoAcquireBitmap(TIEBitmap* ABitmap, TIOParamsVals*& AParams) {
    if (!ABitmap || !MakeConsistentBitmap()) return;
    bool handled = false;
    CallAcquireBitmap(ABitmap, handled);
    if (handled) return;
    AParams = Params.get();
    FIEBitmap->Assign(ABitmap);
    if (AutoAdjustDPI) AdjustDPI();
    Update();
}

TIEWia* TIEImageIO::GetWIA() {
    if (!FWia) FWia = std::make_unique<TIEWia>(this);
    return FWia.get();
}

void TIEImageIO::DoProgress(TObject* Sender, int Percent) {
    if (!OnProgress) return;
    if (FAttachedView && IsInsideAsyncThreads()) {
        if (HWND w = FAttachedView->IOWindow()) {
            PostMessageW(w, IEIO_PROGRESS, static_cast<WPARAM>(Percent), 0);
            return;
        }
    }
    OnProgress(Sender, Percent);
}

void TIEImageIO::DoFinishWork() {
    DoProgress(this, 100);
    if (!OnFinishWork) return;
    if (FAttachedView && IsInsideAsyncThreads()) {
        if (HWND w = FAttachedView->IOWindow()) {
            PostMessageW(w, IEIO_FINWORK, 0, 0);
            return;
        }
    }
    OnFinishWork(this);
}

bool TIEImageIO::MakeConsistentBitmap(std::initializer_list<TIEPixelFormat> Allowed) {
    if (FIEBitmap == nullptr) return false;
    // The windowing bitmap may have been resized or redrawn outside.
    if (FBitmap) FIEBitmap->WrapTBitmap(FBitmap, /*Reread=*/false);
    if (Allowed.size() == 0) return true;
    return std::find(Allowed.begin(), Allowed.end(), FIEBitmap->PixelFormat()) != Allowed.end();
}

TIEPreviewsDialogFunc IEPreviewsDialog = nullptr;

void TIEImageIO::SetPreviewFont(TFont* Value) {
    if (Value) FPreviewFont->Assign(*Value);
}

bool TIEImageIO::DoPreviews(uint16_t Pages) {
    bool Handled = false;
    if (OnDoPreviews) OnDoPreviews(this, Handled);
    if (Handled) return true;
    bool Result = false;
    if (MakeConsistentBitmap()) {
        if (FIEBitmap->PixelFormat() != ie1g && FIEBitmap->PixelFormat() != ieRGB24)
            FIEBitmap->SetPixelFormat(ieRGB24);
        // Without the views' start-up no dialog can be shown.
        if (IEPreviewsDialog) Result = IEPreviewsDialog(this, Pages);
    }
    Update();
    return Result;
}

void TIEImageIO::Update() {
    // A windowing-library bitmap holds no alpha channel.
    if (FBitmap && FIEBitmap) FIEBitmap->RemoveAlphaChannel();
    if (FAttachedView) {
        if (!IsInsideAsyncThreads()) {
            FAttachedView->Update();
            FAttachedView->ImageChange();
        } else {
            // A worker touches no view: the view's own thread takes the resolution,
            // ImageChange and the repaint from the message.
            if (HWND w = FAttachedView->IOWindow())
                PostMessageW(w, IEIO_UPDATE, static_cast<WPARAM>(std::max(0, FPendingDpiX)),
                             static_cast<LPARAM>(std::max(0, FPendingDpiY)));
            FPendingDpiX = FPendingDpiY = 0;
        }
    } else if (FBitmap && FAttachedTImage) {
        // The picture changed under the TImage: it repaints (and sizes itself) as after a load.
        TPicture& p = FAttachedTImage->Picture();
        if (p.OnChange) p.OnChange(&p);
    }
}

void TIEImageIO::ApplyDefaultDpi() {
    if (Params->DpiX < 2) Params->SetDpiX(DefaultDpiX);
    if (Params->DpiY < 2) Params->SetDpiY(DefaultDpiY);
}

void TIEImageIO::AdjustDPI() {
    TIEBitmap* b = FIEBitmap;
    if (!b || b->IsEmpty()) return;
    const int32_t dx = Params->DpiX, dy = Params->DpiY;
    if (dx == dy || dx <= 0 || dy <= 0) return;
    int32_t w = b->Width(), h = b->Height();
    if (h < w) {
        h = static_cast<int32_t>(Trunc(static_cast<double>(h) / dy * dx));
        Params->DpiY = dx;
    } else {
        w = static_cast<int32_t>(Trunc(static_cast<double>(w) / dx * dy));
        Params->DpiX = dy;
    }
    if (w < 1 || h < 1) return;
    std::unique_ptr<TIEBitmap> alpha;
    if (b->HasAlphaChannel()) {
        alpha = std::make_unique<TIEBitmap>();
        alpha->Assign(b->AlphaChannel());
        b->RemoveAlphaChannel();
    }
    TIEBitmap out;
    if (FilteredAdjustDPI) {
        if (b->PixelFormat() != ieRGB24) b->ConvertTo(ieRGB24);
        out.Allocate(w, h, ieRGB24);
        ResampleRGB24(b, &out, rfFastLinear);
    } else {
        out.Allocate(w, h, b->PixelFormat());
        ResampleNearest(b, &out);
    }
    b->AssignImage(&out);
    if (alpha) {
        TIEBitmap a;
        a.Allocate(w, h, ie8g);
        ResampleNearest(alpha.get(), &a);
        b->AlphaChannel()->AssignImage(&a);
        b->AlphaChannel()->Full = false;
    }
}

void TIEImageIO::PrepareLoad() {
    Params->ResetInfo();
    FIEBitmap->RemoveAlphaChannel();
}

void TIEImageIO::TakeMask(std::unique_ptr<TIEMask>& Mask) {
    if (!Mask) return;
    FIEBitmap->AlphaChannel()->CopyFromTIEMask(Mask.get());
    Mask.reset();
}

void TIEImageIO::AfterLoad(TIOFormatCode Format) {
    ApplyDefaultDpi();
    if (AutoAdjustDPI) AdjustDPI();
    Params->FileType = Format;
    if (Format != ioGIF) TellViewDpi();
    Update();
}

// ---- Stream bodies ---------------------------------------------------------------------

void TIEImageIO::LoadStreamBody(TIOFormatCode Format, TStream& S) {
    if (!MakeConsistentBitmap()) {
        Aborting = true;
        return;
    }
    try {
        LoadStreamFilter(Format, S);
    } catch (const std::bad_alloc&) {
        // A size from the file that memory cannot hold is bad data, not a program error.
        Aborting = true;
    } catch (const std::length_error&) {
        Aborting = true;
    }
}

void TIEImageIO::LoadStreamFilter(TIOFormatCode Format, TStream& S) {
    TIEProgressRecord pr = MakeProgress();
    switch (Format) {
        case ioBMP: {
            PrepareLoad();
            std::unique_ptr<TIEMask> mask;
            ReadBMPStream(S, FIEBitmap, 0, *Params, pr, /*Preview=*/false, /*MissingFileHeader=*/false, mask,
                          /*IgnoreAlpha=*/false);
            TakeMask(mask);
            AfterLoad(ioBMP);
            break;
        }
        case ioPNG: {
            PrepareLoad();
            ReadPNGStream(S, FIEBitmap, *Params, /*Preview=*/false, pr);
            AfterLoad(ioPNG);
            SetBackground(TRGBToColor(Params->PNGBackground));
            break;
        }
        case ioJPEG: {
            PrepareLoad();
            const int64_t hs = S.Position();
            uint8_t hdr[12] = {};
            int64_t n = S.Read(hdr, 12);
            if (n == 12 && StreamHeaderSignature(hdr) == "JFIF") {
                const int64_t len = static_cast<int32_t>(LE32(hdr + 8));
                ReadJPEGStream(S, /*TablesStream=*/nullptr, FIEBitmap, /*UseColorManagement=*/true,
                               /*InvertCMYK=*/false, /*ReadMetadata=*/true, /*KeepYCbCr=*/false, /*Preview=*/false, pr,
                               *Params);
                S.Seek(hs + 12 + len, soBeginning);
            } else {
                S.Seek(hs, soBeginning);
                ReadJPEGStream(S, /*TablesStream=*/nullptr, FIEBitmap, /*UseColorManagement=*/true,
                               /*InvertCMYK=*/false, /*ReadMetadata=*/true, /*KeepYCbCr=*/false, /*Preview=*/false, pr,
                               *Params);
            }
            AfterLoad(ioJPEG);
            break;
        }
        case ioTIFF: {
            PrepareLoad();
            const int64_t hs = S.Position();
            int64_t after = -1;
            bool base = true;
            if (StreamHeaders) {
                uint8_t hdr[12] = {};
                if (S.Read(hdr, 12) != 12 || StreamHeaderSignature(hdr) != "TIFF") {
                    Aborting = true;
                    break;
                }
                after = hs + 12 + static_cast<int32_t>(LE32(hdr + 8));
            }
            // Offsets count from where the image starts (inside a stream header too).
            std::unique_ptr<TIEMask> mask;
            int32_t count = 0;
            ReadTIFFStream(FIEBitmap, S, count, /*ThumbnailMode=*/false, /*NoAlpha=*/false, base, mask,
                           /*Preview=*/false, pr, *Params);
            TakeMask(mask);
            if (after >= 0) S.Seek(after, soBeginning);
            AfterLoad(ioTIFF);
            break;
        }
        case ioPCX: {
            PrepareLoad();
            const int64_t hs = S.Position();
            int64_t size = S.Size() - hs, after = -1;
            if (StreamHeaders) {
                uint8_t hdr[12] = {};
                const int64_t got = S.Read(hdr, 12);
                const std::string sig = StreamHeaderSignature(hdr);
                if (got < 4 || sig.compare(0, 3, "PCX") != 0) {
                    Aborting = true;
                    break;
                }
                if (sig == "PCX2" && got == 12) {
                    size = static_cast<int32_t>(LE32(hdr + 8));
                    after = hs + 12 + size;
                } else {
                    // The older header is four bytes; the picture runs to the end.
                    S.Seek(hs + 4, soBeginning);
                    size = S.Size() - hs - 4;
                }
            }
            ReadPCXStream(S, FIEBitmap, *Params, size, pr, /*Preview=*/false);
            if (after >= 0) S.Seek(after, soBeginning);
            AfterLoad(ioPCX);
            break;
        }
        case ioRAW:
            PrepareLoad();
            ReadRawCameraStream(S, FIEBitmap, *Params, /*Preview=*/false, pr);
            AfterLoad(ioRAW);
            break;
        case ioJP2:
        case ioJ2K:
            PrepareLoad();
            ReadJ2000Stream(S, FIEBitmap, *Params, /*Preview=*/false, pr);
            AfterLoad(Format);
            break;
        case ioICO:
        case ioCUR: {
            PrepareLoad();
            std::unique_ptr<TIEMask> mask;
            if (Format == ioICO)
                ReadICOStream(S, FIEBitmap, *Params, /*Preview=*/false, pr, mask, /*IgnoreAlpha=*/false);
            else
                ReadCURStream(S, FIEBitmap, *Params, /*Preview=*/false, pr, mask, /*IgnoreAlpha=*/false);
            TakeMask(mask);
            AfterLoad(Format);
            break;
        }
        case ioTGA: {
            PrepareLoad();
            std::unique_ptr<TIEMask> mask;
            ReadTGAStream(S, FIEBitmap, *Params, pr, /*Preview=*/false, mask, /*IgnoreAlpha=*/false);
            TakeMask(mask);
            AfterLoad(ioTGA);
            break;
        }
        case ioDCX:
            PrepareLoad();
            ReadDCXStream(S, FIEBitmap, *Params, /*Preview=*/false, pr);
            AfterLoad(ioDCX);
            break;
        case ioBMPRAW: {
            // The caller's allocation is the layout: only the metadata goes.
            Params->ResetInfo();
            FIEBitmap->RemoveAlphaChannel();
            ReadRawPixelStream(S, FIEBitmap, *Params, pr);
            Params->FileType = ioBMPRAW;
            Update();
            break;
        }
        case ioPXM:
        case ioWBMP: {
            PrepareLoad();
            if (Format == ioPXM)
                ReadPNMStream(S, FIEBitmap, *Params, /*Preview=*/false, pr);
            else
                ReadWBMPStream(S, FIEBitmap, *Params, /*Preview=*/false, pr);
            ApplyDefaultDpi();
            if (AutoAdjustDPI && Format != ioWBMP) AdjustDPI();
            Params->FileType = Format;
            if (LoadSetsViewDpi(Format)) TellViewDpi();
            Update();
            break;
        }
        default:
            Aborting = true;
            break;
    }
}

int32_t TIEImageIO::LoadFromStreamGIF(TStream& S) {
    if (StartAsync(&TIEImageIO::LoadFromStreamGIF, S)) return -1;
    Aborting = false;
    int32_t count = 0;
    rtl::TScopeExit FinishWork([&] { DoFinishWork(); });
    try {
        if (!MakeConsistentBitmap()) {
            Aborting = true;
            return 0;
        }
        PrepareLoad();
        const int64_t P = S.Position();
        const int32_t N = Params->GIFImageIndex;
        TIEBitmap comp;
        comp.SetLocation(ieMemory);
        int D = 0;
        int32_t px = 0, py = 0, pw = 0, ph = 0;
        std::unique_ptr<TIEBitmap> saved;  // the composition before a "restore to previous" frame
        TIEProgressRecord real = MakeProgress(), silent = MakeProgress(true);
        for (int32_t i = 0;; ++i) {
            S.Seek(P, soBeginning);
            Params->SetImageIndex(i);
            TIEBitmap F;
            F.SetLocation(ieMemory);
            std::unique_ptr<TIEMask> mask;
            ReadGIFStream(S, &F, count, /*NoAlpha=*/false, mask, /*Preview=*/false, N < 1 ? real : silent, *Params);
            const TIEPixelFormat fpf = F.PixelFormat();
            ApplyDefaultDpi();
            int32_t sw = std::max(Params->GIFWinWidth, F.Width()), sh = std::max(Params->GIFWinHeight, F.Height());
            // The logical screen comes from the file: a screen no data could fill is cut to the frame.
            if (!PlausibleSize(sw, sh, S.Size() - P, 4096)) {
                sw = std::min<int32_t>(sw, F.Width() + std::max(0, Params->GIFXPos));
                sh = std::min<int32_t>(sh, F.Height() + std::max(0, Params->GIFYPos));
                if (!PlausibleSize(sw, sh, S.Size() - P, 4096)) Aborting = true;
            }
            if (mask) {
                F.AlphaChannel()->CopyFromTIEMask(mask.get());
                mask.reset();
            }
            TIEBitmap* result = &F;
            if (count > 1 && !Aborting && !F.IsEmpty()) {
                const TColor bg = TRGBToColor(Params->GIFBackground);
                if (D == 2 && pw > 0 && ph > 0) {
                    comp.FillRect(px, py, px + pw - 1, py + ph - 1, bg);
                    comp.AlphaChannel()->FillRect(px, py, px + pw - 1, py + ph - 1, 0);
                } else if (D == 3 && saved) {
                    comp.Assign(saved.get());
                }
                if (comp.IsEmpty()) {
                    comp.Allocate(sw, sh, ieRGB24);
                    comp.Fill(bg);
                    comp.AlphaChannel()->Fill(0);
                }
                if (comp.PixelFormat() != ieRGB24) comp.ConvertTo(ieRGB24);
                if (comp.Width() < sw || comp.Height() < sh)
                    comp.Resize(std::max(comp.Width(), sw), std::max(comp.Height(), sh), bg, 255, 0, 0);
                if (Params->GIFDisposal == 3) {
                    saved = std::make_unique<TIEBitmap>();
                    saved->SetLocation(ieMemory);
                    saved->Assign(&comp);
                }
                const int32_t x = Params->GIFXPos, y = Params->GIFYPos;
                F.RenderToTIEBitmapEx(&comp, /*Tables=*/nullptr, /*ClipRect=*/nullptr, x, y, F.Width(), F.Height(), 0,
                                      0, F.Width(), F.Height(), /*EnableAlpha=*/true, /*RowCopy=*/false, 255, rfNone,
                                      ieBlendNormal);
                if (F.HasAlphaChannel())
                    F.MergeAlphaRectTo(&comp, 0, 0, x, y, F.Width(), F.Height());
                else
                    comp.AlphaChannel()->FillRect(x, y, x + F.Width() - 1, y + F.Height() - 1, 255);
                comp.AlphaChannel()->Full = false;
                px = x;
                py = y;
                pw = F.Width();
                ph = F.Height();
                D = Params->GIFDisposal;
                result = &comp;
                Params->GIFDisposal = 2;
                Params->GIFXPos = 0;
                Params->GIFYPos = 0;
            }
            // A first frame cut short keeps what was decoded of it.
            const bool Keep = !Aborting || (i == 0 && !F.IsEmpty());
            if (count > 0 && Keep) {
                FIEBitmap->Assign(result);
                if (result == &comp && (fpf == ie1g || fpf == ieRGB24) && FIEBitmap->PixelFormat() != fpf)
                    FIEBitmap->ConvertTo(fpf);
                Params->Width = FIEBitmap->Width();
                Params->Height = FIEBitmap->Height();
                DoProgress(this, static_cast<int>(Trunc(i * (100.0 / count))));
            }
            if (Aborting) break;
            if (i >= N || i >= count - 1) break;
        }
        if (count == 0) Aborting = true;  // a file that holds no image (cut before its first)
        Params->SetImageIndex(N);
        if (AutoAdjustDPI) AdjustDPI();
        SetBackground(TRGBToColor(Params->GIFTransparent ? Params->GIFTranspColor : Params->GIFBackground));
        Params->FileType = ioGIF;
        Params->FileName.clear();
        Update();
    } catch (const std::bad_alloc&) {
        Aborting = true;
    } catch (const std::length_error&) {
        Aborting = true;
    }
    return count;
}

bool TIEImageIO::PrepareSave(bool) { return MakeConsistentBitmap(); }

void TIEImageIO::SaveStreamBody(TIOFormatCode Format, TStream& S) {
    if (!PrepareSave(true)) {
        Aborting = true;
        return;
    }
    TIEProgressRecord pr = MakeProgress();
    // These formats take ieRGB24 or ie1g (PNM files also ieRGB48): others are converted first.
    if (Format == ioPXM || Format == ioWBMP || Format == ioPCX || Format == ioTGA || Format == ioICO ||
        Format == ioJP2 || Format == ioJ2K || Format == ioPS || Format == ioPDF) {
        const TIEPixelFormat pf = FIEBitmap->PixelFormat();
        if (pf != ieRGB24 && pf != ie1g && !(Format == ioPXM && FSavingToFile && pf == ieRGB48))
            FIEBitmap->ConvertTo(ieRGB24);
    }
    switch (Format) {
        case ioPXM:
            WritePNMStream(S, FIEBitmap, *Params, pr);
            break;
        case ioPCX:
            if (StreamHeaders) {
                const int64_t hs = S.Position();
                uint8_t hdr[12] = {};
                WriteStreamChecked(S, Aborting, hdr, 12);
                WritePCXStream(S, FIEBitmap, *Params, pr);
                if (!Aborting) {
                    const int64_t end = S.Position();
                    std::memcpy(hdr, "PCX2", 4);
                    PutLE32(hdr + 8, static_cast<uint32_t>(end - hs - 12));
                    S.Seek(hs, soBeginning);
                    WriteStreamChecked(S, Aborting, hdr, 12);
                    S.Seek(end, soBeginning);
                }
            } else {
                WritePCXStream(S, FIEBitmap, *Params, pr);
            }
            break;
        case ioPS:
            WritePSStream(S, FIEBitmap, *Params, pr);
            break;
        case ioPDF:
            WritePDFStream(S, FIEBitmap, *Params, pr);
            break;
        case ioJP2:
        case ioJ2K:
            WriteJ2000Stream(S, FIEBitmap, *Params, Format == ioJP2 ? TJ2000Kind::JP2 : TJ2000Kind::J2K, pr);
            break;
        case ioICO: {
            std::vector<TIOICOSize> sizes;
            std::vector<int32_t> bits;
            for (int i = 0; i < 16 && Params->ICOSizes[i].cx > 0; ++i) {
                sizes.push_back(Params->ICOSizes[i]);
                bits.push_back(Params->ICOBitCounts[i]);
            }
            WriteICOStream(S, FIEBitmap, *Params, pr, sizes, bits);
            break;
        }
        case ioTGA: {
            std::unique_ptr<TIEMask> mask;
            if (FIEBitmap->HasAlphaChannel()) {
                mask = std::make_unique<TIEMask>();
                FIEBitmap->AlphaChannel()->CopyToTIEMask(mask.get());
            }
            WriteTGAStream(S, FIEBitmap, *Params, pr, mask.get());
            break;
        }
        case ioDCX:
            // A file of its own: the pages already in the stream are dropped first.
            S.SetSize(0);
            S.Seek(0, soBeginning);
            WriteDCXStream(S, FIEBitmap, *Params, pr);
            break;
        case ioWBMP:
            WriteWBMPStream(S, FIEBitmap, *Params, pr);
            break;
        case ioBMP:
            WriteBMPStream(S, FIEBitmap, *Params, pr);
            break;
        case ioPNG: {
            std::unique_ptr<TIEMask> mask;
            if (FIEBitmap->HasAlphaChannel()) {
                mask = std::make_unique<TIEMask>();
                FIEBitmap->AlphaChannel()->CopyToTIEMask(mask.get());
            }
            WritePNGStream(S, FIEBitmap, *Params, mask.get(), pr);
            break;
        }
        case ioGIF:
            WriteGIFStream(S, FIEBitmap, *Params, pr);
            break;
        case ioTIFF:
            if (StreamHeaders) {
                const int64_t hs = S.Position();
                uint8_t hdr[12] = {};
                WriteStreamChecked(S, Aborting, hdr, 12);
                WriteTIFFStream(S, /*Insert=*/false, FIEBitmap, pr, *Params);
                const int64_t end = S.Position();
                std::memcpy(hdr, "TIFF", 4);
                PutLE32(hdr + 8, static_cast<uint32_t>(end - hs - 12));
                S.Seek(hs, soBeginning);
                WriteStreamChecked(S, Aborting, hdr, 12);
                S.Seek(end, soBeginning);
            } else {
                WriteTIFFStream(S, /*Insert=*/false, FIEBitmap, pr, *Params);
            }
            break;
        case ioJPEG: {
            // IPTC items go out as the APP13 marker.
            if (Params->IPTCInfo.Changed || (Params->IPTCInfo.GetCount() > 0 && Params->JPEGMarkers.GetCount() == 0)) {
                std::vector<uint8_t> block = Params->IPTCInfo.SaveToBuffer(true);
                int i = Params->JPEGMarkers.IndexOf(237);
                if (block.empty()) {
                    if (i >= 0) Params->JPEGMarkers.DeleteMarker(i);
                } else if (block.size() <= 65533) {
                    if (i >= 0)
                        Params->JPEGMarkers.SetMarker(i, 237, block.data(), static_cast<uint16_t>(block.size()));
                    else
                        Params->JPEGMarkers.AddMarker(237, block.data(), static_cast<uint16_t>(block.size()));
                }
            }
            if (Params->HasEXIFData) {
                std::vector<uint8_t> block = SaveEXIFToBuffer(*Params);
                int i = Params->JPEGMarkers.IndexOf(225);
                if (block.size() <= 65533) {
                    if (i >= 0)
                        Params->JPEGMarkers.SetMarker(i, 225, block.data(), static_cast<uint16_t>(block.size()));
                    else
                        Params->JPEGMarkers.AddMarker(225, block.data(), static_cast<uint16_t>(block.size()));
                }
            }
            if (StreamHeaders) {
                const int64_t hs = S.Position();
                uint8_t hdr[12] = {};
                WriteStreamChecked(S, Aborting, hdr, 12);
                WriteJPEGStream(S, FIEBitmap, *Params, pr);
                const int64_t end = S.Position();
                std::memcpy(hdr, "JFIF", 4);
                PutLE32(hdr + 8, static_cast<uint32_t>(end - hs - 12));
                S.Seek(hs, soBeginning);
                WriteStreamChecked(S, Aborting, hdr, 12);
                S.Seek(end, soBeginning);
            } else {
                WriteJPEGStream(S, FIEBitmap, *Params, pr);
            }
            break;
        }
        default:
            Aborting = true;
            break;
    }
}

// ---- Files -----------------------------------------------------------------------------

void TIEImageIO::WithFileRead(const std::string& FileName, const std::function<void(TStream&)>& Body) {
    Aborting = true;
    rtl::TScopeExit FinishWork([&] { DoFinishWork(); });
    TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
    Aborting = false;
    Body(fs);
}

void TIEImageIO::WithFileWrite(const std::string& FileName, const std::function<void(TStream&)>& Body) {
    Aborting = true;
    rtl::TScopeExit FinishWork([&] { DoFinishWork(); });
    TFileStream fs(FileName, fmCreate);
    Aborting = false;
    Body(fs);
    Params->FileName = FileName;
}

// The per-format entry points below all run one of these four bodies.
void TIEImageIO::LoadFileAs(TIOFormatCode Format, const std::string& FileName, TIEIOThread::TFileProc Self) {
    if (StartAsync(Self, FileName)) return;
    WithFileRead(FileName, [&](TStream& s) {
        LoadStreamBody(Format, s);
        Params->FileName = FileName;
    });
}

void TIEImageIO::LoadStreamAs(TIOFormatCode Format, TStream& S, TIEIOThread::TStreamProc Self) {
    if (StartAsync(Self, S)) return;
    Aborting = false;
    rtl::TScopeExit FinishWork([&] { DoFinishWork(); });
    LoadStreamBody(Format, S);
    Params->FileName.clear();
}

void TIEImageIO::SaveFileAs(TIOFormatCode Format, const std::string& FileName, TIEIOThread::TFileProc Self) {
    if (StartAsync(Self, FileName)) return;
    WithFileWrite(FileName, [&](TStream& s) {
        rtl::TSetForScope SetSavingToFile(FSavingToFile, true);
        SaveStreamBody(Format, s);
    });
}

void TIEImageIO::SaveStreamAs(TIOFormatCode Format, TStream& S, TIEIOThread::TStreamProc Self) {
    if (StartAsync(Self, S)) return;
    Aborting = false;
    rtl::TScopeExit FinishWork([&] { DoFinishWork(); });
    SaveStreamBody(Format, S);
}

void TIEImageIO::LoadFromFileBMP(const std::string& FileName) { LoadFileAs(ioBMP, FileName, &TIEImageIO::LoadFromFileBMP); }
void TIEImageIO::LoadFromStreamBMP(TStream& S) { LoadStreamAs(ioBMP, S, &TIEImageIO::LoadFromStreamBMP); }
void TIEImageIO::SaveToFileBMP(const std::string& FileName) { SaveFileAs(ioBMP, FileName, &TIEImageIO::SaveToFileBMP); }
void TIEImageIO::SaveToStreamBMP(TStream& S) { SaveStreamAs(ioBMP, S, &TIEImageIO::SaveToStreamBMP); }
void TIEImageIO::LoadFromStreamPNG(TStream& S) { LoadStreamAs(ioPNG, S, &TIEImageIO::LoadFromStreamPNG); }
void TIEImageIO::SaveToFilePNG(const std::string& FileName) { SaveFileAs(ioPNG, FileName, &TIEImageIO::SaveToFilePNG); }
void TIEImageIO::SaveToStreamPNG(TStream& S) { SaveStreamAs(ioPNG, S, &TIEImageIO::SaveToStreamPNG); }
void TIEImageIO::LoadFromFileJPEG(const std::string& FileName) { LoadFileAs(ioJPEG, FileName, &TIEImageIO::LoadFromFileJPEG); }
void TIEImageIO::LoadFromStreamJPEG(TStream& S) { LoadStreamAs(ioJPEG, S, &TIEImageIO::LoadFromStreamJPEG); }
void TIEImageIO::SaveToFileJPEG(const std::string& FileName) { SaveFileAs(ioJPEG, FileName, &TIEImageIO::SaveToFileJPEG); }
void TIEImageIO::SaveToStreamJPEG(TStream& S) { SaveStreamAs(ioJPEG, S, &TIEImageIO::SaveToStreamJPEG); }
void TIEImageIO::SaveToFileGIF(const std::string& FileName) { SaveFileAs(ioGIF, FileName, &TIEImageIO::SaveToFileGIF); }
void TIEImageIO::SaveToStreamGIF(TStream& S) { SaveStreamAs(ioGIF, S, &TIEImageIO::SaveToStreamGIF); }
void TIEImageIO::LoadFromFileTIFF(const std::string& FileName) { LoadFileAs(ioTIFF, FileName, &TIEImageIO::LoadFromFileTIFF); }
void TIEImageIO::LoadFromStreamTIFF(TStream& S) { LoadStreamAs(ioTIFF, S, &TIEImageIO::LoadFromStreamTIFF); }
void TIEImageIO::SaveToFileTIFF(const std::string& FileName) { SaveFileAs(ioTIFF, FileName, &TIEImageIO::SaveToFileTIFF); }
void TIEImageIO::SaveToStreamTIFF(TStream& S) { SaveStreamAs(ioTIFF, S, &TIEImageIO::SaveToStreamTIFF); }
void TIEImageIO::LoadFromFilePCX(const std::string& FileName) { LoadFileAs(ioPCX, FileName, &TIEImageIO::LoadFromFilePCX); }
void TIEImageIO::LoadFromStreamPCX(TStream& S) { LoadStreamAs(ioPCX, S, &TIEImageIO::LoadFromStreamPCX); }
void TIEImageIO::SaveToFilePCX(const std::string& FileName) { SaveFileAs(ioPCX, FileName, &TIEImageIO::SaveToFilePCX); }
void TIEImageIO::SaveToStreamPCX(TStream& S) { SaveStreamAs(ioPCX, S, &TIEImageIO::SaveToStreamPCX); }
void TIEImageIO::LoadFromFileDCX(const std::string& FileName) { LoadFileAs(ioDCX, FileName, &TIEImageIO::LoadFromFileDCX); }
void TIEImageIO::LoadFromStreamDCX(TStream& S) { LoadStreamAs(ioDCX, S, &TIEImageIO::LoadFromStreamDCX); }
void TIEImageIO::SaveToFileDCX(const std::string& FileName) { SaveFileAs(ioDCX, FileName, &TIEImageIO::SaveToFileDCX); }
void TIEImageIO::SaveToStreamDCX(TStream& S) { SaveStreamAs(ioDCX, S, &TIEImageIO::SaveToStreamDCX); }
void TIEImageIO::LoadFromFileICO(const std::string& FileName) { LoadFileAs(ioICO, FileName, &TIEImageIO::LoadFromFileICO); }
void TIEImageIO::LoadFromStreamICO(TStream& S) { LoadStreamAs(ioICO, S, &TIEImageIO::LoadFromStreamICO); }
void TIEImageIO::SaveToFileICO(const std::string& FileName) { SaveFileAs(ioICO, FileName, &TIEImageIO::SaveToFileICO); }
void TIEImageIO::SaveToStreamICO(TStream& S) { SaveStreamAs(ioICO, S, &TIEImageIO::SaveToStreamICO); }
void TIEImageIO::LoadFromFileCUR(const std::string& FileName) { LoadFileAs(ioCUR, FileName, &TIEImageIO::LoadFromFileCUR); }
void TIEImageIO::LoadFromStreamCUR(TStream& S) { LoadStreamAs(ioCUR, S, &TIEImageIO::LoadFromStreamCUR); }
void TIEImageIO::LoadFromFileJP2(const std::string& FileName) { LoadFileAs(ioJP2, FileName, &TIEImageIO::LoadFromFileJP2); }
void TIEImageIO::LoadFromStreamJP2(TStream& S) { LoadStreamAs(ioJP2, S, &TIEImageIO::LoadFromStreamJP2); }
void TIEImageIO::SaveToFileJP2(const std::string& FileName) { SaveFileAs(ioJP2, FileName, &TIEImageIO::SaveToFileJP2); }
void TIEImageIO::SaveToStreamJP2(TStream& S) { SaveStreamAs(ioJP2, S, &TIEImageIO::SaveToStreamJP2); }
void TIEImageIO::LoadFromFileJ2K(const std::string& FileName) { LoadFileAs(ioJ2K, FileName, &TIEImageIO::LoadFromFileJ2K); }
void TIEImageIO::LoadFromStreamJ2K(TStream& S) { LoadStreamAs(ioJ2K, S, &TIEImageIO::LoadFromStreamJ2K); }
void TIEImageIO::SaveToFileJ2K(const std::string& FileName) { SaveFileAs(ioJ2K, FileName, &TIEImageIO::SaveToFileJ2K); }
void TIEImageIO::SaveToStreamJ2K(TStream& S) { SaveStreamAs(ioJ2K, S, &TIEImageIO::SaveToStreamJ2K); }
void TIEImageIO::LoadFromFileRAW(const std::string& FileName) { LoadFileAs(ioRAW, FileName, &TIEImageIO::LoadFromFileRAW); }
void TIEImageIO::SaveToFilePS(const std::string& FileName) { SaveFileAs(ioPS, FileName, &TIEImageIO::SaveToFilePS); }
void TIEImageIO::SaveToStreamPS(TStream& S) { SaveStreamAs(ioPS, S, &TIEImageIO::SaveToStreamPS); }
void TIEImageIO::SaveToFilePDF(const std::string& FileName) { SaveFileAs(ioPDF, FileName, &TIEImageIO::SaveToFilePDF); }
void TIEImageIO::SaveToStreamPDF(TStream& S) { SaveStreamAs(ioPDF, S, &TIEImageIO::SaveToStreamPDF); }
void TIEImageIO::LoadFromFileTGA(const std::string& FileName) { LoadFileAs(ioTGA, FileName, &TIEImageIO::LoadFromFileTGA); }
void TIEImageIO::LoadFromStreamTGA(TStream& S) { LoadStreamAs(ioTGA, S, &TIEImageIO::LoadFromStreamTGA); }
void TIEImageIO::SaveToFileTGA(const std::string& FileName) { SaveFileAs(ioTGA, FileName, &TIEImageIO::SaveToFileTGA); }
void TIEImageIO::SaveToStreamTGA(TStream& S) { SaveStreamAs(ioTGA, S, &TIEImageIO::SaveToStreamTGA); }
void TIEImageIO::LoadFromFilePXM(const std::string& FileName) { LoadFileAs(ioPXM, FileName, &TIEImageIO::LoadFromFilePXM); }
void TIEImageIO::LoadFromStreamPXM(TStream& S) { LoadStreamAs(ioPXM, S, &TIEImageIO::LoadFromStreamPXM); }
void TIEImageIO::SaveToFilePXM(const std::string& FileName) { SaveFileAs(ioPXM, FileName, &TIEImageIO::SaveToFilePXM); }
void TIEImageIO::SaveToStreamPXM(TStream& S) { SaveStreamAs(ioPXM, S, &TIEImageIO::SaveToStreamPXM); }
void TIEImageIO::LoadFromFileWBMP(const std::string& FileName) { LoadFileAs(ioWBMP, FileName, &TIEImageIO::LoadFromFileWBMP); }
void TIEImageIO::LoadFromStreamWBMP(TStream& S) { LoadStreamAs(ioWBMP, S, &TIEImageIO::LoadFromStreamWBMP); }
void TIEImageIO::SaveToFileWBMP(const std::string& FileName) { SaveFileAs(ioWBMP, FileName, &TIEImageIO::SaveToFileWBMP); }
void TIEImageIO::SaveToStreamWBMP(TStream& S) { SaveStreamAs(ioWBMP, S, &TIEImageIO::SaveToStreamWBMP); }
void TIEImageIO::LoadFromFileRawData(const std::string& FileName) { LoadFileAs(ioBMPRAW, FileName, &TIEImageIO::LoadFromFileRawData); }

void TIEImageIO::LoadFromStreamRAW(TStream& S) {
    if (StartAsync(&TIEImageIO::LoadFromStreamRAW, S)) return;
    TIEFileFormatEntry* e = FindFormatByExtension("RAW");
    if (e != nullptr && e->FileType != ioRAW) {
        LoadFromStreamFormat(S, e->FileType);
        return;
    }
    LoadStreamAs(ioRAW, S, &TIEImageIO::LoadFromStreamRAW);
}

void TIEImageIO::LoadFromStreamRawData(TStream& S) { LoadStreamAs(ioBMPRAW, S, &TIEImageIO::LoadFromStreamRawData); }

void TIEImageIO::LoadFromFilePNG(const std::string& FileName) {
    if (StartAsync(&TIEImageIO::LoadFromFilePNG, FileName)) return;
    Params->PNGBackground = ColorToTRGB(ColorToRGB(GetBackground()));
    WithFileRead(FileName, [&](TStream& s) {
        LoadStreamBody(ioPNG, s);
        Params->FileName = FileName;
    });
}

int32_t TIEImageIO::LoadFromFileGIF(const std::string& FileName) {
    if (StartAsync(&TIEImageIO::LoadFromFileGIF, FileName)) return -1;
    Aborting = true;
    std::unique_ptr<TFileStream> fs;
    rtl::TScopeExit FinishWork([&] { DoFinishWork(); });
    fs = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
    FinishWork.Dismiss();
    // The stream load notifies; the name is set once it is back.
    int32_t n = LoadFromStreamGIF(*fs);
    Params->FileName = FileName;
    return n;
}

// ---- Dispatch --------------------------------------------------------------------------

void TIEImageIO::LoadFromFile(const std::string& FileName) {
    if (FIEBitmap == nullptr) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    if (LowerCase(FileName.substr(0, 7)) == "http://") {
        LoadFromURL(FileName);
        return;
    }
    if (StartAsync(&TIEImageIO::LoadFromFile, FileName)) return;
    std::string ext = LowerCase(ExtractFileExt(FileName));
    if (ext == ".avi") {
        OpenAVIFile(FileName);
        LoadFromAVI(Params->ImageIndex);
        CloseAVIFile();
        Params->FileName = FileName;
        Params->FileType = ioAVI;
        return;
    }
    TIEFileFormatEntry* entry = FindFormatByExtension(ext);
    // An unknown extension ends with the abort flag and a finish notification.
    if (entry == nullptr) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    if (entry->InternalFormat) {
        switch (entry->FileType) {
            case ioBMP: LoadFromFileBMP(FileName); return;
            case ioPNG: LoadFromFilePNG(FileName); return;
            case ioJPEG: LoadFromFileJPEG(FileName); return;
            case ioGIF: LoadFromFileGIF(FileName); return;
            case ioTIFF: LoadFromFileTIFF(FileName); return;
            case ioPCX: LoadFromFilePCX(FileName); return;
            case ioDCX: LoadFromFileDCX(FileName); return;
            case ioICO: LoadFromFileICO(FileName); return;
            case ioCUR: LoadFromFileCUR(FileName); return;
            case ioRAW: LoadFromFileRAW(FileName); return;
            case ioJP2: LoadFromFileJP2(FileName); return;
            case ioJ2K: LoadFromFileJ2K(FileName); return;
            case ioTGA: LoadFromFileTGA(FileName); return;
            case ioPXM: LoadFromFilePXM(FileName); return;
            case ioWBMP: LoadFromFileWBMP(FileName); return;
            case ioWMF:
            case ioEMF: ImportMetafile(FileName, -1, /*WithAlpha=*/true, -1); return;
            default:
                Aborting = true;
                DoFinishWork();
                return;
        }
    }
    Params->FileName.clear();
    Params->FileType = 0;
    Params->ResetInfo();
    if (entry->ReadFunction == nullptr) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    WithFileRead(FileName, [&](TStream& s) {
        Params->FileName = FileName;
        Params->FileType = entry->FileType;
        TIEProgressRecord pr = MakeProgress();
        try {
            entry->ReadFunction(s, FIEBitmap, *Params, false, pr);
        } catch (...) {
            Aborting = true;
        }
        if (!Aborting) {
            if (AutoAdjustDPI) AdjustDPI();
            TellViewDpi();
        }
        Update();
    });
}

void TIEImageIO::LoadFromFileAuto(const std::string& FileName) {
    TIOFormatCode f = FindFileFormat(FileName, /*VerifyExtension=*/false);
    if (f != 0)
        LoadFromFileFormat(FileName, f);
    else
        LoadFromFile(FileName);
}

void TIEImageIO::LoadFromFileFormat(const std::string& FileName, TIOFormatCode Format) {
    if (StartAsync(&TIEImageIO::LoadFromFileFormat, FileName, Format)) return;
    TIEFileFormatEntry* entry = FindFormatByType(Format);
    if (entry == nullptr) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    if (entry->InternalFormat) {
        switch (Format) {
            case ioBMP: LoadFromFileBMP(FileName); return;
            case ioPNG: LoadFromFilePNG(FileName); return;
            case ioJPEG: LoadFromFileJPEG(FileName); return;
            case ioGIF: LoadFromFileGIF(FileName); return;
            case ioTIFF: LoadFromFileTIFF(FileName); return;
            case ioPCX: LoadFromFilePCX(FileName); return;
            case ioDCX: LoadFromFileDCX(FileName); return;
            case ioICO: LoadFromFileICO(FileName); return;
            case ioCUR: LoadFromFileCUR(FileName); return;
            case ioRAW: LoadFromFileRAW(FileName); return;
            case ioJP2: LoadFromFileJP2(FileName); return;
            case ioJ2K: LoadFromFileJ2K(FileName); return;
            case ioTGA: LoadFromFileTGA(FileName); return;
            case ioPXM: LoadFromFilePXM(FileName); return;
            case ioWBMP: LoadFromFileWBMP(FileName); return;
            case ioWMF:
            case ioEMF: ImportMetafile(FileName, -1, /*WithAlpha=*/true, -1); return;
            default: LoadFromFile(FileName); return;
        }
    }
    Params->FileName.clear();
    Params->FileType = 0;
    Params->ResetInfo();
    if (entry->ReadFunction == nullptr) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    WithFileRead(FileName, [&](TStream& s) {
        Params->FileName = FileName;
        Params->FileType = entry->FileType;
        TIEProgressRecord pr = MakeProgress();
        entry->ReadFunction(s, FIEBitmap, *Params, false, pr);
        Update();
    });
}

void TIEImageIO::LoadFromStreamFormat(TStream& Stream, TIOFormatCode Format) {
    if (StartAsync(&TIEImageIO::LoadFromStreamFormat, Stream, Format)) return;
    TIEFileFormatEntry* entry = FindFormatByType(Format);
    if (entry != nullptr && entry->InternalFormat) {
        switch (Format) {
            case ioBMP: LoadFromStreamBMP(Stream); return;
            case ioPNG: LoadFromStreamPNG(Stream); return;
            case ioJPEG: LoadFromStreamJPEG(Stream); return;
            case ioGIF: LoadFromStreamGIF(Stream); return;
            case ioTIFF: LoadFromStreamTIFF(Stream); return;
            case ioPCX: LoadFromStreamPCX(Stream); return;
            case ioDCX: LoadFromStreamDCX(Stream); return;
            case ioICO: LoadFromStreamICO(Stream); return;
            case ioCUR: LoadFromStreamCUR(Stream); return;
            case ioRAW: LoadFromStreamRAW(Stream); return;
            case ioJP2: LoadFromStreamJP2(Stream); return;
            case ioJ2K: LoadFromStreamJ2K(Stream); return;
            case ioTGA: LoadFromStreamTGA(Stream); return;
            case ioPXM: LoadFromStreamPXM(Stream); return;
            case ioWBMP: LoadFromStreamWBMP(Stream); return;
            default: break;
        }
    }
    if (entry == nullptr || entry->InternalFormat || entry->ReadFunction == nullptr) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    Aborting = false;
    Params->ResetInfo();
    Params->FileType = entry->FileType;
    TIEProgressRecord pr = MakeProgress();
    rtl::TScopeExit FinishWork([&] { DoFinishWork(); });
    entry->ReadFunction(Stream, FIEBitmap, *Params, false, pr);
    FinishWork.Dismiss();
    Update();
    DoFinishWork();
}

void TIEImageIO::LoadFromStream(TStream& Stream) {
    if (StartAsync(&TIEImageIO::LoadFromStream, Stream)) return;
    const int64_t p = Stream.Position();
    TIOFormatCode f = FindStreamFormat(Stream);
    Stream.Seek(p, soBeginning);
    LoadFromStreamFormat(Stream, f);
}

void TIEImageIO::LoadFromBuffer(const void* Buffer, int64_t Size, TIOFormatCode Format) {
    // The block's stream lives only in this call.
    TSyncScope Sync;
    TIEMemStream ms(Buffer, Size);
    if (Format != 0)
        LoadFromStreamFormat(ms, Format);
    else
        LoadFromStream(ms);
}

// ---- Header-only reads -----------------------------------------------------------------

void TIEImageIO::ParamsFromStreamFormat(TStream& Stream, TIOFormatCode Format) {
    Params->FileType = Format;
    Params->ResetInfo();
    Aborting = false;
    TIEProgressRecord pr = MakeProgress(true);
    TIEBitmap scratch;  // header-only reads leave the target alone
    try {
        switch (Format) {
            case ioBMP: {
                std::unique_ptr<TIEMask> mask;
                ReadBMPStream(Stream, &scratch, Stream.Size(), *Params, pr, /*Preview=*/true,
                              /*MissingFileHeader=*/false, mask, /*IgnoreAlpha=*/true);
                break;
            }
            case ioPNG: ReadPNGStream(Stream, &scratch, *Params, /*Preview=*/true, pr); break;
            case ioJPEG: {
                const int64_t hs = Stream.Position();
                uint8_t hdr[12] = {};
                if (Stream.Read(hdr, 12) != 12 || StreamHeaderSignature(hdr) != "JFIF") Stream.Seek(hs, soBeginning);
                ReadJPEGStream(Stream, /*TablesStream=*/nullptr, &scratch, /*UseColorManagement=*/false,
                               /*InvertCMYK=*/false, /*ReadMetadata=*/true, /*KeepYCbCr=*/false, /*Preview=*/true, pr,
                               *Params);
                break;
            }
            case ioGIF: {
                int32_t n = 0;
                std::unique_ptr<TIEMask> mask;
                ReadGIFStream(Stream, &scratch, n, /*NoAlpha=*/true, mask, /*Preview=*/true, pr, *Params);
                break;
            }
            case ioPXM: ReadPNMStream(Stream, &scratch, *Params, /*Preview=*/true, pr); break;
            case ioPCX: {
                const int64_t hs = Stream.Position();
                uint8_t hdr[12] = {};
                if (Stream.Read(hdr, 12) == 12 && StreamHeaderSignature(hdr) == "PCX2")
                    ReadPCXStream(Stream, &scratch, *Params, static_cast<int32_t>(LE32(hdr + 8)), pr, /*Preview=*/true);
                else {
                    Stream.Seek(hs, soBeginning);
                    ReadPCXStream(Stream, &scratch, *Params, Stream.Size() - hs, pr, /*Preview=*/true);
                }
                break;
            }
            case ioDCX: ReadDCXStream(Stream, &scratch, *Params, /*Preview=*/true, pr); break;
            case ioTGA: {
                std::unique_ptr<TIEMask> mask;
                ReadTGAStream(Stream, &scratch, *Params, pr, /*Preview=*/true, mask, /*IgnoreAlpha=*/true);
                break;
            }
            case ioJP2:
            case ioJ2K: ReadJ2000Stream(Stream, &scratch, *Params, /*Preview=*/true, pr); break;
            case ioRAW: ReadRawCameraStream(Stream, &scratch, *Params, /*Preview=*/true, pr); break;
            case ioICO:
            case ioCUR: {
                std::unique_ptr<TIEMask> mask;
                if (Format == ioICO)
                    ReadICOStream(Stream, &scratch, *Params, /*Preview=*/true, pr, mask, /*IgnoreAlpha=*/true);
                else
                    ReadCURStream(Stream, &scratch, *Params, /*Preview=*/true, pr, mask, /*IgnoreAlpha=*/true);
                break;
            }
            case ioWBMP: ReadWBMPStream(Stream, &scratch, *Params, /*Preview=*/true, pr); break;
            case ioTIFF: {
                int32_t n = 0;
                std::unique_ptr<TIEMask> mask;
                if (StreamHeaders) {
                    uint8_t hdr[12] = {};
                    if (Stream.Read(hdr, 12) != 12 || StreamHeaderSignature(hdr) != "TIFF") {
                        Aborting = true;
                        break;
                    }
                }
                ReadTIFFStream(&scratch, Stream, n, /*ThumbnailMode=*/false, /*NoAlpha=*/true, /*BaseAtPosition=*/true,
                               mask, /*Preview=*/true, pr, *Params);
                break;
            }
            default: {
                TIEFileFormatEntry* e = FindFormatByType(Format);
                if (e && !e->InternalFormat && e->ReadFunction)
                    e->ReadFunction(Stream, &scratch, *Params, true, pr);
                else
                    Aborting = true;
                break;
            }
        }
    } catch (...) {
        Params->FileType = 0;
    }
    if (Aborting)
        Params->FileType = 0;
    else
        ApplyDefaultDpi();  // the resolution a load of the same file would give
    DoFinishWork();
}

void TIEImageIO::ParamsFromFileFormat(const std::string& FileName, TIOFormatCode Format) {
    Aborting = true;
    std::unique_ptr<TFileStream> fs;
    try {
        fs = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
    } catch (...) {
        Params->FileType = 0;
        DoFinishWork();
        return;
    }
    const TNotifyEvent finish = OnFinishWork;
    OnFinishWork = nullptr;  // one notification, after the name is set
    try {
        ParamsFromStreamFormat(*fs, Format);
    } catch (...) {
    }
    OnFinishWork = finish;
    Params->FileName = FileName;
    if (OnFinishWork) OnFinishWork(this);
}

void TIEImageIO::ParamsFromFile(const std::string& FileName) {
    ParamsFromFileFormat(FileName, FindFileFormat(FileName, /*VerifyExtension=*/true));
}

void TIEImageIO::ParamsFromStream(TStream& Stream) { ParamsFromStreamFormat(Stream, FindStreamFormat(Stream)); }

// ---- Saves -----------------------------------------------------------------------------

void TIEImageIO::SaveToFile(const std::string& FileName) {
    if (FileName.empty()) return;
    if (StartAsync(&TIEImageIO::SaveToFile, FileName)) return;
    TIOFormatCode f = SaveFormatByExtension(FileName);
    if (f == 0) {
        TIEFileFormatEntry* entry = FindFormatByExtension(ExtractFileExt(FileName));
        if (entry != nullptr && entry->InternalFormat) {
            // A built-in format under an extension only the registry knows ("xif", "pix").
            f = entry->FileType;
        } else if (entry != nullptr && entry->WriteFunction != nullptr) {
            WithFileWrite(FileName, [&](TStream& s) {
                Params->FileType = entry->FileType;
                TIEProgressRecord pr = MakeProgress();
                entry->WriteFunction(s, FIEBitmap, *Params, pr);
            });
            return;
        } else {
            Aborting = true;
            DoFinishWork();
            return;
        }
    }
    // Formats without a writer here create no file: an empty file must not pass for a save.
    if (!HasBuiltinSave(f)) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    switch (f) {
        case ioBMP: SaveToFileBMP(FileName); break;
        case ioPNG: SaveToFilePNG(FileName); break;
        case ioJPEG: SaveToFileJPEG(FileName); break;
        case ioGIF: SaveToFileGIF(FileName); break;
        case ioTIFF: SaveToFileTIFF(FileName); break;
        case ioPCX: SaveToFilePCX(FileName); break;
        case ioDCX: SaveToFileDCX(FileName); break;
        case ioICO: SaveToFileICO(FileName); break;
        case ioJP2: SaveToFileJP2(FileName); break;
        case ioJ2K: SaveToFileJ2K(FileName); break;
        case ioPS: SaveToFilePS(FileName); break;
        case ioPDF: SaveToFilePDF(FileName); break;
        case ioTGA: SaveToFileTGA(FileName); break;
        case ioPXM: SaveToFilePXM(FileName); break;
        case ioWBMP: SaveToFileWBMP(FileName); break;
        default: break;
    }
}

void TIEImageIO::SaveToStream(TStream& Stream, TIOFormatCode Format) {
    if (StartAsync(&TIEImageIO::SaveToStream, Stream, Format)) return;
    switch (Format) {
        case ioBMP: SaveToStreamBMP(Stream); return;
        case ioPNG: SaveToStreamPNG(Stream); return;
        case ioJPEG: SaveToStreamJPEG(Stream); return;
        case ioGIF: SaveToStreamGIF(Stream); return;
        case ioTIFF: SaveToStreamTIFF(Stream); return;
        case ioPCX: SaveToStreamPCX(Stream); return;
        case ioDCX: SaveToStreamDCX(Stream); return;
        case ioICO: SaveToStreamICO(Stream); return;
        case ioJP2: SaveToStreamJP2(Stream); return;
        case ioJ2K: SaveToStreamJ2K(Stream); return;
        case ioPS: SaveToStreamPS(Stream); return;
        case ioPDF: SaveToStreamPDF(Stream); return;
        case ioTGA: SaveToStreamTGA(Stream); return;
        case ioPXM: SaveToStreamPXM(Stream); return;
        case ioWBMP: SaveToStreamWBMP(Stream); return;
        default: break;
    }
    TIEFileFormatEntry* entry = FindFormatByType(Format);
    if (entry == nullptr || entry->InternalFormat || entry->WriteFunction == nullptr) {
        Aborting = true;
        DoFinishWork();
        return;
    }
    Aborting = false;
    Params->FileType = entry->FileType;
    TIEProgressRecord pr = MakeProgress();
    rtl::TScopeExit FinishWork([&] { DoFinishWork(); });
    entry->WriteFunction(Stream, FIEBitmap, *Params, pr);
}
