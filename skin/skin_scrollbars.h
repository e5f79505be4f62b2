// Skinned scroll bars. TWScrollbar is a small window laid over a native
// scroll bar of a skinned window and drawn from the skin; a press on it is
// handed to the skinned window as a non-client click, so the platform's own
// scroll loop runs. The hosts own two of them per scrolling window and keep
// them placed: TSkinScrollbar for class-library controls (with a two-pixel
// border), TSkinListView for list views, TSkinScrollbarH for raw windows.
// TComboxScrollBar draws a drop-down list's bar into the list's own frame
// and drags its thumb itself.
#pragma once

#include "platform/classlib/extctrls.h"
#include "skin/skin_control.h"

class TWScrollbar : public TCustomPanel {
public:
    explicit TWScrollbar(TComponent* AOwner);
    int32_t BarLength = 0;
    int32_t ThumbStart = 0, ThumbEnd = 0;
    POINT BarOrigin{}, PressPoint{};
    int32_t PressThumbStart = 0;
    bool Tracking = false;
    bool Vertical = false;
    // -1 none, 0 first arrow, 1 second arrow, 2 page before, 3 page after, 5 thumb.
    int32_t HotPart = -1;
    int32_t ArrowSize = 0;
    HWND HostWindow = nullptr;
    TControl* HostControl = nullptr;
    TSkinControl* HostSkin = nullptr;
    uint8_t BarKind = 0;  // 0 horizontal, 1 vertical
    TRect BarRect;
    bool BarVisible = false;

    void AttachToControl(TSkinControl* Host, TWinControl* Control, uint8_t Kind);
    void AttachToWindow(TSkinControl* Host, HWND Window, uint8_t Kind);
    void Place(HWND Host);
    void HideBar();
    int HitTest(POINT P) const;
    // The thumb start while it follows the cursor from the press, clamped
    // between the arrows.
    int FollowedThumbStart(POINT Cursor) const;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    bool ReadInfo(SCROLLBARINFO& Info) const;
    void Press(TMessage& Message);
};

class TSkinScrollbar : public TSkinControl {
public:
    explicit TSkinScrollbar(TComponent* AOwner);
    ~TSkinScrollbar() override;
    TWScrollbar* HorzBar = nullptr;
    TWScrollbar* VertBar = nullptr;
    bool Border = false;

    virtual void AttachScrolling(TWinControl* AControl, TSkinData* ASkinData, TControlSkinHost* ASkinForm,
                                 TCanvas* ACanvas);
    void Detach() override;
    bool BeforeMessage(TMessage& Message) override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    void SkinChanged() override;
    void UpdateBars();
    void PaintBorder(HDC Dc);

protected:
    void FreeBars();
};

class TSkinHeader;

// A list view's host, which also skins the list's column header.
class TSkinListView : public TSkinScrollbar {
public:
    using TSkinScrollbar::TSkinScrollbar;
    TSkinHeader* Header = nullptr;
    void AttachScrolling(TWinControl* AControl, TSkinData* ASkinData, TControlSkinHost* ASkinForm,
                         TCanvas* ACanvas) override;
};

class TSkinScrollbarH : public TSkinControl {
public:
    using TSkinControl::TSkinControl;
    ~TSkinScrollbarH() override;
    TWScrollbar* HorzBar = nullptr;
    TWScrollbar* VertBar = nullptr;
    void AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas) override;
    void Detach() override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    void UpdateBars();

private:
    void FreeBars();
};

class TComboxScrollBar : public TSkinControl {
public:
    explicit TComboxScrollBar(TComponent* AOwner);
    int32_t ArrowSize = 0, BarLength = 0, ThumbStart = 0, ThumbEnd = 0;
    int32_t HotPart = -1;
    bool Tracking = false;
    bool BeforeMessage(TMessage& Message) override;
    void AfterMessage(TMessage& Message) override;
    void Draw(HDC Dc, const TRect& R) override;
    // The thumb drag of a press at Screen; false when the press missed the thumb.
    bool DragThumb(POINT Screen);
};

// The list position for a thumb offset during a drag (see TComboxScrollBar).
int ComboListThumbPos(int Offset, int Track, int Thumb, int Min, int Max, int Page);

// Paints one scroll bar from the skin into Bitmap (R's size): track, arrows,
// thumb and grip. Shared by the bar window and the drop-down list's bar.
void PaintSkinScrollBar(TSkinData& Data, TBitmap& Bitmap, const TRect& R, bool Vertical, bool Enabled,
                        int ArrowSize, int HotPart, bool Tracking, int ThumbStart, int ThumbEnd, int Limit);
