// Selecting and moving items of a report list (the main window's file list).
#pragma once

#include "platform/classlib/comctrls.h"

// Nothing on an empty list; otherwise only the item at Index (the last one when
// Index is past the end) is selected, focused and scrolled into view.
void SelectListItem(TListView* List, int Index);
// Moves Item one place up or down (nothing at the ends); the moved item keeps
// its data and stays selected.
void MoveListItem(TListView* List, TListItem* Item, bool Up);
