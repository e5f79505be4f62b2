#include "platform/system/heap_init.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "platform/rtl/sanitizers.h"

namespace {

constexpr std::size_t Block = std::size_t(2) << 20;
constexpr std::size_t Step = std::size_t(64) << 20;
constexpr std::size_t MapFrom = std::size_t(32) << 20;
constexpr std::size_t Piece = std::size_t(64) << 10;
bool Prepared = false;
void* Spacer = nullptr;  // never released

}  // namespace

void PrepareHeap() {
    // A sanitizer's allocator has its own heap.
    if (Prepared || rtl::Sanitized) return;
    Prepared = true;
    // Every growth of the heap takes the step beyond what it needs, and a
    // shrink keeps the step. Blocks up to the largest size the library would
    // come to on its own are taken from the heap too, not mapped one by one.
    if (!mallopt(M_TOP_PAD, static_cast<int>(Step))) return;
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(MapFrom));
    auto Break = [] { return reinterpret_cast<std::uintptr_t>(sbrk(0)); };
    const std::uintptr_t Before = Break();
    // Take small blocks until the heap grows once (by the step), then give
    // them back: the step stays, mapped and not yet written.
    void* Taken[16];
    int N = 0;
    while (N < 16 && Break() == Before) {
        Taken[N] = std::malloc(Piece);
        if (!Taken[N]) break;
        ++N;
    }
    for (int I = 0; I < N; ++I) std::free(Taken[I]);
    const std::uintptr_t After = Break();
    if (After <= Before) return;
    const std::uintptr_t From = (Before + Block - 1) & ~(Block - 1), To = After & ~(Block - 1);
    if (To <= From) return;
    madvise(reinterpret_cast<void*>(From), To - From, MADV_HUGEPAGE);
    // The heap's next blocks would fill the rest of the block the old break
    // lies in, a page at a time: that part stays taken and unwritten, so that
    // new blocks start on the huge pages.
    if (From > Before) Spacer = std::malloc(From - Before);
}
