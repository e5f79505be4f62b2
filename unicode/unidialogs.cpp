#include "unicode/unidialogs.h"

#include <algorithm>

#include "platform/rtl/scope.h"

namespace {

struct TButtonInfo {
    const char16_t* Name;
    const char16_t* Caption;
    TModalResult Result;
};
const TButtonInfo Buttons[] = {
    {u"Yes", u"&Yes", 6},         {u"No", u"&No", 7},          {u"OK", u"OK", 1},
    {u"Cancel", u"Cancel", 2},    {u"Abort", u"&Abort", 3},    {u"Retry", u"&Retry", 4},
    {u"Ignore", u"&Ignore", 5},   {u"All", u"&All", 8},        {u"NoToAll", u"N&o to All", 9},
    {u"YesToAll", u"Yes to &All", 10}, {u"Help", u"&Help", 0},
};

// A * B / C rounded to the nearest, as dialog units are converted.
int MulDiv(int A, int B, int C) {
    const long long P = static_cast<long long>(A) * B;
    return static_cast<int>((P >= 0 ? P + C / 2 : P - C / 2) / C);
}

SIZE AverageCharSize(TCanvas& Canvas) {
    WideString Letters;
    for (char16_t C = u'A'; C <= u'Z'; ++C) Letters += C;
    for (char16_t C = u'a'; C <= u'z'; ++C) Letters += C;
    SIZE S = WideTextExtent(Canvas, Letters);
    S.cx /= 52;
    return S;
}

void UseMessageFont(TFont& Font) {
    NONCLIENTMETRICSA M{};
    M.cbSize = 340;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &M, 0)) return;
    const LOGFONTA& L = M.lfMessageFont;
    if (L.lfFaceName[0]) Font.SetName(L.lfFaceName);
    if (L.lfHeight) Font.SetHeight(L.lfHeight);
    TFontStyles Style;
    if (L.lfWeight >= 700) Style.Include(fsBold);
    if (L.lfItalic) Style.Include(fsItalic);
    Font.SetStyle(Style);
}

}  // namespace

TUniMessageForm::TUniMessageForm(TComponent* AOwner) : TUniForm(AOwner) {
    KeyPreview = true;
    OnKeyDown = [this](TObject* Sender, WORD& Key, TShiftState Shift) { CustomKeyDown(Sender, Key, Shift); };
}

void TUniMessageForm::CustomKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    if (Shift == TShiftState{ssCtrl} && Key == 'C') {
        MessageBeep(0);
        GetUniClipboard().SetAsWideText(GetFormText());
    }
}

WideString TUniMessageForm::GetFormText() {
    const WideString Divider = WideString(27, u'-') + u"\r\n";
    WideString ButtonCaptions;
    for (int I = 0; I < ComponentCount(); ++I)
        if (auto* B = dynamic_cast<TUniButton*>(Components(I))) ButtonCaptions += B->Caption() + u"   ";
    ButtonCaptions = ReplaceWideText(ButtonCaptions, u"&", u"", rfReplaceAll, /*wholeWord=*/false);
    WideString Message;
    if (auto* L = Find<TUniLabel>("Message")) Message = L->Caption();
    return Divider + Caption() + u"\r\n" + Divider + Message + u"\r\n" + Divider + ButtonCaptions + u"\r\n" + Divider;
}

WideString GetMessageCaption(TMsgDlgType Type) {
    switch (Type) {
        case mtWarning: return u"Warning";
        case mtError: return u"Error";
        case mtInformation: return u"Information";
        case mtConfirmation: return u"Confirm";
        case mtCustom: return u"";
    }
    throw EUniInternalError("Unexpected MsgType in GetMessageCaption.");
}

WideString GetButtonCaption(TMsgDlgBtn Button) {
    const int I = static_cast<int>(Button);
    if (I < 0 || I > static_cast<int>(mbHelp)) throw EUniInternalError("Unexpected MsgDlgBtn in GetButtonCaption.");
    return Buttons[I].Caption;
}

TUniMessageForm* BuildWideMessageDialog(const WideString& Msg, TMsgDlgType Type, TMsgDlgButtons Chosen) {
    auto* F = new TUniMessageForm(Application);
    rtl::TScopeExit FreeForm([&] { F->Free(); });
    UseMessageFont(F->Font());
    F->SetBorderStyle(bsDialog);
    F->Canvas().Font().Assign(F->Font());
    const SIZE Units = AverageCharSize(F->Canvas());
    const int HMargin = MulDiv(8, Units.cx, 4), VMargin = MulDiv(8, Units.cy, 8);
    const int HSpacing = MulDiv(10, Units.cx, 4), VSpacing = MulDiv(10, Units.cy, 8);
    const int ButtonHeight = MulDiv(14, Units.cy, 8), ButtonSpacing = MulDiv(4, Units.cx, 4);
    int ButtonWidth = MulDiv(50, Units.cx, 4);
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, F->Font().Handle());
    int Count = 0;
    for (int B = 0; B <= static_cast<int>(mbHelp); ++B) {
        if (!Chosen.Contains(static_cast<TMsgDlgBtn>(B))) continue;
        ++Count;
        RECT R{0, 0, 0, 0};
        DrawTextWide(DC, Buttons[B].Caption, -1, &R, DT_CALCRECT | DT_SINGLELINE);
        ButtonWidth = std::max<int>(ButtonWidth, R.right - R.left + 8);
    }
    RECT TextRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    DrawTextWide(DC, Msg.c_str(), static_cast<int>(Msg.size()) + 1, &TextRect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(DC, Old);
    ReleaseDC(/*hWnd=*/nullptr, DC);

    const bool HasIcon = Type != mtCustom;
    const int MsgW = TextRect.right, MsgH = TextRect.bottom;
    const int BlockW = MsgW + (HasIcon ? HSpacing + 32 : 0);
    const int BlockH = HasIcon ? std::max(MsgH, 32) : MsgH;
    const int RowW = Count ? Count * ButtonWidth + (Count - 1) * ButtonSpacing : 0;
    const int ClientW = std::max(BlockW, RowW) + 2 * HMargin;
    F->SetClientWidth(ClientW);
    F->SetClientHeight(BlockH + ButtonHeight + VSpacing + 2 * VMargin);
    F->SetLeft(GetSystemMetrics(SM_CXSCREEN) / 2 - F->Width() / 2);
    F->SetTop(GetSystemMetrics(SM_CYSCREEN) / 2 - F->Height() / 2);
    F->SetCaption(Type == mtCustom ? (UniApplication ? UniApplication->Title() : WideString())
                                   : GetMessageCaption(Type));
    if (HasIcon) {
        static const LPCSTR Icons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION};
        auto* Image = new TUniImage(F);
        Image->SetName("Image");
        Image->Picture().Icon().SetHandle(LoadIconA(/*hInstance=*/nullptr, Icons[Type]));
        Image->SetBounds(HMargin, VMargin, 32, 32);
        Image->SetParent(F);
    }
    auto* Label = new TUniLabel(F);
    Label->SetName("Message");
    Label->SetParent(F);
    Label->SetWordWrap(true);
    Label->SetAutoSize(false);
    Label->SetCaption(Msg);
    Label->SetBounds(BlockW - MsgW + HMargin, VMargin, MsgW, MsgH);

    const TMsgDlgBtn Default = Chosen.Contains(mbOK) ? mbOK : Chosen.Contains(mbYes) ? mbYes : mbRetry;
    const TMsgDlgBtn Cancel = Chosen.Contains(mbCancel) ? mbCancel : Chosen.Contains(mbNo) ? mbNo : mbOK;
    int X = (ClientW - RowW) / 2;
    for (int B = 0; B <= static_cast<int>(mbHelp); ++B) {
        const auto Btn = static_cast<TMsgDlgBtn>(B);
        if (!Chosen.Contains(Btn)) continue;
        auto* Button = new TUniButton(F);
        Button->SetName(WideToUtf8(Buttons[B].Name));
        Button->SetParent(F);
        Button->SetCaption(Buttons[B].Caption);
        Button->ModalResult = Buttons[B].Result;
        if (Btn == Default) Button->SetDefault(true);
        if (Btn == Cancel) Button->Cancel = true;
        Button->SetBounds(X, BlockH + VMargin + VSpacing, ButtonWidth, ButtonHeight);
        X += ButtonWidth + ButtonSpacing;
    }
    FreeForm.Dismiss();
    return F;
}

int WideMessageDlgPosHelp(const WideString& Msg, TMsgDlgType Type, TMsgDlgButtons Chosen, int HelpContext, int X,
                          int Y, const WideString& HelpFile) {
    TUniMessageForm* F = BuildWideMessageDialog(Msg, Type, Chosen);
    rtl::TScopeExit FreeForm([&] { F->Free(); });
    F->HelpContext = HelpContext;
    F->HelpFile = WideToUtf8(HelpFile);
    if (X >= 0) F->SetLeft(X);
    if (Y >= 0) F->SetTop(Y);
    if (X < 0 && Y < 0) F->Position = poScreenCenter;
    return F->ShowModal();
}

void ShowWideMessagePos(const WideString& Msg, int X, int Y) {
    WideMessageDlgPosHelp(Msg, mtCustom, TMsgDlgButtons{mbOK}, 0, X, Y, u"");
}

void ShowWideMessage(const WideString& Msg) { ShowWideMessagePos(Msg, -1, -1); }
