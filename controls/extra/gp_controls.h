// The gradient progress bar and the panel, both framed by the drawing helpers
// of gp_drawing and steerable by a TGpFrameController.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/extra/gp_drawing.h"
#include "controls/extra/gp_framecontroller.h"
#include "platform/classlib/extctrls.h"

using TProgressChangeEvent = std::function<void(TObject* Sender, int32_t Percent)>;

enum TBarStyle { bsTraditional, bsLED, bsGradient };
enum TOrientation { orHorizontal, orVertical };

class TGpCustomProgressBar : public TGraphicControl, public IGpFrameNotify {
    TESSARO_CLASSINFO
public:
    explicit TGpCustomProgressBar(TComponent* AOwner);
    ~TGpCustomProgressBar() override;

    // IGpFrameNotify
    void UpdateFrame(TGpFrameController& Controller, int Code) override;
    TGpFrameControllerNotifications FrameControllerNotifications() const override { return FNotifications; }
    void SetFrameControllerNotifications(TGpFrameControllerNotifications Value) { FNotifications = Value; }

    TColor BackColor() const { return FBackColor; }
    TColor BackColorStop() const { return FBackColorStop; }
    TColor BarColor() const { return FBarColor; }
    TColor BarColorStop() const { return FBarColorStop; }
    TBarStyle BarStyle() const { return FBarStyle; }
    int BevelWidth() const { return FBevelWidth; }
    TColor BorderColor() const { return FBorderColor; }
    TFrameStyleEx BorderInner() const { return FBorderInner; }
    TFrameStyleEx BorderOuter() const { return FBorderOuter; }
    int BorderWidth() const { return FBorderWidth; }
    TColor FlatColor() const { return FFlatColor; }
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    TGpFrameController* FrameController() const { return FFrameController; }
    TGradientDirection GradientDirection() const { return FGradientDirection; }
    uint8_t InteriorOffset() const { return FInteriorOffset; }
    int NumSegments() const { return FNumSegments; }
    TOrientation Orientation() const { return FOrientation; }
    uint32_t PartsComplete() const { return FPartsComplete; }
    uint16_t Percent() const { return FPercent; }
    bool ShowPercent() const { return FShowPercent; }
    bool ThemeAware() const { return FThemeAware; }
    uint32_t TotalParts() const { return FTotalParts; }

    virtual void SetBackColor(TColor Value);
    void SetBackColorStop(TColor Value);
    virtual void SetBarColor(TColor Value);  // the font takes the colour too
    void SetBarColorStop(TColor Value);
    virtual void SetBarStyle(TBarStyle Value);
    virtual void SetBevelWidth(int Value);
    virtual void SetBorderColor(TColor Value);
    virtual void SetBorderInner(TFrameStyleEx Value);
    virtual void SetBorderOuter(TFrameStyleEx Value);
    virtual void SetBorderWidth(int Value);
    virtual void SetFlatColor(TColor Value);
    virtual void SetFlatColorAdjustment(int Value);
    virtual void SetFrameController(TGpFrameController* Value);
    void SetGradientDirection(TGradientDirection Value);
    virtual void SetInteriorOffset(uint8_t Value);
    virtual void SetNumSegments(int Value);  // 1..100
    virtual void SetOrientation(TOrientation Value);
    virtual void SetPartsComplete(uint32_t Value);
    // Values above 100 are kept; the drawing shows them as a full bar.
    virtual void SetPercent(uint16_t Value);
    virtual void SetShowPercent(bool Value);
    virtual void SetTotalParts(uint32_t Value);  // 0..2147483647
    virtual void SetThemeAware(bool Value);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TProgressChangeEvent OnChange;

protected:
    virtual void Change();
    void Paint() override;
    // Paints into Canvas (Width x Height).
    void PaintBar(TCanvas& Canvas);

private:
    void Changed();
    void DrawPercentText(TCanvas& C, const TRect& R, const TRect& Filled, TColor FilledText, TColor EmptyText);
    TRect FilledPart(const TRect& R) const;

    TColor FBackColor = clWhite;
    TColor FBackColorStop = clBtnFace;
    TColor FBarColor = clHighlight;
    TColor FBarColorStop = SysColor(26);  // hot-light
    TBarStyle FBarStyle = bsTraditional;
    int FBevelWidth = 1;
    TColor FBorderColor = clBtnFace;
    TFrameStyleEx FBorderInner = fsNone;
    TFrameStyleEx FBorderOuter = fsLowered;
    int FBorderWidth = 0;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 30;
    TGpFrameController* FFrameController = nullptr;
    TGpFrameControllerNotifications FNotifications = AllFrameControllerNotifications();
    TGradientDirection FGradientDirection = gdHorizontalCenter;
    uint8_t FInteriorOffset = 0;
    int FNumSegments = 20;
    TOrientation FOrientation = orHorizontal;
    uint32_t FPartsComplete = 0;
    uint16_t FPercent = 0;
    bool FShowPercent = true;
    bool FThemeAware = true;
    uint32_t FTotalParts = 0;
};

class TGpProgressBar : public TGpCustomProgressBar {
    TESSARO_CLASSINFO
public:
    explicit TGpProgressBar(TComponent* AOwner) : TGpCustomProgressBar(AOwner) {}
};

class TGpCustomPanel : public TCustomPanel, public IGpFrameNotify, public IGpTransparentControl {
    TESSARO_CLASSINFO
public:
    explicit TGpCustomPanel(TComponent* AOwner);
    ~TGpCustomPanel() override;

    void UpdateFrame(TGpFrameController& Controller, int Code) override;
    TGpFrameControllerNotifications FrameControllerNotifications() const override { return FNotifications; }
    void SetFrameControllerNotifications(TGpFrameControllerNotifications Value) { FNotifications = Value; }
    bool IsTransparent() const override { return FTransparent; }

    TAlignmentVertical AlignmentVertical() const { return FAlignmentVertical; }
    TColor BorderColor() const { return FBorderColor; }
    TFrameStyleEx BorderInner() const { return FBorderInner; }
    TFrameStyleEx BorderOuter() const { return FBorderOuter; }
    TSides BorderSides() const { return FBorderSides; }
    TColor BorderHighlight() const { return FBorderHighlight; }
    TColor BorderShadow() const { return FBorderShadow; }
    TColor FlatColor() const { return FFlatColor; }
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    TGpFrameController* FrameController() const { return FFrameController; }
    TGpGradientColorStyle GradientColorStyle() const { return FGradientColorStyle; }
    TColor GradientColorStart() const { return FGradientColorStart; }
    TColor GradientColorStop() const { return FGradientColorStop; }
    TGradientDirection GradientDirection() const { return FGradientDirection; }
    TColor GridColor() const { return FGridColor; }
    TGpGridStyle GridStyle() const { return FGridStyle; }
    int GridXSize() const { return FGridXSize; }
    int GridYSize() const { return FGridYSize; }
    bool PaintClientArea() const { return FPaintClientArea; }
    bool ShowGrid() const { return FShowGrid; }
    bool Transparent() const { return FTransparent; }
    int TextMargin() const { return FTextMargin; }
    int TextMarginVertical() const { return FTextMarginVertical; }
    bool WordWrap() const { return FWordWrap; }
    TGpVisualStyle VisualStyle() const { return FVisualStyle; }

    virtual void SetAlignmentVertical(TAlignmentVertical Value);
    virtual void SetBorderColor(TColor Value);
    virtual void SetBorderInner(TFrameStyleEx Value);
    virtual void SetBorderOuter(TFrameStyleEx Value);
    virtual void SetBorderSides(TSides Value);
    virtual void SetBorderHighlight(TColor Value);
    virtual void SetBorderShadow(TColor Value);
    virtual void SetFlatColor(TColor Value);
    virtual void SetFlatColorAdjustment(int Value);
    virtual void SetFrameController(TGpFrameController* Value);
    virtual void SetGradientColorStyle(TGpGradientColorStyle Value);
    virtual void SetGradientColorStart(TColor Value);
    virtual void SetGradientColorStop(TColor Value);
    virtual void SetGradientDirection(TGradientDirection Value);
    virtual void SetGridColor(TColor Value);
    virtual void SetGridStyle(TGpGridStyle Value);
    virtual void SetGridXSize(int Value);
    virtual void SetGridYSize(int Value);
    virtual void SetPaintClientArea(bool Value);
    virtual void SetShowGrid(bool Value);
    virtual void SetTransparent(bool Value);
    virtual void SetTextMargin(int Value);
    virtual void SetTextMarginVertical(int Value);
    virtual void SetWordWrap(bool Value);
    virtual void SetVisualStyle(TGpVisualStyle Value);

    bool Locked = false;
    bool ShowDockClientCaptions = true;
    // Docking by code: a dock site lays its dock clients out side by side (a
    // panel aligned to the top or bottom) or one under the other, each with a
    // 14-pixel grabber on its left or top side showing its caption and a close glyph.
    bool DockSite = false;
    bool UseDockManager = true;
    void DockClient(TWinControl* Client);
    // Closing hides the client and gives its room back.
    void CloseDockClient(TWinControl* Client);
    int DockClientCount() const { return static_cast<int>(FDockClients.size()); }
    // The client's rectangle, grabber included; empty for a control not docked here.
    TRect DockRect(TWinControl* Client);
    // Where the grabber's close glyph is, in the panel's coordinates.
    TRect CloseGlyphRect(TWinControl* Client);
    bool GrabbersOnLeft() const { return Align() == alTop || Align() == alBottom; }
    // A move or resize repaints the whole panel; when off and the panel has no
    // caption, only the strips where the old right and bottom frames were.
    bool FullRepaint = true;
    TNotifyEvent OnMouseEnter, OnMouseLeave, OnPaint;

    // Rect less the border width (when asked) and the frames on BorderSides.
    virtual TRect AdjustBorderRect(TRect Rect, bool IncludeBorderWidth) const;
    virtual TRect GetPanelRect() const { return TRect(0, 0, Width(), Height()); }
    virtual void GetGradientColors(TColor& Start, TColor& Stop) const;
    virtual void GetFlatColors(TColor& Color, int& Adjustment) const;
    TRect ClientRect() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void EnabledChanged() override;
    virtual void DrawCaption(TCanvas& C, TRect R);
    virtual void DrawGrid(TCanvas& C, const TRect& R);

private:
    void Changed(bool Realign = false, bool TransparentChildren = false);
    bool UsesDockManager() const { return DockSite && UseDockManager && !FDockClients.empty(); }
    void DrawGrabbers(TCanvas& C);
    std::vector<TWinControl*> FDockClients;
    std::vector<TRect> FDockRects;
    int FOldWidth = -1, FOldHeight = -1;  // the window's size before the change under way

    TAlignmentVertical FAlignmentVertical = avCenter;
    TColor FBorderColor = clBtnFace;
    TFrameStyleEx FBorderInner = fsNone;
    TFrameStyleEx FBorderOuter = fsRaised;
    TSides FBorderSides = AllSides();
    TColor FBorderHighlight = clBtnHighlight;
    TColor FBorderShadow = clBtnShadow;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 30;
    TGpFrameController* FFrameController = nullptr;
    TGpFrameControllerNotifications FNotifications = AllFrameControllerNotifications();
    TGpGradientColorStyle FGradientColorStyle = gcsSystem;
    TColor FGradientColorStart = clWhite;
    TColor FGradientColorStop = clBtnFace;
    TGradientDirection FGradientDirection = gdHorizontalEnd;
    TColor FGridColor = clBtnShadow;
    TGpGridStyle FGridStyle = gsDots;
    int FGridXSize = 8, FGridYSize = 8;
    bool FPaintClientArea = true;
    bool FShowGrid = false;
    bool FTransparent = false;
    int FTextMargin = 0, FTextMarginVertical = 0;
    bool FWordWrap = true;
    TGpVisualStyle FVisualStyle = vsWinXP;
    // "1" or "0" per child, recorded when the panel was disabled.
    std::vector<std::pair<TControl*, bool>> FEnabledStates;
};

class TGpPanel : public TGpCustomPanel {
    TESSARO_CLASSINFO
public:
    explicit TGpPanel(TComponent* AOwner) : TGpCustomPanel(AOwner) {}
};

void RegisterGpControls();
