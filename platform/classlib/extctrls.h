// Timers, panels, bevels and images.
#pragma once

#include <memory>

#include "platform/classlib/controls.h"

class TTimer : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    UINT Interval() const { return FInterval; }
    void SetInterval(UINT Value);
    TNotifyEvent OnTimer;
    void SetOnTimer(TNotifyEvent Value);
    void Loaded() override;

private:
    static LRESULT TimerWndProc(HWND, UINT, WPARAM, LPARAM);
    void UpdateTimer();
    bool FEnabled = true;
    UINT FInterval = 1000;
    HWND FWindow = nullptr;
    bool FRunning = false;
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNoBorder, bsSingleBorder };

// Draws a 3-D frame inside R and shrinks R by Width.
void Frame3D(TCanvas& Canvas, TRect& R, TColor TopColor, TColor BottomColor, int Width);

class TCustomPanel : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomPanel(TComponent* AOwner);
    TBevelCut BevelInner = bvNone;
    TBevelCut BevelOuter = bvRaised;
    int BevelWidth = 1;
    int BorderWidth = 0;
    TBorderStyle BorderStyle = bsNoBorder;
    TAlignment Alignment = taCenter;
    TRect ClientRect() override;

protected:
    void Paint() override;
};

class TPanel : public TCustomPanel {
    TESSARO_CLASSINFO
public:
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
    TESSARO_CLASSINFO
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape = bsBox;
    TBevelStyle Style = bsLowered;

protected:
    void Paint() override;
};

class TImage : public TGraphicControl {
    TESSARO_CLASSINFO
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture& Picture() { return *FPicture; }
    bool Stretch = false;
    bool Center = false;
    bool Proportional = false;
    bool Transparent = false;
    bool AutoSize = false;

protected:
    void Paint() override;

private:
    std::unique_ptr<TPicture> FPicture;
};

// Reads a stored picture: a class name (length byte, then the name) and the
// graphic's data, as form files keep Picture.Data.
void ReadPictureData(TPicture& Picture, const std::vector<unsigned char>& Data);

void RegisterExtCtrlsClasses();
