// The skin the program carries, drawn: every bitmap of it with integer
// drawing (so the bytes are the same wherever it runs) and the INI text that
// describes it, as the entries of a skin file. Small variants of it serve the
// tests (other colours and border sizes, no SunkEdge, a flat combo button, a
// Top border with Frame 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/skingen/skin_container_writer.h"

// 24-bit pixels, rows from the top, 0xRRGGBB; integer drawing only.
class TSkinPicture {
public:
    TSkinPicture(int Width, int Height, uint32_t Colour = 0xFF00FF);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    uint32_t At(int X, int Y) const;
    void Set(int X, int Y, uint32_t Colour);  // outside: ignored
    // Rectangles are left, top, right, bottom with right and bottom excluded.
    void Fill(int L, int T, int R, int B, uint32_t Colour);
    void Frame(int L, int T, int R, int B, uint32_t Colour);
    // Light top and left lines, dark bottom and right ones.
    void Bevel(int L, int T, int R, int B, uint32_t Light, uint32_t Dark);
    // Top to bottom from one colour to the other, each row its own colour.
    void VerticalGradient(int L, int T, int R, int B, uint32_t From, uint32_t To);
    // Magenta outside a quarter circle of radius Radius in each chosen corner.
    void RoundCorners(int L, int T, int R, int B, int Radius, bool Top, bool Bottom);
    // A filled disc centred in the rectangle.
    void Disc(int L, int T, int R, int B, uint32_t Colour);
    // A solid triangle pointing up (0), down (1), left (2) or right (3),
    // Size pixels along its base, centred in the rectangle.
    void Arrow(int L, int T, int R, int B, int Direction, int Size, uint32_t Colour);
    // The picture pasted at (X, Y).
    void Paste(const TSkinPicture& Piece, int X, int Y);
    // A bottom-up 24-bit BMP file.
    std::vector<uint8_t> Bmp() const;

private:
    int FWidth, FHeight;
    std::vector<uint32_t> FPixels;
};

uint32_t BlendColour(uint32_t A, uint32_t B, int PercentOfA);

// What a variant changes.
struct TSkinVariant {
    std::string Name;
    uint32_t Face = 0xD8DCE4;     // button face
    uint32_t Accent = 0x3A6EA5;   // active title and selection
    uint32_t Inactive = 0x8C98A8; // inactive title
    int BorderWidth = 4;          // left, right and bottom borders
    int TitleHeight = 26;
    bool SunkEdge = true;
    int ComboStyle = 0;  // 1: flat
    bool TopFrameZero = false;
    bool OpaqueBorders = false;  // borders with Trans 0: a rectangular window
};

// The shipped skin and the test variants, the shipped one first.
std::vector<TSkinVariant> SkinVariants();
// The skin's entries: the bitmaps ("<name>.bmp", lower case) and "skin.ini".
std::vector<TSkinEntry> DrawSkin(const TSkinVariant& Variant);
// The INI text alone (CR LF lines).
std::string SkinDescription(const TSkinVariant& Variant);
