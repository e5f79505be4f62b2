// Mapping the code in at start: afterwards the whole code segment of this
// program is resident in its mapping, not only the pages run so far.
#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/system/code_mapping.h"

namespace {

// Size and resident size (kB) of the mapping holding Address, from /proc/self/smaps.
bool MappingOf(uintptr_t Address, long& SizeKb, long& RssKb) {
    std::ifstream In("/proc/self/smaps");
    std::string Line;
    bool Inside = false, HaveSize = false;
    while (std::getline(In, Line)) {
        unsigned long From = 0, To = 0;
        if (std::sscanf(Line.c_str(), "%lx-%lx", &From, &To) == 2 && Line.find("kB") == std::string::npos) {
            if (Inside) return HaveSize;
            Inside = Address >= From && Address < To;
            continue;
        }
        if (!Inside) continue;
        if (Line.rfind("Size:", 0) == 0) {
            SizeKb = std::stol(Line.substr(5));
            HaveSize = true;
        } else if (Line.rfind("Rss:", 0) == 0) {
            RssKb = std::stol(Line.substr(4));
        }
    }
    return Inside && HaveSize;
}

bool KernelHasPopulate() {
    utsname U{};
    if (uname(&U) != 0) return false;
    int Major = 0, Minor = 0;
    std::sscanf(U.release, "%d.%d", &Major, &Minor);
    return Major > 5 || (Major == 5 && Minor >= 14);
}

TEST(CodeMapping, TheWholeCodeSegmentIsResidentAfterwards) {
    const bool Done = MapCodeIn();
    if (!KernelHasPopulate()) GTEST_SKIP() << "the kernel cannot map ranges in at once";
    EXPECT_TRUE(Done);
    long Size = 0, Rss = 0;
    ASSERT_TRUE(MappingOf(reinterpret_cast<uintptr_t>(&MapCodeIn), Size, Rss));
    EXPECT_GT(Size, 0);
    EXPECT_GE(Rss, Size * 95 / 100) << "size " << Size << " kB, resident " << Rss << " kB";
}

}  // namespace
