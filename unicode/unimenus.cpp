#include "unicode/unimenus.h"

#include <clocale>
#include <cstdlib>
#include <cwctype>

#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "unicode/uniactnlist.h"
#include "unicode/uniforms.h"
#include "unicode/widepropertyfilers.h"

namespace {
std::string LocaleLanguage() {
    for (const char* Var : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* V = std::getenv(Var); V && *V) return std::string(V).substr(0, 2);
    return "";
}

bool IsFixedKey(WORD Key) {
    return Key == 0x08 || Key == 0x09 || Key == 0x0D || Key == 0x1B || Key == 0x20 || (Key >= 0x21 && Key <= 0x28) ||
           Key == 0x2D || Key == 0x2E || (Key >= 0x70 && Key <= 0x87);
}

WideChar Fold(WideChar C) {
    if (C >= 0xD800 && C < 0xE000) return C;
    return static_cast<WideChar>(std::towupper(C));
}
}  // namespace

bool& FarEastSystemLocale() {
    static bool Value = [] {
        const std::string L = LocaleLanguage();
        return L == "ja" || L == "zh" || L == "ko";
    }();
    return Value;
}

WideString ShortCutToWideText(TShortCut ShortCut) {
    const WORD Key = ShortCut & 0xFF;
    if (!IsUnicodePlatform || IsFixedKey(Key)) return Utf8ToWide(ShortCutToText(ShortCut));
    WideString Name;
    if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z') || (Key >= 0x60 && Key <= 0x69)) {
        const UINT C = MapVirtualKeyW(Key, 2);
        if (C) Name = WideString(1, static_cast<WideChar>(C));
    } else if (const UINT Scan = MapVirtualKeyW(Key, 0)) {
        char16_t Buf[256] = {};
        const int N = GetKeyNameTextW(static_cast<LONG>(Scan << 16), Buf, 256);
        if (N > 0) Name.assign(Buf, static_cast<size_t>(N));
    }
    if (Name.empty()) return {};
    WideString S;
    if (ShortCut & scShift) S += u"Shift+";
    if (ShortCut & scCtrl) S += u"Ctrl+";
    if (ShortCut & scAlt) S += u"Alt+";
    return S + Name;
}

int WideHotKeyPos(const WideString& Caption) {
    int Pos = 0;
    for (size_t I = 0; I + 1 < Caption.size(); ++I) {
        if (Caption[I] != u'&') continue;
        if (Caption[I + 1] == u'&') {
            ++I;
            continue;
        }
        Pos = static_cast<int>(I) + 2;
    }
    return Pos;
}

WideString WideHotKeyChar(const WideString& Caption) {
    const int Pos = WideHotKeyPos(Caption);
    return Pos ? WideString(1, Caption[static_cast<size_t>(Pos - 1)]) : WideString();
}

WideString WideStripHotKey(const WideString& Caption) {
    WideString Out;
    for (size_t I = 0; I < Caption.size(); ++I) {
        const WideChar C = Caption[I];
        if (C == u'(' && FarEastSystemLocale() && I + 3 < Caption.size() && Caption[I + 1] == u'&' &&
            Caption[I + 3] == u')') {
            I += 3;  // "(&F)" goes whole
            continue;
        }
        if (C == u'&') {
            if (I + 1 < Caption.size() && Caption[I + 1] == u'&') {
                Out += u'&';
                ++I;
            }
            continue;
        }
        Out += C;
    }
    return Out;
}

bool WideSameCaption(const WideString& A, const WideString& B) {
    return WideCompareText(WideStripHotKey(A), WideStripHotKey(B)) == 0;
}

bool WideSameCaptionStr(const WideString& A, const WideString& B) { return WideStripHotKey(A) == WideStripHotKey(B); }

bool IsWideAccelChar(WORD CharCode, const WideString& Caption) {
    const WideString Hot = WideHotKeyChar(Caption);
    return !Hot.empty() && Fold(CharCodeToWideChar(CharCode)) == Fold(Hot[0]);
}

// ---- TUniMenuItem -----------------------------------------------------------------
TClassInfo& TUniMenuItem::StaticClassInfo() {
    static TClassInfo CI("TUniMenuItem", &TMenuItem::StaticClassInfo(), CreateComponentOf<TUniMenuItem>,
                         [](TClassInfo& C) {
                             auto Self = [](const TPersistent& O) -> TUniMenuItem& {
                                 return const_cast<TUniMenuItem&>(static_cast<const TUniMenuItem&>(O));
                             };
                             auto Linked = [Self](const TPersistent& O) {
                                 auto* A = dynamic_cast<TCustomAction*>(Self(O).Action());
                                 return !(A && !A->Caption().empty());
                             };
                             DefineWidePropertyFilers(
                                 C, {{"Caption", TWidePropertyKind::String,
                                      [Self](const TPersistent& O) { return Self(O).Caption(); },
                                      [Self](TPersistent& O, const WideString& S) { Self(O).SetCaption(S); }, Linked},
                                     {"Hint", TWidePropertyKind::String,
                                      [Self](const TPersistent& O) { return Self(O).Hint(); },
                                      [Self](TPersistent& O, const WideString& S) { Self(O).SetHint(S); }}});
                         });
    return CI;
}

WideString TUniMenuItem::Caption() {
    const std::string Ansi = TMenuItem::Caption();
    if (WideToUtf8(FCaption) != Ansi && WideSameCaptionStr(FCaption, Utf8ToWide(Ansi))) {
        // The library moved the hot-key sign: the wide caption follows it.
        const WideString From = Utf8ToWide(Ansi);
        const WideString Stripped = WideStripHotKey(FCaption);
        WideString Moved;
        size_t K = 0;
        for (size_t I = 0; I < From.size(); ++I) {
            if (From[I] == u'&') {
                Moved += u'&';
                if (I + 1 < From.size() && From[I + 1] == u'&') {
                    Moved += u'&';
                    ++I;
                    ++K;
                }
                continue;
            }
            if (K < Stripped.size()) Moved += Stripped[K++];
        }
        if (WideToUtf8(Moved) != Ansi)
            throw EUniInternalError("Internal Error: SyncHotKeyPosition Failed (\"" + Ansi + "\" <> \"" +
                                    WideToUtf8(Moved) + "\").");
        FCaption = Moved;
    }
    return SyncWideWithAnsi(FCaption, Ansi);
}

void TUniMenuItem::SetCaption(const WideString& Value) {
    Caption();
    SetWideWithAnsi(Value, FCaption, TMenuItem::Caption(), [this](const std::string& S) { TMenuItem::SetCaption(S); });
    UpdateMenuString();
}

WideString TUniMenuItem::Hint() { return SyncWideWithAnsi(FHint, TMenuItem::Hint); }

void TUniMenuItem::SetHint(const WideString& Value) {
    SetWideWithAnsi(Value, FHint, TMenuItem::Hint, [this](const std::string& S) { TMenuItem::Hint = S; });
}

void TUniMenuItem::UpdateMenuString() {
    if (!IsUnicodePlatform || !Visible() || !Parent() || IsLine()) return;
    TMenu* Menu = GetParentMenu();
    if (!Menu || ComponentState().Contains(csReading) || ComponentState().Contains(csDestroying)) return;
    const bool TopOfMain = !Parent()->Parent() && dynamic_cast<TMainMenu*>(Menu);
    HMENU Host = Parent()->Parent() ? Parent()->Handle() : Menu->Handle();
    MENUITEMINFOW MI{};
    MI.cbSize = sizeof MI;
    MI.fMask = MIIM_TYPE;
    if (!GetMenuItemInfoW(Host, Command(), FALSE, &MI) || (MI.fType & (MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR)))
        return;
    WideString Text = Caption();
    if (Count() == 0 && ShortCut() != scNone && !TopOfMain) Text += u"\t" + ShortCutToWideText(ShortCut());
    char16_t Buf[1024] = {};
    const int N = GetMenuStringW(Host, Command(), Buf, 1024, MF_BYCOMMAND);
    if (WideString(Buf, static_cast<size_t>(N > 0 ? N : 0)) == Text) return;
    MENUITEMINFOW Set{};
    Set.cbSize = sizeof Set;
    Set.fMask = MIIM_TYPE;
    Set.fType = MI.fType;
    Set.dwTypeData = Text.data();
    Set.cch = static_cast<UINT>(Text.size());
    if (!SetMenuItemInfoW(Host, Command(), FALSE, &Set)) RaiseLastWideError();
    if (TopOfMain)
        if (auto* Form = static_cast<TMainMenu*>(Menu)->WindowForm)
            if (Form->HandleAllocated()) DrawMenuBar(Form->Handle());
}

void TUniMenuItem::ActionChange(TBasicAction* Sender, bool CheckDefaults) {
    if (IsUnicodeAction(Sender)) {
        if (!CheckDefaults || Caption().empty()) SetCaption(GetActionWideCaption(Sender));
        if (!CheckDefaults || Hint().empty()) SetHint(GetActionWideHint(Sender));
    }
    TMenuItem::ActionChange(Sender, CheckDefaults);
}

std::unique_ptr<TMenuActionLink> TUniMenuItem::CreateActionLink() { return std::make_unique<TUniMenuActionLink>(this); }

void TUniMenuActionLink::SetCaption(const std::string& Value) {
    static_cast<TUniMenuItem*>(FClient)->SetCaption(WideCaptionForLink(FClient->Action(), Value));
}

void TUniMenuActionLink::SetHint(const std::string& Value) {
    static_cast<TUniMenuItem*>(FClient)->SetHint(WideHintForLink(FClient->Action(), Value));
}

void TUniMenuItem::Loaded() {
    TMenuItem::Loaded();
    UpdateMenuString();
}

WideString GetMenuItemWideHint(TMenuItem* Item) {
    if (auto* U = dynamic_cast<TUniMenuItem*>(Item)) return U->Hint();
    return Item ? Utf8ToWide(Item->Hint) : WideString();
}

// ---- The popup list --------------------------------------------------------------------
TUniPopupList* UniPopupList = nullptr;

void TUniPopupList::WndProc(TMessage& M) {
    if (M.Msg == WM_MENUSELECT && UniApplication) {
        TMenuItem* Item = FRemembered ? FRemembered->ItemOfMenuSelect(M) : nullptr;
        UniApplication->SetHint(Item ? GetLongWideHint(GetMenuItemWideHint(Item)) : WideString());
    } else if (M.Msg == WM_ENTERMENULOOP && FRemembered) {
        PopupList = FRemembered;
        for (int I = 0; I < FRemembered->Count(); ++I) {
            TMenu* Menu = FRemembered->Items(I);
            if (Menu->Items()->Count() > 0)
                if (auto* First = dynamic_cast<TUniMenuItem*>(Menu->Items()->Items(0))) First->UpdateMenuString();
        }
    }
    // The library's handling, over the menus its list holds.
    if (FRemembered) FRemembered->WndProc(M);
    else TPopupList::WndProc(M);
}

void UniMenusStartup() {
    if (!UniPopupList) UniPopupList = new TUniPopupList();
}

void UniMenusShutdown() {
    if (PopupList == UniPopupList) PopupList = UniPopupList->Remembered();
    delete UniPopupList;
    UniPopupList = nullptr;
}
