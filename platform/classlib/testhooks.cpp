#include "platform/classlib/testhooks.h"

#include <chrono>
#include <cstdlib>
#include <deque>

#include <unistd.h>

#include "platform/classlib/stdctrls.h"
#include "platform/classlib/threads.h"
#include "platform/commctl/commctrl.h"
#include "platform/commctl/testhooks.h"
#include "platform/system/process.h"
#include "platform/win/winscreen.h"

namespace TestHooks {

namespace {

struct TState {
    size_t Scripted = 0;
    std::vector<TMessageBoxRecord> Shown;
    std::deque<std::function<void(TCustomForm*)>> ModalActions;
    int WatchdogMs = 0;
    std::vector<std::string> Failures;
    bool StartedForms = false;
    size_t ModalHookIndex = 0;
    bool ModalHookInstalled = false;
};
TState& S() {
    static TState St;
    return St;
}

constexpr UINT WM_TESTHOOK_MODAL = WM_APP + 0x3F1;
constexpr UINT_PTR WatchdogTimerId = 0x7E57;

LRESULT WatchdogFired(TCustomForm* Form) {
    std::string Shot = Screenshot("modal_watchdog");
    S().Failures.push_back("modal form " + Form->Name() + " still open after " + IntToStr(S().WatchdogMs) +
                           " ms; screenshot " + Shot);
    Form->ModalResult = mrAbort;
    return 0;
}

void ModalStarted(TCustomForm* Form) {
    auto& St = S();
    if (St.WatchdogMs > 0) {
        TCustomForm* F = Form;
        F->WindowProc = [F, Old = F->WindowProc](TMessage& M) {
            if (M.Msg == WM_TIMER && M.WParam == WatchdogTimerId) {
                KillTimer(F->Handle(), WatchdogTimerId);
                if (F->Modal()) WatchdogFired(F);
                return;
            }
            Old(M);
        };
        SetTimer(Form->Handle(), WatchdogTimerId, static_cast<UINT>(St.WatchdogMs), /*lpTimerFunc=*/nullptr);
    }
    if (!St.ModalActions.empty()) {
        auto Action = std::move(St.ModalActions.front());
        St.ModalActions.pop_front();
        // Posted: it runs from inside the modal loop.
        auto* Heap = new std::function<void()>([Form, Action] { Action(Form); });
        PostMessageA(Form->Handle(), WM_TESTHOOK_MODAL, 0, reinterpret_cast<LPARAM>(Heap));
        TCustomForm* F = Form;
        F->WindowProc = [F, Old = F->WindowProc](TMessage& M) {
            if (M.Msg == WM_TESTHOOK_MODAL) {
                std::unique_ptr<std::function<void()>> Run(reinterpret_cast<std::function<void()>*>(M.LParam));
                (*Run)();
                return;
            }
            Old(M);
        };
    }
}

}  // namespace

void Start() {
    setenv("TESSARO_SCREEN", "headless", 1);
    WinStartup();
    auto& St = S();
    if (!Application) {
        FormsStartup();
        St.StartedForms = true;
    }
    TestHookClearMessageBoxAnswers();
    TestHookClearMessageBoxLog();
    if (!St.ModalHookInstalled) {
        ModalLoopHooks.push_back(ModalStarted);
        St.ModalHookInstalled = true;
    }
}

void Stop() {
    auto& St = S();
    TestHookClearMessageBoxAnswers();
    TestHookClearMessageBoxLog();
    TestHookSetModalWindowHook(nullptr);
    ModalLoopHooks.clear();
    St.ModalHookInstalled = false;
    if (St.StartedForms) FormsShutdown();
    St = TState{};
}

void ScriptMessageBoxes(const std::vector<int>& Answers) {
    auto& St = S();
    TestHookClearMessageBoxAnswers();
    TestHookClearMessageBoxLog();
    for (int A : Answers) TestHookQueueMessageBoxAnswer(A);
    St.Scripted = Answers.size();
}

const std::vector<TMessageBoxRecord>& MessageBoxesShown() {
    auto& St = S();
    St.Shown.clear();
    for (const ::TMessageBoxRecord& R : TestHookMessageBoxLog()) St.Shown.push_back({R.Text, R.Caption, R.Type, R.Answer});
    return St.Shown;
}

int UnexpectedMessageBoxes() {
    size_t N = TestHookMessageBoxLog().size();
    return N > S().Scripted ? static_cast<int>(N - S().Scripted) : 0;
}

void OnNextModalWindow(std::function<void(HWND Window)> Action) {
    auto Shared = std::make_shared<std::function<void(HWND)>>(std::move(Action));
    TestHookSetModalWindowHook([Shared](HWND W) {
        auto Run = *Shared;
        TestHookSetModalWindowHook(nullptr);
        Run(W);
    });
}

void OnNextModal(std::function<void(TCustomForm*)> Action) { S().ModalActions.push_back(std::move(Action)); }
void SetModalWatchdog(int Ms) { S().WatchdogMs = Ms; }
const std::vector<std::string>& Failures() { return S().Failures; }

TControl* FindControlByName(TCustomForm* Form, const std::string& Name) {
    if (!Form) return nullptr;
    if (auto* C = dynamic_cast<TControl*>(Form->FindComponent(Name))) return C;
    std::function<TControl*(TWinControl*)> Walk = [&](TWinControl* W) -> TControl* {
        for (int I = 0; I < W->ControlCount(); ++I) {
            TControl* C = W->Controls(I);
            if (SameText(C->Name(), Name)) return C;
            if (auto* Child = dynamic_cast<TWinControl*>(C))
                if (TControl* Found = Walk(Child)) return Found;
        }
        return nullptr;
    };
    return Walk(Form);
}

POINT ControlCenter(TControl* Control) { return Control->ClientToScreen(POINT{Control->Width() / 2, Control->Height() / 2}); }

static THeadlessScreen& Headless() {
    THeadlessScreen* H = WinHeadlessScreen();
    if (!H) throw EInvalidOperation("The test hooks need the headless screen");
    return *H;
}

void Click(POINT P) { Headless().Click(P); }
void Click(TControl* Control) { Click(ControlCenter(Control)); }
void RightClick(POINT P) { Headless().Click(P, TScreenButton::Right); }

void TypeText(TWinControl* Control, const std::string& Text) {
    Control->SetFocus();
    Headless().TypeText(Text);
}

void Choose(TWinControl* C, int Index) {
    HWND W = C->Handle();
    HWND Parent = GetParent(W);
    char Class[64] = {};
    GetClassNameA(W, Class, sizeof Class);
    bool Combo = dynamic_cast<TCustomComboBox*>(C) != nullptr;
    SendMessageA(W, Combo ? CB_SETCURSEL : LB_SETCURSEL, Index, 0);
    SendMessageA(Parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(W), Combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(W));
}

void PressKey(int VirtualKey, bool Shift, bool Ctrl, bool Alt) {
    auto& H = Headless();
    if (Shift) H.KeyDown(VK_SHIFT);
    if (Ctrl) H.KeyDown(VK_CONTROL);
    if (Alt) H.KeyDown(VK_MENU);
    H.KeyPress(VirtualKey);
    if (Alt) H.KeyUp(VK_MENU);
    if (Ctrl) H.KeyUp(VK_CONTROL);
    if (Shift) H.KeyUp(VK_SHIFT);
}

void PumpPending() {
    if (Application) {
        Application->ProcessMessages();
        // Idle work (action updates) runs once too, without waiting.
        if (Screen)
            for (int I = 0; I < Screen->FormCount(); ++I) Screen->Forms(I)->UpdateActions();
        Application->ProcessMessages();
    } else {
        MSG M;
        while (PeekMessageA(&M, /*hWnd=*/nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&M);
            DispatchMessageA(&M);
        }
    }
}

TPumpResult PumpUntil(const std::function<bool()>& Done, int TimeoutMs, const std::string& What) {
    auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        PumpPending();
        if (Done()) return TPumpResult{true, ""};
        if (std::chrono::steady_clock::now() >= End) break;
        MsgWaitForMultipleObjects(0, /*pHandles=*/nullptr, FALSE, 10, QS_ALLINPUT);
        CheckSynchronize(0);
    }
    std::string Shot = Screenshot("pump_timeout");
    std::string Text = "timed out after " + IntToStr(TimeoutMs) + " ms waiting for " + What + "; screenshot " + Shot;
    S().Failures.push_back(Text);
    return TPumpResult{false, Text};
}

std::string Screenshot(const std::string& Name) {
    const char* Tmp = getenv("TMPDIR");
    std::string Dir = Tmp && *Tmp ? Tmp : "/tmp";
    if (Dir.back() != '/') Dir += '/';
    std::string Path = Dir + "tessaro_" + Name + "_" + IntToStr(getpid()) + ".png";
    THeadlessScreen* H = WinHeadlessScreen();
    if (!H || !H->SaveDesktopPng(Path)) return "(no screenshot)";
    return Path;
}

}  // namespace TestHooks
