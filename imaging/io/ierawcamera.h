// Camera raw files through LibRaw: the decoder's 16-bit linear RGB becomes a 24-bit or
// 48-bit bitmap through a white point from its histogram and a gamma table.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

// True when the decoder identifies a camera in the stream (position kept).
bool IsRawCameraStream(TStream& Stream);
void ReadRawCameraStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool Preview,
                         TIEProgressRecord& Progress);

// The white point from the decoder's red histogram (bins of 8 levels): counting down from
// the top bin until more than Width x Height x (0.005 for FUJIFILM, else 0.01) pixels.
int32_t RawWhitePoint(const int* Histogram, int Bins, int32_t Width, int32_t Height, bool Fuji);
// The output table: entry i = (2i / White)^(Gamma - 1) x Bright x 442 / White (entry 0: 0).
std::vector<double> RawGammaTable(int32_t White, double Gamma, double Bright);
// Turns the 45-degree layout of SuperCCD sensors upright (ieRGB24 or ieRGB48); a first row
// without any lit pixel leaves the bitmap as it is.
void UnrotateSuperCCD(TIEBitmap* Bitmap);
// The metadata heaps of CRW files: texts, sizes, maker-note words and the smallest JPEG
// preview; sub-heaps nest at most 8 deep and must lie inside their parent.
void ReadCIFFMetadata(TStream& Stream, TIOParamsVals& Params);
