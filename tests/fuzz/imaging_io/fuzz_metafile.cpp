// The metafile players on untrusted bytes, drawing into a small DIB section.
#include <cstddef>
#include <cstdint>

#include "platform/gdi/metafileplay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HDC dc = [] {
        HDC d = CreateCompatibleDC(nullptr);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = 64;
        bi.bmiHeader.biHeight = 48;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        SelectObject(d, CreateDIBSection(d, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        return d;
    }();
    const RECT r{0, 0, 64, 48};
    int w = 0, h = 0;
    MetaFileSize96(data, size, w, h);
    if (IsEnhMetaFileData(data, size))
        PlayEnhMetaFile(dc, data, size, &r);
    else
        PlayMetaFile(dc, data, size, &r);
    return 0;
}
