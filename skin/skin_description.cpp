// The skin description read into the parts of TSkinData, and the parts the
// component derives from them.
#include <algorithm>
#include <cctype>

#include "platform/system/module.h"
#include "platform/win/winuser.h"
#include "skin/skin_bitmaps.h"
#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "skin/skin_ini.h"
#include "skin/skin_reader.h"

namespace {

std::string UpperAscii(std::string S) {
    for (char& C : S)
        if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 32);
    return S;
}

bool StartsWith(const std::string& S, const std::string& Prefix) { return S.compare(0, Prefix.size(), Prefix) == 0; }

}  // namespace

TColor ParseSkinColour(const std::string& Text) {
    const std::string T = Trim(Text);
    int Channels[3] = {0, 0, 0};
    int Stored = 0;
    int Number = 0;  // kept modulo 256: only the channel's low byte counts
    bool Collecting = false;
    for (char C : T) {
        if (C >= '0' && C <= '9') {
            Number = (Number * 10 + (C - '0')) % 256;
            Collecting = true;
        } else if (Collecting) {
            if (Stored < 3) Channels[Stored++] = Number;
            Number = 0;
            Collecting = false;
        }
    }
    // A last number without a separator after it counts only as blue.
    if (Collecting && Stored == 2) Channels[Stored++] = Number;
    return Channels[0] + 256 * Channels[1] + 65536 * Channels[2];
}

TColor TSkinData::ReadColourText(const std::string& Text, TColor Default) {
    return Text.empty() ? Default : ParseSkinColour(Text);
}

std::string TSkinData::ReadString(const std::string& Section, const std::string& Key, const std::string& Default) {
    return FIni->ReadString(Section, Key, Default);
}

int TSkinData::ReadInteger(const std::string& Section, const std::string& Key, int Default) {
    return FIni->ReadInteger(Section, Key, Default);
}

void TSkinData::ParseSkin() {
    TStringList Sections;
    FIni->ReadSections(&Sections);
    FSections.clear();
    for (int i = 0; i < Sections.Count(); ++i) FSections.push_back(Sections[i]);

    ReadFrameBorders();
    ReadColours();
    ReadSysButtons();
    ReadButtons();
    ReadTitle();
    ReadSectionParts();
    SetFrameCounts();
    if (SunkEdge && ComboButton) BuildComboFrames();
    BuildComboArrow();
    BuildToolbarPart();
    ColFrame = SampleFrameColour();

    if (FaceBrush) DeleteObject(FaceBrush);
    FaceBrush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(ColButtonFace)));
    FSections.clear();
    SkinEmpty = false;
}

void TSkinData::ReadFrameBorders() {
    const std::string S = "Personality";
    for (auto& B : Borders) {
        const std::string& N = B->Name;
        const bool Side = B.get() == Borders[bsLeft].get() || B.get() == Borders[bsRight].get();
        const int First = ReadInteger(S, N + "TopHeight", 0), Second = ReadInteger(S, N + "BotHeight", 0);
        if (Side) {
            B->TopHeight = First;
            B->BottomHeight = Second;
            B->LeftWidth = B->RightWidth = 0;
        } else {
            B->LeftWidth = First;
            B->RightWidth = Second;
            B->TopHeight = B->BottomHeight = 0;
        }
        B->FrameCount = ReadInteger(S, N + "Frame", 1);
        B->Tile = std::min(ReadInteger(S, N + "Stretch", 1), 1);
        B->Trans = ReadInteger(S, N + "Trans", 1);
        LoadSkinBitmap(*B->Bitmap, ReadString(S, N));
    }
}

void TSkinData::ReadColours() {
    const std::string S = "Colours";
    auto Colour = [&](const char* Key, TColor Default) { return ReadColourText(ReadString(S, Key), Default); };
    ColWindowText = Colour("WindowText", SysColor(COLOR_WINDOWTEXT));
    ColButtonFace = Colour("ButtonFace", SysColor(COLOR_BTNFACE));
    ColHilightText = Colour("HilightText", SysColor(COLOR_HIGHLIGHTTEXT));
    ColHilight = Colour("Hilight", SysColor(COLOR_HIGHLIGHT));
    ColMenubar = Colour("Menubar", ColButtonFace);
    ColMenu = Colour("Menu", SysColor(COLOR_MENU));
    ColMenuText = Colour("MenuText", SysColor(COLOR_MENUTEXT));
    ColButtonText = Colour("ButtonText", SysColor(COLOR_BTNTEXT));
    ColButtonHilight = Colour("ButtonHilight", SysColor(COLOR_BTNHIGHLIGHT));
    ColButtonLight = Colour("Buttonlight", SysColor(COLOR_BTNHIGHLIGHT));
    ColButtonShadow = Colour("ButtonShadow", SysColor(COLOR_BTNSHADOW));
    ColButtonDkShadow = Colour("ButtonDkShadow", SysColor(COLOR_3DDKSHADOW));
    ColMenuBarText = Colour("MenuBarText", SysColor(COLOR_MENUTEXT));
    ColTitleTextActive = Colour("TitleTextActive", SysColor(COLOR_CAPTIONTEXT));
    ColTitleTextNoActive = Colour("TitleTextNoActive", SysColor(COLOR_INACTIVECAPTIONTEXT));
    SectionColours.clear();
    for (const auto& Section : FSections) {
        const std::string U = UpperAscii(Section);
        if (StartsWith(U, "COLOUR") && U != "COLOURS")
            SectionColours.push_back(ReadColourText(ReadString(Section, "color"), SysColor(COLOR_WINDOWTEXT)));
    }
}

void TSkinData::ReadSysButtons() {
    SysButtons.clear();
    bool Remembered = false;
    int RememberedX = 0, RememberedY = 0;
    for (const auto& Section : FSections) {
        const std::string U = UpperAscii(Section);
        if (!StartsWith(U, "BUTTON") || U == "BUTTON" || U == "BUTTONS" || U == "BUTTON.RADIO" ||
            U == "BUTTON.CHECKBOX")
            continue;
        if (ReadInteger(Section, "Action", 0) == -1 && ReadInteger(Section, "Visibility", -1) != 0) continue;
        auto B = std::make_unique<TDataSkinSysButton>(U);
        B->Action = ReadInteger(Section, "Action", 0);
        B->Align = ReadInteger(Section, "Align", 0);
        B->XCoord = ReadInteger(Section, "Xcoord", 0);
        B->YCoord = ReadInteger(Section, "Ycoord", 0);
        B->Visibility = ReadInteger(Section, "Visibility", 0);
        B->Visibility1 = ReadInteger(Section, "Visibility1", B->Action == -1 ? -1 : 0);
        B->CombineOp = ReadInteger(Section, "CombineOp", -1);
        B->FrameCount = ReadInteger(Section, "frame", 0);
        LoadSkinBitmap(*B->Bitmap, ReadString(Section, "ButtonImage"));
        if (B->Action == 1 && B->Visibility == 2) {
            Remembered = true;
            RememberedX = B->XCoord;
            RememberedY = B->YCoord;
        }
        // Without such a button before it, an Action 4 button keeps its own place.
        if (B->Action == 4 && Remembered) {
            B->XCoord = RememberedX;
            B->YCoord = RememberedY;
        }
        if (B->FrameCount == 0) {
            B->FrameCount = 6;
            if (!B->Bitmap->Empty())
                B->FrameCount = static_cast<double>(B->Bitmap->Width()) / B->Bitmap->Height() <= 3.8 ? 3 : 6;
            if (B->Action < 0) B->FrameCount = 6;
            if (B->Action == 3 || B->Action == 11) B->Bitmap->SetSize(0, 0);
        }
        SysButtons.push_back(std::move(B));
    }
    for (int Action : {7, 8, 9}) {
        auto B = std::make_unique<TDataSkinSysButton>("");
        B->Action = Action;
        B->Align = 100;
        B->Visibility = 100;
        B->Visibility1 = 100;
        B->FrameCount = 4;
        SysButtons.push_back(std::move(B));
    }
    ReadMDIButtons();
}

void TSkinData::ReadMDIButtons() {
    const std::string Image = ReadString("MDICONTROLS", "Image");
    if (Image.empty()) return;
    TBitmap Source;
    LoadSkinBitmap(Source, Image);
    const int W = Source.Width() / 12;
    const size_t First = SysButtons.size() - 3;
    for (int i = 0; i < 3; ++i) {
        auto& B = *SysButtons[First + static_cast<size_t>(i)];
        B.Bitmap->SetSize(W * 4, Source.Height());
        if (W > 0 && Source.Height() > 0)
            B.Bitmap->Canvas().CopyRect(TRect(0, 0, W * 4, Source.Height()), Source.Canvas(),
                                        TRect(4 * W * i, 0, 4 * W * i + W * 4, Source.Height()));
        B.XCoord = (W + 4) * (3 - i);
    }
}

void TSkinData::ReadButtons() {
    const std::string S = "Buttons";
    auto& B = *Button;
    B.LeftWidth = ReadInteger(S, "LeftWidth", 0);
    B.RightWidth = ReadInteger(S, "RightWidth", 0);
    B.TopHeight = ReadInteger(S, "TopHeight", 0);
    B.BottomHeight = ReadInteger(S, "BottomHeight", 0);
    B.Trans = ReadInteger(S, "Trans", 0);
    B.Tile = ReadInteger(S, "Tile", 0);
    if (B.Tile > 1) B.Tile = 0;
    LoadSkinBitmap(*B.Bitmap, ReadString(S, "Bitmap"));
    LoadSkinBitmap(*B.CheckBitmap, ReadString(S, "CheckButton"));
    LoadSkinBitmap(*B.RadioBitmap, ReadString(S, "RadioButton"));
    B.NormalColour = ReadInteger(S, "NormalColour", -1);
    B.MouseOverColour = ReadInteger(S, "MouseOverColour", -1);
    B.PressedColour = ReadInteger(S, "PressedColour", -1);
    B.RadioFrameCount = ReadInteger(S, "RadioButtonFrame", 0);
    B.CheckFrameCount = ReadInteger(S, "CheckButtonFrame", 0);
    const std::string N2 = ReadString(S, "NormalColour2"), M2 = ReadString(S, "MouseOverColour2"),
                      P2 = ReadString(S, "PressedColour2");
    B.HasNormalColour2 = !N2.empty();
    B.HasMouseOverColour2 = !M2.empty();
    B.HasPressedColour2 = !P2.empty();
    B.NormalColour2 = ReadColourText(N2, ColButtonText);
    B.MouseOverColour2 = ReadColourText(M2, ColButtonText);
    B.PressedColour2 = ReadColourText(P2, ColButtonText);
}

void TSkinData::ReadTitle() {
    const std::string S = "Personality";
    auto& T = *Title;
    LoadSkinBitmap(*T.Bitmap, ReadString(S, "TextBack"));
    T.LeftWidth = ReadInteger(S, "TextShift", 0);
    T.TopHeight = ReadInteger(S, "TextShiftVert", 0);
    T.RightWidth = ReadInteger(S, "TextRightClip", 0);
    T.BottomHeight = 0;
    T.TextAlignment = ReadInteger(S, "TextAlignment", 0);
    T.TextBackground = ReadInteger(S, "Textbackground", 0);
    T.TextBackLeft = ReadInteger(S, "TXTBackleft", 0);
    T.TextBackRight = ReadInteger(S, "TXTBackRight", 0);
    T.FontHeight = ReadInteger("Fonts", "FontHeight", 14);
    auto TextColour = [&](const std::string& Prefix) {
        const int R = ReadInteger(S, Prefix + "R", -1), G = ReadInteger(S, Prefix + "G", -1),
                  B = ReadInteger(S, Prefix + "B", -1);
        return R >= 0 && G >= 0 && B >= 0 ? (R % 256) + 256 * (G % 256) + 65536 * (B % 256) : clNone;
    };
    T.ActiveTextColour = TextColour("ActiveText");
    T.InactiveTextColour = TextColour("InActiveText");
}

void TSkinData::ReadPart(TDataSkinObject& P, const std::string& S, const std::string& ImageKey) {
    P.Style = ReadInteger(S, "Style", 0);
    P.LeftWidth = ReadInteger(S, "LeftWidth", 0);
    P.RightWidth = ReadInteger(S, "RightWidth", 0);
    P.TopHeight = ReadInteger(S, "TopHeight", 0);
    P.BottomHeight = ReadInteger(S, "BottomHeight", 0);
    P.FrameCount = ReadInteger(S, "Frame", 0);
    P.Trans = ReadInteger(S, "Trans", 0);
    P.Tile = ReadInteger(S, "Tile", 0);
    if (P.Tile > 1) P.Tile = 0;
    P.NormalColour = ReadInteger(S, "NormalColour", -1);
    P.MouseOverColour = ReadInteger(S, "MouseOverColour", -1);
    P.PressedColour = ReadInteger(S, "PressedColour", -1);
    P.NormalColour2 = ReadColourText(ReadString(S, "NormalColour2"), ColButtonText);
    P.MouseOverColour2 = ReadColourText(ReadString(S, "MouseOverColour2"), ColButtonText);
    P.PressedColour2 = ReadColourText(ReadString(S, "PressedColour2"), ColButtonText);
    LoadSkinBitmap(*P.Bitmap, ReadString(S, ImageKey));
}

void TSkinData::ReadPartWithGlyph(TDataSkinBorder& P, const std::string& S, const std::string& ImageKey,
                                  const std::string& GlyphKey) {
    const int32_t Frames = P.FrameCount;
    ReadPart(P, S, ImageKey);
    P.FrameCount = Frames;  // this reader has no Frame key
    const std::string Glyph = ReadString(S, GlyphKey);
    if (!Glyph.empty()) LoadSkinBitmap(*P.Bitmap2, Glyph);
}

void TSkinData::ReadProgressPart(TDataSkinBorder& P, const std::string& S, const std::string& ImageKey) {
    P.Style = ReadInteger(S, "Style", 0);
    P.LeftWidth = ReadInteger(S, "LeftWidth", 0);
    P.RightWidth = ReadInteger(S, "RightWidth", 0);
    P.TopHeight = ReadInteger(S, "TopHeight", 0);
    P.BottomHeight = ReadInteger(S, "BottomHeight", 0);
    P.Trans = ReadInteger(S, "Trans", 0);
    P.Tile = std::min(ReadInteger(S, "Tile", 0), 1);
    LoadSkinBitmap(*P.Bitmap, ReadString(S, ImageKey));
}

void TSkinData::ReadBoxLabelPart(TDataSkinBoxLabel& P, const std::string& S, const std::string& ImageKey) {
    const int32_t Frames = P.FrameCount;
    ReadPart(P, S, ImageKey);
    P.FrameCount = Frames;
    P.BackgroundAlignment = ReadInteger(S, "BackgroundAlignment", 0);
    P.BackgroundLeftShift = ReadInteger(S, "BackgroundLeftShift", 0);
    P.BackgroundRightShift = ReadInteger(S, "BackgroundRightShift", 0);
}

void TSkinData::ReadMenuBar(TDataSkinObject& P, const std::string& S, const std::string& ImageKey) {
    P.TopHeight = P.BottomHeight = 0;
    P.Tile = std::min(ReadInteger(S, "TileMenu", 1), 1);
    P.LeftWidth = ReadInteger(S, "TileLeftMenu", 1);
    P.RightWidth = ReadInteger(S, "TileRightMenu", 1);
    LoadSkinBitmap(*P.Bitmap, ReadString(S, ImageKey));
}

std::unique_ptr<TDataSkinObject> TSkinData::LoadBuiltInPart(const std::string& Name) {
    auto P = std::make_unique<TDataSkinObject>(Name);
    P->Bitmap->LoadFromResourceName(GetModuleHandleA(nullptr), Name);
    P->LeftWidth = P->TopHeight = P->RightWidth = P->BottomHeight = 3;
    P->Tile = 0;
    P->FrameCount = 1;
    return P;
}

void TSkinData::ReadSectionParts() {
    // A part exists only while its image key has a value.
    auto Has = [&](const std::string& S, const std::string& Key) { return !ReadString(S, Key).empty(); };
    auto Plain = [&](std::unique_ptr<TDataSkinObject>& M, const std::string& S) {
        M.reset();
        if (!Has(S, "Image")) return;
        M = std::make_unique<TDataSkinObject>(S);
        ReadPart(*M, S, "Image");
    };
    auto Glyph = [&](std::unique_ptr<TDataSkinBorder>& M, const std::string& S, const std::string& GlyphKey) {
        M.reset();
        if (!Has(S, "Image")) return;
        M = std::make_unique<TDataSkinBorder>(S);
        ReadPartWithGlyph(*M, S, "Image", GlyphKey);
    };

    Progress.reset();
    if (Has("Progress", "Bitmap")) {
        Progress = std::make_unique<TDataSkinBorder>("Progress");
        ReadProgressPart(*Progress, "Progress", "Bitmap");
    }
    Plain(ProgressChunk, "Progress.Chunk");
    MenuBar.reset();
    if (Has("Personality", "menuBar")) {
        MenuBar = std::make_unique<TDataSkinObject>("Personality");
        ReadMenuBar(*MenuBar, "Personality", "menuBar");
    }
    Plain(GroupBoxEdge, "GroupBoxEdge");
    GroupBox.reset();
    if (Has("GroupBox", "Image")) {
        GroupBox = std::make_unique<TDataSkinBoxLabel>("GroupBox");
        ReadBoxLabelPart(*GroupBox, "GroupBox", "Image");
    }
    Glyph(Tabs, "Tabs", "Border");
    Plain(StatusBarEdges, "StatusBarEdges");
    Plain(TabPane, "Tab.Pane");
    if (TabPane) {
        TabPane->LeftWidth = std::min(TabPane->LeftWidth, 4);
        TabPane->TopHeight = std::min(TabPane->TopHeight, 4);
        TabPane->RightWidth = std::min(TabPane->RightWidth, 4);
        TabPane->BottomHeight = std::min(TabPane->BottomHeight, 4);
    }
    Plain(ToolBars, "ToolBars");
    Glyph(ComboButton, "ComboButton", "****");
    Plain(SunkEdge, "SunkEdge");
    // No skin names the combo button's second image: it is the first one mirrored.
    if (ComboButton && !ComboButton->Bitmap->Empty()) {
        ComboButton->Bitmap2->Assign(*ComboButton->Bitmap);
        ComboButton->Bitmap2->SetPixelFormat(pf24bit);
        MirrorBitmapHorizontally(*ComboButton->Bitmap2);
    }
    Plain(ExtraImages, "ExtraImages");
    Plain(Headerbar, "Headerbar");
    Plain(MenuItem, "MenuItem");
    Plain(MenuBackground, "MenuBackground");
    Plain(Scrollbar, "Scrollbar");
    Plain(HorzScroll, "HorzScroll");
    Plain(VertScroll, "VertScroll");
    Plain(HorzScrollThumb, "HorzScrollThumb");
    Plain(VertScrollThumb, "VertScrollThumb");
    Plain(TrackThumbHorz, "Trackbar.ThumbHorz");
    Plain(TrackThumbVert, "Trackbar.ThumbVert");
    Plain(TrackThumbLeft, "Trackbar.ThumbLeft");
    Plain(TrackThumbRight, "Trackbar.ThumbRight");
    Plain(TrackThumbUp, "Trackbar.ThumbUp");
    Plain(TrackThumbDown, "Trackbar.ThumbDown");
    Glyph(UpDownHorz, "UpDown.Horz", "GlyphImage");
    Glyph(UpDownVert, "UpDown.Vert", "GlyphImage");
    Plain(Track, "Track");
    if (!Track) Track = LoadBuiltInPart("TRACK");
    Plain(TrackVert, "TRACKVERT");
    if (!TrackVert) TrackVert = LoadBuiltInPart("TRACKVERT");
}

void TSkinData::SetFrameCounts() {
    Button->FrameCount = 5;
    auto Derived = [](TBitmap& B) {
        const int U = B.Height() < 16 ? 13 : 16;
        return std::max(B.Width() / U, 4);
    };
    if (Button->RadioFrameCount == 0) Button->RadioFrameCount = Derived(*Button->RadioBitmap);
    if (Button->CheckFrameCount == 0) Button->CheckFrameCount = Derived(*Button->CheckBitmap);
    Title->FrameCount = 2;
    auto Set = [](auto& Part, int Count) {
        if (Part) Part->FrameCount = Count;
    };
    if (Progress) Progress->FrameCount = Progress->Style != 0 ? 1 : 2;
    Set(MenuBar, 2);
    Set(GroupBoxEdge, 2);
    Set(GroupBox, 1);
    Set(Tabs, 5);
    Set(StatusBarEdges, 3);
    Set(TabPane, 1);
    Set(ToolBars, 5);
    Set(ComboButton, 4);
    Set(SunkEdge, 4);
    Set(ExtraImages, 5);
    if (Headerbar && Headerbar->FrameCount == 0) Headerbar->FrameCount = 5;
    Set(MenuItem, 5);
    Set(MenuBackground, 1);
    Set(Scrollbar, 23);
    Set(HorzScroll, 4);
    Set(VertScroll, 4);
    if (HorzScrollThumb) HorzScrollThumb->FrameCount = ReadInteger("HorzScrollThumb", "FrameCount", 3);
    if (VertScrollThumb) VertScrollThumb->FrameCount = ReadInteger("VertScrollThumb", "FrameCount", 3);
    for (auto* P : {&TrackThumbHorz, &TrackThumbVert, &TrackThumbLeft, &TrackThumbRight, &TrackThumbUp, &TrackThumbDown})
        Set(*P, 5);
    Set(UpDownHorz, 8);
    Set(UpDownVert, 8);
}

void TSkinData::BuildComboFrames() {
    const int K = SunkEdge->FrameCount;
    const int B = GetSystemMetrics(SM_CXHSCROLL) + 2;
    TBitmap Strip(50 * K, 21, pf24bit);
    Strip.Canvas().Brush().SetColor(clFuchsia);
    Strip.Canvas().FillRect(TRect(0, 0, 50 * K, 21));
    TBitmap Work(50, 21, pf24bit);
    Work.Canvas().Brush().SetColor(clFuchsia);
    const HDC Dc = Work.Canvas().Handle();
    for (int F = 1; F <= K; ++F) {
        DrawSkinImage(Dc, TRect(0, 0, 50, 21), *SunkEdge->Bitmap, /*Vertical=*/false, /*Tile=*/false,
                      SunkEdge->Trans == 1, K, F, SunkEdge->Margins());
        const TRect ButtonArea(50 - B, 0, 50, 21);
        DrawSkinImage(Dc, ButtonArea, *ComboButton->Bitmap, /*Vertical=*/false, /*Tile=*/false, /*Transparent=*/true,
                      ComboButton->FrameCount, F, ComboButton->Margins());
        if (ExtraImages)
            DrawCenteredFrame(Dc, ButtonArea, *ExtraImages->Bitmap, /*Transparent=*/true, ExtraImages->FrameCount, F);
        Work.Canvas().FillRect(TRect(2, 2, 49 - B, 18));
        Strip.Canvas().Draw(50 * (F - 1), 0, Work);
    }
    ComboButton->Style = 2;
    ComboButton->LeftWidth = SunkEdge->LeftWidth;
    ComboButton->TopHeight = SunkEdge->TopHeight;
    ComboButton->RightWidth = SunkEdge->RightWidth;
    ComboButton->BottomHeight = SunkEdge->BottomHeight;
    ComboButton->LeftWidth = 2;
    ComboButton->RightWidth = B + 2;
    ComboButton->Bitmap->Assign(Strip);
    MirrorBitmapHorizontally(Strip);
    SunkEdge->Bitmap->Assign(Strip);
    SunkEdge->LeftWidth = B + 2;
    SunkEdge->RightWidth = 2;
}

void TSkinData::BuildComboArrow() {
    if (!ComboArrow) ComboArrow = std::make_unique<TDataSkinObject>("ComboxArrow");
    if (!SunkEdge && ComboButton) {
        ComboArrow->Bitmap->Assign(*ComboButton->Bitmap);
        ReplaceFuchsiaPixels(*ComboArrow->Bitmap, ColButtonFace);
        ComboArrow->FrameCount = ComboButton->FrameCount;
    } else if (SunkEdge && ComboButton && ComboButton->Style == 2) {
        const int K = SunkEdge->FrameCount;
        const int W = K > 0 ? ComboButton->Bitmap->Width() / K : 0;
        ComboArrow->Bitmap->SetPixelFormat(pf24bit);
        ComboArrow->Bitmap->SetSize(17 * std::max(K, 0), 17);
        for (int I = 0; I < K; ++I)
            ComboArrow->Bitmap->Canvas().CopyRect(TRect(17 * I, 0, 17 * I + 17, 17), ComboButton->Bitmap->Canvas(),
                                                  TRect((I + 1) * W - 19, 2, (I + 1) * W - 2, 19));
        ComboArrow->FrameCount = K;
    }
}

void TSkinData::BuildToolbarPart() {
    if (!Toolbar) Toolbar = std::make_unique<TDataSkinObject>("Toolbar");
    Toolbar->FrameCount = 1;
    const TColor C = SampleFrameColour();
    const TColor S = MixColors(ColButtonFace, clWhite, 150);
    TColor E = MixColors(0x808080, C, 150);
    const int V = ColorSaturationLevel(C);
    if (V > 110) E = MixColors(C, clWhite, (225 - V) * 25 / 140 + 50);
    Toolbar->Bitmap->SetPixelFormat(pf24bit);
    Toolbar->Bitmap->SetSize(10, 40);
    const RECT R{0, 0, 10, 40};
    FillGradientLines(Toolbar->Bitmap->Canvas().Handle(), R, S, E, /*Vertical=*/true);
}

TColor TSkinData::SampleFrameColour() {
    TBitmap& Top = *Borders[bsTop]->Bitmap;
    if (Top.Empty()) return ColButtonFace;
    // A frame count below 1 read from the skin samples as one frame.
    const int Frames = std::max(Borders[bsTop]->FrameCount, 1);
    return Top.Canvas().Pixel(Top.Width() / 3, (Top.Height() / Frames) / 3);
}
