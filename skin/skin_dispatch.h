// The child-control dispatch: when a window is skinned, each child control
// gets the control skin that fits it. Class-library controls go by class
// (tested by name along the class tables) and the skin data's SkinControls
// bits; classes the skin data's Skin3rd list names go by the kind given
// there; raw child windows go by window class and style. Also the tool-bar
// custom-draw handlers and the re-creation of a scroll-bar skin.
#pragma once

#include <functional>
#include <string>

#include "platform/classlib/toolbar.h"
#include "skin/skin_control.h"

class TCustomForm;
class TMenuItem;

class TControlDispatch {
public:
    // RawOwner owns the skins of raw windows (the form skin).
    TControlDispatch(TControlSkinHost& Host, TSkinData& Data, TComponent* RawOwner, TCanvas* Canvas = nullptr);

    // Purges destroyed windows' skins, then skins the form's components and
    // every control of its tab order.
    void SkinFormControls(TCustomForm* Form);
    // Every TControl the container owns; Container may be any component.
    void SkinComponents(TComponent* Container);
    void SkinChildControls(TWinControl* Control);
    void SkinChildWindows(HWND Window);
    void SkinControl(TControl* Control, TComponent* Container);
    // True when the Skin3rd list decided for the class (upper-cased Name).
    bool SkinBySkin3rdList(TControl* Control, const std::string& Name);
    void SkinWindowByClassName(HWND Window);
    // SKIN_RECREATESCROLL: the last skin of Window is replaced by a new one
    // for the control's new window.
    void RecreateScrollbarSkin(HWND Window);

    bool IsControlSkinned(TControl* Control);
    bool IsWindowSkipped(TWinControl* Control);
    TSkinControl* FindControlSkinByWindow(HWND Window);
    void PurgeControlSkins();
    // Detaches every skin whose window still exists, then frees them all.
    void DetachControlSkins();

    // The tool-bar handlers, installed by the dispatch where a tool bar has none.
    void ToolbarBackground(TToolBar* Sender, TCanvas& Canvas, const TRect& R, bool& DefaultDraw);
    void ToolbarButton(TToolBar* Sender, TToolButton* Button, TCanvas& Canvas, TCustomDrawState State,
                       bool& DefaultDraw);
    // The form skin's state for the button handler: 1 while settled.
    std::function<int()> HostState;
    // Whether the form skin draws the window's frame; tool buttons' menus get
    // the skinned item handlers only then.
    std::function<bool()> FrameSkinned;
    // Gives a menu item and its sub-items the skinned item handlers.
    std::function<void(TMenuItem*)> SkinMenuItemTree;

private:
    TControlSkinHost& FHost;
    TSkinData& FData;
    TComponent* FRawOwner;
    TCanvas* FCanvas;
    // Attaches a new skin of class S owned by Control.
    template <class S>
    S* Attach(TControl* Control, bool SetColor = false);
    template <class S>
    S* AttachScrolling(TControl* Control, int Mode = 0);
    template <class S>
    S* AttachRaw(HWND Window);
    // The buttons of a Skin3rd radio group (GlyphKind 2) or check group (1);
    // Name: the group's class name in upper case.
    // TSkinObjImage of the given Kind, with the face colour.
    void AttachGlyphStrips(TControl* Control, int GlyphKind);
    void SkinGroupButtons(TWinControl* Group, const std::string& Name, int GlyphKind);
};

// Classes the class rows cannot know (they come from other libraries): a
// program registers each class it places, by its exact class name, for the
// row that skins it. Nothing is registered by default.
enum TDispatchKind {
    dkNone,
    dkPassOver,               // never skinned by the class rows
    dkContainerOnly,          // its child controls are skinned, it is not
    dkGlyphCheckBox,          // glyph strips handed over (TSkinObjImage Kind 1)
    dkGlyphRadioButton,       // the same for a radio button (Kind 2)
    dkPropertiesGlyphCheckBox,  // a glyph held by its Properties object (Kind 3)
    dkScrollingEditor,        // skinned scroll bars, tried before the glyph buttons
    dkScrollingGrid,          // skinned scroll bars, tried after the panels
    dkButtonEdit,             // an edit whose published NumButtons makes it a combo box
};
void RegisterDispatchKind(const std::string& ClassName, TDispatchKind Kind);
void UnregisterDispatchKind(const std::string& ClassName);
TDispatchKind DispatchKindOf(const std::string& ClassName);

// Classes of other libraries that one Skin3rd kind covers with two looks; a
// program lists the classes it places (none are listed by default).
// "bitbtn": a control of class ClassName whose published enumeration "Kind"
// reads KindName is a drop-down button and gets TSkinMenuButton.
void RegisterDropDownButtonKind(const std::string& ClassName, const std::string& KindName);
// "radiogroup" and "checkgroup": the buttons of a group whose class name
// contains Mark (any case) show glyph strips of their own (TSkinObjImage).
void RegisterGlyphStripGroup(const std::string& Mark);

// A control answering the skinned-or-not query.
bool IsScrollingControl(TControl* Control);
// Raw "button" windows by their type (style and 0xF): 1 check box, 2 radio
// button, 0 none (group box, owner-drawn), 3 push button.
int RawButtonKind(DWORD Style);
