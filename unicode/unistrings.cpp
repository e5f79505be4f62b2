#include "unicode/unistrings.h"
#include "platform/rtl/scope.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SDuplicateString = "String list does not allow duplicates";
const char* const SSortedListError = "Operation not allowed on sorted list";
const char* const SFCreateErrorWide = "Cannot create file %s";
const char* const SFOpenErrorWide = "Cannot open file %s";

namespace {

std::string FormatName(const char* fmt, const WideString& name) {
    const std::string n = WideToUtf8(name);
    std::string out(fmt);
    const auto at = out.find("%s");
    return at == std::string::npos ? out : out.replace(at, 2, n);
}

// Keeps an update open for the life of a scope, also when it raises.
class UpdateScope {
public:
    explicit UpdateScope(TUniStrings& s) : FStrings(s) { FStrings.BeginUpdate(); }
    ~UpdateScope() { FStrings.EndUpdate(); }

private:
    TUniStrings& FStrings;
};

} // namespace

// ---- TUniFileStream ---------------------------------------------------------

TUniFileStream::TUniFileStream(const WideString& FileName, unsigned Mode)
    : THandleStream(Mode == 0xFFFF ? WideFileCreate(FileName) : WideFileOpen(FileName, Mode)) {
    if (FHandle < 0) {
        if (Mode == 0xFFFF)
            throw EFCreateError(FormatName(SFCreateErrorWide, FileName));
        throw EFOpenError(FormatName(SFOpenErrorWide, FileName));
    }
}

TUniFileStream::~TUniFileStream() {
    if (FHandle >= 0)
        ::close(FHandle);
}

unsigned char DetectStreamBom(TStream& Stream) {
    unsigned char b[3];
    const int64_t left = Stream.Size() - Stream.Position();
    if (left > 1) {
        const int64_t got = Stream.Read(b, 2);
        if (got == 2 && b[0] == 0xFF && b[1] == 0xFE)
            return boUtf16LE;
        if (got == 2 && b[0] == 0xFE && b[1] == 0xFF)
            return boUtf16BE;
        Stream.Seek(-got, soCurrent);
    }
    if (left > 2) {
        const int64_t got = Stream.Read(b, 3);
        if (got == 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
            return boUtf8;
        Stream.Seek(-got, soCurrent);
    }
    return boNone;
}

// ---- TAnsiStringsForWideStringsAdapter ---------------------------------------

int TAnsiStringsForWideStringsAdapter::Count() const { return FWideStrings.GetCount(); }

std::string TAnsiStringsForWideStringsAdapter::Get(int Index) const {
    return WideToAnsiCodePage(FWideStrings.Get(Index), AdapterCodePage());
}

void TAnsiStringsForWideStringsAdapter::Put(int Index, const std::string& S) {
    FWideStrings.Put(Index, AnsiToWideCodePage(S, AdapterCodePage()));
}

TObject* TAnsiStringsForWideStringsAdapter::GetObject(int Index) const { return FWideStrings.GetObject(Index); }

void TAnsiStringsForWideStringsAdapter::PutObject(int Index, TObject* Obj) { FWideStrings.PutObject(Index, Obj); }

void TAnsiStringsForWideStringsAdapter::Insert(int Index, const std::string& S) {
    FWideStrings.Insert(Index, AnsiToWideCodePage(S, AdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::Delete(int Index) { FWideStrings.Delete(Index); }

void TAnsiStringsForWideStringsAdapter::Clear() { FWideStrings.Clear(); }

void TAnsiStringsForWideStringsAdapter::LoadFromStreamEx(TStream& Stream, std::uint32_t CodePage) {
    FWideStrings.BeginUpdate();
    rtl::TScopeExit EndUpdateAtExit([&] { FWideStrings.EndUpdate(); });
    const int64_t n = Stream.Size() - Stream.Position();
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (!bytes.empty())
        Stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    FWideStrings.SetTextStr(AnsiToWideCodePage(bytes, CodePage));
}

void TAnsiStringsForWideStringsAdapter::SaveToStreamEx(TStream& Stream, std::uint32_t CodePage) {
    const std::string bytes = WideToAnsiCodePage(FWideStrings.GetTextStr(), CodePage);
    if (!bytes.empty())
        Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// ---- TUniStrings ------------------------------------------------------------

void TUniStrings::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TUniStrings*>(Source)) {
        UpdateScope u(*this);
        Clear();
        FNameValueSeparator = s->FNameValueSeparator;
        AddStrings(*s);
        return;
    }
    TPersistent::Assign(Source);
}

WideString TUniStrings::GetTextStr() const {
    WideString out;
    for (int i = 0; i < GetCount(); ++i) {
        out += Get(i);
        out += u"\r\n";
    }
    return out;
}

void TUniStrings::Put(int Index, const WideString& S) {
    TObject* obj = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, obj);
}

void TUniStrings::SetTextStr(const WideString& Value) {
    UpdateScope u(*this);
    Clear();
    // Text after a NUL is not read.
    const std::size_t end = std::min(Value.find(u'\0'), Value.size());
    std::size_t p = 0;
    while (p < end) {
        std::size_t q = p;
        while (q < end && Value[q] != u'\r' && Value[q] != u'\n' && Value[q] != u'\u2028')
            ++q;
        Add(Value.substr(p, q - p));
        p = q;
        if (p < end && Value[p] == u'\r')
            ++p;
        if (p < end && Value[p] == u'\n')
            ++p;
        if (p < end && Value[p] == u'\u2028')
            ++p;
    }
}

int TUniStrings::CompareStrings(const WideString& S1, const WideString& S2) const { return WideCompareText(S1, S2); }

int TUniStrings::Add(const WideString& S) {
    const int i = GetCount();
    Insert(i, S);
    return i;
}

int TUniStrings::AddObject(const WideString& S, TObject* Obj) {
    const int i = Add(S);
    PutObject(i, Obj);
    return i;
}

void TUniStrings::AddStrings(const TUniStrings& Strings) {
    UpdateScope u(*this);
    for (int i = 0; i < Strings.GetCount(); ++i)
        AddObject(Strings.Get(i), Strings.GetObject(i));
}

void TUniStrings::Exchange(int Index1, int Index2) {
    UpdateScope u(*this);
    const WideString s = Get(Index1);
    TObject* o = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, o);
}

WideChar* TUniStrings::GetText() const {
    const WideString s = GetTextStr();
    return WideStrNew(s.c_str());
}

int TUniStrings::IndexOf(const WideString& S) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), S) == 0)
            return i;
    return -1;
}

int TUniStrings::IndexOfName(const WideString& Name) const {
    for (int i = 0; i < GetCount(); ++i) {
        const WideString s = Get(i);
        const auto at = s.find(FNameValueSeparator);
        if (at != WideString::npos && CompareStrings(s.substr(0, at), Name) == 0)
            return i;
    }
    return -1;
}

int TUniStrings::IndexOfObject(TObject* Obj) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetObject(i) == Obj)
            return i;
    return -1;
}

void TUniStrings::InsertObject(int Index, const WideString& S, TObject* Obj) {
    Insert(Index, S);
    PutObject(Index, Obj);
}

void TUniStrings::LoadFromFile(const WideString& FileName) {
    TUniFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    FLastFileCharSet = DetectStreamBom(stream);
    stream.SetPosition(0);
    LoadFromStream(stream, /*Detect=*/true);
}

void TUniStrings::LoadFromStream(TStream& Stream, bool Detect) {
    UpdateScope u(*this);
    const unsigned char kind = Detect ? DetectStreamBom(Stream) : boUtf16LE;
    const int64_t n = Stream.Size() - Stream.Position();
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (!bytes.empty())
        Stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    WideString text;
    if (kind == boUtf16LE || kind == boUtf16BE) {
        text.resize(bytes.size() / 2);
        std::memcpy(text.data(), bytes.data(), text.size() * 2);
        if (kind == boUtf16BE)
            for (auto& c : text)
                c = static_cast<WideChar>((c >> 8) | (c << 8));
    } else {
        // The ANSI code page is UTF-8 here.
        text = Utf8ToWide(bytes);
    }
    SetTextStr(text);
}

void TUniStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex)
        return;
    UpdateScope u(*this);
    const WideString s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
}

void TUniStrings::SaveToFile(const WideString& FileName) {
    TUniFileStream stream(FileName, 0xFFFF);
    SaveToStream(stream, /*WithBom=*/true);
}

void TUniStrings::SaveToStream(TStream& Stream, bool WithBom) {
    if (WithBom)
        Stream.WriteBuffer("\xFF\xFE", 2);
    const WideString s = GetTextStr();
    // Units are written little-endian whatever the host's order.
    std::string bytes;
    bytes.reserve(s.size() * 2);
    for (WideChar c : s) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    if (!bytes.empty())
        Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TUniStrings::BeginUpdate() {
    // The state is set while the count is still 0, so the list's Changing fires.
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TUniStrings::EndUpdate() {
    if (--FUpdateCount == 0)
        SetUpdateState(false);
}

bool TUniStrings::Equals(const TUniStrings& Strings) const {
    if (GetCount() != Strings.GetCount())
        return false;
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i) != Strings.Get(i))
            return false;
    return true;
}

void TUniStrings::Error(const char* Msg, int Data) const {
    char buf[256];
    std::snprintf(buf, sizeof buf, Msg, Data);
    throw EStringListError(buf);
}

// ---- TUniStringList ---------------------------------------------------------

TUniStringList::~TUniStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

WideString TUniStringList::Get(int Index) const {
    if (Index < 0 || Index >= FCount)
        Error(SListIndexError, Index);
    return FList[static_cast<std::size_t>(Index)].FString;
}

TObject* TUniStringList::GetObject(int Index) const {
    if (Index < 0 || Index >= FCount)
        Error(SListIndexError, Index);
    return FList[static_cast<std::size_t>(Index)].FObject;
}

void TUniStringList::Put(int Index, const WideString& S) {
    if (FSorted)
        Error(SSortedListError, 0);
    if (Index < 0 || Index >= FCount)
        Error(SListIndexError, Index);
    Changing();
    FList[static_cast<std::size_t>(Index)].FString = S;
    Changed();
}

void TUniStringList::PutObject(int Index, TObject* Obj) {
    if (Index < 0 || Index >= FCount)
        Error(SListIndexError, Index);
    Changing();
    FList[static_cast<std::size_t>(Index)].FObject = Obj;
    Changed();
}

void TUniStringList::SetCapacity(int NewCapacity) {
    // Never below the count: the items would be lost.
    FList.resize(static_cast<std::size_t>(std::max(NewCapacity, FCount)));
}

void TUniStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

int TUniStringList::CompareStrings(const WideString& S1, const WideString& S2) const {
    return FCaseSensitive ? WideCompareStr(S1, S2) : WideCompareText(S1, S2);
}

int TUniStringList::AddObject(const WideString& S, TObject* Obj) {
    int index = FCount;
    if (FSorted && Find(S, index)) {
        if (FDuplicates == dupIgnore)
            return index;
        if (FDuplicates == dupError)
            Error(SDuplicateString, 0);
    }
    InsertItem(index, S, Obj);
    return index;
}

void TUniStringList::Clear() {
    if (FCount == 0)
        return;
    Changing();
    FList.clear();
    FCount = 0;
    Changed();
}

void TUniStringList::Delete(int Index) {
    if (Index < 0 || Index >= FCount)
        Error(SListIndexError, Index);
    Changing();
    FList.erase(FList.begin() + Index);
    FList.emplace_back();
    --FCount;
    Changed();
}

void TUniStringList::Exchange(int Index1, int Index2) {
    if (Index1 < 0 || Index1 >= FCount)
        Error(SListIndexError, Index1);
    if (Index2 < 0 || Index2 >= FCount)
        Error(SListIndexError, Index2);
    Changing();
    ExchangeItems(Index1, Index2);
    Changed();
}

void TUniStringList::ExchangeItems(int Index1, int Index2) {
    std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
}

int TUniStringList::IndexOf(const WideString& S) const {
    if (!FSorted)
        return TUniStrings::IndexOf(S);
    int index;
    return Find(S, index) ? index : -1;
}

int TUniStringList::IndexOfName(const WideString& Name) const {
    if (!FSorted)
        return TUniStrings::IndexOfName(Name);
    const WideString key = Name + NameValueSeparator();
    int index;
    Find(key, index);
    if (index < FCount && CompareStrings(FList[static_cast<std::size_t>(index)].FString.substr(0, key.size()), key) == 0)
        return index;
    return -1;
}

void TUniStringList::InsertObject(int Index, const WideString& S, TObject* Obj) {
    if (FSorted)
        Error(SSortedListError, 0);
    if (Index < 0 || Index > FCount)
        Error(SListIndexError, Index);
    InsertItem(Index, S, Obj);
}

void TUniStringList::InsertItem(int Index, const WideString& S, TObject* Obj) {
    Changing();
    if (FCount == static_cast<int>(FList.size()))
        Grow();
    for (int i = FCount; i > Index; --i)
        FList[static_cast<std::size_t>(i)] = std::move(FList[static_cast<std::size_t>(i - 1)]);
    FList[static_cast<std::size_t>(Index)] = TUniStringItem{S, Obj};
    ++FCount;
    Changed();
}

void TUniStringList::Grow() {
    const int cap = static_cast<int>(FList.size());
    const int delta = cap > 64 ? cap / 4 : cap > 8 ? 16 : 4;
    SetCapacity(cap + delta);
}

void TUniStringList::Changed() {
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

void TUniStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

bool TUniStringList::Find(const WideString& S, int& Index) const {
    bool found = false;
    int lo = 0, hi = FCount - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = CompareStrings(FList[static_cast<std::size_t>(mid)].FString, S);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (FDuplicates != dupAccept)
                    lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}

void TUniStringList::Sort() {
    CustomSort([](TUniStringList& list, int a, int b) {
        return list.CompareStrings(list.FList[static_cast<std::size_t>(a)].FString,
                                   list.FList[static_cast<std::size_t>(b)].FString);
    });
}

void TUniStringList::CustomSort(const TUniStringListSortCompare& Compare) {
    if (FSorted || FCount < 2)
        return;
    Changing();
    QuickSort(0, FCount - 1, Compare);
    Changed();
}

void TUniStringList::QuickSort(int L, int R, const TUniStringListSortCompare& Compare) {
    while (L < R) {
        int i = L, j = R, p = (L + R) / 2;
        do {
            while (Compare(*this, i, p) < 0)
                ++i;
            while (Compare(*this, j, p) > 0)
                --j;
            if (i <= j) {
                if (i != j)
                    ExchangeItems(i, j);
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j)
            QuickSort(L, j, Compare);
        L = i;
    }
}

void TUniStringList::SetSorted(bool Value) {
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TUniStringList::SetCaseSensitive(bool Value) {
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

bool SortedListFind(const std::vector<TObject*>& List, const std::function<int(TObject* Item, const void* Key)>& Compare,
                    const void* Key, int& Index) {
    bool found = false;
    int lo = 0, hi = static_cast<int>(List.size()) - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = Compare(List[static_cast<std::size_t>(mid)], Key);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}
