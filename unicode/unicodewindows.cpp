#include "unicode/unicodewindows.h"

#include <map>
#include <thread>

#include "platform/classlib/actnlist.h"
#include "platform/system/process.h"
#include "platform/rtl/scope.h"

namespace {

// ---- Caption holders -------------------------------------------------------------
class TWideCaptionHolder : public TComponent {
public:
    explicit TWideCaptionHolder(TControl* Control) : TComponent(nullptr), FControl(Control) {
        Control->FreeNotification(this);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TControl* FControl;
    WideString Caption, Hint;
};

// Sorted by the control's address, as the holders are looked up by it.
std::map<TControl*, TWideCaptionHolder*>& Holders() {
    static std::map<TControl*, TWideCaptionHolder*> M;
    return M;
}

void TWideCaptionHolder::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl) {
        Holders().erase(FControl);
        delete this;
    }
}

TWideCaptionHolder* FindHolder(TControl* Control) {
    auto It = Holders().find(Control);
    return It == Holders().end() ? nullptr : It->second;
}

TWideCaptionHolder* HolderOf(TControl* Control) {
    if (TWideCaptionHolder* H = FindHolder(Control)) return H;
    auto* H = new TWideCaptionHolder(Control);
    Holders()[Control] = H;
    return H;
}

std::string Ansi(const WideString& S) { return WideToUtf8(S); }
WideString Wide(const std::string& S) { return Utf8ToWide(S); }

// ---- Traps -----------------------------------------------------------------------
bool Finalizing = false;
ATOM WindowAtom = 0, ControlAtom = 0;
TWinControl* ControlBeingCreated = nullptr;
std::thread::id GuiThread;

LRESULT CALLBACK TrapWin32Proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TrapDefWin32Proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK InitUnicodeWndProc(HWND, UINT, WPARAM, LPARAM);

class TWinControlTrap : public TComponent {
public:
    explicit TWinControlTrap(TWinControl* Control) : TComponent(nullptr), FControl(Control) {
        Control->FreeNotification(this);
    }
    ~TWinControlTrap() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    LRESULT Win32Proc(UINT Msg, WPARAM W, LPARAM L);
    LRESULT DefWin32Proc(UINT Msg, WPARAM W, LPARAM L);
    void WindowProc(TMessage& M);
    void SubClass();
    void UnSubClass();
    bool WindowProcInstalled();

    TWinControl* FControl;
    HWND FHandle = nullptr;
    WNDPROC FPrevWin32Proc = nullptr;
    WNDPROC FPrevDefProc = nullptr;
    TWndMethod FPrevWindowProc;
    UINT FLastWin32Msg = 0;
    int FWin32Level = 0;
    bool FDestroyWhenIdle = false;
    bool FTestForNull = false, FFoundNull = false;
    bool FSubclassed = false;
};

std::map<HWND, TWinControlTrap*>& TrapsByWindow() {
    static std::map<HWND, TWinControlTrap*> M;
    return M;
}
// Traps between a window's creation and its subclassing, or between its
// destruction and its re-creation.
std::map<TWinControl*, TWinControlTrap*>& PendingTraps() {
    static std::map<TWinControl*, TWinControlTrap*> M;
    return M;
}

TWinControlTrap* TakePendingTrap(TWinControl* Control) {
    auto It = PendingTraps().find(Control);
    if (It == PendingTraps().end()) return new TWinControlTrap(Control);
    TWinControlTrap* T = It->second;
    PendingTraps().erase(It);
    return T;
}

TWinControlTrap::~TWinControlTrap() {
    for (auto It = TrapsByWindow().begin(); It != TrapsByWindow().end();)
        It = It->second == this ? TrapsByWindow().erase(It) : std::next(It);
    auto P = PendingTraps().find(FControl);
    if (P != PendingTraps().end() && P->second == this) PendingTraps().erase(P);
}

void TWinControlTrap::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || AComponent != FControl) return;
    if (FWin32Level > 0)
        FDestroyWhenIdle = true;
    else
        delete this;
}

bool TWinControlTrap::WindowProcInstalled() {
    FTestForNull = true;
    FFoundNull = false;
    TMessage M{};
    FControl->WindowProc(M);
    FTestForNull = false;
    return FFoundNull;
}

void TWinControlTrap::SubClass() {
    FHandle = FControl->Handle();
    TrapsByWindow()[FHandle] = this;
    FPrevWin32Proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrapWin32Proc)));
    FPrevDefProc = FControl->DefWndProc();
    FControl->SetDefWndProc(&TrapDefWin32Proc);
    if (!WindowProcInstalled()) {
        FPrevWindowProc = FControl->WindowProc;
        FControl->WindowProc = [this](TMessage& M) { WindowProc(M); };
    }
    FSubclassed = true;
}

void TWinControlTrap::UnSubClass() {
    if (!FSubclassed) return;
    FSubclassed = false;
    const bool Destroying = FControl->ComponentState().Contains(csDestroying);
    if (!Destroying) {
        // The wide text outlives the window, for the next one.
        const int N = GetWindowTextLengthW(FHandle);
        std::u16string S(static_cast<size_t>(N) + 1, u'\0');
        const int Got = GetWindowTextW(FHandle, S.data(), N + 1);
        S.resize(static_cast<size_t>(Got > 0 ? Got : 0));
        HolderOf(FControl)->Caption = S;
    }
    if (FPrevWindowProc && WindowProcInstalled()) FControl->WindowProc = FPrevWindowProc;
    FPrevWindowProc = nullptr;
    FControl->SetDefWndProc(FPrevDefProc);
    SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevWin32Proc));
    TrapsByWindow().erase(FHandle);
    FHandle = nullptr;
    if (!Destroying) PendingTraps()[FControl] = this;
}

LRESULT TWinControlTrap::Win32Proc(UINT Msg, WPARAM W, LPARAM L) {
    HWND H = FHandle;
    if (Finalizing) {
        if (Msg == WM_DESTROY) FControl->SetHandleFromLayer(nullptr);
        return CallWindowProcW(FPrevWin32Proc, H, Msg, W, L);
    }
    ++FWin32Level;
    FLastWin32Msg = Msg;
    WNDPROC Prev = FPrevWin32Proc;
    LRESULT R = 0;
    rtl::TScopeExit LeaveWin32Level([&] { --FWin32Level; });
    R = CallWindowProcW(Prev, H, Msg, W, L);
    LeaveWin32Level.Dismiss();
    // Whatever the control did with it, the window goes: the trap lets go of it.
    if (Msg == WM_DESTROY && FHandle == H) UnSubClass();
    --FWin32Level;
    if (FWin32Level == 0 && FDestroyWhenIdle) delete this;
    return R;
}

void TWinControlTrap::WindowProc(TMessage& M) {
    if (FTestForNull && M.Msg == 0) {
        FFoundNull = true;
        return;
    }
    if (!FControl->HandleAllocated() || !FSubclassed) {
        if (FPrevWindowProc)
            FPrevWindowProc(M);
        else
            FControl->WndProc(M);
        return;
    }
    const UINT Last = FLastWin32Msg;
    FLastWin32Msg = 0;
    if (M.Msg == CM_HINTSHOW) PrepareWideHint(M);
    if ((M.Msg == WM_SETTEXT || M.Msg == WM_GETTEXT || M.Msg == WM_GETTEXTLENGTH) && Last != M.Msg) {
        // Performed by the library itself: the window converts between its
        // wide text and the library's UTF-8 buffer.
        M.Result = SendMessageA(FHandle, M.Msg, M.WParam, M.LParam);
        return;
    }
    if (M.Msg == WM_CHAR) MakeCharMessageSafeForAnsi(M);
    FPrevWindowProc(M);
}

LRESULT TWinControlTrap::DefWin32Proc(UINT Msg, WPARAM W, LPARAM L) {
    if (Msg == WM_NOTIFYFORMAT) {
        const HWND Other = reinterpret_cast<HWND>(W);
        const bool Uni = IsUnicodePlatform && (IsWindowUnicode(Other) ||
                                               (ControlBeingCreated && ControlBeingCreated->HandleAllocated() &&
                                                ControlBeingCreated->Handle() == Other));
        return Uni ? 2 : 1;  // NFR_UNICODE : NFR_ANSI
    }
    if (Msg == WM_CHAR) RestoreCharMessage(W);
    if (Msg == WM_ERASEBKGND && (!FPrevDefProc || FPrevDefProc == DefWindowProcW) && FControl) {
        // A window of no system class erases in its control's colour, as the
        // library's own windows do; its class has no brush.
        RECT R;
        GetClientRect(FHandle, &R);
        HBRUSH B = CreateSolidBrush(ColorToCOLORREF(FControl->Color()));
        FillRect(reinterpret_cast<HDC>(W), &R, B);
        DeleteObject(B);
        return 1;
    }
    return CallWindowProcW(FPrevDefProc ? FPrevDefProc : DefWindowProcW, FHandle, Msg, W, L);
}

LRESULT CALLBACK TrapWin32Proc(HWND H, UINT Msg, WPARAM W, LPARAM L) {
    auto It = TrapsByWindow().find(H);
    if (It == TrapsByWindow().end()) return DefWindowProcW(H, Msg, W, L);
    return It->second->Win32Proc(Msg, W, L);
}

LRESULT CALLBACK TrapDefWin32Proc(HWND H, UINT Msg, WPARAM W, LPARAM L) {
    auto It = TrapsByWindow().find(H);
    if (It == TrapsByWindow().end()) return DefWindowProcW(H, Msg, W, L);
    return It->second->DefWin32Proc(Msg, W, L);
}

// The first message of a new Unicode window binds it to the control being created.
LRESULT CALLBACK InitUnicodeWndProc(HWND H, UINT Msg, WPARAM W, LPARAM L) {
    TWinControl* C = ControlBeingCreated;
    if (!C) return DefWindowProcW(H, Msg, W, L);
    C->SetHandleFromLayer(H);
    TWinControlTrap* T = TakePendingTrap(C);
    PendingTraps()[C] = T;
    SetWindowLongPtrW(H, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlWindowProc));
    if ((GetWindowLongPtrW(H, GWL_STYLE) & WS_CHILD) && GetWindowLongPtrW(H, GWLP_ID) == 0)
        SetWindowLongPtrW(H, GWLP_ID, reinterpret_cast<LONG_PTR>(H));
    SetPropA(H, MAKEINTATOM(WindowAtom), reinterpret_cast<HANDLE>(C));
    SetPropA(H, MAKEINTATOM(ControlAtom), reinterpret_cast<HANDLE>(C));
    ControlBeingCreated = nullptr;
    return CallWindowProcW(&ControlWindowProc, H, Msg, W, L);
}

std::u16string RegisterUnicodeWindowClass(const TCreateParams& Params, const WNDCLASSW* Base) {
    const std::u16string Name = Utf8ToWide(Params.WinClassName + ".UnicodeClass");
    WNDCLASSW Existing{};
    if (GetClassInfoW(/*hInstance=*/nullptr, Name.c_str(), &Existing)) {
        if (Existing.lpfnWndProc == &InitUnicodeWndProc) return Name;
        if (!UnregisterClassW(Name.c_str(), /*hInstance=*/nullptr)) RaiseLastWideError();
    }
    WNDCLASSW WC{};
    if (Base) {
        WC = *Base;
    } else {
        WC.style = Params.ClassStyle;
        WC.hCursor = LoadCursorA(/*hInstance=*/nullptr, IDC_ARROW);
    }
    WC.lpfnWndProc = &InitUnicodeWndProc;
    WC.hInstance = nullptr;
    WC.lpszMenuName = nullptr;
    WC.lpszClassName = Name.c_str();
    if (!RegisterClassW(&WC)) RaiseLastWideError();
    return Name;
}

}  // namespace

// ---- Wide values beside ANSI ones -------------------------------------------------
WideString SyncWideWithAnsi(WideString& Wide, const std::string& AnsiValue) {
    if (Ansi(Wide) != AnsiValue) Wide = ::Wide(AnsiValue);
    return Wide;
}

void SetWideWithAnsi(const WideString& NewValue, WideString& WideValue, const std::string& AnsiValue,
                     const std::function<void(const std::string&)>& Setter) {
    SyncWideWithAnsi(WideValue, AnsiValue);
    if (NewValue == WideValue) return;
    const std::string NewAnsi = Ansi(NewValue);
    if (Wide(NewAnsi) != NewValue && NewAnsi == AnsiValue) Setter("");
    WideValue = NewValue;
    Setter(NewAnsi);
}

namespace {
bool IsUnicodeWindowOf(TControl* Control, TWinControl*& Win) {
    Win = dynamic_cast<TWinControl*>(Control);
    return Win && Win->HandleAllocated();
}
}  // namespace

WideString GetWideControlText(TControl* Control) {
    TWinControl* Win = nullptr;
    const bool HasWindow = IsUnicodeWindowOf(Control, Win);
    if (!IsUnicodePlatform || (HasWindow && !IsWindowUnicode(Win->Handle()))) return Wide(Control->Caption());
    if (!Win) {
        if (TWideCaptionHolder* H = FindHolder(Control)) return SyncWideWithAnsi(H->Caption, Control->Caption());
        return Wide(Control->Caption());
    }
    if (HasWindow) {
        const int N = GetWindowTextLengthW(Win->Handle());
        std::u16string S(static_cast<size_t>(N) + 1, u'\0');
        const int Got = GetWindowTextW(Win->Handle(), S.data(), N + 1);
        S.resize(static_cast<size_t>(Got > 0 ? Got : 0));
        return S;
    }
    if (TWideCaptionHolder* H = FindHolder(Control)) return H->Caption;
    return Wide(Control->Caption());
}

void SetWideControlText(TControl* Control, const WideString& Text) {
    TWinControl* Win = nullptr;
    const bool HasWindow = IsUnicodeWindowOf(Control, Win);
    if (!IsUnicodePlatform || (HasWindow && !IsWindowUnicode(Win->Handle()))) {
        Control->SetCaption(Ansi(Text));
        return;
    }
    if (!Win) {
        TWideCaptionHolder* H = HolderOf(Control);
        SetWideWithAnsi(Text, H->Caption, Control->Caption(), [Control](const std::string& S) { Control->SetCaption(S); });
        return;
    }
    if (HasWindow) {
        if (Text != GetWideControlText(Control)) {
            SetWindowTextWide(Win->Handle(), Text.c_str());
            Control->Perform(CM_TEXTCHANGED, 0, 0);
        }
        return;
    }
    HolderOf(Control)->Caption = Text;
    Control->SetCaption(Ansi(Text));
}

WideString GetWideControlHint(TControl* Control) {
    if (IsUnicodePlatform)
        if (TWideCaptionHolder* H = FindHolder(Control)) return SyncWideWithAnsi(H->Hint, Control->Hint);
    return Wide(Control->Hint);
}

void SetWideControlHint(TControl* Control, const WideString& Text) {
    if (!IsUnicodePlatform) {
        Control->Hint = Ansi(Text);
        return;
    }
    TWideCaptionHolder* H = HolderOf(Control);
    SetWideWithAnsi(Text, H->Hint, Control->Hint, [Control](const std::string& S) { Control->Hint = S; });
}

WideString FindWideHintUpwards(TControl* Control) {
    for (TControl* C = Control; C; C = C->Parent()) {
        const WideString H = GetWideControlHint(C);
        if (!H.empty()) return H;
    }
    return {};
}

WideString GetShortWideHint(const WideString& Hint) {
    const auto Bar = Hint.find(u'|');
    return Bar == WideString::npos ? Hint : Hint.substr(0, Bar);
}

WideString GetLongWideHint(const WideString& Hint) {
    const auto Bar = Hint.find(u'|');
    return Bar == WideString::npos ? Hint : Hint.substr(Bar + 1);
}

void PrepareWideHint(TMessage& M) {
    if (!IsUnicodePlatform) return;
    auto* Info = reinterpret_cast<THintInfo*>(M.LParam);
    if (!Info || !Info->HintControl) return;
    if (Info->HintWindowClass == &THintWindow::StaticClassInfo())
        Info->HintWindowClass = &TUniCustomHintWindow::StaticClassInfo();
    if (Info->HintWindowClass && Info->HintWindowClass->InheritsFrom(&TUniCustomHintWindow::StaticClassInfo())) {
        Info->HintData = Info;  // tags the record as prepared by the layer
        Info->HintStr = WideToUtf8(GetShortWideHint(FindWideHintUpwards(Info->HintControl)));
    }
}

// ---- The wide hint window ------------------------------------------------------------
bool IsUniHintData(void* Data) {
    auto* Info = static_cast<THintInfo*>(Data);
    return Info && Info->HintData == Info && Info->HintWindowClass &&
           Info->HintWindowClass->InheritsFrom(&TUniCustomHintWindow::StaticClassInfo());
}

WideString GetWideHintText(const THintInfo& Info) {
    const WideString Shown = Utf8ToWide(Info.HintStr);
    if (Shown.empty() || !Info.HintControl) return Shown;
    const WideString Short = GetShortWideHint(FindWideHintUpwards(Info.HintControl));
    return WideToUtf8(Short) == Info.HintStr ? Short : Shown;
}

TClassInfo& TUniCustomHintWindow::StaticClassInfo() {
    static TClassInfo CI("TUniCustomHintWindow", &THintWindow::StaticClassInfo(),
                         CreateComponentOf<TUniCustomHintWindow>);
    return CI;
}

void TUniCustomHintWindow::CreateWnd() {
    TCreateParams P;
    CreateParams(P);
    CreateUnicodeWindow(this, P, "");
    CreateWindowHandle(P);
}

TRect TUniCustomHintWindow::CalcHintRect(int MaxWidth, const std::string& AHint, void* AData) {
    if (!IsUniHintData(AData)) return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
    const WideString Text = GetWideHintText(*static_cast<THintInfo*>(AData));
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font().Handle());
    RECT R{0, 0, MaxWidth, 0};
    DrawTextW(DC, Text.c_str(), static_cast<int>(Text.size()), &R, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(DC, Old);
    ReleaseDC(/*hWnd=*/nullptr, DC);
    return TRect(0, 0, R.right + 6, R.bottom + 2);
}

void TUniCustomHintWindow::ActivateHintData(const TRect& Rect, const std::string& AHint, void* AData) {
    if (!IsUnicodePlatform || !IsUniHintData(AData)) {
        THintWindow::ActivateHintData(Rect, AHint, AData);
        return;
    }
    FBlockPaint = true;
    FActivating = true;
    {
        rtl::TScopeExit EndActivating([&] { FBlockPaint = FActivating = false; });
        HandleNeeded();
        SetCaption(GetWideHintText(*static_cast<THintInfo*>(AData)));
        SetBounds(Rect.left, Rect.top, Rect.Width(), Rect.Height());
        SetWindowPos(Handle(), HWND_TOPMOST, Rect.left, Rect.top, Rect.Width(), Rect.Height(),
                     SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    InvalidateRect(Handle(), /*lpRect=*/nullptr, TRUE);
}

void TUniCustomHintWindow::Paint() {
    if (!IsUnicodePlatform) {
        THintWindow::Paint();
        return;
    }
    if (FBlockPaint) return;
    TRect R = ClientRect();
    HDC DC = Canvas().Handle();
    HBRUSH Back = CreateSolidBrush(ColorToCOLORREF(Color()));
    FillRect(DC, &R, Back);
    DeleteObject(Back);
    HBRUSH Frame = CreateSolidBrush(ColorToCOLORREF(clInfoText));
    FrameRect(DC, &R, Frame);
    DeleteObject(Frame);
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToCOLORREF(Font().Color()));
    // The measured text fits between 2 pixels in from the left and top and
    // the right and bottom edges (CalcHintRect added 6 and 2).
    RECT T{R.left + 2, R.top + 2, R.right, R.bottom};
    HGDIOBJ OldFont = SelectObject(DC, Font().Handle());  // the font the text was measured in
    const WideString Text = Caption();
    DrawTextW(DC, Text.c_str(), static_cast<int>(Text.size()), &T, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(DC, OldFont);
}

void TUniCustomHintWindow::WndProc(TMessage& M) {
    THintWindow::WndProc(M);
    if (M.Msg == CM_TEXTCHANGED && !FActivating && HandleAllocated()) {
        // A caption set outside a hint: the window fits the text.
        const WideString Text = Caption();
        SIZE Sz{};
        HDC DC = GetDC(nullptr);
        HGDIOBJ Old = SelectObject(DC, Font().Handle());
        GetTextExtentPoint32W(DC, Text.c_str(), static_cast<int>(Text.size()), &Sz);
        SelectObject(DC, Old);
        ReleaseDC(/*hWnd=*/nullptr, DC);
        SetBounds(Left(), Top(), Sz.cx + 6, Sz.cy + 6);
    }
}

bool ControlCaptionStored(TControl* Control) {
    auto* A = dynamic_cast<TCustomAction*>(Control->Action());
    return !(A && !A->Caption().empty());
}

bool ControlHintStored(TControl* Control) {
    auto* A = dynamic_cast<TCustomAction*>(Control->Action());
    return !(A && !A->Hint().empty());
}

// ---- Unicode windows --------------------------------------------------------------
void CreateUnicodeWindow(TWinControl* Control, const TCreateParams& Params, const std::string& SystemClass) {
    if (GuiThread != std::thread::id() && std::this_thread::get_id() != GuiThread)
        throw EUniInternalError("Unicode windows are made on the GUI thread only.");
    WNDCLASSW Base{};
    bool HasBase = false;
    if (!SystemClass.empty()) {
        const std::u16string Sys = Utf8ToWide(SystemClass);
        HasBase = GetClassInfoW(/*hInstance=*/nullptr, Sys.c_str(), &Base) != 0;
    }
    Control->SetDefWndProc(HasBase ? Base.lpfnWndProc : &DefWindowProcW);
    const std::u16string ClassName = RegisterUnicodeWindowClass(Params, HasBase ? &Base : nullptr);
    ControlBeingCreated = Control;
    HWND H = CreateWindowExW(Params.ExStyle, ClassName.c_str(), /*lpWindowName=*/nullptr, Params.Style, Params.X,
                             Params.Y, Params.Width, Params.Height, Params.WndParent, /*hMenu=*/nullptr,
                             /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    ControlBeingCreated = nullptr;
    if (!H) RaiseLastWideError();
    if (!Control->HandleAllocated()) Control->SetHandleFromLayer(H);
    SubClassUnicodeControl(Control, Params.Caption);
}

void SubClassUnicodeControl(TWinControl* Control, const std::string& AnsiCaption) {
    if (!IsWindowUnicode(Control->Handle()))
        throw EUniInternalError("Internal Error: SubClassUnicodeControl.Control is not Unicode.");
    TWinControlTrap* T = TakePendingTrap(Control);
    T->SubClass();
    TWideCaptionHolder* H = FindHolder(Control);
    SetWideControlText(Control, H ? H->Caption : Wide(AnsiCaption));
}

bool IsUnicodeControlSubclassed(TWinControl* Control) {
    if (!Control->HandleAllocated()) return false;
    auto It = TrapsByWindow().find(Control->Handle());
    return It != TrapsByWindow().end() && It->second->FControl == Control;
}

void MakeCharMessageSafeForAnsi(TMessage& M) {
    const WPARAM C = M.WParam & 0xFFFF;
    if (C > 255) M.WParam = (C << 16) | 255;
}

void RestoreCharMessage(WPARAM& W) {
    const WPARAM High = (W >> 16) & 0xFFFF;
    if (High != 0 && (W & 0xFFFF) == 255)
        W = High;
    else
        W &= 0xFFFF;
}

void RestoreCharMessage(TMessage& M) { RestoreCharMessage(M.WParam); }

void UnicodeWindowsStartup() {
    Finalizing = false;
    GuiThread = std::this_thread::get_id();
    // Both take the library's own tag, so that its window-to-control lookup finds Unicode windows.
    if (!WindowAtom) WindowAtom = static_cast<ATOM>(RaiseLastErrorIfZero(GlobalAddAtomA(ControlPropName())));
    if (!ControlAtom) ControlAtom = static_cast<ATOM>(RaiseLastErrorIfZero(GlobalAddAtomA(ControlPropName())));
}

void UnicodeWindowsShutdown() {
    if (WindowAtom) GlobalDeleteAtom(WindowAtom);
    if (ControlAtom) GlobalDeleteAtom(ControlAtom);
    WindowAtom = ControlAtom = 0;
    Finalizing = true;
}
