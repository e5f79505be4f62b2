// Wide string lists and the wide-named file stream.
#pragma once

#include "platform/classlib/classes_ext.h"
#include "platform/rtl/classes.h"
#include "unicode/widestrings.h"

#include <functional>
#include <vector>

// A handle stream opened by a wide file name; mode 0xFFFF creates the file.
class TUniFileStream : public THandleStream {
public:
    TUniFileStream(const WideString& FileName, unsigned Mode);
    ~TUniFileStream() override;
};

// Byte-order kinds of a text stream.
enum : unsigned char { boNone = 0, boUtf16LE = 1, boUtf16BE = 2, boUtf8 = 3 };
// Reads a signature at the stream's position; without one the position is kept.
unsigned char DetectStreamBom(TStream& Stream);

class TUniStrings;

// An ANSI list that reads and writes in a given code page.
class TAnsiStrings : public TStrings {
public:
    virtual void LoadFromStreamEx(TStream& Stream, std::uint32_t CodePage) = 0;
    virtual void SaveToStreamEx(TStream& Stream, std::uint32_t CodePage) = 0;
};

// Shows a wide list as ANSI lines in the adapter code page (0: DefaultCodePage).
class TAnsiStringsForWideStringsAdapter : public TAnsiStrings {
public:
    TAnsiStringsForWideStringsAdapter(TUniStrings& WideStrings, std::uint32_t CodePage = 0)
        : FWideStrings(WideStrings), FCodePage(CodePage) {}
    std::uint32_t AdapterCodePage() const { return FCodePage ? FCodePage : DefaultCodePage; }

    int Count() const override;
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* Obj) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void LoadFromStreamEx(TStream& Stream, std::uint32_t CodePage) override;
    void SaveToStreamEx(TStream& Stream, std::uint32_t CodePage) override;

private:
    TUniStrings& FWideStrings;
    std::uint32_t FCodePage;
};

class TUniStrings : public TPersistent {
public:
    TUniStrings() : FAnsiStrings(*this) {}
    ~TUniStrings() override = default;

    // The list's ANSI view; assigning an ANSI list to it converts its lines.
    TAnsiStrings& AnsiStrings() { return FAnsiStrings; }
    void SetAnsiStrings(const TStrings& Value) { FAnsiStrings.Assign(Value); }

    void Assign(TPersistent* Source) override;
    std::string ClassName() const override { return "TUniStrings"; }

    virtual WideString Get(int Index) const = 0;
    virtual int GetCapacity() const { return GetCount(); }
    virtual int GetCount() const = 0;
    virtual TObject* GetObject(int) const { return nullptr; }
    virtual WideString GetTextStr() const;
    virtual void Put(int Index, const WideString& S);
    virtual void PutObject(int, TObject*) {}
    virtual void SetCapacity(int) {}
    virtual void SetTextStr(const WideString& Value);
    virtual void SetUpdateState(bool) {}
    virtual int CompareStrings(const WideString& S1, const WideString& S2) const;
    virtual int Add(const WideString& S);
    virtual int AddObject(const WideString& S, TObject* Obj);
    virtual void AddStrings(const TUniStrings& Strings);
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Exchange(int Index1, int Index2);
    WideChar* GetText() const; // free with WideStrDispose
    virtual int IndexOf(const WideString& S) const;
    virtual int IndexOfName(const WideString& Name) const;
    virtual int IndexOfObject(TObject* Obj) const;
    virtual void Insert(int Index, const WideString& S) = 0;
    virtual void InsertObject(int Index, const WideString& S, TObject* Obj);
    virtual void LoadFromFile(const WideString& FileName);
    virtual void LoadFromStream(TStream& Stream, bool Detect = true);
    virtual void Move(int CurIndex, int NewIndex);
    virtual void SaveToFile(const WideString& FileName);
    virtual void SaveToStream(TStream& Stream, bool WithBom = true);
    void SetText(const WideChar* Text) { SetTextStr(Text ? WideString(Text) : WideString()); }

    void BeginUpdate();
    void EndUpdate();
    bool Equals(const TUniStrings& Strings) const;
    [[noreturn]] void Error(const char* Msg, int Data) const;

    int Count() const { return GetCount(); }
    WideString operator[](int Index) const { return Get(Index); }
    unsigned char LastFileCharSet() const { return FLastFileCharSet; }
    WideChar NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(WideChar C) { FNameValueSeparator = C; }

protected:
    int UpdateCount() const { return FUpdateCount; }

private:
    TAnsiStringsForWideStringsAdapter FAnsiStrings;
    unsigned char FLastFileCharSet = boUtf16LE;
    WideChar FNameValueSeparator = u'=';
    int FUpdateCount = 0;
};

struct TUniStringItem {
    WideString FString;
    TObject* FObject = nullptr;
};

using TUniStringListSortCompare = std::function<int(class TUniStringList& List, int Index1, int Index2)>;

class TUniStringList : public TUniStrings {
public:
    ~TUniStringList() override;
    std::string ClassName() const override { return "TUniStringList"; }

    WideString Get(int Index) const override;
    int GetCapacity() const override { return static_cast<int>(FList.size()); }
    int GetCount() const override { return FCount; }
    TObject* GetObject(int Index) const override;
    void Put(int Index, const WideString& S) override;
    void PutObject(int Index, TObject* Obj) override;
    void SetCapacity(int NewCapacity) override;
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const WideString& S1, const WideString& S2) const override;
    int Add(const WideString& S) override { return AddObject(S, /*Obj=*/nullptr); }
    int AddObject(const WideString& S, TObject* Obj) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const WideString& S) const override;
    int IndexOfName(const WideString& Name) const override;
    void Insert(int Index, const WideString& S) override { InsertObject(Index, S, /*Obj=*/nullptr); }
    void InsertObject(int Index, const WideString& S, TObject* Obj) override;

    virtual void Changed();
    virtual void Changing();
    virtual bool Find(const WideString& S, int& Index) const;
    virtual void Sort();
    virtual void CustomSort(const TUniStringListSortCompare& Compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void InsertItem(int Index, const WideString& S, TObject* Obj);

private:
    void Grow();
    void QuickSort(int L, int R, const TUniStringListSortCompare& Compare);
    void ExchangeItems(int Index1, int Index2);

    std::vector<TUniStringItem> FList; // its size is the capacity
    int FCount = 0;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    bool FCaseSensitive = false;
};

// Bisection over a sorted list of objects: True and the match's index, or False
// and the index where Key would go.
bool SortedListFind(const std::vector<TObject*>& List, const std::function<int(TObject* Item, const void* Key)>& Compare,
                    const void* Key, int& Index);

extern const char* const SListIndexError;      // "List index out of bounds (%d)"
extern const char* const SDuplicateString;     // "String list does not allow duplicates"
extern const char* const SSortedListError;     // "Operation not allowed on sorted list"
extern const char* const SFCreateErrorWide;    // "Cannot create file %s"
extern const char* const SFOpenErrorWide;      // "Cannot open file %s"
