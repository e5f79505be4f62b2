// TIEImageIO::SaveToText: the image as a Pascal or C byte array, Base64, or characters.
#include <cctype>
#include <cstdio>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/io/ieimageio.h"
#include "platform/rtl/sysutils.h"

namespace {

// The file's name without its folder, as an identifier both languages take.
std::string IdentifierOf(const std::string& FileName) {
    std::string n = ExtractFileName(FileName);
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
    if (n.empty() || std::isdigit(static_cast<unsigned char>(n[0]))) n.insert(0, "_");
    return n;
}

void Put(TStream& S, const std::string& Line) {
    S.WriteBuffer(Line.data(), static_cast<int64_t>(Line.size()));
    S.WriteBuffer("\n", 1);
}

std::string Hex(uint8_t B) {
    char h[3];
    std::snprintf(h, sizeof h, "%02X", B);
    return h;
}

}  // namespace

void TIEImageIO::SaveToText(const std::string& FileName, TIOFormatCode ImageFormat, int32_t TextFormat) {
    TFileStream out(FileName, fmCreate);
    if (TextFormat == 3) {
        if (!FIEBitmap || FIEBitmap->PixelFormat() != ieRGB24) return;
        static const char Shades[] = "W@#*+:., ";
        for (int32_t y = 0; y < FIEBitmap->Height(); ++y) {
            std::string line;
            const uint8_t* p = FIEBitmap->Scanline(y);
            for (int32_t x = 0; x < FIEBitmap->Width(); ++x, p += 3) {
                const int grey = (21 * p[2] + 71 * p[1] + 8 * p[0]) / 100;
                line += Shades[std::min(8, grey * 9 / 255)];
            }
            Put(out, line);
        }
        Params->FileName = FileName;
        return;
    }
    TMemoryStream image;
    TSyncScope sync;  // the stream lives only in this call
    SaveToStream(image, ImageFormat);
    const auto* b = static_cast<const uint8_t*>(image.Memory());
    const int64_t n = image.Size();
    const std::string name = IdentifierOf(FileName), sizeName = name + "_Size";
    if (TextFormat == 0 || TextFormat == 1) {
        const bool pascal = TextFormat == 0;
        if (pascal) {
            Put(out, "const");
            Put(out, "  " + sizeName + " = " + std::to_string(n) + ";");
        } else {
            Put(out, "// Size=" + std::to_string(n));
        }
        if (n > 0) {
            if (pascal) Put(out, "  " + name + " : array [0.." + sizeName + "-1] of byte = (");
            const std::string indent = pascal ? "    " : "", prefix = pascal ? "$" : "0x";
            std::string buf;
            for (int64_t i = 0; i + 1 < n; ++i) {
                buf += prefix + Hex(b[i]) + ",";
                if (buf.size() > 70) {
                    Put(out, indent + buf);
                    buf.clear();
                }
            }
            Put(out, indent + buf + prefix + Hex(b[n - 1]) + (pascal ? ");" : ""));
        }
    } else if (TextFormat == 2) {
        std::string text;
        image.Seek(0, soBeginning);
        Base64EncodeStreamToText(image, text, 76);
        out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
        if (!text.empty() && text.back() != '\n') out.WriteBuffer("\n", 1);
    }
    Params->FileName = FileName;
}
