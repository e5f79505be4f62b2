// Private to the processing folder: the two-pass kernel engine shared by the
// 24-bit, 8-bit and 1-bit resamplers, and small helpers of the resamplers.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/bitmaps/iedefs.h"

class TIEBitmap;

namespace improc {

// Per destination index of one axis: the (source index, weight) pairs with a
// non-zero weight, start[i]..start[i+1]-1, and their sum.
struct Contributors {
    std::vector<int32_t> start;
    std::vector<int32_t> index;
    std::vector<int32_t> weight;
    std::vector<int64_t> weightSum;
    int64_t maxAbsSum = 0;
};
Contributors BuildContributors(int32_t srcSize, int32_t dstSize, TResampleFilter filter);

struct KernelIO {
    int32_t srcWidth = 0, srcHeight = 0;
    // Row y of the source as channel bytes; buf (srcWidth x channels bytes)
    // may be used to expand packed rows. Called from several threads when
    // parallel is set.
    std::function<const uint8_t*(int32_t y, uint8_t* buf)> getRow;
    // Destination row y, dW x channels bytes, called in order on the calling thread.
    std::function<void(int32_t y, const uint8_t* row)> putRow;
    bool parallel = false;
};
using KernelProgress = std::function<void(int percent)>;

void KernelResample(const KernelIO& io, int32_t channels, int32_t dW, int32_t dH, TResampleFilter filter,
                    const KernelProgress& progress);

// How many threads a pass of that many multiply-adds is worth (1 for small images).
int32_t WorkerCount(int64_t work);

class AccessGuard {
public:
    AccessGuard(TIEBitmap* b, TIEDataAccess a);
    ~AccessGuard();
    AccessGuard(const AccessGuard&) = delete;
    AccessGuard& operator=(const AccessGuard&) = delete;

private:
    TIEBitmap* bmp;
    TIEDataAccess old;
    bool changed = false;
};

// True when every row pointer stays valid at once (memory storage).
bool RowsAddressable(TIEBitmap* b);

}  // namespace improc
