// A skinned window: one object per top-level window (a form, a standard
// dialog, a window of this program) or MDI child. It subclasses the window,
// takes over the non-client area and draws it from the skin's border images,
// title bar, caption buttons and menu band, keeps the client size when the
// frame changes and cuts the window region from the borders' magenta pixels.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/classlib/controls.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/graphics.h"
#include "platform/win/winuser.h"
#include "skin/skin_dispatch.h"
#include "skin/skin_frames.h"

class TSkinData;
class TSkinnedWindow;
class TDataSkinSysButton;
class TCustomForm;
class TPopupMenu;
class TSkinnedMenu;
class TMenuBtn;
class TMenuItem;

// Every item of the popup and of the popups under it drawn by the owner.
void MakeMenuOwnerDrawn(HMENU Menu, int Depth = 0);

// A hot object inside a skinned frame: a caption button or a menu-bar item.
class TNCObject {
public:
    explicit TNCObject(TSkinnedWindow* AForm) : Form(AForm) {}
    virtual ~TNCObject();  // clears the form's HotObject when it is this
    TSkinnedWindow* Form;
    TRect Rect;          // frame coordinates
    bool Visible = true;
    int ButtonState = 1;  // 1 normal, 2 pressed, 3 hot
    bool Enabled = true;
    virtual void MouseDown();
    virtual void MouseUp();
    virtual void MouseMove();
    virtual void MouseLeave();
    virtual void Paint() {}
};

class TWinSysButton : public TNCObject {
public:
    TWinSysButton(TSkinnedWindow* AForm, TDataSkinSysButton* AButton) : TNCObject(AForm), Button(AButton) {}
    TDataSkinSysButton* Button;
    void Paint() override;
};

// The control skins of one skinned window.
class TWindowControlSkins : public TControlSkinHost {
public:
    HWND Window = nullptr;
    HWND HostWindow() const override { return Window; }
};

class TSkinnedWindow : public TComponent {
public:
    explicit TSkinnedWindow(TComponent* AOwner);
    ~TSkinnedWindow() override;

    // ---- Attaching and detaching ---------------------------------------------------
    void AttachForm(TSkinData* ASkinData, TCustomForm* AForm);
    void SkinWindow(TSkinData* ASkinData);
    void SubclassWindow(TSkinData* ASkinData);
    void Unskin();
    void DetachWindow();
    void SkinChanged();
    void InitFrameFromSkin();
    void FreeSysButtons();

    // ---- Frame -------------------------------------------------------------------
    void PaintFrame(HDC DC = nullptr);
    // The last frame drawn and what it was drawn from; cleared with the skin.
    std::unique_ptr<TBitmap> FrameCache, FrameCacheOther;
    // The last picture of each border band: the region and the frame both
    // need it at the same size, so a start paints each band once.
    TKeptSkinImage BorderImages[4];
    std::u16string FrameCacheSignature, FrameCacheOtherSignature;
    std::u16string FrameSignature();
    void UpdateFrame();
    void UpdateWindowRegion();
    void RemoveWindowRegion();
    void InvalidateAndUpdate();
    POINT ScreenToFrame(POINT P) const;
    void ApplyFrameSize(bool KeepCurrentClient);

    // ---- Caption buttons and the system menu ------------------------------------------
    bool IsSysButtonVisible(TWinSysButton& B);
    void PlaceSysButtons();
    void PaintSysButtons(HDC DC);
    TWinSysButton* SysButtonAt(POINT FramePoint);
    void SysButtonClick(POINT ScreenPoint);
    void PrepareIconBitmap();
    void DrawWindowIcon(HDC DC, const TRect& R);
    void ShowSystemMenu(POINT ScreenPoint);
    void BuildSystemMenu();
    bool HasCloseCommand();
    void MaximizeOrRestore();
    void MinimizeOrRestore();
    void Restore();

    // ---- The menu bar --------------------------------------------------------------
    bool TrackMenuItem(TMenuBtn* Item);
    void PostOpenMenuItem(TMenuBtn* Item);
    bool KeyMenu(LPARAM Key, LRESULT& Result);
    bool DialogChar(TMessage& Message);
    void MenuChanged(WPARAM WParam, LPARAM LParam);
    void OpenMenuItemAt(LPARAM ScreenPoint);
    bool IsMenuOfBar(HMENU Menu) const;

    // ---- MDI ------------------------------------------------------------------------
    void SubclassMDIClient();
    void UnsubclassMDIClient();
    bool IsMDIChildMaximized();
    LRESULT MDIClientProc(HWND H, UINT Msg, WPARAM WParam, LPARAM LParam);
    void PaintMDIButtons(HDC BarDC);
    WNDPROC MDIClientOldProc = nullptr, MDIClientInstance = nullptr;

    // ---- Menu items drawn by the skin -----------------------------------------------------
    void MenuItemMeasure(TObject* Sender, TCanvas* Canvas, int& Width, int& Height);
    void MenuItemMeasureBar(TObject* Sender, TCanvas* Canvas, int& Width, int& Height);
    void MenuItemDraw(TObject* Sender, TCanvas* Canvas, TRect R, bool Selected);
    void SkinPopupMenus(TComponent* Container, bool On);
    void SkinMainMenus(TComponent* Container, bool On);
    void SkinMenuItemTree(TMenuItem* Item, bool On);
    bool MeasureItemMessage(LPARAM LParam, LRESULT& Result);
    TMenuItem* SystemMenuItem(UINT Id);
    bool DrawItemMessage(LPARAM LParam, LRESULT& Result);
    // One item onto DC at R: the popup's background, the strip's frame, the content.
    void DrawMenuItemOn(HDC DC, TMenuItem* Item, HMENU Menu, const TRect& R, bool Selected, bool Rtl, bool Separator);

    // ---- State (named as the frame code reads them) ----------------------------------
    TWndMethod SavedFormWindowProc;
    WNDPROC OldWndProc = nullptr;
    WNDPROC WndProcInstance = nullptr;
    HFONT TitleFont = nullptr;
    std::unique_ptr<TTimer> HoverTimer;
    std::u16string CaptionPrefix = u"  ", CaptionSuffix = u" ";
    std::string WindowClassName;
    bool SavedMenuUpdate = false;
    bool FrameSkinned = false;
    TRect SavedClientRect;
    DWORD LastMenuTick = 0;
    UINT DoubleClickTime = 0;
    int CaptionTextWidth = 0;
    HWND OwnerWindow = nullptr;
    HICON Icon = nullptr;
    int IconSize = 0;
    std::u16string DialogCaption;
    int BorderLeft = 0, BorderTop = 0, BorderRight = 0, BorderBottom = 0;
    TRect ScreenRect, TextRect;
    int StandardFrameWidth = 0, StandardFrameHeight = 0;
    int MenuHeight = 0;
    bool InMenuLoop = false;
    bool RightToLeft = false;
    bool Sizeable = false;
    bool UnicodeWindow = false;
    bool DialogClass = false;
    bool IsChild = false;
    TPopupMenu* SystemMenuPopup = nullptr;  // owned (a component of this object)
    HWND MDIClient = nullptr;
    HMENU WindowMenu = nullptr;
    HMENU SystemMenu = nullptr;
    HMENU OpenSubMenu = nullptr;
    TColor SavedFormColor = clBtnFace;
    DWORD Style = 0;
    int ButtonsRightWidth = 0;
    TNCObject* HotObject = nullptr;
    bool HasRegion = false;
    TCustomForm* Form = nullptr;
    HWND Window = nullptr;
    TSkinData* SkinData = nullptr;
    TSkinnedMenu* MenuBar = nullptr;  // owned (a component of this object)
    std::vector<std::unique_ptr<TWinSysButton>> CaptionButtons;
    std::unique_ptr<TBitmap> IconBitmap, TitleBitmap;
    int FrameWidth = 0, FrameHeight = 0;
    int RegionWidth = 0, RegionHeight = 0;
    bool WindowActive = true;
    uint8_t WindowKind = 0;   // 0 top-level, 1 MDI frame, 2 MDI child
    uint8_t BorderKind = 0;   // 0 sizeable, 1 fixed single, 2 no caption, 3 dialog frame
    uint8_t StyleFlags = 0;   // 1 maximize box, 2 minimize box, 4 context help, 8 system menu, 0x10 system menu left alone
    uint8_t WindowState = 0;  // 0 normal, 1 maximised, 2 minimised
    int State = 0;  // 0 attached; 1 running; 3 applying a changed skin; 4 being destroyed; 5 resizing; 6 detached
    HMODULE Module = nullptr;
    // The window's control skins and the dispatch that gives them out.
    TWindowControlSkins ControlSkins;
    TControlDispatch& ControlDispatch();
    // Skins the children: a form's controls, else the direct child windows.
    void SkinChildren();

    // Dialog characters and the window procedure, for the menu bar and tests.
    LRESULT WindowProc(HWND H, UINT Msg, WPARAM WParam, LPARAM LParam);

    LRESULT CallDefault(UINT Msg, WPARAM WParam, LPARAM LParam);

private:
    void DefaultMeasure(TMenuItem* Item, int& Width, int& Height);
    void DrawMenuItemContent(TCanvas& C, TMenuItem* Item, const TRect& R, bool Selected, bool Rtl);
    void MenuItemTextPass(TCanvas& C, UINT Flags, bool Selected, TRect& R, std::u16string Text, TMenuItem* Item);
    void UndoMenuDrawing();
    void FreeMenuBar();
    void FormWindowProc(TMessage& Message);
    void Start();
    void ReadWindowState();
    void SizeHandler(WPARAM WParam);
    LRESULT NcCalcSize(WPARAM WParam, LPARAM LParam);
    LRESULT NcHitTest(WPARAM WParam, LPARAM LParam);
    LRESULT NcActivate(WPARAM WParam, LPARAM LParam);
    LRESULT NcPaint(WPARAM WParam, LPARAM LParam);
    bool NcMouse(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);
    bool SysCommand(WPARAM WParam, LPARAM LParam, LRESULT& Result);
    void HoverPoll();
    void PaintBorder(int Part, const TRect& R, HDC DC);
    TBitmap* BorderImage(int Part, int W, int H);
    void PaintTitleBar(HDC DC);
    void PaintCaptionText(HDC DC, const TRect& R);
    std::u16string WindowText() const;
    void RestoreProcedures();
    void DetachControlSkins();
    HRGN BandRegion(int Part, int W, int H, int X, int Y);
    std::unique_ptr<TControlDispatch> FDispatch;
    bool Subclassed() const { return WndProcInstance != nullptr; }
};
