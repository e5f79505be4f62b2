// JPEG 2000 files (JP2) and bare code streams (J2K) through OpenJPEG.
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

// The JP2 signature box / a code stream's start and size markers (position kept).
bool IsJP2Stream(TStream& Stream);
bool IsJ2KStream(TStream& Stream);
// Either kind, told apart by its signature.
void ReadJ2000Stream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                     TIEProgressRecord& Progress);

enum class TJ2000Kind { JP2, J2K };
// Takes ie1g or ieRGB24; the caller's parameters are not changed.
void WriteJ2000Stream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TJ2000Kind Kind,
                      TIEProgressRecord& Progress);

// What the writer hands the encoder for these parameters and this bitmap.
struct TJ2000EncodeSettings {
    int Components = 3;        // 1 grey, 3 RGB
    int Precision = 8;         // bits per sample
    bool Reversible = true;    // 5/3 wavelet, lossless
    double Ratio = 0;          // compression ratio of the one layer (0: lossless)
    int Order = -1;            // 0 LRCP, 1 RLCP, -1 the encoder's default
    bool ColourTransform = true;
    int Resolutions = 6;
};
// False for parameters no file can be made of (colour space above 2, a rate of 0 or below,
// a precision outside 1..16).
bool J2000EncodeSettingsFor(const TIOParamsVals& Params, TIEPixelFormat Format, int32_t Width, int32_t Height,
                            TJ2000EncodeSettings& Settings);
