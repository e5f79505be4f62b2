// The video-file graph of the image library, over libavformat, libavcodec and
// libswscale: a file source, a colour converter to RGB24, a sample grabber that
// keeps the last frame, a null renderer, and the control, seeking and event
// calls made on such a graph. Audio streams are ignored.
//
// Frames are delivered on the caller's thread: pausing delivers the frame at
// the current position, a seek delivers the frame sought, and each delivery
// calls the grabber's callback once. The grabber's buffer holds the frame as a
// bottom-up DIB: RGB24 (blue, green, red) rows padded to 32 bits.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace media {

enum TFilterState { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

// Seeking time formats, as the graph's callers number them.
enum TTimeFormat {
    TIME_FORMAT_NONE = 0,
    TIME_FORMAT_FRAME = 1,
    TIME_FORMAT_SAMPLE = 2,
    TIME_FORMAT_FIELD = 3,
    TIME_FORMAT_BYTE = 4,
    TIME_FORMAT_MEDIA_TIME = 5  // 100-nanosecond units
};

// Graph events.
constexpr long EC_COMPLETE = 0x01, EC_ERRORABORT = 0x03, EC_PAUSED = 0x0E;

// The grabber's connected media type (video information header).
struct TVideoInfoHeader {
    int32_t Width = 0, Height = 0;
    int16_t BitCount = 24;
    int64_t AvgTimePerFrame = 0;  // 100-nanosecond units; 0 unknown
};

struct TGraphState;

class TFilterGraph {
public:
    TFilterGraph();
    ~TFilterGraph();
    TFilterGraph(const TFilterGraph&) = delete;
    TFilterGraph& operator=(const TFilterGraph&) = delete;

    // Filters. The source opens the file and finds its first video stream.
    bool AddSourceFilter(const std::string& FileName);
    bool AddColourConverter();
    // The grabber takes RGB24 video only; with BufferSamples it keeps the last frame.
    bool AddSampleGrabber();
    bool AddNullRenderer();
    // Connects source, converter or grabber, and renderer for the video stream;
    // false when a filter is missing or the stream cannot be decoded.
    bool RenderStream();

    // Sample grabber.
    void SetBufferSamples(bool Value);
    // Called once per delivered frame with its time (seconds) and the buffer.
    using TBufferCallback = std::function<void(double SampleTime, const uint8_t* Buffer, long Size)>;
    void SetCallback(TBufferCallback Callback);
    bool GetConnectedMediaType(TVideoInfoHeader& Info) const;
    // Size of the buffered frame in bytes (0: nothing yet); with Buffer set, copies
    // up to *Size bytes.
    bool GetCurrentBuffer(long* Size, void* Buffer) const;

    // Media control. Pause delivers the frame at the current position.
    bool Pause();
    bool Stop();
    // The graph settles synchronously: the state is final at once.
    bool GetState(uint32_t TimeoutMs, TFilterState& State) const;

    // Seeking. The frame format is offered when the container states its frame
    // count; media time always.
    bool IsFormatSupported(TTimeFormat Format) const;
    bool SetTimeFormat(TTimeFormat Format);
    TTimeFormat GetTimeFormat() const;
    bool GetDuration(int64_t& Duration) const;
    // Seeks to Current (in the time format) and, paused, delivers that frame
    // (decoded from the preceding key frame).
    bool SetPositions(int64_t Current);
    bool GetCurrentPosition(int64_t& Position) const;

    // Events: the callback hears each event code as it happens.
    void SetEventCallback(std::function<void(long Code)> Callback);

    bool HasSource() const;

private:
    bool Deliver();
    std::unique_ptr<TGraphState> S;
};

}  // namespace media
