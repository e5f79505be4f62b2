// The message dialog with own button captions: a message box of the class
// library whose buttons are recaptioned and laid out again when it activates.
#include <algorithm>
#include <cstring>

#include "core/qem_utils.h"
#include "platform/commctl/commctrl.h"
#include "platform/gdi/gdi.h"
#include "platform/system/process.h"
#include "platform/win/winuser.h"

namespace {

struct TCaptionJob {
    const std::vector<std::string>* Captions = nullptr;
    HHOOK Hook = nullptr;
    HWND Dialog = nullptr;  // the box, once created
    bool Done = false;
};
// The innermost dialog being shown on this thread; a box opened from inside
// another one has its own job.
thread_local TCaptionJob* ActiveJob = nullptr;

// Where a button of the box stands in the class library's order of buttons.
int ButtonOrder(int Id) {
    switch (Id) {
    case IDYES: return mbYes;
    case IDNO: return mbNo;
    case IDOK: return mbOK;
    case IDCANCEL: return mbCancel;
    case IDABORT: return mbAbort;
    case IDRETRY: return mbRetry;
    case IDIGNORE: return mbIgnore;
    default: return mbHelp + 1;
    }
}

bool IsClass(HWND Wnd, const char* Name) {
    char Class[32] = {};
    GetClassNameA(Wnd, Class, sizeof Class);
    return std::strcmp(Class, Name) == 0;
}

void LayOutButtons(HWND Dlg, const std::vector<std::string>& Captions) {
    std::vector<HWND> Buttons;
    for (HWND C = GetWindow(Dlg, GW_CHILD); C; C = GetWindow(C, GW_HWNDNEXT)) {
        const DWORD Kind = static_cast<DWORD>(GetWindowLongA(C, GWL_STYLE)) & BS_TYPEMASK;
        if (IsClass(C, "Button") && (Kind == BS_PUSHBUTTON || Kind == BS_DEFPUSHBUTTON)) Buttons.push_back(C);
    }
    if (Buttons.empty()) return;
    std::stable_sort(Buttons.begin(), Buttons.end(),
                     [](HWND A, HWND B) { return ButtonOrder(GetDlgCtrlID(A)) < ButtonOrder(GetDlgCtrlID(B)); });

    HGDIOBJ Font = reinterpret_cast<HGDIOBJ>(SendMessageA(Buttons.front(), WM_GETFONT, 0, 0));
    if (!Font) Font = reinterpret_cast<HGDIOBJ>(SendMessageA(Dlg, WM_GETFONT, 0, 0));
    HDC DC = GetDC(Dlg);
    HGDIOBJ OldFont = Font ? SelectObject(DC, Font) : nullptr;
    int W = 0;
    for (const std::string& Caption : Captions) {
        RECT R{0, 0, 0, 0};
        DrawTextA(DC, Caption.c_str(), -1, &R, DT_CALCRECT | DT_LEFT | DT_SINGLELINE);
        W = std::max<int>(W, R.right - R.left);
    }
    if (OldFont) SelectObject(DC, OldFont);
    ReleaseDC(Dlg, DC);
    W = std::max(W + 16, 88);

    const int N = static_cast<int>(Buttons.size());
    RECT DR{};
    GetWindowRect(Dlg, &DR);
    int DlgW = DR.right - DR.left;
    if (DlgW < (W + 12) * N + 32) {
        const int NewW = (W + 12) * N + 32;
        // Grows to both sides so that the box stays where it was centred.
        SetWindowPos(Dlg, /*hWndInsertAfter=*/nullptr, DR.left - (NewW - DlgW) / 2, DR.top, NewW, DR.bottom - DR.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        DlgW = NewW;
    }
    for (int I = 0; I < N; ++I) {
        RECT BR{};
        GetWindowRect(Buttons[I], &BR);
        MapWindowPoints(/*hWndFrom=*/nullptr, Dlg, reinterpret_cast<POINT*>(&BR), 2);
        MoveWindow(Buttons[I], (DlgW - (W + 12) * N) / 2 + (W + 12) * I, BR.top, W, BR.bottom - BR.top, TRUE);
        if (I < static_cast<int>(Captions.size())) SetWindowTextA(Buttons[I], Captions[I].c_str());
    }
}

LRESULT CaptionCbtProc(int Code, WPARAM WParam, LPARAM LParam) {
    TCaptionJob* Job = ActiveJob;
    if (Job && !Job->Done) {
        HWND Wnd = reinterpret_cast<HWND>(WParam);
        try {
            if (Code == HCBT_CREATEWND && !Job->Dialog) {
                const auto* Create = reinterpret_cast<CBT_CREATEWNDA*>(LParam);
                const bool Child = Create && Create->lpcs && (Create->lpcs->style & WS_CHILD);
                if (!Child && IsClass(Wnd, "#32770")) Job->Dialog = Wnd;
            } else if (Code == HCBT_ACTIVATE && Wnd == Job->Dialog) {
                Job->Done = true;
                LayOutButtons(Wnd, *Job->Captions);
            }
        } catch (...) {
            // The box still shows, with its own captions.
            Job->Done = true;
        }
    }
    return CallNextHookEx(Job ? Job->Hook : nullptr, Code, WParam, LParam);
}

}  // namespace

TModalResult ShowCustomMessageDialog(const std::string& Msg, const std::string& Title, TMsgDlgType DlgType,
                                     TMsgDlgButtons Buttons, const std::vector<std::string>& Captions) {
    static const UINT Icons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
    static const UINT Beeps[] = {MB_ICONEXCLAMATION, MB_ICONHAND, 0, MB_ICONQUESTION, 0};
    // The nearest set of buttons the platform's message box has.
    auto Has = [&](TMsgDlgBtn B) { return Buttons.Contains(B); };
    UINT Type = MB_OK;
    if (Has(mbYes) && Has(mbNo))
        Type = Has(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if (Has(mbAbort) || Has(mbIgnore))
        Type = MB_ABORTRETRYIGNORE;
    else if (Has(mbRetry))
        Type = MB_RETRYCANCEL;
    else if (Has(mbOK) && Has(mbCancel))
        Type = MB_OKCANCEL;

    TCaptionJob Job;
    Job.Captions = &Captions;
    TCaptionJob* Outer = ActiveJob;
    TModalResult Result = mrNone;
    try {
        Job.Hook = SetWindowsHookExA(WH_CBT, CaptionCbtProc, /*hmod=*/nullptr, GetCurrentThreadId());
        ActiveJob = &Job;
        MessageBeep(Beeps[DlgType]);
        const UINT Flags = Type | Icons[DlgType];
        // The box's button ids are the modal results of the same names.
        Result = Application ? Application->MessageBox(Msg, Title, Flags)
                             : MessageBoxA(/*hWnd=*/nullptr, Msg.c_str(), Title.c_str(), Flags);
    } catch (...) {
        Result = mrNone;
    }
    ActiveJob = Outer;
    if (Job.Hook) UnhookWindowsHookEx(Job.Hook);
    return Result;
}
