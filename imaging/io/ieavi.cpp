// TIEImageIO's AVI frames, through the Video for Windows subset of platform/media.
#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "imaging/processing/dibconv.h"

namespace {
bool AviInitDone = false;
}

int32_t TIEImageIO::OpenAVIFile(const std::string& FileName) {
    Aborting = false;
    CloseAVIFile();
    Params->AVIFrameCount = 0;
    Params->FileName = FileName;
    Params->FileType = 0;
    if (!AviInitDone) {
        AVIFileInit();
        AviInitDone = true;
    }
    bool ok = AVIFileOpenA(&FAviFile, FileName.c_str(), OF_READ, /*lpHandler=*/nullptr) == AVIERR_OK &&
              AVIFileGetStream(FAviFile, &FAviStream, streamtypeVIDEO, 0) == AVIERR_OK &&
              AVIStreamInfoA(FAviStream, &FAviInfo, sizeof FAviInfo) == AVIERR_OK;
    if (ok) ok = (FAviFrames = AVIStreamGetFrameOpen(FAviStream, /*lpbiWanted=*/nullptr)) != nullptr;
    if (!ok) {
        if (FAviStream) AVIStreamRelease(FAviStream);
        if (FAviFile) AVIFileRelease(FAviFile);
        FAviFile = nullptr;
        FAviStream = nullptr;
        FAviFrames = nullptr;
        FAviInfo = {};
        Aborting = true;
        return 0;
    }
    Params->AVIFrameCount = static_cast<int32_t>(FAviInfo.dwLength);
    Params->AVIFrameDelay = 0;
    return static_cast<int32_t>(FAviInfo.dwLength);
}

void TIEImageIO::LoadFromAVI(int32_t Index) {
    if (StartAsync(&TIEImageIO::LoadFromAVI, Index)) return;
    Aborting = false;
    bool read = false;
    if (MakeConsistentBitmap() && FAviFrames && Index >= 0 && static_cast<DWORD>(Index) < FAviInfo.dwLength) {
        const void* dib = AVIStreamGetFrame(FAviFrames, Index);
        Params->AVIFrameCount = static_cast<int32_t>(FAviInfo.dwLength);
        // A rate of 0 says nothing of the frame time.
        Params->AVIFrameDelay = FAviInfo.dwRate != 0 && FAviInfo.dwScale != 0
                                    ? static_cast<int32_t>(1000.0 / (static_cast<double>(FAviInfo.dwRate) /
                                                                     FAviInfo.dwScale))
                                    : 0;
        if (dib) {
            TIEDibbitmap d;
            const int32_t bits = PackedDIBToDibBitmap(dib, &d, /*pixels=*/nullptr, /*isPointer=*/true);
            FIEBitmap->CopyFromTIEDibbitmap(&d);
            switch (bits) {
                case 1: Params->BitsPerSample = 1; Params->SamplesPerPixel = 1; break;
                case 4: Params->BitsPerSample = 4; Params->SamplesPerPixel = 1; break;
                case 8: Params->BitsPerSample = 8; Params->SamplesPerPixel = 1; break;
                case 15: Params->BitsPerSample = 5; Params->SamplesPerPixel = 3; break;
                case 16: case 24: case 32: Params->BitsPerSample = 8; Params->SamplesPerPixel = 3; break;
                default: break;
            }
            Params->SetDpiX(DefaultDpiX);
            Params->SetDpiY(DefaultDpiY);
            Params->Width = FIEBitmap->Width();
            Params->Height = FIEBitmap->Height();
            Params->FreePalette();
            read = true;
            Update();
        }
    }
    // Nothing read (no file open, an index past the end, a frame that did not decode)
    // is a failure, not an empty success.
    if (!read) Aborting = true;
    DoFinishWork();
}

void TIEImageIO::CloseAVIFile() {
    if (!FAviFile) return;
    AVIStreamGetFrameClose(FAviFrames);
    AVIStreamRelease(FAviStream);
    AVIFileRelease(FAviFile);
    FAviFile = nullptr;
    FAviStream = nullptr;
    FAviFrames = nullptr;
    FAviInfo = {};
}
