// Edit and combo-box skins: the native client area stays; the skin replaces
// the border and, for combo boxes, the drop-down button. An edit's spin
// button gets an embedded up-down skin.
#pragma once

#include "platform/classlib/controls.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_control.h"

class TSkinUpDown;
class TSkinDateTime;

// A small button window laid over a date-time picker's drop-down button,
// drawn from the skin's combo arrow; a click on it is a click on the picker's
// own button, which opens the calendar.
class TArrowButton : public TCustomControl {
public:
    explicit TArrowButton(TComponent* AOwner);
    int ArrowWidth = 0;
    TWinControl* Picker = nullptr;
    TSkinDateTime* SkinObject = nullptr;
    HWND PickerWindow = nullptr;
    bool Hot = false;
    void AttachToPicker(TSkinDateTime* Skin, TWinControl* APicker);
    void Reposition(const TRect& R);
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
};

class TSkinDateTime : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    TArrowButton* ArrowButton = nullptr;
    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
};

class TSkinEdit : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    TSkinUpDown* UpDown = nullptr;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    // The first spin child of Window gets an embedded up-down skin.
    void FindUpDown(HWND Window);
    // The border for WM_PRINT: the DC's brush inside, the shadow colour outside.
    void DrawBorder(HDC Dc, const TRect& R);
};

class TSkinComBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinComBox() override;
    DWORD Style = 0, ExStyle = 0;
    HWND EditWindow = nullptr;
    WNDPROC EditWndProcInstance = nullptr;
    WNDPROC EditOldWndProc = nullptr;
    COMBOBOXINFO Info{};
    TRect ButtonRect;
    // Only a frame and an arrow (combo boxes of the "comboboxex" kind).
    bool SimpleFrame = false;

    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    void AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas) override;
    void Detach() override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    // The frame for the state now: 2 pressed, 4 focused or hot, 1, 3 disabled.
    int ComboState();

private:
    void SubclassEdit();
    void ReleaseEdit();
    LRESULT EditWndProc(HWND Window, UINT Msg, WPARAM W, LPARAM L);
    void DrawFlat(HDC Dc, const TRect& R, int State, bool Left);
};
