#include "platform/classlib/threads.h"

#include <chrono>
#include <cstdio>
#include <deque>

#include "platform/system/process.h"
#include "platform/win/winuser.h"

std::atomic<DWORD> MainThreadID{0};
std::function<void(const std::exception_ptr&)> SyncExceptionHandler;

namespace {

constexpr UINT WM_SYNCHRONIZE = WM_USER + 0x7F0;
const char* const SyncWindowClass = "TThreadSyncWindow";

struct TSyncRequest {
    TThread* Thread = nullptr;
    std::function<void()> Method;
    bool Waiting = false;
    bool Done = false;
    std::exception_ptr Error;
};

struct TSyncQueue {
    std::mutex Lock;
    std::condition_variable Arrived, Done;
    std::deque<std::shared_ptr<TSyncRequest>> List;
    std::atomic<bool> WakePending{false};
    HWND Window = nullptr;
};
TSyncQueue& Sync() {
    static TSyncQueue Q;
    return Q;
}

struct TLiveThreads {
    std::mutex Lock;
    std::condition_variable Ended;
    int Count = 0;
};
TLiveThreads& Live() {
    static TLiveThreads L;
    return L;
}

thread_local TThread* CurrentThreadObject = nullptr;

bool OnMainThread() {
    DWORD Main = MainThreadID.load();
    return Main != 0 && Main == GetCurrentThreadId();
}

LRESULT SyncWindowProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
    if (Msg == WM_SYNCHRONIZE) {
        Sync().WakePending = false;
        CheckSynchronize(0);
        return 0;
    }
    return DefWindowProcA(Wnd, Msg, W, L);
}

}  // namespace

// ---- Synchronised calls ------------------------------------------------------
void SetMainThread() {
    MainThreadID = GetCurrentThreadId();
    auto& Q = Sync();
    if (Q.Window && IsWindow(Q.Window)) return;
    WNDCLASSA WC{};
    WC.lpfnWndProc = SyncWindowProc;
    WC.lpszClassName = SyncWindowClass;
    RegisterClassA(&WC);
    Q.Window = CreateWindowExA(0, SyncWindowClass, "", WS_POPUP, 0, 0, 0, 0, /*hWndParent=*/nullptr, /*hMenu=*/nullptr,
                               /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    // Requests may have come before the window existed.
    Q.WakePending = false;
    WakeMainThread();
}

void ShutdownThreadSynchronization() {
    auto& Q = Sync();
    if (Q.Window) DestroyWindow(Q.Window);
    Q.Window = nullptr;
}

void WakeMainThread() {
    auto& Q = Sync();
    if (Q.Window && !Q.WakePending.exchange(true)) {
        if (!PostMessageA(Q.Window, WM_SYNCHRONIZE, 0, 0)) Q.WakePending = false;
    }
}

bool CheckSynchronize(int TimeoutMs) {
    if (!OnMainThread()) return false;
    auto& Q = Sync();
    std::unique_lock<std::mutex> G(Q.Lock);
    if (TimeoutMs > 0 && Q.List.empty())
        Q.Arrived.wait_for(G, std::chrono::milliseconds(TimeoutMs), [&] { return !Q.List.empty(); });
    bool Ran = false;
    while (!Q.List.empty()) {
        auto R = Q.List.front();
        Q.List.pop_front();
        G.unlock();
        Ran = true;
        std::exception_ptr Error;
        try {
            R->Method();
        } catch (...) {
            Error = std::current_exception();
        }
        G.lock();
        if (R->Waiting) {
            R->Error = Error;
            R->Done = true;
            Q.Done.notify_all();
        } else if (Error) {
            G.unlock();
            if (SyncExceptionHandler) {
                SyncExceptionHandler(Error);
            } else {
                try {
                    std::rethrow_exception(Error);
                } catch (const std::exception& E) {
                    std::fprintf(stderr, "queued call failed: %s\n", E.what());
                } catch (...) {
                    std::fprintf(stderr, "queued call failed\n");
                }
            }
            G.lock();
        }
    }
    return Ran;
}

// ---- Thread state ---------------------------------------------------------------
struct TThreadState : TKernelObject {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Finished = false;
    int ReturnValue = 0;
    DWORD Wait(DWORD Milliseconds) override {
        std::unique_lock<std::mutex> G(Lock);
        if (Milliseconds == INFINITE) {
            Changed.wait(G, [&] { return Finished; });
            return WAIT_OBJECT_0;
        }
        return Changed.wait_for(G, std::chrono::milliseconds(Milliseconds), [&] { return Finished; })
                   ? WAIT_OBJECT_0
                   : WAIT_TIMEOUT;
    }
};

TThread::TThread() : FState(std::make_shared<TThreadState>()) { FHandle = RegisterKernelObject(FState); }

TThread::~TThread() {
    if (FThread.joinable()) {
        if (FThread.get_id() == std::this_thread::get_id()) {
            FThread.detach();
        } else {
            Terminate();
            WaitFor();
            FThread.join();
        }
    }
    RemoveQueuedEvents(this);
    if (FHandle) CloseHandle(FHandle);
}

void TThread::Start() {
    if (FStarted.exchange(true)) throw EThread("Cannot call Start on a running or suspended thread");
    {
        std::lock_guard<std::mutex> G(Live().Lock);
        ++Live().Count;
    }
    // Run waits for this lock, so FThread is set before the thread can touch it.
    std::lock_guard<std::mutex> G(FState->Lock);
    FThread = std::thread(&TThread::Run, this);
}

bool TThread::Finished() const {
    std::lock_guard<std::mutex> G(FState->Lock);
    return FState->Finished;
}

void TThread::Run(TThread* Self) {
    std::shared_ptr<TThreadState> State = Self->FState;
    { std::lock_guard<std::mutex> G(State->Lock); }
    Self->FThreadID = GetCurrentThreadId();
    CurrentThreadObject = Self;
    try {
        Self->Execute();
    } catch (const std::exception& E) {
        Self->FatalException = E.what();
        Self->FHasFatalException = true;
    } catch (...) {
        Self->FatalException = "unknown exception";
        Self->FHasFatalException = true;
    }
    try {
        Self->DoTerminate();
    } catch (...) {
        // OnTerminate's own failure must not keep the thread from ending.
    }
    int Result = Self->ReturnValue;
    HANDLE OwnHandle = nullptr;
    if (Self->FreeOnTerminate) {
        // The object goes first; the handle is signalled only afterwards, so a
        // waiter never sees a half-deleted thread.
        OwnHandle = Self->FHandle;
        Self->FHandle = nullptr;
        Self->FThread.detach();
        delete Self;
    }
    CurrentThreadObject = nullptr;
    {
        std::lock_guard<std::mutex> G(State->Lock);
        State->ReturnValue = Result;
        State->Finished = true;
        State->Changed.notify_all();
    }
    if (OwnHandle) CloseHandle(OwnHandle);
    State.reset();
    std::lock_guard<std::mutex> G(Live().Lock);
    --Live().Count;
    Live().Ended.notify_all();
}

int TThread::WaitFor() {
    std::shared_ptr<TThreadState> State = FState;
    if (!FStarted) return ReturnValue;
    if (CurrentThreadObject == this) throw EThread("A thread cannot wait for itself");
    if (OnMainThread()) {
        // The thread may be waiting for a synchronised call of ours.
        for (;;) {
            {
                std::lock_guard<std::mutex> G(State->Lock);
                if (State->Finished) break;
            }
            CheckSynchronize(5);
        }
    } else {
        State->Wait(INFINITE);
    }
    return State->ReturnValue;
}

void TThread::DoTerminate() {
    if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::Synchronize(const std::function<void()>& Method) { Synchronize(this, Method); }

void TThread::Synchronize(TThread* Thread, const std::function<void()>& Method) {
    // On the GUI thread, or with no GUI thread at all, the call runs here.
    if (MainThreadID.load() == 0 || OnMainThread()) {
        Method();
        return;
    }
    auto R = std::make_shared<TSyncRequest>();
    R->Thread = Thread;
    R->Method = Method;
    R->Waiting = true;
    auto& Q = Sync();
    {
        std::lock_guard<std::mutex> G(Q.Lock);
        Q.List.push_back(R);
        Q.Arrived.notify_all();
    }
    WakeMainThread();
    std::unique_lock<std::mutex> G(Q.Lock);
    Q.Done.wait(G, [&] { return R->Done; });
    if (R->Error) std::rethrow_exception(R->Error);
}

void TThread::Queue(std::function<void()> Method) { Queue(this, std::move(Method)); }

void TThread::Queue(TThread* Thread, std::function<void()> Method) {
    if (MainThreadID.load() == 0 || OnMainThread()) {
        Method();
        return;
    }
    auto R = std::make_shared<TSyncRequest>();
    R->Thread = Thread;
    R->Method = std::move(Method);
    auto& Q = Sync();
    {
        std::lock_guard<std::mutex> G(Q.Lock);
        Q.List.push_back(R);
        Q.Arrived.notify_all();
    }
    WakeMainThread();
}

void TThread::RemoveQueuedEvents(TThread* Thread) {
    auto& Q = Sync();
    std::lock_guard<std::mutex> G(Q.Lock);
    for (auto It = Q.List.begin(); It != Q.List.end();) {
        if ((*It)->Thread == Thread && !(*It)->Waiting)
            It = Q.List.erase(It);
        else
            ++It;
    }
}

TThread* TThread::CurrentThread() { return CurrentThreadObject; }

bool TThread::WaitForAllEnded(DWORD Milliseconds) {
    auto& L = Live();
    std::unique_lock<std::mutex> G(L.Lock);
    return L.Ended.wait_for(G, std::chrono::milliseconds(Milliseconds), [&] { return L.Count == 0; });
}

// ---- Events ---------------------------------------------------------------------------
struct TEventState : TKernelObject {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Signaled = false;
    bool Manual = true;
    DWORD Wait(DWORD Milliseconds) override {
        std::unique_lock<std::mutex> G(Lock);
        auto Ready = [&] { return Signaled; };
        bool Got = true;
        if (Milliseconds == INFINITE)
            Changed.wait(G, Ready);
        else
            Got = Changed.wait_for(G, std::chrono::milliseconds(Milliseconds), Ready);
        if (!Got) return WAIT_TIMEOUT;
        if (!Manual) Signaled = false;
        return WAIT_OBJECT_0;
    }
};

TEvent::TEvent(bool ManualReset, bool InitialState) : FState(std::make_shared<TEventState>()) {
    FState->Manual = ManualReset;
    FState->Signaled = InitialState;
    FHandle = RegisterKernelObject(FState);
}

TEvent::~TEvent() {
    if (FHandle) CloseHandle(FHandle);
}

void TEvent::SetEvent() {
    std::lock_guard<std::mutex> G(FState->Lock);
    FState->Signaled = true;
    FState->Changed.notify_all();
}

void TEvent::ResetEvent() {
    std::lock_guard<std::mutex> G(FState->Lock);
    FState->Signaled = false;
}

TWaitResult TEvent::WaitFor(DWORD Timeout) {
    switch (FState->Wait(Timeout)) {
        case WAIT_OBJECT_0: return wrSignaled;
        case WAIT_TIMEOUT: return wrTimeout;
        default: return wrError;
    }
}
