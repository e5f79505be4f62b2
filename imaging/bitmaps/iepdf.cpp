// PDF object model.
#include "imaging/bitmaps/iepdf.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
void Put(TStream& S, const std::string& T) { S.WriteBuffer(T.data(), static_cast<int64_t>(T.size())); }
void Free(TIEPDFObject* O) {
    if (O && !O->Shared) delete O;
}
}  // namespace

void PDFWriteLine(TStream& Stream, const std::string& Text) { Put(Stream, Text + "\n"); }
void PDFWriteText(TStream& Stream, const std::string& Text) { Put(Stream, Text); }

std::string PDFNumberText(double Value) {
    if (!std::isfinite(Value)) return "0";
    // to_chars ignores the locale: the separator is always '.'.
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::general, 15);
    std::string s(buf, r.ptr);
    if (s.find_first_of("eE") != std::string::npos) {
        // PDF has no exponent form: very small values go out in fixed notation, trimmed.
        r = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::fixed, 15);
        s.assign(buf, r.ptr);
        if (s.find('.') != std::string::npos) {
            while (!s.empty() && s.back() == '0') s.pop_back();
            if (!s.empty() && s.back() == '.') s.pop_back();
        }
        if (s == "-0" || s.empty()) s = "0";
    }
    return s;
}

void TIEPDFRefObject::WriteToStream(TStream& S) {
    FilePosition = S.Position();
    Put(S, std::to_string(RefNumber) + " " + std::to_string(Generation) + " R");
}

void TIEPDFBooleanObject::WriteToStream(TStream& S) {
    FilePosition = S.Position();
    Put(S, Value ? "true" : "false");
}

void TIEPDFNumericObject::WriteToStream(TStream& S) {
    FilePosition = S.Position();
    Put(S, PDFNumberText(Value));
}

void TIEPDFStringObject::WriteToStream(TStream& S) {
    FilePosition = S.Position();
    std::string t = "(";
    for (char c : Value) {
        switch (c) {
            case '\b': t += "\\b"; break;
            case '\t': t += "\\t"; break;
            case '\n': t += "\\n"; break;
            case '\f': t += "\\f"; break;
            case '\r': t += "\\r"; break;
            case '(': case ')': case '\\': t += '\\'; t += c; break;
            default: t += c;
        }
    }
    Put(S, t + ")");
}

void TIEPDFNameObject::WriteToStream(TStream& S) {
    FilePosition = S.Position();
    std::string t = "/";
    for (unsigned char c : Value) {
        if (c < 33 || c > 126) {
            char h[4];
            std::snprintf(h, sizeof h, "#%02X", c);
            t += h;
        } else {
            t += static_cast<char>(c);
        }
    }
    Put(S, t);
}

TIEPDFArrayObject::~TIEPDFArrayObject() {
    for (auto* o : ArrayItems) Free(o);
}

void TIEPDFArrayObject::WriteToStream(TStream& S) {
    FilePosition = S.Position();
    Put(S, "[");
    for (auto* o : ArrayItems) {
        o->WriteToStream(S);
        Put(S, " ");
    }
    Put(S, "]");
}

TIEPDFDictionaryObject::~TIEPDFDictionaryObject() {
    for (auto& e : DictEntries) Free(e.second);
}

void TIEPDFDictionaryObject::SetObject(const std::string& Key, TIEPDFObject* Value) {
    for (auto& e : DictEntries)
        if (e.first == Key) {
            if (e.second != Value) Free(e.second);
            e.second = Value;
            return;
        }
    AddObject(Key, Value);
}

TIEPDFObject* TIEPDFDictionaryObject::Find(const std::string& Key) const {
    for (auto& e : DictEntries)
        if (e.first == Key) return e.second;
    return nullptr;
}

void TIEPDFDictionaryObject::WriteToStream(TStream& S) {
    FilePosition = S.Position();
    Put(S, "<< ");
    for (auto& e : DictEntries) {
        Put(S, "/" + e.first + " ");
        e.second->WriteToStream(S);
        Put(S, "\n");
    }
    Put(S, ">>");
}

TIEPDFStreamObject::TIEPDFStreamObject() : StreamDict(new TIEPDFDictionaryObject) {
    StreamDict->AddObject("Length", new TIEPDFNumericObject(0));
}

TIEPDFStreamObject::TIEPDFStreamObject(const void* Buffer, int32_t Length) : TIEPDFStreamObject() {
    auto* p = static_cast<const uint8_t*>(Buffer);
    if (p && Length > 0) StreamData.assign(p, p + Length);
    StreamLength = static_cast<int32_t>(StreamData.size());
}

TIEPDFStreamObject::~TIEPDFStreamObject() { delete StreamDict; }

void TIEPDFStreamObject::WriteToStream(TStream& S) {
    FilePosition = S.Position();
    StreamDict->SetObject("Length", new TIEPDFNumericObject(StreamLength));
    StreamDict->WriteToStream(S);
    Put(S, "\nstream\n");
    if (StreamLength > 0)
        S.WriteBuffer(StreamData.data(), std::min<int64_t>(StreamLength, static_cast<int64_t>(StreamData.size())));
    Put(S, "\nendstream");
}

void PDFAddObject(TIEPDFObjectList& ObjectList, TIEPDFObject* Object) {
    ObjectList.push_back(Object);
    Object->ObjectNumber = static_cast<int32_t>(ObjectList.size());
}

TIEPDFDictionaryObject* PDFAddCatalog(TIEPDFObjectList& ObjectList) {
    auto* d = new TIEPDFDictionaryObject;
    d->AddObject("Type", new TIEPDFNameObject("Catalog"));
    PDFAddObject(ObjectList, d);
    return d;
}

TIEPDFDictionaryObject* PDFAddPage(TIEPDFObjectList& ObjectList, TIEPDFObjectList& PageList,
                                   TIEPDFObject* Resources, int32_t ContentsNumber, TIEPDFArrayObject* MediaBox) {
    auto* d = new TIEPDFDictionaryObject;
    d->AddObject("Type", new TIEPDFNameObject("Page"));
    if (Resources) d->AddObject("Resources", new TIEPDFRefObject(Resources->ObjectNumber, 0));
    d->AddObject("MediaBox", MediaBox);
    d->AddObject("Contents", new TIEPDFRefObject(ContentsNumber, 0));
    PDFAddObject(ObjectList, d);
    PageList.push_back(d);
    return d;
}

TIEPDFDictionaryObject* PDFAddPages(TIEPDFObjectList& ObjectList, TIEPDFObjectList& PageList) {
    auto* d = new TIEPDFDictionaryObject;
    PDFAddObject(ObjectList, d);
    d->AddObject("Type", new TIEPDFNameObject("Pages"));
    auto* kids = new TIEPDFArrayObject;
    for (auto* p : PageList) {
        kids->Add(new TIEPDFRefObject(p->ObjectNumber, 0));
        if (auto* pd = dynamic_cast<TIEPDFDictionaryObject*>(p)) pd->AddObject("Parent", new TIEPDFRefObject(d->ObjectNumber, 0));
    }
    d->AddObject("Kids", kids);
    d->AddObject("Count", new TIEPDFNumericObject(static_cast<double>(PageList.size())));
    if (!ObjectList.empty())
        if (auto* cat = dynamic_cast<TIEPDFDictionaryObject*>(ObjectList.front()))
            cat->AddObject("Pages", new TIEPDFRefObject(d->ObjectNumber, 0));
    return d;
}

void PDFWriteHeader(TStream& Stream) {
    PDFWriteLine(Stream, "%PDF-1.4");
    PDFWriteLine(Stream, std::string("%\xC8\xD2\xF0\xFE"));
}

void PDFWriteObjects(TStream& Stream, TIEPDFObjectList& ObjectList) {
    for (auto* o : ObjectList) {
        int64_t start = Stream.Position();
        PDFWriteLine(Stream, std::to_string(o->ObjectNumber) + " 0 obj");
        o->WriteToStream(Stream);
        PDFWriteText(Stream, "\n");
        PDFWriteLine(Stream, "endobj");
        o->FilePosition = start;
    }
}

std::string PadLeft(const std::string& Text, int Length, char Ch) {
    if (static_cast<int>(Text.size()) >= Length) return Text;
    return std::string(static_cast<size_t>(Length) - Text.size(), Ch) + Text;
}

void PDFWriteXRefTrailer(TStream& Stream, TIEPDFObjectList& ObjectList, TIEPDFObject* InfoDictionary) {
    int64_t xref = Stream.Position();
    std::string n1 = std::to_string(ObjectList.size() + 1);
    PDFWriteLine(Stream, "xref");
    PDFWriteLine(Stream, "0 " + n1);
    PDFWriteLine(Stream, "0000000000 65535 f ");
    for (auto* o : ObjectList) PDFWriteLine(Stream, PadLeft(std::to_string(o->FilePosition), 10, '0') + " 00000 n ");
    PDFWriteLine(Stream, "trailer");
    PDFWriteLine(Stream, "<< /Size " + n1);
    PDFWriteLine(Stream, "/Root 1 0 R");
    PDFWriteLine(Stream, "/Info " + std::to_string(InfoDictionary ? InfoDictionary->ObjectNumber : 0) + " 0 R");
    PDFWriteLine(Stream, ">>");
    PDFWriteLine(Stream, "startxref");
    PDFWriteLine(Stream, std::to_string(xref));
    PDFWriteLine(Stream, "%%EOF");
}
