// Private to the processing folder: the two float-to-integer conversions the
// routines use, inline so that the hot loops do not call out.
#pragma once

#include <cmath>
#include <cstdint>

namespace improc {

// Halves to the even integer (the default rounding mode of the FPU).
inline int64_t RoundEven(double x) { return static_cast<int64_t>(std::nearbyint(x)); }
inline int32_t Round32(double x) { return static_cast<int32_t>(std::nearbyint(x)); }
// Toward zero.
inline int64_t Trunc64(double x) { return static_cast<int64_t>(x); }
inline int32_t Trunc32(double x) { return static_cast<int32_t>(x); }

// Progress in whole percent: Trunc(done x 100 / (total + 0.5)).
inline int ProgressPercent(int64_t done, int64_t total) {
    return static_cast<int>(static_cast<double>(done) * 100.0 / (static_cast<double>(total) + 0.5));
}

}  // namespace improc
