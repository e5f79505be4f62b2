// The first video stream of a file, decoded to bottom-up RGB24 frames (blue,
// green, red; rows padded to 32 bits) at a chosen time, frame-exact: a seek goes
// to the key frame before the time and decodes forward.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace media {

struct TDecoderState;

class TVideoDecoder {
public:
    TVideoDecoder();
    ~TVideoDecoder();
    TVideoDecoder(const TVideoDecoder&) = delete;
    TVideoDecoder& operator=(const TVideoDecoder&) = delete;

    bool Open(const std::string& FileName);
    void Close();
    bool IsOpen() const;
    int32_t Width() const;
    int32_t Height() const;
    // 100-nanosecond units per frame, from the stream's frame rate; 0 unknown.
    int64_t AvgTimePerFrame() const;
    // The frame count the container states; 0 when it states none.
    int64_t FrameCount() const;
    // Duration in 100-nanosecond units; 0 unknown.
    int64_t Duration() const;
    // The frame rate as a fraction; 0/0 unknown.
    void FrameRate(int32_t& Num, int32_t& Den) const;
    // The container's short name ("avi", "mov,mp4,m4a,3gp,3g2,mj2", "mpeg", ...).
    std::string ContainerName() const;
    int64_t BytesOfRow() const { return (static_cast<int64_t>(Width()) * 3 + 3) & ~int64_t(3); }

    // Decodes the frame shown at Time (100-nanosecond units from the stream's
    // start) into Buffer; SampleTime gets that frame's time in seconds.
    bool DecodeAt(int64_t Time, std::vector<uint8_t>& Buffer, double& SampleTime);

private:
    std::unique_ptr<TDecoderState> S;
};

}  // namespace media
