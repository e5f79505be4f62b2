// Windows and OS/2 device-independent bitmaps (BMP, DIB, RLE).
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// BlockSize: bytes of the bitmap from the position, headers included (<= 0: unknown).
// AlphaMask receives the alpha of 32-bit images (nullptr when all opaque).
void ReadBMPStream(TStream& Stream, TIEBitmap* Bitmap, int64_t BlockSize, TIOParamsVals& Params,
                   TIEProgressRecord& Progress, bool Preview, bool MissingFileHeader,
                   std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha);
void WriteBMPStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);

// Row encoders: one index per byte in, the RLE bytes out (Output holds Count x 10 bytes).
int32_t EncodeRLE8Row(const uint8_t* Indices, int32_t Count, uint8_t* Output);
int32_t EncodeRLE4Row(const uint8_t* Indices, int32_t Count, uint8_t* Output);
