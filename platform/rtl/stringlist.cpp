// String lists: TStrings and the sorted/unsorted TStringList.
#include <algorithm>

#include "platform/rtl/classes.h"
#include "platform/rtl/scope.h"

namespace {

[[noreturn]] void IndexError(int Index) {
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

[[noreturn]] void SortedError() { throw EStringListError("Operation not allowed on sorted list"); }

bool Blank(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\0'; }

}  // namespace

// ---- TStrings -------------------------------------------------------------

int TStrings::Add(const std::string& S) {
    int i = Count();
    Insert(i, S);
    return i;
}

int TStrings::AddObject(const std::string& S, TObject* Obj) {
    int i = Add(S);
    PutObject(i, Obj);
    return i;
}

int TStrings::IndexOf(const std::string& S) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (SameText(Get(i), S)) return i;
    return -1;
}

void TStrings::Assign(const TStrings& Source) {
    if (&Source == this) return;
    BeginUpdate();
    Clear();
    AddStrings(Source);
    EndUpdate();
}

void TStrings::AddStrings(const TStrings& Source) {
    // Source may be this list: take the count first.
    for (int i = 0, n = Source.Count(); i < n; ++i) AddObject(Source.Get(i), Source.GetObject(i));
}

void TStrings::Exchange(int A, int B) {
    std::string s = Get(A);
    TObject* o = GetObject(A);
    Put(A, Get(B));
    PutObject(A, GetObject(B));
    Put(B, s);
    PutObject(B, o);
}

void TStrings::Move(int From, int To) {
    if (From == To) return;
    std::string s = Get(From);
    TObject* o = GetObject(From);
    Delete(From);
    Insert(To, s);
    PutObject(To, o);
}

std::string TStrings::Names(int Index) const {
    std::string s = Get(Index);
    size_t p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int Index) const {
    std::string s = Get(Index);
    size_t p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

int TStrings::IndexOfName(const std::string& Name) const {
    for (int i = 0, n = Count(); i < n; ++i) {
        std::string s = Get(i);
        size_t p = s.find('=');
        if (p != std::string::npos && p == Name.size() && CompareText(s.substr(0, p), Name) == 0) return i;
    }
    return -1;
}

std::string TStrings::Values(const std::string& Name) const {
    int i = IndexOfName(Name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& Name, const std::string& Value) {
    int i = IndexOfName(Name);
    if (!Value.empty()) {
        if (i < 0) Add(Name + "=" + Value);
        else Put(i, Name + "=" + Value);
    } else if (i >= 0) {
        Delete(i);
    }
}

int TStrings::IndexOfObject(const TObject* Obj) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (GetObject(i) == Obj) return i;
    return -1;
}

std::string TStrings::Text() const {
    std::string r;
    for (int i = 0, n = Count(); i < n; ++i) {
        r += Get(i);
        r += LineBreak;
    }
    return r;
}

void TStrings::SetText(const std::string& S) {
    BeginUpdate();
    Clear();
    size_t i = 0;
    while (i < S.size()) {
        size_t j = S.find_first_of("\r\n", i);
        if (j == std::string::npos) {
            Add(S.substr(i));
            break;
        }
        Add(S.substr(i, j - i));
        i = j + 1;
        if (S[j] == '\r' && i < S.size() && S[i] == '\n') ++i;
    }
    EndUpdate();
}

std::string TStrings::DelimitedText() const {
    int n = Count();
    if (n == 1 && Get(0).empty()) return std::string(2, QuoteChar);
    std::string r;
    for (int i = 0; i < n; ++i) {
        std::string s = Get(i);
        bool quote = false;
        for (char c : s) {
            if (c == Delimiter || c == QuoteChar || (!StrictDelimiter && static_cast<unsigned char>(c) <= ' ')) {
                quote = true;
                break;
            }
        }
        if (i > 0) r += Delimiter;
        r += quote ? AnsiQuotedStr(s, QuoteChar) : s;
    }
    return r;
}

void TStrings::SetDelimitedText(const std::string& S) {
    BeginUpdate();
    Clear();
    const size_t n = S.size();
    size_t p = 0;
    auto skipBlanks = [&] {
        if (!StrictDelimiter)
            while (p < n && Blank(S[p])) ++p;
    };
    skipBlanks();
    while (p < n) {
        std::string item;
        if (S[p] == QuoteChar) {
            // quoted item: a doubled quote stands for one
            ++p;
            while (p < n) {
                if (S[p] == QuoteChar) {
                    if (p + 1 < n && S[p + 1] == QuoteChar) {
                        item += QuoteChar;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += S[p++];
            }
        } else {
            size_t b = p;
            while (p < n && S[p] != Delimiter && (StrictDelimiter || !Blank(S[p]))) ++p;
            item = S.substr(b, p - b);
        }
        Add(item);
        skipBlanks();
        if (p < n && S[p] == Delimiter) {
            ++p;
            if (p == n) Add(std::string());  // a trailing delimiter ends with an empty item
            skipBlanks();
        }
    }
    EndUpdate();
}

std::string TStrings::CommaText() const {
    // CommaText always uses ',' and '"' with blanks as separators too.
    struct Saver {
        TStrings& L;
        char D, Q;
        bool S;
        ~Saver() {
            L.Delimiter = D;
            L.QuoteChar = Q;
            L.StrictDelimiter = S;
        }
    };
    auto& self = const_cast<TStrings&>(*this);
    Saver keep{self, Delimiter, QuoteChar, StrictDelimiter};
    self.Delimiter = ',';
    self.QuoteChar = '"';
    self.StrictDelimiter = false;
    return DelimitedText();
}

void TStrings::SetCommaText(const std::string& S) {
    char d = Delimiter, q = QuoteChar;
    bool s = StrictDelimiter;
    Delimiter = ',';
    QuoteChar = '"';
    StrictDelimiter = false;
    rtl::TScopeExit Cleanup([&] {
        Delimiter = d;
        QuoteChar = q;
        StrictDelimiter = s;
    });
    SetDelimitedText(S);
}

void TStrings::LoadFromStream(TStream& Stream) {
    std::string data;
    char buf[65536];
    for (;;) {
        int64_t n = Stream.Read(buf, sizeof buf);
        if (n <= 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    // A byte-order mark written by some editors is not part of the first line.
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) data.erase(0, 3);
    SetText(data);
}

void TStrings::SaveToStream(TStream& Stream) const {
    std::string t = Text();
    Stream.WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

void TStrings::SaveToFile(const std::string& FileName) const {
    TFileStream f(FileName, fmCreate);
    SaveToStream(f);
}

// ---- TStringList ----------------------------------------------------------

TStringList::~TStringList() {
    if (OwnsObjects)
        for (auto& it : FItems) delete it.O;
}

std::string TStringList::Get(int Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FItems[static_cast<size_t>(Index)].S;
}

void TStringList::Put(int Index, const std::string& S) {
    if (FSorted) SortedError();
    if (Index < 0 || Index >= Count()) IndexError(Index);
    FItems[static_cast<size_t>(Index)].S = S;
}

TObject* TStringList::GetObject(int Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FItems[static_cast<size_t>(Index)].O;
}

void TStringList::PutObject(int Index, TObject* Obj) {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    FItems[static_cast<size_t>(Index)].O = Obj;
}

void TStringList::Insert(int Index, const std::string& S) {
    if (FSorted) SortedError();
    if (Index < 0 || Index > Count()) IndexError(Index);
    FItems.insert(FItems.begin() + Index, Item{S, nullptr});
}

void TStringList::Delete(int Index) {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    TObject* o = FItems[static_cast<size_t>(Index)].O;
    FItems.erase(FItems.begin() + Index);
    if (OwnsObjects) delete o;
}

void TStringList::Clear() {
    std::vector<Item> old;
    old.swap(FItems);
    if (OwnsObjects)
        for (auto& it : old) delete it.O;
}

int TStringList::Add(const std::string& S) {
    if (!FSorted) {
        FItems.push_back(Item{S, nullptr});
        return Count() - 1;
    }
    int i;
    if (Find(S, i)) {
        if (Duplicates == dupIgnore) return i;
        if (Duplicates == dupError) throw EStringListError("String list does not allow duplicates");
    }
    FItems.insert(FItems.begin() + i, Item{S, nullptr});
    return i;
}

int TStringList::IndexOf(const std::string& S) const {
    if (FSorted) {
        int i;
        return Find(S, i) ? i : -1;
    }
    for (int i = 0, n = Count(); i < n; ++i)
        if (CompareStrings(FItems[static_cast<size_t>(i)].S, S) == 0) return i;
    return -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
    // The first position not below S; equal items come first.
    int lo = 0, hi = Count();
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (CompareStrings(FItems[static_cast<size_t>(mid)].S, S) < 0) lo = mid + 1;
        else hi = mid;
    }
    Index = lo;
    return lo < Count() && CompareStrings(FItems[static_cast<size_t>(lo)].S, S) == 0;
}

int TStringList::CompareStrings(const std::string& A, const std::string& B) const {
    return FCaseSensitive ? CompareStr(A, B) : CompareText(A, B);
}

void TStringList::Sort() {
    std::stable_sort(FItems.begin(), FItems.end(),
                     [this](const Item& a, const Item& b) { return CompareStrings(a.S, b.S) < 0; });
}

void TStringList::CustomSort(int (*Compare)(TStringList& List, int A, int B)) {
    // Binary insertion: Compare sees the items at their current indexes.
    for (int i = 1; i < Count(); ++i) {
        int lo = 0, hi = i;
        while (lo < hi) {
            int mid = lo + (hi - lo) / 2;
            if (Compare(*this, i, mid) < 0) hi = mid;
            else lo = mid + 1;
        }
        if (lo < i) std::rotate(FItems.begin() + lo, FItems.begin() + i, FItems.begin() + i + 1);
    }
}

void TStringList::SetSorted(bool Value) {
    if (Value && !FSorted) Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (Value == FCaseSensitive) return;
    FCaseSensitive = Value;
    if (FSorted) Sort();
}
