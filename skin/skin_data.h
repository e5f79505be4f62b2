// The skin component the main window carries: it keeps its settings and the
// skin stored with the form, and parses that skin when the form is read.
// Skinning the application's windows comes with the skin manager.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/classes_ext.h"
#include "platform/rtl/classes.h"
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

class TSkinReader;
class TQuickIni;

class TSkinData : public TComponent {
    TESSARO_CLASSINFO
public:
    explicit TSkinData(TComponent* AOwner);
    ~TSkinData() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    // The kind of form skinned (the main form's), as stored.
    std::string SkinFormtype;
    // Options and the kinds of controls to skin; an unknown name in a form is an error.
    TSkinOptions Options;
    TSkinControlTypes SkinControls;
    // Windows whose Tag equals this are left unskinned.
    int32_t DisableTag = 99;

    // The skin file's bytes, kept as stored in the form (position 0).
    TMemoryStream& SkinStream() { return *FSkinStream; }
    void LoadFromStream(TStream& Stream);
    void LoadFromFile(const std::string& FileName);
    bool Empty() { return FSkinStream->Size() == 0; }
    // After the form is read: parses the stored skin when there is one.
    void Loaded() override;

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

    // Reads the skin file held in SkinStream: False (SkinEmpty stays True)
    // when its container cannot be read.
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
    std::unique_ptr<TMemoryStream> FSkinStream;
};

// A colour text: up to three decimal numbers (red, green, blue), any other
// character between them; each channel modulo 256.
TColor ParseSkinColour(const std::string& Text);

void RegisterSkinClasses();
