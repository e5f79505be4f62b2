#include "unicode/widepropertyfilers.h"
#include "platform/rtl/scope.h"

bool ApplyWideStringsSwitch = false;

bool WideFilerGateOpen(const TFormReader& Reader) {
    const TComponent* Root = Reader.Root();
    if (!Root) return false;
    return Root->ComponentState().Contains(csDesigning) || ApplyWideStringsSwitch;
}

bool WideTextSurvivesUtf8(const WideString& Text) {
    for (WideChar c : Text)
        if (c > 0x7F) return false;
    return true;
}

WideChar ReadWideCharValue(const TFormValue& Value) {
    if (Value.kind != TFormValue::vaString) throw EReadError("Invalid property value");
    const WideString W = Utf8ToWide(Value.Str);
    if (W.size() > 1) throw EReadError("Invalid property value");
    return W.empty() ? WideChar(0) : W[0];
}

namespace {

TFormValue StringValue(const WideString& S) {
    TFormValue V;
    V.kind = TFormValue::vaString;
    V.Str = WideToUtf8(S);
    return V;
}

const std::vector<TFormValue>& ListOf(const TFormValue& V) {
    if (V.kind != TFormValue::vaList) throw EReadError("Invalid property value");
    return V.List;
}

// Rule 4: one string is the whole text; a list replaces the lines.
void ReadLines(TUniStrings& Lines, const TFormValue& V) {
    if (V.kind == TFormValue::vaString) {
        Lines.SetTextStr(Utf8ToWide(V.Str));
        return;
    }
    const auto& Items = ListOf(V);
    Lines.BeginUpdate();
    rtl::TScopeExit EndUpdateAtExit([&] { Lines.EndUpdate(); });
    Lines.Clear();
    for (const TFormValue& Item : Items) {
        if (Item.kind != TFormValue::vaString) throw EReadError("Invalid property value");
        Lines.Add(Utf8ToWide(Item.Str));
    }
}

void ReplaceLines(TUniStrings& Lines, const std::vector<WideString>& Values) {
    Lines.BeginUpdate();
    Lines.Clear();
    for (const WideString& S : Values) Lines.Add(S);
    Lines.EndUpdate();
}

void DefineStringProperty(TClassInfo& Info, const TWideProperty& P) {
    auto Set = P.Set;
    auto Get = P.Get;
    auto Stored = P.Stored;
    Info.Define(P.Name, [Set](TPersistent& O, const TFormValue& V, TFormReader& R) { Set(O, Utf8ToWide(R.String(V))); });
    Info.Define(P.Name + "W", [Set](TPersistent& O, const TFormValue& V, TFormReader& R) {
        const std::string S = R.String(V);
        if (WideFilerGateOpen(R)) Set(O, Utf8ToWide(S));
    });
    Info.Define(P.Name + "_UTF7", [Set](TPersistent& O, const TFormValue& V, TFormReader& R) {
        const std::string S = R.String(V);
        if (WideFilerGateOpen(R)) Set(O, Utf7ToWide(S));
    });
    Info.DefineGetter(P.Name, [Get, Stored](const TPersistent& O, TFormValue& V) {
        if (Stored && !Stored(O)) return false;
        const WideString S = Get(O);
        if (S.empty()) return false;
        V = StringValue(S);
        return true;
    });
    // Rule 1: stored, not empty and lost without it.
    Info.DefineGetter(P.Name + "_UTF7", [Get, Stored](const TPersistent& O, TFormValue& V) {
        if (Stored && !Stored(O)) return false;
        const WideString S = Get(O);
        if (S.empty() || WideTextSurvivesUtf8(S)) return false;
        V.kind = TFormValue::vaString;
        V.Str = WideToUtf7(S);
        return true;
    });
}

void DefineCharProperty(TClassInfo& Info, const TWideProperty& P) {
    auto Set = P.Set;
    auto Get = P.Get;
    auto Stored = P.Stored;
    const auto Default = P.Default;
    Info.Define(P.Name + "W", [Set](TPersistent& O, const TFormValue& V, TFormReader&) {
        const WideChar C = ReadWideCharValue(V);
        Set(O, C ? WideString(1, C) : WideString());
    });
    Info.Define(P.Name + "_UTF7", [Set](TPersistent& O, const TFormValue& V, TFormReader& R) {
        const std::string S = R.String(V);
        if (!WideFilerGateOpen(R)) return;
        const WideString W = Utf7ToWide(S);
        Set(O, W.empty() ? WideString() : WideString(1, W[0]));
    });
    // Rule 2: stored and not at its default; without a getter or setter it is its default.
    Info.DefineGetter(P.Name + "W", [Get, Set, Stored, Default](const TPersistent& O, TFormValue& V) {
        if (!Get || !Set) return false;
        if (Stored && !Stored(O)) return false;
        const WideString S = Get(O);
        const WideChar C = S.empty() ? WideChar(0) : S[0];
        if (Default && C == *Default) return false;
        V.kind = TFormValue::vaString;
        V.Str = WideToUtf8(WideString(1, C));
        return true;
    });
}

}  // namespace

void DefineWidePropertyFilers(TClassInfo& Info, const std::vector<TWideProperty>& Properties) {
    for (const TWideProperty& P : Properties) {
        if (P.Name.empty()) break;
        if (P.Kind == TWidePropertyKind::String)
            DefineStringProperty(Info, P);
        else
            DefineCharProperty(Info, P);
    }
}

void DefineWideStringsFilers(TClassInfo& Info, const std::string& Property,
                             std::function<TUniStrings&(TPersistent&)> Lines) {
    const std::string Prefix = Property + ".";
    for (const char* Key : {"Strings", "WideStrings"})
        Info.Define(Prefix + Key, [Lines](TPersistent& O, const TFormValue& V, TFormReader&) { ReadLines(Lines(O), V); });
    Info.Define(Prefix + "WideStringsW", [Lines](TPersistent& O, const TFormValue& V, TFormReader& R) {
        std::vector<WideString> Values;
        for (const TFormValue& Item : ListOf(V)) Values.push_back(Utf8ToWide(R.String(Item)));
        TUniStrings& L = Lines(O);
        if (WideFilerGateOpen(R) || L.Count() == 0) ReplaceLines(L, Values);
    });
    Info.Define(Prefix + "WideStrings_UTF7", [Lines](TPersistent& O, const TFormValue& V, TFormReader& R) {
        std::vector<std::string> Values;
        for (const TFormValue& Item : ListOf(V)) Values.push_back(R.String(Item));
        if (!WideFilerGateOpen(R)) return;
        std::vector<WideString> Decoded;
        for (const std::string& S : Values) Decoded.push_back(Utf7ToWide(S));
        ReplaceLines(Lines(O), Decoded);
    });
    // Rule 3 (no ancestors here): written when the list has lines.
    Info.DefineGetter(Prefix + "WideStrings", [Lines](const TPersistent& O, TFormValue& V) {
        TUniStrings& L = Lines(const_cast<TPersistent&>(O));
        if (L.Count() == 0) return false;
        V.kind = TFormValue::vaList;
        for (int I = 0; I < L.Count(); ++I) V.List.push_back(StringValue(L[I]));
        return true;
    });
    Info.DefineGetter(Prefix + "WideStrings_UTF7", [Lines](const TPersistent& O, TFormValue& V) {
        TUniStrings& L = Lines(const_cast<TPersistent&>(O));
        bool Needed = false;
        for (int I = 0; I < L.Count(); ++I)
            if (!L[I].empty() && !WideTextSurvivesUtf8(L[I])) Needed = true;
        if (!Needed) return false;
        V.kind = TFormValue::vaList;
        for (int I = 0; I < L.Count(); ++I) {
            TFormValue Item;
            Item.kind = TFormValue::vaString;
            Item.Str = WideToUtf7(L[I]);
            V.List.push_back(Item);
        }
        return true;
    });
}
