// Message queues: posting, sending across threads, retrieval with its
// priorities (sent, posted and input, quit, paint, timers), timers, hooks and
// waits that keep answering sent messages.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <set>

#include "platform/system/process.h"
#include "platform/win/win_internal.h"
#include "platform/rtl/scope.h"

namespace winimpl {

uint64_t NowMs() { return GetTickCount64(); }
// Message times are tick counts, so callers may compare them with GetTickCount.
DWORD Tick() { return GetTickCount(); }

namespace {

std::map<DWORD, std::weak_ptr<TThreadQueue>>& QueueRegistry() {
    static std::map<DWORD, std::weak_ptr<TThreadQueue>> r;
    return r;
}
std::set<const THook*>& LiveHooks() {
    static std::set<const THook*> s;
    return s;
}

// Ends a thread's queue when the thread ends: senders waiting on it give up.
struct TQueueHolder {
    std::shared_ptr<TThreadQueue> Queue;
    ~TQueueHolder() {
        if (!Queue) return;
        Lock lk(UserMutex());
        Queue->Dead = true;
        DestroyThreadWindows(Queue->ThreadId);
        for (auto& s : Queue->Sent) s->Done = true;
        Queue->Sent.clear();
        for (auto& list : Queue->Hooks)
            for (auto& h : list) {
                h->Removed = true;
                LiveHooks().erase(h.get());
            }
        QueueRegistry().erase(Queue->ThreadId);
        WakeAll();
    }
};
thread_local TQueueHolder tQueue;

// The hook call in progress on this thread, for CallNextHookEx.
struct THookCall {
    int IdHook;
    std::vector<std::shared_ptr<THook>> Chain;
    LPARAM LA, LW;
};
thread_local std::vector<THookCall> tHookCalls;

bool RangeMatches(UINT m, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (m >= lo && m <= hi); }

bool WindowMatches(HWND msgHwnd, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return msgHwnd == nullptr;
    if (msgHwnd == filter) return true;
    return IsDescendant(filter, msgHwnd);
}

}  // namespace

std::shared_ptr<TThreadQueue> CurrentQueueShared() {
    if (!tQueue.Queue) {
        auto q = std::make_shared<TThreadQueue>();
        q->ThreadId = GetCurrentThreadId();
        Lock lk(UserMutex());
        QueueRegistry()[q->ThreadId] = q;
        tQueue.Queue = q;
    }
    return tQueue.Queue;
}
TThreadQueue* CurrentQueue() { return CurrentQueueShared().get(); }

std::shared_ptr<TThreadQueue> QueueOfThread(DWORD tid) {
    Lock lk(UserMutex());
    auto it = QueueRegistry().find(tid);
    if (it == QueueRegistry().end()) return nullptr;
    return it->second.lock();
}

void PostToQueue(TThreadQueue* q, const MSG& m, bool input, bool front) {
    TQueuedMessage qm{m, input};
    if (front)
        q->Posted.push_front(qm);
    else
        q->Posted.push_back(qm);
    WakeAll();
}

void PurgeWindow(HWND h) {
    for (auto& [tid, wq] : QueueRegistry()) {
        auto q = wq.lock();
        if (!q) continue;
        q->Posted.erase(std::remove_if(q->Posted.begin(), q->Posted.end(),
                                       [h](const TQueuedMessage& m) { return m.Msg.hwnd == h; }),
                        q->Posted.end());
        q->Timers.erase(std::remove_if(q->Timers.begin(), q->Timers.end(), [h](const TTimer& t) { return t.Hwnd == h; }),
                        q->Timers.end());
    }
}

bool ReceiveSent() {
    TThreadQueue* q = CurrentQueue();
    bool any = false;
    for (;;) {
        std::shared_ptr<TSentMessage> s;
        {
            Lock lk(UserMutex());
            if (q->Sent.empty()) break;
            s = q->Sent.front();
            q->Sent.pop_front();
            q->Receiving.push_back(s);
        }
        any = true;
        LRESULT r = SendInternal(s->Hwnd, s->Message, s->WParam, s->LParam, s->Unicode);
        Lock lk(UserMutex());
        q->Receiving.pop_back();
        // A sender that gave up has its answer already (a failure): a late one is dropped.
        if (!s->Replied && !s->Abandoned) s->Result = r;
        s->Done = true;
        WakeAll();
    }
    return any;
}

// ---- Hooks ----------------------------------------------------------------
bool HasHooks(int idHook) {
    if (idHook < -1 || idHook > 14) return false;
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    for (auto& h : q->Hooks[idHook + 1])
        if (!h->Removed) return true;
    return false;
}

static LRESULT CallHookAt(const THookCall& call, std::size_t index, int code, WPARAM w) {
    for (std::size_t i = index; i < call.Chain.size(); ++i) {
        const auto& h = call.Chain[i];
        bool removed;
        {
            Lock lk(UserMutex());
            removed = h->Removed;
        }
        if (removed) continue;
        return h->Proc(code, w, h->Unicode ? call.LW : call.LA);
    }
    return 0;
}

LRESULT CallHooks(int idHook, int code, WPARAM w, LPARAM lA, LPARAM lW) {
    if (idHook < -1 || idHook > 14) return 0;
    TThreadQueue* q = CurrentQueue();
    THookCall call{idHook, {}, lA, lW};
    {
        Lock lk(UserMutex());
        for (auto& h : q->Hooks[idHook + 1])
            if (!h->Removed) call.Chain.push_back(h);
    }
    if (call.Chain.empty()) return 0;
    tHookCalls.push_back(call);
    LRESULT r;
    {
        rtl::TScopeExit PopHookCall([&] { tHookCalls.pop_back(); });
        r = CallHookAt(tHookCalls.back(), 0, code, w);
    }
    return r;
}

}  // namespace winimpl

using namespace winimpl;

static HHOOK SetHook(int id, HOOKPROC proc, DWORD tid, bool unicode) {
    if (!proc || id < -1 || id > 14) return nullptr;
    if (tid != 0 && tid != GetCurrentThreadId()) return nullptr;  // hooks are thread-local here
    TThreadQueue* q = CurrentQueue();
    auto h = std::make_shared<THook>();
    h->IdHook = id;
    h->Proc = proc;
    h->Unicode = unicode;
    h->ThreadId = q->ThreadId;
    Lock lk(UserMutex());
    q->Hooks[id + 1].push_front(h);
    LiveHooks().insert(h.get());
    return reinterpret_cast<HHOOK>(h.get());
}
HHOOK SetWindowsHookExA(int id, HOOKPROC proc, HINSTANCE, DWORD tid) {
    return SetHook(id, proc, tid, /*unicode=*/false);
}
HHOOK SetWindowsHookExW(int id, HOOKPROC proc, HINSTANCE, DWORD tid) {
    return SetHook(id, proc, tid, /*unicode=*/true);
}

BOOL UnhookWindowsHookEx(HHOOK hhk) {
    Lock lk(UserMutex());
    const THook* target = reinterpret_cast<const THook*>(hhk);
    if (!LiveHooks().count(target)) return FALSE;
    auto q = QueueRegistry()[target->ThreadId].lock();
    LiveHooks().erase(target);
    if (!q) return FALSE;
    auto& list = q->Hooks[target->IdHook + 1];
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->get() == target) {
            (*it)->Removed = true;  // a call in progress still sees the rest of the chain
            list.erase(it);
            return TRUE;
        }
    return FALSE;
}

LRESULT CallNextHookEx(HHOOK hhk, int code, WPARAM w, LPARAM l) {
    // Find the call in progress that holds this hook and go on after it.
    for (auto it = tHookCalls.rbegin(); it != tHookCalls.rend(); ++it) {
        for (std::size_t i = 0; i < it->Chain.size(); ++i)
            if (reinterpret_cast<HHOOK>(it->Chain[i].get()) == hhk) {
                THookCall call = *it;
                // The caller may hand on a record of its own: keep it for hooks of its kind.
                if (l != call.LA && l != call.LW) call.LA = call.LW = l;
                else if (it->Chain[i]->Unicode) call.LW = l;
                else call.LA = l;
                return CallHookAt(call, i + 1, code, w);
            }
    }
    return 0;
}

BOOL CallMsgFilterA(LPMSG m, int code) {
    if (!m) return FALSE;
    if (HasHooks(WH_SYSMSGFILTER) &&
        CallHooks(WH_SYSMSGFILTER, code, 0, reinterpret_cast<LPARAM>(m), reinterpret_cast<LPARAM>(m)))
        return TRUE;
    return HasHooks(WH_MSGFILTER) &&
           CallHooks(WH_MSGFILTER, code, 0, reinterpret_cast<LPARAM>(m), reinterpret_cast<LPARAM>(m)) != 0;
}
BOOL CallMsgFilterW(LPMSG m, int code) { return CallMsgFilterA(m, code); }

// ---- Sending --------------------------------------------------------------
namespace winimpl {

// Waits for a message sent to another thread. Answers messages sent to this
// thread meanwhile (unless blocking), so two threads sending to each other
// do not deadlock.
static bool WaitForReply(const std::shared_ptr<TSentMessage>& s, const std::shared_ptr<TThreadQueue>& target,
                         uint64_t timeoutMs, bool block) {
    uint64_t deadline = timeoutMs == INFINITE ? UINT64_MAX : NowMs() + timeoutMs;
    for (;;) {
        if (!block) ReceiveSent();
        Lock lk(UserMutex());
        if (s->Done || s->Replied) return true;
        if (target->Dead) return false;
        if (!CurrentQueue()->Sent.empty() && !block) continue;
        uint64_t now = NowMs();
        if (now >= deadline) {
            // Not taken yet: it is never delivered, so the receiver cannot act on
            // arguments (buffers, records) the sender no longer keeps, nor do what
            // the sender was told had failed.
            s->Abandoned = true;
            target->Sent.erase(std::remove(target->Sent.begin(), target->Sent.end(), s), target->Sent.end());
            return false;
        }
        uint64_t wait = std::min<uint64_t>(deadline - now, 1000);
        UserWake().wait_for(lk, std::chrono::milliseconds(wait));
    }
}

static LRESULT SendCross(TWnd* w, UINT m, WPARAM wp, LPARAM lp, bool unicode, uint64_t timeout, bool block,
                         bool* ok, Lock& lk) {
    auto target = w->Queue;
    auto s = std::make_shared<TSentMessage>();
    s->Hwnd = w->Handle;
    s->Message = m;
    s->WParam = wp;
    s->LParam = lp;
    s->Unicode = unicode;
    if (!target || target->Dead) {
        if (ok) *ok = false;
        return 0;
    }
    target->Sent.push_back(s);
    WakeAll();
    lk.unlock();
    bool done = WaitForReply(s, target, timeout, block);
    if (ok) *ok = done;
    Lock lk2(UserMutex());
    return done ? s->Result : 0;
}

LRESULT SendInternal(HWND h, UINT m, WPARAM wp, LPARAM lp, bool argsUnicode) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return 0;
    if (w->ThreadId != GetCurrentThreadId())
        return SendCross(w, m, wp, lp, argsUnicode, INFINITE, /*block=*/false, /*ok=*/nullptr, lk);
    WNDPROC proc = w->Proc;
    bool uni = w->Unicode;
    lk.unlock();
    if (HasHooks(WH_CALLWNDPROC)) {
        CWPSTRUCT cwp{lp, wp, m, h};
        CallHooks(WH_CALLWNDPROC, HC_ACTION, 1, reinterpret_cast<LPARAM>(&cwp), reinterpret_cast<LPARAM>(&cwp));
    }
    LRESULT r = CallProc(proc, uni, argsUnicode, h, m, wp, lp);
    if (HasHooks(WH_CALLWNDPROCRET)) {
        CWPRETSTRUCT cwr{r, lp, wp, m, h};
        CallHooks(WH_CALLWNDPROCRET, HC_ACTION, 1, reinterpret_cast<LPARAM>(&cwr), reinterpret_cast<LPARAM>(&cwr));
    }
    return r;
}

LRESULT SendW(HWND h, UINT m, WPARAM w, LPARAM l) { return SendInternal(h, m, w, l, /*argsUnicode=*/true); }
LRESULT SendA(HWND h, UINT m, WPARAM w, LPARAM l) { return SendInternal(h, m, w, l, /*argsUnicode=*/false); }

}  // namespace winimpl

static LRESULT SendMessageAny(HWND h, UINT m, WPARAM w, LPARAM l, bool unicode) {
    if (h == HWND_BROADCAST) {
        std::vector<HWND> tops;
        {
            Lock lk(UserMutex());
            DesktopHandle();
            tops = TopLevels();
        }
        for (HWND t : tops) SendInternal(t, m, w, l, unicode);
        return 0;
    }
    return SendInternal(h, m, w, l, unicode);
}
LRESULT SendMessageA(HWND h, UINT m, WPARAM w, LPARAM l) { return SendMessageAny(h, m, w, l, /*unicode=*/false); }
LRESULT SendMessageW(HWND h, UINT m, WPARAM w, LPARAM l) { return SendMessageAny(h, m, w, l, /*unicode=*/true); }

static LRESULT SendTimeoutAny(HWND h, UINT m, WPARAM w, LPARAM l, UINT flags, UINT timeout, DWORD_PTR* result,
                              bool unicode) {
    Lock lk(UserMutex());
    TWnd* wnd = Find(h);
    if (!wnd) return 0;
    if (wnd->ThreadId == GetCurrentThreadId()) {
        lk.unlock();
        LRESULT r = SendInternal(h, m, w, l, unicode);
        if (result) *result = static_cast<DWORD_PTR>(r);
        return 1;
    }
    bool ok = false;
    LRESULT r = SendCross(wnd, m, w, l, unicode, timeout, (flags & SMTO_BLOCK) != 0, &ok, lk);
    if (result) *result = ok ? static_cast<DWORD_PTR>(r) : 0;
    return ok ? 1 : 0;
}
LRESULT SendMessageTimeoutA(HWND h, UINT m, WPARAM w, LPARAM l, UINT f, UINT t, DWORD_PTR* r) {
    return SendTimeoutAny(h, m, w, l, f, t, r, /*unicode=*/false);
}
LRESULT SendMessageTimeoutW(HWND h, UINT m, WPARAM w, LPARAM l, UINT f, UINT t, DWORD_PTR* r) {
    return SendTimeoutAny(h, m, w, l, f, t, r, /*unicode=*/true);
}

static BOOL SendNotifyAny(HWND h, UINT m, WPARAM w, LPARAM l, bool unicode) {
    Lock lk(UserMutex());
    TWnd* wnd = Find(h);
    if (!wnd) return FALSE;
    if (wnd->ThreadId == GetCurrentThreadId()) {
        lk.unlock();
        SendInternal(h, m, w, l, unicode);
        return TRUE;
    }
    if (!wnd->Queue || wnd->Queue->Dead) return FALSE;
    auto s = std::make_shared<TSentMessage>();
    s->Hwnd = h;
    s->Message = m;
    s->WParam = w;
    s->LParam = l;
    s->Unicode = unicode;
    s->Notify = true;
    wnd->Queue->Sent.push_back(s);
    WakeAll();
    return TRUE;
}
BOOL SendNotifyMessageA(HWND h, UINT m, WPARAM w, LPARAM l) { return SendNotifyAny(h, m, w, l, /*unicode=*/false); }
BOOL SendNotifyMessageW(HWND h, UINT m, WPARAM w, LPARAM l) { return SendNotifyAny(h, m, w, l, /*unicode=*/true); }

BOOL InSendMessage() {
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    return !q->Receiving.empty() && !q->Receiving.back()->Replied;
}
DWORD InSendMessageEx(LPVOID) {
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    if (q->Receiving.empty()) return ISMEX_NOSEND;
    auto& s = q->Receiving.back();
    return (s->Notify ? ISMEX_NOTIFY : ISMEX_SEND) | (s->Replied ? ISMEX_REPLIED : 0);
}
BOOL ReplyMessage(LRESULT r) {
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    if (q->Receiving.empty()) return FALSE;
    auto& s = q->Receiving.back();
    if (s->Replied || s->Notify) return FALSE;
    if (!s->Abandoned) s->Result = r;
    s->Replied = true;
    WakeAll();
    return TRUE;
}

// ---- Posting --------------------------------------------------------------
static BOOL PostAny(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (!h) return PostThreadMessageW(GetCurrentThreadId(), m, w, l);
    Lock lk(UserMutex());
    if (h == HWND_BROADCAST) {
        DesktopHandle();
        for (HWND t : TopLevels())
            if (TWnd* tw = Find(t); tw && tw->Queue && !tw->Queue->Dead)
                PostToQueue(tw->Queue.get(), MSG{t, m, w, l, Tick(), {}}, /*input=*/false);
        return TRUE;
    }
    TWnd* wnd = Find(h);
    if (!wnd || !wnd->Queue || wnd->Queue->Dead) return FALSE;
    PostToQueue(wnd->Queue.get(), MSG{h, m, w, l, Tick(), {}}, /*input=*/false);
    return TRUE;
}
BOOL PostMessageA(HWND h, UINT m, WPARAM w, LPARAM l) { return PostAny(h, m, w, l); }
BOOL PostMessageW(HWND h, UINT m, WPARAM w, LPARAM l) { return PostAny(h, m, w, l); }

BOOL PostThreadMessageW(DWORD tid, UINT m, WPARAM w, LPARAM l) {
    auto q = QueueOfThread(tid);
    Lock lk(UserMutex());
    if (!q || q->Dead) return FALSE;
    PostToQueue(q.get(), MSG{nullptr, m, w, l, Tick(), {}}, /*input=*/false);
    return TRUE;
}
BOOL PostThreadMessageA(DWORD tid, UINT m, WPARAM w, LPARAM l) { return PostThreadMessageW(tid, m, w, l); }

void PostQuitMessage(int code) {
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    q->Quit = true;
    q->QuitCode = code;
    WakeAll();
}

// ---- Retrieval ------------------------------------------------------------
namespace {

void TrackKeyState(TThreadQueue* q, const MSG& m) {
    auto set = [&](int vk, bool down) {
        BYTE& b = q->KeyState[vk & 0xFF];
        if (down) {
            if (!(b & 0x80)) b ^= 0x01;  // toggle on each press
            b |= 0x80;
        } else {
            b &= ~0x80;
        }
    };
    switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
        int vk = static_cast<int>(m.wParam);
        if (vk == VK_PACKET) break;
        set(vk, down);
        if (vk == VK_LSHIFT || vk == VK_RSHIFT) set(VK_SHIFT, down);
        if (vk == VK_LCONTROL || vk == VK_RCONTROL) set(VK_CONTROL, down);
        if (vk == VK_LMENU || vk == VK_RMENU) set(VK_MENU, down);
        break;
    }
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: set(VK_LBUTTON, true); break;
    case WM_LBUTTONUP: case WM_NCLBUTTONUP: set(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: set(VK_RBUTTON, true); break;
    case WM_RBUTTONUP: case WM_NCRBUTTONUP: set(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: case WM_NCMBUTTONDOWN: case WM_NCMBUTTONDBLCLK: set(VK_MBUTTON, true); break;
    case WM_MBUTTONUP: case WM_NCMBUTTONUP: set(VK_MBUTTON, false); break;
    default: break;
    }
}

uint64_t NextTimerDue(TThreadQueue* q, HWND filter = nullptr, UINT lo = 0, UINT hi = 0) {
    uint64_t due = UINT64_MAX;
    if (!RangeMatches(WM_TIMER, lo, hi)) return due;
    for (auto& t : q->Timers)
        if (WindowMatches(t.Hwnd, filter)) due = std::min(due, t.Due);
    return due;
}

enum class TPeek { Got, None };

// One pass over the queue in priority order. Lock must not be held.
TPeek PeekOnce(TThreadQueue* q, MSG* out, HWND filter, UINT lo, UINT hi, UINT flags) {
    bool remove = (flags & PM_REMOVE) != 0;
    ReceiveSent();
    ProcessRawInput();
    CheckHover();
    Lock lk(UserMutex());
    for (auto it = q->Posted.begin(); it != q->Posted.end(); ++it) {
        if (!RangeMatches(it->Msg.message, lo, hi) || !WindowMatches(it->Msg.hwnd, filter)) continue;
        *out = it->Msg;
        if (remove) q->Posted.erase(it);
        q->MsgTime = out->time;
        q->MsgPos = out->pt;
        if (remove) TrackKeyState(q, *out);
        return TPeek::Got;
    }
    if (q->Quit && RangeMatches(WM_QUIT, lo, hi)) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q->QuitCode), 0, Tick(), q->MsgPos};
        if (remove) q->Quit = false;
        return TPeek::Got;
    }
    if (RangeMatches(WM_PAINT, lo, hi)) {
        HWND p = NextWindowToPaint(q, filter);
        if (p) {
            *out = MSG{p, WM_PAINT, 0, 0, Tick(), q->MsgPos};
            return TPeek::Got;
        }
    }
    if (RangeMatches(WM_TIMER, lo, hi)) {
        uint64_t now = NowMs();
        TTimer* best = nullptr;
        for (auto& t : q->Timers)
            if (t.Due <= now && WindowMatches(t.Hwnd, filter) && (!best || t.Due < best->Due)) best = &t;
        if (best) {
            *out = MSG{best->Hwnd, WM_TIMER, best->Id, reinterpret_cast<LPARAM>(best->Proc), Tick(), q->MsgPos};
            if (remove) best->Due = now + best->Interval;
            q->MsgTime = out->time;
            return TPeek::Got;
        }
    }
    return TPeek::None;
}

bool HasWork(TThreadQueue* q, DWORD mask) {
    if ((mask & QS_SENDMESSAGE) && !q->Sent.empty()) return true;
    if ((mask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE | QS_INPUT)) && (!q->Posted.empty() || q->Quit)) return true;
    if ((mask & QS_TIMER) && NextTimerDue(q) <= NowMs()) return true;
    if ((mask & QS_PAINT) && NextWindowToPaint(q, /*filter=*/nullptr)) return true;
    return false;
}

// Sleeps until the queue may have something for the filter (or Deadline). Lock held.
void SleepForWork(TThreadQueue* q, Lock& lk, uint64_t deadline, HWND filter = nullptr, UINT lo = 0, UINT hi = 0) {
    uint64_t due = std::min({NextTimerDue(q, filter, lo, hi), NextHoverDue(), deadline});
    uint64_t now = NowMs();
    if (due <= now) return;
    uint64_t wait = std::min<uint64_t>(due - now, 1000);
    UserWake().wait_for(lk, std::chrono::milliseconds(wait));
}

// The thread has nothing to handle: the screen shows what was drawn.
void QueueIdle() {
    if (TScreen* s = ScreenIfOpen()) s->Idle();
}

BOOL PeekAny(LPMSG m, HWND filter, UINT lo, UINT hi, UINT flags) {
    if (!m) return FALSE;
    TThreadQueue* q = CurrentQueue();
    if (PeekOnce(q, m, filter, lo, hi, flags) == TPeek::None) {
        QueueIdle();
        return FALSE;
    }
    if (HasHooks(WH_GETMESSAGE))
        CallHooks(WH_GETMESSAGE, HC_ACTION, flags & PM_REMOVE, reinterpret_cast<LPARAM>(m),
                  reinterpret_cast<LPARAM>(m));
    return TRUE;
}

BOOL GetAny(LPMSG m, HWND filter, UINT lo, UINT hi) {
    if (!m) return -1;
    if (filter && filter != reinterpret_cast<HWND>(-1) && !IsWindow(filter)) return -1;
    TThreadQueue* q = CurrentQueue();
    for (;;) {
        uint64_t seen = WakeCount();
        if (PeekOnce(q, m, filter, lo, hi, PM_REMOVE) == TPeek::Got) break;
        QueueIdle();
        Lock lk(UserMutex());
        if (WakeCount() != seen || !q->Sent.empty()) continue;  // something arrived meanwhile
        SleepForWork(q, lk, UINT64_MAX, filter, lo, hi);
    }
    if (HasHooks(WH_GETMESSAGE))
        CallHooks(WH_GETMESSAGE, HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(m), reinterpret_cast<LPARAM>(m));
    return m->message == WM_QUIT ? FALSE : TRUE;
}

}  // namespace

BOOL PeekMessageA(LPMSG m, HWND h, UINT lo, UINT hi, UINT f) { return PeekAny(m, h, lo, hi, f); }
BOOL PeekMessageW(LPMSG m, HWND h, UINT lo, UINT hi, UINT f) { return PeekAny(m, h, lo, hi, f); }
BOOL GetMessageA(LPMSG m, HWND h, UINT lo, UINT hi) { return GetAny(m, h, lo, hi); }
BOOL GetMessageW(LPMSG m, HWND h, UINT lo, UINT hi) { return GetAny(m, h, lo, hi); }

BOOL WaitMessage() {
    TThreadQueue* q = CurrentQueue();
    for (;;) {
        uint64_t seen = WakeCount();
        ReceiveSent();
        ProcessRawInput();
        CheckHover();
        QueueIdle();
        Lock lk(UserMutex());
        if (HasWork(q, QS_ALLEVENTS)) return TRUE;
        if (WakeCount() != seen || !q->Sent.empty()) continue;
        SleepForWork(q, lk, UINT64_MAX);
    }
}

DWORD GetQueueStatus(UINT flags) {
    TThreadQueue* q = CurrentQueue();
    ProcessRawInput();
    Lock lk(UserMutex());
    DWORD s = 0;
    if (!q->Sent.empty()) s |= QS_SENDMESSAGE;
    for (auto& m : q->Posted) {
        if (!m.Input) s |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
        else if (m.Msg.message >= WM_KEYFIRST && m.Msg.message <= WM_KEYLAST) s |= QS_KEY;
        else if (m.Msg.message == WM_MOUSEMOVE || m.Msg.message == WM_NCMOUSEMOVE) s |= QS_MOUSEMOVE;
        else s |= QS_MOUSEBUTTON;
    }
    if (q->Quit) s |= QS_POSTMESSAGE;
    if (NextTimerDue(q) <= NowMs()) s |= QS_TIMER;
    if (NextWindowToPaint(q, /*filter=*/nullptr)) s |= QS_PAINT;
    s &= flags;
    return (s << 16) | s;
}
BOOL GetInputState() { return (GetQueueStatus(QS_INPUT) & 0xFFFF) != 0; }

DWORD GetMessageTime() {
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    return q->MsgTime;
}
DWORD GetMessagePos() {
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    return static_cast<DWORD>(MAKELONG(static_cast<WORD>(q->MsgPos.x), static_cast<WORD>(q->MsgPos.y)));
}
LPARAM GetMessageExtraInfo() { return 0; }
DWORD WinTickCount() { return Tick(); }

static LRESULT DispatchAny(const MSG* m, bool unicode) {
    if (!m) return 0;
    if (m->message == WM_TIMER && m->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(m->lParam);
        bool known = false;
        {
            TThreadQueue* q = CurrentQueue();
            Lock lk(UserMutex());
            for (auto& t : q->Timers)
                if (t.Proc == proc) known = true;
        }
        if (!known) return 0;  // a forged timer procedure is never called
        proc(m->hwnd, WM_TIMER, m->wParam, Tick());
        return 0;
    }
    if (!m->hwnd) return 0;
    WNDPROC proc;
    bool procUni;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(m->hwnd);
        if (!w || w->ThreadId != GetCurrentThreadId()) return 0;
        proc = w->Proc;
        procUni = w->Unicode;
    }
    return CallProc(proc, procUni, unicode, m->hwnd, m->message, m->wParam, m->lParam);
}
LRESULT DispatchMessageA(const MSG* m) { return DispatchAny(m, /*unicode=*/false); }
LRESULT DispatchMessageW(const MSG* m) { return DispatchAny(m, /*unicode=*/true); }

// ---- Timers ---------------------------------------------------------------
UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT ms, TIMERPROC proc) {
    static UINT_PTR nextThreadTimer = 0x7FF0;
    ms = std::max<UINT>(ms, 10);  // the shortest interval
    std::shared_ptr<TThreadQueue> q;
    Lock lk(UserMutex());
    if (h) {
        TWnd* w = Find(h);
        if (!w || !w->Queue) return 0;
        q = w->Queue;
    } else {
        lk.unlock();
        q = CurrentQueueShared();
        lk.lock();
        if (id) {
            for (auto& t : q->Timers)
                if (!t.Hwnd && t.Id == id) {
                    t.Interval = ms;
                    t.Proc = proc;
                    t.Due = NowMs() + ms;
                    return id;
                }
        }
        id = ++nextThreadTimer;
    }
    for (auto& t : q->Timers)
        if (t.Hwnd == h && t.Id == id) {
            t.Interval = ms;
            t.Proc = proc;
            t.Due = NowMs() + ms;
            WakeAll();
            return id;
        }
    q->Timers.push_back(TTimer{h, id, ms, proc, NowMs() + ms});
    WakeAll();
    return h ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND h, UINT_PTR id) {
    std::shared_ptr<TThreadQueue> q;
    Lock lk(UserMutex());
    if (h) {
        TWnd* w = Find(h);
        if (!w) return FALSE;
        q = w->Queue;
    } else {
        lk.unlock();
        q = CurrentQueueShared();
        lk.lock();
    }
    if (!q) return FALSE;
    auto before = q->Timers.size();
    q->Timers.erase(std::remove_if(q->Timers.begin(), q->Timers.end(),
                                   [&](const TTimer& t) { return t.Hwnd == h && t.Id == id; }),
                    q->Timers.end());
    // A WM_TIMER already taken stays; none is made for the killed timer again.
    q->Posted.erase(std::remove_if(q->Posted.begin(), q->Posted.end(),
                                   [&](const TQueuedMessage& m) {
                                       return m.Msg.message == WM_TIMER && m.Msg.hwnd == h && m.Msg.wParam == id;
                                   }),
                    q->Posted.end());
    return q->Timers.size() != before;
}

// ---- Waiting on kernel handles --------------------------------------------
DWORD MsgWaitForMultipleObjectsEx(DWORD n, const HANDLE* handles, DWORD ms, DWORD mask, DWORD flags) {
    if (n > 63 || (n && !handles)) return WAIT_FAILED;
    std::vector<std::shared_ptr<TKernelObject>> objects;
    for (DWORD i = 0; i < n; ++i) {
        auto o = LookupKernelObject(handles[i]);
        if (!o) return WAIT_FAILED;
        objects.push_back(std::move(o));
    }
    bool waitAll = (flags & MWMO_WAITALL) != 0;
    TThreadQueue* q = CurrentQueue();
    uint64_t deadline = ms == INFINITE ? UINT64_MAX : NowMs() + ms;
    for (;;) {
        uint64_t seen = WakeCount();
        ReceiveSent();
        if (n) {
            DWORD signalled = 0, first = n;
            for (DWORD i = 0; i < n; ++i) {
                DWORD r = objects[i]->Wait(0);
                if (r == WAIT_FAILED) return WAIT_FAILED;
                if (r == WAIT_OBJECT_0) {
                    ++signalled;
                    if (first == n) first = i;
                }
            }
            if (waitAll ? signalled == n : first < n) return WAIT_OBJECT_0 + (waitAll ? 0 : first);
        }
        ProcessRawInput();
        CheckHover();
        QueueIdle();
        Lock lk(UserMutex());
        if (HasWork(q, mask & ~QS_SENDMESSAGE)) return WAIT_OBJECT_0 + n;
        if (!q->Sent.empty() || WakeCount() != seen) continue;
        uint64_t now = NowMs();
        if (now >= deadline) return WAIT_TIMEOUT;
        // Kernel objects do not wake us: look at them again every few milliseconds.
        uint64_t slice = n ? 5 : 1000;
        uint64_t due = std::min({deadline, NextTimerDue(q), NextHoverDue(), now + slice});
        if (due > now) UserWake().wait_for(lk, std::chrono::milliseconds(due - now));
    }
}
DWORD MsgWaitForMultipleObjects(DWORD n, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD mask) {
    return MsgWaitForMultipleObjectsEx(n, handles, ms, mask, waitAll ? MWMO_WAITALL : 0);
}
