#include "skin/skin_media_player.h"

#include "platform/rtl/sysutils.h"
#include "skin/skin_control_paint.h"
#include "skin/skin_frames.h"

namespace {

const char* const ButtonNames[9] = {"btPlay", "btPause", "btStop", "btNext", "btPrev",
                                    "btStep", "btBack", "btRecord", "btEject"};
const char* const ResourceNames[9] = {"MPPLAY", "MPPAUSE", "MPSTOP", "MPNEXT", "MPPREV",
                                      "MPSTEP", "MPBACK", "MPRECORD", "MPEJECT"};

// Whether a set written as text ("[btPlay, btStop]") holds the value name.
bool SetHolds(const std::string& Set, const std::string& Name) {
    std::string L = LowerCase(Set), N = LowerCase(Name);
    for (size_t At = L.find(N); At != std::string::npos; At = L.find(N, At + 1)) {
        bool Start = At == 0 || L[At - 1] == '[' || L[At - 1] == ',' || L[At - 1] == ' ';
        size_t End = At + N.size();
        bool Finish = End == L.size() || L[End] == ']' || L[End] == ',' || L[End] == ' ';
        if (Start && Finish) return true;
    }
    return false;
}

std::string PublishedSetText(TControl* Player, const char* Name) {
    const TPropInfo* P = GetPropInfo(Player, Name);
    return P && Player ? GetStrProp(*Player, *P) : std::string();
}

}  // namespace

TWMediaPlayer::TWMediaPlayer(TComponent* AOwner) : TCustomPanel(AOwner) {
    BevelOuter = bvNone;
    static const char* const Kinds[3] = {"EN", "DI", "CL"};
    for (int I = 0; I < 9; ++I)
        for (int K = 0; K < 3; ++K) {
            Buttons[I].Glyphs[K] = std::make_unique<TBitmap>();
            // The program ships no such pictures; a name not found leaves the glyph empty.
            try {
                Buttons[I].Glyphs[K]->LoadFromResourceName(/*Instance=*/nullptr,
                                                           std::string(Kinds[K]) + "_" + ResourceNames[I]);
            } catch (const std::exception&) {
            }
        }
}

TWMediaPlayer::~TWMediaPlayer() = default;

void TWMediaPlayer::Bind(TSkinMP* Skin, TControl* APlayer) {
    Player = APlayer;
    SkinMP = Skin;
    SkinData = Skin->SkinData;
    if (SkinData) Tag = SkinData->DisableTag;  // never skinned itself
    SyncBounds(APlayer);
    SetParent(APlayer->Parent());
    BringToFront();
}

void TWMediaPlayer::SyncBounds(TControl* APlayer) {
    Player = APlayer;
    SetBounds(APlayer->Left(), APlayer->Top(), APlayer->Width(), APlayer->Height());
}

int TWMediaPlayer::HitButton(int X) const {
    int S = 0;
    for (int I = 0; I < 9; ++I) {
        if (!Buttons[I].Visible) continue;
        if (S <= X && X <= S + ButtonWidth) return I;
        S += ButtonWidth;
    }
    return 9;
}

void TWMediaPlayer::ReadButtons() {
    std::string Shown = PublishedSetText(Player, "VisibleButtons"), Usable = PublishedSetText(Player, "EnabledButtons"),
                Coloured = PublishedSetText(Player, "ColoredButtons");
    VisibleCount = 0;
    for (int I = 0; I < 9; ++I) {
        Buttons[I].Visible = SetHolds(Shown, ButtonNames[I]);
        Buttons[I].Enabled = SetHolds(Usable, ButtonNames[I]);
        Buttons[I].Colored = SetHolds(Coloured, ButtonNames[I]);
        VisibleCount += Buttons[I].Visible;
    }
}

void TWMediaPlayer::Paint() {
    if (!SkinData) return;
    ReadButtons();
    TRect All(0, 0, Width(), Height());
    if (VisibleCount == 0 || !SkinData->Button || !SkinData->Button->Bitmap || SkinData->Button->Bitmap->Empty()) {
        FillRectColor(Canvas().Handle(), All, SkinData->ColButtonFace);
        return;
    }
    TDataSkinButton& Part = *SkinData->Button;
    ButtonWidth = Width() / VisibleCount;
    TBitmap B(Width(), Height());
    TCanvas& C = B.Canvas();
    C.Brush().SetColor(SkinData->ColButtonFace);
    C.FillRect(All);
    int X = 0;
    for (int I = 0; I < 9; ++I) {
        TButtonState& Bt = Buttons[I];
        if (!Bt.Visible) continue;
        int Kind = Bt.Enabled && Bt.Colored ? 2 : Bt.Enabled ? 0 : 1;
        int Frame = Pressed && PressedButton == I ? 2 : 1;
        if (Kind == 1) Frame = 3;
        TRect R(X, 0, X + ButtonWidth, Height());
        DrawSkinImage(C.Handle(), R, *Part.Bitmap, /*Vertical=*/false, Part.Tile != 0, Part.Trans != 0,
                      Part.FrameCount > 0 ? Part.FrameCount : 1, Frame, Part.Margins());
        TBitmap& G = *Bt.Glyphs[Kind];
        if (!G.Empty()) {
            int Gx = R.left + (ButtonWidth - G.Width()) / 2 + (Frame == 2 ? 1 : 0);
            int Gy = (Height() - G.Height()) / 2 + (Frame == 2 ? 1 : 0);
            C.BrushCopy(TRect(Gx, Gy, Gx + G.Width(), Gy + G.Height()), G, TRect(0, 0, G.Width(), G.Height()),
                        static_cast<TColor>(0x008080));
        }
        X += ButtonWidth;
    }
    BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), C.Handle(), 0, 0, SRCCOPY);
}

void TWMediaPlayer::WndProc(TMessage& M) {
    int X = static_cast<int16_t>(LOWORD(M.LParam));
    switch (M.Msg) {
        case WM_LBUTTONDOWN:
            Pressed = true;
            TCustomPanel::WndProc(M);
            if (Player) Player->Perform(M.Msg, M.WParam, M.LParam);
            ReleaseCapture();
            ButtonUnderMouse = static_cast<uint8_t>(HitButton(X));
            PressedButton = ButtonUnderMouse;
            Invalidate();
            return;
        case WM_LBUTTONUP:
            Pressed = false;
            TCustomPanel::WndProc(M);
            ButtonUnderMouse = static_cast<uint8_t>(HitButton(X));
            // Only a release over the pressed button reaches the player.
            if (ButtonUnderMouse == PressedButton && Player) Player->Perform(M.Msg, M.WParam, M.LParam);
            PressedButton = ButtonUnderMouse;
            Invalidate();
            return;
        default: TCustomPanel::WndProc(M); return;
    }
}

void TSkinMP::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) {
    if (Attached) return;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    if (!Control) return;
    Panel = new TWMediaPlayer(this);
    Panel->Bind(this, Control);
    Panel->SetVisible(Control->Visible());
}

void TSkinMP::Detach() {
    TSkinControl::Detach();
    if (LifeState != 6 && Panel) {
        Panel->Free();
        Panel = nullptr;
    }
}

void TSkinMP::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_WINDOWPOSCHANGED:
            if (Panel && Control) Panel->SyncBounds(Control);
            break;
        case CM_VISIBLECHANGED:
            if (Panel && Control) Panel->SetVisible(Control->Visible());
            break;
        default: TSkinControl::AfterMessage(M); break;
    }
}
