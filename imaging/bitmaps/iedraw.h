// Frames and drop shadows the image views paint around pictures and thumbnails.
#pragma once

#include <cstdint>

class TCanvas;

// Left and top edges in TopLeftColor, bottom and right edges in BottomRightColor (1-pixel
// solid pen, end points excluded as LineTo does).
void Draw3DFrame(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t TopLeftColor,
                 int32_t BottomRightColor);
// Drop-shadow bands right of and below a picture. Kind 1: the canvas's brush; 2: lines of
// Color fading with the distance; 3: a grey gradient pixel by pixel.
// The band covers X1..X2 x Y1..Y2 (arguments in the order the views pass them).
void DrawShadowRight(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t Color, int32_t Kind, int32_t Y2, int32_t X2);
void DrawShadowBottom(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t Color, int32_t Kind, int32_t Y2, int32_t X2);
