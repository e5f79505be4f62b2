#include "controls/skinned/sc_check_box.h"

#include "controls/skinned/sc_file_theme.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/formload.h"

TscCheckBox::TscCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
    // No double-click flag: a fast double click is two clicks and toggles twice.
    ControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csCustomPaint, csSetCaption};
    SetParentColor(true);
    SetBounds(Left(), Top(), 93, 17);
    TabStop = true;
    FUIStyle = GetOwnerUIStyle(AOwner);
}

TscCheckBox::~TscCheckBox() {
    if (FFileTheme) FFileTheme->RemoveFreeNotification(this);
}

void TscCheckBox::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    Invalidate();
    DoClickEvent();
}

void TscCheckBox::SetUIStyle(TscUIStyle Value) {
    FUIStyle = Value;
    Invalidate();
}

void TscCheckBox::SetFileTheme(TscFileTheme* Value) {
    if (FFileTheme && FFileTheme != Value) FFileTheme->RemoveFreeNotification(this);
    FFileTheme = Value;
    if (Value) Value->FreeNotification(this);
    SetUIStyle(FUIStyle);
}

void TscCheckBox::SetTransparent(bool Value) {
    FTransparent = Value;
    Invalidate();
}

void TscCheckBox::SetAutoSize(bool Value) {
    FAutoSize = Value;
    Invalidate();
}

void TscCheckBox::SetEnabled(bool Value) {
    TCustomControl::SetEnabled(Value);
    Invalidate();
}

void TscCheckBox::FontChanged() {
    TCustomControl::FontChanged();
    Invalidate();
}

bool TscCheckBox::WantsFocusRect() { return TabStop && HandleAllocated() && Focused(); }

void TscCheckBox::DoClickEvent() {
    if (!ComponentState().Contains(csLoading) && OnClick) OnClick(this);
}

void TscCheckBox::Toggle() {
    BeforeToggle();
    SetChecked(!FChecked);
}

void TscCheckBox::Click() {
    Toggle();
    TCustomControl::Click();
}

void TscCheckBox::TakeFocus() {
    if (!CanFocus() || !Enabled() || !Visible()) return;
    try {
        SetFocus();
    } catch (const Exception&) {
        // A box that cannot take the focus still clicks.
    }
}

void TscCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft) TakeFocus();
}

void TscCheckBox::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_KEYUP:
            TCustomControl::WndProc(M);
            if (HandlesKeyClick() && (M.WParam == VK_SPACE || M.WParam == VK_RETURN) && HandleAllocated() &&
                Focused() && Enabled()) {
                Invalidate();
                Click();
            }
            return;
        case CM_DIALOGCHAR:
            if (Enabled() && IsAccel(static_cast<WORD>(M.WParam), Caption())) {
                TakeFocus();
                Click();
                M.Result = 1;
            } else {
                M.Result = 0;
            }
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TCustomControl::WndProc(M);
            Invalidate();
            return;
        case WM_ERASEBKGND: M.Result = 1; return;
        default: break;
    }
    TCustomControl::WndProc(M);
}

void TscCheckBox::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFileTheme) {
        FFileTheme = nullptr;
        SetUIStyle(DeepBlue);
    }
}

int TscCheckBox::FrameIndex() const {
    if (Enabled()) return FChecked ? 1 : 2;
    return FChecked ? 3 : 4;
}

void TscCheckBox::Paint() {
    TBitmap B, P;
    P.Transparent = IsImageTransparent();
    int Index = FrameIndex();
    B.Canvas().Font().Assign(Font());
    TscUIStyle Effective;
    if (TscFileTheme::ResolveUIStyle(FFileTheme, FUIStyle, Effective))
        FFileTheme->GetImageFrame(GetStyleImageKey(), &P, 4, Index);
    else
        GetBuiltInStyleImage(Effective, GetStyleImageKey(), &P, 4, Index);
    std::string Text = Caption();
    int TH = B.Canvas().TextHeight("W");
    if (FAutoSize) {
        int H = std::max(TH + 2, P.Height()) + 4, W = P.Width() + B.Canvas().TextWidth(Text) + 8;
        if (H != Height() || W != Width()) SetBounds(Left(), Top(), W, H);
    }
    int W = Width(), H = Height();
    B.SetSize(W, H);
    if (!FTransparent) {
        B.Canvas().Brush().SetColor(Color());
        B.Canvas().FillRect(TRect(0, 0, W, H));
    } else if (Parent()) {
        // On a tab sheet the page control behind it is drawn, placed as for the sheet.
        if (auto* Sheet = dynamic_cast<TTabSheet*>(Parent()); Sheet && Sheet->Parent()) {
            int Saved = SaveDC(B.Canvas().Handle());
            OffsetViewportOrgEx(B.Canvas().Handle(), -Left(), -Top(), /*Old=*/nullptr);
            DrawParentBackgroundOnCanvas(B.Canvas(), Sheet);
            RestoreDC(B.Canvas().Handle(), Saved);
        } else {
            DrawParentBackgroundOnCanvas(B.Canvas(), this);
        }
    }
    TCanvas& C = B.Canvas();
    C.Brush().SetStyle(bsClear);
    int T = (ClientHeight() - TH) / 2, PT = (ClientHeight() - P.Height()) / 2, S = P.Width() + 4;
    bool RightToLeft = BiDiMode() == bdRightToLeft && SysLocale.MiddleEast;
    C.TextExtent("W");  // selects the font and the clear brush into the context
    if (!RightToLeft) {
        if (!P.Empty()) C.Draw(1, PT, P);
        RECT R{S, T, W, H};
        DrawTextA(C.Handle(), Text.c_str(), static_cast<int>(Text.size()), &R, DT_SINGLELINE | DT_LEFT);
    } else {
        if (!P.Empty()) C.Draw(W - P.Width() - 1, PT, P);
        RECT R{0, T, W - S, H};
        DrawTextA(C.Handle(), Text.c_str(), static_cast<int>(Text.size()), &R, DT_SINGLELINE | DT_RIGHT);
    }
    if (WantsFocusRect()) {
        C.Brush().SetStyle(bsSolid);
        if (!RightToLeft)
            C.DrawFocusRect(TRect(S - 1, T, W, T + TH + 2));
        else
            C.DrawFocusRect(TRect(0, T, W - S + 2, T + TH + 2));
    }
    Canvas().Draw(0, 0, B);
}

namespace {
using TSetter = std::function<void(TscCheckBox&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TscCheckBox::StaticClassInfo() {
    static TClassInfo CI(
        "TscCheckBox", &TCustomControl::StaticClassInfo(), CreateComponentOf<TscCheckBox>, [](TClassInfo& C) {
            DefineThemeProperties<TscCheckBox>(C);
            C.Define<TscCheckBox>("Checked", TSetter([](TscCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetChecked(R.Bool(V));
                                  }));
            C.Define<TscCheckBox>("State", TSetter([](TscCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetState(R.Enum<TCheckBoxState>(V, {"cbUnchecked", "cbChecked", "cbGrayed"}));
                                  }));
            C.Define<TscCheckBox>("Transparent", TSetter([](TscCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetTransparent(R.Bool(V));
                                  }));
            C.Define<TscCheckBox>("AutoSize", TSetter([](TscCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.SetAutoSize(R.Bool(V));
                                  }));
            C.Define<TscCheckBox>("OnClick", TSetter([](TscCheckBox& O, const TFormValue& V, TFormReader& R) {
                                      O.OnClick = R.Method<TNotifyEvent>(V);
                                  }));
        });
    return CI;
}
