#include "imaging/views/ieview_io.h"

#include "imaging/io/imageenio.h"

TIEImageIO* IEViewNewIO(TIEBitmap* Target) {
    auto IO = std::make_unique<TIEImageIO>(nullptr);
    IO->SetAttachedBitmap(Target);
    return IO.release();
}

void IEViewFreeIO(TIEImageIO* IO) { delete IO; }

void IEViewSetTarget(TIEImageIO* IO, TIEBitmap* Target) {
    if (IO) IO->SetAttachedBitmap(Target);
}

bool IEViewLoadFile(TIEImageIO* IO, const std::string& FileName) {
    IO->LoadFromFile(FileName);
    return !IO->Aborting;
}
