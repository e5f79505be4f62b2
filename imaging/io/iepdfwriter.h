// PDF 1.4 documents of one image per page, built in memory and written when closed.
#pragma once

#include <memory>

#include "imaging/bitmaps/iedefs.h"
#include "imaging/bitmaps/iepdf.h"
#include "platform/rtl/classes.h"

class TIEBitmap;
class TIOParamsVals;

struct TPDFOutputState {
    TIEPDFObjectList Objects, Pages, Images, Contents;
    TIEPDFDictionaryObject* Resources = nullptr;  // shared by every page
    TIEPDFDictionaryObject* XObjects = nullptr;   // the resources' image names
    TIEPDFDictionaryObject* Catalog = nullptr;
    ~TPDFOutputState();
};

std::unique_ptr<TPDFOutputState> OpenPDFStream();
// One page of an ie1g or ieRGB24 bitmap; encoding by PDFCompression.
void AddPDFImagePage(TPDFOutputState& State, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);
// Page tree, information dictionary, then the whole document at the stream's position.
void ClosePDFStream(std::unique_ptr<TPDFOutputState> State, TStream& Stream, TIOParamsVals& Params);
void WritePDFStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress);
