// Memory for pixel buffers: blocks come back cleared, aligned and whole,
// and the allocator carries buffers of every size through a vector.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/pixel_memory.h"

using namespace gdi;

namespace {

TEST(PixelMemory, BlocksAreClearedAlignedAndWritableToTheEnd) {
    for (std::size_t Bytes : {std::size_t(1), std::size_t(4096), (std::size_t(2) << 20) - 8, std::size_t(2) << 20,
                              (std::size_t(3) << 20) + 5, std::size_t(1600) * 1200 * 4}) {
        auto* P = static_cast<uint8_t*>(AllocPixelBlocks(Bytes));
        ASSERT_NE(P, nullptr) << Bytes;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(P) % (std::size_t(2) << 20), 0u) << Bytes;
        for (std::size_t I = 0; I < Bytes; I += 4093) ASSERT_EQ(P[I], 0) << Bytes << " at " << I;
        EXPECT_EQ(P[Bytes - 1], 0) << Bytes;
        for (std::size_t I = 0; I < Bytes; I += 4096) P[I] = 0xA5;
        P[Bytes - 1] = 0x5A;
        EXPECT_EQ(P[Bytes - 1], 0x5A);
        FreePixelBlocks(P, Bytes);
    }
    EXPECT_THROW(AllocPixelBlocks(0), std::bad_alloc);
    EXPECT_THROW(AllocPixelBlocks(SIZE_MAX - 100), std::bad_alloc);
}

TEST(PixelMemory, VectorsOfEverySizeKeepTheirPixels) {
    using TPixels = std::vector<uint32_t, TPixelAllocator<uint32_t>>;
    for (std::size_t Count : {std::size_t(0), std::size_t(7), std::size_t(300) * 200, std::size_t(1024) * 768,
                              std::size_t(2000) * 1500}) {
        TPixels A(Count, 0);
        for (std::size_t I = 0; I < Count; ++I) ASSERT_EQ(A[I], 0u) << Count;
        for (std::size_t I = 0; I < Count; ++I) A[I] = static_cast<uint32_t>(I * 2654435761u);
        TPixels B(Count, 0);
        B.swap(A);
        TPixels C = B;
        for (std::size_t I = 0; I < Count; I += 997) ASSERT_EQ(C[I], static_cast<uint32_t>(I * 2654435761u)) << Count;
        A.assign(Count / 2, 0xFFu);
        for (std::size_t I = 0; I < A.size(); I += 997) ASSERT_EQ(A[I], 0xFFu);
    }
}

}  // namespace
