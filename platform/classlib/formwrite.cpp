#include "platform/classlib/formwrite.h"

#include <cstdio>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/controls.h"
#include "platform/classlib/menus.h"

namespace {

std::string QuoteString(const std::string& S) {
    if (S.empty()) return "''";
    std::string Out;
    bool InQuote = false;
    for (char c : S) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32) {
            if (InQuote) Out += '\'';
            InQuote = false;
            Out += '#' + std::to_string(u);
            continue;
        }
        if (!InQuote) Out += '\'';
        InQuote = true;
        Out += c;
        if (c == '\'') Out += '\'';
    }
    if (InQuote) Out += '\'';
    return Out;
}

TComponent* ParentOf(TComponent* C) {
    if (auto* Ctl = dynamic_cast<TControl*>(C)) return Ctl->Parent();
    if (auto* Item = dynamic_cast<TMenuItem*>(C)) {
        TMenuItem* P = Item->Parent();
        if (P && !P->Parent()) return P->GetParentMenu();
        return P;
    }
    if (auto* A = dynamic_cast<TContainedAction*>(C)) return A->ActionList();
    return nullptr;
}

void WriteProperties(std::string& Out, const TComponent& C, const std::string& Indent) {
    std::vector<const TClassInfo*> Chain;
    for (const TClassInfo* I = C.ClassInfo(); I; I = I->Parent()) Chain.insert(Chain.begin(), I);
    for (const TClassInfo* I : Chain)
        for (const auto& [Name, Get] : I->Getters()) {
            TFormValue V;
            if (Get(C, V)) Out += Indent + Name + " = " + FormatFormValue(V, Indent) + "\n";
        }
}

void WriteObject(std::string& Out, TComponent* Root, TComponent* C, const std::string& Indent) {
    Out += Indent + "object " + (C->Name().empty() ? "" : C->Name() + ": ") + C->ClassName() + "\n";
    WriteProperties(Out, *C, Indent + "  ");
    for (int I = 0; I < Root->ComponentCount(); ++I) {
        TComponent* Child = Root->Components(I);
        TComponent* P = ParentOf(Child);
        const bool Owned = P && (P == Root || P->Owner() == Root);
        if ((Owned ? P : Root) == C) WriteObject(Out, Root, Child, Indent + "  ");
    }
    Out += Indent + "end\n";
}

}  // namespace

std::string FormatFormValue(const TFormValue& V, const std::string& Indent) {
    switch (V.kind) {
    case TFormValue::vaInt: return std::to_string(V.Int);
    case TFormValue::vaFloat: {
        char Buf[40];
        std::snprintf(Buf, sizeof Buf, "%.17g", V.Float);
        std::string S = Buf;
        if (S.find_first_of(".eEn") == std::string::npos) S += ".0";
        return S;
    }
    case TFormValue::vaString: return QuoteString(V.Str);
    case TFormValue::vaIdent: return V.Str;
    case TFormValue::vaSet: {
        std::string S = "[";
        for (size_t I = 0; I < V.Set.size(); ++I) S += (I ? ", " : "") + V.Set[I];
        return S + "]";
    }
    case TFormValue::vaList: {
        std::string S = "(";
        for (const TFormValue& Item : V.List) S += "\n" + Indent + "  " + FormatFormValue(Item, Indent + "  ");
        return S + ")";
    }
    case TFormValue::vaCollection: {
        std::string S = "<";
        for (const auto& Item : V.Items) {
            S += "\n" + Indent + "  item\n";
            for (const TFormProperty& P : Item)
                S += Indent + "    " + P.Name + " = " + FormatFormValue(P.Value, Indent + "    ") + "\n";
            S += Indent + "  end";
        }
        return S + ">";
    }
    case TFormValue::vaBinary: {
        static const char Hex[] = "0123456789ABCDEF";
        std::string S = "{";
        for (unsigned char B : V.Binary) {
            S += Hex[B >> 4];
            S += Hex[B & 15];
        }
        return S + "}";
    }
    }
    return {};
}

std::string WriteFormText(TComponent* Root) {
    std::string Out;
    WriteObject(Out, Root, Root, "");
    return Out;
}
