// Streams and the root object of the runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"

// The root of every class of the runtime and the class library.
class TObject {
public:
    virtual ~TObject() = default;
};

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
// The older integer origins, same values.
constexpr int soFromBeginning = 0;
constexpr int soFromCurrent = 1;
constexpr int soFromEnd = 2;

// File open modes of the class library.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
public:
    // Read and Write move at most Count bytes and answer how many moved.
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    // Answers the new position. soEnd counts Offset from the end (Size + Offset).
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t NewSize);

    // All or nothing: raise EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* Buffer, int64_t Count);
    void WriteBuffer(const void* Buffer, int64_t Count);
    // Copies Count bytes from Source's position (Count 0: all of Source from its start).
    int64_t CopyFrom(TStream& Source, int64_t Count);
};

// A stream over an open file descriptor, which it does not own.
class THandleStream : public TStream {
public:
    explicit THandleStream(int Handle) : FHandle(Handle) {}
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(int64_t NewSize) override;
    int Handle() const { return FHandle; }

protected:
    int FHandle;
};

// Opens or creates a file. Failures raise EFOpenError "Cannot open file \"%s\". %s"
// or EFCreateError "Cannot create file \"%s\". %s" with the system's reason.
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& FileName, uint16_t Mode);
    ~TFileStream() override;
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};

// A growable block of memory.
class TMemoryStream : public TStream {
public:
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t NewSize) override;

    void Clear();
    void* Memory() { return FData.data(); }
    const void* Memory() const { return FData.data(); }
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream);
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);

private:
    std::vector<unsigned char> FData;
    int64_t FPosition = 0;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
public:
    explicit TStringStream(std::string Data = {}) : FData(std::move(Data)) {}
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t NewSize) override;
    const std::string& DataString() const { return FData; }
    std::string ReadString(int64_t Count);
    void WriteString(const std::string& S) { WriteBuffer(S.data(), static_cast<int64_t>(S.size())); }

private:
    std::string FData;
    int64_t FPosition = 0;
};

// ---- String lists ---------------------------------------------------------
enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TObject {
public:
    ~TStrings() override = default;
    virtual int Count() const = 0;
    virtual std::string Get(int Index) const = 0;
    virtual void Put(int Index, const std::string& S) = 0;
    virtual TObject* GetObject(int Index) const = 0;
    virtual void PutObject(int Index, TObject* Obj) = 0;
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const std::string& S);
    virtual int AddObject(const std::string& S, TObject* Obj);
    virtual int IndexOf(const std::string& S) const;  // case-blind, -1 when absent
    virtual void Assign(const TStrings& Source);
    void AddStrings(const TStrings& Source);
    void Exchange(int A, int B);
    void Move(int From, int To);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() { --FUpdateCount; }
    std::string operator[](int Index) const { return Get(Index); }

    // Name=Value lines.
    std::string Names(int Index) const;
    std::string ValueFromIndex(int Index) const;
    std::string Values(const std::string& Name) const;
    void SetValue(const std::string& Name, const std::string& Value);  // empty Value removes the line
    int IndexOfName(const std::string& Name) const;
    int IndexOfObject(const TObject* Obj) const;

    // Lines joined by LineBreak (CR LF); setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& S);
    std::string LineBreak = "\r\n";
    std::string CommaText() const;
    void SetCommaText(const std::string& S);
    char Delimiter = ',';
    char QuoteChar = '"';
    bool StrictDelimiter = false;
    std::string DelimitedText() const;
    void SetDelimitedText(const std::string& S);

    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName) const;  // lines end with CR LF
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream) const;

protected:
    int FUpdateCount = 0;
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(const TStringList& Other) { Assign(Other); }
    TStringList& operator=(const TStringList& Other) {
        if (this != &Other) Assign(Other);
        return *this;
    }
    ~TStringList() override;
    int Count() const override { return static_cast<int>(FItems.size()); }
    std::string Get(int Index) const override;          // EStringListError "List index out of bounds (%d)"
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* Obj) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    int Add(const std::string& S) override;             // keeps the order when Sorted
    int IndexOf(const std::string& S) const override;
    bool Find(const std::string& S, int& Index) const;  // binary search of a sorted list
    void Sort();
    void CustomSort(int (*Compare)(TStringList& List, int A, int B));

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    TDuplicates Duplicates = dupIgnore;   // only used while Sorted
    bool OwnsObjects = false;

private:
    int CompareStrings(const std::string& A, const std::string& B) const;
    struct Item {
        std::string S;
        TObject* O = nullptr;
    };
    std::vector<Item> FItems;
    bool FSorted = false;
    bool FCaseSensitive = false;
};
