#include "platform/media/vfw.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/media/mediadecoder.h"

struct TAviFile {
    media::TVideoDecoder Decoder;
    int Refs = 1;
};

struct TAviStream {
    TAviFile* File;
    int Refs = 1;
};

struct TAviGetFrame {
    TAviStream* Stream;
    std::vector<uint8_t> Dib;
};

namespace {

bool IsRiffAvi(const char* Name) {
    FILE* f = std::fopen(Name, "rb");
    if (!f) return false;
    char h[12] = {};
    const bool ok = std::fread(h, 1, 12, f) == 12 && std::memcmp(h, "RIFF", 4) == 0 &&
                    std::memcmp(h + 8, "AVI ", 4) == 0;
    std::fclose(f);
    return ok;
}

void PutLE32(uint8_t* P, uint32_t V) {
    for (int i = 0; i < 4; ++i) P[i] = static_cast<uint8_t>(V >> (8 * i));
}

}  // namespace

void AVIFileInit() {}
void AVIFileExit() {}

HRESULT_AVI AVIFileOpenA(PAVIFILE* ppfile, LPCSTR szFile, UINT, const void*) {
    if (!ppfile) return AVIERR_BADPARAM;
    *ppfile = nullptr;
    if (!szFile) return AVIERR_BADPARAM;
    if (!IsRiffAvi(szFile)) {
        FILE* f = std::fopen(szFile, "rb");
        if (!f) return AVIERR_FILEOPEN;
        std::fclose(f);
        return AVIERR_BADFORMAT;
    }
    auto* file = new TAviFile;
    if (!file->Decoder.Open(szFile) || file->Decoder.ContainerName() != "avi") {
        delete file;
        return AVIERR_BADFORMAT;
    }
    *ppfile = file;
    return AVIERR_OK;
}

ULONG AVIFileRelease(PAVIFILE pfile) {
    if (!pfile) return 0;
    const int left = --pfile->Refs;
    if (left == 0) delete pfile;
    return static_cast<ULONG>(left);
}

HRESULT_AVI AVIFileGetStream(PAVIFILE pfile, PAVISTREAM* ppavi, DWORD fccType, LONG lParam) {
    if (!ppavi) return AVIERR_BADPARAM;
    *ppavi = nullptr;
    if (!pfile || fccType != streamtypeVIDEO || lParam != 0) return AVIERR_NODATA;
    ++pfile->Refs;
    *ppavi = new TAviStream{pfile};
    return AVIERR_OK;
}

ULONG AVIStreamRelease(PAVISTREAM pavi) {
    if (!pavi) return 0;
    const int left = --pavi->Refs;
    if (left == 0) {
        AVIFileRelease(pavi->File);
        delete pavi;
    }
    return static_cast<ULONG>(left);
}

HRESULT_AVI AVIStreamInfoA(PAVISTREAM pavi, AVISTREAMINFOA* psi, LONG lSize) {
    if (!pavi || !psi || lSize < static_cast<LONG>(sizeof(AVISTREAMINFOA))) return AVIERR_BADPARAM;
    std::memset(psi, 0, sizeof *psi);
    const media::TVideoDecoder& d = pavi->File->Decoder;
    psi->fccType = streamtypeVIDEO;
    int32_t num = 0, den = 0;
    d.FrameRate(num, den);
    psi->dwRate = static_cast<DWORD>(num);
    psi->dwScale = static_cast<DWORD>(den);
    psi->dwLength = static_cast<DWORD>(d.FrameCount());
    psi->dwSuggestedBufferSize = static_cast<DWORD>(d.BytesOfRow() * d.Height());
    psi->rcFrame.right = d.Width();
    psi->rcFrame.bottom = d.Height();
    std::snprintf(psi->szName, sizeof psi->szName, "video");
    return AVIERR_OK;
}

LONG AVIStreamLength(PAVISTREAM pavi) {
    return pavi ? static_cast<LONG>(pavi->File->Decoder.FrameCount()) : -1;
}

PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM pavi, const void* lpbiWanted) {
    if (!pavi) return nullptr;
    if (lpbiWanted) {
        int16_t bits;
        std::memcpy(&bits, static_cast<const uint8_t*>(lpbiWanted) + 14, 2);
        if (bits != 24) return nullptr;
    }
    ++pavi->Refs;
    return new TAviGetFrame{pavi, {}};
}

const void* AVIStreamGetFrame(PGETFRAME pg, LONG lPos) {
    if (!pg) return nullptr;
    media::TVideoDecoder& d = pg->Stream->File->Decoder;
    if (lPos < 0 || lPos >= d.FrameCount()) return nullptr;
    std::vector<uint8_t> rows;
    double t = 0;
    if (!d.DecodeAt(lPos * d.AvgTimePerFrame(), rows, t)) return nullptr;
    pg->Dib.assign(40, 0);
    uint8_t* h = pg->Dib.data();
    PutLE32(h, 40);
    PutLE32(h + 4, static_cast<uint32_t>(d.Width()));
    PutLE32(h + 8, static_cast<uint32_t>(d.Height()));  // positive: bottom-up
    h[12] = 1;
    h[14] = 24;
    PutLE32(h + 20, static_cast<uint32_t>(rows.size()));
    pg->Dib.insert(pg->Dib.end(), rows.begin(), rows.end());
    return pg->Dib.data();
}

HRESULT_AVI AVIStreamGetFrameClose(PGETFRAME pg) {
    if (!pg) return AVIERR_BADPARAM;
    AVIStreamRelease(pg->Stream);
    delete pg;
    return AVIERR_OK;
}
