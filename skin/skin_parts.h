// The parts of a skin: one bitmap strip of frames with its margins, flags and
// text colours per section of the skin description, and the variants some
// sections need. Each part owns its bitmaps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/graphics.h"

class TDataSkinObject {
public:
    explicit TDataSkinObject(std::string AName);
    virtual ~TDataSkinObject();

    int32_t LeftWidth = 0, TopHeight = 0, RightWidth = 0, BottomHeight = 0;
    std::unique_ptr<TBitmap> Bitmap;
    int32_t Trans = 0;  // 1: magenta pixels are transparent
    int32_t Tile = 0;   // 1: tile the middle, 0: stretch it
    std::string Name;
    int32_t FrameCount = 0;
    int32_t Style = 0;
    int32_t NormalColour = 0, MouseOverColour = 0, PressedColour = 0;  // -1: not given
    TColor NormalColour2 = 0, MouseOverColour2 = 0, PressedColour2 = 0;

    // Margins as a rectangle of widths (left, top, right, bottom).
    TRect Margins() const { return TRect(LeftWidth, TopHeight, RightWidth, BottomHeight); }
};

class TDataSkinBorder : public TDataSkinObject {
public:
    explicit TDataSkinBorder(std::string AName);
    std::unique_ptr<TBitmap> Bitmap2;
};

class TDataSkinButton : public TDataSkinObject {
public:
    explicit TDataSkinButton(std::string AName);
    std::unique_ptr<TBitmap> CheckBitmap, RadioBitmap;
    int32_t RadioFrameCount = 0, CheckFrameCount = 0;
    bool HasNormalColour2 = false, HasMouseOverColour2 = false, HasPressedColour2 = false;
};

class TDataSkinSysButton : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t Action = 0, Align = 0, XCoord = 0, YCoord = 0, CombineOp = 0, Visibility = 0, Visibility1 = 0;
};

class TDataSkinTitle : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t TextAlignment = 0, TextBackground = 0, FontHeight = 0, TextBackLeft = 0, TextBackRight = 0;
    TColor ActiveTextColour = clNone, InactiveTextColour = clNone;
};

class TDataSkinBoxLabel : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t BackgroundLeftShift = 0, BackgroundRightShift = 0, BackgroundAlignment = 0;
};
