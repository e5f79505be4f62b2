// ICC profiles of the image library over the colour-management calls.
#include "imaging/bitmaps/ieicc.h"

#include <cstring>

#include "platform/icm/icm.h"

bool LoadColorManagementLibrary() { return true; }

bool TIEICC::LoadFromBuffer(const void* Buffer, int32_t Length) {
    Clear();
    if (!Buffer || Length <= 0) return false;
    auto* p = static_cast<const uint8_t*>(Buffer);
    FRaw.assign(p, p + Length);
    return OpenProfile();
}

bool TIEICC::Assign(const TIEICC* Source) {
    if (!Source || Source == this) return IsValid();
    Clear();
    FRaw = Source->FRaw;
    return OpenProfile();
}

void TIEICC::LoadSRGBProfile() {
    Clear();
    static char name[] = "sRGB Color Space Profile.icm";
    PROFILE p{PROFILE_FILENAME, name, static_cast<DWORD>(sizeof name)};
    ProfileHandle = OpenColorProfileA(&p, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

bool TIEICC::OpenProfile() {
    if (FRaw.empty()) return false;
    PROFILE p{PROFILE_MEMBUFFER, FRaw.data(), static_cast<DWORD>(FRaw.size())};
    ProfileHandle = OpenColorProfileA(&p, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    return ProfileHandle != nullptr;
}

void TIEICC::FreeTransform() {
    if (TransformHandle) DeleteColorTransform(TransformHandle);
    TransformHandle = nullptr;
    for (auto& k : FKey) k = -1;
}

void TIEICC::CloseProfile() {
    FreeTransform();
    if (ProfileHandle) CloseColorProfile(ProfileHandle);
    ProfileHandle = nullptr;
}

void TIEICC::Clear() {
    CloseProfile();
    FRaw.clear();
}

namespace {
int PixelSize(int32_t Layout) {
    switch (Layout) {
        case ieiccCMYKInv: case ieiccCMYK: return 4;
        case ieiccGray: return 1;
        case ieiccRGB48LE: case ieiccRGB48BE: return 6;
        default: return 3;
    }
}
COLORTYPE TypeOf(int32_t Layout) {
    switch (Layout) {
        case ieiccCMYKInv: case ieiccCMYK: return COLOR_CMYK;
        case ieiccLab: return COLOR_Lab;
        case ieiccGray: return COLOR_GRAY;
        case ieicc3Channel: return COLOR_3_CHANNEL;
        default: return COLOR_RGB;
    }
}
void Expand(int32_t Layout, const uint8_t* s, COLOR& c) {
    c = COLOR{};
    switch (Layout) {
        case ieiccRGB: case ieiccLab: case ieicc3Channel:
            for (int i = 0; i < 3; ++i) c.w[i] = static_cast<WORD>(s[i] * 257);
            break;
        case ieiccBGR:  // read in place of swapping the caller's buffer
            c.rgb.red = static_cast<WORD>(s[2] * 257);
            c.rgb.green = static_cast<WORD>(s[1] * 257);
            c.rgb.blue = static_cast<WORD>(s[0] * 257);
            break;
        case ieiccCMYKInv:
            for (int i = 0; i < 4; ++i) c.w[i] = static_cast<WORD>((255 - s[i]) * 257);
            break;
        case ieiccCMYK:
            for (int i = 0; i < 4; ++i) c.w[i] = static_cast<WORD>(s[i] * 257);
            break;
        case ieiccGray: c.gray.gray = static_cast<WORD>(s[0] * 257); break;
        case ieiccRGB48LE:
            for (int i = 0; i < 3; ++i) c.w[i] = static_cast<WORD>(s[2 * i] | (s[2 * i + 1] << 8));
            break;
        case ieiccRGB48BE:
            for (int i = 0; i < 3; ++i) c.w[i] = static_cast<WORD>((s[2 * i] << 8) | s[2 * i + 1]);
            break;
        default: break;
    }
}
// The reverse of Expand: high bytes, or whole words for the 16-bit layouts.
void Collapse(int32_t Layout, const COLOR& c, uint8_t* d) {
    switch (Layout) {
        case ieiccRGB: case ieiccLab: case ieicc3Channel:
            for (int i = 0; i < 3; ++i) d[i] = static_cast<uint8_t>(c.w[i] >> 8);
            break;
        case ieiccBGR:
            d[0] = static_cast<uint8_t>(c.rgb.blue >> 8);
            d[1] = static_cast<uint8_t>(c.rgb.green >> 8);
            d[2] = static_cast<uint8_t>(c.rgb.red >> 8);
            break;
        case ieiccCMYKInv:
            for (int i = 0; i < 4; ++i) d[i] = static_cast<uint8_t>(255 - (c.w[i] >> 8));
            break;
        case ieiccCMYK:
            for (int i = 0; i < 4; ++i) d[i] = static_cast<uint8_t>(c.w[i] >> 8);
            break;
        case ieiccGray: d[0] = static_cast<uint8_t>(c.gray.gray >> 8); break;
        case ieiccRGB48LE:
            for (int i = 0; i < 3; ++i) {
                d[2 * i] = static_cast<uint8_t>(c.w[i]);
                d[2 * i + 1] = static_cast<uint8_t>(c.w[i] >> 8);
            }
            break;
        case ieiccRGB48BE:
            for (int i = 0; i < 3; ++i) {
                d[2 * i] = static_cast<uint8_t>(c.w[i] >> 8);
                d[2 * i + 1] = static_cast<uint8_t>(c.w[i]);
            }
            break;
        default: break;
    }
}
}  // namespace

bool TIEICC::Transform(TIEICC* Destination, int32_t SourceLayout, int32_t DestLayout, int32_t Extra1,
                       int32_t Extra2, const void* Source, void* Dest, int32_t PixelCount) {
    if (!Destination || !IsValid() || !Destination->IsValid()) return false;
    if (SourceLayout < 0 || SourceLayout > 8 || DestLayout < 0 || DestLayout > 8 || PixelCount < 0) return false;
    int32_t key[4] = {SourceLayout, DestLayout, Extra1, Extra2};
    if (!TransformHandle || std::memcmp(key, FKey, sizeof key) != 0) {
        FreeTransform();
        HPROFILE profiles[2] = {ProfileHandle, Destination->ProfileHandle};
        DWORD intents[2] = {INTENT_PERCEPTUAL, INTENT_PERCEPTUAL};
        TransformHandle = CreateMultiProfileTransform(profiles, 2, intents, 2, BEST_MODE | USE_RELATIVE_COLORIMETRIC,
                                                      INDEX_DONT_CARE);
        if (!TransformHandle) return false;
        std::memcpy(FKey, key, sizeof key);
        ++FCreated;
    }
    if (PixelCount == 0) return true;
    std::vector<COLOR> in(static_cast<size_t>(PixelCount)), out(static_cast<size_t>(PixelCount));
    auto* s = static_cast<const uint8_t*>(Source);
    int ss = PixelSize(SourceLayout), ds = PixelSize(DestLayout);
    for (int32_t i = 0; i < PixelCount; ++i) Expand(SourceLayout, s + static_cast<size_t>(i) * ss, in[i]);
    if (!TranslateColors(TransformHandle, in.data(), static_cast<DWORD>(PixelCount), TypeOf(SourceLayout), out.data(),
                         TypeOf(DestLayout)))
        return false;
    // Every destination layout is written: a true answer always comes with output.
    auto* d = static_cast<uint8_t*>(Dest);
    for (int32_t i = 0; i < PixelCount; ++i) Collapse(DestLayout, out[i], d + static_cast<size_t>(i) * ds);
    return true;
}
