#include "platform/gdi/pixel_memory.h"

#include <sys/mman.h>

#include <cstdlib>

#include "platform/rtl/sanitizers.h"

namespace gdi {

namespace {

constexpr std::size_t Block = std::size_t(2) << 20;
constexpr std::size_t Large = std::size_t(1) << 20;

// The address sanitizer watches heap blocks, not mappings of our own: under it
// everything stays on the heap so overruns of pixel rows are still caught.
constexpr bool UseBlocks = !rtl::AddressSanitized;

bool InBlocks(std::size_t Bytes) { return UseBlocks && Bytes >= Large; }
std::size_t Rounded(std::size_t Bytes) { return (Bytes + Block - 1) & ~(Block - 1); }

}  // namespace

void* AllocPixelBlocks(std::size_t Bytes) {
    if (Bytes == 0 || Bytes > SIZE_MAX - 2 * Block) throw std::bad_alloc();
    // Map a block more than needed and cut the ends off, so the buffer starts
    // on a block boundary.
    const std::size_t Size = Rounded(Bytes), Mapped = Size + Block;
    void* M = mmap(nullptr, Mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (M == MAP_FAILED) throw std::bad_alloc();
    auto Start = reinterpret_cast<std::uintptr_t>(M), Aligned = (Start + Block - 1) & ~(Block - 1);
    if (Aligned > Start) munmap(M, Aligned - Start);
    if (Start + Mapped > Aligned + Size) munmap(reinterpret_cast<void*>(Aligned + Size), Start + Mapped - Aligned - Size);
    void* P = reinterpret_cast<void*>(Aligned);
    madvise(P, Size, MADV_HUGEPAGE);  // a hint: without huge pages the buffer works the same
    return P;
}

void FreePixelBlocks(void* P, std::size_t Bytes) noexcept {
    if (P) munmap(P, Rounded(Bytes));
}

void* AllocPixelMemory(std::size_t Bytes) {
    if (InBlocks(Bytes)) return AllocPixelBlocks(Bytes);
    void* P = std::calloc(Bytes ? Bytes : 1, 1);
    if (!P) throw std::bad_alloc();
    return P;
}

void FreePixelMemory(void* P, std::size_t Bytes) noexcept {
    if (InBlocks(Bytes))
        FreePixelBlocks(P, Bytes);
    else
        std::free(P);
}

}  // namespace gdi
