// The skinned check box and track bar. For now both draw a plain classic look
// of their own; the skinned bitmap strips and theme files come later.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/controls.h"

class TscCheckBox : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TscCheckBox(TComponent* AOwner);
    bool Checked() const { return FChecked; }
    // A change repaints and, unless the form is still being loaded, fires OnClick.
    void SetChecked(bool Value);
    // The inherited setter, then a repaint (a disabled box is drawn greyed).
    void SetEnabled(bool Value) override;
    void Click() override;
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void TextChanged() override { Invalidate(); }

private:
    bool FChecked = false;
};

class TscTrackBar : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TscTrackBar(TComponent* AOwner);
    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    // Limited to Min .. Max; OnChange fires when it differs from the last one reported.
    void SetPosition(int Value);
    int PageSize = 2;
    int LineSize = 1;
    int Frequency = 1;
    // The look chosen in the form ("WinXP"); kept for the skinned drawing.
    std::string Style = "WinXP";
    TNotifyEvent OnChange;
    void WndProc(TMessage& Message) override;
    // The thumb's rectangle in client coordinates.
    TRect ThumbRect();

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    int PositionAt(int X);
    int FMin = 0, FMax = 10, FPosition = 0;
    int FReported = 0;
    bool FDragging = false;
    int FDragOffset = 0;
};

void RegisterSkinnedControls();
