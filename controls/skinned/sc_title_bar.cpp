#include "controls/skinned/sc_title_bar.h"

#include "controls/skinned/sc_file_theme.h"
#include "controls/skinned/sc_form.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "platform/win/winuser.h"
#include "platform/rtl/scope.h"

namespace {
void ErrorBox(const std::string& Text) {
    if (Application) Application->MessageBox(Text, Application->Title(), MB_OK | MB_ICONERROR);
}
// The first frame of the three of each button type in the 18-frame strip.
int FirstFrame(TscTitleBarBtnType T) {
    switch (T) {
        case scControlBox: return 1;
        case scHelp: return 4;
        case scMax: return 7;
        case scMin: return 13;
        default: return 16;
    }
}
// The main form is minimised as the system would; others by their state.
void MinimizeForm(TCustomForm* F) {
    if (Application && F == Application->MainForm())
        SendMessageA(F->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else
        F->SetWindowState(wsMinimized);
}
bool RightToLeftBar(const TscTitleBar* Bar) { return Bar->BiDiMode() == bdRightToLeft && SysLocale.MiddleEast; }
}  // namespace

template <class T>
void TscTitleBarCollection<T>::Update(TCollectionItem* Item) {
    TCollectionOf<T>::Update(Item);
    if (FOwner) FOwner->Invalidate();
}
template class TscTitleBarCollection<TscTitleBarButton>;
template class TscTitleBarCollection<TscTitleBarSection>;

// ---- Buttons ---------------------------------------------------------------------------

TscTitleBarButton::TscTitleBarButton(TCollection* Collection)
    : TCollectionItem(Collection),
      FPicNormal(std::make_unique<TPicture>()),
      FPicMouseOn(std::make_unique<TPicture>()),
      FPicMouseDown(std::make_unique<TPicture>()) {}

TscTitleBar* TscTitleBarButton::TitleBar() const {
    auto* C = dynamic_cast<TscTitleBarButtons*>(Collection());
    return C ? C->Owner() : nullptr;
}

void TscTitleBarButton::Assign(const TscTitleBarButton& S) {
    FVisible = S.FVisible;
    FButtonType = S.FButtonType;
    FTransparent = S.FTransparent;
    FTop = S.FTop;
    FUIStyle = S.FUIStyle;
    FPicNormal->Assign(S.FPicNormal->Graphic());
    FPicMouseOn->Assign(S.FPicMouseOn->Graphic());
    FPicMouseDown->Assign(S.FPicMouseDown->Graphic());
    ControlBoxMenu = S.ControlBoxMenu;
    Changed();
}

void TscTitleBarButton::SetVisible(bool Value) {
    FVisible = Value;
    Changed();
}

void TscTitleBarButton::SetButtonType(TscTitleBarBtnType Value) {
    if (Value == scControlBox)
        if (auto* C = dynamic_cast<TscTitleBarButtons*>(Collection()))
            for (int I = 0; I < C->Count(); ++I)
                if (C->Items(I) != this && C->Items(I)->ButtonType() == scControlBox) {
                    ErrorBox("Sorry, only one button's ButtonType property can be \"scControlBox\"");
                    return;
                }
    FButtonType = Value;
    ApplyStyle();
    Changed();
}

void TscTitleBarButton::SetTransparent(bool Value) {
    FTransparent = Value;
    Changed();
}

void TscTitleBarButton::SetTop(int Value) {
    FTop = Value;
    Changed();
}

void TscTitleBarButton::SetUIStyle(TscUIStyle Value) {
    FUIStyle = Value;
    ApplyStyle();
}

void TscTitleBarButton::ApplyStyle() {
    TscTitleBar* Bar = TitleBar();
    TscFileTheme* Theme = Bar ? Bar->FileTheme() : nullptr;
    TscUIStyle E;
    bool FromFile = TscFileTheme::ResolveUIStyle(Theme, FUIStyle, E);
    FTransparent = FromFile ? Theme->GetBool(skTitleBarButtonTransparentBool)
                            : GetBuiltInStyleBool(E, skTitleBarButtonTransparentBool);
    if (FButtonType == scCustom) return;
    int K = FirstFrame(FButtonType);
    if (FButtonType == scMax && Bar && !Bar->Custom)
        if (TCustomForm* F = GetParentForm(Bar); F && F->WindowState() == wsMaximized) K = 10;
    TPicture* Pics[3] = {FPicNormal.get(), FPicMouseOn.get(), FPicMouseDown.get()};
    for (int I = 0; I < 3; ++I) {
        TBitmap B;
        if (FromFile)
            Theme->GetImageFrame(skTitleBarButtonImage, &B, 18, K + I);
        else
            GetBuiltInStyleImage(E, skTitleBarButtonImage, &B, 18, K + I);
        B.Transparent = FTransparent;
        Pics[I]->Assign(&B);
    }
    FTop = FromFile ? Theme->GetInteger(skTitleBarButtonTopInt) : GetBuiltInStyleInteger(E, skTitleBarButtonTopInt);
}

void TscTitleBarButton::Click() {
    TscTitleBar* Bar = TitleBar();
    TCustomForm* F = Bar ? GetParentForm(Bar) : nullptr;
    if (!F) return;
    switch (FButtonType) {
        case scMax:
            if (F->WindowState() == wsMaximized) {
                F->SetWindowState(wsNormal);
            } else {
                F->SetWindowState(wsMaximized);
                if (!dynamic_cast<TscForm*>(Bar->Parent())) {
                    TRect W;
                    GetWorkAreaRect(W);
                    F->SetBounds(W.left - 4, W.top - 4, W.Width() + 8, W.Height() + 3);
                }
            }
            Bar->UpdateMaximizeButtons();
            break;
        case scMin: MinimizeForm(F); break;
        case scClose: F->Close(); break;
        case scControlBox:
            if (ControlBoxMenu) {
                POINT P = Bar->MenuPoint();
                ControlBoxMenu->Popup(P.x, P.y);
            }
            break;
        default: break;
    }
}

// ---- Sections ---------------------------------------------------------------------------

TscTitleBarSection::TscTitleBarSection(TCollection* Collection)
    : TCollectionItem(Collection), FPicture(std::make_unique<TPicture>()) {}

void TscTitleBarSection::Assign(const TscTitleBarSection& S) {
    FWidth = S.FWidth;
    FAlign = S.FAlign;
    FPicture->Assign(S.FPicture->Graphic());
    FStretch = S.FStretch;
    FAutoSize = S.FAutoSize;
    Changed();
}

void TscTitleBarSection::SetWidth(int Value) {
    FWidth = Value;
    Changed();
}

void TscTitleBarSection::SetAlign(TscTitleBarAlign Value) {
    if (Value == scClient)
        if (auto* C = dynamic_cast<TscTitleBarSections*>(Collection()))
            for (int I = 0; I < C->Count(); ++I)
                if (C->Items(I) != this && C->Items(I)->Align() == scClient) {
                    ErrorBox("Sorry, only one section's Align property can be \"scClient\"");
                    return;
                }
    FAlign = Value;
    if (Value == scClient) FStretch = true;
    Changed();
}

void TscTitleBarSection::SetPicture(TGraphic* Value) {
    FPicture->Assign(Value);
    if (Value && FAutoSize) FWidth = FPicture->Width();
    Changed();
}

void TscTitleBarSection::SetStretch(bool Value) {
    FStretch = Value || FAlign == scClient;
    Changed();
}

void TscTitleBarSection::SetAutoSize(bool Value) {
    FAutoSize = Value;
    if (Value && FPicture->Graphic()) FWidth = FPicture->Width();
    Changed();
}

// ---- The system menu ----------------------------------------------------------------------

TscTitleBarPopupMenu::TscTitleBarPopupMenu(TComponent* AOwner, TscTitleBar* Bar) : TscPopupMenu(AOwner), TitleBar(Bar) {
    const char* Captions[] = {"Mi&nimize", "Ma&ximize/Restore", "-", "&Close"};
    for (int I = 0; I < 4; ++I) {
        auto* Item = new TMenuItem(this);
        Item->SetCaption(Captions[I]);
        Items()->Add(Item);
    }
    auto Each = [this](TscTitleBarBtnType T, bool All) {
        TscTitleBarButtons& B = TitleBar->Buttons();
        for (int I = 0; I < B.Count(); ++I)
            if (B.Items(I)->Visible() && B.Items(I)->ButtonType() == T) {
                B.Items(I)->Click();
                if (!All) return;
            }
    };
    Items()->Items(0)->OnClick = [this](TObject*) {
        if (TCustomForm* F = GetParentForm(TitleBar)) MinimizeForm(F);
    };
    Items()->Items(1)->OnClick = [Each](TObject*) { Each(scMax, true); };
    Items()->Items(3)->OnClick = [this](TObject*) {
        if (TCustomForm* F = GetParentForm(TitleBar)) F->Close();
    };
}

void TscTitleBarPopupMenu::Popup(int X, int Y) {
    bool Has[6] = {};
    TscTitleBarButtons& B = TitleBar->Buttons();
    for (int I = 0; I < B.Count(); ++I)
        if (B.Items(I)->Visible()) Has[B.Items(I)->ButtonType()] = true;
    Items()->Items(0)->SetEnabled(Has[scMin]);
    Items()->Items(1)->SetEnabled(Has[scMax]);
    Items()->Items(3)->SetEnabled(Has[scClose]);
    if (RightToLeftBar(TitleBar)) X += 176;
    TscPopupMenu::Popup(X, Y);
}

// ---- The bar --------------------------------------------------------------------------------

TscTitleBar::TscTitleBar(TComponent* AOwner)
    : TCustomPanel(AOwner),
      FSections(std::make_unique<TscTitleBarSections>(this)),
      FButtons(std::make_unique<TscTitleBarButtons>(this)) {
    ControlStyle.Exclude(csAcceptsControls);
    BevelInner = bvNone;
    BevelOuter = bvNone;
    FTitleBarMenu = new TscTitleBarPopupMenu(this, this);
    for (TscTitleBarBtnType T : {scControlBox, scClose, scMax, scMin}) FButtons->Add()->SetButtonType(T);
    SetAlign(alTop);
    Font().SetColor(TColor(0xFFFFFF));
    Font().SetName("Tahoma");
    Font().SetStyle(TFontStyles{fsBold});
    SetUIStyle(GetOwnerUIStyle(AOwner));
}

TscTitleBar::~TscTitleBar() {
    if (FFileTheme) FFileTheme->RemoveFreeNotification(this);
}

bool TscTitleBar::ParentIsSkinnedForm() const { return dynamic_cast<TscForm*>(Parent()) != nullptr; }

int TscTitleBar::FormBorderPictureWidth() const {
    auto* S = dynamic_cast<TscForm*>(Parent());
    TForm* F = S ? S->SkinnedForm() : nullptr;
    // Asked through the form's window procedure, which the skinned form answers.
    return F ? static_cast<int>(F->Perform(TscForm::MsgBorderPictureWidth, 0, 0)) : 0;
}

void TscTitleBar::RebuildFromStyle(TscUIStyle E, bool FromFile) {
    TscFileTheme* T = FFileTheme;
    auto Int = [&](int Key) { return FromFile ? T->GetInteger(Key) : GetBuiltInStyleInteger(E, Key); };
    auto Add = [&](int Key, bool Auto, TscTitleBarAlign A) {
        TBitmap B;
        if (FromFile)
            T->GetImage(Key, &B);
        else
            GetBuiltInStyleImage(E, Key, &B, 0, 0);
        TscTitleBarSection* S = FSections->Add();
        S->SetAutoSize(Auto);
        if (A != scLeft) S->SetAlign(A);
        S->SetPicture(&B);
    };
    Add(skTitleBarLeftImage, true, scLeft);
    Add(skTitleBarRightImage, true, scRight);
    Add(skTitleBarClientImage, false, scClient);
    FLeftBtnXOffset = Int(skTitleBarButtonLeftOffsetInt);
    FRightBtnXOffset = Int(skTitleBarButtonRightOffsetInt);
    TBitmap Strip;
    if (FromFile)
        T->GetImage(skTitleBarButtonImage, &Strip);
    else
        GetBuiltInStyleImage(E, skTitleBarButtonImage, &Strip, 0, 0);
    FCaptionAreaHeight = Strip.Height();
    FButtonTop = Int(skTitleBarButtonTopInt) - (ParentIsSkinnedForm() ? 3 : 0);
    if (TCustomForm* F = GetParentForm(this)) F->Constraints.MinWidth = Int(skFormMinWidthInt);
    RoundCorner = Int(skFormRoundCornerInt);
    RoundCornerBottom = FromFile ? T->GetInteger(skFormBottomRoundCornerInt) : 0;
}

void TscTitleBar::SetUIStyle(TscUIStyle Value) {
    FUIStyle = Value;
    if (Custom) return;
    FSections->Clear();
    TscUIStyle E;
    bool FromFile = TscFileTheme::ResolveUIStyle(FFileTheme, Value, E);
    RebuildFromStyle(E, FromFile);
    for (int I = 0; I < FButtons->Count(); ++I) FButtons->Items(I)->SetUIStyle(E);
    FTitleBarMenu->SetFileTheme(FFileTheme);
    FTitleBarMenu->SetUIStyle(E);
    if (!FKeepFontColor) {
        TColor C = clWhite;
        if (E == MacOS) {
            C = clBlack;
        } else if (FromFile) {
            int Given = FFileTheme->GetInteger(skTitleBarFontColor);
            int Base = FFileTheme->GetInteger(skControlFontColor);
            if (Given != -1)
                C = TColor(Given);
            else if (Base == 0x10000 || Base == 0x30000 || Base == 0x40000 || Base == 0x50000)
                C = clBlack;
        }
        Font().SetColor(C);
    }
    SetAutoSize(true);
    Invalidate();
}

void TscTitleBar::SetFileTheme(TscFileTheme* Value) {
    if (FFileTheme && FFileTheme != Value) FFileTheme->RemoveFreeNotification(this);
    FFileTheme = Value;
    if (Value) Value->FreeNotification(this);
    rtl::TSetForScope SetKeepFontColor(FKeepFontColor, true);
    SetUIStyle(FUIStyle);
}

void TscTitleBar::SetAutoSize(bool Value) {
    FAutoSize = Value;
    if (FSections->Count() == 0) {
        FAutoSize = false;
        return;
    }
    SetHeight(FSections->Items(0)->Picture().Height() - (ParentIsSkinnedForm() ? 3 : 0));
}

void TscTitleBar::SetButtonInterval(int Value) {
    FButtonInterval = Value;
    Invalidate();
}
void TscTitleBar::SetFormActive(bool Value) {
    FFormActive = Value;
    Invalidate();
}
void TscTitleBar::SetLeftBtnXOffset(int Value) {
    FLeftBtnXOffset = Value;
    Invalidate();
}
void TscTitleBar::SetRightBtnXOffset(int Value) {
    FRightBtnXOffset = Value;
    Invalidate();
}
void TscTitleBar::SetDrawAppIcon(bool Value) {
    FDrawAppIcon = Value;
    Invalidate();
}

void TscTitleBar::UpdateMaximizeButtons() {
    for (int I = 0; I < FButtons->Count(); ++I)
        if (FButtons->Items(I)->ButtonType() == scMax) FButtons->Items(I)->ApplyStyle();
    Invalidate();
}

TGraphic* TscTitleBar::GetLeftSectionGraphic() {
    return FSections->Count() > 0 ? FSections->Items(0)->Picture().Graphic() : nullptr;
}
TGraphic* TscTitleBar::GetRightSectionGraphic() {
    return FSections->Count() > 1 ? FSections->Items(1)->Picture().Graphic() : nullptr;
}
TGraphic* TscTitleBar::GetClientSectionGraphic() {
    return FSections->Count() > 2 ? FSections->Items(2)->Picture().Graphic() : nullptr;
}
bool TscTitleBar::HasThreeSectionPictures() {
    if (FSections->Count() != 3) return false;
    for (int I = 0; I < 3; ++I)
        if (!FSections->Items(I)->Picture().Graphic() || FSections->Items(I)->Picture().Graphic()->Empty()) return false;
    return true;
}

TRect TscTitleBar::ButtonRect(int Index) const {
    return Index >= 0 && Index < static_cast<int>(FButtonRects.size()) ? FButtonRects[Index] : TRect();
}

int TscTitleBar::ButtonAt(POINT P) const {
    for (int I = 0; I < static_cast<int>(FButtonRects.size()); ++I)
        if (FButtonRects[I].Width() > 0 && PtInRectInclusive(P, FButtonRects[I])) return I;
    return -1;
}

POINT TscTitleBar::MenuPoint() {
    POINT P = ClientToScreen(POINT{RightToLeftBar(this) ? 176 : 0, Height()});
    if (P.x < 0) P.x = 0;
    return P;
}

void TscTitleBar::PaintSections(TBitmap& B) {
    // On a skinned form the pictures reach over its frame: the border picture's width, else 3 pixels.
    int W = FormBorderPictureWidth();
    int X0 = ParentIsSkinnedForm() ? (W ? -W : -3) : 0, Y0 = ParentIsSkinnedForm() ? -3 : 0;
    TCanvas& C = B.Canvas();
    int L = X0, R = B.Width() - X0;
    if (TGraphic* G = GetLeftSectionGraphic(); G && !G->Empty()) {
        C.Draw(X0, Y0, *G);
        L = X0 + G->Width();
    }
    if (TGraphic* G = GetRightSectionGraphic(); G && !G->Empty()) {
        R = B.Width() - G->Width() - X0;
        C.Draw(R, Y0, *G);
    }
    if (TGraphic* G = GetClientSectionGraphic(); G && !G->Empty() && R > L) C.StretchDraw(TRect(L, Y0, R, Y0 + G->Height()), *G);
}

void TscTitleBar::PaintButtonsAndCaption(TBitmap& B) {
    TCanvas& C = B.Canvas();
    const int W = FormBorderPictureWidth();
    int A = B.Width() + FRightBtnXOffset + W;
    FHotButton = -1;
    FButtonRects.assign(FButtons->Count(), TRect());
    POINT Cursor{-10000, -10000};
    if (HandleAllocated()) {
        GetCursorPos(&Cursor);
        Cursor = ScreenToClient(Cursor);
    }
    auto PictureFor = [&](TscTitleBarButton* Btn, const TRect& R, int I) -> TPicture& {
        if (!PtInRectInclusive(Cursor, R)) return Btn->PicNormal();
        FHotButton = I;
        return FButtonPressed ? Btn->PicMouseDown() : Btn->PicMouseOn();
    };
    int ControlBox = -1;
    for (int I = 0; I < FButtons->Count(); ++I) {
        TscTitleBarButton* Btn = FButtons->Items(I);
        if (!Btn->Visible()) continue;
        if (Btn->ButtonType() == scControlBox) {
            ControlBox = I;
            continue;
        }
        int PW = Btn->PicNormal().Width(), PH = Btn->PicNormal().Height();
        A -= PW + FButtonInterval + 1;
        if (B.Width() < PW + A + 1) A = B.Width() - PW - 1;
        TRect R(A, FButtonTop, A + PW, FButtonTop + PH);
        FButtonRects[I] = R;
        TPicture& P = PictureFor(Btn, R, I);
        if (P.Graphic()) {
            P.Graphic()->Transparent = Btn->Transparent();
            C.Draw(A, FButtonTop, *P.Graphic());
        }
    }
    int X = std::max(0, FLeftBtnXOffset - W + 1);
    if (ControlBox >= 0) {
        TscTitleBarButton* Btn = FButtons->Items(ControlBox);
        int PW = Btn->PicNormal().Width(), PH = Btn->PicNormal().Height();
        if (FDrawAppIcon) {
            TRect R(X, FButtonTop, X + PW, FButtonTop + PH);
            FButtonRects[ControlBox] = R;
            PictureFor(Btn, R, ControlBox);
            if (Application && !Application->Icon().Empty())
                C.StretchDraw(TRect(X + 3, FButtonTop, X + 19, FButtonTop + 16), Application->Icon());
            X += 21;
        } else {
            TRect R(X, FButtonTop - 1, X + PW, FButtonTop - 1 + PH);
            FButtonRects[ControlBox] = R;
            TPicture& P = PictureFor(Btn, R, ControlBox);
            if (P.Graphic()) {
                P.Graphic()->Transparent = Btn->Transparent();
                C.Draw(X, FButtonTop - 1, *P.Graphic());
            }
            X += PW + 5;
        }
    }
    if (X == 0) X = 6;
    C.Font().Assign(Font());
    if (!FFormActive) C.Font().SetColor(clInactiveCaptionText);
    C.Brush().SetStyle(bsClear);
    std::string Text = Caption();
    if (C.TextWidth(Text) > A - X) {
        // Ends with "..." alone when not even that fits.
        while (!Text.empty() && C.TextWidth(Text + "...") > A - X) Text.pop_back();
        Text += "...";
    }
    FDrawnCaption = Text;
    int TH = C.TextHeight("W");
    int Top = FButtonTop + (FCaptionAreaHeight - TH) / 2;
    int Left = RightToLeftBar(this) ? A - C.TextWidth(Text) - 10 : X;
    C.TextOut(Left, Top, Text);
}

void TscTitleBar::Paint() {
    int W = Width(), H = Height();
    if (W <= 0 || H <= 0) return;
    TBitmap B(W, H);
    B.Canvas().Brush().SetColor(Color());
    B.Canvas().FillRect(TRect(0, 0, W, H));
    B.Canvas().Brush().SetStyle(bsClear);
    B.Canvas().Font().Assign(Font());
    PaintSections(B);
    PaintButtonsAndCaption(B);
    Canvas().Draw(0, 0, B);
}

void TscTitleBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || Shift.Contains(ssDouble)) return;
    FButtonPressed = true;
    Invalidate();
    TCustomForm* F = GetParentForm(this);
    if (F && ButtonAt(POINT{X, Y}) < 0 && F->WindowState() != wsMaximized) {
        // Moved by the window layer as a drag on its caption.
        ReleaseCapture();
        POINT S = ClientToScreen(POINT{X, Y});
        FButtonPressed = false;
        SendMessageA(F->Handle(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(S.x, S.y));
    }
}

void TscTitleBar::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseMove(Shift, X, Y);
    Invalidate();
}

void TscTitleBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    int Hot = ButtonAt(POINT{X, Y});
    if (Hot >= 0 && FButtonPressed) {
        TscTitleBarButton* Btn = FButtons->Items(Hot);
        if (Btn->ButtonType() != scControlBox || Btn->ControlBoxMenu) Btn->Click();
        if (Btn->ButtonType() == scCustom && OnCustomBtnsClick) OnCustomBtnsClick(this, Hot);
        if (Btn->ButtonType() == scHelp && OnHelpBtnClick) OnHelpBtnClick(this, Hot);
        if (Btn->ButtonType() == scControlBox && !Btn->ControlBoxMenu) {
            POINT P = MenuPoint();
            FButtonPressed = false;
            FTitleBarMenu->Popup(P.x, P.y);
        }
    }
    FButtonPressed = false;
    Invalidate();
}

void TscTitleBar::DblClick() {
    TCustomPanel::DblClick();
    POINT P;
    GetCursorPos(&P);
    int Hot = ButtonAt(ScreenToClient(P));
    if (Hot < 0) {
        for (int I = 0; I < FButtons->Count(); ++I)
            if (FButtons->Items(I)->Visible() && FButtons->Items(I)->ButtonType() == scMax) {
                FButtons->Items(I)->Click();
                break;
            }
    } else if (FButtons->Items(Hot)->ButtonType() == scControlBox) {
        if (TCustomForm* F = GetParentForm(this)) F->Close();
    }
}

void TscTitleBar::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONUP:
        case WM_NCMOUSEMOVE:
            if (TCustomForm* F = GetParentForm(this)) {
                M.Result = F->Perform(M.Msg, M.WParam, M.LParam);
                return;
            }
            break;
        case CM_FONTCHANGED:
        case CM_MOUSELEAVE:
            TCustomPanel::WndProc(M);
            Invalidate();
            return;
        case WM_ERASEBKGND: M.Result = 1; return;
        default: break;
    }
    TCustomPanel::WndProc(M);
}

void TscTitleBar::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFileTheme) {
        FFileTheme = nullptr;
        SetUIStyle(DeepBlue);
    }
    if (Operation == opRemove)
        for (int I = 0; I < FButtons->Count(); ++I)
            if (FButtons->Items(I)->ControlBoxMenu == AComponent) FButtons->Items(I)->ControlBoxMenu = nullptr;
}

// The stored items of the two collections, in place of the ones there.
void ReadTitleBarButtons(TscTitleBar& Bar, const TFormValue& V, TFormReader& R) {
    using S = std::function<void(TscTitleBarButton&, const TFormValue&, TFormReader&)>;
    static TClassInfo Item("TscTitleBarButton", /*Parent=*/nullptr, /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TscTitleBarButton>("Visible", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        B.SetVisible(R.Bool(V));
                                    }));
        C.Define<TscTitleBarButton>("ButtonType", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        B.SetButtonType(R.Enum<TscTitleBarBtnType>(
                                            V, {"scMax", "scMin", "scClose", "scHelp", "scControlBox", "scCustom"}));
                                    }));
        C.Define<TscTitleBarButton>("Transparent", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        B.SetTransparent(R.Bool(V));
                                    }));
        C.Define<TscTitleBarButton>("Top", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        B.SetTop(static_cast<int>(R.Int(V)));
                                    }));
        C.Define<TscTitleBarButton>("UIStyle", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        B.SetUIStyle(ReadUIStyle(V, R));
                                    }));
        C.Define<TscTitleBarButton>("PicNormal.Data", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        ReadPictureData(B.PicNormal(), R.Binary(V));
                                    }));
        C.Define<TscTitleBarButton>("PicMouseOn.Data", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        ReadPictureData(B.PicMouseOn(), R.Binary(V));
                                    }));
        C.Define<TscTitleBarButton>("PicMouseDown.Data", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        ReadPictureData(B.PicMouseDown(), R.Binary(V));
                                    }));
        C.Define<TscTitleBarButton>("ControlBoxMenu", S([](TscTitleBarButton& B, const TFormValue& V, TFormReader& R) {
                                        R.Reference(V, [&B](TComponent* M) { B.ControlBoxMenu = dynamic_cast<TPopupMenu*>(M); });
                                    }));
    });
    if (V.kind != TFormValue::vaCollection) R.Error(R.PropertyPath() + ": a collection is expected");
    const std::string Path = R.PropertyPath();
    Bar.Buttons().Clear();
    for (const auto& Props : V.Items) R.SetProperties(*Bar.Buttons().Add(), Item, Props, Path);
}

void ReadTitleBarSections(TscTitleBar& Bar, const TFormValue& V, TFormReader& R) {
    using S = std::function<void(TscTitleBarSection&, const TFormValue&, TFormReader&)>;
    static TClassInfo Item("TscTitleBarSection", /*Parent=*/nullptr, /*Create=*/nullptr, [](TClassInfo& C) {
        C.Define<TscTitleBarSection>("Width", S([](TscTitleBarSection& X, const TFormValue& V, TFormReader& R) {
                                         X.SetWidth(static_cast<int>(R.Int(V)));
                                     }));
        C.Define<TscTitleBarSection>("Align", S([](TscTitleBarSection& X, const TFormValue& V, TFormReader& R) {
                                         X.SetAlign(R.Enum<TscTitleBarAlign>(V, {"scLeft", "scRight", "scClient"}));
                                     }));
        C.Define<TscTitleBarSection>("Stretch", S([](TscTitleBarSection& X, const TFormValue& V, TFormReader& R) {
                                         X.SetStretch(R.Bool(V));
                                     }));
        C.Define<TscTitleBarSection>("AutoSize", S([](TscTitleBarSection& X, const TFormValue& V, TFormReader& R) {
                                         X.SetAutoSize(R.Bool(V));
                                     }));
        C.Define<TscTitleBarSection>("Picture.Data", S([](TscTitleBarSection& X, const TFormValue& V, TFormReader& R) {
                                         TPicture P;
                                         ReadPictureData(P, R.Binary(V));
                                         X.SetPicture(P.Graphic());
                                     }));
    });
    if (V.kind != TFormValue::vaCollection) R.Error(R.PropertyPath() + ": a collection is expected");
    const std::string Path = R.PropertyPath();
    Bar.Sections().Clear();
    for (const auto& Props : V.Items) R.SetProperties(*Bar.Sections().Add(), Item, Props, Path);
}

TClassInfo& TscTitleBar::StaticClassInfo() {
    using S = std::function<void(TscTitleBar&, const TFormValue&, TFormReader&)>;
    static TClassInfo CI("TscTitleBar", &TCustomPanel::StaticClassInfo(), CreateComponentOf<TscTitleBar>,
                         [](TClassInfo& C) {
                             DefineThemeProperties<TscTitleBar>(C);
                             C.Define<TscTitleBar>("DrawAppIcon", S([](TscTitleBar& O, const TFormValue& V,
                                                                       TFormReader& R) { O.SetDrawAppIcon(R.Bool(V)); }));
                             C.Define<TscTitleBar>("Custom", S([](TscTitleBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.Custom = R.Bool(V);
                                                   }));
                             C.Define<TscTitleBar>("AutoSize", S([](TscTitleBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.SetAutoSize(R.Bool(V));
                                                   }));
                             C.Define<TscTitleBar>("ButtonInterval", S([](TscTitleBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.SetButtonInterval(static_cast<int>(R.Int(V)));
                                                   }));
                             C.Define<TscTitleBar>("FormActive", S([](TscTitleBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.SetFormActive(R.Bool(V));
                                                   }));
                             C.Define<TscTitleBar>("LeftBtnXOffset", S([](TscTitleBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.SetLeftBtnXOffset(static_cast<int>(R.Int(V)));
                                                   }));
                             C.Define<TscTitleBar>("RightBtnXOffset", S([](TscTitleBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.SetRightBtnXOffset(static_cast<int>(R.Int(V)));
                                                   }));
                             C.Define<TscTitleBar>("RoundCorner", S([](TscTitleBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.RoundCorner = static_cast<int>(R.Int(V));
                                                   }));
                             C.Define<TscTitleBar>("RoundCornerBottom", S([](TscTitleBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.RoundCornerBottom = static_cast<int>(R.Int(V));
                                                   }));
                             C.Define<TscTitleBar>("Buttons", S(ReadTitleBarButtons));
                             C.Define<TscTitleBar>("Sections", S(ReadTitleBarSections));
                         });
    return CI;
}
