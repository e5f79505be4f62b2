// Controls of the class library: TControl (position, alignment, visibility,
// text, colour, font, mouse events), TWinControl (a window of its own, keys,
// focus, child controls), TGraphicControl (drawn on its parent's window) and
// TCustomControl (a window that paints itself on a canvas).
//
// Every window of a control is made from a window class named after the
// control's class ("TButton", "TPanel", ...): it superclasses the standard
// class the control stands on ("Button"), or is a plain class for the library's
// own windows. Messages reach the control through WindowProc, a replaceable
// method pointer, which defaults to the virtual WndProc; what the control does
// not handle goes to the class's original window procedure (DefaultHandler).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/classlib/graphics.h"
#include "platform/rtl/sets.h"
#include "platform/win/winuser.h"

class TControl;
class TWinControl;
class TPopupMenu;
class TBasicAction;
class TCustomForm;
class TDragImageList;
class TForm;

struct THintInfo {
    TControl* HintControl = nullptr;
    std::string HintStr;    // the text to show (the short hint)
    int HintMaxWidth = 300; // the width the text wraps at
    POINT CursorPos{};      // screen coordinates
    void* HintData = nullptr;
    // The class of the window the hint shows in (a THintWindow or one derived
    // from it); a control may choose another.
    const TClassInfo* HintWindowClass = nullptr;
};

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage& Message)>;

// Messages of the class library: notifications the parent reflects back to
// the control that sent them (CN_ = 0xBC00 + the original number), and
// control-to-control notices (CM_).
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + 0x002B;     // WM_DRAWITEM
constexpr UINT CN_MEASUREITEM = CN_BASE + 0x002C;  // WM_MEASUREITEM
constexpr UINT CN_HSCROLL = CN_BASE + 0x0114;
constexpr UINT CN_VSCROLL = CN_BASE + 0x0115;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + 0x0135;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + 0x0133;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + 0x0134;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + 0x0138;
constexpr UINT CM_BASE = 0xB000;
// A dialog key (Tab, Enter, Escape; WParam the key) offered to every control
// of the form before the form acts on it; a control that takes it answers 1.
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
// The focus moved to another control of the form (LParam: that control);
// heard by every control of the form.
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;  // WParam: the new Visible
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_EXIT = CM_BASE + 27;  // the control lost the focus; runs OnExit
constexpr UINT CM_RELEASE = CM_BASE + 33;
// Re-creates the control's window; the handling makes the new window.
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
// The 3-D look of a windowed control changed; its children that follow their parent's hear of it.
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 15;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 16;
// Asked of the focused control before a key goes to shortcuts and dialog navigation
// (WParam: the virtual key); a result other than 0 hands the key to the control.
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 47;
// An accelerator: WParam the character (lower case); a control that takes it answers 1.
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
// Asked of the control under the mouse before its hint shows; LParam is the
// THintInfo, which the control may change; a result other than 0 shows none.
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
// Sent to the form's window when its main menu changed (captions, items), so a
// frame that draws the bar itself can rebuild it; LParam is the TMainMenu.
constexpr UINT CM_MENUCHANGED = CM_BASE + 49;
// LParam: the action the application is asked to execute; a handler that
// executes it answers 1.
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

using TCursor = int16_t;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
                  crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
                  crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22, crSize = -22;

// Control styles: what a control class does by itself.
enum TControlStyleItem {
    csAcceptsControls,  // may hold child controls
    csCaptureMouse,     // captures the mouse while a button is down
    csClickEvents,      // a press and release over it is a click
    csSetCaption,       // the name becomes the caption when it is made
    csOpaque,           // fills its whole rectangle
    csDoubleClicks,     // gets double clicks
    csCustomPaint,      // its window paints through Paint
    csReflector,
    csReplicatable
};
using TControlStyle = TSet<TControlStyleItem>;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TContextPopupEvent = std::function<void(TObject* Sender, POINT MousePos, bool& Handled)>;

// Publishes Caption (the control's text) on a class table, for the classes
// that show a caption.
void PublishCaption(TClassInfo& C);
// Publishes ParentBackground on a class table.
void PublishParentBackground(TClassInfo& C);

// Shift state from message key flags (MK_*) and the keyboard.
TShiftState KeysToShiftState(WPARAM Keys);
TShiftState KeyDataToShiftState(LPARAM KeyData);

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

// True when Caption marks Key (a character) as its accelerator with '&'.
bool IsAccel(WORD Key, const std::string& Caption);

// Size limits of a control (0: none).
struct TSizeConstraints {
    int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

class TControlActionLink;
class TCustomAction;

class TControl : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    // Set while the control is drawn as part of another one's background (a
    // copy, not its own paint); nests, and may be read from another thread.
    bool PaintingCopy() const { return FPaintCopy.load() > 0; }
    void BeginPaintCopy() { ++FPaintCopy; }
    void EndPaintCopy() { --FPaintCopy; }
    void SetParentComponent(TComponent* Value) override;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return TRect(FLeft, FTop, FLeft + FWidth, FTop + FHeight); }
    void SetBoundsRect(const TRect& R) { SetBounds(R.left, R.top, R.Width(), R.Height()); }
    virtual TRect ClientRect();
    int ClientWidth() { return ClientRect().Width(); }
    int ClientHeight() { return ClientRect().Height(); }
    virtual void SetClientWidth(int Value);
    virtual void SetClientHeight(int Value);
    POINT ClientToScreen(POINT P);
    POINT ScreenToClient(POINT P);
    TSizeConstraints Constraints;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible (and shown, for a window).
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    std::string Caption() { return GetText(); }
    void SetCaption(const std::string& Value) { SetText(Value); }
    std::string Text() { return GetText(); }
    void SetText(const std::string& Value);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont& Font() { return *FFont; }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    // The reading order; while ParentBiDiMode the parent's.
    TBiDiMode BiDiMode() const;
    void SetBiDiMode(TBiDiMode Value);
    bool ParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool Value);
    std::string Hint;
    bool ShowHint = false;
    bool ParentShowHint = true;
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    TBasicAction* Action() const { return FAction; }
    void SetAction(TBasicAction* Value);
    TDragMode DragMode = dmManual;
    TControlStyle ControlStyle;

    TNotifyEvent OnClick, OnDblClick, OnResize;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;
    TContextPopupEvent OnContextPopup;

    // Messages: WindowProc may be replaced (it starts as WndProc).
    TWndMethod WindowProc;
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
    virtual void WndProc(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message) { (void)Message; }

    virtual void Invalidate();
    virtual void Update();
    void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    virtual void Click();
    virtual void DblClick();
    // Starts dragging this control (the automatic drag calls it on a press).
    // While the drag runs the mouse is captured, the cursor shows DragCursor
    // over a target that accepts and crNoDrop elsewhere, and the control's
    // drag image (GetDragImages) follows the mouse.
    void BeginDrag(bool Immediate, int Threshold = -1);
    bool Dragging() const;
    void EndDrag(bool Drop);
    TCursor DragCursor = crDrag;
    virtual TDragImageList* GetDragImages() { return nullptr; }

    // The action told a linked control of a change.
    virtual void ActionChange(TBasicAction* Sender, bool CheckDefaults);
    // The link of this control's kind, made when it is first needed.
    TControlActionLink* ActionLink();
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    friend class TWinControl;
    // Makes the action link of the control's kind.
    virtual std::unique_ptr<TControlActionLink> CreateActionLink();
    virtual std::string GetText();
    virtual void SetTextBuf(const std::string& Value);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    virtual void Resize();
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    virtual void TextChanged() {}
    // Parent font and colour changes reach the children that take them.
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void BoundsChanged() {}
    // The anchors' distances are remembered from here.
    void UpdateAnchorRules();
    // The parent's client area changed size (anchors).
    void AnchorToParent(int OldParentW, int OldParentH, int NewParentW, int NewParentH);

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    bool FVisible = true;
    bool FEnabled = true;
    std::string FText;
    TColor FColor = clWindow;
    bool FParentColor = false;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    TCursor FCursor = crDefault;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    TPopupMenu* FPopupMenu = nullptr;
    TBasicAction* FAction = nullptr;
    TActionLinkState FActionLink;
    std::unique_ptr<TControlActionLink> FActionLinkObject;
    bool FClicking = false;
    bool FAnchorsValid = false;
    int FAnchorParentW = 0, FAnchorParentH = 0;
    TRect FAnchorBounds;
    bool FChangingFont = false;
    bool FInSetBounds = false;

private:
    std::atomic<int> FPaintCopy{0};
    void WMMouse(TMessage& Message);
};

struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    std::string WinClassName;   // the class the window is made of
    std::string BaseClassName;  // the standard class it superclasses; empty: a plain class
    UINT ClassStyle = CS_DBLCLKS;
};

class TWinControl : public TControl {
    TESSARO_CLASSINFO
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    HWND Handle();  // made on first use
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    void RecreateWnd();
    // The window a parentless control is made in (dialogs embedded elsewhere).
    HWND ParentWindow = nullptr;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const { return FControls.at(Index); }
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    bool ContainsControl(TControl* Control) const;
    // The visible, enabled (unless AllowDisabled) child at a client point.
    TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false);
    // The tab order of the child windows.
    void GetTabOrderList(std::vector<TWinControl*>& List);

    int TabOrder() const;
    void SetTabOrder(int Value);
    bool TabStop = false;
    // Kept for the skins, which switch it off while they paint the control;
    // the platform draws no themed parent background by itself.
    bool ParentBackground = false;
    // Paints through a picture in memory copied to the window in one step, so
    // no half-drawn state is ever shown; the window's own erase is skipped.
    bool DoubleBuffered = false;
    // The 3-D look (a sunken client edge where a control draws a border); ParentCtl3D
    // takes the parent's. Changing it re-creates the window.
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool Value);
    bool Focused();
    virtual bool CanFocus();
    virtual void SetFocus();

    TNotifyEvent OnEnter, OnExit;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;

    void Realign();
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    TRect ClientRect() override;
    void Invalidate() override;
    void Update() override;
    void SetVisible(bool Value) override;

    void WndProc(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;
    void Loaded() override;
    // Paints the graphic child controls on DC (client coordinates).
    void PaintControls(HDC DC, TControl* First = nullptr);

    // For a layer that makes the window itself (the Unicode layer): the handle
    // it made, and the procedure unhandled messages go to.
    void SetHandleFromLayer(HWND H) { FHandle = H; }
    WNDPROC DefWndProc() const { return FDefWndProc; }
    void SetDefWndProc(WNDPROC Proc) { FDefWndProc = Proc; }

protected:
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
    friend class TControl;
    virtual void CreateParams(TCreateParams& Params);
    virtual void CreateHandle();
    virtual void CreateWnd();
    // Called once the window exists: pushes the state kept so far into it.
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyHandle();
    virtual void DestroyWnd();
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    virtual void DoEnter();
    virtual void DoExit();
    virtual bool DoKeyDown(WORD& Key, TShiftState Shift);  // true: handled
    virtual bool DoKeyPress(char& Key);
    virtual bool DoKeyUp(WORD& Key, TShiftState Shift);
    std::string GetText() override;
    void SetTextBuf(const std::string& Value) override;
    void FontChanged() override;
    void ColorChanged() override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    void BoundsChanged() override;
    void ShowControl();
    // The brush that erases the background (Color).
    HBRUSH BackgroundBrush();
    virtual void PaintWindow(HDC DC);
    // Reflected notifications (CN_*) from the parent.
    virtual void WMPaint(TMessage& Message);

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    // Takes the parent's look when ParentCtl3D is on.
    void ParentCtl3DChanged();
    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    int FAlignLevel = 0;
    bool FRealignPending = false;
    HBRUSH FBrush = nullptr;
    TColor FBrushColor = clNone;
    bool FDestroyingHandle = false;
    int FLastClientW = -1, FLastClientH = -1;
    bool FInSetBoundsFromWindow = false;
    // The window moved or changed size by itself: take its rectangle.
    void UpdateBoundsFromWindow();
    // Anchored children follow, aligned ones realign.
    void ClientSizeChanged();
    bool HasGraphicChildren() const;

private:
    friend LRESULT ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    void ReflectToChild(TMessage& Message, HWND Child);
};

// A control without a window of its own, drawn on its parent's.
class TGraphicControl : public TControl {
    TESSARO_CLASSINFO
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas& Canvas() { return *FCanvas; }
    // Draws the control on DC, whose origin is the control's top left. The
    // parent's painting sends WM_PAINT with the DC, which ends here.
    void PaintTo(HDC DC);

protected:
    virtual void Paint() {}
    std::unique_ptr<TCanvas> FCanvas;
};

// A window that paints itself through Paint on its Canvas.
// How a control follows its action's caption and hint, one class per control
// kind. ActionChange keeps what is common (LinkActionClient and the link
// state) and asks the link whether a changed caption or hint still reaches
// the control and to set it, so a kind, or a layer above the library, may
// compare and set other texts.
class TControlActionLink {
public:
    explicit TControlActionLink(TControl* Client) : FClient(Client) {}
    virtual ~TControlActionLink() = default;
    TControl* Client() const { return FClient; }
    // The library's rule: every change of the action's caption or hint reaches the control.
    virtual bool IsCaptionLinked(TCustomAction* Action);
    virtual bool IsHintLinked(TCustomAction* Action);
    virtual void SetCaption(const std::string& Value);
    virtual void SetHint(const std::string& Value);

protected:
    TControl* FClient;
};

class TWinControlActionLink : public TControlActionLink {
public:
    using TControlActionLink::TControlActionLink;
};

class TCustomControl : public TWinControl {
    TESSARO_CLASSINFO
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas& Canvas() { return *FCanvas; }
    TNotifyEvent OnPaint;

protected:
    virtual void Paint();
    void PaintWindow(HDC DC) override;
    std::unique_ptr<TCanvas> FCanvas;
};

// The control whose window this is (nullptr for other windows).
TWinControl* FindControl(HWND Handle);
// The window property under which the library tags its windows with their control.
const char* ControlPropName();
// Sends CM_MOUSELEAVE and CM_MOUSEENTER (LParam: the control) when the control
// under the mouse changed; the application's idle time calls it, mouse moves
// over the library's windows do too.
void MouseIdle();
// Told whenever the control under the mouse changed (the application's hints).
extern std::function<void(TControl*)> MouseControlChanged;
// The control under the mouse, nullptr when none.
TControl* CurrentMouseControl();
// The short hint is the text before '|', the long one the text after it (all
// of it without '|').
std::string GetShortHint(const std::string& Hint);
std::string GetLongHint(const std::string& Hint);
// ShowHint as the control has it, or as its parents do while ParentShowHint.
bool EffectiveShowHint(const TControl* Control);
// The form a control sits on, nullptr when none.
TCustomForm* GetParentForm(TControl* Control);
// The window procedure of every class-library window class.
LRESULT ControlWindowProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Registers the window class Name: a superclass of Base, or a plain class.
// Returns the procedure unhandled messages go to.
WNDPROC RegisterControlClass(const std::string& Name, const std::string& Base, UINT ClassStyle);
// Where exceptions raised inside a window procedure go (the application's
// handler; set by the application object). Unset, they are written to stderr.
extern std::function<void(const std::exception_ptr&)> ControlExceptionHandler;
// A drag image list going away is forgotten by a running drag.
void DragImageListDestroyed(TDragImageList* List);
// Colour value to a GDI COLORREF (system colours resolved).
COLORREF ColorToCOLORREF(TColor Color);

// The class tables of this unit.
void RegisterControlClasses();
// Helpers for class tables of controls (also for other units' classes).
namespace ControlProps {
TColor ReadColor(TFormReader& R, const TFormValue& V);
TCursor ReadCursor(TFormReader& R, const TFormValue& V);
void DefineFont(TClassInfo& C, TFont& (*Get)(TPersistent&), const std::string& Prefix = "Font");
}  // namespace ControlProps
