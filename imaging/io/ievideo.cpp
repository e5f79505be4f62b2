// TIEImageIO's video operations: frames of a video file through a TIEDirectShow graph.
#include <cmath>

#include "platform/rtl/sysutils.h"

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"

int32_t TIEImageIO::OpenVideoFile(const std::string& FileName) {
    CloseVideoFile();
    Aborting = true;
    FVideo = std::make_unique<TIEDirectShow>();
    FVideo->FileInput = FileName;
    FVideo->EnableSampleGrabber = true;
    FVideo->BuildGraph();
    FVideo->Pause();
    FVideo->SetTimeFormat(5);
    const int64_t d = FVideo->GetDuration();
    // Without a duration the graph stays open until CloseVideoFile.
    if (d == 0) return 0;
    FVideo->SetTimeFormat(1);
    const int64_t f = FVideo->GetDuration();
    const int64_t t = FVideo->GetAverageTimePerFrame();
    int64_t frames;
    if (f == d) {
        // No frame format: the duration is still media time.
        if (t <= 0) return 0;
        frames = d / t;
        FVideoSeekMul = t;
    } else {
        frames = f;
        FVideoSeekMul = 1;
    }
    if (frames <= 0 || frames > INT32_MAX) return 0;
    FVideoFrameTime = static_cast<double>(d) / 10000000.0 / static_cast<double>(frames) * 100.0;
    Aborting = false;
    Params->MediaFileFrameCount = static_cast<int32_t>(frames);
    // The frame rate is known from here on (a view reads it before any frame).
    Params->MediaFileFrameDelay = static_cast<int32_t>(Round(FVideoFrameTime));
    Params->FileType = 0;
    Params->FileName = FileName;
    std::string subType;
    FVideo->GetVideoFormat(Params->Width, Params->Height, subType);
    return static_cast<int32_t>(frames);
}

void TIEImageIO::LoadVideoFrame(int32_t Index) {
    if (!FVideo || FIEBitmap == nullptr) return;
    Params->SetImageIndex(Index);
    FVideo->SeekTo(static_cast<int64_t>(Index) * FVideoSeekMul);
    FVideo->GrabFrame(FIEBitmap);
    // Halves go to the even neighbour.
    Params->MediaFileFrameDelay = static_cast<int32_t>(Round(FVideoFrameTime));
    Update();
}

void TIEImageIO::CloseVideoFile() {
    if (!FVideo) return;
    FVideo->Disconnect();
    FVideo.reset();
}

TIEDirectShow* TIEImageIO::GetDShow() {
    if (!FDShow) {
        FDShow = std::make_unique<TIEDirectShow>();
        if (FAttachedView) FDShow->SetNotifyWindow(FAttachedView->IOWindow(), IEIO_DSHOWFRAME, IEIO_DSHOWEVENT);
    }
    return FDShow.get();
}

void TIEImageIO::UpdateDShowNotifyWindow() {
    if (!FDShow || !FAttachedView) return;
    HWND w = FAttachedView->IOWindow();
    if (w != FDShow->NotifyWindow()) FDShow->SetNotifyWindow(w, IEIO_DSHOWFRAME, IEIO_DSHOWEVENT);
}
