// UTF-7 decoding of arbitrary bytes: no crash, and what decodes re-encodes to
// text that decodes to the same characters.
#include "unicode/widestrings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    WideString w;
    try {
        w = Utf7ToWide(in);
    } catch (const EUniGeneralError&) {
        return 0;
    }
    if (Utf7ToWide(WideToUtf7(w)) != w)
        std::abort();
    return 0;
}
