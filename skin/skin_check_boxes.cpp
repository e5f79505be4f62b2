#include "skin/skin_check_boxes.h"

#include <vector>

#include "platform/rtl/sysutils.h"
#include "skin/skin_control_paint.h"

namespace {

constexpr UINT CM_BUTTONCHECKED = 0xB0D0;  // a check of the class library's own, repainted like a click

bool HasProp(TControl* C, const char* Name) { return C && GetPropInfo(C, Name); }

bool WindowDisabled(TSkinControl& S) {
    return static_cast<DWORD>(S.GetWindowLongAW(S.Handle, GWL_STYLE)) & WS_DISABLED;
}

// Box and, when the skin paints the whole control, background and caption.
// RightInset: how far in from the right edge a right-hand box sits.
void DrawBoxControl(TSkinControl& S, HDC Dc, const TRect& R, TBitmap& Strip, int N, int F, bool Transparent,
                    int RightInset) {
    int Bw = Strip.Width() / N, Bh = Strip.Height();
    DWORD Style = static_cast<DWORD>(S.GetWindowLongAW(S.Handle, GWL_STYLE));
    bool Rtl = S.Control && S.Control->BiDiMode() == bdRightToLeft;
    TRect Box, Text = R;
    Box.top = R.top + (R.Height() - Bh) / 2;
    Box.bottom = Box.top + Bh;
    UINT Flags = 0;
    if (Style & BS_LEFTTEXT) {
        Box.left = R.right - Bw - RightInset;
        Box.right = R.right - RightInset;
        Text.right = R.right - Bw - 2 - RightInset;
        if (Rtl) Flags = DT_RTLREADING | DT_RIGHT;
    } else {
        Box.left = R.left;
        Box.right = R.left + Bw;
        Text.left = R.left + Bw + 2;
        if (Rtl) Flags = DT_RTLREADING;
    }
    if (S.Mode == 1 && !Transparent) FillFace(S, Dc, R);
    DrawStripFrameKeyed(Dc, Box, N, F, Strip);
    if (S.Mode == 0) return;
    S.Caption = S.Control ? GetStrPropWide(S.Control, "Caption") : GetWindowTextWide(S.Handle);
    HFONT Font = S.Control ? S.Control->Font().Handle()
                           : reinterpret_cast<HFONT>(SendMessageW(S.Handle, WM_GETFONT, 0, 0));
    HGDIOBJ OldFont = Font ? SelectObject(Dc, Font) : nullptr;
    COLORREF OldText = GetTextColor(Dc), OldBack = GetBkColor(Dc);
    int OldMode = GetBkMode(Dc);
    if (S.Control)
        SetTextColor(Dc, static_cast<COLORREF>(
                             ColorToRGB(S.Control->Enabled() ? S.Control->Font().Color() : clBtnShadow)));
    SetBkColor(Dc, static_cast<COLORREF>(ColorToRGB(S.SkinData->ColButtonFace)));
    SetBkMode(Dc, TRANSPARENT);
    RECT M = Text;
    DrawWideText(Dc, S.Caption, &M, Flags | DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP);
    OffsetRect(&Text, 0, (R.Height() - (M.bottom - M.top)) / 2);
    if (GetFocus() == S.Handle && !S.Caption.empty())
        DrawFocusAroundText(S, Dc, Flags | DT_WORDBREAK | DT_EXPANDTABS, Text);
    RECT T = Text;
    DrawWideText(Dc, S.Caption, &T, Flags | DT_WORDBREAK | DT_EXPANDTABS);
    SetBkMode(Dc, OldMode);
    SetTextColor(Dc, OldText);
    SetBkColor(Dc, OldBack);
    if (OldFont) SelectObject(Dc, OldFont);
}

// Before-message handling both boxes share.
bool BoxBeforeMessage(TSkinControl& S, bool Transparent, TMessage& M, bool BaseAnswer) {
    if (!BaseAnswer) return false;
    switch (M.Msg) {
        case WM_PAINT:
        case WM_PRINT:
            if (S.Mode != 1) return true;
            HandlePaintMessage(S, M);
            return false;
        case WM_ERASEBKGND:
            if (!Transparent) return true;
            EraseWithParent(S, M);
            return false;
        default: return true;
    }
}

bool RedrawnByBoxes(UINT Msg) {
    return Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONUP || Msg == WM_LBUTTONDBLCLK || Msg == CM_EXIT ||
           Msg == CM_BUTTONCHECKED;
}

bool TransparentFor(TSkinControl& S) {
    return (S.Control && S.Control->Tag == 5555) || (S.SkinData && S.SkinData->Options.Contains(xoTransparent));
}

}  // namespace

// ---- Check box --------------------------------------------------------------------
void TSkinCheckBox::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas,
                                  bool ASetColor) {
    if (Attached) return;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    CheckState = 0;
    Mode = 0;
    if (!Control) return;
    TDataSkinButton* B = SkinData ? SkinData->Button.get() : nullptr;
    if (B && B->CheckBitmap && !B->CheckBitmap->Empty()) Mode = 1;
    Transparent = TransparentFor(*this);
}

int TSkinCheckBox::BoxFrame() {
    auto State = static_cast<UINT>(SendMessageW(Handle, BM_GETSTATE, 0, 0));
    int F = (State & BST_CHECKED) ? 2 : 1;
    if (HasProp(Control, "State")) {
        std::string V = LowerCase(GetEnumPropName(Control, "State"));
        if (V.find("uncheck") != std::string::npos)
            F = 1;
        else if (V.find("check") != std::string::npos)
            F = 2;
        else if (V.find("gray") != std::string::npos)
            F = 4;
    } else if (HasProp(Control, "Checked")) {
        F = LowerCase(GetEnumPropName(Control, "Checked")) == "true" ? 2 : 1;
    }
    if (HasProp(Control, "DataField") && CheckState != 0) {
        F = CheckState;
        if (F == 3) F = 4;
    }
    // Kept as the data-binding controls show it.
    if (HasProp(Control, "DataBinding")) F = 1;
    bool Disabled = WindowDisabled(*this);
    if (Disabled) F += 2;
    bool Indeterminate = State & BST_INDETERMINATE;
    if (Indeterminate) F = 4;
    if (SkinData->Button->CheckFrameCount == 12) {
        // One lookup: a 3 that became 4 does not go on to 8.
        if (F == 2)
            F = 5;
        else if (F == 3)
            F = 4;
        else if (F == 4)
            F = 8;
        if (Indeterminate) F = Disabled ? 12 : 9;
    }
    return F;
}

void TSkinCheckBox::Draw(HDC Dc, const TRect& R) {
    TDataSkinButton* B = SkinData ? SkinData->Button.get() : nullptr;
    if (!B || !B->CheckBitmap || B->CheckBitmap->Empty() || B->CheckFrameCount < 1) {
        Mode = 0;
        return;
    }
    DrawBoxControl(*this, Dc, R, *B->CheckBitmap, B->CheckFrameCount, BoxFrame(), Transparent, 0);
}

bool TSkinCheckBox::BeforeMessage(TMessage& M) {
    return BoxBeforeMessage(*this, Transparent, M, TSkinControl::BeforeMessage(M));
}

void TSkinCheckBox::AfterMessage(TMessage& M) {
    if (M.Msg == BM_SETCHECK) {
        CheckState = static_cast<int32_t>(M.WParam) + 1;
        Redraw();
    } else if (RedrawnByBoxes(M.Msg)) {
        Redraw();
    } else {
        TSkinControl::AfterMessage(M);
    }
}

// ---- Glyph strips for other libraries' boxes --------------------------------------------------
void TSkinObjImage::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool) {
    if (Attached) return;
    SkinData = ASkinData;
    SkinForm = ASkinForm;
    Canvas = ACanvas;
    Control = dynamic_cast<TControl*>(Owner());
    if (auto* W = dynamic_cast<TWinControl*>(Control)) Handle = W->Handle();
    if (SkinForm) SkinForm->AddControlSkin(this);
    HandOverGlyphs();
    Attached = true;
    LifeState = 1;
}

void TSkinObjImage::SkinChanged() { HandOverGlyphs(); }

void TSkinObjImage::HandOverGlyphs() {
    TDataSkinButton* B = SkinData ? SkinData->Button.get() : nullptr;
    if (!B || !Control) return;
    TBitmap* Source = Kind == 2 ? B->RadioBitmap.get() : B->CheckBitmap.get();
    int N = Kind == 2 ? B->RadioFrameCount : B->CheckFrameCount;
    if (!Source || Source->Empty() || N < 1) return;
    int W = Source->Width() / N, H = Source->Height();
    if (W <= 0) return;
    // Target frame <- source frame, both 1-based.
    std::vector<std::pair<int, int>> Map;
    int Frames = 0;
    if (Kind == 1) {
        Frames = 9;
        Map = {{1, 1}, {4, 1}, {2, 2}, {5, 2}, {7, 3}, {8, 4}};
        if (N == 5) Map.insert(Map.end(), {{3, 5}, {6, 5}, {9, 5}});
    } else if (Kind == 2) {
        Frames = 6;
        Map = {{1, 1}, {3, 1}, {2, 2}, {4, 2}, {5, 3}, {6, 4}};
    } else if (Kind == 3) {
        Frames = 6;
        Map = {{1, 1}, {4, 1}, {2, 2}, {5, 2}};
        if (N == 5) Map.insert(Map.end(), {{3, 5}, {6, 5}});
    } else {
        return;
    }
    TBitmap Strip(W * Frames, H);
    for (auto [To, From] : Map)
        if (From <= N)
            Strip.Canvas().CopyRect(TRect((To - 1) * W, 0, To * W, H), Source->Canvas(),
                                    TRect((From - 1) * W, 0, From * W, H));
    if (Kind == 1 || Kind == 2) {
        if (auto* Target = GetObjectPropByName<TBitmap>(Control, "CustomGlyphs")) Target->Assign(Strip);
        SetPropFromText(Control, "transparentcolor", "16711935");
        // Off and on again, so the control takes the new glyphs.
        SetPropFromText(Control, "UseCustomGlyphs", "false");
        SetPropFromText(Control, "UseCustomGlyphs", "true");
    } else if (auto* Props = GetObjectPropValue(Control, "Properties")) {
        if (auto* Glyph = GetObjectPropByName<TBitmap>(Props, "Glyph")) {
            Glyph->Assign(Strip);
            Glyph->TransparentColor = clFuchsia;
            Glyph->Transparent = false;
        }
    }
}

void TSkinObjImage::Detach() {
    if (!Control) return;
    if (Kind == 1 || Kind == 2) {
        SetPropFromText(Control, "UseCustomGlyphs", "false");
    } else if (Kind == 3) {
        if (auto* Props = GetObjectPropValue(Control, "Properties"))
            if (auto* Glyph = GetObjectPropByName<TBitmap>(Props, "Glyph")) Glyph->Assign(TBitmap());
    }
}

// ---- Radio button -------------------------------------------------------------------
void TSkinRadioButton::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas,
                                     bool ASetColor) {
    if (Attached) return;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    Mode = 0;
    if (!Control) return;
    TDataSkinButton* B = SkinData ? SkinData->Button.get() : nullptr;
    if (B && B->RadioBitmap && !B->RadioBitmap->Empty()) Mode = 1;
    Transparent = TransparentFor(*this);
}

int TSkinRadioButton::BoxFrame() {
    int F = SendMessageW(Handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 2 : 1;
    if (HasProp(Control, "Checked")) F = LowerCase(GetEnumPropName(Control, "Checked")) == "true" ? 2 : 1;
    if (WindowDisabled(*this)) F += 2;
    if (SkinData->Button->RadioFrameCount == 8) {
        if (F == 2)
            F = 5;
        else if (F == 3)
            F = 4;
        else if (F == 4)
            F = 8;
    }
    return F;
}

void TSkinRadioButton::Draw(HDC Dc, const TRect& R) {
    TDataSkinButton* B = SkinData ? SkinData->Button.get() : nullptr;
    if (!B || !B->RadioBitmap || B->RadioBitmap->Empty() || B->RadioFrameCount < 1) {
        Mode = 0;
        return;
    }
    DrawBoxControl(*this, Dc, R, *B->RadioBitmap, B->RadioFrameCount, BoxFrame(), Transparent, 1);
}

bool TSkinRadioButton::BeforeMessage(TMessage& M) {
    return BoxBeforeMessage(*this, Transparent, M, TSkinControl::BeforeMessage(M));
}

void TSkinRadioButton::AfterMessage(TMessage& M) {
    if (M.Msg == BM_SETCHECK || RedrawnByBoxes(M.Msg))
        Redraw();
    else
        TSkinControl::AfterMessage(M);
}
