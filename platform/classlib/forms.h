// Forms, the application object with its message loop, and the screen object
// (the forms, the active form and the cursors).
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/classlib/controls.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/menus.h"

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
    poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;
    void BeforeDestruction() override;

    // Reads the form file embedded as resource "forms/<ResourceName>", then
    // runs OnCreate. Forms built in code skip it and may call DoCreate.
    void LoadFromResource(const std::string& ResourceName);
    void LoadFromFile(const std::string& Path);
    void LoadFromText(const std::string& Text, const std::string& FileName);
    void DoCreate();

    void Show();
    void Hide() { SetVisible(false); }
    // Shows the form and runs its own message loop until ModalResult is set;
    // other windows of the thread are disabled meanwhile.
    virtual TModalResult ShowModal();
    TModalResult ModalResult = mrNone;
    bool Modal() const { return FModal; }
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages now waiting have been handled.
    void Release();

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition Position = poDesigned;
    TFormStyle FormStyle = fsNormal;
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    bool KeyPreview = false;
    int PixelsPerInch = 96;
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* Value);
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Value);
    void FocusControl(TWinControl* Control);
    TCanvas& Canvas() { return *FCanvas; }
    bool Active() const { return FActive; }
    // The window's icon: its own, else the application's (WM_SETICON, big).
    TIcon& Icon() { return *FIcon; }
    HICON GetIconHandle();
    // Hands the icon to the window again (the form's or the application's changed).
    void IconChanged();

    TNotifyEvent OnCreate, OnShow, OnHide, OnActivate, OnDeactivate, OnDestroy, OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    // The form's key processing: its menu's shortcuts, then those of the
    // action lists it owns. True when the key ran something.
    virtual bool IsShortCut(WORD Key, TShiftState Shift);
    // Tab, Enter (the default or focused button) and Escape (the cancel
    // button); true when the key did something.
    virtual bool DialogKey(TWinControl* Focused, WORD Key, TShiftState Shift);
    TWinControl* FindNextControl(TWinControl* Current, bool Forward);
    // Brings the actions of the controls and top menu items shown up to date.
    void UpdateActions();

    void WndProc(TMessage& Message) override;
    void SetParentComponent(TComponent*) override {}
    void Loaded() override;
    TRect ClientRect() override;
    // While the form file is read, the client size waits for the menu bar.
    void SetClientWidth(int Value) override;
    void SetClientHeight(int Value) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void VisibleChanged() override;
    void PaintWindow(HDC DC) override;
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();
    void ApplyPosition();
    // UpdateActions' work, also before the window is shown.
    void UpdateActionTargets();
    DWORD FormStyleFlags(DWORD& ExStyle) const;

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TWindowState FWindowState = wsNormal;
    TMainMenu* FMenu = nullptr;
    TWinControl* FActiveControl = nullptr;
    std::unique_ptr<TCanvas> FCanvas;
    std::unique_ptr<TIcon> FIcon;
    bool FModal = false;
    bool FActive = false;
    bool FCreated = false;
    bool FDestroyed = false;
    bool FPositioned = false;
    int FLoadClientWidth = -1, FLoadClientHeight = -1;
};

class TForm : public TCustomForm {
    TESSARO_CLASSINFO
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// A container that scrolls its children when they reach beyond it.
class TScrollBox : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TScrollBox(TComponent* AOwner);
    bool AutoScroll = true;
    TBorderStyle BorderStyle = bsSingleBorder;
    int HorzPosition() const { return FPos[0]; }
    int VertPosition() const { return FPos[1]; }
    // Scrolls to a position (0 .. range - page), moving the children.
    void ScrollTo(int Bar, int Position);
    void ScrollInView(TControl* Control);
    void UpdateScrollBars();
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void AlignControls(TControl* AControl, TRect& Rect) override;

private:
    int Range(int Bar);
    int FPos[2] = {0, 0};
};

// ---- Application --------------------------------------------------------------
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

// The small window a hint shows in: a top-most popup without activation that
// the mouse passes through, in the hint colours.
class THintWindow : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit THintWindow(TComponent* AOwner);
    // The size the hint needs, at (0, 0), wrapped at MaxWidth.
    virtual TRect CalcHintRect(int MaxWidth, const std::string& AHint, void* AData);
    // Shows AHint over Rect (screen coordinates).
    virtual void ActivateHint(const TRect& Rect, const std::string& AHint);
    // The same with the data CM_HINTSHOW left in the hint-info record.
    virtual void ActivateHintData(const TRect& Rect, const std::string& AHint, void* AData);
    // Hides the window.
    void ReleaseHandle();
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
};

// The action an application executes when its hint changes and no OnHint
// handler takes the hint: it goes to the application's message hooks.
class THintAction : public TCustomAction {
    TESSARO_CLASSINFO
public:
    explicit THintAction(TComponent* AOwner) : TCustomAction(AOwner) {}
    bool Execute() override;
};

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Makes the application window (see ApplicationWindow); the program calls
    // it once its start-up hooks are in place, so they see its WM_CREATE.
    void Initialize() { CreateHandle(); }
    void CreateHandle();
    // Makes a form owned by the application; the first becomes the main form.
    template <class T>
    void CreateForm(T*& Reference) {
        Reference = new T(this);
        AddForm(Reference);
    }
    void Run();
    void ProcessMessages();
    // Handles one message, or idles and waits for the next.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* Value) { FMainForm = Value; }
    // The application's title: the application window's text once that
    // window exists, kept here before and given to the window at its creation.
    std::string Title() const;
    void SetTitle(const std::string& Value);
    // The hidden application window (nullptr before Initialize). It is a
    // message-only window, as every form has its own task-bar entry here; the
    // hooks of HookMainWindow see its messages first.
    HWND ApplicationWindow() const { return FHandle; }
    // The program's icon ("MAINICON" when embedded); forms without their own show it.
    TIcon& Icon() { return *FIcon; }
    bool ShowMainForm = true;
    std::string ExeName;
    HWND Handle() const;

    TMessageEvent OnMessage;
    TIdleEvent OnIdle;
    TExceptionEvent OnException;

    // Call inside a catch block: EAbort is silent, others go to OnException or
    // to a message box with the text.
    void HandleException(TObject* Sender);
    void HandleException(TObject* Sender, const std::exception_ptr& E);
    void ShowException(const std::exception& E);
    // A message box of the platform (through MessageBoxHook when set).
    int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags);

    // Hints: the short hint of the control under the mouse shows in a small
    // window after HintPause ms while ShowHint; Hint holds its long hint
    // (OnHint tells of each change, as status bars show it).
    bool ShowHint = true;
    UINT HintPause = 500;
    UINT HintHidePause = 2500;
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value);
    TNotifyEvent OnHint;
    void CancelHint();
    // The hint window while it shows, nullptr otherwise.
    HWND HintWindow() const;
    const std::string& HintText() const { return FHintText; }
    // The class hint windows are made of unless CM_HINTSHOW chooses another.
    const TClassInfo* HintWindowClass = nullptr;
    // The hint window last made (nullptr before the first hint).
    THintWindow* HintWindowControl() const { return FHintWindow; }

    // Offers the action to the hooks of the application's messages as
    // CM_ACTIONEXECUTE; true when one executed it.
    bool ExecuteAction(TBasicAction* Action);
    // Hooks see the application window's messages first, and CM_ACTIONEXECUTE;
    // a hook that returns true has handled the message. The number unhooks it.
    using TWindowHook = std::function<bool(TMessage& Message)>;
    int HookMainWindow(TWindowHook Hook);
    void UnhookMainWindow(int Id);
    bool UpdateAction(TBasicAction*) { return false; }
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void AddForm(TCustomForm* Form);
    bool ProcessMessage(MSG& Msg);
    bool IsKeyMsg(MSG& Msg);
    void Idle();
    friend LRESULT HintWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT ApplicationWindowProc(HWND, UINT, WPARAM, LPARAM);
    bool CallWindowHooks(TMessage& Message);
    void HintMouseControl(TControl* Control);
    void ShowHintNow();
    TForm* FMainForm = nullptr;
    std::unique_ptr<TIcon> FIcon;
    bool FTerminated = false;
    std::string FHint, FHintText;
    HWND FHintWnd = nullptr;  // hidden: carries the hint timers
    HWND FHandle = nullptr;   // the application window
    std::string FTitle = "Tessaro";
    std::vector<std::pair<int, TWindowHook>> FWindowHooks;
    int FNextHookId = 1;
    THintWindow* FHintWindow = nullptr;
    TControl* FHintControl = nullptr;
    bool FHintShown = false;
};

// ---- Screen ----------------------------------------------------------------------
class TAppScreen : public TComponent {
public:
    explicit TAppScreen(TComponent* AOwner);
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int Index) const { return FForms.at(Index); }
    TCustomForm* ActiveForm() const { return FActiveForm; }
    TControl* ActiveControl() const;
    // A cursor for every control at once (crHourGlass while busy); crDefault
    // gives each control its own again.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    HCURSOR Cursors(int Index);
    void SetCursors(int Index, HCURSOR Handle);
    int Width() const;
    int Height() const;
    int PixelsPerInch = 96;

private:
    friend class TCustomForm;
    friend class TApplication;
    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    TCursor FCursor = crDefault;
    std::map<int, HCURSOR> FCursors;
};

extern TApplication* Application;
extern TAppScreen* Screen;

// Start-up and shut-down of the application and screen objects (the GUI
// thread becomes the main thread of the thread class).
void FormsStartup();
void FormsShutdown();

// Message boxes of the class library go to the platform's MessageBox, or
// here when set (a skin or a test may take them over).
extern std::function<int(HWND Owner, const std::string& Text, const std::string& Caption, UINT Flags)>
    MessageBoxHook;
// Called when a modal loop starts (ShowModal), with the form: tests act on it.
extern std::vector<std::function<void(TCustomForm* Form)>> ModalLoopHooks;

void RegisterFormClasses();
