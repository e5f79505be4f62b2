// JPEG/JFIF files through libjpeg, with their markers, ICC profile and IPTC data.
#pragma once

#include <cstdint>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

TESSARO_DECLARE_EXCEPTION(EIEJpegException, Exception)

// TablesStream: abbreviated table data read before the image (nullptr: none).
void ReadJPEGStream(TStream& Stream, TStream* TablesStream, TIEBitmap* Bitmap, bool UseColorManagement,
                    bool InvertCMYK, bool ReadMetadata, bool KeepYCbCr, bool Preview, TIEProgressRecord& Progress,
                    TIOParamsVals& Params);
// Bitmap: ieRGB24 or ie1g.
void WriteJPEGStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);
// Absolute position of FF D8 FF within the next 100 positions, or -1; position kept.
int64_t FindJPEGStart(TStream& Stream);
// Joins the APP2 ICC_PROFILE chunks into Params.ColorProfile; position kept.
void ReadJPEGICCProfile(TStream& Stream, TIOParamsVals& Params);
// Bytes of JPEG data from the position through the end-of-image marker; position kept.
int64_t MeasureJPEGStreamLength(TStream& Stream);
// The text of a codec message code ("Corrupted" outside the table).
const char* JPEGMessageText(int Code);
