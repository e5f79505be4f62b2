// The frame-reading calls of Video for Windows the image library makes, over
// the media decoder: RIFF AVI files only, frames as packed 24-bit DIBs.
#pragma once

#include <cstdint>

#include "platform/rtl/windef.h"

struct TAviFile;
struct TAviStream;
struct TAviGetFrame;
using PAVIFILE = TAviFile*;
using PAVISTREAM = TAviStream*;
using PGETFRAME = TAviGetFrame*;
using HRESULT_AVI = LONG;

constexpr DWORD streamtypeVIDEO = 0x73646976;  // "vids"
constexpr UINT OF_READ = 0;
constexpr HRESULT_AVI AVIERR_OK = 0;
constexpr HRESULT_AVI AVIERR_BADFORMAT = static_cast<HRESULT_AVI>(0x80044066);
constexpr HRESULT_AVI AVIERR_FILEOPEN = static_cast<HRESULT_AVI>(0x8004406D);
constexpr HRESULT_AVI AVIERR_NODATA = static_cast<HRESULT_AVI>(0x80044071);
constexpr HRESULT_AVI AVIERR_BADPARAM = static_cast<HRESULT_AVI>(0x80044076);

struct AVISTREAMINFOA {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;  // dwRate / dwScale frames per second
    DWORD dwStart;
    DWORD dwLength;  // frames
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    struct {
        LONG left, top, right, bottom;
    } rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
};

void AVIFileInit();
void AVIFileExit();
// A file that is not a RIFF AVI (whatever its name) is refused with AVIERR_BADFORMAT.
HRESULT_AVI AVIFileOpenA(PAVIFILE* ppfile, LPCSTR szFile, UINT uMode, const void* lpHandler);
ULONG AVIFileRelease(PAVIFILE pfile);
HRESULT_AVI AVIFileGetStream(PAVIFILE pfile, PAVISTREAM* ppavi, DWORD fccType, LONG lParam);
ULONG AVIStreamRelease(PAVISTREAM pavi);
HRESULT_AVI AVIStreamInfoA(PAVISTREAM pavi, AVISTREAMINFOA* psi, LONG lSize);
LONG AVIStreamLength(PAVISTREAM pavi);
// The wanted format must be null (24-bit frames) or a 24-bit BITMAPINFOHEADER.
PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM pavi, const void* lpbiWanted);
// The frame as a packed DIB (header and bottom-up rows), valid until the next call
// on the reader or its close; null out of range or when decoding fails.
const void* AVIStreamGetFrame(PGETFRAME pg, LONG lPos);
HRESULT_AVI AVIStreamGetFrameClose(PGETFRAME pg);
