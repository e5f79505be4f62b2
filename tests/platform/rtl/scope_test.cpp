// Cleanup by scope: the action runs on every way out of a block, once.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/rtl/scope.h"

namespace {

int LeaveBy(int How, int& Ran) {
    rtl::TScopeExit Count([&] { ++Ran; });
    if (How == 1) return 1;
    if (How == 2) throw std::runtime_error("out");
    return 0;
}

TEST(Scope, ExitRunsOnceOnEveryWayOutUnlessDismissed) {
    for (int How : {0, 1, 2}) {
        int Ran = 0;
        try {
            LeaveBy(How, Ran);
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(Ran, 1) << How;
    }
    int Ran = 0;
    {
        rtl::TScopeExit Undo([&] { ++Ran; });
        Undo.Dismiss();
    }
    EXPECT_EQ(Ran, 0);
}

TEST(Scope, SetForScopeRestoresTheOldValueEvenWhenNested) {
    bool Busy = false;
    std::string Name = "before";
    try {
        rtl::TSetForScope B(Busy, true);
        rtl::TSetForScope N(Name, "during");
        {
            rtl::TSetForScope Inner(Busy, true);
            EXPECT_TRUE(Busy);
        }
        EXPECT_TRUE(Busy);  // the outer setting holds until its own scope ends
        EXPECT_EQ(Name, "during");
        throw std::runtime_error("out");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(Busy);
    EXPECT_EQ(Name, "before");
}

}  // namespace
