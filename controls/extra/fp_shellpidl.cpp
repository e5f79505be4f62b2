#include "controls/extra/fp_shellpidl.h"

#include <algorithm>
#include <cstring>
#include <locale>
#include <string>

#include "platform/commctl/shlobj_dialogs.h"

namespace {
const uint8_t* Bytes(LPCITEMIDLIST L) { return reinterpret_cast<const uint8_t*>(L); }
uint16_t CountAt(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }

// Walks the items: Visit(start, count) for each; stops at the terminator or at
// a count below 3 (a damaged item, which ends the list).
template <class F>
void EachItem(LPCITEMIDLIST L, F Visit) {
    if (!L) return;
    const uint8_t* P = Bytes(L);
    for (int I = 0;; ++I) {
        const uint16_t N = CountAt(P);
        if (N < 3) return;
        if (!Visit(I, P, N)) return;
        P += N;
    }
}

LPITEMIDLIST Build(const uint8_t* Items, std::size_t Length) {
    auto* Out = static_cast<uint8_t*>(AllocShellMemZero(Length + 2));
    if (!Out) return nullptr;
    if (Length) std::memcpy(Out, Items, Length);
    return reinterpret_cast<LPITEMIDLIST>(Out);
}

std::size_t ItemsLength(LPCITEMIDLIST L) {
    std::size_t Length = 0;
    EachItem(L, [&](int, const uint8_t*, uint16_t N) {
        Length += N;
        return true;
    });
    return Length;
}
}  // namespace

std::size_t PIDLSize(LPCITEMIDLIST List) { return List ? ItemsLength(List) + 2 : 0; }

int PIDLItemCount(LPCITEMIDLIST List) {
    int Count = 0;
    EachItem(List, [&](int, const uint8_t*, uint16_t) {
        ++Count;
        return true;
    });
    return Count;
}

void* AllocShellMemZero(std::size_t Size) {
    void* P = CoTaskMemAlloc(Size);
    if (P) std::memset(P, 0, Size);
    return P;
}

void FreePIDL(LPITEMIDLIST List) {
    if (List) CoTaskMemFree(List);
}

LPITEMIDLIST CopyPIDL(LPCITEMIDLIST List) { return List ? Build(Bytes(List), ItemsLength(List)) : nullptr; }

LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST First, LPCITEMIDLIST Second) {
    if (!First && !Second) return nullptr;
    const std::size_t A = First ? ItemsLength(First) : 0, B = Second ? ItemsLength(Second) : 0;
    auto* Out = static_cast<uint8_t*>(AllocShellMemZero(A + B + 2));
    if (!Out) return nullptr;
    if (A) std::memcpy(Out, Bytes(First), A);
    if (B) std::memcpy(Out + A, Bytes(Second), B);
    return reinterpret_cast<LPITEMIDLIST>(Out);
}

LPITEMIDLIST CopyPIDLItem(LPCITEMIDLIST List, int Index) {
    const int Count = PIDLItemCount(List);
    if (!List || Index < 0 || Index > Count) return nullptr;
    if (Index == Count) return Build(/*Items=*/nullptr, 0);
    LPITEMIDLIST Out = nullptr;
    EachItem(List, [&](int I, const uint8_t* P, uint16_t N) {
        if (I != Index) return true;
        Out = Build(P, N);
        return false;
    });
    return Out;
}

LPITEMIDLIST CopyPIDLPrefix(LPCITEMIDLIST List, int Count) {
    if (!List) return nullptr;
    std::size_t Length = 0;
    EachItem(List, [&](int I, const uint8_t*, uint16_t N) {
        if (I >= Count) return false;
        Length += N;
        return true;
    });
    return Build(Bytes(List), Length);
}

LPITEMIDLIST MakePIDL(const std::string* Items, int Count) {
    std::string All;
    for (int I = 0; I < Count; ++I) {
        // Longer items cannot be counted in 16 bits.
        const std::size_t N = std::min<std::size_t>(Items[I].size(), 0xFFFF - 2) + 2;
        All += static_cast<char>(N & 0xFF);
        All += static_cast<char>(N >> 8);
        All.append(Items[I], 0, N - 2);
    }
    return Build(reinterpret_cast<const uint8_t*>(All.data()), All.size());
}

std::string PIDLItemData(LPCITEMIDLIST List, int Index) {
    std::string Out;
    EachItem(List, [&](int I, const uint8_t* P, uint16_t N) {
        if (I != Index) return true;
        Out.assign(reinterpret_cast<const char*>(P + 2), N - 2u);
        return false;
    });
    return Out;
}

namespace {
// Upper case from the Unicode tables of a UTF-8 locale, whatever the
// process's own locale is.
const std::ctype<wchar_t>& UnicodeCase() {
    static const std::locale L = [] {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::exception&) {
            return std::locale::classic();
        }
    }();
    return std::use_facet<std::ctype<wchar_t>>(L);
}

char16_t Fold(char16_t C) {
    if (C >= 0xD800 && C < 0xE000) return C;
    const wchar_t U = UnicodeCase().toupper(static_cast<wchar_t>(C));
    return U < 0x10000 ? static_cast<char16_t>(U) : C;
}

// Whether the mask's token at J (a character, "?" or a bracketed set) takes
// C; Next is where the token ends. An unclosed set takes nothing.
bool TokenTakes(const WideString& M, std::size_t J, char16_t C, std::size_t& Next) {
    if (M[J] == u'?') {
        Next = J + 1;
        return true;
    }
    if (M[J] != u'[') {
        Next = J + 1;
        return Fold(M[J]) == Fold(C);
    }
    std::size_t K = J + 1;
    const bool Negate = K < M.size() && M[K] == u'!';
    if (Negate) ++K;
    bool Found = false;
    const char16_t X = Fold(C);
    while (K < M.size() && M[K] != u']') {
        char16_t Lo = Fold(M[K]), Hi = Lo;
        if (K + 2 < M.size() && M[K + 1] == u'-' && M[K + 2] != u']') {
            Hi = Fold(M[K + 2]);
            K += 2;
        }
        if (Lo <= X && X <= Hi) Found = true;
        ++K;
    }
    Next = K + 1;
    if (K >= M.size()) return false;
    return Found != Negate;
}

// Greedy matching that returns to the last star only: time bounded by the
// product of the lengths, whatever the mask.
bool Match(const WideString& N, const WideString& M) {
    std::size_t I = 0, J = 0, StarJ = WideString::npos, StarI = 0;
    while (I < N.size()) {
        std::size_t Next = 0;
        if (J < M.size() && M[J] == u'*') {
            StarJ = J++;
            StarI = I;
        } else if (J < M.size() && TokenTakes(M, J, N[I], Next)) {
            ++I;
            J = Next;
        } else if (StarJ != WideString::npos) {
            J = StarJ + 1;
            I = ++StarI;
        } else {
            return false;
        }
    }
    while (J < M.size() && M[J] == u'*') ++J;
    return J == M.size();
}
}  // namespace

bool WideMatchesMask(const WideString& Name, const WideString& Mask) { return Match(Name, Mask); }
