// The colour-management calls over LittleCMS 2.
#include "platform/icm/icm.h"

#include <lcms2.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace {

struct Profile {
    cmsHPROFILE h = nullptr;
};

struct Transform {
    std::vector<cmsHPROFILE> profiles;  // owned copies opened for this transform
    cmsUInt32Number intent = INTENT_PERCEPTUAL;
    cmsUInt32Number flags = 0;
    std::mutex lock;
    std::map<std::pair<int, int>, cmsHTRANSFORM> byType;
    ~Transform() {
        for (auto& t : byType)
            if (t.second) cmsDeleteTransform(t.second);
        for (auto p : profiles) cmsCloseProfile(p);
    }
};

// LittleCMS reports errors through a global handler; it must not print or abort.
void SilentErrors(cmsContext, cmsUInt32Number, const char*) {}
std::once_flag g_handlerOnce;

// The 16-bit formats of the COLOR layouts (four words per colour).
cmsUInt32Number Format(COLORTYPE t) {
    switch (t) {
        case COLOR_GRAY: return COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(2) | EXTRA_SH(3);
        case COLOR_RGB: return COLORSPACE_SH(PT_RGB) | CHANNELS_SH(3) | BYTES_SH(2) | EXTRA_SH(1);
        case COLOR_XYZ: return COLORSPACE_SH(PT_XYZ) | CHANNELS_SH(3) | BYTES_SH(2) | EXTRA_SH(1);
        case COLOR_Yxy: return COLORSPACE_SH(PT_Yxy) | CHANNELS_SH(3) | BYTES_SH(2) | EXTRA_SH(1);
        case COLOR_Lab: return COLORSPACE_SH(PT_Lab) | CHANNELS_SH(3) | BYTES_SH(2) | EXTRA_SH(1);
        case COLOR_3_CHANNEL: return COLORSPACE_SH(PT_MCH3) | CHANNELS_SH(3) | BYTES_SH(2) | EXTRA_SH(1);
        case COLOR_CMYK: return COLORSPACE_SH(PT_CMYK) | CHANNELS_SH(4) | BYTES_SH(2);
        default: return 0;
    }
}

cmsHPROFILE Duplicate(cmsHPROFILE p) {
    // Profiles are re-opened from their bytes so that each transform owns its own.
    cmsUInt32Number n = 0;
    if (!cmsSaveProfileToMem(p, nullptr, &n) || n == 0) return nullptr;
    std::vector<uint8_t> mem(n);
    if (!cmsSaveProfileToMem(p, mem.data(), &n)) return nullptr;
    return cmsOpenProfileFromMem(mem.data(), n);
}

}  // namespace

HPROFILE OpenColorProfileA(const PROFILE* P, DWORD, DWORD, DWORD) {
    std::call_once(g_handlerOnce, [] { cmsSetLogErrorHandler(SilentErrors); });
    if (!P || !P->pProfileData) return nullptr;
    cmsHPROFILE h = nullptr;
    if (P->dwType == PROFILE_MEMBUFFER) {
        if (P->cbDataSize == 0) return nullptr;
        h = cmsOpenProfileFromMem(P->pProfileData, P->cbDataSize);
    } else if (P->dwType == PROFILE_FILENAME) {
        const char* name = static_cast<const char*>(P->pProfileData);
        const char* base = std::strrchr(name, '/');
        base = base ? base + 1 : name;
        // The system's sRGB profile is built in.
        if (std::strcmp(base, SRGB_PROFILE_NAME) == 0)
            h = cmsCreate_sRGBProfile();
        else
            h = cmsOpenProfileFromFile(name, "r");
    }
    if (!h) return nullptr;
    return new (std::nothrow) Profile{h};
}

BOOL CloseColorProfile(HPROFILE H) {
    auto* p = static_cast<Profile*>(H);
    if (!p) return FALSE;
    cmsCloseProfile(p->h);
    delete p;
    return TRUE;
}

HTRANSFORM CreateMultiProfileTransform(const HPROFILE* Profiles, DWORD nProfiles, const DWORD* Intents, DWORD,
                                       DWORD Flags, DWORD) {
    if (!Profiles || nProfiles < 2) return nullptr;
    auto t = std::make_unique<Transform>();
    for (DWORD i = 0; i < nProfiles; ++i) {
        auto* p = static_cast<Profile*>(Profiles[i]);
        if (!p) return nullptr;
        cmsHPROFILE d = Duplicate(p->h);
        if (!d) return nullptr;
        t->profiles.push_back(d);
    }
    t->intent = Intents ? Intents[0] : INTENT_PERCEPTUAL;
    if (Flags & USE_RELATIVE_COLORIMETRIC) t->intent = INTENT_RELATIVE_COLORIMETRIC;
    t->flags = (Flags & BEST_MODE) == BEST_MODE ? cmsFLAGS_HIGHRESPRECALC : 0;
    return t.release();
}

BOOL DeleteColorTransform(HTRANSFORM H) {
    auto* t = static_cast<Transform*>(H);
    if (!t) return FALSE;
    delete t;
    return TRUE;
}

BOOL TranslateColors(HTRANSFORM H, const COLOR* In, DWORD Count, COLORTYPE InType, COLOR* Out, COLORTYPE OutType) {
    auto* t = static_cast<Transform*>(H);
    if (!t || !In || !Out) return FALSE;
    cmsUInt32Number fi = Format(InType), fo = Format(OutType);
    if (!fi || !fo) return FALSE;
    cmsHTRANSFORM x;
    {
        std::lock_guard<std::mutex> g(t->lock);
        auto key = std::make_pair(static_cast<int>(InType), static_cast<int>(OutType));
        auto it = t->byType.find(key);
        if (it == t->byType.end()) {
            std::vector<cmsUInt32Number> intents(t->profiles.size(), t->intent);
            std::vector<cmsBool> bpc(t->profiles.size(), FALSE);
            std::vector<cmsFloat64Number> adapt(t->profiles.size(), 1.0);
            x = cmsCreateExtendedTransform(nullptr, static_cast<cmsUInt32Number>(t->profiles.size()),
                                           t->profiles.data(), bpc.data(), intents.data(), adapt.data(), nullptr, 0,
                                           fi, fo, t->flags | cmsFLAGS_NOCACHE);
            it = t->byType.emplace(key, x).first;
        }
        x = it->second;
    }
    if (!x) return FALSE;
    // The 4th word of each output colour is left as the caller had it.
    std::memcpy(Out, In, sizeof(COLOR) * Count);
    cmsDoTransform(x, In, Out, Count);
    return TRUE;
}
