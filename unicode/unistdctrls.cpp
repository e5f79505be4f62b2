#include "unicode/unistdctrls.h"

#include "platform/classlib/clipboard.h"

#include <cstring>

#include "unicode/uniactnlist.h"
#include "unicode/unimenus.h"
#include "unicode/widepropertyfilers.h"
#include "platform/rtl/scope.h"

SIZE WideTextExtent(TCanvas& Canvas, const WideString& Text) {
    SIZE S{0, 0};
    HDC DC = Canvas.Handle();
    // A canvas without a device (a form's outside painting) measures on the screen's.
    HDC Screen = DC ? nullptr : GetDC(nullptr);
    if (!DC) DC = Screen;
    HGDIOBJ Old = SelectObject(DC, Canvas.Font().Handle());
    GetTextExtentPoint32W(DC, Text.c_str(), static_cast<int>(Text.size()), &S);
    SelectObject(DC, Old);
    if (Screen) ReleaseDC(/*hWnd=*/nullptr, Screen);
    return S;
}

int WideTextWidth(TCanvas& Canvas, const WideString& Text) { return WideTextExtent(Canvas, Text).cx; }
int WideTextHeight(TCanvas& Canvas, const WideString& Text) { return WideTextExtent(Canvas, Text).cy; }

namespace {

template <class T>
T& Obj(const TPersistent& O) {
    return const_cast<T&>(static_cast<const T&>(O));
}

template <class T>
TWideProperty HintProperty() {
    return {"Hint", TWidePropertyKind::String, [](const TPersistent& O) { return GetWideControlHint(&Obj<T>(O)); },
            [](TPersistent& O, const WideString& S) { SetWideControlHint(&Obj<T>(O), S); },
            [](const TPersistent& O) { return ControlHintStored(&Obj<T>(O)); }};
}

template <class T>
TWideProperty CaptionProperty() {
    return {"Caption", TWidePropertyKind::String, [](const TPersistent& O) { return GetWideControlText(&Obj<T>(O)); },
            [](TPersistent& O, const WideString& S) { SetWideControlText(&Obj<T>(O), S); },
            [](const TPersistent& O) { return ControlCaptionStored(&Obj<T>(O)); }};
}

}  // namespace

// ---- Labels -----------------------------------------------------------------------
TClassInfo& TUniCustomLabel::StaticClassInfo() {
    static TClassInfo CI("TUniCustomLabel", &TCustomLabel::StaticClassInfo(), /*Create=*/nullptr,
                         [](TClassInfo& C) { DefineWidePropertyFilers(C, {HintProperty<TUniCustomLabel>()}); });
    return CI;
}

TClassInfo& TUniLabel::StaticClassInfo() {
    static TClassInfo CI("TUniLabel", &TUniCustomLabel::StaticClassInfo(), CreateComponentOf<TUniLabel>,
                         [](TClassInfo& C) { DefineWidePropertyFilers(C, {CaptionProperty<TUniLabel>()}); });
    return CI;
}

// The first link takes the Unicode action's wide texts; later changes reach the
// control through its UTF-8 caption, which the wide one follows.
void TUniCustomLabel::ActionChange(TBasicAction* Sender, bool CheckDefaults) {
    if (!FActionLink.Valid) ApplyActionWideTexts(this, Sender, CheckDefaults);
    TCustomLabel::ActionChange(Sender, CheckDefaults);
}

void TUniCustomLabel::WndProc(TMessage& M) {
    if (M.Msg == CM_DIALOGCHAR) {
        if (FocusControl && Enabled() && ShowAccelChar && IsWideAccelChar(static_cast<WORD>(M.WParam), GetLabelText()) &&
            FocusControl->CanFocus()) {
            FocusControl->SetFocus();
            M.Result = 1;
        }
        return;
    }
    if (M.Msg == CM_HINTSHOW) PrepareWideHint(M);
    TCustomLabel::WndProc(M);
}

void TUniCustomLabel::DoDrawText(HDC DC, RECT& R, UINT Flags) {
    if (!IsUnicodePlatform) {
        TCustomLabel::DoDrawText(DC, R, Flags);
        return;
    }
    WideString Text = GetLabelText();
    if ((Flags & DT_CALCRECT) && (Text.empty() || (ShowAccelChar && Text == u"&"))) Text += u' ';
    if (!ShowAccelChar) Flags |= DT_NOPREFIX;
    const int N = static_cast<int>(Text.size());
    if (Flags & DT_CALCRECT) {
        DrawTextWide(DC, Text.c_str(), N, &R, Flags);
        return;
    }
    if (!Enabled()) {
        OffsetRect(&R, 1, 1);
        SetTextColor(DC, ColorToCOLORREF(clBtnHighlight));
        DrawTextWide(DC, Text.c_str(), N, &R, Flags);
        OffsetRect(&R, -1, -1);
        SetTextColor(DC, ColorToCOLORREF(clBtnShadow));
    } else {
        SetTextColor(DC, ColorToCOLORREF(Font().Color()));
    }
    DrawTextWide(DC, Text.c_str(), N, &R, Flags);
}

// ---- Buttons ----------------------------------------------------------------------
TClassInfo& TUniButton::StaticClassInfo() {
    static TClassInfo CI("TUniButton", &TButton::StaticClassInfo(), CreateComponentOf<TUniButton>, [](TClassInfo& C) {
        DefineWidePropertyFilers(C, {CaptionProperty<TUniButton>(), HintProperty<TUniButton>()});
    });
    return CI;
}

void TUniButton::ActionChange(TBasicAction* Sender, bool CheckDefaults) {
    if (!FActionLink.Valid) ApplyActionWideTexts(this, Sender, CheckDefaults);
    TButton::ActionChange(Sender, CheckDefaults);
}

void TUniButton::WndProc(TMessage& M) {
    if (M.Msg == CM_DIALOGCHAR && IsWideAccelChar(static_cast<WORD>(M.WParam), Caption()) && CanFocus()) {
        Click();
        M.Result = 1;
        return;
    }
    TButton::WndProc(M);
}

void TUniButton::CreateWnd() {
    if (!IsUnicodePlatform) {
        TButton::CreateWnd();
        return;
    }
    TCreateParams P;
    CreateParams(P);
    CreateUnicodeWindow(this, P, "BUTTON");
    CreateWindowHandle(P);
}

// ---- Images -----------------------------------------------------------------------
TClassInfo& TUniImage::StaticClassInfo() {
    static TClassInfo CI("TUniImage", &TImage::StaticClassInfo(), CreateComponentOf<TUniImage>,
                         [](TClassInfo& C) { DefineWidePropertyFilers(C, {HintProperty<TUniImage>()}); });
    return CI;
}

// ---- Clipboard --------------------------------------------------------------------
namespace {
HGLOBAL BlockOf(const void* Data, std::size_t Size) {
    HGLOBAL H = WinGlobalAlloc(Size);
    if (H) std::memcpy(WinGlobalLock(H), Data, Size);
    return H;
}
}  // namespace

bool TUniClipboard::SetAsWideText(const WideString& Text) {
    // One opening of the library's clipboard holds both forms.
    TClipboard& C = Clipboard();
    try {
        C.Open();
    } catch (const EOSError&) {
        return false;
    }
    bool Ok = false;
    {
        rtl::TScopeExit CloseAtExit([&] { C.Close(); });
        C.SetAsText(WideToUtf8(Text));
        HGLOBAL W = BlockOf(Text.c_str(), 2 * Text.size() + 2);
        if (W) {
            C.SetAsHandle(CF_UNICODETEXT, W);
            Ok = C.GetAsHandle(CF_UNICODETEXT) == W;
        }
    }
    return Ok;
}

WideString TUniClipboard::AsWideText() {
    if (!OpenClipboard(nullptr)) return {};
    WideString Out;
    if (HANDLE W = GetClipboardData(CF_UNICODETEXT)) {
        const auto* P = static_cast<const char16_t*>(WinGlobalLock(W));
        const std::size_t N = WinGlobalSize(W) / 2;
        for (std::size_t I = 0; I < N && P[I]; ++I) Out += P[I];
    } else if (HANDLE A = GetClipboardData(CF_TEXT)) {
        const auto* P = static_cast<const char*>(WinGlobalLock(A));
        Out = Utf8ToWide(std::string(P, strnlen(P, WinGlobalSize(A))));
    }
    CloseClipboard();
    return Out;
}

TUniClipboard& GetUniClipboard() {
    static TUniClipboard Clipboard;
    return Clipboard;
}
