// Small helpers shared by the format filters (not for use outside imaging/io).
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

namespace ieio {

// A number read from a file (a resolution, a position) as an int; one that no
// int holds, or no number at all, reads as absent (0) instead of converting
// out of range.
inline int32_t IntOrZero(double V) { return V > -2147483648.0 && V < 2147483648.0 ? static_cast<int32_t>(V) : 0; }

inline void SetAbort(TIEProgressRecord& P) {
    if (P.Aborting) *P.Aborting = true;
}

// Reads exactly Count bytes; a short read sets the abort flag and answers false.
inline bool ReadExact(TStream& S, void* Buffer, int64_t Count, TIEProgressRecord& P) {
    if (Count <= 0) return true;
    if (S.Read(Buffer, Count) == Count) return true;
    SetAbort(P);
    return false;
}

// A header's pixel count must be reachable from the bytes that remain (Expansion: the
// most pixels one byte of the format can yield); guards allocations against forged sizes.
inline bool PlausibleSize(int64_t Width, int64_t Height, int64_t Available, int64_t Expansion) {
    if (Width <= 0 || Height <= 0 || Width > 1000000 || Height > 1000000) return false;
    if (Available < 0) Available = 0;
    return Width * Height <= (Available + 64) * Expansion;
}

// Allocates the bitmap unless it already holds an image of that size and format, whose
// storage is then reused (a new image is uninitialised either way; this spares the pages).
template <typename Bitmap>
void Reallocate(Bitmap* B, int32_t W, int32_t H, TIEPixelFormat PF) {
    if (B->Width() == W && B->Height() == H && B->PixelFormat() == PF && !B->HasAlphaChannel() && !B->IsEmpty())
        return;
    B->Allocate(W, H, PF);
}

inline void Report(TIEProgressRecord& P, double Done) {
    if (P.OnProgress) P.OnProgress(P.Sender, static_cast<int>(Done * P.Per1));
}

inline uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutLE16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace ieio

namespace ieio {

// Byte-at-a-time reading for text headers and ASCII pixel data through a buffer;
// Sync puts the stream at the logical position before binary reads.
class TByteReader {
public:
    explicit TByteReader(TStream& S) : FStream(S), FBase(S.Position()) {}
    // The next byte, or -1 at the end of the stream.
    int Get() {
        if (FPos == FLen) {
            FBase += FLen;
            FPos = 0;
            FLen = FStream.Read(FBuf, sizeof FBuf);
            if (FLen <= 0) {
                FLen = 0;
                return -1;
            }
        }
        return FBuf[FPos++];
    }
    // Steps back over the byte just read.
    void Unget() {
        if (FPos > 0) --FPos;
    }
    int64_t Tell() const { return FBase + FPos; }
    void Sync() { FStream.Seek(Tell(), soBeginning); }

private:
    TStream& FStream;
    int64_t FBase;
    int64_t FPos = 0, FLen = 0;
    uint8_t FBuf[16384];
};

}  // namespace ieio
