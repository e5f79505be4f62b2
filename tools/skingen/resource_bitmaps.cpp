#include "tools/skingen/resource_bitmaps.h"

#include <array>

namespace {

// A 16 x 16 glyph canvas of '.' with integer drawing.
struct TGlyph {
    std::array<std::string, 16> Rows;
    TGlyph() { Rows.fill(std::string(16, '.')); }
    void Set(int X, int Y, char C = '#') {
        if (X >= 0 && X < 16 && Y >= 0 && Y < 16) Rows[static_cast<size_t>(Y)][static_cast<size_t>(X)] = C;
    }
    void Fill(int X0, int Y0, int X1, int Y1, char C = '#') {  // inclusive corners
        for (int Y = Y0; Y <= Y1; ++Y)
            for (int X = X0; X <= X1; ++X) Set(X, Y, C);
    }
    // A window outline with a two-row title bar, its inside cleared.
    void Window(int X0, int Y0, int X1, int Y1) {
        Fill(X0, Y0, X1, Y1, '.');
        Fill(X0, Y0, X1, Y0 + 1);
        Fill(X0, Y1, X1, Y1);
        Fill(X0, Y0, X0, Y1);
        Fill(X1, Y0, X1, Y1);
    }
};

TGlyph Restore() {
    TGlyph G;
    G.Window(6, 3, 12, 9);
    G.Window(3, 6, 9, 12);
    return G;
}

TGlyph Maximise() {
    TGlyph G;
    G.Window(3, 3, 12, 12);
    return G;
}

TGlyph Minimise() {
    TGlyph G;
    G.Fill(4, 11, 10, 12);
    return G;
}

TGlyph Close() {
    TGlyph G;
    for (int I = 0; I < 8; ++I) {
        G.Fill(4 + I, 4 + I, 5 + I, 4 + I);
        G.Fill(10 - I, 4 + I, 11 - I, 4 + I);
    }
    return G;
}

void Put16(std::vector<uint8_t>& B, uint32_t V) {
    B.push_back(static_cast<uint8_t>(V));
    B.push_back(static_cast<uint8_t>(V >> 8));
}
void Put32(std::vector<uint8_t>& B, uint32_t V) {
    Put16(B, V & 0xFFFF);
    Put16(B, V >> 16);
}

// A bottom-up BMP with a 40-byte header, its palette (0x00RRGGBB) and the
// pixels' palette indexes.
std::vector<uint8_t> Bmp(int W, int H, int Bits, const std::vector<uint32_t>& Palette,
                         const std::vector<std::vector<int>>& Index) {
    uint32_t Stride = static_cast<uint32_t>((W * Bits + 31) / 32 * 4);
    uint32_t Off = 14 + 40 + 4 * static_cast<uint32_t>(Palette.size());
    uint32_t Image = Stride * static_cast<uint32_t>(H);
    std::vector<uint8_t> B;
    B.push_back('B');
    B.push_back('M');
    Put32(B, Off + Image);
    Put32(B, 0);
    Put32(B, Off);
    Put32(B, 40);
    Put32(B, static_cast<uint32_t>(W));
    Put32(B, static_cast<uint32_t>(H));
    Put16(B, 1);
    Put16(B, static_cast<uint32_t>(Bits));
    Put32(B, 0);  // BI_RGB
    Put32(B, Image);
    Put32(B, 0);
    Put32(B, 0);
    Put32(B, static_cast<uint32_t>(Palette.size()));
    Put32(B, 0);
    for (uint32_t C : Palette) Put32(B, C);
    for (int Y = H - 1; Y >= 0; --Y) {
        std::vector<uint8_t> Row(Stride, 0);
        for (int X = 0; X < W; ++X) {
            int V = Index[static_cast<size_t>(Y)][static_cast<size_t>(X)];
            int Bit = X * Bits;
            Row[static_cast<size_t>(Bit / 8)] |= static_cast<uint8_t>(V << (8 - Bits - Bit % 8));
        }
        B.insert(B.end(), Row.begin(), Row.end());
    }
    return B;
}

std::vector<std::vector<int>> Indexes(const TPixelRows& R, int (*Of)(char)) {
    std::vector<std::vector<int>> Out;
    for (const auto& Row : R.Rows) {
        std::vector<int> L;
        for (char C : Row) L.push_back(Of(C));
        Out.push_back(L);
    }
    return Out;
}

// The classic 16-colour palette: silver is entry 7, grey 8, white 15.
const std::vector<uint32_t> SixteenColours = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                              0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                              0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

}  // namespace

TPixelRows SkinMenuRows() {
    TPixelRows R{64, std::vector<std::string>(16)};
    for (const TGlyph& G : {Restore(), Maximise(), Minimise(), Close()})
        for (int Y = 0; Y < 16; ++Y) R.Rows[static_cast<size_t>(Y)] += G.Rows[static_cast<size_t>(Y)];
    return R;
}

TPixelRows TrackRows() {
    return {16, {"SSGGGGGGGGGGGGWW", "SSWWWWWWWWWWWWWW", "GSWWWWWWWWWWWWWW", "SSWWWWWWWWWWWWWW"}};
}

TPixelRows TrackVertRows() {
    TPixelRows R{4, {"SSGS", "SSSS"}};
    for (int I = 0; I < 12; ++I) R.Rows.push_back("GWWW");
    R.Rows.push_back("WWWW");
    R.Rows.push_back("WWWW");
    return R;
}

std::vector<uint8_t> MonoBmp(const TPixelRows& Rows) {
    return Bmp(Rows.Width, static_cast<int>(Rows.Rows.size()), 1, {0x000000, 0xFFFFFF},
               Indexes(Rows, [](char C) { return C == '#' ? 0 : 1; }));
}

std::vector<uint8_t> FourBitBmp(const TPixelRows& Rows) {
    return Bmp(Rows.Width, static_cast<int>(Rows.Rows.size()), 4, SixteenColours, Indexes(Rows, [](char C) {
                   return C == 'S' ? 7 : C == 'G' ? 8 : 15;
               }));
}

std::vector<TResourceBitmap> ResourceBitmaps() {
    return {{"SKINMENU.bmp", MonoBmp(SkinMenuRows())},
            {"TRACK.bmp", FourBitBmp(TrackRows())},
            {"TRACKVERT.bmp", FourBitBmp(TrackVertRows())}};
}
