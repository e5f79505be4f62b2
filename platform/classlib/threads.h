// Threads of the class library and their synchronised calls, and the
// synchronisation objects (critical sections, events).
//
// Synchronize hands a call to the GUI thread and waits for it: the GUI thread
// runs it from whatever message loop it sits in (the application's loop, a
// modal form's, a message box's), as the request is posted to a hidden window
// of the GUI thread. Queue does the same without waiting.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/classlib/classes_ext.h"
#include "platform/rtl/windef.h"
#include "platform/system/sysdefs.h"

// The GUI thread's id (GetCurrentThreadId numbering); set by SetMainThread,
// which the application object calls when it is made.
extern std::atomic<DWORD> MainThreadID;
void SetMainThread();
// Runs the synchronised and queued calls waiting for the GUI thread; true when
// some ran. Called by the application's loop; safe to call from any loop of
// the GUI thread. Timeout: how long to wait for a first call to come.
bool CheckSynchronize(int TimeoutMs = 0);
// Makes the GUI thread's loop run CheckSynchronize soon.
void WakeMainThread();
// Destroys the hidden window of SetMainThread (the application's end).
void ShutdownThreadSynchronization();
// Where an exception of a queued call goes (the application's handler);
// unset, it is written to standard error.
extern std::function<void(const std::exception_ptr&)> SyncExceptionHandler;

struct TThreadState;

// Derive and override Execute; Start runs it. A thread with FreeOnTerminate
// deletes itself after OnTerminate has run on the GUI thread; its handle stays
// waitable until then and is signalled only once the object is gone.
class TThread : public TObject {
public:
    TThread();
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    void Resume() { Start(); }
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    bool Finished() const;
    // Waits until Execute and OnTerminate have run; on the GUI thread it keeps
    // running synchronised calls meanwhile. Returns ReturnValue.
    int WaitFor();

    bool FreeOnTerminate = false;
    TNotifyEvent OnTerminate;  // runs on the GUI thread
    int ReturnValue = 0;
    // The exception that ended Execute, if any (its text).
    std::string FatalException;
    bool HasFatalException() const { return FHasFatalException; }

    // Waitable with WaitForSingleObject; closed when the object is deleted (the
    // state itself lives until its last waiter lets go).
    HANDLE Handle() const { return FHandle; }
    DWORD ThreadID() const { return FThreadID; }

    // Runs Method on the GUI thread and waits; an exception it raises is raised
    // again in the calling thread. On the GUI thread it runs at once.
    void Synchronize(const std::function<void()>& Method);
    static void Synchronize(TThread* Thread, const std::function<void()>& Method);
    // Runs Method on the GUI thread later, without waiting.
    void Queue(std::function<void()> Method);
    static void Queue(TThread* Thread, std::function<void()> Method);
    // Drops the queued calls of Thread that have not run yet.
    static void RemoveQueuedEvents(TThread* Thread);

    static TThread* CurrentThread();  // nullptr outside class-library threads
    // Waits (bounded) until every started thread of the class library has
    // left its run, self-freeing ones deleted; the program's shut-down calls it.
    // False on time-out.
    static bool WaitForAllEnded(DWORD Milliseconds);

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();

private:
    static void Run(TThread* Self);
    std::shared_ptr<TThreadState> FState;
    HANDLE FHandle = nullptr;
    std::thread FThread;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FStarted{false};
    bool FHasFatalException = false;
    DWORD FThreadID = 0;
};

// ---- Synchronisation objects -------------------------------------------------
class TCriticalSection : public TObject {
public:
    void Enter() { FLock.lock(); }
    void Leave() { FLock.unlock(); }
    void Acquire() { Enter(); }
    void Release() { Leave(); }
    bool TryEnter() { return FLock.try_lock(); }

private:
    std::recursive_mutex FLock;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

struct TEventState;

class TEvent : public TObject {
public:
    explicit TEvent(bool ManualReset = true, bool InitialState = false);
    ~TEvent() override;
    void SetEvent();
    void ResetEvent();
    TWaitResult WaitFor(DWORD Timeout = INFINITE);
    // Waitable with WaitForSingleObject while the object lives.
    HANDLE Handle() const { return FHandle; }

private:
    std::shared_ptr<TEventState> FState;
    HANDLE FHandle = nullptr;
};

class TSimpleEvent : public TEvent {
public:
    TSimpleEvent() : TEvent(true, false) {}
};
