#include "controls/skinned/sc_form.h"

#include <algorithm>

#include "controls/skinned/sc_file_theme.h"
#include "controls/skinned/sc_image_panel.h"
#include "controls/skinned/sc_menus.h"
#include "platform/classlib/appevnts.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "platform/win/winuser.h"

namespace {
bool HasOtherSkinnedForm(TForm* F, TscForm* Self) {
    for (int I = 0; I < F->ControlCount(); ++I)
        if (auto* S = dynamic_cast<TscForm*>(F->Controls(I)); S && S != Self) return true;
    return false;
}
}  // namespace

TscForm::TscForm(TComponent* AOwner) : TCustomPanel(AOwner) {
    BevelInner = bvNone;
    BevelOuter = bvNone;
    auto* F = dynamic_cast<TForm*>(AOwner);
    if (!F || HasOtherSkinnedForm(F, this)) return;  // a second one stays an inert panel
    FForm = F;
    F->Constraints.MinHeight = Constraints.MinHeight = 50;
    F->Constraints.MinWidth = Constraints.MinWidth = 125;
    FRestoreBounds = TRect(F->Left(), F->Top(), F->Left() + F->Width(), F->Top() + F->Height());
    FStartedMaximized = F->WindowState() == wsMaximized;
    FTitleBar = new TscTitleBar(this);
    FTitleBar->SetParent(this);
    SetAlign(alClient);
    FTitleBar->SetCaption(F->Caption());
    SetCaption(" ");
    if (F->BorderStyle() == bsSingle || F->BorderStyle() == bsToolWindow) F->SetBorderStyle(bsDialog);
    FSavedWindowProc = F->WindowProc;
    F->WindowProc = [this](TMessage& M) { FormWindowProc(M); };
    FAppEvents = std::make_unique<TApplicationEvents>(nullptr);
    FAppEvents->OnMessage = [this](MSG& Msg, bool& Handled) {
        if (AppMessage(Msg)) Handled = true;
    };
    SetUIStyle(DeepBlue);
    if (F->HandleAllocated()) RemoveCaptionBit();
}

TscForm::~TscForm() {
    FDestroying = true;
    if (auto* M = dynamic_cast<TscMainMenu*>(FMenu)) M->SkinForm = nullptr;
    if (FMenu) FMenu->RemoveFreeNotification(this);
    if (FFormPanel) FFormPanel->RemoveFreeNotification(this);
    FAppEvents.reset();
    if (FFileTheme) FFileTheme->RemoveFreeNotification(this);
    // The form gets its caption and window procedure back.
    if (FForm && !FForm->ComponentState().Contains(csDestroying)) {
        FForm->WindowProc = FSavedWindowProc;
        if (FForm->HandleAllocated()) {
            HWND H = FForm->Handle();
            SetWindowLongPtrA(H, GWL_STYLE, GetWindowLongPtrA(H, GWL_STYLE) | WS_CAPTION);
            SetWindowRgn(H, /*hRgn=*/nullptr, TRUE);
            SetWindowPos(H, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
    }
}

void TscForm::RecomputeFrame() {
    if (!FForm || !FForm->HandleAllocated()) return;
    HWND H = FForm->Handle();
    SetWindowPos(H, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    // The client changed size with the frame: the form lays its controls out again.
    RECT C;
    GetClientRect(H, &C);
    SendMessageA(H, WM_SIZE, SIZE_RESTORED, MAKELPARAM(C.right, C.bottom));
    FForm->Realign();
}

void TscForm::RemoveCaptionBit() {
    if (!FForm || !FForm->HandleAllocated()) return;
    HWND H = FForm->Handle();
    LONG_PTR S = GetWindowLongPtrA(H, GWL_STYLE);
    if ((S & WS_CAPTION) == 0) return;
    SetWindowLongPtrA(H, GWL_STYLE, S & ~WS_CAPTION);
    RecomputeFrame();
}

int TscForm::BorderPictureWidth() const { return FRightBorderPicture ? FRightBorderPicture->Width() : 0; }

// A border picture B wide leaves a one-pixel strip inside it; without one the
// frame is as wide as the look's border, 3 pixels at least.
int TscForm::SideFrameWidth() const {
    int B = BorderPictureWidth();
    return B ? B + 1 : std::max(FrameSize, FBorderWidth);
}

int TscForm::BottomFrameHeight() const {
    if (BorderPictureWidth() && FBottomBorderHeight) return FBottomBorderHeight + 1;
    return BorderPictureWidth() ? FrameSize : std::max(FrameSize, FBorderWidth);
}

void TscForm::SetUIStyle(TscUIStyle Value) {
    FUIStyle = Value;
    if (!FForm) return;
    TscUIStyle E;
    bool FromFile = TscFileTheme::ResolveUIStyle(FFileTheme, Value, E);
    FRightBorderPicture.reset();
    FBottomBorderHeight = 0;
    if (FromFile) {
        FBorderColor = FFileTheme->GetColor(skFormBorderColor);
        FBorderWidth = FFileTheme->GetInteger(skFormBorderWidthInt);
        SetColor(FFileTheme->GetColor(skFormBackgroundColor));
        TBitmap Left, Bottom;
        FFileTheme->GetImage(skFormLeftBorderImage, &Left);
        if (!Left.Empty()) {
            FRightBorderPicture = std::make_unique<TBitmap>();
            FRightBorderPicture->Assign(Left);
            RotateBitmapHalfTurn(FRightBorderPicture.get());
        }
        FFileTheme->GetImage(skFormBottomBorderImage, &Bottom);
        FBottomBorderHeight = Bottom.Height();
        int Bar = FFileTheme->GetInteger(skMenuMenuBarColor), Base = FFileTheme->GetInteger(skControlFontColor);
        FMenuBarColor = Bar != -1 ? TColor(Bar) : Base == 0x20000 ? TColor(0xAC5B3B) : Base == 0x30000 ? TColor(0x996733) : Color();
    } else {
        FBorderColor = GetBuiltInStyleColor(E, skFormBorderColor);
        FBorderWidth = GetBuiltInStyleInteger(E, skFormBorderWidthInt);
        SetColor(GetBuiltInStyleColor(E, skFormBackgroundColor));
        FMenuBarColor = Color();
    }
    if (FMenuBar) FMenuBar->SetColor(FMenuBarColor);
    if (auto* M = dynamic_cast<TscMainMenu*>(FMenu)) {
        M->SetFileTheme(FFileTheme);
        M->SetUIStyle(Value);
    }
    FTitleBar->SetFileTheme(FFileTheme);
    FTitleBar->SetUIStyle(Value);
    if (UIStyleAutoUpdateSub) SetChildrenTheme(this, Value, FFileTheme);
    RecomputeFrame();
    ApplyRoundCorners();
    Invalidate();
    PaintFrame();
}

void TscForm::SetFileTheme(TscFileTheme* Value) {
    if (FFileTheme && FFileTheme != Value) FFileTheme->RemoveFreeNotification(this);
    bool Changed = Value != FFileTheme;
    FFileTheme = Value;
    if (Value) Value->FreeNotification(this);
    if (Changed) SetUIStyle(FUIStyle);
}

void TscForm::SetFrameColor(TColor Value) {
    FBorderColor = Value;
    PaintFrame();
}

void TscForm::SetFrameWidth(int Value) {
    FBorderWidth = std::max(0, Value);
    RecomputeFrame();
    PaintFrame();
}

void TscForm::SetTitleBarVisible(bool Value) {
    if (!FTitleBar) return;
    FTitleBar->SetVisible(Value);
    FTitleBar->SetTop(0);
    PaintFrame();
}

int TscForm::RoundCorner() const { return TitleBarVisible() ? FTitleBar->RoundCorner : 0; }
int TscForm::RoundCornerBottom() const { return TitleBarVisible() ? FTitleBar->RoundCornerBottom : 0; }

void TscForm::SetRoundCorner(int Value) {
    if (!FTitleBar) return;
    FTitleBar->RoundCorner = Value;
    ApplyRoundCorners();
}

void TscForm::SetRoundCornerBottom(int Value) {
    if (!FTitleBar) return;
    FTitleBar->RoundCornerBottom = Value;
    ApplyRoundCorners();
}

void TscForm::ApplyRoundCorners() {
    if (!FForm || !FForm->HandleAllocated()) return;
    int W = FForm->Width(), H = FForm->Height(), M = H / 2;
    int Top = std::max(0, RoundCorner()), Bottom = std::max(0, RoundCornerBottom());
    HRGN Upper = CreateRoundRectRgn(0, 0, W + 1, M + 1, Top, Top);
    HRGN Square = CreateRectRgn(0, M + 1 - 2 * Top, W + 1, M + 1);
    CombineRgn(Upper, Upper, Square, RGN_OR);
    HRGN Lower = CreateRoundRectRgn(0, M, W + 1, H + 1, Bottom, Bottom);
    HRGN Square2 = CreateRectRgn(0, M, W + 1, M + 2 * Bottom);
    CombineRgn(Lower, Lower, Square2, RGN_OR);
    CombineRgn(Upper, Upper, Lower, RGN_OR);
    DeleteObject(Square);
    DeleteObject(Square2);
    DeleteObject(Lower);
    SetWindowRgn(FForm->Handle(), Upper, TRUE);  // the window owns the region now
}

void TscForm::FormWindowProc(TMessage& M) {
    if (FDestroying) return;
    switch (M.Msg) {
        case WM_NCCALCSIZE: {
            // Our frame is taken off once; the form's own procedure would take
            // its dialog frame off a second time, so it is not asked.
            RECT* R = M.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam)->rgrc[0]
                               : reinterpret_cast<RECT*>(M.LParam);
            if (!R) break;
            int Side = SideFrameWidth(), Down = BottomFrameHeight();
            if (FForm->WindowState() == wsMinimized) return;
            *R = RECT{R->left + Side, R->top + FrameSize, R->right - Side, R->bottom - Down};
            if (R->right < R->left) R->right = R->left;
            if (R->bottom < R->top) R->bottom = R->top;
            if (M.WParam) reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam)->rgrc[1] = *R;
            M.Result = M.WParam ? WVR_VALIDRECTS : 0;
            return;
        }
        case MsgBorderPictureWidth: M.Result = BorderPictureWidth(); return;
        case WM_NCPAINT:
            if (FForm->WindowState() == wsMinimized) break;
            PaintFrame();
            M.Result = 0;
            return;
        default: break;
    }
    FSavedWindowProc(M);
    switch (M.Msg) {
        case WM_ACTIVATE:
            if (FTitleBar) FTitleBar->SetFormActive(LOWORD(M.WParam) != WA_INACTIVE);
            break;
        case WM_SHOWWINDOW:
            // The menu shows on the skinned bar, never as the form's own.
            if (FForm->Menu()) FForm->SetMenu(nullptr);
            RemoveCaptionBit();
            break;
        case WM_STYLECHANGED: RemoveCaptionBit(); break;
        case WM_SIZE: {
            if (FStartedMaximized) {
                if (FForm->WindowState() == wsMaximized) {
                    // Counted for this form alone: another skinned form has its own count.
                    if (FMaxSizeCount < 2) ++FMaxSizeCount;
                } else {
                    FStartedMaximized = false;
                    FForm->SetBounds(FRestoreBounds.left, FRestoreBounds.top, FRestoreBounds.Width(),
                                     FRestoreBounds.Height());
                }
            }
            if (FForm->WindowState() == wsMaximized) {
                TRect W;
                GetWorkAreaRect(W);
                TRect Want(W.left - 4, W.top - 4, W.right + 4, W.bottom - 1);
                if (FForm->Left() != Want.left || FForm->Top() != Want.top || FForm->Width() != Want.Width() ||
                    FForm->Height() != Want.Height())
                    FForm->SetBounds(Want.left, Want.top, Want.Width(), Want.Height());
            }
            PaintFrame();
            if (FTitleBar) FTitleBar->UpdateMaximizeButtons();
            ApplyRoundCorners();
            break;
        }
        default: break;
    }
}

bool TscForm::AppMessage(MSG& Msg) {
    if (!FForm || !FTitleBar || !FForm->HandleAllocated()) return false;
    // Only the form whose window the message is for (or one of its children).
    HWND W = Msg.hwnd;
    while (W && W != FForm->Handle()) W = GetParent(W);
    if (!W) return false;
    if (Msg.message == WM_SYSCHAR && Msg.wParam == ' ') {
        TForm* Main = Application ? Application->MainForm() : nullptr;
        TCustomForm* At = Main ? static_cast<TCustomForm*>(Main) : FForm;
        FTitleBar->TitleBarMenu()->Popup(At->Left(), At->Top() + FTitleBar->Height());
        return true;
    }
    // The menu's shortcuts while the form is the active one.
    if ((Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN) && FMenu && IsFormActive(FForm) && FForm->Active())
        return FMenu->IsShortCut(ShortCut(static_cast<WORD>(Msg.wParam), GetKeyState(VK_SHIFT) < 0,
                                          GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0));
    return false;
}

void TscForm::Paint() {
    if (FDestroying) return;
    TCanvas& C = Canvas();
    TscUIStyle E;
    TscFileTheme::ResolveUIStyle(FFileTheme, FUIStyle, E);
    TRect R(0, 0, Width(), Height());
    if (E == MacOS || E == Protein) {
        TBitmap Tile;
        Tile.LoadFromResourceName(/*Instance=*/nullptr,
                                  E == MacOS ? "MACOS_FORM_BACKGROUND" : "PROTEIN_FORM_BACKGROUND");
        TilePicture(C, &Tile, R);
    } else {
        C.Brush().SetColor(Color());
        C.FillRect(R);
    }
    PaintFrame();
}

void TscForm::PaintFrame() {
    if (FDestroying || !FForm || !FForm->HandleAllocated() || FForm->WindowState() == wsMinimized) return;
    HWND H = FForm->Handle();
    HDC DC = GetWindowDC(H);
    if (!DC) return;
    TCanvas C;
    C.SetHandle(DC);
    int FW = FForm->Width(), FH = FForm->Height();
    auto Fill = [&](const TRect& R, TColor Colour) {
        C.Brush().SetColor(Colour);
        C.FillRect(R);
    };
    int B = BorderPictureWidth(), SW = SideFrameWidth(), BH = BottomFrameHeight();
    int Top = FrameSize + (TitleBarVisible() ? FTitleBar->Height() : 0);
    bool Bar = FMenuBar && FMenuBar->Visible();
    int BarBottom = Bar ? Top + FMenuBar->Height() : Top;
    bool Sections = TitleBarVisible() && FTitleBar->HasThreeSectionPictures();
    if (B && FFileTheme) {
        TBitmap Left, Bottom;
        FFileTheme->GetImage(skFormLeftBorderImage, &Left);
        FFileTheme->GetImage(skFormBottomBorderImage, &Bottom);
        int D = Bottom.Empty() ? 0 : Bottom.Height();
        if (D) DrawThreePartImage(&Bottom, C, TRect(0, FH - D, FW, FH), /*UsePixelColor=*/false, /*TopPixel=*/false);
        // Beside the title bar the frame shows the title bar's own pictures.
        int PicTop = Sections ? Top : FrameSize;
        C.StretchDraw(TRect(0, PicTop, B, FH - D), Left);
        C.StretchDraw(TRect(FW - B, PicTop, FW, FH - D), *FRightBorderPicture);
        // One-pixel strips between the pictures and the client, in the bar's colour beside the bar.
        Fill(TRect(B, PicTop, SW, FH - D), Color());
        Fill(TRect(FW - SW, PicTop, FW - B, FH - D), Color());
        Fill(TRect(B, FH - BH, FW - B, FH - D), Color());
        if (Bar) {
            Fill(TRect(B, Top, SW, BarBottom), FMenuBarColor);
            Fill(TRect(FW - SW, Top, FW - B, BarBottom), FMenuBarColor);
        }
    } else {
        int BW = FBorderWidth;
        Fill(TRect(0, 0, SW, FH), Color());
        Fill(TRect(FW - SW, 0, FW, FH), Color());
        Fill(TRect(0, FH - BH, FW, FH), Color());
        // Beside a visible menu bar the inner strips take the bar's colour.
        if (Bar) {
            Fill(TRect(0, Top, SW, BarBottom), FMenuBarColor);
            Fill(TRect(FW - SW, Top, FW, BarBottom), FMenuBarColor);
        }
        Fill(TRect(0, 0, BW, FH), FBorderColor);
        Fill(TRect(FW - BW, 0, FW, FH), FBorderColor);
        Fill(TRect(0, FH - BW, FW, FH), FBorderColor);
    }
    if (Sections) {
        // The title bar's pictures as the bar lays them out, reaching over the frame.
        int O = SW - (B ? B : FrameSize);
        TBitmap Strip(FW, Top);
        TCanvas& S = Strip.Canvas();
        TGraphic *L = FTitleBar->GetLeftSectionGraphic(), *R = FTitleBar->GetRightSectionGraphic(),
                 *M = FTitleBar->GetClientSectionGraphic();
        if (FW - O - R->Width() > O + L->Width())
            S.StretchDraw(TRect(O + L->Width(), 0, FW - O - R->Width(), M->Height()), *M);
        S.Draw(O, 0, *L);
        S.Draw(FW - O - R->Width(), 0, *R);
        if (O > 0) {  // a frame wider than the pictures reach: their outer columns carry on
            S.CopyRect(TRect(0, 0, O, Top), S, TRect(O, 0, O + 1, Top));
            S.CopyRect(TRect(FW - O, 0, FW, Top), S, TRect(FW - O - 1, 0, FW - O, Top));
        }
        C.CopyRect(TRect(0, 0, FW, FrameSize), S, TRect(0, 0, FW, FrameSize));
        if (B) {
            C.CopyRect(TRect(0, FrameSize, SW, Top), S, TRect(0, FrameSize, SW, Top));
            C.CopyRect(TRect(FW - SW, FrameSize, FW, Top), S, TRect(FW - SW, FrameSize, FW, Top));
        }
        // A one-pixel border around round corners of 11 follows them.
        if (!B && FBorderWidth == 1 && RoundCorner() == 11) {
            C.Pen().SetColor(FBorderColor);
            C.Arc(0, 0, 11, 11, 5, 0, 0, 5);
            C.Arc(FW - 11, 0, FW, 11, FW - 1, 5, FW - 6, 0);
        }
    } else {
        Fill(TRect(0, 0, FW, FrameSize), Bar ? FMenuBarColor : Color());
        if (!B) Fill(TRect(0, 0, FW, 1), FBorderColor);
    }
    C.SetHandle(nullptr);
    ReleaseDC(H, DC);
}

void TscForm::Resize() {
    TCustomPanel::Resize();
    if (FTitleBar) FTitleBar->SetTop(0);
}

void TscForm::WndProc(TMessage& M) {
    if (M.Msg == WM_ERASEBKGND) {
        M.Result = 1;
        return;
    }
    TCustomPanel::WndProc(M);
}

void TscForm::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFileTheme) {
        FFileTheme = nullptr;
        if (FForm) SetChildrenTheme(this, DeepBlue, /*Theme=*/nullptr);
        SetUIStyle(DeepBlue);
    }
    if (Operation == opRemove && AComponent == FMenu) {
        FMenu = nullptr;
        RebuildMenuBar();
    }
    if (Operation == opRemove && AComponent == FMenuBar) FMenuBar = nullptr;
    if (Operation == opRemove && AComponent == FFormPanel) FFormPanel = nullptr;
}

void TscForm::SetMenu(TMainMenu* Value) {
    if (!FForm) return;
    if (auto* Old = dynamic_cast<TscMainMenu*>(FMenu); Old && Old != Value) Old->SkinForm = nullptr;
    if (FMenu && FMenu != Value) FMenu->RemoveFreeNotification(this);
    FMenu = Value;
    if (Value) Value->FreeNotification(this);
    if (auto* M = dynamic_cast<TscMainMenu*>(Value)) M->SkinForm = this;
    RebuildMenuBar();
}

void TscForm::SetMenuBarHeight(int Value) {
    FMenuBarHeight = Value;
    if (FMenuBar) {
        FMenuBar->SetButtonHeight(Value);
        for (int I = 0; I < FMenuBar->ButtonCount(); ++I) FMenuBar->Buttons(I)->SetHeight(Value);
        FMenuBar->SetHeight(Value);
    }
}

void TscForm::SetMenuBarColor(TColor Value) {
    FMenuBarColor = Value;
    if (FMenuBar) FMenuBar->SetColor(Value);
    PaintFrame();
}

std::string TscForm::FormCaption() const { return FTitleBar ? FTitleBar->Caption() : std::string(); }

void TscForm::SetFormCaption(const std::string& Value) {
    if (!FTitleBar) return;
    FTitleBar->SetCaption(Value);
    if (FForm) FForm->SetCaption(Value);
}

void TscForm::SetFormPanel(TWinControl* Value) {
    if (Value == this) {
        if (Application)
            Application->MessageBox("Sorry, you can't select the Form assign to FormPanel property", Application->Title(),
                                    MB_OK | MB_ICONERROR);
        return;
    }
    if (FFormPanel && FFormPanel != Value) FFormPanel->RemoveFreeNotification(this);
    FFormPanel = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    if (auto* P = dynamic_cast<TPanel*>(Value)) {
        P->BevelInner = bvNone;
        P->BevelOuter = bvNone;
        P->BorderStyle = bsNoBorder;
        P->SetCaption("");
    } else if (auto* I = dynamic_cast<TscImagePanel*>(Value)) {
        I->SetCaption("");
    }
    Value->SetAlign(alClient);
}

void TscForm::RebuildMenuBar() {
    if (!FForm || FDestroying) return;
    if (!FMenu) {
        if (FMenuBar) {
            TscMenuBar* B = FMenuBar;
            FMenuBar = nullptr;
            B->Free();
        }
        return;
    }
    if (!FMenuBar) {
        FMenuBar = new TscMenuBar(this, this);
        FMenuBar->Flat = true;
        FMenuBar->ShowCaptions = true;
        FMenuBar->Wrapable = true;
        FMenuBar->SetParent(this);
        FMenuBar->SetButtonHeight(FMenuBarHeight);
        FMenuBar->SetHeight(FMenuBarHeight);
        FMenuBar->SetColor(FMenuBarColor);
        FMenuBar->OnCustomDrawButton = [this](TToolBar*, TToolButton* B, TCanvas& C, TCustomDrawState S, bool& D) {
            DrawMenuBarButton(B, C, S, D);
        };
        FMenuBar->OnCustomDraw = [this](TToolBar*, TCanvas& C, const TRect& R, bool& D) { DrawMenuBarBackground(C, R, D); };
        if (FTitleBar) FTitleBar->SetTop(0);
    }
    FMenuBar->SetAutoSize(false);
    while (FMenuBar->ButtonCount() > 0) FMenuBar->Buttons(0)->Free();
    // Made from the last item to the first, each placed before the ones made so far.
    TMenuItem* Items = FMenu->Items();
    std::vector<TToolButton*> Made;
    for (int I = Items->Count() - 1; I >= 0; --I) {
        auto* B = new TToolButton(FMenuBar);
        B->AutoSize = true;
        B->Grouping = true;
        B->SetMenuItem(Items->Items(I));
        Made.insert(Made.begin(), B);
    }
    for (TToolButton* B : Made) B->SetParent(FMenuBar);
    FMenuBar->SetAutoSize(true);
    UpdateMenuBarButtons();
}

void TscForm::UpdateMenuBarButtons() {
    if (!FMenuBar) return;
    for (int I = 0; I < FMenuBar->ButtonCount(); ++I)
        if (TToolButton* B = FMenuBar->Buttons(I); B->MenuItem()) {
            B->SetCaption(B->MenuItem()->Caption());
            B->SetEnabled(B->MenuItem()->Enabled());
        }
    FMenuBar->Invalidate();
}

bool TscForm::MenuLook(TscUIStyle& Effective, TscFileTheme*& Theme) {
    TscUIStyle Style = FUIStyle;
    Theme = FFileTheme;
    if (auto* M = dynamic_cast<TscMainMenu*>(FMenu)) {
        Style = M->UIStyle();
        Theme = M->FileTheme();
    }
    return TscFileTheme::ResolveUIStyle(Theme, Style, Effective);
}

void TscForm::DrawMenuBarButton(TToolButton* Button, TCanvas& C, TCustomDrawState State, bool& DefaultDraw) {
    DefaultDraw = false;  // the bar's own drawing is always left out
    TscUIStyle E;
    TscFileTheme* T;
    bool FromFile = MenuLook(E, T);
    auto Colour = [&](int Key) { return FromFile ? T->GetColor(Key) : GetBuiltInStyleColor(E, Key); };
    if (auto* M = dynamic_cast<TscMainMenu*>(FMenu); M && M->UseSystemFont) AssignSystemMenuFont(C.Font());
    TRect R(0, 0, Button->Width(), Button->Height());
    std::string Text = Button->Caption();
    bool Active = State.Contains(cdsHot) || State.Contains(cdsSelected);
    if (Active && E == MacOS) {
        TBitmap Sel;
        Sel.LoadFromResourceName(/*Instance=*/nullptr, "MACOS_MENU_SELECT");
        C.StretchDraw(R, Sel);
        C.Font().SetColor(Colour(skMenuSelectedFontColor));
    } else if (Active) {
        if (State.Contains(cdsSelected)) R.right -= 2;
        C.Brush().SetColor(Colour(skMenuSelectedBackgroundColor));
        C.FillRect(R);
        C.Brush().SetColor(Colour(skMenuSelectedBorderColor));
        C.FrameRect(R);
        C.Font().SetColor(Colour(skMenuSelectedFontColor));
        R.top += 2;
        R.bottom += 2;
        if (State.Contains(cdsSelected)) R.left += 2;
    } else {
        bool White = FromFile && T->GetInteger(skControlFontColor) == 0x30000;
        C.Font().SetColor(!Button->Enabled() ? TColor(0x808080) : White ? clWhite : Colour(skMenuFontColor));
        R.top += 2;
        R.bottom += 2;
    }
    C.Brush().SetStyle(bsClear);
    C.TextExtent("W");
    RECT TR = R;
    DrawTextA(C.Handle(), Text.c_str(), static_cast<int>(Text.size()), &TR, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void TscForm::DrawMenuBarBackground(TCanvas& C, const TRect& R, bool& DefaultDraw) {
    TscUIStyle E;
    TscFileTheme* T;
    MenuLook(E, T);
    if (E != MacOS) return;
    TBitmap Bar;
    Bar.LoadFromResourceName(/*Instance=*/nullptr, "MACOS_MENU_BAR");
    C.StretchDraw(R, Bar);
    DefaultDraw = false;
}

TClassInfo& TscForm::StaticClassInfo() {
    using S = std::function<void(TscForm&, const TFormValue&, TFormReader&)>;
    static TClassInfo CI("TscForm", &TCustomPanel::StaticClassInfo(), CreateComponentOf<TscForm>, [](TClassInfo& C) {
        DefineThemeProperties<TscForm>(C);
        C.Define<TscForm>("UIStyleAutoUpdateSub", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.UIStyleAutoUpdateSub = R.Bool(V);
                          }));
        C.Define<TscForm>("TitleBarVisible", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.SetTitleBarVisible(R.Bool(V));
                          }));
        C.Define<TscForm>("Caption", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.SetFormCaption(R.String(V));
                          }));
        C.Define<TscForm>("BorderColor", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.SetFrameColor(ControlProps::ReadColor(R, V));
                          }));
        C.Define<TscForm>("BorderWidth", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.SetFrameWidth(static_cast<int>(R.Int(V)));
                          }));
        C.Define<TscForm>("MenuBarColor", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.SetMenuBarColor(ControlProps::ReadColor(R, V));
                          }));
        C.Define<TscForm>("MenuBarHeight", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.SetMenuBarHeight(static_cast<int>(R.Int(V)));
                          }));
        C.Define<TscForm>("RoundCorner", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.SetRoundCorner(static_cast<int>(R.Int(V)));
                          }));
        C.Define<TscForm>("RoundCornerBottom", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              O.SetRoundCornerBottom(static_cast<int>(R.Int(V)));
                          }));
        C.Define<TscForm>("TitleBarDrawAppIcon", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              if (O.TitleBar()) O.TitleBar()->SetDrawAppIcon(R.Bool(V));
                          }));
        C.Define<TscForm>("TitleBarCustom", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              if (O.TitleBar()) O.TitleBar()->Custom = R.Bool(V);
                          }));
        C.Define<TscForm>("FormPanel", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              R.Reference(V, [&O](TComponent* P) { O.SetFormPanel(dynamic_cast<TWinControl*>(P)); });
                          }));
        C.Define<TscForm>("TitleBarButtons", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              if (O.TitleBar()) ReadTitleBarButtons(*O.TitleBar(), V, R);
                          }));
        C.Define<TscForm>("TitleBarSections", S([](TscForm& O, const TFormValue& V, TFormReader& R) {
                              if (O.TitleBar()) ReadTitleBarSections(*O.TitleBar(), V, R);
                          }));
        C.Define<TscForm>("Version", S([](TscForm&, const TFormValue&, TFormReader&) {}));
    });
    return CI;
}
