// The grid's side of the I/O component, apart from the grid's unit: the I/O
// component's header names TColor differently from the class library's.
#include "imaging/views/iemultiview_io.h"

#include "imaging/io/ieformats.h"
#include "imaging/io/ieimageio.h"
#include "imaging/bitmaps/iebitmap.h"
#include "platform/rtl/resources.h"

bool IEMultiViewIsImageFile(const std::string& FileName) {
    // The registry is filled on first use as the I/O component does it.
    if (RegisteredFormatCount() == 0) IEIOStartup();
    return IsReadableImageFile(FileName);
}

bool IEMultiViewLoadFile(TIEBitmap* Target, const std::string& FileName) {
    if (RegisteredFormatCount() == 0) IEIOStartup();
    try {
        TIEImageIO IO(nullptr);
        IO.SetAttachedBitmap(Target);
        IO.LoadFromFile(FileName);
        return !IO.Aborting;
    } catch (const std::exception&) {
        return false;
    }
}

bool IEMultiViewLoadFrame(TIEBitmap* Target, const char* Name) {
    if (RegisteredFormatCount() == 0) IEIOStartup();
    TResourceData Data;
    if (!FindEmbeddedResource("frames", Name, Data)) return false;
    try {
        TIEImageIO IO(nullptr);
        IO.SetAttachedBitmap(Target);
        IO.LoadFromBuffer(Data.Data, static_cast<int64_t>(Data.Size), ioPNG);
        return !IO.Aborting && Target->Width() > 0;
    } catch (const std::exception&) {
        return false;
    }
}
