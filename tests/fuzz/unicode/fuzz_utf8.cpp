// UTF-8 decoding of arbitrary bytes: no crash, and the decoded units survive a
// round trip through the encoder.
#include "unicode/widestrings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const WideString w = Utf8ToWide(std::string(reinterpret_cast<const char*>(data), size));
    if (Utf8ToWide(WideToUtf8(w)) != w)
        std::abort();
    return 0;
}
