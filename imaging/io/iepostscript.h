// PostScript level 2 documents (DSC 3.0) of one picture per page; written only.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/bitmaps/iedefs.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

struct TPSOutputState {
    int64_t PagesPosition = 0;  // the "%%Pages: " line, rewritten for every page
    int64_t EndPosition = 0;    // where the next page or the trailer goes
};

// Header and prolog at the stream's position.
std::unique_ptr<TPSOutputState> OpenPSStream(TStream& Stream, TIOParamsVals& Params);
// One page of an ie1g or ieRGB24 bitmap (the stream must be readable too).
void AddPSPage(TPSOutputState& State, TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
               TIEProgressRecord& Progress);
// The trailer; the stream ends after it.
void ClosePSStream(std::unique_ptr<TPSOutputState> State, TStream& Stream);
void WritePSStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);
