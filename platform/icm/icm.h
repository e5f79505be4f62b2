// Colour profiles and transforms with the calls of the Windows colour
// management library (mscms), over LittleCMS 2.
#pragma once

#include <cstdint>

#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"  // FILE_SHARE_READ, OPEN_EXISTING

using HPROFILE = void*;
using HTRANSFORM = void*;

// PROFILE.dwType
constexpr DWORD PROFILE_FILENAME = 1;
constexpr DWORD PROFILE_MEMBUFFER = 2;
// Access, sharing and creation of OpenColorProfileA.
constexpr DWORD PROFILE_READ = 1;
constexpr DWORD PROFILE_READWRITE = 2;
// Transform flags and intents.
constexpr DWORD BEST_MODE = 0x00000003;
constexpr DWORD USE_RELATIVE_COLORIMETRIC = 0x00020000;
constexpr DWORD INTENT_PERCEPTUAL = 0;
constexpr DWORD INDEX_DONT_CARE = 0;

struct PROFILE {
    DWORD dwType;
    void* pProfileData;  // a file name (PROFILE_FILENAME) or the profile's bytes
    DWORD cbDataSize;
};

enum COLORTYPE : int {
    COLOR_GRAY = 1,
    COLOR_RGB = 2,
    COLOR_XYZ = 3,
    COLOR_Yxy = 4,
    COLOR_Lab = 5,
    COLOR_3_CHANNEL = 6,
    COLOR_CMYK = 7,
};

// One colour: four 16-bit values whichever its type (8 bytes).
union COLOR {
    struct { WORD gray, reserved1, reserved2, reserved3; } gray;
    struct { WORD red, green, blue, reserved; } rgb;
    struct { WORD L, a, b, reserved; } Lab;
    struct { WORD ch1, ch2, ch3, reserved; } gen3ch;
    struct { WORD cyan, magenta, yellow, black; } cmyk;
    WORD w[4];
};
static_assert(sizeof(COLOR) == 8);

// The system's sRGB profile is known by this file name.
constexpr const char* SRGB_PROFILE_NAME = "sRGB Color Space Profile.icm";

HPROFILE OpenColorProfileA(const PROFILE* Profile, DWORD Access, DWORD ShareMode, DWORD CreationMode);
BOOL CloseColorProfile(HPROFILE Profile);
// nProfiles profiles chained; the transform is made per colour-type pair when used.
HTRANSFORM CreateMultiProfileTransform(const HPROFILE* Profiles, DWORD nProfiles, const DWORD* Intents,
                                       DWORD nIntents, DWORD Flags, DWORD CMM);
BOOL DeleteColorTransform(HTRANSFORM Transform);
BOOL TranslateColors(HTRANSFORM Transform, const COLOR* InputColors, DWORD Count, COLORTYPE InputType,
                     COLOR* OutputColors, COLORTYPE OutputType);
