// The media-player skin: a panel of the skin's own laid over the player's row
// of transport buttons, drawing the visible ones from the skin's Button part
// and passing presses on to the player underneath.
#pragma once

#include <memory>

#include "platform/classlib/extctrls.h"
#include "skin/skin_control.h"

class TSkinMP;

class TWMediaPlayer : public TCustomPanel {
public:
    explicit TWMediaPlayer(TComponent* AOwner);
    ~TWMediaPlayer() override;
    struct TButtonState {
        bool Visible = false, Enabled = false, Colored = false;
        std::unique_ptr<TBitmap> Glyphs[3];  // enabled, disabled, coloured
    };
    // In the order of the player's button type: btPlay, btPause, btStop,
    // btNext, btPrev, btStep, btBack, btRecord, btEject.
    TButtonState Buttons[9];
    int32_t VisibleCount = 0;
    TSkinData* SkinData = nullptr;
    bool Pressed = false;
    uint8_t PressedButton = 9, ButtonUnderMouse = 9;
    int32_t ButtonWidth = 0;
    TControl* Player = nullptr;
    TSkinMP* SkinMP = nullptr;

    void Bind(TSkinMP* Skin, TControl* APlayer);
    void SyncBounds(TControl* APlayer);
    // The visible button at X (9: none).
    int HitButton(int X) const;
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;

private:
    void ReadButtons();
};

class TSkinMP : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    TWMediaPlayer* Panel = nullptr;
    void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) override;
    void Detach() override;
    void AfterMessage(TMessage& Message) override;
};
