// Draws the drive-scan dialog's animated strip (220 x 13, 22 interlaced frames,
// a blue block travelling along a grey trough) and keeps it, written with the
// program's own GIF encoder, in frmOperationProgress.frm as the animator's
// Image.Data.
//
//   scangifgen update ROOT   rewrites the form's Image.Data block
//   scangifgen check ROOT    exit status 1 when the stored GIF does not decode
//                            to what is drawn here
//
// Integer drawing only, so the bytes are the same wherever it runs.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "controls/extra/ag_gif.h"

namespace {

constexpr int kWidth = 220, kHeight = 13, kFrames = 22, kBlock = 20;
constexpr int kTransparent = 255;

struct Rgb {
    uint8_t R, G, B;
};
// Border, trough, then the block's shades from its edge to its centre.
const Rgb kColours[] = {{0x3E, 0x44, 0x44}, {0xEC, 0xEE, 0xF0}, {0xC8, 0xDD, 0xF5}, {0xB1, 0xCF, 0xF1},
                        {0x9A, 0xC1, 0xEC}, {0x83, 0xB3, 0xE7}, {0x6C, 0xA5, 0xE2}, {0x55, 0x97, 0xDD},
                        {0x3E, 0x89, 0xD9}, {0x23, 0x7E, 0xD8}};
constexpr int kShades = 8;

TGIFColourTable Palette() {
    TGIFColourTable T;
    T.Count = 256;
    for (int I = 0; I < 256; ++I) {
        // Unused entries are grey, so black stands only at the transparent index.
        Rgb C = I < static_cast<int>(std::size(kColours)) ? kColours[I] : Rgb{0x80, 0x80, 0x80};
        if (I == kTransparent) C = Rgb{0, 0, 0};
        T.RGB[3 * I] = C.R;
        T.RGB[3 * I + 1] = C.G;
        T.RGB[3 * I + 2] = C.B;
    }
    return T;
}

// Palette index of pixel (x, y) of frame f.
int PixelOf(int F, int X, int Y) {
    const bool Corner = (X == 0 || X == kWidth - 1) && (Y == 0 || Y == kHeight - 1);
    if (Corner) return kTransparent;
    if (X == 0 || Y == 0 || X == kWidth - 1 || Y == kHeight - 1) return 0;
    // The block's centre moves 10 pixels a frame and wraps round the trough.
    const int Span = kWidth - 2;
    const int Centre = 1 + (F * Span) / kFrames;
    int D = X - Centre;
    D = ((D % Span) + Span) % Span;
    D = std::min(D, Span - D);
    if (D >= kBlock) return 1;
    int Shade = kShades - 1 - D * kShades / kBlock;  // darkest at the centre
    if (Y == 1 || Y == kHeight - 2) Shade = std::max(0, Shade - 2);  // lighter top and bottom rows
    return 2 + Shade;
}

std::string MakeGIF() {
    TGIFImage G;
    G.GIFVersion = 2;
    G.LogicalWidth = kWidth;
    G.LogicalHeight = kHeight;
    G.GlobalData->ColourTable = Palette();
    G.GlobalData->ColourBits = 8;
    G.GlobalData->ColourResolution = 8;
    G.BackgroundColour = G.GlobalData->ColourTable.Colour(kTransparent);
    G.LoopEnabled = true;
    G.LoopCount = 0;
    const int64_t RowBytes = DIBRowBytes(kWidth, 8);
    for (int F = 0; F < kFrames; ++F) {
        auto Frame = std::make_unique<TGIFFrame>(&G);
        std::vector<uint8_t> Rows(static_cast<size_t>(RowBytes * kHeight), 0);
        for (int Y = 0; Y < kHeight; ++Y)
            for (int X = 0; X < kWidth; ++X) Rows[(kHeight - 1 - Y) * RowBytes + X] = static_cast<uint8_t>(PixelOf(F, X, Y));
        TGIFItem& It = *Frame->Item;
        It.Width = kWidth;
        It.Height = kHeight;
        It.ColourBits = 8;
        It.ColourTable = G.GlobalData->ColourTable;
        EncodeLZW(It.LZWData, TGIFLZWTarget{kWidth, kHeight, 8}, true, nullptr, Rows.data());
        Frame->IsInterlaced = true;
        Frame->TransparentColour = G.GlobalData->ColourTable.Colour(kTransparent);
        Frame->Disposal = 1;
        G.Frames.push_back(std::move(Frame));
    }
    G.CurrentFrame = 0;
    TStringStream Out;
    G.WriteData(Out);
    return Out.DataString();
}

std::string HexBlock(const std::string& Data) {
    static const char* Digits = "0123456789ABCDEF";
    std::string Hex;
    for (unsigned char C : Data) {
        Hex += Digits[C >> 4];
        Hex += Digits[C & 15];
    }
    std::string Out = "    Image.Data = {\n";
    for (size_t I = 0; I < Hex.size(); I += 64) {
        Out += "      " + Hex.substr(I, 64);
        Out += I + 64 < Hex.size() ? "\n" : "}\n";
    }
    return Out;
}

std::string ReadText(const std::string& Path) {
    std::ifstream F(Path, std::ios::binary);
    std::stringstream S;
    S << F.rdbuf();
    return S.str();
}

// The gifPregress object's body with its Image.Data block replaced.
bool ReplaceBlock(std::string& Form, const std::string& Block) {
    const std::string Head = "  object gifPregress: TAgGIFAnimator\n";
    size_t Start = Form.find(Head);
    if (Start == std::string::npos) return false;
    Start += Head.size();
    const size_t End = Form.find("\n  end\n", Start);
    if (End == std::string::npos) return false;
    std::string Body = Form.substr(Start, End + 1 - Start);
    const size_t Old = Body.find("    Image.Data = {");
    if (Old != std::string::npos) Body.erase(Old, Body.find("}\n", Old) + 2 - Old);
    Body += Block;
    Form.replace(Start, End + 1 - Start, Body);
    return true;
}

// Decodes the stored block and compares it with the drawing; "" when equal.
std::string Compare(const std::string& Form) {
    const size_t At = Form.find("    Image.Data = {");
    if (At == std::string::npos) return "no Image.Data block";
    const size_t End = Form.find('}', At);
    std::string Bytes;
    int Nibbles = 0, Acc = 0;
    for (size_t I = Form.find('{', At) + 1; I < End; ++I) {
        const char C = Form[I];
        int V = C >= '0' && C <= '9' ? C - '0' : C >= 'A' && C <= 'F' ? C - 'A' + 10 : -1;
        if (V < 0) continue;
        Acc = Acc * 16 + V;
        if (++Nibbles % 2 == 0) {
            Bytes += static_cast<char>(Acc);
            Acc = 0;
        }
    }
    TGIFImage G;
    TStringStream In(Bytes);
    try {
        G.ReadData(In);
    } catch (const Exception& E) {
        return "the stored GIF does not load: " + E.Message;
    }
    if (G.GetCount() != kFrames || G.LogicalWidth != kWidth || G.LogicalHeight != kHeight || !G.LoopEnabled ||
        G.LoopCount != 0 || G.GIFVersion != 2)
        return "the stored GIF has other traits";
    const TGIFColourTable P = Palette();
    for (int F = 0; F < kFrames; ++F) {
        TGIFFrame& Fr = *G.Frames[F];
        if (!Fr.IsInterlaced || Fr.Disposal != 1 || Fr.DelayMs != 0 || Fr.TransparentColour != P.Colour(kTransparent))
            return "frame " + std::to_string(F) + " has other traits";
        TBitmap* B = Fr.DecodedBitmap();
        for (int Y = 0; Y < kHeight; ++Y)
            for (int X = 0; X < kWidth; ++X)
                if (B->Canvas().Pixel(X, Y) != P.Colour(PixelOf(F, X, Y)))
                    return "frame " + std::to_string(F) + " differs at " + std::to_string(X) + "," + std::to_string(Y);
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "update") != 0 && std::strcmp(argv[1], "check") != 0)) {
        std::fprintf(stderr, "usage: scangifgen update|check ROOT\n");
        return 2;
    }
    const std::string Path = std::string(argv[2]) + "/resources/forms/frmOperationProgress.frm";
    std::string Form = ReadText(Path);
    if (Form.empty()) {
        std::fprintf(stderr, "scangifgen: cannot read %s\n", Path.c_str());
        return 2;
    }
    if (std::strcmp(argv[1], "check") == 0) {
        const std::string Why = Compare(Form);
        if (Why.empty()) return 0;
        std::fprintf(stderr, "scangifgen: %s (run scangifgen update)\n", Why.c_str());
        return 1;
    }
    if (!ReplaceBlock(Form, HexBlock(MakeGIF()))) {
        std::fprintf(stderr, "scangifgen: gifPregress is not in %s\n", Path.c_str());
        return 2;
    }
    std::ofstream(Path, std::ios::binary) << Form;
    return 0;
}
