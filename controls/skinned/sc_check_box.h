// The skinned check box: the box picture cut from the look's check-box strip
// and the caption beside it, composed off screen and copied in one step.
#pragma once

#include "controls/skinned/sc_helpers.h"
#include "platform/classlib/stdctrls.h"

class TscCheckBox : public TCustomControl, public TscThemeClient {
    TESSARO_CLASSINFO
public:
    explicit TscCheckBox(TComponent* AOwner);
    ~TscCheckBox() override;

    bool Checked() const { return FChecked; }
    // A change repaints and, unless the form is still being loaded, fires OnClick.
    void SetChecked(bool Value);
    TCheckBoxState State() const { return FChecked ? cbChecked : cbUnchecked; }
    void SetState(TCheckBoxState Value) { SetChecked(Value == cbChecked); }
    TscUIStyle UIStyle() const override { return FUIStyle; }
    void SetUIStyle(TscUIStyle Value) override;
    TscFileTheme* FileTheme() const override { return FFileTheme; }
    void SetFileTheme(TscFileTheme* Value) override;
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // The box's own click event, apart from the inherited one.
    TNotifyEvent OnClick;

    // The inherited setter, then a repaint (a disabled box is drawn greyed).
    void SetEnabled(bool Value) override;
    // The user's click: toggle, then the inherited click handling.
    void Click() override;

    virtual bool WantsFocusRect();
    virtual bool IsImageTransparent() { return false; }
    virtual int GetStyleImageKey() { return skCheckBoxImage; }
    virtual void DoClickEvent();
    virtual void BeforeToggle() {}
    virtual void Toggle();
    virtual bool HandlesKeyClick() { return true; }

    // The frame of the check-box strip the state shows (1..4).
    int FrameIndex() const;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void TextChanged() override { Invalidate(); }
    void FontChanged() override;

private:
    void TakeFocus();
    bool FChecked = false;
    TscUIStyle FUIStyle = DeepBlue;
    TscFileTheme* FFileTheme = nullptr;
    bool FTransparent = false;
    bool FAutoSize = true;
};
