// PDF object model: serialisation of each kind and the file around them.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>

#include "imaging/bitmaps/iepdf.h"

namespace {
std::string Text(TIEPDFObject& o) {
    TStringStream s;
    o.WriteToStream(s);
    return s.DataString();
}
}  // namespace

TEST(PDF, ObjectTexts) {
    TIEPDFNameObject name("My Image");
    EXPECT_EQ(Text(name), "/My#20Image");
    TIEPDFStringObject str("a(b)\\c\n");
    EXPECT_EQ(Text(str), "(a\\(b\\)\\\\c\\n)");
    TIEPDFRefObject ref(7, 0);
    EXPECT_EQ(Text(ref), "7 0 R");
    TIEPDFBooleanObject b(true);
    EXPECT_EQ(Text(b), "true");
    struct {
        double v;
        const char* t;
    } numbers[] = {{0.5, "0.5"}, {595, "595"}, {-12.25, "-12.25"}, {1e-7, "0.0000001"}, {0.1 + 0.2, "0.3"}};
    for (auto n : numbers) {
        TIEPDFNumericObject o(n.v);
        EXPECT_EQ(Text(o), n.t);
    }
    // The decimal separator stays '.' whatever the locale says.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        TIEPDFNumericObject o(0.5);
        EXPECT_EQ(Text(o), "0.5");
    }
    std::setlocale(LC_NUMERIC, saved.c_str());

    TIEPDFArrayObject box;
    for (double v : {0.0, 0.0, 595.0, 842.0}) box.Add(new TIEPDFNumericObject(v));
    EXPECT_EQ(Text(box), "[0 0 595 842 ]");
    TIEPDFDictionaryObject d;
    d.AddObject("Type", new TIEPDFNameObject("Page"));
    d.AddObject("Count", new TIEPDFNumericObject(2));
    EXPECT_EQ(Text(d), "<< /Type /Page\n/Count 2\n>>");
}

TEST(PDF, StreamLengthAndSharedItems) {
    const char data[] = "0123456789";
    TIEPDFStreamObject s(data, 10);
    s.StreamDict->SetObject("Length", new TIEPDFNumericObject(99));
    EXPECT_EQ(Text(s), "<< /Length 10\n>>\nstream\n0123456789\nendstream");

    auto shared = std::make_unique<TIEPDFNameObject>("Kept");
    shared->Shared = true;
    {
        TIEPDFDictionaryObject d;
        d.AddObject("A", shared.get());
        d.AddObject("B", new TIEPDFNameObject("Freed"));
    }
    EXPECT_EQ(Text(*shared), "/Kept");  // still alive after the dictionary went
}

TEST(PDF, DocumentWithXRefAndTrailer) {
    TIEPDFObjectList objects, pages;
    std::vector<std::unique_ptr<TIEPDFObject>> owned;
    auto* catalog = PDFAddCatalog(objects);
    auto* content = new TIEPDFStreamObject("q Q", 3);
    PDFAddObject(objects, content);
    auto* box = new TIEPDFArrayObject;
    for (double v : {0.0, 0.0, 100.0, 50.0}) box->Add(new TIEPDFNumericObject(v));
    PDFAddPage(objects, pages, nullptr, content->ObjectNumber, box);
    auto* pagesDict = PDFAddPages(objects, pages);
    auto* info = new TIEPDFDictionaryObject;
    info->AddObject("Producer", new TIEPDFStringObject("Tessaro"));
    PDFAddObject(objects, info);
    for (auto* o : objects) owned.emplace_back(o);
    EXPECT_EQ(catalog->ObjectNumber, 1);
    EXPECT_EQ(pagesDict->ObjectNumber, 4);
    ASSERT_NE(catalog->Find("Pages"), nullptr);

    TStringStream out;
    PDFWriteHeader(out);
    PDFWriteObjects(out, objects);
    PDFWriteXRefTrailer(out, objects, info);
    const std::string& f = out.DataString();
    EXPECT_EQ(f.substr(0, 9), "%PDF-1.4\n");
    EXPECT_EQ(f.substr(9, 6), "%\xC8\xD2\xF0\xFE\n");
    size_t xref = f.find("xref\n");
    ASSERT_NE(xref, std::string::npos);
    EXPECT_EQ(f.substr(xref, 16), "xref\n0 6\n0000000");
    // Each entry is 20 bytes and points at "N 0 obj".
    size_t entries = f.find("0000000000 65535 f \n") + 20;
    for (int k = 0; k < 5; ++k) {
        std::string e = f.substr(entries + 20 * k, 20);
        ASSERT_EQ(e.substr(10), " 00000 n \n");
        size_t pos = std::stoul(e.substr(0, 10));
        EXPECT_EQ(f.substr(pos, std::to_string(k + 1).size() + 6), std::to_string(k + 1) + " 0 obj");
    }
    EXPECT_NE(f.find("<< /Size 6\n/Root 1 0 R\n/Info 5 0 R\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n"),
              std::string::npos);
    EXPECT_NE(f.find("/Parent 4 0 R"), std::string::npos);
    EXPECT_NE(f.find("/Kids [3 0 R ]"), std::string::npos);
}
