// The grid's side of the I/O component, apart from the grid's unit: the I/O
// component's header names TColor differently from the class library's.
#include "imaging/views/iemultiview_io.h"

#include "imaging/io/ieformats.h"
#include "imaging/io/ieimageio.h"

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
