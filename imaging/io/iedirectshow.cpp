#include "imaging/io/iedirectshow.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "platform/media/dshowgraph.h"
#include "platform/win/winuser.h"

TIEDirectShow::TIEDirectShow() = default;

TIEDirectShow::~TIEDirectShow() { Disconnect(); }

void TIEDirectShow::BuildGraph() {
    Disconnect();
    auto g = std::make_unique<media::TFilterGraph>();
    // A step that fails leaves its part out; later steps skip what is missing.
    const bool source = g->AddSourceFilter(FileInput);
    g->AddColourConverter();
    FGrabber = EnableSampleGrabber && g->AddSampleGrabber();
    if (FGrabber) {
        g->SetBufferSamples(true);
        g->SetCallback([this](double, const uint8_t*, long) {
            if (FNotifyWindow) PostMessageW(FNotifyWindow, FFrameMessage, 0, reinterpret_cast<LPARAM>(this));
        });
    }
    g->AddNullRenderer();
    const bool connected = source && g->RenderStream();
    FControl = FSeeking = connected;
    FGrabber = FGrabber && connected;
    g->SetEventCallback([this](long Code) {
        FLastEvent = Code;
        if (FNotifyWindow) PostMessageW(FNotifyWindow, FEventMessage, 0, reinterpret_cast<LPARAM>(this));
    });
    FGraph = std::move(g);
}

void TIEDirectShow::Pause() {
    if (FGraph && FControl) FGraph->Pause();
}

void TIEDirectShow::Disconnect() {
    if (!FGraph) return;
    media::TFilterState st;
    if (FControl && FGraph->GetState(100, st) && st != media::State_Stopped) FGraph->Stop();
    FGraph.reset();
    FGrabber = FSeeking = FControl = false;
}

void TIEDirectShow::SetTimeFormat(int32_t Index) {
    if (!FGraph || !FSeeking || Index < 0 || Index > 5) return;
    FGraph->SetTimeFormat(static_cast<media::TTimeFormat>(Index));
}

int64_t TIEDirectShow::GetDuration() {
    int64_t d = 0;
    if (!FGraph || !FSeeking || !FGraph->GetDuration(d)) return 0;
    return d;
}

void TIEDirectShow::SeekTo(int64_t Position) {
    if (!FGraph || !FSeeking) return;
    FGraph->SetPositions(Position);
    if (!FControl) return;
    // The graph settles at once; a bounded wait keeps a graph that never settles
    // from holding the caller.
    media::TFilterState st;
    for (int i = 0; i < 50 && !FGraph->GetState(100, st); ++i) {
    }
}

void TIEDirectShow::GetVideoFormat(int32_t& Width, int32_t& Height, std::string&) {
    media::TVideoInfoHeader vih;
    if (!FGraph || !FGrabber || !FGraph->GetConnectedMediaType(vih)) return;
    Width = vih.Width;
    Height = vih.Height;
}

int64_t TIEDirectShow::GetAverageTimePerFrame() {
    media::TVideoInfoHeader vih;
    if (!FGraph || !FGrabber || !FGraph->GetConnectedMediaType(vih)) return 0;
    return vih.AvgTimePerFrame;
}

void TIEDirectShow::GrabFrame(TIEBitmap* Bitmap) {
    media::TVideoInfoHeader vih;
    if (!Bitmap || !FGraph || !FGrabber || !FGraph->GetConnectedMediaType(vih)) return;
    const int32_t w = vih.Width, h = vih.Height;
    if (w <= 0 || h <= 0) return;
    if (Bitmap->Location() == ieTempFile) Bitmap->SetLocation(ieMemory);
    if (Bitmap->PixelFormat() != ieRGB24 || Bitmap->Width() != w || Bitmap->Height() != h)
        Bitmap->Allocate(w, h, ieRGB24);
    long size = 0;
    if (!FGraph->GetCurrentBuffer(&size, /*Buffer=*/nullptr) || size <= 0) return;
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    FGraph->GetCurrentBuffer(&size, buf.data());
    // Bottom-up rows of width x 3 bytes padded to 32 bits; never past either end.
    const int64_t srcRow = (static_cast<int64_t>(w) * 3 + 3) & ~int64_t(3);
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(w) * 3, Bitmap->RowLen()));
    for (int32_t y = 0; y < h; ++y) {
        const int64_t off = (h - 1 - y) * srcRow;
        if (off + static_cast<int64_t>(n) > size) continue;
        std::memcpy(Bitmap->Scanline(y), buf.data() + off, n);
    }
}

void TIEDirectShow::SetNotifyWindow(HWND Window, UINT FrameMessage, UINT EventMessage) {
    FNotifyWindow = Window;
    FFrameMessage = FrameMessage;
    FEventMessage = EventMessage;
}
