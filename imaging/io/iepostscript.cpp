#include "imaging/io/iepostscript.h"

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/bitmaps/ieutils.h"
#include "imaging/io/ieccitt.h"
#include "imaging/io/ieioparams.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/iejpeg.h"
#include "platform/rtl/sysutils.h"

using namespace ieio;

namespace {

// The document promises 7-bit text: other characters of the title become "?".
std::string Clean7Bit(const std::string& S) {
    std::string out;
    for (unsigned char c : S) out.push_back(c >= 32 && c < 127 ? static_cast<char>(c) : '?');
    return out;
}

// "ddd mmm dd hh:nn:ss yyyy" with English names, whatever the locale.
std::string CreationDate() {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d %04d", days[tm.tm_wday], months[tm.tm_mon], tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_year + 1900);
    return buf;
}

std::string PagesLine(int n) {
    std::string v = std::to_string(n);
    if (v.size() < 6) v.append(6 - v.size(), ' ');
    return "%%Pages: " + v;
}

// ASCII85 of a block into Out; answers the characters that are data (no line breaks, no end).
int64_t Append85(const uint8_t* Data, int64_t Count, std::vector<char>& Out) {
    const size_t at = Out.size();
    Out.resize(at + static_cast<size_t>(ASCII85BufferBound(Count)));
    const uint8_t* src = Data;
    char* dst = Out.data() + at;
    int64_t chars = 0;
    const int64_t n = ASCII85EncodeBuffer(src, Count, dst, chars);
    Out.resize(at + static_cast<size_t>(n));
    return chars;
}

int64_t AppendRunLength85(const uint8_t* Data, int64_t Count, std::vector<char>& Out) {
    std::vector<uint8_t> rle(static_cast<size_t>(RunLengthBound(Count)));
    const int64_t n = RunLengthEncode(Data, Count, rle.data());
    return Append85(rle.data(), n, Out);
}

}  // namespace

std::unique_ptr<TPSOutputState> OpenPSStream(TStream& Stream, TIOParamsVals& Params) {
    auto s = std::make_unique<TPSOutputState>();
    WriteLineCRLF(Stream, "%!PS-Adobe-3.0");
    WriteLineCRLF(Stream, "%%Creator: IE Library by Veridane");
    WriteLineCRLF(Stream, "%%Title: " + Clean7Bit(Params.PSTitle));
    WriteLineCRLF(Stream, "%%CreationDate: " + CreationDate());
    WriteLineCRLF(Stream, "%%DocumentData: Clean7Bit");
    WriteLineCRLF(Stream, "%%LanguageLevel: 2");
    s->PagesPosition = Stream.Position();
    WriteLineCRLF(Stream, PagesLine(0));
    WriteLineCRLF(Stream, "%%BoundingBox: 0 0 " + std::to_string(Params.PSPaperWidth - 1) + " " +
                              std::to_string(Params.PSPaperHeight - 1));
    for (const char* l : {"%%EndComments", "%%BeginProlog", "10 dict begin", "%%EndProlog"}) WriteLineCRLF(Stream, l);
    s->EndPosition = Stream.Position();
    return s;
}

void AddPSPage(TPSOutputState& State, TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
               TIEProgressRecord& Progress) {
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
    // 1-bit pictures know no JPEG: anything but run-length and Group 3 is Group 4.
    int compression = Params.PSCompression;
    if (bw && compression > 2) compression = 1;

    std::vector<char> data;
    int64_t chars = 0;
    std::vector<std::string> source;
    std::string op;
    Progress.Per1 = 100.0 / h;
    const int32_t rowBytes = (w + 7) / 8;
    if (bw && compression == 0) {
        std::vector<uint8_t> all(static_cast<size_t>(rowBytes) * h);
        for (int32_t y = 0; y < h; ++y) {
            std::memcpy(&all[static_cast<size_t>(y) * rowBytes], Bitmap->Scanline(y), rowBytes);
            Progress.Report(static_cast<int>(y * Progress.Per1));
        }
        chars = AppendRunLength85(all.data(), static_cast<int64_t>(all.size()), data);
        source.push_back("currentfile /ASCII85Decode filter /RunLengthDecode filter");
        op = "image";
    } else if (bw) {
        TMemoryStream fax;
        TIECCITTEncoder enc;
        std::vector<uint8_t> row(rowBytes);
        for (int32_t y = 0; y < h && !abort; ++y) {
            // The bitmap's set (white) bits go to the encoder as its set bits; the filter's
            // BlackIs1 gives them back as 1, which the image operator shows white.
            std::memcpy(row.data(), Bitmap->Scanline(y), rowBytes);
            if (compression == 1)
                EncodeCCITTG4Row(row.data(), w, fax, 1, abort, enc);
            else
                EncodeCCITTG3Row(row.data(), w, fax, 1, abort, enc);
        }
        if (compression == 1)
            EncodeCCITTG4Row(/*Row=*/nullptr, w, fax, 1, abort, enc);
        else
            EncodeCCITTG3Row(/*Row=*/nullptr, w, fax, 1, abort, enc);
        chars = Append85(static_cast<const uint8_t*>(fax.Memory()), fax.Size(), data);
        source.push_back(std::string("currentfile /ASCII85Decode filter << /K ") + (compression == 1 ? "-1" : "1") +
                         " /BlackIs1 true /Columns " + std::to_string(w) + " /Rows " + std::to_string(h) +
                         " /EndOfLine false /Uncompressed true /EncodedByteAlign false /EndOfBlock false >> "
                         "/CCITTFaxDecode filter");
        op = "image";
    } else if (compression == 3) {
        TMemoryStream jpeg;
        // Grey stays one component; CMYK and YCCK have no place on this page and go as YCbCr.
        const uint8_t space = Params.JPEGColorSpace;
        const bool grey = space == 1;
        if (space != 0 && space != 1 && space != 2) Params.JPEGColorSpace = 2;
        WriteJPEGStream(jpeg, Bitmap, Params, Progress);
        Params.JPEGColorSpace = space;
        chars = Append85(static_cast<const uint8_t*>(jpeg.Memory()), jpeg.Size(), data);
        source.push_back("currentfile /ASCII85Decode filter << >> /DCTDecode filter");
        source.push_back(grey ? "false 1" : "false 3");
        op = "colorimage";
    } else {
        std::vector<uint8_t> plane(w);
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* s = Bitmap->Scanline(y);
            for (int k = 2; k >= 0; --k) {
                for (int32_t x = 0; x < w; ++x) plane[x] = s[x * 3 + k];
                chars += AppendRunLength85(plane.data(), w, data);
            }
            Progress.Report(static_cast<int>(y * Progress.Per1));
        }
        const std::string ws = std::to_string(w);
        source = {"/rstr " + ws + " string def",
                  "/gstr " + ws + " string def",
                  "/bstr " + ws + " string def",
                  "{currentfile /ASCII85Decode filter /RunLengthDecode filter rstr readstring pop}",
                  "{currentfile /ASCII85Decode filter /RunLengthDecode filter gstr readstring pop}",
                  "{currentfile /ASCII85Decode filter /RunLengthDecode filter bstr readstring pop}",
                  "true 3"};
        op = "colorimage";
    }
    if (abort || data.empty()) {
        SetAbort(Progress);
        return;
    }
    // The page count: the line is rewritten in place.
    char head[16] = {};
    Stream.Seek(State.PagesPosition, soBeginning);
    Stream.Read(head, 15);
    int n = StrToIntDef(Trim(std::string(head + 9, 5)), 1) + 1;
    Stream.Seek(State.PagesPosition, soBeginning);
    WriteLineCRLF(Stream, PagesLine(n));
    Stream.Seek(State.EndPosition, soBeginning);
    int32_t sw, sh;
    ScaleToFit(w, h, Params.PSPaperWidth, Params.PSPaperHeight, sw, sh);
    WriteLineCRLF(Stream, "%%Page: " + std::to_string(n) + " " + std::to_string(n));
    WriteLineCRLF(Stream, "0 " + std::to_string(Params.PSPaperHeight) + " translate");
    WriteLineCRLF(Stream, std::to_string(sw) + " -" + std::to_string(sh) + " scale");
    WriteLineCRLF(Stream, std::to_string(w) + " " + std::to_string(h) + " " + (bw ? "1" : "8"));
    WriteLineCRLF(Stream, "[ " + std::to_string(w) + " 0 0 " + std::to_string(h) + " 0 0 ]");
    for (const auto& l : source) WriteLineCRLF(Stream, l);
    WriteLineCRLF(Stream, "%%BeginData:      " + std::to_string(chars) + " ASCII Bytes");
    WriteLineCRLF(Stream, op);
    WriteStreamChecked(Stream, abort, data.data(), static_cast<int64_t>(data.size()));
    WriteLineCRLF(Stream, "%%EndData");
    WriteLineCRLF(Stream, "showpage");
    State.EndPosition = Stream.Position();
}

void ClosePSStream(std::unique_ptr<TPSOutputState> State, TStream& Stream) {
    if (!State) return;
    Stream.Seek(State->EndPosition, soBeginning);
    WriteLineCRLF(Stream, "%%Trailer");
    WriteLineCRLF(Stream, "end");
    WriteLineCRLF(Stream, "%%EOF");
    // What an earlier, longer document left behind goes.
    Stream.SetSize(Stream.Position());
}

void WritePSStream(TStream& Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIEProgressRecord& Progress) {
    auto state = OpenPSStream(Stream, Params);
    AddPSPage(*state, Stream, Bitmap, Params, Progress);
    ClosePSStream(std::move(state), Stream);
}
