// Threads, synchronised calls and events, with the GUI thread in a message loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>

#include "platform/classlib/threads.h"
#include "platform/system/process.h"
#include "platform/win/winuser.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("TESSARO_SCREEN", "headless", 1);
        SetMainThread();
    }
    void TearDown() override {
        EXPECT_TRUE(TThread::WaitForAllEnded(5000));
        ShutdownThreadSynchronization();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// Dispatches messages until Done or 5 s.
bool Pump(const std::function<bool()>& Done) {
    auto End = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    MSG M;
    while (!Done()) {
        if (std::chrono::steady_clock::now() > End) return false;
        while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&M);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

class TLambdaThread : public TThread {
public:
    explicit TLambdaThread(std::function<void(TLambdaThread&)> Body) : FBody(std::move(Body)) {}
    using TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TLambdaThread&)> FBody;
};

TEST(Thread, SynchronizeRunsOnTheGuiThreadFromItsMessageLoopAndOnTerminateToo) {
    DWORD Gui = GetCurrentThreadId();
    DWORD SyncRanOn = 0, WorkerId = 0, TerminateRanOn = 0;
    std::atomic<bool> Ended{false};
    TLambdaThread T([&](TLambdaThread& Self) {
        WorkerId = GetCurrentThreadId();
        Self.Synchronize([&] { SyncRanOn = GetCurrentThreadId(); });
        Self.ReturnValue = 42;
    });
    T.OnTerminate = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &T);
        TerminateRanOn = GetCurrentThreadId();
        Ended = true;
    };
    T.Start();
    ASSERT_TRUE(Pump([&] { return Ended.load(); }));
    EXPECT_EQ(T.WaitFor(), 42);
    EXPECT_NE(WorkerId, Gui);
    EXPECT_EQ(SyncRanOn, Gui);
    EXPECT_EQ(TerminateRanOn, Gui);
    EXPECT_EQ(WaitForSingleObject(T.Handle(), 0), WAIT_OBJECT_0);
}

TEST(Thread, WaitForOnTheGuiThreadServesSynchronizeAndExceptionsComeBack) {
    std::string Caught;
    int Runs = 0;
    TLambdaThread T([&](TLambdaThread& Self) {
        Self.Synchronize([&] { ++Runs; });
        try {
            Self.Synchronize([] { throw EInvalidOperation("from the GUI"); });
        } catch (const EInvalidOperation& E) {
            Caught = E.Message;
        }
        throw EAbort("worker failed");
    });
    T.OnTerminate = [&](TObject*) { ++Runs; };
    T.Start();
    T.WaitFor();  // would dead-lock if it did not serve the calls
    EXPECT_EQ(Runs, 2);
    EXPECT_EQ(Caught, "from the GUI");
    EXPECT_TRUE(T.HasFatalException());
    EXPECT_EQ(T.FatalException, "worker failed");
    EXPECT_TRUE(T.Finished());
}

// The shape the burning engine uses: the GUI waits in short waits that keep
// messages flowing while a self-freeing worker ends and clears a reference.
TEST(Thread, SelfFreeingThreadEndingWhileTheGuiWaitsIsJoinedWithoutARace) {
    for (int Round = 0; Round < 20; ++Round) {
        std::atomic<TThread*> Worker{nullptr};
        static std::atomic<int> Destroyed;
        Destroyed = 0;
        struct TWorker : TLambdaThread {
            using TLambdaThread::TLambdaThread;
            ~TWorker() override { ++Destroyed; }
        };
        auto* W = new TWorker([&](TLambdaThread& Self) {
            Self.Queue([] {});
            std::this_thread::sleep_for(std::chrono::milliseconds(Round % 3));
        });
        W->FreeOnTerminate = true;
        W->OnTerminate = [&](TObject*) { Worker = nullptr; };
        HANDLE H = nullptr;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), W->Handle(), GetCurrentProcess(), &H, 0, FALSE, 2));
        Worker = W;
        W->Start();
        ASSERT_TRUE(Pump([&] { return Worker.load() == nullptr; }));
        // The handle is signalled only once the object is gone.
        ASSERT_EQ(WaitForSingleObject(H, 5000), WAIT_OBJECT_0);
        EXPECT_EQ(Destroyed.load(), 1);
        CloseHandle(H);
    }
    EXPECT_TRUE(TThread::WaitForAllEnded(5000));
}

TEST(Thread, QueuedCallsRunInOrderAndDeletingAThreadStopsIt) {
    std::vector<int> Order;
    {
        TLambdaThread T([&](TLambdaThread& Self) {
            for (int I = 0; I < 5; ++I) Self.Queue([&Order, I] { Order.push_back(I); });
            while (!Self.Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        T.Start();
        ASSERT_TRUE(Pump([&] { return Order.size() == 5; }));
    }  // the destructor terminates and waits
    EXPECT_EQ(Order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(Thread, StartTwiceIsAnError) {
    TLambdaThread T([](TLambdaThread&) {});
    T.Start();
    EXPECT_THROW(T.Start(), EThread);
    T.WaitFor();
}

TEST(SyncObjects, EventsAndCriticalSections) {
    TEvent Auto(false, false);
    EXPECT_EQ(Auto.WaitFor(0), wrTimeout);
    Auto.SetEvent();
    EXPECT_EQ(WaitForSingleObject(Auto.Handle(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(Auto.WaitFor(0), wrTimeout);  // auto reset
    TEvent Manual(true, true);
    EXPECT_EQ(Manual.WaitFor(0), wrSignaled);
    EXPECT_EQ(Manual.WaitFor(0), wrSignaled);
    Manual.ResetEvent();
    EXPECT_EQ(Manual.WaitFor(10), wrTimeout);

    TCriticalSection CS;
    int Counter = 0;
    TLambdaThread A([&](TLambdaThread&) {
        for (int I = 0; I < 10000; ++I) {
            CS.Enter();
            ++Counter;
            CS.Leave();
        }
    });
    A.Start();
    for (int I = 0; I < 10000; ++I) {
        CS.Acquire();
        ++Counter;
        CS.Release();
    }
    A.WaitFor();
    EXPECT_EQ(Counter, 20000);
}

}  // namespace
