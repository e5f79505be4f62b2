// Windows, classes, message order, queues across threads, timers in modal
// loops, hooks, subclassing and stale handles.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/system/process.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"
#include "win_test_util.h"

using namespace wintest;

namespace {

class WinMessages : public ::testing::Test {
protected:
    void SetUp() override {
        WinStartup();
        RegisterRecorder();
        Log().clear();
    }
    void TearDown() override {
        for (HWND h : Made)
            if (IsWindow(h)) DestroyWindow(h);
        PumpPending();
    }
    HWND Make(DWORD style, HWND parent = nullptr, int x = 100, int y = 100, int w = 300, int h = 200,
              const char16_t* text = u"Window") {
        HWND hw = CreateWindowExW(0, u"Recorder", text, style, x, y, w, h, parent, nullptr, nullptr, nullptr);
        Made.push_back(hw);
        return hw;
    }
    std::vector<HWND> Made;
};

TEST_F(WinMessages, CreateShowActivateDestroyInOrder) {
    HWND a = Make(WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(a);
    EXPECT_EQ(MessagesOf(a, {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SHOWWINDOW, WM_SIZE}),
              (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    HWND child = Make(WS_CHILD | WS_VISIBLE, a, 10, 10, 50, 20);
    ASSERT_TRUE(child);

    Log().clear();
    ShowWindow(a, SW_SHOW);
    const std::vector<UINT> showKeep{WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_NCACTIVATE, WM_ACTIVATE,
                                     WM_SETFOCUS,   WM_WINDOWPOSCHANGED,  WM_SIZE,       WM_MOVE};
    EXPECT_EQ(MessagesOf(a, showKeep),
              (std::vector<UINT>{WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS,
                                 WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), a);

    // The first paint: the frame, the background, then the client.
    Log().clear();
    PumpPending();
    EXPECT_EQ(MessagesOf(a, {WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}),
              (std::vector<UINT>{WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));

    // A second window takes the activation; the first gets it back.
    HWND b = Make(WS_OVERLAPPEDWINDOW, nullptr, 200, 200);
    Log().clear();
    ShowWindow(b, SW_SHOW);
    const std::vector<UINT> actKeep{WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS};
    EXPECT_EQ(MessagesOf(a, actKeep), (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS}));
    EXPECT_EQ(MessagesOf(b, actKeep), (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS}));
    for (auto& e : Log())
        if (e.Hwnd == a && e.Msg == WM_ACTIVATE) {
            EXPECT_EQ(LOWORD(e.WParam), WA_INACTIVE);
        }
    Log().clear();
    SetActiveWindow(a);
    EXPECT_EQ(MessagesOf(a, actKeep), (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS}));
    EXPECT_EQ(GetWindow(GetDesktopWindow(), GW_CHILD), a);

    // Destroying: hidden and deactivated first, WM_DESTROY parent first, WM_NCDESTROY last.
    Log().clear();
    EXPECT_TRUE(DestroyWindow(a));
    const std::vector<UINT> destKeep{WM_WINDOWPOSCHANGING, WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS,
                                     WM_WINDOWPOSCHANGED,  WM_DESTROY,    WM_NCDESTROY};
    EXPECT_EQ(MessagesOf(a, destKeep),
              (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_WINDOWPOSCHANGED,
                                 WM_DESTROY, WM_NCDESTROY}));
    std::vector<std::pair<HWND, UINT>> tail;
    for (auto& e : Log())
        if (e.Msg == WM_DESTROY || e.Msg == WM_NCDESTROY) tail.emplace_back(e.Hwnd, e.Msg);
    EXPECT_EQ(tail, (std::vector<std::pair<HWND, UINT>>{
                        {a, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {a, WM_NCDESTROY}}));
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(child));
    // The activation moved on: the window that took it is told it is active
    // and so takes the focus.
    EXPECT_EQ(GetActiveWindow(), b);
    bool Told = false;
    for (auto& e : Log())
        if (e.Hwnd == b && e.Msg == WM_ACTIVATE) {
            Told = true;
            EXPECT_EQ(LOWORD(e.WParam), WA_ACTIVE);
        }
    EXPECT_TRUE(Told);
    EXPECT_EQ(GetFocus(), b);
}

TEST_F(WinMessages, FirstShowingTellsTheSizeOnce) {
    // Moved (not sized) while hidden: the first showing still sends WM_SIZE.
    HWND a = Make(WS_POPUP);
    SetWindowPos(a, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(a, SW_SHOWNA);
    EXPECT_EQ(MessagesOf(a, {WM_SIZE}).size(), 1u);
    // Sized while hidden: WM_SIZE came then, and showing does not repeat it.
    HWND b = Make(WS_POPUP);
    SetWindowPos(b, nullptr, 0, 0, 120, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(b, SW_SHOWNA);
    auto sizes = MessagesOf(b, {WM_SIZE});
    EXPECT_EQ(sizes.size(), 1u);
    for (auto& e : Log())
        if (e.Hwnd == b && e.Msg == WM_SIZE) {
            EXPECT_EQ(e.LParam, MAKELPARAM(120, 90));
        }
}

TEST_F(WinMessages, StaleHandleIsRejected) {
    HWND a = Make(WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(DestroyWindow(a));
    Log().clear();
    EXPECT_FALSE(IsWindow(a));
    EXPECT_EQ(SendMessageW(a, WM_USER, 1, 2), 0);
    EXPECT_FALSE(PostMessageW(a, WM_USER, 1, 2));
    EXPECT_EQ(SetWindowLongPtrW(a, GWLP_USERDATA, 5), 0);
    RECT r;
    EXPECT_FALSE(GetWindowRect(a, &r));
    EXPECT_FALSE(DestroyWindow(a));
    EXPECT_TRUE(Log().empty());
    // A new window may take the freed slot; the old handle still finds nothing.
    HWND b = Make(WS_OVERLAPPEDWINDOW);
    EXPECT_NE(a, b);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x12345678))));
    EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(WinMessages, WindowsEndWithTheirThread) {
    HWND made = nullptr;
    std::thread worker([&] {
        made = CreateWindowExW(0, u"Recorder", u"worker", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
    });
    worker.join();
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(IsWindow(made));
    EXPECT_EQ(SendMessageW(made, WM_USER, 0, 0), 0);  // nobody waits for a dead thread
}

TEST_F(WinMessages, PostsFromAWorkerArriveInOrder) {
    const DWORD main = GetCurrentThreadId();
    HWND a = Make(WS_OVERLAPPEDWINDOW);
    std::vector<WPARAM> got;
    bool done = false;
    std::thread worker([&] {
        for (WPARAM i = 0; i < 2000; ++i) {
            if (i % 2)
                PostMessageW(a, WM_USER + 1, i, 0);
            else
                PostThreadMessageW(main, WM_USER + 1, i, 0);
        }
        PostMessageW(a, WM_USER + 2, 0, 0);
    });
    MSG m;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < end) {
        if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (m.message == WM_USER + 1) got.push_back(m.wParam);
        if (m.message == WM_USER + 2) done = true;
        DispatchMessageW(&m);
    }
    worker.join();
    ASSERT_TRUE(done);
    ASSERT_EQ(got.size(), 2000u);
    for (WPARAM i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], i);
}

std::atomic<int> gNotifiedSeen{0};
LRESULT CALLBACK DoublerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER && w == 4) ++gNotifiedSeen;
    if (m == WM_USER) return static_cast<LRESULT>(w * 2 + (GetCurrentThreadId() == static_cast<DWORD>(l) ? 1000 : 0));
    return DefWindowProcW(h, m, w, l);
}

TEST_F(WinMessages, CrossThreadSendReturnsTheResult) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DoublerProc;
    wc.lpszClassName = u"Doubler";
    RegisterClassW(&wc);
    HWND a = CreateWindowExW(0, u"Doubler", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Made.push_back(a);
    const DWORD main = GetCurrentThreadId();
    std::atomic<LRESULT> result{-1};
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result = SendMessageW(a, WM_USER, 21, static_cast<LPARAM>(main));
        finished = true;
    });
    // The procedure runs on the window's thread (adding 1000 there) while this thread pumps.
    EXPECT_TRUE(PumpUntil([&] { return finished.load(); }));
    worker.join();
    EXPECT_EQ(result.load(), 1042);

    // Two threads sending to each other's windows both get answers.
    std::atomic<HWND> theirs{nullptr};
    std::atomic<LRESULT> theirResult{-1};
    std::atomic<bool> stop{false};
    std::thread other([&] {
        HWND w = CreateWindowExW(0, u"Doubler", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        theirs = w;
        theirResult = SendMessageW(a, WM_USER, 5, 0);
        PumpUntil([&] { return stop.load(); }, 10000);
        DestroyWindow(w);
    });
    ASSERT_TRUE(PumpUntil([&] { return theirs.load() != nullptr && theirResult.load() != -1; }));
    EXPECT_EQ(theirResult.load(), 10);
    EXPECT_EQ(SendMessageW(theirs.load(), WM_USER, 7, 0), 14);
    stop = true;
    other.join();

    // A notification to another thread's window does not wait for it.
    std::atomic<bool> notified{false};
    std::thread notifier([&] { notified = SendNotifyMessageW(a, WM_USER, 4, 0) != 0; });
    notifier.join();  // returned without this thread pumping
    EXPECT_TRUE(notified.load());
    EXPECT_EQ(gNotifiedSeen.load(), 0);
    PumpPending();
    EXPECT_EQ(gNotifiedSeen.load(), 1);

    // A thread that does not answer: the timeout ends the wait.
    std::atomic<bool> release{false};
    std::atomic<HWND> deaf{nullptr};
    std::thread sleeper([&] {
        deaf = CreateWindowExW(0, u"Doubler", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        PumpPending();
        DestroyWindow(deaf.load());
    });
    while (!deaf.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    DWORD_PTR r = 99;
    EXPECT_EQ(SendMessageTimeoutW(deaf.load(), WM_USER, 1, 0, SMTO_NORMAL, 50, &r), 0);
    EXPECT_EQ(r, 0u);
    release = true;
    sleeper.join();
}

// A window on its own thread whose procedure can be held inside a message.
struct TSlowReceiver {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Open = false;     // the held message may return
    int Entered = 0;       // held messages begun
    int Delivered = 0;     // WM_USER + 2 seen
    std::atomic<HWND> Window{nullptr};
    std::atomic<bool> Stop{false};
    std::thread Thread;

    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<TSlowReceiver*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && m == WM_USER + 1) {  // held until opened
            std::unique_lock<std::mutex> lk(self->Mutex);
            ++self->Entered;
            self->Changed.notify_all();
            self->Changed.wait(lk, [&] { return self->Open; });
            return 111;
        }
        if (self && m == WM_USER + 2) {  // writes into the sender's storage
            std::lock_guard<std::mutex> lk(self->Mutex);
            ++self->Delivered;
            *reinterpret_cast<int*>(l) = 42;
            return 222;
        }
        if (m == WM_USER + 3) return 333;
        return DefWindowProcW(h, m, w, l);
    }
    TSlowReceiver() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = u"SlowReceiver";
        RegisterClassW(&wc);
        Thread = std::thread([this] {
            HWND h = CreateWindowExW(0, u"SlowReceiver", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                     nullptr);
            SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            Window = h;
            PumpUntil([this] { return Stop.load(); }, 60000);
            DestroyWindow(h);
        });
        while (!Window.load()) std::this_thread::yield();
    }
    ~TSlowReceiver() {
        SetOpen(true);
        Stop = true;
        PostMessageW(Window.load(), WM_NULL, 0, 0);
        Thread.join();
    }
    void SetOpen(bool v) {
        std::lock_guard<std::mutex> lk(Mutex);
        Open = v;
        Changed.notify_all();
    }
    void WaitEntered(int n) {
        std::unique_lock<std::mutex> lk(Mutex);
        Changed.wait(lk, [&] { return Entered >= n; });
    }
};

// A sender that gave up waiting has been told the message failed: a message
// still queued is not delivered (its arguments may point at storage the sender
// no longer keeps), and a reply that comes late answers nobody.
TEST_F(WinMessages, TimedOutSendIsDroppedAndItsLateReplyAnswersNobody) {
    TSlowReceiver rx;
    const HWND h = rx.Window.load();
    // Another thread holds the receiver inside a message.
    std::atomic<LRESULT> firstResult{-1};
    std::thread holder([&] { firstResult = SendMessageW(h, WM_USER + 1, 0, 0); });
    rx.WaitEntered(1);

    // Queued behind it, this one times out.
    auto storage = std::make_unique<int>(7);
    DWORD_PTR r = 99;
    EXPECT_EQ(SendMessageTimeoutW(h, WM_USER + 2, 0, reinterpret_cast<LPARAM>(storage.get()), SMTO_NORMAL, 20, &r), 0);
    EXPECT_EQ(r, 0u);
    rx.SetOpen(true);
    holder.join();
    EXPECT_EQ(firstResult.load(), 111);  // the held message still answers its own sender
    // Messages are answered in order: once a later one is, the dropped one would have been.
    EXPECT_EQ(SendMessageTimeoutW(h, WM_USER + 3, 0, 0, SMTO_NORMAL, 10000, &r), 1);
    EXPECT_EQ(r, 333u);
    {
        std::lock_guard<std::mutex> lk(rx.Mutex);
        EXPECT_EQ(rx.Delivered, 0);
    }
    EXPECT_EQ(*storage, 7);

    // Given up on while the receiver may already be working on it: whether it
    // ran or not, its late 111 is never the answer to the next message.
    rx.SetOpen(false);
    EXPECT_EQ(SendMessageTimeoutW(h, WM_USER + 1, 0, 0, SMTO_NORMAL, 20, &r), 0);
    rx.SetOpen(true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(SendMessageTimeoutW(h, WM_USER + 3, 0, 0, SMTO_NORMAL, 10000, &r), 1);
        EXPECT_EQ(r, 333u);
    }
}

int gTicks = 0;
HWND gMoving = nullptr;
void CALLBACK TickProc(HWND, UINT, UINT_PTR, DWORD) {
    ++gTicks;
    if (gTicks == 3) {
        // Ends the drag from inside the loop, as the user would.
        RECT r;
        GetWindowRect(gMoving, &r);
        WinHeadlessScreen()->MouseMove(POINT{r.left + 60 + 30, r.top + 8 + 20});
        WinHeadlessScreen()->MouseUp(POINT{r.left + 60 + 30, r.top + 8 + 20});
    }
    if (gTicks > 200) ReleaseCapture();  // never loop forever in a broken build
}

TEST_F(WinMessages, TimersFireInsideTheMoveLoop) {
    ASSERT_NE(WinHeadlessScreen(), nullptr);
    HWND a = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 100, 300, 200);
    PumpPending();
    gMoving = a;
    gTicks = 0;
    UINT_PTR t = SetTimer(nullptr, 0, 15, TickProc);
    ASSERT_NE(t, 0u);
    Log().clear();
    // Press on the caption: DefWindowProc runs its move loop until the button goes up.
    WinHeadlessScreen()->MouseDown(POINT{160, 108});
    bool exited = PumpUntil([&] { return !MessagesOf(a, {WM_EXITSIZEMOVE}).empty(); }, 10000);
    KillTimer(nullptr, t);
    ASSERT_TRUE(exited);
    EXPECT_GE(gTicks, 3);
    EXPECT_LT(gTicks, 200);
    RECT r;
    GetWindowRect(a, &r);
    EXPECT_EQ(r.left, 130);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(MessagesOf(a, {WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}),
              (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WinMessages, TimerMessagesAndKillTimer) {
    HWND a = Make(WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(SetTimer(a, 7, 10, nullptr), 7u);
    int ticks = 0;
    EXPECT_TRUE(PumpUntil([&] {
        for (auto& e : Log())
            if (e.Hwnd == a && e.Msg == WM_TIMER && e.WParam == 7) ++ticks;
        Log().clear();
        return ticks >= 2;
    }));
    EXPECT_TRUE(KillTimer(a, 7));
    EXPECT_FALSE(KillTimer(a, 7));
    Log().clear();
    // A killed timer makes no more messages.
    PumpUntil([] { return false; }, 60);
    EXPECT_TRUE(MessagesOf(a, {WM_TIMER}).empty());
}

TEST_F(WinMessages, FilteredGetMessageWaitsWithoutSpinning) {
    HWND a = Make(WS_POPUP);
    UINT_PTR t = SetTimer(nullptr, 0, 10, nullptr);  // due at once, but filtered out below
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        PostMessageW(a, WM_USER + 5, 0, 0);
    });
    timespec c0{}, c1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
    MSG m;
    ASSERT_EQ(GetMessageW(&m, a, WM_USER + 5, WM_USER + 5), TRUE);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
    poster.join();
    KillTimer(nullptr, t);
    EXPECT_EQ(m.message, WM_USER + 5);
    // The wait slept: far less processor time than the 150 ms it lasted.
    double cpuMs = (c1.tv_sec - c0.tv_sec) * 1e3 + (c1.tv_nsec - c0.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 100.0);
}

struct THookLog {
    std::vector<int> Codes;
    HHOOK Hook = nullptr;
};
THookLog gFirst, gSecond;
bool gRefuse = false, gSecondUnhooks = false;

LRESULT CALLBACK FirstHook(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_CREATEWND || code == HCBT_ACTIVATE || code == HCBT_DESTROYWND || code == HCBT_SETFOCUS)
        gFirst.Codes.push_back(code);
    return CallNextHookEx(gFirst.Hook, code, w, l);
}
LRESULT CALLBACK SecondHook(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_CREATEWND || code == HCBT_ACTIVATE || code == HCBT_DESTROYWND) gSecond.Codes.push_back(code);
    if (code == HCBT_CREATEWND) {
        auto* cbt = reinterpret_cast<CBT_CREATEWNDW*>(l);
        // The record is the wide one for a wide hook, and the class is known already.
        char16_t cls[32];
        GetClassNameW(reinterpret_cast<HWND>(w), cls, 32);
        EXPECT_EQ(std::u16string(cls), u"Recorder");
        if (gRefuse && cbt->lpcs->lpszName && std::u16string(cbt->lpcs->lpszName) == u"refuse") return 1;
    }
    if (gSecondUnhooks) {
        UnhookWindowsHookEx(gSecond.Hook);
        gSecondUnhooks = false;
    }
    return CallNextHookEx(gSecond.Hook, code, w, l);
}

TEST_F(WinMessages, CbtHooksSeeCreateActivateDestroyAndChain) {
    gFirst = THookLog{};
    gSecond = THookLog{};
    gFirst.Hook = SetWindowsHookExA(WH_CBT, FirstHook, nullptr, GetCurrentThreadId());
    gSecond.Hook = SetWindowsHookExW(WH_CBT, SecondHook, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(gFirst.Hook && gSecond.Hook);
    EXPECT_EQ(SetWindowsHookExW(WH_CBT, SecondHook, nullptr, GetCurrentThreadId() + 1), nullptr);

    HWND a = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_TRUE(a);
    DestroyWindow(a);
    const std::vector<int> want{HCBT_CREATEWND, HCBT_ACTIVATE, HCBT_DESTROYWND};
    EXPECT_EQ(gSecond.Codes, want);
    EXPECT_EQ(gFirst.Codes, (std::vector<int>{HCBT_CREATEWND, HCBT_ACTIVATE, HCBT_SETFOCUS, HCBT_DESTROYWND}));

    // A hook that answers non-zero without passing on refuses the creation.
    gRefuse = true;
    gFirst.Codes.clear();
    EXPECT_EQ(Make(WS_OVERLAPPEDWINDOW, nullptr, 0, 0, 100, 100, u"refuse"), nullptr);
    EXPECT_TRUE(gFirst.Codes.empty());
    gRefuse = false;

    // A hook that removes itself during its call still passes that call on.
    gFirst.Codes.clear();
    gSecond.Codes.clear();
    gSecondUnhooks = true;
    HWND b = Make(WS_OVERLAPPEDWINDOW);
    HWND c = Make(WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(gSecond.Codes, (std::vector<int>{HCBT_CREATEWND}));
    EXPECT_EQ(gFirst.Codes, (std::vector<int>{HCBT_CREATEWND, HCBT_CREATEWND}));
    EXPECT_FALSE(UnhookWindowsHookEx(gSecond.Hook));
    EXPECT_TRUE(UnhookWindowsHookEx(gFirst.Hook));
    DestroyWindow(b);
    DestroyWindow(c);
}

std::vector<UINT> gFilterSeen;
HHOOK gFilterHook = nullptr, gGetMsgHook = nullptr;
LRESULT CALLBACK FilterHook(int code, WPARAM w, LPARAM l) {
    if (code == MSGF_DIALOGBOX) gFilterSeen.push_back(reinterpret_cast<MSG*>(l)->message);
    if (code == MSGF_DIALOGBOX && reinterpret_cast<MSG*>(l)->message == WM_USER + 9) return 1;
    return CallNextHookEx(gFilterHook, code, w, l);
}
LRESULT CALLBACK GetMsgHook(int code, WPARAM w, LPARAM l) {
    auto* m = reinterpret_cast<MSG*>(l);
    if (code == HC_ACTION && w == PM_REMOVE && m->message == WM_USER + 3) m->wParam = 77;  // hooks may change it
    return CallNextHookEx(gGetMsgHook, code, w, l);
}

TEST_F(WinMessages, MessageFilterAndGetMessageHooks) {
    gFilterHook = SetWindowsHookExW(WH_MSGFILTER, FilterHook, nullptr, 0);
    gGetMsgHook = SetWindowsHookExW(WH_GETMESSAGE, GetMsgHook, nullptr, 0);
    MSG m{nullptr, WM_USER + 9, 0, 0, 0, {}};
    EXPECT_TRUE(CallMsgFilterW(&m, MSGF_DIALOGBOX));
    m.message = WM_USER + 8;
    EXPECT_FALSE(CallMsgFilterW(&m, MSGF_DIALOGBOX));
    EXPECT_EQ(gFilterSeen, (std::vector<UINT>{WM_USER + 9, WM_USER + 8}));
    PostThreadMessageW(GetCurrentThreadId(), WM_USER + 3, 1, 0);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(m.wParam, 77u);
    UnhookWindowsHookEx(gFilterHook);
    UnhookWindowsHookEx(gGetMsgHook);
}

std::vector<UINT> gCallWndProc;
HHOOK gCallHook = nullptr;
LRESULT CALLBACK CallWndHook(int code, WPARAM w, LPARAM l) {
    auto* c = reinterpret_cast<CWPSTRUCT*>(l);
    if (c->message >= WM_USER) gCallWndProc.push_back(c->message);
    return CallNextHookEx(gCallHook, code, w, l);
}

TEST_F(WinMessages, CallWndProcHookSeesSentMessagesOnly) {
    HWND a = Make(WS_POPUP);
    gCallWndProc.clear();
    gCallHook = SetWindowsHookExW(WH_CALLWNDPROC, CallWndHook, nullptr, 0);
    SendMessageW(a, WM_USER + 1, 0, 0);
    PostMessageW(a, WM_USER + 2, 0, 0);
    PumpPending();
    SendMessageW(a, WM_USER + 3, 0, 0);
    UnhookWindowsHookEx(gCallHook);
    SendMessageW(a, WM_USER + 4, 0, 0);
    EXPECT_EQ(gCallWndProc, (std::vector<UINT>{WM_USER + 1, WM_USER + 3}));
    EXPECT_EQ(MessagesOf(a, {WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_USER + 4}),
              (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_USER + 4}));
}

LRESULT CALLBACK BaseProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 1) return 1;
    return DefWindowProcW(h, m, w, l);
}
WNDPROC gOld1 = nullptr, gOld2 = nullptr;
LRESULT CALLBACK Sub1(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 2) return 2;
    return CallWindowProcW(gOld1, h, m, w, l);
}
LRESULT CALLBACK Sub2A(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 3) return 3;
    if (m == WM_SETTEXT && l) {
        EXPECT_STREQ(reinterpret_cast<const char*>(l), "Gr\xC3\xBC\xC3\x9F" "e");
    }
    return CallWindowProcA(gOld2, h, m, w, l);
}

TEST_F(WinMessages, TwoLevelsOfSubclassingPassDownAndRestore) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = BaseProc;
    wc.lpszClassName = u"SubBase";
    RegisterClassW(&wc);
    HWND a = CreateWindowExW(0, u"SubBase", u"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Made.push_back(a);
    gOld1 = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Sub1)));
    EXPECT_EQ(gOld1, BaseProc);
    gOld2 = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Sub2A)));
    EXPECT_FALSE(IsWindowUnicode(a));
    EXPECT_EQ(SendMessageW(a, WM_USER + 1, 0, 0), 1);
    EXPECT_EQ(SendMessageW(a, WM_USER + 2, 0, 0), 2);
    EXPECT_EQ(SendMessageW(a, WM_USER + 3, 0, 0), 3);
    // Text crosses the ANSI level in UTF-8 and lands as UTF-16.
    EXPECT_TRUE(SetWindowTextW(a, u"Grüße"));
    char16_t wide[16];
    EXPECT_EQ(GetWindowTextW(a, wide, 16), 5);
    EXPECT_EQ(std::u16string(wide), u"Grüße");
    char narrow[16];
    EXPECT_EQ(GetWindowTextLengthA(a), 7);
    EXPECT_EQ(GetWindowTextA(a, narrow, 16), 7);
    EXPECT_STREQ(narrow, "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(GetWindowTextA(a, narrow, 4), 2);  // never half a character
    EXPECT_STREQ(narrow, "Gr");

    // Unwinding in reverse order gives back the wide window and its procedures.
    EXPECT_EQ(reinterpret_cast<WNDPROC>(SetWindowLongPtrA(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gOld2))), Sub2A);
    EXPECT_TRUE(IsWindowUnicode(a));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(a, GWLP_WNDPROC)), Sub1);
    EXPECT_EQ(SendMessageW(a, WM_USER + 3, 0, 0), 0);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(SetWindowLongPtrW(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gOld1))), Sub1);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(a, GWLP_WNDPROC)), BaseProc);
    EXPECT_EQ(SendMessageW(a, WM_USER + 2, 0, 0), 0);
    EXPECT_EQ(SendMessageW(a, WM_USER + 1, 0, 0), 1);
}

TEST_F(WinMessages, SuperclassWindowLongsPropsAndAtoms) {
    WNDCLASSEXW base{};
    ASSERT_TRUE(GetClassInfoExW(nullptr, u"Recorder", &base));
    WNDCLASSEXW super = base;
    super.lpszClassName = u"RecorderPlus";
    super.cbWndExtra = base.cbWndExtra + static_cast<int>(sizeof(LONG_PTR));
    ATOM atom = RegisterClassExW(&super);
    ASSERT_NE(atom, 0);
    EXPECT_EQ(RegisterClassExW(&super), 0);  // once only
    HWND a = CreateWindowExA(0, reinterpret_cast<LPCSTR>(MAKEINTATOM(atom)), "Plus", WS_POPUP, 0, 0, 10, 10,
                             nullptr, nullptr, nullptr, nullptr);
    Made.push_back(a);
    ASSERT_TRUE(a);
    char cls[32];
    GetClassNameA(a, cls, 32);
    EXPECT_STREQ(cls, "RecorderPlus");
    EXPECT_FALSE(UnregisterClassW(u"RecorderPlus", nullptr));  // a window still uses it
    SetWindowLongPtrW(a, base.cbWndExtra, 0x1234);
    EXPECT_EQ(GetWindowLongPtrW(a, base.cbWndExtra), 0x1234);
    EXPECT_EQ(GetWindowLongPtrW(a, base.cbWndExtra + 64), 0);  // outside the extra bytes
    SetWindowLongPtrW(a, GWLP_USERDATA, 99);
    EXPECT_EQ(GetWindowLongPtrW(a, GWLP_USERDATA), 99);
    LONG_PTR st = GetWindowLongPtrW(a, GWL_STYLE);
    EXPECT_TRUE(st & WS_POPUP);

    // Properties by name and by atom find each other.
    ATOM pa = GlobalAddAtomA("ControlOfs0000000100000002");
    ASSERT_GE(pa, 0xC000);
    EXPECT_EQ(GlobalFindAtomA("controlofs0000000100000002"), pa);
    int obj = 5;
    EXPECT_TRUE(SetPropA(a, "ControlOfs0000000100000002", &obj));
    EXPECT_EQ(GetPropA(a, MAKEINTATOM(pa)), &obj);
    EXPECT_EQ(GetPropW(a, u"ControlOfs0000000100000002"), &obj);
    EXPECT_EQ(RemovePropA(a, MAKEINTATOM(pa)), &obj);
    EXPECT_EQ(GetPropA(a, "ControlOfs0000000100000002"), nullptr);
    char name[64];
    EXPECT_EQ(GlobalGetAtomNameA(pa, name, 64), 26u);
    EXPECT_STREQ(name, "ControlOfs0000000100000002");

    UINT m1 = RegisterWindowMessageA("TessaroTestMessage");
    EXPECT_GE(m1, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageW(u"tessarotestmessage"), m1);
}

TEST_F(WinMessages, QuitAndThreadMessages) {
    PostQuitMessage(3);
    PostThreadMessageW(GetCurrentThreadId(), WM_USER + 4, 0, 0);
    MSG m;
    // Posted messages come before the quit.
    ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, WM_USER + 4);
    ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_FALSE(PostThreadMessageW(0x7FFFFFF0, WM_USER, 0, 0));  // no such queue
}

TEST_F(WinMessages, PeekFiltersAndNoRemove) {
    HWND a = Make(WS_OVERLAPPEDWINDOW);
    HWND b = Make(WS_OVERLAPPEDWINDOW);
    PostMessageW(a, WM_USER + 1, 1, 0);
    PostMessageW(b, WM_USER + 2, 2, 0);
    PostMessageW(a, WM_USER + 3, 3, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, b, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 2);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
}

}  // namespace
