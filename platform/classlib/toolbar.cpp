#include "platform/classlib/toolbar.h"

#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = TControlStyle{csCaptureMouse, csClickEvents};
    SetBounds(0, 0, 23, 22);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::SetMenuItem(TMenuItem* Value) {
    if (FMenuItem) FMenuItem->RemoveFreeNotification(this);
    FMenuItem = Value;
    if (Value) {
        Value->FreeNotification(this);
        SetCaption(Value->Caption());
        SetEnabled(Value->Enabled());
    }
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMenuItem) FMenuItem = nullptr;
}

void TToolButton::TextChanged() {
    if (TToolBar* B = ToolBar()) B->ArrangeButtons();
    Invalidate();
}

void TToolButton::WndProc(TMessage& M) {
    // Alt with the hot key of a button bound to a menu item opens that item.
    if (M.Msg == CM_DIALOGCHAR) {
        M.Result = FMenuItem && Visible() && Enabled() && IsAccel(static_cast<WORD>(M.WParam), Caption());
        if (M.Result) Click();
        return;
    }
    if (M.Msg == CM_MOUSEENTER || M.Msg == CM_MOUSELEAVE) {
        FHot = M.Msg == CM_MOUSEENTER;
        Invalidate();
    }
    TGraphicControl::WndProc(M);
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && Enabled()) {
        FDown = true;
        Invalidate();
    }
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FDown = false;
    Invalidate();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TToolButton::Click() {
    TGraphicControl::Click();
    if (!FMenuItem || !Enabled()) return;
    if (FMenuItem->Count() == 0) {
        FMenuItem->Click();
        return;
    }
    // The item's sub-menu below the button; the chosen item runs.
    TCustomForm* F = GetParentForm(this);
    POINT P = ClientToScreen(POINT{0, Height()});
    FDown = true;
    Invalidate();
    WORD Cmd = static_cast<WORD>(TrackPopupMenu(FMenuItem->Handle(), TPM_RETURNCMD | TPM_LEFTBUTTON, P.x, P.y, 0,
                                                F ? F->Handle() : nullptr, /*prcRect=*/nullptr));
    FDown = false;
    Invalidate();
    if (Cmd)
        if (TMenuItem* I = TMenuItem::FindByCommand(Cmd)) I->Click();
}

void TToolButton::Paint() {
    if (TToolBar* B = ToolBar()) B->DrawButton(this, Canvas());
}

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csCustomPaint};
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
}

int TToolBar::ButtonCount() const {
    int N = 0;
    for (int I = 0; I < ControlCount(); ++I) N += dynamic_cast<TToolButton*>(Controls(I)) != nullptr;
    return N;
}

TToolButton* TToolBar::Buttons(int Index) const {
    for (int I = 0; I < ControlCount(); ++I)
        if (auto* B = dynamic_cast<TToolButton*>(Controls(I)); B && Index-- == 0) return B;
    return nullptr;
}

void TToolBar::SetAutoSize(bool Value) {
    FAutoSize = Value;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int Value) {
    FButtonHeight = Value;
    ArrangeButtons();
}

void TToolBar::Resize() {
    TCustomControl::Resize();
    ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
    if (FArranging) return;
    FArranging = true;
    int X = 0, Y = 0, W = Width();
    TCanvas Measure;
    HDC DC = GetDC(nullptr);
    Measure.SetHandle(DC);
    Measure.Font().Assign(Font());
    for (int I = 0; I < ButtonCount(); ++I) {
        TToolButton* B = Buttons(I);
        if (!B->Visible()) continue;
        int BW = B->AutoSize && ShowCaptions ? Measure.TextWidth(B->Caption()) + 14 : B->Width();
        if (Wrapable && X > 0 && X + BW > W) {
            X = 0;
            Y += FButtonHeight;
        }
        B->SetBounds(X, Y, BW, FButtonHeight);
        X += BW;
    }
    Measure.SetHandle(nullptr);
    ReleaseDC(/*hWnd=*/nullptr, DC);
    if (FAutoSize && ButtonCount() > 0) SetHeight(Y + FButtonHeight);
    FArranging = false;
    Invalidate();
}

void TToolBar::DrawButton(TToolButton* Button, TCanvas& C) {
    TCustomDrawState State;
    if (Button->Hot()) State.Include(cdsHot);
    if (Button->Down()) State.Include(cdsSelected);
    if (!Button->Enabled()) State.Include(cdsDisabled);
    if (Button->Default) State.Include(cdsDefault);
    bool Default = true;
    C.Font().Assign(Font());
    if (OnCustomDrawButton) OnCustomDrawButton(this, Button, C, State, Default);
    if (!Default) return;
    TRect R(0, 0, Button->Width(), Button->Height());
    if (State.Contains(cdsHot) || State.Contains(cdsSelected)) {
        C.Brush().SetColor(State.Contains(cdsSelected) ? clBtnShadow : clBtnHighlight);
        C.FrameRect(R);
    }
    if (!ShowCaptions) return;
    C.Brush().SetStyle(bsClear);
    if (State.Contains(cdsDisabled)) C.Font().SetColor(clGrayText);
    std::string Text = Button->Caption();
    C.TextExtent("W");
    RECT TR = R;
    DrawTextA(C.Handle(), Text.c_str(), static_cast<int>(Text.size()), &TR, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void TToolBar::Paint() {
    TRect R(0, 0, Width(), Height());
    bool Default = true;
    if (OnCustomDraw) OnCustomDraw(this, Canvas(), R, Default);
    if (!Default) return;
    Canvas().Brush().SetColor(Color());
    Canvas().FillRect(R);
}

TClassInfo& TToolButton::StaticClassInfo() {
    static TClassInfo CI("TToolButton", &TGraphicControl::StaticClassInfo(), CreateComponentOf<TToolButton>,
                         PublishCaption);
    return CI;
}

TClassInfo& TToolBar::StaticClassInfo() {
    static TClassInfo CI("TToolBar", &TCustomControl::StaticClassInfo(), CreateComponentOf<TToolBar>, [](TClassInfo& C) {
        PublishCaption(C);
        PublishParentBackground(C);
        C.PublishBool<TToolBar>("Flat", [](TToolBar& O) { return O.Flat; }, [](TToolBar& O, bool V) {
            O.Flat = V;
            O.Invalidate();
        });
    });
    return CI;
}

std::unique_ptr<TControlActionLink> TToolButton::CreateActionLink() { return std::make_unique<TToolButtonActionLink>(this); }
