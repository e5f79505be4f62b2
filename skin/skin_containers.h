// Light skins of container-like controls: the group box's rounded frame, the
// face colour for panels (TSkinBox) and for raw dialog and tool-bar windows
// (TSkinBoxH), a flat raw size box (TSkinSizer), and the status bar drawn
// whole, panel by panel, with its size grip.
#pragma once

#include "skin/skin_control.h"

class TSkinGroupBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    bool BeforeMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
};

// Recolours the control only; its messages are left alone.
class TSkinBox : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    void Detach() override;
    void AfterMessage(TMessage& Message) override {}
};

class TSkinBoxH : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinBoxH() override;
    bool BeforeMessage(TMessage& Message) override;

private:
    HBRUSH FBrush = nullptr;
};

class TSkinSizer : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    void Draw(HDC Dc, const TRect& R) override;
};

class TSkinStatusBar : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
};
