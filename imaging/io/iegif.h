// GIF files: one frame read by index, one frame written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// Reads frame Params.GIFImageIndex; AlphaMask gets the transparency (nullptr when opaque).
void ReadGIFStream(TStream& Stream, TIEBitmap* Bitmap, int32_t& ImageCount, bool NoAlpha,
                   std::unique_ptr<TIEMask>& AlphaMask, bool Preview, TIEProgressRecord& Progress,
                   TIOParamsVals& Params);
void WriteGIFStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);
void WriteGIFFile(const std::string& FileName, TIEBitmap* Bitmap, TIOParamsVals& Params,
                  TIEProgressRecord& Progress);
