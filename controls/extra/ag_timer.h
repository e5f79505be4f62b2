// A timer component whose ticks come from a thread of its own (handed to the
// GUI thread by default) or from a window timer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/classlib/threads.h"
#include "platform/win/winuser.h"

class TAgTimer;

// Sleeps the interval and ticks its timer until told to stop. It never runs
// past its timer: the timer stops and joins it when it is destroyed.
class TTimerThread : public TThread {
public:
    explicit TTimerThread(TAgTimer* Owner) : FOwner(Owner) {}
    // Wakes the thread to take a new interval; Active false makes it wait.
    void Configure(UINT Interval, bool Active);
    void Stop();
    UINT Interval() const { return FInterval; }
    bool Active() const { return FActive; }

protected:
    void Execute() override;

private:
    void ReportException();
    TAgTimer* FOwner;
    std::mutex FLock;
    std::condition_variable FWake;
    std::atomic<UINT> FInterval{1000};
    std::atomic<bool> FActive{false};
    bool FStop = false;
    uint64_t FGeneration = 0;  // changes with every Configure: a sleep in progress starts over
};

class TAgTimer : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TAgTimer(TComponent* AOwner);
    ~TAgTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    UINT Interval() const { return FInterval; }
    void SetInterval(UINT Value);
    bool SyncEvent = true;  // threaded ticks run on the GUI thread
    bool Threaded() const { return FThreaded; }
    void SetThreaded(bool Value);
    int ThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(int Value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent Value);

    void Restart();
    void Tick();
    // Runs Method on the GUI thread while the timer thread waits, or directly
    // when no timer thread is running.
    void Synchronize(const std::function<void()>& Method);
    bool Destroying() const { return FDestroying; }
    // The thread's current state, for tests.
    const TTimerThread* TimerThread() const { return FThread.get(); }

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    void KillWindowTimer();
    std::atomic<bool> FEnabled{true};
    UINT FInterval = 1000;
    bool FThreaded = true;
    int FThreadPriority = 0;
    TNotifyEvent FOnTimer;
    std::unique_ptr<TTimerThread> FThread;
    HWND FWindow = nullptr;
    bool FWindowTimer = false;
    std::atomic<bool> FDestroying{false};
};

void RegisterAgTimer();
