#include "imaging/io/iepdfwriter.h"

#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieccitt.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/iejpeg.h"

using namespace ieio;

namespace {

TIEPDFNameObject* Name(const char* N) { return new TIEPDFNameObject(N); }
TIEPDFNumericObject* Num(double V) { return new TIEPDFNumericObject(V); }

}  // namespace

TPDFOutputState::~TPDFOutputState() {
    // Every object was added to Objects once; containers hold references, never these objects.
    for (auto* o : Objects) delete o;
}

std::unique_ptr<TPDFOutputState> OpenPDFStream() {
    auto s = std::make_unique<TPDFOutputState>();
    s->Catalog = PDFAddCatalog(s->Objects);
    s->Resources = new TIEPDFDictionaryObject;
    s->Resources->Shared = true;
    auto* procs = new TIEPDFArrayObject;
    procs->Add(Name("PDF"));
    procs->Add(Name("ImageB"));
    s->Resources->AddObject("ProcSet", procs);
    s->XObjects = new TIEPDFDictionaryObject;
    s->Resources->AddObject("XObject", s->XObjects);
    PDFAddObject(s->Objects, s->Resources);
    return s;
}

void AddPDFImagePage(TPDFOutputState& State, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    std::atomic<bool> dummy{false};
    std::atomic<bool>& abort = Progress.Aborting ? *Progress.Aborting : dummy;
    const int32_t w = Bitmap->Width(), h = Bitmap->Height();
    const TIEPixelFormat pf = Bitmap->PixelFormat();
    // A page without a picture is no page.
    if (w <= 0 || h <= 0 || (pf != ie1g && pf != ieRGB24)) {
        SetAbort(Progress);
        return;
    }
    const bool bw = pf == ie1g;
    Params.BitsPerSample = bw ? 1 : 8;
    Params.SamplesPerPixel = bw ? 1 : 3;
    int compression = Params.PDFCompression;
    if (bw && compression == 4) {
        compression = 3;
        Params.PDFCompression = 3;
    }
    // 1-bit pictures have no encoding above 5: they take Group 4.
    if (bw && compression > 5) compression = 2;
    TTIFFLZWCompFunc lzw = Params.TIFFLZWCompressor ? Params.TIFFLZWCompressor : DefaultTIFFLZWCompressor;
    if (compression == 5 && lzw == nullptr) {
        SetAbort(Progress);
        return;
    }
    auto img = std::make_unique<TIEPDFStreamObject>();
    TIEPDFDictionaryObject* d = img->StreamDict;
    std::vector<uint8_t> data;
    const int32_t rowBytes = (w + 7) / 8;
    auto runLZW = [&](const std::function<const uint8_t*(int32_t, std::vector<uint8_t>&)>& row, int32_t count) {
        TMemoryStream out;
        void* state = nullptr;
        std::vector<uint8_t> buf;
        for (int32_t y = 0; y < h; ++y) lzw(row(y, buf), count, out, state);
        lzw(nullptr, 0, out, state);
        auto* p = static_cast<const uint8_t*>(out.Memory());
        data.assign(p, p + out.Size());
        d->AddObject("Filter", Name("LZWDecode"));
    };
    if (bw) {
        if (compression == 2 || compression == 3) {
            TMemoryStream fax;
            TIECCITTEncoder enc;
            std::vector<uint8_t> row(rowBytes);
            for (int32_t y = 0; y < h && !abort; ++y) {
                std::memcpy(row.data(), Bitmap->Scanline(y), rowBytes);
                if (compression == 2)
                    EncodeCCITTG4Row(row.data(), w, fax, 1, abort, enc);
                else
                    EncodeCCITTG3Row(row.data(), w, fax, 1, abort, enc);
            }
            if (compression == 2)
                EncodeCCITTG4Row(/*Row=*/nullptr, w, fax, 1, abort, enc);
            else
                EncodeCCITTG3Row(/*Row=*/nullptr, w, fax, 1, abort, enc);
            auto* p = static_cast<const uint8_t*>(fax.Memory());
            data.assign(p, p + fax.Size());
            d->AddObject("Filter", Name("CCITTFaxDecode"));
            auto* parms = new TIEPDFDictionaryObject;
            parms->AddObject("K", Num(compression == 2 ? -1 : 1));
            parms->AddObject("BlackIs1", new TIEPDFBooleanObject(true));
            parms->AddObject("Columns", Num(w));
            parms->AddObject("Rows", Num(h));
            parms->AddObject("EndOfLine", new TIEPDFBooleanObject(false));
            parms->AddObject("Uncompressed", new TIEPDFBooleanObject(true));
            parms->AddObject("EncodedByteAlign", new TIEPDFBooleanObject(false));
            parms->AddObject("EndOfBlock", new TIEPDFBooleanObject(false));
            d->AddObject("DecodeParms", parms);
        } else if (compression == 5) {
            runLZW([&](int32_t y, std::vector<uint8_t>&) { return static_cast<const uint8_t*>(Bitmap->Scanline(y)); },
                   rowBytes);
        } else {
            std::vector<uint8_t> all(static_cast<size_t>(rowBytes) * h);
            for (int32_t y = 0; y < h; ++y) std::memcpy(&all[static_cast<size_t>(y) * rowBytes], Bitmap->Scanline(y), rowBytes);
            if (compression == 1) {
                data.resize(static_cast<size_t>(RunLengthBound(static_cast<int64_t>(all.size()))));
                data.resize(static_cast<size_t>(RunLengthEncode(all.data(), static_cast<int64_t>(all.size()), data.data())));
                auto* f = new TIEPDFArrayObject;
                f->Add(Name("RunLengthDecode"));
                d->AddObject("Filter", f);
            } else {
                data = std::move(all);
            }
        }
        d->AddObject("ColorSpace", Name("DeviceGray"));
        d->AddObject("BitsPerComponent", Num(1));
    } else {
        bool grey = false;
        if (compression == 5) {
            runLZW(
                [&](int32_t y, std::vector<uint8_t>& buf) {
                    const uint8_t* s = Bitmap->Scanline(y);
                    buf.resize(static_cast<size_t>(w) * 3);
                    for (int32_t x = 0; x < w; ++x) {
                        buf[x * 3] = s[x * 3 + 2];
                        buf[x * 3 + 1] = s[x * 3 + 1];
                        buf[x * 3 + 2] = s[x * 3];
                    }
                    return static_cast<const uint8_t*>(buf.data());
                },
                w * 3);
        } else if (compression == 4) {
            // Grey stays one component; CMYK and YCCK are written as YCbCr, which reads as RGB.
            TMemoryStream jpeg;
            const uint8_t space = Params.JPEGColorSpace;
            grey = space == 1;
            if (space != 0 && space != 1 && space != 2) Params.JPEGColorSpace = 2;
            WriteJPEGStream(jpeg, Bitmap, Params, Progress);
            Params.JPEGColorSpace = space;
            auto* p = static_cast<const uint8_t*>(jpeg.Memory());
            data.assign(p, p + jpeg.Size());
            d->AddObject("Filter", Name("DCTDecode"));
        } else {
            data.resize(static_cast<size_t>(w) * 3 * h);
            for (int32_t y = 0; y < h; ++y) {
                const uint8_t* s = Bitmap->Scanline(y);
                uint8_t* o = &data[static_cast<size_t>(y) * w * 3];
                for (int32_t x = 0; x < w; ++x) {
                    o[x * 3] = s[x * 3 + 2];
                    o[x * 3 + 1] = s[x * 3 + 1];
                    o[x * 3 + 2] = s[x * 3];
                }
            }
        }
        d->AddObject("ColorSpace", Name(grey ? "DeviceGray" : "DeviceRGB"));
        d->AddObject("BitsPerComponent", Num(8));
    }
    if (abort || data.empty() || data.size() > 0x7FFFFFFF) {
        SetAbort(Progress);
        return;
    }
    img->StreamData = std::move(data);
    img->StreamLength = static_cast<int32_t>(img->StreamData.size());
    d->DictEntries.insert(d->DictEntries.begin(), {"Subtype", Name("Image")});
    d->DictEntries.insert(d->DictEntries.begin(), {"Type", Name("XObject")});
    d->AddObject("Width", Num(w));
    d->AddObject("Height", Num(h));
    TIEPDFStreamObject* image = img.release();
    PDFAddObject(State.Objects, image);
    State.Images.push_back(image);
    const size_t n = State.Images.size();
    int32_t sw, sh;
    ScaleToFit(w, h, Params.PDFPaperWidth, Params.PDFPaperHeight, sw, sh);
    const std::string text = "q\n" + std::to_string(sw) + " 0 0 " + std::to_string(sh) + " 0 " +
                             std::to_string(Params.PDFPaperHeight - sh) + " cm\n/lm" + std::to_string(n) + " Do\nQ";
    auto* content = new TIEPDFStreamObject(text.data(), static_cast<int32_t>(text.size()));
    PDFAddObject(State.Objects, content);
    State.Contents.push_back(content);
    State.XObjects->AddObject("lm" + std::to_string(n), new TIEPDFRefObject(image->ObjectNumber, 0));
    auto* box = new TIEPDFArrayObject;
    for (int v : {0, 0, static_cast<int>(Params.PDFPaperWidth), static_cast<int>(Params.PDFPaperHeight)}) box->Add(Num(v));
    PDFAddPage(State.Objects, State.Pages, State.Resources, content->ObjectNumber, box);
}

void ClosePDFStream(std::unique_ptr<TPDFOutputState> State, TStream& Stream, TIOParamsVals& Params) {
    if (!State) return;
    PDFAddPages(State->Objects, State->Pages);
    auto* info = new TIEPDFDictionaryObject;
    const std::pair<const char*, const std::string*> texts[] = {
        {"Title", &Params.PDFTitle},       {"Author", &Params.PDFAuthor},   {"Subject", &Params.PDFSubject},
        {"Keywords", &Params.PDFKeywords}, {"Creator", &Params.PDFCreator}, {"Producer", &Params.PDFProducer}};
    for (const auto& t : texts)
        if (!t.second->empty()) info->AddObject(t.first, new TIEPDFStringObject(*t.second));
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char date[32];
    std::snprintf(date, sizeof date, "D:%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    info->AddObject("CreationDate", new TIEPDFStringObject(date));
    PDFAddObject(State->Objects, info);
    PDFWriteHeader(Stream);
    PDFWriteObjects(Stream, State->Objects);
    PDFWriteXRefTrailer(Stream, State->Objects, info);
}

void WritePDFStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    auto state = OpenPDFStream();
    AddPDFImagePage(*state, Bitmap, Params, Progress);
    if (Progress.Aborted()) return;
    ClosePDFStream(std::move(state), Stream, Params);
}
