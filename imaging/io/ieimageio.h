// The image I/O component: reads and writes the image of one target bitmap
// through the format filters, dispatching by extension, format code or content,
// with progress, abort and one finish notification per operation.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/bitmaps/ieattachedview.h"
#include "imaging/bitmaps/iedefs.h"
#include "imaging/io/ieacquire.h"
#include "imaging/io/iedialogwords.h"
#include "imaging/io/iedirectshow.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieiothread.h"
#include "imaging/io/ieioparams.h"
#include "platform/classlib/classes_ext.h"
#include "platform/media/vfw.h"
#include "platform/classlib/graphics.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/windef.h"

class TIEBitmap;
class TIEMask;
class TImage;

// Messages posted to an attached view's window from I/O worker threads. With
// IEIO_UPDATE, WParam and LParam carry a new horizontal and vertical resolution
// for the view (0: unchanged); the view sets it, calls ImageChange and repaints.
constexpr UINT IEIO_UPDATE = 8024, IEIO_PROGRESS = 8027, IEIO_FINWORK = 8028;
// Messages of the component's video graph to the view's window (LParam the TIEDirectShow).
constexpr UINT IEIO_DSHOWFRAME = 8025, IEIO_DSHOWEVENT = 8026;

class TIEImageIO;
class TForm;

// PreviewsParams: the dialog starts with its preview locked; it shows its Apply button.
constexpr uint8_t ioppDefaultLockPreview = 1, ioppApplyButton = 2;
using TIEIOPreviewEvent = std::function<void(TObject* Sender, TForm* Form)>;
using TIEDoPreviewsEvent = std::function<void(TObject* Sender, bool& Handled)>;
// The save-parameters dialog lives above this library; the views' start-up sets it.
using TIEPreviewsDialogFunc = bool (*)(TIEImageIO* IO, uint16_t Pages);
extern TIEPreviewsDialogFunc IEPreviewsDialog;

class TIEImageIO : public TComponent {
public:
    explicit TIEImageIO(TComponent* AOwner = nullptr);
    ~TIEImageIO() override;
    TIEImageIO(const TIEImageIO&) = delete;
    TIEImageIO& operator=(const TIEImageIO&) = delete;

    // Target
    void SetAttachedBitmap(TIEBitmap* Bitmap);
    void SetTargetBitmap(TIEBitmap* Bitmap);
    TIEBitmap* IEBitmap() const { return FIEBitmap; }
    bool IEBitmapOwned() const { return FIEBitmapOwned; }
    TIEAttachedView* AttachedIEView() const { return FAttachedView; }
    void SetAttachedIEView(TIEAttachedView* View);
    TImage* AttachedTImage() const { return FAttachedTImage; }
    void SetAttachedTImage(TImage* Image);
    // The windowing-library bitmap that holds the target's pixels, if any.
    virtual TBitmap* GetBitmap();
    TColor GetBackground() const;
    void SetBackground(TColor Value);
    bool ChangeBackground = false;  // lets SetBackground change an attached view's
    void SetBWConversion(TIEBWConversion Value);
    bool NativePixelFormat() const { return Params->IsNativePixelFormat; }
    void SetNativePixelFormat(bool Value) { Params->IsNativePixelFormat = Value; }

    // Loads
    virtual void LoadFromFile(const std::string& FileName);
    virtual void LoadFromFileAuto(const std::string& FileName);
    virtual void LoadFromFileFormat(const std::string& FileName, TIOFormatCode Format);
    virtual void LoadFromStream(TStream& Stream);
    virtual void LoadFromStreamFormat(TStream& Stream, TIOFormatCode Format);
    virtual void LoadFromBuffer(const void* Buffer, int64_t Size, TIOFormatCode Format);
    // Header-only reads: fill Params, decode no pixels, never raise.
    virtual void ParamsFromFile(const std::string& FileName);
    virtual void ParamsFromFileFormat(const std::string& FileName, TIOFormatCode Format);
    virtual void ParamsFromStream(TStream& Stream);
    virtual void ParamsFromStreamFormat(TStream& Stream, TIOFormatCode Format);

    // Saves
    virtual void SaveToFile(const std::string& FileName);
    virtual void SaveToStream(TStream& Stream, TIOFormatCode Format);

    // Per format. GIF loads answer the frame count.
    void LoadFromFileBMP(const std::string& FileName);
    void LoadFromStreamBMP(TStream& Stream);
    void SaveToFileBMP(const std::string& FileName);
    void SaveToStreamBMP(TStream& Stream);
    void LoadFromFilePNG(const std::string& FileName);
    void LoadFromStreamPNG(TStream& Stream);
    void SaveToFilePNG(const std::string& FileName);
    void SaveToStreamPNG(TStream& Stream);
    void LoadFromFileJPEG(const std::string& FileName);
    void LoadFromStreamJPEG(TStream& Stream);
    void SaveToFileJPEG(const std::string& FileName);
    void SaveToStreamJPEG(TStream& Stream);
    void LoadFromFileTIFF(const std::string& FileName);
    void LoadFromStreamTIFF(TStream& Stream);
    void SaveToFileTIFF(const std::string& FileName);
    void SaveToStreamTIFF(TStream& Stream);
    // -1 when the load went to a worker.
    int32_t LoadFromFileGIF(const std::string& FileName);
    int32_t LoadFromStreamGIF(TStream& Stream);
    void SaveToFileGIF(const std::string& FileName);
    void SaveToStreamGIF(TStream& Stream);
    void LoadFromFilePCX(const std::string& FileName);
    void LoadFromStreamPCX(TStream& Stream);
    void SaveToFilePCX(const std::string& FileName);
    void SaveToStreamPCX(TStream& Stream);
    void LoadFromFileDCX(const std::string& FileName);
    void LoadFromStreamDCX(TStream& Stream);
    void SaveToFileDCX(const std::string& FileName);
    void SaveToStreamDCX(TStream& Stream);
    void LoadFromFileICO(const std::string& FileName);
    void LoadFromStreamICO(TStream& Stream);
    void SaveToFileICO(const std::string& FileName);
    void SaveToStreamICO(TStream& Stream);
    void LoadFromFileCUR(const std::string& FileName);
    void LoadFromStreamCUR(TStream& Stream);
    void LoadFromFileJP2(const std::string& FileName);
    void LoadFromStreamJP2(TStream& Stream);
    void SaveToFileJP2(const std::string& FileName);
    void SaveToStreamJP2(TStream& Stream);
    void LoadFromFileJ2K(const std::string& FileName);
    void LoadFromStreamJ2K(TStream& Stream);
    void SaveToFileJ2K(const std::string& FileName);
    void SaveToStreamJ2K(TStream& Stream);
    // Camera raw files; a stream load goes to the format registered for "RAW" when that
    // is not the camera raw format.
    void LoadFromFileRAW(const std::string& FileName);
    void LoadFromStreamRAW(TStream& Stream);
    void SaveToFilePDF(const std::string& FileName);
    void SaveToStreamPDF(TStream& Stream);
    void SaveToFilePS(const std::string& FileName);
    void SaveToStreamPS(TStream& Stream);
    void LoadFromFileTGA(const std::string& FileName);
    void LoadFromStreamTGA(TStream& Stream);
    void SaveToFileTGA(const std::string& FileName);
    void SaveToStreamTGA(TStream& Stream);
    void LoadFromFilePXM(const std::string& FileName);
    void LoadFromStreamPXM(TStream& Stream);
    void SaveToFilePXM(const std::string& FileName);
    void SaveToStreamPXM(TStream& Stream);
    void LoadFromFileWBMP(const std::string& FileName);
    void LoadFromStreamWBMP(TStream& Stream);
    void SaveToFileWBMP(const std::string& FileName);
    void SaveToStreamWBMP(TStream& Stream);
    // Headerless pixels into the target as allocated (size and pixel format), laid out as
    // Params.RawData* say.
    void LoadFromFileRawData(const std::string& FileName);
    void LoadFromStreamRawData(TStream& Stream);

    // An acquired bitmap: OnAcquireBitmap may take it; otherwise the target becomes
    // a copy of it, with this component's Params.
    virtual void DoAcquireBitmap(TIEBitmap* ABitmap, TIOParamsVals*& AParams);
    virtual void CallAcquireBitmap(TIEBitmap* ABitmap, bool& Handled);
    TIEAcquireBitmapEvent OnAcquireBitmap;
    // No device layer exists: the wrapper lists no devices and fires no events.
    virtual TIEWia* GetWIA();
    std::unique_ptr<TIETWainParams> TWainParams;

    virtual void DoProgress(TObject* Sender, int Percent);
    virtual void DoFinishWork();
    bool MakeConsistentBitmap(std::initializer_list<TIEPixelFormat> Allowed = {});
    void Update();
    void AdjustDPI();

    std::unique_ptr<TIOParamsVals> Params;
    TIEProgressEvent OnProgress;
    TNotifyEvent OnFinishWork;
    std::atomic<bool> Aborting{false};  // set by any thread; filters poll it
    bool StreamHeaders = false;
    bool AutoAdjustDPI = false;
    bool FilteredAdjustDPI = false;
    TIEBWConversion BWConversion = ieBWThreshold;

    // Asynchronous mode: with a target that is not the component's own bitmap, each
    // load and save runs on a worker thread of its own (TIEIOThread) and returns at
    // once (functions answer -1). Updates of an attached view are posted to its window.
    bool AsyncMode = false;
    // The language of the component's dialogs.
    TMsgLanguage MsgLanguage = msSystem;
    // The save-parameters dialog for Params, with the pages asked for (pp* flags);
    // true when it closed with OK. OnDoPreviews may answer instead.
    virtual bool DoPreviews(uint16_t Pages);
    uint8_t PreviewsParams = 0;
    bool SimplifiedParamsDialogs = true;
    TFont* PreviewFont() const { return FPreviewFont.get(); }
    void SetPreviewFont(TFont* Value);
    TIEIOPreviewEvent OnIOPreview;
    TIEDoPreviewsEvent OnDoPreviews;
    // True on one of this component's workers.
    bool IsInsideAsyncThreads();
    // Waits until every worker has ended; SetAborting asks the running ones to stop.
    void WaitThreads(bool SetAborting);

    // Video files: the frame count (0 when the file cannot be read; Aborting then),
    // frames by index into the target, and the open file's end.
    int32_t OpenVideoFile(const std::string& FileName);
    void LoadVideoFrame(int32_t Index);
    void CloseVideoFile();
    bool IsVideoFileOpen() const { return FVideo != nullptr; }
    // Renders a metafile (WMF or EMF) into the target: Width x Height, a negative
    // side following the other in the metafile's aspect, both negative its own size
    // at 96 dpi; sides above 16000 shrink in proportion. WithAlpha makes the
    // untouched background transparent.
    virtual void ImportMetafile(const std::string& FileName, int32_t Width, bool WithAlpha, int32_t Height);

    // AVI files (RIFF AVI only): the frame count (0 and Aborting on failure), a frame
    // by index into the target (always one finish notification), and the end.
    int32_t OpenAVIFile(const std::string& FileName);
    void LoadFromAVI(int32_t Index);
    void CloseAVIFile();
    bool IsAVIFileOpen() const { return FAviFile != nullptr; }

    // The image as program text: 0 Pascal, 1 C, 2 Base64 (each of a save in
    // ImageFormat), 3 characters by brightness (RGB24 targets only).
    virtual void SaveToText(const std::string& FileName, TIOFormatCode ImageFormat, int32_t TextFormat);

    // A graph of the component's own, notifying the attached view's window.
    virtual TIEDirectShow* GetDShow();
    // Re-targets that graph's notifications to the view's current window.
    void UpdateDShowNotifyWindow();

    // Loads an image over HTTP ("http://host[:port]/path"), through ProxyAddress
    // ("host:port") when set; ProxyUser and ProxyPassword go to the proxy only.
    virtual void LoadFromURL(const std::string& URL);
    std::string ProxyAddress, ProxyUser, ProxyPassword;
    // Milliseconds to connect, and without a byte arriving, before a transfer fails.
    uint32_t URLConnectTimeout = 30000;
    uint32_t URLStallTimeout = 30000;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TFont> FPreviewFont = std::make_unique<TFont>();
    void RemoveViewCallback();
    void NewOwnTarget();
    void ReadViewBitmaps();
    void ViewBitmapChanged(bool Destroying);
    void ForgetTImage();
    TIEProgressRecord MakeProgress(bool Silent = false);
    void ApplyDefaultDpi();
    void PrepareLoad();
    void TakeMask(std::unique_ptr<TIEMask>& Mask);
    void AfterLoad(TIOFormatCode Format);
    bool SaveToFileBuiltin(const std::string& FileName, TIOFormatCode Format);
    bool PrepareSave(bool KeepFormat);
    // Runs Body on the opened file; a file that cannot be opened sets Aborting, notifies
    // and re-raises.
    void WithFileRead(const std::string& FileName, const std::function<void(TStream&)>& Body);
    void WithFileWrite(const std::string& FileName, const std::function<void(TStream&)>& Body);
    void LoadStreamBody(TIOFormatCode Format, TStream& Stream);
    // Self: the public entry, which a worker calls again.
    void LoadFileAs(TIOFormatCode Format, const std::string& FileName, TIEIOThread::TFileProc Self);
    void LoadStreamAs(TIOFormatCode Format, TStream& S, TIEIOThread::TStreamProc Self);
    void SaveFileAs(TIOFormatCode Format, const std::string& FileName, TIEIOThread::TFileProc Self);
    void SaveStreamAs(TIOFormatCode Format, TStream& S, TIEIOThread::TStreamProc Self);
    // Asynchronous mode applies to a call of this thread.
    bool AsyncApplies();
    // Hands the call to a new worker when asynchronous mode applies.
    template <class M, class... A>
    bool StartAsync(M Method, A&&... Args);
    bool StartAsyncURL(const std::string& URL);
    // Calls whose arguments live only as long as the call (a block's stream, a
    // downloaded body) run synchronously while a scope is open on the thread.
    static thread_local int FSyncDepth;
    struct TSyncScope {
        TSyncScope() { ++FSyncDepth; }
        ~TSyncScope() { --FSyncDepth; }
        TSyncScope(const TSyncScope&) = delete;
        TSyncScope& operator=(const TSyncScope&) = delete;
    };
    // The view learns a load's resolution: at once on the GUI thread, with the
    // worker's next IEIO_UPDATE otherwise.
    void TellViewDpi();
    int32_t FPendingDpiX = 0, FPendingDpiY = 0;
    void LoadStreamFilter(TIOFormatCode Format, TStream& Stream);
    void SaveStreamBody(TIOFormatCode Format, TStream& Stream);
    // Set while a file save runs (PNM files keep 48-bit colour, streams do not).
    bool FSavingToFile = false;

    TIEBitmap* FIEBitmap = nullptr;
    std::unique_ptr<TIEBitmap> FOwnBitmap;
    bool FIEBitmapOwned = true;
    TColor FBackground = 0;
    TBitmap* FBitmap = nullptr;  // the view's or the TImage's bitmap the target wraps
    TIEAttachedView* FAttachedView = nullptr;
    int32_t FViewCallback = -1;
    TImage* FAttachedTImage = nullptr;
    std::unique_ptr<TIEDirectShow> FVideo, FDShow;
    std::unique_ptr<TIEWia> FWia;
    PAVIFILE FAviFile = nullptr;
    PAVISTREAM FAviStream = nullptr;
    PGETFRAME FAviFrames = nullptr;
    AVISTREAMINFOA FAviInfo{};
    int64_t FVideoSeekMul = 1;
    double FVideoFrameTime = 0;  // hundredths of a second per frame

    friend class TIEIOThread;
    void AddAsyncThread(TIEIOThread* T);
    void SetAsyncThreadId(TIEIOThread* T, DWORD Id);
    void RemoveAsyncThread(TIEIOThread* T);
    std::mutex FAsyncLock;
    std::condition_variable FAsyncEnded;
    struct TAsyncEntry {
        TIEIOThread* Thread;
        DWORD Id;
    };
    std::vector<TAsyncEntry> FAsyncThreads;
};

template <class M, class... A>
bool TIEImageIO::StartAsync(M Method, A&&... Args) {
    if (!AsyncApplies()) return false;
    new TIEIOThread(this, Method, std::forward<A>(Args)...);  // frees itself when done
    return true;
}
