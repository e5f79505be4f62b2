// A minimal model of PDF objects and the routines that assemble a PDF 1.4 file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/classes.h"

class TIEPDFObject : public TObject {
public:
    virtual void WriteToStream(TStream& Stream) = 0;
    int32_t ObjectNumber = 0;
    int64_t FilePosition = 0;
    bool Shared = false;  // belongs to someone else: containers do not free it
};

class TIEPDFRefObject : public TIEPDFObject {
public:
    TIEPDFRefObject(int32_t Number, int32_t Generation) : RefNumber(Number), Generation(Generation) {}
    void WriteToStream(TStream& Stream) override;
    int32_t RefNumber, Generation;
};

class TIEPDFBooleanObject : public TIEPDFObject {
public:
    explicit TIEPDFBooleanObject(bool V) : Value(V) {}
    void WriteToStream(TStream& Stream) override;
    bool Value;
};

class TIEPDFNumericObject : public TIEPDFObject {
public:
    explicit TIEPDFNumericObject(double V) : Value(V) {}
    void WriteToStream(TStream& Stream) override;
    double Value;
};

class TIEPDFStringObject : public TIEPDFObject {
public:
    explicit TIEPDFStringObject(std::string V) : Value(std::move(V)) {}
    void WriteToStream(TStream& Stream) override;
    std::string Value;
};

class TIEPDFNameObject : public TIEPDFObject {
public:
    explicit TIEPDFNameObject(std::string V) : Value(std::move(V)) {}
    void WriteToStream(TStream& Stream) override;
    std::string Value;
};

class TIEPDFArrayObject : public TIEPDFObject {
public:
    TIEPDFArrayObject() = default;
    ~TIEPDFArrayObject() override;
    TIEPDFArrayObject(const TIEPDFArrayObject&) = delete;
    TIEPDFArrayObject& operator=(const TIEPDFArrayObject&) = delete;
    void WriteToStream(TStream& Stream) override;
    // Takes ownership unless the object is Shared.
    void Add(TIEPDFObject* Item) { ArrayItems.push_back(Item); }
    std::vector<TIEPDFObject*> ArrayItems;
};

class TIEPDFDictionaryObject : public TIEPDFObject {
public:
    TIEPDFDictionaryObject() = default;
    ~TIEPDFDictionaryObject() override;
    TIEPDFDictionaryObject(const TIEPDFDictionaryObject&) = delete;
    TIEPDFDictionaryObject& operator=(const TIEPDFDictionaryObject&) = delete;
    void WriteToStream(TStream& Stream) override;
    // Appends an entry (key without the slash); takes ownership unless the value is Shared.
    void AddObject(const std::string& Key, TIEPDFObject* Value) { DictEntries.emplace_back(Key, Value); }
    // Replaces the first entry of Key (freeing the old value), or appends it.
    void SetObject(const std::string& Key, TIEPDFObject* Value);
    TIEPDFObject* Find(const std::string& Key) const;
    std::vector<std::pair<std::string, TIEPDFObject*>> DictEntries;
};

class TIEPDFStreamObject : public TIEPDFObject {
public:
    TIEPDFStreamObject();
    TIEPDFStreamObject(const void* Buffer, int32_t Length);  // CreateFromBuffer
    ~TIEPDFStreamObject() override;
    void WriteToStream(TStream& Stream) override;
    std::vector<uint8_t> StreamData;
    int32_t StreamLength = 0;
    TIEPDFDictionaryObject* StreamDict;
};

// The document routines; the object list does not own its objects.
using TIEPDFObjectList = std::vector<TIEPDFObject*>;
void PDFWriteLine(TStream& Stream, const std::string& Text);
void PDFWriteText(TStream& Stream, const std::string& Text);
void PDFAddObject(TIEPDFObjectList& ObjectList, TIEPDFObject* Object);
TIEPDFDictionaryObject* PDFAddCatalog(TIEPDFObjectList& ObjectList);
TIEPDFDictionaryObject* PDFAddPage(TIEPDFObjectList& ObjectList, TIEPDFObjectList& PageList,
                                   TIEPDFObject* Resources, int32_t ContentsNumber, TIEPDFArrayObject* MediaBox);
TIEPDFDictionaryObject* PDFAddPages(TIEPDFObjectList& ObjectList, TIEPDFObjectList& PageList);
void PDFWriteHeader(TStream& Stream);
void PDFWriteObjects(TStream& Stream, TIEPDFObjectList& ObjectList);
void PDFWriteXRefTrailer(TStream& Stream, TIEPDFObjectList& ObjectList, TIEPDFObject* InfoDictionary);
std::string PadLeft(const std::string& Text, int Length, char Ch);
// The number text: up to 15 significant digits, '.' separator, never an exponent.
std::string PDFNumberText(double Value);
