// Memory for large pixel buffers (window surfaces, big bitmaps, DIB bits).
// A new page costs a fault when first written; a window-sized buffer is
// hundreds of them. Buffers of a megabyte and more are placed on whole
// 2 MiB blocks the kernel may back with huge pages, which are faulted in
// once per block. Memory comes back cleared to zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace gdi {

void* AllocPixelMemory(std::size_t Bytes);  // zeroed; throws std::bad_alloc
void FreePixelMemory(void* P, std::size_t Bytes) noexcept;
// The block placement itself, whatever the size (used above for large
// buffers outside the address sanitizer, whose checks need heap blocks).
void* AllocPixelBlocks(std::size_t Bytes);
void FreePixelBlocks(void* P, std::size_t Bytes) noexcept;

// For std::vector: the vector passes the element count back on release.
template <class T>
struct TPixelAllocator {
    using value_type = T;
    TPixelAllocator() = default;
    template <class U>
    TPixelAllocator(const TPixelAllocator<U>&) noexcept {}
    T* allocate(std::size_t N) {
        if (N > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocPixelMemory(N * sizeof(T)));
    }
    void deallocate(T* P, std::size_t N) noexcept { FreePixelMemory(P, N * sizeof(T)); }
    template <class U>
    bool operator==(const TPixelAllocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const TPixelAllocator<U>&) const noexcept { return false; }
};

// DIB bits: released with the size they were taken with.
struct TPixelDeleter {
    std::size_t Bytes = 0;
    void operator()(uint8_t* P) const noexcept { FreePixelMemory(P, Bytes); }
};

}  // namespace gdi
