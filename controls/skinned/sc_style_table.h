// The five built-in looks of the skinned controls: one table of 48 named style
// keys (integers, colours, pictures, flags) per look, and the lookups every
// skinned control makes with it.
#pragma once

#include <cstdint>

#include "platform/classlib/graphics.h"

class TComponent;

enum TscUIStyle : uint8_t { FromThemeFile = 0, MacOS = 1, WinXP = 2, DeepBlue = 3, Protein = 4, BlueGlass = 5 };

// What a key's value is.
enum TscStyleKind : int { skInteger = 0, skColor = 1, skImage = 2, skBool = 3 };

// The keys the controls read, by number (1..48).
enum TscStyleKey : int {
    skButtonImage = 1,
    skCheckBoxImage = 3,
    skTitleBarButtonImage = 5,
    skTitleBarButtonTransparentBool = 6,
    skTitleBarButtonLeftOffsetInt = 7,
    skTitleBarButtonRightOffsetInt = 8,
    skTitleBarButtonTopInt = 9,
    skTitleBarLeftImage = 10,
    skTitleBarClientImage = 11,
    skTitleBarRightImage = 12,
    skFormMinWidthInt = 13,
    skFormRoundCornerInt = 14,
    skFormBackgroundColor = 15,
    skFormBorderColor = 16,
    skFormBorderWidthInt = 17,
    skMenuSelectedBorderColor = 18,
    skMenuSelectedBackgroundColor = 19,
    skMenuSelectedFontColor = 20,
    skMenuBackgroundColor = 21,
    skMenuFontColor = 22,
    skMenuBarColor = 23,
    skControlFontColor = 27,
    skTrackBarBarImage = 28,
    skTrackBarSliderImage = 29,
    skTrackBarSliderVImage = 30,
    skTitleBarFontColor = 44,
    skFormLeftBorderImage = 45,
    skFormBottomBorderImage = 46,
    skFormBottomRoundCornerInt = 47,
    skMenuMenuBarColor = 48,
};
constexpr int scStyleKeyCount = 48;

// The name a theme file stores the key under; "" outside 1..48.
const char* StyleKeyName(int Key);
// The kind of a key; -1 outside 1..48.
int StyleKeyKind(int Key);

// The raw value and kind of a key for a built-in look. A look outside 1..5
// (FromThemeFile) or a key outside 1..48 gives kind 0 and value -1. An image's
// value is its resource name (a const char*), an empty one for no picture.
intptr_t GetBuiltInStyleValue(TscUIStyle Style, int Key, int& Kind);
// The value when the key is of the getter's kind; else -1, 0 and false.
int GetBuiltInStyleInteger(TscUIStyle Style, int Key);
TColor GetBuiltInStyleColor(TscUIStyle Style, int Key);
bool GetBuiltInStyleBool(TscUIStyle Style, int Key);
// The resource name of an image key, nullptr for another kind.
const char* GetBuiltInStyleImageName(TscUIStyle Style, int Key);
// Loads an image key's picture (EResNotFound for a missing or empty name);
// nothing for a nil bitmap or another kind.
void LoadBuiltInStyleImage(TscUIStyle Style, int Key, TBitmap* Bitmap);
// FrameCount 0: as LoadBuiltInStyleImage; otherwise the frame FrameIndex
// (from 1) of FrameCount side-by-side frames.
void GetBuiltInStyleImage(TscUIStyle Style, int Key, TBitmap* Bitmap, int FrameCount, int FrameIndex);

// The look a new control takes from its owner: the UIStyle of the first
// skinned form among the owner form's direct children; DeepBlue otherwise.
TscUIStyle GetOwnerUIStyle(TComponent* Owner);
