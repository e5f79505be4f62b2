#include "platform/rtl/shared_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <utility>

TSharedLibrary::TSharedLibrary(std::string APurpose, std::string AFileName)
    : Purpose(std::move(APurpose)), FileName(std::move(AFileName)) {}

// Left open: entries handed out may be in use until the program ends.
TSharedLibrary::~TSharedLibrary() = default;

bool TSharedLibrary::Open() {
    if (Handle) return true;
    Handle = dlopen(FileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!Handle) {
        const char* e = dlerror();
        Message = Purpose + " is unavailable: " + (e ? e : FileName + " cannot be loaded");
    }
    return Handle != nullptr;
}

void* TSharedLibrary::Symbol(const char* Name) {
    if (!Handle) return nullptr;
    dlerror();
    void* p = dlsym(Handle, Name);
    if (!p) Message = Purpose + " is unavailable: " + FileName + " has no entry " + Name;
    return p;
}

void TSharedLibrary::ReportError() {
    if (Reported || Message.empty()) return;
    Reported = true;
    std::fprintf(stderr, "tessaro: %s\n", Message.c_str());
}
