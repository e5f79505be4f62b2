#include "controls/skinned/sc_style_table.h"

#include "controls/skinned/sc_form.h"
#include "controls/skinned/sc_helpers.h"
#include "platform/classlib/forms.h"

namespace {

const char* const KeyNames[scStyleKeyCount] = {
    "ButtonImage", "ButtonTransparentBool", "CheckBoxImage", "RadioButtonImage", "TitleBarButtonImage",
    "TitleBarButtonTransparentBool", "TitleBarButtonLeftOffsetInt", "TitleBarButtonRightOffsetInt",
    "TitleBarButtonTopInt", "TitleBarLeftImage", "TitleBarClientImage", "TitleBarRightImage", "FormMinWidthInt",
    "FormRoundCornerInt", "FormBackgroundColor", "FormBorderColor", "FormBorderWidthInt", "MenuSelectedBorderColor",
    "MenuSelectedBackgroundColor", "MenuSelectedFontColor", "MenuBackgroundColor", "MenuFontColor", "MenuBarColor",
    "ProgressBarImage", "ControlBorderColor", "ControlBackgroundColor", "ControlFontColor", "TrackBarBarImage",
    "TrackBarSliderImage", "TrackBarSliderVImage", "ScrollBarBackgroundColor", "ScrollBarButtonImage",
    "ScrollBarSliderImage", "CheckListBoxImage", "ToolBarButtonBorderColor", "ToolBarButtonBackgroundColor",
    "ToolBarButtonDownBackgroundColor", "ScrollButtonImage", "TabControlTabImage", "TabControlBarImage",
    "SideChannelHandleImage", "SideChannelBarImage", "TitleBarMinimizedImage", "TitleBarFontColor",
    "FormLeftBorderImage", "FormBottomBorderImage", "FormBottomRoundCornerInt", "MenuMenuBarColor"};

constexpr int I = skInteger, C = skColor, P = skImage, B = skBool;
const int KeyKinds[scStyleKeyCount] = {P, B, P, P, P, B, I, I, I, P, P, P, I, I, C, C, I, C, C, C, C, C, C, P,
                                       C, C, C, P, P, P, C, P, P, P, C, C, C, P, P, P, P, P, P, C, P, P, I, C};

// One value per key; image values are resource names.
struct TStyleValues {
    intptr_t V[scStyleKeyCount];
};
#define IMG(s) reinterpret_cast<intptr_t>(s)
#define LOOK(p, b2, b6, i7, i8, i9, i13, i14, c15, c16, i17, c18, c19, c20, c21, c22, c23, c25, c26, c27, c31, c35, \
             c36, c37, scroll, c44, c48)                                                                            \
    {{IMG(p "_BUTTON"), b2, IMG(p "_CHECKBOX"), IMG(p "_RADIOBUTTON"), IMG(p "_TITLEBTN"), b6, i7, i8, i9,          \
      IMG(p "_TITLE_LEFT"), IMG(p "_TITLE_CLIENT"), IMG(p "_TITLE_RIGHT"), i13, i14, c15, c16, i17, c18, c19, c20, \
      c21, c22, c23, IMG(p "_PROGRESSBAR"), c25, c26, c27, IMG(p "_TRACKBAR_BAR"), IMG(p "_TRACKBAR_SLIDER"),      \
      IMG(p "_TRACKBAR_SLIDER_V"), c31, IMG(p "_SCROLLBAR_BUTTON"), IMG(p "_SCROLLBAR_TRACK"),                     \
      IMG(p "_CHECKLIST"), c35, c36, c37, IMG(scroll), IMG(p "_TAB"), IMG(p "_TAB_LINE"),                          \
      IMG(p "_SIDECHENNEL_HANDLE"), IMG(p "_SIDECHENNEL_BAR"), IMG(""), c44, IMG(""), IMG(""), 0, c48}}

// In the order MacOS, WinXP, DeepBlue, Protein, BlueGlass; colours as $BBGGRR.
const TStyleValues Looks[5] = {
    LOOK("MACOS", 1, 0, 3, -2, 4, 130, 0, 0xE7E7E7, 0x7F7F7F, 1, 0xC47339, 0xC47339, 0xFFFFFF, 0x000000, 0x000000,
         0x000000, 0x7F7F7F, 0xE7E7E7, 0x000000, 0xC9C9C9, 0x474747, 0xEFEFEF, 0xD8D8D8, "MACOS_SCROLLBUTTON",
         0x000000, 0xE7E7E7),
    LOOK("WINXP", 0, 0, 2, -2, 5, 150, 13, 0xDEEBEF, 0xC82C00, 3, 0xC66931, 0xEFD3C6, 0x000000, 0xFFFFFF, 0x000000,
         0xCED3D6, 0x686868, 0xDEEBEF, 0xCF4602, 0xF9F9F9, 0xC66931, 0xEFD3C6, 0xE1AC93, "WINXP_SCROLLBUTTON",
         0xFFFFFF, 0xDEEBEF),
    LOOK("DEEPBLUE", 0, 0, 0, 0, 2, 130, 0, 0xE8E8E8, 0x000000, 1, 0xA04A44, 0xA04A44, 0xFFFFFF, 0xFFFFFF, 0x000000,
         0xCED3D6, 0x000000, 0xE8E8E8, 0x000000, 0xF5F5F5, 0x474747, 0xEFEFEF, 0xD8D8D8, "MORE_SCROLLBUTTON",
         0xFFFFFF, 0xE8E8E8),
    LOOK("PROTEIN", 0, 1, 0, 0, 2, 130, 0, 0xFBFBFB, 0x000000, 1, 0xC4302D, 0xC4302D, 0xFFFFFF, 0xFFFFFF, 0x000000,
         0xCED3D6, 0x000000, 0xFBFBFB, 0x000000, 0xF5F5F5, 0x474747, 0xEFEFEF, 0xD8D8D8, "MORE_SCROLLBUTTON",
         0xFFFFFF, 0xFBFBFB),
    LOOK("BLUEGLASS", 1, 1, 4, -3, 6, 270, 11, 0xE7E7E7, 0x000000, 1, 0xEC5E5E, 0xEC5E5E, 0xFFFFFF, 0xE7E7E7,
         0x000000, 0xCED3D6, 0x000000, 0xE7E7E7, 0x000000, 0xF4F4F4, 0x474747, 0xEFEFEF, 0xD8D8D8,
         "MORE_SCROLLBUTTON", 0xFFFFFF, 0xE7E7E7),
};
#undef LOOK
#undef IMG

}  // namespace

const char* StyleKeyName(int Key) { return Key >= 1 && Key <= scStyleKeyCount ? KeyNames[Key - 1] : ""; }

int StyleKeyKind(int Key) { return Key >= 1 && Key <= scStyleKeyCount ? KeyKinds[Key - 1] : -1; }

intptr_t GetBuiltInStyleValue(TscUIStyle Style, int Key, int& Kind) {
    if (Style < MacOS || Style > BlueGlass || Key < 1 || Key > scStyleKeyCount) {
        Kind = skInteger;
        return -1;
    }
    Kind = KeyKinds[Key - 1];
    return Looks[Style - 1].V[Key - 1];
}

int GetBuiltInStyleInteger(TscUIStyle Style, int Key) {
    int Kind;
    intptr_t V = GetBuiltInStyleValue(Style, Key, Kind);
    return Kind == skInteger ? static_cast<int>(V) : -1;
}

TColor GetBuiltInStyleColor(TscUIStyle Style, int Key) {
    int Kind;
    intptr_t V = GetBuiltInStyleValue(Style, Key, Kind);
    return Kind == skColor ? static_cast<TColor>(V) : TColor(0);
}

bool GetBuiltInStyleBool(TscUIStyle Style, int Key) {
    int Kind;
    intptr_t V = GetBuiltInStyleValue(Style, Key, Kind);
    return Kind == skBool && V != 0;
}

const char* GetBuiltInStyleImageName(TscUIStyle Style, int Key) {
    int Kind;
    intptr_t V = GetBuiltInStyleValue(Style, Key, Kind);
    return Kind == skImage ? reinterpret_cast<const char*>(V) : nullptr;
}

void LoadBuiltInStyleImage(TscUIStyle Style, int Key, TBitmap* Bitmap) {
    const char* Name = GetBuiltInStyleImageName(Style, Key);
    if (!Bitmap || !Name) return;
    Bitmap->LoadFromResourceName(/*Instance=*/nullptr, Name);
}

void GetBuiltInStyleImage(TscUIStyle Style, int Key, TBitmap* Bitmap, int FrameCount, int FrameIndex) {
    if (!Bitmap) return;
    if (FrameCount == 0) {
        LoadBuiltInStyleImage(Style, Key, Bitmap);
        return;
    }
    TBitmap Strip;
    LoadBuiltInStyleImage(Style, Key, &Strip);
    CutImageFrame(&Strip, Bitmap, FrameCount, FrameIndex);
}

TscUIStyle GetOwnerUIStyle(TComponent* Owner) {
    auto* Form = dynamic_cast<TCustomForm*>(Owner);
    if (!Form) return DeepBlue;
    for (int I = 0; I < Form->ControlCount(); ++I)
        if (auto* F = dynamic_cast<TscForm*>(Form->Controls(I))) return F->UIStyle();
    return DeepBlue;
}
