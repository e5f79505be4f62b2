// Messages between a combo box and its drop-down list (internal).
#pragma once

#include "platform/win/winuser.h"

namespace cc {
constexpr UINT CBI_LISTSELCHANGE = 0x7F10;  // list -> combo: the highlighted item moved
constexpr UINT CBI_LISTDONE = 0x7F11;       // list -> combo: wParam TRUE chose an item, FALSE cancelled
constexpr UINT CBI_LISTSETCOMBO = 0x7F12;   // combo -> list: wParam the combo
constexpr UINT CBI_LISTSTARTTRACK = 0x7F13; // combo -> list: take the mouse while open
}  // namespace cc
