#include "platform/system/code_mapping.h"

#include <link.h>
#include <sys/mman.h>

#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif

namespace {

using TRanges = std::vector<std::pair<uintptr_t, uintptr_t>>;

int CollectCode(dl_phdr_info* Info, size_t, void* Data) {
    auto* Ranges = static_cast<TRanges*>(Data);
    const uintptr_t Page = 4096;
    for (int I = 0; I < Info->dlpi_phnum; ++I) {
        const ElfW(Phdr)& Ph = Info->dlpi_phdr[I];
        if (Ph.p_type != PT_LOAD || !(Ph.p_flags & PF_X) || Ph.p_memsz == 0) continue;
        const uintptr_t From = (Info->dlpi_addr + Ph.p_vaddr) & ~(Page - 1);
        const uintptr_t To = (Info->dlpi_addr + Ph.p_vaddr + Ph.p_memsz + Page - 1) & ~(Page - 1);
        Ranges->emplace_back(From, To);
    }
    return 0;
}

}  // namespace

bool MapCodeIn() {
    // The ranges are gathered first: the loader's list stays locked only for
    // that, not while the pages are mapped.
    TRanges Ranges;
    dl_iterate_phdr(CollectCode, &Ranges);
    bool Done = !Ranges.empty();
    for (const auto& [From, To] : Ranges)
        if (madvise(reinterpret_cast<void*>(From), To - From, MADV_POPULATE_READ) != 0) Done = false;
    return Done;
}

void StartMappingCodeIn() {
    std::thread([] { MapCodeIn(); }).detach();
}
