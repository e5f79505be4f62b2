// Unicode forms, the application object's wide hint and title, and the message
// hook that takes typed characters above 255 to Unicode windows whole.
#pragma once

#include "platform/classlib/actnlist.h"
#include "platform/classlib/forms.h"
#include "unicode/unicodewindows.h"

// A form with a wide caption and hint and a Unicode window.
class TUniForm : public TForm {
    TESSARO_CLASSINFO
public:
    explicit TUniForm(TComponent* AOwner) : TForm(AOwner) {}
    WideString Caption() { return GetWideControlText(this); }
    void SetCaption(const WideString& Value) { SetWideControlText(this, Value); }
    WideString Hint() { return GetWideControlHint(this); }
    void SetHint(const WideString& Value) { SetWideControlHint(this, Value); }
    // WM_MENUSELECT: the wide application hint becomes the long part of the
    // chosen item's wide hint (empty when no item is found or the menu closes).
    void WndProc(TMessage& Message) override;

protected:
    void CreateWnd() override;
};

class TUniApplication;

// Put on a main form that is not a TUniForm: its action's update keeps the
// wide application hint in step.
class TUniAppIdleEventControl : public TControl {
public:
    explicit TUniAppIdleEventControl(TComponent* AOwner);
    ~TUniAppIdleEventControl() override;
    TAction* IdleAction() const { return FAction; }

private:
    TAction* FAction;
};

class TUniApplication : public TComponent {
public:
    // Hooks the application window's messages (AppWindowHook).
    TUniApplication();
    ~TUniApplication() override;
    // WM_CREATE of the application window gives it the stored wide title.
    // CM_ACTIONEXECUTE of the library's own hint action carrying the UTF-8
    // form of the wide application hint: a TUniHintAction with the wide hint
    // is executed in its place (answer 1).
    bool AppWindowHook(TMessage& Message);
    WideString Hint();
    void SetHint(const WideString& Value);
    // The application window's wide text; before that window exists the wide
    // title is stored beside Application->Title().
    WideString Title();
    void SetTitle(const WideString& Value);
    // The application hint becomes the long wide hint under the mouse.
    void UpdateHint();
    TUniAppIdleEventControl* IdleControl() const { return FIdleEventControl; }

private:
    friend class TUniAppIdleEventControl;
    friend bool DispatchWideCharMessage(MSG& Msg);
    TUniAppIdleEventControl* FIdleEventControl = nullptr;
    bool FMainFormChecked = false;
    WideString FHint, FTitle;
    int FHookId = 0;
};

// Made at start-up and freed at exit.
extern TUniApplication* UniApplication;

// Takes a WM_CHAR above 255 for a Unicode window: OnMessage sees it first,
// then DispatchMessageW delivers it unless handled. True when taken.
bool DispatchWideCharMessage(MSG& Msg);
// WH_GETMESSAGE on the calling thread; raises the last system error on failure.
void InstallWideCharHook();
// False when the hook could not be removed (the failure is reported, not raised).
bool UninstallWideCharHook();
bool WideCharHookInstalled();

// Start and end of the application object and the hook (UnicodeStartup runs them).
void UniFormsStartup();
void UniFormsShutdown();
