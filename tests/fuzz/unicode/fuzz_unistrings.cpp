// The wide list's stream loader on arbitrary bytes: no crash, and the lines
// saved and loaded again are the same.
#include "unicode/unistrings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringStream in(std::string(reinterpret_cast<const char*>(data), size));
    TUniStringList list;
    list.LoadFromStream(in);
    TStringStream saved;
    list.SaveToStream(saved);
    saved.SetPosition(0);
    TUniStringList back;
    back.LoadFromStream(saved);
    if (!back.Equals(list))
        std::abort();
    return 0;
}
