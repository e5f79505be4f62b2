// The skin component the main window carries: it keeps its settings and the
// skin stored with the form, and parses that skin when the form is read.
// Skinning the application's windows comes with the skin manager.
#pragma once

#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/rtl/classes.h"
#include "platform/win/winuser.h"
#include "skin/skin_parts.h"

#include "platform/rtl/sets.h"

// The kinds of controls a skin may dress.
enum TSkinControlType {
    xcMainMenu, xcPopupMenu, xcMenuItem, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress,
    xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab,
    xcTrackBar, xcSystemMenu, xcFastReport
};
using TSkinControlTypes = TSet<TSkinControlType>;
enum TSkinOption {
    xoMDIScrollbar, xoMenuMerge, xoTransparent, xoPreview, xoParentBackGround, xoNoFocusRect, xoToolbarBK,
    xoToolbarButton, xoMDIChildBorder, xoMenuBG, xoFormScrollbar
};
using TSkinOptions = TSet<TSkinOption>;

enum TSkinFormType { sfMainform, sfOnlyThisForm, sfDialog, sfDLL };

class TSkinData;
class TControl;
class TImageList;
class TSkinReader;
class TQuickIni;

// A handler may veto skinning a window of class aName.
using TOnFormSkin = std::function<void(TObject* Sender, const std::string& aName, bool& DoSkin)>;
using TOnSkinForm = std::function<void(TObject* Sender, HWND ahwnd, const std::string& aName)>;
using TOnSkinControl = std::function<void(TComponent* Sender, TSkinData* SkinData, TControl* Form, TControl* Control,
                                          const std::string& ControlClass, TComponent*& SkinnedControl)>;

class TSkinData : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TSkinData(TComponent* AOwner);
    ~TSkinData() override;

    // ---- Settings (the form file's properties) -----------------------------------
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    // Controls and popup menus whose Tag equals this are left unskinned.
    int32_t DisableTag = 99;
    TSkinControlTypes SkinControls;
    TSkinOptions Options;
    // Lines "class name=kind": other control classes and the skin each gets.
    TStrings& Skin3rd() { return *FSkin3rd; }
    void SetSkin3rd(const TStrings& Value);
    const std::string& SkinFile() const { return FSkinFile; }
    // At run time a file that exists is loaded and applied at once.
    void SetSkinFile(const std::string& Value);
    // "(none)"; "(Good)" while designing with a skin held. Writing it does nothing.
    std::string SkinStore() const;
    TSkinFormType SkinFormtype = sfMainform;
    std::string Version() const { return "4.93.11.13"; }
    bool MenuUpdate = true;
    bool MenuMerge = false;
    TOnFormSkin OnFormSkin;
    TNotifyEvent OnSkinChanged;
    TOnSkinControl OnSkinControl;
    TOnSkinForm OnBeforeSkinForm, OnAfterSkinForm;

    // The skin file's bytes, as stored with the form (position 0).
    TMemoryStream& SkinStream() { return *FSkinStream; }
    // The stored property: a signed 32-bit count, then that many bytes. Reading
    // loads the skin at run time.
    void ReadSkinStream(TStream& Stream);
    void WriteSkinStream(TStream& Stream);

    // Run time: the skin manager takes the component here (main form: the
    // window hook, skinning every window when Active); then the control kinds
    // are settled and AppIcon is built.
    void Loaded() override;
    // A skin loaded at run time is handed to the skin manager.
    void ApplySkinChange();
    // Records Window; OnFormSkin decides when assigned, else the month
    // calendar and (with xcFastReport) the registered report window classes
    // are refused.
    void FilterFormSkin(HWND Window, const std::string& ClassName, bool& DoSkin);
    void SkinChangedNotify();
    void AddDefaultSkin3rd();
    // The application window's small icon on magenta; kept as it was when
    // there is no icon.
    void BuildAppIcon();

    // ---- The parsed skin --------------------------------------------------------
    // True until a skin has been parsed to its end.
    bool SkinEmpty = true;
    TColor ColWindowText = 0, ColTitleTextActive = 0, ColTitleTextNoActive = 0, ColButtonFace = 0,
           ColButtonText = 0, ColButtonHilight = 0, ColButtonLight = 0, ColButtonShadow = 0, ColButtonDkShadow = 0,
           ColHilightText = 0, ColHilight = 0, ColMenubar = 0, ColMenuBarText = 0, ColMenuText = 0, ColMenu = 0;
    TColor ColFrame = 0;                 // sampled from the top border
    std::vector<TColor> SectionColours;  // one per COLOUR... section
    std::unique_ptr<TDataSkinTitle> Title;
    std::vector<std::unique_ptr<TDataSkinSysButton>> SysButtons;
    std::unique_ptr<TDataSkinButton> Button;
    enum TBorderSide { bsLeft, bsRight, bsTop, bsBottom };
    std::array<std::unique_ptr<TDataSkinBorder>, 4> Borders;
    // Parts of the skin's sections, nil while the skin lacks them.
    std::unique_ptr<TDataSkinBorder> Tabs, UpDownHorz, UpDownVert, ComboButton, Progress;
    std::unique_ptr<TDataSkinBoxLabel> GroupBox;
    std::unique_ptr<TDataSkinObject> SunkEdge, ExtraImages, GroupBoxEdge, ToolBars, ProgressChunk, StatusBarEdges,
        TabPane, Headerbar, MenuBar, MenuItem, MenuBackground, Scrollbar, HorzScroll, VertScroll, HorzScrollThumb,
        VertScrollThumb, TrackThumbHorz, TrackThumbVert, TrackThumbLeft, TrackThumbRight, TrackThumbUp,
        TrackThumbDown, Track, TrackVert;
    // Parts made from others; kept from one skin to the next.
    std::unique_ptr<TDataSkinObject> ComboArrow, Toolbar;
    HBRUSH FaceBrush = nullptr;
    std::unique_ptr<TBitmap> AppIcon;
    // Restore, maximise, minimise and close, 16 x 16 each, white transparent.
    std::unique_ptr<TImageList> MenuGlyphs;
    bool FramePaintEnabled = true;
    HWND LastFilteredWindow = nullptr;

    // Reads the skin file held in SkinStream: False (SkinEmpty stays True)
    // when its container cannot be read, and at once while designing.
    bool LoadSkin();
    // The skin description into the parts; needs the reader and the INI text
    // of a load in progress.
    void ParseSkin();
    // The entry the INI value names, when it names a ".bmp" file; else cleared.
    void LoadSkinBitmap(TBitmap& Bitmap, const std::string& FileName);
    TColor ReadColourText(const std::string& Text, TColor Default);

private:
    void ReadFrameBorders();
    void ReadColours();
    void ReadSysButtons();
    void ReadMDIButtons();
    void ReadButtons();
    void ReadTitle();
    void ReadSectionParts();
    void ReadPart(TDataSkinObject& Part, const std::string& Section, const std::string& ImageKey);
    void ReadPartWithGlyph(TDataSkinBorder& Part, const std::string& Section, const std::string& ImageKey,
                           const std::string& GlyphKey);
    void ReadProgressPart(TDataSkinBorder& Part, const std::string& Section, const std::string& ImageKey);
    void ReadBoxLabelPart(TDataSkinBoxLabel& Part, const std::string& Section, const std::string& ImageKey);
    void ReadMenuBar(TDataSkinObject& Part, const std::string& Section, const std::string& ImageKey);
    std::unique_ptr<TDataSkinObject> LoadBuiltInPart(const std::string& Name);
    void SetFrameCounts();
    void BuildComboFrames();
    void BuildComboArrow();
    void BuildToolbarPart();
    TColor SampleFrameColour();
    std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default = "");
    int ReadInteger(const std::string& Section, const std::string& Key, int Default);

    // While a skin is loaded only.
    TSkinReader* FReader = nullptr;
    TQuickIni* FIni = nullptr;
    TMemoryStream* FExtract = nullptr;
    std::vector<std::string> FSections;

    bool FActive = false;
    std::string FSkinFile;
    std::unique_ptr<TStringList> FSkin3rd;
    std::unique_ptr<TMemoryStream> FSkinStream;
};

// A colour text: up to three decimal numbers (red, green, blue), any other
// character between them; each channel modulo 256.
TColor ParseSkinColour(const std::string& Text);

// The skin engine's ANSI code page (0: the system's) and whether windows take
// wide text (the platform is of the NT family); the skin manager sets both.
extern UINT SkinCodePage;
extern bool UnicodePlatform;

std::u16string StringToWideInCodePage(const std::string& Text);
// The whole zero-terminated text for Count -1, else its first Count characters.
std::u16string PWideCharToWideString(const WCHAR* Text, int Count);
int DrawWideText(HDC DC, const std::u16string& Text, RECT* Rect, UINT Format);
// The class library's control of a window (nullptr for 0 and foreign windows).
TControl* ControlFromWindowProp(HWND Window);
bool SafeGetScrollBarInfo(HWND Window, LONG ObjectId, SCROLLBARINFO* Info);
// Asks for WM_MOUSELEAVE when the mouse leaves Window.
void TrackMouseLeave(HWND Window);

void RegisterSkinClasses();
