// The base of every control skin: an object between a child control's window
// and its own message handling. It attaches either to a class-library control
// (by replacing its WindowProc) or to a raw window (by replacing its window
// procedure), lets each message pass a hook before and after the control's
// handling, and paints the control from the skin. Also the helpers that read
// and write published properties by name, for control classes the skins do
// not know when they are built.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/controls.h"
#include "platform/classlib/graphics.h"
#include "platform/rtl/sets.h"
#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "skin/skin_manager.h"

// The two private messages only control skins use; the skin engine's others
// (SKIN_QUERY, SKIN_RECREATESCROLL, SKIN_PAINTCONTROL, SKIN_PAINTFORM ...)
// are in skin_manager.h.
constexpr UINT SKIN_SWITCHCONTROL = 0x3506;  // WParam > 0: skin on, else drawn natively
constexpr UINT SKIN_TABCLOSE = 0x3507;       // a tab's close box; a result of 1 keeps the tab

class TSkinControl;

// What a control skin needs of the form skin that attached it: the list of
// the window's control skins. The form skin of a window derives from it.
class TControlSkinHost {
public:
    virtual ~TControlSkinHost() = default;
    // True when Skin was listed already, else adds it.
    bool AddControlSkin(TSkinControl* Skin);
    // Removes Skin, searched from the end.
    void RemoveControlSkin(TSkinControl* Skin);
    std::vector<TSkinControl*> ControlSkins;
    // The skinned window, which hears SKIN_RECREATESCROLL.
    virtual HWND HostWindow() const = 0;
};

enum TSkinMouseStateItem { msHot, msPressed };
using TSkinMouseState = TSet<TSkinMouseStateItem>;

class TSkinControl : public TComponent {
public:
    explicit TSkinControl(TComponent* AOwner);
    ~TSkinControl() override;

    TSkinMouseState MouseState;
    TCanvas* Canvas = nullptr;  // lent by the form skin
    bool Enabled = false;
    bool Focused = false;
    std::u16string Caption;
    WNDPROC WndProcInstance = nullptr;
    WNDPROC OldWndProc = nullptr;
    bool Active = true;
    bool UnicodeWindow = false;
    TSkinData* SkinData = nullptr;
    HWND Handle = nullptr;
    TWndMethod OldWindowProc;
    TControl* Control = nullptr;
    TRect WindowRect;
    TControl* GraphicControl = nullptr;
    bool SetColor = false;
    TColor SavedColor = 0;
    bool Attached = false;
    // 0 made, 1 attached, 2 detached (panel skin), 6 the window got WM_NCDESTROY.
    int32_t LifeState = 0;
    TControlSkinHost* SkinForm = nullptr;
    int32_t Mode = 0;
    bool ParentBackgroundWasOn = false;

    virtual void AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor);
    virtual void AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas);
    virtual void Detach();
    // True lets the message go on to the previous handling (then AfterMessage).
    virtual bool BeforeMessage(TMessage& Message);
    virtual void AfterMessage(TMessage& Message);
    // Paints the whole window area through Draw (Dc 0: the window's DC).
    virtual void PaintFrame(HDC Dc);
    virtual void Draw(HDC Dc, const TRect& R);
    virtual void SkinChanged();
    // The last skin picture drawn whole at the control's size.
    TKeptSkinImage KeptImage;

    // Every message of the skinned window arrives here.
    void SkinWndProc(TMessage& Message);
    LRESULT CallPrevious(TMessage& Message);
    void Redraw();
    void SendMouseLeave();
    LONG_PTR GetWindowLongAW(HWND Window, int Index);
    // The Color of the control's parent when it publishes one, else Default.
    TColor ParentColor(TColor Default);
    void SwitchParentBackground(bool On);
    // The control's own mouse-down handling for a left press kept from it.
    void ForwardMouseDown(const TMessage& Message);
};

// ---- Published properties by name (nil objects and missing properties are absent) ----
// -1 when absent or not of integer kind.
int32_t GetIntegerPropValue(TObject* Obj, const std::string& Name);
// The value name of an enumeration ("True"/"False" for a Boolean); empty when absent.
std::string GetEnumPropName(TObject* Obj, const std::string& Name);
// A string property as wide text; empty when absent.
std::u16string GetStrPropWide(TObject* Obj, const std::string& Name);
// The object a property holds when it is a T; nullptr otherwise.
TObject* GetObjectPropValue(TObject* Obj, const std::string& Name);
template <class T>
T* GetObjectPropByName(TObject* Obj, const std::string& Name) {
    return dynamic_cast<T*>(GetObjectPropValue(Obj, Name));
}
// Integer (EConvertError for text that is no integer), enumeration by value
// name, or string; nothing for an absent property or another kind.
void SetPropFromText(TObject* Obj, const std::string& Name, const std::string& Text);

// ---- Window helpers -----------------------------------------------------------
std::u16string GetWindowTextWide(HWND Window);
// A popup: WS_POPUP, or a window whose parent is the desktop window (or none).
bool IsPopupWindow(HWND Window);
// Target takes Source's size and pixel format and its pixels.
void CopyBitmapInto(TBitmap& Source, TBitmap& Target);
