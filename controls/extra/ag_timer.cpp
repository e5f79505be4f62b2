#include "controls/extra/ag_timer.h"

#include <chrono>

#include "platform/classlib/forms.h"
#include "platform/classlib/formload.h"
#include "platform/system/process.h"

namespace {
constexpr const char* kTimerWindowClass = "TAgTimerWindow";
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}  // namespace

// ---- The timer thread ------------------------------------------------------------------

void TTimerThread::Configure(UINT Interval, bool Active) {
    {
        std::lock_guard<std::mutex> L(FLock);
        FInterval = Interval;
        FActive = Active;
        ++FGeneration;
    }
    FWake.notify_all();
}

void TTimerThread::Stop() {
    {
        std::lock_guard<std::mutex> L(FLock);
        FStop = true;
        FActive = false;
        ++FGeneration;
    }
    Terminate();
    FWake.notify_all();
}

void TTimerThread::Execute() {
    std::unique_lock<std::mutex> L(FLock);
    for (;;) {
        // Waits while switched off, as a suspended thread would.
        FWake.wait(L, [&] { return FStop || (FActive && FInterval > 0); });
        if (FStop) return;
        const uint64_t Gen = FGeneration;
        const auto Due = std::chrono::steady_clock::now() + std::chrono::milliseconds(FInterval);
        if (FWake.wait_until(L, Due, [&] { return FStop || FGeneration != Gen; })) continue;
        if (Application && Application->Terminated()) continue;
        L.unlock();
        if (FOwner->Enabled() && !FOwner->Destroying()) {
            if (FOwner->SyncEvent) {
                FOwner->Synchronize([this] { FOwner->Tick(); });
            } else {
                try {
                    FOwner->Tick();
                } catch (...) {
                    ReportException();
                }
            }
        }
        L.lock();
    }
}

void TTimerThread::ReportException() {
    try {
        throw;
    } catch (const EAbort&) {
    } catch (...) {
        if (Application) Application->HandleException(/*Sender=*/nullptr, std::current_exception());
    }
}

// ---- The timer ----------------------------------------------------------------------------

TAgTimer::TAgTimer(TComponent* AOwner) : TComponent(AOwner), FThread(std::make_unique<TTimerThread>(this)) {
    FThread->Start();  // waits until the timer is switched on
}

TAgTimer::~TAgTimer() {
    FDestroying = true;
    FEnabled = false;
    FOnTimer = nullptr;
    // A tick the thread hands to the GUI thread meanwhile sees Destroying and
    // does nothing; WaitFor keeps such calls running.
    FThread->Stop();
    FThread->WaitFor();
    KillWindowTimer();
    if (FWindow) {
        SetWindowLongPtrA(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
}

void TAgTimer::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    Restart();
}

void TAgTimer::SetInterval(UINT Value) {
    if (Value == FInterval) return;
    FInterval = Value;
    Restart();
}

void TAgTimer::SetThreaded(bool Value) {
    if (Value == FThreaded) return;
    FThreaded = Value;
    Restart();
}

void TAgTimer::SetThreadPriority(int Value) {
    if (Value == FThreadPriority) return;
    FThreadPriority = Value;
    if (FThreaded) Restart();
}

void TAgTimer::SetOnTimer(TNotifyEvent Value) {
    const bool Changed = static_cast<bool>(Value) != static_cast<bool>(FOnTimer);
    FOnTimer = std::move(Value);
    if (Changed) Restart();
}

void TAgTimer::KillWindowTimer() {
    if (FWindowTimer && FWindow) KillTimer(FWindow, 1);
    FWindowTimer = false;
}

void TAgTimer::Restart() {
    if (FDestroying) return;
    const bool Run = FInterval != 0 && FEnabled && FOnTimer;
    if (FThreaded) {
        KillWindowTimer();
        if (FWindow) {
            SetWindowLongPtrA(FWindow, GWLP_USERDATA, 0);
            DestroyWindow(FWindow);
            FWindow = nullptr;
        }
        FThread->Configure(FInterval, Run);
        return;
    }
    FThread->Configure(FInterval, /*Active=*/false);
    KillWindowTimer();
    if (!FWindow) {
        WNDCLASSA Existing{};
        if (!GetClassInfoA(/*hInstance=*/nullptr, kTimerWindowClass, &Existing)) {
            WNDCLASSA WC{};
            WC.lpfnWndProc = WindowProc;
            WC.lpszClassName = kTimerWindowClass;
            RegisterClassA(&WC);
        }
        FWindow = CreateWindowExA(0, kTimerWindowClass, "", WS_POPUP, 0, 0, 0, 0, /*hWndParent=*/nullptr,
                                  /*hMenu=*/nullptr, /*hInstance=*/nullptr, /*lpParam=*/nullptr);
        SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    if (Run) {
        if (!SetTimer(FWindow, 1, FInterval, /*lpTimerFunc=*/nullptr))
            throw EOutOfResources("Not enough timers available");
        FWindowTimer = true;
    }
}

void TAgTimer::Tick() {
    if (FEnabled && !FDestroying && FOnTimer) FOnTimer(this);
}

void TAgTimer::Synchronize(const std::function<void()>& Method) {
    // Off the GUI thread the caller is the timer thread itself, which is running.
    if (FThread && GetCurrentThreadId() != MainThreadID.load())
        TThread::Synchronize(FThread.get(), Method);
    else
        Method();
}

LRESULT CALLBACK TAgTimer::WindowProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP) {
    if (Msg != WM_TIMER) return DefWindowProcA(W, Msg, WP, LP);
    if (auto* T = reinterpret_cast<TAgTimer*>(GetWindowLongPtrA(W, GWLP_USERDATA))) {
        try {
            T->Tick();
        } catch (...) {
            if (Application) Application->HandleException(T, std::current_exception());
        }
    }
    return 0;
}

TClassInfo& TAgTimer::StaticClassInfo() {
    static TClassInfo CI("TAgTimer", &TComponent::StaticClassInfo(), CreateComponentOf<TAgTimer>, [](TClassInfo& C) {
        using S = TSetter<TAgTimer>;
        C.Define<TAgTimer>("Enabled", S([](TAgTimer& O, const TFormValue& V, TFormReader& R) { O.SetEnabled(R.Bool(V)); }));
        C.Define<TAgTimer>("Interval", S([](TAgTimer& O, const TFormValue& V, TFormReader& R) {
                               O.SetInterval(static_cast<UINT>(R.Int(V)));
                           }));
        C.Define<TAgTimer>("SyncEvent", S([](TAgTimer& O, const TFormValue& V, TFormReader& R) { O.SyncEvent = R.Bool(V); }));
        C.Define<TAgTimer>("Threaded", S([](TAgTimer& O, const TFormValue& V, TFormReader& R) { O.SetThreaded(R.Bool(V)); }));
        C.Define<TAgTimer>("OnTimer", S([](TAgTimer& O, const TFormValue& V, TFormReader& R) {
                               O.SetOnTimer(R.Method<TNotifyEvent>(V));
                           }));
    });
    return CI;
}

void RegisterAgTimer() { RegisterClasses({&TAgTimer::StaticClassInfo()}); }
