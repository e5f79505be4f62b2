// The threaded timer: where its ticks run, how it is switched on and off, and
// that it never outlives its owner.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "controls/extra/ag_timer.h"
#include "platform/classlib/testhooks.h"
#include "platform/system/process.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

using Clock = std::chrono::steady_clock;

struct Recorder {
    std::atomic<int> Ticks{0};
    std::atomic<bool> OffMainThread{false};
    std::vector<Clock::time_point> Times;  // GUI-thread ticks only
    TNotifyEvent Handler() {
        return [this](TObject*) {
            if (GetCurrentThreadId() != MainThreadID.load())
                OffMainThread = true;
            else
                Times.push_back(Clock::now());
            ++Ticks;
        };
    }
};

TEST(AgTimer, TicksReachTheGuiThreadWithSyncEvent) {
    for (bool Threaded : {true, false}) {
        TAgTimer T(nullptr);
        Recorder R;
        T.SetThreaded(Threaded);
        T.SetInterval(20);
        T.SetOnTimer(R.Handler());
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return R.Ticks >= 5; }, 10000, "five ticks"));
        EXPECT_FALSE(R.OffMainThread) << Threaded;
        // The thread sleeps a whole interval after each tick; the window timer
        // keeps its own rate, so only the thread's ticks are spaced this way.
        for (size_t I = 1; Threaded && I < R.Times.size(); ++I)
            EXPECT_GE(R.Times[I] - R.Times[I - 1], std::chrono::milliseconds(20)) << I;
    }
}

TEST(AgTimer, WithoutSyncEventTicksRunOnTheTimerThread) {
    TAgTimer T(nullptr);
    Recorder R;
    T.SyncEvent = false;
    T.SetInterval(5);
    T.SetOnTimer(R.Handler());
    for (int I = 0; I < 1000 && R.Ticks < 3; ++I) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(R.Ticks, 3);
    EXPECT_TRUE(R.OffMainThread);
}

TEST(AgTimer, RunsOnlyWithIntervalEnabledAndHandler) {
    TAgTimer T(nullptr);
    Recorder R;
    EXPECT_FALSE(T.TimerThread()->Active());  // no handler yet
    T.SetOnTimer(R.Handler());
    EXPECT_TRUE(T.TimerThread()->Active());
    T.SetInterval(0);
    EXPECT_FALSE(T.TimerThread()->Active());
    T.SetInterval(30);
    T.SetEnabled(false);
    EXPECT_FALSE(T.TimerThread()->Active());
    T.SetEnabled(true);
    EXPECT_TRUE(T.TimerThread()->Active());
    EXPECT_EQ(T.TimerThread()->Interval(), 30u);
    T.SetOnTimer(nullptr);
    EXPECT_FALSE(T.TimerThread()->Active());
}

TEST(AgTimer, ChangingTheIntervalInsideATickKeepsTicking) {
    TAgTimer T(nullptr);
    int Ticks = 0;
    T.SetInterval(10);
    T.SetOnTimer([&](TObject*) { T.SetInterval(++Ticks % 2 ? 15 : 10); });
    EXPECT_TRUE(TestHooks::PumpUntil([&] { return Ticks >= 6; }, 10000, "six ticks"));
}

TEST(AgTimer, DestroyedWhileATickWaitsForTheGuiThread) {
    // The thread blocks handing a tick to the GUI thread, which destroys the
    // timer instead of running it: the tick must not run, nothing leaks.
    for (int Round = 0; Round < 20; ++Round) {
        std::atomic<int> Ticks{0};
        auto* T = new TAgTimer(nullptr);
        T->SetInterval(1);
        T->SetOnTimer([&](TObject*) { ++Ticks; });
        std::this_thread::sleep_for(std::chrono::milliseconds(Round % 3));
        delete T;
        EXPECT_EQ(Ticks, 0);
    }
}

}  // namespace
