// An ICC colour profile and the conversion of pixel rows from one profile to another.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/classes.h"

// True when colour management is available (always, here: it is linked in).
bool LoadColorManagementLibrary();

// Pixel layouts of TIEICC::Transform.
enum : int32_t {
    ieiccRGB = 0,        // 3 bytes R, G, B
    ieiccBGR = 1,        // 3 bytes B, G, R (a TRGB)
    ieiccCMYKInv = 2,    // 4 bytes, each ink stored as 255 - ink
    ieiccCMYK = 3,       // 4 bytes C, M, Y, K
    ieiccLab = 4,        // 3 bytes L, a, b
    ieiccGray = 5,       // 1 byte
    ieiccRGB48LE = 6,    // three 16-bit values, little-endian
    ieiccRGB48BE = 7,    // three 16-bit values, big-endian
    ieicc3Channel = 8,   // 3 bytes of a generic 3-channel space
};

class TIEICC : public TObject {
public:
    TIEICC() = default;
    ~TIEICC() override { Clear(); }
    TIEICC(const TIEICC&) = delete;
    TIEICC& operator=(const TIEICC&) = delete;

    bool LoadFromBuffer(const void* Buffer, int32_t Length);
    bool Assign(const TIEICC* Source);
    void LoadSRGBProfile();
    bool OpenProfile();
    bool IsValid() const { return ProfileHandle != nullptr; }
    void FreeTransform();
    void CloseProfile();
    void Clear();
    // Converts PixelCount pixels of Source (in SourceLayout, this profile) into Dest (in
    // DestLayout, Destination's profile). False when no transform could be made or the
    // colours could not be converted; Source is never changed.
    bool Transform(TIEICC* Destination, int32_t SourceLayout, int32_t DestLayout, int32_t Extra1, int32_t Extra2,
                   const void* Source, void* Dest, int32_t PixelCount);
    const std::vector<uint8_t>& RawProfile() const { return FRaw; }
    int32_t RawLength() const { return static_cast<int32_t>(FRaw.size()); }
    int32_t TransformsCreated() const { return FCreated; }

private:
    std::vector<uint8_t> FRaw;
    void* ProfileHandle = nullptr;
    void* TransformHandle = nullptr;
    int32_t FKey[4] = {-1, -1, -1, -1};
    int32_t FCreated = 0;
};
