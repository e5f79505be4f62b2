// The program's own bitmap resources that the skin engine loads by name, drawn
// as BMP files: SKINMENU (the four caption glyphs restore, maximise, minimise
// and close, 16 x 16 each, 1 bit, black on white), and TRACK and TRACKVERT
// (the built-in track-bar channel, 4 bits, silver, grey and white).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Rows from the top, one character a pixel.
struct TPixelRows {
    int Width = 0;
    std::vector<std::string> Rows;
};

// SKINMENU: '#' black, '.' white.
TPixelRows SkinMenuRows();
// TRACK and TRACKVERT: 'S' silver, 'G' grey, 'W' white.
TPixelRows TrackRows();
TPixelRows TrackVertRows();

// BMP files of the rows: 1 bit (black, white) or 4 bits (the 16-colour palette).
std::vector<uint8_t> MonoBmp(const TPixelRows& Rows);
std::vector<uint8_t> FourBitBmp(const TPixelRows& Rows);

// The three files under their resource names ("SKINMENU.bmp", ...).
struct TResourceBitmap {
    std::string FileName;
    std::vector<uint8_t> Data;
};
std::vector<TResourceBitmap> ResourceBitmaps();
