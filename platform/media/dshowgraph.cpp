#include "platform/media/dshowgraph.h"


#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/media/mediadecoder.h"

namespace media {

struct TGraphState {
    TVideoDecoder Decoder;
    bool Source = false, Converter = false, Grabber = false, Renderer = false, Connected = false;
    bool BufferSamples = false;
    TFilterGraph::TBufferCallback Callback;
    std::function<void(long)> EventCallback;
    TFilterState State = State_Stopped;
    TTimeFormat Format = TIME_FORMAT_MEDIA_TIME;
    int64_t Position = 0;  // media time of the current frame
    bool Delivered = false;
    std::vector<uint8_t> Buffer;
    double SampleTime = 0;
};

TFilterGraph::TFilterGraph() : S(std::make_unique<TGraphState>()) {}
TFilterGraph::~TFilterGraph() = default;

bool TFilterGraph::AddSourceFilter(const std::string& FileName) {
    if (S->Source) return false;
    S->Source = S->Decoder.Open(FileName);
    return S->Source;
}

bool TFilterGraph::AddColourConverter() { return S->Converter = true; }
bool TFilterGraph::AddSampleGrabber() { return S->Grabber = true; }
bool TFilterGraph::AddNullRenderer() { return S->Renderer = true; }
bool TFilterGraph::HasSource() const { return S->Source; }

bool TFilterGraph::RenderStream() {
    if (!S->Source || !S->Renderer || !(S->Converter || S->Grabber)) return false;
    S->Connected = true;
    return true;
}

void TFilterGraph::SetBufferSamples(bool Value) { S->BufferSamples = Value; }
void TFilterGraph::SetCallback(TBufferCallback Callback) { S->Callback = std::move(Callback); }
void TFilterGraph::SetEventCallback(std::function<void(long)> Callback) { S->EventCallback = std::move(Callback); }

bool TFilterGraph::GetConnectedMediaType(TVideoInfoHeader& Info) const {
    if (!S->Connected || !S->Grabber) return false;
    Info.Width = S->Decoder.Width();
    Info.Height = S->Decoder.Height();
    Info.BitCount = 24;
    Info.AvgTimePerFrame = S->Decoder.AvgTimePerFrame();
    return true;
}

bool TFilterGraph::GetCurrentBuffer(long* Size, void* Buffer) const {
    if (Size == nullptr || !S->Grabber || !S->BufferSamples) return false;
    if (Buffer == nullptr) {
        *Size = static_cast<long>(S->Buffer.size());
        return true;
    }
    const long n = std::min<long>(*Size, static_cast<long>(S->Buffer.size()));
    std::memcpy(Buffer, S->Buffer.data(), static_cast<size_t>(n));
    *Size = n;
    return true;
}

bool TFilterGraph::Deliver() {
    if (!S->Connected) return false;
    double t = 0;
    if (!S->Decoder.DecodeAt(S->Position, S->Buffer, t)) {
        if (S->EventCallback) S->EventCallback(EC_ERRORABORT);
        return false;
    }
    S->SampleTime = t;
    S->Delivered = true;
    if (S->Callback) S->Callback(t, S->Buffer.data(), static_cast<long>(S->Buffer.size()));
    return true;
}

bool TFilterGraph::Pause() {
    if (!S->Connected) return false;
    const bool first = S->State == State_Stopped || !S->Delivered;
    S->State = State_Paused;
    if (first) Deliver();
    if (S->EventCallback) S->EventCallback(EC_PAUSED);
    return true;
}

bool TFilterGraph::Stop() {
    if (!S->Connected) return false;
    S->State = State_Stopped;
    return true;
}

bool TFilterGraph::GetState(uint32_t, TFilterState& State) const {
    if (!S->Connected) return false;
    State = S->State;
    return true;
}

bool TFilterGraph::IsFormatSupported(TTimeFormat Format) const {
    if (!S->Source) return false;
    return Format == TIME_FORMAT_MEDIA_TIME || (Format == TIME_FORMAT_FRAME && S->Decoder.FrameCount() > 0);
}

bool TFilterGraph::SetTimeFormat(TTimeFormat Format) {
    if (!IsFormatSupported(Format)) return false;
    S->Format = Format;
    return true;
}

TTimeFormat TFilterGraph::GetTimeFormat() const { return S->Format; }

bool TFilterGraph::GetDuration(int64_t& Duration) const {
    if (!S->Source) return false;
    if (S->Format == TIME_FORMAT_FRAME) {
        Duration = S->Decoder.FrameCount();
    } else {
        Duration = S->Decoder.Duration();
    }
    return Duration > 0;
}

bool TFilterGraph::SetPositions(int64_t Current) {
    if (!S->Source || Current < 0) return false;
    int64_t t = Current;
    if (S->Format == TIME_FORMAT_FRAME) {
        const int64_t tpf = S->Decoder.AvgTimePerFrame();
        if (tpf <= 0) return false;
        t = Current * tpf;
    }
    S->Position = t;
    S->Delivered = false;
    if (S->State != State_Stopped) return Deliver();
    return true;
}

bool TFilterGraph::GetCurrentPosition(int64_t& Position) const {
    if (!S->Source) return false;
    const int64_t tpf = S->Decoder.AvgTimePerFrame();
    Position = S->Format == TIME_FORMAT_FRAME ? (tpf > 0 ? S->Position / tpf : 0) : S->Position;
    return true;
}

}  // namespace media
