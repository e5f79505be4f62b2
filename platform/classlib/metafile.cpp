#include "platform/classlib/metafile.h"

#include "platform/gdi/metafileplay.h"

void TMetafile::Clear() {
    FData.clear();
    FEnhanced = false;
    FWidth = FHeight = 0;
    Changed();
}

void TMetafile::LoadFromStream(TStream& Stream) {
    const int64_t n = Stream.Size() - Stream.Position();
    if (n <= 0 || n > (int64_t(1) << 30)) throw EInvalidGraphic("Invalid metafile");
    std::vector<uint8_t> data(static_cast<size_t>(n));
    Stream.ReadBuffer(data.data(), n);
    const bool enhanced = IsEnhMetaFileData(data.data(), data.size());
    const bool placeable = data.size() >= 22 && data[0] == 0xD7 && data[1] == 0xCD && data[2] == 0xC6 && data[3] == 0x9A;
    const bool plain = data.size() >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 && data[3] == 0;
    if (!enhanced && !placeable && !plain) throw EInvalidGraphic("Invalid metafile");
    int w = 0, h = 0;
    MetaFileSize96(data.data(), data.size(), w, h);  // no usable size: 0 x 0
    FData = std::move(data);
    FEnhanced = enhanced;
    FWidth = w;
    FHeight = h;
    Changed();
}

void TMetafile::SaveToStream(TStream& Stream) {
    if (!FData.empty()) Stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TMetafile::Draw(TCanvas& Canvas, const TRect& R) { DrawTo(Canvas.Handle(), R); }

void TMetafile::DrawTo(HDC Dc, const RECT& R) {
    if (FData.empty() || !Dc) return;
    if (FEnhanced)
        PlayEnhMetaFile(Dc, FData.data(), FData.size(), &R);
    else
        PlayMetaFile(Dc, FData.data(), FData.size(), &R);
}
