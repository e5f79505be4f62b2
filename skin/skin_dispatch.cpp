#include "skin/skin_dispatch.h"

#include <algorithm>
#include <map>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/menus.h"
#include "platform/classlib/stdctrls.h"
#include "platform/rtl/sysutils.h"
#include "skin/skin_buttons.h"
#include "skin/skin_check_boxes.h"
#include "skin/skin_containers.h"
#include "skin/skin_edits.h"
#include "skin/skin_frames.h"
#include "skin/skin_media_player.h"
#include "skin/skin_range_controls.h"
#include "skin/skin_scrollbars.h"
#include "skin/skin_tabs.h"

namespace {

bool Is(TControl* C, const char* ClassName) { return ObjectInheritsFrom(C, ClassName); }

std::string ClassOfWindow(HWND W) {
    char Name[101] = {};
    GetClassNameA(W, Name, 100);
    return LowerCase(Name);
}

struct TDropDownButtonKind {
    std::string ClassName, KindName;  // lower case
};
std::vector<TDropDownButtonKind>& DropDownButtonKinds() {
    static std::vector<TDropDownButtonKind> List;
    return List;
}
std::vector<std::string>& GlyphStripGroups() {
    static std::vector<std::string> List;  // upper case
    return List;
}

std::map<std::string, TDispatchKind>& DispatchKinds() {
    static std::map<std::string, TDispatchKind> Kinds;  // upper-case class names
    return Kinds;
}

// Name: the control's class name in upper case.
bool IsDropDownButton(TControl* Control, const std::string& Name) {
    std::string Class = LowerCase(Name);
    for (const auto& K : DropDownButtonKinds())
        if (K.ClassName == Class) return LowerCase(GetEnumPropName(Control, "Kind")) == K.KindName;
    return false;
}

bool IsGlyphStripGroup(const std::string& Name) {
    return std::any_of(GlyphStripGroups().begin(), GlyphStripGroups().end(),
                       [&](const std::string& Mark) { return Name.find(Mark) != std::string::npos; });
}

}  // namespace

void RegisterDispatchKind(const std::string& ClassName, TDispatchKind Kind) {
    if (Kind == dkNone)
        UnregisterDispatchKind(ClassName);
    else
        DispatchKinds()[UpperCase(ClassName)] = Kind;
}

void UnregisterDispatchKind(const std::string& ClassName) { DispatchKinds().erase(UpperCase(ClassName)); }

TDispatchKind DispatchKindOf(const std::string& ClassName) {
    auto It = DispatchKinds().find(UpperCase(ClassName));
    return It == DispatchKinds().end() ? dkNone : It->second;
}

void RegisterDropDownButtonKind(const std::string& ClassName, const std::string& KindName) {
    DropDownButtonKinds().push_back({LowerCase(ClassName), LowerCase(KindName)});
}

void RegisterGlyphStripGroup(const std::string& Mark) {
    if (!Mark.empty()) GlyphStripGroups().push_back(UpperCase(Mark));
}

bool IsScrollingControl(TControl* Control) {
    auto* W = dynamic_cast<TWinControl*>(Control);
    if (!W) return false;
    if (Is(Control, "TCustomMemo")) return true;
    if (!W->HandleAllocated()) return false;
    auto Style = static_cast<DWORD>(GetWindowLongW(W->Handle(), GWL_STYLE));
    return Style & (WS_HSCROLL | WS_VSCROLL);
}

int RawButtonKind(DWORD Style) {
    switch (Style & 0xF) {
        case 2: case 3: case 5: case 6: return 1;   // check boxes
        case 4: case 9: return 2;                   // radio buttons
        case 7: case 0xB: return 0;                 // group box, owner-drawn
        default: return 3;                          // push buttons
    }
}

TControlDispatch::TControlDispatch(TControlSkinHost& Host, TSkinData& Data, TComponent* RawOwner, TCanvas* Canvas)
    : FHost(Host), FData(Data), FRawOwner(RawOwner), FCanvas(Canvas) {}

template <class S>
S* TControlDispatch::Attach(TControl* Control, bool SetColor) {
    auto* Skin = new S(Control);
    Skin->AttachControl(&FHost, &FData, FCanvas, SetColor);
    return Skin;
}

template <class S>
S* TControlDispatch::AttachScrolling(TControl* Control, int Mode) {
    auto* W = dynamic_cast<TWinControl*>(Control);
    if (!W) return nullptr;
    auto* Skin = new S(Control);
    Skin->Mode = Mode;
    Skin->AttachScrolling(W, &FData, &FHost, FCanvas);
    return Skin;
}

template <class S>
S* TControlDispatch::AttachRaw(HWND Window) {
    // A raw window has no object to own its skin; the form skin does.
    auto* Skin = new S(FRawOwner);
    Skin->AttachWindow(Window, &FData, &FHost, FCanvas);
    return Skin;
}

// ---- Lists ----------------------------------------------------------------------------------------
bool TControlDispatch::IsControlSkinned(TControl* Control) {
    if (!Control) return false;
    if (Control->Perform(SKIN_QUERY, 0, 0) == 1) return true;
    return std::any_of(FHost.ControlSkins.begin(), FHost.ControlSkins.end(), [&](TSkinControl* S) {
        return S->Control == Control || S->GraphicControl == Control || S->Owner() == Control;
    });
}

bool TControlDispatch::IsWindowSkipped(TWinControl* Control) {
    if (!Control->HandleAllocated()) return true;
    if (Control->Tag == FData.DisableTag) return true;
    if (Control->Perform(SKIN_QUERY, 0, 0) == 1) return true;
    return FindControlSkinByWindow(Control->Handle()) != nullptr;
}

TSkinControl* TControlDispatch::FindControlSkinByWindow(HWND Window) {
    for (TSkinControl* S : FHost.ControlSkins)
        if (S->Handle == Window) return S;
    return nullptr;
}

void TControlDispatch::PurgeControlSkins() {
    std::vector<TSkinControl*> Gone;
    for (TSkinControl* S : FHost.ControlSkins)
        if (S->LifeState == 6) Gone.push_back(S);
    for (TSkinControl* S : Gone) S->Free();  // each leaves the list as it goes
}

void TControlDispatch::DetachControlSkins() {
    std::vector<TSkinControl*> All = FHost.ControlSkins;
    for (TSkinControl* S : All) {
        if (S->LifeState != 6) S->Detach();
        if (auto* Bar = dynamic_cast<TToolBar*>(S->Control)) {
            Bar->OnCustomDrawButton = nullptr;
            Bar->OnCustomDraw = nullptr;
        }
    }
    for (TSkinControl* S : All) S->Free();
    FHost.ControlSkins.clear();
}

// ---- Controls of the class library ------------------------------------------------------------------
void TControlDispatch::SkinFormControls(TCustomForm* Form) {
    PurgeControlSkins();
    SkinComponents(Form);
    std::vector<TWinControl*> List;
    Form->GetTabOrderList(List);
    for (TWinControl* W : List)
        if (!IsWindowSkipped(W)) SkinControl(W, Form);
}

void TControlDispatch::SkinComponents(TComponent* Container) {
    std::vector<TControl*> Controls;
    for (int I = 0; I < Container->ComponentCount(); ++I)
        if (auto* C = dynamic_cast<TControl*>(Container->Components(I))) Controls.push_back(C);
    for (TControl* C : Controls) SkinControl(C, Container);
}

void TControlDispatch::SkinChildControls(TWinControl* Control) {
    std::vector<TControl*> Children;
    for (int I = 0; I < Control->ControlCount(); ++I) Children.push_back(Control->Controls(I));
    for (TControl* C : Children) SkinControl(C, Control);
}

void TControlDispatch::SkinControl(TControl* Control, TComponent* Container) {
    if (!Control) return;
    const TSkinControlTypes& On = FData.SkinControls;
    if (Control->Tag == FData.DisableTag) {
        // The buttons of a disabled group stay unskinned too.
        auto* W = dynamic_cast<TWinControl*>(Control);
        std::string Name = LowerCase(Control->ClassName());
        if (W && (Name.find("radiogroup") != std::string::npos || Name.find("checkgroup") != std::string::npos))
            for (int I = 0; I < W->ControlCount(); ++I) W->Controls(I)->Tag = FData.DisableTag;
        return;
    }
    if (!Control->Parent() || IsControlSkinned(Control)) return;
    std::string Name = UpperCase(Control->ClassName());
    if (auto* W = dynamic_cast<TWinControl*>(Control)) {
        try {
            W->HandleNeeded();
        } catch (const std::exception&) {
            return;
        }
    }
    if (FData.OnSkinControl) {
        TComponent* Given = nullptr;
        FData.OnSkinControl(nullptr, &FData, dynamic_cast<TControl*>(Container), Control, Name, Given);
        if (auto* S = dynamic_cast<TSkinControl*>(Given)) {
            if (!FHost.AddControlSkin(S)) S->AttachControl(&FHost, &FData, FCanvas, S->SetColor);
            if (auto* P = dynamic_cast<TWinControl*>(Control); P && Is(Control, "TCustomPanel")) SkinChildControls(P);
            return;
        }
    }
    if (SkinBySkin3rdList(Control, Name)) return;

    // Step 6: classes registered as never skinned by the rows below.
    const TDispatchKind Kind = DispatchKindOf(Name);
    if (Kind == dkPassOver) return;

    // The first matching row with its bit on; a row whose bit is off lets the
    // next rows try.
    bool TabPart = FData.Tabs != nullptr;
    auto* W = dynamic_cast<TWinControl*>(Control);
    if (Is(Control, "TCustomTabControl") && TabPart && On.Contains(xcTab)) {
        if (!Is(Control, "TPageControl")) {
            auto* T = new TSkinTab(Control);
            T->Mode = 2;
            T->AttachControl(&FHost, &FData, FCanvas, /*ASetColor=*/false);
        } else if (auto* Tc = dynamic_cast<TCustomTabControl*>(Control); Tc && Tc->Style() != tsTabs) {
            Attach<TSkinTabBtn>(Control);
        } else {
            Attach<TSkinTab>(Control);
        }
    } else if (Is(Control, "TToolButton") && FrameSkinned && FrameSkinned()) {
        // A tool button has no skin of its own; the menu it opens is drawn
        // like the window's menus.
        if (TMenuItem* Item = static_cast<TToolButton*>(Control)->MenuItem(); Item && SkinMenuItemTree)
            SkinMenuItemTree(Item);
    } else if (Name == "TTABSET" && TabPart && On.Contains(xcTab)) {
        Attach<TSkinTab31>(Control);
    } else if (Is(Control, "TTabSheet") && TabPart && On.Contains(xcTab)) {
        Attach<TSkinTabSheet>(Control);
    } else if (Name == "TTABBEDNOTEBOOK" && TabPart && On.Contains(xcTab)) {
        Attach<TSkinTab>(Control);
    } else if (Kind == dkContainerOnly) {
        if (W) SkinChildControls(W);
    } else if (Is(Control, "TCustomCheckBox") && On.Contains(xcCheckBox)) {
        Attach<TSkinCheckBox>(Control);
    } else if (Is(Control, "TTrackBar") && On.Contains(xcTrackBar)) {
        Attach<TSkinTrackBar>(Control);
    } else if ((Name == "TUPDOWN" || Name == "TSPINBUTTON") && On.Contains(xcSpin)) {
        Attach<TSkinUpDown>(Control);
    } else if (Name == "TMEDIAPLAYER" && On.Contains(xcButton)) {
        Attach<TSkinMP>(Control);
    } else if (Name == "TDBNAVIGATOR" && On.Contains(xcPanel)) {
        Attach<TSkinBox>(Control, /*SetColor=*/true);
        if (W) {
            std::vector<TControl*> Children;
            for (int I = 0; I < W->ControlCount(); ++I) Children.push_back(W->Controls(I));
            for (TControl* C : Children) SkinControl(C, /*Container=*/nullptr);
        }
    } else if (Kind == dkGlyphCheckBox && On.Contains(xcCheckBox)) {
        AttachGlyphStrips(Control, 1);
    } else if (Kind == dkGlyphRadioButton && On.Contains(xcRadioButton)) {
        AttachGlyphStrips(Control, 2);
    } else if (Kind == dkPropertiesGlyphCheckBox && On.Contains(xcCheckBox)) {
        AttachGlyphStrips(Control, 3);
    } else if (Is(Control, "TCustomGroupBox") && On.Contains(xcPanel)) {
        SkinChildControls(static_cast<TWinControl*>(Control));
        Attach<TSkinGroupBox>(Control);
    } else if (Is(Control, "TToolBar") && On.Contains(xcToolbar)) {
        auto* Bar = static_cast<TToolBar*>(Control);
        SetPropFromText(Bar, "Flat", "True");
        if (!Bar->OnCustomDrawButton)
            Bar->OnCustomDrawButton = [this](TToolBar* S, TToolButton* B, TCanvas& C, TCustomDrawState St,
                                             bool& D) { ToolbarButton(S, B, C, St, D); };
        if (!Bar->OnCustomDraw)
            Bar->OnCustomDraw = [this](TToolBar* S, TCanvas& C, const TRect& R, bool& D) {
                ToolbarBackground(S, C, R, D);
            };
        Attach<TSkinBox>(Control);
        // A bar that publishes the menu it shows has its items drawn by the skin.
        if (auto* Menu = GetObjectPropByName<TMenu>(Bar, "Menu"); Menu && SkinMenuItemTree)
            for (int I = 0; I < Menu->Items()->Count(); ++I) SkinMenuItemTree(Menu->Items()->Items(I));
    } else if (Is(Control, "TCustomStatusBar") && On.Contains(xcStatusBar)) {
        Attach<TSkinStatusBar>(Control);
    } else if (Is(Control, "TProgressBar") && On.Contains(xcProgress)) {
        Attach<TSkinProgress>(Control);
    } else if (Name == "TUNICOMBOBOX" && On.Contains(xcCombo)) {
        Attach<TSkinComBox>(Control);
    } else if (Is(Control, "TCustomComboBox") && On.Contains(xcCombo)) {
        Attach<TSkinComBox>(Control);
    } else if (Name == "TRICHEDIT" && On.Contains(xcScrollbar)) {
        AttachScrolling<TSkinScrollbar>(Control);
    } else if (Kind == dkScrollingEditor && On.Contains(xcScrollbar)) {
        AttachScrolling<TSkinScrollbar>(Control);
    } else if (Is(Control, "TBitBtn")) {
        // A glyph button is never taken for a plain one.
        if (On.Contains(xcBitBtn)) Attach<TSkinBitButton>(Control);
    } else if (Is(Control, "TSpeedButton") && On.Contains(xcSpeedButton)) {
        auto* S = new TSkinSpeedButton(Control);
        S->AttachGraphicControl(&FHost, &FData, FCanvas);
    } else if (Is(Control, "TCustomPanel") && On.Contains(xcPanel)) {
        SkinChildControls(static_cast<TWinControl*>(Control));
        Attach<TSkinBox>(Control, /*SetColor=*/true);
    } else if (Kind == dkScrollingGrid && On.Contains(xcScrollbar)) {
        AttachScrolling<TSkinScrollbar>(Control);
    } else if (Is(Control, "TCustomListView") && On.Contains(xcScrollbar)) {
        AttachScrolling<TSkinListView>(Control);
    } else if (Is(Control, "TCustomMemo") && On.Contains(xcScrollbar)) {
        AttachScrolling<TSkinScrollbar>(Control);
    } else if (IsScrollingControl(Control) && On.Contains(xcScrollbar)) {
        AttachScrolling<TSkinScrollbar>(Control);
    } else if (Is(Control, "TButton") && On.Contains(xcButton)) {
        Attach<TSkinButton>(Control);
    } else if (Is(Control, "TCustomEdit") && On.Contains(xcEdit)) {
        Attach<TSkinEdit>(Control);
    } else if (Kind != dkButtonEdit && Is(Control, "TCustomForm")) {
        Attach<TSkinBox>(Control, /*SetColor=*/true);
        SkinComponents(Control);
    } else if (Kind == dkButtonEdit) {
        // One drop-down button makes it a combo box; without buttons it is a
        // plain edit, whose window the skin takes over.
        int32_t Buttons = GetIntegerPropValue(Control, "NumButtons");
        if (Buttons == 1 && On.Contains(xcCombo)) {
            Attach<TSkinComBox>(Control);
        } else if (Buttons == 0 && On.Contains(xcEdit) && W) {
            auto* S = new TSkinEdit(Control);
            S->AttachWindow(W->Handle(), &FData, &FHost, FCanvas);
        }
    }
}

void TControlDispatch::AttachGlyphStrips(TControl* Control, int GlyphKind) {
    auto* S = new TSkinObjImage(Control);
    S->Kind = GlyphKind;
    S->AttachControl(&FHost, &FData, FCanvas, /*ASetColor=*/true);
}

bool TControlDispatch::SkinBySkin3rdList(TControl* Control, const std::string& Name) {
    std::string Key = LowerCase(Name) + "=";
    std::string Kind;
    bool Found = false;
    TStrings& Lines = FData.Skin3rd();
    for (int I = 0; I < Lines.Count() && !Found; ++I) {
        std::string L = LowerCase(Lines.Get(I));
        if (L.compare(0, Key.size(), Key) == 0) {
            Kind = L.substr(L.find('=') + 1, 50);
            Found = true;
        }
    }
    if (!Found) return false;
    if (Kind == "nil") return true;
    const TSkinControlTypes& On = FData.SkinControls;
    auto* W = dynamic_cast<TWinControl*>(Control);
    if (Kind == "combobox" && On.Contains(xcCombo)) {
        Attach<TSkinComBox>(Control);
    } else if (Kind == "comboboxex" && On.Contains(xcCombo)) {
        Attach<TSkinComBox>(Control)->SimpleFrame = true;
    } else if (Kind == "edit" && On.Contains(xcEdit)) {
        if (W) {
            RECT Wr, Cr;
            GetWindowRect(W->Handle(), &Wr);
            GetClientRect(W->Handle(), &Cr);
            if (Wr.right - Wr.left != Cr.right || Wr.bottom - Wr.top != Cr.bottom) Attach<TSkinEdit>(Control);
        }
    } else if (Kind == "radiobutton" && On.Contains(xcRadioButton)) {
        Attach<TSkinRadioButton>(Control);
    } else if (Kind == "panel" && On.Contains(xcPanel)) {
        SetPropFromText(Control, "Transparent", "True");
        Attach<TSkinBox>(Control, /*SetColor=*/true);
    } else if (Kind == "trackbar" && On.Contains(xcButton)) {
        SetPropFromText(Control, "Transparent", "True");
        Attach<TSkinTrackBar>(Control);
    } else if (Kind == "button" && On.Contains(xcButton)) {
        Attach<TSkinButton>(Control);
    } else if (Kind == "bitbtn" && On.Contains(xcButton)) {
        if (IsDropDownButton(Control, Name))
            Attach<TSkinMenuButton>(Control);
        else
            Attach<TSkinBitButton>(Control);
    } else if (Kind == "pngbitbtn" && On.Contains(xcButton)) {
        auto* S = new TSkinBitButton(Control);
        S->GlyphProperty = "PngImage";
        S->AttachControl(&FHost, &FData, FCanvas, /*ASetColor=*/false);
    } else if (Kind == "pngspeedbutton" && On.Contains(xcButton)) {
        auto* S = new TSkinSpeedButton(Control);
        S->GlyphProperty = "PngImage";
        S->AttachGraphicControl(&FHost, &FData, FCanvas);
    } else if (Kind == "speedbutton" && On.Contains(xcSpeedButton)) {
        (new TSkinSpeedButton(Control))->AttachGraphicControl(&FHost, &FData, FCanvas);
    } else if (Kind == "menubtn" && On.Contains(xcButton)) {
        Attach<TSkinMenuButton>(Control);
    } else if (Kind == "tab" && On.Contains(xcTab) && FData.Tabs) {
        Attach<TSkinTab>(Control);
    } else if (Kind == "datetimepicker" && On.Contains(xcCombo)) {
        Attach<TSkinDateTime>(Control);
    } else if (Kind == "mediaplayer" && On.Contains(xcButton)) {
        Attach<TSkinMP>(Control);
    } else if (Kind == "advpagecontrol" && On.Contains(xcTab)) {
        auto* S = new TSkinAdvPage(Control);
        S->Variant = 4;
        S->AttachControl(&FHost, &FData, FCanvas, /*ASetColor=*/true);
    } else if (Kind == "progress" && On.Contains(xcProgress)) {
        Attach<TSkinProgress>(Control);
    } else if (Kind == "scrollbar" && On.Contains(xcScrollbar)) {
        AttachScrolling<TSkinScrollbar>(Control);
        if (W) SkinChildControls(W);
    } else if (Kind == "singlescrollbar" && On.Contains(xcScrollbar)) {
        AttachScrolling<TSkinScrollbar>(Control, 1);
    } else if (Kind == "embedscrollbar" && On.Contains(xcScrollbar)) {
        if (W)
            for (int I = 0; I < W->ControlCount(); ++I)
                if (IsScrollingControl(W->Controls(I)) && !IsControlSkinned(W->Controls(I)))
                    AttachScrolling<TSkinScrollbar>(W->Controls(I));
    } else if (Kind == "container") {
        if (W) SkinChildControls(W);
    } else if (Kind == "groupbox" && On.Contains(xcGroupBox)) {
        Attach<TSkinGroupBox>(Control, /*SetColor=*/true);
    } else if (Kind == "radiogroup" && On.Contains(xcGroupBox)) {
        if (W && On.Contains(xcRadioButton)) SkinGroupButtons(W, Name, 2);
        Attach<TSkinGroupBox>(Control, /*SetColor=*/true);
    } else if (Kind == "checkgroup" && On.Contains(xcPanel)) {
        if (W && On.Contains(xcRadioButton)) SkinGroupButtons(W, Name, 1);
        if (On.Contains(xcGroupBox)) Attach<TSkinGroupBox>(Control, /*SetColor=*/true);
    } else if (Kind == "checkbox" && On.Contains(xcCheckBox)) {
        Attach<TSkinCheckBox>(Control);
    }
    // Any other kind, or one whose bit is off: the list decided, no skin.
    return true;
}

void TControlDispatch::SkinGroupButtons(TWinControl* Group, const std::string& Name, int GlyphKind) {
    bool Strips = IsGlyphStripGroup(Name);
    std::vector<TControl*> Buttons;
    for (int I = 0; I < Group->ControlCount(); ++I) Buttons.push_back(Group->Controls(I));
    for (TControl* B : Buttons) {
        // A group that got no skin itself is met again on the next pass.
        if (IsControlSkinned(B)) continue;
        if (Strips) {
            AttachGlyphStrips(B, GlyphKind);
        } else if (GlyphKind == 2) {
            Attach<TSkinRadioButton>(B);
        } else {
            Attach<TSkinCheckBox>(B);
        }
    }
}

// ---- Raw windows ----------------------------------------------------------------------------------
void TControlDispatch::SkinChildWindows(HWND Window) {
    std::vector<HWND> Children;
    for (HWND C = GetTopWindow(Window); C; C = GetWindow(C, GW_HWNDNEXT))
        if (GetWindowLongW(C, GWL_STYLE) & WS_CHILD) Children.push_back(C);
    for (HWND C : Children) SkinWindowByClassName(C);
}

void TControlDispatch::SkinWindowByClassName(HWND Window) {
    if (!Window || FindControlSkinByWindow(Window)) return;
    std::string Class = ClassOfWindow(Window);
    auto S = static_cast<DWORD>(GetWindowLongW(Window, GWL_STYLE));
    const TSkinControlTypes& On = FData.SkinControls;
    if (Class == "button") {
        switch (RawButtonKind(S)) {
            case 1:
                if (On.Contains(xcCheckBox)) AttachRaw<TSkinCheckBox>(Window);
                break;
            case 2:
                if (On.Contains(xcRadioButton)) AttachRaw<TSkinRadioButton>(Window);
                break;
            case 3:
                if (On.Contains(xcButton)) AttachRaw<TSkinButton>(Window);
                break;
            default: break;
        }
    } else if (Class == "combobox") {
        if ((S & 3) != CBS_SIMPLE && On.Contains(xcCombo)) AttachRaw<TSkinComBox>(Window);
    } else if (Class == "comboboxex32") {
        // The skin goes on the inner combo box, which is then the window that has one.
        HWND Target = GetTopWindow(Window) ? GetTopWindow(Window) : Window;
        if (On.Contains(xcCombo) && !FindControlSkinByWindow(Target)) AttachRaw<TSkinComBox>(Target);
    } else if (Class == "scrollbar") {
        // Only a size grip; other raw bars keep their own painting.
        if (S & SBS_SIZEGRIP) AttachRaw<TSkinSizer>(Window);
    } else if (Class == "systreeview32") {
    } else if (Class == "#32770") {
        if (S & 0x10000) return;  // WS_TABSTOP: a page placed like a control, left as it is
        SkinChildWindows(Window);
        AttachRaw<TSkinBoxH>(Window);
    } else if (Class == "tpanel" || Class == "tunipanel.unicodeclass" || Class == "tunisilentpaintpanel.unicodeclass") {
        SkinChildWindows(Window);
        if (TControl* C = ControlFromWindowProp(Window)) C->SetColor(FData.ColButtonFace);
    } else if (Class == "tcheckbox") {
        if (On.Contains(xcCheckBox)) AttachRaw<TSkinCheckBox>(Window);
    } else if (Class == "tcombobox") {
        if (On.Contains(xcCombo)) AttachRaw<TSkinComBox>(Window);
    } else if (Class == "tbutton") {
        if (On.Contains(xcButton)) AttachRaw<TSkinButton>(Window);
    } else if (Class == "tprogressbar") {
        AttachRaw<TSkinProgress>(Window);
    } else if (Class == "tsilentpaintpanel") {
        if (TControl* C = ControlFromWindowProp(Window)) C->SetColor(FData.ColButtonFace);
    } else if (Class == "systabcontrol32") {
        if (!(S & TCS_OWNERDRAWFIXED) && On.Contains(xcTab) && FData.Tabs) AttachRaw<TSkinTab>(Window);
    } else if (Class == "toolbarwindow32") {
        AttachRaw<TSkinBoxH>(Window);
    } else if (Class == "edit") {
        if (On.Contains(xcEdit)) AttachRaw<TSkinEdit>(Window);
    }
}

void TControlDispatch::RecreateScrollbarSkin(HWND Window) {
    TSkinControl* Old = nullptr;
    for (auto It = FHost.ControlSkins.rbegin(); It != FHost.ControlSkins.rend(); ++It)
        if ((*It)->Handle == Window) {
            Old = *It;
            break;
        }
    if (!Old) return;
    TControl* Control = Old->Control;
    bool ListView = dynamic_cast<TSkinListView*>(Old) != nullptr;
    int Mode = Old->Mode;
    FHost.RemoveControlSkin(Old);
    Old->Free();
    if (!Control) return;
    if (ListView)
        AttachScrolling<TSkinListView>(Control, Mode);
    else
        AttachScrolling<TSkinScrollbar>(Control, Mode);
}

// ---- Tool bars ------------------------------------------------------------------------------------
void TControlDispatch::ToolbarBackground(TToolBar*, TCanvas& Canvas, const TRect& R, bool&) {
    TDataSkinObject* P = FData.Toolbar.get();
    if (!P || !P->Bitmap || P->Bitmap->Empty() || FData.Options.Contains(xoToolbarBK)) return;
    HDC Dc = Canvas.Handle();
    int Old = SetStretchBltMode(Dc, HALFTONE);
    StretchBlt(Dc, R.left, R.top, R.Width(), R.Height(), P->Bitmap->Canvas().Handle(), 0, 0, P->Bitmap->Width(),
               P->Bitmap->Height(), SRCCOPY);
    SetStretchBltMode(Dc, Old);
}

void TControlDispatch::ToolbarButton(TToolBar*, TToolButton* Button, TCanvas& Canvas, TCustomDrawState State,
                                     bool&) {
    TDataSkinButton* P = FData.Button.get();
    if (!P || !P->Bitmap || P->Bitmap->Empty() || FData.Options.Contains(xoToolbarButton)) return;
    if (HostState && HostState() != 1) return;
    int Frame = State.Contains(cdsSelected)                                                       ? 2
                : State.Contains(cdsFocused) || State.Contains(cdsHot)                            ? 4
                : !State.Contains(cdsGrayed) && !State.Contains(cdsDisabled) && State.Contains(cdsDefault) ? 1
                                                                                                   : 0;
    if (Frame == 0) return;
    if (Frame == 1 && P->HasNormalColour2) Canvas.Font().SetColor(P->NormalColour2);
    if (Frame == 4 && P->HasMouseOverColour2) Canvas.Font().SetColor(P->MouseOverColour2);
    if (Frame == 2 && P->HasPressedColour2) Canvas.Font().SetColor(P->PressedColour2);
    // The class library hands over the button's own canvas; a canvas of the
    // whole bar takes the button where it sits.
    TRect R = &Canvas == &Button->Canvas() ? TRect(0, 0, Button->Width(), Button->Height()) : Button->BoundsRect();
    InflateRect(&R, -1, -1);
    DrawSkinImage(Canvas.Handle(), R, *P->Bitmap, /*Vertical=*/false, /*Tile=*/false, P->Trans != 0, 5, Frame,
                  P->Margins());
}
