// Selection streams of any content into a view: loading either refuses the stream
// and leaves the selection as it was, or takes it whole; what was taken saves and
// loads again to the same bytes, and the mask always has the image's size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/views/ieimageview.h"
#include "platform/classlib/testhooks.h"

namespace {
std::vector<uint8_t> Save(TIEImageView* V) {
    TMemoryStream S;
    V->SaveSelectionToStream(&S);
    std::vector<uint8_t> B(static_cast<size_t>(S.Size()));
    S.SetPosition(0);
    if (!B.empty()) S.ReadBuffer(B.data(), static_cast<int64_t>(B.size()));
    return B;
}

bool Load(TIEImageView* V, const uint8_t* Data, size_t Size) {
    TMemoryStream S;
    if (Size) S.WriteBuffer(Data, static_cast<int64_t>(Size));
    S.SetPosition(0);
    return V->LoadSelectionFromStream(&S);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TestHooks::Start();
    IEViewsStartup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static TIEImageView* V = [] {
        auto* View = new TIEImageView(nullptr);
        View->SetLegacyBitmap(false);
        View->IEBitmap()->Allocate(37, 23, ieRGB24);
        View->Update();
        View->SelectionBase = iesbBitmap;
        return View;
    }();
    V->Deselect();
    V->Select(3, 4, 20, 11, 0);
    const std::vector<uint8_t> Before = Save(V);
    if (!Load(V, Data, Size)) {
        if (Save(V) != Before) __builtin_trap();
        return 0;
    }
    TIEMask* M = V->SelectionMask();
    if (M->Width != 37 || M->Height != 23) __builtin_trap();
    const std::vector<uint8_t> Once = Save(V);
    if (!Load(V, Once.data(), Once.size())) __builtin_trap();
    if (Save(V) != Once) __builtin_trap();
    return 0;
}
