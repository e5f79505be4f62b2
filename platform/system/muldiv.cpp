#include "platform/system/muldiv.h"

#include <cstdint>
#include <limits>

int MulDiv(int Number, int Numerator, int Denominator) {
    if (Denominator == 0) return -1;
    int64_t P = static_cast<int64_t>(Number) * Numerator;
    int64_t D = Denominator;
    bool Negative = (P < 0) != (D < 0);
    uint64_t AP = P < 0 ? static_cast<uint64_t>(-(P + 1)) + 1 : static_cast<uint64_t>(P);
    uint64_t AD = D < 0 ? static_cast<uint64_t>(-D) : static_cast<uint64_t>(D);
    uint64_t Q = (AP + AD / 2) / AD;
    if (Negative) {
        if (Q > static_cast<uint64_t>(std::numeric_limits<int>::max()) + 1) return -1;
        return static_cast<int>(-static_cast<int64_t>(Q));
    }
    if (Q > static_cast<uint64_t>(std::numeric_limits<int>::max())) return -1;
    return static_cast<int>(Q);
}
