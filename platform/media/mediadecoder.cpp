#include "platform/media/mediadecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

#include "platform/rtl/shared_library.h"

namespace media {

namespace {
constexpr AVRational MediaTime{1, 10000000};

// The libav calls, reached through the libraries opened on the first decoder's
// Open: the program starts without them and their own dependencies.
#define TESSARO_AV_CALLS(X) \
    X(Format, avformat_open_input) \
    X(Format, avformat_find_stream_info) \
    X(Format, av_find_best_stream) \
    X(Format, avformat_close_input) \
    X(Format, av_read_frame) \
    X(Format, av_seek_frame) \
    X(Format, avformat_seek_file) \
    X(Codec, avcodec_alloc_context3) \
    X(Codec, avcodec_parameters_to_context) \
    X(Codec, avcodec_open2) \
    X(Codec, avcodec_free_context) \
    X(Codec, avcodec_send_packet) \
    X(Codec, avcodec_receive_frame) \
    X(Codec, avcodec_flush_buffers) \
    X(Codec, av_packet_alloc) \
    X(Codec, av_packet_free) \
    X(Codec, av_packet_unref) \
    X(Util, av_frame_alloc) \
    X(Util, av_frame_free) \
    X(Util, av_frame_unref) \
    X(Util, av_frame_move_ref) \
    X(Util, av_log_set_level) \
    X(Util, av_rescale) \
    X(Util, av_rescale_q) \
    X(Util, av_rescale_q_rnd) \
    X(Scale, sws_getCachedContext) \
    X(Scale, sws_scale) \
    X(Scale, sws_freeContext)

struct TAvCalls {
#define TESSARO_AV_FIELD(Library, Name) decltype(&::Name) Name = nullptr;
    TESSARO_AV_CALLS(TESSARO_AV_FIELD)
#undef TESSARO_AV_FIELD
};

// Null when a library or an entry is missing; the reason went to the standard
// error stream once.
const TAvCalls* LoadAvCalls() {
    static TSharedLibrary Util("video decoding", TESSARO_SONAME_LIBAVUTIL);
    static TSharedLibrary Codec("video decoding", TESSARO_SONAME_LIBAVCODEC);
    static TSharedLibrary Format("video decoding", TESSARO_SONAME_LIBAVFORMAT);
    static TSharedLibrary Scale("video decoding", TESSARO_SONAME_LIBSWSCALE);
    static TAvCalls Calls;
    for (TSharedLibrary* L : {&Util, &Codec, &Format, &Scale}) {
        if (!L->Open()) {
            L->ReportError();
            return nullptr;
        }
    }
    bool ok = true;
#define TESSARO_AV_BIND(Library, Name) ok = ok && Library.Bind(Calls.Name, #Name);
    TESSARO_AV_CALLS(TESSARO_AV_BIND)
#undef TESSARO_AV_BIND
    if (!ok) {
        for (TSharedLibrary* L : {&Util, &Codec, &Format, &Scale}) L->ReportError();
        return nullptr;
    }
    return &Calls;
}

const TAvCalls* AvCalls() {
    static const TAvCalls* Calls = LoadAvCalls();
    return Calls;
}

// Only used once an Open has found the calls.
const TAvCalls& Av() { return *AvCalls(); }
}

struct TDecoderState {
    AVFormatContext* Fmt = nullptr;
    AVCodecContext* Codec = nullptr;
    SwsContext* Sws = nullptr;
    AVPacket* Packet = nullptr;
    AVFrame* Frame = nullptr;
    AVFrame* Kept = nullptr;  // the best frame so far of a decode
    int Stream = -1;
    bool Eof = false;
    int64_t Scanned = 0;  // media time measured from the packets (containers without a frame count)
    // Containers without a frame count stamp frames too loosely to seek by time:
    // their frames are counted from the start, going on forward where possible.
    bool Counting = false;
    int64_t NextIndex = -1;  // of the decoder's next frame; -1: not positioned
    int64_t KeptIndex = -1;

    ~TDecoderState() { Close(); }
    void Close() {
        // Anything held means the calls were found; a decoder never opened
        // leaves the libraries unloaded.
        if (Sws || Frame || Kept || Packet || Codec || Fmt) {
            if (Sws) Av().sws_freeContext(Sws);
            Sws = nullptr;
            Av().av_frame_free(&Frame);
            Av().av_frame_free(&Kept);
            Av().av_packet_free(&Packet);
            Av().avcodec_free_context(&Codec);
            if (Fmt) Av().avformat_close_input(&Fmt);
        }
        Stream = -1;
        Eof = false;
        Scanned = 0;
        Counting = false;
        NextIndex = KeptIndex = -1;
    }
    AVStream* St() const { return Fmt->streams[Stream]; }
    // Kept as a bottom-up padded BGR frame.
    bool Convert(std::vector<uint8_t>& Buffer, double& SampleTime);
    int64_t Start() const { return St()->start_time != AV_NOPTS_VALUE ? St()->start_time : 0; }

    // The next decoded frame into Frame; false at the end or on an error.
    bool Next() {
        for (;;) {
            int r = Av().avcodec_receive_frame(Codec, Frame);
            if (r == 0) return true;
            if (r != AVERROR(EAGAIN)) return false;
            if (Eof) return false;
            r = Av().av_read_frame(Fmt, Packet);
            if (r < 0) {
                Eof = true;
                Av().avcodec_send_packet(Codec, nullptr);  // drain
                continue;
            }
            if (Packet->stream_index == Stream) Av().avcodec_send_packet(Codec, Packet);
            Av().av_packet_unref(Packet);
        }
    }
    int64_t PtsOf(const AVFrame* F) const {
        int64_t p = F->best_effort_timestamp;
        return p == AV_NOPTS_VALUE ? F->pts : p;
    }
    bool SeekTo(int64_t Ts) {
        Av().avcodec_flush_buffers(Codec);
        Eof = false;
        return Av().av_seek_frame(Fmt, Stream, Ts, AVSEEK_FLAG_BACKWARD) >= 0 ||
               Av().av_seek_frame(Fmt, Stream, Ts, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) >= 0;
    }
};

TVideoDecoder::TVideoDecoder() : S(std::make_unique<TDecoderState>()) {}
TVideoDecoder::~TVideoDecoder() = default;

bool TVideoDecoder::Open(const std::string& FileName) {
    Close();
    if (!AvCalls()) return false;
    Av().av_log_set_level(AV_LOG_ERROR);
    if (Av().avformat_open_input(&S->Fmt, FileName.c_str(), nullptr, nullptr) < 0) {
        S->Fmt = nullptr;
        return false;
    }
    const AVCodec* codec = nullptr;
    if (Av().avformat_find_stream_info(S->Fmt, nullptr) < 0 ||
        (S->Stream = Av().av_find_best_stream(S->Fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0)) < 0 || codec == nullptr) {
        Close();
        return false;
    }
    S->Codec = Av().avcodec_alloc_context3(codec);
    if (!S->Codec || Av().avcodec_parameters_to_context(S->Codec, S->St()->codecpar) < 0) {
        Close();
        return false;
    }
    S->Codec->thread_count = 0;
    if (Av().avcodec_open2(S->Codec, codec, nullptr) < 0 || S->Codec->width <= 0 || S->Codec->height <= 0) {
        Close();
        return false;
    }
    S->Packet = Av().av_packet_alloc();
    S->Frame = Av().av_frame_alloc();
    S->Kept = Av().av_frame_alloc();
    if (!S->Packet || !S->Frame || !S->Kept) {
        Close();
        return false;
    }
    if (S->St()->nb_frames <= 0) {
        // A container that states no frame count estimates its duration (from the
        // bit rate, say); the packets' own times tell it exactly.
        const int64_t tpf = AvgTimePerFrame();
        const AVRational tb = S->St()->time_base;
        int64_t first = AV_NOPTS_VALUE, end = AV_NOPTS_VALUE;
        while (Av().av_read_frame(S->Fmt, S->Packet) >= 0) {
            // Decoding times run without gaps; presentation times are often left out.
            const int64_t t = S->Packet->dts != AV_NOPTS_VALUE ? S->Packet->dts : S->Packet->pts;
            if (S->Packet->stream_index == S->Stream && t != AV_NOPTS_VALUE) {
                const int64_t d = S->Packet->duration > 0 ? S->Packet->duration : Av().av_rescale_q(tpf, MediaTime, tb);
                if (first == AV_NOPTS_VALUE || t < first) first = t;
                if (end == AV_NOPTS_VALUE || t + d > end) end = t + d;
            }
            Av().av_packet_unref(S->Packet);
        }
        if (first != AV_NOPTS_VALUE && end > first) S->Scanned = Av().av_rescale_q(end - first, tb, MediaTime);
        S->Counting = tpf > 0;
        S->NextIndex = -1;
    }
    return true;
}

void TVideoDecoder::Close() { S->Close(); }
bool TVideoDecoder::IsOpen() const { return S->Codec != nullptr; }
int32_t TVideoDecoder::Width() const { return S->Codec ? S->Codec->width : 0; }
int32_t TVideoDecoder::Height() const { return S->Codec ? S->Codec->height : 0; }

void TVideoDecoder::FrameRate(int32_t& Num, int32_t& Den) const {
    Num = Den = 0;
    if (!S->Codec) return;
    AVRational r = S->St()->avg_frame_rate;
    if (r.num <= 0 || r.den <= 0) r = S->St()->r_frame_rate;
    if (r.num <= 0 || r.den <= 0) return;
    Num = r.num;
    Den = r.den;
}

int64_t TVideoDecoder::AvgTimePerFrame() const {
    int32_t n, d;
    FrameRate(n, d);
    if (n <= 0 || d <= 0) return 0;
    return Av().av_rescale(10000000, d, n);
}

int64_t TVideoDecoder::FrameCount() const { return S->Codec ? std::max<int64_t>(0, S->St()->nb_frames) : 0; }

int64_t TVideoDecoder::Duration() const {
    if (!S->Codec) return 0;
    if (S->Scanned > 0) return S->Scanned;
    if (S->St()->duration != AV_NOPTS_VALUE && S->St()->duration > 0)
        return Av().av_rescale_q(S->St()->duration, S->St()->time_base, MediaTime);
    if (S->Fmt->duration != AV_NOPTS_VALUE && S->Fmt->duration > 0)
        return Av().av_rescale_q(S->Fmt->duration, AVRational{1, AV_TIME_BASE}, MediaTime);
    return 0;
}

std::string TVideoDecoder::ContainerName() const { return S->Fmt ? S->Fmt->iformat->name : ""; }

bool TVideoDecoder::DecodeAt(int64_t Time, std::vector<uint8_t>& Buffer, double& SampleTime) {
    if (!IsOpen() || Time < 0) return false;
    const AVRational tb = S->St()->time_base;
    const int64_t tpf = AvgTimePerFrame();
    // The frame shown at Time: the last one starting before Time plus half a frame
    // (frame times are rounded to the container's time base).
    const int64_t target = S->Start() + Av().av_rescale_q(Time, MediaTime, tb);
    const int64_t slack = Av().av_rescale_q_rnd(tpf > 0 ? tpf / 2 : 0, MediaTime, tb, AV_ROUND_DOWN);
    const int64_t limit = target + slack;

    if (S->Counting) {
        const int64_t index = (Time + tpf / 2) / tpf;
        if (index != S->KeptIndex) {
            if (S->NextIndex < 0 || index < S->NextIndex) {
                Av().avcodec_flush_buffers(S->Codec);
                S->Eof = false;
                if (Av().avformat_seek_file(S->Fmt, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE) < 0 &&
                    Av().av_seek_frame(S->Fmt, S->Stream, S->Start(), AVSEEK_FLAG_BACKWARD) < 0)
                    return false;
                S->NextIndex = 0;
            }
            // Past the last frame, the last one is shown.
            while (S->NextIndex <= index && S->Next()) {
                Av().av_frame_unref(S->Kept);
                Av().av_frame_move_ref(S->Kept, S->Frame);
                S->KeptIndex = S->NextIndex++;
            }
        }
        if (S->Kept->width <= 0) return false;
        S->Kept->pts = S->Start() + Av().av_rescale_q(S->KeptIndex * tpf, MediaTime, tb);
        return S->Convert(Buffer, SampleTime);
    }
    S->KeptIndex = -1;
    S->NextIndex = -1;
    // Seek to the key frame before; further back when the demuxer lands after the frame.
    int64_t back = 0;
    Av().av_frame_unref(S->Kept);
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (!S->SeekTo(target - back) && back == 0) S->SeekTo(S->Start());
        bool first = true, tooLate = false;
        int64_t prev = AV_NOPTS_VALUE;
        const int64_t frameTb = Av().av_rescale_q(tpf, MediaTime, tb);
        while (S->Next()) {
            // Frames without a time of their own follow the one before (program
            // streams stamp few), rather than the decoder's guess from decoding times.
            int64_t pts = S->Frame->pts;
            if (pts == AV_NOPTS_VALUE)
                pts = prev != AV_NOPTS_VALUE && frameTb > 0 ? prev + frameTb : S->PtsOf(S->Frame);
            prev = pts;
            S->Frame->pts = pts;
            if (pts != AV_NOPTS_VALUE && pts > limit) {
                tooLate = first;
                Av().av_frame_unref(S->Frame);
                break;
            }
            first = false;
            Av().av_frame_unref(S->Kept);
            Av().av_frame_move_ref(S->Kept, S->Frame);
        }
        if (!tooLate || target - back <= S->Start()) break;
        back = back == 0 ? Av().av_rescale_q(10000000, MediaTime, tb) : back * 2;
    }
    if (S->Kept->width <= 0) return false;
    return S->Convert(Buffer, SampleTime);
}

bool TDecoderState::Convert(std::vector<uint8_t>& Buffer, double& SampleTime) {
    AVFrame* f = Kept;
    const int w = Codec->width, h = Codec->height;
    Sws = Av().sws_getCachedContext(Sws, f->width, f->height, static_cast<AVPixelFormat>(f->format), w, h,
                               AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                               nullptr, nullptr);
    if (!Sws) return false;
    const int64_t row = (static_cast<int64_t>(w) * 3 + 3) & ~int64_t(3);
    Buffer.assign(static_cast<size_t>(row * h), 0);
    // Bottom-up: the first row written is the buffer's last.
    uint8_t* dst[4] = {Buffer.data() + (h - 1) * row, nullptr, nullptr, nullptr};
    int dstStride[4] = {-static_cast<int>(row), 0, 0, 0};
    Av().sws_scale(Sws, f->data, f->linesize, 0, f->height, dst, dstStride);
    const int64_t pts = f->pts;
    SampleTime = pts == AV_NOPTS_VALUE ? 0 : (pts - Start()) * av_q2d(St()->time_base);
    return true;
}

}  // namespace media
